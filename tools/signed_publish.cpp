#include "tools/signed_publish.h"

#include "core/json_util.h"
#include "tools/package_check.h"
#include "tools/sign.h"
#include "tools/tool_files.h"
#include "tools/tool_text.h"
#include "update/package_name.h"

#include <cstdio>

namespace {

// The launcher fetches no larger manifest, and a signature is 64 bytes: files
// of a key or a signature are small.
const size_t kManifestBytes = 4u << 20;
const size_t kSignatureFileBytes = 4096;
const size_t kKeyFileBytes = 64u << 10;
const size_t kPathChars = 260; // the launcher's path buffers

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // the tools' messages are ASCII
}

// The key as hex: the argument itself, or the first word of the file it names.
bool PublicKeyText(const std::wstring& arg, std::string& hex) {
    hex = ToUtf8(arg);
    if (IsPublicKeyHex(hex)) return true;
    if (!ReadWhole(arg, hex, kSignatureFileBytes)) return false;
    const size_t start = hex.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return false;
    hex = hex.substr(start, hex.find_first_of(" \t\r\n", start) - start);
    return IsPublicKeyHex(hex);
}

void Problem(const std::string& where, const std::string& what) {
    printf("%s: %s\n", where.c_str(), what.c_str());
}

} // namespace

bool LoadSigningKey(const std::wstring& keyFile, std::string& pem, std::wstring& error) {
    if (!ReadWhole(keyFile, pem, kKeyFileBytes)) {
        error = L"cannot read key file \"" + keyFile + L"\"";
        return false;
    }
    std::string hex, why;
    if (!PublicKeyHexOfKeyFile(pem, hex, why)) {
        error = L"key file \"" + keyFile + L"\": " + Widen(why);
        return false;
    }
    return true;
}

bool SignPublishedManifest(const std::string& pem, const std::wstring& dir, std::wstring& error) {
    std::string manifest, signature, why;
    if (!ReadWhole(dir + L"\\update.json", manifest)) {
        error = L"cannot read \"" + dir + L"\\update.json\"";
        return false;
    }
    if (!SignWithKeyFile(pem, manifest, signature, why)) {
        error = L"cannot sign the manifest: " + Widen(why);
        return false;
    }
    const std::wstring path = dir + L"\\update.json.sig";
    if (!WriteWhole(path, signature)) {
        error = L"cannot write \"" + path + L"\"";
        return false;
    }
    return true;
}

int VerifyPublishedFolder(const std::wstring& publicKey, const std::wstring& dir) {
    std::string key, manifest, signature;
    if (!PublicKeyText(publicKey, key)) {
        PrintError("lumora_publish", L"\"" + publicKey +
                                         L"\" is neither a public key (130 hex characters) nor "
                                         L"a file that holds one");
        return 2;
    }
    if (!ReadWhole(dir + L"\\update.json", manifest, kManifestBytes)) {
        Problem("update.json", "missing or unreadable");
        return 1;
    }
    if (!ReadWhole(dir + L"\\update.json.sig", signature, kSignatureFileBytes)) {
        Problem("update.json.sig", "missing or unreadable: the launcher would update nothing");
        return 1;
    }
    if (!VerifyWithPublicKey(key, manifest, signature)) {
        Problem("update.json.sig", "does not verify over update.json with this key: the "
                                   "launcher would update nothing");
        return 1;
    }
    JsonTree root = ParseJson(manifest.c_str(), manifest.size());
    const json_value* version = JsonMemberOfType(root.get(), "version", json_integer);
    const json_value* files = JsonMemberOfType(root.get(), "files", json_object);
    if (!version || !files) {
        Problem("update.json", "no integer \"version\" or no \"files\" object");
        return 1;
    }
    int problems = 0;
    for (unsigned i = 0; i < files->u.object.length; ++i) {
        const json_object_entry& m = files->u.object.values[i];
        const std::string where = std::string("update.json: files.") + m.name;
        const std::wstring member = FromUtf8(m.name);
        wchar_t package[kPathChars] = {};
        std::string why = "not a file name with an MD5 digest";
        const bool usable = m.value->type == json_string && !member.empty() &&
                            PackageNameForMember(member.c_str(), package, kPathChars);
        // The member's file must come out of its package with its listed digest.
        if (!usable || !PackageGivesMember(
                           dir + L"\\" + std::to_wstring(static_cast<long>(version->u.integer)) +
                               L"\\" + package,
                           member, usable ? m.value->u.string.ptr : "", why)) {
            Problem(where, why);
            ++problems;
        }
    }
    if (problems) {
        printf("%d %s\n", problems, problems == 1 ? "problem" : "problems");
        return 1;
    }
    printf("%s: signature and %u packages verified\n", ToUtf8(dir).c_str(), files->u.object.length);
    return 0;
}

int PrintPublicKey(const std::wstring& keyFile) {
    std::string pem, hex, why;
    std::wstring error;
    if (!LoadSigningKey(keyFile, pem, error) || !PublicKeyHexOfKeyFile(pem, hex, why)) {
        PrintError("lumora_publish", error);
        return 2;
    }
    printf("%s\n", hex.c_str());
    return 0;
}
