// The browser's bitmaps: PackedDib blocks (image/packed_dib.h) whose 24-bit
// pictures really have three bytes a pixel (blue, green, red), where the
// editor's store 24 bits as 32. Creation, rows, conversion from any depth,
// and the resizes and turns the browser makes on its thumbnails and files.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/packed_dib.h"

// Largest side the browser takes from a file; a picture's bytes are computed
// in 64 bits and refused beyond kDib24MaxBytes.
constexpr int kDib24MaxSide = 30000;
constexpr uint64_t kDib24MaxBytes = 0x7FFFFFFFull;

// Bytes of a stored row: ((width x bits + 31) / 32) x 4, in 64 bits.
inline uint64_t Dib24Stride(int64_t width, int bits) { return (uint64_t)((width * bits + 31) / 32 * 4); }

// A new zero-filled bitmap of 1, 4, 8 or 24 bits (4 and 8 bits get grey
// tables); null for other depths, sizes below 1 or beyond the limits, or
// without memory. Freed with FreePackedDib.
PackedDib CreateDib24(int width, int height, int bits);
// New 24-bit copy of a bitmap of any depth PackedDib reads (colour tables
// applied, the fourth byte of 32-bit pixels dropped); null on failure.
PackedDib ConvertDibTo24(const BITMAPINFOHEADER* dib);
// New 32-bit copy of a 24-bit bitmap (for the shared 32-bit operations).
PackedDib ConvertDib24To32(const BITMAPINFOHEADER* dib);

// Pixels x0..x1 of row y (0 = top) of a 24-bit bitmap, three bytes each;
// buffer byte 0 stands for pixel x0. Clipped like the shared rows: 0 when y
// is outside, x1 < 0 or x0 > width - 1; a negative x0 skips its bytes. A
// missing bitmap fills the buffer with 255 (white) and gives 0.
int GetDib24Row(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint8_t* buffer);
int PutDib24Row(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint8_t* buffer);
// One pixel as red, green, blue; 0 outside the picture.
int GetDib24Rgb(const BITMAPINFOHEADER* dib, int x, int y, int* r, int* g, int* b);
int SetDib24Rgb(BITMAPINFOHEADER* dib, int x, int y, int r, int g, int b);

// The size that fits a width x height picture into the box keeping its aspect
// ratio (single-precision scale factors, products truncated), never below 1.
void FitSizeToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);
// Nearest-neighbour resize of a 24-bit bitmap: destination row i takes source
// row min(h - 1, i h / height), column j likewise.
PackedDib ResizeNearest(const BITMAPINFOHEADER* dib, int width, int height);
// ResizeNearest to the FitSizeToBox size.
PackedDib fit_dib_to_box(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight);

// The size that fits a width x height picture into the box keeping its aspect
// ratio, enlarging as well as reducing: both sides divided by the larger of
// width / box width and height / box height (integer products), never below 1.
void ScaleSizeToBox(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);
// Area-average resample of a 24-bit bitmap to width x height: each target
// pixel is the mean of the source area it covers (shares of edge pixels
// weighted), which also serves enlargements. Null on failure.
PackedDib ResizeDib24Area(const BITMAPINFOHEADER* dib, int width, int height);

enum DibTurn : int {
    kTurnClockwise = 0,
    kTurnHalf = 1,
    kTurnCounterClockwise = 2,
};
// A new 24-bit bitmap turned by the mode (width and height exchanged for the
// quarter turns).
PackedDib RotateDib(const BITMAPINFOHEADER* dib, int mode);

// The 160 x 120 picture an EXIF block carries: the bitmap fitted into the box
// by area averaging and centred on white.
PackedDib MakeExifThumbnail(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight);
