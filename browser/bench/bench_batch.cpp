// bench_batch PROGRAM_FOLDER PHOTO_FOLDER OUTPUT_FOLDER: the browser's batch
// conversion of every JPEG of the folder to PNG fitted into 1,024 x 1,024,
// run as command 102 runs it (read through the reader plug-in, area-average
// resize, write through the writer plug-in). Prints "name: value unit" lines.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/batch_convert.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "fileio/plugin_registry.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::printf("usage: bench_batch PROGRAM_FOLDER PHOTO_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    std::string program = argv[1], photos = argv[2], out = argv[3];
    for (std::string* s : {&program, &photos, &out})
        if (s->back() != '\\') *s += '\\';
    InitFilePlugins(nullptr, program.c_str());
    g_FileList.paths = ListFolderFiles(photos.c_str(), "jpg", kSortName, nullptr);
    g_FileList.count = (int)g_FileList.paths.size();
    g_FileList.flags.assign(g_FileList.paths.size(), 1);
    if (!g_FileList.count) {
        std::printf("error: no JPEG files in %s\n", photos.c_str());
        return 1;
    }
    std::snprintf(g_BrowserSettings.outputFolder, sizeof g_BrowserSettings.outputFolder, "%s", out.c_str());
    BatchOptions options;
    options.extension = "png";
    options.resize = 1;
    options.width = options.height = 1024;
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    const int written = RunBatchConvert(nullptr, options);
    QueryPerformanceCounter(&t1);
    const double seconds = (double)(t1.QuadPart - t0.QuadPart) / (double)f.QuadPart;
    std::printf("batch converted: %d of %d\n", written, g_FileList.count);
    std::printf("batch time: %.3f s\n", seconds);
    FreeFilePlugins();
    return written == g_FileList.count && seconds > 0 ? 0 : 1;
}
