#include "canvas_fixture.h"

#include <cstdlib>
#include <cstring>

#include "ui/ui_hook.h"
#include "canvas/canv_init.h"
#include "canvas/canv_layers.h"
#include "image/product_table.h"
#include "image/vms_store.h"

namespace canvtest {

CanvDoc* MakeDoc(std::initializer_list<NewCanvasLayer> layers, int origin, CanvDoc* source) {
    if (ProductTable[255][255] != 255) BuildProductTable();
    NewCanvasRequest.layerCount = (int)layers.size();
    int i = 0;
    for (const NewCanvasLayer& l : layers)
        if (i < CanvMaxLayers) NewCanvasRequest.layers[i++] = l;
    NewCanvasRequest.origin = origin;
    NewCanvasRequest.source = source;
    NewCanvasRequest.resolution = 96;
    CanvDoc* doc = (CanvDoc*)std::calloc(1, sizeof(CanvDoc));
    if (!doc) return nullptr;
    InitCanvDocFields(doc);
    if (!InitCanvDoc(doc)) {
        std::free(doc);
        return nullptr;
    }
    return doc;
}

void FreeDoc(CanvDoc* doc) {
    if (!doc) return;
    FreeCanvLayers(doc);
    if (doc->exifBlob) GlobalFree(doc->exifBlob);
    std::free(doc);
}

uint32_t Pixel(const VmsImage* image, int x, int y) {
    if (image->bits == 32) {
        uint32_t v = 0;
        g_VmsStore.GetRow(image, y, x, x, &v);
        return v & 0xFFFFFFu;
    }
    uint8_t b = 0;
    g_VmsStore.GetRow(image, y, x, x, &b);
    return b;
}

void SetPixel(VmsImage* image, int x, int y, uint32_t value) {
    if (image->bits == 32) {
        g_VmsStore.PutRow(image, y, x, x, &value);
    } else {
        uint8_t b = (uint8_t)value;
        g_VmsStore.PutRow(image, y, x, x, &b);
    }
}

void FillPlane(VmsImage* image, uint32_t value) {
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) SetPixel(image, x, y, value);
}

std::vector<uint32_t> Snapshot(const CanvDoc* doc) {
    std::vector<uint32_t> all;
    for (int l = 0; l < CanvMaxLayers && LayerInUse(doc, l); ++l)
        for (int k = 0; k < CanvPlanesPerLayer; ++k) {
            const VmsImage* image = LayerBase(doc, l)[k].image;
            if (!image) continue;
            for (int y = 0; y < image->height; ++y)
                for (int x = 0; x < image->width; ++x) all.push_back(Pixel(image, x, y));
        }
    return all;
}

namespace {
int Answer(const ModalRequest& request, void* user) {
    Boxes* boxes = (Boxes*)user;
    if (request.text) boxes->texts.push_back(request.text);
    return boxes->button;
}
}  // namespace

Boxes::Boxes(int b) : button(b) { SetModalAnswerHook(Answer, this); }
Boxes::~Boxes() { SetModalAnswerHook(nullptr, nullptr); }

}  // namespace canvtest
