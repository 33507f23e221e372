// The browser's tool bar, the modeless dialog ivm_toolbar along the top of the
// frame: picture buttons (ToolBarIconClass), the file-type box that sets the
// pattern list from the reader plug-ins, the folder history box and the
// topmost switch.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ToolbarDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// Empties the history box and adds the display form of each history entry;
// selects item 0.
void FillHistoryCombo();
// Sets the pattern list from item `index` of the file-type box (0: "*").
void SetPatternFromTypeIndex(int index);
// Items of the file-type box after "すべてのファイル", one per extension.
int FileTypeCount();
