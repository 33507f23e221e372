#include "dib_cases.h"

#include <cstring>

namespace {

struct Spec {
    const char* name;
    int bits;
    int headerSize;       // 40, 108, 124
    int compression;      // BI_RGB, BI_BITFIELDS
    bool topDown;
    uint32_t masks[3];    // red, green, blue (bit fields)
    int paletteEntries;   // written colour table entries (biClrUsed when not the full table)
};

const Spec kSpecs[] = {
    {"1-bit", 1, 40, BI_RGB, false, {}, 2},
    {"4-bit", 4, 40, BI_RGB, false, {}, 16},
    {"4-bit short table", 4, 40, BI_RGB, false, {}, 12},
    {"8-bit", 8, 40, BI_RGB, false, {}, 256},
    {"8-bit top-down", 8, 40, BI_RGB, true, {}, 256},
    {"16-bit 5-5-5", 16, 40, BI_RGB, false, {}, 0},
    {"16-bit 5-6-5 fields", 16, 40, BI_BITFIELDS, false, {0xF800, 0x07E0, 0x001F}, 0},
    {"24-bit", 24, 40, BI_RGB, false, {}, 0},
    {"24-bit top-down", 24, 40, BI_RGB, true, {}, 0},
    {"32-bit", 32, 40, BI_RGB, false, {}, 0},
    {"32-bit fields swapped", 32, 40, BI_BITFIELDS, false, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0},
    {"32-bit V4 fields", 32, 108, BI_BITFIELDS, false, {0x00FF0000, 0x0000FF00, 0x000000FF}, 0},
    {"32-bit V5 top-down", 32, 124, BI_BITFIELDS, true, {0x00FF0000, 0x0000FF00, 0x000000FF}, 0},
    {"24-bit V5", 24, 124, BI_RGB, false, {}, 0},
};

constexpr int kW = 13, kH = 7;   // odd width: every depth pads its rows

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

int MaskShift(uint32_t m) { int s = 0; while (!(m & (1u << s))) ++s; return s; }
int MaskBits(uint32_t m) { int n = 0; for (; m; m &= m - 1) ++n; return n; }

uint32_t PaletteColour(int bits, int i) {
    if (bits == 1) return i ? 0xC86432 : 0x0A141E;
    if (bits == 4) return (uint32_t)((i * 16) << 16 | (255 - i * 16) << 8 | (i * 7));
    return (uint32_t)(i << 16 | (255 - i) << 8 | ((i * 3) & 255));
}

// Pixel at (x, y): a palette index, or raw channel levels for the direct depths.
int IndexAt(int bits, int entries, int x, int y) {
    int n = bits == 1 ? 2 : bits == 4 ? 16 : 256;
    if (entries && entries < n) n = entries;
    return (x * 7 + y * 11) % n;
}

DibCase Build(const Spec& s) {
    DibCase c;
    c.name = s.name;
    c.width = kW;
    c.height = kH;
    c.dpi = 300;
    const int stride = ((kW * s.bits + 31) / 32) * 4;
    const bool fieldsAfter = s.compression == BI_BITFIELDS && s.headerSize == 40;
    const int palette = s.bits <= 8 ? s.paletteEntries * 4 : 0;
    const size_t bitsAt = s.headerSize + (fieldsAfter ? 12 : 0) + palette;
    c.block.assign(bitsAt + (size_t)stride * kH, 0);
    BITMAPV5HEADER h = {};
    h.bV5Size = s.headerSize;
    h.bV5Width = kW;
    h.bV5Height = s.topDown ? -kH : kH;
    h.bV5Planes = 1;
    h.bV5BitCount = (WORD)s.bits;
    h.bV5Compression = s.compression;
    h.bV5XPelsPerMeter = 11811;
    h.bV5YPelsPerMeter = 11811;
    const int fullTable = s.bits <= 8 ? 1 << s.bits : 0;
    h.bV5ClrUsed = s.bits <= 8 && s.paletteEntries != fullTable ? s.paletteEntries : 0;
    if (s.compression == BI_BITFIELDS && s.headerSize > 40) {
        h.bV5RedMask = s.masks[0];
        h.bV5GreenMask = s.masks[1];
        h.bV5BlueMask = s.masks[2];
    }
    if (s.headerSize > 40) h.bV5CSType = 0x73524742;   // 'sRGB'
    std::memcpy(c.block.data(), &h, s.headerSize);
    if (fieldsAfter)
        for (int i = 0; i < 3; ++i) Put32(c.block, 40 + 4 * i, s.masks[i]);
    for (int i = 0; i < s.paletteEntries && s.bits <= 8; ++i)
        Put32(c.block, s.headerSize + 4 * i, PaletteColour(s.bits, i));
    c.expected.resize((size_t)kW * kH);
    uint32_t masks[3] = {s.masks[0], s.masks[1], s.masks[2]};
    if (s.bits == 16 && s.compression == BI_RGB) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (s.bits == 32 && s.compression == BI_RGB) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    for (int y = 0; y < kH; ++y) {
        const int stored = s.topDown ? y : kH - 1 - y;
        uint8_t* row = &c.block[bitsAt + (size_t)stored * stride];
        for (int x = 0; x < kW; ++x) {
            uint32_t colour = 0;
            if (s.bits <= 8) {
                int i = IndexAt(s.bits, s.paletteEntries, x, y);
                colour = PaletteColour(s.bits, i);
                if (s.bits == 1) row[x >> 3] |= (uint8_t)(i << (7 - (x & 7)));
                else if (s.bits == 4) row[x >> 1] |= (uint8_t)((x & 1) ? i : i << 4);
                else row[x] = (uint8_t)i;
            } else if (s.bits == 24) {
                uint8_t r = (uint8_t)(x * 19 + y), g = (uint8_t)(y * 37 + 5), b = (uint8_t)(x * y * 3 + 1);
                row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
                colour = (uint32_t)r << 16 | g << 8 | b;
            } else {
                // Channel levels within each mask's range; the expected byte is
                // the level scaled to 0..255.
                uint32_t pixel = 0, channel[3];
                for (int k = 0; k < 3; ++k) {
                    int n = MaskBits(masks[k]);
                    uint32_t top = (1u << n) - 1;
                    uint32_t level = (uint32_t)(x * (5 + 3 * k) + y * (2 + k) * 7) % (top + 1);
                    if (x == 0 && y == 0) level = top;   // the full level must read 255
                    pixel |= level << MaskShift(masks[k]);
                    channel[k] = n >= 8 ? level >> (n - 8) : level * 255 / top;
                }
                colour = channel[0] << 16 | channel[1] << 8 | channel[2];
                if (s.bits == 16) row[2 * x] = (uint8_t)pixel, row[2 * x + 1] = (uint8_t)(pixel >> 8);
                else std::memcpy(row + 4 * x, &pixel, 4);
            }
            c.expected[(size_t)y * kW + x] = colour;
        }
    }
    return c;
}

// A readable 8-bit block with one field changed to a value no reader may take.
struct Break {
    const char* name;
    int offset;        // byte offset of the field, or -1: cut the block
    int size;          // 2 or 4
    int64_t value;     // for a cut: bytes removed from the end
    bool rowsHeld = false;   // the block grows to hold every row the new size needs
};

const Break kBreaks[] = {
    {"header size 0", 0, 4, 0},
    {"header size 12", 0, 4, 12},
    {"header size 41", 0, 4, 41},
    {"header size 64", 0, 4, 64},
    {"header size huge", 0, 4, 0x7FFFFFF0},
    {"width 0", 4, 4, 0},
    {"width negative", 4, 4, -13},
    {"width past the block", 4, 4, 0x7FFFFFFF},
    {"width above the canvas limit", 4, 4, 30001, true},
    {"height 0", 8, 4, 0},
    {"height most negative", 8, 4, INT32_MIN},
    {"height past the block", 8, 4, 1000},
    {"height above the canvas limit", 8, 4, 30001, true},
    {"bit count 0", 14, 2, 0},
    {"bit count 2", 14, 2, 2},
    {"bit count 7", 14, 2, 7},
    {"bit count 64", 14, 2, 64},
    {"bit count 65535", 14, 2, 65535},
    {"run-length 8", 16, 4, BI_RLE8},
    {"run-length 4", 16, 4, BI_RLE4},
    {"bit fields on 8 bits", 16, 4, BI_BITFIELDS},
    {"JPEG", 16, 4, BI_JPEG},
    {"PNG", 16, 4, BI_PNG},
    {"compression huge", 16, 4, 0x7FFFFFFF},
    {"colours used 257", 32, 4, 257},
    {"colours used huge", 32, 4, 0x7FFFFFFF},
    {"colours used all bits", 32, 4, 0xFFFFFFFF},
    {"last row byte missing", -1, 0, 1},
    {"half the rows missing", -1, 0, 48},
    {"only the header", -1, 0, 1024 + 16 * 7},
};

}  // namespace

int ReadableDibCaseCount() { return (int)(sizeof kSpecs / sizeof kSpecs[0]); }
DibCase ReadableDibCase(int index) { return Build(kSpecs[index]); }

int BrokenDibCaseCount() { return (int)(sizeof kBreaks / sizeof kBreaks[0]) + 3; }

DibCase BrokenDibCase(int index) {
    const int fieldCases = (int)(sizeof kBreaks / sizeof kBreaks[0]);
    if (index >= fieldCases) {
        // Bit fields that cannot be decoded: an empty mask, a broken run, a
        // 16-bit mask above the pixel.
        static const uint32_t bad[3][3] = {
            {0, 0x07E0, 0x001F}, {0xF00F, 0x0FF0, 0x0000}, {0x1F0000, 0x07E0, 0x001F}};
        DibCase c = Build(kSpecs[6]);
        c.name = index == fieldCases ? "empty mask" : index == fieldCases + 1 ? "mask with a gap" : "mask above 16 bits";
        for (int i = 0; i < 3; ++i) Put32(c.block, 40 + 4 * i, bad[index - fieldCases][i]);
        c.expected.clear();
        return c;
    }
    const Break& b = kBreaks[index];
    DibCase c = Build(kSpecs[3]);   // 8-bit, 13 x 7, full table
    c.name = b.name;
    c.expected.clear();
    if (b.offset < 0) {
        c.block.resize(c.block.size() - (size_t)b.value);
    } else if (b.size == 2) {
        uint16_t v = (uint16_t)b.value;
        std::memcpy(&c.block[b.offset], &v, 2);
    } else {
        uint32_t v = (uint32_t)b.value;
        std::memcpy(&c.block[b.offset], &v, 4);
    }
    if (b.rowsHeld) {
        int32_t w, h;
        std::memcpy(&w, &c.block[4], 4);
        std::memcpy(&h, &c.block[8], 4);
        c.block.resize(40 + 1024 + (size_t)((w + 3) & ~3) * (size_t)h, 0x33);
    }
    return c;
}

std::vector<uint8_t> GreyDib(int width, int height, uint8_t (*value)(int x, int y)) {
    const int stride = (width + 3) & ~3;
    std::vector<uint8_t> b(40 + 1024 + (size_t)stride * height, 0);
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    std::memcpy(b.data(), &h, 40);
    for (int i = 0; i < 256; ++i) Put32(b, 40 + 4 * i, (uint32_t)(i << 16 | i << 8 | i));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b[40 + 1024 + (size_t)(height - 1 - y) * stride + x] = value(x, y);
    return b;
}
