#include "select/sel_tool.h"

#include <windowsx.h>

#include <cstring>
#include <utility>

#include "ui/dlgfield.h"
#include "ui/drawutil.h"
#include "ui/mousepoll.h"
#include "ui/msgbox.h"
#include "ui/ui_hook.h"
#include "canvas/canv_history.h"
#include "canvas/canv_host.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_window.h"
#include "resources/resource.h"
#include "image/pen_colour.h"
#include "paint/pen_state.h"
#include "select/floating.h"
#include "select/sel_internal.h"
#include "select/sel_mask.h"
#include "select/sel_path.h"
#include "select/sel_strings.h"

namespace {

// The document whose outline is hidden while a drag draws its own band.
CanvDoc* g_outlineHidden = nullptr;
// The document the path in hand belongs to (the active one).
CanvDoc* g_pathDoc = nullptr;
// The cursor that a hit-test cursor displaced.
HCURSOR g_displacedCursor = nullptr;

// The amount dialog's values for the run.
int g_amount = 1;
int g_amountChoice = 0;

INT_PTR CALLBACK SelAmountDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow(dlg);
        SetWindowTextA(dlg, (const char*)lp);
        SetWindowInt(GetDlgItem(dlg, 100), g_amount);
        CheckDlgButton(dlg, 110 + (g_amountChoice ? 1 : 0), BST_CHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK: EndDialog(dlg, g_amount); return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        case 100:
            if (HIWORD(wp) == EN_CHANGE) ReadDlgItemInt(dlg, 100, &g_amount, 50, 1);
            return TRUE;
        case 110:
        case 111: g_amountChoice = LOWORD(wp) - 110; return TRUE;
        }
        break;
    case WM_VSCROLL:
        if (GetDlgCtrlID((HWND)lp) == 101) SpinDlgItemInt(dlg, 100, &g_amount, 50, 1, LOWORD(wp));
        return TRUE;
    case WM_SYSCOMMAND:
        return EndDialogOnClose(dlg, wp, 0);
    }
    return FALSE;
}

void DrawLayerFrames(CanvDoc* doc, HDC dc) {
    if (doc->selShapes[9].kind != CMD_TOOL_LAYERSELECT) return;
    for (int l = 1; l < CanvMaxLayers && LayerInUse(doc, l); ++l) {
        const LayerPlane* b = LayerBase(doc, l);
        if (b->frameHighlight == 0) continue;
        const int x0 = ImageToScreenX(doc, b->x), y0 = ImageToScreenY(doc, b->y);
        const int x1 = ImageToScreenX(doc, b->x + b->width - 1), y1 = ImageToScreenY(doc, b->y + b->height - 1);
        if (b->frameHighlight == 1) DrawXorColourRect(dc, x0, y0, x1, y1, RGB(128, 128, 192));
        else DrawXorRect(dc, x0, y0, x1, y1);
        SelDrawHandle(dc, x0, y0);
        SelDrawHandle(dc, x1, y0);
        SelDrawHandle(dc, x1, y1);
        SelDrawHandle(dc, x0, y1);
    }
}

}  // namespace

int SelAfterShapeOption = 0;

// ---------------------------------------------------------------------------
// Small helpers of the units.

bool SelShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool SelAltDown() { return GetKeyState(VK_MENU) < 0; }

POINT SelClampToCanvas(const CanvDoc* doc, POINT p) {
    if (p.x < 0) p.x = 0;
    if (p.y < 0) p.y = 0;
    if (p.x > doc->width - 1) p.x = doc->width - 1;
    if (p.y > doc->height - 1) p.y = doc->height - 1;
    return p;
}

POINT SelCursorImage(CanvDoc* doc, int offsetX, int offsetY) {
    POINT p;
    GetCursorImagePos(doc, &p, offsetX, offsetY);
    return p;
}

POINT SelCursorDisplay(CanvDoc* doc) {
    POINT c;
    GetPolledCursorPos(&c);
    if (doc->display) ScreenToClient(doc->display, &c);
    return c;
}

void SelShowCorners(int x0, int y0, int x1, int y1) {
    CanvReportProgress(6, MAKELPARAM(x0, y0));
    CanvReportProgress(7, MAKELPARAM(x1, y1));
}

void SelClearStatus() { CanvReportProgress(0, 0); }

void SelDrawHandle(HDC dc, int x, int y) { DrawXorRect(dc, x - 4, y - 4, x + 4, y + 4); }

HCURSOR SelCursor(const char* name) {
    HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), name);
    return cursor ? cursor : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
}

void SelSendFrameCommand(int id, LPARAM lp) {
    if (HWND frame = CanvFrameWindow()) SendMessageA(frame, WM_COMMAND, (WPARAM)id, lp);
}

int SelPopupMenu(CanvDoc* doc, HMENU menu) {
    POINT at;
    GetCursorPos(&at);
    const int chosen = (int)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, doc->display, nullptr);
    DestroyMenu(menu);
    return chosen;
}

void SelPressToolButton(int id) {
    const CanvasHost& host = GetCanvasHost();
    if (host.pressToolButton) host.pressToolButton(id);
    else SelSendFrameCommand(id);   // the frame selects the tool as its button would
}

void SelNormaliseBox(SelShape& s) {
    if (s.x0 > s.x1) std::swap(s.x0, s.x1);
    if (s.y0 > s.y1) std::swap(s.y0, s.y1);
}

void SelSnapshot(CanvDoc* doc) {
    const SelShape& s = doc->selShapes[5];
    SelShape& c = doc->selShapes[0];
    c.kind = s.kind;
    c.x0 = s.x0;
    c.y0 = s.y0;
    c.x1 = s.x1;
    c.y1 = s.y1;
    c.count = s.count;
    std::memcpy(c.points, s.points, sizeof(float) * 2 * (size_t)(s.count > 0 ? s.count : 0));
}

void SelRepaint(CanvDoc* doc) {
    if (doc && doc->display) RedrawNow(doc->display);
}

void AutoScrollEdge(CanvDoc* doc) {
    if (!doc->pane) return;
    POINT c;
    GetPolledCursorPos(&c);
    ScreenToClient(doc->pane, &c);
    RECT rc;
    GetClientRect(doc->pane, &rc);
    auto scroll = [&](UINT msg, int code, int bar) {
        const int before = GetScrollPos(doc->pane, bar);
        SendMessageA(doc->pane, msg, (WPARAM)code, 0);
        if (GetScrollPos(doc->pane, bar) != before) SelRepaint(doc);
    };
    if (c.x < 8) scroll(WM_HSCROLL, SB_LINELEFT, SB_HORZ);
    if (c.y < 8) scroll(WM_VSCROLL, SB_LINEUP, SB_VERT);
    if (c.x > rc.right - 8) scroll(WM_HSCROLL, SB_LINERIGHT, SB_HORZ);
    if (c.y > rc.bottom - 8) scroll(WM_VSCROLL, SB_LINEDOWN, SB_VERT);
}

// Hides the document's outline for a drag that draws its own band; the end of
// the drag repaints (SelEndDrag).
void SelBeginDrag(CanvDoc* doc) {
    if (g_outlineHidden == doc) return;
    c_SelectionTool::DrawOutline(doc, nullptr);
    g_outlineHidden = doc;
}
void SelEndDrag(CanvDoc* doc, int repaint) {
    if (g_outlineHidden != doc) return;
    g_outlineHidden = nullptr;
    if (repaint) SelRepaint(doc);
    else c_SelectionTool::DrawOutline(doc, nullptr);
}
bool SelOutlineHidden(const CanvDoc* doc) { return g_outlineHidden == doc; }

// ---------------------------------------------------------------------------

void c_SelectionTool::CommitShape(CanvDoc* doc, int repaint) {
    if (!doc) return;
    SelShape& s = Current(doc);
    doc->maskPending = 1;
    const int mode = s.kind;
    if (mode == ShapeNone) {
        SelFreeMask(doc);
    } else if (mode != CMD_TOOL_COLORREGION && mode != ShapeMaskOnly) {
        // A new mask replaces the old one only when it could be made.
        VmsImage* old = doc->selectionMask;
        doc->selectionMask = nullptr;
        if (!SelCreateMask(doc, 1)) {
            doc->selectionMask = old;
            s = doc->selShapes[0];
            return;
        }
        VmsImage* made = doc->selectionMask;
        doc->selectionMask = old;
        SelFreeMask(doc);
        doc->selectionMask = made;
    }
    // A line keeps its direction; a colour region's box is exact or empty.
    if (mode != CMD_TOOL_SELLINE && mode != CMD_TOOL_COLORREGION) SelNormaliseBox(s);
    DeletePathState(doc);
    switch (mode) {
    case CMD_TOOL_SELRECT: SelRectToMask(doc, s.x0, s.y0, s.x1, s.y1); break;
    case CMD_TOOL_SELELLIPSE:
    case CMD_TOOL_SELGRADIENT: SelEllipseToMask(doc, s.x0, s.y0, s.x1, s.y1); break;
    case CMD_TOOL_POLYGON:
    case CMD_TOOL_EDGELASSO: {
        int x0, y0, x1, y1;
        if (s.count >= 3 && SelPointsToMask(doc, s.points, s.count, &x0, &y0, &x1, &y1)) {
            s.x0 = x0;
            s.y0 = y0;
            s.x1 = x1;
            s.y1 = y1;
        } else {
            SelFillMask(doc, 1);
        }
        break;
    }
    case CMD_TOOL_PATH:
    case CMD_TOOL_LASSO: PathToMask(doc); break;
    case ShapeNone:
    case ShapeMaskOnly:
    case CMD_TOOL_COLORREGION:   // the region is in the mask already
    case CMD_TOOL_SELLINE:
    case CMD_TOOL_POLYLINE:
    case CMD_TOOL_SPLINE: break;     // open shapes select everything
    default: SelFillMask(doc, 1); break;
    }
    if (repaint) SelRepaint(doc);
    SelSnapshot(doc);
}

void c_SelectionTool::Deselect(CanvDoc* doc) {
    if (!doc) return;
    const bool shaded = doc->selectionMask && doc->selShapes[0].kind != ShapeNone;
    if (!SelOutlineHidden(doc)) DrawOutline(doc, nullptr);
    SelShape& s = Current(doc);
    if (s.kind == CMD_TOOL_PATH || s.kind == CMD_TOOL_LASSO || s.kind == CMD_TOOL_EDGELASSO) ClearPath();
    s.kind = ShapeNone;
    s.x0 = 0;
    s.y0 = 0;
    s.x1 = doc->width - 1;
    s.y1 = doc->height - 1;
    s.count = 0;
    SelSnapshot(doc);
    SelFreeMask(doc);
    if (!SelOutlineHidden(doc)) DrawOutline(doc, nullptr);
    if (shaded) SelRepaint(doc);
}

void c_SelectionTool::SelectAll(CanvDoc* doc) {
    if (!doc) return;
    DrawOutline(doc, nullptr);
    SelShape& s = Current(doc);
    s.kind = CMD_TOOL_SELRECT;
    s.x0 = 0;
    s.y0 = 0;
    s.x1 = doc->width - 1;
    s.y1 = doc->height - 1;
    s.count = 0;
    doc->maskPending = 1;
    SelRepaint(doc);
}

void c_SelectionTool::SelectLayerArea(CanvDoc* doc) {
    if (!doc) return;
    DrawOutline(doc, nullptr);
    const LayerPlane& p = doc->planes[doc->currentPlane];
    SelShape& s = Current(doc);
    s.kind = CMD_TOOL_SELRECT;
    s.x0 = p.x;
    s.y0 = p.y;
    s.x1 = p.x + p.width - 1;
    s.y1 = p.y + p.height - 1;
    s.count = 0;
    doc->maskPending = 1;
    SelRepaint(doc);
}

void c_SelectionTool::GetShapeKind(CanvDoc* doc, int* area, int* outline) {
    *area = 1;
    *outline = 1;
    if (!doc) return;
    switch (Current(doc).kind) {
    case ShapeNone:
    case CMD_TOOL_COLORREGION: *outline = 0; break;
    case CMD_TOOL_SELLINE:
    case CMD_TOOL_POLYLINE:
    case CMD_TOOL_SPLINE: *area = 0; break;
    default: break;
    }
}

void c_SelectionTool::AfterShape(CanvDoc* doc) {
    const int option = SelAfterShapeOption;
    const int mode = Current(doc).kind;
    if (option == 1 || (option == 2 && mode != CMD_TOOL_POLYLINE && mode != CMD_TOOL_SPLINE)) {
        int* style = GetCanvasHost().selShadeStyle;
        const int saved = style ? *style : 0;
        if (style) *style = 0;
        SelSendFrameCommand(option == 1 ? CMD_IMG_STROKESEL : CMD_IMG_FILLSEL);
        Deselect(doc);
        if (style) *style = saved;
    }
    SelRepaint(doc);
}

void c_SelectionTool::DrawOutline(CanvDoc* doc, HDC given) {
    if (!doc || !doc->display) return;
    SelDc d(doc, given);
    if (!d.dc) return;
    const int tool = CanvCurrentTool();
    if (tool == CMD_TOOL_DRAWPOLYFILL || tool == CMD_TOOL_DRAWPOLY) DrawPenPolygon(doc, d.dc);
    const SelShape& s = Current(doc);
    switch (s.kind) {
    case CMD_TOOL_SELRECT:
    case CMD_TOOL_SELLINE:
    case CMD_TOOL_SELELLIPSE:
    case CMD_TOOL_SELGRADIENT: DrawBoxShape(doc, d.dc, s, 1); break;
    case CMD_TOOL_POLYGON: DrawPolygonShape(doc, d.dc, 5); break;
    case CMD_TOOL_POLYLINE: DrawPolylineShape(doc, d.dc); break;
    case CMD_TOOL_SPLINE: DrawSplineShape(doc, d.dc); break;
    case CMD_TOOL_EDGELASSO:
    case CMD_TOOL_PATH:
    case CMD_TOOL_LASSO: DrawPathShape(doc, d.dc); break;
    default: break;
    }
    DrawLayerFrames(doc, d.dc);
}

void c_SelectionTool::EraseUnfinishedOutline(CanvDoc* doc) { CancelUnfinishedShapes(doc); }

void c_SelectionTool::PaintOverlays(CanvDoc* doc, HDC dc, const RECT& paint) {
    if (!doc || !dc) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, paint.left, paint.top, paint.right + 1, paint.bottom + 1);
    if (!SelOutlineHidden(doc)) DrawOutline(doc, dc);
    DrawFloatingImage(doc, dc, paint);
    RestoreDC(dc, saved);
}

void c_SelectionTool::ClearSelection(CanvDoc* doc, int penOpacity) {
    if (!doc) return;
    const int layer = LayerOf(doc->currentPlane);
    const bool alpha = layer > 0 && doc->planes[layer * CanvPlanesPerLayer + 1].image;
    c_UndoManager::SavePoint(doc, alpha ? layer * CanvPlanesPerLayer + 1 : layer * CanvPlanesPerLayer, 1);
    MaskToLayerAlpha(doc, penOpacity);
    SetCanvasModified(doc);
    SelRepaint(doc);
}

void c_SelectionTool::ApplyPendingBlur(CanvDoc* doc, int amount) {
    if (!doc || !doc->maskPending) return;
    const int mode = Current(doc).kind;
    if (mode == ShapeNone) {
        SelFreeMask(doc);
    } else {
        if (mode != ShapeMaskOnly && mode != CMD_TOOL_COLORREGION) CommitShape(doc, 0);
        SelSoftenMask(doc, amount);
    }
    doc->maskPending = 0;
}

int c_SelectionTool::ShowSelAmountDialog(HWND owner, int kind, int* choice) {
    static const char* const templates[3] = {"dra_sellow", "dra_selmin", "dra_selmax"};
    static const char* const captions[3] = {kSelBlurCaption, kSelShrinkCaption, kSelGrowCaption};
    if (kind < 0 || kind > 2) return 0;
    const int n = (int)RunModalDialog(GetModuleHandleA(nullptr), templates[kind], owner, SelAmountDlgProc,
                                      (LPARAM)captions[kind]);
    if (choice) *choice = g_amountChoice;
    return n > 0 ? n : 0;
}

int c_SelectionTool::Command(CanvDoc* doc, int id) {
    if (!doc) return 0;
    // Invert, grow, shrink and blur can be undone to the state before them.
    if (id >= CMD_SEL_INVERT && id <= CMD_SEL_BLUR) c_UndoManager::SavePoint(doc, -1, 1);
    switch (id) {
    case CMD_SEL_DESELECT: Deselect(doc); return 1;
    case CMD_SEL_ALL:
        SelectAll(doc);
        SelPressToolButton(CMD_TOOL_SELRECT);
        return 1;
    case CMD_SEL_LAYERAREA:
        SelectLayerArea(doc);
        SelPressToolButton(CMD_TOOL_SELRECT);
        return 1;
    case CMD_SEL_INVERT:
        DrawOutline(doc, nullptr);
        SelInvert(doc);
        SelRepaint(doc);
        return 1;
    case CMD_SEL_GROW:
    case CMD_SEL_SHRINK: {
        if (!doc->selectionMask) return 1;
        const int n = ShowSelAmountDialog(CanvFrameWindow(), id == CMD_SEL_GROW ? 2 : 1, nullptr);
        if (n <= 0) return 1;
        DrawOutline(doc, nullptr);
        if (id == CMD_SEL_GROW) SelGrow(doc, n);
        else SelShrink(doc, n);
        SelRepaint(doc);
        return 1;
    }
    case CMD_SEL_BLUR:
        if (!doc->selectionMask) return 1;
        DrawOutline(doc, nullptr);
        SelBlur(doc, 1, 0);
        SelRepaint(doc);
        return 1;
    case CMD_IMG_SHAPETOPATH: {
        // A rectangle, ellipse or line becomes a path; whatever the shape, the
        // path tool is chosen.
        DrawOutline(doc, nullptr);
        const int mode = Current(doc).kind;
        if (mode == CMD_TOOL_SELRECT) RectToPath(doc);
        else if (mode == CMD_TOOL_SELELLIPSE) EllipseToPath(doc);
        else if (mode == CMD_TOOL_SELLINE) LineToPath(doc);
        SelSendFrameCommand(CMD_TOOL_PATH);
        return 1;
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// Mouse.

int c_SelectionTool::OnMouseDown(CanvDoc* doc) {
    if (!doc) return 0;
    const int tool = CanvCurrentTool();
    Pen_ResetStrokeCounter();
    // While an image floats over the document (a paste, or the text tool's
    // text), the document's mouse belongs to it.
    if (IsFloatingTool(tool) || FloatingTarget() == doc) return OnFloatingMouseDown(doc);
    switch (tool) {
    case CMD_TOOL_SELRECT:
    case CMD_TOOL_TRIM: TrackRectSelection(doc); break;
    case CMD_TOOL_SELLINE: TrackLineSelection(doc); break;
    case CMD_TOOL_SELELLIPSE:
    case CMD_TOOL_SELGRADIENT: TrackEllipseSelection(doc, tool); break;
    case CMD_TOOL_POLYGON: TrackPolygon(doc, 5); return 1;
    case CMD_TOOL_COLORREGION: StartColorRegion(doc); break;
    case CMD_TOOL_POLYLINE: TrackPolyline(doc, CMD_TOOL_POLYLINE); break;
    case CMD_TOOL_EDGELASSO:
        if (!TrackEdgeLasso(doc)) return 1;
        break;
    case CMD_TOOL_SPLINE: TrackPolyline(doc, CMD_TOOL_SPLINE); break;
    case CMD_TOOL_PATH: TrackPath(doc); return 1;
    case CMD_TOOL_LASSO: TrackLasso(doc); break;
    case CMD_TOOL_LAYERSELECT: PickLayer(doc); return 1;
    case CMD_TOOL_DRAWLINE:
    case CMD_TOOL_DRAWBOXFILL:
    case CMD_TOOL_DRAWELLIPSEFILL:
    case CMD_TOOL_DRAWBOX:
    case CMD_TOOL_DRAWELLIPSE: DrawWithShapeTool(doc, tool); break;
    case CMD_TOOL_DRAWPOLYFILL:
    case CMD_TOOL_DRAWPOLY: TrackPolygon(doc, 1); break;
    default: return 0;
    }
    AfterShape(doc);
    SetCanvasModified(doc);
    return 1;
}

int c_SelectionTool::OnMouseEvent(CanvDoc* doc, int event, int x, int y) {
    (void)x;
    (void)y;
    if (!doc) return 0;
    if (event == 0) return OnMouseDown(doc);
    const int tool = CanvCurrentTool();
    if (IsFloatingTool(tool) || FloatingTarget() == doc) return ShowFloatingMenu(doc);
    if (ShowShapeMenu(doc)) return 1;
    if (event == 1 && IsSelectionTool(tool)) return ShowAreaMenu(doc);
    return 0;
}

int c_SelectionTool::ShowShapeMenu(CanvDoc* doc) {
    const int tool = CanvCurrentTool();
    switch (tool) {
    case CMD_TOOL_POLYGON: FinishPolygon(doc, 5); return 1;
    case CMD_TOOL_DRAWPOLYFILL:
    case CMD_TOOL_DRAWPOLY: FinishPolygon(doc, 1); return 1;
    case CMD_TOOL_POLYLINE:
    case CMD_TOOL_SPLINE: PolylinePointMenu(doc, tool); return 1;
    case CMD_TOOL_EDGELASSO:
        if (FinishEdgeLasso(doc) || ShowPathMenu(doc)) AfterShape(doc);
        return 1;
    case CMD_TOOL_PATH:
    case CMD_TOOL_LASSO:
        if (ShowPathMenu(doc)) AfterShape(doc);
        return 1;
    case CMD_TOOL_LAYERSELECT: ShowLayerMenu(doc); return 1;
    default: return 0;
    }
}

int c_SelectionTool::ShowAreaMenu(CanvDoc* doc) {
    const SelShape& s = Current(doc);
    if (s.kind == ShapeNone || !doc->display) return 0;
    POINT c = SelCursorDisplay(doc);
    const int x0 = ImageToScreenX(doc, s.x0 < s.x1 ? s.x0 : s.x1) - 100;
    const int x1 = ImageToScreenX(doc, s.x0 < s.x1 ? s.x1 : s.x0) + 100;
    const int y0 = ImageToScreenY(doc, s.y0 < s.y1 ? s.y0 : s.y1) - 100;
    const int y1 = ImageToScreenY(doc, s.y0 < s.y1 ? s.y1 : s.y0) + 100;
    // Within less than 100 display pixels of the box.
    if (c.x <= x0 || c.x >= x1 || c.y <= y0 || c.y >= y1) return 0;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, CMD_EDIT_COPY, kSelMenuCopy);
    AppendMenuA(menu, MF_STRING, CMD_EDIT_PASTE, kSelMenuPaste);
    AppendMenuA(menu, MF_STRING, CMD_SEL_ALL, kSelMenuAll);
    AppendMenuA(menu, MF_STRING, CMD_SEL_DESELECT, kSelMenuNone);
    AppendMenuA(menu, MF_STRING, CMD_IMG_SELTONEW, kSelMenuTrim);
    const int chosen = SelPopupMenu(doc, menu);
    if (!chosen) return 0;
    SelSendFrameCommand(chosen);
    return 1;
}

void c_SelectionTool::UpdateCursor(CanvDoc* doc) {
    if (!doc) return;
    const int tool = CanvCurrentTool();
    const char* name = nullptr;
    if (IsFloatingTool(tool) || FloatingTarget() == doc) {
        name = HitTestFloating(doc);
    } else {
        switch (tool) {
        case CMD_TOOL_SELRECT:
        case CMD_TOOL_TRIM:
        case CMD_TOOL_SELLINE:
        case CMD_TOOL_SELELLIPSE:
        case CMD_TOOL_SELGRADIENT: name = HitTestBoxShape(doc); break;
        case CMD_TOOL_POLYGON:
        case CMD_TOOL_DRAWPOLYFILL:
        case CMD_TOOL_DRAWPOLY: name = PolygonPointerMove(doc, tool == CMD_TOOL_POLYGON ? 5 : 1); break;
        case CMD_TOOL_POLYLINE:
        case CMD_TOOL_SPLINE: name = HitTestPolyline(doc, tool); break;
        case CMD_TOOL_EDGELASSO: name = EdgeLassoPointerMove(doc); break;
        case CMD_TOOL_PATH:
        case CMD_TOOL_LASSO: name = HitTestPath(doc); break;
        default: break;
        }
    }
    if (g_displacedCursor) {
        SetCursor(g_displacedCursor);
        g_displacedCursor = nullptr;
    }
    if (name && *name) g_displacedCursor = SetCursor(SelCursor(name));
}

// ---------------------------------------------------------------------------
// Documents.

void c_SelectionTool::DocumentDeactivated(CanvDoc* doc) {
    if (!doc) return;
    if (g_pathDoc == doc) {
        SavePathState(doc, 1);
        g_pathDoc = nullptr;
    }
    if (FloatingTarget() == doc) {
        // The whole image becomes a layer, whatever part was selected, and
        // the paste tool, which would start it again, gives way.
        Deselect(doc);
        DropFloating(doc);
        SelPressToolButton(CMD_TOOL_LAYERSELECT);
    }
}

void c_SelectionTool::DocumentActivated(CanvDoc* doc) {
    if (!doc || g_pathDoc == doc) return;
    // The activation of one window can come before the deactivation of the
    // other: the path in hand is put away for its own document first.
    if (g_pathDoc) SavePathState(g_pathDoc, 1);
    LoadPathState(doc, 1);
    g_pathDoc = doc;
}

void c_SelectionTool::DocumentClosing(CanvDoc* doc) {
    if (!doc) return;
    if (FloatingTarget() == doc) CancelFloating(doc);
    CancelUnfinishedShapes(doc);
    DeletePathState(doc);
    if (g_pathDoc == doc) {
        ClearPath();
        g_pathDoc = nullptr;
    }
    if (g_outlineHidden == doc) g_outlineHidden = nullptr;
}

// ---------------------------------------------------------------------------
// The canvas's door to the selection.

namespace {
int ServeDocument(CanvDoc* doc, int event) {
    const bool floating = doc && FloatingTarget() == doc;
    switch (event) {
    case SelDocClosing: c_SelectionTool::DocumentClosing(doc); break;
    case SelDocActivated: c_SelectionTool::DocumentActivated(doc); break;
    case SelDocDeactivated: c_SelectionTool::DocumentDeactivated(doc); break;
    case SelDocEscape: CancelFloating(doc); break;
    case SelDocSaving:
        // What floats over the document is saved with it, whole.
        if (floating) {
            c_SelectionTool::Deselect(doc);
            DropFloatingIfPasting();
        }
        break;
    case SelDocCloseQuery:
        // An image still floating becomes a layer first: a change to save.
        if (floating) DropFloatingIfPasting();
        break;
    }
    return floating ? 1 : 0;
}
void ServeOverlays(CanvDoc* doc, HDC dc, const RECT* paint) { c_SelectionTool::PaintOverlays(doc, dc, *paint); }
void ServeCutClear(CanvDoc* doc) { c_SelectionTool::ClearSelection(doc, PenOpacity); }
}  // namespace

void c_SelectionTool::ServeCanvas(CanvasHost* host) {
    host->selectionDocument = ServeDocument;
    host->selectionPendingBlur = ApplyPendingBlur;
    host->selectionCursor = UpdateCursor;
    host->selectionOverlays = ServeOverlays;
    host->selectionCommand = Command;
    host->selectionCutClear = ServeCutClear;
}

bool IsSelectionTool(int tool) {
    switch (tool) {
    case CMD_TOOL_SELRECT:
    case CMD_TOOL_SELLINE:
    case CMD_TOOL_SELELLIPSE:
    case CMD_TOOL_SELGRADIENT:
    case CMD_TOOL_POLYGON:
    case CMD_TOOL_COLORREGION:
    case CMD_TOOL_POLYLINE:
    case CMD_TOOL_EDGELASSO:
    case CMD_TOOL_SPLINE:
    case CMD_TOOL_PATH:
    case CMD_TOOL_LASSO:
    case CMD_TOOL_TRIM: return true;
    default: return false;
    }
}

void Pen_ResetStrokeCounter() { Pen.dabCount = 0; }
