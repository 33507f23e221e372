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
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stroke.h"
#include "paint/tablet.h"
#include "paint_fixture.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

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

namespace {
// The test tablet's record of the enabling calls since the last read.
std::string EnablingCalls() {
    auto info = (UINT(WINAPI*)(UINT, UINT, LPVOID))(void*)GetProcAddress(GetModuleHandleA("wintab32.dll"), "WTInfoA");
    char calls[64] = {};
    if (info) info(9999, 0, calls);
    return calls;
}
}  // namespace

TEST(TabletPackets, EnableBringsTheContextToTheTopAndTheVersionIsRead) {
    {
        ScriptedTablet tablet(Packet(1, 500));
        ASSERT_EQ(1, c_Tablet::Open(tablet.window));
        EnablingCalls();
        EXPECT_EQ(1, c_Tablet::Enable(1));
        EXPECT_EQ("OE", EnablingCalls());
        EXPECT_EQ(1, c_Tablet::Enable(0));
        EXPECT_EQ("D", EnablingCalls());
        int major = -1, minor = -1;
        ASSERT_EQ(1, c_Tablet::SpecVersion(&major, &minor));
        EXPECT_EQ(1, major);
        EXPECT_EQ(4, minor);
    }
    // Closed, neither reaches a driver.
    int major = -1, minor = -1;
    EXPECT_EQ(0, c_Tablet::Enable(1));
    EXPECT_EQ(0, c_Tablet::SpecVersion(&major, &minor));
    EXPECT_EQ(-1, major);
}

// A driver's library without WTQueueSizeSet: the message, then a working tablet.
TEST(TabletPackets, LibraryWithoutQueueSizeSaysSoAndStillWorks) {
    const std::string path = testsupport::ExeFolder() + "..\\testdll\\noqueue\\wintab32.dll";
    // Loaded first, it is the library that the tablet's load by name finds.
    HMODULE older = LoadLibraryA(path.c_str());
    ASSERT_NE(nullptr, older) << path;
    ASSERT_EQ(nullptr, (void*)GetProcAddress(older, "WTQueueSizeSet"));
    struct Seen {
        std::vector<std::string> boxes;
    } seen;
    SetModalAnswerHook(
        [](const ModalRequest& r, void* user) {
            if (r.kind >= 0) ((Seen*)user)->boxes.push_back(std::string(r.caption) + ": " + r.text);
            return (int)IDOK;
        },
        &seen);
    {
        ScriptedTablet tablet(Packet(1, 1023));
        EXPECT_EQ(1, c_Tablet::Open(tablet.window));
        int p = -1, alt = 0, az = 0, tan = 0;
        EXPECT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 1));
        EXPECT_EQ(255, p);
    }
    SetModalAnswerHook(nullptr, nullptr);
    FreeLibrary(older);
    EXPECT_EQ(std::vector<std::string>{"test: error1"}, seen.boxes);
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

namespace {

// The frame's side of the tablet pen's tool switch: the button pressed is
// logged and the tool chosen as the frame would choose it.
struct ToolButtons {
    static inline std::vector<int> pressed;
    static inline PenCanvas* canvas;
    static void Press(int command) {
        pressed.push_back(command);
        c_PenWriter::ToolSelected(command, 0, canvas);
    }
    explicit ToolButtons(PenCanvas* c) {
        pressed.clear();
        canvas = c;
        PressToolButtonHook = Press;
        ResetTabletEraserEnd();
        c_PenWriter::ToolSelected(kToolPen, 0, c);
    }
    ~ToolButtons() {
        PressToolButtonHook = nullptr;
        ResetTabletEraserEnd();
        c_PenWriter::FreeBrushImages(1, 0);
        Pen.tool = kToolPen;
        Pen.drawingMode = ModeColour;
    }
};

// Packets of the pen end (cursor 1, upright) or the eraser end (cursor 2,
// turned over) at a pressure of 0..1023.
std::string EndPacket(bool eraser, int pressure) {
    return eraser ? "2 1 0 0 " + std::to_string(pressure) + " 0 0 -600\n"
                  : "1 1 0 0 " + std::to_string(pressure) + " 0 0 600\n";
}

// A drag to the right along row y, one mouse sample per packet (each pass of
// a stroke reads one), ending with the button up.
void InjectDrag(int x0, int step, int count, int y) {
    static std::vector<MouseSample> samples;
    samples.clear();
    for (int i = 0; i < count; ++i) samples.push_back({x0 + i * step, y, kSampleLeft});
    samples.push_back({x0 + (count - 1) * step, y, 0});
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
}

// Pixels of column x of a plane that differ from white.
int PaintedHeight(TestCanvas& t, int x, int plane = 0) {
    int n = 0;
    for (int y = 0; y < t.view.height; ++y) n += t.Pixel(x, y, plane) != 0x00FFFFFFu;
    return n;
}

// The pen record the tablet strokes build their tip from at the end: a soft
// round tip of radius 3.
struct RoundPenRecord {
    PenRecord saved = PenRecords[0];
    RoundPenRecord() {
        PenRecords[0] = PenRecord{.halfWidth = 3.0, .halfHeight = 3.0, .tipKind = 1};
        Pen.penRecord = 0;
    }
    ~RoundPenRecord() { PenRecords[0] = saved; }
};

struct TabletOptionsScope {
    TabletOptions saved = Tablet;
    explicit TabletOptionsScope(TabletOptions options) { Tablet = options; }
    ~TabletOptionsScope() { Tablet = saved; }
};

}  // namespace

TEST(TabletEraserEnd, TheToolFollowsTheEndOfThePen) {
    struct Case {
        const char* name;
        std::vector<bool> ends;   // eraser end down, packet by packet
        std::vector<int> pressed;
        int tool;
    } cases[] = {
        {"pen end only", {false, false, false}, {}, kToolPen},
        {"eraser end", {true, true, true}, {kToolSnapshot}, kToolSnapshot},
        {"turned over and back", {false, true, true, false, false}, {kToolSnapshot, kToolPen}, kToolPen},
    };
    for (const Case& c : cases) {
        std::string script;
        for (bool eraser : c.ends) script += EndPacket(eraser, 800);
        ScriptedTablet tablet(script);
        ASSERT_EQ(1, c_Tablet::Open(tablet.window));
        SavedPen saved;
        TestCanvas t(60, 20);
        SetPen(0, 0, 0, 3.0, 15);
        ToolButtons buttons(&t.view);
        InjectDrag(10, 4, (int)c.ends.size(), 10);
        EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 10, 0)) << c.name;
        InjectMouseSamples(nullptr, 0);
        EXPECT_EQ(c.pressed, ToolButtons::pressed) << c.name;
        EXPECT_EQ(c.tool, Pen.tool) << c.name;
        EXPECT_EQ(c.tool == kToolSnapshot, TabletEraserEndActive() != 0) << c.name;
    }
}

TEST(TabletEraserEnd, ErasesTheTransparencyAndThePenEndPaintsAgain) {
    TestCanvas t(60, 30);
    SavedPen saved;
    SetPen(0, 0, 0, 3.0, 15);
    RoundPenRecord record;
    TabletOptionsScope options({0, 0, 0, 0});
    ToolButtons buttons(&t.view);
    {
        std::string script;
        for (int i = 0; i < 10; ++i) script += EndPacket(true, 1023);
        ScriptedTablet tablet(script);
        ASSERT_EQ(1, c_Tablet::Open(tablet.window));
        InjectDrag(10, 4, 10, 10);
        EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 10, 0));
        InjectMouseSamples(nullptr, 0);
    }
    EXPECT_EQ(ModeEraser, Pen.drawingMode);
    EXPECT_LT(t.Value(30, 10, 1), 30);              // transparency cleared under the path
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(30, 10));        // the colour left alone
    EXPECT_EQ(255, t.Value(30, 20, 1));
    {
        std::string script;
        for (int i = 0; i < 10; ++i) script += EndPacket(false, 1023);
        ScriptedTablet tablet(script);
        ASSERT_EQ(1, c_Tablet::Open(tablet.window));
        InjectDrag(10, 4, 10, 22);
        EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 22, 0));
        InjectMouseSamples(nullptr, 0);
    }
    EXPECT_EQ((std::vector<int>{kToolSnapshot, kToolPen}), ToolButtons::pressed);
    EXPECT_EQ(ModeColour, Pen.drawingMode);
    EXPECT_EQ(0u, t.Pixel(30, 22));                 // the pen's black again
    EXPECT_LT(t.Value(30, 10, 1), 30);              // the erased row stays erased
}

TEST(TabletStroke, EdgePenDabsGrowWithThePressureOnBothStrokeLayers) {
    std::string script = "axis 0 1023\ninterval 2\n";
    for (int i = 0; i < 46; ++i) script += Packet(1, 60 + i * 21);
    ScriptedTablet tablet(script);
    ASSERT_EQ(1, c_Tablet::Open(tablet.window));
    SavedPen saved;
    TestCanvas t(120, 40, 3);
    ResetPenState();
    SetPenColour(0, 0, 0, 255);
    PenRecord record = PenRecords[7];
    PenRecords[7] = PenRecord{.halfWidth = 10.0, .halfHeight = 10.0, .tipKind = 4, .edgeColour = {255, 0, 0, 0},
                              .innerFactor = 5.0};
    Pen.penRecord = 7;
    Pen.tool = kToolPen;
    BuildPenTip(0, 1);
    t.planes[8].layerType = LayerTypeStrokeTarget;
    t.planes[16].layerType = LayerTypeStroke;
    TabletOptionsScope options({0, 0, 1, 0});
    InjectDrag(10, 2, 46, 20);
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 20, 0));
    InjectMouseSamples(nullptr, 0);
    // Light pressure at column 30, nearly full at column 90.
    for (int plane : {8, 16}) {
        EXPECT_GT(PaintedHeight(t, 30, plane), 0) << plane;
        EXPECT_GT(PaintedHeight(t, 90, plane), PaintedHeight(t, 30, plane) + 4) << plane;
    }
    EXPECT_EQ(0, PaintedHeight(t, 50, 0));   // the current layer is not painted
    EXPECT_EQ(10.0, Pen.tip.hRadius);        // the record's tip is back
    EXPECT_EQ(1, t.savePoints);
    PenRecords[7] = record;
    BuildPenTip(0, 1);
}

TEST(TabletStroke, ImageBrushDabsGrowWithThePressure) {
    std::string script = "axis 0 1023\ninterval 2\n";
    for (int i = 0; i < 46; ++i) script += Packet(1, 60 + i * 21);
    ScriptedTablet tablet(script);
    ASSERT_EQ(1, c_Tablet::Open(tablet.window));
    SavedPen saved;
    TestCanvas t(120, 40);
    SetPen(0, 0, 0, 10.0, 15);
    Pen.brushImages[0] = g_VmsStore.Create(8, 8, 32, 0, 1);
    std::vector<uint32_t> red(8, MakeWord(255, 0, 0));
    for (int y = 0; y < 8; ++y) g_VmsStore.PutRow(Pen.brushImages[0], y, 0, 7, red.data());
    TabletOptionsScope options({0, 0, 1, 0});
    InjectDrag(10, 2, 46, 20);
    EXPECT_EQ(1, RunImageBrushStroke(&t.view, 10, 20, 0, 0, 0));
    InjectMouseSamples(nullptr, 0);
    uint32_t middle = t.Pixel(50, 20);   // the brush image's red, half pressed
    EXPECT_EQ(255, WordR(middle));
    EXPECT_LT(WordG(middle), 255);
    EXPECT_EQ(WordG(middle), WordB(middle));
    EXPECT_GT(PaintedHeight(t, 30), 0);
    EXPECT_GT(PaintedHeight(t, 90), PaintedHeight(t, 30) + 4);
    EXPECT_EQ(10.0, Pen.tip.hRadius);
    EXPECT_EQ(22, c_PenTip::GetSize());   // the tip of the pen's own size again
    c_PenWriter::FreeBrushImages(1, 0);
}

TEST(TabletStroke, ImageBrushUnderTheEraserEndClearsTheTransparency) {
    struct Case {
        const char* name;
        int mode;            // the drawing mode the stroke begins in
        bool eraser[3];      // eraser end down in each third of the path
    } cases[] = {
        {"pen end", ModeColour, {false, false, false}},
        {"begun with the eraser end", ModeColour, {true, false, false}},   // erases the whole way
        {"turned over halfway", ModeColour, {false, true, true}},
        // Back on the pen end a blur stays a blur (of white: nothing shows).
        {"blur turned over and back", ModeBlur, {false, true, false}},
    };
    for (const Case& c : cases) {
        std::string script = "interval 2\n";
        for (int i = 0; i < 20; ++i) script += EndPacket(c.eraser[i < 7 ? 0 : i < 14 ? 1 : 2], 1023);
        ScriptedTablet tablet(script);
        ASSERT_EQ(1, c_Tablet::Open(tablet.window));
        SavedPen saved;
        TestCanvas t(100, 20);
        SetPen(0, 0, 0, 3.0, 15);
        Pen.brushImages[0] = g_VmsStore.Create(4, 4, 32, 0, 1);
        std::vector<uint32_t> red(4, MakeWord(255, 0, 0));
        for (int y = 0; y < 4; ++y) g_VmsStore.PutRow(Pen.brushImages[0], y, 0, 3, red.data());
        Pen.drawingMode = c.mode;
        TabletOptionsScope options({0, 0, 0, 0});
        InjectDrag(10, 4, 20, 10);
        EXPECT_EQ(1, RunImageBrushStroke(&t.view, 10, 10, 0, 0, 0)) << c.name;
        InjectMouseSamples(nullptr, 0);
        // Columns 22, 50 and 78 lie in the three thirds of the path.
        bool wholeStroke = c.eraser[0];
        for (int third = 0; third < 3; ++third) {
            int x = 22 + 28 * third;
            if (wholeStroke || c.eraser[third]) {
                EXPECT_LT(t.Value(x, 10, 1), 30) << c.name << " " << x;
                EXPECT_EQ(0x00FFFFFFu, t.Pixel(x, 10)) << c.name << " " << x;
            } else {
                EXPECT_EQ(255, t.Value(x, 10, 1)) << c.name << " " << x;
                EXPECT_EQ(c.mode == ModeColour ? MakeWord(255, 0, 0) : 0x00FFFFFFu, t.Pixel(x, 10))
                    << c.name << " " << x;
            }
        }
        EXPECT_EQ(c.mode, Pen.drawingMode) << c.name;   // the mode of the start again
        c_PenWriter::FreeBrushImages(1, 0);
    }
}
