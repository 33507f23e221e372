// Batch conversion (dialog dpj_xfer): every selected file of the list is read,
// optionally fitted into a box, and written in one chosen format under its own
// name with the new extension into the output folder kept in the settings.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// One format the writers offer: the list text "description[*.ext]" and the
// extension alone.
struct WriterFormat {
    std::string entry;
    std::string extension;
};
// The writer plug-ins' formats in registry order, less the kinds the browser
// does not convert (psd, dra, dnp, ico, orf).
std::vector<WriterFormat> ListWriterFormats();

// 1 when the folder exists: paths starting with "A"/"a" or of three
// characters count as existing without asking; otherwise, less one trailing
// backslash, it must name a directory.
int IsFolderFast(const char* path);

// The output path of a source: the folder, then the source's file name with
// its extension (after the last dot of the name, never of a folder) replaced
// by `extension`. 0 when the name has no dot or the result does not fit.
int BatchOutputPath(const char* folder, const char* source, const char* extension, char* out, size_t outSize);

struct BatchOptions {
    std::string extension;   // without "*."
    int resize = 0;          // fit into width x height
    int width = 1024, height = 1024;
};

// The conversion of the list's selection into g_BrowserSettings.outputFolder:
// one message per refused kind present, unreadable files passed over, a
// failed write named and the run stopped there. The number of files written.
int RunBatchConvert(HWND owner, const BatchOptions& options);

// Command 102: the folder (asked for when it does not exist), the dialog and
// the run. 1 when the dialog ended with OK.
int BatchConvert(HWND owner);
