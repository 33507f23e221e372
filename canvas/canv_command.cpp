// Command routing of a document window: the bracket every command runs in,
// and the dispatch by id to the canvas's own operations or, through the
// services the host hands down, to the pen, adjustments and selection.
#include <cstdio>
#include <vector>

#include "ui/msgbox.h"
#include "canvas/canv_clip.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_print.h"
#include "canvas/canv_save.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "image/vms_store.h"
#include "resources/resource.h"

// Set while a command runs: the brush outline is not drawn meanwhile.
int CanvCommandRunning = 0;

namespace {

int Ask(const char* text, unsigned kind, HWND owner = nullptr) {
    return ShowMessageBox(owner ? owner : CanvFrameWindow(), text, kAppTitle, kind);
}

bool InRange(int id, int lo, int hi) { return id >= lo && id <= hi; }

// Commands that do not apply a pending selection blur first.
bool KeepsPendingBlur(int id) {
    switch (id) {
    case CMD_FILE_EXIT: case CMD_VIEW_COORDS: case CMD_VIEW_RULER: case CMD_VIEW_ZOOMIN: case CMD_VIEW_ZOOMOUT: case CMD_VIEW_DIMOUTSIDE: case CMD_VIEW_EXIF:
    case CMD_HELP_INDEX: case CMD_HELP_ABOUT: case CMD_SEL_DESELECT: case CMD_IMG_DUPRESIZE: case CMD_IMG_EXIFCLEAR: case CMD_SELSHADE_FIRST: case CMD_SELSHADE_FIRST + 1: case CMD_SELSHADE_FIRST + 2:
    case CMD_LAYER_ADD: case CMD_LAYER_DELETE: case CMD_LAYER_OPTIONS:
        return true;
    }
    return InRange(id, CMD_VIEW_ZOOM_FIRST, CMD_VIEW_ZOOM_LAST) || InRange(id, CMD_WIN_TILE, CMD_WIN_FIT);
}

// Every row of one image set to a value (words of that byte at 32 bits).
void FillRows(VmsImage* image, int value) {
    if (!image) return;
    std::vector<uint32_t> row((size_t)image->width, (uint32_t)value * 0x01010101u);
    for (int y = 0; y < image->height; ++y) g_VmsStore.PutRow(image, y, 0, image->width - 1, row.data());
}

void ClearToPaper(CanvDoc* doc) {
    FinishStrokeLayer(doc);
    c_UndoManager::SavePoint(doc, -1, 1);
    const int plane = doc->currentPlane % CanvPlanesPerLayer;
    const int layer = LayerOf(doc->currentPlane);
    LayerPlane* base = LayerBase(doc, layer);
    if (plane == 0) {
        FillRows(base->image, 255);
        if (layer != 0 && base[1].image) FillRows(base[1].image, 0);
    } else {
        FillRows(base[plane].image, 255);
    }
    RedrawCanvas(doc);
    const CanvasHost& host = GetCanvasHost();
    if (host.penKind && host.penKind() == 2) PrepareStrokeLayer(doc, 1);
    SetCanvasModified(doc);
}

void AddLayerCommand(CanvDoc* doc) {
    if (CountLayers(doc, 0) >= CanvMaxLayers) {
        Ask(kCanvLayerLimit, kMsgOk);
        return;
    }
    const int index = AddLayer(doc, 0, 0, doc->width, doc->height, LayerTypeOrdinary);
    if (index < 0) {
        Ask(kCanvAddLayerFailed, kMsgOk);
        return;
    }
    // The new layer goes just above the current one.
    const int target = LayerOf(doc->currentPlane) + 1;
    int slot = LayerOf(index);
    if (slot != target && MoveLayer(doc, slot, target)) slot = target;
    SetLayerSaveEnabled(doc, 1, slot);
    SetLayerHistoryLimit(doc, 30, slot);
    SetCurrentPlane(doc, slot * CanvPlanesPerLayer);
    RedrawCanvas(doc);
}

void DeleteLayerCommand(CanvDoc* doc) {
    const int layer = LayerOf(doc->currentPlane);
    if (layer == 0) {
        Ask(kCanvNoDeleteBase, kMsgOk);
        return;
    }
    char text[256];
    std::snprintf(text, sizeof text, kCanvAskDeleteLayer, LayerBase(doc, layer)->name);
    if (Ask(text, kMsgYesNo) != IDYES) return;
    DeleteLayer(doc, layer);
    SetCanvasModified(doc);
    UpdateCanvasTitle(doc);
    RedrawCanvas(doc);
}

void FitWindowToImage(HWND wnd, CanvDoc* doc) {
    if (IsZoomed(wnd)) {
        RECT rc;
        GetClientRect(wnd, &rc);
        SendMessageA(wnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(rc.right * 2, rc.bottom * 2));
        SendMessageA(wnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(rc.right, rc.bottom));
        return;
    }
    RECT client = {0, 0, 640, 400};
    if (CanvMdiClient()) GetClientRect(CanvMdiClient(), &client);
    int width = GetDisplayWidth(doc) + 4 * doc->marginX + 2 * GetSystemMetrics(SM_CXFRAME);
    int height = GetDisplayHeight(doc) + 4 * doc->marginY + GetSystemMetrics(SM_CYCAPTION) +
                 2 * GetSystemMetrics(SM_CYFRAME);
    if (width > client.right) width = client.right;
    if (height > client.bottom) height = client.bottom;
    RECT at;
    GetWindowRect(wnd, &at);
    MapWindowPoints(HWND_DESKTOP, GetParent(wnd), (POINT*)&at, 2);
    SetWindowPos(wnd, nullptr, at.left, at.top, width * 2, height * 2, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(wnd, nullptr, at.left, at.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void CanvDocCommand(HWND wnd, int id, HWND, int) {
    CanvDoc* doc = GetCanvDoc(wnd);
    if (!doc) return;
    // The brush outline goes while the command runs and comes back at its end.
    ToggleBrushCursor();
    CanvCommandRunning = 1;
    if (!KeepsPendingBlur(id)) ApplyPendingSelBlur(doc);
    const CanvasHost& host = GetCanvasHost();
    // The fades follow the selection: a gradient ellipse makes its radial
    // fade, deselecting ends every fade.
    if (host.commandToneModes) host.commandToneModes(doc->selShapes[0].kind);
    if (id == CMD_SEL_DESELECT && host.clearToneModes) host.clearToneModes();

    if (InRange(id, CMD_VIEW_ZOOM_FIRST, CMD_VIEW_ZOOM_LAST)) {
        SetZoomAt(wnd, doc, ZoomPresetTable[id - CMD_VIEW_ZOOM_FIRST]);
    } else {
        switch (id) {
        case CMD_FILE_SAVE: SaveCanvDoc(wnd, 0); break;
        case CMD_FILE_SAVEAS: SaveCanvDoc(wnd, 1); break;
        case CMD_EDIT_EXPORT: ExportSelectionBox(wnd); break;
        case CMD_FILE_PRINT: PrintCanvDoc(wnd, doc); break;
        case CMD_EDIT_PARTSSAVE: SaveToPartsBox(wnd); break;
        case CMD_VIEW_EXIF: ShowCanvasExif(wnd); break;
        case CMD_VIEW_COORDS:
            if (host.statusBar && *host.statusBar) SendMessageA(*host.statusBar, WM_COMMAND, 110, 0);
            break;
        case CMD_VIEW_ZOOMIN: SetZoomAt(wnd, doc, doc->zoom + 10 > CanvZoomMax ? CanvZoomMax : doc->zoom + 10); break;
        case CMD_VIEW_ZOOMOUT: SetZoomAt(wnd, doc, doc->zoom - 10 < CanvZoomMin ? CanvZoomMin : doc->zoom - 10); break;
        case CMD_VIEW_DIMOUTSIDE:
            if (host.dimOutsideLayer) *host.dimOutsideLayer = !*host.dimOutsideLayer;
            RedrawCanvas(doc);
            break;
        case CMD_VIEW_GRID:
            if (CanvDialogCommand(wnd, doc, id)) break;
            // Hiding needs no dialog; showing asks the grid dialog, which the
            // canvas and layer dialogs bring.
            if (doc->gridShown) {
                doc->gridShown = 0;
                RedrawCanvas(doc);
            }
            break;
        case CMD_WIN_FIT: FitWindowToImage(wnd, doc); break;
        case CMD_EDIT_UNDO:
            c_UndoManager::StepLocked(doc, 0, 1);
            SetCanvasModified(doc);
            break;
        case CMD_EDIT_REDO:
            c_UndoManager::StepLocked(doc, 1, 1);
            SetCanvasModified(doc);
            break;
        case CMD_IMG_FILLSEL:
        case CMD_IMG_STROKESEL:
            // The pen's fill or outline of the selection (its own undo step).
            if (host.selectionWithPen) {
                HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
                host.selectionWithPen(doc, id == CMD_IMG_STROKESEL);
                SetCursor(previous);
            }
            break;
        case CMD_IMG_CLEAR:
            if (CanvDialogCommand(wnd, doc, id)) break;
            // Plane 0 asks the clear dialog of the canvas and layer dialogs.
            if (doc->currentPlane % CanvPlanesPerLayer != 0 && Ask(kCanvAskClearPlane, kMsgYesNo) == IDYES) {
                c_UndoManager::SavePoint(doc, -1, 1);
                ClearPlane(doc, doc->currentPlane % CanvPlanesPerLayer);
                ClearDoubleImage(doc);
            }
            break;
        case CMD_IMG_CLEARTRANSP:
            if (Ask(kCanvAskClearTransp, kMsgOkCancel) == IDOK) {
                // The checkpoint comes before the change.
                c_UndoManager::SavePoint(doc, LayerOf(doc->currentPlane) * CanvPlanesPerLayer + 1, 1);
                ClearTransparency(doc);
                ClearDoubleImage(doc);
            }
            break;
        case CMD_IMG_INVERT:
            c_UndoManager::SavePoint(doc, -1, 1);
            InvertCurrentPlane(doc);
            break;
        case CMD_IMG_INVERTTRANSP:
            c_UndoManager::SavePoint(doc, LayerOf(doc->currentPlane) * CanvPlanesPerLayer + 1, 1);
            InvertLayerPlane(doc, 1);
            break;
        case CMD_IMG_MERGEBASE: MergeLayersToBase(doc); break;
        case CMD_IMG_LAYERFROMSEL: {
            HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_APPSTARTING));
            if (NewLayerFromSelection(doc) >= 0) SetCanvasModified(doc);
            SetCursor(previous);
            RedrawCanvas(doc);
            break;
        }
        case CMD_IMG_DARKTOLAYER: DarkPartsToLayer(doc); break;
        case CMD_IMG_SELTONEW:
            if (CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_COMMAND, CMD_IMG_SELCOPY, 0);
            break;
        case CMD_IMG_EXIFCLEAR:
            if (Ask(kCanvAskClearExif, kMsgYesNo, wnd) == IDYES) {
                if (doc->exifBlob) GlobalFree(doc->exifBlob);
                doc->exifBlob = nullptr;
                doc->exifSize = 0;
            }
            break;
        case CMD_IMG_CLEARPAPER: ClearToPaper(doc); break;
        case CMD_IMG_STROKELAYERON:
            doc->strokeLayerMode = 1;
            if (FindLayerByType(doc, LayerTypeStrokeTarget) < 0) {
                int index = AddLayer(doc, 0, 0, doc->width, doc->height, LayerTypeStrokeTarget);
                if (index >= 0) {
                    SetLayerSaveEnabled(doc, 1, LayerOf(index));
                    SetLayerHistoryLimit(doc, 30, LayerOf(index));
                }
            }
            break;
        case CMD_IMG_STROKELAYEROFF: doc->strokeLayerMode = 0; break;
        case CMD_SELSHADE_FIRST:
        case CMD_SELSHADE_FIRST + 1:
        case CMD_SELSHADE_FIRST + 2:
            if (host.selShadeStyle) *host.selShadeStyle = id - CMD_SELSHADE_FIRST;
            RedrawCanvas(doc);
            break;
        case CMD_SELSHADE_NEXT:
            if (host.selShadeStyle) *host.selShadeStyle = (*host.selShadeStyle + 1) % 3;
            RedrawCanvas(doc);
            break;
        case CMD_LAYER_ADD: AddLayerCommand(doc); break;
        case CMD_EDIT_CUT:
            // The copy with its mask, then the selected pixels cleared.
            CopyToClipboard(doc);
            if (host.repaintToolButton) host.repaintToolButton(CMD_EDIT_PASTE);
            if (host.selectionCutClear) host.selectionCutClear(doc);
            break;
        case CMD_SEL_DESELECT:
        case CMD_SEL_ALL:
        case CMD_SEL_INVERT:
        case CMD_SEL_GROW:
        case CMD_SEL_SHRINK:
        case CMD_SEL_BLUR:
        case CMD_SEL_LAYERAREA:
        case CMD_IMG_SHAPETOPATH:
            if (host.selectionCommand) host.selectionCommand(doc, id);
            break;
        case CMD_LAYER_DELETE: DeleteLayerCommand(doc); break;
        default:
            if (host.adjustCommand && host.adjustCommand(doc, id)) break;
            if (host.penCommand && host.penCommand(doc, wnd, id)) break;
            if (!ClipCommand(doc, id)) CanvDialogCommand(wnd, doc, id);
            break;   // any other id does nothing beyond the bracket
        }
    }
    CanvCommandRunning = 0;
    ToggleBrushCursor();
}
