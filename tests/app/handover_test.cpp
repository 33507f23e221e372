// The DROPFILES block of the hand-over between processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "app/handover.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;

TEST(HandOver, BlockLayout) {
    POINT pt = {12, 34};
    HGLOBAL block = BuildDropFiles(pt, FALSE);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(sizeof(DROPFILES) + 1, GlobalSize(block));
    for (const char* p : {"C:\\a.png", "C:\\表示\\ソフト.jpg"}) {
        HGLOBAL grown = AppendDropFile(block, p);
        ASSERT_NE(nullptr, grown);
        block = grown;
    }
    const char* bytes = (const char*)GlobalLock(block);
    DROPFILES df;
    std::memcpy(&df, bytes, sizeof df);
    EXPECT_EQ(20u, sizeof(DROPFILES));
    EXPECT_EQ(20u, df.pFiles);
    EXPECT_EQ(12, df.pt.x);
    EXPECT_EQ(34, df.pt.y);
    EXPECT_FALSE(df.fNC);
    EXPECT_FALSE(df.fWide);
    std::string names(bytes + 20, GlobalSize(block) - 20);
    EXPECT_EQ(std::string("C:\\a.png\0C:\\表示\\ソフト.jpg\0\0", 8 + 1 + std::strlen("C:\\表示\\ソフト.jpg") + 2), names);
    // The system's own reader agrees.
    char first[MAX_PATH];
    GlobalUnlock(block);
    EXPECT_EQ(2u, DragQueryFileA((HDROP)block, 0xFFFFFFFF, nullptr, 0));
    DragQueryFileA((HDROP)block, 1, first, sizeof first);
    EXPECT_STREQ("C:\\表示\\ソフト.jpg", first);
    std::vector<std::string> paths;
    EXPECT_EQ(1, ParseDropFiles(GlobalLock(block), GlobalSize(block), &paths));
    GlobalUnlock(block);
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ("C:\\a.png", paths[0]);
    GlobalFree(block);
}

// GlobalAlloc may hand out more than was asked for; appending must still go
// over the list's final NUL, not after the slack.
TEST(HandOver, AppendAfterSlackInTheBlock) {
    POINT pt = {0, 0};
    HGLOBAL block = BuildDropFiles(pt, FALSE);
    ASSERT_NE(nullptr, block);
    block = GlobalReAlloc(block, sizeof(DROPFILES) + 1 + 13, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(nullptr, block);
    for (const char* p : {"C:\\a.png", "C:\\b.png"}) {
        HGLOBAL grown = AppendDropFile(block, p);
        ASSERT_NE(nullptr, grown);
        block = grown;
    }
    std::vector<std::string> paths;
    EXPECT_EQ(1, ParseDropFiles(GlobalLock(block), GlobalSize(block), &paths));
    GlobalUnlock(block);
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ("C:\\a.png", paths[0]);
    EXPECT_EQ("C:\\b.png", paths[1]);
    GlobalFree(block);
}

TEST(HandOver, MalformedBlocksAreRefused) {
    auto make = [](DWORD pFiles, BOOL wide, const std::string& names) {
        DROPFILES df = {};
        df.pFiles = pFiles;
        df.fWide = wide;
        std::string b((const char*)&df, sizeof df);
        return b + names;
    };
    struct Case { const char* what; std::string block; } cases[] = {
        {"too short", std::string(10, '\0')},
        {"names before the header end", make(8, FALSE, std::string("a\0\0", 3))},
        {"names past the end", make(400, FALSE, std::string("a\0\0", 3))},
        {"wide names", make(20, TRUE, std::string("a\0\0\0\0\0", 6))},
        {"no final NUL", make(20, FALSE, std::string("abc", 3))},
        {"path too long", make(20, FALSE, std::string(300, 'x') + std::string("\0\0", 2))},
        {"path of 260 bytes", make(20, FALSE, std::string(260, 'x') + std::string("\0\0", 2))},
    };
    for (auto& c : cases) {
        std::vector<std::string> paths = {"left over"};
        EXPECT_EQ(0, ParseDropFiles(c.block.data(), c.block.size(), &paths)) << c.what;
        EXPECT_TRUE(paths.empty()) << c.what;
    }
    std::string empty = make(20, FALSE, std::string("\0", 1));
    std::vector<std::string> paths;
    EXPECT_EQ(1, ParseDropFiles(empty.data(), empty.size(), &paths));
    EXPECT_TRUE(paths.empty());
    // The longest path Windows allows (259 bytes and its NUL) is taken whole.
    std::string longest = "C:\\" + std::string(256, 'y');
    std::string atLimit = make(20, FALSE, longest + std::string("\0\0", 2));
    EXPECT_EQ(1, ParseDropFiles(atLimit.data(), atLimit.size(), &paths));
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ(longest, paths[0]);
}

TEST(HandOver, CopyDataOpensThePathsInOrder) {
    testsupport::TempDir dir("cpd");
    ClearOpenRequests();
    ASSERT_TRUE(StartFrame(dir.Path()));
    apptest::BoxAnswers missing;
    apptest::AnswerBoxes(&missing);
    std::vector<std::string> sent = {"C:\\1.png", "C:\\表示\\ソフト.jpg", "C:\\3.bmp"};
    EXPECT_EQ(1, SendHandOver(AppWindows.frame, sent));
    // A block of another kind is not taken.
    COPYDATASTRUCT other = {1234, 4, (void*)"abc"};
    EXPECT_EQ(FALSE, SendMessageA(AppWindows.frame, WM_COPYDATA, 0, (LPARAM)&other));
    Pump(50);
    EXPECT_EQ(sent, GetOpenRequests());
    EXPECT_TRUE(EndFrame());
    apptest::AnswerBoxes(nullptr);
    ClearOpenRequests();
}
