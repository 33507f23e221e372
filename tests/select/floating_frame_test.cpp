// The floating image of pastes and texts in the running frame: placed through
// the pen (its opacity and the selection), the text's shadow, the paste of an
// elliptical selection, undo and redo of a placed paste or text, saving and
// closing a document with an image still floating, what the screen shows
// after a paste was dragged; and the tool a document chooses when it becomes
// active while the pen holds a snapshot of another document.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../app/app_test_util.h"
#include "frame_mouse.h"
#include "window_shot.h"
#include "app/globals.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "select/floating.h"
#include "select/floating_stamp.h"
#include "select/sel_tool.h"
#include "ui/dlgfield.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "../ui/ui_test_util.h"
#include "test_support.h"

namespace {

uint32_t Pattern(int x, int y) { return (uint32_t)((x * 5) & 255) | ((uint32_t)((y * 7) & 255) << 8) | 0x400000u; }

constexpr uint32_t kRed = 0xC80A0Au;     // the pen
constexpr uint32_t kBlue = 0x0000FFu;    // the shadow

class FloatingFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempDir("floatframe");
        // The BMP writer and reader, for saving.
        CreateDirectoryA(folder_->File("file_w").c_str(), nullptr);
        CreateDirectoryA(folder_->File("file_r").c_str(), nullptr);
        for (const char* f : {"file_w\\bmpsave.dll", "file_r\\bmpload.dll"})
            CopyFileA((apptest::Dist() + f).c_str(), folder_->File(f).c_str(), FALSE);
        ASSERT_TRUE(apptest::StartFrame(folder_->Path()));
    }
    static void TearDownTestSuite() {
        apptest::EndFrame();
        delete folder_;
    }
    void SetUp() override {
        opacity_ = PenOpacity;
        PenOpacity = 255;
        Pen.drawingMode = ModeColour;
        SetPenColourRgb(200, 10, 10);
        ResetTextSettings();
    }
    void TearDown() override {
        InjectMouseSamples(nullptr, 0);
        apptest::AnswerBoxes(nullptr);
        CancelFloating(nullptr);
        for (HWND w : windows_) apptest::CloseCanvasUnsaved(w);
        windows_.clear();
        PenOpacity = opacity_;
        ResetTextSettings();
        if (shown_) ShowWindow(AppWindows.frame, SW_HIDE);
    }

    CanvDoc* NewDoc(int w, int h) {
        CanvDoc* doc = seltest::NewPatternDoc(&windows_, w, h, Pattern);
        // The pen the new document posts for itself is chosen now, not in
        // the middle of a test.
        apptest::Pump(30);
        return doc;
    }
    // The frame on the display, the document window at its top-left.
    void ShowOnScreen(CanvDoc* doc) {
        shown_ = true;
        ShowWindow(AppWindows.frame, SW_SHOWNORMAL);
        SetWindowPos(AppWindows.frame, HWND_TOP, 0, 0, 900, 700, SWP_SHOWWINDOW);
        SetWindowPos(doc->window, HWND_TOP, 0, 0, 600, 450, SWP_SHOWWINDOW);
        apptest::Pump(300);
        RedrawNow(doc->display);
        apptest::Pump(200);
    }

    static POINT At(CanvDoc* doc, int x, int y) { return seltest::ScreenPointOf(doc, x, y); }
    // A press at a, a drag through b to c, a release there.
    void Drag(CanvDoc* doc, POINT a, POINT b, POINT c) { seltest::DragOnDocument(doc, &samples_, a, b, c); }
    void Tool(int id) { SendMessageA(AppWindows.frame, WM_COMMAND, id, 0); }
    static void Command(CanvDoc* doc, int id) { SendMessageA(doc->window, WM_COMMAND, id, 0); }
    // Ctrl+C of the selection, deselected, Ctrl+V.
    void CopyAndPaste(CanvDoc* doc) {
        Command(doc, CMD_EDIT_COPY);
        Command(doc, CMD_SEL_DESELECT);
        Tool(CMD_EDIT_PASTE);
    }

    // A solid picture of w x h floating at (x, y).
    static void FloatSolid(CanvDoc* doc, int x, int y, int w, int h, uint32_t colour) {
        VmsImage* image = g_VmsStore.Create(w, h, 24, 0, 1);
        std::vector<uint32_t> row((size_t)w, colour);
        for (int j = 0; j < h; ++j) g_VmsStore.PutRow(image, j, 0, w - 1, row.data());
        ASSERT_TRUE(FloatImage(doc, image, nullptr, x, y, FloatKindPicture));
    }

    // Pixels of the topmost layer, at image coordinates of the canvas.
    static int TopLayer(CanvDoc* doc) { return CountLayers(doc, 0) - 1; }
    static uint32_t LayerColour(CanvDoc* doc, int layer, int x, int y) {
        const LayerPlane* b = LayerBase(doc, layer);
        uint32_t v = 0;
        g_VmsStore.GetRow(b[0].image, y - b->y, x - b->x, x - b->x, &v);
        return v & 0xFFFFFFu;
    }
    static int LayerAlpha(CanvDoc* doc, int layer, int x, int y) {
        const LayerPlane* b = LayerBase(doc, layer);
        uint8_t v = 0;
        g_VmsStore.GetRow(b[1].image, y - b->y, x - b->x, x - b->x, &v);
        return v;
    }
    static uint32_t BasePixel(CanvDoc* doc, int x, int y) { return LayerColour(doc, 0, x, y); }
    // What the display shows at an image point (zoom 100 %), as 0xRRGGBB.
    static uint32_t ScreenPixel(CanvDoc* doc, int x, int y) {
        HDC dc = GetDC(doc->display);
        const COLORREF c = GetPixel(dc, ImageToScreenX(doc, x), ImageToScreenY(doc, y));
        ReleaseDC(doc->display, dc);
        return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
    }

    static testsupport::TempDir* folder_;
    std::vector<HWND> windows_;
    std::vector<MouseSample> samples_;
    int opacity_ = 255;
    bool shown_ = false;
};
testsupport::TempDir* FloatingFrame::folder_ = nullptr;

// With every layer in use the floating image cannot become a layer: placing
// it by the menu's command or leaving it by a tool change tells so once, and
// the image goes without touching the canvas.
TEST_F(FloatingFrame, WithEveryLayerInUsePlacingTellsOnceAndDropsTheImage) {
    CanvDoc* doc = NewDoc(40, 30);
    while (CountLayers(doc, 0) < CanvMaxLayers) ASSERT_GE(AddLayer(doc, 0, 0, 4, 4, LayerTypeOrdinary), 0);
    apptest::BoxAnswers answers;
    apptest::AnswerBoxes(&answers);
    for (int way : {0, 1}) {
        SCOPED_TRACE(way);
        Tool(CMD_TOOL_SELRECT);
        answers.texts.clear();
        FloatSolid(doc, 2, 2, 10, 10, kBlue);
        if (way == 0) ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
        else Tool(CMD_TOOL_SELELLIPSE);
        ASSERT_EQ(1u, answers.texts.size());
        EXPECT_EQ("メモリーが不足しました。", answers.texts[0]);
        EXPECT_EQ(nullptr, FloatingTarget());
        EXPECT_EQ(CanvMaxLayers, CountLayers(doc, 0));
        EXPECT_EQ(Pattern(5, 5), BasePixel(doc, 5, 5));
        EXPECT_EQ(0xFFFFFFu, LayerColour(doc, TopLayer(doc), 2, 2));
    }
    apptest::AnswerBoxes(nullptr);
}

// A picture larger than the canvas floats fitted into it, its sides in the
// picture's proportion.
TEST_F(FloatingFrame, LargerPictureFloatsFittedIntoTheCanvas) {
    CanvDoc* doc = NewDoc(40, 30);
    const struct {
        int w, h, fittedW, fittedH;
    } cases[] = {{100, 50, 40, 20}, {20, 60, 10, 30}, {30, 20, 30, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w);
        FloatSolid(doc, 0, 0, c.w, c.h, kBlue);
        RECT frame;
        ASSERT_TRUE(GetFloatingFrame(&frame));
        EXPECT_EQ(c.fittedW, frame.right - frame.left + 1);
        EXPECT_EQ(c.fittedH, frame.bottom - frame.top + 1);
        CancelFloating(doc);
    }
}

TEST_F(FloatingFrame, PasteBlendsThroughThePenAndStaysInsideTheSelection) {
    CanvDoc* doc = NewDoc(60, 40);
    ASSERT_NE(nullptr, doc);
    Tool(CMD_TOOL_SELRECT);
    Drag(doc, At(doc, 0, 0), At(doc, 10, 10), At(doc, 14, 39));   // columns 0..14 selected
    ASSERT_NE(nullptr, doc->selectionMask);
    FloatSolid(doc, 5, 5, 20, 10, 0x1060F0u);
    PenOpacity = 128;
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    const int top = TopLayer(doc);
    ASSERT_EQ(1, top);
    EXPECT_EQ(0, doc->currentPlane) << "the layer pasted over is current again";
    // Half opaque where selected, untouched beyond the selection's edge.
    EXPECT_NEAR(128, LayerAlpha(doc, top, 10, 10), 1);
    EXPECT_EQ(0x1060F0u, LayerColour(doc, top, 10, 10));
    EXPECT_NEAR(128, LayerAlpha(doc, top, 14, 14), 1);
    EXPECT_EQ(0, LayerAlpha(doc, top, 15, 10));
    EXPECT_EQ(0, LayerAlpha(doc, top, 24, 14));
    EXPECT_EQ(Pattern(10, 10), BasePixel(doc, 10, 10)) << "the picture below is left alone";
}

// A copied picture carries its document's resolution, and a paste into a
// document of another resolution keeps the picture's size on paper: 144 dpi
// onto 72 dpi floats at half its pixels, 36 dpi at twice.
TEST_F(FloatingFrame, PastedPictureKeepsItsSizeOnPaper) {
    struct Case {
        int sourceDpi, w, h;
    } cases[] = {{144, 20, 15}, {72, 40, 30}, {36, 80, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sourceDpi);
        HWND from = apptest::CreateBlankCanvas(60, 40, c.sourceDpi);
        ASSERT_NE(nullptr, from);
        windows_.push_back(from);
        CanvDoc* source = GetCanvDoc(from);
        SetZoomAt(from, source, 100.0);
        apptest::FillBasePlane(source, Pattern);
        Tool(CMD_TOOL_SELRECT);
        Drag(source, At(source, 0, 0), At(source, 10, 10), At(source, 39, 29));   // 40 x 30
        Command(source, CMD_EDIT_COPY);
        CanvDoc* target = NewDoc(160, 120);
        ASSERT_NE(nullptr, target);
        SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)target->window, 0);
        Tool(CMD_EDIT_PASTE);
        ASSERT_EQ(target, FloatingTarget());
        RECT frame;
        ASSERT_TRUE(GetFloatingFrame(&frame));
        EXPECT_EQ(c.w, frame.right - frame.left + 1);
        EXPECT_EQ(c.h, frame.bottom - frame.top + 1);
        CancelFloating(target);
    }
}

// A fade chosen for the pen weighs a placed picture across the picture's own
// box: its opacity is ANDed with the ramp, bit by bit, as every weight that
// meets a fade is.
TEST_F(FloatingFrame, PlacedPictureIsWeightedByTheChosenFadeAcrossItsBox) {
    struct Case {
        int opacity;   // of the whole picture
        int (*expect)(int ramp);
    } cases[] = {
        {255, [](int ramp) { return ramp; }},
        {0xC0, [](int ramp) { return ramp & 0xC0; }},
    };
    struct ToneReset {
        ~ToneReset() { c_ToneMask::Reset(); }
    } reset;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opacity);
        CanvDoc* doc = NewDoc(60, 40);
        ASSERT_NE(nullptr, doc);
        VmsImage* image = g_VmsStore.Create(20, 10, 24, 0, 1);
        VmsImage* opacity = g_VmsStore.Create(20, 10, 8, c.opacity, 1);
        std::vector<uint32_t> row(20, 0x1060F0u);
        for (int y = 0; y < 10; ++y) g_VmsStore.PutRow(image, y, 0, 19, row.data());
        ASSERT_TRUE(FloatImage(doc, image, opacity, 5, 5, FloatKindPicture));
        c_ToneMask::Reset();
        c_ToneMask::Settings.modes[0] = 1;   // left to right, 0 to nearly full
        ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
        const int top = TopLayer(doc);
        ASSERT_EQ(1, top);
        for (int x = 5; x <= 24; ++x) {
            const int ramp = (x - 5) * 255 / 20;
            EXPECT_NEAR(c.expect(ramp), LayerAlpha(doc, top, x, 8), 1) << x;
        }
    }
}

// Placing into the current plane: through the pen (command 1) the picture
// is blended by its opacity over what the layer holds; with its opacity
// (command 2) colour and opacity replace the layer's. Each is one undo step.
TEST_F(FloatingFrame, PlacedIntoTheCurrentPlaneBlendedOrWithItsOpacity) {
    struct Case {
        int command;
        uint32_t colour;   // at a placed pixel, over opaque white (the pen mixes by
                           // the layer's opacity and the weight: 255 : 128)
        int alpha;         // over an opaque layer
    } cases[] = {{FloatPlaceInPlane, 0x5454FFu, 255}, {FloatPlaceWithOpacity, 0x0000FFu, 128}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        CanvDoc* doc = NewDoc(60, 40);
        ASSERT_NE(nullptr, doc);
        const int index = AddLayer(doc, 0, 0, 60, 40, LayerTypeOrdinary);
        ASSERT_EQ(8, index);
        SetLayerSaveEnabled(doc, 1, 1);
        std::vector<uint8_t> opaque(60, 255);
        for (int y = 0; y < 40; ++y) g_VmsStore.PutRow(doc->planes[index + 1].image, y, 0, 59, opaque.data());
        SetCurrentPlane(doc, index);
        Tool(CMD_TOOL_SELRECT);
        VmsImage* image = g_VmsStore.Create(10, 10, 24, 0, 1);
        VmsImage* opacity = g_VmsStore.Create(10, 10, 8, 128, 1);
        std::vector<uint32_t> blue(10, 0x0000FFu);
        for (int y = 0; y < 10; ++y) g_VmsStore.PutRow(image, y, 0, 9, blue.data());
        ASSERT_TRUE(FloatImage(doc, image, opacity, 5, 5, FloatKindPicture));
        ASSERT_EQ(1, OnFloatingCommand(doc, c.command, 0));
        EXPECT_EQ(1, CountLayers(doc, 0) - 1) << "no layer added";
        const uint32_t got = LayerColour(doc, 1, 8, 8);
        for (int k = 0; k < 24; k += 8) EXPECT_NEAR((int)(c.colour >> k & 255), (int)(got >> k & 255), 1);
        EXPECT_EQ(c.alpha, LayerAlpha(doc, 1, 8, 8));
        EXPECT_EQ(0xFFFFFFu, LayerColour(doc, 1, 4, 4));
        EXPECT_EQ(255, LayerAlpha(doc, 1, 15, 15));
        Command(doc, CMD_EDIT_UNDO);
        EXPECT_EQ(0xFFFFFFu, LayerColour(doc, 1, 8, 8));
        EXPECT_EQ(255, LayerAlpha(doc, 1, 8, 8));
    }
}

TEST_F(FloatingFrame, EllipseCopiedPastedAndPlacedKeepsItsShape) {
    CanvDoc* doc = NewDoc(80, 60);
    ASSERT_NE(nullptr, doc);
    Tool(CMD_TOOL_SELELLIPSE);
    Drag(doc, At(doc, 10, 5), At(doc, 30, 20), At(doc, 49, 34));
    CopyAndPaste(doc);
    ASSERT_EQ(doc, FloatingTarget());
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    ASSERT_EQ(0, frame.left);
    ASSERT_EQ(39, frame.right);
    ASSERT_EQ(29, frame.bottom);
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    const int top = TopLayer(doc);
    ASSERT_EQ(1, top);
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
    // Inside the ellipse the copied pixels, opaque; its box's corners clear.
    EXPECT_EQ(255, LayerAlpha(doc, top, 20, 15));
    EXPECT_EQ(Pattern(30, 20), LayerColour(doc, top, 20, 15));
    EXPECT_EQ(255, LayerAlpha(doc, top, 2, 15));
    for (POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 29}, POINT{39, 29}, POINT{2, 2}})
        EXPECT_EQ(0, LayerAlpha(doc, top, p.x, p.y)) << p.x << "," << p.y;
}

TEST_F(FloatingFrame, TextShadowLiesAtItsOffsetInTheShadowColour) {
    CanvDoc* doc = NewDoc(240, 140);
    ASSERT_NE(nullptr, doc);
    apptest::SetBlueShadowedText("TH", 48, 6, 4);
    ShowOnScreen(doc);
    Tool(CMD_TOOL_FLOAT);
    ASSERT_EQ(doc, FloatingTarget());
    // The same text as the tool renders it: 255 paper, 0 ink.
    VmsImage *text = nullptr, *mask = nullptr;
    ASSERT_TRUE(RenderTextImage(&text, &mask, 0));
    const int w = text->width, h = text->height;
    std::vector<uint8_t> t((size_t)w * h);
    for (int y = 0; y < h; ++y) g_VmsStore.GetRow(text, y, 0, w - 1, &t[(size_t)y * w]);
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&mask);
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    EXPECT_EQ(w - 1 + 6, frame.right - frame.left) << "the frame takes in the shadow";
    EXPECT_EQ(h - 1 + 4, frame.bottom - frame.top);
    const int fx = frame.left, fy = frame.top;
    ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
    const int top = TopLayer(doc);
    ASSERT_EQ(1, top);
    auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && t[(size_t)y * w + x] == 0; };
    auto paper = [&](int x, int y) { return x < 0 || y < 0 || x >= w || y >= h || t[(size_t)y * w + x] == 255; };
    int texts = 0, shadows = 0, clear = 0;
    for (int y = 0; y < h + 4; ++y)
        for (int x = 0; x < w + 6; ++x) {
            const int cx = fx + x, cy = fy + y;
            if (ink(x, y)) {
                ++texts;
                EXPECT_EQ(kRed, LayerColour(doc, top, cx, cy)) << x << "," << y;
                EXPECT_EQ(255, LayerAlpha(doc, top, cx, cy));
            } else if (paper(x, y) && ink(x - 6, y - 4)) {
                ++shadows;
                EXPECT_EQ(kBlue, LayerColour(doc, top, cx, cy)) << x << "," << y;
                EXPECT_EQ(255, LayerAlpha(doc, top, cx, cy));
            } else if (paper(x, y) && paper(x - 6, y - 4)) {
                ++clear;
                EXPECT_EQ(0, LayerAlpha(doc, top, cx, cy)) << x << "," << y;
            }
        }
    EXPECT_GT(texts, 50);
    EXPECT_GT(shadows, 20);
    EXPECT_GT(clear, 50);
    RedrawNow(doc->display);
    apptest::Pump(300);
    const std::string shots = testsupport::ExeFolder() + "frame_shots\\";
    CreateDirectoryA(shots.c_str(), nullptr);
    EXPECT_TRUE(testsupport::ShootWindow(AppWindows.frame, shots + "text_shadow.png"));
}

// Select, copy, paste, drag, place, undo: the paste goes and an earlier fill
// stays; redo brings the paste back. The same for a placed text.
TEST_F(FloatingFrame, UndoTakesAwayWhatPlacingAddedAndRedoBringsItBack) {
    struct Case {
        const char* name;
        bool text;
    } cases[] = {{"paste", false}, {"text", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvDoc* doc = NewDoc(120, 90);
        ASSERT_NE(nullptr, doc);
        // An earlier change: a filled rectangle.
        Tool(CMD_TOOL_SELRECT);
        Drag(doc, At(doc, 60, 50), At(doc, 70, 60), At(doc, 79, 69));
        Command(doc, CMD_IMG_FILLSEL);
        ASSERT_EQ(kRed, BasePixel(doc, 70, 60));
        Drag(doc, At(doc, 20, 10), At(doc, 30, 20), At(doc, 39, 29));
        if (c.text) {
            Command(doc, CMD_SEL_DESELECT);
            std::strcpy(TextSettings.text, "M");
            TextSettings.fontSize = 40;
            TextSettings.stickerRoute = 0;
            Tool(CMD_TOOL_FLOAT);
        } else {
            CopyAndPaste(doc);
        }
        ASSERT_EQ(doc, FloatingTarget());
        RECT f;
        ASSERT_TRUE(GetFloatingFrame(&f));
        // Dragged from the top-left to (5, 40).
        Drag(doc, At(doc, 8, 8), At(doc, 10, 20), At(doc, 13, 48));
        ASSERT_TRUE(GetFloatingFrame(&f));
        ASSERT_EQ(5, f.left);
        ASSERT_EQ(40, f.top);
        ASSERT_EQ(1, OnFloatingCommand(doc, FloatPlaceAsLayer, 0));
        const int top = TopLayer(doc);
        ASSERT_EQ(1, top);
        // Where the placed image is opaque.
        std::vector<POINT> opaque;
        for (int y = f.top; y <= f.bottom; ++y)
            for (int x = f.left; x <= f.right; ++x)
                if (LayerAlpha(doc, top, x, y) == 255) opaque.push_back({x, y});
        ASSERT_GT(opaque.size(), 20u);
        const POINT p = opaque[opaque.size() / 2];
        const uint32_t placed = LayerColour(doc, top, p.x, p.y);
        Command(doc, CMD_EDIT_UNDO);
        for (const POINT& q : opaque) ASSERT_EQ(0, LayerAlpha(doc, top, q.x, q.y)) << q.x << "," << q.y;
        EXPECT_EQ(kRed, BasePixel(doc, 70, 60)) << "the earlier fill survives";
        Command(doc, CMD_EDIT_REDO);
        EXPECT_EQ(255, LayerAlpha(doc, top, p.x, p.y));
        EXPECT_EQ(placed, LayerColour(doc, top, p.x, p.y));
        // Two steps back: the paste, then the fill.
        Command(doc, CMD_EDIT_UNDO);
        Command(doc, CMD_EDIT_UNDO);
        EXPECT_EQ(Pattern(70, 60), BasePixel(doc, 70, 60));
        EXPECT_EQ(0, LayerAlpha(doc, top, p.x, p.y));
        Tool(CMD_TOOL_SELRECT);
    }
}

TEST_F(FloatingFrame, SavingPlacesTheFloatingImageAndClosingAsksToSaveIt) {
    CanvDoc* doc = NewDoc(40, 30);
    ASSERT_NE(nullptr, doc);
    const std::string path = folder_->File("floating_saved.bmp");
    lstrcpynA(doc->path, path.c_str(), sizeof doc->path);
    doc->modified = 0;
    Tool(CMD_TOOL_SELRECT);
    FloatSolid(doc, 10, 8, 12, 6, 0x00FF00u);
    {
        // A BMP keeps no layers: the warning is answered "save all the same".
        ScopedModalAnswer warning([](const ModalRequest&) { return (int)IDYES; });
        Command(doc, CMD_FILE_SAVE);
    }
    EXPECT_EQ(nullptr, FloatingTarget());
    EXPECT_EQ(0, doc->modified);
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &bytes));
    ASSERT_GT(bytes.size(), 54u);
    // 24-bit rows bottom-up from the header's offset.
    uint32_t offset = 0;
    std::memcpy(&offset, bytes.data() + 10, 4);
    auto filePixel = [&](int x, int y) {
        const size_t stride = (40 * 3 + 3) & ~3u;
        const size_t k = offset + (size_t)(29 - y) * stride + (size_t)x * 3;
        if (k + 2 >= bytes.size()) return 0xFFFFFFFFu;
        const auto* b = (const unsigned char*)bytes.data() + k;
        return (uint32_t)b[2] << 16 | (uint32_t)b[1] << 8 | b[0];
    };
    EXPECT_EQ(0x00FF00u, filePixel(15, 10));
    EXPECT_EQ(Pattern(5, 5), filePixel(5, 5));

    // An unplaced image is a change: closing asks, Cancel keeps the window.
    doc->modified = 0;
    Tool(CMD_TOOL_SELRECT);
    FloatSolid(doc, 2, 2, 5, 5, 0x0000FFu);
    apptest::BoxAnswers answers;
    answers.button = IDCANCEL;
    apptest::AnswerBoxes(&answers);
    SendMessageA(doc->window, WM_CLOSE, 0, 0);
    apptest::AnswerBoxes(nullptr);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("画像に変更があります。保存しますか？", answers.texts[0]);
    EXPECT_TRUE(IsWindow(windows_.back()));
    EXPECT_EQ(1, doc->modified);
}

TEST_F(FloatingFrame, DraggedPasteLeavesNoCopyWhereItWas) {
    CanvDoc* doc = NewDoc(200, 150);
    ASSERT_NE(nullptr, doc);
    ShowOnScreen(doc);
    Tool(CMD_TOOL_SELRECT);
    FloatSolid(doc, 20, 20, 40, 30, 0x00C000u);
    RedrawNow(doc->display);
    apptest::Pump(200);
    ASSERT_EQ(0x00C000u, ScreenPixel(doc, 40, 35)) << "the display shows the floating image";
    Drag(doc, At(doc, 30, 30), At(doc, 60, 60), At(doc, 110, 90));   // to (100, 80)
    apptest::Pump(200);
    RECT f;
    ASSERT_TRUE(GetFloatingFrame(&f));
    ASSERT_EQ(100, f.left);
    ASSERT_EQ(80, f.top);
    EXPECT_EQ(0x00C000u, ScreenPixel(doc, 120, 95));
    // The first place, its frame, its corners and their handles: the picture.
    for (POINT p : {POINT{40, 35}, POINT{20, 20}, POINT{59, 20}, POINT{20, 49}, POINT{59, 49}, POINT{17, 17},
                    POINT{62, 52}, POINT{30, 20}, POINT{20, 30}})
        EXPECT_EQ(Pattern(p.x, p.y), ScreenPixel(doc, p.x, p.y)) << p.x << "," << p.y;
}

TEST_F(FloatingFrame, ActivationLeavesThePenWhenItsSnapshotIsOfAnotherPlane) {
    CanvDoc* a = NewDoc(40, 30);
    CanvDoc* b = NewDoc(40, 30);
    ASSERT_TRUE(a && b);
    HWND client = GetParent(a->window);
    SendMessageA(client, WM_MDIACTIVATE, (WPARAM)a->window, 0);
    ASSERT_EQ(a, GetActiveCanvas());
    Tool(CMD_TOOL_PEN);
    PenCanvas view;
    MakePenCanvas(a, &view);
    ASSERT_TRUE(c_PenWriter::TakeSnapshot(&view));
    // Back to the document the snapshot is of: the pen stays.
    SendMessageA(client, WM_MDIACTIVATE, (WPARAM)b->window, 0);
    Tool(CMD_TOOL_PEN);
    ASSERT_TRUE(c_PenWriter::TakeSnapshot(&view));
    SendMessageA(client, WM_MDIACTIVATE, (WPARAM)a->window, 0);
    EXPECT_EQ(CMD_TOOL_PEN, CurrentTool);
    // Another document: the layer-move tool instead.
    SendMessageA(client, WM_MDIACTIVATE, (WPARAM)b->window, 0);
    ASSERT_EQ(b, GetActiveCanvas());
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
}

}  // namespace
