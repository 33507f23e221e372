// Undo checkpoints and the document's history.
#include "canvas/canv_history.h"

#include <cstring>

#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "image/tile_image.h"
#include "image/vms_store.h"

namespace {

CRITICAL_SECTION g_undoLock;
bool g_undoLockMade = false;

// Bits of UndoStep::second: which images took a step with the entry.
enum : int32_t {
    kStepStroke = 1,       // planes 0 and 1 of the stroke layer
    kStepPrimary = 2,      // the named plane
    kStepCompanion = 4,    // plane + 1 of a colour plane
};

c_TileImage* Tiles(CanvDoc* doc, int plane) {
    if (plane < 0 || plane >= CanvMaxPlanes) return nullptr;
    VmsImage* image = doc->planes[plane].image;
    return image ? image->tiles : nullptr;
}

// Save of one image: true when a step was recorded. A forced save records a
// step also when nothing changed since the image's last step (that step may
// belong to another entry): one pixel is written back to itself first.
bool SaveImage(CanvDoc* doc, int plane, bool force) {
    c_TileImage* t = Tiles(doc, plane);
    if (!t) return false;
    if (t->Save() == 0) return true;
    if (!force || !t->IsSaveEnabled()) return false;
    VmsImage* image = doc->planes[plane].image;
    uint32_t pixel = 0;
    if (!g_VmsStore.GetRow(image, 0, 0, 0, &pixel) || !g_VmsStore.PutRow(image, 0, 0, 0, &pixel)) return false;
    return t->Save() == 0;
}

int StepImage(CanvDoc* doc, int plane, int redo) {
    c_TileImage* t = Tiles(doc, plane);
    if (!t) return -1;
    return redo ? t->Redo() : t->Undo();
}

void RepaintButtons() {
    const CanvasHost& host = GetCanvasHost();
    if (host.repaintToolButton) {
        host.repaintToolButton(14010);
        host.repaintToolButton(14012);
    }
}

}  // namespace

void InitUndoLock() {
    if (!g_undoLockMade) InitializeCriticalSection(&g_undoLock);
    g_undoLockMade = true;
}

void DeleteUndoLock() {
    if (g_undoLockMade) DeleteCriticalSection(&g_undoLock);
    g_undoLockMade = false;
}

int c_UndoManager::SavePoint(CanvDoc* doc, int plane, int markModified) {
    if (!doc) return 0;
    if (plane < 0) plane = doc->currentPlane;
    if (plane >= CanvMaxPlanes) return 0;
    if (markModified) SetCanvasModified(doc);
    // The undone entries cannot be redone once something new is done.
    doc->undoCount = doc->undoPosition;
    int32_t flags = 0;
    if (SaveImage(doc, plane, true)) flags |= kStepPrimary;
    const CanvasHost& host = GetCanvasHost();
    if (doc->planes[plane].layerType == LayerTypeStrokeTarget && host.penKind && host.penKind() == 2) {
        int stroke = FindLayerByType(doc, LayerTypeStroke);
        if (stroke >= 0) {
            bool a = SaveImage(doc, stroke, false), b = SaveImage(doc, stroke + 1, false);
            if (a || b) flags |= kStepStroke;
        }
    }
    if (plane % CanvPlanesPerLayer == 0 && SaveImage(doc, plane + 1, false)) flags |= kStepCompanion;
    if (!flags) {
        // Nothing was recorded: nothing changed since the last checkpoint of
        // these images, their history is switched off, or the store refused.
        RepaintButtons();
        return Tiles(doc, plane) && Tiles(doc, plane)->IsSaveEnabled() ? 1 : 0;
    }
    if (doc->undoCount >= CanvUndoSlots) {
        std::memmove(doc->undo, doc->undo + 1, sizeof(UndoStep) * (CanvUndoSlots - 1));
        doc->undoCount = CanvUndoSlots - 1;
    }
    doc->undo[doc->undoCount] = UndoStep{.plane = plane, .second = flags};
    doc->undoCount += 1;
    doc->undoPosition = doc->undoCount;
    RepaintButtons();
    return 1;
}

int c_UndoManager::Step(CanvDoc* doc, int, int redo) {
    if (!doc) return 0;
    if (redo ? doc->undoPosition >= doc->undoCount : doc->undoPosition < 1) return 0;
    const int index = redo ? doc->undoPosition : doc->undoPosition - 1;
    if (index < 0 || index >= CanvUndoSlots) return 0;
    const UndoStep e = doc->undo[index];
    // The named plane first: when the store refuses its step, nothing moves.
    if ((e.second & kStepPrimary) && Tiles(doc, e.plane)) {
        c_TileImage* t = Tiles(doc, e.plane);
        const int had = t->HasHistory(redo ? 1 : 0);
        if (StepImage(doc, e.plane, redo) != 0 && had) return 0;
    }
    if (e.second & kStepStroke) {
        int stroke = FindLayerByType(doc, LayerTypeStroke);
        if (stroke >= 0) {
            StepImage(doc, stroke, redo);
            StepImage(doc, stroke + 1, redo);
        }
    }
    if ((e.second & kStepCompanion) && e.plane % CanvPlanesPerLayer == 0) StepImage(doc, e.plane + 1, redo);
    doc->undoPosition += redo ? 1 : -1;
    RepaintButtons();
    return 1;
}

int c_UndoManager::StepLocked(CanvDoc* doc, int redo, int repaint) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    ShowCursor(TRUE);
    InitUndoLock();
    EnterCriticalSection(&g_undoLock);
    int done = Step(doc, doc ? doc->currentPlane : 0, redo);
    if (repaint && doc) {
        if (doc->window) {
            InvalidateRect(doc->window, nullptr, FALSE);
            UpdateWindow(doc->window);
        }
        if (doc->display) {
            InvalidateRect(doc->display, nullptr, FALSE);
            UpdateWindow(doc->display);
        }
    }
    LeaveCriticalSection(&g_undoLock);
    ShowCursor(FALSE);
    SetCursor(previous);
    return done;
}

int c_UndoManager::CanUndo(const CanvDoc*) { return 1; }

int c_UndoManager::CanRedo(const CanvDoc* doc) {
    if (!doc || doc->undoPosition >= doc->undoCount || doc->undoPosition < 0) return 0;
    const UndoStep& e = doc->undo[doc->undoPosition];
    c_TileImage* t = Tiles(const_cast<CanvDoc*>(doc), e.plane);
    return t && t->HasHistory(1) ? 1 : 0;
}

void c_UndoManager::ResetCanvas(CanvDoc* doc) {
    if (!doc) return;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            c_TileImage* t = Tiles(doc, l * CanvPlanesPerLayer + k);
            if (!LayerBase(doc, l)[k].image) break;
            if (t) t->SetHistoryLimit(100);
        }
    }
    // Every image's history is gone: so are the entries that named it.
    doc->undoPosition = 0;
    doc->undoCount = 0;
}
