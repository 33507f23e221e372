// drasave.dll: writer of the native layered format (FORMAT.md). Takes every
// described image as a layer with its records, the composite (image -1), and
// the preview and EXIF hand-over files beside the DLL.
#include <new>

#include <zlib.h>

#include "plugins/native/native_format.h"

using namespace plug;
using namespace dra;

namespace {

constexpr size_t kBandTarget = 1u << 20;

// Plug-in plane number of a layer's plane 1..7.
int PluginPlane(int layerPlane) { return layerPlane == 1 ? 1 : layerPlane == 2 ? 0 : layerPlane - 1; }

struct Writer {
    ChunkWriter* out;
    const WriteFileCallbacks* cb;
    Progress* progress;
    int64_t totalRows, doneRows = 0;
    Block<uint8_t> raw, packed;

    // Rows of one plane (layer -1: the composite) in bands.
    bool Plane(int layer, int plane, int width, int height) {
        const int64_t rowBytes = RowBytes(width, plane);
        int bandRows = (int)(kBandTarget / (size_t)rowBytes);
        if (bandRows < 1) bandRows = 1;
        if (bandRows > height) bandRows = height;
        const size_t rawMax = (size_t)rowBytes * bandRows;
        if (raw.size() < rawMax && !raw.Reset(rawMax)) return false;
        const size_t packedMax = compressBound((uLong)rawMax);
        if (packed.size() < packedMax && !packed.Reset(packedMax)) return false;
        for (int y0 = 0; y0 < height; y0 += bandRows) {
            int rows = height - y0 < bandRows ? height - y0 : bandRows;
            for (int i = 0; i < rows; ++i) {
                uint8_t* row = raw.get() + rowBytes * i;
                int r = plane == 0 ? cb->getRow(y0 + i, 0, width - 1, row, layer)
                                   : cb->getTransparencyRow
                                         ? cb->getTransparencyRow(y0 + i, 0, width - 1, row, layer,
                                                                  PluginPlane(plane))
                                         : -1;
                // A missing extra plane comes back as 255 with result 0.
                if (r < 0 || (plane == 0 && r == 0)) return false;
            }
            Band b;
            b.layer = layer;
            b.plane = plane;
            b.firstRow = y0;
            b.rows = rows;
            b.rawSize = (uint32_t)(rowBytes * rows);
            b.filter = 1;
            FilterRows(raw.get(), (size_t)rows, (size_t)rowBytes, plane == 0 ? 3 : 1);
            uLongf packedSize = (uLongf)packed.size();
            if (compress2(packed.get(), &packedSize, raw.get(), b.rawSize, 3) != Z_OK) return false;
            uint8_t head[kBandHeadBytes];
            PutBand(b, head);
            if (!out->Chunk(kPlane, head, sizeof(head), packed.get(), packedSize)) return false;
            doneRows += rows;
            progress->Report(doneRows, totalRows);
        }
        return true;
    }
};

// A hand-over file beside the DLL as a chunk, when it exists.
bool HandOverChunk(ChunkWriter& out, const char* name, uint32_t type) {
    char path[MAX_PATH];
    if (!OwnFolderFile(name, path, sizeof(path))) return true;
    size_t size = 0;
    Block<uint8_t> data;
    data.Adopt(ReadWholeFile(path, kMaxChunk, &size), size);
    if (!data) return true;
    return out.Chunk(type, data.get(), size);
}

bool WriteDocument(File& file, HWND window, FileImageInfo* info, FileLayerName* names, FileLayerInfo* layers,
                   const WriteFileCallbacks* cb) {
    const int n = info->count;
    Head h;
    h.width = info->image[0].width;
    h.height = info->image[0].height;
    h.xResolution = info->xResolution;
    h.yResolution = info->yResolution;
    h.layers = n;
    h.currentLayer = info->currentLayer;
    h.strokeLayerPlane = info->image[0].strokeLayerPlane;
    if (h.width < 1 || h.width > dra::kMaxSide || h.height < 1 || h.height > dra::kMaxSide) return false;
    Block<uint8_t> probe((size_t)h.width * 3);
    if (!probe) return false;
    // The composite, when the host can give it.
    if (cb->getRow(0, 0, h.width - 1, probe.get(), -1) == 1) h.flags |= kFlagComposite;

    Block<Layer> all((size_t)n);
    if (!all) return false;
    int64_t totalRows = (h.flags & kFlagComposite) ? h.height : 0;
    for (int i = 0; i < n; ++i) {
        Layer* l = new (&all[(size_t)i]) Layer();
        l->index = i;
        l->width = info->image[i].width;
        l->height = info->image[i].height;
        if (l->width < 1 || l->width > dra::kMaxSide || l->height < 1 || l->height > dra::kMaxSide) return false;
        if (layers) {
            const FileLayerInfo& s = layers[i];
            std::memcpy(l->name, s.name, 255);
            l->left = s.left;
            l->top = s.top;
            l->layerNumber = s.layerNumber;
            l->one = s.one;
            l->blendMode = s.blendMode;
            l->transparency = s.transparency;
            l->visible = s.visible;
            std::memcpy(l->optionValue, s.optionValue, 8);
            std::memcpy(l->optionByte, s.optionByte, 8);
        }
        if (names) {
            const FileLayerName& s = names[i];
            for (int k = 0; k < 10; ++k) l->planeFlags[k] = k < 7 && s.planeFlags[k] ? 1 : 0;
            std::memcpy(l->planeNames, s.planeNames, sizeof(l->planeNames));
            std::memcpy(l->planeValues, s.planeValues, sizeof(l->planeValues));
        }
        int planes = 1;
        for (int k = 0; k < 7; ++k) planes += l->planeFlags[k] ? 1 : 0;
        totalRows += (int64_t)l->height * planes;
    }

    Progress progress(window);
    ChunkWriter out(&file);
    uint8_t head[kHeadBytes];
    PutHead(h, head);
    if (!out.Signature() || !out.Chunk(kHead, head, sizeof(head))) return false;
    uint8_t layerBytes[kLayerFixedBytes + 256];
    for (int i = 0; i < n; ++i) {
        size_t size = PutLayer(all[(size_t)i], layerBytes);
        if (!out.Chunk(kLayer, layerBytes, size)) return false;
    }
    Writer w{&out, cb, &progress, totalRows};
    for (int i = 0; i < n; ++i) {
        const Layer& l = all[(size_t)i];
        if (!w.Plane(i, 0, l.width, l.height)) return false;
        for (int p = 1; p <= 7; ++p)
            if (l.planeFlags[p - 1] && !w.Plane(i, p, l.width, l.height)) return false;
    }
    if ((h.flags & kFlagComposite) && !w.Plane(-1, 0, h.width, h.height)) return false;
    if (!HandOverChunk(out, DARNA_PREVIEW_HANDOVER_NAME, kPreview) ||
        !HandOverChunk(out, DARNA_EXIF_HANDOVER_NAME, kExif))
        return false;
    progress.Done();
    return out.Chunk(kEnd, nullptr, 0);
}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    FillWriterInfo(info, "dra;dnp", "Darna layered image", false);
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName* names, FileLayerInfo* layers,
                                                   const WriteFileCallbacks* callbacks) {
    if (!path || !info || info->count < 1 || info->count > kMaxLayers || !callbacks || !callbacks->getRow)
        return 0;
    File file;
    if (!file.Create(path)) return 0;
    bool ok = WriteDocument(file, window, info, names, layers, callbacks);
    file.Close();
    if (!ok) DeleteFileA(path);
    return ok ? 1 : 0;
}
