// End-to-end: the real build/dist/darnaedit.exe in separate processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editor_process.h"
#include "test_support.h"

namespace {

using apptest::Editor;
using apptest::EditorPath;

std::vector<std::string> LogLines(const std::string& path) {
    std::string text;
    std::vector<std::string> lines;
    if (!testsupport::ReadFileBytes(path, &text)) return lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::vector<std::string> WaitForLines(const std::string& path, size_t count, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    std::vector<std::string> lines;
    do {
        lines = LogLines(path);
        if (lines.size() >= count) break;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return lines;
}

}  // namespace

TEST(EndToEnd, SecondStartHandsOverItsPathsAndRefusesWithoutThem) {
    ASSERT_NE(-1, testsupport::FileSize(EditorPath())) << EditorPath();
    ASSERT_EQ(nullptr, FindWindowA("dvw_", nullptr)) << "another editor frame is open";
    testsupport::TempDir folder("e2e");
    {
        // A swap file left by an editor that was killed would hide the check below.
        char temp[MAX_PATH], swap[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        GetTempFileNameA(temp, "mmf64", 1, swap);
        DeleteFileA(swap);
    }
    std::string firstLog = folder.File("first.log");

    Editor first;
    ASSERT_TRUE(first.Start(folder.Path(), firstLog, {"C:\\start\\cmd.png"}));
    HWND frame = first.Frame();
    ASSERT_NE(nullptr, frame);
    // None of the files exists: each open is answered by its message.
    const std::string cannotOpen = "message ファイルを開けません。";
    std::vector<std::string> lines = WaitForLines(firstLog, 2);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("open C:\\start\\cmd.png", lines[0]);
    EXPECT_EQ(cannotOpen, lines[1]);

    // A second start with three paths hands them over and ends with 0.
    std::string secondLog = folder.File("second.log");
    {
        Editor second;
        ASSERT_TRUE(second.Start(folder.Path(), secondLog,
                                 {"C:\\pics\\one.png", "C:\\表示\\ソフト.jpg", "D:\\with space\\three.bmp"}));
        EXPECT_EQ(0, second.Wait());
    }
    lines = WaitForLines(firstLog, 8, 30000);
    ASSERT_EQ(8u, lines.size());
    EXPECT_EQ("open C:\\pics\\one.png", lines[2]);
    EXPECT_EQ("open C:\\表示\\ソフト.jpg", lines[4]);
    EXPECT_EQ("open D:\\with space\\three.bmp", lines[6]);
    for (int i : {3, 5, 7}) EXPECT_EQ(cannotOpen, lines[(size_t)i]);
    EXPECT_TRUE(LogLines(secondLog).empty());

    // A second start without paths refuses and ends with 0.
    std::string thirdLog = folder.File("third.log");
    {
        Editor third;
        ASSERT_TRUE(third.Start(folder.Path(), thirdLog, {}));
        EXPECT_EQ(0, third.Wait());
    }
    lines = LogLines(thirdLog);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("message 複数起動することはできません。", lines[0]);
    EXPECT_TRUE(IsWindow(frame));

    // WM_CLOSE ends the first editor, which writes its settings.
    SetWindowPos(frame, nullptr, 30, 40, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20)) {
        RECT now;
        GetWindowRect(frame, &now);
        if (now.left == 30 && now.top == 40 && now.right == 670 && now.bottom == 520) break;
    }
    // The image store's swap file (a fixed name in the temp folder) exists once the
    // frame timer has asked for the swap disk, and is deleted at exit.
    char temp[MAX_PATH], swap[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "mmf64", 1, swap);
    bool swapSeen = false;
    for (DWORD start = GetTickCount(); !swapSeen && GetTickCount() - start < 5000; Sleep(50))
        swapSeen = testsupport::FileSize(swap) >= 0;
    EXPECT_TRUE(swapSeen) << swap;
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.Wait());
    EXPECT_EQ(-1, testsupport::FileSize(swap)) << swap;
    EXPECT_EQ(2864, testsupport::FileSize(folder.File("env_.env")));
    EXPECT_EQ(18560, testsupport::FileSize(folder.File("palette\\pal.env")));
    EXPECT_EQ(2048, testsupport::FileSize(folder.File("fhist.dat")));
    EXPECT_EQ(6400, testsupport::FileSize(folder.File("pen.dat")));

    // The next start opens the frame where it was closed.
    Editor again;
    ASSERT_TRUE(again.Start(folder.Path(), folder.File("again.log"), {}));
    HWND frame2 = again.Frame();
    ASSERT_NE(nullptr, frame2);
    // Wine may report a passing size while the new window settles: look again
    // for a while before judging.
    RECT rc = {};
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(20)) {
        GetWindowRect(frame2, &rc);
        if (rc.left == 30 && rc.top == 40 && rc.right == 670 && rc.bottom == 520) break;
    }
    EXPECT_EQ(30, rc.left);
    EXPECT_EQ(40, rc.top);
    EXPECT_EQ(640, rc.right - rc.left);
    EXPECT_EQ(480, rc.bottom - rc.top);
    PostMessageA(frame2, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, again.Wait());
}
