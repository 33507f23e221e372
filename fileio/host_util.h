// Small RAII helpers of the plug-in host: a locked global block and the wait
// cursor shown while a plug-in reads or writes.
#pragma once
#include <windows.h>

#include <cstddef>

namespace fileio {

// A zero-filled movable global block, locked while it lives.
class GlobalBlock {
public:
    explicit GlobalBlock(size_t size) {
        handle_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        data_ = handle_ ? GlobalLock(handle_) : nullptr;
    }
    ~GlobalBlock() {
        if (data_) GlobalUnlock(handle_);
        if (handle_) GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    template <typename T>
    T* As() const { return (T*)data_; }
    explicit operator bool() const { return data_ != nullptr; }
private:
    HGLOBAL handle_;
    void* data_;
};

class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
private:
    HCURSOR old_;
};

}  // namespace fileio
