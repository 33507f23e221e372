// The built-in effect table (twenty effect plug-ins in the program's filter
// folder), the parameter file each effect reads its strength from, and the
// runs of an effect on a preview rectangle and on the layer.
#pragma once
#include <windows.h>

#include <cstdint>

#include "canvas/canv_doc.h"

struct EffectEntry {
    char title[80];             // shown in the effect list
    char dll[80];               // file name in the filter folder
    int32_t noParameter;        // nonzero: strength is an opacity blend
};
static_assert(sizeof(EffectEntry) == 164, "164 bytes");

constexpr int kEffectCount = 20;
extern const EffectEntry EffectTable[kEffectCount + 1];   // ends with a "-" row

// The shared parameter template of the filter folder (read whole, at most 500 bytes).
extern const char kEffectTemplateName[];

// "%sfilter\%s" for the program folder.
void EffectPath(const char* programFolder, const char* file, char* out, int size);
// Writes the effect's parameter file for level 0..4 (preview: work and layer
// widths scale the fields that depend on the area); 1 when written, 0 when
// the effect has none or it could not be written.
int WriteEffectParams(const char* programFolder, int index, int level, int preview, int workWidth,
                      int layerWidth);
void DeleteEffectParams(const char* programFolder, int index);

// "DLL ERROR" when the DLL does not load or the filter fails; the layer is
// then left as it was. 1 when applied.
int ApplyEffectToLayer(HWND owner, CanvDoc* doc, int index, int level);
// The effect on a copy of the rectangle (relative to the current plane) held
// as the filter host's work image; the layer is not touched. 1 when done.
int RunEffectOnPreview(HWND owner, CanvDoc* doc, int index, int level, int x0, int y0, int x1, int y1);
