#include "fileio/canvas_write.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "fileio/exif_blob.h"
#include "fileio/host_util.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "image/c_dib.h"
#include "image/vms_store.h"
#include "resources/fileio_ids.h"

namespace {

using fileio::GlobalBlock;
using fileio::WaitCursor;

// The one canvas save in progress (the callbacks carry no context).
SRWLOCK g_SaveLock = SRWLOCK_INIT;
struct SaveState {
    const CanvasWriteSource* canvas;
    int mode;
    bool layered;
    WriterRowOffsets offsets;
    PackedDib indexed;         // prepared 8-bit picture, or null
    int indexedX, indexedY;    // its top-left on the canvas
    std::vector<uint32_t> row;
    std::vector<CanvasWriteLayer> layers;
} g_Save;

// Plug-in plane p of a layer: 0 is plane 2, 1 is plane 1, p >= 2 is p + 1.
int LayerPlaneOfPluginPlane(int plane) { return plane == 0 ? 2 : plane == 1 ? 1 : plane + 1; }

const CanvasWriteLayer* SaveLayer(int image) {
    int layer = g_Save.mode == 1 ? g_Save.canvas->currentLayer : image;
    if (layer < 0 || layer >= (int)g_Save.layers.size()) return nullptr;
    return &g_Save.layers[layer];
}

int DARNA_PLUGIN_CALL CanvasGetRow(int y, int x0, int x1, uint8_t* buffer, int image) {
    if (!buffer || x0 < 0 || x1 < x0) return -1;
    if (g_Save.indexed) return GetPackedDibRow8(g_Save.indexed, y, x0, x1, buffer) ? 1 : 0;
    const CanvasWriteLayer* layer = image >= 0 && g_Save.layered ? SaveLayer(image) : nullptr;
    if (layer && layer->plane[0]) {
        const int dx = g_Save.offsets.column, dy = g_Save.offsets.row;
        return ImageRowToBgr(layer->plane[0], y + dy, x0 + dx, x1 + dx, g_Save.row.data(), buffer) ? 1 : -1;
    }
    // The composite in canvas coordinates: a rectangle's rows start at its corner.
    const CanvasWriteSource* c = g_Save.canvas;
    y += g_Save.offsets.row;
    x0 += g_Save.offsets.column;
    x1 += g_Save.offsets.column;
    if (y < 0 || y >= c->height || x1 >= c->width) return -1;
    uint32_t* words = g_Save.row.data();
    if (!c->compositeRow(c->user, y, x0, x1, words)) return -1;
    PackBgrRow(words, x1 - x0 + 1, buffer);
    return 1;
}

int DARNA_PLUGIN_CALL CanvasGetTransparencyRow(int y, int x0, int x1, uint8_t* buffer, int image, int plane) {
    if (!buffer || x0 < 0 || x1 < x0) return -1;
    const CanvasWriteLayer* layer = SaveLayer(image);
    const int p = LayerPlaneOfPluginPlane(plane);
    const VmsImage* im = layer && p >= 0 && p < CanvasWritePlanes ? layer->plane[p] : nullptr;
    const int dx = g_Save.offsets.column, dy = g_Save.offsets.row;
    if (im && im->bits == 8 && g_VmsStore.GetRow(im, y + dy, x0 + dx, x1 + dx, buffer)) return 1;
    std::memset(buffer, 255, (size_t)(x1 - x0 + 1));
    return 0;
}

int DARNA_PLUGIN_CALL CanvasGetPalette(uint8_t* buffer) {
    if (!g_Save.indexed || !buffer) return 0;
    std::memcpy(buffer, (const uint8_t*)g_Save.indexed + g_Save.indexed->biSize, 1024);
    return 1;
}

const WriteFileCallbacks kCanvasWriteCallbacks = {CanvasGetRow, CanvasGetTransparencyRow, CanvasGetPalette};

// Rows of the composite inside the rectangle, for the 8-bit preparation.
int IndexedSource(void* user, int y, int x0, int x1, uint32_t* out) {
    const CanvasWriteSource* c = (const CanvasWriteSource*)user;
    return c->compositeRow(c->user, y + g_Save.indexedY, x0 + g_Save.indexedX, x1 + g_Save.indexedX, out);
}

void FillLayerRecords(const CanvasWriteLayer& l, int number, FileLayerInfo* info, FileLayerName* names,
                      bool planeBytes) {
    FileLayerInfo& li = info[number];
    snprintf(li.name, sizeof(li.name), "%s", l.name);
    li.layerNumber = number;
    li.one = 1;
    li.blendMode = l.blendMode;
    li.transparency = l.transparency;
    li.visible = l.visible;
    for (int p = 0; p < CanvasWritePlanes && planeBytes; ++p) {
        li.optionValue[p] = (int8_t)l.optionValue[p];
        li.optionByte[p] = l.optionByte[p];
    }
    FileLayerName& ln = names[number];
    for (int k = 0; k < 7; ++k) {
        ln.planeFlags[k] = l.plane[k + 1] ? 1 : 0;
        std::strncpy(ln.planeNames[k], l.planeName[k + 1], sizeof(ln.planeNames[k]));
        ln.planeValues[k] = l.planeValue[k + 1];
    }
}

struct CanvasWrite {
    WriteFileExecFn exec;
    FileImageInfo* info;
    FileLayerName* names;
    FileLayerInfo* layers;
};

int RunCanvasWrite(void* user, const char* temporaryPath) {
    CanvasWrite* w = (CanvasWrite*)user;
    return w->exec(PluginStatusWindow(), temporaryPath, w->info, w->names, w->layers, &kCanvasWriteCallbacks);
}

void ProgramFile(char* out, const char* name) {
    snprintf(out, MAX_PATH, "%s%s", PluginProgramFolder(), name);
}

void SaveFailed() { ShowMessageBox(PluginFrameWindow(), LoadResString(IDS_SAVE_FAILED), kAppTitle, kMsgOk); }

// A 24-bit image of the canvas composite, or null.
VmsImage* CompositeImage(const CanvasWriteSource& c) {
    VmsImage* image = g_VmsStore.Create(c.width, c.height, 24, 255, 1);
    if (!image) return nullptr;
    std::vector<uint32_t> row((size_t)c.width);
    for (int y = 0; y < c.height; ++y)
        if (!c.compositeRow(c.user, y, 0, c.width - 1, row.data()) || !g_VmsStore.PutRow(image, y, 0, c.width - 1, row.data())) {
            g_VmsStore.Free(&image);
            return nullptr;
        }
    return image;
}

}  // namespace

int IsLayeredFormatPath(const char* path) {
    return PluginPathHasExtension(path, "dra") || PluginPathHasExtension(path, "dnp") ||
           PluginPathHasExtension(path, "psd");
}

int WriteCanvasFile(const CanvasWriteSource& canvas, int x0, int y0, int x1, int y1, const char* path, int mode,
                    int* saved) {
    if (saved) *saved = 0;
    char thumbPath[MAX_PATH], exifPath[MAX_PATH];
    ProgramFile(thumbPath, "file_w\\" DARNA_PREVIEW_HANDOVER_NAME);
    ProgramFile(exifPath, "file_w\\" DARNA_EXIF_HANDOVER_NAME);
    if (!path || !std::strchr(path, '.') || !canvas.getLayer || !canvas.compositeRow) return 0;
    const bool layered = IsLayeredFormatPath(path) != 0;
    if (layered) WriteLayeredThumbnail(canvas, thumbPath);
    const int slot = FindWriterPlugin(path);
    if (slot < 0) return 0;

    WaitCursor wait;
    int result = 0;
    {
        PluginModule m(WriterPluginPath(slot));
        auto init = m.Get<WriteFileInitFn>(DARNA_EXPORT_WRITE_FILE_INIT);
        auto exec = m.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
        auto infoFn = m.Get<WriteFileInfoFn>(DARNA_EXPORT_WRITE_FILE_INFO);
        if (!init || !exec || !infoFn) {
            SaveFailed();
            return 0;
        }
        WriterInfo wi;
        std::memset(&wi, 0, sizeof(wi));
        infoFn(PluginStatusWindow(), &wi);

        AcquireSRWLockExclusive(&g_SaveLock);
        g_Save.canvas = &canvas;
        g_Save.mode = mode;
        g_Save.layered = layered;
        g_Save.offsets = {};
        g_Save.indexed = nullptr;
        g_Save.layers.clear();
        for (int i = 0; i < CanvasWriteLayers; ++i) {
            CanvasWriteLayer l = {};
            if (!canvas.getLayer(canvas.user, i, &l)) break;
            g_Save.layers.push_back(l);
        }
        int widest = canvas.width;
        for (const CanvasWriteLayer& l : g_Save.layers) widest = l.width > widest ? l.width : widest;
        g_Save.row.assign((size_t)widest + 16, 0);

        if (wi.accepts8Bit && !wi.accepts24Bit) {
            int left = x0 < 0 ? 0 : x0, top = x0 < 0 ? 0 : y0;
            int w = x0 < 0 ? (g_Save.layers.empty() ? canvas.width : g_Save.layers[0].width) : x1 - x0 + 1;
            int h = x0 < 0 ? (g_Save.layers.empty() ? canvas.height : g_Save.layers[0].height) : y1 - y0 + 1;
            g_Save.indexedX = left;
            g_Save.indexedY = top;
            g_Save.indexed = PrepareIndexedImage(w, h, IndexedSource, (void*)&canvas, PluginStatusWindow());
        }
        const int entries = PluginPathHasExtension(path, "psd") || PluginPathHasExtension(path, "ico")
                                ? FileRecordEntriesLarge : FileRecordEntries;
        GlobalBlock fi(FileImageInfoBytes(entries)), fn(sizeof(FileLayerName) * entries),
            fl(sizeof(FileLayerInfo) * entries);
        if (!fi || !fn || !fl || g_Save.layers.empty()) {
            ShowMessageBox(PluginFrameWindow(), !fi ? "critical error1" : !fn ? "critical error2" : "critical error3",
                           kAppTitle, kMsgOk);
        } else {
            FileImageInfo* info = fi.As<FileImageInfo>();
            FileLayerName* names = fn.As<FileLayerName>();
            FileLayerInfo* infos = fl.As<FileLayerInfo>();
            info->currentLayer = layered ? canvas.currentLayer : 0;
            if (layered && canvas.exifBlob && canvas.exifSize > 0)
                WriteFileReplacing(exifPath, canvas.exifBlob, (size_t)canvas.exifSize);
            info->xResolution = info->yResolution = canvas.resolution;
            auto bitsOf = [&](const CanvasWriteLayer& l) { return g_Save.indexed ? 8 : l.bits > 24 ? 24 : l.bits; };
            auto rectOf = [](const CanvasWriteLayer& l) { return WriterPlaneRect{l.x, l.y, l.width, l.height}; };
            if (mode == 0) {
                info->image[0].strokeLayerPlane = canvas.strokeLayerPlane;
                for (int i = 0; i < (int)g_Save.layers.size(); ++i) {
                    const CanvasWriteLayer& l = g_Save.layers[i];
                    info->count++;
                    FillWriterImageEntry(x0, y0, x1, y1, rectOf(l), i, info, infos, &g_Save.offsets);
                    info->image[i].bits = bitsOf(l);
                    FillLayerRecords(l, i, infos, names, true);
                }
            } else {
                const CanvasWriteLayer& base = g_Save.layers[0];
                info->count = 1;
                FillWriterImageEntry(x0, y0, x1, y1, rectOf(base), 0, info, infos, &g_Save.offsets);
                info->image[0].bits = bitsOf(base);
                FillLayerRecords(base, 0, infos, names, false);
            }
            if (!init(PluginStatusWindow(), path, 1)) {
                SaveFailed();
            } else {
                CanvasWrite w = {exec, info, names, infos};
                result = ReplaceFileThroughTemp(path, RunCanvasWrite, &w);
                if (!result) SaveFailed();
            }
        }
        if (g_Save.indexed) FreePackedDib(g_Save.indexed);
        g_Save.indexed = nullptr;
        g_Save.canvas = nullptr;
        g_Save.layers.clear();
        ReleaseSRWLockExclusive(&g_SaveLock);
    }
    if (result) {
        const int kind = ExifEmbedKindForPath(path);
        if (kind && canvas.exifBlob && canvas.exifSize > 0) WriteExifThumbnail(path, canvas, kind);
    }
    if (saved) *saved = result ? 1 : 0;
    DeleteFileA(thumbPath);
    DeleteFileA(exifPath);
    return result;
}

int WriteLayeredThumbnail(const CanvasWriteSource& c, const char* path) {
    if (c.width < 1 || c.height < 1) return 0;
    const double s = 256.0 / c.width > 256.0 / c.height ? 256.0 / c.width : 256.0 / c.height;
    auto clampSide = [](double v) { return v < 2 ? 2 : v > 256 ? 256 : (int)v; };
    const int w = clampSide(s * c.width), h = clampSide(s * c.height);
    VmsImage* thumb = g_VmsStore.Create(w, h, 24, 255, 1);
    if (!thumb) return 0;
    std::vector<uint32_t> source((size_t)c.width), row((size_t)w);
    bool ok = true;
    for (int i = 0; i < h && ok; ++i) {
        const int y = (int)((int64_t)i * (c.height - 1) / (h - 1));
        ok = c.compositeRow(c.user, y, 0, c.width - 1, source.data()) != 0;
        for (int j = 0; j < w && ok; ++j) row[j] = source[(size_t)((int64_t)j * (c.width - 1) / (w - 1))];
        ok = ok && g_VmsStore.PutRow(thumb, i, 0, w - 1, row.data());
    }
    char dll[MAX_PATH];
    ProgramFile(dll, "thumbex.dll");
    DeleteFileA(path);
    int result = ok ? WriteImageWithPlugin(thumb, path, dll) : 0;
    g_VmsStore.Free(&thumb);
    return result ? 1 : 0;
}

int ExifThumbnailJpeg(const VmsImage* thumbnail, std::vector<uint8_t>* bytes) {
    bytes->clear();
    if (!thumbnail) return 0;
    char temp[MAX_PATH], dll[MAX_PATH];
    ProgramFile(temp, "temp.tmp");
    ProgramFile(dll, "file_w\\jpgsave.dll");
    if (!WriteImageWithPlugin(thumbnail, temp, dll)) return 0;
    HANDLE file = CreateFileA(temp, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD size = GetFileSize(file, nullptr), got = 0;
        if (size != INVALID_FILE_SIZE && size < (1u << 20)) {
            bytes->resize(size);
            if (!ReadFile(file, bytes->data(), size, &got, nullptr) || got != size) bytes->clear();
        }
        CloseHandle(file);
    }
    DeleteFileA(temp);
    return bytes->empty() ? 0 : 1;
}

int EmbedExifWithThumbnail(const char* path, const VmsImage* picture, const uint8_t* blob, size_t blobSize,
                           int kind) {
    if (!picture || !blob || blobSize == 0) return -1;
    std::vector<uint8_t> bytes;
    if (kind == ExifEmbedJpeg) {
        VmsImage* thumb = c_Dib::FitResize(picture, 160, 120);
        if (!thumb) return -1;
        const int made = ExifThumbnailJpeg(thumb, &bytes);
        g_VmsStore.Free(&thumb);
        if (!made) return -1;
    }
    return EmbedExifInFile(path, bytes.empty() ? nullptr : bytes.data(), (int)bytes.size(), picture->width,
                           picture->height, blob, blobSize, kind);
}

int WriteExifThumbnail(const char* path, const CanvasWriteSource& canvas, int kind) {
    VmsImage* picture = CompositeImage(canvas);
    if (!picture) return -1;
    int result = EmbedExifWithThumbnail(path, picture, canvas.exifBlob, (size_t)canvas.exifSize, kind);
    g_VmsStore.Free(&picture);
    return result;
}
