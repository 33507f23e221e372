// New-canvas requests from frame commands: the preparers that fill
// NewCanvasRequest for opening a file, a received scanner image, a merged
// copy, duplicates and a copy of the selection; the creation of the canvas
// window; and the hand-down of the frame's state to the canvas at start-up.
#pragma once
#include <windows.h>

// Each preparer returns 1 when the request is ready, 0 when refused.
int OpenCanvasFile(HWND frame, const char* path);
int ReceiveImageFile(HWND frame, HGLOBAL packedDib);
int PrepareMergedCopy(HWND frame);
int PrepareDuplicate(HWND frame);
// mode 1: right 90 degrees, -1: left (270 degrees); 0 (ask the angle) needs
// the rotate dialog and is refused until it exists.
int PrepareRotatedDuplicate(HWND frame, int mode);
// A copy of the active canvas with every layer turned by degrees; inPlace: the
// copy takes the source's name and place (the quarter turns of 21075/21076).
int PrepareTurnedCopy(HWND frame, double degrees, int inPlace);
// Command 21029: the rotate dialog on the active canvas, then a turned copy by
// its choice (nothing for Cancel or an angle of 0).
int PrepareFreeTurn(HWND frame);
int PrepareSelectionCopy(HWND frame);

// The new MDI child of class CanvClass, or null (the request's title is reset
// to "名前なし" either way).
HWND CreateCanvasWindow();

// Rotated point, each coordinate rounded half away from zero.
void RotatePoint(int x, int y, double degrees, int* outX, int* outY);

// The frame's windows, folder, tool and settings handed to the canvas.
void InstallCanvasHost();

// The application's default grid colour (the grid dialog stores its choice).
extern COLORREF DefaultGridColour;
