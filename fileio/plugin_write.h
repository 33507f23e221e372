// Writing image files through the writer plug-ins: one VmsImage with a named
// writer DLL, the 256-colour preparation for writers that take only 8-bit
// images, and the description of one image entry of a layered save.
#pragma once
#include <windows.h>

#include <cstdint>

#include "fileio/plugin_api.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "image/vms_image.h"

// A step on the writer's finished temporary file before it replaces the
// target (putting EXIF data into it, say); non-zero to go on, 0 keeps the
// target as it was. It runs while the host's write state is held: it must not
// write through a plug-in itself.
typedef int (*FinishWrittenFileFn)(void* user, const char* temporaryPath);

// Writes the image with the writer DLL. The writer writes a temporary file in
// the target's folder (WriteFileInit sees the target's name), which replaces
// the target only when the writer and `finish` (when given) succeeded.
// Returns the WriteFileExec result; 0 when the DLL does not load, lacks an
// export, WriteFileInit refuses, `finish` fails or the file cannot be replaced.
int WriteImageWithPlugin(const VmsImage* image, const char* path, const char* writerDll,
                         FinishWrittenFileFn finish = nullptr, void* finishUser = nullptr);

// Pixels x0..x1 of row y of an image as three bytes a pixel (blue, green,
// red; indexed images through their palette). `scratch` holds a whole row of
// the image's own format. 1, or 0 outside the image.
int ImageRowToBgr(const VmsImage* image, int y, int x0, int x1, uint32_t* scratch, uint8_t* out);

// Pixels x0..x1 (inclusive) of row y of a picture as 32-bit words (blue,
// green, red in the low bytes); nonzero on success.
typedef int (*IndexedRowSource)(void* user, int y, int x0, int x1, uint32_t* out);

// The 8-bit version of a width x height picture read through `source`: an
// adaptive 256-colour palette from a 4,096-bin histogram, each pixel mapped
// to its nearest entry or dithered between two entries with the 8 x 8 patterns
// of DitherPatternTable. Progress goes to `progress` (WM_USER 3 with 0..100,
// then 0). Null without memory or when the source fails.
PackedDib PrepareIndexedImage(int width, int height, IndexedRowSource source, void* user, HWND progress);

// Geometry of the layer plane an image entry describes.
struct WriterPlaneRect {
    int x, y, width, height;
};
// Offsets of the described image inside its layer (one pair for the save).
struct WriterRowOffsets {
    int column, row;
};
// Fills the size of entry `number` of `info` and the left and top of
// `layers[number]` for the plane, and sets `offsets`. x0 below 0 describes the
// whole plane; otherwise the inclusive canvas rectangle x0, y0, x1, y1.
void FillWriterImageEntry(int x0, int y0, int x1, int y1, const WriterPlaneRect& plane, int number,
                          FileImageInfo* info, FileLayerInfo* layers, WriterRowOffsets* offsets);

