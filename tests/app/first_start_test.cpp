// A first start from the staged program folder: the default settings files the
// build puts there, the frame they give, the pen pressed on a new document, the
// canvas host handed down whole and the menu states that follow the document.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>

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
#include "app_test_util.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"
#include "canvas/canv_history.h"
#include "canvas/canv_init.h"
#include "canvas/canv_view.h"
#include "editor_process.h"
#include "paint/pen_state.h"
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

// A blank canvas made the way File > New makes it, active.
HWND OpenBlankCanvas() {
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = 120, .height = 90, .depth = 24, .planeCount = 1};
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.source = nullptr;
    NewCanvasRequest.resolution = 96;
    HWND child = CreateCanvasWindow();
    if (child) SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)child, 0);
    return child;
}

UINT MenuState(HMENU menu, int id) { return GetMenuState(menu, (UINT)id, MF_BYCOMMAND); }

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
    Sleep(500);   // the control panel is shown by a posted command
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
    HWND canvas = OpenBlankCanvas();
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
    ASSERT_NE(nullptr, OpenBlankCanvas());
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
