// Driving the adjustment dialogs in tests: their controls (in the dialog or
// in its panel), a tick of the panel's preview timer, and message pumping
// until a condition holds or the preview workers have delivered their
// pictures.
#pragma once
#include <windows.h>

#include <functional>

#include "adjust/adjust_dlg_util.h"
#include "adjust/preview_worker.h"

namespace adjusttest {

// A control of the dialog or, failing that, of its panel.
inline HWND PanelItem(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? item : GetDlgItem(AdjustPanel(dialog), id);
}

// What the panel's preview timer does at a tick.
inline void Tick(HWND dialog) { SendMessageA(AdjustPanel(dialog), WM_TIMER, 0, 0); }

inline void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps until cond holds (at most 5 s), then what is already posted; false
// when the time ran out.
inline bool PumpUntil(const std::function<bool()>& cond) {
    const DWORD until = GetTickCount() + 5000;
    while (!cond()) {
        if ((int)(until - GetTickCount()) < 0) return false;
        PumpPending();
        Sleep(1);
    }
    PumpPending();
    return true;
}

// Until no preview worker runs and the last picture has been taken in.
inline bool WaitForPreviews() { return PumpUntil([] { return PreviewWorkersAlive() == 0; }); }

}  // namespace adjusttest
