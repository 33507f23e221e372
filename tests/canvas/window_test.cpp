// Document windows in the running frame: opening a PNG and a layered native
// file, the composed window pixels at several zooms, layer commands, undo and
// redo, the close question, refused files, and a second start of the editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/envblock.h"
#include "app/globals.h"
#include "app/statusbar.h"
#include "app_test_util.h"
#include "editor_process.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "canvas_fixture.h"
#include "ui/ui_hook.h"
#include "ui/mousepoll.h"
#include "resources/newcanvas_ids.h"
#include "fileio/plugin_api.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"
#include "test_support.h"

using namespace canvtest;

namespace {

const int kPngW = 150, kPngH = 90;
const int kDraW = 64, kDraH = 48;

uint32_t PngPixel(int x, int y) { return (uint32_t)((x * 7) & 255) | ((uint32_t)((y * 5) & 255) << 8) | (uint32_t)((x + y) & 255) << 16; }
uint32_t DraPixel(int layer, int x, int y) { return layer == 0 ? 0x204080u + (uint32_t)x : 0xF0E000u + (uint32_t)y; }

// The second layer of the native file: 20 x 10 at (30, 12).
const int kTopX = 30, kTopY = 12, kTopW = 20, kTopH = 10;

int DARNA_PLUGIN_CALL DraGetRow(int y, int x0, int x1, uint8_t* out, int image) {
    if (image > 1) return -1;
    for (int x = x0; x <= x1; ++x) {
        uint32_t p = DraPixel(image < 0 ? 0 : image, x, y);
        out[3 * (x - x0)] = (uint8_t)p;
        out[3 * (x - x0) + 1] = (uint8_t)(p >> 8);
        out[3 * (x - x0) + 2] = (uint8_t)(p >> 16);
    }
    return 1;
}
int DARNA_PLUGIN_CALL DraGetTransparencyRow(int, int x0, int x1, uint8_t* out, int image, int) {
    if (image < 0 || image > 1) return -1;
    std::memset(out, 255, (size_t)(x1 - x0 + 1));
    return 1;
}
int DARNA_PLUGIN_CALL DraGetPalette(uint8_t*) { return 0; }

class CanvasWindows : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dll : {"pngload.dll", "draload.dll", "bmpload.dll"}) {
            CreateDirectoryA(dir.File("file_r").c_str(), nullptr);
            ASSERT_TRUE(CopyFileA((fiotest::DistFolder() + "file_r\\" + dll).c_str(),
                                  dir.File(std::string("file_r\\") + dll).c_str(), FALSE));
        }
        // A writer, for the save dialog's types.
        CreateDirectoryA(dir.File("file_w").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((fiotest::DistFolder() + "file_w\\pngsave.dll").c_str(),
                              dir.File("file_w\\pngsave.dll").c_str(), FALSE));
        boxes = std::make_unique<Boxes>(IDOK);
        ASSERT_TRUE(apptest::StartFrame(dir.Path(), {}, SW_SHOWMAXIMIZED));
        SetForegroundWindow(AppWindows.frame);
    }
    void TearDown() override {
        apptest::ForceEnd();
        boxes.reset();
    }

    std::string WritePng(const std::string& name, int w, int h) {
        std::string path = dir.File(name);
        VmsImage* image = g_VmsStore.Create(w, h, 24, 0, 1);
        std::vector<uint32_t> row((size_t)w);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) row[(size_t)x] = PngPixel(x, y);
            g_VmsStore.PutRow(image, y, 0, w - 1, row.data());
        }
        int ok = WriteImageWithPlugin(image, path.c_str(), (fiotest::DistFolder() + "file_w\\pngsave.dll").c_str());
        g_VmsStore.Free(&image);
        return ok ? path : std::string();
    }

    std::string WriteDra(const std::string& name) {
        std::string path = dir.File(name);
        fiotest::Records rec;
        FileImageInfo* info = rec.Info();
        info->xResolution = info->yResolution = 150;
        info->count = 2;
        info->image[0] = FileImageEntry{.width = kDraW, .height = kDraH, .bits = 24};
        info->image[1] = FileImageEntry{.width = kTopW, .height = kTopH, .bits = 24};
        info->image[0].strokeLayerPlane = -1;
        std::strcpy(rec.Layers()[0].name, "背景");
        std::strcpy(rec.Layers()[1].name, "上の層");
        rec.Layers()[1].left = kTopX;
        rec.Layers()[1].top = kTopY;
        for (int i = 0; i < 2; ++i) {
            rec.Layers()[i].blendMode = 1;
            rec.Layers()[i].visible = 1;
            rec.Layers()[i].one = 1;
            rec.Layers()[i].layerNumber = i;
            rec.Names()[i].planeFlags[0] = 1;
        }
        rec.Layers()[1].transparency = 0;
        fiotest::Dll save(fiotest::DistFolder() + "file_w\\drasave.dll");
        auto init = save.Get<WriteFileInitFn>(DARNA_EXPORT_WRITE_FILE_INIT);
        auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
        if (!init || !exec || init(nullptr, path.c_str(), 1) != 1) return std::string();
        WriteFileCallbacks cb = {DraGetRow, DraGetTransparencyRow, DraGetPalette};
        return exec(nullptr, path.c_str(), info, rec.Names(), rec.Layers(), &cb) == 1 ? path : std::string();
    }

    int Children() {
        int n = 0;
        for (HWND w = GetWindow(AppWindows.mdiClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++n;
        return n;
    }

    CanvDoc* Open(const std::string& path) {
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path.c_str());
        apptest::Pump(100);
        return GetActiveCanvas();
    }

    // The display surface's pixels as the screen shows them (w x h from 0, 0).
    std::vector<uint32_t> ReadDisplay(CanvDoc* doc, int w, int h) {
        RedrawWindow(doc->display, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        apptest::Pump(50);
        HDC screen = GetDC(doc->display);
        HDC mem = CreateCompatibleDC(screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> out((const uint32_t*)bits, (const uint32_t*)bits + (size_t)w * h);
        for (uint32_t& v : out) v &= 0xFFFFFF;
        SelectObject(mem, old);
        DeleteObject(dib);
        DeleteDC(mem);
        ReleaseDC(doc->display, screen);
        return out;
    }

    // At 50, 100 and 200 %, scrolled to the top left, every display pixel shows
    // want(ix, iy) of the image pixel under it by the zoom's own rule.
    void ExpectDisplayAtEachZoom(CanvDoc* doc, const std::function<uint32_t(int, int)>& want) {
        for (int preset : {CMD_VIEW_ZOOM_FIRST + 2, CMD_VIEW_ZOOM_100, CMD_VIEW_ZOOM_FIRST + 6}) {
            SendMessageA(doc->window, WM_COMMAND, preset, 0);
            const int z = (int)ZoomPresetTable[preset - CMD_VIEW_ZOOM_FIRST];
            ASSERT_EQ((double)z, doc->zoom);
            RECT shown;
            GetClientRect(doc->pane, &shown);
            const int w = std::min(GetDisplayWidth(doc), (int)shown.right - 16);
            const int h = std::min(GetDisplayHeight(doc), (int)shown.bottom - 16);
            ASSERT_GT(w, 20);
            ASSERT_GT(h, 20);
            SendMessageA(doc->pane, WM_HSCROLL, SB_LEFT, 0);
            SendMessageA(doc->pane, WM_VSCROLL, SB_TOP, 0);
            std::vector<uint32_t> got = ReadDisplay(doc, w, h);
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int ix = z < 100 ? (x * 100 + z - 1) / z : x * 100 / z;
                    const int iy = z < 100 ? (y * 100 + z - 1) / z : y * 100 / z;
                    if (got[(size_t)(y * w + x)] != want(ix, iy) && ++wrong < 5)
                        ADD_FAILURE() << z << "% at " << x << "," << y;
                }
            EXPECT_EQ(0, wrong) << z;
        }
    }

    testsupport::TempDir dir{"cvw"};
    std::unique_ptr<Boxes> boxes;
};

}  // namespace

TEST_F(CanvasWindows, PngOpensAndShowsTheSamePixelsAtEachZoom) {
    std::string png = WritePng("photo.png", kPngW, kPngH);
    ASSERT_FALSE(png.empty());
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(1, Children());
    EXPECT_EQ(kPngW, doc->width);
    EXPECT_EQ(1, CountLayers(doc, 0));
    EXPECT_EQ(0, doc->modified);
    EXPECT_EQ(PngPixel(17, 33), Pixel(LayerBase(doc, 0)->image, 17, 33));
    char title[300];
    GetWindowTextA(doc->window, title, sizeof title);
    EXPECT_NE(nullptr, std::strstr(title, "photo.png")) << title;
    // Opening it again makes no second window.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)png.c_str());
    EXPECT_EQ(1, Children());

    ExpectDisplayAtEachZoom(doc, [](int ix, int iy) { return PngPixel(ix, iy); });
    // Zoom steps stop at the limits.
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOM_LAST, 0);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOMIN, 0);
    EXPECT_EQ(1000.0, doc->zoom);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOM_FIRST, 0);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOMOUT, 0);
    EXPECT_EQ(10.0, doc->zoom);
}

TEST_F(CanvasWindows, LayeredFileOpensWithItsLayers) {
    std::string dra = WriteDra("layers.dra");
    ASSERT_FALSE(dra.empty());
    CanvDoc* doc = Open(dra);
    ASSERT_NE(nullptr, doc);
    ASSERT_EQ(2, CountLayers(doc, 0));
    EXPECT_EQ(kDraW, doc->width);
    EXPECT_EQ(150, doc->resolution);
    const LayerPlane* top = LayerBase(doc, 1);
    EXPECT_EQ("背景", std::string(LayerBase(doc, 0)->name));
    EXPECT_EQ("上の層", std::string(top->name));
    EXPECT_EQ(kTopX, top->x);
    EXPECT_EQ(kTopY, top[1].y);
    EXPECT_EQ(kTopW, top->width);
    EXPECT_EQ(DraPixel(1, 3, 4), Pixel(top->image, 3, 4));
    // The composed window: the upper layer inside its rectangle, the base
    // layer elsewhere.
    ExpectDisplayAtEachZoom(doc, [](int ix, int iy) {
        const bool inTop = ix >= kTopX && ix < kTopX + kTopW && iy >= kTopY && iy < kTopY + kTopH;
        return inTop ? DraPixel(1, ix - kTopX, iy - kTopY) : DraPixel(0, ix, iy);
    });
}

namespace {
// Pixels of a window as the screen shows it.
std::vector<COLORREF> ScreenPixels(HWND wnd, int* w, int* h) {
    RECT rc;
    GetClientRect(wnd, &rc);
    *w = rc.right, *h = rc.bottom;
    std::vector<COLORREF> out;
    HDC dc = GetDC(wnd);
    for (int y = 0; y < *h; ++y)
        for (int x = 0; x < *w; ++x) out.push_back(GetPixel(dc, x, y));
    ReleaseDC(wnd, dc);
    return out;
}
}  // namespace

// Rulers chosen in the ruler dialog show on the screen with their face and
// ticks once the window has settled, not the document window's background.
TEST_F(CanvasWindows, RulersShowOnTheScreen) {
    std::string png = WritePng("ruler.png", 300, 200);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOM_100, 0);
    SetModalAnswerHook([](const ModalRequest& r, void*) { return r.attempt == 0 ? 101 : (int)IDOK; }, nullptr);
    SendMessageA(doc->window, WM_COMMAND, 11013, 0);
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_EQ(1, doc->rulerUnit);
    apptest::Pump(300);
    int w = 0, h = 0;
    std::vector<COLORREF> shown = ScreenPixels(doc->hRuler, &w, &h);
    ASSERT_GT(w, 100);
    int face = 0, ticks = 0;
    for (COLORREF c : shown) {
        face += c == RGB(192, 192, 192);
        ticks += c == RGB(0, 0, 255);
    }
    EXPECT_GT(face, w * h / 4) << "ruler face";
    EXPECT_GT(ticks, 5) << "major ticks";
}

// The cursor marker of both rulers follows the pointer over the canvas: a
// black line at the pointer's place in a light strip along the ruler's edge.
TEST_F(CanvasWindows, RulerMarkersFollowTheCursorOnTheScreen) {
    std::string png = WritePng("marker.png", 300, 200);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOM_100, 0);
    SetModalAnswerHook([](const ModalRequest& r, void*) { return r.attempt == 0 ? 101 : (int)IDOK; }, nullptr);
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_RULER, 0);
    SetModalAnswerHook(nullptr, nullptr);
    ASSERT_EQ(1, doc->rulerUnit);
    apptest::Pump(300);
    const COLORREF light = RGB(240, 240, 240), black = RGB(0, 0, 0);
    for (POINT at : {POINT{60, 40}, POINT{150, 110}}) {
        SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
        SendMessageA(doc->display, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        const int ix = ScreenToImageX(doc, at.x), iy = ScreenToImageY(doc, at.y);
        const int px = ImageToScreenX(doc, ix) - doc->scrollX + 8, py = ImageToScreenY(doc, iy) - doc->scrollY + 8;
        ASSERT_GT(px, 20);
        ASSERT_GT(py, 20);
        int w = 0, h = 0;
        std::vector<COLORREF> top = ScreenPixels(doc->hRuler, &w, &h);
        ASSERT_GT(w, px + 12);
        const int row = 3 * h / 4 + 2;
        EXPECT_EQ(black, top[(size_t)row * w + px]) << "horizontal marker line";
        EXPECT_EQ(light, top[(size_t)row * w + px - 4]);
        EXPECT_EQ(light, top[(size_t)row * w + px + 4]);
        EXPECT_EQ(black, top[(size_t)row * w + px - 12]) << "the strip beside the marker";
        std::vector<COLORREF> left = ScreenPixels(doc->vRuler, &w, &h);
        ASSERT_GT(h, py + 12);
        const int column = 3 * w / 4 + 2;
        EXPECT_EQ(black, left[(size_t)py * w + column]) << "vertical marker line";
        EXPECT_EQ(light, left[(size_t)(py - 4) * w + column]);
        EXPECT_EQ(light, left[(size_t)(py + 4) * w + column]);
        EXPECT_EQ(black, left[(size_t)(py - 12) * w + column]);
    }
}

TEST_F(CanvasWindows, LayerCommandsUndoRedoAndTheCloseQuestion) {
    std::string png = WritePng("edit.png", 40, 30);
    CanvDoc* doc = Open(png);
    ASSERT_NE(nullptr, doc);
    HWND wnd = doc->window;
    // Add: the new layer goes just above the current one and becomes current.
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_ADD, 0);
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_ADD, 0);
    ASSERT_EQ(3, CountLayers(doc, 0));
    EXPECT_EQ(16, doc->currentPlane);
    lstrcpyA(LayerBase(doc, 2)->name, "two");
    doc->currentPlane = 0;
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_ADD, 0);
    EXPECT_EQ(8, doc->currentPlane);
    EXPECT_EQ("two", std::string(LayerBase(doc, 3)->name));   // moved up by one
    // Delete asks first; the base layer cannot go.
    boxes->button = IDYES;
    size_t shown = boxes->texts.size();
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_DELETE, 0);
    EXPECT_EQ(3, CountLayers(doc, 0));
    ASSERT_EQ(shown + 1, boxes->texts.size());
    doc->currentPlane = 0;
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_DELETE, 0);
    EXPECT_EQ(3, CountLayers(doc, 0));
    EXPECT_EQ("ベースレイヤーは削除できません。", boxes->texts.back());

    // Undo and redo restore the pixels exactly.
    const std::vector<uint32_t> before = Snapshot(doc);
    c_UndoManager::SavePoint(doc, 0, 1);
    std::vector<uint32_t> row(40, 0x00FF00);
    for (int y = 5; y < 9; ++y) PutPlaneRow(doc, y, 0, 39, row.data());
    const std::vector<uint32_t> after = Snapshot(doc);
    SendMessageA(wnd, WM_COMMAND, CMD_EDIT_UNDO, 0);
    EXPECT_EQ(before, Snapshot(doc));
    SendMessageA(wnd, WM_COMMAND, CMD_EDIT_REDO, 0);
    EXPECT_EQ(after, Snapshot(doc));
    // Invert takes its checkpoint first.
    SendMessageA(wnd, WM_COMMAND, CMD_IMG_INVERT, 0);
    EXPECT_EQ(0xFF00FFu, Pixel(LayerBase(doc, 0)->image, 3, 6));
    SendMessageA(wnd, WM_COMMAND, CMD_EDIT_UNDO, 0);
    EXPECT_EQ(after, Snapshot(doc));

    // The close question: Cancel keeps the window, No closes it unsaved.
    ASSERT_EQ(1, doc->modified);
    boxes->button = IDCANCEL;
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(wnd));
    EXPECT_EQ(1, doc->modified);
    EXPECT_EQ("画像に変更があります。保存しますか？", boxes->texts.back());
    boxes->button = IDNO;
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    apptest::Pump(50);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(0, Children());
}

// The command bracket and the limits of the document commands: the zoom
// steps stop at 10 and 1000 %, the shading style wraps, view commands leave a
// pending selection rebuild for later while the pen's fill runs it first,
// clearing to paper keeps the base layer's transparency, and a 129th layer is
// refused with the limit message.
TEST_F(CanvasWindows, CommandLimitsAndThePendingSelectionRebuild) {
    CanvDoc* doc = Open(WritePng("limits.png", 40, 30));
    ASSERT_NE(nullptr, doc);
    HWND wnd = doc->window;
    const struct {
        double from;
        int command;
        double to;
    } zooms[] = {{995, CMD_VIEW_ZOOMIN, 1000}, {1000, CMD_VIEW_ZOOMIN, 1000}, {15, CMD_VIEW_ZOOMOUT, 10},
                 {10, CMD_VIEW_ZOOMOUT, 10},   {100, CMD_VIEW_ZOOMIN, 110}};
    for (const auto& z : zooms) {
        SetZoomAt(wnd, doc, z.from);
        ASSERT_EQ(z.from, doc->zoom);
        SendMessageA(wnd, WM_COMMAND, z.command, 0);
        EXPECT_EQ(z.to, doc->zoom) << z.from;
    }
    // An unnamed document's title: its name, the blank precision text, the zoom.
    char path[sizeof doc->path];
    lstrcpyA(path, doc->path);
    lstrcpyA(doc->path, "名前なし");
    SetZoomAt(wnd, doc, 50);
    char title[300] = {};
    GetWindowTextA(wnd, title, sizeof title);
    EXPECT_STREQ("名前なし |   [50 %]", title);
    lstrcpyA(doc->path, path);
    SetZoomAt(wnd, doc, 100);

    for (int style : {0, 1, 2}) {
        SendMessageA(wnd, WM_COMMAND, CMD_SELSHADE_FIRST + style, 0);
        ASSERT_EQ(style, Env.selShadeMode);
        SendMessageA(wnd, WM_COMMAND, CMD_SELSHADE_NEXT, 0);
        EXPECT_EQ((style + 1) % 3, Env.selShadeMode);
    }

    // A rectangle chosen but not yet made into a mask.
    SelShape& shape = doc->selShapes[5];
    shape.kind = CMD_TOOL_SELRECT;
    shape.x0 = 5, shape.y0 = 5, shape.x1 = 14, shape.y1 = 9;
    doc->maskPending = 1;
    for (int id : {CMD_VIEW_ZOOMIN, CMD_SELSHADE_FIRST}) {
        SendMessageA(wnd, WM_COMMAND, id, 0);
        EXPECT_EQ(1, doc->maskPending) << id;
        EXPECT_EQ(nullptr, doc->selectionMask) << id;
    }
    SetZoomAt(wnd, doc, 100);
    SendMessageA(wnd, WM_COMMAND, CMD_IMG_FILLSEL, 0);
    EXPECT_EQ(0, doc->maskPending);
    ASSERT_NE(nullptr, doc->selectionMask);
    EXPECT_EQ(0u, Pixel(doc->selectionMask, 10, 7));
    EXPECT_EQ(255u, Pixel(doc->selectionMask, 20, 7));
    SendMessageA(wnd, WM_COMMAND, CMD_SEL_DESELECT, 0);

    // Clear to paper: the base layer's colour white, its transparency kept;
    // another layer's transparency cleared.
    LayerPlane* base = LayerBase(doc, 0);
    ASSERT_NE(nullptr, base[1].image);
    SetPixel(base[1].image, 3, 4, 77);
    SendMessageA(wnd, WM_COMMAND, CMD_IMG_CLEARPAPER, 0);
    EXPECT_EQ(0xFFFFFFu, Pixel(base[0].image, 3, 4));
    EXPECT_EQ(77u, Pixel(base[1].image, 3, 4));
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_ADD, 0);
    ASSERT_EQ(8, doc->currentPlane);
    LayerPlane* top = LayerBase(doc, 1);
    SetPixel(top[1].image, 3, 4, 200);
    SendMessageA(wnd, WM_COMMAND, CMD_IMG_CLEARPAPER, 0);
    EXPECT_EQ(0u, Pixel(top[1].image, 3, 4));
    EXPECT_EQ(0xFFFFFFu, Pixel(top[0].image, 3, 4));

    while (CountLayers(doc, 0) < CanvMaxLayers)
        ASSERT_GE(AddLayer(doc, 0, 0, 4, 4, LayerTypeOrdinary), 0);
    const size_t shown = boxes->texts.size();
    SendMessageA(wnd, WM_COMMAND, CMD_LAYER_ADD, 0);
    EXPECT_EQ(CanvMaxLayers, CountLayers(doc, 0));
    ASSERT_EQ(shown + 1, boxes->texts.size());
    EXPECT_EQ("レイヤー枚数はベースレイヤーを含めて128枚までです。", boxes->texts.back());
}

// The status line names the document by its path, cut after 60 bytes (59
// when the 60th byte would split a double-byte character) and marked "...".
TEST_F(CanvasWindows, StatusLineCutsALongPathWithoutSplittingACharacter) {
    CanvDoc* doc = Open(WritePng("info.png", 40, 30));
    ASSERT_NE(nullptr, doc);
    const std::string a59(59, 'a'), a58(58, 'a');
    const struct {
        std::string path, shown;
    } cases[] = {
        {a59 + "b", a59 + "b"},                      // 60 bytes: whole
        {a59 + "bc", a59 + "b..."},                  // 61: cut at 60
        {a59 + "名前", a59 + "..."},                  // byte 60 inside 名: cut at 59
        {a58 + "名前", a58 + "名..."},                // 名 ends at byte 60: cut at 60
    };
    char saved[sizeof doc->path];
    lstrcpyA(saved, doc->path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.size());
        lstrcpyA(doc->path, c.path.c_str());
        ShowCanvasInfo(doc);
        EXPECT_EQ("[" + c.shown + "] [40x30 ﾋﾟｸｾﾙ]", std::string(StatusBarState.line));
    }
    lstrcpyA(doc->path, saved);
}

namespace {
// Message boxes answered Yes and their texts kept; every other dialog (the
// save dialog) counted and cancelled.
struct SaveAnswers {
    std::vector<std::string> texts;
    int dialogs = 0;
};
int AnswerYesCancelDialogs(const ModalRequest& r, void* user) {
    SaveAnswers* a = (SaveAnswers*)user;
    if (r.text) {
        a->texts.push_back(r.text);
        return r.kind == 2 || r.kind == 0 ? IDOK : IDYES;
    }
    ++a->dialogs;
    return IDCANCEL;
}
}  // namespace

// An unnamed document and one from a camera card are saved only through the
// save dialog (the camera's after its message); cancelling it saves nothing,
// and a close that waits for that save keeps the document open and changed.
TEST_F(CanvasWindows, UnnamedAndCameraDocumentsSaveThroughTheDialog) {
    CanvDoc* doc = Open(WritePng("named.png", 40, 30));
    ASSERT_NE(nullptr, doc);
    HWND wnd = doc->window;
    const std::string camera = "この画像はデジタルカメラ画像です。\r\n保存場所とファイル名を指定してください。";
    const struct {
        const char* path;
        int command;
        std::vector<std::string> texts;
    } cases[] = {
        {"名前なし", CMD_FILE_SAVE, {}},
        {"r:\\DCIM\\100CAMERA\\p.png", CMD_FILE_SAVE, {camera}},
        {"名前なし", 0, {"画像に変更があります。保存しますか？"}},   // 0: the close
    };
    SaveAnswers answers;
    SetModalAnswerHook(AnswerYesCancelDialogs, &answers);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        answers = {};
        lstrcpyA(doc->path, c.path);
        doc->modified = 1;
        if (c.command) SendMessageA(wnd, WM_COMMAND, c.command, 0);
        else SendMessageA(wnd, WM_CLOSE, 0, 0);
        apptest::Pump(30);
        EXPECT_EQ(c.texts, answers.texts);
        EXPECT_EQ(1, answers.dialogs);
        ASSERT_TRUE(IsWindow(wnd));
        EXPECT_EQ(1, doc->modified);
        EXPECT_STREQ(c.path, doc->path);
    }
    SetModalAnswerHook(nullptr, nullptr);
    doc->modified = 0;
}

// The questions other windows ask of the open documents: whether a path is
// open (without case; never the unnamed name), whether one is minimised, the
// rebuild mark on every document, and no active document while it closes.
TEST_F(CanvasWindows, QuestionsAboutTheOpenDocuments) {
    const std::string path = WritePng("asked.png", 40, 30);
    CanvDoc* first = Open(path);
    CanvDoc* second = Open(WritePng("other.png", 30, 20));
    ASSERT_TRUE(first && second);
    std::string upper = path;
    for (char& ch : upper) ch = (char)toupper((unsigned char)ch);
    EXPECT_EQ(1, IsPathOpen(upper.c_str()));
    EXPECT_EQ(0, IsPathOpen(dir.File("closed.png").c_str()));
    // The same file again opens no second window.
    ASSERT_EQ(2, Children());
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)upper.c_str());
    apptest::Pump(50);
    EXPECT_EQ(2, Children());
    char saved[sizeof first->path];
    lstrcpyA(saved, first->path);
    lstrcpyA(first->path, "名前なし");
    EXPECT_EQ(0, IsPathOpen("名前なし"));
    lstrcpyA(first->path, saved);

    first->maskPending = second->maskPending = 0;
    MarkCanvasesSelBlur();
    EXPECT_EQ(1, first->maskPending);
    EXPECT_EQ(1, second->maskPending);

    EXPECT_EQ(0, AnyCanvasIconic());
    SendMessageA(AppWindows.mdiClient, WM_MDIRESTORE, (WPARAM)first->window, 0);
    ShowWindow(first->window, SW_MINIMIZE);
    apptest::Pump(30);
    EXPECT_EQ(1, AnyCanvasIconic());
    EXPECT_EQ(2, CountCanvasWindows());
    ShowWindow(first->window, SW_RESTORE);

    CanvDoc* active = GetActiveCanvas();
    ASSERT_NE(nullptr, active);
    active->closing = 1;
    EXPECT_EQ(nullptr, GetActiveCanvas());
    active->closing = 0;
}

namespace {
// The keys a test holds down for SendRotateForKeys.
std::vector<int> g_heldKeys;
int HeldKey(int key) { return std::count(g_heldKeys.begin(), g_heldKeys.end(), key) > 0; }
}  // namespace

// Alt with F13 turns the active image right, Alt with F14 left; either key
// alone, or Alt alone, does nothing.
TEST_F(CanvasWindows, AltWithF13OrF14TurnsTheActiveImage) {
    ASSERT_NE(nullptr, Open(WritePng("turn.png", 40, 30)));
    const struct {
        std::vector<int> keys;
        int command;
    } cases[] = {
        {{VK_F13}, 0},
        {{VK_MENU}, 0},
        {{VK_MENU, VK_F13}, CMD_IMG_ROTRIGHT},
        {{VK_F14}, 0},
        {{VK_MENU, VK_F14}, CMD_IMG_ROTLEFT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        CanvDoc* before = GetActiveCanvas();
        ASSERT_NE(nullptr, before);
        const int w = before->width, h = before->height;
        g_heldKeys = c.keys;
        EXPECT_EQ(c.command, SendRotateForKeys(HeldKey));
        apptest::Pump(50);
        CanvDoc* after = GetActiveCanvas();
        ASSERT_NE(nullptr, after);
        // A turn by a quarter swaps the sides of the active image.
        EXPECT_EQ(c.command ? h : w, after->width);
        EXPECT_EQ(c.command ? w : h, after->height);
    }
    g_heldKeys.clear();
}

// Every document window is repainted at once, and the focus goes to the
// active one.
TEST_F(CanvasWindows, DocumentWindowsRepaintedAtOnceAndTheActiveOneFocused) {
    CanvDoc* first = Open(WritePng("a.png", 40, 30));
    CanvDoc* second = Open(WritePng("b.png", 30, 20));
    ASSERT_TRUE(first && second);
    HWND windows[2] = {first->window, second->window};
    apptest::Pump(50);
    for (HWND w : windows) InvalidateRect(w, nullptr, FALSE);
    for (HWND w : windows) ASSERT_TRUE(GetUpdateRect(w, nullptr, FALSE));
    RedrawCanvasWindowsNow();
    for (HWND w : windows) EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));

    SetFocus(AppWindows.frame);
    ASSERT_EQ(1, FocusActiveCanvas());
    EXPECT_EQ(second->window, GetFocus());
    SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)first->window, 0);
    ASSERT_EQ(1, FocusActiveCanvas());
    EXPECT_EQ(first->window, GetFocus());
}

namespace {
// Answers the new-canvas dialog with a size typed in pixels.
int NewCanvasAnswer(const ModalRequest& r, void* user) {
    if (r.kind != -1) return IDOK;
    const char* const* size = (const char* const*)user;
    SetDlgItemTextA(r.dialog, IDC_NEWCANV_WIDTH, size[0]);
    SetDlgItemTextA(r.dialog, IDC_NEWCANV_HEIGHT, size[1]);
    return IDOK;
}
}  // namespace

TEST_F(CanvasWindows, FileNewMakesACanvasOfTheChosenSize) {
    const char* size[2] = {"300", "200"};
    SetModalAnswerHook(NewCanvasAnswer, size);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_NEW, 0);
    SetModalAnswerHook(nullptr, nullptr);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(300, doc->width);
    EXPECT_EQ(200, doc->height);
    EXPECT_EQ(1, CountLayers(doc, 0));
    EXPECT_EQ(0, doc->modified);
    EXPECT_EQ("名前なし", std::string(doc->path));
    EXPECT_EQ(255u, Pixel(LayerBase(doc, 0)[1].image, 10, 10));
    SendMessageA(doc->window, WM_COMMAND, CMD_VIEW_ZOOM_FIRST + 6, 0);
    EXPECT_EQ(200.0, doc->zoom);
    EXPECT_EQ(600, GetDisplayWidth(doc));
    char title[200];
    GetWindowTextA(doc->window, title, sizeof title);
    EXPECT_EQ(std::string("名前なし |   [200 %]"), title);
}

TEST_F(CanvasWindows, WorkFileRecordClosesOnlyTheLiveDocumentItNames) {
    CanvDoc* owner = Open(WritePng("owner.png", 20, 20));
    ASSERT_NE(nullptr, owner);
    HWND ownerWindow = owner->window;
    CanvDoc* taker = Open(WritePng("taker.png", 10, 10));
    ASSERT_NE(nullptr, taker);
    ASSERT_NE(owner, taker);
    auto handOver = [&](int number) {
        char stem[32];
        std::snprintf(stem, sizeof stem, "~~initcanv%05d", owner->number);
        std::string work = dir.File(std::string(stem) + ".tmp"), record = dir.File(std::string(stem) + ".fn");
        char bytes[264] = "C:\\named\\pic.png";
        std::memcpy(bytes + 260, &number, 4);
        EXPECT_TRUE(testsupport::WriteFileBytes(work, "x", 1));
        EXPECT_TRUE(testsupport::WriteFileBytes(record, bytes, sizeof bytes));
        EXPECT_EQ(1, RestoreInitCanvas(taker, work.c_str()));
        EXPECT_EQ(-1, testsupport::FileSize(work));
        EXPECT_EQ(-1, testsupport::FileSize(record));
        EXPECT_EQ("C:\\named\\pic.png", std::string(taker->path));
    };
    // A number that names no live document closes nothing.
    size_t shown = boxes->texts.size();
    handOver(owner->number + 1000);
    EXPECT_TRUE(IsWindow(ownerWindow));
    // A changed document asks first; Cancel keeps it.
    owner->modified = 1;
    boxes->button = IDCANCEL;
    handOver(owner->number);
    EXPECT_TRUE(IsWindow(ownerWindow));
    ASSERT_EQ(shown + 1, boxes->texts.size());
    EXPECT_EQ("画像に変更があります。保存しますか？", boxes->texts.back());
    // An unchanged one is closed without a question.
    owner->modified = 0;
    handOver(owner->number);
    apptest::Pump(20);
    EXPECT_FALSE(IsWindow(ownerWindow));
    EXPECT_EQ(shown + 1, boxes->texts.size());
    EXPECT_EQ(1, Children());
}

TEST_F(CanvasWindows, LayerDragStopsNearTheEdgeAndAClickOnlySelects) {
    CanvDoc* doc = Open(WritePng("drag.png", 640, 100));
    ASSERT_NE(nullptr, doc);
    ASSERT_EQ(100.0, doc->zoom);
    SendMessageA(doc->window, WM_COMMAND, CMD_LAYER_ADD, 0);
    ASSERT_EQ(2, CountLayers(doc, 0));
    auto at = [&](int x, int y) {
        POINT p = {x, y};
        ClientToScreen(doc->display, &p);
        return p;
    };
    const POINT start = at(100, 50), beyond = at(2100, 50);
    const MouseSample drag[] = {{start.x, start.y, kSampleLeft}, {start.x, start.y, kSampleLeft},
                                {beyond.x, beyond.y, kSampleLeft},     {beyond.x, beyond.y, kSampleLeft},
                                {beyond.x, beyond.y, 0}};
    doc->modified = 0;
    InjectMouseSamples(drag, 5);
    PickAndMoveLayer(doc, 0);
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(630, LayerBase(doc, 1)->x);
    EXPECT_EQ(630, LayerBase(doc, 1)[1].x);
    EXPECT_EQ(0, LayerBase(doc, 1)->y);
    EXPECT_EQ(1, doc->modified);

    // A click on the moved layer selects it and changes nothing.
    doc->modified = 0;
    doc->currentPlane = 0;
    const POINT on = at(635, 10);
    const MouseSample click[] = {{on.x, on.y, kSampleLeft}, {on.x, on.y, kSampleLeft}, {on.x, on.y, 0}};
    InjectMouseSamples(click, 3);
    PickAndMoveLayer(doc, 0);
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(8, doc->currentPlane);
    EXPECT_EQ(630, LayerBase(doc, 1)->x);
    EXPECT_EQ(0, doc->modified);
}

TEST_F(CanvasWindows, CursorSnapsToTheGrid) {
    CanvDoc* doc = Open(WritePng("grid.png", 100, 60));
    ASSERT_NE(nullptr, doc);
    ASSERT_EQ(100.0, doc->zoom);
    doc->gridShown = doc->gridSnap = 1;
    doc->gridWidth = doc->gridHeight = 16;
    struct Case {
        int x, y, offset, wantX, wantY;
    } cases[] = {{7, 7, 0, 0, 0}, {8, 9, 0, 16, 16}, {8, 30, 3, 19, 35}, {40, 23, 0, 48, 16}};
    for (const Case& c : cases) {
        POINT p = {c.x, c.y};
        ClientToScreen(doc->display, &p);
        const MouseSample at[] = {{p.x, p.y, 0}};
        InjectMouseSamples(at, 1);
        POINT got;
        GetCursorImagePos(doc, &got, c.offset, c.offset);
        InjectMouseSamples(nullptr, 0);
        EXPECT_EQ(c.wantX, got.x) << c.x;
        EXPECT_EQ(c.wantY, got.y) << c.y;
    }
    doc->gridSnap = 0;
    POINT p = {8, 9};
    ClientToScreen(doc->display, &p);
    const MouseSample at[] = {{p.x, p.y, 0}};
    InjectMouseSamples(at, 1);
    POINT got;
    GetCursorImagePos(doc, &got, 3, 3);
    InjectMouseSamples(nullptr, 0);
    EXPECT_EQ(8, got.x);
    EXPECT_EQ(9, got.y);
}

TEST_F(CanvasWindows, UnreadableFilesMakeNoWindow) {
    std::string png = WritePng("whole.png", 64, 64);
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(png, &bytes));
    std::string truncated = dir.File("cut.png");
    ASSERT_TRUE(testsupport::WriteFileBytes(truncated, bytes.data(), bytes.size() / 3));
    std::string unknown = dir.File("note.qqq");
    ASSERT_TRUE(testsupport::WriteFileBytes(unknown, "abc", 3));
    std::string wide = WritePng("wide.png", 40000, 2);
    ASSERT_FALSE(wide.empty());
    struct Case {
        std::string path, message;
    } cases[] = {
        {unknown, "ファイルを開けません。"},
        {truncated, "ファイルを開けません。"},
        {wide, "キャンバスの大きさは30000×30000ピクセルまでです。"},
    };
    for (const Case& c : cases) {
        size_t shown = boxes->texts.size();
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)c.path.c_str());
        EXPECT_EQ(0, Children()) << c.path;
        ASSERT_EQ(shown + 1, boxes->texts.size()) << c.path;
        EXPECT_EQ(c.message, boxes->texts.back()) << c.path;
    }
}

namespace {

std::vector<std::string> CanvasTitles(HWND frame) {
    std::vector<std::string> titles;
    HWND client = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
    for (HWND w = client ? GetWindow(client, GW_CHILD) : nullptr; w; w = GetWindow(w, GW_HWNDNEXT)) {
        char text[300] = {};
        GetWindowTextA(w, text, sizeof text);
        titles.push_back(text);
    }
    return titles;
}

}  // namespace

// A second start hands a PNG and a layered file to the running editor, which
// opens both.
class CanvasSecondStart : public CanvasWindows {
protected:
    void SetUp() override {
        for (const char* dll : {"pngload.dll", "draload.dll"}) {
            CreateDirectoryA(dir.File("file_r").c_str(), nullptr);
            ASSERT_TRUE(CopyFileA((fiotest::DistFolder() + "file_r\\" + dll).c_str(),
                                  dir.File(std::string("file_r\\") + dll).c_str(), FALSE));
        }
    }
    void TearDown() override {}
};

TEST_F(CanvasSecondStart, OpensBothFiles) {
    ASSERT_EQ(nullptr, FindWindowA("dvw_", nullptr));
    std::string png = WritePng("second.png", 50, 40);
    std::string dra = WriteDra("second.dra");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(dra.empty());
    apptest::Editor first;
    ASSERT_TRUE(first.Start(dir.Path(), dir.File("first.log"), {}));
    HWND frame = first.Frame();
    ASSERT_NE(nullptr, frame);
    {
        apptest::Editor second;
        ASSERT_TRUE(second.Start(dir.Path(), dir.File("second.log"), {png, dra}));
        EXPECT_EQ(0, second.Wait());
    }
    // Each window takes its title once its file is read.
    std::vector<std::string> titles;
    bool sawPng = false, sawDra = false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 15000 && !(sawPng && sawDra); Sleep(100)) {
        titles = CanvasTitles(frame);
        sawPng = sawDra = false;
        for (const std::string& t : titles) {
            sawPng = sawPng || t.find("second.png") != std::string::npos;
            sawDra = sawDra || t.find("second.dra") != std::string::npos;
        }
    }
    ASSERT_EQ(2u, titles.size());
    EXPECT_TRUE(sawPng && sawDra) << titles[0] << " / " << titles[1];
    std::string log;
    testsupport::ReadFileBytes(dir.File("first.log"), &log);
    EXPECT_EQ(std::string::npos, log.find("message")) << log;
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.Wait());
}
