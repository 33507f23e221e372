// Version history of tiles and tiled images: Save, Undo and Redo. A version is
// a fill value and the id of the swap-file extent holding the tile's pixels at
// that moment (0: no pixels of its own, every pixel is the fill value).
// Versions of a tile that did not change share one extent.
#include <algorithm>

#include "image/page_pool.h"
#include "image/swap_file.h"
#include "image/tile_image.h"

namespace {

struct ImageLock {
    explicit ImageLock(c_TileImage* image) : image_(image) { image_->Lock(); }
    ~ImageLock() { image_->Unlock(); }
    c_TileImage* image_;
};

bool Contains(const std::vector<uint32_t>& list, uint32_t id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace

// ---------------------------------------------------------------- c_Tile

bool c_Tile::StorePage() {
    uint8_t* page = Page();
    if (!hasContent_ || !page) return true;
    bool own = hasExtent_ && currentExtent_ != 0;
    if (own && !dirty_) return true;   // the extent holds what the page holds
    // Never overwrite an extent that a recorded version names.
    int32_t made = (!own || IsShared(currentExtent_)) ? NewExtent() : 0;
    int32_t target = made ? made : currentExtent_;
    if (!WriteExtent(target, page)) {
        if (made) swap_->Free(made);
        return false;
    }
    currentExtent_ = target;
    hasExtent_ = true;
    dirty_ = false;
    return true;
}

int c_Tile::SaveStep(int toRedo) {
    std::vector<uint32_t>& fills = toRedo ? redoFills_ : undoFills_;
    std::vector<uint32_t>& extents = toRedo ? redoExtents_ : undoExtents_;
    if (!changedSinceSave_) {
        fills.push_back(fill_);
        extents.push_back((uint32_t)currentExtent_);
        return 0;
    }
    // A version whose pixels are only in the page would be lost with the page.
    if (!StorePage()) return -1;
    fills.push_back(fill_);
    extents.push_back((uint32_t)currentExtent_);
    changedSinceSave_ = false;
    return 1;
}

// One step back (undo) or forward (redo): the current version goes onto the
// other list and the newest entry of this list becomes current. Only keeping
// the current version can fail; restoring the other one always succeeds (what
// cannot be read now stays in its extent and is read when next used).
int c_Tile::Step(bool undo) {
    std::vector<uint32_t>& fromFills = undo ? undoFills_ : redoFills_;
    std::vector<uint32_t>& fromExtents = undo ? undoExtents_ : redoExtents_;
    std::vector<uint32_t>& toFills = undo ? redoFills_ : undoFills_;
    std::vector<uint32_t>& toExtents = undo ? redoExtents_ : undoExtents_;
    if (fromFills.empty()) return -1;

    // 1. Keep the current version.
    if (!StorePage()) return -1;
    uint8_t* page = Page();
    toFills.push_back(fill_);
    toExtents.push_back(hasContent_ ? (uint32_t)currentExtent_ : 0u);
    int32_t a = hasContent_ ? currentExtent_ : 0;

    // 2. Take the version to restore.
    fill_ = fromFills.back();
    int32_t b = (int32_t)fromExtents.back();
    fromFills.pop_back();
    fromExtents.pop_back();
    changedSinceSave_ = true;

    if (b == 0) {
        // 3. No pixels of its own: every pixel is the fill value.
        ForgetPage();
        hasContent_ = false;
        hasExtent_ = false;
        dirty_ = false;
        currentExtent_ = 0;
        return 0;
    }
    if (b == a) {
        // 4. The version restored is the one just kept: give the tile an extent of
        // its own so that writes do not change the kept version.
        int32_t own = NewExtent();
        if (page) {
            currentExtent_ = own;
            dirty_ = true;   // the page already holds version a
        } else {
            uint8_t* spare = pool_->BorrowSpare(this);
            bool copied = ReadExtent(a, spare) && WriteExtent(own, spare);
            pool_->ReturnSpare();
            // Without the copy the tile shares a with the kept version; a
            // later write-out still goes to an extent of its own.
            if (copied) {
                currentExtent_ = own;
            } else {
                swap_->Free(own);
                currentExtent_ = a;
            }
            dirty_ = false;
        }
    } else {
        // 5. Make b current; a tile that is not resident reads it when next used,
        // and so does one whose page could not be filled from b.
        currentExtent_ = b;
        if (page && !ReadExtent(b, page)) ForgetPage();
        dirty_ = false;
    }
    hasContent_ = true;
    hasExtent_ = true;
    return 0;
}

int c_Tile::UndoStep() { return Step(true); }

int c_Tile::RedoStep() { return Step(false); }

int c_Tile::IsHistoryEmpty(int which) const {
    return which == 0 ? undoFills_.empty() : redoFills_.empty();
}

void c_Tile::ClearRedo() {
    if (redoFills_.empty() && redoExtents_.empty()) return;
    redoFills_.clear();
    for (uint32_t id : redoExtents_) {
        if (id != 0 && (int32_t)id != currentExtent_ && !Contains(undoExtents_, id) && swap_)
            swap_->Free((int32_t)id);
    }
    redoExtents_.clear();
}

void c_Tile::ClearUndo() {
    if (undoFills_.empty() && undoExtents_.empty()) return;
    undoFills_.clear();
    for (uint32_t id : undoExtents_) {
        if (id != 0 && (int32_t)id != currentExtent_ && !Contains(redoExtents_, id) && swap_)
            swap_->Free((int32_t)id);
    }
    undoExtents_.clear();
}

void c_Tile::DropOldest() {
    if (undoFills_.empty()) return;
    undoFills_.erase(undoFills_.begin());
    uint32_t x = undoExtents_.front();
    undoExtents_.erase(undoExtents_.begin());
    if (x != 0 && (int32_t)x != currentExtent_ && !Contains(undoExtents_, x) &&
        !Contains(redoExtents_, x) && swap_)
        swap_->Free((int32_t)x);
}

void c_Tile::PopNewest() {
    if (undoFills_.empty()) return;
    undoFills_.pop_back();
    undoExtents_.pop_back();
    OutputDebugStringA("UndoPopback\n");
}

// ---------------------------------------------------------------- c_TileImage

int c_TileImage::SetHistoryLimit(int limit) {
    int previous = historyLimit_;
    ClearHistory();
    historyLimit_ = limit;
    return previous;
}

void c_TileImage::ClearHistory() {
    ImageLock guard(this);
    int n = across_ * down_;
    for (int i = 0; i < n; ++i) {
        tiles_[i]->ClearRedo();
        tiles_[i]->ClearUndo();
    }
}

int c_TileImage::Save() {
    ImageLock guard(this);
    if (!saveEnabled_) {
        OutputDebugStringA("SaveDisable\n");
        return 1;
    }
    int n = across_ * down_;
    if (n == 0) return 1;
    // The changed pixels go to the swap file before anything else changes:
    // when it refuses them no step is recorded and the oldest step stays.
    if (!StoreChangedPages(true)) {
        OutputDebugStringA("Save failed: swap file\n");
        return 1;
    }
    if (GetStepCount() >= historyLimit_)
        for (int i = 0; i < n; ++i) tiles_[i]->DropOldest();
    OutputDebugStringA("Save-\n");
    int changed = 0;
    for (int i = 0; i < n; ++i) changed += tiles_[i]->SaveStep(0);
    if (changed == 0) {
        for (int i = 0; i < n; ++i) tiles_[i]->PopNewest();
        return 1;
    }
    return 0;
}

bool c_TileImage::StoreChangedPages(bool changedOnly) {
    int n = across_ * down_;
    for (int i = 0; i < n; ++i) {
        c_Tile* t = tiles_[i];
        if ((changedOnly && !t->changedSinceSave_) || t->StorePage()) continue;
        return false;
    }
    return true;
}

int c_TileImage::Undo() {
    ImageLock guard(this);
    OutputDebugStringA("Undo-\n");
    int n = across_ * down_;
    if (n == 0 || tiles_[0]->IsHistoryEmpty(0)) return -1;
    // Every tile's current pixels are kept first, so that no tile steps back
    // unless all of them can.
    if (!StoreChangedPages(false)) {
        OutputDebugStringA("Undo failed: swap file\n");
        return -1;
    }
    for (int i = 0; i < n; ++i) tiles_[i]->UndoStep();
    return 0;
}

int c_TileImage::Redo() {
    ImageLock guard(this);
    OutputDebugStringA("Redo-\n");
    int n = across_ * down_;
    if (n == 0 || tiles_[0]->IsHistoryEmpty(1)) return -1;
    if (!StoreChangedPages(false)) {
        OutputDebugStringA("Redo failed: swap file\n");
        return -1;
    }
    for (int i = 0; i < n; ++i) tiles_[i]->RedoStep();
    return 0;
}

int c_TileImage::HasHistory(int which) {
    if (across_ * down_ == 0) return 0;
    return tiles_[0]->IsHistoryEmpty(which) ? 0 : 1;
}

int c_TileImage::GetStepCount() {
    if (across_ * down_ == 0) return 0;
    return tiles_[0]->UndoCount();
}

int c_TileImage::IsHistoryFull() { return GetStepCount() == historyLimit_ ? -1 : 0; }

void c_TileImage::DropOldestStep() {
    ImageLock guard(this);
    if (!HasHistory(0)) return;
    int n = across_ * down_;
    for (int i = 0; i < n; ++i) tiles_[i]->DropOldest();
}
