// tifload.dll: TIFF reader for the first image of a file, through libtiff's
// RGBA interface (every photometric interpretation libtiff knows). Rows come
// as 24 bits; an alpha channel comes as transparency plane 1. Strips or
// tiles that cannot be read (a cut or damaged file) end the picture: the rows
// before them are kept and the rest is grey.
#include "plugins/common/plugin_common.h"
#include "plugins/tiff/tiff_open.h"

using namespace plug;

namespace {

constexpr int kBandRows = 64;

void Resolution(TIFF* tif, int* dpiX, int* dpiY) {
    float rx = 0, ry = 0;
    uint16_t unit = RESUNIT_INCH;
    *dpiX = *dpiY = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &rx) || !TIFFGetField(tif, TIFFTAG_YRESOLUTION, &ry)) return;
    float scale = unit == RESUNIT_CENTIMETER ? 2.54f : unit == RESUNIT_INCH ? 1.0f : 0.0f;
    if (!(rx > 0 && rx < 100000 && ry > 0 && ry < 100000)) return;
    *dpiX = (int)(rx * scale + 0.5f);
    *dpiY = (int)(ry * scale + 0.5f);
}

struct RgbaImage {
    TIFFRGBAImage img;
    bool begun = false;
    ~RgbaImage() {
        if (begun) TIFFRGBAImageEnd(&img);
    }
    bool Begin(TIFF* tif) {
        char message[1024];
        if (!TIFFRGBAImageOK(tif, message)) return false;
        begun = TIFFRGBAImageBegin(&img, tif, 1, message) != 0;
        if (!begun) return false;
        img.req_orientation = ORIENTATION_TOPLEFT;
        return SizeAcceptable(img.width, img.height);
    }
};

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "tif;tiff", "TIFF");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    TiffCloser tif{OpenTiff(path, "r")};
    if (!tif.tif) return 0;
    RgbaImage rgba;
    if (!rgba.Begin(tif.tif)) return 0;
    Resolution(tif.tif, &info->xResolution, &info->yResolution);
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = (int32_t)rgba.img.width;
    info->image[0].height = (int32_t)rgba.img.height;
    info->image[0].bits = 24;
    if (names) {
        std::memset(&names[0], 0, sizeof(FileLayerName));
        if (rgba.img.alpha) names[0].planeFlags[0] = 1;
    }
    return 1;
}

namespace {

// Raster rows (ABGR words, premultiplied with an alpha channel) to the host
// from row y on. False when the host refuses a row.
bool SendRows(const ReadFileCallbacks* callbacks, const uint32_t* raster, int w, int y, int rows, bool alpha,
              uint8_t* bgr, uint8_t* a) {
    for (int r = 0; r < rows; ++r) {
        const uint32_t* p = raster + (size_t)r * w;
        for (int x = 0; x < w; ++x) {
            uint32_t v = p[x];
            uint32_t cr = TIFFGetR(v), cg = TIFFGetG(v), cb = TIFFGetB(v), ca = TIFFGetA(v);
            // libtiff gives premultiplied colours with an alpha channel.
            if (alpha && ca && ca < 255) {
                cr = cr * 255 / ca; cg = cg * 255 / ca; cb = cb * 255 / ca;
                if (cr > 255) cr = 255;
                if (cg > 255) cg = 255;
                if (cb > 255) cb = 255;
            }
            bgr[x * 3] = (uint8_t)cb;
            bgr[x * 3 + 1] = (uint8_t)cg;
            bgr[x * 3 + 2] = (uint8_t)cr;
            a[x] = (uint8_t)ca;
        }
        if (callbacks->putRow(y + r, 0, w - 1, bgr, 0) < 0) return false;
        if (alpha && callbacks->putTransparencyRow) callbacks->putTransparencyRow(y + r, 0, w - 1, a, 0, 1);
    }
    return true;
}

}  // namespace

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo*,
                                                  FileLayerName*, FileLayerInfo*,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    TiffCloser tif{OpenTiff(path, "r")};
    if (!tif.tif) return 0;
    RgbaImage rgba;
    if (!rgba.Begin(tif.tif)) return 0;
    const int w = (int)rgba.img.width, h = (int)rgba.img.height;
    const bool alpha = rgba.img.alpha != 0;
    Block<uint32_t> raster((size_t)w * kBandRows);
    Block<uint8_t> bgr((size_t)w * 3), a((size_t)w);
    if (!raster || !bgr || !a) return 0;
    Progress progress(window);
    int y = 0;   // rows handed to the host
    bool damaged = false;
    while (y < h && !damaged) {
        int rows = h - y < kBandRows ? h - y : kBandRows;
        rgba.img.row_offset = y;
        rgba.img.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.img, raster.get(), (uint32_t)w, (uint32_t)rows)) {
            // A strip or tile of the band cannot be read: the band again row
            // by row, up to the first row that fails.
            const int band = rows;
            for (rows = 0; rows < band; ++rows) {
                rgba.img.row_offset = y + rows;
                if (!TIFFRGBAImageGet(&rgba.img, raster.get() + (size_t)rows * w, (uint32_t)w, 1)) break;
            }
            damaged = rows < band;
        }
        if (!SendRows(callbacks, raster.get(), w, y, rows, alpha, bgr.get(), a.get())) {
            progress.Done();
            return 0;
        }
        y += rows;
        progress.Report(y, h);
    }
    const bool ok = y > 0 && PutGreyRows(callbacks, w, 24, 0, alpha, y, h);
    progress.Done();
    return ok ? 1 : 0;
}
