#include "test_support.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace testsupport {

TempDir::TempDir(const char* tag) {
    char base[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) lstrcpyA(base, "C:\\");
    for (unsigned i = 0;; ++i) {
        char name[MAX_PATH + 64];
        wsprintfA(name, "%sdarna_%s_%lu_%u", base, tag, GetCurrentProcessId(), i);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = std::string(name) + "\\";
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) RemoveTree(path_);
}

bool RemoveTree(const std::string& dir) {
    std::string d = dir;
    if (!d.empty() && d.back() == '\\') d.pop_back();
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((d + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string p = d + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(p);
            } else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(d.c_str()) != 0;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BOOL ok = size == 0 || WriteFile(h, data, (DWORD)size, &done, nullptr);
    CloseHandle(h);
    return ok && done == size;
}

bool WriteBmp24(const std::string& path, int w, int h, const void* rows, size_t size) {
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + (DWORD)size;
    std::string file((const char*)&fh, sizeof fh);
    file.append((const char*)&bi, sizeof bi);
    file.append((const char*)rows, size);
    return WriteFileBytes(path, file.data(), file.size());
}

bool ReadFileBytes(const std::string& path, std::string* out) {
    // Shared for writing too: the tests poll logs that another process is
    // appending to, and a reader that locks writers out makes it lose lines.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER sz;
    GetFileSizeEx(h, &sz);
    out->assign((size_t)sz.QuadPart, '\0');
    DWORD done = 0;
    BOOL ok = sz.QuadPart == 0 || ReadFile(h, out->data(), (DWORD)sz.QuadPart, &done, nullptr);
    CloseHandle(h);
    return ok && done == (DWORD)sz.QuadPart;
}

bool IsFinishedPdf(const std::string& path) {
    std::string data;
    if (!ReadFileBytes(path, &data) || data.size() <= 16) return false;
    size_t end = data.find_last_not_of("\r\n \t");
    return end != std::string::npos && end >= 4 && data.compare(end - 4, 5, "%%EOF") == 0;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return ((long long)a.nFileSizeHigh << 32) | a.nFileSizeLow;
}

std::string ExeFolder() {
    char p[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, p, MAX_PATH);
    std::string s(p, n);
    size_t cut = s.find_last_of('\\');   // exe folders here are plain ASCII
    return cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
}

StepDeadline::StepDeadline(const char* step, unsigned long ms) : ms_(ms) {
    std::snprintf(step_, sizeof step_, "%s", step);
    done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

StepDeadline::~StepDeadline() {
    SetEvent((HANDLE)done_);
    if (thread_) {
        WaitForSingleObject((HANDLE)thread_, INFINITE);
        CloseHandle((HANDLE)thread_);
    }
    CloseHandle((HANDLE)done_);
}

unsigned long __stdcall StepDeadline::Watch(void* param) {
    const StepDeadline* d = (const StepDeadline*)param;
    if (WaitForSingleObject((HANDLE)d->done_, (DWORD)d->ms_) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "\n*** %s: no end after %lu ms\n", d->step_, d->ms_);
        std::fflush(stdout);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 6);
    }
    return 0;
}

}  // namespace testsupport
