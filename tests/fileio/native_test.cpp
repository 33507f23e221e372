// The native layered format: every record field, the extra planes, the
// composite, the preview and the EXIF block through drasave and draload.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fileio/file_dialogs.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

using namespace fiotest;

namespace {

struct TestLayer {
    int x, y, w, h;
    std::string name;
    int blend, transparency, visible;
    int8_t values[8];
    uint8_t bytes[8];
    std::vector<int> planes;   // layer planes 1..7 that exist
    const char* planeNames[7];
    int displayValues[7];
};

const int kCanvasW = 64, kCanvasH = 48;
std::vector<TestLayer> g_Layers;

bool HasPlane(int layer, int p) {
    for (int q : g_Layers[(size_t)layer].planes)
        if (q == p) return true;
    return false;
}
int LayerPlaneOf(int pluginPlane) { return pluginPlane == 0 ? 2 : pluginPlane == 1 ? 1 : pluginPlane + 1; }
uint8_t PlaneValue(int layer, int p, int x, int y) { return (uint8_t)(x + y * 3 + p * 40 + layer); }
uint32_t LayerPixel(int layer, int x, int y) { return layer < 0 ? PatternPixel(x, y, 99) : PatternPixel(x, y, 10 + layer); }

int DARNA_PLUGIN_CALL HostGetRow(int y, int x0, int x1, uint8_t* out, int image) {
    if (image >= (int)g_Layers.size()) return -1;
    for (int x = x0; x <= x1; ++x) {
        uint32_t p = LayerPixel(image < 0 ? -1 : image, x, y);
        out[3 * (x - x0)] = (uint8_t)p;
        out[3 * (x - x0) + 1] = (uint8_t)(p >> 8);
        out[3 * (x - x0) + 2] = (uint8_t)(p >> 16);
    }
    return 1;
}
int DARNA_PLUGIN_CALL HostGetTransparencyRow(int y, int x0, int x1, uint8_t* out, int image, int plane) {
    if (image < 0 || image >= (int)g_Layers.size()) return -1;
    int p = LayerPlaneOf(plane);
    if (!HasPlane(image, p)) {
        std::memset(out, 255, (size_t)(x1 - x0 + 1));
        return 0;
    }
    for (int x = x0; x <= x1; ++x) out[x - x0] = PlaneValue(image, p, x, y);
    return 1;
}
int DARNA_PLUGIN_CALL HostGetPalette(uint8_t*) { return 0; }

// What a layered read delivered.
struct Delivered {
    std::map<int, std::map<int, std::vector<uint32_t>>> rows;        // image -> y -> pixels
    std::map<int, std::map<int, std::vector<uint8_t>>> planes;        // image * 8 + plugin plane -> y -> bytes
    int lastLayerCall = -1, firstCompositeCall = -1, calls = 0;
} g_Got;

int DARNA_PLUGIN_CALL ReadPutRow(int y, int x0, int x1, const uint8_t* bytes, int image) {
    ++g_Got.calls;
    if (image < 0 && g_Got.firstCompositeCall < 0) g_Got.firstCompositeCall = g_Got.calls;
    if (image >= 0) g_Got.lastLayerCall = g_Got.calls;
    std::vector<uint32_t>& r = g_Got.rows[image][y];
    r.resize((size_t)(x1 + 1));
    for (int x = x0; x <= x1; ++x)
        r[(size_t)x] = bytes[3 * (x - x0)] | (bytes[3 * (x - x0) + 1] << 8) | (bytes[3 * (x - x0) + 2] << 16);
    return 0;
}
int DARNA_PLUGIN_CALL ReadPutTransparencyRow(int y, int x0, int x1, const uint8_t* bytes, int image, int plane) {
    ++g_Got.calls;
    g_Got.lastLayerCall = g_Got.calls;
    g_Got.planes[image * 8 + plane][y].assign(bytes, bytes + (x1 - x0 + 1));
    return 0;
}
int DARNA_PLUGIN_CALL ReadSetPalette(const uint8_t*, int) { return 24; }
int DARNA_PLUGIN_CALL ReadPutChannelRow(int, int, int, int, const uint8_t*, int) { return 0; }

class Native : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.AddRealPlugins());
        ASSERT_EQ(1, folder.Init());
        TestLayer base = {0, 0, kCanvasW, kCanvasH, "背景", 1, 0, 1, {}, {}, {1}, {"透明度"}, {5}};
        TestLayer second = {-5, 7, 30, 20, "レイヤー表示", 5, 40, 0, {-3, 5, 0, 0, 0, 0, 0, 127},
                            {1, 2, 3, 4, 5, 6, 7, 255}, {1, 3}, {"透明", nullptr, "mask3"}, {11, 0, 33}};
        TestLayer third = {10, -2, 70, 10, std::string(255, 'n'), 2, 100, 1, {-128, 0, 0, 0, 0, 0, 0, -1},
                           {0, 0, 0, 0, 0, 0, 0, 9}, {2, 7}, {nullptr, "ch2", nullptr, nullptr, nullptr, nullptr,
                                                             "abcdefghij"}, {0, 22, 0, 0, 0, 0, 77}};
        g_Layers = {base, second, third};
        exif.resize(3000);
        for (size_t i = 0; i < exif.size(); ++i) exif[i] = (char)(i * 31 + 7);
    }
    void TearDown() override { g_Layers.clear(); }

    // Writes the document with drasave as a layered save does.
    void WriteDocument(const std::string& path) {
        ASSERT_TRUE(testsupport::WriteFileBytes(folder.File("file_w\\exif.buf"), exif.data(), exif.size()));
        ImageHolder preview(MakePattern(160, 120, 7));
        ASSERT_EQ(1, WriteImageWithPlugin(preview.get(), folder.File("file_w\\tmb.jpg").c_str(),
                                          folder.File("thumbex.dll").c_str()));
        Records rec;
        FileImageInfo* info = rec.Info();
        info->xResolution = 350;
        info->yResolution = 351;
        info->currentLayer = 2;
        info->count = (int)g_Layers.size();
        info->image[0].strokeLayerPlane = 16;
        for (size_t i = 0; i < g_Layers.size(); ++i) {
            const TestLayer& l = g_Layers[i];
            info->image[i].width = l.w;
            info->image[i].height = l.h;
            info->image[i].bits = 24;
            FileLayerInfo& li = rec.Layers()[i];
            std::strncpy(li.name, l.name.c_str(), 255);
            li.left = l.x;
            li.top = l.y;
            li.layerNumber = (int)i;
            li.one = 1;
            li.blendMode = l.blend;
            li.transparency = l.transparency;
            li.visible = l.visible;
            std::memcpy(li.optionValue, l.values, 8);
            std::memcpy(li.optionByte, l.bytes, 8);
            FileLayerName& n = rec.Names()[i];
            for (int p : l.planes) n.planeFlags[p - 1] = 1;
            for (int k = 0; k < 7; ++k) {
                if (l.planeNames[k]) std::strncpy(n.planeNames[k], l.planeNames[k], 10);
                n.planeValues[k] = l.displayValues[k];
            }
        }
        Dll save(folder.File("file_w\\drasave.dll"));
        auto init = save.Get<WriteFileInitFn>(DARNA_EXPORT_WRITE_FILE_INIT);
        auto exec = save.Get<WriteFileExecFn>(DARNA_EXPORT_WRITE_FILE_EXEC);
        ASSERT_TRUE(init && exec);
        ASSERT_EQ(1, init(nullptr, path.c_str(), 1));
        WriteFileCallbacks cb = {HostGetRow, HostGetTransparencyRow, HostGetPalette};
        ASSERT_EQ(1, exec(nullptr, path.c_str(), info, rec.Names(), rec.Layers(), &cb));
        DeleteFileA(folder.File("file_w\\exif.buf").c_str());
        DeleteFileA(folder.File("file_w\\tmb.jpg").c_str());
    }

    ProgramFolder folder;
    std::string exif;
};

}  // namespace

TEST_F(Native, LayeredReadGivesBackEveryField) {
    std::string path = folder.File("doc.dra");
    WriteDocument(path);

    Dll load(folder.File("file_r\\draload.dll"));
    auto init = load.Get<ReadFileInitFn>(DARNA_EXPORT_READ_FILE_INIT);
    auto getSize = load.Get<ReadFileGetSizeFn>(DARNA_EXPORT_READ_FILE_GET_SIZE);
    auto exec = load.Get<ReadFileExecFn>(DARNA_EXPORT_READ_FILE_EXEC);
    ASSERT_TRUE(init && getSize && exec);
    init(nullptr, path.c_str(), 1);
    Records rec;
    rec.Info()->count = 1;
    ASSERT_EQ(1, getSize(nullptr, path.c_str(), rec.Info(), rec.Names()));
    ASSERT_EQ(3, rec.Info()->count);
    EXPECT_EQ(350, rec.Info()->xResolution);
    EXPECT_EQ(351, rec.Info()->yResolution);
    EXPECT_EQ(2, rec.Info()->currentLayer);
    EXPECT_EQ(16, rec.Info()->image[0].strokeLayerPlane);
    for (int i = 0; i < 3; ++i) {
        const TestLayer& l = g_Layers[(size_t)i];
        EXPECT_EQ(l.w, rec.Info()->image[i].width);
        EXPECT_EQ(l.h, rec.Info()->image[i].height);
        EXPECT_EQ(24, rec.Info()->image[i].bits);
        const FileLayerName& n = rec.Names()[i];
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(HasPlane(i, k + 1) ? 1 : 0, n.planeFlags[k]) << i << " " << k;
            EXPECT_EQ(0, std::strncmp(n.planeNames[k], l.planeNames[k] ? l.planeNames[k] : "", 10));
            EXPECT_EQ(l.displayValues[k], n.planeValues[k]);
        }
    }

    Records out;
    out.Info()->count = 3;
    g_Got = Delivered();
    ReadFileCallbacks cb = {ReadPutRow, ReadPutTransparencyRow, ReadSetPalette, ReadPutChannelRow};
    ASSERT_EQ(1, exec(nullptr, path.c_str(), out.Info(), out.Names(), out.Layers(), &cb));
    EXPECT_EQ(350, out.Info()->xResolution);
    EXPECT_EQ(2, out.Info()->currentLayer);
    EXPECT_EQ(16, out.Info()->image[0].strokeLayerPlane);
    for (int i = 0; i < 3; ++i) {
        const TestLayer& l = g_Layers[(size_t)i];
        const FileLayerInfo& li = out.Layers()[i];
        EXPECT_EQ(l.name, std::string(li.name));
        EXPECT_EQ(l.x, li.left);
        EXPECT_EQ(l.y, li.top);
        EXPECT_EQ(i, li.layerNumber);
        EXPECT_EQ(1, li.one);
        EXPECT_EQ(l.blend, li.blendMode);
        EXPECT_EQ(l.transparency, li.transparency);
        EXPECT_EQ(l.visible, li.visible);
        EXPECT_EQ(0, std::memcmp(l.values, li.optionValue, 8));
        EXPECT_EQ(0, std::memcmp(l.bytes, li.optionByte, 8));
        // Image plane rows.
        ASSERT_EQ((size_t)l.h, g_Got.rows[i].size()) << i;
        for (int y = 0; y < l.h; ++y)
            for (int x = 0; x < l.w; ++x) ASSERT_EQ(LayerPixel(i, x, y), g_Got.rows[i][y][(size_t)x]) << i;
        // Extra planes under the plug-in numbering.
        for (int p = 1; p <= 7; ++p) {
            int pluginPlane = p == 1 ? 1 : p == 2 ? 0 : p - 1;
            auto it = g_Got.planes.find(i * 8 + pluginPlane);
            if (!HasPlane(i, p)) {
                EXPECT_TRUE(it == g_Got.planes.end()) << i << " plane " << p;
                continue;
            }
            ASSERT_TRUE(it != g_Got.planes.end()) << i << " plane " << p;
            ASSERT_EQ((size_t)l.h, it->second.size());
            for (int y = 0; y < l.h; ++y)
                for (int x = 0; x < l.w; ++x) ASSERT_EQ(PlaneValue(i, p, x, y), it->second[y][(size_t)x]);
        }
    }
    // The composite comes last, as image -1.
    ASSERT_EQ((size_t)kCanvasH, g_Got.rows[-1].size());
    for (int y = 0; y < kCanvasH; ++y)
        for (int x = 0; x < kCanvasW; ++x) ASSERT_EQ(LayerPixel(-1, x, y), g_Got.rows[-1][y][(size_t)x]);
    EXPECT_GT(g_Got.firstCompositeCall, g_Got.lastLayerCall);
    // The EXIF block is handed over beside the reader.
    std::string handed;
    ASSERT_TRUE(testsupport::ReadFileBytes(folder.File("file_r\\exif.buf"), &handed));
    EXPECT_EQ(exif, handed);

    // The host's size query in layered mode: counts, planes and names.
    int count = 0, planes[FileRecordEntries];
    std::vector<char> names((size_t)FileRecordEntries * 128);
    ASSERT_EQ(1, GetImageFileInfo(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, planes, &count, 1,
                                  names.data()));
    EXPECT_EQ(3, count);
    EXPECT_EQ(1, planes[0]);
    EXPECT_EQ(2, planes[1]);
    EXPECT_EQ(2, planes[2]);
    EXPECT_EQ("透明", std::string(names.data() + 128));
    EXPECT_EQ("mask3", std::string(names.data() + 128 + 20));
    // The open dialog's preview says as many layers as the open gives.
    EXPECT_EQ(3, PreviewLayerCount(path.c_str()));
}

TEST_F(Native, SingleImageReadIsTheCompositeForBothExtensions) {
    for (const char* name : {"doc.dra", "DOC.DNP"}) {
        std::string path = folder.File(name);
        WriteDocument(path);
        int w = 0, h = 0, count = 0;
        ASSERT_EQ(1, GetImageFileInfo(path.c_str(), &w, &h, nullptr, nullptr, nullptr, nullptr, &count, 0)) << name;
        EXPECT_EQ(1, count);
        EXPECT_EQ(kCanvasW, w);
        EXPECT_EQ(kCanvasH, h);
        ImageHolder image, alpha;
        ASSERT_EQ(1, ReadImageWithAlpha(path.c_str(), image.out(), alpha.out())) << name;
        for (int y = 0; y < kCanvasH; ++y)
            for (int x = 0; x < kCanvasW; ++x) ASSERT_EQ(LayerPixel(-1, x, y), PixelAt(image.get(), x, y));
        // A single-image read leaves no hand-over file.
        EXPECT_EQ(-1, testsupport::FileSize(folder.File("file_r\\exif.buf")));
    }
}

TEST_F(Native, FastImageIsThePreview) {
    std::string path = folder.File("doc.dra");
    WriteDocument(path);
    Dll load(folder.File("file_r\\draload.dll"));
    auto fast = load.Get<ReadFileFastImageFn>(DARNA_EXPORT_READ_FILE_FAST_IMAGE);
    ASSERT_NE(nullptr, fast);
    Records rec;
    char bmp[256] = {};
    ASSERT_EQ(1, fast(nullptr, path.c_str(), rec.Info(), rec.Names(), bmp));
    std::string data;
    ASSERT_TRUE(testsupport::ReadFileBytes(bmp, &data));
    DeleteFileA(bmp);
    ASSERT_GT(data.size(), 54u);
    EXPECT_EQ("BM", data.substr(0, 2));
    int32_t w, h;
    std::memcpy(&w, &data[18], 4);
    std::memcpy(&h, &data[22], 4);
    EXPECT_EQ(160, w);
    EXPECT_EQ(120, h);

    // The host's fast image reads and deletes that file.
    PackedDib dib = ReadFastImage(nullptr, path.c_str());
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(160, dib->biWidth);
    EXPECT_EQ(120, dib->biHeight);
    EXPECT_EQ(32, dib->biBitCount);
    FreePackedDib(dib);
}
