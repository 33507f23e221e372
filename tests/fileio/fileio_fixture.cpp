#include "fileio_fixture.h"

#include "ui/ui_hook.h"
#include "fileio/plugin_registry.h"
#include "image/vms_store.h"

#include <cstring>

namespace fiotest {

std::string DistFolder() { return testsupport::ExeFolder() + "..\\dist\\"; }
std::string TestPlugFolder() { return testsupport::ExeFolder() + "fileio_plugins\\"; }

ProgramFolder::ProgramFolder() : dir_("plug") {
    CreateDirectoryA(dir_.File("file_r").c_str(), nullptr);
    CreateDirectoryA(dir_.File("file_w").c_str(), nullptr);
}

ProgramFolder::~ProgramFolder() { FreeFilePlugins(); }

bool ProgramFolder::Add(const std::string& source, const std::string& sub, const std::string& name) {
    return CopyFileA(source.c_str(), (dir_.Path() + sub + name).c_str(), FALSE) != 0;
}

bool ProgramFolder::AddRealPlugins() {
    static const char* readers[] = {"jpgload.dll", "bmpload.dll", "pngload.dll", "tifload.dll", "draload.dll"};
    static const char* writers[] = {"jpgsave.dll", "bmpsave.dll", "pngsave.dll", "tifsave.dll", "drasave.dll"};
    for (const char* r : readers)
        if (!Add(DistFolder() + "file_r\\" + r, "file_r\\", r)) return false;
    for (const char* w : writers)
        if (!Add(DistFolder() + "file_w\\" + w, "file_w\\", w)) return false;
    return Add(DistFolder() + "thumbex.dll", "", "thumbex.dll");
}

int ProgramFolder::Init() { return InitFilePlugins(nullptr, dir_.Path().c_str()); }

static int AnswerFirst(const ModalRequest& request, void* user) {
    BoxRecorder* r = (BoxRecorder*)user;
    if (request.attempt == 0) {
        r->texts.push_back(request.text ? request.text : "");
        r->captions.push_back(request.caption ? request.caption : "");
    }
    return IDOK;
}

BoxRecorder::BoxRecorder() { SetModalAnswerHook(AnswerFirst, this); }
BoxRecorder::~BoxRecorder() { SetModalAnswerHook(nullptr, nullptr); }

uint32_t PatternPixel(int x, int y, int seed) {
    uint32_t b = (uint32_t)(x * 7 + y * 3 + seed) & 0xFF;
    uint32_t g = (uint32_t)(x * 2 + y * 5 + seed * 3) & 0xFF;
    uint32_t r = (uint32_t)((x ^ y) * 11 + seed * 5) & 0xFF;
    return b | (g << 8) | (r << 16);
}

VmsImage* MakePattern(int width, int height, int seed) {
    VmsImage* image = g_VmsStore.Create(width, height, 24, 0, 1);
    if (!image) return nullptr;
    std::vector<uint32_t> row((size_t)width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[(size_t)x] = PatternPixel(x, y, seed);
        g_VmsStore.PutRow(image, y, 0, width - 1, row.data());
    }
    return image;
}

VmsImage* MakeSmooth(int width, int height) {
    VmsImage* image = g_VmsStore.Create(width, height, 24, 0, 1);
    if (!image) return nullptr;
    std::vector<uint32_t> row((size_t)width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t b = (uint32_t)(x * 255 / width), g = (uint32_t)(y * 255 / height);
            uint32_t r = (uint32_t)((x + y) * 255 / (width + height));
            row[(size_t)x] = b | (g << 8) | (r << 16);
        }
        g_VmsStore.PutRow(image, y, 0, width - 1, row.data());
    }
    return image;
}

uint32_t PixelAt(const VmsImage* image, int x, int y) {
    if (image->bits == 8) {
        uint8_t v = 0;
        g_VmsStore.GetRow(image, y, x, x, &v);
        return v;
    }
    uint32_t v = 0;
    g_VmsStore.GetRow(image, y, x, x, &v);
    return v & 0xFFFFFF;
}

static int ChannelDiff(uint32_t a, uint32_t b) {
    int m = 0;
    for (int s = 0; s < 24; s += 8) {
        int d = (int)((a >> s) & 0xFF) - (int)((b >> s) & 0xFF);
        if (d < 0) d = -d;
        if (d > m) m = d;
    }
    return m;
}

int MaxDifference(const VmsImage* a, const VmsImage* b) {
    if (!a || !b || a->width != b->width || a->height != b->height) return -1;
    std::vector<uint32_t> ra((size_t)a->width), rb((size_t)a->width);
    int m = 0;
    for (int y = 0; y < a->height; ++y) {
        g_VmsStore.GetRow(a, y, 0, a->width - 1, ra.data());
        g_VmsStore.GetRow(b, y, 0, b->width - 1, rb.data());
        for (int x = 0; x < a->width; ++x) {
            int d = ChannelDiff(ra[(size_t)x], rb[(size_t)x]);
            if (d > m) m = d;
        }
    }
    return m;
}

double MeanDifference(const VmsImage* a, const VmsImage* b) {
    std::vector<uint32_t> ra((size_t)a->width), rb((size_t)a->width);
    double sum = 0;
    for (int y = 0; y < a->height; ++y) {
        g_VmsStore.GetRow(a, y, 0, a->width - 1, ra.data());
        g_VmsStore.GetRow(b, y, 0, b->width - 1, rb.data());
        for (int x = 0; x < a->width; ++x)
            for (int s = 0; s < 24; s += 8) {
                int d = (int)((ra[(size_t)x] >> s) & 0xFF) - (int)((rb[(size_t)x] >> s) & 0xFF);
                sum += d < 0 ? -d : d;
            }
    }
    return sum / (3.0 * a->width * a->height);
}

std::string MakeRleBmp(int width, int height, int bits, int entries, const std::vector<uint8_t>& data) {
    std::string f(54 + 4 * (size_t)entries, '\0');
    uint8_t* p = (uint8_t*)f.data();
    auto put32 = [p](int at, uint32_t v) { std::memcpy(p + at, &v, 4); };
    p[0] = 'B', p[1] = 'M';
    put32(10, (uint32_t)f.size());
    put32(14, 40);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)height);
    p[26] = 1;
    p[28] = (uint8_t)bits;
    put32(30, bits == 8 ? 1 : 2);
    put32(34, (uint32_t)data.size());
    put32(46, (uint32_t)entries);
    for (int i = 0; i < entries; ++i) {
        p[54 + 4 * i] = (uint8_t)(10 * i);
        p[55 + 4 * i] = (uint8_t)(20 * i);
        p[56 + 4 * i] = (uint8_t)(30 * i);
    }
    put32(2, (uint32_t)(f.size() + data.size()));
    f.append((const char*)data.data(), data.size());
    return f;
}

std::vector<uint8_t> RleRows(int width, int height) {
    std::vector<uint8_t> d;
    for (int line = 0; line < height; ++line) {
        int y = height - 1 - line;   // bottom-up
        int run = width / 3;
        d.push_back((uint8_t)run);
        d.push_back((uint8_t)(y % 16));
        int n = width - run;
        d.push_back(0);
        d.push_back((uint8_t)n);
        for (int x = run; x < width; ++x) d.push_back((uint8_t)((x + y) % 16));
        if (n & 1) d.push_back(0);
        d.push_back(0);
        d.push_back(0);
    }
    d.push_back(0);
    d.push_back(1);
    return d;
}

ImageHolder::~ImageHolder() { g_VmsStore.Free(&image); }

}  // namespace fiotest
