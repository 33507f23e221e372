#include "fileio/print_setup.h"

#include "ui/ui_hook.h"

namespace {

constexpr UINT_PTR kAskTimer = 0x5E7;
int g_attempt;          // answers asked of the hook while the dialog is open (one at a time)
HHOOK g_watch;          // notices the set-up dialog when it is activated
HWND g_dialog;

// Asks the hook for the live dialog once it has settled; presses what it names.
VOID CALLBACK AskHookLater(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    const int id = AskModalHook(dialog, "PrintSetup", g_attempt++);
    if (id > 0) PostMessageA(dialog, WM_COMMAND, (WPARAM)id, 0);
    else if (id == kModalPressClose || g_attempt >= kModalMaxAttempts) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else SetTimer(dialog, kAskTimer, 50, AskHookLater);
}

// The system runs the dialog itself, and not every version calls a set-up
// hook of the record: the first dialog window activated while it runs is it.
LRESULT CALLBACK WatchActivation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && !g_dialog) {
        char name[16] = {};
        GetClassNameA((HWND)wp, name, sizeof name);
        if (lstrcmpA(name, "#32770") == 0) {
            g_dialog = (HWND)wp;
            SetTimer(g_dialog, kAskTimer, 50, AskHookLater);
        }
    }
    return CallNextHookEx(g_watch, code, wp, lp);
}

}  // namespace

BOOL RunPrintSetupDialog(PRINTDLGA* pd) {
    pd->Flags |= PD_PRINTSETUP;
    if (!HasModalAnswerHook()) return PrintDlgA(pd);
    g_attempt = 0;
    g_dialog = nullptr;
    g_watch = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    const BOOL result = PrintDlgA(pd);
    if (g_watch) UnhookWindowsHookEx(g_watch);
    g_watch = nullptr;
    g_dialog = nullptr;
    return result;
}
