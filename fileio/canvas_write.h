// The canvas road of saving: a document, or a rectangle of it, written through
// the writer plug-in its extension chooses (every layer and plane for the
// layered formats, the displayed composite for the others), the 256 x 256
// preview of layered files and, after a JPEG or TIFF save, the document's
// EXIF data with a fresh 160 x 120 thumbnail.
//
// The file host stands below the canvas documents: the canvas hands its
// layers, planes and composite over in a CanvasWriteSource record.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "image/vms_image.h"

enum : int { CanvasWriteLayers = 128, CanvasWritePlanes = 8 };

// One layer as the writer sees it.
struct CanvasWriteLayer {
    int32_t x, y, width, height;              // plane 0 on the canvas
    int32_t bits;                             // depth of plane 0
    const VmsImage* plane[CanvasWritePlanes]; // images of planes 0..7, null when absent
    char name[256];
    int32_t blendMode, transparency, visible;
    int32_t optionValue[CanvasWritePlanes];   // only the low byte is written
    uint8_t optionByte[CanvasWritePlanes];
    char planeName[CanvasWritePlanes][32];    // names of planes (the first 10 characters are written)
    int32_t planeValue[CanvasWritePlanes];    // display values
};

struct CanvasWriteSource {
    void* user;
    int32_t width, height;       // canvas size
    int32_t resolution;          // dots per inch
    int32_t currentLayer;        // the current plane index / 8
    int32_t strokeLayerPlane;    // plane index of the layer whose type is 1, or -1
    const uint8_t* exifBlob;     // the document's ExifBlob, may be null
    int32_t exifSize;
    // Fills `out` for a layer in use (1) or returns 0 past the last layer.
    int (*getLayer)(void* user, int layer, CanvasWriteLayer* out);
    // Pixels x0..x1 of canvas row y of the displayed composite, as 32-bit
    // words (blue, green, red in the low bytes); nonzero on success.
    int (*compositeRow)(void* user, int y, int x0, int x1, uint32_t* out);
};

// 1 for the native layered formats ("dra", "dnp", "psd"), which keep every
// layer and plane.
int IsLayeredFormatPath(const char* path);

// Saves through the writer for the path's extension. x0 below 0: the whole of
// each layer; else the inclusive canvas rectangle. Mode 0 writes every layer,
// mode 1 one image (the base layer, or the rectangle of the current layer).
// The file is written to a temporary name and replaces the old one only when
// the writer succeeded: a failure leaves the old file, shows "保存に失敗しました。"
// and returns 0. No writer for the extension: 0 without a message.
int WriteCanvasFile(const CanvasWriteSource& canvas, int x0, int y0, int x1, int y1, const char* path,
                    int mode, int* saved);

// The 256 x 256 (at most) nearest-sample preview of a layered file, written
// with thumbex.dll to `path`. 1 on success.
int WriteLayeredThumbnail(const CanvasWriteSource& canvas, const char* path);

// The composite fitted into 160 x 120, written as JPEG with jpgsave.dll, and
// the canvas's EXIF data embedded with it into the saved JPEG (kind 1) or
// TIFF (kind 2) at `path`. 0 on success; on failure the file stays as written.
int WriteExifThumbnail(const char* path, const CanvasWriteSource& canvas, int kind);

// The same for one picture: `picture` is the saved image (its size is written
// into the EXIF data).
int EmbedExifWithThumbnail(const char* path, const VmsImage* picture, const uint8_t* blob, size_t blobSize,
                           int kind);
// The JPEG bytes of an EXIF thumbnail: `thumbnail` written with jpgsave.dll
// through "temp.tmp" of the program folder (deleted again). 1 on success.
int ExifThumbnailJpeg(const VmsImage* thumbnail, std::vector<uint8_t>* bytes);
