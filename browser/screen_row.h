// c_ScreenRow of the browser: its one off-screen pixel row (a DIB section of
// 2,048 pixels and two rows at the screen's depth, in its own memory DC)
// through which rows of 24-bit pixels are written to a window's device
// context and read back from it, at 15, 16, 24 and 32-bit displays. It owns
// the DIB section, the memory DC and the probed pixel layout.
//
// Rows exchanged with callers are 3-byte pixels: blue, green, red. Element 0
// of a caller's row belongs to column x0, also when x0 is negative. Columns
// x0..x1 are inclusive, in the target DC's pixels. A run written holds at
// most 2,048 pixels (the rest is not drawn); a run read back at most 2,000.
//
// Only the user-interface thread uses it: every caller shares the one DIB.
#pragma once
#include <windows.h>

#include <cstdint>

class c_ScreenRow {
public:
    static constexpr int kRowPixels = 2048;      // widest run written
    static constexpr int kMaxReadPixels = 2000;  // widest run read back
    static constexpr int kBlitThreshold = 20;    // shorter runs go pixel by pixel

    // Makes the DIB and memory DC for the screen `window` is on and probes the
    // depth and byte order. A DIB section that cannot be made is reported
    // ("ERROR1", caption "error") and the object goes on without pixels.
    int Init(HWND window);
    // Test seam: the same with the DIB made at `bits` per pixel (16, 24 or 32)
    // instead of the screen's depth.
    int InitAtDepth(HWND window, int bits);
    int Release();

    // Where the flag of the 15 and 16-bit output lives (the settings field at
    // offset 52); null: off. Set once when the frame is made.
    void SetDitherFlag(const int32_t* flag) { ditherFlag_ = flag; }

    void PutRow(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void GetRow(HDC dc, int y, int x0, int x1, uint8_t* row);
    void PutPixel(HDC dc, int x, int y, int red, int green, int blue);

    // Depth-specific halves of PutRow and GetRow (columns already clipped).
    void PutRow15(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither);
    void PutRow16(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither);
    void PutRow24(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void PutRow32(HDC dc, int y, int x0, int x1, const uint8_t* row);
    void GetRow15(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow16(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow24(HDC dc, int y, int x0, int x1, uint8_t* row);
    void GetRow32(HDC dc, int y, int x0, int x1, uint8_t* row);

    int Depth() const { return depth_; }   // 15, 16, 24, 32 (other: no output)
    bool Ready() const { return pixels_ != nullptr; }

private:
    int InitDib(HWND window, int bits);
    int DitherOn() const { return ditherFlag_ && *ditherFlag_ ? 1 : 0; }
    void PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither, bool sixBitGreen);
    void GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen);
    void PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step);
    void GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step);

    uint8_t* pixels_ = nullptr;     // the DIB's bits (two rows, top-down)
    HBITMAP bitmap_ = nullptr;
    HDC memDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;   // restored into memDC_ at release
    int redPos_ = 2, greenPos_ = 1, bluePos_ = 0;
    int depth_ = 0;
    const int32_t* ditherFlag_ = nullptr;
};

// The browser's one instance: made with the frame, freed when it goes.
extern c_ScreenRow g_ScreenRow;
