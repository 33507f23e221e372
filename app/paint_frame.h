// The frame's side of the painting tools that live outside the canvas: the
// tablet (bound at frame creation, closed at exit, its dialog on F5), the
// screen-tone paths of tone.dat, the gradient dialog and the text tool's
// command.
#pragma once
#include <windows.h>

void PaintOnFrameCreate(HWND frame);
void PaintOnFrameDestroy();
// Before the settings files are written: tone.dat.
void PaintBeforeSave();
// The pen's menu items: the check of "strokes stay inside a selection".
void PaintMenuState(HMENU menu);
// -1 when the command is not the painting tools'; else 0 (done) or 1 (done,
// and passed on to the active canvas as the frame does with its commands).
int PaintOnCommand(HWND frame, int id);
struct CanvDoc;
// The text of the text tool floating over the document, to be moved and
// placed (the text-placing tool's part): 1 when it floats.
int FloatText(CanvDoc* doc);
// The pen bar's tablet button: the tablet dialog toggled through the frame.
void ShowTabletDialog(HWND owner);
