// ScreenRowCore: the pixel-row transfer that both programs' screen rows are
// made of. It owns an off-screen DIB section at the screen's depth (or a
// depth a test names), selected into its own memory DC, probes where red,
// green and blue land in its pixels, and moves runs of caller pixels (three
// or four bytes each: blue, green, red, and a fourth byte never read or
// written) to a device context and back at 15, 16, 24 and 32 bits. The
// editor's rows are 4-byte pixels through a 16,384 x 1 DIB; the browser's
// 3-byte pixels through a 2,048 x 2 DIB.
//
// Columns x0..x1 are inclusive, in the target DC's pixels; element 0 of a
// caller's row belongs to column x0, also when x0 is negative. Only the
// user-interface thread uses an instance: every caller shares its one DIB.
#pragma once
#include <windows.h>

#include <cstdint>

class ScreenRowCore {
public:
    // Makes the DIB and memory DC for the screen `window` is on and probes the
    // depth and byte order. A DIB section that cannot be made is reported
    // ("ERROR1", caption "error") and the object goes on without pixels. Returns 1.
    int Init(HWND window);
    // Test seam: the same with the DIB made at `bits` per pixel (16, 24 or 32)
    // instead of the screen's depth, so that every conversion can be checked
    // on one display.
    int InitAtDepth(HWND window, int bits);
    // Frees the DIB section and memory DC and clears the fields. Returns 1.
    int Release();

    // Where the dither option of 15 and 16-bit output lives, and the screen
    // depth recorded at start-up that single-pixel writes dither for (16).
    // Either may be null (no dither; single pixels never dithered).
    void SetScreenSettings(const int* ditherFlag, const int* screenDepth);

    // Writes columns x0..x1 (at most the DIB's width; runs shorter than 20
    // pixels go pixel by pixel), or reads them back (at most the read limit).
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

    // Blends a colour into the rectangle (rows y0..y1 inclusive): weight 0
    // leaves it, 255 fills it.
    void TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight);
    // The same with a weight ramp: mode 0 from 0 down the rectangle toward 128,
    // mode 1 across it; any other mode is a constant weight (kept to 0..255).
    void GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int mode);

    int Depth() const { return depth_; }           // 15, 16, 24, 32 (other: no output)
    bool Ready() const { return pixels_ != nullptr; }
    bool StraightOrder() const { return straight_ != 0; }
    // Byte of a DIB pixel where red, green and blue land (24 and 32 bits).
    int RedPos() const { return redPos_; }
    int GreenPos() const { return greenPos_; }
    int BluePos() const { return bluePos_; }

    static constexpr int kBlitThreshold = 20;   // shorter runs go pixel by pixel

protected:
    // pixelBytes: 3 or 4 bytes a caller pixel; rowPixels x dibRows: the DIB;
    // readLimit: the most columns one GetRow reads.
    ScreenRowCore(int pixelBytes, int rowPixels, int dibRows, int readLimit)
        : pixelBytes_(pixelBytes), rowPixels_(rowPixels), dibRows_(dibRows), readLimit_(readLimit) {}
    ~ScreenRowCore() = default;

private:
    int InitDib(HWND window, int bits);
    int DitherOn() const { return ditherFlag_ && *ditherFlag_ ? 1 : 0; }
    int RecordedDepth() const { return screenDepth_ ? *screenDepth_ : 0; }
    int RunLength(int x0, int x1) const;
    void BlitOut(HDC dc, int y, int x0, int n);
    void BlitIn(HDC dc, int y, int x0, int n);
    void PutRowWords(HDC dc, int y, int x0, int x1, const uint8_t* row, int dither, bool sixBitGreen);
    void GetRowWords(HDC dc, int y, int x0, int x1, uint8_t* row, bool sixBitGreen);
    void PutRowBytes(HDC dc, int y, int x0, int x1, const uint8_t* row, int step);
    void GetRowBytes(HDC dc, int y, int x0, int x1, uint8_t* row, int step);
    void TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int rampMode, int weight);

    const int pixelBytes_, rowPixels_, dibRows_, readLimit_;
    uint8_t* pixels_ = nullptr;     // the DIB's bits (top-down)
    HBITMAP bitmap_ = nullptr;      // the DIB section
    HDC memDC_ = nullptr;           // memory DC holding the DIB section
    HGDIOBJ oldBitmap_ = nullptr;   // restored into memDC_ at release
    int redPos_ = 0, greenPos_ = 0, bluePos_ = 0;
    int depth_ = 0;
    int straight_ = 0;              // red in byte 2, green 1, blue 0
    const int* ditherFlag_ = nullptr;
    const int* screenDepth_ = nullptr;
};
