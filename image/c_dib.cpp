// c_Dib: conversions, .bmp files, drawing, fitting and DIB sections.
#include "image/c_dib.h"

#include <cstring>

#include "ui/sysutil.h"
#include "image/bmp_file.h"
#include "image/c_dib_util.h"
#include "image/packed_dib.h"
#include "image/vms_store.h"

using dibutil::Alloc;

int GetPaletteBytesForDepth(int bits) { return bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0; }

int c_Dib::GetPaletteBytes(const VmsImage* image) {
    if (!image) return 0;
    switch (image->bits) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    case 16: return 12;
    default: return 0;
    }
}

namespace {

// Index of pixel x of a packed row of 1, 4 or 8 bits.
inline int IndexAt(const uint8_t* row, int bits, int x) {
    if (bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    if (bits == 4) return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    return row[x];
}

inline uint32_t EntryWord(const RGBQUAD& q) {
    return (uint32_t)q.rgbBlue | ((uint32_t)q.rgbGreen << 8) | ((uint32_t)q.rgbRed << 16);
}

}  // namespace

int c_Dib::ConvertTo8Bit(VmsImage** pimage) {
    if (!pimage || !*pimage) return 0;
    VmsImage* src = *pimage;
    if (src->bits == 8) return 1;
    VmsImage* out = g_VmsStore.Create(src->width, src->height, 8, 0, 1);
    if (!out) {
        g_VmsStore.Free(pimage);
        return 0;
    }
    if (src->bits == 1) std::memcpy(out->palette, src->palette, 8);
    if (src->bits == 4) std::memcpy(out->palette, src->palette, 64);
    const int w = src->width;
    auto in = Alloc<uint32_t>((size_t)w + 8);
    auto row = Alloc<uint8_t>((size_t)w);
    if (!in || !row) {
        g_VmsStore.Free(&out);
        g_VmsStore.Free(pimage);
        return 0;
    }
    for (int y = 0; y < src->height; ++y) {
        g_VmsStore.GetRow(src, y, 0, w - 1, in.get());
        const uint8_t* bytes = (const uint8_t*)in.get();
        for (int x = 0; x < w; ++x) {
            if (src->bits == 32) {
                const uint8_t* p = bytes + (size_t)x * 4;
                row[x] = (uint8_t)((p[0] + p[1] + p[2]) / 3);
            } else {
                row[x] = (uint8_t)IndexAt(bytes, src->bits, x);
            }
        }
        g_VmsStore.PutRow(out, y, 0, w - 1, row.get());
    }
    g_VmsStore.Free(pimage);
    *pimage = out;
    return 1;
}

int c_Dib::ConvertTo24Bit(VmsImage** pimage) {
    if (!pimage || !*pimage) return 0;
    VmsImage* src = *pimage;
    if (src->bits == 32) return 1;
    VmsImage* out = g_VmsStore.Create(src->width, src->height, 32, 0, 1);
    const int w = src->width;
    auto in = Alloc<uint32_t>((size_t)w + 8);
    auto row = Alloc<uint32_t>((size_t)w);
    if (!out || !in || !row) {
        g_VmsStore.Free(&out);
        g_VmsStore.Free(pimage);
        return 0;
    }
    dibutil::WaitCursor wait;
    for (int y = 0; y < src->height; ++y) {
        g_VmsStore.GetRow(src, y, 0, w - 1, in.get());
        const uint8_t* bytes = (const uint8_t*)in.get();
        for (int x = 0; x < w; ++x) row[x] = EntryWord(src->palette[IndexAt(bytes, src->bits, x)]);
        g_VmsStore.PutRow(out, y, 0, w - 1, row.get());
    }
    g_VmsStore.Free(pimage);
    *pimage = out;
    return 1;
}

VmsImage* c_Dib::ConvertToVms(const BITMAPINFOHEADER* dib) {
    if (!dib) return nullptr;
    // A block from outside is read only as far as its global block reaches.
    uint64_t total = dibutil::GlobalBlockBytes(dib);
    if (!total) total = (uint64_t)GetPackedDibSize(dib) + 124 + 12;
    BmpLayout l;
    if (!ParseBmpLayout(dib, (size_t)total, total, false, &l)) return nullptr;
    BmpRowSource rows;
    if (!rows.Open(l, (const uint8_t*)dib)) return nullptr;
    const int w = l.width, h = l.height;
    // 8-bit blocks stay 8-bit images of their indices; 32-bit blocks are
    // copied; every other form is read through its colour table or masks.
    const bool indexed = l.bits == 8;
    VmsImage* image = g_VmsStore.Create(w, h, indexed ? 8 : 32, 0, 1);
    if (!image) return nullptr;
    auto wide = Alloc<uint32_t>((size_t)w);
    if (!wide) { g_VmsStore.Free(&image); return nullptr; }
    if (indexed) std::memcpy(image->palette, l.palette, sizeof(image->palette));
    for (int y = 0; y < h; ++y) {
        const uint8_t* raw = rows.Row(y);
        if (indexed) {
            g_VmsStore.PutRow(image, y, 0, w - 1, raw);
        } else {
            DecodeBmpRow32(l, raw, wide.get());
            g_VmsStore.PutRow(image, y, 0, w - 1, wide.get());
        }
    }
    return image;
}

// ---- .bmp files

namespace {

// An open .bmp file with its checked layout.
struct BmpReader {
    HANDLE file = INVALID_HANDLE_VALUE;
    BmpLayout layout;
    ~BmpReader() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    bool Open(const char* path) {
        if (!path) return false;
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file, &size) || size.QuadPart < 18) return false;
        uint8_t head[kBmpHeadBytes];
        DWORD n = size.QuadPart < (LONGLONG)sizeof(head) ? (DWORD)size.QuadPart : (DWORD)sizeof(head);
        if (!ReadFileAt(file, 0, head, n)) return false;
        if (!ParseBmpLayout(head, n, (uint64_t)size.QuadPart, true, &layout)) return false;
        if (layout.width > c_Dib::kMaxRowPixels) return false;
        return rows.Open(layout, file);
    }
    BmpRowSource rows;
};

// Reads every row of a checked file as 32-bit pixels and hands it to put(y, row).
template <typename Put>
int ForEachBmpRow32(BmpReader& reader, Put put) {
    const BmpLayout& l = reader.layout;
    auto row = Alloc<uint32_t>((size_t)l.width);
    if (!row) return 0;
    dibutil::WaitCursor wait;
    for (int y = l.height - 1; y >= 0; --y) {
        const uint8_t* raw = reader.rows.Row(y);
        if (!raw) return 0;
        DecodeBmpRow32(l, raw, row.get());
        put(y, row.get());
    }
    return 1;
}

}  // namespace

VmsImage* c_Dib::LoadBmp(const char* path) {
    BmpReader reader;
    if (!reader.Open(path)) return nullptr;
    const BmpLayout& l = reader.layout;
    const bool indexed = l.bits <= 8;
    VmsImage* image = g_VmsStore.Create(l.width, l.height, indexed ? 8 : 32, 255, 1);
    if (!image) return nullptr;
    image->xResolution = ConvertPpmToDpi(l.xPelsPerMeter);
    image->yResolution = ConvertPpmToDpi(l.yPelsPerMeter);
    int ok;
    if (indexed) {
        // 1- and 4-bit files become 8-bit images of their indices: the file's
        // colours go over the first entries of the grey table.
        std::memcpy(image->palette, l.palette, (size_t)(1 << l.bits) * 4);
        auto row = Alloc<uint8_t>((size_t)l.width);
        ok = row != nullptr;
        dibutil::WaitCursor wait;
        for (int y = l.height - 1; ok && y >= 0; --y) {
            const uint8_t* raw = reader.rows.Row(y);
            if (!raw) { ok = 0; break; }
            for (int x = 0; x < l.width; ++x) row[x] = (uint8_t)IndexAt(raw, l.bits, x);
            g_VmsStore.PutRow(image, y, 0, l.width - 1, row.get());
        }
    } else {
        ok = ForEachBmpRow32(reader, [&](int y, const uint32_t* row) {
            g_VmsStore.PutRow(image, y, 0, l.width - 1, row);
        });
    }
    if (!ok) g_VmsStore.Free(&image);
    return image;
}

int c_Dib::LoadBmpInto(VmsImage* image, const char* path) {
    if (!image || image->bits != 32) return 0;
    BmpReader reader;
    if (!reader.Open(path)) return 0;
    const int w = reader.layout.width;
    return ForEachBmpRow32(reader, [&](int y, const uint32_t* row) { g_VmsStore.PutRow(image, y, 0, w - 1, row); });
}

int c_Dib::LoadBmpGreyInto(VmsImage* image, const char* path, int invert) {
    if (!image || image->bits != 8) return 0;
    BmpReader reader;
    if (!reader.Open(path)) return 0;
    const int w = reader.layout.width;
    auto grey = Alloc<uint8_t>((size_t)w);
    if (!grey) return 0;
    return ForEachBmpRow32(reader, [&](int y, const uint32_t* row) {
        for (int x = 0; x < w; ++x) {
            uint32_t p = row[x];
            int v = ((p & 255) + ((p >> 8) & 255) + ((p >> 16) & 255)) / 3;
            grey[x] = (uint8_t)(invert ? 255 - v : v);
        }
        g_VmsStore.PutRow(image, y, 0, w - 1, grey.get());
    });
}

namespace {
struct SaveJob {
    const VmsImage* image;
};
bool WriteVmsBmp(HANDLE file, void* context) {
    const VmsImage* im = ((SaveJob*)context)->image;
    const int palette = GetPaletteBytesForDepth(im->bits);
    const int64_t stride = dibutil::Stride(im->width, im->bits);
    uint8_t head[54] = {};
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = (DWORD)(palette + stride * im->height + 54);
    fh.bfOffBits = (DWORD)(palette + 54);
    BITMAPINFOHEADER ih = {};
    ih.biSize = 40;
    ih.biWidth = im->width;
    ih.biHeight = im->height;
    ih.biPlanes = 1;
    ih.biBitCount = (WORD)im->bits;
    ih.biXPelsPerMeter = im->xResolution * 10000 / 254;
    ih.biYPelsPerMeter = im->yResolution * 10000 / 254;
    std::memcpy(head, &fh, 14);
    std::memcpy(head + 14, &ih, 40);
    if (!WriteAll(file, head, 54)) return false;
    if (palette && !WriteAll(file, im->palette, (size_t)palette)) return false;
    auto row = Alloc<uint8_t>((size_t)stride + 8);
    if (!row) return false;
    for (int y = im->height - 1; y >= 0; --y) {
        std::memset(row.get(), 0, (size_t)stride);
        g_VmsStore.GetRow(im, y, 0, im->width - 1, row.get());
        if (!WriteAll(file, row.get(), (size_t)stride)) return false;
    }
    return true;
}
}  // namespace

int c_Dib::SaveBmp(const VmsImage* image, const char* path) {
    if (!image) return 0;
    dibutil::WaitCursor wait;
    SaveJob job{image};
    return WriteFileReplacingWith(path, WriteVmsBmp, &job) ? 1 : 0;
}

int c_Dib::ReadBmpHeader(const char* path, int* width, int* height, int* bits, int fileHeader) {
    if (!path) return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BITMAPINFOHEADER ih;
    bool ok = ReadFileAt(file, fileHeader ? 14 : 0, &ih, 40);
    CloseHandle(file);
    if (!ok) return 0;
    *width = ih.biWidth;
    *height = ih.biHeight;
    *bits = ih.biBitCount;
    return 1;
}

int c_Dib::GetPixelRgb(const VmsImage* image, int x, int y, int* r, int* g, int* b) {
    if (!image) return 0;
    if (image->bits == 32) return g_VmsStore.GetRgb(image, x, y, r, g, b);
    if (image->bits == 8) {
        int v;
        if (!g_VmsStore.GetValue(image, x, y, &v)) return 0;
        *r = image->palette[v].rgbRed;
        *g = image->palette[v].rgbGreen;
        *b = image->palette[v].rgbBlue;
        return 1;
    }
    return 0;
}

// ---- drawing and fitting

int c_Dib::DrawAt(HDC dc, const VmsImage* image, int x, int y) {
    if (!image) return 0;
    g_VmsStore.Draw(dc, image, x, y);
    return 1;
}

int c_Dib::StretchDrawRop(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1, DWORD rop) {
    if (!image) return 0;
    g_VmsStore.StretchDraw(dc, image, x0, y0, x1 - x0 + 1, y1 - y0 + 1, rop);
    return 1;
}

int c_Dib::StretchDraw(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1) {
    return StretchDrawRop(dc, image, x0, y0, x1, y1, SRCCOPY);
}

int c_Dib::DrawFit(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1, int centre, int keepAspect) {
    if (!image) return 0;
    const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
    if (bw < 1 || bh < 1) return 1;
    if (centre && bw >= image->width && bh >= image->height) {
        g_VmsStore.Draw(dc, image, x0 + (bw - image->width) / 2, y0 + (bh - image->height) / 2);
        return 1;
    }
    int dw = bw, dh = bh;
    if (keepAspect) {
        double sx = (double)image->width / bw, sy = (double)image->height / bh;
        double s = sx > sy ? sx : sy;
        dw = (int)(image->width / s);
        dh = (int)(image->height / s);
        if (dw < 1) dw = 1;
        if (dh < 1) dh = 1;
    }
    VmsImage* copy = Resize(image, dw, dh, 0, 0, 0);
    if (!copy) return 1;
    g_VmsStore.Draw(dc, copy, x0 + (x1 - dw - x0 + 1) / 2, y0 + (y1 - dh - y0 + 1) / 2);
    g_VmsStore.Free(&copy);
    return 1;
}

void c_Dib::FitSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight, int enlarge) {
    if ((enlarge || width >= boxWidth || height >= boxHeight) && boxWidth > 0 && boxHeight > 0) {
        double sx = (double)width / boxWidth, sy = (double)height / boxHeight;
        double s = sx > sy ? sx : sy;
        *outWidth = (int)(width / s);
        *outHeight = (int)(height / s);
        return;
    }
    *outWidth = width;
    *outHeight = height;
}

VmsImage* c_Dib::FitResize(const VmsImage* image, int boxWidth, int boxHeight) {
    if (!image) return nullptr;
    if (image->width == 1 || image->height == 1) {
        if (image->bits == 8) return g_VmsStore.Create(boxWidth, boxHeight, 8, 0, 1);
        return g_VmsStore.Create(boxWidth, boxHeight, 32, 255, 1);
    }
    if (image->bits == 8) return FitResize8(image, boxWidth, boxHeight);
    if (image->bits == 32) return FitResize32(image, boxWidth, boxHeight, 1, 255, 255, 255);
    return nullptr;
}

VmsImage* c_Dib::FitResize8(const VmsImage* image, int boxWidth, int boxHeight) {
    if (!image || image->bits != 8) return nullptr;
    int fw, fh;
    FitSize(image->width, image->height, boxWidth, boxHeight, &fw, &fh, 0);
    if (fw < 1) fw = 1;
    if (fh < 1) fh = 1;
    VmsImage* copy = Resize(image, fw, fh, 0, 1, 0);
    if (!copy) return nullptr;
    VmsImage* out = g_VmsStore.Create(boxWidth, boxHeight, 8, 0, 1);
    auto row = Alloc<uint8_t>((size_t)fw);
    if (out && row) {
        std::memcpy(out->palette, image->palette, 1024);
        int ox = (boxWidth - fw) / 2, oy = (boxHeight - fh) / 2;
        for (int y = 0; y < fh; ++y) {
            g_VmsStore.GetRow(copy, y, 0, fw - 1, row.get());
            g_VmsStore.PutRow(out, oy + y, ox, ox + fw - 1, row.get());
        }
    } else {
        g_VmsStore.Free(&out);
    }
    g_VmsStore.Free(&copy);
    return out;
}

VmsImage* c_Dib::FitResize32(const VmsImage* image, int boxWidth, int boxHeight, int, int r, int g, int b) {
    if (!image || image->bits != 32) return nullptr;
    int fw, fh;
    FitSize(image->width, image->height, boxWidth, boxHeight, &fw, &fh, 0);
    if (fw < 1) fw = 1;
    if (fh < 1) fh = 1;
    VmsImage* copy = Resize(image, fw, fh, 0, 1, 0);
    if (!copy) return nullptr;
    VmsImage* out = g_VmsStore.Create(boxWidth, boxHeight, 32, 255, 1);
    auto row = Alloc<uint32_t>((size_t)(boxWidth > fw ? boxWidth : fw));
    if (out && row) {
        uint32_t background = (uint32_t)(b & 255) | ((uint32_t)(g & 255) << 8) | ((uint32_t)(r & 255) << 16);
        for (int x = 0; x < boxWidth; ++x) row[x] = background;
        for (int y = 0; y < boxHeight; ++y) g_VmsStore.PutRow(out, y, 0, boxWidth - 1, row.get());
        int ox = (boxWidth - fw) / 2, oy = (boxHeight - fh) / 2;
        for (int y = 0; y < fh; ++y) {
            g_VmsStore.GetRow(copy, y, 0, fw - 1, row.get());
            g_VmsStore.PutRow(out, oy + y, ox, ox + fw - 1, row.get());
        }
    } else {
        g_VmsStore.Free(&out);
    }
    g_VmsStore.Free(&copy);
    return out;
}

// ---- DIB sections

namespace {
struct GreyInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};
}  // namespace

int c_Dib::CreateDibSection(HDC dc, int bits, int width, int height, DibSection* out) {
    GreyInfo info = {};
    info.header.biSize = 40;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = (WORD)GetDeviceCaps(dc, PLANES);
    info.header.biBitCount = (WORD)bits;
    int entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    for (int i = 0; i < entries; ++i) info.colours[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, (const BITMAPINFO*)&info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) return 0;
    out->bits = pixels;
    out->bitmap = bitmap;
    return 1;
}

int c_Dib::CreateScreenDibSection(HDC dc, int width, int height, DibSection* out) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = (WORD)GetDeviceCaps(dc, PLANES);
    info.bmiHeader.biBitCount = (WORD)GetDeviceCaps(dc, BITSPIXEL);
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) return 0;
    out->bits = pixels;
    out->bitmap = bitmap;
    return 1;
}

int c_Dib::CreateWindowDibSection(int width, int height, int bits, HWND window, DibSection* out) {
    HDC wdc = GetDC(window);
    HDC mdc = CreateCompatibleDC(wdc);
    DibSection section = {};
    if (!mdc || !CreateDibSection(wdc, bits, width, height, &section)) {
        if (mdc) DeleteDC(mdc);
        ReleaseDC(window, wdc);
        return 0;
    }
    section.dc = mdc;
    section.oldBitmap = SelectObject(mdc, section.bitmap);
    ReleaseDC(window, wdc);
    *out = section;
    return 1;
}

int c_Dib::CreateImageDibSection(const VmsImage* image, HWND window, DibSection* out) {
    if (!image || image->bits != 32) return 0;
    if (!CreateWindowDibSection(image->width, image->height, 32, window, out)) return 0;
    GdiFlush();
    const size_t stride = (size_t)image->width * 4;
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.GetRow(image, y, 0, image->width - 1, (uint8_t*)out->bits + (size_t)(image->height - 1 - y) * stride);
    return 1;
}

void c_Dib::DeleteDibSection(DibSection* section) {
    if (!section) return;
    if (section->dc) {
        if (section->oldBitmap) SelectObject(section->dc, section->oldBitmap);
        DeleteDC(section->dc);
    }
    if (section->bitmap) DeleteObject(section->bitmap);
    *section = DibSection{};
}
