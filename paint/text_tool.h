// The text tool: its settings (TextSettings), the rendering of up to six
// lines of text through Sticker.dll in three passes (text, frame, backing) or
// through GDI (RenderTextImage: vertical, outlined, blurred), the composition
// of the sticker with its shadow and the pen's colour, and the text as a new
// layer of a canvas.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct VmsImage;
struct CanvDoc;
struct PenCanvas;
struct StickerParams;

struct TextSettingsRecord {
    char latinFace[256];
    char japaneseFace[256];
    int32_t fontSize;          // GDI route
    char text[256];            // lines separated by CR LF
    int32_t doubleSize, bold, italic;   // GDI route
    int32_t stickerRoute;      // 1: Sticker.dll
    int32_t angle;             // GDI route, degrees
    int32_t textBlur;          // blur passes of the text (mode 0)
    int32_t shadowBlur;        // 0..10
    int32_t shadowDx, shadowDy;   // -20..20
    int32_t invert, outline, vertical;   // GDI route
    int32_t shadowOn;
    int32_t width, height;     // the sticker's size
    int32_t frameKind;         // 0 rectangle, 1 circle, 2 none
    int32_t style;             // 0..13
    int32_t frameThickness;    // 0..64
    int32_t shadowColour[3];
    int32_t backingOn;
    int32_t backingColour[3];
    int32_t frameColour[3];
};
extern TextSettingsRecord TextSettings;

constexpr int kTextMaxLines = 6;
constexpr int kTextMaxLineBytes = 40;

// Start values (both faces the interface face of string 1201, the title as
// text, size 256 x 72...).
void ResetTextSettings();
// The style list: strings 26400 upward, up to the first that is " ".
std::vector<std::string> TextStyleNames();
// 1 + the number of LF bytes.
int CountTextLines(const char* text);
// Line n (split at LF) without CR and LF; empty when there is none.
void GetTextLine(const char* text, char* buffer, int bufferSize, int n);
// The first six lines, each cut to 40 bytes (39 when a double-byte character
// would be split), joined with CR LF.
void NormaliseText(const char* text, char* out, int outSize);

// The block of one pass (1 text, 2 frame, 3 backing).
void FillStickerParams(StickerParams* params, int pass, HWND owner, void* target);

// The three passes through Sticker.dll as inverted coverages (255 none, 0
// full), width x height, new and owned by the caller. Mode 0 blurs the text by
// the text blur count, 1 by the shadow blur count. 0 when the renderer cannot
// be loaded or fails (outputs untouched).
int RenderStickerText(HWND owner, int mode, VmsImage** text, VmsImage** frame, VmsImage** backing);
// A sticker's shadow from its text and frame passes: where either has ink
// (the product of the two coverages), softened by `blur` passes of the mask
// blur (at most 10). A new 8-bit image owned by the caller; null without memory.
VmsImage* MakeStickerShadow(const VmsImage* text, const VmsImage* frame, int blur);
// The GDI route: the text (white paper, black glyphs, 8 pixels of margin left
// and right, 4 above and below) and its coverage mask (0 or 255). 0 when the
// text is empty or an image cannot be made.
int RenderTextImage(VmsImage** text, VmsImage** mask, int mode);
// The whole sticker: the composite over white (returned), its colour image and
// transparency, all new. canvas gives the pen's rows (may be null: the pen's
// plain colour).
VmsImage* ComposeTextImage(HWND owner, PenCanvas* canvas, VmsImage** colour, VmsImage** alpha);
// The text and its shadow as a colour image with a transparency, by the route
// in use (the sticker route composed, the GDI route in the pen's colour with
// the shadow in the shadow colour); new images, 0 when there is no text image.
int MakeTextLayerImages(HWND owner, PenCanvas* canvas, VmsImage** colour, VmsImage** alpha);
// What command 14006 layers: the text alone (the sticker's text pass, without
// frame and backing, or the GDI route's text) in the pen's colour, and its
// shadow as above; new images, 0 when there is no text image.
int MakeTextPassLayerImages(HWND owner, PenCanvas* canvas, VmsImage** colour, VmsImage** alpha);
// Command 14006: that text as a new layer at the view's top-left. 1 when made.
int LayerFromText(CanvDoc* doc);

// The modal text dialog (psv_text) on the canvas: 0 OK or close box, -1 cancel.
// The sticker route is on afterwards, whatever the answer.
int ShowTextDialog(HWND owner, CanvDoc* doc);
// The preview's class (TextViewClass), registered when missing.
LRESULT CALLBACK TextViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
void RegisterTextClasses(HINSTANCE instance);
