// DIB header helpers, run-length decoding, c_DibBase and c_MappedDib.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "image/dib_base.h"
#include "image/dib_header.h"
#include "image/mapped_dib.h"
#include "test_support.h"

namespace {

TEST(DibHeader, StridesSizesAndColourCounts) {
    struct Case { int width, bits, stride; };
    const Case strides[] = {{1, 1, 4}, {32, 1, 4}, {33, 1, 8}, {3, 24, 12}, {5, 8, 8}, {7, 4, 4}, {9, 4, 8},
                            {2, 16, 4}, {3, 16, 8}, {1, 32, 4}};
    for (const Case& c : strides) EXPECT_EQ(DibStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(DibImageSize(3, -5, 24), 60);
    EXPECT_EQ(DibImageSize(3, 5, 24), 60);

    struct Colours { int bits, used, entries, count; };
    const Colours colours[] = {
        {1, 0, 2, 2}, {4, 0, 16, 16}, {8, 0, 256, 256}, {8, 16, 256, 16}, {8, 300, 256, -1},
        {8 | 0x8000, 0, 256, 256}, {16, 0, 0, 0}, {24, 0, 0, 0}, {32, 0, 0, 0}, {24, 5, 0, -1},
        {7, 0, -1, -1}, {2, 0, -1, -1},
    };
    for (const Colours& c : colours) {
        EXPECT_EQ(DibPaletteEntries(c.bits), c.entries) << c.bits;
        EXPECT_EQ(DibColourCount(c.bits, c.used), c.count) << c.bits << " used " << c.used;
    }
    EXPECT_EQ(DibMaskBytesForDepth(16), 12);
    EXPECT_EQ(DibMaskBytesForDepth(24), 0);
    EXPECT_EQ(DibMaskBytes(BI_BITFIELDS), 12);
    EXPECT_EQ(DibMaskBytes(BI_RGB), 0);
}

TEST(DibHeader, ResolutionsRoundTrip) {
    struct Case { uint32_t dpi, ppm; };
    const Case cases[] = {{96, 3779}, {72, 2834}, {300, 11811}, {0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(DpiToPelsPerMetre(c.dpi), c.ppm);
        EXPECT_EQ(PelsPerMetreToDpi(c.ppm), c.dpi);
    }
}

TEST(DibHeader, RectangleIntersection) {
    struct Case { DibRect a, b, expected; };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 0, 0}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}},       // touching edges share nothing
        {{-5, -5, 3, 3}, {0, 0, 8, 8}, {0, 0, 3, 3}},
        {{0, 0, 10, 10}, {0, 12, 10, 20}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DibRect r = c.a;
        r.Intersect(c.b);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
    DibRect r{1, 2, 3, 4};
    r.Offset(10, 20);
    EXPECT_EQ(r.left, 11);
    EXPECT_EQ(r.bottom, 24);
    r.OffsetBack(10, 20);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.bottom, 4);
}

TEST(DibHeader, NewHeaderBlocks) {
    EXPECT_EQ(AllocDibHeader(4, 4, 16 | DibNoMasks, 2, -1), nullptr);
    EXPECT_EQ(AllocDibHeader(4, 4, 7, 2, -1), nullptr);
    EXPECT_EQ(AllocDibHeader(0, 4, 8, 2, -1), nullptr);
    EXPECT_EQ(AllocDibHeader(4, 4, 8, 1, 300), nullptr);
    EXPECT_EQ(AllocDibHeader(100000, 100000, 32, 2, -1), nullptr);   // past 2 GB

    BITMAPINFOHEADER* h16 = AllocDibHeader(3, 2, 16, 2, -1);
    ASSERT_NE(h16, nullptr);
    EXPECT_EQ(h16->biCompression, (DWORD)BI_BITFIELDS);
    const uint32_t* m = (const uint32_t*)(h16 + 1);
    EXPECT_EQ(m[0], 0xF800u);
    EXPECT_EQ(m[1], 0x07E0u);
    EXPECT_EQ(m[2], 0x001Fu);
    EXPECT_EQ(h16->biSizeImage, 16u);
    EXPECT_TRUE(FreeDibHeader(h16));
    EXPECT_FALSE(FreeDibHeader(nullptr));

    BITMAPINFOHEADER* h8 = AllocDibHeader(5, 2, 8, 1, 16);
    ASSERT_NE(h8, nullptr);
    EXPECT_EQ(h8->biClrUsed, 16u);
    EXPECT_EQ(h8->biCompression, (DWORD)BI_RGB);
    FreeDibHeader(h8);

    BITMAPINFOHEADER* h32 = AllocDibHeader(2, 2, 32 | DibNoMasks, 2, -1);
    ASSERT_NE(h32, nullptr);
    EXPECT_EQ(h32->biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(h32->biBitCount, 32);
    FreeDibHeader(h32);
}

// ---- Run-length pixels ---------------------------------------------------------

struct RleCase {
    const char* name;
    int bits;                       // 8 or 4
    int width, height;
    std::vector<uint8_t> data;
    bool result;
    std::vector<std::vector<uint8_t>> rows;   // memory rows from row 0, stride bytes each
};

// Decodes into a block with guard bytes behind it and checks rows and guard.
void CheckRle(const RleCase& c) {
    SCOPED_TRACE(c.name);
    const int colours = c.bits == 8 ? 256 : 16;
    std::vector<uint8_t> source(40 + 4 * colours + c.data.size());
    auto* h = (BITMAPINFOHEADER*)source.data();
    *h = BITMAPINFOHEADER{.biSize = 40, .biWidth = c.width, .biHeight = c.height, .biPlanes = 1,
                          .biBitCount = (WORD)c.bits, .biCompression = (DWORD)(c.bits == 8 ? BI_RLE8 : BI_RLE4),
                          .biSizeImage = (DWORD)c.data.size()};
    for (int i = 0; i < colours; ++i) source[40 + 4 * i] = (uint8_t)i;
    std::memcpy(source.data() + 40 + 4 * colours, c.data.data(), c.data.size());
    const uint32_t size = RleDecodedSize(h);
    const int stride = DibStride(c.width, c.bits);
    ASSERT_EQ(size, (uint32_t)(40 + 4 * colours + stride * c.height));
    std::vector<uint8_t> out(size + 64, 0xCD);
    EXPECT_EQ(DecodeRleDib(h, (BITMAPINFOHEADER*)out.data(), nullptr), c.result);
    auto* d = (BITMAPINFOHEADER*)out.data();
    EXPECT_EQ(d->biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(d->biSizeImage, (DWORD)(stride * c.height));
    EXPECT_EQ(out[40 + 4], 1);   // the colour table came along
    const uint8_t* rows = out.data() + 40 + 4 * colours;
    for (size_t r = 0; r < c.rows.size(); ++r)
        for (int i = 0; i < stride; ++i)
            EXPECT_EQ(rows[r * stride + i], i < (int)c.rows[r].size() ? c.rows[r][i] : 0) << "row " << r << " byte " << i;
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[size + i], 0xCD) << "written past the block";
}

TEST(DibRle, EightBitStreams) {
    const RleCase cases[] = {
        {"runs and end of line", 8, 4, 2, {3, 5, 0, 0, 2, 7, 0, 1}, true, {{5, 5, 5, 0}, {7, 7, 0, 0}}},
        {"literal padded to a word", 8, 4, 1, {0, 3, 9, 8, 7, 0, 1, 6, 0, 1}, true, {{9, 8, 7, 6}}},
        {"move right and down", 8, 4, 2, {1, 9, 0, 2, 2, 1, 1, 8, 0, 1}, true, {{9, 0, 0, 0}, {0, 0, 0, 8}}},
        {"end of line after the last row ends it", 8, 2, 1, {2, 4, 0, 0, 5, 5}, true, {{4, 4}}},
        {"a run longer than the row is cut", 8, 4, 2, {200, 5, 0, 1}, true, {{5, 5, 5, 5}, {0, 0, 0, 0}}},
        {"a literal longer than the row is cut", 8, 2, 2, {0, 4, 1, 2, 3, 4, 1, 6, 0, 1}, true, {{1, 2}, {0, 0}}},
        {"a move beyond the picture writes nothing", 8, 4, 2, {0, 2, 255, 255, 3, 9, 0, 1}, true, {{0, 0, 0, 0}, {0, 0, 0, 0}}},
        {"a move past the right edge", 8, 4, 2, {0, 2, 250, 0, 4, 9, 0, 0, 1, 3, 0, 1}, true, {{0, 0, 0, 0}, {3, 0, 0, 0}}},
        {"many runs beyond the row", 8, 2, 1, std::vector<uint8_t>(4000, 255), false, {{255, 255}}},
        {"data that ends early", 8, 4, 2, {3, 5}, false, {{5, 5, 5, 0}, {0, 0, 0, 0}}},
        {"a literal the data cuts short", 8, 4, 1, {0, 16, 1, 2}, false, {{1, 2, 0, 0}}},
        {"a move the data cuts short", 8, 4, 1, {0, 2, 1}, false, {{0, 0, 0, 0}}},
    };
    for (const RleCase& c : cases) CheckRle(c);
}

TEST(DibRle, FourBitStreams) {
    const RleCase cases[] = {
        {"nibbles alternate", 4, 5, 1, {5, 0x12, 0, 1}, true, {{0x12, 0x12, 0x10}}},
        {"literal of three nibbles padded", 4, 8, 1, {0, 3, 0xAB, 0xC0, 2, 0x77, 0, 1}, true, {{0xAB, 0xC7, 0x70}}},
        {"a move then a run", 4, 4, 2, {0, 2, 1, 1, 2, 0x34, 0, 1}, true, {{0, 0}, {0x03, 0x40}}},
        {"a run past the row is cut", 4, 3, 1, {9, 0xEF, 0, 1}, true, {{0xEF, 0xE0}}},
    };
    for (const RleCase& c : cases) CheckRle(c);
}

TEST(DibRle, EncodedDataHeldApartFromTheHeader) {
    std::vector<uint8_t> header(40 + 1024);
    auto* h = (BITMAPINFOHEADER*)header.data();
    const uint8_t data[] = {2, 9, 0, 0, 1, 4, 0, 1};
    *h = BITMAPINFOHEADER{.biSize = 40, .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 8,
                          .biCompression = BI_RLE8, .biSizeImage = sizeof data};
    std::vector<uint8_t> out(RleDecodedSize(h));
    ASSERT_EQ(out.size(), 40u + 1024u + 8u);
    ASSERT_TRUE(DecodeRleDib(h, (BITMAPINFOHEADER*)out.data(), data));
    const uint8_t* rows = out.data() + 40 + 1024;
    EXPECT_EQ(rows[0], 9);
    EXPECT_EQ(rows[1], 9);
    EXPECT_EQ(rows[4], 4);
    EXPECT_EQ(rows[5], 0);
}

TEST(DibRle, HeadersThatCannotBeDecoded) {
    BITMAPINFOHEADER h{.biSize = 40, .biWidth = 3, .biHeight = 2, .biPlanes = 1, .biBitCount = 8,
                       .biCompression = BI_RLE8};
    EXPECT_EQ(RleDecodedSize(&h), 40u + 1024u + 8u);
    EXPECT_TRUE(IsRleDib(&h));
    BITMAPINFOHEADER wrongDepth = h;
    wrongDepth.biBitCount = 4;
    BITMAPINFOHEADER topDown = h;
    topDown.biHeight = -2;
    BITMAPINFOHEADER plain = h;
    plain.biCompression = BI_RGB;
    BITMAPINFOHEADER tooManyColours = h;
    tooManyColours.biClrUsed = 300;
    BITMAPINFOHEADER huge = h;
    huge.biWidth = 0x7FFFFFF;
    huge.biHeight = 0x7FFFFFF;
    for (const BITMAPINFOHEADER* bad : {&wrongDepth, &topDown, &plain, &tooManyColours, &huge}) {
        EXPECT_EQ(RleDecodedSize(bad), 0u);
        uint8_t out[2000];
        EXPECT_FALSE(DecodeRleDib(bad, (BITMAPINFOHEADER*)out, nullptr));
    }
    EXPECT_FALSE(IsRleDib(&plain));
    EXPECT_FALSE(DecodeRleDib(nullptr, (BITMAPINFOHEADER*)&h, nullptr));
}

// ---- c_DibBase ----------------------------------------------------------------

TEST(DibBase, RowZeroIsTheTopWhateverTheOrderInMemory) {
    c_DibBase up(3, 4, 8);
    ASSERT_TRUE(up.IsValid());
    EXPECT_EQ(up.RowAddress(0), up.GetBits() + 3 * up.GetStride());
    EXPECT_EQ(up.RowAddress(3), up.GetBits());
    EXPECT_EQ(up.RowAddress(4), nullptr);
    EXPECT_EQ(up.RowAddress(-1), nullptr);
    c_DibBase down(3, -4, 8);
    ASSERT_TRUE(down.IsValid());
    EXPECT_EQ(down.RowAddress(0), down.GetBits());
    EXPECT_EQ(down.GetAbsHeight(), 4);
    EXPECT_EQ(down.PixelAddress(2, 1), down.GetBits() + down.GetStride() + 2);
    EXPECT_EQ(down.PixelAddress(3, 1), nullptr);
    EXPECT_EQ(up.GetTotalSize(), 40 + 1024 + 16);
    EXPECT_EQ(up.HeaderSize(1), 40 + 1024);
    EXPECT_EQ(c_DibBase(2, 2, 16).HeaderSize(3), 52);
}

TEST(DibBase, AttachRefusesWhatItCannotRead) {
    std::vector<uint8_t> block(40 + 1024 + 64);
    auto* h = (BITMAPINFOHEADER*)block.data();
    const BITMAPINFOHEADER good{.biSize = 40, .biWidth = 4, .biHeight = 4, .biPlanes = 1, .biBitCount = 8,
                                .biCompression = BI_RGB};
    struct Case { const char* name; void (*spoil)(BITMAPINFOHEADER*); };
    const Case cases[] = {
        {"run-length 8", [](BITMAPINFOHEADER* x) { x->biCompression = BI_RLE8; }},
        {"run-length 4", [](BITMAPINFOHEADER* x) { x->biCompression = BI_RLE4; x->biBitCount = 4; }},
        {"a longer header", [](BITMAPINFOHEADER* x) { x->biSize = 108; }},
        {"too many colours", [](BITMAPINFOHEADER* x) { x->biClrUsed = 300; }},
        {"16 bits without masks", [](BITMAPINFOHEADER* x) { x->biBitCount = 16; }},
        {"an odd depth", [](BITMAPINFOHEADER* x) { x->biBitCount = 7; }},
        {"no width", [](BITMAPINFOHEADER* x) { x->biWidth = 0; }},
    };
    c_DibBase dib;
    EXPECT_FALSE(dib.Attach(nullptr));
    for (const Case& c : cases) {
        *h = good;
        c.spoil(h);
        EXPECT_FALSE(dib.Attach(h)) << c.name;
        EXPECT_FALSE(dib.IsValid()) << c.name;
    }
    *h = good;
    EXPECT_TRUE(dib.Attach(h));
    EXPECT_TRUE(dib.IsBorrowed());
    EXPECT_EQ(dib.GetBits(), block.data() + 40 + 1024);
    EXPECT_FALSE(dib.Detach());   // nothing owned: the header stays
    EXPECT_TRUE(dib.IsValid());
}

TEST(DibBase, RowsAsColourWordsAtEveryDepth) {
    // 1 bit: most significant bit first through the table.
    c_DibBase one(10, 1, 1);
    one.SetColour(0, RGBQUAD{1, 2, 3, 0});
    one.SetColour(1, RGBQUAD{40, 50, 60, 0});
    one.RowAddress(0)[0] = 0xA0;   // pixels 0 and 2
    one.RowAddress(0)[1] = 0x40;   // pixel 9
    uint32_t row[16] = {};
    ASSERT_TRUE(one.GetRowRgb(0, row));
    const uint32_t on = 0x3C3228, off = 0x030201;
    const uint32_t expectOne[10] = {on, off, on, off, off, off, off, off, off, on};
    EXPECT_EQ(std::memcmp(row, expectOne, sizeof expectOne), 0);

    // 4 bits: high nibble first; an index beyond a short table reads black.
    std::vector<uint8_t> block(40 + 8 + 4);
    auto* h = (BITMAPINFOHEADER*)block.data();
    *h = BITMAPINFOHEADER{.biSize = 40, .biWidth = 3, .biHeight = 1, .biPlanes = 1, .biBitCount = 4,
                          .biCompression = BI_RGB, .biClrUsed = 2};
    block[40 + 4] = 9;   // entry 1: blue 9
    block[48] = 0x1F;
    block[49] = 0x10;
    c_DibBase four;
    ASSERT_TRUE(four.Attach(h));
    ASSERT_TRUE(four.GetRowRgb(0, row));
    EXPECT_EQ(row[0], 9u);
    EXPECT_EQ(row[1], 0u);
    EXPECT_EQ(row[2], 9u);

    // 16 bits through 5-6-5 masks; 24 unpacked; 32 with and without masks.
    c_DibBase s16(2, 1, 16);
    const uint16_t pixels16[2] = {0xF800, 0x07E0};
    std::memcpy(s16.RowAddress(0), pixels16, 4);
    ASSERT_TRUE(s16.GetRowRgb(0, row));
    EXPECT_EQ(row[0], 0xF80000u);
    EXPECT_EQ(row[1], 0x00FC00u);
    c_DibBase s24(1, 1, 24);
    const uint8_t bgr[3] = {1, 2, 3};
    s24.SetPixel(0, 0, bgr);
    ASSERT_TRUE(s24.GetRowRgb(0, row));
    EXPECT_EQ(row[0], 0x030201u);
    c_DibBase plain(1, 1, 32 | DibNoMasks);
    const uint32_t word = 0x7F112233;
    plain.SetPixel(0, 0, &word);
    ASSERT_TRUE(plain.GetRowRgb(0, row));
    EXPECT_EQ(row[0], word);   // copied whole
    c_DibBase masked(1, 1, 32);
    masked.SetPixel(0, 0, &word);
    ASSERT_TRUE(masked.GetRowRgb(0, row));
    EXPECT_EQ(row[0], 0x112233u);
    uint32_t colour = 0;
    ASSERT_TRUE(masked.GetPixelRgb(0, 0, &colour));
    EXPECT_EQ(colour, word);   // the fourth byte from the fourth mask
    EXPECT_FALSE(s24.GetRowRgb(1, row));
}

TEST(DibBase, TheFourthMaskHoldsTheBitsNoColourUses) {
    c_DibBase d(1, 1, 16);
    ASSERT_TRUE(d.SetMask(0, 0x7C00));
    ASSERT_TRUE(d.SetMask(1, 0x03E0));
    ASSERT_TRUE(d.SetMask(2, 0x001F));
    const uint16_t pixel = 0x8000 | 0x7C00;
    std::memcpy(d.RowAddress(0), &pixel, 2);
    uint32_t colour = 0;
    ASSERT_TRUE(d.GetPixelRgb(0, 0, &colour));
    EXPECT_EQ(colour, 0x80F80000u);
    uint16_t raw = 0;
    ASSERT_TRUE(d.GetPixelRaw(0, 0, &raw));
    EXPECT_EQ(raw, pixel);
    c_DibBase noMasks(1, 1, 24);
    EXPECT_FALSE(noMasks.SetMask(0, 1));
    EXPECT_EQ(noMasks.GetMask(0), 0u);
}

// Fills every byte of the rows.
void FillRows(c_DibBase& d, uint8_t value) {
    for (int y = 0; y < d.GetAbsHeight(); ++y) std::memset(d.RowAddress(y), value, (size_t)d.GetStride());
}

TEST(DibBase, OneBitBlitKeepsTheDestinationBitsBeyondTheRectangle) {
    c_DibBase source(16, 3, 1), destination(16, 3, 1);
    FillRows(source, 0x00);
    FillRows(destination, 0xFF);
    ASSERT_TRUE(destination.Blit(source, 0, 0, 5, 2, 0, 0));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(destination.RowAddress(y)[0], 0x07) << y;   // top five bits from the source
        EXPECT_EQ(destination.RowAddress(y)[1], 0xFF) << y;
    }
    EXPECT_EQ(destination.RowAddress(2)[0], 0xFF);   // a row the rectangle does not cover
}

TEST(DibBase, BlitsThatDoNotStartOnAByteMoveSinglePixels) {
    c_DibBase source(16, 1, 1), destination(16, 1, 1);
    source.RowAddress(0)[0] = 0xF0;   // pixels 0..3 set
    FillRows(destination, 0x00);
    ASSERT_TRUE(destination.Blit(source, 2, 0, 4, 1, 7, 0));   // pixels 2..5 (1, 1, 0, 0) to 7..10
    EXPECT_EQ(destination.RowAddress(0)[0], 0x01);
    EXPECT_EQ(destination.RowAddress(0)[1], 0x80);
    c_DibBase s4(4, 1, 4), d4(4, 1, 4);
    s4.RowAddress(0)[0] = 0x12;
    s4.RowAddress(0)[1] = 0x34;
    FillRows(d4, 0);
    ASSERT_TRUE(d4.Blit(s4, 1, 0, 2, 1, 1, 0));   // nibbles 2, 3 to positions 1, 2
    EXPECT_EQ(d4.RowAddress(0)[0], 0x02);
    EXPECT_EQ(d4.RowAddress(0)[1], 0x30);
}

TEST(DibBase, BlitsAreClippedToBothImages) {
    c_DibBase source(4, 4, 8), destination(4, 4, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) source.RowAddress(y)[x] = (uint8_t)(10 * y + x);
    FillRows(destination, 0xEE);
    ASSERT_TRUE(destination.Blit(source, 0, 0, 4, 4, -2, 3));   // only source (2..3, 0) lands, at (0..1, 3)
    EXPECT_EQ(destination.RowAddress(3)[0], 2);
    EXPECT_EQ(destination.RowAddress(3)[1], 3);
    EXPECT_EQ(destination.RowAddress(3)[2], 0xEE);
    EXPECT_EQ(destination.RowAddress(2)[0], 0xEE);
    EXPECT_TRUE(destination.Blit(source, 10, 10, 4, 4, 0, 0));   // nothing to copy is no failure
    DibRect r{1, 1, 3, 2};
    ASSERT_TRUE(destination.Blit(source, r, POINT{0, 0}));
    EXPECT_EQ(destination.RowAddress(0)[0], 11);
    EXPECT_EQ(destination.RowAddress(0)[1], 12);
    EXPECT_FALSE(destination.StretchBlit(source, r, r));
}

TEST(DibBase, BlitsBetweenDepths) {
    c_DibBase grey(2, 1, 8);
    grey.SetColour(5, RGBQUAD{50, 60, 70, 0});
    grey.RowAddress(0)[0] = 5;
    c_DibBase to32(2, 1, 32 | DibNoMasks), to24(2, 1, 24);
    ASSERT_TRUE(to32.Blit(grey, 0, 0, 1, 1, 1, 0));
    uint32_t w = 0;
    to32.GetPixelRaw(1, 0, &w);
    EXPECT_EQ(w, 0x463C32u);
    ASSERT_TRUE(to24.Blit(grey, 0, 0, 1, 1, 0, 0));
    EXPECT_EQ(to24.RowAddress(0)[0], 50);
    EXPECT_EQ(to24.RowAddress(0)[2], 70);

    c_DibBase rgb24(1, 1, 24);
    const uint8_t bgr[3] = {7, 8, 9};
    rgb24.SetPixel(0, 0, bgr);
    to32.SetPixel(0, 0, "\xFF\xFF\xFF\xFF");
    ASSERT_TRUE(to32.Blit(rgb24, 0, 0, 1, 1, 0, 0));
    to32.GetPixelRaw(0, 0, &w);
    EXPECT_EQ(w, 0x00090807u);
    const uint32_t word = 0xAA010203;
    to32.SetPixel(0, 0, &word);
    ASSERT_TRUE(to24.Blit(to32, 0, 0, 1, 1, 1, 0));
    EXPECT_EQ(to24.RowAddress(0)[3], 3);
    EXPECT_EQ(to24.RowAddress(0)[5], 1);
    c_DibBase to8(1, 1, 8);
    EXPECT_FALSE(to8.Blit(to32, 0, 0, 1, 1, 0, 0));
}

TEST(DibBase, RowWalksGoDownOrUpThePicture) {
    for (int height : {3, -3}) {
        c_DibBase d(2, height, 8);
        ASSERT_TRUE(d.BeginRows(0, 3));
        for (int y = 0; y < 3; ++y) EXPECT_EQ(d.NextRow(), d.RowAddress(y)) << height;
        EXPECT_EQ(d.NextRow(), nullptr);
        ASSERT_TRUE(d.BeginRows(2, 0));
        EXPECT_EQ(d.NextRow(), d.RowAddress(2));
        EXPECT_EQ(d.NextRow(), d.RowAddress(1));
        EXPECT_EQ(d.NextRow(), nullptr);
        EXPECT_FALSE(d.BeginRows(3, 0));
        EXPECT_FALSE(d.BeginRows(0, 4));
    }
}

TEST(DibBase, CopiesOfFormatAndPixels) {
    c_DibBase a(3, 2, 8);
    a.SetColour(7, RGBQUAD{1, 2, 3, 0});
    a.RowAddress(1)[2] = 7;
    a.SetResolution(96, 72);
    c_DibBase b;
    ASSERT_TRUE(b.Assign(a));
    EXPECT_EQ(b.RowAddress(1)[2], 7);
    EXPECT_EQ(b.GetColour(7).rgbRed, 3);
    uint32_t x = 0, y = 0;
    b.GetResolution(&x, &y);
    EXPECT_EQ(x, 96u);
    EXPECT_EQ(y, 72u);
    EXPECT_TRUE(b.Assign(b));
    c_DibBase c(3, 2, 8);
    ASSERT_TRUE(c.CopyPixels(a));
    EXPECT_EQ(c.RowAddress(1)[2], 7);
    c_DibBase other(4, 2, 8);
    EXPECT_FALSE(other.CopyPixels(a));
    EXPECT_FALSE(c.CopyPixels(c));
    c_DibBase like(a.GetHeader());
    EXPECT_EQ(like.GetWidth(), 3);
    EXPECT_EQ(like.GetHeader()->biXPelsPerMeter, 3779);
}

// ---- c_MappedDib ----------------------------------------------------------------

TEST(MappedDib, SixteenBitsWithoutMasksMakesNothing) {
    c_MappedDib d;
    HBITMAP bitmap = (HBITMAP)1;
    EXPECT_EQ(d.CreateSection(&bitmap, nullptr, 4, 4, 16 | DibNoMasks, nullptr, CREATE_NEW), c_MappedDib::SectionNoMasks16);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_FALSE(d.IsValid());
}

TEST(MappedDib, GdiDrawsIntoThePixelsTheObjectReads) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    for (int bits : {24, 32}) {
        c_MappedDib d(memory);
        ASSERT_TRUE(d.Create(10, 5, bits)) << bits;
        EXPECT_EQ(d.GetHeader()->biXPelsPerMeter, 3779);
        HGDIOBJ old = SelectObject(memory, d.GetBitmap());
        SetPixel(memory, 2, 1, RGB(10, 20, 30));
        GdiFlush();
        uint32_t colour = 0;
        ASSERT_TRUE(d.GetPixelRgb(2, 1, &colour));
        EXPECT_EQ(colour & 0xFFFFFF, 0x0A141Eu) << bits;
        // A new section over the same mapping shows the same pixels.
        SelectObject(memory, old);
        HBITMAP again = d.RecreateSection(memory);
        ASSERT_NE(again, nullptr);
        old = SelectObject(memory, again);
        EXPECT_EQ(GetPixel(memory, 2, 1), RGB(10, 20, 30));
        SelectObject(memory, old);
    }
    DeleteDC(memory);
}

TEST(MappedDib, SectionsOnNamedFiles) {
    testsupport::TempDir dir("mapped");
    const std::string path = dir.File("map.bin");
    {
        c_MappedDib first;
        HBITMAP bitmap = nullptr;
        ASSERT_EQ(first.CreateSection(&bitmap, nullptr, 4, 4, 32, path.c_str(), CREATE_NEW), c_MappedDib::SectionMade);
        EXPECT_NE(bitmap, nullptr);
        EXPECT_EQ(first.GetMask(0), 0x00FF0000u);   // the standard masks are written
        c_MappedDib second;
        EXPECT_EQ(second.CreateSection(&bitmap, nullptr, 4, 4, 32, path.c_str(), CREATE_NEW),
                  c_MappedDib::SectionFileExists);
        EXPECT_EQ(bitmap, nullptr);
    }
    EXPECT_EQ(testsupport::FileSize(path), 40 + 12 + 64);
    c_MappedDib missing;
    EXPECT_EQ(missing.CreateSection(nullptr, nullptr, 4, 4, 24, dir.File("no\\such\\map.bin").c_str(), CREATE_NEW),
              c_MappedDib::SectionFileFailed);
    EXPECT_FALSE(missing.IsValid());
}

}  // namespace
