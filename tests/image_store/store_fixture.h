// A private image store for one test: its own swap file in a fresh folder, a
// pool of the given size, an injectable free disk space and clock.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "image/page_pool.h"
#include "image/swap_file.h"
#include "image/tile_image.h"
#include "image/vms_store.h"
#include "test_support.h"

namespace storetest {

// Free bytes the injected disk reports; tests change it.
extern int64_t g_freeSpace;
int64_t FakeFreeSpace();
// The injected clock: returns g_now.
extern DWORD g_now;
DWORD FakeClock();

struct TestStore {
    explicit TestStore(int poolPages, const char* tag = "store");
    testsupport::TempDir dir;
    std::unique_ptr<c_VmsStore> store;
};

// Deterministic pixel pattern and a small random generator.
uint32_t Pattern(uint32_t seed, int x, int y);
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 2654435761u + 1) {}
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (uint32_t)(s >> 16);
    }
    int Range(int lo, int hi) { return lo + (int)(Next() % (uint32_t)(hi - lo + 1)); }
};

// Whole image as bytes (words at 32 bits, bytes at 8 bits), rows top-down.
std::vector<uint8_t> ReadAll(c_VmsStore& store, const VmsImage* image);

}  // namespace storetest
