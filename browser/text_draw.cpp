#include "browser/text_draw.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ui/drawutil.h"
#include "resources/darnaview_ids.h"

namespace {

HFONT CreateBrowserFont(int height) {
    LOGFONTA lf = {};
    lf.lfHeight = height;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = DRAFT_QUALITY;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", BrowserFaceName());
    return CreateFontIndirectA(&lf);
}

// Whether the face draws any pixel for "_" at this height: some faces lose
// the thin stroke at small sizes, and a file name such as "a_b.jpg" would
// then read "a b.jpg". The answer is kept per height.
bool UnderscoreShows(HFONT font, int height) {
    static signed char known[256];   // 0 unknown, 1 shows, -1 lost
    const bool cacheable = height > 0 && height < 256;
    if (cacheable && known[height]) return known[height] > 0;
    bool shows = true;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    const int side = height > 0 && height < 200 ? height * 2 + 8 : 64;
    bi.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = side, .biHeight = -side, .biPlanes = 1,
                    .biBitCount = 32, .biCompression = BI_RGB, .biSizeImage = 0, .biXPelsPerMeter = 0,
                    .biYPelsPerMeter = 0, .biClrUsed = 0, .biClrImportant = 0};
    void* bits = nullptr;
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap) {
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, font);
        PatBlt(dc, 0, 0, side, side, WHITENESS);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, 4, 4, "_", 1);
        GdiFlush();
        shows = false;
        const uint32_t* p = (const uint32_t*)bits;
        for (int i = 0; i < side * side && !shows; ++i) shows = (p[i] & 0xFFFFFF) != 0xFFFFFF;
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
    }
    if (dc) DeleteDC(dc);
    if (cacheable) known[height] = shows ? 1 : -1;
    return shows;
}

// Draws the underscores of a text drawn at (x, y) as one-pixel lines under
// their cells, for a face that drew none.
void DrawLostUnderscores(HDC dc, int x, int y, int height, const char* text, COLORREF colour) {
    HFONT font = CreateBrowserFont(height);
    if (!font) return;
    if (!UnderscoreShows(font, height)) {
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        const int line = y + tm.tmAscent + (tm.tmDescent > 1 ? 1 : 0);
        const int n = (int)std::strlen(text);
        for (int i = 0; i < n; i += IsDBCSLeadByte((BYTE)text[i]) && i + 1 < n ? 2 : 1) {
            if (text[i] != '_') continue;
            SIZE before = {}, cell = {};
            GetTextExtentPoint32A(dc, text, i, &before);
            GetTextExtentPoint32A(dc, text + i, 1, &cell);
            if (cell.cx > 0) DrawLine(dc, x + before.cx, line, x + before.cx + cell.cx, line, colour);
        }
        SelectObject(dc, old);
    }
    DeleteObject(font);
}

}  // namespace

const char* BrowserFaceName() {
    static char face[LF_FACESIZE];
    if (!face[0] && LoadStringA(GetModuleHandleA(nullptr), IDS_BV_UIFONT, face, sizeof face) <= 0)
        std::snprintf(face, sizeof face, "%s", "MS UI Gothic");
    return face;
}

void DrawTextFit(HDC dc, int left, int top, int right, int bottom, const char* text, COLORREF colour) {
    draw_text_fit(dc, left, top, right, bottom, text, colour, BrowserFaceName(), 0, FW_NORMAL, 1);
}

void DrawTextAt(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int* endX, int* endY) {
    draw_text_at(dc, x, y, height, text, colour, endX, endY, BrowserFaceName());
    if (text && std::strchr(text, '_')) DrawLostUnderscores(dc, x, y, height, text, colour);
}

void MeasureTextSize(HDC dc, int height, const char* text, SIZE* out) {
    MeasureText(dc, BrowserFaceName(), 0, height, text, out, 0);
}
