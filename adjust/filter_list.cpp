#include "adjust/filter_list.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "adjust/filter_api.h"
#include "canvas/canv_host.h"
#include "fileio/host_util.h"

namespace {

constexpr size_t kPathBlockBytes = 79360;   // the path slots and room after them
constexpr size_t kFolderBlockBytes = kFilterFolderSlots * kFilterPathSize;

struct FilterList {
    std::vector<char> paths;     // path block: slot i at i * kFilterPathSize
    std::vector<char> folders;   // folder block
    int folderNumber[kFilterPathSlots] = {};
    int folderFirst[kFilterFolderSlots] = {};
    int count = 0, folderCount = 0;
    bool scanned = false;
    char* Path(int i) { return paths.data() + (size_t)i * kFilterPathSize; }
    char* Folder(int i) { return folders.data() + (size_t)i * kFilterPathSize; }
    bool Ready() const { return !paths.empty() && !folders.empty(); }
} g_List;

std::string FilterFolder() {
    const char* program = CanvProgramFolder();
    return std::string(program ? program : "") + "filter\\";
}

// The title a filter DLL reports, "" when it gives none.
std::string FilterTitle(const char* path) {
    std::string title;
    HMODULE module = LoadLibraryA(path);
    if (!module) return title;
    if (auto getTitle = (FilterGetTitleFn)(void*)GetProcAddress(module, "FilterGetTitle")) {
        char text[256] = {};
        int32_t ignored = 0, kind = 0;
        if (getTitle(CanvFrameWindow(), text, &ignored, &kind)) {
            text[sizeof text - 1] = 0;
            title = text;
        }
    }
    FreeLibrary(module);
    return title;
}

}  // namespace

int InitFilterList() {
    g_List = FilterList{};
    g_List.paths.assign(kPathBlockBytes, 0);
    g_List.folders.assign(kFolderBlockBytes, 0);
    return 1;
}

void ReleaseFilterList() { g_List = FilterList{}; }

bool IsFilterDll(const char* path) {
    HMODULE module = LoadLibraryA(path);
    if (!module) return false;
    const bool filter = GetProcAddress(module, "FilterGetTitle") != nullptr;
    FreeLibrary(module);
    return filter;
}

int ScanFilterFolders() {
    if (!g_List.Ready()) return 0;
    if (g_List.scanned) return g_List.folderCount;
    fileio::WaitCursor wait;
    g_List.folderCount = 0;
    const std::string spec = FilterFolder() + "*.*";
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(spec.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int looked = 0;
    do {
        if (++looked > kFilterScanEntries) break;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fd.cFileName[0] == '.') continue;
        if (std::strlen(fd.cFileName) >= (size_t)kFilterPathSize) continue;
        std::strcpy(g_List.Folder(g_List.folderCount++), fd.cFileName);
    } while (g_List.folderCount < kFilterFolderSlots && FindNextFileA(find, &fd));
    FindClose(find);
    return g_List.folderCount;
}

int ScanFilterDlls(int index, const char* folder, int folderNumber) {
    if (!g_List.Ready() || !folder || index < 0) return index;
    const std::string spec = std::string(folder) + "*.dll";
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(spec.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return index;
    do {
        if (index >= kFilterPathSlots) break;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char path[kFilterPathSize];
        if (std::snprintf(path, sizeof path, "%s%s", folder, fd.cFileName) >= (int)sizeof path) continue;
        if (!IsFilterDll(path)) continue;
        std::strcpy(g_List.Path(index), path);
        g_List.folderNumber[index++] = folderNumber;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return index;
}

int BuildFilterMenus() {
    if (!g_List.Ready()) return 0;
    if (g_List.scanned) return g_List.count;
    const int folders = ScanFilterFolders();
    int index = 0;
    for (int f = 0; f < folders; ++f) {
        g_List.folderFirst[f] = index;
        const std::string folder = FilterFolder() + g_List.Folder(f) + "\\";
        index = ScanFilterDlls(index, folder.c_str(), f);
    }
    g_List.count = index;
    g_List.scanned = true;
    return index;
}

void SortFilterList() {
    const int n = g_List.count;
    std::vector<std::string> titles;
    for (int i = 0; i < n; ++i) titles.push_back(FilterTitle(g_List.Path(i)));
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            if (lstrcmpiA(titles[(size_t)j].c_str(), titles[(size_t)i].c_str()) >= 0) continue;
            std::swap(titles[(size_t)i], titles[(size_t)j]);
            char held[kFilterPathSize];
            std::memcpy(held, g_List.Path(i), sizeof held);
            std::memcpy(g_List.Path(i), g_List.Path(j), sizeof held);
            std::memcpy(g_List.Path(j), held, sizeof held);
            std::swap(g_List.folderNumber[i], g_List.folderNumber[j]);
        }
}

int OpenFilterHelp(const char* filterPath) {
    if (!filterPath) return 0;
    std::string help = filterPath;
    const size_t slash = help.find_last_of('\\');
    const size_t dot = help.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) help.erase(dot);
    help += ".hlp";
    const DWORD attributes = GetFileAttributesA(help.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int FilterCount() { return g_List.count; }
const char* FilterPath(int index) { return index >= 0 && index < g_List.count ? g_List.Path(index) : nullptr; }
int FilterFolderNumber(int index) { return index >= 0 && index < g_List.count ? g_List.folderNumber[index] : -1; }
int FilterFolderCount() { return g_List.folderCount; }
const char* FilterFolderName(int folder) {
    return folder >= 0 && folder < g_List.folderCount ? g_List.Folder(folder) : nullptr;
}
int FilterFolderFirst(int folder) {
    return folder >= 0 && folder < g_List.folderCount ? g_List.folderFirst[folder] : -1;
}
