// DibImage records, PackedDib blocks, the scratch memory map and progress.
#include <gtest/gtest.h>

#include "image/c_dib.h"
#include "image/dib_image.h"
#include "image/memmap_file.h"
#include "image/packed_dib.h"
#include "image/progress.h"
#include "image_ops_support.h"

using namespace imgtest;

namespace imgtest {

static LRESULT CALLBACK RecorderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER) {
        auto* r = (std::vector<ProgressRecorder::Message>*)GetWindowLongPtrA(wnd, GWLP_USERDATA);
        if (r) r->push_back({wp, lp});
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

ProgressRecorder::ProgressRecorder() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ImageOpsProgressRecorder";
    RegisterClassA(&wc);
    wnd_ = CreateWindowA("ImageOpsProgressRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, (LONG_PTR)&messages);
    SetProgressWindow(wnd_);
}

ProgressRecorder::~ProgressRecorder() {
    SetProgressWindow(nullptr);
    DestroyWindow(wnd_);
}

}  // namespace imgtest

namespace {

// ---- DibImage

TEST(DibImageRecord, CreateSizesAndTables) {
    EXPECT_EQ(c_DibImageOps::Create(0, 10, 8), nullptr);
    EXPECT_EQ(c_DibImageOps::Create(10, -1, 8), nullptr);
    DibImage* a = c_DibImageOps::Create(3, 2, 24);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->bits, 32);
    EXPECT_EQ(a->stride, 12);
    EXPECT_EQ(a->paletteBytes, 0);
    EXPECT_EQ(a->bitsOffset, 40);
    const BITMAPINFOHEADER* h = (const BITMAPINFOHEADER*)a->block;
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biHeight, 2);
    DibImage* b = c_DibImageOps::Create(5, 1, 1);
    EXPECT_EQ(b->stride, 4);
    EXPECT_EQ(*(const uint64_t*)(b->block + 40), 0u);
    DibImage* c = c_DibImageOps::Create(1, 1, 4);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(((const RGBQUAD*)(c->block + 40))[k].rgbGreen, k * 17);
    DibImage* t = c_DibImage24Ops::Create(5, 2, 24);
    EXPECT_EQ(t->bits, 24);
    EXPECT_EQ(t->stride, 16);
    for (DibImage** p : {&a, &b, &c, &t}) {
        EXPECT_EQ(c_DibImageOps::Free(p), 1);
        EXPECT_EQ(*p, nullptr);
    }
    EXPECT_EQ(c_DibImageOps::Free(nullptr), 0);
}

TEST(DibImageRecord, RowClipping) {
    DibImage* im = c_DibImageOps::Create(4, 3, 32);
    uint32_t row[4] = {1, 2, 3, 4};
    ASSERT_EQ(c_DibImageOps::PutRow32(im, 1, 0, 3, row), 1);
    // Bottom-up storage: row 1 of 3 is stored second from the bottom.
    EXPECT_EQ(*(const uint32_t*)(im->block + 40 + 1 * 16), 1u);
    uint32_t buf[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(c_DibImageOps::GetRow32(im, 1, -2, 1, buf), 1);
    EXPECT_EQ(buf[0], 9u);
    EXPECT_EQ(buf[1], 9u);
    EXPECT_EQ(buf[2], 1u);
    EXPECT_EQ(buf[3], 2u);
    EXPECT_EQ(c_DibImageOps::GetRow32(im, 1, 4, 6, buf), 0);
    EXPECT_EQ(c_DibImageOps::GetRow32(im, 3, 0, 3, buf), 0);
    EXPECT_EQ(c_DibImageOps::GetRow32(im, 1, 0, -1, buf), 0);
    EXPECT_EQ(c_DibImageOps::GetRow32(im, 1, 2, 99, buf), 1);
    EXPECT_EQ(buf[0], 3u);
    EXPECT_EQ(buf[1], 4u);
    c_DibImageOps::Free(&im);
}

TEST(DibImageRecord, BitsCloneAndResize) {
    DibImage* m = c_DibImageOps::Create(10, 2, 1);
    EXPECT_EQ(c_DibImageOps::SetBit(m, 9, 1, 1), 1);
    EXPECT_EQ(c_DibImageOps::SetBit(m, 10, 1, 1), 0);
    int bit = 0;
    EXPECT_EQ(c_DibImageOps::GetBit(m, 9, 1, &bit), 1);
    EXPECT_EQ(bit, 1);
    EXPECT_EQ(c_DibImageOps::SetBit(m, 9, 1, 0), 1);
    c_DibImageOps::GetBit(m, 9, 1, &bit);
    EXPECT_EQ(bit, 0);
    c_DibImageOps::Free(&m);

    DibImage* src = c_DibImageOps::Create(4, 2, 32);
    uint32_t r0[4] = {1, 2, 3, 4}, r1[4] = {5, 6, 7, 8};
    c_DibImageOps::PutRow32(src, 0, 0, 3, r0);
    c_DibImageOps::PutRow32(src, 1, 0, 3, r1);
    DibImage* copy = c_DibImageOps::Clone(src);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy->block, src->block, 40 + 32), 0);
    DibImage* big = c_DibImageOps::Create(8, 4, 32);
    ASSERT_EQ(c_DibImageOps::ResizeNearest(src, big), 1);
    uint32_t got[8];
    c_DibImageOps::GetRow32(big, 3, 0, 7, got);
    const uint32_t want[8] = {5, 5, 6, 6, 7, 7, 8, 8};
    EXPECT_EQ(std::memcmp(got, want, sizeof(want)), 0);
    for (DibImage** p : {&src, &copy, &big}) c_DibImageOps::Free(p);
}

TEST(DibImageRecord, TurnByZeroIsOneSmaller) {
    DibImage* im = c_DibImageOps::Create(100, 100, 8);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) c_DibImageOps::SetValue8(im, x, y, (x + y) & 255);
    ProgressRecorder rec;
    DibImage* turned = c_DibImageOps::Rotate8(im, 0);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->width, 99);
    EXPECT_EQ(turned->height, 99);
    // Centred positions -50..48 sample the source at u + 50: the same pixels.
    int v = -1;
    c_DibImageOps::GetValue8(turned, 10, 20, &v);
    EXPECT_EQ(v, 30);
    ASSERT_FALSE(rec.messages.empty());
    EXPECT_EQ(rec.messages.back().w, 0u);
    c_DibImageOps::Free(&turned);
    c_DibImageOps::Free(&im);
}

TEST(DibImageRecord, StoreImageFromRecord) {
    DibImage* d = c_DibImageOps::Create(3, 2, 8);
    uint8_t row[3] = {7, 8, 9};
    c_DibImageOps::PutRow8(d, 1, 0, 2, row);
    Owned im(g_VmsStore.CreateFromDibImage(d));
    ASSERT_NE(im.get(), nullptr);
    EXPECT_EQ(im->bits, 8);
    std::vector<uint8_t> v = Read8(im.get());
    EXPECT_EQ(v, (std::vector<uint8_t>{0, 0, 0, 7, 8, 9}));
    c_DibImageOps::Free(&d);
    DibImage* t = c_DibImage24Ops::Create(2, 1, 24);
    uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    c_DibImage24Ops::PutRow(t, 0, 0, 1, px);
    Owned wide(g_VmsStore.CreateFromDibImage(t));
    ASSERT_NE(wide.get(), nullptr);
    EXPECT_EQ(Read32(wide.get()).px, (std::vector<uint32_t>{0x030201, 0x060504}));
    c_DibImage24Ops::Free(&t);
}

// Pixels of a 32-bit DIB section after a drawing call.
struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    uint32_t* bits;
    int w, h;
    Canvas(int width, int height) : w(width), h(height) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = 40;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        old = SelectObject(dc, bmp);
        for (int i = 0; i < w * h; ++i) bits[i] = 0x123456;
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    uint32_t at(int x, int y) { GdiFlush(); return bits[y * w + x] & 0xFFFFFF; }
    // Bounding box of pixels that are no longer the background.
    RECT Drawn() {
        GdiFlush();
        RECT r = {w, h, -1, -1};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((bits[y * w + x] & 0xFFFFFF) != 0x123456) {
                    if (x < r.left) r.left = x;
                    if (y < r.top) r.top = y;
                    if (x > r.right) r.right = x;
                    if (y > r.bottom) r.bottom = y;
                }
        return r;
    }
};

TEST(DibImageRecord, CentredDrawingNeverEnlarges) {
    DibImage* im = c_DibImageOps::Create(10, 10, 32);
    uint32_t row[10];
    for (auto& v : row) v = 0xFF0000;
    for (int y = 0; y < 10; ++y) c_DibImageOps::PutRow32(im, y, 0, 9, row);
    Canvas c(120, 120);
    c_DibImageOps::DrawCentred(c.dc, im, 0, 0, 100, 100);
    RECT r = c.Drawn();
    EXPECT_EQ(r.right - r.left + 1, 10);
    EXPECT_EQ(r.bottom - r.top + 1, 10);
    EXPECT_EQ(r.left, 1 + (98 - 10) / 2);
    c_DibImageOps::Free(&im);
}

TEST(DrawVmsImage, FitDrawingCentresOrScales) {
    Picture p;
    p.width = 10; p.height = 4;
    p.px.assign(40, Rgb(0, 0, 255));
    Owned small(MakeImage32(p));
    {
        Canvas c(120, 120);
        EXPECT_EQ(c_Dib::DrawFit(c.dc, small.get(), 0, 0, 99, 99, 1, 1), 1);
        RECT r = c.Drawn();
        EXPECT_EQ(r.left, 45);
        EXPECT_EQ(r.top, 48);
        EXPECT_EQ(r.right - r.left + 1, 10);
        EXPECT_EQ(r.bottom - r.top + 1, 4);
    }
    {
        // Without centring a small image is enlarged to the box, keeping its shape.
        Canvas c(120, 120);
        EXPECT_EQ(c_Dib::DrawFit(c.dc, small.get(), 0, 0, 99, 99, 0, 1), 1);
        RECT r = c.Drawn();
        EXPECT_EQ(r.right - r.left + 1, 100);
        EXPECT_EQ(r.bottom - r.top + 1, 40);
        EXPECT_EQ(r.top, 30);
    }
    EXPECT_EQ(c_Dib::DrawFit(nullptr, nullptr, 0, 0, 9, 9, 1, 1), 0);
}

TEST(DrawVmsImage, ImageDibSectionHoldsTheRows) {
    Picture p = NoisePicture(5, 3, 4);
    Owned im(MakeImage32(p));
    DibSection section = {};
    ASSERT_EQ(c_Dib::CreateImageDibSection(im.get(), nullptr, &section), 1);
    ASSERT_NE(section.bits, nullptr);
    ASSERT_NE(section.dc, nullptr);
    const uint32_t* bits = (const uint32_t*)section.bits;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(bits[(2 - y) * 5 + x] & 0xFFFFFF, p.at(x, y));
    EXPECT_EQ(GetPixel(section.dc, 1, 0) & 0xFFFFFF,
              (COLORREF)(((p.at(1, 0) >> 16) & 255) | (p.at(1, 0) & 0xFF00) | ((p.at(1, 0) & 255) << 16)));
    c_Dib::DeleteDibSection(&section);
    EXPECT_EQ(section.dc, nullptr);
    Owned grey(g_VmsStore.Create(2, 2, 8, 0, 1));
    EXPECT_EQ(c_Dib::CreateImageDibSection(grey.get(), nullptr, &section), 0);
}

// ---- PackedDib

TEST(PackedDibBlock, HeaderQueries) {
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biBitCount = 8;
    h.biClrUsed = 20;
    EXPECT_EQ(GetPackedDibPaletteSize(&h), 80);
    h.biClrUsed = 0;
    EXPECT_EQ(GetPackedDibPaletteSize(&h), 1024);
    h.biBitCount = 16;
    EXPECT_EQ(GetPackedDibPaletteSize(&h), 12);
    BITMAPCOREHEADER core = {12, 4, 4, 1, 8};
    EXPECT_EQ(GetPackedDibPaletteSize((const BITMAPINFOHEADER*)&core), 768);
    EXPECT_EQ(ConvertPpmToDpi(3780), 96);
    EXPECT_EQ(ConvertPpmToDpi(2835), 72);
    BITMAPINFOHEADER* d = CreatePackedDib(3, 2, 24);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->biBitCount, 32);
    EXPECT_EQ(GetPackedDibSize(d), 40u + 24u);
    FreePackedDib(d);
}

TEST(PackedDibBlock, AreaResizeAveragesAndLeavesTheSource) {
    BITMAPINFOHEADER* src = CreatePackedDib(4, 1, 32);
    uint32_t row[4] = {Rgb(30, 0, 0), Rgb(60, 3, 0), Rgb(91, 6, 0), Rgb(200, 9, 9)};
    PutPackedDibRow32(src, 0, 0, 3, row);
    std::string before((const char*)src, GetPackedDibSize(src));
    BITMAPINFOHEADER* half = ResizePackedDib(src, 2, 1);
    ASSERT_NE(half, nullptr);
    uint32_t got[2];
    GetPackedDibRow32(half, 0, 0, 1, got);
    EXPECT_EQ(got[0] & 0xFFFFFF, Rgb(60, 3, 0));   // mean of pixels 0..2, truncated
    EXPECT_EQ(got[1] & 0xFFFFFF, Rgb(200, 9, 9));
    BITMAPINFOHEADER* big = ResizePackedDib(src, 8, 3);
    ASSERT_NE(big, nullptr);
    uint32_t wide[8];
    GetPackedDibRow32(big, 2, 0, 7, wide);
    EXPECT_EQ(wide[0], row[0]);
    EXPECT_EQ(wide[7], row[3]);
    EXPECT_EQ(std::string((const char*)src, GetPackedDibSize(src)), before);
    FreePackedDib(half);
    FreePackedDib(big);
    FreePackedDib(src);
}

TEST(PackedDibBlock, StretchDrawFillsTheBox) {
    BITMAPINFOHEADER* d = CreatePackedDib(10, 10, 32);
    uint32_t row[10];
    for (auto& v : row) v = 0x00FF00;
    for (int y = 0; y < 10; ++y) PutPackedDibRow32(d, y, 0, 9, row);
    Canvas c(120, 120);
    EXPECT_EQ(StretchDrawPackedDib(c.dc, d, 0, 0, 102, 102), 1);
    RECT r = c.Drawn();
    EXPECT_EQ(r.right - r.left + 1, 100);
    EXPECT_EQ(r.bottom - r.top + 1, 100);
    EXPECT_EQ(StretchDrawPackedDib(c.dc, nullptr, 0, 0, 10, 10), 0);
    FreePackedDib(d);
}

TEST(PackedDibBlock, MissingBlockRows) {
    uint32_t buf[3] = {0, 0, 0};
    EXPECT_EQ(GetPackedDibRow32(nullptr, 0, 0, 2, buf), 0);
    EXPECT_EQ(buf[2], 0xFFFFFFFFu);
    uint8_t b8[2] = {0, 0};
    EXPECT_EQ(GetPackedDibRow8(nullptr, 0, 0, 1, b8), 0);
    EXPECT_EQ(b8[1], 255);
}

TEST(PackedDibBlock, LowDepthBlockToVmsImage) {
    BITMAPINFOHEADER* d = CreatePackedDib(3, 1, 4);
    ((RGBQUAD*)(d + 1))[2] = RGBQUAD{1, 2, 3, 0};
    GetPackedDibBits(d)[0] = 0x20;   // pixel 0 = entry 2, pixel 1 = entry 0
    Owned im(c_Dib::ConvertToVms(d));
    ASSERT_NE(im.get(), nullptr);
    ASSERT_EQ(im->bits, 32);
    EXPECT_EQ(Read32(im.get()).px, (std::vector<uint32_t>{Rgb(3, 2, 1), 0, 0}));
    FreePackedDib(d);
}

TEST(PackedDibBlock, IndexedAndWideBlocksToVmsImages) {
    BITMAPINFOHEADER* d = CreatePackedDib(2, 2, 8);
    ((RGBQUAD*)(d + 1))[200] = RGBQUAD{9, 8, 7, 0};
    uint8_t row[2] = {200, 3};
    PutPackedDibRow8(d, 1, 0, 1, row);
    Owned im(c_Dib::ConvertToVms(d));
    ASSERT_NE(im.get(), nullptr);
    ASSERT_EQ(im->bits, 8);
    EXPECT_EQ(Read8(im.get()), (std::vector<uint8_t>{0, 0, 200, 3}));
    EXPECT_EQ(im->palette[200].rgbRed, 7);
    FreePackedDib(d);
    BITMAPINFOHEADER* c = CreatePackedDib(2, 1, 32);
    uint32_t px[2] = {0x01020304, 0x05060708};
    PutPackedDibRow32(c, 0, 0, 1, px);
    Owned wide(c_Dib::ConvertToVms(c));
    ASSERT_NE(wide.get(), nullptr);
    EXPECT_EQ(Read32(wide.get()).px, (std::vector<uint32_t>{0x020304, 0x060708}));
    FreePackedDib(c);
}

// ---- c_MemMapFile

TEST(MemMapFile, SizesViewsAndData) {
    c_MemMapFile map;
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    if (si.dwAllocationGranularity != 65536) GTEST_SKIP() << "granularity " << si.dwAllocationGranularity;
    EXPECT_EQ(map.Write(0, 1, "x"), -1);   // no mapping yet
    ASSERT_EQ(map.Create(4000000, 7), 0);
    EXPECT_EQ(map.WindowUnit(), 458752u);
    EXPECT_EQ(map.MappingSize(), 4521984u);
    char ten[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    ASSERT_EQ(map.Write(458750, 10, ten), 0);
    EXPECT_EQ(map.ViewOffset(), 0u);
    EXPECT_EQ(map.ViewLength(), 917504u);
    std::vector<uint8_t> data = NoiseBytes(100000, 9);
    ASSERT_EQ(map.Write(3900000, data.size(), data.data()), 0);
    char back[10] = {};
    ASSERT_EQ(map.Read(458750, 10, back), 0);
    EXPECT_EQ(std::memcmp(back, ten, 10), 0);
    std::vector<uint8_t> got(data.size());
    ASSERT_EQ(map.Read(3900000, got.size(), got.data()), 0);
    EXPECT_EQ(got, data);
    // Beyond the rounded size nothing is read or written.
    EXPECT_EQ(map.Read(4063232 - 4, 8, back), -1);
    map.Close();
    EXPECT_EQ(map.Read(0, 1, back), -1);
}

TEST(MemMapFile, TwoMapsWithTheSameNumberKeepTheirOwnBytes) {
    c_MemMapFile a, b;
    ASSERT_EQ(a.Create(100000, 3), 0);
    ASSERT_EQ(b.Create(100000, 3), 0);
    ASSERT_EQ(a.Write(10, 4, "aaaa"), 0);
    ASSERT_EQ(b.Write(10, 4, "bbbb"), 0);
    char got[5] = {};
    ASSERT_EQ(a.Read(10, 4, got), 0);
    EXPECT_STREQ(got, "aaaa");
}

// ---- progress

TEST(Progress, OnlySentWhenAWindowIsSet) {
    SetProgressWindow(nullptr);
    SendProgress(50);   // nothing to send to: no effect
    ProgressRecorder rec;
    SendProgress(40);
    SendProgressEnd();
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].w, 3u);
    EXPECT_EQ(rec.messages[0].l, 40);
    EXPECT_EQ(rec.messages[1].w, 0u);
    EXPECT_EQ(rec.messages[1].l, 0);
}

// Long operations: percentages from the start upward, never above 100, then the end.
TEST(Progress, LongOperationsReportFromZeroToTheEnd) {
    Picture p = NoisePicture(64, 90, 1);
    std::vector<uint8_t> bytes = NoiseBytes(64 * 90, 2);
    struct Op { const char* name; int (*run)(VmsImage*, VmsImage*); };
    const Op ops[] = {
        {"dodge", [](VmsImage* c, VmsImage*) { return c_Dib::ApplyDodge(c, 30); }},
        {"burn", [](VmsImage* c, VmsImage*) { return c_Dib::ApplyBurn(c, 30); }},
        {"colour temperature", [](VmsImage* c, VmsImage*) { return c_Dib::ApplyColourTemperature(c, 5); }},
        {"box mean", [](VmsImage*, VmsImage* g) { return c_Dib::BlurBox8(g, 3); }},
        {"quarter turn", [](VmsImage* c, VmsImage*) { VmsImage* t = c_Dib::Rotate(c, 0); int ok = t != nullptr; g_VmsStore.Free(&t); return ok; }},
        {"half turn", [](VmsImage*, VmsImage* g) { VmsImage* t = c_Dib::Rotate(g, 1); int ok = t != nullptr; g_VmsStore.Free(&t); return ok; }},
        {"free turn", [](VmsImage* c, VmsImage*) { VmsImage* t = c_Dib::RotateFree32(c, 17); int ok = t != nullptr; g_VmsStore.Free(&t); return ok; }},
        {"free turn 8", [](VmsImage*, VmsImage* g) { VmsImage* t = c_Dib::RotateFree8(g, -33); int ok = t != nullptr; g_VmsStore.Free(&t); return ok; }},
    };
    for (const Op& op : ops) {
        Owned colour(MakeImage32(p));
        Owned grey(MakeImage8(64, 90, bytes));
        ProgressRecorder rec;
        ASSERT_EQ(op.run(colour.get(), grey.get()), 1) << op.name;
        ASSERT_GE(rec.messages.size(), 2u) << op.name;
        EXPECT_EQ(rec.messages.front().w, 3u) << op.name;
        EXPECT_LE(rec.messages.front().l, 10) << op.name;   // the first row that reports
        LPARAM last = 0;
        for (size_t i = 0; i + 1 < rec.messages.size(); ++i) {
            EXPECT_EQ(rec.messages[i].w, 3u) << op.name;
            EXPECT_GE(rec.messages[i].l, last) << op.name;
            EXPECT_LE(rec.messages[i].l, 100) << op.name;
            last = rec.messages[i].l;
        }
        EXPECT_GE(last, 50) << op.name;
        EXPECT_EQ(rec.messages.back().w, 0u) << op.name;
        EXPECT_EQ(rec.messages.back().l, 0) << op.name;
    }
}

}  // namespace
