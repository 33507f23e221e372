#include "select/selhist.h"

#include <cstdio>

#include "ui/sysutil.h"

void MakeSelHistFolder(const char* programFolder) {
    char folder[MAX_PATH + 16];
    std::snprintf(folder, sizeof folder, "%sselhist", programFolder);
    CreateSharedDirectory(folder);
}
