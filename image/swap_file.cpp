#include "image/swap_file.h"

#include <cstdio>
#include <cstring>

namespace {

struct SwapLock {
    explicit SwapLock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~SwapLock() { LeaveCriticalSection(cs_); }
    CRITICAL_SECTION* cs_;
};

bool IsNtPlatform() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return true;
#pragma GCC diagnostic pop
    return info.dwPlatformId > 1;
}

// Trace lines go to an attached debugger only: without one, every call would
// cost an exception dispatch for nothing on each extent made.
void Trace(const char* text) {
    if (IsDebuggerPresent()) OutputDebugStringA(text);
}

}  // namespace

c_SwapFile::c_SwapFile(const char* folder, int64_t (*freeSpace)(), int32_t sectorSize) {
    InitializeCriticalSection(&lock_);
    nt_ = IsNtPlatform();
    freeSpaceSeam_ = freeSpace;
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
        freeSpaceEx_ = (decltype(freeSpaceEx_))(void*)GetProcAddress(kernel, "GetDiskFreeSpaceExA");
    if (folder && *folder) {
        lstrcpynA(folder_, folder, MAX_PATH - 1);
        size_t n = strlen(folder_);
        if (n && folder_[n - 1] != '\\' && folder_[n - 1] != '/') strcat(folder_, "\\");
    } else {
        GetTempPathA(MAX_PATH, folder_);
    }
    if (!GetTempFileNameA(folder_, "mmf64", 1, name_)) name_[0] = 0;
    lstrcpynA(root_, folder_, 4);   // drive root, for example C:\ .
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (sectorSize > 0)
        sectorSize_ = (uint32_t)sectorSize;
    else if (GetDiskFreeSpaceA(root_, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
             bytesPerSector)
        sectorSize_ = bytesPerSector;
    else
        sectorSize_ = 16384;
}

c_SwapFile::~c_SwapFile() {
    Close();
    DeleteCriticalSection(&lock_);
}

void c_SwapFile::Close() {
    SwapLock guard(&lock_);
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        DeleteFileA(name_);
    }
}

bool c_SwapFile::Open(uint32_t growthStep) {
    SwapLock guard(&lock_);
    growthStep_ = (growthStep + 65535u) & ~65535u;
    if (!growthStep_) growthStep_ = 65536;
    if (name_[0])
        file_ = CreateFileA(name_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        // The fixed name is held by another running editor: take a name of our own.
        if (GetTempFileNameA(folder_, "mmf64", 0, name_))
            file_ = CreateFileA(name_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            if (name_[0]) DeleteFileA(name_);
            return false;
        }
    }
    usedEnd_ = 0;
    if (!SetLength(growthStep_)) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        DeleteFileA(name_);
        return false;
    }
    return true;
}

bool c_SwapFile::SetLength(int64_t length) {
    LARGE_INTEGER to;
    to.QuadPart = length;
    bool ok = SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
    LARGE_INTEGER size;
    if (GetFileSizeEx(file_, &size)) fileSize_ = size.QuadPart;
    return ok;
}

int32_t c_SwapFile::Alloc(uint32_t size, int64_t* offsetOut) {
    SwapLock guard(&lock_);
    uint32_t capacity = (size + sectorSize_ - 1) / sectorSize_ * sectorSize_;
    Trace("Alloc -- ");
    for (auto it = freeList_.begin(); it != freeList_.end(); ++it) {
        int32_t index = *it;
        if (capacities_[index] >= capacity) {
            sizes_[index] = size;
            if (offsetOut) *offsetOut = offsets_[index];
            freeList_.erase(it);
            isFree_[index] = 0;
            freeBytes_ -= capacities_[index];
            return index + 1;
        }
    }
    if (usedEnd_ + (int64_t)capacity >= fileSize_ && file_ != INVALID_HANDLE_VALUE) {
        int64_t need = usedEnd_ + capacity;
        int64_t length = (need + growthStep_ - 1) / growthStep_ * growthStep_;
        SetLength(length);
    }
    offsets_.push_back(usedEnd_);
    sizes_.push_back(size);
    capacities_.push_back(capacity);
    isFree_.push_back(0);
    if (offsetOut) *offsetOut = usedEnd_;
    usedEnd_ += capacity;
    int32_t id = (int32_t)offsets_.size();
    if (IsDebuggerPresent()) {
        char text[1024];
        snprintf(text, sizeof(text), "%d\n", id);
        Trace(text);
    }
    return id;
}

uint32_t c_SwapFile::Transfer(int32_t id, void* buffer, bool write) {
    SwapLock guard(&lock_);
    if (id < 1 || id > (int32_t)offsets_.size() || file_ == INVALID_HANDLE_VALUE) return 0;
    if (failSeam_ && failSeam_(write)) return 0;
    // A seek and a plain transfer: an offset given with the call (OVERLAPPED)
    // costs Wine's server a round trip each time.
    LARGE_INTEGER to;
    to.QuadPart = offsets_[id - 1];
    if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return 0;
    DWORD moved = 0;
    BOOL ok = write ? WriteFile(file_, buffer, sizes_[id - 1], &moved, nullptr)
                    : ReadFile(file_, buffer, sizes_[id - 1], &moved, nullptr);
    return ok ? moved : 0;
}

uint32_t c_SwapFile::Read(int32_t id, void* buffer) { return Transfer(id, buffer, false); }

uint32_t c_SwapFile::Write(int32_t id, const void* buffer) {
    return Transfer(id, (void*)buffer, true);
}

void c_SwapFile::Free(int32_t id) {
    SwapLock guard(&lock_);
    int32_t index = id - 1;
    if (index < 0 || index >= (int32_t)offsets_.size() || isFree_[index]) return;
    isFree_[index] = 1;
    freeList_.push_back(index);
    freeBytes_ += capacities_[index];
    if (freeList_.size() == offsets_.size()) {
        // Nothing is in use any more: start over at the first size.
        offsets_.clear();
        sizes_.clear();
        capacities_.clear();
        isFree_.clear();
        freeList_.clear();
        freeBytes_ = 0;
        usedEnd_ = 0;
        if (file_ != INVALID_HANDLE_VALUE && fileSize_ != growthStep_) SetLength(growthStep_);
    }
}

int64_t c_SwapFile::GetFreeSpace() {
    if (freeSpaceSeam_) return freeSpaceSeam_();
    if (freeSpaceEx_) {
        ULARGE_INTEGER available, total, totalFree;
        if (freeSpaceEx_(root_, &available, &total, &totalFree)) return (int64_t)available.QuadPart;
        return 0;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root_, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return (int64_t)sectorsPerCluster * bytesPerSector * freeClusters;
}

int c_SwapFile::GetDiskState() {
    if (file_ == INVALID_HANDLE_VALUE) return 2;
    if (!nt_) {
        DWORD high = 0;
        DWORD low = GetFileSize(file_, &high);
        if (low > 0x7FB00000u) return 3;
    }
    int64_t reusable;
    {
        SwapLock guard(&lock_);
        reusable = freeBytes_;
    }
    uint64_t units = (uint64_t)(GetFreeSpace() + reusable) / 262144u;
    if (units > 0xFFFFFFFFull) return 0;
    if (units <= 10) return 2;
    if (units <= 100) return 1;
    return 0;
}

int c_SwapFile::ExtentCount() {
    SwapLock guard(&lock_);
    return (int)offsets_.size();
}

int c_SwapFile::FreeCount() {
    SwapLock guard(&lock_);
    return (int)freeList_.size();
}

int64_t c_SwapFile::ExtentOffset(int32_t id) {
    SwapLock guard(&lock_);
    if (id < 1 || id > (int32_t)offsets_.size()) return -1;
    return offsets_[id - 1];
}
