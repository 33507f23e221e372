// The layer-move tool (20014): a click picks the topmost ordinary layer under
// the cursor and shows its frame; a drag on the layer already picked moves it.
#include <cstdlib>

#include "ui/mousepoll.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "resources/resource.h"
#include "select/sel_internal.h"
#include "select/sel_strings.h"
#include "select/sel_tool.h"


namespace {

int LayerUnder(CanvDoc* doc, POINT p) {
    for (int l = CountLayers(doc, 0) - 1; l > 0; --l) {
        const LayerPlane* b = LayerBase(doc, l);
        if (b->layerType == LayerTypeOrdinary && p.x >= b->x && p.x < b->x + b->width && p.y >= b->y &&
            p.y < b->y + b->height)
            return l;
    }
    return 0;
}

}  // namespace

void PickLayer(CanvDoc* doc) {
    c_SelectionTool::DrawOutline(doc, nullptr);
    const POINT press = SelCursorImage(doc);
    const int layer = LayerUnder(doc, press);
    const bool picked = LayerBase(doc, layer)->frameHighlight == 2;
    while (IsLeftButtonDown()) {
        const POINT c = SelCursorImage(doc);
        if (picked && layer > 0 && (std::abs(c.x - press.x) > 4 || std::abs(c.y - press.y) > 4)) {
            c_SelectionTool::DrawOutline(doc, nullptr);
            PickAndMoveLayer(doc, 0);
            return;
        }
    }
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) LayerBase(doc, l)->frameHighlight = 0;
    doc->selShapes[9].kind = CMD_TOOL_LAYERSELECT;
    LayerBase(doc, layer)->frameHighlight = 2;
    SetCurrentPlane(doc, layer * CanvPlanesPerLayer);
    SelRepaint(doc);
}

void ShowLayerMenu(CanvDoc* doc) {
    SetCanvasModified(doc);
    if (LayerBase(doc, 0)->frameHighlight <= 0) {
        PickLayer(doc);
        return;
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, kSelMenuLayerOptions);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 4, kSelMenuToFront);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 6, kSelMenuForward);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 5, kSelMenuToBack);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 7, kSelMenuBackward);
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 2, kSelMenuDelete);
    const int chosen = SelPopupMenu(doc, menu);
    if (chosen == 1) ShowLayerOptionsDialog(CanvFrameWindow(), doc, 0);
}
