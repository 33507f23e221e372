// Shared pieces of the plug-in host tests: a temporary program folder with
// chosen plug-ins, a message-box recorder, and test images.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fileio/plugin_api.h"
#include "image/vms_image.h"
#include "test_support.h"

namespace fiotest {

std::string DistFolder();        // the staged program folder of the build
std::string TestPlugFolder();    // the test-only plug-ins

// A temporary program folder with file_r and file_w. Init() scans it with
// InitFilePlugins; the destructor frees the registry.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    // Copies `source` to <folder><sub><name> (sub "file_r\\", "file_w\\" or "").
    bool Add(const std::string& source, const std::string& sub, const std::string& name);
    bool AddTestPlug(const char* dll, const std::string& sub) {
        return Add(TestPlugFolder() + dll, sub, dll);
    }
    // All our real plug-ins and thumbex.dll.
    bool AddRealPlugins();
    int Init();
    const std::string& Path() const { return dir_.Path(); }
    std::string File(const std::string& name) const { return dir_.File(name); }
private:
    testsupport::TempDir dir_;
};

// Answers every message box with its first button and records it.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    std::vector<std::string> texts, captions;
};

// A 32-bit image whose pixels follow PatternPixel.
VmsImage* MakePattern(int width, int height, int seed);
// A smooth picture (gradients), as photographs are, for lossy formats.
VmsImage* MakeSmooth(int width, int height);
uint32_t PatternPixel(int x, int y, int seed);
// Pixel of a 32-bit image (blue, green, red in the low bytes), or of an 8-bit image.
uint32_t PixelAt(const VmsImage* image, int x, int y);
// Largest channel difference between two 32-bit images of the same size; -1
// when the sizes differ.
int MaxDifference(const VmsImage* a, const VmsImage* b);
double MeanDifference(const VmsImage* a, const VmsImage* b);

// A run-length compressed bitmap (RLE8, or RLE4 when bits is 4) of the given
// size and palette entries (entry i: blue 10 i, green 20 i, red 30 i) made
// from the encoded `data`.
std::string MakeRleBmp(int width, int height, int bits, int entries, const std::vector<uint8_t>& data);
// The RLE8 data of a width x height picture: per row a run and an absolute
// stretch of palette indices (index = (x + y) % 16).
std::vector<uint8_t> RleRows(int width, int height);

// Frees a VmsImage at the end of a scope.
struct ImageHolder {
    VmsImage* image = nullptr;
    ImageHolder() = default;
    explicit ImageHolder(VmsImage* i) : image(i) {}
    ~ImageHolder();
    ImageHolder(const ImageHolder&) = delete;
    ImageHolder& operator=(const ImageHolder&) = delete;
    VmsImage* get() const { return image; }
    VmsImage** out() { return &image; }
};

// A plug-in DLL loaded by the test itself, with its exports.
struct Dll {
    HMODULE module;
    explicit Dll(const std::string& path) : module(LoadLibraryA(path.c_str())) {}
    ~Dll() {
        if (module) FreeLibrary(module);
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;
    template <typename Fn>
    Fn Get(const char* name) const {
        return module ? (Fn)(void*)GetProcAddress(module, name) : nullptr;
    }
};

// Records of `entries` entries, zero-filled, for calling plug-ins directly.
struct Records {
    std::vector<uint8_t> info, names, layers;
    explicit Records(int entries = FileRecordEntries)
        : info(FileImageInfoBytes(entries)), names(sizeof(FileLayerName) * entries),
          layers(sizeof(FileLayerInfo) * entries) {}
    FileImageInfo* Info() { return (FileImageInfo*)info.data(); }
    FileLayerName* Names() { return (FileLayerName*)names.data(); }
    FileLayerInfo* Layers() { return (FileLayerInfo*)layers.data(); }
};

}  // namespace fiotest
