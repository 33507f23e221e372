// The canvas road of saving, driven by a canvas described in a
// CanvasWriteSource: the composite for single-image formats, every layer for
// the native one, the EXIF data after a JPEG save, and saves that fail.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/ui_hook.h"
#include "fileio/canvas_write.h"
#include "fileio/exif_file.h"
#include "fileio/plugin_read.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

// Two layers: the base 64 x 48 and a 20 x 10 layer at 5, 7 with a
// transparency plane; the composite is the base layer's pixels.
struct FakeCanvas {
    VmsImage* base = MakeSmooth(64, 48);
    VmsImage* top = MakePattern(20, 10, 2);
    VmsImage* alpha = g_VmsStore.Create(20, 10, 8, 128, 1);
    std::vector<uint8_t> exif;
    ~FakeCanvas() {
        g_VmsStore.Free(&base);
        g_VmsStore.Free(&top);
        g_VmsStore.Free(&alpha);
    }
    CanvasWriteSource Source() {
        return CanvasWriteSource{.user = this, .width = 64, .height = 48, .resolution = 300, .currentLayer = 0,
                                 .strokeLayerPlane = -1, .exifBlob = exif.empty() ? nullptr : exif.data(),
                                 .exifSize = (int32_t)exif.size(), .getLayer = GetLayer, .compositeRow = Composite};
    }
    static int GetLayer(void* user, int layer, CanvasWriteLayer* out) {
        FakeCanvas* c = (FakeCanvas*)user;
        if (layer > 1) return 0;
        *out = {};
        out->x = layer ? 5 : 0, out->y = layer ? 7 : 0;
        out->width = layer ? 20 : 64, out->height = layer ? 10 : 48;
        out->bits = 32;
        out->plane[0] = layer ? c->top : c->base;
        if (layer) out->plane[1] = c->alpha;
        snprintf(out->name, sizeof(out->name), layer ? "top" : "base");
        out->blendMode = 1, out->visible = 1;
        return 1;
    }
    static int Composite(void* user, int y, int x0, int x1, uint32_t* out) {
        return g_VmsStore.GetRow(((FakeCanvas*)user)->base, y, x0, x1, out);
    }
};

class CanvasWrite : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.AddRealPlugins());
        ASSERT_TRUE(folder.AddTestPlug("tp_probe.dll", "file_w\\"));
        ASSERT_EQ(1, folder.Init());
    }
    ProgramFolder folder;
    FakeCanvas canvas;
    testsupport::TempDir dir{"cw"};
};

TEST_F(CanvasWrite, SingleImageFormatsGetTheComposite) {
    for (const char* ext : {"bmp", "png", "tif"}) {
        const std::string path = dir.File(std::string("a.") + ext);
        int saved = -1;
        ASSERT_NE(0, WriteCanvasFile(canvas.Source(), -1, 0, 0, 0, path.c_str(), 0, &saved)) << ext;
        EXPECT_EQ(1, saved);
        VmsImage *image = nullptr, *alpha = nullptr;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), &image, &alpha)) << ext;
        EXPECT_EQ(0, MaxDifference(image, canvas.base)) << ext;
        g_VmsStore.Free(&image);
        g_VmsStore.Free(&alpha);
    }
}

TEST_F(CanvasWrite, NativeFormatKeepsEveryLayer) {
    const std::string path = dir.File("a.dra");
    int saved = 0;
    ASSERT_NE(0, WriteCanvasFile(canvas.Source(), -1, 0, 0, 0, path.c_str(), 0, &saved));
    int w = 0, h = 0, count = 0, widths[FileRecordEntries], heights[FileRecordEntries], planes[FileRecordEntries];
    ASSERT_EQ(1, GetImageFileInfo(path.c_str(), &w, &h, widths, heights, nullptr, planes, &count, 1));
    EXPECT_EQ(2, count);
    EXPECT_EQ(20, widths[1]);
    EXPECT_EQ(10, heights[1]);
    EXPECT_EQ(1, planes[1]);   // the transparency plane
    // The hand-over files are gone after the save.
    EXPECT_EQ(-1, testsupport::FileSize(folder.File("file_w\\tmb.jpg")));
    EXPECT_EQ(-1, testsupport::FileSize(folder.File("file_w\\exif.buf")));
}

TEST_F(CanvasWrite, JpegSaveCarriesTheExifData) {
    c_ExifFile camera;
    const char make[] = "Canon";
    std::vector<uint32_t> text(make, make + sizeof(make));
    camera.Ifd0().AddEntry(271, TiffAscii, (int32_t)text.size(), text.data());
    uint32_t iso = 400;
    camera.Exif().AddEntry(34855, TiffShort, 1, &iso);
    canvas.exif.resize((size_t)camera.Pack(nullptr));
    camera.Pack(canvas.exif.data());

    const std::string path = dir.File("a.jpg");
    int saved = 0;
    ASSERT_NE(0, WriteCanvasFile(canvas.Source(), -1, 0, 0, 0, path.c_str(), 0, &saved));
    c_ExifFile back;
    ASSERT_EQ(0, back.Load(path.c_str()));
    EXPECT_EQ("Canon", back.Ifd0().FindEntry("Make")->valueText);
    EXPECT_EQ(400u, back.Exif().GetValue("ISOSpeedRatings"));
    EXPECT_EQ(64u, back.Exif().GetValue("PixelXDimension"));
    EXPECT_GT(back.ThumbnailLength(), 0);
    PackedDib thumb = ReadExifThumbnail(nullptr, path.c_str(), folder.Path().c_str());
    ASSERT_NE(nullptr, thumb);
    EXPECT_EQ(160, thumb->biWidth);
    EXPECT_EQ(120, thumb->biHeight < 0 ? -thumb->biHeight : thumb->biHeight);
    FreePackedDib(thumb);
    // The picture decodes as before.
    VmsImage *image = nullptr, *alpha = nullptr;
    ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), &image, &alpha));
    EXPECT_LT(MeanDifference(image, canvas.base), 4.0);
    g_VmsStore.Free(&image);
    g_VmsStore.Free(&alpha);
}

TEST_F(CanvasWrite, FailedSaveKeepsTheOldFile) {
    HMODULE probe = LoadLibraryA(folder.File("file_w\\tp_probe.dll").c_str());
    ASSERT_NE(nullptr, probe);
    auto setMode = (void(__cdecl*)(int))(void*)GetProcAddress(probe, "TestSetMode");
    struct Case { const char* name; int mode; } cases[] = {{"old.tw", 1}, {"old.refuse", 0}};
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, "OLD", 3));
        setMode(c.mode);
        BoxRecorder boxes;
        int saved = -1;
        EXPECT_EQ(0, WriteCanvasFile(canvas.Source(), -1, 0, 0, 0, path.c_str(), 0, &saved)) << c.name;
        EXPECT_EQ(0, saved);
        std::string bytes;
        ASSERT_TRUE(testsupport::ReadFileBytes(path, &bytes));
        EXPECT_EQ("OLD", bytes) << c.name;
        ASSERT_EQ(1u, boxes.texts.size()) << c.name;
        EXPECT_EQ("保存に失敗しました。", boxes.texts[0]);
    }
    setMode(0);
    FreeLibrary(probe);
    // A canvas wider than the writer takes: the writer refuses, nothing is left behind.
    {
        FakeCanvas wide;
        g_VmsStore.Free(&wide.base);
        wide.base = MakeSmooth(1200, 20);
        CanvasWriteSource source = wide.Source();
        source.width = 1200, source.height = 20;
        source.getLayer = [](void* user, int layer, CanvasWriteLayer* out) {
            if (layer > 0) return 0;
            *out = {};
            out->width = 1200, out->height = 20, out->bits = 32;
            out->plane[0] = ((FakeCanvas*)user)->base;
            return 1;
        };
        BoxRecorder boxes;
        const std::string path = dir.File("wide.tw");
        EXPECT_EQ(0, WriteCanvasFile(source, -1, 0, 0, 0, path.c_str(), 0, nullptr));
        EXPECT_EQ(-1, testsupport::FileSize(path));
        ASSERT_EQ(1u, boxes.texts.size());
        EXPECT_EQ("保存に失敗しました。", boxes.texts[0]);
    }
    // No writer for the extension: nothing written, no message.
    BoxRecorder boxes;
    EXPECT_EQ(0, WriteCanvasFile(canvas.Source(), -1, 0, 0, 0, dir.File("a.xyz").c_str(), 0, nullptr));
    EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
