// SimpleImage: the one in-process picture record of the browser's TIFF, JPEG
// and PNG readers and writers (image_codecs.h): top-down rows of 8-bit samples
// with an optional palette and transparency mask. Also its release, the
// conversions to and from 24-bit packed DIBs and the bilinear resampler.
//
// Every block of a record (the record itself included) is fixed global memory
// (GPTR); FreeSimpleImage releases them all.
#pragma once
#include <windows.h>

#include <cstdint>

// kind
enum : int32_t {
    SimpleKindRgb = 0,      // samples red, green, blue
    SimpleKindPalette = 1,  // one index byte a pixel
    SimpleKindCmyk = 2,     // cyan, magenta, yellow, black
    SimpleKindGrey = 3,     // one grey byte a pixel
    SimpleKindYCbCr = 4,    // Y, Cb, Cr (not subsampled)
};

// flags: what the TIFF source was, and the sense of grey values.
enum : int32_t {
    SimpleFromPalette = 1,
    SimpleFromSeparated = 2,
    SimpleFromYCbCr = 4,
    SimpleMinIsWhite = 8,   // grey: 0 is white
};

// PNG transparency kinds.
enum : int32_t {
    SimplePngColourKey = 1,    // 4 bytes: the transparent colour in sample order, then 0
    SimplePngPaletteAlpha = 2, // one alpha byte a palette entry
};

// Largest width and height a picture may have.
constexpr int32_t SimpleMaxSide = 30000;

struct SimpleImage {
    int32_t kind;
    int32_t flags;
    int32_t width;
    int32_t height;
    int32_t bits;             // 8 x colour samples, + 8 when the mask is interleaved
    int32_t stride;           // bytes a row
    uint8_t* pixels;          // stride x height bytes, top-down
    int32_t paletteCount;
    uint8_t* palette;         // paletteCount x 4 bytes: blue, green, red, 0
    int32_t maskDepth;        // 8 with a transparency mask, else 0
    uint8_t* mask;            // width x height bytes (also interleaved as the last sample)
    int32_t pngTransparencyKind;
    uint8_t* pngTransparency;
};
// Thirteen 32-bit fields in a 32-bit build. The record never leaves the process.
static_assert(sizeof(void*) != 4 || sizeof(SimpleImage) == 52, "thirteen 32-bit fields");

// True when width and height lie in 1..SimpleMaxSide.
bool SimpleSizeAcceptable(int64_t width, int64_t height);
// A zero-filled record with pixel rows for width x height x bits; null for a
// size beyond the limit or no memory.
SimpleImage* NewSimpleImage(int32_t kind, int32_t width, int32_t height, int32_t bits);
// A zero-filled global block (GPTR), null for 0 bytes, more than 2 GB or no memory.
uint8_t* SimpleAlloc(uint64_t bytes);
// Frees every block of the record and the record, and clears the pointer.
// Nothing for a null record.
void FreeSimpleImage(SimpleImage** record);

// A 24-bit packed DIB (header, no table, rows bottom-up or top-down) as an
// RGB record of 24 bits (red, green, blue, stride 3 x width). Null for another
// depth, a damaged header or no memory.
SimpleImage* SimpleImageFromPackedDib(const BITMAPINFOHEADER* dib);
// A new 24-bit packed DIB (locked movable global block, bottom-up; free with
// FreePackedDib) of a record: RGB turned to blue-green-red, palette indices
// through the palette, CMYK through the ink model, grey as grey (min-is-white
// inverted), 1-bit grey with a set bit black. Null for YCbCr, a damaged record
// or no memory.
BITMAPINFOHEADER* PackedDibFromSimpleImage(const SimpleImage* image);

// Bilinear resampling of bytesPerPixel-byte pixels: destination pixel (x, y)
// samples the source at (x sw / dw, y sh / dh); neighbours beyond the last
// column and row repeat the edge.
void ResampleBilinear(uint8_t* destination, int32_t destinationWidth, int32_t destinationHeight,
                      int32_t destinationStride, const uint8_t* source, int32_t sourceWidth,
                      int32_t sourceHeight, int32_t sourceStride, int32_t bytesPerPixel);
