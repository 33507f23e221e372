// Header helpers of device-independent bitmaps whose header, masks, colour
// table and rows lie in one block (the Windows DIB layout): strides, sizes,
// colour counts, resolutions, new header blocks, the decoding of BI_RLE8 and
// BI_RLE4 pixels into plain rows, and the rectangle record DibRect.
#pragma once
#include <windows.h>

#include <cstdint>

// Bytes a row: ((width x bits + 31) / 32) x 4.
int32_t DibStride(int32_t width, int32_t bits);
// stride x |height|.
int32_t DibImageSize(int32_t width, int32_t height, int32_t bits);
// Colour-table entries of a depth: 2, 16, 256 at 1, 4, 8 bits; 0 at 16, 24
// and 32; -1 for any other depth. Bit 15 of bits is ignored.
int32_t DibPaletteEntries(int32_t bits);
// The entries for the depth, or `used` when it is not 0; -1 when the depth is
// unknown or used exceeds the entries.
int32_t DibColourCount(int32_t bits, int32_t used);
// 12 at 16 and 32 bits (the three masks), else 0.
int32_t DibMaskBytesForDepth(int32_t bits);
// 12 for BI_BITFIELDS, else 0.
int32_t DibMaskBytes(uint32_t compression);
uint32_t DpiToPelsPerMetre(uint32_t dpi);
uint32_t PelsPerMetreToDpi(uint32_t pelsPerMetre);
bool IsRleDib(const BITMAPINFOHEADER* header);

// Bit 15 of bits: a layout without masks (16 bits is then refused).
constexpr int32_t DibNoMasks = 0x8000;

// A new zero-filled block: the header, the masks for 16 and 32 bits (unless
// DibNoMasks) and, by mode, nothing more (0), the colour table (1) or the
// table and the rows (2). When mode is not 0, colours > 0 sets the table's
// entries (more than the depth allows gives null). Null for an unknown depth,
// a width below 1, a height of 0, a block past 2 GB or no memory.
BITMAPINFOHEADER* AllocDibHeader(int32_t width, int32_t height, int32_t bits, int mode, int32_t colours);
bool FreeDibHeader(BITMAPINFOHEADER* block);
// A 40-byte header: planes 1, BI_BITFIELDS or BI_RGB, the same pixels a
// metre across and down, no important colours.
BITMAPINFOHEADER MakeDibHeader(int32_t width, int32_t height, int32_t bits, bool bitFields, uint32_t imageSize,
                               int32_t pelsPerMetre, uint32_t coloursUsed);
// The standard masks of 16 bits (5-6-5) or 32 bits (8-8-8) behind a header.
void PutStandardMasks(BITMAPINFOHEADER* header, int32_t bits);

// Bytes of the plain block that DecodeRleDib makes of a BI_RLE8 header of 8
// bits or a BI_RLE4 header of 4 bits, 40 bytes long, with width >= 1 and
// height >= 0: 40 + the colour table + stride x height. 0 for anything else.
uint32_t RleDecodedSize(const BITMAPINFOHEADER* header);
// Decodes the run-length pixels of source into destination (a block of
// RleDecodedSize bytes): the header with BI_RGB and the plain image size, the
// colour table, then the rows. The encoded data is `data`, or else the bytes
// after the source's colour table; it is biSizeImage bytes long. Runs and
// moves that leave the picture are cut off at its edges and pixels the data
// never reaches are 0. true when the data ends the picture; false for a
// missing argument, a header RleDecodedSize refuses, or data that runs out
// before the end (the rows decoded so far are kept).
bool DecodeRleDib(const BITMAPINFOHEADER* source, BITMAPINFOHEADER* destination, const void* data);

// A rectangle: left and top inside, right and bottom beyond.
struct DibRect {
    int32_t left, top, right, bottom;

    // The common part: largest left and top, smallest right and bottom; all
    // four 0 when left >= right or bottom < top.
    void Intersect(const DibRect& other);
    void Offset(int32_t dx, int32_t dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetBack(int32_t dx, int32_t dy) { Offset(-dx, -dy); }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return left >= right || top >= bottom; }
};
static_assert(sizeof(DibRect) == 16, "four 32-bit edges");
