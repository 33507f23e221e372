// c_TileImage: the pixels of an 8- or 32-bit VmsImage as a grid of tiles of at
// most 250 x 250 units (a unit is one pixel at 32 bits, four pixels at 8
// bits). An untouched tile holds no memory and reads as its fill value; a
// written tile holds a page of the pool while in use and an extent of the swap
// file otherwise. Each tile keeps its own version history (Save, Undo, Redo).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

class c_PagePool;
class c_SwapFile;

constexpr int TileUnits = 250;         // units a tile side
constexpr int TileRowBytes = 1000;     // bytes a tile row in its page
constexpr int TileBytes = 250000;      // pixel bytes of a tile
constexpr int TileMaxCount = 14400;    // tiles an image (120 x 120)

class c_Tile {
public:
    explicit c_Tile(const void* owner);
    virtual ~c_Tile();
    c_Tile(const c_Tile&) = delete;
    c_Tile& operator=(const c_Tile&) = delete;

    void Init(int x, int y, int width, int height, uint32_t fill, c_PagePool* pool,
              c_SwapFile* swap, const void* owner, int unitBytes);

    // A run inside one row of the tile: n units at (row, column) at 32 bits,
    // n bytes at (row, byte column) at 8 bits. 0 when no page can be had.
    int ReadUnits(void* destination, int row, int column, int n);
    int WriteUnits(const void* source, int row, int column, int n);

    // Called by the pool, under its lock, when it takes the tile's page. false
    // when the pixels could not be written to the swap file: the tile keeps
    // its page and nothing is lost.
    bool PageOut();
    // Makes destination a copy of this tile (destination's image is locked too).
    // 0 when this tile's pixels could not be read or the destination's could
    // not be stored: the destination is then left exactly as it was.
    int CloneInto(c_Tile* destination);

    // History (tile_history.cpp). SaveStep returns -1, and UndoStep and
    // RedoStep return -1, without any change when the swap file refuses the
    // pixels of the current version.
    int SaveStep(int toRedo);
    int UndoStep();
    int RedoStep();
    int IsHistoryEmpty(int which) const;
    void ClearRedo();
    void ClearUndo();
    void DropOldest();
    void PopNewest();

    int WriteRect32(const void* buffer, int stride, int unused, int x, int y, int width,
                    int height, int column, int row);
    int WriteRect8(const void* buffer, int stride, int unused, int x, int y, int width,
                   int height, int column, int row);
    int ReadRect32(void* buffer, int stride, int unused, int x, int y, int width, int height,
                   int column, int row);
    int ReadRect8(void* buffer, int stride, int unused, int x, int y, int width, int height,
                  int column, int row);
    bool IsUniform();
    void GetPosition(int* x, int* y) const { *x = x_; *y = y_; }
    void GetDimensions(int* width, int* height) const { *width = width_; *height = height_; }

    // Residency. Every tile operation runs under the lock of the tile's image,
    // and the pool takes a page only from a tile whose image lock it can get:
    // a row copy on one thread never loses its page to another thread.
    // Page returns the page while resident, else null.
    uint8_t* Page() const { return resident_ ? page_ : nullptr; }
    // The page, paging the tile in (reading its extent when it has content)
    // when needed. Null when no page can be had or the extent cannot be read
    // (the tile then stays as it was, its pixels in the extent).
    uint8_t* PageIn(bool forWrite);
    // The lock that guards the tile (its image's); null: none.
    void SetLock(CRITICAL_SECTION* lock) { lock_ = lock; }

    // Pool side (under the pool lock).
    bool TryClaim();                 // false while another thread works on the image
    void EndClaim();
    void AttachPage(uint8_t* page, int slot);
    int Slot() const { return slot_; }
    const void* Owner() const { return owner_; }

    // State, for the image and for tests (owner side).
    bool HasContent() const { return hasContent_; }
    bool IsResident() const { return resident_; }
    bool IsDirty() const { return dirty_; }
    int32_t CurrentExtent() const { return currentExtent_; }
    uint32_t Fill() const { return fill_; }
    int UndoCount() const { return (int)undoFills_.size(); }
    int RedoCount() const { return (int)redoFills_.size(); }
    void ForgetPage();               // releases the slot (owner side)

    friend class c_TileImage;

private:
    bool IsShared(int32_t id) const;  // named by a history entry
    int32_t NewExtent();
    bool ReadExtent(int32_t id, uint8_t* page);
    bool WriteExtent(int32_t id, const uint8_t* page);
    void FillPage(uint8_t* page);
    // What a write marks on the tile: its page differs from its extent and
    // from the last saved version.
    void MarkWritten() {
        dirty_ = true;
        changedSinceSave_ = true;
    }
    // Puts the pixels of a resident page that no extent holds yet into an
    // extent of the tile's own (one no version names). false when the swap
    // file refuses them: the tile is left as it was, its page the only copy.
    bool StorePage();
    int Step(bool undo);

    // The fields a row copy needs come first (one cache line).
    uint8_t* page_ = nullptr;
    bool resident_ = false;
    bool hasContent_ = false;
    bool dirty_ = false;
    bool changedSinceSave_ = true;
    uint32_t fill_ = 0xFF000000u;
    const void* owner_;
    int32_t currentExtent_ = 0;
    bool hasExtent_ = false;
    c_PagePool* pool_ = nullptr;
    c_SwapFile* swap_ = nullptr;
    int32_t x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    std::vector<uint32_t> undoFills_, undoExtents_, redoFills_, redoExtents_;
    CRITICAL_SECTION* lock_ = nullptr;
    int32_t slot_ = -1;
    int32_t unitBytes_ = 4;
};

class c_TileImage {
public:
    c_TileImage(c_PagePool* pool, c_SwapFile* swap);
    virtual ~c_TileImage();
    c_TileImage(const c_TileImage&) = delete;
    c_TileImage& operator=(const c_TileImage&) = delete;

    // Lay out the tiles; 1, or 0 without change when the swap disk state is
    // not 0, the size needs more than 14,400 tiles or memory runs out.
    int CreateTiles32(int width, int height, uint32_t fill);
    int CreateTiles8(int width, int height, int fill);

    // count pixels of row y from pixel x (words at 32 bits, bytes at 8 bits);
    // the run must lie inside the image. 0 for an image without tiles.
    int ReadRow(void* buffer, int y, int x, int count);
    int WriteRow(const void* buffer, int y, int x, int count);
    // The same for a caller that holds the image's lock (Lock or TryLock).
    int ReadRowHeld(void* buffer, int y, int x, int count);
    int WriteRowHeld(const void* buffer, int y, int x, int count);
    // For a caller that holds the lock: the bytes of the count pixels of row y
    // from pixel x in the page that keeps them, to read and change in place,
    // while they lie inside the image in one tile whose page is resident; null
    // otherwise (nothing is paged in). The pointer is good until this thread's
    // next row call on any image, which may page tiles out. A caller that
    // changed the pixels then calls RowWrittenHeld for the same run, which
    // marks them written as WriteRowHeld does.
    uint8_t* RowInPageHeld(int y, int x, int count);
    void RowWrittenHeld(int y, int x, int count);
    // Makes destination a copy of this image. 0 when it must be laid out anew
    // and that fails, or when the swap file fails on a tile: the tiles before
    // it are copied, that tile and the rest are left as they were.
    int CopyFrom(c_TileImage* destination);
    // The 2 x 2 block at (x, y), edges repeated: words at 32 bits, bytes at 8.
    int GetQuad(void* out, int x, int y);
    int GetPixel(void* out, int x, int y);
    int GetSize(int* width, int* height);
    int Resize(int width, int height);
    int BlockOp(int, int, int, int, int, int, int, int, int);

    // History (tile_history.cpp).
    void EnableSave() { saveEnabled_ = 1; }
    void DisableSave() { saveEnabled_ = 0; }
    int SetHistoryLimit(int limit);
    // Save: 0 when a step was recorded, 1 when none was (saving off, nothing
    // changed, or the swap file refused the changed pixels). Undo and Redo: 0
    // when done, -1 when there is no step or the swap file refused the
    // current pixels. Whatever fails leaves the pixels and history as they were.
    int Save();
    int Undo();
    int Redo();
    int HasHistory(int which);
    int GetStepCount();
    int IsHistoryFull();
    void DropOldestStep();
    void ClearHistory();

    int Depth() const { return depth_; }
    int TilesAcross() const { return across_; }
    int TilesDown() const { return down_; }
    c_Tile* TileAt(int column, int row) { return tiles_[row * across_ + column]; }
    int HistoryLimit() const { return historyLimit_; }
    int IsSaveEnabled() const { return saveEnabled_; }

    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }
    bool TryLock() { return TryEnterCriticalSection(&lock_) != FALSE; }

    // A count of the store's live images, decremented when this one goes.
    void SetLiveCounter(volatile LONG* counter) { liveCounter_ = counter; }

private:
    int Layout(int depth, int unitsWide, int height, int pixelWidth, uint32_t fill);
    void Clear();
    void ClearRedoAll();
    // count pixels of row y from pixel x all lie inside the image (8 or 32 bits).
    bool RunInside(int y, int x, int count) const;
    // StorePage on every tile (changedOnly: on the tiles changed since the
    // last step); false at the first the swap file refuses.
    bool StoreChangedPages(bool changedOnly);

    uint8_t saveEnabled_ = 0;
    int32_t historyLimit_ = 50;
    CRITICAL_SECTION lock_;
    uint32_t fill_ = 0;
    int32_t depth_ = 0;
    int32_t across_ = 0, down_ = 0;
    c_Tile** tiles_ = nullptr;
    c_PagePool* pool_;
    c_SwapFile* swap_;
    int32_t unitsWide_ = 0;
    int32_t height_ = 0;
    int32_t pixelWidth_ = 0;
    volatile LONG* liveCounter_ = nullptr;
};
