// File > New in the running frame: the new-canvas dialog answered makes a
// canvas of that size; Cancel makes none.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/envblock.h"
#include "app/globals.h"
#include "app/ui/ui_hook.h"
#include "tests/app/app_test_util.h"
#include "canvas/canv_doc.h"
#include "resources/newcanvas_ids.h"
#include "resources/resource.h"
#include "tests/test_support.h"

namespace {

struct NewAnswer {
    int button;
    int dialogs = 0;
};

int AnswerNew(const ModalRequest& r, void* user) {
    auto* a = static_cast<NewAnswer*>(user);
    if (std::string(r.templ) != "dra_new") return IDOK;   // any message box
    ++a->dialogs;
    SetDlgItemTextA(r.dialog, IDC_NEWCANV_WIDTH, "321");
    SetDlgItemTextA(r.dialog, IDC_NEWCANV_HEIGHT, "123");
    SetDlgItemTextA(r.dialog, IDC_NEWCANV_DPI, "300");
    return a->button;
}

int CanvasCount() {
    int n = 0;
    for (HWND w = GetWindow(AppWindows.mdiClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (!GetWindow(w, GW_OWNER)) ++n;
    return n;
}

}  // namespace

TEST(FileNew, TheAnsweredDialogMakesACanvasOfThatSize) {
    testsupport::TempDir dir("fnew");
    ASSERT_TRUE(apptest::StartFrame(dir.Path()));
    NewAnswer cancel{IDCANCEL};
    SetModalAnswerHook(AnswerNew, &cancel);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_NEW, 0);
    apptest::Pump(50);
    EXPECT_EQ(1, cancel.dialogs);
    EXPECT_EQ(0, CanvasCount());

    NewAnswer ok{IDOK};
    SetModalAnswerHook(AnswerNew, &ok);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_NEW, 0);
    apptest::Pump(100);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(1, ok.dialogs);
    EXPECT_EQ(1, CanvasCount());
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_TRUE(doc);
    EXPECT_EQ(321, doc->width);
    EXPECT_EQ(123, doc->height);
    EXPECT_EQ(300, doc->resolution);
    EXPECT_EQ(321, Env.newCanvasWidth);
    EXPECT_EQ(123, Env.newCanvasHeight);
    EXPECT_EQ(300, Env.newCanvasDpi);
    EXPECT_TRUE(apptest::EndFrame());
}
