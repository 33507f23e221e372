// The editor's settings files in ProgramFolder: env_.env (EnvBlock, env_2.env as
// fallback), palette\pal.env, pen.dat, pensize.dat, canvsize.dat, initdir.dat and
// fhist.dat with the recent-files menu entries. Read once at start, written once
// when the frame closes. Files are replaced through a temporary file, so a failed
// write leaves the old file. A missing file, or a binary file of the wrong size,
// leaves the defaults; no settings file produces a message.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/envblock.h"
#include "paint/pen_state.h"

constexpr int kEnvFileSize = 2864;
constexpr int kPaletteFileSize = 18560;
constexpr int kInitDirSize = 265;
constexpr int kRecentSlots = 8;
constexpr int kRecentSlotChars = 300;
constexpr int kRecentFileEntry = 256;   // bytes per entry in fhist.dat
constexpr int kSizeListPairs = 50;

// PenRecord, PenRecords and kPenRecordCount are the pen's (paint/pen_state.h).

// Pen-size and canvas-size lists: pairs of (first, second); a pair whose first
// number is negative ends the list.
struct SizeList {
    int32_t first[55];
    int32_t second[55];
};

extern uint8_t PaletteBlock[kPaletteFileSize];
extern SizeList PenSizes;
extern SizeList CanvasSizes;
extern uint8_t InitDirBlock[kInitDirSize];
extern char RecentFiles[kRecentSlots][kRecentSlotChars];
// Shown flags of the 15 main tool-bar buttons (stored inverted in EnvBlock).
extern int MainBarButtonShown[15];

// Zeroes EnvBlock and the other settings blocks (start of the program).
void ResetSettingsBlocks();

int LoadEnvBlock(const char* folder);   // also reads pal.env and fhist.dat
int SaveEnvBlock(const char* folder);   // also writes pal.env and fhist.dat; 0 on failure
int LoadPenRecords();
int SavePenRecords();
int LoadPenSizes();
int SavePenSizes();
int LoadCanvasSizes();
int SaveCanvasSizes();
int LoadInitDir();
int SaveInitDir();

void RecentFilesLoad();
void RecentFilesSave();
void RecentFilesAdd(const char* path);
void RecentFilesClear();
void RecentFilesRemoveMenu(HMENU menu);
void RecentFilesAppendMenu(HMENU menu);
int RecentFilesCount();
