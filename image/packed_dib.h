// PackedDib: a bare packed device-independent bitmap in one locked, movable,
// zero-filled global block: a BITMAPINFOHEADER, the colour table, then the
// rows bottom-up, ((width x bits + 31) / 32) x 4 bytes each. The pointer is the
// locked address; the caller owns the block and frees it with GlobalUnlock and
// GlobalFree of its handle (FreePackedDib does both).
#pragma once
#include <windows.h>

#include <cstdint>

using PackedDib = BITMAPINFOHEADER*;

// Header queries.
void GetPackedDibInfo(const BITMAPINFOHEADER* dib, int* width, int* height, int* bits);
int GetPackedDibPaletteSize(const BITMAPINFOHEADER* dib);
DWORD GetPackedDibSize(const BITMAPINFOHEADER* dib);
int ConvertPpmToDpi(int pixelsPerMetre);
int ConvertDpiToPpm(int dotsPerInch);
int GetPackedDibDpi(const BITMAPINFOHEADER* dib);
void SetPackedDibDpi(BITMAPINFOHEADER* dib, int dotsPerInch);
// The first row byte (bottom row) of a block: after the header and its table.
uint8_t* GetPackedDibBits(const BITMAPINFOHEADER* dib);

// Creation. 24 bits become 32; 4- and 8-bit blocks get grey tables, 1-bit
// blocks a black one. Null without memory or for a size below 1 x 1.
BITMAPINFOHEADER* CreatePackedDib(int width, int height, int bits);
// The same keeping the depth asked for (24 bits stay three bytes a pixel).
BITMAPINFOHEADER* CreatePackedDibOfDepth(int width, int height, int bits);
void FreePackedDib(BITMAPINFOHEADER* dib);
// New 32-bit copy of a block of any readable depth (through its colour table);
// the source stays. Null when the block cannot be read or made.
BITMAPINFOHEADER* ConvertPackedDibTo32Bit(const BITMAPINFOHEADER* dib);

// Rows and pixels (y = 0 is the top). Clipping: 0 when y is outside the image,
// x1 < 0 or max(x0, 0) > width - 1; x1 is cut to width - 1; buffer element k
// stands for column x0 + k. The At workers take the first row byte, size and
// stride of a bottom-up block.
int GetPackedDibRow32(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint32_t* buffer);
int GetPackedDibRow32At(const uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, uint32_t* buffer);
int PutPackedDibRow32(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint32_t* buffer);
int PutPackedDibRow32At(uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, const uint32_t* buffer);
int GetPackedDibRow8(const BITMAPINFOHEADER* dib, int y, int x0, int x1, uint8_t* buffer);
int GetPackedDibRow8At(const uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, uint8_t* buffer);
int PutPackedDibRow8(BITMAPINFOHEADER* dib, int y, int x0, int x1, const uint8_t* buffer);
int PutPackedDibRow8At(uint8_t* bits, int width, int height, int stride, int y, int x0, int x1, const uint8_t* buffer);
// One whole stored row (from byte x0 x bits / 8); bitsOffset is where the rows
// start in the block. 0 for a null block or a row outside.
int GetPackedDibRawRow(const BITMAPINFOHEADER* dib, int bitsOffset, int bits, int width, int height, int y, int x0, int x1, void* buffer);
int PutPackedDibRawRow(BITMAPINFOHEADER* dib, int bitsOffset, int bits, int width, int height, int y, int x0, int x1, const void* buffer);
int GetPackedDibRgb(const BITMAPINFOHEADER* dib, int x, int y, int* r, int* g, int* b);
int GetPackedDibRgbAt(const uint8_t* bits, int width, int height, int stride, int x, int y, int* r, int* g, int* b);
int SetPackedDibRgb(BITMAPINFOHEADER* dib, int x, int y, int r, int g, int b);
int SetPackedDibRgbAt(uint8_t* bits, int width, int height, int stride, int x, int y, int r, int g, int b);
int GetPackedDibValue8(const BITMAPINFOHEADER* dib, int x, int y, int* value);
int SetPackedDibValue8(BITMAPINFOHEADER* dib, int x, int y, int value);

// Drawing.
int StretchDrawPackedDib(HDC dc, const BITMAPINFOHEADER* dib, int x0, int y0, int x1, int y1);
void DrawPackedDib(const BITMAPINFOHEADER* dib, HDC dc, int x, int y);

// Resizing: shrinking averages the source pixels of each target pixel,
// enlarging repeats pixels. The source is never written.
BITMAPINFOHEADER* ResizePackedDib(const BITMAPINFOHEADER* dib, int width, int height);
int ResizePackedDibRows32(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source);
BITMAPINFOHEADER* ResizePackedDib8(const BITMAPINFOHEADER* dib, int width, int height);
int ResizePackedDibRows8(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source);
BITMAPINFOHEADER* ResizePackedDibInMemory(const BITMAPINFOHEADER* dib, int width, int height);
int ResizePackedDibRowsBilinear(BITMAPINFOHEADER* destination, const BITMAPINFOHEADER* source);
BITMAPINFOHEADER* FitPackedDib(const BITMAPINFOHEADER* dib, int boxWidth, int boxHeight);
int HalvePackedDib(BITMAPINFOHEADER** dib);

// .bmp files. Loading gives a 32-bit block (null when the file is missing,
// damaged or of a kind that cannot be read); saving writes through a
// temporary file and keeps the old file when the write fails (0).
BITMAPINFOHEADER* LoadPackedDibBmp(const char* path);
int SavePackedDibBmp(const char* path, const BITMAPINFOHEADER* dib);
