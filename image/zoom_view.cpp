#include "image/zoom_view.h"

#include <cstring>

#include "image/tile_image.h"

void PackRow32To24(uint8_t* row, int32_t pixels) {
    for (int32_t i = 0; i < pixels; ++i) {
        row[3 * i] = row[4 * i];
        row[3 * i + 1] = row[4 * i + 1];
        row[3 * i + 2] = row[4 * i + 2];
    }
}

namespace {

// 3-byte pixels to 4 bytes in place, from the last pixel down.
void Expand(uint8_t* row, int32_t pixels, uint8_t fourth, bool swap) {
    for (int32_t i = pixels - 1; i >= 0; --i) {
        const uint8_t a = row[3 * i], b = row[3 * i + 1], c = row[3 * i + 2];
        row[4 * i] = swap ? c : a;
        row[4 * i + 1] = b;
        row[4 * i + 2] = swap ? a : c;
        row[4 * i + 3] = fourth;
    }
}

}  // namespace

void ExpandRow24To32(uint8_t* row, int32_t pixels, uint8_t fourth) { Expand(row, pixels, fourth, false); }

void ExpandRow24To32Swapped(uint8_t* row, int32_t pixels, uint8_t fourth) { Expand(row, pixels, fourth, true); }

c_ZoomView::~c_ZoomView() {
    FreeBuffers();
    delete source_;
}

bool c_ZoomView::MakeBuffers(int64_t pixels) {
    if (pixels < 1) pixels = 1;
    if (!rowBuffer_)
        rowBuffer_ = (uint8_t*)VirtualAlloc(nullptr, (SIZE_T)(pixels * 4), MEM_TOP_DOWN | MEM_RESERVE | MEM_COMMIT,
                                            PAGE_READWRITE);
    if (!floatBuffer_)
        floatBuffer_ = (float*)VirtualAlloc(nullptr, (SIZE_T)(pixels * 16), MEM_TOP_DOWN | MEM_RESERVE | MEM_COMMIT,
                                            PAGE_READWRITE);
    if (!rowBuffer_ || !floatBuffer_) {
        ReleaseBuffers();
        return false;
    }
    bufferPixels_ = pixels;
    return true;
}

void c_ZoomView::ReleaseBuffers() {
    if (rowBuffer_) VirtualFree(rowBuffer_, 0, MEM_RELEASE);
    if (floatBuffer_) VirtualFree(floatBuffer_, 0, MEM_RELEASE);
    rowBuffer_ = nullptr;
    floatBuffer_ = nullptr;
    bufferPixels_ = 0;
}

void c_ZoomView::FreeBuffers() {
    section_.reset();
    ReleaseBuffers();
}

void c_ZoomView::SetWindow(HWND window, int32_t width, int32_t height) {
    const int32_t absHeight = height < 0 ? -height : height;
    if (section_ && section_->GetWidth() == width && section_->GetAbsHeight() == absHeight) return;
    FreeBuffers();
    window_ = window;
    HDC dc = GetDC(window);
    auto section = std::make_unique<c_MappedDib>(dc);
    if (section->Create(width, height, 24)) section_ = std::move(section);
    int32_t sourceWidth = 0, sourceHeight = 0;
    if (source_) source_->GetSize(&sourceWidth, &sourceHeight);
    if (section_) MakeBuffers(width > sourceWidth ? width : sourceWidth);
    ReleaseDC(window, dc);
}

void c_ZoomView::SetSource(c_TileImage* image) {
    if (source_ && source_ != image) delete source_;
    source_ = image;
    ReleaseBuffers();
    if (!image) return;
    int32_t sourceWidth = 0, sourceHeight = 0;
    image->GetSize(&sourceWidth, &sourceHeight);
    const int32_t width = GetWidth();
    MakeBuffers(width > sourceWidth ? width : sourceWidth);
}

void c_ZoomView::PutSectionRow(int32_t y, int32_t x, int32_t count) {
    uint8_t* row = section_->RowAddress(y);
    if (!row) return;
    PackRow32To24(rowBuffer_, count);
    std::memcpy(row + 3 * (size_t)x, rowBuffer_, 3 * (size_t)count);
}

int c_ZoomView::Render(const DibRect& src, const DibRect& dst) {
    if (!section_) return -1;
    if (!source_ || source_->Depth() != 32 || !rowBuffer_ || !floatBuffer_) return -1;
    int32_t imageWidth = 0, imageHeight = 0;
    source_->GetSize(&imageWidth, &imageHeight);
    const int32_t sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || imageWidth <= 0 || imageHeight <= 0) return 0;
    if (bufferPixels_ < imageWidth || bufferPixels_ < GetWidth()) return -1;
    GdiFlush();
    const int32_t sectionWidth = GetWidth(), sectionHeight = GetHeight();
    // Destination pixels k = k0 .. k1 - 1 of each row lie inside the section.
    int32_t k0 = dst.left < 0 ? -dst.left : 0;
    int32_t k1 = dst.right > sectionWidth ? sectionWidth - dst.left : dw;
    if (k1 <= k0) return 0;
    auto clampRow = [&](int64_t y) { return (int32_t)(y < 0 ? 0 : y >= imageHeight ? imageHeight - 1 : y); };
    // The source columns a row needs, clipped to the image; columns beyond it
    // read the edge pixel.
    const int32_t spanStart = src.left < 0 ? 0 : src.left >= imageWidth ? imageWidth - 1 : src.left;
    int32_t spanEnd = src.right + 1 > imageWidth ? imageWidth : src.right + 1;
    if (spanEnd <= spanStart) spanEnd = spanStart + 1;
    const int32_t span = spanEnd - spanStart;
    const auto* pixels = (const uint8_t*)rowBuffer_;
    auto column = [&](int64_t c) -> const uint8_t* {
        c = c < spanStart ? spanStart : c >= spanEnd ? spanEnd - 1 : c;
        return pixels + 4 * (c - spanStart);
    };

    if (sw == dw && sh == dh) {
        for (int32_t i = 0; i < dh; ++i) {
            const int32_t y = dst.top + i;
            if (y < 0 || y >= sectionHeight) continue;
            source_->ReadRow(rowBuffer_, clampRow((int64_t)src.top + i), spanStart, span);
            // Shift the pixels into place in the float buffer, then back.
            auto* staged = (uint32_t*)floatBuffer_;
            for (int32_t k = k0; k < k1; ++k) std::memcpy(&staged[k - k0], column((int64_t)src.left + k), 4);
            std::memcpy(rowBuffer_, staged, 4 * (size_t)(k1 - k0));
            PutSectionRow(y, dst.left + k0, k1 - k0);
        }
        return 0;
    }

    const double hstep = (double)sw / dw, vstep = (double)sh / dh;
    double p = src.top;
    for (int32_t i = 0; i < dh; ++i, p += vstep) {
        const int32_t y = dst.top + i;
        if (y < 0 || y >= sectionHeight) continue;
        const int64_t t = (int64_t)p;
        const float f = (float)(p - (double)t);
        for (int pass = 0; pass < 2; ++pass) {
            const float weight = pass == 0 ? 1.0f - f : f;
            if (pass == 1 && f == 0.0f) break;
            source_->ReadRow(rowBuffer_, clampRow(t + pass), spanStart, span);
            for (int32_t k = k0; k < k1; ++k) {
                const double s = k * hstep;
                const int64_t whole = (int64_t)s;
                const float h = (float)(s - (double)whole);
                const uint8_t* a = column(src.left + whole);
                const uint8_t* b = column(src.left + whole + 1);
                float* out = floatBuffer_ + 4 * (size_t)(k - k0);
                for (int c = 0; c < 4; ++c) {
                    const float v = (a[c] * (1.0f - h) + b[c] * h) * weight;
                    out[c] = pass == 0 ? v : out[c] + v;
                }
            }
        }
        for (int32_t k = 0; k < k1 - k0; ++k)
            for (int c = 0; c < 4; ++c) {
                const float v = floatBuffer_[4 * (size_t)k + c] + 0.5f;
                rowBuffer_[4 * (size_t)k + c] = (uint8_t)(v >= 255.0f ? 255 : v <= 0.0f ? 0 : (int)v);
            }
        PutSectionRow(y, dst.left + k0, k1 - k0);
    }
    return 0;
}

void c_ZoomView::ScrollAxis(bool vertical, int32_t distance) {
    if (distance == 0 || !section_ || !source_) return;
    int32_t imageWidth = 0, imageHeight = 0;
    source_->GetSize(&imageWidth, &imageHeight);
    const int32_t limit = vertical ? imageHeight : imageWidth;
    int32_t& start = vertical ? view_.top : view_.left;
    int32_t& end = vertical ? view_.bottom : view_.right;
    // Keep the view inside the image.
    if (distance > 0 && distance > limit - end) distance = limit - end > 0 ? limit - end : 0;
    if (distance < 0 && -distance > start) distance = start > 0 ? -start : 0;
    if (distance == 0) return;
    const int32_t size = vertical ? GetHeight() : GetWidth();
    const DibRect whole{.left = 0, .top = 0, .right = GetWidth(), .bottom = GetHeight()};
    const bool oneToOne = view_.Width() == GetWidth() && view_.Height() == GetHeight();
    const int32_t magnitude = distance < 0 ? -distance : distance;
    start += distance;
    end += distance;
    if (!oneToOne || magnitude >= size) {
        Render(view_, whole);
        return;
    }
    GdiFlush();
    const int32_t keep = size - magnitude;
    DibRect band = whole, from = view_;
    if (vertical) {
        if (distance > 0)
            for (int32_t y = 0; y < keep; ++y) std::memcpy(section_->RowAddress(y), section_->RowAddress(y + magnitude), 3 * (size_t)GetWidth());
        else
            for (int32_t y = size - 1; y >= magnitude; --y)
                std::memcpy(section_->RowAddress(y), section_->RowAddress(y - magnitude), 3 * (size_t)GetWidth());
        band.top = distance > 0 ? keep : 0;
        band.bottom = band.top + magnitude;
        from.top = view_.top + band.top;
        from.bottom = from.top + magnitude;
    } else {
        for (int32_t y = 0; y < GetHeight(); ++y) {
            uint8_t* row = section_->RowAddress(y);
            if (distance > 0) std::memmove(row, row + 3 * (size_t)magnitude, 3 * (size_t)keep);
            else std::memmove(row + 3 * (size_t)magnitude, row, 3 * (size_t)keep);
        }
        band.left = distance > 0 ? keep : 0;
        band.right = band.left + magnitude;
        from.left = view_.left + band.left;
        from.right = from.left + magnitude;
    }
    Render(from, band);
}

void c_ZoomView::Scroll(int32_t dx, int32_t dy) {
    ScrollAxis(true, dy);
    ScrollAxis(false, dx);
}

void c_ZoomView::Fill(uint32_t colour) {
    if (!section_) return;
    GdiFlush();
    const int32_t width = GetWidth();
    if (!section_->BeginRows(0, GetHeight())) return;
    uint8_t* first = section_->NextRow();
    for (int32_t x = 0; x < width; ++x) std::memcpy(first + 3 * (size_t)x, &colour, 3);
    while (uint8_t* row = section_->NextRow()) std::memcpy(row, first, 3 * (size_t)width);
}
