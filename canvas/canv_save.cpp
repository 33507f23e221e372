#include "canvas/canv_save.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "canvas/canv_clip.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_strings.h"
#include "ui/dlgfield.h"
#include "fileio/exif_dialog.h"
#include "fileio/file_dialogs.h"
#include "fileio/plugin_registry.h"
#include "fileio/save_warning.h"
#include "image/dib_image.h"
#include "image/vms_store.h"
#include "resources/fileio_ids.h"

namespace {

int* g_DontWarn = nullptr;
constexpr int kBandRows = 64;

// An unnamed document has no file to save to.
bool HasFilePath(const CanvDoc* doc) { return doc->path[0] && std::strchr(doc->path, '\\'); }

bool AllOpaque(const VmsImage* image) {
    std::vector<uint8_t> row((size_t)image->width);
    for (int y = 0; y < image->height; ++y) {
        g_VmsStore.GetRow(image, y, 0, image->width - 1, row.data());
        for (uint8_t a : row)
            if (a != 255) return false;
    }
    return true;
}

// Planes a single-image file cannot keep: every plane past the colour plane,
// except a transparency plane in which every pixel is opaque (a photo's own).
int ExtraPlanes(const CanvDoc* doc) {
    int n = 0;
    for (int l = 0; l < CanvMaxLayers; ++l)
        if (LayerInUse(doc, l))
            for (int p = 1; p < CanvPlanesPerLayer; ++p) {
                const VmsImage* image = LayerBase(doc, l)[p].image;
                n += image && !(p == 1 && AllOpaque(image)) ? 1 : 0;
            }
    return n;
}

}  // namespace

void SetSaveWarningSetting(int* dontWarn) { g_DontWarn = dontWarn; }

CanvasSaveView::CanvasSaveView(CanvDoc* doc) : doc_(doc) {
    for (int l = 0; l < CanvMaxLayers; ++l)
        if (LayerInUse(doc, l)) layers_[layerCount_++] = l;
    if (doc->exifBlob && doc->exifSize > 0) exif_ = (const uint8_t*)GlobalLock(doc->exifBlob);
    const int current = LayerOf(doc->currentPlane);
    int currentIndex = 0;
    for (int i = 0; i < layerCount_; ++i)
        if (layers_[i] == current) currentIndex = i;
    // A single layer over the whole canvas, normal and without layer
    // transparency or weighing mask planes, composes to its pixels over white
    // by its transparency plane: rows are made here without the compositor.
    if (layerCount_ == 1) {
        const LayerPlane* base = LayerBase(doc, layers_[0]);
        direct_ = base->x == 0 && base->y == 0 && base->width == doc->width && base->height == doc->height &&
                  base->blendMode == BlendNormal && base->transparency == 0 && base->image &&
                  base->image->bits == 32 && (!base[1].image || base[1].image->bits == 8);
        for (int p = 2; p < CanvPlanesPerLayer && base[p].image; ++p)
            direct_ = direct_ && (base[p].planeSwitch || (!base[p].options[2] && !base[p].options[3]));
    }
    const int stroke = FindLayerByType(doc, LayerTypeStrokeTarget);
    source_ = CanvasWriteSource{
        .user = this,
        .width = doc->width,
        .height = doc->height,
        .resolution = doc->resolution,
        .currentLayer = currentIndex,
        .strokeLayerPlane = stroke >= 0 ? stroke : -1,
        .exifBlob = exif_,
        .exifSize = exif_ ? doc->exifSize : 0,
        .getLayer = GetLayer,
        .compositeRow = CompositeRow,
    };
}

CanvasSaveView::~CanvasSaveView() {
    if (band_) c_DibImageOps::Free(&band_);
    if (exif_) GlobalUnlock(doc_->exifBlob);
}

int CanvasSaveView::GetLayer(void* user, int index, CanvasWriteLayer* out) {
    CanvasSaveView* v = (CanvasSaveView*)user;
    if (index < 0 || index >= v->layerCount_) return 0;
    const LayerPlane* base = LayerBase(v->doc_, v->layers_[index]);
    *out = {};
    out->x = base->x, out->y = base->y, out->width = base->width, out->height = base->height;
    out->bits = base->depth;
    snprintf(out->name, sizeof(out->name), "%s", base->name);
    out->blendMode = base->blendMode;
    out->transparency = (base->transparency * 100 + 127) / 255;   // files keep 0..100
    out->visible = base->layerFlag;
    for (int p = 0; p < CanvPlanesPerLayer; ++p) {
        const LayerPlane& plane = base[p];
        out->plane[p] = plane.image;
        out->optionValue[p] = plane.planeSwitch;
        out->optionByte[p] = plane.options[4];
        snprintf(out->planeName[p], sizeof(out->planeName[p]), "%s", plane.name);
        std::memcpy(&out->planeValue[p], plane.options, 4);
    }
    return 1;
}

int CanvasSaveView::CompositeRow(void* user, int y, int x0, int x1, uint32_t* out) {
    CanvasSaveView* v = (CanvasSaveView*)user;
    CanvDoc* doc = v->doc_;
    if (y < 0 || y >= doc->height) return 0;
    if (v->direct_) {
        const LayerPlane* base = LayerBase(doc, v->layers_[0]);
        if (!g_VmsStore.GetRow(base->image, y, x0, x1, out)) return 0;
        const int n = x1 - x0 + 1;
        v->alpha_.resize((size_t)n);
        uint8_t* a = v->alpha_.data();
        if (!base[1].image || !g_VmsStore.GetRow(base[1].image, y, x0, x1, a)) std::memset(a, 255, (size_t)n);
        for (int i = 0; i < n; ++i)
            out[i] = a[i] == 255 ? out[i] & 0xFFFFFFu : a[i] == 0 ? 0xFFFFFFu : BlendPixel(BlendNormal, 0xFFFFFFu, out[i], a[i]);
        return 1;
    }
    if (!v->band_ || y < v->bandTop_ || y >= v->bandTop_ + v->band_->height) {
        if (v->band_) c_DibImageOps::Free(&v->band_);
        const int bottom = y + kBandRows - 1 < doc->height - 1 ? y + kBandRows - 1 : doc->height - 1;
        // The layers as they are, whichever plane the user looks at.
        v->band_ = ComposeRows(doc, 0, y, doc->width - 1, bottom, 0, 0);
        v->bandTop_ = y;
        if (!v->band_) return 0;
    }
    return c_DibImageOps::GetRow32(v->band_, y - v->bandTop_, x0, x1, out);
}

int SaveCanvasFile(HWND canvasWindow, int saveAs) {
    CanvDoc* doc = GetCanvDoc(canvasWindow);
    if (!doc) return 0;
    HWND owner = CanvFrameWindow();
    char path[MAX_PATH] = {}, title[MAX_PATH] = {};
    if (HasFilePath(doc)) snprintf(path, sizeof(path), "%s", doc->path);
    if ((saveAs || !HasFilePath(doc)) && !SaveFileDialog(owner, path, title)) return 0;
    if (FindWriterPlugin(path) < 0) {
        ShowMessageBox(owner, LoadResString(IDS_SAVE_FAILED), kAppTitle, kMsgOk);
        return 0;
    }
    // A read-only file is not replaced (nor made writable by the replacing).
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        char text[MAX_PATH + 96];
        snprintf(text, sizeof(text), kCanvReadOnlyFormat, path);
        ShowMessageBox(owner, text, kAppTitle, kMsgOk);
        return 0;
    }
    // Formats other than the native ones lose layers and planes: ask first.
    // The planes, which may mean reading a whole transparency plane, are
    // counted only when they decide the question.
    const bool mayAsk = !(g_DontWarn && *g_DontWarn) && !IsLayeredFormatPath(path);
    const int layers = mayAsk ? CountLayers(doc, 0) : 0;
    if (mayAsk && SaveLosesLayers(path, layers, layers > 1 ? 0 : ExtraPlanes(doc))) {
        int dontWarn = g_DontWarn ? *g_DontWarn : 0;
        const int answer = ShowSaveWarning(owner, &dontWarn);
        if (g_DontWarn) *g_DontWarn = dontWarn;
        if (answer != IDYES) return 0;
    }
    int saved = 0;
    {
        CanvasSaveView view(doc);
        WriteCanvasFile(view.Source(), -1, 0, 0, 0, path, 0, &saved);
    }
    if (!saved) return 0;
    snprintf(doc->path, sizeof(doc->path), "%s", path);
    const CanvasHost& host = GetCanvasHost();
    if (host.recentFilesAdd) host.recentFilesAdd(path);
    return 1;
}

namespace {
// The committed selection's box of the current layer written alone to path:
// 1 when saved.
int WriteSelectionBox(CanvDoc* doc, const char* path) {
    RECT box;
    GetCopyRect(doc, &box);
    if (box.right < box.left || box.bottom < box.top) return 0;
    int saved = 0;
    CanvasSaveView view(doc);
    WriteCanvasFile(view.Source(), box.left, box.top, box.right, box.bottom, path, 1, &saved);
    return saved;
}
}  // namespace

int ExportSelectionBox(HWND canvasWindow) {
    CanvDoc* doc = GetCanvDoc(canvasWindow);
    if (!doc) return 0;
    char path[MAX_PATH] = {}, title[MAX_PATH] = {};
    if (!SaveFileDialog(CanvFrameWindow(), path, title)) return 0;
    if (FindWriterPlugin(path) < 0) {
        ShowMessageBox(CanvFrameWindow(), LoadResString(IDS_SAVE_FAILED), kAppTitle, kMsgOk);
        return 0;
    }
    return WriteSelectionBox(doc, path);
}

int SaveToPartsBox(HWND canvasWindow) {
    CanvDoc* doc = GetCanvDoc(canvasWindow);
    if (!doc) return 0;
    HWND owner = CanvFrameWindow();
    static char name[80];
    if (!ShowNameEntryDialog(owner, name) || !name[0]) return 0;
    char path[MAX_PATH];
    if (std::snprintf(path, sizeof path, "%spartsbox\\%s.dra", CanvProgramFolder(), name) >= (int)sizeof path ||
        std::strpbrk(name, "\\/:*?\"<>|")) {
        ShowMessageBox(owner, kCanvBadPartsName, kAppTitle, kMsgOk);
        return 0;
    }
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        ShowMessageBox(owner, kCanvBadPartsName, kAppTitle, kMsgOk);
        return 0;
    }
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof folder, "%spartsbox", CanvProgramFolder());
    CreateDirectoryA(folder, nullptr);
    return WriteSelectionBox(doc, path);
}

int ShowCanvasExif(HWND canvasWindow) {
    CanvDoc* doc = GetCanvDoc(canvasWindow);
    if (!doc) return 0;
    return OpenExifInfoDialog(CanvFrameWindow(), doc->exifBlob, doc->exifSize);
}
