// The filter host's own units: what each filter kind is handed (Query), the
// settings-dialog call, and the external filter list (folder and DLL scans,
// sorting by title, help files), on documents in memory and folders made here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "adjust/filter_host.h"
#include "adjust/filter_list.h"
#include "canvas/canv_host.h"
#include "canvas_fixture.h"
#include "image/pen_colour.h"
#include "paint/pen_state.h"
#include "test_support.h"
#include "ui/ui_hook.h"

using namespace canvtest;

namespace {

std::string TestFilterDll(const char* name) { return testsupport::ExeFolder() + "adjust_filters\\" + name + ".dll"; }

bool Put(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr);
    CloseHandle(h);
    return done == bytes.size();
}

}  // namespace

TEST(FilterHost, QueryHandsEachKindItsRecordOverTheClippedRectangle) {
    DocHolder doc(MakeDoc({Layer(30, 20, 5, 4)}));
    ASSERT_TRUE(doc.doc);
    // A box reaching over the plane's left and bottom edges.
    doc->selShapes[0] = {};
    doc->selShapes[0].kind = 20001;
    doc->selShapes[0].x0 = 0;
    doc->selShapes[0].y0 = 10;
    doc->selShapes[0].x1 = 12;
    doc->selShapes[0].y1 = 60;
    const ColourModels savedColour = PenColour;
    const int savedOpacity = PenOpacity, savedDensity = Pen.density;
    PenColour.red = 200;
    PenColour.green = 100;
    PenColour.blue = 50;
    PenOpacity = 180;
    Pen.density = 33;
    const struct {
        int kind;
        bool colour, rows;
    } cases[] = {
        {-1, false, false}, {0, true, false}, {1, true, false}, {2, false, false},
        {9, false, false},  {10, false, true}, {11, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        c_FilterHost::Rect = RECT{-1, -1, -1, -1};
        const FilterColourInfo* answer = (const FilterColourInfo*)c_FilterHost::Query(c.kind, 1, doc.doc);
        EXPECT_EQ(5, c_FilterHost::Rect.left);
        EXPECT_EQ(10, c_FilterHost::Rect.top);
        EXPECT_EQ(12, c_FilterHost::Rect.right);
        EXPECT_EQ(23, c_FilterHost::Rect.bottom);
        ASSERT_EQ(c.colour, answer != nullptr);
        if (answer) {
            EXPECT_EQ(0, answer->zero0);
            EXPECT_EQ(50, answer->blue);
            EXPECT_EQ(100, answer->green);
            EXPECT_EQ(200, answer->red);
            EXPECT_EQ(0, answer->zero1);
            EXPECT_EQ(180, answer->opacity);
            EXPECT_EQ(33, answer->density);
            EXPECT_EQ(0, answer->zero2);
        }
        if (c.rows) {
            const FilterImageInfo& info = c_FilterHost::RowImageInfo();
            EXPECT_EQ(8, info.width);
            EXPECT_EQ(14, info.height);
            EXPECT_EQ(24, info.bits);
        }
    }
    // With a preview's work image the row kinds get the work image's extent.
    ASSERT_EQ(1, c_FilterHost::CopySource(doc.doc, 0, 0, 6, 2));
    EXPECT_EQ(nullptr, c_FilterHost::Query(10, 1, doc.doc));
    EXPECT_EQ(7, c_FilterHost::RowImageInfo().width);
    EXPECT_EQ(3, c_FilterHost::RowImageInfo().height);
    EXPECT_EQ(0, c_FilterHost::Rect.left);
    EXPECT_EQ(6, c_FilterHost::Rect.right);
    EXPECT_EQ(2, c_FilterHost::Rect.bottom);
    c_FilterHost::FreeWork();
    PenColour = savedColour;
    PenOpacity = savedOpacity;
    Pen.density = savedDensity;
}

// A paste with no work image says so ("error" over "FilterPaste") and writes
// nothing.
TEST(FilterHost, PasteWithoutAWorkImageSaysSoAndWritesNothing) {
    DocHolder doc(MakeDoc({Layer(12, 8)}));
    ASSERT_TRUE(doc.doc);
    FillPlane(doc->planes[0].image, 0x336699u);
    const auto before = Snapshot(doc.doc);
    c_FilterHost::FreeWork();
    c_FilterHost::SetRectangle(doc.doc);
    Boxes boxes(IDOK);
    EXPECT_EQ(0, c_FilterHost::Paste(doc.doc));
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("error", boxes.texts[0]);
    EXPECT_EQ("FilterPaste", GetLastMessageBox().caption);
    EXPECT_EQ(Snapshot(doc.doc), before);
}

TEST(FilterHost, OptionDialogGetsTheFolderAndLeavesNoWorkImage) {
    testsupport::TempDir dir("fopt");
    FolderHost folder(dir.Path());
    DocHolder doc(MakeDoc({Layer(12, 8)}));
    ASSERT_TRUE(doc.doc);
    const auto before = Snapshot(doc.doc);
    HMODULE script = LoadLibraryA(TestFilterDll("tf_script").c_str());
    HMODULE rows = LoadLibraryA(TestFilterDll("tf_rows").c_str());
    ASSERT_TRUE(script && rows);
    EXPECT_EQ(1, c_FilterHost::RunOption(doc.doc, script));
    EXPECT_FALSE(c_FilterHost::HasWork());
    // A filter without a settings dialog: nothing to run.
    EXPECT_EQ(0, c_FilterHost::RunOption(doc.doc, rows));
    EXPECT_EQ(Snapshot(doc.doc), before);
    FreeLibrary(script);
    FreeLibrary(rows);
}

namespace {

// A program folder with filter sub-folders: "a" with the script filter,
// "b" with the row filter, one that refuses to load and a text file named
// like a DLL, a hidden ".c" with a filter, and a plain file beside them.
class FilterFolders : public ::testing::Test {
protected:
    void SetUp() override {
        c_FilterHost::Init();
        for (const char* sub : {"filter", "filter\\a", "filter\\b", "filter\\.c"})
            CreateDirectoryA(dir_.File(sub).c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(TestFilterDll("tf_script").c_str(), dir_.File("filter\\a\\script.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(TestFilterDll("tf_rows").c_str(), dir_.File("filter\\b\\rows.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(TestFilterDll("tf_fail").c_str(), dir_.File("filter\\b\\fail.dll").c_str(), FALSE));
        ASSERT_TRUE(Put(dir_.File("filter\\b\\text.dll"), "not a program"));
        ASSERT_TRUE(CopyFileA(TestFilterDll("tf_rows").c_str(), dir_.File("filter\\.c\\hidden.dll").c_str(), FALSE));
        ASSERT_TRUE(Put(dir_.File("filter\\plain.txt"), "x"));
    }
    void TearDown() override { c_FilterHost::Release(); }
    // Folder name of filter i.
    std::string FolderOf(int i) { return FilterFolderName(FilterFolderNumber(i)); }
    testsupport::TempDir dir_{"flist"};
    FolderHost folder_{dir_.Path()};
};

}  // namespace

TEST_F(FilterFolders, ListsTheFiltersOfEveryVisibleSubFolderOnce) {
    ASSERT_EQ(2, BuildFilterMenus());
    ASSERT_EQ(2, FilterFolderCount());
    EXPECT_EQ((std::set<std::string>{"a", "b"}), (std::set<std::string>{FilterFolderName(0), FilterFolderName(1)}));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::string path = FilterPath(i);
        EXPECT_EQ(dir_.File("filter\\" + FolderOf(i) + "\\" + (FolderOf(i) == "a" ? "script.dll" : "rows.dll")), path);
        EXPECT_EQ(i, FilterFolderFirst(FilterFolderNumber(i)));
    }
    // Built once: a filter added later is not seen until the list is made again.
    ASSERT_TRUE(CopyFileA(TestFilterDll("tf_rows").c_str(), dir_.File("filter\\a\\more.dll").c_str(), FALSE));
    EXPECT_EQ(2, BuildFilterMenus());
    c_FilterHost::Init();
    EXPECT_EQ(3, BuildFilterMenus());
    // Without the host's blocks nothing is listed.
    c_FilterHost::Release();
    EXPECT_EQ(0, BuildFilterMenus());
    EXPECT_EQ(nullptr, FilterPath(0));
}

// The folder scan on its own: visible sub-folders only, at most thirty, and
// nothing without the host's blocks. Releasing the host also drops a work
// image left from a preview.
TEST_F(FilterFolders, FolderScanKeepsThirtyVisibleSubFolders) {
    EXPECT_EQ(2, ScanFilterFolders());
    std::set<std::string> names;
    for (int i = 0; i < FilterFolderCount(); ++i) names.insert(FilterFolderName(i));
    EXPECT_EQ((std::set<std::string>{"a", "b"}), names);
    for (int i = 0; i < 40; ++i) CreateDirectoryA(dir_.File("filter\\f" + std::to_string(i)).c_str(), nullptr);
    ASSERT_EQ(kFilterFolderSlots, ScanFilterFolders());
    names.clear();
    for (int i = 0; i < kFilterFolderSlots; ++i) {
        const std::string name = FilterFolderName(i);
        EXPECT_NE('.', name[0]) << name;
        EXPECT_NE("plain.txt", name);
        names.insert(name);
    }
    EXPECT_EQ((size_t)kFilterFolderSlots, names.size());

    DocHolder doc(MakeDoc({Layer(8, 8)}));
    ASSERT_TRUE(doc.doc);
    ASSERT_EQ(1, c_FilterHost::CopySource(doc.doc, 0, 0, 3, 3));
    c_FilterHost::Release();
    EXPECT_FALSE(c_FilterHost::HasWork());
    EXPECT_EQ(0, ScanFilterFolders());
    EXPECT_EQ(0, FilterFolderCount());
}

TEST_F(FilterFolders, SortingOrdersByTitleAndKeepsEachPathsFolder) {
    ASSERT_EQ(2, BuildFilterMenus());
    SortFilterList();
    // "Rows test filter" before "script test filter", whatever the case.
    EXPECT_EQ(dir_.File("filter\\b\\rows.dll"), FilterPath(0));
    EXPECT_EQ("b", FolderOf(0));
    EXPECT_EQ(dir_.File("filter\\a\\script.dll"), FilterPath(1));
    EXPECT_EQ("a", FolderOf(1));
    SortFilterList();
    EXPECT_EQ(dir_.File("filter\\b\\rows.dll"), FilterPath(0));
}

TEST_F(FilterFolders, DllScanStopsAtTheLastSlot) {
    const std::string b = dir_.File("filter\\b\\");
    // Of the four files only the one filter counts.
    EXPECT_EQ(4, ScanFilterDlls(3, b.c_str(), 1));
    ASSERT_TRUE(CopyFileA(TestFilterDll("tf_rows").c_str(), dir_.File("filter\\b\\rows2.dll").c_str(), FALSE));
    EXPECT_EQ(kFilterPathSlots, ScanFilterDlls(kFilterPathSlots - 1, b.c_str(), 1));
    EXPECT_EQ(kFilterPathSlots, ScanFilterDlls(kFilterPathSlots, b.c_str(), 1));
    EXPECT_TRUE(IsFilterDll(dir_.File("filter\\b\\rows.dll").c_str()));
    EXPECT_FALSE(IsFilterDll(dir_.File("filter\\b\\fail.dll").c_str()));
    EXPECT_FALSE(IsFilterDll(dir_.File("filter\\b\\text.dll").c_str()));
}

TEST_F(FilterFolders, HelpFileIsTheFiltersPathWithTheHelpExtension) {
    CreateDirectoryA(dir_.File("filter\\d.x").c_str(), nullptr);
    ASSERT_TRUE(Put(dir_.File("filter\\a\\script.hlp"), "help"));
    ASSERT_TRUE(Put(dir_.File("filter\\d.x\\plain.hlp"), "help"));
    const struct {
        std::string path;
        int found;
    } cases[] = {
        {dir_.File("filter\\a\\script.dll"), 1},
        {dir_.File("filter\\b\\rows.dll"), 0},
        {dir_.File("filter\\d.x\\plain"), 1},   // a dot in the folder is not the extension
        {dir_.File("filter\\a"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.found, OpenFilterHelp(c.path.c_str()));
    }
}
