// draload.dll: reader of the native layered format (FORMAT.md).
#include <new>

#include <zlib.h>

#include "plugins/jpeg/jpeg_io.h"
#include "plugins/native/native_format.h"

using namespace plug;
using namespace dra;

namespace {

// Set by ReadFileInit; a fresh load of the DLL reads a single image.
int g_Mode = 0;

struct Doc {
    Head head;
    Block<Layer> layers;
    int64_t previewChunk = -1;   // offset of the chunk, -1 none
    int64_t exifChunk = -1;
};

// Reads one whole chunk that starts at `offset` (CRC checked). Null on failure.
uint8_t* ReadChunkAt(File& file, int64_t offset, uint32_t expectType, uint32_t limit, uint32_t* length) {
    ChunkReader r(&file);
    uint32_t type = 0;
    if (!file.Seek(offset) || !r.Next(&type, length) || type != expectType || *length > limit) return nullptr;
    uint8_t* data = (uint8_t*)std::malloc(*length ? *length : 1);
    if (!data) return nullptr;
    if (!r.Read(data)) {
        std::free(data);
        return nullptr;
    }
    return data;
}

// Checks the chunk chain from the signature to DEND at the end of the file and
// reads HEAD and the layers.
bool ScanDoc(File& file, Doc* doc) {
    ChunkReader r(&file);
    uint32_t type = 0, length = 0;
    uint8_t buffer[4096];
    if (!r.Signature() || !r.Next(&type, &length) || type != kHead || length > sizeof(buffer) ||
        !r.Read(buffer) || !GetHead(buffer, length, &doc->head))
        return false;
    if (!doc->layers.Reset((size_t)doc->head.layers)) return false;
    int got = 0;
    for (;;) {
        if (!r.Next(&type, &length)) return false;
        const int64_t chunkStart = r.PayloadOffset() - 8;
        if (type == kLayer) {
            if (got >= doc->head.layers || length > sizeof(buffer) || !r.Read(buffer)) return false;
            Layer* l = new (&doc->layers[(size_t)got]) Layer();
            if (!GetLayer(buffer, length, l) || l->index != got) return false;
            ++got;
            continue;
        }
        if (type == kHead) return false;
        if (type == kEnd) return length == 0 && r.Skip() && r.AtEnd() && got == doc->head.layers;
        if (type == kPreview) doc->previewChunk = chunkStart;
        if (type == kExif) doc->exifChunk = chunkStart;
        if (!r.Skip()) return false;
    }
}

// Plug-in plane number of a layer's plane 1..7.
int PluginPlane(int layerPlane) { return layerPlane == 1 ? 1 : layerPlane == 2 ? 0 : layerPlane - 1; }

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "dra;dnp", "Darna layered image");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int mode) {
    g_Mode = mode == 1 ? 1 : 0;
    return 1;
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    File file;
    Doc doc;
    if (!file.OpenRead(path) || !ScanDoc(file, &doc)) return 0;
    const Head& h = doc.head;
    info->xResolution = h.xResolution;
    info->yResolution = h.yResolution;
    info->currentLayer = g_Mode == 1 ? h.currentLayer : 0;
    if (g_Mode == 1) {
        info->count = h.layers;
        for (int i = 0; i < h.layers; ++i) {
            const Layer& l = doc.layers[(size_t)i];
            FileImageEntry& e = info->image[i];
            e.width = l.width;
            e.height = l.height;
            e.bits = 24;
            if (names) {
                FileLayerName& n = names[i];
                std::memset(&n, 0, sizeof(n));
                std::memcpy(n.planeFlags, l.planeFlags, sizeof(n.planeFlags));
                std::memcpy(n.planeNames, l.planeNames, sizeof(n.planeNames));
                std::memcpy(n.planeValues, l.planeValues, sizeof(n.planeValues));
            }
        }
        info->image[0].strokeLayerPlane = h.strokeLayerPlane;
    } else {
        bool composite = (h.flags & kFlagComposite) != 0;
        info->count = 1;
        info->image[0].width = composite ? h.width : doc.layers[0].width;
        info->image[0].height = composite ? h.height : doc.layers[0].height;
        info->image[0].bits = 24;
        if (names) std::memset(&names[0], 0, sizeof(FileLayerName));
    }
    return 1;
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo* info,
                                                  FileLayerName* names, FileLayerInfo* layers,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    File file;
    Doc doc;
    if (!file.OpenRead(path) || !ScanDoc(file, &doc)) return 0;
    const Head& h = doc.head;
    const int mode = g_Mode;
    const bool composite = (h.flags & kFlagComposite) != 0;

    if (info) {
        info->xResolution = h.xResolution;
        info->yResolution = h.yResolution;
        if (mode == 1) {
            info->currentLayer = h.currentLayer;
            info->image[0].strokeLayerPlane = h.strokeLayerPlane;
        }
    }
    if (mode == 1) {
        for (int i = 0; i < h.layers; ++i) {
            const Layer& l = doc.layers[(size_t)i];
            if (layers) {
                FileLayerInfo& o = layers[i];
                std::memset(&o, 0, sizeof(o));
                std::memcpy(o.name, l.name, sizeof(o.name));
                o.name[255] = 0;
                o.left = l.left;
                o.top = l.top;
                o.layerNumber = l.layerNumber;
                o.one = l.one;
                o.blendMode = l.blendMode;
                o.transparency = l.transparency;
                o.visible = l.visible;
                std::memcpy(o.optionValue, l.optionValue, 8);
                std::memcpy(o.optionByte, l.optionByte, 8);
            }
            if (names) {
                FileLayerName& n = names[i];
                std::memset(&n, 0, sizeof(n));
                std::memcpy(n.planeFlags, l.planeFlags, sizeof(n.planeFlags));
                std::memcpy(n.planeNames, l.planeNames, sizeof(n.planeNames));
                std::memcpy(n.planeValues, l.planeValues, sizeof(n.planeValues));
            }
        }
    }

    // Rows of the planes this read delivers; the others are skipped unread.
    // next[layer * 8 + plane] is the next row expected, -1 for a plane not wanted.
    Block<int32_t> next((size_t)h.layers * 8 + 1);
    if (!next) return 0;
    int32_t* compositeNext = &next[(size_t)h.layers * 8];
    int64_t totalRows = 0;
    for (int i = 0; i < h.layers; ++i)
        for (int p = 0; p < 8; ++p) {
            const Layer& l = doc.layers[(size_t)i];
            bool exists = p == 0 || l.planeFlags[p - 1] != 0;
            bool wanted = mode == 1 ? exists : (!composite && i == 0 && p == 0);
            next[(size_t)i * 8 + p] = wanted ? 0 : -1;
            if (wanted) totalRows += l.height;
        }
    *compositeNext = composite ? 0 : -1;
    if (composite) totalRows += h.height;

    Progress progress(window);
    Block<uint8_t> payload, raw;
    ChunkReader r(&file);
    uint32_t type = 0, length = 0;
    int64_t doneRows = 0;
    int ok = 0;
    if (!r.Signature()) return 0;
    while (r.Next(&type, &length)) {
        if (type == kEnd) {
            ok = 1;
            break;
        }
        if (type == kExif && mode == 1) {
            if (!payload.Reset(length ? length : 1) || !r.Read(payload.get())) break;
            char exifPath[MAX_PATH];
            if (OwnFolderFile(DARNA_EXIF_HANDOVER_NAME, exifPath, sizeof(exifPath)) && length)
                WriteWholeFile(exifPath, payload.get(), length);
            continue;
        }
        if (type != kPlane) {
            if (!r.Skip()) break;
            continue;
        }
        // Peek at the band head to skip bands this read does not want.
        uint8_t bandHead[kBandHeadBytes];
        Band b;
        if (length < kBandHeadBytes || !file.Read(bandHead, kBandHeadBytes) ||
            !GetBand(bandHead, kBandHeadBytes, &b))
            break;
        int width, height;
        int32_t* slot;
        if (b.layer == -1) {
            if (b.plane != 0 || !composite) break;
            width = h.width, height = h.height, slot = compositeNext;
        } else {
            if (b.layer < 0 || b.layer >= h.layers) break;
            const Layer& l = doc.layers[(size_t)b.layer];
            if (b.plane > 0 && !l.planeFlags[b.plane - 1]) break;
            width = l.width, height = l.height, slot = &next[(size_t)b.layer * 8 + b.plane];
        }
        if (*slot < 0) {
            if (!r.Skip()) break;
            continue;
        }
        const int64_t rowBytes = RowBytes(width, b.plane);
        if (b.firstRow != *slot || b.firstRow + b.rows > height || (int64_t)b.rawSize != rowBytes * b.rows) break;
        if ((payload.size() < length && !payload.Reset(length)) ||
            (raw.size() < b.rawSize && !raw.Reset(b.rawSize)) || !r.Read(payload.get()))
            break;
        uLongf got = b.rawSize;
        if (uncompress(raw.get(), &got, payload.get() + kBandHeadBytes, length - kBandHeadBytes) != Z_OK ||
            got != b.rawSize)
            break;
        if (b.filter == 1) UnfilterRows(raw.get(), (size_t)b.rows, (size_t)rowBytes, b.plane == 0 ? 3 : 1);
        for (int i = 0; i < b.rows; ++i) {
            const uint8_t* row = raw.get() + rowBytes * i;
            int y = b.firstRow + i;
            // Refused rows are passed over: the host may not want every image.
            if (b.layer == -1) callbacks->putRow(y, 0, width - 1, row, mode == 1 ? -1 : 0);
            else if (b.plane == 0) callbacks->putRow(y, 0, width - 1, row, mode == 1 ? b.layer : 0);
            else if (callbacks->putTransparencyRow)
                callbacks->putTransparencyRow(y, 0, width - 1, row, b.layer, PluginPlane(b.plane));
        }
        *slot += b.rows;
        doneRows += b.rows;
        progress.Report(doneRows, totalRows);
    }
    // Every wanted plane must be complete.
    if (ok) {
        for (int i = 0; i < h.layers && ok; ++i)
            for (int p = 0; p < 8; ++p) {
                int32_t v = next[(size_t)i * 8 + p];
                if (v >= 0 && v != doc.layers[(size_t)i].height) ok = 0;
            }
        if (*compositeNext >= 0 && *compositeNext != h.height) ok = 0;
    }
    progress.Done();
    return ok;
}

// The preview decoded into a 24-bit .bmp in the temporary folder.
PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileFastImage(HWND, const char* path, FileImageInfo*, FileLayerName*,
                                                       char* bmpPath) {
    if (!path || !bmpPath) return 0;
    File file;
    Doc doc;
    if (!file.OpenRead(path) || !ScanDoc(file, &doc) || doc.previewChunk < 0) return 0;
    uint32_t length = 0;
    Block<uint8_t> jpeg;
    uint8_t* data = ReadChunkAt(file, doc.previewChunk, kPreview, 16u << 20, &length);
    if (!data) return 0;
    jpeg.Adopt(data, length);
    char temp[MAX_PATH];
    if (!MakePreviewTempFile("dnp", temp)) return 0;

    jpeg_decompress_struct c;
    JpegError error;
    Block<uint8_t> pixels;
    c.err = JpegErrorInit(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&c);
        DeleteFileA(temp);
        return 0;
    }
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, jpeg.get(), length);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    if (c.image_width > 4096 || c.image_height > 4096) longjmp(error.jump, 1);
    jpeg_start_decompress(&c);
    const int w = (int)c.output_width, h = (int)c.output_height;
    const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    if (!pixels.Reset(stride * h)) longjmp(error.jump, 1);
    while ((int)c.output_scanline < h) {
        // Bottom-up rows for the bitmap.
        JSAMPROW rows[1] = {pixels.get() + stride * (size_t)(h - 1 - (int)c.output_scanline)};
        jpeg_read_scanlines(&c, rows, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);

    return WritePreviewBmp(temp, pixels.get(), w, h, stride, bmpPath) ? 1 : 0;
}
