#include "paint/tablet.h"

#include <cstring>

#include "image/pen_colour.h"
#include "image/product_table.h"
#include "paint/pen_state.h"
#include "paint/pen_tip.h"
#include "paint/wintab_records.h"
#include "ui/msgbox.h"

TabletOptions Tablet = {.opacity = 0, .density = 0, .size = 0, .tilt = 0};

namespace {

constexpr int kQueueSize = 4;
constexpr int kRingSize = 4;

struct TabletState {
    int state = 0;   // 0 off, 2 on
    HMODULE library = nullptr;
    wintab::InfoFn info = nullptr;
    wintab::OpenFn open = nullptr;
    wintab::CloseFn close = nullptr;
    wintab::QueueSizeSetFn queueSizeSet = nullptr;
    wintab::PacketsGetFn packetsGet = nullptr;
    wintab::EnableFn enable = nullptr;
    wintab::GetFn get = nullptr;
    wintab::OverlapFn overlap = nullptr;
    wintab::Context context = nullptr;
    wintab::Packet packets[kQueueSize] = {};
    LONG pressureMin = 0, pressureMax = 1023;
    LONG tangentMax = 0;
    // The current cursor's pressure button, its press mark and the range above it.
    int cursor = -1;
    int pressureButton = 0;
    LONG pressMark = 0;
    LONG range = 1023;
    int lastPressure = 0, lastAltitude = 0;
    // Averaging ring.
    int ring[kRingSize] = {};
    int ringCount = 0, ringSum = 0;
    DWORD ringTick = 0;
} g_Tab;

// The pen before the current tablet sample changed it.
PenState g_SavedPen;
bool g_SavedValid;
bool g_FirstTaken;

template <typename F>
bool Bind(F* slot, const char* name) {
    *slot = (F)(void*)GetProcAddress(g_Tab.library, name);
    return *slot != nullptr;
}

void Unbind() {
    if (g_Tab.library) FreeLibrary(g_Tab.library);
    g_Tab = TabletState();
}

}  // namespace

void c_Tablet::Init(HWND window) {
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    g_Tab.state = 0;
    Open(window);
}

int c_Tablet::Open(HWND window) {
    if (g_Tab.state) return 1;
    g_Tab.library = LoadLibraryA("wintab32.dll");
    if (!g_Tab.library) return 0;
    bool all = Bind(&g_Tab.info, "WTInfoA") & Bind(&g_Tab.open, "WTOpenA") & Bind(&g_Tab.close, "WTClose") &
               Bind(&g_Tab.packetsGet, "WTPacketsGet") & Bind(&g_Tab.enable, "WTEnable") &
               Bind(&g_Tab.get, "WTGetA") & Bind(&g_Tab.overlap, "WTOverlap");
    // A library without the queue-size call says so; the tablet then works
    // with the driver's own queue, of which each poll reads at most four.
    if (!Bind(&g_Tab.queueSizeSet, "WTQueueSizeSet")) ShowMessageBox(window, "error1", "test", kMsgOk);
    // A library without the calls a stroke needs is not used at all.
    if (!all || !g_Tab.info(0, 0, nullptr)) {
        Unbind();
        return 0;
    }
    wintab::LogContextA ctx = {};
    if (!g_Tab.info(wintab::InfoDefSysContext, 0, &ctx)) {
        Unbind();
        return 0;
    }
    std::strncpy(ctx.name, "DarnaStudio by Ansel Varo", sizeof ctx.name - 1);
    ctx.pktData = wintab::kPacketData;
    ctx.pktMode = 0;
    ctx.moveMask = wintab::kPacketData;
    ctx.btnUpMask = ctx.btnDnMask;
    ctx.outOrgX = 0;
    ctx.outOrgY = 0;
    ctx.outExtX = GetSystemMetrics(SM_CXSCREEN);
    ctx.outExtY = -GetSystemMetrics(SM_CYSCREEN);
    g_Tab.context = g_Tab.open(window, &ctx, TRUE);
    if (!g_Tab.context) {
        Unbind();
        return 0;
    }
    g_Tab.state = 2;
    if (g_Tab.queueSizeSet) g_Tab.queueSizeSet(g_Tab.context, kQueueSize);
    wintab::Axis pressure = {}, tangent = {}, orientation[3] = {};
    if (g_Tab.info(wintab::InfoDevices, wintab::DvcNPressure, &pressure)) {
        g_Tab.pressureMin = pressure.min;
        g_Tab.pressureMax = pressure.max;
        g_Tab.range = pressure.max - pressure.min;
    }
    if (g_Tab.info(wintab::InfoDevices, wintab::DvcTPressure, &tangent)) g_Tab.tangentMax = tangent.max;
    g_Tab.info(wintab::InfoDevices, wintab::DvcOrientation, orientation);
    if (orientation[0].min == orientation[0].max || orientation[1].min == orientation[1].max) Tablet.tilt = 0;
    return 1;
}

void c_Tablet::Close() {
    if (g_Tab.state != 2) return;
    g_Tab.close(g_Tab.context);
    Unbind();
}

int c_Tablet::IsOn() { return g_Tab.state == 2; }

int c_Tablet::Enable(int on) {
    if (g_Tab.state != 2) return 0;
    if (on) g_Tab.overlap(g_Tab.context, TRUE);
    return g_Tab.enable(g_Tab.context, on ? TRUE : FALSE) ? 1 : 0;
}

int c_Tablet::SpecVersion(int* major, int* minor) {
    WORD version = 0;
    if (g_Tab.state != 2 || !g_Tab.info(wintab::InfoInterface, wintab::IfcSpecVersion, &version)) return 0;
    *major = version >> 8;
    *minor = version & 255;
    return 1;
}

void c_Tablet::ReadCursorInfo(int cursor) {
    if (cursor < 0) cursor = g_Tab.cursor;
    if (g_Tab.state != 2 || cursor < 0) return;
    g_Tab.cursor = cursor;
    BYTE button = 0;
    g_Tab.info(wintab::InfoCursors + cursor, wintab::CsrNPButton, &button);
    BYTE map[32] = {};
    UINT mapLength = g_Tab.info(wintab::InfoCursors + cursor, wintab::CsrButtonMap, map);
    g_Tab.pressureButton = button < mapLength && button < sizeof map ? map[button] : button;
    wintab::LogContextA ctx = {};
    g_Tab.get(g_Tab.context, &ctx);
    wintab::Axis pressure = {};
    if (g_Tab.info(wintab::InfoDevices + ctx.device, wintab::DvcNPressure, &pressure)) {
        g_Tab.pressureMin = pressure.min;
        g_Tab.pressureMax = pressure.max;
    }
    UINT marks[2] = {0, 0};
    g_Tab.info(wintab::InfoCursors + cursor, wintab::CsrNPBtnMarks, marks);
    g_Tab.pressMark = (LONG)marks[1];
    g_Tab.range = g_Tab.pressureMax - g_Tab.pressMark;
}

int c_Tablet::ScalePressure(UINT raw, DWORD buttons) {
    bool pressed = g_Tab.pressureButton < 32 && (buttons >> g_Tab.pressureButton & 1);
    LONG base = pressed ? g_Tab.pressMark : g_Tab.pressureMin;
    long long value = (long long)raw - base;
    LONG range = g_Tab.range > 1 ? g_Tab.range : 1;
    long long scaled = value * 255 / range;
    return scaled < 0 || scaled > 255 ? -1 : (int)scaled;
}

int c_Tablet::Poll(int* pressure, int* altitude, int* azimuth, int* tangent, int first) {
    if (first) g_Tab.lastPressure = g_Tab.lastAltitude = 0;
    if (g_Tab.state != 2) return 0;
    g_Tab.overlap(g_Tab.context, TRUE);
    int n = g_Tab.packetsGet(g_Tab.context, kQueueSize, g_Tab.packets);
    if (n <= 0) {
        *pressure = g_Tab.lastPressure;
        *altitude = g_Tab.lastAltitude;
        if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000) && g_Tab.lastPressure > 0) --g_Tab.lastPressure;
        return 0;
    }
    if (n > kQueueSize) n = kQueueSize;
    const wintab::Packet* used = &g_Tab.packets[0];
    for (int i = 0; i < n; ++i)
        if (g_Tab.packets[i].buttons) {
            used = &g_Tab.packets[i];
            break;
        }
    *azimuth = g_Tab.packets[0].azimuth;
    *altitude = g_Tab.packets[0].altitude;
    *tangent = (int)(g_Tab.tangentMax - (LONG)used->tangentPressure);
    if ((int)used->cursor != g_Tab.cursor) ReadCursorInfo((int)used->cursor);
    int p = ScalePressure(used->normalPressure, used->buttons);
    // A value out of range keeps the last good one.
    if (p < 0) p = first ? 0 : g_Tab.lastPressure;
    if (!(used->buttons & 1)) p = 0;
    *pressure = p;
    g_Tab.lastPressure = p;
    g_Tab.lastAltitude = *altitude;
    return 1;
}

int c_Tablet::GetPressure(int* pressure, int* altitude, int* azimuth, int* tangent, int first) {
    int p = 0;
    if (!Poll(&p, altitude, azimuth, tangent, first)) {
        *pressure = g_Tab.ringCount ? (g_Tab.ringSum + g_Tab.ringCount / 2) / g_Tab.ringCount : p;
        return 0;
    }
    if (first) {
        g_Tab.ring[0] = p;
        g_Tab.ringCount = 1;
        g_Tab.ringSum = p;
        g_Tab.ringTick = GetTickCount();
        *pressure = p;
        return 1;
    }
    DWORD tick = GetTickCount();
    if (tick != g_Tab.ringTick) {
        g_Tab.ringTick = tick;
        if (g_Tab.ringCount == kRingSize) {
            g_Tab.ringSum -= g_Tab.ring[0];
            std::memmove(g_Tab.ring, g_Tab.ring + 1, sizeof(int) * (kRingSize - 1));
            --g_Tab.ringCount;
        }
        g_Tab.ring[g_Tab.ringCount++] = p;
        g_Tab.ringSum += p;
    }
    *pressure = (g_Tab.ringSum + g_Tab.ringCount / 2) / g_Tab.ringCount;
    return 1;
}

int c_Tablet::StartSample(int* pressure, int* altitude) {
    if (g_Tab.state != 2) return 0;
    int azimuth = 0, tangent = 0;
    return GetPressure(pressure, altitude, &azimuth, &tangent, 1);
}

void c_Tablet::Drain() {
    if (g_Tab.state != 2) return;
    while (g_Tab.packetsGet(g_Tab.context, kQueueSize, g_Tab.packets) > 0) {
    }
}

int TabletOptionCount() { return (Tablet.opacity != 0) + (Tablet.density != 0) + (Tablet.size != 0); }

void ApplyPressureToPen(int pressure, const TabletOptions& options) {
    pressure = pressure < 0 ? 0 : pressure > 255 ? 255 : pressure;
    int curve = PressureCurve[pressure];
    if (options.opacity || options.size) PenOpacity = ProductTable[PenOpacity & 255][curve];
    if (options.density) Pen.density = ProductTable[Pen.density & 255][curve];
    if (options.size) {
        double h = pressure * Pen.tip.hRadius / 255, v = pressure * Pen.tip.vRadius / 255;
        Pen.tip.hRadius = h < 0.5 ? 0.5 : h;
        Pen.tip.vRadius = v < 0.5 ? 0.5 : v;
        BuildPenTip(0, 0);
    }
}

namespace {
int g_SavedOpacity;
}

int ApplyPenPressure(int first, int pressure, int optionCount) {
    if (g_Tab.state != 2) return 0;
    if (!first && !g_FirstTaken) return 0;
    g_SavedPen = Pen;
    g_SavedOpacity = PenOpacity;
    if (first) {
        g_FirstTaken = true;
        g_SavedValid = true;
    }
    if (!optionCount) return pressure > 0;
    ApplyPressureToPen(pressure, Tablet);
    return pressure > 0;
}

void RestorePenState() {
    if (g_Tab.state != 2 || !g_SavedValid) return;
    // The tip planes belong to the tip builder: they stay as they are.
    DibImage* planes[2] = {Pen.tip.planes[0], Pen.tip.planes[1]};
    Pen = g_SavedPen;
    Pen.tip.planes[0] = planes[0];
    Pen.tip.planes[1] = planes[1];
    PenOpacity = g_SavedOpacity;
    c_PenTip::TipChanged();
}

int TabletCurveDrag(int start, int dy) {
    int v = start + 10 * dy;
    return v < 16 ? 16 : v > 200 ? 200 : v;
}
