// Bézier paths of the selection tools: the one path being edited (nodes held
// by the selection tool for whichever document shows a path), its flattening
// into the current shape's points, the curve fit of point lists, splitting and
// insertion, the path tool's drags and menus, and the path state files
// "%s%05d.drf" that keep each inactive document's path.
#pragma once
#include <windows.h>

#include <cstdint>

#include "canvas/canv_doc.h"

// One node: anchor, first control (leaving the anchor), second control (the
// handle entering the next anchor). Image pixels.
struct PathNode {
    int32_t ax, ay;
    int32_t c1x, c1y;
    int32_t c2x, c2y;
};
static_assert(sizeof(PathNode) == 24, "PathNode is six 32-bit values");

constexpr int kPathMaxNodes = 5120;
constexpr int kPathBufferNodes = 5130;

struct PathState {
    PathNode nodes[kPathBufferNodes];
    int32_t count;       // nodes in use
    int32_t closed;      // 0 open, 1 closed
    int32_t current;     // nodes placed while a path is built; 0 when none is built
    int32_t selected;    // selected node, -1 none
};
// The path being edited.
PathState& SelPath();
void ClearPath();

// Flattens segments first..last-1 into the current shape's points (last 0: all).
void FlattenPath(CanvDoc* doc, int first = 0, int last = 0);
// The mask of the path shape: closed paths are filled, open ones select
// everything with the anchors' box as the shape's box.
void PathToMask(CanvDoc* doc);
// Fits a path to the current shape's points (5,120 at most).
void FitPath(CanvDoc* doc);
// The current line shape as a fitted two-point path (21048).
void LineToPath(CanvDoc* doc);
// Splits segment index at t; 1 when a node was added (see the unit).
int SplitSegment(int index, double t, double minDistance);
// Inserts a node on the path nearest the image point; 1 when added.
int InsertPathNode(CanvDoc* doc, int x, int y);
void ClosePath();
// Distance of a point from the line through two points; -1 when they coincide.
double PointToLineDistance(double x, double y, double x1, double y1, double x2, double y2);

// The path tool (20011) and the path handles of the lassos.
void TrackPath(CanvDoc* doc);
int DragPathNode(CanvDoc* doc);
int MovePath(CanvDoc* doc);
// 1 when the menu or the finish acted.
int ShowPathMenu(CanvDoc* doc);
const char* HitTestPath(CanvDoc* doc);
void DrawPathShape(CanvDoc* doc, HDC dc);

// ---- path state files
// The file's exact size: mode, box, 5,120 nodes, count, closed, current, selected.
constexpr int kPathFileSize = 122916;
// "%s%05d.drf" of the document in the program folder.
void PathStateFileName(const CanvDoc* doc, char* out, int size);
// Writes the file when the shape is a path (20011 or 20012); with reset the
// shape and the path are cleared afterwards. 0 when the file could not be written.
int SavePathState(CanvDoc* doc, int reset);
// Reads the file: 1 when it held a valid path (then, with apply, committed).
// A file of the wrong size, mode or counts changes nothing.
int LoadPathState(CanvDoc* doc, int apply);
void DeletePathState(const CanvDoc* doc);
// Removes path state files left by an earlier run (at start-up).
void RemoveStalePathStates(const char* programFolder);
