// The filter host and our twenty effect plug-ins on small documents.
#include <gtest/gtest.h>

#include <cstring>

#include "adjust/effects.h"
#include "adjust/filter_host.h"
#include "canvas/canv_host.h"
#include "canvas_fixture.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "test_support.h"

using namespace canvtest;

namespace {

std::string DistFolder() { return testsupport::ExeFolder() + "..\\dist\\"; }

uint32_t PatternPixel(int x, int y) {
    return (uint32_t)((x * 37 + y * 11) & 255) | (uint32_t)((x * 5 + y * 29) & 255) << 8 |
           (uint32_t)(((x ^ y) * 23) & 255) << 16;
}

void Paint(CanvDoc* doc) {
    VmsImage* plane = doc->planes[0].image;
    for (int y = 0; y < plane->height; ++y)
        for (int x = 0; x < plane->width; ++x) SetPixel(plane, x, y, PatternPixel(x, y));
}

std::vector<uint32_t> Colours(const CanvDoc* doc) {
    const VmsImage* plane = doc->planes[0].image;
    std::vector<uint32_t> out;
    for (int y = 0; y < plane->height; ++y)
        for (int x = 0; x < plane->width; ++x) out.push_back(Pixel(plane, x, y) & 0xFFFFFF);
    return out;
}

}  // namespace

TEST(Effects, TableRowsAndParameterFiles) {
    EXPECT_EQ(std::strcmp(EffectTable[kEffectCount].title, "-"), 0);
    int noParameter = 0;
    for (int i = 0; i < kEffectCount; ++i) noParameter += EffectTable[i].noParameter != 0;
    EXPECT_EQ(noParameter, 4);

    testsupport::TempDir dir("fx");
    CreateDirectoryA(dir.File("filter").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((DistFolder() + "filter\\effect.tpl").c_str(), dir.File("filter\\effect.tpl").c_str(), FALSE));
    struct Case { int index; int level; long long size; int offset; int value; };
    for (Case c : {Case{0, 4, 4, 0, 10}, Case{7, 0, 8, 4, 8}, Case{9, 4, 8, 0, 64}, Case{3, 4, 64, 56, 3},
                   Case{2, 2, 12, 4, 70}, Case{5, 0, 500, 84, 2}, Case{13, 4, 500, 228, 5}, Case{17, 2, 500, 156, 41}}) {
        ASSERT_EQ(WriteEffectParams(dir.Path().c_str(), c.index, c.level, 0, 0, 0), 1) << c.index;
        std::string name = EffectTable[c.index].dll;
        name.replace(name.size() - 4, 4, ".dat");
        std::string bytes;
        ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("filter\\" + name), &bytes));
        EXPECT_EQ((long long)bytes.size(), c.size) << c.index;
        int value = 0;
        if (c.size == 500) value = (uint8_t)bytes[c.offset];
        else std::memcpy(&value, &bytes[c.offset], 4);
        EXPECT_EQ(value, c.value) << c.index;
        DeleteEffectParams(dir.Path().c_str(), c.index);
        EXPECT_EQ(testsupport::FileSize(dir.File("filter\\" + name)), -1);
    }
    EXPECT_EQ(WriteEffectParams(dir.Path().c_str(), 1, 2, 0, 0, 0), 0);   // no file for a blend row
}

TEST(Effects, OptionTextCarriesTheLevel) {
    char text[512];
    FormatFilterOptions(0, text, sizeof text);
    EXPECT_NE(std::strstr(text, "Touch=-4,Color=-4,Deform=-4,Focus=-4"), nullptr);
    FormatFilterOptions(4, text, sizeof text);
    EXPECT_NE(std::strstr(text, "Touch=4,"), nullptr);
    EXPECT_NE(std::strstr(text, "ProgMsg=1024,ProgWprg=3,ProgWfin=0"), nullptr);
}

TEST(FilterHost, RectangleClippedToThePlaneAndGreySource) {
    DocHolder doc(MakeDoc({Layer(20, 10)}));
    ASSERT_TRUE(doc.doc);
    doc->selShapes[0] = {};
    doc->selShapes[0].kind = 20001;
    doc->selShapes[0].x0 = -5;
    doc->selShapes[0].y0 = 4;
    doc->selShapes[0].x1 = 40;
    doc->selShapes[0].y1 = 30;
    c_FilterHost::SetRectangle(doc.doc);
    EXPECT_EQ(c_FilterHost::Rect.left, 0);
    EXPECT_EQ(c_FilterHost::Rect.top, 4);
    EXPECT_EQ(c_FilterHost::Rect.right, 19);
    EXPECT_EQ(c_FilterHost::Rect.bottom, 9);

    // An 8-bit plane goes to DIB filters as grey pixels.
    doc->currentPlane = 1;
    FillPlane(doc->planes[1].image, 77);
    ASSERT_EQ(c_FilterHost::CopySource(doc.doc, 0, 0, 3, 2), 1);
    EXPECT_EQ(c_FilterHost::WorkWidth(), 4);
    EXPECT_EQ(c_FilterHost::WorkHeight(), 3);
    const uint8_t* row = c_FilterHost::WorkRow(2);
    EXPECT_EQ(row[9], 77);
    EXPECT_EQ(row[10], 77);
    EXPECT_EQ(row[11], 77);
    c_FilterHost::FreeWork();
    doc->currentPlane = 0;
}

TEST(FilterHost, EveryEffectChangesRespectsTheMaskAndRepeats) {
    FolderHost host(DistFolder());
    const int savedOpacity = PenOpacity;
    PenOpacity = 255;
    for (int i = 0; i < kEffectCount; ++i) {
        SCOPED_TRACE(EffectTable[i].dll);
        DocHolder doc(MakeDoc({Layer(48, 32)}));
        ASSERT_TRUE(doc.doc);
        Paint(doc.doc);
        const auto before = Colours(doc.doc);
        // Columns 0..23 protected.
        doc->selectionMask = g_VmsStore.Create(48, 32, 8, 0, 1);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 24; ++x) g_VmsStore.SetValue(doc->selectionMask, x, y, 255);
        Boxes boxes(IDOK);
        ASSERT_EQ(ApplyEffectToLayer(nullptr, doc.doc, i, 4), 1);
        EXPECT_TRUE(boxes.texts.empty());
        const auto after = Colours(doc.doc);
        EXPECT_EQ(doc->planes[0].image->width, 48);
        EXPECT_EQ(doc->planes[0].image->height, 32);
        int changed = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) {
                if (x < 24) ASSERT_EQ(after[y * 48 + x], before[y * 48 + x]) << x << "," << y;
                else changed += after[y * 48 + x] != before[y * 48 + x];
            }
        EXPECT_GT(changed, 48 * 32 / 8);
        // A second run on the same picture gives the same pixels.
        Paint(doc.doc);
        ASSERT_EQ(ApplyEffectToLayer(nullptr, doc.doc, i, 4), 1);
        EXPECT_EQ(Colours(doc.doc), after);
        g_VmsStore.Free(&doc->selectionMask);
    }
    PenOpacity = savedOpacity;
}

TEST(FilterHost, PreviewLeavesTheLayerAndBlendRowsWeighByLevel) {
    FolderHost host(DistFolder());
    DocHolder doc(MakeDoc({Layer(40, 30)}));
    ASSERT_TRUE(doc.doc);
    Paint(doc.doc);
    const auto before = Snapshot(doc.doc);
    const int savedOpacity = PenOpacity;
    ASSERT_EQ(RunEffectOnPreview(nullptr, doc.doc, 19, 4, 2, 3, 21, 17), 1);   // gold, plain result
    EXPECT_EQ(c_FilterHost::WorkWidth(), 20);
    EXPECT_EQ(c_FilterHost::WorkHeight(), 15);
    const uint8_t full = c_FilterHost::WorkRow(0)[0];
    ASSERT_EQ(RunEffectOnPreview(nullptr, doc.doc, 19, 0, 2, 3, 21, 17), 1);   // blended at 51
    const uint8_t light = c_FilterHost::WorkRow(0)[0];
    const int original = PatternPixel(2, 3) & 255;
    EXPECT_NE(full, light);
    EXPECT_LE(std::abs(light - original), std::abs(full - original));
    EXPECT_EQ(PenOpacity, savedOpacity);
    EXPECT_EQ(Snapshot(doc.doc), before);
    c_FilterHost::FreeWork();
}

TEST(FilterHost, MissingDllSaysSoAndLeavesTheLayer) {
    testsupport::TempDir dir("nofx");
    FolderHost host(dir.Path());
    DocHolder doc(MakeDoc({Layer(16, 16)}));
    ASSERT_TRUE(doc.doc);
    Paint(doc.doc);
    const auto before = Snapshot(doc.doc);
    const int savedOpacity = PenOpacity;
    Boxes boxes(IDOK);
    EXPECT_EQ(ApplyEffectToLayer(nullptr, doc.doc, 6, 2), 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "DLL ERROR");
    EXPECT_EQ(Snapshot(doc.doc), before);
    EXPECT_EQ(PenOpacity, savedOpacity);
}

namespace {

std::string TestFilter(const char* name) { return testsupport::ExeFolder() + "adjust_filters\\" + name + ".dll"; }

struct Module {
    explicit Module(const char* name) : handle(LoadLibraryA(TestFilter(name).c_str())) {}
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
    HMODULE handle;
};

uint32_t Inverted(uint32_t w) { return ~w & 0xFFFFFF; }

}  // namespace

// A row filter run while a preview work image exists reads and writes only
// the work image; run on the layer it writes colour and transparency rows
// through the selection.
TEST(FilterHost, RowFilterWorksOnThePreviewOrThroughTheSelection) {
    Module rows("tf_rows");
    ASSERT_TRUE(rows.handle);
    DocHolder doc(MakeDoc({Layer(24, 16, 0, 0, 2)}));
    ASSERT_TRUE(doc.doc);
    Paint(doc.doc);
    FillPlane(doc->planes[1].image, 255);
    const auto before = Snapshot(doc.doc);

    ASSERT_EQ(c_FilterHost::CopySource(doc.doc, 2, 3, 11, 8), 1);
    ASSERT_EQ(c_FilterHost::Run(doc.doc, rows.handle), 1);
    EXPECT_EQ(Snapshot(doc.doc), before);
    ASSERT_EQ(c_FilterHost::WorkWidth(), 10);
    for (int y : {0, 5})
        for (int x : {0, 9}) {
            const uint8_t* p = c_FilterHost::WorkRow(y) + 3 * x;
            const uint32_t got = p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16;
            EXPECT_EQ(got, Inverted(PatternPixel(2 + x, 3 + y))) << x << "," << y;
        }
    c_FilterHost::FreeWork();

    const int savedOpacity = PenOpacity;
    PenOpacity = 255;
    doc->selectionMask = g_VmsStore.Create(24, 16, 8, 0, 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 10; ++x) g_VmsStore.SetValue(doc->selectionMask, x, y, 255);
    ASSERT_EQ(c_FilterHost::RunAndPaste(doc.doc, rows.handle), 1);
    for (int y : {0, 7, 15})
        for (int x : {0, 9, 10, 23}) {
            const bool outside = x < 10;
            EXPECT_EQ(Pixel(doc->planes[0].image, x, y) & 0xFFFFFF,
                      outside ? PatternPixel(x, y) : Inverted(PatternPixel(x, y)))
                << x << "," << y;
            EXPECT_EQ(Pixel(doc->planes[1].image, x, y), outside ? 255u : 77u) << x << "," << y;
        }
    g_VmsStore.Free(&doc->selectionMask);
    PenOpacity = savedOpacity;
}

// A DIB filter that exports the script call gets it, with the effect level
// in its options, in preference to its plain call.
TEST(FilterHost, ScriptCallIsPreferredAndCarriesTheLevel) {
    Module script("tf_script");
    ASSERT_TRUE(script.handle);
    const int savedOpacity = PenOpacity, savedLevel = c_FilterHost::EffectLevel;
    PenOpacity = 255;
    for (int level : {0, 4}) {
        DocHolder doc(MakeDoc({Layer(12, 8)}));
        ASSERT_TRUE(doc.doc);
        Paint(doc.doc);
        c_FilterHost::EffectLevel = level;
        ASSERT_EQ(c_FilterHost::RunAndPaste(doc.doc, script.handle), 1);
        const uint32_t v = (uint32_t)(100 + 2 * level - 4);
        EXPECT_EQ(Pixel(doc->planes[0].image, 5, 5) & 0xFFFFFF, v * 0x010101u) << level;
    }
    c_FilterHost::EffectLevel = savedLevel;
    PenOpacity = savedOpacity;
}

// An effect whose DLL is there but refuses to load says "DLL ERROR" and
// leaves the layer and the pen opacity as they were, on the layer and on
// the preview.
TEST(FilterHost, FilterThatFailsToLoadSaysSoAndLeavesTheLayer) {
    testsupport::TempDir dir("badfx");
    CreateDirectoryA(dir.File("filter").c_str(), nullptr);
    for (int index : {0, 19})
        ASSERT_TRUE(CopyFileA(TestFilter("tf_fail").c_str(), dir.File(std::string("filter\\") + EffectTable[index].dll).c_str(),
                              FALSE));
    FolderHost host(dir.Path());
    DocHolder doc(MakeDoc({Layer(16, 16)}));
    ASSERT_TRUE(doc.doc);
    Paint(doc.doc);
    const auto before = Snapshot(doc.doc);
    const int savedOpacity = PenOpacity;
    for (int index : {0, 19}) {
        Boxes boxes(IDOK);
        EXPECT_EQ(ApplyEffectToLayer(nullptr, doc.doc, index, 2), 0) << index;
        EXPECT_EQ(RunEffectOnPreview(nullptr, doc.doc, index, 2, 0, 0, 7, 7), 0) << index;
        ASSERT_EQ(boxes.texts.size(), 2u) << index;
        EXPECT_EQ(boxes.texts[0], "DLL ERROR");
        EXPECT_EQ(boxes.texts[1], "DLL ERROR");
        EXPECT_EQ(Snapshot(doc.doc), before) << index;
        EXPECT_EQ(PenOpacity, savedOpacity) << index;
    }
    c_FilterHost::FreeWork();
}

namespace {

// Columns of the plane in which at least one pixel differs between two colour lists.
std::vector<bool> ChangedColumns(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after, int w) {
    std::vector<bool> changed((size_t)w, false);
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) changed[i % (size_t)w] = true;
    return changed;
}

}  // namespace

// Every effect reaches every column of the layer, and of a selection box, up to
// the last one; outside the box nothing changes.
TEST(FilterHost, EveryEffectReachesTheLastColumnOfTheLayerAndOfTheBox) {
    FolderHost host(DistFolder());
    const int savedOpacity = PenOpacity;
    PenOpacity = 255;
    const int w = 37, h = 23;
    for (int i = 0; i < kEffectCount; ++i) {
        SCOPED_TRACE(EffectTable[i].dll);
        for (bool box : {false, true}) {
            SCOPED_TRACE(box ? "selection box" : "whole layer");
            DocHolder doc(MakeDoc({Layer(w, h)}));
            ASSERT_TRUE(doc.doc);
            Paint(doc.doc);
            const int x0 = box ? 6 : 0, x1 = box ? 28 : w - 1;
            if (box) {
                doc->selShapes[0] = {};
                doc->selShapes[0].kind = 20001;
                doc->selShapes[0].x0 = x0;
                doc->selShapes[0].y0 = 3;
                doc->selShapes[0].x1 = x1;
                doc->selShapes[0].y1 = 19;
            }
            const auto before = Colours(doc.doc);
            Boxes boxes(IDOK);
            ASSERT_EQ(ApplyEffectToLayer(nullptr, doc.doc, i, 4), 1);
            const auto changed = ChangedColumns(before, Colours(doc.doc), w);
            for (int x = 0; x < w; ++x) EXPECT_EQ(x >= x0 && x <= x1, changed[(size_t)x]) << "column " << x;
        }
    }
    PenOpacity = savedOpacity;
}

// Mosaic blocks cut by the layer's right and bottom edges are the mean of
// their own pixels: a flat colour stays that colour up to the edges, and an
// edge block of its own colour keeps it.
TEST(FilterHost, MosaicEdgeBlocksAreTheMeanOfTheirOwnPixels) {
    FolderHost host(DistFolder());
    const int savedOpacity = PenOpacity;
    PenOpacity = 255;
    const int mosaic = 7;
    ASSERT_STREQ("fx_mosaic.dll", EffectTable[mosaic].dll);
    const struct {
        int w, h, level;
    } cases[] = {{37, 23, 0}, {37, 23, 2}, {45, 30, 3}, {13, 70, 4}, {101, 5, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " level " + std::to_string(c.level));
        DocHolder doc(MakeDoc({Layer(c.w, c.h)}));
        ASSERT_TRUE(doc.doc);
        FillPlane(doc->planes[0].image, 0x3C7AB4);
        Boxes boxes(IDOK);
        ASSERT_EQ(ApplyEffectToLayer(nullptr, doc.doc, mosaic, c.level), 1);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                ASSERT_EQ(0x3C7AB4u, Pixel(doc->planes[0].image, x, y) & 0xFFFFFF) << x << "," << y;
    }
    // Level 2 makes blocks of 8 x 8: on 37 x 23 the last column of blocks is
    // 5 wide and the last row 7 high. Painted in a colour of their own, they keep it.
    DocHolder doc(MakeDoc({Layer(37, 23)}));
    ASSERT_TRUE(doc.doc);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) SetPixel(doc->planes[0].image, x, y, x >= 32 || y >= 16 ? 0xF0A020 : 0x102030);
    Boxes boxes(IDOK);
    ASSERT_EQ(ApplyEffectToLayer(nullptr, doc.doc, mosaic, 2), 1);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(x >= 32 || y >= 16 ? 0xF0A020u : 0x102030u, Pixel(doc->planes[0].image, x, y) & 0xFFFFFF)
                << x << "," << y;
    PenOpacity = savedOpacity;
}
