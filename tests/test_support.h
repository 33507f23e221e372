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
long long FileSize(const std::string& path);   // -1 when missing
bool RemoveTree(const std::string& path);

// Folder of the running test executable, with a trailing backslash.
std::string ExeFolder();

}  // namespace testsupport
