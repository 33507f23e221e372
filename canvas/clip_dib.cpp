#include "canvas/clip_dib.h"

#include <cstring>
#include <memory>
#include <new>

#include "ui/sysutil.h"
#include "canvas/canv_doc.h"

namespace {

// A mask of one run of set bits that fits the pixel.
bool UsableMask(uint32_t mask, int bits) {
    if (!mask) return false;
    if (bits == 16 && (mask >> 16)) return false;
    uint32_t low = mask & (~mask + 1);     // lowest set bit
    uint32_t run = mask + low;             // clears the run when it is contiguous
    return (run & mask) == 0;
}

struct ClipBmpJob {
    const uint8_t* block;
    const BmpLayout* layout;
};

bool WriteRows(HANDLE file, void* user) {
    const ClipBmpJob& job = *(const ClipBmpJob*)user;
    const BmpLayout& l = *job.layout;
    const uint32_t stride = (uint32_t)((((uint64_t)l.width * 24 + 31) / 32) * 4);
    uint8_t head[54] = {};
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = (DWORD)(54 + (uint64_t)stride * l.height);
    fh.bfOffBits = 54;
    BITMAPINFOHEADER ih = {};
    ih.biSize = 40;
    ih.biWidth = l.width;
    ih.biHeight = l.height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::memcpy(head, &fh, 14);
    std::memcpy(head + 14, &ih, 40);
    if (!WriteAll(file, head, sizeof head)) return false;
    std::unique_ptr<uint32_t[]> words(new (std::nothrow) uint32_t[l.width]);
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[stride]());
    if (!words || !out) return false;
    BmpRowSource rows;
    if (!rows.Open(l, job.block)) return false;
    for (int y = l.height - 1; y >= 0; --y) {   // file rows bottom-up
        const uint8_t* raw = rows.Row(y);
        if (!raw) return false;
        DecodeBmpRow32(l, raw, words.get());
        for (int x = 0; x < l.width; ++x) {
            out[3 * x] = (uint8_t)words[x];
            out[3 * x + 1] = (uint8_t)(words[x] >> 8);
            out[3 * x + 2] = (uint8_t)(words[x] >> 16);
        }
        if (!WriteAll(file, out.get(), stride)) return false;
    }
    return true;
}

}  // namespace

ClipDibResult CheckClipDib(const void* block, uint64_t blockSize, BmpLayout* layout) {
    if (!block || blockSize < 4) return ClipDibNoBlock;
    uint32_t headerSize;
    std::memcpy(&headerSize, block, 4);
    if (headerSize != 40 && headerSize != 108 && headerSize != 124) return ClipDibBadHeader;
    if (blockSize < headerSize) return ClipDibNoBlock;
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof h);
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return ClipDibBadCompression;
    BmpLayout l;
    if (!ParseBmpLayout(block, (size_t)blockSize, blockSize, false, &l)) {
        if (h.biCompression == BI_BITFIELDS && h.biBitCount != 16 && h.biBitCount != 32)
            return ClipDibBadCompression;
        return ClipDibBadHeader;
    }
    if (l.masked && h.biCompression == BI_BITFIELDS)
        for (uint32_t m : l.masks)
            if (!UsableMask(m, l.bits)) return ClipDibBadMasks;
    if (l.width > CanvMaxSide || l.height > CanvMaxSide) return ClipDibTooLarge;
    if (layout) *layout = l;
    return ClipDibOk;
}

int ClipDibDpi(int32_t pixelsPerMetre) {
    int64_t dpi = ((int64_t)pixelsPerMetre * 254 + 5000) / 10000;
    if (dpi < 1) return 96;
    return dpi > 0x7FFFFFFF ? 0x7FFFFFFF : (int)dpi;
}

int WriteClipBmp(const void* block, const BmpLayout& layout, const char* path) {
    ClipBmpJob job{(const uint8_t*)block, &layout};
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    bool ok = WriteRows(file, &job);
    CloseHandle(file);
    SetCursor(old);
    if (!ok) DeleteFileA(path);
    return ok ? 1 : 0;
}
