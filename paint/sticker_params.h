// StickerParams: the 4,208-byte block the editor hands to Sticker.dll's
// StickerOpen for each pass of a decorated text (text, frame, backing). Shared
// by the editor and our Sticker.dll in plugins/sticker. Fixed-width fields, the
// same layout on 32 and 64 bits: the owner window is kept as its 32-bit handle
// value and the target pointer as two 32-bit halves.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr int kStickerLines = 8;
constexpr int kStickerLineBytes = 256;

// Pass values (offset 104).
constexpr int32_t kStickerPassText = 255;
constexpr int32_t kStickerPassFrame = -1;
constexpr int32_t kStickerPassBacking = 0;

struct StickerParams {
    uint32_t owner;              // 0: the owner window's handle value
    int32_t one[2];              // 4: 1, 1
    int32_t zero12;              // 12
    int32_t lineCount;           // 16
    int32_t width, height;       // 20, 24: the target's size
    int32_t zero28[2];           // 28
    uint32_t targetLow;          // 36: the target's address (packed 8-bit DIB), low half
    uint32_t targetHigh;         // 40: high half (0 on 32 bits)
    uint8_t zero44[76 - 44];     // 44
    RECT box;                    // 76: 0, 0, width - 1, height - 1
    int32_t frameShape;          // 92: 0 rectangle, 1 ellipse or none
    int32_t backing;             // 96: -1 draw the backing
    int32_t frameThickness;      // 100: 0 no frame
    int32_t pass;                // 104: kStickerPass*
    char lines[kStickerLines][kStickerLineBytes];   // 108
    int32_t style[kStickerLines];                   // 2156: slot 0 the style code, others 1
    int32_t value80[kStickerLines];                 // 2188
    int32_t zero2220[16];                           // 2220
    int32_t one2284[kStickerLines];                 // 2284
    int32_t zero2316[16];                           // 2316
    int32_t glyphs[kStickerLines];                  // 2380: -1 draw the line's glyphs
    int32_t lineBacking[kStickerLines];             // 2412
    int32_t zero2444[16];                           // 2444
    LOGFONTA latinFont[kStickerLines];              // 2508
    LOGFONTA japaneseFont[kStickerLines];           // 2988
    uint8_t zero3468[3952 - 3468];                  // 3468
    double spare3952[kStickerLines];                // 3952
    double spare4016[kStickerLines];                // 4016
    double scale1[kStickerLines];                   // 4080: slot 0, 2.0 (1.5 for the waves)
    double scale2[kStickerLines];                   // 4144: slot 0, 1.0 (2.0 for the waves)

    void* Target() const { return (void*)(uintptr_t)(((uint64_t)targetHigh << 32) | targetLow); }
    void SetTarget(void* p) {
        uint64_t v = (uint64_t)(uintptr_t)p;
        targetLow = (uint32_t)v;
        targetHigh = (uint32_t)(v >> 32);
    }
};
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");
static_assert(sizeof(StickerParams) == 4208, "StickerParams is 4,208 bytes");
static_assert(offsetof(StickerParams, box) == 76, "box at 76");
static_assert(offsetof(StickerParams, lines) == 108, "lines at 108");
static_assert(offsetof(StickerParams, style) == 2156, "styles at 2156");
static_assert(offsetof(StickerParams, glyphs) == 2380, "glyph switches at 2380");
static_assert(offsetof(StickerParams, latinFont) == 2508, "Latin fonts at 2508");
static_assert(offsetof(StickerParams, japaneseFont) == 2988, "Japanese fonts at 2988");
static_assert(offsetof(StickerParams, scale1) == 4080, "first scales at 4080");

// Style codes of the style list (index 0..13); 0 for any other index.
inline int StickerStyleCode(int style) {
    static const int codes[14] = {1, 10, 11, 12, 13, 14, 15, 14, 15, 16, 17, 100, 101, 102};
    return style >= 0 && style < 14 ? codes[style] : 0;
}

// Checks a block from outside: sizes within 1..4096, line count 1..8, pass one
// of the three values, thickness 0..64, every line and face terminated. 1 when
// it may be rendered.
inline int StickerParamsValid(const StickerParams& p) {
    if (p.width < 1 || p.width > 4096 || p.height < 1 || p.height > 4096) return 0;
    if (p.lineCount < 1 || p.lineCount > kStickerLines) return 0;
    if (p.pass != kStickerPassText && p.pass != kStickerPassFrame && p.pass != kStickerPassBacking) return 0;
    if (p.frameThickness < 0 || p.frameThickness > 64) return 0;
    for (int i = 0; i < kStickerLines; ++i) {
        if (!memchr(p.lines[i], 0, kStickerLineBytes)) return 0;
        if (!memchr(p.latinFont[i].lfFaceName, 0, LF_FACESIZE)) return 0;
        if (!memchr(p.japaneseFont[i].lfFaceName, 0, LF_FACESIZE)) return 0;
    }
    return p.Target() != nullptr;
}

// Sticker.dll's exports (cdecl: the caller pops the block's address).
typedef int(__cdecl* StickerOpenFn)(StickerParams* params);
typedef int(__cdecl* StickerRenderFn)();
typedef int(__cdecl* StickerCloseFn)();
