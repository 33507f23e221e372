#include "image/dib_base.h"

#include <cstring>

#include "image/bmp_file.h"

namespace {

inline uint32_t Word(const RGBQUAD& q) {
    return (uint32_t)q.rgbBlue | ((uint32_t)q.rgbGreen << 8) | ((uint32_t)q.rgbRed << 16);
}

// A channel through its mask, scaled to the top of a byte.
inline uint32_t Channel(uint32_t pixel, uint32_t mask, int shift, int width) {
    uint32_t v = (pixel & mask) >> shift;
    return width <= 8 ? (v << (8 - width)) & 0xFF : (v >> (width - 8)) & 0xFF;
}

}  // namespace

bool c_DibBase::Create(int32_t width, int32_t height, int32_t bits) {
    BITMAPINFOHEADER* block = AllocDibHeader(width, height, bits, 2, -1);
    if (!block) return false;
    Own(block);
    return Attach(block);
}

bool c_DibBase::CreateLike(const BITMAPINFOHEADER* h) {
    if (!h) return false;
    const BITMAPINFOHEADER copy = *h;   // h may lie in the block Create replaces
    int32_t bits = copy.biBitCount | (copy.biCompression != BI_BITFIELDS ? DibNoMasks : 0);
    if (!Create(copy.biWidth, copy.biHeight, bits)) return false;
    header_->biXPelsPerMeter = copy.biXPelsPerMeter;
    header_->biYPelsPerMeter = copy.biYPelsPerMeter;
    header_->biClrImportant = copy.biClrImportant;
    return true;
}

bool c_DibBase::CopyFormat(const BITMAPINFOHEADER* h) {
    if (!h || h->biSize != 40) return false;
    // Keep what is needed of the old block before it may be freed.
    const int32_t colours = DibColourCount(h->biBitCount, (int32_t)h->biClrUsed);
    const int32_t maskBytes = DibMaskBytes(h->biCompression);
    uint32_t masks[3] = {};
    RGBQUAD table[256] = {};
    const uint8_t* p = (const uint8_t*)(h + 1);
    std::memcpy(masks, p, (size_t)maskBytes);
    if (colours > 0) std::memcpy(table, p + maskBytes, 4 * (size_t)colours);
    if (!CreateLike(h)) return false;
    for (int i = 0; masks_ && i < 3; ++i) masks_[i] = masks[i];
    for (int32_t i = 0; i < colours && i < colourCount_; ++i) colours_[i] = table[i];
    // The masks may differ from the standard ones the new block got.
    if (masks_) Attach(header_);
    return true;
}

bool c_DibBase::Assign(const c_DibBase& other) {
    if (&other == this) return true;
    if (!other.header_) return false;
    Detach();
    if (!CopyFormat(other.header_)) return false;
    if (stride_ != other.stride_ || GetAbsHeight() != other.GetAbsHeight()) return false;
    std::memcpy(bits_, other.bits_, (size_t)imageSize_);
    return true;
}

bool c_DibBase::CopyPixels(const c_DibBase& other) {
    if (!header_ || !other.header_ || &other == this) return false;
    if (GetWidth() != other.GetWidth() || GetHeight() != other.GetHeight() ||
        GetBitCount() != other.GetBitCount())
        return false;
    // The same layout behind the header, or the copy would run past one block.
    if (maskBytes_ != other.maskBytes_ || colourCount_ != other.colourCount_ || stride_ != other.stride_)
        return false;
    std::memcpy((uint8_t*)(header_ + 1), (const uint8_t*)(other.header_ + 1),
                (size_t)maskBytes_ + 4 * (size_t)colourCount_);
    std::memcpy(bits_, other.bits_, (size_t)imageSize_);
    if (masks_) Attach(header_);
    return true;
}

bool c_DibBase::Attach(BITMAPINFOHEADER* h) {
    if (!h || IsRleDib(h) || h->biSize != 40) return false;
    const int32_t bits = h->biBitCount;
    const int32_t colours = DibColourCount(bits, (int32_t)h->biClrUsed);
    if (colours < 0 || h->biWidth < 1 || h->biHeight == 0) return false;
    const bool fields = h->biCompression == BI_BITFIELDS;
    if (bits == 16 && !fields) return false;
    if (fields && bits != 16 && bits != 32) return false;
    if (h->biCompression != BI_RGB && !fields) return false;   // JPEG, PNG pixels
    const int64_t stride = ((int64_t)h->biWidth * bits + 31) / 32 * 4;
    const int64_t height = h->biHeight < 0 ? -(int64_t)h->biHeight : h->biHeight;
    const int64_t total = 40 + (fields ? 12 : 0) + 4 * (int64_t)colours + stride * height;
    if (total > 0x7FFFFFFF) return false;

    header_ = h;
    stride_ = (int32_t)stride;
    imageSize_ = (int32_t)(stride * height);
    colourCount_ = colours;
    maskBytes_ = DibMaskBytes(h->biCompression);
    totalSize_ = (int32_t)total;
    colours_ = (RGBQUAD*)((uint8_t*)h + 40 + maskBytes_);
    bits_ = (uint8_t*)colours_ + 4 * colours;
    masks_ = nullptr;
    fourthMask_ = 0;
    for (int i = 0; i < 4; ++i) maskWidths_[i] = maskShifts_[i] = 0;
    if (fields) {
        masks_ = (uint32_t*)((uint8_t*)h + 40);
        fourthMask_ = ~(masks_[0] | masks_[1] | masks_[2]);
        if (bits == 16) fourthMask_ &= 0xFFFF;
        const uint32_t all[4] = {masks_[0], masks_[1], masks_[2], fourthMask_};
        for (int i = 0; i < 4; ++i) {
            int levels = 0;
            maskWidths_[i] = CountMaskBits(all[i], &levels, &maskShifts_[i]);
        }
    }
    return true;
}

void c_DibBase::Own(BITMAPINFOHEADER* block) {
    if (owned_ == block) return;
    if (owned_ && header_ == owned_) Forget();
    FreeDibHeader(owned_);
    owned_ = block;
}

bool c_DibBase::FreeOwned() {
    if (!owned_) return false;
    if (header_ == owned_) Forget();
    FreeDibHeader(owned_);
    owned_ = nullptr;
    return true;
}

bool c_DibBase::Detach() {
    if (!owned_) return false;
    FreeOwned();
    Forget();
    return true;
}

void c_DibBase::Forget() {
    header_ = nullptr;
    bits_ = nullptr;
    colours_ = nullptr;
    masks_ = nullptr;
    stride_ = imageSize_ = totalSize_ = maskBytes_ = colourCount_ = 0;
}

void c_DibBase::GetSize(int32_t* width, int32_t* height, int32_t* bits) const {
    if (width) *width = GetWidth();
    if (height) *height = GetHeight();
    if (bits) *bits = GetBitCount();
}

DibRect c_DibBase::GetRect(int32_t x, int32_t y) const {
    return DibRect{.left = x, .top = y, .right = x + GetWidth(), .bottom = y + GetAbsHeight()};
}

RGBQUAD c_DibBase::GetColour(int32_t i) const {
    if (i < 0 || i >= colourCount_) return RGBQUAD{};
    return colours_[i];
}

void c_DibBase::SetColour(int32_t i, RGBQUAD value) {
    if (i >= 0 && i < colourCount_) colours_[i] = value;
}

uint32_t c_DibBase::GetMask(int i) const { return masks_ && i >= 0 && i < 3 ? masks_[i] : 0; }

bool c_DibBase::SetMask(int i, uint32_t value) {
    if (!masks_ || i < 0 || i > 2) return false;
    masks_[i] = value;
    Attach(header_);   // widths, shifts and the fourth mask follow
    return true;
}

void c_DibBase::SetStride(int32_t stride) {
    if (!header_) return;
    stride_ = stride;
    imageSize_ = stride * GetAbsHeight();
    header_->biSizeImage = (DWORD)imageSize_;
    totalSize_ = 40 + maskBytes_ + 4 * colourCount_ + imageSize_;
}

int32_t c_DibBase::HeaderSize(int flags) const {
    return 40 + ((flags & 1) ? 4 * colourCount_ : 0) + ((flags & 2) ? maskBytes_ : 0);
}

void c_DibBase::SetResolution(uint32_t xDpi, uint32_t yDpi) {
    if (!header_) return;
    header_->biXPelsPerMeter = (LONG)DpiToPelsPerMetre(xDpi);
    header_->biYPelsPerMeter = (LONG)DpiToPelsPerMetre(yDpi);
}

void c_DibBase::GetResolution(uint32_t* xDpi, uint32_t* yDpi) const {
    if (xDpi) *xDpi = header_ ? PelsPerMetreToDpi((uint32_t)header_->biXPelsPerMeter) : 0;
    if (yDpi) *yDpi = header_ ? PelsPerMetreToDpi((uint32_t)header_->biYPelsPerMeter) : 0;
}

uint8_t* c_DibBase::RowAddress(int32_t y) const {
    const int32_t h = GetAbsHeight();
    if (!header_ || y < 0 || y >= h) return nullptr;
    const int32_t stored = header_->biHeight > 0 ? h - 1 - y : y;
    return bits_ + (size_t)stored * (size_t)stride_;
}

uint8_t* c_DibBase::PixelAddress(int32_t x, int32_t y) const {
    uint8_t* row = RowAddress(y);
    if (!row || x < 0 || x >= GetWidth()) return nullptr;
    return row + (size_t)x * GetBitCount() / 8;
}

bool c_DibBase::GetRow(int32_t y, void* buffer) const {
    uint8_t* row = RowAddress(y);
    if (!row || !buffer) return false;
    std::memcpy(buffer, row, (size_t)stride_);
    return true;
}

bool c_DibBase::PutRow(int32_t y, const void* buffer) {
    uint8_t* row = RowAddress(y);
    if (!row || !buffer) return false;
    std::memcpy(row, buffer, (size_t)stride_);
    return true;
}

uint32_t c_DibBase::TableColour(uint32_t index) const {
    return index < (uint32_t)colourCount_ ? Word(colours_[index]) : 0;
}

uint32_t c_DibBase::MaskedColour(uint32_t pixel, bool withFourth) const {
    uint32_t c = Channel(pixel, masks_[2], maskShifts_[2], maskWidths_[2]) |
                 Channel(pixel, masks_[1], maskShifts_[1], maskWidths_[1]) << 8 |
                 Channel(pixel, masks_[0], maskShifts_[0], maskWidths_[0]) << 16;
    if (withFourth) c |= Channel(pixel, fourthMask_, maskShifts_[3], maskWidths_[3]) << 24;
    return c;
}

// The stored value of pixel x of a row (index, or the 16/24/32-bit word).
uint32_t c_DibBase::PixelValue(const uint8_t* row, int32_t x) const {
    switch (GetBitCount()) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: return (uint32_t)row[2 * x] | (uint32_t)row[2 * x + 1] << 8;
    case 24: return (uint32_t)row[3 * x] | (uint32_t)row[3 * x + 1] << 8 | (uint32_t)row[3 * x + 2] << 16;
    case 32: { uint32_t v; std::memcpy(&v, row + 4 * (size_t)x, 4); return v; }
    default: return 0;
    }
}

bool c_DibBase::GetRowRgb(int32_t y, uint32_t* out) const {
    const uint8_t* row = RowAddress(y);
    if (!row || !out) return false;
    const int32_t bits = GetBitCount(), w = GetWidth();
    switch (bits) {
    case 1:
    case 4:
    case 8:
        for (int32_t x = 0; x < w; ++x) out[x] = TableColour(PixelValue(row, x));
        return true;
    case 16:
        for (int32_t x = 0; x < w; ++x) out[x] = MaskedColour(PixelValue(row, x), false);
        return true;
    case 24:
        for (int32_t x = 0; x < w; ++x) out[x] = PixelValue(row, x);
        return true;
    case 32:
        if (!masks_) {
            std::memcpy(out, row, 4 * (size_t)w);
            return true;
        }
        for (int32_t x = 0; x < w; ++x) out[x] = MaskedColour(PixelValue(row, x), false);
        return true;
    default:
        return false;
    }
}

bool c_DibBase::GetPixelRaw(int32_t x, int32_t y, void* out) const {
    const uint8_t* row = RowAddress(y);
    if (!row || !out || x < 0 || x >= GetWidth()) return false;
    const int32_t bits = GetBitCount();
    const uint32_t v = PixelValue(row, x);
    std::memcpy(out, &v, bits <= 8 ? 1 : (size_t)bits / 8);
    return true;
}

bool c_DibBase::GetPixelRgb(int32_t x, int32_t y, uint32_t* colour) const {
    const uint8_t* row = RowAddress(y);
    if (!row || !colour || x < 0 || x >= GetWidth()) return false;
    const int32_t bits = GetBitCount();
    const uint32_t v = PixelValue(row, x);
    if (bits <= 8) *colour = TableColour(v);
    else if (masks_) *colour = MaskedColour(v, true);
    else *colour = v;
    return true;
}

bool c_DibBase::SetPixel(int32_t x, int32_t y, const void* bytes) {
    const int32_t bits = GetBitCount();
    if (bits != 24 && bits != 32) return false;
    uint8_t* p = PixelAddress(x, y);
    if (!p || !bytes) return false;
    std::memcpy(p, bytes, (size_t)bits / 8);
    return true;
}

bool c_DibBase::BeginRows(int32_t first, int32_t last) {
    const int32_t h = GetAbsHeight();
    if (!header_ || first < 0 || first >= h || last < 0 || last > h) return false;
    walkRow_ = first;
    walkEnd_ = last;
    walkAddress_ = RowAddress(first);
    walkStep_ = header_->biHeight > 0 ? -(intptr_t)stride_ : (intptr_t)stride_;
    if (last < first) walkStep_ = -walkStep_;
    return true;
}

uint8_t* c_DibBase::NextRow() {
    if (!walkAddress_ || walkRow_ == walkEnd_) return nullptr;
    uint8_t* row = walkAddress_;
    walkRow_ += walkEnd_ > walkRow_ ? 1 : -1;
    walkAddress_ = walkRow_ == walkEnd_ ? nullptr : walkAddress_ + walkStep_;
    return row;
}

bool c_DibBase::Blit(const c_DibBase& source, int32_t x, int32_t y, int32_t width, int32_t height,
                     int32_t destinationX, int32_t destinationY) {
    if (!header_ || !source.header_) return false;
    const int32_t sb = source.GetBitCount(), db = GetBitCount();
    if (sb != db && db != 32 && db != 24) return false;
    DibRect r{.left = x, .top = y, .right = x + width, .bottom = y + height};
    const int32_t ox = destinationX - x, oy = destinationY - y;
    r.Intersect(source.GetRect(0, 0));
    r.Offset(ox, oy);
    r.Intersect(GetRect(0, 0));
    r.OffsetBack(ox, oy);
    if (r.IsEmpty()) return true;
    const int32_t w = r.Width(), dx0 = r.left + ox;
    // Within one bitmap, a copy downward starts at the bottom row.
    const bool upward = &source == this && oy > 0;
    for (int32_t n = 0; n < r.Height(); ++n) {
        const int32_t i = upward ? r.Height() - 1 - n : n;
        const uint8_t* s = source.RowAddress(r.top + i);
        uint8_t* d = RowAddress(r.top + oy + i);
        if (sb == db && db >= 8) {
            std::memmove(d + (size_t)dx0 * db / 8, s + (size_t)r.left * sb / 8, (size_t)w * db / 8);
        } else if (sb == db && (r.left * db) % 8 == 0 && (dx0 * db) % 8 == 0) {
            // Whole bytes, then the last byte's pixels inside the rectangle.
            const size_t whole = (size_t)w * db / 8;
            uint8_t* dp = d + (size_t)dx0 * db / 8;
            const uint8_t* sp = s + (size_t)r.left * db / 8;
            std::memmove(dp, sp, whole);
            if (const int rest = (w * db) % 8) {
                const uint8_t keep = (uint8_t)(255 >> rest);
                dp[whole] = (uint8_t)((sp[whole] & ~keep) | (dp[whole] & keep));
            }
        } else if (sb == db) {
            // Pixels that do not start on a byte: one at a time.
            const int mask = (1 << db) - 1;
            for (int32_t k = 0; k < w; ++k) {
                const int32_t sx = r.left + k, tx = dx0 + k;
                const int v = (int)source.PixelValue(s, sx);
                const int shift = 8 - db - (tx * db) % 8;
                uint8_t& byte = d[(size_t)tx * db / 8];
                byte = (uint8_t)((byte & ~(mask << shift)) | (v << shift));
            }
        } else {
            // 32 or 24 bits from another depth, through the source's colours.
            const int bytes = db / 8;
            for (int32_t k = 0; k < w; ++k) {
                uint32_t c = 0;
                if (sb >= 24) c = source.PixelValue(s, r.left + k);
                else source.GetPixelRgb(r.left + k, r.top + i, &c);
                std::memcpy(d + (size_t)(dx0 + k) * bytes, &c, (size_t)bytes);
            }
        }
    }
    return true;
}

bool c_DibBase::Blit(const c_DibBase& source, const DibRect& rect, POINT destination) {
    return Blit(source, rect.left, rect.top, rect.Width(), rect.Height(), destination.x, destination.y);
}

bool c_DibBase::StretchBlit(const c_DibBase&, const DibRect&, const DibRect&) { return false; }
