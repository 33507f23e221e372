// The editor's TWAIN client: the application identity, the source manager
// twain_32.dll (from the Windows folder, bound at run time), the list of
// sources, opening and enabling a source with its own user interface, the
// hook of the message loop that hands messages to the source, and the
// buffered memory transfer of each image into a packed bitmap that is handed
// to the frame as message 1034 (WM_USER + 10; 0 after a failed transfer).
// Everything runs on the user-interface thread.
#pragma once
#include <windows.h>

// Message to the frame: wParam the packed bitmap's global handle (ownership
// passes), or 0 after a failed transfer.
constexpr UINT kTwainImageMessage = WM_USER + 10;
// Message to the frame: the source has closed.
constexpr UINT kTwainClosedMessage = WM_USER + 11;

// Fills the application identity, remembers the frame window and lists the
// sources (opening and closing the manager). Returns 1.
int TwainInitIdentity(HWND frame);
// 1 when the manager is open (opened now or before).
int TwainLoadManager();
// Chooses the source: the manager's dialog with Shift held, else the first
// source (a preferred camera by name first). The TWAIN return code.
int TwainSelectSource();
int TwainCloseManager();
int TwainOpenSource(const char* productName);
int TwainSetMemoryTransfer();
int TwainEnableSource(int showUI);
int TwainDisableSource();
int TwainCloseSource();
// Disables, closes the source and closes the manager, each only after the step
// before succeeded; clears the transfer flag.
void TwainShutdown();
// Opens the named source and enables it; 1 when it is enabled and waiting.
int TwainAcquire(HWND owner, int showUI, int transferFlag, const char* productName);
// The message loop's hook, while a source is open: nonzero when the message
// belonged to the source (it is then neither translated nor dispatched).
int TwainProcessMessage(MSG* msg, HWND frame);
// All pending transfers of one transfer-ready notification.
void TwainTransferImage(HWND frame);

// State queries for the frame.
int TwainSourceIsOpen();
int TwainManagerIsOpen();
// The source names listed at start-up, in order, into names (256 bytes each);
// the number written (at most max); an empty name follows them when room is left.
int TwainListSources(char (*names)[256], int max);
// The product name of the chosen or opened source.
const char* TwainSourceName();
