// Adjustments written into the current plane of a canvas: the per-pixel
// weight every adjustment uses (selection mask, protect masks, pen opacity),
// the weighted write-back of an adjusted copy, the colour-correction executor
// on the layer, dodge, burn, colour temperature and the automatic tone
// balance.
#pragma once
#include <windows.h>

#include <cstdint>

#include "adjust/tone_curve.h"
#include "canvas/canv_doc.h"

// Weights of row y (canvas coordinates), columns x0..x1: P[P[s][T]][opacity]
// with s from the selection mask (when useMask) and, on a layer's image
// plane, its protect masks; T the tone mask's row of the chosen fades and
// screen tone over toneBox (canvas coordinates, inclusive).
void AdjustWeightRow(CanvDoc* doc, int y, int x0, int x1, int useMask, const RECT& toneBox, uint8_t* weights);
// The box the fades of an adjustment span: the committed selection's box, or
// the current plane's rectangle when nothing is selected.
RECT AdjustToneBox(const CanvDoc* doc);

// Mixes an adjusted copy (the current plane's size, 32 bits) into the current
// plane by the weights; the copy is not freed. 0 when the sizes differ.
int WeightedWriteBack(CanvDoc* doc, const VmsImage* adjusted, int useMask);

// A 32-bit copy of the current plane image, or null.
VmsImage* CopyCurrentPlane(CanvDoc* doc);
// Copies an open-time work copy back into the current plane image.
int RestoreCurrentPlane(CanvDoc* doc, const VmsImage* copy);

// The colour-correction executor on the current plane: each pixel through
// the record's mode and tables, weighted (selection always used).
void CrctExecLayer(CanvDoc* doc, const ToneCurveRecord* rec, const uint8_t (*channel)[256]);
// The colour correction's three passes (contrast and brightness, channels,
// vividness).
void ApplyBrContToLayer(CanvDoc* doc, const BrContValues& values);

// Dodge (burn 0) or burn (1) at level 0..40 and the colour temperature at
// level -20..20, through the weighted write-back. 0 without memory.
int ApplyDodgeBurnToLayer(CanvDoc* doc, int burn, int level);
int ApplyOndoToLayer(CanvDoc* doc, int level);

// Automatic tone balance.
struct ToneBalance {
    uint64_t counts[256];       // 64 bits: a 30,000 x 30,000 plane overflows 32
    uint64_t largest;
    int sixty, black, mid, white;
    int channelMode;            // 0 largest of R, G, B; 1 red; 2 green; 3 blue
};
extern ToneBalance ToneBalanceState;
void BuildToneHistogram(CanvDoc* doc, ToneBalance* tb);
int ToneBalanceValue(const ToneBalance& tb, int v);
// Histogram, mid-grey, the table applied to the current plane; 1.
int ApplyAutoToneBalance(CanvDoc* doc);
// The table of ToneBalanceState's points and channel mode applied to the
// current plane through the weights, with progress; 1.
int ApplyToneBalanceToPlane(CanvDoc* doc);
