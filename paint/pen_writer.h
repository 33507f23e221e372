// c_PenWriter: computes, for one row of a dab or fill, what the pen puts
// there in the current drawing mode (colour row, pen transparency row, protect
// row, alpha kind); holds the smudge and twist pixel buffer, the clone offset
// and the tile image, and fills and empties the brush images of the image
// brush, the effect pen and the snapshot tool.
#pragma once
#include <windows.h>

#include <cstdint>

#include "paint/pen_canvas.h"

struct DibImage;

// Presses a tool button of the second tool bar (set by the frame at start).
extern void (*PressToolButtonHook)(int command);
// Repaints the frame's colour swatch, which shows the brush image; set by the frame.
extern void (*BrushSwatchChangedHook)();

class c_PenWriter {
public:
    // One row y, columns x0..x1, of a dab or fill whose box is left, top,
    // right, bottom. A row that lies off the canvas, or that the mode cannot
    // compute, comes back fully protected (nothing is painted).
    static void MakeRow(PenCanvas* canvas, uint32_t* colour, uint8_t* penAlpha, uint8_t* protect, int y, int x0,
                        int x1, int left, int top, int right, int bottom, int* alphaKind);
    // true when MakeRow in the current mode reads no image (a plain colour).
    static bool RowsReadNoImage();
    // true when, besides, no mask plane or selection limits the rows: MakeRow's
    // rows then hold PenWord() in every entry, protect 0 on the canvas
    // (RowOnCanvas) and 255 off it, and the mix as the alpha kind.
    static bool RowsArePlain(PenCanvas* canvas);
    static bool RowOnCanvas(const PenCanvas* canvas, int y, int x0, int x1);
    static uint32_t PenWord();   // the pen colour as a colour word
    // Frees brush images 0 and 1 (2 and 3 too with all) and the roller frames;
    // image brush and snapshot off; with switchTool and the pen tool current,
    // presses tool button 20014.
    static void FreeBrushImages(int all, int switchTool);
    // Brush image 0 widened to canvas size at the current plane's offset, and
    // brush image 1 from the plane after the current one. 0 on failure (brush
    // image 0 freed).
    static int WidenEffectSource(PenCanvas* canvas);
    // Brush images 2 and 3 become copies of the current plane and its
    // transparency; the effect offset is the plane's. 0 on failure.
    static int SnapshotEffectResult(PenCanvas* canvas);
    // The snapshot tool: canvas-size copies of the current plane (and, on plane
    // 0, of its transparency) into brush images 2 and 3, mode 7, snapshot flag.
    static int TakeSnapshot(PenCanvas* canvas);
    // Rubber line from the cursor while the left button is held; sets the
    // clone offset to (start - end) x 100 / zoom percent.
    static void SetCloneOffset(PenCanvas* canvas, int zoomPercent);

    // A tool was chosen: flag 1 keeps brush images 2 and 3, 10 keeps them as
    // a snapshot, any other flag frees them; the clone tool (mode 11, all four
    // freed), the snapshot tool (a snapshot of the canvas's current plane when
    // a canvas is given, mode 7) and every other tool (mode 0); the fill tools
    // free the brush images.
    static void ToolSelected(int tool, int flag, PenCanvas* canvas);

    static int CloneOffsetX;     // -2000 at start: below -1000 means not set
    static int CloneOffsetY;     // -64 at start
    static DibImage* TileImage;  // tile of modes 6, 12 and 13; null: they paint nothing
};

// Largest dab box of the smudge and twist modes.
constexpr int kSmudgeBoxLimit = 290;
