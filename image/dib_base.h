// c_DibBase: one device-independent bitmap whose header, colour masks, colour
// table and rows lie in one block (dib_header.h), with row and pixel access,
// conversion of any depth to 32-bit words, rectangle copies between bitmaps
// and a walk over the rows. The block is either allocated and owned by the
// object or attached from outside (then the owner keeps it alive). Row y
// always counts from the top of the picture, whatever the row order in memory.
#pragma once
#include <windows.h>

#include <cstdint>

#include "image/dib_header.h"

class c_DibBase {
public:
    c_DibBase() = default;
    c_DibBase(int32_t width, int32_t height, int32_t bits) { Create(width, height, bits); }
    explicit c_DibBase(const BITMAPINFOHEADER* header) { CreateLike(header); }
    virtual ~c_DibBase() { FreeOwned(); }
    c_DibBase(const c_DibBase&) = delete;
    c_DibBase& operator=(const c_DibBase&) = delete;

    // A new owned block with its table and rows (AllocDibHeader mode 2);
    // bits may carry DibNoMasks. true when made and attached.
    virtual bool Create(int32_t width, int32_t height, int32_t bits);
    // Create of the header's size and depth (without masks unless the header
    // has them), with its resolution and important-colour count.
    bool CreateLike(const BITMAPINFOHEADER* header);
    // CreateLike, then the header's masks and colour table.
    bool CopyFormat(const BITMAPINFOHEADER* header);
    // This bitmap becomes a copy of other (format, table and rows).
    bool Assign(const c_DibBase& other);
    // Masks, table and rows from another bitmap of the same size and depth.
    bool CopyPixels(const c_DibBase& other);

    // Parses a block and uses it (not owned). Refused: null, run-length
    // pixels, a header size other than 40, an impossible colour count and
    // 16 bits without masks.
    bool Attach(BITMAPINFOHEADER* header);
    // Frees the owned block and takes ownership of block (not yet attached).
    void Own(BITMAPINFOHEADER* block);
    bool FreeOwned();
    // Frees the owned block and forgets the header; false (header kept) when
    // nothing was owned.
    bool Detach();
    bool IsValid() const { return header_ != nullptr; }
    bool IsBorrowed() const { return owned_ == nullptr; }

    BITMAPINFOHEADER* GetHeader() const { return header_; }
    uint8_t* GetBits() const { return bits_; }
    void SetBits(uint8_t* bits) { bits_ = bits; }
    int32_t GetStride() const { return stride_; }
    int32_t GetImageSize() const { return imageSize_; }
    int32_t GetTotalSize() const { return totalSize_; }
    int32_t GetColourCount() const { return colourCount_; }
    int32_t GetWidth() const { return header_ ? header_->biWidth : 0; }
    int32_t GetHeight() const { return header_ ? header_->biHeight : 0; }
    int32_t GetAbsHeight() const { int32_t h = GetHeight(); return h < 0 ? -h : h; }
    int32_t GetBitCount() const { return header_ ? header_->biBitCount : 0; }
    void GetSize(int32_t* width, int32_t* height, int32_t* bits) const;
    // (x, y, x + width, y + |height|).
    DibRect GetRect(int32_t x, int32_t y) const;
    RGBQUAD GetColour(int32_t index) const;
    void SetColour(int32_t index, RGBQUAD value);
    uint32_t GetMask(int index) const;           // 0 without masks
    bool SetMask(int index, uint32_t value);     // false without masks
    // Another row length: the image size, the header's size field and the
    // total size follow.
    void SetStride(int32_t stride);
    // 40, + 4 x colours with bit 0 of flags, + the mask bytes with bit 1.
    int32_t HeaderSize(int flags) const;
    void SetResolution(uint32_t xDpi, uint32_t yDpi);
    void GetResolution(uint32_t* xDpi, uint32_t* yDpi) const;

    // Null outside the image.
    uint8_t* RowAddress(int32_t y) const;
    uint8_t* PixelAddress(int32_t x, int32_t y) const;
    // One stored row (stride bytes); false for a null buffer or a row outside.
    bool GetRow(int32_t y, void* buffer) const;
    bool PutRow(int32_t y, const void* buffer);
    // Row y as 32-bit words (blue, green, red, 0) of every depth but unknown
    // ones; indices beyond the colour table read as black.
    bool GetRowRgb(int32_t y, uint32_t* buffer) const;
    // The stored value (index byte, or 2, 3 or 4 bytes); false outside.
    bool GetPixelRaw(int32_t x, int32_t y, void* out) const;
    // One pixel as a colour word; through masks the fourth byte comes from the
    // fourth mask (the bits no colour uses).
    bool GetPixelRgb(int32_t x, int32_t y, uint32_t* colour) const;
    // 24 and 32 bits only: bits / 8 bytes at the pixel.
    bool SetPixel(int32_t x, int32_t y, const void* bytes);

    // Row walk from row first toward row last (exclusive), downward or upward.
    bool BeginRows(int32_t first, int32_t last);
    // The next row of the walk, or null at its end.
    uint8_t* NextRow();

    // Copies source's (x, y, width, height) to (destinationX, destinationY),
    // clipped to both bitmaps. Equal depths copy bits; a 32- or 24-bit
    // destination takes any source through its colours. false for any other
    // pair of depths.
    bool Blit(const c_DibBase& source, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t destinationX, int32_t destinationY);
    bool Blit(const c_DibBase& source, const DibRect& rect, POINT destination);
    // Not done: always false.
    bool StretchBlit(const c_DibBase& source, const DibRect& sourceRect, const DibRect& destinationRect);

private:
    uint32_t MaskedColour(uint32_t pixel, bool withFourth) const;
    uint32_t TableColour(uint32_t index) const;
    uint32_t PixelValue(const uint8_t* row, int32_t x) const;

protected:
    // Forgets the header (the block it lies in is someone else's to free).
    void Forget();

private:

    BITMAPINFOHEADER* owned_ = nullptr;   // freed by this object
    BITMAPINFOHEADER* header_ = nullptr;  // null: no image
    uint8_t* bits_ = nullptr;
    RGBQUAD* colours_ = nullptr;
    uint32_t* masks_ = nullptr;           // BI_BITFIELDS only
    int32_t stride_ = 0;
    int32_t imageSize_ = 0;
    int32_t totalSize_ = 0;
    int32_t maskBytes_ = 0;
    int32_t colourCount_ = 0;
    int32_t maskWidths_[4] = {};          // set bits of red, green, blue, fourth
    int32_t maskShifts_[4] = {};          // lowest set bit of each
    uint32_t fourthMask_ = 0;
    // Row walk.
    int32_t walkRow_ = 0, walkEnd_ = 0;
    uint8_t* walkAddress_ = nullptr;
    intptr_t walkStep_ = 0;
};
