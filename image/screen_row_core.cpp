#include "image/screen_row_core.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "image/c_dib.h"

int ScreenRowCore::Init(HWND window) { return InitDib(window, 0); }

int ScreenRowCore::InitAtDepth(HWND window, int bits) { return InitDib(window, bits); }

int ScreenRowCore::InitDib(HWND window, int bits) {
    Release();
    HDC screen = GetDC(window);
    memDC_ = CreateCompatibleDC(screen);
    if (bits <= 0) bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);

    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = rowPixels_;
    info.bmiHeader.biHeight = -dibRows_;   // top-down
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
        const int step = depth_ / 8;
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

int ScreenRowCore::Release() {
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

void ScreenRowCore::SetScreenSettings(const int* ditherFlag, const int* screenDepth) {
    ditherFlag_ = ditherFlag;
    screenDepth_ = screenDepth;
}

void ScreenRowCore::PutRow(HDC dc, int y, int x0, int x1, const uint8_t* row) {
    long long n = (long long)x1 - x0 + 1;
    if (n < 1) return;
    if (n > rowPixels_) {
        x1 = x0 + (rowPixels_ - 1);
        n = rowPixels_;
    }
    if (x1 < 0) return;
    if (x0 < 0) {
        row += (size_t)-(long long)x0 * (size_t)pixelBytes_;
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
    for (int x = x0; x <= x1; ++x, row += pixelBytes_) PutPixel(dc, x, y, row[2], row[1], row[0]);
}

void ScreenRowCore::GetRow(HDC dc, int y, int x0, int x1, uint8_t* row) {
    const long long n = (long long)x1 - x0 + 1;
    if (n < 1 || x1 < 0) return;
    int start = x0;
    if (x0 < 0) {
        row += (size_t)-(long long)x0 * (size_t)pixelBytes_;
        start = 0;
    }
    // At most the read limit, and never past the caller's last column: the
    // row holds n pixels and no more.
    x1 = (int)std::min<long long>(x1, (long long)start + readLimit_ - 1);
    switch (depth_) {
    case 15: GetRow15(dc, y, start, x1, row); break;
    case 16: GetRow16(dc, y, start, x1, row); break;
    case 24: GetRow24(dc, y, start, x1, row); break;
    case 32: GetRow32(dc, y, start, x1, row); break;
    default: break;
    }
}

void ScreenRowCore::PutPixel(HDC dc, int x, int y, int red, int green, int blue) {
    if (RecordedDepth() == 16 && DitherOn()) {
        red = DitherChannel5(red, x, y);
        green = DitherChannel6(green, x, y);
        blue = DitherChannel5(blue, x, y);
    }
    SetPixelV(dc, x, y, RGB(red, green, blue));
}

void ScreenRowCore::BlitOut(HDC dc, int y, int x0, int n) { BitBlt(dc, x0, y, n, 1, memDC_, 0, 0, SRCCOPY); }

void ScreenRowCore::BlitIn(HDC dc, int y, int x0, int n) {
    BitBlt(memDC_, 0, 0, n, 1, dc, x0, y, SRCCOPY);
    GdiFlush();
}

// Pixels of a run that fit the DIB row, 0 for an empty run.
int ScreenRowCore::RunLength(int x0, int x1) const {
    const long long n = (long long)x1 - x0 + 1;
    return n < 1 ? 0 : (int)std::min<long long>(n, rowPixels_);
}

void ScreenRowCore::PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither, bool sixBitGreen) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        auto* out = (uint16_t*)pixels_;
        for (int i = 0; i < n; ++i, row += pixelBytes_) {
            int red = row[2], green = row[1], blue = row[0];
            if (dither) {
                const int x = x0 + i;
                red = DitherChannel5(red, x, y);
                green = sixBitGreen ? DitherChannel6(green, x, y) : DitherChannel5(green, x, y);
                blue = DitherChannel5(blue, x, y);
            }
            out[i] = sixBitGreen ? (uint16_t)(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3))
                                 : (uint16_t)(((red & 0xF8) << 7) | ((green & 0xF8) << 2) | (blue >> 3));
        }
    }
    BlitOut(dc, y, x0, n);
}

void ScreenRowCore::PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    if (pixels_) {
        GdiFlush();
        uint8_t* out = pixels_;
        const int r = straight_ ? 2 : redPos_, g = straight_ ? 1 : greenPos_, b = straight_ ? 0 : bluePos_;
        for (int i = 0; i < n; ++i, row += pixelBytes_, out += step) {
            out[r] = row[2];
            out[g] = row[1];
            out[b] = row[0];
        }
    }
    BlitOut(dc, y, x0, n);
}

void ScreenRowCore::GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    BlitIn(dc, y, x0, n);
    if (!pixels_) return;
    const auto* in = (const uint16_t*)pixels_;
    for (int i = 0; i < n; ++i, row += pixelBytes_) {
        const unsigned w = in[i];
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

void ScreenRowCore::GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step) {
    const int n = RunLength(x0, x1);
    if (!n) return;
    BlitIn(dc, y, x0, n);
    if (!pixels_) return;
    const uint8_t* in = pixels_;
    for (int i = 0; i < n; ++i, row += pixelBytes_, in += step) {
        row[0] = in[bluePos_];
        row[1] = in[greenPos_];
        row[2] = in[redPos_];
    }
}

void ScreenRowCore::PutRow15(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, false);
}
void ScreenRowCore::PutRow16(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither) {
    PutRowWords(dc, y, x0, x1, row, dither, true);
}
void ScreenRowCore::PutRow24(HDC dc, int y, int x0, int x1, const uint8_t* row) { PutRowBytes(dc, y, x0, x1, row, 3); }
void ScreenRowCore::PutRow32(HDC dc, int y, int x0, int x1, const uint8_t* row) { PutRowBytes(dc, y, x0, x1, row, 4); }
void ScreenRowCore::GetRow15(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowWords(dc, y, x0, x1, row, false); }
void ScreenRowCore::GetRow16(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowWords(dc, y, x0, x1, row, true); }
void ScreenRowCore::GetRow24(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowBytes(dc, y, x0, x1, row, 3); }
void ScreenRowCore::GetRow32(HDC dc, int y, int x0, int x1, uint8_t* row) { GetRowBytes(dc, y, x0, x1, row, 4); }

namespace {

// Blend of a channel toward a colour by an 8-bit weight.
inline uint8_t TintBlend(int colour, int channel, int weight) {
    return (uint8_t)((colour * weight + channel * (255 - weight)) / 255);
}

}  // namespace

// Rows are tinted in pieces of at most the read limit, so that every column of
// a wide rectangle is read before it is blended. rampMode 0 ramps the weight
// down the rectangle, 1 across it, -1 keeps `weight`.
void ScreenRowCore::TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int rampMode,
                             int weight) {
    if (x1 < x0 || y1 < y0) return;
    std::vector<uint8_t> buffer((size_t)readLimit_ * (size_t)pixelBytes_);
    const long long width = (long long)x1 - x0 + 1;
    const long long height = (long long)y1 - y0 + 1;
    for (int y = y0; y <= y1; ++y) {
        if (rampMode == 0) weight = (int)(128 * ((long long)y - y0) / height);
        for (long long start = x0; start <= x1; start += readLimit_) {
            const int piece0 = (int)start;
            const int piece1 = (int)std::min<long long>(x1, start + readLimit_ - 1);
            GetRow(dc, y, piece0, piece1, buffer.data());
            for (int x = piece0; x <= piece1; ++x) {
                if (rampMode == 1) weight = (int)(128 * ((long long)x - x0) / width);
                uint8_t* p = buffer.data() + (size_t)(x - piece0) * (size_t)pixelBytes_;
                p[0] = TintBlend(blue, p[0], weight);
                p[1] = TintBlend(green, p[1], weight);
                p[2] = TintBlend(red, p[2], weight);
            }
            PutRow(dc, y, piece0, piece1, buffer.data());
        }
    }
}

void ScreenRowCore::TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight) {
    TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(weight, 0, 255));
}

void ScreenRowCore::GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int mode) {
    if (mode == 0 || mode == 1)
        TintRows(dc, x0, y0, x1, y1, red, green, blue, mode, 0);
    else
        TintRows(dc, x0, y0, x1, y1, red, green, blue, -1, std::clamp(mode, 0, 255));
}
