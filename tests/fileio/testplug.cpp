// Plug-ins for the host tests, built several times from this one source:
//   TESTPLUG_READER / TESTPLUG_WRITER  which side it is
//   TESTPLUG_LIST                      its extension list (see below)
//   TESTPLUG_NO_INFO                   leave out the information export
//   TESTPLUG_PROBE                     the probing plug-in: reads the small
//       images of Probe*Rows by the path's extension, calls the host's callbacks
//       with bad arguments, and keeps every callback result for the test
//       (TestResults); as a writer it records what the host's write callbacks
//       give and writes the rows raw.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "fileio/plugin_api.h"

#define EXPORT extern "C"

// Extension lists by TESTPLUG_LIST (a ';' cannot pass through the build's
// command lines).
#if TESTPLUG_LIST == 1
#define TESTPLUG_EXTS "jpg;jpeg"
#elif TESTPLUG_LIST == 2
#define TESTPLUG_EXTS "JPG;bmp;noext"
#elif TESTPLUG_LIST == 3
#define TESTPLUG_EXTS "jpegx;ア;表示"
#elif TESTPLUG_LIST == 4
#define TESTPLUG_EXTS "png;gif"
#elif TESTPLUG_LIST == 5
#define TESTPLUG_EXTS "PNG"
#elif TESTPLUG_LIST == 6
#define TESTPLUG_EXTS "t1;t4;t8;t24;tfail;tw;refuse"
#elif TESTPLUG_LIST == 7
#define TESTPLUG_EXTS "tif;tiff"
#else
#define TESTPLUG_EXTS ""
#endif

namespace {

int g_Results[64];
int g_ResultCount;
int g_WriteMode;   // probe writer: 0 write, 1 write part of the file and fail
uint8_t g_Seen[64];

void Record(int v) {
    if (g_ResultCount < 64) g_Results[g_ResultCount++] = v;
}

const char* Ext(const char* path) {
    const char* dot = std::strrchr(path, '.');
    return dot ? dot + 1 : path;
}

}

[[maybe_unused]] static void Copy(char* out, const char* text) { std::strcpy(out, text); }  // namespace

EXPORT int DARNA_PLUGIN_CALL TestResults(int* out, int capacity) {
    int n = g_ResultCount < capacity ? g_ResultCount : capacity;
    std::memcpy(out, g_Results, sizeof(int) * (size_t)n);
    return n;
}

EXPORT void DARNA_PLUGIN_CALL TestSetMode(int mode) {
    g_WriteMode = mode;
    g_ResultCount = 0;
}

EXPORT const uint8_t* DARNA_PLUGIN_CALL TestSeen() { return g_Seen; }

#ifdef TESTPLUG_READER
#ifndef TESTPLUG_NO_INFO
EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    Copy(info->extensions, TESTPLUG_EXTS);
    Copy(info->description, "test reader");
}
#endif

EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info, FileLayerName* names) {
    const char* e = Ext(path);
    int w = 4, h = 3, bits = 24;
    if (!lstrcmpiA(e, "t1")) w = 10, h = 2, bits = 1;
    else if (!lstrcmpiA(e, "t4")) w = 5, h = 2, bits = 4;
    else if (!lstrcmpiA(e, "t8")) w = 3, h = 2, bits = 8;
    else if (!lstrcmpiA(e, "tfail")) return 0;
    info->xResolution = info->yResolution = 300;
    info->count = 1;
    info->image[0].width = w;
    info->image[0].height = h;
    info->image[0].bits = bits;
    if (names) {
        names[0].planeFlags[0] = 1;
        names[0].planeFlags[3] = 1;
        std::memcpy(names[0].planeNames[0], "alpha", 6);
        names[0].planeValues[0] = 77;
    }
    return 1;
}

EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND, const char* path, FileImageInfo*, FileLayerName*, FileLayerInfo*,
                                          const ReadFileCallbacks* cb) {
    g_ResultCount = 0;
    const char* e = Ext(path);
    uint8_t palette[1024] = {};
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = (uint8_t)i;             // blue
        palette[4 * i + 1] = (uint8_t)(255 - i);  // green
        palette[4 * i + 2] = (uint8_t)(i * 7);    // red
    }
    if (!lstrcmpiA(e, "t1")) {
        Record(cb->setPalette(palette, 0));
        const uint8_t r0[2] = {0xA5, 0x80}, r1[2] = {0x00, 0x40};
        Record(cb->putRow(0, 0, 9, r0, 0));
        Record(cb->putRow(1, 0, 9, r1, 0));
        return 1;
    }
    if (!lstrcmpiA(e, "t4")) {
        Record(cb->setPalette(palette, 0));
        const uint8_t r0[3] = {0x12, 0x34, 0x50}, r1[3] = {0xFE, 0xDC, 0xB0};
        Record(cb->putRow(0, 0, 4, r0, 0));
        Record(cb->putRow(1, 0, 4, r1, 0));
        return 1;
    }
    if (!lstrcmpiA(e, "t8")) {
        Record(cb->setPalette(palette, 0));
        const uint8_t r0[3] = {0, 100, 255}, r1[3] = {1, 2, 3};
        Record(cb->putRow(0, 0, 2, r0, 0));
        Record(cb->putRow(1, 0, 2, r1, 0));
        return 1;
    }
    // 24 bits, 4 x 3: first every kind of bad call, then the image.
    uint8_t row[64] = {}, alpha[16] = {};
    Record(cb->putRow(0, 0, 3, row, 1));                  // no image 1
    Record(cb->putRow(-1, 0, 3, row, 0));                 // row above
    Record(cb->putRow(3, 0, 3, row, 0));                  // row below
    Record(cb->putRow(0, -1, 3, row, 0));                 // column left
    Record(cb->putRow(0, 0, 4, row, 0));                  // column right
    Record(cb->putRow(0, 2, 1, row, 0));                  // reversed
    Record(cb->putTransparencyRow(0, 0, 3, alpha, 0, 0));  // plane 0: not for a single image
    Record(cb->putTransparencyRow(0, 0, 3, alpha, 1, 1));  // no image 1
    Record(cb->putTransparencyRow(5, 0, 3, alpha, 0, 1));  // row below
    Record(cb->setPalette(palette, 2));                   // no image 2
    Record(cb->putChannelRow(0, 4, 0, 3, alpha, 0));      // no byte 4
    Record(cb->putChannelRow(0, 0, 0, 9, alpha, 0));      // column right
    Record(cb->putChannelRow(0, 0, 0, 3, alpha, 3));      // no image 3
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            row[3 * x] = (uint8_t)(10 * y + x);       // blue
            row[3 * x + 1] = (uint8_t)(100 + x);      // green
            row[3 * x + 2] = (uint8_t)(200 + y);      // red
        }
        Record(cb->putRow(y, 0, 3, row, 0));
    }
    // Two planes multiply: 255 x 128 and 128 x 128.
    std::memset(alpha, 255, 4);
    Record(cb->putTransparencyRow(1, 0, 3, alpha, 0, 1));
    std::memset(alpha, 128, 4);
    Record(cb->putTransparencyRow(1, 0, 3, alpha, 0, 2));
    Record(cb->putTransparencyRow(2, 0, 1, alpha, 0, 1));
    Record(cb->putTransparencyRow(2, 0, 1, alpha, 0, 2));
    // A channel row: red of row 2, columns 1..2.
    const uint8_t red[2] = {7, 9};
    Record(cb->putChannelRow(2, 2, 1, 2, red, 0));
    return 1;
}
#endif

#ifdef TESTPLUG_WRITER
#ifndef TESTPLUG_NO_INFO
EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    Copy(info->extensions, TESTPLUG_EXTS);
    Copy(info->description, "test writer");
    info->accepts24Bit = 1;
}
#endif

EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) {
    return lstrcmpiA(Ext(path), "refuse") != 0;
}

EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND, const char* path, FileImageInfo* info, FileLayerName*,
                                           FileLayerInfo*, const WriteFileCallbacks* cb) {
    g_ResultCount = 0;
    const int w = info->image[0].width, h = info->image[0].height;
    uint8_t row[4096];
    if (w < 1 || w > 1000) return 0;
    Record(cb->getRow(0, 0, w - 1, row, 1));          // no image 1
    Record(cb->getRow(h, 0, w - 1, row, 0));          // row below
    Record(cb->getRow(0, 0, w, row, 0));              // column right
    Record(cb->getRow(0, 1, 0, row, 0));              // reversed
    std::memset(row, 0, sizeof(row));
    Record(cb->getTransparencyRow(0, 0, w - 1, row, 0, 1));
    g_Seen[0] = row[0];
    Record(cb->getPalette(row));
    Record(cb->getRow(0, 0, w - 1, row, -1));         // composite: the image itself
    Record(info->image[0].bits);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    DWORD done;
    WriteFile(f, "PRB1", 4, &done, nullptr);
    for (int y = 0; y < h; ++y) {
        cb->getRow(y, 0, w - 1, row, 0);
        WriteFile(f, row, (DWORD)(3 * w), &done, nullptr);
        if (g_WriteMode == 1) break;
    }
    CloseHandle(f);
    return g_WriteMode == 1 ? 0 : 1;
}
#endif
