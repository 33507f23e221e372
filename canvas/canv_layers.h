// The layer stack of a document: adding, deleting, moving, counting, finding,
// clearing and inverting layers and planes, the stroke layer of the pen, and
// the commands that build a layer from pixels or merge layers.
#pragma once
#include "canvas/canv_doc.h"

// Layers in use from slot 0 (onlyVisible: another layer counts only when its
// transparency plane is not all 0).
int CountLayers(const CanvDoc* doc, int onlyVisible);
// New layer in the first free slot: plane index of its plane 0, or -1 (128 in
// use, or no image could be made).
int AddLayer(CanvDoc* doc, int x, int y, int width, int height, int layerType);
void DeleteLayer(CanvDoc* doc, int layer);
// 1 when moved.
int MoveLayer(CanvDoc* doc, int from, int to);
// Plane index of the first layer of that type, or -1.
int FindLayerByType(const CanvDoc* doc, int layerType);
void SetCurrentPlane(CanvDoc* doc, int index);
void SetLayerSaveEnabled(CanvDoc* doc, int on, int layer);
void SetLayerHistoryLimit(CanvDoc* doc, int limit, int layer);
void FreeCanvLayers(CanvDoc* doc);
void ClearPlane(CanvDoc* doc, int plane);
// The current layer as blank paper: 0 white, 1 black, 2 the host's texture
// tiled over the colour image, 3 transparent; the transparency plane, where
// the layer has one, becomes opaque (0, 1, 2) or clear (3). 0 when nothing was
// done: paper 2 without a texture, or an unknown paper.
int ClearImage(CanvDoc* doc, int paper);
// 1 when the host offers a texture for paper 2.
int HasPaperTexture();
void InvertCurrentPlane(CanvDoc* doc);
void InvertLayerPlane(CanvDoc* doc, int plane);
void ClearTransparency(CanvDoc* doc);
void ClearDoubleImage(CanvDoc* doc);
int NewLayerFromSelection(CanvDoc* doc);
void DarkPartsToLayer(CanvDoc* doc);
void MergeLayersToBase(CanvDoc* doc);
int MergeStrokeLayer(CanvDoc* doc);
void PrepareStrokeLayer(CanvDoc* doc, int mergeFirst);
void FinishStrokeLayer(CanvDoc* doc);

// Layer of a plane index and the plane index of a layer's plane 0.
inline int LayerOf(int plane) { return plane / CanvPlanesPerLayer; }
inline LayerPlane* LayerBase(CanvDoc* doc, int layer) { return &doc->planes[layer * CanvPlanesPerLayer]; }
inline const LayerPlane* LayerBase(const CanvDoc* doc, int layer) {
    return &doc->planes[layer * CanvPlanesPerLayer];
}
inline bool LayerInUse(const CanvDoc* doc, int layer) {
    return layer >= 0 && layer < CanvMaxLayers && LayerBase(doc, layer)->image != nullptr;
}
