// The floating image of a paste: a picture (from the clipboard, from a file, or
// handed over by the text tool) that hovers over one document, is moved and
// resized with the mouse, and is then added as a new layer at its frame or
// cancelled. At most one exists in the program; it is owned here.
//
// The paste commands (14001, 14003) and the text-placing tool (20006) start
// one with PasteAtCursor; FloatImage floats a picture made by the caller.
// Placing writes it through select/floating_stamp.h.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// Sources of a paste: the clipboard, a file, the text tool's text.
enum : int { FloatFromClipboard = 0, FloatFromFile = 1, FloatFromText = 2 };
// Commands of OnFloatingCommand: placed into the current plane (a picture
// through the pen, or with its opacity written as it is), added as a new
// layer, shown at its own size, cancelled.
enum : int {
    FloatPlaceInPlane = 1,
    FloatPlaceWithOpacity = 2,
    FloatPlaceAsLayer = 3,
    FloatOwnSize = 21,
    FloatCancel = 88,
};

// 1 for the tools under which a floating image lives (14001, 14003, 20006).
int IsFloatingTool(int tool);

// Starts a floating image from the clipboard or a file (path; with again the
// last path) at the top-left of the visible part of the document, repaints.
// 0 with the message already shown when there is nothing to paste.
int PasteAtCursor(CanvDoc* doc, int source, const char* path);
int StartFloating(CanvDoc* doc, int source, int again, const char* path);
// Floats a picture made by the caller: a 24-bit image and its 8-bit opacity
// (255 opaque; null: opaque everywhere), at image point (x, y) of the document
// (x < 0: the top-left of the visible part). Ownership of both images passes to
// the floating image, also on failure (0). kind as in select/floating_stamp.h
// (a text image of kind 1: 255 paper, 0 ink). Any floating image before it is
// placed first.
int FloatImage(CanvDoc* doc, VmsImage* image, VmsImage* opacity, int x, int y, int kind);

// Mouse on the document while a floating tool is current: corner resize,
// move, or (with none floating) the last paste again. 1 when handled.
int OnFloatingMouseDown(CanvDoc* doc);
// The right-button menu: place, own size, cancel. 1 when shown.
int ShowFloatingMenu(CanvDoc* doc);
// 3 adds the image as a new layer at its frame, the undo step of that layer
// taken before the image is written into it; 1 and 2 write it into the
// current plane after an undo step of it (keep: the floating image stays to
// be dropped by the caller); 88 cancels. 1 when the command applied.
int OnFloatingCommand(CanvDoc* doc, int command, int keep);
// Ends the floating image: an image never placed is first added as a layer.
void DropFloating(CanvDoc* doc);
// DropFloating of the floating image's own document (for a tool change).
void DropFloatingIfPasting();
// Esc: the floating image disappears without a layer.
void CancelFloating(CanvDoc* doc);

// The document the image floats over, or null.
CanvDoc* FloatingTarget();
// Frame of the floating image in image pixels (inclusive), widened right and
// down by a text's shadow offset; 0 when none floats.
int GetFloatingFrame(RECT* frame);
// The cursor name over a corner of the frame, or null.
const char* HitTestFloating(CanvDoc* doc);
// Draws the floating image and its frame over the freshly painted display
// rectangle (display coordinates, inclusive) of its document.
void DrawFloatingImage(CanvDoc* doc, HDC dc, const RECT& paint);
