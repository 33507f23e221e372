// The save format warning dra_save ("ファイル保存"): asked before a document is
// saved in a format that keeps neither its layers nor its extra planes.
#pragma once
#include <windows.h>

// Shows the warning over `owner`. Returns 6 (Yes: save), 7 (No, also Esc) or
// 0 (close box). The check box "以後、この警告は表示しない" sets *dontWarn to 1
// (0 when cleared); the caller keeps that flag in its settings.
int ShowSaveWarning(HWND owner, int* dontWarn);

// 1 when a save to `path` loses layers or planes of a document that has
// `layers` layers and `extraPlanes` planes besides the layers' images: any
// format but the native layered ones ("dra", "dnp", "psd").
int SaveLosesLayers(const char* path, int layers, int extraPlanes);
