// The parts box: a modal, resizable dialog (dra_partsbox) showing the image
// files of one folder as a grid of 96 x 96 thumbnail cells, returning the file
// the user picks. Thumbnails are made by one worker thread at a time, started
// by a 50 ms timer of the grid, and kept in thumbnail cache set 88 while the
// dialog is open. Serves the open dialog's parts-box button, the material tool
// and the camera input.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr int kPartsBoxMaxFiles = 5120;
constexpr int kPartsBoxCacheSet = 88;

// Shows the folder (a path naming a file is cut after its last backslash; no
// backslash at all gives 0) with the pattern from its third character on
// ("*.*" becomes "*": every extension a reader knows; else extensions
// separated by ';'). 1 with the chosen path in `chosen` (MAX_PATH bytes) when
// the user confirmed, else 0.
int OpenPartsBox(HWND owner, const char* folderOrPath, char* chosen, const char* pattern, const char* title);

// The files the parts box lists for a folder (with a trailing backslash) and an
// extension pattern ("*" or "ext;ext"): each extension's names sorted
// without regard to case, at most kPartsBoxMaxFiles full paths; paths that would
// not fit MAX_PATH are left out. Returns the count of names found (also past the limit).
int ListPartsFiles(const char* folder, const char* pattern, char (*paths)[MAX_PATH], int capacity);

// The dialog's place and size (left, top, width, height in screen pixels),
// kept in the settings from one run to the next; a width or height below 1
// means none (the template's place). A stored rectangle is taken only when its
// values are sensible window geometry.
void SetPartsBoxPlacement(const int32_t rect[4]);
void GetPartsBoxPlacement(int32_t rect[4]);

// Window procedures of the grid (PartsBoxBaseClass) and of a cell
// (PartsBoxThmlClass), registered by the program.
LRESULT CALLBACK PartsBoxBaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK PartsBoxThmlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// For tests: the open parts box's grid (null when none), its cells' count and
// whether cell i's thumbnail is drawn.
HWND PartsBoxGrid();
int PartsBoxCellCount();
HWND PartsBoxCell(int index);
int PartsBoxCellDone(int index);
