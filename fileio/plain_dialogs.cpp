#include "fileio/plain_dialogs.h"

namespace {

const char kShapeFilter[] = "選択領域[*.DRS]/*.DRS/";
const char kCurveFilter[] = "色調補正[*.CRC]/*.CRC/";
const char kBitmapFilter[] = "Windows ﾋﾞｯﾄﾏｯﾌﾟ[*.BMP]/*.BMP/";

int PlainDialog(HWND owner, char* path, int size, const char* filterText, const char* extension, bool save) {
    if (!path || size <= 0) return 0;
    path[0] = 0;
    const std::string filter = PlainFilter(filterText);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path;
    ofn.nMaxFile = (DWORD)size;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : 0);
    return (save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) ? 1 : 0;
}

}  // namespace

std::string PlainFilter(const char* text) {
    std::string filter(text ? text : "");
    for (char& c : filter)
        if (c == '/') c = 0;
    filter.push_back(0);   // with the string's own NUL, the double NUL that ends the list
    return filter;
}

int OpenSelectionShapeDialog(HWND owner, char* path, int size) {
    return PlainDialog(owner, path, size, kShapeFilter, "drs", false);
}
int SaveSelectionShapeDialog(HWND owner, char* path, int size) {
    return PlainDialog(owner, path, size, kShapeFilter, "drs", true);
}
int OpenCurveFileDialog(HWND owner, char* path, int size) {
    return PlainDialog(owner, path, size, kCurveFilter, "crc", false);
}
int SaveCurveFileDialog(HWND owner, char* path, int size) {
    return PlainDialog(owner, path, size, kCurveFilter, "crc", true);
}
int OpenBitmapDialog(HWND owner, char* path, int size) {
    return PlainDialog(owner, path, size, kBitmapFilter, "bmp", false);
}
