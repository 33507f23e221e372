// TIFF files to and from SimpleImage records, over libtiff.
#include <cstring>

#include <tiffio.h>

#include "ui/sysutil.h"
#include "browser/codecs/image_codecs.h"
#include "plugins/tiff/tiff_open.h"

namespace {

struct Freer {
    SimpleImage* image;
    ~Freer() { FreeSimpleImage(&image); }
};

// One stored row of bitsPerSample 1, 4 or 8 as bytes: grey values scaled to
// 0..255 (scale) or indices kept.
void ExpandSamples(const uint8_t* in, uint8_t* out, int32_t width, int bits, bool scale) {
    for (int32_t x = 0; x < width; ++x) {
        int v;
        if (bits == 8) v = in[x];
        else if (bits == 4) v = (x & 1) ? in[x >> 1] & 15 : in[x >> 1] >> 4;
        else v = (in[x >> 3] >> (7 - (x & 7))) & 1;
        if (scale) v = bits == 4 ? v * 17 : bits == 1 ? v * 255 : v;
        out[x] = (uint8_t)v;
    }
}

// Copies the last sample of each pixel into the mask plane.
bool TakeMask(SimpleImage* image) {
    const int32_t step = image->bits / 8;
    image->mask = SimpleAlloc((uint64_t)image->width * image->height);
    if (!image->mask) return false;
    image->maskDepth = 8;
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* row = image->pixels + (int64_t)y * image->stride;
        uint8_t* m = image->mask + (int64_t)y * image->width;
        for (int32_t x = 0; x < image->width; ++x) m[x] = row[(int64_t)x * step + step - 1];
    }
    return true;
}

// Subsampled YCbCr through libtiff's RGBA reader: red, green, blue and the
// alpha bytes as the mask.
int ReadRgba(TIFF* tif, SimpleImage* image) {
    const uint64_t pixels = (uint64_t)image->width * image->height;
    uint32_t* rgba = (uint32_t*)SimpleAlloc(pixels * 4);
    if (!rgba) return TiffNoMemory;
    const int ok = TIFFReadRGBAImageOriented(tif, (uint32_t)image->width, (uint32_t)image->height, rgba,
                                             ORIENTATION_TOPLEFT, 0);
    if (ok) {
        for (uint64_t i = 0; i < pixels; ++i) {
            const uint32_t v = rgba[i];
            uint8_t* p = image->pixels + i * 4;
            p[0] = (uint8_t)TIFFGetR(v);
            p[1] = (uint8_t)TIFFGetG(v);
            p[2] = (uint8_t)TIFFGetB(v);
            p[3] = (uint8_t)TIFFGetA(v);
        }
    }
    GlobalFree(rgba);
    if (!ok) return TiffBadPixels;
    return TakeMask(image) ? CodecOk : TiffNoMemory;
}

}  // namespace

int ReadTiffImage(const char* path, SimpleImage** record) {
    if (!record) return TiffNotAccepted;
    *record = nullptr;
    if (!path) return CodecCannotOpen;
    HANDLE probe = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (probe == INVALID_HANDLE_VALUE) return CodecCannotOpen;
    CloseHandle(probe);
    plug::TiffCloser file{plug::OpenTiff(path, "r")};
    TIFF* tif = file.tif;
    if (!tif) return TiffNotAccepted;   // no TIFF header or first directory

    uint32_t width = 0, height = 0;
    uint16_t planar = PLANARCONFIG_CONTIG, samples = 1, bits = 1, photometric = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return TiffNotAccepted;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    if (!SimpleSizeAcceptable(width, height)) return TiffNotAccepted;

    int32_t kind = -1, flags = 0;
    bool subsampledYCbCr = false;
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if ((samples == 1 && (bits == 1 || bits == 4 || bits == 8)) || (samples == 2 && bits == 8))
            kind = SimpleKindGrey;
        if (photometric == PHOTOMETRIC_MINISWHITE) flags |= SimpleMinIsWhite;
        break;
    case PHOTOMETRIC_PALETTE:
        if (samples == 1 && (bits == 4 || bits == 8)) kind = SimpleKindPalette;
        flags |= SimpleFromPalette;
        break;
    case PHOTOMETRIC_RGB:
        if (bits == 8 && (samples == 3 || samples == 4)) kind = SimpleKindRgb;
        break;
    case PHOTOMETRIC_SEPARATED:
        if (bits == 8 && (samples == 4 || samples == 5)) kind = SimpleKindCmyk;
        flags |= SimpleFromSeparated;
        break;
    case PHOTOMETRIC_YCBCR: {
        if (bits != 8 || (samples != 3 && samples != 4)) break;
        uint16_t sx = 1, sy = 1, compression = COMPRESSION_NONE;
        TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &sx, &sy);
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
        flags |= SimpleFromYCbCr;
        subsampledYCbCr = sx != 1 || sy != 1 || compression == COMPRESSION_JPEG || samples != 3;
        kind = subsampledYCbCr ? SimpleKindRgb : SimpleKindYCbCr;
        break;
    }
    default:
        break;
    }
    if (kind < 0) return TiffNotAccepted;
    // Rows are read as scanlines: tiled files only through the RGBA reader.
    if (TIFFIsTiled(tif) && !subsampledYCbCr) return TiffNotAccepted;
    if (planar != PLANARCONFIG_CONTIG && (planar != PLANARCONFIG_SEPARATE || samples == 1)) return TiffNotAccepted;

    const int32_t stored = subsampledYCbCr ? 4 : samples;   // samples a pixel in the record
    Freer made{NewSimpleImage(kind, (int32_t)width, (int32_t)height, 8 * stored)};
    SimpleImage* image = made.image;
    if (!image) return TiffNoMemory;
    image->flags = flags;

    if (subsampledYCbCr) {
        const int result = ReadRgba(tif, image);
        if (result != CodecOk) return result;
    } else {
        const tmsize_t lineBytes = TIFFScanlineSize(tif);
        const uint64_t need = planar == PLANARCONFIG_SEPARATE ? width : ((uint64_t)width * samples * bits + 7) / 8;
        if (lineBytes <= 0 || (uint64_t)lineBytes < need) return TiffBadPixels;
        uint8_t* line = SimpleAlloc((uint64_t)lineBytes);
        if (!line) return TiffNoMemory;
        int result = CodecOk;
        for (uint32_t y = 0; y < height && result == CodecOk; ++y) {
            uint8_t* row = image->pixels + (int64_t)y * image->stride;
            if (planar == PLANARCONFIG_SEPARATE) {
                for (uint16_t s = 0; s < samples && result == CodecOk; ++s) {
                    if (TIFFReadScanline(tif, line, y, s) < 0) result = TiffBadPixels;
                    for (uint32_t x = 0; x < width; ++x) row[(uint64_t)x * samples + s] = line[x];
                }
            } else if (TIFFReadScanline(tif, line, y, 0) < 0) {
                result = TiffBadPixels;
            } else if (samples == 1) {
                ExpandSamples(line, row, (int32_t)width, bits, kind == SimpleKindGrey);
            } else {
                std::memcpy(row, line, (size_t)width * samples);
            }
        }
        GlobalFree(line);
        if (result != CodecOk) return result;
        const bool extra = (kind == SimpleKindRgb && samples == 4) || (kind == SimpleKindCmyk && samples == 5) ||
                           (kind == SimpleKindGrey && samples == 2);
        if (extra && !TakeMask(image)) return TiffNoMemory;
    }

    if (kind == SimpleKindPalette) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
            return TiffNotAccepted;
        const int count = 1 << bits;
        bool lowBytes = true;   // every value at most 255: an 8-bit map
        for (int i = 0; i < count; ++i)
            if (red[i] > 255 || green[i] > 255 || blue[i] > 255) lowBytes = false;
        image->palette = SimpleAlloc(4 * (uint64_t)count);
        if (!image->palette) return TiffNoMemory;
        image->paletteCount = count;
        for (int i = 0; i < count; ++i) {
            auto byte = [&](uint16_t v) { return (uint8_t)(lowBytes ? v : v >> 8); };
            image->palette[4 * i] = byte(blue[i]);
            image->palette[4 * i + 1] = byte(green[i]);
            image->palette[4 * i + 2] = byte(red[i]);
        }
    }
    *record = made.image;
    made.image = nullptr;
    return CodecOk;
}

namespace {

struct TiffWrite {
    const SimpleImage* image;
    int compress;
    int result;
};

int WriteTiffTo(void* user, const char* temporaryPath) {
    auto* job = (TiffWrite*)user;
    const SimpleImage* image = job->image;
    plug::TiffCloser file{plug::OpenTiff(temporaryPath, "w")};
    TIFF* tif = file.tif;
    if (!tif) {
        job->result = CodecCannotOpen;
        return 0;
    }
    const bool masked = image->maskDepth == 8;
    uint16_t colourSamples = 0, photometric = 0;
    switch (image->kind) {
    case SimpleKindRgb: colourSamples = 3; photometric = PHOTOMETRIC_RGB; break;
    case SimpleKindPalette: colourSamples = 1; photometric = PHOTOMETRIC_PALETTE; break;
    case SimpleKindCmyk: colourSamples = 4; photometric = PHOTOMETRIC_SEPARATED; break;
    case SimpleKindGrey:
        colourSamples = 1;
        photometric = (image->flags & SimpleMinIsWhite) ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
        break;
    case SimpleKindYCbCr: colourSamples = 3; photometric = PHOTOMETRIC_YCBCR; break;
    }
    const uint16_t samples = (uint16_t)(colourSamples + (masked && image->kind != SimpleKindPalette ? 1 : 0));
    const uint32_t width = (uint32_t)image->width;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)image->height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, width <= 8192 ? 8192 / width : 1u);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, job->compress ? COMPRESSION_LZW : COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (image->kind == SimpleKindCmyk) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    if (image->kind == SimpleKindYCbCr) TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    if (samples > colourSamples) {
        const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (image->kind == SimpleKindPalette) {
        uint16_t map[3][256] = {};
        for (int i = 0; i < image->paletteCount && i < 256; ++i) {
            map[0][i] = (uint16_t)(image->palette[4 * i + 2] * 257);
            map[1][i] = (uint16_t)(image->palette[4 * i + 1] * 257);
            map[2][i] = (uint16_t)(image->palette[4 * i] * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }
    // The record's rows hold exactly these samples.
    for (int32_t y = 0; y < image->height; ++y) {
        if (TIFFWriteScanline(tif, image->pixels + (int64_t)y * image->stride, (uint32_t)y, 0) < 0) {
            job->result = TiffRowNotWritten;
            return 0;
        }
    }
    if (!TIFFFlush(tif)) {   // the strips' offsets and the directory
        job->result = TiffRowNotWritten;
        return 0;
    }
    job->result = CodecOk;
    return 1;
}

}  // namespace

int WriteTiffImage(const char* path, const SimpleImage* record, int compress) {
    if (!path) return CodecCannotOpen;
    if (!record || !record->pixels || !SimpleSizeAcceptable(record->width, record->height)) return CodecBadRecord;
    const int colourSamples = record->kind == SimpleKindRgb || record->kind == SimpleKindYCbCr ? 3
                              : record->kind == SimpleKindCmyk                                  ? 4
                              : record->kind == SimpleKindPalette || record->kind == SimpleKindGrey ? 1
                                                                                                  : 0;
    if (!colourSamples) return CodecBadRecord;
    const bool masked = record->maskDepth == 8 && record->kind != SimpleKindPalette;
    // libtiff takes YCbCr pixels of exactly three samples: no room for a mask.
    if (masked && record->kind == SimpleKindYCbCr) return CodecBadRecord;
    if (record->bits != 8 * (colourSamples + (masked ? 1 : 0))) return CodecBadRecord;
    if ((int64_t)record->stride < (int64_t)record->width * record->bits / 8) return CodecBadRecord;
    if (record->kind == SimpleKindPalette && (!record->palette || record->paletteCount < 1)) return CodecBadRecord;
    TiffWrite job{.image = record, .compress = compress, .result = CodecCannotOpen};
    if (!ReplaceFileThroughTemp(path, WriteTiffTo, &job)) return job.result != CodecOk ? job.result : CodecCannotOpen;
    return CodecOk;
}
