#include "image/bmp_file.h"

#include <climits>
#include <new>
#include <cstring>
#include <string>

namespace {

inline uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
inline uint16_t U16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

struct MaskChannel {
    uint32_t mask;
    int shift;
    int bits;
    int levels;
};

MaskChannel MakeChannel(uint32_t mask) {
    MaskChannel c{mask, 0, 0, 1};
    c.bits = CountMaskBits(mask, &c.levels, &c.shift);
    return c;
}

inline uint8_t Extract(const MaskChannel& c, uint32_t pixel) {
    if (c.bits == 0) return 0;
    uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return (uint8_t)(v >> (c.bits - 8));
    return (uint8_t)(v * 255 / (uint32_t)(c.levels - 1));
}

}  // namespace

int CountMaskBits(uint32_t mask, int* levels, int* shift) {
    int n = 0;
    for (uint32_t m = mask; m; m &= m - 1) ++n;
    *levels = 1 << (n > 30 ? 30 : n);
    if (n == 32) *levels = INT_MAX;
    if (mask) {
        int s = 0;
        while (!(mask & (1u << s))) ++s;
        *shift = s;
    }
    return n;
}

bool ParseBmpLayout(const void* data, size_t dataSize, uint64_t totalSize, bool withFileHeader, BmpLayout* out) {
    const uint8_t* p = (const uint8_t*)data;
    if (!p || !out) return false;
    uint64_t have = dataSize < totalSize ? dataSize : totalSize;
    BmpLayout l;
    uint64_t ih = 0, fileOffset = 0;
    if (withFileHeader) {
        if (have < 18 || p[0] != 'B' || p[1] != 'M') return false;
        fileOffset = U32(p + 10);
        ih = 14;
    } else if (have < 4) {
        return false;
    }
    uint32_t hs = U32(p + ih);
    if (hs != 12 && hs != 40 && hs != 52 && hs != 56 && hs != 108 && hs != 124) return false;
    if (ih + hs > have) return false;
    l.headerSize = (int32_t)hs;
    const uint8_t* h = p + ih;
    uint32_t compression = 0, clrUsed = 0;
    int entrySize = 4;
    if (hs == 12) {
        l.width = U16(h + 4);
        l.height = U16(h + 6);
        l.bits = U16(h + 10);
        if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 24) return false;
        entrySize = 3;
    } else {
        int32_t w = (int32_t)U32(h + 4), ht = (int32_t)U32(h + 8);
        l.bits = U16(h + 14);
        compression = U32(h + 16);
        l.xPelsPerMeter = (int32_t)U32(h + 24);
        l.yPelsPerMeter = (int32_t)U32(h + 28);
        clrUsed = U32(h + 32);
        if (ht == INT_MIN) return false;
        if (ht < 0) { l.topDown = true; ht = -ht; }
        l.width = w;
        l.height = ht;
        if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32) return false;
    }
    if (l.width <= 0 || l.height <= 0) return false;

    uint64_t paletteStart = ih + hs;
    if (compression == BI_BITFIELDS) {
        if (l.bits != 16 && l.bits != 32) return false;
        if (hs == 40) paletteStart += 12;
        if (ih + 40 + 12 > have) return false;
        l.masked = true;
        for (int i = 0; i < 3; ++i) l.masks[i] = U32(h + 40 + 4 * i);
    } else if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (l.topDown || l.bits != (compression == BI_RLE8 ? 8 : 4)) return false;
        l.runLength = l.bits;
    } else if (compression != BI_RGB) {
        return false;   // JPEG and PNG pixels are not read here
    } else if (l.bits == 16) {
        l.masked = true;
        l.masks[0] = 0x7C00; l.masks[1] = 0x03E0; l.masks[2] = 0x001F;
    }

    uint64_t regionEntries = 0, readEntries = 0;
    if (l.bits <= 8) {
        regionEntries = clrUsed ? clrUsed : (1u << l.bits);
        if (regionEntries > 256) return false;
        readEntries = regionEntries < (1u << l.bits) ? regionEntries : (1u << l.bits);
    } else {
        regionEntries = clrUsed;
        if (regionEntries > 65536) return false;
    }
    if (withFileHeader) {
        l.pixelOffset = fileOffset;
        if (l.pixelOffset < paletteStart) return false;
        uint64_t room = (l.pixelOffset - paletteStart) / entrySize;
        if (readEntries > room) readEntries = room;
    } else {
        l.pixelOffset = paletteStart + regionEntries * entrySize;
    }
    if (paletteStart + readEntries * entrySize > have) {
        uint64_t room = have > paletteStart ? (have - paletteStart) / entrySize : 0;
        if (readEntries > room) readEntries = room;
    }
    l.paletteEntries = (int32_t)readEntries;
    for (uint64_t i = 0; i < readEntries; ++i) {
        const uint8_t* e = p + paletteStart + i * entrySize;
        l.palette[i].rgbBlue = e[0];
        l.palette[i].rgbGreen = e[1];
        l.palette[i].rgbRed = e[2];
        l.palette[i].rgbReserved = 0;
    }

    uint64_t stride = (((uint64_t)l.width * (uint64_t)l.bits + 31) / 32) * 4;
    if (stride > 0x7FFFFFFF) return false;
    l.stride = (uint32_t)stride;
    uint64_t rows = stride * (uint64_t)l.height;
    if (l.pixelOffset > totalSize) return false;
    if (l.runLength) {
        // Runs may describe far more pixels than they take bytes: the
        // expanded rows must stay within what a picture can be.
        if (rows > 0x7FFFFFFF || (uint64_t)l.width * l.height > 30000ull * 30000ull) return false;
        l.runBytes = totalSize - l.pixelOffset;
    } else if (rows > totalSize - l.pixelOffset) {
        return false;
    }
    *out = l;
    return true;
}

void DecodeBmpRow32(const BmpLayout& l, const uint8_t* row, uint32_t* out) {
    const int w = l.width;
    auto entry = [&](int index) -> uint32_t {
        const RGBQUAD& q = l.palette[index];
        return (uint32_t)q.rgbBlue | ((uint32_t)q.rgbGreen << 8) | ((uint32_t)q.rgbRed << 16);
    };
    switch (l.bits) {
    case 1:
        for (int x = 0; x < w; ++x) out[x] = entry((row[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int x = 0; x < w; ++x) out[x] = entry((x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4));
        break;
    case 8:
        for (int x = 0; x < w; ++x) out[x] = entry(row[x]);
        break;
    case 24:
        for (int x = 0; x < w; ++x, row += 3) out[x] = row[0] | (row[1] << 8) | ((uint32_t)row[2] << 16);
        break;
    case 16:
    case 32: {
        if (!l.masked) {
            std::memcpy(out, row, (size_t)w * 4);
            break;
        }
        MaskChannel r = MakeChannel(l.masks[0]), g = MakeChannel(l.masks[1]), b = MakeChannel(l.masks[2]);
        for (int x = 0; x < w; ++x) {
            uint32_t v = l.bits == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
            out[x] = Extract(b, v) | (Extract(g, v) << 8) | ((uint32_t)Extract(r, v) << 16);
        }
        break;
    }
    default:
        std::memset(out, 0, (size_t)w * 4);
        break;
    }
}

bool DecodeBmpRunLength(const BmpLayout& l, const uint8_t* data, size_t size, uint8_t* rows) {
    const int w = l.width, h = l.height;
    const bool four = l.runLength == 4;
    int x = 0, y = 0;   // y counts stored rows from the bottom
    auto put = [&](int value) {
        if (x < w && y < h) {
            uint8_t* row = rows + (size_t)y * l.stride;
            if (four) row[x >> 1] |= (uint8_t)((x & 1) ? (value & 15) : (value & 15) << 4);
            else row[x] = (uint8_t)value;
        }
        if (x < w) ++x;   // nothing lands beyond the row, however long the runs
    };
    size_t i = 0;
    while (i + 1 < size && y < h) {
        int count = data[i], value = data[i + 1];
        i += 2;
        if (count) {
            for (int k = 0; k < count; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { x = 0; ++y; continue; }    // end of line
        if (value == 1) return true;                  // end of picture
        if (value == 2) {                             // move by (dx, dy)
            if (i + 1 >= size) return false;
            x = x + data[i] < w ? x + data[i] : w;
            y += data[i + 1];
            i += 2;
            continue;
        }
        // A literal run of `value` pixels, padded to a 16-bit boundary.
        size_t bytes = four ? ((size_t)value + 1) / 2 : (size_t)value;
        if (i + bytes > size) bytes = size - i;
        for (int k = 0; k < value && (four ? (size_t)(k / 2) : (size_t)k) < bytes; ++k)
            put(four ? ((k & 1) ? data[i + k / 2] & 15 : data[i + k / 2] >> 4) : data[i + k]);
        i += bytes + (bytes & 1);
    }
    return y >= h;
}

bool BmpRowSource::Open(const BmpLayout& l, const uint8_t* base) {
    l_ = l;
    base_ = base;
    if (!l.runLength) return true;
    own_.reset(new (std::nothrow) uint8_t[(size_t)l.stride * l.height]());
    if (!own_) return false;
    expanded_ = own_.get();
    DecodeBmpRunLength(l, base + l.pixelOffset, (size_t)l.runBytes, expanded_);
    return true;
}

bool BmpRowSource::Open(const BmpLayout& l, HANDLE file) {
    l_ = l;
    file_ = file;
    if (!l.runLength) {
        rowOwn_.reset(new (std::nothrow) uint8_t[l.stride]);
        row_ = rowOwn_.get();
        return row_ != nullptr;
    }
    if (l.runBytes > 0x7FFFFFFF) return false;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[(size_t)l.runBytes + 1]);
    own_.reset(new (std::nothrow) uint8_t[(size_t)l.stride * l.height]());
    if (!data || !own_) return false;
    if (!ReadFileAt(file, l.pixelOffset, data.get(), (DWORD)l.runBytes)) return false;
    expanded_ = own_.get();
    DecodeBmpRunLength(l, data.get(), (size_t)l.runBytes, expanded_);
    return true;
}

const uint8_t* BmpRowSource::Row(int y) {
    if (y < 0 || y >= l_.height) return nullptr;
    if (expanded_) return expanded_ + (size_t)(l_.height - 1 - y) * l_.stride;
    uint64_t at = l_.pixelOffset + (uint64_t)BmpStoredRow(l_, y) * l_.stride;
    if (base_) return base_ + at;
    return ReadFileAt(file_, at, row_, l_.stride) ? row_ : nullptr;
}

bool ReadFileAt(HANDLE file, uint64_t offset, void* buffer, DWORD length) {
    LARGE_INTEGER li;
    li.QuadPart = (LONGLONG)offset;
    if (!SetFilePointerEx(file, li, nullptr, FILE_BEGIN)) return false;
    uint8_t* at = (uint8_t*)buffer;
    while (length) {
        DWORD got = 0;
        if (!ReadFile(file, at, length, &got, nullptr) || got == 0) return false;
        at += got;
        length -= got;
    }
    return true;
}

