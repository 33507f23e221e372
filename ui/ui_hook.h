// Running modal dialogs, with the seam through which tests answer them.
//
// Every modal dialog of the programs runs through RunModalDialog (ShowMessageBox
// does too). Without an answer hook it is DialogBoxParamA and nothing else. With
// a hook set, the real dialog is still created from its template with its own
// procedure; once it is initialised, the hook is called from inside the dialog's
// modal loop, may look at or fill in the dialog, and names the control to press.
// The press goes through the dialog's own procedure (a WM_COMMAND click, or
// SC_CLOSE for the close box), so the dialog behaves as if the user did it.
#pragma once
#include <windows.h>

#include <string>

// What the hook is told about the dialog waiting for an answer.
struct ModalRequest {
    HWND dialog;            // the live dialog window
    const char* templ;      // template name ("dra_msgbox", "#123" for numeric ids)
    const char* text;       // message text for message boxes, else null
    const char* caption;    // message caption for message boxes, else null
    int kind;               // message-box kind 0..3, -1 for other dialogs
    int attempt;            // 0 on the first call; counts up while the dialog stays open
};

// Answers of the hook besides a control id.
constexpr int kModalPressClose = 0;    // press the close box (WM_SYSCOMMAND SC_CLOSE)
constexpr int kModalAskAgain = -1;     // the hook acted on the dialog itself; ask again
                                       // if the dialog is still open afterwards

// Returns the control id to press, kModalPressClose or kModalAskAgain.
typedef int (*ModalAnswerHook)(const ModalRequest& request, void* user);

// Sets (or with null removes) the hook. While set, no modal dialog waits for a user.
void SetModalAnswerHook(ModalAnswerHook hook, void* user);
bool HasModalAnswerHook();

// A dialog that is still open after this many answers is ended with 2 (Cancel), so
// that a dialog refusing every answer cannot hang a test.
constexpr int kModalMaxAttempts = 16;

// For dialogs the system runs (the open and save dialogs): asks the hook once
// for its answer to the live dialog, as RunModalDialog does after
// WM_INITDIALOG. Returns the control id, kModalPressClose or kModalAskAgain;
// kModalAskAgain also when no hook is set.
int AskModalHook(HWND dialog, const char* templ, int attempt);

// DialogBoxParamA with the hook seam described above. It does not touch the
// panels: callers bracket their dialogs with EnablePanels as before. `info` (may
// be null) is handed to the hook for message boxes.
struct ModalMessageInfo {
    const char* text;
    const char* caption;
    int kind;
};
INT_PTR RunModalDialog(HINSTANCE module, const char* templ, HWND owner, DLGPROC proc,
                       LPARAM param, const ModalMessageInfo* info = nullptr);

// The last message box shown (kept for tests): its text, caption, kind, the
// result it returned, and the number of boxes shown since the program started.
struct LastMessageRecord {
    std::string text;
    std::string caption;
    int kind = -1;
    int result = 0;
    int count = 0;
};
const LastMessageRecord& GetLastMessageBox();
void RecordMessageBoxShown(const char* text, const char* caption, int kind);
void RecordMessageBoxResult(int result);
