#include "app/handover.h"

#include "app/frame.h"
#include "app/globals.h"

namespace {
std::vector<std::string> g_queued;
}

LRESULT ReceiveHandOver(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != kDropFilesCopyData) return FALSE;
    std::vector<std::string> paths;
    if (!ParseDropFiles(data->lpData, data->cbData, &paths)) return FALSE;
    bool wasEmpty = g_queued.empty();
    g_queued.insert(g_queued.end(), paths.begin(), paths.end());
    if (wasEmpty && AppWindows.frame) PostMessageA(AppWindows.frame, kMsgOpenHandedOver, 0, 0);
    return TRUE;
}

void OpenHandedOverPaths() {
    std::vector<std::string> paths;
    paths.swap(g_queued);
    if (!paths.empty()) OpenDroppedPaths(paths);
}
