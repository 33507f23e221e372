#include "fileio/thumb_cache.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "ui/sysutil.h"
#include "image/bmp_file.h"

namespace {

char g_folder[MAX_PATH];
ThumbCacheVariant g_variant = ThumbCacheVariant::Editor;

// An entry is never larger than a kThumbCacheMaxSide square of 32 bits.
constexpr uint64_t kMaxEntryBytes = 14 + 40 + 1024 + (uint64_t)kThumbCacheMaxSide * kThumbCacheMaxSide * 4;
// The browser cuts image names to this many bytes.
constexpr size_t kBrowserNameBytes = 150;

bool Browser() { return g_variant == ThumbCacheVariant::Browser; }

// Cuts text to at most n bytes without splitting a double-byte character.
void CutSjis(char* text, size_t n) {
    size_t i = 0;
    while (text[i] && i < n) {
        size_t step = IsSjisLead((unsigned char)text[i]) && text[i + 1] ? 2 : 1;
        if (i + step > n) break;
        i += step;
    }
    text[i] = 0;
}

// FNV-1a of the folder part, ASCII letters folded to lower case.
uint32_t FolderTag(const char* path, size_t length) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)path[i];
        if (c >= 'A' && c <= 'Z') c = (unsigned char)(c - 'A' + 'a');
        h = (h ^ c) * 16777619u;
    }
    return h;
}

int SetFolder(int set, char* out, size_t outSize) {
    int n = std::snprintf(out, outSize, "%scache%02d", g_folder, set);
    return n > 0 && (size_t)n < outSize;
}

// The whole entry file, or nothing when it is missing, empty or too large.
bool ReadEntry(const char* path, std::unique_ptr<uint8_t[]>* data, size_t* size) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    bool ok = GetFileSizeEx(f, &length) && length.QuadPart > 0 && (uint64_t)length.QuadPart <= kMaxEntryBytes;
    if (ok) {
        data->reset(new (std::nothrow) uint8_t[(size_t)length.QuadPart]);
        *size = (size_t)length.QuadPart;
        ok = *data && ReadFileAt(f, 0, data->get(), (DWORD)*size);
    }
    CloseHandle(f);
    return ok;
}

// The bytes of the colour table that the info header (at `info`) announces:
// biClrUsed entries, or the whole table of its depth when that is 0. A depth
// above 8 has no table, so a colour count there is refused (-1), as is one
// larger than the depth can index: the block's users skip biClrUsed entries.
int64_t AnnouncedTableBytes(const uint8_t* info, int bits) {
    uint32_t colours;
    std::memcpy(&colours, info + 32, 4);
    if (bits > 8) return colours ? -1 : 0;
    const uint32_t full = 1u << bits;
    if (colours > full) return -1;
    return (int64_t)(colours ? colours : full) * 4;
}

// A new PackedDib of the entry's info header, table and rows when the entry is
// a plain bottom-up .bmp whose header, depth, colour table, size and length
// agree with the file; null otherwise.
PackedDib CheckedEntryDib(const uint8_t* data, size_t size) {
    BmpLayout l;
    if (!ParseBmpLayout(data, size, size, true, &l)) return nullptr;
    uint32_t fileSize;
    std::memcpy(&fileSize, data + 2, 4);
    const bool depthOk = Browser() ? l.bits == 24 : (l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits >= 24);
    const int64_t table = l.headerSize == 40 ? AnnouncedTableBytes(data + 14, l.bits) : -1;
    const uint64_t rows = (uint64_t)l.stride * l.height;
    if (l.headerSize != 40 || l.topDown || l.runLength || l.masked || !depthOk || l.width > kThumbCacheMaxSide ||
        l.height > kThumbCacheMaxSide || fileSize != size || table < 0 || l.pixelOffset != 14 + 40 + (uint64_t)table ||
        l.pixelOffset + rows != size)
        return nullptr;
    const size_t block = size - 14;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block);
    if (!h) return nullptr;
    PackedDib dib = (PackedDib)GlobalLock(h);
    if (!dib) {
        GlobalFree(h);
        return nullptr;
    }
    std::memcpy(dib, data + 14, block);
    return dib;
}

}  // namespace

void InitThumbCache(const char* programFolder, ThumbCacheVariant variant) {
    g_variant = variant;
    g_folder[0] = 0;
    if (programFolder && std::strlen(programFolder) < sizeof g_folder) std::strcpy(g_folder, programFolder);
}

int ThumbCacheEntryName(const char* imagePath, int set, char* out, size_t outSize) {
    if (!imagePath || !out || outSize == 0) return 0;
    out[0] = 0;
    const char* slash = FindLastBackslash(imagePath);
    const char* name = slash ? slash + 1 : imagePath;
    if (!*name) return 0;
    char own[MAX_PATH];
    if (std::strlen(name) >= sizeof own) return 0;
    std::strcpy(own, name);
    if (Browser()) CutSjis(own, kBrowserNameBytes);
    const uint32_t tag = FolderTag(imagePath, (size_t)(name - imagePath));
    const int stamp = GetFileTimeStamp(imagePath);
    char entry[MAX_PATH];
    int n = std::snprintf(entry, sizeof entry, "%scache%02d\\%s%08x%010d.tmp", g_folder, set, own, tag, stamp);
    if (n <= 0 || (size_t)n >= sizeof entry || (size_t)n >= outSize) return 0;
    std::memcpy(out, entry, (size_t)n + 1);
    return 1;
}

int CreateThumbCacheDir(int set) {
    char folder[MAX_PATH];
    if (!SetFolder(set, folder, sizeof folder)) return 1;
    if (IsDirectory(folder) != 1) {
        if (Browser()) CreateDirectoryA(folder, nullptr);
        else if (!CreateSharedDirectory(folder) || IsDirectory(folder) != 1) CreateDirectoryA(folder, nullptr);
    }
    ClearThumbCache(set);
    return 1;
}

void ClearThumbCache(int set) {
    char folder[MAX_PATH], pattern[MAX_PATH], file[MAX_PATH];
    if (!SetFolder(set, folder, sizeof folder)) return;
    int n = std::snprintf(pattern, sizeof pattern, "%s\\*.tmp", folder);
    if (n <= 0 || (size_t)n >= sizeof pattern) return;
    for (int round = 0; round < 1000; ++round) {
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA(pattern, &fd);
        if (find == INVALID_HANDLE_VALUE) return;
        FindClose(find);
        n = std::snprintf(file, sizeof file, "%s\\%s", folder, fd.cFileName);
        if (n <= 0 || (size_t)n >= sizeof file || !DeleteFileA(file)) return;   // nothing more can go
    }
}

int StoreThumbCache(const char* imagePath, const BITMAPINFOHEADER* dib, int set) {
    char entry[MAX_PATH];
    if (dib && ThumbCacheEntryName(imagePath, set, entry, sizeof entry)) SavePackedDibBmp(entry, dib);
    return 1;
}

PackedDib LoadThumbCache(const char* imagePath, int set) {
    char entry[MAX_PATH];
    if (!ThumbCacheEntryName(imagePath, set, entry, sizeof entry) || !FileExists(entry)) return nullptr;
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    PackedDib dib = nullptr;
    if (ReadEntry(entry, &data, &size)) dib = CheckedEntryDib(data.get(), size);
    if (dib && !Browser() && dib->biBitCount != 32) {
        PackedDib wide = ConvertPackedDibTo32Bit(dib);
        FreePackedDib(dib);
        dib = wide;
    }
    if (!dib) DeleteFileA(entry);   // damaged: made anew by the next store
    return dib;
}

int HasThumbCache(const char* imagePath, int set) {
    char entry[MAX_PATH];
    return ThumbCacheEntryName(imagePath, set, entry, sizeof entry) && FileExists(entry) ? 1 : 0;
}

int DeleteThumbCacheFile(const char* imagePath, int set) {
    char entry[MAX_PATH];
    if (ThumbCacheEntryName(imagePath, set, entry, sizeof entry)) DeleteFileA(entry);
    return 1;
}
