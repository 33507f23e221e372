#include "fileio/twain.h"

#include <cstdint>
#include <cstring>

#include "fileio/host_util.h"
#include "fileio/twain_proto.h"
#include "ui/msgbox.h"

using namespace twain;

namespace {

constexpr int kMaxSources = 100;
constexpr int kMaxSide = 30000;   // the largest canvas side
constexpr DWORD kHeaderRoom = 40 + 256 * 4;

struct TwainState {
    Identity app{};
    Identity source{};
    HWND parent = nullptr;
    HMODULE library = nullptr;
    DsmEntryProc entry = nullptr;
    bool managerOpen = false;
    bool sourceOpen = false;
    bool sourceEnabled = false;
    uint16_t transferFlag = 0;
    UserInterface ui{};
} g_Twain;

char g_SourceList[kMaxSources][256];
int g_SourceCount = 0;

uint16_t Dsm(Identity* dest, uint32_t dg, uint16_t dat, uint16_t msg, void* data) {
    if (!g_Twain.entry) return TWRC_FAILURE;
    return g_Twain.entry(&g_Twain.app, dest, dg, dat, msg, data);
}
uint16_t ToSource(uint32_t dg, uint16_t dat, uint16_t msg, void* data) {
    return Dsm(&g_Twain.source, dg, dat, msg, data);
}

void CopyName(char* to, size_t size, const char* from) {
    size_t n = strnlen(from, size - 1);
    std::memcpy(to, from, n);
    to[n] = 0;
}

// A one-value capability of 16 bits: 1 with the value when the source gave one.
int GetOneValue16(uint16_t cap, uint16_t conType, uint32_t* value, uint16_t* gotType) {
    Capability c{cap, conType, nullptr};
    if (ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c) != TWRC_SUCCESS || !c.container) return 0;
    int ok = 0;
    if (GlobalSize(c.container) >= sizeof(OneValue)) {
        if (const OneValue* v = (const OneValue*)GlobalLock(c.container)) {
            *value = v->item;
            ok = 1;
            GlobalUnlock(c.container);
        }
    }
    if (gotType) *gotType = c.conType;
    GlobalFree(c.container);
    return ok;
}

// Pixels per metre from a resolution in the source's unit.
LONG PixelsPerMetre(Fix32 resolution, int unitKnown, uint32_t unit) {
    const double r = resolution.whole + resolution.frac / 65536.0;
    if (!unitKnown) return 0;
    if (unit == TWUN_INCHES) return (LONG)(r * 100 / 2.54);
    if (unit == TWUN_CENTIMETERS) return (LONG)(r * 100);
    return 0;
}

// Reverses the top-down rows into bottom-up order; RGB bytes become BGR.
void FinishDib(BITMAPINFOHEADER* h, uint8_t* rows, DWORD stride, int pixelType) {
    const int height = h->biHeight, width = h->biWidth;
    if (pixelType == TWPT_RGB)
        for (int y = 0; y < height; ++y) {
            uint8_t* p = rows + (size_t)y * stride;
            for (int x = 0; x < width; ++x, p += 3) {
                uint8_t t = p[0];
                p[0] = p[2];
                p[2] = t;
            }
        }
    fileio::GlobalBlock temp(stride);
    uint8_t* t = temp.As<uint8_t>();
    if (!t) return;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(t, rows + (size_t)top * stride, stride);
        std::memcpy(rows + (size_t)top * stride, rows + (size_t)bottom * stride, stride);
        std::memcpy(rows + (size_t)bottom * stride, t, stride);
    }
}

bool AcceptedDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// Ends the current image: the count still pending (0 also when the call failed).
int EndTransfer() {
    PendingXfers pending{};
    if (ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) return 0;
    return pending.count;
}

void Refuse(HWND frame) {
    TwainShutdown();
    SendMessageA(frame, kTwainImageMessage, 0, 0);
    ShowMessageBox(frame, "サポートしていないカラーモードです。", kAppTitle, kMsgOk);
    SendMessageA(frame, kTwainClosedMessage, 0, 0);
}

// One image: 1 when more are pending, 0 when the loop ends.
int TransferOne(HWND frame) {
    ImageInfo info{};
    if (ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) return 0;
    if (!AcceptedDepth(info.bitsPerPixel) || info.imageWidth < 1 || info.imageLength < 1 ||
        info.imageWidth > kMaxSide || info.imageLength > kMaxSide) {
        // Nothing can be made of this image: the chain closes so that the next
        // acquisition starts from a closed manager.
        EndTransfer();
        Refuse(frame);
        return 0;
    }
    SetupMemXfer setup{};
    if (ToSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS || setup.preferred == 0) return 0;
    const uint64_t stride = ((uint64_t)info.bitsPerPixel * info.imageWidth + 31) / 32 * 4;
    const uint64_t image = stride * (uint64_t)info.imageLength;
    const uint64_t P = setup.preferred;
    const uint64_t S = P * (image / P + 1);
    if (S + kHeaderRoom > 0x7fffffffULL) return 0;
    HGLOBAL block = GlobalAlloc(GHND, (SIZE_T)(S + kHeaderRoom));
    if (!block) return 0;
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)GlobalLock(block);
    if (!h) {
        GlobalFree(block);
        return 0;
    }
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = info.imageWidth;
    h->biHeight = info.imageLength;
    h->biPlanes = 1;
    h->biBitCount = (WORD)info.bitsPerPixel;
    h->biCompression = BI_RGB;
    h->biSizeImage = (DWORD)S;
    uint32_t unit = 0;
    const int unitKnown = GetOneValue16(ICAP_UNITS, TWON_DONTCARE16, &unit, nullptr);
    h->biXPelsPerMeter = PixelsPerMetre(info.xResolution, unitKnown, unit);
    h->biYPelsPerMeter = PixelsPerMetre(info.yResolution, unitKnown, unit);

    RGBQUAD* table = (RGBQUAD*)(h + 1);
    const int maxColours = info.bitsPerPixel <= 8 ? 1 << info.bitsPerPixel : 0;
    switch (info.pixelType) {
    case TWPT_BW: {
        h->biClrUsed = 2;
        uint32_t flavour = 0;
        uint16_t type = 0;
        const bool vanilla = GetOneValue16(ICAP_PIXELFLAVOR, TWON_DONTCARE16, &flavour, &type) &&
                             type == TWON_ONEVALUE && flavour != 0;
        const BYTE first = vanilla ? 255 : 0, second = vanilla ? 0 : 255;
        table[0] = RGBQUAD{first, first, first, 0};
        table[1] = RGBQUAD{second, second, second, 0};
        break;
    }
    case TWPT_GRAY:
        h->biClrUsed = maxColours < 256 ? maxColours : 256;
        for (DWORD i = 0; i < h->biClrUsed; ++i) {
            BYTE v = (BYTE)(h->biClrUsed > 1 ? i * 255 / (h->biClrUsed - 1) : 0);
            table[i] = RGBQUAD{v, v, v, 0};
        }
        break;
    case TWPT_RGB:
        h->biClrUsed = 0;
        break;
    default: {
        Palette8 palette{};
        if (ToSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette) == TWRC_SUCCESS && palette.numColors >= 1 &&
            palette.numColors <= 256) {
            h->biClrUsed = palette.numColors;
            for (int i = 0; i < palette.numColors; ++i)
                table[i] = RGBQUAD{palette.colors[i].channel3, palette.colors[i].channel2, palette.colors[i].channel1, 0};
        } else {
            h->biClrUsed = 256;
            for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
        }
        break;
    }
    }
    if (info.bitsPerPixel == 24) h->biClrUsed = 0;
    if (maxColours && (int)h->biClrUsed > maxColours) h->biClrUsed = maxColours;

    uint8_t* rows = (uint8_t*)(table + h->biClrUsed);
    const uint64_t room = S;   // rows never run past the block's row room
    uint64_t written = 0;
    int pending = 0;
    bool done = false;
    if (ToSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) == TWRC_SUCCESS && setup.preferred == P) {
        for (;;) {
            const uint64_t left = room - written;
            ImageMemXfer x{};
            x.memory.flags = TWMF_APPOWNS | TWMF_POINTER;
            x.memory.length = (uint32_t)(left < P ? left : P);
            x.memory.theMem = rows + written;
            const uint16_t rc = ToSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
            // A source that claims more than the room it was given has overrun it.
            if ((rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) && x.bytesWritten > x.memory.length) break;
            if (rc == TWRC_SUCCESS) {
                written += x.bytesWritten;
                if (x.bytesWritten == 0 || written >= room) break;   // no progress or no room left
                continue;
            }
            if (rc == TWRC_XFERDONE) {
                written += x.bytesWritten;
                done = true;
            }
            break;
        }
    }
    if (done) {
        FinishDib(h, rows, (DWORD)stride, info.pixelType);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        pending = EndTransfer();
        if (pending == 0) g_Twain.transferFlag = 0;
        GlobalUnlock(block);
        SendMessageA(frame, kTwainImageMessage, (WPARAM)block, 0);
        return pending != 0;
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    pending = EndTransfer();
    GlobalUnlock(block);
    GlobalFree(block);
    if (pending == 0) TwainShutdown();
    SendMessageA(frame, kTwainImageMessage, 0, 0);
    return pending != 0;
}

}  // namespace

int TwainInitIdentity(HWND frame) {
    Identity& a = g_Twain.app;
    a = Identity{};
    a.version.majorNum = 1;
    a.version.minorNum = 5;
    a.version.language = TWLG_USA;
    a.version.country = TWCY_USA;
    CopyName(a.version.info, sizeof a.version.info, "ver.1");
    a.protocolMajor = 1;
    a.protocolMinor = 5;
    a.supportedGroups = DG_CONTROL | DG_IMAGE;
    CopyName(a.manufacturer, sizeof a.manufacturer, "Ansel Varo");
    CopyName(a.productFamily, sizeof a.productFamily, "Ormel");
    CopyName(a.productName, sizeof a.productName, "Ormel App.");
    g_Twain.parent = frame;
    g_SourceCount = 0;
    g_SourceList[0][0] = 0;
    if (TwainLoadManager()) {
        Identity id{};
        uint16_t rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id);
        CopyName(g_SourceList[0], sizeof g_SourceList[0], id.productName);
        g_SourceCount = rc == TWRC_SUCCESS ? 1 : 0;
        while (rc == TWRC_SUCCESS && g_SourceCount < kMaxSources) {
            id = Identity{};
            rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id);
            if (rc != TWRC_SUCCESS) break;
            CopyName(g_SourceList[g_SourceCount++], sizeof g_SourceList[0], id.productName);
        }
        if (g_SourceCount < kMaxSources) g_SourceList[g_SourceCount][0] = 0;
        TwainCloseManager();
    }
    return 1;
}

int TwainLoadManager() {
    if (g_Twain.managerOpen) return 1;
    char path[MAX_PATH + 16];
    UINT n = GetWindowsDirectoryA(path, 160);
    if (n == 0 || n >= 160) return 0;
    if (path[n - 1] != '\\') lstrcatA(path, "\\");
    lstrcatA(path, "twain_32.dll");
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    HMODULE library = LoadLibraryA("twain_32.dll");
    if (!library) return 0;
    DsmEntryProc entry = (DsmEntryProc)(void*)GetProcAddress(library, MAKEINTRESOURCEA(1));
    if (!entry) {
        FreeLibrary(library);
        return 0;
    }
    g_Twain.library = library;
    g_Twain.entry = entry;
    HWND parent = g_Twain.parent;
    if (Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) != TWRC_SUCCESS) {
        g_Twain.entry = nullptr;
        g_Twain.library = nullptr;
        FreeLibrary(library);
        return 0;
    }
    g_Twain.managerOpen = true;
    return 1;
}

int TwainSelectSource() {
    if (g_Twain.sourceOpen) return 1;
    Identity id{};
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) {
        Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id);
        uint16_t rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id);
        if (rc != TWRC_SUCCESS) return rc;
        g_Twain.source = id;
        return rc;
    }
    static const char kPreferred[] = "Canon IXY DIGITAL USB";
    uint16_t rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id);
    bool found = false;
    while (rc == TWRC_SUCCESS) {
        if (std::memcmp(id.productName, kPreferred, sizeof kPreferred) == 0) {
            found = true;
            break;
        }
        rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id);
    }
    if (!found) {
        id = Identity{};
        rc = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id);
    } else {
        rc = TWRC_SUCCESS;
    }
    g_Twain.source = id;
    return rc;
}

int TwainCloseManager() {
    if (!g_Twain.managerOpen || g_Twain.sourceOpen) return 0;
    HWND parent = g_Twain.parent;
    if (Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent) != TWRC_SUCCESS) return 0;
    g_Twain.managerOpen = false;
    g_Twain.entry = nullptr;
    FreeLibrary(g_Twain.library);
    g_Twain.library = nullptr;
    g_Twain.source.id = 0;
    return 1;
}

int TwainOpenSource(const char* productName) {
    if (!g_Twain.managerOpen || g_Twain.sourceOpen) return 0;
    std::memset(g_Twain.source.productName, 0, sizeof g_Twain.source.productName);
    CopyName(g_Twain.source.productName, sizeof g_Twain.source.productName, productName ? productName : "");
    if (Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &g_Twain.source) != TWRC_SUCCESS) return 0;
    g_Twain.sourceOpen = true;
    return 1;
}

int TwainSetMemoryTransfer() {
    HGLOBAL container = GlobalAlloc(GHND, sizeof(OneValue));
    if (!container) return 0;
    OneValue* v = (OneValue*)GlobalLock(container);
    if (!v) {
        GlobalFree(container);
        return 0;
    }
    v->itemType = TWTY_UINT16;
    v->item = TWSX_MEMORY;
    GlobalUnlock(container);
    Capability c{ICAP_XFERMECH, TWON_ONEVALUE, container};
    const uint16_t rc = ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
    GlobalFree(container);
    return rc == TWRC_SUCCESS;
}

int TwainEnableSource(int showUI) {
    if (!g_Twain.sourceOpen || g_Twain.sourceEnabled) return 0;
    g_Twain.ui = UserInterface{(uint16_t)showUI, 0, g_Twain.parent};
    if (ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &g_Twain.ui) != TWRC_SUCCESS) return 0;
    g_Twain.sourceEnabled = true;
    return 1;
}

int TwainDisableSource() {
    if (!g_Twain.sourceEnabled) return 0;
    g_Twain.ui = UserInterface{255, 0, g_Twain.parent};
    if (ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &g_Twain.ui) != TWRC_SUCCESS) return 0;
    g_Twain.sourceEnabled = false;
    return 1;
}

int TwainCloseSource() {
    if (!g_Twain.sourceOpen || g_Twain.sourceEnabled) return 0;
    if (Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g_Twain.source) != TWRC_SUCCESS) return 0;
    g_Twain.sourceOpen = false;
    g_Twain.source.id = 0;
    std::memset(g_Twain.source.productName, 0, sizeof g_Twain.source.productName);
    return 1;
}

void TwainShutdown() {
    if (TwainDisableSource() && TwainCloseSource() && TwainCloseManager()) {}
    g_Twain.transferFlag = 0;
}

int TwainAcquire(HWND owner, int showUI, int transferFlag, const char* productName) {
    if (owner) g_Twain.parent = owner;
    g_Twain.transferFlag = 0;
    if (!TwainLoadManager()) return 0;
    if (!TwainOpenSource(productName)) {
        TwainCloseManager();
        return 0;
    }
    if (!TwainSetMemoryTransfer()) return 0;
    if (g_Twain.sourceEnabled) return 1;
    if (TwainEnableSource(showUI)) {
        g_Twain.transferFlag = (uint16_t)transferFlag;
        return 1;
    }
    if (TwainDisableSource() && TwainCloseSource() && TwainCloseManager()) g_Twain.transferFlag = 0;
    return 0;
}

int TwainProcessMessage(MSG* msg, HWND frame) {
    if (!g_Twain.managerOpen || !g_Twain.sourceOpen) return 0;
    Event event{msg, MSG_NULL};
    const uint16_t rc = ToSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.message == MSG_XFERREADY && g_Twain.transferFlag) {
        TwainTransferImage(frame);
        g_Twain.transferFlag = 1;
    } else if (event.message == MSG_CLOSEDSREQ) {
        if (TwainDisableSource()) {
            TwainCloseSource();
            TwainCloseManager();
        }
        SendMessageA(frame, kTwainClosedMessage, 0, 0);
    }
    return rc == TWRC_DSEVENT;
}

void TwainTransferImage(HWND frame) {
    fileio::WaitCursor wait;
    while (TransferOne(frame)) {}
}

int TwainSourceIsOpen() { return g_Twain.sourceOpen; }
int TwainManagerIsOpen() { return g_Twain.managerOpen; }
const char* TwainSourceName() { return g_Twain.source.productName; }

int TwainListSources(char (*names)[256], int max) {
    int n = 0;
    for (; n < g_SourceCount && n < max; ++n) CopyName(names[n], 256, g_SourceList[n]);
    if (n < max) names[n][0] = 0;
    return n;
}
