// The thumbnail cache: entry names, the browser's and the editor's variants,
// and the checks that keep a damaged entry from being used.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "browser/dib24.h"
#include "fileio/thumb_cache.h"
#include "browser_fixture.h"
#include "test_support.h"

using testsupport::TempDir;

namespace {

constexpr int kSet = 10;

std::string Touch(const TempDir& dir, const std::string& name, const char* content = "x") {
    std::string path = dir.File(name);
    testsupport::WriteFileBytes(path, content, std::strlen(content));
    return path;
}

std::string EntryOf(const std::string& image) {
    char entry[MAX_PATH];
    return ThumbCacheEntryName(image.c_str(), kSet, entry, sizeof entry) ? entry : "";
}

// A bottom-up .bmp entry of w x h at `bits` whose header announces `colours`
// (biClrUsed) and which holds `tableEntries` colour table entries; its file
// size and row offset fields agree with its bytes.
std::string BmpEntry(int w, int h, int bits, uint32_t colours, int tableEntries) {
    const size_t stride = (size_t)(((w * bits + 31) / 32) * 4);
    const size_t offset = 14 + 40 + (size_t)tableEntries * 4, total = offset + stride * (size_t)h;
    std::string s(total, '\x5A');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&s[at], &v, 2); };
    s[0] = 'B', s[1] = 'M';
    put32(2, (uint32_t)total);
    put32(6, 0);
    put32(10, (uint32_t)offset);
    put32(14, 40);
    put32(18, (uint32_t)w);
    put32(22, (uint32_t)h);
    put16(26, 1);
    put16(28, (uint16_t)bits);
    put32(30, BI_RGB);
    put32(34, (uint32_t)(stride * (size_t)h));
    put32(38, 0);
    put32(42, 0);
    put32(46, colours);
    put32(50, 0);
    for (int i = 0; i < tableEntries; ++i) put32(54 + 4 * (size_t)i, (uint32_t)i * 0x010101u);
    return s;
}

}  // namespace

TEST(ThumbCache, NamesKeepFoldersApartAndRefuseWhatDoesNotFit) {
    TempDir program("prog"), a("fa"), b("fb");
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Browser);
    std::string one = Touch(a, "same.jpg"), two = Touch(b, "same.jpg");
    std::string e1 = EntryOf(one), e2 = EntryOf(two);
    ASSERT_FALSE(e1.empty());
    EXPECT_EQ(0u, e1.find(program.Path() + "cache10\\same.jpg"));
    EXPECT_EQ(".tmp", e1.substr(e1.size() - 4));
    EXPECT_NE(e1, e2);
    // The same folder written in other case is the same folder.
    std::string upper = a.Path();
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    EXPECT_EQ(e1, EntryOf(upper + "same.jpg"));
    // The browser cuts long names to 150 bytes, never inside a character.
    std::string longName = std::string(149, 'n') + "表.jpg";
    std::string e3 = EntryOf(a.File(longName));
    ASSERT_FALSE(e3.empty());
    const std::string kept = program.Path() + "cache10\\" + std::string(149, 'n');
    EXPECT_EQ(0u, e3.find(kept));
    EXPECT_EQ(kept.size() + 8 + 10 + 4, e3.size());   // the cut character is gone whole
    // A name that does not fit MAX_PATH is no entry at all: a miss.
    char small[40];
    EXPECT_EQ(0, ThumbCacheEntryName(one.c_str(), kSet, small, sizeof small));
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Editor);
    std::string e4 = EntryOf(a.File(longName));
    EXPECT_NE(std::string::npos, e4.find(longName));
}

TEST(ThumbCache, StoreLoadAndSameNamesInOtherFolders) {
    TempDir program("prog"), a("fa"), b("fb");
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Browser);
    ASSERT_EQ(1, CreateThumbCacheDir(kSet));
    std::string one = Touch(a, "p.jpg"), two = Touch(b, "p.jpg");
    PackedDib dib = bvtest::MakePattern(9, 7, 3);
    EXPECT_EQ(1, StoreThumbCache(one.c_str(), dib, kSet));
    EXPECT_EQ(1, HasThumbCache(one.c_str(), kSet));
    EXPECT_EQ(0, HasThumbCache(two.c_str(), kSet));
    EXPECT_EQ(nullptr, LoadThumbCache(two.c_str(), kSet));
    PackedDib back = LoadThumbCache(one.c_str(), kSet);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(24, back->biBitCount);
    EXPECT_EQ(0, std::memcmp(GetPackedDibBits(dib), GetPackedDibBits(back), (size_t)Dib24Stride(9, 24) * 7));
    FreePackedDib(back);
    // The editor's variant hands entries out as 32 bits.
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Editor);
    back = LoadThumbCache(one.c_str(), kSet);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(32, back->biBitCount);
    FreePackedDib(back);
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Browser);
    // A new last-write time is a miss.
    HANDLE h = CreateFileA(one.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME ft = {0x12345678, 0x01D00000};
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    EXPECT_EQ(0, HasThumbCache(one.c_str(), kSet));
    EXPECT_EQ(1, DeleteThumbCacheFile(one.c_str(), kSet));
    ClearThumbCache(kSet);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((program.Path() + "cache10\\*.tmp").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    FreePackedDib(dib);
}

TEST(ThumbCache, DamagedEntriesAreDeletedAndMiss) {
    TempDir program("prog"), a("fa");
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Browser);
    CreateThumbCacheDir(kSet);
    std::string image = Touch(a, "img.png");
    PackedDib dib = bvtest::MakePattern(6, 4, 1);
    StoreThumbCache(image.c_str(), dib, kSet);
    std::string entry = EntryOf(image), good;
    ASSERT_TRUE(testsupport::ReadFileBytes(entry, &good));
    PackedDib wide = CreatePackedDib(6, 4, 32);
    enum { kBrowser = 1, kEditor = 2, kBoth = 3 };
    struct Case {
        const char* name;
        int variants;   // the variants that must refuse it
        std::function<std::string()> make;
    };
    auto patched = [&](size_t at, uint32_t value) {
        std::string s = good;
        std::memcpy(&s[at], &value, 4);
        return s;
    };
    const Case cases[] = {
        {"truncated", kBoth, [&] { return good.substr(0, good.size() - 5); }},
        {"longer than its header says", kBoth, [&] { return good + "junk"; }},
        {"file size field", kBoth, [&] { return patched(2, 12345); }},
        {"info header size", kBoth, [&] { return patched(14, 12); }},
        {"width beyond the rows", kBoth, [&] { return patched(18, 600); }},
        {"width beyond the cache", kBoth, [&] { return patched(18, 5000); }},
        {"garbage", kBoth, [&] { return std::string(good.size(), '\x55'); }},
        {"empty", kBoth, [&] { return std::string(); }},
        {"32-bit entry for the browser", kBrowser, [&] {
             std::string s;
             SavePackedDibBmp(entry.c_str(), wide);
             testsupport::ReadFileBytes(entry, &s);
             return s;
         }},
        // A colour count on a depth without a table: its users skip a table
        // the block does not hold and read past its end.
        {"24-bit with a colour count", kBoth, [&] { return patched(46, 1); }},
        {"32-bit with a colour count", kEditor, [&] { return BmpEntry(6, 4, 32, 1, 0); }},
        // Tables shorter than the header announces.
        {"1-bit without its table", kEditor, [&] { return BmpEntry(6, 4, 1, 0, 0); }},
        {"4-bit with 3 of its 16 colours", kEditor, [&] { return BmpEntry(6, 4, 4, 0, 3); }},
        {"4-bit announcing 20 colours", kEditor, [&] { return BmpEntry(6, 4, 4, 20, 20); }},
    };
    for (ThumbCacheVariant variant : {ThumbCacheVariant::Browser, ThumbCacheVariant::Editor}) {
        InitThumbCache(program.Path().c_str(), variant);
        const int bit = variant == ThumbCacheVariant::Browser ? kBrowser : kEditor;
        for (const Case& c : cases) {
            if (!(c.variants & bit)) continue;
            SCOPED_TRACE(testing::Message() << c.name << (bit == kBrowser ? " (browser)" : " (editor)"));
            std::string bytes = c.make();
            ASSERT_TRUE(testsupport::WriteFileBytes(entry, bytes.data(), bytes.size()));
            PackedDib back = LoadThumbCache(image.c_str(), kSet);
            EXPECT_EQ(nullptr, back);
            if (back) FreePackedDib(back);
            EXPECT_EQ(-1, testsupport::FileSize(entry)) << "the entry stays";
        }
    }
    // Good entries still load: the browser's own, and in the editor every
    // depth with its whole table (or the part its header names) as 32 bits.
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Browser);
    testsupport::WriteFileBytes(entry, good.data(), good.size());
    PackedDib back = LoadThumbCache(image.c_str(), kSet);
    EXPECT_NE(nullptr, back);
    if (back) FreePackedDib(back);
    InitThumbCache(program.Path().c_str(), ThumbCacheVariant::Editor);
    const std::string editorGood[] = {good, BmpEntry(6, 4, 1, 0, 2), BmpEntry(6, 4, 4, 3, 3), BmpEntry(6, 4, 8, 0, 256),
                                      BmpEntry(6, 4, 32, 0, 0)};
    for (const std::string& bytes : editorGood) {
        testsupport::WriteFileBytes(entry, bytes.data(), bytes.size());
        back = LoadThumbCache(image.c_str(), kSet);
        ASSERT_NE(nullptr, back) << "depth " << (int)(uint8_t)bytes[28];
        EXPECT_EQ(32, back->biBitCount);
        FreePackedDib(back);
    }
    FreePackedDib(wide);
    FreePackedDib(dib);
}
