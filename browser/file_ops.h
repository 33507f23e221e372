// The browser's operations on the selected files: copy to another folder,
// delete to the Recycle Bin, rename one file (ivm_rename) and turn files on
// disk through the reader and writer plug-ins. No file is replaced before its
// new content has been written; a failure keeps the original and says so.
#pragma once
#include <windows.h>

#include <cstddef>

// Command 200 with the folder picked; CopySelectedTo does the copying into
// `folder` (no trailing backslash needed). Returns the number copied.
void CopySelectedFiles(HWND owner);
int CopySelectedTo(HWND owner, const char* folder);
// Command 201.
void DeleteSelectedFiles(HWND owner);

// ivm_rename over the file; 1 when the file got its new name.
int RenameFileDialog(HWND owner, const char* path);
// The base name cut to at most 80 bytes, 79 when bytes 79 and 80 are one
// double-byte character.
void CutBaseName(char* name);
// 1 when the name holds, outside double-byte characters, one of \ / : * " < > ? |.
int IsInvalidFileName(const char* name);
// The base name (before the last dot) of a file name; 0 when it has no dot.
int GetBaseName(const char* name, char* out, size_t outSize);

// Command 304.
void RotateSelectedFiles(HWND owner);
// Turns one file on disk (mode: 0 left 90, 1 right 90, 2 180 degrees), keeping
// the EXIF data of JPEG and TIFF files (with a new thumbnail for JPEG). 1 on
// success; 0 after telling the user why (the file is then unchanged).
int RotateFileOnDisk(HWND owner, const char* path, int mode);
