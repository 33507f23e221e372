// The new-canvas dialog's hand-over into the new-canvas request.
#include "canvas/canv_doc.h"
#include "canvas/newcanvas_dlg.h"

int ShowNewCanvasDialog(HWND owner, NewCanvasSize* remembered) {
    NewCanvasSize chosen;
    if (!RunNewCanvasDialog(owner, *remembered, &chosen)) return 0;
    NewCanvasLayer& first = NewCanvasRequest.layers[0];
    first.width = chosen.width;
    first.height = chosen.height;
    first.depth = 24;
    NewCanvasRequest.resolution = chosen.dpi;
    *remembered = chosen;
    return 1;
}
