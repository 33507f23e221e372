#include "plugins/common/plugin_common.h"

namespace plug {

void CopyText(char* out, size_t capacity, const char* text) {
    if (!out || capacity == 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n >= capacity) n = capacity - 1;
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

void FillReaderInfo(ReaderInfo* info, const char* extensions, const char* description) {
    if (!info) return;
    CopyText(info->extensions, sizeof(info->extensions), extensions);
    CopyText(info->description, sizeof(info->description), description);
}

void FillWriterInfo(WriterInfo* info, const char* extensions, const char* description, bool accepts8Bit) {
    if (!info) return;
    CopyText(info->extensions, sizeof(info->extensions), extensions);
    CopyText(info->description, sizeof(info->description), description);
    info->accepts8Bit = accepts8Bit ? 1 : 0;
    info->accepts24Bit = 1;
}

bool OwnFolderFile(const char* name, char* out, size_t capacity) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)(void*)&OwnFolderFile, &self))
        return false;
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    path[n] = 0;
    // Cut after the last backslash; a trail byte of a double-byte character
    // may equal '\', so walk the characters.
    char* cut = nullptr;
    for (char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/') cut = p;
    if (!cut) return false;
    cut[1] = 0;
    size_t folder = std::strlen(path), rest = std::strlen(name);
    if (folder + rest + 1 > capacity) return false;
    std::memcpy(out, path, folder);
    std::memcpy(out + folder, name, rest + 1);
    return true;
}

uint8_t* ReadWholeFile(const char* path, size_t limit, size_t* size) {
    *size = 0;
    File f;
    if (!f.OpenRead(path)) return nullptr;
    int64_t n = f.Size();
    if (n <= 0 || (uint64_t)n > limit) return nullptr;
    uint8_t* data = (uint8_t*)std::malloc((size_t)n);
    if (!data) return nullptr;
    if (!f.Read(data, (size_t)n)) {
        std::free(data);
        return nullptr;
    }
    *size = (size_t)n;
    return data;
}

bool WriteWholeFile(const char* path, const void* data, size_t size) {
    File f;
    if (!f.Create(path)) return false;
    bool ok = f.Write(data, size);
    f.Close();
    if (!ok) DeleteFileA(path);
    return ok;
}

void Progress::Report(int64_t done, int64_t total) {
    if (!window_ || total <= 0) return;
    int pct = (int)(done * 100 / total);
    if (pct == last_) return;
    last_ = pct;
    SendMessageA(window_, WM_USER, 3, pct);
}

void Progress::Done() {
    if (window_) SendMessageA(window_, WM_USER, 0, 0);
}

void GreyPalette(uint8_t* palette, int bits) {
    int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        uint8_t v = (uint8_t)(n == 1 ? 0 : i * 255 / (n - 1));
        palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = v;
        palette[i * 4 + 3] = 0;
    }
}

int GreyIndex(uint8_t* palette, int entries, int bits, bool* changed) {
    *changed = false;
    const int full = 1 << bits;
    if (entries > full) entries = full;
    int nearest = 0, nearestDistance = INT32_MAX;
    for (int i = 0; i < entries; ++i) {
        const uint8_t* p = palette + 4 * i;
        int d = std::abs(p[0] - kMissingGrey) + std::abs(p[1] - kMissingGrey) + std::abs(p[2] - kMissingGrey);
        if (d < nearestDistance) nearest = i, nearestDistance = d;
    }
    if (nearestDistance == 0 || entries >= full) return nearest;
    palette[4 * entries] = palette[4 * entries + 1] = palette[4 * entries + 2] = kMissingGrey;
    palette[4 * entries + 3] = 0;
    *changed = true;
    return entries;
}

bool PutGreyRows(const ReadFileCallbacks* callbacks, int width, int bits, int index, bool alpha, int from, int to) {
    if (from >= to) return true;
    Block<uint8_t> row((size_t)width * 3), opaque(alpha ? (size_t)width : 0);
    if (!row || (alpha && !opaque)) return false;
    uint8_t fill = kMissingGrey;
    if (bits == 1) fill = index ? 0xFF : 0;
    else if (bits == 4) fill = (uint8_t)(index * 0x11);
    else if (bits == 8) fill = (uint8_t)index;
    std::memset(row.get(), fill, row.size());
    if (alpha) std::memset(opaque.get(), 255, opaque.size());
    for (int y = from; y < to; ++y) {
        if (callbacks->putRow(y, 0, width - 1, row.get(), 0) < 0) return false;
        if (alpha && callbacks->putTransparencyRow)
            callbacks->putTransparencyRow(y, 0, width - 1, opaque.get(), 0, 1);
    }
    return true;
}

namespace {

// The rings of the last pipes (two: a read and a write may run at once),
// kept for the next ones: memory the process has used before costs nothing to touch
// again, while fresh pages cost a fault each on their first touch. Freed when
// the DLL is unloaded.
struct KeptRing {
    enum { kSlots = 2 };
    uint8_t* block[kSlots] = {};
    size_t size[kSlots] = {};
    SRWLOCK lock = SRWLOCK_INIT;
    ~KeptRing() {
        for (uint8_t* b : block) std::free(b);
    }
    // A block of at least `wanted` bytes (*got of them): a kept one when one is large enough.
    uint8_t* Take(size_t wanted, size_t* got) {
        uint8_t* b = nullptr;
        AcquireSRWLockExclusive(&lock);
        for (int i = 0; i < kSlots && !b; ++i)
            if (block[i] && size[i] >= wanted) {
                b = block[i];
                *got = size[i];
                block[i] = nullptr;
                size[i] = 0;
            }
        ReleaseSRWLockExclusive(&lock);
        if (b) return b;
        *got = wanted;
        return (uint8_t*)std::malloc(wanted);
    }
    // Keeps `b` in a free slot, or in place of a smaller block.
    void Give(uint8_t* b, size_t n) {
        uint8_t* drop = b;
        AcquireSRWLockExclusive(&lock);
        int slot = 0;
        for (int i = 1; i < kSlots; ++i)
            if (size[i] < size[slot]) slot = i;
        if (size[slot] < n) {
            drop = block[slot];
            block[slot] = b;
            size[slot] = n;
        }
        ReleaseSRWLockExclusive(&lock);
        std::free(drop);
    }
} g_KeptRing;

}  // namespace

RowPipe::RowPipe() {
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&changed_);
}

RowPipe::~RowPipe() {
    if (rows_) g_KeptRing.Give(rows_, capacity_);
    DeleteCriticalSection(&lock_);
}

bool RowPipe::Init(size_t rowBytes, bool deep) {
    if (rowBytes == 0) return false;
    const int bands = deep ? kMaxBands : 4;
    size_t bandRows = (deep ? kDeepRingBytes : kRingBytes) / bands / rowBytes;
    bandRows = bandRows < 1 ? 1 : bandRows > kMaxBandRows ? kMaxBandRows : bandRows;
    if (rowBytes > SIZE_MAX / bands / bandRows) return false;
    if (rows_) g_KeptRing.Give(rows_, capacity_);
    rows_ = g_KeptRing.Take(rowBytes * bandRows * bands, &capacity_);
    if (!rows_) return false;
    bands_ = bands;
    rowBytes_ = rowBytes;
    bandRows_ = (int)bandRows;
    return true;
}

// A side that finds the ring full (or empty) sleeps until two bands are free
// (or filled) again, or the pipe ends: one wake-up hands over several bands,
// and the other side wakes it only when it is asleep.
uint8_t* RowPipe::BeginWrite() {
    EnterCriticalSection(&lock_);
    if (count_ == bands_) {
        writerWaiting_ = true;
        while (!aborted_ && count_ > bands_ - kWakeBands) SleepConditionVariableCS(&changed_, &lock_, INFINITE);
        writerWaiting_ = false;
    }
    uint8_t* band = aborted_ ? nullptr : Band((head_ + count_) % bands_);
    LeaveCriticalSection(&lock_);
    return band;
}

void RowPipe::EndWrite(int rows) {
    EnterCriticalSection(&lock_);
    rows_in_[(head_ + count_) % bands_] = rows;
    ++count_;
    const bool wake = readerWaiting_ && count_ >= kWakeBands;
    LeaveCriticalSection(&lock_);
    if (wake) WakeAllConditionVariable(&changed_);
}

uint8_t* RowPipe::BeginRead(int* rows) {
    EnterCriticalSection(&lock_);
    if (count_ == 0) {
        readerWaiting_ = true;
        while (!aborted_ && !closed_ && count_ < kWakeBands) SleepConditionVariableCS(&changed_, &lock_, INFINITE);
        readerWaiting_ = false;
    }
    uint8_t* band = aborted_ || count_ == 0 ? nullptr : Band(head_);
    *rows = band ? rows_in_[head_] : 0;
    LeaveCriticalSection(&lock_);
    return band;
}

void RowPipe::EndRead() {
    EnterCriticalSection(&lock_);
    head_ = (head_ + 1) % bands_;
    --count_;
    const bool wake = writerWaiting_ && count_ <= bands_ - kWakeBands;
    LeaveCriticalSection(&lock_);
    if (wake) WakeAllConditionVariable(&changed_);
}

void RowPipe::Close() {
    EnterCriticalSection(&lock_);
    closed_ = true;
    LeaveCriticalSection(&lock_);
    WakeAllConditionVariable(&changed_);
}

void RowPipe::Abort() {
    EnterCriticalSection(&lock_);
    aborted_ = true;
    LeaveCriticalSection(&lock_);
    WakeAllConditionVariable(&changed_);
}

bool RowPipe::Aborted() {
    EnterCriticalSection(&lock_);
    bool a = aborted_;
    LeaveCriticalSection(&lock_);
    return a;
}

void CALLBACK Worker::Run(PTP_CALLBACK_INSTANCE instance, void* self) {
    Worker* w = (Worker*)self;
    // Set by the pool once this callback has returned, not before.
    SetEventWhenCallbackReturns(instance, w->done_);
    w->body_(w->param_);
}

bool Worker::Start(unsigned(__stdcall* body)(void*), void* param) {
    Join();
    done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!done_) return false;
    body_ = body;
    param_ = param;
    if (!TrySubmitThreadpoolCallback(Run, this, nullptr)) {
        CloseHandle(done_);
        done_ = nullptr;
        return false;
    }
    return true;
}

void Worker::Join() {
    if (!done_) return;
    WaitForSingleObject(done_, INFINITE);
    CloseHandle(done_);
    done_ = nullptr;
}

bool File::OpenRead(const char* path) {
    Close();
    handle_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return IsOpen();
}

bool File::Create(const char* path) {
    Close();
    handle_ = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

void File::Close() {
    if (IsOpen()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

int64_t File::Size() const {
    LARGE_INTEGER s;
    if (!IsOpen() || !GetFileSizeEx(handle_, &s)) return -1;
    return s.QuadPart;
}

bool File::Seek(int64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return IsOpen() && offset >= 0 && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
}

int64_t File::Tell() const {
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!IsOpen() || !SetFilePointerEx(handle_, zero, &at, FILE_CURRENT)) return -1;
    return at.QuadPart;
}

bool File::Read(void* data, size_t size) {
    uint8_t* p = (uint8_t*)data;
    while (size) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, got = 0;
        if (!ReadFile(handle_, p, chunk, &got, nullptr) || got != chunk) return false;
        p += got;
        size -= got;
    }
    return true;
}

bool File::Write(const void* data, size_t size) {
    const uint8_t* p = (const uint8_t*)data;
    while (size) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, done = 0;
        if (!WriteFile(handle_, p, chunk, &done, nullptr) || done != chunk) return false;
        p += done;
        size -= done;
    }
    return true;
}

}  // namespace plug
