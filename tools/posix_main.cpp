// The tools' entry point on Linux: the arguments as the Windows build gets
// them, in UTF-16 there and whole code points here.
#include "tools/tool_text.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv);

int main(int argc, char** argv) {
    // For "%ls" in printf and for case mapping beyond ASCII.
    setlocale(LC_CTYPE, "C.UTF-8");
    std::vector<std::wstring> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(FromUtf8(argv[i]));
        if (args.back().empty() && argv[i][0]) {
            fprintf(stderr, "%s: argument %d is not UTF-8\n", argv[0], i);
            return 2;
        }
    }
    std::vector<wchar_t*> wide;
    for (std::wstring& a : args)
        wide.push_back(&a[0]);
    wide.push_back(nullptr);
    return wmain(argc, wide.data());
}
