// The pen on a canvas document: the PenCanvas view of a CanvDoc (its planes,
// selection mask, undo checkpoints, repaint and stroke layer), and the entry
// the canvas's mouse routing calls for the pen tools.
#pragma once
#include "canvas/canv_doc.h"
#include "paint/pen_canvas.h"

// Fills view for the document (current plane, layers in use, services).
void MakePenCanvas(CanvDoc* doc, PenCanvas* view);

// A button press of a pen tool on the document's display at display point
// (x, y): the freehand stroke of the pen (left) or the snapshot stroke
// (right); the clone tool sets its offset first. 1 when the press was the
// pen's, 0 when the current tool is not a freehand pen tool or the event is
// not a press (2, a double click). Fits the canvas host's toolMouse.
int PenToolMouse(CanvDoc* doc, int button, int x, int y);

// 1 when the brush images hold a snapshot or effect taken from another plane
// than the document's current plane. Fits the canvas host's brushFromOtherPlane.
int PenBrushFromOtherPlane(CanvDoc* doc);
// For the canvas's brush outline: half sizes of the current brush; 0 when no
// outline is drawn (no tip).
int PenBrushRadius(int* rx, int* ry);
// The texture of the blank-paper command: the colour image of the fancy-pen
// stamp (or roller) the user chose; null without one, and while the brush
// images hold an effect or a snapshot. Fits the canvas host's paperTexture.
struct VmsImage* PenPaperTexture();
// For the canvas's clone cross: 1 with the clone source's offset from the
// pointer (image pixels) while the pen clones and the source has been set
// (Shift + drag), else 0.
int PenCloneSource(int* dx, int* dy);
// 1 when the current pen paints the stroke layers (the edge pen).
int PenWantsStrokeLayer();
// Canvas commands 21000 and 21001: the selection filled (outline 0) or its
// outline drawn (outline 1) with the pen, one undo step. Fits the canvas
// host's selectionWithPen.
int PenOnSelection(CanvDoc* doc, int outline);
// The pen's canvas commands: 21066 (gradient fill of the current plane's
// rectangle through the gradient dialog) and 14006 (the text as a new layer).
// 1 when id was one of them. Fits the canvas host's penCommand.
int PenCanvasCommand(CanvDoc* doc, HWND canvasWindow, int id);
