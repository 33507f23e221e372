// The trim panel (psv_trim): a modeless window over the active canvas while
// the trim tool is chosen. It shows the trim rectangle as numbers and as a
// preview, and keeps it as the canvas's current rectangle selection, so that
// the rectangle dragged with the trim tool and the numbers stay in step.
// "トリミング" crops the canvas to the rectangle (through the canvas's trim
// command); "閉じる" goes back to the layer-move tool.
#pragma once
#include <windows.h>

enum : int {
    TrimIdView = 1000,
    TrimIdStartLabel = 100,
    TrimIdEndLabel = 101,
    TrimIdX0 = 110,             // edits, each followed by its spin (id + 1)
    TrimIdY0 = 112,
    TrimIdX1 = 120,
    TrimIdY1 = 122,
};

// From the trim tool: the rectangle's start (1029) and end point (1030), x in
// the low and y in the high 16 bits of lParam.
enum : UINT {
    TrimMsgStart = 1029,
    TrimMsgEnd = 1030,
};

// Opens the panel for the active canvas, owned by `owner`; null when no canvas
// is active or the window could not be made. The caller keeps the handle and
// destroys the window when the tool changes.
HWND OpenTrimDialog(HWND owner);

INT_PTR CALLBACK TrimDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK TrimBaseDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
// The preview's window procedure (class TrimViewClass).
LRESULT CALLBACK TrimViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// The rectangle the panel holds (inclusive image pixels); zeros when closed.
RECT TrimRectangle();
