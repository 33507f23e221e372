// Quarter turns, free turns, crops, flips and mirrors.
#include <gtest/gtest.h>

#include <cmath>

#include "image/c_dib.h"
#include "image_ops_support.h"

using namespace imgtest;

namespace {

// Expected quarter turn of a picture, from the definition of the types.
Picture QuarterOf(const Picture& s, int type) {
    Picture o;
    o.width = type == 1 ? s.width : s.height;
    o.height = type == 1 ? s.height : s.width;
    o.px.resize(s.px.size());
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            int ox, oy;
            if (type == 0) { ox = s.height - 1 - y; oy = x; }
            else if (type == 1) { ox = s.width - 1 - x; oy = s.height - 1 - y; }
            else { ox = y; oy = s.width - 1 - x; }
            o.px[(size_t)oy * o.width + ox] = s.at(x, y);
        }
    return o;
}

TEST(QuarterTurn, SmallExample) {
    Picture p;
    p.width = 3; p.height = 2;
    p.px = {1, 2, 3, 4, 5, 6};
    Owned src(MakeImage32(p));
    Owned out(c_Dib::Rotate(src.get(), 0));
    ASSERT_NE(out.get(), nullptr);
    EXPECT_EQ(out->width, 2);
    EXPECT_EQ(out->height, 3);
    // Top row: the source's left column from bottom to top.
    EXPECT_EQ(Read32(out.get()).px, (std::vector<uint32_t>{4, 1, 5, 2, 6, 3}));
}

TEST(QuarterTurn, AllTypesBothDepthsAcrossBands) {
    // 70,000 x 3 bytes: the 8-bit band holds fewer rows than the image; the
    // 32-bit picture is wide enough for several bands too.
    struct Size { int w, h; } sizes[] = {{7, 5}, {1, 9}, {9, 1}, {20000, 130}};
    for (const Size& sz : sizes) {
        Picture p = NoisePicture(sz.w, sz.h, (unsigned)sz.w);
        Owned colour(MakeImage32(p));
        std::vector<uint8_t> bytes(p.px.size());
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (uint8_t)p.px[i];
        Owned grey(MakeImage8(sz.w, sz.h, bytes));
        grey->palette[3] = RGBQUAD{4, 5, 6, 0};
        for (int type = 0; type < 3; ++type) {
            Picture want = QuarterOf(p, type);
            Owned out(c_Dib::Rotate(colour.get(), type));
            ASSERT_NE(out.get(), nullptr);
            EXPECT_EQ(Read32(out.get()).px, want.px) << sz.w << "x" << sz.h << " type " << type;
            Owned out8(c_Dib::Rotate(grey.get(), type));
            ASSERT_NE(out8.get(), nullptr);
            ASSERT_EQ(out8->width, want.width);
            std::vector<uint8_t> w8(want.px.size());
            for (size_t i = 0; i < w8.size(); ++i) w8[i] = (uint8_t)want.px[i];
            EXPECT_EQ(Read8(out8.get()), w8) << sz.w << "x" << sz.h << " type " << type << " (8 bits)";
            EXPECT_EQ(out8->palette[3].rgbRed, 6);
        }
        EXPECT_EQ(Read32(colour.get()).px, p.px) << "the source was written";
    }
    Owned im(g_VmsStore.Create(3, 3, 32, 0, 1));
    EXPECT_EQ(c_Dib::Rotate(im.get(), 3), nullptr);
    EXPECT_EQ(c_Dib::Rotate(nullptr, 0), nullptr);
}

TEST(QuarterTurn, DegreesPickTheQuarterTurns) {
    Picture p = NoisePicture(6, 4, 1);
    Owned src(MakeImage32(p));
    Owned a(c_Dib::RotateDegrees(src.get(), 90.0));
    Owned b(c_Dib::Rotate(src.get(), 0));
    EXPECT_EQ(Read32(a.get()).px, Read32(b.get()).px);
    Owned c(c_Dib::RotateDegrees(src.get(), 90.5));
    ASSERT_NE(c.get(), nullptr);
    EXPECT_NE(c->width, 4);   // the free turn's size
}

// The free turn written out pixel by pixel through the store's 2 x 2 reads.
Picture ReferenceFreeTurn(const VmsImage* src, double angle, bool colour) {
    const int W = src->width, H = src->height;
    const double t = angle * 0.017453292519943295, c = std::cos(t), s = std::sin(t);
    auto N = [](double v) { return v > 0 ? (int)(v + 0.5) : (int)(v - 0.5); };
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (int x : {-(W / 2), W - W / 2 - 1})
        for (int y : {-(H / 2), H - H / 2 - 1}) {
            minX = std::min(minX, N(x * c - y * s)); maxX = std::max(maxX, N(x * c - y * s));
            minY = std::min(minY, N(x * s + y * c)); maxY = std::max(maxY, N(x * s + y * c));
        }
    Picture o;
    o.width = maxX - minX;
    o.height = maxY - minY;
    o.px.assign((size_t)o.width * o.height, colour ? 0xFFFFFF : 0);
    for (int v = minY; v < maxY; ++v)
        for (int u = minX; u < maxX; ++u) {
            double sx = u * c + W / 2 + v * s, sy = H / 2 - u * s + v * c;
            if (N(sx) < 0 || N(sx) > W - 1 || N(sy) < 0 || N(sy) > H - 1) continue;
            int x0 = (int)sx, y0 = (int)sy;
            double fx = sx - x0, fy = sy - y0;
            auto blend = [&](int p0, int p1, int p2, int p3) {
                int v = (int)(p0 + fx * (p1 - p0) + fy * (p2 - p0) + fx * fy * (p3 + p0 - p1 - p2));
                return v < 0 ? 0 : (v > 255 ? 255 : v);
            };
            uint32_t px = 0;
            if (colour) {
                int r[4], g[4], b[4];
                g_VmsStore.GetQuadRgb(src, x0, y0, r, g, b);
                px = Rgb(blend(r[0], r[1], r[2], r[3]), blend(g[0], g[1], g[2], g[3]), blend(b[0], b[1], b[2], b[3]));
            } else {
                int q[4];
                g_VmsStore.GetQuad(src, x0, y0, q);
                px = (uint32_t)blend(q[0], q[1], q[2], q[3]);
            }
            o.px[(size_t)(v - minY) * o.width + (u - minX)] = px;
        }
    return o;
}

TEST(FreeTurn, MatchesThePixelByPixelTurn) {
    const double angles[] = {17, -17, 45, 90.5, 133.25, 200, -301, 0};
    for (auto size : {std::pair<int, int>{31, 20}, {20, 31}, {16, 16}, {7, 2}}) {
        Picture p = NoisePicture(size.first, size.second, 77);
        Owned colour(MakeImage32(p));
        std::vector<uint8_t> bytes(p.px.size());
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (uint8_t)(p.px[i] >> 8);
        Owned grey(MakeImage8(size.first, size.second, bytes));
        for (double a : angles) {
            Owned out(c_Dib::RotateFree32(colour.get(), a));
            ASSERT_NE(out.get(), nullptr);
            Picture want = ReferenceFreeTurn(colour.get(), a, true);
            ASSERT_EQ(out->width, want.width) << a;
            ASSERT_EQ(out->height, want.height) << a;
            EXPECT_EQ(Read32(out.get()).px, want.px) << "angle " << a << " size " << size.first << "x" << size.second;
            Owned out8(c_Dib::RotateFree8(grey.get(), a));
            ASSERT_NE(out8.get(), nullptr);
            Picture want8 = ReferenceFreeTurn(grey.get(), a, false);
            std::vector<uint8_t> w8(want8.px.begin(), want8.px.end());
            EXPECT_EQ(Read8(out8.get()), w8) << "angle " << a << " (8 bits)";
            int rw, rh;
            ASSERT_EQ(c_Dib::GetRotatedSize(colour.get(), (int)a, &rw, &rh), 1);
            if (a == (int)a) {
                EXPECT_EQ(rw, out->width) << "size reported for " << a;
                EXPECT_EQ(rh, out->height) << "size reported for " << a;
            }
        }
        EXPECT_EQ(Read32(colour.get()).px, p.px) << "the source was written";
    }
}

TEST(FreeTurn, LargePicturesAcrossManyTiles) {
    Picture p = NoisePicture(613, 287, 5);
    Owned colour(MakeImage32(p));
    std::vector<uint8_t> bytes(p.px.size());
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (uint8_t)p.px[i];
    Owned grey(MakeImage8(613, 287, bytes));
    for (double a : {17.0, -128.5}) {
        Owned out(c_Dib::RotateFree32(colour.get(), a));
        ASSERT_NE(out.get(), nullptr);
        EXPECT_EQ(Read32(out.get()).px, ReferenceFreeTurn(colour.get(), a, true).px) << a;
        Owned out8(c_Dib::RotateFree8(grey.get(), a));
        ASSERT_NE(out8.get(), nullptr);
        Picture want8 = ReferenceFreeTurn(grey.get(), a, false);
        EXPECT_EQ(Read8(out8.get()), std::vector<uint8_t>(want8.px.begin(), want8.px.end())) << a;
    }
}

TEST(FreeTurn, ZeroDegreesIsOneSmallerAndCornersKeepTheBackground) {
    Picture p;
    p.width = 100; p.height = 100;
    p.px.assign(10000, Rgb(10, 20, 30));
    Owned src(MakeImage32(p));
    Owned same(c_Dib::RotateFree32(src.get(), 0));
    ASSERT_NE(same.get(), nullptr);
    EXPECT_EQ(same->width, 99);
    EXPECT_EQ(same->height, 99);
    Owned turned(c_Dib::RotateFree32(src.get(), 30));
    Picture got = Read32(turned.get());
    EXPECT_EQ(got.at(0, 0), 0xFFFFFFu);
    EXPECT_EQ(got.at(got.width / 2, got.height / 2), Rgb(10, 20, 30));
    Owned grey(MakeImage8(100, 100, std::vector<uint8_t>(10000, 77)));
    Owned turned8(c_Dib::RotateFree8(grey.get(), 30));
    std::vector<uint8_t> g = Read8(turned8.get());
    EXPECT_EQ(g[0], 0);
    EXPECT_EQ(g[(size_t)(turned8->height / 2) * turned8->width + turned8->width / 2], 77);
}

TEST(FreeTurn, ReportedSizeForEveryWholeAngle) {
    for (auto size : {std::pair<int, int>{5, 3}, {6, 4}, {101, 37}}) {
        Owned src(g_VmsStore.Create(size.first, size.second, 32, 0, 1));
        for (int a = -360; a <= 360; a += 7) {
            int w, h;
            c_Dib::GetRotatedSize(src.get(), a, &w, &h);
            Owned out(c_Dib::RotateDegrees(src.get(), a));
            ASSERT_NE(out.get(), nullptr);
            EXPECT_EQ(w, out->width) << a;
            EXPECT_EQ(h, out->height) << a;
        }
    }
}

TEST(Crop, OrderedAndClipped) {
    std::vector<uint8_t> v = NoiseBytes(12 * 8, 3);
    Owned src(MakeImage8(12, 8, v));
    Owned a(c_Dib::Crop(src.get(), 10, 5, 2, 1));
    Owned b(c_Dib::Crop(src.get(), 2, 1, 10, 5));
    ASSERT_NE(a.get(), nullptr);
    EXPECT_EQ(a->width, 9);
    EXPECT_EQ(a->height, 5);
    EXPECT_EQ(Read8(a.get()), Read8(b.get()));
    EXPECT_EQ(Read8(a.get())[0], v[1 * 12 + 2]);
    // Pixels outside the source are black.
    Picture p = NoisePicture(4, 4, 8);
    Owned c(MakeImage32(p));
    Owned d(c_Dib::Crop(c.get(), 2, 2, 5, 5));
    Picture got = Read32(d.get());
    EXPECT_EQ(got.at(0, 0), p.at(2, 2));
    EXPECT_EQ(got.at(2, 0), 0u);
    EXPECT_EQ(got.at(0, 2), 0u);
}

TEST(FlipMirror, InPlace) {
    Picture p = NoisePicture(5, 3, 12);
    Owned im(MakeImage32(p));
    ASSERT_EQ(c_Dib::FlipVertical(im.get()), 1);
    Picture f = Read32(im.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(f.at(x, y), p.at(x, 2 - y));
    ASSERT_EQ(c_Dib::MirrorHorizontal32(im.get()), 1);
    Picture m = Read32(im.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(m.at(x, y), p.at(4 - x, 2 - y));
    std::vector<uint8_t> v = NoiseBytes(6, 1);
    Owned g(MakeImage8(3, 2, v));
    EXPECT_EQ(c_Dib::MirrorHorizontal32(g.get()), 0);
    EXPECT_EQ(Read8(g.get()), v);
    ASSERT_EQ(c_Dib::MirrorHorizontal8(g.get()), 1);
    EXPECT_EQ(Read8(g.get()), (std::vector<uint8_t>{v[2], v[1], v[0], v[5], v[4], v[3]}));
}

}  // namespace
