#include "browser_fixture.h"

#include "browser/browser_host.h"
#include "browser/dib24.h"
#include "fileio/plugin_registry.h"
#include "fileio/thumb_cache.h"

namespace bvtest {

std::string DistExp() { return testsupport::ExeFolder() + "..\\dist\\exp\\"; }
std::string TestPlugins() { return testsupport::ExeFolder() + "fileio_plugins\\"; }

BrowserFolder::BrowserFolder(bool probe) : dir_("bview") {
    static const char* readers[] = {"jpgload.dll", "bmpload.dll", "pngload.dll", "tifload.dll", "draload.dll"};
    static const char* writers[] = {"jpgsave.dll", "bmpsave.dll", "pngsave.dll", "tifsave.dll", "drasave.dll"};
    CreateDirectoryA(dir_.File("file_r").c_str(), nullptr);
    CreateDirectoryA(dir_.File("file_w").c_str(), nullptr);
    for (const char* r : readers) CopyFileA((DistExp() + "file_r\\" + r).c_str(), dir_.File(std::string("file_r\\") + r).c_str(), FALSE);
    for (const char* w : writers) CopyFileA((DistExp() + "file_w\\" + w).c_str(), dir_.File(std::string("file_w\\") + w).c_str(), FALSE);
    if (probe) {
        CopyFileA((TestPlugins() + "tp_probe.dll").c_str(), dir_.File("file_r\\tp_probe.dll").c_str(), FALSE);
        CopyFileA((TestPlugins() + "tp_probe.dll").c_str(), dir_.File("file_w\\tp_probe.dll").c_str(), FALSE);
    }
}

BrowserFolder::~BrowserFolder() { FreeFilePlugins(); }

void BrowserFolder::Init() {
    InitFilePlugins(nullptr, dir_.Path().c_str());
    InitThumbCache(dir_.Path().c_str(), ThumbCacheVariant::Browser);
    CreateThumbCacheDir(10);
}

COLORREF PatternRgb(int x, int y, int seed) {
    return RGB((x * 4 + seed * 11 + 20) & 0xFF, (y * 6 + seed * 5 + 30) & 0xFF, ((x + y) * 3 + seed + 40) & 0xFF);
}

PackedDib MakePattern(int width, int height, int seed) {
    PackedDib dib = CreateDib24(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = PatternRgb(x, y, seed);
            SetDib24Rgb(dib, x, y, GetRValue(c), GetGValue(c), GetBValue(c));
        }
    return dib;
}

bool WritePicture(const BITMAPINFOHEADER* dib, const std::string& path) {
    return WriteDib24WithPlugin(dib, path.c_str(), WriterForPath(path.c_str())) != 0;
}

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(5);
    }
}

}  // namespace bvtest
