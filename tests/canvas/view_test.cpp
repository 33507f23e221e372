// Zoom and the coordinate conversions of a document.
#include <gtest/gtest.h>

#include "canvas/canv_view.h"
#include "canvas_fixture.h"

using namespace canvtest;

namespace {

void SetZoom(CanvDoc* doc, double zoom) {
    doc->zoom = zoom;
    BuildZoomTables(doc);
}

struct ConversionCase {
    double zoom;
    char what;   // 'I' image to screen, 'S' screen to image
    int in, out;
};

}  // namespace

TEST(CanvasView, ConversionCases) {
    DocHolder doc(MakeDoc({Layer(1000, 800)}));
    ASSERT_TRUE(doc.doc);
    const ConversionCase cases[] = {
        {100, 'I', -5, -5},   {100, 'S', -5, -5},  {100, 'I', 5000, 5000}, {100, 'S', 7, 7},
        {200, 'I', 3, 6},     {200, 'S', 7, 3},    {200, 'S', 6, 3},       {50, 'S', 3, 6},
        {50, 'I', 7, 3},      {300, 'S', -4, -1},  {300, 'I', -4, 0},      {50, 'I', 5000, 2500},
        {50, 'I', -9, -4},    {25, 'S', -3, 0},    {1000, 'I', 999, 9990}, {1000, 'I', 1000, 10000},
        {10, 'S', 99, 990},   {75, 'I', 4, 3},
    };
    for (const ConversionCase& c : cases) {
        SetZoom(doc.doc, c.zoom);
        int got = c.what == 'I' ? ImageToScreenX(doc.doc, c.in) : ScreenToImageX(doc.doc, c.in);
        EXPECT_EQ(c.out, got) << c.zoom << "% " << c.what << " " << c.in;
        // The y half follows the same rule.
        int gotY = c.what == 'I' ? ImageToScreenY(doc.doc, c.in) : ScreenToImageY(doc.doc, c.in);
        if (c.in < 800 && c.out < 800) {
            EXPECT_EQ(c.out, gotY) << c.zoom << "% y " << c.in;
        }
    }
}

TEST(CanvasView, TablesAreMonotonicAndRoundTrip) {
    DocHolder doc(MakeDoc({Layer(137, 91)}));
    ASSERT_TRUE(doc.doc);
    for (double zoom : {10.0, 25.0, 33.0, 50.0, 75.0, 90.0, 100.0, 110.0, 150.0, 200.0, 300.0, 700.0, 1000.0}) {
        SetZoom(doc.doc, zoom);
        const int d = GetDisplayWidth(doc.doc);
        for (int x = 1; x <= 137; ++x)
            ASSERT_LE(ImageToScreenX(doc.doc, x - 1), ImageToScreenX(doc.doc, x)) << zoom << "% " << x;
        for (int s = 1; s < d; ++s)
            ASSERT_LE(ScreenToImageX(doc.doc, s - 1), ScreenToImageX(doc.doc, s)) << zoom << "% " << s;
        if (zoom >= 100) {
            // Each image pixel maps to the first display pixel that shows it.
            for (int x = 0; x < 137; ++x) {
                ASSERT_EQ(x, ScreenToImageX(doc.doc, ImageToScreenX(doc.doc, x))) << zoom << "% " << x;
                if (x > 0) {
                    ASSERT_NE(x, ScreenToImageX(doc.doc, ImageToScreenX(doc.doc, x) - 1));
                }
            }
        } else {
            // Each display pixel maps to the first image pixel that lands on it.
            for (int s = 0; s < d; ++s) {
                ASSERT_EQ(s, ImageToScreenX(doc.doc, ScreenToImageX(doc.doc, s))) << zoom << "% " << s;
                int i = ScreenToImageX(doc.doc, s);
                if (i > 0) {
                    ASSERT_NE(s, ImageToScreenX(doc.doc, i - 1));
                }
            }
        }
        // Beyond the image the rules stay monotonic (no table is read there).
        for (int v = 137; v < 400; ++v) {
            ASSERT_LE(ImageToScreenX(doc.doc, v - 1), ImageToScreenX(doc.doc, v)) << zoom << "% " << v;
            ASSERT_LE(ScreenToImageX(doc.doc, v + d - 138), ScreenToImageX(doc.doc, v + d - 137));
        }
    }
}

TEST(CanvasView, ZoomIsCappedToTheDisplayLimit) {
    DocHolder doc(MakeDoc({Layer(30000, 20)}));
    ASSERT_TRUE(doc.doc);
    double zoom = CapZoom(doc.doc, 1000);
    EXPECT_LE((int64_t)(30000 * zoom * 0.01), 32767);
    EXPECT_GT((int64_t)(30000 * (zoom + 1) * 0.01), 32767);
    SetZoom(doc.doc, zoom);
    EXPECT_EQ(29999, ScreenToImageX(doc.doc, GetDisplayWidth(doc.doc) - 1));
    EXPECT_EQ(1000, CapZoom(doc.doc, 5000) > 1000 ? 0 : 1000);
    DocHolder small(MakeDoc({Layer(640, 480)}));
    EXPECT_EQ(1000, CapZoom(small.doc, 1000));
    EXPECT_EQ(10, CapZoom(small.doc, 5));
}

TEST(CanvasView, FirstZoomFitsTheClient) {
    EXPECT_EQ(100, FirstZoom(640, 480, 800, 600));
    EXPECT_EQ(10, FirstZoom(4000, 3000, 800, 600));
    EXPECT_EQ(90, FirstZoom(800, 500, 800, 600));    // 800 is not below 800
    EXPECT_EQ(50, FirstZoom(1500, 100, 800, 600));
    EXPECT_EQ(10, FirstZoom(30000, 30000, 800, 600));
}
