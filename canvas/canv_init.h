// New document initialisation: the layer images of a request, the first zoom,
// and the filling by origin (blank, file, merged copy, duplicate, resized,
// rotated, shifted and cropped copies, the scanner work file).
#pragma once
#include "canvas/canv_doc.h"

// Refuses a request no canvas can hold, with a message: no layers, a side
// below 1, a side above 30,000, more than 128 layers. 1 when it is sound.
int CheckCanvasRequest(const NewCanvasRequestRecord& request, int showMessage);
// 1 when a document's creation told the user why it failed since the last
// call (the frame then adds no message of its own); clears the mark.
int TakeCanvasRefusalShown();
// Copies the request's layer rectangles into the planes (InitCanvDocFields).
void InitCanvDocFields(CanvDoc* doc);
// 1 success, 0 failure (the window is then not created; nothing is left over).
int InitCanvDoc(CanvDoc* doc);
// Reads the request's file into the prepared layers (origin 1).
int LoadCanvSource(CanvDoc* doc);
// The canvas road of reading: the layers, planes, names, positions, blend
// modes, transparency and resolution of the file into the document.
int LoadCanvasImageFile(CanvDoc* doc, const char* path);
// A work file "~~initcanvNNNNN.tmp" of the program folder: reads and deletes
// its record and closes the document it names (when that document is live and
// unchanged, or its owner agrees). 1 when the path came from a record.
int RestoreInitCanvas(CanvDoc* doc, const char* path);
