// The selection-history folder "%sselhist" in the program folder.
#pragma once

// Creates the folder at start-up; an existing folder is left as it is. The
// result is not needed by anyone: without the folder the history is simply
// not kept.
// `programFolder` ends with a backslash.
void MakeSelHistFolder(const char* programFolder);
