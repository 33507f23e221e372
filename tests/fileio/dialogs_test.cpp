// The file host's dialogs, answered through the modal hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui/ui_hook.h"
#include "fileio/save_warning.h"
#include "resources/fileio_ids.h"

namespace {

struct Script {
    std::vector<int> presses;         // control to press at each attempt
    std::vector<std::string> lines;   // the warning's list box, as shown
};

int Answer(const ModalRequest& request, void* user) {
    Script* s = (Script*)user;
    if (request.attempt == 0) {
        HWND list = GetDlgItem(request.dialog, IDC_SAVEWARN_LIST);
        int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            char line[256] = {};
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)line);
            s->lines.push_back(line);
        }
    }
    return request.attempt < (int)s->presses.size() ? s->presses[request.attempt] : IDCANCEL;
}

TEST(SaveWarning, AnswersAndTheDontWarnFlag) {
    struct Case {
        std::vector<int> presses;
        int result, dontWarn;
    } cases[] = {
        {{IDYES}, 6, 0},
        {{IDNO}, 7, 0},
        {{IDCANCEL}, 7, 0},                               // Esc means No
        {{kModalPressClose}, 0, 0},
        {{IDC_SAVEWARN_DONTWARN, IDYES}, 6, 1},           // the flag button leaves the dialog open
        {{IDC_SAVEWARN_DONTWARN, IDC_SAVEWARN_DONTWARN, IDNO}, 7, 0},
    };
    for (const Case& c : cases) {
        Script script{c.presses, {}};
        SetModalAnswerHook(Answer, &script);
        int dontWarn = 0;
        EXPECT_EQ(c.result, ShowSaveWarning(nullptr, &dontWarn));
        EXPECT_EQ(c.dontWarn, dontWarn);
        SetModalAnswerHook(nullptr, nullptr);
        ASSERT_EQ(3u, script.lines.size());
        EXPECT_EQ("DNP形式以外では、透明度やレイヤー情報などの", script.lines[0]);
        EXPECT_EQ("この形式で保存しますか？", script.lines[2]);
    }
}

TEST(SaveWarning, OnlyFormatsThatLoseLayersAsk) {
    EXPECT_EQ(1, SaveLosesLayers("a.jpg", 2, 0));
    EXPECT_EQ(1, SaveLosesLayers("a.png", 1, 1));
    EXPECT_EQ(0, SaveLosesLayers("a.jpg", 1, 0));
    EXPECT_EQ(0, SaveLosesLayers("a.DNP", 5, 3));
    EXPECT_EQ(0, SaveLosesLayers("a.dra", 5, 3));
}

}  // namespace
