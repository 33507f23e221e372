// A first start from the staged program folder: the default settings files the
// build puts there, the frame they give, the pen pressed on a new document, the
// canvas host handed down whole and the menu states that follow the document.
#include <gtest/gtest.h>
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/level_dialog.h"
#include "adjust/mix_dialog.h"
#include "adjust/rotate_dialog.h"
#include "adjust/trim_dialog.h"
#include "app/canvas_request.h"
#include "app/commands.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/statusbar.h"
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_strings.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "editor_process.h"
#include "fileio/file_dialogs.h"
#include "fileio/plugin_registry.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "ui/ui_hook.h"
#include "test_support.h"

using namespace apptest;
using testsupport::TempDir;

namespace {

std::string DistFolder() { return testsupport::ExeFolder() + "..\\dist\\"; }

const char* const kSettingsFiles[] = {"env_.env", "pen.dat", "palette\\pal.env", "pensize.dat",
                                      "canvsize.dat", "initdir.dat"};

// Copies the staged settings files (all but those named in skip) into a folder.
void CopySettings(const std::string& to, const std::set<std::string>& skip = {}) {
    CreateDirectoryA((to + "palette").c_str(), nullptr);
    for (const char* name : kSettingsFiles) {
        if (skip.count(name)) continue;
        ASSERT_TRUE(CopyFileA((DistFolder() + name).c_str(), (to + name).c_str(), FALSE)) << name;
    }
}

std::string ReadStaged(const char* name) {
    std::string bytes;
    testsupport::ReadFileBytes(DistFolder() + name, &bytes);
    return bytes;
}

RECT ChildRect(HWND frame, const char* cls) {
    RECT rc = {};
    HWND child = FindWindowExA(frame, nullptr, cls, nullptr);
    if (child && IsWindowVisible(child)) {
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, frame, (POINT*)&rc, 2);
    }
    return rc;
}

UINT MenuState(HMENU menu, int id) { return GetMenuState(menu, (UINT)id, MF_BYCOMMAND); }

// The description of each entry of a dialog filter.
std::vector<std::string> FilterNames(const std::string& filter) {
    std::vector<std::string> names;
    for (const char* at = filter.c_str(); *at;) {
        names.push_back(at);
        at += std::strlen(at) + 1;
        if (!*at) break;
        at += std::strlen(at) + 1;
    }
    return names;
}

}  // namespace

TEST(StagedDefaults, SettingsFilesHoldUsefulRecords) {
    std::string env = ReadStaged("env_.env");
    ASSERT_EQ(sizeof(EnvBlock), env.size());
    EnvBlock e;
    std::memcpy(&e, env.data(), sizeof e);
    EXPECT_EQ(1, e.maximised);
    EXPECT_EQ(1, e.statusBarShown);
    EXPECT_EQ(1, e.mainBarShown);
    EXPECT_EQ(1, e.ctrlPanelShown);
    EXPECT_EQ(1, e.statusCoords);
    EXPECT_EQ(1, e.penInsideSelection) << "strokes stay inside a selection";
    EXPECT_GE(e.newCanvasWidth, 320);
    EXPECT_GE(e.newCanvasDpi, 72);

    // Thirty distinct pens, as the load rules leave them (nothing clamped away).
    std::string pens = ReadStaged("pen.dat");
    ASSERT_EQ(sizeof(PenRecord) * kPenRecordCount, pens.size());
    std::set<std::tuple<double, double, int, int>> distinct;
    for (int i = 0; i < 30; ++i) {
        PenRecord r, clamped;
        std::memcpy(&r, pens.data() + i * sizeof r, sizeof r);
        clamped = r;
        ClampPenRecord(&clamped);
        EXPECT_EQ(0, std::memcmp(&r, &clamped, sizeof r)) << "pen " << i;
        int edge = r.edgeColour[0] << 16 | r.edgeColour[1] << 8 | r.edgeColour[2];
        distinct.insert({r.halfWidth, r.halfHeight, r.tipKind, edge});
    }
    EXPECT_EQ(30u, distinct.size());

    // A palette of 56 different colours.
    std::string palette = ReadStaged("palette\\pal.env");
    ASSERT_EQ((size_t)kPaletteFileSize, palette.size());
    std::set<int> colours;
    for (int i = 0; i < 56; ++i) {
        int32_t rgb[3];
        std::memcpy(rgb, palette.data() + i * 48, sizeof rgb);
        for (int c : rgb) EXPECT_TRUE(c >= 0 && c <= 255);
        colours.insert(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
    }
    EXPECT_EQ(56u, colours.size());

    // The open and save dialogs start on JPEG: the kept types are the JPEG
    // entries of the staged plug-ins' filters (1-based).
    ASSERT_EQ(1, InitFilePlugins(nullptr, DistFolder().c_str()));
    const std::vector<std::string> readers = FilterNames(BuildReaderFilter()),
                                   writers = FilterNames(BuildWriterFilter(nullptr, nullptr));
    FreeFilePlugins();
    ASSERT_GE(e.openDialogSetting, 1);
    ASSERT_LE(e.openDialogSetting, (int)readers.size());
    EXPECT_EQ("JPEG[*.jpg]", readers[(size_t)e.openDialogSetting - 1]);
    ASSERT_GE(e.saveDialogSetting, 1);
    ASSERT_LE(e.saveDialogSetting, (int)writers.size());
    EXPECT_EQ("JPEG[*.jpg]", writers[(size_t)e.saveDialogSetting - 1]);

    // The browser: every file type, sorted by name, 128-pixel thumbnails.
    std::string view = ReadStaged("exp\\eenv.env");
    ASSERT_EQ(320u, view.size());
    int32_t b[12];
    std::memcpy(b, view.data(), sizeof b);
    EXPECT_EQ(0, b[1]);     // file types
    EXPECT_EQ(0, b[7]);     // sort order: by name
    EXPECT_EQ(128, b[10]);  // cell width
    EXPECT_GT(b[4] & 0xFFFF, 640);
}

TEST(EndToEnd, FirstStartFromStagedFolderShowsBarsAndPanels) {
    ASSERT_EQ(nullptr, FindWindowA("dvw_", nullptr)) << "another editor frame is open";
    TempDir folder("first");
    CopySettings(folder.Path());
    Editor editor;
    ASSERT_TRUE(editor.Start(folder.Path(), folder.File("log.txt"), {}));
    HWND frame = editor.Frame();
    ASSERT_NE(nullptr, frame);
    DWORD start = GetTickCount();
    while (!IsZoomed(frame) && GetTickCount() - start < 5000) Sleep(50);
    EXPECT_TRUE(IsZoomed(frame));
    // The control panel is shown by a posted command: wait for it.
    start = GetTickCount();
    while (ChildRect(frame, "CtrlPanelClass").right == ChildRect(frame, "CtrlPanelClass").left &&
           GetTickCount() - start < 5000)
        Sleep(50);
    Sleep(200);
    RECT client;
    GetClientRect(frame, &client);
    EXPECT_GE(client.right, 1000);
    RECT main = ChildRect(frame, "ToolBarClass"), bar2 = ChildRect(frame, "ToolBarClass2");
    RECT penBar = ChildRect(frame, "ToolBarClass3"), status = ChildRect(frame, "StatusBarClass");
    RECT panel = ChildRect(frame, "CtrlPanelClass");
    EXPECT_EQ(client.right, main.right - main.left);
    EXPECT_EQ(64, main.bottom - main.top);
    EXPECT_EQ(32, penBar.bottom - penBar.top);
    EXPECT_EQ(72, bar2.right - bar2.left);
    EXPECT_GT(bar2.bottom - bar2.top, 500);
    EXPECT_EQ(28, status.bottom - status.top);
    EXPECT_EQ(client.right - 72, status.right - status.left);
    EXPECT_EQ(268, panel.right - panel.left);
    EXPECT_GT(panel.bottom - panel.top, 500);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, editor.Wait());
}

TEST(FirstDocument, PressesThePenAndTheHostIsComplete) {
    TempDir folder("pen");
    // Without env_.env the frame stays hidden (a maximised one would be shown).
    CopySettings(folder.Path(), {"env_.env"});
    ASSERT_TRUE(StartFrame(folder.Path()));
    EXPECT_EQ(nullptr, CanvasHostMissing(GetCanvasHost()));
    // The frame registers the adjustment dialogs' preview classes at start,
    // so a dialog that registers its class later finds the name taken: the
    // frame's registration must lead to the dialog's own procedure.
    const std::pair<const char*, WNDPROC> previews[] = {
        {"EffectViewClass", EffectViewWndProc}, {"BrContViewClass", BrContViewWndProc},
        {"CurveViewClass", CurveViewWndProc},   {"RotateViewClass", RotateViewWndProc},
        {"OoiViewClass", LevelViewWndProc},     {"YakiViewClass", LevelViewWndProc},
        {"OndoViewClass", LevelViewWndProc},    {"MixViewClass", MixViewWndProc},
        {"TrimViewClass", TrimViewWndProc}};
    for (const auto& [name, proc] : previews) {
        WNDCLASSA wc{};
        ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) << name;
        EXPECT_EQ(proc, wc.lpfnWndProc) << name;
    }
    // The stored pens were read: the first pen's tip is not the all-zero one.
    EXPECT_NE(0, std::memcmp(&PenRecords[0], &PenRecords[1], sizeof(PenRecord)));

    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
    HWND canvas = OpenBlankCanvas(120, 90);
    ASSERT_NE(nullptr, canvas);
    Pump(300);
    EXPECT_EQ(CMD_TOOL_PEN, CurrentTool) << "a new document presses the pen";

    // Esc chooses the layer selection tool.
    SendMessageA(canvas, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(200);
    EXPECT_EQ(CMD_TOOL_LAYERSELECT, CurrentTool);
    EXPECT_TRUE(EndFrame());
}

TEST(FrameMenu, StatesFollowTheDocument) {
    TempDir folder("menu");
    ASSERT_TRUE(StartFrame(folder.Path()));
    FrameOnInitMenu(AppMenus.init);
    ASSERT_NE(nullptr, OpenBlankCanvas(120, 90));
    Pump(100);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    HMENU menu = AppMenus.child;
    FrameOnInitMenu(menu);
    EXPECT_EQ(!c_UndoManager::CanUndo(doc), (MenuState(menu, CMD_EDIT_UNDO) & MF_GRAYED) != 0);
    EXPECT_TRUE(MenuState(menu, CMD_EDIT_REDO) & MF_GRAYED) << "nothing undone yet";
    EXPECT_TRUE(MenuState(menu, CMD_LAYER_DELETE) & MF_GRAYED) << "the base layer cannot go";
    EXPECT_TRUE(MenuState(menu, CMD_IMG_EXIFCLEAR) & MF_GRAYED) << "no EXIF data";
    EXPECT_FALSE(MenuState(menu, CMD_IMG_DARKTOLAYER) & MF_GRAYED);
    EXPECT_FALSE(MenuState(menu, CMD_IMG_MIX) & MF_GRAYED);
    const int zoom = (int)doc->zoom;
    for (int i = 0; i < 13; ++i) {
        bool checked = (MenuState(menu, CMD_VIEW_ZOOM_FIRST + i) & MF_CHECKED) != 0;
        EXPECT_EQ(checked, GetMenuState(menu, CMD_VIEW_ZOOM_FIRST + i, MF_BYCOMMAND) != (UINT)-1 &&
                               ZoomPresetTable[i] == zoom && doc->zoom == zoom)
            << i;
    }
    EXPECT_EQ((zoom == 100), (MenuState(menu, CMD_VIEW_ZOOM_100) & MF_CHECKED) != 0);

    // A second layer, a step to undo, a grid, EXIF data, a transparency plane.
    SendMessageA(doc->window, WM_COMMAND, CMD_LAYER_ADD, 0);
    Pump(100);
    doc->gridShown = 1;
    doc->exifBlob = GlobalAlloc(GMEM_MOVEABLE, 16);
    doc->exifSize = 16;
    FrameOnInitMenu(menu);
    EXPECT_FALSE(MenuState(menu, CMD_EDIT_UNDO) & MF_GRAYED) << "adding a layer is a step";
    if (doc->currentPlane / CanvPlanesPerLayer != 0) {
        EXPECT_FALSE(MenuState(menu, CMD_LAYER_DELETE) & MF_GRAYED);
        doc->currentPlane += 1;   // its transparency plane
        FrameOnInitMenu(menu);
        EXPECT_TRUE(MenuState(menu, CMD_IMG_DARKTOLAYER) & MF_GRAYED);
        doc->currentPlane -= 1;
    }
    EXPECT_FALSE(MenuState(menu, CMD_IMG_EXIFCLEAR) & MF_GRAYED);
    EXPECT_TRUE(MenuState(menu, CMD_VIEW_GRID) & MF_CHECKED);
    doc->gridShown = 0;
    EXPECT_TRUE(EndFrame());
}

namespace {

// Reads the file dialog's type box, then presses Cancel.
int ReadTypeAndCancel(const ModalRequest& request, void* user) {
    if (request.text) return IDOK;
    HWND types = GetDlgItem(request.dialog, cmb1);
    char text[300] = {};
    const LRESULT at = SendMessageA(types, CB_GETCURSEL, 0, 0);
    if (at >= 0) SendMessageA(types, CB_GETLBTEXT, (WPARAM)at, (LPARAM)text);
    *(std::string*)user = text;
    return IDCANCEL;
}

// Copies the staged reader and writer plug-ins into a program folder.
void CopyPlugins(const std::string& to) {
    for (const char* sub : {"file_r\\", "file_w\\"}) {
        CreateDirectoryA((to + sub).c_str(), nullptr);
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((DistFolder() + sub + "*.dll").c_str(), &fd);
        ASSERT_NE(INVALID_HANDLE_VALUE, find);
        do {
            ASSERT_TRUE(CopyFileA((DistFolder() + sub + fd.cFileName).c_str(), (to + sub + fd.cFileName).c_str(), FALSE));
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
}

}  // namespace

TEST(FirstStart, FileDialogsStartOnTheTypesOfTheSettings) {
    TempDir folder("types");
    CopySettings(folder.Path(), {"env_.env"});
    CopyPlugins(folder.Path());
    ASSERT_TRUE(StartFrame(folder.Path()));
    // The types the staged settings keep, as a first start reads them.
    std::string env = ReadStaged("env_.env");
    ASSERT_EQ(sizeof(EnvBlock), env.size());
    std::memcpy(&Env.openDialogSetting, env.data() + offsetof(EnvBlock, openDialogSetting), sizeof(int32_t));
    std::memcpy(&Env.saveDialogSetting, env.data() + offsetof(EnvBlock, saveDialogSetting), sizeof(int32_t));
    std::string shown;
    SetModalAnswerHook(ReadTypeAndCancel, &shown);
    char path[MAX_PATH] = {}, title[MAX_PATH] = {}, where[MAX_PATH] = {};
    snprintf(where, sizeof where, "%s", folder.Path().c_str());
    EXPECT_EQ(0, OpenFileDialog(AppWindows.frame, path, title, where, 0));
    EXPECT_EQ("JPEG[*.jpg]", shown);
    shown.clear();
    EXPECT_EQ(0, SaveFileDialog(AppWindows.frame, path, title));
    EXPECT_EQ("JPEG[*.jpg]", shown);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_TRUE(EndFrame());
}

namespace {

// The status bar's messages, in order: code 0 (WM_USER, with its wParam) and
// 1032 (the resting texts).
std::vector<std::pair<UINT, WPARAM>> g_statusLog;
WNDPROC g_statusProc;

LRESULT CALLBACK LogStatusBar(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER || msg == WM_USER + 8) g_statusLog.push_back({msg, wp});
    return CallWindowProcA(g_statusProc, wnd, msg, wp, lp);
}

bool HasUpdate(HWND wnd) { return GetUpdateRect(wnd, nullptr, FALSE) != FALSE; }

// The frame shown with the staged settings (bars, control panel and its pen
// panel), for what is seen on screen.
class ShownFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir("shown");
        CopySettings(folder_->Path());
        ASSERT_TRUE(StartFrame(folder_->Path(), {}, SW_SHOWNORMAL));
        Pump(600);   // the control panel is shown by a posted command
    }
    static void TearDownTestSuite() {
        EndFrame();
        delete folder_;
    }
    void TearDown() override {
        for (HWND w : windows_) CloseCanvasUnsaved(w);
        windows_.clear();
    }
    HWND Open(int width, int height) {
        HWND w = OpenBlankCanvas(width, height);
        if (w) windows_.push_back(w);
        Pump(200);
        return w;
    }
    static TempDir* folder_;
    std::vector<HWND> windows_;
};
TempDir* ShownFrame::folder_ = nullptr;

}  // namespace

TEST_F(ShownFrame, StatusLinePenPanelAndBarsFollowTheActiveDocument) {
    SendMessageA(AppWindows.statusBar, WM_USER + 8, 0, 0);
    const std::string resting = StatusBarState.line;
    HWND a = Open(120, 90), b = Open(200, 150);
    ASSERT_TRUE(a && b);
    HWND panel = AppWindows.penOptionPanel;
    ASSERT_TRUE(panel && IsWindowVisible(panel));
    ASSERT_TRUE(IsWindowVisible(AppWindows.mainToolBar) && IsWindowVisible(AppWindows.toolBar2));

    g_statusProc = (WNDPROC)SetWindowLongPtrA(AppWindows.statusBar, GWLP_WNDPROC, (LONG_PTR)LogStatusBar);
    for (HWND w : {panel, AppWindows.mainToolBar, AppWindows.toolBar2}) UpdateWindow(w);
    ASSERT_FALSE(HasUpdate(AppWindows.mainToolBar));
    ASSERT_FALSE(HasUpdate(AppWindows.toolBar2));
    InvalidateRect(panel, nullptr, FALSE);
    ASSERT_TRUE(HasUpdate(panel));
    g_statusLog.clear();

    // From b to a: b's deactivation rests the status line, a's activation
    // describes a; the pen panel is painted at once, the bars are to be redrawn.
    SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)a, 0);
    ASSERT_EQ(a, (HWND)SendMessageA(AppWindows.mdiClient, WM_MDIGETACTIVE, 0, 0));
    const std::pair<UINT, WPARAM> rest{WM_USER + 8, 0}, info{WM_USER, 15};
    ASSERT_GE(g_statusLog.size(), 2u);
    size_t restAt = g_statusLog.size(), infoAt = g_statusLog.size();
    for (size_t i = 0; i < g_statusLog.size(); ++i) {
        if (g_statusLog[i] == rest && restAt == g_statusLog.size()) restAt = i;
        if (g_statusLog[i] == info) infoAt = i;
    }
    EXPECT_LT(restAt, infoAt) << "the deactivated document's line is cleared first";
    char expected[128];
    snprintf(expected, sizeof expected, kCanvInfoFormat, kCanvUntitled, 120, 90);
    EXPECT_STREQ(expected, StatusBarState.line);
    EXPECT_FALSE(HasUpdate(panel)) << "the pen panel is repainted at once";
    EXPECT_TRUE(HasUpdate(AppWindows.mainToolBar));
    EXPECT_TRUE(HasUpdate(AppWindows.toolBar2));

    // Closing the last document leaves the resting line, not its description.
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)b, 0);
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)a, 0);
    EXPECT_EQ(nullptr, (HWND)SendMessageA(AppWindows.mdiClient, WM_MDIGETACTIVE, 0, 0));
    EXPECT_EQ(resting, StatusBarState.line);
    SetWindowLongPtrA(AppWindows.statusBar, GWLP_WNDPROC, (LONG_PTR)g_statusProc);
}

TEST_F(ShownFrame, CloneBrushShowsACrossAtItsSource) {
    HWND w = Open(240, 180);
    ASSERT_NE(nullptr, w);
    CanvDoc* doc = GetCanvDoc(w);
    ASSERT_NE(nullptr, doc);
    SetZoomAt(w, doc, 100.0);
    Pump(200);
    RECT client;
    GetClientRect(doc->display, &client);
    ASSERT_GE(client.right, 200);
    ASSERT_GE(client.bottom, 150);
    const POINT pointer = {30, 30};   // image point under the cursor
    const int dx = 120, dy = 80;
    const int cx = ImageToScreenX(doc, pointer.x + dx), cy = ImageToScreenY(doc, pointer.y + dy);
    // Display points on the cross's two arms, and points just beyond them.
    std::vector<POINT> horizontal, vertical, beyond;
    for (int k = -12; k <= 12; ++k) {
        if (k == 0) continue;
        horizontal.push_back({cx + k, cy});
        vertical.push_back({cx, cy + k});
    }
    for (int k : {-16, 16}) {
        beyond.push_back({cx + k, cy});
        beyond.push_back({cx, cy + k});
    }
    auto read = [&](const std::vector<POINT>& points) {
        std::vector<COLORREF> out;
        HDC dc = GetDC(doc->display);
        for (POINT p : points) out.push_back(GetPixel(dc, p.x, p.y) & 0xFFFFFF);
        ReleaseDC(doc->display, dc);
        return out;
    };
    auto inverted = [](const std::vector<COLORREF>& before, const std::vector<COLORREF>& after) {
        int n = 0;
        for (size_t i = 0; i < before.size(); ++i) n += after[i] == (~before[i] & 0xFFFFFF);
        return n;
    };
    POINT away = {5, 5};   // on the frame's tool bar
    ClientToScreen(AppWindows.frame, &away);

    struct Case {
        const char* name;
        int tool;
        int offsetX, offsetY;
        bool cross;
    } cases[] = {
        {"clone with a source", CMD_TOOL_CLONE, dx, dy, true},
        {"clone without a source", CMD_TOOL_CLONE, -2000, -64, false},
        {"pen", CMD_TOOL_PEN, dx, dy, false},
    };
    const int oldX = c_PenWriter::CloneOffsetX, oldY = c_PenWriter::CloneOffsetY;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendMessageA(AppWindows.frame, WM_COMMAND, c.tool, 0);
        c_PenWriter::CloneOffsetX = c.offsetX;
        c_PenWriter::CloneOffsetY = c.offsetY;
        // The outline off the canvas, everything painted.
        SetCursorPos(away.x, away.y);
        RefreshBrushCursor();
        Pump(100);
        UpdateWindow(doc->display);
        const std::vector<COLORREF> h0 = read(horizontal), v0 = read(vertical), b0 = read(beyond);
        POINT on = {ImageToScreenX(doc, pointer.x), ImageToScreenY(doc, pointer.y)};
        ClientToScreen(doc->display, &on);
        SetCursorPos(on.x, on.y);
        RefreshBrushCursor();
        const std::vector<COLORREF> h1 = read(horizontal), v1 = read(vertical), b1 = read(beyond);
        if (c.cross) {
            EXPECT_GE(inverted(h0, h1), 6) << "horizontal arm";
            EXPECT_GE(inverted(v0, v1), 6) << "vertical arm";
        } else {
            EXPECT_EQ(h0, h1);
            EXPECT_EQ(v0, v1);
        }
        EXPECT_EQ(b0, b1) << "nothing beyond the arms";
        // Leaving the canvas takes the cross away again.
        SetCursorPos(away.x, away.y);
        RefreshBrushCursor();
        EXPECT_EQ(h0, read(horizontal));
        EXPECT_EQ(v0, read(vertical));
    }
    c_PenWriter::CloneOffsetX = oldX;
    c_PenWriter::CloneOffsetY = oldY;
}
