#include "app/pen_env.h"

#include <cstring>

#include "app/colourdlg.h"
#include "app/envblock.h"
#include "app/globals.h"
#include "app/toolbar.h"
#include "canvas/canv_layers.h"
#include "paint/brush_editor.h"
#include "paint/pen_panel.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/pen_writer.h"
#include "paint/stroke.h"
#include "paint/tablet.h"

namespace {
// A pen chosen in the pen panel: the pen tool when no pen tool is current,
// and the stroke layer the canvas keeps for pens that want it.
void OnPenChosen(int) {
    if (!IsPenTool(CurrentTool)) PressToolButton(kToolPen);
    if (CanvDoc* doc = GetActiveCanvas()) PrepareStrokeLayer(doc, 0);
}

// A new colour ends the image brush and the snapshot.
void FreeBrushImagesOnColourChange() { c_PenWriter::FreeBrushImages(1, 0); }
}  // namespace

void PenStateFromEnv() {
    const EnvTipBlock& t = Env.tip;
    Pen.tip.hRadius = t.hRadius;
    Pen.tip.vRadius = t.vRadius;
    std::memcpy(Pen.tip.spare0, t.extra1, sizeof t.extra1);
    std::memcpy(Pen.tip.squaredRadii, t.squaredRadii, sizeof t.squaredRadii);
    Pen.tip.spare1 = t.extra2;
    Pen.tip.rebuild = t.rebuild;
    Pen.tip.spare2 = t.extra3;
    Tablet.opacity = Env.tabletSetting;
    Tablet.density = Env.tabletPressure;
    Tablet.size = Env.tabletPen[0];
    Tablet.tilt = Env.tabletPen[2];
    PressureCurvePoint = Env.pressurePoint;
    BuildPressureCurve();
    ResetPenState();   // tip planes null, angle 0, shape 2 until the record load
    Pen.tool = CurrentTool;
    Pen.selectionFlag = Env.penInsideSelection != 0;
    PenSnapshotFlag = Env.snapshotFlag;
    PenPanelPos = Env.penPanelPos;
    PenPanelSize = Env.penPanelSize;
    PressToolButtonHook = PressToolButton;
    BrushSwatchChangedHook = RedrawColourSwatch;
    SetPenColourListener(kPenColourPen, FreeBrushImagesOnColourChange);
    ChooseColourHook = ChooseColour;
    ColourPanelHost = &AppWindows.colourPanel;
    PenChosenHook = OnPenChosen;
    BuildPenTip(0, 1);
}

void PenStateToEnv() {
    EnvTipBlock& t = Env.tip;
    t.hRadius = Pen.tip.hRadius;
    t.vRadius = Pen.tip.vRadius;
    std::memcpy(t.extra1, Pen.tip.spare0, sizeof t.extra1);
    std::memcpy(t.squaredRadii, Pen.tip.squaredRadii, sizeof t.squaredRadii);
    t.extra2 = Pen.tip.spare1;
    t.tipShape = Pen.tip.tipShape;
    t.tipPlaneSlots[0] = t.tipPlaneSlots[1] = 0;
    t.rebuild = Pen.tip.rebuild;
    t.angle = Pen.tip.angle;
    t.extra3 = Pen.tip.spare2;
    Env.snapshotFlag = PenSnapshotFlag;
    Env.penInsideSelection = Pen.selectionFlag != 0;
    Env.tabletSetting = Tablet.opacity;
    Env.tabletPressure = Tablet.density;
    Env.tabletPen[0] = Tablet.size;
    Env.tabletPen[2] = Tablet.tilt;
    Env.pressurePoint = PressureCurvePoint;
}

void PenStateFree() {
    c_PenWriter::FreeBrushImages(1, 0);
    FreePenTip();
}
