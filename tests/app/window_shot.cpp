#include "window_shot.h"

#include <png.h>

namespace apptest {

bool ShootWindowPng(HWND w, const std::string& path) {
    RECT r;
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        HDC wdc = GetWindowDC(w);
        ok = BitBlt(mem, 0, 0, width, height, wdc, 0, 0, SRCCOPY);
        ReleaseDC(w, wdc);
        GdiFlush();
        auto* px = (unsigned char*)bits;
        for (int i = 0; i < width * height; ++i) px[i * 4 + 3] = 255;
        png_image img = {};
        img.version = PNG_IMAGE_VERSION;
        img.width = width;
        img.height = height;
        img.format = PNG_FORMAT_BGRA;
        ok = ok && png_image_write_to_file(&img, path.c_str(), 0, bits, width * 4, nullptr);
        png_image_free(&img);
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace apptest
