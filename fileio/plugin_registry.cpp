#include "fileio/plugin_registry.h"

#include <cstring>
#include <string>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "fileio/plugin_read.h"

PluginPathTable g_ReaderPlugins;
PluginPathTable g_WriterPlugins;

namespace {

char g_ProgramFolder[MAX_PATH];
HWND g_Frame;
HWND g_StatusWindow;

// The extension list that each slot's plug-in declares, asked once per scan:
// a look-up that loaded every plug-in again cost a DLL load apiece on each
// open and save. Guarded by the lock: thumbnail threads look up too.
struct DeclaredExtensions {
    SRWLOCK lock = SRWLOCK_INIT;
    std::string path[PluginSlots];    // the slot's DLL when it was asked; empty: not asked
    std::string list[PluginSlots];
};
DeclaredExtensions g_ReaderExtensions, g_WriterExtensions;

void ForgetDeclaredExtensions(DeclaredExtensions* d) {
    AcquireSRWLockExclusive(&d->lock);
    for (std::string& p : d->path) p.clear();
    ReleaseSRWLockExclusive(&d->lock);
}

bool AllocTable(PluginPathTable* t) {
    if (t->block) return true;
    t->block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, PluginSlots * PluginPathChars);
    if (!t->block) return false;
    char* base = (char*)GlobalLock(t->block);
    if (!base) {
        GlobalFree(t->block);
        t->block = nullptr;
        return false;
    }
    for (int i = 0; i < PluginSlots; ++i) t->slot[i] = base + i * PluginPathChars;
    return true;
}

void FreeTable(PluginPathTable* t) {
    if (!t->block) return;
    ForgetDeclaredExtensions(t == &g_ReaderPlugins ? &g_ReaderExtensions : &g_WriterExtensions);
    GlobalUnlock(t->block);
    GlobalFree(t->block);
    t->block = nullptr;
    for (char*& s : t->slot) s = nullptr;
}

const char* SlotPath(const PluginPathTable& t, int slot) {
    if (!t.block || slot < 0 || slot >= PluginSlots || !t.slot[slot][0]) return nullptr;
    return t.slot[slot];
}

// Loads the DLL and checks that it exports `info`.
bool HasExport(const char* path, const char* info) {
    PluginModule m(path);
    return m.Loaded() && m.Get<FARPROC>(info) != nullptr;
}

// Lists "<folder><sub>*.dll" into the table (at most 100 files examined),
// keeps those with the information export and sorts them by path.
void Scan(PluginPathTable* t, const char* sub, const char* infoExport, bool reportBad) {
    if (!t->block) return;
    ForgetDeclaredExtensions(t == &g_ReaderPlugins ? &g_ReaderExtensions : &g_WriterExtensions);
    for (char* s : t->slot) s[0] = 0;
    char pattern[MAX_PATH];
    if (std::strlen(g_ProgramFolder) + std::strlen(sub) + 6 >= sizeof(pattern)) return;
    wsprintfA(pattern, "%s%s*.dll", g_ProgramFolder, sub);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    int used = 0, examined = 0;
    do {
        ++examined;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        size_t n = std::strlen(g_ProgramFolder) + std::strlen(sub) + std::strlen(fd.cFileName);
        if (n >= PluginPathChars || used >= PluginSlots) continue;   // does not fit a slot
        char* slot = t->slot[used];
        wsprintfA(slot, "%s%s%s", g_ProgramFolder, sub, fd.cFileName);
        if (HasExport(slot, infoExport)) {
            ++used;
        } else {
            if (reportBad) ShowMessageBox(g_Frame, slot, "DLL ERROR", kMsgOk);
            slot[0] = 0;   // the slot is reused by the next file
        }
    } while (examined < PluginSlots && FindNextFileA(find, &fd));
    FindClose(find);
    // Exchange sort by neighbours: equal paths keep their order.
    char temp[PluginPathChars];
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int i = 0; i + 1 < used; ++i) {
            if (CompareNoCase(t->slot[i], t->slot[i + 1]) > 0) {
                std::memcpy(temp, t->slot[i], PluginPathChars);
                std::memcpy(t->slot[i], t->slot[i + 1], PluginPathChars);
                std::memcpy(t->slot[i + 1], temp, PluginPathChars);
                swapped = true;
            }
        }
    }
}

// Case-insensitive equality of a token [begin, end) with a NUL-terminated text.
bool TokenEquals(const char* begin, const char* end, const char* text) {
    char token[256];
    size_t n = (size_t)(end - begin);
    if (n >= sizeof(token)) return false;
    std::memcpy(token, begin, n);
    token[n] = 0;
    return CompareNoCase(token, text) == 0;
}

// The extensions that the plug-in's information export (of type Fn, filling
// an Info record) declares; false without the export.
template <typename Info, typename Fn>
bool AskList(const PluginModule& m, const char* infoExport, std::string* list) {
    auto info = m.Get<Fn>(infoExport);
    if (!info) return false;
    Info record;
    std::memset(&record, 0, sizeof(record));
    info(g_StatusWindow, &record);
    record.extensions[sizeof(record.extensions) - 1] = 0;
    *list = record.extensions;
    return true;
}

// The extensions the plug-in of the slot declares; false when it does not
// load or lacks the information export.
bool AskExtensions(const char* dll, const char* infoExport, bool reader, std::string* list) {
    PluginModule m(dll);
    if (!m.Loaded()) return false;
    return reader ? AskList<ReaderInfo, ReadFileInfoFn>(m, infoExport, list)
                  : AskList<WriterInfo, WriteFileInfoFn>(m, infoExport, list);
}

bool DeclaredList(DeclaredExtensions* d, int slot, const char* dll, const char* infoExport, bool reader,
                  std::string* list) {
    AcquireSRWLockShared(&d->lock);
    const bool known = d->path[slot] == dll;
    if (known) *list = d->list[slot];
    ReleaseSRWLockShared(&d->lock);
    if (known) return true;
    if (!AskExtensions(dll, infoExport, reader, list)) return false;
    AcquireSRWLockExclusive(&d->lock);
    d->path[slot] = dll;
    d->list[slot] = *list;
    ReleaseSRWLockExclusive(&d->lock);
    return true;
}

int Find(const PluginPathTable& t, const char* path, const char* infoExport, bool reader) {
    if (!t.block || !path) return -1;
    char ext[MAX_PATH];
    PluginPathExtension(path, ext, sizeof(ext));
    DeclaredExtensions* declared = reader ? &g_ReaderExtensions : &g_WriterExtensions;
    int found = -1;
    std::string list;
    for (int i = 0; i < PluginSlots && t.slot[i][0]; ++i) {
        if (!DeclaredList(declared, i, t.slot[i], infoExport, reader, &list)) continue;
        const bool has = PluginListHasExtension(list.c_str(), ext) != 0;
        if (has) {
            found = i;
            if (reader) break;
        }
    }
    return found;
}

}  // namespace

PluginModule::PluginModule(const char* path) : module_(path && *path ? LoadLibraryA(path) : nullptr) {}

PluginModule::~PluginModule() {
    if (module_) FreeLibrary(module_);
}

int InitFilePlugins(HWND frame, const char* programFolder) {
    g_Frame = frame;
    size_t n = programFolder ? std::strlen(programFolder) : 0;
    if (n >= sizeof(g_ProgramFolder)) n = 0;
    std::memcpy(g_ProgramFolder, programFolder, n);
    g_ProgramFolder[n] = 0;
    if (!AllocTable(&g_ReaderPlugins) || !AllocTable(&g_WriterPlugins)) {
        FreeFilePlugins();
        return 0;
    }
    ScanReaderPlugins();
    ScanWriterPlugins();
    return 1;
}

void FreeFilePlugins() {
    ReleaseKeptReader();
    FreeTable(&g_ReaderPlugins);
    FreeTable(&g_WriterPlugins);
}

void ScanReaderPlugins() { Scan(&g_ReaderPlugins, "file_r\\", DARNA_EXPORT_READ_FILE_INFO, true); }
void ScanWriterPlugins() { Scan(&g_WriterPlugins, "file_w\\", DARNA_EXPORT_WRITE_FILE_INFO, false); }

int FindReaderPlugin(const char* path) {
    return Find(g_ReaderPlugins, path, DARNA_EXPORT_READ_FILE_INFO, true);
}

int FindWriterPlugin(const char* path) {
    return Find(g_WriterPlugins, path, DARNA_EXPORT_WRITE_FILE_INFO, false);
}

const char* ReaderPluginPath(int slot) { return SlotPath(g_ReaderPlugins, slot); }
const char* WriterPluginPath(int slot) { return SlotPath(g_WriterPlugins, slot); }

const char* PluginProgramFolder() { return g_ProgramFolder; }
HWND PluginFrameWindow() { return g_Frame; }
void SetPluginStatusWindow(HWND window) { g_StatusWindow = window; }
HWND PluginStatusWindow() { return g_StatusWindow; }

void PluginPathExtension(const char* path, char* out, size_t capacity) {
    if (!out || capacity == 0) return;
    out[0] = 0;
    if (!path) return;
    // '.' is never a trail byte of a double-byte character.
    const char* dot = std::strrchr(path, '.');
    const char* ext = dot ? dot + 1 : path;
    size_t n = std::strlen(ext);
    if (n >= capacity) n = capacity - 1;
    std::memcpy(out, ext, n);
    out[n] = 0;
}

int PluginListHasExtension(const char* list, const char* extension) {
    if (!list || !extension) return 0;
    const char* p = list;
    for (;;) {
        const char* end = p;
        while (*end && *end != ';') end = IsSjisLead((unsigned char)*end) && end[1] ? end + 2 : end + 1;
        if (end > p && TokenEquals(p, end, extension)) return 1;
        if (!*end) return 0;
        p = end + 1;
    }
}

int PluginPathHasExtension(const char* path, const char* ext) {
    char e[MAX_PATH];
    if (!path || !std::strchr(path, '.')) return 0;
    PluginPathExtension(path, e, sizeof(e));
    return CompareNoCase(e, ext) == 0 ? 1 : 0;
}
