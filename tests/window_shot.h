// Pictures of windows for people to look at: a window as it shows on the
// display, written to a PNG file.
#pragma once
#include <windows.h>

#include <string>

namespace testsupport {

// Runs the thread's pending messages, three rounds 10 ms apart (repaints finish).
void RunMessages();

// Repaints the window with its frame and children, runs pending messages, and
// writes what the screen shows of it to path; false when nothing was written.
bool ShootWindow(HWND w, const std::string& path);

}  // namespace testsupport
