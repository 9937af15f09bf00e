// The checks behind lumora_check: reads a "static.json" text with the
// launcher's own rules and lists every value the launcher would ignore, refuse
// or fail on, each with the key path it was found at.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Problem {
    std::string key;     // e.g. "windows.game.buttons[2].func"; empty for the whole file
    std::string message; // UTF-8
};
using ProblemList = std::vector<Problem>;

// Checks the text of a "static.json" that lies in the launcher directory dir
// (image and cursor names are looked up relative to it). Appends one problem
// per fault found, in document order.
void CheckStaticConfig(const char* text, size_t length, const wchar_t* dir, ProblemList* out);
