#include "browser/file_ops.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "browser/file_list.h"
#include "browser/small_dialogs.h"
#include "browser/thumb_pane.h"
#include "fileio/exif_blob.h"
#include "fileio/thumb_cache.h"
#include "resources/darnaview_ids.h"

namespace {

const char kNoSelection[] = "ファイルが選択されていません";

int Say(HWND owner, const char* format, const char* path, unsigned kind = kMsgOk) {
    char text[MAX_PATH + 256];
    std::snprintf(text, sizeof text, format, path);
    return BrowserMessage(owner, text, kind);
}

bool SameFile(const char* a, const char* b) {
    char fa[MAX_PATH], fb[MAX_PATH];
    if (!GetFullPathNameA(a, MAX_PATH, fa, nullptr) || !GetFullPathNameA(b, MAX_PATH, fb, nullptr)) return false;
    return CompareNoCase(fa, fb) == 0;
}

// ---- ivm_rename

struct RenameState {
    char folder[MAX_PATH];
    char base[84];
    char extension[MAX_PATH];
    UINT_PTR timer;
    bool guard;
};

INT_PTR CALLBACK RenameProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* r = DialogState<RenameState>(dlg, msg, lp);
    switch (msg) {
    case WM_INITDIALOG: {
        CenterWindow(dlg);
        char kind[MAX_PATH + 128];
        std::snprintf(kind, sizeof kind, LoadResString(IDS_BV_RENAME_KIND), r->base, r->extension);
        SetDlgItemTextA(dlg, IDC_BV_RENAME_KIND, kind);
        r->guard = true;
        SetDlgItemTextA(dlg, IDC_BV_EDIT, r->base);
        r->guard = false;
        return TRUE;
    }
    case WM_COMMAND:
        if (!r || r->guard) return TRUE;
        switch (LOWORD(wp)) {
        case IDC_BV_EDIT:
            if (HIWORD(wp) == EN_CHANGE) {
                char text[101] = {};
                GetDlgItemTextA(dlg, IDC_BV_EDIT, text, 85);
                CutBaseName(text);
                std::snprintf(r->base, sizeof r->base, "%s", text);
                if (r->timer) KillTimer(dlg, r->timer);
                r->timer = SetTimer(dlg, 1, 500, nullptr);
            }
            return TRUE;
        case IDOK: {
            char target[MAX_PATH + 100];
            if (!r->base[0]) {
                BrowserMessage(dlg, "名前が入力されていません。", kMsgOk);
            } else if (IsInvalidFileName(r->base)) {
                BrowserMessage(dlg, "不正なファイル名です。", kMsgOk);
            } else if (std::snprintf(target, sizeof target, "%s\\%s.%s", r->folder, r->base, r->extension) >= MAX_PATH) {
                BrowserMessage(dlg, "不正なファイル名です。", kMsgOk);
            } else if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
                BrowserMessage(dlg, "同名のファイルがあります。", kMsgOk);
            } else {
                EndDialog(dlg, 1);
            }
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_TIMER: {
        KillTimer(dlg, wp);
        r->timer = 0;
        r->guard = true;
        char text[101] = {};
        GetDlgItemTextA(dlg, IDC_BV_EDIT, text, sizeof text);
        if (std::strcmp(text, r->base) != 0) SetDlgItemTextA(dlg, IDC_BV_EDIT, r->base);
        r->guard = false;
        return TRUE;
    }
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    case WM_PAINT:
        PaintDialogWithFrame(dlg);
        return TRUE;
    case WM_DESTROY:
        if (r && r->timer) KillTimer(dlg, r->timer);
        return FALSE;
    default:
        return FALSE;
    }
}

// The EXIF data of a turned file's original and the new thumbnail, put into
// the writer's temporary file before it replaces the original.
struct TurnedExif {
    const uint8_t* blob;   // the original's ExifBlob
    size_t blobSize;
    const std::vector<uint8_t>* thumbnail;   // JPEG bytes (JPEG files only)
    int width, height;     // the turned picture's
    int kind;              // ExifEmbedJpeg or ExifEmbedTiff
};

int EmbedTurnedExif(void* user, const char* temporaryPath) {
    const TurnedExif* e = (const TurnedExif*)user;
    const bool thumb = !e->thumbnail->empty();
    return EmbedExifInFile(temporaryPath, thumb ? e->thumbnail->data() : nullptr, (int)e->thumbnail->size(),
                           e->width, e->height, e->blob, e->blobSize, e->kind) == 0;
}

// The turned picture over the file through its writer, with the original's
// EXIF data (taken before anything is written) when it has some: the file is
// replaced only when the picture and its EXIF data are both in place.
// Non-zero on success.
int WriteTurnedFile(const char* path, const BITMAPINFOHEADER* turned, const char* writer) {
    const int kind = ExifEmbedKindForPath(path);
    int32_t blobSize = 0;
    HGLOBAL blob = kind ? ReadExifBlob(path, &blobSize) : nullptr;
    if (!blob) return WriteDib24WithPlugin(turned, path, writer);
    std::vector<uint8_t> thumbnail;
    int ok = 1;
    if (kind == ExifEmbedJpeg) {
        PackedDib small = MakeExifThumbnail(turned, 160, 120);
        ok = small && ExifThumbnailJpegOfDib24(small, &thumbnail);
        if (small) FreePackedDib(small);
    }
    const uint8_t* bytes = ok ? (const uint8_t*)GlobalLock(blob) : nullptr;
    if (bytes) {
        // The pixels are turned: the orientation tag says "upright" now, or
        // other viewers would turn the picture a second time.
        std::vector<uint8_t> copy(bytes, bytes + blobSize);
        GlobalUnlock(blob);
        SetExifBlobOrientation(copy.data(), copy.size(), 1);
        TurnedExif e = {.blob = copy.data(), .blobSize = copy.size(), .thumbnail = &thumbnail,
                        .width = turned->biWidth, .height = turned->biHeight, .kind = kind};
        ok = WriteDib24WithPlugin(turned, path, writer, EmbedTurnedExif, &e);
    } else {
        ok = 0;
    }
    FreeExifBlob(&blob);
    return ok;
}

}  // namespace

int CopySelectedTo(HWND owner, const char* folder) {
    std::string target0 = folder;
    if (target0.empty() || target0.back() != '\\') target0 += '\\';
    int copied = 0;
    for (int i = 0; i < g_FileList.count; ++i) {
        if (!g_FileList.flags[(size_t)i]) continue;
        const std::string& source = g_FileList.paths[(size_t)i];
        const char* slash = FindLastBackslash(source.c_str());
        std::string target = target0 + (slash ? slash + 1 : source.c_str());
        if (target.size() >= MAX_PATH) {
            Say(owner, "ファイル\r\n[%s]\r\nはコピー先のパスが長すぎるためコピーできません。", source.c_str());
            return copied;
        }
        if (SameFile(source.c_str(), target.c_str())) {
            Say(owner, "ファイル\r\n[%s]\r\nは、コピー先と同じフォルダにあるためコピーできません。", source.c_str());
            continue;
        }
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
            Say(owner, "ファイル\r\n[%s]\r\nは、同名のファイルが存在します。上書きしますか？", target.c_str(), kMsgYesNo) != IDYES)
            continue;
        if (!CopyFileBlocks(source.c_str(), target.c_str())) {
            Say(owner, "ファイル\r\n[%s]\r\nをコピーできませんでした。", source.c_str());
            return copied;
        }
        ++copied;
    }
    return copied;
}

void CopySelectedFiles(HWND owner) {
    if (FirstSelected() < 0) {
        BrowserMessage(owner, kNoSelection, kMsgOk);
        return;
    }
    char folder[MAX_PATH] = {};
    if (!BrowseFolder(owner, folder, g_Browser.folder, "コピー先フォルダを選択してください")) return;
    CopySelectedTo(owner, folder);
}

void DeleteSelectedFiles(HWND owner) {
    int n = 0;
    for (int i = 0; i < g_FileList.count; ++i) n += g_FileList.flags[(size_t)i] != 0;
    if (n == 0) {
        BrowserMessage(owner, kNoSelection, kMsgOk);
        return;
    }
    char text[256];
    std::snprintf(text, sizeof text, LoadResString(IDS_BV_ASK_DELETE), n);
    if (BrowserMessage(owner, text, kMsgYesNo) != IDYES) return;
    for (int i = 0; i < g_FileList.count; ++i) {
        if (!g_FileList.flags[(size_t)i]) continue;
        const std::string& path = g_FileList.paths[(size_t)i];
        char from[MAX_PATH + 2] = {};   // double NUL-terminated
        std::snprintf(from, MAX_PATH, "%s", path.c_str());
        SHFILEOPSTRUCTA op = {};
        op.hwnd = owner;
        op.wFunc = FO_DELETE;
        op.pFrom = from;
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;
        SHFileOperationA(&op);
        DeleteThumbCacheFile(path.c_str(), kThumbCacheSet);
    }
    RefreshFileList(g_Browser.pane, 1);
}

void CutBaseName(char* name) {
    const size_t n = std::strlen(name);
    if (n <= 80) return;
    // A double-byte character across bytes 79 and 80 (counting from 1) goes whole.
    size_t i = 0;
    while (i < 80) i += IsSjisLead((unsigned char)name[i]) && name[i + 1] ? 2 : 1;
    name[i > 80 ? 79 : 80] = 0;
}

int IsInvalidFileName(const char* name) {
    for (const unsigned char* p = (const unsigned char*)name; *p; ++p) {
        if (IsSjisLead(*p) && p[1]) {
            ++p;
            continue;
        }
        if (std::strchr("\\/:*\"<>?|", *p)) return 1;
    }
    return 0;
}

int GetBaseName(const char* name, char* out, size_t outSize) {
    std::snprintf(out, outSize, "%s", name);
    char* dot = std::strrchr(out, '.');
    if (!dot) return 0;
    *dot = 0;
    return 1;
}

int RenameFileDialog(HWND owner, const char* path) {
    RenameState r = {};
    char name[MAX_PATH];
    if (!SplitPath(path, r.folder, name)) return 0;
    const char* dot = std::strrchr(name, '.');
    if (dot) std::snprintf(r.extension, sizeof r.extension, "%s", dot + 1);
    GetBaseName(name, r.base, sizeof r.base);
    CutBaseName(r.base);
    if (RunModalDialog(g_Browser.instance, "ivm_rename", owner, RenameProc, (LPARAM)&r) != 1) return 0;
    char target[MAX_PATH + 100];
    if (std::snprintf(target, sizeof target, "%s\\%s.%s", r.folder, r.base, r.extension) >= MAX_PATH) return 0;
    if (!MoveFileA(path, target)) {
        Say(owner, "ファイル\r\n[%s]\r\nの名前を変更できませんでした。", path);
        return 0;
    }
    return 1;
}

int RotateFileOnDisk(HWND owner, const char* path, int mode) {
    static const int kTurn[3] = {kTurnCounterClockwise, kTurnClockwise, kTurnHalf};
    if (mode < 0 || mode > 2) return 0;
    const char* writer = WriterForPath(path);
    if (!writer) {
        Say(owner, "ファイル\r\n[%s]\r\nはこの形式で書き込めないので回転できません。", path);
        return 0;
    }
    PackedDib image = ReadImageToDib24(path);
    if (!image) {
        Say(owner, "ファイル\r\n[%s]\r\nを読み込めないので回転できません。", path);
        return 0;
    }
    PackedDib turned = RotateDib(image, kTurn[mode]);
    FreePackedDib(image);
    if (!turned) {
        Say(owner, "ファイル\r\n[%s]\r\nはメモリーが不足したため回転できません。", path);
        return 0;
    }
    const int ok = WriteTurnedFile(path, turned, writer) ? 1 : 0;
    FreePackedDib(turned);
    if (!ok) {
        Say(owner, "ファイル\r\n[%s]\r\nを書き込めませんでした。元のファイルはそのままです。", path);
        return 0;
    }
    DeleteThumbCacheFile(path, kThumbCacheSet);
    return 1;
}

void RotateSelectedFiles(HWND owner) {
    if (FirstSelected() < 0) {
        BrowserMessage(owner, "選択されている画像がありません", kMsgOk);
        return;
    }
    static const char* const kKinds[][2] = {{"dra", "DRA"}, {"psd", "PSD"}, {"dnp", "DNP"}, {"orf", "ORF"}, {"ico", "ICO"}};
    for (const auto& kind : kKinds) {
        bool present = false;
        for (int i = 0; i < g_FileList.count && !present; ++i)
            present = g_FileList.flags[(size_t)i] && HasExtension(g_FileList.paths[(size_t)i].c_str(), kind[0]);
        if (!present) continue;
        char text[256];
        std::snprintf(text, sizeof text,
                      "選択されたファイルの中に%s形式のファイルがあります。\r\n%s形式のファイルを変換することはできません。\r\n",
                      kind[1], kind[1]);
        BrowserMessage(owner, text, kMsgOk);
    }
    const int mode = AskRotation(owner);
    if (mode < 0) return;
    for (int i = 0; i < g_FileList.count; ++i) {
        if (!g_FileList.flags[(size_t)i]) continue;
        const std::string path = g_FileList.paths[(size_t)i];
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            Say(owner, "ﾌｧｲﾙ\r\n[%s]\r\nは書き込み禁止なので回転できません", path.c_str());
            continue;
        }
        if (HasRefusedExtension(path.c_str())) continue;
        if (!RotateFileOnDisk(owner, path.c_str(), mode)) break;
    }
    RefreshFileList(g_Browser.pane, 0);
}
