#include "ui/polyfill.h"

#include <windows.h>

void SortIntsAscending(int* v, int count) {
    for (int i = 0; i + 1 < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (v[j] < v[i]) {
                int t = v[i];
                v[i] = v[j];
                v[j] = t;
            }
}

int FillPolygonSpans(const int* xs, const int* ys, int n, SpanFunc fn, int* minX, int* minY,
                     int* maxX, int* maxY, void* user, int rowFirst, int rowLast) {
    if (n < 3 || !xs || !ys || n - 1 > kPolygonMaxEdges) return 0;

    HCURSOR saved = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ShowCursor(TRUE);

    const int edges = n - 1;
    bool sloped[kPolygonMaxEdges];
    float slope[kPolygonMaxEdges], intercept[kPolygonMaxEdges];
    int crossing[kPolygonMaxEdges];
    for (int i = 0; i < edges; ++i) {
        const long long dy = (long long)ys[i + 1] - ys[i];
        sloped[i] = dy != 0;
        if (sloped[i]) {
            slope[i] = (float)((long long)xs[i + 1] - xs[i]) / (float)dy;
            intercept[i] = (float)xs[i] - (float)ys[i] * slope[i];
        }
    }
    int x0 = xs[0], x1 = xs[0], y0 = ys[0], y1 = ys[0];
    for (int i = 1; i < n; ++i) {
        if (xs[i] < x0) x0 = xs[i];
        if (xs[i] > x1) x1 = xs[i];
        if (ys[i] < y0) y0 = ys[i];
        if (ys[i] > y1) y1 = ys[i];
    }

    // A 64-bit row counter: the last row may be INT_MAX.
    const long long first = y0 > rowFirst ? y0 : rowFirst, last = y1 < rowLast ? y1 : rowLast;
    for (long long row = first; row <= last; ++row) {
        const int y = (int)row;
        int count = 0;
        for (int i = 0; i < edges; ++i) {
            if (!sloped[i]) continue;
            int lo = ys[i], hi = ys[i + 1];
            if (lo > hi) {
                int t = lo;
                lo = hi;
                hi = t;
            }
            bool crosses = hi == y1 ? (lo <= y && y <= hi) : (lo <= y && y < hi);
            if (crosses) crossing[count++] = (int)(slope[i] * (float)y + intercept[i]);
        }
        SortIntsAscending(crossing, count);
        if (fn)
            for (int k = 0; k + 1 < count; k += 2) fn(crossing[k], crossing[k + 1], y, user);
    }

    ShowCursor(FALSE);
    SetCursor(saved);
    if (minX) {
        *minX = x0;
        if (minY) *minY = y0;
        if (maxX) *maxX = x1;
        if (maxY) *maxY = y1;
    }
    return 1;
}
