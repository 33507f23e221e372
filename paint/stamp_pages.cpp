#include "paint/stamp_pages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_write.h"
#include "image/c_dib.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stamp_resize.h"
#include "paint/stroke.h"
#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"

namespace {

StampPageState g_Pages[2];
bool g_Busy;

std::vector<std::string> ListSorted(const char* pattern, const char* folder, bool folders) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return out;
    std::string previous;
    do {
        bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder != folders) continue;
        if (!previous.empty() && CompareNoCase(previous.c_str(), fd.cFileName) == 0) break;
        previous = fd.cFileName;
        out.push_back(std::string(folder) + fd.cFileName);
        if ((int)out.size() == kStampListLimit) break;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    std::stable_sort(out.begin(), out.end(),
                     [](const std::string& a, const std::string& b) { return CompareNoCase(a.c_str(), b.c_str()) < 0; });
    return out;
}

const char* Folder() {
    const char* f = CanvProgramFolder();
    return f ? f : "";
}

std::string PluginPath(const char* folder, const char* dll) { return std::string(folder) + dll; }

inline uint8_t P(int a, int b) { return ProductTable[a & 255][b & 255]; }

// The image over grey 164 by its transparency.
void OverGrey(VmsImage* image, const VmsImage* alpha) {
    if (!alpha || alpha->width != image->width || alpha->height != image->height) return;
    std::vector<uint32_t> row(image->width);
    std::vector<uint8_t> a(image->width);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        g_VmsStore.GetRow(alpha, y, 0, image->width - 1, a.data());
        for (int x = 0; x < image->width; ++x) {
            uint32_t c = row[x], out = 0;
            for (int s = 0; s < 24; s += 8) {
                int v = P(164, 255 - a[x]) + P(a[x], c >> s & 255);
                out |= (uint32_t)(v > 255 ? 255 : v) << s;
            }
            row[x] = out;
        }
        g_VmsStore.PutRow(image, y, 0, image->width - 1, row.data());
    }
}

// The preview (image x transparency) and the mask (255 - transparency) a
// resize dialog shows.
bool MakePreview(const VmsImage* image, const VmsImage* alpha, VmsImage** preview, VmsImage** mask) {
    *preview = g_VmsStore.Create(image->width, image->height, 24, 0, 1);
    *mask = g_VmsStore.Create(image->width, image->height, 24, 0, 1);
    if (!*preview || !*mask) {
        g_VmsStore.Free(preview);
        g_VmsStore.Free(mask);
        return false;
    }
    std::vector<uint32_t> row(image->width), m(image->width);
    std::vector<uint8_t> a(image->width, 255);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        if (alpha) g_VmsStore.GetRow(alpha, y, 0, image->width - 1, a.data());
        for (int x = 0; x < image->width; ++x) {
            uint32_t c = row[x], out = 0;
            for (int s = 0; s < 24; s += 8) out |= (uint32_t)P(a[x], c >> s & 255) << s;
            row[x] = out;
            uint32_t v = 255u - a[x];
            m[x] = v | v << 8 | v << 16;
        }
        g_VmsStore.PutRow(*preview, y, 0, image->width - 1, row.data());
        g_VmsStore.PutRow(*mask, y, 0, image->width - 1, m.data());
    }
    return true;
}

bool AnyTransparency(const VmsImage* alpha) {
    if (!alpha) return false;
    std::vector<uint8_t> a(alpha->width);
    for (int y = 0; y < alpha->height; ++y) {
        g_VmsStore.GetRow(alpha, y, 0, alpha->width - 1, a.data());
        for (uint8_t v : a)
            if (v < 255) return true;
    }
    return false;
}

// The chosen turn and size applied to an image in place; false when it failed.
bool Apply(VmsImage** image, const StampResizeValues& v) {
    VmsImage* turned = nullptr;
    if (v.type >= 1 && v.type <= 3) {
        turned = c_Dib::Rotate(*image, v.type - 1);
        if (!turned) return false;
    } else if (v.type == 4 && v.angle != 0) {
        turned = c_Dib::RotateDegrees(*image, v.angle);
        if (!turned) return false;
    }
    if (turned) {
        g_VmsStore.Free(image);
        *image = turned;
    }
    if (v.scale != 100) {
        int w = (*image)->width * v.scale / 100, h = (*image)->height * v.scale / 100;
        VmsImage* sized = c_Dib::Resize(*image, w < 1 ? 1 : w, h < 1 ? 1 : h, 0, 1, 0);
        if (!sized) return false;
        g_VmsStore.Free(image);
        *image = sized;
    }
    return true;
}

// After a stamp or roller became the brush: the swatch shows it, no snapshot
// is left, the pen tool is current, the stroke layer painted so far goes into
// its layer, and a mouse move to the frame redraws the cursor.
void BrushChanged() {
    c_PenTip::TipChanged();
    if (BrushSwatchChangedHook) BrushSwatchChangedHook();
    g_VmsStore.Free(&Pen.brushImages[2]);
    g_VmsStore.Free(&Pen.brushImages[3]);
    if (PressToolButtonHook && Pen.tool != kToolPen) PressToolButtonHook(kToolPen);
    if (CanvDoc* doc = GetActiveCanvas()) MergeStrokeLayer(doc);
    if (HWND frame = CanvFrameWindow()) SendMessageA(frame, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
}

// A cache serves only when the reader takes it and it is a thumbnail of the
// cell's size; a damaged file, or one of any other size (which could claim a
// canvas-sized picture), is made again from the stamp.
VmsImage* ReadThumbnailCache(const char* folder, const std::string& cache, int w, int h) {
    if (!FileExists(cache.c_str())) return nullptr;
    return ReadImageOfSizeWithPlugin(cache.c_str(), PluginPath(folder, "file_r\\bmpload.dll").c_str(), w, h);
}

struct PanelsOff {
    PanelsOff() { EnablePanels(FALSE); }
    ~PanelsOff() { EnablePanels(TRUE); }
};

}  // namespace

std::vector<std::string> ListStampFiles(const char* folder) {
    std::string pattern = std::string(folder) + "stamp\\*.png";
    return ListSorted(pattern.c_str(), (std::string(folder) + "stamp\\").c_str(), false);
}

std::vector<std::string> ListKoroFolders(const char* folder) {
    std::string pattern = std::string(folder) + "koro\\_*.*";
    return ListSorted(pattern.c_str(), (std::string(folder) + "koro\\").c_str(), true);
}

int CountKoroFrames(const std::string& koroFolder) {
    int n = 0;
    while (n < 100 && FileExists(MakeKoroFramePath(koroFolder, n + 1).c_str())) ++n;
    return n;
}

std::string MakeChcPath(const std::string& stampPath) {
    // Only the file name's extension: a dot in a folder name stays.
    size_t slash = stampPath.find_last_of('\\');
    size_t dot = stampPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return stampPath + ".chc";
    return stampPath.substr(0, dot) + ".chc";
}

std::string MakeKoroFramePath(const std::string& koroFolder, int frame) {
    char name[16];
    std::snprintf(name, sizeof name, "\\%03d.png", frame);
    return koroFolder + name;
}

std::string MakeKoroChcPath(const std::string& koroFolder, int frame) {
    char name[16];
    std::snprintf(name, sizeof name, "\\%03d.chc", frame);
    return koroFolder + name;
}

VmsImage* LoadStampThumbnail(const char* folder, const std::string& image, const std::string& cache, int w, int h) {
    if (w < 1 || h < 1) return nullptr;
    if (VmsImage* cached = ReadThumbnailCache(folder, cache, w, h)) return cached;
    VmsImage *picture = nullptr, *alpha = nullptr;
    if (!ReadImageWithAlpha(image.c_str(), &picture, &alpha)) return nullptr;
    OverGrey(picture, alpha);
    g_VmsStore.Free(&alpha);
    VmsImage* thumb = c_Dib::FitResize32(picture, w, h, 0, 164, 164, 164);
    g_VmsStore.Free(&picture);
    if (thumb) WriteImageWithPlugin(thumb, cache.c_str(), PluginPath(folder, "file_w\\bmpsave.dll").c_str());
    return thumb;
}

StampPageState& StampPage(int roller) { return g_Pages[roller ? 1 : 0]; }

void RefreshStampPage(int roller, const char* folder) {
    StampPageState& page = StampPage(roller);
    page.paths = roller ? ListKoroFolders(folder) : ListStampFiles(folder);
    page.scale.assign(page.paths.size(), roller ? 50 : 30);
    page.spacing.assign(page.paths.size(), 100);
    page.scroll = 0;
}

int SelectStamp(HWND owner, int entry) {
    StampPageState& page = StampPage(0);
    if (entry < 0 || entry >= (int)page.paths.size()) return 0;
    c_PenWriter::FreeBrushImages(1, 0);
    VmsImage *image = nullptr, *alpha = nullptr;
    if (!ReadImageWithAlpha(page.paths[entry].c_str(), &image, &alpha)) return 0;
    Pen.brushImages[0] = image;
    Pen.brushImages[1] = alpha;
    // An opaque stamp (no transparency, or none below 255) is no image brush:
    // it paints as it is, without the size and turn of the resize dialog.
    if (!AnyTransparency(alpha)) {
        Pen.imageBrushOn = 0;
        BrushChanged();
        return 1;
    }
    Pen.imageBrushOn = 1;
    VmsImage *preview = nullptr, *mask = nullptr;
    if (!MakePreview(image, alpha, &preview, &mask)) return 0;
    StampResizeValues v = {page.scale[entry], page.spacing[entry], 0, 0};
    int ok;
    {
        PanelsOff off;
        ok = ShowStampResizeDialog(owner, 0, &preview, &mask, 1, 1, &v);
    }
    g_VmsStore.Free(&preview);
    g_VmsStore.Free(&mask);
    if (!ok) return 0;
    page.scale[entry] = v.scale;
    page.spacing[entry] = v.spacing;
    StampSpacingPercent = v.spacing;
    // A failed turn or resize leaves no half-made brush.
    if (!Apply(&Pen.brushImages[0], v) || !Apply(&Pen.brushImages[1], v)) {
        c_PenWriter::FreeBrushImages(1, 0);
        return 0;
    }
    BrushChanged();
    return 1;
}

int SelectKoroStamp(HWND owner, int entry) {
    StampPageState& page = StampPage(1);
    if (entry < 0 || entry >= (int)page.paths.size()) return 0;
    const std::string& folder = page.paths[entry];
    int n = CountKoroFrames(folder);
    if (n < 1) return 0;   // no 001.png: nothing to paint with
    c_PenWriter::FreeBrushImages(1, 0);
    std::vector<VmsImage*> previews, masks;
    for (int i = 1; i <= n && i <= 52; ++i) {
        VmsImage *image = nullptr, *alpha = nullptr, *p = nullptr, *m = nullptr;
        if (!ReadImageWithAlpha(MakeKoroFramePath(folder, i).c_str(), &image, &alpha)) break;
        if (MakePreview(image, alpha, &p, &m)) {
            previews.push_back(p);
            masks.push_back(m);
        }
        g_VmsStore.Free(&image);
        g_VmsStore.Free(&alpha);
    }
    StampResizeValues v = {page.scale[entry], page.spacing[entry], 0, 0};
    int ok = 0;
    if (!previews.empty()) {
        PanelsOff off;
        ok = ShowStampResizeDialog(owner, 1, previews.data(), masks.data(), (int)previews.size(), 1, &v);
    }
    for (size_t i = 0; i < previews.size(); ++i) {
        g_VmsStore.Free(&previews[i]);
        g_VmsStore.Free(&masks[i]);
    }
    if (!ok) return 0;
    page.scale[entry] = v.scale;
    page.spacing[entry] = v.spacing;
    RollerSpacingPercent = v.spacing;
    int loaded = 0;
    for (int i = 0; i < kRollerFrameSlots; ++i) {
        VmsImage *image = nullptr, *alpha = nullptr;
        if (!ReadImageWithAlpha(MakeKoroFramePath(folder, i + 1).c_str(), &image, &alpha)) break;
        if (!Apply(&image, v) || !Apply(&alpha, v)) {
            g_VmsStore.Free(&image);
            g_VmsStore.Free(&alpha);
            c_PenWriter::FreeBrushImages(1, 0);
            return 0;
        }
        Pen.rollerFrames[i] = image;
        Pen.rollerAlpha[i] = alpha;
        ++loaded;
    }
    if (!loaded) return 0;
    // The stroke runs the image-brush loop while brush image 0 is set: the
    // first frame serves as that image.
    Pen.brushImages[0] = g_VmsStore.Create(Pen.rollerFrames[0]->width, Pen.rollerFrames[0]->height, 24, 0, 1);
    if (Pen.brushImages[0]) g_VmsStore.Copy(Pen.brushImages[0], Pen.rollerFrames[0]);
    Pen.imageBrushOn = 1;
    Pen.options[PenOptRollerFrame] = 0;
    RefreshBrushCursor();
    BrushChanged();
    return 1;
}

// ---- the page windows ----

namespace {

void PlaceStampCells(HWND list, int roller) {
    StampPageState& page = StampPage(roller);
    RECT rc;
    GetClientRect(list, &rc);
    int count = (int)page.paths.size();
    int visible = rc.bottom / kStampCellHeight;
    int max = count - visible > 0 ? count - visible : 0;
    page.scroll = page.scroll < 0 ? 0 : page.scroll > max ? max : page.scroll;
    for (int i = 0; i < count; ++i)
        MoveWindow(GetDlgItem(list, i), 0, (i - page.scroll) * kStampCellHeight, rc.right, kStampCellHeight, TRUE);
    SetupScrollBar(list, SB_VERT, 0, count, visible, page.scroll);
}

LRESULT ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, int roller) {
    StampPageState& page = StampPage(roller);
    switch (msg) {
    case WM_CREATE: {
        RefreshStampPage(roller, Folder());
        HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(wnd, GWLP_HINSTANCE);
        // One cell a listed entry.
        for (int i = 0; i < (int)page.paths.size(); ++i)
            CreateWindowExA(0, roller ? "KoroPalPokClass" : "TexPalPokClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                            wnd, (HMENU)(INT_PTR)i, inst, nullptr);
        return 0;
    }
    case WM_SIZE:
        PlaceStampCells(wnd, roller);
        return 0;
    case WM_VSCROLL: {
        int pos = page.scroll;
        switch (LOWORD(wp)) {
        case SB_LINEUP: pos -= 1; break;
        case SB_LINEDOWN: pos += 1; break;
        case SB_PAGEUP: pos -= 4; break;
        case SB_PAGEDOWN: pos += 4; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = (int)page.paths.size(); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
            SCROLLINFO si = {};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(wnd, SB_VERT, &si);
            pos = si.nTrackPos;
            break;
        }
        default: return 0;
        }
        page.scroll = pos;
        PlaceStampCells(wnd, roller);
        InvalidateRect(wnd, nullptr, TRUE);
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void PaintStampCell(HWND cell, HDC dc, int entry) {
    RECT rc;
    GetClientRect(cell, &rc);
    int w = rc.right, h = rc.bottom;
    const StampPageState& page = StampPage(0);
    if (entry >= 0 && entry < (int)page.paths.size()) {
        VmsImage* thumb = LoadStampThumbnail(Folder(), page.paths[entry], MakeChcPath(page.paths[entry]), w, h);
        if (thumb) {
            int th = 4 * h / 5, top = (h - th) / 2;
            for (int k = 0; k < 3; ++k) c_Dib::DrawFit(dc, thumb, k * (w / 3), top, (k + 1) * (w / 3), top + th, 1, 1);
            g_VmsStore.Free(&thumb);
        }
    }
    DrawRectOutline(dc, 0, 0, w, h, GetSysColor(COLOR_BTNSHADOW));
}

void PaintKoroCell(HWND cell, HDC dc, int entry) {
    RECT rc;
    GetClientRect(cell, &rc);
    int w = rc.right, h = rc.bottom;
    const StampPageState& page = StampPage(1);
    if (entry >= 0 && entry < (int)page.paths.size()) {
        const std::string& folder = page.paths[entry];
        int n = CountKoroFrames(folder);
        int s = 4 * w / 5, th = 4 * h / 5, left = (w - s) / 2, top = (h - th) / 2;
        // A folder without frames shows its outline only.
        int slot = n > 0 ? s / n : 0;
        for (int i = 1; i <= n && slot > 0; ++i) {
            VmsImage* thumb =
                LoadStampThumbnail(Folder(), MakeKoroFramePath(folder, i), MakeKoroChcPath(folder, i), slot, th);
            if (!thumb) continue;
            int x = left + (i - 1) * slot;
            c_Dib::DrawFit(dc, thumb, x, top, x + slot, top + th, 1, 1);
            g_VmsStore.Free(&thumb);
        }
    }
    DrawRectOutline(dc, 0, 0, w, h, GetSysColor(COLOR_BTNSHADOW));
}

LRESULT CellProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, int roller) {
    int entry = GetDlgCtrlID(wnd);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (roller) PaintKoroCell(wnd, dc, entry);
        else PaintStampCell(wnd, dc, entry);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        if (g_Busy) return 0;
        g_Busy = true;
        RECT rc;
        GetClientRect(wnd, &rc);
        HDC dc = GetDC(wnd);
        DrawXorRect(dc, 2, 2, rc.right - 2, rc.bottom - 2);
        while (IsLeftButtonDown()) {
        }
        DrawXorRect(dc, 2, 2, rc.right - 2, rc.bottom - 2);
        ReleaseDC(wnd, dc);
        HWND owner = GetMessageBoxOwner();
        if (roller) SelectKoroStamp(owner, entry);
        else SelectStamp(owner, entry);
        g_Busy = false;
        return 0;
    }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK TexSelBaseWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ListProc(w, m, wp, lp, 0); }
LRESULT CALLBACK KoroSelBaseWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ListProc(w, m, wp, lp, 1); }
LRESULT CALLBACK TexPalPokWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CellProc(w, m, wp, lp, 0); }
LRESULT CALLBACK KoroPalPokWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CellProc(w, m, wp, lp, 1); }

void RegisterStampPageClasses(HINSTANCE instance) {
    struct Entry {
        const char* name;
        WNDPROC proc;
        COLORREF colour;
    } entries[] = {{"TexSelBaseClass", TexSelBaseWndProc, RGB(224, 223, 227)},
                   {"KoroSelBaseClass", KoroSelBaseWndProc, RGB(224, 223, 227)},
                   {"TexPalPokClass", TexPalPokWndProc, RGB(164, 164, 164)},
                   {"KoroPalPokClass", KoroPalPokWndProc, RGB(164, 164, 164)}};
    for (const Entry& e : entries) {
        WNDCLASSA wc = {};
        if (GetClassInfoA(instance, e.name, &wc)) continue;
        wc.lpfnWndProc = e.proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(e.colour);
        wc.lpszClassName = e.name;
        RegisterClassA(&wc);
    }
}
