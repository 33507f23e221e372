// The frame's small windows: the title window shown at start, the about box, the
// icon strip the second tool bar opens for its group buttons, and the camera
// input choice. Owns the icon strip's and the camera dialog's state.
#pragma once
#include <windows.h>

#include <cstddef>

// The title window (modeless dra_title), remembered in AppWindows.title.
HWND CreateTitleWindow(HWND frame);
INT_PTR CALLBACK SplashDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The about box (modal dra_title); returns when closed.
void ShowAboutBox(HWND owner);
// "ver.2 Rel.2 / build [YYYYMMDDhhmm]" for the program file's last-write time.
void FormatBuildText(const SYSTEMTIME& written, char* out, size_t outSize);

// The icon strip: count icons (at most 8) of group A (kind 0) or B (kind 1) at
// (x, y) on the screen. Release mode chooses on release of the left button,
// otherwise on a press. The chosen index, or -1.
int ShowIconSelectDialog(HWND owner, int x, int y, const int* ids, int count, int kind, int releaseMode);
// Hovered icon of the open strip (-1 none); for the strip's own windows.
extern int IconSelHovered;
LRESULT CALLBACK IconSelIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Camera input: nonzero when confirmed. source (sourceSize bytes) receives
// "TWAIN" or a folder with the chosen sub-folder appended; name (nameSize bytes)
// the chosen TWAIN source. An answer that does not fit is refused (0).
int ShowCameraInputDialog(HWND owner, char* source, size_t sourceSize, char* name, size_t nameSize);
// Drive letters B..Z: the folders "X:\dcim" that exist, in order.
int ListCameraFolders(char (*out)[8], int max);
// Sub-folders of a folder (names starting with '.' skipped), at most max.
int ListSubFolders(const char* folder, char (*out)[256], int max);
