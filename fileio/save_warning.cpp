#include "fileio/save_warning.h"

#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"
#include "fileio/canvas_write.h"
#include "resources/fileio_ids.h"

namespace {

INT_PTR CALLBACK SaveWarningProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        HWND list = GetDlgItem(dlg, IDC_SAVEWARN_LIST);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        // One line a CR LF; a last line without one is added too.
        const char* text = LoadResString(IDS_SAVE_WARNING);
        for (const char* line = text; *line;) {
            const char* end = std::strstr(line, "\r\n");
            size_t n = end ? (size_t)(end - line) : std::strlen(line);
            char buffer[256] = {};
            std::memcpy(buffer, line, n < sizeof(buffer) - 1 ? n : sizeof(buffer) - 1);
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)buffer);
            line += n + (end ? 2 : 0);
        }
        const int* dontWarn = (const int*)lp;
        CheckDlgButton(dlg, IDC_SAVEWARN_DONTWARN, dontWarn && *dontWarn ? BST_CHECKED : BST_UNCHECKED);
        CenterWindow(dlg);
        return TRUE;
    }
    case WM_PAINT:
        PaintDialogWithFrame(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDYES: EndDialog(dlg, IDYES); return TRUE;
        case IDNO:
        case IDCANCEL: EndDialog(dlg, IDNO); return TRUE;   // Esc means No
        case IDC_SAVEWARN_DONTWARN:
            if (int* dontWarn = (int*)GetWindowLongPtrA(dlg, DWLP_USER)) {
                *dontWarn = !*dontWarn;
                CheckDlgButton(dlg, IDC_SAVEWARN_DONTWARN, *dontWarn ? BST_CHECKED : BST_UNCHECKED);
            }
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    }
    return FALSE;
}

}  // namespace

int ShowSaveWarning(HWND owner, int* dontWarn) {
    EnablePanels(FALSE);
    int result = (int)RunModalDialog(GetModuleHandleA(nullptr), "dra_save", owner, SaveWarningProc, (LPARAM)dontWarn);
    EnablePanels(TRUE);
    return result == IDYES || result == IDNO ? result : 0;
}

int SaveLosesLayers(const char* path, int layers, int extraPlanes) {
    if (!path) return 0;
    if (IsLayeredFormatPath(path)) return 0;
    return layers > 1 || extraPlanes > 0;
}
