#include "image/page_pool.h"

#include <mmsystem.h>

#include <new>

#include "image/tile_image.h"

namespace {
constexpr DWORD kFreeTime = 0xFFFFFFFFu;
DWORD SystemClock() { return timeGetTime(); }
}  // namespace

c_PagePool::c_PagePool() {
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&spareFree_);
    lockMade_ = true;
}

c_PagePool::~c_PagePool() {
    Destroy();
    if (lockMade_) DeleteCriticalSection(&lock_);
}

int c_PagePool::DefaultPageCount() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    uint64_t total = 0;
    if (GlobalMemoryStatusEx(&status)) total = status.ullTotalPhys;
    uint64_t pages = 2 * (total / 1048576);   // half the memory in 256 KB pages
#if !defined(_WIN64)
    // A 32-bit process cannot reserve more than a part of its address space.
    if (pages > 3072) pages = 3072;           // 768 MB
#endif
    if (pages > 0x7FFFFFFF / 2) pages = 0x7FFFFFFF / 2;
    if (pages < 16) pages = 16;
    return (int)pages;
}

int c_PagePool::Init(size_t pageSize, int pageCount, DWORD (*clock)()) {
    Destroy();
    initialised_ = 1;
    clock_ = clock ? clock : SystemClock;
    pageSize_ = (pageSize + 4095) & ~(size_t)4095;
    if (pageCount < 2) pageCount = 2;   // the spare and one page for tiles
    // Reserve the address space; when it is not there, ask for less.
    for (;;) {
        uint64_t bytes = (uint64_t)pageSize_ * (uint64_t)pageCount;
        if (bytes <= (uint64_t)SIZE_MAX)
            block_ = (uint8_t*)VirtualAlloc(nullptr, (size_t)bytes, MEM_RESERVE | MEM_TOP_DOWN,
                                            PAGE_READWRITE);
        if (block_ || pageCount <= 16) break;
        pageCount /= 2;
    }
    if (!block_) { initialised_ = 0; return 0; }
    slots_ = new (std::nothrow) Slot[pageCount];
    if (!slots_) {
        VirtualFree(block_, 0, MEM_RELEASE);
        block_ = nullptr;
        initialised_ = 0;
        return 0;
    }
    pageCount_ = pageCount;
    usableCount_ = pageCount;
    for (int i = 0; i < pageCount; ++i) {
        slots_[i].page = block_ + (size_t)i * pageSize_;
        slots_[i].tile = nullptr;
        slots_[i].time = kFreeTime;
        slots_[i].busyMark = 0;
        slots_[i].failMark = 0;
    }
    committedCount_ = 0;
    if (!CommitSlot(0)) {   // the spare must exist
        Destroy();
        return 0;
    }
    freeCount_ = pageCount - 1;
    firstFreeHint_ = 1;
    lastChosen_ = -20;
    spareLent_ = false;
    return 1;
}

void c_PagePool::Destroy() {
    if (slots_) {
        delete[] slots_;
        slots_ = nullptr;
    }
    if (block_) {
        VirtualFree(block_, 0, MEM_RELEASE);
        block_ = nullptr;
    }
    pageCount_ = usableCount_ = committedCount_ = freeCount_ = 0;
    initialised_ = 0;
}

bool c_PagePool::CommitSlot(int index) {
    // Slots are committed in index order (the lowest free slot is always taken
    // first), a few at a time to keep the calls few.
    while (committedCount_ <= index) {
        int count = pageCount_ - committedCount_;
        if (count > 16) count = 16;
        if (count > 1 && VirtualAlloc(slots_[committedCount_].page, pageSize_ * count, MEM_COMMIT,
                                      PAGE_READWRITE)) {
            committedCount_ += count;
            continue;
        }
        if (!VirtualAlloc(slots_[committedCount_].page, pageSize_, MEM_COMMIT, PAGE_READWRITE))
            return false;
        ++committedCount_;
    }
    return true;
}

int c_PagePool::HeldCount() {
    Lock();
    int n = 0;
    for (int i = 1; i < pageCount_; ++i)
        if (slots_[i].tile) ++n;
    Unlock();
    return n;
}

// A held slot that this Acquire cannot take: its image is busy on another
// thread, or its tile could not be paged out.
bool c_PagePool::Skipped(int index, uint32_t serial) const {
    return slots_[index].tile &&
           (slots_[index].busyMark == round_ || slots_[index].failMark == serial);
}

// Under the pool lock. -1 when every slot that could be taken is pinned.
int c_PagePool::ChooseSlot(const void* owner, uint32_t serial) {
    int result = -1;
    if (freeCount_ > 0) {
        for (int i = firstFreeHint_; i < usableCount_; ++i) {
            if (!slots_[i].tile) { result = i; break; }
        }
        firstFreeHint_ = result < 0 ? usableCount_ : result;
    }
    if (result < 0) {
        // The least recently given page of the same image, else of another image.
        DWORD best = 0;
        for (int pass = 0; pass < 2 && result < 0; ++pass) {
            for (int i = 1; i < usableCount_; ++i) {
                c_Tile* t = slots_[i].tile;
                if (!t || Skipped(i, serial)) continue;
                bool same = t->Owner() == owner;
                if (same != (pass == 0)) continue;
                if (result < 0 || slots_[i].time < best) { result = i; best = slots_[i].time; }
            }
        }
        if (result < 0) return -1;
    }
    if (result == lastChosen_) {
        int next = result + 1;
        if (next >= usableCount_) next = 1;
        if (!Skipped(next, serial)) result = next;
    }
    lastChosen_ = result;
    return result;
}

uint8_t* c_PagePool::Acquire(c_Tile* tile) {
    Lock();
    ++round_;
    uint32_t serial = ++serial_;
    if (serial == 0) serial = ++serial_;   // 0 marks no slot
    bool pageOutFailed = false;
    int s = -1;
    for (;;) {
        if (!initialised_ || usableCount_ < 2) { Unlock(); return nullptr; }
        s = ChooseSlot(tile->Owner(), serial);
        if (s < 0 && pageOutFailed) {
            // The swap file takes no more pixels: fail rather than lose any.
            Unlock();
            return nullptr;
        }
        if (s < 0) {
            // Every page belongs to an image that another thread is working on:
            // wait for one of them to finish.
            Unlock();
            Sleep(0);
            Lock();
            ++round_;
            continue;
        }
        if (!slots_[s].tile && !CommitSlot(s)) {
            // No more memory to commit: make do with the pages already committed.
            int lost = 0;
            for (int i = committedCount_; i < usableCount_; ++i)
                if (!slots_[i].tile) ++lost;
            freeCount_ -= lost;
            usableCount_ = committedCount_;
            if (lastChosen_ >= usableCount_) lastChosen_ = -20;
            continue;
        }
        c_Tile* holder = slots_[s].tile;
        if (holder) {
            if (!holder->TryClaim()) {   // its image is in use on another thread
                slots_[s].busyMark = round_;
                continue;
            }
            bool out = holder->PageOut();
            holder->EndClaim();
            if (!out) {   // the holder keeps its page; try another
                slots_[s].failMark = serial;
                pageOutFailed = true;
                continue;
            }
            FreeSlot(s);
        }
        break;
    }
    slots_[s].tile = tile;
    slots_[s].time = clock_();
    --freeCount_;
    tile->AttachPage(slots_[s].page, s);
    Unlock();
    return slots_[s].page;
}

void c_PagePool::FreeSlot(int index) {
    slots_[index].tile = nullptr;
    slots_[index].time = kFreeTime;
    ++freeCount_;
    if (index < firstFreeHint_) firstFreeHint_ = index;
}

void c_PagePool::Release(c_Tile* tile) {
    Lock();
    if (initialised_) {
        int s = tile->Slot();
        if (s > 0 && s < pageCount_ && slots_[s].tile == tile) {
            FreeSlot(s);
        } else {
            for (int i = 1; i < pageCount_; ++i) {
                if (slots_[i].tile == tile) { FreeSlot(i); break; }
            }
        }
    }
    Unlock();
}

uint8_t* c_PagePool::BorrowSpare(c_Tile* tile) {
    Lock();
    while (spareLent_) SleepConditionVariableCS(&spareFree_, &lock_, INFINITE);
    spareLent_ = true;
    slots_[0].tile = tile;
    slots_[0].time = clock_();
    uint8_t* page = slots_[0].page;
    Unlock();
    return page;
}

void c_PagePool::ReturnSpare() {
    Lock();
    spareLent_ = false;
    slots_[0].tile = nullptr;
    Unlock();
    WakeConditionVariable(&spareFree_);
}

int c_PagePool::EvictTile(c_Tile* tile) {
    Lock();
    for (int i = 1; i < pageCount_; ++i) {
        if (slots_[i].tile == tile && tile->TryClaim()) {
            bool out = tile->PageOut();
            tile->EndClaim();
            if (out) FreeSlot(i);
        }
    }
    Unlock();
    return 0;
}
