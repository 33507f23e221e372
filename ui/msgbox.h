// The program's own message box, the panel switch around modal dialogs and the
// string-table loaders.
#pragma once
#include <windows.h>

// Caption of every message box.
extern const char kAppTitle[];   // "Darna Studio for Tabrix"

// Message-box kinds and the templates they use.
enum MessageBoxKind : unsigned {
    kMsgOk = 0,              // dra_msgbox:     OK (1)
    kMsgYesNo = 1,           // dra_msgbox_yn:  はい (6), いいえ (7)
    kMsgOkCancel = 2,        // dra_msgbox_oc:  OK (1), ｷｬﾝｾﾙ (2)
    kMsgYesNoCancel = 3,     // dra_msgbox_ync: はい (6), いいえ (7), ｷｬﾝｾﾙ (2)
};

// Shows the box of the kind over the owner and returns the id of the button
// pressed (1, 2, 6, 7); the close box gives 2 for every kind. The text is shown one
// line per CR LF. A kind above 3 shows nothing and returns 0.
int ShowMessageBox(HWND owner, const char* text, const char* caption, unsigned kind);

INT_PTR CALLBACK MessageBoxDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK MessageBoxListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// String-table text of the id in the loader's own static buffer (250 characters),
// valid until the next call of the same loader. A missing string shows
// "id[%d]LoadString error" ("id[%d]LoadString2 error") over the message-box owner.
const char* LoadResString(int id);
const char* LoadResString2(int id);

// The window that owns boxes shown without a caller's owner (the frame window);
// the frame sets it when it is created and clears it when it is destroyed.
void SetMessageBoxOwner(HWND owner);
HWND GetMessageBoxOwner();

// The three tool panels that modal dialogs disable while they run. The frame sets
// each handle when the panel is created and clears it (null) when it goes away.
enum PanelSlot {
    kPanelColour = 0,        // colour panel dialog dra_cpanel_color
    kPanelPenOption = 1,     // pen option panel dialog dra_panel_opt
    kPanelControl = 2,       // control panel window (CtrlPanelClass)
    kPanelCount = 3,
};
void SetPanelWindow(PanelSlot slot, HWND wnd);

// Enables or disables the colour panel, the pen option panel and the control
// panel, each only if it exists, in that order.
void EnablePanels(BOOL enable);
