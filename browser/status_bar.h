// The browser's status bar (class statbar_class): two owner-drawn buttons with
// the number of files and of selected files, and a text field showing a
// resting text or the progress of a long operation, driven by WM_USER with
// the editor's StatusMessage codes (0 rest, 3/8 percentage, 14 text, 15 new
// resting text). Also the raised panel that the browser's panes draw.
#pragma once
#include <windows.h>

#include <string>

LRESULT CALLBACK StatusBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Counts the selected FileList entries into the list's selected count and
// repaints both buttons.
void UpdateSelectionCount();
// Repaints the file-count button (after a refresh).
void UpdateFileCount();

// The text the bar shows now, and whether it is drawn white (busy).
std::string StatusBarText();
// The progress text of a percentage: "処理中です：%03d％完了" and ten cells.
std::string ProgressText(int percent);
// The text of the file-count button.
std::string FileCountText();
// The resting text at creation: "[" window title "]".
std::string DefaultRestingText();

// Fills the rectangle with the face colour, n light lines at the top and left
// and n dark lines at the bottom and right (light: face + 128 per channel, or
// 255 from 128 up; dark: half).
void DrawBevelPanel(HDC dc, const RECT& r, COLORREF face, int n);
