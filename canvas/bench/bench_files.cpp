// The file roads of a canvas, timed in the process: bench_files <program
// folder> <repetitions> <file>... Opens each file into a canvas document (the
// size query, the document's layers and the layered read through the reader
// plug-in) and saves the canvas in the same format through the save road (the
// composite through the writer plug-in). Prints, per file, "<ext> open: <ms>
// ms" and "<ext> save: <ms> ms", the best runs, and the composite alone; for
// PNG also the channels of the saved file ("png channels: 3" or 4).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_save.h"
#include "fileio/canvas_write.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "image/product_table.h"

static double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

// A document of the file's size, read through the canvas road; null on failure.
static CanvDoc* OpenDocument(const char* path) {
    int width = 0, height = 0, count = 0, planes[FileRecordEntries] = {};
    if (!GetImageFileInfo(path, &width, &height, nullptr, nullptr, nullptr, planes, &count, 1) || count < 1)
        return nullptr;
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = width, .height = height, .depth = 24,
                                                .planeCount = planes[0]};
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.source = nullptr;
    NewCanvasRequest.resolution = 96;
    CanvDoc* doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
    if (!doc) return nullptr;
    InitCanvDocFields(doc);
    if (!InitCanvDoc(doc) || !LoadCanvasImageFile(doc, path)) {
        FreeCanvLayers(doc);
        std::free(doc);
        return nullptr;
    }
    return doc;
}

static void CloseDocument(CanvDoc** doc) {
    if (!*doc) return;
    FreeCanvLayers(*doc);
    if ((*doc)->exifBlob) GlobalFree((*doc)->exifBlob);
    std::free(*doc);
    *doc = nullptr;
}

// Opens and saves `path` `reps` times and prints its figures; false on failure.
static bool BenchFile(const char* path, int reps) {
    const char* dot = std::strrchr(path, '.');
    const std::string ext = dot ? dot + 1 : "";
    const std::string out = std::string(path) + ".saved." + ext;

    double bestOpen = 1e30, bestSave = 1e30;
    CanvDoc* doc = nullptr;
    for (int i = 0; i < reps; ++i) {
        CloseDocument(&doc);
        double t0 = Now();
        doc = OpenDocument(path);
        double t1 = Now();
        if (!doc) {
            std::fprintf(stderr, "bench_files: cannot open %s\n", path);
            return false;
        }
        if (t1 - t0 < bestOpen) bestOpen = t1 - t0;
    }
    for (int i = 0; i < reps; ++i) {
        int saved = 0;
        double t0 = Now();
        {
            CanvasSaveView view(doc);
            WriteCanvasFile(view.Source(), -1, 0, 0, 0, out.c_str(), 0, &saved);
        }
        double t1 = Now();
        if (!saved) {
            std::fprintf(stderr, "bench_files: cannot save %s\n", out.c_str());
            CloseDocument(&doc);
            return false;
        }
        if (t1 - t0 < bestSave) bestSave = t1 - t0;
    }
    // The composite alone, as the save road pulls it.
    double bestCompose = 1e30;
    {
        std::string row((size_t)doc->width * 4, 0);
        for (int i = 0; i < reps; ++i) {
            CanvasSaveView view(doc);
            double t0 = Now();
            for (int y = 0; y < doc->height; ++y)
                view.Source().compositeRow(view.Source().user, y, 0, doc->width - 1, (uint32_t*)row.data());
            double t1 = Now();
            if (t1 - t0 < bestCompose) bestCompose = t1 - t0;
        }
    }
    std::printf("%s size: %dx%d\n", ext.c_str(), doc->width, doc->height);
    std::printf("%s composite rows: %.1f ms\n", ext.c_str(), bestCompose);
    std::printf("%s open: %.1f ms\n", ext.c_str(), bestOpen);
    std::printf("%s save: %.1f ms\n", ext.c_str(), bestSave);
    if (ext == "png") {
        // The colour type of the saved file: RGB, or RGBA with the document's transparency plane.
        HANDLE f = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        uint8_t head[26] = {};
        DWORD got = 0, size = 0;
        if (f != INVALID_HANDLE_VALUE) {
            ReadFile(f, head, sizeof head, &got, nullptr);
            size = GetFileSize(f, nullptr);
            CloseHandle(f);
        }
        std::printf("png channels: %d\n", got == sizeof head && head[25] == 6 ? 4 : 3);
        std::printf("png saved size: %lu bytes\n", (unsigned long)size);
    }
    std::fflush(stdout);
    CloseDocument(&doc);
    DeleteFileA(out.c_str());
    return true;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_files <program folder\\> <repetitions> <file>...\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    int reps = std::atoi(argv[2]);
    if (reps < 1) reps = 1;
    BuildProductTable();
    if (!InitFilePlugins(nullptr, folder.c_str())) return 1;
    int result = 0;
    for (int i = 3; i < argc && result == 0; ++i)
        if (!BenchFile(argv[i], reps)) result = 1;
    FreeFilePlugins();
    return result;
}
