// Mouse and key polling with injected samples.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "ui/mousepoll.h"

namespace {

// Injects a script for one test and restores the devices and settings afterwards.
struct ScopedSamples {
    std::vector<MouseSample> samples;
    explicit ScopedSamples(std::vector<MouseSample> s) : samples(std::move(s)) {
        InjectMouseSamples(samples.data(), (int)samples.size());
    }
    ~ScopedSamples() {
        InjectMouseSamples(nullptr, 0);
        MouseState.swapped = FALSE;
        SetSmoothingSamples(10);
    }
};

}  // namespace

TEST(MousePoll, DragLoopFollowsTheScript) {
    ScopedSamples s({{0, 0, kSampleLeft}, {10, 5, kSampleLeft}, {20, 7, kSampleLeft}, {30, 9, 0}});
    POINT p;
    GetPolledCursorPos(&p);
    EXPECT_EQ(0, p.x);
    int loops = 0;
    std::vector<LONG> xs;
    while (IsLeftButtonDown()) {
        GetPolledCursorPos(&p);
        xs.push_back(p.x);
        ++loops;
    }
    EXPECT_EQ(3, loops);
    EXPECT_EQ((std::vector<LONG>{0, 10, 20}), xs);
    GetPolledCursorPos(&p);
    EXPECT_EQ(30, p.x);   // released at the last sample
    EXPECT_EQ(9, p.y);
    EXPECT_EQ(0, IsLeftButtonDown());   // past the end everything is up
    EXPECT_EQ(4, InjectedSamplesUsed());
}

TEST(MousePoll, ButtonsHonourSwappingAndTheRightButtonKeys) {
    struct Case {
        BOOL swapped;
        unsigned buttons;
        int left, right, middle;
    };
    const Case cases[] = {
        {FALSE, kSampleLeft, 1, 0, 0},
        {FALSE, kSampleRight, 0, 1, 0},
        {TRUE, kSampleLeft, 0, 1, 0},    // swapped: the physical left is the right button
        {TRUE, kSampleRight, 1, 0, 0},
        {FALSE, kSampleKeyQ, 0, 1, 0},
        {FALSE, kSampleKeyApps, 0, 1, 0},
        {TRUE, kSampleKeyQ, 0, 1, 0},
        {FALSE, kSampleMiddle, 0, 0, 1},
        {FALSE, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        // Each poll takes one sample: give three of the same state.
        ScopedSamples s({{0, 0, c.buttons}, {0, 0, c.buttons}, {0, 0, c.buttons}});
        MouseState.swapped = c.swapped;
        EXPECT_EQ(c.left, IsLeftButtonDown()) << c.swapped << " " << c.buttons;
        EXPECT_EQ(c.right, IsRightButtonDown()) << c.swapped << " " << c.buttons;
        EXPECT_EQ(c.middle, IsMiddleButtonDown()) << c.swapped << " " << c.buttons;
    }
}

TEST(MousePoll, WaitButtonUpReturnsOnRelease) {
    ScopedSamples s({{0, 0, kSampleLeft}, {0, 0, kSampleLeft}, {0, 0, kSampleKeyQ},
                     {0, 0, kSampleKeyApps}, {0, 0, 0}});
    WaitLeftButtonUp();
    EXPECT_EQ(3, InjectedSamplesUsed());   // the third sample has the left button up
    WaitRightButtonUp();                   // Q held, then Apps, then released
    EXPECT_EQ(5, InjectedSamplesUsed());
}

TEST(MousePoll, SmoothedCursorIsTheMeanOfTheLastSamples) {
    ScopedSamples s({{0, 0, 1}, {10, 4, 1}, {20, 8, 1}, {30, 12, 1}});
    double x, y;
    IsLeftButtonDown();   // the stroke starts at the first sample
    GetSmoothedCursorPos(&x, &y, 1);
    EXPECT_DOUBLE_EQ(0, x);
    const double expect[3][2] = {{5, 2}, {10, 4}, {15, 6}};
    for (auto& e : expect) {
        IsLeftButtonDown();   // the next sample
        GetSmoothedCursorPos(&x, &y, 0);
        EXPECT_DOUBLE_EQ(e[0], x);
        EXPECT_DOUBLE_EQ(e[1], y);
    }
    GetSmoothedCursorPos(&x, &y, 1);   // restart: the raw position
    EXPECT_DOUBLE_EQ(30, x);
    EXPECT_DOUBLE_EQ(12, y);
}

TEST(MousePoll, RingDropsTheOldestSampleAndZeroTurnsSmoothingOff) {
    std::vector<MouseSample> v = {{1000, 0, 1}};
    for (int i = 1; i <= 10; ++i) v.push_back({i, 3 * i, 1});
    ScopedSamples s(v);
    double x, y;
    GetSmoothedCursorPos(&x, &y, 1);
    for (int i = 1; i <= 10; ++i) {
        IsLeftButtonDown();
        if (i == 1) IsLeftButtonDown();   // the first poll reaches sample 0 itself
        GetSmoothedCursorPos(&x, &y, 0);
    }
    // 11 samples with a ring of 10: 1000 no longer counts.
    EXPECT_DOUBLE_EQ(5.5, x);
    EXPECT_DOUBLE_EQ(16.5, y);

    ScopedSamples raw({{7, 1, 1}, {9, 2, 1}});
    SetSmoothingSamples(0);
    GetSmoothedCursorPos(&x, &y, 1);
    IsLeftButtonDown();
    IsLeftButtonDown();
    GetSmoothedCursorPos(&x, &y, 0);
    EXPECT_DOUBLE_EQ(9, x);
    EXPECT_DOUBLE_EQ(2, y);
}

TEST(MousePoll, PollDropsOneMouseMessageAndDispatchesOneThreadMessage) {
    HWND w = CreateWindowA("STATIC", "m", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}
    ScopedSamples s({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    PostMessageA(w, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    IsLeftButtonDown();
    EXPECT_FALSE(PeekMessageA(&m, w, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageA(&m, w, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));   // one per poll
    IsRightButtonDown();
    EXPECT_FALSE(PeekMessageA(&m, w, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));

    // Thread messages are taken one per poll.
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    IsLeftButtonDown();
    EXPECT_TRUE(PeekMessageA(&m, (HWND)-1, WM_APP + 5, WM_APP + 5, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&m, (HWND)-1, WM_APP + 5, WM_APP + 5, PM_REMOVE));
    DestroyWindow(w);
}
