#include "app/instruments.h"

#include <cstdio>
#include <cstring>

#include "app/commands.h"
#include "app/framedlg.h"
#include "app/globals.h"
#include "app/paint_frame.h"
#include "fileio/parts_box.h"
#include "fileio/twain.h"
#include "canvas/canv_window.h"
#include "app/settings.h"
#include "app/statusbar.h"
#include "app/toolbar.h"
#include "ui/frame_link.h"
#include "ui/msgbox.h"
#include "ui/sysutil.h"
#include "image/pen_colour.h"
#include "paint/pen_panel.h"

namespace {

void CameraInput(HWND frame) {
    char source[MAX_PATH] = {}, name[256] = {};
    if (!ShowCameraInputDialog(frame, source, sizeof source, name, sizeof name)) return;
    if (source[0] && source[1] == ':') {
        char folder[MAX_PATH + 2];
        std::snprintf(folder, sizeof folder, "%s\\", source);
        char path[MAX_PATH] = {};
        if (OpenPartsBox(frame, folder, path, "*.*", "デジタルカメラから入力"))
            SendMessageA(frame, WM_COMMAND, CMD_FILE_OPENPATH, (LPARAM)path);
    } else if (CompareNoCase(source, "TWAIN") == 0) {
        TwainShutdown();
        TwainCloseSource();
        TwainCloseManager();
        if (!TwainAcquire(frame, 1, 3, name))
            ShowMessageBox(frame, LoadResString(IDS_NO_TWAIN_SOURCE), kAppTitle, kMsgOk);
    }
}

}  // namespace

void InstrumentsOnFrameCreate(HWND frame) {
    static_assert(sizeof Env.penColour == sizeof PenColour, "the colour block of the settings");
    std::memcpy(&PenColour, Env.penColour, sizeof PenColour);
    // The stored block may come from a file of any content: the other models
    // are made again from its red, green and blue (clamped).
    SetPenColourRgb(PenColour.red, PenColour.green, PenColour.blue);
    PenColourGaugeModel = Env.penIntAfterDensity >= 0 && Env.penIntAfterDensity <= 3 ? Env.penIntAfterDensity : 0;
    AreaBlurAmount = 0;
    ToolBar2Page = 0;
    SetPenColourListener(kPenColourFrame, RedrawColourSwatch);
    CreateTitleWindow(frame);
    PaintOnFrameCreate(frame);
}

void InstrumentsOnTimerTick() {
    RefreshAreaBlurField();
    RefreshPenSizeField();
    RefreshBrushCursor();
}

int InstrumentsOnCommand(HWND frame, int id) {
    switch (id) {
    case CMD_HELP_ABOUT:
        ShowAboutBox(frame);
        return 1;
    case CMD_FILE_CAMERA:
        CameraInput(frame);
        return 1;
    }
    return 0;
}

void InstrumentsBeforeSave() {
    PaintBeforeSave();
    std::memcpy(Env.penColour, &PenColour, sizeof PenColour);
    Env.penIntAfterDensity = PenColourGaugeModel;
}
