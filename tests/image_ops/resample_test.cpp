// Resampling: cubic weights, nearest, area averages and bicubic resizes.
#include <gtest/gtest.h>

#include "image/c_dib.h"
#include "image_ops_support.h"

using namespace imgtest;

namespace {

TEST(CubicKernel, WeightTables) {
    struct { int kernel, fraction, w[4]; } cases[] = {
        {2, 0, {0, 256, 0, 0}},
        {2, 128, {-32, 160, 160, -32}},
        {1, 0, {14, 227, 14, 0}},
        {1, 128, {-8, 136, 136, -8}},
    };
    for (auto& c : cases) {
        int w[4];
        c_Dib::GetCubicWeights(c.kernel, c.fraction, w);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(w[k], c.w[k]) << "kernel " << c.kernel << " fraction " << c.fraction << " tap " << k;
    }
}

// The bicubic enlargement written out tap by tap, for comparison.
Picture ReferenceBicubic(const Picture& s, int w, int h, int kernel) {
    Picture out;
    out.width = w;
    out.height = h;
    out.px.resize((size_t)w * h);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            int sy = (int)((int64_t)i * s.height / h), fy = (int)(((int64_t)i * s.height % h) * 256 / h);
            int sx = (int)((int64_t)j * s.width / w), fx = (int)(((int64_t)j * s.width % w) * 256 / w);
            int wy[4], wx[4];
            c_Dib::GetCubicWeights(kernel, fy, wy);
            c_Dib::GetCubicWeights(kernel, fx, wx);
            uint32_t px = 0;
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int ky = 0; ky < 4; ++ky)
                    for (int kx = 0; kx < 4; ++kx) {
                        int yy = std::min(std::max(sy - 1 + ky, 0), s.height - 1);
                        int xx = std::min(std::max(sx - 1 + kx, 0), s.width - 1);
                        sum += wy[ky] * wx[kx] * (int)((s.at(xx, yy) >> (8 * ch)) & 255);
                    }
                int v = sum >> 16;
                v = v < 0 ? 0 : (v > 255 ? 255 : v);
                px |= (uint32_t)v << (8 * ch);
            }
            out.px[(size_t)i * w + j] = px;
        }
    return out;
}

TEST(Bicubic, EnlargementMatchesTheTapByTapSum) {
    Picture p = NoisePicture(13, 9, 11);
    Owned src(MakeImage32(p));
    for (int kernel : {1, 2}) {
        for (auto size : {std::pair<int, int>{29, 20}, {13, 31}, {40, 9}}) {
            Owned out(c_Dib::ResizeBicubic(src.get(), size.first, size.second, kernel));
            ASSERT_NE(out.get(), nullptr);
            EXPECT_EQ(Read32(out.get()).px, ReferenceBicubic(p, size.first, size.second, kernel).px)
                << "kernel " << kernel << " " << size.first << "x" << size.second;
        }
    }
}

TEST(Bicubic, IntegerEnlargementKeepsSamplePixels) {
    Picture p = NoisePicture(6, 5, 2);
    Owned src(MakeImage32(p));
    Owned out(c_Dib::Resize(src.get(), 18, 10, 0, 1, 0));
    ASSERT_NE(out.get(), nullptr);
    Picture got = Read32(out.get());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(got.at(3 * x, 2 * y), p.at(x, y));
}

TEST(Bicubic, SameSizeIsAnExactCopy) {
    Picture p = NoisePicture(9, 7, 3);
    Owned src(MakeImage32(p));
    Owned out(c_Dib::Resize(src.get(), 9, 7, 0, 1, 0));
    ASSERT_NE(out.get(), nullptr);
    EXPECT_EQ(Read32(out.get()).px, p.px);
    EXPECT_NE(out.get(), src.get());
}

TEST(Bicubic, MixedAxesGoThroughAnEnlargedIntermediate) {
    Picture p = NoisePicture(4, 4, 4);
    Owned src(MakeImage32(p));
    Owned out(c_Dib::Resize(src.get(), 8, 2, 0, 1, 0));
    ASSERT_NE(out.get(), nullptr);
    Owned mid(g_VmsStore.Create(8, 4, 32, 0, 1));
    ASSERT_EQ(c_Dib::ResampleBicubic(src.get(), mid.get(), 2), 1);
    Owned want(g_VmsStore.Create(8, 2, 32, 0, 1));
    ASSERT_EQ(c_Dib::ShrinkArea32(mid.get(), want.get()), 1);
    EXPECT_EQ(Read32(out.get()).px, Read32(want.get()).px);
}

TEST(BoxShrink, ThreeToTwoOverlapsTheMiddleColumn) {
    Picture p;
    p.width = 3;
    p.height = 1;
    p.px = {Rgb(10, 0, 255), Rgb(21, 100, 0), Rgb(40, 201, 7)};
    Owned src(MakeImage32(p));
    Owned out(g_VmsStore.Create(2, 1, 32, 0, 1));
    ASSERT_EQ(c_Dib::ShrinkArea32(src.get(), out.get()), 1);
    Picture got = Read32(out.get());
    EXPECT_EQ(got.px[0], Rgb(16, 50, 128));   // (10 + 21) / 2 = 15.5 -> 16; 127.5 -> 128
    EXPECT_EQ(got.px[1], Rgb(31, 151, 4));    // 30.5 -> 31; 150.5 -> 151; 3.5 -> 4
}

TEST(BoxShrink, MeansOfWholeBlocks) {
    Picture p = NoisePicture(12, 8, 5);
    Owned src(MakeImage32(p));
    Owned out(c_Dib::ResizeBicubic(src.get(), 4, 2, 2));
    ASSERT_NE(out.get(), nullptr);
    Picture got = Read32(out.get());
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 3; ++x) sum += (p.at(3 * i + x, 4 * j + y) >> (8 * ch)) & 255;
                EXPECT_EQ((int)((got.at(i, j) >> (8 * ch)) & 255), (2 * sum + 12) / 24);
            }
}

TEST(AreaResize8, RunsAndHundredths) {
    Owned src(MakeImage8(4, 1, {10, 20, 30, 40}));
    src->palette[5] = RGBQUAD{1, 2, 3, 0};
    Owned two(c_Dib::Resize(src.get(), 2, 2, 0, 1, 0));
    ASSERT_NE(two.get(), nullptr);
    EXPECT_EQ(Read8(two.get()), (std::vector<uint8_t>{15, 35, 15, 35}));
    EXPECT_EQ(two->palette[5].rgbRed, 3);
    Owned eight(c_Dib::Resize(src.get(), 8, 2, 0, 1, 0));
    ASSERT_NE(eight.get(), nullptr);
    std::vector<uint8_t> v = Read8(eight.get());
    EXPECT_EQ(v[0], 10);
    EXPECT_EQ(v[1], 15);
    EXPECT_EQ(v[2], 20);
    EXPECT_EQ(v[7], 40);
    // The source is as it was.
    EXPECT_EQ(Read8(src.get()), (std::vector<uint8_t>{10, 20, 30, 40}));
}

TEST(AreaResize8, ShrinksBothAxesWithRounding) {
    std::vector<uint8_t> v = NoiseBytes(6 * 4, 8);
    Owned src(MakeImage8(6, 4, v));
    Owned out(c_Dib::Resize(src.get(), 3, 2, 0, 1, 0));
    ASSERT_NE(out.get(), nullptr);
    std::vector<uint8_t> got = Read8(out.get());
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            // Columns pair up first (rounded), then rows (rounded again).
            int a = (v[(2 * j) * 6 + 2 * i] + v[(2 * j) * 6 + 2 * i + 1] + 1) / 2;
            int b = (v[(2 * j + 1) * 6 + 2 * i] + v[(2 * j + 1) * 6 + 2 * i + 1] + 1) / 2;
            EXPECT_EQ(got[j * 3 + i], (a + b + 1) / 2);
        }
}

TEST(AreaResize32, RunsWithTheLastRunTruncated) {
    Picture p;
    p.width = 4; p.height = 1;
    p.px = {Rgb(10, 0, 1), Rgb(21, 0, 2), Rgb(30, 5, 3), Rgb(41, 6, 4)};
    Owned src(MakeImage32(p));
    Owned out(g_VmsStore.Create(2, 1, 32, 0, 1));
    ASSERT_EQ(c_Dib::ResizeArea32(out.get(), src.get(), 0), 1);
    Picture got = Read32(out.get());
    EXPECT_EQ(got.px[0], Rgb(16, 0, 2));   // (31 + 1) / 2, (0 + 1) / 2, (3 + 1) / 2
    EXPECT_EQ(got.px[1], Rgb(35, 5, 3));   // last run truncated: 71 / 2, 11 / 2, 7 / 2
    EXPECT_EQ(Read32(src.get()).px, p.px);
}

TEST(Nearest, BothDepths) {
    Picture p = NoisePicture(5, 3, 6);
    Owned src(MakeImage32(p));
    Owned out(c_Dib::Resize(src.get(), 7, 5, 0, 0, 0));
    ASSERT_NE(out.get(), nullptr);
    Picture got = Read32(out.get());
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 7; ++j) EXPECT_EQ(got.at(j, i), p.at(j * 5 / 7, i * 3 / 5));
    std::vector<uint8_t> b = NoiseBytes(15, 7);
    Owned src8(MakeImage8(5, 3, b));
    Owned out8(c_Dib::Resize(src8.get(), 2, 2, 0, 0, 0));
    std::vector<uint8_t> g8 = Read8(out8.get());
    EXPECT_EQ(g8, (std::vector<uint8_t>{b[0], b[2], b[5], b[7]}));
}

TEST(Dispatch, OneWideOrHighGivesABlankImage) {
    Picture p = NoisePicture(5, 5, 9);
    Owned src(MakeImage32(p));
    Owned line(c_Dib::Resize(src.get(), 1, 4, 0, 1, 0));
    ASSERT_NE(line.get(), nullptr);
    EXPECT_EQ(line->width, 1);
    EXPECT_EQ(Read32(line.get()).px, std::vector<uint32_t>(4, 0));
    Owned flat4(g_VmsStore.Create(4, 4, 4, 0, 1));
    EXPECT_EQ(c_Dib::Resize(flat4.get(), 2, 2, 0, 1, 0), nullptr);
}

TEST(Fit, SizesAndCopies) {
    int w, h;
    c_Dib::FitSize(100, 50, 200, 200, &w, &h, 0);
    EXPECT_EQ(w, 100); EXPECT_EQ(h, 50);
    c_Dib::FitSize(100, 50, 200, 200, &w, &h, 1);
    EXPECT_EQ(w, 200); EXPECT_EQ(h, 100);
    c_Dib::FitSize(300, 100, 200, 200, &w, &h, 0);
    EXPECT_EQ(w, 200); EXPECT_EQ(h, 66);

    Picture p;
    p.width = 100; p.height = 50;
    p.px.assign(5000, Rgb(0, 0, 200));
    Owned src(MakeImage32(p));
    Owned fit(c_Dib::FitResize32(src.get(), 40, 40, 1, 10, 20, 30));
    ASSERT_NE(fit.get(), nullptr);
    Picture got = Read32(fit.get());
    EXPECT_EQ(got.width, 40);
    EXPECT_EQ(got.at(5, 9), Rgb(10, 20, 30));
    EXPECT_EQ(got.at(5, 10), Rgb(0, 0, 200));
    EXPECT_EQ(got.at(39, 29), Rgb(0, 0, 200));
    EXPECT_EQ(got.at(39, 30), Rgb(10, 20, 30));
}

TEST(DepthChanges, ConvertTo24And8) {
    Picture p = NoisePicture(3, 2, 10);
    VmsImage* im = MakeImage32(p);
    VmsImage* before = im;
    EXPECT_EQ(c_Dib::ConvertTo24Bit(&im), 1);
    EXPECT_EQ(im, before);
    EXPECT_EQ(Read32(im).px, p.px);
    ASSERT_EQ(c_Dib::ConvertTo8Bit(&im), 1);
    ASSERT_EQ(im->bits, 8);
    std::vector<uint8_t> g = Read8(im);
    for (int i = 0; i < 6; ++i) {
        uint32_t c = p.px[i];
        EXPECT_EQ(g[i], ((c & 255) + ((c >> 8) & 255) + ((c >> 16) & 255)) / 3);
    }
    im->palette[g[0]] = RGBQUAD{9, 8, 7, 0};
    ASSERT_EQ(c_Dib::ConvertTo24Bit(&im), 1);
    EXPECT_EQ(Read32(im).px[0], Rgb(7, 8, 9));
    g_VmsStore.Free(&im);
}

}  // namespace
