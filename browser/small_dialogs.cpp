#include "browser/small_dialogs.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "resources/darnaview_ids.h"

namespace {

// ---- ivm_inpstr

struct StringRequest {
    char* text;
    const char* caption;
};

INT_PTR CALLBACK InputStringProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* r = DialogState<StringRequest>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        if (r->caption) SetWindowTextA(dlg, r->caption);
        SetDlgItemTextA(dlg, IDC_BV_EDIT, r->text);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            char buffer[81] = {};
            GetDlgItemTextA(dlg, IDC_BV_EDIT, buffer, sizeof buffer);
            std::memcpy(r->text, buffer, sizeof buffer);
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    default:
        return FALSE;
    }
}

// ---- dra_inpnum

struct NumberRequest {
    int value, maximum, minimum;
    UINT_PTR timer;
    bool writing;   // the program writes the edit: its change is ignored
};

void WriteNumber(HWND dlg, NumberRequest* r) {
    char now[32], want[32];
    GetDlgItemTextA(dlg, IDC_BV_EDIT, now, sizeof now);
    std::snprintf(want, sizeof want, "%d", r->value);
    if (std::strcmp(now, want) != 0) {
        r->writing = true;
        SetDlgItemTextA(dlg, IDC_BV_EDIT, want);
        r->writing = false;
    }
}

INT_PTR CALLBACK InputNumberProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* r = DialogState<NumberRequest>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        r->writing = true;
        SetWindowInt(GetDlgItem(dlg, IDC_BV_EDIT), r->value);
        r->writing = false;
        SendDlgItemMessageA(dlg, IDC_BV_SPIN, UDM_SETRANGE32, (WPARAM)r->minimum, (LPARAM)r->maximum);
        SendDlgItemMessageA(dlg, IDC_BV_SPIN, UDM_SETPOS32, 0, (LPARAM)r->value);
        return TRUE;
    case WM_COMMAND:
        if (r && r->writing) return TRUE;
        if (LOWORD(wp) == IDC_BV_EDIT && HIWORD(wp) == EN_CHANGE) {
            ReadDlgItemInt(dlg, IDC_BV_EDIT, &r->value, r->maximum, r->minimum);
            r->timer = SetTimer(dlg, 1, 500, nullptr);
        } else if (LOWORD(wp) == IDOK) {
            ReadDlgItemInt(dlg, IDC_BV_EDIT, &r->value, r->maximum, r->minimum);
            EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    case WM_TIMER:
        KillTimer(dlg, wp);
        WriteNumber(dlg, r);
        return TRUE;
    case WM_NOTIFY:
        if (((NMHDR*)lp)->idFrom == IDC_BV_SPIN && ((NMHDR*)lp)->code == UDN_DELTAPOS) {
            const NMUPDOWN* ud = (const NMUPDOWN*)lp;
            int v = r->value + ud->iDelta;
            r->value = v < r->minimum ? r->minimum : v > r->maximum ? r->maximum : v;
            WriteNumber(dlg, r);
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);   // the edit is written here
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY:
        KillTimer(dlg, 1);
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- ivm_rotate

int g_lastRotation = 0;

INT_PTR CALLBACK RotateProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        CheckRadioButton(dlg, IDC_BV_ROT_LEFT, IDC_BV_ROT_HALF, IDC_BV_ROT_LEFT + g_lastRotation);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_BV_ROT_LEFT:
        case IDC_BV_ROT_RIGHT:
        case IDC_BV_ROT_HALF:
            g_lastRotation = LOWORD(wp) - IDC_BV_ROT_LEFT;
            CheckRadioButton(dlg, IDC_BV_ROT_LEFT, IDC_BV_ROT_HALF, LOWORD(wp));
            return TRUE;
        case IDOK:
            EndDialog(dlg, g_lastRotation);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, -1);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, -1);
    default:
        return FALSE;
    }
}

// ---- ivm_info

INT_PTR CALLBACK InfoProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        CenterWindow(dlg);
        const std::vector<std::string>* lines = (const std::vector<std::string>*)lp;
        for (const std::string& line : *lines)
            SendDlgItemMessageA(dlg, IDC_BV_LIST, LB_ADDSTRING, 0, (LPARAM)line.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp));
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, IDCANCEL);
    default:
        return FALSE;
    }
}

// ---- dra_screrror

HWND g_screenError;

INT_PTR CALLBACK ScreenErrorProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        SetWindowTextA(dlg, g_Browser.title);
        g_screenError = dlg;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, 1);
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY:
        g_screenError = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- dra_title

INT_PTR CALLBACK TitleProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        CenterWindow(dlg);
        SetWindowTextA(dlg, BrowserTitle());
        char path[MAX_PATH + 16];
        std::snprintf(path, sizeof path, "%sinfo.txt", g_Browser.folder);
        if (FILE* f = std::fopen(path, "r")) {
            char line[121];
            while (std::fgets(line, sizeof line, f)) {
                size_t n = std::strlen(line);
                while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
                SendDlgItemMessageA(dlg, IDC_BV_TITLE_LIST, LB_ADDSTRING, 0, (LPARAM)line);
            }
            std::fclose(f);
        }
        return TRUE;
    }
    case WM_COMMAND:
        // Ticking "don't show again" is the user's answer: the box goes.
        if (LOWORD(wp) == IDC_BV_TITLE_NOMORE) {
            g_BrowserSettings.noTitleBox = IsDlgButtonChecked(dlg, IDC_BV_TITLE_NOMORE) == BST_CHECKED ? 1 : 0;
            if (g_BrowserSettings.noTitleBox) EndDialog(dlg, 1);
        } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_PAINT:
        PaintDialogWithFrame(dlg);
        return TRUE;
    default:
        return FALSE;
    }
}

// The modal hook answers the system's folder picker as it answers ours, once
// the picker has settled on its start folder.
VOID CALLBACK AnswerFolderPicker(HWND wnd, UINT, UINT_PTR timer, DWORD) {
    KillTimer(wnd, timer);
    const int id = AskModalHook(wnd, "BrowseFolder", 0);
    PostMessageA(wnd, WM_COMMAND, id > 0 ? id : IDCANCEL, 0);
}

// The start folder while the picker is open (one at a time).
const char* g_pickerStart;

// The picker does not always keep the item list it is given when it is
// initialised (under Wine it may stay at its root): the start folder is
// selected once more, by its path, soon after.
VOID CALLBACK SelectStartAgain(HWND wnd, UINT, UINT_PTR timer, DWORD) {
    KillTimer(wnd, timer);
    if (g_pickerStart) SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, (LPARAM)g_pickerStart);
}

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM lp, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) {
        SendMessageA(wnd, BFFM_SETSELECTIONA, FALSE, data);
        SetTimer(wnd, 2, 30, SelectStartAgain);
    }
    if (msg == BFFM_INITIALIZED && HasModalAnswerHook()) SetTimer(wnd, 1, 150, AnswerFolderPicker);
    if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA((LPCITEMIDLIST)lp, path)) SendMessageA(wnd, BFFM_SETSTATUSTEXTA, 0, (LPARAM)path);
    }
    return 0;
}

}  // namespace

int InputString(HWND owner, char* text, const char* caption) {
    StringRequest r = {text, caption};
    return RunModalDialog(g_Browser.instance, "ivm_inpstr", owner, InputStringProc, (LPARAM)&r) == 1 ? 1 : 0;
}

int InputNumber(HWND owner, int* value, int maximum, int minimum) {
    NumberRequest r = {*value, maximum, minimum, 0, false};
    if (RunModalDialog(g_Browser.instance, "dra_inpnum", owner, InputNumberProc, (LPARAM)&r) != 1) return 0;
    *value = r.value < minimum ? minimum : r.value > maximum ? maximum : r.value;
    return 1;
}

int AskRotation(HWND owner) {
    return (int)RunModalDialog(g_Browser.instance, "ivm_rotate", owner, RotateProc, 0);
}

std::vector<std::string> FileInfoLines(const char* path) {
    std::vector<std::string> lines;
    char line[600];
    std::snprintf(line, sizeof line, "ファイル名:\t\t%s", path);
    lines.push_back(line);
    int w = 0, h = 0;
    if (QueryImageSize(path, &w, &h)) {
        std::snprintf(line, sizeof line, "画素サイズ[ピクセル]:\t%d x %d", w, h);
        lines.push_back(line);
    }
    WIN32_FILE_ATTRIBUTE_DATA fa = {};
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &fa)) {
        unsigned long long size = ((unsigned long long)fa.nFileSizeHigh << 32) | fa.nFileSizeLow;
        std::snprintf(line, sizeof line, "ファイルサイズ:\t\t%lluバイト(%lluKバイト)", size, size / 1024);
        lines.push_back(line);
    }
    SYSTEMTIME t;
    if (GetFileLocalTime(path, &t)) {
        std::snprintf(line, sizeof line, "ファイル作成日時:\t\t%4d年%2d月%2d日 %2d時%2d分%2d秒", t.wYear, t.wMonth, t.wDay,
                      t.wHour, t.wMinute, t.wSecond);
        lines.push_back(line);
    }
    return lines;
}

void ShowFileInfo(HWND owner, int index) {
    if (index < 0 || index >= g_FileList.count) return;
    std::vector<std::string> lines = FileInfoLines(g_FileList.paths[(size_t)index].c_str());
    RunModalDialog(g_Browser.instance, "ivm_info", owner, InfoProc, (LPARAM)&lines);
}

int ShowTitleBox(HWND owner) {
    if (GetKeyState(VK_CONTROL) < 0) g_BrowserSettings.noTitleBox = 0;
    else if (g_BrowserSettings.noTitleBox) return 0;
    RunModalDialog(g_Browser.instance, "dra_title", owner, TitleProc, 0);
    return 1;
}

void ShowScreenError(HWND owner) {
    if (g_screenError) return;
    RunModalDialog(g_Browser.instance, "dra_screrror", owner, ScreenErrorProc, 0);
}

int BrowseFolder(HWND owner, char* out, const char* start, const char* prompt, const char* root) {
    IMalloc* malloc = nullptr;
    if (FAILED(SHGetMalloc(&malloc)) || !malloc) {
        BrowserMessage(owner, "IMallocインターフェースが取得できません", kMsgOk);
        return 0;
    }
    // The start folder and the root as item lists of the desktop folder.
    LPITEMIDLIST startList = nullptr, rootList = nullptr;
    IShellFolder* desktop = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
        auto itemList = [&](const char* path) {
            LPITEMIDLIST list = nullptr;
            WCHAR wide[MAX_PATH];
            if (path && *path && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) &&
                FAILED(desktop->ParseDisplayName(owner, nullptr, wide, nullptr, &list, nullptr)))
                list = nullptr;
            return list;
        };
        startList = itemList(start);
        rootList = itemList(root);
        desktop->Release();
    }
    char display[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.pidlRoot = rootList;
    bi.pszDisplayName = display;
    bi.lpszTitle = prompt;
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT;
    bi.lpfn = BrowseCallback;
    bi.lParam = (LPARAM)startList;
    g_pickerStart = startList ? start : nullptr;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    g_pickerStart = 0;
    int ok = 0;
    if (chosen) {
        ok = SHGetPathFromIDListA(chosen, out) ? 1 : 0;
        malloc->Free(chosen);
    }
    if (startList) malloc->Free(startList);
    if (rootList) malloc->Free(rootList);
    malloc->Release();
    return ok;
}
