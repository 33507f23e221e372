// The plain open and save dialogs of single file kinds: selection shapes
// (.DRS), colour corrections (.CRC) and Windows bitmaps (.BMP). Each takes its
// filter from a text in which "/" separates the fields.
#pragma once
#include <windows.h>

#include <string>

// "a/b/" becomes "a\0b\0\0".
std::string PlainFilter(const char* text);

// 1 with the chosen path in path (size bytes).
int OpenSelectionShapeDialog(HWND owner, char* path, int size);
int SaveSelectionShapeDialog(HWND owner, char* path, int size);
int OpenCurveFileDialog(HWND owner, char* path, int size);
int SaveCurveFileDialog(HWND owner, char* path, int size);
int OpenBitmapDialog(HWND owner, char* path, int size);
