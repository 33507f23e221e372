#include "fileio/plugin_read.h"

#include <cstring>

#include "app/msgbox.h"
#include "fileio/plugin_registry.h"
#include "image/vms_store.h"

namespace {

// A zero-filled movable global block, locked while it lives.
class GlobalBlock {
public:
    explicit GlobalBlock(size_t size) {
        handle_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        data_ = handle_ ? GlobalLock(handle_) : nullptr;
    }
    ~GlobalBlock() {
        if (data_) GlobalUnlock(handle_);
        if (handle_) GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    template <typename T>
    T* As() const { return (T*)data_; }
    explicit operator bool() const { return data_ != nullptr; }
private:
    HGLOBAL handle_;
    void* data_;
};

class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
private:
    HCURSOR old_;
};

// Records of one read: room for 3,000 entries for "psd" and "ico".
struct ReadRecords {
    int capacity;
    GlobalBlock info, names, layers;
    explicit ReadRecords(const char* path)
        : capacity(PluginPathHasExtension(path, "psd") || PluginPathHasExtension(path, "ico")
                       ? FileRecordEntriesLarge
                       : FileRecordEntries),
          info(FileImageInfoBytes(capacity)),
          names(sizeof(FileLayerName) * (size_t)capacity),
          layers(sizeof(FileLayerInfo) * (size_t)capacity) {}
    bool Ok() const { return info && names && layers; }
};

// The one read in progress (the callbacks carry no context). Reads are
// serialised by g_ReadLock.
SRWLOCK g_ReadLock = SRWLOCK_INIT;
struct ReadState {
    VmsImage* target;
    VmsImage* alpha;
    int bits;                  // bits of image 0 as the plug-in reported them
    int transparencySeen;
    uint8_t palette[1024];
    uint32_t* row;             // one row of 32-bit words
    uint8_t* bytes;            // one row of bytes
} g_Read;

class ReadLock {
public:
    ReadLock() { AcquireSRWLockExclusive(&g_ReadLock); }
    ~ReadLock() { ReleaseSRWLockExclusive(&g_ReadLock); }
};

int PaletteBytes(int bits) { return bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0; }

// Pixels x0..x1 of row y lie inside the image.
bool InsideRow(const VmsImage* image, int y, int x0, int x1) {
    return image && y >= 0 && y < image->height && x0 >= 0 && x0 <= x1 && x1 < image->width;
}

// A row of the plug-in's format into 32-bit words: indexed rows through the
// palette, 24 and 32-bit rows three bytes a pixel.
void ExpandRow(const uint8_t* bytes, int n, int bits, const uint8_t* palette, uint32_t* out) {
    auto entry = [palette](int i) {
        const uint8_t* p = palette + 4 * i;
        return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
    };
    switch (bits) {
    case 1:
        for (int i = 0; i < n; ++i) out[i] = entry((bytes[i >> 3] >> (7 - (i & 7))) & 1);
        break;
    case 4:
        for (int i = 0; i < n; ++i) out[i] = entry(i & 1 ? bytes[i >> 1] & 15 : bytes[i >> 1] >> 4);
        break;
    case 8:
        for (int i = 0; i < n; ++i) out[i] = entry(bytes[i]);
        break;
    default:
        for (int i = 0; i < n; ++i)
            out[i] = (uint32_t)bytes[3 * i] | ((uint32_t)bytes[3 * i + 1] << 8) | ((uint32_t)bytes[3 * i + 2] << 16);
        break;
    }
}

int DARNA_PLUGIN_CALL SinglePutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    if (image != 0 || !bytes || !g_Read.target || !InsideRow(g_Read.target, y, x0, x1)) return -1;
    const int b = g_Read.bits;
    if (b != 1 && b != 4 && b != 8 && b != 24 && b != 32) return 0;
    ExpandRow(bytes, x1 - x0 + 1, b, g_Read.palette, g_Read.row);
    g_VmsStore.PutRow(g_Read.target, y, x0, x1, g_Read.row);
    return 0;
}

int DARNA_PLUGIN_CALL SinglePutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image,
                                               int plane) {
    g_Read.transparencySeen = 1;
    if (image != 0 || (plane != 1 && plane != 2)) return -1;
    if (!g_Read.alpha) return 0;
    if (!bytes || !InsideRow(g_Read.alpha, y, x0, x1)) return -1;
    uint8_t* a = g_Read.bytes;
    if (!g_VmsStore.GetRow(g_Read.alpha, y, x0, x1, a)) return -1;
    for (int i = 0; i <= x1 - x0; ++i) a[i] = (uint8_t)(a[i] * bytes[i] / 255);
    g_VmsStore.PutRow(g_Read.alpha, y, x0, x1, a);
    return 0;
}

int DARNA_PLUGIN_CALL SingleSetPalette(const uint8_t* bytes, int image) {
    if (image != 0 || !bytes) return -1;
    int n = PaletteBytes(g_Read.bits);
    if (n) {
        std::memcpy(g_Read.palette, bytes, (size_t)n);
        if (g_Read.target) std::memcpy(g_Read.target->palette, bytes, (size_t)n);
    }
    return g_Read.bits;
}

int DARNA_PLUGIN_CALL SinglePutChannelRow(int y, int byteIndex, int x0, int x1, const uint8_t* bytes, int image) {
    if (image != 0 || !bytes || !g_Read.target || byteIndex < 0 || byteIndex > 3 ||
        !InsideRow(g_Read.target, y, x0, x1))
        return -1;
    if (g_Read.bits != 24 && g_Read.bits != 32) return 0;
    if (!g_VmsStore.GetRow(g_Read.target, y, x0, x1, g_Read.row)) return -1;
    const int shift = 8 * byteIndex;
    for (int i = 0; i <= x1 - x0; ++i)
        g_Read.row[i] = (g_Read.row[i] & ~(0xFFu << shift)) | ((uint32_t)bytes[i] << shift);
    g_VmsStore.PutRow(g_Read.target, y, x0, x1, g_Read.row);
    return 0;
}

const ReadFileCallbacks kSingleCallbacks = {SinglePutRow, SinglePutTransparencyRow, SingleSetPalette,
                                            SinglePutChannelRow};

// Size query through a loaded reader: count preset to 1, at least one image of
// a positive size. The count is clamped to the records' capacity.
int QuerySize(const PluginModule& m, const char* path, int mode, FileImageInfo* info, FileLayerName* names,
              int capacity) {
    auto init = m.Get<ReadFileInitFn>(DARNA_EXPORT_READ_FILE_INIT);
    auto getSize = m.Get<ReadFileGetSizeFn>(DARNA_EXPORT_READ_FILE_GET_SIZE);
    if (!getSize) return 0;
    HWND window = PluginStatusWindow();
    if (init) init(window, path, mode);
    info->count = 1;
    if (!getSize(window, path, info, names)) return 0;
    if (info->count < 1) return 0;
    if (info->count > capacity) info->count = capacity;
    return info->image[0].width > 0 && info->image[0].height > 0;
}

// Runs ReadFileExec for one described image with the single-image callbacks.
int ExecSingle(const PluginModule& m, const char* path, ReadRecords& records, int width, int height, int bits,
               VmsImage* target, VmsImage* alpha, int* transparencySeen) {
    auto exec = m.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
    if (!exec) return 0;
    FileImageInfo* info = records.info.As<FileImageInfo>();
    std::memset(info, 0, FileImageInfoBytes(records.capacity));
    info->xResolution = info->yResolution = 96;
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = width;
    info->image[0].height = height;
    info->image[0].bits = bits;

    GlobalBlock rows((size_t)target->width * 5 + 16);
    if (!rows) return 0;
    ReadLock lock;
    std::memset(&g_Read, 0, sizeof(g_Read));
    g_Read.target = target;
    g_Read.alpha = alpha;
    g_Read.bits = bits;
    g_Read.row = rows.As<uint32_t>();
    g_Read.bytes = (uint8_t*)(g_Read.row + target->width);
    // The grey ramp until the plug-in sends its palette.
    for (int i = 0; i < 256; ++i) g_Read.palette[i * 4] = g_Read.palette[i * 4 + 1] = g_Read.palette[i * 4 + 2] = (uint8_t)i;
    int result = exec(PluginStatusWindow(), path, info, records.names.As<FileLayerName>(),
                      records.layers.As<FileLayerInfo>(), &kSingleCallbacks);
    if (transparencySeen) *transparencySeen = g_Read.transparencySeen;
    std::memset(&g_Read, 0, sizeof(g_Read));
    return result;
}

// A leftover hand-over file of an earlier read must not be taken for this one.
void DeleteStaleExifHandOver() {
    char path[MAX_PATH];
    const char* folder = PluginProgramFolder();
    if (std::strlen(folder) + 16 >= sizeof(path)) return;
    wsprintfA(path, "%sfile_r\\" DARNA_EXIF_HANDOVER_NAME, folder);
    DeleteFileA(path);
}

}  // namespace

int GetImageFileInfo(const char* path, int* firstWidth, int* firstHeight, int* widths, int* heights, int* bits,
                     int* planeCounts, int* count, int mode, char* planeNames) {
    if (!path || !*path) return 0;
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll) return 0;
    WaitCursor wait;
    PluginModule m(dll);
    if (!m.Loaded()) return 0;
    GlobalBlock info(FileImageInfoBytes(FileRecordEntries));
    GlobalBlock names(sizeof(FileLayerName) * FileRecordEntries);
    if (!info || !names) return 0;
    FileImageInfo* fi = info.As<FileImageInfo>();
    FileLayerName* fn = names.As<FileLayerName>();
    if (!QuerySize(m, path, mode, fi, fn, FileRecordEntries)) return 0;
    if (count) *count = fi->count;
    if (firstWidth) *firstWidth = fi->image[0].width;
    if (firstHeight) *firstHeight = fi->image[0].height;
    for (int i = 0; i < fi->count; ++i) {
        if (widths) widths[i] = fi->image[i].width;
        if (heights) heights[i] = fi->image[i].height;
        if (bits) bits[i] = fi->image[i].bits;
        if (planeCounts) {
            int n = 0;
            for (int k = 0; k < 10; ++k) n += fn[i].planeFlags[k] != 0;
            planeCounts[i] = n;
        }
        if (planeNames)
            std::memcpy(planeNames + (size_t)i * FileLayerNameBlockSize, (const char*)&fn[i] + FileLayerNameBlockOffset,
                        FileLayerNameBlockSize);
    }
    return 1;
}

int LoadImageFile(void* target, const char* path, int mode, VmsImage* alpha, int* transparencySeen) {
    if (transparencySeen) *transparencySeen = 0;
    if (!target || !path || !*path || !std::strchr(path, '.') || mode != 0) return 0;
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll) return 0;
    PluginModule m(dll);
    if (!m.Loaded()) return 0;
    WaitCursor wait;
    if (!m.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC)) {
        ShowMessageBox(PluginFrameWindow(), dll, "error", kMsgOk);
        return 0;
    }
    ReadRecords records(path);
    if (!records.Ok()) {
        ShowMessageBox(PluginFrameWindow(), "critical error1", kAppTitle, kMsgOk);
        return 0;
    }
    int width = 0, height = 0, bits[FileRecordEntries] = {}, count = 0;
    if (!GetImageFileInfo(path, &width, &height, nullptr, nullptr, bits, nullptr, &count, 0)) return 0;
    VmsImage* image = (VmsImage*)target;
    if (image->bits != 32 || (alpha && (alpha->bits != 8 || alpha->width != image->width ||
                                        alpha->height != image->height)))
        return 0;
    DeleteStaleExifHandOver();
    return ExecSingle(m, path, records, width, height, bits[0], image, alpha, transparencySeen);
}

int ReadImageWithAlpha(const char* path, VmsImage** image, VmsImage** alpha) {
    if (!image || !alpha) return 0;
    *image = nullptr;
    *alpha = nullptr;
    int width = 0, height = 0, count = 0;
    if (!GetImageFileInfo(path, &width, &height, nullptr, nullptr, nullptr, nullptr, &count, 0)) return 0;
    if (width > PluginImageMaxSide || height > PluginImageMaxSide) return 0;
    *image = g_VmsStore.Create(width, height, 24, 255, 1);
    *alpha = g_VmsStore.Create(width, height, 8, 255, 1);
    if (*image && *alpha) {
        for (int i = 0; i < 256; ++i) {
            RGBQUAD& q = (*alpha)->palette[i];
            q.rgbBlue = q.rgbGreen = q.rgbRed = (BYTE)i;
            q.rgbReserved = 0;
        }
        if (LoadImageFile(*image, path, 0, *alpha, nullptr)) return 1;
    }
    g_VmsStore.Free(image);
    g_VmsStore.Free(alpha);
    return 0;
}

VmsImage* ReadImageWithPlugin(const char* path, HWND, const char* readerDll) {
    if (!path || !readerDll) return nullptr;
    WaitCursor wait;
    PluginModule m(readerDll);
    if (!m.Loaded()) return nullptr;
    ReadRecords records(path);
    if (!records.Ok()) return nullptr;
    FileImageInfo* info = records.info.As<FileImageInfo>();
    if (!QuerySize(m, path, 0, info, records.names.As<FileLayerName>(), records.capacity)) return nullptr;
    const int width = info->image[0].width, height = info->image[0].height, bits = info->image[0].bits;
    if (width > PluginImageMaxSide || height > PluginImageMaxSide) return nullptr;
    // Indexed files are widened while they are read: the image is always 24-bit.
    // Every row is written by the reader, so the image is not filled first.
    VmsImage* image = g_VmsStore.Create(width, height, 24, 0, 0);
    if (!image) return nullptr;
    if (!ExecSingle(m, path, records, width, height, bits, image, nullptr, nullptr)) g_VmsStore.Free(&image);
    return image;
}
