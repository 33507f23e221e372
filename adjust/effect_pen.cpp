#include "adjust/effect_pen.h"

#include "adjust/adjust_layer.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "resources/resource.h"
#include "ui/msgbox.h"

namespace {

const char kNoMemory[] = "メモリーが不足しました。";

// The pen tool's mode that keeps brush images 2 and 3 as the effect's.
constexpr LPARAM kEffectPenSelect = 10;

int OutOfMemory(HWND dialog, CanvDoc* doc, int layer) {
    SetLayerSaveEnabled(doc, 1, layer);
    ShowMessageBox(dialog, kNoMemory, kAppTitle, kMsgOk);
    EndDialog(dialog, 1);
    return 0;
}

}  // namespace

int HandAdjustmentToPen(HWND dialog, CanvDoc* doc, const std::function<void(CanvDoc*)>& adjust, int repaintButton) {
    const int layer = doc->currentPlane / CanvPlanesPerLayer;
    SetLayerSaveEnabled(doc, 0, layer);
    VmsImage* unadjusted = CopyCurrentPlane(doc);
    if (!unadjusted) return OutOfMemory(dialog, doc, layer);
    adjust(doc);
    // The pen takes the adjusted pixels; the layer gets the unadjusted ones back.
    VmsImage* adjusted = CopyCurrentPlane(doc);
    RestoreCurrentPlane(doc, unadjusted);
    g_VmsStore.Free(&unadjusted);
    if (!adjusted) return OutOfMemory(dialog, doc, layer);
    RedrawCanvas(doc);
    c_PenWriter::FreeBrushImages(1, 0);
    Pen.brushImages[0] = adjusted;   // the pen owns it from here
    PenCanvas view = {};
    MakePenCanvas(doc, &view);
    c_PenWriter::WidenEffectSource(&view);
    c_PenWriter::SnapshotEffectResult(&view);
    SetLayerSaveEnabled(doc, 1, layer);
    EndDialog(dialog, 1);
    SetBrushCursorShown(0);
    if (HWND frame = CanvFrameWindow()) SendMessageA(frame, WM_COMMAND, CMD_TOOL_PEN, kEffectPenSelect);
    const CanvasHost& host = GetCanvasHost();
    if (repaintButton && host.repaintTool2Button) host.repaintTool2Button(CMD_TOOL_PEN);
    SetBrushCursorShown(1);
    return 1;
}
