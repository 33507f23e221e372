// The document window (CanvClass), its pane (CanvWndClass) and display surface
// (CanvWndDispClass): creation and destruction of the record, the close
// question, activation, keys, command routing and mouse routing.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

LRESULT CALLBACK CanvDocWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK CanvPaneWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK CanvDispWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// WM_COMMAND of a document window.
void CanvDocCommand(HWND wnd, int id, HWND control, int notification);
// 1 when the window may close (asks first when the document changed).
int CloseCanvDocQuery(HWND wnd);
// 1 when saved (the writer comes from the host until files can be saved).
int SaveCanvDoc(HWND wnd, int saveAs);

// Repaints the display surface at once.
void RedrawCanvas(CanvDoc* doc);
// WM_SIZE twice to a document window so that its pane and rulers are laid out.
void RelayoutCanvas(HWND wnd);
void ShowCanvasInfo(CanvDoc* doc);
// Progress to the frame's status bar (StatusMessage).
void CanvReportProgress(int code, int value);

int AnyCanvasIconic();
int CountCanvasWindows();
// A document that is not unnamed has this path (compared without case).
int IsPathOpen(const char* path);
void MarkCanvasesSelBlur();
void ApplyPendingSelBlur(CanvDoc* doc);

// Brush outline (XOR ellipse that follows the pointer with the pen tools).
void DrawBrushCursor(CanvDoc* doc, int x, int y);
void RefreshBrushCursor();
// Draws the outline once more at its last point: erases it where it is drawn,
// draws it where it was erased (nothing while no outline is kept or the
// current tool draws none). A tool change is bracketed by two calls.
void ToggleBrushCursor();
void ForgetBrushCursorPoint(CanvDoc* doc);
// Sets whether the outline counts as shown (0: a tool change draws and erases
// nothing); returns the setting it had.
int SetBrushCursorShown(int shown);
void PickAndMoveLayer(CanvDoc* doc, int rightButton);

// Alt with F13 or F14 held (read through isDown, GetAsyncKeyState when null):
// the frame's turn-right (F13) or turn-left (F14) command is sent, and its id
// returned; 0 when no such key combination is down.
int SendRotateForKeys(int (*isDown)(int virtualKey));
// Repaints at once every document window of the MDI client (its direct,
// ownerless children).
void RedrawCanvasWindowsNow();
// The keyboard focus goes to the active document window; 0 when there is none.
int FocusActiveCanvas();

// The live documents by number (work-file records name them this way).
CanvDoc* FindCanvDocByNumber(int number);
