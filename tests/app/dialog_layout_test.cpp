// Every dialog template of the editor and of the browser, opened from the built
// programs on the display: a picture of each (build/tests/dialog_shots/), and a
// check that each control's text fits its control in the dialog's font: the
// accelerator underscore and the descenders below the baseline included.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"
#include "window_shot.h"

namespace {

// Wine's check and radio boxes are 12 px and a pixel at 96 dpi, followed by
// half the width of a "0" before the text.
constexpr int kCheckBox = 13;

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring WindowText(HWND w) {
    int n = GetWindowTextLengthW(w);
    std::wstring s(n + 1, L'\0');
    n = GetWindowTextW(w, s.data(), n + 1);
    s.resize(std::max(n, 0));
    return s;
}

std::wstring ClassOf(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

// Whether an "&" of the text underlines a letter ("&&" shows an ampersand).
bool HasUnderline(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return true;
        ++i;
    }
    return false;
}

// A device context with a control's font selected, released by the destructor.
class FontDc {
public:
    explicit FontDc(HWND control) : w_(control), dc_(GetDC(control)) {
        HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
        if (!font) font = (HFONT)SendMessageW(GetParent(control), WM_GETFONT, 0, 0);
        old_ = SelectObject(dc_, font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT));
        GetTextMetricsW(dc_, &tm_);
    }
    ~FontDc() {
        SelectObject(dc_, old_);
        ReleaseDC(w_, dc_);
    }
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;
    HDC dc() const { return dc_; }
    const TEXTMETRICW& tm() const { return tm_; }
    // Extent of the text laid out in the given width (0: on one line).
    SIZE Extent(const std::wstring& text, UINT flags, int width) const {
        RECT r = {0, 0, width > 0 ? width : 1, 0};
        if (width <= 0) flags |= DT_SINGLELINE;
        DrawTextW(dc_, text.c_str(), (int)text.size(), &r, flags | DT_CALCRECT | DT_NOCLIP);
        return {r.right - r.left, r.bottom - r.top};
    }

private:
    HWND w_;
    HDC dc_;
    HGDIOBJ old_;
    TEXTMETRICW tm_ = {};
};

std::string Describe(HWND control, const std::wstring& text) {
    char head[64];
    // Labels without an id have -1, kept as a 16-bit word.
    std::snprintf(head, sizeof head, "control %d", (int)(short)GetDlgCtrlID(control));
    std::string s = head;
    if (!text.empty()) s += " \"" + Narrow(text) + "\"";
    return s;
}

std::string Fault(HWND control, const std::wstring& text, const char* what, int need, int have) {
    char tail[96];
    std::snprintf(tail, sizeof tail, ": %s needs %d px, has %d", what, need, have);
    return Describe(control, text) + tail;
}

// Height a line of text takes from its top: the descent, and the accelerator's
// underline, drawn one pixel below the baseline.
int LineBottom(const TEXTMETRICW& tm, bool underline) {
    return std::max<int>(tm.tmHeight, underline ? tm.tmAscent + 2 : 0);
}

// A line centred in a box of the given height keeps its glyphs and underline.
bool CentredLineFits(const TEXTMETRICW& tm, bool underline, int height) {
    int top = (height - (int)tm.tmHeight) / 2;
    return top >= 0 && top + LineBottom(tm, underline) <= height;
}

void CheckStatic(HWND c, std::vector<std::string>* faults) {
    LONG style = GetWindowLongW(c, GWL_STYLE);
    LONG type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE &&
        type != SS_LEFTNOWORDWRAP)
        return;
    std::wstring text = WindowText(c);
    if (text.empty()) return;
    RECT rc;
    GetClientRect(c, &rc);
    FontDc fd(c);
    bool underline = !(style & SS_NOPREFIX) && HasUnderline(text);
    UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    bool oneLine = type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
    if (oneLine) {
        SIZE one = fd.Extent(text, flags, 0);
        if (one.cx > rc.right) faults->push_back(Fault(c, text, "text width", one.cx, rc.right));
        int h = LineBottom(fd.tm(), underline);
        if (h > rc.bottom) faults->push_back(Fault(c, text, "text height", h, rc.bottom));
        return;
    }
    // A wrapping label: its lines must all fit, each glyph whole.
    SIZE wrapped = fd.Extent(text, flags | DT_WORDBREAK, rc.right);
    if (wrapped.cx > rc.right) faults->push_back(Fault(c, text, "text width", wrapped.cx, rc.right));
    int h = wrapped.cy - fd.tm().tmHeight + LineBottom(fd.tm(), underline);
    if (h > rc.bottom) {
        SIZE one = fd.Extent(text, flags, 0);
        if (one.cx > rc.right)
            faults->push_back(Fault(c, text, "text width", one.cx, rc.right));
        else
            faults->push_back(Fault(c, text, "text height", h, rc.bottom));
    }
}

void CheckButton(HWND c, std::vector<std::string>* faults) {
    LONG style = GetWindowLongW(c, GWL_STYLE);
    LONG type = style & BS_TYPEMASK;
    std::wstring text = WindowText(c);
    if (text.empty() || type == BS_OWNERDRAW || (style & (BS_BITMAP | BS_ICON))) return;
    RECT rc;
    GetClientRect(c, &rc);
    FontDc fd(c);
    bool underline = HasUnderline(text);
    UINT flags = DT_EXPANDTABS;
    const TEXTMETRICW& tm = fd.tm();
    if (type == BS_GROUPBOX) {
        // The caption sits in the frame's top line, a few pixels in from each corner.
        SIZE one = fd.Extent(text, flags, 0);
        int need = one.cx + 2 * (tm.tmAveCharWidth + 2);
        if (need > rc.right) faults->push_back(Fault(c, text, "caption width", need, rc.right));
        return;
    }
    int width = rc.right, height = rc.bottom;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        // Inside the raised edge and the focus rectangle.
        width -= 6;
        height -= 4;
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
               type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
        INT zero = 0;
        GetCharWidthW(fd.dc(), L'0', L'0', &zero);
        // The box, the gap and the focus rectangle around the text.
        width -= kCheckBox + zero / 2 + 2;
    } else {
        return;
    }
    if (style & BS_MULTILINE) {
        SIZE wrapped = fd.Extent(text, flags | DT_WORDBREAK, width);
        int h = wrapped.cy - tm.tmHeight + LineBottom(tm, underline);
        if (wrapped.cx > width) faults->push_back(Fault(c, text, "text width", wrapped.cx, width));
        if (h > height) faults->push_back(Fault(c, text, "text height", h, height));
        return;
    }
    SIZE one = fd.Extent(text, flags, 0);
    if (one.cx > width) faults->push_back(Fault(c, text, "text width", one.cx, width));
    // The line is centred: what it needs below the baseline shows at the bottom.
    if (!CentredLineFits(tm, underline, height)) {
        int need = tm.tmHeight;
        while (!CentredLineFits(tm, underline, need)) ++need;
        faults->push_back(Fault(c, text, "text height", need, height));
    }
}

void CheckEdit(HWND c, std::vector<std::string>* faults) {
    LONG style = GetWindowLongW(c, GWL_STYLE);
    if (style & ES_MULTILINE) return;
    RECT rc;
    GetClientRect(c, &rc);
    FontDc fd(c);
    // A pixel of margin above and below the line.
    int need = fd.tm().tmHeight + 2;
    if (need > rc.bottom) faults->push_back(Fault(c, WindowText(c), "line height", need, rc.bottom));
}

struct ChildList {
    std::vector<HWND> list;
    static BOOL CALLBACK Add(HWND w, LPARAM self) {
        ((ChildList*)self)->list.push_back(w);
        return TRUE;
    }
};

// Texts that do not fit their controls in the dialog, one line each.
std::vector<std::string> LayoutFaults(HWND dlg) {
    ChildList children;
    EnumChildWindows(dlg, ChildList::Add, (LPARAM)&children);
    std::vector<std::string> faults;
    for (HWND c : children.list) {
        if (GetParent(c) != dlg) continue;
        // Placeholders of a pixel or none are placed and sized by their dialog's code.
        RECT wr;
        GetWindowRect(c, &wr);
        if (wr.right - wr.left <= 2 || wr.bottom - wr.top <= 2) continue;
        std::wstring cls = ClassOf(c);
        if (!_wcsicmp(cls.c_str(), L"Static"))
            CheckStatic(c, &faults);
        else if (!_wcsicmp(cls.c_str(), L"Button"))
            CheckButton(c, &faults);
        else if (!_wcsicmp(cls.c_str(), L"Edit"))
            CheckEdit(c, &faults);
    }
    return faults;
}

INT_PTR CALLBACK QuietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// A window destroyed with its owner scope.
struct Window {
    HWND h = nullptr;
    Window() = default;
    explicit Window(HWND w) : h(w) {}
    ~Window() {
        if (h) DestroyWindow(h);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
};

void RunMessages() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// The window as it shows on the display, into a PNG file.
bool ShootWindow(HWND w, const std::string& path) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RunMessages();
    return apptest::ShootWindowPng(w, path);
}

std::string ShotFolder() {
    std::string folder = testsupport::ExeFolder() + "dialog_shots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

struct Template {
    std::string name;   // lower case, for the pictures' file names
    LPCWSTR id;         // what FindResource takes
    std::wstring stringId;
};

BOOL CALLBACK AddTemplate(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    Template t;
    if (IS_INTRESOURCE(name)) {
        t.name = std::to_string((unsigned)(UINT_PTR)name);
        t.id = name;
    } else {
        t.stringId = name;
        t.name = Narrow(name);
        for (char& ch : t.name) ch = (char)std::tolower((unsigned char)ch);
    }
    ((std::vector<Template>*)list)->push_back(std::move(t));
    return TRUE;
}

// A module's dialog templates, opened one after another from its resources, with a
// host window for the templates of child dialogs. Each is shown at the top left
// of the display, photographed and checked.
struct Program {
    const char* label;
    const char* path;   // relative to the test executable
};

class DialogLayout : public testing::TestWithParam<Program> {};

TEST_P(DialogLayout, EveryTextFitsItsControl) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    std::string path = testsupport::ExeFolder() + GetParam().path;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << path;
    std::vector<Template> templates;
    EnumResourceNamesW(module, (LPCWSTR)RT_DIALOG, AddTemplate, (LONG_PTR)&templates);
    ASSERT_FALSE(templates.empty()) << path;

    Window host(CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(host.h, nullptr);
    std::string folder = ShotFolder();
    for (Template& t : templates) {
        LPCWSTR id = t.stringId.empty() ? t.id : t.stringId.c_str();
        HRSRC res = FindResourceW(module, id, (LPCWSTR)RT_DIALOG);
        HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
        auto* tmpl = mem ? (const DLGTEMPLATE*)LockResource(mem) : nullptr;
        ASSERT_NE(tmpl, nullptr) << t.name;
        // DIALOGEX templates start with a version word and a signature.
        DWORD style = ((const WORD*)tmpl)[1] == 0xFFFF ? ((const DWORD*)tmpl)[3] : tmpl->style;
        bool child = (style & WS_CHILD) != 0;
        ShowWindow(host.h, child ? SW_SHOWNA : SW_HIDE);
        Window dlg(CreateDialogIndirectParamA(module, tmpl, child ? host.h : nullptr, QuietProc, 0));
        EXPECT_NE(dlg.h, nullptr) << GetParam().label << " " << t.name << " does not open";
        if (!dlg.h) continue;
        SetWindowPos(dlg.h, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        RunMessages();
        EXPECT_TRUE(ShootWindow(dlg.h, folder + GetParam().label + "_" + t.name + ".png"))
            << t.name;
        for (const std::string& f : LayoutFaults(dlg.h)) ADD_FAILURE() << GetParam().label << " " << t.name << ": " << f;
    }
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(Programs, DialogLayout,
                         testing::Values(Program{"darnaedit", "..\\dist\\darnaedit.exe"},
                                         Program{"darnaview", "..\\dist\\exp\\darnaview.exe"}),
                         [](const testing::TestParamInfo<Program>& info) { return std::string(info.param.label); });

}  // namespace

// The check itself on a template of ours: ids 2xx cut their texts (too narrow,
// too low for the underline or the descent, wrapped past the bottom), ids 1xx
// have room to spare.
TEST(DialogLayoutCheck, NamesExactlyTheControlsThatCutTheirTexts) {
    Window dlg(CreateDialogParamA(GetModuleHandleW(nullptr), "layout_fixture", nullptr, QuietProc, 0));
    ASSERT_NE(dlg.h, nullptr);
    std::vector<std::string> faults = LayoutFaults(dlg.h);
    std::vector<int> named;
    for (const std::string& f : faults) {
        int id = 0;
        ASSERT_EQ(1, std::sscanf(f.c_str(), "control %d", &id)) << f;
        named.push_back(id);
    }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::string all;
    for (const std::string& f : faults) all += f + "\n";
    EXPECT_EQ(named, (std::vector<int>{201, 202, 203, 204, 205, 206, 207})) << all;
}
