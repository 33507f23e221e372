// Edge measures of the lassos: the Sobel strength of a pixel's grey, the
// strongest edge near a point, and the scored search that keeps a lasso on an
// edge like the one it started on. Pixels come through a reader so that the
// measures work on any plane (and on plain arrays in tests).
#pragma once

// One pixel as r, g, b (the reader clamps the position as it likes). 1 always.
typedef int (*EdgePixelReader)(int x, int y, int* r, int* g, int* b);

// 0..255: the Sobel gradient of grey = (28 R + 77 G + 151 B) / 256 around (x, y).
int EdgeStrength(int x, int y, EdgePixelReader read);
// The point of the square of radius r around (x, y) with the highest score
// strength - 4 x distance (above 0): written to *outX, *outY, its strength
// returned. None: (x, y) and 0.
int StrongestEdgePoint(int* outX, int* outY, int x, int y, int r, EdgePixelReader read);
// The best edge point of the square of radius r around (cx, cy), scored
// against the reference strength and the grey at the reference point (rx, ry).
int FindEdgePoint(int* outX, int* outY, int cx, int cy, int rx, int ry, int reference, int r, EdgePixelReader read);
int EdgeScore(int dx, int dy, int ex, int ey, int strength, int strengthChange, int greyChange);
