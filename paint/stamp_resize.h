// The stamp resize dialogs: psv_texresize ("ファンシーペン") for one stamp and
// psv_kororesize ("コロコロペン") for the frames of a roller stamp. The user sets
// the size in percent, the spacing of the trail, and a turn (none, right 90,
// 180, left 90, free angle), watching the stamp laid as a zigzag trail. The
// dialog only chooses; the caller applies the values to its brush images.
#pragma once
#include <windows.h>

struct VmsImage;

struct StampResizeValues {
    int scale;     // percent, 10 .. StampScaleMax
    int spacing;   // percent of the stamp's height, 100..200
    int type;      // 0 none, 1 right 90, 2 180, 3 left 90, 4 free angle
    int angle;     // degrees, with type 4 (truncated)
};

// previews: the stamps multiplied by their transparency; masks: 255 minus the
// transparency. count 1 for a stamp. extra: the spacing row and the free
// angle are offered (a stamp with some transparency; rollers always). values
// in: the remembered scale and spacing; out: the choice. 1 OK, 0 cancel.
int ShowStampResizeDialog(HWND owner, int roller, VmsImage** previews, VmsImage** masks, int count, int extra,
                          StampResizeValues* values);

// Largest scale for a stamp whose largest side is side: the side may reach 500.
int StampScaleMax(int side);
// The slider's value for a press at x in a groove of that width, a multiple of 10.
int StampSliderValue(int x, int grooveWidth, int min, int max);
// Registers the preview classes when missing.
void RegisterStampResizeClasses(HINSTANCE instance);
LRESULT CALLBACK TexResizeViewWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
