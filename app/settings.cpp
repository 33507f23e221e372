#include "app/settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/globals.h"
#include "fileio/parts_box.h"
#include "ui/sysutil.h"

EnvBlock Env;
uint8_t PaletteBlock[kPaletteFileSize];
SizeList PenSizes;
SizeList CanvasSizes;
uint8_t InitDirBlock[kInitDirSize];
char RecentFiles[kRecentSlots][kRecentSlotChars];
int MainBarButtonShown[15];

namespace {

std::string FolderPath(const char* folder, const char* name) {
    return std::string(folder ? folder : "") + name;
}

// Reads the whole file when it is exactly `size` bytes long. 1 when read,
// 0 when missing, -1 when present but of another size or unreadable.
int ReadExactFile(const std::string& path, void* out, DWORD size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER length;
    int result = -1;
    if (GetFileSizeEx(h, &length) && length.QuadPart == (LONGLONG)size) {
        DWORD done = 0;
        if (ReadFile(h, out, size, &done, nullptr) && done == size) result = 1;
    }
    CloseHandle(h);
    return result;
}

// Reads a text file into a string (at most `limit` bytes); false when missing.
bool ReadTextFile(const std::string& path, std::string* out, size_t limit) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buffer[4096];
    DWORD done = 0;
    while (out->size() < limit && ReadFile(h, buffer, sizeof buffer, &done, nullptr) && done > 0)
        out->append(buffer, done);
    if (out->size() > limit) out->resize(limit);
    CloseHandle(h);
    return true;
}

void ApplyEnvLoadRules() {
    Env.tip.tipPlaneSlots[0] = Env.tip.tipPlaneSlots[1] = 0;
    for (int i = 0; i < 15; ++i) MainBarButtonShown[i] = Env.mainBarHidden[i] == 0;
    if (Env.pressurePoint < 16) Env.pressurePoint = 16;
    if (Env.pressurePoint > 200) Env.pressurePoint = 200;
    Env.recorder444 = 10;
    Env.tabletPen[1] = 0;   // offset 872
    Env.dimOutsideLayer = 0;
    if (Env.newCanvasWidth < 10) Env.newCanvasWidth = 640;
    if (Env.newCanvasHeight < 10) Env.newCanvasHeight = 480;
    if (Env.newCanvasWidth > 30000) Env.newCanvasWidth = 30000;
    if (Env.newCanvasHeight > 30000) Env.newCanvasHeight = 30000;
    Env.byte1363 = 0;
    Env.selMaskSetting = 1;
    Env.clearedAtStart = 0;
    Env.previewSetting = 1;
    Env.unused1388 = 100;
    Env.unused1392 = 100;
    Env.zoomSetting = 0;
    Env.numberMode = 1;
    Env.brushOutline = 1;
    Env.recorder968 = 1;
    Env.cursorSamples = 10;
    Env.selShadeMode = 0;
    Env.tabletCursorPos = 100;
    SetPartsBoxPlacement(Env.partsBoxRect);
}

// Canonical bytes of the block as written to env_.env: the pointer slots of the
// tip block are always 0 in the file.
void EnvToBytes(const EnvBlock& env, uint8_t out[kEnvFileSize]) {
    static_assert(sizeof(EnvBlock) == kEnvFileSize, "file record size");
    std::memcpy(out, &env, kEnvFileSize);
    std::memset(out + offsetof(EnvBlock, tip) + offsetof(EnvTipBlock, tipPlaneSlots), 0, 8);
}

void ResetSizeList(SizeList* list) {
    for (int i = 0; i < 55; ++i) list->first[i] = list->second[i] = -1;
    list->first[0] = list->second[0] = 1;
}

// Lines of "%d %d", at most 50; a line that does not scan keeps the previous
// line's numbers.
void ParseSizeList(const std::string& text, SizeList* list) {
    int pair = 0;
    int a = 0, b = 0;
    size_t pos = 0;
    while (pair < kSizeListPairs && pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, std::min<size_t>(end - pos, 250));
        pos = end + 1;
        int x, y;
        if (std::sscanf(line.c_str(), "%d %d", &x, &y) == 2) {
            a = x;
            b = y;
        }
        list->first[pair] = a;
        list->second[pair] = b;
        ++pair;
    }
}

int SaveSizeList(const char* name, const SizeList& list) {
    std::string text;
    for (int i = 0; i < kSizeListPairs && list.first[i] >= 0; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "%d %d\n", (int)list.first[i], (int)list.second[i]);
        text += line;
    }
    return WriteFileReplacing(FolderPath(ProgramFolder, name).c_str(), text.data(), text.size());
}

const int kBuiltInCanvasSizes[10][2] = {
    {32, 32}, {64, 64}, {128, 128}, {256, 256}, {640, 400},
    {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200},
};

void RedrawFrameMenu() {
    if (AppWindows.frame) DrawMenuBar(AppWindows.frame);
}

}  // namespace

void ResetSettingsBlocks() {
    std::memset(&Env, 0, sizeof Env);
    std::memset(PaletteBlock, 0, sizeof PaletteBlock);
    std::memset(PenRecords, 0, sizeof PenRecords);
    std::memset(InitDirBlock, 0, sizeof InitDirBlock);
    std::memset(RecentFiles, 0, sizeof RecentFiles);
    ResetSizeList(&PenSizes);
    ResetSizeList(&CanvasSizes);
    for (int& shown : MainBarButtonShown) shown = 1;
}

int LoadEnvBlock(const char* folder) {
    EnvBlock loaded;
    int r = ReadExactFile(FolderPath(folder, "env_.env"), &loaded, sizeof loaded);
    if (r != 1) r = ReadExactFile(FolderPath(folder, "env_2.env"), &loaded, sizeof loaded);
    if (r == 1) std::memcpy(&Env, &loaded, sizeof Env);

    std::string palette = FolderPath(folder, "palette");
    CreateSharedDirectory(palette.c_str());
    static uint8_t block[kPaletteFileSize];
    if (ReadExactFile(palette + "\\pal.env", block, sizeof block) == 1)
        std::memcpy(PaletteBlock, block, sizeof PaletteBlock);

    ApplyEnvLoadRules();
    RecentFilesLoad();
    return r == 1;
}

int SaveEnvBlock(const char* folder) {
    // The flags below describe the windows at the moment of writing; they go into
    // the written copy only, so that a close a canvas refuses leaves the running
    // layout (a hidden control panel stays hidden) as it was.
    static EnvBlock out;
    out = Env;
    // The control panel's flag says whether its window exists, shown or hidden.
    out.ctrlPanelShown = AppWindows.ctrlPanel && IsWindow(AppWindows.ctrlPanel) ? 1 : 0;
    struct {
        HWND wnd;
        int32_t* open;
        uint32_t* pos;
        uint32_t* size;
    } panels[2] = {
        {AppWindows.colourPanel, &out.colourPanelOpen, &out.colourPanelPos, &out.colourPanelSize},
        {AppWindows.penOptionPanel, &out.penPanelOpen, &out.penPanelPos, &out.penPanelSize},
    };
    for (auto& p : panels) {
        RECT rc;
        if (p.wnd && IsWindow(p.wnd) && GetWindowRect(p.wnd, &rc)) {
            *p.open = 1;
            *p.pos = PackWords(rc.left, rc.top);
            *p.size = PackWords(rc.right - rc.left, rc.bottom - rc.top);
        } else {
            *p.open = 0;
        }
    }
    for (int i = 0; i < 15; ++i) out.mainBarHidden[i] = MainBarButtonShown[i] ? 0 : 1;
    GetPartsBoxPlacement(out.partsBoxRect);

    static uint8_t bytes[kEnvFileSize];
    EnvToBytes(out, bytes);
    if (!WriteFileReplacing(FolderPath(folder, "env_.env").c_str(), bytes, sizeof bytes)) return 0;
    std::string palette = FolderPath(folder, "palette");
    CreateSharedDirectory(palette.c_str());
    if (!WriteFileReplacing((palette + "\\pal.env").c_str(), PaletteBlock, sizeof PaletteBlock))
        return 0;
    RecentFilesSave();
    return 1;
}

int LoadPenRecords() {
    static PenRecord loaded[kPenRecordCount];
    int r = ReadExactFile(FolderPath(ProgramFolder, "pen.dat"), loaded, sizeof loaded);
    if (r == 1) std::memcpy(PenRecords, loaded, sizeof PenRecords);
    else std::memset(PenRecords, 0, sizeof PenRecords);
    for (PenRecord& pen : PenRecords) ClampPenRecord(&pen);
    return r != 0;
}

int SavePenRecords() {
    return WriteFileReplacing(FolderPath(ProgramFolder, "pen.dat").c_str(), PenRecords, sizeof PenRecords);
}

int LoadPenSizes() {
    ResetSizeList(&PenSizes);
    std::string text;
    if (!ReadTextFile(FolderPath(ProgramFolder, "pensize.dat"), &text, 64 * 1024)) return 0;
    ParseSizeList(text, &PenSizes);
    return 1;
}

int SavePenSizes() { return SaveSizeList("pensize.dat", PenSizes); }

int LoadCanvasSizes() {
    ResetSizeList(&CanvasSizes);
    std::string text;
    if (!ReadTextFile(FolderPath(ProgramFolder, "canvsize.dat"), &text, 64 * 1024)) {
        for (int i = 0; i < 10; ++i) {
            CanvasSizes.first[i] = kBuiltInCanvasSizes[i][0];
            CanvasSizes.second[i] = kBuiltInCanvasSizes[i][1];
        }
        return 0;
    }
    ParseSizeList(text, &CanvasSizes);
    return 1;
}

int SaveCanvasSizes() { return SaveSizeList("canvsize.dat", CanvasSizes); }

int LoadInitDir() {
    uint8_t block[kInitDirSize];
    int r = ReadExactFile(FolderPath(ProgramFolder, "initdir.dat"), block, sizeof block);
    if (r == 1) std::memcpy(InitDirBlock, block, sizeof InitDirBlock);
    else std::memset(InitDirBlock, 0, sizeof InitDirBlock);
    return r != 0;
}

int SaveInitDir() {
    return WriteFileReplacing(FolderPath(ProgramFolder, "initdir.dat").c_str(), InitDirBlock,
                              sizeof InitDirBlock);
}

// ---------------------------------------------------------------------------
// Recent files

void RecentFilesLoad() {
    std::memset(RecentFiles, 0, sizeof RecentFiles);
    static char block[kRecentSlots][kRecentFileEntry];
    if (ReadExactFile(FolderPath(ProgramFolder, "fhist.dat"), block, sizeof block) != 1) return;
    for (int i = 0; i < kRecentSlots; ++i) {
        std::memcpy(RecentFiles[i], block[i], kRecentFileEntry);
        RecentFiles[i][kRecentFileEntry] = 0;
    }
    // An empty slot ends the list: nothing after it counts.
    for (int i = 0; i < kRecentSlots; ++i) {
        if (RecentFiles[i][0] == 0) {
            for (int k = i; k < kRecentSlots; ++k) RecentFiles[k][0] = 0;
            break;
        }
    }
}

void RecentFilesSave() {
    static char block[kRecentSlots][kRecentFileEntry];
    for (int i = 0; i < kRecentSlots; ++i) std::memcpy(block[i], RecentFiles[i], kRecentFileEntry);
    WriteFileReplacing(FolderPath(ProgramFolder, "fhist.dat").c_str(), block, sizeof block);
}

int RecentFilesCount() {
    int n = 0;
    while (n < kRecentSlots && RecentFiles[n][0]) ++n;
    return n;
}

void RecentFilesRemoveMenu(HMENU menu) {
    HMENU file = menu ? GetSubMenu(menu, 0) : nullptr;
    if (!file) return;
    int n = RecentFilesCount();
    for (int i = 0; i < n; ++i) {
        if (i == 0) DeleteMenu(file, CMD_RECENT_SEPARATOR, MF_BYCOMMAND);
        DeleteMenu(file, CMD_RECENT_FIRST + i, MF_BYCOMMAND);
    }
    RedrawFrameMenu();
}

void RecentFilesAppendMenu(HMENU menu) {
    HMENU file = menu ? GetSubMenu(menu, 0) : nullptr;
    if (!file) return;
    int n = RecentFilesCount();
    for (int i = 0; i < n; ++i) {
        if (i == 0) AppendMenuA(file, MF_SEPARATOR, CMD_RECENT_SEPARATOR, nullptr);
        char shortened[MAX_PATH];
        ShortenPath(RecentFiles[i], shortened, sizeof shortened);
        AppendMenuA(file, MF_STRING, CMD_RECENT_FIRST + i, shortened);
    }
    RedrawFrameMenu();
}

void RecentFilesAdd(const char* path) {
    if (!path) return;
    RecentFilesRemoveMenu(AppMenus.init);
    RecentFilesRemoveMenu(AppMenus.child);
    int n = RecentFilesCount();
    int found = -1;
    for (int k = 0; k < n; ++k) {
        if (lstrcmpiA(RecentFiles[k], path) == 0) {
            found = k;
            break;
        }
    }
    char copy[kRecentSlotChars];
    lstrcpynA(copy, path, kRecentSlotChars);
    int last = found >= 0 ? found : (n < kRecentSlots ? n : kRecentSlots - 1);
    for (int k = last; k > 0; --k) std::memcpy(RecentFiles[k], RecentFiles[k - 1], kRecentSlotChars);
    std::memcpy(RecentFiles[0], copy, kRecentSlotChars);
    RecentFilesAppendMenu(AppMenus.init);
    RecentFilesAppendMenu(AppMenus.child);
    RedrawFrameMenu();
}

void RecentFilesClear() {
    RecentFilesRemoveMenu(AppMenus.init);
    RecentFilesRemoveMenu(AppMenus.child);
    std::memset(RecentFiles, 0, sizeof RecentFiles);
    RecentFilesAppendMenu(AppMenus.init);
    RecentFilesAppendMenu(AppMenus.child);
    RedrawFrameMenu();
}
