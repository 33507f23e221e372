// VmsImage: the header of every picture the editor holds (planes, masks, work
// copies, previews). Pixels are reached only through c_VmsStore (vms_store.h).
#pragma once
#include <windows.h>

#include <cstdint>

class c_TileImage;

// kind
enum : int32_t {
    VmsKindTiled = 0,   // 8 or 32 bits a pixel, pixels in a c_TileImage
    VmsKindFlat = 1,    // 1 or 4 bits a pixel, pixels in one block
};

// One movable global block (GMEM_MOVEABLE | GMEM_ZEROINIT), locked for the
// image's life. Made by c_VmsStore::Create, released by c_VmsStore::Free.
struct VmsImage {
    int32_t kind;            // VmsKindTiled or VmsKindFlat
    int32_t width;           // pixels a row, >= 1
    int32_t height;          // rows, >= 1
    int32_t stride;          // ((width * bits + 31) / 32) * 4
    int32_t bits;            // 1, 4, 8 or 32 (24 is stored as 32)
    int32_t bytesPerPixel;   // bits / 8: 4, 1, or 0 at 1 and 4 bits
    int32_t xResolution;     // dots per inch, 0 when unknown
    int32_t yResolution;
    RGBQUAD palette[256];    // grey ramp at 1, 4, 8 bits; unused at 32 bits
    int32_t dataSize;        // stride * height
    int32_t id;              // serial number from the store
    uint8_t* flat;           // pixel block of a flat image (rows top-down), else null
    c_TileImage* tiles;      // tiled image of an 8/32-bit image, else null
};
