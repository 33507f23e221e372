// Start-up, message loop and exit of darnaedit, and the frame's WM_CREATE and
// WM_DESTROY.
//
// Two environment variables serve the end-to-end tests and are read only when
// present:
//   DARNA_PROGRAM_FOLDER  the folder used instead of the program file's own
//                         (settings, work files and plug-ins are looked up there);
//   DARNA_TEST_LOG        a file to which the program appends one line per event a
//                         test checks from outside: "open <path>" for every file it
//                         is asked to open, "message <text>" for every message box,
//                         which is then answered with its first button instead of
//                         waiting for a user.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// WinMain, split into its steps so that tests can run them in-process.
// Steps 1-4: locale, settings blocks zeroed, image-store lock, panel colour.
void StartupInit(HINSTANCE instance);
// Single instance: 1 when this is the only editor; 0 when another one runs (the
// paths were handed to it, or the refusal message was shown).
int StartupSingleInstance(const std::vector<std::string>& args);
// Program folder (or DARNA_PROGRAM_FOLDER): 0 after the message when none.
int StartupProgramFolder();
// Settings files, menus, bitmaps, accelerators, clipboard formats.
void StartupLoadSettings();
int StartupLoadResources();
// Creates and shows the frame at its remembered place; registers the wheel
// message. 0 when the frame was not created.
int StartupCreateFrame(int showCommand);
int RunMessageLoop();
// Frees what the start-up made (after the loop).
void StartupCleanup();

// Command-line paths queued at frame creation (kept for the whole run).
void SetCommandLineFiles(const std::vector<std::string>& args);
// Arguments after the program name, in code page 932.
std::vector<std::string> GetCommandLineArgs();

// The frame's WM_CREATE (1 on success) and WM_DESTROY.
int FrameOnCreate(HWND frame);
int InitAppState(HWND frame);
void FrameOnDestroy(HWND frame);

// Frame rectangle from the stored position and size words, kept on a screen of
// the given size: at least 384 x 128, at most the screen.
RECT ComputeFrameRect(unsigned positionWord, unsigned sizeWord, int screenWidth, int screenHeight);

// Test seam: a colour depth used instead of the display's (0: the display's).
void SetColourDepthOverride(int bitsPerPixel);

// Appends "<kind> <text>" to the DARNA_TEST_LOG file when that is set.
void AppendTestLog(const char* kind, const char* text);
void SetTestLogPath(const char* path);
