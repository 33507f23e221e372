#include "ui/sysutil.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/dlgfield.h"

namespace {

// Copies at most outSize - 1 bytes without splitting a double-byte character.
void CopyBounded(char* out, size_t outSize, const char* src, size_t len) {
    if (!out || outSize == 0) return;
    if (len > outSize - 1) {
        size_t keep = 0;
        for (size_t i = 0; i < len;) {
            size_t n = (IsSjisLead((unsigned char)src[i]) && i + 1 < len) ? 2 : 1;
            if (keep + n > outSize - 1) break;
            keep += n;
            i += n;
        }
        len = keep;
    }
    std::memcpy(out, src, len);
    out[len] = '\0';
}

// Address of the "." that starts the extension of the path's file name, or null.
const char* FindExtensionDot(const char* path) {
    const char* dot = nullptr;
    for (const unsigned char* p = (const unsigned char*)path; *p;) {
        if (IsSjisLead(p[0]) && p[1]) {
            p += 2;
            continue;
        }
        if (*p == '\\') dot = nullptr;
        else if (*p == '.') dot = (const char*)p;
        ++p;
    }
    return dot;
}

inline unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Case-insensitive for ASCII letters, exact for double-byte characters (whose
// trail bytes may be letters).
int CompareNoCaseRaw(const char* a, const char* b) {
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (;;) {
        if (IsSjisLead(*p) && p[1] && *p == *q) {
            if (p[1] != q[1]) return (int)p[1] - (int)q[1];
            p += 2;
            q += 2;
            continue;
        }
        int d = (int)AsciiLower(*p) - (int)AsciiLower(*q);
        if (d || !*p) return d;
        ++p;
        ++q;
    }
}


}  // namespace

bool WriteAll(HANDLE h, const void* data, size_t size) {
    const char* p = (const char*)data;
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : (DWORD)size;
        DWORD done = 0;
        if (!WriteFile(h, p, chunk, &done, nullptr) || done != chunk) return false;
        p += chunk;
        size -= chunk;
    }
    return true;
}

int ReplaceFileThroughTemp(const char* path, WriteToPathFn write, void* user) {
    if (!path || !*path || !write || std::strlen(path) >= MAX_PATH) return 0;
    char folder[MAX_PATH];
    const char* bs = FindLastBackslash(path);
    if (bs) CopyBounded(folder, sizeof folder, path, (size_t)(bs - path) + 1);
    else std::strcpy(folder, ".\\");
    // A read-only file is never replaced; the replacement of another keeps
    // its hidden, system and archive attributes.
    const DWORD old = GetFileAttributesA(path);
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY)) return 0;
    char tmp[MAX_PATH];
    if (!GetTempFileNameA(folder, "~dr", 0, tmp)) return 0;
    int result = write(user, tmp);
    if (result && !MoveFileExA(tmp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) result = 0;
    if (!result) DeleteFileA(tmp);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (result && old != INVALID_FILE_ATTRIBUTES && (old & kept)) SetFileAttributesA(path, old & kept);
    return result;
}

namespace {
struct HandleWrite {
    WriteToHandleFn write;
    void* user;
};

int WriteThroughHandle(void* user, const char* temporaryPath) {
    const HandleWrite* job = (const HandleWrite*)user;
    HANDLE h = CreateFileA(temporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    bool ok = job->write(h, job->user);
    if (ok) ok = FlushFileBuffers(h) != 0;
    if (!CloseHandle(h)) ok = false;
    return ok ? 1 : 0;
}
}  // namespace

int WriteFileReplacingWith(const char* path, WriteToHandleFn write, void* user) {
    if (!write) return 0;
    HandleWrite job = {write, user};
    return ReplaceFileThroughTemp(path, WriteThroughHandle, &job);
}

int CountLeadDbcs(const char* text) {
    if (!text) return 0;
    const unsigned char* p = (const unsigned char*)text;
    size_t len = std::strlen(text);
    int count = 0;
    for (size_t i = 0; i + 1 < len; ++i) {
        if (!(IsSjisLead(p[i]) && IsSjisTrail(p[i + 1]))) break;
        ++count;
    }
    return count;
}

const char* FindLastBackslash(const char* path) {
    if (!path) return nullptr;
    const char* last = nullptr;
    for (const unsigned char* p = (const unsigned char*)path; *p;) {
        if (IsSjisLead(p[0]) && p[1]) {
            p += 2;
            continue;
        }
        if (*p == '\\') last = (const char*)p;
        ++p;
    }
    return last;
}

int SplitPath(const char* path, char* folder, char* name, size_t outSize) {
    if (!path || !*path || std::strlen(path) >= outSize) return 0;
    const char* bs = FindLastBackslash(path);
    if (!bs) return 0;
    if (folder) CopyBounded(folder, outSize, path, (size_t)(bs - path));
    if (name) CopyBounded(name, outSize, bs + 1, std::strlen(bs + 1));
    return 1;
}

void ShortenPath(const char* path, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    if (!path) {
        out[0] = '\0';
        return;
    }
    char folder[MAX_PATH], name[MAX_PATH];
    if (!SplitPath(path, folder, name) || std::strlen(folder) <= 16) {
        CopyBounded(out, outSize, path, std::strlen(path));
        return;
    }
    char work[MAX_PATH + 8];
    size_t n = 0;
    const unsigned char* p = (const unsigned char*)folder;
    while (*p) {
        size_t step = (IsSjisLead(p[0]) && p[1]) ? 2 : 1;
        if (n + step > 64) break;
        std::memcpy(work + n, p, step);
        bool stop = step == 1 && *p == '\\' && n >= 15;
        n += step;
        p += step;
        if (stop) break;
    }
    std::memcpy(work + n, "..\\", 3);
    n += 3;
    size_t nameLen = std::strlen(name);
    if (nameLen > sizeof work - 1 - n) nameLen = sizeof work - 1 - n;
    std::memcpy(work + n, name, nameLen);
    n += nameLen;
    CopyBounded(out, outSize, work, n);
}

int GetExtension(const char* path, char* out, size_t outSize) {
    if (!path) return 0;
    const char* dot = FindExtensionDot(path);
    if (!dot) return 0;
    CopyBounded(out, outSize, dot + 1, std::strlen(dot + 1));
    return 1;
}

int HasExtension(const char* path, const char* ext) {
    if (!path || !ext) return 0;
    const char* dot = FindExtensionDot(path);
    if (!dot) return 0;
    return CompareNoCaseRaw(dot + 1, ext) == 0 ? 1 : 0;
}

int ExtensionEquals(const char* path, const char* ext) {
    if (HasExtension(path, ext)) return 1;
    if (!path || !ext) return 0;
    const char* dot = FindExtensionDot(path);
    if (!dot) return 0;
    char part[MAX_PATH];
    size_t len = std::strlen(dot + 1);
    if (len == 0 || len >= sizeof part || dot[len] != '"') return 0;
    std::memcpy(part, dot + 1, len - 1);
    part[len - 1] = '\0';
    return CompareNoCaseRaw(part, ext) == 0 ? 1 : 0;
}

int CompareNoCase(const char* a, const char* b) {
    char x[256], y[256];
    CopyBounded(x, sizeof x, a ? a : "", a ? std::strlen(a) : 0);
    CopyBounded(y, sizeof y, b ? b : "", b ? std::strlen(b) : 0);
    return CompareNoCaseRaw(x, y);
}

int IsDcimPath(const char* path) {
    if (!path || std::strlen(path) < 8) return 0;
    char head[9];
    std::memcpy(head, path, 8);
    head[8] = '\0';
    head[0] = 'a';
    return CompareNoCaseRaw(head, "a:\\dcim\\") == 0 ? 1 : 0;
}

void TrimTrailingSpaces(char* text) {
    if (!text) return;
    size_t len = std::strlen(text);
    while (len > 1 && text[len - 1] == ' ') text[--len] = '\0';
}

float RoundToHundredth(float value) { return (float)((int)(value * 100.0f) * 0.01); }

int FileExists(const char* path) {
    if (!path || !*path) return 0;
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(h);
    return 1;
}

int CanOpenForRead(const char* path) {
    if (!path || !*path) return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(h);
    return 1;
}

int IsDirectory(const char* path) {
    if (!path || !*path || std::strlen(path) >= MAX_PATH) return -1;
    char work[MAX_PATH];
    std::strcpy(work, path);
    // A folder path may end in its backslash (a real one, not a trail byte).
    const char* bs = FindLastBackslash(work);
    size_t len = std::strlen(work);
    if (bs && bs == work + len - 1 && len > 1) {
        if (work[len - 2] == ':') {   // a drive root
            DWORD a = GetFileAttributesA(work);
            if (a == INVALID_FILE_ATTRIBUTES) return -1;
            return (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
        }
        work[len - 1] = '\0';
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(work, &fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    FindClose(h);
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int GetFileLocalTime(const char* path, SYSTEMTIME* out) {
    if (!path || !out) return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FILETIME write, local;
    BOOL ok = GetFileTime(h, nullptr, nullptr, &write);
    CloseHandle(h);
    if (!ok || !FileTimeToLocalFileTime(&write, &local) || !FileTimeToSystemTime(&local, out))
        return 0;
    return 1;
}

int GetFileTimeStamp(const char* path) {
    SYSTEMTIME t;
    if (!GetFileLocalTime(path, &t)) return 0;
    return t.wSecond + 60 * (t.wMinute + 60 * (t.wHour + 24 * (t.wDay + 32 * t.wMonth))) + t.wYear;
}

int GetMyDocumentsPath(char* out) {
    if (!out) return 0;
    out[0] = '\0';
    return SHGetSpecialFolderPathA(nullptr, out, CSIDL_PERSONAL, FALSE) ? 1 : 0;
}

int GetModuleFolder(HMODULE module, char* out, size_t outSize) {
    if (!out || outSize == 0) return -1;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) path[0] = '\0';
    else path[n] = '\0';
    const char* bs = FindLastBackslash(path);
    size_t len = bs ? (size_t)(bs - path) + 1 : 0;
    if (len >= outSize) len = 0;   // would not fit whole: report an empty result
    CopyBounded(out, outSize, path, len);
    return out[0] ? 0 : -1;
}

int CreateSharedDirectory(const char* path) {
    if (!path) return 0;
    if (!IsWindowsNT()) {
        CreateDirectoryA(path, nullptr);
        return 1;
    }
    SECURITY_DESCRIPTOR sd;
    alignas(8) unsigned char aclBuf[1024];
    PACL acl = (PACL)aclBuf;
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    int ok = InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
             InitializeAcl(acl, sizeof aclBuf, ACL_REVISION2) &&
             AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone) &&
             AddAccessAllowedAceEx(acl, ACL_REVISION2, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   GENERIC_ALL, everyone) &&
             SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    if (ok) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
        CreateDirectoryA(path, &sa);
    }
    if (everyone) FreeSid(everyone);
    return ok ? 1 : 0;
}

namespace {
struct BytesWrite {
    const void* data;
    size_t size;
};
bool WriteBytes(HANDLE h, void* user) {
    const BytesWrite* job = (const BytesWrite*)user;
    return WriteAll(h, job->data, job->size);
}
}  // namespace

int WriteFileReplacing(const char* path, const void* data, size_t size) {
    if (size > 0 && !data) return 0;
    BytesWrite job = {data, size};
    return WriteFileReplacingWith(path, WriteBytes, &job);
}

namespace {
struct BlockCopy {
    HANDLE source;
    char* buffer;
    DWORD readBytes;
};
bool CopyBlocks(HANDLE target, void* user) {
    BlockCopy* job = (BlockCopy*)user;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(job->source, job->buffer, job->readBytes, &got, nullptr)) return false;
        if (got == 0) break;
        if (!WriteAll(target, job->buffer, got)) return false;
    }
    // Closed before the move, so that a file can be copied onto itself.
    CloseHandle(job->source);
    job->source = INVALID_HANDLE_VALUE;
    return true;
}
}  // namespace

int CopyFileBlocks(const char* source, const char* target) {
    constexpr DWORD kBufferBytes = 32000, kReadBytes = 30000;
    if (!source || !target) return 0;
    char* buf = (char*)std::malloc(kBufferBytes);
    if (!buf) return 0;
    HANDLE src = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (src == INVALID_HANDLE_VALUE) {
        std::free(buf);
        return 0;
    }
    BlockCopy job = {src, buf, kReadBytes};
    int r = WriteFileReplacingWith(target, CopyBlocks, &job);
    if (job.source != INVALID_HANDLE_VALUE) CloseHandle(job.source);
    std::free(buf);
    return r;
}

void WaitMs(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD now = GetTickCount();
        if (now < start || now - start >= ms) break;
    }
}

int IsWindowsNT() {
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&vi)) return 1;
#pragma GCC diagnostic pop
    return vi.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

void RelayoutWindow(HWND wnd, int repaint) {
    RECT r;
    if (!GetClientRect(wnd, &r)) return;
    SendMessageA(wnd, WM_SIZE, IsZoomed(wnd) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                 MAKELPARAM(r.right - r.left, r.bottom - r.top));
    if (repaint) RedrawNow(wnd);
}

void ResizeDlgItem(HWND dlg, int id, int width, int height) {
    HWND item = GetDlgItem(dlg, id);
    RECT r;
    if (!item || !GetWindowRect(item, &r)) return;
    POINT tl = {r.left, r.top};
    ScreenToClient(dlg, &tl);
    MoveWindow(item, tl.x, tl.y, width, height, TRUE);
}

int GetRegStringValue(HKEY root, const char* subKey, const char* name, char* out,
                      size_t outSize) {
    if (!name || !out || outSize == 0) return 0;
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int found = 0;
    DWORD nameCap = 1024, dataCap = 1024;
    char* valName = (char*)std::malloc(nameCap);
    unsigned char* data = (unsigned char*)std::malloc(dataCap + 1);
    for (DWORD i = 0; valName && data;) {
        DWORD nameLen = nameCap, dataLen = dataCap, type = 0;
        LONG rc = RegEnumValueA(key, i, valName, &nameLen, nullptr, &type, data, &dataLen);
        if (rc == ERROR_MORE_DATA) {
            // Enumerate this value again with buffers of the sizes asked for.
            if (nameCap >= 16384 && dataLen <= dataCap) break;
            nameCap = 16384;
            if (dataLen > dataCap) dataCap = dataLen;
            std::free(valName);
            std::free(data);
            valName = (char*)std::malloc(nameCap);
            data = (unsigned char*)std::malloc(dataCap + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        if (std::strcmp(valName, name) == 0) {
            size_t len = dataLen;
            if (len > 0 && data[len - 1] == '\0') --len;
            data[len] = '\0';
            len = std::strlen((const char*)data);
            CopyBounded(out, outSize, (const char*)data, len);
            found = 1;
        }
        ++i;
    }
    std::free(valName);
    std::free(data);
    RegCloseKey(key);
    return found;
}

int SetFirstFreeTimer(HWND wnd, UINT ms) {
    for (int id = 0; id < 30000; ++id)
        if (SetTimer(wnd, (UINT_PTR)id, ms, nullptr)) return id;
    return -1;
}
