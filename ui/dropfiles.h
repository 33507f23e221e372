// The DROPFILES block that hands a list of files to the running editor: a
// standard 20-byte header (names at offset 20, fWide 0), NUL-terminated
// code-page-932 paths and one more NUL, sent with WM_COPYDATA to the window of
// class dvw_ (a posted WM_DROPFILES cannot carry memory to another process).
// Built by the browser and by a second start of the editor, checked by the
// editor's receiver.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// dwData of the WM_COPYDATA that carries a DROPFILES block.
constexpr ULONG_PTR kDropFilesCopyData = 0x44524F50;   // "DROP"

// A movable, zero-filled DROPFILES block with no names yet (header and the final
// NUL), or null when GlobalAlloc fails.
HGLOBAL BuildDropFiles(POINT dropPoint, BOOL nonClient);
// Appends one path; returns the reallocated block, or null when GlobalReAlloc
// fails (the old block is then left as it was).
HGLOBAL AppendDropFile(HGLOBAL block, const char* path);

// Checks a DROPFILES block received from outside and returns its paths in order.
// 0 (and no paths) when the block is malformed: short, names outside the block,
// wide names, a name without its NUL or a path of MAX_PATH bytes or more.
int ParseDropFiles(const void* data, size_t size, std::vector<std::string>* paths);

// Sends the paths to the editor window; 1 when the window took them.
int SendHandOver(HWND target, const std::vector<std::string>& paths);
