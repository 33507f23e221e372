// Services of the file, printing and scanning code that the frame calls. Until
// those parts of the editor exist, app/services_pending.cpp answers for them the
// way the program behaves when the service is unavailable (dialogs that
// choose nothing). Each function goes away here once its
// real implementation lands.
#pragma once
#include <windows.h>

// Selection and tablet services the bars ask for. Until the selection code
// exists there is no floating paste to drop.
void DropFloatingIfPasting();
// The tablet settings dialog (modeless); nothing is shown without the tablet code.
void ShowTabletDialog(HWND owner);
