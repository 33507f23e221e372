// What the canvas needs from the layers above it, handed down at start-up: the
// windows it talks to, the program folder, the current tool and the frame's
// settings, the frame's services it calls back (status bar, tool-bar buttons,
// pen state), and the services of the pen, adjustment and selection
// subsystems that its command routing, panes and window reach. The canvas does without a null member, which only tests
// that drive the canvas alone leave so; the frame hands down every member, and
// CanvasHostMissing names the first one it left out.
#pragma once
#include <windows.h>

#include <cstdint>

struct CanvasHost {
    HWND* frame;                // the frame window (owner of message boxes)
    HWND* mdiClient;
    HWND* statusBar;
    HWND* colourPage;           // control panel's colour page (WM_USER + 9), may be null
    const char* programFolder;  // with a trailing backslash
    int* currentTool;           // CurrentTool
    int* selShadeStyle;         // SelShadeStyle (EnvBlock 452)
    int* dimOutsideLayer;       // DimOutsideLayer (EnvBlock 880)
    int* defaultResolution;     // default canvas resolution (dpi), may be null
    COLORREF* defaultGridColour;
    int* screenDepth;           // bits a pixel of the screen
    int* appActive;             // the frame's WM_ACTIVATEAPP state, may be null
    // Frame services.
    void (*statusBarSetZoom)(int percent);
    void (*statusBarSetPos)(int x, int y);
    void (*pressToolButton)(int commandId);     // second tool bar
    void (*repaintToolButton)(int commandId);   // main tool bar
    void (*repaintTool2Button)(int commandId);  // second tool bar
    int (*penKind)();                           // c_PenEngine::GetPenKind
    int (*strokeLayerWanted)();                 // the pen state asks for the stroke layer
    void (*recentFilesAdd)(const char* path);
    // The program's colour chooser: 1 when the user chose (r, g, b updated).
    int (*chooseColour)(HWND owner, int* r, int* g, int* b, const char* caption);
    // The frame's menu and tool bars for an active document (1) or for none
    // (0), called when that changes.
    void (*documentMenu)(int documentActive);
    // The tools: a mouse event on the display surface that the canvas does not
    // handle itself (event 0 left button, 1 right button, 2 double click),
    // at display-surface client coordinates. 1 when the tool took it.
    int (*toolMouse)(struct CanvDoc* doc, int event, int x, int y);
    // Half sizes of the brush outline at the pointer; 0 when no outline is drawn.
    int (*brushRadius)(int* rx, int* ry);
    // 1 when the pen's brush images were taken from another plane than the
    // document's current plane (they cannot be painted back there).
    int (*brushFromOtherPlane)(struct CanvDoc* doc);
    // The clone brush's source offset from the pointer, in image pixels: 1 while
    // the pen clones and its source has been set, else 0 (no cross drawn).
    int (*cloneSource)(int* dx, int* dy);
    // The pen option panel, repainted at once when a document becomes active;
    // its value may be null while the panel does not exist.
    HWND* penOptionPanel;
    // Commands 21000 and 21001: the selection filled (0) or outlined (1) with the pen.
    int (*selectionWithPen)(struct CanvDoc* doc, int outline);
    // The adjustments' image-menu commands: 1 when the command was theirs.
    int (*adjustCommand)(struct CanvDoc* doc, int id);
    // The pen's own canvas commands (gradient fill, text as a layer): 1 when
    // the command was the pen's.
    int (*penCommand)(struct CanvDoc* doc, HWND canvasWindow, int id);
    // The colour image the texture paper of the blank-paper command tiles (the
    // fancy-pen stamp the user chose), or null when there is none.
    struct VmsImage* (*paperTexture)();
    // The pen bar's area-blur amount that softens every selection (0..20), may be null.
    int* areaBlur;
    // The trim panel while it is open (it follows the rectangle), may be null.
    HWND* trimDialog;
    // The file host's save of a document (with its questions): 1 when saved.
    int (*saveCanvas)(HWND canvasWindow, int saveAs);
    // The tone mask's fades: cleared when a document becomes active or
    // deselects; set from the committed selection's shape kind before each
    // document command (a gradient ellipse fades from its centre).
    void (*clearToneModes)();
    void (*commandToneModes)(int committedShapeKind);
    // The selection's services (the selection code fills them in,
    // c_SelectionTool::ServeCanvas). A document coming and going: closing (0),
    // activated (1), deactivated (2), Esc on it (3: a floating image goes),
    // about to be saved (4: an image floating over it is placed, the selection
    // dropped), asked whether to close (5: an image floating over it is
    // placed). 1 when an image floated over the document, else 0.
    int (*selectionDocument)(struct CanvDoc* doc, int event);
    // The area-blur rebuild of a document whose mask waits for it.
    void (*selectionPendingBlur)(struct CanvDoc* doc, int amount);
    // The hit-test cursor of the selection and shape tools at the pointer.
    void (*selectionCursor)(struct CanvDoc* doc);
    // The outline and the floating image over a freshly rendered display
    // rectangle (display coordinates, inclusive).
    void (*selectionOverlays)(struct CanvDoc* doc, HDC dc, const RECT* paint);
    // The selection commands of the document window (20500-20508, 21048): 1
    // when the id was one of them.
    int (*selectionCommand)(struct CanvDoc* doc, int id);
    // Cut's clearing step after the copy: a checkpoint, the selected part cleared.
    void (*selectionCutClear)(struct CanvDoc* doc);
};

// Events of the host's selectionDocument.
enum : int {
    SelDocClosing = 0,
    SelDocActivated = 1,
    SelDocDeactivated = 2,
    SelDocEscape = 3,
    SelDocSaving = 4,
    SelDocCloseQuery = 5,
};

void SetCanvasHost(const CanvasHost& host);
// The name of the first member of the host that is null, or null when every
// member is set. Lists every member: a member added to CanvasHost without a
// line there stops the build.
const char* CanvasHostMissing(const CanvasHost& host);
const CanvasHost& GetCanvasHost();

// Message to the status bar (1032): back to its resting texts.
constexpr UINT kStatusRestMessage = WM_USER + 8;

// Shorthands of the host's values (null or empty when not handed down).
HWND CanvFrameWindow();
HWND CanvMdiClient();
HWND CanvStatusBar();
HWND CanvPenOptionPanel();
const char* CanvProgramFolder();
int CanvCurrentTool();
// The host's selection event for a document (0 without the selection).
int CanvSelectionDocument(struct CanvDoc* doc, int event);
