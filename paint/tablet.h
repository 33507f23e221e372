// c_Tablet: the pen tablet through wintab32.dll (loaded at run time): the
// system context on the frame, packets read by polling during strokes and
// turned into a pressure of 0..255 (with altitude, azimuth and tangent
// pressure); ApplyPenPressure and RestorePenState, which let that pressure
// change the pen for one sample; the tablet options and the pressure dialog.
#pragma once
#include <windows.h>

#include <cstdint>

// The tablet options the frame keeps in its settings block.
struct TabletOptions {
    int32_t opacity;      // pressure changes the opacity
    int32_t density;      // pressure changes the density
    int32_t size;         // pressure changes the tip size
    int32_t tilt;         // cleared when the tablet reports no azimuth or altitude
};
extern TabletOptions Tablet;

class c_Tablet {
public:
    // At frame creation: binds the library and opens the context on window.
    static void Init(HWND window);
    static int Open(HWND window);   // 1 when on
    static void Close();
    static int IsOn();
    // The context enabled (brought to the top of the overlap order first) or
    // disabled: 1 when the driver agreed, 0 also while the tablet is off.
    static int Enable(int on);
    // The Wintab specification version of the driver (high byte major, low
    // byte minor): 1 with both, 0 while the tablet is off.
    static int SpecVersion(int* major, int* minor);
    // One packet: 1 with a sample. With first the last values restart.
    static int Poll(int* pressure, int* altitude, int* azimuth, int* tangent, int first);
    // The pressure averaged over up to four samples of different ticks.
    static int GetPressure(int* pressure, int* altitude, int* azimuth, int* tangent, int first);
    // The first sample of a stroke (GetPressure with first): 1 when the
    // tablet gave one, which makes the stroke a tablet stroke.
    static int StartSample(int* pressure, int* altitude);
    // The pen's cursor changed: its pressure button and marks are read again
    // (cursor -1: those of the current cursor, when the tablet's facts changed).
    static void ReadCursorInfo(int cursor);
    // Empties the packet queue (after a stroke).
    static void Drain();
    // Scales a raw normal pressure to 0..255 with the current cursor's marks;
    // -1 when the result falls outside (the caller keeps its last value).
    static int ScalePressure(UINT raw, DWORD buttons);
};

// Around each tablet sample of a stroke: the pen is saved (first sample) and
// its opacity, density and size set from the pressure; 1 when the pressure is
// above 0. optionCount: how many of the three options are on.
int ApplyPenPressure(int first, int pressure, int optionCount);
void RestorePenState();
// Number of pressure options switched on.
int TabletOptionCount();
// The pen for one sample without the tablet code's own state (tests and the
// benchmark): the options given, the pen saved by the caller.
void ApplyPressureToPen(int pressure, const TabletOptions& options);

// The modeless pressure dialog (dra_tablet): opened when closed, closed when
// open; the handle or null. closeCommand is sent to owner when it closes.
HWND ToggleTabletDialog(HWND owner, HWND current, UINT closeCommand);
// A drag of dy pixels upward from parameter start (16..200).
int TabletCurveDrag(int start, int dy);
