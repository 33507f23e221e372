// The pen on real canvas documents (in memory): a stroke is one undo step
// that Undo removes exactly and Redo restores; the edge pen's stroke layers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "ui/mousepoll.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_view.h"
#include "image/product_table.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/pen_tip.h"
#include "paint/stroke.h"
#include "paint_fixture.h"

using namespace painttest;

namespace {
struct Doc {
    CanvDoc* doc = nullptr;
    Doc(int w, int h) {
        if (ProductTable[255][255] != 255) BuildProductTable();
        NewCanvasRequest.layerCount = 1;
        NewCanvasRequest.layers[0] = NewCanvasLayer{.width = w, .height = h, .x = 0, .y = 0, .depth = 24, .planeCount = 1};
        NewCanvasRequest.origin = CanvOriginBlank;
        NewCanvasRequest.source = nullptr;
        NewCanvasRequest.resolution = 96;
        doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
        InitCanvDocFields(doc);
        if (!InitCanvDoc(doc)) {
            std::free(doc);
            doc = nullptr;
            return;
        }
        doc->zoom = 100.0;
        BuildZoomTables(doc);
    }
    ~Doc() {
        if (!doc) return;
        FreeCanvLayers(doc);
        std::free(doc);
    }
    std::vector<uint32_t> Plane(int plane) {
        const VmsImage* image = doc->planes[plane].image;
        std::vector<uint32_t> all((size_t)image->width * image->height);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) {
                uint32_t v = 0;
                if (image->bits == 32) g_VmsStore.GetRow(image, y, x, x, &v);
                else g_VmsStore.GetRow(image, y, x, x, (uint8_t*)&v);
                all[(size_t)y * image->width + x] = v & 0xFFFFFF;
            }
        return all;
    }
};

struct Drag {
    std::vector<MouseSample> samples;
    Drag(int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) samples.push_back({x, y, kSampleLeft});
        samples.push_back({x1, y, 0});
        SetSmoothingSamples(0);
        InjectMouseSamples(samples.data(), (int)samples.size());
    }
    ~Drag() { InjectMouseSamples(nullptr, 0); }
};
}  // namespace

TEST(PenOnDocuments, StrokeIsOneUndoStepUndoneAndRedoneExactly) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    SetPen(200, 0, 0, 2.0, 15);
    Pen.tool = kToolPen;
    auto before = d.Plane(0), alphaBefore = d.Plane(1);
    int steps = d.doc->undoCount;
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    {
        Drag drag(6, 40, 16);
        ASSERT_EQ(1, RunFreehandStroke(&view, 6, 16, 0));
    }
    auto after = d.Plane(0);
    EXPECT_NE(before, after);
    EXPECT_EQ(MakeWord(200, 0, 0), after[16 * 48 + 20]);
    EXPECT_EQ(steps + 1, d.doc->undoCount);
    EXPECT_EQ(1, d.doc->modified);
    ASSERT_EQ(1, c_UndoManager::Step(d.doc, -1, 0));
    EXPECT_EQ(before, d.Plane(0));
    EXPECT_EQ(alphaBefore, d.Plane(1));
    ASSERT_EQ(1, c_UndoManager::Step(d.doc, -1, 1));
    EXPECT_EQ(after, d.Plane(0));
}

// The channel lock dialog's settings reach the pen: a locked green channel
// keeps its value under a stroke.
TEST(PenOnDocuments, LockedChannelsKeepTheirValues) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    SetPen(200, 0, 0, 2.0, 15);
    Pen.tool = kToolPen;
    ChannelLock = ChannelLockSettings{0, {1, 0, 1}};
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    ChannelLock = ChannelLockSettings{0, {1, 1, 1}};
    {
        Drag drag(6, 40, 16);
        ASSERT_EQ(1, RunFreehandStroke(&view, 6, 16, 0));
    }
    EXPECT_EQ(MakeWord(200, 255, 0), d.Plane(0)[16 * 48 + 20]);
}

TEST(PenOnDocuments, EdgePenPaintsTheStrokeLayersAndLeavesTheCurrentOne) {
    Doc d(48, 32);
    ASSERT_TRUE(d.doc);
    ResetPenState();
    Pen.tool = kToolPen;
    SetPenColour(0, 0, 0, 255);
    PenRecords[8] = PenRecord{.halfWidth = 3.0, .halfHeight = 3.0, .tipKind = 4, .edgeColour = {255, 0, 0, 0},
                              .innerFactor = 5.0};
    Pen.penRecord = 8;
    BuildPenTip(0, 1);
    auto base = d.Plane(0);
    PenCanvas view;
    MakePenCanvas(d.doc, &view);
    // The canvas has no stroke layers: preparing them is the document's.
    view.addStrokeLayer = nullptr;
    {
        Drag drag(20, 20, 16);
        int ran = RunFreehandStroke(&view, 20, 16, 0);
        int target = FindLayerByType(d.doc, LayerTypeStrokeTarget);
        int stroke = FindLayerByType(d.doc, LayerTypeStroke);
        if (target < 0) {
            EXPECT_EQ(0, ran);   // no layer to paint: nothing, and no undo step
            EXPECT_EQ(0, d.doc->undoCount);
        } else {
            EXPECT_EQ(1, ran);
            EXPECT_EQ(MakeWord(255, 0, 0), d.Plane(target)[16 * 48 + 20]);
            if (stroke >= 0) {
                EXPECT_EQ(MakeWord(0, 0, 255), d.Plane(stroke)[16 * 48 + 20]);
            }
        }
    }
    EXPECT_EQ(0, view.current);
    BuildPenTip(0, 0);
}

// ---- the pen's canvas commands and the text tool's dialog ----

#include <cstring>
#include <string>

#include "canvas/canv_host.h"
#include "paint/tablet.h"
#include "paint/text_raster.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "test_support.h"
#include "ui/ui_hook.h"

namespace {
struct TextHost {
    CanvasHost saved = GetCanvasHost();
    std::string folder = testsupport::ExeFolder() + "..\\dist\\";
    TextHost() {
        CanvasHost host = saved;
        host.programFolder = folder.c_str();
        SetCanvasHost(host);
        ResetTextSettings();
        c_FontCatalogue::Build();
    }
    ~TextHost() {
        SetCanvasHost(saved);
        ResetTextSettings();
    }
};
// The text dialog's child panel: the one that holds the shadow switch (131).
HWND TextPanelOf(HWND dialog) {
    HWND panel = FindWindowExA(dialog, nullptr, nullptr, nullptr);
    while (panel && !GetDlgItem(panel, 131)) panel = FindWindowExA(dialog, panel, nullptr, nullptr);
    return panel;
}

}  // namespace

TEST(PenCommands, GradientFillPaintsTheRampOverThePlaneAndKeepsNoChoice) {
    Doc d(32, 8);
    ASSERT_TRUE(d.doc);
    SetPen(0, 0, 0, 2.0, 0);
    c_ToneMask::Reset();
    SetModalAnswerHook(
        [](const ModalRequest& r, void*) -> int {
            if (r.attempt == 0) {
                SendMessageA(r.dialog, WM_COMMAND, 110, 0);   // horizontal ramp
                return kModalAskAgain;
            }
            return IDOK;
        },
        nullptr);
    EXPECT_EQ(1, PenCanvasCommand(d.doc, nullptr, CMD_IMG_GRADIENTFILL));
    SetModalAnswerHook(nullptr, nullptr);
    std::vector<uint32_t> plane = d.Plane(0);
    // Mode 0: weight x x 255 / 32, so the left column stays white and the right is dark.
    EXPECT_EQ(0xFFFFFFu, plane[4 * 32 + 0]);
    EXPECT_LT(plane[4 * 32 + 31] & 255, 20u);
    EXPECT_EQ(0, c_ToneMask::AnyActive());   // the fill's choice is not kept
}

TEST(PenCommands, TextBecomesALayerInThePensColour) {
    TextHost host;
    Doc d(300, 120);
    ASSERT_TRUE(d.doc);
    SetPen(200, 0, 0, 2.0, 0);
    std::strcpy(TextSettings.text, "Text");
    TextSettings.shadowOn = 1;
    EXPECT_EQ(1, PenCanvasCommand(d.doc, nullptr, CMD_EDIT_TEXTLAYER));
    ASSERT_TRUE(d.doc->planes[8].image);
    const VmsImage* colour = d.doc->planes[8].image;
    const VmsImage* alpha = d.doc->planes[9].image;
    int red = 0, shadow = 0, clear = 0;
    for (int y = 0; y < colour->height; ++y)
        for (int x = 0; x < colour->width; ++x) {
            int a = 0, r = 0, g = 0, b = 0;
            g_VmsStore.GetValue(alpha, x, y, &a);
            g_VmsStore.GetRgb(colour, x, y, &r, &g, &b);
            if (a > 200 && r == 200 && g == 0) ++red;
            else if (a > 0 && r == 0 && g == 0 && b == 0) ++shadow;
            else if (a == 0) ++clear;
        }
    EXPECT_GT(red, 30);
    EXPECT_GT(shadow, 10);
    EXPECT_GT(clear, 100);
}

TEST(TextDialog, EditedThroughThePanelAndClosedWithOk) {
    TextHost host;
    Doc d(100, 60);
    struct Seen {
        bool preview = false;
        bool shadowShown = false;
    } seen;
    SetModalAnswerHook(
        [](const ModalRequest& r, void* user) -> int {
            Seen* s = (Seen*)user;
            if (std::strcmp(r.templ, "psv_text") != 0) return IDCANCEL;
            HWND panel = TextPanelOf(r.dialog);
            if (!panel) return kModalPressClose;
            s->preview = GetDlgItem(r.dialog, 100) != nullptr;
            SetDlgItemTextA(panel, 100, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7");
            SendMessageA(panel, WM_COMMAND, MAKEWPARAM(100, EN_CHANGE), (LPARAM)GetDlgItem(panel, 100));
            SendMessageA(panel, WM_COMMAND, 131, 0);   // shadow on
            RECT rc;
            GetWindowRect(GetDlgItem(panel, 132), &rc);
            s->shadowShown = rc.right > rc.left;
            SendMessageA(panel, WM_TIMER, 0, 0);       // the preview timer's tick
            SendMessageA(panel, WM_COMMAND, IDOK, 0);
            return kModalAskAgain;
        },
        &seen);
    TextSettings.stickerRoute = 0;
    EXPECT_EQ(0, ShowTextDialog(nullptr, d.doc));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_TRUE(seen.preview);
    EXPECT_TRUE(seen.shadowShown);
    EXPECT_EQ(1, TextSettings.shadowOn);
    EXPECT_STREQ("1\r\n2\r\n3\r\n4\r\n5\r\n6", TextSettings.text);   // the seventh line went
    EXPECT_EQ(1, TextSettings.stickerRoute);
}

// The panel shows the shadow group only with the shadow on, the frame group
// only with a frame, and the backing colour only with a frame and a backing;
// choosing no frame also turns the backing off. Cancel answers -1.
TEST(TextDialog, GroupsFollowTheirSwitchesAndCancelAnswersMinusOne) {
    TextHost host;
    Doc d(100, 60);
    TextSettings.shadowOn = 0;
    TextSettings.frameKind = 2;
    TextSettings.backingOn = 0;
    struct Step {
        const char* name;
        int command, frameChoice;   // the control pressed; the frame list's choice for 153
        bool shadow, frame, backing;
    };
    static const Step steps[] = {
        {"as opened", 0, 0, false, false, false},
        {"shadow on", 131, 0, true, false, false},
        {"rectangle frame", 153, 0, true, true, false},
        {"backing on", 156, 0, true, true, true},
        {"circle frame", 153, 1, true, true, true},
        {"no frame", 153, 2, true, false, false},
        {"shadow off", 131, 0, false, false, false},
    };
    struct Seen {
        std::vector<std::string> wrong;
        int backingAfterNoFrame = -1;
    } seen;
    SetModalAnswerHook(
        [](const ModalRequest& r, void* user) -> int {
            Seen* s = (Seen*)user;
            if (std::strcmp(r.templ, "psv_text") != 0) return IDCANCEL;
            HWND panel = TextPanelOf(r.dialog);
            if (!panel) return kModalPressClose;
            auto shown = [&](int id) {
                RECT rc;
                GetWindowRect(GetDlgItem(panel, id), &rc);
                return rc.right > rc.left && rc.bottom > rc.top;
            };
            for (const Step& step : steps) {
                if (step.command == 153) {
                    HWND list = GetDlgItem(panel, 153);
                    SendMessageA(list, CB_SETCURSEL, step.frameChoice, 0);
                    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(153, CBN_SELCHANGE), (LPARAM)list);
                } else if (step.command) {
                    SendMessageA(panel, WM_COMMAND, step.command, 0);
                }
                // The shadow group: the sliders, their values and the colour button.
                for (int id : {132, 133, 134, 135, 129, 130, 136})
                    if (shown(id) != step.shadow) s->wrong.push_back(std::string(step.name) + ": shadow " + std::to_string(id));
                // The frame group: thickness, its spin, the colour and the backing switch.
                for (int id : {150, 151, 157, 156})
                    if (shown(id) != step.frame) s->wrong.push_back(std::string(step.name) + ": frame " + std::to_string(id));
                if (shown(154) != step.backing) s->wrong.push_back(std::string(step.name) + ": backing colour");
                if (step.command == 153 && step.frameChoice == 2) s->backingAfterNoFrame = TextSettings.backingOn;
            }
            SendMessageA(panel, WM_COMMAND, IDCANCEL, 0);
            return kModalAskAgain;
        },
        &seen);
    EXPECT_EQ(-1, ShowTextDialog(nullptr, d.doc));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(std::vector<std::string>{}, seen.wrong);
    EXPECT_EQ(0, seen.backingAfterNoFrame);
    EXPECT_EQ(2, TextSettings.frameKind);
}

// The preview shows what OK places, also on the first opening (before which
// texts took the GDI route): the sticker with its backing, unless vertical
// text asks for the GDI route, which has no backing.
TEST(TextDialog, PreviewShowsWhatOkPlaces) {
    struct Case {
        int vertical;
        bool backingShown;
    } cases[] = {{0, true}, {1, false}};
    for (const Case& c : cases) {
        TextHost host;
        Doc d(100, 60);
        std::strcpy(TextSettings.text, "Ab");
        TextSettings.stickerRoute = 0;
        TextSettings.frameKind = 0;
        TextSettings.backingOn = 1;
        TextSettings.vertical = c.vertical;
        int backing = -1;
        SetModalAnswerHook(
            [](const ModalRequest& r, void* user) -> int {
                if (std::strcmp(r.templ, "psv_text") != 0) return IDCANCEL;
                HWND preview = GetDlgItem(r.dialog, 100);
                RECT rc;
                GetClientRect(preview, &rc);
                BITMAPINFO bi = {};
                bi.bmiHeader = {sizeof bi.bmiHeader, rc.right, -rc.bottom, 1, 32, BI_RGB};
                void* bits = nullptr;
                HDC dc = CreateCompatibleDC(nullptr);
                HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
                HGDIOBJ old = SelectObject(dc, dib);
                SendMessageA(preview, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
                GdiFlush();
                int n = 0;
                for (int i = 0; bits && i < rc.right * rc.bottom; ++i)
                    if ((((const uint32_t*)bits)[i] & 0xFFFFFF) == 0x00FFA0) ++n;   // backing (0, 255, 160)
                *(int*)user = n;
                SelectObject(dc, old);
                DeleteObject(dib);
                DeleteDC(dc);
                return kModalPressClose;
            },
            &backing);
        EXPECT_EQ(0, ShowTextDialog(nullptr, d.doc));
        SetModalAnswerHook(nullptr, nullptr);
        if (c.backingShown) EXPECT_GT(backing, 2000) << "vertical " << c.vertical;
        else EXPECT_EQ(0, backing) << "vertical " << c.vertical;
    }
}

TEST(TabletDialog, OptionsToggleAndTheCurveBends) {
    HWND owner = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    TabletOptions saved = Tablet;
    int point = PressureCurvePoint;
    Tablet = {0, 0, 0, 0};
    PressureCurvePoint = 70;
    HWND dlg = ToggleTabletDialog(owner, nullptr, 0);
    ASSERT_TRUE(dlg);
    SendMessageA(GetDlgItem(dlg, 102), BM_CLICK, 0, 0);
    EXPECT_EQ(1, Tablet.size);
    SendMessageA(dlg, WM_COMMAND, 120, 0);   // "+"
    EXPECT_EQ(80, PressureCurvePoint);
    EXPECT_NEAR(80, PressureCurve[128], 1);
    EXPECT_EQ(nullptr, ToggleTabletDialog(owner, dlg, 0));   // open: closed again
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(16, TabletCurveDrag(70, -20));
    EXPECT_EQ(200, TabletCurveDrag(70, 20));
    Tablet = saved;
    PressureCurvePoint = point;
    BuildPressureCurve();
    DestroyWindow(owner);
}
