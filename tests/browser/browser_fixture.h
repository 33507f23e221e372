// Helpers of the browser tests: a program folder with the real plug-ins,
// pictures written through them, and message pumping.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "image/packed_dib.h"
#include "test_support.h"

namespace bvtest {

// build/dist/exp\ with its plug-ins.
std::string DistExp();
// build/tests/fileio_plugins\ (the test plug-ins).
std::string TestPlugins();

// A temporary browser folder with file_r and file_w holding the real
// plug-ins (and, with probe, the test plug-in tp_probe that refuses to write
// files named *.refuse). Init lists them and sets up the browser's cache.
class BrowserFolder {
public:
    explicit BrowserFolder(bool probe = false);
    ~BrowserFolder();
    const std::string& Path() const { return dir_.Path(); }
    void Init();
private:
    testsupport::TempDir dir_;
};

// A 24-bit picture whose pixel (x, y) is PatternRgb(x, y, seed): smooth
// gradients, so that lossy formats come back close.
PackedDib MakePattern(int width, int height, int seed);
COLORREF PatternRgb(int x, int y, int seed);
// Writes the picture through the writer of the path's extension.
bool WritePicture(const BITMAPINFOHEADER* dib, const std::string& path);

// Pumps this thread's messages for ms milliseconds, or until done() holds.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace bvtest
