// The swap file's extents and disk state, and the page pool's choice of pages.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "store_fixture.h"

using namespace storetest;

TEST(SwapFile, ExtentsGrowthReuseAndDiskState) {
    testsupport::TempDir dir;
    std::string name;
    {
        c_SwapFile swap(dir.Path().c_str(), FakeFreeSpace, 512);
        ASSERT_TRUE(swap.Open(2621440));
        name = swap.FileName();
        EXPECT_NE(name.find("mmf"), std::string::npos);
        EXPECT_EQ(name.rfind(dir.Path(), 0), 0u);
        EXPECT_EQ(testsupport::FileSize(name), 2621440);
        int64_t offset = -1;
        EXPECT_EQ(swap.Alloc(250000, &offset), 1);
        EXPECT_EQ(offset, 0);
        EXPECT_EQ(swap.Alloc(250000, &offset), 2);
        EXPECT_EQ(offset, 250368);
        EXPECT_EQ(swap.FileSize(), 2621440);
        for (int id = 3; id <= 10; ++id) EXPECT_EQ(swap.Alloc(250000, nullptr), id);
        EXPECT_EQ(swap.FileSize(), 2621440);
        EXPECT_EQ(swap.Alloc(250000, &offset), 11);   // 2,503,680 + 250,368 passes the end
        EXPECT_EQ(offset, 2503680);
        EXPECT_EQ(swap.FileSize(), 5242880);
        // Free then Alloc reuses the extent, first fit in the order freed.
        swap.Free(3);
        swap.Free(3);
        EXPECT_EQ(swap.FreeCount(), 1);
        EXPECT_EQ(swap.Alloc(250000, &offset), 3);
        EXPECT_EQ(offset, 2 * 250368);
        EXPECT_EQ(swap.FileSize(), 5242880);
        // Data round trip through an extent at a 64-bit-safe offset.
        std::vector<uint8_t> out(250000), in(250000);
        for (size_t i = 0; i < out.size(); ++i) out[i] = (uint8_t)(i * 7 + 1);
        EXPECT_EQ(swap.Write(11, out.data()), 250000u);
        EXPECT_EQ(swap.Read(11, in.data()), 250000u);
        EXPECT_EQ(in, out);
        EXPECT_EQ(swap.Read(99, in.data()), 0u);
        // Disk state: free disk plus freed extents, in quarter megabytes.
        for (int id = 1; id <= 8; ++id) swap.Free(id);   // about 2 MB reusable
        g_freeSpace = 20 * 1048576;
        EXPECT_EQ(swap.GetDiskState(), 1);
        g_freeSpace = 30 * 1048576;
        EXPECT_EQ(swap.GetDiskState(), 0);
        for (int id = 1; id <= 8; ++id) EXPECT_EQ(swap.Alloc(250000, nullptr), id);
        g_freeSpace = 2 * 1048576;
        EXPECT_EQ(swap.GetDiskState(), 2);
        g_freeSpace = (int64_t)1 << 40;
        // Every extent free: the file goes back to its first size.
        for (int id = 1; id <= 11; ++id) swap.Free(id);
        EXPECT_EQ(swap.ExtentCount(), 0);
        EXPECT_EQ(swap.FileSize(), 2621440);
        EXPECT_EQ(swap.Alloc(250000, &offset), 1);
        EXPECT_EQ(offset, 0);
    }
    EXPECT_EQ(testsupport::FileSize(name), -1);   // deleted with the object
}

TEST(SwapFile, SecondFileInTheSameFolderGetsItsOwnName) {
    testsupport::TempDir dir;
    c_SwapFile first(dir.Path().c_str(), FakeFreeSpace, 512);
    c_SwapFile second(dir.Path().c_str(), FakeFreeSpace, 512);
    ASSERT_TRUE(first.Open(65536));
    ASSERT_TRUE(second.Open(65536));   // the fixed name is held by the first
    EXPECT_STRNE(first.FileName(), second.FileName());
    EXPECT_EQ(strlen(first.RootPath()), 3u);
}

namespace {

struct PoolFixture {
    PoolFixture(int pages) : swap(dir.Path().c_str(), FakeFreeSpace, 512) {
        g_now = 1000;
        swap.Open(65536);
        pool.Init(0x40000, pages, FakeClock);
    }
    c_Tile* NewTile(const void* owner) {
        tiles.emplace_back(std::make_unique<c_Tile>(owner));
        tiles.back()->Init(0, 0, 250, 250, 0, &pool, &swap, owner, 4);
        return tiles.back().get();
    }
    // Gives the tile a page at the clock time given.
    int Take(c_Tile* t, DWORD time) {
        g_now = time;
        uint8_t* page = pool.Acquire(t);
        if (!page) return -1;
        return t->Slot();
    }
    testsupport::TempDir dir;
    c_SwapFile swap;
    c_PagePool pool;
    std::vector<std::unique_ptr<c_Tile>> tiles;
};

}  // namespace

TEST(PagePool, FreeSlotsInOrderThenOldestOfTheSameImage) {
    PoolFixture f(4);
    int a = 1, b = 2;
    c_Tile* t1 = f.NewTile(&a);
    c_Tile* t2 = f.NewTile(&a);
    c_Tile* t3 = f.NewTile(&a);
    EXPECT_EQ(f.Take(t1, 300), 1);
    EXPECT_EQ(f.Take(t2, 100), 2);
    EXPECT_EQ(f.Take(t3, 200), 3);
    // Full: a tile of image a takes a's oldest page.
    c_Tile* t4 = f.NewTile(&a);
    EXPECT_EQ(f.Take(t4, 400), 2);
    EXPECT_FALSE(t2->IsResident());
    EXPECT_TRUE(t4->IsResident());
    // A tile of image b takes the oldest page of another image.
    c_Tile* u1 = f.NewTile(&b);
    EXPECT_EQ(f.Take(u1, 500), 3);
    EXPECT_FALSE(t3->IsResident());
    // b's only page is the one chosen last: the next slot is taken, wrapping to 1.
    c_Tile* u2 = f.NewTile(&b);
    EXPECT_EQ(f.Take(u2, 600), 1);
    EXPECT_FALSE(t1->IsResident());
    EXPECT_TRUE(u1->IsResident());
    // Releasing a tile without a page changes nothing.
    f.pool.Release(t1);
    EXPECT_EQ(f.pool.HeldCount(), 3);
    f.pool.Release(u2);
    EXPECT_EQ(f.pool.HeldCount(), 2);
    for (auto& t : f.tiles) t->ForgetPage();
}

TEST(PagePool, EqualTimesLowestIndexAndPagesOfBusyImagesAreNeverTaken) {
    PoolFixture f(5);
    int a = 1;
    c_Tile* t[4];
    for (int i = 0; i < 4; ++i) {
        t[i] = f.NewTile(&a);
        EXPECT_EQ(f.Take(t[i], 50), i + 1);
    }
    // Equal times: the lowest index (slot 1), unless another thread is working
    // on that tile's image (holds its lock).
    CRITICAL_SECTION imageLock;
    InitializeCriticalSection(&imageLock);
    t[0]->SetLock(&imageLock);
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        EnterCriticalSection(&imageLock);
        SetEvent(held);
        WaitForSingleObject(done, INFINITE);
        LeaveCriticalSection(&imageLock);
    });
    WaitForSingleObject(held, INFINITE);
    c_Tile* n1 = f.NewTile(&a);
    EXPECT_EQ(f.Take(n1, 60), 2);
    EXPECT_TRUE(t[0]->IsResident());
    SetEvent(done);
    other.join();
    // The thread that holds the lock itself may take its own image's pages.
    EnterCriticalSection(&imageLock);
    c_Tile* n2 = f.NewTile(&a);
    EXPECT_EQ(f.Take(n2, 70), 1);
    LeaveCriticalSection(&imageLock);
    EXPECT_FALSE(t[0]->IsResident());
    CloseHandle(held);
    CloseHandle(done);
    DeleteCriticalSection(&imageLock);
    // The spare page is lent to one user at a time and never given to a tile.
    uint8_t* spare = f.pool.BorrowSpare(n2);
    EXPECT_EQ(spare, f.pool.Slots()[0].page);
    f.pool.ReturnSpare();
    for (auto& tile : f.tiles) tile->ForgetPage();
    EXPECT_EQ(f.pool.HeldCount(), 0);
}

TEST(PagePool, DefaultSizeIsHalfThePhysicalMemory) {
    MEMORYSTATUSEX m = {};
    m.dwLength = sizeof(m);
    ASSERT_TRUE(GlobalMemoryStatusEx(&m));
    int64_t expect = 2 * (int64_t)(m.ullTotalPhys / 1048576);
    int pages = c_PagePool::DefaultPageCount();
    if (sizeof(void*) == 8 && expect < 0x3FFFFFFF) {
        EXPECT_EQ(pages, expect < 16 ? 16 : expect);
    }
    // Reserving the address space commits nothing until pages are used.
    c_PagePool pool;
    ASSERT_EQ(pool.Init(0x40000, pages), 1);
    EXPECT_EQ(pool.PageCount(), pages);
}
