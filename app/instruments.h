// The frame's side of its instruments (bars, status bar, panels, title window):
// what the frame does with them at creation, on its timer, on commands and
// before its settings are written.
#pragma once
#include <windows.h>

// Frame creation: the pen colour and gauge model from the settings, the swatch
// listener, the title window.
void InstrumentsOnFrameCreate(HWND frame);
// Every tick of the frame timer.
void InstrumentsOnTimerTick();
// Commands the instruments answer (about box, camera input): 1 when handled.
int InstrumentsOnCommand(HWND frame, int id);
// Before the settings are written: the pen colour and gauge model into EnvBlock.
void InstrumentsBeforeSave();
