// A Windows stand-in for 7z.exe in the tests (Wine cannot wait for a Linux
// program, and there is no Windows 7-Zip here). The publisher's own command,
// "a -t7z -y -bso0 -bsp0 -- ARCHIVE MEMBER" run in the release folder, writes
// MEMBER stored under its name, with "/" as 7z keeps it; any other command
// fails as 7z would. The Linux build's tests run the real 7zz on it.
#include "support/test_support.h"
#include "support/update_server.h"

#include <cwchar>

using namespace testing_support;

int wmain(int argc, wchar_t** argv) {
    const wchar_t* const command[] = {L"a", L"-t7z", L"-y", L"-bso0", L"-bsp0", L"--"};
    for (int i = 0; i < 6; ++i)
        if (argc != 9 || wcscmp(argv[i + 1], command[i])) return 7; // 7z's command-line error
    std::wstring name = argv[8];
    std::string bytes;
    if (!ReadFileBytes(name, bytes)) return 2;
    for (wchar_t& c : name)
        if (c == L'\\') c = L'/';
    return WriteFileBytes(argv[7], StoredArchive(bytes, name.c_str())) ? 0 : 2;
}
