#include "browser/browser_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "ui/sysutil.h"
#include <new>

BrowserSettings g_BrowserSettings;
FolderHistory g_FolderHistory;

namespace {

bool FilePath(const char* folder, const char* name, char* out) {
    int n = std::snprintf(out, MAX_PATH, "%s%s", folder ? folder : "", name);
    return n > 0 && n < MAX_PATH;
}

// Up to size bytes of the file over data; -1 when it cannot be opened.
long ReadUpTo(const char* path, void* data, DWORD size) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return -1;
    DWORD got = 0, total = 0;
    while (total < size && ReadFile(f, (char*)data + total, size - total, &got, nullptr) && got) total += got;
    CloseHandle(f);
    return (long)total;
}

}  // namespace

void ResetBrowserSettings() {
    std::memset(&g_BrowserSettings, 0, sizeof g_BrowserSettings);
    g_BrowserSettings.treeWidth = 192;
    g_BrowserSettings.fileTypeIndex = 2;
    g_BrowserSettings.cellWidth = 128;
    g_BrowserSettings.cellHeight = 128;
}

int LoadBrowserSettings(const char* folder) {
    char path[MAX_PATH];
    if (!FilePath(folder, "eenv.env", path)) return 0;
    BrowserSettings read = g_BrowserSettings;
    if (ReadUpTo(path, &read, sizeof read) < 0) return 0;
    g_BrowserSettings = read;
    BrowserSettings& s = g_BrowserSettings;
    if (s.cellWidth <= 0) s.cellWidth = s.cellHeight = 128;
    // Cells of an unusable size (garbage) fall back to the default as well.
    if (s.cellWidth > 512 || s.cellHeight <= 0 || s.cellHeight > 512) s.cellWidth = s.cellHeight = 128;
    if (s.sizeMode < 0 || s.sizeMode > 3) s.sizeMode = 0;
    if (s.sortOrder < 0 || s.sortOrder > 5) s.sortOrder = 0;
    if (s.treeWidth < 32) s.treeWidth = 192;
    if (s.fileTypeIndex < 0) s.fileTypeIndex = 0;
    s.outputFolder[sizeof s.outputFolder - 1] = 0;
    s.startInHistory = 1;
    s.screenRowFlag = 1;
    s.resetFlag = 0;
    return 1;
}

int SaveBrowserSettings(const char* folder) {
    char path[MAX_PATH];
    if (!FilePath(folder, "eenv.env", path)) return 0;
    return WriteFileReplacing(path, &g_BrowserSettings, sizeof g_BrowserSettings);
}

void ClearFolderHistory() { std::memset(&g_FolderHistory, 0, sizeof g_FolderHistory); }

int CountFolderHistory() {
    int n = 0;
    while (n < kHistorySlots && g_FolderHistory.slot[n][0]) ++n;
    return n;
}

int LoadFolderHistory(const char* folder) {
    char path[MAX_PATH];
    if (!FilePath(folder, "phist.dat", path)) return 0;
    FolderHistory* read = new (std::nothrow) FolderHistory();
    if (!read) return 0;
    long got = ReadUpTo(path, read, sizeof *read);
    if (got >= 0) {
        std::memcpy(&g_FolderHistory, read, sizeof *read);
        for (auto& s : g_FolderHistory.slot) s[kHistorySlotBytes - 1] = 0;
        for (int i = kHistoryEntries; i < kHistorySlots; ++i) g_FolderHistory.slot[i][0] = 0;
    }
    delete read;
    return got >= 0 ? 1 : 0;
}

int SaveFolderHistory(const char* folder) {
    char path[MAX_PATH];
    if (!FilePath(folder, "phist.dat", path)) return 0;
    return WriteFileReplacing(path, &g_FolderHistory, sizeof g_FolderHistory);
}

void InsertFolderHistory(const char* folder) {
    if (!folder || !*folder) return;
    char copy[kHistorySlotBytes];
    std::snprintf(copy, sizeof copy, "%s", folder);
    int count = CountFolderHistory();
    if (count > kHistoryEntries - 1) count = kHistoryEntries - 1;
    int found = -1;
    for (int k = 0; k <= count && k < kHistorySlots; ++k) {
        if (g_FolderHistory.slot[k][0] && CompareNoCase(g_FolderHistory.slot[k], copy) == 0) {
            found = k;
            break;
        }
    }
    // Slots 0 .. moved - 1 go down by one.
    const int moved = found >= 0 ? found : count;
    for (int j = moved - 1; j >= 0; --j) std::memcpy(g_FolderHistory.slot[j + 1], g_FolderHistory.slot[j], kHistorySlotBytes);
    std::memcpy(g_FolderHistory.slot[0], copy, kHistorySlotBytes);
    for (int i = kHistoryEntries; i < kHistorySlots; ++i) g_FolderHistory.slot[i][0] = 0;
}

void FolderHistoryDisplay(const char* entry, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    out[0] = 0;
    if (!entry || !*entry) return;
    char bare[kHistorySlotBytes];
    std::snprintf(bare, sizeof bare, "%s", entry);
    const char* last = FindLastBackslash(bare);
    if (last && last[1] == 0) bare[last - bare] = 0;   // the trailing backslash
    char shown[MAX_PATH];
    ShortenPath(bare, shown, sizeof shown);
    std::snprintf(out, outSize, "%s\\", shown);
}
