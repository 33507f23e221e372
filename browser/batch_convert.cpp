#include "browser/batch_convert.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/codecs/image_codecs.h"
#include "browser/codecs/simple_image.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/browser_settings.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/small_dialogs.h"
#include "fileio/plugin_registry.h"
#include "resources/darnaview_ids.h"

namespace {

const char kAskFolder[] = "出力先フォルダを選択してください";
constexpr int kBoxMin = 4, kBoxMax = 10240;

// The kinds refused, in the order their messages come, with the name the
// message gives them.
struct RefusedKind {
    const char* extension;
    const char* name;
};
constexpr RefusedKind kRefused[] = {{"dra", "DRA"}, {"psd", "PSD"}, {"dnp", "DNP"}, {"orf", "ORF"}, {"ico", "ICO"}};

bool IsRefusedFormat(const char* extension) {
    for (const RefusedKind& k : kRefused)
        if (CompareNoCase(extension, k.extension) == 0) return true;
    return false;
}

// Stores the folder with one trailing backslash into the settings.
void StoreOutputFolder(const char* folder) {
    char buffer[sizeof g_BrowserSettings.outputFolder];
    size_t n = std::strlen(folder);
    if (n + 2 > sizeof buffer) return;
    std::memcpy(buffer, folder, n + 1);
    if (n == 0 || buffer[n - 1] != '\\') std::strcat(buffer, "\\");
    std::memcpy(g_BrowserSettings.outputFolder, buffer, sizeof buffer);
}

// ---- dpj_xfer

struct XferState {
    BatchOptions* options;
    std::vector<WriterFormat> formats;
    bool writing;   // the program writes an edit: its change is ignored
};

int g_formatIndex = 0;   // the chosen list entry, kept for the run

// The extension of a list entry: between the last "*." and the closing "]".
std::string ExtensionOfEntry(const char* entry) {
    const char* star = std::strrchr(entry, '*');
    if (!star || star[1] != '.') return "bmp";
    std::string ext = star + 2;
    if (!ext.empty()) ext.pop_back();
    return ext;
}

void EnableBoxEdits(HWND dlg, bool on) {
    for (int id : {IDC_BV_XFER_WIDTH, IDC_BV_XFER_WSPIN, IDC_BV_XFER_HEIGHT, IDC_BV_XFER_HSPIN})
        EnableWindow(GetDlgItem(dlg, id), on);
}

void TakeFormat(HWND dlg, XferState* s) {
    const int i = (int)SendDlgItemMessageA(dlg, IDC_BV_XFER_FORMATS, LB_GETCURSEL, 0, 0);
    if (i < 0 || i >= (int)s->formats.size()) return;
    g_formatIndex = i;
    s->options->extension = ExtensionOfEntry(s->formats[(size_t)i].entry.c_str());
}

INT_PTR CALLBACK XferProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = DialogState<XferState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        BatchOptions* o = s->options;
        CheckDlgButton(dlg, IDC_BV_XFER_RESIZE, o->resize ? BST_CHECKED : BST_UNCHECKED);
        s->writing = true;
        SetWindowInt(GetDlgItem(dlg, IDC_BV_XFER_WIDTH), o->width);
        SetWindowInt(GetDlgItem(dlg, IDC_BV_XFER_HEIGHT), o->height);
        s->writing = false;
        for (int id : {IDC_BV_XFER_WSPIN, IDC_BV_XFER_HSPIN})
            SendDlgItemMessageA(dlg, id, UDM_SETRANGE32, kBoxMin, kBoxMax);
        SendDlgItemMessageA(dlg, IDC_BV_XFER_WSPIN, UDM_SETPOS32, 0, o->width);
        SendDlgItemMessageA(dlg, IDC_BV_XFER_HSPIN, UDM_SETPOS32, 0, o->height);
        for (const WriterFormat& f : s->formats)
            SendDlgItemMessageA(dlg, IDC_BV_XFER_FORMATS, LB_ADDSTRING, 0, (LPARAM)f.entry.c_str());
        if (g_formatIndex >= (int)s->formats.size()) g_formatIndex = 0;
        SendDlgItemMessageA(dlg, IDC_BV_XFER_FORMATS, LB_SETCURSEL, (WPARAM)g_formatIndex, 0);
        TakeFormat(dlg, s);
        CenterWindow(dlg);
        SetDlgItemTextA(dlg, IDC_BV_XFER_FOLDER, g_BrowserSettings.outputFolder);
        EnableBoxEdits(dlg, o->resize != 0);
        return TRUE;
    }
    case WM_COMMAND: {
        if (s->writing) return TRUE;
        const int id = LOWORD(wp), code = HIWORD(wp);
        BatchOptions* o = s->options;
        switch (id) {
        case IDC_BV_XFER_FOLDERBTN: {
            const char* start = g_BrowserSettings.outputFolder;
            if (!*start || !IsFolderFast(start)) start = g_Browser.folder;
            char chosen[MAX_PATH] = {};
            if (BrowseFolder(dlg, chosen, start, kAskFolder)) {
                StoreOutputFolder(chosen);
                SetDlgItemTextA(dlg, IDC_BV_XFER_FOLDER, g_BrowserSettings.outputFolder);
            }
            return TRUE;
        }
        case IDC_BV_XFER_FORMATS:
            if (code == LBN_SELCHANGE) TakeFormat(dlg, s);
            return TRUE;
        case IDC_BV_XFER_RESIZE:
            o->resize = !o->resize;
            CheckDlgButton(dlg, IDC_BV_XFER_RESIZE, o->resize ? BST_CHECKED : BST_UNCHECKED);
            EnableBoxEdits(dlg, o->resize != 0);
            return TRUE;
        case IDC_BV_XFER_WIDTH:
        case IDC_BV_XFER_HEIGHT:
            if (code == EN_CHANGE) {
                ReadDlgItemInt(dlg, id, id == IDC_BV_XFER_WIDTH ? &o->width : &o->height, kBoxMax, kBoxMin);
                SetTimer(dlg, (UINT_PTR)id, 500, nullptr);
            }
            return TRUE;
        default:
            return HandleDialogEnd(dlg, msg, wp);
        }
    }
    case WM_TIMER:
        KillTimer(dlg, wp);
        RewriteDlgItemInt(dlg, (int)wp, (int)wp == IDC_BV_XFER_WIDTH ? s->options->width : s->options->height, &s->writing);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* h = (const NMHDR*)lp;
        if (h->code != UDN_DELTAPOS || (h->idFrom != IDC_BV_XFER_WSPIN && h->idFrom != IDC_BV_XFER_HSPIN)) return FALSE;
        const bool wide = h->idFrom == IDC_BV_XFER_WSPIN;
        int* v = wide ? &s->options->width : &s->options->height;
        const int n = *v + ((const NMUPDOWN*)lp)->iDelta;
        *v = n < kBoxMin ? kBoxMin : n > kBoxMax ? kBoxMax : n;
        RewriteDlgItemInt(dlg, wide ? IDC_BV_XFER_WIDTH : IDC_BV_XFER_HEIGHT, *v, &s->writing);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        return HandleDialogEnd(dlg, msg, wp);
    case WM_DESTROY:
        KillTimer(dlg, IDC_BV_XFER_WIDTH);
        KillTimer(dlg, IDC_BV_XFER_HEIGHT);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

std::vector<WriterFormat> ListWriterFormats() {
    std::vector<WriterFormat> out;
    for (int i = 0; i < PluginSlots; ++i) {
        const char* dll = WriterPluginPath(i);
        if (!dll) break;
        PluginModule m(dll);
        auto info = m.Get<WriteFileInfoFn>(DARNA_EXPORT_WRITE_FILE_INFO);
        if (!info) continue;
        WriterInfo wi;
        std::memset(&wi, 0, sizeof wi);
        info(PluginStatusWindow(), &wi);
        wi.extensions[sizeof wi.extensions - 1] = 0;
        wi.description[sizeof wi.description - 1] = 0;
        const char* p = wi.extensions;
        while (*p) {
            const char* end = std::strchr(p, ';');
            std::string ext(p, end ? (size_t)(end - p) : std::strlen(p));
            p = end ? end + 1 : p + std::strlen(p);
            if (ext.empty() || ext.size() > 30 || IsRefusedFormat(ext.c_str())) continue;
            out.push_back(WriterFormat{std::string(wi.description) + "[*." + ext + "]", ext});
        }
    }
    return out;
}

namespace {

// The file's reader is our JPEG plug-in, whose decoder the in-process read shares.
bool ReadByJpegPlugin(const char* path) {
    const char* dll = ReaderPluginPath(FindReaderPlugin(path));
    if (!dll) return false;
    const char* name = std::strrchr(dll, '\\');
    return CompareNoCase(name ? name + 1 : dll, "jpgload.dll") == 0;
}

// Both paths name the same file (compared as full paths, ignoring case).
bool SamePath(const char* a, const char* b) {
    char fullA[MAX_PATH], fullB[MAX_PATH];
    const DWORD na = GetFullPathNameA(a, MAX_PATH, fullA, nullptr), nb = GetFullPathNameA(b, MAX_PATH, fullB, nullptr);
    if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return CompareNoCase(a, b) == 0;
    return CompareNoCase(fullA, fullB) == 0;
}

// The box of a fitting read, and the size fitted into it.
struct BoxFit {
    int boxWidth, boxHeight;
    int width = 0, height = 0;
};

// Reduced reads are for pictures that the box brings to at most half their size each way.
bool FitForReduction(int width, int height, void* user, int* minWidth, int* minHeight) {
    BoxFit* fit = (BoxFit*)user;
    ScaleSizeToBox(width, height, fit->boxWidth, fit->boxHeight, &fit->width, &fit->height);
    *minWidth = fit->width;
    *minHeight = fit->height;
    return (int64_t)fit->width * 2 <= width && (int64_t)fit->height * 2 <= height;
}

// The picture of a JPEG file (one our JPEG reader takes) fitted into the box,
// when the fitted size is at most half the picture each way: decoded at the
// largest reduction that still covers the fitted size, then resampled to it
// by area, which differs from a full read then resample only by the
// decoder's rounding. Null when the file is no such JPEG (the caller then
// reads it in full). Safe on any thread: no plug-in is called.
PackedDib ReadJpegFittedToBox(const char* path, int boxWidth, int boxHeight) {
    BoxFit fit{boxWidth, boxHeight};
    SimpleImage* reduced = nullptr;
    if (ReadJpegImageReduced(path, FitForReduction, &fit, &reduced) != CodecOk) return nullptr;
    PackedDib dib = PackedDibFromSimpleImage(reduced);
    FreeSimpleImage(&reduced);
    if (!dib || (dib->biWidth == fit.width && dib->biHeight == fit.height)) return dib;
    PackedDib fitted = ResizeDib24Area(dib, fit.width, fit.height);
    FreePackedDib(dib);
    return fitted;
}

// The next file's fitted picture read on a thread of its own while the
// current file is written (the reduced read calls no plug-in, so it never
// waits for this thread's windows).
class FittedPrefetch {
public:
    FittedPrefetch() = default;
    ~FittedPrefetch() { Drop(); }
    FittedPrefetch(const FittedPrefetch&) = delete;
    FittedPrefetch& operator=(const FittedPrefetch&) = delete;
    void Start(int item, const char* path, int boxWidth, int boxHeight) {
        Drop();
        item_ = item;
        thread_ = std::thread([this, p = std::string(path), boxWidth, boxHeight] {
            dib_ = ReadJpegFittedToBox(p.c_str(), boxWidth, boxHeight);
        });
    }
    // The picture read for `item` (null when it could not be fitted so), and
    // whether one was started for it at all.
    bool Take(int item, PackedDib* dib) {
        if (item != item_ || !thread_.joinable()) return false;
        thread_.join();
        *dib = dib_;
        dib_ = nullptr;
        item_ = -1;
        return true;
    }
    void Drop() {
        if (thread_.joinable()) thread_.join();
        if (dib_) FreePackedDib(dib_);
        dib_ = nullptr;
        item_ = -1;
    }
private:
    std::thread thread_;
    PackedDib dib_ = nullptr;
    int item_ = -1;
};

}  // namespace

int IsFolderFast(const char* path) {
    if (!path || !*path) return 0;
    if (path[0] == 'A' || path[0] == 'a' || std::strlen(path) == 3) return 1;
    char buffer[MAX_PATH];
    size_t n = std::strlen(path);
    if (n >= sizeof buffer) return 0;
    std::memcpy(buffer, path, n + 1);
    if (buffer[n - 1] == '\\') buffer[n - 1] = 0;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(buffer, &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    FindClose(find);
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int BatchOutputPath(const char* folder, const char* source, const char* extension, char* out, size_t outSize) {
    char dir[MAX_PATH], name[MAX_PATH];
    if (!SplitPath(source, dir, name, sizeof name)) return 0;
    char* dot = std::strrchr(name, '.');
    if (!dot) return 0;
    *dot = 0;
    const int n = std::snprintf(out, outSize, "%s%s.%s", folder, name, extension);
    return n > 0 && (size_t)n < outSize ? 1 : 0;
}

int RunBatchConvert(HWND owner, const BatchOptions& options) {
    char message[400];
    for (const RefusedKind& k : kRefused) {
        bool present = false;
        for (int i = 0; i < g_FileList.count && !present; ++i)
            present = g_FileList.flags[(size_t)i] && HasExtension(g_FileList.paths[(size_t)i].c_str(), k.extension);
        if (!present) continue;
        std::snprintf(message, sizeof message,
                      "選択されたファイルの中に%s形式のファイルがあります。\r\n%s形式のファイルを変換することはできません。\r\n",
                      k.name, k.name);
        BrowserMessage(owner, message, kMsgOk);
    }
    // The files to convert and their outputs, in list order.
    struct Item {
        const char* source;
        char target[MAX_PATH];
    };
    std::vector<Item> items;
    for (int i = 0; i < g_FileList.count; ++i) {
        if (!g_FileList.flags[(size_t)i]) continue;
        Item item{g_FileList.paths[(size_t)i].c_str(), {}};
        if (HasRefusedExtension(item.source)) continue;
        if (!BatchOutputPath(g_BrowserSettings.outputFolder, item.source, options.extension.c_str(), item.target,
                             sizeof item.target))
            continue;
        items.push_back(item);
    }
    // Reduced JPEG reads are taken one file ahead, on their own thread, unless
    // that file is the one being written meanwhile (it is read once written).
    auto fits = [&](size_t k) { return options.resize && k < items.size() && ReadByJpegPlugin(items[k].source); };
    auto fitsAhead = [&](size_t k) { return fits(k) && !SamePath(items[k].source, items[k - 1].target); };
    FittedPrefetch ahead;
    int written = 0;
    for (size_t k = 0; k < items.size(); ++k) {
        const char* source = items[k].source;
        const char* target = items[k].target;
        PackedDib dib = nullptr;
        if (!ahead.Take((int)k, &dib) && fits(k)) dib = ReadJpegFittedToBox(source, options.width, options.height);
        const bool fitted = dib != nullptr;
        if (fitsAhead(k + 1)) ahead.Start((int)k + 1, items[k + 1].source, options.width, options.height);
        if (!dib) dib = ReadImageToDib24(source);
        if (!dib) continue;
        if (options.resize && !fitted) {
            int w, h;
            ScaleSizeToBox(dib->biWidth, dib->biHeight, options.width, options.height, &w, &h);
            if (w != dib->biWidth || h != dib->biHeight) {
                PackedDib scaled = ResizeDib24Area(dib, w, h);
                FreePackedDib(dib);
                dib = scaled;
            }
        }
        // The write goes through a temporary file: a target that is the
        // source itself is replaced only once the new file is complete.
        const int ok = dib ? WriteDib24WithPlugin(dib, target, WriterForPath(target)) : 0;
        if (dib) FreePackedDib(dib);
        if (!ok) {
            std::snprintf(message, sizeof message, "ファイル[%s]の作成に失敗しました", target);
            BrowserMessage(owner, message, kMsgOk);
            break;
        }
        ++written;
    }
    return written;
}

int BatchConvert(HWND owner) {
    static BatchOptions options;
    options.resize = 0;
    options.width = options.height = 1024;
    if (options.extension.empty()) options.extension = "bmp";
    if (!IsFolderFast(g_BrowserSettings.outputFolder)) {
        char chosen[MAX_PATH] = {};
        if (!BrowseFolder(owner, chosen, g_BrowserSettings.outputFolder, kAskFolder)) return 0;
        StoreOutputFolder(chosen);
    }
    XferState state{&options, ListWriterFormats(), false};
    if (RunModalDialog(g_Browser.instance, "dpj_xfer", owner, XferProc, (LPARAM)&state) != 1) return 0;
    RunBatchConvert(owner, options);
    return 1;
}
