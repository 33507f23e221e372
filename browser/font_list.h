// The browser's list of TrueType faces of the screen: 37-byte entries (face,
// pitch and family, character set) of the horizontal faces in the character
// sets the text tool takes, and the 35-byte names of every TrueType face.
// Built with the frame, freed at exit.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

struct BrowserFontEntry {
    char face[35];
    uint8_t pitchAndFamily;
    uint8_t charset;
};
static_assert(sizeof(BrowserFontEntry) == 37, "BrowserFontEntry");

struct BrowserFontName {
    char face[35];
};
static_assert(sizeof(BrowserFontName) == 35, "BrowserFontName");

extern const char kBrowserDefaultFace[];   // "ＭＳ ゴシック"

// Enumerates the faces of the DC (twice: once to count, once to fill).
void BuildBrowserFontList(HDC dc);
void FreeBrowserFontList();
const std::vector<BrowserFontEntry>& BrowserFonts();
const std::vector<BrowserFontName>& BrowserFontNames();
// The entry of a face (a leading '@' is skipped) and its bytes; -1 when the
// face is not listed (the bytes are then untouched).
int FindBrowserFont(const char* face, uint8_t* pitchAndFamily, uint8_t* charset);
