// Printing from the browser: one picture at a chosen size, resolution, place
// and number of copies (dialog dra_print); several selected pictures, each
// stretched over a page; and index sheets, a grid of the selected pictures
// with their file names and EXIF values (dialog dra_indexprint). Everything
// is drawn into the printer's device context with GDI, in bands of rows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct MapImage;

// The printer: its DC (from the default printer, or the one chosen in the
// print setup) and its page in device pixels and dots per inch.
struct PrinterState {
    HDC dc;
    int pageWidth, pageHeight;   // HORZRES, VERTRES
    int dpiX, dpiY;              // LOGPIXELSX, LOGPIXELSY
};
const PrinterState& GetPrinterState();
// (Re)opens the default printer named by the "device" entry of WIN.INI's
// "windows" section; 1 when a DC was made.
int OpenDefaultPrinter();
// Takes a DC the caller made (tests, the print setup); the old one is deleted.
void SetPrinterDC(HDC dc);
void ClosePrinter();

constexpr double kInchPerMm = 0.03937008;

enum PrintUnit : int { kUnitMm = 0, kUnitInch = 1 };

// The single print's settings, in the unit.
struct PrintSettings {
    int unit = kUnitMm;
    double width = 100, height = 100;
    double left = 0, top = 0;
    int dpi = 72;
    int copies = 1;
};
// Width 100 mm, the height by the aspect ratio, no margins, the resolution
// the width gives.
PrintSettings DefaultPrintSettings(int imageWidth, int imageHeight);
// A new width: the height by the aspect ratio and the resolution from it (a
// width below one inch counts as one inch).
void SetPrintWidth(PrintSettings* s, double width, int imageWidth, int imageHeight);
// A new resolution (1..1000): the width and height it gives.
void SetPrintDpi(PrintSettings* s, int dpi, int imageWidth, int imageHeight);
// Converts sizes and margins to the other unit.
void SetPrintUnit(PrintSettings* s, int unit);
// The largest size on the page keeping the aspect ratio, margins 0.
void FitPrintToPage(PrintSettings* s, int imageWidth, int imageHeight, const PrinterState& p);
// Margins that centre the picture on the page.
void CentrePrintOnPage(PrintSettings* s, const PrinterState& p);
// Where the picture goes on the page, in device pixels.
RECT PrintPlacement(const PrintSettings& s, int dpiX, int dpiY);

// Draws the picture scaled to width x height device pixels at (x, y) in bands
// of 32 rows, interpolating between neighbouring pixels; reductions sample
// the same way. Progress goes to the status bar. 0 when nothing was drawn.
int PrintBanded(HDC dc, int x, int y, int width, int height, MapImage* image);

// The index sheet's layout.
struct IndexLayout {
    int columns = 4, rows = 6;   // 1..50 each
    int captions[6] = {1, 0, 0, 0, 0, 0};   // file name, date, F number, exposure, compensation, ISO
    int fast = 0;
};
int IndexPageCount(int files, int columns, int rows);
// A cell's rectangle (device pixels) for the i-th file on its page.
RECT IndexCellRect(const PrinterState& p, int columns, int rows, int i);
// The caption lines of a file for the switches 1..5 (date, F number,
// exposure time, compensation, ISO), each "label:  value", or "" where the
// file has no such value; for files other than JPEG, TIFF and ORF all "".
std::vector<std::string> ReadExifCaptions(const char* path);

// Command 103 with one file selected: the dialog and the copies. 0 when the
// file cannot be read or the dialog was cancelled.
int PrintOneImage(HWND owner, const char* path);
// Command 103 with several: one document, a page per readable file.
int PrintSelectedPages(HWND owner);
// Command 104: the dialog and the pages. 0 without a printer or on Cancel.
int IndexPrint(HWND owner);
// The index pages of the list's selection (what the dialog's OK runs).
int PrintIndexPages(HWND owner, const IndexLayout& layout);
// The index layout kept for the run (the dialog edits it).
IndexLayout& CurrentIndexLayout();
