// c_ZoomView: draws part of a 32-bit tiled image into a 24-bit DIB section of
// a window's size, scaled with bilinear interpolation, and scrolls by moving
// the rows already drawn and drawing only the exposed band. It owns the
// section, its two row buffers and the tiled image it shows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "image/dib_header.h"
#include "image/mapped_dib.h"

class c_TileImage;

class c_ZoomView {
public:
    c_ZoomView() = default;
    virtual ~c_ZoomView();
    c_ZoomView(const c_ZoomView&) = delete;
    c_ZoomView& operator=(const c_ZoomView&) = delete;

    // A 24-bit section of width x height for the window (kept when it has
    // that size already).
    void SetWindow(HWND window, int32_t width, int32_t height);
    // Shows image (a 32-bit tiled image, now owned by the view); a different
    // image shown before is deleted. Null shows nothing.
    void SetSource(c_TileImage* image);
    void ClearSource() { SetSource(nullptr); }
    // Deletes the section and releases the row buffers.
    void FreeBuffers();
    // Draws sourceRect of the image (source pixels) into destinationRect of
    // the section, bilinear when the sizes differ. Parts outside the section
    // are not drawn; source pixels beyond the image repeat its edge. -1
    // without a section, a 32-bit source or buffers, else 0.
    int Render(const DibRect& sourceRect, const DibRect& destinationRect);
    // Moves the view by dy rows, then by dx columns, kept inside the image.
    // When the view and the section have the same size (100%) the rows that
    // stay visible are moved and only the exposed band is drawn; otherwise
    // the whole view is drawn again.
    void Scroll(int32_t dx, int32_t dy);
    void SetViewRect(const DibRect& rect) { view_ = rect; }
    DibRect GetViewRect() const { return view_; }
    c_TileImage* GetSource() const { return source_; }
    HBITMAP GetBitmap() const { return section_ ? section_->GetBitmap() : nullptr; }
    int32_t GetWidth() const { return section_ ? section_->GetWidth() : 0; }
    int32_t GetHeight() const { return section_ ? section_->GetAbsHeight() : 0; }
    // The section itself (rows for drawing and for tests); null without one.
    const c_MappedDib* GetSection() const { return section_.get(); }
    // Every pixel of the section becomes the low three bytes of colour.
    void Fill(uint32_t colour);

private:
    bool MakeBuffers(int64_t pixels);
    void ReleaseBuffers();
    void ScrollAxis(bool vertical, int32_t distance);
    // Writes count 4-byte pixels of rowBuffer_ as 3-byte pixels into row y of
    // the section from column x.
    void PutSectionRow(int32_t y, int32_t x, int32_t count);

    uint8_t* rowBuffer_ = nullptr;    // 4 bytes a pixel
    int64_t bufferPixels_ = 0;
    DibRect view_{};                  // in source pixels
    std::unique_ptr<c_MappedDib> section_;
    c_TileImage* source_ = nullptr;
    HWND window_ = nullptr;
    float* floatBuffer_ = nullptr;    // four floats a pixel
};

// Row conversions of the view, in place (buffers hold 4 bytes a pixel).
// 4-byte pixels to 3 bytes.
void PackRow32To24(uint8_t* row, int32_t pixels);
// 3-byte pixels to 4 bytes with fourth as the fourth byte.
void ExpandRow24To32(uint8_t* row, int32_t pixels, uint8_t fourth);
// The same with the first and third bytes exchanged.
void ExpandRow24To32Swapped(uint8_t* row, int32_t pixels, uint8_t fourth);
