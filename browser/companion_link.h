// How the companion program quillet.exe asks a running browser to show a
// file: WM_COPYDATA to the browser's frame (class darnaview_class_name) with
// dwData kShowFileCopyData and, as data, the file's full path in the ANSI code
// page, NUL-terminated (at most kShowFilePathBytes bytes with the NUL). The
// browser opens the file's folder, selects that file alone and scrolls it
// into view; it answers 1 when the file is in the list, else 0.
//
// Plain constants only: the companion program includes this header too.
#pragma once

constexpr unsigned long kShowFileCopyData = 0x4A4D5056;   // "VPMJ"
constexpr int kShowFilePathBytes = 256;
