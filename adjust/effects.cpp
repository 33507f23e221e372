#include "adjust/effects.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "adjust/filter_host.h"
#include "canvas/canv_host.h"
#include "image/pen_colour.h"
#include "image/product_table.h"
#include "ui/msgbox.h"

const char kEffectTemplateName[] = "effect.tpl";

const EffectEntry EffectTable[kEffectCount + 1] = {
    {"ぼかし", "fx_blur.dll", 0},        {"陰影", "fx_shade.dll", 1},        {"ハーフトーン", "fx_halftone.dll", 0},
    {"輪郭線", "fx_outline.dll", 0},     {"レリーフ", "fx_relief.dll", 0},   {"水彩\t", "fx_watercol.dll", 0},
    {"ディザ", "fx_dither.dll", 1},      {"モザイク", "fx_mosaic.dll", 0},   {"ランダム", "fx_noise.dll", 1},
    {"かきまぜ", "fx_scramble.dll", 0},  {"でこぼこ", "fx_bumps.dll", 0},    {"ガラス", "fx_glass.dll", 0},
    {"パステル", "fx_pastel.dll", 0},    {"素焼き", "fx_clay.dll", 0},       {"ステンドグラス", "fx_stained.dll", 0},
    {"ぶれ", "fx_motion.dll", 0},        {"網点", "fx_dots.dll", 0},         {"点描", "fx_pointil.dll", 0},
    {"にじみ", "fx_bleed.dll", 0},       {"ゴールド", "fx_gold.dll", 1},     {"-", "-", 0},
};

void EffectPath(const char* programFolder, const char* file, char* out, int size) {
    std::snprintf(out, (size_t)size, "%sfilter\\%s", programFolder ? programFolder : "", file);
}

namespace {

void ParamPath(const char* folder, int index, char* out, int size) {
    char name[80];
    std::snprintf(name, sizeof name, "%s", EffectTable[index].dll);
    char* dot = std::strrchr(name, '.');
    if (dot) *dot = 0;
    std::strncat(name, ".dat", sizeof name - std::strlen(name) - 1);
    EffectPath(folder, name, out, size);
}

int WriteBytes(const char* path, const void* data, size_t size) {
    DeleteFileA(path);
    FILE* f = std::fopen(path, "wb");
    if (!f) return 0;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok ? 1 : 0;
}

int WriteInts(const char* path, std::initializer_list<int32_t> values) {
    std::vector<int32_t> v(values);
    return WriteBytes(path, v.data(), v.size() * sizeof(int32_t));
}

}  // namespace

int WriteEffectParams(const char* folder, int index, int L, int preview, int workWidth, int layerWidth) {
    if (index < 0 || index >= kEffectCount || EffectTable[index].noParameter) return 0;
    char path[MAX_PATH + 32];
    ParamPath(folder, index, path, sizeof path);
    L = std::clamp(L, 0, 4);
    switch (index) {
    case 0: return WriteInts(path, {2 * L + 2});
    case 2: return WriteInts(path, {0, 100 - (100 * L + 100) / 10, 0});
    case 3: case 4: {
        static const int32_t pairs[5][2] = {{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}};
        int32_t v[16] = {};
        v[14] = pairs[L][0];
        v[15] = pairs[L][1];
        return WriteBytes(path, v, sizeof v);
    }
    case 7: { const int s = 8 << L; return WriteInts(path, {s, s}); }
    case 9: { const int s = 4 << L; return WriteInts(path, {s, s}); }
    default: break;
    }
    // Template files.
    char templatePath[MAX_PATH + 32];
    EffectPath(folder, kEffectTemplateName, templatePath, sizeof templatePath);
    uint8_t t[500] = {};
    FILE* f = std::fopen(templatePath, "rb");
    if (!f) return 0;
    const size_t size = std::fread(t, 1, sizeof t, f);
    std::fclose(f);
    if (size < 229) return 0;
    auto set = [&](int offset, int value) { t[offset] = (uint8_t)std::clamp(value, 0, 255); };
    auto byArea = [&](int v) { return layerWidth > 0 ? v * workWidth / layerWidth : v; };
    switch (index) {
    case 5: case 12: set(84, (10 * L + 10) / 5); set(156, (100 * L + 100) / 5); break;
    case 10: {
        const int d = (100 * L + 100) / 5;
        set(84, d); set(156, preview ? std::min(100, byArea(d)) : d); set(228, d);
        break;
    }
    case 11: set(84, (50 * L + 50) / 5); set(156, (5 * L + 5) / 5); break;
    case 13: set(84, (100 * L + 100) / 5); set(156, 50); set(228, 5); break;
    case 14: {
        const int e = (50 * L + 50) / 5;
        set(84, e); set(156, e); set(228, preview ? byArea(e) : e);
        break;
    }
    case 15: set(84, (8 * L + 8) / 5); set(156, (8 * L + 8) / 5); break;
    case 16: set(84, (10 * L + 10) / 5); break;
    case 17: set(84, (5 * L + 5) / 8 + 1); set(156, L > 1 ? 3 * L + 35 : 3 * L + 30); set(228, (100 * L + 100) / 5); break;
    case 18: set(84, (20 * L + 20) / 5); set(156, (100 * L + 100) / 5); set(228, (100 * L + 100) / 5); break;
    default: return 0;
    }
    return WriteBytes(path, t, size);
}

void DeleteEffectParams(const char* folder, int index) {
    if (index < 0 || index >= kEffectCount || EffectTable[index].noParameter) return;
    char path[MAX_PATH + 32];
    ParamPath(folder, index, path, sizeof path);
    DeleteFileA(path);
}

namespace {

void DllError(HWND owner) { ShowMessageBox(owner ? owner : CanvFrameWindow(), "DLL ERROR", kAppTitle, kMsgOk); }

HMODULE LoadEffect(int index) {
    char path[MAX_PATH + 32];
    EffectPath(CanvProgramFolder(), EffectTable[index].dll, path, sizeof path);
    return LoadLibraryA(path);
}

}  // namespace

int ApplyEffectToLayer(HWND owner, CanvDoc* doc, int index, int level) {
    if (!doc || index < 0 || index >= kEffectCount) return 0;
    c_FilterHost::FreeWork();
    const int savedOpacity = PenOpacity;
    const char* folder = CanvProgramFolder();
    const bool blend = EffectTable[index].noParameter != 0;
    if (blend)
        PenOpacity = (level + 1) * 255 / 5;
    else
        WriteEffectParams(folder, index, level, 0, 0, 0);
    c_FilterHost::EffectLevel = level;
    int done = 0;
    if (HMODULE module = LoadEffect(index)) {
        done = c_FilterHost::RunAndPaste(doc, module);
        FreeLibrary(module);
    }
    PenOpacity = savedOpacity;
    if (!blend) DeleteEffectParams(folder, index);
    if (!done) DllError(owner);
    return done;
}

int RunEffectOnPreview(HWND owner, CanvDoc* doc, int index, int level, int x0, int y0, int x1, int y1) {
    if (!doc || index < 0 || index >= kEffectCount) return 0;
    const int savedOpacity = PenOpacity;
    c_FilterHost::FreeWork();
    if (!c_FilterHost::CopySource(doc, x0, y0, x1, y1)) return 0;
    const bool blend = EffectTable[index].noParameter != 0;
    std::vector<uint8_t> before;
    if (blend) before.assign((uint8_t*)c_FilterHost::WorkDib(),
                             (uint8_t*)c_FilterHost::WorkDib() + sizeof(BITMAPINFOHEADER) +
                                 (size_t)((c_FilterHost::WorkWidth() * 3 + 3) & ~3) * c_FilterHost::WorkHeight());
    HMODULE module = LoadEffect(index);
    if (!module) {
        DllError(owner);
        return 0;
    }
    const char* folder = CanvProgramFolder();
    if (blend)
        PenOpacity = (level + 1) * 255 / 5;
    else
        WriteEffectParams(folder, index, level, 1, c_FilterHost::WorkWidth(), doc->planes[doc->currentPlane].width);
    c_FilterHost::EffectLevel = level;
    int done = c_FilterHost::Run(doc, module);
    FreeLibrary(module);
    if (done && blend) {
        const int o = PenOpacity;
        uint8_t* after = (uint8_t*)c_FilterHost::WorkDib();
        for (size_t i = sizeof(BITMAPINFOHEADER); i < before.size(); ++i)
            after[i] = (uint8_t)std::min(255, ProductTable[before[i]][255 - o] + ProductTable[after[i]][o]);
    }
    PenOpacity = savedOpacity;
    if (!blend) DeleteEffectParams(folder, index);
    if (!done) DllError(owner);
    return done;
}
