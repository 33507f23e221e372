// c_ScreenRow: the editor's one off-screen pixel row (a 16,384-pixel, one-row
// DIB section at the screen's depth, selected into its own memory DC) through
// which panels, previews and canvases write runs of 32-bit pixels to a window's
// device context and read screen pixels back, at 15, 16, 24 and 32-bit displays.
// The transfer itself is ScreenRowCore's; this unit adds the row's size and
// the tinting of screen rectangles.
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
#include "image/screen_row_core.h"

class c_ScreenRow : public ScreenRowCore {
public:
    static constexpr int kRowPixels = 16384;   // widest run written in one blit
    static constexpr int kMaxReadPixels = 2001;   // widest run GetRow reads

    c_ScreenRow() : ScreenRowCore(4, kRowPixels, 1, kMaxReadPixels) {}

    // Blends a colour into the rectangle: weight 0 leaves it, 255 fills it.
    void TintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue, int weight);
    // The same with a weight ramp: mode 0 from 0 down the rectangle toward 128,
    // mode 1 across it; any other mode is a constant weight (kept to 0..255).
    void GradientTintRect(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                          int mode);

private:
    void TintRows(HDC dc, int x0, int y0, int x1, int y1, int red, int green, int blue,
                  int rampMode, int weight);
};

// The program's one instance.
extern c_ScreenRow g_ScreenRow;
