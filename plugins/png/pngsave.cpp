// pngsave.dll: PNG writer. 24-bit RGB, or RGBA when the host has a
// transparency plane (plane 1) for the image.
//
// The rows are filtered and compressed in bands of about a megabyte, several
// bands at a time on worker threads: each band is a run of deflate blocks
// ending on a byte boundary (a sync flush; the last band finishes the
// stream), so the bands joined in order make one zlib stream, whose Adler-32
// is combined from the bands'. The rows themselves are fetched on the calling
// thread only. Each row gets the filter of least absolute sum, and zlib works
// with its strategy for filtered data (both as libpng does by default).
#include <zlib.h>

#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

// zlib's level for the picture data (the benchmark's peer uses the same).
constexpr int PngCompressionLevel = 6;
// Raw bytes a band aims at, and the most bands compressed at once. A picture
// of fewer such bands than there are workers gets smaller bands, one a
// worker, of at least MinBandBytes (below that the window that each band
// starts afresh costs more than the workers gain).
constexpr size_t BandBytes = (size_t)1 << 20;
constexpr size_t MinBandBytes = (size_t)128 << 10;
constexpr int MaxWorkers = 8;

void PutBig32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

// One chunk: its length, type, the data pieces in order and the CRC.
bool WriteChunk(File& file, const char* type, const uint8_t* const* pieces, const size_t* sizes, int count) {
    size_t length = 0;
    for (int i = 0; i < count; ++i) length += sizes[i];
    if (length > 0x7FFFFFFFu) return false;
    uint8_t head[8];
    PutBig32(head, (uint32_t)length);
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    for (int i = 0; i < count; ++i)
        if (sizes[i]) crc = crc32(crc, pieces[i], (uInt)sizes[i]);
    uint8_t tail[4];
    PutBig32(tail, (uint32_t)crc);
    if (!file.Write(head, 8)) return false;
    for (int i = 0; i < count; ++i)
        if (sizes[i] && !file.Write(pieces[i], sizes[i])) return false;
    return file.Write(tail, 4);
}

bool WriteChunk(File& file, const char* type, const uint8_t* data, size_t size) {
    return WriteChunk(file, type, &data, &size, 1);
}

inline uint32_t Cost(uint8_t v) { return v < 128 ? v : 256u - v; }

inline uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    return (uint8_t)(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Filters `row` (with `above`, zeros for the first row) into out[0] (the
// filter type) and out[1..size]: the filter whose bytes have the least sum
// of absolute values as signed numbers; the earlier filter on a tie.
void FilterRow(const uint8_t* row, const uint8_t* above, size_t size, int bpp, uint8_t* out, uint8_t* trial) {
    uint8_t* best = out + 1;
    uint32_t bestSum = 0;
    std::memcpy(best, row, size);
    for (size_t i = 0; i < size; ++i) bestSum += Cost(row[i]);
    out[0] = 0;
    for (int type = 1; type <= 4; ++type) {
        uint32_t sum = 0;
        size_t i = 0;
        for (; i < (size_t)bpp && i < size; ++i) {
            uint8_t v = type == 1 ? row[i]
                      : type == 2 ? (uint8_t)(row[i] - above[i])
                      : type == 3 ? (uint8_t)(row[i] - (above[i] >> 1))
                                  : (uint8_t)(row[i] - above[i]);
            trial[i] = v;
            sum += Cost(v);
        }
        for (; i < size && sum < bestSum; ++i) {
            uint8_t v = type == 1 ? (uint8_t)(row[i] - row[i - bpp])
                      : type == 2 ? (uint8_t)(row[i] - above[i])
                      : type == 3 ? (uint8_t)(row[i] - ((row[i - bpp] + above[i]) >> 1))
                                  : (uint8_t)(row[i] - Paeth(row[i - bpp], above[i], above[i - bpp]));
            trial[i] = v;
            sum += Cost(v);
        }
        if (i == size && sum < bestSum) {
            bestSum = sum;
            std::memcpy(best, trial, size);
            out[0] = (uint8_t)type;
        }
    }
}

// A band: its raw rows in, its deflate blocks out.
struct Band {
    Block<uint8_t> raw, filtered, trial, out;
    const uint8_t* above = nullptr;  // the row above the first, or null
    size_t stride = 0;
    int bpp = 0, rows = 0;
    bool last = false;
    size_t outSize = 0;
    uLong adler = 1;
    size_t filteredSize = 0;
    bool ok = false;
};

void CompressBand(Band* band) {
    band->ok = false;
    const size_t stride = band->stride;
    Block<uint8_t> zeros;
    const uint8_t* above = band->above;
    if (!above) {
        if (!zeros.Reset(stride)) return;
        above = zeros.get();
    }
    for (int r = 0; r < band->rows; ++r) {
        const uint8_t* row = band->raw.get() + stride * r;
        FilterRow(row, above, stride, band->bpp, band->filtered.get() + (stride + 1) * r, band->trial.get());
        above = row;
    }
    band->filteredSize = (stride + 1) * band->rows;
    band->adler = adler32(1, band->filtered.get(), (uInt)band->filteredSize);
    z_stream z = {};
    if (deflateInit2(&z, PngCompressionLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) return;
    z.next_in = band->filtered.get();
    z.avail_in = (uInt)band->filteredSize;
    z.next_out = band->out.get();
    z.avail_out = (uInt)band->out.size();
    const int result = deflate(&z, band->last ? Z_FINISH : Z_SYNC_FLUSH);
    band->outSize = band->out.size() - z.avail_out;
    band->ok = z.avail_in == 0 && (band->last ? result == Z_STREAM_END : result == Z_OK && z.avail_out > 0);
    deflateEnd(&z);
}

unsigned __stdcall CompressThread(void* band) {
    CompressBand((Band*)band);
    return 0;
}

int WorkerCount() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    int n = (int)si.dwNumberOfProcessors;
    return n < 1 ? 1 : n > MaxWorkers ? MaxWorkers : n;
}

// The file after the signature and header chunks: every row, banded.
bool WritePixels(File& file, int w, int h, bool hasAlpha, const WriteFileCallbacks* callbacks,
                 Progress& progress) {
    const int bpp = hasAlpha ? 4 : 3;
    const size_t stride = (size_t)w * bpp;
    int workers = WorkerCount();
    const size_t total = stride * (size_t)h;
    size_t bandBytes = BandBytes;
    if (total < BandBytes * (size_t)workers) bandBytes = total / (size_t)workers + stride;
    if (bandBytes < MinBandBytes) bandBytes = MinBandBytes;
    int bandRows = (int)(bandBytes / stride);
    if (bandRows < 1) bandRows = 1;
    if (bandRows > h) bandRows = h;
    const int bandCount = (h + bandRows - 1) / bandRows;
    if (workers > bandCount) workers = bandCount;

    Band bands[MaxWorkers];
    for (int i = 0; i < workers; ++i) {
        Band& b = bands[i];
        const size_t filteredBytes = (stride + 1) * bandRows;
        // Room for deflate's worst case and the flush's empty block.
        const size_t outBytes = filteredBytes + filteredBytes / 1000 * 5 + 1024;
        if (!b.raw.Reset(stride * bandRows) || !b.filtered.Reset(filteredBytes) || !b.trial.Reset(stride) ||
            !b.out.Reset(outBytes))
            return false;
        b.stride = stride;
        b.bpp = bpp;
    }
    Block<uint8_t> row((size_t)w * 3), alpha((size_t)w), carry(stride);
    if (!row || !alpha || !carry) return false;

    // The zlib header: a 32 KB window, the level's hint, the check bits.
    const int hint = PngCompressionLevel < 2 ? 0 : PngCompressionLevel < 6 ? 1 : PngCompressionLevel == 6 ? 2 : 3;
    uint8_t header[2] = {0x78, (uint8_t)(hint << 6)};
    header[1] = (uint8_t)(header[1] + 31 - (header[0] * 256 + header[1]) % 31);
    uLong adler = 1;
    bool first = true;
    int y = 0, written = 0;
    for (int band = 0; band < bandCount;) {
        const int round = bandCount - band < workers ? bandCount - band : workers;
        for (int i = 0; i < round; ++i) {
            Band& b = bands[i];
            b.rows = h - y < bandRows ? h - y : bandRows;
            b.last = band + i == bandCount - 1;
            b.above = i > 0 ? bands[i - 1].raw.get() + stride * (bands[i - 1].rows - 1) : y > 0 ? carry.get() : nullptr;
            for (int r = 0; r < b.rows; ++r, ++y) {
                if (callbacks->getRow(y, 0, w - 1, row.get(), 0) <= 0) return false;
                uint8_t* out = b.raw.get() + stride * r;
                if (hasAlpha && callbacks->getTransparencyRow(y, 0, w - 1, alpha.get(), 0, 1) != 1)
                    std::memset(alpha.get(), 255, (size_t)w);
                const uint8_t* in = row.get();
                for (int x = 0; x < w; ++x, in += 3, out += bpp) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                    if (hasAlpha) out[3] = alpha[x];
                }
            }
        }
        {
            // Bands 1.. on the process's thread pool (here when it takes no
            // more work), band 0 here; all are done when the scope closes.
            Worker threads[MaxWorkers];
            for (int i = 1; i < round; ++i)
                if (!threads[i].Start(CompressThread, &bands[i])) CompressBand(&bands[i]);
            CompressBand(&bands[0]);
        }
        for (int i = 0; i < round; ++i) {
            const Band& b = bands[i];
            if (!b.ok) return false;
            adler = adler32_combine(adler, b.adler, (z_off_t)b.filteredSize);
            uint8_t trailer[4];
            PutBig32(trailer, (uint32_t)adler);
            const uint8_t* pieces[3] = {header, b.out.get(), trailer};
            const size_t sizes[3] = {first ? sizeof header : 0, b.outSize, b.last ? sizeof trailer : 0};
            if (!WriteChunk(file, "IDAT", pieces, sizes, 3)) return false;
            first = false;
            written += b.rows;
            progress.Report(written, h);
        }
        const Band& lastOfRound = bands[round - 1];
        std::memcpy(carry.get(), lastOfRound.raw.get() + stride * (lastOfRound.rows - 1), stride);
        band += round;
    }
    return true;
}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
    FillWriterInfo(info, "png", "PNG", false);
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName*, FileLayerInfo*,
                                                   const WriteFileCallbacks* callbacks) {
    if (!SingleImageRequest(path, info, callbacks)) return 0;
    const int w = info->image[0].width, h = info->image[0].height;
    if (!SizeAcceptable(w, h)) return 0;
    Block<uint8_t> alpha((size_t)w);
    if (!alpha) return 0;
    const bool hasAlpha = callbacks->getTransparencyRow &&
                          callbacks->getTransparencyRow(0, 0, w - 1, alpha.get(), 0, 1) == 1;
    File file;
    if (!file.Create(path)) return 0;
    Progress progress(window);

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t ihdr[13] = {};
    PutBig32(ihdr, (uint32_t)w);
    PutBig32(ihdr + 4, (uint32_t)h);
    ihdr[8] = 8;                    // bits per channel
    ihdr[9] = hasAlpha ? 6 : 2;     // RGBA or RGB; deflate, adaptive filters, not interlaced
    bool ok = file.Write(signature, sizeof signature) && WriteChunk(file, "IHDR", ihdr, sizeof ihdr);
    if (ok && info->xResolution > 0 && info->yResolution > 0) {
        uint8_t phys[9];
        PutBig32(phys, (uint32_t)(((int64_t)info->xResolution * 10000 + 127) / 254));
        PutBig32(phys + 4, (uint32_t)(((int64_t)info->yResolution * 10000 + 127) / 254));
        phys[8] = 1;                // per metre
        ok = WriteChunk(file, "pHYs", phys, sizeof phys);
    }
    ok = ok && WritePixels(file, w, h, hasAlpha, callbacks, progress) && WriteChunk(file, "IEND", nullptr, 0);
    file.Close();
    if (!ok) DeleteFileA(path);
    progress.Done();
    return ok ? 1 : 0;
}
