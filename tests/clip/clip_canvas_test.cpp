// The clipboard, rulers and dialogs in the running editor: DIBs another
// process puts on the clipboard paste with their pixels, broken ones are
// refused, the editor's copy is read by another process as it was, a copied
// ellipse pastes transparent outside, and each dialog answers OK and Cancel.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../app/app_test_util.h"
#include "../ui/ui_test_util.h"
#include "app/canvas_request.h"
#include "app/globals.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "resources/resource.h"
#include "canvas/canv_clip.h"
#include "select/floating.h"
#include "canvas/canv_dialogs.h"
#include "canvas/canv_history.h"
#include "canvas/canv_layers.h"
#include "canvas/canv_ruler.h"
#include "canvas/canv_spare_dialogs.h"
#include "canvas/canv_view.h"
#include "canvas/canv_window.h"
#include "image/c_dib.h"
#include "image/packed_dib.h"
#include "canvas/ruler_scale.h"
#include "canvas/clip_strings.h"
#include "dib_cases.h"
#include "image/pen_colour.h"
#include "image/vms_store.h"
#include "paint/pen_state.h"
#include "test_support.h"

namespace {

// The peer process of clip_peer.exe, alive for the whole suite.
class Peer {
public:
    bool Start(const std::string& folder) {
        // No backslash before the closing quote: it would escape the quote.
        std::string bare = folder.substr(0, folder.size() - 1);
        // Appended piece by piece: a literal before a temporary string makes
        // GCC 12 warn of an overlap (-Wrestrict) that cannot happen.
        std::string cmd = "\"";
        cmd.append(testsupport::ExeFolder()).append("clip_peer.exe\" \"").append(bare).append("\"");
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return false;
        for (int i = 0; i < 200 && !wnd_; ++i) {
            wnd_ = FindWindowA("DarnaClipPeer", nullptr);
            if (!wnd_) Sleep(50);
        }
        return wnd_ != nullptr;
    }
    LRESULT Send(int message, WPARAM wp) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(wnd_, WM_USER + message, wp, 0, SMTO_NORMAL, 10000, &result)) return -100;
        return (LRESULT)result;
    }
    void Stop() {
        if (wnd_) Send(5, 0);
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
        wnd_ = nullptr;
        pi_ = {};
    }
private:
    HWND wnd_ = nullptr;
    PROCESS_INFORMATION pi_ = {};
};

class ClipCanvas : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempDir("clipcanv");
        // The .bmp reader, for pasting a file as a layer.
        CreateDirectoryA(folder_->File("file_r").c_str(), nullptr);
        CopyFileA((testsupport::ExeFolder() + "..\\dist\\file_r\\bmpload.dll").c_str(),
                  folder_->File("file_r\\bmpload.dll").c_str(), FALSE);
        // The .bmp writer, for exporting the selection's box.
        CreateDirectoryA(folder_->File("file_w").c_str(), nullptr);
        CopyFileA((testsupport::ExeFolder() + "..\\dist\\file_w\\bmpsave.dll").c_str(),
                  folder_->File("file_w\\bmpsave.dll").c_str(), FALSE);
        ASSERT_TRUE(apptest::StartFrame(folder_->Path()));
        peer_ = new Peer;
        ASSERT_TRUE(peer_->Start(folder_->Path()));
    }
    static void TearDownTestSuite() {
        peer_->Stop();
        delete peer_;
        apptest::EndFrame();
        delete folder_;
    }
    void TearDown() override {
        for (HWND w : windows_) apptest::CloseCanvasUnsaved(w);
        windows_.clear();
    }

    // A new blank document of w x h at 72 dpi with a colour pattern.
    CanvDoc* NewDoc(int w, int h) {
        HWND wnd = apptest::CreateBlankCanvas(w, h, 72);
        if (!wnd) return nullptr;
        windows_.push_back(wnd);
        CanvDoc* doc = GetCanvDoc(wnd);
        apptest::FillBasePlane(doc, Pattern);
        return doc;
    }
    static uint32_t Pattern(int x, int y) { return (uint32_t)((x * 13) & 255) << 16 | ((y * 29) & 255) << 8 | ((x ^ y) & 255); }

    static std::string WorkFile() { return folder_->File("clip.tmp"); }

    static testsupport::TempDir* folder_;
    static Peer* peer_;
    std::vector<HWND> windows_;
};
testsupport::TempDir* ClipCanvas::folder_ = nullptr;
Peer* ClipCanvas::peer_ = nullptr;

std::vector<uint8_t> Plane8(const VmsImage* image) {
    std::vector<uint8_t> out((size_t)image->width * image->height);
    for (int y = 0; y < image->height; ++y)
        g_VmsStore.GetRow(image, y, 0, image->width - 1, &out[(size_t)y * image->width]);
    return out;
}

TEST_F(ClipCanvas, ImagesOfAnotherProcessPasteWithTheirPixelsAndResolution) {
    for (int i = 0; i < ReadableDibCaseCount(); ++i) {
        DibCase c = ReadableDibCase(i);
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, peer_->Send(1, (WPARAM)i));
        int w = 0, h = 0, bits = 0;
        ASSERT_EQ(1, GetClipboardDibInfo(&w, &h, &bits));
        EXPECT_EQ(c.width, w);
        EXPECT_EQ(c.height, h);
        VmsImage* image = PasteClipImage();
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(300, image->xResolution);
        EXPECT_EQ(300, image->yResolution);
        std::vector<uint32_t> row((size_t)c.width);
        int wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            g_VmsStore.GetRow(image, y, 0, c.width - 1, row.data());
            for (int x = 0; x < c.width; ++x) wrong += (row[x] & 0xFFFFFF) != c.expected[(size_t)y * c.width + x];
        }
        EXPECT_EQ(0, wrong);
        g_VmsStore.Free(&image);
        EXPECT_EQ(-1, testsupport::FileSize(WorkFile()));
    }
}

TEST_F(ClipCanvas, BrokenBlocksOfAnotherProcessAreRefusedWithAMessage) {
    apptest::BoxAnswers answers;
    apptest::AnswerBoxes(&answers);
    for (int i = 0; i < BrokenDibCaseCount(); ++i) {
        DibCase c = BrokenDibCase(i);
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, peer_->Send(2, (WPARAM)i));
        EXPECT_EQ(0, GetClipboardDibInfo(nullptr, nullptr, nullptr));
        const size_t shown = answers.texts.size();
        EXPECT_EQ(nullptr, PasteClipImage());
        // The block reached us (Wine passes it as it is) and was refused in words.
        ASSERT_EQ(shown + 1, answers.texts.size());
        EXPECT_EQ(kClipUnreadable, answers.texts.back());
    }
    apptest::AnswerBoxes(nullptr);
    EXPECT_EQ(-1, testsupport::FileSize(WorkFile()));
}

TEST_F(ClipCanvas, CompanionsOfAnotherSizeAreIgnored) {
    CanvDoc* doc = NewDoc(40, 30);
    ASSERT_NE(nullptr, doc);
    // Companions one column wider, of the image's size, one row taller.
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        const bool match = kind == 1;
        ASSERT_EQ(1, peer_->Send(3, (WPARAM)kind));
        ASSERT_EQ(1, PasteClipboardAsLayer(doc));
        const int layer = CountLayers(doc, 0) - 1;
        const LayerPlane* base = LayerBase(doc, layer);
        // At the view's top-left, here the canvas's corner.
        EXPECT_EQ(0, base->x);
        EXPECT_EQ(0, base->y);
        std::vector<uint8_t> alpha = Plane8(base[1].image);
        const int w = base->width;
        int wrong = 0;
        for (int y = 0; y < base->height; ++y)
            for (int x = 0; x < w; ++x) {
                // The ramp is both transparency and selection area:
                // transparency x (255 - area) / 255.
                const int ramp = (uint8_t)(x * 17 + y * 5);
                const int want = match ? (ramp * (255 - ramp) + 128) / 255 : 255;
                wrong += std::abs(alpha[(size_t)y * w + x] - want) > 1;
            }
        EXPECT_EQ(0, wrong);
    }
}

// The blocks the peer saved, as a packed DIB.
std::string PeerBlock(const testsupport::TempDir& dir, const char* name) {
    std::string bytes;
    testsupport::ReadFileBytes(dir.File(name), &bytes);
    DeleteFileA(dir.File(name).c_str());
    return bytes;
}

TEST_F(ClipCanvas, CopyIsReadByAnotherProcessWithIdenticalPixels) {
    CanvDoc* doc = NewDoc(37, 21);
    ASSERT_NE(nullptr, doc);
    // A transparency ramp on the layer.
    std::vector<uint8_t> t(37);
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 37; ++x) t[x] = (uint8_t)(x * 7);
        g_VmsStore.PutRow(doc->planes[1].image, y, 0, 36, t.data());
    }
    CopyToClipboard(doc);
    ASSERT_EQ(7, peer_->Send(4, 0));
    std::string dib = PeerBlock(*folder_, "cfdib.bin"), transp = PeerBlock(*folder_, "transp.bin"),
                area = PeerBlock(*folder_, "selarea.bin");
    BITMAPINFOHEADER h;
    ASSERT_GE(dib.size(), sizeof h);
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(32, h.biBitCount);
    EXPECT_EQ(37, h.biWidth);
    EXPECT_EQ(21, h.biHeight);
    EXPECT_EQ(72 * 10000 / 254, h.biXPelsPerMeter);
    ASSERT_GE(dib.size(), 40u + 37 * 21 * 4);
    int wrong = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) {
            uint32_t px;
            std::memcpy(&px, dib.data() + 40 + ((size_t)(20 - y) * 37 + x) * 4, 4);
            wrong += (px & 0xFFFFFF) != Pattern(x, y);
        }
    EXPECT_EQ(0, wrong);
    ASSERT_GE(transp.size(), 40u + 1024 + 40 * 21);
    ASSERT_GE(area.size(), 40u + 1024 + 40 * 21);
    for (int x = 0; x < 37; ++x) {
        EXPECT_EQ((uint8_t)(x * 7), (uint8_t)transp[40 + 1024 + x]);
        EXPECT_EQ(0, area[40 + 1024 + x]);   // no mask: everything selected
    }

    // The transparency plane alone: an 8-bit CF_DIB and the area, no transparency.
    SetCurrentPlane(doc, 1);
    CopyToClipboard(doc);
    ASSERT_EQ(1 | 4, peer_->Send(4, 0));
    dib = PeerBlock(*folder_, "cfdib.bin");
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(8, h.biBitCount);
    EXPECT_EQ(7 * 36, (uint8_t)dib[40 + 1024 + 36]);
    PeerBlock(*folder_, "selarea.bin");
}

TEST_F(ClipCanvas, CopiedEllipsePastesTransparentOutsideIt) {
    CanvDoc* doc = NewDoc(60, 40);
    ASSERT_NE(nullptr, doc);
    // An ellipse selection over (10, 5)-(49, 34): the mask selects inside.
    doc->selectionMask = g_VmsStore.Create(60, 40, 8, 255, 1);
    std::vector<uint8_t> row(60);
    auto inside = [](int x, int y) {
        double dx = (x - 29.5) / 20.0, dy = (y - 19.5) / 15.0;
        return dx * dx + dy * dy <= 1.0;
    };
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) row[x] = inside(x, y) ? 0 : 255;
        g_VmsStore.PutRow(doc->selectionMask, y, 0, 59, row.data());
    }
    doc->selShapes[0] = SelShape{.kind = 20003, .x0 = 49, .y0 = 34, .x1 = 10, .y1 = 5};
    CopyToClipboard(doc);
    ASSERT_EQ(1, PasteClipboardAsLayer(doc));
    const LayerPlane* base = LayerBase(doc, 1);
    ASSERT_NE(nullptr, base->image);
    EXPECT_EQ(40, base->width);
    EXPECT_EQ(30, base->height);
    std::vector<uint8_t> alpha = Plane8(base[1].image);
    std::vector<uint32_t> colour(40);
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
        g_VmsStore.GetRow(base[0].image, y, 0, 39, colour.data());
        for (int x = 0; x < 40; ++x) {
            wrong += alpha[(size_t)y * 40 + x] != (inside(x + 10, y + 5) ? 255 : 0);
            if (inside(x + 10, y + 5)) wrong += (colour[x] & 0xFFFFFF) != Pattern(x + 10, y + 5);
        }
    }
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(-1, testsupport::FileSize(WorkFile()));
}

// ---- dialogs

TEST_F(ClipCanvas, RulerDialogSetsTheUnitOnOkOnly) {
    CanvDoc* doc = NewDoc(50, 50);
    ASSERT_NE(nullptr, doc);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            EXPECT_STREQ("dra_gage", r.templ);
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            return (int)IDCANCEL;
        });
        SendMessageA(doc->window, WM_COMMAND, 11013, 0);
    }
    EXPECT_EQ(0, doc->rulerUnit);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            return (int)IDOK;
        });
        SendMessageA(doc->window, WM_COMMAND, 11013, 0);
    }
    EXPECT_EQ(2, doc->rulerUnit);
}

TEST_F(ClipCanvas, LayerOptionsCancelRestoresOkStores) {
    CanvDoc* doc = NewDoc(50, 50);
    ASSERT_NE(nullptr, doc);
    const int index = AddLayer(doc, 5, 6, 20, 20, 0);
    ASSERT_GT(index, 0);
    LayerPlane* base = &doc->planes[index];
    base->transparency = 1;   // shows as 100 % opaque; must stay 1 when left alone
    auto edit = [](const ModalRequest& r, int button) {
        SetDlgItemTextA(r.dialog, 100, "40");
        SetDlgItemTextA(r.dialog, 102, "雲");
        SetDlgItemTextA(r.dialog, 110, "-7");
        SendDlgItemMessageA(r.dialog, 103, CB_SETCURSEL, 2, 0);
        SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(103, CBN_SELCHANGE), (LPARAM)GetDlgItem(r.dialog, 103));
        return button;
    };
    char name[40];
    std::memcpy(name, base->name, sizeof name);
    {
        ScopedModalAnswer answer([&](const ModalRequest& r) { return edit(r, IDCANCEL); });
        EXPECT_EQ(0, ShowLayerOptionsDialog(nullptr, doc, index));
    }
    EXPECT_EQ(1, base->transparency);
    EXPECT_STREQ(name, base->name);
    EXPECT_EQ(5, base->x);
    EXPECT_EQ(5, base[3].x);
    EXPECT_EQ(BlendNormal, base->blendMode);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) { return (int)IDOK; });
        EXPECT_EQ(1, ShowLayerOptionsDialog(nullptr, doc, index));
    }
    EXPECT_EQ(1, base->transparency);   // not edited: not rounded
    {
        ScopedModalAnswer answer([&](const ModalRequest& r) { return edit(r, IDOK); });
        EXPECT_EQ(1, ShowLayerOptionsDialog(nullptr, doc, index));
    }
    EXPECT_EQ(PercentToTransparency(60), base->transparency);
    EXPECT_STREQ("雲", base->name);
    EXPECT_EQ(-7, base->x);
    EXPECT_EQ(-7, base[1].x);
    EXPECT_EQ(BlendMultiply, base->blendMode);
    // An empty name keeps the dialog open with a message.
    {
        std::vector<std::string> seen;
        ScopedModalAnswer answer([&](const ModalRequest& r) {
            seen.push_back(r.templ);
            if (r.text) return (int)IDOK;
            if (r.attempt == 0) {
                SetDlgItemTextA(r.dialog, 102, "");
                return (int)IDOK;
            }
            return (int)IDCANCEL;
        });
        EXPECT_EQ(0, ShowLayerOptionsDialog(nullptr, doc, index));
        EXPECT_GE(seen.size(), 3u);
    }
    EXPECT_STREQ("雲", base->name);
}

TEST_F(ClipCanvas, CanvasSizeDialogPlansTheRequestOrRefuses) {
    CanvDoc* doc = NewDoc(100, 80);
    ASSERT_NE(nullptr, doc);
    ASSERT_GT(AddLayer(doc, 5, 5, 50, 50, 0), 0);
    auto answerWith = [](int side, const char* amount, int decrease, int button) {
        return [=](const ModalRequest& r) {
            if (r.text) return (int)IDOK;
            SendDlgItemMessageA(r.dialog, 100 + side, BM_CLICK, 0, 0);
            SetDlgItemTextA(r.dialog, 110 + side, amount);
            SendDlgItemMessageA(r.dialog, 130 + 10 * side + decrease, BM_CLICK, 0, 0);
            return button;
        };
    };
    {
        ScopedModalAnswer answer(answerWith(0, "10", 0, IDCANCEL));
        EXPECT_EQ(0, ShowCanvasResizeDialog(doc));
    }
    CanvasResizeSettings = CanvasResizeSides{.amount = {8, 8, 8, 8}};
    {
        ScopedModalAnswer answer(answerWith(0, "10", 0, IDOK));
        ASSERT_EQ(1, ShowCanvasResizeDialog(doc));
    }
    EXPECT_EQ(CanvOriginShifted, NewCanvasRequest.origin);
    EXPECT_EQ(doc, NewCanvasRequest.source);
    EXPECT_EQ(110, NewCanvasRequest.layers[0].width);
    EXPECT_EQ(10, NewCanvasRequest.layers[0].contentX);
    EXPECT_EQ(15, NewCanvasRequest.layers[1].x);
    CanvasResizeSettings = CanvasResizeSides{.amount = {8, 8, 8, 8}};
    apptest::BoxAnswers answers;
    apptest::AnswerBoxes(&answers);
    {
        ScopedModalAnswer answer(answerWith(2, "60", 1, IDOK));
        EXPECT_EQ(0, ShowCanvasResizeDialog(doc));
    }
    CanvasResizeSettings = CanvasResizeSides{.amount = {8, 8, 8, 8}};
}

TEST_F(ClipCanvas, SmallDialogsAnswerOkAndCancel) {
    // Duplicate at a new size.
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SetDlgItemTextA(r.dialog, 100, "320");
            char h[16];
            GetDlgItemTextA(r.dialog, 102, h, sizeof h);
            EXPECT_STREQ("240", h);
            return (int)IDOK;
        });
        int w = 640, h = 480;
        EXPECT_EQ(1, ShowResizeCopyDialog(nullptr, &w, &h));
        EXPECT_EQ(320, w);
        EXPECT_EQ(240, h);
    }
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SetDlgItemTextA(r.dialog, 105, "25");
            return (int)IDCANCEL;
        });
        int w = 640, h = 480;
        EXPECT_EQ(0, ShowResizeCopyDialog(nullptr, &w, &h));
        EXPECT_EQ(640, w);
    }
    // Grid: the height spin moves the height only.
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendMessageA(r.dialog, WM_VSCROLL, SB_LINEUP, (LPARAM)GetDlgItem(r.dialog, 103));
            SendDlgItemMessageA(r.dialog, 110, BM_CLICK, 0, 0);
            return (int)IDOK;
        });
        int w = 16, h = 16, snap = 0, red = 1, green = 2, blue = 3, invert = 0;
        EXPECT_EQ(1, ShowGridDialog(nullptr, &w, &h, &snap, &red, &green, &blue, &invert));
        EXPECT_EQ(16, w);
        EXPECT_EQ(17, h);
        EXPECT_EQ(1, snap);
        EXPECT_EQ(3, blue);
    }
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendMessageA(r.dialog, WM_VSCROLL, SB_LINEUP, (LPARAM)GetDlgItem(r.dialog, 101));
            return (int)IDCANCEL;
        });
        int w = 16, h = 16, snap = 0, red = 1, green = 2, blue = 3, invert = 0;
        EXPECT_EQ(0, ShowGridDialog(nullptr, &w, &h, &snap, &red, &green, &blue, &invert));
        EXPECT_EQ(16, w);
    }
    // Blank paper.
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 103, BM_CLICK, 0, 0);
            return (int)IDOK;
        });
        EXPECT_EQ(3, ShowClearDialog(nullptr));
    }
    {
        ScopedModalAnswer answer([](const ModalRequest&) { return kModalPressClose; });
        EXPECT_EQ(-1, ShowClearDialog(nullptr));
    }
    // Channel lock: relabelled for HSV; kept also after Cancel.
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 100, LB_SETCURSEL, 1, 0);
            SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), (LPARAM)GetDlgItem(r.dialog, 100));
            char label[8];
            GetDlgItemTextA(r.dialog, 101, label, sizeof label);
            EXPECT_STREQ("&H", label);
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            return (int)IDCANCEL;
        });
        EXPECT_EQ(0, ShowChannelLockDialog(nullptr));
    }
    EXPECT_EQ(1, ChannelLock.model);
    EXPECT_EQ(0, ChannelLock.enabled[1]);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            char label[8];
            GetDlgItemTextA(r.dialog, 103, label, sizeof label);
            EXPECT_STREQ("&V", label);   // opens in the model left last time
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            return (int)IDOK;
        });
        EXPECT_EQ(1, ShowChannelLockDialog(nullptr));
    }
    EXPECT_EQ(1, ChannelLock.enabled[1]);
    ChannelLock = ChannelLockSettings{0, {1, 1, 1}};
}

TEST_F(ClipCanvas, CopyBetweenChannelsMapsAlphaPlanesByNumberAndWritesTheArea) {
    CanvDoc* doc = NewDoc(30, 10);
    ASSERT_NE(nullptr, doc);
    // An alpha plane 2 to copy into by its plane number.
    LayerPlane* base = LayerBase(doc, 0);
    base[2].image = g_VmsStore.Create(30, 10, 8, 0, 1);
    base[2].x = 0, base[2].width = 30, base[2].height = 10, base[2].depth = 8;
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            // Source 赤 (first), target アルファ1; neither list clicked.
            const int n = (int)SendDlgItemMessageA(r.dialog, 101, LB_GETCOUNT, 0, 0);
            for (int i = 0; i < n; ++i) {
                char text[32];
                SendDlgItemMessageA(r.dialog, 101, LB_GETTEXT, i, (LPARAM)text);
                if (std::string(text) == "アルファ1") SendDlgItemMessageA(r.dialog, 101, LB_SETCURSEL, i, 0);
            }
            return (int)IDOK;
        });
        ASSERT_EQ(1, CopyChannel(nullptr));
    }
    std::vector<uint8_t> plane = Plane8(base[2].image);
    for (int x = 0; x < 30; ++x) EXPECT_EQ((Pattern(x, 0) >> 16) & 255, plane[x]) << x;
    // Cancel copies nothing.
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 101, LB_SETCURSEL, 1, 0);
            return (int)IDCANCEL;
        });
        EXPECT_EQ(0, CopyChannel(nullptr));
    }
    std::vector<uint32_t> colour(30);
    g_VmsStore.GetRow(doc->planes[0].image, 0, 0, 29, colour.data());
    for (int x = 0; x < 30; ++x) EXPECT_EQ(Pattern(x, 0), colour[x] & 0xFFFFFF) << x;
    // Red into the transparency, then undone.
    ASSERT_EQ(1, CopyChannelData(doc, ChannelRed, ChannelTransparency, 0, 0));
    EXPECT_EQ((Pattern(5, 0) >> 16) & 255, Plane8(base[1].image)[5]);
    ASSERT_EQ(1, c_UndoManager::StepLocked(doc, 0, 1));
    for (uint8_t a : Plane8(base[1].image)) ASSERT_EQ(255, a);
    // Red into the area, inverted: the mask takes 255 - red.
    ASSERT_EQ(1, CopyChannelData(doc, ChannelRed, ChannelArea, 1, 0));
    ASSERT_NE(nullptr, doc->selectionMask);
    std::vector<uint8_t> mask = Plane8(doc->selectionMask);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(255 - ((Pattern(x, 3) >> 16) & 255), mask[3 * 30 + x]) << x;
    EXPECT_EQ(20007, doc->selShapes[0].kind);
    // The area is made anew each time: "not outside the area" finds the old
    // area gone, and the mask takes red itself.
    ASSERT_EQ(1, CopyChannelData(doc, ChannelRed, ChannelArea, 0, 1));
    mask = Plane8(doc->selectionMask);
    for (int x = 0; x < 30; ++x) EXPECT_EQ((Pattern(x, 3) >> 16) & 255, mask[3 * 30 + x]) << x;
}

TEST_F(ClipCanvas, CopyWhileAnotherProcessHoldsTheClipboardSaysSo) {
    CanvDoc* doc = NewDoc(20, 10);
    ASSERT_NE(nullptr, doc);
    ASSERT_EQ(1, peer_->Send(1, 0));
    apptest::BoxAnswers answers;
    apptest::AnswerBoxes(&answers);
    ASSERT_NE(0, peer_->Send(6, 1));
    CopyToClipboard(doc);
    // Pasting while it is held says so as well, and makes no layer.
    const int layers = CountLayers(doc, 0);
    EXPECT_EQ(nullptr, PasteClipImage());
    EXPECT_EQ(0, PasteClipboardAsLayer(doc));
    EXPECT_EQ(layers, CountLayers(doc, 0));
    ASSERT_NE(0, peer_->Send(6, 0));
    apptest::AnswerBoxes(nullptr);
    ASSERT_EQ(3u, answers.texts.size());
    for (const std::string& text : answers.texts) EXPECT_EQ(kClipCannotOpen, text);
    // The clipboard still holds what the other process put there.
    int w = 0;
    ASSERT_EQ(1, GetClipboardDibInfo(&w, nullptr, nullptr));
    EXPECT_EQ(ReadableDibCase(0).width, w);
}

// ---- the frame's clipboard commands

void MDIActivate(HWND canvas) { SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)canvas, 0); }

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

bool MenuGrayed(UINT id) {
    HMENU menu = GetMenu(AppWindows.frame);
    SendMessageA(AppWindows.frame, WM_INITMENU, (WPARAM)menu, 0);
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

TEST_F(ClipCanvas, OpenFromClipboardMakesACanvasWithTheCopiedTransparency) {
    apptest::BoxAnswers answers;
    apptest::AnswerBoxes(&answers);
    ASSERT_EQ(1, peer_->Send(3, 1));   // 24-bit image with companions of its size
    EXPECT_FALSE(MenuGrayed(CMD_FILE_FROMCLIPBOARD));
    const int before = (int)answers.texts.size();
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_FROMCLIPBOARD, 0);
    EXPECT_EQ(before, (int)answers.texts.size());
    CanvDoc* doc = GetActiveCanvas();
    ASSERT_NE(nullptr, doc);
    windows_.push_back(doc->window);
    DibCase c = ReadableDibCase(7);
    ASSERT_EQ(c.width, doc->width);
    ASSERT_EQ(c.height, doc->height);
    EXPECT_EQ(300, doc->resolution);
    std::vector<uint32_t> row((size_t)c.width);
    std::vector<uint8_t> alpha = Plane8(doc->planes[1].image);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
        g_VmsStore.GetRow(doc->planes[0].image, y, 0, c.width - 1, row.data());
        for (int x = 0; x < c.width; ++x) {
            wrong += (row[x] & 0xFFFFFF) != c.expected[(size_t)y * c.width + x];
            const int ramp = (uint8_t)(x * 17 + y * 5);
            wrong += std::abs(alpha[(size_t)y * c.width + x] - (ramp * (255 - ramp) + 128) / 255) > 1;
        }
    }
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0, doc->modified);

    // An unreadable image: grayed, and the command says why once.
    ASSERT_EQ(1, peer_->Send(2, 0));
    EXPECT_TRUE(MenuGrayed(CMD_FILE_FROMCLIPBOARD));
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_FROMCLIPBOARD, 0);
    ASSERT_EQ(before + 1, (int)answers.texts.size());
    EXPECT_EQ(kClipUnreadable, answers.texts.back());
    // No image at all.
    EmptyTheClipboard();
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_FILE_FROMCLIPBOARD, 0);
    ASSERT_EQ(before + 2, (int)answers.texts.size());
    EXPECT_EQ("クリップボードにデータがありません。", answers.texts.back());
    apptest::AnswerBoxes(nullptr);
    EXPECT_EQ(doc, GetActiveCanvas());
}

TEST_F(ClipCanvas, PasteFloatsAtTheViewsTopLeftAndIsPlacedAsOneLayer) {
    CanvDoc* doc = NewDoc(300, 200);
    ASSERT_NE(nullptr, doc);
    SetZoomAt(doc->window, doc, 200.0);
    doc->scrollX = ImageToScreenX(doc, 40);
    doc->scrollY = ImageToScreenY(doc, 30);
    ASSERT_EQ(1, peer_->Send(1, 7));
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_PASTE, 0);
    // The image floats; nothing is added yet.
    ASSERT_EQ(doc, FloatingTarget());
    EXPECT_EQ(1, CountLayers(doc, 0));
    RECT frame;
    ASSERT_TRUE(GetFloatingFrame(&frame));
    EXPECT_EQ(40, frame.left);
    EXPECT_EQ(30, frame.top);
    // Esc takes it away without a layer.
    SendMessageA(doc->window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(nullptr, FloatingTarget());
    EXPECT_EQ(1, CountLayers(doc, 0));
    // Pasted again and left by a tool change, it becomes one layer at its frame.
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_PASTE, 0);
    ASSERT_EQ(doc, FloatingTarget());
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_SELRECT, 0);
    EXPECT_EQ(nullptr, FloatingTarget());
    ASSERT_EQ(2, CountLayers(doc, 0));
    EXPECT_EQ(40, LayerBase(doc, 1)->x);
    EXPECT_EQ(30, LayerBase(doc, 1)->y);
    EXPECT_EQ(1, doc->modified);
    // The layer it was pasted over stays current.
    EXPECT_EQ(0, doc->currentPlane);
    // Without companions the layer is opaque.
    std::vector<uint8_t> alpha = Plane8(LayerBase(doc, 1)[1].image);
    for (uint8_t a : alpha) ASSERT_EQ(255, a);
}

TEST_F(ClipCanvas, RulerDrawsMillimetreTicks) {
    CanvDoc* doc = NewDoc(300, 100);
    ASSERT_NE(nullptr, doc);
    doc->rulerUnit = RulerMillimetres;
    RECT rc;
    GetClientRect(doc->hRuler, &rc);
    MoveWindow(doc->hRuler, 0, 0, 400, 16, FALSE);
    GetClientRect(doc->hRuler, &rc);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawRuler(doc->hRuler, dc, 0);
    const int scroll = doc->scrollX;
    // At 72 dpi the 25 mm tick is column 71, the 5 mm one column 14.
    const int major = ImageToScreenX(doc, 71) + 8 - scroll, minor = ImageToScreenX(doc, 14) + 8 - scroll;
    const int bottom = rc.bottom - 5;
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, major, bottom));
    EXPECT_EQ(RGB(128, 128, 255), GetPixel(dc, minor, bottom));
    EXPECT_EQ(RGB(192, 192, 192), GetPixel(dc, major + 3, bottom));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(ClipCanvas, CanvasSizeAndResizedDuplicateMakeNewDocuments) {
    CanvDoc* doc = NewDoc(100, 80);
    ASSERT_NE(nullptr, doc);
    const int index = AddLayer(doc, 5, 5, 50, 50, 0);
    ASSERT_GT(index, 0);
    CanvasResizeSettings = CanvasResizeSides{.amount = {8, 8, 8, 8}};
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 100, BM_CLICK, 0, 0);
            SetDlgItemTextA(r.dialog, 110, "10");
            return (int)IDOK;
        });
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_IMG_CANVASSIZE, 0);
    }
    CanvasResizeSettings = CanvasResizeSides{.amount = {8, 8, 8, 8}};
    CanvDoc* wider = GetActiveCanvas();
    ASSERT_NE(doc, wider);
    ASSERT_NE(nullptr, wider);
    windows_.push_back(wider->window);
    EXPECT_EQ(110, wider->width);
    EXPECT_EQ(80, wider->height);
    EXPECT_EQ(15, LayerBase(wider, 1)->x);
    EXPECT_EQ(50, LayerBase(wider, 1)->width);
    // The base layer's pixels moved 10 to the right; the new strip is white.
    std::vector<uint32_t> row(110);
    g_VmsStore.GetRow(wider->planes[0].image, 3, 0, 109, row.data());
    EXPECT_EQ(0xFFFFFFu, row[0] & 0xFFFFFF);
    EXPECT_EQ(Pattern(0, 3), row[10] & 0xFFFFFF);
    EXPECT_EQ(Pattern(99, 3), row[109] & 0xFFFFFF);

    // Duplicate at half the size: every layer scaled.
    MDIActivate(doc->window);
    {
        ScopedModalAnswer answer([](const ModalRequest& r) {
            SetDlgItemTextA(r.dialog, 105, "50");
            return (int)IDOK;
        });
        SendMessageA(AppWindows.frame, WM_COMMAND, CMD_IMG_DUPRESIZE, 0);
    }
    ResizeCopyPercent = 100;
    CanvDoc* half = GetActiveCanvas();
    ASSERT_NE(nullptr, half);
    ASSERT_NE(doc, half);
    windows_.push_back(half->window);
    EXPECT_EQ(50, half->width);
    EXPECT_EQ(40, half->height);
    EXPECT_EQ(25, LayerBase(half, 1)->width);
    EXPECT_EQ(2, LayerBase(half, 1)->x);
}

TEST_F(ClipCanvas, FileBecomesALayerFittedWhenAsked) {
    CanvDoc* doc = NewDoc(20, 20);
    ASSERT_NE(nullptr, doc);
    BITMAPINFOHEADER* dib = CreatePackedDib(40, 30, 32);
    ASSERT_NE(nullptr, dib);
    std::vector<uint32_t> row(40);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) row[x] = Pattern(x, y);
        PutPackedDibRow32(dib, y, 0, 39, row.data());
    }
    const std::string path = folder_->File("layer.bmp");
    ASSERT_EQ(1, SavePackedDibBmp(path.c_str(), dib));
    FreePackedDib(dib);
    const int index = PasteFileAsLayer(doc, 2, path.c_str(), 3, 4, 0);
    ASSERT_GT(index, 0);
    const LayerPlane* base = &doc->planes[index];
    EXPECT_EQ(3, base->x);
    EXPECT_EQ(4, base->y);
    EXPECT_EQ(40, base->width);
    g_VmsStore.GetRow(base->image, 7, 0, 39, row.data());
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Pattern(x, 7), row[x] & 0xFFFFFF) << x;
    const int fitted = PasteFileAsLayer(doc, 2, path.c_str(), 0, 0, 1);
    ASSERT_GT(fitted, 0);
    EXPECT_EQ(20, doc->planes[fitted].width);
    EXPECT_EQ(15, doc->planes[fitted].height);
    EXPECT_EQ(0, PasteFileAsLayer(doc, 2, folder_->File("missing.bmp").c_str(), 0, 0, 0));
    EXPECT_EQ(3, CountLayers(doc, 0));
}

namespace {
// The file dialogs answered with a typed path (cancelled when it is empty).
int TypePath(const ModalRequest& request, void* user) {
    const std::string* name = (const std::string*)user;
    if (request.text) return IDOK;
    if (name->empty()) return IDCANCEL;
    if (request.attempt > 0) return kModalAskAgain;
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)name->c_str());
    SendMessageA(request.dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)name->c_str());
    return IDOK;
}
}  // namespace

// Edit > paste from a file: the chosen file becomes a layer of the active
// document; cancelling the choice adds nothing.
TEST_F(ClipCanvas, PasteFromAFileCommandPastesTheChosenFile) {
    CanvDoc* doc = NewDoc(30, 20);
    ASSERT_NE(nullptr, doc);
    SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)doc->window, 0);
    BITMAPINFOHEADER* dib = CreatePackedDib(12, 9, 32);
    ASSERT_NE(nullptr, dib);
    std::vector<uint32_t> row(12);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 12; ++x) row[x] = Pattern(x + 50, y);
        PutPackedDibRow32(dib, y, 0, 11, row.data());
    }
    std::string path = folder_->File("chosen.bmp");
    ASSERT_EQ(1, SavePackedDibBmp(path.c_str(), dib));
    FreePackedDib(dib);
    std::string none;
    SetModalAnswerHook(TypePath, &none);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_PASTEFILE, 0);
    EXPECT_EQ(1, CountLayers(doc, 0));
    EXPECT_EQ(nullptr, FloatingTarget());
    doc->modified = 0;
    SetModalAnswerHook(TypePath, &path);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_EDIT_PASTEFILE, 0);
    SetModalAnswerHook(nullptr, nullptr);
    // The chosen file floats; a tool change places it as one layer.
    ASSERT_EQ(doc, FloatingTarget());
    EXPECT_EQ(1, CountLayers(doc, 0));
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_TOOL_SELRECT, 0);
    EXPECT_EQ(nullptr, FloatingTarget());
    ASSERT_EQ(2, CountLayers(doc, 0));
    const LayerPlane* base = LayerBase(doc, 1);
    EXPECT_EQ(12, base->width);
    EXPECT_EQ(9, base->height);
    g_VmsStore.GetRow(base->image, 4, 0, 11, row.data());
    for (int x = 0; x < 12; ++x) EXPECT_EQ(Pattern(x + 50, 4), row[x] & 0xFFFFFF) << x;
    EXPECT_EQ(1, doc->modified);
}

// Edit > save the selection: the committed selection's box, or the whole
// canvas without a selection, written to the chosen file; the document keeps
// its own name.
TEST_F(ClipCanvas, ExportWritesTheSelectionBoxOrTheWholeCanvas) {
    CanvDoc* doc = NewDoc(30, 20);
    ASSERT_NE(nullptr, doc);
    const std::string name = doc->path;
    struct Case {
        const char* file;
        SelShape shape;
        int x0, y0, width, height;
    } cases[] = {
        {"box.bmp", SelShape{.kind = CMD_TOOL_SELRECT, .x0 = 5, .y0 = 4, .x1 = 14, .y1 = 11}, 5, 4, 10, 8},
        {"reversed.bmp", SelShape{.kind = CMD_TOOL_SELELLIPSE, .x0 = 20, .y0 = 15, .x1 = 12, .y1 = 3}, 12, 3, 9, 13},
        {"past.bmp", SelShape{.kind = CMD_TOOL_SELRECT, .x0 = 25, .y0 = -5, .x1 = 40, .y1 = 6}, 25, 0, 5, 7},
        {"whole.bmp", SelShape{}, 0, 0, 30, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        doc->selShapes[0] = c.shape;
        std::string path = folder_->File(c.file);
        SetModalAnswerHook(TypePath, &path);
        SendMessageA(doc->window, WM_COMMAND, CMD_EDIT_EXPORT, 0);
        SetModalAnswerHook(nullptr, nullptr);
        VmsImage* out = c_Dib::LoadBmp(path.c_str());
        ASSERT_NE(nullptr, out);
        EXPECT_EQ(c.width, out->width);
        EXPECT_EQ(c.height, out->height);
        std::vector<uint32_t> row((size_t)out->width);
        int wrong = 0;
        for (int y = 0; y < out->height && out->width == c.width; ++y) {
            g_VmsStore.GetRow(out, y, 0, out->width - 1, row.data());
            for (int x = 0; x < out->width; ++x) wrong += (row[x] & 0xFFFFFF) != Pattern(c.x0 + x, c.y0 + y);
        }
        EXPECT_EQ(0, wrong);
        g_VmsStore.Free(&out);
        DeleteFileA(path.c_str());
    }
    EXPECT_EQ(name, doc->path);
    doc->selShapes[0] = SelShape{};
}

namespace {
int g_statusProgress = 0;
LRESULT CALLBACK CountStatusProgress(int code, WPARAM wp, LPARAM lp) {
    const CWPSTRUCT* m = (const CWPSTRUCT*)lp;
    if (code == HC_ACTION && m->hwnd == AppWindows.statusBar && m->message == WM_USER && m->wParam == 3)
        ++g_statusProgress;
    return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

// The reader plug-ins report how far a file read has come on the editor's
// status bar.
TEST_F(ClipCanvas, FileReadsReportTheirProgressOnTheStatusBar) {
    CanvDoc* doc = NewDoc(20, 20);
    ASSERT_NE(nullptr, doc);
    BITMAPINFOHEADER* dib = CreatePackedDib(64, 200, 24);
    ASSERT_NE(nullptr, dib);
    const std::string path = folder_->File("progress.bmp");
    ASSERT_EQ(1, SavePackedDibBmp(path.c_str(), dib));
    FreePackedDib(dib);
    g_statusProgress = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountStatusProgress, nullptr, GetCurrentThreadId());
    const int index = PasteFileAsLayer(doc, 2, path.c_str(), 0, 0, 0);
    UnhookWindowsHookEx(hook);
    ASSERT_GT(index, 0);
    EXPECT_GT(g_statusProgress, 10);
}

// ---- dialogs no command opens

TEST_F(ClipCanvas, LayerSizeDialogResizesTheLayerAndShowsHandles) {
    CanvDoc* doc = NewDoc(100, 80);
    ASSERT_NE(nullptr, doc);
    SetZoomAt(doc->window, doc, 100.0);
    const int index = AddLayer(doc, 10, 10, 30, 20, 0);
    ASSERT_GT(index, 0);
    SetCurrentPlane(doc, index);
    std::vector<uint32_t> row(30, 0x123456);
    for (int y = 0; y < 20; ++y) g_VmsStore.PutRow(LayerBase(doc, 1)->image, y, 0, 29, row.data());
    HWND dlg = OpenLayerResizeDialog(nullptr, doc);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ(nullptr, OpenLayerResizeDialog(nullptr, doc));   // one at a time
    SendDlgItemMessageA(dlg, 100, BM_CLICK, 0, 0);
    SetDlgItemTextA(dlg, 110, "5");
    RECT frame;
    ASSERT_TRUE(GetLayerFrameRect(&frame));
    EXPECT_EQ(5, frame.left);
    EXPECT_EQ(39, frame.right);
    EXPECT_EQ(0, HitLayerFrame(doc, ImageToScreenX(doc, 5), ImageToScreenY(doc, 10)));
    EXPECT_EQ(-1, HitLayerFrame(doc, ImageToScreenX(doc, 20), ImageToScreenY(doc, 20)));
    // Dragging the middle of the right side 6 pixels out: right increase 6.
    POINT at = {ImageToScreenX(doc, 39), ImageToScreenY(doc, 20)};
    ASSERT_EQ(5, HitLayerFrame(doc, at.x, at.y));
    POINT screenAt = at;
    ClientToScreen(doc->display, &screenAt);
    const MouseSample drag[] = {{screenAt.x + 3, screenAt.y, kSampleLeft}, {screenAt.x + 6, screenAt.y, kSampleLeft},
                                {screenAt.x + 6, screenAt.y, 0}};
    InjectMouseSamples(drag, 3);
    DragLayerFrame(doc, 5);
    InjectMouseSamples(nullptr, 0);
    EXPECT_TRUE(IsDlgButtonChecked(dlg, 101));
    char amount[16];
    GetDlgItemTextA(dlg, 111, amount, sizeof amount);
    EXPECT_STREQ("6", amount);
    SendDlgItemMessageA(dlg, 101, BM_CLICK, 0, 0);   // right side off again
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(nullptr, GetLayerResizeDialog());
    const LayerPlane* base = LayerBase(doc, 1);
    EXPECT_EQ(5, base->x);
    EXPECT_EQ(35, base->width);
    EXPECT_EQ(35, base[1].image->width);
    std::vector<uint32_t> got(35);
    g_VmsStore.GetRow(base->image, 0, 0, 34, got.data());
    EXPECT_EQ(0xFFFFFFu, got[0] & 0xFFFFFF);      // new area filled with 255
    EXPECT_EQ(0x123456u, got[5] & 0xFFFFFF);      // old pixels in place
}

TEST_F(ClipCanvas, EachUnreachableDialogOpensAndAnswers) {
    CanvDoc* doc = NewDoc(64, 48);
    ASSERT_NE(nullptr, doc);
    LayerBase(doc, 0)[2].image = g_VmsStore.Create(64, 48, 8, 0, 1);
    std::vector<std::string> opened;
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        opened.push_back(r.templ);
        const std::string t = r.templ;
        if (r.text) return (int)IDYES;
        if (t == "dra_layermix") {
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            SendDlgItemMessageA(r.dialog, 111, BM_CLICK, 0, 0);
        } else if (t == "dra_rotate") {
            SendDlgItemMessageA(r.dialog, 103, BM_CLICK, 0, 0);
            SetDlgItemTextA(r.dialog, 110, "45");
        } else if (t == "dra_layeradd") {
            SendDlgItemMessageA(r.dialog, 101, BM_CLICK, 0, 0);
            SetDlgItemTextA(r.dialog, 110, "20");
            SetDlgItemTextA(r.dialog, 111, "10");
        } else if (t == "dra_fixalp") {
            SendDlgItemMessageA(r.dialog, 100, LB_SETSEL, TRUE, 0);
            SendMessageA(r.dialog, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), (LPARAM)GetDlgItem(r.dialog, 100));
            char title[32];
            GetWindowTextA(r.dialog, title, sizeof title);
            EXPECT_STREQ("2 ", title);
        } else if (t == "dra_bgcolor") {
            return 104;
        } else if (t == "dra_canvaslist") {
            if (r.attempt == 0) {
                SendMessageA(r.dialog, WM_COMMAND, 101, 0);   // add, answered below
                return kModalAskAgain;
            }
            return (int)IDOK;
        } else if (t == "dra_addcanv") {
            SetDlgItemTextA(r.dialog, 100, "300");
            SetDlgItemTextA(r.dialog, 101, "200");
        }
        return (int)IDOK;
    });
    int transparency = 0;
    EXPECT_EQ(2, ShowLayerMixDialog(nullptr, &transparency));
    EXPECT_EQ(1, transparency);
    int angle = 0;
    EXPECT_EQ(3, ShowRotateDialog(nullptr, doc, &angle));
    EXPECT_EQ(45, angle);
    int w = 1, h = 1;
    EXPECT_EQ(1, ShowLayerAddDialog(nullptr, doc, &w, &h));
    EXPECT_EQ(20, w);
    EXPECT_EQ(10, h);
    int layer = -1, plane = -1;
    EXPECT_EQ(1, ShowLayerSelectDialog(nullptr, doc, &layer, &plane));
    EXPECT_EQ(-1, layer);
    EXPECT_EQ(0, plane);
    EXPECT_EQ(0, ShowPlaneSelectDialog(nullptr, doc));
    std::vector<int> alphas;
    EXPECT_EQ(1, ShowFixAlphaDialog(nullptr, doc, &alphas));
    EXPECT_EQ(std::vector<int>{2}, alphas);
    EXPECT_EQ(BackgroundColourChoices[4], ShowBackgroundColourDialog(nullptr));
    std::vector<SIZE> sizes = {{100, 100}, {640, 480}};
    ShowCanvasListDialog(nullptr, &sizes);
    ASSERT_EQ(3u, sizes.size());
    EXPECT_EQ(300, sizes[1].cx);
    EXPECT_EQ(200, sizes[1].cy);
    EXPECT_EQ(10u, opened.size());
}

// A canvas with millimetre rulers and the layer options dialog stays on the
// screen for eight seconds, for a picture taken from outside; the test writes
// the file DARNA_CLIP_SHOT names when the picture can be taken. Skipped
// without it.
TEST_F(ClipCanvas, ScreenshotOfRulersAndLayerOptions) {
    const char* shot = std::getenv("DARNA_CLIP_SHOT");
    if (!shot) GTEST_SKIP() << "DARNA_CLIP_SHOT names the picture to write";
    ShowWindow(AppWindows.frame, SW_SHOWNORMAL);
    SetWindowPos(AppWindows.frame, HWND_TOP, 0, 0, 1000, 760, SWP_SHOWWINDOW);
    CanvDoc* doc = NewDoc(600, 400);
    ASSERT_NE(nullptr, doc);
    SetWindowPos(doc->window, HWND_TOP, 0, 0, 720, 520, SWP_SHOWWINDOW);
    const int index = AddLayer(doc, 120, 80, 200, 150, 0);
    std::vector<uint32_t> row(200, 0x3060C0);
    std::vector<uint8_t> alpha(200, 255);
    for (int y = 0; y < 150; ++y) {
        g_VmsStore.PutRow(doc->planes[index].image, y, 0, 199, row.data());
        g_VmsStore.PutRow(doc->planes[index + 1].image, y, 0, 199, alpha.data());
    }
    {
        ScopedModalAnswer ruler([](const ModalRequest& r) {
            SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
            return (int)IDOK;
        });
        SendMessageA(doc->window, WM_COMMAND, 11013, 0);
    }
    apptest::Pump(800);
    // Wine shows a child's paint once the child is updated on its own.
    for (HWND ruler : {doc->hRuler, doc->vRuler}) {
        InvalidateRect(ruler, nullptr, TRUE);
        UpdateWindow(ruler);
    }
    std::string path = shot;
    ScopedModalAnswer answer([&](const ModalRequest& r) {
        // The first answers let the dialog's own loop paint it.
        if (r.attempt == 0) {
            SetDlgItemTextA(r.dialog, 100, "70");
            SetWindowPos(r.dialog, HWND_TOP, 560, 420, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        }
        if (r.attempt < 6) {
            Sleep(200);
            return kModalAskAgain;
        }
        testsupport::WriteFileBytes(path, "ready", 5);
        apptest::Pump(8000);
        return (int)IDCANCEL;
    });
    ShowLayerOptionsDialog(AppWindows.frame, doc, index);
    ShowWindow(AppWindows.frame, SW_HIDE);
    EXPECT_GT(testsupport::FileSize(path), 0);
}

}  // namespace

// Turning the image right replaces the document by its turned copy: the copy
// keeps the file's path and stays marked changed, the source window is gone.
TEST_F(ClipCanvas, TurningTheImageReplacesTheDocumentUnderItsPath) {
    CanvDoc* doc = NewDoc(60, 40);
    ASSERT_NE(nullptr, doc);
    HWND source = doc->window;
    lstrcpynA(doc->path, "C:\\photos\\turned.png", sizeof doc->path);
    doc->modified = 0;
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_IMG_ROTRIGHT, 0);
    CanvDoc* turned = GetActiveCanvas();
    ASSERT_NE(nullptr, turned);
    ASSERT_NE(source, turned->window);
    windows_.push_back(turned->window);
    EXPECT_FALSE(IsWindow(source));
    std::erase(windows_, source);
    EXPECT_EQ(40, turned->width);
    EXPECT_EQ(60, turned->height);
    EXPECT_STREQ("C:\\photos\\turned.png", turned->path);
    EXPECT_EQ(1, turned->modified);
}

// Image > fill the selection with the pen: the selected pixels of the box take
// the pen colour, the protected ones stay, in one undo step.
TEST_F(ClipCanvas, TexturePaperTilesTheChosenStampOpaque) {
    CanvDoc* doc = NewDoc(8, 5);
    ASSERT_NE(nullptr, doc);
    LayerPlane* base = LayerBase(doc, 0);
    ASSERT_NE(nullptr, base[1].image);
    std::vector<uint8_t> clear(8, 0);
    for (int y = 0; y < 5; ++y) g_VmsStore.PutRow(base[1].image, y, 0, 7, clear.data());
    auto paperChoice = [](const ModalRequest& r) {
        SendDlgItemMessageA(r.dialog, 102, BM_CLICK, 0, 0);
        return (int)IDOK;
    };
    auto clearToPaper = [&] {
        ScopedModalAnswer answer(paperChoice);
        SendMessageA(doc->window, WM_COMMAND, CMD_IMG_CLEAR, 0);
    };
    auto colourAt = [&](int x, int y) {
        uint32_t word = 0;
        g_VmsStore.GetRow(base[0].image, y, x, x, &word);
        return word & 0xFFFFFF;
    };
    auto alphaAt = [&](int x, int y) {
        int v = -1;
        g_VmsStore.GetValue(base[1].image, x, y, &v);
        return v;
    };

    // No stamp chosen: the layer stays as it is, and no step is taken.
    VmsImage* saved[4];
    std::memcpy(saved, Pen.brushImages, sizeof saved);
    std::memset(Pen.brushImages, 0, sizeof Pen.brushImages);
    doc->modified = 0;
    const int steps = doc->undoCount;
    clearToPaper();
    EXPECT_EQ(Pattern(4, 3), colourAt(4, 3));
    EXPECT_EQ(0, alphaAt(4, 3));
    EXPECT_EQ(steps, doc->undoCount);
    EXPECT_EQ(0, doc->modified);

    // A 3 x 2 stamp: row y mod 2, columns from 0 in strips of 3; opaque.
    VmsImage* stamp = g_VmsStore.Create(3, 2, 24, 0, 1);
    ASSERT_NE(nullptr, stamp);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) g_VmsStore.SetRgb(stamp, x, y, 40 * x + 10, 100 * y + 20, 7);
    Pen.brushImages[0] = stamp;
    clearToPaper();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            int r = 40 * (x % 3) + 10, g = 100 * (y % 2) + 20;
            EXPECT_EQ((uint32_t)(r << 16 | g << 8 | 7), colourAt(x, y)) << x << "," << y;
            EXPECT_EQ(255, alphaAt(x, y)) << x << "," << y;
        }
    EXPECT_EQ(steps + 1, doc->undoCount);
    EXPECT_EQ(1, doc->modified);

    // While the brush images hold an effect, there is no texture either.
    VmsImage* effect = g_VmsStore.Create(8, 5, 24, 0, 1);
    Pen.brushImages[2] = effect;
    g_VmsStore.SetRgb(base[0].image, 1, 2, 255, 255, 255);
    clearToPaper();
    EXPECT_EQ(0xFFFFFFu, colourAt(1, 2));
    EXPECT_EQ(steps + 1, doc->undoCount);
    g_VmsStore.Free(&effect);
    g_VmsStore.Free(&stamp);
    std::memcpy(Pen.brushImages, saved, sizeof saved);
}

TEST_F(ClipCanvas, SelectionFilledWithThePenThroughItsCommand) {
    CanvDoc* doc = NewDoc(40, 30);
    ASSERT_NE(nullptr, doc);
    doc->selectionMask = g_VmsStore.Create(40, 30, 8, 255, 1);   // all protected
    ASSERT_NE(nullptr, doc->selectionMask);
    std::vector<uint8_t> open(40, 0);
    for (int y = 5; y <= 14; ++y) g_VmsStore.PutRow(doc->selectionMask, y, 10, 19, open.data());
    doc->selShapes[0] = SelShape{.kind = 20001, .x0 = 8, .y0 = 3, .x1 = 21, .y1 = 16};
    SetPenColourRgb(10, 20, 30);
    const int opacity = PenOpacity;
    PenOpacity = 255;
    const int steps = doc->undoCount;
    SendMessageA(doc->window, WM_COMMAND, 21000, 0);
    PenOpacity = opacity;
    std::vector<uint32_t> row(40);
    g_VmsStore.GetRow(doc->planes[0].image, 10, 0, 39, row.data());
    EXPECT_EQ(0x0A141Eu, row[15] & 0xFFFFFF);
    EXPECT_EQ(Pattern(9, 10), row[9] & 0xFFFFFF);     // protected, inside the box
    EXPECT_EQ(Pattern(25, 10), row[25] & 0xFFFFFF);   // outside the box
    EXPECT_EQ(steps + 1, doc->undoCount);
    EXPECT_EQ(1, doc->modified);
    g_VmsStore.Free(&doc->selectionMask);
    doc->selShapes[0] = SelShape{};
}
