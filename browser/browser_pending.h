// Services of the browser that other parts of it provide and that are not
// built yet: full view and slide show, printing, batch conversion and file
// search. Each answers as the browser does when the service is unavailable:
// like its dialog cancelled, nothing changes. Each goes away here once its
// real implementation lands.
#pragma once
#include <windows.h>

void ShowFullView(HWND frame);                    // command 301 with a selection
void PrintOneImage(HWND frame, int index);        // command 103, one selected
void PrintSelectedPages(HWND frame);              // command 103, several selected
void IndexPrint(HWND frame);                      // command 104
void BatchConvert(HWND frame);                    // command 102
void SearchFiles(HWND frame, const char* pattern);  // command 206
