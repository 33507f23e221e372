// Benchmark of the image operations on a large picture: bicubic enlargement of
// 4,000 x 3,000 to 6,000 x 4,500 and a free turn by 17 degrees, timed in
// process (best of several runs).
//   bench_imageops --write FILE   writes the source picture as a .bmp file
//   bench_imageops [RUNS]         prints "name: seconds s" for each operation
//   bench_imageops --more         times the other operations once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/c_dib.h"
#include "image/vms_store.h"

namespace {

const int kWidth = 4000, kHeight = 3000;

// A picture with smooth areas, edges and fine detail.
VmsImage* MakeSource() {
    VmsImage* im = g_VmsStore.Create(kWidth, kHeight, 32, 0, 1);
    if (!im) return nullptr;
    std::vector<uint32_t> row(kWidth);
    unsigned s = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            s = s * 1103515245u + 12345u;
            int r = (x * 255 / kWidth + ((s >> 20) & 15)) & 255;
            int g = (y * 255 / kHeight) ^ ((x / 40 + y / 40) & 1 ? 0x40 : 0);
            int b = ((x * x + y * 3) >> 7) & 255;
            row[x] = (uint32_t)b | ((uint32_t)(g & 255) << 8) | ((uint32_t)r << 16);
        }
        g_VmsStore.PutRow(im, y, 0, kWidth - 1, row.data());
    }
    return im;
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

template <typename F>
double Best(int runs, F op) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        VmsImage* out = op();
        double t = Now() - t0;
        if (!out) {
            std::fprintf(stderr, "bench_imageops: the operation failed\n");
            std::exit(1);
        }
        g_VmsStore.Free(&out);
        if (t < best) best = t;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    VmsImage* src = MakeSource();
    if (!src) {
        std::fprintf(stderr, "bench_imageops: no memory for the source picture\n");
        return 1;
    }
    if (argc > 2 && std::strcmp(argv[1], "--write") == 0) {
        int ok = c_Dib::SaveBmp(src, argv[2]);
        g_VmsStore.Free(&src);
        return ok ? 0 : 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "--more") == 0) {
        // Figures of the other operations on the same picture (not compared).
        std::printf("quarter turn: %.3f s\n", Best(1, [&] { return c_Dib::Rotate(src, 0); }));
        std::printf("half turn: %.3f s\n", Best(1, [&] { return c_Dib::Rotate(src, 1); }));
        std::printf("box shrink to 1000x750: %.3f s\n", Best(1, [&] { return c_Dib::Resize(src, 1000, 750, 0, 1, 0); }));
        std::printf("nearest to 6000x4500: %.3f s\n", Best(1, [&] { return c_Dib::Resize(src, 6000, 4500, 0, 0, 0); }));
        std::printf("dodge: %.3f s\n", Best(1, [&] { c_Dib::ApplyDodge(src, 40); return g_VmsStore.Create(1, 1, 8, 0, 1); }));
        VmsImage* grey = g_VmsStore.Create(kWidth, kHeight, 8, 128, 1);
        std::printf("min 3x3 (8 bits): %.3f s\n", Best(1, [&] { c_Dib::MinFilter8(grey); return g_VmsStore.Create(1, 1, 8, 0, 1); }));
        std::printf("box mean r=8 (8 bits): %.3f s\n", Best(1, [&] { c_Dib::BlurBox8(grey, 8); return g_VmsStore.Create(1, 1, 8, 0, 1); }));
        std::printf("area resize 8 bits to 6000x4500: %.3f s\n", Best(1, [&] { return c_Dib::Resize(grey, 6000, 4500, 0, 1, 0); }));
        std::printf("free turn 8 bits: %.3f s\n", Best(1, [&] { return c_Dib::RotateDegrees(grey, 17.0); }));
        g_VmsStore.Free(&grey);
        g_VmsStore.Free(&src);
        return 0;
    }
    int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    if (runs < 1) runs = 1;
    double resize = Best(runs, [&] { return c_Dib::Resize(src, 6000, 4500, 0, 1, 0); });
    double turn = Best(runs, [&] { return c_Dib::RotateDegrees(src, 17.0); });
    std::printf("imageops bicubic resize: %.3f s\n", resize);
    std::printf("imageops free turn 17: %.3f s\n", turn);
    g_VmsStore.Free(&src);
    return 0;
}
