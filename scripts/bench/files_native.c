/* The peer side of the files and codecs benchmarks: libjpeg-turbo and libpng
 * (with zlib) from the Debian packages, timed inside this process.
 *   files_native jpeg <file.jpg> <picture.ppm> <quality> <runs> <scratch file>
 *   files_native png <file.png> <picture.ppm> <level> <runs> <scratch file> [4]
 * Decodes the file into memory (all rows) and encodes the picture (a binary
 * PPM) from memory into the scratch file, each the given number of times, and
 * prints "decode: <ms> ms" and "encode: <ms> ms", the best runs, and the
 * encoded file's size. The decoded
 * rows go into one block kept from run to run (as an editor's store keeps its
 * pages). The PNG is written as RGB (with the argument 4: RGBA, every pixel
 * opaque) with libpng's default filters at the given zlib level. */
#include <setjmp.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
#include <png.h>
#include <string.h>
#include <time.h>

static double Ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

static void Fail(const char* what, const char* path) {
    fprintf(stderr, "files_native: %s %s\n", what, path);
    exit(1);
}

/* A binary PPM (P6, 8 bits) into memory. */
static unsigned char* ReadPpm(const char* path, int* width, int* height) {
    FILE* f = fopen(path, "rb");
    int max = 0;
    if (!f) Fail("cannot open", path);
    if (fscanf(f, "P6 %d %d %d", width, height, &max) != 3 || max != 255 || fgetc(f) == EOF)
        Fail("not an 8-bit binary PPM:", path);
    size_t size = (size_t)*width * *height * 3;
    unsigned char* pixels = malloc(size);
    if (!pixels || fread(pixels, 1, size, f) != size) Fail("cannot read", path);
    fclose(f);
    return pixels;
}

struct JpegError {
    struct jpeg_error_mgr mgr;
    jmp_buf jump;
};

static void JpegExit(j_common_ptr info) { longjmp(((struct JpegError*)info->err)->jump, 1); }

/* The decoded picture's block, kept from run to run. */
static unsigned char* Pixels(size_t size) {
    static unsigned char* block;
    static size_t capacity;
    if (size > capacity) {
        free(block);
        block = malloc(size);
        if (!block) Fail("out of memory", "");
        memset(block, 0, size);
        capacity = size;
    }
    return block;
}

static double JpegDecode(const char* path) {
    struct jpeg_decompress_struct d;
    struct JpegError error;
    FILE* f = fopen(path, "rb");
    if (!f) Fail("cannot open", path);
    d.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = JpegExit;
    if (setjmp(error.jump)) Fail("cannot decode", path);
    double t0 = Ms();
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    size_t stride = (size_t)d.output_width * d.output_components;
    unsigned char* pixels = Pixels(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = pixels + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    double t1 = Ms();
    fclose(f);
    return t1 - t0;
}

static double JpegEncode(const unsigned char* pixels, int width, int height, int quality, const char* out) {
    struct jpeg_compress_struct c;
    struct JpegError error;
    double t0 = Ms();
    FILE* f = fopen(out, "wb");
    if (!f) Fail("cannot create", out);
    c.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = JpegExit;
    if (setjmp(error.jump)) Fail("cannot encode", out);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)width;
    c.image_height = (JDIMENSION)height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = (JSAMPROW)(pixels + (size_t)width * 3 * c.next_scanline);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(f);
    return Ms() - t0;
}

static double PngDecode(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) Fail("cannot open", path);
    double t0 = Ms();
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!png || !info || setjmp(png_jmpbuf(png))) Fail("cannot decode", path);
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_read_update_info(png, info);
    int height = (int)png_get_image_height(png, info);
    size_t stride = png_get_rowbytes(png, info);
    unsigned char* pixels = Pixels(stride * height);
    for (int y = 0; y < height; ++y) png_read_row(png, pixels + stride * y, NULL);
    png_read_end(png, NULL);
    png_destroy_read_struct(&png, &info, NULL);
    double t1 = Ms();
    fclose(f);
    return t1 - t0;
}

static double PngEncode(const unsigned char* pixels, int width, int height, int channels, int level,
                        const char* out) {
    double t0 = Ms();
    FILE* f = fopen(out, "wb");
    if (!f) Fail("cannot create", out);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!png || !info || setjmp(png_jmpbuf(png))) Fail("cannot encode", out);
    png_init_io(png, f);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, pixels + (size_t)width * channels * y);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return Ms() - t0;
}

int main(int argc, char** argv) {
    if (argc < 7 || (strcmp(argv[1], "jpeg") && strcmp(argv[1], "png"))) {
        fprintf(stderr, "usage: files_native jpeg|png <file> <picture.ppm> <quality|level> <runs> <scratch>\n");
        return 2;
    }
    const int jpeg = strcmp(argv[1], "jpeg") == 0;
    const int setting = atoi(argv[4]);
    int runs = atoi(argv[5]);
    if (runs < 1) runs = 1;
    int width, height;
    unsigned char* pixels = ReadPpm(argv[3], &width, &height);
    const int channels = !jpeg && argc > 7 && atoi(argv[7]) == 4 ? 4 : 3;
    if (channels == 4) {
        unsigned char* rgba = malloc((size_t)width * height * 4);
        if (!rgba) Fail("out of memory for", argv[3]);
        for (size_t i = 0; i < (size_t)width * height; ++i) {
            memcpy(rgba + i * 4, pixels + i * 3, 3);
            rgba[i * 4 + 3] = 255;
        }
        free(pixels);
        pixels = rgba;
    }
    double bestDecode = 1e30, bestEncode = 1e30;
    for (int i = 0; i < runs; ++i) {
        double t = jpeg ? JpegDecode(argv[2]) : PngDecode(argv[2]);
        if (t < bestDecode) bestDecode = t;
    }
    for (int i = 0; i < runs; ++i) {
        double t = jpeg ? JpegEncode(pixels, width, height, setting, argv[6])
                        : PngEncode(pixels, width, height, channels, setting, argv[6]);
        if (t < bestEncode) bestEncode = t;
    }
    free(pixels);
    FILE* f = fopen(argv[6], "rb");
    long size = 0;
    if (f && fseek(f, 0, SEEK_END) == 0) size = ftell(f);
    if (f) fclose(f);
    remove(argv[6]);
    printf("encoded size: %ld bytes\n", size);
    printf("decode: %.1f ms\n", bestDecode);
    printf("encode: %.1f ms\n", bestEncode);
    return 0;
}
