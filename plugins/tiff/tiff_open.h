// Opens TIFF files with libtiff's messages silenced (no message boxes, no
// console output) and a cap on single allocations.
#pragma once
#include <tiffio.h>

namespace plug {

TIFF* OpenTiff(const char* path, const char* mode);

// Closes a TIFF* at the end of a scope.
struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

}  // namespace plug
