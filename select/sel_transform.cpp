#include "select/sel_transform.h"

#include <cstring>
#include <utility>
#include <vector>

#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "select/sel_mask.h"

namespace {

// A plane of the current layer and the part of the committed box it covers,
// in canvas coordinates.
struct PlaneBox {
    LayerPlane* plane;
    int x0, y0, x1, y1;
    int Bytes() const { return plane->image->bytesPerPixel; }
};

// The planes of the current layer that hold an image and meet the box.
std::vector<PlaneBox> PlanesInBox(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    std::vector<PlaneBox> planes;
    LayerPlane* base = LayerBase(doc, LayerOf(doc->currentPlane));
    for (int n = 0; n < CanvPlanesPerLayer; ++n) {
        LayerPlane* p = base + n;
        if (!p->image || p->image->bytesPerPixel < 1) continue;
        PlaneBox b{p, x0 > p->x ? x0 : p->x, y0 > p->y ? y0 : p->y, 0, 0};
        b.x1 = x1 < p->x + p->image->width - 1 ? x1 : p->x + p->image->width - 1;
        b.y1 = y1 < p->y + p->image->height - 1 ? y1 : p->y + p->image->height - 1;
        if (b.x0 <= b.x1 && b.y0 <= b.y1) planes.push_back(b);
    }
    return planes;
}

// Row y (canvas) of a plane, columns x0..x1 (canvas), as raw pixels.
void ReadRow(const PlaneBox& b, int y, std::vector<uint8_t>& row) {
    row.resize((size_t)(b.x1 - b.x0 + 1) * b.Bytes());
    g_VmsStore.GetRow(b.plane->image, y - b.plane->y, b.x0 - b.plane->x, b.x1 - b.plane->x, row.data());
}
void WriteRow(const PlaneBox& b, int y, const std::vector<uint8_t>& row) {
    g_VmsStore.PutRow(b.plane->image, y - b.plane->y, b.x0 - b.plane->x, b.x1 - b.plane->x, row.data());
}

void SwapPixel(uint8_t* a, uint8_t* b, int bytes) {
    for (int k = 0; k < bytes; ++k) std::swap(a[k], b[k]);
}

// Mirrors or flips every plane of every layer; flip: upside down.
int TurnAllLayers(CanvDoc* doc, bool flip) {
    if (!doc) return 0;
    int ok = 1;
    for (int layer = 0; layer < CanvMaxLayers && LayerInUse(doc, layer); ++layer) {
        LayerPlane* base = LayerBase(doc, layer);
        for (int n = 0; n < CanvPlanesPerLayer; ++n) {
            LayerPlane& p = base[n];
            if (!p.image) continue;
            const int done = flip ? c_Dib::FlipVertical(p.image)
                             : n == 0 ? c_Dib::MirrorHorizontal32(p.image)
                                      : c_Dib::MirrorHorizontal8(p.image);
            if (!done) ok = 0;
            if (p.displayImage) c_DibImageOps::Free(&p.displayImage);
            if (flip) p.y = doc->height - p.image->height - p.y;
            else p.x = doc->width - p.image->width - p.x;
        }
    }
    return ok;
}

// Pairs of selected pixels swapped across the box: rows (vertical) or the
// pixels of each row (horizontal), every plane of the current layer.
void SwapSelectedPixels(CanvDoc* doc, bool vertical) {
    int x0, y0, x1, y1;
    if (!doc || !SelCommittedBox(doc, &x0, &y0, &x1, &y1)) return;
    const int w = x1 - x0 + 1;
    std::vector<uint8_t> maskA((size_t)w), maskB((size_t)w), rowA, rowB;
    const int rows = vertical ? (y1 - y0 + 1) / 2 : y1 - y0 + 1;
    const std::vector<PlaneBox> planes = PlanesInBox(doc, x0, y0, x1, y1);
    for (int i = 0; i < rows; ++i) {
        if (i % 5 == 0) CanvReportProgress(3, rows > 1 ? i * 100 / (rows - 1) : 100);
        const int ya = y0 + i, yb = vertical ? y1 - i : ya;
        SelGetMaskRow(doc, ya, x0, x1, maskA.data());
        SelGetMaskRow(doc, yb, x0, x1, maskB.data());
        for (const PlaneBox& b : planes) {
            if (ya < b.y0 || ya > b.y1 || yb < b.y0 || yb > b.y1) continue;
            const int bytes = b.Bytes();
            ReadRow(b, ya, rowA);
            if (vertical) {
                ReadRow(b, yb, rowB);
                for (int x = b.x0; x <= b.x1; ++x)
                    if (maskA[x - x0] == 0 && maskB[x - x0] == 0)
                        SwapPixel(&rowA[(size_t)(x - b.x0) * bytes], &rowB[(size_t)(x - b.x0) * bytes], bytes);
                WriteRow(b, yb, rowB);
            } else {
                // Columns mirrored about the box's middle, within the plane.
                for (int xa = b.x0; xa <= b.x1; ++xa) {
                    const int xb = x0 + x1 - xa;
                    if (xb <= xa) break;
                    if (xb > b.x1 || maskA[xa - x0] != 0 || maskA[xb - x0] != 0) continue;
                    SwapPixel(&rowA[(size_t)(xa - b.x0) * bytes], &rowA[(size_t)(xb - b.x0) * bytes], bytes);
                }
            }
            WriteRow(b, ya, rowA);
        }
    }
    CanvReportProgress(0, 0);
}

}  // namespace

int MirrorAllLayers(CanvDoc* doc) { return TurnAllLayers(doc, false); }
int FlipAllLayers(CanvDoc* doc) { return TurnAllLayers(doc, true); }

int SelectionAlphaWouldChange(CanvDoc* doc) {
    int x0, y0, x1, y1;
    if (!doc || !SelCommittedBox(doc, &x0, &y0, &x1, &y1)) return 0;
    LayerPlane* alpha = LayerBase(doc, LayerOf(doc->currentPlane)) + 1;
    if (!alpha->image) return 0;
    std::vector<uint8_t> mask((size_t)(x1 - x0 + 1)), row;
    for (const PlaneBox& b : PlanesInBox(doc, x0, y0, x1, y1)) {
        if (b.plane != alpha) continue;
        for (int y = b.y0; y <= b.y1; ++y) {
            SelGetMaskRow(doc, y, x0, x1, mask.data());
            ReadRow(b, y, row);
            for (int x = b.x0; x <= b.x1; ++x)
                if (mask[x - x0] == 0 && row[x - b.x0] != 0) return 1;
        }
    }
    return 0;
}

void FlipSelectedPixels(CanvDoc* doc) { SwapSelectedPixels(doc, true); }
void MirrorSelectedPixels(CanvDoc* doc) { SwapSelectedPixels(doc, false); }

int RotateSelectedPixels(CanvDoc* doc, double degrees) {
    int x0, y0, x1, y1;
    if (!doc || !SelCommittedBox(doc, &x0, &y0, &x1, &y1)) return 0;
    std::vector<uint8_t> mask((size_t)(x1 - x0 + 1)), row, turnedRow;
    for (const PlaneBox& b : PlanesInBox(doc, x0, y0, x1, y1)) {
        const int w = b.x1 - b.x0 + 1, h = b.y1 - b.y0 + 1, bytes = b.Bytes();
        VmsImage* copy = g_VmsStore.Create(w, h, b.plane->image->bits == 32 ? 24 : 8, 0, 1);
        if (!copy) return 0;
        for (int y = b.y0; y <= b.y1; ++y) {
            ReadRow(b, y, row);
            g_VmsStore.PutRow(copy, y - b.y0, 0, w - 1, row.data());
        }
        VmsImage* turned = c_Dib::RotateDegrees(copy, degrees);
        g_VmsStore.Free(&copy);
        if (!turned) return 0;
        // The turned copy's centre lies on the box's centre.
        const int dx = (turned->width - w) / 2, dy = (turned->height - h) / 2;
        turnedRow.resize((size_t)turned->width * bytes);
        for (int y = b.y0; y <= b.y1; ++y) {
            const int ty = y - b.y0 + dy;
            if (ty < 0 || ty >= turned->height) continue;
            SelGetMaskRow(doc, y, x0, x1, mask.data());
            ReadRow(b, y, row);
            g_VmsStore.GetRow(turned, ty, 0, turned->width - 1, turnedRow.data());
            for (int x = b.x0; x <= b.x1; ++x) {
                const int tx = x - b.x0 + dx;
                if (mask[x - x0] != 0 || tx < 0 || tx >= turned->width) continue;
                std::memcpy(&row[(size_t)(x - b.x0) * bytes], &turnedRow[(size_t)tx * bytes], (size_t)bytes);
            }
            WriteRow(b, y, row);
        }
        g_VmsStore.Free(&turned);
    }
    return 1;
}
