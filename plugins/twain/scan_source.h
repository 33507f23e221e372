// Our TWAIN data source for tests and demonstrations ("Darna Test Scanner"):
// the pictures it delivers are set by its caller through the export
// SetScanPictures before an acquisition; their pixels follow the formulas below,
// so that a test can compute what a scanned canvas must hold.
#pragma once
#include <cstdint>

namespace scansource {

inline constexpr char kProductName[] = "Darna Test Scanner";

enum Outcome : int32_t {
    kDeliver = 0,    // the whole picture, then transfer done
    kCancel = 1,     // the user cancels at the first strip
    kFail = 2,       // the device fails after the first strip
    kOverrun = 3,    // the source claims more bytes than the buffer it was given
};

#pragma pack(push, 4)
struct ScanPicture {
    int32_t width, height;
    int32_t bitsPerPixel;   // 1, 4, 8, 24 (16 and 32 for refused depths)
    int32_t pixelType;      // 0 black and white, 1 grey, 2 RGB, 3 palette
    int32_t rowsPerStrip;   // rows a memory transfer carries (at least 1)
    int32_t outcome;        // Outcome
    int32_t dotsPerInch;
    int32_t vanilla;        // black and white: 1 when 0 means white
    int32_t colours;        // palette: colours in the palette
};
#pragma pack(pop)
static_assert(sizeof(ScanPicture) == 36, "scan picture record");

typedef int(__stdcall* SetScanPicturesProc)(const ScanPicture* pictures, int32_t count);

// The colour of pixel (x, y) (y = 0 at the top) of a picture, as red, green, blue.
inline uint8_t GreyValue(int x, int y) { return (uint8_t)((x * 29 + y * 53) & 255); }
inline int BwBit(int x, int y) { return (x + y * 3) % 5 == 0 ? 1 : 0; }
inline int PaletteIndex(int x, int y, int colours) { return (x + 2 * y) % colours; }
inline void PaletteColour(int i, uint8_t rgb[3]) {
    rgb[0] = (uint8_t)(i * 40);
    rgb[1] = (uint8_t)(255 - i * 20);
    rgb[2] = (uint8_t)(i * 90);
}
inline void PixelRgb(const ScanPicture& p, int x, int y, uint8_t rgb[3]) {
    switch (p.pixelType) {
    case 0: {
        const int bit = BwBit(x, y);
        // Vanilla: bit 0 is white; chocolate: bit 0 is black.
        const uint8_t v = (uint8_t)((bit ^ (p.vanilla ? 1 : 0)) ? 255 : 0);
        rgb[0] = rgb[1] = rgb[2] = v;
        return;
    }
    case 1: rgb[0] = rgb[1] = rgb[2] = GreyValue(x, y); return;
    case 2:
        rgb[0] = (uint8_t)(x * 37 + y * 11);
        rgb[1] = (uint8_t)(x * 5 + y * 71);
        rgb[2] = (uint8_t)(x * x + y);
        return;
    default: PaletteColour(PaletteIndex(x, y, p.colours), rgb); return;
    }
}

}  // namespace scansource
