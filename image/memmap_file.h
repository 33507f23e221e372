// c_MemMapFile: a scratch area on the system paging file, reached at byte
// positions through a view that moves in whole window units. Lets an image
// larger than the spare address space still be kept and read back.
#pragma once
#include <windows.h>

#include <cstdint>

class c_MemMapFile {
public:
    // nameTemplate: template for the mapping's unique name (six trailing X).
    explicit c_MemMapFile(const char* nameTemplate = "pmemfileXXXXXX");
    virtual ~c_MemMapFile();
    c_MemMapFile(const c_MemMapFile&) = delete;
    c_MemMapFile& operator=(const c_MemMapFile&) = delete;

    // Makes a mapping of at least size bytes; number goes into its name.
    // 0, or -1 after showing the system's error.
    int Create(uint64_t size, int number);
    // Copy length bytes at position; 0, or -1 when there is no mapping, the
    // range lies beyond the mapping or the view cannot be made.
    int Write(uint64_t position, size_t length, const void* source);
    int Read(uint64_t position, size_t length, void* destination);
    // Shows the thread's last error (if any) in a box titled "Error"; 1 when
    // there was none.
    int ShowLastError();
    void Close();

    uint64_t MappingSize() const { return mappingSize_; }
    uint64_t WindowUnit() const { return windowUnit_; }
    uint64_t ViewOffset() const { return viewOffset_; }
    uint64_t ViewLength() const { return viewLength_; }

private:
    int Access(uint64_t position, size_t length, void* buffer, bool write);

    uint64_t viewLength_ = 0;
    uint8_t* viewAddress_ = nullptr;
    uint64_t mappingSize_ = 0;
    uint64_t viewOffset_ = 0;
    uint64_t windowUnit_ = 0;
    HANDLE mapping_ = nullptr;
    HANDLE file_ = nullptr;
    DWORD granularity_ = 0;
    uint64_t usable_ = 0;                 // bytes a caller may reach
    char template_[32] = {};
};
