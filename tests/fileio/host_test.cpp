// The host's reading and writing callbacks, driven by the probing plug-in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

typedef int(DARNA_PLUGIN_CALL* TestResultsFn)(int*, int);
typedef void(DARNA_PLUGIN_CALL* TestSetModeFn)(int);
typedef const uint8_t*(DARNA_PLUGIN_CALL* TestSeenFn)();

class ProbeHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.AddTestPlug("tp_probe.dll", "file_r\\"));
        ASSERT_TRUE(folder.AddTestPlug("tp_probe.dll", "file_w\\"));
        ASSERT_EQ(1, folder.Init());
        // Kept loaded by the test so that its results outlive the host's load.
        reader.reset(new Dll(folder.File("file_r\\tp_probe.dll")));
        writer.reset(new Dll(folder.File("file_w\\tp_probe.dll")));
        ASSERT_TRUE(reader->module && writer->module);
    }
    std::vector<int> Results(const Dll& dll) {
        int r[64];
        int n = dll.Get<TestResultsFn>("TestResults")(r, 64);
        return std::vector<int>(r, r + n);
    }
    // A file the probe reader recognises by its extension (content unused).
    std::string Probe(const char* ext) {
        std::string p = folder.File(std::string("probe.") + ext);
        testsupport::WriteFileBytes(p, "x", 1);
        return p;
    }
    ProgramFolder folder;
    std::unique_ptr<Dll> reader, writer;
};

uint32_t ProbePalette(int i) { return (uint32_t)i | ((uint32_t)(255 - i) << 8) | ((uint32_t)((i * 7) & 0xFF) << 16); }

}  // namespace

TEST_F(ProbeHost, SingleImageCallbacksRefuseBadArgumentsAndStoreRows) {
    ImageHolder image, alpha;
    ASSERT_EQ(1, ReadImageWithAlpha(Probe("t24").c_str(), image.out(), alpha.out()));
    std::vector<int> r = Results(*reader);
    ASSERT_EQ(21u, r.size());
    for (int i = 0; i < 13; ++i) EXPECT_EQ(-1, r[(size_t)i]) << "bad call " << i;
    for (int i = 13; i < 21; ++i) EXPECT_EQ(0, r[(size_t)i]) << "call " << i;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t expected = (uint32_t)(10 * y + x) | ((uint32_t)(100 + x) << 8) | ((uint32_t)(200 + y) << 16);
            if (y == 2 && (x == 1 || x == 2)) expected = (expected & 0xFFFF) | ((x == 1 ? 7u : 9u) << 16);
            EXPECT_EQ(expected, PixelAt(image.get(), x, y)) << x << "," << y;
        }
    // Alpha: row 1 255 x 128 -> 128; row 2 128 x 128 -> 64 in columns 0..1.
    const uint32_t alphaRows[3][4] = {{255, 255, 255, 255}, {128, 128, 128, 128}, {64, 64, 255, 255}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(alphaRows[y][x], PixelAt(alpha.get(), x, y)) << x << "," << y;
}

TEST_F(ProbeHost, IndexedRowFormats) {
    struct Case {
        const char* ext;
        int width, height;
        std::vector<int> indices;
    } cases[] = {
        // 1 bit, 10 pixels: two bytes, most significant bit first.
        {"t1", 10, 2, {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, /**/ 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        // 4 bits: high nibble first.
        {"t4", 5, 2, {1, 2, 3, 4, 5, /**/ 15, 14, 13, 12, 11}},
        {"t8", 3, 2, {0, 100, 255, /**/ 1, 2, 3}},
    };
    for (const Case& c : cases) {
        ImageHolder image(ReadImageWithPlugin(Probe(c.ext).c_str(), nullptr, folder.File("file_r\\tp_probe.dll").c_str()));
        ASSERT_NE(nullptr, image.get()) << c.ext;
        ASSERT_EQ(c.width, image.get()->width);
        ASSERT_EQ(32, image.get()->bits);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(ProbePalette(c.indices[(size_t)(y * c.width + x)]), PixelAt(image.get(), x, y))
                    << c.ext << " " << x << "," << y;
        std::vector<int> r = Results(*reader);
        ASSERT_EQ(3u, r.size());
        EXPECT_EQ(std::atoi(c.ext + 1), r[0]) << "set palette returns the bits";
        EXPECT_EQ(0, r[1]);
        EXPECT_EQ(0, r[2]);
    }
}

TEST_F(ProbeHost, SizeQueryAndFailures) {
    int w = 0, h = 0, count = 0, widths[FileRecordEntries], heights[FileRecordEntries], bits[FileRecordEntries],
        planes[FileRecordEntries];
    std::vector<char> names((size_t)FileRecordEntries * 128);
    ASSERT_EQ(1, GetImageFileInfo(Probe("t24").c_str(), &w, &h, widths, heights, bits, planes, &count, 1, names.data()));
    EXPECT_EQ(1, count);
    EXPECT_EQ(4, w);
    EXPECT_EQ(3, h);
    EXPECT_EQ(24, bits[0]);
    EXPECT_EQ(2, planes[0]);
    EXPECT_STREQ("alpha", names.data());
    int value;
    std::memcpy(&value, names.data() + 80, 4);
    EXPECT_EQ(77, value);

    ImageHolder image, alpha;
    EXPECT_EQ(0, ReadImageWithAlpha(Probe("tfail").c_str(), image.out(), alpha.out()));
    EXPECT_EQ(nullptr, image.get());
    EXPECT_EQ(nullptr, alpha.get());
    EXPECT_EQ(0, ReadImageWithAlpha(folder.File("x.unknown").c_str(), image.out(), alpha.out()));
    EXPECT_EQ(0, GetImageFileInfo("", &w, &h, nullptr, nullptr, nullptr, nullptr, &count, 0));
}

// The reader found by the extension reads into an image as the named reader
// does; the image-only read keeps the picture of the read with alpha.
TEST_F(ProbeHost, ReadersByExtensionAndWithoutAlpha) {
    for (const char* ext : {"t8", "t24"}) {
        SCOPED_TRACE(ext);
        const std::string path = Probe(ext);
        ImageHolder named(ReadImageWithPlugin(path.c_str(), nullptr, folder.File("file_r\\tp_probe.dll").c_str()));
        ImageHolder found(ReadImageByExtension(path.c_str(), nullptr));
        ASSERT_NE(nullptr, named.get());
        ASSERT_NE(nullptr, found.get());
        ASSERT_EQ(named.get()->width, found.get()->width);
        ASSERT_EQ(named.get()->height, found.get()->height);
        for (int y = 0; y < found.get()->height; ++y)
            for (int x = 0; x < found.get()->width; ++x)
                EXPECT_EQ(PixelAt(named.get(), x, y), PixelAt(found.get(), x, y)) << x << "," << y;
    }
    ImageHolder image, alpha, only(ReadImageOnly(Probe("t24").c_str()));
    ASSERT_EQ(1, ReadImageWithAlpha(Probe("t24").c_str(), image.out(), alpha.out()));
    ASSERT_NE(nullptr, only.get());
    EXPECT_EQ(32, only.get()->bits);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(image.get(), x, y), PixelAt(only.get(), x, y)) << x << "," << y;
    // No reader for the extension, a reader that fails, no file name.
    EXPECT_EQ(nullptr, ReadImageByExtension(folder.File("x.unknown").c_str(), nullptr));
    EXPECT_EQ(nullptr, ReadImageByExtension(Probe("tfail").c_str(), nullptr));
    EXPECT_EQ(nullptr, ReadImageByExtension(nullptr, nullptr));
    EXPECT_EQ(nullptr, ReadImageOnly(Probe("tfail").c_str()));
}

TEST_F(ProbeHost, StaleExifHandOverIsDeletedBeforeARead) {
    std::string stale = folder.File("file_r\\exif.buf");
    ASSERT_TRUE(testsupport::WriteFileBytes(stale, "old", 3));
    ImageHolder image, alpha;
    ASSERT_EQ(1, ReadImageWithAlpha(Probe("t24").c_str(), image.out(), alpha.out()));
    EXPECT_EQ(-1, testsupport::FileSize(stale));
}

TEST_F(ProbeHost, WriteCallbacksAndReplacement) {
    ImageHolder image(MakePattern(5, 4, 3));
    std::string path = folder.File("out.tw");
    std::string dll = folder.File("file_w\\tp_probe.dll");
    writer->Get<TestSetModeFn>("TestSetMode")(0);
    ASSERT_EQ(1, WriteImageWithPlugin(image.get(), path.c_str(), dll.c_str()));
    std::vector<int> r = Results(*writer);
    ASSERT_EQ(8u, r.size());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(-1, r[(size_t)i]) << "bad call " << i;
    EXPECT_EQ(0, r[4]) << "a single image has no transparency plane";
    EXPECT_EQ(255, writer->Get<TestSeenFn>("TestSeen")()[0]) << "... and reads as opaque";
    EXPECT_EQ(0, r[5]) << "no palette";
    EXPECT_EQ(1, r[6]) << "the composite of a single image is the image";
    EXPECT_EQ(24, r[7]);
    std::string data;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &data));
    ASSERT_EQ(4u + 5 * 4 * 3, data.size());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint32_t p = PatternPixel(x, y, 3);
            const uint8_t* q = (const uint8_t*)data.data() + 4 + (y * 5 + x) * 3;
            EXPECT_EQ(p, (uint32_t)q[0] | ((uint32_t)q[1] << 8) | ((uint32_t)q[2] << 16));
        }

    // A writer that fails half-way and one whose Init refuses leave the old
    // file as it was, and no temporary file behind.
    writer->Get<TestSetModeFn>("TestSetMode")(1);
    EXPECT_EQ(0, WriteImageWithPlugin(image.get(), path.c_str(), dll.c_str()));
    std::string after;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &after));
    EXPECT_EQ(data, after);
    std::string refused = folder.File("old.refuse");
    ASSERT_TRUE(testsupport::WriteFileBytes(refused, "keep", 4));
    EXPECT_EQ(0, WriteImageWithPlugin(image.get(), refused.c_str(), dll.c_str()));
    ASSERT_TRUE(testsupport::ReadFileBytes(refused, &after));
    EXPECT_EQ("keep", after);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(folder.File("*.tmp").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(ProbeHost, IndexedImagesAreWrittenAs24BitRows) {
    ImageHolder image(g_VmsStore.Create(3, 2, 8, 0, 1));
    ASSERT_NE(nullptr, image.get());
    for (int i = 0; i < 256; ++i) {
        image.get()->palette[i].rgbBlue = (BYTE)i;
        image.get()->palette[i].rgbGreen = (BYTE)(i / 2);
        image.get()->palette[i].rgbRed = (BYTE)(255 - i);
    }
    const uint8_t rows[2][3] = {{0, 10, 200}, {255, 1, 2}};
    for (int y = 0; y < 2; ++y) g_VmsStore.PutRow(image.get(), y, 0, 2, rows[y]);
    std::string path = folder.File("indexed.tw");
    writer->Get<TestSetModeFn>("TestSetMode")(0);
    ASSERT_EQ(1, WriteImageWithPlugin(image.get(), path.c_str(), folder.File("file_w\\tp_probe.dll").c_str()));
    EXPECT_EQ(8, Results(*writer)[7]);
    std::string data;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &data));
    ASSERT_EQ(4u + 18, data.size());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* q = (const uint8_t*)data.data() + 4 + (y * 3 + x) * 3;
            int i = rows[y][x];
            EXPECT_EQ(i, q[0]);
            EXPECT_EQ(i / 2, q[1]);
            EXPECT_EQ(255 - i, q[2]);
        }
}

namespace {
struct RowsOf {
    const std::vector<uint32_t>* pixels;
    int width;
};
int SourceRows(void* user, int y, int x0, int x1, uint32_t* out) {
    RowsOf* s = (RowsOf*)user;
    for (int x = x0; x <= x1; ++x) out[x - x0] = (*s->pixels)[(size_t)(y * s->width + x)];
    return 1;
}
}  // namespace

TEST(IndexedImage, PaletteByFrequencyAndExactColoursUndithered) {
    // Three colours on the 4-bit grid, most frequent first; one colour off it.
    const uint32_t a = 0x112233, b = 0xFFEEDD, c = 0x000000, d = 0x101010;
    const int w = 16, h = 8;
    std::vector<uint32_t> pixels((size_t)w * h, a);
    for (int i = 0; i < 30; ++i) pixels[(size_t)i] = b;
    for (int i = 30; i < 40; ++i) pixels[(size_t)i] = c;
    pixels[40] = d;
    RowsOf rows = {&pixels, w};
    PackedDib dib = PrepareIndexedImage(w, h, SourceRows, &rows, nullptr);
    ASSERT_NE(nullptr, dib);
    const uint8_t* pal = (const uint8_t*)dib + dib->biSize;
    auto entry = [pal](int i) { return (uint32_t)pal[4 * i] | (pal[4 * i + 1] << 8) | (pal[4 * i + 2] << 16); };
    EXPECT_EQ(a, entry(0));
    EXPECT_EQ(b, entry(1));
    EXPECT_EQ(c, entry(2));
    EXPECT_EQ(0x111111u, entry(3));   // the bin of 0x101010
    for (int i = 4; i < 256; ++i) EXPECT_EQ(0u, entry(i)) << i;
    std::vector<uint8_t> row((size_t)w);
    for (int y = 0; y < h; ++y) {
        GetPackedDibRow8(dib, y, 0, w - 1, row.data());
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixels[(size_t)(y * w + x)];
            if (p == d) continue;
            EXPECT_EQ(p, entry(row[(size_t)x])) << x << "," << y;
        }
    }
    FreePackedDib(dib);
}

TEST(WriterEntry, RectanglesAndOffsets) {
    Records rec;
    WriterRowOffsets off = {-1, -1};
    // Whole plane.
    FillWriterImageEntry(-1, 0, 0, 0, WriterPlaneRect{5, 6, 100, 50}, 0, rec.Info(), rec.Layers(), &off);
    EXPECT_EQ(100, rec.Info()->image[0].width);
    EXPECT_EQ(50, rec.Info()->image[0].height);
    EXPECT_EQ(5, rec.Layers()[0].left);
    EXPECT_EQ(6, rec.Layers()[0].top);
    EXPECT_EQ(0, off.column);
    // A box that starts left of the layer: left = layer x - box left, offset 0.
    FillWriterImageEntry(20, 10, 200, 100, WriterPlaneRect{50, 40, 100, 30}, 1, rec.Info(), rec.Layers(), &off);
    EXPECT_EQ(30, rec.Layers()[1].left);
    EXPECT_EQ(30, rec.Layers()[1].top);
    EXPECT_EQ(0, off.column);
    EXPECT_EQ(0, off.row);
    EXPECT_EQ(100, rec.Info()->image[1].width);
    EXPECT_EQ(30, rec.Info()->image[1].height);
    // A layer that starts left of and above the box.
    FillWriterImageEntry(20, 10, 59, 29, WriterPlaneRect{5, 0, 100, 30}, 2, rec.Info(), rec.Layers(), &off);
    EXPECT_EQ(15, off.column);
    EXPECT_EQ(10, off.row);
    EXPECT_EQ(0, rec.Layers()[2].left);
    EXPECT_EQ(40, rec.Info()->image[2].width);
    EXPECT_EQ(20, rec.Info()->image[2].height);
    // No overlap: size 1.
    FillWriterImageEntry(500, 500, 600, 600, WriterPlaneRect{0, 0, 10, 10}, 3, rec.Info(), rec.Layers(), &off);
    EXPECT_EQ(1, rec.Info()->image[3].width);
}

// Rows between the store's words and the plug-ins' three bytes a pixel, at
// every width around the sixteen-pixel steps of the fast loops: each pixel's
// blue, green and red in order, the fourth byte dropped, nothing written
// past the row, and the way back gives the colours again.
TEST(BgrRows, PackAndExpandEveryWidthAroundTheSixteenPixelSteps) {
    for (int n = 0; n <= 50; ++n) {
        SCOPED_TRACE(n);
        std::vector<uint32_t> words((size_t)n), back((size_t)n + 1, 0xDEADBEEFu);
        for (int i = 0; i < n; ++i) words[(size_t)i] = 0xA5000000u | (uint32_t)(i * 0x030507 + 0x10203);
        std::vector<uint8_t> bytes((size_t)n * 3 + 16, 0x77);
        PackBgrRow(words.data(), n, bytes.data());
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ((uint8_t)words[(size_t)i], bytes[(size_t)i * 3]) << i;
            ASSERT_EQ((uint8_t)(words[(size_t)i] >> 8), bytes[(size_t)i * 3 + 1]) << i;
            ASSERT_EQ((uint8_t)(words[(size_t)i] >> 16), bytes[(size_t)i * 3 + 2]) << i;
        }
        for (size_t k = (size_t)n * 3; k < bytes.size(); ++k) ASSERT_EQ(0x77, bytes[k]) << k;
        ExpandBgrRow(bytes.data(), n, back.data());
        for (int i = 0; i < n; ++i) ASSERT_EQ(words[(size_t)i] & 0xFFFFFFu, back[(size_t)i]) << i;
        ASSERT_EQ(0xDEADBEEFu, back[(size_t)n]);
    }
}
