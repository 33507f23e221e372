// ToneCurveRecord: the tone-curve state (control points, the two 256-entry
// tables, connection, channel) shared by the tone-curve and colour-correction
// adjustments, the building of its tables, the colour-correction tables, and
// the curve files (.CRC) that store the record.
#pragma once
#include <windows.h>

#include <cstdint>

// The record as a .CRC file holds it: 764 bytes, little-endian. The run-time
// slots of the tail are written as 0 and ignored on reading.
struct ToneCurveRecord {
    int32_t points[10][2];      // x, y (0..255); the first `count` in increasing x
    uint8_t table1[300];        // 0..255 used; the rest reserved (0)
    uint8_t table2[300];        // colour correction's second table (mode 20)
    int32_t connection;         // 0 Bezier, 1 straight lines
    int32_t channel;            // the executor's mode (0..9; 20, 21, 22, 25)
    int32_t count;              // control points, 3..8
    int32_t boxX, boxY;         // offset of the processed box (0)
    int32_t reserved[2];
    int32_t changed;            // the preview must be computed again
    int32_t runtime[13];        // thread, canvas and eleven run-time slots: 0 in files
};
static_assert(sizeof(ToneCurveRecord) == 764, "a curve file is 764 bytes");

extern ToneCurveRecord ToneCurve;

// Points reset for count n (3..8): (v, v) with v = min(255, i x (256 / (n - 1)));
// table 1 becomes the identity.
void ResetCurvePoints(ToneCurveRecord* rec, int n);
// Table 1 rebuilt from the points by the connection; entries no segment or
// sample reaches keep their values.
void BuildCurveTable(ToneCurveRecord* rec);
// Sample k (0..100, t = k / 100) of the Bernstein curve through n points.
void BezierSample(const int32_t (*points)[2], int n, int k, double* x, double* y);
// The Bezier fill over any points (also used by the colour correction).
void FillBezierTable(const int32_t (*points)[2], int n, uint8_t* table);
void FillStraightTable(const int32_t (*points)[2], int n, uint8_t* table);

// table[i] = trunc(255 x (i / 255)^e), e = ln((3v + 128) / 255) / ln(128 / 255):
// identity at v = 0, table[128] near 3v + 128.
void GammaTable(int v, uint8_t* table);
// The same curve taking 128 to m (colour temperature).
void GammaTableThrough(int m, uint8_t* table);

// Colour correction: six values -20..20 and the model (0 RGB, 1 CMY).
struct BrContValues {
    int brightness, contrast, vividness;
    int channel[3];
    int model;
};
struct BrContTables {
    uint8_t contrast[256];
    uint8_t brightness[256];
    uint8_t vividness[256];
    uint8_t channel[3][256];
};
void BuildBrContTables(const BrContValues& values, BrContTables* tables);

// One colour word (B, G, R, x) through the executor's mode with table L (and
// the second table or the channel tables where the mode uses them), blended
// with weight c: v' = min(255, P[f(v)][c] + P[v][255 - c]).
uint32_t CrctPixel(uint32_t word, int mode, const uint8_t* table1, const uint8_t* table2,
                   const uint8_t (*channel)[256], int c);

// A row of words through CrctPixel; weights null means full weight (255).
void CrctRow(uint32_t* row, int n, int mode, const uint8_t* table1, const uint8_t* table2,
             const uint8_t (*channel)[256], const uint8_t* weights);

// Curve files: 1 when written (through a temporary file moved over the old
// one) or read. A file of the wrong size or with a value out of range is
// refused (0) with a message owned by `owner`, and the record is left as it was.
int SaveCurveFile(const char* path, const ToneCurveRecord* rec);
int LoadCurveFile(HWND owner, const char* path, ToneCurveRecord* rec);
// The save and open dialogs for .CRC files: 1 with the chosen path.
int ChooseCurveFileToSave(HWND owner, char* path, int size);
int ChooseCurveFileToOpen(HWND owner, char* path, int size);
