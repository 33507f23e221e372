#include "select/floating_stamp.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/msgbox.h"
#include "canvas/canv_doc.h"
#include "image/c_dib.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/canvas_pen.h"
#include "paint/pen_engine.h"
#include "paint/pen_state.h"
#include "paint/pen_writer.h"
#include "paint/text_raster.h"
#include "paint/text_tool.h"
#include "paint/tone_mask.h"

namespace {

struct WaitCursor {
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ~WaitCursor() { SetCursor(old); }
};

// The pen's colour and opacity lent to another colour for a while.
struct BorrowedPenColour {
    ColourModels colour = PenColour;
    BorrowedPenColour(int r, int g, int b) { SetPenColour(0, r, g, b); }
    ~BorrowedPenColour() { PenColour = colour; }
    BorrowedPenColour(const BorrowedPenColour&) = delete;
    BorrowedPenColour& operator=(const BorrowedPenColour&) = delete;
};

// An image at the size it is placed at: itself, or a smooth copy owned here.
struct SizedImage {
    VmsImage* image = nullptr;
    VmsImage* copy = nullptr;
    SizedImage(VmsImage* source, int w, int h) {
        if (!source || (source->width == w && source->height == h)) {
            image = source;
            return;
        }
        copy = c_Dib::Resize(source, w, h, 0, 1, 0);
        image = copy;
    }
    ~SizedImage() { g_VmsStore.Free(&copy); }
    SizedImage(const SizedImage&) = delete;
    SizedImage& operator=(const SizedImage&) = delete;
};

// Row y of an image as colour words (8-bit images widened to grey).
void ColourRow(const VmsImage* image, int y, int w, uint32_t* out, std::vector<uint8_t>& bytes) {
    if (image->bits == 8) {
        bytes.resize((size_t)w);
        g_VmsStore.GetRow(image, y, 0, w - 1, bytes.data());
        for (int i = 0; i < w; ++i) out[i] = MakeWord(bytes[i], bytes[i], bytes[i]);
        return;
    }
    g_VmsStore.GetRow(image, y, 0, w - 1, out);
}

// Row y of an image as 8-bit values (colour images by their brightest channel).
void ValueRow(const VmsImage* image, int y, int w, uint8_t* out, std::vector<uint32_t>& words) {
    if (image->bits == 8) {
        g_VmsStore.GetRow(image, y, 0, w - 1, out);
        return;
    }
    words.resize((size_t)w);
    g_VmsStore.GetRow(image, y, 0, w - 1, words.data());
    for (int i = 0; i < w; ++i) {
        int v = WordR(words[i]);
        if (WordG(words[i]) > v) v = WordG(words[i]);
        if (WordB(words[i]) > v) v = WordB(words[i]);
        out[i] = (uint8_t)v;
    }
}

void RedrawBox(CanvDoc* doc, int x, int y, int w, int h) {
    if (!doc->display) return;
    RECT r = {ImageToScreenX(doc, x), ImageToScreenY(doc, y), ImageToScreenX(doc, x + w) + 1,
              ImageToScreenY(doc, y + h) + 1};
    InvalidateRect(doc->display, &r, FALSE);
    UpdateWindow(doc->display);
}

// Places one image of the given kind with its top-left at (x, y), at w x h.
void PlaceFloating(CanvDoc* doc, VmsImage* source, VmsImage* opacity, int x, int y, int w, int h, int kind) {
    if (!doc || !source || w < 1 || h < 1) return;
    WaitCursor wait;
    SizedImage image(source, w, h);
    SizedImage mask(opacity, w, h);
    if (!image.image || (opacity && !mask.image)) return;
    PenCanvas view;
    MakePenCanvas(doc, &view);
    std::vector<uint32_t> colour((size_t)w), words;
    std::vector<uint8_t> weight((size_t)w), penAlpha((size_t)w, 255), protect((size_t)w), bytes;
    const int x1 = x + w - 1, y1 = y + h - 1;
    for (int i = 0; i < h; ++i) {
        const int row = y + i;
        switch (kind) {
        case FloatKindPicture:
            ColourRow(image.image, i, w, colour.data(), bytes);
            if (mask.image) ValueRow(mask.image, i, w, weight.data(), words);
            else std::fill(weight.begin(), weight.end(), 255);
            c_ToneMask::MakeRow(row, x, x1, x, y, x1, y1, weight.data(), 0);
            std::fill(protect.begin(), protect.end(), 0);
            std::fill(penAlpha.begin(), penAlpha.end(), 255);
            c_PenEngine::WriteStrokeRow(&view, 0, colour.data(), weight.data(), nullptr, penAlpha.data(),
                                        protect.data(), AlphaKindMix, row, x, x1, 1);
            break;
        case FloatKindText:
        case FloatKindSticker: {
            int alphaKind = AlphaKindMix;
            c_PenWriter::MakeRow(&view, colour.data(), penAlpha.data(), protect.data(), row, x, x1, x, y, x1, y1,
                                 &alphaKind);
            ValueRow(image.image, i, w, weight.data(), words);
            for (uint8_t& v : weight) v = (uint8_t)(255 - v);
            c_ToneMask::MakeRow(row, x, x1, x, y, x1, y1, weight.data(), 0);
            c_PenEngine::WriteStrokeRow(&view, 0, colour.data(), weight.data(), nullptr, penAlpha.data(),
                                        protect.data(), alphaKind, row, x, x1, 1);
            ++Pen.dabCount;
            break;
        }
        case FloatKindOpacity:
            ColourRow(image.image, i, w, colour.data(), bytes);
            c_PenEngine::PutPlaneRow(&view, row, x, x1, colour.data());
            if (mask.image) ValueRow(mask.image, i, w, weight.data(), words);
            else std::fill(weight.begin(), weight.end(), 255);
            c_PenEngine::PutLayerPlaneRow(&view, row, x, x1, weight.data(), 1);
            break;
        default: return;
        }
    }
    RedrawBox(doc, x, y, w, h);
}

// Where the shadow and the image go: the shadow by the offset, the image
// moved the other way when the offset is negative.
void SplitOffset(int at, int d, int* image, int* shadow) {
    *image = d >= 0 ? at : at - d;
    *shadow = d >= 0 ? at + d : at;
}

int Abs(int v) { return v < 0 ? -v : v; }

}  // namespace

int StampStickerText(CanvDoc* doc, const FloatShadow& shadow, int x, int y, int w, int h) {
    if (!doc) return 0;
    VmsImage *text = nullptr, *frame = nullptr, *backing = nullptr;
    if (!RenderStickerText(GetMessageBoxOwner(), 0, &text, &frame, &backing)) return 0;
    // The passes at the scale the composed sticker is shown at.
    const int ownW = text->width + Abs(shadow.dx), ownH = text->height + Abs(shadow.dy);
    auto scaleX = [&](int v) { return (int)((long long)v * w / ownW); };
    auto scaleY = [&](int v) { return (int)((long long)v * h / ownH); };
    int pw = scaleX(text->width), ph = scaleY(text->height);
    pw = pw > 0 ? pw : 1;
    ph = ph > 0 ? ph : 1;
    int tx = x, ty = y, sx = x, sy = y;
    if (shadow.on) {
        SplitOffset(x, scaleX(shadow.dx), &tx, &sx);
        SplitOffset(y, scaleY(shadow.dy), &ty, &sy);
    }
    const TextSettingsRecord& s = TextSettings;
    {
        BorrowedPenColour pen(s.backingColour[0], s.backingColour[1], s.backingColour[2]);
        PlaceFloating(doc, backing, nullptr, tx, ty, pw, ph, FloatKindText);
    }
    if (shadow.on) {
        VmsImage* mask = MakeStickerShadow(text, frame, shadow.softness);
        BorrowedPenColour pen(shadow.red, shadow.green, shadow.blue);
        if (mask) PlaceFloating(doc, mask, nullptr, sx, sy, pw, ph, FloatKindText);
        g_VmsStore.Free(&mask);
    }
    {
        BorrowedPenColour pen(s.frameColour[0], s.frameColour[1], s.frameColour[2]);
        PlaceFloating(doc, frame, nullptr, tx, ty, pw, ph, FloatKindText);
    }
    PlaceFloating(doc, text, nullptr, tx, ty, pw, ph, FloatKindText);
    g_VmsStore.Free(&text);
    g_VmsStore.Free(&frame);
    g_VmsStore.Free(&backing);
    return 1;
}

void StampFloating(CanvDoc* doc, VmsImage* image, VmsImage* mask, const FloatShadow& shadow, int x, int y, int w,
                   int h, int kind) {
    if (!doc || !image) return;
    if (kind == FloatKindSticker) {
        if (StampStickerText(doc, shadow, x, y, w, h)) return;
        // Without the renderer the sticker goes in as it was shown.
        PlaceFloating(doc, image, mask, x, y, w, h, FloatKindPicture);
        return;
    }
    int ix = x, iy = y;
    if (shadow.on && shadow.image) {
        int sx = x, sy = y;
        SplitOffset(x, shadow.dx, &ix, &sx);
        SplitOffset(y, shadow.dy, &iy, &sy);
        BorrowedPenColour pen(shadow.red, shadow.green, shadow.blue);
        PlaceFloating(doc, shadow.image, nullptr, sx, sy, w, h, FloatKindText);
    }
    PlaceFloating(doc, image, mask, ix, iy, w, h, kind);
}
