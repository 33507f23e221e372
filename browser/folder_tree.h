// The left-hand side of the browser: the folder tree (a SysTreeView32 over the
// shell namespace from the desktop down, folders only, filled as items are
// expanded; each item owns the absolute item list of its shell item) and the
// 16-pixel splitter glid_class that sets the tree's width.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Creates the tree as child 1 of the frame with the system's small icons and
// the desktop as its root.
HWND CreateFolderTree(HWND frame);
// Empties the tree (freeing every item's list) and inserts one root: the path,
// or the desktop when it is empty.
void FillFolderTree(HWND tree, const char* path);
// The frame's WM_NOTIFY from the tree; the result of the notification.
LRESULT OnFolderTreeNotify(HWND frame, NMHDR* header);
// Selects the folder (without its trailing backslash) in the tree, expanding
// the drives folder down to it; its selection lists it.
void SelectTreeFolder(const char* path);
// The path-prefix test of the walk: the child's path (lower-cased, length p)
// matches the first p bytes of the path (length n) at a folder boundary.
bool TreePathMatches(const char* childLower, const char* pathLower);

LRESULT CALLBACK SplitterWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
// Tree width after a drag that ends with the cursor at x (frame client) and
// the given grab offset: at least 32.
int SplitterTreeWidth(int cursorX, int grabOffset);
