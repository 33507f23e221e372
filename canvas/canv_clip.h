// The clipboard of the canvases: copy of the current plane (CF_DIB with the
// "Darna_Transp" and "Darna_SelArea" companions), paste as a new layer, paste
// of an image file as a layer, and the new document made from the clipboard.
// Every clipboard image is checked against its block (clip_dib.h) and read
// through the work file "%sclip.tmp" of the program folder, which lives only
// during one read.
#pragma once
#include <windows.h>

#include "canvas/canv_doc.h"

// The registered formats (registered on first use; the ids stay for the run).
UINT ClipFormatTranspId();
UINT ClipFormatSelAreaId();
UINT ClipFormatMaskId();

// The copy rectangle of a document (the whole canvas without a selection or
// with a line selection, else the selection's box cut to the canvas) and the
// copy of the current plane over it. Plane 0 puts 32-bit colour with both
// companions, the other planes an 8-bit grey CF_DIB with "Darna_SelArea".
void GetCopyRect(const CanvDoc* doc, RECT* rect);
void CopyToClipboard(CanvDoc* doc);
void CopySelToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1);
void CopyPlaneToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1, int plane);
void CopyTranspToClipboard(CanvDoc* doc, int x0, int y0, int x1, int y1);

// 1 with the CF_DIB's size and depth when the clipboard holds a readable
// image, 0 otherwise (outputs may be null).
int GetClipboardDibInfo(int* width, int* height, int* bits);
// The clipboard image as a new 24-bit image with its resolution, or null: no
// CF_DIB, or (said in a message box) a clipboard that cannot be opened, a block
// that cannot be read, a work file that fails, or no memory.
VmsImage* PasteClipImage();
// A companion as a new 8-bit image, or null when the clipboard holds none,
// it cannot be read, or its size differs from width x height.
VmsImage* LoadClipTransp(int width, int height);
VmsImage* LoadClipSelArea(int width, int height);
VmsImage* LoadClipMask(int width, int height);

// Adds a layer for the image at (x, y) (x < 0: the view's top-left corner)
// with the transparency (null: opaque), limited to the selection area (0
// selected, 255 protected; null: everywhere). The new layer's plane index,
// or 0 when no layer could be added. The caller keeps and frees the images.
int PasteAsLayer(CanvDoc* doc, VmsImage* image, VmsImage* transparency, const VmsImage* area, int x, int y);
// 1 when the clipboard image became a layer.
int PasteClipboardAsLayer(CanvDoc* doc);
// mode 0 asks for the file (the chooser handed down by SetPasteFileChooser;
// without one nothing is asked and nothing pasted), mode 1 offers the parts of
// the program folder's material folder in the parts box, mode 2 reads path; fit shrinks the image into the canvas. What PasteAsLayer returns, 0
// on cancel or a file that cannot be read.
int PasteFileAsLayer(CanvDoc* doc, int mode, const char* path, int x, int y, int fit);
// The open-file dialog of the frame: 1 with the chosen path (MAX_PATH bytes).
typedef int (*PasteFileChooser)(HWND owner, char* path);
void SetPasteFileChooser(PasteFileChooser chooser);
// For the image-mix dialog: pastes (fitted when asked) and switches the new
// layer's history on.
int PasteImageAsLayer(CanvDoc* doc, VmsImage* image, VmsImage* transparency, int x, int y, int fit);

// Fills the request of a new document from the clipboard image: 1 when
// ready, 0 when the clipboard holds no image, -1 when its image cannot be
// read (already said in a message box).
int PrepareClipboardCanvas();
// Fills a new document's base layer from the clipboard (origin 3): image,
// transparency, and the protected part of the copied selection made
// transparent. No image: "クリップボードのエラー" and the layer stays white.
void NewDocFromClipboard(CanvDoc* doc);

// The edit commands of a document that land here (14000 copy, 14002 paste,
// 14004 paste a file). 1 when the command was one of them.
int ClipCommand(CanvDoc* doc, int id);
