// c_ScreenRow: the program's one off-screen pixel row (a 16,384-pixel, one-row
// DIB section at the screen's depth, selected into its own memory DC) through
// which panels, previews and canvases write runs of 32-bit pixels to a window's
// device context and read screen pixels back, at 15, 16, 24 and 32-bit displays.
// It owns the DIB section, the memory DC and the probed pixel layout.
//
// Rows exchanged with callers are 4-byte pixels: byte 0 blue, byte 1 green,
// byte 2 red; byte 3 is never read and never written. Element 0 of a caller's row
// belongs to column x0, also when x0 is negative. Columns x0..x1 and rows y0..y1
// are inclusive, in the target DC's pixels.
//
// Only the user-interface thread uses it: all callers share the one DIB row.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/c_dib.h"   // DitherChannel5, DitherChannel6

class c_ScreenRow {
public:
    static constexpr int kRowPixels = 16384;   // widest run written in one blit
    static constexpr int kMaxReadPixels = 2001;   // widest run GetRow reads
    static constexpr int kBlitThreshold = 20;  // shorter runs go pixel by pixel

    // Makes the DIB row and memory DC for the screen `window` is on and probes
    // the depth and byte order. A DIB section that cannot be made is reported
    // ("ERROR1", caption "error") and the object goes on without pixels. Returns 1.
    int Init(HWND window);
    // Test seam: the same with the DIB row made at `bits` per pixel (16, 24 or
    // 32) instead of the screen's depth, so that every conversion can be checked
    // on one display.
    int InitAtDepth(HWND window, int bits);
    // Frees the DIB section and memory DC and clears the fields. Returns 1.
    int Release();

    // The frame hands down, once at start-up, where two of its settings live:
    // the dither option of 16-bit screens (a flag of the settings block) and
    // the screen depth recorded at start-up, which PutPixel uses. Either may be
    // null (no dither; depth unknown).
    void SetScreenSettings(const int* ditherFlag, const int* screenDepth);

    void PutRow(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void GetRow(HDC dc, int y, int x0, int x1, uint8_t* row);
    // One pixel through SetPixelV, dithered on a 16-bit screen with the option on.
    void PutPixel(HDC dc, int x, int y, int red, int green, int blue);

    // Depth-specific halves of PutRow and GetRow (columns already clipped at 0).
    void PutRow15(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither);
    void PutRow16(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither);
    void PutRow24(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void PutRow32(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void GetRow15(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow16(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow24(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow32(HDC dc, int y, int x0, int x1, uint8_t* row);

    // Blends a colour into the rectangle: weight 0 leaves it, 255 fills it.
    void TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight);
    // The same with a weight ramp: mode 0 from 0 down the rectangle toward 128,
    // mode 1 across it; any other mode is a constant weight (kept to 0..255).
    void GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                          int mode);

    int Depth() const { return depth_; }           // 15, 16, 24, 32 (other: no output)
    bool StraightOrder() const { return straight_ != 0; }
    // Byte of a DIB pixel where red, green and blue land (24 and 32 bits).
    int RedPos() const { return redPos_; }
    int GreenPos() const { return greenPos_; }
    int BluePos() const { return bluePos_; }

private:
    int InitDib(HWND window, int bits);
    int DitherOn() const { return ditherFlag_ && *ditherFlag_ ? 1 : 0; }
    int RecordedDepth() const { return screenDepth_ ? *screenDepth_ : 0; }
    // Blits the first n pixels of the DIB row to (x0, y) of dc, or reads them.
    void BlitOut(HDC dc, int y, int x0, int n);
    void BlitIn(HDC dc, int y, int x0, int n);
    void PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither, bool sixBitGreen);
    void GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen);
    void PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step);
    void GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step);
    void TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                  int rampMode, int weight);

    uint8_t* pixels_ = nullptr;     // the DIB row's bits
    HBITMAP bitmap_ = nullptr;      // the DIB section
    HDC memDC_ = nullptr;           // memory DC holding the DIB section
    HGDIOBJ oldBitmap_ = nullptr;   // restored into memDC_ at release
    int redPos_ = 0, greenPos_ = 0, bluePos_ = 0;
    int depth_ = 0;
    int straight_ = 0;              // red in byte 2, green 1, blue 0
    const int* ditherFlag_ = nullptr;
    const int* screenDepth_ = nullptr;
};

// The program's one instance.
extern c_ScreenRow g_ScreenRow;
