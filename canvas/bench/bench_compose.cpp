// Benchmark of the compositor: a 4,000 x 3,000 document of 10 layers with
// mixed blend modes and opacities composed whole, and a 1,280 x 1,024 view of
// it and of a 30,000 x 30,000 document repainted into a memory DC at 100 % and
// 33 %. With an output folder as argument it also writes each layer as raw
// RGBA bytes (layer_N.rgba) for the libvips baseline.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "canvas/canv_compose.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "image/product_table.h"
#include "image/vms_store.h"

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

CanvDoc* MakeDoc(int width, int height, int layers) {
    NewCanvasRequest.layerCount = layers;
    for (int i = 0; i < layers; ++i)
        NewCanvasRequest.layers[i] = NewCanvasLayer{.width = width, .height = height, .depth = 24, .planeCount = 1};
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.resolution = 96;
    CanvDoc* doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
    InitCanvDocFields(doc);
    if (!InitCanvDoc(doc)) return nullptr;
    return doc;
}

// The blend modes of the layers above the base and their transparency (0..255).
const int kModes[10] = {BlendNormal, BlendNormal, BlendMultiply, BlendLighten, BlendDarken,
                        BlendHighlight, BlendDifference, BlendOverlay, BlendNormal, BlendMultiply};
const int kTransparency[10] = {0, 64, 0, 128, 32, 160, 96, 0, 200, 48};

uint32_t LayerColour(int layer, int x, int y) {
    return (uint32_t)((x * (layer + 3) + y) & 255) | ((uint32_t)((y * (layer + 1) + 40 * layer) & 255) << 8) |
           ((uint32_t)((x + y * 2 + 25 * layer) & 255) << 16);
}
uint8_t LayerAlpha(int layer, int x, int y) {
    return layer == 0 ? 255 : (uint8_t)(128 + 127 * ((x / 97 + y / 61 + layer) & 1) - ((x + y) & 63));
}

void Fill(CanvDoc* doc, int layers) {
    std::vector<uint32_t> row((size_t)doc->width);
    std::vector<uint8_t> alpha((size_t)doc->width);
    for (int l = 0; l < layers; ++l) {
        LayerPlane* base = LayerBase(doc, l);
        base->blendMode = kModes[l];
        base->transparency = kTransparency[l];
        for (int y = 0; y < doc->height; ++y) {
            for (int x = 0; x < doc->width; ++x) {
                row[(size_t)x] = LayerColour(l, x, y);
                alpha[(size_t)x] = LayerAlpha(l, x, y);
            }
            g_VmsStore.PutRow(base->image, y, 0, doc->width - 1, row.data());
            g_VmsStore.PutRow(base[1].image, y, 0, doc->width - 1, alpha.data());
        }
    }
}

// Each layer as straight RGBA with the layer's opacity folded into alpha.
void WriteRaw(CanvDoc* doc, int layers, const std::string& folder) {
    std::vector<uint32_t> row((size_t)doc->width);
    std::vector<uint8_t> alpha((size_t)doc->width), out((size_t)doc->width * 4);
    for (int l = 0; l < layers; ++l) {
        std::string path = folder + "\\layer_" + std::to_string(l) + ".rgba";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return;
        const LayerPlane* base = LayerBase(doc, l);
        for (int y = 0; y < doc->height; ++y) {
            g_VmsStore.GetRow(base->image, y, 0, doc->width - 1, row.data());
            g_VmsStore.GetRow(base[1].image, y, 0, doc->width - 1, alpha.data());
            for (int x = 0; x < doc->width; ++x) {
                uint32_t p = row[(size_t)x];
                out[4 * (size_t)x] = (uint8_t)(p >> 16);
                out[4 * (size_t)x + 1] = (uint8_t)(p >> 8);
                out[4 * (size_t)x + 2] = (uint8_t)p;
                out[4 * (size_t)x + 3] = ProductTable[alpha[(size_t)x]][255 - base->transparency];
            }
            std::fwrite(out.data(), 1, out.size(), f);
        }
        std::fclose(f);
    }
}

// Milliseconds of one 1,280 x 1,024 repaint of the view's far corner (best of 3).
double ViewTime(CanvDoc* doc, double zoom) {
    doc->zoom = zoom;
    BuildZoomTables(doc);
    const int w = 1280, h = 1024;
    const int dx = GetDisplayWidth(doc) - w, dy = GetDisplayHeight(doc) - h;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    SetViewportOrgEx(mem, -dx, -dy, nullptr);
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        double t = Now();
        RenderCanvasRect(doc, mem, dx, dy, dx + w - 1, dy + h - 1);
        GdiFlush();
        t = Now() - t;
        if (t < best) best = t;
    }
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    BuildProductTable();
    const int layers = 10;
    CanvDoc* doc = MakeDoc(4000, 3000, layers);
    if (!doc) return 1;
    Fill(doc, layers);
    if (argc > 1) WriteRaw(doc, layers, argv[1]);
    double best = 1e30;
    for (int i = 0; i < 2; ++i) {
        double t = Now();
        ComposeWholeDocument(doc, 0, [](void*, int, int, int, const uint32_t*) {}, nullptr, 0);
        t = Now() - t;
        if (t < best) best = t;
    }
    std::printf("compose_4000x3000_10_layers: %.1f ms\n", best);
    const double v4000_100 = ViewTime(doc, 100), v4000_33 = ViewTime(doc, 33);
    std::printf("view_4000_100: %.2f ms\nview_4000_33: %.2f ms\n", v4000_100, v4000_33);
    FreeCanvLayers(doc);
    std::free(doc);

    CanvDoc* big = MakeDoc(30000, 30000, 2);
    if (!big) return 1;
    const double v30000_100 = ViewTime(big, 100), v30000_33 = ViewTime(big, 33);
    std::printf("view_30000_100: %.2f ms\nview_30000_33: %.2f ms\n", v30000_100, v30000_33);
    std::printf("ratio view_30000_vs_4000: %.2f\n", (v4000_100 + v4000_33) / (v30000_100 + v30000_33));
    FreeCanvLayers(big);
    std::free(big);
    return 0;
}
