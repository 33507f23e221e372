// The text dialog (psv_text): the preview (TextViewClass) on the left and the
// panel psv_textbase on the right with the text, the two faces, the style and
// frame lists, the shadow, frame and backing groups, and a 200 ms timer that
// renders the preview again and keeps the text to six lines of 40 bytes.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "canvas/canv_doc.h"
#include "image/c_dib.h"
#include "image/vms_store.h"
#include "paint/brush_editor.h"
#include "paint/canvas_pen.h"
#include "paint/pen_state.h"
#include "paint/text_raster.h"
#include "paint/text_tool.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"

namespace {

enum : int {
    IdText = 100, IdLatin = 110, IdJapanese = 111, IdBlur = 129, IdBlurValue = 130, IdShadow = 131,
    IdDx = 132, IdDxValue = 133, IdDy = 134, IdDyValue = 135, IdShadowColour = 136, IdThickness = 150,
    IdThicknessSpin = 151, IdStyle = 152, IdFrame = 153, IdBackingColour = 154, IdBacking = 156,
    IdFrameColour = 157, IdVertical = 160, IdOutline = 161, IdPreview = 100,
};

CanvDoc* g_Doc;
HWND g_Dialog, g_Panel;
bool g_Busy;
int g_Timer = -1;

const char* const kFrames[3] = {"長方形", "円", "枠なし"};

struct Slider {
    int id, valueId, min, max;
    int32_t* value;
};
Slider g_Sliders[3] = {{IdDx, IdDxValue, -20, 20, &TextSettings.shadowDx},
                       {IdDy, IdDyValue, -20, 20, &TextSettings.shadowDy},
                       {IdBlur, IdBlurValue, 0, 10, &TextSettings.shadowBlur}};

void RestartPreviewTimer() {
    if (!g_Panel) return;
    if (g_Timer >= 0) KillTimer(g_Panel, g_Timer);
    g_Timer = SetFirstFreeTimer(g_Panel, 200);
}

HWND Make(HWND parent, const char* cls, const char* text, DWORD style, int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(nullptr), nullptr);
}

void Place(HWND panel, int id, int x, int y, int w, int h) { MoveWindow(GetDlgItem(panel, id), x, y, w, h, TRUE); }

void Layout(HWND panel) {
    RECT rc;
    GetClientRect(panel, &rc);
    int w = rc.right;
    const TextSettingsRecord& s = TextSettings;
    Place(panel, 200, 16, 12, w - 32, 12);
    Place(panel, IdText, 16, 28, w - 32, 56);
    Place(panel, 201, 16, 98, 78, 12);
    Place(panel, IdLatin, 94, 96, w - 110, 144);
    Place(panel, 202, 16, 122, 78, 12);
    Place(panel, IdJapanese, 94, 120, w - 110, 144);
    Place(panel, 205, 16, 166, 48, 12);
    Place(panel, IdStyle, 64, 164, 104, 96);
    Place(panel, 204, 190, 166, 24, 12);
    Place(panel, IdFrame, 214, 164, 72, 144);
    // Wide enough for the box and the label at its own size.
    Place(panel, IdVertical, 16, 186, 80, 22);
    Place(panel, IdOutline, 104, 186, 80, 22);
    Place(panel, IdShadow, 16, 228, 64, 22);
    bool shadow = s.shadowOn != 0;
    int sx = shadow ? 0 : -100;
    auto group = [&](int id, int x, int y, int ww, int hh) {
        if (shadow) Place(panel, id, x, y, ww, hh);
        else Place(panel, id, sx, y, 0, 0);
    };
    group(210, 88, 228, 16, 12);
    group(IdDx, 104, 228, 144, 12);
    group(IdDxValue, 268, 228, 32, 12);
    group(211, 88, 248, 16, 12);
    group(IdDy, 104, 248, 144, 12);
    group(IdDyValue, 268, 248, 32, 12);
    group(212, 136, 296, 48, 12);
    group(IdBlur, 184, 296, 64, 12);
    group(IdBlurValue, 268, 296, 32, 12);
    group(IdShadowColour, 56, 286, 64, 20);
    bool frame = s.frameKind != 2;
    auto fgroup = [&](int id, int x, int y, int ww, int hh) { Place(panel, id, x, y, frame ? ww : 0, frame ? hh : 0); };
    fgroup(230, 16, 334, 64, 12);
    fgroup(IdThickness, 80, 334, 32, 20);
    fgroup(IdThicknessSpin, 112, 334, 10, 20);
    fgroup(IdFrameColour, 142, 334, 64, 20);
    fgroup(IdBacking, 16, 382, 80, 22);
    Place(panel, IdBackingColour, 142, 384, frame && s.backingOn ? 64 : 0, frame && s.backingOn ? 20 : 0);
    Place(panel, IDOK, 81, 436, 102, 22);
    Place(panel, IDCANCEL, 185, 436, 102, 22);
    InvalidateRect(panel, nullptr, TRUE);
}

void FillFaceList(HWND list, const char* current, bool japaneseOnly) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    int select = -1;
    for (const FontEntry& e : c_FontCatalogue::Entries()) {
        if (japaneseOnly && e.charSet != SHIFTJIS_CHARSET) continue;
        int i = (int)SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)e.face);
        if (std::strcmp(e.face, current) == 0) select = i;
    }
    if (select >= 0) SendMessageA(list, CB_SETCURSEL, select, 0);
}

int SliderX(const Slider& s, int width) {
    return 2 + (*s.value - s.min) * (width - 9) / (s.max - s.min);
}

void DrawSlider(const DRAWITEMSTRUCT* item, const Slider& s) {
    const RECT& r = item->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(item->hDC, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
    FillRectColor(item->hDC, r.left + 4, r.top + h / 2 - 1, r.right - 4, r.top + h / 2 + 2, RGB(0x60, 0x60, 0x60));
    DrawSunkenEdge(item->hDC, r.left + 4, r.top + h / 2 - 2, r.right - 4, r.top + h / 2 + 3);
    int x = r.left + SliderX(s, w);
    FillRectColor(item->hDC, x, r.top, x + 4, r.bottom, RGB(0xF0, 0xF0, 0xF0));
    DrawRaisedEdge(item->hDC, x, r.top, x + 4, r.bottom);
}

void WriteSliderValue(HWND panel, const Slider& s) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", *s.value);
    SetDlgItemTextA(panel, s.valueId, text);
}

void TrackSlider(HWND panel, const Slider& s) {
    HWND wnd = GetDlgItem(panel, s.id);
    RECT rc;
    GetClientRect(wnd, &rc);
    do {
        POINT p;
        GetPolledCursorPos(&p);
        ScreenToClient(wnd, &p);
        int v = rc.right > 9 ? s.min + (p.x - 4) * (s.max - s.min + 1) / (rc.right - 9) : s.min;
        v = v < s.min ? s.min : v > s.max ? s.max : v;
        if (v != *s.value) {
            *s.value = v;
            InvalidateRect(wnd, nullptr, FALSE);
            UpdateWindow(wnd);
            WriteSliderValue(panel, s);
        }
    } while (IsLeftButtonDown());
    RestartPreviewTimer();
}

// A colour button: a raised swatch with its caption, rasterised in white on
// black and inverted onto the swatch, so it reads on any colour.
void DrawColourButton(const DRAWITEMSTRUCT* item, const int rgb[3], const char* caption) {
    const RECT& r = item->rcItem;
    COLORREF c = RGB(rgb[0], rgb[1], rgb[2]);
    DrawRaisedPanel(item->hDC, r.left, r.top, r.right, r.bottom, c, 1);
    TextRasterRequest request = {item->hwndItem, 12, 0, 0, caption, RGB(255, 255, 255), nullptr, 0, RGB(0, 0, 0)};
    VmsImage* text = DrawTextToImage(request);
    if (!text) return;
    int x = r.left + 8, y = r.top + 4;
    c_Dib::StretchDrawRop(item->hDC, text, x, y, x + text->width - 1, y + text->height - 1, SRCINVERT);
    g_VmsStore.Free(&text);
}

void ChooseInto(HWND panel, int32_t rgb[3], const char* caption) {
    int r = rgb[0], g = rgb[1], b = rgb[2];
    if (ChooseColourHook && ChooseColourHook(panel, &r, &g, &b, caption)) {
        rgb[0] = r;
        rgb[1] = g;
        rgb[2] = b;
    }
}

void OnPreviewTimer(HWND panel) {
    if (g_Timer >= 0) KillTimer(panel, g_Timer);
    g_Timer = -1;
    if (g_Dialog) InvalidateRect(GetDlgItem(g_Dialog, IdPreview), nullptr, FALSE);
    g_Busy = true;
    char normal[256];
    NormaliseText(TextSettings.text, normal, sizeof normal);
    lstrcpynA(TextSettings.text, normal, sizeof TextSettings.text);
    char field[1024];
    GetDlgItemTextA(panel, IdText, field, sizeof field);
    if (std::strcmp(field, normal) != 0) SetDlgItemTextA(panel, IdText, normal);
    char want[16], have[16];
    std::snprintf(want, sizeof want, "%d", TextSettings.frameThickness);
    GetDlgItemTextA(panel, IdThickness, have, sizeof have);
    if (std::strcmp(want, have) != 0) SetDlgItemTextA(panel, IdThickness, want);
    g_Busy = false;
}

INT_PTR CALLBACK TextBaseDlgProc(HWND panel, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_Panel = panel;
        g_Busy = true;
        TextSettings.width = 256;
        TextSettings.height = 72;
        const char* labels[][2] = {{"200", "入力文字"}, {"201", "英文ﾌｫﾝﾄ"}, {"202", "日本語ﾌｫﾝﾄ"}, {"205", "スタイル"},
                                   {"204", "枠"},       {"210", "X"},        {"211", "Y"},        {"212", "ぼかし"},
                                   {"230", "枠の太さ"}};
        for (auto& l : labels) Make(panel, "static", l[1], SS_LEFT, std::atoi(l[0]));
        HWND text = Make(panel, "edit", "", WS_BORDER | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_TABSTOP,
                         IdText);
        SendMessageA(text, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 0);
        Make(panel, "combobox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdLatin);
        Make(panel, "combobox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdJapanese);
        HWND style = Make(panel, "combobox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdStyle);
        HWND frame = Make(panel, "combobox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdFrame);
        for (const std::string& name : TextStyleNames()) SendMessageA(style, CB_ADDSTRING, 0, (LPARAM)name.c_str());
        for (const char* s : kFrames) SendMessageA(frame, CB_ADDSTRING, 0, (LPARAM)s);
        SendMessageA(style, CB_SETCURSEL, TextSettings.style, 0);
        SendMessageA(frame, CB_SETCURSEL, TextSettings.frameKind, 0);
        for (int id : {IdShadow, IdBacking, IdVertical, IdOutline, IdShadowColour, IdFrameColour, IdBackingColour})
            Make(panel, "button", "", BS_OWNERDRAW | WS_TABSTOP, id);
        for (const Slider& s : g_Sliders) {
            Make(panel, "static", "", SS_OWNERDRAW, s.id);
            Make(panel, "static", "", SS_RIGHT, s.valueId);
            WriteSliderValue(panel, s);
        }
        Make(panel, "edit", "", WS_BORDER | ES_NUMBER | WS_TABSTOP, IdThickness);
        Make(panel, "scrollbar", "", SBS_VERT, IdThicknessSpin);
        Make(panel, "button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
        Make(panel, "button", "ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
        for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            SendMessageA(c, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 0);
        FillFaceList(GetDlgItem(panel, IdLatin), TextSettings.latinFace, false);
        FillFaceList(GetDlgItem(panel, IdJapanese), TextSettings.japaneseFace, true);
        SetDlgItemTextA(panel, IdText, TextSettings.text);
        SendMessageA(text, EM_SETSEL, 0, -1);
        SetWindowInt(GetDlgItem(panel, IdThickness), TextSettings.frameThickness);
        Layout(panel);
        g_Busy = false;
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        TextSettingsRecord& s = TextSettings;
        switch (item->CtlID) {
        case IdShadow: DrawCheckItem(item, "影", 0, s.shadowOn); break;
        case IdBacking: DrawCheckItem(item, "台紙", 0, s.backingOn); break;
        case IdVertical: DrawCheckItem(item, "縦書き", 0, s.vertical); break;
        case IdOutline: DrawCheckItem(item, "袋文字", 0, s.outline); break;
        case IdShadowColour: DrawColourButton(item, s.shadowColour, "影色..."); break;
        case IdFrameColour: DrawColourButton(item, s.frameColour, "枠の色..."); break;
        case IdBackingColour: DrawColourButton(item, s.backingColour, "台紙の色..."); break;
        default:
            for (const Slider& sl : g_Sliders)
                if ((int)item->CtlID == sl.id) DrawSlider(item, sl);
        }
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        POINT p = {(short)LOWORD(lp), (short)HIWORD(lp)};
        for (const Slider& s : g_Sliders) {
            RECT rc;
            GetWindowRect(GetDlgItem(panel, s.id), &rc);
            MapWindowPoints(nullptr, panel, (POINT*)&rc, 2);
            if (PtInRect(&rc, p)) TrackSlider(panel, s);
        }
        return TRUE;
    }
    case WM_VSCROLL:
        if ((HWND)lp == GetDlgItem(panel, IdThicknessSpin)) {
            SpinDlgItemInt(panel, IdThickness, &TextSettings.frameThickness, 64, 0, LOWORD(wp));
            RestartPreviewTimer();
        }
        return TRUE;
    case WM_TIMER:
        OnPreviewTimer(panel);
        return TRUE;
    case WM_COMMAND: {
        if (g_Busy) return TRUE;
        int id = LOWORD(wp), code = HIWORD(wp);
        TextSettingsRecord& s = TextSettings;
        switch (id) {
        case IDOK:
            EndDialog(g_Dialog, 0);
            return TRUE;
        case IDCANCEL:
            EndDialog(g_Dialog, -1);
            return TRUE;
        case IdText:
            if (code != EN_CHANGE) return TRUE;
            GetDlgItemTextA(panel, IdText, s.text, sizeof s.text);
            break;
        case IdLatin:
        case IdJapanese: {
            if (code != CBN_SELCHANGE) return TRUE;
            HWND list = GetDlgItem(panel, id);
            int i = (int)SendMessageA(list, CB_GETCURSEL, 0, 0);
            char face[64] = {};
            if (i >= 0 && SendMessageA(list, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof face)
                SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)face);
            lstrcpynA(id == IdLatin ? s.latinFace : s.japaneseFace, face, 256);
            break;
        }
        case IdStyle:
            if (code != CBN_SELCHANGE) return TRUE;
            s.style = (int)SendMessageA(GetDlgItem(panel, IdStyle), CB_GETCURSEL, 0, 0);
            if (s.style < 0 || s.style > 13) s.style = 0;
            break;
        case IdFrame:
            if (code != CBN_SELCHANGE) return TRUE;
            s.frameKind = (int)SendMessageA(GetDlgItem(panel, IdFrame), CB_GETCURSEL, 0, 0);
            if (s.frameKind < 0 || s.frameKind > 2) s.frameKind = 2;
            if (s.frameKind == 2) s.backingOn = 0;
            Layout(panel);
            break;
        case IdShadow:
            s.shadowOn = !s.shadowOn;
            Layout(panel);
            break;
        case IdBacking:
            s.backingOn = !s.backingOn;
            Layout(panel);
            break;
        case IdVertical:
            s.vertical = !s.vertical;
            InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
            break;
        case IdOutline:
            s.outline = !s.outline;
            InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
            break;
        case IdShadowColour:
            ChooseInto(panel, s.shadowColour, "影色");
            InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
            break;
        case IdFrameColour:
            ChooseInto(panel, s.frameColour, "枠の色");
            InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
            break;
        case IdBackingColour:
            ChooseInto(panel, s.backingColour, "台紙の色");
            InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE);
            break;
        case IdThickness:
            if (code != EN_CHANGE) return TRUE;
            ReadDlgItemInt(panel, IdThickness, &s.frameThickness, 64, 0);
            break;
        default:
            return TRUE;
        }
        RestartPreviewTimer();
        return TRUE;
    }
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(panel, &rc);
        HDC dc = (HDC)wp;
        FillRectColor(dc, 0, 0, rc.right, rc.bottom, GetSysColor(COLOR_BTNFACE));
        for (int y : {212, 316, 368, (int)rc.bottom - 40}) {
            DrawLine(dc, 8, y, rc.right - 8, y, GetSysColor(COLOR_BTNSHADOW));
            DrawLine(dc, 8, y + 1, rc.right - 8, y + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        }
        return TRUE;
    }
    case WM_DESTROY:
        if (g_Timer >= 0) KillTimer(panel, g_Timer);
        g_Timer = -1;
        g_Panel = nullptr;
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK TextDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        g_Dialog = dlg;
        EnablePanels(FALSE);
        RECT want = {0, 0, 640, 480};
        AdjustWindowRectEx(&want, GetWindowLongA(dlg, GWL_STYLE), FALSE, GetWindowLongA(dlg, GWL_EXSTYLE));
        SetWindowPos(dlg, nullptr, 0, 0, want.right - want.left, want.bottom - want.top, SWP_NOMOVE | SWP_NOZORDER);
        PlaceWindow(dlg, 1);
        CreateWindowExA(0, "TextViewClass", "", WS_CHILD | WS_VISIBLE, 8, 80, 304, 256, dlg, (HMENU)(INT_PTR)IdPreview,
                        GetModuleHandleA(nullptr), nullptr);
        HWND panel = CreateDialogParamA(GetModuleHandleA(nullptr), "psv_textbase", dlg, TextBaseDlgProc, 0);
        if (panel) {
            MoveWindow(panel, 328, 8, 304, 464, TRUE);
            Layout(panel);
            ShowWindow(panel, SW_SHOW);
        }
        if (g_Doc && g_Doc->window) InvalidateRect(g_Doc->window, nullptr, FALSE);
        PostMessageA(GetDlgItem(dlg, IdPreview), WM_PAINT, 0, 0);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY:
        EnablePanels(TRUE);
        g_Dialog = nullptr;
        return TRUE;
    }
    return FALSE;
}

// The preview shows what OK places: closing the dialog turns the sticker
// route on, so the sticker unless vertical or outlined text asks for GDI.
void PaintTextView(HWND wnd, HDC dc) {
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRectColor(dc, 0, 0, rc.right, rc.bottom, RGB(255, 255, 255));
    PenCanvas view;
    PenCanvas* canvas = nullptr;
    if (g_Doc) {
        MakePenCanvas(g_Doc, &view);
        canvas = &view;
    }
    VmsImage *colour = nullptr, *alpha = nullptr;
    if (!TextSettings.vertical && !TextSettings.outline) {
        VmsImage* composite = ComposeTextImage(GetParent(wnd), canvas, &colour, &alpha);
        if (composite) c_Dib::DrawAt(dc, composite, 0, 0);
        g_VmsStore.Free(&composite);
    } else if (MakeTextLayerImages(GetParent(wnd), canvas, &colour, &alpha)) {
        // The GDI route over white.
        std::vector<uint32_t> row(colour->width);
        std::vector<uint8_t> a(colour->width);
        VmsImage* over = g_VmsStore.Create(colour->width, colour->height, 32, 0, 1);
        for (int y = 0; over && y < colour->height; ++y) {
            g_VmsStore.GetRow(colour, y, 0, colour->width - 1, row.data());
            g_VmsStore.GetRow(alpha, y, 0, colour->width - 1, a.data());
            for (int x = 0; x < colour->width; ++x) {
                uint32_t c = row[x];
                int k = a[x];
                auto mix = [&](int v) { return (v * k + 255 * (255 - k) + 127) / 255; };
                row[x] = (uint32_t)mix(c & 255) | (uint32_t)mix(c >> 8 & 255) << 8 | (uint32_t)mix(c >> 16 & 255) << 16;
            }
            g_VmsStore.PutRow(over, y, 0, colour->width - 1, row.data());
        }
        if (over) c_Dib::DrawAt(dc, over, 0, 0);
        g_VmsStore.Free(&over);
    }
    g_VmsStore.Free(&colour);
    g_VmsStore.Free(&alpha);
    DrawRectOutline(dc, 0, 0, rc.right, rc.bottom, RGB(0, 0, 0));
}

LRESULT CALLBACK TextViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintTextView(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintTextView(wnd, (HDC)wp);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK TextViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return TextViewProc(wnd, msg, wp, lp); }

void RegisterTextClasses(HINSTANCE instance) {
    WNDCLASSA wc = {};
    if (GetClassInfoA(instance, "TextViewClass", &wc)) return;
    wc.lpfnWndProc = TextViewWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "TextViewClass";
    RegisterClassA(&wc);
}

int ShowTextDialog(HWND owner, CanvDoc* doc) {
    g_Doc = doc;
    Pen.drawingMode = ModeColour;
    RegisterTextClasses(GetModuleHandleA(nullptr));
    int result = (int)RunModalDialog(GetModuleHandleA(nullptr), "psv_text", owner, TextDlgProc, 0);
    g_Doc = nullptr;
    // Texts placed from now on take the sticker route.
    TextSettings.stickerRoute = 1;
    return result == -1 ? -1 : 0;
}
