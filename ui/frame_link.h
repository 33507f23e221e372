// Links from the editor's subsystems up to the frame's instruments: the
// area-blur amount of the pen option bar that the selection code reads. (The
// canvas reaches the status bar through its CanvasHost callbacks.)
#pragma once

// Blur of the selection's edge, 0..20, set on the pen option bar.
extern int AreaBlurAmount;
