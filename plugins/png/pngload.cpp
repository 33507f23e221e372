// pngload.dll: PNG reader. Palette and grey files without transparency come
// as 8-bit indexed rows; every other file as 24-bit rows, with its alpha (or
// tRNS transparency) as transparency plane 1.
#include <csetjmp>

#include <png.h>

#include "plugins/common/plugin_common.h"

using namespace plug;

namespace {

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// The file, read through a buffer of its own: libpng asks for the pixel data
// a few kilobytes at a time, and a system call for each would cost more than
// the decoding of the bytes.
struct Source {
    File file;
    int64_t size = 0, at = 0;   // the file's size; bytes handed to libpng
    Block<uint8_t> buffer;
    size_t held = 0, next = 0;  // bytes in the buffer; the first not yet handed over
    enum { kBufferBytes = 256 * 1024 };
    bool Read(uint8_t* data, size_t length) {
        while (length) {
            if (next == held) {
                DWORD got = 0;
                if (!buffer && !buffer.Reset(kBufferBytes)) return false;
                if (!ReadFile(file.Handle(), buffer.get(), (DWORD)buffer.size(), &got, nullptr) || got == 0)
                    return false;
                held = got;
                next = 0;
            }
            const size_t n = held - next < length ? held - next : length;
            std::memcpy(data, buffer.get() + next, n);
            next += n;
            data += n;
            length -= n;
        }
        return true;
    }
};

void PngRead(png_structp png, png_bytep data, size_t length) {
    Source* s = (Source*)png_get_io_ptr(png);
    if (!s->Read(data, length)) png_error(png, "read");
    s->at += (int64_t)length;
    // A chunk of pixel data that runs past the end of a cut file is shortened
    // to what the file holds: libpng decodes every row the file has before it
    // stops at the missing checksum. (libpng reads a chunk's length and type
    // in one call.)
    if (length == 8 && std::memcmp(data + 4, "IDAT", 4) == 0) {
        const uint32_t declared = (uint32_t)data[0] << 24 | (uint32_t)data[1] << 16 | (uint32_t)data[2] << 8 | data[3];
        const int64_t left = s->size - s->at;
        if ((int64_t)declared > left) {
            const uint32_t held = (uint32_t)left;
            data[0] = (png_byte)(held >> 24);
            data[1] = (png_byte)(held >> 16);
            data[2] = (png_byte)(held >> 8);
            data[3] = (png_byte)held;
        }
    }
}

struct PngReader {
    Source source;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    bool Open(const char* path) {
        if (!source.file.OpenRead(path)) return false;
        source.size = source.file.Size();
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (!png) return false;
        info = png_create_info_struct(png);
        if (!info) return false;
        png_set_read_fn(png, &source, PngRead);
        png_set_user_limits(png, (png_uint_32)kMaxSide, (png_uint_32)kMaxSide);
        png_set_chunk_malloc_max(png, 64u << 20);
        return true;
    }
};

// Layout chosen after the header.
struct Layout {
    int width, height;
    bool indexed;   // 8-bit indices
    bool alpha;     // 4 bytes a pixel with alpha
    int dpiX, dpiY;
};

// Reads the header and sets the transformations. False on error.
bool Prepare(PngReader& r, Layout* l) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_info(r.png, r.info);
    png_uint_32 w = png_get_image_width(r.png, r.info), h = png_get_image_height(r.png, r.info);
    int type = png_get_color_type(r.png, r.info), depth = png_get_bit_depth(r.png, r.info);
    bool trns = png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
    if (!SizeAcceptable(w, h)) png_error(r.png, "size");
    l->width = (int)w;
    l->height = (int)h;
    l->dpiX = l->dpiY = 0;
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    if (png_get_pHYs(r.png, r.info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER) {
        l->dpiX = (int)(((uint64_t)rx * 254 + 5000) / 10000);
        l->dpiY = (int)(((uint64_t)ry * 254 + 5000) / 10000);
    }
    if (depth == 16) png_set_strip_16(r.png);
    if ((type == PNG_COLOR_TYPE_PALETTE || type == PNG_COLOR_TYPE_GRAY) && !trns) {
        l->indexed = true;
        l->alpha = false;
        if (depth < 8) png_set_packing(r.png);
    } else {
        l->indexed = false;
        l->alpha = (type & PNG_COLOR_MASK_ALPHA) || trns;
        png_set_expand(r.png);
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r.png);
        png_set_bgr(r.png);
        if (!l->alpha) png_set_strip_alpha(r.png);
    }
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    return true;
}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "png", "PNG");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    PngReader r;
    if (!r.Open(path)) return 0;
    Layout l;
    if (!Prepare(r, &l)) return 0;
    info->xResolution = l.dpiX;
    info->yResolution = l.dpiY;
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = l.width;
    info->image[0].height = l.height;
    info->image[0].bits = l.indexed ? 8 : 24;
    if (names) {
        std::memset(&names[0], 0, sizeof(FileLayerName));
        // The alpha channel is the layer's transparency plane (plane 1).
        if (l.alpha) names[0].planeFlags[0] = 1;
    }
    return 1;
}

namespace {

// One row of the decoded layout to the host: colour to putRow, alpha to
// transparency plane 1. False when the host refuses the row.
bool SendRow(const ReadFileCallbacks* callbacks, const Layout& l, int y, const uint8_t* src, uint8_t* bgr,
             uint8_t* alpha) {
    const uint8_t* out = src;
    if (l.alpha) {
        for (int x = 0; x < l.width; ++x) {
            bgr[x * 3] = src[x * 4];
            bgr[x * 3 + 1] = src[x * 4 + 1];
            bgr[x * 3 + 2] = src[x * 4 + 2];
            alpha[x] = src[x * 4 + 3];
        }
        out = bgr;
    }
    if (callbacks->putRow(y, 0, l.width - 1, out, 0) < 0) return false;
    if (l.alpha && callbacks->putTransparencyRow) callbacks->putTransparencyRow(y, 0, l.width - 1, alpha, 0, 1);
    return true;
}

// One decode of a file that is not interlaced: libpng runs on a worker thread
// and hands rows through a pipe; the calling thread passes them to the host.
struct DecodeJob {
    png_structp png = nullptr;
    int height = 0;
    RowPipe pipe;
    bool damaged = false;   // the data ended early or is damaged before the last row
};

// The rows into the pipe until the last, the damage or the host's refusal.
// False on damage: the rows before it are in the pipe.
bool DecodeRows(DecodeJob* job) {
    const size_t rowBytes = job->pipe.RowBytes();
    const int bandRows = job->pipe.BandRows();
    // Changed by the decode and read after a longjmp.
    uint8_t* volatile band = nullptr;
    volatile int filled = 0;
    if (setjmp(png_jmpbuf(job->png))) {
        if (band && filled > 0) job->pipe.EndWrite(filled);
        return false;
    }
    for (int y = 0; y < job->height;) {
        band = job->pipe.BeginWrite();
        if (!band) return true;   // the host refused a row
        filled = 0;
        for (; filled < bandRows && y < job->height; ++y) {
            png_read_row(job->png, band + rowBytes * filled, nullptr);
            filled = filled + 1;
        }
        job->pipe.EndWrite(filled);
        band = nullptr;
    }
    // Damage after the last row leaves the picture whole.
    if (!setjmp(png_jmpbuf(job->png))) png_read_end(job->png, nullptr);
    return true;
}

unsigned __stdcall DecodeThread(void* param) {
    DecodeJob* job = (DecodeJob*)param;
    job->damaged = !DecodeRows(job);
    job->pipe.Close();
    return 0;
}

}  // namespace

// A file whose data ends early, or whose data or a later chunk is damaged,
// opens with the rows decoded before the damage and grey for the rest; an
// interlaced one with the passes decoded so far, each pixel standing for the
// block that later passes would refine. Nothing decoded: the read fails.
PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo*,
                                                  FileLayerName*, FileLayerInfo*,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    PngReader r;
    Layout l;
    if (!r.Open(path) || !Prepare(r, &l)) return 0;
    const size_t rowBytes = png_get_rowbytes(r.png, r.info);
    const int passes = png_set_interlace_handling(r.png);
    const size_t pixelBytes = l.indexed ? 1 : l.alpha ? 4 : 3;
    if (rowBytes < (size_t)l.width * pixelBytes) return 0;
    uint8_t palette[1024] = {};
    int grey = 0;               // palette index of grey
    bool greyChanged = false;   // the palette needs its grey entry sent
    if (l.indexed) {
        int entries = 0;
        if (png_get_color_type(r.png, r.info) == PNG_COLOR_TYPE_PALETTE) {
            png_colorp colours = nullptr;
            int n = 0;
            if (png_get_PLTE(r.png, r.info, &colours, &n) && colours) {
                for (int i = 0; i < n && i < 256; ++i) {
                    palette[i * 4] = colours[i].blue;
                    palette[i * 4 + 1] = colours[i].green;
                    palette[i * 4 + 2] = colours[i].red;
                }
                entries = n < 256 ? n : 256;
            }
        } else {
            // Grey: packed values were expanded to bytes 0..2^depth-1.
            int depth = png_get_bit_depth(r.png, r.info);
            int levels = depth >= 8 ? 256 : 1 << depth;
            for (int i = 0; i < levels; ++i) {
                uint8_t v = (uint8_t)(i * 255 / (levels - 1));
                palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = v;
            }
            entries = levels;
        }
        if (callbacks->setPalette) callbacks->setPalette(palette, 0);
        grey = GreyIndex(palette, entries, 8, &greyChanged);
    }
    // Interlaced files need the whole image before the first row is final.
    const bool whole = passes > 1;
    Block<uint8_t> image(whole ? rowBytes * (size_t)l.height : 0), bgr((size_t)l.width * 3),
        alpha((size_t)l.width);
    if ((whole && !image) || !bgr || !alpha) return 0;
    Progress progress(window);
    // The rows after the last one sent are grey: the data ended early or is damaged.
    auto greyRest = [&](int sent) {
        if (sent < l.height && greyChanged && callbacks->setPalette) callbacks->setPalette(palette, 0);
        return PutGreyRows(callbacks, l.width, l.indexed ? 8 : 24, grey, l.alpha, sent, l.height) ? 1 : 0;
    };
    if (!whole) {
        DecodeJob job;
        job.png = r.png;
        job.height = l.height;
        if (!job.pipe.Init(rowBytes, true)) return 0;
        int sent = 0;
        bool refused = false;
        {
            Worker worker;
            if (!worker.Start(DecodeThread, &job)) return 0;
            int n = 0;
            while (sent < l.height && !refused) {
                const uint8_t* band = job.pipe.BeginRead(&n);
                if (!band) break;
                for (int i = 0; i < n && sent < l.height; ++i, ++sent)
                    if (!SendRow(callbacks, l, sent, band + rowBytes * i, bgr.get(), alpha.get())) {
                        refused = true;
                        break;
                    }
                job.pipe.EndRead();
                progress.Report(sent, l.height);
            }
            // A host without room for the picture ends the decode too.
            if (refused) job.pipe.Abort();
            worker.Join();
        }
        int ok = 0;
        if (!refused && sent == l.height) ok = 1;
        else if (!refused && job.damaged && sent > 0) ok = greyRest(sent);
        progress.Done();
        return ok;
    }
    // Grey until a pass reaches a pixel; each pass fills the blocks that
    // later passes refine, so a cut file still shows the whole picture.
    const uint8_t pixel[4] = {l.indexed ? (uint8_t)grey : kMissingGrey, kMissingGrey, kMissingGrey, 255};
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x) std::memcpy(image.get() + rowBytes * y + pixelBytes * x, pixel, pixelBytes);
    // Changed by the decode and read after a longjmp: whether any row was
    // decoded, and the rows handed to the host.
    volatile bool decoded = false;
    volatile int sent = 0;
    if (setjmp(png_jmpbuf(r.png))) {
        // The data ended early or is damaged: what was decoded, grey for the rest.
        int ok = 0;
        if (decoded && sent == 0) {
            if (greyChanged && callbacks->setPalette) callbacks->setPalette(palette, 0);
            int y = 0;
            while (y < l.height && SendRow(callbacks, l, y, image.get() + rowBytes * y, bgr.get(), alpha.get())) ++y;
            ok = y == l.height;
        } else if (sent > 0) {
            ok = greyRest(sent);
        }
        progress.Done();
        return ok;
    }
    for (int p = 0; p < passes; ++p)
        for (int y = 0; y < l.height; ++y) {
            png_read_row(r.png, nullptr, image.get() + rowBytes * y);
            decoded = true;
        }
    for (int y = 0; y < l.height; ++y) {
        if (!SendRow(callbacks, l, y, image.get() + rowBytes * y, bgr.get(), alpha.get())) {
            progress.Done();
            return 0;
        }
        sent = y + 1;
        progress.Report(y + 1, l.height);
    }
    // Damage after the last row leaves the picture whole.
    png_read_end(r.png, nullptr);
    progress.Done();
    return 1;
}
