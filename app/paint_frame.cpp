#include "app/paint_frame.h"

#include "app/globals.h"
#include "app/toolbar.h"
#include "canvas/canv_doc.h"
#include "paint/gradient_dlg.h"
#include "paint/pen_state.h"
#include "paint/tablet.h"
#include "paint/text_raster.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"
#include "resources/resource.h"
#include "select/floating.h"

// The gradient button shows whether a fade is chosen.
static void RepaintGradientButton() { RepaintMainBarButton(CMD_GRADIENTDLG); }

void PaintOnFrameCreate(HWND frame) {
    c_ToneMask::Reset();
    c_ToneMask::ModesChangedHook = RepaintGradientButton;
    c_ToneMask::LoadToneDat(ProgramFolder);
    c_FontCatalogue::Build();
    ResetTextSettings();
    c_Tablet::Init(frame);
}

void PaintOnFrameDestroy() {
    if (AppWindows.tabletDialog && IsWindow(AppWindows.tabletDialog)) DestroyWindow(AppWindows.tabletDialog);
    AppWindows.tabletDialog = nullptr;
    c_Tablet::Close();
    c_ToneMask::Reset();
    c_ToneMask::ModesChangedHook = nullptr;
}

void PaintMenuState(HMENU menu) {
    CheckMenuItem(menu, CMD_PEN_INSIDESEL, MF_BYCOMMAND | (Pen.selectionFlag ? MF_CHECKED : MF_UNCHECKED));
}

void PaintBeforeSave() { c_ToneMask::SaveToneDat(ProgramFolder); }

int FloatText(CanvDoc* doc) {
    // The text-placing tool floats the text over the active document.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_FLOAT, 0);
    return doc && FloatingTarget() == doc;
}

// The pen bar's tablet button.
void ShowTabletDialog(HWND owner) { SendMessageA(owner, WM_COMMAND, CMD_VIEW_TABLET, 0); }

int PaintOnCommand(HWND frame, int id) {
    switch (id) {
    case CMD_VIEW_TABLET:
        AppWindows.tabletDialog = ToggleTabletDialog(frame, AppWindows.tabletDialog, CMD_VIEW_TABLET);
        return 1;
    case CMD_GRADIENTDLG:
        ShowGradientDialog(frame);
        return 1;
    case CMD_PEN_INSIDESEL:
        Pen.selectionFlag = !Pen.selectionFlag;
        return 0;
    case CMD_IMG_TEXT: {
        CanvDoc* doc = GetActiveCanvas();
        if (!doc) return 1;
        // The dialog's answer: 0 floats the text, 1 makes it a layer at once.
        const int answer = ShowTextDialog(frame, doc);
        if (answer == 0) FloatText(doc);
        else if (answer == 1) SendMessageA(frame, WM_COMMAND, CMD_EDIT_TEXTLAYER, 0);
        return 1;
    }
    }
    return -1;
}
