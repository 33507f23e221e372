#include "fileio/plugin_read.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "fileio/exif_blob.h"
#include "fileio/exif_file.h"
#include "fileio/host_util.h"
#include "fileio/plugin_registry.h"
#include "image/vms_store.h"

namespace {

using fileio::GlobalBlock;
using fileio::WaitCursor;

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

// Three bytes a pixel (blue, green, red) into 32-bit words, the fourth byte 0.
// Four bytes are read at a time, so the last pixel goes byte by byte (the row
// may end there).
void ExpandBgrPlain(const uint8_t* bytes, int n, uint32_t* out) {
    int i = 0;
    for (; i + 1 < n; ++i) {
        uint32_t v;
        std::memcpy(&v, bytes + 3 * i, 4);
        out[i] = v & 0xFFFFFF;
    }
    for (; i < n; ++i)
        out[i] = (uint32_t)bytes[3 * i] | ((uint32_t)bytes[3 * i + 1] << 8) | ((uint32_t)bytes[3 * i + 2] << 16);
}

#if defined(__x86_64__) || defined(__i386__)
// The same, sixteen pixels a step with byte shuffles; each step reads just
// the 48 bytes of its pixels, the rest goes through the plain loop.
__attribute__((target("ssse3"))) void ExpandBgrSsse3(const uint8_t* bytes, int n, uint32_t* out) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const uint8_t* p = bytes + 3 * i;
        const __m128i a = _mm_loadu_si128((const __m128i*)p);          // bytes 0..15: pixels 0..3 first
        const __m128i b = _mm_loadu_si128((const __m128i*)(p + 16));   // bytes 16..31
        const __m128i c = _mm_loadu_si128((const __m128i*)(p + 32));   // bytes 32..47: pixels 12..15 last
        __m128i* o = (__m128i*)(out + i);
        _mm_storeu_si128(o, _mm_shuffle_epi8(a, spread));
        _mm_storeu_si128(o + 1, _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread));
        _mm_storeu_si128(o + 2, _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread));
        _mm_storeu_si128(o + 3, _mm_shuffle_epi8(_mm_srli_si128(c, 4), spread));
    }
    ExpandBgrPlain(bytes + 3 * i, n - i, out + i);
}

// 32-bit words into three bytes a pixel (blue, green, red), sixteen pixels
// a step; the rest byte by byte.
__attribute__((target("ssse3"))) int PackBgrSsse3(const uint32_t* words, int n, uint8_t* out) {
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i* w = (const __m128i*)(words + i);
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(w), pack);       // 12 bytes each
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(w + 1), pack);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(w + 2), pack);
        const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(w + 3), pack);
        __m128i* o = (__m128i*)(out + 3 * i);
        _mm_storeu_si128(o, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    return i;
}

bool HasSsse3() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}
#endif


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
        ExpandBgrRow(bytes, n, out);
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

// The records of a read with the size of its first image queried, when that
// image is no larger than a read takes; null otherwise.
FileImageInfo* QueryFirstImage(const PluginModule& m, const char* path, ReadRecords& records) {
    FileImageInfo* info = records.info.As<FileImageInfo>();
    if (!QuerySize(m, path, 0, info, records.names.As<FileLayerName>(), records.capacity)) return nullptr;
    if (info->image[0].width > PluginImageMaxSide || info->image[0].height > PluginImageMaxSide) return nullptr;
    return info;
}

// A file that is there, is no folder and is not empty.
bool IsNonEmptyFile(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA fa;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &fa) && !(fa.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (fa.nFileSizeHigh != 0 || fa.nFileSizeLow != 0);
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

// The one PackedDib read in progress.
struct DibReadState {
    PackedDib dib;
    PackedDib alpha;
    int bits;
    int transparencySeen;
    uint32_t* row;
    uint8_t* bytes;
} g_DibRead;

int DibStride(const BITMAPINFOHEADER* dib) { return (int)(((int64_t)dib->biWidth * dib->biBitCount + 31) / 32 * 4); }

int DARNA_PLUGIN_CALL DibPutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    PackedDib dib = g_DibRead.dib;
    if (image != 0 || !bytes || !dib || y < 0 || y >= dib->biHeight || x0 < 0 || x0 > x1 || x1 >= dib->biWidth)
        return -1;
    if (dib->biBitCount == 32) {
        ExpandBgrRow(bytes, x1 - x0 + 1, g_DibRead.row);
        PutPackedDibRow32(dib, y, x0, x1, g_DibRead.row);
        return 0;
    }
    // Indexed rows whole: the bytes of the row's pixels, not the padded stride.
    if (x0 != 0) return -1;
    const size_t n = ((size_t)(x1 + 1) * dib->biBitCount + 7) / 8;
    std::memcpy(GetPackedDibBits(dib) + (size_t)(dib->biHeight - 1 - y) * DibStride(dib), bytes, n);
    return 0;
}

int DARNA_PLUGIN_CALL DibPutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image, int plane) {
    if (image != 0 || (plane != 1 && plane != 2)) return -1;
    g_DibRead.transparencySeen = 1;
    PackedDib a = g_DibRead.alpha;
    if (!a || !bytes || y < 0 || y >= a->biHeight || x0 < 0 || x0 > x1 || x1 >= a->biWidth) return -1;
    GetPackedDibRow8(a, y, x0, x1, g_DibRead.bytes);
    for (int i = 0; i <= x1 - x0; ++i) g_DibRead.bytes[i] = (uint8_t)(g_DibRead.bytes[i] * bytes[i] / 255);
    PutPackedDibRow8(a, y, x0, x1, g_DibRead.bytes);
    return 0;
}

int DARNA_PLUGIN_CALL DibSetPalette(const uint8_t* bytes, int image) {
    if (image != 0 || !bytes || !g_DibRead.dib) return -1;
    int n = PaletteBytes(g_DibRead.dib->biBitCount);
    if (n) std::memcpy((uint8_t*)g_DibRead.dib + g_DibRead.dib->biSize, bytes, (size_t)n);
    return 0;
}

int DARNA_PLUGIN_CALL DibPutChannelRow(int y, int byteIndex, int x0, int x1, const uint8_t* bytes, int image) {
    PackedDib dib = g_DibRead.dib;
    if (image != 0 || !bytes || !dib || byteIndex < 0 || byteIndex > 3 || y < 0 || y >= dib->biHeight || x0 < 0 ||
        x0 > x1 || x1 >= dib->biWidth)
        return -1;
    if (dib->biBitCount != 32) return 0;   // readers send no channel rows for indexed pictures
    GetPackedDibRow32(dib, y, x0, x1, g_DibRead.row);
    const int shift = 8 * byteIndex;
    for (int i = 0; i <= x1 - x0; ++i)
        g_DibRead.row[i] = (g_DibRead.row[i] & ~(0xFFu << shift)) | ((uint32_t)bytes[i] << shift);
    PutPackedDibRow32(dib, y, x0, x1, g_DibRead.row);
    return 0;
}

const ReadFileCallbacks kDibCallbacks = {DibPutRow, DibPutTransparencyRow, DibSetPalette, DibPutChannelRow};

// A pixel over white by its alpha: c' = min(255, (255 - a) + c a / 255).
uint32_t OverWhite(uint32_t pixel, int a) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) {
        int c = (int)((pixel >> s) & 0xFF), v = (255 - a) + (c * a + 128) / 255;
        out |= (uint32_t)(v > 255 ? 255 : v) << s;
    }
    return out;
}

// Every pixel over white by its alpha.
void CompositeOverWhite(PackedDib dib, PackedDib alpha, uint32_t* row, uint8_t* a) {
    const int w = dib->biWidth, h = dib->biHeight;
    for (int y = 0; y < h; ++y) {
        GetPackedDibRow32(dib, y, 0, w - 1, row);
        GetPackedDibRow8(alpha, y, 0, w - 1, a);
        for (int x = 0; x < w; ++x) row[x] = OverWhite(row[x], a[x]);
        PutPackedDibRow32(dib, y, 0, w - 1, row);
    }
}

// The one sampled read in progress: a small picture picked from the rows as
// the reader delivers them, nearest neighbour, so that the whole picture is
// never held.
struct SampledReadState {
    int sourceWidth, sourceHeight;
    int width, height;          // of the sampled picture
    int bits;                   // the reader's: 1, 4 and 8 keep palette indices
    const int* columns;         // source column of each sampled column
    const int* rows;            // source row of each sampled row (never decreasing)
    uint32_t* samples;          // width x height, top row first: index or blue-green-red word
    uint8_t* alpha;             // width x height
    uint8_t palette[1024];
    int transparencySeen;
} g_SampledRead;

bool Indexed(int bits) { return bits == 1 || bits == 4 || bits == 8; }

// The sampled rows [*first, *last) that take source row y; false when none.
bool SampledRowsOf(int y, int* first, int* last) {
    const SampledReadState& s = g_SampledRead;
    const int* begin = s.rows;
    const int* end = s.rows + s.height;
    const int* lo = std::lower_bound(begin, end, y);
    const int* hi = std::upper_bound(lo, end, y);
    *first = (int)(lo - begin);
    *last = (int)(hi - begin);
    return lo != hi;
}

bool SampledRowValid(int y, int x0, int x1, const uint8_t* bytes, int image) {
    const SampledReadState& s = g_SampledRead;
    return image == 0 && bytes && s.samples && y >= 0 && y < s.sourceHeight && x0 >= 0 && x0 <= x1 &&
           x1 < s.sourceWidth;
}

int DARNA_PLUGIN_CALL SampledPutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    SampledReadState& s = g_SampledRead;
    if (!SampledRowValid(y, x0, x1, bytes, image)) return -1;
    // Indexed rows come whole, as the full reads take them.
    if (Indexed(s.bits) && x0 != 0) return -1;
    int first, last;
    if (!SampledRowsOf(y, &first, &last)) return 0;
    uint32_t* out = s.samples + (size_t)first * s.width;
    for (int j = 0; j < s.width; ++j) {
        const int c = s.columns[j];
        if (c < x0 || c > x1) continue;
        switch (s.bits) {
        case 1: out[j] = (bytes[c >> 3] >> (7 - (c & 7))) & 1; break;
        case 4: out[j] = c & 1 ? bytes[c >> 1] & 15 : bytes[c >> 1] >> 4; break;
        case 8: out[j] = bytes[c]; break;
        default: {
            const uint8_t* p = bytes + 3 * (size_t)(c - x0);
            out[j] = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
            break;
        }
        }
    }
    // An enlarged picture repeats the row.
    for (int i = first + 1; i < last; ++i) std::memcpy(s.samples + (size_t)i * s.width, out, sizeof(uint32_t) * s.width);
    return 0;
}

int DARNA_PLUGIN_CALL SampledPutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image, int plane) {
    SampledReadState& s = g_SampledRead;
    if (image != 0 || (plane != 1 && plane != 2)) return -1;
    s.transparencySeen = 1;
    if (!SampledRowValid(y, x0, x1, bytes, image)) return -1;
    int first, last;
    if (!SampledRowsOf(y, &first, &last)) return 0;
    for (int i = first; i < last; ++i) {
        uint8_t* a = s.alpha + (size_t)i * s.width;
        for (int j = 0; j < s.width; ++j) {
            const int c = s.columns[j];
            if (c >= x0 && c <= x1) a[j] = (uint8_t)(a[j] * bytes[c - x0] / 255);
        }
    }
    return 0;
}

int DARNA_PLUGIN_CALL SampledSetPalette(const uint8_t* bytes, int image) {
    if (image != 0 || !bytes) return -1;
    const int n = PaletteBytes(g_SampledRead.bits);
    if (n) std::memcpy(g_SampledRead.palette, bytes, (size_t)n);
    return 0;
}

int DARNA_PLUGIN_CALL SampledPutChannelRow(int y, int byteIndex, int x0, int x1, const uint8_t* bytes, int image) {
    SampledReadState& s = g_SampledRead;
    if (!SampledRowValid(y, x0, x1, bytes, image) || byteIndex < 0 || byteIndex > 3) return -1;
    if (Indexed(s.bits)) return 0;   // readers send no channel rows for indexed pictures
    int first, last;
    if (!SampledRowsOf(y, &first, &last)) return 0;
    const int shift = 8 * byteIndex;
    for (int i = first; i < last; ++i) {
        uint32_t* out = s.samples + (size_t)i * s.width;
        for (int j = 0; j < s.width; ++j) {
            const int c = s.columns[j];
            if (c >= x0 && c <= x1) out[j] = (out[j] & ~(0xFFu << shift)) | ((uint32_t)bytes[c - x0] << shift);
        }
    }
    return 0;
}

const ReadFileCallbacks kSampledCallbacks = {SampledPutRow, SampledPutTransparencyRow, SampledSetPalette,
                                             SampledPutChannelRow};

// Source index of each of `count` sampled positions over `size`: min(size - 1, i size / count).
std::vector<int> SamplePositions(int size, int count) {
    std::vector<int> out((size_t)count);
    for (int i = 0; i < count; ++i) {
        const int64_t v = (int64_t)i * size / count;
        out[(size_t)i] = (int)(v < size - 1 ? v : size - 1);
    }
    return out;
}

// A leftover hand-over file of an earlier read must not be taken for this one.
void DeleteStaleExifHandOver() {
    char path[MAX_PATH];
    const char* folder = PluginProgramFolder();
    if (std::strlen(folder) + 16 >= sizeof(path)) return;
    wsprintfA(path, "%sfile_r\\" DARNA_EXIF_HANDOVER_NAME, folder);
    DeleteFileA(path);
}

// The reader DLL of the last size query, kept loaded (one reference held
// here) until another reader is queried or the plug-ins are freed: opening a
// file asks for its size twice (to make the document, then to read into it)
// and reads at once, and each of those would load the DLL again. Guarded by
// g_KeptLock: thumbnail threads query too.
SRWLOCK g_KeptLock = SRWLOCK_INIT;
std::string g_KeptPath;
HMODULE g_KeptModule = nullptr;

// Keeps the DLL at `dll` (loaded now by the caller) loaded after the caller frees it.
void KeepReaderLoaded(const char* dll) {
    AcquireSRWLockShared(&g_KeptLock);
    const bool kept = g_KeptModule && g_KeptPath == dll;
    ReleaseSRWLockShared(&g_KeptLock);
    if (kept) return;
    HMODULE module = LoadLibraryA(dll);   // loaded already: a reference more
    if (!module) return;
    AcquireSRWLockExclusive(&g_KeptLock);
    HMODULE previous = g_KeptModule;
    g_KeptModule = module;
    g_KeptPath = dll;
    ReleaseSRWLockExclusive(&g_KeptLock);
    if (previous) FreeLibrary(previous);
}

}  // namespace

void ExpandBgrRow(const uint8_t* bytes, int n, uint32_t* out) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasSsse3()) {
        ExpandBgrSsse3(bytes, n, out);
        return;
    }
#endif
    ExpandBgrPlain(bytes, n, out);
}

void PackBgrRow(const uint32_t* words, int n, uint8_t* out) {
    int i = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (HasSsse3()) i = PackBgrSsse3(words, n, out);
#endif
    for (; i < n; ++i) {
        const uint32_t v = words[i];
        out[3 * i] = (uint8_t)v;
        out[3 * i + 1] = (uint8_t)(v >> 8);
        out[3 * i + 2] = (uint8_t)(v >> 16);
    }
}

void ReleaseKeptReader() {
    AcquireSRWLockExclusive(&g_KeptLock);
    HMODULE module = g_KeptModule;
    g_KeptModule = nullptr;
    g_KeptPath.clear();
    ReleaseSRWLockExclusive(&g_KeptLock);
    if (module) FreeLibrary(module);
}

int GetImageFileInfo(const char* path, int* firstWidth, int* firstHeight, int* widths, int* heights, int* bits,
                     int* planeCounts, int* count, int mode, char* planeNames) {
    if (!path || !*path) return 0;
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll) return 0;
    GlobalBlock info(FileImageInfoBytes(FileRecordEntries));
    GlobalBlock names(sizeof(FileLayerName) * FileRecordEntries);
    if (!info || !names) return 0;
    FileImageInfo* fi = info.As<FileImageInfo>();
    FileLayerName* fn = names.As<FileLayerName>();
    {
        WaitCursor wait;
        PluginModule m(dll);
        if (!m.Loaded()) return 0;
        KeepReaderLoaded(dll);
        if (!QuerySize(m, path, mode, fi, fn, FileRecordEntries)) return 0;
    }
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

VmsImage* ReadImageOnly(const char* path) {
    VmsImage *image = nullptr, *alpha = nullptr;
    if (!ReadImageWithAlpha(path, &image, &alpha)) return nullptr;
    g_VmsStore.Free(&alpha);
    return image;
}

VmsImage* ReadImageByExtension(const char* path, HWND window) {
    const char* dll = path ? ReaderPluginPath(FindReaderPlugin(path)) : nullptr;
    return dll ? ReadImageWithPlugin(path, window, dll) : nullptr;
}

namespace {
// The read of ReadImageWithPlugin; a file whose first image is not `want`
// (when given) is left unread.
VmsImage* ReadSingleWithPlugin(const char* path, const char* readerDll, const SIZE* want) {
    if (!path || !readerDll) return nullptr;
    WaitCursor wait;
    PluginModule m(readerDll);
    if (!m.Loaded()) return nullptr;
    ReadRecords records(path);
    if (!records.Ok()) return nullptr;
    FileImageInfo* info = QueryFirstImage(m, path, records);
    if (!info) return nullptr;
    const int width = info->image[0].width, height = info->image[0].height, bits = info->image[0].bits;
    if (want && (width != want->cx || height != want->cy)) return nullptr;
    // Indexed files are widened while they are read: the image is always 24-bit.
    // Every row is written by the reader, so the image is not filled first.
    VmsImage* image = g_VmsStore.Create(width, height, 24, 0, 0);
    if (!image) return nullptr;
    if (!ExecSingle(m, path, records, width, height, bits, image, nullptr, nullptr)) g_VmsStore.Free(&image);
    return image;
}
}  // namespace

VmsImage* ReadImageWithPlugin(const char* path, HWND, const char* readerDll) {
    return ReadSingleWithPlugin(path, readerDll, nullptr);
}

VmsImage* ReadImageOfSizeWithPlugin(const char* path, const char* readerDll, int width, int height) {
    SIZE want = {width, height};
    return ReadSingleWithPlugin(path, readerDll, &want);
}

PackedDib ReadImageToDibWithPlugin(const char* path, HWND, const char* readerDll) {
    if (!path || !readerDll || !IsNonEmptyFile(path)) return nullptr;
    WaitCursor wait;
    PluginModule m(readerDll);
    if (!m.Loaded()) return nullptr;
    auto exec = m.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
    ReadRecords records(path);
    if (!exec || !records.Ok()) return nullptr;
    FileImageInfo* info = QueryFirstImage(m, path, records);
    if (!info) return nullptr;
    const int width = info->image[0].width, height = info->image[0].height;
    int bits = info->image[0].bits;
    if (bits != 1 && bits != 4 && bits != 8) bits = 32;
    PackedDib dib = CreatePackedDib(width, height, bits);
    PackedDib alpha = CreatePackedDib(width, height, 8);
    GlobalBlock rows((size_t)width * 5 + 16);
    if (!dib || !alpha || !rows) {
        if (dib) FreePackedDib(dib);
        if (alpha) FreePackedDib(alpha);
        return nullptr;
    }
    std::memset(GetPackedDibBits(alpha), 255, (size_t)DibStride(alpha) * height);
    // Rows a reader never delivers (a short or damaged file) stay white, not black.
    if (bits == 32) std::memset(GetPackedDibBits(dib), 255, (size_t)DibStride(dib) * height);

    std::memset(info, 0, FileImageInfoBytes(records.capacity));
    info->xResolution = info->yResolution = 96;
    info->count = 1;
    info->image[0].width = width;
    info->image[0].height = height;
    info->image[0].bits = bits == 32 ? 24 : bits;
    const bool psd = PluginPathHasExtension(path, "psd") != 0;
    int result, seen;
    {
        ReadLock lock;
        std::memset(&g_DibRead, 0, sizeof(g_DibRead));
        g_DibRead.dib = dib;
        g_DibRead.alpha = alpha;
        g_DibRead.bits = bits;
        g_DibRead.row = rows.As<uint32_t>();
        g_DibRead.bytes = (uint8_t*)(g_DibRead.row + width);
        result = exec(PluginStatusWindow(), path, info, psd ? nullptr : records.names.As<FileLayerName>(),
                      psd ? nullptr : records.layers.As<FileLayerInfo>(), &kDibCallbacks);
        seen = g_DibRead.transparencySeen;
        std::memset(&g_DibRead, 0, sizeof(g_DibRead));
    }
    if (!result) {
        FreePackedDib(dib);
        FreePackedDib(alpha);
        return nullptr;
    }
    if (bits != 32) {
        PackedDib wide = ConvertPackedDibTo32Bit(dib);
        FreePackedDib(dib);
        dib = wide;
    }
    if (dib && seen) CompositeOverWhite(dib, alpha, rows.As<uint32_t>(), (uint8_t*)(rows.As<uint32_t>() + width));
    FreePackedDib(alpha);
    return dib;
}

PackedDib ReadImageToDib(const char* path, HWND window) {
    const char* dll = path ? ReaderPluginPath(FindReaderPlugin(path)) : nullptr;
    return dll ? ReadImageToDibWithPlugin(path, window, dll) : nullptr;
}

PackedDib ReadImageToDibSampled(const char* path, HWND, int width, int height) {
    if (!path || width < 1 || height < 1 || (int64_t)width * height > PluginSampledMaxPixels) return nullptr;
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll || !IsNonEmptyFile(path)) return nullptr;
    PluginModule m(dll);
    if (!m.Loaded()) return nullptr;
    auto exec = m.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
    ReadRecords records(path);
    if (!exec || !records.Ok()) return nullptr;
    FileImageInfo* info = QueryFirstImage(m, path, records);
    if (!info) return nullptr;
    const int sourceWidth = info->image[0].width, sourceHeight = info->image[0].height;
    const int bits = info->image[0].bits;
    const std::vector<int> columns = SamplePositions(sourceWidth, width), rows = SamplePositions(sourceHeight, height);
    const size_t count = (size_t)width * height;
    GlobalBlock samples(count * sizeof(uint32_t)), alpha(count);
    if (!samples || !alpha) return nullptr;
    std::memset(alpha.As<uint8_t>(), 255, count);
    // Rows a reader never delivers stay white, as in the full read.
    if (!Indexed(bits)) std::memset(samples.As<uint32_t>(), 255, count * sizeof(uint32_t));

    std::memset(info, 0, FileImageInfoBytes(records.capacity));
    info->xResolution = info->yResolution = 96;
    info->count = 1;
    info->image[0].width = sourceWidth;
    info->image[0].height = sourceHeight;
    info->image[0].bits = Indexed(bits) ? bits : 24;
    const bool psd = PluginPathHasExtension(path, "psd") != 0;
    int result, seen;
    uint8_t palette[1024];
    {
        ReadLock lock;
        std::memset(&g_SampledRead, 0, sizeof(g_SampledRead));
        SampledReadState& s = g_SampledRead;
        s.sourceWidth = sourceWidth;
        s.sourceHeight = sourceHeight;
        s.width = width;
        s.height = height;
        s.bits = bits;
        s.columns = columns.data();
        s.rows = rows.data();
        s.samples = samples.As<uint32_t>();
        s.alpha = alpha.As<uint8_t>();
        for (int i = 0; i < 256; ++i) s.palette[i * 4] = s.palette[i * 4 + 1] = s.palette[i * 4 + 2] = (uint8_t)i;
        result = exec(PluginStatusWindow(), path, info, psd ? nullptr : records.names.As<FileLayerName>(),
                      psd ? nullptr : records.layers.As<FileLayerInfo>(), &kSampledCallbacks);
        seen = s.transparencySeen;
        std::memcpy(palette, s.palette, sizeof(palette));
        std::memset(&g_SampledRead, 0, sizeof(g_SampledRead));
    }
    if (!result) return nullptr;
    PackedDib dib = CreatePackedDib(width, height, 32);
    if (!dib) return nullptr;
    std::vector<uint32_t> row((size_t)width);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = samples.As<uint32_t>() + (size_t)y * width;
        const uint8_t* a = alpha.As<uint8_t>() + (size_t)y * width;
        for (int x = 0; x < width; ++x) {
            uint32_t v = in[x];
            if (Indexed(bits)) {
                const uint8_t* p = palette + 4 * (v & 0xFF);
                v = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
            }
            row[(size_t)x] = seen ? OverWhite(v, a[x]) : v & 0xFFFFFF;
        }
        PutPackedDibRow32(dib, y, 0, width - 1, row.data());
    }
    return dib;
}

PackedDib ReadExifThumbnail(HWND window, const char* path, const char* folder) {
    if (!IsExifFilePath(path) || !folder) return nullptr;
    c_ExifFile exif;
    int unavailable = 0;
    if (exif.Load(path) != 0) return nullptr;
    const int length = exif.ReadThumbnail(nullptr, &unavailable);
    if (unavailable || length <= 0) return nullptr;
    std::vector<uint8_t> bytes((size_t)length);
    if (exif.ReadThumbnail(bytes.data(), &unavailable) != length) return nullptr;
    char tempFolder[MAX_PATH], temp[MAX_PATH], dll[MAX_PATH];
    if (!GetTempPathA(sizeof(tempFolder), tempFolder) || !GetTempFileNameA(tempFolder, "pmf", 0, temp)) return nullptr;
    PackedDib dib = nullptr;
    if (WriteFileReplacing(temp, bytes.data(), bytes.size())) {
        snprintf(dll, sizeof(dll), "%sfile_r\\jpgload.dll", folder);
        dib = ReadImageToDibWithPlugin(temp, window, dll);
    }
    DeleteFileA(temp);
    return dib;
}

PackedDib ReadFastImage(HWND window, const char* path) {
    if (PackedDib thumbnail = ReadExifThumbnail(window, path, PluginProgramFolder())) return thumbnail;
    const char* dll = path ? ReaderPluginPath(FindReaderPlugin(path)) : nullptr;
    if (!dll) return nullptr;
    char bmp[256] = {};
    {
        PluginModule m(dll);
        auto fast = m.Get<ReadFileFastImageFn>(DARNA_EXPORT_READ_FILE_FAST_IMAGE);
        GlobalBlock info(FileImageInfoBytes(FileRecordEntries)), names(sizeof(FileLayerName) * FileRecordEntries);
        if (!fast || !info || !names) return nullptr;
        info.As<FileImageInfo>()->count = 1;
        if (!fast(PluginStatusWindow(), path, info.As<FileImageInfo>(), names.As<FileLayerName>(), bmp)) return nullptr;
    }
    bmp[sizeof(bmp) - 1] = 0;
    if (!bmp[0]) return nullptr;
    PackedDib dib = LoadPackedDibBmp(bmp);
    DeleteFileA(bmp);
    if (dib && dib->biBitCount != 32) {
        PackedDib wide = ConvertPackedDibTo32Bit(dib);
        FreePackedDib(dib);
        dib = wide;
    }
    return dib;
}
