// Files written and read again through the real host and our real plug-ins.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

class RealPlugins : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.AddRealPlugins());
        ASSERT_EQ(1, folder.Init());
    }
    // Writes with the writer chosen by extension, as the save road finds it.
    int Write(const VmsImage* image, const std::string& path) {
        const char* dll = WriterPluginPath(FindWriterPlugin(path.c_str()));
        return dll ? WriteImageWithPlugin(image, path.c_str(), dll) : 0;
    }
    ProgramFolder folder;
};

std::string Bytes(const std::string& path) {
    std::string s;
    testsupport::ReadFileBytes(path, &s);
    return s;
}

bool AllAlpha(const VmsImage* alpha, uint32_t value) {
    for (int y = 0; y < alpha->height; ++y)
        for (int x = 0; x < alpha->width; ++x)
            if (PixelAt(alpha, x, y) != value) return false;
    return true;
}

}  // namespace

TEST_F(RealPlugins, EveryFormatRoundTrips24Bit) {
    struct Case {
        const char* name;
        int tolerance;        // largest channel difference
        double meanTolerance;
    } cases[] = {
        {"a.bmp", 0, 0}, {"a.png", 0, 0}, {"a.tif", 0, 0}, {"a.tiff", 0, 0}, {"a.dra", 0, 0}, {"a.dnp", 0, 0},
        {"a.jpg", 12, 1.5}, {"a.JPEG", 12, 1.5},
    };
    // Wider and taller than a 250-pixel tile; JPEG gets a smooth picture.
    ImageHolder sharp(MakePattern(301, 257, 1)), smooth(MakeSmooth(301, 257));
    ASSERT_TRUE(sharp.get() && smooth.get());
    for (const Case& c : cases) {
        const VmsImage* image = c.tolerance ? smooth.get() : sharp.get();
        std::string path = folder.File(c.name);
        ASSERT_EQ(1, Write(image, path)) << c.name;
        int w = 0, h = 0, count = 0, bits[FileRecordEntries];
        ASSERT_EQ(1, GetImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr, bits, nullptr, &count, 0)) << c.name;
        EXPECT_EQ(301, w);
        EXPECT_EQ(257, h);
        EXPECT_EQ(24, bits[0]) << c.name;
        ImageHolder back, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), back.out(), alpha.out())) << c.name;
        EXPECT_LE(MaxDifference(image, back.get()), c.tolerance) << c.name;
        EXPECT_LE(MeanDifference(image, back.get()), c.meanTolerance) << c.name;
        EXPECT_TRUE(AllAlpha(alpha.get(), 255)) << c.name;
    }
}

TEST_F(RealPlugins, BmpIndexedDepths) {
    // Images described as 1, 4 and 8 bits are written indexed at that depth.
    struct Case {
        int imageBits, colours, fileBits;
    } cases[] = {{1, 2, 1}, {4, 16, 4}, {4, 5, 4}, {8, 200, 8}, {8, 256, 8}};
    for (const Case& c : cases) {
        const int w = 37, h = 11;
        ImageHolder image(g_VmsStore.Create(w, h, c.imageBits, 0, 1));
        ASSERT_NE(nullptr, image.get());
        for (int i = 0; i < (1 << c.imageBits); ++i) {
            image.get()->palette[i].rgbBlue = (BYTE)(i * 3);
            image.get()->palette[i].rgbGreen = (BYTE)(255 - i);
            image.get()->palette[i].rgbRed = (BYTE)(i * 5 + 1);
        }
        std::vector<uint8_t> row((size_t)w);
        for (int y = 0; y < h; ++y) {
            std::vector<uint8_t> packed(((size_t)w * c.imageBits + 31) / 32 * 4, 0);
            for (int x = 0; x < w; ++x) {
                int v = (x * 7 + y * 13) % c.colours;
                if (c.imageBits == 8) packed[(size_t)x] = (uint8_t)v;
                else if (c.imageBits == 4) packed[(size_t)x / 2] |= (uint8_t)(x & 1 ? v : v << 4);
                else if (v) packed[(size_t)x / 8] |= (uint8_t)(0x80 >> (x & 7));
            }
            g_VmsStore.PutRow(image.get(), y, 0, w - 1, packed.data());
        }
        std::string path = folder.File("indexed.bmp");
        ASSERT_EQ(1, Write(image.get(), path));
        std::string data = Bytes(path);
        ASSERT_GT(data.size(), 54u);
        EXPECT_EQ(c.fileBits, (uint8_t)data[28]) << c.imageBits;
        int bits[FileRecordEntries] = {}, count = 0;
        ASSERT_EQ(1, GetImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr, bits, nullptr, &count, 0));
        EXPECT_EQ(c.fileBits, bits[0]);
        ImageHolder back, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), back.out(), alpha.out()));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int v = (x * 7 + y * 13) % c.colours;
                if (c.imageBits == 1) v = v ? 1 : 0;
                const RGBQUAD& q = image.get()->palette[v];
                uint32_t expected = q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16);
                ASSERT_EQ(expected, PixelAt(back.get(), x, y)) << c.imageBits << " " << x << "," << y;
            }
    }
}

TEST_F(RealPlugins, BmpVariantsRead) {
    // Hand-made files: a top-down 32-bit file with bit-field masks and a
    // 16-bit 5-6-5 file, 3 x 2 pixels.
    auto header = [](std::string& f, int w, int h, int bits, int compression, int extra) {
        int stride = ((w * bits + 31) / 32) * 4;
        int offset = 54 + extra;
        f.assign((size_t)offset + stride * (h < 0 ? -h : h), '\0');
        uint8_t* p = (uint8_t*)f.data();
        p[0] = 'B', p[1] = 'M';
        auto put32 = [p](int at, uint32_t v) { std::memcpy(p + at, &v, 4); };
        put32(2, (uint32_t)f.size());
        put32(10, (uint32_t)offset);
        put32(14, 40);
        put32(18, (uint32_t)w);
        put32(22, (uint32_t)h);
        p[26] = 1;
        p[28] = (uint8_t)bits;
        put32(30, (uint32_t)compression);
        return offset;
    };
    const uint32_t colours[2][3] = {{0x102030, 0xFFFFFF, 0x000000}, {0xAA5500, 0x0055AA, 0x808080}};
    std::string f;
    int off = header(f, 3, -2, 32, 3, 12);
    uint32_t masks[3] = {0x0000FF00, 0x00FF0000, 0xFF000000};   // red, green, blue in unusual places
    std::memcpy(&f[54], masks, 12);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint32_t c = colours[y][x], r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            uint32_t v = (r << 8) | (g << 16) | (b << 24);
            std::memcpy(&f[(size_t)off + (size_t)(y * 12 + x * 4)], &v, 4);
        }
    std::string path = folder.File("masks.bmp");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, f.data(), f.size()));
    ImageHolder back, alpha;
    ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), back.out(), alpha.out()));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(colours[y][x], PixelAt(back.get(), x, y)) << x << "," << y;

    off = header(f, 3, 2, 16, 3, 12);
    uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(&f[54], m565, 12);
    // Bottom-up: file row 0 is image row 1. Full and zero channels only.
    const uint16_t px[2][3] = {{0xFFFF, 0x0000, 0xF800}, {0x07E0, 0x001F, 0xFFE0}};
    const uint32_t expect[2][3] = {{0xFFFFFF, 0x000000, 0xFF0000}, {0x00FF00, 0x0000FF, 0xFFFF00}};
    for (int y = 0; y < 2; ++y) std::memcpy(&f[(size_t)off + (size_t)((1 - y) * 8)], px[y], 6);
    ASSERT_TRUE(testsupport::WriteFileBytes(path, f.data(), f.size()));
    ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), back.out(), alpha.out()));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(expect[y][x], PixelAt(back.get(), x, y)) << x << "," << y;
}

TEST_F(RealPlugins, BmpRunLengthRead) {
    auto entry = [](int i) { return (uint32_t)(10 * i) | ((uint32_t)(20 * i) << 8) | ((uint32_t)(30 * i) << 16); };
    struct Case {
        int width, height, bits;
        std::vector<uint8_t> data;
        std::vector<int> expected;   // top-down indices
        uint32_t missing;            // the colour of a line the data does not finish
    } cases[] = {
        // Runs, an odd absolute stretch with its pad byte, end of line, a
        // delta that skips to the top row, a run cut at the row's end. A
        // 16-colour table of 8 bits leaves room for grey.
        {5, 3, 8, {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 4, 3, 0, 1},
         {0, 0, 3, 3, 3, /**/ 0, 0, 0, 0, 0, /**/ 1, 1, 2, 3, 2}, 0x808080},
        // RLE4: runs alternate the two nibbles; absolute nibbles, word padded.
        // The full table has no room for grey: its entry nearest to grey.
        {5, 2, 4, {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1}, {3, 4, 5, 0, 0, /**/ 1, 2, 1, 2, 1}, entry(5)},
    };
    for (const Case& c : cases) {
        std::string f = MakeRleBmp(c.width, c.height, c.bits, 16, c.data);
        std::string path = folder.File("rle.bmp");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, f.data(), f.size()));
        int bits[FileRecordEntries] = {}, count = 0;
        ASSERT_EQ(1, GetImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr, bits, nullptr, &count, 0));
        EXPECT_EQ(c.bits, bits[0]);
        ImageHolder back, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), back.out(), alpha.out())) << c.bits;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(entry(c.expected[(size_t)(y * c.width + x)]), PixelAt(back.get(), x, y))
                    << c.bits << " " << x << "," << y;
        // Without its end-of-bitmap code the file is cut inside its top
        // line: the lines below it are kept, the top line is grey.
        f.resize(f.size() - 2);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, f.data(), f.size()));
        ImageHolder cut, cutAlpha;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), cut.out(), cutAlpha.out())) << c.bits;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(y == 0 ? c.missing : PixelAt(back.get(), x, y), PixelAt(cut.get(), x, y))
                    << c.bits << " " << x << "," << y;
    }
}

namespace {

// A writer host for one image with a transparency plane (the canvas road's
// get-transparency-row answers).
const VmsImage* g_Image;
std::vector<uint8_t> g_Alpha;
int DARNA_PLUGIN_CALL GetRow(int y, int x0, int x1, uint8_t* out, int image) {
    if (image > 0) return -1;
    std::vector<uint32_t> row((size_t)(x1 - x0 + 1));
    g_VmsStore.GetRow(g_Image, y, x0, x1, row.data());
    for (size_t i = 0; i < row.size(); ++i) {
        out[3 * i] = (uint8_t)row[i];
        out[3 * i + 1] = (uint8_t)(row[i] >> 8);
        out[3 * i + 2] = (uint8_t)(row[i] >> 16);
    }
    return 1;
}
int DARNA_PLUGIN_CALL GetAlphaRow(int y, int x0, int x1, uint8_t* out, int image, int plane) {
    if (image != 0 || plane != 1) {
        std::memset(out, 255, (size_t)(x1 - x0 + 1));
        return 0;
    }
    std::memcpy(out, &g_Alpha[(size_t)(y * g_Image->width + x0)], (size_t)(x1 - x0 + 1));
    return 1;
}
int DARNA_PLUGIN_CALL GetPalette(uint8_t*) { return 0; }

}  // namespace

TEST_F(RealPlugins, PngAlphaIsPlaneOne) {
    ImageHolder image(MakePattern(40, 30, 5));
    g_Image = image.get();
    g_Alpha.resize(40 * 30);
    for (size_t i = 0; i < g_Alpha.size(); ++i) g_Alpha[i] = (uint8_t)(i * 13);
    Dll save(folder.File("file_w\\pngsave.dll"));
    auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
    ASSERT_NE(nullptr, exec);
    Records rec;
    rec.Info()->count = 1;
    rec.Info()->image[0].width = 40;
    rec.Info()->image[0].height = 30;
    rec.Info()->image[0].bits = 24;
    WriteFileCallbacks cb = {GetRow, GetAlphaRow, GetPalette};
    std::string path = folder.File("alpha.png");
    ASSERT_EQ(1, exec(nullptr, path.c_str(), rec.Info(), rec.Names(), rec.Layers(), &cb));

    int planes[FileRecordEntries] = {}, count = 0;
    ASSERT_EQ(1, GetImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, planes, &count, 0));
    EXPECT_EQ(1, planes[0]);
    ImageHolder back, alpha;
    int seen = 0;
    ASSERT_EQ(1, GetImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, 0));
    back.image = g_VmsStore.Create(40, 30, 24, 255, 1);
    alpha.image = g_VmsStore.Create(40, 30, 8, 255, 1);
    ASSERT_NE(0, LoadImageFile(back.get(), path.c_str(), 0, alpha.get(), &seen));
    EXPECT_EQ(1, seen);
    EXPECT_EQ(0, MaxDifference(image.get(), back.get()));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(g_Alpha[(size_t)(y * 40 + x)], PixelAt(alpha.get(), x, y));
}

TEST_F(RealPlugins, PngOfManyBandsComesBackExactly) {
    // Wide enough for the writer's bands of about a megabyte to number more
    // than its threads, so bands are joined across rounds; with and without
    // the transparency plane. Each row is the one above it plus a little, so
    // the filters that look at the row above win and a wrong row above shows.
    const int w = 2000, h = 1200;
    ImageHolder image(g_VmsStore.Create(w, h, 24, 0, 1));
    ASSERT_NE(nullptr, image.get());
    std::vector<uint32_t> pixels((size_t)w);
    for (int x = 0; x < w; ++x) pixels[(size_t)x] = (uint32_t)x * 2654435761u >> 8;
    for (int y = 0; y < h; ++y) {
        for (uint32_t& p : pixels) p = (p + 0x010203u * (uint32_t)(1 + y % 3)) & 0xFFFFFF;
        g_VmsStore.PutRow(image.get(), y, 0, w - 1, pixels.data());
    }
    g_Image = image.get();
    g_Alpha.resize((size_t)w * h);
    for (size_t i = 0; i < g_Alpha.size(); ++i) g_Alpha[i] = (uint8_t)(i * 7 + i / w);
    Dll save(folder.File("file_w\\pngsave.dll"));
    auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
    ASSERT_NE(nullptr, exec);
    for (bool withAlpha : {false, true}) {
        Records rec;
        rec.Info()->count = 1;
        rec.Info()->image[0].width = w;
        rec.Info()->image[0].height = h;
        rec.Info()->image[0].bits = 24;
        WriteFileCallbacks cb = {GetRow, withAlpha ? GetAlphaRow : nullptr, GetPalette};
        std::string path = folder.File("bands.png");
        ASSERT_EQ(1, exec(nullptr, path.c_str(), rec.Info(), rec.Names(), rec.Layers(), &cb)) << withAlpha;
        ImageHolder back, alpha;
        back.image = g_VmsStore.Create(w, h, 24, 255, 1);
        alpha.image = g_VmsStore.Create(w, h, 8, 255, 1);
        int seen = 0;
        ASSERT_NE(0, LoadImageFile(back.get(), path.c_str(), 0, alpha.get(), &seen)) << withAlpha;
        EXPECT_EQ(withAlpha ? 1 : 0, seen);
        EXPECT_EQ(0, MaxDifference(image.get(), back.get())) << withAlpha;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(withAlpha ? g_Alpha[(size_t)y * w + x] : 255u, PixelAt(alpha.get(), x, y))
                    << withAlpha << " " << x << "," << y;
    }
}

TEST_F(RealPlugins, JpegWriterTakesAnyNameAndThumbexWritesJpeg) {
    ImageHolder image(MakeSmooth(160, 120));
    std::string temp = folder.File("temp.tmp");
    ASSERT_EQ(1, WriteImageWithPlugin(image.get(), temp.c_str(), folder.File("file_w\\jpgsave.dll").c_str()));
    std::string t = Bytes(temp);
    ASSERT_GT(t.size(), 100u);
    EXPECT_EQ("\xFF\xD8", t.substr(0, 2));
    std::string tmb = folder.File("file_w\\tmb.jpg");
    ASSERT_EQ(1, WriteImageWithPlugin(image.get(), tmb.c_str(), folder.File("thumbex.dll").c_str()));
    ImageHolder back, alpha;
    ASSERT_EQ(1, ReadImageWithAlpha(tmb.c_str(), back.out(), alpha.out()));
    EXPECT_LE(MeanDifference(image.get(), back.get()), 2.0);
}

TEST_F(RealPlugins, TiffKeepsStripOffsetsInIfd0BeforeTheDirectory) {
    ImageHolder image(MakePattern(123, 77, 4));
    std::string path = folder.File("strips.tif");
    ASSERT_EQ(1, Write(image.get(), path));
    std::string f = Bytes(path);
    ASSERT_GT(f.size(), 16u);
    ASSERT_EQ("II", f.substr(0, 2));
    auto u16 = [&f](size_t at) { return (uint32_t)(uint8_t)f[at] | ((uint32_t)(uint8_t)f[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    uint32_t ifd = u32(4);
    ASSERT_LT(ifd + 2, f.size());
    uint32_t n = u16(ifd), firstStrip = 0;
    bool found = false;
    for (uint32_t i = 0; i < n; ++i) {
        size_t e = ifd + 2 + 12 * i;
        if (u16(e) == 273) {
            found = true;
            uint32_t count = u32(e + 4), type = u16(e + 2);
            uint32_t at = count == 1 ? (uint32_t)(e + 8) : u32(e + 8);
            firstStrip = type == 3 ? u16(at) : u32(at);
        }
    }
    ASSERT_TRUE(found);
    EXPECT_LT(firstStrip, ifd) << "the image data comes before the directory";
}

TEST_F(RealPlugins, DibReadersWidenIndexedAndCompositeOverWhite) {
    // An 8-bit bitmap comes back 32-bit through its palette.
    ImageHolder indexed(g_VmsStore.Create(9, 5, 8, 0, 1));
    for (int i = 0; i < 256; ++i) {
        indexed.get()->palette[i].rgbBlue = (BYTE)i;
        indexed.get()->palette[i].rgbGreen = (BYTE)(255 - i);
        indexed.get()->palette[i].rgbRed = (BYTE)(i / 3);
    }
    std::vector<uint8_t> row(9);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 9; ++x) row[(size_t)x] = (uint8_t)(x * 20 + y);
        g_VmsStore.PutRow(indexed.get(), y, 0, 8, row.data());
    }
    std::string bmp = folder.File("indexed.bmp");
    ASSERT_EQ(1, Write(indexed.get(), bmp));
    PackedDib dib = ReadImageToDib(bmp.c_str(), nullptr);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(32, dib->biBitCount);
    std::vector<uint32_t> px(9);
    for (int y = 0; y < 5; ++y) {
        GetPackedDibRow32(dib, y, 0, 8, px.data());
        for (int x = 0; x < 9; ++x) {
            int i = x * 20 + y;
            EXPECT_EQ((uint32_t)i | ((uint32_t)(255 - i) << 8) | ((uint32_t)(i / 3) << 16), px[(size_t)x] & 0xFFFFFF);
        }
    }
    FreePackedDib(dib);

    // A PNG with alpha: black at alpha 0 turns white, at 255 stays, at 128 mid grey.
    ImageHolder black(g_VmsStore.Create(3, 1, 24, 0, 1));
    g_Image = black.get();
    g_Alpha = {0, 255, 128};
    Dll save(folder.File("file_w\\pngsave.dll"));
    auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
    Records rec;
    rec.Info()->count = 1;
    rec.Info()->image[0].width = 3;
    rec.Info()->image[0].height = 1;
    WriteFileCallbacks cb = {GetRow, GetAlphaRow, GetPalette};
    std::string png = folder.File("alpha.png");
    ASSERT_EQ(1, exec(nullptr, png.c_str(), rec.Info(), rec.Names(), rec.Layers(), &cb));
    dib = ReadImageToDibWithPlugin(png.c_str(), nullptr, folder.File("file_r\\pngload.dll").c_str());
    ASSERT_NE(nullptr, dib);
    GetPackedDibRow32(dib, 0, 0, 2, px.data());
    EXPECT_EQ(0xFFFFFFu, px[0] & 0xFFFFFF);
    EXPECT_EQ(0x000000u, px[1] & 0xFFFFFF);
    EXPECT_EQ(0x7F7F7Fu, px[2] & 0xFFFFFF);
    FreePackedDib(dib);

    // Missing and empty files give nothing.
    EXPECT_EQ(nullptr, ReadImageToDib(folder.File("missing.png").c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFileBytes(folder.File("empty.png"), "", 0));
    EXPECT_EQ(nullptr, ReadImageToDib(folder.File("empty.png").c_str(), nullptr));
    // No fast image for a reader without ReadFileFastImage.
    EXPECT_EQ(nullptr, ReadFastImage(nullptr, png.c_str()));
}
