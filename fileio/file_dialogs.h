// The editor's open and save dialogs: filters built from the registered
// reader and writer plug-ins, and the preview panel dr_fopenhook that shows
// the chosen file's size, depth, layer count and a quick preview.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The parts box as a file chooser (handed down by the editor when it has
// one): shows `folder` with `pattern` under `title`; 1 with the chosen file
// in `path` (260 bytes).
typedef int (*PartsBoxChooserFn)(HWND owner, const char* folder, const char* pattern, const char* title,
                                 char* path);
void SetPartsBoxChooser(PartsBoxChooserFn chooser);

// Where the dialogs keep the file type chosen last (the filter's 1-based
// index, 0 for the first type): the editor hands down its settings fields so
// that the choice outlives the run. Each dialog starts on the kept type (the
// first when the filter has no such entry) and keeps the type chosen. Null
// keeps it for this run only.
void SetFileDialogTypeSettings(int32_t* openFilter, int32_t* saveFilter);

// The open dialog's filter: "<description>[*.ext]" and "*.ext" for each
// extension of each reader in slot order, then "すべてのファイル" with every
// pattern joined by ";" (whole patterns, at most 255 characters); the
// entries separated by NUL, a second NUL at the end. A reader that lost its
// information export is reported ("Error") and left out.
std::string BuildReaderFilter();
// Every extension of every reader plug-in, in slot order.
std::vector<std::string> ReaderExtensions();

// The layer count the open dialog's preview shows: the layers a layered
// file opens with, 1 for single-image formats; 0 when the file cannot be read.
int PreviewLayerCount(const char* path);
// The save dialog's filter (writers that take 8 or 24-bit images), with the
// bare extension and the writer slot of each entry.
std::string BuildWriterFilter(std::vector<std::string>* extensions, std::vector<int>* slots);

// The chosen save path with its extension (the text after the last "." of the
// file name) replaced by `extension`.
std::string PathWithExtension(const char* path, const char* extension);

// Runs the open dialog. `folder` (260 bytes) is the initial folder and gets
// the chosen file's folder; `fileTitle` (260 bytes) its name. `partsButton`
// offers the parts box. 1 with the path (shorter than 256 characters), else 0.
int OpenFileDialog(HWND owner, char* path, char* fileTitle, char* folder, int partsButton);

// Runs the save dialog for a document whose path is `path` ("" when it has
// none). 1 with the path to write in `path` (and its name in `fileTitle`)
// when it may be written (a file that exists only after "上書きしてよろしいですか？"
// was answered Yes), else 0.
int SaveFileDialog(HWND owner, char* path, char* fileTitle);
