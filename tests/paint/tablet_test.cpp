// Tablet pressure: the curve and the pressure options as tables, packets of the
// test tablet (a wintab32.dll that replays a script, installed in the test
// prefix) scaled and checked, and a scripted stroke whose dabs grow with the
// pressure.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/pen_colour.h"
#include "image/product_table.h"
#include "paint/pen_tip.h"
#include "paint/stroke.h"
#include "paint/tablet.h"
#include "paint_fixture.h"
#include "test_support.h"
#include "ui/mousepoll.h"

using namespace painttest;

namespace {

// A script file for the test tablet, named in DARNA_WINTAB_SCRIPT while alive;
// the tablet is opened on a window of our own and closed at the end.
struct ScriptedTablet {
    testsupport::TempDir dir{"tab"};
    HWND window = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    explicit ScriptedTablet(const std::string& text) {
        std::string path = dir.File("stroke.txt");
        testsupport::WriteFileBytes(path, text.data(), text.size());
        SetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", path.c_str());
    }
    ~ScriptedTablet() {
        c_Tablet::Close();
        SetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", nullptr);
        DestroyWindow(window);
    }
};

std::string Packet(int buttons, int pressure, int altitude = 600) {
    char line[96];
    std::snprintf(line, sizeof line, "1 %d 0 0 %d 0 0 %d\n", buttons, pressure, altitude);
    return line;
}

// The pen put back after a test; the tip planes stay the tip builder's.
struct SavedPen {
    PenState pen = Pen;
    int opacity = PenOpacity;
    ~SavedPen() {
        DibImage* planes[2] = {Pen.tip.planes[0], Pen.tip.planes[1]};
        Pen = pen;
        Pen.tip.planes[0] = planes[0];
        Pen.tip.planes[1] = planes[1];
        PenOpacity = opacity;
        c_PenTip::TipChanged();
    }
};

}  // namespace

TEST(TabletPressure, CurveFollowsItsMiddlePoint) {
    struct Case {
        int point, pressure, effect;
    } cases[] = {{70, 128, 70}, {70, 0, 0}, {70, 255, 255}, {140, 128, 140}, {16, 128, 16}, {500, 128, 200}};
    for (const Case& c : cases) {
        PressureCurvePoint = c.point;
        BuildPressureCurve();
        EXPECT_NEAR(c.effect, PressureCurve[c.pressure], 1) << c.point << " " << c.pressure;
    }
    PressureCurvePoint = 70;
    BuildPressureCurve();
}

TEST(TabletPressure, OptionsChangeThePenForOneSample) {
    SetPen(0, 0, 0, 6.0, 0);
    BuildProductTable();
    BuildPressureCurve();
    struct Case {
        TabletOptions options;
        int pressure, opacity, density;
        double radius;
    } cases[] = {
        {{1, 0, 0, 0}, 255, 200, 255, 6.0},                          // full pressure keeps the opacity
        {{1, 0, 0, 0}, 128, 55, 255, 6.0},                           // 200 x 70 / 255
        {{0, 1, 0, 0}, 128, 200, 70, 6.0},
        {{0, 0, 1, 0}, 0, 0, 255, 0.5},                              // no pressure: the smallest tip
        {{0, 0, 1, 0}, 128, 55, 255, 128 * 6.0 / 255},
        {{0, 0, 0, 0}, 10, 200, 255, 6.0},
        {{1, 0, 0, 0}, 400, 200, 255, 6.0},                          // clamped to 255
    };
    for (const Case& c : cases) {
        SavedPen saved;
        PenOpacity = 200;
        Pen.density = 255;
        ApplyPressureToPen(c.pressure, c.options);
        EXPECT_EQ(c.opacity, PenOpacity) << c.pressure;
        EXPECT_EQ(c.density, Pen.density) << c.pressure;
        EXPECT_DOUBLE_EQ(c.radius, Pen.tip.hRadius) << c.pressure;
    }
    BuildPenTip(0, 0);
}

TEST(TabletPackets, ScaledKeptAndReleased) {
    ScriptedTablet tablet("axis 0 1023\n" + Packet(1, 1023) + Packet(1, 512) + Packet(1, 5000) + Packet(0, 700));
    ASSERT_EQ(1, c_Tablet::Open(tablet.window)) << "the test tablet DLL is not installed in the prefix";
    int p = -1, alt = 0, az = 0, tan = 0;
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 1));
    EXPECT_EQ(255, p);
    EXPECT_EQ(600, alt);
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 0));
    EXPECT_EQ(127, p);   // 512 x 255 / 1023
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 0));
    EXPECT_EQ(127, p);   // out of range: the last good value
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 0));
    EXPECT_EQ(0, p);     // pen lifted
    EXPECT_EQ(0, c_Tablet::Poll(&p, &alt, &az, &tan, 0));   // no more packets
}

TEST(TabletPackets, NoScriptMeansNoTablet) {
    SetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", nullptr);
    HWND w = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(0, c_Tablet::Open(w));
    EXPECT_EQ(0, c_Tablet::IsOn());
    DestroyWindow(w);
}

TEST(TabletStroke, DabsGrowWithThePressure) {
    // Pressure rising from light to full along a drag to the right.
    std::string script = "axis 0 1023\n";
    for (int i = 0; i < 60; ++i) script += Packet(1, 100 + i * 15);
    ScriptedTablet tablet(script);
    ASSERT_EQ(1, c_Tablet::Open(tablet.window));
    SavedPen saved;
    TestCanvas t(120, 40);
    SetPen(0, 0, 0, 10.0, 0);
    TabletOptions options = Tablet;
    Tablet = {0, 0, 1, 0};
    std::vector<MouseSample> samples;
    for (int x = 10; x <= 100; x += 2) samples.push_back({x, 20, kSampleLeft});
    samples.push_back({100, 20, 0});
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 20, 0));
    InjectMouseSamples(nullptr, 0);
    Tablet = options;
    auto height = [&](int x) {
        int n = 0;
        for (int y = 0; y < 40; ++y) n += t.Pixel(x, y) != 0x00FFFFFF;
        return n;
    };
    EXPECT_GT(height(14), 0);
    EXPECT_GT(height(90), height(14) + 4);
    EXPECT_GE(height(90), height(50));
}
