#include "image/mapped_dib.h"

#include <cstring>

c_MappedDib::~c_MappedDib() { Release(); }

void c_MappedDib::Release() {
    Forget();   // the header lies in the view
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    if (view_) UnmapViewOfFile(view_);
    view_ = nullptr;
    if (mapping_) CloseHandle(mapping_);
    mapping_ = nullptr;
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    FreeOwned();
}

int c_MappedDib::CreateSection(HBITMAP* bitmap, HDC dc, int32_t width, int32_t height, int32_t bits,
                               const char* fileName, DWORD creationDisposition) {
    if (bitmap) *bitmap = nullptr;
    const bool noMasks = (bits & DibNoMasks) != 0;
    bits &= ~DibNoMasks;
    if (noMasks && bits == 16) return SectionNoMasks16;
    const int32_t entries = DibPaletteEntries(bits);
    if (entries < 0 || width < 1 || height == 0) return SectionMapFailed;
    const bool fields = !noMasks && (bits == 16 || bits == 32);
    const int64_t absHeight = height < 0 ? -(int64_t)height : height;
    const int64_t image = ((int64_t)width * bits + 31) / 32 * 4 * absHeight;
    const int64_t offset = 40 + (fields ? 12 : 0) + 4 * (int64_t)entries;
    const int64_t size = offset + image;
    if (size > 0x7FFFFFFF) return SectionMapFailed;

    Release();
    HDC screen = nullptr;
    if (!dc) dc = screen = GetDC(nullptr);
    struct ScreenRelease {
        HDC dc;
        ~ScreenRelease() { if (dc) ReleaseDC(nullptr, dc); }
    } releaseScreen{screen};

    if (fileName) {
        SECURITY_ATTRIBUTES inherit{.nLength = sizeof(SECURITY_ATTRIBUTES), .lpSecurityDescriptor = nullptr,
                                    .bInheritHandle = TRUE};
        SetLastError(0);
        file_ = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &inherit, creationDisposition, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        const DWORD error = GetLastError();
        if (file_ == INVALID_HANDLE_VALUE)
            return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? SectionFileExists
                                                                               : SectionFileFailed;
        if (error == ERROR_ALREADY_EXISTS) {
            Release();
            return SectionFileExists;
        }
    }
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READWRITE, 0, (DWORD)size, nullptr);
    if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!mapping_ || !view_) {
        Release();
        return SectionMapFailed;
    }
    auto* h = (BITMAPINFOHEADER*)view_;
    *h = MakeDibHeader(width, height, bits, fields, (uint32_t)image, (int32_t)DpiToPelsPerMetre(96), 0);
    if (fields) PutStandardMasks(h, bits);
    rowsOffset_ = (DWORD)offset;
    colourMode_ = bits < 16 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
    void* rows = nullptr;
    bitmap_ = CreateDIBSection(dc, (BITMAPINFO*)h, (UINT)colourMode_, &rows, mapping_, rowsOffset_);
    if (!bitmap_ || !rows) {
        Release();
        return SectionMapFailed;
    }
    if (!c_DibBase::Attach(h)) {
        Release();
        return SectionRefused;
    }
    if (bitmap) *bitmap = bitmap_;
    return SectionMade;
}

bool c_MappedDib::Create(int32_t width, int32_t height, int32_t bits) {
    return CreateSection(nullptr, dc_, width, height, bits, nullptr, CREATE_NEW) == SectionMade;
}

HBITMAP c_MappedDib::RecreateSection(HDC dc) {
    if (!mapping_ || !view_) return nullptr;
    if (bitmap_) DeleteObject(bitmap_);
    HDC screen = dc ? nullptr : GetDC(nullptr);
    void* rows = nullptr;
    bitmap_ = CreateDIBSection(dc ? dc : screen, (BITMAPINFO*)view_, (UINT)colourMode_, &rows, mapping_,
                               rowsOffset_);
    if (screen) ReleaseDC(nullptr, screen);
    if (bitmap_ && !rows) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
    return bitmap_;
}
