// The records and codes of the TWAIN 1.x protocol that the editor's scanner
// client and our own data source (plugins/twain) exchange through the source
// manager twain_32.dll. Records are packed on two bytes, as the protocol lays
// them out on Windows; fields that carry a pointer or handle are pointer-sized.
#pragma once
#include <windows.h>

#include <cstdint>

namespace twain {

#pragma pack(push, 2)
struct Fix32 {
    int16_t whole;
    uint16_t frac;
};
struct Version {
    uint16_t majorNum, minorNum, language, country;
    char info[34];
};
struct Identity {
    uint32_t id;
    Version version;
    uint16_t protocolMajor, protocolMinor;
    uint32_t supportedGroups;
    char manufacturer[34], productFamily[34], productName[34];
};
struct ImageInfo {
    Fix32 xResolution, yResolution;
    int32_t imageWidth, imageLength;
    int16_t samplesPerPixel;
    int16_t bitsPerSample[8];
    int16_t bitsPerPixel;
    uint16_t planar;
    int16_t pixelType;
    uint16_t compression;
};
struct SetupMemXfer {
    uint32_t minBufSize, maxBufSize, preferred;
};
struct Memory {
    uint32_t flags;
    uint32_t length;
    void* theMem;
};
struct ImageMemXfer {
    uint16_t compression;
    uint32_t bytesPerRow, columns, rows, xOffset, yOffset, bytesWritten;
    Memory memory;
};
struct Capability {
    uint16_t cap;
    uint16_t conType;
    HGLOBAL container;
};
struct OneValue {
    uint16_t itemType;
    uint32_t item;
};
struct UserInterface {
    uint16_t showUI;
    uint16_t modalUI;
    HWND parent;
};
struct Event {
    void* event;   // the MSG
    uint16_t message;
};
struct PendingXfers {
    uint16_t count;
    uint32_t reserved;
};
struct Element8 {
    uint8_t index, channel1, channel2, channel3;
};
struct Palette8 {
    uint16_t numColors;
    uint16_t paletteType;
    Element8 colors[256];
};
struct Status {
    uint16_t conditionCode;
    uint16_t reserved;
};
#pragma pack(pop)

static_assert(sizeof(Identity) == 156, "identity");
static_assert(sizeof(ImageInfo) == 42, "image information");
static_assert(sizeof(SetupMemXfer) == 12, "buffer sizes");
static_assert(sizeof(OneValue) == 6, "one-value container");
static_assert(sizeof(PendingXfers) == 6, "pending transfers");
static_assert(sizeof(Palette8) == 1028, "palette");
static_assert(sizeof(Memory) == 8 + sizeof(void*), "memory descriptor");
static_assert(sizeof(ImageMemXfer) == 26 + sizeof(Memory), "memory transfer");
static_assert(sizeof(Capability) == 4 + sizeof(void*), "capability");
static_assert(sizeof(UserInterface) == 4 + sizeof(void*), "user interface");

// Entry points: the manager's (export ordinal 1 of twain_32.dll) and a source's.
typedef uint16_t(WINAPI* DsmEntryProc)(Identity* origin, Identity* dest, uint32_t dg, uint16_t dat,
                                       uint16_t msg, void* data);
typedef uint16_t(WINAPI* DsEntryProc)(Identity* origin, uint32_t dg, uint16_t dat, uint16_t msg, void* data);

enum : uint32_t { DG_CONTROL = 1, DG_IMAGE = 2 };
enum : uint16_t {
    DAT_NULL = 0, DAT_CAPABILITY = 1, DAT_EVENT = 2, DAT_IDENTITY = 3, DAT_PARENT = 4,
    DAT_PENDINGXFERS = 5, DAT_SETUPMEMXFER = 6, DAT_STATUS = 8, DAT_USERINTERFACE = 9,
    DAT_IMAGEINFO = 0x0101, DAT_IMAGEMEMXFER = 0x0103, DAT_PALETTE8 = 0x0109,
};
enum : uint16_t {
    MSG_NULL = 0, MSG_GET = 1, MSG_GETCURRENT = 2, MSG_GETDEFAULT = 3, MSG_GETFIRST = 4, MSG_GETNEXT = 5,
    MSG_SET = 6, MSG_RESET = 7,
    MSG_XFERREADY = 0x0101, MSG_CLOSEDSREQ = 0x0102,
    MSG_OPENDSM = 0x0301, MSG_CLOSEDSM = 0x0302,
    MSG_OPENDS = 0x0401, MSG_CLOSEDS = 0x0402, MSG_USERSELECT = 0x0403,
    MSG_DISABLEDS = 0x0501, MSG_ENABLEDS = 0x0502,
    MSG_PROCESSEVENT = 0x0601, MSG_ENDXFER = 0x0701, MSG_RESETXFER = 0x0702,
};
enum : uint16_t {
    TWRC_SUCCESS = 0, TWRC_FAILURE = 1, TWRC_CHECKSTATUS = 2, TWRC_CANCEL = 3, TWRC_DSEVENT = 4,
    TWRC_NOTDSEVENT = 5, TWRC_XFERDONE = 6, TWRC_ENDOFLIST = 7,
};
enum : uint16_t { TWCC_SUCCESS = 0, TWCC_BUMMER = 1, TWCC_LOWMEMORY = 2, TWCC_BADCAP = 6, TWCC_BADPROTOCOL = 9,
                  TWCC_SEQERROR = 11 };
enum : uint16_t { TWON_ONEVALUE = 5, TWON_DONTCARE16 = 0xffff };
enum : uint16_t { TWTY_UINT16 = 4 };
enum : uint16_t { ICAP_UNITS = 0x0102, ICAP_XFERMECH = 0x0103, ICAP_PIXELFLAVOR = 0x111f };
enum : uint16_t { TWSX_MEMORY = 2 };
enum : uint16_t { TWUN_INCHES = 0, TWUN_CENTIMETERS = 1 };
enum : uint16_t { TWPF_CHOCOLATE = 0, TWPF_VANILLA = 1 };
enum : uint32_t { TWMF_APPOWNS = 1, TWMF_POINTER = 8 };
enum : int16_t { TWPT_BW = 0, TWPT_GRAY = 1, TWPT_RGB = 2, TWPT_PALETTE = 3 };
enum : uint16_t { TWLG_USA = 13, TWCY_USA = 1 };

}  // namespace twain
