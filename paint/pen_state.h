// PenState: the current pen of the editor (colour, drawing mode, opacity,
// density, tip block, brush images, tool and stroke counters, option words),
// one global record, and the stored pens (PenRecord, the records of pen.dat).
#pragma once
#include <cstdint>

#include "image/pen_colour.h"

struct VmsImage;
struct DibImage;

constexpr int kRollerFrameSlots = 10;
constexpr int kPenOptionWords = 26;   // 0..22 in the record, 23..25 after it
constexpr int kPenRecordCount = 100;

// Drawing modes (DrawingMode).
enum : int32_t {
    ModeColour = 0,
    ModeBlur = 2,
    ModeSmudge = 3,
    ModeScatter = 4,
    ModeAverage = 5,
    ModeTile = 6,
    ModeEraser = 7,
    ModeNoise = 8,
    ModeTwistRight = 9,
    ModeTwistLeft = 10,
    ModeClone = 11,
    ModeTile12 = 12,
    ModeTile13 = 13,
    ModeRainbow = 20,
};

// Option words with a meaning of their own.
enum : int {
    PenOptRollerFrame = 22,     // current roller frame
    PenOptSelectionRows = 23,   // every pen row passes through the selection mask
    PenOptKeepAlpha = 25,       // blends leave the transparency plane alone
};

// The tip block: the fields from the horizontal radius up to the field before
// the tool id, kept in this order because the settings keep a copy of them.
struct PenTipBlock {
    double hRadius;             // tip half width
    double vRadius;             // tip half height
    int32_t spare0[2];
    int32_t squaredRadii[3];    // trunc(h)^2, trunc(v)^2 and their product
    int32_t spare1;
    int32_t tipShape;           // TipShape (pen_tip.h)
    DibImage* planes[2];        // high and low byte of the tip coverage
    int32_t rebuild;            // nonzero: planes rebuilt before the next dab
    int32_t angle;              // tip rotation in degrees
    int32_t spare2;
};

// The pen's colour, opacity and the colour panel's gauge model are PenColour,
// PenOpacity and PenColourGaugeModel (image/pen_colour.h).
struct PenState {
    VmsImage* brushImages[4];                     // brush, its transparency, snapshot/effect, its transparency
    VmsImage* rollerFrames[kRollerFrameSlots];    // roller stamp frames; null after the last
    VmsImage* rollerAlpha[kRollerFrameSlots];     // their transparency images
    int32_t spare0;
    int32_t drawingMode;
    int32_t density;                              // 0..255
    int32_t spare1;
    PenTipBlock tip;
    int32_t tool;                                 // CurrentTool: the command id of the tool
    int32_t dabCount;                             // dabs of the current stroke or shape
    int32_t imageBrushOn;                         // a fancy-pen stamp is the brush
    int32_t dabDelay;                             // milliseconds before each dab
    int32_t selectionFlag;                        // pen rows honour the selection mask
    int32_t masksOff;                             // mask planes protect nothing
    int32_t penRecord;                            // current PenRecord 0..99
    VmsImage* snapshotPlanes[2];                  // plane images current when the snapshot was taken
    int32_t effectX, effectY;                     // plane offset of brush images 2 and 3
    int32_t options[kPenOptionWords];
};

extern PenState Pen;
// Snapshot flag: brush images 2 and 3 hold a snapshot (kept in the settings).
extern int PenSnapshotFlag;

// Start values of the pen: opacity and density 255, mode 0, masks on, no delay,
// options cleared, record 0, tip shape 2 (until the first record load).
void ResetPenState();

// Pen tool ids.
constexpr int kToolPen = 20005;
constexpr int kToolLine = 20015;
constexpr int kToolBoxFill = 20016;
constexpr int kToolEllipseFill = 20017;
constexpr int kToolPolygonFill = 20018;
constexpr int kToolBoxOutline = 20019;
constexpr int kToolEllipseOutline = 20020;
constexpr int kToolClone = 20023;
constexpr int kToolShapePoints = 20025;
constexpr int kToolSnapshot = 20518;
constexpr int kToolImageBrush = 20000;
constexpr int kToolPicker = 20519;
// 1 for the tools that paint with the pen.
int IsPenTool(int tool);

// Sets the colour from one model (0 RGB, 1 CMY, 2 HSV, 3 HLS: a, b, c in that
// model's order) and derives the others, without telling the colour's
// listeners (a pen that borrows a colour for a moment).
void SetPenColour(int model, int a, int b, int c);

// One stored pen (64 bytes, 100 of them in pen.dat).
struct PenRecord {
    double halfWidth;        // 0: pen width = 2 x radius + 1; 1..127 after a load
    double halfHeight;       // 8
    int32_t tipKind;         // 16: 0..4 after a load (6 kinds in the editor)
    uint8_t edgeColour[4];   // 20: R, G, B, 0 of an edge pen
    double innerFactor;      // 24: the edge pen's second pass uses radius x factor x 0.1
    uint8_t rest[32];        // 32: kept unchanged
};
static_assert(sizeof(PenRecord) == 64, "PenRecord is 64 bytes");

extern PenRecord PenRecords[kPenRecordCount];

// The clamps applied to every record read from pen.dat.
void ClampPenRecord(PenRecord* pen);

// Tablet pressure 0..255 mapped to its effect: PressureCurve[i] =
// trunc(255 x (i / 255)^k), k = ln(70/255) / ln(128/255), so that the middle
// pressure gives 70.
extern int PressureCurve[256];
// The value at the middle pressure (16..200, 70 at start; the pressure
// dialog changes it): k = ln(point/255) / ln(128/255).
extern int PressureCurvePoint;
void BuildPressureCurve();
