// Scan conversion of integer polygons into horizontal spans.
#pragma once

#include <climits>

// Called once per span, x0 <= x1 (both inside the span), row y.
typedef void (*SpanFunc)(int x0, int x1, int y, void* user);

constexpr int kPolygonMaxEdges = 5120;

// Edges join vertex i to i + 1 (no closing edge: repeat the first vertex to close).
// Calls fn for the even-odd spans of every row from the top to the bottom of the
// vertices; an edge covers its rows from its upper end up to but not including its
// lower end, except at the polygon's lowest row, which is included. Only rows
// rowFirst..rowLast are visited (the target's rows), however far the vertices
// reach. Writes the vertices' bounding box when minX is not null. 0 (nothing
// done) when n < 3 or the polygon has more than kPolygonMaxEdges edges, else 1.
// Shows the wait cursor.
int FillPolygonSpans(const int* xs, const int* ys, int n, SpanFunc fn, int* minX, int* minY,
                     int* maxX, int* maxY, void* user = nullptr, int rowFirst = INT_MIN, int rowLast = INT_MAX);

// Sorts count ints ascending (exchange sort; the crossings of one row are few).
void SortIntsAscending(int* values, int count);
