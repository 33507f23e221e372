#include "browser/map_store.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "browser/dib24.h"
#include "image/bmp_file.h"

c_MapStore g_MapStore;

namespace {

constexpr size_t kTransferBytes = 1999900;

// Byte span of pixels x0..x1 of a row (whole bytes).
void ByteSpan(int bits, int x0, int x1, int* first, int* last) {
    *first = (int)((int64_t)x0 * bits / 8);
    *last = (int)(((int64_t)(x1 + 1) * bits + 7) / 8) - 1;
}

struct Clipped {
    int x0, x1, skip;   // skip: buffer bytes before pixel x0
};

bool ClipRow(const MapImage* im, int y, int x0, int x1, Clipped* c) {
    if (!im || y < 0 || y >= im->height || x1 < 0 || x0 > im->width - 1) return false;
    c->skip = x0 < 0 ? -x0 * (im->bits / 8) : 0;
    c->x0 = x0 < 0 ? 0 : x0;
    c->x1 = x1 > im->width - 1 ? im->width - 1 : x1;
    return c->x0 <= c->x1;
}

}  // namespace

MapImage* c_MapStore::Create(int width, int height, int bits, int fill, int fillFlag) {
    if (width < 1 || height < 1 || width > kDib24MaxSide || height > kDib24MaxSide) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return nullptr;
    std::unique_ptr<MapImage> im(new (std::nothrow) MapImage());
    if (!im) return nullptr;
    im->width = width;
    im->height = height;
    im->bits = bits;
    im->stride = (int32_t)Dib24Stride(width, bits);
    im->size = (uint64_t)im->stride * (uint64_t)height;
    for (int i = 0; i < 256; ++i) im->palette[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
    for (MapRowEntry& e : im->cache) {
        e.buffer.reset(new (std::nothrow) uint8_t[(size_t)im->stride + 100]);
        if (!e.buffer) return nullptr;
    }
    im->file.reset(new c_MemMapFile());
    if (im->file->Create(im->size, idCounter_ + 1) != 0) {
        ShowMessageBox(nullptr, "メモリーが不足しました", "Darna", kMsgOk);
        return nullptr;
    }
    if (fillFlag) {
        std::vector<uint8_t> scratch(std::min<uint64_t>(kTransferBytes, im->size), (uint8_t)fill);
        for (uint64_t at = 0; at < im->size; at += kTransferBytes) {
            size_t n = (size_t)std::min<uint64_t>(kTransferBytes, im->size - at);
            if (im->file->Write(at, n, scratch.data()) != 0) return nullptr;
        }
    }
    im->id = ++idCounter_;
    return im.release();
}

void c_MapStore::Free(MapImage** image) {
    if (!image || !*image) return;
    delete *image;
    *image = nullptr;
}

bool c_MapStore::WriteBack(MapImage* im, MapRowEntry& e) {
    if (e.row < 0 || e.dirtyHigh < e.dirtyLow) return true;
    const size_t n = (size_t)(e.dirtyHigh - e.dirtyLow + 1);
    bool ok = im->file->Write((uint64_t)e.row * im->stride + e.dirtyLow, n, e.buffer.get() + e.dirtyLow) == 0;
    e.dirtyLow = 0;
    e.dirtyHigh = -1;
    return ok;
}

// The cache entry holding row y, moved to the front; the oldest entry is
// written back and reused for a row that is not cached.
MapRowEntry* c_MapStore::Fetch(MapImage* im, int y) {
    int at = -1;
    for (int i = 0; i < kMapRowCache; ++i)
        if (im->cache[i].row == y) {
            at = i;
            break;
        }
    if (at < 0) {
        at = kMapRowCache - 1;
        for (int i = 0; i < kMapRowCache; ++i)
            if (im->cache[i].row < 0) {
                at = i;
                break;
            }
        MapRowEntry& e = im->cache[at];
        if (!WriteBack(im, e)) return nullptr;
        ++fileReads_;
        if (im->file->Read((uint64_t)y * im->stride, (size_t)im->stride, e.buffer.get()) != 0) {
            e.row = -1;
            return nullptr;
        }
        e.row = y;
        e.accessedLow = im->stride;
        e.accessedHigh = -1;
    }
    std::rotate(im->cache, im->cache + at, im->cache + at + 1);
    return &im->cache[0];
}

int c_MapStore::GetRow(MapImage* im, int y, int x0, int x1, void* buffer) {
    Clipped c;
    if (!buffer || !ClipRow(im, y, x0, x1, &c)) return 0;
    MapRowEntry* e = Fetch(im, y);
    if (!e) return 0;
    int first, last;
    ByteSpan(im->bits, c.x0, c.x1, &first, &last);
    std::memcpy((uint8_t*)buffer + c.skip, e->buffer.get() + first, (size_t)(last - first + 1));
    e->accessedLow = std::min(e->accessedLow, first);
    e->accessedHigh = std::max(e->accessedHigh, last);
    return 1;
}

int c_MapStore::PutRow(MapImage* im, int y, int x0, int x1, const void* buffer) {
    Clipped c;
    if (!buffer || !ClipRow(im, y, x0, x1, &c)) return 0;
    MapRowEntry* e = Fetch(im, y);
    if (!e) return 0;
    int first, last;
    ByteSpan(im->bits, c.x0, c.x1, &first, &last);
    std::memcpy(e->buffer.get() + first, (const uint8_t*)buffer + c.skip, (size_t)(last - first + 1));
    if (e->dirtyHigh < e->dirtyLow) {
        e->dirtyLow = first;
        e->dirtyHigh = last;
    } else {
        e->dirtyLow = std::min(e->dirtyLow, first);
        e->dirtyHigh = std::max(e->dirtyHigh, last);
    }
    return 1;
}

int c_MapStore::FlushRows(MapImage* im) {
    if (!im) return 0;
    int ok = 1;
    for (MapRowEntry& e : im->cache) {
        if (!WriteBack(im, e)) ok = 0;
        e.row = -1;
    }
    return ok;
}

int c_MapStore::Draw(HDC dc, MapImage* im, int x, int y) {
    if (!im) return 0;
    PackedDib dib = CreateDib24(im->width, im->height, im->bits);
    if (!dib) return 0;
    const int paletteBytes = im->bits == 1 ? 8 : im->bits == 4 ? 64 : im->bits == 8 ? 1024 : 0;
    std::memcpy(dib + 1, im->palette, (size_t)paletteBytes);
    for (int r = 0; r < im->height; ++r)
        GetRow(im, r, 0, im->width - 1, GetPackedDibBits(dib) + (size_t)(im->height - 1 - r) * im->stride);
    SetDIBitsToDevice(dc, x, y, im->width, im->height, 0, 0, 0, im->height, GetPackedDibBits(dib),
                      (const BITMAPINFO*)dib, DIB_RGB_COLORS);
    FreePackedDib(dib);
    return 1;
}

int c_MapStore::StretchDraw(HDC dc, MapImage* im, int x, int y, int width, int rows, DWORD rop) {
    if (!im || rows < 1 || width < 1) return 0;
    PackedDib dib = CreateDib24(im->width, 2, im->bits);
    if (!dib) return 0;
    const int paletteBytes = im->bits == 1 ? 8 : im->bits == 4 ? 64 : im->bits == 8 ? 1024 : 0;
    std::memcpy(dib + 1, im->palette, (size_t)paletteBytes);
    uint8_t* bits = GetPackedDibBits(dib);
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    for (int i = 0; i < rows; ++i) {
        // A single device row shows the first image row.
        const int source = rows > 1 ? (int)((int64_t)i * (im->height - 1) / (rows - 1)) : 0;
        GetRow(im, source, 0, im->width - 1, bits);
        std::memcpy(bits + im->stride, bits, (size_t)im->stride);
        StretchDIBits(dc, x, y + i, width, 1, 0, 0, im->width, 1, bits, (const BITMAPINFO*)dib, DIB_RGB_COLORS, rop);
    }
    SetStretchBltMode(dc, oldMode);
    FreePackedDib(dib);
    return 1;
}

MapImage* LoadBmpToMapImage(const char* path) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    MapImage* im = nullptr;
    std::vector<uint8_t> head(kBmpHeadBytes);
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0) {
        DWORD want = (DWORD)std::min<int64_t>(size.QuadPart, (int64_t)head.size());
        BmpLayout l;
        if (ReadFileAt(f, 0, head.data(), want) && ParseBmpLayout(head.data(), want, (uint64_t)size.QuadPart, true, &l) &&
            !l.runLength && !l.masked && (l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits == 24)) {
            im = g_MapStore.Create(l.width, l.height, l.bits, 0, 0);
            BmpRowSource rows;
            if (im && rows.Open(l, f)) {
                // Indices past the file's colour table are black, as every
                // other reader of the program shows them.
                const int count = l.bits == 1 ? 2 : l.bits == 4 ? 16 : l.bits == 8 ? 256 : 0;
                for (int i = 0; i < count; ++i) im->palette[i] = i < l.paletteEntries ? l.palette[i] : RGBQUAD{};
                if (l.headerSize != 12) {
                    im->xResolution = (int)(((int64_t)l.xPelsPerMeter * 254 + 5000) / 10000);
                    im->yResolution = (int)(((int64_t)l.yPelsPerMeter * 254 + 5000) / 10000);
                }
                for (int y = 0; y < l.height && im; ++y) {
                    const uint8_t* row = rows.Row(y);
                    if (!row || !g_MapStore.PutRow(im, y, 0, l.width - 1, row)) g_MapStore.Free(&im);
                }
            } else {
                g_MapStore.Free(&im);
            }
        }
    }
    CloseHandle(f);
    if (im && im->bits < 8 && !ExpandMapImageTo8Bits(&im)) return nullptr;
    return im;
}

int ExpandMapImageTo8Bits(MapImage** image) {
    if (!image || !*image) return 0;
    MapImage* old = *image;
    if (old->bits == 8) return 1;
    if (old->bits > 8) return 0;
    MapImage* wide = g_MapStore.Create(old->width, old->height, 8, 0, 0);
    if (!wide) {
        g_MapStore.Free(image);
        return 0;
    }
    wide->xResolution = old->xResolution;
    wide->yResolution = old->yResolution;
    const int entries = old->bits == 1 ? 2 : 16;
    std::memcpy(wide->palette, old->palette, sizeof(RGBQUAD) * entries);
    std::vector<uint8_t> in((size_t)old->stride), out((size_t)old->width);
    for (int y = 0; y < old->height; ++y) {
        g_MapStore.GetRow(old, y, 0, old->width - 1, in.data());
        for (int x = 0; x < old->width; ++x)
            out[(size_t)x] = old->bits == 1 ? (uint8_t)((in[(size_t)x >> 3] >> (7 - (x & 7))) & 1)
                                            : (uint8_t)(x & 1 ? in[(size_t)x >> 1] & 15 : in[(size_t)x >> 1] >> 4);
        g_MapStore.PutRow(wide, y, 0, old->width - 1, out.data());
    }
    g_MapStore.Free(image);
    *image = wide;
    return 1;
}
