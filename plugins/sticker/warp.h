// The styles of Sticker.dll's text: each a warp of the flat glyph coverage.
// The flat ink's bounding box is the unit strip [0, length] x [0, 1] (one unit
// the ink's height, t growing downwards); a style maps it onto the plane
// (swelling columns, shifted columns, text along a circle) and the warped ink
// is drawn into the target by inverse mapping, bilinear sampling of the flat
// coverage, scaled down to fit inside the target's margin and centred.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One-byte coverage, rows top-down (0 none .. 255 full).
struct Coverage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;

    Coverage(int w, int h) : width(w), height(h), pixels((size_t)w * h, 0) {}
    int At(int x, int y) const { return pixels[(size_t)y * width + x]; }
    uint8_t& Ref(int x, int y) { return pixels[(size_t)y * width + x]; }
};

// Warps the flat glyph coverage by a style code (10 swell in the centre, 11
// pinch in the centre, 12 and 13 grow to the right / left, 14 and 15 arch up /
// down, or wave and inverse wave when scale2 asks for more than one half turn,
// 16 and 17 rise / fall to the right, 100 around a circle, 101 and 102 over
// the upper / under the lower half of a circle) into out, which has the flat
// coverage's size. The warped ink is scaled down to fit inside the target less
// margin pixels on every side, never up. Any other code, and a coverage
// without ink, is copied flat.
void WarpCoverage(const Coverage& flat, int code, double scale1, double scale2, int margin, Coverage* out);
