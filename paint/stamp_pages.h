// The fancy-pen and roller pages of the pen option panel: the lists of the
// stamp folder's PNG files and of the roller folders (koro\_*), their cells
// with cached thumbnails (.chc files written and read through the bitmap
// plug-ins), and the clicks that make a stamp or a roller the brush after the
// resize dialog.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct VmsImage;

constexpr int kStampListLimit = 512;
constexpr int kStampCellHeight = 80;

// The sorted (case ignored) full paths of "<folder>stamp\*.png" and of
// "<folder>koro\_*", at most 512, stopping when a name repeats.
std::vector<std::string> ListStampFiles(const char* folder);
std::vector<std::string> ListKoroFolders(const char* folder);
// Frames 001.png upward until one is missing (at most 100).
int CountKoroFrames(const std::string& koroFolder);
// The cache beside a stamp: the file name's extension replaced by .chc.
std::string MakeChcPath(const std::string& stampPath);
std::string MakeKoroFramePath(const std::string& koroFolder, int frame);
std::string MakeKoroChcPath(const std::string& koroFolder, int frame);

// A thumbnail fitted into w x h over grey 164: from its cache when that reads
// as a w x h picture, else made from the image and written as the cache. Null
// when neither serves. The caller frees it.
VmsImage* LoadStampThumbnail(const char* folder, const std::string& image, const std::string& cache, int w, int h);

// The clicks: entry of the page's list. The panels are off while the resize
// dialog runs and on again whatever happens; an opaque stamp becomes the brush
// as it is, without the dialog. 1 when the brush changed.
int SelectStamp(HWND owner, int entry);
int SelectKoroStamp(HWND owner, int entry);

// The lists behind the pages (built when the pages are made).
struct StampPageState {
    std::vector<std::string> paths;
    std::vector<int> scale, spacing;   // remembered per entry
    int scroll = 0;
};
StampPageState& StampPage(int roller);
// Fills the page's list from the program folder.
void RefreshStampPage(int roller, const char* folder);

LRESULT CALLBACK TexSelBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK KoroSelBaseWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK TexPalPokWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK KoroPalPokWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
void RegisterStampPageClasses(HINSTANCE instance);
