// The reader and writer plug-in interface: the records, callback tables and
// exports shared by the host (fileio/plugin_*.cpp) and every plug-in DLL in
// file_r and file_w. Every field has a fixed width; only the callback tables
// carry pointers and are pointer-sized. Exports are undecorated (.def files)
// and use the C calling convention.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#define DARNA_PLUGIN_CALL __cdecl

// ---------------------------------------------------------------------------
// Information blocks.

// Filled by ReadFileInfo.
struct ReaderInfo {
    char extensions[256];    // "jpg;jpeg": no dots, ';' between, NUL-terminated
    char description[256];   // text of the open dialog's filter entry
    uint8_t reserved[128];
};
static_assert(sizeof(ReaderInfo) == 640, "ReaderInfo");

// Filled by WriteFileInfo; the host zero-fills it first.
struct WriterInfo {
    char extensions[256];
    char description[256];
    uint8_t reserved1[8];
    int32_t accepts8Bit;     // takes 8-bit indexed images
    int32_t accepts24Bit;    // takes 24-bit images
    uint8_t reserved2[128];
};
static_assert(sizeof(WriterInfo) == 656, "WriterInfo");
static_assert(offsetof(WriterInfo, accepts8Bit) == 520, "WriterInfo flags");
static_assert(offsetof(WriterInfo, accepts24Bit) == 524, "WriterInfo flags");

// ---------------------------------------------------------------------------
// Records of one read or write. Each is an array of entries; the host tells
// the plug-in how many are described in FileImageInfo::count.

// Entries the host gives room for: FileRecordEntries, or FileRecordEntriesLarge
// for "psd" and "ico". A canvas has at most 128 layers, so every layered file
// fits the normal size.
enum : int32_t {
    FileRecordEntries = 128,
    FileRecordEntriesLarge = 3000,
};

struct FileImageEntry {
    int32_t width;
    int32_t height;
    int32_t bits;               // 1, 4, 8, 24 or 32
    int32_t reserved1[9];
    int32_t strokeLayerPlane;   // entry 0 only: plane index (layer * 8) of the layer
                                // whose type is 1, or -1
    int32_t reserved2[22];
};
static_assert(sizeof(FileImageEntry) == 140, "FileImageEntry");

struct FileImageInfo {
    int32_t xResolution;    // dots per inch
    int32_t yResolution;
    int32_t currentLayer;   // layered writes; 0 otherwise
    int32_t count;          // images described
    FileImageEntry image[1];   // `count` entries follow the head
};
static_assert(offsetof(FileImageInfo, image) == 16, "FileImageInfo head");
static_assert(offsetof(FileImageInfo, image[0].strokeLayerPlane) == 64, "FileImageInfo field 64");

inline size_t FileImageInfoBytes(int entries) { return 16 + 140 * (size_t)entries; }

struct FileLayerName {
    int32_t planeFlags[10];     // flag k: plane k + 1 of the layer exists (k = 0..6)
    char planeNames[7][10];     // name of plane k + 1, not always NUL-terminated
    char reserved1[10];
    int32_t planeValues[7];     // display value of plane k + 1
    char reserved2[20];
};
static_assert(sizeof(FileLayerName) == 168, "FileLayerName");
static_assert(offsetof(FileLayerName, planeNames) == 40, "FileLayerName names");
static_assert(offsetof(FileLayerName, planeValues) == 120, "FileLayerName values");
enum : int32_t { FileLayerNameBlockOffset = 40, FileLayerNameBlockSize = 128 };

struct FileLayerInfo {
    char name[256];
    int32_t left;           // position of the layer on the canvas
    int32_t top;
    int32_t layerNumber;
    int32_t one;            // 1 on save
    int32_t blendMode;      // LayerBlendMode; 1 by default
    int32_t transparency;   // 0..100
    int32_t visible;
    int8_t optionValue[8];  // per plane 0..7
    uint8_t optionByte[8];  // per plane 0..7
    uint8_t reserved[104];
};
static_assert(sizeof(FileLayerInfo) == 404, "FileLayerInfo");
static_assert(offsetof(FileLayerInfo, left) == 256, "FileLayerInfo left");
static_assert(offsetof(FileLayerInfo, blendMode) == 272, "FileLayerInfo blend");
static_assert(offsetof(FileLayerInfo, optionValue) == 284, "FileLayerInfo options");
static_assert(offsetof(FileLayerInfo, optionByte) == 292, "FileLayerInfo option bytes");

// ---------------------------------------------------------------------------
// Callbacks. Rows cover pixels x0..x1 inclusive of row y, row 0 at the top.
//
// Reading, row formats of put row: 1 bit a pixel, most significant bit first;
// 4 bits, high nibble first; 8 bits, one palette index a byte; 24 and 32 bits,
// three bytes a pixel, blue, green, red. Palettes are 4 bytes an entry (blue,
// green, red, 0): 8, 64 or 1,024 bytes for 1, 4 or 8 bits.
//
// Transparency planes of a plug-in: plane 0 is the layer's plane 2, plane 1
// its plane 1 (the transparency), plane p >= 2 its plane p + 1.
//
// Each reading callback returns 0 when it took the data and -1 when it refuses.

typedef int(DARNA_PLUGIN_CALL* ReadPutRowFn)(int y, int x0, int x1, const uint8_t* bytes, int image);
typedef int(DARNA_PLUGIN_CALL* ReadPutTransparencyRowFn)(int y, int x0, int x1, const uint8_t* bytes,
                                                         int image, int plane);
typedef int(DARNA_PLUGIN_CALL* ReadSetPaletteFn)(const uint8_t* bytes, int image);
typedef int(DARNA_PLUGIN_CALL* ReadPutChannelRowFn)(int y, int byteIndex, int x0, int x1,
                                                    const uint8_t* bytes, int image);

struct ReadFileCallbacks {
    ReadPutRowFn putRow;
    ReadPutTransparencyRowFn putTransparencyRow;
    ReadSetPaletteFn setPalette;           // returns the image's bits
    ReadPutChannelRowFn putChannelRow;     // byte index 0 blue, 1 green, 2 red, 3 fourth
};
static_assert(sizeof(ReadFileCallbacks) == 4 * sizeof(void*), "ReadFileCallbacks");

// Writing. Get row gives three bytes a pixel (blue, green, red) unless the
// host prepared an 8-bit image for a writer that takes only 8-bit images (then
// one palette index a byte). An image index below 0 asks for the composite.
// Results: 1 success; 0 no data (a missing transparency plane fills the
// buffer with 255); -1 a request outside the described images.
typedef int(DARNA_PLUGIN_CALL* WriteGetRowFn)(int y, int x0, int x1, uint8_t* buffer, int image);
typedef int(DARNA_PLUGIN_CALL* WriteGetTransparencyRowFn)(int y, int x0, int x1, uint8_t* buffer,
                                                          int image, int plane);
typedef int(DARNA_PLUGIN_CALL* WriteGetPaletteFn)(uint8_t* buffer1024);

struct WriteFileCallbacks {
    WriteGetRowFn getRow;
    WriteGetTransparencyRowFn getTransparencyRow;
    WriteGetPaletteFn getPalette;
};
static_assert(sizeof(WriteFileCallbacks) == 3 * sizeof(void*), "WriteFileCallbacks");

// ---------------------------------------------------------------------------
// Exports, looked up by these names. Every call gets a window first: the
// status bar, to which a plug-in may send WM_USER with wParam 3 and a
// percentage (0 when done).

typedef void(DARNA_PLUGIN_CALL* ReadFileInfoFn)(HWND window, ReaderInfo* info);
// mode 1: reading into a layered canvas; 0: a single image. Optional.
typedef int(DARNA_PLUGIN_CALL* ReadFileInitFn)(HWND window, const char* path, int mode);
typedef int(DARNA_PLUGIN_CALL* ReadFileGetSizeFn)(HWND window, const char* path, FileImageInfo* info,
                                                  FileLayerName* names);
typedef int(DARNA_PLUGIN_CALL* ReadFileExecFn)(HWND window, const char* path, FileImageInfo* info,
                                               FileLayerName* names, FileLayerInfo* layers,
                                               const ReadFileCallbacks* callbacks);
// Writes a preview .bmp and leaves its path in `bmpPath` (256 bytes). Optional.
typedef int(DARNA_PLUGIN_CALL* ReadFileFastImageFn)(HWND window, const char* path, FileImageInfo* info,
                                                    FileLayerName* names, char* bmpPath);

typedef void(DARNA_PLUGIN_CALL* WriteFileInfoFn)(HWND window, WriterInfo* info);
// mode 1: canvas save; 0: single image. 0 refuses the save.
typedef int(DARNA_PLUGIN_CALL* WriteFileInitFn)(HWND window, const char* path, int mode);
typedef int(DARNA_PLUGIN_CALL* WriteFileExecFn)(HWND window, const char* path, FileImageInfo* info,
                                                FileLayerName* names, FileLayerInfo* layers,
                                                const WriteFileCallbacks* callbacks);

#define DARNA_EXPORT_READ_FILE_INFO "ReadFileInfo"
#define DARNA_EXPORT_READ_FILE_INIT "ReadFileInit"
#define DARNA_EXPORT_READ_FILE_GET_SIZE "ReadFileGetSize"
#define DARNA_EXPORT_READ_FILE_EXEC "ReadFileExec"
#define DARNA_EXPORT_READ_FILE_FAST_IMAGE "ReadFileFastImage"
#define DARNA_EXPORT_WRITE_FILE_INFO "WriteFileInfo"
#define DARNA_EXPORT_WRITE_FILE_INIT "WriteFileInit"
#define DARNA_EXPORT_WRITE_FILE_EXEC "WriteFileExec"

// Hand-over files beside the plug-ins: a layered reader leaves the document's
// packed EXIF data in file_r\exif.buf; before a layered writer runs, the host
// leaves it in file_w\exif.buf and the 256 x 256 preview in file_w\tmb.jpg.
#define DARNA_EXIF_HANDOVER_NAME "exif.buf"
#define DARNA_PREVIEW_HANDOVER_NAME "tmb.jpg"
