// The one numbering of WM_COMMAND ids shared by menus, accelerators, tool bars,
// panels and windows. The values are #defines in resources/resource.h so that the
// resource compiler sees the same numbers.
#pragma once
#include "resources/resource.h"

typedef int CommandId;

// Ranges of ids that several places test.
inline bool IsRecentFileCommand(int id) { return id >= CMD_RECENT_FIRST && id < CMD_RECENT_FIRST + 8; }
