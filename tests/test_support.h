// Small helpers shared by the test executables.
#pragma once
#include <string>

namespace testsupport {

// A fresh empty folder under the Windows temp folder, removed by the destructor.
// Path() ends with a backslash, as the program's folder does.
class TempDir {
public:
    explicit TempDir(const char* tag = "t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }
private:
    std::string path_;
};

bool WriteFileBytes(const std::string& path, const void* data, size_t size);
bool ReadFileBytes(const std::string& path, std::string* out);
// A 24-bit BMP file of w x h pixels from its rows as the file stores them
// (bottom row first, each padded to 4 bytes).
bool WriteBmp24(const std::string& path, int w, int h, const void* rows, size_t size);
long long FileSize(const std::string& path);   // -1 when missing
bool RemoveTree(const std::string& path);
// The print queue writes a PDF while the test watches its folder: the file
// is whole once its trailer's end mark is there.
bool IsFinishedPdf(const std::string& path);

// Folder of the running test executable, with a trailing backslash.
std::string ExeFolder();

// A limit on one step of a test: when the object still lives after ms
// milliseconds, the step is named on stderr and the process ends (a fault that
// loops for hours fails its test at once instead of holding the whole run).
class StepDeadline {
public:
    StepDeadline(const char* step, unsigned long ms);
    ~StepDeadline();
    StepDeadline(const StepDeadline&) = delete;
    StepDeadline& operator=(const StepDeadline&) = delete;
private:
    static unsigned long __stdcall Watch(void* param);
    char step_[200];
    unsigned long ms_;
    void* done_;
    void* thread_;
};

}  // namespace testsupport
