// The parts box in the frame: listing a folder with cached thumbnails made by
// the worker, choosing a cell, the material tool floating the chosen part, and
// saving the selection into the parts box (command 14011).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "canvas/canv_doc.h"
#include "canvas/canv_layers.h"
#include "fileio/parts_box.h"
#include "fileio/thumb_cache.h"
#include "image/packed_dib.h"
#include "resources/msgbox_ids.h"
#include "resources/resource.h"
#include "select/floating.h"
#include "ui/ui_hook.h"
#include "app_test_util.h"
#include "test_support.h"

using namespace apptest;

namespace {

std::string DistFolder() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string s = exe;
    return s.substr(0, s.find_last_of('\\')) + "\\..\\dist\\";
}

bool WriteBmp(const std::string& path, int w, int h, int r, int g, int b) {
    BITMAPINFOHEADER* dib = CreatePackedDib(w, h, 24);
    if (!dib) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPackedDibRgb(dib, x, y, r, g, b);
    const int ok = SavePackedDibBmp(path.c_str(), dib);
    FreePackedDib(dib);
    return ok != 0;
}

// What the hook saw of the parts box, and the cell it picks.
struct BoxVisit {
    int pick = 0;
    int cells = -1;
    bool allDone = false, allCached = false, okBeforeClick = true, okAfterClick = false;
    std::string caption;
    std::vector<std::string> boxes;
    const char* name = nullptr;   // answer of the name entry
    std::string cacheFolder;      // the program folder's cache set 88
    int cached = -1;              // its entries while the dialog was open
};

int CountFiles(const std::string& folder) {
    int n = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do n += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

int AnswerBox(const ModalRequest& request, void* user) {
    BoxVisit* v = (BoxVisit*)user;
    if (request.kind >= 0) {
        v->boxes.push_back(request.text ? request.text : "");
        return IDOK;
    }
    const std::string templ = request.templ;
    if (templ == "dra_inpstr") {
        SetDlgItemTextA(request.dialog, IDC_INPSTR_EDIT, v->name ? v->name : "");
        return IDOK;
    }
    if (templ != "dra_partsbox") return IDCANCEL;
    char caption[128] = {};
    GetWindowTextA(request.dialog, caption, sizeof caption);
    v->caption = caption;
    // The worker makes the thumbnails one after another, started by the timer.
    const DWORD start = GetTickCount();
    v->cells = PartsBoxCellCount();
    while (GetTickCount() - start < 10000) {
        bool done = true;
        for (int i = 0; i < v->cells; ++i) done = done && PartsBoxCellDone(i);
        if (done) break;
        Pump(20);
    }
    v->allDone = v->allCached = true;
    for (int i = 0; i < v->cells; ++i) v->allDone = v->allDone && PartsBoxCellDone(i);
    Pump(100);
    if (!v->cacheFolder.empty()) v->cached = CountFiles(v->cacheFolder);
    v->okBeforeClick = IsWindowEnabled(GetDlgItem(request.dialog, IDOK)) != 0;
    if (HWND cell = PartsBoxCell(v->pick)) SendMessageA(cell, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    v->okAfterClick = IsWindowEnabled(GetDlgItem(request.dialog, IDOK)) != 0;
    return v->okAfterClick ? IDOK : IDCANCEL;
}

class PartsBox : public ::testing::Test {
protected:
    void SetUp() override {
        // The BMP reader and the native format's reader and writer in the program folder.
        const std::string dist = DistFolder();
        CreateDirectoryA(dir_.File("file_r").c_str(), nullptr);
        CreateDirectoryA(dir_.File("file_w").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((dist + "file_r\\bmpload.dll").c_str(), dir_.File("file_r\\bmpload.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((dist + "file_r\\draload.dll").c_str(), dir_.File("file_r\\draload.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((dist + "file_w\\drasave.dll").c_str(), dir_.File("file_w\\drasave.dll").c_str(), FALSE));
        CreateDirectoryA(dir_.File("material").c_str(), nullptr);
        ASSERT_TRUE(WriteBmp(dir_.File("material\\b.bmp"), 30, 20, 0, 200, 0));
        ASSERT_TRUE(WriteBmp(dir_.File("material\\A.bmp"), 10, 40, 200, 0, 0));
        ASSERT_TRUE(WriteBmp(dir_.File("material\\c.BMP"), 50, 50, 0, 0, 200));
        HANDLE note = CreateFileA(dir_.File("material\\note.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(note);
        ASSERT_TRUE(StartFrame(dir_.Path()));
    }
    void TearDown() override {
        SetModalAnswerHook(nullptr, nullptr);
        EXPECT_TRUE(EndFrame());
    }
    HWND MakeCanvas(int w, int h) {
        return HandOverPicture(CreatePackedDib(w, h, 24));
    }
    testsupport::TempDir dir_{"pbx"};
};

}  // namespace

TEST_F(PartsBox, ListsTheFolderWithCachedThumbnailsAndReturnsTheChosenFile) {
    BoxVisit visit;
    visit.pick = 1;
    visit.cacheFolder = dir_.File("cache88\\");
    SetModalAnswerHook(AnswerBox, &visit);
    char chosen[MAX_PATH] = {};
    const std::string folder = dir_.File("material\\");
    ASSERT_EQ(1, OpenPartsBox(AppWindows.frame, folder.c_str(), chosen, "*.*", "素材フォルダ"));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("素材フォルダ", visit.caption);
    // Every extension the readers know (bmp, dra): the three pictures, sorted
    // without regard to case; not the text file.
    EXPECT_EQ(3, visit.cells);
    EXPECT_TRUE(visit.allDone);
    EXPECT_FALSE(visit.okBeforeClick);
    EXPECT_TRUE(visit.okAfterClick);
    EXPECT_EQ(folder + "b.bmp", chosen);
    // Cache set 88 holds an entry a file while the dialog is open, none after.
    EXPECT_EQ(3, visit.cached);
    EXPECT_EQ(0, CountFiles(visit.cacheFolder));
    EXPECT_FALSE(HasThumbCache(chosen, kPartsBoxCacheSet));

    // A file path opens its folder; cancelling chooses nothing.
    visit = BoxVisit{};
    visit.pick = 99;
    SetModalAnswerHook(AnswerBox, &visit);
    EXPECT_EQ(0, OpenPartsBox(AppWindows.frame, (folder + "A.bmp").c_str(), chosen, "*.*", "ファイル選択"));
    EXPECT_EQ(3, visit.cells);
    // A path without a backslash does not open it.
    visit = BoxVisit{};
    EXPECT_EQ(0, OpenPartsBox(AppWindows.frame, "nofolder", chosen, "*.*", "x"));
    EXPECT_EQ(-1, visit.cells);
    SetModalAnswerHook(nullptr, nullptr);
}

TEST_F(PartsBox, ListingTable) {
    const std::string folder = dir_.File("material\\");
    static char paths[8][MAX_PATH];
    const struct {
        const char* pattern;
        int count;
        const char* first;
    } cases[] = {
        {"bmp", 3, "A.bmp"},
        {"txt", 1, "note.txt"},
        {"bmp;bmp", 6, "A.bmp"},   // an extension named twice lists its files twice
        {"png", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(c.count, ListPartsFiles(folder.c_str(), c.pattern, paths, 8));
        if (c.first) {
            EXPECT_EQ(folder + c.first, paths[0]);
        }
    }
    // More files than room: all are counted, only the room is filled.
    EXPECT_EQ(6, ListPartsFiles(folder.c_str(), "bmp;bmp", paths, 2));
}

TEST_F(PartsBox, MaterialToolFloatsTheChosenPartAsAPastedFile) {
    HWND canvas = MakeCanvas(64, 64);
    ASSERT_NE(nullptr, canvas);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_SELRECT, 0);
    BoxVisit visit;
    visit.pick = 0;
    SetModalAnswerHook(AnswerBox, &visit);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_MATERIAL, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("素材フォルダ", visit.caption);
    // The part floats over the document under the file-paste tool, no layer yet.
    EXPECT_EQ(CMD_EDIT_PASTEFILE, CurrentTool);
    ASSERT_EQ(doc, FloatingTarget());
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    EXPECT_EQ(10, frame.right - frame.left + 1);   // A.bmp
    EXPECT_EQ(40, frame.bottom - frame.top + 1);
    EXPECT_FALSE(LayerInUse(doc, 1));
    // Cancelled, the box leaves the tool as it was.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_SELRECT, 0);
    SetModalAnswerHook([](const ModalRequest&, void*) { return (int)IDCANCEL; }, nullptr);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_MATERIAL, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(CMD_TOOL_SELRECT, CurrentTool);
}

// Sent to the document window itself, the material command puts the chosen
// part in as a new layer at once (nothing floats) and marks the document
// changed; a cancelled box adds nothing.
TEST_F(PartsBox, MaterialCommandToTheDocumentLayersTheChosenPart) {
    HWND canvas = MakeCanvas(64, 64);
    ASSERT_NE(nullptr, canvas);
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    Pump(100);   // the new document's own choice of the pen comes first
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_SELRECT, 0);
    doc->modified = 0;
    BoxVisit visit;
    visit.pick = 0;
    SetModalAnswerHook(AnswerBox, &visit);
    SendMessageA(canvas, WM_COMMAND, CMD_EDIT_MATERIAL, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ("素材フォルダ", visit.caption);
    EXPECT_EQ(3, visit.cells);
    ASSERT_TRUE(LayerInUse(doc, 1));
    EXPECT_EQ(10, LayerBase(doc, 1)->width);   // A.bmp
    EXPECT_EQ(40, LayerBase(doc, 1)->height);
    EXPECT_EQ(1, doc->modified);
    EXPECT_EQ(nullptr, FloatingTarget());
    EXPECT_EQ(CMD_TOOL_SELRECT, CurrentTool);

    doc->modified = 0;
    visit = BoxVisit{};
    visit.pick = 99;
    SetModalAnswerHook(AnswerBox, &visit);
    SendMessageA(canvas, WM_COMMAND, CMD_EDIT_MATERIAL, 0);
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(3, visit.cells);
    EXPECT_FALSE(LayerInUse(doc, 2));
    EXPECT_EQ(0, doc->modified);
}

TEST_F(PartsBox, CanvasIsSavedIntoThePartsBoxOnceUnderAName) {
    HWND canvas = MakeCanvas(32, 24);
    ASSERT_NE(nullptr, canvas);
    BoxVisit visit;
    visit.name = "mine";
    SetModalAnswerHook(AnswerBox, &visit);
    SendMessageA(canvas, WM_COMMAND, CMD_EDIT_PARTSSAVE, 0);
    EXPECT_TRUE(visit.boxes.empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir_.File("partsbox\\mine.dra").c_str()));
    // Only the selection's box is kept, as one picture: opened again it is a
    // document of that size with the base layer alone.
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    AddLayer(doc, 0, 0, 32, 24, LayerTypeOrdinary);
    doc->selShapes[0].kind = doc->selShapes[5].kind = CMD_TOOL_SELRECT;
    doc->selShapes[0].x0 = 4;
    doc->selShapes[0].y0 = 3;
    doc->selShapes[0].x1 = 13;
    doc->selShapes[0].y1 = 9;
    visit.name = "part";
    SendMessageA(canvas, WM_COMMAND, CMD_EDIT_PARTSSAVE, 0);
    const std::string part = dir_.File("partsbox\\part.dra");
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)part.c_str());
    CanvDoc* opened = GetActiveCanvas();
    ASSERT_NE(nullptr, opened);
    ASSERT_NE(doc, opened);
    EXPECT_EQ(10, opened->width);
    EXPECT_EQ(7, opened->height);
    EXPECT_EQ(1, CountLayers(opened, 0));
    // The same name again, and names that cannot be file names, are refused.
    for (const char* name : {"mine", "a\\b", "what?"}) {
        SCOPED_TRACE(name);
        visit.boxes.clear();
        visit.name = name;
        SendMessageA(canvas, WM_COMMAND, CMD_EDIT_PARTSSAVE, 0);
        ASSERT_EQ(1u, visit.boxes.size());
        EXPECT_EQ("このファイル名は使用できません。", visit.boxes[0]);
    }
    SetModalAnswerHook(nullptr, nullptr);
}

namespace {

// What the hook saw of the parts box in one run; it moves the dialog to `moveTo`
// (when set) and turns the registered wheel both ways.
struct PlaceVisit {
    RECT opened{}, moveTo{};
    bool panelsEnabled = true;
    int rowAfterWheelDown = -1, rowAfterWheelUp = -1;
};

int AnswerPlace(const ModalRequest& request, void* user) {
    PlaceVisit* v = (PlaceVisit*)user;
    if (request.kind >= 0 || std::string(request.templ) != "dra_partsbox") return IDCANCEL;
    Pump(50);
    GetWindowRect(request.dialog, &v->opened);
    v->panelsEnabled = IsWindowEnabled(AppWindows.ctrlPanel) != 0;
    if (v->moveTo.right > 0) {
        MoveWindow(request.dialog, v->moveTo.left, v->moveTo.top, v->moveTo.right, v->moveTo.bottom, TRUE);
        Pump(50);
        const UINT wheel = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
        SendMessageA(request.dialog, wheel, (WPARAM)(INT_PTR)-120, 0);
        v->rowAfterWheelDown = GetScrollPos(PartsBoxGrid(), SB_VERT);
        SendMessageA(request.dialog, wheel, (WPARAM)(INT_PTR)120, 0);
        v->rowAfterWheelUp = GetScrollPos(PartsBoxGrid(), SB_VERT);
    }
    return IDCANCEL;
}

}  // namespace

TEST_F(PartsBox, ReopensWhereItClosedInThePreviousRunWithThePanelsOff) {
    const std::string folder = dir_.File("material\\");
    char chosen[MAX_PATH] = {};
    // 260 x 200: a grid of two columns and one visible row, so the three
    // files take two rows and the wheel has one row to scroll.
    PlaceVisit first;
    first.moveTo = RECT{120, 90, 260, 200};
    SetModalAnswerHook(AnswerPlace, &first);
    EXPECT_EQ(0, OpenPartsBox(AppWindows.frame, folder.c_str(), chosen, "*.*", "素材フォルダ"));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_FALSE(first.panelsEnabled);
    EXPECT_TRUE(IsWindowEnabled(AppWindows.ctrlPanel));
    EXPECT_EQ(1, first.rowAfterWheelDown);
    EXPECT_EQ(0, first.rowAfterWheelUp);

    // The next run (settings written at close, read at start) opens it there,
    // whatever this process still remembers.
    ASSERT_TRUE(CloseFrame());
    const int32_t none[4] = {0, 0, 0, 0};
    SetPartsBoxPlacement(none);
    ASSERT_TRUE(StartFrame(dir_.Path()));
    PlaceVisit second;
    SetModalAnswerHook(AnswerPlace, &second);
    EXPECT_EQ(0, OpenPartsBox(AppWindows.frame, folder.c_str(), chosen, "*.*", "素材フォルダ"));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(120, second.opened.left);
    EXPECT_EQ(90, second.opened.top);
    EXPECT_EQ(260, second.opened.right - second.opened.left);
    EXPECT_EQ(200, second.opened.bottom - second.opened.top);
}

namespace {

// What the hook saw of a parts box of many files that it made small and
// scrolled to the end at once.
struct ScrollVisit {
    SIZE smallest{};
    int cells = 0, firstVisible = -1;
    std::vector<int> done;   // each cell's flag a while after the scroll
};

int AnswerScroll(const ModalRequest& request, void* user) {
    ScrollVisit* v = (ScrollVisit*)user;
    if (request.kind >= 0 || std::string(request.templ) != "dra_partsbox") return IDCANCEL;
    RECT r;
    MoveWindow(request.dialog, 20, 20, 100, 50, TRUE);
    GetWindowRect(request.dialog, &r);
    v->smallest = SIZE{r.right - r.left, r.bottom - r.top};
    // Two columns and two visible rows; scrolled to the last row before the
    // worker has come far.
    MoveWindow(request.dialog, 20, 20, 260, 250, TRUE);
    SendMessageA(PartsBoxGrid(), WM_VSCROLL, SB_BOTTOM, 0);
    RECT grid;
    GetClientRect(PartsBoxGrid(), &grid);
    v->firstVisible = GetScrollPos(PartsBoxGrid(), SB_VERT) * std::max(1, (int)grid.right / 96);
    Pump(1500);
    v->cells = PartsBoxCellCount();
    for (int i = 0; i < v->cells; ++i) v->done.push_back(PartsBoxCellDone(i));
    return IDCANCEL;
}

}  // namespace

TEST_F(PartsBox, KeepsItsSmallestSizeAndMakesTheVisibleThumbnailsFirst) {
    CreateDirectoryA(dir_.File("many").c_str(), nullptr);
    for (int i = 0; i < 40; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "many\\p%02d.bmp", i);
        ASSERT_TRUE(WriteBmp(dir_.File(name), 8, 8, 10 * i % 250, 100, 50));
    }
    ScrollVisit visit;
    SetModalAnswerHook(AnswerScroll, &visit);
    char chosen[MAX_PATH] = {};
    EXPECT_EQ(0, OpenPartsBox(AppWindows.frame, dir_.File("many\\").c_str(), chosen, "*.*", "素材フォルダ"));
    SetModalAnswerHook(nullptr, nullptr);
    EXPECT_EQ(256, visit.smallest.cx);
    EXPECT_EQ(128, visit.smallest.cy);
    ASSERT_EQ(40, visit.cells);
    ASSERT_GE(visit.firstVisible, 30);
    // The cells from the first visible row on were made; the worker did not
    // go back to the rows scrolled past.
    for (int i = visit.firstVisible; i < 40; ++i) EXPECT_EQ(1, visit.done[(size_t)i]) << i;
    for (int i = 10; i < 30; ++i) EXPECT_EQ(0, visit.done[(size_t)i]) << i;
    // The box remembers where it closed: put the usual place back.
    const int32_t none[4] = {0, 0, 0, 0};
    SetPartsBoxPlacement(none);
}
