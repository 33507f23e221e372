#include "app/framedlg.h"

#include <windowsx.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/commands.h"
#include "app/globals.h"
#include "fileio/twain.h"
#include "app/toolbar.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"

int IconSelHovered = -1;

namespace {
constexpr UINT kMsgShowTitle = WM_APP + 1;
}

namespace {

// --- title window and about box -------------------------------------------

void PaintTitle(HWND dlg, bool withBuild) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    RECT rc;
    GetClientRect(dlg, &rc);
    HBITMAP bmp = LoadBitmapA(AppInstance, "title");
    if (bmp) {
        BITMAP bm = {};
        GetObjectA(bmp, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bmp);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(bmp);
    }
    if (withBuild) {
        char path[MAX_PATH] = {}, text[80] = {};
        GetModuleFileNameA(nullptr, path, sizeof path);
        SYSTEMTIME st = {};
        GetFileLocalTime(path, &st);
        FormatBuildText(st, text, sizeof text);
        draw_text_at(dc, 374, 116, 14, text, RGB(0, 0, 0), nullptr, nullptr);
    }
    EndPaint(dlg, &ps);
}

void SizeTitle(HWND dlg) {
    SetWindowPos(dlg, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow(dlg);
}

INT_PTR CALLBACK AboutDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SizeTitle(dlg);
        return TRUE;
    case WM_PAINT:
        PaintTitle(dlg, true);
        return TRUE;
    case WM_LBUTTONDOWN:
        EndDialog(dlg, 1);
        return TRUE;
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    }
    return FALSE;
}

// --- icon strip -----------------------------------------------------------

struct IconStrip {
    int ids[8];
    int count;
    int kind;
    int releaseMode;
    int x, y;
    int timerId;
    bool released;   // release mode: the opening press ended away from the icons
} g_strip;

const char* IconBitmap(int command) {
    for (const ToolGroup& g : kToolGroups)
        for (int i = 0; i < g.count; ++i)
            if (g.commands[i] == command) return g.bitmaps[i];
    return nullptr;
}

void XorIconFrame(HWND dlg, int index) {
    HWND icon = index >= 0 ? GetDlgItem(dlg, index) : nullptr;
    if (!icon) return;
    RECT rc;
    GetClientRect(icon, &rc);
    HDC dc = GetDC(icon);
    DrawXorRect(dc, 2, 2, rc.right - 3, rc.bottom - 3);
    ReleaseDC(icon, dc);
}

// The index of the strip's icon under the cursor, or -1.
int IconUnderCursor(HWND dlg) {
    POINT pt;
    GetPolledCursorPos(&pt);
    for (int i = 0; i < g_strip.count; ++i) {
        RECT rc;
        GetWindowRect(GetDlgItem(dlg, i), &rc);
        if (PtInRect(&rc, pt)) return i;
    }
    return -1;
}

void HoverIcon(HWND dlg, int index) {
    if (index == IconSelHovered) return;
    XorIconFrame(dlg, IconSelHovered);
    XorIconFrame(dlg, index);
    IconSelHovered = index;
}

INT_PTR CALLBACK IconSelDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        for (int i = 0; i < g_strip.count; ++i)
            CreateWindowExA(0, "IconSelIconClass", "", WS_CHILD | WS_VISIBLE, 52 * i, 0, 52, 44, dlg,
                            (HMENU)(INT_PTR)i, AppInstance, nullptr);
        SetWindowPos(dlg, nullptr, g_strip.x, g_strip.y, g_strip.count * 52, 44, SWP_NOZORDER);
        g_strip.timerId = SetFirstFreeTimer(dlg, 10);
        return TRUE;
    case WM_TIMER:
        if ((int)wp == g_strip.timerId) {
            HoverIcon(dlg, IconUnderCursor(dlg));
            bool left = IsLeftButtonDown() != 0;
            if (GetAsyncKeyState(VK_ESCAPE) & 0x8000) {
                EndDialog(dlg, -1);   // Esc pressed while the focus is elsewhere
            } else if (g_strip.releaseMode && !left && !g_strip.released) {
                // released over an icon (the icon's own button-up may go elsewhere)
                // chooses it; released elsewhere, the strip waits for a click
                if (IconSelHovered >= 0) EndDialog(dlg, IconSelHovered);
                else g_strip.released = true;
            } else if (IsRightButtonDown() || ((!g_strip.releaseMode || g_strip.released) && left)) {
                EndDialog(dlg, IconSelHovered);
            }
        }
        return TRUE;
    case WM_COMMAND:
        // Esc (the dialog manager's cancel) closes the strip without a choice.
        if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, -1);
        return TRUE;
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    case WM_DESTROY:
        if (g_strip.timerId >= 0) KillTimer(dlg, (UINT_PTR)g_strip.timerId);
        g_strip.timerId = -1;
        return FALSE;
    }
    return FALSE;
}

// --- camera input ---------------------------------------------------------

struct CameraState {
    char source[256];
    char name[256];
    bool twain;
    bool drive;
} g_camera;

void FillCameraNames(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_CAMERA_NAME);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    g_camera.name[0] = 0;
    static char names[257][256];
    int n = 0;
    if (g_camera.twain) {
        n = TwainListSources(names, 256);
    } else if (g_camera.drive) {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
        n = ListSubFolders(g_camera.source, names, 256);
        SetCursor(old);
    }
    for (int i = 0; i < n && names[i][0]; ++i) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)names[i]);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) {
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(list, LB_GETTEXT, 0, (LPARAM)g_camera.name);
    }
}

void RefreshCameraControls(HWND dlg) {
    EnableWindow(GetDlgItem(dlg, IDC_CAMERA_DEVICE), g_camera.twain);
    EnableWindow(GetDlgItem(dlg, IDC_CAMERA_NAME), g_camera.twain || g_camera.drive);
    FillCameraNames(dlg);
}

void TakeListText(HWND list, char* out, size_t size) {
    int sel = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    int len = (int)SendMessageA(list, LB_GETTEXTLEN, sel, 0);
    if (len < 0 || (size_t)len >= size) return;   // a text longer than the buffer is not taken
    SendMessageA(list, LB_GETTEXT, sel, (LPARAM)out);
}

void ChooseSource(HWND dlg) {
    TakeListText(GetDlgItem(dlg, IDC_CAMERA_SOURCE), g_camera.source, sizeof g_camera.source);
    g_camera.twain = CompareNoCase(g_camera.source, "TWAIN") == 0;
    g_camera.drive = g_camera.source[0] && g_camera.source[1] == ':';
    RefreshCameraControls(dlg);
}

INT_PTR CALLBACK CameraDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (HandleDialogEnd(dlg, msg, wp)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dlg, IDC_CAMERA_SOURCE);
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) "TWAIN");
        char folders[26][8];
        int n = ListCameraFolders(folders, 26);
        for (int i = 0; i < n; ++i) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)folders[i]);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        lstrcpyA(g_camera.source, "TWAIN");
        g_camera.twain = true;
        g_camera.drive = false;
        CenterWindow(dlg);
        RefreshCameraControls(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_CAMERA_SOURCE:
            if (HIWORD(wp) == LBN_SELCHANGE) ChooseSource(dlg);
            return TRUE;
        case IDC_CAMERA_NAME:
            if (HIWORD(wp) == LBN_SELCHANGE)
                TakeListText(GetDlgItem(dlg, IDC_CAMERA_NAME), g_camera.name, sizeof g_camera.name);
            return TRUE;
        case IDC_CAMERA_DEVICE:
            EnableWindow(dlg, FALSE);
            if (TwainLoadManager() == 1) {
                TwainSelectSource();
                TwainCloseManager();
            } else {
                ShowMessageBox(dlg, LoadResString(IDS_NO_TWAIN_DSM), kAppTitle, kMsgOk);
            }
            EnableWindow(dlg, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// --- public ---------------------------------------------------------------

INT_PTR CALLBACK SplashDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        // 600 x 400 in the middle of the frame, over its other children.
        HWND frame = GetParent(dlg);
        RECT rc = {};
        if (frame) GetClientRect(frame, &rc);
        SetWindowPos(dlg, HWND_TOP, (rc.right - 600) / 2, (rc.bottom - 400) / 2, 600, 400, SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_PAINT:
        PaintTitle(dlg, false);
        return TRUE;
    case kMsgShowTitle: {
        // Centred again once the frame has its size.
        HWND frame = GetParent(dlg);
        RECT rc = {};
        if (frame) GetClientRect(frame, &rc);
        SetWindowPos(dlg, HWND_TOP, (rc.right - 600) / 2, (rc.bottom - 400) / 2, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        if (frame && IsWindowVisible(frame)) ShowWindow(dlg, SW_SHOWNOACTIVATE);
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        if (AppWindows.title == dlg) AppWindows.title = nullptr;
        DestroyWindow(dlg);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            if (AppWindows.title == dlg) AppWindows.title = nullptr;
            DestroyWindow(dlg);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

HWND CreateTitleWindow(HWND frame) {
    // The title window is the frame's top child, made from the template with its
    // style changed to a child's: pop-up windows of the program are not shown
    // reliably on every display here.
    AppWindows.title = nullptr;
    HRSRC found = FindResourceA(AppInstance, "dra_title", (LPCSTR)RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(AppInstance, found) : nullptr;
    DWORD size = found ? SizeofResource(AppInstance, found) : 0;
    if (!loaded || size < sizeof(DLGTEMPLATE)) return nullptr;
    std::vector<char> copy((const char*)LockResource(loaded), (const char*)LockResource(loaded) + size);
    DLGTEMPLATE header;
    std::memcpy(&header, copy.data(), sizeof header);
    header.style = (header.style & ~(DWORD)(WS_POPUP | WS_VISIBLE)) | WS_CHILD | WS_CLIPSIBLINGS;
    std::memcpy(copy.data(), &header, sizeof header);
    AppWindows.title = CreateDialogIndirectParamA(AppInstance, (LPCDLGTEMPLATEA)copy.data(), frame, SplashDlgProc, 0);
    // Shown once the frame itself is shown (the frame is made visible after its
    // creation); a frame that stays hidden keeps its title window hidden too.
    if (AppWindows.title) PostMessageA(AppWindows.title, kMsgShowTitle, 0, 0);
    return AppWindows.title;
}

void FormatBuildText(const SYSTEMTIME& st, char* out, size_t outSize) {
    std::snprintf(out, outSize, "ver.2 Rel.2 / build [%d%02d%02d%02d%02d]", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute);
}

void ShowAboutBox(HWND owner) {
    EnablePanels(FALSE);
    RunModalDialog(AppInstance, "dra_title", owner, AboutDlgProc, 0);
    EnablePanels(TRUE);
}

int ShowIconSelectDialog(HWND owner, int x, int y, const int* ids, int count, int kind, int releaseMode) {
    if (count < 0) count = 0;
    if (count > 8) count = 8;
    for (int i = 0; i < count; ++i) g_strip.ids[i] = ids[i];
    g_strip.count = count;
    g_strip.kind = kind;
    g_strip.releaseMode = releaseMode;
    g_strip.x = x;
    g_strip.y = y;
    g_strip.timerId = -1;
    g_strip.released = false;
    IconSelHovered = -1;
    return (int)RunModalDialog(AppInstance, "dra_iconsel", owner, IconSelDlgProc, 0);
}

LRESULT CALLBACK IconSelIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        int i = GetDlgCtrlID(wnd);
        if (i >= 0 && i < g_strip.count) DrawBitmapRes(dc, IconBitmap(g_strip.ids[i]), 0, 0, SRCCOPY);
        EndPaint(wnd, &ps);
        if (i == IconSelHovered) XorIconFrame(GetParent(wnd), i);
        return 0;
    }
    case WM_MOUSEMOVE:
        HoverIcon(GetParent(wnd), GetDlgCtrlID(wnd));
        return 0;
    case WM_LBUTTONDOWN:
        if (!g_strip.releaseMode) EndDialog(GetParent(wnd), GetDlgCtrlID(wnd));
        return 0;
    case WM_LBUTTONUP:
        if (g_strip.releaseMode) EndDialog(GetParent(wnd), GetDlgCtrlID(wnd));
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

int ListCameraFolders(char (*out)[8], int max) {
    int n = 0;
    for (char letter = 'B'; letter <= 'Z' && n < max; ++letter) {
        char path[8] = "a:\\dcim";
        path[0] = letter;
        if (IsDirectory(path) == 1) lstrcpyA(out[n++], path);
    }
    return n;
}

int ListSubFolders(const char* folder, char (*out)[256], int max) {
    char pattern[MAX_PATH + 8];
    if (std::snprintf(pattern, sizeof pattern, "%s\\*.*", folder) >= (int)sizeof pattern) return 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0, further = 0;
    char last[MAX_PATH] = {};
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.' && n < max)
            lstrcpynA(out[n++], fd.cFileName, 256);
        lstrcpynA(last, fd.cFileName, sizeof last);
        if (!FindNextFileA(h, &fd) || std::strcmp(last, fd.cFileName) == 0) break;
    } while (++further < 256);
    FindClose(h);
    if (n < max) out[n][0] = 0;
    return n;
}

int ShowCameraInputDialog(HWND owner, char* source, size_t sourceSize, char* name, size_t nameSize) {
    std::memset(&g_camera, 0, sizeof g_camera);
    INT_PTR r = RunModalDialog(AppInstance, "dra_camerainp", owner, CameraDlgProc, 0);
    if (r != 1) return 0;
    char answer[sizeof g_camera.source + sizeof g_camera.name + 2];
    int len;
    if (g_camera.source[0] && g_camera.source[1] == ':')
        len = std::snprintf(answer, sizeof answer, "%s\\%s", g_camera.source, g_camera.name);
    else
        len = std::snprintf(answer, sizeof answer, "%s", g_camera.source);
    // The answer must fit the caller's buffers whole; a cut path would name
    // another folder.
    if (len < 0 || (size_t)len >= sourceSize) return 0;
    if (g_camera.twain && std::strlen(g_camera.name) >= nameSize) return 0;
    std::memcpy(source, answer, (size_t)len + 1);
    if (g_camera.twain) lstrcpyA(name, g_camera.name);
    return 1;
}
