#include "app/services_pending.h"

#include "resources/resource.h"

const PendingCommand kPendingCommands[] = {
    {CMD_IMG_MIX, "image mix"},
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
