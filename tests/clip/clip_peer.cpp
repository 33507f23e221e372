// A second program on the clipboard, for the tests: it puts the DIB cases of
// dib_cases.h on the clipboard when asked, reads back what another process
// put there, and stays alive until told to go (clipboard data lives only as
// long as the process that put it). Driven by messages sent to its hidden
// window of class "DarnaClipPeer":
//   WM_USER + 1, case i   put readable case i (CF_DIB only)
//   WM_USER + 2, case i   put broken case i
//   WM_USER + 3, sizeMatch  put readable case 7 with grey companions of its
//                           size (1), one column wider (0) or one row taller (2)
//   WM_USER + 4           write the CF_DIB, "Darna_Transp" and "Darna_SelArea"
//                         blocks to cfdib.bin, transp.bin, selarea.bin in the
//                         folder of the command line; returns a bit per block
//   WM_USER + 5           quit
//   WM_USER + 6, on       hold the clipboard open (1) or close it (0)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dib_cases.h"

namespace {

std::string g_folder;

HGLOBAL ToGlobal(const std::vector<uint8_t>& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

uint8_t Ramp(int x, int y) { return (uint8_t)(x * 17 + y * 5); }

LRESULT Put(HWND wnd, const std::vector<std::pair<UINT, std::vector<uint8_t>>>& blocks) {
    if (!OpenClipboard(wnd)) return 0;
    EmptyClipboard();
    LRESULT ok = 1;
    for (auto& b : blocks) {
        HGLOBAL h = ToGlobal(b.second);
        if (!h || !SetClipboardData(b.first, h)) ok = 0;
    }
    CloseClipboard();
    return ok;
}

bool Save(UINT format, const char* name) {
    HANDLE h = GetClipboardData(format);
    if (!h) return false;
    const void* p = GlobalLock(h);
    SIZE_T size = GlobalSize(h);
    std::string path = g_folder + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(p, 1, size, f);
        std::fclose(f);
    }
    GlobalUnlock(h);
    return f != nullptr;
}

LRESULT CALLBACK PeerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    const UINT transp = RegisterClipboardFormatA("Darna_Transp");
    const UINT selArea = RegisterClipboardFormatA("Darna_SelArea");
    if (msg > WM_USER && msg < WM_USER + 5) SetTimer(wnd, 1, 60000, nullptr);   // a minute from now again
    switch (msg) {
    case WM_USER + 1:
        return Put(wnd, {{CF_DIB, ReadableDibCase((int)wp).block}});
    case WM_USER + 2:
        return Put(wnd, {{CF_DIB, BrokenDibCase((int)wp).block}});
    case WM_USER + 3: {
        DibCase c = ReadableDibCase(7);
        const int w = wp == 0 ? c.width + 1 : c.width, h = wp == 2 ? c.height + 1 : c.height;
        return Put(wnd, {{CF_DIB, c.block}, {transp, GreyDib(w, h, Ramp)}, {selArea, GreyDib(w, h, Ramp)}});
    }
    case WM_USER + 4: {
        if (!OpenClipboard(wnd)) return -1;
        LRESULT bits = (Save(CF_DIB, "cfdib.bin") ? 1 : 0) | (Save(transp, "transp.bin") ? 2 : 0) |
                       (Save(selArea, "selarea.bin") ? 4 : 0);
        CloseClipboard();
        return bits;
    }
    case WM_USER + 5:
        DestroyWindow(wnd);
        return 1;
    case WM_USER + 6:
        return wp ? OpenClipboard(wnd) : CloseClipboard();
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_folder = std::string(argv[1]) + "\\";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PeerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DarnaClipPeer";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "DarnaClipPeer", "peer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    if (!wnd) return 1;
    // The peer ends itself when nobody speaks to it for a minute.
    SetTimer(wnd, 1, 60000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_TIMER && m.hwnd == wnd) break;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
