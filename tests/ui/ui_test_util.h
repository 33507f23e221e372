// Helpers of the UI tests: answering modal dialogs with a lambda, and a memory
// device context over a DIB section whose pixels a test reads directly.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "ui/ui_hook.h"

class ScopedModalAnswer {
public:
    using Fn = std::function<int(const ModalRequest&)>;
    explicit ScopedModalAnswer(Fn fn) : fn_(std::move(fn)) { SetModalAnswerHook(&Call, this); }
    ~ScopedModalAnswer() { SetModalAnswerHook(nullptr, nullptr); }
    ScopedModalAnswer(const ScopedModalAnswer&) = delete;
    ScopedModalAnswer& operator=(const ScopedModalAnswer&) = delete;
    int calls = 0;

private:
    static int Call(const ModalRequest& r, void* self) {
        auto* me = static_cast<ScopedModalAnswer*>(self);
        ++me->calls;
        return me->fn_(r);
    }
    Fn fn_;
};

// A memory device context over a 32-bit top-down DIB section.
struct DibCanvas {
    int w, h;
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    unsigned* bits = nullptr;
    DibCanvas(int width, int height) : w(width), h(height) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        old = SelectObject(dc, bmp);
    }
    ~DibCanvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void Noise() {
        GdiFlush();
        unsigned s = 12345;
        for (int i = 0; i < w * h; ++i) {
            s = s * 1664525u + 1013904223u;
            bits[i] = s >> 8;
        }
    }
    void Clear(COLORREF c) {
        GdiFlush();
        unsigned v = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        for (int i = 0; i < w * h; ++i) bits[i] = v;
    }
    std::vector<unsigned> Snapshot() {
        GdiFlush();
        return std::vector<unsigned>(bits, bits + w * h);
    }
    COLORREF At(int x, int y) {
        GdiFlush();
        unsigned v = bits[y * w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};
