#include "image/memmap_file.h"

#include <io.h>

#include <cstdio>
#include <cstring>

#include "ui/msgbox.h"

c_MemMapFile::c_MemMapFile(const char* nameTemplate) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    granularity_ = si.dwAllocationGranularity ? si.dwAllocationGranularity : 65536;
    windowUnit_ = 512ull * granularity_;
    lstrcpynA(template_, nameTemplate ? nameTemplate : "pmemfileXXXXXX", sizeof(template_));
}

c_MemMapFile::~c_MemMapFile() { Close(); }

int c_MemMapFile::Create(uint64_t size, int number) {
    Close();
    char unique[32];
    lstrcpynA(unique, template_, sizeof(unique));
    _mktemp(unique);
    char name[64];
    std::snprintf(name, sizeof(name), "%s_%d", unique, number);

    const uint64_t g = granularity_;
    uint64_t rounded = (size + g - 1) / g * g;
    uint64_t tenth = rounded / 10;
    uint64_t unit = (tenth + g - 1) / g * g;
    if (unit == 0) unit = g;   // a tiny or empty mapping still moves in whole units
    windowUnit_ = unit;
    mappingSize_ = rounded + unit;
    usable_ = rounded;
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                  (DWORD)(mappingSize_ >> 32), (DWORD)mappingSize_, name);
    if (mapping_ && GetLastError() == ERROR_ALREADY_EXISTS) {
        // The name is taken (another object with the same number): never share
        // someone else's pixels; use a mapping of our own without a name.
        CloseHandle(mapping_);
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                      (DWORD)(mappingSize_ >> 32), (DWORD)mappingSize_, nullptr);
    }
    if (!mapping_) {
        ShowLastError();
        return -1;
    }
    return 0;
}

int c_MemMapFile::Access(uint64_t position, size_t length, void* buffer, bool write) {
    if (!mapping_) return -1;
    if (position > usable_ || length > usable_ - position) return -1;
    HANDLE thread = GetCurrentThread();
    int priority = GetThreadPriority(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    if (!(viewAddress_ && viewOffset_ <= position && position + length <= viewOffset_ + viewLength_)) {
        if (viewAddress_) UnmapViewOfFile(viewAddress_);
        viewAddress_ = nullptr;
        viewLength_ = 0;
        uint64_t offset = windowUnit_ * (position / windowUnit_);
        uint64_t p = position - offset;
        uint64_t len = windowUnit_ * ((p + length + windowUnit_ - 1) / windowUnit_);
        if (len == 0) len = windowUnit_;
        void* view = nullptr;
        if (len <= (uint64_t)SIZE_MAX)
            view = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, (DWORD)(offset >> 32), (DWORD)offset, (SIZE_T)len);
        if (!view) {
            ShowLastError();
            SetThreadPriority(thread, priority);
            return -1;
        }
        viewAddress_ = (uint8_t*)view;
        viewOffset_ = offset;
        viewLength_ = len;
    }
    uint8_t* at = viewAddress_ + (position - viewOffset_);
    if (write) std::memcpy(at, buffer, length);
    else std::memcpy(buffer, at, length);
    SetThreadPriority(thread, priority);
    return 0;
}

int c_MemMapFile::Write(uint64_t position, size_t length, const void* source) {
    return Access(position, length, const_cast<void*>(source), true);
}

int c_MemMapFile::Read(uint64_t position, size_t length, void* destination) {
    return Access(position, length, destination, false);
}

int c_MemMapFile::ShowLastError() {
    DWORD code = GetLastError();
    if (code == 0) return 1;
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, nullptr);
    ShowMessageBox(nullptr, text ? text : "", "Error", 0);
    if (text) LocalFree(text);
    return 0;
}

void c_MemMapFile::Close() {
    if (viewAddress_) UnmapViewOfFile(viewAddress_);
    viewAddress_ = nullptr;
    viewLength_ = 0;
    viewOffset_ = 0;
    if (mapping_) CloseHandle(mapping_);
    mapping_ = nullptr;
    if (file_) CloseHandle(file_);
    file_ = nullptr;
}
