// The frame's new-canvas dialog: opens with the size remembered in EnvBlock,
// and OK makes the request of a blank canvas and remembers the choice; Cancel
// changes neither.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/envblock.h"
#include "app/newcanvas_cmd.h"
#include "canvas/canv_doc.h"
#include "resources/newcanvas_ids.h"
#include "tests/ui/ui_test_util.h"

namespace {

std::string FieldText(HWND dlg, int id) {
    char b[64] = {};
    GetDlgItemTextA(dlg, id, b, sizeof b);
    return b;
}

struct Answer {
    const char* width;   // typed into the width field
    int button;
    std::string shownWidth, shownHeight, shownDpi;
};

int Ask(Answer* a) {
    ScopedModalAnswer hook([a](const ModalRequest& r) {
        a->shownWidth = FieldText(r.dialog, IDC_NEWCANV_WIDTH);
        a->shownHeight = FieldText(r.dialog, IDC_NEWCANV_HEIGHT);
        a->shownDpi = FieldText(r.dialog, IDC_NEWCANV_DPI);
        SetDlgItemTextA(r.dialog, IDC_NEWCANV_WIDTH, a->width);
        return a->button;
    });
    return PrepareNewCanvas(nullptr);
}

}  // namespace

TEST(NewCanvasCommand, OkMakesTheBlankRequestAndRemembersCancelChangesNothing) {
    Env.newCanvasWidth = 300;
    Env.newCanvasHeight = 200;
    Env.newCanvasDpi = 0;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = 7, .height = 7, .x = 3, .y = 3, .depth = 8, .planeCount = 0};
    NewCanvasRequest.layerCount = 5;
    NewCanvasRequest.origin = CanvOriginFile;
    NewCanvasRequest.resolution = 7;

    Answer cancel{"50", IDCANCEL};
    EXPECT_EQ(0, Ask(&cancel));
    EXPECT_EQ("300", cancel.shownWidth);
    EXPECT_EQ("200", cancel.shownHeight);
    EXPECT_EQ("96", cancel.shownDpi);   // nothing remembered: 96 dpi
    EXPECT_EQ(300, Env.newCanvasWidth);
    EXPECT_EQ(0, Env.newCanvasDpi);
    EXPECT_EQ(7, NewCanvasRequest.layers[0].width);
    EXPECT_EQ(5, NewCanvasRequest.layerCount);
    EXPECT_EQ(CanvOriginFile, NewCanvasRequest.origin);
    EXPECT_EQ(7, NewCanvasRequest.resolution);

    Answer ok{"1000", IDOK};
    EXPECT_EQ(1, Ask(&ok));
    EXPECT_EQ(1000, Env.newCanvasWidth);
    EXPECT_EQ(200, Env.newCanvasHeight);
    EXPECT_EQ(96, Env.newCanvasDpi);
    EXPECT_EQ(1000, NewCanvasRequest.layers[0].width);
    EXPECT_EQ(200, NewCanvasRequest.layers[0].height);
    EXPECT_EQ(24, NewCanvasRequest.layers[0].depth);
    EXPECT_EQ(0, NewCanvasRequest.layers[0].x);
    EXPECT_EQ(1, NewCanvasRequest.layers[0].planeCount);
    EXPECT_EQ(1, NewCanvasRequest.layerCount);
    EXPECT_EQ(CanvOriginBlank, NewCanvasRequest.origin);
    EXPECT_EQ(96, NewCanvasRequest.resolution);

    // The next opening starts from what was remembered.
    Answer again{"1000", IDCANCEL};
    Ask(&again);
    EXPECT_EQ("1000", again.shownWidth);
}
