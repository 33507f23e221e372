#include "browser/browser_pending.h"

void ShowFullView(HWND) {}
void PrintOneImage(HWND, int) {}
void PrintSelectedPages(HWND) {}
void IndexPrint(HWND) {}
void BatchConvert(HWND) {}
void SearchFiles(HWND, const char*) {}
