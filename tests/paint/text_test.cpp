// The text tool: lines and their normalisation, the sticker record as filled
// for each pass, our Sticker.dll rendering the three passes, the composition
// with shadow, the GDI route (sizes, vertical text, outline) and the text as a
// layer; the font catalogue's look-ups.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "canvas/canv_host.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/sticker_params.h"
#include "paint/text_raster.h"
#include "paint/text_tool.h"
#include "resources/paint_ids.h"
#include "ui/drawutil.h"
#include "ui/ui_hook.h"
#include "paint_fixture.h"
#include "test_support.h"

using namespace painttest;

namespace {

std::string DistFolder() { return testsupport::ExeFolder() + "..\\dist\\"; }

// The canvas host names the build's program folder (where Sticker.dll lies).
struct DistHost {
    CanvasHost saved = GetCanvasHost();
    std::string folder = DistFolder();
    DistHost() {
        CanvasHost host = saved;
        host.programFolder = folder.c_str();
        SetCanvasHost(host);
    }
    ~DistHost() { SetCanvasHost(saved); }
};

// Text settings at their defaults; the blend table the text's layers are
// weighed with is built, so that a test run alone finds it too.
struct TextReset {
    TextReset() {
        ResetTextSettings();
        if (ProductTable[255][255] != 255) BuildProductTable();
    }
    ~TextReset() { ResetTextSettings(); }
};

// Pixels of an 8-bit image below the threshold (inverted coverage: ink).
int CountBelow(const VmsImage* image, int threshold) {
    std::vector<uint8_t> row(image->width);
    int n = 0;
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        for (uint8_t v : row) n += v < threshold;
    }
    return n;
}

// The ink's bounding box of an 8-bit image (values below 128), over the
// columns from fromX to toX.
RECT InkBox(const VmsImage* image, int fromX = 0, int toX = INT_MAX) {
    RECT box = {image->width, image->height, -1, -1};
    std::vector<uint8_t> row(image->width);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        for (int x = std::max(fromX, 0); x <= std::min(toX, image->width - 1); ++x)
            if (row[x] < 128) {
                if (x < box.left) box.left = x;
                if (y < box.top) box.top = y;
                if (x > box.right) box.right = x;
                if (y > box.bottom) box.bottom = y;
            }
    }
    return box;
}

// The ink over a share of a box's columns (from and to: fractions of its width).
RECT InkSpan(const VmsImage* image, const RECT& box, double from, double to) {
    int w = box.right - box.left;
    return InkBox(image, box.left + (int)std::lround(from * w), box.left + (int)std::lround(to * w));
}

int Height(const RECT& r) { return r.bottom - r.top + 1; }
double Middle(const RECT& r) { return (r.top + r.bottom) / 2.0; }

// Pixels of two 8-bit images of one size whose values differ by more than 64.
int CountDiffering(const VmsImage* a, const VmsImage* b) {
    std::vector<uint8_t> ra(a->width), rb(b->width);
    int n = 0;
    for (int y = 0; y < a->height; ++y) {
        g_VmsStore.GetRow(a, y, 0, a->width - 1, ra.data());
        g_VmsStore.GetRow(b, y, 0, b->width - 1, rb.data());
        for (int x = 0; x < a->width; ++x) n += std::abs(ra[x] - rb[x]) > 64;
    }
    return n;
}

// The text pass of a sticker in a style (inverted coverage), freed with it.
struct StickerInk {
    VmsImage* image = nullptr;
    StickerInk(int style, const char* text) {
        std::strcpy(TextSettings.text, text);
        TextSettings.style = style;
        VmsImage *frame = nullptr, *backing = nullptr;
        if (RenderStickerText(nullptr, 0, &image, &frame, &backing) != 1) return;
        g_VmsStore.Free(&frame);
        g_VmsStore.Free(&backing);
    }
    ~StickerInk() { g_VmsStore.Free(&image); }
    StickerInk(const StickerInk&) = delete;
    StickerInk& operator=(const StickerInk&) = delete;
};

}  // namespace

TEST(TextLines, CountSplitAndNormalise) {
    EXPECT_EQ(1, CountTextLines(""));
    EXPECT_EQ(3, CountTextLines("a\r\nb\r\nc"));
    char line[64];
    GetTextLine("one\r\ntwo\r\nthree", line, sizeof line, 1);
    EXPECT_STREQ("two", line);
    GetTextLine("one", line, sizeof line, 4);
    EXPECT_STREQ("", line);

    char out[256];
    NormaliseText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7", out, sizeof out);
    EXPECT_STREQ("1\r\n2\r\n3\r\n4\r\n5\r\n6", out);   // a seventh line goes
    // One single-byte character and twenty double-byte ones (41 bytes): 39 kept.
    std::string mixed = "a";
    for (int i = 0; i < 20; ++i) mixed += "\x82\xa0";
    NormaliseText(mixed.c_str(), out, sizeof out);
    EXPECT_EQ(39u, std::strlen(out));
    NormaliseText(std::string(50, 'x').c_str(), out, sizeof out);
    EXPECT_EQ(40u, std::strlen(out));
}

TEST(StickerRecord, FilledForEachPass) {
    TextReset reset;
    std::strcpy(TextSettings.text, "AB\r\nCD");
    TextSettings.style = 7;
    TextSettings.frameKind = 2;
    TextSettings.backingOn = 1;
    StickerParams p;
    int target = 0;
    FillStickerParams(&p, 1, nullptr, &target);
    EXPECT_EQ(2, p.lineCount);
    EXPECT_STREQ("AB", p.lines[0]);
    EXPECT_STREQ("CD", p.lines[1]);
    EXPECT_EQ(14, p.style[0]);
    EXPECT_EQ(1, p.style[1]);
    EXPECT_EQ(1.5, p.scale1[0]);
    EXPECT_EQ(2.0, p.scale2[0]);
    EXPECT_EQ(0, p.frameThickness);   // no frame: thickness 0, shape 1
    EXPECT_EQ(1, p.frameShape);
    EXPECT_EQ(-1, p.glyphs[0]);
    EXPECT_EQ(kStickerPassText, p.pass);
    EXPECT_EQ(&target, p.Target());
    EXPECT_EQ(700, p.japaneseFont[0].lfWeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, p.japaneseFont[0].lfCharSet);
    EXPECT_EQ(80, p.value80[1]);
    FillStickerParams(&p, 3, nullptr, &target);
    EXPECT_STREQ("", p.lines[0]);
    EXPECT_EQ(0, p.backing);           // the backing needs a frame
    TextSettings.frameKind = 0;
    FillStickerParams(&p, 3, nullptr, &target);
    EXPECT_EQ(-1, p.backing);
    EXPECT_EQ(0, p.frameShape);
    EXPECT_EQ(kStickerPassBacking, p.pass);
    TextSettings.style = 5;
    FillStickerParams(&p, 2, nullptr, &target);
    EXPECT_EQ(14, p.style[0]);
    EXPECT_EQ(2.0, p.scale1[0]);
    EXPECT_EQ(kStickerPassFrame, p.pass);
    EXPECT_EQ(0, p.glyphs[0]);
    EXPECT_TRUE(StickerParamsValid(p));
    p.lineCount = 9;
    EXPECT_FALSE(StickerParamsValid(p));
}

TEST(StickerText, ThreePassesAndTheComposedSticker) {
    DistHost host;
    TextReset reset;
    std::strcpy(TextSettings.text, "Star");
    TextSettings.frameKind = 0;
    TextSettings.frameThickness = 4;
    TextSettings.backingOn = 1;
    VmsImage *text = nullptr, *frame = nullptr, *backing = nullptr;
    ASSERT_EQ(1, RenderStickerText(nullptr, 0, &text, &frame, &backing));
    EXPECT_EQ(256, text->width);
    EXPECT_EQ(72, text->height);
    EXPECT_GT(CountBelow(text, 128), 200);            // glyph ink
    EXPECT_EQ(0, CountBelow(frame, 128) == 0);        // a frame ring
    int ring = CountBelow(frame, 128), fill = CountBelow(backing, 128);
    EXPECT_GT(fill, ring);                             // the backing fills the shape
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&frame);
    g_VmsStore.Free(&backing);

    // Shadow on at (-3, 4): 3 + 4 pixels larger, text moved right, shadow at x 0.
    TextSettings.shadowOn = 1;
    TextSettings.shadowDx = -3;
    TextSettings.shadowDy = 4;
    TextSettings.backingOn = 0;
    TextSettings.frameKind = 2;
    VmsImage *colour = nullptr, *alpha = nullptr;
    VmsImage* composite = ComposeTextImage(nullptr, nullptr, &colour, &alpha);
    ASSERT_TRUE(composite);
    EXPECT_EQ(259, composite->width);
    EXPECT_EQ(76, composite->height);
    EXPECT_EQ(259, alpha->width);
    g_VmsStore.Free(&composite);
    g_VmsStore.Free(&colour);
    g_VmsStore.Free(&alpha);
    // Shadow off: still larger by |dx| and |dy|, the extra strip transparent.
    TextSettings.shadowOn = 0;
    composite = ComposeTextImage(nullptr, nullptr, &colour, &alpha);
    ASSERT_TRUE(composite);
    EXPECT_EQ(259, alpha->width);
    int strip = 0;
    for (int y = 0; y < 76; ++y) {
        int v = 0;
        g_VmsStore.GetValue(alpha, 257, y, &v);
        strip += v;
    }
    EXPECT_EQ(0, strip);
    g_VmsStore.Free(&composite);
    g_VmsStore.Free(&colour);
    g_VmsStore.Free(&alpha);
}

TEST(StickerText, MissingRendererGivesNothing) {
    CanvasHost saved = GetCanvasHost(), host = saved;
    host.programFolder = "C:\\nowhere\\";
    SetCanvasHost(host);
    VmsImage *text = nullptr, *frame = nullptr, *backing = nullptr;
    EXPECT_EQ(0, RenderStickerText(nullptr, 0, &text, &frame, &backing));
    EXPECT_EQ(nullptr, text);
    SetCanvasHost(saved);
}

// Each style bends the ink of a row of H's (whose stems reach from top to
// bottom) its own way; the ink stays inside the target.
TEST(StickerText, EachStyleWarpsTheInk) {
    DistHost host;
    TextReset reset;
    TextSettings.frameKind = 2;
    const char* kRow = "HHHHHHHHHHHH";   // as wide as the target allows
    enum Bend { kFlat, kSwell, kPinch, kGrowRight, kGrowLeft, kArchUp, kArchDown, kWave, kInverseWave, kRise, kFall, kRing };
    struct Case {
        int style;
        Bend bend;
    };
    const Case cases[] = {{0, kFlat},     {1, kSwell},       {2, kPinch},   {3, kGrowRight}, {4, kGrowLeft},
                          {5, kArchUp},   {6, kArchDown},    {7, kWave},    {8, kInverseWave}, {9, kRise},
                          {10, kFall},    {11, kRing},       {12, kArchUp}, {13, kArchDown}};
    StickerInk flat(0, kRow);
    ASSERT_TRUE(flat.image);
    int flatInk = CountBelow(flat.image, 128);
    double aspect[14] = {};
    for (const Case& c : cases) {
        SCOPED_TRACE("style " + std::to_string(c.style));
        StickerInk ink(c.style, kRow);
        ASSERT_TRUE(ink.image);
        const VmsImage* im = ink.image;
        RECT box = InkBox(im);
        EXPECT_GE(box.left, 2);
        EXPECT_GE(box.top, 2);
        EXPECT_LE(box.right, im->width - 3);
        EXPECT_LE(box.bottom, im->height - 3);
        aspect[c.style] = (double)Height(box) / (box.right - box.left + 1);
        RECT left = InkSpan(im, box, 0, 0.08), mid = InkSpan(im, box, 0.46, 0.54), right = InkSpan(im, box, 0.92, 1);
        RECT q1 = InkSpan(im, box, 0.2, 0.3), q3 = InkSpan(im, box, 0.7, 0.8);
        double unit = Height(mid);
        if (c.bend != kFlat) {
            EXPECT_GT(CountDiffering(flat.image, im), flatInk / 5);
        }
        switch (c.bend) {
        case kFlat:   // straight: the same top and bottom all along, the room filled
            EXPECT_NEAR(left.top, mid.top, 1);
            EXPECT_NEAR(right.top, mid.top, 1);
            EXPECT_NEAR(left.bottom, mid.bottom, 1);
            EXPECT_NEAR(right.bottom, mid.bottom, 1);
            EXPECT_GT(box.right - box.left, im->width - 40);
            break;
        case kSwell:
            EXPECT_GT(Height(mid), 1.25 * Height(left));
            EXPECT_GT(Height(mid), 1.25 * Height(right));
            break;
        case kPinch:
            EXPECT_LT(Height(mid), 0.75 * Height(left));
            EXPECT_LT(Height(mid), 0.75 * Height(right));
            break;
        case kGrowRight: EXPECT_GT(Height(right), 1.5 * Height(left)); break;
        case kGrowLeft: EXPECT_GT(Height(left), 1.5 * Height(right)); break;
        case kArchUp:   // the whole line bends: top and bottom higher in the middle
            EXPECT_LT(mid.top, left.top - unit / 2);
            EXPECT_LT(mid.top, right.top - unit / 2);
            EXPECT_LT(mid.bottom, left.bottom);
            EXPECT_LT(mid.bottom, right.bottom);
            break;
        case kArchDown:
            EXPECT_GT(mid.top, left.top + unit / 2);
            EXPECT_GT(mid.top, right.top + unit / 2);
            EXPECT_GT(mid.bottom, left.bottom);
            EXPECT_GT(mid.bottom, right.bottom);
            break;
        case kWave: EXPECT_LT(Middle(q1), Middle(q3) - unit * 0.4); break;
        case kInverseWave: EXPECT_GT(Middle(q1), Middle(q3) + unit * 0.4); break;
        case kRise: EXPECT_LT(Middle(right), Middle(left) - unit); break;
        case kFall: EXPECT_GT(Middle(right), Middle(left) + unit); break;
        case kRing: {   // around an empty centre: ink above it and on both sides
            EXPECT_GT(aspect[c.style], 0.7);
            EXPECT_LT(aspect[c.style], 1.4);
            int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    int v = 0;
                    g_VmsStore.GetValue(im, cx + dx, cy + dy, &v);
                    EXPECT_GE(v, 128);
                }
            EXPECT_LT(mid.top, cy - 8);   // above; the ends meet below
            EXPECT_LT(left.top, cy);
            EXPECT_GT(left.bottom, cy);
            EXPECT_LT(right.top, cy);
            EXPECT_GT(right.bottom, cy);
            break;
        }
        }
    }
    // The half circles bend further than the arches.
    EXPECT_GT(aspect[12], aspect[5] + 0.1);
    EXPECT_GT(aspect[13], aspect[6] + 0.1);
    // A style index off the list draws flat.
    StickerInk unknown(20, kRow);
    ASSERT_TRUE(unknown.image);
    EXPECT_EQ(0, CountDiffering(flat.image, unknown.image));
}

// Two short lines in a thick frame: every style keeps the warped ink inside
// the frame.
TEST(StickerText, WarpedInkStaysInsideTheFrame) {
    DistHost host;
    TextReset reset;
    TextSettings.frameKind = 0;
    TextSettings.frameThickness = 8;
    for (int style = 0; style < 14; ++style) {
        SCOPED_TRACE("style " + std::to_string(style));
        StickerInk ink(style, "HH\r\nHH");
        ASSERT_TRUE(ink.image);
        EXPECT_GT(CountBelow(ink.image, 128), 50);
        RECT box = InkBox(ink.image);
        EXPECT_GE(box.left, 9);
        EXPECT_GE(box.top, 9);
        EXPECT_LE(box.right, ink.image->width - 10);
        EXPECT_LE(box.bottom, ink.image->height - 10);
    }
}

TEST(GdiText, SizesVerticalAndOutline) {
    TextReset reset;
    c_FontCatalogue::Build();
    std::strcpy(TextSettings.text, "Hello");
    TextSettings.fontSize = 24;
    VmsImage *text = nullptr, *mask = nullptr;
    ASSERT_EQ(1, RenderTextImage(&text, &mask, 0));
    RECT flat = InkBox(text);
    EXPECT_GT(flat.right - flat.left, flat.bottom - flat.top);   // wider than high
    EXPECT_GE(flat.left, 8);                                      // the margin
    int solid = CountBelow(text, 128);
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&mask);

    TextSettings.vertical = 1;
    ASSERT_EQ(1, RenderTextImage(&text, &mask, 0));
    RECT upright = InkBox(text);
    EXPECT_GT(upright.bottom - upright.top, upright.right - upright.left);   // higher than wide
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&mask);

    TextSettings.vertical = 0;
    TextSettings.outline = 1;
    ASSERT_EQ(1, RenderTextImage(&text, &mask, 0));
    int outline = CountBelow(text, 128);
    EXPECT_GT(outline, 0);
    EXPECT_NE(outline, solid);
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&mask);

    TextSettings.text[0] = 0;
    EXPECT_EQ(0, RenderTextImage(&text, &mask, 0));
}

TEST(GdiText, TurnedBoxesAndBlur) {
    SIZE s = RotatedBoxSize(100, 20, 90);
    EXPECT_EQ(20, s.cx);
    EXPECT_EQ(100, s.cy);
    VmsImage* dot = g_VmsStore.Create(5, 5, 8, 0, 1);
    g_VmsStore.SetValue(dot, 2, 2, 255);
    ASSERT_EQ(1, BlurMask8(dot));
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x) {
            int v = 0;
            g_VmsStore.GetValue(dot, x, y, &v);
            EXPECT_EQ(28, v);
        }
    int corner = -1;
    g_VmsStore.GetValue(dot, 0, 0, &corner);
    EXPECT_EQ(0, corner);
    g_VmsStore.Free(&dot);
}

namespace {

// A 32-bit image made from rows of pixels, and its pixels read back (the low
// three bytes), row by row.
VmsImage* Image32(const std::vector<std::vector<uint32_t>>& rows) {
    VmsImage* image = g_VmsStore.Create((int)rows[0].size(), (int)rows.size(), 32, 0, 1);
    for (size_t y = 0; y < rows.size(); ++y)
        g_VmsStore.PutRow(image, (int)y, 0, image->width - 1, rows[y].data());
    return image;
}
std::vector<std::vector<uint32_t>> Pixels32(const VmsImage* image) {
    std::vector<std::vector<uint32_t>> rows(image->height, std::vector<uint32_t>(image->width));
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, rows[y].data());
        for (uint32_t& p : rows[y]) p &= 0xFFFFFF;
    }
    return rows;
}

}  // namespace

// The two 3 x 3 passes of the outlined text read the red byte alone and write
// it as grey: the minimum takes its neighbours from the unchanged picture,
// edge pixels repeated; the mean works in place (its row above and its left
// neighbour already filtered) and leaves the outermost frame as it was.
TEST(GdiText, GlyphEdgeAndRowMeanPasses) {
    const uint32_t W = 0xFFFFFF, cyan = 0x00FFFF, yellow = 0xFFFF00;
    struct Case {
        const char* name;
        int (*pass)(VmsImage*);
        std::vector<std::vector<uint32_t>> in, out;
    } cases[] = {
        {"minimum: a corner without red darkens its neighbours; blue alone darkens nothing", EdgeGlyphPass32,
         {{cyan, W, W, W, W}, {W, W, W, W, W}, {W, W, W, W, yellow}},
         {{0, 0, W, W, W}, {0, 0, W, W, W}, {W, W, W, W, W}}},
        {"mean: a bright dot spreads forward through filtered pixels; the frame keeps its white corner", FilterRow3x3,
         {{0, 0, 0, 0}, {0, W, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, W}},
         {{0, 0, 0, 0}, {0, 0x1C1C1C, 0x030303, 0}, {0, 0x030303, 0x202020, 0}, {0, 0, 0, W}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VmsImage* image = Image32(c.in);
        ASSERT_EQ(1, c.pass(image));
        EXPECT_EQ(c.out, Pixels32(image));
        g_VmsStore.Free(&image);
    }
    // Both refuse other depths.
    VmsImage* grey = g_VmsStore.Create(4, 4, 8, 0, 1);
    EXPECT_EQ(0, EdgeGlyphPass32(grey));
    EXPECT_EQ(0, FilterRow3x3(grey));
    g_VmsStore.Free(&grey);
}

TEST(FontCatalogue, LookUpsSkipTheVerticalMark) {
    std::vector<FontEntry> faces(3);
    std::strcpy(faces[0].face, "Alpha");
    faces[0].charSet = 128;
    faces[0].pitchAndFamily = 49;
    std::strcpy(faces[1].face, "@Alpha");
    faces[1].charSet = 128;
    std::strcpy(faces[2].face, "@OnlyUp");
    c_FontCatalogue::SetFaces(faces);
    EXPECT_EQ(2u, c_FontCatalogue::Faces().size() - 1);
    EXPECT_EQ(1u, c_FontCatalogue::Entries().size());
    EXPECT_EQ(128, c_FontCatalogue::GetCharSet("@Alpha"));
    EXPECT_EQ(128, c_FontCatalogue::GetCharSet("Alpha"));
    EXPECT_EQ(49, c_FontCatalogue::GetPitchAndFamily("Alpha"));
    EXPECT_EQ(0, c_FontCatalogue::GetCharSet("OnlyUp"));
    EXPECT_EQ(1, c_FontCatalogue::HasVerticalFace("alpha"));
    char name[64];
    c_FontCatalogue::FormatFontFaceName("Alpha", name, sizeof name);
    EXPECT_STREQ("@Alpha", name);
    c_FontCatalogue::Build();
}

namespace {

// The ink box of the pixels of one colour in a layer's colour image where its
// transparency is above 128.
RECT ColourBox(const VmsImage* colour, const VmsImage* alpha, uint32_t rgb) {
    RECT box = {colour->width, colour->height, -1, -1};
    std::vector<uint32_t> row(colour->width);
    std::vector<uint8_t> a(colour->width);
    for (int y = 0; y < colour->height; ++y) {
        g_VmsStore.GetRow(colour, y, 0, colour->width - 1, row.data());
        g_VmsStore.GetRow(alpha, y, 0, colour->width - 1, a.data());
        for (int x = 0; x < colour->width; ++x)
            if (a[x] > 128 && (row[x] & 0xFFFFFF) == rgb) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
    }
    return box;
}

}  // namespace

TEST(TextStrings, StylesAndFaceComeFromTheStringTable) {
    TextReset reset;
    char face[64] = {};
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_UI_FACE, face, sizeof face), 0);
    EXPECT_STREQ(face, TextSettings.latinFace);
    EXPECT_STREQ(face, TextSettings.japaneseFace);
    std::vector<std::string> styles = TextStyleNames();
    ASSERT_EQ(14u, styles.size());   // up to the " " that ends the list
    EXPECT_EQ("通常", styles[0]);
    EXPECT_EQ("波形（逆）", styles[8]);
    EXPECT_EQ("下円形外側", styles[13]);
}

// Command 14006 layers the text pass alone: the pen's colour where the text
// is, no frame or backing, and the size grows by the shadow offset.
TEST(StickerText, LayerOfTheTextPassAlone) {
    DistHost host;
    TextReset reset;
    std::strcpy(TextSettings.text, "Layer");
    TextSettings.stickerRoute = 1;
    TextSettings.frameKind = 0;
    TextSettings.frameThickness = 6;
    TextSettings.backingOn = 1;
    TextSettings.shadowOn = 1;
    TextSettings.shadowDx = 5;
    TextSettings.shadowDy = 3;
    TextSettings.shadowBlur = 0;
    TextSettings.shadowColour[2] = 200;
    SetPenColourRgb(220, 10, 10);
    VmsImage *colour = nullptr, *alpha = nullptr;
    ASSERT_EQ(1, MakeTextPassLayerImages(nullptr, nullptr, &colour, &alpha));
    EXPECT_EQ(256 + 5, colour->width);
    EXPECT_EQ(72 + 3, colour->height);
    // The text pass's ink, and nothing of the frame and backing.
    VmsImage *text = nullptr, *frame = nullptr, *backing = nullptr;
    ASSERT_EQ(1, RenderStickerText(nullptr, 0, &text, &frame, &backing));
    int ink = CountBelow(text, 128);
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&frame);
    g_VmsStore.Free(&backing);
    std::vector<uint32_t> row(colour->width);
    std::vector<uint8_t> a(colour->width);
    int pen = 0, other = 0;
    for (int y = 0; y < colour->height; ++y) {
        g_VmsStore.GetRow(colour, y, 0, colour->width - 1, row.data());
        g_VmsStore.GetRow(alpha, y, 0, colour->width - 1, a.data());
        for (int x = 0; x < colour->width; ++x) {
            if (a[x] <= 128) continue;
            uint32_t c = row[x] & 0xFFFFFF;
            pen += c == 0xDC0A0A;
            other += c != 0xDC0A0A && c != 0x0000C8;
        }
    }
    EXPECT_EQ(0, other);
    EXPECT_NEAR(ink, pen, ink / 10);
    g_VmsStore.Free(&colour);
    g_VmsStore.Free(&alpha);
}

// Vertical and outlined text go through GDI; their shadow lies at the shadow
// offset from the text, whichever way the offset points.
TEST(GdiText, ShadowLiesAtTheOffsetFromTheText) {
    TextReset reset;
    c_FontCatalogue::Build();
    SetPenColourRgb(200, 0, 0);
    std::strcpy(TextSettings.text, "Ab");
    TextSettings.fontSize = 32;
    TextSettings.shadowBlur = 0;
    TextSettings.shadowColour[2] = 255;
    struct Case {
        int vertical, outline, dx, dy;
    } cases[] = {{1, 0, 6, 4}, {0, 1, 6, 4}, {1, 1, 3, 7}, {1, 0, -5, -2}, {0, 1, -4, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vertical << c.outline << " " << c.dx << "," << c.dy);
        TextSettings.vertical = c.vertical;
        TextSettings.outline = c.outline;
        TextSettings.shadowDx = c.dx;
        TextSettings.shadowDy = c.dy;
        // The text alone, at the origin.
        TextSettings.shadowOn = 0;
        VmsImage *colour = nullptr, *alpha = nullptr;
        ASSERT_EQ(1, MakeTextPassLayerImages(nullptr, nullptr, &colour, &alpha));
        RECT text = ColourBox(colour, alpha, 0xC80000);
        ASSERT_GE(text.right, 0);
        g_VmsStore.Free(&colour);
        g_VmsStore.Free(&alpha);
        // With the shadow: the shadow's edges on the sides it sticks out of
        // (where no text covers it) lie at the offset from the text's.
        TextSettings.shadowOn = 1;
        ASSERT_EQ(1, MakeTextPassLayerImages(nullptr, nullptr, &colour, &alpha));
        RECT shadow = ColourBox(colour, alpha, 0x0000FF);
        ASSERT_GE(shadow.right, 0);
        int tx = std::max(-c.dx, 0), ty = std::max(-c.dy, 0);
        if (c.dx > 0) EXPECT_EQ(text.right + tx + c.dx, shadow.right);
        else EXPECT_EQ(text.left + tx + c.dx, shadow.left);
        if (c.dy > 0) EXPECT_EQ(text.bottom + ty + c.dy, shadow.bottom);
        else EXPECT_EQ(text.top + ty + c.dy, shadow.top);
        g_VmsStore.Free(&colour);
        g_VmsStore.Free(&alpha);
    }
}

namespace {

// Checks of the text dialog made while it is open (the answer hook runs then).
struct DialogLook {
    std::vector<std::string> latin, japanese, styles;
    std::vector<uint32_t> verticalOff, verticalOn, outlineOn;
    int verticalInk = 0;
    std::vector<uint32_t> shadowButton;
    bool done = false;
};

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        char text[256] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof text) SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

// A window as it paints itself (WM_PRINT), or as the screen shows it, as
// top-down 32-bit pixels; saved as a bitmap file when a path is given.
std::vector<uint32_t> Capture(HWND wnd, const std::string& path = "", bool fromScreen = false) {
    RECT rc;
    GetWindowRect(wnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    BITMAPINFO bi = TopDownDibInfo(w, h, 32);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    if (fromScreen) {
        HDC source = GetDC(nullptr);
        BitBlt(dc, 0, 0, w, h, source, rc.left, rc.top, SRCCOPY);
        ReleaseDC(nullptr, source);
    } else {
        PrintWindow(wnd, dc, 0);
    }
    GdiFlush();
    std::vector<uint32_t> px((const uint32_t*)bits, (const uint32_t*)bits + (size_t)w * h);
    for (uint32_t& p : px) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    if (!path.empty()) {
        std::vector<uint8_t> rows((size_t)((w * 3 + 3) & ~3) * h);
        size_t stride = (w * 3 + 3) & ~3;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t p = px[(size_t)(h - 1 - y) * w + x];
                uint8_t* d = &rows[y * stride + x * 3];
                d[0] = p & 255;
                d[1] = p >> 8 & 255;
                d[2] = p >> 16 & 255;
            }
        testsupport::WriteBmp24(path, w, h, rows.data(), rows.size());
    }
    return px;
}

int LookAtTextDialog(const ModalRequest& r, void* user) {
    DialogLook* look = (DialogLook*)user;
    if (std::strcmp(r.templ, "psv_text") != 0 || look->done) return kModalPressClose;
    look->done = true;
    HWND panel = nullptr;
    for (HWND c = GetWindow(r.dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgItem(c, 110)) panel = c;
    if (!panel) return kModalPressClose;
    look->latin = ComboItems(GetDlgItem(panel, 110));
    look->japanese = ComboItems(GetDlgItem(panel, 111));
    look->styles = ComboItems(GetDlgItem(panel, 152));
    ShowWindow(r.dialog, SW_SHOWNA);
    UpdateWindow(r.dialog);
    HWND vertical = GetDlgItem(panel, 160), outline = GetDlgItem(panel, 161);
    look->verticalOff = Capture(vertical);
    SendMessageA(panel, WM_COMMAND, 160, (LPARAM)vertical);
    SendMessageA(panel, WM_COMMAND, 161, (LPARAM)outline);
    look->verticalOn = Capture(vertical);
    look->outlineOn = Capture(outline);
    look->shadowButton = Capture(GetDlgItem(panel, 136));
    for (uint32_t p : look->verticalOn) {
        int lum = ((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) / 3;
        look->verticalInk += lum < 96;
    }
    // The picture as the screen shows it, once everything has painted.
    SetWindowPos(r.dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    for (DWORD until = GetTickCount() + 400; GetTickCount() < until;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    Capture(r.dialog, testsupport::ExeFolder() + "text_dialog_switches.bmp", true);
    return kModalPressClose;
}

}  // namespace

// The dialog's face lists hold each installed face once; the style list is
// the string table's; the vertical and outlined switches show their labels
// and their state; a colour button's caption reads on its swatch (a picture
// of the dialog is left in the build tree).
TEST(TextDialog, FaceListsStylesAndSwitches) {
    DistHost host;
    TextReset reset;
    c_FontCatalogue::Build();
    // The shadow, frame and backing groups shown, with their colour buttons.
    TextSettings.shadowOn = 1;
    TextSettings.frameKind = 0;
    TextSettings.backingOn = 1;
    TextSettings.shadowColour[0] = TextSettings.shadowColour[1] = TextSettings.shadowColour[2] = 0;
    DialogLook look;
    SetModalAnswerHook(LookAtTextDialog, &look);
    ShowTextDialog(nullptr, nullptr);
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_TRUE(look.done);
    EXPECT_EQ(TextStyleNames(), look.styles);
    ASSERT_FALSE(look.latin.empty());
    ASSERT_FALSE(look.japanese.empty());
    for (auto* list : {&look.latin, &look.japanese}) {
        std::vector<std::string> sorted = *list;
        std::sort(sorted.begin(), sorted.end());
        auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted.end(), twice) << (twice == sorted.end() ? "" : *twice);
    }
    // On and off look different, the label has ink, and both switches show the same state alike.
    EXPECT_NE(look.verticalOff, look.verticalOn);
    EXPECT_GT(look.verticalInk, 40);
    ASSERT_EQ(look.verticalOn.size(), look.outlineOn.size());
    EXPECT_NE(look.verticalOn, look.outlineOn);   // different labels
    // The black shadow swatch carries its caption inverted: white ink.
    int white = 0;
    for (uint32_t p : look.shadowButton) white += p == 0xFFFFFF;
    EXPECT_GT(white, 20);
    TextSettings.vertical = TextSettings.outline = 0;
}
