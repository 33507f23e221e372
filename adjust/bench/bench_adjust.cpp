// The adjust benchmark, our side: a 5-point tone curve through the
// colour-correction executor's rows and the blur effect plug-in at radius 2
// (a 5 x 5 box) on a 4,000 x 3,000 picture, each the best of three runs of the
// operation alone. "--table PATH" writes the curve's 256-entry table for the
// peers instead.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "adjust/effects.h"
#include "adjust/filter_api.h"
#include "adjust/filter_host.h"
#include "adjust/tone_curve.h"
#include "image/vms_store.h"

namespace {

constexpr int W = 4000, H = 3000, kRuns = 3;

// <chrono> holds a character code page 932 cannot encode: the counter is read directly.
double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

void CurveTable(uint8_t* table) {
    const int32_t points[5][2] = {{0, 0}, {64, 40}, {128, 140}, {192, 220}, {255, 255}};
    for (int i = 0; i < 256; ++i) table[i] = (uint8_t)i;
    FillBezierTable(points, 5, table);
}

uint32_t PatternWord(int x, int y) {
    return (uint32_t)(uint8_t)(x * 7 + y * 3) | (uint32_t)(uint8_t)(x * 2 + y * 5) << 8 |
           (uint32_t)(uint8_t)((x ^ y) * 11) << 16;
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path);
    s.resize(s.find_last_of('\\') + 1);
    return s + "..\\dist\\";
}

}  // namespace

int main(int argc, char** argv) {
    uint8_t table[256];
    CurveTable(table);
    if (argc > 2 && std::strcmp(argv[1], "--table") == 0) {
        FILE* f = std::fopen(argv[2], "wb");
        if (!f || std::fwrite(table, 1, 256, f) != 256) return 1;
        return std::fclose(f) == 0 ? 0 : 1;
    }

    VmsImage* image = g_VmsStore.Create(W, H, 32, 0, 0);
    if (!image) return 1;
    std::vector<uint32_t> row(W);
    auto fill = [&] {
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) row[x] = PatternWord(x, y);
            g_VmsStore.PutRow(image, y, 0, W - 1, row.data());
        }
    };
    double bestCurve = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        fill();
        const double t0 = Now();
        for (int y = 0; y < H; ++y) {
            g_VmsStore.GetRow(image, y, 0, W - 1, row.data());
            CrctRow(row.data(), W, 9, table, nullptr, nullptr, nullptr);
            g_VmsStore.PutRow(image, y, 0, W - 1, row.data());
        }
        bestCurve = std::min(bestCurve, Now() - t0);
    }
    g_VmsStore.Free(&image);

    const std::string folder = ProgramFolder();
    char path[MAX_PATH + 32];
    EffectPath(folder.c_str(), EffectTable[0].dll, path, sizeof path);
    HMODULE module = LoadLibraryA(path);
    auto proc = module ? (FilterProcFn)(void*)GetProcAddress(module, "FilterProc") : nullptr;
    if (!proc) {
        std::fprintf(stderr, "bench_adjust: no blur plug-in at %s\n", path);
        return 1;
    }
    WriteEffectParams(folder.c_str(), 0, 1, 0, 0, 0);   // 2L + 2 = 4: radius 2
    double bestBlur = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        std::vector<uint8_t> dib = MakePackedDib24(W, H);
        uint8_t* bits = dib.data() + sizeof(BITMAPINFOHEADER);
        const int stride = (W * 3 + 3) & ~3;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint32_t word = PatternWord(x, y);
                std::memcpy(bits + (size_t)stride * (H - 1 - y) + 3 * x, &word, 3);
            }
        const double t0 = Now();
        if (!proc(nullptr, dib.data(), nullptr, nullptr, folder.c_str(), nullptr)) return 1;
        bestBlur = std::min(bestBlur, Now() - t0);
    }
    DeleteEffectParams(folder.c_str(), 0);
    FreeLibrary(module);
    std::printf("curve (ours): %.4f s\nblur (ours): %.4f s\n", bestCurve, bestBlur);
    return 0;
}
