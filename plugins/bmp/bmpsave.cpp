// bmpsave.dll: Windows bitmap writer. An image described as 1, 4 or 8 bits
// whose colours fit that many palette entries is written indexed at that
// depth; everything else as 24 bits.
#include <new>

#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

// Colours of an image, up to `limit` of them, in order of first appearance.
struct ColourSet {
    static constexpr int kSlots = 1024;
    int32_t slot[kSlots];   // colour + 1, 0 empty
    uint8_t index[kSlots];
    uint32_t colours[256];
    int count = 0;
    ColourSet() { std::memset(slot, 0, sizeof(slot)); }
    // Index of the colour; -1 when the set is full and the colour is new.
    int Find(uint32_t c, int limit) {
        uint32_t h = (c * 2654435761u) >> 22;
        for (;; h = (h + 1) & (kSlots - 1)) {
            if (slot[h] == 0) {
                if (count >= limit) return -1;
                slot[h] = (int32_t)c + 1;
                index[h] = (uint8_t)count;
                colours[count] = c;
                return count++;
            }
            if (slot[h] == (int32_t)c + 1) return index[h];
        }
    }
};

int DpiToPpm(int dpi) { return dpi > 0 ? (int)(((int64_t)dpi * 10000 + 127) / 254) : 0; }

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    FillWriterInfo(info, "bmp", "Windows Bitmap", true);
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName*, FileLayerInfo*,
                                                   const WriteFileCallbacks* callbacks) {
    if (!SingleImageRequest(path, info, callbacks)) return 0;
    const int w = info->image[0].width, h = info->image[0].height;
    if (!SizeAcceptable(w, h)) return 0;
    Block<uint8_t> row((size_t)w * 3);
    if (!row) return 0;
    Progress progress(window);

    // Indexed when asked for and the colours fit.
    int bits = info->image[0].bits;
    ColourSet* set = nullptr;
    Block<ColourSet> setBlock;
    if (bits == 1 || bits == 4 || bits == 8) {
        if (!setBlock.Reset(1)) return 0;
        set = new (setBlock.get()) ColourSet();
        int limit = 1 << bits;
        for (int y = 0; y < h && set; ++y) {
            if (callbacks->getRow(y, 0, w - 1, row.get(), 0) <= 0) return 0;
            for (int x = 0; x < w; ++x) {
                uint32_t c = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
                if (set->Find(c, limit) < 0) {
                    set = nullptr;
                    break;
                }
            }
        }
        if (!set) bits = 24;
    } else {
        bits = 24;
    }

    const int64_t stride = (((int64_t)w * bits + 31) / 32) * 4;
    const int paletteBytes = bits <= 8 ? 4 << bits : 0;
    const int64_t pixelOffset = 54 + paletteBytes;
    const int64_t fileSize = pixelOffset + stride * h;
    if (fileSize > 0xFFFFFFFFll) return 0;
    Block<uint8_t> out((size_t)stride);
    if (!out) return 0;

    File file;
    if (!file.Create(path)) return 0;
    uint8_t head[54] = {'B', 'M'};
    PutLe32(head + 2, (uint32_t)fileSize);
    PutLe32(head + 10, (uint32_t)pixelOffset);
    PutLe32(head + 14, 40);
    PutLe32(head + 18, (uint32_t)w);
    PutLe32(head + 22, (uint32_t)h);
    PutLe16(head + 26, 1);
    PutLe16(head + 28, (uint32_t)bits);
    PutLe32(head + 34, (uint32_t)(stride * h));
    PutLe32(head + 38, (uint32_t)DpiToPpm(info->xResolution));
    PutLe32(head + 42, (uint32_t)DpiToPpm(info->yResolution));
    bool ok = file.Write(head, sizeof(head));
    if (ok && paletteBytes) {
        uint8_t palette[1024] = {};
        for (int i = 0; i < set->count; ++i) PutLe32(palette + 4 * i, set->colours[i]);
        ok = file.Write(palette, (size_t)paletteBytes);
    }
    for (int i = 0; ok && i < h; ++i) {
        int y = h - 1 - i;
        if (callbacks->getRow(y, 0, w - 1, row.get(), 0) <= 0) {
            ok = false;
            break;
        }
        std::memset(out.get(), 0, (size_t)stride);
        if (bits == 24) {
            std::memcpy(out.get(), row.get(), (size_t)w * 3);
        } else {
            for (int x = 0; x < w; ++x) {
                uint32_t c = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
                int v = set->Find(c, 1 << bits);
                if (v < 0) v = 0;   // a row that changed between the passes
                if (bits == 8) out[x] = (uint8_t)v;
                else if (bits == 4) out[x >> 1] |= (uint8_t)(x & 1 ? v : v << 4);
                else if (v) out[x >> 3] |= (uint8_t)(0x80 >> (x & 7));
            }
        }
        ok = file.Write(out.get(), (size_t)stride);
        progress.Report(i + 1, h);
    }
    file.Close();
    progress.Done();
    if (!ok) DeleteFileA(path);
    return ok ? 1 : 0;
}
