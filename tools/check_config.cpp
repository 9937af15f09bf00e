// lumora_check: tells a studio, before it ships, everything in a launcher's
// "static.json" that the launcher would silently ignore or refuse.
//
// Usage: lumora_check [PATH]   (a launcher directory or its static.json;
//                               default: the current directory)
//        lumora_check --preview OUT_DIR [LAUNCHER_DIR]   (Windows build)
// Exit code: 0 clean, 1 problems found, 2 bad usage or unreadable file.
#ifdef _WIN32
#include "tools/skin_preview.h"
#endif
#include "tools/static_check.h"
#include "tools/tool_files.h"
#include "tools/tool_text.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Fail(const std::wstring& message) {
    PrintError("lumora_check", message);
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && argc <= 4 && !wcscmp(argv[1], L"--preview")) {
#ifdef _WIN32
        return WritePreview(FullPath(argv[2]), FullPath(argc == 4 ? argv[3] : L"."));
#else
        // It draws with the launcher's own skin code, which is Windows code.
        return Fail(L"--preview needs the Windows build of lumora_check (under Wine on Linux)");
#endif
    }
    if (argc > 2 || (argc == 2 && (argv[1][0] == L'-' || !wcscmp(argv[1], L"/?")))) {
        fputs("usage: lumora_check [LAUNCHER_DIR | PATH_TO_static.json]\n"
              "       lumora_check --preview OUT_DIR [LAUNCHER_DIR]\n",
              stderr);
        return 2;
    }
    const std::wstring target = FullPath(argc == 2 ? argv[1] : L".");
    if (!PathExists(target)) return Fail(L"\"" + target + L"\" not found");
    std::wstring dir = target;
    std::wstring file = target + L"\\static.json";
    if (!IsDirectory(target)) {
        file = target;
        dir = target.substr(0, target.find_last_of(L"\\/"));
    }
    std::string text;
    if (!ReadWhole(file, text)) return Fail(L"cannot read \"" + file + L"\"");

    ProblemList problems;
    CheckStaticConfig(text.c_str(), text.size(), dir.c_str(), &problems);
    const std::string shown = ToUtf8(file.substr(file.find_last_of(L"\\/") + 1));
    for (const Problem& p : problems) {
        std::string line = shown + ": " + (p.key.empty() ? "" : p.key + ": ") + p.message + "\n";
        fputs(line.c_str(), stdout);
    }
    if (problems.empty()) {
        printf("%s: clean, no problems found\n", shown.c_str());
        return 0;
    }
    std::string summary = shown + ": " + std::to_string(problems.size()) +
                          (problems.size() == 1 ? " problem" : " problems") + " found\n";
    fputs(summary.c_str(), stdout);
    return 1;
}
