// The browser's side of the reader and writer plug-in host: every picture is
// read into, and written from, a 24-bit bitmap (browser/dib24.h). The shared
// host of fileio/ does the plug-in work (its records give a size query room
// for 128 entries and clamp the count to it; reads from the thumbnail loader
// and the user-interface thread are serialised there); this unit turns its
// results into the browser's bitmaps.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "fileio/plugin_write.h"
#include "image/packed_dib.h"

// The picture of the file as a new 24-bit bitmap, read by the reader for its
// extension; null when no reader takes it, the file is missing, too large
// (beyond kDib24MaxSide) or the read fails.
PackedDib ReadImageToDib24(const char* path);
// A quick small picture: the reader's ReadFileFastImage preview as 24 bits,
// or null when the reader has none.
PackedDib ReadFastImage24(const char* path);
// The picture of the file fitted into the box (FitSizeToBox) as a new 24-bit
// bitmap, sampled while the reader delivers the rows (ReadImageToDibSampled),
// so a picture of any size the readers take is reduced in little memory;
// null when no reader takes the file or the read fails.
PackedDib ReadImageFittedToBox24(const char* path, int boxWidth, int boxHeight);
// Width and height of the file's first image from its reader; 1 on success.
int QueryImageSize(const char* path, int* width, int* height);
// The path of the writer plug-in for the path's extension, or null.
const char* WriterForPath(const char* path);
// Writes the 24-bit bitmap to `target` with the writer DLL, through a
// temporary file that replaces the target only after a successful write (and
// a successful `finish` on it, when given; see WriteImageWithPlugin).
// The writer's result (non-zero success), 0 on any failure (target untouched).
int WriteDib24WithPlugin(const BITMAPINFOHEADER* dib, const char* target, const char* writerDll,
                         FinishWrittenFileFn finish = nullptr, void* finishUser = nullptr);
// The JPEG bytes of a 24-bit EXIF thumbnail, written through jpgsave.dll
// (ExifThumbnailJpeg). 1 on success.
int ExifThumbnailJpegOfDib24(const BITMAPINFOHEADER* thumbnail, std::vector<uint8_t>* bytes);
