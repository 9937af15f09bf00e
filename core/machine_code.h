// The machine code: a disk serial number reported by WMI.
#pragma once

#include <cstddef>

// Picks the machine code from serial numbers in the order WMI delivers them:
// the first whose text, after its leading blanks, begins with A-Z or 0-9;
// otherwise the last one read. A null entry (a medium without a readable
// serial) ends the walk. Serials longer than cap - 1 characters are cut.
void ChooseMachineCode(const wchar_t* const* serials, size_t count, wchar_t* out, size_t cap);

// Asks WMI once per run; later calls return the first answer. Null when the
// service cannot be queried.
const wchar_t* GetMachineCode();
