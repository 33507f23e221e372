#include "canvas/canv_clip.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/clip_dib.h"
#include "canvas/clip_strings.h"
#include "fileio/parts_box.h"
#include "fileio/plugin_read.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "resources/resource.h"

namespace {

PasteFileChooser g_chooser = nullptr;

HWND FrameWindow() {
    const CanvasHost& host = GetCanvasHost();
    return host.frame ? *host.frame : nullptr;
}

void Tell(const char* text) { ShowMessageBox(FrameWindow(), text, kAppTitle, kMsgOk); }

std::string WorkFile() {
    const char* folder = GetCanvasHost().programFolder;
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%sclip.tmp", folder ? folder : "");
    return path;
}

// The clipboard, opened with the frame as owner for one operation.
class OpenClip {
public:
    OpenClip() : open_(OpenClipboard(FrameWindow()) != 0) {}
    ~OpenClip() {
        if (open_) CloseClipboard();
    }
    OpenClip(const OpenClip&) = delete;
    OpenClip& operator=(const OpenClip&) = delete;
    bool ok() const { return open_; }
private:
    bool open_;
};

// A block of the clipboard locked for reading, with its real size.
class ClipBlock {
public:
    explicit ClipBlock(UINT format) {
        handle_ = GetClipboardData(format);
        if (handle_) data_ = GlobalLock(handle_);
        if (data_) size_ = GlobalSize(handle_);
    }
    ~ClipBlock() {
        if (data_) GlobalUnlock(handle_);
    }
    ClipBlock(const ClipBlock&) = delete;
    ClipBlock& operator=(const ClipBlock&) = delete;
    const void* data() const { return data_; }
    uint64_t size() const { return size_; }
private:
    HANDLE handle_ = nullptr;
    void* data_ = nullptr;
    uint64_t size_ = 0;
};

// Hands a locked PackedDib to the open clipboard; frees it when refused.
bool PutPacked(UINT format, PackedDib dib) {
    HGLOBAL handle = GlobalHandle(dib);
    GlobalUnlock(handle);
    if (SetClipboardData(format, handle)) return true;
    GlobalFree(handle);
    return false;
}

// Puts the prepared blocks (null ones passed over) on the emptied clipboard;
// when the clipboard cannot be opened every block is freed and the user told.
void PutClipBlocks(std::initializer_list<std::pair<UINT, PackedDib>> blocks) {
    OpenClip clip;
    if (!clip.ok()) {
        for (const auto& b : blocks) FreePackedDib(b.second);
        Tell(kClipCannotOpen);
        return;
    }
    EmptyClipboard();
    for (const auto& b : blocks)
        if (b.second) PutPacked(b.first, b.second);
}

// An 8-bit companion of the copy rectangle, row i = canvas row y0 + i.
template <typename Fill>
PackedDib MakeGreyDib(int w, int h, Fill fill) {
    PackedDib dib = CreatePackedDib(w, h, 8);
    if (!dib) return nullptr;
    std::vector<uint8_t> row((size_t)w);
    for (int i = 0; i < h; ++i) {
        std::memset(row.data(), 0, row.size());
        fill(i, row.data());
        PutPackedDibRow8(dib, i, 0, w - 1, row.data());
    }
    return dib;
}

PackedDib MakeSelAreaDib(CanvDoc* doc, int x0, int y0, int w, int h) {
    return MakeGreyDib(w, h, [&](int i, uint8_t* row) {
        if (doc->selectionMask) g_VmsStore.GetRow(doc->selectionMask, y0 + i, x0, x0 + w - 1, row);
    });
}

// Copies of one plane of the current layer (8-bit grey) with the area.
void CopyGreyPlane(CanvDoc* doc, int x0, int y0, int x1, int y1, int plane) {
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    if (w < 1 || h < 1) return;
    PackedDib image = MakeGreyDib(w, h, [&](int i, uint8_t* row) {
        GetLayerPlaneRow(doc, y0 + i, x0, x1, row, plane);
    });
    PackedDib area = MakeSelAreaDib(doc, x0, y0, w, h);
    PutClipBlocks({{CF_DIB, image}, {ClipFormatSelAreaId(), area}});
}

// Reads a checked clipboard block through the work file into `into` (8-bit,
// grey values) or into a new image (null `into`).
VmsImage* ReadThroughWorkFile(const void* block, const BmpLayout& layout, VmsImage* into) {
    const std::string path = WorkFile();
    VmsImage* image = nullptr;
    if (WriteClipBmp(block, layout, path.c_str())) {
        if (!into) image = c_Dib::LoadBmp(path.c_str());
        else if (c_Dib::LoadBmpGreyInto(into, path.c_str(), 0)) image = into;
    }
    DeleteFileA(path.c_str());
    return image;
}

VmsImage* LoadCompanion(UINT format, int width, int height) {
    if (!format) return nullptr;
    OpenClip clip;
    if (!clip.ok()) return nullptr;
    ClipBlock block(format);
    BmpLayout l;
    if (CheckClipDib(block.data(), block.size(), &l) != ClipDibOk) return nullptr;
    // A companion of another size belongs to another image.
    if (l.width != width || l.height != height) return nullptr;
    VmsImage* image = g_VmsStore.Create(width, height, 8, 0, 1);
    if (!image) return nullptr;
    if (!ReadThroughWorkFile(block.data(), l, image)) g_VmsStore.Free(&image);
    return image;
}

void CopyImageRows(VmsImage* to, const VmsImage* from, size_t unit) {
    const int w = to->width < from->width ? to->width : from->width;
    const int h = to->height < from->height ? to->height : from->height;
    std::vector<uint8_t> row((size_t)w * unit);
    for (int y = 0; y < h; ++y) {
        g_VmsStore.GetRow(from, y, 0, w - 1, row.data());
        g_VmsStore.PutRow(to, y, 0, w - 1, row.data());
    }
}

// The transparency of a paste limited to the copied selection: outside it
// (area 255) nothing shows.
void LimitToArea(VmsImage* transparency, const VmsImage* area) {
    const int w = transparency->width, h = transparency->height;
    std::vector<uint8_t> t((size_t)w), a((size_t)w);
    for (int y = 0; y < h; ++y) {
        g_VmsStore.GetRow(transparency, y, 0, w - 1, t.data());
        g_VmsStore.GetRow(area, y, 0, w - 1, a.data());
        for (int x = 0; x < w; ++x) t[x] = ProductTable[t[x]][255 - a[x]];
        g_VmsStore.PutRow(transparency, y, 0, w - 1, t.data());
    }
}

void RepaintNow(CanvDoc* doc) {
    if (doc->display) {
        InvalidateRect(doc->display, nullptr, FALSE);
        RedrawNow(doc->display);
    }
}

// Image and alpha fitted into the canvas without enlarging; the originals
// stay. False when a copy could not be made.
bool FitIntoCanvas(const CanvDoc* doc, VmsImage** image, VmsImage** alpha) {
    int w, h;
    c_Dib::FitSize((*image)->width, (*image)->height, doc->width, doc->height, &w, &h, 0);
    if (w == (*image)->width && h == (*image)->height) return true;
    VmsImage* fitted = c_Dib::Resize(*image, w, h, 0, 1, 0);
    VmsImage* fittedAlpha = *alpha ? c_Dib::Resize(*alpha, w, h, 0, 1, 0) : nullptr;
    if (!fitted || (*alpha && !fittedAlpha)) {
        g_VmsStore.Free(&fitted);
        g_VmsStore.Free(&fittedAlpha);
        return false;
    }
    *image = fitted;
    *alpha = fittedAlpha;
    return true;
}

}  // namespace

UINT ClipFormatTranspId() {
    static UINT id = RegisterClipboardFormatA("Darna_Transp");
    return id;
}
UINT ClipFormatSelAreaId() {
    static UINT id = RegisterClipboardFormatA("Darna_SelArea");
    return id;
}
UINT ClipFormatMaskId() {
    static UINT id = RegisterClipboardFormatA("Darna_Mask");
    return id;
}

void GetCopyRect(const CanvDoc* doc, RECT* r) {
    const SelShape& s = doc->selShapes[0];
    *r = RECT{0, 0, doc->width - 1, doc->height - 1};
    if (s.kind == 0 || s.kind == CMD_TOOL_SELLINE || s.kind == CMD_TOOL_POLYLINE) return;
    RECT box{s.x0 < s.x1 ? s.x0 : s.x1, s.y0 < s.y1 ? s.y0 : s.y1, s.x0 < s.x1 ? s.x1 : s.x0,
             s.y0 < s.y1 ? s.y1 : s.y0};
    if (box.left > r->left) r->left = box.left;
    if (box.top > r->top) r->top = box.top;
    if (box.right < r->right) r->right = box.right;
    if (box.bottom < r->bottom) r->bottom = box.bottom;
}

void CopyToClipboard(CanvDoc* doc) {
    if (!doc) return;
    RECT r;
    GetCopyRect(doc, &r);
    const int plane = doc->currentPlane % CanvPlanesPerLayer;
    if (plane == 0) CopySelToClipboard(doc, r.left, r.top, r.right, r.bottom);
    else if (plane == 1) CopyTranspToClipboard(doc, r.left, r.top, r.right, r.bottom);
    else CopyPlaneToClipboard(doc, r.left, r.top, r.right, r.bottom, plane);
}

void CopySelToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1) {
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    if (w < 1 || h < 1) return;
    if (!IsWindowsNT() && 4 * (int64_t)w * h + 552 > 16384000) {
        Tell(kClipNoMemory);
        return;
    }
    PackedDib colour = CreatePackedDib(w, h, 32);
    if (!colour) {
        Tell(kClipNoMemory);
        return;
    }
    SetPackedDibDpi(colour, doc->resolution);
    std::vector<uint32_t> words((size_t)w);
    for (int i = 0; i < h; ++i) {
        std::memset(words.data(), 0, words.size() * 4);
        GetPlaneRow(doc, y0 + i, x0, x1, words.data());
        PutPackedDibRow32(colour, i, 0, w - 1, words.data());
    }
    const int layerPlane = doc->currentPlane - doc->currentPlane % CanvPlanesPerLayer;
    PackedDib transp = MakeGreyDib(w, h, [&](int i, uint8_t* row) {
        GetLayerAlphaRow(doc, y0 + i, x0, x1, row, layerPlane);
    });
    PackedDib area = MakeSelAreaDib(doc, x0, y0, w, h);
    PutClipBlocks({{CF_DIB, colour}, {ClipFormatTranspId(), transp}, {ClipFormatSelAreaId(), area}});
}

void CopyPlaneToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1, int plane) {
    CopyGreyPlane(doc, x0, y0, x1, y1, plane);
}

void CopyTranspToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1) { CopyGreyPlane(doc, x0, y0, x1, y1, 1); }

int GetClipboardDibInfo(int* width, int* height, int* bits) {
    if (!IsClipboardFormatAvailable(CF_DIB)) return 0;
    OpenClip clip;
    if (!clip.ok()) return 0;
    ClipBlock block(CF_DIB);
    BmpLayout l;
    if (CheckClipDib(block.data(), block.size(), &l) != ClipDibOk) return 0;
    if (width) *width = l.width;
    if (height) *height = l.height;
    if (bits) *bits = l.bits;
    return 1;
}

VmsImage* PasteClipImage() {
    if (!IsClipboardFormatAvailable(CF_DIB)) return nullptr;
    VmsImage* image = nullptr;
    const char* problem = nullptr;   // said once the clipboard is closed again
    {
        OpenClip clip;
        if (!clip.ok()) {
            problem = kClipCannotOpen;
        } else {
            ClipBlock block(CF_DIB);
            BmpLayout l;
            if (!block.data() || CheckClipDib(block.data(), block.size(), &l) != ClipDibOk) {
                problem = kClipUnreadable;
            } else {
                image = ReadThroughWorkFile(block.data(), l, nullptr);
                if (image && !c_Dib::ConvertTo24Bit(&image)) g_VmsStore.Free(&image);
                if (image) {
                    image->xResolution = ClipDibDpi(l.xPelsPerMeter);
                    image->yResolution = ClipDibDpi(l.yPelsPerMeter);
                } else {
                    problem = kClipError;   // the work file could not be written or read back
                }
            }
        }
    }
    if (problem) Tell(problem);
    return image;
}

VmsImage* LoadClipTransp(int width, int height) { return LoadCompanion(ClipFormatTranspId(), width, height); }
VmsImage* LoadClipSelArea(int width, int height) { return LoadCompanion(ClipFormatSelAreaId(), width, height); }
VmsImage* LoadClipMask(int width, int height) { return LoadCompanion(ClipFormatMaskId(), width, height); }

int PasteAsLayer(CanvDoc* doc, VmsImage* image, VmsImage* transparency, const VmsImage* area, int x, int y) {
    if (!doc || !image) return 0;
    if (x < 0) {
        x = ScreenToImageX(doc, doc->scrollX);
        y = ScreenToImageY(doc, doc->scrollY);
    }
    const int index = AddLayer(doc, x, y, image->width, image->height, LayerTypeOrdinary);
    if (index < 0) return 0;
    if (transparency && area) LimitToArea(transparency, area);
    LayerPlane* base = &doc->planes[index];
    CopyImageRows(base[0].image, image, 4);
    if (transparency) {
        CopyImageRows(base[1].image, transparency, 1);
    } else {
        std::vector<uint8_t> opaque((size_t)image->width, 255);
        for (int row = 0; row < image->height; ++row)
            g_VmsStore.PutRow(base[1].image, row, 0, image->width - 1, opaque.data());
    }
    RepaintNow(doc);
    return index;
}

int PasteClipboardAsLayer(CanvDoc* doc) {
    if (!doc || !IsClipboardFormatAvailable(CF_DIB)) return 0;
    VmsImage* image = PasteClipImage();
    if (!image) return 0;
    VmsImage* transp = LoadClipTransp(image->width, image->height);
    VmsImage* area = LoadClipSelArea(image->width, image->height);
    const int index = PasteAsLayer(doc, image, transp, area, -1, -1);
    g_VmsStore.Free(&image);
    g_VmsStore.Free(&transp);
    g_VmsStore.Free(&area);
    return index ? 1 : 0;
}

void SetPasteFileChooser(PasteFileChooser chooser) { g_chooser = chooser; }

int PasteFileAsLayer(CanvDoc* doc, int mode, const char* path, int x, int y, int fit) {
    if (!doc) return 0;
    char file[MAX_PATH] = {};
    if (mode == 0) {
        if (!g_chooser || !g_chooser(FrameWindow(), file)) return 0;
    } else if (mode == 1) {
        // A part of the material folder, chosen in the parts box.
        const char* programFolder = GetCanvasHost().programFolder;
        char folder[MAX_PATH];
        std::snprintf(folder, sizeof folder, "%smaterial\\", programFolder ? programFolder : "");
        if (!OpenPartsBox(FrameWindow(), folder, file, "*.*", kMaterialFolderTitle)) return 0;
    } else if (mode == 2 && path) {
        lstrcpynA(file, path, sizeof file);
    } else {
        return 0;
    }
    VmsImage *image = nullptr, *alpha = nullptr;
    if (!ReadImageWithAlpha(file, &image, &alpha)) return 0;
    VmsImage *pasteImage = image, *pasteAlpha = alpha;
    int index = 0;
    if (!fit || FitIntoCanvas(doc, &pasteImage, &pasteAlpha))
        index = PasteAsLayer(doc, pasteImage, pasteAlpha, nullptr, x, y);
    if (pasteImage != image) g_VmsStore.Free(&pasteImage);
    if (pasteAlpha != alpha) g_VmsStore.Free(&pasteAlpha);
    g_VmsStore.Free(&image);
    g_VmsStore.Free(&alpha);
    return index;
}

int PasteImageAsLayer(CanvDoc* doc, VmsImage* image, VmsImage* transparency, int x, int y, int fit) {
    if (!doc || !image) return 0;
    VmsImage *pasteImage = image, *pasteAlpha = transparency;
    if (fit && !FitIntoCanvas(doc, &pasteImage, &pasteAlpha)) return 0;
    const int index = PasteAsLayer(doc, pasteImage, pasteAlpha, nullptr, x, y);
    if (pasteImage != image) g_VmsStore.Free(&pasteImage);
    if (pasteAlpha != transparency) g_VmsStore.Free(&pasteAlpha);
    if (index) {
        SetLayerSaveEnabled(doc, 1, LayerOf(index));
        SetLayerHistoryLimit(doc, 30, LayerOf(index));
    }
    return index;
}

int PrepareClipboardCanvas() {
    if (!IsClipboardFormatAvailable(CF_DIB)) return 0;
    VmsImage* image = PasteClipImage();
    if (!image) return -1;
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{
        .width = image->width, .height = image->height, .x = 0, .y = 0, .depth = 24, .planeCount = 1};
    NewCanvasRequest.resolution = image->xResolution;
    NewCanvasRequest.origin = CanvOriginClipboard;
    NewCanvasRequest.source = nullptr;
    g_VmsStore.Free(&image);
    return 1;
}

void NewDocFromClipboard(CanvDoc* doc) {
    LayerPlane* base = &doc->planes[0];
    VmsImage* image = PasteClipImage();
    if (!image) {
        Tell(kClipError);
        return;
    }
    CopyImageRows(base[0].image, image, 4);
    VmsImage* transp = base[1].image ? LoadClipTransp(image->width, image->height) : nullptr;
    if (transp) {
        VmsImage* area = LoadClipSelArea(image->width, image->height);
        if (area) LimitToArea(transp, area);
        CopyImageRows(base[1].image, transp, 1);
        g_VmsStore.Free(&area);
    }
    g_VmsStore.Free(&transp);
    g_VmsStore.Free(&image);
}

int ClipCommand(CanvDoc* doc, int id) {
    const CanvasHost& host = GetCanvasHost();
    switch (id) {
    case CMD_EDIT_COPY:
        CopyToClipboard(doc);
        if (host.repaintToolButton) host.repaintToolButton(CMD_EDIT_PASTE);
        return 1;
    case CMD_EDIT_PASTELAYER:
        if (PasteClipboardAsLayer(doc)) SetCanvasModified(doc);
        return 1;
    case CMD_EDIT_PASTEFILELAYER:
        if (PasteFileAsLayer(doc, 0, nullptr, -1, -1, 0)) SetCanvasModified(doc);
        return 1;
    case CMD_EDIT_MATERIAL:
        // The frame floats a material part itself; sent to the document
        // window, the chosen part becomes a layer at once.
        if (PasteFileAsLayer(doc, 1, nullptr, -1, -1, 0)) SetCanvasModified(doc);
        return 1;
    default:
        return 0;
    }
}
