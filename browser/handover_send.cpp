#include "browser/handover_send.h"

#include "ui/drawutil.h"
#include "ui/dropfiles.h"
#include "ui/mousepoll.h"
#include "browser/browser_frame.h"
#include "browser/file_list.h"
#include "browser/status_bar.h"
#include "browser/thumb_pane.h"

const char kEditorFrameClass[] = "dvw_";

namespace {

bool g_shrunk;

void ShrinkFrame() {
    if (g_shrunk) return;
    GetWindowRect(g_Browser.frame, &g_Browser.savedRect);
    g_shrunk = true;
    SetWindowPos(g_Browser.frame, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The top-level window of the editor that holds `wnd`, or null.
HWND EditorFrameOf(HWND wnd) {
    HWND top = wnd ? GetAncestor(wnd, GA_ROOT) : nullptr;
    char cls[32] = {};
    if (top) GetClassNameA(top, cls, sizeof cls);
    return top && lstrcmpA(cls, kEditorFrameClass) == 0 ? top : nullptr;
}

// The window under the point, or one of its parents, that accepts files.
HWND AcceptingWindowAt(POINT p) {
    for (HWND w = WindowFromPoint(p); w; w = GetParent(w))
        if (GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) return w;
    return nullptr;
}

int SendToEditor(HWND editor, int index) {
    return SendHandOver(editor, HandOverPaths(index));
}

}  // namespace

std::vector<std::string> HandOverPaths(int index) {
    std::vector<std::string> paths;
    for (int i = 0; i < g_FileList.count; ++i)
        if (g_FileList.flags[(size_t)i] || i == index) paths.push_back(g_FileList.paths[(size_t)i]);
    return paths;
}

void RestoreBrowserFrame() {
    if (!g_shrunk) return;
    g_shrunk = false;
    const RECT& r = g_Browser.savedRect;
    SetWindowPos(g_Browser.frame, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PostSelectionToMain(HWND cell) {
    const int index = GetDlgCtrlID(cell);
    if (index < 0 || index >= g_FileList.count) return;
    SetCellSelected(index, 1);
    g_FileList.anchor = index;
    UpdateSelectionCount();
    HWND editor = FindWindowA(kEditorFrameClass, nullptr);
    if (!editor) return;
    ShrinkFrame();
    if (!SendToEditor(editor, index)) RestoreBrowserFrame();
}

void TrackCellDrag(HWND cell) {
    const int index = GetDlgCtrlID(cell);
    RECT cellRect;
    GetWindowRect(cell, &cellRect);
    InflateRect(&cellRect, -4, -4);
    POINT start;
    GetPolledCursorPos(&start);
    GetWindowRect(g_Browser.frame, &g_Browser.savedRect);
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    auto outline = [&](POINT at) {
        const int dx = at.x - start.x, dy = at.y - start.y;
        DrawXorRectFrame(dc, cellRect.left + dx, cellRect.top + dy, cellRect.right + dx, cellRect.bottom + dy, 1);
    };
    HCURSOR before = GetCursor();
    HCURSOR accept = LoadCursorA(g_Browser.instance, "accept"), refuse = LoadCursorA(g_Browser.instance, "noaccept");
    POINT shown = start, p = start;
    bool accepting = false, moved = false, started = IsLeftButtonDown();
    if (started) outline(shown);
    while (started && IsLeftButtonDown()) {
        GetPolledCursorPos(&p);
        RECT client;
        GetClientRect(g_Browser.frame, &client);
        if (client.right > 10 && !PtInRect(&g_Browser.savedRect, p)) ShrinkFrame();
        if (p.x != shown.x || p.y != shown.y) {
            outline(shown);
            shown = p;
            outline(shown);
            moved = true;
        }
        const bool now = AcceptingWindowAt(p) != nullptr;
        if (now != accepting || !moved) SetCursor(now ? accept : refuse);
        accepting = now;
    }
    if (started) outline(shown);
    DeleteDC(dc);
    SetCursor(before);
    HWND target = started ? AcceptingWindowAt(p) : nullptr;
    HWND editor = EditorFrameOf(target);
    // Only the editor can be handed files across processes (WM_COPYDATA).
    if (editor) {
        ShrinkFrame();
        if (SendToEditor(editor, index)) return;
    }
    RestoreBrowserFrame();
}
