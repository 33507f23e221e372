#include "ui/ui_hook.h"

#include <cstdio>

namespace {

ModalAnswerHook g_hook = nullptr;
void* g_hookUser = nullptr;
LastMessageRecord g_last;

// One dialog run through RunModalDialog while a hook is set.
struct ModalRun {
    DLGPROC proc;
    LPARAM param;
    char templ[64];
    ModalMessageInfo info;
    bool hasInfo;
    int attempt;
};

const char kRunProp[] = "DarnaModalRun";
ModalRun* g_creating = nullptr;   // the run whose dialog is being created

UINT AnswerMessage() {
    static UINT msg = RegisterWindowMessageA("DarnaModalAnswer");
    return msg;
}

void Answer(HWND dlg, ModalRun* run) {
    if (!g_hook) return;
    if (run->attempt >= kModalMaxAttempts) {
        OutputDebugStringA("modal hook: dialog refused every answer, ended with 2\n");
        EndDialog(dlg, IDCANCEL);
        return;
    }
    ModalRequest req;
    req.dialog = dlg;
    req.templ = run->templ;
    req.text = run->hasInfo ? run->info.text : nullptr;
    req.caption = run->hasInfo ? run->info.caption : nullptr;
    req.kind = run->hasInfo ? run->info.kind : -1;
    req.attempt = run->attempt++;
    int id = g_hook(req, g_hookUser);
    if (id == kModalPressClose) {
        SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (id > 0) {
        HWND ctl = GetDlgItem(dlg, id);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)ctl);
    }
    // Whatever happened, ask again later if the dialog is still open; a dialog
    // that has ended is destroyed before the posted message can arrive.
    if (IsWindow(dlg)) PostMessageA(dlg, AnswerMessage(), 0, 0);
}

INT_PTR CALLBACK HookedDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    ModalRun* run = (ModalRun*)GetPropA(dlg, kRunProp);
    if (msg == WM_INITDIALOG) {
        run = (ModalRun*)lp;
        SetPropA(dlg, kRunProp, run);
        INT_PTR r = run->proc(dlg, msg, wp, run->param);
        PostMessageA(dlg, AnswerMessage(), 0, 0);
        return r;
    }
    if (!run) run = g_creating;   // messages sent before WM_INITDIALOG
    if (!run) return FALSE;
    if (msg == AnswerMessage() && GetPropA(dlg, kRunProp)) {
        Answer(dlg, run);
        return TRUE;
    }
    INT_PTR r = run->proc(dlg, msg, wp, lp);
    if (msg == WM_NCDESTROY) RemovePropA(dlg, kRunProp);
    return r;
}

}  // namespace

void SetModalAnswerHook(ModalAnswerHook hook, void* user) {
    g_hook = hook;
    g_hookUser = user;
}

bool HasModalAnswerHook() { return g_hook != nullptr; }

int AskModalHook(HWND dialog, const char* templ, int attempt) {
    if (!g_hook) return kModalAskAgain;
    ModalRequest req = {};
    req.dialog = dialog;
    req.templ = templ;
    req.kind = -1;
    req.attempt = attempt;
    return g_hook(req, g_hookUser);
}

INT_PTR RunModalDialog(HINSTANCE module, const char* templ, HWND owner, DLGPROC proc,
                       LPARAM param, const ModalMessageInfo* info) {
    if (!g_hook) return DialogBoxParamA(module, templ, owner, proc, param);

    ModalRun run = {};
    run.proc = proc;
    run.param = param;
    if (IS_INTRESOURCE(templ))
        std::snprintf(run.templ, sizeof run.templ, "#%u", (unsigned)(UINT_PTR)templ);
    else
        std::snprintf(run.templ, sizeof run.templ, "%s", templ);
    if (info) {
        run.info = *info;
        run.hasInfo = true;
    }
    ModalRun* outer = g_creating;
    g_creating = &run;
    INT_PTR r = DialogBoxParamA(module, templ, owner, HookedDlgProc, (LPARAM)&run);
    g_creating = outer;
    return r;
}

const LastMessageRecord& GetLastMessageBox() { return g_last; }

void RecordMessageBoxShown(const char* text, const char* caption, int kind) {
    g_last.text = text ? text : "";
    g_last.caption = caption ? caption : "";
    g_last.kind = kind;
    g_last.result = 0;
    ++g_last.count;
}

void RecordMessageBoxResult(int result) { g_last.result = result; }
