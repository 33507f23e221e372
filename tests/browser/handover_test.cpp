// The hand-over of selected files from the browser to a running editor
// (build/dist/darnaedit.exe, which records each path it opens).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/browser_frame.h"
#include "browser/file_list.h"
#include "browser/handover_send.h"
#include "browser/thumb_pane.h"
#include "browser_fixture.h"
#include "test_support.h"

using namespace bvtest;

namespace {

// The editor in its own process with a program folder and log of its own.
class EditorProcess {
public:
    bool Start(const std::string& folder, const std::string& log) {
        std::string command = "\"";
        command.append(testsupport::ExeFolder()).append("..\\dist\\darnaedit.exe\"");
        std::string env;
        char* block = GetEnvironmentStringsA();
        for (const char* p = block; *p; p += std::strlen(p) + 1) env.append(p).append(1, '\0');
        FreeEnvironmentStringsA(block);
        env.append("DARNA_PROGRAM_FOLDER=" + folder).append(1, '\0');
        env.append("DARNA_TEST_LOG=" + log).append(1, '\0').append(1, '\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::vector<char> line(command.begin(), command.end());
        line.push_back(0);
        return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, (void*)env.data(), nullptr, &si, &pi_) != 0;
    }
    HWND Frame() {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                found = FindWindowA(kEditorFrameClass, nullptr);
                return found && IsWindowVisible(found);
            },
            20000);
        return found;
    }
    ~EditorProcess() {
        if (!pi_.hProcess) return;
        HWND frame = FindWindowA(kEditorFrameClass, nullptr);
        if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 9);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
private:
    PROCESS_INFORMATION pi_ = {};
};

std::vector<std::string> OpenedPaths(const std::string& log) {
    std::string text;
    std::vector<std::string> paths;
    if (!testsupport::ReadFileBytes(log, &text)) return paths;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (line.rfind("open ", 0) == 0) paths.push_back(line.substr(5));
        pos = end + 2;
    }
    return paths;
}

}  // namespace

TEST(BrowserHandOver, DoubleClickHandsTheSelectionToTheEditorInOrder) {
    ASSERT_EQ(nullptr, FindWindowA(kEditorFrameClass, nullptr)) << "another editor frame is open";
    testsupport::TempDir editorFolder("edit"), pics("hand");
    PackedDib picture = MakePattern(16, 12, 1);
    for (const char* n : {"1.bmp", "2.bmp", "表示ソフト.bmp", "4.bmp"}) SavePackedDibBmp(pics.File(n).c_str(), picture);
    FreePackedDib(picture);
    // The editor reads the pictures through its BMP reader.
    CreateDirectoryA(editorFolder.File("file_r").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((testsupport::ExeFolder() + "..\\dist\\file_r\\bmpload.dll").c_str(),
                          editorFolder.File("file_r\\bmpload.dll").c_str(), FALSE));
    const std::string log = editorFolder.File("opened.log");
    EditorProcess editor;
    ASSERT_TRUE(editor.Start(editorFolder.Path(), log));
    HWND editorFrame = editor.Frame();
    ASSERT_NE(nullptr, editorFrame);

    BrowserFolder program;
    HWND frame = CreateBrowserFrame(GetModuleHandleA(nullptr), program.Path().c_str(), SW_SHOW);
    ASSERT_NE(nullptr, frame);
    // A failed check below must not leave the frame for the next test.
    struct Closer {
        HWND frame;
        ~Closer() {
            if (IsWindow(frame)) DestroyWindow(frame);
            CleanUpBrowser();
        }
    } closer{frame};
    Pump(50);
    std::strcpy(g_CurrentFolder, pics.Path().c_str());
    std::strcpy(g_PatternList, "*");
    RefreshFileList(g_Browser.pane, 1);
    ASSERT_EQ(4, g_FileList.count);
    RECT before;
    GetWindowRect(frame, &before);
    // Two cells selected, a double click on a third between them (the list
    // is 1, 2, 4, 表示ソフト by name).
    g_FileList.flags[0] = 1;
    g_FileList.flags[3] = 1;
    SendMessageA(g_FileList.cells[1], WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    std::vector<std::string> opened;
    PumpUntil(
        [&] {
            opened = OpenedPaths(log);
            return opened.size() >= 3;
        },
        15000);
    std::string whole;
    testsupport::ReadFileBytes(log, &whole);
    ASSERT_EQ(3u, opened.size()) << whole;
    EXPECT_EQ(pics.File("1.bmp"), opened[0]);
    EXPECT_EQ(pics.File("2.bmp"), opened[1]);
    EXPECT_EQ(pics.File("表示ソフト.bmp"), opened[2]);
    // The editor's 1034 puts the frame back.
    RECT after = {};
    PumpUntil(
        [&] {
            GetWindowRect(frame, &after);
            return after.right - after.left == before.right - before.left;
        },
        5000);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    // Every picture opened as a canvas, without a message.
    EXPECT_EQ(std::string::npos, whole.find("message")) << whole;
}

TEST(BrowserHandOver, TheEditorStartsTheBrowserWhichClosesWithIt) {
    ASSERT_EQ(nullptr, FindWindowA(kEditorFrameClass, nullptr)) << "another editor frame is open";
    ASSERT_EQ(nullptr, FindWindowA(kBrowserFrameClass, nullptr)) << "another browser frame is open";
    testsupport::TempDir editorFolder("edit");
    CreateDirectoryA(editorFolder.File("exp").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((DistExp() + "darnaview.exe").c_str(), editorFolder.File("exp\\darnaview.exe").c_str(), FALSE));
    EditorProcess editor;
    ASSERT_TRUE(editor.Start(editorFolder.Path(), editorFolder.File("opened.log")));
    HWND editorFrame = editor.Frame();
    ASSERT_NE(nullptr, editorFrame);
    PostMessageA(editorFrame, WM_COMMAND, 10016, 0);   // File > ファイル一覧
    HWND browser = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            browser = FindWindowA(kBrowserFrameClass, nullptr);
            return browser && IsWindowVisible(browser);
        },
        20000));
    DWORD pid = 0;
    GetWindowThreadProcessId(browser, &pid);
    EXPECT_NE(GetCurrentProcessId(), pid);
    // The editor's end closes the browser, which saves its settings beside itself.
    PostMessageA(editorFrame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([] { return FindWindowA(kBrowserFrameClass, nullptr) == nullptr; }, 20000));
    EXPECT_TRUE(PumpUntil([&] { return testsupport::FileSize(editorFolder.File("exp\\eenv.env")) == 320; }, 5000));
    EXPECT_EQ(25700, testsupport::FileSize(editorFolder.File("exp\\phist.dat")));
}
