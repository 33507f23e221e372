// Documents made in memory for the canvas tests (no window), their pixels,
// message boxes answered by a fixed button, and a program folder of the test's own.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "canvas/canv_doc.h"
#include "canvas/canv_host.h"

namespace canvtest {

// A document built by InitCanvDoc from the request; null when it refused.
// Free with FreeDoc.
CanvDoc* MakeDoc(std::initializer_list<NewCanvasLayer> layers, int origin = CanvOriginBlank,
                 CanvDoc* source = nullptr);
void FreeDoc(CanvDoc* doc);

struct DocHolder {
    CanvDoc* doc;
    explicit DocHolder(CanvDoc* d) : doc(d) {}
    ~DocHolder() { FreeDoc(doc); }
    DocHolder(const DocHolder&) = delete;
    DocHolder& operator=(const DocHolder&) = delete;
    CanvDoc* operator->() const { return doc; }
};

inline NewCanvasLayer Layer(int w, int h, int x = 0, int y = 0, int planes = 1) {
    return NewCanvasLayer{.width = w, .height = h, .x = x, .y = y, .depth = 24, .planeCount = planes};
}

// Pixels of a plane image (words at 32 bits, bytes widened at 8 bits).
uint32_t Pixel(const VmsImage* image, int x, int y);
void SetPixel(VmsImage* image, int x, int y, uint32_t value);
void FillPlane(VmsImage* image, uint32_t value);
// Every pixel of every plane of every layer in use.
std::vector<uint32_t> Snapshot(const CanvDoc* doc);

// Answers every modal box with `button` while alive and records the texts.
class Boxes {
public:
    explicit Boxes(int button);
    ~Boxes();
    std::vector<std::string> texts;
    int button;
};

// Points the canvas host's program folder at `folder` while alive.
class FolderHost {
public:
    explicit FolderHost(const std::string& folder) : folder_(folder), saved_(GetCanvasHost()) {
        CanvasHost host = saved_;
        host.programFolder = folder_.c_str();
        SetCanvasHost(host);
    }
    ~FolderHost() { SetCanvasHost(saved_); }
    FolderHost(const FolderHost&) = delete;
    FolderHost& operator=(const FolderHost&) = delete;
private:
    std::string folder_;
    CanvasHost saved_;
};

}  // namespace canvtest
