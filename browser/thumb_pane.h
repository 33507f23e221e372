// The thumbnail pane (class view_class): one ThumbCell window (list_class) per
// FileList entry laid out in a grid of cells of the settings' size, scrolled by
// rows; and the thumbnail loader: a 20-ms timer of the pane starts one loader
// thread at a time for the next file without a cached thumbnail (cache set
// 10). The loader works on its own copy of the path and box size and tells
// the pane by a posted message when a thumbnail is ready; every refresh and
// command waits for it first.
#pragma once
#include <windows.h>

#include <vector>

#include "image/packed_dib.h"

constexpr int kThumbCacheSet = 10;
// Posted by the loader: wParam the entry index, lParam the list generation.
constexpr UINT kMsgThumbReady = WM_APP + 20;

LRESULT CALLBACK ThumbPaneWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ThumbCellWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Rebuilds the FileList and the cells from the current folder and pattern
// list; with addToHistory the folder goes to the folder history. Returns 1.
int RefreshFileList(HWND pane, int addToHistory);
// Scrolls the pane by whole rows until the entry's cell is in view.
void ScrollCellIntoView(HWND pane, int index);
// Kills (stop 1) or starts (stop 0) the pane's 20-ms loader timer.
void SetThumbTimer(HWND pane, int stop);
// Waits for a running loader thread to end, answering messages sent to this
// thread meanwhile (a plug-in reports progress to the status bar).
void WaitThumbLoader();
// Marks the list busy and waits for the loader; ResumeThumbLoader ends the
// mark (pauses nest: a command that refreshes keeps the loader paused).
void PauseThumbLoader();
void ResumeThumbLoader();

// 1 when the folder can be listed, else 0 after "このフォルダは無効または参照
// できません。" (silently for an empty path).
int CheckFolderUsable(const char* path);

// The thumbnail of a file as the loader makes it: the reader's quick picture,
// else the whole picture, fitted into the box by nearest neighbour; a file
// that cannot be read gives a black box-sized placeholder. Never null unless
// memory is short.
PackedDib MakeThumbnail(const char* path, int boxWidth, int boxHeight);
// The loader's box for cells of W x H: 4W/5 by (4H - 64)/5.
void ThumbBoxSize(int cellWidth, int cellHeight, int* boxWidth, int* boxHeight);

// The grid of the pane for `count` cells of W x H in a client area.
struct ThumbGrid {
    int columns, rows, visibleRows, topRow;
};
ThumbGrid ComputeThumbGrid(int count, int clientWidth, int clientHeight, int cellWidth, int cellHeight, int topRow);
ThumbGrid CurrentThumbGrid();
// The cells of the rectangle of rows and columns spanned by two cells.
std::vector<int> CellRectangle(int anchor, int index, int columns, int count);

// Left click on a cell (with the drag start), right click (cell menu).
void SelectCell(HWND cell);
void ShowCellMenu(HWND cell);
// Sets one entry's selection and repaints its cell.
void SetCellSelected(int index, int selected);
// Repaints every cell.
void RepaintAllCells();
