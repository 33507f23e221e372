// Entry of darnaedit.
#include <windows.h>

#include "app/startup.h"
#include "app/wndclass.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    StartupInit(instance);
    std::vector<std::string> args = GetCommandLineArgs();
    if (!StartupSingleInstance(args)) return 0;
    if (!StartupProgramFolder()) return 0;
    if (!RegisterWindowClasses()) return 0;
    StartupLoadSettings();
    StartupLoadResources();
    SetCommandLineFiles(args);
    int code = 0;
    if (StartupCreateFrame(showCommand)) code = RunMessageLoop();
    StartupCleanup();
    return code;
}
