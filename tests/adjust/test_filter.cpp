// Small filter plug-ins for the filter host's tests, one DLL per variant:
//  TEST_FILTER_ROWS   kind 10: inverts every RGB row through the host's
//                     callbacks and writes 77 into filter plane 1;
//  TEST_FILTER_SCRIPT kind 5 with the script call: every pixel becomes
//                     (100 + Touch) in all three bytes; its plain FilterProc
//                     (which the host must not prefer) makes every pixel 0;
//                     it has a settings dialog (FilterOption);
//  TEST_FILTER_FAIL   refuses to load.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "adjust/filter_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
#ifdef TEST_FILTER_FAIL
    if (reason == DLL_PROCESS_ATTACH) return FALSE;
#else
    (void)reason;
#endif
    return TRUE;
}

#ifndef TEST_FILTER_ROWS
namespace {

// Every pixel of a packed 24-bit DIB set to v.
void FillDib(void* dib, int v) {
    auto* header = (BITMAPINFOHEADER*)dib;
    const int w = header->biWidth, h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    const int stride = (w * 3 + 3) & ~3;
    uint8_t* bits = (uint8_t*)dib + header->biSize;
    for (int y = 0; y < h; ++y) std::memset(bits + (size_t)y * stride, v, (size_t)w * 3);
}

}  // namespace
#endif

extern "C" __declspec(dllexport) int FilterGetTitle(HWND, char* title, int32_t*, int32_t* kind) {
#ifdef TEST_FILTER_ROWS
    std::snprintf(title, 256, "Rows test filter");
#else
    std::snprintf(title, 256, "script test filter");
#endif
#ifdef TEST_FILTER_ROWS
    *kind = FilterKindRows;
#else
    *kind = 5;
#endif
    return 1;
}

extern "C" __declspec(dllexport) int FilterProc(HWND, void* image, void* writeTable, void* readTable, const char*,
                                                void*) {
#ifdef TEST_FILTER_ROWS
    const auto* info = (const FilterImageInfo*)image;
    const auto* put = (const FilterRowCallbacks*)writeTable;
    const auto* get = (const FilterRowCallbacks*)readTable;
    std::vector<uint8_t> row((size_t)info->width * 3), plane((size_t)info->width, 77);
    for (int y = 0; y < info->height; ++y) {
        get->rgb(y, 0, info->width - 1, row.data());
        for (uint8_t& b : row) b = (uint8_t)(255 - b);
        put->rgb(y, 0, info->width - 1, row.data());
        put->plane(y, 0, info->width - 1, plane.data(), 0, 1);
    }
#else
    (void)writeTable;
    (void)readTable;
    FillDib(image, 0);
#endif
    return 1;
}

#ifdef TEST_FILTER_SCRIPT
extern "C" __declspec(dllexport) int FilterProcScript(HWND, void* dib, const char* options, int32_t* reply) {
    int touch = 0;
    if (const char* t = std::strstr(options, "Touch=")) touch = std::atoi(t + 6);
    FillDib(dib, 100 + touch);
    *reply = 0;
    return 1;
}
#endif

#ifdef TEST_FILTER_SCRIPT
// Its settings dialog: answers 1 when it got the filter folder's text and no
// record (its kind gets none), else 2.
extern "C" __declspec(dllexport) int FilterOption(HWND, const char* folder, void* query) {
    const size_t n = std::strlen(folder);
    const bool folderText = n >= 7 && std::strcmp(folder + n - 7, "filter\\") == 0;
    return folderText && !query ? 1 : 2;
}
#endif
