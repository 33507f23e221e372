// The pen tip: rendering the two coverage planes (high and low byte of a
// 16-bit coverage) of the current shape and radii, building them from the
// current stored pen, and c_PenTip, which hands the tip to the dab code.
#pragma once
#include <cstdint>
#include <vector>

struct DibImage;

// TipShape: shape of each stored tip kind (kinds 4..6 are the edge pen).
extern const int32_t TipShape[7];
constexpr int kShapeEdgePen = 20;
constexpr int kShapeSolidBox = 10;

// Optional 8-bit brush bitmap used as tip while BrushBitmapOn is set.
extern DibImage* BrushBitmap;
extern int BrushBitmapOn;

// Loads the radii and shape from the current PenRecord when load is set,
// renders the tip and turns it by the pen's tip angle.
void BuildPenTip(int phase, int load);
// Frees and recreates both planes for the current shape and radii.
void RenderPenTip(int phase);
void FreePenTip();

// A tip as flat byte blocks, row after row.
struct TipMask {
    std::vector<uint8_t> high, low;
    int width = 0, height = 0;
    uint8_t High(int i, int row) const {   // 0 outside
        return i < 0 || row < 0 || i >= width || row >= height ? 0 : high[row * width + i];
    }
};

class c_PenTip {
public:
    // The tip the dab code uses (image brush block, brush bitmap or tip planes),
    // kept between dabs: it is read again from its images when the source, the
    // images or their sizes change, and after every rendering, turn or release
    // of the tip planes (random shapes render a new tip every dab). Valid until
    // the next call.
    static const TipMask& GetTipMask();
    // Code that changes the pixels of the tip planes or of BrushBitmap in place
    // calls this before the next dab.
    static void TipChanged();
    // Pen size in pixels: the smaller side of the brush or tip.
    static int GetSize();
};

// The byte at (i, row) of a width x height array, 0 outside it.
inline int GetMaskValue(int i, int row, int width, int height, const uint8_t* bytes) {
    return i < 0 || row < 0 || i >= width || row >= height ? 0 : bytes[row * width + i];
}
