#include "plugins/tiff/tiff_open.h"

#include <cstdarg>

namespace plug {

namespace {
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }
}  // namespace

TIFF* OpenTiff(const char* path, const char* mode) {
    // Handlers that libtiff calls before a file is open.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, (tmsize_t)512 << 20);
    TIFF* tif = TIFFOpenExt(path, mode, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

}  // namespace plug
