// In-process fuzzing of the launcher's outside inputs: one seeded mutator,
// one sandbox with the checks that hold after every case, and a thin driver
// per input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fuzz {

struct Driver {
    const char* name;
    // Tokens the mutator inserts or writes over (keys, odd numbers, names).
    std::vector<std::string> dictionary;
    // Once per process (may be null); false when the driver cannot run at all.
    bool (*setup)();
    // Runs one case; false with a reason when a check failed.
    bool (*run)(const std::string& input, std::string& why);
    // Optional repair after mutating (checksums), so that mutants get past
    // the first integrity check.
    void (*repair)(std::string& bytes, uint64_t coin) = nullptr;
};

extern const Driver kPackage, kStaticConfig, kSavedState, kManifest, kStartGame;

uint64_t Hash(const std::string& bytes);

// A launcher directory ("root") inside a sentinel tree: a sibling whose name
// shares the root's prefix, a file beside it, and the process's current
// directory, so that a write through "..", a drive-relative or an absolute
// name shows up as a change outside the root.
class Sandbox {
  public:
    bool Create();
    ~Sandbox() { Remove(); }
    void Remove();
    const std::wstring& Root() const { return root_; }
    // Empties the root and lays down the good files (relative name, bytes).
    void Reset(const std::map<std::wstring, std::string>& goodFiles);
    // Nothing outside the root changed; every good file is untouched or
    // holds exactly one of the allowed contents.
    bool Check(const std::set<std::string>& allowed, std::string& why);

  private:
    std::wstring top_, root_;
    std::map<std::wstring, std::string> outside_, good_;
};
extern Sandbox g_sandbox;

template <class C, size_t N> bool Terminated(const C (&field)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (field[i] == 0) return true;
    return false;
}

// Every file and folder below dir by full path (a folder's ends with "\"),
// files with their bytes.
std::map<std::wstring, std::string> Tree(const std::wstring& dir);

// Every whole file entry the decoder gives for a 7z archive; files receives
// their count.
std::set<std::string> EntryContents(const std::string& archive, size_t* files = nullptr);

// The content-delivery test server of the update tests: its port and the
// folder it serves, as this process sees them.
std::wstring ServerDir();

} // namespace fuzz
