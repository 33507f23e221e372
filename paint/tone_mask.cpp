#include "paint/tone_mask.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "image/c_dib.h"
#include "image/vms_store.h"
#include "resources/resource.h"
#include "ui/sysutil.h"

ToneMaskSettings c_ToneMask::Settings;
char c_ToneMask::Paths[kToneSlots][kTonePathBytes];
VmsImage* c_ToneMask::ToneImage;
void (*c_ToneMask::ModesChangedHook)();

namespace {

constexpr int kTextPlacingTool = 20006;
constexpr int kRadialBrightCentre = 4;

// The ellipse mask of one box size: 0 at the rim, 255 at the centre.
struct EllipseMask {
    int width = 0, height = 0, ox = 0, oy = 0;
    std::vector<uint8_t> values;
} g_Ellipse;

std::vector<uint8_t> g_ToneRow;

// Level i of the mask covers the ellipse whose centre moves from the box
// centre toward the offset centre and whose radii shrink to 1 as i grows:
// a pixel takes the largest level whose ellipse holds it.
void BuildEllipseMask(int w, int h, int ox, int oy) {
    g_Ellipse.width = w;
    g_Ellipse.height = h;
    g_Ellipse.ox = ox;
    g_Ellipse.oy = oy;
    g_Ellipse.values.assign((size_t)w * h, 0);
    double a = w / 2, b = h / 2;
    double ea = std::trunc(a * (ox + 100) / 100), eb = std::trunc(b * (oy + 100) / 100);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Largest i with the pixel inside ellipse i, found from the top.
            int level = -1;
            int lo = 0, hi = 255;
            auto inside = [&](int i) {
                double cx = (a * (255 - i) + i * ea) / 255, cy = (b * (255 - i) + i * eb) / 255;
                double rx = a - std::trunc(i * a / 255), ry = b - std::trunc(i * b / 255);
                if (rx < 1) rx = 1;
                if (ry < 1) ry = 1;
                double dx = (x - cx) / rx, dy = (y - cy) / ry;
                return dx * dx + dy * dy <= 1.0;
            };
            if (!inside(0)) continue;
            // Without offsets the ellipses nest, so the levels that hold the
            // pixel form one run from 0.
            while (lo <= hi) {
                int mid = (lo + hi) / 2;
                if (inside(mid)) {
                    level = mid;
                    lo = mid + 1;
                } else {
                    hi = mid - 1;
                }
            }
            g_Ellipse.values[(size_t)y * w + x] = (uint8_t)(level < 0 ? 0 : level);
        }
    }
}

bool AnyToneSwitch() {
    for (int i = 0; i < kToneSlots; ++i)
        if (c_ToneMask::Settings.params[i]) return true;
    return false;
}

}  // namespace

int ToneRampValue(int mode, int x, int y, int left, int top, int right, int bottom, int angle) {
    int w = right - left + 1, h = bottom - top + 1;
    switch (mode) {
    case 0:
    case 1: {
        if (w <= 0) return -1;
        // Columns outside the box take the value of its nearer edge.
        int v = std::clamp((x - left) * 255 / w, 0, 255);
        return mode == 0 ? v : 255 - v;
    }
    case 2:
    case 3: {
        if (h <= 0) return -1;
        int v = std::clamp((y - top) * 255 / h, 0, 255);
        return mode == 2 ? v : 255 - v;
    }
    case 4:
    case 5: {
        int a = w / 2 > 1 ? w / 2 : 1, b = h / 2 > 1 ? h / 2 : 1;
        int cx = (left + right) / 2, cy = (top + bottom) / 2;
        double dx = x - cx, dy = y - cy;
        double a1 = a + 1, b1 = b + 1;
        if (dx * dx / (a1 * a1) + dy * dy / (b1 * b1) >= 1.0) return 0;
        double t = dx == 0 ? 1.570795 : std::atan(dy * a1 / (dx * b1));
        double d = std::trunc(std::sqrt(dx * dx + dy * dy));
        double r = std::trunc(std::sqrt(std::cos(t) * std::cos(t) * a1 * a1 + std::sin(t) * std::sin(t) * b1 * b1));
        int v = r < 1 ? 0 : (int)(d * 255 / r);
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        return mode == 4 ? 255 - v : v;
    }
    case 6: {
        if (right <= left) return -1;
        int cx = (left + right) / 2, cy = (top + bottom) / 2;
        double rad = angle * 0.017453292519943295;
        double dx = x - cx, dy = y - cy;
        long xr = std::lround(dy * std::sin(rad) + dx * std::cos(rad));
        long px = cx + xr;
        if (px < left) px = left;
        if (px > right) px = right;
        return (int)((px - left) * 255 / (right - left));
    }
    default:
        return -1;
    }
}

int ToneVRampValue(int v, int low, int high) {
    if (high <= low) return 255;
    const int d = (std::clamp(v, low, high) - low) * 511 / (high - low) - 255;
    return std::min(d < 0 ? -d : d, 255);
}

void c_ToneMask::MakeRow(int y, int x0, int x1, int left, int top, int right, int bottom, uint8_t* row,
                         int replace) {
    if (x1 < x0) return;
    int n = x1 - x0 + 1;
    if (replace) std::memset(row, 255, n);
    const ToneMaskSettings& s = Settings;
    for (int mode = 0; mode <= 6; ++mode) {
        if (!s.modes[mode]) continue;
        if (mode == 2 || mode == 3) {
            int v = ToneRampValue(mode, x0, y, left, top, right, bottom, s.angle);
            if (v < 0) continue;
            for (int i = 0; i < n; ++i) row[i] &= (uint8_t)v;
            continue;
        }
        for (int i = 0; i < n; ++i) {
            int v = ToneRampValue(mode, x0 + i, y, left, top, right, bottom, s.angle);
            if (v >= 0) row[i] &= (uint8_t)v;
        }
    }
    if (s.modes[7] || s.modes[8]) {
        int w = right - left + 1, h = bottom - top + 1;
        if (w > 0 && h > 0) {
            if (g_Ellipse.width != w || g_Ellipse.height != h || g_Ellipse.ox != s.ellipseOffset[0] ||
                g_Ellipse.oy != s.ellipseOffset[1] || g_Ellipse.values.empty())
                BuildEllipseMask(w, h, s.ellipseOffset[0], s.ellipseOffset[1]);
            int my = y - top;
            for (int i = 0; i < n; ++i) {
                int mx = x0 + i - left;
                int v = my >= 0 && my < h && mx >= 0 && mx < w ? g_Ellipse.values[(size_t)my * w + mx] : 0;
                row[i] = (uint8_t)(s.modes[8] ? 255 - v : v);
            }
        }
    }
    if (s.dither)
        for (int i = 0; i < n; ++i) row[i] = (std::rand() % 256) < row[i] ? 255 : 0;
    if (AnyToneSwitch() && ToneImage) {
        if (replace) {
            AndToneImage(y, x0, x1, row);
        } else {
            if (g_ToneRow.size() < (size_t)n) g_ToneRow.resize(n);
            AndToneImage(y, x0, x1, g_ToneRow.data());
            for (int i = 0; i < n; ++i) row[i] &= g_ToneRow[i];
        }
    }
}

void c_ToneMask::AndToneImage(int y, int x0, int x1, uint8_t* row) {
    VmsImage* image = ToneImage;
    if (!image || x1 < x0) return;
    int w = image->width, h = image->height;
    static std::vector<uint8_t> source;
    source.resize(w);
    int sy = ((y % h) + h) % h;
    g_VmsStore.GetRow(image, sy, 0, w - 1, source.data());
    int sx = ((x0 % w) + w) % w;
    for (int i = 0; i <= x1 - x0; ++i) {
        row[i] = source[sx];
        if (++sx == w) sx = 0;
    }
}

void c_ToneMask::Reset() {
    std::memset(&Settings, 0, sizeof Settings);
    Settings.angle = 45;
    g_VmsStore.Free(&ToneImage);
    g_Ellipse = EllipseMask();
}

void c_ToneMask::ClearModes(int currentTool) {
    if (currentTool == kTextPlacingTool) return;
    std::memset(Settings.modes, 0, sizeof Settings.modes);
    std::memset(Settings.params, 0, sizeof Settings.params);
    if (ModesChangedHook) ModesChangedHook();
}

void c_ToneMask::ModesForCommand(int committedShapeKind) {
    if (committedShapeKind != CMD_TOOL_SELGRADIENT) return;
    std::memset(Settings.modes, 0, sizeof Settings.modes);
    std::memset(Settings.params, 0, sizeof(int32_t) * kToneSlots);
    Settings.modes[kRadialBrightCentre] = 1;
    if (ModesChangedHook) ModesChangedHook();
}

int c_ToneMask::AnyActive() {
    for (int v : Settings.modes)
        if (v) return 1;
    for (int v : Settings.params)
        if (v) return 1;
    return 0;
}

int c_ToneMask::LoadToneDat(const char* folder) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%stone.dat", folder);
    std::memset(Paths, 0, sizeof Paths);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ScanToneFolder(folder);
        return 0;
    }
    // Only a file of exactly six slots is taken; any other size scans the folder.
    DWORD size = GetFileSize(file, nullptr), got = 0;
    bool ok = size == (DWORD)kToneDatBytes && ReadFile(file, Paths, kToneDatBytes, &got, nullptr) &&
              got == (DWORD)kToneDatBytes;
    CloseHandle(file);
    if (!ok) {
        std::memset(Paths, 0, sizeof Paths);
        ScanToneFolder(folder);
        return 0;
    }
    for (auto& p : Paths) p[kTonePathBytes - 1] = 0;
    return 1;
}

int c_ToneMask::SaveToneDat(const char* folder) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%stone.dat", folder);
    return WriteFileReplacing(path, Paths, kToneDatBytes) ? 1 : 0;
}

int c_ToneMask::ScanToneFolder(const char* folder) {
    std::memset(Paths, 0, sizeof Paths);
    char pattern[MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%sttexture\\*.bmp", folder);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    // The search order is the file system's; the slots take the names sorted.
    std::vector<std::string> names;
    std::string previous;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!previous.empty() && CompareNoCase(previous.c_str(), fd.cFileName) == 0) break;
        previous = fd.cFileName;
        names.push_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareNoCase(a.c_str(), b.c_str()) < 0; });
    int n = 0;
    for (const std::string& name : names) {
        if (n == kToneSlots) break;
        std::snprintf(Paths[n++], kTonePathBytes, "%sttexture\\%s", folder, name.c_str());
    }
    return n;
}

int c_ToneMask::SelectTone(int slot) {
    if (slot < 0 || slot >= kToneSlots || !Paths[slot][0]) return 0;
    VmsImage* picture = c_Dib::LoadBmp(Paths[slot]);
    if (!picture) return 0;
    VmsImage* weights = g_VmsStore.Create(picture->width, picture->height, 8, 0, 1);
    if (!weights) {
        g_VmsStore.Free(&picture);
        return 0;
    }
    // Dark pixels of the tone are where it paints.
    std::vector<uint8_t> row(picture->width);
    for (int y = 0; y < picture->height; ++y) {
        for (int x = 0; x < picture->width; ++x) {
            int r = 0, g = 0, b = 0;
            c_Dib::GetPixelRgb(picture, x, y, &r, &g, &b);
            row[x] = (uint8_t)(255 - (r * 77 + g * 151 + b * 28) / 256);
        }
        g_VmsStore.PutRow(weights, y, 0, picture->width - 1, row.data());
    }
    g_VmsStore.Free(&picture);
    g_VmsStore.Free(&ToneImage);
    ToneImage = weights;
    std::memset(Settings.params, 0, sizeof(int32_t) * kToneSlots);
    Settings.params[slot] = 1;
    return 1;
}

int c_ToneMask::Choose(int number) {
    if (number >= 1 && number <= kToneModeCount) {
        std::memset(Settings.modes, 0, sizeof Settings.modes);
        std::memset(Settings.params, 0, sizeof Settings.params);
        Settings.modes[number - 1] = 1;
        return 1;
    }
    if (number > kToneModeCount && number <= kToneModeCount + kToneSlots) {
        std::memset(Settings.modes, 0, sizeof Settings.modes);
        return SelectTone(number - kToneModeCount - 1);
    }
    return 0;
}
