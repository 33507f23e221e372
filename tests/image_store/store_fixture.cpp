#include "store_fixture.h"

namespace storetest {

int64_t g_freeSpace = (int64_t)1 << 40;
int64_t FakeFreeSpace() { return g_freeSpace; }
DWORD g_now = 1000;
DWORD FakeClock() { return g_now; }

TestStore::TestStore(int poolPages, const char* tag) : dir(tag) {
    g_freeSpace = (int64_t)1 << 40;
    VmsStoreOptions options;
    options.poolPages = poolPages;
    options.swapFolder = dir.Path().c_str();
    options.freeSpace = FakeFreeSpace;
    options.sectorSize = 512;
    store = std::make_unique<c_VmsStore>(options);
}

uint32_t Pattern(uint32_t seed, int x, int y) {
    uint32_t v = seed * 0x9E3779B1u ^ (uint32_t)x * 0x85EBCA77u ^ (uint32_t)y * 0xC2B2AE3Du;
    v ^= v >> 15;
    v *= 0x2C1B3C6Du;
    v ^= v >> 12;
    return v;
}

std::vector<uint8_t> ReadAll(c_VmsStore& store, const VmsImage* image) {
    size_t rowBytes = (size_t)image->width * image->bytesPerPixel;
    std::vector<uint8_t> all(rowBytes * image->height);
    for (int y = 0; y < image->height; ++y)
        store.GetRow(image, y, 0, image->width - 1, all.data() + rowBytes * y);
    return all;
}

}  // namespace storetest
