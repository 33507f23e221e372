// Settings files: sizes, round trips, load rules, and files that are missing,
// short, long or garbage.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "app/colourpanel.h"
#include "app/commands.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;

namespace {

std::string Garbage(size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = (char)(seed >> 16);
    }
    return s;
}

void LoadAll() {
    ResetSettingsBlocks();
    LoadEnvBlock(ProgramFolder);
    LoadPenSizes();
    LoadCanvasSizes();
    LoadInitDir();
    LoadPenRecords();
}

bool AllZero(const void* p, size_t n) {
    const unsigned char* b = (const unsigned char*)p;
    for (size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

struct FolderScope {
    testsupport::TempDir dir{"set"};
    char saved[MAX_PATH];
    FolderScope() {
        lstrcpyA(saved, ProgramFolder);
        SetProgramFolder(dir.Path().c_str());
        CreateDirectoryA(dir.File("palette").c_str(), nullptr);
    }
    ~FolderScope() { SetProgramFolder(saved); }
};

// Defaults every run starts from when no usable file is there.
void ExpectEnvDefaults() {
    EXPECT_EQ(0u, Env.framePos);
    EXPECT_EQ(0u, Env.frameSize);
    EXPECT_EQ(0, Env.maximised);
    EXPECT_EQ(640, Env.newCanvasWidth);
    EXPECT_EQ(480, Env.newCanvasHeight);
    EXPECT_EQ(16, Env.pressurePoint);
}

}  // namespace

TEST(Settings, MissingShortLongAndGarbageFiles) {
    struct FileCase {
        const char* name;
        size_t size;                        // the file's right size (0 for text files)
        std::function<void()> expectDefault;
        std::function<void()> expectSane;   // after garbage of the right size
    } files[] = {
        {"env_.env", 2864, [] { ExpectEnvDefaults(); },
         [] {
             EXPECT_GE(Env.pressurePoint, 16);
             EXPECT_LE(Env.pressurePoint, 200);
             EXPECT_GE(Env.newCanvasWidth, 10);
             EXPECT_LE(Env.newCanvasWidth, 30000);
             EXPECT_GE(Env.newCanvasHeight, 10);
             EXPECT_LE(Env.newCanvasHeight, 30000);
             EXPECT_EQ(0u, Env.tip.tipPlaneSlots[0]);
             EXPECT_EQ(0u, Env.tip.tipPlaneSlots[1]);
             RECT r = ComputeFrameRect(Env.framePos, Env.frameSize, 1280, 1024);
             EXPECT_GE(r.left, 0);
             EXPECT_GE(r.top, 0);
             EXPECT_LE(r.right, 1280);
             EXPECT_LE(r.bottom, 1024);
         }},
        {"palette\\pal.env", 18560, [] { EXPECT_TRUE(AllZero(PaletteBlock, sizeof PaletteBlock)); },
         [] {
             // The cells paint colours, whatever numbers the file holds.
             for (int i = 0; i < kPaletteCells; ++i) {
                 int rgb[3];
                 GetPaletteRgb(i, &rgb[0], &rgb[1], &rgb[2]);
                 for (int v : rgb) EXPECT_TRUE(v >= 0 && v <= 255) << "cell " << i << ": " << v;
             }
         }},
        {"pen.dat", 6400,
         [] {
             for (const PenRecord& p : PenRecords) {
                 EXPECT_EQ(1.0, p.halfWidth);
                 EXPECT_EQ(1.0, p.halfHeight);
                 EXPECT_EQ(0, p.tipKind);
             }
         },
         [] {
             for (const PenRecord& p : PenRecords) {
                 EXPECT_TRUE(p.halfWidth >= 1.0 && p.halfWidth <= 127.0);
                 EXPECT_TRUE(p.halfHeight >= 1.0 && p.halfHeight <= 127.0);
                 EXPECT_TRUE(p.tipKind >= 0 && p.tipKind <= 4);
             }
         }},
        {"initdir.dat", 265, [] { EXPECT_TRUE(AllZero(InitDirBlock, sizeof InitDirBlock)); }, [] {}},
        {"fhist.dat", 2048, [] { EXPECT_EQ(0, RecentFilesCount()); },
         [] {
             for (auto& slot : RecentFiles) EXPECT_LE(std::strlen(slot), 256u);
         }},
    };
    for (auto& f : files) {
        for (int variant = 0; variant < 4; ++variant) {
            SCOPED_TRACE(std::string(f.name) + " variant " + std::to_string(variant));
            FolderScope scope;
            std::string path = scope.dir.File(f.name);
            switch (variant) {
            case 0: break;                                                                       // missing
            case 1: ASSERT_TRUE(testsupport::WriteFileBytes(path, Garbage(f.size - 1, 1).data(), f.size - 1)); break;  // short
            case 2: ASSERT_TRUE(testsupport::WriteFileBytes(path, Garbage(f.size + 7, 2).data(), f.size + 7)); break;  // long
            case 3: ASSERT_TRUE(testsupport::WriteFileBytes(path, Garbage(f.size, 3).data(), f.size)); break;          // garbage
            }
            LoadAll();
            if (variant < 3) f.expectDefault();
            else f.expectSane();
        }
    }
}

TEST(Settings, TextListsMissingEmptyLongAndGarbage) {
    {
        FolderScope scope;
        LoadAll();
        EXPECT_EQ(1, PenSizes.first[0]);
        EXPECT_EQ(1, PenSizes.second[0]);
        EXPECT_EQ(-1, PenSizes.first[1]);
        EXPECT_EQ(32, CanvasSizes.first[0]);
        EXPECT_EQ(1600, CanvasSizes.first[9]);
        EXPECT_EQ(1200, CanvasSizes.second[9]);
        EXPECT_EQ(-1, CanvasSizes.first[10]);
    }
    {
        // An empty pen-size file keeps (1, 1); three canvas sizes are exactly three.
        FolderScope scope;
        testsupport::WriteFileBytes(scope.dir.File("pensize.dat"), "", 0);
        const char sizes[] = "100 200\n300 400\n500 600\n";
        testsupport::WriteFileBytes(scope.dir.File("canvsize.dat"), sizes, sizeof sizes - 1);
        LoadAll();
        EXPECT_EQ(1, PenSizes.first[0]);
        EXPECT_EQ(-1, PenSizes.first[1]);
        EXPECT_EQ(100, CanvasSizes.first[0]);
        EXPECT_EQ(600, CanvasSizes.second[2]);
        EXPECT_EQ(-1, CanvasSizes.first[3]);
    }
    {
        // A line that does not scan keeps the previous numbers; at most 50 lines.
        FolderScope scope;
        std::string text = "abc\n7 8\nxyz\n";
        for (int i = 0; i < 100; ++i) text += std::to_string(i) + " " + std::to_string(i) + "\n";
        testsupport::WriteFileBytes(scope.dir.File("pensize.dat"), text.data(), text.size());
        std::string junk = Garbage(5000, 9);
        testsupport::WriteFileBytes(scope.dir.File("canvsize.dat"), junk.data(), junk.size());
        LoadAll();
        EXPECT_EQ(0, PenSizes.first[0]);
        EXPECT_EQ(7, PenSizes.first[1]);
        EXPECT_EQ(7, PenSizes.first[2]);
        EXPECT_EQ(46, PenSizes.first[49]);
        EXPECT_EQ(-1, PenSizes.first[50]);
    }
}

TEST(Settings, LoadRules) {
    FolderScope scope;
    EnvBlock env = {};
    env.newCanvasWidth = 5;
    env.newCanvasHeight = 40000;
    env.pressurePoint = 500;
    env.zoomSetting = 7;
    env.mainBarHidden[3] = 1;
    env.tip.tipPlaneSlots[0] = 0x12345678;
    env.tip.hRadius = 4.5;
    ASSERT_TRUE(testsupport::WriteFileBytes(scope.dir.File("env_.env"), &env, sizeof env));
    PenRecord pens[100] = {};
    pens[0].halfWidth = 0.5;
    pens[0].halfHeight = 300.0;
    pens[0].tipKind = 9;
    pens[1].halfWidth = NAN;
    pens[1].halfHeight = 20.0;
    pens[1].tipKind = -3;
    ASSERT_TRUE(testsupport::WriteFileBytes(scope.dir.File("pen.dat"), pens, sizeof pens));
    LoadAll();
    EXPECT_EQ(640, Env.newCanvasWidth);
    EXPECT_EQ(30000, Env.newCanvasHeight);
    EXPECT_EQ(200, Env.pressurePoint);
    EXPECT_EQ(0, Env.zoomSetting);
    EXPECT_EQ(1, Env.numberMode);
    EXPECT_EQ(10, Env.cursorSamples);
    EXPECT_EQ(100, Env.tabletCursorPos);
    EXPECT_EQ(0u, Env.tip.tipPlaneSlots[0]);
    EXPECT_EQ(4.5, Env.tip.hRadius);
    EXPECT_EQ(0, MainBarButtonShown[3]);
    EXPECT_EQ(1, MainBarButtonShown[4]);
    EXPECT_EQ(1.0, PenRecords[0].halfWidth);
    EXPECT_EQ(127.0, PenRecords[0].halfHeight);
    EXPECT_EQ(4, PenRecords[0].tipKind);
    EXPECT_EQ(1.0, PenRecords[1].halfWidth);
    EXPECT_EQ(20.0, PenRecords[1].halfHeight);
    EXPECT_EQ(0, PenRecords[1].tipKind);
}

// Stored pens come back from pen.dat as they were saved, edge pens with
// their colour and inner factor and the bytes the program does not use.
TEST(Settings, StoredPensRoundTrip) {
    FolderScope scope;
    LoadAll();
    PenRecords[0] = PenRecord{.halfWidth = 1.5, .halfHeight = 3.0, .tipKind = 2};
    PenRecords[7] = PenRecord{.halfWidth = 12.0, .halfHeight = 6.25, .tipKind = 4, .edgeColour = {10, 20, 30, 0},
                              .innerFactor = 7.5};
    PenRecords[99].halfWidth = 127.0;
    PenRecords[99].halfHeight = 1.0;
    PenRecords[99].rest[31] = 0xA5;
    PenRecord saved[kPenRecordCount];
    std::memcpy(saved, PenRecords, sizeof saved);
    ASSERT_EQ(1, SavePenRecords());
    std::memset(PenRecords, 0, sizeof PenRecords);
    ASSERT_EQ(1, LoadPenRecords());
    EXPECT_EQ(0, std::memcmp(saved, PenRecords, sizeof saved));
}

TEST(Settings, Env2IsTheFallbackAndEnvIsWrittenBack) {
    FolderScope scope;
    EnvBlock env = {};
    env.framePos = PackWords(11, 22);
    env.frameSize = PackWords(600, 400);
    std::string corrupt = Garbage(100, 4);
    for (int corruptFirst = 0; corruptFirst < 2; ++corruptFirst) {
        SCOPED_TRACE(corruptFirst);
        DeleteFileA(scope.dir.File("env_.env").c_str());
        if (corruptFirst) testsupport::WriteFileBytes(scope.dir.File("env_.env"), corrupt.data(), corrupt.size());
        ASSERT_TRUE(testsupport::WriteFileBytes(scope.dir.File("env_2.env"), &env, sizeof env));
        LoadAll();
        EXPECT_EQ(PackWords(11, 22), Env.framePos);
        EXPECT_EQ(PackWords(600, 400), Env.frameSize);
    }
    Env.tip.tipPlaneSlots[0] = 0xDEADBEEF;   // pointer slots are never written
    Env.tip.tipPlaneSlots[1] = 0x12345678;
    EXPECT_EQ(1, SaveEnvBlock(ProgramFolder));
    std::string written;
    ASSERT_TRUE(testsupport::ReadFileBytes(scope.dir.File("env_.env"), &written));
    ASSERT_EQ(2864u, written.size());
    EnvBlock back;
    std::memcpy(&back, written.data(), sizeof back);
    EXPECT_EQ(PackWords(11, 22), back.framePos);
    EXPECT_EQ(std::string(8, '\0'), written.substr(88 + 44, 8));
    EXPECT_EQ(2864, testsupport::FileSize(scope.dir.File("env_2.env")));
}

TEST(Settings, FailedWriteKeepsTheOldFile) {
    FolderScope scope;
    std::string old(2864, 'A');
    ASSERT_TRUE(testsupport::WriteFileBytes(scope.dir.File("env_.env"), old.data(), old.size()));
    // Hold the file open without sharing: the replacement cannot be moved over it.
    HANDLE lock = CreateFileA(scope.dir.File("env_.env").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    ResetSettingsBlocks();
    EXPECT_EQ(0, SaveEnvBlock(ProgramFolder));
    CloseHandle(lock);
    std::string now;
    ASSERT_TRUE(testsupport::ReadFileBytes(scope.dir.File("env_.env"), &now));
    EXPECT_EQ(old, now);
    // pal.env and fhist.dat were not written after the failure.
    EXPECT_EQ(-1, testsupport::FileSize(scope.dir.File("palette\\pal.env")));
    EXPECT_EQ(-1, testsupport::FileSize(scope.dir.File("fhist.dat")));
}

TEST(Settings, RecentFilesOrderAndLimits) {
    FolderScope scope;
    ResetSettingsBlocks();
    for (int i = 0; i < 6; ++i) RecentFilesAdd(("C:\\f" + std::to_string(i) + ".png").c_str());
    // Newest first: f5 f4 f3 f2 f1 f0. Adding f0 again (slot 5) moves it to slot 0.
    RecentFilesAdd("c:\\F0.PNG");
    EXPECT_EQ(6, RecentFilesCount());
    EXPECT_STREQ("c:\\F0.PNG", RecentFiles[0]);
    EXPECT_STREQ("C:\\f5.png", RecentFiles[1]);
    EXPECT_STREQ("C:\\f1.png", RecentFiles[5]);
    // Nine different paths keep the newest eight.
    for (int i = 10; i < 13; ++i) RecentFilesAdd(("C:\\g" + std::to_string(i) + ".png").c_str());
    EXPECT_EQ(8, RecentFilesCount());
    EXPECT_STREQ("C:\\g12.png", RecentFiles[0]);
    EXPECT_STREQ("C:\\f2.png", RecentFiles[7]);
    // A long path is stored cut to 256 bytes.
    std::string longPath = "C:\\" + std::string(280, 'x');
    RecentFilesAdd(longPath.c_str());
    RecentFilesSave();
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(scope.dir.File("fhist.dat"), &bytes));
    ASSERT_EQ(2048u, bytes.size());
    EXPECT_EQ(longPath.substr(0, 256), bytes.substr(0, 256));
    RecentFilesLoad();
    EXPECT_EQ(256u, std::strlen(RecentFiles[0]));
    EXPECT_STREQ("C:\\g12.png", RecentFiles[1]);
}

TEST(Settings, WrittenAtExitAndReadAtNextStart) {
    testsupport::TempDir dir("rt");
    ASSERT_TRUE(StartFrame(dir.Path()));
    SetWindowPos(AppWindows.frame, nullptr, 50, 60, 500, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    RecentFilesAdd("C:\\old.png");
    RecentFilesAdd("C:\\表示\\ソフト.jpg");
    ASSERT_TRUE(CloseFrame());

    struct { const char* name; long long size; } sizes[] = {
        {"env_.env", 2864}, {"palette\\pal.env", 18560}, {"pen.dat", 6400},
        {"initdir.dat", 265}, {"fhist.dat", 2048}, {"tone.dat", 1536},
    };
    for (auto& s : sizes) EXPECT_EQ(s.size, testsupport::FileSize(dir.File(s.name))) << s.name;
    std::string pens, canvases;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("pensize.dat"), &pens));
    EXPECT_EQ("1 1\n", pens);
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("canvsize.dat"), &canvases));
    EXPECT_EQ(0u, canvases.find("32 32\n64 64\n"));
    // No temporary file is left behind.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.File("*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    do {
        std::string n = fd.cFileName;
        bool known = n == "." || n == ".." || n == "palette" || n == "pattern" || n == "selhist" || n == "env_.env" ||
                     n == "pen.dat" || n == "initdir.dat" || n == "fhist.dat" || n == "pensize.dat" ||
                     n == "canvsize.dat" || n == "tone.dat";
        EXPECT_TRUE(known) << n;
    } while (FindNextFileA(h, &fd));
    FindClose(h);

    ASSERT_TRUE(StartFrame(dir.Path()));
    RECT rc;
    GetWindowRect(AppWindows.frame, &rc);
    EXPECT_EQ(50, rc.left);
    EXPECT_EQ(60, rc.top);
    EXPECT_EQ(500, rc.right - rc.left);
    EXPECT_EQ(300, rc.bottom - rc.top);
    EXPECT_EQ(2, RecentFilesCount());
    EXPECT_STREQ("C:\\表示\\ソフト.jpg", RecentFiles[0]);
    EXPECT_EQ(std::string("C:\\表示\\ソフト.jpg"), MenuText(AppMenus.init, CMD_RECENT_FIRST));
    EXPECT_EQ(std::string("C:\\old.png"), MenuText(AppMenus.child, CMD_RECENT_FIRST + 1));
    // The control panel existed at the last exit, so it is shown from now on.
    Pump(50);
    EXPECT_EQ(1, Env.ctrlPanelShown);

    // Maximised at close: the flag is stored, the rectangle is kept.
    ShowWindow(AppWindows.frame, SW_MAXIMIZE);
    ASSERT_TRUE(CloseFrame());
    ASSERT_TRUE(StartFrame(dir.Path()));
    EXPECT_TRUE(IsZoomed(AppWindows.frame));
    EXPECT_EQ(PackWords(50, 60), Env.framePos);
    ASSERT_TRUE(CloseFrame());
}
