// Stateless drawing over a device context: solid and inverting lines and
// rectangles, ellipses, the program's 3-D panels, owner-drawn buttons and check
// items, resource bitmaps and text fitted into boxes. Every function restores the
// pen, brush, font, raster operation and text alignment it changed and deletes the
// objects it made. Inverting figures drawn twice with the same arguments vanish.
#pragma once
#include <windows.h>

// Face of panels and owner-drawn buttons, and background of owner-drawn check items.
extern COLORREF PanelColour;   // 0xE3DFE0
extern COLORREF ItemColour;    // 0xDED0B9
// The answer of a panel dialog to WM_CTLCOLORSTATIC: its labels on the panel face.
HBRUSH PanelLabelBrush(HDC dc);

// Shades of a face colour, per channel: light (c + 255) / 2, dark c / 2.
COLORREF LightShade(COLORREF c);
COLORREF DarkShade(COLORREF c);

// Header of a top-down DIB of w x h pixels at the given depth, no palette.
BITMAPINFO TopDownDibInfo(int w, int h, int bitsPerPixel);

void DrawLine(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour);
void DrawXorDotLine(HDC dc, int x0, int y0, int x1, int y1);
void DrawXorStyledLine(HDC dc, int x0, int y0, int x1, int y1, int penStyle, COLORREF colour);
void DrawXorRect(HDC dc, int left, int top, int right, int bottom);
void DrawXorColourRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void DrawXorRectFrame(HDC dc, int left, int top, int right, int bottom, int count);
void DrawXorStyledRect(HDC dc, int left, int top, int right, int bottom, int penStyle);
void DrawXorStyledRectFrame(HDC dc, int left, int top, int right, int bottom, int count,
                            int penStyle);
void DrawRectOutline(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void DrawArc(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void DrawXorEllipse(HDC dc, int left, int top, int right, int bottom);
void FillEllipseColor(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void DrawRaisedEdge(HDC dc, int left, int top, int right, int bottom);
void DrawSunkenEdge(HDC dc, int left, int top, int right, int bottom);
void DrawRaisedPanel(HDC dc, int left, int top, int right, int bottom, COLORREF face, int count);
void DrawRaisedPanelThin(HDC dc, int left, int top, int right, int bottom, COLORREF face);
void DrawSunkenPanel(HDC dc, int left, int top, int right, int bottom, COLORREF face, int count);
void DrawSunkenPanelThin(HDC dc, int left, int top, int right, int bottom, COLORREF face);

// Owner-drawn controls and frames.
void DrawPanelButton(const DRAWITEMSTRUCT* item, const char* text, int ticked, int pressOffset);
void DrawCheckItem(const DRAWITEMSTRUCT* item, const char* text, int unused, int ticked);
void DrawCheckBoxItem(const DRAWITEMSTRUCT* item, const char* text, int unused, int ticked);
void PaintDialogFrame(HWND dlg);
// A dialog's whole WM_PAINT: validates the update region, then PaintDialogFrame.
void PaintDialogWithFrame(HWND dlg);
void DrawBitmapResRect(const char* name, HDC dc, int x, int y, int width, int height, DWORD rop);
void DrawBitmapRes(const char* name, HDC dc, int x, int y, DWORD rop);
// The same with the device context first.
inline void DrawBitmapResRect(HDC dc, const char* name, int x, int y, int width, int height,
                              DWORD rop) {
    DrawBitmapResRect(name, dc, x, y, width, height, rop);
}
inline void DrawBitmapRes(HDC dc, const char* name, int x, int y, DWORD rop) {
    DrawBitmapRes(name, dc, x, y, rop);
}

// Text. A null face means the interface face (string 1201, "MS UI Gothic").
void draw_text_fit(HDC dc, int left, int top, int right, int bottom, const char* text,
                   COLORREF colour, const char* face, int vertical, int weight, int centre);
int DrawTextCentred(HDC dc, int left, int top, int right, int bottom, const char* text,
                    COLORREF colour, const char* face, int vertical, int weight, int centre);
// `drawn` (optional, 260 bytes) receives the text that was finally drawn.
void DrawTextFitCut(HDC dc, int left, int top, int right, int bottom, const char* text,
                    COLORREF colour, const char* face, int vertical, int weight, int centre,
                    char* drawn = nullptr);
void draw_text_at(HDC dc, int x, int y, int height, const char* text, COLORREF colour,
                  int* endX, int* endY, const char* face = nullptr);
void DrawTextAngle(HDC dc, int x, int y, int height, const char* text, COLORREF colour,
                   int angle, const char* face);
HFONT CreateUiFont(int height);
void MeasureText(HDC dc, const char* face, int charWidth, int height, const char* text, SIZE* out,
                 int vertical);

// The font catalogue of the text tool supplies, per face, the character set and
// pitch-and-family bytes and the vertical face name ("@face" where the face has
// one). Until it registers its lookup, faces use SHIFTJIS_CHARSET and "@face".
typedef void (*FontFaceLookup)(const char* face, BYTE* charset, BYTE* pitchAndFamily,
                               char* verticalFace /* LF_FACESIZE bytes */);
void SetFontFaceLookup(FontFaceLookup lookup);

// The interface face name (string 1201, "MS UI Gothic" when the string is missing).
const char* UiFaceName();
