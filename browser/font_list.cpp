#include "browser/font_list.h"

#include <cstring>

const char kBrowserDefaultFace[] = "ＭＳ ゴシック";

namespace {

std::vector<BrowserFontEntry> g_fonts;
std::vector<BrowserFontName> g_names;

bool AcceptedCharset(BYTE charset) { return charset == SHIFTJIS_CHARSET || charset == ANSI_CHARSET; }

struct Pass {
    bool fill;
    int entries, names;
};

int CALLBACK OnFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM param) {
    if (!(type & TRUETYPE_FONTTYPE)) return 1;
    Pass* p = (Pass*)param;
    const bool entry = lf->lfFaceName[0] != '@' && AcceptedCharset(lf->lfCharSet);
    if (p->fill) {
        BrowserFontName n = {};
        std::strncpy(n.face, lf->lfFaceName, sizeof n.face - 1);
        if ((int)g_names.size() < p->names) g_names.push_back(n);
        if (entry && (int)g_fonts.size() < p->entries) {
            BrowserFontEntry e = {};
            std::strncpy(e.face, lf->lfFaceName, sizeof e.face - 1);
            e.pitchAndFamily = lf->lfPitchAndFamily;
            e.charset = lf->lfCharSet;
            g_fonts.push_back(e);
        }
    } else {
        ++p->names;
        if (entry) ++p->entries;
    }
    return 1;
}

}  // namespace

void BuildBrowserFontList(HDC dc) {
    FreeBrowserFontList();
    if (!dc) return;
    LOGFONTA lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    Pass count = {false, 0, 0};
    EnumFontFamiliesExA(dc, &lf, OnFace, (LPARAM)&count, 0);
    g_fonts.reserve((size_t)count.entries);
    g_names.reserve((size_t)count.names);
    Pass fill = {true, count.entries, count.names};
    EnumFontFamiliesExA(dc, &lf, OnFace, (LPARAM)&fill, 0);
}

void FreeBrowserFontList() {
    std::vector<BrowserFontEntry>().swap(g_fonts);
    std::vector<BrowserFontName>().swap(g_names);
}

const std::vector<BrowserFontEntry>& BrowserFonts() { return g_fonts; }
const std::vector<BrowserFontName>& BrowserFontNames() { return g_names; }

int FindBrowserFont(const char* face, uint8_t* pitchAndFamily, uint8_t* charset) {
    if (!face) return -1;
    if (*face == '@') ++face;
    for (size_t i = 0; i < g_fonts.size(); ++i) {
        if (std::strcmp(g_fonts[i].face, face) != 0) continue;
        if (pitchAndFamily) *pitchAndFamily = g_fonts[i].pitchAndFamily;
        if (charset) *charset = g_fonts[i].charset;
        return (int)i;
    }
    return -1;
}
