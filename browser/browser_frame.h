// The browser's frame window (class darnaview_class_name): start-up, the
// window classes, the five child areas (tool bar, folder tree, splitter,
// thumbnail pane, status bar), the dispatch of every browser command, the menu
// state, the wheel, the two private messages, the companion program's request
// to show a file (WM_COPYDATA, browser/companion_link.h) and the clean-up at
// exit.
#pragma once
#include <windows.h>

// Window classes.
extern const char kBrowserFrameClass[];   // "darnaview_class_name"
extern const char kThumbPaneClass[];      // "view_class"
extern const char kSplitterClass[];       // "glid_class"
extern const char kThumbCellClass[];      // "list_class"
extern const char kStatusBarClass[];      // "statbar_class"
extern const char kToolIconClass[];       // "ToolBarIconClass"
extern const char kToolTipClass[];        // "ToolTipClass"

// Control ids of the frame's children.
enum : int {
    kIdFolderTree = 1,
    kIdThumbPane = 101,
    kIdSplitter = 102,
    kIdStatusBar = 110,
};

// Private messages of the frame.
constexpr UINT kMsgRestoreBrowser = WM_USER + 10;   // 1034: back to the saved rectangle
constexpr UINT kMsgFirstFolder = WM_USER + 100;     // 1124: select the first folder

// The program-wide values of the browser (one instance).
struct BrowserState {
    HINSTANCE instance;
    HWND frame, tree, pane, splitter, status, toolbar;
    int toolbarHeight;
    int screenWidth, screenHeight;
    int displayDepth;
    HMENU cellMenuResource, cellMenu;
    HBITMAP toolbarBitmap;
    HBRUSH toolbarBrush;
    int appActive;
    RECT savedRect;
    char title[128];
    char folder[MAX_PATH];         // the browser's folder, with a trailing backslash
    char editorFolder[MAX_PATH];   // the editor's folder
};
extern BrowserState g_Browser;

// The browser's window title (string 1013), also before the frame exists.
const char* BrowserTitle();
// A message box of the browser (ShowMessageBox kinds), captioned with the
// browser's own title. Returns the button's id.
int BrowserMessage(HWND owner, const char* text, unsigned kind);

// The editor's folder of a browser folder: a final "exp\" component (any
// case) is removed; any other folder is taken as it is.
void EditorFolderFrom(const char* browserFolder, char* out, size_t outSize);

// Registers the browser's window classes and sets the settings defaults that
// exist before eenv.env is read. 0 at the first class that fails.
int RegisterBrowserClasses(HINSTANCE instance);

// Creates the frame for the browser folder (tests pass a folder of their
// own), its folder tree, and shows it as the settings say. The frame, or
// null when it could not be made.
HWND CreateBrowserFrame(HINSTANCE instance, const char* folder, int showCommand);
// What the end of WinMain does after the message loop: deletes the leftovers.
void CleanUpBrowser();

LRESULT CALLBACK BrowserWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
void BrowserOnCommand(HWND frame, int id);
void UpdateBrowserMenu(HMENU menu);
void LayoutBrowserFrame(int sizeType, int width, int height);
void RelayoutBrowserFrame();

// Shows the file in the browser (the companion program's request): its
// folder becomes the current folder, the file the only selected entry,
// scrolled into view, and the frame comes to the front. 1 when the file is
// in the list, 0 otherwise.
int ShowFileInBrowser(const char* path);

// Where the frame is placed at start from the stored position and size
// (kept at least 100 x 100 and at least 48 pixels inside the screen).
RECT StartFrameRect(int position, int size, int screenWidth, int screenHeight);

// The program's own run ends the message loop when the frame goes; frames
// made in-process by tests do not.
void SetBrowserQuitOnDestroy(bool quit);
