#include "browser/colour_match.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "browser/dib24.h"

ColourMatchSettings g_ColourMatch;
c_ColourTransform g_ColourTransform;

namespace {

// The four-character codes of the colour-space records, spelt out (the
// headers write them as multi-character constants).
constexpr DWORD kSignaturePsoc = 0x50534F43;     // 'PSOC'
constexpr LONG kSpaceSrgb = 0x73524742;          // 'sRGB'
constexpr DWORD kSpaceWindows = 0x57696E20;      // 'Win '

// 2.30 fixed point of a chromaticity coordinate, 16.16 of a gamma.
FXPT2DOT30 Fixed30(double v) { return (FXPT2DOT30)(v * (double)(1 << 30)); }
DWORD Fixed16(double v) { return (DWORD)(v * 65536.0); }

// The intent of the settings (0..3) as the colour space's lcsIntent.
LONG IntentOf(int32_t intent) {
    switch (intent) {
    case 1: return LCS_GM_GRAPHICS;
    case 2: return LCS_GM_BUSINESS;
    case 3: return LCS_GM_ABS_COLORIMETRIC;
    default: return LCS_GM_IMAGES;
    }
}

void CopyText(char* out, size_t outSize, const char* text) {
    std::snprintf(out, outSize, "%s", text ? text : "");
}

// A string value of the registry, or "" when it is not there.
void RegistryText(HKEY root, const char* key, const char* name, char* out, size_t outSize) {
    out[0] = 0;
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    DWORD type = 0, size = (DWORD)outSize - 1;
    if (RegQueryValueExA(k, name, nullptr, &type, (BYTE*)out, &size) != ERROR_SUCCESS || type != REG_SZ) out[0] = 0;
    else out[size < outSize ? size : outSize - 1] = 0;
    RegCloseKey(k);
}

class Lock {
public:
    explicit Lock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~Lock() { LeaveCriticalSection(cs_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
private:
    CRITICAL_SECTION* cs_;
};

}  // namespace

c_ColourTransform::c_ColourTransform() {
    InitializeCriticalSection(&lock_);
    std::memset(&settings_, 0, sizeof settings_);
    InitSrgbSpace();
}

c_ColourTransform::~c_ColourTransform() {
    Close();
    DeleteCriticalSection(&lock_);
}

void InitSrgbColourSpace(LOGCOLORSPACEA* space, int32_t intent) {
    std::memset(space, 0, sizeof *space);
    space->lcsSignature = kSignaturePsoc;
    space->lcsVersion = 0x400;
    space->lcsSize = sizeof *space;
    space->lcsCSType = kSpaceSrgb;
    space->lcsIntent = IntentOf(intent);
    space->lcsEndpoints.ciexyzRed = {Fixed30(0.64), Fixed30(0.33), Fixed30(0.03)};
    space->lcsEndpoints.ciexyzGreen = {Fixed30(0.30), Fixed30(0.60), Fixed30(0.10)};
    space->lcsEndpoints.ciexyzBlue = {Fixed30(0.15), Fixed30(0.06), Fixed30(0.79)};
    space->lcsGammaRed = space->lcsGammaGreen = space->lcsGammaBlue = Fixed16(0.45);
}

void c_ColourTransform::InitSrgbSpace() { InitSrgbColourSpace(&source_, 0); }

void c_ColourTransform::Close() {
    if (display_) DeleteColorTransform(display_);
    if (printer_) DeleteColorTransform(printer_);
    display_ = printer_ = nullptr;
    for (HPROFILE* p : {&monitor_, &printerProfile_, &target_}) {
        if (*p) CloseColorProfile(*p);
        *p = nullptr;
    }
}

HPROFILE c_ColourTransform::OpenProfile(const char* name) {
    if (!name || !*name) return nullptr;
    char path[1100];
    if (std::strchr(name, ':') || std::strchr(name, '\\')) {
        CopyText(path, sizeof path, name);
    } else {
        char folder[MAX_PATH] = {};
        DWORD size = sizeof folder;
        if (!GetColorDirectoryA(nullptr, folder, &size)) return nullptr;
        if (std::snprintf(path, sizeof path, "%s\\%s", folder, name) >= (int)sizeof path) return nullptr;
    }
    PROFILE profile = {.dwType = PROFILE_FILENAME, .pProfileData = path, .cbDataSize = (DWORD)std::strlen(path) + 2};
    HPROFILE h = OpenColorProfileA(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (h) {
        BOOL valid = FALSE;
        IsColorProfileValid(h, &valid);   // asked, as the system expects; a transform decides
    }
    return h;
}

int c_ColourTransform::Load(const ColourMatchSettings& settings) {
    Lock lock(&lock_);
    settings_ = settings;
    if (!(settings_.flags & kColourMatchOn)) return 0;
    Close();
    settings_.monitorProfile[sizeof settings_.monitorProfile - 1] = 0;
    settings_.printerProfile[sizeof settings_.printerProfile - 1] = 0;
    settings_.targetProfile[sizeof settings_.targetProfile - 1] = 0;
    monitor_ = OpenProfile(settings_.monitorProfile);
    if (!monitor_) return 0;
    printerProfile_ = OpenProfile(settings_.printerProfile);
    const bool proofing = (settings_.flags & kColourProofOn) != 0;
    if (proofing) target_ = OpenProfile(settings_.targetProfile);
    source_.lcsIntent = IntentOf(proofing ? settings_.proofIntent : settings_.intent);
    display_ = CreateColorTransformA(&source_, monitor_, target_, ENABLE_GAMUT_CHECKING | BEST_MODE);
    if (!display_) return 0;
    if (printerProfile_ && (!proofing || target_))
        printer_ = CreateColorTransformA(&source_, printerProfile_, target_, ENABLE_GAMUT_CHECKING | BEST_MODE);
    return 1;
}

int c_ColourTransform::TranslateBits(void* bitsIn, void* bitsOut, int width, int height, int bitsPerPixel) {
    return TranslateDibRows(display_, bitsIn, bitsOut, width, height, bitsPerPixel);
}

int TranslateDibRows(HTRANSFORM t, void* bitsIn, void* bitsOut, int width, int height, int bitsPerPixel) {
    if (!t || width < 1 || height == 0) return 0;
    const BMFORMAT format = bitsPerPixel == 24 ? BM_RGBTRIPLETS : BM_xRGBQUADS;
    const int rows = height < 0 ? -height : height, pixelBytes = bitsPerPixel == 24 ? 3 : 4;
    const DWORD stride = (DWORD)Dib24Stride(width, pixelBytes * 8);
    // Rows whose stride holds padding go one at a time: not every engine
    // honours a stride, and some read the rows as one packed run.
    if (stride == (DWORD)width * (DWORD)pixelBytes)
        return TranslateBitmapBits(t, bitsIn, format, (DWORD)width, (DWORD)rows, stride, bitsOut, format, stride,
                                   nullptr, 0)
                   ? 1
                   : 0;
    for (int y = 0; y < rows; ++y) {
        uint8_t* in = (uint8_t*)bitsIn + (size_t)y * stride;
        uint8_t* out = (uint8_t*)bitsOut + (size_t)y * stride;
        if (!TranslateBitmapBits(t, in, format, (DWORD)width, 1, stride, out, format, stride, nullptr, 0)) return 0;
    }
    return 1;
}

int FindDefaultProfiles(HWND window, ColourMatchSettings* s) {
    RegistryText(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\Monitor\\0000", "DriverDesc",
                 s->monitorName, sizeof s->monitorName);
    s->monitorProfile[0] = 0;
    HDC dc = GetDC(window);
    if (dc) {
        DWORD size = sizeof s->monitorProfile;
        if (!GetICMProfileA(dc, &size, s->monitorProfile)) s->monitorProfile[0] = 0;
        ReleaseDC(window, dc);
    }
    if (!s->monitorProfile[0]) {
        DWORD size = 0;
        GetStandardColorSpaceProfileA(nullptr, kSpaceWindows, nullptr, &size);
        if (size) {
            char name[1028] = {};
            DWORD have = sizeof name;
            if (size > have || !GetStandardColorSpaceProfileA(nullptr, kSpaceWindows, name, &have)) {
                s->monitorProfile[0] = 0;
                return 0;
            }
            CopyText(s->monitorProfile, sizeof s->monitorProfile, name);
        } else {
            char folder[MAX_PATH] = {};
            DWORD fsize = sizeof folder;
            GetColorDirectoryA(nullptr, folder, &fsize);
            std::snprintf(s->monitorProfile, sizeof s->monitorProfile, "%s\\sRGB Color Space Profile.ICM", folder);
        }
    }
    RegistryText(HKEY_CURRENT_CONFIG, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers", "Default",
                 s->printerName, sizeof s->printerName);
    if (!s->printerName[0]) return 1;
    HDC printer = CreateDCA(nullptr, s->printerName, nullptr, nullptr);
    if (!printer) return 1;
    DWORD size = sizeof s->printerProfile;
    if (!GetICMProfileA(printer, &size, s->printerProfile)) s->printerProfile[0] = 0;
    std::memcpy(s->targetProfile, s->printerProfile, sizeof s->targetProfile);
    DeleteDC(printer);
    return 1;
}

void LoadColourSettings(HWND window, const char* editorFolder) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s%s", editorFolder ? editorFolder : "", "colmatch.ini");
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        FindDefaultProfiles(window, &g_ColourMatch);
        return;
    }
    DWORD got = 0;
    ReadFile(file, &g_ColourMatch, sizeof g_ColourMatch, &got, nullptr);
    CloseHandle(file);
    g_ColourMatch.window = 0;
    if (!g_ColourTransform.Load(g_ColourMatch)) {
        FindDefaultProfiles(window, &g_ColourMatch);
        g_ColourTransform.Load(g_ColourMatch);
    }
}

void TransformBand(BITMAPINFOHEADER* band, HWND) {
    if (!(g_ColourMatch.flags & kColourMatchOn) || !band) return;
    void* bits = GetPackedDibBits(band);
    g_ColourTransform.TranslateBits(bits, bits, band->biWidth, band->biHeight, band->biBitCount);
}

void ApplyColourMatch(BITMAPINFOHEADER* dib, HWND window) {
    if (!dib || dib->biBitCount != 24 || dib->biWidth < 1 || dib->biHeight < 1) return;
    if (!(g_ColourMatch.flags & kColourMatchOn) || !g_ColourTransform.DisplayTransform()) return;
    const int w = dib->biWidth, h = dib->biHeight;
    PackedDib band = CreateDib24(w, 8, 24);
    if (!band) return;
    const size_t stride = (size_t)Dib24Stride(w, 24);
    uint8_t* rows = GetPackedDibBits(dib);
    uint8_t* bandRows = GetPackedDibBits(band);
    for (int y = 0; y < h; y += 8) {
        const int n = h - y < 8 ? h - y : 8;
        band->biHeight = n;   // the last band holds the rows left
        std::memcpy(bandRows, rows + (size_t)y * stride, stride * (size_t)n);
        TransformBand(band, window);
        std::memcpy(rows + (size_t)y * stride, bandRows, stride * (size_t)n);
    }
    band->biHeight = 8;
    FreePackedDib(band);
}
