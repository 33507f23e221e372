#include "fileio/exif_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "fileio/exif_file.h"
#include "resources/fileio_ids.h"

namespace {

// Bookkeeping entries that give no row.
const char* const kHiddenKeys[] = {
    "Exif IFDへのポインタ", "ファイル変更日時", "画素の並び", "解像度の単位", "画像の高さ（ピクセル）",
    "画像の幅（ピクセル）", "画像の幅方向の解像度（ピクセル）", "画像の高さ方向の解像度（ピクセル）",
    "画素の位置構成", "画像圧縮モード（ビット／ピクセル）", "対応FlashPixのバージョン", "焦点面の解像度の単位",
    "焦点面の幅方向の解像度（ピクセル）", "焦点面の高さ方向の解像度（ピクセル）", "互換性IFDへのポインタ",
    "実効画像の幅（ピクセル）", "実効画像の高さ（ピクセル）", "互換性インデックス", "互換性バージョン",
    "関連画像の高さ", "関連画像の幅", "色空間情報", "コンポーネントの意味", "Exifバージョン",
    "使用したソフトウェア",
};
const char kFNumber[] = "F値";
const char kAperture[] = "絞り（APEX）";
const char kMaxAperture[] = "レンズの最小F値（APEX）";
const char kTaken[] = "オリジナル画像の生成日時";
const char kDigitized[] = "ディジタルデータの生成日時";
const char kExposureTime[] = "露出時間（秒）";
const char kExposureBias[] = "露出補正（APEX）";
const char kNoExif[] = "Exif情報はありません";

struct RowBuilder {
    std::vector<ExifRow>* rows;
    bool seenFNumber = false, seenTaken = false;
};

std::string Format(const char* format, double v) {
    char text[64];
    snprintf(text, sizeof(text), format, v);
    return text;
}

int AddRow(const c_IfdEntry* e, void* user) {
    RowBuilder* b = (RowBuilder*)user;
    const std::string& key = e->japaneseName;
    if (key.empty()) return 1;
    for (const char* hidden : kHiddenKeys)
        if (CompareNoCase(key.c_str(), hidden) == 0) return 1;
    if (key == kFNumber) b->seenFNumber = true;
    if (key == kAperture && b->seenFNumber) return 1;
    if (key == kTaken) b->seenTaken = true;
    if (key == kDigitized && b->seenTaken) return 1;

    ExifRow row{key, e->valueText};
    if (key == kTaken || key == kDigitized) row.label = "撮影日時";
    if (e->type == TiffRational && e->values.size() >= 4) {
        // Several rationals (degrees, minutes and seconds of a GPS position,
        // hours, minutes and seconds of its time): every one of them.
        row.value.clear();
        for (size_t i = 0; i + 1 < e->values.size(); i += 2) {
            const double v = e->values[i + 1] ? (double)e->values[i] / e->values[i + 1] : 0.0;
            char text[32];
            snprintf(text, sizeof(text), "%s%.6g", i ? " " : "", v);
            row.value += text;
        }
    } else if (e->type == TiffRational) {
        const uint32_t num = e->values.size() >= 2 ? e->values[0] : 0, den = e->values.size() >= 2 ? e->values[1] : 0;
        const double v = den ? (double)num / den : 0.0;
        if (key == kExposureTime && v > 0 && v < 1) {
            char text[64];
            snprintf(text, sizeof(text), "%d / %d", 1, (int)(den / (num < 1 ? 1 : num)));
            row.value = text;
        } else {
            row.value = Format("%.1f  ", v);   // one second or more: seconds
        }
    } else {
        if (e->valueText.size() > 180) return 1;
        if (key == kExposureBias) {
            row.label = "露出補正";
            row.value = Format("EV %.1f", ParseRational(e->valueText.c_str()));
        }
    }
    if (key == kAperture || key == kMaxAperture) {
        row.label = key == kAperture ? "絞り" : "レンズの最小F値";
        double apex = 0;
        sscanf(row.value.c_str(), "%lf", &apex);
        row.value = Format("%.1lf", ApexToFNumber(apex));
    }
    if (b->rows->size() >= ExifDialogMaxRows) return 1;
    std::vector<char> label(row.label.begin(), row.label.end()), value(row.value.begin(), row.value.end());
    label.push_back(0), value.push_back(0);
    TrimTrailingSpaces(label.data());
    TrimTrailingSpaces(value.data());
    b->rows->push_back({label.data(), value.data()});
    return 1;
}

// ---------------------------------------------------------------------------
// The dialog.

enum : int { kCells = 2 * ExifDialogMaxRows, kRowHeight = 20, kDividerWidth = 4, kRebuild = WM_USER + 18 };
const COLORREF kLabelFill = RGB(185, 208, 222), kValueFill = RGB(245, 248, 249);

struct ExifDialogState {
    const uint8_t* blob;
    size_t size;
    int columnWidth;
    std::vector<ExifRow> rows;
    HWND cells[kCells];
    HWND divider, list;
    int scroll, clientHeight;
} g_Exif;

int ContentHeight() { return (int)g_Exif.rows.size() * kRowHeight; }

void LayoutList(HWND list) {
    RECT rc;
    GetClientRect(list, &rc);
    const int width = rc.right, height = rc.bottom;
    g_Exif.clientHeight = height;
    if (g_Exif.rows.empty()) {
        ShowWindow(g_Exif.divider, SW_HIDE);
        MoveWindow(g_Exif.cells[0], 0, 0, width, kRowHeight, TRUE);
        SetWindowTextA(g_Exif.cells[0], kNoExif);
        SetupScrollBar(list, SB_VERT, 0, 0, height, 0);
        return;
    }
    int maxScroll = ContentHeight() - height;
    if (maxScroll < 0) maxScroll = 0;
    if (g_Exif.scroll > maxScroll) g_Exif.scroll = maxScroll;
    if (g_Exif.scroll < 0) g_Exif.scroll = 0;
    for (int i = 0; i < 2 * (int)g_Exif.rows.size(); ++i) {
        const int y = (i / 2) * kRowHeight - g_Exif.scroll;
        if (i % 2 == 0) MoveWindow(g_Exif.cells[i], 0, y, g_Exif.columnWidth, kRowHeight, TRUE);
        else MoveWindow(g_Exif.cells[i], g_Exif.columnWidth + kDividerWidth, y, width - g_Exif.columnWidth - kDividerWidth, kRowHeight, TRUE);
    }
    SetupScrollBar(list, SB_VERT, 0, ContentHeight(), height, g_Exif.scroll);
    ShowWindow(g_Exif.divider, SW_SHOW);
    MoveWindow(g_Exif.divider, g_Exif.columnWidth, 0, kDividerWidth, height, TRUE);
}

void LoadRows(HWND list) {
    for (HWND cell : g_Exif.cells) MoveWindow(cell, 0, 0, 0, 0, FALSE);
    g_Exif.rows = BuildExifRows(g_Exif.blob, g_Exif.size);
    for (size_t i = 0; i < g_Exif.rows.size(); ++i) {
        SetWindowTextA(g_Exif.cells[2 * i], g_Exif.rows[i].label.c_str());
        SetWindowTextA(g_Exif.cells[2 * i + 1], g_Exif.rows[i].value.c_str());
    }
    g_Exif.scroll = 0;
    LayoutList(list);
}

void ScrollList(HWND list, int code) {
    int maxScroll = ContentHeight() - g_Exif.clientHeight;
    if (maxScroll < 0) maxScroll = 0;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_TRACKPOS;
    GetScrollInfo(list, SB_VERT, &si);
    int target = g_Exif.scroll;
    switch (code) {
    case SB_LINEUP: target -= 1; break;
    case SB_LINEDOWN: target += 1; break;
    case SB_PAGEUP: target -= 4; break;
    case SB_PAGEDOWN: target += 4; break;
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = maxScroll; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: target = si.nTrackPos; break;
    default: return;
    }
    target = target < 0 ? 0 : target > maxScroll ? maxScroll : target;
    const int step = target - g_Exif.scroll;
    if (!step) return;
    g_Exif.scroll = target;
    ScrollWindowEx(list, 0, -step, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SetupScrollBar(list, SB_VERT, 0, ContentHeight(), g_Exif.clientHeight, g_Exif.scroll);
    MoveWindow(g_Exif.divider, g_Exif.columnWidth, 0, kDividerWidth, g_Exif.clientHeight, TRUE);
}

void DrawCell(const DRAWITEMSTRUCT* item) {
    const bool label = item->CtlID % 2 == 0;
    COLORREF fill = g_Exif.rows.empty() || label ? kLabelFill : kValueFill;
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(item->hDC, &item->rcItem, brush);
    DeleteObject(brush);
    char text[260] = {};
    GetWindowTextA(item->hwndItem, text, sizeof(text));
    const RECT& r = item->rcItem;
    DrawTextFitCut(item->hDC, r.left + 12, r.top + 4, r.right - 16, r.bottom - 4, text, RGB(0, 0, 0), nullptr, 0, 400, 0);
}

}  // namespace

LRESULT CALLBACK ExifGridProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        HBRUSH brush = CreateSolidBrush(kLabelFill);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        // The divider follows the pointer as an inverted frame until release.
        RECT rc;
        GetWindowRect(wnd, &rc);
        HDC screen = GetDC(nullptr);
        POINT p;
        GetCursorPos(&p);
        const int grab = p.x - rc.left;
        int x = rc.left;
        DrawXorRect(screen, x, rc.top, x + kDividerWidth, rc.bottom);
        while (IsLeftButtonDown()) {
            GetCursorPos(&p);
            if (p.x - grab != x) {
                DrawXorRect(screen, x, rc.top, x + kDividerWidth, rc.bottom);
                x = p.x - grab;
                DrawXorRect(screen, x, rc.top, x + kDividerWidth, rc.bottom);
            }
            Sleep(10);
        }
        DrawXorRect(screen, x, rc.top, x + kDividerWidth, rc.bottom);
        ReleaseDC(nullptr, screen);
        POINT origin = {0, 0};
        ClientToScreen(g_Exif.list, &origin);
        int width = x - origin.x;
        RECT client;
        GetClientRect(g_Exif.list, &client);
        g_Exif.columnWidth = width < 8 ? 8 : width > client.right - 8 ? client.right - 8 : width;
        LayoutList(g_Exif.list);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK ExifDlgBaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        g_Exif.list = wnd;
        for (int i = 0; i < kCells; ++i)
            g_Exif.cells[i] = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, wnd,
                                              (HMENU)(INT_PTR)i, GetModuleHandleA(nullptr), nullptr);
        g_Exif.divider = CreateWindowExA(0, "ExifGridClass", "", WS_CHILD, 0, 0, 0, 0, wnd,
                                         (HMENU)(INT_PTR)IDC_EXIF_DIVIDER, GetModuleHandleA(nullptr), nullptr);
        return 0;
    case kRebuild:
        LoadRows(wnd);
        return 0;
    case WM_SIZE:
        LayoutList(wnd);
        return 0;
    case WM_VSCROLL:
        ScrollList(wnd, LOWORD(wp));
        return 0;
    case WM_DRAWITEM:
        DrawCell((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

namespace {

INT_PTR CALLBACK ExifInfoDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        CreateWindowExA(WS_EX_CLIENTEDGE, "ExifDlgBaseClass", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 8, 8, 10, 10,
                        dlg, (HMENU)(INT_PTR)IDC_EXIF_LIST, GetModuleHandleA(nullptr), nullptr);
        CenterWindow(dlg);
        SendMessageA(g_Exif.list, kRebuild, (WPARAM)-1, 0);
        {
            RECT rc;
            GetClientRect(dlg, &rc);
            SendMessageA(dlg, WM_SIZE, 0, MAKELPARAM(rc.right, rc.bottom));
        }
        return TRUE;
    case WM_SIZE: {
        RECT rc;
        GetClientRect(dlg, &rc);
        MoveWindow(g_Exif.list, 8, 8, rc.right - 16, rc.bottom - 40, TRUE);
        HWND ok = GetDlgItem(dlg, IDOK);
        RECT b;
        GetWindowRect(ok, &b);
        MoveWindow(ok, rc.right - 8 - (b.right - b.left), rc.bottom - 8 - (b.bottom - b.top), b.right - b.left,
                   b.bottom - b.top, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) EndDialog(dlg, 1);
        if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    }
    return FALSE;
}

void RegisterExifClasses() {
    WNDCLASSA wc = {};
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    if (!GetClassInfoA(wc.hInstance, "ExifDlgBaseClass", &wc)) {
        wc.lpfnWndProc = ExifDlgBaseProc;
        wc.lpszClassName = "ExifDlgBaseClass";
        wc.hbrBackground = CreateSolidBrush(kValueFill);
        RegisterClassA(&wc);
    }
    WNDCLASSA grid = {};
    grid.hInstance = GetModuleHandleA(nullptr);
    if (!GetClassInfoA(grid.hInstance, "ExifGridClass", &grid)) {
        grid.lpfnWndProc = ExifGridProc;
        grid.lpszClassName = "ExifGridClass";
        grid.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_SIZEWE);
        RegisterClassA(&grid);
    }
}

}  // namespace

double ApexToFNumber(double x) { return std::pow(10.0, std::log10(2.0) * x * 0.5); }

double ParseRational(const char* text) {
    if (!text || !*text) return 0;
    const char* slash = std::strrchr(text, '/');
    if (!slash) return 0;
    std::string head(text, slash);
    const int a = std::atoi(head.c_str()), b = std::atoi(slash + 1);
    return b ? (double)a / b : 0;
}

std::vector<ExifRow> BuildExifRows(const uint8_t* blob, size_t size) {
    std::vector<ExifRow> rows;
    c_ExifFile exif;
    if (exif.Unpack(blob, size) != 0) return rows;
    RowBuilder b{&rows};
    exif.EnumAllEntries(AddRow, &b);
    return rows;
}

int OpenExifInfoDialog(HWND owner, HGLOBAL blob, int32_t size) {
    RegisterExifClasses();
    g_Exif = {};
    g_Exif.columnWidth = 192;
    const uint8_t* bytes = blob && size > 0 ? (const uint8_t*)GlobalLock(blob) : nullptr;
    g_Exif.blob = bytes;
    g_Exif.size = bytes ? (size_t)size : 0;
    EnablePanels(FALSE);
    INT_PTR result = RunModalDialog(GetModuleHandleA(nullptr), "ivm_exifinfo", owner, ExifInfoDlgProc, 0);
    EnablePanels(TRUE);
    if (bytes) GlobalUnlock(blob);
    g_Exif.blob = nullptr;
    g_Exif.rows.clear();
    return result == 1 ? 1 : 0;
}
