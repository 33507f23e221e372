// c_PagePool: the resident pixel memory of the image store. One reserved block
// of equal pages; each resident tile holds exactly one page. Pages are
// committed the first time they are handed out. When no page is free the pool
// takes the page of another tile (preferring the least recently given page of
// the same image), which first writes its pixels to the swap file.
//
// The page of a tile is taken only while the pool can get the lock of the
// tile's image: a row copy on one thread never loses its page to another thread.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

class c_Tile;

class c_PagePool {
public:
    struct Slot {
        uint8_t* page;      // fixed: block + index * page size
        c_Tile* tile;       // holder, null when free
        DWORD time;         // clock when last given; 0xFFFFFFFF while free
        uint32_t busyMark;  // round of Acquire in which its image was found busy
        uint32_t failMark;  // Acquire in which its tile could not be paged out
    };

    c_PagePool();
    virtual ~c_PagePool();
    c_PagePool(const c_PagePool&) = delete;
    c_PagePool& operator=(const c_PagePool&) = delete;

    // Reserves pageCount pages (slot 0 is the spare). clock ages the slots
    // (null: timeGetTime). 1, or 0 when the block cannot be reserved.
    int Init(size_t pageSize, int pageCount, DWORD (*clock)() = nullptr);
    void Destroy();

    // A page for tile. Null when no page can be committed at all, or when no
    // held page could be written to the swap file (every such page stays with
    // its tile). The caller holds the lock of the tile's image and the tile is
    // not resident.
    uint8_t* Acquire(c_Tile* tile);
    // Frees the tile's slot, if it has one.
    void Release(c_Tile* tile);
    // The spare page (slot 0), lent to one caller at a time until ReturnSpare.
    uint8_t* BorrowSpare(c_Tile* tile);
    void ReturnSpare();
    // Pages the tile out if it holds a slot. Returns 0.
    int EvictTile(c_Tile* tile);

    // The one lock; c_Tile takes it to wait for a page-out of its tile.
    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }

    int IsInitialised() const { return initialised_; }
    size_t PageSize() const { return pageSize_; }
    int PageCount() const { return pageCount_; }
    // For tests: the slot table and the slot chosen last.
    const Slot* Slots() const { return slots_; }
    int LastChosen() const { return lastChosen_; }
    int HeldCount();

    // Pages of 262,144 bytes that the program's store asks for: half the
    // physical memory, computed in 64 bits, bounded by the address space.
    static int DefaultPageCount();

private:
    int ChooseSlot(const void* owner, uint32_t serial);
    bool Skipped(int index, uint32_t serial) const;
    bool CommitSlot(int index);
    void FreeSlot(int index);

    int initialised_ = 0;
    size_t pageSize_ = 0;
    int pageCount_ = 0;
    int usableCount_ = 0;        // slots below this index can be committed
    int committedCount_ = 0;     // slots 0 .. committedCount_-1 are committed
    uint8_t* block_ = nullptr;
    Slot* slots_ = nullptr;
    int lastChosen_ = -20;
    uint32_t round_ = 0;         // Acquire rounds, for busyMark
    uint32_t serial_ = 0;        // Acquire calls, for failMark
    int freeCount_ = 0;          // free slots among 1 .. usableCount_-1
    int firstFreeHint_ = 1;      // no free slot below this index
    bool spareLent_ = false;
    DWORD (*clock_)() = nullptr;
    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE spareFree_;
    bool lockMade_ = false;
};
