#include "select/selhist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/sysutil.h"

namespace {

// The names of "*.hst" in the folder, at most kSelHistMaxFiles.
std::vector<std::string> ListHistoryNames(const char* programFolder) {
    std::vector<std::string> names;
    char pattern[MAX_PATH + 32];
    std::snprintf(pattern, sizeof pattern, "%sselhist\\*.hst", programFolder ? programFolder : "");
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while ((int)names.size() < kSelHistMaxFiles && FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

}  // namespace

void MakeSelHistFolder(const char* programFolder) {
    char folder[MAX_PATH + 16];
    std::snprintf(folder, sizeof folder, "%sselhist", programFolder);
    CreateSharedDirectory(folder);
}

int SelHistNumber(const char* name) {
    const char* mark = name ? std::strrchr(name, '_') : nullptr;
    if (!mark) return -1;
    int number = 0;
    for (int i = 1; i <= 4; ++i) {
        if (mark[i] < '0' || mark[i] > '9') return -1;
        number = number * 10 + (mark[i] - '0');
    }
    return number;
}

int ListSelHist(const char* programFolder) {
    std::vector<bool> taken(kSelHistMaxFiles, false);
    for (const std::string& name : ListHistoryNames(programFolder)) {
        const int n = SelHistNumber(name.c_str());
        if (n >= 0 && n < kSelHistMaxFiles) taken[(size_t)n] = true;
    }
    for (int n = 0; n < kSelHistMaxFiles; ++n)
        if (!taken[(size_t)n]) return n;
    return 0;
}

int PruneSelHist(const char* programFolder, int keep) {
    std::vector<std::string> names = ListHistoryNames(programFolder);
    if (keep < 0) keep = 0;
    if ((int)names.size() <= keep) return 0;
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) < 0; });
    const int drop = (int)names.size() - keep;
    int deleted = 0;
    for (int i = 0; i < drop; ++i) {
        char path[MAX_PATH + 32];
        std::snprintf(path, sizeof path, "%sselhist\\%s", programFolder, names[(size_t)i].c_str());
        deleted += DeleteFileA(path) ? 1 : 0;
    }
    return deleted;
}
