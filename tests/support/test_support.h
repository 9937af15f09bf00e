// Shared helpers of the test programs: temporary launcher directories, file
// contents, paths of the source and build trees as Wine sees them, processes.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// A fresh directory under the temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& dir);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool FileExists(const std::wstring& path);
// Copies a directory with everything below it.
void CopyTree(const std::wstring& from, const std::wstring& to);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);

// A path of the source or build tree (given with "/"), as a Windows path.
std::wstring SourcePath(const std::string& relative);
std::wstring BinaryPath(const std::string& relative);

// Starts a program and waits for it; returns its exit code, or -1 when it
// could not be started or did not end within the time-out (it is then killed).
int RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
               DWORD timeoutMs, std::string* output = nullptr);

} // namespace testing_support
