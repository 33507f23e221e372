#include "image/global_dib.h"

#include <cstring>

namespace {

bool KnownDepth(int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

int32_t TableEntries(int32_t bits, uint32_t used) {
    if (used) return (int32_t)used;
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

int64_t Stride64(int64_t width, int64_t bits) { return (width * bits + 31) / 32 * 4; }

// A header whose fields describe a bitmap of at most 2 GB.
bool SaneHeader(const BITMAPINFOHEADER* h) {
    if (!h || h->biSize < 40 || h->biWidth < 1 || h->biHeight == 0 || !KnownDepth(h->biBitCount)) return false;
    if (h->biBitCount <= 8 && h->biClrUsed > (1u << h->biBitCount)) return false;
    if (h->biBitCount > 8 && h->biClrUsed > 256) return false;
    const int64_t height = h->biHeight < 0 ? -(int64_t)h->biHeight : h->biHeight;
    const int64_t total = (int64_t)h->biSize + 4 * (int64_t)TableEntries(h->biBitCount, h->biClrUsed) +
                          Stride64(h->biWidth, h->biBitCount) * height;
    return h->biSize <= 0x10000 && total <= 0x7FFFFFFF;
}

}  // namespace

void c_GlobalDibBase::Clear() {
    if (block_ && !attached_) {
        Unlock();
        GlobalFree(block_);
        block_ = nullptr;
    }
    header_ = nullptr;
    size_ = 0;
    colours_ = tableBytes_ = width_ = height_ = stride_ = 0;
    locked_ = attached_ = 0;
    resolution_ = 100;
}

int c_GlobalDibBase::Attach(BITMAPINFOHEADER* h) {
    // Examined before anything changes: a refused header leaves the object as it was.
    if (!h || h->biSize != 40 || !SaneHeader(h)) return 0;
    Clear();
    attached_ = 1;
    header_ = h;
    UpdateInfo();
    return 1;
}

int c_GlobalDibBase::Attach(c_GlobalDibBase* other) {
    if (!other || other == this) return 0;
    BITMAPINFOHEADER* h = other->GetHeader();
    if (!h || h->biSize != 40 || h->biBitCount != 24) return 0;
    return Attach(h);
}

void c_GlobalDibBase::Create(int32_t width, int32_t height, int32_t bits) {
    if (width < 1 || height < 1 || !KnownDepth(bits)) return;
    const int64_t c = TableEntries(bits, 0);
    const int64_t bytes = 40 + 4 * (c + height * ((width * (int64_t)bits + 31) / 32));
    if (bytes > 0x7FFFFFFF) return;
    const BITMAPINFOHEADER h{
        .biSize = 40,
        .biWidth = width,
        .biHeight = height,
        .biPlanes = 1,
        .biBitCount = (WORD)bits,
        .biCompression = BI_RGB,
        .biSizeImage = 0,
        .biXPelsPerMeter = 3937,
        .biYPelsPerMeter = 3937,
        .biClrUsed = 0,
        .biClrImportant = 0,
    };
    Clear();
    if (!NewBlock((size_t)bytes)) return;
    *header_ = h;
    UpdateInfo();
    Unlock();
}

void c_GlobalDibBase::UpdateInfo() {
    if (!block_ && !attached_) return;
    Lock();
    if (!header_) {
        Unlock();
        return;
    }
    width_ = header_->biWidth;
    height_ = header_->biHeight;
    bits_ = header_->biBitCount;
    colours_ = TableEntries(bits_, header_->biClrUsed);
    tableBytes_ = colours_ * 4;
    stride_ = (int32_t)Stride64(width_, bits_);
    const int64_t rows = height_ < 0 ? -(int64_t)height_ : height_;
    size_ = attached_ ? (uint32_t)(header_->biSize + tableBytes_ + rows * stride_) : (uint32_t)GlobalSize(block_);
    resolution_ = (int32_t)(header_->biXPelsPerMeter * 0.0254);
    Unlock();
}

bool c_GlobalDibBase::PixelsFit() const {
    if (!header_ || size_ < sizeof(BITMAPINFOHEADER) || !SaneHeader(header_)) return false;
    const int64_t rows = height_ < 0 ? -(int64_t)height_ : height_;
    return (int64_t)header_->biSize + tableBytes_ + rows * stride_ <= (int64_t)size_;
}

void c_GlobalDibBase::TakeCopy(const void* data, size_t n) {
    BITMAPINFOHEADER head;
    if (n < sizeof(head)) return;
    std::memcpy(&head, data, sizeof(head));
    if (head.biSize < 40 || head.biSize > n) return;
    Clear();
    if (!NewBlock(n)) return;
    std::memcpy(header_, data, n);
    UpdateInfo();
    Unlock();
}

bool c_GlobalDibBase::NewBlock(size_t bytes) {
    block_ = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block_) return false;
    Lock();
    if (header_) return true;
    GlobalFree(block_);
    block_ = nullptr;
    locked_ = 0;
    return false;
}

void c_GlobalDibBase::SetFromGlobal(HGLOBAL global) {
    if (!global || global == block_) return;
    const size_t n = GlobalSize(global);
    if (const void* p = GlobalLock(global)) TakeCopy(p, n);
    GlobalUnlock(global);
}

void c_GlobalDibBase::SetFromDib(const c_GlobalDibBase* other) {
    if (other) SetFromGlobal(other->block_);
}

void c_GlobalDibBase::SetFromResource(HMODULE module, HRSRC resource) {
    if (!resource) return;
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded) return;
    const DWORD n = SizeofResource(module, resource);
    const void* p = n > 0 ? LockResource(loaded) : nullptr;
    if (p) TakeCopy(p, n);
    FreeResource(loaded);
}

void c_GlobalDibBase::LoadResourceId(HMODULE module, uint32_t identifier) {
    SetFromResource(module, FindResourceA(module, MAKEINTRESOURCEA(identifier & 0xFFFF), (LPCSTR)RT_BITMAP));
}

void c_GlobalDibBase::LoadResourceName(HMODULE module, const char* name) {
    if (!name) return;
    if (HRSRC r = FindResourceA(module, name, (LPCSTR)RT_BITMAP)) SetFromResource(module, r);
}

HGLOBAL c_GlobalDibBase::CopyToGlobal() {
    if (!block_ || size_ == 0) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size_);
    if (!copy) return nullptr;
    void* to = GlobalLock(copy);
    Lock();
    if (!to || !header_) {
        if (to) GlobalUnlock(copy);
        GlobalFree(copy);
        Unlock();
        return nullptr;
    }
    std::memcpy(to, header_, size_);
    GlobalUnlock(copy);
    Unlock();
    return copy;
}

void c_GlobalDibBase::ConvertTo24Bit() {
    if (!block_ || size_ == 0 || bits_ == 24) return;
    if (bits_ != 1 && bits_ != 4 && bits_ != 8) return;
    Lock();
    if (!PixelsFit() || header_->biCompression != BI_RGB) {
        Unlock();
        return;
    }
    const int64_t rows = height_ < 0 ? -(int64_t)height_ : height_;
    const int64_t targetStride = Stride64(width_, 24);
    // The new header keeps the old one's length: the rows follow it.
    const size_t headerBytes = header_->biSize;
    const int64_t bytes = (int64_t)headerBytes + rows * targetStride;
    if (bytes > 0x7FFFFFFF) {
        Unlock();
        return;
    }
    HGLOBAL temporary = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)bytes);
    auto* target = temporary ? (uint8_t*)GlobalLock(temporary) : nullptr;
    if (!target) {
        if (temporary) GlobalFree(temporary);
        Unlock();
        return;
    }
    std::memcpy(target, header_, headerBytes);
    auto* th = (BITMAPINFOHEADER*)target;
    th->biBitCount = 24;
    th->biClrUsed = 0;
    th->biClrImportant = 0;
    th->biSizeImage = (DWORD)(rows * targetStride);
    const auto* table = (const RGBQUAD*)((const uint8_t*)header_ + header_->biSize);
    const uint8_t* from = (const uint8_t*)table + tableBytes_;
    const int bits = bits_, valueMask = (1 << bits) - 1;
    for (int64_t r = 0; r < rows; ++r) {
        const uint8_t* src = from + r * stride_;
        uint8_t* dst = target + headerBytes + r * targetStride;
        int32_t x = 0;
        for (int32_t i = 0; i < stride_ && x < width_; ++i)
            for (int shift = 8 - bits; shift >= 0 && x < width_; shift -= bits, ++x) {
                const int value = (src[i] >> shift) & valueMask;
                const RGBQUAD q = value < colours_ ? table[value] : RGBQUAD{};
                dst[3 * x] = q.rgbBlue;
                dst[3 * x + 1] = q.rgbGreen;
                dst[3 * x + 2] = q.rgbRed;
            }
    }
    Unlock();
    GlobalUnlock(temporary);
    SetFromGlobal(temporary);
    GlobalFree(temporary);
}

int c_GlobalDibBase::Draw(HDC dc, const RECT& d, const RECT& s) {
    if (!block_) return 0;
    uint8_t* bits = GetBits();
    if (!bits) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    return StretchDIBits(dc, d.left, d.top, d.right - d.left, d.bottom - d.top, s.left, s.top, s.right - s.left,
                         s.bottom - s.top, bits, (const BITMAPINFO*)header_, DIB_RGB_COLORS, SRCCOPY);
}

void c_GlobalDibBase::FillRgb(uint8_t r, uint8_t g, uint8_t b) {
    if (bits_ != 24) return;
    uint8_t* bits = GetBits();
    if (!bits) return;
    const int64_t rows = height_ < 0 ? -(int64_t)height_ : height_;
    for (int64_t y = 0; y < rows; ++y) {
        uint8_t* p = bits + y * stride_;
        for (int32_t x = 0; x < width_; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

void c_GlobalDibBase::FillIndex(uint8_t value) {
    if (bits_ != 8) return;
    uint8_t* bits = GetBits();
    if (!bits) return;
    const int64_t rows = height_ < 0 ? -(int64_t)height_ : height_;
    std::memset(bits, value, (size_t)(rows * stride_));
}

void c_GlobalDibBase::SetDpi(int32_t dpi) {
    Lock();
    if (header_) {
        resolution_ = dpi;
        header_->biXPelsPerMeter = header_->biYPelsPerMeter = (LONG)(dpi * 39.37007874015748);
    }
    Unlock();
}

BITMAPINFOHEADER* c_GlobalDibBase::GetHeader() {
    Lock();
    return header_;
}

uint8_t* c_GlobalDibBase::GetBits() {
    Lock();
    if (!header_ || !PixelsFit()) return nullptr;
    return (uint8_t*)header_ + header_->biSize + tableBytes_;
}

void c_GlobalDibBase::Lock() {
    if (attached_ || locked_ || !block_) return;
    header_ = (BITMAPINFOHEADER*)GlobalLock(block_);
    locked_ = 1;
}

void c_GlobalDibBase::Unlock() {
    if (attached_ || locked_ != 1 || !block_) return;
    GlobalUnlock(block_);
    locked_ = 0;
}

c_GlobalDib::c_GlobalDib() {
    HDC screen = GetDC(nullptr);
    const int planes = GetDeviceCaps(screen, PLANES), bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    int exponent = planes * (bits < 24 ? bits : 24);
    if (exponent > 31) exponent = 31;
    if (exponent < 0) exponent = 0;
    screenColours_ = 1u << exponent;
}
