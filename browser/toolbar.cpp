#include "browser/toolbar.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "browser/folder_tree.h"
#include "browser/thumb_pane.h"
#include "browser/toolbar_icon.h"
#include "browser/text_draw.h"
#include "fileio/plugin_registry.h"
#include "fileio/thumb_cache.h"
#include "resources/darnaview_ids.h"

namespace {

std::vector<std::string> g_typePatterns;   // one extension per item after item 0

void FillFileTypes(HWND dlg) {
    HWND box = GetDlgItem(dlg, IDC_BV_FILETYPE);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)LoadResString(IDS_BV_ALLFILES));
    g_typePatterns.clear();
    for (const ReaderFormat& format : ReaderFormats()) {
        const char* p = format.extensions.c_str();
        while (*p) {
            const char* end = std::strchr(p, ';');
            size_t n = end ? (size_t)(end - p) : std::strlen(p);
            if (n > 0 && n < 32) {
                std::string ext(p, n);
                char item[300];
                std::snprintf(item, sizeof item, "%s[*.%s]", format.description.c_str(), ext.c_str());
                SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)item);
                g_typePatterns.push_back(ext);
            }
            if (!end) break;
            p = end + 1;
        }
    }
    int index = g_BrowserSettings.fileTypeIndex;
    if (index < 0 || index > (int)g_typePatterns.size()) index = 0;
    g_BrowserSettings.fileTypeIndex = index;
    SendMessageA(box, CB_SETCURSEL, (WPARAM)index, 0);
    SetPatternFromTypeIndex(index);
}

void ChooseStartFolder() {
    if (g_BrowserSettings.startInHistory != 1) {
        g_CurrentFolder[0] = 0;
        return;
    }
    if (CountFolderHistory() > 0) {
        std::snprintf(g_CurrentFolder, sizeof g_CurrentFolder, "%s", g_FolderHistory.slot[0]);
        return;
    }
    char docs[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, docs, CSIDL_PERSONAL, FALSE) && docs[0])
        std::snprintf(g_CurrentFolder, sizeof g_CurrentFolder, "%s\\", docs);
}

void PaintToolbar(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    RECT rc;
    GetClientRect(dlg, &rc);
    if (g_Browser.toolbarBrush) FillRect(dc, &rc, g_Browser.toolbarBrush);
    auto label = [&](int id, const char* text, int dx) {
        RECT r;
        HWND item = GetDlgItem(dlg, id);
        if (!item) return;
        GetWindowRect(item, &r);
        MapWindowPoints(nullptr, dlg, (POINT*)&r, 2);
        int endX, endY;
        DrawTextAt(dc, r.left + dx, r.top + 3, 12, text, 0, &endX, &endY);
    };
    label(IDC_BV_FILETYPE, LoadResString(IDS_BV_TYPE_LABEL), -28);
    label(IDC_BV_TOPMOST, LoadResString2(IDS_BV_TOPMOST_LABEL), 18);
    EndPaint(dlg, &ps);
}

void ApplyTopmost() {
    SetWindowPos(g_Browser.frame, g_BrowserSettings.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

int FileTypeCount() { return (int)g_typePatterns.size(); }

void SetPatternFromTypeIndex(int index) {
    if (index <= 0 || index > (int)g_typePatterns.size()) std::strcpy(g_PatternList, "*");
    else std::snprintf(g_PatternList, sizeof g_PatternList, "%s", g_typePatterns[(size_t)index - 1].c_str());
}

void FillHistoryCombo() {
    if (!g_Browser.toolbar) return;
    HWND box = GetDlgItem(g_Browser.toolbar, IDC_BV_HISTORY);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kHistorySlots && g_FolderHistory.slot[i][0]; ++i) {
        char shown[MAX_PATH];
        FolderHistoryDisplay(g_FolderHistory.slot[i], shown, sizeof shown);
        SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)shown);
    }
    SendMessageA(box, CB_SETCURSEL, 0, 0);
}

INT_PTR CALLBACK ToolbarDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_Browser.toolbar = dlg;
        RECT r;
        GetWindowRect(dlg, &r);
        g_Browser.toolbarHeight = r.bottom - r.top;
        FillFileTypes(dlg);
        ChooseStartFolder();
        CheckDlgButton(dlg, IDC_BV_TOPMOST, g_BrowserSettings.topmost ? BST_CHECKED : BST_UNCHECKED);
        if (g_BrowserSettings.topmost) ApplyTopmost();
        CreateToolBarIcons(dlg);
        return TRUE;
    }
    case WM_SIZE:
        LayoutToolBarIcons(dlg);
        return TRUE;
    case WM_PAINT:
        PaintToolbar(dlg);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (g_Browser.toolbarBrush) {
            SetBkMode((HDC)wp, TRANSPARENT);
            return (INT_PTR)g_Browser.toolbarBrush;
        }
        return FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        bool handled = true;
        if (id == IDC_BV_FILETYPE && code == CBN_SELCHANGE) {
            PauseThumbLoader();
            int index = (int)SendDlgItemMessageA(dlg, IDC_BV_FILETYPE, CB_GETCURSEL, 0, 0);
            g_BrowserSettings.fileTypeIndex = index < 0 ? 0 : index;
            SetPatternFromTypeIndex(g_BrowserSettings.fileTypeIndex);
            ClearThumbCache(kThumbCacheSet);
            RefreshFileList(g_Browser.pane, 0);
            ResumeThumbLoader();
        } else if (id == IDC_BV_HISTORY && code == CBN_SELCHANGE) {
            int index = (int)SendDlgItemMessageA(dlg, IDC_BV_HISTORY, CB_GETCURSEL, 0, 0);
            if (index >= 0 && index < kHistorySlots && g_FolderHistory.slot[index][0]) {
                PauseThumbLoader();
                std::snprintf(g_CurrentFolder, sizeof g_CurrentFolder, "%s", g_FolderHistory.slot[index]);
                ClearThumbCache(kThumbCacheSet);
                RefreshFileList(g_Browser.pane, 1);
                ResumeThumbLoader();
                char bare[sizeof g_CurrentFolder];
                std::strcpy(bare, g_CurrentFolder);
                size_t n = std::strlen(bare);
                if (n > 0 && bare[n - 1] == '\\') bare[n - 1] = 0;
                if (CheckFolderUsable(bare)) SelectTreeFolder(bare);
            }
        } else if (id == IDC_BV_TOPMOST && code == BN_CLICKED) {
            g_BrowserSettings.topmost = IsDlgButtonChecked(dlg, IDC_BV_TOPMOST) == BST_CHECKED ? 1 : 0;
            ApplyTopmost();
        } else {
            handled = false;
        }
        if (handled && code != CBN_DROPDOWN) SetFocus(g_Browser.frame);
        return handled ? TRUE : FALSE;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            DestroyWindow(dlg);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        DestroyToolBarIcons();
        g_Browser.toolbar = nullptr;
        return FALSE;
    default:
        (void)lp;
        return FALSE;
    }
}
