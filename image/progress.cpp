#include "image/progress.h"

#include <atomic>

namespace {
std::atomic<HWND> g_progressWindow{nullptr};
std::atomic<DWORD> g_progressThread{0};   // the thread that set the window

// Only the window's own thread reports: a worker thread that sent to it would
// wait for a thread that may be waiting for the worker.
HWND ProgressWindowHere() {
    HWND w = g_progressWindow.load();
    return w && GetCurrentThreadId() == g_progressThread.load() ? w : nullptr;
}

}  // namespace

void SetProgressWindow(HWND window) {
    g_progressThread.store(GetCurrentThreadId());
    g_progressWindow.store(window);
}

HWND GetProgressWindow() { return g_progressWindow.load(); }

void SendProgress(int percent) {
    HWND w = ProgressWindowHere();
    if (w) SendMessageA(w, WM_USER, 3, (LPARAM)percent);
}

void SendProgressEnd() {
    HWND w = ProgressWindowHere();
    if (w) SendMessageA(w, WM_USER, 0, 0);
}
