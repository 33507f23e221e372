#include "image/dib_header.h"

#include <cstdlib>
#include <cstring>

#include "image/bmp_file.h"

namespace {

// Sizes are computed in 64 bits; a block must stay below 2 GB.
constexpr int64_t kMaxBlock = 0x7FFFFFFF;

int64_t Stride64(int64_t width, int64_t bits) { return ((width * bits + 31) / 32) * 4; }

}  // namespace

int32_t DibStride(int32_t width, int32_t bits) { return (int32_t)Stride64(width, bits); }

int32_t DibImageSize(int32_t width, int32_t height, int32_t bits) {
    int64_t h = height < 0 ? -(int64_t)height : height;
    return (int32_t)(Stride64(width, bits) * h);
}

int32_t DibPaletteEntries(int32_t bits) {
    switch (bits & ~DibNoMasks) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 16:
    case 24:
    case 32: return 0;
    default: return -1;
    }
}

int32_t DibColourCount(int32_t bits, int32_t used) {
    int32_t entries = DibPaletteEntries(bits);
    if (entries < 0 || used < 0 || used > entries) return -1;
    return used ? used : entries;
}

int32_t DibMaskBytesForDepth(int32_t bits) { return bits == 16 || bits == 32 ? 12 : 0; }

int32_t DibMaskBytes(uint32_t compression) { return compression == BI_BITFIELDS ? 12 : 0; }

uint32_t DpiToPelsPerMetre(uint32_t dpi) { return dpi * 10000u / 254u; }

uint32_t PelsPerMetreToDpi(uint32_t ppm) { return (ppm * 254u + 5000u) / 10000u; }

bool IsRleDib(const BITMAPINFOHEADER* h) {
    return h && (h->biCompression == BI_RLE8 || h->biCompression == BI_RLE4);
}

BITMAPINFOHEADER* AllocDibHeader(int32_t width, int32_t height, int32_t bits, int mode, int32_t colours) {
    const bool noMasks = (bits & DibNoMasks) != 0;
    bits &= ~DibNoMasks;
    if (noMasks && bits == 16) return nullptr;
    const bool fields = !noMasks && (bits == 16 || bits == 32);
    int32_t entries = DibPaletteEntries(bits);
    if (entries < 0 || width < 1 || height == 0) return nullptr;
    if (mode != 0) {
        if (colours > entries) return nullptr;
        if (colours > 0) entries = colours;
    }
    const int64_t image = Stride64(width, bits) * (height < 0 ? -(int64_t)height : height);
    const int64_t maskBytes = fields ? 12 : 0;
    int64_t total = 40 + maskBytes;
    if (mode == 1) total += 4 * (int64_t)entries;
    if (mode == 2) total += 4 * (int64_t)entries + image;
    if (image > kMaxBlock || total > kMaxBlock) return nullptr;
    auto* h = (BITMAPINFOHEADER*)std::calloc(1, (size_t)total);
    if (!h) return nullptr;
    *h = MakeDibHeader(width, height, bits, fields, (uint32_t)image, 0, (uint32_t)entries);
    if (fields) PutStandardMasks(h, bits);
    return h;
}

BITMAPINFOHEADER MakeDibHeader(int32_t width, int32_t height, int32_t bits, bool bitFields, uint32_t imageSize,
                               int32_t pelsPerMetre, uint32_t coloursUsed) {
    return BITMAPINFOHEADER{
        .biSize = 40,
        .biWidth = width,
        .biHeight = height,
        .biPlanes = 1,
        .biBitCount = (WORD)bits,
        .biCompression = bitFields ? (DWORD)BI_BITFIELDS : (DWORD)BI_RGB,
        .biSizeImage = imageSize,
        .biXPelsPerMeter = pelsPerMetre,
        .biYPelsPerMeter = pelsPerMetre,
        .biClrUsed = coloursUsed,
        .biClrImportant = 0,
    };
}

void PutStandardMasks(BITMAPINFOHEADER* h, int32_t bits) {
    auto* masks = (uint32_t*)(h + 1);
    if (bits == 16) {
        masks[0] = 0xF800; masks[1] = 0x07E0; masks[2] = 0x001F;
    } else {
        masks[0] = 0x00FF0000; masks[1] = 0x0000FF00; masks[2] = 0x000000FF;
    }
}

bool FreeDibHeader(BITMAPINFOHEADER* block) {
    if (!block) return false;
    std::free(block);
    return true;
}

uint32_t RleDecodedSize(const BITMAPINFOHEADER* h) {
    if (!h || h->biSize != 40 || h->biWidth < 1 || h->biHeight < 0) return 0;
    if (!((h->biCompression == BI_RLE8 && h->biBitCount == 8) ||
          (h->biCompression == BI_RLE4 && h->biBitCount == 4)))
        return 0;
    int32_t colours = DibColourCount(h->biBitCount, (int32_t)h->biClrUsed);
    if (colours < 0) return 0;
    int64_t total = 40 + 4 * (int64_t)colours + Stride64(h->biWidth, h->biBitCount) * h->biHeight;
    return total > kMaxBlock ? 0 : (uint32_t)total;
}

bool DecodeRleDib(const BITMAPINFOHEADER* source, BITMAPINFOHEADER* destination, const void* data) {
    if (!source || !destination || RleDecodedSize(source) == 0) return false;
    const int32_t colours = DibColourCount(source->biBitCount, (int32_t)source->biClrUsed);
    const size_t table = 4 * (size_t)colours;
    const uint8_t* encoded = data ? (const uint8_t*)data : (const uint8_t*)(source + 1) + table;
    const size_t encodedBytes = source->biSizeImage;
    BITMAPINFOHEADER header = *source;
    std::memmove(destination + 1, source + 1, table);
    BmpLayout l;
    l.width = header.biWidth;
    l.height = header.biHeight;
    l.bits = header.biBitCount;
    l.stride = (uint32_t)DibStride(header.biWidth, header.biBitCount);
    l.runLength = header.biBitCount;
    header.biCompression = BI_RGB;
    header.biSizeImage = (DWORD)(l.stride * (uint64_t)l.height);
    *destination = header;
    uint8_t* rows = (uint8_t*)(destination + 1) + table;
    std::memset(rows, 0, header.biSizeImage);
    return DecodeBmpRunLength(l, encoded, encodedBytes, rows);
}

void DibRect::Intersect(const DibRect& o) {
    left = left > o.left ? left : o.left;
    top = top > o.top ? top : o.top;
    right = right < o.right ? right : o.right;
    bottom = bottom < o.bottom ? bottom : o.bottom;
    if (left >= right || bottom < top) left = top = right = bottom = 0;
}
