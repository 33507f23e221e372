// darnaview: the image browser's entry point.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <clocale>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "browser/browser_frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    HACCEL accelerators = LoadAcceleratorsA(instance, "daAccel");
    SetErrorMode(SEM_FAILCRITICALERRORS);
    CoInitialize(nullptr);
    InitCommonControls();
    if (FindWindowA(kBrowserFrameClass, nullptr)) {
        CoUninitialize();
        return 0;
    }
    char folder[MAX_PATH] = {};
    if (GetModuleFolder(nullptr, folder, sizeof folder) != 0) {
        BrowserMessage(nullptr, "起動フォルダを取得できません", kMsgOk);
        CoUninitialize();
        return 0;
    }
    std::setlocale(LC_ALL, "Japanese");
    SetBrowserQuitOnDestroy(true);
    HWND frame = CreateBrowserFrame(instance, folder, showCommand);
    if (!frame) {
        CoUninitialize();
        return 0;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(frame, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CoUninitialize();
    CleanUpBrowser();
    return (int)msg.wParam;
}
