// Clipboard DIBs: every readable form gives the right pixels through the
// 24-bit work file; broken blocks are refused without reading past the block.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "canvas/clip_dib.h"
#include "dib_cases.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "image/vms_store.h"
#include "test_support.h"

namespace {

// A copy of a block that ends exactly where an inaccessible page begins, so
// that a read past the block faults at once.
class GuardedBlock {
public:
    explicit GuardedBlock(const std::vector<uint8_t>& bytes) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const size_t page = si.dwPageSize;
        const size_t pages = (bytes.size() + page - 1) / page + 1;
        base_ = (uint8_t*)VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * page - bytes.size();
        if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
private:
    uint8_t* base_;
    uint8_t* data_;
    size_t size_;
};

// Reads every row of a checked block (what the readers do with it).
void TouchRows(const uint8_t* block, const BmpLayout& l) {
    BmpRowSource rows;
    ASSERT_TRUE(rows.Open(l, block));
    std::vector<uint32_t> words((size_t)l.width);
    for (int y = 0; y < l.height; ++y) DecodeBmpRow32(l, rows.Row(y), words.data());
}

TEST(ClipDib, EveryFormAnotherProgramPutsReadsWithItsPixels) {
    testsupport::TempDir dir("clipdib");
    for (int i = 0; i < ReadableDibCaseCount(); ++i) {
        DibCase c = ReadableDibCase(i);
        SCOPED_TRACE(c.name);
        GuardedBlock block(c.block);
        BmpLayout l;
        ASSERT_EQ(ClipDibOk, CheckClipDib(block.data(), block.size(), &l));
        EXPECT_EQ(300, ClipDibDpi(l.xPelsPerMeter));
        const std::string path = dir.File("clip.tmp");
        ASSERT_EQ(1, WriteClipBmp(block.data(), l, path.c_str()));
        VmsImage* image = c_Dib::LoadBmp(path.c_str());
        ASSERT_NE(nullptr, image);
        ASSERT_EQ(c.width, image->width);
        ASSERT_EQ(c.height, image->height);
        std::vector<uint32_t> row((size_t)c.width);
        int wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            g_VmsStore.GetRow(image, y, 0, c.width - 1, row.data());
            for (int x = 0; x < c.width; ++x)
                if ((row[x] & 0xFFFFFF) != c.expected[(size_t)y * c.width + x] && wrong++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << row[x] << " wanted "
                                  << c.expected[(size_t)y * c.width + x];
        }
        EXPECT_EQ(0, wrong);
        g_VmsStore.Free(&image);
    }
}

TEST(ClipDib, BrokenBlocksAreRefused) {
    for (int i = 0; i < BrokenDibCaseCount(); ++i) {
        DibCase c = BrokenDibCase(i);
        SCOPED_TRACE(c.name);
        GuardedBlock block(c.block);
        BmpLayout l;
        EXPECT_NE(ClipDibOk, CheckClipDib(block.data(), block.size(), &l));
    }
    EXPECT_EQ(ClipDibNoBlock, CheckClipDib(nullptr, 0, nullptr));
    uint8_t three[3] = {40, 0, 0};
    GuardedBlock tiny(std::vector<uint8_t>(three, three + 3));
    EXPECT_EQ(ClipDibNoBlock, CheckClipDib(tiny.data(), tiny.size(), nullptr));
}

// Every header byte of every readable form set to values that make fields
// zero, negative or huge: each block is either refused or read whole without
// a read past its end.
TEST(ClipDib, MutatedHeadersNeverReadPastTheBlock) {
    const uint8_t values[] = {0x00, 0x01, 0x28, 0x7F, 0x80, 0xFF};
    int refused = 0, read = 0;
    for (int i = 0; i < ReadableDibCaseCount(); ++i) {
        const DibCase c = ReadableDibCase(i);
        uint32_t headerSize;
        std::memcpy(&headerSize, c.block.data(), 4);
        for (uint32_t at = 0; at < headerSize + 12 && at < c.block.size(); ++at)
            for (uint8_t v : values) {
                std::vector<uint8_t> bytes = c.block;
                bytes[at] = v;
                GuardedBlock block(bytes);
                BmpLayout l;
                if (CheckClipDib(block.data(), block.size(), &l) != ClipDibOk) {
                    ++refused;
                    continue;
                }
                ++read;
                ASSERT_GE(l.width, 1);
                ASSERT_GE(l.height, 1);
                TouchRows(block.data(), l);
            }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

TEST(ClipDib, ResolutionBelowOneDpiCountsAs96AndLargeFieldsDoNotOverflow) {
    struct { int32_t ppm; int dpi; } cases[] = {
        {11811, 300}, {3780, 96}, {2835, 72}, {0, 96}, {-5000, 96}, {19, 96},
        {20, 1}, {0x7FFFFFFF, 54546085},
    };
    for (auto& c : cases) EXPECT_EQ(c.dpi, ClipDibDpi(c.ppm)) << c.ppm;
    // The image library's conversions do not overflow either.
    EXPECT_EQ(54546085, ConvertPpmToDpi(0x7FFFFFFF));
    EXPECT_EQ(INT32_MAX, ConvertDpiToPpm(0x7FFFFFFF));
    EXPECT_EQ(11811, ConvertDpiToPpm(300));
}

}  // namespace
