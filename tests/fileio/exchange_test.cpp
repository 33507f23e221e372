// Files exchanged with ImageMagick and libtiff's tools. exchange.sh makes the
// foreign files and references, runs these cases with DARNA_FILEIO_EXCHANGE
// naming its folder, and checks our files with ImageMagick afterwards. Without
// the variable the cases are skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

std::string ExchangeFolder() {
    const char* d = std::getenv("DARNA_FILEIO_EXCHANGE");
    if (!d || !*d) return std::string();
    std::string s = d;
    if (s.back() != '\\') s += '\\';
    return s;
}

// A binary PPM (P6) or PGM (P5) of maxval 255 as a 32-bit image (grey
// replicated) or, for PGM with `grey`, an 8-bit image.
VmsImage* LoadPnm(const std::string& path, bool greyAs8 = false) {
    std::string data;
    if (!testsupport::ReadFileBytes(path, &data) || data.size() < 3 || data[0] != 'P') return nullptr;
    bool colour = data[1] == '6';
    size_t at = 2;
    int values[3], got = 0;
    while (got < 3 && at < data.size()) {
        char c = data[at];
        if (c == '#') {
            while (at < data.size() && data[at] != '\n') ++at;
        } else if (c >= '0' && c <= '9') {
            int v = 0;
            while (at < data.size() && data[at] >= '0' && data[at] <= '9') v = v * 10 + (data[at++] - '0');
            values[got++] = v;
            continue;
        }
        ++at;
    }
    ++at;   // the one whitespace after maxval
    const int w = values[0], h = values[1], n = colour ? 3 : 1;
    if (got < 3 || values[2] != 255 || data.size() < at + (size_t)w * h * n) return nullptr;
    VmsImage* image = g_VmsStore.Create(w, h, greyAs8 && !colour ? 8 : 24, 0, 1);
    std::vector<uint32_t> row((size_t)w);
    std::vector<uint8_t> bytes((size_t)w);
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = (const uint8_t*)data.data() + at + (size_t)y * w * n;
        if (image->bits == 8) {
            g_VmsStore.PutRow(image, y, 0, w - 1, p);
            continue;
        }
        for (int x = 0; x < w; ++x)
            row[(size_t)x] = colour ? (uint32_t)p[3 * x + 2] | (p[3 * x + 1] << 8) | (p[3 * x] << 16)
                                    : (uint32_t)p[x] * 0x010101u;
        g_VmsStore.PutRow(image, y, 0, w - 1, row.data());
    }
    return image;
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ExchangeFolder();
        if (dir.empty()) GTEST_SKIP() << "run by exchange.sh";
        ASSERT_TRUE(folder.AddRealPlugins());
        ASSERT_EQ(1, folder.Init());
    }
    std::string dir;
    ProgramFolder folder;
};

const VmsImage* g_Image;
const VmsImage* g_AlphaImage;
int DARNA_PLUGIN_CALL GetRow(int y, int x0, int x1, uint8_t* out, int) {
    std::vector<uint32_t> row((size_t)(x1 - x0 + 1));
    g_VmsStore.GetRow(g_Image, y, x0, x1, row.data());
    for (size_t i = 0; i < row.size(); ++i) {
        out[3 * i] = (uint8_t)row[i];
        out[3 * i + 1] = (uint8_t)(row[i] >> 8);
        out[3 * i + 2] = (uint8_t)(row[i] >> 16);
    }
    return 1;
}
int DARNA_PLUGIN_CALL GetAlphaRow(int y, int x0, int x1, uint8_t* out, int, int plane) {
    if (plane != 1) return 0;
    g_VmsStore.GetRow(g_AlphaImage, y, x0, x1, out);
    return 1;
}
int DARNA_PLUGIN_CALL GetPalette(uint8_t*) { return 0; }

}  // namespace

// read.txt: one line a file: name, reference, largest channel difference,
// alpha reference or "-".
TEST_F(Exchange, ForeignFilesReadLikeTheirReferences) {
    std::string list;
    ASSERT_TRUE(testsupport::ReadFileBytes(dir + "read.txt", &list));
    std::istringstream lines(list);
    std::string name, ref, alphaRef;
    int tolerance, checked = 0;
    while (lines >> name >> ref >> tolerance >> alphaRef) {
        ImageHolder expected(LoadPnm(dir + ref));
        ASSERT_NE(nullptr, expected.get()) << ref;
        ImageHolder image, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha((dir + name).c_str(), image.out(), alpha.out())) << name;
        EXPECT_LE(MaxDifference(expected.get(), image.get()), tolerance) << name;
        EXPECT_GE(MaxDifference(expected.get(), image.get()), 0) << name << ": size";
        if (alphaRef != "-") {
            ImageHolder a(LoadPnm(dir + alphaRef, true));
            ASSERT_NE(nullptr, a.get());
            for (int y = 0; y < a.get()->height; ++y)
                for (int x = 0; x < a.get()->width; ++x)
                    ASSERT_EQ(PixelAt(a.get(), x, y), PixelAt(alpha.get(), x, y)) << name << " " << x << "," << y;
        }
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

// Our writers' files of ref.ppm (and alpha.pgm) for ImageMagick to check.
TEST_F(Exchange, WriteOurFiles) {
    ImageHolder image(LoadPnm(dir + "ref.ppm"));
    ASSERT_NE(nullptr, image.get());
    for (const char* name : {"ours.bmp", "ours.png", "ours.tif", "ours.jpg"}) {
        std::string path = dir + name;
        const char* dll = WriterPluginPath(FindWriterPlugin(path.c_str()));
        ASSERT_NE(nullptr, dll);
        ASSERT_EQ(1, WriteImageWithPlugin(image.get(), path.c_str(), dll)) << name;
    }
    ImageHolder alpha(LoadPnm(dir + "alpha.pgm", true));
    ASSERT_NE(nullptr, alpha.get());
    g_Image = image.get();
    g_AlphaImage = alpha.get();
    Dll save(folder.File("file_w\\pngsave.dll"));
    auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
    ASSERT_NE(nullptr, exec);
    Records rec;
    rec.Info()->count = 1;
    rec.Info()->image[0].width = image.get()->width;
    rec.Info()->image[0].height = image.get()->height;
    rec.Info()->image[0].bits = 24;
    WriteFileCallbacks cb = {GetRow, GetAlphaRow, GetPalette};
    ASSERT_EQ(1, exec(nullptr, (dir + "oursa.png").c_str(), rec.Info(), rec.Names(), rec.Layers(), &cb));
}
