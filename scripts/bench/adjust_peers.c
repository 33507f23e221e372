/* The adjust benchmark's peers, timed in process: ImageMagick (one thread)
 * and libvips (one thread) apply the same 256-entry curve table and the same
 * 5 x 5 box to a 4,000 x 3,000 picture. Each figure is the best of three
 * runs of the operation alone, in seconds. The table is read from the file
 * named by the first argument (256 bytes, written by bench_adjust.exe). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vips/vips.h>
#include <wand/MagickWand.h>

enum { W = 4000, H = 3000, RUNS = 3 };

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static unsigned char* Pattern(void) {
    unsigned char* p = malloc((size_t)W * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            unsigned char* o = p + 3 * ((size_t)y * W + x);
            o[0] = (unsigned char)(x * 7 + y * 3);
            o[1] = (unsigned char)(x * 2 + y * 5);
            o[2] = (unsigned char)((x ^ y) * 11);
        }
    return p;
}

int main(int argc, char** argv) {
    unsigned char table[256];
    FILE* f = argc > 1 ? fopen(argv[1], "rb") : NULL;
    if (!f || fread(table, 1, 256, f) != 256) {
        fprintf(stderr, "adjust_peers: no curve table\n");
        return 1;
    }
    fclose(f);
    unsigned char* pixels = Pattern();

    /* ImageMagick. */
    MagickWandGenesis();
    SetMagickResourceLimit(ThreadResource, 1);
    double best_clut = 1e9, best_blur = 1e9;
    unsigned char clut_row[256 * 3];
    for (int i = 0; i < 256; ++i) clut_row[3 * i] = clut_row[3 * i + 1] = clut_row[3 * i + 2] = table[i];
    double kernel[25];
    for (int i = 0; i < 25; ++i) kernel[i] = 1.0 / 25.0;
    for (int run = 0; run < RUNS; ++run) {
        MagickWand* image = NewMagickWand();
        MagickConstituteImage(image, W, H, "RGB", CharPixel, pixels);
        MagickWand* clut = NewMagickWand();
        MagickConstituteImage(clut, 256, 1, "RGB", CharPixel, clut_row);
        double t0 = Now();
        MagickClutImage(image, clut);
        double t = Now() - t0;
        if (t < best_clut) best_clut = t;
        DestroyMagickWand(image);
        image = NewMagickWand();
        MagickConstituteImage(image, W, H, "RGB", CharPixel, pixels);
        t0 = Now();
        MagickConvolveImage(image, 5, kernel);
        t = Now() - t0;
        if (t < best_blur) best_blur = t;
        DestroyMagickWand(image);
        DestroyMagickWand(clut);
    }
    MagickWandTerminus();
    printf("magick curve: %.4f s\nmagick blur: %.4f s\n", best_clut, best_blur);

    /* libvips. */
    if (VIPS_INIT(argv[0])) return 1;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    double best_lut = 1e9, best_conv = 1e9;
    VipsImage* lut = vips_image_new_from_memory_copy(table, 256, 256, 1, 1, VIPS_FORMAT_UCHAR);
    VipsImage* mask = vips_image_new_matrix(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) *VIPS_MATRIX(mask, x, y) = 1;
    vips_image_set_double(mask, "scale", 25);
    vips_image_set_double(mask, "offset", 0);
    for (int run = 0; run < RUNS; ++run) {
        VipsImage* in = vips_image_new_from_memory(pixels, (size_t)W * H * 3, W, H, 3, VIPS_FORMAT_UCHAR);
        VipsImage* out = NULL;
        double t0 = Now();
        vips_maplut(in, &out, lut, NULL);
        VipsImage* memory = vips_image_new_memory();
        vips_image_write(out, memory);
        double t = Now() - t0;
        if (t < best_lut) best_lut = t;
        g_object_unref(memory);
        g_object_unref(out);
        t0 = Now();
        vips_conv(in, &out, mask, "precision", VIPS_PRECISION_INTEGER, NULL);
        memory = vips_image_new_memory();
        vips_image_write(out, memory);
        t = Now() - t0;
        if (t < best_conv) best_conv = t;
        g_object_unref(memory);
        g_object_unref(out);
        g_object_unref(in);
    }
    printf("vips curve: %.4f s\nvips blur: %.4f s\n", best_lut, best_conv);
    g_object_unref(lut);
    g_object_unref(mask);
    vips_shutdown();
    free(pixels);
    return 0;
}
