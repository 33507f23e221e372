// EnvBlock: the editor's 2,864-byte settings block, kept in memory for the whole
// run and stored raw in env_.env. Every field is a fixed-width integer (or a
// double in the pen-tip block) at a fixed offset, the same on 32 and 64 bits.
// Fields the editor does not name are kept in the reserved ranges and carried
// unchanged from file to file.
#pragma once
#include <cstddef>
#include <cstdint>

// The pen-tip block of the pen state as stored (64 bytes). In memory the pen
// keeps real pointers to its tip planes; the file holds two 4-byte slots for them,
// written as 0 and ignored when read.
struct EnvTipBlock {
    double hRadius;             // 0: tip half width
    double vRadius;             // 8: tip half height
    int32_t extra1[2];          // 16
    int32_t squaredRadii[3];    // 24
    int32_t extra2;             // 36
    int32_t tipShape;           // 40
    uint32_t tipPlaneSlots[2];  // 44: pointer slots, always 0 in the file
    int32_t rebuild;            // 52
    int32_t angle;              // 56
    int32_t extra3;             // 60
};
static_assert(sizeof(EnvTipBlock) == 64, "EnvTipBlock is 64 bytes");
static_assert(offsetof(EnvTipBlock, tipPlaneSlots) == 44, "tip plane slots at 44");

struct EnvBlock {
    int32_t maximised;          // 0: frame was maximised at close
    uint32_t framePos;          // 4: top << 16 | left, 16 bits each
    uint32_t frameSize;         // 8: height << 16 | width, 16 bits each
    int32_t statusBarShown;     // 12
    int32_t mainBarShown;       // 16
    int32_t ctrlPanelShown;     // 20
    int32_t screenOutput;       // 24: screen-output option of the screen row
    int32_t statusCoords;       // 28: status bar shows the cursor coordinates
    uint8_t r32[4];
    int32_t penColour[12];      // 36: copy of the pen's colour block
    uint8_t r84[4];
    EnvTipBlock tip;            // 88: copy of the pen's tip block
    uint8_t r152[396 - 152];
    int32_t openDialogSetting;  // 396: open dialog's file type (filter index, 0 the first)
    int32_t saveDialogSetting;  // 400: save dialog's file type (filter index, 0 the first)
    int32_t saveWarningOff;     // 404: "以後、この警告は表示しない" of the save format warning
    int32_t selHistoryLimit;    // 408: clamped to 5..100 at frame creation
    int32_t numberMode;         // 412: pen bars' numbers: 1 percent, 2 hex, else raw
    uint8_t r416[4];
    int32_t zoomSetting;        // 420
    int32_t snapshotFlag;       // 424: brush images 2 and 3 hold a snapshot
    uint8_t r428[444 - 428];
    int32_t recorder444;        // 444
    uint8_t r448[4];
    int32_t selShadeMode;       // 452: selection display mode 0..2
    int32_t mainBarHidden[15];  // 456: main tool-bar buttons hidden (1) or shown (0)
    uint8_t r516[856 - 516];
    int32_t tabletSetting;      // 856
    uint8_t r860[4];
    int32_t pressurePoint;      // 864: clamped to 16..200
    int32_t tabletPen[3];       // 868, 872, 876
    int32_t dimOutsideLayer;    // 880: view flag of command 11017
    int32_t iconPage;           // 884
    uint8_t r888[924 - 888];
    int32_t penIntAfterDensity; // 924: gauge model of the colour panel
    int32_t colourPanelOpen;    // 928
    uint8_t r932[4];
    int32_t penPanelOpen;       // 936
    uint8_t r940[4];
    uint32_t penPanelPos;       // 944: top << 16 | left
    uint32_t colourPanelPos;    // 948: top << 16 | left
    uint8_t r952[4];
    uint32_t penPanelSize;      // 956: height << 16 | width
    uint32_t colourPanelSize;   // 960: height << 16 | width
    int32_t cursorSamples;      // 964
    int32_t recorder968;        // 968
    int32_t canvasView[3];      // 972, 976, 980
    uint8_t r984[992 - 984];
    int32_t selMaskSetting;     // 992
    int32_t clearedAtStart;     // 996
    int32_t previewSetting;     // 1000
    uint8_t r1004[1352 - 1004];
    int32_t penInsideSelection; // 1352: the pen's selection flag (strokes stay inside a selection)
    uint8_t r1356[1363 - 1356];
    uint8_t byte1363;           // 1363
    int32_t brushOutline;       // 1364
    uint8_t r1368[1380 - 1368];
    int32_t tabletPressure;     // 1380
    int32_t tabletCursorPos;    // 1384
    int32_t unused1388;         // 1388
    int32_t unused1392;         // 1392
    uint8_t r1396[1404 - 1396];
    int32_t newCanvasWidth;     // 1404
    int32_t newCanvasHeight;    // 1408
    uint8_t r1412[1432 - 1412];
    int32_t newCanvasDpi;       // 1432
    int32_t partsBoxRect[4];    // 1436: parts box left, top, width, height (width 0: never closed)
    uint8_t r1452[2864 - 1452];
};
static_assert(sizeof(EnvBlock) == 2864, "EnvBlock is 2,864 bytes");
static_assert(offsetof(EnvBlock, penColour) == 36, "offset 36");
static_assert(offsetof(EnvBlock, tip) == 88, "offset 88");
static_assert(offsetof(EnvBlock, openDialogSetting) == 396, "offset 396");
static_assert(offsetof(EnvBlock, saveWarningOff) == 404, "offset 404");
static_assert(offsetof(EnvBlock, selHistoryLimit) == 408, "offset 408");
static_assert(offsetof(EnvBlock, zoomSetting) == 420, "offset 420");
static_assert(offsetof(EnvBlock, snapshotFlag) == 424, "offset 424");
static_assert(offsetof(EnvBlock, recorder444) == 444, "offset 444");
static_assert(offsetof(EnvBlock, selShadeMode) == 452, "offset 452");
static_assert(offsetof(EnvBlock, mainBarHidden) == 456, "offset 456");
static_assert(offsetof(EnvBlock, tabletSetting) == 856, "offset 856");
static_assert(offsetof(EnvBlock, pressurePoint) == 864, "offset 864");
static_assert(offsetof(EnvBlock, dimOutsideLayer) == 880, "offset 880");
static_assert(offsetof(EnvBlock, penIntAfterDensity) == 924, "offset 924");
static_assert(offsetof(EnvBlock, penPanelPos) == 944, "offset 944");
static_assert(offsetof(EnvBlock, colourPanelSize) == 960, "offset 960");
static_assert(offsetof(EnvBlock, cursorSamples) == 964, "offset 964");
static_assert(offsetof(EnvBlock, selMaskSetting) == 992, "offset 992");
static_assert(offsetof(EnvBlock, penInsideSelection) == 1352, "offset 1352");
static_assert(offsetof(EnvBlock, byte1363) == 1363, "offset 1363");
static_assert(offsetof(EnvBlock, brushOutline) == 1364, "offset 1364");
static_assert(offsetof(EnvBlock, tabletPressure) == 1380, "offset 1380");
static_assert(offsetof(EnvBlock, newCanvasWidth) == 1404, "offset 1404");
static_assert(offsetof(EnvBlock, newCanvasDpi) == 1432, "offset 1432");
static_assert(offsetof(EnvBlock, partsBoxRect) == 1436, "offset 1436");

extern EnvBlock Env;

// 16-bit halves of the position and size words.
inline uint32_t PackWords(int low, int high) {
    return ((uint32_t)(uint16_t)high << 16) | (uint16_t)low;
}
inline int LowWord16(uint32_t w) { return (int16_t)(w & 0xFFFF); }
inline int HighWord16(uint32_t w) { return (int16_t)(w >> 16); }
