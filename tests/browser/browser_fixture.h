// Helpers of the browser tests: a program folder with the real plug-ins,
// pictures written through them, and message pumping.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include <cstring>
#include <vector>

#include "ui/ui_hook.h"
#include "browser/browser_frame.h"
#include "browser/file_list.h"
#include "browser/thumb_pane.h"
#include "fileio/thumb_cache.h"
#include "image/packed_dib.h"
#include "test_support.h"

namespace bvtest {

// build/dist/exp\ with its plug-ins.
std::string DistExp();
// build/tests/fileio_plugins\ (the test plug-ins).
std::string TestPlugins();

// A temporary browser folder with file_r and file_w holding the real
// plug-ins (and, with probe, the test plug-in tp_probe that refuses to write
// files named *.refuse). Init lists them and sets up the browser's cache.
class BrowserFolder {
public:
    explicit BrowserFolder(bool probe = false);
    ~BrowserFolder();
    const std::string& Path() const { return dir_.Path(); }
    void Init();
private:
    testsupport::TempDir dir_;
};

// A 24-bit picture whose pixel (x, y) is PatternRgb(x, y, seed): smooth
// gradients, so that lossy formats come back close.
PackedDib MakePattern(int width, int height, int seed);
COLORREF PatternRgb(int x, int y, int seed);
// Writes the picture through the writer of the path's extension.
bool WritePicture(const BITMAPINFOHEADER* dib, const std::string& path);

// Pumps this thread's messages for ms milliseconds, or until done() holds.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Answers modal dialogs with a function and keeps what message boxes said.
class Answers {
public:
    using Fn = std::function<int(const ModalRequest&)>;
    explicit Answers(Fn fn = nullptr) : fn_(std::move(fn)) { SetModalAnswerHook(&Call, this); }
    ~Answers() { SetModalAnswerHook(nullptr, nullptr); }
    std::vector<std::string> texts;
private:
    static int Call(const ModalRequest& r, void* self) {
        Answers* me = (Answers*)self;
        if (r.attempt == 0 && r.text) me->texts.push_back(r.text);
        if (me->fn_) return me->fn_(r);
        return r.kind == 1 ? IDYES : IDOK;
    }
    Fn fn_;
};

inline bool AnyContains(const std::vector<std::string>& texts, const char* part) {
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

// A browser frame over a program folder, showing `folder`.
class RunningBrowser {
public:
    explicit RunningBrowser(const std::string& folder, bool probe = false) : program_(probe) {
        frame_ = CreateBrowserFrame(GetModuleHandleA(nullptr), program_.Path().c_str(), SW_SHOW);
        if (!frame_) return;
        MoveWindow(frame_, 0, 0, 1000, 700, TRUE);
        Pump(50);   // the frame's start-up messages
        std::strcpy(g_CurrentFolder, folder.c_str());
        std::strcpy(g_PatternList, "*");
        RefreshFileList(g_Browser.pane, 1);
    }
    ~RunningBrowser() {
        if (frame_ && IsWindow(frame_)) DestroyWindow(frame_);
        CleanUpBrowser();
    }
    HWND Frame() const { return frame_; }
    const std::string& Program() const { return program_.Path(); }
    bool AllThumbnailsMade(DWORD timeoutMs = 30000) {
        return PumpUntil(
            [] {
                for (const std::string& p : g_FileList.paths)
                    if (!HasThumbCache(p.c_str(), kThumbCacheSet)) return false;
                return g_FileList.loader == nullptr || WaitForSingleObject(g_FileList.loader, 0) == WAIT_OBJECT_0;
            },
            timeoutMs);
    }
    int IndexOf(const std::string& path) {
        for (int i = 0; i < g_FileList.count; ++i)
            if (g_FileList.paths[(size_t)i] == path) return i;
        return -1;
    }
    void SelectOnly(const std::string& path) {
        for (int i = 0; i < g_FileList.count; ++i) g_FileList.flags[(size_t)i] = g_FileList.paths[(size_t)i] == path;
    }
    void Command(int id) { SendMessageA(frame_, WM_COMMAND, (WPARAM)id, 0); }
private:
    BrowserFolder program_;
    HWND frame_ = nullptr;
};


}  // namespace bvtest
