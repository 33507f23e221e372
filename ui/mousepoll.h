// Mouse and key polling for the drag loops, and the smoothed cursor of the pens.
#pragma once
#include <windows.h>

// The one mouse-poll object.
struct MousePoll {
    static constexpr int kRingMax = 100;
    BOOL swapped = FALSE;        // SM_SWAPBUTTON, read once at start-up
    int ringSize = 10;           // samples averaged (0: no averaging); from the settings
    POINT ring[kRingMax] = {};   // cursor samples, oldest first
    int count = 0;
    long sumX = 0, sumY = 0;
};
extern MousePoll MouseState;

// Reads and caches whether the buttons are swapped (runs at static start-up).
void InitMouseState();
// Samples averaged by GetSmoothedCursorPos, clamped to 0..100 (the settings set 10).
void SetSmoothingSamples(int n);

// Drops the oldest pending mouse message of the thread, then translates and
// dispatches at most one pending thread message.
void PumpOneMessage();

// Each pumps one message first. "Down" is the physical button (the other one when
// the buttons are swapped). The right-button test also counts Q and the Apps key.
int IsLeftButtonDown();
int IsRightButtonDown();
int IsMiddleButtonDown();
void WaitLeftButtonUp();
void WaitRightButtonUp();

// The cursor in screen coordinates as the polls see it (injected samples in tests).
void GetPolledCursorPos(POINT* p);

// The mean of the last ringSize cursor positions; restart (or ringSize 0) starts a
// new ring holding the current position alone.
void GetSmoothedCursorPos(double* x, double* y, int restart);

// Test seam: a script of mouse samples that replaces the devices. Every button
// poll (IsLeft/Right/MiddleButtonDown) moves to the next sample and reports its
// buttons; cursor reads give the position of the sample reached (the first before
// any poll). After the last sample the cursor stays and every button is up.
// Null / 0 restores the real devices.
enum MouseSampleButtons : unsigned {
    kSampleLeft = 1,     // physical left button
    kSampleRight = 2,    // physical right button
    kSampleMiddle = 4,
    kSampleKeyQ = 8,
    kSampleKeyApps = 16,
};
struct MouseSample {
    int x, y;
    unsigned buttons;
};
void InjectMouseSamples(const MouseSample* samples, int count);
int InjectedSamplesUsed();   // polls answered from the script so far
