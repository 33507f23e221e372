#include "app/ui/frame_link.h"

int AreaBlurAmount;
