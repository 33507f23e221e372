#include "ui/mousepoll.h"

#include <cstring>

MousePoll MouseState;

namespace {

struct Injection {
    const MouseSample* samples = nullptr;
    int count = 0;
    int pos = -1;   // the sample reached by the polls
} g_inject;

struct StartUp {
    StartUp() { InitMouseState(); }
} g_startUp;

bool Injected() { return g_inject.samples && g_inject.count > 0; }

// Moves the script on by one poll and returns the buttons of the sample reached.
unsigned NextInjectedButtons() {
    if (g_inject.pos + 1 < g_inject.count) {
        ++g_inject.pos;
        return g_inject.samples[g_inject.pos].buttons;
    }
    g_inject.pos = g_inject.count;   // past the end: everything up
    return 0;
}

bool KeyDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

}  // namespace

void InitMouseState() { MouseState.swapped = GetSystemMetrics(SM_SWAPBUTTON) ? TRUE : FALSE; }

void SetSmoothingSamples(int n) {
    if (n < 0) n = 0;
    if (n > MousePoll::kRingMax) n = MousePoll::kRingMax;
    MouseState.ringSize = n;
    if (MouseState.count > n) MouseState.count = 0;   // the next sample restarts the ring
}

void PumpOneMessage() {
    MSG m;
    PeekMessageA(&m, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE);
    if (PeekMessageA(&m, (HWND)-1, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

int IsLeftButtonDown() {
    PumpOneMessage();
    if (Injected()) {
        unsigned b = NextInjectedButtons();
        return (b & (MouseState.swapped ? kSampleRight : kSampleLeft)) ? 1 : 0;
    }
    return KeyDown(MouseState.swapped ? VK_RBUTTON : VK_LBUTTON) ? 1 : 0;
}

int IsRightButtonDown() {
    PumpOneMessage();
    if (Injected()) {
        unsigned b = NextInjectedButtons();
        unsigned right = MouseState.swapped ? kSampleLeft : kSampleRight;
        return (b & (right | kSampleKeyQ | kSampleKeyApps)) ? 1 : 0;
    }
    if (KeyDown(MouseState.swapped ? VK_LBUTTON : VK_RBUTTON)) return 1;
    return (KeyDown('Q') || KeyDown(VK_APPS)) ? 1 : 0;
}

int IsMiddleButtonDown() {
    PumpOneMessage();
    if (Injected()) return (NextInjectedButtons() & kSampleMiddle) ? 1 : 0;
    return KeyDown(VK_MBUTTON) ? 1 : 0;
}

void WaitLeftButtonUp() {
    do PumpOneMessage();
    while (IsLeftButtonDown());
}

void WaitRightButtonUp() {
    do PumpOneMessage();
    while (IsRightButtonDown());
}

void GetPolledCursorPos(POINT* p) {
    if (Injected()) {
        int i = g_inject.pos < 0 ? 0 : (g_inject.pos >= g_inject.count ? g_inject.count - 1 : g_inject.pos);
        p->x = g_inject.samples[i].x;
        p->y = g_inject.samples[i].y;
        return;
    }
    if (!GetCursorPos(p)) p->x = p->y = 0;
}

void GetSmoothedCursorPos(double* x, double* y, int restart) {
    MousePoll& m = MouseState;
    POINT p;
    GetPolledCursorPos(&p);
    int n = m.ringSize;
    if (n > MousePoll::kRingMax) n = MousePoll::kRingMax;
    if (restart || n <= 0 || m.count <= 0) {
        m.ring[0] = p;
        m.count = 1;
        m.sumX = p.x;
        m.sumY = p.y;
        *x = p.x;
        *y = p.y;
        return;
    }
    if (m.count < n) {
        m.ring[m.count++] = p;
        m.sumX += p.x;
        m.sumY += p.y;
    } else {
        m.sumX -= m.ring[0].x;
        m.sumY -= m.ring[0].y;
        std::memmove(m.ring, m.ring + 1, sizeof(POINT) * (m.count - 1));
        m.ring[m.count - 1] = p;
        m.sumX += p.x;
        m.sumY += p.y;
    }
    *x = (double)m.sumX / m.count;
    *y = (double)m.sumY / m.count;
}

void InjectMouseSamples(const MouseSample* samples, int count) {
    g_inject.samples = count > 0 ? samples : nullptr;
    g_inject.count = count > 0 ? count : 0;
    g_inject.pos = -1;
}

int InjectedSamplesUsed() {
    if (!Injected()) return 0;
    return g_inject.pos + 1 > g_inject.count ? g_inject.count : g_inject.pos + 1;
}
