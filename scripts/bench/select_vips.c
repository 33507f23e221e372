/* The libvips side of the selection benchmark, one thread, in process: the
 * region of the seed (every band within 20 of the seed's colour) flooded with
 * vips_draw_flood1 on the same picture (the within-tolerance test is made into
 * a one-band image first, untimed: draw_flood compares for equality), and a
 * Gaussian blur (sigma 10, reaching about 20 pixels) of an 8-bit mask of the
 * same size, written to memory. Arguments: raw RGB file, width, height, seed
 * x, seed y. Prints milliseconds of each operation alone. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <vips/vips.h>

static double Seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    if (argc < 6 || VIPS_INIT(argv[0])) return 1;
    vips_concurrency_set(1);
    const int w = atoi(argv[2]), h = atoi(argv[3]), sx = atoi(argv[4]), sy = atoi(argv[5]);
    const size_t n = (size_t)w * h;
    unsigned char* rgb = malloc(n * 3);
    unsigned char* band = malloc(n);
    FILE* f = fopen(argv[1], "rb");
    if (!rgb || !band || !f || fread(rgb, 1, n * 3, f) != n * 3) return 1;
    fclose(f);
    const unsigned char* seed = rgb + ((size_t)sy * w + sx) * 3;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char* p = rgb + 3 * i;
        band[i] = abs(p[0] - seed[0]) <= 20 && abs(p[1] - seed[1]) <= 20 && abs(p[2] - seed[2]) <= 20 ? 255 : 0;
    }
    VipsImage* image = vips_image_new_from_memory_copy(band, n, w, h, 1, VIPS_FORMAT_UCHAR);
    double t0 = Seconds();
    if (vips_draw_flood1(image, 128, sx, sy, "equal", TRUE, NULL)) return 1;
    const double flood = Seconds() - t0;
    size_t size = 0;
    unsigned char* out = vips_image_write_to_memory(image, &size);
    long long filled = 0;
    for (size_t i = 0; i < size; ++i) filled += out[i] == 128;
    g_free(out);

    VipsImage* mask = vips_image_new_from_memory_copy(band, n, w, h, 1, VIPS_FORMAT_UCHAR);
    VipsImage* blurred = NULL;
    t0 = Seconds();
    if (vips_gaussblur(mask, &blurred, 10.0, NULL)) return 1;
    out = vips_image_write_to_memory(blurred, &size);
    const double blur = Seconds() - t0;
    g_free(out);
    printf("vips region_4000x3000: %.1f ms\n", flood * 1000);
    printf("vips region_pixels: %lld\n", filled);
    printf("vips maskblur_4000x3000: %.1f ms\n", blur * 1000);
    g_object_unref(blurred);
    g_object_unref(mask);
    g_object_unref(image);
    free(rgb);
    free(band);
    return 0;
}
