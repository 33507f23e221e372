// The MDI frame window (class dvw_): layout of its children, the 500 ms frame
// timer, close and destroy, dropped files, and the dispatch of every WM_COMMAND
// to itself or to the active canvas window; SelectTool.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

LRESULT CALLBACK FrameWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Posted to the frame: choose the tool of command wParam once the messages
// before it are done (a new canvas asks while it is being created, before it
// is the active one), with flag 1, so that no stroke layer is added before
// the first stroke.
constexpr UINT kMsgPressToolButton = WM_APP + 2;
// The canvas host's press of a tool button, through kMsgPressToolButton.
void PostToolButtonPress(int command);

// 0 when the command is finished here, 1 when it is to be passed on to the active
// canvas window (and DefFrameProc).
int FrameOnCommand(HWND frame, WPARAM wp, LPARAM lp);
// Makes a tool command the current tool; flag is the command's lParam.
void SelectTool(int id, LPARAM flag);
void FrameOnSize(HWND frame, int width, int height);
void FrameRelayout();
void FrameOnInitMenu(HMENU menu);
void FrameOnDropFiles(HDROP drop);
LRESULT FrameOnMouseWheel(WPARAM wp);
void FrameOnActivateApp(BOOL active);
void FrameOnDisplayChange();
void FrameSaveSettings(HWND frame);
// Close-all walk: 0 stops it (the child refused to close).
BOOL CALLBACK CloseChildProc(HWND child, LPARAM unused);
// Kills the frame timer if one runs; with on, starts it again (500 ms) at the
// first timer id below 30,000 that SetTimer accepts.
void FrameSetTimer(HWND frame, int on);

// The active canvas (MDI child) window, or null.
HWND GetActiveCanvasWindow();

// Opens each path in order as command 10007, then tells the browser (when it
// runs) to put its window back. Used by shell drops and by the hand-over of a
// second start.
void OpenDroppedPaths(const std::vector<std::string>& paths);

// Frame state shared with the bars, panels and canvas display.
struct FrameStateRecord {
    int timerId;             // -1 when none
    int tickCount;           // 0..3
    int lowDiskShown;        // the low-disk warning was shown in this run
    int appActive;           // set by WM_ACTIVATEAPP
    HCURSOR savedCursor;     // a cursor put aside by the canvas display
    int channelWrite[3];     // channels writable (1) or locked (0)
    HWND trimDialog;
    DWORD startTick;         // frame creation, for the title window's life
};
extern FrameStateRecord FrameState;

// Paths the frame was asked to open (command 10007), in order; the canvas code
// opens them. Read back by tests.
const std::vector<std::string>& GetOpenRequests();
void ClearOpenRequests();

// Swap-disk queries of the frame timer; tests replace them (null restores the
// image store's own).
void SetSwapDiskQueries(int (*state)(), int (*root)(char* buffer));

// The browser's frame class.
extern const char kBrowserClassName[];
