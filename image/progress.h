// Progress of long image operations. The operations send WM_USER to one
// window: wParam 3 with the percentage in lParam while they run, then wParam 0
// and lParam 0 when they have finished. The editor points it at its frame
// window (which passes WM_USER on to the status bar); nothing is sent while no
// window is set, nor from any thread but the one that set it (preview workers
// run silently).
#pragma once
#include <windows.h>

void SetProgressWindow(HWND window);
HWND GetProgressWindow();

// WM_USER, wParam 3, lParam percent.
void SendProgress(int percent);
// WM_USER, wParam 0, lParam 0.
void SendProgressEnd();
