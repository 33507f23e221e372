// Message boxes on their real templates, answered through the modal hook, and the
// string loaders.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/msgbox.h"
#include "tests/ui/ui_test_util.h"

namespace {

std::string WindowText(HWND w) {
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::vector<std::string> ListLines(HWND dlg) {
    HWND list = GetDlgItem(dlg, 100);
    std::vector<std::string> lines;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        char buf[300] = {};
        if ((int)SendMessageA(list, LB_GETTEXTLEN, i, 0) < (int)sizeof buf)
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)buf);
        lines.push_back(buf);
    }
    return lines;
}

struct KindCase {
    unsigned kind;
    const char* templ;
    std::vector<std::pair<int, const char*>> buttons;   // id, label, in template order
    int focus;
};

const std::vector<KindCase>& Kinds() {
    static const std::vector<KindCase> kinds = {
        {0, "dra_msgbox", {{1, "OK"}}, 1},
        {1, "dra_msgbox_yn", {{6, "はい"}, {7, "いいえ"}}, 6},
        {2, "dra_msgbox_oc", {{1, "OK"}, {2, "ｷｬﾝｾﾙ"}}, 1},
        {3, "dra_msgbox_ync", {{6, "はい"}, {7, "いいえ"}, {2, "ｷｬﾝｾﾙ"}}, 6},
    };
    return kinds;
}

}  // namespace

TEST(MsgBox, EveryButtonOfEveryKindReturnsItsId) {
    for (const KindCase& k : Kinds()) {
        for (auto [id, label] : k.buttons) {
            std::string seenTempl, seenLabel;
            ScopedModalAnswer answer([&, id = id](const ModalRequest& r) {
                seenTempl = r.templ;
                seenLabel = WindowText(GetDlgItem(r.dialog, id));
                return id;
            });
            EXPECT_EQ(id, ShowMessageBox(nullptr, "本文", kAppTitle, k.kind)) << k.templ << " " << id;
            EXPECT_EQ(k.templ, seenTempl);
            EXPECT_EQ(label, seenLabel) << k.templ;
            EXPECT_EQ(id, GetLastMessageBox().result);
        }
    }
}

TEST(MsgBox, CloseBoxGivesCancelForEveryKind) {
    for (const KindCase& k : Kinds()) {
        ScopedModalAnswer answer([](const ModalRequest&) { return kModalPressClose; });
        EXPECT_EQ(2, ShowMessageBox(nullptr, "x", kAppTitle, k.kind)) << k.templ;
    }
}

TEST(MsgBox, TemplatesHoldOnlyTheirButtonsAndFocusTheDefault) {
    for (const KindCase& k : Kinds()) {
        bool checked = false;
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            for (int id : {1, 2, 6, 7}) {
                bool expected = false;
                for (auto& b : k.buttons) expected |= b.first == id;
                EXPECT_EQ(expected, GetDlgItem(r.dialog, id) != nullptr) << k.templ << " id " << id;
            }
            EXPECT_EQ(GetDlgItem(r.dialog, k.focus), GetFocus()) << k.templ;
            // Buttons stand right-aligned on one line, in table order.
            int lastRight = -1, top = -1;
            for (auto& b : k.buttons) {
                RECT rc;
                GetWindowRect(GetDlgItem(r.dialog, b.first), &rc);
                EXPECT_GT(rc.left, lastRight) << k.templ;
                if (top >= 0) {
                    EXPECT_EQ(top, rc.top);
                }
                lastRight = rc.right;
                top = rc.top;
            }
            checked = true;
            return kModalPressClose;
        });
        ShowMessageBox(nullptr, "x", kAppTitle, k.kind);
        EXPECT_TRUE(checked);
    }
}

TEST(MsgBox, CaptionAndTextLines) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"一行目\r\n二行目", {"一行目", "二行目"}},
        {"word\r", {"word\r"}},                       // a lone CR is an ordinary byte
        {"a\nb", {"a\nb"}},                           // so is a lone LF
        {"end\r\n", {"end"}},                         // no empty last entry
        {"a\r\n\r\nb", {"a", "", "b"}},              // an empty line between
        {"", {}},
        {"zzz\r\naaa\r\nmmm", {"zzz", "aaa", "mmm"}}, // the sort style does not reorder
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        std::string caption;
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            got = ListLines(r.dialog);
            caption = WindowText(r.dialog);
            EXPECT_STREQ(c.text, r.text);
            EXPECT_EQ(0, r.kind);
            return 1;
        });
        EXPECT_EQ(1, ShowMessageBox(nullptr, c.text, kAppTitle, 0));
        EXPECT_EQ(c.lines, got) << "text: " << c.text;
        EXPECT_EQ("Darna Studio for Tabrix", caption);
        EXPECT_EQ(c.text, GetLastMessageBox().text);
        EXPECT_EQ(kAppTitle, GetLastMessageBox().caption);
    }
}

TEST(MsgBox, LongLineIsSplitWithoutBreakingCharacters) {
    std::string text = "a";
    for (int i = 0; i < 200; ++i) text += "表";   // 401 bytes, odd start
    std::vector<std::string> got;
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        got = ListLines(r.dialog);
        return 1;
    });
    ShowMessageBox(nullptr, text.c_str(), kAppTitle, 0);
    ASSERT_EQ(2u, got.size());
    EXPECT_LE(got[0].size(), 255u);
    EXPECT_EQ(text, got[0] + got[1]);
    EXPECT_EQ(0u, (got[1].size()) % 2);   // whole double-byte characters only
}

// A line wider than the template's list widens the box: every line shows whole,
// the buttons stay right-aligned inside it; short texts keep the template's size.
TEST(MsgBox, WideLinesWidenTheBoxSoThatNoLineIsCut) {
    const char* const texts[] = {
        "x",
        "レイヤーを結合しますか？\r\nレイヤーを結合すると結合した画像すべてにエフェクトがかかります。\r\n"
        "レイヤーを結合しないと元の画像にのみエフェクトがかかります。\r\n",
    };
    std::vector<int> widths;
    for (const char* text : texts) {
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            HWND list = GetDlgItem(r.dialog, 100);
            RECT client, box;
            GetClientRect(list, &client);
            GetClientRect(r.dialog, &box);
            widths.push_back(box.right);
            HDC dc = GetDC(list);
            HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
            for (const std::string& line : ListLines(r.dialog)) {
                SIZE size = {};
                GetTextExtentPoint32A(dc, line.c_str(), (int)line.size(), &size);
                EXPECT_LE(size.cx + 2, client.right) << line;
            }
            SelectObject(dc, old);
            ReleaseDC(list, dc);
            for (int id : {IDYES, IDNO}) {
                RECT rc;
                GetWindowRect(GetDlgItem(r.dialog, id), &rc);
                MapWindowPoints(nullptr, r.dialog, (POINT*)&rc, 2);
                EXPECT_LE(rc.right, box.right) << id;
                EXPECT_GT(rc.left, box.right / 2) << id;
            }
            return IDYES;
        });
        EXPECT_EQ(IDYES, ShowMessageBox(nullptr, text, kAppTitle, kMsgYesNo));
    }
    ASSERT_EQ(2u, widths.size());
    EXPECT_GT(widths[1], widths[0]);   // only the wide text widened its box
}

TEST(MsgBox, EnterPressesTheDefaultAndEscapeCancels) {
    struct Case {
        unsigned kind;
        WPARAM key;
        int expected;
    };
    const Case cases[] = {{0, VK_RETURN, 1}, {1, VK_RETURN, 6}, {3, VK_RETURN, 6},
                          {2, VK_RETURN, 1}, {1, VK_ESCAPE, 2}, {0, VK_ESCAPE, 2}};
    for (const Case& c : cases) {
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            if (r.attempt > 0) return kModalPressClose;   // the key did nothing: fail below
            PostMessageA(GetFocus(), WM_KEYDOWN, c.key, 0);
            return kModalAskAgain;
        });
        EXPECT_EQ(c.expected, ShowMessageBox(nullptr, "key", kAppTitle, c.kind))
            << "kind " << c.kind << " key " << c.key;
    }
}

TEST(MsgBox, OtherCommandIdsDoNotEndTheBox) {
    ScopedModalAnswer answer([](const ModalRequest& r) {
        if (r.attempt == 0) {
            for (int id : {3, 4, 5, 8, 100, 1000})
                SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            return kModalAskAgain;
        }
        return 7;
    });
    EXPECT_EQ(7, ShowMessageBox(nullptr, "x", kAppTitle, 3));
    EXPECT_EQ(2, answer.calls);
}

TEST(MsgBox, ClickOnALineSelectsNothing) {
    int sel = 0;
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        HWND list = GetDlgItem(r.dialog, 100);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 3));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(10, 3));
        sel = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
        return 1;
    });
    ShowMessageBox(nullptr, "one\r\ntwo", kAppTitle, 0);
    EXPECT_EQ(LB_ERR, sel);
}

TEST(MsgBox, PanelsAreDisabledWhileTheBoxIsUp) {
    HWND panels[3];
    for (int i = 0; i < 3; ++i) {
        panels[i] = CreateWindowA("STATIC", "panel", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, panels[i]);
        SetPanelWindow((PanelSlot)i, panels[i]);
    }
    EnableWindow(panels[1], FALSE);   // disabled before: enabled again afterwards
    bool during[3] = {true, true, true};
    ScopedModalAnswer answer([&](const ModalRequest&) {
        for (int i = 0; i < 3; ++i) during[i] = IsWindowEnabled(panels[i]) != 0;
        return 1;
    });
    ShowMessageBox(nullptr, "x", kAppTitle, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(during[i]) << i;
        EXPECT_TRUE(IsWindowEnabled(panels[i])) << i;
    }
    // A destroyed panel is skipped.
    DestroyWindow(panels[2]);
    EnablePanels(FALSE);
    EnablePanels(TRUE);
    for (int i = 0; i < 3; ++i) SetPanelWindow((PanelSlot)i, nullptr);
    DestroyWindow(panels[0]);
    DestroyWindow(panels[1]);
}

TEST(MsgBox, KindOutOfRangeShowsNothing) {
    ScopedModalAnswer answer([](const ModalRequest&) { return 1; });
    int before = GetLastMessageBox().count;
    EXPECT_EQ(0, ShowMessageBox(nullptr, "x", kAppTitle, 4));
    EXPECT_EQ(0, answer.calls);
    EXPECT_EQ(before, GetLastMessageBox().count);
}

TEST(MsgBox, OwnerIsDisabledWhileUpAndTheBoxIsCentred) {
    HWND owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    bool ownerEnabled = true;
    RECT rc = {};
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        ownerEnabled = IsWindowEnabled(owner) != 0;
        GetWindowRect(r.dialog, &rc);
        return 1;
    });
    ShowMessageBox(owner, "x", kAppTitle, 0);
    EXPECT_FALSE(ownerEnabled);
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((W - (rc.right - rc.left)) / 2, rc.left);
    EXPECT_EQ((H - (rc.bottom - rc.top)) / 2, rc.top);
    DestroyWindow(owner);
}

TEST(ResString, LoadersKeepOneBufferEach) {
    const char* a = LoadResString(1300);
    EXPECT_STREQ("一つ目の文字列", a);
    const char* b = LoadResString(1301);
    EXPECT_EQ(a, b);
    EXPECT_STREQ("second string", a);   // the first pointer shows the second string
    const char* c = LoadResString2(1300);
    EXPECT_NE(a, c);
    EXPECT_STREQ("一つ目の文字列", c);
    EXPECT_STREQ("second string", a);
}

TEST(ResString, MissingStringShowsItsIdAndGivesAnEmptyText) {
    struct Case {
        const char* (*load)(int);
        const char* expected;
    };
    const Case cases[] = {{LoadResString, "id[987]LoadString error"},
                          {LoadResString2, "id[987]LoadString2 error"}};
    for (const Case& c : cases) {
        c.load(1301);   // leave a previous text in the buffer
        ScopedModalAnswer answer([](const ModalRequest&) { return 1; });
        const char* s = c.load(987);
        EXPECT_EQ(1, answer.calls);
        EXPECT_STREQ("", s);
        EXPECT_EQ(c.expected, GetLastMessageBox().text);
        EXPECT_EQ(kAppTitle, GetLastMessageBox().caption);
        EXPECT_EQ(0, GetLastMessageBox().kind);
    }
}

TEST(ModalHook, DialogRefusingEveryAnswerIsEndedWithCancel) {
    ScopedModalAnswer answer([](const ModalRequest&) { return 4321; });   // no such control
    EXPECT_EQ(2, ShowMessageBox(nullptr, "x", kAppTitle, 0));
    EXPECT_EQ(kModalMaxAttempts, answer.calls);
}
