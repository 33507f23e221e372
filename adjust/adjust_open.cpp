#include "adjust/adjust_open.h"

#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "paint/pen_writer.h"
#include "resources/resource.h"
#include "ui/msgbox.h"

namespace {

const char kMergeQuestion[] =
    "レイヤーを結合しますか？\r\nレイヤーを結合すると結合した画像すべてにエフェクトがかかります。\r\n"
    "レイヤーを結合しないと元の画像にのみエフェクトがかかります。\r\n";

}  // namespace

CanvDoc* PrepareAdjustedCanvas(HWND parent, CanvDoc* doc) {
    if (!doc) return nullptr;
    SetCurrentPlane(doc, 0);
    c_PenWriter::FreeBrushImages(1, 0);
    if (CountLayers(doc, 1) > 1 && ShowMessageBox(parent, kMergeQuestion, kAppTitle, kMsgYesNo) == IDYES) {
        CanvDoc* old = doc;
        if (CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_COMMAND, CMD_IMG_MERGE, 0);
        doc = GetActiveCanvas();
        if (!doc) return nullptr;
        if (doc != old) old->modified = 0;
    }
    return doc;
}
