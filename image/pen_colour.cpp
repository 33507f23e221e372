#include "image/pen_colour.h"

ColourModels PenColour;
int PenColourGaugeModel;
int PenOpacity = 255;

namespace {
PenColourListener g_listeners[kPenColourListenerCount];

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
}  // namespace

void SetPenColourListener(PenColourListenerSlot slot, PenColourListener listener) {
    if (slot >= 0 && slot < kPenColourListenerCount) g_listeners[slot] = listener;
}

void UpdateColourModels(int changedModel) {
    SyncColourModels(&PenColour, changedModel);
    for (PenColourListener listener : g_listeners)
        if (listener) listener();
}

void SetPenColourRgb(int red, int green, int blue) {
    PenColour.red = Clamp255(red);
    PenColour.green = Clamp255(green);
    PenColour.blue = Clamp255(blue);
    UpdateColourModels(0);
}
