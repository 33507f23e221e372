#include "ui/frame_link.h"

int AreaBlurAmount;
