// New documents by origin: refusals, blank layers, copies and their changed flag.
#include <gtest/gtest.h>

#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas_fixture.h"
#include "image/vms_store.h"

using namespace canvtest;

TEST(CanvasInit, UnsoundRequestsAreRefusedWithAMessage) {
    struct Case {
        int layers, width, height, planes;
        const char* text;
    } cases[] = {
        {0, 10, 10, 1, "キャンバスの大きさが正しくありません。"},
        {1, 0, 10, 1, "キャンバスの大きさが正しくありません。"},
        {1, 10, -3, 1, "キャンバスの大きさが正しくありません。"},
        {1, 30001, 10, 1, "キャンバスの大きさは30000×30000ピクセルまでです。"},
        {1, 10, 40000, 1, "キャンバスの大きさは30000×30000ピクセルまでです。"},
        {129, 10, 10, 1, "レイヤー枚数はベースレイヤーを含めて128枚までです。"},
        {1, 10, 10, 8, "キャンバスの大きさが正しくありません。"},
    };
    for (const Case& c : cases) {
        NewCanvasRequest.layerCount = c.layers;
        for (int i = 0; i < CanvMaxLayers; ++i) NewCanvasRequest.layers[i] = Layer(c.width, c.height, 0, 0, c.planes);
        Boxes boxes(IDOK);
        EXPECT_EQ(0, CheckCanvasRequest(NewCanvasRequest, 1));
        ASSERT_EQ(1u, boxes.texts.size()) << c.layers << " " << c.width << "x" << c.height;
        EXPECT_EQ(c.text, boxes.texts[0]);
    }
    Boxes boxes(IDOK);
    EXPECT_EQ(nullptr, MakeDoc({Layer(30001, 2)}));
    EXPECT_EQ(1u, boxes.texts.size());
    DocHolder largest(MakeDoc({Layer(30000, 1)}));
    EXPECT_NE(nullptr, largest.doc);
}

TEST(CanvasInit, BlankDocument) {
    DocHolder doc(MakeDoc({Layer(640, 480, 0, 0, 2), Layer(20, 10, 3, 4)}));
    ASSERT_TRUE(doc.doc);
    EXPECT_EQ(0, doc->modified);
    EXPECT_EQ(640, doc->width);
    EXPECT_EQ(100.0, doc->zoom);   // fits 800 x 600
    EXPECT_EQ("名前なし", std::string(doc->path));
    EXPECT_EQ("ベースレイヤー", std::string(LayerBase(doc.doc, 0)->name));
    EXPECT_EQ("レイヤー2", std::string(LayerBase(doc.doc, 1)->name));
    EXPECT_EQ("0T", std::string(LayerBase(doc.doc, 0)[1].name));
    EXPECT_EQ("TT", std::string(LayerBase(doc.doc, 0)[2].name));
    EXPECT_EQ(255u, Pixel(LayerBase(doc.doc, 1)[1].image, 1, 1));
    EXPECT_EQ(nullptr, LayerBase(doc.doc, 1)[2].image);
    EXPECT_EQ(3, LayerBase(doc.doc, 1)[1].x);
    EXPECT_EQ(PlaneKindChannel, LayerBase(doc.doc, 1)[1].kind);
    DocHolder large(MakeDoc({Layer(4000, 3000)}));
    EXPECT_EQ(10.0, large->zoom);
}

TEST(CanvasInit, CopiesByOrigin) {
    DocHolder source(MakeDoc({Layer(8, 6), Layer(4, 4, 2, 1)}));
    ASSERT_TRUE(source.doc);
    FillPlane(LayerBase(source.doc, 0)->image, 0x112233);
    FillPlane(LayerBase(source.doc, 1)->image, 0x445566);
    SetPixel(LayerBase(source.doc, 1)->image, 1, 1, 0xABCDEF);
    LayerBase(source.doc, 1)->blendMode = BlendDarken;
    lstrcpyA(LayerBase(source.doc, 1)->name, "上");

    // A duplicate copies every plane and is changed.
    DocHolder dup(MakeDoc({Layer(8, 6), Layer(4, 4, 2, 1)}, CanvOriginDuplicate, source.doc));
    ASSERT_TRUE(dup.doc);
    EXPECT_EQ(1, dup->modified);
    EXPECT_EQ(Snapshot(source.doc), Snapshot(dup.doc));
    EXPECT_EQ(BlendDarken, LayerBase(dup.doc, 1)->blendMode);
    EXPECT_EQ("上", std::string(LayerBase(dup.doc, 1)->name));

    // A larger canvas: the base's new area is white and opaque, the upper
    // layer's is transparent; not changed.
    NewCanvasLayer bigger = Layer(10, 8), upper = Layer(6, 6, 2, 1);
    bigger.contentX = bigger.contentY = upper.contentX = upper.contentY = 1;
    DocHolder shifted(MakeDoc({bigger, upper}, CanvOriginShifted, source.doc));
    ASSERT_TRUE(shifted.doc);
    EXPECT_EQ(0, shifted->modified);
    EXPECT_EQ(0x112233u, Pixel(LayerBase(shifted.doc, 0)->image, 1, 1));
    EXPECT_EQ(0xFFFFFFu, Pixel(LayerBase(shifted.doc, 0)->image, 0, 0));
    EXPECT_EQ(255u, Pixel(LayerBase(shifted.doc, 0)[1].image, 0, 0));
    EXPECT_EQ(0xABCDEFu, Pixel(LayerBase(shifted.doc, 1)->image, 2, 2));
    EXPECT_EQ(0u, Pixel(LayerBase(shifted.doc, 1)[1].image, 0, 0));
    EXPECT_EQ(255u, Pixel(LayerBase(shifted.doc, 1)[1].image, 2, 2));

    // The selection copy: the parts of the layers inside the box, protected
    // pixels transparent.
    source->selShapes[0] = SelShape{.kind = 20001, .x0 = 3, .y0 = 2, .x1 = 6, .y1 = 4};
    source->selectionMask = g_VmsStore.Create(8, 6, 8, 0, 1);
    SetPixel(source->selectionMask, 3, 2, 255);
    SetPixel(source->selectionMask, 5, 2, 100);   // partly protected: a blurred edge
    SetPixel(LayerBase(source.doc, 0)[1].image, 5, 2, 200);
    DocHolder cropped(MakeDoc({Layer(4, 3), Layer(3, 3, 0, 0)}, CanvOriginCropped, source.doc));
    ASSERT_TRUE(cropped.doc);
    EXPECT_EQ(1, cropped->modified);
    EXPECT_EQ(0x112233u, Pixel(LayerBase(cropped.doc, 0)->image, 0, 0));
    EXPECT_EQ(0u, Pixel(LayerBase(cropped.doc, 0)[1].image, 0, 0));     // protected
    EXPECT_EQ(255u, Pixel(LayerBase(cropped.doc, 0)[1].image, 1, 0));
    EXPECT_EQ(122u, Pixel(LayerBase(cropped.doc, 0)[1].image, 2, 0));   // 200 x 155 / 255, not 200 & ~100
    EXPECT_EQ(0xABCDEFu, Pixel(LayerBase(cropped.doc, 1)->image, 0, 0));   // source layer pixel (1, 1)
}

TEST(CanvasInit, MergedCopyComposesTheSource) {
    DocHolder source(MakeDoc({Layer(5, 5), Layer(5, 5)}));
    ASSERT_TRUE(source.doc);
    FillPlane(LayerBase(source.doc, 1)->image, 0x808080);
    LayerBase(source.doc, 1)->blendMode = BlendMultiply;
    FillPlane(LayerBase(source.doc, 0)->image, 0x404040);
    DocHolder merged(MakeDoc({Layer(5, 5)}, CanvOriginMerged, source.doc));
    ASSERT_TRUE(merged.doc);
    EXPECT_EQ(0, merged->modified);
    EXPECT_EQ(0x202020u, Pixel(LayerBase(merged.doc, 0)->image, 2, 2));
}
