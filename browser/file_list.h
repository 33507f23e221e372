// FileList: the image files of the browser's current folder, listed per file
// extension (in the order of the pattern list, or of the reader plug-ins for
// "*"), each run sorted by the chosen order, at most 10,240 entries; with the
// selection flag and thumbnail cell window of each entry.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

constexpr int kFileListMax = 10240;
constexpr int kFileListPathBytes = 256;   // folder and name together stay below this

enum SortOrder : int {
    kSortName = 0,
    kSortNameReverse = 1,
    kSortDate = 2,
    kSortDateReverse = 3,
    kSortSize = 4,
    kSortSizeReverse = 5,
};

struct FileList {
    int count = 0;
    int selected = 0;                 // kept by UpdateSelectionCount
    std::vector<std::string> paths;   // full paths, count entries
    std::vector<HWND> cells;          // the ThumbCell of each entry (control id = index)
    std::vector<int> flags;           // 1 = selected
    bool capped = false;              // the folder held more files than the list takes
    int busy = 0;                     // refreshes and commands running: no loader starts
    HANDLE loader = nullptr;          // the running thumbnail loader thread
    int anchor = -1;                  // last clicked cell
};
extern FileList g_FileList;

// Program-wide: the current folder (with a trailing backslash) and the
// pattern list (";"-separated extensions, or "*" for every reader's).
extern char g_CurrentFolder[256];
extern char g_PatternList[64];

// Lists `folder` (with its trailing backslash) for the pattern list, each
// extension's run sorted by `order`; stops at `cap` entries and then sets
// *capped. A folder shorter than 2 characters lists nothing.
std::vector<std::string> ListFolderFiles(const char* folder, const char* patternList, int order, bool* capped,
                                         int cap = kFileListMax);

// What each reader plug-in reads, in list order (from its ReadFileInfo).
struct ReaderFormat {
    std::string extensions;    // ";"-separated
    std::string description;   // the format's name
};
std::vector<ReaderFormat> ReaderFormats();

// 1 when the path's extension is one the browser cannot turn or convert
// (dra, psd, dnp, ico, orf).
int HasRefusedExtension(const char* path);

int FirstSelected();   // index of the first selected entry, or -1
