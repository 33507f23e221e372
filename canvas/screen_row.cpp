#include "canvas/screen_row.h"

#include <algorithm>
#include <cstring>

#include "ui/msgbox.h"
#include "image/c_dib.h"

c_ScreenRow g_ScreenRow;

namespace {

// Blend of a channel toward a colour by an 8-bit weight.
inline uint8_t Blend(int colour, int channel, int weight) {
    return (uint8_t)((colour * weight + channel * (255 - weight)) / 255);
}

}  // namespace

int c_ScreenRow::Init(HWND window) { return InitDib(window, 0); }

int c_ScreenRow::InitAtDepth(HWND window, int bits) { return InitDib(window, bits); }

int c_ScreenRow::InitDib(HWND window, int bits) {
    Release();
    HDC screen = GetDC(window);
    memDC_ = CreateCompatibleDC(screen);
    if (bits <= 0) bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);

    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kRowPixels;
    info.bmiHeader.biHeight = -1;   // one row, top-down
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
    redPos_ = greenPos_ = bluePos_ = 0;
    straight_ = 0;
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
        int step = depth_ / 8;
        for (int i = 0; i < 3; ++i) SetPixel(memDC_, i, 0, probes[i]);
        GdiFlush();
        for (int i = 0; i < 3; ++i)
            for (int b = 0; b < 3; ++b)
                if (pixels_[i * step + b]) *positions[i] = b;
        straight_ = redPos_ == 2 && greenPos_ == 1 && bluePos_ == 0;
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

void c_ScreenRow::SetScreenSettings(const int* ditherFlag, const int* screenDepth) {
    ditherFlag_ = ditherFlag;
    screenDepth_ = screenDepth;
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
        row += (size_t)-(long long)x0 * 4;
        x0 = 0;
    }
    // The threshold counts the run as asked, before the clip at column 0.
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
    for (int x = x0; x <= x1; ++x, row += 4) PutPixel(dc, x, y, row[2], row[1], row[0]);
}

void c_ScreenRow::GetRow(HDC dc, int y, int x0, int x1, uint8_t* row) {
    long long n = (long long)x1 - x0 + 1;
    if (n < 1 || x1 < 0) return;
    int start = x0;
    if (x0 < 0) {
        row += (size_t)-(long long)x0 * 4;
        start = 0;
    }
    // At most 2,001 columns, and never past the caller's last column: the row
    // holds n pixels and no more.
    if (n > kMaxReadPixels - 1) x1 = std::min(x1, start + (kMaxReadPixels - 1));
    switch (depth_) {
    case 15: GetRow15(dc, y, start, x1, row); break;
    case 16: GetRow16(dc, y, start, x1, row); break;
    case 24: GetRow24(dc, y, start, x1, row); break;
    case 32: GetRow32(dc, y, start, x1, row); break;
    default: break;
    }
}

void c_ScreenRow::PutPixel(HDC dc, int x, int y, int red, int green, int blue) {
    if (RecordedDepth() == 16 && DitherOn()) {
        red = DitherChannel5(red, x, y);
        green = DitherChannel6(green, x, y);
        blue = DitherChannel5(blue, x, y);
    }
    SetPixelV(dc, x, y, RGB(red, green, blue));
}

void c_ScreenRow::BlitOut(HDC dc, int y, int x0, int n) {
    BitBlt(dc, x0, y, n, 1, memDC_, 0, 0, SRCCOPY);
}

void c_ScreenRow::BlitIn(HDC dc, int y, int x0, int n) {
    BitBlt(memDC_, 0, 0, n, 1, dc, x0, y, SRCCOPY);
    GdiFlush();
}

// Pixels of a run that fit the DIB row, 0 for an empty run.
static int RunLength(int x0, int x1) {
    long long n = (long long)x1 - x0 + 1;
    return n < 1 ? 0 : (int)std::min<long long>(n, c_ScreenRow::kRowPixels);
}

void c_ScreenRow::PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither,
                              bool sixBitGreen) {
    int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        auto* out = (uint16_t*)pixels_;
        for (int i = 0; i < n; ++i, row += 4) {
            int red = row[2], green = row[1], blue = row[0];
            if (dither) {
                int x = x0 + i;
                red = DitherChannel5(red, x, y);
                green = sixBitGreen ? DitherChannel6(green, x, y) : DitherChannel5(green, x, y);
                blue = DitherChannel5(blue, x, y);
            }
            out[i] = sixBitGreen
                         ? (uint16_t)(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3))
                         : (uint16_t)(((red & 0xF8) << 7) | ((green & 0xF8) << 2) | (blue >> 3));
        }
    }
    BlitOut(dc, y, x0, n);
}

void c_ScreenRow::PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step) {
    int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        uint8_t* out = pixels_;
        if (straight_) {
            for (int i = 0; i < n; ++i, row += 4, out += step) {
                out[0] = row[0];
                out[1] = row[1];
                out[2] = row[2];
            }
        } else {
            for (int i = 0; i < n; ++i, row += 4, out += step) {
                out[redPos_] = row[2];
                out[greenPos_] = row[1];
                out[bluePos_] = row[0];
            }
        }
    }
    BlitOut(dc, y, x0, n);
}

void c_ScreenRow::PutRow15(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, false);
}
void c_ScreenRow::PutRow16(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, true);
}
void c_ScreenRow::PutRow24(HDC dc, int y, int x0, int x1, const uint8_t* row) {
    PutRowBytes(dc, y, x0, x1, row, 3);
}
void c_ScreenRow::PutRow32(HDC dc, int y, int x0, int x1, const uint8_t* row) {
    PutRowBytes(dc, y, x0, x1, row, 4);
}

void c_ScreenRow::GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen) {
    int n = RunLength(x0, x1);
    if (!n) return;
    BlitIn(dc, y, x0, n);
    if (!pixels_) return;
    const auto* in = (const uint16_t*)pixels_;
    for (int i = 0; i < n; ++i, row += 4) {
        unsigned w = in[i];
        row[0] = (uint8_t)((w & 31) * 255 / 31);
        if (sixBitGreen) {
            row[1] = (uint8_t)(((w >> 5) & 63) * 255 / 63);
            row[2] = (uint8_t)(((w >> 11) & 31) * 255 / 31);
        } else {
            row[1] = (uint8_t)(((w >> 5) & 31) * 255 / 31);
            row[2] = (uint8_t)(((w >> 10) & 31) * 255 / 31);
        }
    }
}

void c_ScreenRow::GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step) {
    int n = RunLength(x0, x1);
    if (!n) return;
    BlitIn(dc, y, x0, n);
    if (!pixels_) return;
    const uint8_t* in = pixels_;
    for (int i = 0; i < n; ++i, row += 4, in += step) {
        row[0] = in[bluePos_];
        row[1] = in[greenPos_];
        row[2] = in[redPos_];
    }
}

void c_ScreenRow::GetRow15(HDC dc, int y, int x0, int x1, uint8_t* row) {
    GetRowWords(dc, y, x0, x1, row, false);
}
void c_ScreenRow::GetRow16(HDC dc, int y, int x0, int x1, uint8_t* row) {
    GetRowWords(dc, y, x0, x1, row, true);
}
void c_ScreenRow::GetRow24(HDC dc, int y, int x0, int x1, uint8_t* row) {
    GetRowBytes(dc, y, x0, x1, row, 3);
}
void c_ScreenRow::GetRow32(HDC dc, int y, int x0, int x1, uint8_t* row) {
    GetRowBytes(dc, y, x0, x1, row, 4);
}

// Rows are tinted in pieces of at most 2,001 columns, the most GetRow reads at
// once, so that every column of a wide rectangle is read before it is blended.
// rampMode 0 ramps the weight down the rectangle, 1 across it, -1 keeps `weight`.
void c_ScreenRow::TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                           int rampMode, int weight) {
    if (x1 < x0 || y1 < y0) return;
    uint8_t buffer[kMaxReadPixels * 4];
    std::memset(buffer, 0, sizeof buffer);
    const long long width = (long long)x1 - x0 + 1;
    const long long height = (long long)y1 - y0 + 1;
    for (int y = y0; y <= y1; ++y) {
        if (rampMode == 0) weight = (int)(128 * ((long long)y - y0) / height);
        for (long long start = x0; start <= x1; start += kMaxReadPixels) {
            int piece0 = (int)start;
            int piece1 = (int)std::min<long long>(x1, start + kMaxReadPixels - 1);
            GetRow(dc, y, piece0, piece1, buffer);
            for (int x = piece0; x <= piece1; ++x) {
                if (rampMode == 1) weight = (int)(128 * ((long long)x - x0) / width);
                uint8_t* p = buffer + (size_t)(x - piece0) * 4;
                p[0] = Blend(blue, p[0], weight);
                p[1] = Blend(green, p[1], weight);
                p[2] = Blend(red, p[2], weight);
            }
            PutRow(dc, y, piece0, piece1, buffer);
        }
    }
}

void c_ScreenRow::TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                           int weight) {
    TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(weight, 0, 255));
}

void c_ScreenRow::GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green,
                                   int blue, int mode) {
    if (mode == 0 || mode == 1)
        TintRows(dc, x0, y0, x1, y1, red, green, blue, mode, 0);
    else
        TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(mode, 0, 255));
}
