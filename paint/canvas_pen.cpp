#include "paint/canvas_pen.h"

#include <cstring>

#include "app/ui/msgbox.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stroke.h"

namespace {

CanvDoc* Doc(PenCanvas* c) { return (CanvDoc*)c->doc; }

int CountLayersInUse(const CanvDoc* doc) {
    int n = 0;
    while (n < CanvMaxLayers && doc->planes[n * CanvPlanesPerLayer].image) ++n;
    return n;
}

int SelectionActive(PenCanvas* c) { return Doc(c)->selectionMask != nullptr; }

void SelectionRow(PenCanvas* c, int y, int x0, int x1, uint8_t* row) {
    std::memset(row, 255, (size_t)(x1 - x0 + 1));
    VmsImage* mask = Doc(c)->selectionMask;
    if (!mask || y < 0 || y >= mask->height) return;
    int a = x0 < 0 ? 0 : x0, b = x1 >= mask->width ? mask->width - 1 : x1;
    if (a <= b) g_VmsStore.GetRow(mask, y, a, b, row + (a - x0));
}

int SelectionPixel(PenCanvas* c, int x, int y) {
    uint8_t v;
    SelectionRow(c, y, x, x, &v);
    return v;
}

int SavePoint(PenCanvas* c, int plane) { return c_UndoManager::SavePoint(Doc(c), plane, 0); }

void Modified(PenCanvas* c) { SetCanvasModified(Doc(c)); }

void Repaint(PenCanvas* c, HDC dc, const RECT& r) {
    CanvDoc* doc = Doc(c);
    RenderCanvasRect(doc, dc, ImageToScreenX(doc, r.left), ImageToScreenY(doc, r.top), ImageToScreenX(doc, r.right),
                     ImageToScreenY(doc, r.bottom));
}

void ClientToImage(PenCanvas* c, int cx, int cy, int* ix, int* iy) {
    *ix = ScreenToImageX(Doc(c), cx);
    *iy = ScreenToImageY(Doc(c), cy);
}

void Refresh(PenCanvas* c) { c->layerCount = CountLayersInUse(Doc(c)); }

void PrepareStroke(PenCanvas* c) {
    PrepareStrokeLayer(Doc(c), 0);
    Refresh(c);
}

// The canvas command that adds the layer strokes go to.
void AddStrokeLayer(PenCanvas* c) {
    if (HWND frame = GetMessageBoxOwner()) SendMessageA(frame, WM_COMMAND, 21069, 0);
    Refresh(c);
}

int SelectionBox(PenCanvas* c, RECT* box) {
    const SelShape& s = Doc(c)->selShapes[0];
    if (!s.kind || !Doc(c)->selectionMask) return 0;
    *box = {s.x0, s.y0, s.x1, s.y1};
    return 1;
}

}  // namespace

void MakePenCanvas(CanvDoc* doc, PenCanvas* view) {
    *view = PenCanvas{};
    view->doc = doc;
    view->width = doc->width;
    view->height = doc->height;
    view->planes = doc->planes;
    view->layerCount = CountLayersInUse(doc);
    view->current = doc->currentPlane;
    view->channelOn[0] = view->channelOn[1] = view->channelOn[2] = 1;
    view->pane = doc->display;
    view->selectionActive = SelectionActive;
    view->selectionMaskRow = SelectionRow;
    view->selectionMaskPixel = SelectionPixel;
    view->savePoint = SavePoint;
    view->setModified = Modified;
    view->repaint = Repaint;
    view->clientToImage = ClientToImage;
    view->prepareStrokeLayer = PrepareStroke;
    view->addStrokeLayer = AddStrokeLayer;
    view->selectionBox = SelectionBox;
    view->zoomPercent = (int)doc->zoom;
}

int PenToolMouse(CanvDoc* doc, int button, int x, int y) {
    int tool = Pen.tool;
    if (button != 0 && button != 1) return 0;
    if (tool != kToolPen && tool != kToolClone && tool != kToolSnapshot && tool != 20000) return 0;
    PenCanvas view;
    MakePenCanvas(doc, &view);
    if (tool == kToolClone && button == 0 && c_PenWriter::CloneOffsetX < -1000) {
        c_PenWriter::SetCloneOffset(&view, view.zoomPercent);
        return 1;
    }
    // A snapshot of another plane cannot be painted back here: the right
    // button chooses the selection tool instead.
    if (button == 1 && Pen.brushImages[2] && doc->planes[doc->currentPlane].image != Pen.snapshotPlanes[0]) {
        if (PressToolButtonHook) PressToolButtonHook(20014);
        return 1;
    }
    int image[2] = {ScreenToImageX(doc, x), ScreenToImageY(doc, y)};
    // Modes that sample the canvas place one dab a sample without thinning.
    int mode = Pen.drawingMode;
    bool thinning = mode == ModeColour || (mode >= ModeEraser && mode <= ModeTwistLeft) || mode == ModeRainbow ||
                    button == 1;
    if (Pen.brushImages[0] && Pen.imageBrushOn) thinning = false;
    StrokeThinning = thinning ? 1 : 0;
    int r = thinning ? RunFreehandStroke(&view, image[0], image[1], button)
                     : RunImageBrushStroke(&view, image[0], image[1], button, button, 0);
    StrokeThinning = 1;
    return r;
}

int PenBrushRadius(int* rx, int* ry) {
    if (Pen.imageBrushOn && Pen.brushImages[0]) {
        *rx = Pen.brushImages[0]->width / 2;
        *ry = Pen.brushImages[0]->height / 2;
        return 1;
    }
    if (!Pen.tip.planes[0]) return 0;
    *rx = Pen.tip.planes[0]->width / 2;
    *ry = Pen.tip.planes[0]->height / 2;
    return 1;
}

int PenWantsStrokeLayer() { return c_PenEngine::GetPenKind() == 2 ? 1 : 0; }
