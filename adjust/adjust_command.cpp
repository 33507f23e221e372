#include "adjust/adjust_command.h"

#include "adjust/adjust_layer.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/level_dialog.h"
#include "adjust/mix_dialog.h"
#include "adjust/rotate_dialog.h"
#include "canvas/canv_host.h"
#include "canvas/canv_history.h"
#include "resources/resource.h"

int AdjustCommand(CanvDoc* doc, int id) {
    if (!doc) return 0;
    switch (id) {
    case CMD_IMG_AUTOTONE:
        c_UndoManager::SavePoint(doc, -1, 1);
        ApplyAutoToneBalance(doc);
        SetCanvasModified(doc);
        return 1;
    case CMD_IMG_TONECURVE:
        // The document is changed whenever an application was made, however
        // the dialog was closed.
        if (OpenToneCurveDialog(CanvFrameWindow(), doc)) SetCanvasModified(doc);
        return 1;
    case CMD_IMG_DODGE:
    case CMD_IMG_BURN:
    case CMD_IMG_ONDO: {
        const LevelKind kind = id == CMD_IMG_DODGE ? LevelDodge : id == CMD_IMG_BURN ? LevelBurn : LevelOndo;
        if (OpenLevelDialog(CanvFrameWindow(), doc, kind)) SetCanvasModified(doc);
        return 1;
    }
    case CMD_IMG_BRCONT:
        if (OpenBrContDialog(CanvFrameWindow(), doc)) SetCanvasModified(doc);
        return 1;
    case CMD_IMG_ROTATE:
        // The choice only becomes the next opening's start.
        OpenRotateDialog(CanvFrameWindow(), doc);
        return 1;
    case CMD_IMG_MIX:
        // The undo checkpoint before the new layer marks the document changed.
        OpenMixDialog(CanvFrameWindow(), doc);
        return 1;
    case CMD_IMG_EFFECT:
        OpenEffectDialog(CanvFrameWindow(), doc);
        return 1;
    default:
        return 0;
    }
}
