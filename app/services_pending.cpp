#include "app/services_pending.h"

#include "resources/resource.h"

const PendingCommand kPendingCommands[] = {
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
