// Helpers shared by our reader and writer plug-in DLLs.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fileio/plugin_api.h"

#define PLUGIN_EXPORT extern "C"

namespace plug {

// Largest width or height a reader accepts; larger headers are refused
// before anything is allocated.
constexpr int kMaxSide = 65535;
// Largest pixel count a reader accepts (a 30,000 x 30,000 canvas fits).
constexpr int64_t kMaxPixels = (int64_t)32768 * 32768;

inline bool SizeAcceptable(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

// strcpy into a buffer of `capacity` bytes, always NUL-terminated.
void CopyText(char* out, size_t capacity, const char* text);

// A reader's answer to ReadFileInfo: its extensions ("jpg;jpeg") and its name.
void FillReaderInfo(ReaderInfo* info, const char* extensions, const char* description);

// A writer's answer to WriteFileInfo: its extensions ("jpg;jpeg"), its name,
// and whether it takes 8-bit indexed images; every writer takes 24 bits.
void FillWriterInfo(WriterInfo* info, const char* extensions, const char* description, bool accepts8Bit);

// Whether a single-image write request can be served at all: a path, at least
// one image and a row source.
inline bool SingleImageRequest(const char* path, const FileImageInfo* info, const WriteFileCallbacks* callbacks) {
    return path && info && info->count >= 1 && callbacks && callbacks->getRow;
}

// Path of `name` in this DLL's own folder (file_r\ or file_w\). False when
// the result does not fit.
bool OwnFolderFile(const char* name, char* out, size_t capacity);

// Whole file into a malloc'ed block; *size its length. Null when missing,
// empty, larger than `limit`, or unreadable. Free with std::free.
uint8_t* ReadWholeFile(const char* path, size_t limit, size_t* size);
bool WriteWholeFile(const char* path, const void* data, size_t size);

// Progress to the host's status window: WM_USER with wParam 3 and a
// percentage, sent only when the value changes; Done() sends wParam 0.
class Progress {
public:
    explicit Progress(HWND window) : window_(window && IsWindow(window) ? window : nullptr) {}
    void Report(int64_t done, int64_t total);
    void Done();
private:
    HWND window_;
    int last_ = -1;
};

// Plain malloc block owned for a scope.
template <typename T>
class Block {
public:
    Block() = default;
    explicit Block(size_t count) { Reset(count); }
    ~Block() { std::free(data_); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    bool Reset(size_t count) {
        std::free(data_);
        data_ = count ? (T*)std::calloc(count, sizeof(T)) : nullptr;
        count_ = data_ ? count : 0;
        return data_ != nullptr;
    }
    T* get() const { return data_; }
    size_t size() const { return count_; }
    T& operator[](size_t i) const { return data_[i]; }
    explicit operator bool() const { return data_ != nullptr; }
    // Takes over a block from std::malloc.
    void Adopt(T* data, size_t count) {
        std::free(data_);
        data_ = data;
        count_ = data ? count : 0;
    }
    T* release() { T* d = data_; data_ = nullptr; count_ = 0; return d; }
private:
    T* data_ = nullptr;
    size_t count_ = 0;
};

// Grey ramp palette of 2^bits entries (blue, green, red, 0).
void GreyPalette(uint8_t* palette, int bits);

// Rows a damaged file cannot supply come out grey, opaque where the file has
// transparency, as the JPEG decoder shows the part of a scan that is missing.
constexpr uint8_t kMissingGrey = 128;

// The index that stands for grey in the palette of an indexed picture of
// `bits` (1, 4 or 8) whose file defines `entries` colours: an entry that is
// grey already, else the first entry the file leaves unused (made grey in
// `palette`, and *changed set, so that the caller sends the palette again),
// else the entry nearest to grey.
int GreyIndex(uint8_t* palette /* 4 bytes an entry */, int entries, int bits, bool* changed);

// Sends rows from..to-1 as grey: 24-bit rows of kMissingGrey, or for `bits`
// 1, 4 or 8 rows of the palette index `index`; with `alpha`, opaque rows of
// transparency plane 1 too. False when the host refuses a row.
bool PutGreyRows(const ReadFileCallbacks* callbacks, int width, int bits, int index, bool alpha, int from, int to);

// Little-endian helpers.
inline uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline void PutLe16(uint8_t* p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
inline void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)(v >> 16); p[3] = (uint8_t)(v >> 24);
}

// A ring of bands of rows between two threads (one producer, one consumer),
// so that a codec can run on a worker thread while the calling thread
// exchanges rows with the host's callbacks (which are only ever called on the
// caller's thread). Bands keep the hand-overs few. A writer's ring stays small
// (at most kRingBytes unless one row is larger) so that the rows the calling
// thread puts in are still in the cache when the encoder takes them. A
// reader's ring is deep (kDeepRingBytes): the decoder, the slower side, then
// runs on while the calling thread is slow to wake, instead of stopping at a
// full ring. The ring's memory is kept for the next pipe instead of mapping
// fresh pages, whose first touch is costly.
class RowPipe {
public:
    enum { kMaxBandRows = 32, kMaxBands = 16, kWakeBands = 2 };
    static constexpr size_t kRingBytes = 384 * 1024;
    static constexpr size_t kDeepRingBytes = 3072 * 1024;
    RowPipe();
    ~RowPipe();
    RowPipe(const RowPipe&) = delete;
    RowPipe& operator=(const RowPipe&) = delete;
    // A ring of four bands, or with `deep` of kMaxBands.
    bool Init(size_t rowBytes, bool deep = false);
    size_t RowBytes() const { return rowBytes_; }
    // Rows a band holds (1..kMaxBandRows), set by Init.
    int BandRows() const { return bandRows_; }
    // The next free band (BandRows() rows) to fill; null once the pipe is aborted.
    uint8_t* BeginWrite();
    void EndWrite(int rows);
    // The next filled band and its row count; null when the pipe is aborted,
    // or closed and empty.
    uint8_t* BeginRead(int* rows);
    void EndRead();
    void Close();   // the producer is done
    void Abort();   // either side gives up
    bool Aborted();
private:
    uint8_t* Band(int index) const { return rows_ + rowBytes_ * (size_t)bandRows_ * (size_t)index; }
    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE changed_;
    uint8_t* rows_ = nullptr;   // malloc: no need to clear it first
    size_t capacity_ = 0;       // bytes of rows_
    size_t rowBytes_ = 0;
    int bandRows_ = 1;
    int bands_ = 4;
    int head_ = 0, count_ = 0;
    int rows_in_[kMaxBands] = {};
    bool closed_ = false, aborted_ = false;
    bool readerWaiting_ = false, writerWaiting_ = false;
};

// Runs `body(param)` on a thread of the process's thread pool (a pool thread
// is reused from one read to the next; making a thread per read costs several
// milliseconds). Join() waits until the body has returned and the pool has
// left this DLL's code, so the DLL may be unloaded afterwards.
class Worker {
public:
    Worker() = default;
    ~Worker() { Join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    bool Start(unsigned(__stdcall* body)(void*), void* param);
    void Join();
private:
    static void CALLBACK Run(PTP_CALLBACK_INSTANCE instance, void* self);
    unsigned(__stdcall* body_)(void*) = nullptr;
    void* param_ = nullptr;
    HANDLE done_ = nullptr;
};

// Files through the Win32 API (CP932 paths).
class File {
public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool OpenRead(const char* path);
    bool Create(const char* path);
    void Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    int64_t Size() const;
    bool Seek(int64_t offset);
    int64_t Tell() const;
    // Exactly `size` bytes or false.
    bool Read(void* data, size_t size);
    bool Write(const void* data, size_t size);
    HANDLE Handle() const { return handle_; }
private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace plug
