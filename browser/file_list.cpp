#include "browser/file_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ui/sysutil.h"
#include "fileio/plugin_registry.h"

FileList g_FileList;
char g_CurrentFolder[256];
char g_PatternList[64] = "*";

namespace {

// One file found, with the key of the sort order read once.
struct Found {
    std::string path;
    unsigned long long key;
};

// Local last-write time to the second, as one ordered number.
unsigned long long TimeKey(const FILETIME& write) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&write, &local) || !FileTimeToSystemTime(&local, &t)) return 0;
    return ((((((unsigned long long)t.wYear * 13 + t.wMonth) * 32 + t.wDay) * 24 + t.wHour) * 60 + t.wMinute) * 60) +
           t.wSecond;
}

void SortRun(std::vector<Found>& run, int order) {
    auto byName = [](const Found& a, const Found& b) { return CompareNoCase(a.path.c_str(), b.path.c_str()) < 0; };
    auto byKey = [](const Found& a, const Found& b) { return a.key < b.key; };
    // Equal keys keep the order the system listed them in.
    switch (order) {
    case kSortNameReverse:
        std::stable_sort(run.begin(), run.end(), [&](const Found& a, const Found& b) { return byName(b, a); });
        break;
    case kSortDate:
    case kSortSize:
        std::stable_sort(run.begin(), run.end(), byKey);
        break;
    case kSortDateReverse:
    case kSortSizeReverse:
        std::stable_sort(run.begin(), run.end(), [&](const Found& a, const Found& b) { return byKey(b, a); });
        break;
    default:
        std::stable_sort(run.begin(), run.end(), byName);
        break;
    }
}

// The files "<folder>*.<ext>" whose extension really is ext, sorted, appended to out.
void ScanFolderByExtension(const char* folder, const char* ext, int order, int cap, std::vector<std::string>* out,
                           bool* capped) {
    char pattern[MAX_PATH];
    int n = std::snprintf(pattern, sizeof pattern, "%s*.%s", folder, ext);
    if (n <= 0 || n >= (int)sizeof pattern) return;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<Found> run;
    const size_t folderLength = std::strlen(folder);
    std::string previous;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (previous == fd.cFileName) break;   // a system that repeats itself
        previous = fd.cFileName;
        if (folderLength + std::strlen(fd.cFileName) >= (size_t)kFileListPathBytes) continue;
        if (!HasExtension(fd.cFileName, ext)) continue;   // "jpgx" for "*.jpg"
        if (out->size() + run.size() >= (size_t)cap) {
            *capped = true;
            break;
        }
        Found f;
        f.path = std::string(folder) + fd.cFileName;
        f.key = order == kSortDate || order == kSortDateReverse ? TimeKey(fd.ftLastWriteTime) : fd.nFileSizeLow;
        run.push_back(std::move(f));
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    SortRun(run, order);
    for (Found& f : run) out->push_back(std::move(f.path));
}

void ListPatternFiles(const char* folder, const char* list, int order, int cap, std::vector<std::string>* out,
                      bool* capped) {
    const char* p = list;
    while (*p && !*capped) {
        const char* end = std::strchr(p, ';');
        size_t n = end ? (size_t)(end - p) : std::strlen(p);
        if (n > 0 && n <= 100) {
            std::string ext(p, n);
            ScanFolderByExtension(folder, ext.c_str(), order, cap, out, capped);
        }
        if (!end) break;
        p = end + 1;
    }
}

}  // namespace

std::vector<ReaderFormat> ReaderFormats() {
    std::vector<ReaderFormat> lists;
    for (int i = 0; i < PluginSlots; ++i) {
        const char* dll = ReaderPluginPath(i);
        if (!dll) break;
        PluginModule m(dll);
        auto info = m.Get<ReadFileInfoFn>(DARNA_EXPORT_READ_FILE_INFO);
        if (!info) continue;
        ReaderInfo ri;
        std::memset(&ri, 0, sizeof ri);
        info(PluginStatusWindow(), &ri);
        ri.extensions[sizeof ri.extensions - 1] = 0;
        ri.description[sizeof ri.description - 1] = 0;
        lists.push_back(ReaderFormat{ri.extensions, ri.description});
    }
    return lists;
}

std::vector<std::string> ListFolderFiles(const char* folder, const char* patternList, int order, bool* capped,
                                         int cap) {
    std::vector<std::string> out;
    bool cut = false;
    if (folder && std::strlen(folder) >= 2 && patternList) {
        if (CompareNoCase(patternList, "*") != 0) {
            ListPatternFiles(folder, patternList, order, cap, &out, &cut);
        } else {
            for (const ReaderFormat& format : ReaderFormats()) {
                if (cut) break;
                ListPatternFiles(folder, format.extensions.c_str(), order, cap, &out, &cut);
            }
        }
    }
    if (capped) *capped = cut;
    return out;
}

int HasRefusedExtension(const char* path) {
    for (const char* ext : {"dra", "psd", "dnp", "ico", "orf"})
        if (HasExtension(path, ext)) return 1;
    return 0;
}

int FirstSelected() {
    for (int i = 0; i < g_FileList.count; ++i)
        if (g_FileList.flags[(size_t)i]) return i;
    return -1;
}
