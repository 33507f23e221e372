#include "canvas/screen_row.h"

c_ScreenRow g_ScreenRow;
