// pngload.dll: PNG reader. Palette and grey files without transparency come
// as 8-bit indexed rows; every other file as 24-bit rows, with its alpha (or
// tRNS transparency) as transparency plane 1.
#include <csetjmp>

#include <png.h>

#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, size_t length) {
    File* f = (File*)png_get_io_ptr(png);
    if (!f->Read(data, length)) png_error(png, "read");
}

struct PngReader {
    File file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    bool Open(const char* path) {
        if (!file.OpenRead(path)) return false;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (!png) return false;
        info = png_create_info_struct(png);
        if (!info) return false;
        png_set_read_fn(png, &file, PngRead);
        png_set_user_limits(png, (png_uint_32)kMaxSide, (png_uint_32)kMaxSide);
        png_set_chunk_malloc_max(png, 64u << 20);
        return true;
    }
};

// Layout chosen after the header.
struct Layout {
    int width, height;
    bool indexed;   // 8-bit indices
    bool alpha;     // 4 bytes a pixel with alpha
    int dpiX, dpiY;
};

// Reads the header and sets the transformations. Must run under setjmp.
void Prepare(PngReader& r, Layout* l) {
    png_read_info(r.png, r.info);
    png_uint_32 w = png_get_image_width(r.png, r.info), h = png_get_image_height(r.png, r.info);
    int type = png_get_color_type(r.png, r.info), depth = png_get_bit_depth(r.png, r.info);
    bool trns = png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
    if (!SizeAcceptable(w, h)) png_error(r.png, "size");
    l->width = (int)w;
    l->height = (int)h;
    l->dpiX = l->dpiY = 0;
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    if (png_get_pHYs(r.png, r.info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER) {
        l->dpiX = (int)(((uint64_t)rx * 254 + 5000) / 10000);
        l->dpiY = (int)(((uint64_t)ry * 254 + 5000) / 10000);
    }
    if (depth == 16) png_set_strip_16(r.png);
    if ((type == PNG_COLOR_TYPE_PALETTE || type == PNG_COLOR_TYPE_GRAY) && !trns) {
        l->indexed = true;
        l->alpha = false;
        if (depth < 8) png_set_packing(r.png);
    } else {
        l->indexed = false;
        l->alpha = (type & PNG_COLOR_MASK_ALPHA) || trns;
        png_set_expand(r.png);
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r.png);
        png_set_bgr(r.png);
        if (!l->alpha) png_set_strip_alpha(r.png);
    }
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "png", "PNG");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    PngReader r;
    if (!r.Open(path)) return 0;
    Layout l;
    if (setjmp(png_jmpbuf(r.png))) return 0;
    Prepare(r, &l);
    info->xResolution = l.dpiX;
    info->yResolution = l.dpiY;
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = l.width;
    info->image[0].height = l.height;
    info->image[0].bits = l.indexed ? 8 : 24;
    if (names) {
        std::memset(&names[0], 0, sizeof(FileLayerName));
        // The alpha channel is the layer's transparency plane (plane 1).
        if (l.alpha) names[0].planeFlags[0] = 1;
    }
    return 1;
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo*,
                                                  FileLayerName*, FileLayerInfo*,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    PngReader r;
    if (!r.Open(path)) return 0;
    Progress progress(window);
    Layout l;
    Block<uint8_t> image, bgr, alpha;
    if (setjmp(png_jmpbuf(r.png))) {
        progress.Done();
        return 0;
    }
    Prepare(r, &l);
    const size_t rowBytes = png_get_rowbytes(r.png, r.info);
    const int passes = png_set_interlace_handling(r.png);
    if (rowBytes < (size_t)l.width * (l.indexed ? 1 : l.alpha ? 4 : 3)) png_error(r.png, "layout");
    if (l.indexed) {
        uint8_t palette[1024] = {};
        if (png_get_color_type(r.png, r.info) == PNG_COLOR_TYPE_PALETTE) {
            png_colorp entries = nullptr;
            int n = 0;
            if (png_get_PLTE(r.png, r.info, &entries, &n) && entries) {
                for (int i = 0; i < n && i < 256; ++i) {
                    palette[i * 4] = entries[i].blue;
                    palette[i * 4 + 1] = entries[i].green;
                    palette[i * 4 + 2] = entries[i].red;
                }
            }
        } else {
            // Grey: packed values were expanded to bytes 0..2^depth-1.
            int depth = png_get_bit_depth(r.png, r.info);
            int levels = depth >= 8 ? 256 : 1 << depth;
            for (int i = 0; i < levels; ++i) {
                uint8_t v = (uint8_t)(i * 255 / (levels - 1));
                palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = v;
            }
        }
        if (callbacks->setPalette) callbacks->setPalette(palette, 0);
    }
    // Interlaced files need the whole image before the first row is final.
    const bool whole = passes > 1;
    if (!image.Reset(whole ? rowBytes * (size_t)l.height : rowBytes) || !bgr.Reset((size_t)l.width * 3) ||
        !alpha.Reset((size_t)l.width))
        png_error(r.png, "memory");
    if (whole) {
        for (int p = 0; p < passes; ++p)
            for (int y = 0; y < l.height; ++y) png_read_row(r.png, image.get() + rowBytes * y, nullptr);
    }
    for (int y = 0; y < l.height; ++y) {
        uint8_t* src = image.get() + (whole ? rowBytes * y : 0);
        if (!whole) png_read_row(r.png, src, nullptr);
        const uint8_t* out = src;
        if (l.alpha) {
            for (int x = 0; x < l.width; ++x) {
                bgr[x * 3] = src[x * 4];
                bgr[x * 3 + 1] = src[x * 4 + 1];
                bgr[x * 3 + 2] = src[x * 4 + 2];
                alpha[x] = src[x * 4 + 3];
            }
            out = bgr.get();
        }
        if (callbacks->putRow(y, 0, l.width - 1, out, 0) < 0) png_error(r.png, "refused");
        if (l.alpha && callbacks->putTransparencyRow)
            callbacks->putTransparencyRow(y, 0, l.width - 1, alpha.get(), 0, 1);
        progress.Report(y + 1, l.height);
    }
    png_read_end(r.png, nullptr);
    progress.Done();
    return 1;
}
