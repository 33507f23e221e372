// Printing the active canvas: a normal print (one picture of a chosen size and
// place on the page) or a sticker print (the picture in every cell of a
// sticker card whose layout comes from the paper list "%ssprint.par" in the
// program folder). The print dialog psv_prt shows a live page preview and the
// settings panel of the current mode; the job goes to the printer chosen (the
// system's default printer at first) in bands of rows, so canvases larger than
// memory print too. The picture is handed in as rows, as the document window
// shows it.
#pragma once
#include <windows.h>

#include <cstdint>

// The picture to print, from the layer above (the canvas).
struct PrintSource {
    int width;
    int height;
    const char* documentPath;   // for the job's name ("" when unsaved)
    void* context;
    // Rows y0..y1 as 0x00RRGGBB pixels, width a row, top-down; 1 on success.
    int (*rows)(void* context, int y0, int y1, uint32_t* out);
};

// One sticker paper of "sprint.par" (all lengths in millimetres from the
// paper's top left corner).
struct PaperEntry {
    char name[100];
    int32_t columns, rows;
    float left, top;
    float cellWidth, cellHeight;
    float pitchX, pitchY;
    uint8_t reserved[12];
};
static_assert(sizeof(PaperEntry) == 144, "paper entry");
constexpr int kMaxPapers = 100;

// Reads "%ssprint.par" of the program folder: 1 when the file was read (the
// table may be empty), 0 when it cannot be opened. Bad entries are skipped.
int ReadStickerPapers(const char* programFolder);
// The entries read (count, then each by index; null outside).
int StickerPaperCount();
const PaperEntry* StickerPaper(int index);

// The print command: reads the paper list, runs the print dialog and the job
// of the chosen mode. 1 when a job was printed to the end, 0 otherwise (each
// failure says so in a message box).
int PrintCanvas(HWND owner, const char* programFolder, const PrintSource& source);

// The settings kept from one print command to the next.
struct PrintSettings {
    int mode;        // 0 normal print, 1 sticker print
    int unit;        // 0 millimetres, 1 inches
    float width, height, left, top;   // picture size and margins in the unit
    int copies;
    int paper;       // chosen sticker paper
    int rememberedUnit;
    int firstOpening;
    int changing;
};
PrintSettings& CurrentPrintSettings();

// The printable area of the current printer, in device pixels and dots per inch
// (zeros without a printer).
struct PrintPage {
    int width, height, dpiX, dpiY, offsetX, offsetY;
};
PrintPage CurrentPrintPage();

// Window procedure of the print dialog's page preview (class PrtViewClass,
// registered by the program).
LRESULT CALLBACK PrtViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
