#include "browser/print.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/map_store.h"
#include "fileio/exif_file.h"
#include "fileio/print_setup.h"
#include "resources/darnaview_ids.h"

namespace {

PrinterState g_printer = {.dc = nullptr, .pageWidth = 0, .pageHeight = 0, .dpiX = 0, .dpiY = 0};
bool g_printerTried;
PRINTDLGA g_printDialog;
IndexLayout g_index;
bool g_indexOpened;   // the fast-print switch goes off the first time the dialog opens

void ReadPageSize() {
    HDC dc = g_printer.dc;
    g_printer.pageWidth = dc ? GetDeviceCaps(dc, HORZRES) : 0;
    g_printer.pageHeight = dc ? GetDeviceCaps(dc, VERTRES) : 0;
    g_printer.dpiX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    g_printer.dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
}

void EnsurePrinter() {
    if (g_printerTried) return;
    g_printerTried = true;
    OpenDefaultPrinter();
}

// A picture file as a MapImage, rows copied from its 24-bit bitmap.
MapImage* ReadMapImage(const char* path) {
    PackedDib dib = ReadImageToDib24(path);
    if (!dib) return nullptr;
    MapImage* image = g_MapStore.Create(dib->biWidth, dib->biHeight, 24, 255, 0);
    if (image) {
        std::vector<uint8_t> row((size_t)dib->biWidth * 3);
        for (int y = 0; y < dib->biHeight; ++y) {
            GetDib24Row(dib, y, 0, dib->biWidth - 1, row.data());
            g_MapStore.PutRow(image, y, 0, dib->biWidth - 1, row.data());
        }
    }
    FreePackedDib(dib);
    return image;
}

double InchesOf(double v, int unit) { return unit == kUnitMm ? v * kInchPerMm : v; }
double FromInches(double inches, int unit) { return unit == kUnitMm ? inches * 25.4 : inches; }

void Progress(int wparam, int percent) {
    if (g_Browser.status) SendMessageA(g_Browser.status, WM_USER, (WPARAM)wparam, (LPARAM)percent);
}

// ---- printing a page

int PrintImagePage(HWND owner, MapImage* image, const PrintSettings& s, const char* path) {
    if (!g_printer.dc) {
        BrowserMessage(owner, "DC ERROR", kMsgOk);
        return 0;
    }
    char name[400];
    std::snprintf(name, sizeof name, "印刷中-[%s]", path);
    DOCINFOA doc = {.cbSize = sizeof(DOCINFOA), .lpszDocName = name, .lpszOutput = nullptr, .lpszDatatype = nullptr,
                    .fwType = 0};
    if (StartDocA(g_printer.dc, &doc) <= 0) return 0;
    StartPage(g_printer.dc);
    const RECT r = PrintPlacement(s, g_printer.dpiX, g_printer.dpiY);
    PrintBanded(g_printer.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image);
    EndPage(g_printer.dc);
    EndDoc(g_printer.dc);
    return 1;
}

// ---- dra_print

struct PrintDialogState {
    MapImage* image;
    PrintSettings* s;
    bool writing;
};
PrintSettings g_single;
bool g_singleSet;

// A number field as the dialog reads it: empty is -2147483648, a text with
// anything but digits, '.' and blanks is 999999.
double ReadNumberField(HWND dlg, int id) {
    char text[64] = {};
    GetDlgItemTextA(dlg, id, text, sizeof text);
    if (!text[0]) return -2147483648.0;
    for (const char* p = text; *p; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == ' ')) return 999999.0;
    return std::atof(text);
}

void SetFloat(HWND dlg, int id, double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    SetDlgItemTextA(dlg, id, text);
}

void WriteFields(HWND dlg, PrintDialogState* st, int except) {
    const PrintSettings& s = *st->s;
    st->writing = true;
    if (except != IDC_BV_PR_WIDTH) SetFloat(dlg, IDC_BV_PR_WIDTH, s.width);
    SetFloat(dlg, IDC_BV_PR_HEIGHT, s.height);
    if (except != IDC_BV_PR_DPI) SetWindowInt(GetDlgItem(dlg, IDC_BV_PR_DPI), s.dpi);
    if (except != IDC_BV_PR_COPIES) SetWindowInt(GetDlgItem(dlg, IDC_BV_PR_COPIES), s.copies);
    if (except != IDC_BV_PR_LEFT) SetFloat(dlg, IDC_BV_PR_LEFT, s.left);
    if (except != IDC_BV_PR_TOP) SetFloat(dlg, IDC_BV_PR_TOP, s.top);
    const char* unit = s.unit == kUnitMm ? "mm" : "inch";
    for (int id : {IDC_BV_PR_WUNIT, IDC_BV_PR_HUNIT, IDC_BV_PR_LUNIT, IDC_BV_PR_TUNIT}) SetDlgItemTextA(dlg, id, unit);
    CheckRadioButton(dlg, IDC_BV_PR_MM, IDC_BV_PR_INCH, s.unit == kUnitMm ? IDC_BV_PR_MM : IDC_BV_PR_INCH);
    st->writing = false;
}

void DrawPreview(const DRAWITEMSTRUCT* item, MapImage* image, const RECT& place) {
    HDC dc = item->hDC;
    const RECT r = item->rcItem;
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, 0x969664);
    if (g_printer.pageWidth <= 0 || g_printer.pageHeight <= 0) return;
    // The page keeps its shape inside the control.
    int w, h;
    ScaleSizeToBox(g_printer.pageWidth, g_printer.pageHeight, r.right - r.left - 4, r.bottom - r.top - 4, &w, &h);
    const int x0 = r.left + (r.right - r.left - w) / 2, y0 = r.top + (r.bottom - r.top - h) / 2;
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, g_printer.pageWidth, g_printer.pageHeight, nullptr);
    SetViewportExtEx(dc, w, h, nullptr);
    SetViewportOrgEx(dc, x0, y0, nullptr);
    RECT page = {0, 0, g_printer.pageWidth, g_printer.pageHeight};
    FillRect(dc, &page, (HBRUSH)GetStockObject(WHITE_BRUSH));
    // A small copy of the picture stands for it.
    if (image && place.right > place.left && place.bottom > place.top) {
        int pw, ph;
        ScaleSizeToBox(image->width, image->height, 200, 200, &pw, &ph);
        PackedDib small = CreateDib24(pw, ph, 24);
        if (small) {
            std::vector<uint8_t> row((size_t)image->width * 3 + 8), out((size_t)pw * 3);
            for (int y = 0; y < ph; ++y) {
                g_MapStore.GetRow(image, (int)((int64_t)y * image->height / ph), 0, image->width - 1, row.data());
                for (int x = 0; x < pw; ++x)
                    std::memcpy(&out[3 * (size_t)x], &row[3 * (size_t)((int64_t)x * image->width / pw)], 3);
                PutDib24Row(small, y, 0, pw - 1, out.data());
            }
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0, 0, pw, ph,
                          GetPackedDibBits(small), (const BITMAPINFO*)small, DIB_RGB_COLORS, SRCCOPY);
            FreePackedDib(small);
        }
    }
    RestoreDC(dc, saved);
}

void Changed(HWND dlg, PrintDialogState* st, int except) {
    WriteFields(dlg, st, except);
    SetTimer(dlg, 1, 500, nullptr);
}

void SpinField(HWND dlg, PrintDialogState* st, int spin, int delta) {
    PrintSettings& s = *st->s;
    const int iw = st->image->width, ih = st->image->height;
    auto clamp = [](double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; };
    switch (spin) {
    case IDC_BV_PR_WSPIN: SetPrintWidth(&s, clamp(s.width + delta, 1, 1000), iw, ih); break;
    case IDC_BV_PR_DPISPIN: SetPrintDpi(&s, (int)clamp(s.dpi + delta, 1, 1000), iw, ih); break;
    case IDC_BV_PR_CSPIN: s.copies = (int)clamp(s.copies + delta, 1, 100); break;
    case IDC_BV_PR_LSPIN: s.left = clamp(s.left + delta, 0, 1000); break;
    case IDC_BV_PR_TSPIN: s.top = clamp(s.top + delta, 0, 1000); break;
    default: return;
    }
    Changed(dlg, st, 0);
}

void PrintSetup(HWND dlg) {
    EnableWindow(dlg, FALSE);
    g_printDialog = {};
    g_printDialog.lStructSize = sizeof g_printDialog;
    g_printDialog.hwndOwner = g_Browser.frame;
    g_printDialog.nCopies = 1;
    g_printDialog.Flags = PD_PRINTSETUP | PD_RETURNDC;
    if (RunPrintSetupDialog(&g_printDialog) && g_printDialog.hDC) SetPrinterDC(g_printDialog.hDC);
    if (g_printDialog.hDevMode) GlobalFree(g_printDialog.hDevMode);
    if (g_printDialog.hDevNames) GlobalFree(g_printDialog.hDevNames);
    g_printDialog.hDevMode = g_printDialog.hDevNames = nullptr;
    EnableWindow(dlg, TRUE);
}

INT_PTR CALLBACK PrintProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<PrintDialogState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        WriteFields(dlg, st, 0);
        return TRUE;
    case WM_COMMAND: {
        if (st->writing) return TRUE;
        PrintSettings& s = *st->s;
        const int id = LOWORD(wp), code = HIWORD(wp), iw = st->image->width, ih = st->image->height;
        switch (id) {
        case IDC_BV_PR_WIDTH:
            if (code == EN_CHANGE) {
                SetPrintWidth(&s, ReadNumberField(dlg, id), iw, ih);
                Changed(dlg, st, id);
            }
            return TRUE;
        case IDC_BV_PR_DPI:
            if (code == EN_CHANGE) {
                int v = s.dpi;
                ReadDlgItemInt(dlg, id, &v, 1000, 1);
                SetPrintDpi(&s, v, iw, ih);
                Changed(dlg, st, id);
            }
            return TRUE;
        case IDC_BV_PR_COPIES:
            if (code == EN_CHANGE) {
                ReadDlgItemInt(dlg, id, &s.copies, 100, 1);
                Changed(dlg, st, id);
            }
            return TRUE;
        case IDC_BV_PR_LEFT:
        case IDC_BV_PR_TOP:
            if (code == EN_CHANGE) {
                (id == IDC_BV_PR_LEFT ? s.left : s.top) = ReadNumberField(dlg, id);
                Changed(dlg, st, id);
            }
            return TRUE;
        case IDC_BV_PR_MM:
        case IDC_BV_PR_INCH:
            SetPrintUnit(&s, id == IDC_BV_PR_MM ? kUnitMm : kUnitInch);
            Changed(dlg, st, 0);
            return TRUE;
        case IDC_BV_PR_FIT:
            FitPrintToPage(&s, iw, ih, g_printer);
            Changed(dlg, st, 0);
            return TRUE;
        case IDC_BV_PR_CENTRE:
            CentrePrintOnPage(&s, g_printer);
            Changed(dlg, st, 0);
            return TRUE;
        case IDC_BV_PR_SETUP:
            PrintSetup(dlg);
            s = DefaultPrintSettings(iw, ih);
            Changed(dlg, st, 0);
            return TRUE;
        default:
            return HandleDialogEnd(dlg, msg, wp);
        }
    }
    case WM_NOTIFY: {
        const NMHDR* h = (const NMHDR*)lp;
        if (h->code != UDN_DELTAPOS) return FALSE;
        // The arrows step by one the way the field reads: up is more.
        SpinField(dlg, st, (int)h->idFrom, -((const NMUPDOWN*)lp)->iDelta);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_TIMER:
        KillTimer(dlg, 1);
        InvalidateRect(GetDlgItem(dlg, IDC_BV_PR_PREVIEW), nullptr, FALSE);
        return TRUE;
    case WM_DRAWITEM:
        if (wp == IDC_BV_PR_PREVIEW)
            DrawPreview((const DRAWITEMSTRUCT*)lp, st->image, PrintPlacement(*st->s, g_printer.dpiX, g_printer.dpiY));
        return TRUE;
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    case WM_DESTROY:
        KillTimer(dlg, 1);
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- index print

const char* const kSkipNames[] = {
    "Exif IFDへのポインタ", "画素の並び", "解像度の単位", "画像の幅方向の解像度（ピクセル）",
    "画像の高さ方向の解像度（ピクセル）", "画素の位置構成", "画像圧縮モード（ビット／ピクセル）",
    "対応FlashPixのバージョン", "焦点面の解像度の単位", "焦点面の幅方向の解像度（ピクセル）",
    "焦点面の高さ方向の解像度（ピクセル）", "互換性IFDへのポインタ", "実効画像の幅（ピクセル）",
    "実効画像の高さ（ピクセル）", "互換性インデックス", "互換性バージョン", "関連画像の高さ", "関連画像の幅",
    "色空間情報", "Exifバージョン"};

struct CaptionScan {
    std::string date, dateDigitized, fnumber, aperture, exposure, bias, iso;
    bool hasDate = false, hasFnumber = false;
};

// A rational entry's numerator and denominator (signed for SRATIONAL).
bool RationalOf(const c_IfdEntry* e, double* n, double* d) {
    if (e->values.size() < 2 || (e->type != 5 && e->type != 10)) return false;
    if (e->type == 10) {
        *n = (double)(int32_t)e->values[0];
        *d = (double)(int32_t)e->values[1];
    } else {
        *n = (double)e->values[0];
        *d = (double)e->values[1];
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && text[a] == ' ') ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == 0)) --b;
    return text.substr(a, b - a);
}

int CaptionEntry(const c_IfdEntry* e, void* user) {
    CaptionScan* c = (CaptionScan*)user;
    const std::string& name = e->japaneseName;
    for (const char* skip : kSkipNames)
        if (name == skip) return 1;
    if (e->valueText.size() > 180) return 1;
    double n = 0, d = 0;
    char text[64];
    if (name == "オリジナル画像の生成日時") {
        c->date = Trimmed(e->valueText);
        c->hasDate = true;
    } else if (name == "ディジタルデータの生成日時") {
        c->dateDigitized = Trimmed(e->valueText);
    } else if (name == "F値") {
        if (RationalOf(e, &n, &d)) std::snprintf(text, sizeof text, "%.1f", d != 0 ? n / d : 0.0), c->fnumber = text;
        else c->fnumber = Trimmed(e->valueText);
        c->hasFnumber = true;
    } else if (name == "絞り（APEX）" && RationalOf(e, &n, &d)) {
        std::snprintf(text, sizeof text, "%.1f", d != 0 ? std::pow(2.0, n / d / 2.0) : 0.0);
        c->aperture = text;
    } else if (name == "露出時間（秒）" && RationalOf(e, &n, &d)) {
        // A time of a second or longer reads as seconds, not as 1 / 0.
        if (n <= 0) c->exposure = "";
        else if (n >= d) std::snprintf(text, sizeof text, "%.1f", d != 0 ? n / d : 0.0), c->exposure = text;
        else std::snprintf(text, sizeof text, "%d / %d", 1, (int)(d / n)), c->exposure = text;
    } else if (name == "露出補正（APEX）" && RationalOf(e, &n, &d)) {
        std::snprintf(text, sizeof text, "EV %.1f", d != 0 ? n / d : 0.0);
        c->bias = text;
    } else if (name == "ISOスピードレート") {
        c->iso = Trimmed(e->valueText);
    }
    return 1;
}

std::string Line(const char* label, const std::string& value) {
    return value.empty() ? std::string() : std::string(label) + ":  " + value;
}

void DrawIndexCell(HDC dc, const RECT& cell, const char* path, const IndexLayout& layout) {
    const int cw = cell.right - cell.left, ch = cell.bottom - cell.top;
    const int m = cw / 16, k = ch / 16;
    int n = 0;
    for (int on : layout.captions) n += on ? 1 : 0;
    const int X = cell.left, Y = cell.top;
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x60, 0x60, 0x60));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, X + m / 2, Y + ch / 32, X + cw - m / 2, Y + ch - ch / 32);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    PackedDib image = layout.fast ? ReadFastImage24(path) : nullptr;
    if (!image) {
        PackedDib full = ReadImageToDib24(path);
        if (full) {
            int w, h;
            if (full->biWidth > cw || full->biHeight > ch) {
                ScaleSizeToBox(full->biWidth, full->biHeight, cw, ch, &w, &h);
                image = ResizeDib24Area(full, w, h);
                FreePackedDib(full);
            } else {
                image = full;
            }
        }
    }
    if (image) {
        const int bx0 = X + m, by0 = Y + k, bx1 = X + cw - m, by1 = Y + ch - k * n;
        if (bx1 > bx0 && by1 > by0) {
            int w, h;
            ScaleSizeToBox(image->biWidth, image->biHeight, bx1 - bx0, by1 - by0, &w, &h);
            const int old = SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, bx0 + (bx1 - bx0 - w) / 2, by0 + (by1 - by0 - h) / 2, w, h, 0, 0, image->biWidth,
                          image->biHeight, GetPackedDibBits(image), (const BITMAPINFO*)image, DIB_RGB_COLORS, SRCCOPY);
            SetStretchBltMode(dc, old);
        }
        FreePackedDib(image);
    }
    std::vector<std::string> exif;
    bool anyExif = false;
    for (int i = 1; i < 6; ++i) anyExif = anyExif || layout.captions[i];
    if (anyExif) exif = ReadExifCaptions(path);
    int line = 0;
    for (int i = 0; i < 6; ++i) {
        if (!layout.captions[i]) continue;
        const int top = Y + ch - k * n + line * k;
        ++line;
        if (i == 0) {
            const char* slash = std::strrchr(path, '\\');
            draw_text_fit(dc, X + m, top, X + cw, top + k * 2 / 3, slash ? slash + 1 : path, RGB(0, 0, 255), nullptr, 0,
                          FW_NORMAL, 0);
        } else if ((size_t)(i - 1) < exif.size() && !exif[(size_t)i - 1].empty()) {
            draw_text_fit(dc, X + m, top, X + cw, top + k * 2 / 3, exif[(size_t)i - 1].c_str(), RGB(0, 0, 0), nullptr,
                          0, FW_NORMAL, 0);
        }
    }
}

struct IndexDialogState {
    IndexLayout* layout;
    bool writing;
};

void DrawIndexPreview(const DRAWITEMSTRUCT* item, const IndexLayout& layout) {
    HDC dc = item->hDC;
    const RECT r = item->rcItem;
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, 0xC0C0C0);
    const int pw = g_printer.pageWidth > 0 ? g_printer.pageWidth : 210, ph = g_printer.pageHeight > 0 ? g_printer.pageHeight : 297;
    int w, h;
    ScaleSizeToBox(pw, ph, r.right - r.left - 4, r.bottom - r.top - 4, &w, &h);
    const int x0 = r.left + (r.right - r.left - w) / 2, y0 = r.top + (r.bottom - r.top - h) / 2;
    FillRectColor(dc, x0, y0, x0 + w, y0 + h, 0xFFFFFF);
    HBRUSH cellBrush = CreateSolidBrush(0x8080FF);
    HGDIOBJ oldBrush = SelectObject(dc, cellBrush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    const int cw = w / layout.columns, chh = h / layout.rows;
    for (int row = 0; row < layout.rows; ++row)
        for (int col = 0; col < layout.columns; ++col)
            Rectangle(dc, x0 + col * cw + 2, y0 + row * chh + 2, x0 + (col + 1) * cw - 2, y0 + (row + 1) * chh - 2);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, y0, x0 + w, y0 + h);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(cellBrush);
}

INT_PTR CALLBACK IndexProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = DialogState<IndexDialogState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        IndexLayout& l = *st->layout;
        CenterWindow(dlg);
        st->writing = true;
        SetWindowInt(GetDlgItem(dlg, IDC_BV_IX_COLS), l.columns);
        SetWindowInt(GetDlgItem(dlg, IDC_BV_IX_ROWS), l.rows);
        st->writing = false;
        SendDlgItemMessageA(dlg, IDC_BV_IX_CSPIN, UDM_SETRANGE32, 1, 50);
        SendDlgItemMessageA(dlg, IDC_BV_IX_RSPIN, UDM_SETRANGE32, 1, 50);
        SendDlgItemMessageA(dlg, IDC_BV_IX_CSPIN, UDM_SETPOS32, 0, l.columns);
        SendDlgItemMessageA(dlg, IDC_BV_IX_RSPIN, UDM_SETPOS32, 0, l.rows);
        for (int i = 0; i < 6; ++i)
            CheckDlgButton(dlg, IDC_BV_IX_CAPTION0 + i, l.captions[i] ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_BV_IX_FAST, l.fast ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_COMMAND: {
        if (st->writing) return TRUE;
        IndexLayout& l = *st->layout;
        const int id = LOWORD(wp);
        if ((id == IDC_BV_IX_COLS || id == IDC_BV_IX_ROWS) && HIWORD(wp) == EN_CHANGE) {
            ReadDlgItemInt(dlg, id, id == IDC_BV_IX_COLS ? &l.columns : &l.rows, 50, 1);
            InvalidateRect(GetDlgItem(dlg, IDC_BV_IX_PREVIEW), nullptr, FALSE);
            SetTimer(dlg, (UINT_PTR)id, 500, nullptr);
        } else if (id >= IDC_BV_IX_CAPTION0 && id <= IDC_BV_IX_CAPTION5) {
            l.captions[id - IDC_BV_IX_CAPTION0] = IsDlgButtonChecked(dlg, id) == BST_CHECKED;
        } else if (id == IDC_BV_IX_FAST) {
            l.fast = IsDlgButtonChecked(dlg, id) == BST_CHECKED;
        } else if (id == IDC_BV_PR_SETUP) {
            PrintSetup(dlg);
            InvalidateRect(GetDlgItem(dlg, IDC_BV_IX_PREVIEW), nullptr, FALSE);
        } else if (id == IDOK) {
            PrintIndexPages(dlg, l);
            EndDialog(dlg, 1);
        } else {
            HandleDialogEnd(dlg, msg, wp);
        }
        return TRUE;
    }
    case WM_TIMER: {
        KillTimer(dlg, wp);
        const int id = (int)wp;
        RewriteDlgItemInt(dlg, id, id == IDC_BV_IX_COLS ? st->layout->columns : st->layout->rows, &st->writing);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wp == IDC_BV_IX_PREVIEW) DrawIndexPreview((const DRAWITEMSTRUCT*)lp, *st->layout);
        return TRUE;
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    case WM_DESTROY:
        KillTimer(dlg, IDC_BV_IX_COLS);
        KillTimer(dlg, IDC_BV_IX_ROWS);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

const PrinterState& GetPrinterState() { return g_printer; }

int OpenDefaultPrinter() {
    g_printerTried = true;
    char device[81] = {};
    GetProfileStringA("windows", "device", ",,,", device, sizeof device);
    char* driver = std::strchr(device, ',');
    char* port = driver ? std::strchr(driver + 1, ',') : nullptr;
    if (!driver || !port || driver == device || port == driver + 1 || !port[1]) {
        SetPrinterDC(nullptr);
        return 0;
    }
    *driver = 0;
    SetPrinterDC(CreateDCA("WINSPOOL", device, nullptr, nullptr));
    return g_printer.dc ? 1 : 0;
}

void SetPrinterDC(HDC dc) {
    g_printerTried = true;
    if (g_printer.dc && g_printer.dc != dc) DeleteDC(g_printer.dc);
    g_printer.dc = dc;
    ReadPageSize();
}

void ClosePrinter() {
    SetPrinterDC(nullptr);
    g_printerTried = false;
}

PrintSettings DefaultPrintSettings(int imageWidth, int imageHeight) {
    PrintSettings s;
    SetPrintWidth(&s, 100, imageWidth, imageHeight);
    return s;
}

void SetPrintWidth(PrintSettings* s, double width, int imageWidth, int imageHeight) {
    if (imageWidth < 1) imageWidth = 1;
    s->width = width;
    s->height = (double)imageHeight * width / imageWidth;
    double inches = InchesOf(width, s->unit);
    if (inches < 1) inches = 1;
    s->dpi = (int)std::lround(imageWidth / inches);
    if (s->dpi < 1) s->dpi = 1;
}

void SetPrintDpi(PrintSettings* s, int dpi, int imageWidth, int imageHeight) {
    if (imageWidth < 1) imageWidth = 1;
    s->dpi = dpi < 1 ? 1 : dpi > 1000 ? 1000 : dpi;
    s->width = FromInches((double)imageWidth / s->dpi, s->unit);
    s->height = s->width * imageHeight / imageWidth;
}

void SetPrintUnit(PrintSettings* s, int unit) {
    if (unit == s->unit) return;
    const double f = unit == kUnitInch ? kInchPerMm : 25.4;
    s->width *= f;
    s->height *= f;
    s->left *= f;
    s->top *= f;
    s->unit = unit;
}

void FitPrintToPage(PrintSettings* s, int imageWidth, int imageHeight, const PrinterState& p) {
    if (imageWidth < 1 || imageHeight < 1 || p.dpiX < 1 || p.dpiY < 1) return;
    double w, h;
    if ((double)p.pageWidth / imageWidth < (double)p.pageHeight / imageHeight) {
        w = p.pageWidth;
        h = (double)p.pageWidth * imageHeight / imageWidth;
    } else {
        h = p.pageHeight;
        w = (double)p.pageHeight * imageWidth / imageHeight;
    }
    s->width = FromInches(w / p.dpiX, s->unit);
    s->height = FromInches(h / p.dpiY, s->unit);
    s->left = s->top = 0;
    double inches = w / p.dpiX;
    if (inches < 1) inches = 1;
    s->dpi = (int)std::lround(imageWidth / inches);
    if (s->dpi < 1) s->dpi = 1;
}

void CentrePrintOnPage(PrintSettings* s, const PrinterState& p) {
    if (p.dpiX < 1 || p.dpiY < 1) return;
    s->left = (FromInches((double)p.pageWidth / p.dpiX, s->unit) - s->width) / 2;
    s->top = (FromInches((double)p.pageHeight / p.dpiY, s->unit) - s->height) / 2;
}

RECT PrintPlacement(const PrintSettings& s, int dpiX, int dpiY) {
    const double l = InchesOf(s.left, s.unit) * dpiX, t = InchesOf(s.top, s.unit) * dpiY;
    const double w = InchesOf(s.width, s.unit) * dpiX, h = InchesOf(s.height, s.unit) * dpiY;
    RECT r = {(LONG)l, (LONG)t, (LONG)(l + w), (LONG)(t + h)};
    return r;
}

int PrintBanded(HDC dc, int x, int y, int width, int height, MapImage* image) {
    if (!image || image->bits != 24 || width < 1 || height < 1 || width > kDib24MaxSide * 4 ||
        height > kDib24MaxSide * 4)
        return 0;
    const int iw = image->width, ih = image->height;
    std::vector<uint8_t> upper((size_t)iw * 3 + 8), lower((size_t)iw * 3 + 8), mixed((size_t)iw * 3 + 8);
    std::vector<uint8_t> row((size_t)width * 3);
    // Columns: the source column and its weight, once for all rows.
    std::vector<int> column((size_t)width), weight((size_t)width);
    for (int tx = 0; tx < width; ++tx) {
        double u = (double)tx * iw / width;
        if (u > iw - 1) u = iw - 1;
        column[(size_t)tx] = (int)u;
        weight[(size_t)tx] = (int)((u - (int)u) * 100);
    }
    constexpr int kBand = 32;
    for (int first = 0; first < height; first += kBand) {
        const int rows = height - first < kBand ? height - first : kBand;
        PackedDib band = CreateDib24(width, rows, 24);
        if (!band) {
            Progress(0, 0);   // the status bar is handed back when a band cannot be had
            return 0;
        }
        if (first % 160 == 0) Progress(3, (int)((int64_t)first * 100 / height));
        for (int r = 0; r < rows; ++r) {
            double s = (double)(first + r) * ih / height;
            if (s > ih - 1) s = ih - 1;
            const int t = (int)s, a = (int)((s - t) * 100);
            g_MapStore.GetRow(image, t, 0, iw - 1, upper.data());
            if (!g_MapStore.GetRow(image, t + 1 < ih ? t + 1 : t, 0, iw - 1, lower.data()))
                std::memcpy(lower.data(), upper.data(), upper.size());
            for (size_t i = 0; i < (size_t)iw * 3; ++i) mixed[i] = (uint8_t)((upper[i] * (100 - a) + a * lower[i]) / 100);
            for (int tx = 0; tx < width; ++tx) {
                const int c = column[(size_t)tx], f = weight[(size_t)tx], c1 = c + 1 < iw ? c + 1 : c;
                for (int ch = 0; ch < 3; ++ch)
                    row[3 * (size_t)tx + (size_t)ch] =
                        (uint8_t)((mixed[3 * (size_t)c + (size_t)ch] * (100 - f) + f * mixed[3 * (size_t)c1 + (size_t)ch]) / 100);
            }
            PutDib24Row(band, r, 0, width - 1, row.data());
        }
        SetDIBitsToDevice(dc, x, y + first, (DWORD)width, (DWORD)rows, 0, 0, 0, (UINT)rows, GetPackedDibBits(band),
                          (const BITMAPINFO*)band, DIB_RGB_COLORS);
        FreePackedDib(band);
    }
    Progress(3, 100);
    Progress(0, 0);
    return 1;
}

int IndexPageCount(int files, int columns, int rows) {
    const int cells = (columns < 1 ? 1 : columns) * (rows < 1 ? 1 : rows);
    return files <= 0 ? 0 : (files + cells - 1) / cells;
}

RECT IndexCellRect(const PrinterState& p, int columns, int rows, int i) {
    const int cw = p.pageWidth / columns, ch = p.pageHeight / rows;
    const int onPage = i % (columns * rows);
    const int x = (onPage % columns) * cw, y = (onPage / columns) * ch;
    RECT r = {x, y, x + cw, y + ch};
    return r;
}

std::vector<std::string> ReadExifCaptions(const char* path) {
    std::vector<std::string> lines(5);
    bool exifKind = false;
    for (const char* ext : {"jpg", "jpeg", "tiff", "tif", "orf"}) exifKind = exifKind || HasExtension(path, ext);
    if (!exifKind) return lines;
    c_ExifFile exif;
    if (exif.Load(path) != 0) return lines;
    CaptionScan c;
    exif.EnumAllEntries(CaptionEntry, &c);
    lines[0] = Line("撮影日時", c.hasDate ? c.date : c.dateDigitized);
    lines[1] = Line("Ｆ値　　", c.hasFnumber ? c.fnumber : c.aperture);
    lines[2] = Line("露出時間", c.exposure);
    lines[3] = Line("露出補正", c.bias);
    lines[4] = Line("ＩＳＯ　", c.iso);
    return lines;
}

IndexLayout& CurrentIndexLayout() { return g_index; }

int PrintIndexPages(HWND owner, const IndexLayout& layout) {
    EnsurePrinter();
    if (!g_printer.dc) {
        BrowserMessage(owner, "printer driver error", kMsgOk);
        return 0;
    }
    const int cols = layout.columns < 1 ? 1 : layout.columns, rows = layout.rows < 1 ? 1 : layout.rows;
    std::vector<int> files;
    for (int i = 0; i < g_FileList.count; ++i)
        if (g_FileList.flags[(size_t)i]) files.push_back(i);
    if (files.empty()) return 0;
    char name[] = "インデックス印刷中";
    DOCINFOA doc = {.cbSize = sizeof(DOCINFOA), .lpszDocName = name, .lpszOutput = nullptr, .lpszDatatype = nullptr,
                    .fwType = 0};
    if (StartDocA(g_printer.dc, &doc) <= 0) return 0;
    const int cells = cols * rows;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i % (size_t)cells == 0) StartPage(g_printer.dc);
        Progress(3, (int)(i * 100 / files.size()));
        DrawIndexCell(g_printer.dc, IndexCellRect(g_printer, cols, rows, (int)i),
                      g_FileList.paths[(size_t)files[i]].c_str(), layout);
        if (i % (size_t)cells == (size_t)cells - 1 || i + 1 == files.size()) EndPage(g_printer.dc);
    }
    EndDoc(g_printer.dc);
    Progress(0, 0);
    return 1;
}

int PrintOneImage(HWND owner, const char* path) {
    EnsurePrinter();
    MapImage* image = ReadMapImage(path);
    if (!image) return 0;
    if (!g_singleSet) {
        g_single = DefaultPrintSettings(image->width, image->height);
        g_singleSet = true;
    }
    // The size follows the picture; unit, margins and copies are kept.
    SetPrintWidth(&g_single, g_single.width, image->width, image->height);
    PrintDialogState st{image, &g_single, false};
    const int result = (int)RunModalDialog(g_Browser.instance, "dra_print", owner, PrintProc, (LPARAM)&st);
    if (result == 1) {
        HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        for (int c = 0; c < g_single.copies; ++c) PrintImagePage(owner, image, g_single, path);
        SetCursor(old);
    }
    g_MapStore.Free(&image);
    return result == 1 ? 1 : 0;
}

int PrintSelectedPages(HWND owner) {
    EnsurePrinter();
    if (!g_printer.dc) {
        BrowserMessage(owner, "DC ERROR", kMsgOk);
        return 0;
    }
    char name[] = "印刷中";
    DOCINFOA doc = {.cbSize = sizeof(DOCINFOA), .lpszDocName = name, .lpszOutput = nullptr, .lpszDatatype = nullptr,
                    .fwType = 0};
    if (StartDocA(g_printer.dc, &doc) <= 0) return 0;
    int pages = 0;
    for (int i = 0; i < g_FileList.count; ++i) {
        if (!g_FileList.flags[(size_t)i]) continue;
        MapImage* image = ReadMapImage(g_FileList.paths[(size_t)i].c_str());
        if (!image) continue;
        StartPage(g_printer.dc);
        PrintBanded(g_printer.dc, 0, 0, g_printer.pageWidth, g_printer.pageHeight, image);
        EndPage(g_printer.dc);
        g_MapStore.Free(&image);
        ++pages;
    }
    EndDoc(g_printer.dc);
    return pages;
}

int IndexPrint(HWND owner) {
    EnsurePrinter();
    if (!g_printer.dc) {
        BrowserMessage(owner, "プリンタドライバが見つかりません。", kMsgOk);
        return 0;
    }
    if (!g_indexOpened) {
        g_index.fast = 0;
        g_indexOpened = true;
    }
    IndexDialogState st{&g_index, false};
    return (int)RunModalDialog(g_Browser.instance, "dra_indexprint", owner, IndexProc, (LPARAM)&st) == 1 ? 1 : 0;
}
