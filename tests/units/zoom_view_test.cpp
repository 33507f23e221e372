// c_ZoomView: bilinear rows against a reference at several zooms, copies at
// 100%, clipping to the section, scrolling against a fresh drawing, fills and
// the row conversions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "image/page_pool.h"
#include "image/swap_file.h"
#include "image/tile_image.h"
#include "image/zoom_view.h"
#include "test_support.h"

namespace {

int64_t PlentyOfSpace() { return (int64_t)1 << 40; }

uint32_t PatternPixel(int x, int y) {
    return (uint32_t)((x * 37 + y * 5) & 255) | (uint32_t)((y * 23 + x * 3) & 255) << 8 |
           (uint32_t)((x * y + 40) & 255) << 16 | 0xAB000000u;
}

struct ViewFixture {
    ViewFixture() : swap(dir.Path().c_str(), PlentyOfSpace, 512) {
        swap.Open(2621440);
        pool.Init(0x40000, 16);
    }
    // A new source of width x height with the pattern (or given pixels), handed to the view.
    c_TileImage* Source(int width, int height, const std::vector<uint32_t>* pixels = nullptr) {
        auto* t = new c_TileImage(&pool, &swap);
        t->CreateTiles32(width, height, 0);
        std::vector<uint32_t> row((size_t)width);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) row[x] = pixels ? (*pixels)[(size_t)y * width + x] : PatternPixel(x, y);
            t->WriteRow(row.data(), y, 0, width);
        }
        return t;
    }
    // Blue, green, red of section pixel (x, y).
    const uint8_t* At(int x, int y) const { return view.GetSection()->RowAddress(y) + 3 * x; }
    std::vector<uint8_t> Snapshot() const {
        std::vector<uint8_t> all;
        for (int y = 0; y < view.GetHeight(); ++y)
            all.insert(all.end(), At(0, y), At(0, y) + 3 * view.GetWidth());
        return all;
    }

    testsupport::TempDir dir{"zoom"};
    c_SwapFile swap;
    c_PagePool pool;
    c_ZoomView view;   // deleted first: it deletes its source while the pool exists
};

// The bilinear value of one byte at destination (i, j) of a render of src into
// a dw x dh rectangle, edges repeated.
double Reference(const DibRect& src, int dw, int dh, int imageWidth, int imageHeight, int i, int j, int c) {
    const double hs = (double)src.Width() / dw, vs = (double)src.Height() / dh;
    const double p = src.top + j * vs;
    const int t = (int)p;
    const double f = p - t;
    auto value = [&](int x, int y) {
        x = x < 0 ? 0 : x >= imageWidth ? imageWidth - 1 : x;
        x = x > src.right ? src.right : x;
        y = y >= imageHeight ? imageHeight - 1 : y;
        return (double)((PatternPixel(x, y) >> (8 * c)) & 255);
    };
    const double s = i * hs;
    const int k = (int)s;
    const double h = s - k;
    auto row = [&](int y) { return value(src.left + k, y) * (1 - h) + value(src.left + k + 1, y) * h; };
    return row(t) * (1 - f) + row(t + 1) * f;
}

TEST(ZoomView, BilinearRowsMatchTheReferenceAtSeveralZooms) {
    ViewFixture f;
    f.view.SetWindow(nullptr, 60, 45);
    f.view.SetSource(f.Source(40, 30));
    ASSERT_NE(f.view.GetBitmap(), nullptr);
    struct Case { DibRect src, dst; };
    const Case cases[] = {
        {{0, 0, 20, 15}, {0, 0, 40, 30}},    // 200%
        {{0, 0, 40, 30}, {0, 0, 20, 15}},    // 50%
        {{4, 2, 24, 17}, {0, 0, 30, 45}},    // 150% across, 300% down
        {{0, 0, 40, 30}, {5, 5, 35, 27}},    // 75%, placed inside the section
        {{10, 10, 40, 30}, {0, 0, 60, 45}},  // to the image's right and bottom edges
    };
    for (const Case& c : cases) {
        f.view.Fill(0x123456);
        ASSERT_EQ(f.view.Render(c.src, c.dst), 0);
        // Rounded to the nearest byte: never more than half a step away.
        double worst = 0;
        for (int j = 0; j < c.dst.Height(); ++j)
            for (int i = 0; i < c.dst.Width(); ++i)
                for (int ch = 0; ch < 3; ++ch) {
                    const double want = Reference(c.src, c.dst.Width(), c.dst.Height(), 40, 30, i, j, ch);
                    const int got = f.At(c.dst.left + i, c.dst.top + j)[ch];
                    worst = std::max(worst, std::fabs(got - want));
                }
        EXPECT_LE(worst, 0.51) << c.src.left << "," << c.src.top << " to " << c.dst.Width() << "x" << c.dst.Height();
        // Outside the destination the fill stays.
        if (c.dst.left > 0) {
            EXPECT_EQ(f.At(0, 0)[0], 0x56);
        }
    }
}

TEST(ZoomView, HandCheckedRows) {
    ViewFixture f;
    f.view.SetWindow(nullptr, 4, 4);
    const std::vector<uint32_t> two = {0x000000, 0x646464};   // 0 and 100
    f.view.SetSource(f.Source(2, 1, &two));
    ASSERT_EQ(f.view.Render({0, 0, 2, 1}, {0, 0, 4, 1}), 0);
    const uint8_t across[4] = {0, 50, 100, 100};   // the last neighbour repeats the edge
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.At(i, 0)[0], across[i]) << i;

    const std::vector<uint32_t> column = {0x000000, 0xC8C8C8};   // 0 and 200
    f.view.SetSource(f.Source(1, 2, &column));
    ASSERT_EQ(f.view.Render({0, 0, 1, 2}, {0, 0, 1, 4}), 0);
    const uint8_t down[4] = {0, 100, 200, 200};
    for (int j = 0; j < 4; ++j) EXPECT_EQ(f.At(0, j)[1], down[j]) << j;
}

TEST(ZoomView, AtOneToOneRowsAreCopiedAndClippedToTheSection) {
    ViewFixture f;
    f.view.SetWindow(nullptr, 20, 15);
    f.view.SetSource(f.Source(40, 30));
    f.view.Fill(0);
    ASSERT_EQ(f.view.Render({5, 6, 25, 21}, {0, 0, 20, 15}), 0);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            const uint32_t p = PatternPixel(x + 5, y + 6);
            ASSERT_EQ(f.At(x, y)[0], p & 255);
            ASSERT_EQ(f.At(x, y)[2], (p >> 16) & 255);
        }
    // Half outside the section on every side: the part inside lands, nothing else.
    f.view.Fill(0);
    ASSERT_EQ(f.view.Render({0, 0, 30, 25}, {-5, -4, 25, 21}), 0);
    EXPECT_EQ(f.At(0, 0)[0], PatternPixel(5, 4) & 255);
    EXPECT_EQ(f.At(19, 14)[1], (PatternPixel(24, 18) >> 8) & 255);
}

TEST(ZoomView, ScrollingShowsWhatAFreshDrawingShows) {
    ViewFixture f;
    f.view.SetWindow(nullptr, 20, 15);
    f.view.SetSource(f.Source(40, 30));
    const DibRect whole{0, 0, 20, 15};
    f.view.SetViewRect({0, 0, 20, 15});
    ASSERT_EQ(f.view.Render(f.view.GetViewRect(), whole), 0);
    struct Step { int dx, dy, left, top; };
    const Step steps[] = {
        {3, 4, 3, 4}, {-2, 0, 1, 4}, {0, -3, 1, 1}, {7, 9, 8, 10},
        {100, 100, 20, 15},   // kept inside the image
        {-100, 0, 0, 15}, {0, -40, 0, 0}, {25, 0, 20, 0},   // a whole view or more at once
    };
    for (const Step& s : steps) {
        f.view.Scroll(s.dx, s.dy);
        const DibRect v = f.view.GetViewRect();
        EXPECT_EQ(v.left, s.left) << s.dx << "," << s.dy;
        EXPECT_EQ(v.top, s.top) << s.dx << "," << s.dy;
        EXPECT_EQ(v.Width(), 20);
        EXPECT_EQ(v.Height(), 15);
        const std::vector<uint8_t> scrolled = f.Snapshot();
        ASSERT_EQ(f.view.Render(v, whole), 0);
        EXPECT_EQ(scrolled, f.Snapshot()) << s.dx << "," << s.dy;
    }
}

TEST(ZoomView, SectionsBuffersAndFills) {
    ViewFixture f;
    EXPECT_EQ(f.view.Render({0, 0, 1, 1}, {0, 0, 1, 1}), -1);   // no section
    f.view.SetWindow(nullptr, 8, 6);
    EXPECT_EQ(f.view.Render({0, 0, 1, 1}, {0, 0, 1, 1}), -1);   // no source
    HBITMAP first = f.view.GetBitmap();
    f.view.SetWindow(nullptr, 8, 6);
    EXPECT_EQ(f.view.GetBitmap(), first);   // the same size keeps the section
    f.view.SetWindow(nullptr, 9, 6);
    EXPECT_EQ(f.view.GetWidth(), 9);
    f.view.Fill(0x00ABCDEF);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x) {
            ASSERT_EQ(f.At(x, y)[0], 0xEF);
            ASSERT_EQ(f.At(x, y)[1], 0xCD);
            ASSERT_EQ(f.At(x, y)[2], 0xAB);
        }
    c_TileImage* source = f.Source(3, 3);
    f.view.SetSource(source);
    EXPECT_EQ(f.view.GetSource(), source);
    f.view.ClearSource();
    EXPECT_EQ(f.view.GetSource(), nullptr);
    f.view.FreeBuffers();
    EXPECT_EQ(f.view.GetBitmap(), nullptr);
}

TEST(ZoomView, RowConversions) {
    uint8_t row[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    PackRow32To24(row, 3);
    const uint8_t packed[9] = {1, 2, 3, 5, 6, 7, 9, 10, 11};
    EXPECT_EQ(std::memcmp(row, packed, 9), 0);
    ExpandRow24To32(row, 3, 0xFF);
    const uint8_t expanded[12] = {1, 2, 3, 0xFF, 5, 6, 7, 0xFF, 9, 10, 11, 0xFF};
    EXPECT_EQ(std::memcmp(row, expanded, 12), 0);
    PackRow32To24(row, 3);
    ExpandRow24To32Swapped(row, 3, 0);
    const uint8_t swapped[12] = {3, 2, 1, 0, 7, 6, 5, 0, 11, 10, 9, 0};
    EXPECT_EQ(std::memcmp(row, swapped, 12), 0);
}

}  // namespace
