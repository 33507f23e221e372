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

// Acquisition from the named TWAIN source: 0 when it could not start.
int TwainAcquire(HWND frame, int flag, int count, const char* source);
// TWAIN source names in order, an empty name ending the list (256 bytes each);
// returns the number of names written (at most max).
int TwainListSources(char (*names)[256], int max);
