// Services of the file, printing and scanning code that the frame calls. Until
// those parts of the editor exist, app/services_pending.cpp answers for them the
// way the program behaves when the service is unavailable (dialogs that
// choose nothing). Each function goes away here once its
// real implementation lands.
#pragma once
#include <windows.h>

// Menu commands of the parts not built yet: they do nothing, so the frame
// greys them (FrameOnInitMenu). One row per command, keyed by its name in
// resources/resource.h, with the part it waits for; the part's code deletes
// its rows as it lands. The README's list of what is missing says the same.
struct PendingCommand {
    int command;
    const char* part;   // what the command waits for
};
extern const PendingCommand kPendingCommands[];
extern const int kPendingCommandCount;
// 1 when the command waits for a part not built yet.
int IsCommandPending(int command);
// Greys every pending command the menu holds.
void GreyPendingCommands(HMENU menu);
