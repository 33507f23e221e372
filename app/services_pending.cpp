#include "app/services_pending.h"

#include "resources/resource.h"

int TwainSourceEnabled = 0;

int OpenPartsBox(HWND, const char*, char*, const char*, const char*) { return 0; }

void TwainInitIdentity(HWND) {}
int TwainLoadManager() { return 0; }
void TwainSelectSource() {}
void TwainCloseManager(int) {}
void TwainCloseSource() {}
void TwainShutdown(int) {}
int TwainProcessMessage(MSG*, HWND) { return 0; }

void DropFloatingIfPasting() {}
void ShowTabletDialog(HWND) {}
int TwainAcquire(HWND, int, int, const char*) { return 0; }
int TwainListSources(char (*names)[256], int max) {
    if (max > 0) names[0][0] = 0;
    return 0;
}

const PendingCommand kPendingCommands[] = {
    // selections
    {CMD_EDIT_EXPORT, "selections"},
    {CMD_EDIT_CUT, "selections"},
    {CMD_SEL_ALL, "selections"},
    {CMD_SEL_INVERT, "selections"},
    {CMD_SEL_GROW, "selections"},
    {CMD_SEL_SHRINK, "selections"},
    {CMD_SEL_BLUR, "selections"},
    {CMD_SEL_LAYERAREA, "selections"},
    {CMD_IMG_SHAPETOPATH, "selections"},
    // painting extras
    {CMD_IMG_GRADIENTFILL, "gradient fill"},
    {CMD_IMG_TEXT, "text tool"},
    {CMD_VIEW_TABLET, "tablet"},
    // adjustments and effects
    {CMD_IMG_TONECURVE, "adjustments"},
    {CMD_IMG_ROTATE, "adjustments"},
    {CMD_IMG_BRCONT, "adjustments"},
    {CMD_IMG_AUTOTONE, "adjustments"},
    {CMD_IMG_ONDO, "adjustments"},
    {CMD_IMG_DODGE, "adjustments"},
    {CMD_IMG_BURN, "adjustments"},
    {CMD_IMG_EFFECT, "effects"},
    {CMD_IMG_MIX, "adjustments"},
    // parts box, printing, scanning
    {CMD_FILE_PRINT, "printing"},
    {CMD_FILE_CAMERA, "parts box"},
    {CMD_EDIT_MATERIAL, "parts box"},
    {CMD_EDIT_PARTSSAVE, "parts box"},
};
const int kPendingCommandCount = (int)(sizeof kPendingCommands / sizeof kPendingCommands[0]);

int IsCommandPending(int command) {
    for (const PendingCommand& p : kPendingCommands)
        if (p.command == command) return 1;
    return 0;
}

void GreyPendingCommands(HMENU menu) {
    for (const PendingCommand& p : kPendingCommands)
        EnableMenuItem(menu, (UINT)p.command, MF_BYCOMMAND | MF_GRAYED);
}
