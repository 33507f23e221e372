// Setting up colour matching: the apply step of the system's dialog, the
// writer of colmatch.ini, and the translators of DIB sections and colour
// lists through named profiles with their failure messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "browser/colour_setup.h"
#include "browser/dib24.h"
#include "browser_fixture.h"
#include "test_support.h"

using namespace bvtest;

namespace {

std::string IccPath(const char* name) { return std::string("Z:\\usr\\share\\color\\icc\\") + name; }

ColourMatchSettings BaseSettings() {
    ColourMatchSettings s = {};
    s.flags = kColourMatchOn;
    s.intent = 1;
    s.proofIntent = 0;
    std::strcpy(s.monitorProfile, "monitor.icc");
    std::strcpy(s.printerProfile, "printer.icc");
    std::strcpy(s.targetProfile, "target.icc");
    return s;
}

// A 24-bit DIB section of pure sRGB green; its bits in *bits.
HBITMAP GreenSection(int bitsPerPixel, uint8_t** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 5;
    info.bmiHeader.biHeight = 3;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)bitsPerPixel;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, (void**)bits, nullptr, 0);
    if (!section) return nullptr;
    const int pixel = bitsPerPixel / 8, stride = (5 * pixel + 3) & ~3;
    std::memset(*bits, 0, (size_t)stride * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) (*bits)[y * stride + x * pixel + 1] = 255;
    return section;
}

}  // namespace

TEST(ColourSetup, ApplyStepTakesTheChoicesBackAndMarksWhatChanged) {
    const struct {
        const char* what;
        DWORD dialogFlags;
        DWORD intent, proofIntent;
        const char *monitor, *printer, *target;
        uint32_t flags;
    } cases[] = {
        {"nothing", 0, 1, 0, "monitor.icc", "printer.icc", "target.icc", kColourMatchOn},
        {"ICM disabled", CMS_DISABLEICM, 1, 0, "monitor.icc", "printer.icc", "target.icc", 0},
        {"proofing on", CMS_ENABLEPROOFING, 1, 0, "monitor.icc", "printer.icc", "target.icc", kColourMatchOn | kColourProofOn},
        {"rendering intent", 0, 3, 0, "monitor.icc", "printer.icc", "target.icc", kColourMatchOn | kColourChanged},
        {"proofing intent", 0, 1, 2, "monitor.icc", "printer.icc", "target.icc", kColourMatchOn | kColourChanged},
        {"monitor profile", 0, 1, 0, "other.icc", "printer.icc", "target.icc", kColourMatchOn | kColourChanged},
        {"target profile", 0, 1, 0, "monitor.icc", "printer.icc", "other.icc", kColourMatchOn | kColourChanged},
        {"printer profile alone", 0, 1, 0, "monitor.icc", "other.icc", "target.icc", kColourMatchOn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ColourMatchSettings s = BaseSettings();
        char monitor[260], printer[260], target[260];
        std::strcpy(monitor, c.monitor);
        std::strcpy(printer, c.printer);
        std::strcpy(target, c.target);
        COLORMATCHSETUPA setup = {};
        setup.dwSize = sizeof setup;
        setup.dwFlags = c.dialogFlags;
        setup.dwRenderIntent = c.intent;
        setup.dwProofingIntent = c.proofIntent;
        setup.pMonitorProfile = monitor;
        setup.pPrinterProfile = printer;
        setup.pTargetProfile = target;
        EXPECT_TRUE(ColourSetupApplyProc(&setup, (LPARAM)&s));
        EXPECT_EQ(c.flags, s.flags);
        EXPECT_EQ((int32_t)c.intent, s.intent);
        EXPECT_EQ((int32_t)c.proofIntent, s.proofIntent);
        EXPECT_STREQ(c.monitor, s.monitorProfile);
        EXPECT_STREQ(c.printer, s.printerProfile);
        EXPECT_STREQ(c.target, s.targetProfile);
    }
}

TEST(ColourSetup, SettingsAreWrittenWholeWithoutTheWindowAndReadBack) {
    testsupport::TempDir editor("cmset");
    ColourMatchSettings s = BaseSettings();
    s.window = 0x1234;
    s.proofIntent = 2;
    std::strcpy(s.monitorName, "Monitor");
    ASSERT_EQ(1, SaveColourSettings(editor.Path().c_str(), s));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(editor.File("colmatch.ini"), &bytes));
    ASSERT_EQ(sizeof(ColourMatchSettings), bytes.size());
    ColourMatchSettings read;
    std::memcpy(&read, bytes.data(), sizeof read);
    EXPECT_EQ(0u, read.window);
    read.window = s.window;
    EXPECT_EQ(0, std::memcmp(&read, &s, sizeof s));
    // A folder that is not there: nothing written, and an old file stays.
    EXPECT_EQ(0, SaveColourSettings(editor.File("missing\\").c_str(), s));
    // Read at start-up (the profile names, which cannot be opened here, are
    // replaced by the system's).
    const ColourMatchSettings saved = g_ColourMatch;
    std::memset(&g_ColourMatch, 0, sizeof g_ColourMatch);
    LoadColourSettings(nullptr, editor.Path().c_str());
    EXPECT_EQ(s.flags, g_ColourMatch.flags);
    EXPECT_EQ(1, g_ColourMatch.intent);
    EXPECT_EQ(2, g_ColourMatch.proofIntent);
    g_ColourMatch = saved;
    g_ColourTransform.Close();
}

TEST(ColourSetup, WithoutTheSystemsDialogNothingChangesOrIsWritten) {
    if (HMODULE icmui = LoadLibraryA("icmui.dll")) {
        FreeLibrary(icmui);
        GTEST_SKIP() << "this system has the set-up dialog, which a test cannot answer";
    }
    testsupport::TempDir editor("cmnone");
    const ColourMatchSettings before = g_ColourMatch;
    EXPECT_EQ(0, SetupColourMatching(nullptr, editor.Path().c_str()));
    EXPECT_EQ(0, std::memcmp(&before, &g_ColourMatch, sizeof before));
    EXPECT_EQ(-1, testsupport::FileSize(editor.File("colmatch.ini")));
}

TEST(ColourSetup, SectionsAndColourListsAreTranslatedOrSayWhyNot) {
    const std::string wide = IccPath("compatibleWithAdobeRGB1998.icc"), srgb = IccPath("sRGB.icc");
    if (testsupport::FileSize(wide) <= 0) GTEST_SKIP() << "icc-profiles-free is not installed";
    testsupport::TempDir dir("cmdib");
    testsupport::WriteFileBytes(dir.File("bad.icc"), "not a profile at all", 20);
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        uint8_t* bits = nullptr;
        HBITMAP section = GreenSection(bpp, &bits);
        ASSERT_NE(nullptr, section);
        Answers answers;
        ASSERT_TRUE(TransformDibSection(nullptr, section, wide.c_str(), nullptr));
        if (bits[0] == 0 && bits[1] == 255 && bits[2] == 0) {
            DeleteObject(section);
            GTEST_SKIP() << "this Wine has no colour management engine";
        }
        // Pure sRGB green is no longer pure in the wider space; the last pixel too.
        const int last = 2 * ((5 * bpp / 8 + 3) & ~3) + 4 * bpp / 8;
        EXPECT_GT(bits[last + 2], 100);
        EXPECT_GT(bits[last + 0], 20);
        EXPECT_TRUE(answers.texts.empty());
        DeleteObject(section);
        // Into sRGB proofed through sRGB: next to nothing changes.
        section = GreenSection(bpp, &bits);
        ASSERT_TRUE(TransformDibSection(nullptr, section, srgb.c_str(), srgb.c_str()));
        EXPECT_LE(bits[last + 2], 3);
        EXPECT_GE(bits[last + 1], 252);
        // Profiles that cannot be used: the message, the pixels as they were.
        EXPECT_FALSE(TransformDibSection(nullptr, section, dir.File("missing.icc").c_str(), nullptr));
        EXPECT_FALSE(TransformDibSection(nullptr, section, srgb.c_str(), dir.File("bad.icc").c_str()));
        ASSERT_EQ(2u, answers.texts.size());
        EXPECT_EQ("Unable to open color profile <" + dir.File("missing.icc") + ">", answers.texts[0]);
        EXPECT_TRUE(answers.texts[1] == "Unable to open color profile <" + dir.File("bad.icc") + ">" ||
                    answers.texts[1] == "Color profile " + dir.File("bad.icc") + " is not valid")
            << answers.texts[1];
        EXPECT_LE(bits[last + 2], 3);
        DeleteObject(section);
    }
    // Other depths are refused.
    uint8_t* bits = nullptr;
    HBITMAP grey = GreenSection(8, &bits);
    ASSERT_NE(nullptr, grey);
    Answers answers;
    EXPECT_FALSE(TransformDibSection(nullptr, grey, wide.c_str(), nullptr));
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("TranslateBitmapBits failed", answers.texts[0]);
    DeleteObject(grey);

    COLORREF colours[3] = {RGB(0, 255, 0), RGB(0, 255, 0), RGB(255, 255, 255)};
    ASSERT_TRUE(TransformColourList(nullptr, colours, 3, wide.c_str(), nullptr));
    EXPECT_GT(GetRValue(colours[0]), 100);
    EXPECT_EQ(colours[0], colours[1]);
    EXPECT_GE(GetGValue(colours[2]), 250);
    EXPECT_FALSE(TransformColourList(nullptr, colours, 3, dir.File("missing.icc").c_str(), nullptr));
    ASSERT_EQ(2u, answers.texts.size());
    EXPECT_EQ("Unable to open color profile <" + dir.File("missing.icc") + ">", answers.texts[1]);
}

TEST(ColourSetup, PrinterBandsAndColourTablesGoThroughTheirTransforms) {
    const std::string wide = IccPath("compatibleWithAdobeRGB1998.icc"), srgb = IccPath("sRGB.icc");
    if (testsupport::FileSize(wide) <= 0) GTEST_SKIP() << "icc-profiles-free is not installed";
    struct Restore {
        ColourMatchSettings saved = g_ColourMatch;
        ~Restore() {
            g_ColourMatch = saved;
            g_ColourTransform.Close();
        }
    } restore;
    // The monitor is sRGB (next to no change), the printer the wider space.
    ColourMatchSettings s = {};
    s.flags = kColourMatchOn;
    std::snprintf(s.monitorProfile, sizeof s.monitorProfile, "%s", srgb.c_str());
    std::snprintf(s.printerProfile, sizeof s.printerProfile, "%s", wide.c_str());
    g_ColourMatch = s;
    ASSERT_EQ(1, g_ColourTransform.Load(s));
    ASSERT_NE(nullptr, g_ColourTransform.PrinterTransform());

    // Tables of either size, each entry translated; the unused byte stays.
    for (int count : {3, 1500}) {
        SCOPED_TRACE(count);
        std::vector<RGBQUAD> table((size_t)count, RGBQUAD{0, 255, 0, 0x5A}), display = table;
        table.back() = RGBQUAD{255, 255, 255, 0x5A};
        ASSERT_EQ(1, TranslatePrinterColourTable(table.data(), count));
        if (table[0].rgbRed == 0 && table[0].rgbGreen == 255) GTEST_SKIP() << "this Wine has no colour management engine";
        EXPECT_GT(table[0].rgbRed, 100);
        EXPECT_EQ(table[0].rgbRed, table[(size_t)count - 2].rgbRed);
        EXPECT_GE(table.back().rgbGreen, 250);
        EXPECT_EQ(0x5A, table[1].rgbReserved);
        ASSERT_EQ(1, TranslateDisplayColourTable(display.data(), count));
        EXPECT_LE(display[(size_t)count - 1].rgbRed, 3);
        EXPECT_GE(display[(size_t)count - 1].rgbGreen, 252);
    }
    // A printer band: every row of it.
    PackedDib band = CreateDib24(3, 8, 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 3; ++x) SetDib24Rgb(band, x, y, 0, 255, 0);
    TransformPrinterBand(band);
    int r = 0, g = 0, b = 0;
    GetDib24Rgb(band, 2, 7, &r, &g, &b);
    EXPECT_GT(r, 100);
    // With matching off, or without a printer transform, nothing changes.
    g_ColourMatch.flags = 0;
    SetDib24Rgb(band, 2, 7, 0, 255, 0);
    TransformPrinterBand(band);
    GetDib24Rgb(band, 2, 7, &r, &g, &b);
    EXPECT_EQ(0, r);
    g_ColourTransform.Close();
    RGBQUAD one = {0, 255, 0, 0};
    EXPECT_EQ(0, TranslatePrinterColourTable(&one, 1));
    EXPECT_EQ(255, one.rgbGreen);
    FreePackedDib(band);
}

TEST(ColourSetup, TheProfileListingShowsTheColourFolder) {
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    ASSERT_TRUE(GetColorDirectoryA(nullptr, folder, &size));
    Answers answers;
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const int result = ShowIcmProfiles(window);
    DestroyWindow(window);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ(folder, answers.texts[0]);
    // The enumeration ran over the window's context: the callback's answer
    // (it always goes on), or -1 when the display has no profile.
    EXPECT_TRUE(result == 1 || result == -1) << result;
    EXPECT_EQ(1, EnumIcmProfileProc(folder, 0));
}
