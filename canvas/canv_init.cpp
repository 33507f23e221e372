// New documents by origin, and the canvas road of reading an image file.
#include "canvas/canv_clip.h"
#include "canvas/canv_init.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "canvas/canv_compose.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "fileio/exif_blob.h"
#include "fileio/host_util.h"
#include "fileio/plugin_api.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/product_table.h"
#include "image/vms_store.h"

namespace {

int g_refusalShown = 0;

void Tell(const char* text, const char* caption = kAppTitle) {
    g_refusalShown = 1;
    ShowMessageBox(CanvFrameWindow(), text, caption, kMsgOk);
}

// Copies every row of `source` into `target` at offset (dx, dy) (target
// coordinates = source coordinates + offset); rows are clipped by the store.
void CopyRows(VmsImage* target, const VmsImage* source, int dx, int dy) {
    if (!target || !source || target->bits != source->bits) return;
    const int bpp = source->bits == 32 ? 4 : 1;
    std::vector<uint8_t> row((size_t)source->width * bpp);
    for (int y = 0; y < source->height; ++y) {
        int ty = y + dy;
        if (ty < 0 || ty >= target->height) continue;
        g_VmsStore.GetRow(source, y, 0, source->width - 1, row.data());
        g_VmsStore.PutRow(target, ty, dx, dx + source->width - 1, row.data());
    }
}

// The plane values every copying origin takes over from the source.
void TakeOverPlaneValues(LayerPlane* to, const LayerPlane* from, int k) {
    to->kind = from->kind;
    if (k == 0) {
        to->transparency = from->transparency;
        std::memcpy(to->name, from->name, sizeof to->name);
        to->blendMode = from->blendMode;
        to->layerType = from->layerType;
        to->displayImage = nullptr;
    } else {
        std::memcpy(to->name, from->name, sizeof to->name);
        std::memcpy(to->options, from->options, sizeof to->options);
    }
}

void CopyExif(CanvDoc* doc, const CanvDoc* source) {
    if (!source->exifBlob || source->exifSize <= 0) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)source->exifSize);
    if (!block) return;
    void* to = GlobalLock(block);
    const void* from = GlobalLock(source->exifBlob);
    if (to && from) std::memcpy(to, from, (size_t)source->exifSize);
    if (from) GlobalUnlock(source->exifBlob);
    if (to) GlobalUnlock(block);
    doc->exifBlob = block;
    doc->exifSize = source->exifSize;
}

// Origins 5 (plain copies) and 9 (shifted copies): per plane of each layer.
void CopyDocLayers(CanvDoc* doc, const CanvDoc* source, bool shifted) {
    for (int l = 0; l < CanvMaxLayers && LayerInUse(source, l) && LayerInUse(doc, l); ++l) {
        const LayerPlane* from = LayerBase(source, l);
        LayerPlane* to = LayerBase(doc, l);
        const int dx = shifted ? NewCanvasRequest.layers[l].contentX : 0;
        const int dy = shifted ? NewCanvasRequest.layers[l].contentY : 0;
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            if (!from[k].image || !to[k].image) continue;
            TakeOverPlaneValues(&to[k], &from[k], k);
            // The new area of an upper layer is transparent; the base stays white.
            if (shifted && k > 0 && l > 0) {
                std::vector<uint8_t> zero((size_t)to[k].image->width, 0);
                for (int y = 0; y < to[k].image->height; ++y)
                    g_VmsStore.PutRow(to[k].image, y, 0, to[k].image->width - 1, zero.data());
            }
            CopyRows(to[k].image, from[k].image, dx, dy);
        }
    }
    CopyExif(doc, source);
}

// Origin 10: each layer's part inside the source's selection box.
void CopyDocLayersCropped(CanvDoc* doc, const CanvDoc* source) {
    const SelShape& s = source->selShapes[0];
    const int bx0 = s.x0 < s.x1 ? s.x0 : s.x1, by0 = s.y0 < s.y1 ? s.y0 : s.y1;
    const int bx1 = s.x0 < s.x1 ? s.x1 : s.x0, by1 = s.y0 < s.y1 ? s.y1 : s.y0;
    int target = 0;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(source, l); ++l) {
        const LayerPlane* from = LayerBase(source, l);
        const int ix0 = from->x > bx0 ? from->x : bx0, iy0 = from->y > by0 ? from->y : by0;
        const int ix1 = from->x + from->width - 1 < bx1 ? from->x + from->width - 1 : bx1;
        const int iy1 = from->y + from->height - 1 < by1 ? from->y + from->height - 1 : by1;
        if (ix0 > ix1 || iy0 > iy1) continue;   // the layer misses the box
        if (!LayerInUse(doc, target)) break;
        LayerPlane* to = LayerBase(doc, target++);
        const int n = ix1 - ix0 + 1;
        std::vector<uint8_t> row((size_t)n * 4), mask((size_t)n);
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            if (!from[k].image || !to[k].image) continue;
            TakeOverPlaneValues(&to[k], &from[k], k);
            for (int y = iy0; y <= iy1; ++y) {
                g_VmsStore.GetRow(from[k].image, y - from->y, ix0 - from->x, ix1 - from->x, row.data());
                if (k == 1) {
                    // Protected pixels of the selection become transparent, partly
                    // protected ones (a blurred edge) in proportion.
                    std::memset(mask.data(), 0, mask.size());
                    if (source->selectionMask) g_VmsStore.GetRow(source->selectionMask, y, ix0, ix1, mask.data());
                    for (int i = 0; i < n; ++i) row[i] = ProductTable[row[i]][255 - mask[i]];
                }
                g_VmsStore.PutRow(to[k].image, y - iy0, 0, n - 1, row.data());
            }
        }
    }
    CopyExif(doc, source);
}

// Origins 6 and 7: every plane resampled to the new layer's size, or turned
// by the request's angle.
void CopyDocLayersTransformed(CanvDoc* doc, const CanvDoc* source, bool rotate) {
    for (int l = 0; l < CanvMaxLayers && LayerInUse(source, l) && LayerInUse(doc, l); ++l) {
        const LayerPlane* from = LayerBase(source, l);
        LayerPlane* to = LayerBase(doc, l);
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            if (!from[k].image || !to[k].image) continue;
            TakeOverPlaneValues(&to[k], &from[k], k);
            VmsImage* made = rotate ? c_Dib::RotateDegrees(from[k].image, NewCanvasRequest.angle)
                                    : c_Dib::Resize(from[k].image, to[k].image->width, to[k].image->height, 0, 1, 0, 1);
            if (!made) continue;
            CopyRows(to[k].image, made, 0, 0);
            g_VmsStore.Free(&made);
        }
    }
    CopyExif(doc, source);
}

// Origin 2: the source's composite into the base layer.
void ComposeDocInto(CanvDoc* doc, CanvDoc* source) {
    ComposeWholeDocument(
        source, 0,
        [](void* user, int y, int x0, int x1, const uint32_t* row) {
            LayerPlane* base = LayerBase((CanvDoc*)user, 0);
            g_VmsStore.PutRow(base->image, y - base->y, x0 - base->x, x1 - base->x, row);
        },
        doc, 0);
}

void FreeAllPlanes(CanvDoc* doc) { FreeCanvLayers(doc); }

}  // namespace

int IsCanvasWorkFile(const char* path, char* name) {
    char folder[MAX_PATH + 1], own[MAX_PATH];
    if (!name) name = own;
    if (!SplitPath(path, folder, name)) return 0;
    lstrcatA(folder, "\\");
    return CompareNoCase(folder, CanvProgramFolder()) == 0 && _strnicmp(name, "~~initcanv", 10) == 0;
}

int TakeCanvasRefusalShown() {
    int shown = g_refusalShown;
    g_refusalShown = 0;
    return shown;
}

int CheckCanvasRequest(const NewCanvasRequestRecord& r, int showMessage) {
    const char* problem = nullptr;
    if (r.layerCount < 1) problem = kCanvBadRequest;
    else if (r.layerCount > CanvMaxLayers) problem = kCanvTooManyLayers;
    else
        for (int i = 0; i < r.layerCount && !problem; ++i) {
            const NewCanvasLayer& l = r.layers[i];
            if (l.width < 1 || l.height < 1) problem = kCanvBadRequest;
            else if (l.width > CanvMaxSide || l.height > CanvMaxSide) problem = kCanvTooLarge;
            else if (l.planeCount < 0 || l.planeCount > CanvPlanesPerLayer - 1) problem = kCanvBadRequest;
        }
    if (problem && showMessage) Tell(problem);
    return problem ? 0 : 1;
}

void InitCanvDocFields(CanvDoc* doc) {
    const HWND window = doc->window;
    std::memset(doc, 0, sizeof *doc);
    lstrcpynA(doc->path, kCanvUntitled, sizeof doc->path);
    const int count = NewCanvasRequest.layerCount < CanvMaxLayers ? NewCanvasRequest.layerCount : CanvMaxLayers;
    for (int i = 0; i < count; ++i) {
        const NewCanvasLayer& r = NewCanvasRequest.layers[i];
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            LayerPlane* p = &doc->planes[i * CanvPlanesPerLayer + k];
            p->kind = k ? PlaneKindChannel : PlaneKindColour;
            p->x = r.x;
            p->y = r.y;
            p->width = r.width;
            p->height = r.height;
            p->depth = k ? 8 : r.depth;
            p->blendMode = BlendNormal;
            p->layerFlag = 1;
        }
    }
    doc->zoom = 100.0;
    doc->window = window;
    doc->width = NewCanvasRequest.layers[0].width;
    doc->height = NewCanvasRequest.layers[0].height;
    doc->marginX = doc->marginY = 8;
    for (int slot : {0, 5}) {
        SelShape& s = doc->selShapes[slot];
        s.kind = 0;
        s.x0 = 0;
        s.y0 = 0;
        s.x1 = doc->width - 1;
        s.y1 = doc->height - 1;
        s.count = 0;
    }
    doc->gridWidth = doc->gridHeight = 16;
    const COLORREF* grid = GetCanvasHost().defaultGridColour;
    if (grid) {
        doc->gridRed = GetRValue(*grid);
        doc->gridGreen = GetGValue(*grid);
        doc->gridBlue = GetBValue(*grid);
    }
    doc->gridInvert = 1;
}

int InitCanvDoc(CanvDoc* doc) {
    fileio::WaitCursor wait;
    if (!CheckCanvasRequest(NewCanvasRequest, 1)) return 0;
    const int origin = NewCanvasRequest.origin;
    CanvDoc* source = NewCanvasRequest.source;
    const bool needsSource = origin == CanvOriginMerged || origin == CanvOriginDuplicate ||
                             origin == CanvOriginResized || origin == CanvOriginRotated ||
                             origin == CanvOriginShifted || origin == CanvOriginCropped;
    if (needsSource && (!source || source == doc)) return 0;
    doc->resolution = NewCanvasRequest.resolution >= 1 ? NewCanvasRequest.resolution : 96;
    for (int i = 0; i < NewCanvasRequest.layerCount; ++i) {
        const NewCanvasLayer& r = NewCanvasRequest.layers[i];
        LayerPlane* base = LayerBase(doc, i);
        if (i == 0) lstrcpynA(base->name, kCanvBaseLayerName, sizeof base->name);
        else std::snprintf(base->name, sizeof base->name, "%s%d", kCanvLayerName, i + 1);
        base->image = g_VmsStore.Create(r.width, r.height, r.depth == 8 ? 8 : 24, 255, 1);
        if (!base->image) {
            Tell("memory error0", "test");
            FreeAllPlanes(doc);
            return 0;
        }
        base->transparency = 0;
        const int planes = r.planeCount > 1 ? r.planeCount : 1;
        for (int k = 1; k <= planes && k < CanvPlanesPerLayer; ++k) {
            base[k].image = g_VmsStore.Create(r.width, r.height, 8, 255, 1);
            if (!base[k].image) {
                Tell("memory error1", "test");
                FreeAllPlanes(doc);
                return 0;
            }
            lstrcpynA(base[k].name, "TT", sizeof base[k].name);
            std::memset(base[k].options, 0, sizeof base[k].options);
        }
        std::snprintf(base[1].name, sizeof base[1].name, "%01dT", 0);
    }
    // First zoom: the largest step of 10 at which the image fits the client.
    RECT client = {0, 0, 800, 600};
    if (CanvMdiClient()) GetClientRect(CanvMdiClient(), &client);
    doc->zoom = CapZoom(doc, FirstZoom(doc->width, doc->height, client.right, client.bottom));
    BuildZoomTables(doc);

    int modified = 0;
    switch (origin) {
    case CanvOriginFile:
        if (!LoadCanvSource(doc)) {
            FreeAllPlanes(doc);
            return 0;
        }
        break;
    case CanvOriginMerged: ComposeDocInto(doc, source); break;
    case CanvOriginScanner: {
        char path[MAX_PATH + 16];
        std::snprintf(path, sizeof path, "%stwain.tmp", CanvProgramFolder());
        c_Dib::LoadBmpInto(LayerBase(doc, 0)->image, path);
        DeleteFileA(path);
        modified = 1;
        break;
    }
    case CanvOriginDuplicate: CopyDocLayers(doc, source, false); modified = 1; break;
    case CanvOriginResized: CopyDocLayersTransformed(doc, source, false); modified = 1; break;
    case CanvOriginRotated:
        CopyDocLayersTransformed(doc, source, true);
        modified = 1;
        // Turned in place: the copy stands for the source's file.
        if (NewCanvasRequest.rotateFlags[0]) lstrcpynA(doc->path, source->path, sizeof doc->path);
        break;
    case CanvOriginShifted: CopyDocLayers(doc, source, true); break;
    case CanvOriginCropped: CopyDocLayersCropped(doc, source); modified = 1; break;
    case CanvOriginClipboard: NewDocFromClipboard(doc); break;
    default: break;
    }
    doc->modified = modified;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        SetLayerSaveEnabled(doc, 1, l);
        SetLayerHistoryLimit(doc, 30, l);
    }
    return 1;
}

int LoadCanvSource(CanvDoc* doc) {
    lstrcpynA(doc->path, NewCanvasRequest.title, sizeof doc->path);
    if (PluginPathHasExtension(doc->path, "dra") || PluginPathHasExtension(doc->path, "dnp")) {
        for (int l = 0; l < NewCanvasRequest.layerCount; ++l) {
            LayerPlane* base = LayerBase(doc, l);
            const char* block = NewCanvasRequest.planeNames[l];
            for (int j = 0; j < NewCanvasRequest.layers[l].planeCount && j + 1 < CanvPlanesPerLayer; ++j) {
                char name[10];
                std::memcpy(name, block + 10 * j, 9);
                name[9] = 0;
                lstrcpynA(base[j + 1].name, name, sizeof base[j + 1].name);
                std::memcpy(base[j + 1].options, block + 80 + 4 * j, 4);
            }
        }
    }
    if (!LoadCanvasImageFile(doc, doc->path)) {
        Tell(kCanvCannotOpen);
        return 0;
    }
    RestoreInitCanvas(doc, NewCanvasRequest.title);
    return 1;
}

int RestoreInitCanvas(CanvDoc* doc, const char* path) {
    char name[MAX_PATH];
    if (!IsCanvasWorkFile(path, name)) return 0;
    char record[MAX_PATH + 32];
    char stem[16];
    lstrcpynA(stem, name, 16);   // "~~initcanvNNNNN"
    std::snprintf(record, sizeof record, "%s%s.fn", CanvProgramFolder(), stem);
    uint8_t bytes[264];
    HANDLE f = CreateFileA(record, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    BOOL ok = ReadFile(f, bytes, sizeof bytes, &got, nullptr);
    CloseHandle(f);
    if (!ok || got != sizeof bytes) return 0;
    DeleteFileA(record);
    DeleteFileA(path);
    bytes[259] = 0;
    lstrcpynA(doc->path, (const char*)bytes, sizeof doc->path);
    // The record names the handing document by its number.
    int32_t number;
    std::memcpy(&number, bytes + 260, 4);
    CanvDoc* owner = FindCanvDocByNumber(number);
    if (owner && owner != doc && owner->window) {
        if (!owner->modified || CloseCanvDocQuery(owner->window)) {
            owner->closing = 1;
            owner->modified = 0;
            HWND client = GetParent(owner->window);
            if (client) SendMessageA(client, WM_MDIDESTROY, (WPARAM)owner->window, 0);
            else DestroyWindow(owner->window);
        }
    }
    return 1;
}

// ---------------------------------------------------------------------------
// The canvas road of reading.

namespace {

struct CanvasReadState {
    CanvDoc* doc;
    int bits[CanvMaxLayers];
    uint8_t palette[1024];
    std::vector<uint32_t> row;
    int transparencySeen;
} g_read;

LayerPlane* ReadLayer(int image) {
    if (!g_read.doc || image < 0 || image >= CanvMaxLayers || !LayerInUse(g_read.doc, image)) return nullptr;
    return LayerBase(g_read.doc, image);
}

bool RowInside(const VmsImage* im, int y, int x0, int x1) {
    return im && y >= 0 && y < im->height && x0 >= 0 && x0 <= x1 && x1 < im->width;
}

int DARNA_PLUGIN_CALL CanvPutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    LayerPlane* p = ReadLayer(image);
    if (!p || !bytes) return 0;
    if (!RowInside(p->image, y, x0, x1)) return -1;
    const int bits = g_read.bits[image], n = x1 - x0 + 1;
    if ((int)g_read.row.size() < n) g_read.row.resize((size_t)n);
    uint32_t* out = g_read.row.data();
    const RGBQUAD* pal = p->image->palette;
    auto entry = [pal](int i) {
        return (uint32_t)pal[i].rgbBlue | ((uint32_t)pal[i].rgbGreen << 8) | ((uint32_t)pal[i].rgbRed << 16);
    };
    switch (bits) {
    case 1: for (int i = 0; i < n; ++i) out[i] = entry((bytes[i >> 3] >> (7 - (i & 7))) & 1); break;
    case 4: for (int i = 0; i < n; ++i) out[i] = entry(i & 1 ? bytes[i >> 1] & 15 : bytes[i >> 1] >> 4); break;
    case 8: for (int i = 0; i < n; ++i) out[i] = entry(bytes[i]); break;
    case 24:
    case 32: ExpandBgrRow(bytes, n, out); break;
    default: return 0;
    }
    g_VmsStore.PutRow(p->image, y, x0, x1, out);
    return 0;
}

int DARNA_PLUGIN_CALL CanvPutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image, int plane) {
    g_read.transparencySeen = 1;
    LayerPlane* p = ReadLayer(image);
    if (!p || plane < 0 || !bytes) return -1;
    const int layerPlane = plane == 0 ? 2 : plane == 1 ? 1 : plane + 1;
    if (layerPlane >= CanvPlanesPerLayer || !p[layerPlane].image) return -1;
    if (!RowInside(p[layerPlane].image, y, x0, x1)) return -1;
    g_VmsStore.PutRow(p[layerPlane].image, y, x0, x1, bytes);
    return 0;
}

int DARNA_PLUGIN_CALL CanvSetPalette(const uint8_t* bytes, int image) {
    LayerPlane* p = ReadLayer(image);
    if (!p) return -1;
    const int bits = g_read.bits[image];
    const int n = bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0;
    if (n && bytes) {
        std::memcpy(g_read.palette, bytes, (size_t)n);
        std::memcpy(p->image->palette, bytes, (size_t)n);
    }
    return bits;
}

int DARNA_PLUGIN_CALL CanvPutChannelRow(int y, int byteIndex, int x0, int x1, const uint8_t* bytes, int image) {
    LayerPlane* p = ReadLayer(image);
    if (!p) return -1;
    const int bits = g_read.bits[image];
    if (bits != 24 && bits != 32) return 0;
    if (!bytes || byteIndex < 0 || byteIndex > 3 || !RowInside(p->image, y, x0, x1)) return -1;
    const int n = x1 - x0 + 1;
    if ((int)g_read.row.size() < n) g_read.row.resize((size_t)n);
    uint32_t* row = g_read.row.data();
    g_VmsStore.GetRow(p->image, y, x0, x1, row);
    const int shift = 8 * byteIndex;
    for (int i = 0; i < n; ++i) row[i] = (row[i] & ~(0xFFu << shift)) | ((uint32_t)bytes[i] << shift);
    g_VmsStore.PutRow(p->image, y, x0, x1, row);
    return 0;
}

const ReadFileCallbacks kCanvasCallbacks = {CanvPutRow, CanvPutTransparencyRow, CanvSetPalette, CanvPutChannelRow};

void TakeExifHandOver(CanvDoc* doc) {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%sfile_r\\" DARNA_EXIF_HANDOVER_NAME, CanvProgramFolder());
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD size = GetFileSize(f, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0 && size < (64u << 20)) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        void* to = block ? GlobalLock(block) : nullptr;
        DWORD got = 0;
        if (to && ReadFile(f, to, size, &got, nullptr) && got == size) {
            GlobalUnlock(block);
            if (doc->exifBlob) GlobalFree(doc->exifBlob);
            doc->exifBlob = block;
            doc->exifSize = (int32_t)size;
            block = nullptr;
        } else if (to) {
            GlobalUnlock(block);
        }
        if (block) GlobalFree(block);
    }
    CloseHandle(f);
    DeleteFileA(path);
}

}  // namespace

int LoadCanvasImageFile(CanvDoc* doc, const char* path) {
    if (!doc || !path || !*path || !std::strchr(path, '.')) return 0;
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll) return 0;
    PluginModule m(dll);
    if (!m.Loaded()) return 0;
    fileio::WaitCursor wait;
    auto exec = m.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
    if (!exec) {
        Tell(dll, "error");
        return 0;
    }
    const int capacity = FileRecordEntries;
    fileio::GlobalBlock info(FileImageInfoBytes(capacity)), names(sizeof(FileLayerName) * capacity),
        layers(sizeof(FileLayerInfo) * capacity);
    if (!info || !names || !layers) {
        Tell("critical error1");
        return 0;
    }
    int fileBits[FileRecordEntries] = {}, count = 0;
    if (!GetImageFileInfo(path, nullptr, nullptr, nullptr, nullptr, fileBits, nullptr, &count, 1)) return 0;
    FileImageInfo* fi = info.As<FileImageInfo>();
    FileLayerInfo* li = layers.As<FileLayerInfo>();
    g_read.doc = doc;
    std::memset(g_read.bits, 0, sizeof g_read.bits);
    std::memset(g_read.palette, 0, sizeof g_read.palette);
    g_read.transparencySeen = 0;
    int described = 0;
    for (int l = 0; l < CanvMaxLayers && l < capacity && LayerInUse(doc, l); ++l) {
        const LayerPlane* p = LayerBase(doc, l);
        g_read.bits[l] = l < count ? fileBits[l] : 24;
        fi->image[l].width = p->width;
        fi->image[l].height = p->height;
        fi->image[l].bits = p->depth;
        li[l].left = li[l].top = 0;
        li[l].blendMode = BlendNormal;
        li[l].transparency = 0;
        li[l].visible = 1;
        lstrcpynA(li[l].name, p->name, sizeof li[l].name);
        ++described;
    }
    fi->count = described;
    fi->currentLayer = 0;
    fi->xResolution = fi->yResolution = doc->resolution;
    fi->image[0].strokeLayerPlane = -1;
    int result = exec(PluginStatusWindow(), path, fi, names.As<FileLayerName>(), li, &kCanvasCallbacks);
    g_read.doc = nullptr;
    if (!result) return 0;

    if (PluginPathHasExtension(path, "dra") || PluginPathHasExtension(path, "dnp")) {
        for (int l = 0; l < described; ++l)
            for (int k = 0; k < CanvPlanesPerLayer; ++k) {
                LayerPlane* p = LayerBase(doc, l) + k;
                p->planeSwitch = li[l].optionValue[k];
                p->options[4] = li[l].optionByte[k];
            }
        TakeExifHandOver(doc);
    }
    // Camera files keep their EXIF data through the EXIF model.
    if (IsExifFilePath(path)) {
        FreeExifBlob(&doc->exifBlob);
        doc->exifBlob = ReadExifBlob(path, &doc->exifSize);
    }
    for (int l = 0; l < described; ++l) {
        LayerPlane* base = LayerBase(doc, l);
        base->x = li[l].left;
        base->y = li[l].top;
        int t = li[l].transparency;
        t = t < 0 ? 0 : t > 100 ? 100 : t;
        base->transparency = (t * 255 + 50) / 100;
        base->blendMode = li[l].blendMode >= 0 && li[l].blendMode <= 9 ? li[l].blendMode : BlendNormal;
        base->layerFlag = li[l].visible;
        li[l].name[sizeof li[l].name - 1] = 0;
        lstrcpynA(base->name, li[l].name, sizeof base->name);
        base->kind = PlaneKindColour;
        for (int k = 1; k < CanvPlanesPerLayer; ++k) {
            base[k].kind = PlaneKindChannel;
            base[k].x = base->x;
            base[k].y = base->y;
            base[k].width = base->width;
            base[k].height = base->height;
        }
    }
    const int typed = fi->image[0].strokeLayerPlane;
    if (typed > 0 && typed % CanvPlanesPerLayer == 0 && LayerInUse(doc, typed / CanvPlanesPerLayer))
        doc->planes[typed].layerType = LayerTypeStrokeTarget;
    int dpi = fi->xResolution;
    if (dpi < 1) dpi = GetCanvasHost().defaultResolution ? *GetCanvasHost().defaultResolution : 96;
    doc->resolution = dpi >= 1 ? dpi : 96;
    return result;
}
