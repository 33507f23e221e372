// What the editor knows about installed fonts and how it turns a string into
// pixels with GDI: the font catalogue (TrueType families, their character set
// and pitch, whether a vertical "@" face exists), the text rasteriser
// (DrawTextToImage), the GDI route of the text tool (RenderTextImage: outline,
// margins, blur, inversion, coverage mask) and the 3 x 3 passes it uses.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct VmsImage;

// One catalogue entry: a face that does not begin with "@".
struct FontEntry {
    char face[35];
    uint8_t pitchAndFamily;
    uint8_t charSet;
};
static_assert(sizeof(FontEntry) == 37, "FontEntry is 37 bytes");

class c_FontCatalogue {
public:
    // Enumerates the TrueType families once (screen DC of the desktop).
    static void Build();
    static void Free();
    // A leading "@" is skipped; the first entry with that exact name; 0 when none.
    static uint8_t GetCharSet(const char* face);
    static uint8_t GetPitchAndFamily(const char* face);
    // 1 when "@face" is a face of the table (case ignored).
    static int HasVerticalFace(const char* face);
    static void FormatFontFaceName(const char* face, char* out, size_t outSize);
    static const std::vector<FontEntry>& Entries();
    static const std::vector<std::string>& Faces();
    // Tests: the tables from a list of enumerated faces (TrueType only).
    static void SetFaces(const std::vector<FontEntry>& enumerated);
};

// The arguments of DrawTextToImage.
struct TextRasterRequest {
    HWND owner;
    int height;          // lfHeight
    int bold, italic;
    const char* text;
    COLORREF colour;
    const char* face;    // null: "MS UI Gothic"
    int angle;           // degrees
    COLORREF background;
};
// The text with one trailing space, rotated by the angle, on the background:
// a new 32-bit image owned by the caller, or null.
VmsImage* DrawTextToImage(const TextRasterRequest& request);
// The box of the unrotated text: (cx + 2) x (cy + 2) of "text ".
SIZE MeasureTextBox(const TextRasterRequest& request);
// The bounding box of a w x h box turned by angle degrees.
SIZE RotatedBoxSize(int w, int h, int angle);

// 3 x 3 passes over whole images (edge pixels repeated): the mean of an 8-bit
// image; the minimum of the red byte written to all three channels; the
// in-place mean of the red byte over the inner pixels.
int BlurMask8(VmsImage* image);
int EdgeGlyphPass32(VmsImage* image);
int FilterRow3x3(VmsImage* image);
