// Blend modes, the composed rows and the screen overlays.
#include <gtest/gtest.h>

#include "canvas/canv_compose.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas_fixture.h"
#include "image/dib_image.h"
#include "image/product_table.h"

using namespace canvtest;

namespace {

uint32_t ComposedAt(CanvDoc* doc, int x, int y, int overlays = 0, int baseFromFirst = 0) {
    DibImage* image = ComposeForDisplay(doc, x, y, x, y, overlays, baseFromFirst);
    if (!image) return 0xDEADBEEF;
    uint32_t v = 0;
    c_DibImageOps::GetRow32(image, 0, 0, 0, &v);
    c_DibImageOps::Free(&image);
    return v & 0xFFFFFFu;
}

uint32_t Grey(int v) { return (uint32_t)v * 0x010101u; }

}  // namespace

TEST(CanvasCompose, BlendBytes) {
    BuildProductTable();
    struct Case {
        int mode, d, s, m, out;
    } cases[] = {
        {BlendNormal, 0, 255, 128, 128},     {BlendNormal, 40, 200, 255, 200},   {BlendNormal, 40, 200, 0, 40},
        {BlendMultiply, 128, 128, 255, 64},  {BlendMultiply, 128, 128, 128, 96}, {BlendLighten, 100, 50, 255, 100},
        {BlendDarken, 100, 50, 255, 50},     {BlendHighlight, 100, 200, 255, 255}, {BlendDifference, 30, 200, 255, 170},
        {BlendOverlay, 100, 200, 255, 156},  {BlendOverlay, 200, 100, 255, 189}, {BlendHidden, 77, 200, 255, 77},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.out, BlendByte(c.mode, c.d, c.s, c.m)) << c.mode << " " << c.d << " " << c.s << " " << c.m;
    // Luminosity takes the value of the source, hue and saturation the rest.
    EXPECT_EQ(Grey(200), BlendPixel(BlendLuminosity, Grey(50), Grey(200), 255));
    EXPECT_EQ(Grey(50), BlendPixel(BlendHueSaturation, Grey(50), Grey(200), 255));
}

TEST(CanvasCompose, LayersOverWhite) {
    DocHolder doc(MakeDoc({Layer(8, 4), Layer(4, 4, 2, 0)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    LayerPlane* top = LayerBase(doc.doc, 1);
    FillPlane(base->image, 0x102030);
    FillPlane(top->image, 0xC08040);
    // A new document's layers are opaque: the top layer replaces the base.
    EXPECT_EQ(0xC08040u, ComposedAt(doc.doc, 3, 1));
    EXPECT_EQ(0x102030u, ComposedAt(doc.doc, 1, 1));   // outside the top layer
    top->transparency = 255;
    EXPECT_EQ(0x102030u, ComposedAt(doc.doc, 3, 1));
    top->transparency = 0;
    top->blendMode = BlendHidden;
    EXPECT_EQ(0x102030u, ComposedAt(doc.doc, 3, 1));
    top->blendMode = BlendNormal;
    FillPlane(top[1].image, 128);   // half transparent
    EXPECT_EQ((uint32_t)BlendPixel(BlendNormal, 0x102030, 0xC08040, 128), ComposedAt(doc.doc, 3, 1));
    // A base layer whose transparency plane is 0 shows white.
    FillPlane(base[1].image, 0);
    EXPECT_EQ(0xFFFFFFu, ComposedAt(doc.doc, 0, 0));
}

// A layer's transparency weighs its pixels in every blend mode: the composed
// pixel is the per-pixel blend at the layer's opacity (255 - transparency),
// through the layer's own transparency plane (opaque and half).
TEST(CanvasCompose, LayerTransparencyPerBlendMode) {
    BuildProductTable();
    DocHolder doc(MakeDoc({Layer(4, 2), Layer(4, 2)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    LayerPlane* top = LayerBase(doc.doc, 1);
    const uint32_t under = 0x2060A0, over = 0xC04080;
    FillPlane(base->image, under);
    FillPlane(top->image, over);
    const int modes[] = {BlendNormal,         BlendMultiply,  BlendLighten,    BlendDarken, BlendLuminosity,
                         BlendHueSaturation, BlendHighlight, BlendDifference, BlendOverlay};
    for (int plane : {255, 128}) {
        FillPlane(top[1].image, (uint32_t)plane);
        for (int mode : modes)
            for (int transparency : {0, 64, 128, 255}) {
                top->blendMode = mode;
                top->transparency = transparency;
                const int weight = ProductTable[plane][255 - transparency];
                const uint32_t want = weight ? BlendPixel(mode, under, over, weight) & 0xFFFFFFu : under;
                EXPECT_EQ(want, ComposedAt(doc.doc, 1, 1))
                    << "mode " << mode << " transparency " << transparency << " plane " << plane;
            }
    }
}

TEST(CanvasCompose, FirstLayerAsBackgroundIsNotBlendedOverItself) {
    DocHolder doc(MakeDoc({Layer(4, 4)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    FillPlane(base->image, Grey(128));
    base->blendMode = BlendMultiply;
    EXPECT_EQ(Grey(128), ComposedAt(doc.doc, 1, 1, 0, 1));
    // Over white the same layer multiplies white.
    EXPECT_EQ(Grey(128), ComposedAt(doc.doc, 1, 1, 0, 0));
}

TEST(CanvasCompose, PlaneShownInRedOverItsLayer) {
    DocHolder doc(MakeDoc({Layer(4, 4, 0, 0, 2)}));
    ASSERT_TRUE(doc.doc);
    LayerPlane* base = LayerBase(doc.doc, 0);
    FillPlane(base->image, 0x204060);
    FillPlane(base[2].image, 0xAB);
    doc->currentPlane = 2;
    EXPECT_EQ(0xAB4060u, ComposedAt(doc.doc, 2, 2));
}

TEST(CanvasCompose, DimmingOutsideTheCurrentLayer) {
    DocHolder doc(MakeDoc({Layer(8, 4), Layer(2, 2, 1, 1)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(LayerBase(doc.doc, 1)[1].image, 0);   // the upper layer shows nothing
    int dim = 1;
    CanvasHost host = GetCanvasHost();
    CanvasHost saved = host;
    host.dimOutsideLayer = &dim;
    SetCanvasHost(host);
    doc->currentPlane = 8;
    EXPECT_EQ(Grey(204), ComposedAt(doc.doc, 6, 3, 1));
    EXPECT_EQ(Grey(255), ComposedAt(doc.doc, 1, 1, 1));
    EXPECT_EQ(Grey(255), ComposedAt(doc.doc, 6, 3, 0));   // overlays off
    SetCanvasHost(saved);
}

TEST(CanvasCompose, DitherFor16BitScreens) {
    DibImage* tile = c_DibImageOps::Create(8, 2, 24);
    ASSERT_TRUE(tile);
    uint32_t row[8];
    for (uint32_t& v : row) v = Grey(1);
    c_DibImageOps::PutRow32(tile, 0, 0, 7, row);
    for (uint32_t& v : row) v = 0x07FF07u;
    c_DibImageOps::PutRow32(tile, 1, 0, 7, row);
    DibImage* same = c_DibImageOps::Clone(tile);
    DitherTileTo15Bit(same, 0, 0, 32);   // no dithering on a 32-bit screen
    uint32_t got[8];
    c_DibImageOps::GetRow32(same, 0, 0, 7, got);
    EXPECT_EQ(Grey(1), got[0] & 0xFFFFFF);
    DitherTileTo15Bit(tile, 0, 0, 16);
    c_DibImageOps::GetRow32(tile, 0, 0, 7, got);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(j == 3 || j == 7 ? Grey(8) : 0u, got[j] & 0xFFFFFF) << j;
    c_DibImageOps::GetRow32(tile, 1, 0, 7, got);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(0x08FF08u, got[j] & 0xFFFFFF) << j;
    c_DibImageOps::Free(&tile);
    c_DibImageOps::Free(&same);
}
