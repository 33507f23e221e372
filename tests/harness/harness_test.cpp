// Checks the ground every other test stands on: the Japanese code page, the
// conversion of source literals to it, and a real window on the display.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

TEST(Harness, AnsiCodePageIsJapanese) {
    EXPECT_EQ(932u, GetACP());
}

TEST(Harness, LiteralsAreShiftJis) {
    // ソ is 0x83 0x5C in code page 932: its second byte looks like a backslash.
    const char* s = "ソ";
    ASSERT_EQ(2u, std::strlen(s));
    EXPECT_EQ(0x83, (unsigned char)s[0]);
    EXPECT_EQ(0x5C, (unsigned char)s[1]);
    EXPECT_TRUE(IsDBCSLeadByte((BYTE)s[0]));
}

TEST(Harness, WindowsCanBeCreated) {
    HWND w = CreateWindowA("STATIC", "表示", WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, w);
    char text[16] = {};
    GetWindowTextA(w, text, sizeof text);
    EXPECT_STREQ("表示", text);
    HDC dc = GetDC(nullptr);
    EXPECT_GT(GetDeviceCaps(dc, BITSPIXEL), 8);
    ReleaseDC(nullptr, dc);
    DestroyWindow(w);
}
