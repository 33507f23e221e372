// Program-wide state of the editor: window handles, the program folder, screen
// facts, menus and accelerators, clipboard formats and the product table.
#pragma once
#include <windows.h>

#include <cstdint>

// Handles of the frame and its long-lived children and panels.
struct AppWindowSet {
    HWND frame;            // owner of every message box
    HWND mdiClient;
    HWND statusBar;
    HWND ctrlPanel;        // control panel window (CtrlPanelClass)
    HWND colourPanel;      // colour panel dialog (child of the control panel)
    HWND penOptionPanel;   // pen option panel dialog (child of the control panel)
    HWND mainToolBar;
    HWND toolBar2;         // second tool bar (tools)
    HWND penOptionBar;
    HWND title;            // title window shown at start
    HWND tabletDialog;
};
extern AppWindowSet AppWindows;

extern HINSTANCE AppInstance;

// The program's folder with a trailing backslash (at most 256 characters); every
// "%s..." path of the program is formed from it. The work folder for temporary
// files is the same string.
extern char ProgramFolder[MAX_PATH];
extern char WorkFolder[MAX_PATH];
// Sets both folders, adding the trailing backslash when missing. 0 when the
// folder is empty or too long (the folders are then left empty).
int SetProgramFolder(const char* folder);

// Screen facts taken at start and at frame creation.
struct ScreenFacts {
    int width;
    int height;
    int depth;       // PLANES x BITSPIXEL of the frame's DC
    int dpiX;
    int dpiY;
};
extern ScreenFacts Screen;

// Menus: the frame menus, the sub-menus kept from them, and the pop-up menus
// (resource and sub-menu 0; null where the resources hold no such menu).
constexpr int kPopupMenuCount = 23;
extern const char* const kPopupMenuNames[kPopupMenuCount];
struct AppMenuSet {
    HMENU init;            // nnMenuInit (no canvas open)
    HMENU child;           // nnMenuChild (a canvas open)
    HMENU initFile;        // sub-menu 0 of nnMenuInit: the MDI client's window menu
    HMENU childWindow;     // sub-menu 5 of nnMenuChild: the window menu that goes with it
    HMENU popup[kPopupMenuCount];
    HMENU popupSub[kPopupMenuCount];
};
extern AppMenuSet AppMenus;

// The 14 bitmaps set on frame menu items, deleted at exit.
constexpr int kMenuBitmapCount = 14;
extern HBITMAP MenuBitmaps[kMenuBitmapCount];

extern HACCEL AppAccel;    // daAccel

// Clipboard formats "Darna_Transp", "Darna_SelArea", "Darna_Mask".
extern UINT ClipFormatTransp;
extern UINT ClipFormatSelArea;
extern UINT ClipFormatMask;

// Registered "MSWHEEL_ROLLMSG", treated like WM_MOUSEWHEEL by the frame.
extern UINT MsWheelMessage;

extern int CanvasOpen;     // nonzero while a canvas window is open

// The command id of the tool in use, set by SelectTool; the tool remembered as the
// previous one (20005 at start).
extern int CurrentTool;
extern int PreviousTool;

// ProductTable and BuildProductTable live in the image library.
#include "image/product_table.h"

// The application title, caption of the frame and of every message box, is
// kAppTitle (app/msgbox.h).
