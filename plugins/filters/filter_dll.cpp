// One effect plug-in: FILTER_EFFECT names which effect of the shared library
// this DLL carries.
#include "plugins/filters/filter_lib.h"

#ifndef FILTER_EFFECT
#error "FILTER_EFFECT must name the effect"
#endif

static HMODULE g_self;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) int FilterGetTitle(HWND, char* title, int32_t*, int32_t* kind) {
    return fx::GetTitle(FILTER_EFFECT, title, kind);
}

extern "C" __declspec(dllexport) int FilterProc(HWND, void* dib, void*, void*, const char*, void*) {
    return fx::Proc(FILTER_EFFECT, g_self, dib);
}
