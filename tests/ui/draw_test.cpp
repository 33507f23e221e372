// Drawing functions on a 32-bit DIB section: inverting figures, panels, buttons
// and fitted text.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "ui/drawutil.h"
#include "tests/ui/ui_test_util.h"

namespace {

using Canvas = DibCanvas;

int Differences(const std::vector<unsigned>& a, const std::vector<unsigned>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return n;
}

}  // namespace

TEST(Draw, InvertingFiguresDrawnTwiceRestoreThePixels) {
    struct Case {
        const char* name;
        std::function<void(HDC)> draw;
    };
    const Case cases[] = {
        {"DrawXorRect", [](HDC dc) { DrawXorRect(dc, 5, 6, 40, 30); }},
        {"DrawXorRect reversed", [](HDC dc) { DrawXorRect(dc, 40, 30, 5, 6); }},
        {"DrawXorColourRect", [](HDC dc) { DrawXorColourRect(dc, 3, 3, 50, 44, RGB(200, 30, 90)); }},
        {"DrawXorRectFrame", [](HDC dc) { DrawXorRectFrame(dc, 2, 2, 60, 50, 3); }},
        {"DrawXorStyledRect", [](HDC dc) { DrawXorStyledRect(dc, 4, 8, 55, 40, PS_DOT); }},
        {"DrawXorStyledRectFrame", [](HDC dc) { DrawXorStyledRectFrame(dc, 1, 1, 62, 62, 2, PS_DASH); }},
        {"DrawXorDotLine", [](HDC dc) { DrawXorDotLine(dc, 0, 0, 63, 40); }},
        {"DrawXorStyledLine", [](HDC dc) { DrawXorStyledLine(dc, 10, 60, 60, 2, PS_SOLID, RGB(1, 2, 3)); }},
        {"DrawXorEllipse", [](HDC dc) { DrawXorEllipse(dc, 4, 4, 58, 40); }},
    };
    Canvas c(64, 64);
    for (const Case& k : cases) {
        c.Noise();
        auto before = c.Snapshot();
        k.draw(c.dc);
        auto once = c.Snapshot();
        EXPECT_GT(Differences(before, once), 0) << k.name << " drew nothing";
        k.draw(c.dc);
        EXPECT_EQ(0, Differences(before, c.Snapshot())) << k.name;
        EXPECT_EQ(R2_COPYPEN, GetROP2(c.dc)) << k.name;
    }
}

TEST(Draw, DottedLineInvertsOnlyItsDots) {
    Canvas c(64, 8);
    c.Clear(RGB(10, 20, 30));
    DrawXorDotLine(c.dc, 0, 2, 60, 2);
    int inverted = 0, kept = 0;
    for (int x = 0; x < 60; ++x) {
        COLORREF p = c.At(x, 2);
        if (p == RGB(245, 235, 225)) ++inverted;
        else if (p == RGB(10, 20, 30)) ++kept;
    }
    EXPECT_GT(inverted, 10);
    EXPECT_GT(kept, 10);
    EXPECT_EQ(60, inverted + kept);
}

TEST(Draw, RaisedAndSunkenPanels) {
    Canvas c(16, 16);
    c.Clear(RGB(0, 0, 255));
    DrawRaisedPanel(c.dc, 0, 0, 9, 9, RGB(128, 128, 128), 2);
    const COLORREF light = RGB(191, 191, 191), dark = RGB(64, 64, 64), face = RGB(128, 128, 128);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(light, c.At(5, i)) << "top " << i;
        EXPECT_EQ(light, c.At(i, 5)) << "left " << i;
        EXPECT_EQ(dark, c.At(5, 9 - i)) << "bottom " << i;
        EXPECT_EQ(dark, c.At(9 - i, 5)) << "right " << i;
    }
    EXPECT_EQ(face, c.At(4, 4));
    EXPECT_EQ(RGB(0, 0, 255), c.At(10, 5));   // nothing beyond the right edge

    c.Clear(RGB(0, 0, 255));
    DrawSunkenPanel(c.dc, 0, 0, 9, 9, RGB(128, 128, 128), 1);
    EXPECT_EQ(dark, c.At(5, 0));
    EXPECT_EQ(dark, c.At(0, 5));
    EXPECT_EQ(light, c.At(5, 9));
    EXPECT_EQ(light, c.At(9, 9));   // the bottom line runs one pixel further
    EXPECT_EQ(light, c.At(9, 5));

    EXPECT_EQ(RGB(239, 239, 241), LightShade(0xE3DFE0));
    EXPECT_EQ(RGB(112, 111, 113), DarkShade(0xE3DFE0));
}

TEST(Draw, RectOutlineClosesItsCorner) {
    Canvas c(16, 16);
    c.Clear(RGB(255, 255, 255));
    DrawRectOutline(c.dc, 2, 2, 10, 8, RGB(255, 0, 0));
    for (auto [x, y] : {std::pair{2, 2}, {10, 2}, {2, 8}, {10, 8}, {6, 2}, {6, 8}, {2, 5}, {10, 5}})
        EXPECT_EQ(RGB(255, 0, 0), c.At(x, y)) << x << "," << y;
    EXPECT_EQ(RGB(255, 255, 255), c.At(6, 5));
    FillRectColor(c.dc, 0, 0, 4, 4, RGB(0, 255, 0));
    EXPECT_EQ(RGB(0, 255, 0), c.At(3, 3));
    EXPECT_EQ(RGB(255, 255, 255), c.At(4, 4));   // right and bottom excluded
}

TEST(Draw, PanelButtonFaces) {
    Canvas c(60, 24);
    DRAWITEMSTRUCT di = {};
    di.CtlType = ODT_BUTTON;
    di.hDC = c.dc;
    di.rcItem = {0, 0, 60, 24};
    struct Case {
        COLORREF panel;
        int ticked;
        COLORREF face;
    };
    const Case cases[] = {
        {0xE3DFE0, 1, RGB(244, 243, 247)},
        {0xE3DFE0, 0, RGB(224, 223, 227)},
        {RGB(240, 100, 236), 1, RGB(255, 120, 255)},   // 240 and 236 become 255
    };
    COLORREF saved = PanelColour;
    for (const Case& k : cases) {
        PanelColour = k.panel;
        c.Clear(RGB(0, 0, 0));
        DrawPanelButton(&di, "", k.ticked, 0);
        EXPECT_EQ(k.face, c.At(30, 12)) << k.ticked;
    }
    // Pressed with the offset wanted: the face moves by 2.
    PanelColour = 0xE3DFE0;
    c.Clear(RGB(0, 0, 0));
    di.itemState = ODS_SELECTED;
    DrawPanelButton(&di, "", 0, 1);
    EXPECT_EQ(RGB(0, 0, 0), c.At(1, 1));
    EXPECT_EQ(LightShade(PanelColour), c.At(2, 5));
    PanelColour = saved;
}

TEST(Draw, CheckBoxItemDrawsItsCross) {
    Canvas c(80, 20);
    DRAWITEMSTRUCT di = {};
    di.hDC = c.dc;
    di.rcItem = {0, 0, 80, 20};
    const int f = (20 - 16) / 2;
    for (int ticked : {0, 1}) {
        c.Clear(RGB(1, 2, 3));
        DrawCheckBoxItem(&di, "", 0, ticked);
        EXPECT_EQ(ticked ? RGB(0, 0, 0) : RGB(255, 255, 255), c.At(10, f + 8)) << ticked;
        EXPECT_EQ(ItemColour, c.At(40, 10));
    }
    // A selected item gets an inverted frame round the whole item.
    di.itemState = ODS_SELECTED;
    c.Clear(RGB(1, 2, 3));
    DrawCheckBoxItem(&di, "", 0, 0);
    COLORREF item = ItemColour;
    EXPECT_EQ(RGB(255 - GetRValue(item), 255 - GetGValue(item), 255 - GetBValue(item)), c.At(40, 0));
}

TEST(Draw, TextAtReturnsItsEndPoint) {
    Canvas c(200, 40);
    c.Clear(RGB(255, 255, 255));
    int ex = -1, ey = -1;
    draw_text_at(c.dc, 7, 9, 14, "", RGB(0, 0, 0), &ex, &ey);
    EXPECT_EQ(7, ex);
    EXPECT_EQ(9, ey);
    draw_text_at(c.dc, 7, 9, 14, "表示テスト", RGB(0, 0, 0), &ex, &ey);
    EXPECT_GT(ex, 7 + 30);
    EXPECT_EQ(9, ey);
    EXPECT_EQ((UINT)(TA_TOP | TA_LEFT | TA_NOUPDATECP), GetTextAlign(c.dc));
    EXPECT_EQ(R2_COPYPEN, GetROP2(c.dc));
}

TEST(Draw, FittedTextStaysInItsBox) {
    Canvas c(200, 40);
    c.Clear(RGB(255, 255, 255));
    const char* text = "とても長い文字列を狭い箱に入れる";
    draw_text_fit(c.dc, 20, 5, 80, 25, text, RGB(0, 0, 0), nullptr, 0, 0, 1);
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (c.At(x, y) != RGB(255, 255, 255)) (x >= 20 && x < 80 ? inside : outside)++;
    EXPECT_GT(inside, 20);
    EXPECT_EQ(0, outside);

    // A short text fits at natural width and is centred.
    c.Clear(RGB(255, 255, 255));
    draw_text_fit(c.dc, 0, 0, 200, 20, "ab", RGB(0, 0, 0), nullptr, 0, 0, 1);
    int minX = 200, maxX = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x)
            if (c.At(x, y) != RGB(255, 255, 255)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR(100, (minX + maxX) / 2, 6);
}

TEST(Draw, TextCentredAndCut) {
    Canvas c(200, 40);
    EXPECT_EQ(1, DrawTextCentred(c.dc, 0, 0, 30, 16, "", RGB(0, 0, 0), nullptr, 0, 0, 1));
    EXPECT_EQ(0, DrawTextCentred(c.dc, 0, 0, 30, 16, "とても長い文字列", RGB(0, 0, 0), nullptr, 0, 0, 1));
    EXPECT_EQ(1, DrawTextCentred(c.dc, 0, 0, 200, 16, "短い", RGB(0, 0, 0), nullptr, 0, 0, 1));

    const std::string text = "あいうえおかきくけこさしすせそ";
    char drawn[MAX_PATH];
    DrawTextFitCut(c.dc, 0, 0, 90, 16, text.c_str(), RGB(0, 0, 0), nullptr, 0, 0, 0, drawn);
    std::string d = drawn;
    ASSERT_GE(d.size(), 3u);
    EXPECT_EQ("...", d.substr(d.size() - 3));
    std::string kept = d.substr(0, d.size() - 3);
    EXPECT_EQ(0u, kept.size() % 2);              // whole double-byte characters
    EXPECT_EQ(text.substr(0, kept.size()), kept);
    EXPECT_LT(kept.size(), text.size());

    DrawTextFitCut(c.dc, 0, 0, 200, 16, "全部入る", RGB(0, 0, 0), nullptr, 0, 0, 0, drawn);
    EXPECT_STREQ("全部入る", drawn);
    // A mixed text: cutting steps over single- and double-byte characters.
    DrawTextFitCut(c.dc, 0, 0, 60, 16, "aソbフcトd表e示f", RGB(0, 0, 0), nullptr, 0, 0, 0, drawn);
    std::string m = drawn;
    ASSERT_GE(m.size(), 3u);
    std::string head = m.substr(0, m.size() - 3);
    EXPECT_EQ(std::string("aソbフcトd表e示f").substr(0, head.size()), head);
    EXPECT_LT(head.size(), std::strlen("aソbフcトd表e示f"));
    const std::string mixed = "aソbフcトd表e示f";
    bool boundary = false;
    for (size_t i = 0; i <= mixed.size();) {
        boundary |= i == head.size();
        if (i == mixed.size()) break;
        i += ((unsigned char)mixed[i] >= 0x81 && (unsigned char)mixed[i] <= 0x9F) ? 2 : 1;
    }
    EXPECT_TRUE(boundary) << head.size();
}

TEST(Draw, MeasureTextSwapsForVertical) {
    Canvas c(10, 10);
    SIZE h, v;
    MeasureText(c.dc, nullptr, 0, 16, "文字列", &h, 0);
    MeasureText(c.dc, nullptr, 0, 16, "文字列", &v, 1);
    EXPECT_GT(h.cx, 0);
    EXPECT_EQ(h.cx, v.cy);
    EXPECT_EQ(h.cy, v.cx);
    MeasureText(c.dc, nullptr, 0, 16, "", &h, 0);
    EXPECT_EQ(0, h.cx);
    EXPECT_EQ(0, h.cy);
    HFONT f = CreateUiFont(12);
    ASSERT_NE(nullptr, f);
    LOGFONTA lf;
    GetObjectA(f, sizeof lf, &lf);
    EXPECT_STREQ("MS UI Gothic", lf.lfFaceName);
    EXPECT_EQ(12, lf.lfHeight);
    DeleteObject(f);
}

namespace {

// Dark pixels of a row of underscores drawn in the font, clipped to one line
// of it as window titles, menus and controls clip their text.
int UnderscoreInk(const LOGFONTW& lf) {
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return -1;
    Canvas c(96, 48);
    c.Clear(RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(c.dc, font);
    TEXTMETRICW tm = {};
    GetTextMetricsW(c.dc, &tm);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, RGB(0, 0, 0));
    RECT line = {4, 4, 92, 4 + tm.tmHeight};
    DrawTextW(c.dc, L"_____", -1, &line, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    SelectObject(c.dc, old);
    DeleteObject(font);
    GdiFlush();
    int ink = 0;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const COLORREF p = c.At(x, y);
            ink += GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 160;
        }
    return ink;
}

}  // namespace

// The text the system draws itself (window titles, menus, the status line,
// message boxes and the common dialogs' controls) shows its underscores, so
// that a name like "a_b.jpg" does not read "a b.jpg".
TEST(Draw, SystemFontsShowUnderscores) {
    NONCLIENTMETRICSW m = {};
    m.cbSize = sizeof m;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    // The dialog font of the system's dialogs at its usual 8 and 9 points.
    LOGFONTW dialog8 = {}, dialog9 = {};
    dialog8.lfHeight = -11;
    dialog9.lfHeight = -12;
    dialog8.lfCharSet = dialog9.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(dialog8.lfFaceName, L"MS Shell Dlg");
    std::wcscpy(dialog9.lfFaceName, L"MS Shell Dlg");
    const struct {
        const char* name;
        LOGFONTW font;
    } cases[] = {{"caption", m.lfCaptionFont}, {"small caption", m.lfSmCaptionFont}, {"menu", m.lfMenuFont},
                 {"status", m.lfStatusFont},   {"message", m.lfMessageFont},         {"dialog 8 pt", dialog8},
                 {"dialog 9 pt", dialog9}};
    for (const auto& c : cases) EXPECT_GE(UnderscoreInk(c.font), 20) << c.name;
}
