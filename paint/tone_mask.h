// c_ToneMask: the 8-bit weight row of fades and screen tones that the pen's
// shape fills, the rainbow mode and the effects multiply their rows by: ramps
// (horizontal, vertical, radial, angled), the elliptic mask, random dither and
// a tiled screen-tone image; the six screen-tone paths of tone.dat.
#pragma once
#include <cstdint>

struct VmsImage;

constexpr int kToneModeCount = 9;      // 0..3 linear, 4..5 radial, 6 angled, 7..8 ellipse mask
constexpr int kToneSlots = 6;          // screen-tone paths (and their switches)
constexpr int kToneParamWords = 11;    // 0..5 the screen-tone switches, then spare words
constexpr int kTonePathBytes = 256;
constexpr int kToneDatBytes = kToneSlots * kTonePathBytes;   // 1,536: tone.dat

// The choice a dialog or command makes: saved and put back whole around the
// gradient fill. Images are not part of it.
struct ToneMaskSettings {
    int32_t modes[kToneModeCount];
    int32_t params[kToneParamWords];
    int32_t angle;             // angled ramp, 0..359 degrees
    int32_t dither;            // random dither: every weight becomes 0 or 255
    int32_t ellipseOffset[2];  // centre shift of the ellipse mask, percent
};

class c_ToneMask {
public:
    // Weight row for canvas row y, columns x0..x1, of the box left..right,
    // top..bottom (inclusive). replace 1: the row starts at 255 and an active
    // screen tone replaces it; 0: the caller's row is ANDed with the modes and
    // the tone.
    static void MakeRow(int y, int x0, int x1, int left, int top, int right, int bottom, uint8_t* row, int replace);
    // The tone image's row y mod height from column x0 mod width, repeated to x1.
    static void AndToneImage(int y, int x0, int x1, uint8_t* row);
    // Start: modes and parameters 0, angle 45, no images.
    static void Reset();
    // Modes and parameters cleared, unless the text-placing tool is current.
    static void ClearModes(int currentTool);
    // Before a document command: a committed gradient-ellipse selection makes
    // the radial fade, bright in its centre, the only mode (screen tones off);
    // any other selection leaves the choice as it is.
    static void ModesForCommand(int committedShapeKind);
    // Any mode flag or parameter word set (the gradient dialog's OK).
    static int AnyActive();

    // tone.dat in the folder: 1 when read; when it is missing the ttexture
    // folder is scanned instead (first six .bmp files).
    static int LoadToneDat(const char* folder);
    // Writes tone.dat (through a temporary file); 1 on success.
    static int SaveToneDat(const char* folder);
    static int ScanToneFolder(const char* folder);
    // Makes slot n's screen tone current (switch n set, image loaded as 8-bit
    // grey); 0 when the slot is empty or its file unreadable (switches stay off).
    static int SelectTone(int slot);
    // The 1-based choice of a tone selector: 1..9 a mode, 10..15 a screen tone.
    static int Choose(int number);

    static ToneMaskSettings Settings;
    static char Paths[kToneSlots][kTonePathBytes];
    static VmsImage* ToneImage;   // 8-bit, tiled; null: no tone
    // Repaints the gradient button of the tool bar after ClearModes (may be null).
    static void (*ModesChangedHook)();
};

// The weight of one ramp mode at a pixel (0..255), for the dialog's previews
// and tests; -1 when the mode leaves the pixel alone.
int ToneRampValue(int mode, int x, int y, int left, int top, int right, int bottom, int angle);
// The V-shaped ramp that no mode uses yet: v clamped to low..high, 255 at
// either end and 0 half way, |(v - low) x 511 / (high - low) - 255| at most
// 255; 255 when high is not above low.
int ToneVRampValue(int v, int low, int high);
