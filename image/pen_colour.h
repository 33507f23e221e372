// The current drawing colour of the editor (PenColour), the pen's opacity and
// the model the colour panel's gauges show. Owned here, below the painting code and the frame, so
// that the pen reads the colour the panels set without either including the
// other. Whoever changes PenColour calls UpdateColourModels with the model that
// changed; the listeners (the frame's swatch, the pen's cached colour images)
// are told after the models are made consistent.
#pragma once
#include "image/colour_model.h"

extern ColourModels PenColour;
// The pen's opacity, 0 (clear) .. 255 (opaque); set by the pen option bar's gauge.
extern int PenOpacity;
// Model shown by the colour panel's gauges: 0 RGB, 1 CMY, 2 HSV, 3 HLS.
extern int PenColourGaugeModel;

// Completes PenColour from the model that changed (0 RGB, 1 CMY, 2 HSV, 3 HLS),
// then calls every listener.
void UpdateColourModels(int changedModel);

// Sets PenColour to an RGB colour (channels clamped to 0..255) and completes it.
void SetPenColourRgb(int red, int green, int blue);

// Listeners told after every UpdateColourModels, one slot per owner.
enum PenColourListenerSlot {
    kPenColourFrame = 0,     // the frame's colour swatch on the pen option bar
    kPenColourPen = 1,       // the pen's cached colour images
    kPenColourListenerCount = 2,
};
typedef void (*PenColourListener)();
void SetPenColourListener(PenColourListenerSlot slot, PenColourListener listener);
