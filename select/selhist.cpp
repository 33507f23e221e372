#include "select/selhist.h"

#include <cstdio>

#include "app/globals.h"
#include "app/sysutil.h"

void MakeSelHistFolder() {
    char folder[MAX_PATH + 16];
    std::snprintf(folder, sizeof folder, "%sselhist", ProgramFolder);
    CreateSharedDirectory(folder);
}
