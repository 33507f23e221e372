// Truncated, corrupted and mutated files: every reader fails cleanly, opens
// what a damaged file holds, or reads garbage within the size it announced;
// nothing crashes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.AddRealPlugins());
        ASSERT_EQ(1, folder.Init());
    }
    // A small file of the format written by our own writer.
    std::string Fixture(const char* ext) {
        ImageHolder image(MakePattern(48, 40, 3));
        std::string path = folder.File(std::string("fixture.") + ext);
        const char* dll = WriterPluginPath(FindWriterPlugin(path.c_str()));
        EXPECT_NE(nullptr, dll);
        if (!dll || !WriteImageWithPlugin(image.get(), path.c_str(), dll)) return std::string();
        std::string data;
        testsupport::ReadFileBytes(path, &data);
        DeleteFileA(path.c_str());
        return data;
    }
    // 1 when the host reads the bytes as a file of the extension.
    int ReadAs(const std::string& data, const char* ext) {
        std::string path = folder.File(std::string("probe.") + ext);
        testsupport::WriteFileBytes(path, data.data(), data.size());
        ImageHolder image, alpha;
        int r = ReadImageWithAlpha(path.c_str(), image.out(), alpha.out());
        DeleteFileA(path.c_str());
        return r;
    }
    ProgramFolder folder;
};

const char* kFormats[] = {"jpg", "png", "tif", "bmp", "dra"};

// The longest cut of a file of our writer that leaves nothing to decode: up
// to the start of a JPEG's scan, of a PNG's pixel data or of a TIFF's
// directory (our writer puts it after the strips), or short of a bitmap's
// first whole row. Every cut of a native file: a layered file has no partial
// view to show.
size_t LongestUndecodableCut(const std::string& ext, const std::string& data) {
    auto le = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= (uint32_t)(uint8_t)data[at + i] << (8 * i);
        return (size_t)v;
    };
    if (ext == "jpg") return data.find("\xFF\xDA");
    if (ext == "png") return data.find("IDAT") + 4;
    if (ext == "tif") return le(4, 4);
    if (ext == "bmp") return le(10, 4) + (le(18, 4) * le(28, 2) + 31) / 32 * 4 - 1;
    return data.size() - 1;
}

}  // namespace

// Cuts that leave nothing decodable are refused for every format; cuts past
// that open with what they hold (see the tests below).
TEST_F(Hostile, TruncatedFilesFail) {
    for (const char* ext : kFormats) {
        std::string data = Fixture(ext);
        ASSERT_GT(data.size(), 100u) << ext;
        ASSERT_EQ(1, ReadAs(data, ext)) << ext;
        const size_t longest = LongestUndecodableCut(ext, data);
        ASSERT_LT(longest, data.size()) << ext;
        for (size_t cut : {(size_t)0, (size_t)1, (size_t)8, (size_t)30, data.size() / 4, data.size() / 2,
                           data.size() - 2, data.size() - 1, longest}) {
            if (cut > longest) continue;
            EXPECT_EQ(0, ReadAs(data.substr(0, cut), ext)) << ext << " cut at " << cut << " of " << data.size();
        }
    }
}

// A JPEG that ends early opens with its decoded part; the rows without data are grey.
TEST_F(Hostile, JpegEndingEarlyKeepsItsDecodedPart) {
    ImageHolder picture(MakeSmooth(64, 64));
    const std::string path = folder.File("short.jpg");
    ASSERT_NE(0, WriteImageWithPlugin(picture.get(), path.c_str(), folder.File("file_w\\jpgsave.dll").c_str()));
    std::string data;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &data));
    const size_t scan = data.find("\xFF\xDA");
    ASSERT_NE(std::string::npos, scan);
    const std::string cut = data.substr(0, scan + 20 + (data.size() - scan) / 2);
    ASSERT_TRUE(testsupport::WriteFileBytes(path, cut.data(), cut.size()));
    ImageHolder image, alpha;
    ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), image.out(), alpha.out()));
    ASSERT_EQ(64, image.get()->width);
    ASSERT_EQ(64, image.get()->height);
    // The top rows are the picture, the last row is grey.
    int worstTop = 0;
    for (int x = 0; x < 64; ++x) {
        uint32_t a = PixelAt(image.get(), x, 2), b = PixelAt(picture.get(), x, 2);
        for (int k = 0; k < 24; k += 8) {
            int d = (int)((a >> k) & 255) - (int)((b >> k) & 255);
            worstTop = d < 0 ? -d > worstTop ? -d : worstTop : d > worstTop ? d : worstTop;
        }
    }
    EXPECT_LT(worstTop, 24);
    for (int x = 0; x < 64; x += 9) {
        uint32_t v = PixelAt(image.get(), x, 63);
        for (int k = 0; k < 24; k += 8) EXPECT_NEAR(128, (int)((v >> k) & 255), 8) << x;
    }
}

TEST_F(Hostile, CorruptedFilesFail) {
    struct Case {
        const char* ext;
        size_t offset;          // from the start, or from the end when fromEnd
        bool fromEnd;
        std::vector<uint8_t> bytes;
        int expected = 0;
    } cases[] = {
        {"jpg", 0, false, {0x00}},                    // no start-of-image marker
        {"png", 1, false, {'X'}},                     // signature
        {"png", 29, false, {0x55}},                   // header: CRC mismatch
        // Compressed data: found damaged (bad data or CRC mismatch) after the
        // rows before it were decoded, which open with the rest grey.
        {"png", 200, true, {0x55, 0xAA}, 1},
        {"tif", 0, false, {'X', 'X'}},                // byte order mark
        {"tif", 4, false, {0xFF, 0xFF, 0xFF, 0x7F}},  // directory past the end
        {"bmp", 0, false, {'X'}},
        {"bmp", 18, false, {0, 0, 0, 0}},             // width 0
        {"bmp", 18, false, {0xFF, 0xFF, 0xFF, 0x7F}}, // width beyond the file
        {"bmp", 28, false, {7}},                      // 7 bits a pixel
        {"bmp", 10, false, {0xFF, 0xFF, 0, 0}},       // pixels past the end
        {"dra", 3, false, {'X'}},                     // signature
        {"dra", 16, false, {2}},                      // major version 2 (CRC fails too)
        {"dra", 200, true, {0x55}},                   // band data: CRC mismatch
    };
    for (const Case& c : cases) {
        std::string data = Fixture(c.ext);
        ASSERT_GT(data.size(), c.offset + c.bytes.size());
        size_t at = c.fromEnd ? data.size() - c.offset : c.offset;
        for (size_t i = 0; i < c.bytes.size(); ++i) data[at + i] = (char)c.bytes[i];
        EXPECT_EQ(c.expected, ReadAs(data, c.ext)) << c.ext << " at " << at;
    }
}

namespace {

// A w x h palette file of `bits` whose header claims `entries` colours and
// whose colour table really is that long (past 2^bits, the pixels lie beyond
// all of it). Entry k < 2^bits is (blue k, green 255 - k, red 3 k); pixel
// (x, y) uses entry (x + y) mod min(2^bits, entries).
std::string PaletteBmp(int bits, int entries, int w, int h, bool topDown) {
    const int full = 1 << bits, used = entries < full ? entries : full;
    const int stride = ((w * bits + 31) / 32) * 4;
    const size_t pixels = 54 + (size_t)entries * 4;
    std::string s(pixels + (size_t)stride * h, '\x5A');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s[at + i] = (char)(v >> (8 * i));
    };
    s[0] = 'B'; s[1] = 'M';
    put(2, (uint32_t)s.size(), 4); put(6, 0, 4); put(10, (uint32_t)pixels, 4);
    put(14, 40, 4); put(18, w, 4); put(22, topDown ? (uint32_t)-h : (uint32_t)h, 4);
    put(26, 1, 2); put(28, (uint32_t)bits, 2);
    put(30, 0, 4); put(34, 0, 4); put(38, 2835, 4); put(42, 2835, 4); put(46, entries, 4); put(50, 0, 4);
    for (int k = 0; k < used; ++k) put(54 + 4 * k, (uint32_t)(k | (255 - k) << 8 | (3 * k & 255) << 16), 4);
    for (int y = 0; y < h; ++y) {
        const size_t row = pixels + (size_t)(topDown ? y : h - 1 - y) * stride;
        for (int i = 0; i < stride; ++i) s[row + i] = 0;
        for (int x = 0; x < w; ++x) {
            const int k = (x + y) % used;
            if (bits == 1) s[row + x / 8] |= (char)(k << (7 - x % 8));
            if (bits == 4) s[row + x / 2] |= (char)(x % 2 ? k : k << 4);
            if (bits == 8) s[row + x] = (char)k;
        }
    }
    return s;
}

}  // namespace

TEST_F(Hostile, ColourTablesLongerThanTheDepthAllows) {
    // Read with the entries the depth allows, or refused: never a crash and
    // never colours from outside the table.
    for (int bits : {1, 4, 8}) {
        std::string path = folder.File("table.bmp");
        std::string data = PaletteBmp(bits, 1000, 5, 3, false);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, data.data(), data.size()));
        ImageHolder image, alpha;
        if (!ReadImageWithAlpha(path.c_str(), image.out(), alpha.out())) continue;
        ASSERT_NE(nullptr, image.get()) << bits << " bits";
        ASSERT_EQ(5, image.get()->width);
        ASSERT_EQ(3, image.get()->height);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t k = (uint32_t)((x + y) % (1 << bits));
                EXPECT_EQ(k | (255 - k) << 8 | (3 * k & 255) << 16, PixelAt(image.get(), x, y) & 0xFFFFFF)
                    << bits << " bits, pixel " << x << ", " << y;
            }
        DeleteFileA(path.c_str());
    }
}

namespace {

void PutBe32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = (char)(v >> (24 - 8 * i));
}

void AppendPngChunk(std::string& png, const char* type, const std::string& body) {
    std::string chunk(8, '\0');
    PutBe32(chunk, 0, (uint32_t)body.size());
    std::memcpy(&chunk[4], type, 4);
    chunk += body;
    chunk.append(4, '\0');
    PutBe32(chunk, chunk.size() - 4, (uint32_t)crc32(0, (const Bytef*)chunk.data() + 4, (uInt)body.size() + 4));
    png += chunk;
}

// A PNG of pattern 5 whose pixel data is stored, not compressed, so that a
// cut falls at a known row: colour type 2 (RGB), 6 (RGBA, alpha 255 - 4 x)
// or 3 (16 palette entries, entry (x + y) mod 16); Adam7-interlaced on
// request. *rows: offset of the first filtered row in the file.
std::string StoredPng(int w, int h, int type, bool interlaced, size_t* rows) {
    std::string raw;
    auto pass = [&](int x0, int y0, int dx, int dy) {
        if (x0 >= w) return;
        for (int y = y0; y < h; y += dy) {
            raw += '\0';   // no filter
            for (int x = x0; x < w; x += dx) {
                const uint32_t c = PatternPixel(x, y, 5);
                if (type == 3) {
                    raw += (char)((x + y) % 16);
                    continue;
                }
                raw += (char)(c >> 16);
                raw += (char)(c >> 8);
                raw += (char)c;
                if (type == 6) raw += (char)(255 - 4 * x);
            }
        }
    };
    if (interlaced) {
        static const int kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : kPasses) pass(p[0], p[1], p[2], p[3]);
    } else {
        pass(0, 0, 1, 1);
    }
    std::string stored(compressBound((uLong)raw.size()), '\0');
    uLongf storedSize = (uLongf)stored.size();
    if (compress2((Bytef*)&stored[0], &storedSize, (const Bytef*)raw.data(), (uLong)raw.size(), 0) != Z_OK)
        return std::string();
    stored.resize(storedSize);
    // One stored block: two bytes of zlib header, five of block header.
    if (raw.size() > 65535 || stored.size() != raw.size() + 11) return std::string();
    std::string png("\x89PNG\r\n\x1A\n", 8), ihdr(13, '\0');
    PutBe32(ihdr, 0, (uint32_t)w);
    PutBe32(ihdr, 4, (uint32_t)h);
    ihdr[8] = 8;
    ihdr[9] = (char)type;
    ihdr[12] = interlaced ? 1 : 0;
    AppendPngChunk(png, "IHDR", ihdr);
    if (type == 3) {
        std::string plte;
        for (int k = 0; k < 16; ++k) plte += std::string{(char)(16 * k), (char)(255 - 16 * k), (char)(8 * k)};
        AppendPngChunk(png, "PLTE", plte);
    }
    *rows = png.size() + 8 + 7;
    AppendPngChunk(png, "IDAT", stored);
    AppendPngChunk(png, "IEND", std::string());
    return png;
}

// An uncompressed RGB (or RGBA, unassociated alpha 255 - 4 x) TIFF of
// pattern 5 with its directory first and strips of `stripRows` rows after
// it, as scanners write them. *pixels: offset of the first strip.
std::string StripTiff(int w, int h, bool alpha, int stripRows, size_t* pixels) {
    const int spp = alpha ? 4 : 3, strips = (h + stripRows - 1) / stripRows;
    struct Entry { uint16_t tag, type; uint32_t count, value; };
    std::vector<Entry> entries = {{256, 4, 1, (uint32_t)w}, {257, 4, 1, (uint32_t)h}, {258, 3, (uint32_t)spp, 0},
                                  {259, 3, 1, 1},           {262, 3, 1, 2},           {273, 4, (uint32_t)strips, 0},
                                  {277, 3, 1, (uint32_t)spp}, {278, 4, 1, (uint32_t)stripRows},
                                  {279, 4, (uint32_t)strips, 0}, {284, 3, 1, 1}};
    if (alpha) entries.push_back({338, 3, 1, 2});
    const uint32_t bitsAt = 8 + 2 + 12 * (uint32_t)entries.size() + 4, offsetsAt = bitsAt + 2 * spp,
                   countsAt = offsetsAt + 4 * strips, dataAt = countsAt + 4 * strips;
    std::string t(dataAt, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) t[at + i] = (char)(v >> (8 * i));
    };
    t[0] = t[1] = 'I';
    put(2, 42, 2);
    put(4, 8, 4);
    put(8, (uint32_t)entries.size(), 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry e = entries[i];
        if (e.tag == 258) e.value = bitsAt;
        if (e.tag == 273) e.value = offsetsAt;
        if (e.tag == 279) e.value = countsAt;
        const size_t at = 10 + 12 * i;
        put(at, e.tag, 2);
        put(at + 2, e.type, 2);
        put(at + 4, e.count, 4);
        put(at + 8, e.value, e.type == 3 && e.count == 1 ? 2 : 4);
    }
    for (int k = 0; k < spp; ++k) put(bitsAt + 2 * k, 8, 2);
    const uint32_t stripBytes = (uint32_t)(w * spp * stripRows);
    for (int k = 0; k < strips; ++k) {
        const int rows = h - k * stripRows < stripRows ? h - k * stripRows : stripRows;
        put(offsetsAt + 4 * k, dataAt + stripBytes * k, 4);
        put(countsAt + 4 * k, (uint32_t)(w * spp * rows), 4);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = PatternPixel(x, y, 5);
            t += std::string{(char)(c >> 16), (char)(c >> 8), (char)c};
            if (alpha) t += (char)(255 - 4 * x);
        }
    *pixels = dataAt;
    return t;
}

}  // namespace

// Files that end early open like the JPEG above: the rows the file holds are
// the picture, the rest is grey (and opaque), and the size is the whole
// picture's.
TEST_F(Hostile, CutFilesKeepTheirDecodedRows) {
    struct Case {
        const char* name;
        const char* ext;
        std::string data;
        size_t cut;
        int pictureFrom, pictureTo;   // rows as the intact file has them
        int greyFrom, greyTo;         // rows of opaque grey
        int step;                     // 8: only the first interlace pass's pixels
    };
    std::vector<Case> cases;
    std::string f;
    std::string bmp = Fixture("bmp");
    const size_t bmpPixels = (uint8_t)bmp[10] | (uint8_t)bmp[11] << 8;
    // Bottom-up: the rows the file holds are the bottom of the picture.
    cases.push_back({"bmp 24 bits", "bmp", bmp, bmpPixels + 144 * 25 + 100, 15, 40, 0, 15, 1});
    // A table of 16 colours at 8 bits leaves room for grey.
    f = PaletteBmp(8, 16, 40, 30, false);
    cases.push_back({"bmp 8 bits", "bmp", f, 54 + 64 + 40 * 12 + 39, 18, 30, 0, 18, 1});
    // Eight colours at 4 bits leave room too; top-down, the rows held are the top.
    f = PaletteBmp(4, 8, 40, 30, true);
    cases.push_back({"bmp 4 bits, top-down", "bmp", f, 54 + 32 + 20 * 11 + 3, 0, 11, 11, 30, 1});
    // Lines of 34 bytes: a cut inside the thirteenth keeps twelve.
    f = MakeRleBmp(40, 30, 8, 16, RleRows(40, 30));
    cases.push_back({"bmp run-length", "bmp", f, 54 + 64 + 34 * 12 + 20, 18, 30, 0, 18, 1});
    size_t at = 0;
    std::string png = Fixture("png");
    // Our own writer: compressed, so the cut row is not known exactly.
    cases.push_back({"png of our writer", "png", png, png.find("IDAT") + (png.size() - png.find("IDAT")) / 2, 0, 1,
                     39, 40, 1});
    f = StoredPng(48, 40, 2, false, &at);
    cases.push_back({"png rgb", "png", f, at + 145 * 17 + 60, 0, 17, 17, 40, 1});
    cases.push_back({"png rgb cut inside the end chunk", "png", f, f.size() - 3, 0, 40, 40, 40, 1});
    f = StoredPng(48, 40, 6, false, &at);
    cases.push_back({"png rgba", "png", f, at + 193 * 9, 0, 9, 9, 40, 1});
    f = StoredPng(48, 40, 3, false, &at);
    cases.push_back({"png palette", "png", f, at + 49 * 30 + 1, 0, 30, 30, 40, 1});
    // Interlaced: the first pass holds rows 0, 8, ... of 19 bytes each; a cut
    // in its third row leaves rows 0..15, each row copying the row above it.
    f = StoredPng(48, 40, 2, true, &at);
    cases.push_back({"png interlaced, cut in the first pass", "png", f, at + 19 * 2 + 5, 0, 16, 16, 40, 8});
    // Past the first three passes (95, 95 and 185 bytes) every pixel stands
    // for a block of them: nothing is grey.
    cases.push_back({"png interlaced, cut in the fourth pass", "png", f, at + 95 + 95 + 185 + 100, 0, 40, 40, 40, 8});
    // Strips of four rows: a cut inside the sixth keeps five.
    f = StripTiff(48, 40, false, 4, &at);
    cases.push_back({"tif rgb", "tif", f, at + 48 * 3 * 4 * 5 + 200, 0, 20, 20, 40, 1});
    f = StripTiff(48, 40, true, 4, &at);
    cases.push_back({"tif rgba", "tif", f, at + 48 * 4 * 4 * 7 + 10, 0, 28, 28, 40, 1});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.cut, c.data.size());
        const std::string intactPath = folder.File(std::string("intact.") + c.ext);
        const std::string cutPath = folder.File(std::string("cut.") + c.ext);
        ASSERT_TRUE(testsupport::WriteFileBytes(intactPath, c.data.data(), c.data.size()));
        ASSERT_TRUE(testsupport::WriteFileBytes(cutPath, c.data.data(), c.cut));
        ImageHolder intact, intactAlpha, image, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha(intactPath.c_str(), intact.out(), intactAlpha.out()));
        ASSERT_EQ(1, ReadImageWithAlpha(cutPath.c_str(), image.out(), alpha.out()));
        const int w = intact.get()->width, h = intact.get()->height;
        ASSERT_EQ(w, image.get()->width);
        ASSERT_EQ(h, image.get()->height);
        for (int y = c.pictureFrom; y < c.pictureTo; y += c.step)
            for (int x = 0; x < w; x += c.step) {
                ASSERT_EQ(PixelAt(intact.get(), x, y), PixelAt(image.get(), x, y)) << x << ", " << y;
                ASSERT_EQ(PixelAt(intactAlpha.get(), x, y), PixelAt(alpha.get(), x, y)) << x << ", " << y;
            }
        for (int y = c.greyFrom; y < c.greyTo; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(0x808080u, PixelAt(image.get(), x, y)) << x << ", " << y;
                ASSERT_EQ(255u, PixelAt(alpha.get(), x, y)) << x << ", " << y;
            }
        DeleteFileA(intactPath.c_str());
        DeleteFileA(cutPath.c_str());
    }
}

namespace {

// Callbacks of the mutation run: check each call against the size the
// reader announced for the same file. Like a host without room for it, they
// refuse a mutant that announces a huge picture, which ends its read.
int g_W, g_H, g_Bad;
int DARNA_PLUGIN_CALL MPutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    if (image != 0 || (int64_t)g_W * g_H > (1 << 22)) return -1;
    if (y < 0 || y >= g_H || x0 < 0 || x1 >= g_W || x0 > x1 || !bytes) {
        ++g_Bad;
        return -1;
    }
    volatile uint8_t sink = bytes[0] ^ bytes[x1 - x0];   // the row must be readable
    (void)sink;
    return 0;
}
int DARNA_PLUGIN_CALL MPutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image, int) {
    if (image != 0) return -1;
    if (y < 0 || y >= g_H || x0 < 0 || x1 >= g_W || x0 > x1 || !bytes) {
        ++g_Bad;
        return -1;
    }
    volatile uint8_t sink = bytes[x1 - x0];
    (void)sink;
    return 0;
}
int DARNA_PLUGIN_CALL MSetPalette(const uint8_t* bytes, int) {
    volatile uint8_t sink = bytes ? bytes[0] : 0;
    (void)sink;
    return 24;
}
int DARNA_PLUGIN_CALL MPutChannelRow(int, int, int, int, const uint8_t*, int) { return 0; }

struct Rng {
    uint32_t s;
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

// Recomputes the CRC of every whole chunk (PNG: big-endian lengths; the
// native format: little-endian), so that mutants get past the CRC checks and
// reach the parsers behind them.
void FixChunkCrcs(std::string& m, bool bigEndian) {
    size_t at = 8;
    while (at + 12 <= m.size()) {
        const uint8_t* p = (const uint8_t*)m.data() + at;
        uint32_t len = bigEndian ? (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]
                                 : (uint32_t)p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
        if (len > m.size() - at - 12) return;
        uint32_t crc = (uint32_t)crc32(0, p + 4, len + 4);
        uint8_t* q = (uint8_t*)&m[at + 8 + len];
        for (int i = 0; i < 4; ++i) q[i] = (uint8_t)(bigEndian ? crc >> (24 - 8 * i) : crc >> (8 * i));
        at += 12 + len;
    }
}

}  // namespace

TEST_F(Hostile, MutatedFilesNeverCrashAReader) {
    struct Reader {
        const char* ext;
        const char* dll;
        int count;
    } readers[] = {
        {"jpg", "jpgload.dll", 1500}, {"png", "pngload.dll", 1500}, {"tif", "tifload.dll", 1500},
        {"bmp", "bmpload.dll", 1500}, {"rle", "bmpload.dll", 1000}, {"dra", "draload.dll", 1500},
    };
    const ReadFileCallbacks cb = {MPutRow, MPutTransparencyRow, MSetPalette, MPutChannelRow};
    static const uint32_t extremes[] = {0, 1, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0x10000, 30001, 0xFFFF};
    for (const Reader& r : readers) {
        const bool rle = !std::strcmp(r.ext, "rle");
        std::string fixture = rle ? MakeRleBmp(40, 30, 8, 16, RleRows(40, 30)) : Fixture(r.ext);
        ASSERT_GT(fixture.size(), 100u);
        Dll dll(folder.File(std::string("file_r\\") + r.dll));
        auto init = dll.Get<ReadFileInitFn>(DARNA_EXPORT_READ_FILE_INIT);
        auto getSize = dll.Get<ReadFileGetSizeFn>(DARNA_EXPORT_READ_FILE_GET_SIZE);
        auto exec = dll.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
        ASSERT_TRUE(init && getSize && exec);
        std::string path = folder.File(std::string("mutant.") + (rle ? "bmp" : r.ext));
        Rng rng{0x9E3779B9u ^ (uint32_t)fixture.size()};
        int readable = 0, executed = 0;
        g_Bad = 0;
        Records rec;
        for (int i = 0; i < r.count; ++i) {
            std::string m = fixture;
            switch (rng.Below(4)) {
            case 0:   // a few random bytes
                for (uint32_t k = 1 + rng.Below(4); k--;) m[rng.Below((uint32_t)m.size())] = (char)rng.Next();
                break;
            case 1:   // a header field set to an extreme value
            {
                uint32_t at = rng.Below((uint32_t)(m.size() < 300 ? m.size() - 4 : 296));
                uint32_t v = extremes[rng.Below(8)];
                std::memcpy(&m[at], &v, 4);
                break;
            }
            case 2:   // truncated
                m.resize(rng.Below((uint32_t)m.size()));
                break;
            default:  // a byte changed and the file cut
                m[rng.Below((uint32_t)m.size())] = (char)rng.Next();
                m.erase(m.end() - rng.Below((uint32_t)m.size() / 2), m.end());
                break;
            }
            bool png = !std::strcmp(r.ext, "png"), native = !std::strcmp(r.ext, "dra");
            if ((png || native) && (i & 1)) FixChunkCrcs(m, png);
            ASSERT_TRUE(testsupport::WriteFileBytes(path, m.data(), m.size()));
            init(nullptr, path.c_str(), native ? (int)(i / 2 & 1) : 0);
            std::memset(rec.info.data(), 0, rec.info.size());
            rec.Info()->count = 1;
            if (!getSize(nullptr, path.c_str(), rec.Info(), rec.Names())) continue;
            g_W = rec.Info()->image[0].width;
            g_H = rec.Info()->image[0].height;
            rec.Info()->count = 1;
            ++executed;
            if (exec(nullptr, path.c_str(), rec.Info(), rec.Names(), rec.Layers(), &cb)) ++readable;
        }
        EXPECT_EQ(0, g_Bad) << r.ext << ": rows outside the announced size";
        // The run reached the decoders, not only the header checks.
        std::printf("[ mutation ] %s: %d mutants, %d decoded, %d read whole\n", r.ext, r.count, executed, readable);
        EXPECT_GT(executed, r.count / 10) << r.ext;
        DeleteFileA(path.c_str());
    }
}
