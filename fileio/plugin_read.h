// Reading image files through the reader plug-ins: the size query, the read
// into one VmsImage with an optional 8-bit alpha image, and the single-image
// readers.
#pragma once
#include <windows.h>

#include "fileio/plugin_api.h"
#include "image/packed_dib.h"
#include "image/vms_image.h"

// Largest side of a single image read outside a canvas.
enum : int { PluginImageMaxSide = 30000 };

// Asks the reader for the path's extension for the file's images: count,
// per image width, height, bits and number of extra planes (the arrays may be
// null, else hold FileRecordEntries values), and per image its 128-byte plane
// name block into `planeNames` (may be null; FileRecordEntries x 128 bytes).
// The count is clamped to FileRecordEntries. 1 on success, 0 when no reader
// fits, the DLL does not load, or the plug-in fails.
int GetImageFileInfo(const char* path, int* firstWidth, int* firstHeight, int* widths, int* heights,
                     int* bits, int* planeCounts, int* count, int mode, char* planeNames = nullptr);
// A row of 24-bit pixels as readers deliver them (three bytes a pixel: blue,
// green, red) into n 32-bit words, the fourth byte 0.
void ExpandBgrRow(const uint8_t* bytes, int n, uint32_t* out);
// The other way, as writers take them: n words into three bytes a pixel.
void PackBgrRow(const uint32_t* words, int n, uint8_t* out);

// The reader DLL of the last GetImageFileInfo stays loaded for the read that
// usually follows; this frees it (done by FreeFilePlugins).
void ReleaseKeptReader();

// Reads the file into `target`. Mode 0: `target` is a VmsImage of the first
// image's size (32 bits) and `alpha` an optional 8-bit image of the same size
// that transparency rows multiply into. Mode 1 (layered canvases) is served
// with the canvas documents. Returns the plug-in's ReadFileExec result
// (non-zero success), 0 when the path has no "." or no reader fits.
int LoadImageFile(void* target, const char* path, int mode, VmsImage* alpha, int* transparencySeen);

// A new 24-bit image (stored as 32) and an 8-bit alpha image (255 where the
// file has no transparency) of the file. 1 or 0 (both outputs null).
int ReadImageWithAlpha(const char* path, VmsImage** image, VmsImage** alpha);

// The same without the alpha image: a new 24-bit image of the file, or null.
VmsImage* ReadImageOnly(const char* path);

// A new 24-bit image of the file read with the named reader DLL, or null.
VmsImage* ReadImageWithPlugin(const char* path, HWND window, const char* readerDll);
// The same when the file's first image is width x height; null (and nothing
// read) for any other size, so a small file claiming a huge image costs no time.
VmsImage* ReadImageOfSizeWithPlugin(const char* path, const char* readerDll, int width, int height);
// The same with the reader chosen by the path's extension (null when none fits).
VmsImage* ReadImageByExtension(const char* path, HWND window);

// A new 32-bit PackedDib of the file read with the named reader DLL: indexed
// files through their palette; transparency planes 1 and 2 composite the
// picture over white; rows the reader never delivers are white. Null when the
// file is missing or empty, the DLL does not load, or the read fails.
PackedDib ReadImageToDibWithPlugin(const char* path, HWND window, const char* readerDll);
// The same with the reader chosen by the path's extension.
PackedDib ReadImageToDib(const char* path, HWND window);
// Largest picture ReadImageToDibSampled makes.
enum : int { PluginSampledMaxPixels = 4096 * 4096 };
// A new 32-bit PackedDib of width x height pixels picked from the file by
// nearest neighbour as its reader (chosen by the extension) delivers the
// rows: sampled row i is source row min(h - 1, i h / height), column j
// likewise with the widths. Only the small picture is held, so a file far
// larger than memory allows still gives one. Palette, transparency over white
// and undelivered rows as ReadImageToDibWithPlugin. Null when the file cannot
// be read or the size is out of range.
PackedDib ReadImageToDibSampled(const char* path, HWND window, int width, int height);
// A quick small picture: the EXIF thumbnail of a camera file, else the preview
// .bmp that the reader's optional ReadFileFastImage writes (read and deleted),
// as 32 bits; null when there is neither.
PackedDib ReadFastImage(HWND window, const char* path);
// The JPEG thumbnail of a camera file's EXIF data (jpg, jpeg, tif, tiff,
// orf), decoded with "<folder>file_r\jpgload.dll"; null when there is none
// (a thumbnail stored as strips gives null too).
PackedDib ReadExifThumbnail(HWND window, const char* path, const char* folder);
