#include "browser/colour_setup.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "browser/browser_frame.h"
#include "browser/dib24.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"

namespace {

constexpr DWORD kProfileChars = 260;
constexpr DWORD kTransformFlags = ENABLE_GAMUT_CHECKING | BEST_MODE;
const char kTransformError[] = "TransformDIB エラー";

HWND g_RepaintWindow = nullptr;   // the window to repaint after the dialog applies

typedef BOOL(WINAPI* SetupColorMatchingFn)(PCOLORMATCHSETUPA);

void CopyName(char* out, size_t size, const char* name) { std::snprintf(out, size, "%s", name ? name : ""); }

void Report(HWND owner, const char* text) { ShowMessageBox(owner, text, kTransformError, kMsgOk); }

// A profile by name (a path, or a file of the colour directory), checked to be
// valid; null after the message saying why not.
HPROFILE OpenColourProfile(HWND owner, const char* name) {
    char text[1200];
    HPROFILE profile = c_ColourTransform::OpenProfile(name);
    if (!profile) {
        std::snprintf(text, sizeof text, "Unable to open color profile <%s>", name ? name : "");
        Report(owner, text);
        return nullptr;
    }
    BOOL valid = FALSE;
    if (!IsColorProfileValid(profile, &valid) || !valid) {
        std::snprintf(text, sizeof text, "Color profile %s is not valid", name);
        Report(owner, text);
        CloseColorProfile(profile);
        return nullptr;
    }
    return profile;
}

// The destination and the optional target profile and the transform from
// sRGB into them; every step that fails says so, and the destructor closes
// what was opened, saying which close failed.
class ProfileTransform {
public:
    ProfileTransform(HWND owner, const char* destProfile, const char* targetProfile) : owner_(owner) {
        dest_ = OpenColourProfile(owner, destProfile);
        if (!dest_) return;
        if (targetProfile && *targetProfile) {
            target_ = OpenColourProfile(owner, targetProfile);
            if (!target_) return;
        }
        opened_ = true;
        LOGCOLORSPACEA space;
        InitSrgbColourSpace(&space, 0);
        transform_ = CreateColorTransformA(&space, dest_, target_, kTransformFlags);
    }
    ~ProfileTransform() {
        if (transform_ && !DeleteColorTransform(transform_)) Report(owner_, "DeleteColorTransform failed");
        if (dest_ && !CloseColorProfile(dest_)) Report(owner_, "CloseColorProfile failed:hDestProfile ");
        if (target_ && !CloseColorProfile(target_)) Report(owner_, "CloseColorProfile failed:hTargetProfile ");
    }
    ProfileTransform(const ProfileTransform&) = delete;
    ProfileTransform& operator=(const ProfileTransform&) = delete;
    HTRANSFORM Get() const { return transform_; }
    // Every profile named could be opened.
    bool Opened() const { return opened_; }

private:
    HWND owner_;
    HPROFILE dest_ = nullptr, target_ = nullptr;
    HTRANSFORM transform_ = nullptr;
    bool opened_ = false;
};

}  // namespace

BOOL WINAPI ColourSetupApplyProc(PCOLORMATCHSETUPA setup, LPARAM settings) {
    auto* s = (ColourMatchSettings*)settings;
    if (!setup || !s) return FALSE;
    const bool changed = (int32_t)setup->dwRenderIntent != s->intent ||
                         (int32_t)setup->dwProofingIntent != s->proofIntent ||
                         std::strcmp(setup->pMonitorProfile ? setup->pMonitorProfile : "", s->monitorProfile) != 0 ||
                         std::strcmp(setup->pTargetProfile ? setup->pTargetProfile : "", s->targetProfile) != 0;
    s->flags = (setup->dwFlags & CMS_DISABLEICM) ? s->flags & ~kColourMatchOn : s->flags | kColourMatchOn;
    s->flags = (setup->dwFlags & CMS_ENABLEPROOFING) ? s->flags | kColourProofOn : s->flags & ~kColourProofOn;
    if (changed) s->flags |= kColourChanged;
    s->intent = (int32_t)(setup->dwRenderIntent & 3);
    s->proofIntent = (int32_t)(setup->dwProofingIntent & 3);
    CopyName(s->monitorProfile, sizeof s->monitorProfile, setup->pMonitorProfile);
    CopyName(s->printerProfile, sizeof s->printerProfile, setup->pPrinterProfile);
    CopyName(s->targetProfile, sizeof s->targetProfile, setup->pTargetProfile);
    if (g_RepaintWindow && IsWindow(g_RepaintWindow)) InvalidateRect(g_RepaintWindow, nullptr, TRUE);
    return TRUE;
}

int SaveColourSettings(const char* editorFolder, const ColourMatchSettings& settings) {
    char path[MAX_PATH];
    if (std::snprintf(path, sizeof path, "%s%s", editorFolder ? editorFolder : "", "colmatch.ini") >= (int)sizeof path)
        return 0;
    ColourMatchSettings out = settings;
    out.window = 0;
    return WriteFileReplacing(path, &out, sizeof out) ? 1 : 0;
}

int SetupColourMatching(HWND owner, const char* editorFolder) {
    HMODULE icmui = LoadLibraryA("icmui.dll");
    auto setupColorMatching =
        icmui ? (SetupColorMatchingFn)(void*)GetProcAddress(icmui, "SetupColorMatchingA") : nullptr;
    if (!setupColorMatching) {
        if (icmui) FreeLibrary(icmui);
        return 0;
    }
    ColourMatchSettings& s = g_ColourMatch;
    char monitor[kProfileChars], printer[kProfileChars], target[kProfileChars];
    CopyName(monitor, sizeof monitor, s.monitorProfile);
    CopyName(printer, sizeof printer, s.printerProfile);
    CopyName(target, sizeof target, s.targetProfile);
    COLORMATCHSETUPA setup{};
    setup.dwSize = sizeof setup;
    setup.dwVersion = COLOR_MATCH_VERSION;
    setup.dwFlags = CMS_SETRENDERINTENT | CMS_SETPROOFINTENT | CMS_SETMONITORPROFILE | CMS_SETPRINTERPROFILE |
                    CMS_SETTARGETPROFILE | CMS_USEAPPLYCALLBACK;
    if (!(s.flags & kColourMatchOn)) setup.dwFlags |= CMS_DISABLEICM;
    if (s.flags & kColourProofOn) setup.dwFlags |= CMS_ENABLEPROOFING;
    setup.hwndOwner = owner;
    setup.pDisplayName = s.monitorName;
    setup.pPrinterName = s.printerName;
    setup.dwRenderIntent = (DWORD)s.intent;
    setup.dwProofingIntent = (DWORD)s.proofIntent;
    setup.pMonitorProfile = monitor;
    setup.ccMonitorProfile = kProfileChars;
    setup.pPrinterProfile = printer;
    setup.ccPrinterProfile = kProfileChars;
    setup.pTargetProfile = target;
    setup.ccTargetProfile = kProfileChars;
    setup.lpfnApplyCallback = ColourSetupApplyProc;
    setup.lParamApplyCallback = (LPARAM)&s;
    g_RepaintWindow = owner;
    const BOOL confirmed = setupColorMatching(&setup);
    FreeLibrary(icmui);
    if (!confirmed) {
        g_RepaintWindow = nullptr;
        return 0;
    }
    ColourSetupApplyProc(&setup, (LPARAM)&s);
    g_RepaintWindow = nullptr;
    g_ColourTransform.Load(s);
    return SaveColourSettings(editorFolder, s);
}

BOOL TransformDibSection(HWND owner, HBITMAP section, const char* destProfile, const char* targetProfile) {
    DIBSECTION ds;
    if (!section || GetObjectA(section, sizeof ds, &ds) != (int)sizeof ds || !ds.dsBm.bmBits ||
        (ds.dsBm.bmBitsPixel != 24 && ds.dsBm.bmBitsPixel != 32)) {
        Report(owner, "TranslateBitmapBits failed");
        return FALSE;
    }
    ProfileTransform transform(owner, destProfile, targetProfile);
    if (!transform.Opened()) return FALSE;
    GdiFlush();
    if (!TranslateDibRows(transform.Get(), ds.dsBm.bmBits, ds.dsBm.bmBits, ds.dsBm.bmWidth, ds.dsBm.bmHeight,
                          ds.dsBm.bmBitsPixel)) {
        Report(owner, "TranslateBitmapBits failed");
        return FALSE;
    }
    return TRUE;
}

BOOL TransformColourList(HWND owner, COLORREF* colours, int count, const char* destProfile, const char* targetProfile) {
    if (!colours || count < 1) return TRUE;
    ProfileTransform transform(owner, destProfile, targetProfile);
    if (!transform.Opened()) return FALSE;
    std::vector<COLOR> in((size_t)count), out((size_t)count);
    for (int i = 0; i < count; ++i) {
        in[(size_t)i].rgb.red = (WORD)(GetRValue(colours[i]) * 257);
        in[(size_t)i].rgb.green = (WORD)(GetGValue(colours[i]) * 257);
        in[(size_t)i].rgb.blue = (WORD)(GetBValue(colours[i]) * 257);
    }
    if (!transform.Get() ||
        !TranslateColors(transform.Get(), in.data(), (DWORD)count, COLOR_RGB, out.data(), COLOR_RGB)) {
        Report(owner, "TransColor failed");
        return FALSE;
    }
    for (int i = 0; i < count; ++i)
        colours[i] = RGB(out[(size_t)i].rgb.red >> 8, out[(size_t)i].rgb.green >> 8, out[(size_t)i].rgb.blue >> 8);
    return TRUE;
}

void TransformPrinterBand(BITMAPINFOHEADER* band) {
    if (!(g_ColourMatch.flags & kColourMatchOn) || !band) return;
    void* bits = GetPackedDibBits(band);
    TranslateDibRows(g_ColourTransform.PrinterTransform(), bits, bits, band->biWidth, band->biHeight,
                     band->biBitCount);
}

namespace {

// Tables of up to this many entries are translated in storage on the stack.
constexpr int kLocalTableEntries = 1024;

int TranslateColourTable(HTRANSFORM transform, RGBQUAD* entries, int count) {
    if (!transform || !entries || count < 1) return 0;
    COLOR local[2 * kLocalTableEntries];
    std::vector<COLOR> wide;
    COLOR* in = local;
    if (count > kLocalTableEntries) {
        wide.resize((size_t)count * 2);
        in = wide.data();
    }
    COLOR* out = in + count;
    for (int i = 0; i < count; ++i) {
        in[i].rgb.red = (WORD)(entries[i].rgbRed * 257);
        in[i].rgb.green = (WORD)(entries[i].rgbGreen * 257);
        in[i].rgb.blue = (WORD)(entries[i].rgbBlue * 257);
    }
    if (!TranslateColors(transform, in, (DWORD)count, COLOR_RGB, out, COLOR_RGB)) return 0;
    for (int i = 0; i < count; ++i) {
        entries[i].rgbRed = (BYTE)(out[i].rgb.red >> 8);
        entries[i].rgbGreen = (BYTE)(out[i].rgb.green >> 8);
        entries[i].rgbBlue = (BYTE)(out[i].rgb.blue >> 8);
    }
    return 1;
}

}  // namespace

int TranslateDisplayColourTable(RGBQUAD* entries, int count) {
    return TranslateColourTable(g_ColourTransform.DisplayTransform(), entries, count);
}

int TranslatePrinterColourTable(RGBQUAD* entries, int count) {
    return TranslateColourTable(g_ColourTransform.PrinterTransform(), entries, count);
}

int CALLBACK EnumIcmProfileProc(LPSTR, LPARAM) { return 1; }

int ShowIcmProfiles(HWND window) {
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (!GetColorDirectoryA(nullptr, folder, &size)) folder[0] = 0;
    BrowserMessage(window, folder, kMsgOk);
    HDC dc = GetDC(window);
    if (!dc) return 0;
    const int result = EnumICMProfilesA(dc, EnumIcmProfileProc, 0);
    ReleaseDC(window, dc);
    return result;
}
