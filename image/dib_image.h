// DibImage: a small self-contained device-independent bitmap. The record
// points at one locked, movable global block laid out as a packed DIB: a
// BITMAPINFOHEADER, the colour table and the rows bottom-up. Pen tips, masks,
// text renderings, swatches, clipboard images and the images handed to filter
// modules are kept this way. c_DibImageOps stores 24 bits as 32; its twin
// c_DibImage24Ops keeps true 3-byte pixels (the filter host's work images).
#pragma once
#include <windows.h>

#include <cstdint>

struct DibImage {
    uint8_t* block;          // the locked pixel block
    int32_t width;           // >= 1
    int32_t height;          // >= 1
    int32_t bits;            // 1, 4, 8 or 32 (24 in the 24-bit twin)
    int32_t stride;          // ((width x bits + 31) / 32) x 4
    int32_t paletteBytes;    // 8, 64 or 1024 at 1, 4, 8 bits, else 0
    int32_t bitsOffset;      // 40 + palette bytes: where the rows start
};
static_assert(sizeof(DibImage) == (sizeof(void*) == 8 ? 32 : 28), "block pointer and six 32-bit fields");

// Rows are y = 0 at the top. Row operations clip alike: 0 when y is outside,
// x1 < 0 or max(x0, 0) > width - 1; x1 is cut to width - 1; buffer element k
// stands for column x0 + k.
class c_DibImageOps {
public:
    static DibImage* Create(int width, int height, int bits);
    static int Free(DibImage** image);
    static DibImage* Clone(const DibImage* image);

    static int GetRow32(const DibImage* image, int y, int x0, int x1, uint32_t* buffer);
    static int PutRow32(DibImage* image, int y, int x0, int x1, const uint32_t* buffer);
    static int GetRow8(const DibImage* image, int y, int x0, int x1, uint8_t* buffer);
    static int PutRow8(DibImage* image, int y, int x0, int x1, const uint8_t* buffer);
    static int GetRawRow(const DibImage* image, int y, int x0, int x1, void* buffer);
    static int PutRawRow(DibImage* image, int y, int x0, int x1, const void* buffer);
    static int GetValue8(const DibImage* image, int x, int y, int* value);
    static int SetValue8(DibImage* image, int x, int y, int value);
    static int GetRgb(const DibImage* image, int x, int y, int* r, int* g, int* b);
    static int SetBit(DibImage* image, int x, int y, int on);
    static int GetBit(const DibImage* image, int x, int y, int* bit);

    static int Draw(HDC dc, const DibImage* image, int x, int y);
    static int StretchDraw(HDC dc, const DibImage* image, int x0, int y0, int x1, int y1);
    static int DrawCentred(HDC dc, const DibImage* image, int left, int top, int right, int bottom);

    // Fill the existing destination from the source (same depth).
    static int ResizeNearest(const DibImage* source, DibImage* destination);
    static int ResizeNearest8(const DibImage* source, DibImage* destination);
    static int ResizeNearestPhased(const DibImage* source, DibImage* destination, int unused, int columnPhase, int rowPhase);

    // Turned copies sized to the turned corners (one pixel smaller each way
    // than their span); progress messages from Rotate8 and Rotate.
    static DibImage* Rotate8(const DibImage* source, int degrees);
    static DibImage* Rotate8Nearest(const DibImage* source, int degrees);
    static DibImage* Rotate(const DibImage* source, int degrees);

    static DibImage* ConvertTo32Bit(const DibImage* image);
    // A .bmp file as a DibImage of the file's depth (palette depths and 24
    // bits as stored; 16-bit and bit-field files become 32 bits), null when the
    // file is missing, damaged or of a kind that cannot be read.
    static DibImage* LoadBmp(const char* path);
};

class c_DibImage24Ops {
public:
    static DibImage* Create(int width, int height, int bits);
    static int Free(DibImage** image);
    static DibImage* Clone(const DibImage* image);
    // Packed 3-byte pixels.
    static int GetRow(const DibImage* image, int y, int x0, int x1, void* buffer);
    static int PutRow(DibImage* image, int y, int x0, int x1, const void* buffer);
    static int GetRgb(const DibImage* image, int x, int y, int* r, int* g, int* b);
    static int Draw(HDC dc, const DibImage* image, int x, int y);
    static int StretchDraw(HDC dc, const DibImage* image, int x0, int y0, int x1, int y1);
    static int DrawCentred(HDC dc, const DibImage* image, int left, int top, int right, int bottom);
    static int ResizeNearest(const DibImage* source, DibImage* destination);
    static int ResizeNearestPhased(const DibImage* source, DibImage* destination, int unused, int columnPhase, int rowPhase);
    static DibImage* Rotate(const DibImage* source, int degrees);
    static DibImage* LoadBmp(const char* path);
};
