// Running the editor's frame in the test process.
#pragma once
#include <functional>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct CanvDoc;

namespace apptest {

// Registers the window classes once per process (a second registration fails).
void EnsureClasses();

// Start-up of the editor in-process with the given program folder: settings read,
// resources loaded, frame created. False when the frame failed. The frame stays
// hidden unless asked: a shown window takes Wine two seconds to destroy when no
// window manager runs.
bool StartFrame(const std::string& folder, const std::vector<std::string>& args = {}, int show = SW_HIDE);
// Closes the frame with WM_CLOSE, runs messages until it is gone and WM_QUIT was
// seen, then frees the start-up resources. False when the frame stayed.
bool CloseFrame(DWORD timeoutMs = 5000);
// Destroys the frame without closing it (no settings are written, which takes
// a while with the flushes of every file), then frees the start-up resources.
bool EndFrame(DWORD timeoutMs = 5000);
// The end of a test's frame: the modal answer hook and injected mouse samples
// removed, then the frame ended (forced when it stays) if it was started.
void EndTestFrame(bool started);
// Every bar and the control panel shown and laid out (a first start shows none).
void ShowEveryBar();
// Runs pending messages for about ms milliseconds.
void Pump(DWORD ms);
// Pumps until `done` holds or `timeoutMs` have passed; whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Ends a frame that refused WM_CLOSE (the test's clean-up).
void ForceEnd();

// Message boxes answered by a fixed button; the texts shown are collected.
struct BoxAnswers {
    int button = IDOK;
    std::vector<std::string> texts;
};
void AnswerBoxes(BoxAnswers* answers);   // null removes the hook

std::string MenuText(HMENU menu, UINT id);   // by command, CP932

// A blank 24-bit canvas of w x h in the running frame, made the way File > New
// makes it (from a cleared request); its window, not activated, or null.
HWND CreateBlankCanvas(int w, int h, int dpi = 96);
// The same, made the active canvas.
HWND OpenBlankCanvas(int w, int h);
// Writes pattern(x, y) to every pixel of the document's base plane.
void FillBasePlane(CanvDoc* doc, uint32_t (*pattern)(int x, int y));
// Closes a canvas window without its save question (nothing when it is gone).
void CloseCanvasUnsaved(HWND canvas);

// The gradient dialog (Ctrl+R) answered with its ramp button of mode 0..6 and OK.
void ChooseFade(int mode);
// The text tool set to write text at size by the rasteriser's route (not the
// sticker's) with a sharp pure blue shadow offset by dx, dy.
void SetBlueShadowedText(const char* text, int size, int dx, int dy);

// The staged program folder (build/dist/, with its trailing backslash).
std::string Dist();
// Copies the folder from (with its subfolders) into to; both end in a backslash.
void CopyTree(const std::string& from, const std::string& to);
// A photo-like picture written as a 24-bit BMP: colour gradients under
// grain, its tones kept inside 30..225 so that a tone stretch has room.
bool WritePhotoBmp(const std::string& path, int w, int h);

// A new canvas of the packed bitmap (a CreatePackedDib block, whose ownership
// passes), handed to the frame as a scanned picture is; the active canvas window.
HWND HandOverPicture(BITMAPINFOHEADER* dib);

}  // namespace apptest
