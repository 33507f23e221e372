// The new-canvas dialog: paper presets and unit conversions as tables, and the
// real dialog driven in-process through the modal answer hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "canvas/newcanvas_dlg.h"
#include "resources/newcanvas_ids.h"
#include "tests/ui/ui_test_util.h"

TEST(PaperPresets, TableRows) {
    struct Row {
        const char* name;
        float width, height;
        int unit;
    };
    const Row rows[] = {
        {"任意", 0, 0, 2},
        {"B5", 257, 182, 0},
        {"B4", 364, 257, 0},
        {"A4", 297, 210, 0},
        {"ハガキ", 148, 100.9f, 0},
        {"VGA [640 x 480]", 640, 480, 1},
        {"SVGA [800 x 600]", 800, 600, 1},
        {"XGA [1024 x 768]", 1024, 768, 1},
        {"SXGA [1280 x 1024]", 1280, 1024, 1},
        {"リンクバナー [200 x 40]", 200, 40, 1},
        {"リンクバナー [88 x 31]", 88, 31, 1},
        {"Lサイズ", 89, 127, 0},
        {"2Lサイズ", 127, 178, 0},
        {"KGサイズ", 102, 152, 0},
        {"6つ切り", 203, 254, 0},
        {"4つ切り", 254, 305, 0},
        {"名刺", 55, 91, 0},
        {"CDライナー", 121, 120, 0},
        {"パノラマ", 250, 100, 0},
        {"携帯待ち受け[240 x 320]", 240, 320, 1},
        {"-", 0, 0, 0},
    };
    static_assert(sizeof rows / sizeof rows[0] == kPaperPresetCount + 1);
    for (int i = 0; i <= kPaperPresetCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(rows[i].name, PaperPresets[i].name);
        EXPECT_EQ(rows[i].width, PaperPresets[i].width);
        EXPECT_EQ(rows[i].height, PaperPresets[i].height);
        EXPECT_EQ(rows[i].unit, PaperPresets[i].unit);
    }
    // The names are code page 932 bytes: ハ is 0x83 0x6E.
    EXPECT_EQ('\x83', PaperPresets[4].name[0]);
    EXPECT_EQ('\x6E', PaperPresets[4].name[1]);
}

TEST(NewCanvasUnits, ConversionsToPixels) {
    struct Case {
        bool inches;
        float value;
        int dpi;
        int pixels;
    };
    const Case cases[] = {
        {false, 297, 96, 1123},   // A4 at 96 dpi
        {false, 210, 96, 794},
        {false, 148, 96, 559},    // ハガキ
        {false, 100.9f, 96, 381},
        {false, 25.4f, 300, 300},
        {false, 1, 1, 1},
        {false, 1000, 10000, 30000},   // 393,701 pixels: kept to the canvas limit
        {false, 1010, 96, 3817},       // the field reader's mark for bad text
        {false, 0.01f, 96, 1},         // never below 1 pixel
        {false, 100, 0, 1},
        {true, 1, 96, 96},
        {true, 8.5f, 300, 2550},
        {true, 2.5f, 1, 3},            // half a pixel rounds up
        {true, 100, 10000, 30000},
        {true, 1000, 31, 30000},
        {true, 0, 96, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << (c.inches ? " in" : " mm") << " at " << c.dpi);
        EXPECT_EQ(c.pixels, c.inches ? InchesToPixels(c.value, c.dpi) : MillimetresToPixels(c.value, c.dpi));
    }
}

TEST(NewCanvasUnits, PixelsRoundTripThroughMillimetresAndInches) {
    for (int dpi : {1, 72, 96, 150, 300, 350, 600, 1200, 2400, 10000})
        for (int px = 1; px <= 30000; px += (px < 200 ? 1 : 97)) {
            ASSERT_EQ(px, MillimetresToPixels(PixelsToMillimetres(px, dpi), dpi)) << px << " at " << dpi;
            ASSERT_EQ(px, InchesToPixels(PixelsToInches(px, dpi), dpi)) << px << " at " << dpi;
        }
    EXPECT_FLOAT_EQ(25.4f, PixelsToMillimetres(96, 96));
    EXPECT_FLOAT_EQ(2.0f, PixelsToInches(600, 300));
    EXPECT_FLOAT_EQ(10.0f, PixelsToInches(10, 0));   // below 1 dpi counts as 1
}

namespace {

std::string FieldText(HWND dlg, int id) {
    char b[64] = {};
    GetDlgItemTextA(dlg, id, b, sizeof b);
    return b;
}
int ComboIndex(HWND dlg, int id) { return (int)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0); }

// One user action on the live dialog.
struct Step {
    enum Kind { Type, Pick, Click, Spin, Timer } kind;
    int id;
    const char* text = nullptr;   // Type
    int value = 0;                // Pick: index; Spin: SB_LINEUP or SB_LINEDOWN
};
void Do(HWND dlg, const Step& s) {
    switch (s.kind) {
    case Step::Type: SetDlgItemTextA(dlg, s.id, s.text); break;
    case Step::Pick:
        SendDlgItemMessageA(dlg, s.id, CB_SETCURSEL, s.value, 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(s.id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, s.id));
        break;
    case Step::Click:
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, s.id));
        break;
    case Step::Spin:
        SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(s.value, 0), (LPARAM)GetDlgItem(dlg, s.id));
        break;
    case Step::Timer: SendMessageA(dlg, WM_TIMER, 0, 0); break;
    }
}

// What the dialog shows after the steps.
struct Shown {
    std::string width, height, dpi;
    int unit, preset;
};

// Runs the dialog: the steps, then the button. Returns the dialog's result.
int RunDialog(const NewCanvasSize& start, const std::vector<Step>& steps, int button,
              NewCanvasSize* chosen, Shown* shown, std::string* templ = nullptr) {
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        if (templ) *templ = r.templ;
        for (const Step& s : steps) Do(r.dialog, s);
        *shown = Shown{FieldText(r.dialog, IDC_NEWCANV_WIDTH), FieldText(r.dialog, IDC_NEWCANV_HEIGHT),
                       FieldText(r.dialog, IDC_NEWCANV_DPI), ComboIndex(r.dialog, IDC_NEWCANV_UNIT),
                       ComboIndex(r.dialog, IDC_NEWCANV_PRESET)};
        return button;
    });
    return RunNewCanvasDialog(nullptr, start, chosen);
}

constexpr int kUp = SB_LINEUP;

}  // namespace

TEST(NewCanvasDialog, OkHandsBackTheSizeAndCancelNothing) {
    NewCanvasSize chosen = {.width = -1, .height = -1, .dpi = -1};
    Shown shown;
    std::string templ;
    const NewCanvasSize start = {.width = 640, .height = 480, .dpi = 0};
    EXPECT_EQ(1, RunDialog(start, {{Step::Type, IDC_NEWCANV_WIDTH, "800"}}, IDOK, &chosen, &shown, &templ));
    EXPECT_EQ("dra_new", templ);
    EXPECT_EQ("96", shown.dpi);   // no remembered resolution: 96
    EXPECT_EQ(800, chosen.width);
    EXPECT_EQ(480, chosen.height);
    EXPECT_EQ(96, chosen.dpi);

    chosen = {.width = -1, .height = -1, .dpi = -1};
    EXPECT_EQ(0, RunDialog(start, {{Step::Type, IDC_NEWCANV_WIDTH, "900"}}, IDCANCEL, &chosen, &shown));
    EXPECT_EQ(-1, chosen.width);
    EXPECT_EQ(0, RunDialog(start, {}, kModalPressClose, &chosen, &shown));
    EXPECT_EQ(-1, chosen.width);
}

TEST(NewCanvasDialog, ActionsAndWhatTheyGive) {
    struct Case {
        const char* name;
        NewCanvasSize start;
        std::vector<Step> steps;
        Shown shown;
        NewCanvasSize result;
    };
    const NewCanvasSize vga96 = {.width = 640, .height = 480, .dpi = 96};
    const Case cases[] = {
        {"opens in pixels", vga96, {}, {"640", "480", "96", 0, 0}, {640, 480, 96}},
        {"A4 in unit pixel", vga96, {{Step::Pick, IDC_NEWCANV_PRESET, nullptr, 3}},
         {"1123", "794", "96", 0, 3}, {1123, 794, 96}},
        {"A4 in unit mm shows its millimetres", vga96,
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 1}, {Step::Pick, IDC_NEWCANV_PRESET, nullptr, 3}},
         {"297.00", "210.00", "96", 1, 3}, {1123, 794, 96}},
        {"VGA switches mm to pixel", {.width = 100, .height = 100, .dpi = 96},
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 1}, {Step::Pick, IDC_NEWCANV_PRESET, nullptr, 5}},
         {"640", "480", "96", 0, 5}, {640, 480, 96}},
        {"units keep their own numbers", vga96, {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 2}},
         {" 6.67", " 5.00", "96", 2, 0}, {640, 480, 96}},
        {"portrait", {.width = 1123, .height = 794, .dpi = 96}, {{Step::Click, IDC_NEWCANV_PORTRAIT}},
         {"794", "1123", "96", 0, 0}, {794, 1123, 96}},
        {"portrait twice", {.width = 1123, .height = 794, .dpi = 96},
         {{Step::Click, IDC_NEWCANV_PORTRAIT}, {Step::Click, IDC_NEWCANV_PORTRAIT}},
         {"794", "1123", "96", 0, 0}, {794, 1123, 96}},
        {"landscape", {.width = 200, .height = 300, .dpi = 96}, {{Step::Click, IDC_NEWCANV_LANDSCAPE}},
         {"300", "200", "96", 0, 0}, {300, 200, 96}},
        {"typed resolution keeps the pixels", vga96, {{Step::Type, IDC_NEWCANV_DPI, "300"}},
         {"640", "480", "300", 0, 0}, {640, 480, 300}},
        {"stepped resolution in mm moves the pixels", vga96,
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 1}, {Step::Spin, IDC_NEWCANV_DPISPIN, nullptr, kUp}},
         {"169.33", "127.00", "97", 1, 0}, {647, 485, 97}},
        {"stepped width in pixels", vga96, {{Step::Spin, IDC_NEWCANV_WIDTHSPIN, nullptr, SB_LINEDOWN}},
         {"639", "480", "96", 0, 0}, {639, 480, 96}},
        {"stepped width in inch stops at 100", vga96,
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 2}, {Step::Type, IDC_NEWCANV_WIDTH, "100"},
          {Step::Spin, IDC_NEWCANV_WIDTHSPIN, nullptr, kUp}},
         {"100.00", " 5.00", "96", 2, 0}, {9600, 480, 96}},
        {"typed preset size goes back to 任意", vga96,
         {{Step::Pick, IDC_NEWCANV_PRESET, nullptr, 7}, {Step::Type, IDC_NEWCANV_HEIGHT, "700"}},
         {"1024", "700", "96", 0, 0}, {1024, 700, 96}},
        {"quick button ハガキ", vga96, {{Step::Click, 501}}, {"559", "381", "96", 0, 4}, {559, 381, 96}},
        {"quick button 携帯待ち受け", vga96, {{Step::Click, 503}}, {"240", "320", "96", 0, 19}, {240, 320, 96}},
        {"typed pixels are clamped and rewritten", vga96,
         {{Step::Type, IDC_NEWCANV_WIDTH, "99999"}, {Step::Type, IDC_NEWCANV_HEIGHT, ""}, {Step::Timer, 0}},
         {"30000", "1", "96", 0, 0}, {30000, 1, 96}},
        {"millimetres beyond the canvas limit", vga96,
         {{Step::Type, IDC_NEWCANV_DPI, "10000"}, {Step::Pick, IDC_NEWCANV_UNIT, nullptr, 1},
          {Step::Type, IDC_NEWCANV_WIDTH, "1000"}},
         {"1000", "127.00", "10000", 1, 0}, {30000, 480, 10000}},
        {"inches beyond the canvas limit", vga96,
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 2}, {Step::Type, IDC_NEWCANV_HEIGHT, "900"}},
         {" 6.67", "900", "96", 2, 0}, {640, 30000, 96}},
        {"millimetre text that is no number", vga96,
         {{Step::Pick, IDC_NEWCANV_UNIT, nullptr, 1}, {Step::Type, IDC_NEWCANV_WIDTH, "abc"}},
         {"abc", "127.00", "96", 1, 0}, {3817, 480, 96}},
        {"resolution rewritten in its canonical form", vga96,
         {{Step::Type, IDC_NEWCANV_DPI, "0300"}, {Step::Timer, 0}}, {"640", "480", "300", 0, 0}, {640, 480, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewCanvasSize chosen = {};
        Shown shown;
        ASSERT_EQ(1, RunDialog(c.start, c.steps, IDOK, &chosen, &shown));
        EXPECT_EQ(c.shown.width, shown.width);
        EXPECT_EQ(c.shown.height, shown.height);
        EXPECT_EQ(c.shown.dpi, shown.dpi);
        EXPECT_EQ(c.shown.unit, shown.unit);
        EXPECT_EQ(c.shown.preset, shown.preset);
        EXPECT_EQ(c.result.width, chosen.width);
        EXPECT_EQ(c.result.height, chosen.height);
        EXPECT_EQ(c.result.dpi, chosen.dpi);
    }
}
