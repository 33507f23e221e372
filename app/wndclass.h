// Registration of the editor's 42 window classes and the shared background
// bitmaps and pattern brushes; DeleteWorkFiles, the clean-up of the work folder
// at exit.
#pragma once
#include <windows.h>

constexpr int kWindowClassCount = 42;

// Class names in registration order.
extern const char* const kWindowClassNames[kWindowClassCount];

// Shared start-up resources: "dlgbg" and the pattern brushes of "tbb", "tbb2",
// "tbb3", "stat_bar" and "pbase" (with their bitmaps).
struct SharedBackgrounds {
    HBITMAP dialogBg;
    HBITMAP tbb, tbb2, tbb3, statBar, pbase;
    HBRUSH tbbBrush, tbb2Brush, tbb3Brush, statBarBrush, pbaseBrush;
};
extern SharedBackgrounds Backgrounds;

// 1 when all 42 classes are registered; 0 at the first failure (the classes after
// it are not registered).
int RegisterWindowClasses();

// Frees the plug-in tables and the shared bitmaps and brushes and deletes up to
// 100 "*.tmp" files of the work folder. Returns 1.
int DeleteWorkFiles();

