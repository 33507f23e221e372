// The brush editor: tip kinds, size fields, Cancel restores the record.
#include <gtest/gtest.h>

#include "ui/ui_hook.h"
#include "paint/brush_editor.h"
#include "paint/pen_state.h"
#include "resources/paint_ids.h"

namespace {
struct Edit {
    int tipButton;        // -1: none
    const char* width;    // null: untouched
    int press;            // IDOK or IDCANCEL
};

int Answer(const ModalRequest& request, void* user) {
    const Edit* e = (const Edit*)user;
    if (request.attempt > 0) return e->press;
    if (e->tipButton >= 0)
        SendMessageA(request.dialog, WM_COMMAND, MAKEWPARAM(IDC_PENEDIT_TIP0 + e->tipButton, BN_CLICKED), 0);
    if (e->width) SetDlgItemTextA(request.dialog, IDC_PENEDIT_WIDTH, e->width);
    return kModalAskAgain;
}

int RunEditor(const Edit& e) {
    SetModalAnswerHook(Answer, (void*)&e);
    int r = ShowPenEditDialog(nullptr, 4);
    SetModalAnswerHook(nullptr, nullptr);
    return r;
}
}  // namespace

TEST(BrushEditor, EdgeKindsSetTheirInnerFactorAndCancelPutsTheRecordBack) {
    struct Case {
        Edit edit;
        int result, kind;
        double factor, halfWidth;
    } cases[] = {
        {{6, nullptr, IDOK}, 1, 6, 4.0, 3.0},
        {{5, nullptr, IDOK}, 1, 5, 6.0, 3.0},
        {{4, "11", IDOK}, 1, 4, 8.0, 5.0},
        {{1, "255", IDOK}, 1, 1, 2.5, 127.0},
        {{6, "41", IDCANCEL}, 0, 0, 2.5, 3.0},   // the seventh button, then Cancel
    };
    for (const Case& c : cases) {
        PenRecords[4] = PenRecord{.halfWidth = 3.0, .halfHeight = 2.0, .tipKind = 0, .innerFactor = 2.5};
        PenRecords[4].rest[5] = 77;
        EXPECT_EQ(c.result, RunEditor(c.edit));
        EXPECT_EQ(c.kind, PenRecords[4].tipKind);
        EXPECT_EQ(c.factor, PenRecords[4].innerFactor);
        EXPECT_EQ(c.halfWidth, PenRecords[4].halfWidth);
        EXPECT_EQ(2.0, PenRecords[4].halfHeight);
        EXPECT_EQ(77, PenRecords[4].rest[5]);
    }
}

TEST(BrushEditor, AStoredSeventhKindReadsBackAsAnEdgePen) {
    PenRecord r{.halfWidth = 4.0, .halfHeight = 4.0, .tipKind = 6, .innerFactor = 4.0};
    ClampPenRecord(&r);
    EXPECT_EQ(4, r.tipKind);
    EXPECT_EQ(4.0, r.innerFactor);
}
