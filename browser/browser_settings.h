// The browser's two state files in its own folder: eenv.env, the 320-byte
// BrowserSettings record, and phist.dat, the FolderHistory of the last 20
// folders shown (100 slots of 256 bytes and 100 spare bytes). Both are read
// when the frame is made and written through a temporary file when it goes.
#pragma once
#include <cstddef>
#include <cstdint>

struct BrowserSettings {
    int32_t treeWidth;          // 0: folder tree width in pixels
    int32_t fileTypeIndex;      // 4: item of the file-type box (0 = every format)
    int32_t sizeMode;           // 8: 0, 1, 2 (96, 128, 192) or 3 (custom)
    int32_t framePosition;      // 12: x low 16 bits, y high 16 bits
    int32_t frameSize;          // 16: width low 16 bits, height high 16 bits
    int32_t maximised;          // 20
    int32_t reserved1;          // 24
    int32_t sortOrder;          // 28: 0..5
    int32_t unusedFlag;         // 32: written only by a dialog nothing opens
    int32_t noTitleBox;         // 36: 1 = the title box is not shown at start
    int32_t cellWidth;          // 40: thumbnail cell width W
    int32_t cellHeight;         // 44: thumbnail cell height H
    int32_t startInHistory;     // 48: 1 = start in the first history folder
    int32_t screenRowFlag;      // 52: handed to the 15/16-bit screen output
    char outputFolder[256];     // 56: output folder of the batch conversion
    uint8_t resetFlag;          // 312
    uint8_t reserved2[3];       // 313
    int32_t topmost;            // 316: the frame stays on top
};
static_assert(sizeof(BrowserSettings) == 320, "BrowserSettings");
static_assert(offsetof(BrowserSettings, outputFolder) == 56, "BrowserSettings folder");
static_assert(offsetof(BrowserSettings, topmost) == 316, "BrowserSettings topmost");

extern BrowserSettings g_BrowserSettings;

// The record as it is before eenv.env is read (tree 192, file type 2, cells 128).
void ResetBrowserSettings();
// "%seenv.env" of the folder: the bytes it has over the record (a short file
// fills only those); then a width of 0 or less gives 128 x 128 cells, the
// start-folder and screen-row flags become 1 and the reset flag 0. 0 when the
// file cannot be opened (the record keeps its defaults).
int LoadBrowserSettings(const char* folder);
// Writes the 320 bytes; 0 when the file cannot be written (the old one stays).
int SaveBrowserSettings(const char* folder);

constexpr int kHistorySlots = 100;
constexpr int kHistorySlotBytes = 256;
constexpr int kHistoryEntries = 20;
constexpr size_t kHistoryFileBytes = 25700;

// Slot 0 is the most recent folder (each with its trailing backslash); the
// entries are the slots before the first empty one.
struct FolderHistory {
    char slot[kHistorySlots][kHistorySlotBytes];
    char spare[100];
};
static_assert(sizeof(FolderHistory) == kHistoryFileBytes, "FolderHistory");

extern FolderHistory g_FolderHistory;

void ClearFolderHistory();
// Reads "%sphist.dat"; every slot is ended at byte 255 and a history of more
// than 20 entries is cut to 20. 0 when the file cannot be opened.
int LoadFolderHistory(const char* folder);
int SaveFolderHistory(const char* folder);
// Number of entries (slots before the first empty one).
int CountFolderHistory();
// Moves the folder to slot 0 (case-insensitive match), or puts it there and
// pushes the others down, keeping at most 20 entries.
void InsertFolderHistory(const char* folder);
// The display form of an entry: a long folder part is shortened to its first
// levels, "..\" and the last name; a backslash ends the text.
void FolderHistoryDisplay(const char* entry, char* out, size_t outSize);
