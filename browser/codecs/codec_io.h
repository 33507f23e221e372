// File helpers of the in-process codecs: a whole file read into one block.
#pragma once
#include <windows.h>

#include <cstdint>

// The bytes of a file in a global block of its own (free with GlobalFree),
// or null when it cannot be opened or read whole, is empty or larger than
// limit. *size: its length.
uint8_t* ReadCodecFile(const char* path, uint64_t limit, size_t* size, bool* opened);
