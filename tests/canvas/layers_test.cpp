// The layer stack: adding, naming, deleting, moving, counting, inverting,
// dark parts and merging.
#include <gtest/gtest.h>

#include <cstring>

#include "canvas/canv_compose.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas_fixture.h"
#include "image/dib_image.h"
#include "image/tile_image.h"

using namespace canvtest;

namespace {

std::string NameOf(const CanvDoc* doc, int layer) { return LayerBase(doc, layer)->name; }

}  // namespace

TEST(CanvasLayers, AddTakesTheFirstFreeNameAndStartsTransparent) {
    DocHolder doc(MakeDoc({Layer(16, 8)}));
    ASSERT_TRUE(doc.doc);
    EXPECT_EQ(8, AddLayer(doc.doc, 0, 0, 16, 8, 0));
    EXPECT_EQ(16, AddLayer(doc.doc, 0, 0, 16, 8, 0));
    EXPECT_EQ("レイヤー1", NameOf(doc.doc, 1));
    EXPECT_EQ("レイヤー2", NameOf(doc.doc, 2));
    lstrcpyA(LayerBase(doc.doc, 2)->name, "レイヤー3");
    EXPECT_EQ(24, AddLayer(doc.doc, 0, 0, 16, 8, 0));
    EXPECT_EQ("レイヤー2", NameOf(doc.doc, 3));
    EXPECT_EQ("0T", std::string(LayerBase(doc.doc, 3)[1].name));
    EXPECT_EQ(0u, Pixel(LayerBase(doc.doc, 3)[1].image, 5, 5));          // transparent
    EXPECT_EQ(255u, Pixel(LayerBase(doc.doc, 0)[1].image, 5, 5));        // a new document is opaque
    EXPECT_EQ(0xFFFFFFu, Pixel(LayerBase(doc.doc, 3)->image, 5, 5));
    EXPECT_EQ(1, doc->modified);
    EXPECT_EQ(4, CountLayers(doc.doc, 0));
    EXPECT_EQ(1, CountLayers(doc.doc, 1));   // the added layers show nothing
    FillPlane(LayerBase(doc.doc, 2)[1].image, 0);
    SetPixel(LayerBase(doc.doc, 2)[1].image, 3, 3, 1);
    EXPECT_EQ(2, CountLayers(doc.doc, 1));
}

TEST(CanvasLayers, LimitOf128) {
    DocHolder doc(MakeDoc({Layer(4, 4)}));
    ASSERT_TRUE(doc.doc);
    for (int i = 1; i < CanvMaxLayers; ++i) ASSERT_EQ(i * 8, AddLayer(doc.doc, 0, 0, 4, 4, 0));
    EXPECT_EQ(-1, AddLayer(doc.doc, 0, 0, 4, 4, 0));
    EXPECT_EQ(128, CountLayers(doc.doc, 0));
}

TEST(CanvasLayers, DeleteMovesTheLayersAboveDownAndEmptiesTheHistory) {
    DocHolder doc(MakeDoc({Layer(4, 4)}));
    ASSERT_TRUE(doc.doc);
    for (int i = 1; i < 9; ++i) AddLayer(doc.doc, i, 0, 4, 4, 0);
    c_UndoManager::SavePoint(doc.doc, 8, 0);
    SetPixel(LayerBase(doc.doc, 1)->image, 0, 0, 0);
    doc->currentPlane = 5 * 8 + 1;
    {
        Boxes boxes(IDOK);
        DeleteLayer(doc.doc, 0);
        EXPECT_EQ(1u, boxes.texts.size());
    }
    EXPECT_EQ(9, CountLayers(doc.doc, 0));
    DeleteLayer(doc.doc, 5);
    EXPECT_EQ(8, CountLayers(doc.doc, 0));
    for (int l = 5; l < 8; ++l) EXPECT_EQ(l + 1, LayerBase(doc.doc, l)->x) << l;
    EXPECT_FALSE(LayerInUse(doc.doc, 8));
    // The current plane was in the deleted layer; slot 5 now holds the next
    // layer, whose plane 1 exists.
    EXPECT_EQ(0, doc->undoPosition);
    EXPECT_EQ(0, doc->undoCount);
    doc->currentPlane = 7 * 8;
    DeleteLayer(doc.doc, 7);
    EXPECT_EQ(0, doc->currentPlane);
}

TEST(CanvasLayers, MoveKeepsTheBaseLayer) {
    DocHolder doc(MakeDoc({Layer(4, 4)}));
    ASSERT_TRUE(doc.doc);
    for (int i = 1; i < 4; ++i) AddLayer(doc.doc, i, 0, 4, 4, 0);
    {
        Boxes boxes(IDOK);
        EXPECT_EQ(0, MoveLayer(doc.doc, 2, 0));
        ASSERT_EQ(1u, boxes.texts.size());
        EXPECT_EQ("ベースレイヤーを移動させることはできません。", boxes.texts[0]);
    }
    EXPECT_EQ(1, MoveLayer(doc.doc, 3, 1));
    EXPECT_EQ(3, LayerBase(doc.doc, 1)->x);
    EXPECT_EQ(1, LayerBase(doc.doc, 2)->x);
    EXPECT_EQ(2, LayerBase(doc.doc, 3)->x);
    EXPECT_EQ(1, MoveLayer(doc.doc, 1, 3));
    for (int l = 1; l < 4; ++l) EXPECT_EQ(l, LayerBase(doc.doc, l)->x);
    EXPECT_EQ(0, MoveLayer(doc.doc, 2, 6));   // no layer there
}

TEST(CanvasLayers, InvertAndClear) {
    DocHolder doc(MakeDoc({Layer(4, 4, 0, 0, 5), Layer(4, 4, 0, 0, 0)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    FillPlane(base[5].image, 10);
    doc->currentPlane = 5;
    InvertCurrentPlane(doc.doc);
    EXPECT_EQ(245u, Pixel(base[5].image, 1, 1));
    EXPECT_EQ(0xFFFFFFu, Pixel(base->image, 1, 1));
    doc->currentPlane = 0;
    FillPlane(base->image, 0x102030);
    InvertCurrentPlane(doc.doc);
    EXPECT_EQ(0xEFDFCFu, Pixel(base->image, 1, 1));
    ClearImage(doc.doc, 1);
    EXPECT_EQ(0u, Pixel(base->image, 2, 2));
    EXPECT_EQ(255u, Pixel(base[1].image, 2, 2));
    // Transparent paper on a layer whose transparency plane is there.
    ClearImage(doc.doc, 3);
    EXPECT_EQ(0u, Pixel(base[1].image, 2, 2));
}

TEST(CanvasLayers, DarkPartsBecomeALayer) {
    DocHolder doc(MakeDoc({Layer(4, 2)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    SetPixel(base->image, 0, 0, 0);
    SetPixel(base->image, 1, 0, 0xFFFFFF);
    SetPixel(base->image, 2, 0, 0x303030);
    {
        Boxes boxes(IDYES);
        DarkPartsToLayer(doc.doc);
    }
    ASSERT_TRUE(LayerInUse(doc.doc, 1));
    LayerPlane* made = LayerBase(doc.doc, 1);
    EXPECT_EQ(0u, Pixel(made->image, 1, 0));
    EXPECT_EQ(255u, Pixel(made[1].image, 0, 0));
    EXPECT_EQ(0u, Pixel(made[1].image, 1, 0));
    EXPECT_EQ(255u - 0x30, Pixel(made[1].image, 2, 0));
}

TEST(CanvasLayers, MergeKeepsTheCompositeAndTheExifBlock) {
    DocHolder doc(MakeDoc({Layer(6, 4), Layer(3, 2, 2, 1), Layer(6, 4)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(LayerBase(doc.doc, 0)->image, 0x102030);
    FillPlane(LayerBase(doc.doc, 1)->image, 0x808080);
    LayerBase(doc.doc, 1)->blendMode = BlendMultiply;
    FillPlane(LayerBase(doc.doc, 2)->image, 0x00FF00);
    FillPlane(LayerBase(doc.doc, 2)[1].image, 0);   // the top layer stays separate and invisible
    doc->exifBlob = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    doc->exifSize = 16;
    std::vector<uint32_t> expected;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            DibImage* one = ComposeForDisplay(doc.doc, x, y, x, y, 0, 0);
            uint32_t v = 0;
            c_DibImageOps::GetRow32(one, 0, 0, 0, &v);
            c_DibImageOps::Free(&one);
            expected.push_back(v & 0xFFFFFF);
        }
    doc->currentPlane = 8;
    MergeLayersToBase(doc.doc);
    EXPECT_EQ(2, CountLayers(doc.doc, 0));
    EXPECT_EQ(0x00FF00u, Pixel(LayerBase(doc.doc, 1)->image, 0, 0));   // the top layer moved down
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(expected[(size_t)(y * 6 + x)], Pixel(LayerBase(doc.doc, 0)->image, x, y));
    EXPECT_NE(nullptr, doc->exifBlob);
    EXPECT_EQ(16, doc->exifSize);
    EXPECT_EQ(BlendNormal, LayerBase(doc.doc, 1)->blendMode);
}
