// The frame in-process: classes, resources, layout, commands, timer, close.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/startup.h"
#include "ui/ui_hook.h"
#include "app/wndclass.h"
#include "paint/tablet.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;

TEST(WindowClasses, AllRegisteredWithPointerSizedExtraBytes) {
    EnsureClasses();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const char* name : kWindowClassNames) {
        WNDCLASSA wc;
        ASSERT_TRUE(GetClassInfoA(instance, name, &wc)) << name;
        EXPECT_EQ((UINT)(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS), wc.style) << name;
    }
    struct { const char* name; int cls; int wnd; } extra[] = {
        {"dvw_", (int)sizeof(LONG_PTR), 0},
        {"CanvClass", 0, (int)sizeof(LONG_PTR)},
        {"CanvWndClass", 0, (int)sizeof(LONG_PTR)},
        {"CanvWndDispClass", 0, (int)sizeof(LONG_PTR)},
        {"StatusBarClass", 0, 0},
    };
    for (auto& e : extra) {
        WNDCLASSA wc;
        ASSERT_TRUE(GetClassInfoA(instance, e.name, &wc));
        EXPECT_EQ(e.cls, wc.cbClsExtra) << e.name;
        EXPECT_EQ(e.wnd, wc.cbWndExtra) << e.name;
    }
    // A second registration fails at the first class.
    EXPECT_EQ(0, RegisterWindowClasses());
}

TEST(ProductTable, Entries) {
    BuildProductTable();
    EXPECT_EQ(255, ProductTable[255][255]);
    for (int j = 0; j < 256; ++j) EXPECT_EQ(0, ProductTable[0][j]);
    EXPECT_EQ(64, ProductTable[128][128]);
    EXPECT_EQ(1, ProductTable[255][1]);
    EXPECT_EQ(1, ProductTable[1][255]);
    EXPECT_EQ(0, ProductTable[1][126]);
    EXPECT_EQ(1, ProductTable[1][127]);
    EXPECT_EQ(260u, sizeof ProductTable[0]);
}

TEST(FrameRect, KeptOnScreen) {
    struct Case { int x, y, w, h, sw, sh; RECT want; } cases[] = {
        {0, 0, 0, 0, 1280, 1024, {0, 0, 384, 128}},                    // first start
        {2000, 2000, 100, 50, 1024, 768, {640, 640, 1024, 768}},       // too small, off screen
        {100, 10, 3000, 300, 1280, 1024, {0, 10, 1280, 310}},          // wider than the screen
        {50, 60, 500, 300, 1280, 1024, {50, 60, 550, 360}},            // kept as stored
        {-200, -30, 500, 300, 1280, 1024, {0, 0, 500, 300}},           // left of / above the screen
    };
    for (const Case& c : cases) {
        RECT r = ComputeFrameRect(PackWords(c.x, c.y), PackWords(c.w, c.h), c.sw, c.sh);
        EXPECT_EQ(c.want.left, r.left) << c.x << "," << c.y;
        EXPECT_EQ(c.want.top, r.top) << c.x << "," << c.y;
        EXPECT_EQ(c.want.right, r.right) << c.x << "," << c.y;
        EXPECT_EQ(c.want.bottom, r.bottom) << c.x << "," << c.y;
    }
}

TEST(ProgramFolderSeam, TrailingBackslash) {
    char saved[MAX_PATH];
    lstrcpyA(saved, ProgramFolder);
    EXPECT_EQ(1, SetProgramFolder("C:\\x"));
    EXPECT_STREQ("C:\\x\\", ProgramFolder);
    EXPECT_STREQ("C:\\x\\", WorkFolder);
    EXPECT_EQ(1, SetProgramFolder("C:\\x\\"));
    EXPECT_STREQ("C:\\x\\", ProgramFolder);
    // ソ ends in the byte 0x5C, which is no separator.
    EXPECT_EQ(1, SetProgramFolder("C:\\ソ"));
    EXPECT_STREQ("C:\\ソ\\", ProgramFolder);
    EXPECT_EQ(0, SetProgramFolder(""));
    EXPECT_STREQ("", ProgramFolder);
    SetProgramFolder(saved);
}

TEST(Frame, ResourcesAndMenusAreJapanese) {
    testsupport::TempDir dir("frm");
    ASSERT_TRUE(StartFrame(dir.Path()));
    HWND frame = AppWindows.frame;
    char title[64] = {};
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ("Darna Studio for Tabrix", title);
    EXPECT_EQ(AppMenus.init, GetMenu(frame));

    struct { HMENU menu; UINT id; const char* text; } items[] = {
        {AppMenus.init, CMD_FILE_NEW, "新規作成(&N)...\tCtrl+N"},
        {AppMenus.init, CMD_FILE_OPEN, "開く(&O)...\tCtrl+O"},
        {AppMenus.init, CMD_FILE_BROWSER, "ファイル一覧(&I)..."},
        {AppMenus.init, CMD_FILE_EXIT, "終了(&X)\tAlt+F4"},
        {AppMenus.init, CMD_HELP_ABOUT, "バージョン情報(&A)..."},
        {AppMenus.child, CMD_FILE_CLOSE, "閉じる(&C)"},
        {AppMenus.child, CMD_FILE_FROMCLIPBOARD, "クリップボードから開く(&B)"},
        {AppMenus.child, CMD_FILE_CLEARHISTORY, "ファイル名ヒストリのクリア(&H)..."},
        {AppMenus.child, CMD_FILE_CAMERA, "デジタルカメラから入力(&Q)..."},
        {AppMenus.child, CMD_VIEW_CTRLPANEL, "パレットパネル(&T)"},
        {AppMenus.child, CMD_VIEW_EXIF, "Exif情報(&X)...\tF4"},
        {AppMenus.child, CMD_WIN_TILE, "並べて表示(&T)\tShift+F4"},
        {AppMenus.child, CMD_WIN_CASCADE, "重ねて表示(&C)\tShift+F5"},
        {AppMenus.child, CMD_WIN_CLOSEALL, "すべて閉じる(&A)"},
        {AppMenus.child, CMD_WIN_ARRANGE, "最小化ウインドウの整列(&I)"},
        {AppMenus.child, CMD_HELP_INDEX, "ヘルプ(&H)...\tF1"},
        {AppMenus.child, CMD_HELP_SUPPORT, "サポートページへ(&S)"},
        {AppMenus.child, CMD_EDIT_PASTE, "貼り付け(&P)\tCtrl+V"},
        {AppMenus.child, CMD_EDIT_MATERIAL, "素材フォルダ(&B)..."},
        {AppMenus.child, CMD_IMG_MERGE, "画像の結合(&F)"},
        {AppMenus.child, CMD_IMG_DUPLICATE, "複製(&Y)"},
        {AppMenus.child, CMD_IMG_DUPRESIZE, "大きさを変えて複製(&Z)..."},
        {AppMenus.child, CMD_IMG_ROTRIGHT, "画像を右回転(&R)"},
        {AppMenus.child, CMD_IMG_ROTLEFT, "画像を左回転(&L)"},
    };
    for (auto& item : items) EXPECT_EQ(std::string(item.text), MenuText(item.menu, item.id)) << item.id;

    char name[64] = {};
    GetMenuStringA(AppMenus.child, 5, name, sizeof name, MF_BYPOSITION);
    EXPECT_STREQ("ウインドウ(&W)", name);
    EXPECT_EQ(GetSubMenu(AppMenus.child, 5), AppMenus.childWindow);
    EXPECT_EQ(GetSubMenu(AppMenus.init, 0), AppMenus.initFile);

    // Menu-item bitmaps: the first three on both menus, the others on nnMenuChild.
    for (UINT id : {CMD_FILE_NEW, CMD_FILE_OPEN, CMD_FILE_BROWSER}) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoA(AppMenus.init, id, FALSE, &info));
        EXPECT_NE(nullptr, info.hbmpChecked) << id;
    }
    for (UINT id : {CMD_EDIT_PASTE, CMD_EDIT_COPY, CMD_VIEW_ZOOMOUT, CMD_VIEW_ZOOMIN, CMD_EDIT_MATERIAL,
                    CMD_EDIT_REDO, CMD_EDIT_UNDO, CMD_FILE_SAVE, CMD_FILE_PRINT, CMD_LAYER_ADD,
                    CMD_LAYER_DELETE}) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoA(AppMenus.child, id, FALSE, &info)) << id;
        EXPECT_NE(nullptr, info.hbmpChecked) << id;
        EXPECT_EQ(info.hbmpChecked, info.hbmpUnchecked) << id;
    }

    // Pop-up menus: all present but the three the resources do not hold.
    for (int i = 0; i < kPopupMenuCount; ++i) {
        std::string n = kPopupMenuNames[i];
        bool absent = n == "drPalMenu" || n == "drLayPartsMenu" || n == "drLayPartsMenu2";
        EXPECT_EQ(absent, AppMenus.popup[i] == nullptr) << n;
        EXPECT_EQ(absent, AppMenus.popupSub[i] == nullptr) << n;
    }
    EXPECT_EQ(std::string("トリミング(&T)"), MenuText(AppMenus.popupSub[22], CMD_IMG_SELTONEW));

    // Clipboard formats and the wheel message.
    EXPECT_NE(0u, ClipFormatTransp);
    EXPECT_NE(0u, ClipFormatSelArea);
    EXPECT_NE(0u, ClipFormatMask);
    EXPECT_NE(ClipFormatTransp, ClipFormatSelArea);
    EXPECT_EQ(RegisterWindowMessageA("MSWHEEL_ROLLMSG"), MsWheelMessage);
    EXPECT_EQ(20014, CurrentTool);

    EXPECT_TRUE(EndFrame());
}

// The key a menu item names after its tab is the key that runs that item: the
// accelerator table, translated against the frame, decides what a key does.
namespace {
struct NamedKey { BYTE virt; WORD key; };

bool ParseMenuKey(const std::string& name, NamedKey* out) {
    std::string rest = name;
    BYTE virt = 0;
    if (rest.rfind("Shift+", 0) == 0) { virt |= FSHIFT | FVIRTKEY; rest = rest.substr(6); }
    if (rest.rfind("Alt+", 0) == 0) { virt |= FALT | FVIRTKEY; rest = rest.substr(4); }
    if (rest.rfind("Ctrl+", 0) == 0 && rest.size() == 6 && rest[5] >= 'A' && rest[5] <= 'Z') {
        *out = {0, (WORD)(rest[5] - 'A' + 1)};   // the table holds control codes
        return true;
    }
    if (rest.size() >= 2 && rest[0] == 'F') {
        int n = atoi(rest.c_str() + 1);
        if (n < 1 || n > 24) return false;
        *out = {(BYTE)(virt | FVIRTKEY), (WORD)(VK_F1 + n - 1)};
        return true;
    }
    return false;
}

void CollectMenuKeys(HMENU menu, std::vector<std::pair<UINT, std::string>>* keys) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) { CollectMenuKeys(sub, keys); continue; }
        char text[256] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const char* tab = strchr(text, '\t');
        if (tab) keys->push_back({GetMenuItemID(menu, i), tab + 1});
    }
}
}  // namespace

TEST(Frame, EveryKeyAMenuNamesRunsThatItem) {
    testsupport::TempDir dir("frk");
    ASSERT_TRUE(StartFrame(dir.Path()));
    int n = CopyAcceleratorTableA(AppAccel, nullptr, 0);
    ASSERT_GT(n, 0);
    std::vector<ACCEL> table(n);
    CopyAcceleratorTableA(AppAccel, table.data(), n);

    std::vector<std::pair<UINT, std::string>> keys;
    CollectMenuKeys(AppMenus.init, &keys);
    CollectMenuKeys(AppMenus.child, &keys);
    ASSERT_FALSE(keys.empty());
    for (auto& [id, name] : keys) {
        if (name == "Alt+F4") continue;   // the system's close, not ours
        NamedKey key;
        ASSERT_TRUE(ParseMenuKey(name, &key)) << name;
        const ACCEL* found = nullptr;
        for (auto& a : table)
            if ((a.fVirt & (FVIRTKEY | FSHIFT | FALT | FCONTROL)) == key.virt && a.key == key.key) found = &a;
        ASSERT_NE(nullptr, found) << "no accelerator for " << name << " (item " << id << ")";
        EXPECT_EQ(id, (UINT)found->cmd) << name;
    }
    EXPECT_TRUE(EndFrame());
}

TEST(Frame, AcceleratorTable) {
    HACCEL accel = LoadAcceleratorsA(GetModuleHandleA(nullptr), "daAccel");
    ASSERT_NE(nullptr, accel);
    ACCEL entries[64];
    int n = CopyAcceleratorTableA(accel, entries, 64);
    ASSERT_EQ(27, n);
    auto find = [&](WORD key, BYTE virt) -> int {
        for (int i = 0; i < n; ++i)
            if (entries[i].key == key && (entries[i].fVirt & ~FNOINVERT) == virt) return entries[i].cmd;
        return -1;
    };
    EXPECT_EQ(13000, find(VK_F1, FVIRTKEY));
    EXPECT_EQ(12004, find(VK_F12, FVIRTKEY));
    EXPECT_EQ(21075, find(VK_F13, FVIRTKEY | FALT));
    EXPECT_EQ(21076, find(VK_F14, FVIRTKEY | FALT));
    EXPECT_EQ(11022, find(VK_F4, FVIRTKEY));
    EXPECT_EQ(12000, find(VK_F4, FVIRTKEY | FSHIFT));
    EXPECT_EQ(12001, find(VK_F5, FVIRTKEY | FSHIFT));
    // Ctrl entries are ASCII control codes.
    EXPECT_EQ(20501, find(1, 0));    // Ctrl+A
    EXPECT_EQ(14000, find(3, 0));    // Ctrl+C
    EXPECT_EQ(11035, find(6, 0));    // Ctrl+F
    EXPECT_EQ(21020, find(10, 0));   // Ctrl+J
    EXPECT_EQ(10004, find(19, 0));   // Ctrl+S
    EXPECT_EQ(14010, find(26, 0));   // Ctrl+Z
    DestroyAcceleratorTable(accel);
}

// The pictures the pen's buttons and tabs draw are in the resources, each of
// the size of the control that shows it.
TEST(Frame, PenPicturesFitTheirControls) {
    struct Picture {
        std::string name;
        int width, height;
    };
    std::vector<Picture> pictures = {{"pal0_tab1", 64, 24}, {"pal0_tab2", 64, 24}, {"pal1_tab1", 100, 24},
                                     {"pal1_tab2", 100, 24}, {"pal2_tab1", 100, 24}, {"pal2_tab2", 100, 24},
                                     {"p_c", 16, 16},        {"p_b", 16, 16}};
    for (int k = 1; k <= 7; ++k)
        for (const char* state : {"_", "__", "___"}) pictures.push_back({"p_pen" + std::to_string(k) + state, 24, 24});
    for (const Picture& p : pictures) {
        HBITMAP bmp = LoadBitmapA(GetModuleHandleA(nullptr), p.name.c_str());
        ASSERT_NE(nullptr, bmp) << p.name;
        BITMAP info = {};
        GetObjectA(bmp, sizeof info, &info);
        EXPECT_EQ(p.width, info.bmWidth) << p.name;
        EXPECT_EQ(p.height, info.bmHeight) << p.name;
        DeleteObject(bmp);
    }
}

TEST(Frame, FirstStartLayoutAndControlPanelToggle) {
    testsupport::TempDir dir("lay");
    ASSERT_TRUE(StartFrame(dir.Path()));
    HWND frame = AppWindows.frame;
    RECT rc;
    GetWindowRect(frame, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(384, rc.right - rc.left);
    EXPECT_EQ(128, rc.bottom - rc.top);
    EXPECT_FALSE(IsZoomed(frame));
    // The selection-history folder is made in the program folder.
    DWORD attributes = GetFileAttributesA(dir.File("selhist").c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    // Lay out a known client size: no main bar, no status bar, no control panel.
    FrameOnSize(frame, 800, 600);
    auto childRect = [&](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, frame, (POINT*)&r, 2);
        return r;
    };
    RECT client = childRect(AppWindows.mdiClient);
    EXPECT_EQ(72, client.left);
    EXPECT_EQ(32, client.top);
    EXPECT_EQ(800 - 72, client.right - client.left);
    EXPECT_EQ(600 - 32, client.bottom - client.top);
    RECT bar2 = childRect(AppWindows.toolBar2);
    EXPECT_EQ(72, bar2.right - bar2.left);
    EXPECT_EQ(600 - 32, bar2.bottom - bar2.top);

    Env.mainBarShown = 1;
    Env.statusBarShown = 1;
    Env.ctrlPanelShown = 1;
    FrameOnSize(frame, 800, 600);
    client = childRect(AppWindows.mdiClient);
    EXPECT_EQ(96, client.top);
    EXPECT_EQ(800 - 340, client.right - client.left);
    EXPECT_EQ(600 - 64 - 60, client.bottom - client.top);
    RECT status = childRect(AppWindows.statusBar);
    EXPECT_EQ(72, status.left);
    EXPECT_EQ(600 - 28, status.top);
    RECT panel = childRect(AppWindows.ctrlPanel);
    EXPECT_EQ(800 - 268, panel.left);
    EXPECT_EQ(268, panel.right - panel.left);

    // 11024 flips the panel flag and lays the frame out again.
    SendMessageA(frame, WM_COMMAND, CMD_VIEW_CTRLPANEL, 0);
    EXPECT_EQ(0, Env.ctrlPanelShown);
    RECT fc;
    GetClientRect(frame, &fc);
    client = childRect(AppWindows.mdiClient);
    EXPECT_EQ(fc.right - 72, client.right - client.left);
    EXPECT_TRUE(EndFrame());
}

TEST(Frame, RefusesDisplaysOf256ColoursOrFewer) {
    testsupport::TempDir dir("dep");
    BoxAnswers answers;
    AnswerBoxes(&answers);
    SetColourDepthOverride(8);
    EXPECT_FALSE(StartFrame(dir.Path()));
    SetColourDepthOverride(0);
    AnswerBoxes(nullptr);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("このプログラムは16色/256色では動作しません。", answers.texts[0]);
    EXPECT_EQ(nullptr, FindWindowA("dvw_", nullptr));
}

TEST(Frame, OpenCommandsAreRecordedInOrder) {
    testsupport::TempDir dir("opn");
    ClearOpenRequests();
    // None of these files exists: each open says so and makes no window.
    BoxAnswers answers;
    AnswerBoxes(&answers);
    ASSERT_TRUE(StartFrame(dir.Path(), {"C:\\a.png", "C:\\表示\\ソフト.jpg"}));
    // Command-line files become open commands once the loop runs.
    Pump(50);
    ASSERT_EQ(2u, GetOpenRequests().size());
    EXPECT_EQ("C:\\a.png", GetOpenRequests()[0]);
    EXPECT_EQ("C:\\表示\\ソフト.jpg", GetOpenRequests()[1]);

    // A shell drop goes through the same opening.
    const char names[] = "C:\\x\\1.bmp\0C:\\x\\2.bmp\0";
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + sizeof names);
    DROPFILES* df = (DROPFILES*)GlobalLock(drop);
    df->pFiles = sizeof(DROPFILES);
    std::memcpy((char*)df + sizeof(DROPFILES), names, sizeof names);
    GlobalUnlock(drop);
    SendMessageA(AppWindows.frame, WM_DROPFILES, (WPARAM)drop, 0);
    ASSERT_EQ(4u, GetOpenRequests().size());
    EXPECT_EQ("C:\\x\\1.bmp", GetOpenRequests()[2]);
    EXPECT_EQ("C:\\x\\2.bmp", GetOpenRequests()[3]);

    // A recent-file command opens its slot; an empty slot gives an empty path.
    lstrcpyA(RecentFiles[0], "C:\\recent.png");
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_RECENT_FIRST, 0);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_RECENT_FIRST + 3, 0);
    ASSERT_EQ(6u, GetOpenRequests().size());
    EXPECT_EQ("C:\\recent.png", GetOpenRequests()[4]);
    EXPECT_EQ("", GetOpenRequests()[5]);
    EXPECT_EQ(nullptr, GetWindow(AppWindows.mdiClient, GW_CHILD));
    EXPECT_TRUE(EndFrame());
    AnswerBoxes(nullptr);
    ASSERT_EQ(6u, answers.texts.size());
    for (const std::string& text : answers.texts) EXPECT_EQ("ファイルを開けません。", text);
    ClearOpenRequests();
}

TEST(Frame, ClearHistoryAsksFirst) {
    testsupport::TempDir dir("hst");
    ASSERT_TRUE(StartFrame(dir.Path()));
    RecentFilesAdd("C:\\one.png");
    RecentFilesAdd("C:\\two.png");
    ASSERT_EQ(2, RecentFilesCount());
    EXPECT_EQ(std::string("C:\\two.png"), MenuText(AppMenus.init, CMD_RECENT_FIRST));

    BoxAnswers answers;
    answers.button = IDNO;
    AnswerBoxes(&answers);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_CLEARHISTORY, 0);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("ヒストリをクリアしますか？", answers.texts[0]);
    EXPECT_EQ(2, RecentFilesCount());
    EXPECT_TRUE(IsWindowEnabled(AppWindows.ctrlPanel));

    answers.button = IDYES;
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_CLEARHISTORY, 0);
    AnswerBoxes(nullptr);
    EXPECT_EQ(0, RecentFilesCount());
    EXPECT_EQ(-1, GetMenuState(AppMenus.init, CMD_RECENT_FIRST, MF_BYCOMMAND));
    EXPECT_EQ(-1, GetMenuState(AppMenus.child, CMD_RECENT_SEPARATOR, MF_BYCOMMAND));
    EXPECT_TRUE(EndFrame());
}

TEST(Frame, TwainWithoutSourceManagerSaysSo) {
    // The manager is looked for in the Windows folder: moved aside for this test.
    char windows[MAX_PATH], manager[MAX_PATH + 16], aside[MAX_PATH + 32];
    GetWindowsDirectoryA(windows, MAX_PATH);
    wsprintfA(manager, "%s\\twain_32.dll", windows);
    wsprintfA(aside, "%s\\twain_32.dll.aside", windows);
    const bool moved = MoveFileExA(manager, aside, MOVEFILE_REPLACE_EXISTING) != 0;
    testsupport::TempDir dir("twn");
    ASSERT_TRUE(StartFrame(dir.Path()));
    BoxAnswers answers;
    AnswerBoxes(&answers);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_TWAINSOURCE, 0);
    AnswerBoxes(nullptr);
    if (moved) MoveFileExA(aside, manager, MOVEFILE_REPLACE_EXISTING);
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_EQ("TWAINデータソースマネージャが使用できません。", answers.texts[0]);
    EXPECT_TRUE(EndFrame());
}

// The tablet's WT_INFOCHANGE (32758) makes the frame read the pen's facts
// again: a pressure range the driver changed scales the next packets, which
// the old range scaled until then.
TEST(Frame, TabletInfoChangeReadsThePressureRangeAgain) {
    testsupport::TempDir dir("ftab");
    const std::string script = dir.File("tablet.txt");
    auto writeScript = [&](const char* axis, int pressure) {
        char text[128];
        std::snprintf(text, sizeof text, "axis %s\n1 1 0 0 %d 0 0 600\n1 1 0 0 %d 0 0 600\n", axis, pressure, pressure);
        return testsupport::WriteFileBytes(script, text, std::strlen(text));
    };
    ASSERT_TRUE(writeScript("0 1023", 511));
    SetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", script.c_str());
    ASSERT_TRUE(StartFrame(dir.Path()));
    ASSERT_EQ(1, c_Tablet::IsOn()) << "the test tablet DLL is not installed in the prefix";
    int p = -1, alt = 0, az = 0, tan = 0;
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 1));
    EXPECT_EQ(127, p);   // 511 of 0..1023

    // The driver now reports 0..511 (the test tablet reads its script again).
    ASSERT_TRUE(writeScript("0 511", 511));
    auto info = (UINT(WINAPI*)(UINT, UINT, LPVOID))(void*)GetProcAddress(GetModuleHandleA("wintab32.dll"), "WTInfoA");
    ASSERT_NE(nullptr, info);
    ASSERT_EQ(1u, info(9998, 0, nullptr));
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 0));
    EXPECT_EQ(127, p) << "the old range until the driver says the facts changed";
    SendMessageA(AppWindows.frame, 32758, 0, 0);
    ASSERT_EQ(1, c_Tablet::Poll(&p, &alt, &az, &tan, 0));
    EXPECT_EQ(255, p);
    EXPECT_TRUE(EndFrame());
    SetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", nullptr);
}

namespace {
int g_diskState = 0;
int FakeDiskState() { return g_diskState; }
int FakeSwapRoot(char* buffer) {
    lstrcpyA(buffer, "Q:\\");
    return 1;
}
}  // namespace

TEST(Frame, LowDiskWarningOnceOnAFourthTick) {
    testsupport::TempDir dir("dsk");
    SetSwapDiskQueries(FakeDiskState, FakeSwapRoot);
    ASSERT_TRUE(StartFrame(dir.Path()));
    BoxAnswers answers;
    AnswerBoxes(&answers);
    g_diskState = 1;
    auto tick = [] { SendMessageA(AppWindows.frame, WM_TIMER, (WPARAM)FrameState.timerId, 0); };
    ASSERT_GE(FrameState.timerId, 0);
    tick();
    tick();
    tick();
    EXPECT_TRUE(answers.texts.empty());
    tick();
    ASSERT_EQ(1u, answers.texts.size());
    EXPECT_NE(std::string::npos, answers.texts[0].find("仮想メモリーのためのドライブはQ:\\です。"));
    EXPECT_EQ(0u, answers.texts[0].find("仮想メモリーのためのハードディスクドライブの空き容量が少なくな\r\nっています。\r\n"));
    EXPECT_GE(FrameState.timerId, 0);   // running again after the box
    for (int i = 0; i < 8; ++i) tick();
    EXPECT_EQ(1u, answers.texts.size());
    AnswerBoxes(nullptr);
    g_diskState = 0;
    EXPECT_TRUE(EndFrame());
    SetSwapDiskQueries(nullptr, nullptr);
}

namespace {
// A document window that refuses to close while its flag is set.
LRESULT CALLBACK RefusingCanvasProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_QUERYENDSESSION) return GetPropA(w, "refuse") ? 0 : 1;
    return DefMDIChildProcA(w, msg, wp, lp);
}
HWND MakeCanvas(const char* title, bool refuse) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RefusingCanvasProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TestCanvasClass";
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        RegisterClassA(&wc);
        registered = true;
    }
    MDICREATESTRUCTA mcs = {};
    mcs.szClass = "TestCanvasClass";
    mcs.szTitle = title;
    mcs.hOwner = GetModuleHandleA(nullptr);
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    HWND w = (HWND)SendMessageA(AppWindows.mdiClient, WM_MDICREATE, 0, (LPARAM)&mcs);
    if (w && refuse) SetPropA(w, "refuse", (HANDLE)1);
    return w;
}
}  // namespace

TEST(Frame, CloseWithARefusingCanvasKeepsFrameButWritesSettings) {
    testsupport::TempDir dir("cls");
    ASSERT_TRUE(StartFrame(dir.Path()));
    HWND first = MakeCanvas("first", false);
    HWND second = MakeCanvas("second", true);
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(CloseFrame(300));
    EXPECT_TRUE(IsWindow(AppWindows.frame));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(2864, testsupport::FileSize(dir.File("env_.env")));
    // The file says the control panel existed; the running frame keeps it hidden.
    std::string written;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir.File("env_.env"), &written));
    EXPECT_EQ(1, ((const EnvBlock*)written.data())->ctrlPanelShown);
    EXPECT_EQ(0, Env.ctrlPanelShown);
    RemovePropA(second, "refuse");
    EXPECT_TRUE(EndFrame());
}

TEST(Frame, WindowCommandsAndToolSelection) {
    testsupport::TempDir dir("tool");
    ASSERT_TRUE(StartFrame(dir.Path()));
    HWND frame = AppWindows.frame;
    // Without a canvas SelectTool changes nothing, and the command is finished.
    EXPECT_EQ(0, FrameOnCommand(frame, CMD_TOOL_PEN, 0));
    EXPECT_EQ(20014, CurrentTool);

    HWND a = MakeCanvas("a", false);
    HWND b = MakeCanvas("b", false);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b, GetActiveCanvasWindow());
    SendMessageA(frame, WM_COMMAND, CMD_TOOL_PEN, 0);
    EXPECT_EQ(CMD_TOOL_PEN, CurrentTool);
    EXPECT_EQ(20014, PreviousTool);
    SendMessageA(frame, WM_COMMAND, CMD_TOOL_SELRECT, 10);
    EXPECT_EQ(CMD_TOOL_SELRECT, CurrentTool);
    EXPECT_EQ(1, Env.snapshotFlag);
    // A paste that cannot start leaves the old tool.
    SendMessageA(frame, WM_COMMAND, CMD_EDIT_PASTE, 0);
    EXPECT_EQ(CMD_TOOL_SELRECT, CurrentTool);
    EXPECT_EQ(0, Env.snapshotFlag);

    // Menu state: tile and cascade need two canvases.
    FrameOnInitMenu(AppMenus.child);
    EXPECT_FALSE(GetMenuState(AppMenus.child, CMD_WIN_TILE, MF_BYCOMMAND) & MF_GRAYED);
    // Close (10000) closes the active canvas; close all (12002) the rest.
    SendMessageA(frame, WM_COMMAND, CMD_FILE_CLOSE, 0);
    Pump(20);
    EXPECT_FALSE(IsWindow(b));
    FrameOnInitMenu(AppMenus.child);
    EXPECT_TRUE(GetMenuState(AppMenus.child, CMD_WIN_TILE, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageA(frame, WM_COMMAND, CMD_WIN_CLOSEALL, 0);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(nullptr, GetActiveCanvasWindow());
    EXPECT_TRUE(EndFrame());
}

namespace {
std::vector<WPARAM> g_scrolls;
WNDPROC g_paneProc = nullptr;
LRESULT CALLBACK RecordingPaneProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_VSCROLL) g_scrolls.push_back(wp);
    return CallWindowProcA(g_paneProc, w, msg, wp, lp);
}
}  // namespace

TEST(Frame, WheelScrollsTheActiveCanvasPane) {
    testsupport::TempDir dir("whl");
    ASSERT_TRUE(StartFrame(dir.Path()));
    // Without a canvas the wheel does nothing.
    EXPECT_EQ(0, SendMessageA(AppWindows.frame, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0));
    HWND canvas = MakeCanvas("w", false);
    HWND pane = CreateWindowExA(0, "CanvWndClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, canvas, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, pane);
    g_paneProc = (WNDPROC)SetWindowLongPtrA(pane, GWLP_WNDPROC, (LONG_PTR)RecordingPaneProc);
    g_scrolls.clear();
    SendMessageA(AppWindows.frame, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);           // forward
    SendMessageA(AppWindows.frame, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-120), 0);    // back
    SendMessageA(AppWindows.frame, MsWheelMessage, (WPARAM)(DWORD)-120, 0);         // delta in wParam
    SendMessageA(AppWindows.frame, MsWheelMessage, 120, 0);
    ASSERT_EQ(4u, g_scrolls.size());
    EXPECT_EQ((WPARAM)SB_PAGEUP, g_scrolls[0]);
    EXPECT_EQ((WPARAM)SB_PAGEDOWN, g_scrolls[1]);
    EXPECT_EQ((WPARAM)SB_PAGEDOWN, g_scrolls[2]);
    EXPECT_EQ((WPARAM)SB_PAGEUP, g_scrolls[3]);
    EXPECT_TRUE(EndFrame());
}

TEST(Frame, ExitDeletesAtMostHundredWorkFilesARun) {
    testsupport::TempDir dir("tmp");
    for (int i = 0; i < 150; ++i) {
        char name[32];
        wsprintfA(name, "w%03d.tmp", i);
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.File(name), "x", 1));
    }
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("keep.dat"), "x", 1));
    auto countTmp = [&] {
        int n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(dir.File("*.tmp").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return 0;
        do ++n; while (FindNextFileA(h, &fd));
        FindClose(h);
        return n;
    };
    ASSERT_TRUE(StartFrame(dir.Path()));
    EXPECT_TRUE(EndFrame());
    EXPECT_EQ(50, countTmp());
    ASSERT_TRUE(StartFrame(dir.Path()));
    EXPECT_TRUE(EndFrame());
    EXPECT_EQ(0, countTmp());
    EXPECT_EQ(1, testsupport::FileSize(dir.File("keep.dat")));
}

namespace {
std::vector<UINT> g_browserMessages;
LRESULT CALLBACK FakeBrowserProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER + 10 || msg == WM_CLOSE || (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_RESTORE))
        g_browserMessages.push_back(msg);
    // Handled only by recording: a restored window would be shown, and a shown
    // window is slow to destroy under Wine without a window manager.
    if (msg == WM_CLOSE || msg == WM_SYSCOMMAND) return 0;
    return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

TEST(Frame, BrowserIsBroughtBackToldOfDropsAndAskedToClose) {
    testsupport::TempDir dir("brw");
    ASSERT_TRUE(StartFrame(dir.Path()));
    BoxAnswers answers;
    AnswerBoxes(&answers);
    // No browser and no browser program: nothing happens, nothing is shown.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_BROWSER, 0);
    EXPECT_TRUE(answers.texts.empty());

    WNDCLASSA wc = {};
    wc.lpfnWndProc = FakeBrowserProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kBrowserClassName;
    RegisterClassA(&wc);
    HWND browser = CreateWindowExA(0, kBrowserClassName, "browser", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 200,
                                   100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, browser);
    ASSERT_TRUE(IsIconic(browser));
    g_browserMessages.clear();
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_BROWSER, 0);
    ASSERT_EQ(1u, g_browserMessages.size());
    EXPECT_EQ((UINT)WM_SYSCOMMAND, g_browserMessages[0]);

    // Opened drops are followed by one 1034 to the browser.
    ClearOpenRequests();
    BoxAnswers missing;
    AnswerBoxes(&missing);
    OpenDroppedPaths({"C:\\1.png", "C:\\2.png", "C:\\3.png"});
    AnswerBoxes(nullptr);
    EXPECT_EQ(3u, GetOpenRequests().size());
    ASSERT_EQ(2u, g_browserMessages.size());
    EXPECT_EQ((UINT)(WM_USER + 10), g_browserMessages[1]);

    // The editor's end asks the browser to close (it is never destroyed from here).
    EXPECT_TRUE(EndFrame());
    Pump(20);
    ASSERT_EQ(3u, g_browserMessages.size());
    EXPECT_EQ((UINT)WM_CLOSE, g_browserMessages[2]);
    EXPECT_TRUE(IsWindow(browser));
    AnswerBoxes(nullptr);
    EXPECT_TRUE(answers.texts.empty());
    DestroyWindow(browser);
    ClearOpenRequests();
}
