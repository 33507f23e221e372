// Colour-model conversions.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/colour_model.h"

namespace {

TEST(ColourModels, Examples) {
    int h, s, v, l, r, g, b, c, m, y, k;
    ConvertRgbToHsv(200, 100, 50, &h, &s, &v, 0);
    EXPECT_EQ(h, 20); EXPECT_EQ(s, 191); EXPECT_EQ(v, 200);
    ConvertHsvToRgb(20, 191, 200, &r, &g, &b, 0);
    EXPECT_EQ(r, 200); EXPECT_EQ(g, 100); EXPECT_EQ(b, 50);
    ConvertRgbToHls(200, 100, 50, &h, &l, &s, 0);
    EXPECT_EQ(h, 20); EXPECT_EQ(l, 125); EXPECT_EQ(s, 153);
    ConvertHlsToRgb(20, 125, 153, &r, &g, &b, 0);
    EXPECT_EQ(r, 200); EXPECT_EQ(g, 100); EXPECT_EQ(b, 50);
    ConvertRgbToHls(255, 0, 0, &h, &l, &s, 0);
    EXPECT_EQ(h, 0); EXPECT_EQ(l, 127); EXPECT_EQ(s, 255);
    ConvertHlsToRgb(0, 127, 255, &r, &g, &b, 0);
    EXPECT_EQ(r, 254); EXPECT_EQ(g, 0); EXPECT_EQ(b, 0);
    ConvertRgbToHsv(128, 128, 128, &h, &s, &v, 0);
    EXPECT_EQ(h, 0); EXPECT_EQ(s, 0); EXPECT_EQ(v, 128);
    ConvertRgbToHls(128, 128, 128, &h, &l, &s, 0);
    EXPECT_EQ(h, 0); EXPECT_EQ(l, 128); EXPECT_EQ(s, 0);
    struct { int r, g, b, c, m, y, r2, g2, b2; } inks[] = {
        {0, 255, 0, 255, 0, 255, 0, 192, 0},
        {0, 0, 255, 255, 255, 0, 0, 0, 176},
        {255, 255, 255, 0, 0, 0, 255, 255, 255},
        {0, 0, 0, 255, 255, 255, 0, 0, 0},
    };
    for (auto& i : inks) {
        ConvertRgbToCmy(i.r, i.g, i.b, &c, &m, &y);
        EXPECT_EQ(c, i.c); EXPECT_EQ(m, i.m); EXPECT_EQ(y, i.y);
        ConvertCmyToRgb(c, m, y, &r, &g, &b);
        EXPECT_EQ(r, i.r2); EXPECT_EQ(g, i.g2); EXPECT_EQ(b, i.b2);
    }
    ConvertRgbToCmy(200, 100, 50, &c, &m, &y);
    EXPECT_EQ(c, 55); EXPECT_EQ(m, 150); EXPECT_EQ(y, 194);
    ConvertRgbToCmyk(200, 100, 50, &c, &m, &y, &k);
    EXPECT_EQ(k, 55); EXPECT_EQ(c, 0); EXPECT_EQ(m, 95); EXPECT_EQ(y, 139);
    // Scaled hues.
    ConvertHsvToRgb(255, 255, 255, &r, &g, &b, 1);   // 359 degrees
    EXPECT_EQ(r, 255); EXPECT_EQ(g, 0); EXPECT_EQ(b, 5);
    ConvertRgbToHsv(200, 100, 50, &h, &s, &v, 1);
    EXPECT_EQ(h, 20 * 255 / 359);
}

// Over the whole RGB cube: ranges, the defining values, and round trips that
// come back within the rounding of the integer arithmetic.
TEST(ColourModels, WholeCubeProperties) {
    int worstHsv = 0, worstHls = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                int h, s, v, l, r2, g2, b2, c, m, y, k;
                int mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
                ConvertRgbToHsv(r, g, b, &h, &s, &v, 0);
                ASSERT_TRUE(h >= 0 && h < 360 && s >= 0 && s <= 255) << r << "," << g << "," << b;
                ASSERT_EQ(v, mx);
                ASSERT_EQ(s == 0, mx == mn);
                ConvertHsvToRgb(h, s, v, &r2, &g2, &b2, 0);
                worstHsv = std::max(worstHsv, std::max(std::abs(r - r2), std::max(std::abs(g - g2), std::abs(b - b2))));
                ConvertRgbToHls(r, g, b, &h, &l, &s, 0);
                ASSERT_TRUE(h >= 0 && h < 360 && s >= 0 && s <= 255) << r << "," << g << "," << b;
                ASSERT_EQ(l, (mx + mn) / 2);
                ConvertHlsToRgb(h, l, s, &r2, &g2, &b2, 0);
                ASSERT_TRUE(r2 >= 0 && r2 <= 255 && g2 >= 0 && g2 <= 255 && b2 >= 0 && b2 <= 255);
                worstHls = std::max(worstHls, std::max(std::abs(r - r2), std::max(std::abs(g - g2), std::abs(b - b2))));
                ConvertRgbToCmy(r, g, b, &c, &m, &y);
                ASSERT_EQ(c, 255 - r);
                ASSERT_TRUE(m >= 0 && m <= 255 && y >= 0 && y <= 255);
                ConvertCmyToRgb(c, m, y, &r2, &g2, &b2);
                ASSERT_EQ(r2, r);
                ASSERT_LE(g2, g);   // inks only ever darken
                ASSERT_LE(b2, b + 1);
                ConvertRgbToCmyk(r, g, b, &c, &m, &y, &k);
                ASSERT_EQ(std::min(c, std::min(m, y)), 0);
            }
    EXPECT_LE(worstHsv, 6);
    EXPECT_LE(worstHls, 6);
}

TEST(ColourModels, SyncKeepsTheChangedModel) {
    ColourModels c = {};
    c.hsvHue = 20; c.hsvSaturation = 191; c.hsvValue = 200;
    SyncColourModels(&c, 2);
    EXPECT_EQ(c.red, 200); EXPECT_EQ(c.green, 100); EXPECT_EQ(c.blue, 50);
    EXPECT_EQ(c.cyan, 55); EXPECT_EQ(c.hlsHue, 20); EXPECT_EQ(c.hlsLightness, 125);
    c.hlsHue = 0; c.hlsLightness = 127; c.hlsSaturation = 255;
    SyncColourModels(&c, 3);
    EXPECT_EQ(c.red, 254);
    EXPECT_EQ(c.hlsLightness, 127);   // kept as given
    EXPECT_EQ(c.hsvValue, 254);
}

}  // namespace
