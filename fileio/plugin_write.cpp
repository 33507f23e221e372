#include "fileio/plugin_write.h"

#include <cstring>

#include "ui/sysutil.h"
#include "fileio/host_util.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "image/vms_store.h"

namespace {

using fileio::GlobalBlock;
using fileio::WaitCursor;

// The image of the one single-image save in progress (callbacks carry no
// context); saves are serialised by g_WriteLock.
SRWLOCK g_WriteLock = SRWLOCK_INIT;
struct WriteState {
    const VmsImage* image;
    uint32_t* row;      // one row of the image's own format
} g_Write;

int DARNA_PLUGIN_CALL SingleGetRow(int y, int x0, int x1, uint8_t* buffer, int image) {
    const VmsImage* im = g_Write.image;
    // Index 0 is the image; a negative index (the composite) is the image too.
    if (image > 0 || !buffer || !im) return -1;
    return ImageRowToBgr(im, y, x0, x1, g_Write.row, buffer) ? 1 : -1;
}

// A single image has no transparency planes: opaque rows and "no such plane".
int DARNA_PLUGIN_CALL SingleGetTransparencyRow(int y, int x0, int x1, uint8_t* buffer, int image, int) {
    const VmsImage* im = g_Write.image;
    if (image > 0 || !buffer || !im || y < 0 || y >= im->height || x0 < 0 || x0 > x1 || x1 >= im->width)
        return -1;
    std::memset(buffer, 255, (size_t)(x1 - x0 + 1));
    return 0;
}

int DARNA_PLUGIN_CALL SingleGetPalette(uint8_t*) { return 0; }

const WriteFileCallbacks kSingleWriteCallbacks = {SingleGetRow, SingleGetTransparencyRow, SingleGetPalette};

struct SingleWrite {
    WriteFileExecFn exec;
    FileImageInfo* info;
    FileLayerName* names;
    FileLayerInfo* layers;
    FinishWrittenFileFn finish;
    void* finishUser;
};

int RunSingleWrite(void* user, const char* temporaryPath) {
    SingleWrite* w = (SingleWrite*)user;
    int result = w->exec(PluginStatusWindow(), temporaryPath, w->info, w->names, w->layers, &kSingleWriteCallbacks);
    if (result && w->finish && !w->finish(w->finishUser, temporaryPath)) return 0;
    return result;
}

int Distance(const uint8_t* a, int r, int g, int b) {
    int d = a[2] - r, e = a[1] - g, f = a[0] - b;
    return (d < 0 ? -d : d) + (e < 0 ? -e : e) + (f < 0 ? -f : f);
}

int Nearest(const uint8_t* palette, int r, int g, int b) {
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        int d = Distance(palette + 4 * i, r, g, b);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

void SendProgress(HWND window, WPARAM kind, LPARAM value) {
    if (window) SendMessageA(window, WM_USER, kind, value);
}

}  // namespace

int ImageRowToBgr(const VmsImage* im, int y, int x0, int x1, uint32_t* scratch, uint8_t* buffer) {
    if (!im || y < 0 || y >= im->height || x0 < 0 || x0 > x1 || x1 >= im->width) return 0;
    const int n = x1 - x0 + 1;
    if (im->bits == 32) {
        if (!g_VmsStore.GetRow(im, y, x0, x1, scratch)) return 0;
        PackBgrRow(scratch, n, buffer);
        return 1;
    }
    // Indexed images through their palette (1 and 4-bit rows come whole).
    const uint8_t* bytes = (const uint8_t*)scratch;
    const bool packed = im->bits == 1 || im->bits == 4;
    if (!g_VmsStore.GetRow(im, y, packed ? 0 : x0, packed ? im->width - 1 : x1, scratch)) return 0;
    for (int i = 0; i < n; ++i) {
        int x = packed ? x0 + i : i, index;
        if (im->bits == 1) index = (bytes[x >> 3] >> (7 - (x & 7))) & 1;
        else if (im->bits == 4) index = x & 1 ? bytes[x >> 1] & 15 : bytes[x >> 1] >> 4;
        else index = bytes[x];
        const RGBQUAD& q = im->palette[index];
        buffer[3 * i] = q.rgbBlue;
        buffer[3 * i + 1] = q.rgbGreen;
        buffer[3 * i + 2] = q.rgbRed;
    }
    return 1;
}

int WriteImageWithPlugin(const VmsImage* image, const char* path, const char* writerDll, FinishWrittenFileFn finish,
                         void* finishUser) {
    if (!image || !path || !writerDll) return 0;
    WaitCursor wait;
    PluginModule m(writerDll);
    if (!m.Loaded()) return 0;
    auto info = m.Get<WriteFileInfoFn>(DARNA_EXPORT_WRITE_FILE_INFO);
    auto init = m.Get<WriteFileInitFn>(DARNA_EXPORT_WRITE_FILE_INIT);
    auto exec = m.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
    if (!init || !exec) return 0;
    if (info) {
        WriterInfo wi;
        std::memset(&wi, 0, sizeof(wi));
        info(PluginFrameWindow(), &wi);
    }
    GlobalBlock fi(FileImageInfoBytes(FileRecordEntries)), fn(sizeof(FileLayerName) * FileRecordEntries),
        fl(sizeof(FileLayerInfo) * FileRecordEntries), row((size_t)image->width * 4 + 16);
    if (!fi || !fn || !fl || !row) return 0;
    FileImageInfo* imageInfo = fi.As<FileImageInfo>();
    imageInfo->count = 1;
    imageInfo->image[0].width = image->width;
    imageInfo->image[0].height = image->height;
    imageInfo->image[0].bits = image->bits > 24 ? 24 : image->bits;
    imageInfo->image[0].strokeLayerPlane = -1;
    FileLayerInfo* layer = fl.As<FileLayerInfo>();
    layer->one = 1;

    if (!init(PluginStatusWindow(), path, 0)) return 0;
    AcquireSRWLockExclusive(&g_WriteLock);
    g_Write.image = image;
    g_Write.row = row.As<uint32_t>();
    SingleWrite w = {.exec = exec, .info = imageInfo, .names = fn.As<FileLayerName>(), .layers = layer,
                     .finish = finish, .finishUser = finishUser};
    int result = ReplaceFileThroughTemp(path, RunSingleWrite, &w);
    g_Write.image = nullptr;
    g_Write.row = nullptr;
    ReleaseSRWLockExclusive(&g_WriteLock);
    return result;
}

PackedDib PrepareIndexedImage(int width, int height, IndexedRowSource source, void* user, HWND progress) {
    if (width < 1 || height < 1 || !source) return nullptr;
    PackedDib dib = CreatePackedDib(width, height, 8);
    GlobalBlock counts(4096 * sizeof(uint32_t)), rowBlock((size_t)width * 5 + 16);
    if (!dib || !counts || !rowBlock) {
        if (dib) FreePackedDib(dib);
        return nullptr;
    }
    uint32_t* bins = counts.As<uint32_t>();
    uint32_t* row = rowBlock.As<uint32_t>();
    uint8_t* out = (uint8_t*)(row + width);
    const int span = height > 1 ? height - 1 : 1;

    // Histogram of 4-bit colours.
    for (int y = 0; y < height; ++y) {
        if (!source(user, y, 0, width - 1, row)) {
            FreePackedDib(dib);
            return nullptr;
        }
        for (int x = 0; x < width; ++x) {
            uint32_t v = row[x];
            int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            bins[(r >> 4) * 256 + (g >> 4) * 16 + (b >> 4)]++;
        }
        SendProgress(progress, 3, y * 50 / span);
    }
    // The 256 most frequent bins (ties: the lowest bin); bin 0 when none is left.
    uint8_t* palette = (uint8_t*)dib + dib->biSize;
    for (int e = 0; e < 256; ++e) {
        int best = -1;
        for (int i = 0; i < 4096; ++i)
            if (bins[i] > 0 && (best < 0 || bins[i] > bins[best])) best = i;
        if (best < 0) best = 0;
        else bins[best] = 0;
        palette[4 * e] = (uint8_t)((best & 15) * 17);
        palette[4 * e + 1] = (uint8_t)(((best >> 4) & 15) * 17);
        palette[4 * e + 2] = (uint8_t)((best >> 8) * 17);
        palette[4 * e + 3] = 0;
    }
    // Mapping with a two-colour ordered dither.
    for (int y = 0; y < height; ++y) {
        if (!source(user, y, 0, width - 1, row)) {
            FreePackedDib(dib);
            return nullptr;
        }
        for (int x = 0; x < width; ++x) {
            uint32_t v = row[x];
            int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            int p1 = Nearest(palette, r, g, b);
            const uint8_t* c1 = palette + 4 * p1;
            int d1 = Distance(c1, r, g, b);
            if (d1 == 0) {
                out[x] = (uint8_t)p1;
                continue;
            }
            int p2 = Nearest(palette, 2 * r - c1[2], 2 * g - c1[1], 2 * b - c1[0]);
            int d2 = Distance(palette + 4 * p2, r, g, b);
            int level = 15 * d1 / (d1 + d2);
            bool set = (DitherPatternTable[level][y & 7] >> (7 - (x & 7))) & 1;
            out[x] = (uint8_t)(set ? p2 : p1);
        }
        PutPackedDibRow8(dib, y, 0, width - 1, out);
        SendProgress(progress, 3, 50 + y * 50 / span);
    }
    SendProgress(progress, 0, 0);
    return dib;
}

void FillWriterImageEntry(int x0, int y0, int x1, int y1, const WriterPlaneRect& plane, int number,
                          FileImageInfo* info, FileLayerInfo* layers, WriterRowOffsets* offsets) {
    FileImageEntry& e = info->image[number];
    FileLayerInfo& l = layers[number];
    if (x0 < 0) {
        e.width = plane.width;
        e.height = plane.height;
        l.left = plane.x;
        l.top = plane.y;
        offsets->column = offsets->row = 0;
        return;
    }
    int startX = plane.x, startY = plane.y;
    offsets->column = 0;
    offsets->row = 0;
    if (plane.x < x0) offsets->column = x0 - plane.x, startX = x0;
    if (plane.y < y0) offsets->row = y0 - plane.y, startY = y0;
    int right = plane.x + plane.width - 1 < x1 ? plane.x + plane.width - 1 : x1;
    int bottom = plane.y + plane.height - 1 < y1 ? plane.y + plane.height - 1 : y1;
    e.width = right - startX + 1 > 0 ? right - startX + 1 : 1;
    e.height = bottom - startY + 1 > 0 ? bottom - startY + 1 : 1;
    l.left = plane.x - x0 > 0 ? plane.x - x0 : 0;
    l.top = plane.y - y0 > 0 ? plane.y - y0 : 0;
}
