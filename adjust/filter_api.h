// The records and exports shared by the filter host and the effect plug-ins
// (plugins/filters). Every export is a plain C call returning int.
#pragma once
#include <windows.h>

#include <cstdint>

// Handed to row filters (kind 10 and above).
struct FilterImageInfo {
    int32_t width;
    int32_t height;
    int32_t bits;               // 24
};
static_assert(sizeof(FilterImageInfo) == 12, "three 32-bit values");

// Row calls: (row y, first column x0, last column x1, buffer) relative to
// the working rectangle; plane calls take a further ignored argument and a
// plane number. RGB rows are packed 3-byte pixels.
typedef void (*FilterRgbRowFn)(int y, int x0, int x1, uint8_t* buffer);
typedef void (*FilterPlaneRowFn)(int y, int x0, int x1, uint8_t* buffer, int unused, int plane);
typedef void (*FilterNopFn)();
struct FilterRowCallbacks {
    FilterRgbRowFn rgb;
    FilterPlaneRowFn plane;
    FilterNopFn nop;
};

// Handed to DIB filters of kinds 0 and 1.
struct FilterColourInfo {
    int32_t zero0;
    uint8_t blue, green, red, zero1;
    int32_t opacity;            // 0..255
    int32_t density;
    int32_t zero2;
};
static_assert(sizeof(FilterColourInfo) == 20, "20 bytes");

// Kind reported by FilterGetTitle.
enum : int32_t {
    FilterKindDibColour = 0,    // packed DIB with FilterColourInfo
    FilterKindRows = 10,        // rows through the callbacks
};

extern "C" {
typedef int (*FilterGetTitleFn)(HWND owner, char* title, int32_t* ignored, int32_t* kind);
// Kinds below 10: (owner, packed DIB, 0, 0, folder, query answer).
// Kinds 10 and above: (owner, FilterImageInfo*, write table, read table, folder, 0).
typedef int (*FilterProcFn)(HWND owner, void* image, void* writeTable, void* readTable, const char* folder,
                            void* query);
typedef int (*FilterProcScriptFn)(HWND owner, void* dib, const char* options, int32_t* reply);
// The filter's own settings dialog: (owner, folder, query answer).
typedef int (*FilterOptionFn)(HWND owner, const char* folder, void* query);
}
