// c_SwapFile: the editor's own temporary file that holds tile pixels that do
// not fit in the page pool and every saved version of every tile. It is carved
// into extents (one tile's pixels each), identified by ids from 1; freed
// extents are reused first-fit and the file grows in fixed steps. When every
// extent is free again the file goes back to its first size.
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <vector>

// windows.h still carries a 16-bit era macro of this name.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif

class c_SwapFile {
public:
    // folder: where the file goes (null: the temp folder). freeSpace and
    // sectorSize (> 0) replace the drive's figures (tests).
    explicit c_SwapFile(const char* folder = nullptr, int64_t (*freeSpace)() = nullptr,
                        int32_t sectorSize = -1);
    virtual ~c_SwapFile();
    c_SwapFile(const c_SwapFile&) = delete;
    c_SwapFile& operator=(const c_SwapFile&) = delete;

    // Creates the file at one growth step; true when open.
    bool Open(uint32_t growthStep);
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // Closes and deletes the file; extents can still be freed afterwards.
    void Close();

    // A new extent of size bytes (id >= 1); offsetOut may be null.
    int32_t Alloc(uint32_t size, int64_t* offsetOut);
    // Move the extent's requested size; return the bytes moved.
    uint32_t Read(int32_t id, void* buffer);
    uint32_t Write(int32_t id, const void* buffer);
    void Free(int32_t id);

    int64_t GetFreeSpace();
    // 0 fine, 1 low (<= 25 MB), 2 very low (<= 2.5 MB) or the file is not
    // open, 3 file near the 2 GB limit of the old platform.
    int GetDiskState();

    const char* RootPath() const { return root_; }
    const char* FileName() const { return name_; }
    int64_t FileSize() const { return fileSize_; }
    uint32_t SectorSize() const { return sectorSize_; }
    uint32_t GrowthStep() const { return growthStep_; }
    // For tests: extents ever made, extents free now, offset of an extent.
    int ExtentCount();
    int FreeCount();
    int64_t ExtentOffset(int32_t id);
    // For tests: while fails(write) answers true, reads (write false) or
    // writes (write true) move nothing, as on a full or failing disk.
    void SetFailureSeam(bool (*fails)(bool write)) { failSeam_ = fails; }

private:
    bool SetLength(int64_t length);
    uint32_t Transfer(int32_t id, void* buffer, bool write);

    char root_[MAX_PATH] = {};
    char folder_[MAX_PATH] = {};
    uint32_t growthStep_ = 0;
    int64_t fileSize_ = 0;
    char name_[MAX_PATH] = {};
    HANDLE file_ = INVALID_HANDLE_VALUE;
    int64_t usedEnd_ = 0;
    uint32_t sectorSize_ = 16384;
    std::vector<int64_t> offsets_;
    std::vector<uint32_t> sizes_;
    std::vector<uint32_t> capacities_;
    std::vector<uint8_t> isFree_;
    std::deque<int32_t> freeList_;     // extent indices, in the order freed
    int64_t freeBytes_ = 0;            // capacities of the free extents
    BOOL (WINAPI* freeSpaceEx_)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) = nullptr;
    int64_t (*freeSpaceSeam_)() = nullptr;
    bool (*failSeam_)(bool write) = nullptr;
    bool nt_ = true;
    CRITICAL_SECTION lock_;
};
