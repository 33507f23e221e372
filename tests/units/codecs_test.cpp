// The browser's in-process TIFF, JPEG and PNG codecs: round trips of every
// kind they write, files made by ImageMagick and tiffcp read with the pixels
// ImageMagick reads from them, damaged files refused with their codes, failed
// writes that keep the old file, the conversions and the bilinear resampler.
#include <gtest/gtest.h>
#include <windows.h>

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "browser/codecs/image_codecs.h"
#include "image/packed_dib.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;

std::string FixtureFolder() { return testsupport::ExeFolder() + "units_fixtures\\"; }

std::string ReadAll(const std::string& path) {
    std::string s;
    testsupport::ReadFileBytes(path, &s);
    return s;
}

int ReadAny(const std::string& path, SimpleImage** out) {
    const std::string ext = path.substr(path.size() - 3);
    if (ext == "tif") return ReadTiffImage(path.c_str(), out);
    if (ext == "jpg") return ReadJpegImage(path.c_str(), out);
    return ReadPngImage(path.c_str(), out);
}

// Frees a record at the end of a scope.
struct Held {
    SimpleImage* p = nullptr;
    ~Held() { FreeSimpleImage(&p); }
    SimpleImage* operator->() const { return p; }
};

// A record of the kind with a pattern of samples (and a mask sample last when masked).
SimpleImage* MakeRecord(int kind, int width, int height, int colourSamples, bool masked) {
    SimpleImage* im = NewSimpleImage(kind, width, height, 8 * (colourSamples + (masked ? 1 : 0)));
    if (!im) return nullptr;
    const int step = im->bits / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < step; ++c)
                im->pixels[(size_t)y * im->stride + (size_t)x * step + c] = (uint8_t)(x * 37 + y * 11 + c * 71);
    if (masked) {
        im->maskDepth = 8;
        im->mask = SimpleAlloc((uint64_t)width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                im->mask[(size_t)y * width + x] = im->pixels[(size_t)y * im->stride + (size_t)x * step + step - 1];
    }
    if (kind == SimpleKindPalette) {
        im->paletteCount = 256;
        im->palette = SimpleAlloc(1024);
        for (int i = 0; i < 256; ++i) {
            im->palette[4 * i] = (uint8_t)i;
            im->palette[4 * i + 1] = (uint8_t)(255 - i);
            im->palette[4 * i + 2] = (uint8_t)(i * 7);
        }
    }
    return im;
}

int MaxDifference(const SimpleImage* a, const SimpleImage* b) {
    int worst = 0;
    const int rowBytes = a->width * a->bits / 8;
    for (int y = 0; y < a->height; ++y)
        for (int i = 0; i < rowBytes; ++i) {
            int d = std::abs(a->pixels[(size_t)y * a->stride + i] - b->pixels[(size_t)y * b->stride + i]);
            if (d > worst) worst = d;
        }
    return worst;
}

// ---- Round trips -----------------------------------------------------------

struct TripCase {
    const char* name;
    int kind;
    int colourSamples;
    bool masked;
    int flags;
    int width;
};

class TiffTrip : public ::testing::TestWithParam<TripCase> {};

TEST_P(TiffTrip, WritesAndReadsTheSameRecord) {
    const TripCase& c = GetParam();
    TempDir dir("tifftrip");
    Held in{MakeRecord(c.kind, c.width, 5, c.colourSamples, c.masked)};
    ASSERT_NE(in.p, nullptr);
    in->flags = c.flags;
    for (int compress : {0, 1}) {
        const std::string path = dir.File("t.tif");
        ASSERT_EQ(WriteTiffImage(path.c_str(), in.p, compress), CodecOk) << c.name;
        Held out;
        ASSERT_EQ(ReadTiffImage(path.c_str(), &out.p), CodecOk) << c.name;
        EXPECT_EQ(out->kind, c.kind);
        EXPECT_EQ(out->width, c.width);
        EXPECT_EQ(out->height, 5);
        EXPECT_EQ(out->bits, in->bits);
        EXPECT_EQ(out->flags & SimpleMinIsWhite, c.flags & SimpleMinIsWhite);
        EXPECT_EQ(MaxDifference(in.p, out.p), 0) << c.name;
        EXPECT_EQ(out->maskDepth, c.masked ? 8 : 0);
        if (c.masked) {
            EXPECT_EQ(std::memcmp(out->mask, in->mask, (size_t)c.width * 5), 0);
        }
        if (c.kind == SimpleKindPalette) {
            ASSERT_EQ(out->paletteCount, 256);
            EXPECT_EQ(std::memcmp(out->palette, in->palette, 1024), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TiffTrip, ::testing::Values(
    TripCase{"rgb", SimpleKindRgb, 3, false, 0, 7},
    TripCase{"rgb+mask", SimpleKindRgb, 3, true, 0, 7},
    TripCase{"palette", SimpleKindPalette, 1, false, 0, 7},
    TripCase{"cmyk", SimpleKindCmyk, 4, false, 0, 7},
    TripCase{"cmyk+mask", SimpleKindCmyk, 4, true, 0, 7},
    TripCase{"grey", SimpleKindGrey, 1, false, 0, 7},
    TripCase{"grey min-is-white", SimpleKindGrey, 1, false, SimpleMinIsWhite, 7},
    TripCase{"grey+mask", SimpleKindGrey, 1, true, 0, 7},
    TripCase{"ycbcr", SimpleKindYCbCr, 3, false, 0, 7},
    TripCase{"rows wider than a strip", SimpleKindGrey, 1, false, 0, 9000}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(TiffWrite, YCbCrTakesNoMask) {
    // libtiff reads YCbCr pixels of three samples only.
    TempDir dir("tiffycc");
    Held in{MakeRecord(SimpleKindYCbCr, 4, 4, 3, true)};
    const std::string path = dir.File("y.tif");
    EXPECT_EQ(WriteTiffImage(path.c_str(), in.p, 0), CodecBadRecord);
    EXPECT_EQ(testsupport::FileSize(path), -1);
}

TEST(JpegTrip, EveryKindItWritesComesBackClose) {
    TempDir dir("jpegtrip");
    const TripCase cases[] = {
        {"rgb", SimpleKindRgb, 3, false, 0, 16},
        {"grey", SimpleKindGrey, 1, false, 0, 16},
        {"cmyk", SimpleKindCmyk, 4, false, 0, 16},
    };
    for (const TripCase& c : cases) {
        // Flat colours survive quality 100 almost exactly.
        Held in{NewSimpleImage(c.kind, 16, 16, 8 * c.colourSamples)};
        ASSERT_NE(in.p, nullptr);
        for (int i = 0; i < in->stride * 16; ++i) in->pixels[i] = (uint8_t)(40 + 50 * (i % c.colourSamples));
        const std::string before(reinterpret_cast<char*>(in->pixels), (size_t)in->stride * 16);
        const std::string path = dir.File("t.jpg");
        ASSERT_EQ(WriteJpegImage(path.c_str(), in.p, 100), CodecOk) << c.name;
        // The record the caller handed over is left as it was (CMYK inks too).
        EXPECT_EQ(std::string(reinterpret_cast<char*>(in->pixels), before.size()), before) << c.name;
        Held out;
        ASSERT_EQ(ReadJpegImage(path.c_str(), &out.p), CodecOk) << c.name;
        EXPECT_EQ(out->kind, c.kind);
        EXPECT_EQ(out->bits, 8 * c.colourSamples);
        EXPECT_LE(MaxDifference(in.p, out.p), 3) << c.name;
    }
}

TEST(JpegTrip, AMaskIsLeftOutAndPalettesAreRefused) {
    TempDir dir("jpegmask");
    Held rgba{MakeRecord(SimpleKindRgb, 8, 8, 3, true)};
    const std::string path = dir.File("m.jpg");
    ASSERT_EQ(WriteJpegImage(path.c_str(), rgba.p, 90), CodecOk);
    Held out;
    ASSERT_EQ(ReadJpegImage(path.c_str(), &out.p), CodecOk);
    EXPECT_EQ(out->bits, 24);
    EXPECT_EQ(out->maskDepth, 0);

    Held palette{MakeRecord(SimpleKindPalette, 8, 8, 1, false)};
    const std::string refused = dir.File("p.jpg");
    EXPECT_EQ(WriteJpegImage(refused.c_str(), palette.p, 90), JpegNoPixels);
    EXPECT_EQ(testsupport::FileSize(refused), -1);
}

TEST(PngTrip, EveryKindItWritesComesBackExactly) {
    TempDir dir("pngtrip");
    const TripCase cases[] = {
        {"rgb", SimpleKindRgb, 3, false, 0, 9},
        {"rgb+mask", SimpleKindRgb, 3, true, 0, 9},
        {"grey", SimpleKindGrey, 1, false, 0, 9},
        {"grey+mask", SimpleKindGrey, 1, true, 0, 9},
        {"palette", SimpleKindPalette, 1, false, 0, 9},
    };
    for (const TripCase& c : cases) {
        Held in{MakeRecord(c.kind, c.width, 6, c.colourSamples, c.masked)};
        const std::string path = dir.File("t.png");
        ASSERT_EQ(WritePngImage(path.c_str(), in.p), CodecOk) << c.name;
        Held out;
        ASSERT_EQ(ReadPngImage(path.c_str(), &out.p), CodecOk) << c.name;
        EXPECT_EQ(out->kind, c.kind) << c.name;
        EXPECT_EQ(out->bits, in->bits) << c.name;
        EXPECT_EQ(MaxDifference(in.p, out.p), 0) << c.name;
        EXPECT_EQ(out->maskDepth, c.masked ? 8 : 0) << c.name;
        if (c.masked) {
            EXPECT_EQ(std::memcmp(out->mask, in->mask, (size_t)c.width * 6), 0) << c.name;
        }
        if (c.kind == SimpleKindPalette) {
            EXPECT_EQ(std::memcmp(out->palette, in->palette, 1024), 0);
        }
    }
}

TEST(PngTrip, TransparencyOfPalettesAndColourKeys) {
    TempDir dir("pngtrns");
    Held palette{MakeRecord(SimpleKindPalette, 4, 4, 1, false)};
    palette->pngTransparencyKind = SimplePngPaletteAlpha;
    palette->pngTransparency = SimpleAlloc(256);
    for (int i = 0; i < 256; ++i) palette->pngTransparency[i] = (uint8_t)(255 - i);
    const std::string a = dir.File("a.png");
    ASSERT_EQ(WritePngImage(a.c_str(), palette.p), CodecOk);
    Held back;
    ASSERT_EQ(ReadPngImage(a.c_str(), &back.p), CodecOk);
    ASSERT_EQ(back->pngTransparencyKind, SimplePngPaletteAlpha);
    EXPECT_EQ(std::memcmp(back->pngTransparency, palette->pngTransparency, 256), 0);

    for (int kind : {SimpleKindRgb, SimpleKindGrey}) {
        Held keyed{MakeRecord(kind, 4, 4, kind == SimpleKindRgb ? 3 : 1, false)};
        keyed->pngTransparencyKind = SimplePngColourKey;
        keyed->pngTransparency = SimpleAlloc(4);
        const uint8_t key[4] = {12, kind == SimpleKindRgb ? (uint8_t)34 : (uint8_t)12,
                                kind == SimpleKindRgb ? (uint8_t)56 : (uint8_t)12, 0};
        std::memcpy(keyed->pngTransparency, key, 4);
        const std::string k = dir.File("k.png");
        ASSERT_EQ(WritePngImage(k.c_str(), keyed.p), CodecOk);
        Held kb;
        ASSERT_EQ(ReadPngImage(k.c_str(), &kb.p), CodecOk);
        ASSERT_EQ(kb->pngTransparencyKind, SimplePngColourKey) << kind;
        EXPECT_EQ(std::memcmp(kb->pngTransparency, key, 4), 0) << kind;
    }
}

TEST(CodecLimits, SizesBeyondThe30000PixelLimitAreRefusedBeforeAllocating) {
    EXPECT_EQ(NewSimpleImage(SimpleKindRgb, 30001, 1, 24), nullptr);
    EXPECT_EQ(NewSimpleImage(SimpleKindRgb, 1, 30001, 24), nullptr);
    Held edge{NewSimpleImage(SimpleKindGrey, 30000, 1, 8)};
    EXPECT_NE(edge.p, nullptr);
    TempDir dir("limits");
    SimpleImage wide = *edge.p;
    wide.width = 30001;
    wide.stride = 30001;
    for (const char* name : {"w.tif", "w.jpg", "w.png"}) {
        const std::string path = dir.File(name);
        int r = name[2] == 't' ? WriteTiffImage(path.c_str(), &wide, 0)
                : name[2] == 'j' ? WriteJpegImage(path.c_str(), &wide, 80)
                                 : WritePngImage(path.c_str(), &wide);
        EXPECT_EQ(r, CodecBadRecord) << name;
        EXPECT_EQ(testsupport::FileSize(path), -1) << name;
    }
}

// ---- Failed writes keep the old file --------------------------------------------

TEST(CodecWrites, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir("keepold");
    Held rgb{MakeRecord(SimpleKindRgb, 5, 5, 3, false)};
    for (const char* name : {"old.tif", "old.jpg", "old.png"}) {
        const std::string path = dir.File(name);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, "old contents", 12));
        // Held open without sharing: the new file cannot take its place.
        HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        int r = name[4] == 't' ? WriteTiffImage(path.c_str(), rgb.p, 1)
                : name[4] == 'j' ? WriteJpegImage(path.c_str(), rgb.p, 80)
                                 : WritePngImage(path.c_str(), rgb.p);
        CloseHandle(lock);
        EXPECT_LT(r, 0) << name;
        EXPECT_EQ(ReadAll(path), "old contents") << name;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir.Path() + "*").c_str(), &found);
    int files = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    EXPECT_EQ(files, 3);
}

TEST(CodecWrites, ASuccessfulWriteReplacesTheOldFile) {
    TempDir dir("replace");
    Held grey{MakeRecord(SimpleKindGrey, 5, 5, 1, false)};
    const std::string path = dir.File("x.png");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "old", 3));
    ASSERT_EQ(WritePngImage(path.c_str(), grey.p), CodecOk);
    Held back;
    EXPECT_EQ(ReadPngImage(path.c_str(), &back.p), CodecOk);
}

// ---- Damaged files ---------------------------------------------------------------

uint16_t U16(const std::string& s, size_t at) { return (uint16_t)((uint8_t)s[at] | (uint8_t)s[at + 1] << 8); }
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | (uint32_t)U16(s, at + 2) << 16; }
void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = (char)(v >> (8 * i));
}

// The value field of a tag in the first directory of a little-endian TIFF.
size_t TiffTagValue(const std::string& s, uint16_t tag) {
    const size_t ifd = U32(s, 4);
    const int count = U16(s, ifd);
    for (int i = 0; i < count; ++i) {
        const size_t e = ifd + 2 + 12 * (size_t)i;
        if (U16(s, e) == tag) return e + 8;
    }
    return 0;
}

std::string Written(const char* name, const SimpleImage* im, const TempDir& dir) {
    const std::string path = dir.File(name);
    const char kind = name[std::strlen(name) - 3];
    int r = kind == 't' ? WriteTiffImage(path.c_str(), im, 0)
            : kind == 'j' ? WriteJpegImage(path.c_str(), im, 90)
                          : WritePngImage(path.c_str(), im);
    EXPECT_EQ(r, CodecOk);
    return ReadAll(path);
}

struct Damage {
    const char* name;
    const char* file;      // written first from a 40 x 30 RGB record
    int expected;
};

TEST(CodecDamage, DamagedAndTruncatedFilesAreRefusedWithTheirCodes) {
    TempDir dir("damage");
    Held rgb{MakeRecord(SimpleKindRgb, 40, 30, 3, false)};
    const std::string tif = Written("a.tif", rgb.p, dir), jpg = Written("a.jpg", rgb.p, dir),
                      png = Written("a.png", rgb.p, dir);
    ASSERT_GT(tif.size(), 3600u);

    struct Case {
        const char* name;
        const char* ext;
        std::string bytes;
        int expected;
    };
    std::vector<Case> cases;
    // TIFF: the strip lies beyond the end; no directory; 30,001 pixels wide.
    std::string strip = tif;
    Put32(strip, TiffTagValue(strip, 273), (uint32_t)strip.size() + 100000);
    cases.push_back({"tiff strip beyond the end", "tif", strip, TiffBadPixels});
    cases.push_back({"tiff cut short", "tif", tif.substr(0, 100), TiffNotAccepted});
    std::string wide = tif;
    ASSERT_NE(TiffTagValue(wide, 256), 0u);
    const size_t widthAt = TiffTagValue(wide, 256);
    if (U16(wide, widthAt - 6) == 3) wide[widthAt] = (char)(30001 & 255), wide[widthAt + 1] = (char)(30001 >> 8);
    else Put32(wide, widthAt, 30001);
    cases.push_back({"tiff too wide", "tif", wide, TiffNotAccepted});
    cases.push_back({"tiff of nothing", "tif", std::string(64, 'x'), TiffNotAccepted});
    // JPEG: cut in the middle of the scan; not a JPEG; 30,001 pixels high.
    cases.push_back({"jpeg cut short", "jpg", jpg.substr(0, jpg.size() * 2 / 3), JpegShortRead});
    cases.push_back({"jpeg only its header", "jpg", jpg.substr(0, 200), JpegShortRead});
    cases.push_back({"not a jpeg", "jpg", "GIF89a" + jpg.substr(6), JpegDamaged});
    std::string tall = jpg;
    const size_t sof = tall.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    tall[sof + 5] = (char)(30001 >> 8);
    tall[sof + 6] = (char)(30001 & 255);
    cases.push_back({"jpeg too tall", "jpg", tall, JpegTooLarge});
    // PNG: cut short; a damaged data chunk; 30,001 pixels wide with a good CRC.
    cases.push_back({"png cut short", "png", png.substr(0, png.size() / 2), PngFailed});
    std::string crc = png;
    const size_t idat = crc.find("IDAT");
    crc[idat + 10] ^= 0x55;
    cases.push_back({"png damaged data", "png", crc, PngFailed});
    std::string pngWide = png;
    pngWide[16] = 0, pngWide[17] = 0, pngWide[18] = (char)(30001 >> 8), pngWide[19] = (char)(30001 & 255);
    const uLong c = crc32(0, reinterpret_cast<const Bytef*>(pngWide.data() + 12), 17);
    for (int i = 0; i < 4; ++i) pngWide[29 + i] = (char)(c >> (24 - 8 * i));
    cases.push_back({"png too wide", "png", pngWide, PngFailed});

    for (const Case& k : cases) {
        const std::string path = dir.File(std::string("d.") + k.ext);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, k.bytes.data(), k.bytes.size()));
        Held out;
        EXPECT_EQ(ReadAny(path, &out.p), k.expected) << k.name;
        EXPECT_EQ(out.p, nullptr) << k.name;
    }
    for (const char* missing : {"none.tif", "none.jpg", "none.png"}) {
        Held out;
        EXPECT_EQ(ReadAny(dir.File(missing), &out.p), CodecCannotOpen) << missing;
    }
}

// ---- Files made by ImageMagick and tiffcp -----------------------------------------

struct Made {
    const char* file;
    int kind;
    int minIsWhite;      // expected SimpleMinIsWhite flag
    int tolerance;       // against ImageMagick's own reading
    bool cmyk;           // compare the inks (X.cmyk), not the colours
    int maskDepth;
};

class MadeByTools : public ::testing::TestWithParam<Made> {};

constexpr int kW = 13, kH = 9;

TEST_P(MadeByTools, ReadsThePixelsImageMagickReads) {
    const Made& m = GetParam();
    const std::string path = FixtureFolder() + m.file;
    if (testsupport::FileSize(path) < 0) GTEST_SKIP() << m.file << " was not made (no ImageMagick or tiffcp)";
    Held im;
    ASSERT_EQ(ReadAny(path, &im.p), CodecOk) << m.file;
    ASSERT_EQ(im->width, kW);
    ASSERT_EQ(im->height, kH);
    EXPECT_EQ(im->kind, m.kind) << m.file;
    EXPECT_EQ(im->flags & SimpleMinIsWhite, m.minIsWhite) << m.file;
    EXPECT_EQ(im->maskDepth, m.maskDepth) << m.file;
    int worst = 0;
    if (m.cmyk) {
        const std::string ref = ReadAll(path + ".cmyk");
        ASSERT_EQ(ref.size(), (size_t)kW * kH * 4);
        for (int y = 0; y < kH; ++y)
            for (int i = 0; i < kW * 4; ++i)
                worst = std::max(worst, std::abs(im->pixels[(size_t)y * im->stride + i] - (uint8_t)ref[(size_t)y * kW * 4 + i]));
    } else {
        const std::string ref = ReadAll(path + ".rgb");
        ASSERT_EQ(ref.size(), (size_t)kW * kH * 3);
        BITMAPINFOHEADER* dib = PackedDibFromSimpleImage(im.p);
        ASSERT_NE(dib, nullptr);
        const uint8_t* rows = (const uint8_t*)(dib + 1);
        const int stride = (kW * 3 + 3) & ~3;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                for (int c = 0; c < 3; ++c) {
                    const uint8_t ours = rows[(size_t)(kH - 1 - y) * stride + x * 3 + (2 - c)];
                    worst = std::max(worst, std::abs(ours - (uint8_t)ref[((size_t)y * kW + x) * 3 + c]));
                }
        FreePackedDib(dib);
    }
    EXPECT_LE(worst, m.tolerance) << m.file;
    if (m.maskDepth) {
        const std::string alpha = ReadAll(path + ".alpha");
        ASSERT_EQ(alpha.size(), (size_t)kW * kH);
        EXPECT_EQ(std::memcmp(im->mask, alpha.data(), alpha.size()), 0) << m.file;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, MadeByTools, ::testing::Values(
    Made{"im_rgb.tif", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_lzw.tif", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_zip.tif", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_grey.tif", SimpleKindGrey, 0, 0, false, 0},
    Made{"im_grey4.tif", SimpleKindGrey, 0, 0, false, 0},
    Made{"im_bilevel.tif", SimpleKindGrey, 0, 0, false, 0},
    Made{"im_g4.tif", SimpleKindGrey, SimpleMinIsWhite, 0, false, 0},
    Made{"im_palette.tif", SimpleKindPalette, 0, 0, false, 0},
    Made{"im_palette4.tif", SimpleKindPalette, 0, 0, false, 0},
    Made{"im_cmyk.tif", SimpleKindCmyk, 0, 0, true, 0},
    Made{"im_rgba.tif", SimpleKindRgb, 0, 0, false, 8},
    Made{"tc_separate.tif", SimpleKindRgb, 0, 0, false, 0},
    Made{"tc_strips.tif", SimpleKindRgb, 0, 0, false, 0},
    Made{"tc_g4_plain.tif", SimpleKindGrey, SimpleMinIsWhite, 0, false, 0},
    Made{"tc_jpeg.tif", SimpleKindRgb, 0, 6, false, 8},
    Made{"im.jpg", SimpleKindRgb, 0, 2, false, 0},
    Made{"im_grey.jpg", SimpleKindGrey, 0, 1, false, 0},
    Made{"im_cmyk.jpg", SimpleKindCmyk, 0, 2, true, 0},
    Made{"im_progressive.jpg", SimpleKindRgb, 0, 2, false, 0},
    Made{"im.png", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_grey.png", SimpleKindGrey, 0, 0, false, 0},
    Made{"im_palette.png", SimpleKindPalette, 0, 0, false, 0},
    Made{"im_rgba.png", SimpleKindRgb, 0, 0, false, 8},
    Made{"im_interlaced.png", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_48.png", SimpleKindRgb, 0, 0, false, 0},
    Made{"im_bilevel.png", SimpleKindGrey, 0, 0, false, 0},
    Made{"im_trns.png", SimpleKindPalette, 0, 0, false, 0},
    Made{"im_grey_alpha.png", SimpleKindGrey, 0, 0, false, 8}),
    [](const auto& info) {
        std::string n = info.param.file;
        for (char& ch : n)
            if (!isalnum((unsigned char)ch)) ch = '_';
        return n;
    });

TEST(MadeByTools, TiledTiffsAreNotTaken) {
    const std::string path = FixtureFolder() + "tc_tiled.tif";
    if (testsupport::FileSize(path) < 0) GTEST_SKIP() << "tiffcp fixtures were not made";
    Held im;
    EXPECT_EQ(ReadTiffImage(path.c_str(), &im.p), TiffNotAccepted);
}

TEST(MadeByTools, PngPaletteTransparencyIsOneAlphaByteAnEntry) {
    const std::string path = FixtureFolder() + "im_trns.png";
    if (testsupport::FileSize(path) < 0) GTEST_SKIP();
    Held im;
    ASSERT_EQ(ReadPngImage(path.c_str(), &im.p), CodecOk);
    ASSERT_EQ(im->pngTransparencyKind, SimplePngPaletteAlpha);
    // The top-left pixel is red, which the file makes transparent.
    const int index = im->pixels[0];
    ASSERT_LT(index, im->paletteCount);
    EXPECT_EQ(im->pngTransparency[index], 0);
    EXPECT_EQ(im->pngTransparency[im->pixels[1]], 255);
}

// ---- Conversions and resampling ---------------------------------------------------

BITMAPINFOHEADER* Dib24(int width, int height, const std::vector<uint8_t>& bgrTopDown, bool topDown) {
    const int stride = (width * 3 + 3) & ~3;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + (size_t)stride * height);
    auto* dib = (BITMAPINFOHEADER*)GlobalLock(h);
    *dib = BITMAPINFOHEADER{.biSize = 40, .biWidth = width, .biHeight = topDown ? -height : height,
                            .biPlanes = 1, .biBitCount = 24, .biCompression = BI_RGB};
    for (int y = 0; y < height; ++y)
        std::memcpy((uint8_t*)(dib + 1) + (size_t)(topDown ? y : height - 1 - y) * stride,
                    &bgrTopDown[(size_t)y * width * 3], (size_t)width * 3);
    return dib;
}

TEST(SimpleConversions, A24BitDibBecomesRedGreenBlueRowsFromTheTop) {
    const std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    for (bool topDown : {false, true}) {
        BITMAPINFOHEADER* dib = Dib24(3, 2, bgr, topDown);
        Held im{SimpleImageFromPackedDib(dib)};
        ASSERT_NE(im.p, nullptr);
        EXPECT_EQ(im->kind, SimpleKindRgb);
        EXPECT_EQ(im->bits, 24);
        EXPECT_EQ(im->stride, 9);
        const uint8_t expected[] = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16};
        EXPECT_EQ(std::memcmp(im->pixels, expected, sizeof expected), 0) << topDown;
        // And back to a bottom-up DIB with the same pixels.
        BITMAPINFOHEADER* again = PackedDibFromSimpleImage(im.p);
        ASSERT_NE(again, nullptr);
        EXPECT_GT(again->biHeight, 0);
        const uint8_t* rows = (const uint8_t*)(again + 1);
        EXPECT_EQ(std::memcmp(rows, &bgr[9], 9), 0);       // bottom row first
        EXPECT_EQ(std::memcmp(rows + 12, &bgr[0], 9), 0);
        FreePackedDib(again);
        FreePackedDib(dib);
    }
}

TEST(SimpleConversions, DibsOfOtherDepthsOrTooSmallBlocksAreRefused) {
    BITMAPINFOHEADER* dib = Dib24(2, 2, std::vector<uint8_t>(12, 0), false);
    dib->biBitCount = 32;
    EXPECT_EQ(SimpleImageFromPackedDib(dib), nullptr);
    dib->biBitCount = 24;
    dib->biHeight = 5000;   // rows the block does not hold
    EXPECT_EQ(SimpleImageFromPackedDib(dib), nullptr);
    FreePackedDib(dib);
}

TEST(SimpleConversions, EachKindBecomesItsColour) {
    struct Case {
        const char* name;
        int kind;
        int bits;
        int flags;
        std::vector<uint8_t> samples;   // one pixel (or the 1-bit row)
        int x;                          // pixel looked at
        uint8_t r, g, b;
    };
    const Case cases[] = {
        {"rgb", SimpleKindRgb, 24, 0, {10, 20, 30}, 0, 10, 20, 30},
        {"rgb with mask", SimpleKindRgb, 32, 0, {10, 20, 30, 99}, 0, 10, 20, 30},
        {"palette entry 1", SimpleKindPalette, 8, 0, {1}, 0, 7, 8, 9},
        {"palette beyond its entries", SimpleKindPalette, 8, 0, {200}, 0, 0, 0, 0},
        {"cmyk white", SimpleKindCmyk, 32, 0, {0, 0, 0, 0}, 0, 255, 255, 255},
        {"cmyk black ink", SimpleKindCmyk, 32, 0, {0, 0, 0, 255}, 0, 0, 0, 0},
        {"cmyk cyan", SimpleKindCmyk, 32, 0, {255, 0, 0, 0}, 0, 0, 192, 255},
        {"grey", SimpleKindGrey, 8, 0, {77}, 0, 77, 77, 77},
        {"grey min-is-white", SimpleKindGrey, 8, SimpleMinIsWhite, {77}, 0, 178, 178, 178},
        {"1-bit set bit is black", SimpleKindGrey, 1, 0, {0x80}, 0, 0, 0, 0},
        {"1-bit clear bit is white", SimpleKindGrey, 1, 0, {0x80}, 1, 255, 255, 255},
    };
    for (const Case& c : cases) {
        Held im{NewSimpleImage(c.kind, 2, 1, c.bits)};
        ASSERT_NE(im.p, nullptr);
        im->flags = c.flags;
        std::memcpy(im->pixels, c.samples.data(), c.samples.size());
        if (c.kind == SimpleKindPalette) {
            im->paletteCount = 2;
            im->palette = SimpleAlloc(8);
            const uint8_t entries[8] = {0, 0, 0, 0, 9, 8, 7, 0};
            std::memcpy(im->palette, entries, 8);
        }
        BITMAPINFOHEADER* dib = PackedDibFromSimpleImage(im.p);
        ASSERT_NE(dib, nullptr) << c.name;
        EXPECT_EQ(dib->biBitCount, 24);
        const uint8_t* p = (const uint8_t*)(dib + 1) + 3 * c.x;
        EXPECT_EQ(p[2], c.r) << c.name;
        EXPECT_EQ(p[1], c.g) << c.name;
        EXPECT_EQ(p[0], c.b) << c.name;
        FreePackedDib(dib);
    }
    Held ycc{NewSimpleImage(SimpleKindYCbCr, 2, 1, 24)};
    EXPECT_EQ(PackedDibFromSimpleImage(ycc.p), nullptr);
}

TEST(Resample, BilinearRowsAndEdges) {
    struct Case {
        const char* name;
        int sw, sh;
        std::vector<uint8_t> source;
        int dw, dh;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"double a row: the last neighbour repeats the edge", 2, 1, {0, 100}, 4, 1, {0, 50, 100, 100}},
        {"double a column", 1, 2, {0, 100}, 1, 4, {0, 50, 100, 100}},
        {"same size copies", 2, 2, {1, 2, 3, 4}, 2, 2, {1, 2, 3, 4}},
        {"halve takes every other pixel", 4, 1, {10, 20, 30, 40}, 2, 1, {10, 30}},
        {"the cross term", 2, 2, {0, 100, 100, 200}, 3, 3, {0, 67, 100, 67, 133, 167, 100, 167, 200}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out((size_t)c.dw * c.dh, 0xEE);
        ResampleBilinear(out.data(), c.dw, c.dh, c.dw, c.source.data(), c.sw, c.sh, c.sw, 1);
        EXPECT_EQ(out, c.expected) << c.name;
    }
    // Every byte of a pixel is interpolated on its own, and strides are kept.
    const uint8_t rgb[2 * 3] = {0, 10, 200, 100, 30, 0};
    uint8_t wide[2][16];
    std::memset(wide, 0xEE, sizeof wide);
    ResampleBilinear(&wide[0][0], 4, 2, 16, rgb, 2, 1, 6, 3);
    const uint8_t row[12] = {0, 10, 200, 50, 20, 100, 100, 30, 0, 100, 30, 0};
    EXPECT_EQ(std::memcmp(wide[0], row, 12), 0);
    EXPECT_EQ(std::memcmp(wide[1], row, 12), 0);
    EXPECT_EQ(wide[0][12], 0xEE);
}

TEST(SimpleRecords, FreeingClearsThePointerAndTakesNull) {
    SimpleImage* im = MakeRecord(SimpleKindPalette, 3, 3, 1, true);
    ASSERT_NE(im, nullptr);
    FreeSimpleImage(&im);
    EXPECT_EQ(im, nullptr);
    FreeSimpleImage(&im);
    FreeSimpleImage(nullptr);
}

}  // namespace
