// The pictures of the adjustment dialogs' preview windows: the layer shown
// over white by its transparency, the fitted overview, and the detail frame
// that the user drags over the overview to choose which part of the layer
// the panel shows at full size.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

struct VmsImage;

// Each colour byte v of the 32-bit image, with the transparency t (0
// transparent .. 255 opaque) of the 8-bit image at the same pixel, becomes
// min(255, P[v][t] + 255 - t). Nothing happens without a transparency image
// or when the sizes differ.
void CompositeOverWhite(VmsImage* image, const VmsImage* alpha);

// The transparency plane of the current plane: the plane after it when the
// current plane is a layer's image plane, else null (nothing is composited).
const LayerPlane* TransparencyPlaneOf(const CanvDoc* doc);

// An 8-bit image w x h of the transparency under the current plane's pixels
// x..x+w-1, y..y+h-1 (plane coordinates), or null when there is no
// transparency plane (or no memory).
VmsImage* ReadTransparency(const CanvDoc* doc, int x, int y, int w, int h);

// The fitted overview of the layer image for a preview window of the client
// size cw x ch (16 pixels less each way), composited over white. With
// source/alpha given, the uncomposited fitted copy and the fitted
// transparency (null without a plane) are handed out too.
VmsImage* MakeOverview(const CanvDoc* doc, const VmsImage* layerImage, int cw, int ch, VmsImage** source = nullptr,
                       VmsImage** alpha = nullptr);

// The detail frame of an overview: which part of the layer (its size lw x lh)
// the panel's preview control (cw x ch) shows. Positions are in overview
// pixels; the layer rectangle follows from them.
struct DetailFrame {
    int originX = 0, originY = 0;      // frame origin on the overview
    int overviewW = 0, overviewH = 0;
    int layerW = 0, layerH = 0;
    int controlW = 0, controlH = 0;
    // Set while dragging: the cursor's offset from the frame origin.
    int dragging = 0, grabX = 0, grabY = 0;

    void Reset(int ovW, int ovH, int lw, int lh, int cw, int ch);
    // Detail size in layer pixels: the control's, at most the layer's.
    int DetailW() const { return controlW < layerW ? controlW : layerW; }
    int DetailH() const { return controlH < layerH ? controlH : layerH; }
    // Frame size on the overview.
    int FrameW() const;
    int FrameH() const;
    // Detail origin in layer pixels (the frame origin scaled to the layer,
    // kept so that the detail stays on the layer).
    int LayerX() const;
    int LayerY() const;
    // Moves the frame origin, clamped so that the frame stays on the overview.
    void MoveTo(int x, int y);
};

// Mouse handling of a detail-preview window whose overview is drawn at
// (left, top) of its client area. Returns 1 when the message was a drag
// message it took; *released is set when a drag ended (the detail must be
// remade). The inverted frame is erased and redrawn as it moves.
int DetailFrameMouse(HWND wnd, UINT msg, LPARAM lp, DetailFrame* frame, int left, int top, int* released);
// Draws the inverted frame (a second call erases it).
void DrawDetailFrame(HDC dc, const DetailFrame& frame, int left, int top);

// The messages of a detail-preview window that shows the layer image of doc:
// WM_SIZE remakes the fitted overview and fits the frame to it, WM_PAINT draws
// the overview centred with its frame, and the drag messages move the frame.
// Returns 1 when the window is done with the message; *released is set when a
// drag ended (the detail must be remade).
int DetailViewMessage(HWND wnd, UINT msg, LPARAM lp, const CanvDoc* doc, const VmsImage* layerImage,
                      VmsImage** overview, DetailFrame* frame, int* released);

// The detail under the frame: a 32-bit copy of the layer image's part, and
// its transparency (null without a plane); the picture itself is not
// composited.
VmsImage* CropDetail(const VmsImage* layerImage, const DetailFrame& frame);
VmsImage* CropDetailAlpha(const CanvDoc* doc, const DetailFrame& frame);

// A copy of a 32-bit image (null on failure).
VmsImage* CopyImage(const VmsImage* image);

// The child window that shows a picture at its top left on white (the
// panels' preview control 1001). The picture is not owned.
HWND CreatePictureControl(HWND parent, int x, int y, int w, int h, int id);
void SetPictureControlImage(HWND control, const VmsImage* image);
const VmsImage* PictureControlImage(HWND control);
