#include "browser/browser_host.h"

#include <vector>

#include "browser/dib24.h"
#include "fileio/canvas_write.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "image/vms_store.h"

namespace {

PackedDib To24(PackedDib dib) {
    if (!dib) return nullptr;
    PackedDib out = ConvertDibTo24(dib);
    FreePackedDib(dib);
    return out;
}

// A 24-bit image of the store with the bitmap's pixels, or null.
VmsImage* Dib24ToImage(const BITMAPINFOHEADER* dib) {
    if (!dib || dib->biBitCount != 24) return nullptr;
    const int w = dib->biWidth, h = dib->biHeight;
    VmsImage* image = g_VmsStore.Create(w, h, 24, 255, 0);
    if (!image) return nullptr;
    std::vector<uint8_t> bytes((size_t)w * 3);
    std::vector<uint32_t> row((size_t)w);
    for (int y = 0; y < h; ++y) {
        GetDib24Row(dib, y, 0, w - 1, bytes.data());
        for (int x = 0; x < w; ++x)
            row[(size_t)x] = (uint32_t)bytes[3 * (size_t)x] | ((uint32_t)bytes[3 * (size_t)x + 1] << 8) |
                             ((uint32_t)bytes[3 * (size_t)x + 2] << 16);
        g_VmsStore.PutRow(image, y, 0, w - 1, row.data());
    }
    return image;
}

}  // namespace

PackedDib ReadImageToDib24(const char* path) {
    int w = 0, h = 0;
    if (!QueryImageSize(path, &w, &h) || w > kDib24MaxSide || h > kDib24MaxSide) return nullptr;
    if (Dib24Stride(w, 24) * (uint64_t)h > kDib24MaxBytes) return nullptr;
    return To24(ReadImageToDib(path, PluginStatusWindow()));
}

PackedDib ReadFastImage24(const char* path) { return To24(ReadFastImage(PluginStatusWindow(), path)); }

PackedDib ReadImageFittedToBox24(const char* path, int boxWidth, int boxHeight) {
    int w = 0, h = 0;
    if (boxWidth < 1 || boxHeight < 1 || !QueryImageSize(path, &w, &h) || w > kDib24MaxSide || h > kDib24MaxSide)
        return nullptr;
    int fitWidth, fitHeight;
    FitSizeToBox(w, h, boxWidth, boxHeight, &fitWidth, &fitHeight);
    return To24(ReadImageToDibSampled(path, PluginStatusWindow(), fitWidth, fitHeight));
}

int QueryImageSize(const char* path, int* width, int* height) {
    int count = 0;
    return GetImageFileInfo(path, width, height, nullptr, nullptr, nullptr, nullptr, &count, 0);
}

const char* WriterForPath(const char* path) { return path ? WriterPluginPath(FindWriterPlugin(path)) : nullptr; }

int WriteDib24WithPlugin(const BITMAPINFOHEADER* dib, const char* target, const char* writerDll,
                         FinishWrittenFileFn finish, void* finishUser) {
    if (!target || !writerDll) return 0;
    VmsImage* image = Dib24ToImage(dib);
    if (!image) return 0;
    int result = WriteImageWithPlugin(image, target, writerDll, finish, finishUser);
    g_VmsStore.Free(&image);
    return result;
}

int ExifThumbnailJpegOfDib24(const BITMAPINFOHEADER* thumbnail, std::vector<uint8_t>* bytes) {
    bytes->clear();
    VmsImage* image = Dib24ToImage(thumbnail);
    if (!image) return 0;
    int result = ExifThumbnailJpeg(image, bytes);
    g_VmsStore.Free(&image);
    return result;
}
