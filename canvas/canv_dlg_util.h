// Small helpers the canvas dialogs share: running a modal dialog with the
// panels off, check boxes, number fields, spin scroll bars, the reformat
// timer and messages over the frame.
#pragma once
#include <windows.h>

#include "ui/dlgfield.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"
#include "canvas/canv_host.h"

inline HWND CanvFrameOwner() {
    const CanvasHost& host = GetCanvasHost();
    return host.frame ? *host.frame : nullptr;
}

inline void TellOverFrame(const char* text, HWND owner = nullptr) {
    ShowMessageBox(owner ? owner : CanvFrameOwner(), text, kAppTitle, kMsgOk);
}

// A modal dialog of the canvas with the panels switched off meanwhile.
inline INT_PTR RunCanvasDialog(const char* templ, HWND owner, DLGPROC proc, LPARAM param) {
    EnablePanels(FALSE);
    INT_PTR r = RunModalDialog(GetModuleHandleA(nullptr), templ, owner, proc, param);
    EnablePanels(TRUE);
    return r;
}

inline void CheckButton(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
inline bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
inline void SetItemInt(HWND dlg, int id, int v) { SetWindowInt(GetDlgItem(dlg, id), v); }

// Four radio buttons 100-103 choosing the int the dialog parameter points to, as
// they are pressed: OK ends the dialog with the choice, Cancel and closing with -1.
INT_PTR CALLBACK FourChoiceProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The step of a spin scroll bar: 0 up, 1 down, -1 anything else.
inline int SpinCode(WPARAM wp) { return LOWORD(wp) == SB_LINEUP ? 0 : LOWORD(wp) == SB_LINEDOWN ? 1 : -1; }

// The 500 ms reformat timer: the first id below 30,000 that SetTimer takes.
struct ReformatTimer {
    UINT_PTR id = 0;
    bool running = false;
    void Start(HWND dlg) {
        Stop(dlg);
        for (UINT_PTR i = 0; i < 30000; ++i)
            if (SetTimer(dlg, i, 500, nullptr)) {
                id = i;
                running = true;
                return;
            }
    }
    void Stop(HWND dlg) {
        if (running) KillTimer(dlg, id);
        running = false;
    }
};
