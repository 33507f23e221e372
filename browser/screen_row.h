// c_ScreenRow of the browser: its one off-screen pixel row (a DIB section of
// 2,048 pixels and two rows at the screen's depth, in its own memory DC)
// through which rows of 24-bit pixels are written to a window's device
// context and read back from it, at 15, 16, 24 and 32-bit displays, and
// through which screen rectangles are tinted. The transfer and the tints are
// ScreenRowCore's; this unit gives it the browser's sizes.
//
// Rows exchanged with callers are 3-byte pixels: blue, green, red. Element 0
// of a caller's row belongs to column x0, also when x0 is negative. Columns
// x0..x1 are inclusive, in the target DC's pixels. A run written holds at
// most 2,048 pixels (the rest is not drawn); a run read back at most 2,000.
// The 15 and 16-bit output dither by the flag at offset 52 of the browser's
// settings (SetScreenSettings); single pixels are written as they are.
//
// Only the user-interface thread uses it: every caller shares the one DIB.
#pragma once
#include <windows.h>

#include "image/screen_row_core.h"

class c_ScreenRow : public ScreenRowCore {
public:
    static constexpr int kRowPixels = 2048;      // widest run written
    static constexpr int kMaxReadPixels = 2000;  // widest run read back

    c_ScreenRow() : ScreenRowCore(3, kRowPixels, 2, kMaxReadPixels) {}
};

// The browser's one instance: made with the frame, freed when it goes.
extern c_ScreenRow g_ScreenRow;
