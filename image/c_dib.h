// c_Dib: the image operations on VmsImage records: conversions to and from
// other pixel forms, .bmp files, drawing and fitting into boxes, resampling,
// turning, flipping and cropping, and per-pixel and neighbourhood filters.
// Every operation that returns an image returns a new one that the caller owns
// and frees with c_VmsStore::Free; no operation writes into the image it
// reads from unless it is documented to work in place. Long operations report
// progress through image/progress.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/vms_image.h"

// A DIB section with its memory DC, as the section operations fill it.
struct DibSection {
    void* bits;
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ oldBitmap;
};

// Colour-table bytes of a depth: 8, 64 or 1024 at 1, 4, 8 bits, else 0.
int GetPaletteBytesForDepth(int bits);

// 8 x 8 bit patterns of 16 grey levels (level 0 empty, 15 full), shared by the
// ordered dither here and by the indexed images of the file writers.
extern const uint8_t DitherPatternTable[16][8];
// Ordered-dither rounding of a 16-bit screen for the pixel at column x, row y:
// the channel value with 8 added (5-bit channels, below 247) or 4 added (the
// 6-bit green, below 251) where the pattern of its low bits says so.
int DitherChannel5(int value, int x, int y);
int DitherChannel6(int value, int x, int y);

class c_Dib {
public:
    // Widest row the .bmp readers accept: 60,025 pixels of 32 bits (a row
    // buffer of 240,100 bytes).
    static constexpr int kMaxRowPixels = 60025;

    // ---- conversions, files, drawing and fitting
    static int GetPaletteBytes(const VmsImage* image);   // 8, 64, 1024, 12 (16 bits) or 0
    static int ConvertTo8Bit(VmsImage** image);
    static int ConvertTo24Bit(VmsImage** image);
    static VmsImage* ConvertToVms(const BITMAPINFOHEADER* dib);
    static VmsImage* LoadBmp(const char* path);
    static int LoadBmpInto(VmsImage* image, const char* path);
    static int LoadBmpGreyInto(VmsImage* image, const char* path, int invert);
    static int SaveBmp(const VmsImage* image, const char* path);
    static int ReadBmpHeader(const char* path, int* width, int* height, int* bits, int fileHeader);
    static int GetPixelRgb(const VmsImage* image, int x, int y, int* r, int* g, int* b);
    static int DrawAt(HDC dc, const VmsImage* image, int x, int y);
    static int StretchDrawRop(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1, DWORD rop);
    static int StretchDraw(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1);
    static int DrawFit(HDC dc, const VmsImage* image, int x0, int y0, int x1, int y1, int centre, int keepAspect);
    static void FitSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight, int enlarge);
    static VmsImage* FitResize(const VmsImage* image, int boxWidth, int boxHeight);
    static VmsImage* FitResize8(const VmsImage* image, int boxWidth, int boxHeight);
    static VmsImage* FitResize32(const VmsImage* image, int boxWidth, int boxHeight, int a, int r, int g, int b);
    static int CreateDibSection(HDC dc, int bits, int width, int height, DibSection* out);
    static int CreateScreenDibSection(HDC dc, int width, int height, DibSection* out);
    static int CreateWindowDibSection(int width, int height, int bits, HWND window, DibSection* out);
    static int CreateImageDibSection(const VmsImage* image, HWND window, DibSection* out);
    static void DeleteDibSection(DibSection* section);

    // ---- resampling
    // smooth: 8 bits area average, 24/32 bits bicubic (kernel 2); else nearest.
    // With `progress` set the 32-bit smooth passes report their rows through
    // image/progress.h (every fifth row, then the end) for a long document resize.
    static VmsImage* Resize(const VmsImage* image, int width, int height, int a, int smooth, int b,
                            int progress = 0);
    static VmsImage* ResizeBicubic(const VmsImage* image, int width, int height, int kernel, int progress = 0);
    static int ResampleBicubic(const VmsImage* source, VmsImage* destination, int kernel, int progress = 0);
    static int ShrinkArea32(const VmsImage* source, VmsImage* destination, int progress = 0);
    static int ResizeArea8(VmsImage* destination, const VmsImage* source);
    static int ResizeArea32(VmsImage* destination, const VmsImage* source, int progress);
    static int ResizeNearest8(const VmsImage* source, VmsImage* destination);
    static int ResizeNearest32(const VmsImage* source, VmsImage* destination);
    static int ResizeNearestPhased32(const VmsImage* source, VmsImage* destination, int unused, int columnPhase, int rowPhase);
    static void SetCubicKernel(int kernel);
    // The four tap weights (x 256) of a kernel at fraction f / 256.
    static void GetCubicWeights(int kernel, int fraction, int weights[4]);

    // ---- turning, flipping, cropping
    // type 0 = 90 degrees clockwise, 1 = 180, 2 = 270.
    static VmsImage* Rotate(const VmsImage* image, int type);
    static VmsImage* RotateDegrees(const VmsImage* image, double angle);
    static int RotateFixed8(VmsImage* destination, const VmsImage* source, int type);
    static int RotateFixed32(VmsImage* destination, const VmsImage* source, int type);
    static VmsImage* RotateFree8(const VmsImage* image, double angle);
    static VmsImage* RotateFree32(const VmsImage* image, double angle);
    static VmsImage* RotateNearest32(const VmsImage* image, double angle);
    static VmsImage* RotateKeepSize32(const VmsImage* image, double angle);
    static int GetRotatedSize(const VmsImage* image, double degrees, int* width, int* height);
    static VmsImage* Crop(const VmsImage* image, int x0, int y0, int x1, int y1);
    static VmsImage* Crop8(const VmsImage* image, int x0, int y0, int x1, int y1);
    static VmsImage* Crop32(const VmsImage* image, int x0, int y0, int x1, int y1);
    static int CropInto8(VmsImage* destination, const VmsImage* source, int x0, int y0, int x1, int y1);
    static int CropInto32(VmsImage* destination, const VmsImage* source, int x0, int y0, int x1, int y1);
    static int Paste8(VmsImage* destination, const VmsImage* source, int x, int y);
    static int Paste32(VmsImage* destination, const VmsImage* source, int x, int y);
    static int FlipVertical(VmsImage* image);
    static int MirrorHorizontal8(VmsImage* image);
    static int MirrorHorizontal32(VmsImage* image);

    // ---- filters (in place)
    static int ApplyDodge(VmsImage* image, int strength);
    static int ApplyBurn(VmsImage* image, int strength);
    static int ApplyColourTemperature(VmsImage* image, int level);
    static int Blur3x3(VmsImage* image);
    static int MeanFilter8(VmsImage* image);
    static int MinFilter8(VmsImage* image);
    static int MaxFilter8(VmsImage* image);
    static int BlurBox8(VmsImage* image, int radius);
    static int BlurByScaling8(VmsImage* image, int radius, int x0, int y0, int x1, int y1);
    static int MeanRect8(const VmsImage* image, int x0, int y0, int x1, int y1, int* mean);
    static int MeanRect32(const VmsImage* image, int x0, int y0, int x1, int y1, int* r, int* g, int* b);
    static int Invert8(VmsImage* image);
    static int Invert32(VmsImage* image);
    static int AddOrderedDither32(VmsImage* image, int width, int height, int columnPhase, int rowPhase);
    static int Mean3x3Interior32(VmsImage* image);
    static int Sharpen32(VmsImage* image);
    static int SmoothSimilar32(VmsImage* image, int threshold);
    static int AddValueNoise32(VmsImage* image, int amount);
};
