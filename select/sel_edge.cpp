#include "select/sel_edge.h"

#include <cmath>
#include <cstdlib>

namespace {
int Grey(int x, int y, EdgePixelReader read) {
    int r = 0, g = 0, b = 0;
    read(x, y, &r, &g, &b);
    return (28 * r + 77 * g + 151 * b) / 256;
}
int Distance(int dx, int dy) { return (int)std::sqrt((double)dx * dx + (double)dy * dy); }
}  // namespace

int EdgeStrength(int x, int y, EdgePixelReader read) {
    int v[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) v[j][i] = Grey(x - 1 + i, y - 1 + j, read);
    const int gx = v[0][0] - v[0][2] + 2 * (v[1][0] - v[1][2]) + v[2][0] - v[2][2];
    const int gy = v[0][0] + 2 * v[0][1] + v[0][2] - v[2][0] - 2 * v[2][1] - v[2][2];
    const int s = (int)std::sqrt((double)gx * gx + (double)gy * gy);
    return s > 255 ? 255 : s;
}

int StrongestEdgePoint(int* outX, int* outY, int x, int y, int r, EdgePixelReader read) {
    int best = 0, bestStrength = 0;
    *outX = x;
    *outY = y;
    for (int yy = y - r; yy <= y + r; ++yy)
        for (int xx = x - r; xx <= x + r; ++xx) {
            const int s = EdgeStrength(xx, yy, read);
            const int score = s - 4 * Distance(xx - x, yy - y);
            if (score > best) {
                best = score;
                bestStrength = s;
                *outX = xx;
                *outY = yy;
            }
        }
    return bestStrength;
}

int EdgeScore(int dx, int dy, int ex, int ey, int s, int ds, int dg) {
    const int d = Distance(dx, dy), e = Distance(ex, ey);
    int score = 2 * s - 16 * d - std::abs(ds);
    if (e <= 64) score -= std::abs(dg) / 4 + 8 * e;
    return score > 0 ? score : 0;
}

int FindEdgePoint(int* outX, int* outY, int cx, int cy, int rx, int ry, int reference, int r, EdgePixelReader read) {
    const int referenceGrey = Grey(rx, ry, read);
    int best = 0, bestStrength = 0;
    *outX = cx;
    *outY = cy;
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x) {
            const int s = EdgeStrength(x, y, read);
            const int score = EdgeScore(cx - x, cy - y, cx - rx, cy - ry, s, s - reference, Grey(x, y, read) - referenceGrey);
            if (score > best) {
                best = score;
                bestStrength = s;
                *outX = x;
                *outY = y;
            }
        }
    return bestStrength;
}
