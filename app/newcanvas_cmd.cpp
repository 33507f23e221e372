#include "app/newcanvas_cmd.h"

#include "app/envblock.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_strings.h"
#include "canvas/newcanvas_dlg.h"

int PrepareNewCanvas(HWND frame) {
    NewCanvasSize size = {.width = Env.newCanvasWidth, .height = Env.newCanvasHeight, .dpi = Env.newCanvasDpi};
    if (!ShowNewCanvasDialog(frame, &size)) return 0;
    Env.newCanvasWidth = size.width;
    Env.newCanvasHeight = size.height;
    Env.newCanvasDpi = size.dpi;
    NewCanvasLayer& first = NewCanvasRequest.layers[0];
    first.x = first.y = 0;
    first.planeCount = 1;
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.source = nullptr;
    NewCanvasRequest.angle = 0;
    NewCanvasRequest.rotateFlags[0] = NewCanvasRequest.rotateFlags[1] = 0;
    lstrcpynA(NewCanvasRequest.title, kCanvUntitled, sizeof NewCanvasRequest.title);
    return 1;
}
