// Packed DIBs as other programs put them on the clipboard (every depth, bit
// fields, top-down rows, V4 and V5 headers), with the colours a reader must
// get from them, and blocks made unreadable field by field. Shared by the
// tests and by the peer process that puts them on the clipboard.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct DibCase {
    std::string name;
    std::vector<uint8_t> block;           // the packed DIB
    int width = 0;
    int height = 0;
    std::vector<uint32_t> expected;       // 0x00RRGGBB, rows from the top
    int dpi = 0;                          // resolution the block carries
};

// The readable cases, 0..count-1.
int ReadableDibCaseCount();
DibCase ReadableDibCase(int index);

// Blocks every reader must refuse, 0..count-1 (header fields out of range,
// colour tables and rows past the end of the block, unknown compressions).
int BrokenDibCaseCount();
DibCase BrokenDibCase(int index);

// An 8-bit grey companion of w x h whose value at (x, y) is value(x, y).
std::vector<uint8_t> GreyDib(int width, int height, uint8_t (*value)(int x, int y));
