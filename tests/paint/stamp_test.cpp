// Fancy-pen stamps and roller stamps: the folder lists in order, cache names,
// frames counted, thumbnails cached on first use and reused, a stamp chosen
// through its resize dialog and placed, and a roller stroke whose frames cycle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas/canv_host.h"
#include "fileio/plugin_registry.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "paint/stamp_pages.h"
#include "paint/stamp_resize.h"
#include "paint/stroke.h"
#include "paint_fixture.h"
#include "test_support.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"

using namespace painttest;

namespace {

std::string Dist() { return testsupport::ExeFolder() + "..\\dist\\"; }

// A program folder with the bitmap and PNG plug-ins, the given stamps (copies
// of shipped ones) and roller frames, named in the canvas host.
struct StampFolder {
    testsupport::TempDir dir{"stmp"};
    CanvasHost saved = GetCanvasHost();
    StampFolder() {
        for (const char* sub : {"file_r", "file_w", "stamp", "koro"}) CreateDirectoryA(dir.File(sub).c_str(), nullptr);
        Copy("file_r\\bmpload.dll", "file_r\\bmpload.dll");
        Copy("file_r\\pngload.dll", "file_r\\pngload.dll");
        Copy("file_w\\bmpsave.dll", "file_w\\bmpsave.dll");
        InitFilePlugins(nullptr, dir.Path().c_str());
        CanvasHost host = saved;
        host.programFolder = dir.Path().c_str();
        SetCanvasHost(host);
    }
    ~StampFolder() {
        FreeFilePlugins();
        SetCanvasHost(saved);
        c_PenWriter::FreeBrushImages(1, 0);
    }
    void Copy(const std::string& from, const std::string& to) {
        ASSERT_TRUE(CopyFileA((Dist() + from).c_str(), dir.File(to).c_str(), FALSE)) << from;
    }
    void Folder(const std::string& name) { CreateDirectoryA(dir.File(name).c_str(), nullptr); }
};

// Answers the resize dialog with OK after setting nothing (or cancel).
int AnswerResize(const ModalRequest& r, void* user) {
    std::string* seen = (std::string*)user;
    *seen = r.templ;
    return *seen == "psv_texresize" || *seen == "psv_kororesize" ? IDOK : IDCANCEL;
}

}  // namespace

TEST(StampPages, ListsSortedAndCacheNames) {
    StampFolder f;
    f.Copy("stamp\\star.png", "stamp\\B.png");
    f.Copy("stamp\\heart.png", "stamp\\a.png");
    f.Folder("koro\\_zig");
    f.Folder("koro\\_Abc");
    f.Folder("koro\\plain");   // no leading underscore: not a roller
    std::vector<std::string> stamps = ListStampFiles(f.dir.Path().c_str());
    ASSERT_EQ(2u, stamps.size());
    EXPECT_EQ(f.dir.File("stamp\\a.png"), stamps[0]);
    EXPECT_EQ(f.dir.File("stamp\\B.png"), stamps[1]);
    std::vector<std::string> rollers = ListKoroFolders(f.dir.Path().c_str());
    ASSERT_EQ(2u, rollers.size());
    EXPECT_EQ(f.dir.File("koro\\_Abc"), rollers[0]);

    EXPECT_EQ("C:\\a.b\\stamp\\rose.chc", MakeChcPath("C:\\a.b\\stamp\\rose.png"));
    EXPECT_EQ("C:\\ab\\stamp\\rose.chc", MakeChcPath("C:\\ab\\stamp\\rose"));
    EXPECT_EQ("C:\\k\\_x\\007.png", MakeKoroFramePath("C:\\k\\_x", 7));
    EXPECT_EQ("C:\\k\\_x\\007.chc", MakeKoroChcPath("C:\\k\\_x", 7));
}

TEST(StampPages, FramesCountedUpToTheFirstGap) {
    StampFolder f;
    f.Folder("koro\\_gap");
    f.Copy("koro\\_stars\\001.png", "koro\\_gap\\001.png");
    f.Copy("koro\\_stars\\002.png", "koro\\_gap\\002.png");
    f.Copy("koro\\_stars\\003.png", "koro\\_gap\\004.png");
    EXPECT_EQ(2, CountKoroFrames(f.dir.File("koro\\_gap")));
    f.Folder("koro\\_none");
    EXPECT_EQ(0, CountKoroFrames(f.dir.File("koro\\_none")));
}

TEST(StampPages, ThumbnailCachedOnFirstUseAndReused) {
    StampFolder f;
    f.Copy("stamp\\star.png", "stamp\\star.png");
    std::string image = f.dir.File("stamp\\star.png"), cache = f.dir.File("stamp\\star.chc");
    VmsImage* first = LoadStampThumbnail(f.dir.Path().c_str(), image, cache, 40, 30);
    ASSERT_TRUE(first);
    EXPECT_LE(first->width, 40);
    EXPECT_LE(first->height, 30);
    EXPECT_GT(testsupport::FileSize(cache), 0);
    g_VmsStore.Free(&first);
    // The picture gone, the cache still serves.
    DeleteFileA(image.c_str());
    VmsImage* again = LoadStampThumbnail(f.dir.Path().c_str(), image, cache, 40, 30);
    ASSERT_TRUE(again);
    g_VmsStore.Free(&again);
    EXPECT_EQ(nullptr, LoadStampThumbnail(f.dir.Path().c_str(), image, f.dir.File("stamp\\x.chc"), 40, 30));
}

TEST(StampSelect, ChosenThroughTheDialogAndPlaced) {
    StampFolder f;
    f.Copy("stamp\\star.png", "stamp\\star.png");
    RefreshStampPage(0, f.dir.Path().c_str());
    SetPen(0, 0, 0, 2.0, 0);
    std::string seen;
    SetModalAnswerHook(AnswerResize, &seen);
    int chosen = SelectStamp(nullptr, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("psv_texresize", seen);
    ASSERT_EQ(1, chosen);
    ASSERT_TRUE(Pen.brushImages[0]);
    EXPECT_EQ(1, Pen.imageBrushOn);
    EXPECT_EQ(64 * 30 / 100, Pen.brushImages[0]->width);   // the remembered 30 percent

    TestCanvas t(60, 30);
    std::vector<MouseSample> samples = {{20, 15, kSampleLeft}, {20, 15, 0}};
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), 2);
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 20, 15, 0));
    InjectMouseSamples(nullptr, 0);
    int painted = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) painted += t.Pixel(x, y) != 0x00FFFFFF;
    EXPECT_GT(painted, 20);
    EXPECT_EQ(0x00FFFFFFu, t.Pixel(0, 0));
}

TEST(StampSelect, RollerFramesCycleAlongTheStroke) {
    StampFolder f;
    f.Folder("koro\\_two");
    f.Copy("koro\\_dots\\001.png", "koro\\_two\\001.png");
    f.Copy("koro\\_dots\\002.png", "koro\\_two\\002.png");
    f.Folder("koro\\_empty");
    RefreshStampPage(1, f.dir.Path().c_str());
    ASSERT_EQ(2u, StampPage(1).paths.size());
    SetPen(0, 0, 0, 2.0, 0);
    std::string seen;
    SetModalAnswerHook(AnswerResize, &seen);
    EXPECT_EQ(0, SelectKoroStamp(nullptr, 0));   // _empty: no 001.png, nothing happens
    EXPECT_EQ("", seen);
    ASSERT_EQ(1, SelectKoroStamp(nullptr, 1));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("psv_kororesize", seen);
    ASSERT_TRUE(Pen.rollerFrames[0]);
    ASSERT_TRUE(Pen.rollerFrames[1]);
    EXPECT_EQ(nullptr, Pen.rollerFrames[2]);

    TestCanvas t(200, 40);
    std::vector<MouseSample> samples;
    for (int x = 10; x <= 190; x += 3) samples.push_back({x, 20, kSampleLeft});
    samples.push_back({190, 20, 0});
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), (int)samples.size());
    EXPECT_EQ(1, RunFreehandStroke(&t.view, 10, 20, 0));
    InjectMouseSamples(nullptr, 0);
    // Both frames' colours appear along the path (blue and green dots).
    int blue = 0, green = 0;
    for (int x = 0; x < 200; ++x) {
        uint32_t p = t.Pixel(x, 20);
        int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
        blue += b > 180 && r < 120 && g < 160;
        green += g > 150 && r < 120 && b < 140;
    }
    EXPECT_GT(blue, 0);
    EXPECT_GT(green, 0);
}

TEST(StampResize, ScaleLimitsAndSliderSteps) {
    EXPECT_EQ(50, StampScaleMax(1000));
    EXPECT_EQ(25, StampScaleMax(2000));
    EXPECT_EQ(500, StampScaleMax(100));
    struct Case {
        int x, width, min, max, value;
    } cases[] = {{1000, 109, 10, 55, 50}, {0, 109, 10, 55, 10}, {54, 109, 100, 200, 150}, {4, 109, 100, 200, 100}};
    for (const Case& c : cases) EXPECT_EQ(c.value, StampSliderValue(c.x, c.width, c.min, c.max)) << c.x;
}
