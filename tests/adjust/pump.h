// Message pumping for the adjustment dialogs' tests: until a condition holds,
// and until the preview workers have delivered their pictures.
#pragma once
#include <windows.h>

#include <functional>

#include "adjust/preview_worker.h"

namespace adjusttest {

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
