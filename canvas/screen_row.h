// c_ScreenRow: the editor's one off-screen pixel row (a 16,384-pixel, one-row
// DIB section at the screen's depth, selected into its own memory DC) through
// which panels, previews and canvases write runs of 32-bit pixels to a window's
// device context and read screen pixels back, at 15, 16, 24 and 32-bit displays.
// The transfer and the tinting of screen rectangles are ScreenRowCore's; this
// unit gives it the editor's sizes.
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

#include "image/screen_row_core.h"

class c_ScreenRow : public ScreenRowCore {
public:
    static constexpr int kRowPixels = 16384;   // widest run written in one blit
    static constexpr int kMaxReadPixels = 2001;   // widest run GetRow reads

    c_ScreenRow() : ScreenRowCore(4, kRowPixels, 1, kMaxReadPixels) {}
};

// The program's one instance.
extern c_ScreenRow g_ScreenRow;
