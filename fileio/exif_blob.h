// ExifBlob: the flat block in which a document keeps the EXIF data of the
// camera file it came from (also the "exif.buf" hand-over file of layered
// formats), and the rewriting of a saved JPEG or TIFF file with that data.
//
// Layout (all integers 32-bit little-endian, offsets from the block start):
// the 328-byte ExifBlobHeader, then per IFD (IFD0, Exif, Interoperability,
// GPS, maker note) its 12-byte entry records and its value area. A record is
// tag (u16), type (u16), count (u32) and 4 bytes holding the values when they
// take at most 4 bytes, else the offset of the values in the value area.
// Values are little-endian whatever the source file's byte order.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ExifBlobIfd {
    uint32_t records;   // offset of the entry records
    uint32_t values;    // offset of the value area
    uint32_t count;     // number of entries
};
static_assert(sizeof(ExifBlobIfd) == 12, "ExifBlobIfd");

enum ExifBlobIfdIndex : int { ExifBlobIfd0 = 0, ExifBlobExif, ExifBlobInterop, ExifBlobGps, ExifBlobMakerNote };

struct ExifBlobHeader {
    ExifBlobIfd ifd[5];          // IFD0, Exif, Interoperability, GPS, maker note
    int32_t thumbnailOffset;     // absolute position in the source file (<= 0: none)
    int32_t thumbnailLength;
    char path[260];              // source file
};
static_assert(sizeof(ExifBlobHeader) == 328, "ExifBlobHeader");

// 1 for the extensions of camera files whose EXIF data the model reads:
// "jpg", "jpeg", "tif", "tiff", "orf" (any case).
int IsExifFilePath(const char* path);

// A new blob (a zero-filled movable global block, freed with FreeExifBlob)
// of the file's EXIF data and its size, or null and 0 when the file has none.
HGLOBAL ReadExifBlob(const char* path, int32_t* size);
// Frees the blob and clears the handle; null is fine.
void FreeExifBlob(HGLOBAL* blob);

// Sets the Orientation of IFD0 (a turned picture is upright: 1). 1 when the
// blob has that entry, 0 when not (nothing changed).
int SetExifBlobOrientation(uint8_t* blob, size_t size, int orientation);

// Kinds of EmbedExifInFile.
enum : int { ExifEmbedJpeg = 1, ExifEmbedTiff = 2 };
// The kind for a saved file's extension: ExifEmbedJpeg for "jpg" and "jpeg",
// ExifEmbedTiff for "tif" and "tiff" (any case), 0 for files that take no EXIF data.
int ExifEmbedKindForPath(const char* path);

// Puts the blob's EXIF data into the JPEG (kind 1) or TIFF (other kinds) file
// at `path` that a writer plug-in has just written, with the thumbnail JPEG
// bytes (JPEG only) and the picture's size. The file is replaced through a
// temporary file; on any failure it stays as the writer wrote it. Returns
// the rewriter's result: 0 success, negative failure.
int EmbedExifInFile(const char* path, const uint8_t* thumbnail, int thumbnailSize, int width, int height,
                    const uint8_t* blob, size_t blobSize, int kind);
