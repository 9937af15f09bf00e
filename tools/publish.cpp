// lumora_publish: turns a release folder into what the launcher's updater
// downloads: update.json with each file's digest, and one 7z package per file
// under a folder named after the version.
//
// Usage: lumora_publish [--sevenzip=PATH] [--dry-run] [--sign KEY_FILE] RELEASE_DIR VERSION
//                       OUT_DIR [PREVIOUS_OUT_DIR]
//        lumora_publish --verify PUBLIC_KEY OUT_DIR
//        lumora_publish --public-key KEY_FILE
// Builds on Windows and on Linux from this one source.
#include "core/json_util.h"
#include "tools/signed_publish.h"
#include "tools/tool_files.h"
#include "tools/tool_text.h"
#include "update/md5.h"
#include "update/package_name.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The launcher joins member names onto its folder in MAX_PATH buffers.
constexpr size_t kPathChars = 260;
constexpr size_t kMaxName = kPathChars - 1;

void Fail(const std::wstring& message) {
    PrintError("lumora_publish", message);
}

struct Member {
    std::wstring name;    // relative to the release root, "\" separated
    std::wstring package; // package name, "\" separated
    std::string digest;
};

// Lists every file below root. False, with a message, on a folder that cannot
// be listed or a name the launcher could not handle.
bool ListFiles(const std::wstring& root, const std::wstring& relative, std::vector<Member>& out) {
    std::wstring dir = relative.empty() ? root : root + L"\\" + relative;
    std::vector<FolderEntry> entries;
    std::wstring error;
    if (!ListFolder(dir, entries, error)) {
        Fail(L"cannot list folder \"" + dir + L"\" (" + error + L")");
        return false;
    }
    for (const FolderEntry& found : entries) {
        std::wstring name = relative.empty() ? found.name : relative + L"\\" + found.name;
        if (found.folder) {
            if (!ListFiles(root, name, out)) return false;
            continue;
        }
        Member m;
        m.name = name;
        out.push_back(m);
    }
    return true;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Digit-only, positive and within the launcher's 32-bit signed version.
bool ParseVersion(const wchar_t* text, long long* out) {
    if (!text[0] || wcslen(text) > 10) return false;
    long long v = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p < L'0' || *p > L'9') return false;
        v = v * 10 + (*p - L'0');
    }
    if (v < 1 || v > INT_MAX) return false;
    *out = v;
    return true;
}

// Digests as hexadecimal text, in either case.
bool SameDigest(const std::string& a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

struct Previous {
    long long version = 0;
    std::map<std::string, std::string> digests; // member (UTF-8) -> digest
};

bool ReadPrevious(const std::wstring& dir, Previous& prev) {
    std::wstring manifest = dir + L"\\update.json";
    std::string text;
    if (!ReadWhole(manifest, text)) {
        Fail(L"cannot read previous manifest \"" + manifest + L"\"");
        return false;
    }
    JsonTree root = ParseJson(text.c_str(), text.size());
    const json_value* version = JsonMemberOfType(root.get(), "version", json_integer);
    if (!root || !version) {
        Fail(L"previous manifest \"" + manifest + L"\" has no integer version");
        return false;
    }
    prev.version = version->u.integer;
    if (const json_value* files = JsonMemberOfType(root.get(), "files", json_object)) {
        for (unsigned i = 0; i < files->u.object.length; ++i) {
            const json_object_entry& m = files->u.object.values[i];
            if (m.value->type == json_string)
                prev.digests.emplace(std::string(m.name, m.name_length),
                                     std::string(m.value->u.string.ptr, m.value->u.string.length));
        }
    }
    return true;
}

// Runs the 7z program in the release root so that the entry name is the
// member's relative path. Returns its exit code, or -1 when it did not start.
int RunSevenZip(const std::wstring& program, const std::wstring& root, const std::wstring& archive,
                const std::wstring& member) {
    return RunAndWait(program, {L"a", L"-t7z", L"-y", L"-bso0", L"-bsp0", L"--", archive, member},
                      root);
}

struct Options {
    std::wstring sevenZip;
    bool dryRun = false;  // list what would be written, write nothing
    std::wstring signKey; // the key file, empty when not signing
    std::string signPem;
    std::vector<std::wstring> positional;
};

// Builds everything into stage; false, with a message, on the first problem.
bool Publish(const Options& opt, const std::wstring& stage) {
    const std::wstring root = FullPath(opt.positional[0]);
    long long version = 0;
    if (!ParseVersion(opt.positional[1].c_str(), &version)) {
        Fail(L"version \"" + opt.positional[1] + L"\" is not a whole number from 1 to " +
             std::to_wstring(INT_MAX));
        return false;
    }
    if (!IsDirectory(root)) {
        Fail(L"release folder \"" + root + L"\" is missing or not a folder");
        return false;
    }
    Previous prev;
    const bool hasPrev = opt.positional.size() > 3;
    const std::wstring prevDir = hasPrev ? FullPath(opt.positional[3]) : std::wstring();
    if (hasPrev) {
        if (!ReadPrevious(prevDir, prev)) return false;
        if (version <= prev.version) {
            Fail(L"version " + std::to_wstring(version) + L" is not above the previous version " +
                 std::to_wstring(prev.version) + L" in \"" + prevDir + L"\"");
            return false;
        }
    }

    std::vector<Member> members;
    if (!ListFiles(root, std::wstring(), members)) return false;
    std::map<std::wstring, const Member*> byPackage; // lower-case package -> owner
    for (Member& m : members) {
        wchar_t package[kPathChars] = {};
        if (Utf16Length(m.name) > kMaxName ||
            !PackageNameForMember(m.name.c_str(), package, kPathChars) ||
            Utf16Length(package) > kMaxName) {
            Fail(L"\"" + m.name + L"\": name longer than " + std::to_wstring(kMaxName) +
                 L" characters");
            return false;
        }
        m.package = package;
    }
    for (const Member& m : members) {
        auto placed = byPackage.emplace(LowerText(m.package), &m);
        if (!placed.second) {
            Fail(L"\"" + placed.first->second->name + L"\" and \"" + m.name +
                 L"\" would both be packaged as \"" + m.package + L"\"");
            return false;
        }
    }

    std::wstring program, error;
    if (!opt.dryRun && !FindSevenZip(opt.sevenZip, program, error)) {
        Fail(error);
        return false;
    }

    // Sorted by the manifest's own (UTF-8) member names for a stable file.
    std::map<std::string, Member*> sorted;
    for (Member& m : members)
        sorted.emplace(ToUtf8(m.name), &m);

    const std::wstring versionDir = stage + L"\\" + std::to_wstring(version);
    if (!opt.dryRun && !MakeFolders(versionDir)) {
        Fail(L"cannot create folder \"" + versionDir + L"\"");
        return false;
    }
    for (auto& entry : sorted) {
        Member& m = *entry.second;
        const std::wstring source = root + L"\\" + m.name;
        char digest[33] = {};
        if (!FileMd5Hex(source.c_str(), digest)) {
            Fail(L"\"" + source + L"\": cannot be read");
            return false;
        }
        m.digest = digest;
        const std::wstring archive = versionDir + L"\\" + m.package;
        std::string shown = ToUtf8(std::to_wstring(version) + L"/" + m.package);
        for (char& c : shown) // as the server names it
            if (c == '\\') c = '/';
        auto old = prev.digests.find(entry.first);
        const std::wstring reused =
            prevDir + L"\\" + std::to_wstring(prev.version) + L"\\" + m.package;
        const bool reuse = hasPrev && old != prev.digests.end() &&
                           SameDigest(old->second, digest) && IsFile(reused);
        if (opt.dryRun) {
            printf("%s %s\n", reuse ? "reused" : "new   ", shown.c_str());
            continue;
        }
        if (!MakeFolders(archive.substr(0, archive.find_last_of(L'\\')))) {
            Fail(L"\"" + archive + L"\": cannot create its folder");
            return false;
        }
        if (reuse && CopyWhole(reused, archive)) continue;
        int code = RunSevenZip(program, root, archive, m.name);
        if (code != 0) {
            Fail(L"\"" + m.name + L"\": 7z program \"" + program +
                 (code < 0 ? L"\" could not be started"
                           : L"\" failed with exit code " + std::to_wstring(code)));
            return false;
        }
        if (!IsFile(archive)) {
            Fail(L"\"" + m.name + L"\": 7z program \"" + program + L"\" wrote no package");
            return false;
        }
    }

    std::string json = "{\"version\": " + std::to_string(version) + ", \"files\": {";
    bool first = true;
    for (const auto& entry : sorted) {
        json += first ? "\n  " : ",\n  ";
        first = false;
        json += JsonString(entry.first) + ": " + JsonString(entry.second->digest);
    }
    json += first ? "}}\n" : "\n}}\n";
    if (opt.dryRun) {
        printf("manifest update.json: version %lld, %zu files%s\n", version, sorted.size(),
               opt.signKey.empty() ? "" : ", signed in update.json.sig");
        return true;
    }
    if (!WriteWhole(stage + L"\\update.json", json)) {
        Fail(L"cannot write \"" + stage + L"\\update.json\"");
        return false;
    }
    std::wstring signError;
    if (!opt.signKey.empty() && !SignPublishedManifest(opt.signPem, stage, signError)) {
        Fail(signError);
        return false;
    }
    return true;
}

// Puts the finished stage in place of out, replacing an older output whole.
bool Commit(const std::wstring& stage, const std::wstring& out) {
    const std::wstring aside = out + L".old-" + std::to_wstring(ProcessId());
    const bool existed = PathExists(out);
    std::wstring error;
    if (existed && !RenamePath(out, aside, error)) {
        Fail(L"cannot move the old \"" + out + L"\" aside (" + error + L")");
        return false;
    }
    if (!RenamePath(stage, out, error)) {
        Fail(L"cannot rename \"" + stage + L"\" to \"" + out + L"\" (" + error + L")");
        if (existed) RenamePath(aside, out, error);
        return false;
    }
    if (existed) RemoveTree(aside);
    return true;
}

void Usage() {
    fputs("usage: lumora_publish [--sevenzip=PATH] [--dry-run] [--sign KEY_FILE] RELEASE_DIR "
          "VERSION OUT_DIR [PREVIOUS_OUT_DIR]\n"
          "       lumora_publish --verify PUBLIC_KEY OUT_DIR\n"
          "       lumora_publish --public-key KEY_FILE\n",
          stderr);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && !wcscmp(argv[1], L"--verify"))
        return VerifyPublishedFolder(argv[2], FullPath(argv[3]));
    if (argc == 3 && !wcscmp(argv[1], L"--public-key")) return PrintPublicKey(argv[2]);
    Options opt;
    static const wchar_t kSevenZip[] = L"--sevenzip=";
    const size_t kSevenZipLen = wcslen(kSevenZip);
    for (int i = 1; i < argc; ++i) {
        if (!wcsncmp(argv[i], kSevenZip, kSevenZipLen))
            opt.sevenZip = argv[i] + kSevenZipLen;
        else if (!wcscmp(argv[i], L"--dry-run"))
            opt.dryRun = true;
        else if (!wcscmp(argv[i], L"--sign") && i + 1 < argc)
            opt.signKey = argv[++i];
        else
            opt.positional.push_back(argv[i]);
    }
    if (opt.positional.size() < 3 || opt.positional.size() > 4) {
        Usage();
        return 2;
    }
    // A key that cannot sign is refused before anything is packed.
    std::wstring keyError;
    if (!opt.signKey.empty() && !LoadSigningKey(opt.signKey, opt.signPem, keyError)) {
        Fail(keyError);
        return 1;
    }
    const std::wstring out = FullPath(opt.positional[2]);
    if (PathExists(out) && !IsDirectory(out)) {
        Fail(L"output \"" + out + L"\" exists and is not a folder");
        return 1;
    }
    if (opt.dryRun) return Publish(opt, out) ? 0 : 1;
    // Built beside the output so that the final rename stays on one volume.
    const std::wstring stage = out + L".publishing-" + std::to_wstring(ProcessId());
    RemoveTree(stage);
    if (!MakeFolders(stage)) {
        Fail(L"cannot create folder \"" + stage + L"\"");
        return 1;
    }
    if (!Publish(opt, stage) || !Commit(stage, out)) {
        RemoveTree(stage);
        return 1;
    }
    printf("published version %ls to %s\n", opt.positional[1].c_str(), ToUtf8(out).c_str());
    return 0;
}
