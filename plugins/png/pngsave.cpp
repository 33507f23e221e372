// pngsave.dll: PNG writer. 24-bit RGB, or RGBA when the host has a
// transparency plane (plane 1) for the image.
#include <csetjmp>

#include <png.h>

#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void PngWrite(png_structp png, png_bytep data, size_t length) {
    File* f = (File*)png_get_io_ptr(png);
    if (!f->Write(data, length)) png_error(png, "write");
}
void PngFlush(png_structp) {}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    FillWriterInfo(info, "png", "PNG", false);
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName*, FileLayerInfo*,
                                                   const WriteFileCallbacks* callbacks) {
    if (!SingleImageRequest(path, info, callbacks)) return 0;
    const int w = info->image[0].width, h = info->image[0].height;
    if (!SizeAcceptable(w, h)) return 0;
    Block<uint8_t> row((size_t)w * 3), alpha((size_t)w), out((size_t)w * 4);
    if (!row || !alpha || !out) return 0;
    const bool hasAlpha = callbacks->getTransparencyRow &&
                          callbacks->getTransparencyRow(0, 0, w - 1, alpha.get(), 0, 1) == 1;
    File file;
    if (!file.Create(path)) return 0;
    Progress progress(window);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    png_infop pinfo = png ? png_create_info_struct(png) : nullptr;
    if (!png || !pinfo || setjmp(png_jmpbuf(png))) {
        if (png) png_destroy_write_struct(&png, pinfo ? &pinfo : nullptr);
        file.Close();
        DeleteFileA(path);
        progress.Done();
        return 0;
    }
    png_set_write_fn(png, &file, PngWrite, PngFlush);
    png_set_IHDR(png, pinfo, (png_uint_32)w, (png_uint_32)h, 8,
                 hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (info->xResolution > 0 && info->yResolution > 0)
        png_set_pHYs(png, pinfo, (png_uint_32)(((int64_t)info->xResolution * 10000 + 127) / 254),
                     (png_uint_32)(((int64_t)info->yResolution * 10000 + 127) / 254), PNG_RESOLUTION_METER);
    png_write_info(png, pinfo);
    png_set_bgr(png);
    for (int y = 0; y < h; ++y) {
        if (callbacks->getRow(y, 0, w - 1, row.get(), 0) <= 0) png_error(png, "row");
        const uint8_t* src = row.get();
        if (hasAlpha) {
            if (callbacks->getTransparencyRow(y, 0, w - 1, alpha.get(), 0, 1) != 1)
                std::memset(alpha.get(), 255, (size_t)w);
            for (int x = 0; x < w; ++x) {
                out[x * 4] = row[x * 3];
                out[x * 4 + 1] = row[x * 3 + 1];
                out[x * 4 + 2] = row[x * 3 + 2];
                out[x * 4 + 3] = alpha[x];
            }
            src = out.get();
        }
        png_write_row(png, (png_const_bytep)src);
        progress.Report(y + 1, h);
    }
    png_write_end(png, pinfo);
    png_destroy_write_struct(&png, &pinfo);
    file.Close();
    progress.Done();
    return 1;
}
