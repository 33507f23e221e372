#include "browser/folder_tree.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/mousepoll.h"
#include "ui/sysutil.h"
#include "browser/browser_frame.h"
#include "browser/browser_settings.h"
#include "browser/file_list.h"
#include "browser/status_bar.h"
#include "browser/thumb_pane.h"

namespace {

// The shell's allocator and desktop folder for one operation.
struct ShellAccess {
    IMalloc* malloc = nullptr;
    IShellFolder* desktop = nullptr;
    ShellAccess() {
        if (FAILED(SHGetMalloc(&malloc))) malloc = nullptr;
        if (FAILED(SHGetDesktopFolder(&desktop))) desktop = nullptr;
    }
    ~ShellAccess() {
        if (desktop) desktop->Release();
        if (malloc) malloc->Release();
    }
    bool Ok() const { return malloc && desktop; }
};

UINT ItemListSize(LPCITEMIDLIST list) {
    if (!list) return 0;
    UINT size = 0;
    const BYTE* p = (const BYTE*)list;
    for (;;) {
        USHORT cb;
        std::memcpy(&cb, p + size, sizeof cb);
        if (!cb) break;
        size += cb;
    }
    return size;
}

// The parent's list followed by the child's (allocated by the shell).
LPITEMIDLIST JoinItemLists(IMalloc* m, LPCITEMIDLIST parent, LPCITEMIDLIST child) {
    const UINT a = ItemListSize(parent), b = ItemListSize(child);
    BYTE* out = (BYTE*)m->Alloc(a + b + 2);
    if (!out) return nullptr;
    if (a) std::memcpy(out, parent, a);
    if (b) std::memcpy(out + a, child, b);
    out[a + b] = out[a + b + 1] = 0;
    return (LPITEMIDLIST)out;
}

std::string StrRetText(IMalloc* m, STRRET& s, LPCITEMIDLIST item) {
    char text[MAX_PATH] = {};
    switch (s.uType) {
    case STRRET_WSTR:
        WideCharToMultiByte(CP_ACP, 0, s.pOleStr, -1, text, sizeof text, nullptr, nullptr);
        m->Free(s.pOleStr);
        break;
    case STRRET_OFFSET:
        std::snprintf(text, sizeof text, "%s", (const char*)item + s.uOffset);
        break;
    case STRRET_CSTR:
        std::snprintf(text, sizeof text, "%s", s.cStr);
        break;
    default:
        break;
    }
    return text;
}

void FreeItemList(HWND tree, HTREEITEM item, IMalloc* m) {
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (TreeView_GetItem(tree, &tv) && tv.lParam) {
        m->Free((void*)tv.lParam);
        tv.lParam = 0;
        TreeView_SetItem(tree, &tv);
    }
}

void DeleteChildren(HWND tree, HTREEITEM parent, IMalloc* m) {
    HTREEITEM child = TreeView_GetChild(tree, parent);
    while (child) {
        HTREEITEM next = TreeView_GetNextSibling(tree, child);
        DeleteChildren(tree, child, m);
        FreeItemList(tree, child, m);
        TreeView_DeleteItem(tree, child);
        child = next;
    }
}

bool IsRemovableRoot(LPCITEMIDLIST list) {
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(list, path) || std::strlen(path) != 3 || path[1] != ':') return false;
    return GetDriveTypeA(path) == DRIVE_REMOVABLE;
}

ULONG ItemAttributes(LPCITEMIDLIST list) {
    if (IsRemovableRoot(list)) return 0x42000040;
    SHFILEINFOA fi = {};
    if (!SHGetFileInfoA((LPCSTR)list, 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_ATTRIBUTES)) return 0;
    return fi.dwAttributes;
}

bool ShownByFilter(ULONG attributes) {
    return attributes == 0 || ((attributes & (0x40000000u | 0x80000000u)) && (attributes & 0x40));
}

HTREEITEM InsertShellItem(HWND tree, HTREEITEM parent, LPITEMIDLIST list, const std::string& text) {
    SHFILEINFOA fi = {};
    int icon = 0, open = 0;
    if (SHGetFileInfoA((LPCSTR)list, 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) icon = fi.iIcon;
    if (SHGetFileInfoA((LPCSTR)list, 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON))
        open = fi.iIcon;
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_SORT;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    ins.item.pszText = (LPSTR)text.c_str();
    ins.item.lParam = (LPARAM)list;
    ins.item.iImage = icon;
    ins.item.iSelectedImage = open;
    ins.item.cChildren = 1;
    HTREEITEM item = TreeView_InsertItem(tree, &ins);
    if (item && !IsRemovableRoot(list) && !(ItemAttributes(list) & SFGAO_HASSUBFOLDER)) {
        TVITEMA tv = {};
        tv.mask = TVIF_CHILDREN;
        tv.hItem = item;
        tv.cChildren = 0;
        TreeView_SetItem(tree, &tv);
    }
    return item;
}

LPCITEMIDLIST ItemList(HWND tree, HTREEITEM item) {
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    return TreeView_GetItem(tree, &tv) ? (LPCITEMIDLIST)tv.lParam : nullptr;
}

void SetNoChildren(HWND tree, HTREEITEM item) {
    TVITEMA tv = {};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = 0;
    TreeView_SetItem(tree, &tv);
}

void ExpandTreeItem(HWND tree, HTREEITEM item) {
    ShellAccess shell;
    if (!shell.Ok()) return;
    LPCITEMIDLIST list = ItemList(tree, item);
    IShellFolder* folder = nullptr;
    if (!list || ItemListSize(list) == 0) {
        folder = shell.desktop;
        folder->AddRef();
    } else if (FAILED(shell.desktop->BindToObject(list, nullptr, IID_IShellFolder, (void**)&folder))) {
        folder = nullptr;
    }
    DeleteChildren(tree, item, shell.malloc);
    int inserted = 0;
    IEnumIDList* children = nullptr;
    if (folder && SUCCEEDED(folder->EnumObjects(GetParent(tree), SHCONTF_FOLDERS, &children)) && children) {
        LPITEMIDLIST child = nullptr;
        ULONG got = 0;
        while (children->Next(1, &child, &got) == S_OK && got == 1) {
            STRRET name;
            if (FAILED(folder->GetDisplayNameOf(child, SHGDN_NORMAL, &name))) {
                shell.malloc->Free(child);
                break;
            }
            std::string text = StrRetText(shell.malloc, name, child);
            LPITEMIDLIST absolute = JoinItemLists(shell.malloc, list, child);
            shell.malloc->Free(child);
            if (!absolute) continue;
            if (ShownByFilter(ItemAttributes(absolute)) && InsertShellItem(tree, item, absolute, text)) ++inserted;
            else shell.malloc->Free(absolute);
        }
        children->Release();
    }
    if (folder) folder->Release();
    if (!inserted) SetNoChildren(tree, item);
}

int CALLBACK CompareTreeItems(LPARAM a, LPARAM b, LPARAM) {
    ShellAccess shell;
    if (!shell.desktop) return 0;
    HRESULT r = shell.desktop->CompareIDs(0, (LPCITEMIDLIST)a, (LPCITEMIDLIST)b);
    if (FAILED(r)) return 0;
    return (short)HRESULT_CODE(r);
}

void SortTreeChildren(HWND tree, HTREEITEM item) {
    TVSORTCB sort = {};
    sort.hParent = item;
    sort.lpfnCompare = CompareTreeItems;
    TreeView_SortChildrenCB(tree, &sort, 0);
}

std::string ItemPath(HWND tree, HTREEITEM item) {
    char path[MAX_PATH] = {};
    LPCITEMIDLIST list = ItemList(tree, item);
    if (list && ItemListSize(list) > 0 && !SHGetPathFromIDListA(list, path)) path[0] = 0;
    return path;
}

void LowerAscii(char* s) {
    for (; *s; ++s) {
        if (IsSjisLead((unsigned char)*s) && s[1]) {
            ++s;
            continue;
        }
        if (*s >= 'A' && *s <= 'Z') *s = (char)(*s - 'A' + 'a');
    }
}

void SelectTreePath(HWND tree, const char* path, HTREEITEM item) {
    if (!item) {
        HTREEITEM root = TreeView_GetRoot(tree);
        if (!root) return;
        item = root;
        LPCITEMIDLIST rootList = ItemList(tree, root);
        if (rootList && ItemListSize(rootList) == 0) {   // the desktop: start at the drives folder
            TreeView_Expand(tree, root, TVE_EXPAND);
            LPITEMIDLIST drives = nullptr;
            ShellAccess shell;
            if (shell.Ok() && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) && drives) {
                for (HTREEITEM c = TreeView_GetChild(tree, root); c; c = TreeView_GetNextSibling(tree, c)) {
                    LPCITEMIDLIST l = ItemList(tree, c);
                    if (l && shell.desktop->CompareIDs(0, l, drives) == 0) {
                        item = c;
                        break;
                    }
                }
                shell.malloc->Free(drives);
            }
        }
    }
    TreeView_Expand(tree, item, TVE_EXPAND);
    char want[MAX_PATH];
    std::snprintf(want, sizeof want, "%s", path);
    LowerAscii(want);
    const size_t n = std::strlen(want);
    for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c)) {
        char have[MAX_PATH];
        std::snprintf(have, sizeof have, "%s", ItemPath(tree, c).c_str());
        LowerAscii(have);
        if (!TreePathMatches(have, want)) continue;
        const size_t p = std::strlen(have);
        if (p < n) SelectTreePath(tree, path, c);
        // a drive root "c:\" names the folder "c:" as well
        if (p == n || (p == 3 && n == 2)) {
            TreeView_Select(tree, c, TVGN_FIRSTVISIBLE);
            TreeView_Select(tree, c, TVGN_CARET);
            TreeView_Select(tree, c, TVGN_DROPHILITE);
        }
        return;
    }
}

void OnSelectionChanged(HWND tree, HTREEITEM item) {
    // While a command runs (a modal dialog may pump messages) the list stays.
    if (!item || g_FileList.busy) return;
    std::string path = ItemPath(tree, item);
    TreeView_Select(tree, item, TVGN_DROPHILITE);
    if (!CheckFolderUsable(path.c_str())) return;
    if (path.empty() || path.back() != '\\') path += '\\';
    if (path.size() >= sizeof g_CurrentFolder) return;
    PauseThumbLoader();
    std::strcpy(g_CurrentFolder, path.c_str());
    RefreshFileList(g_Browser.pane, 1);
    ResumeThumbLoader();
}

}  // namespace

bool TreePathMatches(const char* childLower, const char* pathLower) {
    const size_t p = std::strlen(childLower), n = std::strlen(pathLower);
    if (p == 0 || std::strncmp(childLower, pathLower, p) != 0) {
        // "c:\" against "c:": the drive itself
        return p == 3 && n == 2 && std::strncmp(childLower, pathLower, 2) == 0;
    }
    if (p >= n || p <= 3) return true;
    if (pathLower[p] != '\\') return false;
    // a backslash that is the trail byte of a double-byte character is none
    for (size_t i = 0; i < p;) {
        if (IsSjisLead((unsigned char)pathLower[i]) && pathLower[i + 1]) {
            if (i + 1 == p) return false;
            i += 2;
        } else {
            ++i;
        }
    }
    return true;
}

HWND CreateFolderTree(HWND frame) {
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                    TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS,
                                0, 0, 0, 0, frame, (HMENU)(INT_PTR)kIdFolderTree,
                                (HINSTANCE)GetWindowLongPtrA(frame, GWLP_HINSTANCE), nullptr);
    if (!tree) return nullptr;
    SHFILEINFOA fi = {};
    HIMAGELIST icons = (HIMAGELIST)SHGetFileInfoA("C:\\", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (icons) TreeView_SetImageList(tree, icons, TVSIL_NORMAL);
    g_Browser.tree = tree;
    FillFolderTree(tree, "");
    return tree;
}

void FillFolderTree(HWND tree, const char* path) {
    ShellAccess shell;
    if (!shell.Ok()) return;
    HTREEITEM root = TreeView_GetRoot(tree);
    while (root) {
        HTREEITEM next = TreeView_GetNextSibling(tree, root);
        DeleteChildren(tree, root, shell.malloc);
        FreeItemList(tree, root, shell.malloc);
        TreeView_DeleteItem(tree, root);
        root = next;
    }
    LPITEMIDLIST list = nullptr;
    std::string text;
    if (path && *path) {
        WCHAR wide[MAX_PATH];
        if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) ||
            FAILED(shell.desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &list, nullptr)))
            return;
        const bool driveRoot = std::strlen(path) == 3 && path[1] == ':' && path[2] == '\\';
        STRRET name;
        if (SUCCEEDED(shell.desktop->GetDisplayNameOf(list, driveRoot ? SHGDN_NORMAL : SHGDN_FORPARSING, &name)))
            text = StrRetText(shell.malloc, name, list);
    } else {
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)) || !list) return;
        STRRET name;
        if (SUCCEEDED(shell.desktop->GetDisplayNameOf(list, SHGDN_NORMAL, &name)))
            text = StrRetText(shell.malloc, name, list);
    }
    if (!InsertShellItem(tree, TVI_ROOT, list, text)) shell.malloc->Free(list);
}

LRESULT OnFolderTreeNotify(HWND, NMHDR* header) {
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        NMTREEVIEWA* nm = (NMTREEVIEWA*)header;
        TVITEMA tv = {};
        tv.mask = TVIF_CHILDREN | TVIF_STATE;
        tv.stateMask = TVIS_EXPANDEDONCE;
        tv.hItem = nm->itemNew.hItem;
        TreeView_GetItem(tree, &tv);
        if (nm->action == TVE_EXPAND && tv.cChildren == 1) ExpandTreeItem(tree, tv.hItem);
        if (!(tv.state & TVIS_EXPANDEDONCE)) SortTreeChildren(tree, tv.hItem);
        return 0;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        OnSelectionChanged(tree, ((NMTREEVIEWA*)header)->itemNew.hItem);
        return 0;
    case NM_RCLICK: {
        TVHITTESTINFO hit = {};
        GetCursorPos(&hit.pt);
        ScreenToClient(tree, &hit.pt);
        TreeView_HitTest(tree, &hit);
        return 0;
    }
    default:
        return 0;
    }
}

void SelectTreeFolder(const char* path) {
    if (g_Browser.tree && path && *path) SelectTreePath(g_Browser.tree, path, nullptr);
}

int SplitterTreeWidth(int cursorX, int grabOffset) {
    int w = cursorX - grabOffset;
    return w < 32 ? 32 : w;
}

namespace {

void SplitterDrag(HWND splitter) {
    HWND frame = GetParent(splitter);
    RECT bar, frameRect;
    GetWindowRect(splitter, &bar);
    GetWindowRect(frame, &frameRect);
    POINT start;
    GetPolledCursorPos(&start);
    const int grab = start.x - bar.left, width = bar.right - bar.left, height = bar.bottom - bar.top;
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    auto draw = [&](int left) { PatBlt(dc, left, bar.top, width, height, DSTINVERT); };
    int shown = bar.left;
    draw(shown);
    POINT p = start;
    while (IsLeftButtonDown()) {
        GetPolledCursorPos(&p);
        int left = p.x - grab;
        if (left < frameRect.left + 32) left = frameRect.left + 32;
        if (left > frameRect.right - 32) left = frameRect.right - 32;
        if (left != shown) {
            draw(shown);
            shown = left;
            draw(shown);
        }
    }
    draw(shown);
    DeleteDC(dc);
    POINT client = p;
    ScreenToClient(frame, &client);
    g_BrowserSettings.treeWidth = SplitterTreeWidth(client.x, grab);
    RelayoutBrowserFrame();
}

}  // namespace

LRESULT CALLBACK SplitterWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        DrawBevelPanel(dc, rc, RGB(192, 192, 192), 1);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        SplitterDrag(wnd);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}
