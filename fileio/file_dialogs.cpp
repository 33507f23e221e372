#include "fileio/file_dialogs.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "fileio/canvas_write.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "image/packed_dib.h"
#include "resources/fileio_ids.h"

namespace {

// Remembered for the whole run.
struct DialogMemory {
    int32_t ownOpenFilter = 0, ownSaveFilter = 0;
    // The chosen file types: the editor's settings once handed down.
    int32_t* openFilter = &ownOpenFilter;
    int32_t* saveFilter = &ownSaveFilter;
    char lastOpenTitle[MAX_PATH] = {};
    int previewOn = 1;
    PartsBoxChooserFn chooser = nullptr;
} g_Remember;

// Entries of a dialog filter (description and pattern pairs).
DWORD FilterEntries(const std::string& filter) {
    DWORD n = 0;
    for (const char* at = filter.c_str(); *at; ++n) {
        at += std::strlen(at) + 1;
        if (!*at) break;
        at += std::strlen(at) + 1;
    }
    return n;
}

// A remembered type as the dialog's starting index: one that the filter no
// longer has (a settings file of other plug-ins) starts on the first type.
DWORD StartingFilter(int32_t remembered, const std::string& filter) {
    return remembered >= 0 && (DWORD)remembered <= FilterEntries(filter) ? (DWORD)remembered : 0;
}

// State of the dialog on screen.
struct HookState {
    int partsWanted;
    int partsRequested;
    char lastPath[MAX_PATH];
    char partsFrom[MAX_PATH];   // the file or folder shown when the parts-box button was pressed
    PackedDib preview;
    int askAttempt;
} g_Hook;

const UINT kAskHook = WM_APP + 17;

void AddEntry(std::string& filter, const char* description, const char* pattern) {
    char text[600];
    snprintf(text, sizeof(text), "%s[%s]", description, pattern);
    filter += text;
    filter += '\0';
    filter += pattern;
    filter += '\0';
}

// Calls `each(info-extensions, description, slot)` for every plug-in of a table.
template <typename Info, typename InfoFn, typename Each>
void ForEachPlugin(const char* (*slotPath)(int), const char* exportName, Each each) {
    for (int slot = 0; slot < PluginSlots; ++slot) {
        const char* dll = slotPath(slot);
        if (!dll) break;
        PluginModule m(dll);
        if (!m.Loaded()) continue;
        InfoFn info = m.Get<InfoFn>(exportName);
        if (!info) {
            ShowMessageBox(PluginFrameWindow(), dll, "Error", kMsgOk);
            continue;
        }
        Info block;
        std::memset(&block, 0, sizeof(block));
        info(PluginStatusWindow(), &block);
        block.extensions[sizeof(block.extensions) - 1] = 0;
        block.description[sizeof(block.description) - 1] = 0;
        each(block, slot);
    }
}

std::vector<std::string> SplitList(const char* list) {
    std::vector<std::string> out;
    std::string token;
    for (const char* p = list;; ++p) {
        if (*p == ';' || *p == 0) {
            if (!token.empty()) out.push_back(token);
            token.clear();
            if (!*p) break;
        } else {
            token += *p;
        }
    }
    return out;
}

void ShowFileInfo(HWND hook) {
    const char* path = g_Hook.lastPath;
    int width = 0, height = 0, count = 0, bits[FileRecordEntries] = {};
    if (g_Hook.preview) FreePackedDib(g_Hook.preview), g_Hook.preview = nullptr;
    const bool file = path[0] && IsDirectory(path) == 0 && std::strchr(path, '.');
    if (!file || !GetImageFileInfo(path, &width, &height, nullptr, nullptr, bits, nullptr, &count, 0)) {
        SetDlgItemTextA(hook, IDC_FOPEN_SIZE, LoadResString(IDS_PREVIEW_NOFILE));
        SetDlgItemTextA(hook, IDC_FOPEN_LAYERS, LoadResString(IDS_PREVIEW_NOFILE));
        EnableWindow(GetDlgItem(hook, IDC_FOPEN_PREVIEW_CHECK), FALSE);
        InvalidateRect(GetDlgItem(hook, IDC_FOPEN_PICTURE), nullptr, TRUE);
        return;
    }
    const int depth = bits[0] == 1 ? IDS_DEPTH_2 : bits[0] == 4 ? IDS_DEPTH_16 : bits[0] == 8 ? IDS_DEPTH_256
                      : bits[0] == 24 ? IDS_DEPTH_FULL : IDS_DEPTH_UNKNOWN;
    char depthName[64], text[300];
    snprintf(depthName, sizeof(depthName), "%s", LoadResString2(depth));
    snprintf(text, sizeof(text), LoadResString(IDS_PREVIEW_SIZE), width, height, depthName);
    SetDlgItemTextA(hook, IDC_FOPEN_SIZE, text);
    snprintf(text, sizeof(text), LoadResString(IDS_PREVIEW_LAYERS), PreviewLayerCount(path));
    SetDlgItemTextA(hook, IDC_FOPEN_LAYERS, text);
    EnableWindow(GetDlgItem(hook, IDC_FOPEN_PREVIEW_CHECK), TRUE);
    if (g_Remember.previewOn) {
        g_Hook.preview = ReadFastImage(PluginStatusWindow(), path);
        if (!g_Hook.preview) g_Hook.preview = ReadImageToDib(path, PluginStatusWindow());
    }
    InvalidateRect(GetDlgItem(hook, IDC_FOPEN_PICTURE), nullptr, TRUE);
}

UINT_PTR CALLBACK FileOpenHookProc(HWND hook, UINT msg, WPARAM wp, LPARAM lp) {
    HWND dialog = GetParent(hook);
    switch (msg) {
    case WM_INITDIALOG:
        DeleteMenu(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND);
        ShowWindow(GetDlgItem(hook, IDC_FOPEN_PARTS), g_Hook.partsWanted ? SW_SHOW : SW_HIDE);
        CheckDlgButton(hook, IDC_FOPEN_PREVIEW_CHECK, g_Remember.previewOn ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_FOPEN_PREVIEW_CHECK:
            g_Remember.previewOn = IsDlgButtonChecked(hook, IDC_FOPEN_PREVIEW_CHECK) == BST_CHECKED;
            ShowFileInfo(hook);
            return TRUE;
        case IDC_FOPEN_PARTS: {
            // The selected file, or the folder shown when nothing is selected.
            char folder[MAX_PATH + 8] = {};
            const LRESULT len = g_Hook.lastPath[0] ? 0 : SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, (LPARAM)folder);
            snprintf(g_Hook.partsFrom, sizeof g_Hook.partsFrom, "%s",
                     g_Hook.lastPath[0] ? g_Hook.lastPath : len > 0 && len <= MAX_PATH ? folder : "");
            g_Hook.partsRequested = 1;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
        case IDC_FOPEN_PICTURE:
            if (HIWORD(wp) == STN_DBLCLK && g_Hook.lastPath[0] && IsDirectory(g_Hook.lastPath) == 0)
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const OFNOTIFYA* n = (const OFNOTIFYA*)lp;
        if (n->hdr.code == CDN_SELCHANGE) {
            char path[MAX_PATH + 8] = {};
            LRESULT len = SendMessageA(dialog, CDM_GETFILEPATH, sizeof(path), (LPARAM)path);
            g_Hook.lastPath[0] = 0;
            if (len > 0 && len <= MAX_PATH) snprintf(g_Hook.lastPath, sizeof(g_Hook.lastPath), "%s", path);
            ShowFileInfo(hook);
        } else if (n->hdr.code == CDN_INITDONE && HasModalAnswerHook()) {
            PostMessageA(hook, kAskHook, 0, 0);
        }
        break;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* d = (const DRAWITEMSTRUCT*)lp;
        if (d->CtlID != IDC_FOPEN_PICTURE) break;
        FillRect(d->hDC, &d->rcItem, (HBRUSH)GetStockObject(BLACK_BRUSH));
        if (g_Hook.preview)
            StretchDrawPackedDib(d->hDC, g_Hook.preview, d->rcItem.left, d->rcItem.top, d->rcItem.right,
                                 d->rcItem.bottom);
        return TRUE;
    }
    default:
        // The modal hook answers the system dialog as it answers ours.
        if (msg == kAskHook) {
            int id = AskModalHook(dialog, "dr_fopenhook", g_Hook.askAttempt++);
            if (id > 0) PostMessageA(dialog, WM_COMMAND, id, 0);
            else if (id == kModalPressClose || g_Hook.askAttempt >= kModalMaxAttempts)
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            else PostMessageA(hook, kAskHook, 0, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void StartHook(int partsWanted) {
    if (g_Hook.preview) FreePackedDib(g_Hook.preview);
    g_Hook = {};
    g_Hook.partsWanted = partsWanted;
}

void EndHook() {
    if (g_Hook.preview) FreePackedDib(g_Hook.preview);
    g_Hook.preview = nullptr;
}

OPENFILENAMEA DialogRecord(HWND owner, const std::string& filter, char* file, char* title) {
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = MAX_PATH;
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST | OFN_EXPLORER |
                OFN_ENABLESIZING;
    ofn.lpfnHook = FileOpenHookProc;
    ofn.lpTemplateName = "dr_fopenhook";
    return ofn;
}

}  // namespace

void SetPartsBoxChooser(PartsBoxChooserFn chooser) { g_Remember.chooser = chooser; }

void SetFileDialogTypeSettings(int32_t* openFilter, int32_t* saveFilter) {
    g_Remember.openFilter = openFilter ? openFilter : &g_Remember.ownOpenFilter;
    g_Remember.saveFilter = saveFilter ? saveFilter : &g_Remember.ownSaveFilter;
}

std::vector<std::string> ReaderExtensions() {
    std::vector<std::string> out;
    ForEachPlugin<ReaderInfo, ReadFileInfoFn>(ReaderPluginPath, DARNA_EXPORT_READ_FILE_INFO,
                                              [&](const ReaderInfo& info, int) {
        for (const std::string& ext : SplitList(info.extensions)) out.push_back(ext);
    });
    return out;
}

int PreviewLayerCount(const char* path) {
    // The single-image query gives the composite only: a layered file is
    // asked in its layered mode, as the open does.
    int count = 0;
    const int mode = IsLayeredFormatPath(path) ? 1 : 0;
    if (!GetImageFileInfo(path, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, mode)) return 0;
    return count;
}

std::string BuildReaderFilter() {
    std::string filter, all;
    ForEachPlugin<ReaderInfo, ReadFileInfoFn>(ReaderPluginPath, DARNA_EXPORT_READ_FILE_INFO,
                                              [&](const ReaderInfo& info, int) {
        for (const std::string& ext : SplitList(info.extensions)) {
            std::string pattern = "*." + ext;
            AddEntry(filter, info.description, pattern.c_str());
            if (all.size() + (all.empty() ? 0 : 1) + pattern.size() <= 255) all += (all.empty() ? "" : ";") + pattern;
        }
    });
    if (!all.empty()) {
        filter += LoadResString(IDS_ALL_FILES);
        filter += '\0';
        filter += all;
        filter += '\0';
    }
    filter += '\0';
    return filter;
}

std::string BuildWriterFilter(std::vector<std::string>* extensions, std::vector<int>* slots) {
    std::string filter;
    ForEachPlugin<WriterInfo, WriteFileInfoFn>(WriterPluginPath, DARNA_EXPORT_WRITE_FILE_INFO,
                                               [&](const WriterInfo& info, int slot) {
        if (!info.accepts8Bit && !info.accepts24Bit) return;
        for (const std::string& ext : SplitList(info.extensions)) {
            AddEntry(filter, info.description, ("*." + ext).c_str());
            if (extensions) extensions->push_back(ext.substr(0, 63));
            if (slots) slots->push_back(slot);
        }
    });
    filter += '\0';
    return filter;
}

std::string PathWithExtension(const char* path, const char* extension) {
    std::string out = path ? path : "";
    const char* slash = FindLastBackslash(out.c_str());
    const size_t nameAt = slash ? (size_t)(slash - out.c_str()) + 1 : 0;
    const size_t dot = out.rfind('.');
    if (dot != std::string::npos && dot >= nameAt) out.resize(dot);
    return out + "." + extension;
}

int OpenFileDialog(HWND owner, char* path, char* fileTitle, char* folder, int partsButton) {
    std::string filter = BuildReaderFilter();
    char file[MAX_PATH] = {}, title[MAX_PATH] = {};
    snprintf(file, sizeof(file), "%s", g_Remember.lastOpenTitle);
    OPENFILENAMEA ofn = DialogRecord(owner, filter, file, title);
    ofn.Flags |= OFN_FILEMUSTEXIST;
    ofn.lpstrInitialDir = folder && folder[0] ? folder : nullptr;
    for (;;) {
        StartHook(partsButton && g_Remember.chooser);
        ofn.nFilterIndex = StartingFilter(*g_Remember.openFilter, filter);
        EnablePanels(FALSE);
        BOOL ok = GetOpenFileNameA(&ofn);
        EnablePanels(TRUE);
        *g_Remember.openFilter = (int32_t)ofn.nFilterIndex;
        if (title[0]) snprintf(g_Remember.lastOpenTitle, sizeof(g_Remember.lastOpenTitle), "%s", title);
        if (ok) break;
        if (!g_Hook.partsRequested) {
            EndHook();
            return 0;
        }
        // The parts box on the folder shown and the pattern of the current filter.
        char shown[MAX_PATH] = {};
        snprintf(shown, sizeof(shown), "%s", g_Hook.partsFrom);
        // A file, or a name typed that names nothing yet: its folder.
        if (IsDirectory(shown) != 1) {
            char name[MAX_PATH];
            SplitPath(g_Hook.partsFrom, shown, name);
        }
        std::string pattern = "*.*";
        const char* entry = filter.c_str();
        for (DWORD i = 1; *entry; ++i) {
            const char* pat = entry + std::strlen(entry) + 1;
            if (i == ofn.nFilterIndex) pattern = pat;
            entry = pat + std::strlen(pat) + 1;
        }
        std::string where = shown;
        if (where.empty() || where.back() != '\\') where += '\\';
        char chosen[MAX_PATH] = {};
        if (g_Remember.chooser(owner, where.c_str(), pattern.c_str(), LoadResString(IDS_PARTS_CHOOSER), chosen)) {
            snprintf(file, sizeof(file), "%s", chosen);
            break;
        }
    }
    if (!file[0]) snprintf(file, sizeof(file), "%s", g_Hook.lastPath);
    EndHook();
    if (!file[0] || std::strlen(file) >= 256) return 0;
    std::strcpy(path, file);
    char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
    if (SplitPath(file, dir, name)) {
        if (folder) std::strcpy(folder, dir);
        if (fileTitle) std::strcpy(fileTitle, name);
    }
    return 1;
}

int SaveFileDialog(HWND owner, char* path, char* fileTitle) {
    std::vector<std::string> extensions;
    std::vector<int> slots;
    std::string filter = BuildWriterFilter(&extensions, &slots);
    if (extensions.empty() || !path) return 0;
    char file[MAX_PATH] = {}, title[MAX_PATH] = {}, initial[MAX_PATH] = {};
    if (path[0]) {
        // The document's name without its extensions, in its folder (a camera
        // card's document goes to the documents folder).
        char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
        if (SplitPath(path, dir, name)) {
            if (char* dot = std::strchr(name, '.')) *dot = 0;
            if (IsDcimPath(path) && GetMyDocumentsPath(initial)) snprintf(file, sizeof(file), "%s\\%s", initial, name);
            else snprintf(initial, sizeof(initial), "%s", dir), snprintf(file, sizeof(file), "%s", name);
        }
    }
    OPENFILENAMEA ofn = DialogRecord(owner, filter, file, title);
    ofn.lpstrInitialDir = initial[0] ? initial : nullptr;
    ofn.nFilterIndex = StartingFilter(*g_Remember.saveFilter, filter);
    StartHook(0);
    EnablePanels(FALSE);
    BOOL ok = GetSaveFileNameA(&ofn);
    EnablePanels(TRUE);
    EndHook();
    if (!ok) return 0;
    *g_Remember.saveFilter = (int32_t)ofn.nFilterIndex;
    size_t index = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= extensions.size() ? ofn.nFilterIndex - 1 : 0;
    std::string chosen = PathWithExtension(file, extensions[index].c_str());
    if (chosen.size() >= 256) {
        ShowMessageBox(owner, LoadResString(IDS_BAD_FILENAME), kAppTitle, kMsgOk);
        return 0;
    }
    if (FileExists(chosen.c_str()) &&
        ShowMessageBox(owner, LoadResString(IDS_ASK_OVERWRITE), kAppTitle, kMsgYesNo) != IDYES)
        return 0;
    std::strcpy(path, chosen.c_str());
    char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
    if (fileTitle && SplitPath(path, dir, name)) std::strcpy(fileTitle, name);
    return 1;
}
