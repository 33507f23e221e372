#include "browser/screen_row.h"

#include <algorithm>
#include <cstring>

#include "ui/msgbox.h"
#include "image/c_dib.h"

c_ScreenRow g_ScreenRow;

namespace {

// Pixels of a run that the DIB holds, 0 for an empty run.
int RunLength(int x0, int x1) {
    const long long n = (long long)x1 - x0 + 1;
    return n < 1 ? 0 : (int)std::min<long long>(n, c_ScreenRow::kRowPixels);
}

uint16_t PackWord(int red, int green, int blue, bool sixBitGreen) {
    return sixBitGreen ? (uint16_t)(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3))
                       : (uint16_t)(((red & 0xF8) << 7) | ((green & 0xF8) << 2) | (blue >> 3));
}

}  // namespace

int c_ScreenRow::Init(HWND window) { return InitDib(window, 0); }

int c_ScreenRow::InitAtDepth(HWND window, int bits) { return InitDib(window, bits); }

int c_ScreenRow::InitDib(HWND window, int bits) {
    Release();
    HDC screen = GetDC(window);
    memDC_ = CreateCompatibleDC(screen);
    if (bits <= 0) bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kRowPixels;
    info.bmiHeader.biHeight = -2;   // two rows, top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)bits;
    info.bmiHeader.biCompression = BI_RGB;
    void* dibBits = nullptr;
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &dibBits, nullptr, 0);
    if (!bitmap_) {
        ShowMessageBox(window, "ERROR1", "error", kMsgOk);
    } else {
        pixels_ = (uint8_t*)dibBits;
        oldBitmap_ = SelectObject(memDC_, bitmap_);
    }
    depth_ = bits;
    redPos_ = 2, greenPos_ = 1, bluePos_ = 0;
    if (pixels_ && depth_ == 16) {
        // A DIB without colour masks may hold 5-5-5 words: see where green lands.
        SetPixel(memDC_, 0, 0, RGB(0, 255, 0));
        GdiFlush();
        uint16_t word;
        std::memcpy(&word, pixels_, 2);
        if ((word & 0x07E0) != 0x07E0) depth_ = 15;
    } else if (pixels_ && (depth_ == 24 || depth_ == 32)) {
        const COLORREF probes[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
        int* positions[3] = {&redPos_, &greenPos_, &bluePos_};
        const int step = depth_ / 8;
        for (int i = 0; i < 3; ++i) SetPixel(memDC_, i, 0, probes[i]);
        GdiFlush();
        for (int i = 0; i < 3; ++i)
            for (int b = 0; b < 3; ++b)
                if (pixels_[i * step + b]) *positions[i] = b;
    }
    ReleaseDC(window, screen);
    return 1;
}

int c_ScreenRow::Release() {
    if (memDC_) {
        if (oldBitmap_) SelectObject(memDC_, oldBitmap_);
        if (bitmap_) DeleteObject(bitmap_);
        DeleteDC(memDC_);
    }
    pixels_ = nullptr;
    bitmap_ = nullptr;
    memDC_ = nullptr;
    oldBitmap_ = nullptr;
    return 1;
}

void c_ScreenRow::PutRow(HDC dc, int y, int x0, int x1, const uint8_t* row) {
    long long n = (long long)x1 - x0 + 1;
    if (n < 1) return;
    if (n > kRowPixels) {
        x1 = x0 + (kRowPixels - 1);
        n = kRowPixels;
    }
    if (x1 < 0) return;
    if (x0 < 0) {
        row += (size_t)-(long long)x0 * 3;
        x0 = 0;
    }
    if (n >= kBlitThreshold) {
        switch (depth_) {
        case 15: PutRow15(dc, y, x0, x1, row, DitherOn()); break;
        case 16: PutRow16(dc, y, x0, x1, row, DitherOn()); break;
        case 24: PutRow24(dc, y, x0, x1, row); break;
        case 32: PutRow32(dc, y, x0, x1, row); break;
        default: break;
        }
        return;
    }
    for (int x = x0; x <= x1; ++x, row += 3) PutPixel(dc, x, y, row[2], row[1], row[0]);
}

void c_ScreenRow::GetRow(HDC dc, int y, int x0, int x1, uint8_t* row) {
    if ((long long)x1 - x0 + 1 < 1 || x1 < 0) return;
    if (x0 < 0) {
        row += (size_t)-(long long)x0 * 3;
        x0 = 0;
    }
    x1 = (int)std::min<long long>(x1, (long long)x0 + kMaxReadPixels - 1);
    switch (depth_) {
    case 15: GetRow15(dc, y, x0, x1, row); break;
    case 16: GetRow16(dc, y, x0, x1, row); break;
    case 24: GetRow24(dc, y, x0, x1, row); break;
    case 32: GetRow32(dc, y, x0, x1, row); break;
    default: break;
    }
}

void c_ScreenRow::PutPixel(HDC dc, int x, int y, int red, int green, int blue) {
    SetPixelV(dc, x, y, RGB(red, green, blue));
}

void c_ScreenRow::PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither, bool sixBitGreen) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        auto* out = (uint16_t*)pixels_;
        for (int i = 0; i < n; ++i, row += 3) {
            int red = row[2], green = row[1], blue = row[0];
            if (dither) {
                const int x = x0 + i;
                red = DitherChannel5(red, x, y);
                green = sixBitGreen ? DitherChannel6(green, x, y) : DitherChannel5(green, x, y);
                blue = DitherChannel5(blue, x, y);
            }
            out[i] = PackWord(red, green, blue, sixBitGreen);
        }
    }
    BitBlt(dc, x0, y, n, 1, memDC_, 0, 0, SRCCOPY);
}

void c_ScreenRow::PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        uint8_t* out = pixels_;
        for (int i = 0; i < n; ++i, row += 3, out += step) {
            out[redPos_] = row[2];
            out[greenPos_] = row[1];
            out[bluePos_] = row[0];
        }
    }
    BitBlt(dc, x0, y, n, 1, memDC_, 0, 0, SRCCOPY);
}

void c_ScreenRow::GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    BitBlt(memDC_, 0, 0, n, 1, dc, x0, y, SRCCOPY);
    GdiFlush();
    if (!pixels_) return;
    const auto* in = (const uint16_t*)pixels_;
    for (int i = 0; i < n; ++i, row += 3) {
        const unsigned w = in[i];
        row[0] = (uint8_t)((w & 31) * 255 / 31);
        row[1] = sixBitGreen ? (uint8_t)(((w >> 5) & 63) * 255 / 63) : (uint8_t)(((w >> 5) & 31) * 255 / 31);
        row[2] = (uint8_t)(((w >> (sixBitGreen ? 11 : 10)) & 31) * 255 / 31);
    }
}

void c_ScreenRow::GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    BitBlt(memDC_, 0, 0, n, 1, dc, x0, y, SRCCOPY);
    GdiFlush();
    if (!pixels_) return;
    const uint8_t* in = pixels_;
    for (int i = 0; i < n; ++i, row += 3, in += step) {
        row[0] = in[bluePos_];
        row[1] = in[greenPos_];
        row[2] = in[redPos_];
    }
}

void c_ScreenRow::PutRow15(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, false);
}
void c_ScreenRow::PutRow16(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, true);
}
void c_ScreenRow::PutRow24(HDC dc, int y, int x0, int x1, const uint8_t* row) { PutRowBytes(dc, y, x0, x1, row, 3); }
void c_ScreenRow::PutRow32(HDC dc, int y, int x0, int x1, const uint8_t* row) { PutRowBytes(dc, y, x0, x1, row, 4); }
void c_ScreenRow::GetRow15(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowWords(dc, y, x0, x1, row, false); }
void c_ScreenRow::GetRow16(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowWords(dc, y, x0, x1, row, true); }
void c_ScreenRow::GetRow24(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowBytes(dc, y, x0, x1, row, 3); }
void c_ScreenRow::GetRow32(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowBytes(dc, y, x0, x1, row, 4); }
