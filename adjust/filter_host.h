// c_FilterHost: runs an effect plug-in DLL on the current plane of a canvas.
// DIB filters (kind below 10) work on a packed 24-bit copy of the working
// rectangle (the work image), which the host pastes back through the
// selection; row filters (kind 10 and above) pull and push rows through the
// host's callbacks, into the work image when one exists (a preview) or into
// the canvas. The caller loads and frees the DLL.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "adjust/filter_api.h"
#include "canvas/canv_doc.h"

class c_FilterHost {
public:
    // Program start: the external filter list's blocks (1). Exit: the list
    // and the work image freed.
    static int Init();
    static void Release();
    // Sets the working rectangle and returns what a filter of `kind` is handed
    // with its call: the pen's colour record for kinds 0 and 1, none for the
    // others. Row kinds (10 and above) get the callback tables on `doc`, with
    // the work image instead when one exists (then the rectangle becomes the
    // work image's whole extent). `flag` is what the callers pass (1); it
    // changes nothing.
    static void* Query(int kind, int flag, CanvDoc* doc);
    // The image description row filters receive, as the last Query set it.
    static const FilterImageInfo& RowImageInfo();
    // The working rectangle: the committed selection box clipped to the
    // current plane (the whole plane without a box).
    static void SetRectangle(CanvDoc* doc);
    // A fresh work image from the rectangle x0..x1, y0..y1 relative to the
    // current plane; 0 on an unsupported depth or without memory.
    static int CopySource(CanvDoc* doc, int x0, int y0, int x1, int y1);
    // Runs a loaded filter: 1, or 0 when the source could not be copied or
    // the filter lacks its exports or reports failure.
    static int Run(CanvDoc* doc, HMODULE module);
    // Writes the work image back into the rectangle through the weights.
    static int Paste(CanvDoc* doc);
    // Run, paste (DIB kinds), free the work image, repaint, mark modified.
    static int RunAndPaste(CanvDoc* doc, HMODULE module);
    // The filter's own settings dialog (its FilterOption export) with what a
    // run would hand it; the work image is freed afterwards. The filter's
    // answer, or 0 when it lacks the exports or the source cannot be copied.
    static int RunOption(CanvDoc* doc, HMODULE module);
    static void FreeWork();

    // The work image: a packed DIB (header, 24-bit rows bottom-up, padded).
    static bool HasWork() { return !work_.empty(); }
    static int WorkWidth();
    static int WorkHeight();
    // Packed pixel row y (top-down) of the work image, or null.
    static uint8_t* WorkRow(int y);
    static void* WorkDib() { return work_.empty() ? nullptr : work_.data(); }

    static int EffectLevel;     // 0..4, the option text's strength
    static RECT Rect;           // working rectangle, inclusive, canvas coordinates

private:
    static std::vector<uint8_t> work_;
};

// A fresh work image from the active canvas (x0..x1, y0..y1 relative to its
// current plane), as the effect preview takes it: 1 or 0.
int PrepareFilterSource(int x0, int y0, int x1, int y1);
// Options text of the script call for the effect level.
void FormatFilterOptions(int level, char* text, int size);
// The work image as a packed DIB (for tests and the plug-ins): allocates.
std::vector<uint8_t> MakePackedDib24(int width, int height);
