// The selection-history folder "%sselhist" in the program folder and the
// "*.hst" files in it, each named with a four-digit number after its last "_".
// No file is written there yet: the listing and the pruning serve the history
// that a selection command would keep.
#pragma once

// Names of the folder looked at: at most this many.
constexpr int kSelHistMaxFiles = 1900;

// Creates the folder at start-up; an existing folder is left as it is. The
// result is not needed by anyone: without the folder the history is simply
// not kept.
// `programFolder` ends with a backslash.
void MakeSelHistFolder(const char* programFolder);

// The number of a history file's name: the four characters after its last
// "_" as a decimal number; -1 without "_" or when they are not four digits.
int SelHistNumber(const char* name);
// The smallest number from 0 that no listed file carries, the number for the
// next history file (0 when 0..1899 are all taken).
int ListSelHist(const char* programFolder);
// Deletes the files that sort first by name (without regard to case) so that
// the last `keep` stay (keep: the history-size setting). The number deleted.
int PruneSelHist(const char* programFolder, int keep);
