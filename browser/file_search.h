// File search (command 206): the names under the current folder that match a
// wildcard pattern, listed in the dialog dra_filelist as names or as a strip
// of small thumbnails (ScanBaseClass holding one ScanThmlClass child per
// result) filled by one worker thread at a time through cache set 11. The
// Jump button hands the chosen path to the companion program via jump.dat.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

extern const char kSearchStripClass[];   // "ScanBaseClass"
extern const char kSearchItemClass[];    // "ScanThmlClass"

constexpr int kSearchMaxResults = 1000;
constexpr int kSearchPathBytes = 256;    // a result's slot, its NUL included
constexpr int kSearchCacheSet = 11;
constexpr int kSearchRowHeight = 48;
// Colours of a result in the thumbnail strip.
constexpr COLORREF kSearchText = RGB(0, 0, 0);
constexpr COLORREF kSearchSelectedFace = RGB(38, 153, 216);
constexpr COLORREF kSearchSelectedText = RGB(255, 255, 255);

// Flags of FindFilesByName.
enum : unsigned {
    kWalkDescend = 1,       // into sub-folders
    kWalkFiles = 2,         // call back for files
    kWalkFolders = 4,       // call back for folders
    kWalkDepthFirst = 8,    // descend into each sub-folder at once
};
// Callback: attributes, parent path (with its backslash), entry name, user value.
typedef void (*WalkCallback)(DWORD attributes, const char* parent, const char* name, void* user);
// The recursive walk from `folder` (ending in a backslash). Directory links
// are not followed. 0, -1 without a path, -2 when `folder` itself cannot be
// listed; sub-folders that cannot be listed are counted in *unreadable.
int FindFilesByName(const char* folder, unsigned flags, WalkCallback callback, void* user, int* unreadable = nullptr);

enum SearchSort : int {
    kSearchByName = 0,
    kSearchByNameReverse = 1,
    kSearchByDate = 2,        // oldest first
    kSearchByDateReverse = 3,
};

struct SearchResults {
    std::vector<std::string> paths;
    std::vector<int64_t> keys;   // date keys, 0 until computed
    int matches = 0;             // all matches, also those beyond the cap
    int unreadable = 0;          // folders that could not be listed
};
// The walk: the start folder's matches, then each sub-folder's before its own
// sub-folders. Names beginning with '.' are left out; at most 1,000 results.
SearchResults RunSearch(const char* startFolder, const char* pattern);
// The date key of a file's last write (local time), in 64 bits.
int64_t SearchDateKey(const char* path);
void SortSearchResults(SearchResults* results, int mode);

// Command 206 after the pattern was asked for: the search from the current
// folder and, with results, the dialog. 0 when nothing was found.
int SearchFiles(HWND owner, const char* startFolder, const char* pattern);

// The dialog's state (for tests): the open dialog, the results, the sort and
// view modes and the selected result.
struct SearchDialogInfo {
    HWND dialog;
    HWND strip;
    const SearchResults* results;
    int sortMode;
    int viewMode;   // 0 thumbnails, 1 names
    int selected;
};
const SearchDialogInfo& GetSearchDialogInfo();
int RegisterSearchClasses(HINSTANCE instance);
