#include "image/progress.h"

#include <atomic>

namespace {
std::atomic<HWND> g_progressWindow{nullptr};
}

void SetProgressWindow(HWND window) { g_progressWindow.store(window); }

HWND GetProgressWindow() { return g_progressWindow.load(); }

void SendProgress(int percent) {
    HWND w = g_progressWindow.load();
    if (w) SendMessageA(w, WM_USER, 3, (LPARAM)percent);
}

void SendProgressEnd() {
    HWND w = g_progressWindow.load();
    if (w) SendMessageA(w, WM_USER, 0, 0);
}
