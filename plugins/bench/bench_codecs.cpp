// Decoding and encoding one JPEG through our plug-ins and the host, timed in
// the process: bench_codecs <program folder> <file.jpg> <repetitions> [<out.ppm>].
// Prints "decode: <ms> ms" and "encode: <ms> ms" (the best of the runs). With
// <out.ppm> the decoded picture is also written there, to be compared with
// djpeg's output.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "image/vms_store.h"

#include <vector>

static int DARNA_PLUGIN_CALL NoRow(int, int, int, const uint8_t*, int) { return 0; }
static int DARNA_PLUGIN_CALL NoTransparency(int, int, int, const uint8_t*, int, int) { return 0; }
static int DARNA_PLUGIN_CALL NoPalette(const uint8_t*, int) { return 24; }
static int DARNA_PLUGIN_CALL NoChannel(int, int, int, int, const uint8_t*, int) { return 0; }

static double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

// The image as a binary PPM (red, green, blue).
static bool WritePpm(VmsImage* image, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const int w = image->width, h = image->height;
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> rgb((size_t)w * 3);
    bool ok = std::fprintf(f, "P6\n%d %d\n255\n", w, h) > 0;
    for (int y = 0; ok && y < h; ++y) {
        ok = g_VmsStore.GetRow(image, y, 0, w - 1, row.data()) != 0;
        for (int x = 0; x < w; ++x) {
            rgb[3 * x] = (uint8_t)(row[x] >> 16);
            rgb[3 * x + 1] = (uint8_t)(row[x] >> 8);
            rgb[3 * x + 2] = (uint8_t)row[x];
        }
        ok = ok && std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    }
    return std::fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_codecs <program folder\\> <file.jpg> <repetitions> [<out.ppm>]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const char* path = argv[2];
    int reps = std::atoi(argv[3]);
    if (reps < 1) reps = 1;
    if (!InitFilePlugins(nullptr, folder.c_str())) return 1;
    std::string reader = folder + "file_r\\jpgload.dll", writer = folder + "file_w\\jpgsave.dll";
    std::string out = std::string(path) + ".out.jpg";

    double bestDecode = 1e30, bestEncode = 1e30;
    VmsImage* image = nullptr;
    for (int i = 0; i < reps; ++i) {
        g_VmsStore.Free(&image);
        double t0 = Now();
        image = ReadImageWithPlugin(path, nullptr, reader.c_str());
        double t1 = Now();
        if (!image) {
            std::fprintf(stderr, "bench_codecs: cannot read %s\n", path);
            return 1;
        }
        if (t1 - t0 < bestDecode) bestDecode = t1 - t0;
    }
    for (int i = 0; i < reps; ++i) {
        double t0 = Now();
        int ok = WriteImageWithPlugin(image, out.c_str(), writer.c_str());
        double t1 = Now();
        if (!ok) {
            std::fprintf(stderr, "bench_codecs: cannot write %s\n", out.c_str());
            return 1;
        }
        if (t1 - t0 < bestEncode) bestEncode = t1 - t0;
    }
    // The plug-in alone, its rows dropped.
    double bestPlugin = 1e30;
    {
        HMODULE dll = LoadLibraryA(reader.c_str());
        auto exec = dll ? (ReadFileExecFn)(void*)GetProcAddress(dll, DARNA_EXPORT_READ_FILE_EXEC) : nullptr;
        static FileImageInfo info[2];
        static FileLayerName names[2];
        static FileLayerInfo layers[2];
        const ReadFileCallbacks none = {NoRow, NoTransparency, NoPalette, NoChannel};
        for (int i = 0; exec && i < reps; ++i) {
            double t0 = Now();
            exec(nullptr, path, info, names, layers, &none);
            double t1 = Now();
            if (t1 - t0 < bestPlugin) bestPlugin = t1 - t0;
        }
        if (dll) FreeLibrary(dll);
    }
    if (argc > 4 && !WritePpm(image, argv[4])) {
        std::fprintf(stderr, "bench_codecs: cannot write %s\n", argv[4]);
        return 1;
    }
    std::printf("size: %dx%d\n", image->width, image->height);
    std::printf("decode in the plug-in alone: %.1f ms\n", bestPlugin);
    std::printf("decode: %.1f ms\n", bestDecode);
    std::printf("encode: %.1f ms\n", bestEncode);
    g_VmsStore.Free(&image);
    DeleteFileA(out.c_str());
    FreeFilePlugins();
    return 0;
}
