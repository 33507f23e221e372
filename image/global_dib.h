// c_GlobalDibBase: one packed device-independent bitmap (header, colour
// table, bottom-up rows) in a movable global memory block owned by the object,
// or a header attached from elsewhere. Made empty, from another global block,
// from a bitmap resource or by attaching; converted to 24 bits, filled, copied
// out as a new global block and drawn with StretchDIBits. c_GlobalDib also
// records how many colours the screen shows.
//
// The lock on the block is one level deep: every operation locks before it
// touches the header; GetHeader, GetBits and the operations that use GetBits
// (the fills and Draw) leave the block locked until the next operation that
// unlocks. An attached header is never locked, unlocked or freed.
#pragma once
#include <windows.h>

#include <cstdint>

class c_GlobalDibBase {
public:
    c_GlobalDibBase() { c_GlobalDibBase::Clear(); }
    virtual ~c_GlobalDibBase() { c_GlobalDibBase::Clear(); }
    c_GlobalDibBase(const c_GlobalDibBase&) = delete;
    c_GlobalDibBase& operator=(const c_GlobalDibBase&) = delete;

    // Frees an owned block and empties the object (the bit count stays).
    virtual void Clear();
    // Uses a header held elsewhere: a 40-byte header of a known depth and a
    // size that fits 2 GB. 1 when taken (an owned block is freed first); 0,
    // the object unchanged, when refused.
    virtual int Attach(BITMAPINFOHEADER* header);
    // The header of another object, which must be 24-bit.
    int Attach(c_GlobalDibBase* other);
    // A new block of width x height pixels of 1, 4, 8, 16, 24 or 32 bits with
    // its colour table; table and rows are not cleared. Sizes that are not a
    // picture leave the object unchanged; a failed allocation leaves it empty.
    virtual void Create(int32_t width, int32_t height, int32_t bits);
    // Reads width, height, depth, colours, stride, size and resolution from
    // the header.
    virtual void UpdateInfo();

    // A copy of a packed bitmap in another global block (the handle stays the
    // caller's), of another object's block, or of a bitmap resource. Data that
    // does not start with a header of at least 40 bytes is not taken.
    void SetFromGlobal(HGLOBAL global);
    void SetFromDib(const c_GlobalDibBase* other);
    void SetFromResource(HMODULE module, HRSRC resource);
    void LoadResourceId(HMODULE module, uint32_t identifier);
    void LoadResourceName(HMODULE module, const char* name);
    // A new movable zero-initialised copy of the block, owned by the caller;
    // null without a block or memory.
    HGLOBAL CopyToGlobal();
    // Replaces a 1-, 4- or 8-bit bitmap by a 24-bit one through its colour
    // table; 16- and 32-bit and compressed bitmaps stay as they are.
    void ConvertTo24Bit();
    // StretchDIBits (COLORONCOLOR) of source into destination; 0 without a
    // block or pixels.
    int Draw(HDC dc, const RECT& destination, const RECT& source);
    // 24 bits only: every pixel (not the row padding) becomes the colour.
    void FillRgb(uint8_t r, uint8_t g, uint8_t b);
    // 8 bits only: every row byte becomes value.
    void FillIndex(uint8_t value);
    // Writes the resolution into the header (pixels a metre) and the object.
    void SetDpi(int32_t dotsPerInch);
    BITMAPINFOHEADER* GetHeader();
    // The first row byte; null when empty or when the rows the header
    // describes do not lie inside the block.
    uint8_t* GetBits();
    void Lock();
    void Unlock();

    HGLOBAL Block() const { return block_; }
    uint32_t Size() const { return size_; }
    int32_t Bits() const { return bits_; }
    int32_t Colours() const { return colours_; }
    int32_t TableBytes() const { return tableBytes_; }
    int32_t Stride() const { return stride_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Resolution() const { return resolution_; }
    bool IsLocked() const { return locked_ != 0; }
    bool IsAttached() const { return attached_ != 0; }

private:
    // Replaces the bitmap by a copy of n bytes at data (a packed bitmap).
    void TakeCopy(const void* data, size_t n);
    // A new locked block of the given size for an empty object; false, the
    // object still empty, without memory.
    bool NewBlock(size_t bytes);
    // The rows the header describes lie inside the bitmap's bytes.
    bool PixelsFit() const;

    HGLOBAL block_ = nullptr;
    BITMAPINFOHEADER* header_ = nullptr;
    uint32_t size_ = 0;
    int32_t bits_ = 0;
    int32_t colours_ = 0;
    int32_t tableBytes_ = 0;
    int32_t stride_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t resolution_ = 100;
    int32_t locked_ = 0;
    int32_t attached_ = 0;
};

class c_GlobalDib : public c_GlobalDibBase {
public:
    c_GlobalDib();
    // 2 to the power planes x min(bits a pixel, 24) of the screen.
    uint32_t ScreenColours() const { return screenColours_; }

private:
    uint32_t screenColours_ = 0;
};
