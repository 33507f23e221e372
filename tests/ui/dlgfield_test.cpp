// Number fields, spin steps, window placement, scroll bars and the name entry.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "ui/dlgfield.h"
#include "ui/mousepoll.h"
#include "tests/ui/ui_test_util.h"

namespace {

constexpr int kField = 100;

// A window standing in for a dialog, with an edit control of id 100.
struct FieldHost {
    HWND dlg = nullptr;
    HWND edit = nullptr;
    FieldHost() {
        dlg = CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
        edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 150, 20, dlg,
                             (HMENU)(INT_PTR)kField, GetModuleHandleA(nullptr), nullptr);
    }
    ~FieldHost() { DestroyWindow(dlg); }
    void Set(const char* text) { SetWindowTextA(edit, text); }
    std::string Text() const {
        char b[64] = {};
        GetWindowTextA(edit, b, sizeof b);
        return b;
    }
};

}  // namespace

TEST(DlgField, ReadIntClampsAndRefusesDoubleByteText) {
    struct Case {
        const char* text;
        int max, min, before, expected;
        const char* fieldAfter;   // null: unchanged
    };
    const Case cases[] = {
        {"", 255, 0, 77, 0, nullptr},       // empty: min
        {"", 255, 5, 77, 5, nullptr},
        {"250", 255, 0, 77, 250, nullptr},
        {"300", 255, 0, 77, 255, nullptr},   // not rewritten with the clamped value
        {"-5", 255, 0, 77, 0, nullptr},
        {"  42", 255, 0, 77, 42, nullptr},
        {"+7", 255, 0, 77, 7, nullptr},
        {"50", 10, 20, 77, 10, nullptr},     // min > max: max wins
        {"１２", 255, 0, 77, 77, "77"},      // full-width digits: old value back
        {"表", 255, 0, 33, 33, "33"},
        {"12345678901234567890123456789999", 2000000000, 0, 1, 2000000000, nullptr},
    };
    FieldHost h;
    for (const Case& c : cases) {
        h.Set(c.text);
        int v = c.before;
        ReadDlgItemInt(h.dlg, kField, &v, c.max, c.min);
        EXPECT_EQ(c.expected, v) << "'" << c.text << "'";
        EXPECT_EQ(c.fieldAfter ? c.fieldAfter : c.text, h.Text()) << "'" << c.text << "'";
    }
    // Letters only: some value within the limits.
    h.Set("abc");
    int v = -100;
    ReadDlgItemInt(h.dlg, kField, &v, 50, 10);
    EXPECT_GE(v, 10);
    EXPECT_LE(v, 50);
}

TEST(DlgField, ReadFloatSignalsBadTextWithMaxPlusTen) {
    struct Case {
        const char* text;
        float max, min, before, expected;
        const char* fieldAfter;
    };
    const Case cases[] = {
        {"", 10, 0, 1, 20, nullptr},
        {"3.25", 10, 0, 1, 3.25f, nullptr},
        {" 3.50", 10, 0, 1, 3.5f, nullptr},
        {"-1", 10, 0, 1, 20, nullptr},        // a minus sign is refused
        {"3a", 10, 0, 1, 20, nullptr},
        {"1e3", 10, 0, 1, 20, nullptr},
        {"12", 10, 0, 1, 10, nullptr},
        {"0.5", 10, 1, 4, 1, nullptr},
        {"5", 2, 3, 4, 3, nullptr},           // min > max: min wins
        {"１", 10, 0, 2.5f, 2.5f, " 2.50"},   // double-byte: old value back
    };
    FieldHost h;
    for (const Case& c : cases) {
        h.Set(c.text);
        float v = c.before;
        ReadDlgItemFloat(h.dlg, kField, &v, c.max, c.min);
        EXPECT_FLOAT_EQ(c.expected, v) << "'" << c.text << "'";
        EXPECT_EQ(c.fieldAfter ? c.fieldAfter : c.text, h.Text()) << "'" << c.text << "'";
    }
}

TEST(DlgField, SpinStepsFromTheFieldText) {
    struct Case {
        const char* text;
        int max, min, code, before, expected;
    };
    const Case cases[] = {
        {"255", 255, 0, SB_LINEUP, 1, 255},    // at max stays at max
        {"10", 255, 0, SB_LINEUP, 1, 11},
        {"10", 255, 0, SB_LINEDOWN, 1, 9},
        {"0", 255, 0, SB_LINEDOWN, 1, 0},
        {"10", 255, 0, SB_THUMBPOSITION, 99, 10},
        {"300", 255, 0, SB_THUMBPOSITION, 1, 255},   // only re-clamps
    };
    FieldHost h;
    for (const Case& c : cases) {
        h.Set(c.text);
        int v = c.before;
        SpinDlgItemInt(h.dlg, kField, &v, c.max, c.min, c.code);
        EXPECT_EQ(c.expected, v) << c.text << " code " << c.code;
        EXPECT_EQ(std::to_string(c.expected), h.Text());
    }
    h.Set("3.50");
    float f = 0;
    SpinDlgItemFloat(h.dlg, kField, &f, 10, 0, SB_LINEUP);
    EXPECT_FLOAT_EQ(4.5f, f);
    EXPECT_EQ(" 4.50", h.Text());
    SpinDlgItemFloat(h.dlg, kField, &f, 10, 5, SB_LINEDOWN);
    EXPECT_FLOAT_EQ(5.0f, f);
    EXPECT_EQ(" 5.00", h.Text());
}

TEST(DlgField, WritersUseTheirFormats) {
    FieldHost h;
    SetWindowFloat(h.edit, 3.5f);
    EXPECT_EQ(" 3.50", h.Text());
    SetWindowFloat(h.edit, 123.456f);
    EXPECT_EQ("123.46", h.Text());
    SetWindowInt(h.edit, -12);
    EXPECT_EQ("-12", h.Text());
}

TEST(DlgField, PlaceWindowModes) {
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int mode, w, h, cx, cy, x, y;
    };
    const Case cases[] = {
        {0, 200, 100, 0, 0, (W - 200) / 2, (H - 100) / 2},
        {1, 200, 100, 0, 0, 2 * (W - 200) / 3, 2 * (H - 100) / 3},
        {2, 200, 100, 500, 400, 400, 350},
        {2, 200, 100, W - 1, H - 1, W - 200, H - 100},   // flush with the bottom right
        {2, 200, 100, 10, 10, 0, 0},
        {2, W + 50, H + 50, 100, 100, 0, 0},            // larger than the screen
    };
    for (const Case& c : cases) {
        HWND w = CreateWindowA("STATIC", "w", WS_POPUP, 3, 3, c.w, c.h, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        MouseSample s = {c.cx, c.cy, 0};
        InjectMouseSamples(&s, 1);
        PlaceWindow(w, c.mode);
        InjectMouseSamples(nullptr, 0);
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(c.x, r.left) << "mode " << c.mode;
        EXPECT_EQ(c.y, r.top) << "mode " << c.mode;
        EXPECT_EQ(c.w, r.right - r.left);
        DestroyWindow(w);
    }
}

TEST(DlgField, SetupScrollBarRangeAndDisabledBar) {
    HWND w = CreateWindowA("STATIC", "s", WS_OVERLAPPED | WS_VSCROLL, 0, 0, 200, 200,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetupScrollBar(w, SB_VERT, 0, 100, 10, 30);
    SCROLLINFO si = {sizeof si, SIF_ALL};
    GetScrollInfo(w, SB_VERT, &si);
    EXPECT_EQ(0, si.nMin);
    EXPECT_EQ(99, si.nMax);
    EXPECT_EQ(10u, si.nPage);
    EXPECT_EQ(30, si.nPos);
    SetupScrollBar(w, SB_VERT, 0, 0, 10, 0);
    GetScrollInfo(w, SB_VERT, &si);
    EXPECT_EQ(0, si.nMin);
    EXPECT_EQ(0, si.nMax);
    SCROLLBARINFO sbi = {sizeof sbi};
    ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
    EXPECT_FALSE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    DestroyWindow(w);
}

namespace {
int g_paints = 0;
LRESULT CALLBACK CountPaintsProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(w, &ps);
        EndPaint(w, &ps);
        ++g_paints;
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(DlgField, RedrawNowPaintsBeforeReturning) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountPaintsProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RedrawNowTestClass";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, "RedrawNowTestClass", "", WS_POPUP,
                             0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNA);
    UpdateWindow(w);
    int before = g_paints;
    RedrawNow(w);
    EXPECT_EQ(before + 1, g_paints);
    DestroyWindow(w);
}

TEST(NameEntry, OkKeepsTheTextAndCancelGivesZero) {
    char name[80];
    std::memset(name, 'x', sizeof name);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            EXPECT_STREQ("dra_inpstr", r.templ);
            EXPECT_EQ(-1, r.kind);
            char caption[64] = {};
            GetWindowTextA(r.dialog, caption, sizeof caption);
            EXPECT_STREQ("名前の入力", caption);
            char edit[80] = {'?'};
            GetDlgItemTextA(r.dialog, 100, edit, sizeof edit);
            EXPECT_STREQ("", edit);   // the buffer was cleared first
            SetDlgItemTextA(r.dialog, 100, "レイヤー1");
            return 1;
        });
        EXPECT_EQ(1, ShowNameEntryDialog(nullptr, name));
    }
    EXPECT_STREQ("レイヤー1", name);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SetDlgItemTextA(r.dialog, 100, "abc");
            return 2;
        });
        EXPECT_EQ(0, ShowNameEntryDialog(nullptr, name));
    }
    EXPECT_STREQ("abc", name);   // the last text typed stays after Cancel
    {
        std::string longText(200, 'n');
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            SetDlgItemTextA(r.dialog, 100, longText.c_str());
            return kModalPressClose;
        });
        EXPECT_EQ(0, ShowNameEntryDialog(nullptr, name));
    }
    EXPECT_EQ(79u, std::strlen(name));
}
