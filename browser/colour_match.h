// Colour matching of what the browser shows: 24-bit pictures are taken as
// sRGB and translated through Windows colour management (mscms) into the
// monitor's profile, optionally proofed through a target profile. The settings
// are the raw record of colmatch.ini in the editor's folder, read once at
// start-up; c_ColourTransform holds the open profiles and transforms.
#pragma once
#include <windows.h>
#include <icm.h>

#include <cstddef>
#include <cstdint>

#include "image/packed_dib.h"

// colmatch.ini, byte for byte.
struct ColourMatchSettings {
    uint32_t flags;               // 0: bit 0 matching on, bit 1 proofing on, bit 3 profiles changed
    uint32_t window;              // 4: a window handle in memory; 0 on disk, ignored on reading
    char unused[1024];            // 8
    char monitorName[1024];       // 1032: monitor description
    char printerName[1024];       // 2056: default printer
    int32_t intent;               // 3080: rendering intent 0..3
    int32_t proofIntent;          // 3084: proofing intent 0..3
    char monitorProfile[1028];    // 3088
    char printerProfile[1028];    // 4116
    char targetProfile[1028];     // 5144
};
static_assert(sizeof(ColourMatchSettings) == 6172, "ColourMatchSettings");
static_assert(offsetof(ColourMatchSettings, intent) == 3080, "ColourMatchSettings intent");
static_assert(offsetof(ColourMatchSettings, monitorProfile) == 3088, "ColourMatchSettings profiles");
static_assert(offsetof(ColourMatchSettings, targetProfile) == 5144, "ColourMatchSettings target");

constexpr uint32_t kColourMatchOn = 1, kColourProofOn = 2, kColourChanged = 8;

// The settings read at start-up; bit 0 of flags decides whether anything is
// translated.
extern ColourMatchSettings g_ColourMatch;

// The open profiles and transforms (one static object). Load takes its lock;
// the translation reads the display transform without it (Load runs before
// any loader thread exists).
class c_ColourTransform {
public:
    c_ColourTransform();
    virtual ~c_ColourTransform();
    c_ColourTransform(const c_ColourTransform&) = delete;
    c_ColourTransform& operator=(const c_ColourTransform&) = delete;

    // 1 when a display transform exists afterwards. With matching off the
    // profiles already open stay as they are.
    int Load(const ColourMatchSettings& settings);
    void Close();
    // A profile by name: a path when it holds ':' or '\', else a file in the
    // system colour directory. Null when it cannot be opened.
    static HPROFILE OpenProfile(const char* name);
    // Translates packed rows (rows of 4-byte multiples) in place through the
    // display transform; 0 (bytes unchanged) without one or on failure.
    int TranslateBits(void* bitsIn, void* bitsOut, int width, int height, int bitsPerPixel);
    HTRANSFORM DisplayTransform() const { return display_; }
    HTRANSFORM PrinterTransform() const { return printer_; }

private:
    void InitSrgbSpace();
    ColourMatchSettings settings_;
    HPROFILE monitor_ = nullptr, printerProfile_ = nullptr, target_ = nullptr;
    HTRANSFORM display_ = nullptr, printer_ = nullptr;
    LOGCOLORSPACEA source_;
    CRITICAL_SECTION lock_;
};
extern c_ColourTransform g_ColourTransform;

// Translates packed rows (24 bits as triplets, else 4-byte pixels; rows of
// 4-byte multiples) through the transform; 0 (bytes unchanged) without one or
// on failure.
int TranslateDibRows(HTRANSFORM transform, void* bitsIn, void* bitsOut, int width, int height, int bitsPerPixel);
// The sRGB source colour space (the standard's end points and gamma) with a
// rendering intent of the settings (0..3).
void InitSrgbColourSpace(LOGCOLORSPACEA* space, int32_t intent);

// Start-up: "%scolmatch.ini" of the editor's folder into g_ColourMatch and
// the transform; a missing file leaves matching off (after gathering the
// default profile names); a file whose profiles fail is loaded once more
// with the default names.
void LoadColourSettings(HWND window, const char* editorFolder);
// Fills the descriptions and profile names from the system; 0 when no
// monitor profile could be named.
int FindDefaultProfiles(HWND window, ColourMatchSettings* settings);
// Translates a 24-bit bitmap in place, eight rows at a time; other depths,
// matching off or no transform leave it unchanged.
void ApplyColourMatch(BITMAPINFOHEADER* dib, HWND window);
// One band (a 24-bit bitmap of at most 8 rows) through the display transform.
void TransformBand(BITMAPINFOHEADER* band, HWND window);
