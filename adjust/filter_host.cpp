#include "adjust/filter_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "adjust/adjust_layer.h"
#include "adjust/filter_api.h"
#include "adjust/filter_list.h"
#include "canvas/canv_host.h"
#include "canvas/canv_window.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "ui/msgbox.h"

std::vector<uint8_t> c_FilterHost::work_;
int c_FilterHost::EffectLevel = 2;
RECT c_FilterHost::Rect = {0, 0, -1, -1};

namespace {

const auto& P = ProductTable;

int Stride24(int width) { return (width * 3 + 3) & ~3; }

// State of a row-filter run.
CanvDoc* g_rowDoc = nullptr;
bool g_workInUse = false;
FilterImageInfo g_info;

LayerPlane* Current(CanvDoc* doc) { return &doc->planes[doc->currentPlane]; }

// Blends packed new pixels over the current plane by the weights of the
// canvas row y, columns x0..x1.
void BlendPackedIntoPlane(CanvDoc* doc, int y, int x0, int x1, const uint8_t* packed) {
    const int n = x1 - x0 + 1;
    if (n <= 0) return;
    std::vector<uint32_t> old((size_t)n);
    std::vector<uint8_t> weight((size_t)n);
    GetPlaneRow(doc, y, x0, x1, old.data());
    AdjustWeightRow(doc, y, x0, x1, 1, c_FilterHost::Rect, weight.data());
    for (int i = 0; i < n; ++i) {
        const int c = weight[i];
        uint32_t out = old[i] & 0xFF000000u;
        for (int k = 0; k < 3; ++k) {
            const int ov = (old[i] >> (8 * k)) & 255, nv = packed[3 * i + k];
            out |= (uint32_t)std::min(255, P[nv][c] + P[ov][255 - c]) << (8 * k);
        }
        old[i] = out;
    }
    PutPlaneRow(doc, y, x0, x1, old.data());
}

int PlaneOfFilter(int p) { return p == 0 ? 2 : p == 1 ? 1 : p + 1; }

// Clips a rectangle-relative span to the working rectangle.
bool ClipSpan(int y, int* x0, int* x1) {
    const int w = c_FilterHost::Rect.right - c_FilterHost::Rect.left + 1;
    const int h = c_FilterHost::Rect.bottom - c_FilterHost::Rect.top + 1;
    if (y < 0 || y >= h) return false;
    *x0 = std::max(*x0, 0);
    *x1 = std::min(*x1, w - 1);
    return *x0 <= *x1;
}

void PutRgbRow(int y, int x0, int x1, uint8_t* buffer) {
    if (!buffer) return;
    if (g_workInUse) {
        if (y < 0 || y >= c_FilterHost::WorkHeight()) return;
        const int a = std::max(x0, 0), b = std::min(x1, c_FilterHost::WorkWidth() - 1);
        if (a <= b) std::memcpy(c_FilterHost::WorkRow(y) + 3 * a, buffer + 3 * (a - x0), (size_t)(b - a + 1) * 3);
        return;
    }
    int a = x0, b = x1;
    if (!g_rowDoc || !ClipSpan(y, &a, &b)) return;
    BlendPackedIntoPlane(g_rowDoc, y + c_FilterHost::Rect.top, a + c_FilterHost::Rect.left,
                         b + c_FilterHost::Rect.left, buffer + 3 * (a - x0));
}

void GetRgbRow(int y, int x0, int x1, uint8_t* buffer) {
    if (!buffer || x1 < x0) return;
    std::memset(buffer, 0, (size_t)(x1 - x0 + 1) * 3);
    if (g_workInUse) {
        if (y < 0 || y >= c_FilterHost::WorkHeight()) return;
        const int a = std::max(x0, 0), b = std::min(x1, c_FilterHost::WorkWidth() - 1);
        if (a <= b) std::memcpy(buffer + 3 * (a - x0), c_FilterHost::WorkRow(y) + 3 * a, (size_t)(b - a + 1) * 3);
        return;
    }
    int a = x0, b = x1;
    if (!g_rowDoc || !ClipSpan(y, &a, &b)) return;
    std::vector<uint32_t> words((size_t)(b - a + 1));
    GetPlaneRow(g_rowDoc, y + c_FilterHost::Rect.top, a + c_FilterHost::Rect.left, b + c_FilterHost::Rect.left,
                words.data());
    for (size_t i = 0; i < words.size(); ++i)
        std::memcpy(buffer + 3 * (a - x0 + (int)i), &words[i], 3);
}

void PutPlaneRowCb(int y, int x0, int x1, uint8_t* buffer, int, int p) {
    int a = x0, b = x1;
    if (g_workInUse || !buffer || !g_rowDoc || !ClipSpan(y, &a, &b)) return;
    const int n = b - a + 1, cy = y + c_FilterHost::Rect.top, cx = a + c_FilterHost::Rect.left;
    const int plane = PlaneOfFilter(p);
    if (plane < 0 || plane >= CanvPlanesPerLayer) return;
    std::vector<uint8_t> old((size_t)n), weight((size_t)n);
    GetLayerPlaneRow(g_rowDoc, cy, cx, cx + n - 1, old.data(), plane);
    AdjustWeightRow(g_rowDoc, cy, cx, cx + n - 1, 1, c_FilterHost::Rect, weight.data());
    for (int i = 0; i < n; ++i)
        old[i] = (uint8_t)std::min(255, P[old[i]][255 - weight[i]] + P[buffer[a - x0 + i]][weight[i]]);
    PutLayerPlaneRow(g_rowDoc, cy, cx, cx + n - 1, old.data(), plane);
}

void GetPlaneRowCb(int y, int x0, int x1, uint8_t* buffer, int, int p) {
    int a = x0, b = x1;
    if (g_workInUse || !buffer || !g_rowDoc || !ClipSpan(y, &a, &b)) return;
    const int plane = PlaneOfFilter(p);
    if (plane < 0 || plane >= CanvPlanesPerLayer) return;
    GetLayerPlaneRow(g_rowDoc, y + c_FilterHost::Rect.top, a + c_FilterHost::Rect.left, b + c_FilterHost::Rect.left,
                     buffer + (a - x0), plane);
}

void RowNop() {}

FilterRowCallbacks g_writeTable = {PutRgbRow, PutPlaneRowCb, RowNop};
FilterRowCallbacks g_readTable = {GetRgbRow, GetPlaneRowCb, RowNop};
FilterColourInfo g_colour;

// "<program folder>filter\", the folder text every filter call carries.
void FilterFolderText(char* text, size_t size) {
    std::snprintf(text, size, "%sfilter\\", CanvProgramFolder() ? CanvProgramFolder() : "");
}

// A row-filter run is over: its callbacks reach nothing until the next Query.
void EndRowRun() {
    g_rowDoc = nullptr;
    g_workInUse = false;
}

// The working rectangle (relative to the current plane) into the work image,
// unless one is there already: 1, or 0 when it cannot be copied.
bool CopyRectangleUnlessWork(CanvDoc* doc) {
    if (c_FilterHost::HasWork()) return true;
    const LayerPlane* plane = Current(doc);
    const RECT& r = c_FilterHost::Rect;
    return c_FilterHost::CopySource(doc, r.left - plane->x, r.top - plane->y, r.right - plane->x, r.bottom - plane->y) != 0;
}

}  // namespace

std::vector<uint8_t> MakePackedDib24(int width, int height) {
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + (size_t)Stride24(width) * height, 0);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = (DWORD)Stride24(width) * height;
    std::memcpy(dib.data(), &header, sizeof header);
    return dib;
}

int c_FilterHost::WorkWidth() {
    return work_.empty() ? 0 : reinterpret_cast<const BITMAPINFOHEADER*>(work_.data())->biWidth;
}
int c_FilterHost::WorkHeight() {
    return work_.empty() ? 0 : reinterpret_cast<const BITMAPINFOHEADER*>(work_.data())->biHeight;
}
uint8_t* c_FilterHost::WorkRow(int y) {
    const int w = WorkWidth(), h = WorkHeight();
    if (y < 0 || y >= h) return nullptr;
    return work_.data() + sizeof(BITMAPINFOHEADER) + (size_t)Stride24(w) * (h - 1 - y);
}
void c_FilterHost::FreeWork() { std::vector<uint8_t>().swap(work_); }

int c_FilterHost::Init() { return InitFilterList(); }

void c_FilterHost::Release() {
    FreeWork();
    ReleaseFilterList();
}

void* c_FilterHost::Query(int kind, int, CanvDoc* doc) {
    SetRectangle(doc);
    if (kind == 0 || kind == 1) {
        g_colour = {};
        g_colour.red = (uint8_t)PenColour.red;
        g_colour.green = (uint8_t)PenColour.green;
        g_colour.blue = (uint8_t)PenColour.blue;
        g_colour.opacity = PenOpacity;
        g_colour.density = Pen.density;
        return &g_colour;
    }
    if (kind >= FilterKindRows) {
        g_rowDoc = doc;
        g_workInUse = HasWork();
        if (g_workInUse) {
            g_info = {WorkWidth(), WorkHeight(), 24};
            Rect = {0, 0, WorkWidth() - 1, WorkHeight() - 1};
        } else {
            g_info = {Rect.right - Rect.left + 1, Rect.bottom - Rect.top + 1, 24};
        }
    }
    return nullptr;
}

const FilterImageInfo& c_FilterHost::RowImageInfo() { return g_info; }

int PrepareFilterSource(int x0, int y0, int x1, int y1) {
    CanvDoc* doc = GetActiveCanvas();
    return doc ? c_FilterHost::CopySource(doc, x0, y0, x1, y1) : 0;
}

void c_FilterHost::SetRectangle(CanvDoc* doc) {
    const LayerPlane* plane = Current(doc);
    const SelShape& box = doc->selShapes[0];
    RECT r = {plane->x, plane->y, plane->x + plane->width - 1, plane->y + plane->height - 1};
    if (box.kind != 0) {
        r.left = std::max<LONG>(r.left, box.x0);
        r.top = std::max<LONG>(r.top, box.y0);
        r.right = std::min<LONG>(r.right, box.x1);
        r.bottom = std::min<LONG>(r.bottom, box.y1);
    }
    Rect = r;
}

int c_FilterHost::CopySource(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    FreeWork();
    const LayerPlane* plane = Current(doc);
    if (!plane->image || x1 < x0 || y1 < y0) return 0;
    if (plane->depth != 8 && plane->depth != 24 && plane->depth != 32) return 0;
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    work_ = MakePackedDib24(w, h);
    std::vector<uint32_t> words((size_t)w);
    for (int y = 0; y < h; ++y) {
        // GetPlaneRow widens an 8-bit plane to grey words.
        GetPlaneRow(doc, plane->y + y0 + y, plane->x + x0, plane->x + x1, words.data());
        uint8_t* row = WorkRow(y);
        for (int x = 0; x < w; ++x) std::memcpy(row + 3 * x, &words[x], 3);
    }
    return 1;
}

void FormatFilterOptions(int level, char* text, int size) {
    const int t = 2 * level - 4;
    std::snprintf(text, (size_t)size,
                  "Scale=%d,Base=%d,Touch=%d,Color=%d,Deform=%d,Focus=%d,Material=%d,DispDialog=%d,"
                  "DispPreview=%d,OrderMode=%d,ProgMsg=%d,ProgWprg=%d,ProgWfin=%d",
                  0, 0, t, t, t, t, 0, 0, 0, 0, WM_USER, 3, 0);
}

int c_FilterHost::Run(CanvDoc* doc, HMODULE module) {
    auto getTitle = (FilterGetTitleFn)(void*)GetProcAddress(module, "FilterGetTitle");
    auto proc = (FilterProcFn)(void*)GetProcAddress(module, "FilterProc");
    auto script = (FilterProcScriptFn)(void*)GetProcAddress(module, "FilterProcScript");
    if (!getTitle || (!proc && !script)) return 0;
    char title[256] = {};
    int32_t ignored = 0, kind = -1;
    HWND owner = CanvFrameWindow();
    if (!getTitle(owner, title, &ignored, &kind)) return 0;
    if (kind >= FilterKindRows && !proc) return 0;
    void* query = Query(kind, 1, doc);
    char folder[MAX_PATH + 16];
    FilterFolderText(folder, sizeof folder);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    int result = 0;
    if (kind >= FilterKindRows) {
        result = g_info.width > 0 && g_info.height > 0 ? proc(owner, &g_info, &g_writeTable, &g_readTable, folder, nullptr) : 0;
        EndRowRun();
    } else {
        if (!CopyRectangleUnlessWork(doc)) {
            SetCursor(previous);
            return 0;
        }
        if (script) {
            char options[512];
            FormatFilterOptions(EffectLevel, options, sizeof options);
            int32_t reply = 0;
            result = script(owner, WorkDib(), options, &reply);
        } else {
            result = proc(owner, WorkDib(), nullptr, nullptr, folder, query);
        }
    }
    SetCursor(previous);
    return result ? 1 : 0;
}

int c_FilterHost::RunOption(CanvDoc* doc, HMODULE module) {
    auto getTitle = (FilterGetTitleFn)(void*)GetProcAddress(module, "FilterGetTitle");
    auto option = (FilterOptionFn)(void*)GetProcAddress(module, "FilterOption");
    if (!getTitle || !option) return 0;
    char title[256] = {};
    int32_t ignored = 0, kind = -1;
    HWND owner = CanvFrameWindow();
    if (!getTitle(owner, title, &ignored, &kind)) return 0;
    void* query = Query(kind, 1, doc);
    int result = 0;
    if (kind >= FilterKindRows || CopyRectangleUnlessWork(doc)) {
        char folder[MAX_PATH + 16];
        FilterFolderText(folder, sizeof folder);
        result = option(owner, folder, query);
    }
    EndRowRun();
    FreeWork();
    return result;
}

int c_FilterHost::Paste(CanvDoc* doc) {
    if (!HasWork()) {
        ShowMessageBox(CanvFrameWindow(), "error", "FilterPaste", kMsgOk);
        return 0;
    }
    const int w = std::min<int>(WorkWidth(), Rect.right - Rect.left + 1);
    const int h = std::min<int>(WorkHeight(), Rect.bottom - Rect.top + 1);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    for (int y = 0; y < h; ++y) BlendPackedIntoPlane(doc, Rect.top + y, Rect.left, Rect.left + w - 1, WorkRow(y));
    SetCursor(previous);
    return 1;
}

int c_FilterHost::RunAndPaste(CanvDoc* doc, HMODULE module) {
    FreeWork();
    int32_t kind = -1, ignored = 0;
    char title[256];
    auto getTitle = (FilterGetTitleFn)(void*)GetProcAddress(module, "FilterGetTitle");
    if (getTitle) getTitle(CanvFrameWindow(), title, &ignored, &kind);
    int ok = Run(doc, module);
    if (ok && kind < FilterKindRows) ok = Paste(doc);
    FreeWork();
    RedrawCanvas(doc);
    if (ok) SetCanvasModified(doc);
    return ok;
}
