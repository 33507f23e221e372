// The Wintab records and numbers the tablet code uses, declared from the
// interface's published layout: the logical context, an axis, the packet of
// our packet-data mask, and the information categories asked for. Shared by
// the editor and the test tablet DLL in plugins/wintab.
#pragma once
#include <windows.h>

#include <cstdint>

namespace wintab {

typedef DWORD Fix32;
typedef void* Context;   // HCTX

struct LogContextA {
    char name[40];
    UINT options, status, locks, msgBase, device, pktRate;
    DWORD pktData, pktMode, moveMask, btnDnMask, btnUpMask;
    LONG inOrgX, inOrgY, inOrgZ, inExtX, inExtY, inExtZ;
    LONG outOrgX, outOrgY, outOrgZ, outExtX, outExtY, outExtZ;
    Fix32 sensX, sensY, sensZ;
    BOOL sysMode;
    int sysOrgX, sysOrgY, sysExtX, sysExtY;
    Fix32 sysSensX, sysSensY;
};
static_assert(sizeof(LogContextA) == 172, "LOGCONTEXTA is 172 bytes");

struct Axis {
    LONG min, max;
    UINT units;
    Fix32 resolution;
};
static_assert(sizeof(Axis) == 16, "AXIS is 16 bytes");

// The packet of data mask 0x1DE0, fields in the order of their bits.
struct Packet {
    UINT cursor;
    DWORD buttons;
    LONG x, y;
    UINT normalPressure;
    UINT tangentPressure;
    int azimuth, altitude, twist;
};
static_assert(sizeof(Packet) == 36, "a packet is 36 bytes");

constexpr DWORD kPacketData = 0x1DE0;   // cursor, buttons, x, y, pressures, orientation

// Categories and indexes of WTInfoA.
enum : UINT {
    InfoInterface = 1,
    InfoDefSysContext = 4,
    InfoDevices = 100,
    InfoCursors = 200,
    IfcSpecVersion = 2,
    DvcNPressure = 15,
    DvcTPressure = 16,
    DvcOrientation = 17,
    CsrButtonMap = 7,
    CsrNPButton = 9,
    CsrNPBtnMarks = 10,
};

typedef UINT(WINAPI* InfoFn)(UINT category, UINT index, LPVOID output);
typedef Context(WINAPI* OpenFn)(HWND window, LogContextA* context, BOOL enable);
typedef BOOL(WINAPI* CloseFn)(Context context);
typedef BOOL(WINAPI* QueueSizeSetFn)(Context context, int size);
typedef int(WINAPI* PacketsGetFn)(Context context, int max, LPVOID packets);
typedef BOOL(WINAPI* EnableFn)(Context context, BOOL enable);
typedef BOOL(WINAPI* GetFn)(Context context, LogContextA* out);
typedef BOOL(WINAPI* OverlapFn)(Context context, BOOL toTop);

}  // namespace wintab
