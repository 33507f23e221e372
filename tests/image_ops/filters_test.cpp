// Point filters (dodge, burn, colour temperature) and the 8-bit
// neighbourhood filters.
#include <gtest/gtest.h>

#include "image/c_dib.h"
#include "image_ops_support.h"

using namespace imgtest;

namespace {

// Every blue, green and red value 0..255 once in a 256 x 1 image, fourth byte set.
Picture Ramp() {
    Picture p;
    p.width = 256; p.height = 3;
    p.px.resize(256 * 3);
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 256; ++i) p.px[y * 256 + i] = Rgb(i, (i + 85 * y) & 255, 255 - i);
    return p;
}

int Chan(uint32_t px, int shift) { return (int)((px >> shift) & 255); }

TEST(PointFilters, GoldenValues) {
    struct { const char* name; int (*run)(VmsImage*, int); int strength; int in, out; } cases[] = {
        {"dodge 0", c_Dib::ApplyDodge, 0, 100, 100},
        {"dodge 100", c_Dib::ApplyDodge, 100, 100, 164},
        {"dodge 100 saturates", c_Dib::ApplyDodge, 100, 200, 255},
        {"burn 0", c_Dib::ApplyBurn, 0, 100, 100},
        {"burn 100", c_Dib::ApplyBurn, 100, 100, 0},
        {"burn 100 light", c_Dib::ApplyBurn, 100, 200, 165},
        {"burn 254 white", c_Dib::ApplyBurn, 254, 255, 255},
    };
    for (auto& c : cases) {
        Picture p;
        p.width = 1; p.height = 1;
        p.px = {Rgb(c.in, c.in, c.in)};
        Owned im(MakeImage32(p));
        ASSERT_EQ(c.run(im.get(), c.strength), 1) << c.name;
        EXPECT_EQ(Read32(im.get()).px[0], Rgb(c.out, c.out, c.out)) << c.name;
    }
}

TEST(PointFilters, StrengthZeroLeavesEveryValue) {
    Picture p = Ramp();
    for (auto run : {c_Dib::ApplyDodge, c_Dib::ApplyBurn, c_Dib::ApplyColourTemperature}) {
        Owned im(MakeImage32(p));
        ASSERT_EQ(run(im.get(), 0), 1);
        EXPECT_EQ(Read32(im.get()).px, p.px);
    }
}

TEST(PointFilters, FourthByteIsKept) {
    Picture p;
    p.width = 2; p.height = 1;
    p.px = {0xAB102030u, 0x01FFFFFFu};
    VmsImage* im = g_VmsStore.Create(2, 1, 32, 0, 1);
    g_VmsStore.PutRow(im, 0, 0, 1, p.px.data());
    c_Dib::ApplyDodge(im, 50);
    c_Dib::ApplyColourTemperature(im, 7);
    uint32_t got[2];
    g_VmsStore.GetRow(im, 0, 0, 1, got);
    EXPECT_EQ(got[0] >> 24, 0xABu);
    EXPECT_EQ(got[1] >> 24, 0x01u);
    g_VmsStore.Free(&im);
}

TEST(PointFilters, ColourTemperature) {
    Picture p;
    p.width = 3; p.height = 1;
    p.px = {Rgb(128, 128, 128), Rgb(0, 77, 255), Rgb(255, 0, 0)};
    Owned im(MakeImage32(p));
    ASSERT_EQ(c_Dib::ApplyColourTemperature(im.get(), 10), 1);
    Picture got = Read32(im.get());
    EXPECT_EQ(got.px[0], Rgb(88, 128, 168));
    EXPECT_EQ(got.px[1], Rgb(0, 77, 255));   // the ends stay, green untouched
    EXPECT_EQ(got.px[2], Rgb(255, 0, 0));
    // Negative levels warm the picture: red up, blue down.
    Owned warm(MakeImage32(p));
    c_Dib::ApplyColourTemperature(warm.get(), -10);
    Picture w = Read32(warm.get());
    EXPECT_EQ(w.px[0], Rgb(168, 128, 88));
    // Tables are monotonic over the whole range.
    Owned ramp(MakeImage32(Ramp()));
    c_Dib::ApplyColourTemperature(ramp.get(), 12);
    Picture r = Read32(ramp.get());
    for (int i = 1; i < 256; ++i) {
        EXPECT_GE(Chan(r.at(i, 0), 16), Chan(r.at(i - 1, 0), 16));
        EXPECT_LE(Chan(r.at(i, 0), 0), Chan(r.at(i - 1, 0), 0));   // blue runs 255 - i
    }
}

// Brute-force 3 x 3 window with clamped edges.
std::vector<uint8_t> Window(const std::vector<uint8_t>& v, int w, int h, int kind) {
    std::vector<uint8_t> o(v.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0, mn = 255, mx = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int yy = std::min(std::max(y + dy, 0), h - 1), xx = std::min(std::max(x + dx, 0), w - 1);
                    int p = v[yy * w + xx];
                    sum += p; mn = std::min(mn, p); mx = std::max(mx, p);
                }
            o[y * w + x] = (uint8_t)(kind == 0 ? sum / 9 : kind == 1 ? mn : mx);
        }
    return o;
}

TEST(Neighbourhood, ThreeByThreeAgainstBruteForce) {
    for (auto size : {std::pair<int, int>{1, 1}, {1, 5}, {6, 1}, {17, 11}}) {
        std::vector<uint8_t> v = NoiseBytes((size_t)size.first * size.second, 21);
        struct { int (*run)(VmsImage*); int kind; } ops[] = {
            {c_Dib::Blur3x3, 0}, {c_Dib::MeanFilter8, 0}, {c_Dib::MinFilter8, 1}, {c_Dib::MaxFilter8, 2}};
        for (auto& op : ops) {
            Owned im(MakeImage8(size.first, size.second, v));
            ASSERT_EQ(op.run(im.get()), 1);
            EXPECT_EQ(Read8(im.get()), Window(v, size.first, size.second, op.kind))
                << "kind " << op.kind << " " << size.first << "x" << size.second;
        }
    }
    Picture p = NoisePicture(3, 3, 1);
    Owned colour(MakeImage32(p));
    EXPECT_EQ(c_Dib::MinFilter8(colour.get()), 0);
    EXPECT_EQ(c_Dib::BlurBox8(colour.get(), 2), 0);
    EXPECT_EQ(Read32(colour.get()).px, p.px);
}

TEST(Neighbourhood, MinimumGrowsASelectedPixel) {
    std::vector<uint8_t> v(7 * 6, 255);
    v[3 * 7 + 3] = 0;
    v[0] = 0;   // corner: the block is cut by the edges
    Owned im(MakeImage8(7, 6, v));
    ASSERT_EQ(c_Dib::MinFilter8(im.get()), 1);
    std::vector<uint8_t> g = Read8(im.get());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) {
            bool inBlock = (std::abs(x - 3) <= 1 && std::abs(y - 3) <= 1) || (x <= 1 && y <= 1);
            EXPECT_EQ(g[y * 7 + x], inBlock ? 0 : 255) << x << "," << y;
        }
}

TEST(Neighbourhood, BoxMeanWindowIsOneLongerBefore) {
    for (int r : {1, 2, 5}) {
        const int w = 13, h = 9;
        std::vector<uint8_t> v = NoiseBytes(w * h, 40 + r);
        Owned im(MakeImage8(w, h, v));
        ASSERT_EQ(c_Dib::BlurBox8(im.get(), r), 1);
        std::vector<uint8_t> g = Read8(im.get());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, n = 0;
                for (int yy = y - r; yy <= y + r - 1; ++yy)
                    for (int xx = x - r; xx <= x + r - 1; ++xx)
                        if (xx >= 0 && yy >= 0 && xx < w && yy < h) { sum += v[yy * w + xx]; ++n; }
                ASSERT_EQ(g[y * w + x], sum / n) << "r " << r << " at " << x << "," << y;
            }
    }
}

TEST(Neighbourhood, SofteningStaysInsideItsArea) {
    std::vector<uint8_t> v(60 * 40, 0);
    for (int y = 15; y < 25; ++y)
        for (int x = 20; x < 40; ++x) v[y * 60 + x] = 255;
    Owned im(MakeImage8(60, 40, v));
    ASSERT_EQ(c_Dib::BlurByScaling8(im.get(), 3, 20, 15, 39, 24), 1);
    std::vector<uint8_t> g = Read8(im.get());
    // Outside the widened, shifted rectangle nothing changes.
    EXPECT_EQ(g[0], 0);
    EXPECT_EQ(g[5 * 60 + 5], 0);
    // Inside, the hard edge is softened.
    int x = 20, y = 20;
    EXPECT_GT(g[y * 60 + x], 0);
    EXPECT_LT(g[y * 60 + x], 255);
    EXPECT_GT(g[20 * 60 + 30], 128);
}

TEST(SmallFilters, InteriorWalksSeeTheRowAboveFiltered) {
    // A single bright pixel: the mean spreads it to its interior neighbours;
    // the row below the pixel also sees the already averaged row above it.
    Picture p;
    p.width = 3; p.height = 4;
    p.px.assign(12, 0);
    p.px[1 * 3 + 1] = Rgb(90, 90, 90);
    Owned im(MakeImage32(p));
    ASSERT_EQ(c_Dib::Mean3x3Interior32(im.get()), 1);
    Picture got = Read32(im.get());
    EXPECT_EQ(got.at(1, 1), Rgb(10, 10, 10));   // (90 + 4) / 9
    EXPECT_EQ(got.at(1, 2), Rgb(1, 1, 1));      // (10 + 4) / 9: row 1 was written first
    EXPECT_EQ(got.at(0, 1), 0u);                // edges keep their values
    // Sharpening leaves flat areas as they are and lifts a bright centre.
    Picture flat;
    flat.width = 3; flat.height = 3;
    flat.px.assign(9, Rgb(100, 50, 25));
    Owned f(MakeImage32(flat));
    ASSERT_EQ(c_Dib::Sharpen32(f.get()), 1);
    EXPECT_EQ(Read32(f.get()).px, flat.px);
    flat.px[4] = Rgb(110, 50, 25);
    Owned g(MakeImage32(flat));
    c_Dib::Sharpen32(g.get());
    EXPECT_EQ(Read32(g.get()).at(1, 1), Rgb(140, 50, 25));   // 100 + (10 x 488) / 120
    // Smoothing with threshold 0 finds no similar neighbour.
    Picture n = NoisePicture(6, 5, 3);
    Owned s(MakeImage32(n));
    ProgressRecorder rec;
    ASSERT_EQ(c_Dib::SmoothSimilar32(s.get(), 0), 1);
    EXPECT_EQ(Read32(s.get()).px, n.px);
    EXPECT_EQ(rec.messages.back().w, 0u);
}

TEST(SmallFilters, MeansInvertAndDither) {
    std::vector<uint8_t> v = {10, 20, 30, 40};
    Owned g(MakeImage8(2, 2, v));
    int mean = -1;
    EXPECT_EQ(c_Dib::MeanRect8(g.get(), -5, -5, 0, 1, &mean), 1);
    EXPECT_EQ(mean, 20);
    EXPECT_EQ(c_Dib::MeanRect8(g.get(), 5, 5, 9, 9, &mean), 0);
    EXPECT_EQ(mean, 0);
    ASSERT_EQ(c_Dib::Invert8(g.get()), 1);
    EXPECT_EQ(Read8(g.get()), (std::vector<uint8_t>{245, 235, 225, 215}));
    Picture p;
    p.width = 8; p.height = 8;
    p.px.assign(64, Rgb(128, 128, 128));   // level 8: every other bit
    Owned c(MakeImage32(p));
    EXPECT_EQ(c_Dib::AddOrderedDither32(c.get(), 8, 8, 0, 0), 8);
    Picture d = Read32(c.get());
    int raised = 0;
    for (auto px : d.px) raised += Chan(px, 0) == 129;
    EXPECT_EQ(raised, 32);
}

}  // namespace
