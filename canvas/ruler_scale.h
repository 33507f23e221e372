// The scale of the rulers: which image columns get a tick, of which kind, and
// which ticks get a number, for a unit (pixels, millimetres, inches), a
// resolution and a zoom. Pure arithmetic; canv_ruler.cpp draws it.
#pragma once
#include <vector>

enum : int { RulerNone = 0, RulerPixels = 1, RulerMillimetres = 2, RulerInches = 3 };

// Tick value t and label number n of image column c. t counts pixels, half
// millimetres or fiftieths of an inch; kind 2 (major) when t is a multiple of
// 50, else 1 (minor) when a multiple of 10, else 0. A resolution below 1 dpi
// counts as 96.
struct RulerMark {
    int tick;
    int label;
    int kind;
};
RulerMark GetRulerMark(int column, int unit, int dpi);

// One tick to draw.
struct RulerTick {
    int position;      // display position along the ruler
    int kind;          // 1 minor, 2 major
    int label;         // number written next to it
    bool labelShown;   // a label is drawn (kind 2; kind 1 from 500 % zoom), at
                       // least 21 pixels from the previous one
};

// The ticks of columns 0..count-1 whose display positions are positions[c],
// in column order. A column whose tick value repeats the previous column's
// draws nothing.
std::vector<RulerTick> LayoutRuler(const std::vector<int>& positions, int unit, int dpi, double zoom);
