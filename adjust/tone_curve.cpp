#include "adjust/tone_curve.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <utility>

#include "fileio/plain_dialogs.h"
#include "image/colour_model.h"
#include "image/product_table.h"
#include "ui/msgbox.h"

ToneCurveRecord ToneCurve;

namespace {

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

void Identity(uint8_t* table) {
    for (int i = 0; i < 256; ++i) table[i] = (uint8_t)i;
}

long long Binomial(int n, int k) {
    long long r = 1;
    for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
    return r;
}

// Entries from the sample (xa, ya) to (xb, yb) exclusive of the first end,
// as the Bezier fill writes them.
void FillGap(uint8_t* table, double prevX, int px, int py, double curX, int cx, int cy) {
    int from, to;
    if (prevX < curX) {
        from = px + 1;
        to = cx;
    } else {
        from = cx + 1;
        to = px;
    }
    for (int j = from; j <= to; ++j) {
        if (j < 0 || j > 255) continue;
        int v = cx == px ? cy : cy + (j - cx) * (py - cy) / (px - cx);
        table[j] = (uint8_t)Clamp255(v);
    }
}

}  // namespace

void ResetCurvePoints(ToneCurveRecord* rec, int n) {
    if (n < 3) n = 3;
    if (n > 8) n = 8;
    rec->count = n;
    Identity(rec->table1);
    for (int i = 0; i < 10; ++i) {
        int v = i < n ? std::min(255, i * (256 / (n - 1))) : 0;
        rec->points[i][0] = v;
        rec->points[i][1] = v;
    }
}

void FillStraightTable(const int32_t (*points)[2], int n, uint8_t* table) {
    if (n < 2) return;
    for (int k = 0; k + 1 < n; ++k) {
        const int32_t* a = points[k];
        const int32_t* b = points[k + 1];
        if (a[0] > b[0]) std::swap(a, b);
        for (int x = a[0]; x <= b[0]; ++x) {
            int y = a[0] == b[0] ? a[1] : a[1] + (x - a[0]) * (b[1] - a[1]) / (b[0] - a[0]);
            if (x >= 0 && x <= 255) table[x] = (uint8_t)Clamp255(y);
        }
    }
}

void BezierSample(const int32_t (*points)[2], int n, int k, double* x, double* y) {
    const int degree = n - 1;
    const double t = k / 100.0;
    *x = *y = 0;
    for (int i = 0; i < n; ++i) {
        const double b = (double)Binomial(degree, i) * std::pow(1 - t, degree - i) * std::pow(t, i);
        *x += b * points[i][0];
        *y += b * points[i][1];
    }
}

void FillBezierTable(const int32_t (*points)[2], int n, uint8_t* table) {
    if (n < 2) return;
    double prevX = points[0][0], prevY = points[0][1];
    for (int k = 0; k <= 100; ++k) {
        double x, y;
        BezierSample(points, n, k, &x, &y);
        FillGap(table, prevX, (int)prevX, (int)prevY, x, (int)x, (int)y);
        prevX = x;
        prevY = y;
    }
}

void BuildCurveTable(ToneCurveRecord* rec) {
    const int n = rec->count < 2 ? rec->count : std::min(rec->count, 10);
    if (rec->connection == 1)
        FillStraightTable(rec->points, n, rec->table1);
    else
        FillBezierTable(rec->points, n, rec->table1);
}

void GammaTableThrough(int m, uint8_t* table) {
    if (m < 1) m = 1;
    const long double e = std::log((long double)m / 255.0L) / std::log(128.0L / 255.0L);
    for (int i = 0; i < 256; ++i) table[i] = (uint8_t)Clamp255((int)(255.0L * std::pow((long double)i / 255.0L, e)));
}

void GammaTable(int v, uint8_t* table) { GammaTableThrough(3 * v + 128, table); }

void BuildBrContTables(const BrContValues& values, BrContTables* tables) {
    Identity(tables->contrast);
    const int c = values.contrast;
    const int32_t points[5][2] = {
        {0, 0}, {64, std::max(0, 2 * (32 - c))}, {128, 128}, {192, std::min(255, 2 * c + 192)}, {255, 255}};
    FillBezierTable(points, 5, tables->contrast);
    GammaTable(values.brightness, tables->brightness);
    GammaTable(values.vividness, tables->vividness);
    for (int k = 0; k < 3; ++k) GammaTable(values.channel[k], tables->channel[k]);
}

uint32_t CrctPixel(uint32_t word, int mode, const uint8_t* L, const uint8_t* L2, const uint8_t (*channel)[256],
                   int c) {
    const int r = (word >> 16) & 255, g = (word >> 8) & 255, b = word & 255;
    int nr = r, ng = g, nb = b;
    switch (mode) {
    case 0: nr = L[r]; break;
    case 1: ng = L[g]; break;
    case 2: nb = L[b]; break;
    case 3: case 4: case 5: {
        int cmy[3];
        ConvertRgbToCmy(r, g, b, &cmy[0], &cmy[1], &cmy[2]);
        cmy[mode - 3] = L[cmy[mode - 3]];
        ConvertCmyToRgb(cmy[0], cmy[1], cmy[2], &nr, &ng, &nb);
        break;
    }
    case 6: case 7: case 8: case 25: {
        int hsv[3];
        ConvertRgbToHsv(r, g, b, &hsv[0], &hsv[1], &hsv[2], 1);
        const int k = mode == 25 ? 1 : mode - 6;
        hsv[k] = L[hsv[k] & 255];
        ConvertHsvToRgb(hsv[0], hsv[1], hsv[2], &nr, &ng, &nb, 1);
        break;
    }
    case 9: nr = L[r]; ng = L[g]; nb = L[b]; break;
    case 20:
        if (!L2) return word;
        nr = L2[L[r]]; ng = L2[L[g]]; nb = L2[L[b]];
        break;
    case 21: {
        if (!channel) return word;
        int cy, m, ye;
        ConvertRgbToCmy(r, g, b, &cy, &m, &ye);
        ConvertCmyToRgb(channel[0][cy], channel[1][m], channel[2][ye], &nr, &ng, &nb);
        break;
    }
    case 22:
        if (!channel) return word;
        nr = channel[0][r]; ng = channel[1][g]; nb = channel[2][b];
        break;
    default: return word;
    }
    auto blend = [c](int f, int v) { return std::min(255, ProductTable[Clamp255(f)][c] + ProductTable[v][255 - c]); };
    return (word & 0xFF000000u) | ((uint32_t)blend(nr, r) << 16) | ((uint32_t)blend(ng, g) << 8) | (uint32_t)blend(nb, b);
}

void CrctRow(uint32_t* row, int n, int mode, const uint8_t* L, const uint8_t* L2, const uint8_t (*channel)[256],
             const uint8_t* weights) {
    if (!weights && mode == 9) {
        // The common case of the tone curve: one table on all three channels.
        for (int i = 0; i < n; ++i) {
            const uint32_t w = row[i];
            row[i] = (w & 0xFF000000u) | (uint32_t)L[(w >> 16) & 255] << 16 | (uint32_t)L[(w >> 8) & 255] << 8 |
                     (uint32_t)L[w & 255];
        }
        return;
    }
    for (int i = 0; i < n; ++i) row[i] = CrctPixel(row[i], mode, L, L2, channel, weights ? weights[i] : 255);
}

// ---------------------------------------------------------------------------
// Curve files.

static const char kCurveFileBad[] = "トーンカーブファイルが正しくありません。";

int SaveCurveFile(const char* path, const ToneCurveRecord* rec) {
    ToneCurveRecord copy = *rec;
    std::memset(copy.runtime, 0, sizeof copy.runtime);
    copy.changed = 0;
    char temp[MAX_PATH + 8];
    std::snprintf(temp, sizeof temp, "%s.tmp", path);
    FILE* f = std::fopen(temp, "wb");
    if (!f) return 0;
    const bool written = std::fwrite(&copy, sizeof copy, 1, f) == 1;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

namespace {

bool CurveRecordValid(const ToneCurveRecord& r) {
    if (r.count < 3 || r.count > 8) return false;
    if (r.connection != 0 && r.connection != 1) return false;
    if (r.channel < 0 || r.channel > 9) return false;
    for (int i = 0; i < r.count; ++i) {
        for (int k = 0; k < 2; ++k)
            if (r.points[i][k] < 0 || r.points[i][k] > 255) return false;
        if (i > 0 && r.points[i][0] < r.points[i - 1][0]) return false;
    }
    return true;
}

}  // namespace

int LoadCurveFile(HWND owner, const char* path, ToneCurveRecord* rec) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    ToneCurveRecord loaded;
    const size_t got = std::fread(&loaded, 1, sizeof loaded, f);
    const bool longer = std::fgetc(f) != EOF;
    std::fclose(f);
    if (got != sizeof loaded || longer || !CurveRecordValid(loaded)) {
        ShowMessageBox(owner, kCurveFileBad, kAppTitle, kMsgOk);
        return 0;
    }
    // The run-time part stays the running dialog's.
    std::memcpy(loaded.runtime, rec->runtime, sizeof loaded.runtime);
    loaded.boxX = rec->boxX;
    loaded.boxY = rec->boxY;
    loaded.changed = rec->changed;
    *rec = loaded;
    return 1;
}

int ChooseCurveFileToSave(HWND owner, char* path, int size) { return SaveCurveFileDialog(owner, path, size); }
int ChooseCurveFileToOpen(HWND owner, char* path, int size) { return OpenCurveFileDialog(owner, path, size); }
