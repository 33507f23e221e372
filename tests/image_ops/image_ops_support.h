// Helpers of the image-operation tests: pictures, fixtures and hand-made
// .bmp files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/vms_store.h"
#include "test_support.h"

namespace imgtest {

// A picture as 32-bit words (blue, green, red, fourth byte 0) or bytes.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[(size_t)y * width + x]; }
};

inline uint32_t Rgb(int r, int g, int b) { return (uint32_t)b | ((uint32_t)g << 8) | ((uint32_t)r << 16); }

// Reads a P3 (colour) or P1 (bits: 1 = black) text picture.
inline bool ReadNetpbm(const std::string& path, Picture* out) {
    std::string text;
    if (!testsupport::ReadFileBytes(path, &text)) return false;
    std::vector<int> v;
    std::string tok;
    std::string magic;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ' ';
        if (c == '#') { while (i < text.size() && text[i] != '\n') ++i; continue; }
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (!tok.empty()) {
                if (magic.empty()) magic = tok;
                else v.push_back(std::atoi(tok.c_str()));
                tok.clear();
            }
        } else {
            tok += c;
        }
    }
    if (v.size() < 2) return false;
    out->width = v[0];
    out->height = v[1];
    size_t n = (size_t)out->width * out->height;
    out->px.assign(n, 0);
    if (magic == "P1") {
        for (size_t i = 0; i < n; ++i) out->px[i] = v[2 + i] ? 0 : 0xFFFFFF;
        return true;
    }
    if (magic != "P3" || v.size() < 3 + 3 * n) return false;
    for (size_t i = 0; i < n; ++i) out->px[i] = Rgb(v[3 + 3 * i], v[4 + 3 * i], v[5 + 3 * i]);
    return true;
}

// Folder of the ImageMagick fixtures (beside the test executables), with a
// trailing backslash; DARNA_IMAGE_OPS_FIXTURES overrides it.
inline std::string FixtureFolder() {
    if (const char* e = std::getenv("DARNA_IMAGE_OPS_FIXTURES")) return e;
    return testsupport::ExeFolder() + "image_ops_fixtures\\";
}

// A fresh 32-bit image filled with the picture, or an 8-bit image of bytes.
inline VmsImage* MakeImage32(const Picture& p) {
    VmsImage* im = g_VmsStore.Create(p.width, p.height, 32, 0, 1);
    if (!im) return nullptr;
    for (int y = 0; y < p.height; ++y) g_VmsStore.PutRow(im, y, 0, p.width - 1, &p.px[(size_t)y * p.width]);
    return im;
}

inline VmsImage* MakeImage8(int w, int h, const std::vector<uint8_t>& v) {
    VmsImage* im = g_VmsStore.Create(w, h, 8, 0, 1);
    if (!im) return nullptr;
    for (int y = 0; y < h; ++y) g_VmsStore.PutRow(im, y, 0, w - 1, &v[(size_t)y * w]);
    return im;
}

// Pixels of a 32-bit image without the fourth byte, or the bytes of an 8-bit one.
inline Picture Read32(const VmsImage* im) {
    Picture p;
    p.width = im->width;
    p.height = im->height;
    p.px.assign((size_t)p.width * p.height, 0);
    for (int y = 0; y < p.height; ++y) g_VmsStore.GetRow(im, y, 0, p.width - 1, &p.px[(size_t)y * p.width]);
    for (auto& v : p.px) v &= 0xFFFFFF;
    return p;
}

inline std::vector<uint8_t> Read8(const VmsImage* im) {
    std::vector<uint8_t> v((size_t)im->width * im->height);
    for (int y = 0; y < im->height; ++y) g_VmsStore.GetRow(im, y, 0, im->width - 1, &v[(size_t)y * im->width]);
    return v;
}

// Deterministic noise pictures.
inline Picture NoisePicture(int w, int h, unsigned seed) {
    Picture p;
    p.width = w;
    p.height = h;
    p.px.resize((size_t)w * h);
    unsigned s = seed;
    for (auto& v : p.px) {
        s = s * 1103515245u + 12345u;
        v = (s >> 8) & 0xFFFFFF;
    }
    return p;
}

inline std::vector<uint8_t> NoiseBytes(size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    unsigned s = seed;
    for (auto& b : v) {
        s = s * 1103515245u + 12345u;
        b = (uint8_t)(s >> 16);
    }
    return v;
}

// Owner of a store image for the length of a test.
struct Owned {
    VmsImage* image = nullptr;
    explicit Owned(VmsImage* im = nullptr) : image(im) {}
    ~Owned() { g_VmsStore.Free(&image); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    VmsImage* get() const { return image; }
    VmsImage* operator->() const { return image; }
};

// Records WM_USER progress messages sent to a message-only window.
class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    struct Message { WPARAM w; LPARAM l; };
    std::vector<Message> messages;
    HWND window() const { return wnd_; }
private:
    HWND wnd_ = nullptr;
};

}  // namespace imgtest
