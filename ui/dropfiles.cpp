#include "ui/dropfiles.h"

#include <shlobj.h>

#include <cstring>

HGLOBAL BuildDropFiles(POINT dropPoint, BOOL nonClient) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, sizeof(DROPFILES) + 1);
    if (!block) return nullptr;
    DROPFILES* header = (DROPFILES*)GlobalLock(block);
    header->pFiles = sizeof(DROPFILES);
    header->pt = dropPoint;
    header->fNC = nonClient;
    header->fWide = FALSE;
    GlobalUnlock(block);
    return block;
}

// Offset of the list's final NUL. GlobalSize may report more than was asked
// for, so the end of the list is found by walking the names.
static size_t DropListEnd(const char* bytes, size_t blockSize) {
    size_t pos = ((const DROPFILES*)bytes)->pFiles;
    while (pos < blockSize && bytes[pos] != 0) {
        const void* end = std::memchr(bytes + pos, 0, blockSize - pos);
        if (!end) return blockSize;
        pos = (size_t)((const char*)end - bytes) + 1;
    }
    return pos;
}

HGLOBAL AppendDropFile(HGLOBAL block, const char* path) {
    if (!block || !path) return nullptr;
    const char* old = (const char*)GlobalLock(block);
    if (!old) return nullptr;
    size_t end = DropListEnd(old, GlobalSize(block));
    GlobalUnlock(block);
    size_t length = std::strlen(path) + 1;
    HGLOBAL grown = GlobalReAlloc(block, end + length + 1, GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE);
    if (!grown) return nullptr;
    char* bytes = (char*)GlobalLock(grown);
    // The new path goes over the old final NUL; the block ends in two NULs again.
    std::memcpy(bytes + end, path, length);
    bytes[end + length] = 0;
    GlobalUnlock(grown);
    return grown;
}

int ParseDropFiles(const void* data, size_t size, std::vector<std::string>* paths) {
    paths->clear();
    if (!data || size < sizeof(DROPFILES) + 1) return 0;
    DROPFILES header;
    std::memcpy(&header, data, sizeof header);
    if (header.fWide || header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return 0;
    const char* bytes = (const char*)data;
    size_t pos = header.pFiles;
    std::vector<std::string> found;
    for (;;) {
        if (pos >= size) return 0;               // no final NUL inside the block
        if (bytes[pos] == 0) break;              // the empty name ends the list
        const void* end = std::memchr(bytes + pos, 0, size - pos);
        if (!end) return 0;
        size_t length = (const char*)end - (bytes + pos);
        if (length >= MAX_PATH) return 0;
        found.emplace_back(bytes + pos, length);
        pos += length + 1;
    }
    *paths = std::move(found);
    return 1;
}

int SendHandOver(HWND target, const std::vector<std::string>& paths) {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    HGLOBAL block = BuildDropFiles(cursor, FALSE);
    for (const std::string& path : paths) {
        if (!block) break;
        HGLOBAL grown = AppendDropFile(block, path.c_str());
        if (!grown) {
            GlobalFree(block);
            block = nullptr;
        } else {
            block = grown;
        }
    }
    if (!block) return 0;
    COPYDATASTRUCT data;
    data.dwData = kDropFilesCopyData;
    data.lpData = GlobalLock(block);
    data.cbData = data.lpData ? (DWORD)(DropListEnd((const char*)data.lpData, GlobalSize(block)) + 1) : 0;
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutA(target, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, 10000, &answer);
    GlobalUnlock(block);
    GlobalFree(block);
    return sent && answer ? 1 : 0;
}
