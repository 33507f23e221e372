#include "app/wndclass.h"

#include <commctrl.h>

#include <cstring>

#include "app/frame.h"
#include "app/globals.h"
#include "app/colourpanel.h"
#include "app/ctrlpanel.h"
#include "app/framedlg.h"
#include "app/statusbar.h"
#include "app/toolbar.h"
#include "adjust/mix_dialog.h"
#include "adjust/trim_dialog.h"
#include "canvas/canv_ruler.h"
#include "canvas/canv_window.h"
#include "fileio/exif_dialog.h"
#include "fileio/parts_box.h"
#include "fileio/print.h"
#include "fileio/plugin_registry.h"
#include "adjust/brcont_dialog.h"
#include "adjust/curve_dialog.h"
#include "adjust/effect_dialog.h"
#include "adjust/level_dialog.h"
#include "adjust/rotate_dialog.h"
#include "paint/pen_panel.h"
#include "paint/stamp_pages.h"
#include "paint/stamp_resize.h"
#include "paint/text_tool.h"
#include "paint/tone_select.h"

SharedBackgrounds Backgrounds;

const char* const kWindowClassNames[kWindowClassCount] = {
    "dvw_",               "CanvClass",          "CanvWndClass",       "CanvWndDispClass",
    "StatusBarClass",     "ToolBarClass",       "ToolBarIconClass",   "ToolBarClass2",
    "ToolBarIconClass2",  "PenIconClass",       "ToolBarClass3",      "hGageClass",
    "vGageClass",         "SelPenBaseClass",    "SelPenPenClass",     "EffectViewClass",
    "ToneSelBaseClass",   "ToneSelClass",       "ToolTipClass",       "PalPokClass",
    "TexPalPokClass",     "TexSelBaseClass",    "KoroPalPokClass",    "KoroSelBaseClass",
    "PrtViewClass",       "MixViewClass",       "TrimViewClass",      "TexResizeViewClass",
    "KoroResizeViewClass", "TextViewClass",     "BrContViewClass",    "OndoViewClass",
    "RotateViewClass",    "CurveViewClass",     "PartsBoxBaseClass",  "PartsBoxThmlClass",
    "ExifDlgBaseClass",   "ExifGridClass",      "OoiViewClass",       "YakiViewClass",
    "CtrlPanelClass",     "IconSelIconClass",
};

namespace {

enum BackgroundKind { kWhite, kSolid, kPattern, kMenuColour };

struct ClassEntry {
    WNDPROC proc;
    BackgroundKind background;
    COLORREF colour;          // kSolid
    HBRUSH* pattern;          // kPattern
    int classSlots;           // pointer-sized slots of class extra bytes
    int windowSlots;          // pointer-sized slots of window extra bytes
    const char* icon;         // resource name, or null for the application icon
    const char* cursor;       // resource name, or null for the arrow
};

HBITMAP LoadNamedBitmap(const char* name) {
    return (HBITMAP)LoadImageA(AppInstance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
}

void LoadPattern(const char* name, HBITMAP* bitmap, HBRUSH* brush) {
    *bitmap = LoadNamedBitmap(name);
    *brush = *bitmap ? CreatePatternBrush(*bitmap) : nullptr;
}

template <typename T>
void DeleteGdi(T* object) {
    if (*object) DeleteObject(*object);
    *object = nullptr;
}

}  // namespace

int RegisterWindowClasses() {
    InitCommonControls();
    Backgrounds.dialogBg = LoadNamedBitmap("dlgbg");
    LoadPattern("tbb", &Backgrounds.tbb, &Backgrounds.tbbBrush);
    LoadPattern("tbb2", &Backgrounds.tbb2, &Backgrounds.tbb2Brush);
    LoadPattern("tbb3", &Backgrounds.tbb3, &Backgrounds.tbb3Brush);
    LoadPattern("stat_bar", &Backgrounds.statBar, &Backgrounds.statBarBrush);
    LoadPattern("pbase", &Backgrounds.pbase, &Backgrounds.pbaseBrush);

    const ClassEntry entries[kWindowClassCount] = {
        {FrameWndProc, kWhite, 0, nullptr, 1, 0, "adarico", nullptr},                 // dvw_
        {CanvDocWndProc, kSolid, RGB(180, 180, 192), nullptr, 0, 1, "canvasico", nullptr},  // CanvClass
        {CanvPaneWndProc, kSolid, RGB(200, 200, 200), nullptr, 0, 1, nullptr, nullptr},  // CanvWndClass
        {CanvDispWndProc, kSolid, RGB(230, 230, 230), nullptr, 0, 1, nullptr, "def"},  // CanvWndDispClass
        {StatusBarWndProc, kPattern, 0, &Backgrounds.statBarBrush, 0, 0, nullptr, nullptr},     // StatusBarClass
        {ToolBarWndProc, kPattern, 0, &Backgrounds.tbb2Brush, 0, 0, nullptr, nullptr},        // ToolBarClass
        {ToolBarIconWndProc, kSolid, RGB(196, 196, 196), nullptr, 0, 0, nullptr, nullptr},        // ToolBarIconClass
        {ToolBar2WndProc, kPattern, 0, &Backgrounds.tbbBrush, 0, 0, nullptr, nullptr},         // ToolBarClass2
        {ToolBar2IconWndProc, kSolid, RGB(196, 196, 196), nullptr, 0, 0, nullptr, nullptr},        // ToolBarIconClass2
        {PenIconWndProc, kSolid, RGB(196, 196, 196), nullptr, 0, 0, nullptr, nullptr},        // PenIconClass
        {PenOptionBarWndProc, kPattern, 0, &Backgrounds.tbb3Brush, 0, 0, nullptr, nullptr},        // ToolBarClass3
        {HGageWndProc, kSolid, RGB(180, 180, 180), nullptr, 0, 0, nullptr, nullptr},  // hGageClass
        {VGageWndProc, kSolid, RGB(180, 180, 180), nullptr, 0, 0, nullptr, nullptr},  // vGageClass
        {SelPenBaseWndProc, kPattern, 0, &Backgrounds.pbaseBrush, 0, 0, nullptr, nullptr},       // SelPenBaseClass
        {SelPenPenWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                         // SelPenPenClass
        {EffectViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // EffectViewClass
        {ToneSelBaseWndProc, kSolid, RGB(128, 128, 192), nullptr, 0, 0, nullptr, nullptr},  // ToneSelBaseClass
        {ToneSelWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                // ToneSelClass
        {ToolTipWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                         // ToolTipClass
        {PalPokWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                         // PalPokClass
        {TexPalPokWndProc, kSolid, RGB(164, 164, 164), nullptr, 0, 0, nullptr, nullptr},  // TexPalPokClass
        {TexSelBaseWndProc, kPattern, 0, &Backgrounds.pbaseBrush, 0, 0, nullptr, nullptr},  // TexSelBaseClass
        {KoroPalPokWndProc, kSolid, RGB(164, 164, 164), nullptr, 0, 0, nullptr, nullptr},  // KoroPalPokClass
        {KoroSelBaseWndProc, kPattern, 0, &Backgrounds.pbaseBrush, 0, 0, nullptr, nullptr},  // KoroSelBaseClass
        {PrtViewProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                   // PrtViewClass
        {MixViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                // MixViewClass
        {TrimViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},               // TrimViewClass
        {TexResizeViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},          // TexResizeViewClass
        {TexResizeViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},          // KoroResizeViewClass
        {TextViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},               // TextViewClass
        {BrContViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // BrContViewClass
        {LevelViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // OndoViewClass
        {RotateViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // RotateViewClass
        {CurveViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // CurveViewClass
        {PartsBoxBaseProc, kSolid, RGB(245, 248, 249), nullptr, 0, 0, nullptr, nullptr},  // PartsBoxBaseClass
        {PartsBoxThmlProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                // PartsBoxThmlClass
        {ExifDlgBaseProc, kSolid, RGB(128, 128, 192), nullptr, 0, 0, nullptr, nullptr},  // ExifDlgBaseClass
        {ExifGridProc, kWhite, 0, nullptr, 0, 0, nullptr, "paldrag2"},                // ExifGridClass
        {LevelViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // OoiViewClass
        {LevelViewWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},  // YakiViewClass
        {CtrlPanelWndProc, kWhite, 0, nullptr, 0, 0, nullptr, nullptr},                         // CtrlPanelClass
        {IconSelIconWndProc, kMenuColour, 0, nullptr, 0, 0, nullptr, nullptr},                    // IconSelIconClass
    };

    for (int i = 0; i < kWindowClassCount; ++i) {
        const ClassEntry& s = entries[i];
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof wc);
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = s.proc;
        wc.cbClsExtra = s.classSlots * (int)sizeof(LONG_PTR);
        wc.cbWndExtra = s.windowSlots * (int)sizeof(LONG_PTR);
        wc.hInstance = AppInstance;
        wc.hIcon = s.icon ? LoadIconA(AppInstance, s.icon) : LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
        wc.hCursor = s.cursor ? LoadCursorA(AppInstance, s.cursor) : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        switch (s.background) {
        case kWhite: wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH); break;
        case kSolid: wc.hbrBackground = CreateSolidBrush(s.colour); break;
        case kPattern: wc.hbrBackground = *s.pattern; break;
        case kMenuColour: wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_MENU)); break;
        }
        wc.lpszClassName = kWindowClassNames[i];
        if (!RegisterClassA(&wc)) return 0;
    }
    return 1;
}

int DeleteWorkFiles() {
    FreeFilePlugins();
    // Each round deletes the first "*.tmp" file the search finds; a file that
    // cannot be deleted is found again, so the rounds are limited to 100.
    for (int i = 0; WorkFolder[0] && i < 100; ++i) {
        char pattern[MAX_PATH + 8];
        wsprintfA(pattern, "%s*.tmp", WorkFolder);
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(pattern, &fd);
        if (h == INVALID_HANDLE_VALUE) break;
        bool found = true;
        while (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!FindNextFileA(h, &fd)) {
                found = false;
                break;
            }
        }
        FindClose(h);
        if (!found) break;
        char path[MAX_PATH * 2];
        wsprintfA(path, "%s%s", WorkFolder, fd.cFileName);
        DeleteFileA(path);
    }
    DeleteGdi(&Backgrounds.dialogBg);
    DeleteGdi(&Backgrounds.tbb);
    DeleteGdi(&Backgrounds.tbb2);
    DeleteGdi(&Backgrounds.tbb3);
    DeleteGdi(&Backgrounds.statBar);
    DeleteGdi(&Backgrounds.pbase);
    DeleteGdi(&Backgrounds.tbbBrush);
    DeleteGdi(&Backgrounds.tbb2Brush);
    DeleteGdi(&Backgrounds.tbb3Brush);
    DeleteGdi(&Backgrounds.statBarBrush);
    DeleteGdi(&Backgrounds.pbaseBrush);
    return 1;
}
