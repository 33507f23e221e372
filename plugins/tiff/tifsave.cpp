// tifsave.dll: TIFF writer: one uncompressed 8-bit RGB image in strips, the
// strips written first and the directory (IFD0 with StripOffsets) after
// them, so that the EXIF rewriting can move the image data as one block.
#include "plugins/common/plugin_common.h"
#include "plugins/tiff/tiff_open.h"

using namespace plug;

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    FillWriterInfo(info, "tif;tiff", "TIFF", false);
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName*, FileLayerInfo*,
                                                   const WriteFileCallbacks* callbacks) {
    if (!SingleImageRequest(path, info, callbacks)) return 0;
    const int w = info->image[0].width, h = info->image[0].height;
    if (!SizeAcceptable(w, h) || (int64_t)w * h * 3 > 0xF0000000ll) return 0;
    Block<uint8_t> row((size_t)w * 3);
    if (!row) return 0;
    TIFF* tif = OpenTiff(path, "w");
    if (!tif) return 0;
    Progress progress(window);
    uint32_t rowsPerStrip = (uint32_t)(65536 / ((uint32_t)w * 3));
    if (rowsPerStrip < 1) rowsPerStrip = 1;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (info->xResolution > 0 && info->yResolution > 0) {
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, (float)info->xResolution);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, (float)info->yResolution);
    }
    bool ok = true;
    for (int y = 0; y < h && ok; ++y) {
        if (callbacks->getRow(y, 0, w - 1, row.get(), 0) <= 0) {
            ok = false;
            break;
        }
        for (int x = 0; x < w; ++x) {
            uint8_t t = row[x * 3];
            row[x * 3] = row[x * 3 + 2];
            row[x * 3 + 2] = t;
        }
        ok = TIFFWriteScanline(tif, row.get(), (uint32_t)y, 0) == 1;
        progress.Report(y + 1, h);
    }
    if (ok) ok = TIFFWriteDirectory(tif) == 1;
    TIFFClose(tif);
    progress.Done();
    if (!ok) DeleteFileA(path);
    return ok ? 1 : 0;
}
