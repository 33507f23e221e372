// quillet: the browser's companion program, started by darnaview (Ctrl+N, and
// the search dialog's Jump after it has written jump.dat). It lives beside
// darnaview.exe. With a jump.dat in its folder it reads the path written
// there, removes the file and has the browser show that file (its folder
// opened, the file selected); without one it brings the browser up. A browser
// that is not running is started first.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "browser/companion_link.h"

namespace {

const char kBrowserClass[] = "darnaview_class_name";
const char kCaption[] = "quillet";
constexpr DWORD kStartWaitMs = 20000;   // for a starting browser's window
constexpr UINT kSendWaitMs = 15000;     // for the browser to answer

// The folder of this program, with its trailing backslash; false when unknown.
bool OwnFolder(char* out, size_t size) {
    DWORD n = GetModuleFileNameA(nullptr, out, (DWORD)size);
    if (n == 0 || n >= size) return false;
    char* slash = std::strrchr(out, '\\');
    if (!slash) return false;
    slash[1] = 0;
    return true;
}

// The first line of jump.dat (without its line end), the file removed.
// False when there is no such file or no path in it.
bool TakeJumpPath(const char* folder, char* path, size_t size) {
    char file[MAX_PATH + 16];
    if (std::snprintf(file, sizeof file, "%sjump.dat", folder) >= (int)sizeof file) return false;
    FILE* f = std::fopen(file, "rb");
    if (!f) return false;
    char line[kShowFilePathBytes + 2] = {};
    const size_t got = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    DeleteFileA(file);
    line[got] = 0;
    line[std::strcspn(line, "\r\n")] = 0;
    if (!line[0] || std::strlen(line) >= size) return false;
    std::memcpy(path, line, std::strlen(line) + 1);
    return true;
}

HWND StartBrowser(const char* folder) {
    char exe[MAX_PATH + 16];
    if (std::snprintf(exe, sizeof exe, "%sdarnaview.exe", folder) >= (int)sizeof exe) return nullptr;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi)) return nullptr;
    HWND browser = nullptr;
    const DWORD start = GetTickCount();
    while (!browser && GetTickCount() - start < kStartWaitMs) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;   // it ended without a window
        browser = FindWindowA(kBrowserClass, nullptr);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return browser;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char folder[MAX_PATH];
    if (!OwnFolder(folder, sizeof folder)) return 1;
    char path[kShowFilePathBytes] = {};
    const bool jump = TakeJumpPath(folder, path, sizeof path);
    HWND browser = FindWindowA(kBrowserClass, nullptr);
    if (!browser) browser = StartBrowser(folder);
    if (!browser) {
        MessageBoxA(nullptr, "ファイル一覧を起動できません。", kCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!jump) {
        if (IsIconic(browser)) ShowWindow(browser, SW_RESTORE);
        SetForegroundWindow(browser);
        return 0;
    }
    COPYDATASTRUCT data = {};
    data.dwData = kShowFileCopyData;
    data.cbData = (DWORD)std::strlen(path) + 1;
    data.lpData = path;
    DWORD_PTR shown = 0;
    if (!SendMessageTimeoutA(browser, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, kSendWaitMs, &shown)) return 2;
    return shown ? 0 : 2;
}
