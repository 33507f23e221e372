// ProductTable: the blend of a value by an 8-bit weight, shared by every layer
// that mixes pixels (the pen, the compositor, the frame's drawing).
#pragma once
#include <cstdint>

// ProductTable[weight][value] = min(255, (weight x value + 128) / 255). Rows are
// 260 bytes, columns 0..255 used.
extern uint8_t ProductTable[256][260];
void BuildProductTable();
