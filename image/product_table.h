// ProductTable: blends of a byte value by an 8-bit weight, shared by the
// compositor, the pen and every part that mixes pixels without multiplying.
#pragma once
#include <cstdint>

// ProductTable[weight][value] = min(255, (weight x value + 128) / 255). Rows are
// 260 bytes, columns 0..255 used. Built once at start-up.
extern uint8_t ProductTable[256][260];
void BuildProductTable();
