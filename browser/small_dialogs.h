// The browser's small modal dialogs: text input (ivm_inpstr), number input
// with a spin (dra_inpnum), the rotation choice (ivm_rotate), file information
// (ivm_info), the display-change notice (dra_screrror) and the folder picker.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// ivm_inpstr with the buffer's text (80 bytes) and the caption; on OK the
// edit's text is copied back. 1 for OK, 0 otherwise.
int InputString(HWND owner, char* text, const char* caption);
// dra_inpnum: the value kept within minimum..maximum; 1 and the value on OK.
int InputNumber(HWND owner, int* value, int maximum, int minimum);
// ivm_rotate: 0 left 90 degrees, 1 right 90, 2 180, -1 cancelled. The last
// choice is preselected next time.
int AskRotation(HWND owner);
// The four lines ivm_info shows for a file.
std::vector<std::string> FileInfoLines(const char* path);
// ivm_info for FileList entry `index`.
void ShowFileInfo(HWND owner, int index);
// dra_title with the lines of "%sinfo.txt" in the browser's folder, shown as
// the first folder opens: a held Ctrl key clears the don't-show flag, a set
// flag keeps the box away; its button 101 sets the flag. 1 when shown.
int ShowTitleBox(HWND owner);
// dra_screrror, at most one at a time.
void ShowScreenError(HWND owner);
// SHBrowseForFolder starting at `start`, showing the folders under `root`
// (null: the desktop); 1 with the chosen folder in `out` (MAX_PATH bytes),
// else 0.
int BrowseFolder(HWND owner, char* out, const char* start, const char* prompt, const char* root = nullptr);
