// c_MapStore and MapImage: the browser's store for large pictures (printing
// pages, .bmp files). A MapImage keeps its pixels, rows top-down, in a
// c_MemMapFile on the paging file and reaches them through a cache of 180 row
// buffers in most-recently-used order; written pixels go back to the file as
// the dirty span of their row when the row leaves the cache or on FlushRows.
// No tiles, no history, no swap file. One static store serves the browser.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "image/memmap_file.h"

constexpr int kMapRowCache = 180;

struct MapRowEntry {
    std::unique_ptr<uint8_t[]> buffer;   // stride + 100 bytes
    int32_t row = -1;                    // image row held, -1 free
    int32_t accessedLow = 0, accessedHigh = 0;   // bytes touched (bookkeeping)
    int32_t dirtyLow = 0, dirtyHigh = -1;        // bytes to write back (empty when high < low)
};

struct MapImage {
    int32_t width = 0, height = 0;
    int32_t stride = 0;                  // ((bits x width + 31) / 32) x 4
    int32_t bits = 0;                    // 1, 4, 8 or 24
    int32_t xResolution = 0, yResolution = 0;   // dots per inch (.bmp files)
    RGBQUAD palette[256] = {};
    uint64_t size = 0;                   // stride x height
    int32_t id = 0;
    MapRowEntry cache[kMapRowCache];     // cache[0] the newest
    std::unique_ptr<c_MemMapFile> file;
};

class c_MapStore {
public:
    // A new image (8 bits start with the grey ramp); with fillFlag every byte
    // is `fill`. Null, after "メモリーが不足しました", when the memory file
    // cannot be made; null for other depths or sizes beyond the browser's limits.
    MapImage* Create(int width, int height, int bits, int fill, int fillFlag);
    void Free(MapImage** image);
    // Pixels x0..x1 of row y out of / into the buffer (buffer byte 0 stands for
    // pixel x0). 0 when y is outside, x1 < 0 or x0 > width - 1; a negative x0
    // is clipped and the buffer advanced by -x0 x (bits / 8) bytes.
    int GetRow(MapImage* image, int y, int x0, int x1, void* buffer);
    int PutRow(MapImage* image, int y, int x0, int x1, const void* buffer);
    // Writes every cached row's dirty span back and frees the entries.
    int FlushRows(MapImage* image);
    // The whole image at (x, y) at its own size.
    int Draw(HDC dc, MapImage* image, int x, int y);
    // The image into `rows` device rows of `width` pixels, row by row.
    int StretchDraw(HDC dc, MapImage* image, int x, int y, int width, int rows, DWORD rop);

    // Reads of the memory file so far (for tests).
    uint64_t FileReads() const { return fileReads_; }

private:
    MapRowEntry* Fetch(MapImage* image, int y);
    bool WriteBack(MapImage* image, MapRowEntry& e);
    int idCounter_ = 0;
    uint64_t fileReads_ = 0;
};

extern c_MapStore g_MapStore;

// A new MapImage of an uncompressed 1, 4, 8 or 24-bit .bmp file (1 and 4
// bits are expanded to 8), with its palette and resolution; null for anything
// else, a damaged file or no memory.
MapImage* LoadBmpToMapImage(const char* path);
// Replaces a 1- or 4-bit image by an 8-bit one with the same palette
// entries; 1 (also for 8 bits, untouched), 0 for more than 8 bits or without
// memory (the old image is then freed and the reference cleared).
int ExpandMapImageTo8Bits(MapImage** image);
