#include "adjust/adjust_preview.h"

#include <algorithm>
#include <vector>

#include "adjust/adjust_dlg_util.h"
#include "image/c_dib.h"
#include "image/product_table.h"
#include "image/vms_store.h"

void CompositeOverWhite(VmsImage* image, const VmsImage* alpha) {
    if (!image || !alpha || image->bits != 32 || alpha->bits != 8 || alpha->width != image->width ||
        alpha->height != image->height)
        return;
    const int w = image->width;
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> t((size_t)w);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, w - 1, row.data());
        g_VmsStore.GetRow(alpha, y, 0, w - 1, t.data());
        for (int x = 0; x < w; ++x) {
            const int a = t[x];
            uint32_t out = row[x] & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const int v = (int)(row[x] >> shift) & 255;
                out |= (uint32_t)std::min(255, ProductTable[v][a] + 255 - a) << shift;
            }
            row[x] = out;
        }
        g_VmsStore.PutRow(image, y, 0, w - 1, row.data());
    }
}

const LayerPlane* TransparencyPlaneOf(const CanvDoc* doc) {
    if (!doc || doc->currentPlane % CanvPlanesPerLayer != 0) return nullptr;
    const LayerPlane* next = &doc->planes[doc->currentPlane + 1];
    return next->image && next->image->bits == 8 ? next : nullptr;
}

VmsImage* ReadTransparency(const CanvDoc* doc, int x, int y, int w, int h) {
    const LayerPlane* a = TransparencyPlaneOf(doc);
    if (!a || w <= 0 || h <= 0) return nullptr;
    const LayerPlane& p = doc->planes[doc->currentPlane];
    VmsImage* out = g_VmsStore.Create(w, h, 8, 0, 1);
    if (!out) return nullptr;
    // Canvas position of the first pixel, then the transparency plane's own.
    const int ax = p.x + x - a->x, ay = p.y + y - a->y;
    const int x0 = std::max(0, -ax), x1 = std::min(w - 1, a->image->width - 1 - ax);
    std::vector<uint8_t> row((size_t)w);
    for (int r = 0; r < h; ++r) {
        const int sy = ay + r;
        if (sy < 0 || sy >= a->image->height || x0 > x1) continue;   // outside: transparent
        g_VmsStore.GetRow(a->image, sy, ax + x0, ax + x1, row.data());
        g_VmsStore.PutRow(out, r, x0, x1, row.data());
    }
    return out;
}

VmsImage* CopyImage(const VmsImage* image) {
    if (!image) return nullptr;
    VmsImage* copy = g_VmsStore.Create(image->width, image->height, image->bits, 0, 0);
    if (copy && !g_VmsStore.Copy(copy, image)) g_VmsStore.Free(&copy);
    return copy;
}

VmsImage* MakeOverview(const CanvDoc* doc, const VmsImage* layerImage, int cw, int ch, VmsImage** source,
                       VmsImage** alpha) {
    if (source) *source = nullptr;
    if (alpha) *alpha = nullptr;
    if (!layerImage) return nullptr;
    // The layer's own proportions, no larger than it is, within the client
    // less 16 pixels each way.
    int fw = 1, fh = 1;
    c_Dib::FitSize(layerImage->width, layerImage->height, std::max(1, cw - 16), std::max(1, ch - 16), &fw, &fh, 0);
    fw = std::max(1, fw);
    fh = std::max(1, fh);
    VmsImage* overview = c_Dib::Resize(layerImage, fw, fh, 0, 1, 0);
    if (!overview) return nullptr;
    VmsImage* fittedAlpha = nullptr;
    if (VmsImage* full = ReadTransparency(doc, 0, 0, layerImage->width, layerImage->height)) {
        VmsImage* fitted = c_Dib::Resize(full, fw, fh, 0, 1, 0);
        g_VmsStore.Free(&full);
        if (fitted && fitted->width == overview->width && fitted->height == overview->height) fittedAlpha = fitted;
        else g_VmsStore.Free(&fitted);
    }
    if (source) *source = CopyImage(overview);
    CompositeOverWhite(overview, fittedAlpha);
    if (alpha) *alpha = fittedAlpha;
    else g_VmsStore.Free(&fittedAlpha);
    return overview;
}

void DetailFrame::Reset(int ovW, int ovH, int lw, int lh, int cw, int ch) {
    overviewW = ovW;
    overviewH = ovH;
    layerW = lw;
    layerH = lh;
    controlW = cw;
    controlH = ch;
    dragging = 0;
    MoveTo(originX, originY);
}

int DetailFrame::FrameW() const { return layerW > 0 ? DetailW() * overviewW / layerW : 0; }
int DetailFrame::FrameH() const { return layerH > 0 ? DetailH() * overviewH / layerH : 0; }

int DetailFrame::LayerX() const {
    if (overviewW <= 0) return 0;
    return std::clamp(originX * layerW / overviewW, 0, std::max(0, layerW - DetailW()));
}

int DetailFrame::LayerY() const {
    if (overviewH <= 0) return 0;
    return std::clamp(originY * layerH / overviewH, 0, std::max(0, layerH - DetailH()));
}

void DetailFrame::MoveTo(int x, int y) {
    originX = std::clamp(x, 0, std::max(0, overviewW - FrameW()));
    originY = std::clamp(y, 0, std::max(0, overviewH - FrameH()));
}

void DrawDetailFrame(HDC dc, const DetailFrame& f, int left, int top) {
    if (f.FrameW() <= 0 || f.FrameH() <= 0) return;
    const int x0 = left + f.originX, y0 = top + f.originY;
    const int x1 = x0 + f.FrameW() - 1, y1 = y0 + f.FrameH() - 1;
    const int old = SetROP2(dc, R2_NOT);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, y0, x1 + 1, y1 + 1);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    SetROP2(dc, old);
}

int DetailFrameMouse(HWND wnd, UINT msg, LPARAM lp, DetailFrame* f, int left, int top, int* released) {
    *released = 0;
    const int mx = (short)LOWORD(lp) - left, my = (short)HIWORD(lp) - top;
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (mx < 0 || my < 0 || mx >= f->overviewW || my >= f->overviewH) return 0;
        f->dragging = 1;
        f->grabX = mx - f->originX;
        f->grabY = my - f->originY;
        SetCapture(wnd);
        return 1;
    case WM_MOUSEMOVE: {
        if (!f->dragging) return 0;
        HDC dc = GetDC(wnd);
        DrawDetailFrame(dc, *f, left, top);
        f->MoveTo(mx - f->grabX, my - f->grabY);
        DrawDetailFrame(dc, *f, left, top);
        ReleaseDC(wnd, dc);
        return 1;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (!f->dragging) return 0;
        if (msg == WM_LBUTTONUP) {
            HDC dc = GetDC(wnd);
            DrawDetailFrame(dc, *f, left, top);
            f->MoveTo(mx - f->grabX, my - f->grabY);
            DrawDetailFrame(dc, *f, left, top);
            ReleaseDC(wnd, dc);
        }
        f->dragging = 0;
        if (GetCapture() == wnd) ReleaseCapture();
        *released = 1;
        return 1;
    }
    return 0;
}

VmsImage* CropDetail(const VmsImage* layerImage, const DetailFrame& f) {
    if (!layerImage || f.DetailW() <= 0 || f.DetailH() <= 0) return nullptr;
    const int x = f.LayerX(), y = f.LayerY();
    VmsImage* out = g_VmsStore.Create(f.DetailW(), f.DetailH(), 32, 0, 0);
    if (!out) return nullptr;
    std::vector<uint32_t> row((size_t)f.DetailW());
    for (int r = 0; r < f.DetailH(); ++r) {
        if (layerImage->bits == 8) {
            std::vector<uint8_t> bytes((size_t)f.DetailW());
            g_VmsStore.GetRow(layerImage, y + r, x, x + f.DetailW() - 1, bytes.data());
            for (int i = 0; i < f.DetailW(); ++i) row[i] = bytes[i] * 0x010101u;
        } else {
            g_VmsStore.GetRow(layerImage, y + r, x, x + f.DetailW() - 1, row.data());
        }
        g_VmsStore.PutRow(out, r, 0, f.DetailW() - 1, row.data());
    }
    return out;
}

VmsImage* CropDetailAlpha(const CanvDoc* doc, const DetailFrame& f) {
    return ReadTransparency(doc, f.LayerX(), f.LayerY(), f.DetailW(), f.DetailH());
}

namespace {

const char kPictureClass[] = "AdjustPictureClass";

LRESULT CALLBACK PictureProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        if (const VmsImage* image = PictureControlImage(wnd))
            c_Dib::DrawFit(dc, image, 0, 0, image->width - 1, image->height - 1, 0, 1);
        EndPaint(wnd, &ps);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

HWND CreatePictureControl(HWND parent, int x, int y, int w, int h, int id) {
    return CreateOwnControl(kPictureClass, PictureProc, parent, 0, x, y, w, h, id);
}

void SetPictureControlImage(HWND control, const VmsImage* image) {
    if (!control) return;
    SetWindowLongPtrA(control, GWLP_USERDATA, (LONG_PTR)image);
    InvalidateRect(control, nullptr, FALSE);
}

const VmsImage* PictureControlImage(HWND control) {
    return control ? (const VmsImage*)GetWindowLongPtrA(control, GWLP_USERDATA) : nullptr;
}

int DetailViewMessage(HWND wnd, UINT msg, LPARAM lp, const CanvDoc* doc, const VmsImage* layerImage,
                      VmsImage** overview, DetailFrame* frame, int* released) {
    switch (msg) {
    case WM_SIZE:
        g_VmsStore.Free(overview);
        if (doc && layerImage) *overview = MakeOverview(doc, layerImage, LOWORD(lp), HIWORD(lp));
        if (*overview)
            frame->Reset((*overview)->width, (*overview)->height, layerImage->width, layerImage->height,
                         frame->controlW, frame->controlH);
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        const RECT shown = PaintCentredPreview(wnd, dc, *overview);
        if (*overview) DrawDetailFrame(dc, *frame, shown.left, shown.top);
        EndPaint(wnd, &ps);
        return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        if (!*overview) return 0;
        // The overview is drawn centred in the client area.
        RECT rc;
        GetClientRect(wnd, &rc);
        const int left = (rc.right - (*overview)->width) / 2, top = (rc.bottom - (*overview)->height) / 2;
        return DetailFrameMouse(wnd, msg, lp, frame, left, top, released);
    }
    }
    return 0;
}
