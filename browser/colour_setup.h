// Setting up colour matching: the system's colour-management dialog over the
// browser's settings, the step that takes its choices back, the writer of
// colmatch.ini; translators of a DIB section or a list of colours from sRGB
// through profiles named at the call, which report each failure in a message
// box; the printer-side band translator, the colour-table translators and a
// listing of the display's profiles. No command of the browser offers them.
#pragma once
#include <windows.h>
#include <icm.h>

#include "browser/colour_match.h"

// Runs the system's set-up dialog (icmui's SetupColorMatchingA, bound when
// called) over g_ColourMatch; when it is confirmed, takes the choices back,
// loads them into g_ColourTransform and writes them to "%scolmatch.ini" of the
// editor's folder. 1 when written; 0 when cancelled, when the system has no
// such dialog, or when the file cannot be written (the settings are then kept
// in memory only).
int SetupColourMatching(HWND owner, const char* editorFolder);
// The dialog's apply step: the choices of `setup` into the ColourMatchSettings
// that `settings` points to (matching off when the dialog disabled ICM, the
// proofing bit, both intents, the three profile names; bit 3 set when an
// intent, the monitor or the target profile changed), then the window that
// SetupColourMatching was given repainted. TRUE.
BOOL WINAPI ColourSetupApplyProc(PCOLORMATCHSETUPA setup, LPARAM settings);
// Writes the 6,172 bytes of `settings` (window slot 0) to "%scolmatch.ini",
// replacing the old file only once the new one is whole. 1 or 0.
int SaveColourSettings(const char* editorFolder, const ColourMatchSettings& settings);

// Translates the pixels of a 24- or 32-bit DIB section from sRGB into the
// destination profile (proofed through the target profile when one is named).
// TRUE, or FALSE after a message box titled "TransformDIB エラー".
BOOL TransformDibSection(HWND owner, HBITMAP section, const char* destProfile, const char* targetProfile);
// The same for a list of colours (COLORREF, 8 bits a channel), in place.
BOOL TransformColourList(HWND owner, COLORREF* colours, int count, const char* destProfile, const char* targetProfile);

// One band (a 24-bit bitmap of at most 8 rows) through the printer transform of
// g_ColourTransform, in place; unchanged with matching off or no such transform.
void TransformPrinterBand(BITMAPINFOHEADER* band);
// A colour table (4-byte entries: blue, green, red, unused) translated in place
// through the display or the printer transform. 1, or 0 with the entries as
// they were (no transform, or the translation failed).
int TranslateDisplayColourTable(RGBQUAD* entries, int count);
int TranslatePrinterColourTable(RGBQUAD* entries, int count);
// Shows the colour directory in a message box, then enumerates the ICM
// profiles of the window's display context. EnumICMProfiles' answer (the
// callback's last answer, -1 when there is no profile), or 0 when the context
// cannot be had.
int ShowIcmProfiles(HWND window);
// The enumeration's callback: it goes on to the next profile.
int CALLBACK EnumIcmProfileProc(LPSTR name, LPARAM data);
