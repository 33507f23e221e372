// JPEG files to and from SimpleImage records, over libjpeg. The reader decodes
// the whole file from memory; a file that ends before the picture does is
// refused, not padded.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "ui/sysutil.h"
#include "browser/codecs/codec_io.h"
#include "browser/codecs/image_codecs.h"
#include "plugins/jpeg/jpeg_io.h"

namespace {

// Largest file the reader takes into memory.
constexpr uint64_t kMaxFile = (uint64_t)1 << 30;

// The data in memory. Running out of data is remembered and answered with an
// end-of-image marker, so the decoder stops instead of asking again.
struct MemorySource {
    jpeg_source_mgr pub;
    bool ranOut;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    auto* s = (MemorySource*)cinfo->src;
    s->ranOut = true;
    s->pub.next_input_byte = kEndOfImage;
    s->pub.bytes_in_buffer = 2;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    auto* s = (MemorySource*)cinfo->src;
    if (count <= 0) return;
    if ((size_t)count > s->pub.bytes_in_buffer) {
        s->ranOut = true;
        s->pub.bytes_in_buffer = 0;
        return;
    }
    s->pub.next_input_byte += count;
    s->pub.bytes_in_buffer -= (size_t)count;
}

struct ReadState {
    jpeg_decompress_struct cinfo;
    plug::JpegError error;
    MemorySource source;
    SimpleImage* image;
    // A reduced read: the size it must cover, from the picture's; null for a full read.
    JpegReductionFit fit;
    void* fitUser;
};

// The largest of the decoder's reductions (8, 4, 2) whose picture is still at
// least minWidth x minHeight, or 0 when none is.
int ReductionFor(const jpeg_decompress_struct& c, int minWidth, int minHeight) {
    for (int denom : {8, 4, 2}) {
        const int64_t w = ((int64_t)c.image_width + denom - 1) / denom, h = ((int64_t)c.image_height + denom - 1) / denom;
        if (w >= minWidth && h >= minHeight) return denom;
    }
    return 0;
}

// Runs the decoder; every exit of libjpeg by error comes back here.
int Decode(ReadState* st, const uint8_t* data, size_t size) {
    j_decompress_ptr cinfo = &st->cinfo;
    if (setjmp(st->error.jump)) return st->source.ranOut ? JpegShortRead : JpegDamaged;
    jpeg_create_decompress(cinfo);
    st->source.pub = jpeg_source_mgr{
        .next_input_byte = data,
        .bytes_in_buffer = size,
        .init_source = InitSource,
        .fill_input_buffer = FillInput,
        .skip_input_data = SkipInput,
        .resync_to_restart = jpeg_resync_to_restart,
        .term_source = TermSource,
    };
    cinfo->src = &st->source.pub;
    jpeg_read_header(cinfo, TRUE);
    if (st->source.ranOut) return JpegShortRead;
    if (!SimpleSizeAcceptable(cinfo->image_width, cinfo->image_height)) return JpegTooLarge;
    if (st->fit) {
        // Reduced reads take colour and grey files only: ink files stay with the full read.
        if (cinfo->jpeg_color_space != JCS_YCbCr && cinfo->jpeg_color_space != JCS_GRAYSCALE &&
            cinfo->jpeg_color_space != JCS_RGB)
            return JpegUnsupported;
        int minWidth = 0, minHeight = 0;
        if (!st->fit((int)cinfo->image_width, (int)cinfo->image_height, st->fitUser, &minWidth, &minHeight) ||
            minWidth < 1 || minHeight < 1)
            return JpegNotReduced;
        const int denom = ReductionFor(*cinfo, minWidth, minHeight);
        if (!denom) return JpegNotReduced;
        cinfo->scale_num = 1;
        cinfo->scale_denom = (unsigned)denom;
    }
    int32_t kind;
    switch (cinfo->out_color_space) {
    case JCS_GRAYSCALE: kind = SimpleKindGrey; break;
    case JCS_RGB: kind = SimpleKindRgb; break;
    case JCS_CMYK: kind = SimpleKindCmyk; break;
    default: return JpegUnsupported;
    }
    jpeg_start_decompress(cinfo);
    const int components = cinfo->output_components;
    if ((kind == SimpleKindGrey && components != 1) || (kind == SimpleKindRgb && components != 3) ||
        (kind == SimpleKindCmyk && components != 4))
        return JpegUnsupported;
    st->image = NewSimpleImage(kind, (int32_t)cinfo->output_width, (int32_t)cinfo->output_height, 8 * components);
    if (!st->image) return JpegNoPixels;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = st->image->pixels + (int64_t)cinfo->output_scanline * st->image->stride;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return JpegDamaged;
        if (st->source.ranOut) return JpegShortRead;
    }
    jpeg_finish_decompress(cinfo);
    if (st->source.ranOut) return JpegShortRead;
    return CodecOk;
}

}  // namespace

namespace {

int ReadJpeg(const char* path, JpegReductionFit fit, void* fitUser, SimpleImage** record) {
    if (!record) return JpegUnsupported;
    *record = nullptr;
    if (!path) return CodecCannotOpen;
    size_t size = 0;
    bool opened = false;
    uint8_t* data = ReadCodecFile(path, kMaxFile, &size, &opened);
    if (!opened) return CodecCannotOpen;
    if (!data) return JpegShortRead;
    auto* st = (ReadState*)SimpleAlloc(sizeof(ReadState));
    if (!st) {
        GlobalFree(data);
        return JpegUnsupported;
    }
    st->cinfo.err = plug::JpegErrorInit(&st->error);
    st->fit = fit;
    st->fitUser = fitUser;
    int result = Decode(st, data, size);
    jpeg_destroy_decompress(&st->cinfo);
    GlobalFree(data);
    if (result == CodecOk && st->image->kind == SimpleKindCmyk) {
        // The decoder gives the inverted inks of Adobe's files.
        const uint64_t bytes = (uint64_t)st->image->stride * st->image->height;
        for (uint64_t i = 0; i < bytes; ++i) st->image->pixels[i] = (uint8_t)(255 - st->image->pixels[i]);
    }
    if (result == CodecOk) *record = st->image;
    else FreeSimpleImage(&st->image);
    GlobalFree(st);
    return result;
}

}  // namespace

int ReadJpegImage(const char* path, SimpleImage** record) { return ReadJpeg(path, nullptr, nullptr, record); }

int ReadJpegImageReduced(const char* path, JpegReductionFit fit, void* user, SimpleImage** record) {
    if (!fit) {
        if (record) *record = nullptr;
        return JpegNotReduced;
    }
    return ReadJpeg(path, fit, user, record);
}

namespace {

struct WriteState {
    jpeg_compress_struct cinfo;
    plug::JpegError error;
    plug::File file;
    const SimpleImage* image;
    int components;
    J_COLOR_SPACE space;
    int quality;
    uint8_t* row;
};

bool Encode(WriteState* st) {
    j_compress_ptr cinfo = &st->cinfo;
    if (setjmp(st->error.jump)) return false;
    jpeg_create_compress(cinfo);
    plug::JpegFileDestination(cinfo, &st->file);
    const SimpleImage* image = st->image;
    cinfo->image_width = (JDIMENSION)image->width;
    cinfo->image_height = (JDIMENSION)image->height;
    cinfo->input_components = st->components;
    cinfo->in_color_space = st->space;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, st->quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    const int step = image->bits / 8;
    const bool invert = image->kind == SimpleKindCmyk;
    for (int32_t y = 0; y < image->height; ++y) {
        // The colour samples of the row (an interleaved mask is left out);
        // CMYK inks are stored inverted, as Adobe's files have them.
        const uint8_t* s = image->pixels + (int64_t)y * image->stride;
        for (int32_t x = 0; x < image->width; ++x)
            for (int c = 0; c < st->components; ++c) {
                const uint8_t v = s[(int64_t)x * step + c];
                st->row[(int64_t)x * st->components + c] = invert ? (uint8_t)(255 - v) : v;
            }
        JSAMPROW row = st->row;
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

int WriteJpegTo(void* user, const char* temporaryPath) {
    auto* st = (WriteState*)user;
    if (!st->file.Create(temporaryPath)) return 0;
    st->cinfo.err = plug::JpegErrorInit(&st->error);
    const bool ok = Encode(st);
    jpeg_destroy_compress(&st->cinfo);
    st->file.Close();
    return ok ? 1 : 0;
}

}  // namespace

int WriteJpegImage(const char* path, const SimpleImage* record, int quality) {
    if (!path) return CodecCannotOpen;
    if (!record || !record->pixels || !SimpleSizeAcceptable(record->width, record->height)) return CodecBadRecord;
    int components;
    J_COLOR_SPACE space;
    switch (record->kind) {
    case SimpleKindRgb: components = 3; space = JCS_RGB; break;
    case SimpleKindCmyk: components = 4; space = JCS_CMYK; break;
    case SimpleKindGrey: components = 1; space = JCS_GRAYSCALE; break;
    case SimpleKindPalette: return JpegNoPixels;
    default: return CodecBadRecord;
    }
    if (record->bits % 8 || record->bits / 8 < components ||
        (int64_t)record->stride < (int64_t)record->width * (record->bits / 8))
        return CodecBadRecord;
    auto* st = new (std::nothrow) WriteState{};
    uint8_t* row = SimpleAlloc((uint64_t)record->width * components);
    int result = CodecCannotOpen;
    if (st && row) {
        st->image = record;
        st->components = components;
        st->space = space;
        st->quality = quality < 0 ? 0 : quality > 100 ? 100 : quality;
        st->row = row;
        result = ReplaceFileThroughTemp(path, WriteJpegTo, st) ? CodecOk : CodecCannotOpen;
    }
    if (row) GlobalFree(row);
    delete st;
    return result;
}
