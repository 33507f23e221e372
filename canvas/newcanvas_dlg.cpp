#include "canvas/newcanvas_dlg.h"

#include <algorithm>
#include <cstdio>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "canvas/canv_doc.h"
#include "resources/newcanvas_ids.h"

const PaperPreset PaperPresets[kPaperPresetCount + 1] = {
    {.name = "任意", .width = 0, .height = 0, .unit = PaperUnitFree},
    {.name = "B5", .width = 257, .height = 182, .unit = PaperUnitMillimetres},
    {.name = "B4", .width = 364, .height = 257, .unit = PaperUnitMillimetres},
    {.name = "A4", .width = 297, .height = 210, .unit = PaperUnitMillimetres},
    {.name = "ハガキ", .width = 148, .height = 100.9f, .unit = PaperUnitMillimetres},
    {.name = "VGA [640 x 480]", .width = 640, .height = 480, .unit = PaperUnitPixels},
    {.name = "SVGA [800 x 600]", .width = 800, .height = 600, .unit = PaperUnitPixels},
    {.name = "XGA [1024 x 768]", .width = 1024, .height = 768, .unit = PaperUnitPixels},
    {.name = "SXGA [1280 x 1024]", .width = 1280, .height = 1024, .unit = PaperUnitPixels},
    {.name = "リンクバナー [200 x 40]", .width = 200, .height = 40, .unit = PaperUnitPixels},
    {.name = "リンクバナー [88 x 31]", .width = 88, .height = 31, .unit = PaperUnitPixels},
    {.name = "Lサイズ", .width = 89, .height = 127, .unit = PaperUnitMillimetres},
    {.name = "2Lサイズ", .width = 127, .height = 178, .unit = PaperUnitMillimetres},
    {.name = "KGサイズ", .width = 102, .height = 152, .unit = PaperUnitMillimetres},
    {.name = "6つ切り", .width = 203, .height = 254, .unit = PaperUnitMillimetres},
    {.name = "4つ切り", .width = 254, .height = 305, .unit = PaperUnitMillimetres},
    {.name = "名刺", .width = 55, .height = 91, .unit = PaperUnitMillimetres},
    {.name = "CDライナー", .width = 121, .height = 120, .unit = PaperUnitMillimetres},
    {.name = "パノラマ", .width = 250, .height = 100, .unit = PaperUnitMillimetres},
    {.name = "携帯待ち受け[240 x 320]", .width = 240, .height = 320, .unit = PaperUnitPixels},
    {.name = "-", .width = 0, .height = 0, .unit = PaperUnitMillimetres},
};

namespace {

// Pixel fields and the resolution keep to these; millimetre and inch fields to
// 1..1,000 when typed, inch fields to 1..100 when stepped.
constexpr int kMinSide = 1;
constexpr int kMaxDpi = 10000;
constexpr float kMaxTyped = 1000.0f;
constexpr float kMaxSteppedInch = 100.0f;
constexpr int kDefaultDpi = 96;
constexpr UINT kReformatMs = 500;

// The preset each quick button 500..503 applies: A4, ハガキ, Lサイズ, 携帯待ち受け.
constexpr int kQuickPresets[4] = {3, 4, 11, 19};
const char* const kQuickBitmaps[4] = {"new_0", "new_1", "new_2", "new_3"};
const char* const kUnitNames[3] = {"pixel", "mm", "inch"};

int ClampSide(double pixels) {
    if (!(pixels >= kMinSide)) return kMinSide;   // also NaN
    if (pixels > (int)CanvMaxSide) return CanvMaxSide;
    return (int)pixels;
}

// The dialog's numbers while it runs (one set for the program).
struct NewCanvasState {
    int width, height;             // pixels: what OK hands back
    float widthMm, heightMm;       // kept apart from the pixels: each unit keeps
    float widthInch, heightInch;   // the numbers last entered in it
    int dpi;
    int unit;                      // NewCanvasUnit*
    int busy;                      // set while the dialog writes its own fields
    int timerId;                   // reformat timer, -1 when none runs
    NewCanvasSize* chosen;
};
NewCanvasState g_state;

void PairsFromPixels(NewCanvasState& s) {
    s.widthMm = PixelsToMillimetres(s.width, s.dpi);
    s.heightMm = PixelsToMillimetres(s.height, s.dpi);
    s.widthInch = PixelsToInches(s.width, s.dpi);
    s.heightInch = PixelsToInches(s.height, s.dpi);
}

// The size fields' canonical text in the current unit ("%d" or "%5.2f").
void SizeText(const NewCanvasState& s, bool height, char* out, size_t size) {
    switch (s.unit) {
    case NewCanvasUnitMm: std::snprintf(out, size, "%5.2f", height ? s.heightMm : s.widthMm); break;
    case NewCanvasUnitInch: std::snprintf(out, size, "%5.2f", height ? s.heightInch : s.widthInch); break;
    default: std::snprintf(out, size, "%d", height ? s.height : s.width); break;
    }
}

// Writes the field's canonical text; with onlyWhenDifferent, leaves a field
// that already says the same.
void WriteField(HWND dlg, int id, const char* text, bool onlyWhenDifferent) {
    HWND field = GetDlgItem(dlg, id);
    char now[32] = "";
    GetWindowTextA(field, now, sizeof now);
    if (onlyWhenDifferent && CompareNoCase(now, text) == 0) return;
    SetWindowTextA(field, text);
}

void ShowFields(HWND dlg, bool onlyWhenDifferent) {
    NewCanvasState& s = g_state;
    s.busy = 1;
    char text[32];
    std::snprintf(text, sizeof text, "%d", s.dpi);
    WriteField(dlg, IDC_NEWCANV_DPI, text, onlyWhenDifferent);
    SizeText(s, false, text, sizeof text);
    WriteField(dlg, IDC_NEWCANV_WIDTH, text, onlyWhenDifferent);
    SizeText(s, true, text, sizeof text);
    WriteField(dlg, IDC_NEWCANV_HEIGHT, text, onlyWhenDifferent);
    s.busy = 0;
}

void SelectFreePreset(HWND dlg) { SendDlgItemMessageA(dlg, IDC_NEWCANV_PRESET, CB_SETCURSEL, 0, 0); }

void StopReformatTimer(HWND dlg) {
    if (g_state.timerId >= 0) KillTimer(dlg, (UINT_PTR)g_state.timerId);
    g_state.timerId = -1;
}

void StartReformatTimer(HWND dlg) {
    StopReformatTimer(dlg);
    g_state.timerId = SetFirstFreeTimer(dlg, kReformatMs);
}

void CentreOnOwner(HWND dlg) {
    HWND owner = GetWindow(dlg, GW_OWNER);
    RECT o, d;
    if (!owner || !GetWindowRect(owner, &o)) {
        CenterWindow(dlg);
        return;
    }
    GetWindowRect(dlg, &d);
    int x = o.left + ((o.right - o.left) - (d.right - d.left)) / 2;
    int y = o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2;
    SetWindowPos(dlg, nullptr, std::max(0, x), std::max(0, y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ApplyPreset(HWND dlg, int row) {
    if (row <= 0 || row >= kPaperPresetCount) return;
    NewCanvasState& s = g_state;
    const PaperPreset& p = PaperPresets[row];
    if (p.unit != PaperUnitMillimetres) {
        s.unit = NewCanvasUnitPixel;
        SendDlgItemMessageA(dlg, IDC_NEWCANV_UNIT, CB_SETCURSEL, NewCanvasUnitPixel, 0);
        s.width = ClampSide(p.width);
        s.height = ClampSide(p.height);
        PairsFromPixels(s);
    } else {
        s.widthMm = p.width;
        s.heightMm = p.height;
        s.width = MillimetresToPixels(p.width, s.dpi);
        s.height = MillimetresToPixels(p.height, s.dpi);
        s.widthInch = PixelsToInches(s.width, s.dpi);
        s.heightInch = PixelsToInches(s.height, s.dpi);
    }
    ShowFields(dlg, false);
}

void Orient(HWND dlg, bool landscape) {
    NewCanvasState& s = g_state;
    if (landscape ? s.width < s.height : s.height < s.width) std::swap(s.width, s.height);
    PairsFromPixels(s);
    ShowFields(dlg, false);
}

// A size field typed into (code -1) or stepped by its spin button (SB_LINEUP,
// SB_LINEDOWN): its value in the current unit, then the pixels from it.
void UpdateSizeField(HWND dlg, int id, int code) {
    NewCanvasState& s = g_state;
    bool height = id == IDC_NEWCANV_HEIGHT;
    bool typed = code < 0;
    int& pixels = height ? s.height : s.width;
    if (s.unit == NewCanvasUnitPixel) {
        if (typed)
            ReadDlgItemInt(dlg, id, &pixels, CanvMaxSide, kMinSide);
        else
            SpinDlgItemInt(dlg, id, &pixels, CanvMaxSide, kMinSide, code);
        return;
    }
    bool mm = s.unit == NewCanvasUnitMm;
    float& value = mm ? (height ? s.heightMm : s.widthMm) : (height ? s.heightInch : s.widthInch);
    float max = typed || mm ? kMaxTyped : kMaxSteppedInch;
    if (typed)
        ReadDlgItemFloat(dlg, id, &value, max, 1.0f);
    else
        SpinDlgItemFloat(dlg, id, &value, max, 1.0f, code);
    pixels = mm ? MillimetresToPixels(value, s.dpi) : InchesToPixels(value, s.dpi);
}

void StepDpi(HWND dlg, int code) {
    NewCanvasState& s = g_state;
    SpinDlgItemInt(dlg, IDC_NEWCANV_DPI, &s.dpi, kMaxDpi, 1, code);
    if (s.unit == NewCanvasUnitMm) {
        s.width = MillimetresToPixels(s.widthMm, s.dpi);
        s.height = MillimetresToPixels(s.heightMm, s.dpi);
    } else if (s.unit == NewCanvasUnitInch) {
        s.width = InchesToPixels(s.widthInch, s.dpi);
        s.height = InchesToPixels(s.heightInch, s.dpi);
    }
}

void OnInit(HWND dlg, const NewCanvasSize& start) {
    NewCanvasState& s = g_state;
    s.width = ClampSide(start.width);
    s.height = ClampSide(start.height);
    s.dpi = start.dpi < 1 ? kDefaultDpi : std::min<int>(start.dpi, kMaxDpi);
    s.unit = NewCanvasUnitPixel;
    s.busy = 0;
    s.timerId = -1;
    PairsFromPixels(s);
    ShowFields(dlg, false);
    CentreOnOwner(dlg);
    for (const char* name : kUnitNames) SendDlgItemMessageA(dlg, IDC_NEWCANV_UNIT, CB_ADDSTRING, 0, (LPARAM)name);
    SendDlgItemMessageA(dlg, IDC_NEWCANV_UNIT, CB_SETCURSEL, s.unit, 0);
    for (int i = 0; i < kPaperPresetCount; ++i)
        SendDlgItemMessageA(dlg, IDC_NEWCANV_PRESET, CB_ADDSTRING, 0, (LPARAM)PaperPresets[i].name);
    SelectFreePreset(dlg);
    ResizeDlgItem(dlg, IDC_NEWCANV_LANDSCAPE, 28, 28);
    ResizeDlgItem(dlg, IDC_NEWCANV_PORTRAIT, 28, 28);
    for (int id = IDC_NEWCANV_QUICK0; id <= IDC_NEWCANV_QUICK3; ++id) ResizeDlgItem(dlg, id, 64, 68);
}

void OnCommand(HWND dlg, int id, int code) {
    NewCanvasState& s = g_state;
    switch (id) {
    case IDC_NEWCANV_WIDTH:
    case IDC_NEWCANV_HEIGHT:
    case IDC_NEWCANV_DPI:
        if (code != EN_CHANGE || s.busy) return;
        if (id == IDC_NEWCANV_DPI)
            ReadDlgItemInt(dlg, id, &s.dpi, kMaxDpi, 1);   // the size stays as it is
        else
            UpdateSizeField(dlg, id, -1);
        SelectFreePreset(dlg);
        StartReformatTimer(dlg);
        return;
    case IDC_NEWCANV_UNIT:
        if (code != CBN_SELCHANGE) return;
        s.unit = std::clamp((int)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0), 0, 2);
        ShowFields(dlg, false);
        return;
    case IDC_NEWCANV_PRESET:
        if (code == CBN_SELCHANGE) ApplyPreset(dlg, (int)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0));
        return;
    case IDC_NEWCANV_LANDSCAPE:
    case IDC_NEWCANV_PORTRAIT:
        Orient(dlg, id == IDC_NEWCANV_LANDSCAPE);
        return;
    case IDOK:
        if (s.chosen) *s.chosen = NewCanvasSize{.width = s.width, .height = s.height, .dpi = s.dpi};
        EndDialog(dlg, 1);
        return;
    case IDCANCEL:
        EndDialog(dlg, 0);
        return;
    default:
        if (id >= IDC_NEWCANV_QUICK0 && id <= IDC_NEWCANV_QUICK3) {
            int row = kQuickPresets[id - IDC_NEWCANV_QUICK0];
            SendDlgItemMessageA(dlg, IDC_NEWCANV_PRESET, CB_SETCURSEL, row, 0);
            ApplyPreset(dlg, row);
        }
        return;
    }
}

void OnSpin(HWND dlg, HWND spin, int code) {
    if (code != SB_LINEUP && code != SB_LINEDOWN) return;
    g_state.busy = 1;
    switch (GetDlgCtrlID(spin)) {
    case IDC_NEWCANV_WIDTHSPIN: UpdateSizeField(dlg, IDC_NEWCANV_WIDTH, code); break;
    case IDC_NEWCANV_HEIGHTSPIN: UpdateSizeField(dlg, IDC_NEWCANV_HEIGHT, code); break;
    case IDC_NEWCANV_DPISPIN: StepDpi(dlg, code); break;
    default: g_state.busy = 0; return;
    }
    g_state.busy = 0;
    SelectFreePreset(dlg);
}

void DrawButton(const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, RGB(0, 0, 0));
    int d = (item->itemState & ODS_SELECTED) ? 1 : 0;
    int id = (int)item->CtlID;
    if (id == IDC_NEWCANV_LANDSCAPE || id == IDC_NEWCANV_PORTRAIT) {
        bool landscape = id == IDC_NEWCANV_LANDSCAPE;
        DrawBitmapRes(dc, landscape ? "paper_h" : "paper_v", d, d, SRCCOPY);
        draw_text_at(dc, 16 + d, 16 + d, 10, landscape ? "横" : "縦", RGB(128, 128, 128), nullptr, nullptr);
    } else if (id >= IDC_NEWCANV_QUICK0 && id <= IDC_NEWCANV_QUICK3) {
        DrawBitmapRes(dc, kQuickBitmaps[id - IDC_NEWCANV_QUICK0], d, d, SRCCOPY);
    }
    if (item->itemState & ODS_FOCUS) {
        RECT f = {r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
        DrawFocusRect(dc, &f);
    }
}

}  // namespace

int MillimetresToPixels(float mm, int dpi) { return ClampSide((double)dpi * mm * 0.03937008 + 0.5); }

int InchesToPixels(float inch, int dpi) { return ClampSide((double)inch * dpi + 0.5); }

float PixelsToMillimetres(int pixels, int dpi) { return (float)(pixels * 25.4 / std::max(dpi, 1)); }

float PixelsToInches(int pixels, int dpi) { return (float)((double)pixels / std::max(dpi, 1)); }

INT_PTR CALLBACK NewCanvasDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        auto* start = (const NewCanvasSize*)lp;
        OnInit(dlg, *start);
        return TRUE;
    }
    case WM_COMMAND:
        OnCommand(dlg, LOWORD(wp), HIWORD(wp));
        return TRUE;
    case WM_VSCROLL:
        OnSpin(dlg, (HWND)lp, LOWORD(wp));
        return TRUE;
    case WM_TIMER:
        StopReformatTimer(dlg);
        ShowFields(dlg, true);
        return TRUE;
    case WM_DRAWITEM:
        if (((const DRAWITEMSTRUCT*)lp)->CtlType != ODT_BUTTON) return FALSE;
        DrawButton((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_PAINT:
        PaintDialogWithFrame(dlg);
        return TRUE;
    case WM_DESTROY:
        if (g_state.timerId >= 0) {
            StopReformatTimer(dlg);
            ShowFields(dlg, true);
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int RunNewCanvasDialog(HWND owner, const NewCanvasSize& remembered, NewCanvasSize* chosen) {
    NewCanvasSize result = remembered;
    g_state.chosen = &result;
    EnablePanels(FALSE);
    INT_PTR r = RunModalDialog(GetModuleHandleA(nullptr), "dra_new", owner, NewCanvasDlgProc,
                               (LPARAM)&remembered);
    EnablePanels(TRUE);
    g_state.chosen = nullptr;
    if (r != 1) return 0;
    if (chosen) *chosen = result;
    return 1;
}
