#include "app/globals.h"

#include <cstring>

AppWindowSet AppWindows;
HINSTANCE AppInstance;
char ProgramFolder[MAX_PATH];
char WorkFolder[MAX_PATH];
ScreenFacts Screen;
AppMenuSet AppMenus;
HBITMAP MenuBitmaps[kMenuBitmapCount];
HACCEL AppAccel;
UINT ClipFormatTransp;
UINT ClipFormatSelArea;
UINT ClipFormatMask;
UINT MsWheelMessage;
int CanvasOpen;
int CurrentTool = 20014;
int PreviousTool = 20005;
const char* const kPopupMenuNames[kPopupMenuCount] = {
    "drTapSubMenu",  "drPalPage",         "drPenPage",      "daNewDar",
    "drChannelModeMenu", "drDraftPoly",   "drPalMenu",      "drPlaneMenu",
    "drPasteMenu",   "drDispMenu",        "drDispMenu2",    "drFileColorMenu",
    "drSextChannel", "drSextExt",         "drLoopeZoom",    "drLoopeSize",
    "drLayPartsMenu", "drLayPartsMenu2",  "drLayPartsMenuAlp", "drBeziePegSub",
    "drBezieLineSub", "drObjectSubMenu",  "drAreaMenu",
};

int SetProgramFolder(const char* folder) {
    ProgramFolder[0] = WorkFolder[0] = 0;
    size_t n = folder ? std::strlen(folder) : 0;
    if (n == 0) return 0;
    // Does the path end in a real backslash (not the trail byte of a double-byte
    // character, which may be 0x5C)?
    bool slash = false;
    for (size_t i = 0; i < n;) {
        bool lead = IsDBCSLeadByte((BYTE)folder[i]) && i + 1 < n;
        slash = !lead && folder[i] == '\\';
        i += lead ? 2 : 1;
    }
    if (n + (slash ? 0 : 1) > 256) return 0;
    std::memcpy(ProgramFolder, folder, n);
    if (!slash) ProgramFolder[n++] = '\\';
    ProgramFolder[n] = 0;
    std::memcpy(WorkFolder, ProgramFolder, n + 1);
    return 1;
}

