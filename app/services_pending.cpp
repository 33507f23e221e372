#include "app/services_pending.h"

void DropFloatingIfPasting() {}
void ShowTabletDialog(HWND) {}
