// c_GlobalDibBase and c_GlobalDib: creation, resolution, attaching, copies in
// and out, conversion to 24 bits, fills and damaged blocks.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "image/global_dib.h"

namespace {

// A movable global block holding a packed bitmap of the given header, table and rows.
HGLOBAL PackedBlock(const BITMAPINFOHEADER& h, const void* tail, size_t tailBytes) {
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof h + tailBytes);
    auto* p = (uint8_t*)GlobalLock(g);
    std::memcpy(p, &h, sizeof h);
    if (tailBytes) std::memcpy(p + sizeof h, tail, tailBytes);
    GlobalUnlock(g);
    return g;
}

TEST(GlobalDib, CreateFiveByTwoAtEightBits) {
    c_GlobalDib dib;
    EXPECT_EQ(dib.Resolution(), 100);
    dib.Create(5, 2, 8);
    ASSERT_NE(dib.Block(), nullptr);
    EXPECT_EQ(dib.Size(), 1080u);
    EXPECT_EQ(GlobalSize(dib.Block()), 1080u);
    EXPECT_EQ(dib.Stride(), 8);
    EXPECT_EQ(dib.Colours(), 256);
    EXPECT_EQ(dib.TableBytes(), 1024);
    EXPECT_EQ(dib.Resolution(), 99);   // 3937 a metre is 99.9998 dpi
    EXPECT_FALSE(dib.IsLocked());
    BITMAPINFOHEADER* h = dib.GetHeader();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(dib.IsLocked());      // left locked until the next operation that unlocks
    EXPECT_EQ(h->biXPelsPerMeter, 3937);
    EXPECT_EQ(dib.GetBits(), (uint8_t*)h + 40 + 1024);
    dib.SetDpi(72);
    EXPECT_FALSE(dib.IsLocked());   // SetDpi unlocks
    EXPECT_EQ(dib.Resolution(), 72);
    EXPECT_EQ(dib.GetHeader()->biXPelsPerMeter, 2834);
    EXPECT_EQ(dib.ScreenColours(), 16777216u);   // a true-colour screen
}

TEST(GlobalDib, SizesThatAreNoPictureLeaveTheObjectAsItWas) {
    c_GlobalDibBase dib;
    dib.Create(3, 3, 24);
    const HGLOBAL before = dib.Block();
    dib.Create(0, 3, 24);
    dib.Create(3, -1, 24);
    dib.Create(3, 3, 7);
    dib.Create(100000, 100000, 32);
    EXPECT_EQ(dib.Block(), before);
    EXPECT_EQ(dib.Width(), 3);
}

TEST(GlobalDib, FillsTouchOnlyTheirDepth) {
    c_GlobalDibBase rgb;
    rgb.Create(5, 2, 24);
    rgb.FillIndex(9);    // nothing on 24 bits
    std::memset(rgb.GetBits(), 0xEE, 2 * 16);
    rgb.FillRgb(1, 2, 3);
    const uint8_t* bits = rgb.GetBits();
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(bits[y * 16 + 3 * x], 3);
            EXPECT_EQ(bits[y * 16 + 3 * x + 2], 1);
        }
        EXPECT_EQ(bits[y * 16 + 15], 0xEE);   // the row padding is not written
    }
    c_GlobalDibBase grey;
    grey.Create(5, 2, 8);
    std::memset(grey.GetBits(), 0, 16);
    grey.FillRgb(1, 2, 3);   // nothing on 8 bits
    EXPECT_EQ(grey.GetBits()[0], 0);
    grey.FillIndex(7);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(grey.GetBits()[i], 7);
}

TEST(GlobalDib, ConvertsOneBitRowsToTwentyFourBits) {
    c_GlobalDibBase dib;
    dib.Create(10, 1, 1);
    BITMAPINFOHEADER* h = dib.GetHeader();
    auto* table = (RGBQUAD*)((uint8_t*)h + 40);
    table[0] = RGBQUAD{10, 20, 30, 0};
    table[1] = RGBQUAD{200, 210, 220, 0};
    uint8_t* row = dib.GetBits();
    row[0] = 0xA5;   // 1010 0101
    row[1] = 0x40;   // pixel 9 set
    dib.ConvertTo24Bit();
    EXPECT_EQ(dib.Bits(), 24);
    EXPECT_EQ(dib.Stride(), 32);
    EXPECT_EQ(dib.Colours(), 0);
    const uint8_t* out = dib.GetBits();
    ASSERT_NE(out, nullptr);
    const int set[10] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 1};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(out[3 * k], set[k] ? 200 : 10) << k;
        EXPECT_EQ(out[3 * k + 2], set[k] ? 220 : 30) << k;
    }
    const HGLOBAL converted = dib.Block();
    dib.ConvertTo24Bit();   // already 24 bits
    EXPECT_EQ(dib.Block(), converted);
}

TEST(GlobalDib, ConversionKeepsALongerHeaderAndItsRowsInsideTheBlock) {
    // A 4-bit bitmap behind a 108-byte header, with a short colour table.
    BITMAPV4HEADER v4{};
    v4.bV4Size = sizeof v4;
    v4.bV4Width = 3;
    v4.bV4Height = 2;
    v4.bV4Planes = 1;
    v4.bV4BitCount = 4;
    v4.bV4V4Compression = BI_RGB;
    v4.bV4ClrUsed = 2;
    uint8_t tail[8 + 8] = {1, 2, 3, 0, 4, 5, 6, 0, 0x01, 0x50, 0, 0, 0x10, 0x00, 0, 0};
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof v4 + sizeof tail);
    auto* p = (uint8_t*)GlobalLock(g);
    std::memcpy(p, &v4, sizeof v4);
    std::memcpy(p + sizeof v4, tail, sizeof tail);
    GlobalUnlock(g);
    c_GlobalDibBase dib;
    dib.SetFromGlobal(g);
    GlobalFree(g);
    ASSERT_EQ(dib.Bits(), 4);
    dib.ConvertTo24Bit();
    ASSERT_EQ(dib.Bits(), 24);
    EXPECT_EQ(dib.GetHeader()->biSize, sizeof v4);
    EXPECT_GE(dib.Size(), sizeof v4 + 2u * 12u);
    const uint8_t* rows = dib.GetBits();
    ASSERT_NE(rows, nullptr);
    // Row 0: indices 0, 1, 5 (5 beyond the table reads black).
    const uint8_t row0[9] = {1, 2, 3, 4, 5, 6, 0, 0, 0};
    EXPECT_EQ(std::memcmp(rows, row0, 9), 0);
    EXPECT_EQ(rows[12], 4);   // row 1: index 1
}

TEST(GlobalDib, AttachValidatesFirst) {
    BITMAPINFOHEADER good{.biSize = 40, .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 24};
    c_GlobalDibBase dib;
    dib.Create(4, 4, 8);
    const HGLOBAL own = dib.Block();
    BITMAPINFOHEADER bad = good;
    bad.biSize = 12;
    EXPECT_EQ(dib.Attach(&bad), 0);
    bad = good;
    bad.biBitCount = 5;
    EXPECT_EQ(dib.Attach(&bad), 0);
    bad = good;
    bad.biWidth = 0;
    EXPECT_EQ(dib.Attach(&bad), 0);
    EXPECT_EQ(dib.Attach((BITMAPINFOHEADER*)nullptr), 0);
    // Refused: nothing changed, still the owner of its block.
    EXPECT_FALSE(dib.IsAttached());
    EXPECT_EQ(dib.Block(), own);
    EXPECT_EQ(dib.Width(), 4);

    ASSERT_EQ(dib.Attach(&good), 1);
    EXPECT_TRUE(dib.IsAttached());
    EXPECT_EQ(dib.Block(), nullptr);       // its own block was freed first
    EXPECT_EQ(dib.GetHeader(), &good);
    EXPECT_EQ(dib.Size(), 40u + 2u * 8u);
    EXPECT_EQ(dib.CopyToGlobal(), nullptr);   // no block of its own
    dib.Clear();
    EXPECT_FALSE(dib.IsAttached());
    EXPECT_EQ(dib.GetHeader(), nullptr);
    EXPECT_EQ(good.biSize, 40u);           // the attached header was left alone

    c_GlobalDibBase rgb, grey, other;
    rgb.Create(2, 2, 24);
    grey.Create(2, 2, 8);
    EXPECT_EQ(other.Attach(&grey), 0);     // another object: only 24 bits
    EXPECT_EQ(other.Attach(&rgb), 1);
    EXPECT_EQ(other.GetHeader(), rgb.GetHeader());
}

TEST(GlobalDib, CopiesInAndOut) {
    c_GlobalDibBase a;
    a.Create(3, 2, 24);
    a.FillRgb(9, 8, 7);
    HGLOBAL copy = a.CopyToGlobal();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(GlobalSize(copy), a.Size());
    c_GlobalDibBase b;
    b.SetFromGlobal(copy);
    EXPECT_NE(GlobalLock(copy), nullptr);   // the caller's block stays the caller's
    GlobalUnlock(copy);
    GlobalFree(copy);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Bits(), 24);
    EXPECT_EQ(b.GetBits()[2], 9);
    c_GlobalDibBase c;
    c.SetFromDib(&b);
    EXPECT_NE(c.Block(), b.Block());
    EXPECT_EQ(c.GetBits()[0], 7);
    c.SetFromDib(&c);   // itself: nothing
    EXPECT_EQ(c.Width(), 3);
    c.SetFromGlobal(nullptr);
    EXPECT_EQ(c.Width(), 3);
}

TEST(GlobalDib, DamagedBlocksAreNotReadPastTheirEnd) {
    // Fewer bytes than a header: not taken.
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    c_GlobalDibBase dib;
    dib.Create(2, 2, 24);
    dib.SetFromGlobal(tiny);
    GlobalFree(tiny);
    EXPECT_EQ(dib.Width(), 2);

    // A header promising rows the block does not hold: taken, but no pixels.
    BITMAPINFOHEADER big{.biSize = 40, .biWidth = 1000, .biHeight = 1000, .biPlanes = 1, .biBitCount = 24};
    HGLOBAL g = PackedBlock(big, nullptr, 0);
    c_GlobalDibBase damaged;
    damaged.SetFromGlobal(g);
    GlobalFree(g);
    EXPECT_EQ(damaged.Width(), 1000);
    EXPECT_EQ(damaged.GetBits(), nullptr);
    damaged.FillRgb(1, 2, 3);
    big.biBitCount = 8;
    g = PackedBlock(big, nullptr, 0);
    damaged.SetFromGlobal(g);
    GlobalFree(g);
    damaged.FillIndex(1);
    damaged.ConvertTo24Bit();
    EXPECT_EQ(damaged.Bits(), 8);
    RECT r{0, 0, 10, 10};
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(damaged.Draw(dc, r, r), 0);
    DeleteDC(dc);
}

TEST(GlobalDib, BitmapResources) {
    // The system's own close-box bitmap (OBM_CLOSE) is a bitmap resource of user32.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    c_GlobalDibBase dib;
    dib.LoadResourceId(user32, 32754);
    ASSERT_NE(dib.Block(), nullptr);
    EXPECT_GT(dib.Width(), 0);
    EXPECT_NE(dib.GetBits(), nullptr);
    const int width = dib.Width();
    // Missing resources leave the bitmap as it was.
    dib.LoadResourceId(user32, 1);
    dib.LoadResourceName(user32, "NO_SUCH_BITMAP");
    dib.LoadResourceName(user32, nullptr);
    dib.SetFromResource(user32, nullptr);
    EXPECT_EQ(dib.Width(), width);
}

TEST(GlobalDib, DrawsWithStretchDIBits) {
    c_GlobalDibBase dib;
    dib.Create(2, 2, 24);
    dib.FillRgb(255, 0, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    const RECT to{0, 0, 4, 4}, from{0, 0, 2, 2};
    EXPECT_NE(dib.Draw(dc, to, from), 0);
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
}

}  // namespace
