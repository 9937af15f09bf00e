// In-process fuzzing of the launcher's outside inputs: one seeded mutator, a
// sandbox checked after every case, and a thin driver per input.
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
    std::vector<std::string> dictionary; // tokens the mutator inserts or writes over
    bool (*run)(const std::string& input, std::string& why); // false with a reason
    // Puts checksums back after mutating, so that mutants pass the first check.
    void (*repair)(std::string& bytes, uint64_t coin) = nullptr;
};
extern const Driver kPackage, kStaticConfig, kStartGame;

using Files = std::map<std::wstring, std::string>;
uint64_t Hash(const std::string& bytes);
// Every file and folder below dir by full path (a folder's ends with "\").
Files Tree(const std::wstring& dir);
// The bytes of every whole file entry of a 7z archive; files receives their count.
std::set<std::string> EntryContents(const std::string& archive, size_t* files = nullptr);

// The launcher directory of the cases, inside a sentinel tree (a sibling that
// shares its prefix, a file beside it, the current directory), so that a
// write through "..", a drive-relative or an absolute name shows up.
extern std::wstring g_root;
// Empties the root and lays down the good files (relative name, bytes).
void ResetRoot(const Files& goodFiles);
// Nothing outside the root changed; every good file is untouched or holds
// one of the allowed contents.
bool CheckRoot(const std::set<std::string>& allowed, std::string& why);

template <class C, size_t N> bool Terminated(const C (&field)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (field[i] == 0) return true;
    return false;
}

} // namespace fuzz
