// The frame's three tool bars: the main bar of file, edit and zoom buttons on
// top, the second bar of tool buttons in three pages on the left, and the pen
// option bar (page tabs, colour swatch, opacity gauge, area-blur field, panel and
// tablet buttons) below the main bar; the buttons' tips, and the pen-mode button
// class of the effect dialogs. Owns the bar tables and the bar state.
#pragma once
#include <windows.h>

#include <cstddef>

#include "ui/frame_link.h"

// Main bar: 16 entries; command -2 and -1 are gaps.
struct MainBarEntry {
    int command;
    const char* bitmap;
};
constexpr int kMainBarEntryCount = 16;
extern const MainBarEntry kMainBarEntries[kMainBarEntryCount];

// Second bar: 34 buttons and the end entry (command -1); command 0 is a gap.
struct ToolBar2Entry {
    int command;
    const char* bitmap;   // null for the two group buttons and gaps
    int pages;            // bit 1 page 0, bit 2 page 1, bit 4 page 2
    bool anyPlane;        // usable while a plane other than plane 0 is current
};
constexpr int kToolBar2EntryCount = 35;
extern const ToolBar2Entry kToolBar2Entries[kToolBar2EntryCount];

// The members of the two group buttons (20026: group A, 20027: group B).
constexpr int kGroupCommandA = 20026;
constexpr int kGroupCommandB = 20027;
struct ToolGroup {
    int count;
    int commands[4];
    const char* bitmaps[4];
};
extern const ToolGroup kToolGroups[2];
// Index of the member each group shows and sends (0 at start).
extern int ToolGroupChoice[2];

int ToolBarIndexOfCommand(int id);    // index in the main table, or -1
int ToolBar2IndexOfCommand(int id);   // index in the second table, or -1

// Button rectangles (left, top, right, bottom in the bar) of the main bar for
// the 15 shown flags, and of the second bar on a page; hidden entries are empty.
void LayoutMainBar(const int shown[15], RECT out[kMainBarEntryCount]);
void LayoutToolBar2(int page, RECT out[kToolBar2EntryCount]);

// What decides whether a main-bar button is faded.
struct MainButtonFacts {
    bool canvasOpen;        // an active canvas window exists
    bool closing;           // ... and it is closing
    bool clipboardImage;
    bool hasUndo;
    bool hasRedo;
    int zoom;               // percent
    int initMenuState;      // GetMenuState of the command in nnMenuInit (-1 missing)
};
bool MainButtonDisabled(int command, const MainButtonFacts& facts);

// The tip of a menu text: up to the first "...", tab or "(&X)" group, '&'
// dropped, double-byte characters whole.
void MenuTextToTip(const char* menuText, char* out, size_t outSize);

// Bar state.
extern int ToolBar2Page;       // 0..2 (the area-blur amount is in ui/frame_link.h)
// Repaints the colour swatch of the pen option bar.
void RedrawColourSwatch();
// Presses the second bar's button of a tool (as a click does); a tool without
// a button is sent to the frame as its command.
void PressToolButton(int command);
// Repaints the main bar's button of a command, which fades or shows it anew.
void RepaintMainBarButton(int command);
// Repaints the buttons (and groups) of two tool commands on both bars.
void RepaintToolButtons(int oldTool, int newTool);
// A tab of the pen option bar was chosen: switches the second bar's page and,
// when the current tool has no button on it, selects the page's first tool.
void SelectToolBarPage(int page);
// Writes the area-blur amount into its field when the text differs (frame timer).
void RefreshAreaBlurField();
// Opacity for a gauge position x of a gauge `width` pixels wide.
int OpacityFromGaugeX(int x, int width);
// Text the opacity gauge shows for a value in a number display mode, and the x
// where it goes in a gauge `width` wide.
void OpacityGaugeText(int opacity, int numberMode, char* out, size_t outSize, int width, int* x);

// Tips: one at a time, shown in a window of the tip class (the frame's top
// child) after a 200 ms pause over a button while the pointer is captured.
struct TipStateRecord {
    HWND capture;     // the button holding the capture, or null
    int timerId;      // -1 when none
    HWND tip;         // the tip window (hidden when no tip is up)
    bool shown;
    char text[256];
};
extern TipStateRecord TipState;
void ShowTip(int x, int y, const char* text);
void EndTip();
// Ends the tip and the arrow pop-up of the bars (application deactivated).
void EndToolBarTips();

// Hovered button of each bar (-1 none).
extern int MainBarHovered;
extern int ToolBar2Hovered;

// Control ids of the pen option bar.
enum PenOptionBarItem {
    kBarTabFirst = 100,   // 100..102
    kBarSwatch = 120,
    kBarGauge = 121,
    kBarBlurEdit = 122,
    kBarBlurSpin = 123,
    kBarPanelButton = 130,
    kBarTabletButton = 140,
};

LRESULT CALLBACK ToolBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToolBarIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToolBar2WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToolBar2IconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK PenOptionBarWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK PenIconWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ToolTipWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
