// The adjustment dialogs' shared scheme: the merge question of every opener,
// and on the colour-correction dialog Apply and Revert through the undo
// history and what the vividness does to a colour.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_driving.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/level_dialog.h"
#include "adjust/tone_curve.h"
#include "canvas/canv_history.h"
#include "canvas_fixture.h"
#include "paint/pen_state.h"
#include "ui/ui_hook.h"

using namespace canvtest;
using namespace adjusttest;

namespace {

uint32_t Word(int r, int g, int b) { return (uint32_t)b | (uint32_t)g << 8 | (uint32_t)r << 16; }

void Press(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)PanelItem(dlg, id)); }

struct Questions {
    int asked = 0;
};

const char kMergeQuestionStart[] = "レイヤーを結合しますか？";

// The merge question is answered No and counted; other boxes ("DLL ERROR"
// of an effect the test folder lacks) and the dialogs are closed.
int AnswerNo(const ModalRequest& request, void* user) {
    if (request.kind >= 0) {
        if (request.text && std::strncmp(request.text, kMergeQuestionStart, std::strlen(kMergeQuestionStart)) == 0) {
            ++((Questions*)user)->asked;
            return IDNO;
        }
        return IDOK;
    }
    return IDOK;
}

}  // namespace

// The question whether to merge the layers comes only when a layer above
// the base one shows something, and only from the dialogs that ask it (the
// tone curve never does).
TEST(AdjustScheme, MergeQuestionOnlyWithASecondLayerThatShows) {
    struct Opener {
        const char* name;
        INT_PTR (*open)(CanvDoc*);
        int asks;
    };
    const Opener openers[] = {
        {"colour correction", [](CanvDoc* d) { return OpenBrContDialog(nullptr, d); }, 1},
        {"effects", [](CanvDoc* d) { return OpenEffectDialog(nullptr, d); }, 1},
        {"dodge", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelDodge); }, 1},
        {"burn", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelBurn); }, 1},
        {"colour temperature", [](CanvDoc* d) { return OpenLevelDialog(nullptr, d, LevelOndo); }, 1},
        {"tone curve", [](CanvDoc* d) { return OpenToneCurveDialog(nullptr, d); }, 0},
    };
    struct Case {
        const char* name;
        int layers;
        bool paintSecond;       // one pixel of the second layer's transparency set
        int asked;              // by a dialog that asks
    };
    const Case cases[] = {
        {"one layer", 1, false, 0},
        {"second layer empty", 2, false, 0},
        {"second layer shows a pixel", 2, true, 1},
    };
    for (const Opener& o : openers)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(o.name) + ", " + c.name);
            DocHolder doc(c.layers == 1 ? MakeDoc({Layer(32, 24, 0, 0, 2)})
                                        : MakeDoc({Layer(32, 24, 0, 0, 2), Layer(32, 24, 0, 0, 2)}));
            ASSERT_TRUE(doc.doc);
            FillPlane(doc->planes[1].image, 255);
            if (c.layers == 2) {
                ASSERT_TRUE(doc->planes[CanvPlanesPerLayer + 1].image);
                FillPlane(doc->planes[CanvPlanesPerLayer + 1].image, 0);
                if (c.paintSecond) SetPixel(doc->planes[CanvPlanesPerLayer + 1].image, 31, 23, 1);
            }
            Questions q;
            SetModalAnswerHook(AnswerNo, &q);
            o.open(doc.doc);
            SetModalAnswerHook(nullptr, nullptr);
            EXPECT_EQ(q.asked, c.asked * o.asks);
        }
}

namespace {

struct RevertRun {
    CanvDoc* doc;
    int applies;
    std::vector<std::vector<uint32_t>> states;   // after each apply, then each revert
    std::vector<bool> revertEnabled;             // after each revert
};

int DriveApplies(const ModalRequest& request, void* user) {
    RevertRun* r = (RevertRun*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_brcont") != 0) return IDOK;
    HWND dlg = request.dialog;
    const int k = request.attempt;
    if (k > 0) r->states.push_back(Snapshot(r->doc));
    if (k > r->applies) r->revertEnabled.push_back(IsWindowEnabled(PanelItem(dlg, 19998)) != 0);
    if (k < r->applies) {
        // Brightness, then contrast, then both further: each apply a new picture.
        Press(dlg, k % 2 ? BrContIdUp0 + 1 : BrContIdUp0);
        return 19999;
    }
    if (k <= 2 * r->applies) return 19998;   // n reverts and one more
    return IDOK;
}

}  // namespace

// After n applies, n reverts give back the picture the dialog opened on; one
// more revert changes nothing (an edit made before the dialog survives) and
// the button is disabled from the last real revert on.
TEST(AdjustScheme, RevertsTakeBackTheAppliesAndNoMore) {
    constexpr int kApplies = 3;
    ResetPenState();
    DocHolder doc(MakeDoc({Layer(48, 32)}));
    ASSERT_TRUE(doc.doc);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) SetPixel(doc->planes[0].image, x, y, Word(40 + 4 * x, 30 + 5 * y, 90));
    // An edit before the dialog, with its own undo step.
    c_UndoManager::SavePoint(doc.doc, -1, 1);
    SetPixel(doc->planes[0].image, 5, 5, Word(1, 2, 3));
    const std::vector<uint32_t> opening = Snapshot(doc.doc);

    RevertRun run{doc.doc, kApplies};
    SetModalAnswerHook(DriveApplies, &run);
    EXPECT_NE(OpenBrContDialog(nullptr, doc.doc), 0);
    SetModalAnswerHook(nullptr, nullptr);

    ASSERT_EQ(run.states.size(), (size_t)(2 * kApplies + 1));
    for (int i = 1; i < kApplies; ++i) EXPECT_NE(run.states[i], run.states[i - 1]) << "apply " << i;
    EXPECT_NE(run.states[0], opening);
    // Reverts walk back through the applies.
    for (int i = 0; i + 1 < kApplies; ++i) EXPECT_EQ(run.states[kApplies + i], run.states[kApplies - 2 - i]) << i;
    EXPECT_EQ(run.states[2 * kApplies - 1], opening);
    EXPECT_EQ(run.states[2 * kApplies], opening);
    EXPECT_EQ(run.revertEnabled, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(Pixel(doc->planes[0].image, 5, 5) & 0xFFFFFF, Word(1, 2, 3));
}

namespace {

struct VividRun {
    int presses;    // up (> 0) or down (< 0)
};

int DriveVivid(const ModalRequest& request, void* user) {
    VividRun* r = (VividRun*)user;
    if (!request.templ || std::strcmp(request.templ, "psv_brcont") != 0) return IDOK;
    if (request.attempt > 0) return IDOK;
    for (int k = 0; k < std::abs(r->presses); ++k) Press(request.dialog, (r->presses > 0 ? BrContIdUp0 : BrContIdDown0) + 2);
    return 19999;
}

int Saturation(uint32_t w) {
    const int r = (w >> 16) & 255, g = (w >> 8) & 255, b = w & 255;
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    return hi ? (hi - lo) * 255 / hi : 0;
}
int Value(uint32_t w) { return std::max({(int)(w >> 16) & 255, (int)(w >> 8) & 255, (int)w & 255}); }

}  // namespace

// The vividness moves the saturation alone: greys stay as they are, and a
// coloured pixel keeps its value (the largest channel). The dialog's preview
// shows each pixel as the apply makes it.
TEST(AdjustScheme, VividnessChangesSaturationOnly) {
    const uint32_t greys[] = {Word(0, 0, 0), Word(128, 128, 128), Word(255, 255, 255)};
    const uint32_t colours[] = {Word(200, 60, 30), Word(40, 180, 120), Word(90, 100, 230)};
    struct Case {
        int presses;
        int sign;       // how the saturation moves
    };
    for (const Case c : {Case{5, 1}, Case{-5, -1}}) {
        SCOPED_TRACE(c.presses);
        ResetPenState();
        DocHolder doc(MakeDoc({Layer(6, 1)}));
        ASSERT_TRUE(doc.doc);
        for (int i = 0; i < 3; ++i) {
            SetPixel(doc->planes[0].image, i, 0, greys[i]);
            SetPixel(doc->planes[0].image, 3 + i, 0, colours[i]);
        }
        VividRun run{c.presses};
        SetModalAnswerHook(DriveVivid, &run);
        OpenBrContDialog(nullptr, doc.doc);
        SetModalAnswerHook(nullptr, nullptr);
        // Each press moves the value by 4.
        BrContValues values = {};
        values.vividness = 4 * c.presses;
        BrContTables tables;
        BuildBrContTables(values, &tables);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(Pixel(doc->planes[0].image, i, 0) & 0xFFFFFF, greys[i]) << i;
            EXPECT_EQ(BrContPreviewPixel(greys[i], tables, 0) & 0xFFFFFF, greys[i]) << "preview " << i;
            const uint32_t got = Pixel(doc->planes[0].image, 3 + i, 0) & 0xFFFFFF;
            EXPECT_EQ(BrContPreviewPixel(colours[i], tables, 0) & 0xFFFFFF, got) << "preview " << i;
            EXPECT_EQ(Value(got), Value(colours[i])) << std::hex << got;
            EXPECT_EQ((Saturation(got) > Saturation(colours[i])) ? 1 : -1, c.sign) << std::hex << got;
        }
    }
}
