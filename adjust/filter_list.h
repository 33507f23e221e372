// The list of external filters: the sub-folders of the program's "filter"
// folder and the filter DLLs in them (a DLL counts when it loads and exports
// FilterGetTitle), with each path's folder number, sorted by title on request.
// The blocks are the filter host's, made at program start and freed at exit;
// without them every scan finds nothing. The list is not offered anywhere in
// the program's menus.
#pragma once

constexpr int kFilterPathSlots = 300;     // filter paths listed at most
constexpr int kFilterFolderSlots = 30;    // sub-folders listed at most
constexpr int kFilterScanEntries = 300;   // directory entries looked at while listing sub-folders
constexpr int kFilterPathSize = 256;      // bytes of one path or folder slot

// Makes (1) or frees the list's blocks; making them again empties the list.
int InitFilterList();
void ReleaseFilterList();

// The sub-folders of "<program folder>filter\" whose names do not start with
// '.', into the folder slots, under the wait cursor; once the list has been
// built the folders found then are kept. Returns the folder count.
int ScanFilterFolders();
// Adds the filter DLLs of `folder` (ending in a backslash) from path slot
// `index` on, each with `folderNumber`; returns the index after the last one added.
int ScanFilterDlls(int index, const char* folder, int folderNumber);
// Scans the folders and their DLLs once: the filter count.
int BuildFilterMenus();
// Orders the listed paths by the titles their DLLs report (ascending, without
// regard to case; a DLL that gives no title sorts as an empty title).
void SortFilterList();
// Whether the help file of a filter (its path with the extension ".hlp") exists.
int OpenFilterHelp(const char* filterPath);
// Whether the file is a filter DLL: it loads and exports FilterGetTitle.
bool IsFilterDll(const char* path);

// What the list holds (null or -1 outside).
int FilterCount();
const char* FilterPath(int index);
int FilterFolderNumber(int index);
int FilterFolderCount();
const char* FilterFolderName(int folder);
int FilterFolderFirst(int folder);   // index of the folder's first filter
