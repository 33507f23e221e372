// Number fields of dialogs, spin steps, repainting, window placement, scroll bar
// set-up and the name-entry dialog.
#pragma once
#include <windows.h>

// Invalidates the whole client area (no erase) and repaints it before returning.
void RedrawNow(HWND wnd);

void SetWindowInt(HWND wnd, int value);       // "%d"
void SetWindowFloat(HWND wnd, float value);   // "%5.2f"

// Reads the item's text (at most 29 characters) into *value: an empty text gives
// min; a text starting with a double-byte character is refused (the old value is
// written back); else the number clamped to min, then to max.
void ReadDlgItemInt(HWND dlg, int id, int* value, int max, int min);
// As above for floats: an empty text, or one with anything but digits, "." and
// blanks, gives max + 10 (a value the caller recognises as out of range); else the
// number clamped to max, then to min.
void ReadDlgItemFloat(HWND dlg, int id, float* value, float max, float min);

// Steps the number in the item's text by one (scroll code 0 up, 1 down, others
// none), clamps it, writes it back and stores it into *value.
void SpinDlgItemInt(HWND dlg, int id, int* value, int max, int min, int scrollCode);
void SpinDlgItemFloat(HWND dlg, int id, float* value, float max, float min, int scrollCode);

// Rewrites the item as "%d" of the value when its text differs (the delayed
// rewrite of number edits); *writing is set meanwhile so that the dialog
// ignores the change notice it causes.
void RewriteDlgItemInt(HWND dlg, int id, int value, bool* writing);

// Centres the window on the screen.
void CenterWindow(HWND wnd);
// Mode 0 centred; 1 at two thirds of the free space toward the bottom right; 2
// centred on the cursor, kept on the screen.
void PlaceWindow(HWND wnd, int mode);

// Range min .. count - 1 (0 when count <= 0), page and position; an unneeded bar
// is disabled rather than hidden.
void SetupScrollBar(HWND wnd, int bar, int min, int count, int page, int position);

// Asks for a name with dra_inpstr. The buffer (80 bytes) holds the last text
// typed, also after Cancel. 1 on OK, 0 on Cancel or the close box.
int ShowNameEntryDialog(HWND owner, char* text);

// The state kept in a dialog's DWLP_USER slot (set on WM_INITDIALOG).
template <typename T>
T* DialogState(HWND dlg, UINT msg, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(dlg, DWLP_USER, lp);
    return (T*)GetWindowLongPtrA(dlg, DWLP_USER);
}

// The close box of a modal dialog (WM_SYSCOMMAND): ends it with `result` (TRUE
// when wp is SC_CLOSE, else FALSE for the default handling).
INT_PTR EndDialogOnClose(HWND dlg, WPARAM wp, INT_PTR result);

// The common ends of a modal dialog: OK ends it with 1, Cancel and the close box
// with 0. True when the message was one of them (and the dialog ended).
bool HandleDialogEnd(HWND dlg, UINT msg, WPARAM wp);
