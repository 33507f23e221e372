// Saving a document (File > Save and Save As, and the Yes of the close
// question): the save dialog for Save As and unnamed documents, the save
// format warning, and the document handed to the file host's save road
// (fileio/canvas_write.h) through a CanvasWriteSource. Also the document's
// EXIF dialog (command 11022).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "canvas/canv_doc.h"
#include "fileio/canvas_write.h"

// Saves the document of the window, asking for a path first for Save As
// (saveAs 1) and for unnamed documents. 1 when saved: the document then has
// the new path. 0 when cancelled or failed (the failure was shown; the old
// file is as it was).
int SaveCanvasFile(HWND canvasWindow, int saveAs);

// The setting that remembers "以後、この警告は表示しない" of the save format
// warning (the frame hands down its EnvBlock field); without it the warning
// is asked every time.
void SetSaveWarningSetting(int* dontWarn);

// The file host's view of a document: its layers in use, their planes and
// rows of its composite (composed a band at a time). Lives while the save runs.
class CanvasSaveView {
public:
    explicit CanvasSaveView(CanvDoc* doc);
    ~CanvasSaveView();
    CanvasSaveView(const CanvasSaveView&) = delete;
    CanvasSaveView& operator=(const CanvasSaveView&) = delete;
    const CanvasWriteSource& Source() const { return source_; }
private:
    static int GetLayer(void* user, int layer, CanvasWriteLayer* out);
    static int CompositeRow(void* user, int y, int x0, int x1, uint32_t* out);
    CanvDoc* doc_;
    CanvasWriteSource source_;
    int layers_[CanvMaxLayers];
    int layerCount_ = 0;
    bool direct_ = false;   // one opaque layer over the whole canvas: its own rows
    struct DibImage* band_ = nullptr;
    int bandTop_ = 0;
    const uint8_t* exif_ = nullptr;
    std::vector<uint8_t> alpha_;   // a transparency row of the direct path
};

// Command 14007: the selection's box (the whole canvas without a selection)
// of the current layer written as one picture to a path asked for with the
// save dialog. 1 when written; 0 when cancelled or failed (the failure was
// shown). The document keeps its own path.
int ExportSelectionBox(HWND canvasWindow);

// Command 14011: the selection's box of the current layer, as with 14007, into
// the parts box as "<name>.dra" under a name asked for; an existing or unusable
// name is refused with a message. 1 when written.
int SaveToPartsBox(HWND canvasWindow);
// Command 11022: the EXIF dialog of the window's document.
int ShowCanvasExif(HWND canvasWindow);
