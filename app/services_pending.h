// Services of the file, printing and scanning code that the frame calls. Until
// those parts of the editor exist, app/services_pending.cpp answers for them the
// way the program behaves when the service is unavailable (dialogs that
// choose nothing). Each function goes away here once its
// real implementation lands.
#pragma once
#include <windows.h>

