#include "paint/pen_panel.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/pen_engine.h"
#include "paint/brush_editor.h"
#include "paint/stamp_pages.h"

uint32_t PenPanelPos;
uint32_t PenPanelSize;
int PenLineWidth = 1;
int PenLineShape;
void (*PenChosenHook)(int record);

namespace {

constexpr char kPanelClass[] = "dra_panel_opt";
constexpr char kListClass[] = "SelPenBaseClass";
constexpr char kCellClass[] = "SelPenPenClass";
constexpr char kSizePageClass[] = "psv_pensize";
constexpr int kHeaderId = 888;
constexpr int kTabFirst = 8000;
constexpr int kListId = 100;
constexpr int kSizePageId = 101;
constexpr int kRollerPageId = 102;
constexpr int kStampPageId = 103;
constexpr COLORREF kPageColour = RGB(224, 223, 227);

int g_Tab;        // 0 brush, 1 roller, 2 fancy pen
int g_SubMode;    // 0 pen list, 1 line-width page
int g_ListScroll;
HWND g_Panel, g_SizePage;
bool g_Rewriting;

const char* const kTabCaptions[3] = {"ブラシ", "コロコロペン", "ファンシーペン"};
const char* const kTabBitmaps[3][2] = {{"pal0_tab1", "pal0_tab2"}, {"pal1_tab1", "pal1_tab2"}, {"pal2_tab1", "pal2_tab2"}};
const int kTabRects[3][2] = {{0, 64}, {64, 100}, {164, 100}};

inline int Signed16(uint32_t w, int shift) { return (int16_t)((w >> shift) & 0xFFFF); }

void Hide(HWND w) {
    if (w) MoveWindow(w, 0, 0, 0, 0, TRUE);
}

void Relayout(HWND panel) {
    RECT rc;
    GetClientRect(panel, &rc);
    int w = rc.right, h = rc.bottom;
    MoveWindow(GetDlgItem(panel, kHeaderId), 0, 0, w, 24, TRUE);
    for (int i = 0; i < 3; ++i) {
        HWND tab = GetDlgItem(panel, kTabFirst + i);
        MoveWindow(tab, kTabRects[i][0], 26, kTabRects[i][1], 24, TRUE);
        InvalidateRect(tab, nullptr, FALSE);
    }
    HWND list = GetDlgItem(panel, kListId), page = GetDlgItem(panel, kSizePageId);
    if (g_Tab == 0 && g_SubMode == 0) {
        MoveWindow(list, 0, 48, w, h - 48 < 0 ? 0 : h - 48, TRUE);
        Hide(page);
    } else if (g_Tab == 0) {
        MoveWindow(page, 0, 48, w, h - 40 < 0 ? 0 : h - 40, TRUE);
        Hide(list);
    } else {
        Hide(list);
        Hide(page);
    }
    HWND roller = GetDlgItem(panel, kRollerPageId), stamps = GetDlgItem(panel, kStampPageId);
    int pageHeight = h - 48 < 0 ? 0 : h - 48;
    if (g_Tab == 1) MoveWindow(roller, 0, 48, w, pageHeight, TRUE);
    else Hide(roller);
    if (g_Tab == 2) MoveWindow(stamps, 0, 48, w, pageHeight, TRUE);
    else Hide(stamps);
}

void DrawTab(const DRAWITEMSTRUCT* item) {
    int i = (int)item->CtlID - kTabFirst;
    if (i < 0 || i > 2) return;
    bool current = i == g_Tab;
    const RECT& r = item->rcItem;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, current ? RGB(68, 142, 255) : kPageColour);
    DrawBitmapRes(kTabBitmaps[i][current ? 0 : 1], item->hDC, 0, 0, SRCCOPY);
    draw_text_fit(item->hDC, r.left + 4, r.top + 2, r.right, r.bottom - 4, kTabCaptions[i],
                  current ? RGB(255, 255, 255) : RGB(128, 128, 128), nullptr, 0, FW_NORMAL, 0);
}

// Header item 888: the panel's name on a ramp from blue toward white.
void DrawHeader(const DRAWITEMSTRUCT* item) {
    const RECT& r = item->rcItem;
    int w = r.right - r.left;
    for (int x = 0; x < w; ++x) {
        int k = w > 0 ? 128 * x / w : 0;
        COLORREF c = RGB(68 + (255 - 68) * k / 255, 142 + (255 - 142) * k / 255, 255);
        FillRectColor(item->hDC, r.left + x, r.top, r.left + x + 1, r.bottom, c);
    }
    draw_text_fit(item->hDC, r.left + 4, r.top + 2, r.right, r.bottom - 2, "ペン", RGB(255, 255, 255), nullptr, 0,
                  FW_NORMAL, 0);
}

void PaintPanel(HWND panel) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT rc;
    GetClientRect(panel, &rc);
    FillRectColor(dc, 0, 24, rc.right, 48, kPageColour);
    EndPaint(panel, &ps);
}

LRESULT CALLBACK PanelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        g_Panel = wnd;
        HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0, 0, wnd,
                        (HMENU)(INT_PTR)kHeaderId, inst, nullptr);
        for (int i = 0; i < 3; ++i)
            CreateWindowExA(0, "button", kTabCaptions[i], WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_OWNERDRAW, 0,
                            0, 0, 0, wnd, (HMENU)(INT_PTR)(kTabFirst + i), inst, nullptr);
        SetPenPanelCaption(wnd);
        CreateWindowExA(0, kListClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 0, 0, wnd,
                        (HMENU)(INT_PTR)kListId, inst, nullptr);
        RegisterStampPageClasses(inst);
        CreateWindowExA(0, "KoroSelBaseClass", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 0, 0,
                        wnd, (HMENU)(INT_PTR)kRollerPageId, inst, nullptr);
        CreateWindowExA(0, "TexSelBaseClass", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 0, 0,
                        wnd, (HMENU)(INT_PTR)kStampPageId, inst, nullptr);
        g_SizePage = CreateWindowExA(0, kSizePageClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, wnd,
                                     (HMENU)(INT_PTR)kSizePageId, inst, nullptr);
        if (!(GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD) && PenPanelSize) {
            RECT r = UnpackPenPanelRect(PenPanelPos, PenPanelSize, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN));
            MoveWindow(wnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        }
        return 0;
    }
    case WM_SIZE:
        Relayout(wnd);
        return 0;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO*)lp)->ptMinTrackSize = {128, 64};
        return 0;
    case WM_PAINT:
        PaintPanel(wnd);
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == kHeaderId) DrawHeader(item);
        else DrawTab(item);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id >= kTabFirst && id < kTabFirst + 3) {
            g_Tab = id - kTabFirst;
            Relayout(wnd);
        }
        return 0;
    }
    case kPenPanelSubMode:
        if ((int)wp != g_SubMode) {
            g_SubMode = (int)wp ? 1 : 0;
            Relayout(wnd);
        }
        return 0;
    case WM_DESTROY: {
        RECT r;
        if (GetWindowRect(wnd, &r)) {
            PenPanelPos = PackPenPanelWords(r.left, r.top);
            PenPanelSize = PackPenPanelWords(r.right - r.left, r.bottom - r.top);
        }
        if (g_Panel == wnd) g_Panel = nullptr;
        g_SizePage = nullptr;
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// ---- pen list ----

void PlaceCells(HWND list) {
    RECT rc;
    GetClientRect(list, &rc);
    PenListLayout l = ComputePenListLayout(rc.right, rc.bottom, g_ListScroll);
    g_ListScroll = l.scroll;
    for (int i = 0; i < kPenListCells; ++i)
        MoveWindow(GetDlgItem(list, i), (i % l.columns) * kPenCellSize + 5,
                   (i / l.columns - l.scroll) * kPenCellSize + 4, kPenCellSize, kPenCellSize, TRUE);
    SetupScrollBar(list, SB_VERT, 0, l.rows, l.visibleRows, l.scroll);
}

void ScrollList(HWND list, int code) {
    RECT rc;
    GetClientRect(list, &rc);
    PenListLayout l = ComputePenListLayout(rc.right, rc.bottom, g_ListScroll);
    int max = l.rows - l.visibleRows < 0 ? 0 : l.rows - l.visibleRows;
    int pos = l.scroll;
    switch (code) {
    case SB_LINEUP: pos -= 1; break;
    case SB_LINEDOWN: pos += 1; break;
    case SB_PAGEUP: pos -= 4; break;
    case SB_PAGEDOWN: pos += 4; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = max; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(list, SB_VERT, &si);
        pos = si.nTrackPos;
        break;
    }
    default: return;
    }
    if (pos > max) pos = max;
    if (pos < 0) pos = 0;
    if (pos == g_ListScroll) return;
    g_ListScroll = pos;
    PlaceCells(list);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

LRESULT CALLBACK SelPenBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        for (int i = 0; i < kPenListCells; ++i)
            CreateWindowExA(0, kCellClass, "", WS_CHILD | WS_VISIBLE, 0, 0, kPenCellSize, kPenCellSize, wnd,
                            (HMENU)(INT_PTR)i, inst, nullptr);
        return 0;
    }
    case WM_SIZE:
        PlaceCells(wnd);
        return 0;
    case WM_VSCROLL:
        ScrollList(wnd, LOWORD(wp));
        return 0;
    case WM_ERASEBKGND: {
        if (GetClassLongPtrA(wnd, GCLP_HBRBACKGROUND)) break;   // the class's own background
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRectColor((HDC)wp, 0, 0, rc.right, rc.bottom, kPageColour);
        return 1;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

namespace {

// The cell's picture of stored pen i: the tip in grey (edge pens in their
// edge colour with the inner tip darkened).
void PaintCell(HWND cell, HDC dc) {
    int i = GetDlgCtrlID(cell);
    RECT rc;
    GetClientRect(cell, &rc);
    FillRectColor(dc, 0, 0, rc.right, rc.bottom, RGB(255, 255, 255));
    DrawRectOutline(dc, 0, 0, rc.right, rc.bottom, RGB(0, 0, 0));
    if (i < 0 || i >= kPenRecordCount) return;
    const PenRecord& r = PenRecords[i];
    PenTipBlock saved = Pen.tip;
    Pen.tip.planes[0] = Pen.tip.planes[1] = nullptr;
    Pen.tip.hRadius = r.halfWidth;
    Pen.tip.vRadius = r.halfHeight;
    Pen.tip.tipShape = TipShape[r.tipKind < 0 ? 0 : r.tipKind > 6 ? 6 : r.tipKind];
    Pen.tip.angle = 0;
    RenderPenTip(0);
    DibImage* high = Pen.tip.planes[0];
    if (high) {
        DibImage* picture = c_DibImageOps::Create(high->width, high->height, 32);
        bool edge = Pen.tip.tipShape == kShapeEdgePen;
        if (picture) {
            std::vector<uint8_t> row(high->width);
            std::vector<uint32_t> out(high->width);
            for (int y = 0; y < high->height; ++y) {
                c_DibImageOps::GetRow8(high, y, 0, high->width - 1, row.data());
                for (int x = 0; x < high->width; ++x) {
                    int t = row[x];
                    int ch[3];
                    for (int k = 0; k < 3; ++k) {
                        int v = edge ? (255 - t) + ProductTable[t][r.edgeColour[k]] : 255 - (2 * t > 255 ? 255 : 2 * t);
                        ch[k] = v > 255 ? 255 : v;
                    }
                    out[x] = MakeWord(ch[0], ch[1], ch[2]);
                }
                c_DibImageOps::PutRow32(picture, y, 0, high->width - 1, out.data());
            }
            if (edge) {
                // The inner pass at 80 percent, darkening toward black.
                FreePenTip();
                Pen.tip.hRadius = r.halfWidth * 0.8;
                Pen.tip.vRadius = r.halfHeight * 0.8;
                RenderPenTip(0);
                DibImage* inner = Pen.tip.planes[0];
                if (inner) {
                    int ox = (picture->width - inner->width) / 2, oy = (picture->height - inner->height) / 2;
                    std::vector<uint8_t> irow(inner->width);
                    for (int y = 0; y < inner->height; ++y) {
                        c_DibImageOps::GetRow8(inner, y, 0, inner->width - 1, irow.data());
                        c_DibImageOps::GetRow32(picture, y + oy, 0, picture->width - 1, out.data());
                        for (int x = 0; x < inner->width; ++x) {
                            uint32_t& w = out[x + ox];
                            int f = 255 - irow[x];
                            w = MakeWord(ProductTable[WordR(w)][f], ProductTable[WordG(w)][f], ProductTable[WordB(w)][f]);
                        }
                        c_DibImageOps::PutRow32(picture, y + oy, 0, picture->width - 1, out.data());
                    }
                }
            }
            c_DibImageOps::DrawCentred(dc, picture, 0, 0, rc.right, rc.bottom);
            c_DibImageOps::Free(&picture);
        }
    }
    FreePenTip();
    Pen.tip = saved;
    if (i == Pen.penRecord) DrawXorStyledRectFrame(dc, 1, 1, rc.right - 1, rc.bottom - 1, 2, PS_DOT);
    char label[32];
    PenCellLabel(i, label, sizeof label);
    if (label[0]) {
        draw_text_at(dc, 2, rc.bottom - 12, 10, label, RGB(255, 255, 255), nullptr, nullptr);
        draw_text_at(dc, 1, rc.bottom - 11, 10, label, RGB(0, 0, 0), nullptr, nullptr);
    }
}

void ChoosePen(HWND cell) {
    int i = GetDlgCtrlID(cell);
    int old = Pen.penRecord;
    if (c_PenEngine::GetPenKind() != 4) c_PenWriter::FreeBrushImages(0, 0);
    Pen.penRecord = i;
    HWND list = GetParent(cell);
    if (HWND oldCell = GetDlgItem(list, old)) InvalidateRect(oldCell, nullptr, FALSE);
    InvalidateRect(cell, nullptr, FALSE);
    BuildPenTip(0, 1);
    if (PenChosenHook) PenChosenHook(i);
}

// Right click or double click: the brush editor on the cell's pen.
void EditPen(HWND cell, bool marked) {
    int i = GetDlgCtrlID(cell);
    if (marked) {
        RECT rc;
        GetClientRect(cell, &rc);
        HDC dc = GetDC(cell);
        DrawXorRect(dc, 0, 0, rc.right, rc.bottom);
        while (IsRightButtonDown()) {
        }
        DrawXorRect(dc, 0, 0, rc.right, rc.bottom);
        ReleaseDC(cell, dc);
    }
    HWND frame = GetMessageBoxOwner();
    if (frame) EnableWindow(frame, FALSE);
    int ok = ShowPenEditDialog(frame ? frame : cell, i);
    if (frame) EnableWindow(frame, TRUE);
    if (!ok) return;
    InvalidateRect(cell, nullptr, FALSE);
    if (i == Pen.penRecord) BuildPenTip(0, 1);
}

}  // namespace

LRESULT CALLBACK SelPenPenWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintCell(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        ChoosePen(wnd);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        EditPen(wnd, msg == WM_RBUTTONDOWN);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

namespace {

// ---- line-width page ----

enum : int {
    kSizeLabel = 100,
    kSizeField = 101,
    kSizeSpin = 102,
    kShapeLabel = 103,
    kShapeRound = 110,
    kShapeSquare = 111,
};

LRESULT CALLBACK SizePageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        auto child = [&](const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
            return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, wnd, (HMENU)(INT_PTR)id,
                                   inst, nullptr);
        };
        child("static", "", SS_OWNERDRAW, kSizeLabel, 2, 4, 72, 16);
        HWND field = child("edit", "", ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER, kSizeField, 74, 4, 32, 16);
        child(UPDOWN_CLASSA, "", 0, kSizeSpin, 106, 4, 8, 16);
        child("static", "", SS_OWNERDRAW, kShapeLabel, 134, 4, 24, 16);
        child("button", "", BS_OWNERDRAW, kShapeRound, 178, 4, 16, 16);
        child("button", "", BS_OWNERDRAW, kShapeSquare, 198, 4, 16, 16);
        g_Rewriting = true;
        SetWindowInt(field, PenLineWidth);
        g_Rewriting = false;
        return 0;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id == kSizeField && HIWORD(wp) == EN_CHANGE && !g_Rewriting) {
            ReadDlgItemInt(wnd, kSizeField, &PenLineWidth, 100, 1);
        } else if (id == kShapeRound || id == kShapeSquare) {
            PenLineShape = id == kShapeRound ? 0 : 1;
            InvalidateRect(GetDlgItem(wnd, kShapeRound), nullptr, FALSE);
            InvalidateRect(GetDlgItem(wnd, kShapeSquare), nullptr, FALSE);
        }
        return 0;
    }
    case WM_NOTIFY: {
        const NMUPDOWN* n = (const NMUPDOWN*)lp;
        if (n->hdr.idFrom == kSizeSpin && n->hdr.code == UDN_DELTAPOS) {
            g_Rewriting = true;
            SpinDlgItemInt(wnd, kSizeField, &PenLineWidth, 100, 1, n->iDelta < 0 ? 0 : 1);
            g_Rewriting = false;
            return 1;
        }
        return 0;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        const RECT& r = item->rcItem;
        FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, kPageColour);
        if (item->CtlID == kSizeLabel || item->CtlID == kShapeLabel) {
            draw_text_at(item->hDC, 2, 2, 12, item->CtlID == kSizeLabel ? "線の太さ" : "形状", RGB(128, 128, 128),
                         nullptr, nullptr);
        } else {
            int shape = item->CtlID == kShapeRound ? 0 : 1;
            int push = shape == PenLineShape || (item->itemState & ODS_SELECTED) ? 1 : 0;
            DrawBitmapRes(shape == 0 ? "p_c" : "p_b", item->hDC, push, push, SRCCOPY);
            if (shape == 0)
                FillEllipseColor(item->hDC, 3 + push, 3 + push, 13 + push, 13 + push, RGB(64, 64, 64));
            else
                FillRectColor(item->hDC, 3 + push, 3 + push, 13 + push, 13 + push, RGB(64, 64, 64));
        }
        return TRUE;
    }
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRectColor((HDC)wp, 0, 0, rc.right, rc.bottom, kPageColour);
        DrawLine((HDC)wp, 0, 0, rc.right, 0, RGB(255, 255, 255));
        DrawLine((HDC)wp, 0, rc.bottom - 1, rc.right, rc.bottom - 1, RGB(255, 255, 255));
        return 1;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

void RegisterPenPanelClasses(HINSTANCE instance) {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    struct {
        const char* name;
        WNDPROC proc;
    } classes[] = {{kPanelClass, PanelProc}, {kListClass, SelPenBaseWndProc}, {kCellClass, SelPenPenWndProc},
                   {kSizePageClass, SizePageProc}};
    for (const auto& c : classes) {
        WNDCLASSA existing;
        if (GetClassInfoA(instance, c.name, &existing)) continue;
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = c.proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = c.name;
        RegisterClassA(&wc);
    }
}

HWND CreatePenOptionPanel(HWND parent) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    RegisterPenPanelClasses(inst);
    DWORD style = (parent ? WS_CHILD : WS_OVERLAPPEDWINDOW) | WS_VISIBLE | WS_CLIPCHILDREN;
    return CreateWindowExA(0, kPanelClass, "ペン", style, 0, 0, 240, 320, parent, nullptr, inst, nullptr);
}

RECT UnpackPenPanelRect(uint32_t pos, uint32_t size, int screenWidth, int screenHeight) {
    int left = Signed16(pos, 0), top = Signed16(pos, 16);
    int width = Signed16(size, 0), height = Signed16(size, 16);
    if (left + width > screenWidth) left = screenWidth - width;
    if (top > screenHeight - 64) top = screenHeight - 64;
    return {left, top, left + width, top + height};
}

uint32_t PackPenPanelWords(int low, int high) { return ((uint32_t)(uint16_t)high << 16) | (uint16_t)low; }

void RefreshPenSizeField() {
    if (!g_SizePage) return;
    HWND field = GetDlgItem(g_SizePage, kSizeField);
    char text[32], want[32];
    GetWindowTextA(field, text, sizeof text);
    std::snprintf(want, sizeof want, "%d", PenLineWidth);
    if (std::strcmp(text, want) == 0) return;
    g_Rewriting = true;
    SetWindowTextA(field, want);
    g_Rewriting = false;
}

void SetPenPanelCaption(HWND wnd) { SetWindowTextA(wnd, "ペン"); }

int PenPanelTab() { return g_Tab; }
int PenPanelSubModeValue() { return g_SubMode; }

PenListLayout ComputePenListLayout(int width, int height, int scroll) {
    PenListLayout l;
    l.columns = width / kPenCellSize < 1 ? 1 : width / kPenCellSize;
    l.rows = (kPenListCells + l.columns - 1) / l.columns;
    l.visibleRows = height / kPenCellSize;
    int max = l.rows - l.visibleRows < 0 ? 0 : l.rows - l.visibleRows;
    l.scroll = scroll < 0 ? 0 : scroll > max ? max : scroll;
    return l;
}

void PenCellLabel(int record, char* text, int size) {
    text[0] = 0;
    if (record < 0 || record >= kPenRecordCount) return;
    const PenRecord& r = PenRecords[record];
    double larger = r.halfWidth > r.halfHeight ? r.halfWidth : r.halfHeight;
    if (larger * 5 <= kPenCellSize * 3) return;
    std::snprintf(text, size, "%d x %d", (int)(2 * r.halfWidth + 1), (int)(2 * r.halfHeight + 1));
}
