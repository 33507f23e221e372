// Services of the file, printing and scanning code that the frame calls. Until
// those parts of the editor exist, app/services_pending.cpp answers for them the
// way the program behaves when the service is unavailable (no TWAIN source
// manager, dialogs that choose nothing). Each function goes away here once its
// real implementation lands.
#pragma once
#include <windows.h>

// Parts box on a folder: nonzero when a file was chosen (its path in path).
int OpenPartsBox(HWND owner, const char* folder, char* path, const char* pattern, const char* title);

// TWAIN acquisition.
void TwainInitIdentity(HWND frame);
int TwainLoadManager();                  // 1 when the source manager is open
void TwainSelectSource();
void TwainCloseManager(int flag);
void TwainCloseSource();
void TwainShutdown(int flag);
int TwainProcessMessage(MSG* msg, HWND frame);   // nonzero when the source took it
extern int TwainSourceEnabled;

// Selection and tablet services the bars ask for. Until the selection code
// exists there is no floating paste to drop.
void DropFloatingIfPasting();
// The tablet settings dialog (modeless); nothing is shown without the tablet code.
void ShowTabletDialog(HWND owner);
// Acquisition from the named TWAIN source: 0 when it could not start.
int TwainAcquire(HWND frame, int flag, int count, const char* source);
// TWAIN source names in order, an empty name ending the list (256 bytes each);
// returns the number of names written (at most max).
int TwainListSources(char (*names)[256], int max);

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
