#include "paint/text_tool.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "canvas/canv_clip.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "paint/sticker_params.h"
#include "paint/text_raster.h"
#include "resources/paint_ids.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"

TextSettingsRecord TextSettings;

namespace {

inline uint8_t P(int a, int b) { return ProductTable[a & 255][b & 255]; }
inline int Abs(int v) { return v < 0 ? -v : v; }

// An 8-bit image from a coverage array (rows top-down).
VmsImage* ImageFromBytes(const std::vector<uint8_t>& bytes, int w, int h) {
    VmsImage* image = g_VmsStore.Create(w, h, 8, 0, 1);
    if (!image) return nullptr;
    for (int y = 0; y < h; ++y) g_VmsStore.PutRow(image, y, 0, w - 1, bytes.data() + (size_t)y * w);
    return image;
}

void InvertImage8(VmsImage* image) {
    std::vector<uint8_t> row(image->width);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        for (uint8_t& v : row) v = (uint8_t)(255 - v);
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.data());
    }
}

std::vector<uint8_t> ReadBytes(const VmsImage* image) {
    std::vector<uint8_t> out((size_t)image->width * image->height);
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.GetRow(image, y, 0, image->width - 1, out.data() + (size_t)y * image->width);
    return out;
}

std::vector<uint32_t> ReadWords(const VmsImage* image) {
    std::vector<uint32_t> out((size_t)image->width * image->height);
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.GetRow(image, y, 0, image->width - 1, out.data() + (size_t)y * image->width);
    return out;
}

template <typename T>
VmsImage* ImageFrom(const std::vector<T>& px, int w, int h, int bits) {
    VmsImage* image = g_VmsStore.Create(w, h, bits, 0, 1);
    if (!image) return nullptr;
    for (int y = 0; y < h; ++y) g_VmsStore.PutRow(image, y, 0, w - 1, px.data() + (size_t)y * w);
    return image;
}

inline uint32_t Word(int r, int g, int b) { return (uint32_t)(b & 255) | (uint32_t)(g & 255) << 8 | (uint32_t)(r & 255) << 16; }

// Where the Sticker.dll of the program folder lies.
void StickerPath(char* path, size_t size) {
    const char* folder = CanvProgramFolder();
    std::snprintf(path, size, "%sSticker.dll", folder ? folder : "");
}

void FillFont(LOGFONTA* lf, const char* face, int weight, BYTE charSet) {
    std::memset(lf, 0, sizeof *lf);
    lf->lfWeight = weight;
    lf->lfCharSet = charSet;
    lf->lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf->lfClipPrecision = CLIP_EMBEDDED;
    lf->lfQuality = PROOF_QUALITY;
    lstrcpynA(lf->lfFaceName, face, LF_FACESIZE);
}

}  // namespace

VmsImage* MakeStickerShadow(const VmsImage* text, const VmsImage* frame, int blur) {
    std::vector<uint8_t> t = ReadBytes(text), f = ReadBytes(frame);
    for (size_t k = 0; k < t.size() && k < f.size(); ++k) t[k] = P(t[k], f[k]);
    VmsImage* shadow = ImageFromBytes(t, text->width, text->height);
    for (int i = 0; shadow && i < blur && i < 10; ++i) BlurMask8(shadow);
    return shadow;
}

void ResetTextSettings() {
    TextSettingsRecord& s = TextSettings;
    std::memset(&s, 0, sizeof s);
    std::snprintf(s.latinFace, sizeof s.latinFace, "%s", UiFaceName());
    std::snprintf(s.japaneseFace, sizeof s.japaneseFace, "%s", UiFaceName());
    s.fontSize = 24;
    std::snprintf(s.text, sizeof s.text, "%s", kAppTitle);
    s.shadowBlur = 3;
    s.shadowDx = s.shadowDy = 4;
    s.width = 256;
    s.height = 72;
    s.frameKind = 2;
    s.frameThickness = 2;
    s.backingColour[0] = 0;
    s.backingColour[1] = 255;
    s.backingColour[2] = 160;
    s.frameColour[0] = 45;
    s.frameColour[1] = 132;
    s.frameColour[2] = 239;
}

std::vector<std::string> TextStyleNames() {
    std::vector<std::string> names;
    for (UINT id = IDS_TEXT_STYLE_FIRST;; ++id) {
        char name[128];
        if (LoadStringA(GetModuleHandleA(nullptr), id, name, sizeof name) <= 0 || std::strcmp(name, " ") == 0) break;
        names.push_back(name);
    }
    return names;
}

int CountTextLines(const char* text) {
    int n = 1;
    for (const char* p = text; p && *p; ++p)
        if (*p == '\n') ++n;
    return n;
}

void GetTextLine(const char* text, char* buffer, int size, int n) {
    if (size <= 0) return;
    buffer[0] = 0;
    const char* p = text ? text : "";
    for (int i = 0; i < n; ++i) {
        p = std::strchr(p, '\n');
        if (!p) return;
        ++p;
    }
    int k = 0;
    for (; *p && *p != '\n' && k < size - 1; ++p)
        if (*p != '\r') buffer[k++] = *p;
    buffer[k] = 0;
}

void NormaliseText(const char* text, char* out, int outSize) {
    std::string result;
    int lines = CountTextLines(text);
    if (lines > kTextMaxLines) lines = kTextMaxLines;
    for (int i = 0; i < lines; ++i) {
        char line[1024];
        GetTextLine(text, line, sizeof line, i);
        int n = (int)std::strlen(line);
        if (n > kTextMaxLineBytes) {
            // A double-byte character on bytes 40 and 41 is dropped whole.
            int cut = kTextMaxLineBytes;
            int k = 0;
            while (k < cut) k += IsSjisLead((unsigned char)line[k]) && k + 1 < n ? 2 : 1;
            if (k > cut) cut = k - 2;
            line[cut] = 0;
        }
        if (i) result += "\r\n";
        result += line;
    }
    lstrcpynA(out, result.c_str(), outSize);
}

void FillStickerParams(StickerParams* p, int pass, HWND owner, void* target) {
    const TextSettingsRecord& s = TextSettings;
    std::memset(p, 0, sizeof *p);
    int lines = CountTextLines(s.text);
    if (lines > kStickerLines) lines = kStickerLines;
    BYTE latinSet = c_FontCatalogue::GetCharSet(s.latinFace);
    for (int i = 0; i < lines; ++i) {
        if (pass != 3) GetTextLine(s.text, p->lines[i], kStickerLineBytes, i);
        FillFont(&p->latinFont[i], s.latinFace, 400, latinSet);
        FillFont(&p->japaneseFont[i], s.japaneseFace, 700, SHIFTJIS_CHARSET);
        p->style[i] = 1;
        p->value80[i] = 80;
        p->one2284[i] = 1;
        p->glyphs[i] = pass == 1 ? -1 : 0;
        p->lineBacking[i] = pass == 3 && s.backingOn && s.frameKind != 2 ? -1 : 0;
    }
    p->owner = (uint32_t)(uintptr_t)owner;
    p->one[0] = p->one[1] = 1;
    p->lineCount = lines;
    p->width = s.width;
    p->height = s.height;
    p->SetTarget(target);
    p->box = {0, 0, s.width - 1, s.height - 1};
    p->frameShape = s.frameKind == 0 ? 0 : 1;
    p->frameThickness = s.frameKind == 2 ? 0 : s.frameThickness;
    p->style[0] = StickerStyleCode(s.style);
    bool wave = s.style == 7 || s.style == 8;
    p->scale1[0] = wave ? 1.5 : 2.0;
    p->scale2[0] = wave ? 2.0 : 1.0;
    p->backing = pass == 3 && s.backingOn && s.frameKind != 2 ? -1 : 0;
    p->pass = pass == 1 ? kStickerPassText : pass == 2 ? kStickerPassFrame : kStickerPassBacking;
}

int RenderStickerText(HWND owner, int mode, VmsImage** text, VmsImage** frame, VmsImage** backing) {
    const TextSettingsRecord& s = TextSettings;
    if (s.width < 1 || s.height < 1 || s.width > 4096 || s.height > 4096) return 0;
    char path[MAX_PATH];
    StickerPath(path, sizeof path);
    HMODULE dll = LoadLibraryA(path);
    if (!dll) return 0;
    auto open = (StickerOpenFn)(void*)GetProcAddress(dll, "StickerOpen");
    auto render = (StickerRenderFn)(void*)GetProcAddress(dll, "StickerRender");
    auto close = (StickerCloseFn)(void*)GetProcAddress(dll, "StickerClose");
    if (!open || !render || !close) {
        FreeLibrary(dll);
        return 0;
    }
    // The target: a packed 8-bit DIB with a grey palette, rows bottom-up.
    int w = s.width, h = s.height, stride = (w + 3) & ~3;
    std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 1024 + (size_t)stride * h, 0);
    auto* bih = (BITMAPINFOHEADER*)block.data();
    bih->biSize = sizeof *bih;
    bih->biWidth = w;
    bih->biHeight = h;
    bih->biPlanes = 1;
    bih->biBitCount = 8;
    bih->biClrUsed = 256;
    auto* palette = (RGBQUAD*)(block.data() + sizeof *bih);
    for (int i = 0; i < 256; ++i) palette[i] = {(BYTE)i, (BYTE)i, (BYTE)i, 0};
    uint8_t* rows = block.data() + sizeof *bih + 1024;
    static StickerParams params;
    VmsImage* out[3] = {};
    bool ok = true;
    for (int pass = 1; pass <= 3 && ok; ++pass) {
        FillStickerParams(&params, pass, owner, block.data());
        open(&params);
        render();
        std::vector<uint8_t> coverage((size_t)w * h);
        for (int y = 0; y < h; ++y) std::memcpy(&coverage[(size_t)y * w], rows + (size_t)(h - 1 - y) * stride, w);
        out[pass - 1] = ImageFromBytes(coverage, w, h);
        if (pass == 1 && out[0]) {
            int n = mode == 0 ? s.textBlur : s.shadowBlur;
            for (int i = 0; i < n && i < 64; ++i) BlurMask8(out[0]);
        }
        close();
        ok = out[pass - 1] != nullptr;
    }
    FreeLibrary(dll);
    if (!ok) {
        for (VmsImage*& image : out) g_VmsStore.Free(&image);
        return 0;
    }
    for (VmsImage* image : out) InvertImage8(image);
    *text = out[0];
    *frame = out[1];
    *backing = out[2];
    return 1;
}

int RenderTextImage(VmsImage** textOut, VmsImage** maskOut, int mode) {
    *textOut = *maskOut = nullptr;
    const TextSettingsRecord& s = TextSettings;
    if (!s.text[0]) return 0;
    int height = s.doubleSize ? s.fontSize * 2 : s.fontSize;
    char face[300];
    int angle = s.angle;
    if (s.vertical) {
        std::snprintf(face, sizeof face, "@%s", s.latinFace);
        angle += 90;
    } else {
        std::snprintf(face, sizeof face, "%s", s.latinFace);
    }
    // One line a call of the rasteriser; the lines stacked (side by side,
    // right to left, when vertical).
    int lines = CountTextLines(s.text);
    std::vector<VmsImage*> parts;
    for (int i = 0; i < lines; ++i) {
        char line[256];
        GetTextLine(s.text, line, sizeof line, i);
        TextRasterRequest r = {GetMessageBoxOwner(), height, s.bold, s.italic, line, 0, face, angle, 0xFFFFFF};
        VmsImage* glyphs = DrawTextToImage(r);
        if (glyphs && s.outline) {
            // Only where the thickened glyphs reach beyond the plain ones.
            VmsImage* thick = glyphs;
            VmsImage* plain = DrawTextToImage(r);
            EdgeGlyphPass32(thick);
            if (plain && plain->width == thick->width && plain->height == thick->height) {
                std::vector<uint32_t> a = ReadWords(thick), b = ReadWords(plain);
                for (size_t k = 0; k < a.size(); ++k) {
                    int v = (int)(a[k] & 255) + 255 - (int)(b[k] & 255);
                    v = v > 255 ? 255 : v;
                    a[k] = Word(v, v, v);
                }
                for (int y = 0; y < thick->height; ++y)
                    g_VmsStore.PutRow(thick, y, 0, thick->width - 1, a.data() + (size_t)y * thick->width);
            }
            g_VmsStore.Free(&plain);
        }
        if (!glyphs) {
            for (VmsImage*& p : parts) g_VmsStore.Free(&p);
            return 0;
        }
        parts.push_back(glyphs);
    }
    int tw = 0, th = 0;
    for (VmsImage* p : parts) {
        if (s.vertical) {
            tw += p->width;
            th = p->height > th ? p->height : th;
        } else {
            th += p->height;
            tw = p->width > tw ? p->width : tw;
        }
    }
    int w = tw + 16, h = th + 8;
    std::vector<uint32_t> canvas((size_t)w * h, 0x00FFFFFF);
    int at = s.vertical ? w - 8 : 4;
    for (VmsImage* p : parts) {
        std::vector<uint32_t> px = ReadWords(p);
        int ox = s.vertical ? at - p->width : 8, oy = s.vertical ? 4 : at;
        for (int y = 0; y < p->height; ++y)
            std::memcpy(&canvas[(size_t)(oy + y) * w + ox], &px[(size_t)y * p->width], p->width * 4);
        at = s.vertical ? at - p->width : at + p->height;
        g_VmsStore.Free(&p);
    }
    VmsImage* work = ImageFrom(canvas, w, h, 32);
    if (!work) return 0;
    int n = mode == 0 ? s.textBlur : s.shadowBlur;
    for (int i = 0; i < n && i < 64; ++i) FilterRow3x3(work);
    std::vector<uint32_t> px = ReadWords(work);
    g_VmsStore.Free(&work);
    std::vector<uint8_t> text(px.size()), mask(px.size());
    for (size_t k = 0; k < px.size(); ++k) {
        int v = (int)(px[k] & 255);
        if (s.invert) v = 255 - v;
        text[k] = (uint8_t)v;
        mask[k] = v ? 255 : 0;
    }
    VmsImage* t = ImageFromBytes(text, w, h);
    VmsImage* m = ImageFromBytes(mask, w, h);
    if (!t || !m) {
        g_VmsStore.Free(&t);
        g_VmsStore.Free(&m);
        return 0;
    }
    if (s.doubleSize) {
        VmsImage* ht = c_Dib::Resize(t, w / 2 > 0 ? w / 2 : 1, h / 2 > 0 ? h / 2 : 1, 0, 1, 0);
        VmsImage* hm = c_Dib::Resize(m, w / 2 > 0 ? w / 2 : 1, h / 2 > 0 ? h / 2 : 1, 0, 1, 0);
        g_VmsStore.Free(&t);
        g_VmsStore.Free(&m);
        if (!ht || !hm) {
            g_VmsStore.Free(&ht);
            g_VmsStore.Free(&hm);
            return 0;
        }
        t = ht;
        m = hm;
    }
    *textOut = t;
    *maskOut = m;
    return 1;
}

namespace {

// The pen's colour row for row y of a w-wide box: what it would paint in the
// current drawing mode, with its protect row; rows off the canvas, and no
// canvas, take the plain colour.
void PenRowForText(PenCanvas* canvas, int y, int w, int h, std::vector<uint32_t>* colour,
                   std::vector<uint8_t>* protect) {
    colour->assign(w, Word(PenColour.red, PenColour.green, PenColour.blue));
    protect->assign(w, 0);
    if (!canvas || y >= canvas->height || w > canvas->width) return;
    std::vector<uint8_t> alpha(w);
    int kind = 0;
    c_PenWriter::MakeRow(canvas, colour->data(), alpha.data(), protect->data(), y, 0, w - 1, 0, 0, w - 1, h - 1,
                         &kind);
}

}  // namespace

VmsImage* ComposeTextImage(HWND owner, PenCanvas* canvas, VmsImage** colourOut, VmsImage** alphaOut) {
    *colourOut = *alphaOut = nullptr;
    const TextSettingsRecord& s = TextSettings;
    int dx = s.shadowDx, dy = s.shadowDy;
    int tx = 0, ty = 0, sx = 0, sy = 0;
    if (s.shadowOn) {
        tx = -dx > 0 ? -dx : 0;
        ty = -dy > 0 ? -dy : 0;
        sx = dx > 0 ? dx : 0;
        sy = dy > 0 ? dy : 0;
    }
    VmsImage *T = nullptr, *F = nullptr, *B = nullptr;
    if (!RenderStickerText(owner, 0, &T, &F, &B)) return nullptr;
    int w = T->width, h = T->height, W = w + Abs(dx), H = h + Abs(dy);
    std::vector<uint8_t> t = ReadBytes(T), f = ReadBytes(F), b = ReadBytes(B);
    VmsImage* S = s.shadowOn ? MakeStickerShadow(T, F, s.shadowBlur) : nullptr;
    g_VmsStore.Free(&T);
    g_VmsStore.Free(&F);
    g_VmsStore.Free(&B);
    std::vector<uint32_t> C((size_t)W * H, 0x00FFFFFF);
    std::vector<uint8_t> A((size_t)W * H, 0);
    auto laySolid = [&](const std::vector<uint8_t>& cover, const int rgb[3]) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int c = 255 - cover[(size_t)y * w + x];
                size_t k = (size_t)(ty + y) * W + tx + x;
                if (c > A[k]) A[k] = (uint8_t)c;
                if (c > 0) C[k] = Word(rgb[0], rgb[1], rgb[2]);
            }
    };
    laySolid(b, s.backingColour);
    if (s.shadowOn) {
        std::vector<uint8_t> shadow((size_t)w * h);
        if (S) {
            shadow = ReadBytes(S);
            g_VmsStore.Free(&S);
        } else {   // without memory for the softening, the shadow stays sharp
            for (size_t k = 0; k < shadow.size(); ++k) shadow[k] = P(t[k], f[k]);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int a = 255 - shadow[(size_t)y * w + x];
                size_t k = (size_t)(sy + y) * W + sx + x;
                if (a > A[k]) A[k] = (uint8_t)a;
                if (a > 0) {
                    uint32_t c = C[k];
                    int ch[3] = {(int)(c >> 16 & 255), (int)(c >> 8 & 255), (int)(c & 255)};
                    for (int i = 0; i < 3; ++i) {
                        int v = P(ch[i], 255 - a) + P(s.shadowColour[i], a);
                        ch[i] = v > 255 ? 255 : v;
                    }
                    C[k] = Word(ch[0], ch[1], ch[2]);
                }
            }
    }
    laySolid(f, s.frameColour);
    std::vector<uint32_t> penRow;
    std::vector<uint8_t> protect;
    for (int y = 0; y < h; ++y) {
        PenRowForText(canvas, y, w, h, &penRow, &protect);
        for (int x = 0; x < w; ++x) {
            int u = P(255 - protect[x], 255 - t[(size_t)y * w + x]);
            size_t k = (size_t)(ty + y) * W + tx + x;
            if (u > A[k]) A[k] = (uint8_t)u;
            if (u > 0) C[k] = penRow[x] & 0x00FFFFFF;
        }
    }
    std::vector<uint32_t> R(C.size());
    for (size_t k = 0; k < C.size(); ++k) {
        int a = A[k], ch[3] = {(int)(C[k] >> 16 & 255), (int)(C[k] >> 8 & 255), (int)(C[k] & 255)};
        for (int& v : ch) {
            int m = P(255, 255 - a) + P(v, a);
            v = m > 255 ? 255 : m;
        }
        R[k] = Word(ch[0], ch[1], ch[2]);
    }
    VmsImage* composite = ImageFrom(R, W, H, 32);
    *colourOut = ImageFrom(C, W, H, 32);
    *alphaOut = ImageFrom(A, W, H, 8);
    if (!composite || !*colourOut || !*alphaOut) {
        g_VmsStore.Free(&composite);
        g_VmsStore.Free(colourOut);
        g_VmsStore.Free(alphaOut);
        return nullptr;
    }
    return composite;
}

namespace {

// The text in the pen's colour and, when a shadow image is given, the shadow
// in the shadow colour at the shadow offset, from images of inverted coverage
// (255 paper, 0 ink; the other way round when `inverted`). Takes both images.
int LayTextAndShadow(PenCanvas* canvas, VmsImage* text, VmsImage* shadow, bool inverted, VmsImage** colourOut,
                     VmsImage** alphaOut) {
    const TextSettingsRecord& s = TextSettings;
    int dx = s.shadowOn ? s.shadowDx : 0, dy = s.shadowOn ? s.shadowDy : 0;
    int tx = -dx > 0 ? -dx : 0, ty = -dy > 0 ? -dy : 0, sx = dx > 0 ? dx : 0, sy = dy > 0 ? dy : 0;
    int w = text->width, h = text->height, W = w + Abs(dx), H = h + Abs(dy);
    std::vector<uint32_t> C((size_t)W * H, 0x00FFFFFF);
    std::vector<uint8_t> A((size_t)W * H, 0);
    if (shadow) {
        std::vector<uint8_t> sv = ReadBytes(shadow);
        uint32_t sc = Word(s.shadowColour[0], s.shadowColour[1], s.shadowColour[2]);
        for (int y = 0; y < shadow->height && sy + y < H; ++y)
            for (int x = 0; x < shadow->width && sx + x < W; ++x) {
                int a = inverted ? sv[(size_t)y * shadow->width + x] : 255 - sv[(size_t)y * shadow->width + x];
                size_t k = (size_t)(sy + y) * W + sx + x;
                if (a > A[k]) A[k] = (uint8_t)a;
                if (a > 0) C[k] = sc;
            }
    }
    std::vector<uint8_t> tv = ReadBytes(text);
    std::vector<uint32_t> penRow;
    std::vector<uint8_t> protect;
    for (int y = 0; y < h; ++y) {
        PenRowForText(canvas, y, w, h, &penRow, &protect);
        for (int x = 0; x < w; ++x) {
            int cover = inverted ? tv[(size_t)y * w + x] : 255 - tv[(size_t)y * w + x];
            int a = P(255 - protect[x], cover);
            size_t k = (size_t)(ty + y) * W + tx + x;
            if (a > A[k]) A[k] = (uint8_t)a;
            if (a > 0) C[k] = penRow[x] & 0x00FFFFFF;
        }
    }
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&shadow);
    *colourOut = ImageFrom(C, W, H, 32);
    *alphaOut = ImageFrom(A, W, H, 8);
    if (!*colourOut || !*alphaOut) {
        g_VmsStore.Free(colourOut);
        g_VmsStore.Free(alphaOut);
        return 0;
    }
    return 1;
}

// The GDI route's text and shadow, laid out as above.
int GdiTextImages(PenCanvas* canvas, VmsImage** colourOut, VmsImage** alphaOut) {
    VmsImage *text = nullptr, *mask = nullptr, *shadow = nullptr, *shadowMask = nullptr;
    if (!RenderTextImage(&text, &mask, 0)) return 0;
    if (TextSettings.shadowOn) RenderTextImage(&shadow, &shadowMask, 1);
    g_VmsStore.Free(&mask);
    g_VmsStore.Free(&shadowMask);
    return LayTextAndShadow(canvas, text, shadow, TextSettings.invert != 0, colourOut, alphaOut);
}

// The sticker's text pass alone (blurred as text, and again as shadow).
VmsImage* StickerTextPass(HWND owner, int mode) {
    VmsImage *text = nullptr, *frame = nullptr, *backing = nullptr;
    if (!RenderStickerText(owner, mode, &text, &frame, &backing)) return nullptr;
    g_VmsStore.Free(&frame);
    g_VmsStore.Free(&backing);
    return text;
}

bool StickerRouteInUse() {
    const TextSettingsRecord& s = TextSettings;
    return s.stickerRoute && !s.vertical && !s.outline;
}

}  // namespace

int MakeTextLayerImages(HWND owner, PenCanvas* canvas, VmsImage** colourOut, VmsImage** alphaOut) {
    *colourOut = *alphaOut = nullptr;
    if (!StickerRouteInUse()) return GdiTextImages(canvas, colourOut, alphaOut);
    VmsImage* composite = ComposeTextImage(owner, canvas, colourOut, alphaOut);
    g_VmsStore.Free(&composite);
    return *colourOut != nullptr;
}

int MakeTextPassLayerImages(HWND owner, PenCanvas* canvas, VmsImage** colourOut, VmsImage** alphaOut) {
    *colourOut = *alphaOut = nullptr;
    if (!StickerRouteInUse()) return GdiTextImages(canvas, colourOut, alphaOut);
    VmsImage* text = StickerTextPass(owner, 0);
    if (!text) return 0;
    VmsImage* shadow = TextSettings.shadowOn ? StickerTextPass(owner, 1) : nullptr;
    return LayTextAndShadow(canvas, text, shadow, false, colourOut, alphaOut);
}

int LayerFromText(CanvDoc* doc) {
    if (!doc) return 0;
    PenCanvas view;
    MakePenCanvas(doc, &view);
    VmsImage *colour = nullptr, *alpha = nullptr;
    if (!MakeTextPassLayerImages(GetMessageBoxOwner(), &view, &colour, &alpha)) return 0;
    int index = PasteImageAsLayer(doc, colour, alpha, -1, -1, 0);
    g_VmsStore.Free(&colour);
    g_VmsStore.Free(&alpha);
    if (index <= 0) return 0;
    SetCanvasModified(doc);
    RedrawCanvas(doc);
    return 1;
}
