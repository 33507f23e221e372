// The EXIF information dialog ivm_exifinfo: a document's EXIF data as a
// two-column list of Japanese labels and values (at most 100 rows), with a
// draggable divider between the columns. It only reads the document's blob.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : int { ExifDialogMaxRows = 100 };

struct ExifRow {
    std::string label;
    std::string value;
};

// The rows of an ExifBlob: IFD0, Exif, Interoperability and GPS entries in
// tag order, relabelled and converted (APEX apertures as F-numbers, exposure
// times as fractions or seconds, the bias in EV); bookkeeping tags and
// duplicates give no row. Empty for a null or malformed blob; at most 100.
std::vector<ExifRow> BuildExifRows(const uint8_t* blob, size_t size);

// 2^(x / 2): the F-number of an APEX aperture value.
double ApexToFNumber(double x);
// a / b of a text "a/b" (split at the last "/"); 0 without "/" or when b is 0.
double ParseRational(const char* text);

// Window procedures of the dialog's list (ExifDlgBaseClass) and its column
// divider (ExifGridClass). The dialog registers both classes itself when the
// program has not.
LRESULT CALLBACK ExifDlgBaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ExifGridProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Runs the dialog over `owner` for the document's blob (a movable global
// block, may be null). Returns 1 for OK, 0 otherwise.
int OpenExifInfoDialog(HWND owner, HGLOBAL blob, int32_t size);
