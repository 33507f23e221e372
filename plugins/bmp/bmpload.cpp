// bmpload.dll: Windows bitmap reader. 1, 4 and 8-bit files come as indexed
// rows with their palette; 16, 24 and 32-bit files (plain or with bit-field
// masks) as 24-bit rows; run-length compressed 4 and 8-bit files as indexed
// rows. A file whose pixels end early gives the rows it holds and grey for
// the rest.
#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

struct BmpHeader {
    int width = 0, height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = 0;
    uint32_t masks[3] = {0, 0, 0};
    int paletteEntries = 0;     // entries in the file
    int paletteEntrySize = 4;   // 3 for the old 12-byte header
    int64_t paletteOffset = 0;
    int64_t pixelOffset = 0;
    int64_t stride = 0;
    int rowsInFile = 0;         // whole rows of an uncompressed file present
    int xPpm = 0, yPpm = 0;
};

bool IsRle(const BmpHeader& h) { return h.bits <= 8 && (h.compression == 1 || h.compression == 2); }

int PpmToDpi(int ppm) { return ppm > 0 ? (int)(((int64_t)ppm * 254 + 5000) / 10000) : 0; }

// Reads and checks the headers and the colour table; at least one whole row
// of an uncompressed file (at least one byte of compressed data) must lie in
// the file.
bool ReadHeader(File& file, BmpHeader* h) {
    int64_t size = file.Size();
    uint8_t fh[14];
    if (size < 26 || !file.Seek(0) || !file.Read(fh, 14) || fh[0] != 'B' || fh[1] != 'M') return false;
    h->pixelOffset = Le32(fh + 10);
    uint8_t ih[124] = {};
    if (!file.Read(ih, 4)) return false;
    uint32_t headerSize = Le32(ih);
    if (headerSize == 12) {
        if (!file.Read(ih + 4, 8)) return false;
        h->width = Le16(ih + 4);
        int16_t hh = (int16_t)Le16(ih + 6);
        h->height = hh;
        h->bits = Le16(ih + 10);
        h->paletteEntrySize = 3;
        if (h->bits <= 8) h->paletteEntries = 1 << h->bits;
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (!file.Read(ih + 4, headerSize - 4)) return false;
        h->width = (int32_t)Le32(ih + 4);
        h->height = (int32_t)Le32(ih + 8);
        h->bits = Le16(ih + 14);
        h->compression = Le32(ih + 16);
        h->xPpm = (int32_t)Le32(ih + 24);
        h->yPpm = (int32_t)Le32(ih + 28);
        uint32_t used = Le32(ih + 32);
        if (h->bits <= 8) {
            int full = 1 << h->bits;
            h->paletteEntries = used == 0 || used > (uint32_t)full ? full : (int)used;
        }
        if (h->compression == 3 || h->compression == 6) {
            if (headerSize >= 52) {
                for (int i = 0; i < 3; ++i) h->masks[i] = Le32(ih + 40 + 4 * i);
            } else {
                uint8_t m[12];
                if (!file.Read(m, 12)) return false;
                for (int i = 0; i < 3; ++i) h->masks[i] = Le32(m + 4 * i);
            }
        }
    } else {
        return false;
    }
    h->paletteOffset = 14 + headerSize + (headerSize == 40 && (h->compression == 3 || h->compression == 6) ? 12 : 0);
    if (h->height < 0) {
        if (h->height == INT32_MIN) return false;
        h->height = -h->height;
        h->topDown = true;
    }
    if (!SizeAcceptable(h->width, h->height)) return false;
    switch (h->bits) {
    case 4: case 8:
        // Run-length compressed: bottom-up only.
        if (h->compression == (h->bits == 8 ? 1u : 2u)) {
            if (h->topDown) return false;
            break;
        }
        if (h->compression != 0) return false;
        break;
    case 1: case 24:
        if (h->compression != 0) return false;
        break;
    case 16: case 32:
        if (h->compression == 0) {
            if (h->bits == 16) h->masks[0] = 0x7C00, h->masks[1] = 0x03E0, h->masks[2] = 0x001F;
            else h->masks[0] = 0xFF0000, h->masks[1] = 0xFF00, h->masks[2] = 0xFF;
        } else if (h->compression != 3 && h->compression != 6) {
            return false;
        }
        for (uint32_t m : h->masks)
            if (m == 0) return false;
        break;
    default:
        return false;
    }
    h->stride = (((int64_t)h->width * h->bits + 31) / 32) * 4;
    if (h->bits <= 8 && h->paletteOffset + (int64_t)h->paletteEntries * h->paletteEntrySize > size)
        return false;
    if (IsRle(*h)) return h->pixelOffset >= 14 && h->pixelOffset < size;
    if (h->pixelOffset < 14 || h->pixelOffset + h->stride > size) return false;
    const int64_t rows = (size - h->pixelOffset) / h->stride;
    h->rowsInFile = rows < h->height ? (int)rows : h->height;
    return true;
}

// How a run-length decode ended.
enum RleEnd { kRleFailed, kRleCut, kRleComplete };

// Decodes a run-length compressed file line by line (bottom-up), handing each
// finished line of index bytes to `emit(y, indices)` (y from the top); lines
// the data skips or leaves out are index 0. *lines counts the lines handed
// over. kRleCut when the data ends before the end-of-bitmap code (the line
// being decoded is not handed over); kRleFailed when the data cannot be read
// or `emit` refuses a line.
template <typename Emit>
RleEnd DecodeRle(File& file, const BmpHeader& h, Emit emit, int* lines) {
    *lines = 0;
    int64_t size = file.Size() - h.pixelOffset;
    if (size <= 0 || size > (int64_t)1 << 30) return kRleFailed;
    Block<uint8_t> data((size_t)size), line((size_t)h.width);
    if (!data || !line || !file.Seek(h.pixelOffset) || !file.Read(data.get(), (size_t)size)) return kRleFailed;
    const bool four = h.bits == 4;
    size_t at = 0;
    int x = 0, lineNo = 0;   // lines count from the bottom
    auto put = [&](int v) {
        if (x >= h.width) return;   // past the line's end: dropped
        line[(size_t)x++] = (uint8_t)v;
    };
    // Finishes the current line and moves to the next one.
    auto next = [&]() {
        if (lineNo < h.height) {
            if (!emit(h.height - 1 - lineNo, line.get())) return false;
            *lines = lineNo + 1;
        }
        std::memset(line.get(), 0, (size_t)h.width);
        ++lineNo;
        return true;
    };
    for (;;) {
        if (lineNo >= h.height) return kRleComplete;   // nothing more to place
        if (at + 2 > (size_t)size) return kRleCut;
        int count = data[at], value = data[at + 1];
        at += 2;
        if (count) {
            for (int i = 0; i < count; ++i) put(four ? (i & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            if (!next()) return kRleFailed;
            x = 0;
        } else if (value == 1) {
            while (lineNo < h.height)
                if (!next()) return kRleFailed;
            return kRleComplete;
        } else if (value == 2) {
            if (at + 2 > (size_t)size) return kRleCut;
            int dx = data[at], dy = data[at + 1];
            at += 2;
            for (int i = 0; i < dy && lineNo < h.height; ++i)
                if (!next()) return kRleFailed;
            x = x + dx < h.width ? x + dx : h.width;
        } else {
            size_t bytes = four ? (size_t)(value + 1) / 2 : (size_t)value;
            if (at + bytes > (size_t)size) return kRleCut;
            for (int i = 0; i < value; ++i) put(four ? (i & 1 ? data[at + i / 2] & 15 : data[at + i / 2] >> 4) : data[at + i]);
            at += bytes + (bytes & 1);
        }
    }
}

int ReportedBits(const BmpHeader& h) {
    if (h.bits <= 8) return h.bits;
    return h.bits == 32 ? 32 : 24;
}

// Expands a masked channel value to 8 bits.
struct Channel {
    int shift = 0, width = 0;
    void Set(uint32_t mask) {
        shift = 0;
        while (!(mask & 1)) mask >>= 1, ++shift;
        width = 0;
        while (mask & 1) mask >>= 1, ++width;
        if (width > 8) shift += width - 8, width = 8;
    }
    uint8_t Get(uint32_t v) const {
        uint32_t c = (v >> shift) & ((1u << width) - 1);
        if (width == 8) return (uint8_t)c;
        uint32_t max = (1u << width) - 1;
        return (uint8_t)((c * 255 + max / 2) / max);
    }
};

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "bmp;dib", "Windows Bitmap");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    File file;
    BmpHeader h;
    if (!file.OpenRead(path) || !ReadHeader(file, &h)) return 0;
    info->xResolution = PpmToDpi(h.xPpm);
    info->yResolution = PpmToDpi(h.yPpm);
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = h.width;
    info->image[0].height = h.height;
    info->image[0].bits = ReportedBits(h);
    if (names) std::memset(&names[0], 0, sizeof(FileLayerName));
    return 1;
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo*,
                                                  FileLayerName*, FileLayerInfo*,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    File file;
    BmpHeader h;
    if (!file.OpenRead(path) || !ReadHeader(file, &h)) return 0;
    uint8_t palette[1024] = {};
    if (h.bits <= 8) {
        uint8_t raw[1024];
        size_t n = (size_t)h.paletteEntries * h.paletteEntrySize;
        if (!file.Seek(h.paletteOffset) || !file.Read(raw, n)) return 0;
        for (int i = 0; i < h.paletteEntries; ++i) {
            palette[i * 4] = raw[i * h.paletteEntrySize];
            palette[i * 4 + 1] = raw[i * h.paletteEntrySize + 1];
            palette[i * 4 + 2] = raw[i * h.paletteEntrySize + 2];
        }
        if (callbacks->setPalette) callbacks->setPalette(palette, 0);
    }
    // Rows y0..y1-1 that the file cannot supply, grey.
    auto putMissing = [&](int y0, int y1) {
        if (y0 >= y1) return true;
        int index = 0;
        if (h.bits <= 8) {
            bool changed = false;
            index = GreyIndex(palette, h.paletteEntries, h.bits, &changed);
            if (changed && callbacks->setPalette) callbacks->setPalette(palette, 0);
        }
        return PutGreyRows(callbacks, h.width, h.bits <= 8 ? h.bits : 24, index, false, y0, y1);
    };
    Block<uint8_t> row((size_t)h.stride), bgr((size_t)h.width * 3);
    if (!row || !bgr) return 0;
    Channel ch[3];
    if (h.bits == 16 || h.bits == 32)
        for (int i = 0; i < 3; ++i) ch[i].Set(h.masks[i]);
    Progress progress(window);
    if (IsRle(h)) {
        int done = 0, lines = 0;
        RleEnd end = DecodeRle(file, h, [&](int y, const uint8_t* src) {
            const uint8_t* out = src;
            if (h.bits == 4) {
                std::memset(row.get(), 0, (size_t)h.stride);
                for (int x = 0; x < h.width; ++x) row[(size_t)x >> 1] |= (uint8_t)(x & 1 ? src[x] & 15 : (src[x] & 15) << 4);
                out = row.get();
            }
            progress.Report(++done, h.height);
            return callbacks->putRow(y, 0, h.width - 1, out, 0) >= 0;
        }, &lines);
        // Cut data: the lines decoded are the bottom of the picture.
        bool ok = end == kRleComplete || (end == kRleCut && lines > 0 && putMissing(0, h.height - lines));
        progress.Done();
        return ok ? 1 : 0;
    }
    // Rows are read in file order; bottom-up files deliver the last row first.
    if (!file.Seek(h.pixelOffset)) return 0;
    int read = 0;
    for (; read < h.rowsInFile; ++read) {
        int y = h.topDown ? read : h.height - 1 - read;
        if (!file.Read(row.get(), (size_t)h.stride)) break;
        const uint8_t* out = row.get();
        if (h.bits == 16 || h.bits == 32) {
            for (int x = 0; x < h.width; ++x) {
                uint32_t v = h.bits == 16 ? Le16(row.get() + 2 * x) : Le32(row.get() + 4 * x);
                bgr[x * 3] = ch[2].Get(v);
                bgr[x * 3 + 1] = ch[1].Get(v);
                bgr[x * 3 + 2] = ch[0].Get(v);
            }
            out = bgr.get();
        }
        if (callbacks->putRow(y, 0, h.width - 1, out, 0) < 0) {
            progress.Done();
            return 0;
        }
        progress.Report(read + 1, h.height);
    }
    // The rows past the end of a cut file: the top of a bottom-up picture.
    bool ok = read > 0 && (h.topDown ? putMissing(read, h.height) : putMissing(0, h.height - read));
    progress.Done();
    return ok ? 1 : 0;
}
