// The file roads of a canvas, timed in the process: bench_files <program
// folder> <file.jpg> <repetitions>. Opens the JPEG into a canvas document (the
// size query, the document's layers and the layered read through jpgload.dll)
// and saves the canvas as a JPEG through the save road (the composite through
// jpgsave.dll). Prints "open: <ms> ms" and "save: <ms> ms", the best runs.
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

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_files <program folder\\> <file.jpg> <repetitions>\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const char* path = argv[2];
    int reps = std::atoi(argv[3]);
    if (reps < 1) reps = 1;
    BuildProductTable();
    if (!InitFilePlugins(nullptr, folder.c_str())) return 1;
    const std::string out = std::string(path) + ".saved.jpg";

    double bestOpen = 1e30, bestSave = 1e30;
    CanvDoc* doc = nullptr;
    for (int i = 0; i < reps; ++i) {
        CloseDocument(&doc);
        double t0 = Now();
        doc = OpenDocument(path);
        double t1 = Now();
        if (!doc) {
            std::fprintf(stderr, "bench_files: cannot open %s\n", path);
            return 1;
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
            return 1;
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
    std::printf("size: %dx%d\n", doc->width, doc->height);
    std::printf("composite rows: %.1f ms\n", bestCompose);
    std::printf("open: %.1f ms\n", bestOpen);
    std::printf("save: %.1f ms\n", bestSave);
    CloseDocument(&doc);
    DeleteFileA(out.c_str());
    FreeFilePlugins();
    return 0;
}
