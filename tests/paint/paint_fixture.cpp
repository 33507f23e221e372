#include "paint_fixture.h"

#include <cstring>

#include "image/product_table.h"
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"

namespace painttest {

namespace {
TestCanvas* Self(PenCanvas* c) { return (TestCanvas*)c->doc; }
int SavePoint(PenCanvas* c, int) { return ++Self(c)->savePoints, 1; }
void Modified(PenCanvas* c) { ++Self(c)->modified; }
int SelectionActive(PenCanvas* c) { return !Self(c)->selection.empty(); }
void SelectionRow(PenCanvas* c, int y, int x0, int x1, uint8_t* row) {
    TestCanvas* t = Self(c);
    for (int x = x0; x <= x1; ++x)
        row[x - x0] = x < 0 || y < 0 || x >= c->width || y >= c->height ? 255 : t->selection[y * c->width + x];
}
int SelectionPixel(PenCanvas* c, int x, int y) {
    uint8_t v;
    SelectionRow(c, y, x, x, &v);
    return v;
}
}  // namespace

TestCanvas::TestCanvas(int width, int height, int layers, uint32_t fill, bool alpha) {
    static bool built = false;
    if (!built) BuildProductTable();
    built = true;
    planes.assign(layers * kPlanesPerLayer, LayerPlane{});
    for (int l = 0; l < layers; ++l) {
        LayerPlane& p = planes[l * kPlanesPerLayer];
        p.image = g_VmsStore.Create(width, height, 32, 0, 1);
        p.depth = 24;
        std::vector<uint32_t> row(width, fill);
        for (int y = 0; y < height; ++y) g_VmsStore.PutRow(p.image, y, 0, width - 1, row.data());
        if (alpha) {
            LayerPlane& a = planes[l * kPlanesPerLayer + 1];
            a.image = g_VmsStore.Create(width, height, 8, 255, 1);
            a.depth = 8;
            std::vector<uint8_t> bytes(width, 255);
            for (int y = 0; y < height; ++y) g_VmsStore.PutRow(a.image, y, 0, width - 1, bytes.data());
        }
    }
    view.doc = this;
    view.width = width;
    view.height = height;
    view.layerCount = layers;
    view.planes = planes.data();
    view.current = 0;
    view.channelOn[0] = view.channelOn[1] = view.channelOn[2] = 1;
    view.savePoint = SavePoint;
    view.setModified = Modified;
    view.selectionActive = SelectionActive;
    view.selectionMaskRow = SelectionRow;
    view.selectionMaskPixel = SelectionPixel;
}

TestCanvas::~TestCanvas() {
    for (LayerPlane& p : planes) {
        g_VmsStore.Free(&p.image);
        g_VmsStore.Free(&p.doubleImage);
    }
}

VmsImage* TestCanvas::AddMask(int layer, int n, int value) {
    LayerPlane& m = planes[layer * kPlanesPerLayer + n];
    g_VmsStore.Free(&m.image);
    m.image = g_VmsStore.Create(view.width, view.height, 8, value, 1);
    m.depth = 8;
    std::vector<uint8_t> bytes(view.width, (uint8_t)value);
    for (int y = 0; y < view.height; ++y) g_VmsStore.PutRow(m.image, y, 0, view.width - 1, bytes.data());
    return m.image;
}

uint32_t TestCanvas::Pixel(int x, int y, int plane) {
    uint32_t w = 0;
    g_VmsStore.GetRow(planes[plane].image, y, x, x, &w);
    return w & 0x00FFFFFF;
}

int TestCanvas::Value(int x, int y, int plane) {
    int v = 0;
    g_VmsStore.GetValue(planes[CurrentLayer(&view) * kPlanesPerLayer + plane].image, x, y, &v);
    return v;
}

void TestCanvas::SetPixel(int x, int y, uint32_t word) { g_VmsStore.PutRow(planes[view.current].image, y, x, x, &word); }

void TestCanvas::SetAlpha(int x, int y, int value) {
    g_VmsStore.SetValue(planes[CurrentLayer(&view) * kPlanesPerLayer + 1].image, x, y, value);
}

std::vector<uint32_t> TestCanvas::Snapshot() {
    std::vector<uint32_t> all((size_t)view.width * view.height);
    for (int y = 0; y < view.height; ++y)
        c_PenEngine::GetPlaneRow(&view, y, 0, view.width - 1, &all[(size_t)y * view.width]);
    return all;
}

void SetPen(int r, int g, int b, double radius, int shape) {
    ResetPenState();
    SetPenColour(0, r, g, b);
    Pen.tip.hRadius = Pen.tip.vRadius = radius;
    Pen.tip.tipShape = shape;
    RenderPenTip(0);
}

}  // namespace painttest
