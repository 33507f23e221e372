#include "app/toolbar.h"

#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "app/canvas_facts.h"
#include "app/commands.h"
#include "app/frame.h"
#include "app/framedlg.h"
#include "app/globals.h"
#include "app/screen_tint.h"
#include "app/paint_frame.h"
#include "select/floating.h"
#include "app/settings.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "canvas/canv_window.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"

const MainBarEntry kMainBarEntries[kMainBarEntryCount] = {
    {10002, "tb_new"},   {10003, "tb_open"},  {10019, "tb_twain"}, {10004, "tb_save"},
    {10016, "tb_catalog"}, {10005, "tb_print"}, {-2, nullptr},      {14010, "tb_undo"},
    {14012, "tb_redo"},  {14000, "tb_copy"},  {14001, "tb_paste"}, {14013, "tb_ppaste"},
    {-2, nullptr},       {11014, "tb_zmp"},   {11015, "tb_zmm"},   {-1, nullptr},
};

const ToolBar2Entry kToolBar2Entries[kToolBar2EntryCount] = {
    {20014, "tb2_select", 15, true}, {20521, "tb2_hand", 15, true},   {0, nullptr, 0, false},
    {20023, "tb2_cl", 4, false},     {0, nullptr, 0, false},          {21055, "tb2_effect", 2, false},
    {21063, "tb2_mix", 2, false},    {0, nullptr, 0, false},          {21060, "tb2_ooi", 2, false},
    {21061, "tb2_yaki", 2, false},   {21059, "tb2_ondo", 2, false},   {0, nullptr, 0, false},
    {20520, "tb2_trim", 4, false},   {0, nullptr, 0, false},          {21029, "tb2_rtt", 4, false},
    {0, nullptr, 0, false},          {21036, "tb2_auto", 4, false},   {21034, "tb2_brc", 4, false},
    {0, nullptr, 0, false},          {20005, "tb2_pen", 1, true},     {14013, "tb2_stamp", 2, true},
    {20518, "tb2_eraser", 1, true},  {0, nullptr, 0, false},          {20519, "tb2_spoit", 1, true},
    {0, nullptr, 0, false},          {kGroupCommandA, nullptr, 1, true}, {kGroupCommandB, nullptr, 1, true},
    {0, nullptr, 0, false},          {21041, "tb2_text", 1, true},    {0, nullptr, 0, false},
    {20001, "tb2_box", 6, true},     {20003, "tb2_circle", 6, true},  {20024, "tb2_cgr", 6, true},
    {20012, "tb2_wire", 6, true},    {-1, nullptr, 0, false},
};

const ToolGroup kToolGroups[2] = {
    {4, {20015, 20019, 20020, 20025}, {"tb2_gline", "tb2_gbox", "tb2_gcrcl", "tb2_gpoly"}},
    {3, {20016, 20017, 20018, 0}, {"tb2_gboxf", "tb2_gcrclf", "tb2_gpolyf", nullptr}},
};
int ToolGroupChoice[2];

int ToolBar2Page;
int MainBarHovered = -1;
int ToolBar2Hovered = -1;
TipStateRecord TipState = {nullptr, -1, nullptr, false, {}};

namespace {

constexpr int kMainButton = 56;
constexpr int kToolButtonW = 52, kToolButtonH = 44;
const char* const kPageNames[3] = {"ペイント", "エフェクト", "補正"};

bool g_mainDisabled[kMainBarEntryCount];
int g_mainPressed = -1;
int g_bar2Pressed = -1;
bool g_penIconPressed;
bool g_gaugeDragging;
HFONT g_blurFont;

bool IsGap(int command) { return command == -2 || command == -1 || command == 0; }

int GroupOfCommand(int command) {
    for (int g = 0; g < 2; ++g)
        for (int i = 0; i < kToolGroups[g].count; ++i)
            if (kToolGroups[g].commands[i] == command) return g;
    return -1;
}

HWND BarChild(HWND bar, int id) { return bar ? GetDlgItem(bar, id) : nullptr; }

void RepaintMainButton(int index) {
    if (index >= 0) {
        HWND b = BarChild(AppWindows.mainToolBar, index);
        if (b) InvalidateRect(b, nullptr, FALSE), UpdateWindow(b);
    }
}
void RepaintBar2Button(int index) {
    if (index >= 0) {
        HWND b = BarChild(AppWindows.toolBar2, index);
        if (b) InvalidateRect(b, nullptr, FALSE), UpdateWindow(b);
    }
}

// A tip is due after the pause over a button: starts the capture and the timer.
void StartTipCapture(HWND button) {
    SetCapture(button);
    TipState.capture = button;
    TipState.timerId = SetFirstFreeTimer(button, 200);
}

// Mouse move over a bar button: tip capture and hovering (the same for every bar).
void TrackHover(HWND button, LPARAM lp, int index, int* hovered, void (*repaint)(int)) {
    if (!TipState.capture) {
        if (!FrameState.appActive) return;
        StartTipCapture(button);
        int old = *hovered;
        *hovered = index;
        if (old != index) repaint(old);
        repaint(index);
        return;
    }
    HWND parent = GetParent(button);
    POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    MapWindowPoints(button, parent, &pt, 1);
    if (ChildWindowFromPoint(parent, pt) == button && FrameState.appActive) return;
    EndTip();
    int old = *hovered;
    *hovered = -1;
    repaint(old);
}

// Stops the tip timer of a button; true when the tip is to be shown now.
bool TipTimerFired(HWND button, WPARAM id) {
    if ((int)id != TipState.timerId || TipState.capture != button) return false;
    KillTimer(button, id);
    TipState.timerId = -1;
    return !TipState.shown;
}

void ShowTipBelow(HWND button, int dx, int dy, const char* text) {
    RECT rc;
    GetWindowRect(button, &rc);
    ShowTip(rc.left + dx, rc.top + dy, text);
}

MainButtonFacts GatherMainFacts(int command) {
    HWND canvas = GetActiveCanvasWindow();
    MainButtonFacts f = {};
    f.canvasOpen = canvas != nullptr;
    f.closing = canvas && CanvasIsClosing(canvas);
    f.clipboardImage = IsClipboardFormatAvailable(CF_DIB) != 0;
    f.hasUndo = canvas && CanvasHasUndo(canvas);
    f.hasRedo = canvas && CanvasHasRedo(canvas);
    f.zoom = canvas ? CanvasZoomPercent(canvas) : 100;
    f.initMenuState = AppMenus.init ? (int)GetMenuState(AppMenus.init, command, MF_BYCOMMAND) : -1;
    return f;
}

bool MissingOrGrayedInInitMenu(int state) {
    return state == -1 || (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

void PaintMainButton(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    int index = GetDlgCtrlID(wnd);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    if (index >= 0 && index < kMainBarEntryCount && !IsGap(kMainBarEntries[index].command)) {
        const MainBarEntry& e = kMainBarEntries[index];
        bool disabled = MainButtonDisabled(e.command, GatherMainFacts(e.command));
        DrawBitmapRes(dc, e.bitmap, 0, 0, SRCCOPY);
        g_mainDisabled[index] = disabled;
        if (disabled) {
            TintRect(dc, 0, 0, rc.right - 1, rc.bottom - 1, 255, 255, 255, 200);
        } else if (g_mainPressed == index) {
            // held down: the plain picture
        } else if (MainBarHovered == index) {
            DrawBitmapRes(dc, "tb_hover_mask", 0, 0, SRCAND);
            DrawBitmapRes(dc, "tb_hover", 0, 0, SRCINVERT);
        }
    }
    EndPaint(wnd, &ps);
}

void ActivateCanvasFocus() {
    HWND canvas = GetActiveCanvasWindow();
    if (canvas) SetFocus(canvas);
}

void MainButtonClick(HWND wnd) {
    int index = GetDlgCtrlID(wnd);
    EndTip();
    if (index < 0 || index >= kMainBarEntryCount) return;
    int command = kMainBarEntries[index].command;
    if (IsGap(command)) return;
    if (!GetActiveCanvasWindow() &&
        MissingOrGrayedInInitMenu(AppMenus.init ? (int)GetMenuState(AppMenus.init, command, MF_BYCOMMAND) : -1))
        return;
    if (g_mainDisabled[index]) return;
    g_mainPressed = index;
    RepaintMainButton(index);
    while (IsLeftButtonDown()) {
    }
    g_mainPressed = -1;
    MainBarHovered = -1;
    RepaintMainButton(index);
    if (AppWindows.frame) SendMessageA(AppWindows.frame, WM_COMMAND, command, 0);
    ActivateCanvasFocus();
}

// The bitmap a second-bar button shows.
const char* Bar2Bitmap(int index) {
    int command = kToolBar2Entries[index].command;
    if (command == kGroupCommandA) return kToolGroups[0].bitmaps[ToolGroupChoice[0]];
    if (command == kGroupCommandB) return kToolGroups[1].bitmaps[ToolGroupChoice[1]];
    return kToolBar2Entries[index].bitmap;
}

bool Bar2Pressed(int index) {
    int command = kToolBar2Entries[index].command;
    if (g_bar2Pressed == index || command == CurrentTool) return true;
    if (command == kGroupCommandA) return GroupOfCommand(CurrentTool) == 0;
    if (command == kGroupCommandB) return GroupOfCommand(CurrentTool) == 1;
    return false;
}

bool Bar2Inactive(int index) {
    HWND canvas = GetActiveCanvasWindow();
    if (!canvas) return true;
    return CanvasCurrentPlane(canvas) != 0 && !kToolBar2Entries[index].anyPlane;
}

void PaintBar2Button(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    int index = GetDlgCtrlID(wnd);
    if (index >= 0 && index < kToolBar2EntryCount && !IsGap(kToolBar2Entries[index].command)) {
        DrawBitmapRes(dc, Bar2Bitmap(index), 0, 0, SRCCOPY);
        if (!Bar2Inactive(index)) {
            if (Bar2Pressed(index)) {
                DrawBitmapRes(dc, "tb2_push_", 0, 0, SRCAND);
                DrawBitmapRes(dc, "tb2_push", 0, 0, SRCINVERT);
                TintRect(dc, 0, 0, kToolButtonW - 1, kToolButtonH - 1, 0, 0, 50, 40);
            } else if (ToolBar2Hovered == index) {
                TintRect(dc, 0, 0, kToolButtonW - 1, kToolButtonH - 1, 255, 255, 255, 80);
            }
        }
    }
    EndPaint(wnd, &ps);
}

void RepaintToolOf(int command) {
    RepaintMainButton(ToolBarIndexOfCommand(command));
    RepaintBar2Button(ToolBar2IndexOfCommand(command));
    int group = GroupOfCommand(command);
    if (group >= 0) RepaintBar2Button(ToolBar2IndexOfCommand(group == 0 ? kGroupCommandA : kGroupCommandB));
}

void Bar2ButtonClick(HWND wnd) {
    int index = GetDlgCtrlID(wnd);
    EndTip();
    if (index < 0 || index >= kToolBar2EntryCount) return;
    const ToolBar2Entry& e = kToolBar2Entries[index];
    if (IsGap(e.command)) return;
    HWND canvas = GetActiveCanvasWindow();
    if (canvas && CanvasCurrentPlane(canvas) != 0 && !e.anyPlane) return;
    DropFloatingIfPasting();
    g_bar2Pressed = index;
    RepaintBar2Button(index);
    DWORD start = GetTickCount();
    bool longPress = false;
    while (IsLeftButtonDown()) {
        if (GetTickCount() - start > 500) {
            longPress = true;
            break;
        }
    }
    g_bar2Pressed = -1;
    RepaintBar2Button(index);
    ToolBar2Hovered = -1;
    int old = CurrentTool;
    int command = e.command;
    if (command == kGroupCommandA || command == kGroupCommandB) {
        int g = command == kGroupCommandA ? 0 : 1;
        RECT rc;
        GetWindowRect(wnd, &rc);
        int chosen = ShowIconSelectDialog(GetParent(wnd), rc.right, rc.top, kToolGroups[g].commands,
                                          kToolGroups[g].count, g, longPress ? 1 : 0);
        if (chosen >= 0 && chosen < kToolGroups[g].count) {
            ToolGroupChoice[g] = chosen;
            if (AppWindows.frame)
                SendMessageA(AppWindows.frame, WM_COMMAND, kToolGroups[g].commands[chosen], 0);
        }
    } else if (AppWindows.frame) {
        SendMessageA(AppWindows.frame, WM_COMMAND, command, 0);
    }
    RepaintToolButtons(old, CurrentTool);
    RepaintBar2Button(index);
}

// --- pen option bar -------------------------------------------------------

RECT GaugeRectInBar(HWND bar) {
    RECT rc = {};
    HWND gauge = BarChild(bar, kBarGauge);
    if (gauge) {
        GetWindowRect(gauge, &rc);
        MapWindowPoints(nullptr, bar, (POINT*)&rc, 2);
    }
    return rc;
}

void RepaintGauge() {
    HWND gauge = BarChild(AppWindows.penOptionBar, kBarGauge);
    if (gauge) InvalidateRect(gauge, nullptr, FALSE), UpdateWindow(gauge);
}

void DrawGauge(HDC dc, const RECT& rc) {
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    for (int x = 0; x < w; ++x) {
        int g = w > 1 ? x * 255 / (w - 1) : 0;
        DrawLine(dc, rc.left + x, rc.top, rc.left + x, rc.bottom, RGB(g, g, g));
    }
    // Diagonal hatching every 8 pixels.
    for (int d = -h; d < w; d += 8)
        DrawLine(dc, rc.left + d, rc.bottom - 1, rc.left + d + h, rc.top - 1, RGB(153, 153, 153));
    int mark = w * PenOpacity / 255;
    if (mark > w - 1) mark = w - 1;
    DrawLine(dc, rc.left + mark, rc.top, rc.left + mark, rc.bottom, RGB(255, 255, 255));
    if (mark > 0) DrawLine(dc, rc.left + mark - 1, rc.top, rc.left + mark - 1, rc.bottom, RGB(0, 0, 0));
    char text[32];
    int tx = 4;
    OpacityGaugeText(PenOpacity, Env.numberMode, text, sizeof text, w, &tx);
    int ty = (h - 14) / 2;
    draw_text_at(dc, rc.left + tx + 1, rc.top + ty + 1, 14, text, RGB(0, 0, 0), nullptr, nullptr);
    draw_text_at(dc, rc.left + tx, rc.top + ty, 14, text, RGB(255, 255, 255), nullptr, nullptr);
}

void SetOpacity(int value) {
    if (value == PenOpacity) return;
    PenOpacity = value;
    RepaintGauge();
}

// Cursor x in the gauge's client coordinates.
int GaugeCursorX(HWND bar) {
    POINT pt;
    GetPolledCursorPos(&pt);
    ScreenToClient(BarChild(bar, kBarGauge), &pt);
    return pt.x;
}

void GaugeDrag(HWND bar, bool right) {
    HWND gauge = BarChild(bar, kBarGauge);
    RECT rc;
    GetClientRect(gauge, &rc);
    g_gaugeDragging = true;
    if (!right) {
        while (IsLeftButtonDown()) SetOpacity(OpacityFromGaugeX(GaugeCursorX(bar), rc.right));
    } else {
        int target = OpacityFromGaugeX(GaugeCursorX(bar), rc.right);
        if (target > PenOpacity) SetOpacity(PenOpacity + 1);
        else if (target < PenOpacity) SetOpacity(PenOpacity - 1);
        while (IsRightButtonDown()) {
        }
    }
    g_gaugeDragging = false;
}

// The brush image (slot 0 of the brush images) scaled into the swatch; 0 when
// there is none and the swatch shows the pen colour.
static int DrawBrushImageSwatch(HDC dc, const RECT& rc) {
    const VmsImage* brush = Pen.brushImages[0];
    if (!brush) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    return g_VmsStore.StretchDraw(dc, brush, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SRCCOPY);
}

void DrawBarItem(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    const RECT& rc = di->rcItem;
    int id = (int)di->CtlID;
    if (id >= kBarTabFirst && id < kBarTabFirst + 3) {
        bool current = id - kBarTabFirst == ToolBar2Page;
        DrawBitmapRes(dc, current ? "tb_tab1" : "tb_tab2", 0, 0, SRCCOPY);
        draw_text_fit(dc, rc.left, rc.top + 8, rc.right, rc.bottom - 8, kPageNames[id - kBarTabFirst],
                      current ? RGB(255, 255, 255) : RGB(128, 128, 128), nullptr, 0, FW_BOLD, 1);
    } else if (id == kBarSwatch) {
        if (!DrawBrushImageSwatch(dc, rc))
            FillRectColor(dc, rc.left, rc.top, rc.right, rc.bottom, RGB(PenColour.red, PenColour.green, PenColour.blue));
        DrawRectOutline(dc, rc.left, rc.top, rc.right - 1, rc.bottom - 1, RGB(255, 255, 255));
        DrawRectOutline(dc, rc.left + 1, rc.top + 1, rc.right - 2, rc.bottom - 2, RGB(0, 0, 0));
    } else if (id == kBarGauge) {
        DrawGauge(dc, rc);
    } else if (id == kBarPanelButton) {
        FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        DrawBitmapRes(dc, Env.ctrlPanelShown ? "tb_up" : "tb_dw", 0, 0, SRCCOPY);
    } else if (id == kBarTabletButton) {
        int off = (di->itemState & ODS_SELECTED) ? 2 : 0;
        FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        DrawBitmapRes(dc, "tb_pen", off, off, SRCCOPY);
    }
}

void PaintPenOptionBar(HWND bar) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    RECT rc;
    GetClientRect(bar, &rc);
    FillRectColor(dc, 405, 0, 425, rc.bottom, RGB(164, 164, 164));
    FillRectColor(dc, 875, 0, 895, rc.bottom, RGB(164, 164, 164));
    draw_text_at(dc, 490, 8, 14, "不透明度", RGB(64, 64, 64), nullptr, nullptr);
    draw_text_at(dc, 720, 8, 14, "領域ぼかし", RGB(64, 64, 64), nullptr, nullptr);
    EndPaint(bar, &ps);
}

HWND MakeBarChild(HWND bar, const char* cls, int id, DWORD style, DWORD exStyle = 0) {
    return CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, bar,
                           (HMENU)(INT_PTR)id, AppInstance, nullptr);
}

void CreatePenOptionBarChildren(HWND bar) {
    for (int i = 0; i < 3; ++i) MakeBarChild(bar, "BUTTON", kBarTabFirst + i, BS_OWNERDRAW);
    MakeBarChild(bar, "BUTTON", kBarSwatch, BS_OWNERDRAW);
    MakeBarChild(bar, "STATIC", kBarGauge, SS_OWNERDRAW | WS_BORDER);
    HWND edit = MakeBarChild(bar, "EDIT", kBarBlurEdit, ES_NUMBER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    if (!g_blurFont) g_blurFont = CreateUiFont(14);
    SendMessageA(edit, WM_SETFONT, (WPARAM)g_blurFont, 0);
    SetWindowInt(edit, AreaBlurAmount);
    MakeBarChild(bar, "SCROLLBAR", kBarBlurSpin, SBS_VERT);
    MakeBarChild(bar, "BUTTON", kBarPanelButton, BS_OWNERDRAW);
    MakeBarChild(bar, "BUTTON", kBarTabletButton, BS_OWNERDRAW);
}

void LayoutPenOptionBar(HWND bar, int width) {
    for (int i = 0; i < 3; ++i) MoveWindow(BarChild(bar, kBarTabFirst + i), 4 + 128 * i, 4, 128, 32, TRUE);
    MoveWindow(BarChild(bar, kBarSwatch), 434, 4, 40, 22, TRUE);
    MoveWindow(BarChild(bar, kBarGauge), 564, 4, 128, 22, TRUE);
    MoveWindow(BarChild(bar, kBarBlurEdit), 804, 5, 32, 22, TRUE);
    MoveWindow(BarChild(bar, kBarBlurSpin), 836, 5, 10, 22, TRUE);
    MoveWindow(BarChild(bar, kBarPanelButton), width - 32, 0, 32, 32, TRUE);
    MoveWindow(BarChild(bar, kBarTabletButton), 895, 0, 32, 28, TRUE);
}

void PenOptionBarCommand(HWND bar, int id, int code) {
    if (id >= kBarTabFirst && id < kBarTabFirst + 3) {
        if (code == BN_CLICKED) SelectToolBarPage(id - kBarTabFirst);
    } else if (id == kBarBlurEdit) {
        ReadDlgItemInt(bar, kBarBlurEdit, &AreaBlurAmount, 20, 0);
        MarkCanvasesSelBlur();
    } else if (id == kBarPanelButton && code == BN_CLICKED) {
        if (AppWindows.frame) SendMessageA(AppWindows.frame, WM_COMMAND, CMD_VIEW_CTRLPANEL, 0);
        InvalidateRect(BarChild(bar, kBarPanelButton), nullptr, FALSE);
    } else if (id == kBarTabletButton && code == BN_CLICKED) {
        ShowTabletDialog(AppWindows.frame);
    }
}

// The tip lies over the frame's children as the frame's top child: pop-up
// windows of the program are not shown reliably on every display here.
void SizeTipWindow(HWND tip, int x, int y, int w, int h) {
    // The panel and its shadow 6 pixels to the lower right; the rest of the
    // window's rectangle is cut away.
    HRGN panel = CreateRectRgn(0, 0, w, h);
    HRGN shadow = CreateRectRgn(6, 6, w + 6, h + 6);
    CombineRgn(panel, panel, shadow, RGN_OR);
    DeleteObject(shadow);
    POINT at = {x, y};
    ScreenToClient(GetParent(tip), &at);
    SetWindowPos(tip, HWND_TOP, at.x, at.y, w + 6, h + 6, SWP_NOACTIVATE);
    SetWindowRgn(tip, panel, TRUE);
}

SIZE MeasureTipText(const char* text) {
    SIZE size = {};
    HDC dc = GetDC(nullptr);
    HFONT font = CreateUiFont(14);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return size;
}

}  // namespace

int ToolBarIndexOfCommand(int id) {
    for (int i = 0; i < kMainBarEntryCount; ++i)
        if (!IsGap(kMainBarEntries[i].command) && kMainBarEntries[i].command == id) return i;
    return -1;
}

int ToolBar2IndexOfCommand(int id) {
    for (int i = 0; i < kToolBar2EntryCount; ++i)
        if (!IsGap(kToolBar2Entries[i].command) && kToolBar2Entries[i].command == id) return i;
    return -1;
}

void LayoutMainBar(const int shown[15], RECT out[kMainBarEntryCount]) {
    int x = 2;
    for (int i = 0; i < kMainBarEntryCount; ++i) {
        out[i] = RECT{0, 0, 0, 0};
        if (IsGap(kMainBarEntries[i].command)) {
            x += 8;
        } else if (i < 15 && shown[i]) {
            out[i] = RECT{x, 2, x + kMainButton, 2 + kMainButton};
            x += kMainButton;
        }
    }
}

void LayoutToolBar2(int page, RECT out[kToolBar2EntryCount]) {
    int y = 6;
    bool gapAllowed = true;   // a gap adds 8 only after a placed button or at the start
    int bit = 1 << page;
    for (int i = 0; i < kToolBar2EntryCount; ++i) {
        out[i] = RECT{0, 0, 0, 0};
        const ToolBar2Entry& e = kToolBar2Entries[i];
        if (e.command == -1) break;
        if (e.command == 0) {
            if (gapAllowed) y += 8;
            gapAllowed = false;
        } else if (e.pages & bit) {
            out[i] = RECT{6, y, 6 + kToolButtonW, y + kToolButtonH};
            y += 45;
            gapAllowed = true;
        }
    }
}

bool MainButtonDisabled(int command, const MainButtonFacts& f) {
    if (!f.canvasOpen) return MissingOrGrayedInInitMenu(f.initMenuState);
    if (command == 14001 && !f.clipboardImage) return true;
    if (f.closing) return false;
    switch (command) {
    case CMD_EDIT_UNDO: return !f.hasUndo;
    case CMD_EDIT_REDO: return !f.hasRedo;
    case CMD_VIEW_ZOOMOUT: return f.zoom <= 10;
    case CMD_VIEW_ZOOMIN: return f.zoom >= 1000;
    default: return false;
    }
}

void MenuTextToTip(const char* in, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    size_t n = 0;
    for (size_t i = 0; in && in[i];) {
        unsigned char c = (unsigned char)in[i];
        if (IsSjisLead(c) && in[i + 1]) {
            if (n + 2 >= outSize) break;
            out[n++] = in[i];
            out[n++] = in[i + 1];
            i += 2;
            continue;
        }
        if (c == '\t' || std::strncmp(in + i, "...", 3) == 0) break;
        // "(&X)": an opening parenthesis, '&', one character, a closing one.
        if (c == '(' && in[i + 1] == '&' && in[i + 2] && in[i + 3] == ')') break;
        if (c != '&') {
            if (n + 1 >= outSize) break;
            out[n++] = (char)c;
        }
        ++i;
    }
    out[n] = 0;
}

void RedrawColourSwatch() {
    HWND swatch = BarChild(AppWindows.penOptionBar, kBarSwatch);
    if (swatch) InvalidateRect(swatch, nullptr, FALSE), UpdateWindow(swatch);
}

void PressToolButton(int command) {
    int index = ToolBar2IndexOfCommand(command);
    HWND button = index >= 0 && AppWindows.toolBar2 ? GetDlgItem(AppWindows.toolBar2, index) : nullptr;
    if (button) SendMessageA(button, WM_LBUTTONDOWN, 0, 0);
    else if (AppWindows.frame) SendMessageA(AppWindows.frame, WM_COMMAND, command, 0);
}

void RepaintMainBarButton(int command) {
    int index = ToolBarIndexOfCommand(command);
    if (index >= 0) RepaintMainButton(index);
}

void RepaintToolButtons(int oldTool, int newTool) {
    RepaintToolOf(oldTool);
    RepaintToolOf(newTool);
}

void SelectToolBarPage(int page) {
    if (page < 0 || page > 2) return;
    ToolBar2Page = page;
    for (int i = 0; i < 3; ++i) {
        HWND tab = BarChild(AppWindows.penOptionBar, kBarTabFirst + i);
        if (tab) InvalidateRect(tab, nullptr, FALSE);
    }
    int index = ToolBar2IndexOfCommand(CurrentTool);
    int group = GroupOfCommand(CurrentTool);
    if (group >= 0) index = ToolBar2IndexOfCommand(group == 0 ? kGroupCommandA : kGroupCommandB);
    bool onPage = index >= 0 && (kToolBar2Entries[index].pages & (1 << page));
    if (!onPage && AppWindows.frame) {
        for (const ToolBar2Entry& e : kToolBar2Entries) {
            if (!IsGap(e.command) && (e.pages & (1 << page))) {
                SendMessageA(AppWindows.frame, WM_COMMAND, e.command, 0);
                break;
            }
        }
    }
    if (AppWindows.toolBar2) RelayoutWindow(AppWindows.toolBar2, 1);
}

void RefreshAreaBlurField() {
    HWND edit = BarChild(AppWindows.penOptionBar, kBarBlurEdit);
    if (!edit) return;
    char now[32], want[32];
    GetWindowTextA(edit, now, sizeof now);
    std::snprintf(want, sizeof want, "%d", AreaBlurAmount);
    if (std::strcmp(now, want) != 0) SetWindowTextA(edit, want);
}

int OpacityFromGaugeX(int x, int width) {
    int v = width > 1 ? x * 255 / (width - 1) : 255;
    if (v < 0) v = 0;
    if (v >= 254) v = 255;
    return v;
}

void OpacityGaugeText(int opacity, int numberMode, char* out, size_t outSize, int width, int* x) {
    int shown = opacity;
    if (numberMode == 2) {
        std::snprintf(out, outSize, "%X", opacity);
    } else {
        if (numberMode == 1) shown = opacity * 100 / 255;
        std::snprintf(out, outSize, "%3d %%", shown);
    }
    *x = shown <= 50 ? width - 40 : 4;
}

void ShowTip(int x, int y, const char* text) {
    if (!TipState.tip || !IsWindow(TipState.tip)) {
        TipState.tip = CreateWindowExA(0, "ToolTipClass", "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                       AppWindows.frame, nullptr, AppInstance, nullptr);
        if (!TipState.tip) return;
    }
    lstrcpynA(TipState.text, text ? text : "", sizeof TipState.text);
    SIZE size = MeasureTipText(TipState.text);
    int w = size.cx + 19, h = size.cy + 7;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // A text wider or higher than the screen is cut by the screen's edge.
    if (w > sw) w = sw;
    if (h > sh) h = sh;
    if (x > sw - w) x = sw - w;
    if (y > sh - h) y = sh - h;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    SizeTipWindow(TipState.tip, x, y, w, h);
    InvalidateRect(TipState.tip, nullptr, TRUE);
    ShowWindow(TipState.tip, SW_SHOWNOACTIVATE);
    UpdateWindow(TipState.tip);
    TipState.shown = true;
}

void EndTip() {
    if (TipState.capture) {
        if (TipState.timerId >= 0) KillTimer(TipState.capture, (UINT_PTR)TipState.timerId);
        HWND held = TipState.capture;
        TipState.capture = nullptr;
        if (GetCapture() == held) ReleaseCapture();
    }
    TipState.timerId = -1;
    if (TipState.shown && TipState.tip) ShowWindow(TipState.tip, SW_HIDE);
    TipState.shown = false;
}

void EndToolBarTips() {
    EndTip();
    int old = MainBarHovered;
    MainBarHovered = -1;
    RepaintMainButton(old);
    old = ToolBar2Hovered;
    ToolBar2Hovered = -1;
    RepaintBar2Button(old);
}

// --- window procedures ----------------------------------------------------

namespace {

void CreateButtons(HWND bar, const char* cls, int count) {
    for (int i = 0; i < count; ++i)
        CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, bar, (HMENU)(INT_PTR)i, AppInstance, nullptr);
}

void PlaceButtons(HWND bar, const RECT* rects, int count) {
    for (int i = 0; i < count; ++i)
        MoveWindow(GetDlgItem(bar, i), rects[i].left, rects[i].top, rects[i].right - rects[i].left,
                   rects[i].bottom - rects[i].top, TRUE);
}

// The capture of a button with a pending or shown tip went elsewhere.
void OnCaptureChanged(HWND button, LPARAM newCapture) {
    if (TipState.capture == button && (HWND)newCapture != button) {
        TipState.capture = nullptr;
        EndTip();
    }
}

}  // namespace

LRESULT CALLBACK ToolBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateButtons(wnd, "ToolBarIconClass", kMainBarEntryCount);
        return 0;
    case WM_SIZE: {
        RECT rects[kMainBarEntryCount];
        LayoutMainBar(MainBarButtonShown, rects);
        PlaceButtons(wnd, rects, kMainBarEntryCount);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ToolBarIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        PaintMainButton(wnd);
        return 0;
    case WM_MOUSEMOVE:
        TrackHover(wnd, lp, GetDlgCtrlID(wnd), &MainBarHovered, RepaintMainButton);
        return 0;
    case WM_TIMER:
        if (TipTimerFired(wnd, wp)) {
            int index = GetDlgCtrlID(wnd);
            char menuText[256] = {}, tip[256], line[300];
            if (AppMenus.child && index >= 0 && index < kMainBarEntryCount)
                GetMenuStringA(AppMenus.child, kMainBarEntries[index].command, menuText, sizeof menuText,
                               MF_BYCOMMAND);
            MenuTextToTip(menuText, tip, sizeof tip);
            std::snprintf(line, sizeof line, LoadResString(IDS_TIP_FORMAT), tip);
            ShowTipBelow(wnd, 40, 56, line);
        }
        return 0;
    case WM_LBUTTONDOWN:
        MainButtonClick(wnd);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(wnd, lp);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ToolBar2WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateButtons(wnd, "ToolBarIconClass2", kToolBar2EntryCount);
        return 0;
    case WM_SIZE: {
        RECT rects[kToolBar2EntryCount];
        LayoutToolBar2(ToolBar2Page, rects);
        PlaceButtons(wnd, rects, kToolBar2EntryCount);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ToolBar2IconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        PaintBar2Button(wnd);
        return 0;
    case WM_MOUSEMOVE:
        // The arrow pop-up over the group buttons has no template: nothing to show.
        TrackHover(wnd, lp, GetDlgCtrlID(wnd), &ToolBar2Hovered, RepaintBar2Button);
        return 0;
    case WM_TIMER:
        if (TipTimerFired(wnd, wp)) ShowTipBelow(wnd, 30, 44, LoadResString(IDS_TOOLTIP_FIRST + GetDlgCtrlID(wnd)));
        return 0;
    case WM_LBUTTONDOWN:
        Bar2ButtonClick(wnd);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(wnd, lp);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK PenOptionBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreatePenOptionBarChildren(wnd);
        return 0;
    case WM_SIZE:
        LayoutPenOptionBar(wnd, LOWORD(lp));
        return 0;
    case WM_PAINT:
        PaintPenOptionBar(wnd);
        return 0;
    case WM_DRAWITEM:
        DrawBarItem((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_COMMAND:
        PenOptionBarCommand(wnd, LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_VSCROLL:
        if ((HWND)lp == GetDlgItem(wnd, kBarBlurSpin)) {
            SpinDlgItemInt(wnd, kBarBlurEdit, &AreaBlurAmount, 20, 0, LOWORD(wp));
            MarkCanvasesSelBlur();
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        RECT gauge = GaugeRectInBar(wnd);
        POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (PtInRect(&gauge, pt) && !g_gaugeDragging) GaugeDrag(wnd, msg == WM_RBUTTONDOWN);
        return 0;
    }
    case WM_DESTROY:
        if (g_blurFont) DeleteObject(g_blurFont);
        g_blurFont = nullptr;
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK PenIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        // The window text names another pair of bitmaps (name, name + "__").
        char name[32] = "flt_pen", shown[40];
        if (GetWindowTextA(wnd, shown, sizeof name) > 0) lstrcpynA(name, shown, sizeof name);
        std::snprintf(shown, sizeof shown, g_penIconPressed ? "%s" : "%s__", name);
        DrawBitmapRes(dc, shown, 0, 0, SRCCOPY);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_MOUSEMOVE: {
        static int hovered = -1;
        TrackHover(wnd, lp, 0, &hovered, [](int) {});
        return 0;
    }
    case WM_TIMER:
        if (TipTimerFired(wnd, wp)) ShowTipBelow(wnd, 30, 4, "ペンモード");
        return 0;
    case WM_LBUTTONDOWN:
        EndTip();
        g_penIconPressed = true;
        InvalidateRect(wnd, nullptr, FALSE), UpdateWindow(wnd);
        while (IsLeftButtonDown()) {
        }
        g_penIconPressed = false;
        InvalidateRect(wnd, nullptr, FALSE), UpdateWindow(wnd);
        SendMessageA(GetParent(wnd), WM_COMMAND, (WPARAM)GetDlgCtrlID(wnd), (LPARAM)wnd);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(wnd, lp);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ToolTipWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_USER + 16: {  // new text, in place
        RECT rc;
        GetWindowRect(wnd, &rc);
        if (wnd == TipState.tip) ShowTip(rc.left, rc.top, (const char*)lp);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        int w = rc.right - 6, h = rc.bottom - 6;
        FillRectColor(dc, 6, 6, w + 6, h + 6, RGB(0, 0, 0));
        DrawRaisedPanelThin(dc, 0, 0, w - 1, h - 1, RGB(255, 255, 255));
        draw_text_at(dc, 2 + 1, 2 + 1, 14, wnd == TipState.tip ? TipState.text : "", RGB(0, 0, 0), nullptr, nullptr);
        EndPaint(wnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
