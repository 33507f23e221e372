#include "paint/tone_select.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "canvas/screen_row.h"
#include "paint/tone_mask.h"
#include "ui/drawutil.h"

namespace {

constexpr char kBaseClass[] = "ToneSelBaseClass";
constexpr char kSwatchClass[] = "ToneSelClass";

int SwatchMode(HWND swatch) { return GetDlgCtrlID(swatch); }

bool ModeChosen(int mode) {
    const ToneMaskSettings& s = c_ToneMask::Settings;
    return mode >= 0 && mode < kToneModeCount && s.modes[mode] != 0;
}

// The swatch's face: its mode alone over the whole client, each weight v as
// grey 255 - v, row by row through the screen row; the chosen mode framed red
// one and two pixels in.
void PaintSwatch(HWND swatch, HDC dc) {
    RECT rc;
    GetClientRect(swatch, &rc);
    const int w = rc.right, h = rc.bottom, mode = SwatchMode(swatch);
    if (w <= 0 || h <= 0 || mode < 0 || mode >= kToneSwatchCount) return;
    ToneMaskSettings saved = c_ToneMask::Settings;
    std::memset(c_ToneMask::Settings.modes, 0, sizeof c_ToneMask::Settings.modes);
    std::memset(c_ToneMask::Settings.params, 0, sizeof c_ToneMask::Settings.params);
    c_ToneMask::Settings.modes[mode] = 1;
    std::vector<uint8_t> weights((size_t)w);
    std::vector<uint8_t> pixels((size_t)w * 4);
    for (int y = 0; y < h; ++y) {
        c_ToneMask::MakeRow(y, 0, w - 1, 0, 0, w - 1, h - 1, weights.data(), 1);
        for (int x = 0; x < w; ++x) {
            const uint8_t g = (uint8_t)(255 - weights[x]);
            pixels[(size_t)x * 4] = pixels[(size_t)x * 4 + 1] = pixels[(size_t)x * 4 + 2] = g;
        }
        g_ScreenRow.PutRow(dc, y, 0, w - 1, pixels.data());
    }
    c_ToneMask::Settings = saved;
    if (ModeChosen(mode)) {
        DrawRectOutline(dc, 1, 1, w - 2, h - 2, RGB(255, 0, 0));
        DrawRectOutline(dc, 2, 2, w - 3, h - 3, RGB(255, 0, 0));
    }
}

void LayoutSwatches(HWND base) {
    RECT rc;
    GetClientRect(base, &rc);
    int columns = rc.right / kToneSwatchSize;
    if (columns < 1) columns = 1;
    for (int i = 0; i < kToneSwatchCount; ++i) {
        HWND swatch = GetDlgItem(base, i);
        if (swatch)
            MoveWindow(swatch, i % columns * kToneSwatchSize, i / columns * kToneSwatchSize, kToneSwatchSize,
                       kToneSwatchSize, TRUE);
    }
}

}  // namespace

LRESULT CALLBACK ToneSelBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        for (int i = 0; i < kToneSwatchCount; ++i)
            CreateWindowExA(0, kSwatchClass, "", WS_CHILD | WS_VISIBLE, 0, 0, kToneSwatchSize, kToneSwatchSize, wnd,
                            (HMENU)(INT_PTR)i, instance, nullptr);
        LayoutSwatches(wnd);
        return 0;
    }
    case WM_SIZE:
        LayoutSwatches(wnd);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ToneSelWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintSwatch(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintSwatch(wnd, (HDC)wp);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the swatch covers its whole client
    case WM_LBUTTONDOWN: {
        // Numbers 1..7 of the tone choice are the modes 0..6.
        c_ToneMask::Choose(SwatchMode(wnd) + 1);
        if (c_ToneMask::ModesChangedHook) c_ToneMask::ModesChangedHook();
        HWND base = GetParent(wnd);
        for (int i = 0; i < kToneSwatchCount; ++i) {
            HWND swatch = GetDlgItem(base, i);
            if (swatch) InvalidateRect(swatch, nullptr, FALSE);
        }
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterToneSelectorClasses(HINSTANCE instance) {
    struct Entry {
        const char* name;
        WNDPROC proc;
        COLORREF colour;
    } entries[] = {{kBaseClass, ToneSelBaseWndProc, RGB(128, 128, 192)},
                   {kSwatchClass, ToneSelWndProc, RGB(255, 255, 255)}};
    for (const Entry& e : entries) {
        WNDCLASSA wc = {};
        if (GetClassInfoA(instance, e.name, &wc)) continue;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = e.proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(e.colour);
        wc.lpszClassName = e.name;
        RegisterClassA(&wc);
    }
}
