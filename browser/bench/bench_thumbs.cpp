// bench_thumbs PROGRAM_FOLDER PHOTO_FOLDER: the browser's thumbnail work on
// every JPEG of the folder, first with an empty cache (the loader's work:
// read through the reader plug-in, fit into the box, store in cache set 10),
// then with the cache filled (the list's work: find and load each entry).
// Prints "name: value unit" lines.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/file_list.h"
#include "browser/thumb_pane.h"
#include "fileio/plugin_registry.h"
#include "fileio/thumb_cache.h"

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_thumbs PROGRAM_FOLDER PHOTO_FOLDER\n");
        return 2;
    }
    std::string program = argv[1], photos = argv[2];
    if (program.back() != '\\') program += '\\';
    if (photos.back() != '\\') photos += '\\';
    InitFilePlugins(nullptr, program.c_str());
    InitThumbCache(program.c_str(), ThumbCacheVariant::Browser);
    CreateThumbCacheDir(kThumbCacheSet);
    std::vector<std::string> files = ListFolderFiles(photos.c_str(), "jpg", kSortName, nullptr);
    if (files.empty()) {
        std::printf("error: no JPEG files in %s\n", photos.c_str());
        return 1;
    }
    int boxWidth, boxHeight;
    ThumbBoxSize(128, 128, &boxWidth, &boxHeight);
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    int made = 0;
    for (const std::string& f : files) {
        PackedDib thumb = MakeThumbnail(f.c_str(), boxWidth, boxHeight);
        if (!thumb) continue;
        StoreThumbCache(f.c_str(), thumb, kThumbCacheSet);
        FreePackedDib(thumb);
        ++made;
    }
    QueryPerformanceCounter(&t1);
    int loaded = 0;
    for (const std::string& f : files) {
        if (!HasThumbCache(f.c_str(), kThumbCacheSet)) continue;
        PackedDib thumb = LoadThumbCache(f.c_str(), kThumbCacheSet);
        if (thumb) {
            ++loaded;
            FreePackedDib(thumb);
        }
    }
    QueryPerformanceCounter(&t2);
    const double cold = Seconds(t0, t1), warm = Seconds(t1, t2);
    std::printf("thumbs made (cold cache): %d of %d\n", made, (int)files.size());
    std::printf("thumbs loaded (warm cache): %d\n", loaded);
    std::printf("thumbs cold: %.2f thumbs/s\n", made / cold);
    std::printf("thumbs warm: %.2f thumbs/s\n", loaded / warm);
    std::printf("ratio thumbs_warm_vs_cold: %.1f\n", (loaded / warm) / (made / cold));
    ClearThumbCache(kThumbCacheSet);
    FreeFilePlugins();
    return 0;
}
