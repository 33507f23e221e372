// c_SelectionTool: the one selection-tool object of the editor. It serves every
// document: what belongs to a document (its shape slots, its SelectionMask, its
// maskPending flag) lives in the CanvDoc; what can exist only once (the Bézier
// path being edited, the floating image of a paste, a polygon being drawn)
// lives here. Every operation takes the document first.
//
// This header is the door the canvas, the frame and the other subsystems use:
// mouse dispatch of the selection and shape tools, commit and deselection,
// the selection commands, the outline drawing, the path state of inactive
// documents. The mask itself is in select/sel_mask.h, the floating image in
// select/floating.h, paths in select/sel_path.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"

// What follows a finished shape: 0 nothing, 1 the pen strokes its outline,
// 2 the pen fills it; either way the shape is then deselected. 0 at start.
extern int SelAfterShapeOption;
// Settings the selection code reads that nothing stores: fixed values.
constexpr int kSelRegionTolerance = 20;     // colour-region tolerance
constexpr int kSelRegionSource = -2;        // -2 composite, -1 current plane, n layer n
constexpr int kSelRegionSourcePlane = 0;

class c_SelectionTool {
public:
    // ---- mouse (display-surface events; the canvas calls these)
    // Left button pressed: 1 when the current tool is one of the selection or
    // shape tools (the press is then handled), else 0.
    static int OnMouseDown(CanvDoc* doc);
    // The canvas host's toolMouse shape: event 0 left, 1 right, 2 double click.
    static int OnMouseEvent(CanvDoc* doc, int event, int x, int y);
    // Mouse moved over the display: the hit-test cursor of the current tool and
    // the rubber band of a polygon or edge lasso being drawn.
    static void UpdateCursor(CanvDoc* doc);
    // Right button or double click on a shape: 1 when handled.
    static int ShowShapeMenu(CanvDoc* doc);
    // Right button near the selection: the area menu; 1 when a command was sent.
    static int ShowAreaMenu(CanvDoc* doc);

    // ---- shapes and the mask
    // Turns the current shape (slot 5) into the mask and copies it to slot 0.
    static void CommitShape(CanvDoc* doc, int repaint);
    static void Deselect(CanvDoc* doc);
    static void SelectAll(CanvDoc* doc);
    static void SelectLayerArea(CanvDoc* doc);
    // Area (1 when the shape selects an area) and outline (1 when it can be stroked).
    static void GetShapeKind(CanvDoc* doc, int* area, int* outline);
    static void AfterShape(CanvDoc* doc);
    // XOR drawing of the current shape, its handles and the layer frames on dc
    // (null: the display's own DC). Drawing twice erases.
    static void DrawOutline(CanvDoc* doc, HDC dc);
    // Erases a polygon or edge lasso being drawn on the document and drops it.
    static void EraseUnfinishedOutline(CanvDoc* doc);
    // After the display rectangle `paint` (display coordinates, inclusive) was
    // rendered from the layers: the outline and the floating image over it, on
    // a DC clipped to that rectangle.
    static void PaintOverlays(CanvDoc* doc, HDC dc, const RECT& paint);
    // The Cut command's clearing step after the copy: an undo checkpoint, then
    // the selected part of the current layer cleared (MaskToLayerAlpha).
    static void ClearSelection(CanvDoc* doc, int penOpacity);
    // The area-blur rebuild run before most canvas commands when maskPending is
    // set: modes 0 free the mask; modes 100 and 20007 keep and soften the mask;
    // other shapes are committed again and softened. Clears maskPending.
    static void ApplyPendingBlur(CanvDoc* doc, int amount);

    // ---- commands of the document window: 20500-20508 and 21048. 1 when the
    // id was one of them.
    static int Command(CanvDoc* doc, int id);
    // The amount dialog of grow (kind 2), shrink (1) and blur (0): the amount,
    // or 0 when cancelled.
    static int ShowSelAmountDialog(HWND owner, int kind, int* choice);

    // The selection's members of the canvas host filled in with the services
    // below (the frame calls it when it hands the host down).
    static void ServeCanvas(CanvasHost* host);

    // ---- documents coming and going
    // Deactivated: the path is saved and cleared, a floating image on the
    // document placed. Activated: its path restored.
    static void DocumentDeactivated(CanvDoc* doc);
    static void DocumentActivated(CanvDoc* doc);
    // Closing: floating image dropped, path state file deleted, drawing states
    // that point at it forgotten.
    static void DocumentClosing(CanvDoc* doc);

    // ---- shape helpers shared by the tools
    static SelShape& Current(CanvDoc* doc) { return doc->selShapes[5]; }
    // The box tools' rubber band without making a selection (drawing tools):
    // 1 with the normalised box, 0 when the drag made nothing.
    static int TrackRect(CanvDoc* doc, int select, RECT* box);
    static int TrackEllipse(CanvDoc* doc, int select, RECT* box, int mode);
    static int TrackLine(CanvDoc* doc, int select, RECT* box);
    // Rectangle and ellipse converted to a closed path (21048).
    static void RectToPath(CanvDoc* doc);
    static void EllipseToPath(CanvDoc* doc);
};

// The XOR pens of the outlines in display coordinates.
struct SelDc {
    HWND wnd;
    HDC dc;
    bool own;
    explicit SelDc(CanvDoc* doc, HDC given = nullptr)
        : wnd(doc->display), dc(given), own(given == nullptr) {
        if (own) dc = wnd ? GetDC(wnd) : nullptr;
    }
    ~SelDc() {
        if (own && dc) ReleaseDC(wnd, dc);
    }
    SelDc(const SelDc&) = delete;
    SelDc& operator=(const SelDc&) = delete;
};

// Auto-scroll of the document's pane when the cursor is within 8 pixels of
// its edge during a drag.
void AutoScrollEdge(CanvDoc* doc);
// Repaint of the whole display now.
void SelRepaint(CanvDoc* doc);
