#include "fileio/exif_blob.h"

#include <cstring>

#include "fileio/exif_file.h"
#include "fileio/plugin_registry.h"

int IsExifFilePath(const char* path) {
    static const char* const kCameraExtensions[] = {"jpg", "jpeg", "tif", "tiff", "orf"};
    for (const char* ext : kCameraExtensions)
        if (path && PluginPathHasExtension(path, ext)) return 1;
    return 0;
}

int ExifEmbedKindForPath(const char* path) {
    if (!path) return 0;
    if (PluginPathHasExtension(path, "jpg") || PluginPathHasExtension(path, "jpeg")) return ExifEmbedJpeg;
    if (PluginPathHasExtension(path, "tif") || PluginPathHasExtension(path, "tiff")) return ExifEmbedTiff;
    return 0;
}

HGLOBAL ReadExifBlob(const char* path, int32_t* size) {
    if (size) *size = 0;
    c_ExifFile exif;
    if (exif.Load(path) != 0) return nullptr;
    const int64_t bytes = exif.Pack(nullptr);
    if (bytes <= (int64_t)sizeof(ExifBlobHeader) || bytes > INT32_MAX) return nullptr;
    HGLOBAL blob = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
    uint8_t* p = blob ? (uint8_t*)GlobalLock(blob) : nullptr;
    if (!p) {
        if (blob) GlobalFree(blob);
        return nullptr;
    }
    exif.Pack(p);
    GlobalUnlock(blob);
    if (size) *size = (int32_t)bytes;
    return blob;
}

void FreeExifBlob(HGLOBAL* blob) {
    if (!blob || !*blob) return;
    GlobalFree(*blob);
    *blob = nullptr;
}

int SetExifBlobOrientation(uint8_t* blob, size_t size, int orientation) {
    if (!blob || size < sizeof(ExifBlobHeader)) return 0;
    ExifBlobHeader header;
    std::memcpy(&header, blob, sizeof header);
    const ExifBlobIfd& ifd0 = header.ifd[ExifBlobIfd0];
    if (ifd0.records > size || ifd0.count > (size - ifd0.records) / 12) return 0;
    for (uint32_t i = 0; i < ifd0.count; ++i) {
        uint8_t* r = blob + ifd0.records + 12 * (size_t)i;
        const int tag = r[0] | r[1] << 8, type = r[2] | r[3] << 8;
        const uint32_t count = r[4] | r[5] << 8 | r[6] << 16 | (uint32_t)r[7] << 24;
        if (tag != 274 || type != 3 || count != 1) continue;   // Orientation, one SHORT in the record
        r[8] = (uint8_t)orientation;
        r[9] = (uint8_t)(orientation >> 8);
        return 1;
    }
    return 0;
}

int EmbedExifInFile(const char* path, const uint8_t* thumbnail, int thumbnailSize, int width, int height,
                    const uint8_t* blob, size_t blobSize, int kind) {
    c_ExifFile exif;
    if (exif.Unpack(blob, blobSize) != 0) return -1;
    if (kind == ExifEmbedJpeg) return exif.WriteJpeg(path, width, height, thumbnail, thumbnailSize);
    return exif.WriteTiff(path, width, height);
}
