// The new-canvas dialog (dra_new) and its paper presets: asks for the pixel size
// and resolution of a new blank canvas, typed in pixels, millimetres or inches,
// or taken from a paper preset, an orientation button or a quick button. Owns the
// preset table, the unit conversions and the dialog's state while it runs.
//
// The dialog starts from the size remembered by the caller and hands back what
// the user chose; ShowNewCanvasDialog puts that into the new-canvas request.
// Keeping the size for the next time is the caller's business.
#pragma once
#include <windows.h>

#include <cstdint>

// One row of the paper preset table, as the program has always kept it.
enum : int32_t {
    PaperUnitMillimetres = 0,
    PaperUnitPixels = 1,
    PaperUnitFree = 2,   // "任意": the size as typed
};
struct PaperPreset {
    char name[64];       // CP932 text
    float width;
    float height;
    int32_t unit;        // PaperUnit*
};
static_assert(sizeof(PaperPreset) == 76, "PaperPreset is 76 bytes");

// 20 presets and an end row named "-".
constexpr int kPaperPresetCount = 20;
extern const PaperPreset PaperPresets[kPaperPresetCount + 1];

// Units of the dialog's size fields (the unit combo's order).
enum : int {
    NewCanvasUnitPixel = 0,
    NewCanvasUnitMm = 1,
    NewCanvasUnitInch = 2,
};

// Pixel size and resolution of a new canvas.
struct NewCanvasSize {
    int32_t width;
    int32_t height;
    int32_t dpi;
};

// Millimetres and inches to pixels at a resolution: rounded to the nearest
// pixel and kept within 1..30,000 (the canvas limit), whatever was typed.
int MillimetresToPixels(float mm, int dpi);
int InchesToPixels(float inch, int dpi);
// Pixels to millimetres and inches, exact (a resolution below 1 counts as 1):
// converted back they give the same pixels.
float PixelsToMillimetres(int pixels, int dpi);
float PixelsToInches(int pixels, int dpi);

// Runs dra_new over the owner, starting from `remembered` (a resolution below 1
// opens as 96 dpi). 1 with the chosen size in *chosen on OK; 0 on Cancel or the
// close box (*chosen untouched).
int RunNewCanvasDialog(HWND owner, const NewCanvasSize& remembered, NewCanvasSize* chosen);
INT_PTR CALLBACK NewCanvasDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The dialog for a new blank canvas: runs it from *remembered and, on OK, makes
// the first layer of the new-canvas request the chosen size at 24 bits with the
// chosen resolution, and puts the chosen size into *remembered for the next
// time. The caller sets the request's layer count, plane count and origin. 1 on
// OK, 0 on Cancel (the request and *remembered unchanged).
int ShowNewCanvasDialog(HWND owner, NewCanvasSize* remembered);
