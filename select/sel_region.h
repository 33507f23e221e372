// Colour-region selection (tool 20007): the 4-connected region around a
// pixel whose colour lies within a tolerance of it, found by a scan-line fill
// with a seed stack and a visited bitmap, and its application to the mask.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "canvas/canv_doc.h"

// Pixels of the source, a row at a time: width words (B, G, R); a word with
// bit 31 set stands for a transparent pixel (-100 in every channel). The row
// returned needs to stay valid only until the next call.
struct RegionSource {
    int width = 0, height = 0;
    const uint32_t* (*row)(void* user, int y) = nullptr;
    void* user = nullptr;
};
constexpr uint32_t kRegionTransparent = 0x80000000u;

// Zeroed 64-bit words from calloc: the system hands a large block out as
// untouched zero pages, so a bit plane of which a fill reaches a few rows
// costs the memory of those rows only.
class RegionWords {
public:
    RegionWords() = default;
    ~RegionWords() { std::free(words_); }
    RegionWords(const RegionWords&) = delete;
    RegionWords& operator=(const RegionWords&) = delete;
    // count zeroed words; false (and none) when memory is short.
    bool Reset(size_t count) {
        std::free(words_);
        words_ = (uint64_t*)std::calloc(count ? count : 1, sizeof(uint64_t));
        size_ = words_ ? count : 0;
        return words_ != nullptr;
    }
    uint64_t& operator[](size_t i) { return words_[i]; }
    const uint64_t& operator[](size_t i) const { return words_[i]; }
    size_t size() const { return size_; }
private:
    uint64_t* words_ = nullptr;
    size_t size_ = 0;
};

struct RegionResult {
    RegionWords visited;            // one bit a pixel, rows of `stride` 64-bit words
    int stride = 0;
    int x0 = 1000000, y0 = 1000000, x1 = -1, y1 = -1;   // bounds of the visited pixels
    bool Visited(int x, int y) const { return (visited[(size_t)y * stride + (x >> 6)] >> (x & 63)) & 1; }
};

// The region around (x, y) (clamped into the source). stop() is polled once a
// scan line: true ends the fill with what was found. 1 on success, 0 when
// memory was short.
int FindColorRegion(const RegionSource& source, int x, int y, int tolerance, RegionResult* result,
                    bool (*stop)());

// The tool's fill on a document: the region of the source (composite by
// default) written into the mask; add keeps the mask elsewhere. 1, or 0 when it
// gave up (mask and shape unchanged).
int ColorRegionFill(CanvDoc* doc, int x, int y, int add);
