// The EXIF model: dictionaries, parsing, the packed block, the JPEG segment
// that the rewriter builds, and a mutation run of malformed blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fileio/exif_blob.h"
#include "fileio/exif_file.h"
#include "test_support.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }

// A small TIFF structure written by hand, in either byte order.
class TiffBuilder {
public:
    explicit TiffBuilder(bool little) : little_(little) {
        bytes.push_back(little ? 'I' : 'M');
        bytes.push_back(little ? 'I' : 'M');
        U16(42);
        U32(8);
    }
    void U16(uint32_t v) {
        if (little_) bytes.push_back((uint8_t)v), bytes.push_back((uint8_t)(v >> 8));
        else bytes.push_back((uint8_t)(v >> 8)), bytes.push_back((uint8_t)v);
    }
    void U32(uint32_t v) {
        if (little_) U16(v & 0xFFFF), U16(v >> 16);
        else U16(v >> 16), U16(v & 0xFFFF);
    }
    void PutU32(size_t at, uint32_t v) {
        std::vector<uint8_t> keep(bytes.begin() + at + 4, bytes.end());
        bytes.resize(at);
        U32(v);
        bytes.insert(bytes.end(), keep.begin(), keep.end());
    }
    struct Entry {
        uint32_t tag, type, count;
        std::vector<uint8_t> data;   // already in file order
    };
    // Writes an IFD at the current end; returns its offset. Values that do not
    // fit in the record follow the IFD.
    uint32_t Ifd(const std::vector<Entry>& entries, uint32_t next = 0) {
        uint32_t at = (uint32_t)bytes.size();
        U16((uint32_t)entries.size());
        uint32_t values = at + 2 + 12 * (uint32_t)entries.size() + 4;
        std::vector<uint8_t> tail;
        for (const Entry& e : entries) {
            U16(e.tag), U16(e.type), U32(e.count);
            if (e.data.size() <= 4) {
                std::vector<uint8_t> d = e.data;
                d.resize(4);
                bytes.insert(bytes.end(), d.begin(), d.end());
            } else {
                U32(values + (uint32_t)tail.size());
                tail.insert(tail.end(), e.data.begin(), e.data.end());
            }
        }
        U32(next);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return at;
    }
    std::vector<uint8_t> Short(std::initializer_list<uint32_t> v) {
        std::vector<uint8_t> out;
        for (uint32_t x : v)
            if (little_) out.push_back((uint8_t)x), out.push_back((uint8_t)(x >> 8));
            else out.push_back((uint8_t)(x >> 8)), out.push_back((uint8_t)x);
        return out;
    }
    std::vector<uint8_t> Long(std::initializer_list<uint32_t> v) {
        std::vector<uint8_t> out;
        for (uint32_t x : v) {
            auto s = little_ ? Short({x & 0xFFFF, x >> 16}) : Short({x >> 16, x & 0xFFFF});
            out.insert(out.end(), s.begin(), s.end());
        }
        return out;
    }
    static std::vector<uint8_t> Text(const char* s, size_t n) { return std::vector<uint8_t>(s, s + n); }
    std::vector<uint8_t> bytes;
private:
    bool little_;
};

// A camera-like TIFF structure: IFD0 with Make, Model, resolution, Orientation
// and the Exif and GPS pointers; an Exif IFD; a GPS IFD.
std::vector<uint8_t> CameraTiff(bool little) {
    TiffBuilder t(little);
    // IFD0 is written after the other IFDs' offsets are known: reserve by
    // writing the sub-IFDs first at fixed places.
    std::vector<uint8_t> exifStart;
    t.bytes.resize(8);
    std::vector<TiffBuilder::Entry> exif = {
        {33434, 5, 1, t.Long({10, 2500})},                           // ExposureTime
        {33437, 5, 1, t.Long({56, 10})},                             // FNumber
        {34855, 3, 1, t.Short({200})},                               // ISO
        {36867, 2, 20, TiffBuilder::Text("2024:05:06 07:08:09", 20)},
        {37121, 7, 4, {1, 2, 3, 0}},                                 // ComponentsConfiguration
        {37385, 3, 1, t.Short({16})},                                // Flash
        {0xA434, 2, 8, TiffBuilder::Text("Lens 50", 8)},             // a tag the dictionary lacks
    };
    uint32_t exifAt = t.Ifd(exif);
    std::vector<TiffBuilder::Entry> gps = {
        {1, 2, 2, TiffBuilder::Text("N", 2)},
        {2, 5, 3, t.Long({35, 1, 30, 1, 0, 1})},
        {5, 1, 1, {0}},
    };
    uint32_t gpsAt = t.Ifd(gps);
    std::vector<TiffBuilder::Entry> ifd0 = {
        {271, 2, 6, TiffBuilder::Text("Canon", 6)},
        {272, 2, 9, TiffBuilder::Text("EOS Test", 9)},
        {274, 3, 1, t.Short({1})},
        {282, 5, 1, t.Long({72, 1})},
        {296, 3, 1, t.Short({2})},
        {530, 3, 2, t.Short({2, 1})},                                // SHORT of count 2, inside the record
        {33432, 2, 4, TiffBuilder::Text("Me!", 4)},
        {34665, 4, 1, t.Long({exifAt})},
        {34853, 4, 1, t.Long({gpsAt})},
    };
    uint32_t ifd0At = t.Ifd(ifd0);
    t.PutU32(4, ifd0At);
    return t.bytes;
}

// A JPEG holding the TIFF structure in its APP1 segment, after a JFIF APP0.
std::vector<uint8_t> JpegWith(const std::vector<uint8_t>& tiff, bool jfif = true) {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    if (jfif) {
        const uint8_t app0[] = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
        out.insert(out.end(), app0, app0 + sizeof(app0));
    }
    size_t length = 2 + 6 + tiff.size();
    const uint8_t head[] = {0xFF, 0xE1, (uint8_t)(length >> 8), (uint8_t)length, 'E', 'x', 'i', 'f', 0, 0};
    out.insert(out.end(), head, head + sizeof(head));
    out.insert(out.end(), tiff.begin(), tiff.end());
    const uint8_t rest[] = {0xFF, 0xDB, 0, 3, 0, 0xFF, 0xD9};
    out.insert(out.end(), rest, rest + sizeof(rest));
    return out;
}

std::vector<uint8_t> PackOf(const c_ExifFile& exif) {
    std::vector<uint8_t> blob((size_t)exif.Pack(nullptr));
    EXPECT_EQ((int64_t)blob.size(), exif.Pack(blob.data()));
    return blob;
}

std::string ValueText(c_Ifd& ifd, const char* name) {
    const c_IfdEntry* e = ifd.FindEntry(name);
    return e ? e->valueText : "<missing>";
}

TEST(ExifModel, CameraStructureReadsInBothByteOrders) {
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        std::vector<uint8_t> file = JpegWith(CameraTiff(little));
        c_ExifFile exif;
        ASSERT_EQ(0, exif.LoadMemory(file.data(), file.size()));
        EXPECT_EQ("Canon", ValueText(exif.Ifd0(), "Make"));
        EXPECT_EQ("Me!", ValueText(exif.Ifd0(), "Copyright"));
        EXPECT_EQ(" 2 1", ValueText(exif.Ifd0(), "YCbCrSubSampling"));
        EXPECT_EQ(" 72/1", ValueText(exif.Ifd0(), "XResolution"));
        EXPECT_EQ("０行：画像の上、０列：画像の左側", ValueText(exif.Ifd0(), "Orientation"));
        EXPECT_EQ("インチ", ValueText(exif.Ifd0(), "ResolutionUnit"));
        EXPECT_EQ(" 16", ValueText(exif.Exif(), "Flash"));   // no row for 16
        EXPECT_EQ("YCbCr", ValueText(exif.Exif(), "ComponentsConfiguration"));
        EXPECT_EQ("オリジナル画像の生成日時", exif.Exif().FindEntry("DateTimeOriginal")->japaneseName);
        EXPECT_EQ("北緯", ValueText(exif.Gps(), "GPSLatitudeRef"));
        EXPECT_EQ("海抜", ValueText(exif.Gps(), "GPSAltitudeRef"));
        // The tag the Exif dictionary lacks is kept under its number, without a Japanese name.
        const c_IfdEntry* lens = exif.Exif().FindEntry("a434");
        ASSERT_NE(nullptr, lens);
        EXPECT_EQ("Lens 50", lens->valueText);
        EXPECT_EQ("", lens->japaneseName);
    }
}

TEST(ExifModel, SegmentOrderAndMagic) {
    std::vector<uint8_t> tiff = CameraTiff(true);
    c_ExifFile plain;
    EXPECT_EQ(0, plain.LoadMemory(tiff.data(), tiff.size()));   // a TIFF file
    std::vector<uint8_t> noJfif = JpegWith(tiff, false);
    c_ExifFile a;
    EXPECT_EQ(0, a.LoadMemory(noJfif.data(), noJfif.size()));
    // A quantisation table before any EXIF segment: no EXIF data.
    std::vector<uint8_t> tableFirst = {0xFF, 0xD8, 0xFF, 0xDB, 0, 3, 0};
    tableFirst.insert(tableFirst.end(), noJfif.begin() + 2, noJfif.end());
    c_ExifFile b;
    EXPECT_EQ(-11, b.LoadMemory(tableFirst.data(), tableFirst.size()));
    std::vector<uint8_t> raw = tiff;
    raw[2] = 0x52, raw[3] = 0x4F;   // 0x4F52, a raw camera variant
    c_ExifFile c;
    EXPECT_EQ(0, c.LoadMemory(raw.data(), raw.size()));
    EXPECT_EQ("Canon", ValueText(c.Ifd0(), "Make"));
    raw[2] = 43, raw[3] = 0;
    c_ExifFile d;
    EXPECT_EQ(-13, d.LoadMemory(raw.data(), raw.size()));
}

TEST(ExifModel, JisUserComment) {
    const uint8_t jis[] = {0x1B, '$', 'B', 0x30, 0x21, 0x1B, '(', 'B'};
    char out[8];
    EXPECT_EQ(2, JisToShiftJis(out, sizeof(out), jis, sizeof(jis)));
    EXPECT_EQ(0x88, (uint8_t)out[0]);
    EXPECT_EQ(0x9F, (uint8_t)out[1]);
    EXPECT_EQ(1, JisToShiftJis(out, 1, jis, sizeof(jis)));   // never past the target
}

TEST(ExifBlob, LayoutOfRecords) {
    c_ExifFile empty;
    EXPECT_EQ(328, empty.Pack(nullptr));

    for (bool little : {true, false}) {
        std::vector<uint8_t> file = JpegWith(CameraTiff(little));
        c_ExifFile exif;
        ASSERT_EQ(0, exif.LoadMemory(file.data(), file.size()));
        std::vector<uint8_t> blob = PackOf(exif);
        // IFD0 records start at 328 in name order: Copyright, ExifIFDPointer, ...
        uint32_t records = Le32(blob.data()), count = Le32(blob.data() + 8);
        ASSERT_EQ(328u, records);
        ASSERT_EQ(9u, count);
        bool sawRational = false, sawShortPair = false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* r = blob.data() + records + 12 * i;
            if (Le16(r) == 282) {   // RATIONAL of count 1: out of line, little-endian
                uint32_t at = Le32(r + 8);
                ASSERT_LT(at + 8, blob.size());
                EXPECT_EQ(72u, Le32(blob.data() + at));
                EXPECT_EQ(1u, Le32(blob.data() + at + 4));
                sawRational = true;
            }
            if (Le16(r) == 530) {   // SHORT of count 2: inside the record
                EXPECT_EQ(2u, Le16(r + 8));
                EXPECT_EQ(1u, Le16(r + 10));
                sawShortPair = true;
            }
        }
        EXPECT_TRUE(sawRational && sawShortPair);
        // Pack, unpack, pack is byte-stable.
        c_ExifFile again;
        ASSERT_EQ(0, again.Unpack(blob.data(), blob.size()));
        EXPECT_EQ(blob, PackOf(again));
        EXPECT_EQ("Lens 50", ValueText(again.Exif(), "a434"));
    }
    c_ExifFile none;
    EXPECT_EQ(-1, none.Unpack(nullptr, 0));
}

// The APP1 segment of a rewritten JPEG.
struct Segment {
    std::vector<uint8_t> file;
    size_t length;
    size_t tiffSize;
};

Segment Rewrite(c_ExifFile& exif, const std::vector<uint8_t>& thumbnail, testsupport::TempDir& dir) {
    const uint8_t body[] = {0xFF, 0xD8, 0xFF, 0xDB, 0, 3, 0, 0xFF, 0xD9};
    std::string path = dir.File("w.jpg");
    testsupport::WriteFileBytes(path, body, sizeof(body));
    EXPECT_EQ(0, exif.WriteJpeg(path.c_str(), 640, 480, thumbnail.empty() ? nullptr : thumbnail.data(),
                                (int)thumbnail.size()));
    std::string bytes;
    testsupport::ReadFileBytes(path, &bytes);
    Segment s;
    s.file.assign(bytes.begin(), bytes.end());
    s.length = s.file.size() > 6 ? (size_t)(s.file[4] << 8 | s.file[5]) : 0;
    s.tiffSize = s.length + 2 - 12;
    return s;
}

TEST(ExifRewrite, JpegSegmentLayout) {
    testsupport::TempDir dir("exifw");
    std::vector<uint8_t> file = JpegWith(CameraTiff(false));
    c_ExifFile exif;
    ASSERT_EQ(0, exif.LoadMemory(file.data(), file.size()));
    std::vector<uint8_t> thumb(1001, 0x5A);
    thumb[0] = 0xFF, thumb[1] = 0xD8;
    Segment s = Rewrite(exif, thumb, dir);
    ASSERT_GT(s.file.size(), 20u);
    EXPECT_EQ(0xFF, s.file[0]);
    EXPECT_EQ(0xD8, s.file[1]);
    EXPECT_EQ(0xFF, s.file[2]);
    EXPECT_EQ(0xE1, s.file[3]);
    // The writer's file follows the padded TIFF data; its start marker is
    // counted in the segment.
    const size_t end = 4 + s.length;
    ASSERT_LT(end, s.file.size());
    EXPECT_EQ(0, (end - 2 - 12) % 4);
    EXPECT_EQ(0xFF, s.file[end - 2]);
    EXPECT_EQ(0xD8, s.file[end - 1]);
    EXPECT_EQ(0xDB, s.file[end + 1]);
    // The model reads the new file: IFD1 of six entries, thumbnail at P + 94.
    c_ExifFile back;
    ASSERT_EQ(0, back.LoadMemory(s.file.data(), s.file.size()));
    EXPECT_EQ(6, back.Ifd1().EntryCount());
    EXPECT_EQ(1001, back.ThumbnailLength());
    EXPECT_EQ(back.Ifd1().FindEntry("JPEGInterchangeFormat")->values[0],
              back.Ifd1().FindEntry("Compression")->recordPosition - 2 + 94);
    EXPECT_EQ("Canon", ValueText(back.Ifd0(), "Make"));
    EXPECT_EQ("Lens 50", ValueText(back.Exif(), "a434"));
    EXPECT_EQ("北緯", ValueText(back.Gps(), "GPSLatitudeRef"));
    EXPECT_FALSE(back.Ifd0().HasEntry("YCbCrSubSampling"));   // described the old pixels
}

TEST(ExifRewrite, SegmentNeverExceedsTheJpegLimit) {
    testsupport::TempDir dir("exifbig");
    std::vector<uint8_t> file = JpegWith(CameraTiff(true));
    // A thumbnail too large for the segment is left out.
    {
        c_ExifFile exif;
        ASSERT_EQ(0, exif.LoadMemory(file.data(), file.size()));
        Segment s = Rewrite(exif, std::vector<uint8_t>(70000, 1), dir);
        EXPECT_LE(s.length, 65535u);
        c_ExifFile back;
        ASSERT_EQ(0, back.LoadMemory(s.file.data(), s.file.size()));
        EXPECT_EQ(0, back.Ifd1().EntryCount());
        EXPECT_EQ("Canon", ValueText(back.Ifd0(), "Make"));
    }
    // Values that alone overflow it: the largest go, the rest stays.
    {
        c_ExifFile exif;
        ASSERT_EQ(0, exif.LoadMemory(file.data(), file.size()));
        std::vector<uint32_t> big(80000, 'x');
        exif.Ifd0().AddEntry(700, TiffUndefined, (int32_t)big.size(), big.data());
        Segment s = Rewrite(exif, std::vector<uint8_t>(3000, 1), dir);
        EXPECT_LE(s.length, 65535u);
        c_ExifFile back;
        ASSERT_EQ(0, back.LoadMemory(s.file.data(), s.file.size()));
        EXPECT_EQ("Canon", ValueText(back.Ifd0(), "Make"));
        EXPECT_EQ(3000, back.ThumbnailLength());
    }
}

// Malformed blocks: random byte changes, truncations and count or offset
// overwrites of a valid file and of a valid packed block. Each must load (or
// fail) without reading outside its bytes; the bytes are copied into an
// exactly sized heap block so that an overrun would touch foreign memory.
TEST(ExifMutation, MalformedBlocksNeverCrash) {
    std::mt19937 random(20240506);
    std::vector<std::vector<uint8_t>> seeds = {JpegWith(CameraTiff(true)), JpegWith(CameraTiff(false)),
                                               CameraTiff(false)};
    {
        c_ExifFile exif;
        ASSERT_EQ(0, exif.LoadMemory(seeds[0].data(), seeds[0].size()));
        seeds.push_back(PackOf(exif));
    }
    int loaded = 0;
    for (int round = 0; round < 6000; ++round) {
        const size_t which = (size_t)round % seeds.size();
        std::vector<uint8_t> bytes = seeds[which];
        const int edits = 1 + (int)(random() % 6);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % bytes.size();
            switch (random() % 4) {
            case 0: bytes[at] = (uint8_t)random(); break;
            case 1: bytes[at] = 0xFF; if (at + 1 < bytes.size()) bytes[at + 1] = 0xFF; break;
            case 2: bytes.resize(at + 1); break;
            case 3:
                for (size_t k = at; k < at + 4 && k < bytes.size(); ++k) bytes[k] = (uint8_t)(random() % 3 == 0 ? 0xFF : random());
                break;
            }
        }
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
        std::memcpy(exact.get(), bytes.data(), bytes.size());
        c_ExifFile exif;
        if (which == 3) {
            if (exif.Unpack(exact.get(), bytes.size()) != 0) continue;
        } else if (exif.LoadMemory(exact.get(), bytes.size()) != 0) {
            continue;
        }
        ++loaded;
        std::vector<uint8_t> blob = PackOf(exif);
        c_ExifFile again;
        ASSERT_EQ(0, again.Unpack(blob.data(), blob.size()));
        ASSERT_EQ(blob, PackOf(again));
        int entries = 0;
        again.EnumAllEntries([](const c_IfdEntry*, void* n) { ++*(int*)n; return 1; }, &entries);
    }
    EXPECT_GT(loaded, 100);   // the run reached the parsers, not only their first checks
}

}  // namespace

namespace {

// A writer's big-endian TIFF of 2 x 2 pixels with a tag no dictionary knows
// (Predictor) and the strip after the IFD.
std::vector<uint8_t> WriterTiff() {
    TiffBuilder t(false);
    const uint8_t pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::vector<TiffBuilder::Entry> ifd = {
        {256, 3, 1, t.Short({2})}, {257, 3, 1, t.Short({2})}, {258, 3, 3, t.Short({8, 8, 8})},
        {259, 3, 1, t.Short({1})}, {262, 3, 1, t.Short({2})}, {273, 4, 1, t.Long({0})},
        {277, 3, 1, t.Short({3})}, {278, 3, 1, t.Short({2})}, {279, 4, 1, t.Long({12})},
        {317, 3, 1, t.Short({1})},
    };
    uint32_t at = t.Ifd(ifd);
    t.PutU32(4, at);
    uint32_t strip = (uint32_t)t.bytes.size();
    t.bytes.insert(t.bytes.end(), pixels, pixels + 12);
    // StripOffsets is the sixth record of the IFD.
    t.PutU32(at + 2 + 12 * 5 + 8, strip);
    return t.bytes;
}

TEST(ExifRewrite, TiffKeepsByteOrderUnknownTagsAndPixels) {
    testsupport::TempDir dir("exift");
    const std::string path = dir.File("w.tif");
    std::vector<uint8_t> written = WriterTiff();
    ASSERT_TRUE(testsupport::WriteFileBytes(path, written.data(), written.size()));
    std::vector<uint8_t> camera = JpegWith(CameraTiff(true));
    c_ExifFile exif;
    ASSERT_EQ(0, exif.LoadMemory(camera.data(), camera.size()));
    ASSERT_EQ(0, exif.WriteTiff(path.c_str(), 2, 2));

    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &bytes));
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ("MM", bytes.substr(0, 2));
    c_ExifFile back;
    ASSERT_EQ(0, back.LoadMemory((const uint8_t*)bytes.data(), bytes.size()));
    EXPECT_EQ("Canon", ValueText(back.Ifd0(), "Make"));
    EXPECT_TRUE(back.Ifd0().FindEntryByTag(317));                 // the writer's Predictor
    EXPECT_FALSE(back.Ifd0().HasEntry("YCbCrSubSampling"));        // the camera's pixel layout
    EXPECT_EQ(" 2", ValueText(back.Ifd0(), "ImageWidth"));
    EXPECT_EQ("Lens 50", ValueText(back.Exif(), "a434"));
    EXPECT_EQ("北緯", ValueText(back.Gps(), "GPSLatitudeRef"));
    const uint32_t strip = back.Ifd0().GetValue("StripOffsets");
    ASSERT_LE(strip + 12, bytes.size());
    EXPECT_EQ(std::string(written.end() - 12, written.end()), std::string(bytes.data() + strip, 12));
}

TEST(ExifRewrite, FilesThatCannotBeRewrittenStayAsTheyWere) {
    testsupport::TempDir dir("exifn");
    std::vector<uint8_t> camera = JpegWith(CameraTiff(true));
    c_ExifFile exif;
    ASSERT_EQ(0, exif.LoadMemory(camera.data(), camera.size()));
    const std::string jpg = dir.File("a.jpg"), tif = dir.File("a.tif");
    ASSERT_TRUE(testsupport::WriteFileBytes(jpg, "GIF89a", 6));
    ASSERT_TRUE(testsupport::WriteFileBytes(tif, "II*\0\x08\0\0\0\0\0", 10));
    EXPECT_NE(0, exif.WriteJpeg(jpg.c_str(), 1, 1, nullptr, 0));
    EXPECT_EQ(-3, exif.WriteTiff(tif.c_str(), 1, 1));
    EXPECT_EQ(-1, exif.WriteTiff(dir.File("missing.tif").c_str(), 1, 1));
    EXPECT_EQ(6, testsupport::FileSize(jpg));
    EXPECT_EQ(10, testsupport::FileSize(tif));
}

}  // namespace
