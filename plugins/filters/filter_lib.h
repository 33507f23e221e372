// The small library every effect plug-in shares: its exports (FilterGetTitle,
// FilterProc for a packed 24-bit DIB), reading its parameter file (the DLL's
// name with ".dat"), row access to the DIB, and the twenty effects.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace fx {

// A picture as the effects see it: packed B, G, R, rows top-down.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> px;
    uint8_t* at(int x, int y) { return px.data() + 3 * ((size_t)y * width + x); }
    const uint8_t* at(int x, int y) const { return px.data() + 3 * ((size_t)y * width + x); }
    // Clamped to the edges.
    const uint8_t* clamped(int x, int y) const;
};

// The parameter file's bytes (empty when there is none).
struct Params {
    std::vector<uint8_t> bytes;
    int Int(int index, int fallback) const;   // 32-bit little-endian integer
    int Byte(int offset, int fallback) const;
};

typedef void (*EffectFn)(Picture& picture, const Params& params);

struct EffectInfo {
    const char* title;
    EffectFn run;
};
// The effect of plug-in n (0..19).
const EffectInfo& Effect(int n);

// The body of the exports for effect n.
int GetTitle(int n, char* title, int32_t* kind);
int Proc(int n, HMODULE self, void* dib);

}  // namespace fx
