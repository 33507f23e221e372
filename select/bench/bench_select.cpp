// Selection benchmark: on a 4,000 x 3,000 photo-like picture (sky, hills,
// textured ground, made here so that both sides read the same pixels), the
// colour-region selection of the tool from one seed in the sky (tolerance 20,
// the mask written), and the area blur of that mask by 20 pixels over the
// whole canvas. Writes the picture as raw RGB to argv[1] for the libvips side.
// Prints "region_4000x3000: N ms", "region_pixels: N", "maskblur_4000x3000: N ms"
// and "seed: X Y".
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "select/sel_mask.h"
#include "select/sel_region.h"

namespace {
constexpr int W = 4000, H = 3000, SeedX = 2000, SeedY = 300;

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

// A fixed pseudo-random value of a pixel.
uint32_t Hash(uint32_t x, uint32_t y) {
    uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

uint32_t PhotoPixel(int x, int y) {
    const int hill = (int)(1500 + 180 * std::sin(x / 310.0) + 90 * std::sin(x / 97.0));
    int r, g, b;
    if (y < hill) {
        // Sky: a slow gradient with a little sensor noise.
        const int n = (int)(Hash(x, y) % 5) - 2;
        r = 90 + y * 60 / 1500 + n;
        g = 140 + y * 50 / 1500 + n;
        b = 230 - y * 20 / 1500 + n;
        // A few clouds.
        const double cx = x - 2600.0, cy = y - 500.0;
        if (cx * cx / 90000.0 + cy * cy / 8100.0 < 1.0) r = g = b = 235 + (int)(Hash(y, x) % 10);
    } else {
        // Ground: green texture.
        const int n = (int)(Hash(x, y) % 60);
        r = 40 + n / 2;
        g = 90 + n;
        b = 30 + n / 3;
    }
    return (uint32_t)b | ((uint32_t)g << 8) | ((uint32_t)r << 16);
}
}  // namespace

int main(int argc, char** argv) {
    BuildProductTable();
    NewCanvasRequest = NewCanvasRequestRecord{};
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = W, .height = H, .depth = 24, .planeCount = 1};
    NewCanvasRequest.resolution = 72;
    NewCanvasRequest.origin = CanvOriginBlank;
    CanvDoc* doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
    InitCanvDocFields(doc);
    if (!InitCanvDoc(doc)) {
        std::printf("the canvas could not be made\n");
        return 1;
    }
    FILE* raw = argc > 1 ? std::fopen(argv[1], "wb") : nullptr;
    std::vector<uint32_t> row(W);
    std::vector<uint8_t> rgb((size_t)W * 3);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            row[x] = PhotoPixel(x, y);
            rgb[3 * x] = (uint8_t)(row[x] >> 16);
            rgb[3 * x + 1] = (uint8_t)(row[x] >> 8);
            rgb[3 * x + 2] = (uint8_t)row[x];
        }
        g_VmsStore.PutRow(doc->planes[0].image, y, 0, W - 1, row.data());
        if (raw) std::fwrite(rgb.data(), 1, rgb.size(), raw);
    }
    if (raw) std::fclose(raw);

    double t0 = Seconds();
    const int ok = ColorRegionFill(doc, SeedX, SeedY, 0);
    const double region = Seconds() - t0;
    long long selected = 0;
    std::vector<uint8_t> m(W);
    for (int y = 0; y < H; ++y) {
        SelGetMaskRow(doc, y, 0, W - 1, m.data());
        for (uint8_t v : m) selected += v == 0;
    }
    t0 = Seconds();
    SelBlurMaskArea(doc->selectionMask, 20, 0, 0, W - 1, H - 1);
    const double blur = Seconds() - t0;
    std::printf("seed: %d %d\n", SeedX, SeedY);
    std::printf("region_4000x3000: %.1f ms\n", region * 1000);
    std::printf("region_pixels: %lld\n", ok ? selected : -1);
    std::printf("maskblur_4000x3000: %.1f ms\n", blur * 1000);
    FreeCanvLayers(doc);
    g_VmsStore.Free(&doc->selectionMask);
    std::free(doc);
    return ok ? 0 : 1;
}
