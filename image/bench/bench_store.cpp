// Throughput of the image store's rows against memcpy and a plain file.
// Prints "name: value unit" and "ratio name: value" lines (ratio > 1: the store
// is faster than the baseline). With the argument "paged" only the paged
// figures are measured (for profiling the swap path).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/swap_file.h"
#include "image/vms_store.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)frequency.QuadPart;
}

std::string TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string dir = std::string(base) + "darna_bench_store\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void Figure(const char* name, double value, const char* unit) {
    printf("%s: %.1f %s\n", name, value, unit);
    fflush(stdout);
}

void Ratio(const char* name, double value) {
    printf("ratio %s: %.2f\n", name, value);
    fflush(stdout);
}

uint32_t Value(int x, int y) { return (uint32_t)x * 2654435761u ^ (uint32_t)y * 40503u; }

void MakeRow(std::vector<uint32_t>& row, int y) {
    for (size_t x = 0; x < row.size(); ++x) row[x] = Value((int)x, y);
}

// Seconds to write every row of the image from one prepared row buffer.
double WriteAll(c_VmsStore& store, VmsImage* image, const std::vector<uint32_t>& row) {
    double t0 = Now();
    for (int y = 0; y < image->height; ++y) store.PutRow(image, y, 0, image->width - 1, row.data());
    return Now() - t0;
}

double ReadAll(c_VmsStore& store, VmsImage* image, std::vector<uint32_t>& row) {
    double t0 = Now();
    for (int y = 0; y < image->height; ++y) store.GetRow(image, y, 0, image->width - 1, row.data());
    return Now() - t0;
}

// Copies the same bytes by memcpy, row by row, into and out of one block.
// firstSeconds: the first pass, into memory never touched before.
void MemcpyBaseline(size_t rowBytes, int rows, double* firstSeconds, double* writeSeconds,
                    double* readSeconds) {
    size_t total = rowBytes * rows;
    uint8_t* block = (uint8_t*)VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    std::vector<uint8_t> row(rowBytes, 0x5A);
    double t0 = Now();
    for (int y = 0; y < rows; ++y) memcpy(block + rowBytes * y, row.data(), rowBytes);
    *firstSeconds = Now() - t0;
    t0 = Now();
    for (int y = 0; y < rows; ++y) memcpy(block + rowBytes * y, row.data(), rowBytes);
    *writeSeconds = Now() - t0;
    t0 = Now();
    for (int y = 0; y < rows; ++y) memcpy(row.data(), block + rowBytes * y, rowBytes);
    *readSeconds = Now() - t0;
    volatile uint8_t sink = row[rowBytes / 2];
    (void)sink;
    VirtualFree(block, 0, MEM_RELEASE);
}

// A plain sequential file write then read of the same size, 1 MB a call.
void FileBaseline(const std::string& folder, uint64_t total, double* writeSeconds, double* readSeconds) {
    std::string name = folder + "plain.bin";
    std::vector<uint8_t> chunk(1 << 20, 0x3C);
    HANDLE f = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    double t0 = Now();
    DWORD moved;
    for (uint64_t done = 0; done < total; done += chunk.size()) {
        DWORD n = (DWORD)(total - done < chunk.size() ? total - done : chunk.size());
        WriteFile(f, chunk.data(), n, &moved, nullptr);
    }
    *writeSeconds = Now() - t0;
    SetFilePointer(f, 0, nullptr, FILE_BEGIN);
    t0 = Now();
    for (uint64_t done = 0; done < total; done += chunk.size()) {
        DWORD n = (DWORD)(total - done < chunk.size() ? total - done : chunk.size());
        ReadFile(f, chunk.data(), n, &moved, nullptr);
    }
    *readSeconds = Now() - t0;
    CloseHandle(f);
    DeleteFileA(name.c_str());
}

bool Verify(c_VmsStore& store, VmsImage* image) {
    std::vector<uint32_t> row(image->width);
    for (int y = 0; y < image->height; ++y) {
        store.GetRow(image, y, 0, image->width - 1, row.data());
        for (int x = 0; x < image->width; x += 97)
            if (row[x] != Value(x, y)) return false;
        if (row[image->width - 1] != Value(image->width - 1, y)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // "paged": only the paged figures (for profiling).
    const bool pagedOnly = argc > 1 && strcmp(argv[1], "paged") == 0;
    const int side = 8000;
    const double mb = (double)side * side * 4 / 1048576.0;
    std::string folder = TempFolder();
    std::vector<uint32_t> row(side);
    MakeRow(row, 7);

    // 1. In memory: a pool with room for every tile (1,024 tiles).
    double storeWrite = 0, storeRead = 0, firstWrite = 0;
    if (!pagedOnly) {
        VmsStoreOptions options;
        options.poolPages = 1100;
        options.swapFolder = folder.c_str();
        c_VmsStore store(options);
        VmsImage* image = store.Create(side, side, 32, 0, 0);
        if (!image) {
            printf("error: cannot create the %dx%d image\n", side, side);
            return 1;
        }
        firstWrite = WriteAll(store, image, row);
        storeWrite = 1e9;
        storeRead = 1e9;
        for (int pass = 0; pass < 3; ++pass) {
            double w = WriteAll(store, image, row);
            double r = ReadAll(store, image, row);
            if (w < storeWrite) storeWrite = w;
            if (r < storeRead) storeRead = r;
        }
        store.Free(&image);
    }
    double memWrite = 1e9, memRead = 1e9, memFirst = 1e9;
    for (int pass = 0; pass < 3 && !pagedOnly; ++pass) {
        double f, w, r;
        MemcpyBaseline((size_t)side * 4, side, &f, &w, &r);
        if (f < memFirst) memFirst = f;
        if (w < memWrite) memWrite = w;
        if (r < memRead) memRead = r;
    }
    if (!pagedOnly) {
        Figure("store first write 8000x8000x32", mb / firstWrite, "MB/s");
        Figure("memcpy first write into fresh memory", mb / memFirst, "MB/s");
        Ratio("first write vs memcpy into fresh memory", memFirst / firstWrite);
        Figure("store row write 8000x8000x32", mb / storeWrite, "MB/s");
        Figure("store row read 8000x8000x32", mb / storeRead, "MB/s");
        Figure("memcpy row write 8000x8000x32", mb / memWrite, "MB/s");
        Figure("memcpy row read 8000x8000x32", mb / memRead, "MB/s");
        Ratio("row write vs memcpy", memWrite / storeWrite);
        Ratio("row read vs memcpy", memRead / storeRead);
    }

    // 2. Paged: the pool capped at 64 pages, the tiles going through the swap
    // file. The first pass also pays for growing the file and for the first
    // touch of the pool's pages; the passes after it are the steady state.
    double pagedFirst, pagedWrite, pagedRead;
    bool pagedOk;
    {
        VmsStoreOptions options;
        options.poolPages = 64;
        options.swapFolder = folder.c_str();
        c_VmsStore store(options);
        VmsImage* image = store.Create(side, side, 32, 0, 0);
        std::vector<uint32_t> r(side);
        double makeRows = 0;
        {
            double m0 = Now();
            for (int y = 0; y < side; ++y) MakeRow(r, y);
            makeRows = Now() - m0;
        }
        auto fill = [&]() {
            double t0 = Now();
            for (int y = 0; y < side; ++y) {
                MakeRow(r, y);
                store.PutRow(image, y, 0, side - 1, r.data());
            }
            return Now() - t0 - makeRows;
        };
        pagedFirst = fill();
        pagedWrite = 1e9;
        pagedRead = 1e9;
        for (int pass = 0; pass < 2; ++pass) {
            double w = fill();
            double rd = ReadAll(store, image, r);
            if (w < pagedWrite) pagedWrite = w;
            if (rd < pagedRead) pagedRead = rd;
        }
        pagedOk = Verify(store, image);
        store.Free(&image);
    }
    double fileWrite, fileRead;
    FileBaseline(folder, (uint64_t)side * side * 4, &fileWrite, &fileRead);
    Figure("store paged first write 8000x8000x32 (64 pages)", mb / pagedFirst, "MB/s");
    Figure("store paged row write 8000x8000x32 (64 pages)", mb / pagedWrite, "MB/s");
    Figure("store paged row read 8000x8000x32 (64 pages)", mb / pagedRead, "MB/s");
    Figure("plain file write", mb / fileWrite, "MB/s");
    Figure("plain file read", mb / fileRead, "MB/s");
    Ratio("paged row write vs plain file", fileWrite / pagedWrite);
    Ratio("paged row read vs plain file", fileRead / pagedRead);
    if (!pagedOk) printf("error: paged image read back wrong\n");

    // 3. The largest canvas: 30,000 x 30,000 at 32 bits through a 256-page pool.
    if (!pagedOnly) {
        const int big = 30000;
        VmsStoreOptions options;
        options.poolPages = 256;
        options.swapFolder = folder.c_str();
        c_VmsStore store(options);
        double t0 = Now();
        VmsImage* image = store.Create(big, big, 32, 0, 0);
        if (!image) {
            printf("error: cannot create the %dx%d image\n", big, big);
            return 1;
        }
        std::vector<uint32_t> r(big);
        for (int y = 0; y < big; ++y) {
            MakeRow(r, y);
            store.PutRow(image, y, 0, big - 1, r.data());
        }
        double filled = Now() - t0;
        t0 = Now();
        bool ok = Verify(store, image);
        double checked = Now() - t0;
        int64_t swapBytes = store.Swap()->FileSize();
        store.Free(&image);
        Figure("30000x30000x32 create and fill (256 pages)", filled, "s");
        Figure("30000x30000x32 read back and check", checked, "s");
        Figure("30000x30000x32 swap file", (double)swapBytes / 1048576.0, "MB");
        printf("30000x30000x32 check: %s\n", ok ? "ok" : "WRONG");
        if (!ok) return 1;
    }
    RemoveDirectoryA(folder.c_str());
    return pagedOk ? 0 : 1;
}
