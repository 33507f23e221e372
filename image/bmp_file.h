// Reading the layout of .bmp files and packed DIBs: every field is checked
// against the bytes that are really there before anything is read, so that a
// damaged or hostile file is refused instead of read out of bounds.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

// What a checked header says about the pixels that follow it.
struct BmpLayout {
    int32_t width = 0;          // > 0
    int32_t height = 0;         // > 0 (top-down files are flagged below)
    bool topDown = false;       // rows stored from the top (negative height)
    int32_t bits = 0;           // 1, 4, 8, 16, 24 or 32
    int32_t headerSize = 0;     // 12 (core header), 40, 52, 56, 108 or 124
    bool masked = false;        // 16/32-bit pixels decoded through masks
    uint32_t masks[3] = {};     // red, green, blue masks when masked
    int32_t paletteEntries = 0; // entries present in the source (<= 256)
    RGBQUAD palette[256] = {};  // entries missing from the source stay 0
    int32_t xPelsPerMeter = 0;  // 0 for core headers
    int32_t yPelsPerMeter = 0;
    uint64_t pixelOffset = 0;   // first stored row, from the start of the source
    uint32_t stride = 0;        // bytes a stored row
    int32_t runLength = 0;      // 8 or 4 for run-length pixels (BI_RLE8, BI_RLE4), else 0
    uint64_t runBytes = 0;      // bytes of run-length data after pixelOffset
};

// Checks a header. data/dataSize: the bytes at hand (at least the headers and
// colour table; more is allowed); totalSize: bytes of the whole source (file
// or block). withFileHeader: the source starts with the 14-byte "BM" header.
// Returns false for anything that cannot be read: wrong signature, a header
// larger than the source, JPEG or PNG pixels, run-length pixels of the wrong
// depth or top-down, odd depths, zero or negative sizes, or rows that would
// run past the end.
bool ParseBmpLayout(const void* data, size_t dataSize, uint64_t totalSize,
                    bool withFileHeader, BmpLayout* out);

// Expands run-length pixels into bottom-up rows of l.stride bytes (rows must
// hold stride x height zeroed bytes). Runs that leave the picture are cut off;
// pixels the data never reaches stay 0. true when the data ends the picture
// (end-of-picture mark, or past the last row); false when it runs out first.
bool DecodeBmpRunLength(const BmpLayout& l, const uint8_t* data, size_t size, uint8_t* rows);

// The stored rows of a checked source, from memory or from an open file,
// expanding run-length pixels once up front.
class BmpRowSource {
public:
    // Source in memory: base is where offsets of the layout count from.
    bool Open(const BmpLayout& l, const uint8_t* base);
    // Source in a file.
    bool Open(const BmpLayout& l, HANDLE file);
    // The stored bytes of image row y (0 = top), or null when a read fails.
    const uint8_t* Row(int y);
private:
    BmpLayout l_;
    const uint8_t* base_ = nullptr;
    HANDLE file_ = nullptr;
    uint8_t* expanded_ = nullptr;
    uint8_t* row_ = nullptr;
    std::unique_ptr<uint8_t[]> own_, rowOwn_;
};

// Stored row of image row y (0 = top).
inline uint32_t BmpStoredRow(const BmpLayout& l, int y) {
    return l.topDown ? (uint32_t)y : (uint32_t)(l.height - 1 - y);
}

// Decodes one stored row into 32-bit pixels (blue, green, red, fourth byte):
// palette depths look up the colour table, masked pixels are scaled to 8 bits
// a channel (fourth byte 0), 24 bits take 3 bytes (fourth byte 0) and plain 32
// bits are copied whole.
void DecodeBmpRow32(const BmpLayout& l, const uint8_t* row, uint32_t* out);

// The number of set bits of a colour mask; levels = 2 to that power and shift
// = index of the lowest set bit (shift is left alone for a zero mask).
int CountMaskBits(uint32_t mask, int* levels, int* shift);

// Bytes the headers and colour table of a .bmp file can take at most; reading
// this much (or the whole file when smaller) is enough for ParseBmpLayout.
constexpr size_t kBmpHeadBytes = 14 + 124 + 12 + 256 * 4;

// An open file read whole rows at a time. Returns false when a read is short.
bool ReadFileAt(HANDLE file, uint64_t offset, void* buffer, DWORD length);

