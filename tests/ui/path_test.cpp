// Shift-JIS aware string and path functions, file and folder tests, file times,
// safe writing and copying, registry values.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "ui/dlgfield.h"
#include "ui/sysutil.h"
#include "test_support.h"

using testsupport::TempDir;

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their second bytes look like backslashes.
static_assert(sizeof("表") == 3 && sizeof("ソ") == 3, "literals must be code page 932");

TEST(PathText, SplitPathFindsTheRealBackslash) {
    struct Case {
        const char* path;
        int result;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\表示\\a.txt", 1, "C:\\表示", "a.txt"},
        {"C:\\ソフト\\表", 1, "C:\\ソフト", "表"},
        {"C:\\data\\表", 1, "C:\\data", "表"},
        {"C:\\a\\ソフト\\表示.bmp", 1, "C:\\a\\ソフト", "表示.bmp"},
        {"C:\\dir\\", 1, "C:\\dir", ""},
        {"C:\\表\\", 1, "C:\\表", ""},
        {"\\file", 1, "", "file"},
        {"表示", 0, nullptr, nullptr},   // bare name whose trail byte is 0x5C
        {"ソ", 0, nullptr, nullptr},
        {"abc", 0, nullptr, nullptr},
        {"", 0, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        char folder[MAX_PATH] = "untouched", name[MAX_PATH] = "untouched";
        EXPECT_EQ(c.result, SplitPath(c.path, folder, name)) << c.path;
        EXPECT_STREQ(c.result ? c.folder : "untouched", folder) << c.path;
        EXPECT_STREQ(c.result ? c.name : "untouched", name) << c.path;
    }
    std::string tooLong = "C:\\" + std::string(300, 'a');
    char folder[MAX_PATH], name[MAX_PATH];
    EXPECT_EQ(0, SplitPath(tooLong.c_str(), folder, name));
}

TEST(PathText, Extensions) {
    struct Case {
        const char* path;
        int result;
        const char* ext;
    };
    const Case cases[] = {
        {"C:\\表示\\a.JPG", 1, "JPG"},
        {"C:\\ソフト\\image.tar.gz", 1, "gz"},
        {"C:\\ソフト\\表示.bmp", 1, "bmp"},
        {"C:\\dir\\.hidden", 1, "hidden"},
        {"a.", 1, ""},
        {"noext", 0, nullptr},
        {"C:\\x.y\\file", 0, nullptr},   // a dot in a folder name is no extension
        {"C:\\x.y\\表", 0, nullptr},
    };
    for (const Case& c : cases) {
        char ext[MAX_PATH] = "untouched";
        EXPECT_EQ(c.result, GetExtension(c.path, ext)) << c.path;
        EXPECT_STREQ(c.result ? c.ext : "untouched", ext) << c.path;
    }
    struct HasCase {
        const char* path;
        const char* ext;
        int has, equals;
    };
    const HasCase hasCases[] = {
        {"C:\\表示\\a.JPG", "jpg", 1, 1},
        {"C:\\ソ.bmp", "BMP", 1, 1},
        {"a.jpeg", "jpg", 0, 0},
        {"a.jp", "jpg", 0, 0},
        {"noext", "", 0, 0},
        {"C:\\a.jpg\"", "jpg", 0, 1},   // from a quoted command line
        {"C:\\a.jpg\"\"", "jpg", 0, 0},
        {"C:\\a.ア", "ヂ", 0, 0},        // trail bytes 0x41 / 0x61 are not letters here
        {"C:\\a.ア", "ア", 1, 1},
    };
    for (const HasCase& c : hasCases) {
        EXPECT_EQ(c.has, HasExtension(c.path, c.ext)) << c.path << " " << c.ext;
        EXPECT_EQ(c.equals, ExtensionEquals(c.path, c.ext)) << c.path << " " << c.ext;
    }
}

TEST(PathText, ShortenPath) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\abcdefghijklm\\f.txt", "C:\\abcdefghijklm\\f.txt"},   // folder of 16 bytes
        {"C:\\abcdefghijklmn\\f.txt", "C:\\abcdefghijklmn..\\f.txt"},
        {"C:\\Program Files\\Darna\\images\\pic.bmp", "C:\\Program Files\\..\\pic.bmp"},
        // The trail byte of 表 at index 16 is no backslash: cut after the real one.
        {"C:\\ソフトソフト表示\\dir\\p.bmp", "C:\\ソフトソフト表示\\..\\p.bmp"},
        {"C:\\表示\\a.bmp", "C:\\表示\\a.bmp"},
        {"name.bmp", "name.bmp"},
    };
    for (const Case& c : cases) {
        char out[MAX_PATH];
        ShortenPath(c.path, out);
        EXPECT_STREQ(c.expected, out) << c.path;
    }
    // Without "\\" stops the copy ends after 64 bytes, on a character boundary.
    std::string folder = "C:\\";
    for (int i = 0; i < 40; ++i) folder += "表";
    std::string path = folder + "\\a.bmp";
    char out[MAX_PATH];
    ShortenPath(path.c_str(), out);
    std::string expected = "C:\\";
    for (int i = 0; i < 30; ++i) expected += "表";   // 3 + 60 bytes; one more would pass 64
    expected += "..\\a.bmp";
    EXPECT_EQ(expected, out);
    char small[10];
    ShortenPath("C:\\表示\\a.bmp", small, sizeof small);
    EXPECT_STREQ("C:\\表示\\a", small);
}

TEST(PathText, SmallStringFunctions) {
    struct LeadCase {
        const char* text;
        bool positive;
    };
    const LeadCase leads[] = {{"1", false}, {"１", true}, {"", false}, {"a表", false},
                              {"表", true}, {"ｱ", false}, {"ソ", true}};
    for (const LeadCase& c : leads) EXPECT_EQ(c.positive, CountLeadDbcs(c.text) > 0) << c.text;

    struct DcimCase {
        const char* path;
        int result;
    };
    const DcimCase dcims[] = {{"E:\\DCIM\\100\\a.jpg", 1}, {"a:\\dcim\\", 1}, {"C:\\dcimx\\", 0},
                              {"E:\\DCIM", 0}, {"E:\\data\\dcim\\", 0}, {"", 0}};
    for (const DcimCase& c : dcims) EXPECT_EQ(c.result, IsDcimPath(c.path)) << c.path;

    struct TrimCase {
        const char* in;
        const char* out;
    };
    const TrimCase trims[] = {{"   ", " "}, {"ab  ", "ab"}, {" ", " "}, {"表 ", "表"}, {"", ""},
                              {" a", " a"}};
    for (const TrimCase& c : trims) {
        char buf[32];
        std::strcpy(buf, c.in);
        TrimTrailingSpaces(buf);
        EXPECT_STREQ(c.out, buf) << "'" << c.in << "'";
    }

    EXPECT_FLOAT_EQ(1.23f, RoundToHundredth(1.239f));
    EXPECT_FLOAT_EQ(-1.23f, RoundToHundredth(-1.239f));
    EXPECT_FLOAT_EQ(2.0f, RoundToHundredth(2.0f));
    EXPECT_FLOAT_EQ(0.0f, RoundToHundredth(0.005f));

    EXPECT_EQ(0, CompareNoCase("ABC.Bmp", "abc.bMP"));
    EXPECT_LT(CompareNoCase("abc", "abd"), 0);
    EXPECT_GT(CompareNoCase("abd", "ABC"), 0);
    EXPECT_EQ(0, CompareNoCase("表示", "表示"));
    EXPECT_NE(0, CompareNoCase("ア", "ヂ"));
    std::string a(300, 'a'), b = std::string(255, 'A') + "zzz";
    EXPECT_EQ(0, CompareNoCase(a.c_str(), b.c_str()));   // only 255 bytes count
}

namespace {

std::string Pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = (char)(seed >> 16);
    }
    return s;
}

int CountFiles(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

// A temp folder with subfolders 表示\ and ソフト\ (names whose bytes hold 0x5C).
struct DbcsTree {
    TempDir dir{"ui"};
    std::string hyouji = dir.Path() + "表示\\";
    std::string soft = dir.Path() + "ソフト\\";
    DbcsTree() {
        CreateDirectoryA(hyouji.c_str(), nullptr);
        CreateDirectoryA(soft.c_str(), nullptr);
    }
};

}  // namespace

TEST(Files, FolderAndFileTestsOnDoubleByteNames) {
    DbcsTree t;
    std::string file = t.soft + "表.txt";
    ASSERT_TRUE(testsupport::WriteFileBytes(file, "abc", 3));
    struct Case {
        std::string path;
        int isDir, exists, canRead;
    };
    const Case cases[] = {
        {t.hyouji, 1, 0, 0},
        {t.hyouji.substr(0, t.hyouji.size() - 1), 1, 0, 0},
        {t.soft, 1, 0, 0},
        {t.dir.Path() + "ソ", -1, 0, 0},                      // ends in the trail byte 0x5C
        {file, 0, 1, 1},
        {t.soft + "missing.txt", -1, 0, 0},
        {t.dir.Path() + "nofolder\\", -1, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.isDir, IsDirectory(c.path.c_str())) << c.path;
        EXPECT_EQ(c.exists, FileExists(c.path.c_str())) << c.path;
        EXPECT_EQ(c.canRead, CanOpenForRead(c.path.c_str())) << c.path;
    }
    // A folder named ソ: its own name ends in 0x5C, with and without a real backslash.
    std::string so = t.dir.Path() + "ソ";
    ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
    EXPECT_EQ(1, IsDirectory(so.c_str()));
    EXPECT_EQ(1, IsDirectory((so + "\\").c_str()));
    EXPECT_EQ(1, IsDirectory("C:\\"));
}

TEST(Files, FileTimes) {
    DbcsTree t;
    std::string file = t.hyouji + "time.bin";
    ASSERT_TRUE(testsupport::WriteFileBytes(file, "x", 1));
    SYSTEMTIME local = {};
    local.wYear = 2024;
    local.wMonth = 3;
    local.wDay = 5;
    local.wHour = 6;
    local.wMinute = 7;
    local.wSecond = 8;
    FILETIME lft, ft;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &lft));
    ASSERT_TRUE(LocalFileTimeToFileTime(&lft, &ft));
    HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);

    SYSTEMTIME got;
    ASSERT_EQ(1, GetFileLocalTime(file.c_str(), &got));
    EXPECT_EQ(2024, got.wYear);
    EXPECT_EQ(3, got.wMonth);
    EXPECT_EQ(5, got.wDay);
    EXPECT_EQ(6, got.wHour);
    EXPECT_EQ(7, got.wMinute);
    EXPECT_EQ(8, got.wSecond);
    EXPECT_EQ(8 + 60 * (7 + 60 * (6 + 24 * (5 + 32 * 3))) + 2024, GetFileTimeStamp(file.c_str()));
    EXPECT_EQ(0, GetFileLocalTime((t.hyouji + "missing").c_str(), &got));
}

TEST(Files, CopyFileBlocksCopiesByteExact) {
    DbcsTree t;
    struct Case {
        size_t size;
        size_t oldTargetSize;   // 0: no target before
    };
    const Case cases[] = {{100001, 0}, {30000, 0}, {0, 0}, {1234, 90000}, {65000, 10}};
    for (const Case& c : cases) {
        std::string src = t.hyouji + "src.bin", dst = t.soft + "表示.bin";
        std::string data = Pattern(c.size, (unsigned)c.size);
        ASSERT_TRUE(testsupport::WriteFileBytes(src, data.data(), data.size()));
        DeleteFileA(dst.c_str());
        if (c.oldTargetSize) {
            std::string old = Pattern(c.oldTargetSize, 7);
            ASSERT_TRUE(testsupport::WriteFileBytes(dst, old.data(), old.size()));
        }
        EXPECT_EQ(1, CopyFileBlocks(src.c_str(), dst.c_str())) << c.size;
        std::string got;
        ASSERT_TRUE(testsupport::ReadFileBytes(dst, &got));
        EXPECT_TRUE(got == data) << "size " << c.size << " got " << got.size();
        EXPECT_EQ(1, CountFiles(t.soft)) << "no temporary file left behind";
    }
}

TEST(Files, CopyFileBlocksFailsCleanly) {
    DbcsTree t;
    std::string dst = t.soft + "keep.bin";
    std::string old = Pattern(5000, 3);
    ASSERT_TRUE(testsupport::WriteFileBytes(dst, old.data(), old.size()));
    // A missing source leaves the existing target as it was.
    EXPECT_EQ(0, CopyFileBlocks((t.hyouji + "missing.bin").c_str(), dst.c_str()));
    std::string got;
    ASSERT_TRUE(testsupport::ReadFileBytes(dst, &got));
    EXPECT_TRUE(got == old);
    // A target in a missing folder.
    EXPECT_EQ(0, CopyFileBlocks(dst.c_str(), (t.dir.Path() + "nofolder\\x.bin").c_str()));
    // A file copied onto itself keeps its content.
    EXPECT_EQ(1, CopyFileBlocks(dst.c_str(), dst.c_str()));
    ASSERT_TRUE(testsupport::ReadFileBytes(dst, &got));
    EXPECT_TRUE(got == old);
    EXPECT_EQ(1, CountFiles(t.soft));
}

TEST(Files, WriteFileReplacingKeepsTheOldFileOnFailure) {
    DbcsTree t;
    std::string path = t.soft + "settings.dat";
    std::string first = Pattern(3000, 1), second = "short";
    EXPECT_EQ(1, WriteFileReplacing(path.c_str(), first.data(), first.size()));
    std::string got;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &got));
    EXPECT_TRUE(got == first);
    EXPECT_EQ(1, WriteFileReplacing(path.c_str(), second.data(), second.size()));
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &got));
    EXPECT_EQ(second, got);
    EXPECT_EQ(1, CountFiles(t.soft));
    // The target is a folder: the move fails, nothing is left behind.
    EXPECT_EQ(0, WriteFileReplacing(t.hyouji.substr(0, t.hyouji.size() - 1).c_str(), "x", 1));
    EXPECT_EQ(0, CountFiles(t.dir.Path()));
    EXPECT_EQ(1, IsDirectory(t.hyouji.c_str()));
    EXPECT_EQ(0, WriteFileReplacing((t.dir.Path() + "nofolder\\a.dat").c_str(), "x", 1));
    EXPECT_EQ(0, WriteFileReplacing(nullptr, "x", 1));
}

TEST(Files, ReplacingRefusesReadOnlyFilesAndKeepsAttributes) {
    DbcsTree t;
    std::string path = t.soft + "photo.jpg";
    ASSERT_EQ(1, WriteFileReplacing(path.c_str(), "old", 3));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0, WriteFileReplacing(path.c_str(), "new", 3));
    std::string got;
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &got));
    EXPECT_EQ("old", got);
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) << "still read-only";
    EXPECT_EQ(1, CountFiles(t.soft)) << "no temporary file left";

    // A hidden file stays hidden when it is replaced.
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(1, WriteFileReplacing(path.c_str(), "new", 3));
    ASSERT_TRUE(testsupport::ReadFileBytes(path, &got));
    EXPECT_EQ("new", got);
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Files, FoldersOfModuleAndUser) {
    char folder[MAX_PATH];
    EXPECT_EQ(0, GetModuleFolder(nullptr, folder));
    EXPECT_EQ(testsupport::ExeFolder(), folder);
    char small[4];
    EXPECT_EQ(-1, GetModuleFolder(nullptr, small, sizeof small));
    char docs[MAX_PATH];
    EXPECT_NE(0, GetMyDocumentsPath(docs));
    EXPECT_NE('\0', docs[0]);
    EXPECT_EQ(1, IsWindowsNT());
}

TEST(Files, CreateSharedDirectoryOnDoubleByteName) {
    DbcsTree t;
    std::string path = t.soft + "表示";
    EXPECT_NE(0, CreateSharedDirectory(path.c_str()));
    EXPECT_EQ(1, IsDirectory(path.c_str()));
    // An existing folder keeps its contents.
    ASSERT_TRUE(testsupport::WriteFileBytes(path + "\\a.txt", "a", 1));
    EXPECT_NE(0, CreateSharedDirectory(path.c_str()));
    EXPECT_EQ(1, FileExists((path + "\\a.txt").c_str()));
}

TEST(Registry, GetRegStringValue) {
    const char* sub = "Software\\DarnaUiTest";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, sub, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    std::string longValue(2000, 'v');
    RegSetValueExA(key, "Alpha", 0, REG_SZ, (const BYTE*)"first", 6);
    RegSetValueExA(key, "Long", 0, REG_SZ, (const BYTE*)longValue.c_str(), (DWORD)longValue.size() + 1);
    RegSetValueExA(key, "モニタ", 0, REG_SZ, (const BYTE*)"表示装置", 9);
    RegCloseKey(key);

    char out[4096];
    EXPECT_EQ(1, GetRegStringValue(HKEY_CURRENT_USER, sub, "Alpha", out, sizeof out));
    EXPECT_STREQ("first", out);
    EXPECT_EQ(0, GetRegStringValue(HKEY_CURRENT_USER, sub, "alpha", out, sizeof out));   // exact case
    EXPECT_EQ(1, GetRegStringValue(HKEY_CURRENT_USER, sub, "Long", out, sizeof out));
    EXPECT_EQ(longValue, out);
    EXPECT_EQ(1, GetRegStringValue(HKEY_CURRENT_USER, sub, "モニタ", out, sizeof out));
    EXPECT_STREQ("表示装置", out);
    char small[8];
    EXPECT_EQ(1, GetRegStringValue(HKEY_CURRENT_USER, sub, "Long", small, sizeof small));
    EXPECT_EQ(7u, std::strlen(small));
    EXPECT_EQ(0, GetRegStringValue(HKEY_CURRENT_USER, sub, "Missing", out, sizeof out));
    EXPECT_EQ(0, GetRegStringValue(HKEY_CURRENT_USER, "Software\\DarnaNoSuchKey", "Alpha", out,
                                   sizeof out));
    RegDeleteKeyA(HKEY_CURRENT_USER, sub);
}

namespace {
WPARAM g_sizeKind = 99;
LPARAM g_sizeArg = 0;
LRESULT CALLBACK RecordSizeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_SIZE) {
        g_sizeKind = wp;
        g_sizeArg = lp;
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(Windows, RelayoutAndResize) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordSizeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RelayoutTestClass";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("RelayoutTestClass", "", WS_POPUP, 0, 0, 120, 80, nullptr, nullptr,
                           wc.hInstance, nullptr);
    g_sizeKind = 99;
    RelayoutWindow(w, 0);
    EXPECT_EQ((WPARAM)SIZE_RESTORED, g_sizeKind);
    EXPECT_EQ(120, LOWORD(g_sizeArg));
    EXPECT_EQ(80, HIWORD(g_sizeArg));

    HWND item = CreateWindowA("STATIC", "", WS_CHILD, 13, 17, 30, 30, w, (HMENU)5, wc.hInstance,
                              nullptr);
    ResizeDlgItem(w, 5, 50, 20);
    RECT r;
    GetWindowRect(item, &r);
    POINT tl = {r.left, r.top};
    ScreenToClient(w, &tl);
    EXPECT_EQ(13, tl.x);
    EXPECT_EQ(17, tl.y);
    EXPECT_EQ(50, r.right - r.left);
    EXPECT_EQ(20, r.bottom - r.top);
    DestroyWindow(w);

    DWORD start = GetTickCount();
    WaitMs(30);
    EXPECT_GE(GetTickCount() - start, 30u);
}
