// The thumbnail cache: small bitmaps standing for image files, kept as .bmp
// files in one folder per numbered set beside the program ("cache%02d"), so a
// list of thumbnails can be shown again without reading every image anew.
// The editor's parts box uses set 88, the browser's list set 10 and its search
// results set 11. One source serves both programs; the browser's variant (a
// plain set folder, image names cut to 150 bytes, 24-bit entries returned as
// stored) is chosen once at start-up with InitThumbCache.
//
// An entry is named by the image's own name, a tag of its folder (so that
// same-named files of different folders never share an entry) and the stamp of
// its last-write time. Every entry is checked before use: a damaged entry, or
// one of the wrong depth or size, is deleted and counts as a miss.
#pragma once
#include <windows.h>

#include <cstddef>

#include "image/packed_dib.h"

enum class ThumbCacheVariant {
    Editor,    // shared-access set folders; loaded entries become 32 bits
    Browser,   // plain set folders; 24-bit entries, returned as stored
};

// Where the set folders live (the program folder, with its trailing backslash)
// and which program's variant runs. Call before any other function.
void InitThumbCache(const char* programFolder, ThumbCacheVariant variant);

// Entries are at most this many pixels wide and high.
constexpr int kThumbCacheMaxSide = 1024;

// The entry's file name for the image path, into out (outSize bytes). 0 when
// the name does not fit or the image has no name part: the image then has no
// entry (every lookup misses, stores do nothing).
int ThumbCacheEntryName(const char* imagePath, int set, char* out, size_t outSize);

// Makes the set's folder (when missing) and empties it. Returns 1.
int CreateThumbCacheDir(int set);
// Deletes up to 1000 entries of the set; what is left over stays.
void ClearThumbCache(int set);
// Writes the bitmap as the image's entry (through a temporary file). The
// caller keeps the bitmap. Returns 1 also when the entry could not be written.
int StoreThumbCache(const char* imagePath, const BITMAPINFOHEADER* dib, int set);
// The image's entry as a new PackedDib owned by the caller, or null on a miss.
PackedDib LoadThumbCache(const char* imagePath, int set);
// 1 when the image has an entry file (not checked).
int HasThumbCache(const char* imagePath, int set);
// Deletes the image's entry; returns 1.
int DeleteThumbCacheFile(const char* imagePath, int set);
