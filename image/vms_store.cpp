#include "image/vms_store.h"

#include <climits>
#include <cstring>
#include <new>

#include "image/page_pool.h"
#include "image/swap_file.h"
#include "image/tile_image.h"

namespace {

constexpr size_t kPageSize = 0x40000;        // 262,144 bytes a pool page
constexpr uint32_t kSwapStep = 2621440;      // first size and growth step of the swap file

bool IsTiled(const VmsImage* image) { return image->kind == VmsKindTiled && image->tiles; }

}  // namespace

struct c_VmsStore::State {
    State(const VmsStoreOptions& options)
        : swap(options.swapFolder, options.freeSpace, options.sectorSize) {}
    c_PagePool pool;
    c_SwapFile swap;
    bool ok = false;
    volatile LONG idCounter = 0;
    volatile LONG liveImages = 0;   // tiled images not yet freed
};

c_VmsStore g_VmsStore;

c_VmsStore::c_VmsStore() : c_VmsStore(VmsStoreOptions()) {}

c_VmsStore::c_VmsStore(const VmsStoreOptions& options) : options_(options), state_(nullptr) {
    InitOnceInitialize(&once_);
}

c_VmsStore::~c_VmsStore() {
    if (!state_) return;
    // The swap file goes in any case. While images are still alive (a static
    // object of the program may free its images after this one is gone) the
    // pool and the lists stay, so that those late frees stay harmless.
    state_->swap.Close();
    if (state_->liveImages == 0) {
        delete state_;
        state_ = nullptr;
    }
}

// The pool and the swap file are made on first use, so that a program that
// never makes an image reserves no memory and creates no file.
c_VmsStore::State* c_VmsStore::Ready() {
    InitOnceExecuteOnce(&once_, Start, this, nullptr);
    return state_;
}

BOOL WINAPI c_VmsStore::Start(PINIT_ONCE, PVOID param, PVOID*) {
    c_VmsStore* self = (c_VmsStore*)param;
    State* s = new (std::nothrow) State(self->options_);
    if (s) {
        int pages = self->options_.poolPages > 0 ? self->options_.poolPages
                                                  : c_PagePool::DefaultPageCount();
        bool poolOk = s->pool.Init(kPageSize, pages, self->options_.clock) != 0;
        bool swapOk = s->swap.Open(kSwapStep);
        s->ok = poolOk && swapOk;
    }
    self->state_ = s;
    return TRUE;
}

int c_VmsStore::IsReady() {
    State* s = Ready();
    return s && s->ok ? 1 : 0;
}

c_PagePool* c_VmsStore::Pool() {
    State* s = Ready();
    return s ? &s->pool : nullptr;
}

c_SwapFile* c_VmsStore::Swap() {
    State* s = Ready();
    return s ? &s->swap : nullptr;
}

int c_VmsStore::GetDiskState() {
    State* s = Ready();
    if (!s) return 2;
    return s->swap.GetDiskState();
}

void c_VmsStore::GetSwapRoot(char* buffer) {
    State* s = Ready();
    if (s)
        lstrcpynA(buffer, s->swap.RootPath(), MAX_PATH);
    else
        buffer[0] = 0;
}

// ---------------------------------------------------------------- create and free

VmsImage* c_VmsStore::Create(int width, int height, int bits, int fill, int fillFlag, int, int) {
    State* s = Ready();
    if (!s || !s->ok) return nullptr;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (bits == 24) bits = 32;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 32) return nullptr;
    int64_t stride = ((int64_t)width * bits + 31) / 32 * 4;
    int64_t dataSize = stride * height;
    if (stride > INT_MAX) return nullptr;
    if (bits < 8 && dataSize > INT_MAX) return nullptr;

    LONG id = InterlockedIncrement(&s->idCounter);
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(VmsImage));
    if (!handle) return nullptr;
    VmsImage* image = (VmsImage*)GlobalLock(handle);
    if (!image) {
        GlobalFree(handle);
        return nullptr;
    }
    image->id = (int32_t)id;
    image->kind = VmsKindTiled;
    image->width = width;
    image->height = height;
    image->bits = bits;
    image->bytesPerPixel = bits / 8;
    image->stride = (int32_t)stride;
    // A 32-bit image larger than 2 GB reports the largest size the field holds.
    image->dataSize = dataSize > INT_MAX ? INT_MAX : (int32_t)dataSize;
    if (bits <= 8) {
        int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) {
            image->palette[i].rgbBlue = (BYTE)i;
            image->palette[i].rgbGreen = (BYTE)i;
            image->palette[i].rgbRed = (BYTE)i;
        }
    }
    const uint8_t fillByte = (uint8_t)fill;
    if (bits < 8) {
        image->kind = VmsKindFlat;
        image->flat = new (std::nothrow) uint8_t[(size_t)dataSize]();
        if (!image->flat) {
            GlobalUnlock(handle);
            GlobalFree(handle);
            return nullptr;
        }
        if (fillFlag && fillByte) memset(image->flat, fillByte, (size_t)dataSize);
        return image;
    }
    c_TileImage* tiles = new (std::nothrow) c_TileImage(&s->pool, &s->swap);
    int laidOut = 0;
    if (tiles) {
        if (bits == 32)
            laidOut = tiles->CreateTiles32(width, height, fillByte * 0x010101u);
        else
            laidOut = tiles->CreateTiles8(width, height, fillByte);
    }
    if (!laidOut) {
        delete tiles;
        GlobalUnlock(handle);
        GlobalFree(handle);
        return nullptr;
    }
    image->tiles = tiles;
    InterlockedIncrement(&s->liveImages);
    tiles->SetLiveCounter(&s->liveImages);
    return image;
}

void c_VmsStore::Free(VmsImage** image) {
    if (!image || !*image) return;
    VmsImage* im = *image;
    delete im->tiles;
    delete[] im->flat;
    HGLOBAL handle = GlobalHandle(im);
    GlobalUnlock(handle);
    GlobalFree(handle);
    *image = nullptr;
}

// ---------------------------------------------------------------- rows

namespace {

// Clips a row request as GetRow and PutRow do. false when nothing is inside;
// otherwise x0, x1 are inside the image and *shift is the buffer offset in bytes.
bool ClipRow(const VmsImage* image, int y, int* x0, int* x1, size_t* shift) {
    if (!image || y < 0 || y > image->height - 1) return false;
    *shift = 0;
    if (*x0 < 0) {
        *shift = (size_t)(-(int64_t)*x0) * image->bytesPerPixel;
        *x0 = 0;
    }
    if (*x0 > image->width - 1 || *x1 < 0) return false;
    if (*x1 > image->width - 1) *x1 = image->width - 1;
    return true;
}

// Byte range of a flat row that holds pixels x0..x1 (the whole stride for a
// whole row).
void FlatSpan(const VmsImage* image, int x0, int x1, size_t* first, size_t* count) {
    if (x0 == 0 && x1 == image->width - 1) {
        *first = 0;
        *count = (size_t)image->stride;
        return;
    }
    size_t a = (size_t)x0 * image->bits / 8;
    size_t b = (size_t)x1 * image->bits / 8;
    *first = a;
    *count = b >= a ? b - a + 1 : 0;
}

// A row read or write; held: the caller holds the image's lock.
int ReadImageRow(const VmsImage* image, int y, int x0, int x1, void* buffer, bool held) {
    size_t shift;
    if (!ClipRow(image, y, &x0, &x1, &shift)) return 0;
    uint8_t* out = (uint8_t*)buffer + shift;
    if (image->kind == VmsKindFlat) {
        if (!image->flat) return 0;
        size_t first, count;
        FlatSpan(image, x0, x1, &first, &count);
        memcpy(out, image->flat + (size_t)y * image->stride + first, count);
        return 1;
    }
    if (!image->tiles) return 0;
    if (x1 < x0) return 1;
    // 0 as well when a tile's pixels could not be read back from the swap file.
    return held ? image->tiles->ReadRowHeld(out, y, x0, x1 - x0 + 1)
                : image->tiles->ReadRow(out, y, x0, x1 - x0 + 1);
}

int WriteImageRow(VmsImage* image, int y, int x0, int x1, const void* buffer, bool held) {
    size_t shift;
    if (!ClipRow(image, y, &x0, &x1, &shift)) return 0;
    const uint8_t* in = (const uint8_t*)buffer + shift;
    if (image->kind == VmsKindFlat) {
        if (!image->flat) return 0;
        size_t first, count;
        FlatSpan(image, x0, x1, &first, &count);
        memcpy(image->flat + (size_t)y * image->stride + first, in, count);
        return 1;
    }
    if (!image->tiles) return 0;
    if (x1 < x0) return 1;
    // 0 as well when a tile had no page for the pixels (nothing of it is written).
    return held ? image->tiles->WriteRowHeld(in, y, x0, x1 - x0 + 1)
                : image->tiles->WriteRow(in, y, x0, x1 - x0 + 1);
}

}  // namespace

int c_VmsStore::GetRow(const VmsImage* image, int y, int x0, int x1, void* buffer) {
    return ReadImageRow(image, y, x0, x1, buffer, false);
}

int c_VmsStore::PutRow(VmsImage* image, int y, int x0, int x1, const void* buffer) {
    return WriteImageRow(image, y, x0, x1, buffer, false);
}

bool c_VmsHeldRows::Hold(VmsImage* image, bool wait) {
    Release();
    if (!image) return false;
    if (IsTiled(image)) {
        if (wait)
            image->tiles->Lock();
        else if (!image->tiles->TryLock())
            return false;
    }
    image_ = image;
    return true;
}

void c_VmsHeldRows::Release() {
    if (image_ && IsTiled(image_)) image_->tiles->Unlock();
    image_ = nullptr;
}

int c_VmsHeldRows::GetRow(int y, int x0, int x1, void* buffer) {
    return ReadImageRow(image_, y, x0, x1, buffer, true);
}

int c_VmsHeldRows::PutRow(int y, int x0, int x1, const void* buffer) {
    return WriteImageRow(image_, y, x0, x1, buffer, true);
}

uint8_t* c_VmsHeldRows::RowInPlace(int y, int x0, int x1) {
    if (!image_ || !IsTiled(image_)) return nullptr;
    return image_->tiles->RowInPageHeld(y, x0, x1 - x0 + 1);
}

void c_VmsHeldRows::RowWritten(int y, int x0, int x1) {
    if (image_ && IsTiled(image_)) image_->tiles->RowWrittenHeld(y, x0, x1 - x0 + 1);
}

int c_VmsStore::Copy(VmsImage* destination, const VmsImage* source) {
    if (!destination || !source || destination == source) return 1;
    if (IsTiled(destination) && IsTiled(source)) {
        // 0 when the swap file failed: see c_TileImage::CopyFrom.
        return source->tiles->CopyFrom(destination->tiles);
    } else if (destination->flat && source->flat && destination->dataSize == source->dataSize) {
        memcpy(destination->flat, source->flat, (size_t)source->dataSize);
    }
    return 1;
}

// ---------------------------------------------------------------- pixels

namespace {
bool Inside(const VmsImage* image, int x, int y) {
    return image && x >= 0 && y >= 0 && x < image->width && y < image->height;
}
}  // namespace

int c_VmsStore::GetRgb(const VmsImage* image, int x, int y, int* red, int* green, int* blue) {
    if (!Inside(image, x, y)) return 0;
    uint32_t pixel = 0;
    GetRow(image, y, x, x, &pixel);
    *red = (int)((pixel >> 16) & 0xFF);
    *green = (int)((pixel >> 8) & 0xFF);
    *blue = (int)(pixel & 0xFF);
    return 1;
}

int c_VmsStore::SetRgb(VmsImage* image, int x, int y, int red, int green, int blue) {
    if (!Inside(image, x, y)) return 0;
    uint32_t pixel = (uint32_t)(blue & 0xFF) | (uint32_t)(green & 0xFF) << 8 |
                     (uint32_t)(red & 0xFF) << 16;
    PutRow(image, y, x, x, &pixel);
    return 1;
}

int c_VmsStore::GetValue(const VmsImage* image, int x, int y, int* value) {
    if (!Inside(image, x, y)) return 0;
    uint32_t pixel = 0;
    GetRow(image, y, x, x, &pixel);
    *value = (int)(pixel & 0xFF);
    return 1;
}

int c_VmsStore::SetValue(VmsImage* image, int x, int y, int value) {
    if (!Inside(image, x, y)) return 0;
    uint32_t pixel = (uint32_t)(value & 0xFF);
    PutRow(image, y, x, x, &pixel);
    return 1;
}

namespace {
// The 2 x 2 block as four values of 32 bits whatever the depth (bytes of an
// 8-bit image widened).
void ReadQuad(const VmsImage* image, int x, int y, uint32_t words[4]) {
    words[0] = words[1] = words[2] = words[3] = 0;
    if (!image || !IsTiled(image)) return;
    if (image->tiles->Depth() == 8) {
        uint8_t bytes[4] = {};
        image->tiles->GetQuad(bytes, x, y);
        for (int k = 0; k < 4; ++k) words[k] = bytes[k] * 0x010101u;
    } else {
        image->tiles->GetQuad(words, x, y);
    }
}
}  // namespace

int c_VmsStore::GetQuadRgb(const VmsImage* image, int x, int y, int red[4], int green[4],
                           int blue[4]) {
    uint32_t words[4];
    ReadQuad(image, x, y, words);
    for (int k = 0; k < 4; ++k) {
        red[k] = (int)((words[k] >> 16) & 0xFF);
        green[k] = (int)((words[k] >> 8) & 0xFF);
        blue[k] = (int)(words[k] & 0xFF);
    }
    return 1;
}

int c_VmsStore::GetQuad(const VmsImage* image, int x, int y, int value[4]) {
    uint32_t words[4];
    ReadQuad(image, x, y, words);
    for (int k = 0; k < 4; ++k) value[k] = (int)(words[k] & 0xFF);
    return 1;
}

// ---------------------------------------------------------------- drawing

namespace {

struct DibHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

int PaletteEntries(int bits) { return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0; }

void FillHeader(DibHeader* info, const VmsImage* image, int rows) {
    memset(info, 0, sizeof(*info));
    info->header.biSize = sizeof(BITMAPINFOHEADER);
    info->header.biWidth = image->width;
    info->header.biHeight = rows;
    info->header.biPlanes = 1;
    info->header.biBitCount = (WORD)image->bits;
    info->header.biCompression = BI_RGB;
    memcpy(info->colours, image->palette, sizeof(RGBQUAD) * PaletteEntries(image->bits));
}

}  // namespace

int c_VmsStore::Draw(HDC dc, const VmsImage* image, int x, int y) {
    if (!image) return 0;
    size_t stride = (size_t)image->stride;
    size_t bytes = stride * (size_t)image->height;
    if ((uint64_t)image->stride * (uint64_t)image->height > (uint64_t)SIZE_MAX / 2) return 0;
    uint8_t* bitsBlock = (uint8_t*)VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!bitsBlock) return 0;
    DibHeader info;
    FillHeader(&info, image, image->height);
    for (int row = 0; row < image->height; ++row)
        GetRow(image, row, 0, image->width - 1, bitsBlock + (size_t)(image->height - 1 - row) * stride);
    SetDIBitsToDevice(dc, x, y, image->width, image->height, 0, 0, 0, image->height, bitsBlock,
                      (BITMAPINFO*)&info, DIB_RGB_COLORS);
    VirtualFree(bitsBlock, 0, MEM_RELEASE);
    return 1;
}

int c_VmsStore::StretchDraw(HDC dc, const VmsImage* image, int x, int y, int destinationWidth,
                            int destinationHeight, DWORD rop) {
    if (!image) return 0;
    int bits = image->bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return 0;
    size_t stride = (size_t)image->stride;
    uint8_t* rows = new (std::nothrow) uint8_t[stride * 2];
    if (!rows) return 0;
    DibHeader info;
    FillHeader(&info, image, 2);
    SetStretchBltMode(dc, COLORONCOLOR);
    for (int i = 0; i < destinationHeight; ++i) {
        int source = destinationHeight > 1
                         ? (int)((int64_t)i * (image->height - 1) / (destinationHeight - 1))
                         : 0;
        GetRow(image, source, 0, image->width - 1, rows);
        memcpy(rows + stride, rows, stride);
        StretchDIBits(dc, x, y + i, destinationWidth, 1, 0, 0, image->width, 2, rows,
                      (BITMAPINFO*)&info, DIB_RGB_COLORS, rop);
    }
    delete[] rows;
    return 1;
}

// ---------------------------------------------------------------- rarely used

int c_VmsStore::ReadFlatBytes(const VmsImage* image, int offset, int length, void* buffer) {
    if (!image || image->kind != VmsKindFlat || !image->flat) return 1;
    if (offset < 0 || length <= 0 || offset >= image->dataSize) return 1;
    if (length > image->dataSize - offset) length = image->dataSize - offset;
    memcpy(buffer, image->flat + offset, (size_t)length);
    return 1;
}

int c_VmsStore::WriteFlatBytes(VmsImage* image, int offset, int length, const void* buffer) {
    if (!image || image->kind != VmsKindFlat || !image->flat) return 1;
    if (offset < 0 || length <= 0 || offset >= image->dataSize) return 1;
    if (length > image->dataSize - offset) length = image->dataSize - offset;
    memcpy(image->flat + offset, buffer, (size_t)length);
    return 1;
}

int c_VmsStore::Resize(VmsImage* image, int width, int height) {
    if (!image || !IsTiled(image) || width < 1 || height < 1) return 0;
    if (image->tiles->Resize(width, height) != 0) return 0;
    int64_t stride = ((int64_t)width * image->bits + 31) / 32 * 4;
    int64_t dataSize = stride * height;
    image->width = width;
    image->height = height;
    image->stride = (int32_t)stride;
    image->dataSize = dataSize > INT_MAX ? INT_MAX : (int32_t)dataSize;
    image->bytesPerPixel = image->bits / 8;
    return 1;
}

// ---------------------------------------------------------------- program-wide

int GetSwapDiskState() { return g_VmsStore.GetDiskState(); }

int GetSwapFilePath(char* buffer) {
    g_VmsStore.GetSwapRoot(buffer);
    return 0;
}

namespace {
CRITICAL_SECTION g_storeLock;
LONG g_storeLockMade = 0;
}  // namespace

void InitImageStoreLock() {
    if (InterlockedCompareExchange(&g_storeLockMade, 1, 0) == 0) InitializeCriticalSection(&g_storeLock);
}

void DeleteImageStoreLock() {
    if (InterlockedCompareExchange(&g_storeLockMade, 0, 1) == 1) DeleteCriticalSection(&g_storeLock);
}
