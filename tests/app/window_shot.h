// Pictures of windows for review: what a window shows on the display, written
// as a PNG file.
#pragma once
#include <windows.h>

#include <string>

namespace apptest {

// The window (its frame too) as the display shows it now, into path. False
// when it has no size or the file could not be written.
bool ShootWindowPng(HWND w, const std::string& path);

}  // namespace apptest
