// The print command of a document window: hands the document, as the window
// shows it, to the printing code.
#pragma once
#include <windows.h>

struct CanvDoc;

// Command 10005: 1 when a job was printed to the end.
int PrintCanvDoc(HWND wnd, CanvDoc* doc);
