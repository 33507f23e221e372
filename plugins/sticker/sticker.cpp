// Sticker.dll: the renderer of decorated text. StickerOpen takes the block of
// one pass, StickerRender writes that pass's coverage (0 none .. 255 full)
// into the block's target, an 8-bit packed DIB, StickerClose forgets it.
// Pass 255: the glyphs of the lines, Latin runs in the Latin face and
// double-byte runs in the Japanese face, drawn flat and warped by the style
// (warp.h); pass -1: the frame (rectangle or ellipse of the given thickness);
// pass 0: the backing (the shape filled).
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "paint/sticker_params.h"
#include "warp.h"

namespace {

StickerParams g_Params;
bool g_Open;

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// A grey coverage canvas drawn with GDI: a 32-bit top-down DIB section.
struct GdiCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int width = 0, height = 0;
    GdiCanvas(int w, int h) : width(w), height(h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0) : nullptr;
        if (bitmap) old = SelectObject(dc, bitmap);
    }
    ~GdiCanvas() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    bool ok() const { return bits != nullptr; }
    int Grey(int x, int y) const { return (int)(bits[(size_t)y * width + x] >> 8 & 255); }
};

// One run of a line in one face.
struct Run {
    std::string text;
    bool japanese;
};

std::vector<Run> SplitRuns(const char* line) {
    std::vector<Run> runs;
    for (const char* p = line; *p;) {
        bool dbcs = IsLead((unsigned char)*p) && p[1];
        int n = dbcs ? 2 : 1;
        if (runs.empty() || runs.back().japanese != dbcs) runs.push_back({"", dbcs});
        runs.back().text.append(p, n);
        p += n;
    }
    return runs;
}

HFONT MakeFont(const LOGFONTA& base, int height) {
    LOGFONTA lf = base;
    lf.lfHeight = -height;
    lf.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectA(&lf);
}

int LineWidth(HDC dc, const StickerParams& p, int line, int height) {
    int total = 0;
    for (const Run& r : SplitRuns(p.lines[line])) {
        HFONT font = MakeFont(r.japanese ? p.japaneseFont[line] : p.latinFont[line], height);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, r.text.c_str(), (int)r.text.size(), &size);
        SelectObject(dc, old);
        DeleteObject(font);
        total += size.cx;
    }
    return total;
}

void RenderText(const StickerParams& p, Coverage* cover) {
    int w = p.width, h = p.height;
    GdiCanvas canvas(w, h);
    if (!canvas.ok()) return;
    std::memset(canvas.bits, 0, (size_t)w * h * 4);
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    int lines = p.lineCount;
    int margin = p.frameThickness + 4;
    int lineHeight = (h - 2 * margin) / lines;
    if (lineHeight < 4) lineHeight = h / lines > 0 ? h / lines : 1;
    for (int i = 0; i < lines; ++i) {
        if (p.glyphs[i] != -1 || !p.lines[i][0]) continue;
        int fontHeight = lineHeight * 9 / 10;
        int width = LineWidth(canvas.dc, p, i, fontHeight);
        int room = w - 2 * margin;
        if (width > room && width > 0) {
            fontHeight = fontHeight * room / width;
            width = LineWidth(canvas.dc, p, i, fontHeight);
        }
        if (fontHeight < 1) continue;
        int x = (w - width) / 2;
        int top = (h - lines * lineHeight) / 2 + i * lineHeight + (lineHeight - fontHeight) / 2;
        for (const Run& r : SplitRuns(p.lines[i])) {
            HFONT font = MakeFont(r.japanese ? p.japaneseFont[i] : p.latinFont[i], fontHeight);
            HGDIOBJ old = SelectObject(canvas.dc, font);
            TextOutA(canvas.dc, x, top, r.text.c_str(), (int)r.text.size());
            SIZE size = {0, 0};
            GetTextExtentPoint32A(canvas.dc, r.text.c_str(), (int)r.text.size(), &size);
            x += size.cx;
            SelectObject(canvas.dc, old);
            DeleteObject(font);
        }
    }
    GdiFlush();
    Coverage flat(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) flat.Ref(x, y) = (uint8_t)canvas.Grey(x, y);
    WarpCoverage(flat, p.style[0], p.scale1[0], p.scale2[0], margin, cover);
}

// Coverage of the frame's ring or the backing's area at a sub-pixel point.
bool InShape(const StickerParams& p, double x, double y, double inset) {
    double w = p.width, h = p.height;
    if (p.frameShape == 0) return x >= inset && y >= inset && x <= w - inset && y <= h - inset;
    double a = w / 2 - inset, b = h / 2 - inset;
    if (a <= 0 || b <= 0) return false;
    double dx = (x - w / 2) / a, dy = (y - h / 2) / b;
    return dx * dx + dy * dy <= 1.0;
}

void RenderShape(const StickerParams& p, bool ring, Coverage* cover) {
    int t = p.frameThickness;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    bool in = InShape(p, px, py, 0.5);
                    if (ring) in = in && !InShape(p, px, py, 0.5 + t);
                    hits += in;
                }
            cover->Ref(x, y) = (uint8_t)(hits * 255 / 16);
        }
}

}  // namespace

extern "C" {

int __cdecl StickerOpen(StickerParams* params) {
    g_Open = false;
    if (!params) return 0;
    std::memcpy(&g_Params, params, sizeof g_Params);
    g_Open = StickerParamsValid(g_Params) != 0;
    return g_Open ? 1 : 0;
}

int __cdecl StickerRender() {
    if (!g_Open) return 0;
    const StickerParams& p = g_Params;
    int w = p.width, h = p.height;
    Coverage cover(w, h);
    if (p.pass == kStickerPassText) RenderText(p, &cover);
    else if (p.pass == kStickerPassFrame && p.frameThickness > 0) RenderShape(p, true, &cover);
    else if (p.pass == kStickerPassBacking && p.backing == -1) RenderShape(p, false, &cover);
    // Rows of the target are bottom-up, each a multiple of four bytes.
    auto* header = (BITMAPINFOHEADER*)p.Target();
    if (header->biBitCount != 8 || header->biWidth != w || header->biHeight != h) return 0;
    uint8_t* rows = (uint8_t*)header + header->biSize + 1024;
    int stride = (w + 3) & ~3;
    for (int y = 0; y < h; ++y) std::memcpy(rows + (size_t)(h - 1 - y) * stride, &cover.pixels[(size_t)y * w], w);
    return 1;
}

int __cdecl StickerClose() {
    g_Open = false;
    return 1;
}

}  // extern "C"
