// The browser's in-process readers and writers of TIFF, JPEG and PNG files
// over libtiff, libjpeg and libpng, to and from SimpleImage records.
//
// Readers make a new record (free it with FreeSimpleImage) and return 0, or a
// code and no record. Every size is checked against the 30,000-pixel limit
// before anything is allocated. Writers write a temporary file beside the
// target and move it over the target only when the whole write succeeded: a
// failed write leaves the old file as it was.
#pragma once
#include <cstdint>

#include "browser/codecs/simple_image.h"

enum : int {
    CodecOk = 0,
    CodecCannotOpen = -1,       // the file cannot be opened (readers) or created (writers)

    TiffNotAccepted = 1,        // a layout the reader does not take, or too large
    TiffBadPixels = 2,          // the pixel data cannot be read (damaged, truncated)
    TiffNoMemory = -2,
    TiffRowNotWritten = -2,     // writer

    JpegUnsupported = -2,       // a colour space the reader does not take, or no memory
    JpegShortRead = -3,         // the data ends before the picture
    JpegDamaged = -4,           // data the decoder refuses
    JpegTooLarge = -5,          // beyond the size limit
    JpegNotReduced = -6,        // reduced read: no reduction keeps the least size asked
    JpegNoPixels = -10,         // no pixel buffer (reader); a palette image (writer)

    PngFailed = -1,             // any library error (damaged, truncated, too large)

    CodecBadRecord = -3,        // writers: a record they cannot write
};

int ReadTiffImage(const char* path, SimpleImage** record);
int ReadJpegImage(const char* path, SimpleImage** record);
// The size a reduced read must cover for a width x height picture, into
// *minWidth x *minHeight; false when the picture is not to be reduced.
typedef bool (*JpegReductionFit)(int width, int height, void* user, int* minWidth, int* minHeight);
// The picture of a colour or grey JPEG file decoded at the largest of the
// decoder's reductions (1/2, 1/4, 1/8 each way, sides rounded up) that still
// covers the size `fit` asks for the file's picture: JpegNotReduced when fit
// refuses or no reduction covers it, and JpegUnsupported for CMYK and other
// colour spaces, which only the full read takes.
int ReadJpegImageReduced(const char* path, JpegReductionFit fit, void* user, SimpleImage** record);
int ReadPngImage(const char* path, SimpleImage** record);

// compress: LZW when non-zero.
int WriteTiffImage(const char* path, const SimpleImage* record, int compress);
// quality: 0..100 as libjpeg takes it.
int WriteJpegImage(const char* path, const SimpleImage* record, int quality);
int WritePngImage(const char* path, const SimpleImage* record);
