#include "app/services_pending.h"

int OpenPartsBox(HWND, const char*, char*, const char*, const char*) { return 0; }

void DropFloatingIfPasting() {}
void ShowTabletDialog(HWND) {}
