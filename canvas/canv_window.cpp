// The document window: record life, close question, activation and keys.
#include "canvas/canv_window.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_view.h"
#include "resources/resource.h"

namespace {

int g_documentCounter = 0;
std::vector<CanvDoc*> g_liveDocs;

std::vector<HWND> CanvasChildren() {
    std::vector<HWND> list;
    HWND client = CanvMdiClient();
    if (!client) return list;
    for (HWND w = GetWindow(client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (!GetWindow(w, GW_OWNER)) list.push_back(w);
    return list;
}

void DeleteWorkFiles(int number) {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s~~initcanv%05d.tmp", CanvProgramFolder(), number);
    DeleteFileA(path);
    std::snprintf(path, sizeof path, "%s~~initcanv%05d.fn", CanvProgramFolder(), number);
    DeleteFileA(path);
}

int CreateCanvDoc(HWND wnd) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(CanvDoc));
    if (!block) return 0;
    CanvDoc* doc = (CanvDoc*)GlobalLock(block);
    if (!doc) {
        GlobalFree(block);
        return 0;
    }
    doc->window = wnd;
    InitCanvDocFields(doc);
    doc->number = g_documentCounter++;
    if (!InitCanvDoc(doc)) {
        GlobalUnlock(block);
        GlobalFree(block);
        return 0;
    }
    SetWindowLongPtrA(wnd, 0, (LONG_PTR)doc);
    g_liveDocs.push_back(doc);
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
    doc->pane = CreateWindowExA(0, "CanvWndClass", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN,
                                0, 0, 0, 0, wnd, (HMENU)(INT_PTR)9, instance, nullptr);
    doc->hRuler = CreateWindowExA(0, "hGageClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd,
                                  (HMENU)(INT_PTR)19, instance, nullptr);
    doc->vRuler = CreateWindowExA(0, "vGageClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd,
                                  (HMENU)(INT_PTR)20, instance, nullptr);
    PostMessageA(wnd, WM_COMMAND, CMD_WIN_FIT, 0);
    UpdateCanvasTitle(doc);
    // The pen is chosen once the new document is the active one. Flag 1 selects
    // it without the stroke layer, which the first stroke adds, so a document
    // that was only opened stays unchanged.
    if (HWND frame = CanvFrameWindow()) PostMessageA(frame, WM_COMMAND, CMD_TOOL_PEN, 1);
    return 1;
}

void DestroyCanvDoc(HWND wnd) {
    CanvDoc* doc = GetCanvDoc(wnd);
    if (!doc) return;
    ForgetBrushCursorPoint(doc);
    doc->closing = 1;
    CanvSelectionDocument(doc, SelDocClosing);
    DeleteWorkFiles(doc->number);
    c_UndoManager::ResetCanvas(doc);
    FreeCanvLayers(doc);
    if (doc->exifBlob) GlobalFree(doc->exifBlob);
    doc->exifBlob = nullptr;
    doc->exifSize = 0;
    for (size_t i = 0; i < g_liveDocs.size(); ++i)
        if (g_liveDocs[i] == doc) {
            g_liveDocs.erase(g_liveDocs.begin() + (long)i);
            break;
        }
    SetWindowLongPtrA(wnd, 0, 0);
    HGLOBAL block = GlobalHandle(doc);
    if (block) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

// The layer-move tool's button of the second tool bar pressed.
void PressLayerSelectTool() {
    const CanvasHost& host = GetCanvasHost();
    if (host.pressToolButton) host.pressToolButton(CMD_TOOL_LAYERSELECT);
    else if (CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_COMMAND, CMD_TOOL_LAYERSELECT, 0);
}

// The trim panel belongs to the canvas it was opened over: when that canvas
// loses the activation the layer-move tool is chosen, which closes the panel.
void CloseTrimPanel() {
    const CanvasHost& host = GetCanvasHost();
    HWND trim = host.trimDialog ? *host.trimDialog : nullptr;
    if (!trim || !IsWindow(trim)) return;
    PressLayerSelectTool();
    // Without an active canvas the tool change does nothing: the panel goes anyway.
    if (IsWindow(trim)) DestroyWindow(trim);
}

void ActivateCanvDoc(HWND wnd, HWND deactivated, HWND activated) {
    CanvDoc* doc = GetCanvDoc(wnd);
    const CanvasHost& host = GetCanvasHost();
    static int documentActive = -1;
    const int nowActive = activated == wnd ? 1 : deactivated == wnd ? 0 : documentActive;
    if (nowActive != documentActive && host.documentMenu) host.documentMenu(nowActive);
    documentActive = nowActive;
    if (activated == wnd) {
        if (doc) {
            CanvSelectionDocument(doc, SelDocActivated);
            if (host.statusBarSetZoom) host.statusBarSetZoom((int)doc->zoom);
            ShowCanvasInfo(doc);
            // The pen panel shows what this document's planes allow.
            if (HWND panel = CanvPenOptionPanel())
                RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            // A snapshot of another document's plane cannot be painted here.
            if (host.brushFromOtherPlane && host.brushFromOtherPlane(doc)) PressLayerSelectTool();
            PrepareStrokeLayer(doc, 1);
            if (host.clearToneModes) host.clearToneModes();
        }
    } else if (deactivated == wnd) {
        // The status line no longer describes this document.
        if (HWND bar = CanvStatusBar()) SendMessageA(bar, kStatusRestMessage, 0, 0);
        if (doc) CanvSelectionDocument(doc, SelDocDeactivated);
        PostMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
        CloseTrimPanel();
    }
}

void OnKeyDown(HWND wnd, CanvDoc* doc, WPARAM key) {
    switch (key) {
    case VK_ESCAPE:
        // A floating image goes without becoming a layer.
        CanvSelectionDocument(doc, SelDocEscape);
        PressLayerSelectTool();
        break;
    case VK_SPACE: HandScroll(doc, 2); break;
    case VK_DELETE:
        if (CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_COMMAND, CMD_EDIT_CUT, 0);
        break;
    case 'Q':
    case VK_APPS: {
        // A right click without the mouse, only on this program's own windows.
        POINT c;
        GetCursorPos(&c);
        HWND under = WindowFromPoint(c);
        DWORD pid = 0;
        if (under) GetWindowThreadProcessId(under, &pid);
        if (under && pid == GetCurrentProcessId()) {
            ScreenToClient(under, &c);
            PostMessageA(under, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(c.x, c.y));
        }
        break;
    }
    case VK_ADD: SendMessageA(wnd, WM_COMMAND, CMD_VIEW_ZOOMIN, 0); break;
    case VK_SUBTRACT: SendMessageA(wnd, WM_COMMAND, CMD_VIEW_ZOOMOUT, 0); break;
    }
}

}  // namespace

CanvDoc* FindCanvDocByNumber(int number) {
    for (CanvDoc* doc : g_liveDocs)
        if (doc->number == number && !doc->closing) return doc;
    return nullptr;
}

void RedrawCanvas(CanvDoc* doc) {
    if (!doc || !doc->display) return;
    InvalidateRect(doc->display, nullptr, FALSE);
    UpdateWindow(doc->display);
}

void RelayoutCanvas(HWND wnd) {
    RECT rc;
    GetClientRect(wnd, &rc);
    WPARAM type = IsZoomed(wnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    PostMessageA(wnd, WM_SIZE, type, MAKELPARAM(rc.right * 2, rc.bottom * 2));
    PostMessageA(wnd, WM_SIZE, type, MAKELPARAM(rc.right, rc.bottom));
}

void ShowCanvasInfo(CanvDoc* doc) {
    const CanvasHost& host = GetCanvasHost();
    if (!doc || !host.statusBar || !*host.statusBar) return;
    char shown[72];
    int n = (int)std::strlen(doc->path);
    if (n > 60) {
        // Cut at byte 60, or 59 when byte 60 would split a double-byte character.
        int i = 0;
        while (i < 60) i += IsSjisLead((unsigned char)doc->path[i]) ? 2 : 1;
        const int cut = i > 60 ? 59 : 60;
        std::memcpy(shown, doc->path, (size_t)cut);
        std::strcpy(shown + cut, "...");
    } else {
        std::strcpy(shown, doc->path);
    }
    static char line[160];
    std::snprintf(line, sizeof line, kCanvInfoFormat, shown, doc->width, doc->height);
    SendMessageA(*host.statusBar, WM_USER, 15, (LPARAM)line);
}

void CanvReportProgress(int code, int value) {
    if (CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_USER, (WPARAM)code, (LPARAM)value);
}

int SendRotateForKeys(int (*isDown)(int)) {
    auto down = [isDown](int key) { return isDown ? isDown(key) != 0 : (GetAsyncKeyState(key) & 0x8000) != 0; };
    if (!down(VK_MENU)) return 0;
    const int id = down(VK_F13) ? CMD_IMG_ROTRIGHT : down(VK_F14) ? CMD_IMG_ROTLEFT : 0;
    if (id && CanvFrameWindow()) SendMessageA(CanvFrameWindow(), WM_COMMAND, (WPARAM)id, 0);
    return id;
}

void RedrawCanvasWindowsNow() {
    for (HWND w : CanvasChildren()) RedrawNow(w);
}

int FocusActiveCanvas() {
    HWND client = CanvMdiClient();
    HWND active = client ? (HWND)SendMessageA(client, WM_MDIGETACTIVE, 0, 0) : nullptr;
    if (!active) return 0;
    SetFocus(active);
    return 1;
}

int AnyCanvasIconic() {
    for (HWND w : CanvasChildren())
        if (IsIconic(w)) return 1;
    return 0;
}

int CountCanvasWindows() { return (int)CanvasChildren().size(); }

int IsPathOpen(const char* path) {
    for (CanvDoc* doc : g_liveDocs)
        if (!doc->closing && CompareNoCase(doc->path, kCanvUntitled) != 0 && CompareNoCase(doc->path, path) == 0)
            return 1;
    return 0;
}

void MarkCanvasesSelBlur() {
    for (CanvDoc* doc : g_liveDocs) doc->maskPending = 1;
}

void ApplyPendingSelBlur(CanvDoc* doc) {
    const CanvasHost& host = GetCanvasHost();
    if (host.selectionPendingBlur) host.selectionPendingBlur(doc, host.areaBlur ? *host.areaBlur : 0);
}

int SaveCanvDoc(HWND wnd, int saveAs) {
    CanvDoc* doc = GetCanvDoc(wnd);
    if (!doc) return 0;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) saveAs = 1;
    // What floats over the document is saved with it, whole.
    if (CanvSelectionDocument(doc, SelDocSaving)) PressLayerSelectTool();
    if (IsDcimPath(doc->path)) {
        ShowMessageBox(CanvFrameWindow(), kCanvCameraSave, kAppTitle, kMsgOk);
        saveAs = 1;
    }
    const CanvasHost& host = GetCanvasHost();
    if (!host.saveCanvas || !host.saveCanvas(wnd, saveAs)) return 0;
    c_UndoManager::SavePoint(doc, -1, 1);
    doc->modified = 0;
    UpdateCanvasTitle(doc);
    ShowCanvasInfo(doc);
    return 1;
}

int CloseCanvDocQuery(HWND wnd) {
    CanvDoc* doc = GetCanvDoc(wnd);
    if (!doc) return 1;
    // An image still floating becomes a layer first: it is a change to save.
    CanvSelectionDocument(doc, SelDocCloseQuery);
    if (!doc->modified) return 1;
    int answer = ShowMessageBox(CanvFrameWindow(), kCanvAskSave, kAppTitle, kMsgYesNoCancel);
    if (answer == IDYES) return SaveCanvDoc(wnd, 0);
    if (answer == IDNO) {
        doc->modified = 0;
        return 1;
    }
    return 0;
}

LRESULT CALLBACK CanvDocWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        if (!CreateCanvDoc(wnd)) return -1;
        break;
    case WM_DESTROY:
        DestroyCanvDoc(wnd);
        break;
    case WM_SIZE: {
        CanvDoc* doc = GetCanvDoc(wnd);
        if (doc && doc->pane) {
            int w = LOWORD(lp) - 2 * doc->marginX, h = HIWORD(lp) - 2 * doc->marginY;
            MoveWindow(doc->pane, doc->marginX, doc->marginY, w > 0 ? w : 0, h > 0 ? h : 0, TRUE);
        }
        break;
    }
    case WM_PAINT:
        ValidateRect(wnd, nullptr);
        return 0;
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        if (!CloseCanvDocQuery(wnd)) return 0;
        if (msg == WM_QUERYENDSESSION) return 1;
        break;
    case WM_CHILDACTIVATE:
        ActivateCanvDoc(wnd, nullptr, wnd);
        break;
    case WM_MDIACTIVATE:
        ActivateCanvDoc(wnd, (HWND)wp, (HWND)lp);
        break;
    case WM_GETMINMAXINFO: {
        LRESULT r = DefMDIChildProcA(wnd, msg, wp, lp);
        MINMAXINFO* mm = (MINMAXINFO*)lp;
        mm->ptMinTrackSize.x = 256;
        mm->ptMinTrackSize.y = 128;
        return r;
    }
    case WM_NCACTIVATE:
        // While another program is active the caption is drawn inactive.
        if (GetCanvasHost().appActive && !*GetCanvasHost().appActive) wp = FALSE;
        break;
    case WM_KEYDOWN: {
        CanvDoc* doc = GetCanvDoc(wnd);
        if (doc) OnKeyDown(wnd, doc, wp);
        return 0;
    }
    case WM_COMMAND:
        CanvDocCommand(wnd, LOWORD(wp), (HWND)lp, HIWORD(wp));
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            SendMessageA(wnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}
