// A small canvas for the pen: layers of plain images in the program's store,
// a PenCanvas over them, counters of the document services a stroke calls,
// and helpers to read pixels back.
#pragma once
#include <cstdint>
#include <vector>

#include "image/vms_store.h"
#include "paint/pen_canvas.h"
#include "paint/pen_state.h"

namespace painttest {

struct TestCanvas {
    TestCanvas(int width, int height, int layers = 1, uint32_t fill = 0x00FFFFFF, bool alpha = true);
    ~TestCanvas();
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;

    // Adds an 8-bit mask plane n (2..7) of the layer with every byte = value.
    VmsImage* AddMask(int layer, int n, int value);
    uint32_t Pixel(int x, int y, int plane = 0);   // words with the fourth byte cleared
    int Value(int x, int y, int plane);             // 8-bit plane of the current layer
    void SetPixel(int x, int y, uint32_t word);
    void SetAlpha(int x, int y, int value);
    std::vector<uint32_t> Snapshot();               // current plane, all pixels

    PenCanvas view = {};
    std::vector<LayerPlane> planes;
    int savePoints = 0;
    int modified = 0;
    std::vector<uint8_t> selection;   // empty: no selection
};

// Pen state for a test: colour, opacity 255, density 255, mode 0, the given
// radius and tip shape, tool pen; tip rendered.
void SetPen(int r, int g, int b, double radius, int shape);

}  // namespace painttest
