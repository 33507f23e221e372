// Pictures read through the real reader plug-ins into the browser's 24-bit
// bitmaps, and the thumbnails the loader makes of them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <cstdio>

#include <jpeglib.h>
#include <zlib.h>

#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/thumb_pane.h"
#include "browser_fixture.h"
#include "test_support.h"

using namespace bvtest;

TEST(BrowserRead, EveryFormatComesBackAs24Bits) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib pattern = MakePattern(37, 23, 5);
    struct Case {
        const char* name;
        int tolerance;   // mean difference a channel; JPEG is lossy
    };
    const Case cases[] = {{"a.bmp", 0}, {"a.png", 0}, {"a.tif", 0}, {"a.jpg", 6}, {"a.dra", 0}};
    for (const Case& c : cases) {
        const std::string path = pics.File(c.name);
        ASSERT_TRUE(WritePicture(pattern, path)) << c.name;
        PackedDib got = ReadImageToDib24(path.c_str());
        ASSERT_NE(nullptr, got) << c.name;
        EXPECT_EQ(24, got->biBitCount) << c.name;
        ASSERT_EQ(37, got->biWidth) << c.name;
        ASSERT_EQ(23, got->biHeight) << c.name;
        long total = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                int r, g, b;
                GetDib24Rgb(got, x, y, &r, &g, &b);
                COLORREF want = PatternRgb(x, y, 5);
                total += std::abs(r - GetRValue(want)) + std::abs(g - GetGValue(want)) + std::abs(b - GetBValue(want));
            }
        EXPECT_LE(total / (37 * 23 * 3), c.tolerance) << c.name;
        int w = 0, h = 0;
        EXPECT_EQ(1, QueryImageSize(path.c_str(), &w, &h)) << c.name;
        EXPECT_EQ(37, w);
        FreePackedDib(got);
    }
    FreePackedDib(pattern);
}

TEST(BrowserRead, IndexedFilesGoThroughTheirPalette) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib idx = CreateDib24(4, 2, 8);
    RGBQUAD* table = (RGBQUAD*)(idx + 1);
    table[3] = RGBQUAD{200, 100, 50, 0};
    GetPackedDibBits(idx)[2] = 3;   // bottom row, pixel 2
    const std::string path = pics.File("i.bmp");
    ASSERT_EQ(1, SavePackedDibBmp(path.c_str(), idx));
    PackedDib got = ReadImageToDib24(path.c_str());
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(24, got->biBitCount);
    int r, g, b;
    GetDib24Rgb(got, 2, 1, &r, &g, &b);
    EXPECT_EQ(50, r);
    EXPECT_EQ(100, g);
    EXPECT_EQ(200, b);
    FreePackedDib(got);
    FreePackedDib(idx);
}

TEST(BrowserRead, ThumbnailsFitTheBoxAndBadFilesGetThePlaceholder) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("pics");
    PackedDib wide = MakePattern(400, 100, 2);
    const std::string good = pics.File("w.png");
    ASSERT_TRUE(WritePicture(wide, good));
    PackedDib t = MakeThumbnail(good.c_str(), 102, 89);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(102, t->biWidth);
    EXPECT_EQ(25, t->biHeight);
    EXPECT_EQ(24, t->biBitCount);
    FreePackedDib(t);
    const std::string bad = pics.File("bad.jpg");
    testsupport::WriteFileBytes(bad, "not a jpeg at all", 17);
    const std::string nothing = pics.File("missing.png");
    for (const std::string& path : {bad, nothing}) {
        EXPECT_EQ(nullptr, ReadImageToDib24(path.c_str())) << path;
        t = MakeThumbnail(path.c_str(), 102, 89);
        ASSERT_NE(nullptr, t);
        EXPECT_EQ(102, t->biWidth);
        EXPECT_EQ(89, t->biHeight);
        int r, g, b;
        GetDib24Rgb(t, 50, 40, &r, &g, &b);
        EXPECT_EQ(0, r + g + b) << path;
        FreePackedDib(t);
    }
    FreePackedDib(wide);
}

TEST(BrowserRead, LargeJpegsGiveAQuickReducedPicture) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("fast");
    PackedDib big = MakePattern(2000, 1500, 6);
    const std::string path = pics.File("big.jpg"), small = pics.File("small.jpg");
    ASSERT_TRUE(WritePicture(big, path));
    PackedDib fast = ReadFastImage24(path.c_str());
    ASSERT_NE(nullptr, fast);
    EXPECT_EQ(500, fast->biWidth);   // decoded at a quarter of the size
    EXPECT_EQ(375, fast->biHeight);
    int r, g, b;
    GetDib24Rgb(fast, 100, 50, &r, &g, &b);
    COLORREF want = PatternRgb(400, 200, 6);
    EXPECT_NEAR(GetRValue(want), r, 24);
    EXPECT_NEAR(GetGValue(want), g, 24);
    EXPECT_NEAR(GetBValue(want), b, 24);
    FreePackedDib(fast);
    // A picture too small to gain from it has none; the full read serves.
    PackedDib little = MakePattern(300, 200, 6);
    ASSERT_TRUE(WritePicture(little, small));
    EXPECT_EQ(nullptr, ReadFastImage24(small.c_str()));
    PackedDib t = MakeThumbnail(small.c_str(), 102, 89);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(102, t->biWidth);
    FreePackedDib(t);
    FreePackedDib(little);
    FreePackedDib(big);
}

namespace {

void PutBigEndian(std::string* out, uint32_t v) {
    const char b[4] = {(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
    out->append(b, 4);
}

void PutChunk(std::string* out, const char* type, const std::string& data) {
    PutBigEndian(out, (uint32_t)data.size());
    const size_t start = out->size();
    out->append(type, 4);
    out->append(data);
    PutBigEndian(out, (uint32_t)crc32(0, (const Bytef*)out->data() + start, (uInt)(out->size() - start)));
}

// A non-interlaced 8-bit PNG (colour type 2, RGB, or 6, RGBA) whose rows
// `row(y, bytes)` fills (without the filter byte). Each row is deflated on
// its own and a row equal to the one before reuses its bytes, so pictures of
// a few thousand million pixels with repeated rows are written in moments
// and take a few megabytes.
bool WriteTestPng(const std::string& path, int width, int height, int colourType,
                  const std::function<void(int, uint8_t*)>& row) {
    const size_t channels = colourType == 6 ? 4 : 3, rowBytes = 1 + channels * (size_t)width;
    std::string out("\x89PNG\r\n\x1a\n", 8), header;
    PutBigEndian(&header, (uint32_t)width);
    PutBigEndian(&header, (uint32_t)height);
    header += (char)8;
    header += (char)colourType;
    header.append(3, '\0');
    PutChunk(&out, "IHDR", header);
    PutChunk(&out, "IDAT", std::string("\x78\x01", 2));
    std::vector<uint8_t> current(rowBytes), previous;
    std::string packed;
    uLong adler = adler32(0, nullptr, 0), rowAdler = 0;
    for (int y = 0; y < height; ++y) {
        current[0] = 0;   // no filter
        row(y, current.data() + 1);
        if (current != previous) {
            z_stream z = {};
            if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
            std::vector<uint8_t> buffer(deflateBound(&z, (uLong)rowBytes) + 64);
            z.next_in = current.data();
            z.avail_in = (uInt)rowBytes;
            z.next_out = buffer.data();
            z.avail_out = (uInt)buffer.size();
            // A sync flush ends the row's blocks on a byte without a final block.
            const int r = deflate(&z, Z_SYNC_FLUSH);
            packed.assign((const char*)buffer.data(), buffer.size() - z.avail_out);
            deflateEnd(&z);
            if (r != Z_OK || z.avail_in != 0) return false;
            rowAdler = adler32(adler32(0, nullptr, 0), current.data(), (uInt)rowBytes);
            previous = current;
        }
        adler = adler32_combine(adler, rowAdler, (z_off_t)rowBytes);
        PutChunk(&out, "IDAT", packed);
    }
    std::string end("\x03\x00", 2);   // an empty final block
    PutBigEndian(&end, (uint32_t)adler);
    PutChunk(&out, "IDAT", end);
    PutChunk(&out, "IEND", "");
    return testsupport::WriteFileBytes(path, out.data(), out.size());
}

// A baseline grey JPEG whose rows `row(y, bytes)` fills. False on failure.
bool WriteTestGreyJpeg(const std::string& path, int width, int height, const std::function<void(int, uint8_t*)>& row) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)width;
    c.image_height = (JDIMENSION)height;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 50, TRUE);
    c.dct_method = JDCT_IFAST;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> bytes((size_t)width);
    while ((int)c.next_scanline < height) {
        row((int)c.next_scanline, bytes.data());
        JSAMPROW rows[1] = {bytes.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

// Checks that every pixel of the thumbnail of a side x side picture whose
// columns before `split` are `left` and the others `right` shows its source
// column (j x side / width), and that the thumbnail fills the box as fitted.
void ExpectSplitThumbnail(const std::string& path, int side, int split, COLORREF left, COLORREF right, int tolerance) {
    int fitWidth, fitHeight;
    FitSizeToBox(side, side, 102, 89, &fitWidth, &fitHeight);
    PackedDib t = MakeThumbnail(path.c_str(), 102, 89);
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(fitWidth, t->biWidth);
    ASSERT_EQ(fitHeight, t->biHeight);
    ASSERT_GE(fitWidth, 80);
    int wrong = 0, lefts = 0;
    for (int y = 0; y < fitHeight; ++y)
        for (int x = 0; x < fitWidth; ++x) {
            int r, g, b;
            GetDib24Rgb(t, x, y, &r, &g, &b);
            const bool isLeft = (int64_t)x * side / fitWidth < split;
            // Lossy files are allowed their error away from the edge.
            const int64_t edge = (int64_t)x * side / fitWidth - split;
            if (tolerance && (edge > -64 && edge < 64)) continue;
            const COLORREF want = isLeft ? left : right;
            lefts += isLeft;
            if (std::abs(r - GetRValue(want)) > tolerance || std::abs(g - GetGValue(want)) > tolerance ||
                std::abs(b - GetBValue(want)) > tolerance)
                ++wrong;
        }
    EXPECT_EQ(0, wrong) << path << ": of " << fitWidth * fitHeight << " pixels";
    EXPECT_GT(lefts, 0);
    FreePackedDib(t);
}

}  // namespace

TEST(BrowserRead, HugePicturesGiveTheirContentInTheThumbnail) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("huge");
    // 30,000 x 30,000: white on the left two thirds, blue on the right third.
    const int side = 30000, split = 20000;
    const std::string png = pics.File("huge.png");
    ASSERT_TRUE(WriteTestPng(png, side, side, 2, [&](int, uint8_t* bytes) {
        for (int x = 0; x < side; ++x) {
            const bool white = x < split;
            bytes[3 * x] = bytes[3 * x + 1] = white ? 255 : 0;
            bytes[3 * x + 2] = 255;
        }
    }));
    ExpectSplitThumbnail(png, side, split, RGB(255, 255, 255), RGB(0, 0, 255), 0);
    // The same as a grey JPEG: white, then black.
    const std::string jpg = pics.File("huge.jpg");
    ASSERT_TRUE(WriteTestGreyJpeg(jpg, side, side, [&](int, uint8_t* bytes) {
        std::memset(bytes, 255, (size_t)split);
        std::memset(bytes + split, 0, (size_t)(side - split));
    }));
    ExpectSplitThumbnail(jpg, side, split, RGB(255, 255, 255), RGB(0, 0, 0), 8);
}

TEST(BrowserRead, SampledThumbnailsEqualTheWholePictureFitted) {
    BrowserFolder program;
    program.Init();
    testsupport::TempDir pics("sampled");
    // Each file read whole and fitted must give the very thumbnail that the
    // loader samples from the rows: reduced and enlarged, indexed, with alpha.
    struct Case {
        const char* name;
        std::function<bool(const std::string&)> write;
    };
    auto pattern = [](int w, int h, int seed) {
        return [=](const std::string& path) {
            PackedDib dib = MakePattern(w, h, seed);
            const bool ok = WritePicture(dib, path);
            FreePackedDib(dib);
            return ok;
        };
    };
    auto indexed = [](int w, int h, int bits) {
        return [=](const std::string& path) {
            PackedDib dib = CreateDib24(w, h, bits);
            if (!dib) return false;
            RGBQUAD* table = (RGBQUAD*)(dib + 1);
            const int colours = 1 << bits;
            for (int i = 0; i < colours; ++i)
                table[i] = RGBQUAD{(BYTE)(i * 37), (BYTE)(255 - i * 11), (BYTE)(i * 91), 0};
            const int stride = (int)Dib24Stride(w, bits);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int v = (x * 7 + y * 3) % colours;
                    uint8_t* row = GetPackedDibBits(dib) + (size_t)y * stride;
                    if (bits == 8) row[x] = (uint8_t)v;
                    else if (bits == 4) row[x / 2] |= (uint8_t)(x % 2 ? v : v << 4);
                    else row[x / 8] |= (uint8_t)(v << (7 - x % 8));
                }
            const bool ok = SavePackedDibBmp(path.c_str(), dib) == 1;
            FreePackedDib(dib);
            return ok;
        };
    };
    auto alpha = [](int w, int h) {
        return [=](const std::string& path) {
            return WriteTestPng(path, w, h, 6, [&](int y, uint8_t* bytes) {
                for (int x = 0; x < w; ++x) {
                    bytes[4 * x] = (uint8_t)(x * 5);
                    bytes[4 * x + 1] = (uint8_t)(y * 9);
                    bytes[4 * x + 2] = 40;
                    bytes[4 * x + 3] = (uint8_t)((x + y) * 13);
                }
            });
        };
    };
    const Case cases[] = {
        {"reduced.png", pattern(400, 100, 2)}, {"tall.tif", pattern(31, 500, 3)},
        {"enlarged.png", pattern(37, 23, 4)},  {"one.bmp", pattern(1, 1, 5)},
        {"i8.bmp", indexed(150, 90, 8)},       {"i4.bmp", indexed(45, 130, 4)},
        {"i1.bmp", indexed(203, 77, 1)},       {"alpha.png", alpha(90, 140)},
    };
    for (const Case& c : cases) {
        const std::string path = pics.File(c.name);
        ASSERT_TRUE(c.write(path)) << c.name;
        PackedDib whole = ReadImageToDib24(path.c_str());
        ASSERT_NE(nullptr, whole) << c.name;
        PackedDib expected = fit_dib_to_box(whole, 102, 89);
        PackedDib got = MakeThumbnail(path.c_str(), 102, 89);
        ASSERT_NE(nullptr, expected) << c.name;
        ASSERT_NE(nullptr, got) << c.name;
        ASSERT_EQ(expected->biWidth, got->biWidth) << c.name;
        ASSERT_EQ(expected->biHeight, got->biHeight) << c.name;
        const size_t bytes = (size_t)Dib24Stride(got->biWidth, 24) * got->biHeight;
        EXPECT_EQ(0, std::memcmp(GetPackedDibBits(expected), GetPackedDibBits(got), bytes)) << c.name;
        FreePackedDib(got);
        FreePackedDib(expected);
        FreePackedDib(whole);
    }
}
