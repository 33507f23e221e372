#include "paint/text_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "image/vms_store.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"

namespace {

std::vector<FontEntry> g_Entries;
std::vector<std::string> g_Faces;

int CALLBACK CollectFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM param) {
    if (!(type & TRUETYPE_FONTTYPE)) return 1;
    auto* list = (std::vector<FontEntry>*)param;
    FontEntry e = {};
    lstrcpynA(e.face, lf->lfFaceName, sizeof e.face);
    e.pitchAndFamily = lf->lfPitchAndFamily;
    e.charSet = lf->lfCharSet;
    list->push_back(e);
    return 1;
}

const FontEntry* FindEntry(const char* face) {
    if (!face) return nullptr;
    if (face[0] == '@') ++face;
    for (const FontEntry& e : g_Entries)
        if (std::strcmp(e.face, face) == 0) return &e;
    return nullptr;
}

int Round(double v) { return (int)(v < 0 ? v - 0.5 : v + 0.5); }

HFONT MakeFont(const TextRasterRequest& r, int escapement) {
    LOGFONTA lf = {};
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    const char* face = r.face && r.face[0] ? r.face : UiFaceName();
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfEscapement = escapement;
    lf.lfOrientation = escapement;
    lf.lfWidth = 0;
    lf.lfHeight = r.height;
    lf.lfCharSet = c_FontCatalogue::GetCharSet(face);
    lf.lfPitchAndFamily = c_FontCatalogue::GetPitchAndFamily(face);
    if (r.bold) lf.lfWeight = 900;
    lf.lfItalic = r.italic ? 1 : 0;
    return CreateFontIndirectA(&lf);
}

}  // namespace

void c_FontCatalogue::Build() {
    std::vector<FontEntry> all;
    // One call a family (EnumFontFamiliesEx would repeat a face for every
    // character set it covers).
    HDC dc = GetDC(GetDesktopWindow());
    EnumFontFamiliesA(dc, nullptr, CollectFace, (LPARAM)&all);
    ReleaseDC(GetDesktopWindow(), dc);
    SetFaces(all);
}

void c_FontCatalogue::SetFaces(const std::vector<FontEntry>& enumerated) {
    g_Entries.clear();
    g_Faces.clear();
    for (const FontEntry& e : enumerated) {
        // A family can come more than once (one file a style, or a character
        // set each); the lists show it once. A repeat in the Japanese
        // character set makes the kept entry Japanese, so that list finds it.
        if (std::find(g_Faces.begin(), g_Faces.end(), e.face) != g_Faces.end()) {
            for (FontEntry& kept : g_Entries)
                if (std::strcmp(kept.face, e.face) == 0 && e.charSet == SHIFTJIS_CHARSET) kept = e;
            continue;
        }
        g_Faces.push_back(e.face);
        if (e.face[0] != '@') g_Entries.push_back(e);
    }
}

void c_FontCatalogue::Free() {
    g_Entries.clear();
    g_Faces.clear();
}

uint8_t c_FontCatalogue::GetCharSet(const char* face) {
    const FontEntry* e = FindEntry(face);
    return e ? e->charSet : 0;
}

uint8_t c_FontCatalogue::GetPitchAndFamily(const char* face) {
    const FontEntry* e = FindEntry(face);
    return e ? e->pitchAndFamily : 0;
}

int c_FontCatalogue::HasVerticalFace(const char* face) {
    if (!face) return 0;
    char vertical[64];
    std::snprintf(vertical, sizeof vertical, "@%s", face);
    for (const std::string& f : g_Faces)
        if (CompareNoCase(f.c_str(), vertical) == 0) return 1;
    return 0;
}

void c_FontCatalogue::FormatFontFaceName(const char* face, char* out, size_t outSize) {
    std::snprintf(out, outSize, HasVerticalFace(face) ? "@%s" : "%s", face ? face : "");
}

const std::vector<FontEntry>& c_FontCatalogue::Entries() { return g_Entries; }
const std::vector<std::string>& c_FontCatalogue::Faces() { return g_Faces; }

SIZE MeasureTextBox(const TextRasterRequest& r) {
    SIZE box = {0, 0};
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dc) return box;
    HFONT font = MakeFont(r, 0);
    HGDIOBJ old = SelectObject(dc, font);
    char text[1100];
    std::snprintf(text, sizeof text, "%s ", r.text ? r.text : "");
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    box.cx = size.cx + 2;
    box.cy = size.cy + 2;
    return box;
}

namespace {
// The corners of a w x h box turned by angle: the smallest x and y and the size.
void TurnedBox(int w, int h, int angle, int* minX, int* minY, SIZE* size) {
    double t = angle * 0.017453292519943295;
    const int corners[4][2] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
    int x0 = 9999999, y0 = 9999999, x1 = -1 - 9999999, y1 = -1 - 9999999;
    for (const auto& c : corners) {
        int x = Round(c[0] * std::cos(t) - c[1] * std::sin(t));
        int y = Round(c[0] * std::sin(t) + c[1] * std::cos(t));
        if (x < x0) x0 = x;
        if (x > x1) x1 = x;
        if (y < y0) y0 = y;
        if (y > y1) y1 = y;
    }
    *minX = x0;
    *minY = y0;
    size->cx = x1 - x0 + 1;
    size->cy = y1 - y0 + 1;
}
}  // namespace

SIZE RotatedBoxSize(int w, int h, int angle) {
    int x0, y0;
    SIZE s;
    TurnedBox(w, h, angle, &x0, &y0, &s);
    return s;
}

VmsImage* DrawTextToImage(const TextRasterRequest& r) {
    SIZE box = MeasureTextBox(r);
    if (box.cx <= 2 && box.cy <= 2) return nullptr;
    int minX, minY;
    SIZE size;
    // The escapement -10 x angle turns the text clockwise on the screen, as
    // the box's corners turn with y growing downward.
    TurnedBox(box.cx, box.cy, r.angle, &minX, &minY, &size);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    char message[32];
    if (!dc) {
        std::snprintf(message, sizeof message, "%d %d", (int)size.cx, (int)size.cy);
        ShowMessageBox(GetMessageBoxOwner(), message, "makev", kMsgOk);
        return nullptr;
    }
    BITMAPINFO bi = TopDownDibInfo(size.cx, size.cy, 32);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        DeleteDC(dc);
        std::snprintf(message, sizeof message, "%d %d", (int)size.cx, (int)size.cy);
        ShowMessageBox(GetMessageBoxOwner(), message, "makev2", kMsgOk);
        return nullptr;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(r.background);
    RECT all = {0, 0, size.cx + 1, size.cy + 1};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    HFONT font = MakeFont(r, -r.angle * 10);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, r.colour);
    TextOutA(dc, -minX, -minY, r.text ? r.text : "", r.text ? (int)std::strlen(r.text) : 0);
    GdiFlush();
    SelectObject(dc, oldFont);
    DeleteObject(font);
    VmsImage* image = g_VmsStore.Create(size.cx, size.cy, 32, 0, 1);
    if (image) {
        const uint32_t* px = (const uint32_t*)bits;
        for (int y = 0; y < size.cy; ++y) {
            std::vector<uint32_t> row(px + (size_t)y * size.cx, px + (size_t)(y + 1) * size.cx);
            for (uint32_t& w : row) w &= 0x00FFFFFF;
            g_VmsStore.PutRow(image, y, 0, size.cx - 1, row.data());
        }
    }
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

namespace {
template <typename T>
bool ReadAll(const VmsImage* image, std::vector<T>* out) {
    out->resize((size_t)image->width * image->height);
    for (int y = 0; y < image->height; ++y)
        if (!g_VmsStore.GetRow(image, y, 0, image->width - 1, out->data() + (size_t)y * image->width)) return false;
    return true;
}
template <typename T>
void WriteAll(VmsImage* image, const std::vector<T>& pixels) {
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.PutRow(image, y, 0, image->width - 1, pixels.data() + (size_t)y * image->width);
}
inline int Clamp(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }
}  // namespace

int BlurMask8(VmsImage* image) {
    if (!image || image->bits != 8) return 0;
    std::vector<uint8_t> src;
    if (!ReadAll(image, &src)) return 0;
    int w = image->width, h = image->height;
    std::vector<uint8_t> out(src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) sum += src[(size_t)Clamp(y + dy, h - 1) * w + Clamp(x + dx, w - 1)];
            out[(size_t)y * w + x] = (uint8_t)(sum / 9);
        }
    WriteAll(image, out);
    return 1;
}

int EdgeGlyphPass32(VmsImage* image) {
    if (!image || image->bits != 32) return 0;
    std::vector<uint32_t> src;
    if (!ReadAll(image, &src)) return 0;
    int w = image->width, h = image->height;
    std::vector<uint32_t> out(src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t m = 255;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    uint32_t r = src[(size_t)Clamp(y + dy, h - 1) * w + Clamp(x + dx, w - 1)] >> 16 & 255;
                    if (r < m) m = r;
                }
            out[(size_t)y * w + x] = (src[(size_t)y * w + x] & 0xFF000000u) | m | m << 8 | m << 16;
        }
    WriteAll(image, out);
    return 1;
}

int FilterRow3x3(VmsImage* image) {
    if (!image || image->bits != 32) return 0;
    std::vector<uint32_t> px;
    if (!ReadAll(image, &px)) return 0;
    int w = image->width, h = image->height;
    // In place: the row above and the pixel to the left are already filtered.
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) sum += px[(size_t)(y + dy) * w + x + dx] >> 16 & 255;
            uint32_t v = (uint32_t)((sum + 4) / 9);
            uint32_t& p = px[(size_t)y * w + x];
            p = (p & 0xFF000000u) | v | v << 8 | v << 16;
        }
    WriteAll(image, px);
    return 1;
}
