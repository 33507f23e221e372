// PNG files to and from SimpleImage records, over libpng. Every error of the
// library (damaged or truncated data, sizes beyond the limit) comes back
// through its jump buffer as PngFailed.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "ui/sysutil.h"
#include "browser/codecs/codec_io.h"
#include "browser/codecs/image_codecs.h"

namespace {

constexpr uint64_t kMaxFile = (uint64_t)1 << 30;

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

struct Memory {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void ReadMemory(png_structp png, png_bytep out, size_t length) {
    auto* m = (Memory*)png_get_io_ptr(png);
    if (length > m->size - m->at) png_error(png, "truncated");
    std::memcpy(out, m->data + m->at, length);
    m->at += length;
}

struct ReadState {
    png_structp png;
    png_infop info;
    SimpleImage* image;
    png_bytep* rows;
};

// A colour key of depth bits scaled to 8 bits.
uint8_t KeyByte(png_uint_16 v, int depth) {
    if (depth == 16) return (uint8_t)(v >> 8);
    if (depth == 8) return (uint8_t)v;
    return (uint8_t)(v * 255 / ((1 << depth) - 1));
}

int Decode(ReadState* st, Memory* memory) {
    png_structp png = st->png;
    png_infop info = st->info;
    if (setjmp(png_jmpbuf(png))) return PngFailed;
    png_set_read_fn(png, memory, ReadMemory);
    png_set_user_limits(png, SimpleMaxSide, SimpleMaxSide);
    png_set_chunk_malloc_max(png, (png_alloc_size_t)64 << 20);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    const int type = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (!SimpleSizeAcceptable(width, height)) return PngFailed;
    int32_t kind, bits;
    bool masked = false;
    switch (type) {
    case PNG_COLOR_TYPE_PALETTE: kind = SimpleKindPalette; bits = 8; break;
    case PNG_COLOR_TYPE_GRAY: kind = SimpleKindGrey; bits = 8; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: kind = SimpleKindGrey; bits = 16; masked = true; break;
    case PNG_COLOR_TYPE_RGB: kind = SimpleKindRgb; bits = 24; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: kind = SimpleKindRgb; bits = 32; masked = true; break;
    default: return PngFailed;
    }
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) {
        if (type == PNG_COLOR_TYPE_PALETTE) png_set_packing(png);
        else png_set_expand_gray_1_2_4_to_8(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    st->image = NewSimpleImage(kind, (int32_t)width, (int32_t)height, bits);
    if (!st->image) return PngFailed;
    SimpleImage* image = st->image;
    if (png_get_rowbytes(png, info) != (size_t)image->stride) return PngFailed;

    if (kind == SimpleKindPalette) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &entries, &count) || count < 1 || count > 256) return PngFailed;
        image->palette = SimpleAlloc(4 * (uint64_t)count);
        if (!image->palette) return PngFailed;
        image->paletteCount = count;
        for (int i = 0; i < count; ++i) {
            image->palette[4 * i] = entries[i].blue;
            image->palette[4 * i + 1] = entries[i].green;
            image->palette[4 * i + 2] = entries[i].red;
        }
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_bytep alpha = nullptr;
        int count = 0;
        png_color_16p key = nullptr;
        png_get_tRNS(png, info, &alpha, &count, &key);
        if (kind == SimpleKindPalette) {
            image->pngTransparency = SimpleAlloc((uint64_t)image->paletteCount);
            if (!image->pngTransparency) return PngFailed;
            image->pngTransparencyKind = SimplePngPaletteAlpha;
            for (int i = 0; i < image->paletteCount; ++i)
                image->pngTransparency[i] = alpha && i < count ? alpha[i] : 255;
        } else if (key) {
            image->pngTransparency = SimpleAlloc(4);
            if (!image->pngTransparency) return PngFailed;
            image->pngTransparencyKind = SimplePngColourKey;
            uint8_t* k = image->pngTransparency;
            if (kind == SimpleKindGrey) {
                k[0] = k[1] = k[2] = KeyByte(key->gray, depth);
            } else {
                k[0] = KeyByte(key->red, depth);
                k[1] = KeyByte(key->green, depth);
                k[2] = KeyByte(key->blue, depth);
            }
        }
    }
    st->rows = (png_bytep*)SimpleAlloc(sizeof(png_bytep) * (uint64_t)height);
    if (!st->rows) return PngFailed;
    for (png_uint_32 y = 0; y < height; ++y) st->rows[y] = image->pixels + (int64_t)y * image->stride;
    png_read_image(png, st->rows);
    png_read_end(png, nullptr);
    if (masked) {
        image->mask = SimpleAlloc((uint64_t)width * height);
        if (!image->mask) return PngFailed;
        image->maskDepth = 8;
        const int step = bits / 8;
        for (png_uint_32 y = 0; y < height; ++y)
            for (png_uint_32 x = 0; x < width; ++x)
                image->mask[(uint64_t)y * width + x] = st->rows[y][(uint64_t)x * step + step - 1];
    }
    return CodecOk;
}

}  // namespace

int ReadPngImage(const char* path, SimpleImage** record) {
    if (!record) return PngFailed;
    *record = nullptr;
    if (!path) return CodecCannotOpen;
    size_t size = 0;
    bool opened = false;
    uint8_t* data = ReadCodecFile(path, kMaxFile, &size, &opened);
    if (!opened) return CodecCannotOpen;
    if (!data) return PngFailed;
    ReadState st{};
    int result = PngFailed;
    // libpng refuses structures asked for by an older version string: the
    // version is the one the program is built with.
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    if (st.png) st.info = png_create_info_struct(st.png);
    if (st.png && st.info) {
        Memory memory{.data = data, .size = size, .at = 0};
        result = Decode(&st, &memory);
    }
    if (st.png) png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
    if (st.rows) GlobalFree(st.rows);
    GlobalFree(data);
    if (result == CodecOk) *record = st.image;
    else FreeSimpleImage(&st.image);
    return result;
}

namespace {

void WriteHandle(png_structp png, png_bytep data, size_t length) {
    if (!WriteAll((HANDLE)png_get_io_ptr(png), data, length)) png_error(png, "write");
}
void FlushNothing(png_structp) {}

struct WriteState {
    const SimpleImage* image;
    int colourType;
};

bool Encode(png_structp png, png_infop info, WriteState* st, HANDLE file) {
    if (setjmp(png_jmpbuf(png))) return false;
    const SimpleImage* image = st->image;
    png_set_write_fn(png, file, WriteHandle, FlushNothing);
    png_set_IHDR(png, info, (png_uint_32)image->width, (png_uint_32)image->height, 8, st->colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha[256];
    if (image->kind == SimpleKindPalette) {
        const int count = image->paletteCount < 256 ? image->paletteCount : 256;
        for (int i = 0; i < count; ++i)
            palette[i] = png_color{.red = image->palette[4 * i + 2], .green = image->palette[4 * i + 1],
                                   .blue = image->palette[4 * i]};
        png_set_PLTE(png, info, palette, count);
        if (image->pngTransparencyKind == SimplePngPaletteAlpha && image->pngTransparency) {
            for (int i = 0; i < count; ++i) alpha[i] = image->pngTransparency[i];
            png_set_tRNS(png, info, alpha, count, nullptr);
        }
    } else if (image->pngTransparencyKind == SimplePngColourKey && image->pngTransparency &&
               (st->colourType == PNG_COLOR_TYPE_RGB || st->colourType == PNG_COLOR_TYPE_GRAY)) {
        const uint8_t* k = image->pngTransparency;
        png_color_16 key{.index = 0, .red = k[0], .green = k[1], .blue = k[2], .gray = k[0]};
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    for (int32_t y = 0; y < image->height; ++y)
        png_write_row(png, image->pixels + (int64_t)y * image->stride);
    png_write_end(png, info);
    return true;
}

bool WritePngTo(HANDLE file, void* user) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    const bool ok = info && Encode(png, info, (WriteState*)user, file);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok;
}

}  // namespace

int WritePngImage(const char* path, const SimpleImage* record) {
    if (!path) return CodecCannotOpen;
    if (!record || !record->pixels || !SimpleSizeAcceptable(record->width, record->height)) return CodecBadRecord;
    const bool masked = record->maskDepth == 8;
    int colourType, bits;
    switch (record->kind) {
    case SimpleKindRgb:
        colourType = masked ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        bits = masked ? 32 : 24;
        break;
    case SimpleKindGrey:
        colourType = masked ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
        bits = masked ? 16 : 8;
        break;
    case SimpleKindPalette:
        colourType = PNG_COLOR_TYPE_PALETTE;
        bits = 8;
        if (!record->palette || record->paletteCount < 1) return CodecBadRecord;
        break;
    default:
        return CodecBadRecord;
    }
    if (record->bits != bits || (int64_t)record->stride < (int64_t)record->width * bits / 8) return CodecBadRecord;
    WriteState st{.image = record, .colourType = colourType};
    return WriteFileReplacingWith(path, WritePngTo, &st) ? CodecOk : CodecCannotOpen;
}
