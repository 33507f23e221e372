// .bmp files: hand-made files of every header and depth, files written by
// ImageMagick, damaged and hostile files, and files we write.
#include <gtest/gtest.h>

#include "image/bmp_file.h"
#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/packed_dib.h"
#include "image_ops_support.h"

using namespace imgtest;

namespace {

void Put16(std::string& s, size_t at, uint32_t v) { s[at] = (char)(v & 255); s[at + 1] = (char)(v >> 8); }
void Put32(std::string& s, size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) s[at + i] = (char)(v >> (8 * i)); }

// What a hand-made file holds.
struct BmpCase {
    const char* name;
    int header;          // 12, 40, 108 or 124
    int bits;            // 1, 4, 8, 16, 24, 32
    bool topDown;
    bool bitfields;
    int paletteEntries;  // entries written; 0 = all
    bool writeClrUsed;   // biClrUsed = paletteEntries
    uint32_t masks[3];   // red, green, blue of bit-field files
    int gap;             // bytes between the colour table and the rows
};

const int kW = 5, kH = 3;

// Colour-table entry k and the index of pixel (x, y) of palette files.
RGBQUAD Entry(int k) { return RGBQUAD{(BYTE)(k * 7 + 3), (BYTE)(255 - k * 5), (BYTE)(k * 11 % 256), 0}; }
int IndexOf(int x, int y, int entries) { return (x * 3 + y * 5 + 1) % entries; }

// Direct colour of pixel (x, y), representable at every direct depth tested.
uint32_t DirectOf(int x, int y) {
    static const uint32_t c[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255), Rgb(0, 0, 0),
                                 Rgb(255, 255, 0), Rgb(0, 255, 255)};
    return c[(x + 2 * y) % 7];
}

// Builds the file and the pixels it must read as.
std::string Build(const BmpCase& c, Picture* want, std::vector<int>* indices) {
    const bool core = c.header == 12;
    const int full = c.bits <= 8 ? 1 << c.bits : 0;
    const int entries = c.paletteEntries ? c.paletteEntries : full;
    const int entrySize = core ? 3 : 4;
    const int masksAfter = (c.bitfields && c.header == 40) ? 12 : 0;
    const int stride = ((kW * c.bits + 31) / 32) * 4;
    const size_t tableAt = 14 + c.header + masksAfter;
    const size_t pixelsAt = tableAt + (size_t)entries * entrySize + c.gap;
    std::string s(pixelsAt + (size_t)stride * kH, '\0');
    s[0] = 'B'; s[1] = 'M';
    Put32(s, 2, (uint32_t)s.size());
    Put32(s, 10, (uint32_t)pixelsAt);
    Put32(s, 14, (uint32_t)c.header);
    if (core) {
        Put16(s, 18, kW); Put16(s, 20, kH); Put16(s, 22, 1); Put16(s, 24, (uint32_t)c.bits);
    } else {
        Put32(s, 18, kW); Put32(s, 22, (uint32_t)(c.topDown ? -kH : kH)); Put16(s, 26, 1); Put16(s, 28, (uint32_t)c.bits);
        Put32(s, 30, c.bitfields ? BI_BITFIELDS : BI_RGB);
        Put32(s, 38, 3780); Put32(s, 42, 2835);
        if (c.writeClrUsed) Put32(s, 46, (uint32_t)entries);
        if (c.bitfields) for (int i = 0; i < 3; ++i) Put32(s, 54 + 4 * i, c.masks[i]);
    }
    for (int k = 0; k < entries; ++k) {
        RGBQUAD q = Entry(k);
        s[tableAt + k * entrySize] = (char)q.rgbBlue;
        s[tableAt + k * entrySize + 1] = (char)q.rgbGreen;
        s[tableAt + k * entrySize + 2] = (char)q.rgbRed;
    }
    want->width = kW; want->height = kH; want->px.assign(kW * kH, 0);
    indices->assign(kW * kH, 0);
    for (int y = 0; y < kH; ++y) {
        const int stored = c.topDown ? y : kH - 1 - y;
        const size_t row = pixelsAt + (size_t)stored * stride;
        for (int x = 0; x < kW; ++x) {
            uint32_t colour;
            if (c.bits <= 8) {
                int k = IndexOf(x, y, entries);
                (*indices)[y * kW + x] = k;
                RGBQUAD q = Entry(k);
                colour = Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
                if (c.bits == 1) s[row + x / 8] |= (char)(k << (7 - x % 8));
                if (c.bits == 4) s[row + x / 2] |= (char)(x % 2 ? k : k << 4);
                if (c.bits == 8) s[row + x] = (char)k;
            } else {
                colour = DirectOf(x, y);
                int r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
                if (c.bits == 24) { s[row + 3 * x] = (char)b; s[row + 3 * x + 1] = (char)g; s[row + 3 * x + 2] = (char)r; }
                if (c.bits == 32 && !c.bitfields) Put32(s, row + 4 * x, colour | 0xAB000000u);
                if (c.bits == 16 || (c.bits == 32 && c.bitfields)) {
                    uint32_t m[3] = {c.bitfields ? c.masks[0] : 0x7C00u, c.bitfields ? c.masks[1] : 0x03E0u,
                                     c.bitfields ? c.masks[2] : 0x001Fu};
                    int v[3] = {r, g, b};
                    uint32_t word = 0;
                    for (int i = 0; i < 3; ++i)   // 0 or 255 fill the mask or leave it empty
                        if (v[i]) word |= m[i];
                    if (c.bits == 16) Put16(s, row + 2 * x, word);
                    else Put32(s, row + 4 * x, word);
                }
            }
            want->px[y * kW + x] = colour;
        }
    }
    return s;
}

const BmpCase kCases[] = {
    {"info 1 bit", 40, 1, false, false, 0, false, {}, 0},
    {"info 4 bits", 40, 4, false, false, 0, false, {}, 0},
    {"info 8 bits", 40, 8, false, false, 0, false, {}, 0},
    {"info 24 bits", 40, 24, false, false, 0, false, {}, 0},
    {"info 32 bits", 40, 32, false, false, 0, false, {}, 0},
    {"info 16 bits 5-5-5", 40, 16, false, false, 0, false, {}, 0},
    {"core 1 bit", 12, 1, false, false, 0, false, {}, 0},
    {"core 4 bits", 12, 4, false, false, 0, false, {}, 0},
    {"core 8 bits", 12, 8, false, false, 0, false, {}, 0},
    {"core 24 bits", 12, 24, false, false, 0, false, {}, 0},
    {"top-down 8 bits", 40, 8, true, false, 0, false, {}, 0},
    {"top-down 24 bits", 40, 24, true, false, 0, false, {}, 0},
    {"top-down 32 bits", 40, 32, true, false, 0, false, {}, 0},
    {"bit fields 16 bits 5-6-5", 40, 16, false, true, 0, false, {0xF800, 0x07E0, 0x001F}, 0},
    {"bit fields 32 bits", 40, 32, false, true, 0, false, {0x00FF0000, 0x0000FF00, 0x000000FF}, 0},
    {"bit fields 32 bits, blue high", 40, 32, false, true, 0, false, {0x0000FF00, 0x00FF0000, 0xFF000000}, 0},
    {"v4 header, bit fields", 108, 32, false, true, 0, false, {0x000003FF, 0x000FFC00, 0x3FF00000}, 0},
    {"v5 header 24 bits", 124, 24, false, false, 0, false, {}, 0},
    {"v5 header 8 bits", 124, 8, false, false, 0, false, {}, 0},
    {"short palette, 8 bits, 20 entries", 40, 8, false, false, 20, true, {}, 0},
    {"short palette, 4 bits, 3 entries", 40, 4, false, false, 3, true, {}, 0},
    {"gap before the rows", 40, 24, false, false, 0, false, {}, 6},
    {"palette then a gap", 40, 8, false, false, 20, true, {}, 10},
};

class BmpRead : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpRead, EveryLoaderReadsTheRightPixels) {
    const BmpCase& c = GetParam();
    Picture want;
    std::vector<int> indices;
    std::string bytes = Build(c, &want, &indices);
    testsupport::TempDir dir("bmp");
    std::string path = dir.File("case.bmp");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes.data(), bytes.size()));

    // c_Dib::LoadBmp: palette files as 8-bit images of their indices.
    Owned im(c_Dib::LoadBmp(path.c_str()));
    ASSERT_NE(im.get(), nullptr) << c.name;
    ASSERT_EQ(im->width, kW);
    ASSERT_EQ(im->height, kH);
    if (c.bits <= 8) {
        ASSERT_EQ(im->bits, 8);
        std::vector<uint8_t> v = Read8(im.get());
        for (int i = 0; i < kW * kH; ++i) {
            ASSERT_EQ(v[i], indices[i]) << c.name << " pixel " << i;
            const RGBQUAD& q = im->palette[v[i]];
            EXPECT_EQ(Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue), want.px[i]) << c.name << " pixel " << i;
        }
    } else {
        ASSERT_EQ(im->bits, 32);
        EXPECT_EQ(Read32(im.get()).px, want.px) << c.name;
    }
    if (c.header != 12) {
        EXPECT_EQ(im->xResolution, 96) << c.name;
        EXPECT_EQ(im->yResolution, 72) << c.name;
    } else {
        EXPECT_EQ(im->xResolution, 0) << c.name;
    }

    // c_Dib::LoadBmpInto: colours into an existing 32-bit image.
    Owned into(g_VmsStore.Create(kW, kH, 32, 0, 1));
    ASSERT_EQ(c_Dib::LoadBmpInto(into.get(), path.c_str()), 1) << c.name;
    EXPECT_EQ(Read32(into.get()).px, want.px) << c.name;

    // LoadPackedDibBmp: a 32-bit block.
    BITMAPINFOHEADER* dib = LoadPackedDibBmp(path.c_str());
    ASSERT_NE(dib, nullptr) << c.name;
    EXPECT_EQ(dib->biBitCount, 32);
    EXPECT_EQ(dib->biHeight, kH);
    Picture got;
    got.width = kW; got.height = kH; got.px.resize(kW * kH);
    for (int y = 0; y < kH; ++y) GetPackedDibRow32(dib, y, 0, kW - 1, &got.px[y * kW]);
    for (auto& v : got.px) v &= 0xFFFFFF;
    EXPECT_EQ(got.px, want.px) << c.name;
    FreePackedDib(dib);

    // c_DibImageOps::LoadBmp keeps the depth; its 32-bit conversion the colours.
    DibImage* d = c_DibImageOps::LoadBmp(path.c_str());
    ASSERT_NE(d, nullptr) << c.name;
    DibImage* d32 = c_DibImageOps::ConvertTo32Bit(d);
    ASSERT_NE(d32, nullptr);
    for (int y = 0; y < kH; ++y) c_DibImageOps::GetRow32(d32, y, 0, kW - 1, &got.px[y * kW]);
    for (auto& v : got.px) v &= 0xFFFFFF;
    EXPECT_EQ(got.px, want.px) << c.name;
    c_DibImageOps::Free(&d32);
    c_DibImageOps::Free(&d);
}

INSTANTIATE_TEST_SUITE_P(Cases, BmpRead, ::testing::ValuesIn(kCases));

// Files written by ImageMagick read as the pictures they were made from.
struct MagickCase {
    const char* file;
    const char* picture;
    int depthLoaded;   // bits of the image c_Dib::LoadBmp makes
};

const MagickCase kMagick[] = {
    {"im_24.bmp", "pattern20.ppm", 32},  {"im_core24.bmp", "pattern20.ppm", 32}, {"im_v5_24.bmp", "pattern20.ppm", 32},
    {"im_32.bmp", "pattern20.ppm", 32},  {"im_8.bmp", "pattern20.ppm", 8},       {"im_core8.bmp", "pattern20.ppm", 8},
    {"im_4.bmp", "small6.ppm", 8},       {"im_1.bmp", "bilevel.pbm", 8},         {"im_16.bmp", "primaries.ppm", 32},
};

TEST(BmpMagick, FilesWrittenByImageMagickRead) {
    std::string folder = FixtureFolder();
    for (const MagickCase& m : kMagick) {
        Picture want;
        std::string path = folder + m.file;
        if (testsupport::FileSize(path) < 0) GTEST_SKIP() << "ImageMagick fixtures were not made";
        ASSERT_TRUE(ReadNetpbm(folder + m.picture, &want)) << m.picture;
        Owned im(c_Dib::LoadBmp(path.c_str()));
        ASSERT_NE(im.get(), nullptr) << m.file;
        EXPECT_EQ(im->bits, m.depthLoaded) << m.file;
        Owned wide(g_VmsStore.Create(im->width, im->height, 32, 0, 1));
        ASSERT_EQ(c_Dib::LoadBmpInto(wide.get(), path.c_str()), 1) << m.file;
        Picture got = Read32(wide.get());
        ASSERT_EQ(got.width, want.width) << m.file;
        ASSERT_EQ(got.height, want.height) << m.file;
        EXPECT_EQ(got.px, want.px) << m.file;
        BITMAPINFOHEADER* dib = LoadPackedDibBmp(path.c_str());
        ASSERT_NE(dib, nullptr) << m.file;
        for (int y = 0; y < want.height; ++y) GetPackedDibRow32(dib, y, 0, want.width - 1, &got.px[y * want.width]);
        for (auto& v : got.px) v &= 0xFFFFFF;
        EXPECT_EQ(got.px, want.px) << m.file;
        FreePackedDib(dib);
    }
}

// Run-length files: repeated runs, literal runs, moves and line ends.
std::string RunLengthFile(int bits, int w, int h, const std::vector<uint8_t>& data) {
    const int entries = 1 << bits;
    std::string s(54 + entries * 4, '\0');
    s[0] = 'B'; s[1] = 'M';
    Put32(s, 10, (uint32_t)s.size()); Put32(s, 14, 40); Put32(s, 18, (uint32_t)w); Put32(s, 22, (uint32_t)h);
    Put16(s, 26, 1); Put16(s, 28, (uint32_t)bits); Put32(s, 30, bits == 8 ? BI_RLE8 : BI_RLE4);
    for (int k = 0; k < entries; ++k) {
        RGBQUAD q = Entry(k);
        s[54 + 4 * k] = (char)q.rgbBlue; s[55 + 4 * k] = (char)q.rgbGreen; s[56 + 4 * k] = (char)q.rgbRed;
    }
    s.append(data.begin(), data.end());
    Put32(s, 2, (uint32_t)s.size());
    return s;
}

TEST(BmpRunLength, EightAndFourBitRunsExpand) {
    struct Case {
        const char* name;
        int bits, w, h;
        std::vector<uint8_t> data;
        std::vector<uint8_t> want;   // indices, top row first
    } cases[] = {
        {"8-bit", 8, 5, 3,
         {3, 7, 2, 9, 0, 0,                     // bottom row: 7 7 7 9 9
          0, 5, 1, 2, 3, 4, 5, 0, 0, 0,         // literal run of five, padded
          0, 2, 2, 0, 1, 8, 0, 1},              // move right 2, one 8, end
         {0, 0, 8, 0, 0, 1, 2, 3, 4, 5, 7, 7, 7, 9, 9}},
        {"4-bit", 4, 5, 2,
         {5, 0x12, 0, 0,                        // bottom row: 1 2 1 2 1
          0, 3, 0xAB, 0xC0, 2, 0xDD, 0, 1},     // literal A B C, then D D
         {10, 11, 12, 13, 13, 1, 2, 1, 2, 1}},
        {"runs past the edges are cut", 8, 4, 2,
         {255, 3, 0, 2, 200, 200, 255, 4, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9},
         {0, 0, 0, 0, 3, 3, 3, 3}},
        {"data ends early", 8, 3, 2, {2, 6}, {0, 0, 0, 6, 6, 0}},
    };
    testsupport::TempDir dir("rle");
    for (const Case& c : cases) {
        std::string bytes = RunLengthFile(c.bits, c.w, c.h, c.data);
        std::string path = dir.File("rle.bmp");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes.data(), bytes.size()));
        Owned im(c_Dib::LoadBmp(path.c_str()));
        ASSERT_NE(im.get(), nullptr) << c.name;
        EXPECT_EQ(Read8(im.get()), c.want) << c.name;
        BITMAPINFOHEADER* dib = LoadPackedDibBmp(path.c_str());
        ASSERT_NE(dib, nullptr) << c.name;
        uint32_t px;
        GetPackedDibRow32(dib, 0, c.w - 1, c.w - 1, &px);
        RGBQUAD q = Entry(c.want[c.w - 1]);
        EXPECT_EQ(px & 0xFFFFFF, Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue)) << c.name;
        FreePackedDib(dib);
        DibImage* d = c_DibImageOps::LoadBmp(path.c_str());
        ASSERT_NE(d, nullptr) << c.name;
        int value = -1;
        c_DibImageOps::GetValue8(d, 0, c.h - 1, &value);
        if (c.bits == 8) {
            EXPECT_EQ(value, c.want[(c.h - 1) * c.w]) << c.name;
        }
        c_DibImageOps::Free(&d);
    }
}

// ---- damaged and hostile files

std::string Valid24() {
    BmpCase c{"", 40, 24, false, false, 0, false, {}, 0};
    Picture p;
    std::vector<int> i;
    return Build(c, &p, &i);
}

struct Hostile {
    const char* name;
    std::string bytes;
};

// A well-formed palette file of `bits` whose header claims 1,000 colours and
// whose colour table really is that long: more entries than the depth allows.
std::string OversizedColourTable(int bits) {
    BmpCase c{"", 40, bits, false, false, 0, false, {}, 0};
    Picture p;
    std::vector<int> i;
    std::string s = Build(c, &p, &i);
    const size_t tableEnd = 54 + ((size_t)4 << bits);
    s.insert(tableEnd, (1000 - ((size_t)1 << bits)) * 4, '\x5A');
    Put32(s, 2, (uint32_t)s.size());
    Put32(s, 10, (uint32_t)(54 + 1000 * 4));
    Put32(s, 46, 1000);
    return s;
}

std::vector<Hostile> HostileFiles() {
    std::vector<Hostile> h;
    std::string v = Valid24();
    h.push_back({"empty", ""});
    h.push_back({"ten bytes", v.substr(0, 10)});
    h.push_back({"file header only", v.substr(0, 14)});
    h.push_back({"truncated in the rows", v.substr(0, v.size() - 7)});
    h.push_back({"truncated in the header", v.substr(0, 30)});
    std::string s = v; s[1] = 'X'; h.push_back({"wrong signature", s});
    s = v; Put32(s, 18, 0x40000000); h.push_back({"huge width", s});
    s = v; Put32(s, 18, 0x10000); Put32(s, 22, 0x10000); h.push_back({"huge width and height", s});
    s = v; Put32(s, 18, (uint32_t)-5); h.push_back({"negative width", s});
    s = v; Put32(s, 22, 0); h.push_back({"no rows", s});
    s = v; Put32(s, 22, 0x80000000u); h.push_back({"most negative height", s});
    s = v; Put32(s, 14, 124); h.push_back({"header larger than the file", s.substr(0, 100)});
    s = v; Put32(s, 14, 99); h.push_back({"unknown header size", s});
    s = v; Put32(s, 14, 0xFFFFFFF0u); h.push_back({"header size near 4 GB", s});
    s = v; Put32(s, 10, 0x7FFFFFF0u); h.push_back({"pixel offset past the end", s});
    s = v; Put32(s, 10, 20); h.push_back({"pixel offset inside the header", s});
    s = v; Put32(s, 30, BI_RLE8); h.push_back({"run-length pixels at 24 bits", s});
    s = v; Put32(s, 30, BI_RLE4); Put16(s, 28, 8); h.push_back({"4-bit runs at 8 bits", s});
    s = v; Put32(s, 30, BI_RLE8); Put16(s, 28, 8); Put32(s, 22, (uint32_t)-3); h.push_back({"top-down runs", s});
    s = v; Put32(s, 30, BI_RLE8); Put16(s, 28, 8); Put32(s, 18, 60000); Put32(s, 22, 60000); h.push_back({"runs of a huge picture", s});
    s = v; Put32(s, 30, BI_JPEG); h.push_back({"JPEG pixels", s});
    s = v; Put32(s, 30, BI_BITFIELDS); h.push_back({"bit fields at 24 bits", s});
    s = v; Put16(s, 28, 7); h.push_back({"7 bits a pixel", s});
    s = v; Put16(s, 28, 8); Put32(s, 46, 1000000); h.push_back({"a million colours", s});
    s = v; Put16(s, 28, 32); h.push_back({"rows longer than the file", s});
    h.push_back({"1 bit, 1,000 colours in the table", OversizedColourTable(1)});
    h.push_back({"4 bits, 1,000 colours in the table", OversizedColourTable(4)});
    h.push_back({"8 bits, 1,000 colours in the table", OversizedColourTable(8)});
    return h;
}

TEST(BmpHostile, EveryLoaderRefusesCleanly) {
    testsupport::TempDir dir("bad");
    for (const Hostile& f : HostileFiles()) {
        std::string path = dir.File("bad.bmp");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, f.bytes.data(), f.bytes.size()));
        VmsImage* im = c_Dib::LoadBmp(path.c_str());
        EXPECT_EQ(im, nullptr) << f.name;
        g_VmsStore.Free(&im);
        Owned into(g_VmsStore.Create(kW, kH, 32, 0x11, 1));
        Owned grey(g_VmsStore.Create(kW, kH, 8, 0x11, 1));
        EXPECT_EQ(c_Dib::LoadBmpInto(into.get(), path.c_str()), 0) << f.name;
        EXPECT_EQ(c_Dib::LoadBmpGreyInto(grey.get(), path.c_str(), 0), 0) << f.name;
        uint32_t px;
        g_VmsStore.GetRow(into.get(), 0, 0, 0, &px);
        EXPECT_EQ(px & 0xFFFFFF, 0x111111u) << f.name << ": the image was written";
        BITMAPINFOHEADER* dib = LoadPackedDibBmp(path.c_str());
        EXPECT_EQ(dib, nullptr) << f.name;
        FreePackedDib(dib);
        DibImage* d = c_DibImageOps::LoadBmp(path.c_str());
        EXPECT_EQ(d, nullptr) << f.name;
        c_DibImageOps::Free(&d);
    }
}

TEST(BmpHostile, MissingFileGivesNothing) {
    EXPECT_EQ(c_Dib::LoadBmp("Z:\\no\\such\\file.bmp"), nullptr);
    EXPECT_EQ(LoadPackedDibBmp("Z:\\no\\such\\file.bmp"), nullptr);
    EXPECT_EQ(c_DibImageOps::LoadBmp("Z:\\no\\such\\file.bmp"), nullptr);
}

TEST(BmpHostile, RowsWiderThanTheRowBuffersAreRefused) {
    // A well-formed file one row high and wider than c_Dib's rows.
    const int w = c_Dib::kMaxRowPixels + 1;
    const int stride = ((w * 24 + 31) / 32) * 4;
    std::string s(54 + stride, '\0');
    s[0] = 'B'; s[1] = 'M';
    Put32(s, 10, 54); Put32(s, 14, 40); Put32(s, 18, (uint32_t)w); Put32(s, 22, 1); Put16(s, 26, 1); Put16(s, 28, 24);
    testsupport::TempDir dir("wide");
    std::string path = dir.File("wide.bmp");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, s.data(), s.size()));
    EXPECT_EQ(c_Dib::LoadBmp(path.c_str()), nullptr);
    Owned into(g_VmsStore.Create(8, 1, 32, 0, 1));
    EXPECT_EQ(c_Dib::LoadBmpInto(into.get(), path.c_str()), 0);
}

TEST(BmpHostile, PackedBlockFromOutsideIsReadOnlyWithinItsBlock) {
    // A block that claims a 1,000 x 1,000 picture but holds a few bytes.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
    BITMAPINFOHEADER* dib = (BITMAPINFOHEADER*)GlobalLock(h);
    dib->biSize = 40; dib->biWidth = 1000; dib->biHeight = 1000; dib->biPlanes = 1; dib->biBitCount = 24;
    EXPECT_EQ(ConvertPackedDibTo32Bit(dib), nullptr);
    EXPECT_EQ(c_Dib::ConvertToVms(dib), nullptr);
    GlobalUnlock(h);
    GlobalFree(h);
}

// ---- writing

TEST(BmpWrite, SavedFileReadsBackByteExact) {
    testsupport::TempDir dir("save");
    Picture p = NoisePicture(7, 5, 3);
    Owned colour(MakeImage32(p));
    colour->xResolution = colour->yResolution = 96;
    std::vector<uint8_t> bytes = NoiseBytes(9 * 4, 5);
    Owned grey(MakeImage8(9, 4, bytes));
    for (int i = 0; i < 256; ++i) grey->palette[i] = RGBQUAD{(BYTE)i, (BYTE)(255 - i), (BYTE)(i / 2), 0};

    struct { VmsImage* image; const char* name; size_t size; uint32_t offset; } cases[] = {
        {colour.get(), "c.bmp", 54 + 7 * 4 * 5, 54},
        {grey.get(), "g.bmp", 54 + 1024 + 12 * 4, 54 + 1024},
    };
    for (auto& c : cases) {
        std::string a = dir.File(std::string("a") + c.name), b = dir.File(std::string("b") + c.name);
        ASSERT_EQ(c_Dib::SaveBmp(c.image, a.c_str()), 1);
        std::string fa, fb;
        ASSERT_TRUE(testsupport::ReadFileBytes(a, &fa));
        ASSERT_EQ(fa.size(), c.size);
        EXPECT_EQ(fa.substr(0, 2), "BM");
        EXPECT_EQ(*(const uint32_t*)(fa.data() + 2), (uint32_t)c.size);
        EXPECT_EQ(*(const uint32_t*)(fa.data() + 10), c.offset);
        Owned back(c_Dib::LoadBmp(a.c_str()));
        ASSERT_NE(back.get(), nullptr);
        ASSERT_EQ(c_Dib::SaveBmp(back.get(), b.c_str()), 1);
        ASSERT_TRUE(testsupport::ReadFileBytes(b, &fb));
        EXPECT_EQ(fa, fb) << c.name;
    }
    // The reloaded colour image has the written pixels.
    Owned back(c_Dib::LoadBmp(dir.File("ac.bmp").c_str()));
    EXPECT_EQ(Read32(back.get()).px, p.px);
    EXPECT_EQ(Read8(Owned(c_Dib::LoadBmp(dir.File("ag.bmp").c_str())).get()), bytes);
}

TEST(BmpWrite, FailedWriteKeepsTheOldFile) {
    testsupport::TempDir dir("keep");
    std::string path = dir.File("old.bmp");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "old", 3));
    // The old file is held open without delete sharing, so the new file cannot
    // be moved over it.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Owned im(g_VmsStore.Create(2, 2, 32, 0, 1));
    EXPECT_EQ(c_Dib::SaveBmp(im.get(), path.c_str()), 0);
    BITMAPINFOHEADER* dib = CreatePackedDib(2, 2, 32);
    EXPECT_EQ(SavePackedDibBmp(path.c_str(), dib), 0);
    FreePackedDib(dib);
    CloseHandle(held);
    std::string now;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &now));
    EXPECT_EQ(now, "old");
    // No temporary file is left beside it.
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(dir.File("*.tmp").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST(BmpWrite, PackedDibFileLayout) {
    testsupport::TempDir dir("pd");
    BITMAPINFOHEADER* dib = CreatePackedDib(2, 2, 32);
    uint32_t row[2] = {Rgb(1, 2, 3), Rgb(4, 5, 6)};
    PutPackedDibRow32(dib, 0, 0, 1, row);
    std::string path = dir.File("pd.bmp");
    ASSERT_EQ(SavePackedDibBmp(path.c_str(), dib), 1);
    std::string f;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &f));
    EXPECT_EQ(f.size(), 70u);
    EXPECT_EQ(*(const uint32_t*)(f.data() + 10), 54u);
    BITMAPINFOHEADER* back = LoadPackedDibBmp(path.c_str());
    ASSERT_NE(back, nullptr);
    uint32_t got[2];
    GetPackedDibRow32(back, 0, 0, 1, got);
    EXPECT_EQ(got[0] & 0xFFFFFF, row[0]);
    EXPECT_EQ(got[1] & 0xFFFFFF, row[1]);
    FreePackedDib(back);
    FreePackedDib(dib);
}

// Writes our files for magick_check.sh (only when it asks for them).
TEST(MagickExport, WriteFiles) {
    const char* out = std::getenv("DARNA_IMAGE_OPS_EXPORT");
    if (!out) GTEST_SKIP() << "run by magick_check.sh";
    std::string folder = out, fixtures = FixtureFolder();
    Picture p, bw;
    ASSERT_TRUE(ReadNetpbm(fixtures + "pattern20.ppm", &p));
    ASSERT_TRUE(ReadNetpbm(fixtures + "bilevel.pbm", &bw));
    // 32 bits through c_Dib::SaveBmp.
    Owned colour(MakeImage32(p));
    ASSERT_EQ(c_Dib::SaveBmp(colour.get(), (folder + "pattern20_vms32.bmp").c_str()), 1);
    // 8 bits with a colour table.
    std::vector<uint8_t> idx(p.px.size());
    Owned grey(g_VmsStore.Create(p.width, p.height, 8, 0, 1));
    for (size_t i = 0; i < p.px.size(); ++i) {
        idx[i] = (uint8_t)(200 - i);
        uint32_t c = p.px[i];
        grey->palette[idx[i]] = RGBQUAD{(BYTE)(c & 255), (BYTE)((c >> 8) & 255), (BYTE)((c >> 16) & 255), 0};
    }
    for (int y = 0; y < p.height; ++y) g_VmsStore.PutRow(grey.get(), y, 0, p.width - 1, &idx[(size_t)y * p.width]);
    ASSERT_EQ(c_Dib::SaveBmp(grey.get(), (folder + "pattern20_vms8.bmp").c_str()), 1);
    // 1 bit (a flat image of packed rows).
    Owned bits(g_VmsStore.Create(bw.width, bw.height, 1, 0, 1));
    bits->palette[0] = RGBQUAD{0, 0, 0, 0};
    bits->palette[1] = RGBQUAD{255, 255, 255, 0};
    for (int y = 0; y < bw.height; ++y) {
        uint8_t row[8] = {};
        for (int x = 0; x < bw.width; ++x)
            if (bw.at(x, y)) row[x / 8] |= (uint8_t)(0x80 >> (x % 8));
        g_VmsStore.PutRow(bits.get(), y, 0, bw.width - 1, row);
    }
    ASSERT_EQ(c_Dib::SaveBmp(bits.get(), (folder + "bilevel_vms1.bmp").c_str()), 1);
    // A packed block.
    BITMAPINFOHEADER* dib = CreatePackedDib(p.width, p.height, 32);
    for (int y = 0; y < p.height; ++y) PutPackedDibRow32(dib, y, 0, p.width - 1, &p.px[(size_t)y * p.width]);
    ASSERT_EQ(SavePackedDibBmp((folder + "pattern20_packed.bmp").c_str(), dib), 1);
    FreePackedDib(dib);
}

}  // namespace
