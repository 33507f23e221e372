// The plug-in registry: scanning, sorting and lookup by extension.
#include <gtest/gtest.h>

#include "fileio/plugin_registry.h"
#include "fileio_fixture.h"

using namespace fiotest;

namespace {

std::string NameOf(const char* path) {
    if (!path) return "(none)";
    std::string s = path;
    return s.substr(s.rfind('\\') + 1);
}

}  // namespace

TEST(Registry, ScansSortsAndFindsByExtension) {
    ProgramFolder folder;
    // Copied in an order that differs from the sorted one.
    ASSERT_TRUE(folder.AddTestPlug("tp_r_gamma.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_r_beta.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_r_alpha.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_r_noinfo.dll", "file_r\\"));
    ASSERT_TRUE(testsupport::WriteFileBytes(folder.File("file_r\\broken.dll"), "not a DLL", 9));
    ASSERT_TRUE(folder.AddTestPlug("tp_w_beta.dll", "file_w\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_w_alpha.dll", "file_w\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_w_noinfo.dll", "file_w\\"));

    BoxRecorder boxes;
    ASSERT_EQ(1, folder.Init());

    // Two "DLL ERROR" boxes for the readers; the writer without its export is
    // left out silently.
    ASSERT_EQ(2u, boxes.texts.size());
    for (size_t i = 0; i < boxes.texts.size(); ++i) EXPECT_EQ("DLL ERROR", boxes.captions[i]);
    std::string shown = boxes.texts[0] + "|" + boxes.texts[1];
    EXPECT_NE(std::string::npos, shown.find(folder.File("file_r\\tp_r_noinfo.dll")));
    EXPECT_NE(std::string::npos, shown.find(folder.File("file_r\\broken.dll")));

    EXPECT_EQ("tp_r_alpha.dll", NameOf(ReaderPluginPath(0)));
    EXPECT_EQ("tp_r_beta.dll", NameOf(ReaderPluginPath(1)));
    EXPECT_EQ("tp_r_gamma.dll", NameOf(ReaderPluginPath(2)));
    EXPECT_EQ(nullptr, ReaderPluginPath(3));
    EXPECT_EQ(folder.File("file_r\\tp_r_alpha.dll"), ReaderPluginPath(0));
    EXPECT_EQ("tp_w_alpha.dll", NameOf(WriterPluginPath(0)));
    EXPECT_EQ("tp_w_beta.dll", NameOf(WriterPluginPath(1)));
    EXPECT_EQ(nullptr, WriterPluginPath(2));

    struct Case {
        const char* path;
        const char* reader;
    } readers[] = {
        {"C:\\photos\\PHOTO.JPG", "tp_r_alpha.dll"},   // listed by alpha and beta: the first wins
        {"a.jpeg", "tp_r_alpha.dll"},
        {"a.Bmp", "tp_r_beta.dll"},
        {"a.jpegx", "tp_r_gamma.dll"},                 // "jpeg" is not a prefix match
        {"a.jp", "(none)"},
        {"a.jpgx", "(none)"},
        {"a.", "(none)"},
        {"noext", "tp_r_beta.dll"},                    // no dot: the whole name
        {"C:\\dir\\noext", "(none)"},                   // ... and the whole path
        {"C:\\dir.d\\x.noext", "tp_r_beta.dll"},
        {"a.表示", "tp_r_gamma.dll"},
        {"a.ア", "tp_r_gamma.dll"},
        {"a.ヂ", "(none)"},                             // trail byte 'a' is not 'A'
    };
    for (const Case& c : readers) EXPECT_EQ(c.reader, NameOf(ReaderPluginPath(FindReaderPlugin(c.path)))) << c.path;

    Case writers[] = {
        {"a.png", "tp_w_beta.dll"},   // listed by both: the last wins
        {"a.PnG", "tp_w_beta.dll"},
        {"a.gif", "tp_w_alpha.dll"},
        {"a.jpg", "(none)"},
    };
    for (const Case& c : writers) EXPECT_EQ(c.reader, NameOf(WriterPluginPath(FindWriterPlugin(c.path)))) << c.path;

    FreeFilePlugins();
    FreeFilePlugins();   // a second call does nothing
    EXPECT_EQ(nullptr, ReaderPluginPath(0));
    EXPECT_EQ(-1, FindReaderPlugin("a.jpg"));
}

TEST(Registry, ARescanAsksTheReplacedPluginsAgain) {
    ProgramFolder folder;
    ASSERT_TRUE(folder.AddTestPlug("tp_r_alpha.dll", "file_r\\"));
    ASSERT_TRUE(folder.AddTestPlug("tp_w_alpha.dll", "file_w\\"));
    ASSERT_EQ(1, folder.Init());
    for (int round = 0; round < 2; ++round) {   // the second look-up answers as the first
        EXPECT_EQ(0, FindReaderPlugin("a.jpeg"));
        EXPECT_EQ(-1, FindReaderPlugin("a.bmp"));
        EXPECT_EQ(0, FindWriterPlugin("a.gif"));
    }
    // Other plug-ins under the same names: the rescan sees their lists.
    ASSERT_TRUE(folder.Add(TestPlugFolder() + "tp_r_beta.dll", "file_r\\", "tp_r_alpha.dll"));
    ASSERT_TRUE(folder.Add(TestPlugFolder() + "tp_w_beta.dll", "file_w\\", "tp_w_alpha.dll"));
    ScanReaderPlugins();
    ScanWriterPlugins();
    EXPECT_EQ(-1, FindReaderPlugin("a.jpeg"));
    EXPECT_EQ(0, FindReaderPlugin("a.bmp"));
    EXPECT_EQ(-1, FindWriterPlugin("a.gif"));
    EXPECT_EQ(0, FindWriterPlugin("a.png"));
}

TEST(Registry, MissingFoldersGiveEmptyTables) {
    testsupport::TempDir dir("noplug");
    BoxRecorder boxes;
    ASSERT_EQ(1, InitFilePlugins(nullptr, dir.Path().c_str()));
    EXPECT_EQ(nullptr, ReaderPluginPath(0));
    EXPECT_EQ(-1, FindReaderPlugin("a.jpg"));
    EXPECT_EQ(-1, FindWriterPlugin("a.jpg"));
    EXPECT_TRUE(boxes.texts.empty());
    FreeFilePlugins();
}

TEST(Registry, ExtensionTokens) {
    struct Case {
        const char* list;
        const char* ext;
        int expected;
    } cases[] = {
        {"jpg;jpeg", "JPG", 1}, {"jpg;jpeg", "jpe", 0}, {"jpeg", "jpg", 0}, {"", "", 0},
        {"a;;b", "", 0},        {"tif;tiff", "tiff", 1}, {"表示", "表示", 1}, {"ア", "ヂ", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, PluginListHasExtension(c.list, c.ext)) << c.list << " " << c.ext;
}
