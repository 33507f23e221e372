// Placing a floating image into a document: the rows of a picture, a text or
// a sticker written into the current plane through the pen (its opacity, the
// tone mask, the selection and the layer's protect mask), or a picture with
// its opacity written straight into the layer's planes; the text's shadow
// first, in the shadow colour.
#pragma once
#include "canvas/canv_doc.h"

struct VmsImage;

// What a floating image is and how its rows are placed.
enum : int {
    FloatKindPicture = 0,   // colour rows blended through the pen, the opacity as weight
    FloatKindText = 1,      // a text image (255 paper, 0 ink) painted with the pen's rows
    FloatKindSticker = 2,   // a sticker text: its three passes painted in their colours
    FloatKindOpacity = 4,   // colour and opacity written into the layer as they are
};

// The shadow of a text: its image (same size as the text, 255 no shadow), the
// offset from the text in image pixels, and the colour it is painted in.
struct FloatShadow {
    int on;             // 0: no shadow is painted (the offset still shapes a sticker)
    VmsImage* image;    // a text's shadow image; null: none (a sticker makes its own)
    int dx, dy;
    int softness;       // 3 x 3 mean passes of a sticker's shadow
    int red, green, blue;
};

// Writes image (mask: its 8-bit opacity, 255 opaque, or null) into the current
// plane of doc with its top-left at (x, y), resized smoothly to w x h when its
// size differs. With a shadow, the shadow is painted first: a positive offset
// puts it at (x + dx, y + dy) and the image at (x, y); a negative one puts the
// shadow at x (or y) and moves the image by -dx (or -dy). A sticker is
// rendered again and placed by StampStickerText; when that cannot be done its
// composed picture is placed as a picture. Redraws the box.
void StampFloating(CanvDoc* doc, VmsImage* image, VmsImage* mask, const FloatShadow& shadow, int x, int y, int w,
                   int h, int kind);
// A sticker text rendered again through the sticker renderer and painted
// pass by pass: the backing in the backing colour, the shadow (text and frame
// ink, softened) in the shadow colour, the frame in the frame colour, then the
// text in what the pen paints. w x h is the size the composed sticker (the
// sticker and its shadow offset) is shown at. 0 when the renderer failed.
int StampStickerText(CanvDoc* doc, const FloatShadow& shadow, int x, int y, int w, int h);
