// Our TWAIN data source ("Darna Test Scanner"): answers the identity,
// capability, user-interface, event, image-information, palette, pending
// transfers and buffered memory transfer messages of TWAIN 1.x, and tells the
// application through the source manager when a picture is ready and when it
// wants to be closed. The pictures come from SetScanPictures (scan_source.h);
// without any, enabling the source fails.
#include <windows.h>

#include <cstring>
#include <vector>

#include "fileio/twain_proto.h"
#include "plugins/twain/scan_source.h"

using namespace twain;
using scansource::ScanPicture;

namespace {

struct SourceState {
    Identity self{};
    Identity app{};
    bool open = false;
    bool enabled = false;
    std::vector<ScanPicture> pictures;   // pictures still to deliver, the current first
    int row = 0;                          // next row of the current picture
    bool transferring = false;
    uint16_t condition = TWCC_SUCCESS;
} g_Source;

void FillIdentity(Identity* id) {
    const uint32_t keep = id->id;
    *id = Identity{};
    id->id = keep;
    id->version.majorNum = 1;
    id->version.language = TWLG_USA;
    id->version.country = TWCY_USA;
    lstrcpynA(id->version.info, "test source", sizeof id->version.info);
    id->protocolMajor = 1;
    id->protocolMinor = 9;
    id->supportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpynA(id->manufacturer, "Darna", sizeof id->manufacturer);
    lstrcpynA(id->productFamily, "Darna test devices", sizeof id->productFamily);
    lstrcpynA(id->productName, scansource::kProductName, sizeof id->productName);
}

// A notification to the application through the manager.
void Notify(uint16_t msg) {
    HMODULE manager = GetModuleHandleA("twain_32.dll");
    DsmEntryProc entry = manager ? (DsmEntryProc)(void*)GetProcAddress(manager, "DSM_Entry") : nullptr;
    if (entry) entry(&g_Source.self, &g_Source.app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

uint32_t Stride(const ScanPicture& p) { return ((uint32_t)p.bitsPerPixel * (uint32_t)p.width + 31) / 32 * 4; }

void PutBits(uint8_t* row, int x, int bits, int value) {
    if (bits == 1) {
        if (value) row[x >> 3] |= (uint8_t)(0x80 >> (x & 7));
    } else if (bits == 4) {
        row[x >> 1] |= (uint8_t)((value & 15) << ((x & 1) ? 0 : 4));
    } else {
        row[x] = (uint8_t)value;
    }
}

// One top-down row of the picture in TWAIN order (RGB, most significant bits first).
void MakeRow(const ScanPicture& p, int y, uint8_t* row) {
    std::memset(row, 0, Stride(p));
    for (int x = 0; x < p.width; ++x) {
        switch (p.pixelType) {
        case 0: PutBits(row, x, p.bitsPerPixel, scansource::BwBit(x, y)); break;
        case 1: PutBits(row, x, p.bitsPerPixel, scansource::GreyValue(x, y)); break;
        case 2:
            if (p.bitsPerPixel == 24) scansource::PixelRgb(p, x, y, row + 3 * x);
            break;
        default: PutBits(row, x, p.bitsPerPixel, scansource::PaletteIndex(x, y, p.colours)); break;
        }
    }
}

uint16_t Fail(uint16_t condition) {
    g_Source.condition = condition;
    return TWRC_FAILURE;
}

HGLOBAL OneValueContainer(uint16_t value) {
    HGLOBAL h = GlobalAlloc(GHND, sizeof(OneValue));
    if (OneValue* v = h ? (OneValue*)GlobalLock(h) : nullptr) {
        v->itemType = TWTY_UINT16;
        v->item = value;
        GlobalUnlock(h);
    }
    return h;
}

uint16_t Capability_(uint16_t msg, Capability* cap) {
    if (!cap) return Fail(TWCC_BADPROTOCOL);
    const ScanPicture* p = g_Source.pictures.empty() ? nullptr : &g_Source.pictures.front();
    if (msg == MSG_SET) {
        if (cap->cap != ICAP_XFERMECH || !cap->container) return Fail(TWCC_BADCAP);
        const OneValue* v = (const OneValue*)GlobalLock(cap->container);
        const bool memory = v && v->item == TWSX_MEMORY;
        if (v) GlobalUnlock(cap->container);
        return memory ? TWRC_SUCCESS : Fail(TWCC_BADCAP);
    }
    if (msg != MSG_GET && msg != MSG_GETCURRENT) return Fail(TWCC_BADPROTOCOL);
    uint16_t value;
    switch (cap->cap) {
    case ICAP_XFERMECH: value = TWSX_MEMORY; break;
    case ICAP_UNITS: value = TWUN_INCHES; break;
    case ICAP_PIXELFLAVOR: value = p && p->vanilla ? TWPF_VANILLA : TWPF_CHOCOLATE; break;
    default: return Fail(TWCC_BADCAP);
    }
    cap->conType = TWON_ONEVALUE;
    cap->container = OneValueContainer(value);
    return cap->container ? TWRC_SUCCESS : Fail(TWCC_LOWMEMORY);
}

uint16_t ImageInfo_(ImageInfo* info) {
    if (!info || g_Source.pictures.empty()) return Fail(TWCC_SEQERROR);
    const ScanPicture& p = g_Source.pictures.front();
    *info = ImageInfo{};
    info->xResolution.whole = info->yResolution.whole = (int16_t)p.dotsPerInch;
    info->imageWidth = p.width;
    info->imageLength = p.height;
    info->samplesPerPixel = p.pixelType == 2 ? 3 : 1;
    for (int i = 0; i < info->samplesPerPixel; ++i)
        info->bitsPerSample[i] = (int16_t)(p.pixelType == 2 ? p.bitsPerPixel / 3 : p.bitsPerPixel);
    info->bitsPerPixel = (int16_t)p.bitsPerPixel;
    info->pixelType = (int16_t)p.pixelType;
    g_Source.transferring = true;
    return TWRC_SUCCESS;
}

uint16_t MemoryTransfer(ImageMemXfer* x) {
    if (!x || g_Source.pictures.empty()) return Fail(TWCC_SEQERROR);
    const ScanPicture& p = g_Source.pictures.front();
    if (p.outcome == scansource::kCancel) return TWRC_CANCEL;
    if (p.outcome == scansource::kFail && g_Source.row > 0) return Fail(TWCC_BUMMER);
    const uint32_t stride = Stride(p);
    const uint32_t fit = x->memory.length / stride;
    if (fit == 0 || !x->memory.theMem) return Fail(TWCC_BADPROTOCOL);
    int rows = p.rowsPerStrip < 1 ? 1 : p.rowsPerStrip;
    if ((uint32_t)rows > fit) rows = (int)fit;
    if (rows > p.height - g_Source.row) rows = p.height - g_Source.row;
    uint8_t* out = (uint8_t*)x->memory.theMem;
    for (int i = 0; i < rows; ++i) MakeRow(p, g_Source.row + i, out + (size_t)i * stride);
    x->compression = 0;
    x->bytesPerRow = stride;
    x->columns = (uint32_t)p.width;
    x->rows = (uint32_t)rows;
    x->xOffset = 0;
    x->yOffset = (uint32_t)g_Source.row;
    x->bytesWritten = (uint32_t)rows * stride;
    if (p.outcome == scansource::kOverrun) x->bytesWritten = x->memory.length + stride;
    g_Source.row += rows;
    return g_Source.row >= p.height ? TWRC_XFERDONE : TWRC_SUCCESS;
}

uint16_t PendingTransfers(uint16_t msg, PendingXfers* pending) {
    if (!pending) return Fail(TWCC_BADPROTOCOL);
    if (msg == MSG_ENDXFER) {
        if (!g_Source.pictures.empty()) g_Source.pictures.erase(g_Source.pictures.begin());
        g_Source.row = 0;
        g_Source.transferring = false;
    } else if (msg == MSG_RESET) {
        g_Source.pictures.clear();
        g_Source.row = 0;
        g_Source.transferring = false;
    } else if (msg != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    pending->count = (uint16_t)g_Source.pictures.size();
    pending->reserved = 0;
    // Done with the last picture: the source asks to be closed, as a scanner's
    // own window does when the user is finished.
    if (msg != MSG_GET && pending->count == 0 && g_Source.enabled) Notify(MSG_CLOSEDSREQ);
    return TWRC_SUCCESS;
}

}  // namespace

extern "C" {

// The pictures of the next acquisitions, replacing those not delivered yet.
__declspec(dllexport) int __stdcall SetScanPictures(const ScanPicture* pictures, int32_t count) {
    g_Source.pictures.clear();
    g_Source.row = 0;
    for (int i = 0; pictures && i < count; ++i) g_Source.pictures.push_back(pictures[i]);
    return (int)g_Source.pictures.size();
}

__declspec(dllexport) uint16_t WINAPI DS_Entry(Identity* origin, uint32_t dg, uint16_t dat, uint16_t msg,
                          void* data) {
    if (dg == DG_CONTROL) {
        switch (dat) {
        case DAT_IDENTITY: {
            Identity* id = (Identity*)data;
            if (!id) return Fail(TWCC_BADPROTOCOL);
            if (msg == MSG_GET) {
                FillIdentity(id);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_OPENDS) {
                if (g_Source.open) return Fail(TWCC_SEQERROR);
                g_Source.self = *id;
                FillIdentity(&g_Source.self);
                if (origin) g_Source.app = *origin;
                g_Source.open = true;
                g_Source.enabled = false;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_CLOSEDS) {
                g_Source.open = g_Source.enabled = false;
                g_Source.row = 0;
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        }
        case DAT_CAPABILITY: return Capability_(msg, (Capability*)data);
        case DAT_EVENT:
            if (msg != MSG_PROCESSEVENT || !data) return Fail(TWCC_BADPROTOCOL);
            ((Event*)data)->message = MSG_NULL;
            return TWRC_NOTDSEVENT;
        case DAT_USERINTERFACE:
            if (msg == MSG_ENABLEDS) {
                if (!g_Source.open || g_Source.enabled) return Fail(TWCC_SEQERROR);
                if (g_Source.pictures.empty()) return Fail(TWCC_BUMMER);
                g_Source.enabled = true;
                Notify(MSG_XFERREADY);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_DISABLEDS) {
                if (!g_Source.enabled) return Fail(TWCC_SEQERROR);
                g_Source.enabled = false;
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        case DAT_SETUPMEMXFER: {
            SetupMemXfer* s = (SetupMemXfer*)data;
            if (msg != MSG_GET || !s || g_Source.pictures.empty()) return Fail(TWCC_SEQERROR);
            const ScanPicture& p = g_Source.pictures.front();
            const uint32_t stride = Stride(p);
            s->minBufSize = stride;
            s->maxBufSize = stride * (uint32_t)(p.height > 0 ? p.height : 1);
            s->preferred = stride * (uint32_t)(p.rowsPerStrip < 1 ? 1 : p.rowsPerStrip);
            return TWRC_SUCCESS;
        }
        case DAT_PENDINGXFERS: return PendingTransfers(msg, (PendingXfers*)data);
        case DAT_STATUS:
            if (!data) return Fail(TWCC_BADPROTOCOL);
            ((Status*)data)->conditionCode = g_Source.condition;
            g_Source.condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        default: return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (dg == DG_IMAGE) {
        switch (dat) {
        case DAT_IMAGEINFO: return msg == MSG_GET ? ImageInfo_((ImageInfo*)data) : Fail(TWCC_BADPROTOCOL);
        case DAT_IMAGEMEMXFER: return msg == MSG_GET ? MemoryTransfer((ImageMemXfer*)data) : Fail(TWCC_BADPROTOCOL);
        case DAT_PALETTE8: {
            Palette8* pal = (Palette8*)data;
            if (msg != MSG_GET || !pal || g_Source.pictures.empty() || g_Source.pictures.front().pixelType != 3)
                return Fail(TWCC_BADPROTOCOL);
            const ScanPicture& p = g_Source.pictures.front();
            *pal = Palette8{};
            pal->numColors = (uint16_t)p.colours;
            pal->paletteType = 0;
            for (int i = 0; i < p.colours && i < 256; ++i) {
                uint8_t rgb[3];
                scansource::PaletteColour(i, rgb);
                pal->colors[i] = Element8{(uint8_t)i, rgb[0], rgb[1], rgb[2]};
            }
            return TWRC_SUCCESS;
        }
        default: return Fail(TWCC_BADPROTOCOL);
        }
    }
    return Fail(TWCC_BADPROTOCOL);
}

}  // extern "C"
