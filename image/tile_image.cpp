#include "image/tile_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/page_pool.h"
#include "image/swap_file.h"

namespace {

struct ImageLock {
    explicit ImageLock(c_TileImage* image) : image_(image) { image_->Lock(); }
    ~ImageLock() { image_->Unlock(); }
    c_TileImage* image_;
};

// Rows are read and written top to bottom, each row touching one run of many
// tiles: ask for the same run two tile rows further down, which the hardware
// does not foresee across so many pages at once.
inline void PrefetchAhead(const uint8_t* run, size_t bytes, int row, int forWrite) {
    if (row + 2 >= TileUnits) return;
    const uint8_t* ahead = run + 2 * TileRowBytes;
    for (size_t k = 0; k < bytes; k += 64) {
        if (forWrite)
            __builtin_prefetch(ahead + k, 1, 3);
        else
            __builtin_prefetch(ahead + k, 0, 3);
    }
}

void FillWords(uint8_t* destination, uint32_t value, size_t words) {
    uint32_t* d = (uint32_t*)destination;
    for (size_t i = 0; i < words; ++i) d[i] = value;
}

}  // namespace

// ---------------------------------------------------------------- c_Tile

c_Tile::c_Tile(const void* owner) : owner_(owner) {
    Init(0, 0, 0, 0, 0xFF000000u, nullptr, nullptr, owner, 4);
}

c_Tile::~c_Tile() {
    ForgetPage();
    ClearRedo();
    ClearUndo();
    if (currentExtent_ != 0 && swap_) swap_->Free(currentExtent_);
}

void c_Tile::Init(int x, int y, int width, int height, uint32_t fill, c_PagePool* pool,
                  c_SwapFile* swap, const void* owner, int unitBytes) {
    owner_ = owner;
    x_ = x;
    y_ = y;
    width_ = width;
    height_ = height;
    fill_ = fill;
    pool_ = pool;
    swap_ = swap;
    unitBytes_ = unitBytes;
    hasContent_ = false;
    resident_ = false;
    dirty_ = false;
    hasExtent_ = false;
    currentExtent_ = 0;
    page_ = nullptr;
    slot_ = -1;
    changedSinceSave_ = true;
    redoFills_.clear();
    redoExtents_.clear();
    undoFills_.clear();
    undoExtents_.clear();
}

uint8_t* c_Tile::PageIn(bool forWrite) {
    if (resident_) return page_;
    uint8_t* page = pool_->Acquire(this);
    if (!page) return nullptr;
    if (hasContent_) {
        if (!ReadExtent(currentExtent_, page)) {
            // The swap file did not give the pixels back: they stay in the
            // extent, and the page (clean) goes back to the pool.
            ForgetPage();
            return nullptr;
        }
    } else if (forWrite) {
        hasContent_ = true;
        FillPage(page);
    }
    return page;
}

bool c_Tile::TryClaim() { return !lock_ || TryEnterCriticalSection(lock_); }

void c_Tile::EndClaim() {
    if (lock_) LeaveCriticalSection(lock_);
}

void c_Tile::AttachPage(uint8_t* page, int slot) {
    page_ = page;
    slot_ = slot;
    resident_ = true;
}

void c_Tile::ForgetPage() {
    if (!pool_ || !resident_) return;
    pool_->Release(this);
    resident_ = false;
    page_ = nullptr;
    slot_ = -1;
    dirty_ = false;
}

void c_Tile::FillPage(uint8_t* page) {
    FillWords(page, fill_, (size_t)TileBytes / 4);
}

int32_t c_Tile::NewExtent() { return swap_->Alloc(TileBytes, nullptr); }

bool c_Tile::ReadExtent(int32_t id, uint8_t* page) { return swap_->Read(id, page) == (uint32_t)TileBytes; }

bool c_Tile::WriteExtent(int32_t id, const uint8_t* page) {
    return swap_->Write(id, page) == (uint32_t)TileBytes;
}

bool c_Tile::IsShared(int32_t id) const {
    if (id == 0) return false;
    for (uint32_t e : undoExtents_)
        if ((int32_t)e == id) return true;
    for (uint32_t e : redoExtents_)
        if ((int32_t)e == id) return true;
    return false;
}

bool c_Tile::PageOut() {
    if (dirty_) {
        int32_t previous = currentExtent_;
        bool hadExtent = hasExtent_;
        int32_t made = 0;
        if (!hasExtent_) {
            made = currentExtent_ = NewExtent();
            hasExtent_ = true;
        } else if (IsShared(currentExtent_)) {
            // The current extent holds a saved version: keep it untouched.
            made = currentExtent_ = NewExtent();
        }
        if (!WriteExtent(currentExtent_, page_)) {
            // The page is the only copy of these pixels: keep it.
            if (made) swap_->Free(made);
            currentExtent_ = previous;
            hasExtent_ = hadExtent;
            return false;
        }
    }
    dirty_ = false;
    resident_ = false;
    page_ = nullptr;
    slot_ = -1;
    return true;
}

int c_Tile::ReadUnits(void* destination, int row, int column, int n) {
    if (!hasContent_) {
        if (unitBytes_ == 4)
            FillWords((uint8_t*)destination, fill_, (size_t)n);
        else
            memset(destination, (int)(fill_ & 0xFF), (size_t)n);
        return 1;
    }
    uint8_t* page = PageIn(false);
    if (!page) return 0;
    const uint8_t* source = page + row * TileRowBytes + column * unitBytes_;
    size_t bytes = (size_t)n * unitBytes_;
    PrefetchAhead(source, bytes, row, 0);
    memcpy(destination, source, bytes);
    return 1;
}

int c_Tile::WriteUnits(const void* source, int row, int column, int n) {
    uint8_t* page = PageIn(true);
    if (!page) return 0;
    MarkWritten();
    uint8_t* destination = page + row * TileRowBytes + column * unitBytes_;
    size_t bytes = (size_t)n * unitBytes_;
    PrefetchAhead(destination, bytes, row, 1);
    memcpy(destination, source, bytes);
    return 1;
}

int c_Tile::CloneInto(c_Tile* d) {
    auto takeFields = [this, d]() {
        d->x_ = x_;
        d->y_ = y_;
        d->fill_ = fill_;
        d->pool_ = pool_;
        d->swap_ = swap_;
        d->changedSinceSave_ = true;
    };
    if (!hasContent_) {
        takeFields();
        d->ForgetPage();
        if (d->hasExtent_ && d->currentExtent_ != 0 && !d->IsShared(d->currentExtent_))
            swap_->Free(d->currentExtent_);
        d->hasContent_ = false;
        d->hasExtent_ = false;
        d->dirty_ = false;
        d->currentExtent_ = 0;
        return 1;
    }
    uint8_t* sp = Page();
    if (!sp && !hasExtent_) return 0;
    if (uint8_t* dp = d->Page()) {
        // D's page takes the pixels and is the copy: when they cannot be read
        // D keeps its own, when its extent does not take them the page stays dirty.
        if (sp) {
            memcpy(dp, sp, std::min(pool_->PageSize(), (size_t)TileBytes));
        } else {
            uint8_t* spare = pool_->BorrowSpare(d);
            bool read = ReadExtent(currentExtent_, spare);
            if (read) memcpy(dp, spare, TileBytes);
            pool_->ReturnSpare();
            if (!read) return 0;
        }
        takeFields();
        d->hasContent_ = true;
        d->dirty_ = true;
        if (sp) {
            if (!d->hasExtent_ || d->currentExtent_ == 0) {
                d->currentExtent_ = d->NewExtent();
                d->hasExtent_ = true;
            } else if (d->IsShared(d->currentExtent_)) {
                d->currentExtent_ = d->NewExtent();
            }
            if (d->WriteExtent(d->currentExtent_, sp)) d->dirty_ = false;
        }
        return 1;
    }
    // D is on disk only: its pixels go to a new extent, and its old one is
    // given up only once the new one holds the copy.
    int32_t own = NewExtent();
    bool stored;
    if (sp) {
        stored = WriteExtent(own, sp);
    } else {
        uint8_t* spare = pool_->BorrowSpare(d);
        stored = ReadExtent(currentExtent_, spare) && WriteExtent(own, spare);
        pool_->ReturnSpare();
    }
    if (!stored) {
        swap_->Free(own);
        return 0;
    }
    if (d->hasExtent_ && d->currentExtent_ != 0 && !d->IsShared(d->currentExtent_))
        d->swap_->Free(d->currentExtent_);
    takeFields();
    d->currentExtent_ = own;
    d->hasExtent_ = true;
    d->hasContent_ = true;
    d->dirty_ = false;
    return 1;
}

int c_Tile::WriteRect32(const void* buffer, int stride, int, int x, int y, int width, int height,
                        int column, int row) {
    uint8_t* page = PageIn(true);
    if (!page) return 0;
    MarkWritten();
    const uint32_t* src = (const uint32_t*)buffer + (size_t)y * stride + x;
    for (int i = 0; i < height; ++i)
        memcpy(page + (row + i) * TileRowBytes + column * 4, src + (size_t)i * stride, (size_t)width * 4);
    return 1;
}

int c_Tile::WriteRect8(const void* buffer, int stride, int, int x, int y, int width, int height,
                       int column, int row) {
    uint8_t* page = PageIn(true);
    if (!page) return 0;
    MarkWritten();
    const uint8_t* src = (const uint8_t*)buffer + (size_t)y * stride + x;
    for (int i = 0; i < height; ++i)
        memcpy(page + (row + i) * TileRowBytes + column, src + (size_t)i * stride, (size_t)width);
    return 1;
}

int c_Tile::ReadRect32(void* buffer, int stride, int, int x, int y, int width, int height,
                       int column, int row) {
    uint32_t* dst = (uint32_t*)buffer + (size_t)y * stride + x;
    if (!hasContent_) {
        for (int i = 0; i < height; ++i) FillWords((uint8_t*)(dst + (size_t)i * stride), fill_, width);
        return 1;
    }
    uint8_t* page = PageIn(false);
    if (!page) return 0;
    for (int i = 0; i < height; ++i)
        memcpy(dst + (size_t)i * stride, page + (row + i) * TileRowBytes + column * 4, (size_t)width * 4);
    return 1;
}

int c_Tile::ReadRect8(void* buffer, int stride, int, int x, int y, int width, int height,
                      int column, int row) {
    uint8_t* dst = (uint8_t*)buffer + (size_t)y * stride + x;
    if (!hasContent_) {
        for (int i = 0; i < height; ++i) memset(dst + (size_t)i * stride, (int)(fill_ & 0xFF), width);
        return 1;
    }
    uint8_t* page = PageIn(false);
    if (!page) return 0;
    for (int i = 0; i < height; ++i)
        memcpy(dst + (size_t)i * stride, page + (row + i) * TileRowBytes + column, (size_t)width);
    return 1;
}

bool c_Tile::IsUniform() {
    uint8_t* page = Page();
    if (!page) return false;
    bool same = true;
    uint32_t value;
    if (unitBytes_ == 4) {
        value = *(const uint32_t*)page;
        for (int r = 0; r < height_ && same; ++r) {
            const uint32_t* p = (const uint32_t*)(page + r * TileRowBytes);
            for (int c = 0; c < width_; ++c)
                if (p[c] != value) { same = false; break; }
        }
    } else {
        uint8_t b = page[0];
        value = b * 0x01010101u;
        for (int r = 0; r < height_ && same; ++r) {
            const uint8_t* p = page + r * TileRowBytes;
            for (int c = 0; c < width_ * 4; ++c)
                if (p[c] != b) { same = false; break; }
        }
    }
    if (same) fill_ = value;
    return same;
}

// ---------------------------------------------------------------- c_TileImage

c_TileImage::c_TileImage(c_PagePool* pool, c_SwapFile* swap) : pool_(pool), swap_(swap) {
    InitializeCriticalSection(&lock_);
}

c_TileImage::~c_TileImage() {
    Clear();
    DeleteCriticalSection(&lock_);
    if (liveCounter_) InterlockedDecrement(liveCounter_);
}

void c_TileImage::Clear() {
    ImageLock guard(this);
    if (tiles_) {
        int n = across_ * down_;
        for (int i = 0; i < n; ++i) delete tiles_[i];
        delete[] tiles_;
        tiles_ = nullptr;
    }
    unitsWide_ = height_ = depth_ = across_ = down_ = 0;
    pixelWidth_ = 0;
}

int c_TileImage::Layout(int depth, int unitsWide, int height, int pixelWidth, uint32_t fill) {
    if (!swap_ || swap_->GetDiskState() != 0) return 0;
    if (unitsWide < 1 || height < 1) return 0;
    int across = (unitsWide + TileUnits - 1) / TileUnits;
    int down = (height + TileUnits - 1) / TileUnits;
    if ((int64_t)across * down > TileMaxCount) return 0;
    int n = across * down;
    c_Tile** table = new (std::nothrow) c_Tile*[n];
    if (!table) return 0;
    uint32_t tileFill = depth == 8 ? (fill & 0xFF) * 0x01010101u : fill;
    for (int i = 0; i < n; ++i) {
        table[i] = new (std::nothrow) c_Tile(this);
        if (table[i]) table[i]->SetLock(&lock_);
        if (!table[i]) {
            for (int k = 0; k < i; ++k) delete table[k];
            delete[] table;
            return 0;
        }
        int r = i / across, c = i % across;
        table[i]->Init(c * TileUnits, r * TileUnits, std::min(TileUnits, unitsWide - c * TileUnits),
                       std::min(TileUnits, height - r * TileUnits), tileFill, pool_, swap_, this,
                       depth == 8 ? 1 : 4);
    }
    ImageLock guard(this);
    Clear();
    tiles_ = table;
    fill_ = fill;
    depth_ = depth;
    unitsWide_ = unitsWide;
    height_ = height;
    pixelWidth_ = pixelWidth;
    across_ = across;
    down_ = down;
    saveEnabled_ = 0;
    return 1;
}

int c_TileImage::CreateTiles32(int width, int height, uint32_t fill) {
    return Layout(32, width, height, width, fill);
}

int c_TileImage::CreateTiles8(int width, int height, int fill) {
    return Layout(8, (width + 3) / 4, height, width, (uint32_t)fill);
}

void c_TileImage::ClearRedoAll() {
    // Every tile holds as many redo steps as the first one.
    if (!tiles_ || tiles_[0]->redoFills_.empty()) return;
    int n = across_ * down_;
    for (int i = 0; i < n; ++i) tiles_[i]->ClearRedo();
}

int c_TileImage::ReadRow(void* buffer, int y, int x, int count) {
    ImageLock guard(this);
    return ReadRowHeld(buffer, y, x, count);
}

int c_TileImage::ReadRowHeld(void* buffer, int y, int x, int count) {
    if ((depth_ != 8 && depth_ != 32) || count <= 0) return depth_ == 8 || depth_ == 32;
    // A piece is 250 words (32 bits) or 1,000 bytes (8 bits) of one tile.
    const int span = depth_ == 32 ? TileUnits : TileUnits * 4;
    const int unit = depth_ == 32 ? 4 : 1;
    c_Tile** rowTiles = tiles_ + (y / TileUnits) * across_;
    int tileRow = y % TileUnits;
    int column = x / span;
    int offset = x % span;
    uint8_t* out = (uint8_t*)buffer;
    int result = 1;
    while (count > 0) {
        int n = std::min(span - offset, count);
        c_Tile* t = rowTiles[column];
        if (t->resident_) {
            // The common case, kept here: a resident tile is a plain copy.
            const uint8_t* source = t->page_ + tileRow * TileRowBytes + offset * unit;
            PrefetchAhead(source, (size_t)n * unit, tileRow, 0);
            memcpy(out, source, (size_t)n * unit);
        } else if (!t->ReadUnits(out, tileRow, offset, n)) {
            result = 0;   // no page, or the swap file failed: the piece is not read
        }
        out += (size_t)n * unit;
        count -= n;
        offset = 0;
        ++column;
    }
    return result;
}

int c_TileImage::WriteRow(const void* buffer, int y, int x, int count) {
    ImageLock guard(this);
    return WriteRowHeld(buffer, y, x, count);
}

int c_TileImage::WriteRowHeld(const void* buffer, int y, int x, int count) {
    if (depth_ != 8 && depth_ != 32) return 0;
    ClearRedoAll();
    const int span = depth_ == 32 ? TileUnits : TileUnits * 4;
    const int unit = depth_ == 32 ? 4 : 1;
    c_Tile** rowTiles = tiles_ + (y / TileUnits) * across_;
    int tileRow = y % TileUnits;
    int column = x / span;
    int offset = x % span;
    const uint8_t* in = (const uint8_t*)buffer;
    int result = 1;
    while (count > 0) {
        int n = std::min(span - offset, count);
        c_Tile* t = rowTiles[column];
        if (t->resident_) {
            uint8_t* destination = t->page_ + tileRow * TileRowBytes + offset * unit;
            t->MarkWritten();
            PrefetchAhead(destination, (size_t)n * unit, tileRow, 1);
            memcpy(destination, in, (size_t)n * unit);
        } else if (!t->WriteUnits(in, tileRow, offset, n)) {
            result = 0;   // no page, or the tile's pixels could not be read back
        }
        in += (size_t)n * unit;
        count -= n;
        offset = 0;
        ++column;
    }
    return result;
}

bool c_TileImage::RunInside(int y, int x, int count) const {
    return (depth_ == 8 || depth_ == 32) && count > 0 && y >= 0 && y < height_ && x >= 0 &&
           x + count <= (depth_ == 32 ? unitsWide_ : pixelWidth_);
}

uint8_t* c_TileImage::RowInPageHeld(int y, int x, int count) {
    if (!RunInside(y, x, count)) return nullptr;
    const int span = depth_ == 32 ? TileUnits : TileUnits * 4;
    const int unit = depth_ == 32 ? 4 : 1;
    int offset = x % span;
    if (offset + count > span) return nullptr;
    c_Tile* t = tiles_[(y / TileUnits) * across_ + x / span];
    if (!t->resident_) return nullptr;
    return t->page_ + (y % TileUnits) * TileRowBytes + offset * unit;
}

void c_TileImage::RowWrittenHeld(int y, int x, int count) {
    if (!RunInside(y, x, count)) return;
    ClearRedoAll();
    const int span = depth_ == 32 ? TileUnits : TileUnits * 4;
    c_Tile** rowTiles = tiles_ + (y / TileUnits) * across_;
    for (int column = x / span; column <= (x + count - 1) / span; ++column)
        if (rowTiles[column]->resident_) rowTiles[column]->MarkWritten();
}

int c_TileImage::CopyFrom(c_TileImage* destination) {
    if (destination == this) return 1;
    bool relayout = destination->depth_ != depth_ || destination->across_ == 0 ||
                    destination->down_ == 0 || destination->height_ != height_ ||
                    (depth_ == 8 ? destination->pixelWidth_ != pixelWidth_
                                 : destination->unitsWide_ != unitsWide_);
    if (relayout) {
        int ok = depth_ == 8 ? destination->CreateTiles8(pixelWidth_, height_, fill_)
                             : destination->CreateTiles32(unitsWide_, height_, fill_);
        if (!ok) return 0;
    }
    // Both images are locked. Never wait for one image lock while holding
    // another: a thread that holds the destination's lock may itself be
    // waiting for a page that only this image's lock would free.
    for (int attempt = 0;; ++attempt) {
        Lock();
        if (TryEnterCriticalSection(&destination->lock_)) break;
        Unlock();
        Sleep(attempt < 4 ? 0 : 1);
    }
    int n = across_ * down_;
    int result = destination->across_ * destination->down_ == n ? 1 : 0;
    for (int i = 0; i < n && result; ++i) {
        if (!tiles_[i]->CloneInto(destination->tiles_[i])) {
            OutputDebugStringA("CopyFrom failed: swap file\n");
            result = 0;
        }
    }
    destination->Unlock();
    Unlock();
    return result;
}

int c_TileImage::GetQuad(void* out, int x, int y) {
    ImageLock guard(this);
    if (depth_ != 8 && depth_ != 32) return 0;
    int width = depth_ == 8 ? pixelWidth_ : unitsWide_;
    int x1 = x + 1 < width ? x + 1 : x;
    int y1 = y + 1 < height_ ? y + 1 : y;
    const int xs[4] = {x, x1, x, x1};
    const int ys[4] = {y, y, y1, y1};
    int result = 1;
    for (int k = 0; k < 4; ++k) {
        uint32_t word = 0;
        int unit = depth_ == 8 ? xs[k] / 4 : xs[k];
        c_Tile* t = tiles_[(ys[k] / TileUnits) * across_ + unit / TileUnits];
        if (!t->ReadUnits(&word, ys[k] % TileUnits, unit % TileUnits * (depth_ == 8 ? 4 : 1),
                          depth_ == 8 ? 4 : 1))
            result = 0;
        if (depth_ == 8)
            ((uint8_t*)out)[k] = (uint8_t)(word >> (8 * (xs[k] % 4)));
        else
            ((uint32_t*)out)[k] = word;
    }
    return result;
}

int c_TileImage::GetPixel(void* out, int x, int y) {
    ImageLock guard(this);
    if (depth_ != 8 && depth_ != 32) return 0;
    uint32_t word = 0;
    int unit = depth_ == 8 ? x / 4 : x;
    c_Tile* t = tiles_[(y / TileUnits) * across_ + unit / TileUnits];
    if (!t->ReadUnits(&word, y % TileUnits, unit % TileUnits * (depth_ == 8 ? 4 : 1),
                      depth_ == 8 ? 4 : 1))
        return 0;
    if (depth_ == 8)
        *(uint8_t*)out = (uint8_t)(word >> (8 * (x % 4)));
    else
        *(uint32_t*)out = word;
    return 1;
}

int c_TileImage::GetSize(int* width, int* height) {
    if (depth_ == 8 || depth_ == 32) {
        *width = depth_ == 8 ? pixelWidth_ : unitsWide_;
        *height = height_;
    }
    return depth_;
}

int c_TileImage::BlockOp(int, int, int, int, int, int, int, int, int) {
    return depth_ == 8 || depth_ == 32;
}

int c_TileImage::Resize(int width, int height) {
    if (width == 0 || height == 0 || (depth_ != 8 && depth_ != 32)) return -1;
    ImageLock guard(this);
    int unitsWide = depth_ == 8 ? (width + 3) / 4 : width;
    int across = (unitsWide + TileUnits - 1) / TileUnits;
    int down = (height + TileUnits - 1) / TileUnits;
    if (width < 0 || height < 0 || (int64_t)across * down > TileMaxCount) return -1;
    int n = across * down;
    c_Tile** table = new (std::nothrow) c_Tile*[n];
    if (!table) return -1;
    uint32_t tileFill = depth_ == 8 ? (fill_ & 0xFF) * 0x01010101u : fill_;
    int unit = depth_ == 8 ? 1 : 4;
    for (int i = 0; i < n; ++i) {
        int r = i / across, c = i % across;
        if (r < down_ && c < across_) {
            table[i] = tiles_[r * across_ + c];
            tiles_[r * across_ + c] = nullptr;
        } else {
            table[i] = new (std::nothrow) c_Tile(this);
            if (table[i]) table[i]->SetLock(&lock_);
            if (!table[i]) {
                // Put the kept tiles back and give up.
                for (int k = 0; k < i; ++k) {
                    int kr = k / across, kc = k % across;
                    if (kr < down_ && kc < across_) tiles_[kr * across_ + kc] = table[k];
                    else delete table[k];
                }
                delete[] table;
                return -1;
            }
            table[i]->Init(c * TileUnits, r * TileUnits, 0, 0, tileFill, pool_, swap_, this, unit);
        }
        table[i]->width_ = std::min(TileUnits, unitsWide - c * TileUnits);
        table[i]->height_ = std::min(TileUnits, height - r * TileUnits);
    }
    for (int i = 0; i < across_ * down_; ++i) delete tiles_[i];   // the ones left outside
    delete[] tiles_;
    tiles_ = table;
    across_ = across;
    down_ = down;
    unitsWide_ = unitsWide;
    height_ = height;
    pixelWidth_ = depth_ == 8 ? width : unitsWide;
    return 0;
}
