// c_VmsStore: creates and frees every VmsImage and is the only way to read and
// write their pixels (rows, single pixels, 2 x 2 blocks, whole-image copies,
// drawing into a device context). One global object, g_VmsStore, serves the
// whole program. Row operations may run on several threads at once; the
// single-pixel operations, 2 x 2 reads and drawing are safe from any thread too.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/vms_image.h"

struct DibImage;
class c_PagePool;
class c_SwapFile;

// Settings of a store. The program's store uses the defaults; tests make their
// own stores with a tiny pool or an injected disk to force paging and failures.
struct VmsStoreOptions {
    int32_t poolPages = 0;              // pages of 262,144 bytes; 0 = half the physical memory
    const char* swapFolder = nullptr;   // folder of the swap file; null = the temp folder
    // Test seams (null / -1 = the real system value).
    int64_t (*freeSpace)() = nullptr;   // free bytes on the swap file's drive
    int32_t sectorSize = -1;            // bytes a sector of the swap file's drive
    DWORD (*clock)() = nullptr;         // millisecond clock that ages pool slots
};

class c_VmsStore {
public:
    c_VmsStore();                                     // default options
    explicit c_VmsStore(const VmsStoreOptions& options);
    ~c_VmsStore();
    c_VmsStore(const c_VmsStore&) = delete;
    c_VmsStore& operator=(const c_VmsStore&) = delete;

    // A new image, or null (no memory, no swap disk, or the store could not
    // start). fill is used as a byte. hint1 and hint2 are ignored.
    VmsImage* Create(int width, int height, int bits, int fill, int fillFlag,
                     int hint1 = 0, int hint2 = 0);
    // Releases the image and sets *image to null; a null image is allowed.
    void Free(VmsImage** image);

    // Pixels x0..x1 of row y (words at 32 bits, bytes at 8 bits; packed whole
    // rows for 1 and 4 bits). Pixel x lands at buffer element x - x0 of the
    // caller's x0. 0 when the row or range lies outside the image, else 1.
    int GetRow(const VmsImage* image, int y, int x0, int x1, void* buffer);
    int PutRow(VmsImage* image, int y, int x0, int x1, const void* buffer);

    // Destination's pixels become a copy of the source's (same size and depth).
    // 0 when a tiled copy could not be completed (no room to lay out the
    // destination, or the swap file failed), else 1.
    int Copy(VmsImage* destination, const VmsImage* source);

    // One pixel; 0 without effect outside the image, else 1.
    int GetRgb(const VmsImage* image, int x, int y, int* red, int* green, int* blue);
    int SetRgb(VmsImage* image, int x, int y, int red, int green, int blue);
    int GetValue(const VmsImage* image, int x, int y, int* value);
    int SetValue(VmsImage* image, int x, int y, int value);

    // The 2 x 2 block at (x, y): (x, y), (x+1, y), (x, y+1), (x+1, y+1), edges
    // repeated. x and y must lie inside the image. Return 1.
    int GetQuadRgb(const VmsImage* image, int x, int y, int red[4], int green[4], int blue[4]);
    int GetQuad(const VmsImage* image, int x, int y, int value[4]);

    int Draw(HDC dc, const VmsImage* image, int x, int y);
    int StretchDraw(HDC dc, const VmsImage* image, int x, int y,
                    int destinationWidth, int destinationHeight, DWORD rop);

    // New image of the DibImage's size and depth with its rows (defined with
    // the DibImage operations).
    VmsImage* CreateFromDibImage(const DibImage* dib);

    int ReadFlatBytes(const VmsImage* image, int offset, int length, void* buffer);
    int WriteFlatBytes(VmsImage* image, int offset, int length, const void* buffer);
    int Resize(VmsImage* image, int width, int height);

    // Swap-disk state of this store: 0 fine, 1 low, 2 very low, 3 file near its
    // limit; 2 as well when the swap file could not be opened.
    int GetDiskState();
    // Root of the swap file's drive (for example "C:\"); buffer of MAX_PATH.
    void GetSwapRoot(char* buffer);
    // 1 once the pool and the swap file are ready (images can be made).
    int IsReady();

    // For tests and diagnostics.
    c_PagePool* Pool();
    c_SwapFile* Swap();

private:
    struct State;
    State* Ready();          // starts the store on first use
    static BOOL WINAPI Start(PINIT_ONCE, PVOID, PVOID*);
    VmsStoreOptions options_;
    State* state_;
    INIT_ONCE once_;
};

// The lock of one image's pixels held across a run of row calls on this thread
// (the rows of one dab), so that each call need not take and release it. While
// held, another thread's row calls on the image wait, and the pool takes none
// of its pages for another thread; this thread may still page its tiles out
// to make room, as it may between any two row calls. Flat images have no lock:
// holding one always succeeds.
class c_VmsHeldRows {
public:
    c_VmsHeldRows() = default;
    ~c_VmsHeldRows() { Release(); }
    c_VmsHeldRows(const c_VmsHeldRows&) = delete;
    c_VmsHeldRows& operator=(const c_VmsHeldRows&) = delete;

    // Takes the image's lock: waiting for it when wait is set, else only when
    // it is free now. false when it was not taken (or image is null). Whoever
    // holds one image's lock must never wait for another's: take the first
    // with wait and the others without.
    bool Hold(VmsImage* image, bool wait);
    void Release();
    const VmsImage* Image() const { return image_; }

    // c_VmsStore::GetRow and PutRow on the held image.
    int GetRow(int y, int x0, int x1, void* buffer);
    int PutRow(int y, int x0, int x1, const void* buffer);
    // Pixels x0..x1 of row y of an 8- or 32-bit image where the store keeps
    // them, to read and change in place. Null unless the run lies inside the
    // image and in one tile whose page is resident (GetRow and PutRow serve
    // it then); nothing is paged in. The pointer is good until this thread's
    // next row call on any image. After changing the pixels, RowWritten for
    // the same run marks them written as PutRow does.
    uint8_t* RowInPlace(int y, int x0, int x1);
    void RowWritten(int y, int x0, int x1);

private:
    VmsImage* image_ = nullptr;
};

// The program's one store.
extern c_VmsStore g_VmsStore;

// Swap-disk queries the frame uses (the program's store).
int GetSwapDiskState();
int GetSwapFilePath(char* buffer);

// The image store's process-wide lock, made at start-up and deleted at exit.
void InitImageStoreLock();
void DeleteImageStoreLock();
