// The registry of reader and writer plug-ins: the DLLs in file_r and file_w
// under the program folder, listed once at start-up and chosen by extension.
#pragma once
#include <windows.h>

#include <cstddef>

#include "fileio/plugin_api.h"

enum : int {
    PluginSlots = 100,       // plug-ins per folder
    PluginPathChars = 200,   // characters of a slot
};

// Path table of one folder: one zero-filled movable global block of 100 slots
// of 200 characters. The slots in use are contiguous from slot 0.
struct PluginPathTable {
    HGLOBAL block;
    char* slot[PluginSlots];
};

extern PluginPathTable g_ReaderPlugins;
extern PluginPathTable g_WriterPlugins;

// Allocates both tables and scans file_r and file_w under `programFolder`
// (ends with a backslash). `frame` owns the "DLL ERROR" boxes and is the window
// given to WriteFileInfo by WriteImageWithPlugin. 0 without memory.
int InitFilePlugins(HWND frame, const char* programFolder);
// Frees both tables; a second call does nothing.
void FreeFilePlugins();

void ScanReaderPlugins();
void ScanWriterPlugins();

// Slot of the plug-in for the path's extension (the text after the last ".",
// the whole path when it has none), or -1. Readers: the first slot that lists
// it; writers: the last.
int FindReaderPlugin(const char* path);
int FindWriterPlugin(const char* path);

// Path of a slot, or null for an empty or out-of-range slot.
const char* ReaderPluginPath(int slot);
const char* WriterPluginPath(int slot);

// The program folder given to InitFilePlugins ("" before).
const char* PluginProgramFolder();
HWND PluginFrameWindow();
// The status bar window handed to the plug-ins (null until the frame sets it).
void SetPluginStatusWindow(HWND window);
HWND PluginStatusWindow();

// Extension of a path as the lookup uses it.
void PluginPathExtension(const char* path, char* out, size_t capacity);
// 1 when the ';'-separated list holds the extension as a whole token, ignoring
// case (double-byte characters compared exactly).
int PluginListHasExtension(const char* list, const char* extension);
// 1 when the path's extension equals `ext` ignoring case.
int PluginPathHasExtension(const char* path, const char* ext);

// A plug-in DLL loaded for one operation and freed at the end of the scope.
class PluginModule {
public:
    explicit PluginModule(const char* path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    bool Loaded() const { return module_ != nullptr; }
    template <typename Fn>
    Fn Get(const char* name) const {
        return module_ ? (Fn)(void*)GetProcAddress(module_, name) : nullptr;
    }
private:
    HMODULE module_;
};
