// The companion program quillet.exe as the program folder ships it: with a
// jump.dat it has the running browser show that file; without one it brings
// the browser up, starting it when none runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/sysutil.h"
#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "browser_fixture.h"
#include "test_support.h"

using namespace bvtest;

namespace {

// Runs the program to its end, answering this thread's messages meanwhile
// (it talks to a browser window of this process). Its exit code, or -1 when
// it did not end in time (it is then stopped).
int RunToEnd(const std::string& exe, DWORD timeoutMs) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -2;
    const DWORD start = GetTickCount();
    DWORD code = (DWORD)-1;
    for (;;) {
        const DWORD left = timeoutMs - (GetTickCount() - start);
        if (GetTickCount() - start >= timeoutMs) break;
        if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0) {
            GetExitCodeProcess(pi.hProcess, &code);
            break;
        }
        Pump(0);
    }
    if (code == (DWORD)-1) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

std::string StagedQuillet() { return DistExp() + "quillet.exe"; }

std::vector<int> SelectedEntries() {
    std::vector<int> s;
    for (int i = 0; i < g_FileList.count; ++i)
        if (g_FileList.flags[(size_t)i]) s.push_back(i);
    return s;
}

}  // namespace

TEST(BrowserCompanion, JumpFileIsShownInTheRunningBrowser) {
    ASSERT_GT(testsupport::FileSize(StagedQuillet()), 0) << "quillet.exe is not in the program folder";
    testsupport::TempDir pics("jump");
    CreateDirectoryA(pics.File("sub").c_str(), nullptr);
    for (const char* f : {"top.bmp", "sub\\a.bmp", "sub\\b.bmp", "sub\\c.bmp"}) testsupport::WriteFileBytes(pics.File(f), "x", 1);
    RunningBrowser browser(pics.Path());
    ASSERT_NE(nullptr, browser.Frame());
    ASSERT_TRUE(browser.AllThumbnailsMade());
    const std::string quillet = browser.Program() + "quillet.exe";
    ASSERT_TRUE(CopyFileA(StagedQuillet().c_str(), quillet.c_str(), FALSE));
    const std::string jump = browser.Program() + "jump.dat", wanted = pics.File("sub\\b.bmp");
    const std::string line = wanted + "\r\n";
    testsupport::WriteFileBytes(jump, line.data(), line.size());

    EXPECT_EQ(0, RunToEnd(quillet, 30000));
    EXPECT_LT(testsupport::FileSize(jump), 0);   // taken
    EXPECT_EQ(pics.File("sub\\"), std::string(g_CurrentFolder));
    ASSERT_EQ(3, g_FileList.count);
    EXPECT_EQ(std::vector<int>{browser.IndexOf(wanted)}, SelectedEntries());

    // Without jump.dat the running browser is only brought up: no second one.
    EXPECT_EQ(0, RunToEnd(quillet, 30000));
    EXPECT_EQ(browser.Frame(), FindWindowA(kBrowserFrameClass, nullptr));
    EXPECT_EQ(nullptr, FindWindowExA(nullptr, browser.Frame(), kBrowserFrameClass, nullptr));
    EXPECT_EQ(std::vector<int>{browser.IndexOf(wanted)}, SelectedEntries());
}

TEST(BrowserCompanion, WithoutABrowserItStartsOne) {
    ASSERT_GT(testsupport::FileSize(StagedQuillet()), 0) << "quillet.exe is not in the program folder";
    ASSERT_EQ(nullptr, FindWindowA(kBrowserFrameClass, nullptr));
    testsupport::TempDir program("quillet");
    ASSERT_TRUE(CopyFileA(StagedQuillet().c_str(), program.File("quillet.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((DistExp() + "darnaview.exe").c_str(), program.File("darnaview.exe").c_str(), FALSE));
    // A browser that starts with no folder and no title box.
    const BrowserSettings kept = g_BrowserSettings;
    ResetBrowserSettings();
    g_BrowserSettings.noTitleBox = 1;
    g_BrowserSettings.startInHistory = 0;
    ASSERT_EQ(1, SaveBrowserSettings(program.Path().c_str()));
    g_BrowserSettings = kept;

    EXPECT_EQ(0, RunToEnd(program.File("quillet.exe"), 30000));
    HWND started = FindWindowA(kBrowserFrameClass, nullptr);
    ASSERT_NE(nullptr, started);
    DWORD pid = 0;
    GetWindowThreadProcessId(started, &pid);
    EXPECT_NE(GetCurrentProcessId(), pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostMessageA(started, WM_CLOSE, 0, 0);
    if (process) {
        if (WaitForSingleObject(process, 15000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the started browser did not close";
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}
