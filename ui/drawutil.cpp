#include "ui/drawutil.h"

#include <cstdio>
#include <cstring>

#include "ui/sysutil.h"

COLORREF PanelColour = 0xE3DFE0;
COLORREF ItemColour = 0xDED0B9;

namespace {

constexpr UINT kUiFaceStringId = 1201;
FontFaceLookup g_fontLookup = nullptr;

// A GDI object this function made: deleted when the scope ends (after the
// selection below it in the scope has been undone).
struct Owned {
    HGDIOBJ h;
    explicit Owned(HGDIOBJ o) : h(o) {}
    ~Owned() {
        if (h) DeleteObject(h);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

// Selects an object into the context and selects the previous one back.
struct Select {
    HDC dc;
    HGDIOBJ old;
    Select(HDC d, HGDIOBJ o) : dc(d), old(o ? SelectObject(d, o) : nullptr) {}
    ~Select() {
        if (old) SelectObject(dc, old);
    }
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;
};

// The raster operation of a figure; put back to R2_COPYPEN afterwards.
struct Rop {
    HDC dc;
    Rop(HDC d, int rop) : dc(d) { SetROP2(d, rop); }
    ~Rop() { SetROP2(dc, R2_COPYPEN); }
};

// Transparent background and text colour for text and styled lines, restored.
struct TextMode {
    HDC dc;
    int bk;
    COLORREF colour;
    TextMode(HDC d, COLORREF c) : dc(d), bk(SetBkMode(d, TRANSPARENT)), colour(SetTextColor(d, c)) {}
    ~TextMode() {
        SetBkMode(dc, bk);
        SetTextColor(dc, colour);
    }
};

void RectPath(HDC dc, int left, int top, int right, int bottom) {
    MoveToEx(dc, left, top, nullptr);
    LineTo(dc, right, top);
    LineTo(dc, right, bottom);
    LineTo(dc, left, bottom);
    LineTo(dc, left, top);
}

int Channel(COLORREF c, int shift) { return (int)((c >> shift) & 0xFF); }

COLORREF Lighten(COLORREF c, int by) {
    int r = Channel(c, 0) + by, g = Channel(c, 8) + by, b = Channel(c, 16) + by;
    return RGB(r > 255 ? 255 : r, g > 255 ? 255 : g, b > 255 ? 255 : b);
}

// A font of the face built from the stock system font's logical font.
HFONT BuildFont(const char* face, int height, int width, int escapement, int weight,
                bool setWeight, bool vertical) {
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    if (!face) face = UiFaceName();
    lf.lfHeight = height;
    lf.lfWidth = width > 0 ? width : 0;
    lf.lfEscapement = escapement;
    if (setWeight) lf.lfWeight = weight;
    lf.lfQuality = DRAFT_QUALITY;
    BYTE charset = SHIFTJIS_CHARSET, pitch = lf.lfPitchAndFamily;
    char verticalFace[LF_FACESIZE];
    std::snprintf(verticalFace, sizeof verticalFace, "@%s", face);
    if (g_fontLookup) g_fontLookup(face, &charset, &pitch, verticalFace);
    verticalFace[LF_FACESIZE - 1] = '\0';
    lf.lfCharSet = charset;
    lf.lfPitchAndFamily = pitch;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", vertical ? verticalFace : face);
    return CreateFontIndirectA(&lf);
}

void TextAt(HDC dc, int x, int y, const char* text, HFONT font, COLORREF colour) {
    Owned owned(font);
    Select sel(dc, font);
    TextMode mode(dc, colour);
    TextOutA(dc, x, y, text, (int)std::strlen(text));
}

}  // namespace

HBRUSH PanelLabelBrush(HDC dc) {
    SetBkColor(dc, PanelColour);
    SetDCBrushColor(dc, PanelColour);
    return (HBRUSH)GetStockObject(DC_BRUSH);
}

BITMAPINFO TopDownDibInfo(int w, int h, int bitsPerPixel) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = (WORD)bitsPerPixel;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

COLORREF LightShade(COLORREF c) {
    return RGB((Channel(c, 0) + 255) / 2, (Channel(c, 8) + 255) / 2, (Channel(c, 16) + 255) / 2);
}

COLORREF DarkShade(COLORREF c) { return RGB(Channel(c, 0) / 2, Channel(c, 8) / 2, Channel(c, 16) / 2); }

void SetFontFaceLookup(FontFaceLookup lookup) { g_fontLookup = lookup; }

const char* UiFaceName() {
    static char face[LF_FACESIZE];
    if (LoadStringA(GetModuleHandleA(nullptr), kUiFaceStringId, face, sizeof face) <= 0)
        std::strcpy(face, "MS UI Gothic");
    return face;
}

void DrawLine(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    Owned owned(pen);
    Select sel(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void DrawXorDotLine(HDC dc, int x0, int y0, int x1, int y1) {
    HPEN pen = CreatePen(PS_DOT, 0, RGB(0, 0, 0));
    Owned owned(pen);
    Select sel(dc, pen);
    TextMode mode(dc, GetTextColor(dc));   // the gaps stay untouched
    Rop rop(dc, R2_NOT);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void DrawXorStyledLine(HDC dc, int x0, int y0, int x1, int y1, int penStyle, COLORREF colour) {
    HPEN pen = CreatePen(penStyle, 1, colour);
    Owned owned(pen);
    Select sel(dc, pen);
    TextMode mode(dc, GetTextColor(dc));
    Rop rop(dc, R2_NOTXORPEN);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void DrawXorRect(HDC dc, int left, int top, int right, int bottom) {
    Rop rop(dc, R2_NOT);
    RectPath(dc, left, top, right, bottom);
}

void DrawXorColourRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    Owned owned(pen);
    Select sel(dc, pen);
    Rop rop(dc, R2_NOTXORPEN);
    RectPath(dc, left, top, right, bottom);
}

void DrawXorRectFrame(HDC dc, int left, int top, int right, int bottom, int count) {
    for (int i = 0; i < count; ++i) DrawXorRect(dc, left + i, top + i, right - i, bottom - i);
}

void DrawXorStyledRect(HDC dc, int left, int top, int right, int bottom, int penStyle) {
    HPEN pen = CreatePen(penStyle, 1, RGB(0, 0, 0));
    Owned owned(pen);
    Select sel(dc, pen);
    TextMode mode(dc, GetTextColor(dc));
    Rop rop(dc, R2_NOTXORPEN);
    RectPath(dc, left, top, right, bottom);
}

void DrawXorStyledRectFrame(HDC dc, int left, int top, int right, int bottom, int count,
                            int penStyle) {
    for (int i = 0; i < count; ++i)
        DrawXorStyledRect(dc, left + i, top + i, right - i, bottom - i, penStyle);
}

void DrawRectOutline(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    DrawLine(dc, left, top, right, top, colour);
    DrawLine(dc, left, top, left, bottom, colour);
    DrawLine(dc, left, bottom, right, bottom, colour);
    DrawLine(dc, right, top, right, bottom, colour);
    SetPixel(dc, right, bottom, colour);
}

void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r = {left, top, right, bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void DrawArc(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    Owned owned(pen);
    Select sel(dc, pen);
    Arc(dc, left, top, right, bottom, left, top, left, top);
}

void DrawXorEllipse(HDC dc, int left, int top, int right, int bottom) {
    Rop rop(dc, R2_NOT);
    Arc(dc, left, top, right, bottom, left, top, left, top);
}

void FillEllipseColor(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    Owned owned(brush);
    Select sel(dc, brush);
    Ellipse(dc, left, top, right, bottom);
}

void DrawRaisedEdge(HDC dc, int left, int top, int right, int bottom) {
    MoveToEx(dc, right, top, nullptr);
    {
        Select sel(dc, GetStockObject(WHITE_PEN));
        LineTo(dc, left, top);
        LineTo(dc, left, bottom);
    }
    LineTo(dc, right, bottom);
    LineTo(dc, right, top);
}

void DrawSunkenEdge(HDC dc, int left, int top, int right, int bottom) {
    MoveToEx(dc, right, top, nullptr);
    LineTo(dc, left, top);
    LineTo(dc, left, bottom);
    Select sel(dc, GetStockObject(WHITE_PEN));
    LineTo(dc, right, bottom);
    LineTo(dc, right, top);
}

void DrawRaisedPanel(HDC dc, int left, int top, int right, int bottom, COLORREF face, int count) {
    FillRectColor(dc, left, top, right, bottom, face);
    COLORREF light = LightShade(face), dark = DarkShade(face);
    for (int i = 0; i < count; ++i) {
        int L = left + i, T = top + i, R = right - i, B = bottom - i;
        DrawLine(dc, L, T, R, T, light);
        DrawLine(dc, L, B, R, B, dark);
        DrawLine(dc, L, T, L, B, light);
        DrawLine(dc, R, T, R, B, dark);
    }
}

void DrawRaisedPanelThin(HDC dc, int left, int top, int right, int bottom, COLORREF face) {
    DrawRaisedPanel(dc, left, top, right, bottom, face, 1);
}

void DrawSunkenPanel(HDC dc, int left, int top, int right, int bottom, COLORREF face, int count) {
    FillRectColor(dc, left, top, right, bottom, face);
    COLORREF light = LightShade(face), dark = DarkShade(face);
    for (int i = 0; i < count; ++i) {
        int L = left + i, T = top + i, R = right - i, B = bottom - i;
        DrawLine(dc, L, T, R, T, dark);
        DrawLine(dc, L, B, R + 1, B, light);
        DrawLine(dc, L, T, L, B, dark);
        DrawLine(dc, R, T, R, B, light);
    }
}

void DrawSunkenPanelThin(HDC dc, int left, int top, int right, int bottom, COLORREF face) {
    DrawSunkenPanel(dc, left, top, right, bottom, face, 1);
}

void DrawPanelButton(const DRAWITEMSTRUCT* item, const char* text, int ticked, int pressOffset) {
    if (!item) return;
    HDC dc = item->hDC;
    const RECT& rc = item->rcItem;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int o = ((item->itemState & ODS_SELECTED) && pressOffset) ? 2 : 0;
    if (ticked)
        DrawSunkenPanel(dc, o, o, w - 1, h - 1, Lighten(PanelColour, 20), 2);
    else
        DrawRaisedPanel(dc, o, o, w - 1, h - 1, PanelColour, 2);
    if (text)
        draw_text_fit(dc, rc.left + o + 4, rc.top + o + 4, rc.right + o - 4, rc.bottom + o - 4, text,
                      RGB(0, 0, 0), nullptr, 0, 0, 0);
}

void DrawCheckItem(const DRAWITEMSTRUCT* item, const char* text, int, int ticked) {
    if (!item) return;
    HDC dc = item->hDC;
    const RECT& rc = item->rcItem;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    FillRectColor(dc, 0, 0, w, h, ItemColour);
    DrawBitmapRes(ticked ? "check" : "check_", dc, 2, (h - 16) / 2, SRCCOPY);
    if (text)
        draw_text_fit(dc, rc.left + 24, rc.top + 4, rc.right - 4, rc.bottom - 4, text, RGB(0, 0, 0),
                      nullptr, 0, 0, 0);
    if (item->itemState & ODS_SELECTED) DrawXorRect(dc, 0, 0, w - 1, h - 1);
}

void DrawCheckBoxItem(const DRAWITEMSTRUCT* item, const char* text, int, int ticked) {
    if (!item) return;
    HDC dc = item->hDC;
    const RECT& rc = item->rcItem;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    FillRectColor(dc, 0, 0, w, h, ItemColour);
    int f = (h - 16) / 2;
    DrawSunkenPanel(dc, 2, f, 18, f + 16, RGB(255, 255, 255), 2);
    if (ticked) {
        DrawLine(dc, 4, f + 2, 16, f + 14, RGB(0, 0, 0));
        DrawLine(dc, 4, f + 14, 16, f + 2, RGB(0, 0, 0));
    }
    if (text)
        draw_text_fit(dc, rc.left + 24, rc.top + 4, rc.right - 4, rc.bottom - 4, text, RGB(0, 0, 0),
                      nullptr, 0, 0, 0);
    if (item->itemState & ODS_SELECTED) DrawXorRect(dc, 0, 0, w - 1, h - 1);
}

void PaintDialogFrame(HWND dlg) {
    RECT rc;
    if (!GetClientRect(dlg, &rc)) return;
    HDC dc = GetDC(dlg);
    if (!dc) return;
    int w = rc.right, h = rc.bottom;
    DrawRectOutline(dc, 1, 1, w - 2, h - 2, 0x666666);
    SetPixel(dc, w - 2, h - 2, 0x666666);
    DrawLine(dc, 1, 1, w, 1, 0xFFFFFA);
    DrawLine(dc, 1, 1, 1, h, 0xFFFFFA);
    ReleaseDC(dlg, dc);
}

void PaintDialogWithFrame(HWND dlg) {
    PAINTSTRUCT ps;
    BeginPaint(dlg, &ps);
    EndPaint(dlg, &ps);
    PaintDialogFrame(dlg);
}

void DrawBitmapResRect(const char* name, HDC dc, int x, int y, int width, int height, DWORD rop) {
    if (!name) return;
    HBITMAP bmp = LoadBitmapA(GetModuleHandleA(nullptr), name);
    if (!bmp) return;
    Owned ownedBmp(bmp);
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) return;
    {
        Select sel(mem, bmp);
        BitBlt(dc, x, y, width, height, mem, 0, 0, rop);
    }
    DeleteDC(mem);
}

void DrawBitmapRes(const char* name, HDC dc, int x, int y, DWORD rop) {
    if (!name) return;
    HBITMAP bmp = LoadBitmapA(GetModuleHandleA(nullptr), name);
    if (!bmp) return;
    BITMAP bm = {};
    GetObjectA(bmp, sizeof bm, &bm);
    DeleteObject(bmp);
    DrawBitmapResRect(name, dc, x, y, bm.bmWidth, bm.bmHeight, rop);
}

HFONT CreateUiFont(int height) { return BuildFont(nullptr, height, 0, 0, 0, false, false); }

void MeasureText(HDC dc, const char* face, int charWidth, int height, const char* text, SIZE* out,
                 int vertical) {
    if (!out) return;
    out->cx = out->cy = 0;
    if (!text || !*text) return;
    HFONT font = BuildFont(face, height, charWidth, 0, 0, false, false);
    Owned owned(font);
    Select sel(dc, font);
    SIZE s = {0, 0};
    GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &s);
    if (vertical) {
        out->cx = s.cy;
        out->cy = s.cx;
    } else {
        *out = s;
    }
}

void draw_text_fit(HDC dc, int left, int top, int right, int bottom, const char* text,
                   COLORREF colour, const char* face, int vertical, int weight, int centre) {
    if (!text || !*text) return;
    int w = right - left, h = bottom - top;
    int n = (int)std::strlen(text);
    int avail = vertical ? h : w;
    SIZE s;
    MeasureText(dc, face, 0, h, text, &s, vertical);
    int extent = vertical ? s.cy : s.cx;
    int offset, charWidth;
    if (extent < avail) {
        offset = (avail - extent) / 2;
        charWidth = 0;
    } else {
        charWidth = avail / n;
        for (;;) {
            MeasureText(dc, face, charWidth, h, text, &s, vertical);
            extent = vertical ? s.cy : s.cx;
            offset = (avail - extent) / 2;
            if (extent < avail) break;
            if (charWidth <= 1) {
                --charWidth;
                break;
            }
            --charWidth;
        }
    }
    if (!centre) offset = 0;
    if (charWidth < 0) charWidth = 0;   // no width fits: natural width
    if (!vertical) {
        int width = h / 2 < charWidth ? h / 2 : charWidth;
        TextAt(dc, left + offset, top, text, BuildFont(face, h, width, 0, weight, true, false),
               colour);
    } else {
        TextAt(dc, left + w, top + offset, text,
               BuildFont(face, w, charWidth, 2700, weight, true, true), colour);
    }
}

int DrawTextCentred(HDC dc, int left, int top, int right, int bottom, const char* text,
                    COLORREF colour, const char* face, int vertical, int weight, int centre) {
    if (!text || !*text) return 1;
    int w = right - left, h = bottom - top;
    SIZE s;
    MeasureText(dc, face, 0, h, text, &s, vertical);
    if (!vertical) {
        if (s.cx >= w) return 0;
        int offset = centre ? (w - s.cx) / 2 : 0;
        TextAt(dc, left + offset, top + (h - s.cy) / 2, text,
               BuildFont(face, h, 0, 0, weight, true, false), colour);
    } else {
        if (s.cy >= h) return 0;
        int offset = centre ? (h - s.cy) / 2 : 0;
        TextAt(dc, right + (w - s.cx) / 2, top + offset, text,
               BuildFont(face, w, 0, 2700, weight, true, true), colour);
    }
    return 1;
}

void DrawTextFitCut(HDC dc, int left, int top, int right, int bottom, const char* text,
                    COLORREF colour, const char* face, int vertical, int weight, int centre,
                    char* drawn) {
    if (drawn) drawn[0] = '\0';
    if (!text) return;
    char base[MAX_PATH];
    std::snprintf(base, sizeof base, "%s", text);
    // Keep the working copy free of a half character at its end.
    size_t len = 0;
    for (size_t i = 0; base[i];) {
        size_t step = IsSjisLead((unsigned char)base[i]) ? (base[i + 1] ? 2 : 0) : 1;
        if (step == 0) break;
        i += step;
        len = i;
    }
    base[len] = '\0';
    if (DrawTextCentred(dc, left, top, right, bottom, base, colour, face, vertical, weight, centre)) {
        if (drawn) std::strcpy(drawn, base);
        return;
    }
    char work[MAX_PATH + 4];
    while (len > 0) {
        // Find the start of the last character.
        size_t last = 0;
        for (size_t i = 0; i < len;) {
            last = i;
            i += IsSjisLead((unsigned char)base[i]) ? 2 : 1;
        }
        len = last;
        base[len] = '\0';
        std::snprintf(work, sizeof work, "%s...", base);
        if (DrawTextCentred(dc, left, top, right, bottom, work, colour, face, vertical, weight,
                            centre)) {
            if (drawn) std::strcpy(drawn, work);
            return;
        }
    }
}

void draw_text_at(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int* endX,
                  int* endY, const char* face) {
    if (endX) *endX = x;
    if (endY) *endY = y;
    if (!text || !*text) return;
    HFONT font = BuildFont(face, height, 0, 0, 0, false, false);
    Owned owned(font);
    Select sel(dc, font);
    TextMode mode(dc, colour);
    MoveToEx(dc, x, y, nullptr);
    SetTextAlign(dc, TA_UPDATECP);
    TextOutA(dc, 0, 0, text, (int)std::strlen(text));
    POINT p;
    GetCurrentPositionEx(dc, &p);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    if (endX) *endX = p.x;
    if (endY) *endY = p.y;
}

void DrawTextAngle(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int angle,
                   const char* face) {
    if (!text || !*text) return;
    HFONT font = BuildFont(face, height, 0, angle * 10, 0, false, false);
    Owned owned(font);
    Select sel(dc, font);
    TextMode mode(dc, colour);
    MoveToEx(dc, x, y, nullptr);
    SetTextAlign(dc, TA_UPDATECP);
    TextOutA(dc, 0, 0, text, (int)std::strlen(text));
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
}
