// Shift-JIS strings and Windows paths, file and folder tests, file times, safe
// file writing and copying, window re-layout, shared folders and registry values.
//
// Paths are code page 932 byte strings: a backslash search never takes the second
// byte of a double-byte character (which may be 0x5C, as in 表 and ソ) for one.
// Output buffers are MAX_PATH (260) bytes unless a size is passed.
#pragma once
#include <windows.h>

#include <cstddef>

// Lead and trail bytes of code page 932 double-byte characters.
inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool IsSjisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Above 0 exactly when the text begins with a double-byte character.
int CountLeadDbcs(const char* text);

// Address of the last real backslash (not a trail byte), or null.
const char* FindLastBackslash(const char* path);

// Splits at the last real backslash: folder (no trailing backslash) and name.
// 0 when the path is empty, too long or has no backslash (outputs untouched).
int SplitPath(const char* path, char* folder, char* name, size_t outSize = MAX_PATH);
// The path, or for a folder longer than 16 bytes its first levels, "..\" and the name.
void ShortenPath(const char* path, char* out, size_t outSize = MAX_PATH);
// The bytes after the last "." of the file name; 0 when the name has no ".".
int GetExtension(const char* path, char* out, size_t outSize = MAX_PATH);
// 1 when the extension of the file name equals ext ignoring case.
int HasExtension(const char* path, const char* ext);
// As HasExtension; also accepts the extension followed by one double quote.
int ExtensionEquals(const char* path, const char* ext);
// Compares ignoring the case of ASCII letters (double-byte characters exactly):
// 0 when equal. Only the first 255 bytes count.
int CompareNoCase(const char* a, const char* b);
// 1 when the path starts with "<drive>:\dcim\" (any case).
int IsDcimPath(const char* path);
// Cuts trailing blanks in place; the first byte always stays.
void TrimTrailingSpaces(char* text);
// Truncated toward zero to a multiple of 0.01.
float RoundToHundredth(float value);

// Files and folders.
int FileExists(const char* path);      // 1: an existing file (no access asked)
int CanOpenForRead(const char* path);  // 1: the file opens for reading
int IsDirectory(const char* path);     // -1 nothing there, 1 folder, 0 file
int GetFileLocalTime(const char* path, SYSTEMTIME* out);   // last write, local; 0 on failure
// Last write in local time as second + 60 (minute + 60 (hour + 24 (day + 32 month)))
// + year (the thumbnail cache's stamp); 0 when the file cannot be opened.
int GetFileTimeStamp(const char* path);
int GetMyDocumentsPath(char* out);     // nonzero on success
// The folder of the module's file with its trailing backslash; -1 when empty, else 0.
int GetModuleFolder(HMODULE module, char* out, size_t outSize = MAX_PATH);
// Creates a folder every user may fully use (Everyone: generic all, inherited).
// Nonzero when the access list could be built; test the folder with IsDirectory.
int CreateSharedDirectory(const char* path);

// Writes the data to a temporary file in the target's folder and moves it over
// the target only after the whole write succeeded. 1 on success; on failure the
// old file is untouched and 0 is returned.
int WriteFileReplacing(const char* path, const void* data, size_t size);

// Replaces `path` through a temporary file in the same folder: write(user,
// temporaryPath) writes the whole new content there; only when it returns
// non-zero is the temporary file moved over `path` (MOVEFILE_REPLACE_EXISTING),
// otherwise it is deleted and `path` stays as it was. Returns write's result,
// or 0 when the move fails. No file is ever deleted before its replacement exists.
// A read-only `path` is refused (0, nothing written); a replaced file keeps its
// hidden, system and archive attributes.
typedef int (*WriteToPathFn)(void* user, const char* temporaryPath);
int ReplaceFileThroughTemp(const char* path, WriteToPathFn write, void* user);

// The same for content written into the open temporary file; write(handle,
// user) returns false on failure. The file is flushed before the move.
typedef bool (*WriteToHandleFn)(HANDLE file, void* user);
int WriteFileReplacingWith(const char* path, WriteToHandleFn write, void* user);

// WriteFile until every byte is written.
bool WriteAll(HANDLE file, const void* data, size_t size);
// Copies source to target in blocks of 30,000 bytes, through a temporary file
// beside the target that replaces it at the end. 1 on success; 0 when the source
// cannot be opened, memory is short or writing fails (the target is untouched).
int CopyFileBlocks(const char* source, const char* target);

// Busy wait on the tick count (leaves early on wrap-around).
void WaitMs(DWORD ms);
int IsWindowsNT();

// Sends the window WM_SIZE with its client size (maximised or restored) and, with
// repaint, repaints it at once.
void RelayoutWindow(HWND wnd, int repaint);
// Resizes a dialog item keeping its top-left position.
void ResizeDlgItem(HWND dlg, int id, int width, int height);

// The string value of the name under root\subKey (exact, case-sensitive name;
// the last match wins); 1 when found.
int GetRegStringValue(HKEY root, const char* subKey, const char* name, char* out,
                      size_t outSize);

// Starts a timer of the window with the first id from 0 upward, below 30,000,
// that SetTimer accepts, and returns that id (the one asked for, not SetTimer's
// return value), or -1 when none was accepted.
int SetFirstFreeTimer(HWND wnd, UINT ms);
