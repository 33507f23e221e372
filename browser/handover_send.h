// Handing files from the browser to the editor: a double click on a cell, or
// a drag of cells onto the editor's window, sends the selected paths (and the
// clicked cell's) in list order as a DROPFILES block by WM_COPYDATA to the
// window of class dvw_ (ui/dropfiles.h). While the editor opens them the
// browser's frame shrinks to nothing; the editor's message 1034 restores it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

extern const char kEditorFrameClass[];   // "dvw_"

// The paths of every entry that is selected or is entry `index`, in list order.
std::vector<std::string> HandOverPaths(int index);
// Double click on a cell.
void PostSelectionToMain(HWND cell);
// The drag that SelectCell starts once the cursor has moved.
void TrackCellDrag(HWND cell);
// Puts the frame back where it was before a hand-over.
void RestoreBrowserFrame();
