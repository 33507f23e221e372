#include "canvas/canv_print.h"

#include "canvas/canv_compose.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "fileio/print.h"
#include "image/dib_image.h"

namespace {

// Rows of the document as its window shows them.
int DocumentRows(void* context, int y0, int y1, uint32_t* out) {
    CanvDoc* doc = (CanvDoc*)context;
    DibImage* image = ComposeForDisplay(doc, 0, y0, doc->width - 1, y1, 0, 0);
    if (!image) return 0;
    int ok = 1;
    for (int y = y0; y <= y1 && ok; ++y)
        ok = c_DibImageOps::GetRow32(image, y - y0, 0, doc->width - 1, out + (size_t)(y - y0) * doc->width) ? 1 : 0;
    c_DibImageOps::Free(&image);
    return ok;
}

}  // namespace

int PrintCanvDoc(HWND wnd, CanvDoc* doc) {
    if (!doc) return 0;
    PrintSource source{doc->width, doc->height, doc->path, doc, DocumentRows};
    HWND owner = CanvFrameWindow() ? CanvFrameWindow() : wnd;
    return PrintCanvas(owner, CanvProgramFolder(), source);
}
