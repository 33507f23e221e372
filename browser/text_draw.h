// The browser's text drawing: text fitted into a box, text at a point and the
// size a text takes, all in the browser's interface face (its string 1000,
// "MS UI Gothic").
#pragma once
#include <windows.h>

// The interface face of the browser.
const char* BrowserFaceName();

// Text fitted and centred in the box (characters narrowed until it fits).
void DrawTextFit(HDC dc, int left, int top, int right, int bottom, const char* text, COLORREF colour);
// Text at (x, y), `height` pixels high; the point where it ends goes to
// endX, endY (the start point for an empty text).
void DrawTextAt(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int* endX, int* endY);
// The width and height the text takes at `height` pixels.
void MeasureTextSize(HDC dc, int height, const char* text, SIZE* out);
