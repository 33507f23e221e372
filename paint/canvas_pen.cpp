#include "paint/canvas_pen.h"

#include <cstring>

#include "ui/msgbox.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/shapes.h"
#include "paint/stroke.h"
#include "paint/gradient_dlg.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "resources/paint_ids.h"
#include "resources/resource.h"

namespace {
constexpr int kMsgCloneNeedsSource = IDS_CLONE_NEEDS_SOURCE;
}  // namespace

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

const float* ShapePoints(PenCanvas* c, int slot, int* count) {
    if (slot < 0 || slot >= 11) {
        *count = 0;
        return nullptr;
    }
    const SelShape& s = Doc(c)->selShapes[slot];
    *count = s.count;
    return s.points;
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
    // The channel lock dialog's model and writable channels.
    view->channelModel = ChannelLock.model;
    for (int k = 0; k < 3; ++k) view->channelOn[k] = ChannelLock.enabled[k];
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
    view->shapePoints = ShapePoints;
    view->zoomPercent = (int)doc->zoom;
}

int PenToolMouse(CanvDoc* doc, int button, int x, int y) {
    if (button != 0 && button != 1) return 0;
    int tool = Pen.tool;
    bool pen = tool == kToolPen || tool == kToolClone || tool == kToolSnapshot;
    bool imageBrushTool = tool == kToolImageBrush;
    bool picker = tool == kToolPicker && button == 0;
    if (!pen && !imageBrushTool && !picker) {
        // The right button of any other tool picks the colour under the cursor.
        if (button != 1 || GetKeyState(VK_CONTROL) < 0) return 0;
        PenCanvas view;
        MakePenCanvas(doc, &view);
        PickCanvasColour(&view, 0);
        return 1;
    }
    PenCanvas view;
    MakePenCanvas(doc, &view);
    if (picker) {
        PickCanvasColour(&view, 1);
        return 1;
    }
    int ix = ScreenToImageX(doc, x), iy = ScreenToImageY(doc, y);
    int result = 0;
    if (button == 0) {
        if (Pen.drawingMode == ModeClone && GetKeyState(VK_SHIFT) < 0) {
            c_PenWriter::SetCloneOffset(&view, view.zoomPercent);
            return 1;
        }
        if (Pen.drawingMode == ModeClone && c_PenWriter::CloneOffsetX < -1000) {
            ShowMessageBox(GetMessageBoxOwner(), LoadResString(kMsgCloneNeedsSource), kAppTitle, kMsgOk);
            return 1;
        }
        // Modes that sample the canvas place one dab a sample without thinning.
        int m = Pen.drawingMode;
        bool freehand = !imageBrushTool && (m == ModeColour || (m >= ModeEraser && m <= ModeTwistLeft) ||
                                            m == ModeRainbow);
        if (m == ModeColour && Pen.imageBrushOn) freehand = false;
        StrokeThinning = freehand ? 1 : 0;
        if (freehand) RunFreehandStroke(&view, ix, iy, 0);
        else RunImageBrushStroke(&view, ix, iy, 0, 0, 0);
        StrokeThinning = 1;
        return 1;
    }
    if (GetKeyState(VK_CONTROL) < 0) return 0;
    if (imageBrushTool) {
        StrokeThinning = 0;
        result = RunImageBrushStroke(&view, ix, iy, 1, 1, 0);
        StrokeThinning = 1;
    } else {
        // A snapshot of another plane cannot be painted back here: the right
        // button chooses the selection tool instead.
        if (PenBrushFromOtherPlane(doc)) {
            if (PressToolButtonHook) PressToolButtonHook(20014);
            return 1;
        }
        result = RunFreehandStroke(&view, ix, iy, 1);
    }
    // A right click that painted nothing picks the colour under the cursor.
    if (!result) PickCanvasColour(&view, 0);
    return 1;
}

int PenBrushFromOtherPlane(CanvDoc* doc) {
    return doc && Pen.brushImages[2] && doc->planes[doc->currentPlane].image != Pen.snapshotPlanes[0];
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

VmsImage* PenPaperTexture() { return Pen.brushImages[2] ? nullptr : Pen.brushImages[0]; }

int PenCloneSource(int* dx, int* dy) {
    if (Pen.drawingMode != ModeClone || c_PenWriter::CloneOffsetX < -1000) return 0;
    *dx = c_PenWriter::CloneOffsetX;
    *dy = c_PenWriter::CloneOffsetY;
    return 1;
}

int PenWantsStrokeLayer() { return c_PenEngine::GetPenKind() == 2 ? 1 : 0; }

int PenOnSelection(CanvDoc* doc, int outline) {
    if (!doc) return 0;
    PenCanvas view;
    MakePenCanvas(doc, &view);
    if (outline) StrokeSelectionShape(&view, doc->selShapes[0].kind);
    else FillSelectionWithPen(&view);
    return 1;
}

int PenCanvasCommand(CanvDoc* doc, HWND wnd, int id) {
    if (!doc) return 0;
    switch (id) {
    case CMD_IMG_GRADIENTFILL: {
        // The dialog's choice serves this fill only.
        ToneMaskSettings saved = c_ToneMask::Settings;
        if (ShowGradientDialog(wnd)) {
            FinishStrokeLayer(doc);
            PenCanvas view;
            MakePenCanvas(doc, &view);
            const LayerPlane* plane = &doc->planes[doc->currentPlane];
            FillBoxWithPen(&view, 2, plane->x, plane->y, plane->x + plane->width - 1, plane->y + plane->height - 1);
            c_ToneMask::Settings = saved;
            SetCanvasModified(doc);
            if (c_PenEngine::GetPenKind() == 2) PrepareStrokeLayer(doc, 1);
        } else {
            c_ToneMask::Settings = saved;
        }
        return 1;
    }
    case CMD_EDIT_TEXTLAYER:
        LayerFromText(doc);
        return 1;
    }
    return 0;
}
