#include "app/newcanvas_cmd.h"

#include "app/envblock.h"
#include "canvas/newcanvas_dlg.h"

int AskNewCanvasSize(HWND owner) {
    NewCanvasSize size = {.width = Env.newCanvasWidth, .height = Env.newCanvasHeight, .dpi = Env.newCanvasDpi};
    if (!ShowNewCanvasDialog(owner, &size)) return 0;
    Env.newCanvasWidth = size.width;
    Env.newCanvasHeight = size.height;
    Env.newCanvasDpi = size.dpi;
    return 1;
}
