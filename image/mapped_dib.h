// c_MappedDib: a c_DibBase whose block is the mapped view of a file mapping
// (a named file or the paging file) and whose rows belong to a GDI DIB section
// made over that mapping, so GDI draws into the same pixels the object reads.
// The object owns the section, the view, the mapping and the file.
#pragma once
#include <windows.h>

#include "image/dib_base.h"

class c_MappedDib : public c_DibBase {
public:
    // dc: the device context sections are made for; null: the screen's.
    explicit c_MappedDib(HDC dc = nullptr) : dc_(dc) {}
    ~c_MappedDib() override;

    // Results of CreateSection.
    enum : int {
        SectionMade = 0,
        SectionFileExists = 1,     // the named file already exists
        SectionFileFailed = 2,     // the named file cannot be opened
        SectionMapFailed = 3,      // no mapping, view or section
        SectionNoMasks16 = 4,      // 16 bits | DibNoMasks
        SectionRefused = 5,        // Attach refused the block
    };
    // Makes the mapping (on fileName, opened with creationDisposition, or on
    // the paging file), writes the header (96 dpi) into its view and makes a
    // DIB section over it; 16 and 32 bits get the standard masks unless bits
    // carries DibNoMasks. Whatever was made before is released first; a
    // failure leaves nothing behind. *bitmap (may be null) gets the section.
    int CreateSection(HBITMAP* bitmap, HDC dc, int32_t width, int32_t height, int32_t bits,
                      const char* fileName, DWORD creationDisposition);
    // A section of the stored device context on the paging file.
    bool Create(int32_t width, int32_t height, int32_t bits) override;
    // A new section for dc over the same mapping; null when it cannot be made.
    HBITMAP RecreateSection(HDC dc);

    HBITMAP GetBitmap() const { return bitmap_; }
    HANDLE GetMapping() const { return mapping_; }

private:
    void Release();

    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    DWORD rowsOffset_ = 0;   // where the rows start in the view
    int32_t colourMode_ = DIB_RGB_COLORS;
};
