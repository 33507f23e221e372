#include "app/services_pending.h"

int TwainSourceEnabled = 0;

int OpenPartsBox(HWND, const char*, char*, const char*, const char*) { return 0; }

void TwainInitIdentity(HWND) {}
int TwainLoadManager() { return 0; }
void TwainSelectSource() {}
void TwainCloseManager(int) {}
void TwainCloseSource() {}
void TwainShutdown(int) {}
int TwainProcessMessage(MSG*, HWND) { return 0; }

int TwainAcquire(HWND, int, int, const char*) { return 0; }
int TwainListSources(char (*names)[256], int max) {
    if (max > 0) names[0][0] = 0;
    return 0;
}
