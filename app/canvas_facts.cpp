#include "app/canvas_facts.h"

#include "canvas/canv_doc.h"
#include "canvas/canv_history.h"
#include "canvas/canv_view.h"

int CanvasZoomPercent(HWND canvas) {
    const CanvDoc* doc = GetCanvDoc(canvas);
    return doc ? (int)doc->zoom : 100;
}

int CanvasCurrentPlane(HWND canvas) {
    const CanvDoc* doc = GetCanvDoc(canvas);
    return doc ? doc->currentPlane % CanvPlanesPerLayer : 0;
}

int CanvasHasUndo(HWND canvas) {
    const CanvDoc* doc = GetCanvDoc(canvas);
    return doc ? c_UndoManager::CanUndo(doc) : 0;
}

int CanvasHasRedo(HWND canvas) {
    const CanvDoc* doc = GetCanvDoc(canvas);
    return doc ? c_UndoManager::CanRedo(doc) : 0;
}

int CanvasIsClosing(HWND canvas) {
    const CanvDoc* doc = GetCanvDoc(canvas);
    return doc ? doc->closing : 0;
}

void CanvasSetZoomAt(HWND canvas, int zoom) {
    CanvDoc* doc = GetCanvDoc(canvas);
    if (doc && !doc->closing) SetZoomAt(canvas, doc, zoom);
}
