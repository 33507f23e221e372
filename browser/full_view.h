// The full-screen view and slide show (command 301): the modal dialog
// dra_disp2 over the whole screen with its scrolled frame (DispScrlBaseClass),
// the image surface inside it (DispScrlViewClass) and the control bar
// ivm_disp along the bottom: zoom, previous, next, automatic stepping with an
// interval in seconds, and close.
#pragma once
#include <windows.h>

extern const char kFullViewFrameClass[];     // "DispScrlBaseClass"
extern const char kFullViewSurfaceClass[];   // "DispScrlViewClass"

// Messages the view dialog takes (no arguments).
constexpr UINT kMsgViewPrevious = WM_USER + 10;   // 1034
constexpr UINT kMsgViewNext = WM_USER + 11;       // 1035
constexpr UINT kMsgViewReload = WM_USER + 15;     // 1039
constexpr UINT kMsgViewZoom = WM_USER + 16;       // 1040

constexpr int kBarHeight = 48;
constexpr int kZoomFitIndex = 10;

// 0 at the first class that cannot be registered.
int RegisterFullViewClasses(HINSTANCE instance);

// With a path, shows that one file; without, steps through the list's
// selection starting at the selected file last pointed at (or the first
// selected). The dialog's result (1 right button or OK, 0 Cancel or the close
// box), 0 when nothing could be loaded.
int ShowFullView(HWND owner, const char* path = nullptr);

// What the view shows (for the bar and for tests).
struct FullViewInfo {
    HWND dialog;          // the open view, or null
    HWND bar;
    int position;         // in the step list
    int last;             // last position
    int shownIndex;       // FileList index of the file shown (-1: placeholder or a path)
    int stepping;         // more than one file selected
    int zoom;             // percent
    int fit;
    int interval;         // seconds, 1..100
    int automatic;
    int imageWidth, imageHeight;
    int scrollX, scrollY;
};
const FullViewInfo& GetFullViewInfo();
// The picture the view shows, as it is drawn (after colour matching); null
// while no view is open.
const BITMAPINFOHEADER* FullViewImage();

// The clock of the slide show (milliseconds); tests pass their own, null
// restores GetTickCount.
void SetFullViewClock(DWORD (*clock)());

// Fits width x height into the box, only reducing: both sides divided by the
// larger of width / box width and height / box height.
void FitReduceToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);
