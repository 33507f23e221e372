// Pieces shared by the colour panel and the colour chooser: the number display
// scale of colour fields and painting a control's area pixel by pixel.
#pragma once
#include <windows.h>

#include <functional>

// Channels shown as percentages when the number display mode is 1.
bool ColourPercentDisplay();
int ToDisplay(int value);      // (v x 100 + 127) / 255 in percent display
int FromDisplay(int shown);    // (p x 255 + 50) / 100 in percent display
// Upper limit of a channel field as typed (100 in percent display, else 255).
int ChannelFieldMax();
// Writes "%d" of the value as displayed (hue: isHue, never scaled).
void WriteColourField(HWND dlg, int id, int value, bool isHue);
// Reads a field typed by the user (empty: 0; clamped), scaled back.
int ReadColourField(HWND dlg, int id, int current, bool isHue);

// Fills w x h pixels at (x, y) of the DC with colour(x, y) through a 24-bit DIB.
void PaintPixels(HDC dc, int x, int y, int w, int h, const std::function<COLORREF(int, int)>& colour);

// The child control of a dialog under a point given in the dialog's client
// coordinates (hidden and disabled ones too); its id, or -1.
int ControlIdAt(HWND dlg, POINT pt);
// The polled cursor in the client coordinates of the control.
POINT CursorInControl(HWND control);
