#include "app_test_util.h"

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "app/canvas_request.h"
#include "app/envblock.h"
#include "app/frame.h"
#include "app/globals.h"
#include "app/startup.h"
#include "ui/mousepoll.h"
#include "ui/ui_hook.h"
#include "app/wndclass.h"
#include "canvas/canv_doc.h"
#include "image/vms_store.h"
#include "paint/text_tool.h"
#include "resources/paint_ids.h"
#include "resources/resource.h"
#include "test_support.h"

namespace apptest {

namespace {
bool g_quitSeen = false;

int Answer(const ModalRequest& request, void* user) {
    BoxAnswers* answers = (BoxAnswers*)user;
    answers->texts.push_back(request.text ? request.text : request.templ);
    return answers->button;
}
}  // namespace

void EnsureClasses() {
    static int registered = -1;
    if (registered < 0) {
        AppInstance = GetModuleHandleA(nullptr);
        registered = RegisterWindowClasses();
    }
    ASSERT_EQ(1, registered);
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                g_quitSeen = true;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Pump(10);
    }
    return true;
}

bool StartFrame(const std::string& folder, const std::vector<std::string>& args, int show) {
    EnsureClasses();
    StartupInit(GetModuleHandleA(nullptr));
    SetProgramFolder(folder.c_str());
    StartupLoadSettings();
    StartupLoadResources();
    SetCommandLineFiles(args);
    g_quitSeen = false;
    if (!StartupCreateFrame(show)) {
        StartupCleanup();
        return false;
    }
    return true;
}

bool CloseFrame(DWORD timeoutMs) {
    HWND frame = AppWindows.frame;
    if (frame) SendMessageA(frame, WM_CLOSE, 0, 0);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs && !(g_quitSeen && !IsWindow(frame))) Pump(10);
    bool gone = !IsWindow(frame) && g_quitSeen;
    if (gone) StartupCleanup();
    return gone;
}

bool EndFrame(DWORD timeoutMs) {
    HWND frame = AppWindows.frame;
    if (frame) DestroyWindow(frame);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs && !g_quitSeen) Pump(5);
    bool gone = !IsWindow(frame) && g_quitSeen;
    if (gone) StartupCleanup();
    return gone;
}

void EndTestFrame(bool started) {
    SetModalAnswerHook(nullptr, nullptr);
    InjectMouseSamples(nullptr, 0);
    if (started && !EndFrame()) ForceEnd();
}

void ShowEveryBar() {
    Env.mainBarShown = Env.statusBarShown = Env.ctrlPanelShown = 1;
    FrameRelayout();
}

void ForceEnd() {
    HWND frame = AppWindows.frame;
    if (frame && IsWindow(frame)) DestroyWindow(frame);
    Pump(20);
    StartupCleanup();
}

void AnswerBoxes(BoxAnswers* answers) {
    if (answers) SetModalAnswerHook(Answer, answers);
    else SetModalAnswerHook(nullptr, nullptr);
}

std::string MenuText(HMENU menu, UINT id) {
    char text[256] = {};
    GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

HWND CreateBlankCanvas(int w, int h, int dpi) {
    NewCanvasRequest = NewCanvasRequestRecord{};
    NewCanvasRequest.layerCount = 1;
    NewCanvasRequest.layers[0] = NewCanvasLayer{.width = w, .height = h, .depth = 24, .planeCount = 1};
    NewCanvasRequest.origin = CanvOriginBlank;
    NewCanvasRequest.resolution = dpi;
    return CreateCanvasWindow();
}

HWND OpenBlankCanvas(int w, int h) {
    HWND child = CreateBlankCanvas(w, h);
    if (child) SendMessageA(AppWindows.mdiClient, WM_MDIACTIVATE, (WPARAM)child, 0);
    return child;
}

void FillBasePlane(CanvDoc* doc, uint32_t (*pattern)(int x, int y)) {
    VmsImage* base = doc->planes[0].image;
    std::vector<uint32_t> row((size_t)base->width);
    for (int y = 0; y < base->height; ++y) {
        for (int x = 0; x < base->width; ++x) row[x] = pattern(x, y);
        g_VmsStore.PutRow(base, y, 0, base->width - 1, row.data());
    }
}

void CloseCanvasUnsaved(HWND canvas) {
    if (!IsWindow(canvas)) return;
    if (CanvDoc* doc = GetCanvDoc(canvas)) doc->modified = 0;
    SendMessageA(AppWindows.mdiClient, WM_MDIDESTROY, (WPARAM)canvas, 0);
}

void ChooseFade(int mode) {
    static int chosen;
    chosen = mode;
    SetModalAnswerHook(
        [](const ModalRequest& r, void*) -> int {
            if (!r.templ || std::strcmp(r.templ, "dra_tone") != 0) return IDCANCEL;
            return r.attempt == 0 ? IDC_TONE_MODE0 + chosen : IDOK;
        },
        nullptr);
    SendMessageA(AppWindows.frame, WM_COMMAND, CMD_GRADIENTDLG, 0);
    SetModalAnswerHook(nullptr, nullptr);
}

void SetBlueShadowedText(const char* text, int size, int dx, int dy) {
    TextSettingsRecord& s = TextSettings;
    std::strncpy(s.text, text, sizeof s.text - 1);
    s.text[sizeof s.text - 1] = 0;
    s.fontSize = size;
    s.stickerRoute = 0;
    s.shadowOn = 1;
    s.shadowDx = dx;
    s.shadowDy = dy;
    s.shadowBlur = 0;
    s.shadowColour[0] = 0;
    s.shadowColour[1] = 0;
    s.shadowColour[2] = 255;
}

std::string Dist() { return testsupport::ExeFolder() + "..\\dist\\"; }

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((from + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CopyTree(from + name + "\\", to + name + "\\");
        else CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

bool WritePhotoBmp(const std::string& path, int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> bits((size_t)stride * h);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = (int)((seed >> 16) % 41) - 20;
            uint8_t* p = &bits[(size_t)(h - 1 - y) * stride + x * 3];
            p[0] = (uint8_t)(120 + grain + (x + y) * 60 / (w + h));    // blue
            p[1] = (uint8_t)(50 + grain + y * 120 / h);                 // green
            p[2] = (uint8_t)(50 + grain + x * 140 / w);                 // red
        }
    return testsupport::WriteBmp24(path, w, h, bits.data(), bits.size());
}

HWND HandOverPicture(BITMAPINFOHEADER* dib) {
    if (!dib) return nullptr;
    HGLOBAL block = GlobalHandle(dib);
    GlobalUnlock(block);
    SendMessageA(AppWindows.frame, WM_USER + 10, (WPARAM)block, 0);
    return GetActiveCanvasWindow();
}

}  // namespace apptest
