// Fancy-pen stamps and roller stamps: the folder lists in order, cache names,
// frames counted, thumbnails cached on first use and reused, a stamp chosen
// through its resize dialog and placed, a roller stroke whose frames cycle,
// and a roller of more frames than the pen holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "canvas/canv_host.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
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

// A stroke of one click at (x, y).
int ClickStroke(TestCanvas& t, int x, int y) {
    std::vector<MouseSample> samples = {{x, y, kSampleLeft}, {x, y, 0}};
    SetSmoothingSamples(0);
    InjectMouseSamples(samples.data(), 2);
    int result = RunFreehandStroke(&t.view, x, y, 0);
    InjectMouseSamples(nullptr, 0);
    return result;
}

// Every pixel of an image, for comparing two of them.
std::vector<uint32_t> Pixels(const VmsImage* image) {
    std::vector<uint32_t> all((size_t)image->width * image->height);
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.GetRow(image, y, 0, image->width - 1, all.data() + (size_t)y * image->width);
    for (uint32_t& p : all) p &= 0x00FFFFFF;
    return all;
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

// A cache the reader refuses, or one that is no thumbnail of the cell (a
// long strip, or a header claiming a canvas-sized picture over one row), is
// made again from the stamp: the cell shows the stamp, at once, and the new
// cache serves the next paint.
TEST(StampPages, UnreadableOrWrongSizedCacheIsRebuilt) {
    StampFolder f;
    f.Copy("stamp\\star.png", "stamp\\star.png");
    const int w = 60, h = 40;
    std::string image = f.dir.File("stamp\\star.png"), cache = f.dir.File("stamp\\star.chc");
    VmsImage* reference = LoadStampThumbnail(f.dir.Path().c_str(), image, f.dir.File("stamp\\ref.chc"), w, h);
    ASSERT_TRUE(reference);
    const std::vector<uint32_t> expected = Pixels(reference);
    g_VmsStore.Free(&reference);

    std::vector<uint8_t> strip(30000 * 3, 0x40);
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = 30000;
    bi.biHeight = 30000;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + (DWORD)strip.size();
    std::string tall((const char*)&fh, sizeof fh);
    tall.append((const char*)&bi, sizeof bi);
    tall.append((const char*)strip.data(), strip.size());
    struct Case {
        const char* name;
        std::string bytes;   // empty: a 30000 x 1 strip
    } cases[] = {{"not a bitmap", std::string(300, 'x')}, {"30000 x 1", ""}, {"30000 x 30000, one row", tall}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bytes.empty()) ASSERT_TRUE(testsupport::WriteBmp24(cache, 30000, 1, strip.data(), strip.size()));
        else ASSERT_TRUE(testsupport::WriteFileBytes(cache, c.bytes.data(), c.bytes.size()));
        DWORD start = GetTickCount();
        VmsImage* thumb = LoadStampThumbnail(f.dir.Path().c_str(), image, cache, w, h);
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_TRUE(thumb);
        if (!thumb) continue;
        EXPECT_EQ(w, thumb->width);
        EXPECT_EQ(h, thumb->height);
        EXPECT_EQ(expected, Pixels(thumb));
        g_VmsStore.Free(&thumb);
        // The rebuilt cache is a thumbnail of the cell.
        VmsImage* again = ReadImageWithPlugin(cache.c_str(), nullptr, f.dir.File("file_r\\bmpload.dll").c_str());
        EXPECT_TRUE(again);
        if (again) {
            EXPECT_EQ(expected, Pixels(again));
            g_VmsStore.Free(&again);
        }
    }
}

// An opaque stamp (here a PNG without transparency) is no image brush: no
// resize dialog, the image kept at its size, and a dab of a square tip fills
// its whole box with the stamp's pixels, tiled over the canvas.
TEST(StampSelect, OpaqueStampSkipsTheDialogAndIsNoImageBrush) {
    StampFolder f;
    f.Copy("file_w\\pngsave.dll", "file_w\\pngsave.dll");
    VmsImage* picture = g_VmsStore.Create(16, 16, 24, 0, 1);
    std::vector<uint32_t> row(16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) row[x] = x < 8 ? 0x00C02020u : 0x002020C0u + (uint32_t)y;
        g_VmsStore.PutRow(picture, y, 0, 15, row.data());
    }
    ASSERT_NE(0, WriteImageWithPlugin(picture, f.dir.File("stamp\\flat.png").c_str(),
                                      f.dir.File("file_w\\pngsave.dll").c_str()));
    const std::vector<uint32_t> stamp = Pixels(picture);
    g_VmsStore.Free(&picture);
    RefreshStampPage(0, f.dir.Path().c_str());
    ASSERT_EQ(1u, StampPage(0).paths.size());
    SetPen(0, 0, 0, 6.0, kShapeSolidBox);
    std::string seen;
    SetModalAnswerHook(AnswerResize, &seen);
    int chosen = SelectStamp(nullptr, 0);
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_EQ(1, chosen);
    EXPECT_EQ("", seen);
    EXPECT_EQ(0, Pen.imageBrushOn);
    ASSERT_TRUE(Pen.brushImages[0]);
    EXPECT_EQ(16, Pen.brushImages[0]->width);

    TestCanvas t(60, 40);
    EXPECT_EQ(1, ClickStroke(t, 30, 20));
    RECT box = {60, 40, -1, -1};
    int painted = 0, wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            uint32_t p = t.Pixel(x, y);
            if (p == 0x00FFFFFF) continue;
            ++painted;
            wrong += p != stamp[(size_t)(y % 16) * 16 + x % 16];
            box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                   std::max<LONG>(box.bottom, y)};
        }
    EXPECT_EQ(0, wrong);
    EXPECT_GE(box.right - box.left, 11);
    EXPECT_EQ((box.right - box.left + 1) * (box.bottom - box.top + 1), painted);   // no hole in the box
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
    EXPECT_EQ(1, ClickStroke(t, 20, 15));
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

// A roller of 12 frames counts them all (the page shows 12 thumbnails) but
// paints with the first 10, the frames in their order.
TEST(StampSelect, RollerOfTwelveFramesPaintsWithTheFirstTen) {
    StampFolder f;
    f.Folder("koro\\_twelve");
    for (int i = 1; i <= 12; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "koro\\_twelve\\%03d.png", i);
        f.Copy(i % 2 ? "koro\\_dots\\001.png" : "koro\\_dots\\002.png", name);
    }
    RefreshStampPage(1, f.dir.Path().c_str());
    ASSERT_EQ(1u, StampPage(1).paths.size());
    EXPECT_EQ(12, CountKoroFrames(StampPage(1).paths[0]));
    SetPen(0, 0, 0, 2.0, 0);
    std::string seen;
    SetModalAnswerHook(AnswerResize, &seen);
    ASSERT_EQ(1, SelectKoroStamp(nullptr, 0));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("psv_kororesize", seen);
    // The frames alternate as the files do (each resized by the dialog's scale).
    for (int i = 0; i < kRollerFrameSlots; ++i) ASSERT_NE(nullptr, Pen.rollerFrames[i]) << i;
    EXPECT_NE(Pixels(Pen.rollerFrames[0]), Pixels(Pen.rollerFrames[1]));
    for (int i = 2; i < kRollerFrameSlots; ++i)
        EXPECT_EQ(Pixels(Pen.rollerFrames[i % 2]), Pixels(Pen.rollerFrames[i])) << "frame " << i + 1;
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
