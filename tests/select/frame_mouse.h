// Documents and mouse gestures in the running frame for the tests of the
// selection tools: a patterned document at 100 %, image points on the screen,
// and a drag of injected samples handed to the selection tool.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "../app/app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_view.h"
#include "select/sel_tool.h"
#include "ui/mousepoll.h"

namespace seltest {

// A blank canvas of w x h at 72 dpi and 100 %, its base plane filled by the
// pattern; its window is added to windows. Null when it could not be made.
inline CanvDoc* NewPatternDoc(std::vector<HWND>* windows, int w, int h, uint32_t (*pattern)(int x, int y)) {
    HWND wnd = apptest::CreateBlankCanvas(w, h, 72);
    if (!wnd) return nullptr;
    windows->push_back(wnd);
    CanvDoc* doc = GetCanvDoc(wnd);
    SetZoomAt(wnd, doc, 100.0);
    apptest::FillBasePlane(doc, pattern);
    return doc;
}

// Screen point of an image point of the document.
inline POINT ScreenPointOf(CanvDoc* doc, int x, int y) {
    POINT p = {ImageToScreenX(doc, x), ImageToScreenY(doc, y)};
    ClientToScreen(doc->display, &p);
    return p;
}

// A press at a, a drag through b to c, a release there (samples keeps them
// while the tool runs).
inline void DragOnDocument(CanvDoc* doc, std::vector<MouseSample>* samples, POINT a, POINT b, POINT c) {
    *samples = {{a.x, a.y, kSampleLeft}, {b.x, b.y, kSampleLeft}, {c.x, c.y, kSampleLeft}, {c.x, c.y, 0}};
    InjectMouseSamples(samples->data(), (int)samples->size());
    c_SelectionTool::OnMouseDown(doc);
    InjectMouseSamples(nullptr, 0);
}

}  // namespace seltest
