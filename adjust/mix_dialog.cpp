#include "adjust/mix_dialog.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "adjust/adjust_dlg_util.h"
#include "canvas/canv_clip.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_dlg_util.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "select/sel_mask.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/sysutil.h"

namespace {

const char kViewClass[] = "MixViewClass";
const char kNoCandidate[] = "合成できる画像がありません。合成したい画像を読み込んでください。";
constexpr int kPanelX = 328, kPanelY = 8, kPanelW = 304, kPanelH = 464;
constexpr int kKeepOnCanvas = 10;     // pixels of the placed image that stay on the canvas

struct MixDlgState {
    CanvDoc* candidates[MixMaxCandidates];
    int count;
    int chosen;
    CanvDoc* target;
    HWND view;
    HWND panel;
    int opacity;
    int size;
    int pattern;
    int offsetX, offsetY;
    // The last preview: the fitted size and place of the target, the placed image's size.
    int fittedWidth, fittedHeight;
    int placedWidth, placedHeight;
    int previewLeft, previewTop;
    ReformatTimer timer;        // on the panel
    bool writing;               // the program writes the edits
};
MixDlgState g_mix;

CanvDoc* Chosen() {
    return g_mix.chosen >= 0 && g_mix.chosen < g_mix.count ? g_mix.candidates[g_mix.chosen] : nullptr;
}

// Owners of the images of one preview or apply, freed on every way out.
struct OwnedVms {
    VmsImage* p = nullptr;
    OwnedVms() = default;
    OwnedVms(const OwnedVms&) = delete;
    OwnedVms& operator=(const OwnedVms&) = delete;
    ~OwnedVms() { g_VmsStore.Free(&p); }
    void Reset(VmsImage* next) {
        g_VmsStore.Free(&p);
        p = next;
    }
};
struct OwnedDib {
    DibImage* p = nullptr;
    OwnedDib() = default;
    OwnedDib(const OwnedDib&) = delete;
    OwnedDib& operator=(const OwnedDib&) = delete;
    ~OwnedDib() { c_DibImageOps::Free(&p); }
};

// The screen-tone flags (the nine modes and the six tone switches) with only
// the pattern's flag set while it lives; the settings come back whole after.
class ToneChoice {
public:
    explicit ToneChoice(int pattern) : saved_(c_ToneMask::Settings) {
        ToneMaskSettings& s = c_ToneMask::Settings;
        for (int32_t& m : s.modes) m = 0;
        for (int i = 0; i < kToneSlots; ++i) s.params[i] = 0;
        const int flag = pattern - 1;
        if (flag >= 0 && flag < kToneModeCount) s.modes[flag] = 1;
        else if (flag >= kToneModeCount && flag < kToneModeCount + kToneSlots) s.params[flag - kToneModeCount] = 1;
    }
    ~ToneChoice() { c_ToneMask::Settings = saved_; }
    ToneChoice(const ToneChoice&) = delete;
    ToneChoice& operator=(const ToneChoice&) = delete;

private:
    ToneMaskSettings saved_;
};

// The pen opacity for the paste, put back afterwards.
class PenOpacityFor {
public:
    explicit PenOpacityFor(int value) : saved_(PenOpacity) { PenOpacity = value; }
    ~PenOpacityFor() { PenOpacity = saved_; }
    PenOpacityFor(const PenOpacityFor&) = delete;
    PenOpacityFor& operator=(const PenOpacityFor&) = delete;

private:
    int saved_;
};

int OpacityWeight() { return g_mix.opacity * 255 / 100; }

// The chosen canvas's selected part as image and mask, scaled by the size
// percent (nearest neighbour, at least one pixel each way). False when the
// canvas gives no image; nothing is kept then.
bool TakeSource(OwnedVms* image, OwnedVms* mask) {
    CanvDoc* source = Chosen();
    if (!source) return false;
    ApplyPendingSelBlur(source);
    VmsImage *i = nullptr, *m = nullptr;
    const int ok = CopySelectionToImage(source, &i, &m);
    image->Reset(i);
    mask->Reset(m);
    if (!ok || !image->p || !mask->p) {
        image->Reset(nullptr);
        mask->Reset(nullptr);
        return false;
    }
    if (g_mix.size != 100) {
        const int w = std::max(1, g_mix.size * image->p->width / 100);
        const int h = std::max(1, g_mix.size * image->p->height / 100);
        image->Reset(c_Dib::Resize(image->p, w, h, 0, 0, 0));
        mask->Reset(image->p ? c_Dib::Resize(mask->p, w, h, 0, 0, 0) : nullptr);
        if (!image->p || !mask->p) {
            image->Reset(nullptr);
            mask->Reset(nullptr);
            return false;
        }
    }
    return true;
}

// Row i of the mask made the paste's weight: through the tone pattern over
// the placed box, then by the opacity.
void WeightRow(uint8_t* row, int i, int width, int height) {
    const int x0 = g_mix.offsetX, y0 = g_mix.offsetY;
    c_ToneMask::MakeRow(y0 + i, x0, x0 + width - 1, x0, y0, x0 + width - 1, y0 + height - 1, row, 0);
    const int o = OpacityWeight();
    for (int x = 0; x < width; ++x) row[x] = ProductTable[row[x]][o];
}

// Where the target's fitted picture lies in the view.
void LayoutPreview(HWND view) {
    RECT rc;
    GetClientRect(view, &rc);
    const CanvDoc* t = g_mix.target;
    int w = 0, h = 0;
    if (t && rc.right > 0 && rc.bottom > 0) c_Dib::FitSize(t->width, t->height, rc.right, rc.bottom, &w, &h, 0);
    g_mix.fittedWidth = std::max(1, w);
    g_mix.fittedHeight = std::max(1, h);
    g_mix.previewLeft = (rc.right - g_mix.fittedWidth) / 2;
    g_mix.previewTop = (rc.bottom - g_mix.fittedHeight) / 2;
}

void PaintGauge(const DRAWITEMSTRUCT* item, int value) {
    HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    FillRectColor(dc, r.left, r.top, r.right, r.bottom, PanelColour);
    const int mid = r.top + h / 2;
    DrawSunkenPanelThin(dc, r.left + 2, mid - 3, r.right - 3, mid + 2, RGB(96, 96, 96));
    const int x = r.left + value * (w - 9) / 100 + 4;
    DrawRaisedPanelThin(dc, x - 4, r.top + 1, x + 4, r.bottom - 2, RGB(240, 240, 240));
}

// A pattern button: black for none, else the pattern's tone mask over the
// button inverted to grey; the chosen one outlined.
void PaintPatternButton(const DRAWITEMSTRUCT* item) {
    const int index = (int)item->CtlID - MixIdPattern0;
    const RECT& r = item->rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    std::vector<uint32_t> pixels((size_t)w * h, 0);
    if (index > 0) {
        ToneChoice tone(index);
        std::vector<uint8_t> row((size_t)w);
        for (int y = 0; y < h; ++y) {
            std::fill(row.begin(), row.end(), 255);
            c_ToneMask::MakeRow(y, 0, w - 1, 0, 0, w - 1, h - 1, row.data(), 0);
            for (int x = 0; x < w; ++x) {
                const uint32_t g = 255u - row[x];
                pixels[(size_t)y * w + x] = g | g << 8 | g << 16;
            }
        }
    }
    BITMAPINFO bi = TopDownDibInfo(w, h, 32);
    SetDIBitsToDevice(item->hDC, r.left, r.top, (DWORD)w, (DWORD)h, 0, 0, 0, (UINT)h, pixels.data(), &bi,
                      DIB_RGB_COLORS);
    if (index == g_mix.pattern) {
        DrawRectOutline(item->hDC, r.left, r.top, r.right - 1, r.bottom - 1, RGB(255, 0, 0));
        DrawRectOutline(item->hDC, r.left + 1, r.top + 1, r.right - 2, r.bottom - 2, RGB(255, 0, 0));
    }
}

void WriteEdits(HWND panel) {
    RewriteDlgItemInt(panel, MixIdOpacity, g_mix.opacity, &g_mix.writing);
    RewriteDlgItemInt(panel, MixIdSize, g_mix.size, &g_mix.writing);
}

void InitPanel(HWND panel) {
    g_mix.panel = panel;
    SetWindowPos(panel, nullptr, kPanelX, kPanelY, kPanelW, kPanelH, SWP_NOZORDER);
    HWND list = AdjustChild(panel, "LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOTIFY | WS_TABSTOP, 8, 8, 288, 160,
                            MixIdList);
    for (int i = 0; i < g_mix.count; ++i) {
        char shown[MAX_PATH] = {};
        ShortenPath(g_mix.candidates[i]->path, shown, sizeof shown);
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)shown);
    }
    SendMessageA(list, LB_SETCURSEL, (WPARAM)g_mix.chosen, 0);
    const char* const names[2] = {"不透明度", "サイズ"};
    for (int k = 0; k < 2; ++k) {
        const int y = 184 + 56 * k;
        AdjustChild(panel, "STATIC", names[k], SS_LEFT, 8, y, 120, 16, 140 + k);
        AdjustChild(panel, "STATIC", "", SS_OWNERDRAW, 8, y + 20, 220, 22, MixIdOpacityGauge + k);
        AdjustChild(panel, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 236, y + 20, 44, 22,
                    MixIdOpacity + k);
        AdjustChild(panel, "STATIC", "%", SS_LEFT, 284, y + 23, 14, 16, 130 + k);
    }
    AdjustChild(panel, "STATIC", "パターン", SS_LEFT, 8, 300, 120, 16, 150);
    for (int i = 0; i < MixPatternCount; ++i)
        AdjustChild(panel, "BUTTON", "", BS_OWNERDRAW, 8 + 36 * i, 320, 30, 30, MixIdPattern0 + i);
    AdjustChild(panel, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 88, kPanelH - 32, 102, 24, IDOK);
    AdjustChild(panel, "BUTTON", "ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, 194, kPanelH - 32, 102, 24, IDCANCEL);
    WriteEdits(panel);
}

void PaintPanel(HWND panel) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT rc;
    GetClientRect(panel, &rc);
    FillRectColor(dc, 0, 0, rc.right, rc.bottom, PanelColour);
    DrawLine(dc, 0, rc.bottom - 40, rc.right, rc.bottom - 40, DarkShade(PanelColour));
    DrawLine(dc, 0, rc.bottom - 39, rc.right, rc.bottom - 39, LightShade(PanelColour));
    EndPaint(panel, &ps);
}

void RedrawItem(HWND panel, int id) { InvalidateRect(GetDlgItem(panel, id), nullptr, FALSE); }

// A press on a gauge (the gauges let the mouse through to the panel): the
// value follows the cursor while the button is held.
bool DragGauge(HWND panel, POINT at) {
    for (int k = 0; k < 2; ++k) {
        HWND gauge = GetDlgItem(panel, MixIdOpacityGauge + k);
        RECT r;
        if (!gauge || !GetWindowRect(gauge, &r)) continue;
        MapWindowPoints(nullptr, panel, (POINT*)&r, 2);
        if (!PtInRect(&r, at)) continue;
        int* value = k == 0 ? &g_mix.opacity : &g_mix.size;
        const int width = r.right - r.left;
        do {
            POINT c;
            GetPolledCursorPos(&c);
            ScreenToClient(gauge, &c);
            const int v = std::min(100, std::max(0, ((int)c.x * 100 - 400) / std::max(1, width - 9)));
            if (v != *value) {
                *value = v;
                RewriteDlgItemInt(panel, MixIdOpacity + k, v, &g_mix.writing);
                RedrawNow(gauge);
            }
        } while (IsLeftButtonDown());
        g_mix.timer.Start(panel);
        return true;
    }
    return false;
}

// Moves the placed image's rectangle with the cursor; the new offset keeps
// at least 10 pixels of the image on the canvas.
void DragPosition(HWND view) {
    CanvDoc* t = g_mix.target;
    if (!t || t->width <= 0 || t->height <= 0) return;
    if (g_mix.placedWidth <= 0) {
        // No preview was drawn yet: draw one now for the image's size.
        HDC dc = GetDC(view);
        PaintMixPreview(view, dc);
        ReleaseDC(view, dc);
    }
    LayoutPreview(view);
    const int fw = g_mix.fittedWidth, fh = g_mix.fittedHeight;
    const int left = g_mix.previewLeft + g_mix.offsetX * fw / t->width;
    const int top = g_mix.previewTop + g_mix.offsetY * fh / t->height;
    const int w = g_mix.placedWidth * fw / t->width, h = g_mix.placedHeight * fh / t->height;
    POINT start;
    GetPolledCursorPos(&start);
    ScreenToClient(view, &start);
    HDC dc = GetDC(view);
    int x = left, y = top;
    DrawXorRect(dc, x, y, x + w, y + h);
    while (IsLeftButtonDown()) {
        POINT c;
        GetPolledCursorPos(&c);
        ScreenToClient(view, &c);
        const int nx = left + c.x - start.x, ny = top + c.y - start.y;
        if (nx == x && ny == y) continue;
        DrawXorRect(dc, x, y, x + w, y + h);
        x = nx;
        y = ny;
        DrawXorRect(dc, x, y, x + w, y + h);
    }
    DrawXorRect(dc, x, y, x + w, y + h);
    ReleaseDC(view, dc);
    int ox = (x - g_mix.previewLeft) * t->width / fw, oy = (y - g_mix.previewTop) * t->height / fh;
    ox = std::max(std::min(ox, t->width - kKeepOnCanvas), kKeepOnCanvas - g_mix.placedWidth);
    oy = std::max(std::min(oy, t->height - kKeepOnCanvas), kKeepOnCanvas - g_mix.placedHeight);
    g_mix.offsetX = ox;
    g_mix.offsetY = oy;
    if (g_mix.panel) PostMessageA(g_mix.panel, WM_TIMER, 0, 0);
}

// The new layer picked as the layer-move tool picks one.
void PickLayer(CanvDoc* doc, int plane) {
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) LayerBase(doc, l)->frameHighlight = 0;
    doc->selShapes[9].kind = CMD_TOOL_LAYERSELECT;
    LayerBase(doc, LayerOf(plane))->frameHighlight = 2;
    RedrawCanvas(doc);
    SetCurrentPlane(doc, plane);
}

// The chosen canvas's selection becomes a layer of the target. 1 when a
// layer was added.
int ApplyMix() {
    CanvDoc* target = g_mix.target;
    OwnedVms image, mask;
    if (!target || !TakeSource(&image, &mask)) return 0;
    ToneChoice tone(g_mix.pattern);
    const int w = image.p->width, h = image.p->height;
    // The paste writes the mask as the layer's transparency as it is: the
    // pattern and the opacity are put into it first.
    std::vector<uint8_t> row((size_t)w);
    for (int i = 0; i < h; ++i) {
        std::fill(row.begin(), row.end(), 0);
        g_VmsStore.GetRow(mask.p, i, 0, w - 1, row.data());
        WeightRow(row.data(), i, w, h);
        g_VmsStore.PutRow(mask.p, i, 0, w - 1, row.data());
    }
    // The paste reads a negative position as "at the view's corner": a layer
    // placed partly off the canvas's top or left is pasted at the origin and
    // then moved to its place.
    const bool offCanvas = g_mix.offsetX < 0 || g_mix.offsetY < 0;
    int plane = 0;
    {
        PenOpacityFor pen(OpacityWeight());
        c_UndoManager::SavePoint(target, -1, 1);
        plane = PasteImageAsLayer(target, image.p, mask.p, offCanvas ? 0 : g_mix.offsetX,
                                  offCanvas ? 0 : g_mix.offsetY, 0);
    }
    if (plane <= 0) return 0;
    if (offCanvas) {
        LayerPlane* base = LayerBase(target, LayerOf(plane));
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            base[k].x = g_mix.offsetX;
            base[k].y = g_mix.offsetY;
        }
    }
    PickLayer(target, plane);
    return 1;
}

}  // namespace

void PaintMixPreview(HWND view, HDC dc) {
    RECT rc;
    GetClientRect(view, &rc);
    FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    CanvDoc* t = g_mix.target;
    if (!t) return;
    OwnedDib composed;
    composed.p = ComposeRows(t, 0, 0, t->width - 1, t->height - 1, 0, 0);
    if (!composed.p) return;
    OwnedVms image, mask;
    if (!TakeSource(&image, &mask)) return;
    {
        ToneChoice tone(g_mix.pattern);
        const int w = image.p->width, h = image.p->height;
        std::vector<uint32_t> a((size_t)w), b((size_t)w);
        std::vector<uint8_t> c((size_t)w);
        for (int i = 0; i < h; ++i) {
            const int y = g_mix.offsetY + i;
            if (y < 0 || y >= t->height) continue;
            std::fill(a.begin(), a.end(), 0xFFFFFFu);
            c_DibImageOps::GetRow32(composed.p, y, g_mix.offsetX, g_mix.offsetX + w - 1, a.data());
            g_VmsStore.GetRow(image.p, i, 0, w - 1, b.data());
            std::fill(c.begin(), c.end(), 0);
            g_VmsStore.GetRow(mask.p, i, 0, w - 1, c.data());
            WeightRow(c.data(), i, w, h);
            for (int x = 0; x < w; ++x) {
                const int alpha = c[x];
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    const int v = ProductTable[(a[x] >> shift) & 255][255 - alpha] +
                                  ProductTable[(b[x] >> shift) & 255][alpha];
                    out |= (uint32_t)std::min(255, v) << shift;
                }
                a[x] = out;
            }
            c_DibImageOps::PutRow32(composed.p, y, g_mix.offsetX, g_mix.offsetX + w - 1, a.data());
        }
        g_mix.placedWidth = w;
        g_mix.placedHeight = h;
    }
    LayoutPreview(view);
    OwnedDib fitted;
    fitted.p = c_DibImageOps::Create(g_mix.fittedWidth, g_mix.fittedHeight, 32);
    if (!fitted.p || !c_DibImageOps::ResizeNearest(composed.p, fitted.p)) return;
    c_DibImageOps::Draw(dc, fitted.p, g_mix.previewLeft, g_mix.previewTop);
}

BOOL CALLBACK EnumMixCandidates(HWND wnd, LPARAM) {
    if (g_mix.count >= MixMaxCandidates) return TRUE;
    if (GetWindow(wnd, GW_OWNER)) return TRUE;
    CanvDoc* doc = GetCanvDoc(wnd);
    if (doc && doc != g_mix.target && !doc->closing) g_mix.candidates[g_mix.count++] = doc;
    return TRUE;
}

LRESULT CALLBACK MixViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintMixPreview(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: DragPosition(wnd); return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

INT_PTR CALLBACK MixBaseDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: InitPanel(dlg); return TRUE;
    case WM_PAINT: PaintPanel(dlg); return TRUE;
    case WM_CTLCOLORSTATIC: return (INT_PTR)PanelLabelBrush((HDC)wp);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lp;
        if (item->CtlID == MixIdOpacityGauge) PaintGauge(item, g_mix.opacity);
        else if (item->CtlID == MixIdSizeGauge) PaintGauge(item, g_mix.size);
        else PaintPatternButton(item);
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        const POINT at = {(short)LOWORD(lp), (short)HIWORD(lp)};
        DragGauge(dlg, at);
        return TRUE;
    }
    case WM_TIMER:
        g_mix.timer.Stop(dlg);
        if (g_mix.view) InvalidateRect(g_mix.view, nullptr, FALSE);
        WriteEdits(dlg);
        return TRUE;
    case WM_COMMAND: {
        if (g_mix.writing) return TRUE;
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(GetParent(dlg), id == IDOK ? 1 : 0);
        } else if ((id == MixIdOpacity || id == MixIdSize) && code == EN_CHANGE) {
            ReadDlgItemInt(dlg, id, id == MixIdOpacity ? &g_mix.opacity : &g_mix.size, 100, 0);
            RedrawItem(dlg, id - MixIdOpacity + MixIdOpacityGauge);
            g_mix.timer.Start(dlg);
        } else if (id == MixIdList && code == LBN_SELCHANGE) {
            const int sel = (int)SendDlgItemMessageA(dlg, MixIdList, LB_GETCURSEL, 0, 0);
            if (sel >= 0 && sel < g_mix.count) g_mix.chosen = sel;
            g_mix.timer.Start(dlg);
        } else if (id >= MixIdPattern0 && id < MixIdPattern0 + MixPatternCount) {
            const int old = g_mix.pattern;
            g_mix.pattern = id - MixIdPattern0;
            RedrawItem(dlg, MixIdPattern0 + old);
            RedrawItem(dlg, id);
            g_mix.timer.Start(dlg);
        }
        return TRUE;
    }
    case WM_DESTROY:
        g_mix.timer.Stop(dlg);
        g_mix.panel = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK MixDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SizeAdjustDialog(dlg);
        RegisterAdjustClass(kViewClass, MixViewWndProc);
        g_mix.view = AdjustChild(dlg, kViewClass, "", 0, 8, 8, 304, 464, MixIdView);
        CreateDialogParamA(GetModuleHandleA(nullptr), "psv_mixbase", dlg, MixBaseDlgProc, 0);
        if (g_mix.view) InvalidateRect(g_mix.view, nullptr, FALSE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp) == IDOK ? 1 : 0);
        return TRUE;
    case WM_SYSCOMMAND: return EndDialogOnClose(dlg, wp, 0);
    case WM_DESTROY: g_mix.view = nullptr; return FALSE;
    }
    return FALSE;
}

INT_PTR OpenMixDialog(HWND parent, CanvDoc* target) {
    if (!target) return 0;
    g_mix = MixDlgState{};
    g_mix.opacity = 100;
    g_mix.size = 100;
    g_mix.target = target;
    if (HWND client = CanvMdiClient()) EnumChildWindows(client, EnumMixCandidates, 0);
    if (g_mix.count == 0) {
        ShowMessageBox(parent ? parent : CanvFrameOwner(), kNoCandidate, kAppTitle, kMsgOk);
        return 0;
    }
    const INT_PTR result = RunCanvasDialog("psv_mix", parent, MixDlgProc, 0);
    // An OK that could not place anything (no image from the chosen canvas,
    // no free layer) did nothing.
    if (result == 0 || !ApplyMix()) return 0;
    return result;
}

MixChoice GetMixChoice() {
    return MixChoice{g_mix.count,  g_mix.chosen,  g_mix.opacity,     g_mix.size,         g_mix.pattern,
                     g_mix.offsetX, g_mix.offsetY, g_mix.placedWidth, g_mix.placedHeight};
}
