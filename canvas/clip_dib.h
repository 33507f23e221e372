// Packed DIBs that come from the clipboard: the checks a block passes before
// any pixel of it is read (against the block's real size), and the 24-bit
// work file the clipboard readers go through.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/bmp_file.h"

// Why a block was refused (ClipDibOk when it can be read).
enum ClipDibResult : int {
    ClipDibOk = 0,
    ClipDibNoBlock,          // null or smaller than a header
    ClipDibBadHeader,        // header size other than 40, 108, 124, or unreadable fields
    ClipDibBadCompression,   // anything but BI_RGB and BI_BITFIELDS (with 16 or 32 bits)
    ClipDibBadMasks,         // a colour mask that is empty, not one run of bits or too wide
    ClipDibTooLarge,         // a side above the canvas limit
};

// Checks a block of blockSize bytes and describes its pixels. Refuses
// anything whose header, colour table, masks or rows do not fit the block.
ClipDibResult CheckClipDib(const void* block, uint64_t blockSize, BmpLayout* layout);

// Dots per inch of a pixels-per-metre field; 96 when that is below 1 dpi.
int ClipDibDpi(int32_t pixelsPerMetre);

// Writes a checked block as a 24-bit bottom-up .bmp file (blue, green, red
// through the colour table or the masks). 1 on success, 0 when the file
// cannot be written.
int WriteClipBmp(const void* block, const BmpLayout& layout, const char* path);
