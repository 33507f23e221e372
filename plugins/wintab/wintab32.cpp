// A test tablet: a wintab32.dll that reports one pressure device and replays
// the packets of a script, one packet a WTPacketsGet call. Used only in the
// test prefix (a DLL override; exported without decoration, --kill-at);
// without DARNA_WINTAB_SCRIPT it reports no
// tablet service, as a machine without a tablet does. Built a second time
// without WTQueueSizeSet (DARNA_WINTAB_WITHOUT_QUEUE_SIZE), as an older
// driver's library.
//
// Script lines (blank lines and lines starting with # are skipped):
//   axis MIN MAX                 the normal-pressure axis (0 1023 by default)
//   marks RELEASE PRESS          the pen's pressure-button marks (0 0)
//   interval MS                  each packet handed out MS milliseconds after
//                                the call asks for it (a tablet's packet rate)
//   CURSOR BUTTONS X Y PRESSURE TANGENT AZIMUTH ALTITUDE   one packet; a
//                                negative ALTITUDE is the pen turned over (its
//                                eraser end down), usually with its own CURSOR
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "paint/wintab_records.h"

namespace {

struct Script {
    bool loaded = false;
    LONG axisMin = 0, axisMax = 1023;
    UINT marks[2] = {0, 0};
    DWORD interval = 0;
    std::vector<wintab::Packet> packets;
    size_t next = 0;
} g_Script;

// The enabling calls in order ("O" overlap to the top, "E" enable, "D"
// disable), read and emptied through WTInfoA category 9999. Category 9998
// reads the script again (a driver whose facts changed, as a new pen or a
// changed device setting makes them).
std::string g_Calls;

bool LoadScript() {
    g_Script = Script();
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("DARNA_WINTAB_SCRIPT", path, sizeof path);
    if (n == 0 || n >= sizeof path) return false;
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        if (line[0] == '#' || line[0] == '\n' || line[0] == '\r') continue;
        long a = 0, b = 0;
        if (std::sscanf(line, "axis %ld %ld", &a, &b) == 2) {
            g_Script.axisMin = a;
            g_Script.axisMax = b;
            continue;
        }
        if (std::sscanf(line, "marks %ld %ld", &a, &b) == 2) {
            g_Script.marks[0] = (UINT)a;
            g_Script.marks[1] = (UINT)b;
            continue;
        }
        if (std::sscanf(line, "interval %ld", &a) == 1) {
            g_Script.interval = a > 0 ? (DWORD)a : 0;
            continue;
        }
        wintab::Packet p = {};
        long v[8];
        if (std::sscanf(line, "%ld %ld %ld %ld %ld %ld %ld %ld", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                        &v[7]) == 8) {
            p.cursor = (UINT)v[0];
            p.buttons = (DWORD)v[1];
            p.x = v[2];
            p.y = v[3];
            p.normalPressure = (UINT)v[4];
            p.tangentPressure = (UINT)v[5];
            p.azimuth = (int)v[6];
            p.altitude = (int)v[7];
            g_Script.packets.push_back(p);
        }
    }
    std::fclose(f);
    g_Script.loaded = true;
    return true;
}

UINT Put(LPVOID out, const void* data, UINT size) {
    if (out) std::memcpy(out, data, size);
    return size;
}

}  // namespace

extern "C" {

__declspec(dllexport) UINT WINAPI WTInfoA(UINT category, UINT index, LPVOID output) {
    if (!g_Script.loaded && !LoadScript()) return 0;
    if (category == 0) return 1;
    if (category == 9998) return LoadScript() ? 1 : 0;
    if (category == 9999) {
        const UINT n = Put(output, g_Calls.c_str(), (UINT)g_Calls.size() + 1);
        g_Calls.clear();
        return n;
    }
    if (category == wintab::InfoInterface && index == wintab::IfcSpecVersion) {
        const WORD version = 0x0104;   // 1.4
        return Put(output, &version, sizeof version);
    }
    if (category == wintab::InfoDefSysContext) {
        wintab::LogContextA ctx = {};
        std::strcpy(ctx.name, "Test tablet");
        ctx.inExtX = ctx.outExtX = 10000;
        ctx.inExtY = ctx.outExtY = 10000;
        ctx.btnDnMask = 1;
        return Put(output, &ctx, sizeof ctx);
    }
    if (category >= wintab::InfoDevices && category < wintab::InfoCursors) {
        if (index == wintab::DvcNPressure) {
            wintab::Axis axis = {g_Script.axisMin, g_Script.axisMax, 0, 0};
            return Put(output, &axis, sizeof axis);
        }
        if (index == wintab::DvcTPressure) {
            wintab::Axis axis = {0, 255, 0, 0};
            return Put(output, &axis, sizeof axis);
        }
        if (index == wintab::DvcOrientation) {
            wintab::Axis axes[3] = {{0, 3599, 0, 0}, {-900, 900, 0, 0}, {0, 3599, 0, 0}};
            return Put(output, axes, sizeof axes);
        }
        return 0;
    }
    if (category >= wintab::InfoCursors) {
        if (index == wintab::CsrNPButton) {
            BYTE button = 0;
            return Put(output, &button, 1);
        }
        if (index == wintab::CsrNPBtnMarks) return Put(output, g_Script.marks, sizeof g_Script.marks);
        return 0;
    }
    return 0;
}

__declspec(dllexport) wintab::Context WINAPI WTOpenA(HWND, wintab::LogContextA*, BOOL) {
    if (!LoadScript()) return nullptr;
    return (wintab::Context)&g_Script;
}

__declspec(dllexport) BOOL WINAPI WTClose(wintab::Context) { return TRUE; }
#ifndef DARNA_WINTAB_WITHOUT_QUEUE_SIZE
__declspec(dllexport) BOOL WINAPI WTQueueSizeSet(wintab::Context, int) { return TRUE; }
#endif
__declspec(dllexport) BOOL WINAPI WTEnable(wintab::Context, BOOL enable) {
    g_Calls += enable ? 'E' : 'D';
    return TRUE;
}
__declspec(dllexport) BOOL WINAPI WTOverlap(wintab::Context, BOOL toTop) {
    if (toTop) g_Calls += 'O';
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI WTGetA(wintab::Context, wintab::LogContextA* out) {
    if (out) std::memset(out, 0, sizeof *out);
    return TRUE;
}

__declspec(dllexport) int WINAPI WTPacketsGet(wintab::Context, int max, LPVOID packets) {
    if (max <= 0 || !packets || g_Script.next >= g_Script.packets.size()) return 0;
    if (g_Script.interval) Sleep(g_Script.interval);
    std::memcpy(packets, &g_Script.packets[g_Script.next++], sizeof(wintab::Packet));
    return 1;
}

}  // extern "C"
