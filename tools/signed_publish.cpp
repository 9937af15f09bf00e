#include "tools/signed_publish.h"

#include "core/file_util.h"
#include "core/json_util.h"
#include "tools/sign.h"
#include "tools/tool_text.h"
#include "update/file_ops.h"
#include "update/http_fetch.h"
#include "update/package.h"
#include "update/package_name.h"
#include "update/signature.h"
#include "update/signed_update.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

bool ReadBytes(const std::wstring& path, std::string& bytes, size_t maxBytes = 64u << 20) {
    std::unique_ptr<char[]> data;
    size_t length = 0;
    if (!ReadWholeFile(path.c_str(), data, length, maxBytes)) return false;
    bytes.assign(data.get(), length);
    return true;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // the tools' messages are ASCII
}

// The key as hex: the argument itself, or the first word of the file it names.
bool PublicKeyText(const std::wstring& arg, std::string& hex) {
    unsigned char point[kPublicPointBytes];
    hex = ToUtf8(arg);
    if (ParsePublicKeyHex(hex.c_str(), point)) return true;
    if (!ReadBytes(arg, hex, 4096)) return false;
    const size_t start = hex.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return false;
    hex = hex.substr(start, hex.find_first_of(" \t\r\n", start) - start);
    return ParsePublicKeyHex(hex.c_str(), point);
}

void Problem(const std::string& where, const std::string& what) {
    printf("%s: %s\n", where.c_str(), what.c_str());
}

// A fresh folder under the temporary folder for one package's files.
std::wstring ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring dir =
        std::wstring(temp) + L"lumora-verify-" + std::to_wstring(GetCurrentProcessId());
    DeleteDirectoryTree(dir.c_str());
    return CreateDirectoryW(dir.c_str(), nullptr) ? dir : std::wstring();
}

} // namespace

bool LoadSigningKey(const std::wstring& keyFile, std::string& pem, std::wstring& error) {
    if (!ReadBytes(keyFile, pem, 64 << 10)) {
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
    if (!ReadBytes(dir + L"\\update.json", manifest)) {
        error = L"cannot read \"" + dir + L"\\update.json\"";
        return false;
    }
    if (!SignWithKeyFile(pem, manifest, signature, why)) {
        error = L"cannot sign the manifest: " + Widen(why);
        return false;
    }
    const std::wstring path = dir + L"\\update.json.sig";
    if (!ReplaceFileWith(path.c_str(), reinterpret_cast<const unsigned char*>(signature.data()),
                         signature.size())) {
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
    if (!ReadBytes(dir + L"\\update.json", manifest, kManifestMaxBytes)) {
        Problem("update.json", "missing or unreadable");
        return 1;
    }
    if (!ReadBytes(dir + L"\\update.json.sig", signature, 4096)) {
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
    SignedMembers listed;
    listed.AddManifestFiles(files);
    const std::wstring scratch = ScratchFolder();
    if (scratch.empty()) {
        PrintError("lumora_publish", L"cannot create a temporary folder");
        return 2;
    }
    int problems = 0;
    for (unsigned i = 0; i < files->u.object.length; ++i) {
        const json_object_entry& m = files->u.object.values[i];
        const std::string where = std::string("update.json: files.") + m.name;
        wchar_t member[MAX_PATH] = {}, package[MAX_PATH] = {};
        const bool usable =
            m.value->type == json_string &&
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, m.name, -1, member, MAX_PATH) > 0 &&
            listed.DigestFor(member) && PackageNameForMember(member, package, MAX_PATH);
        if (!usable) {
            Problem(where, "not a file name with an MD5 digest");
            ++problems;
            continue;
        }
        const std::wstring packagePath =
            dir + L"\\" + std::to_wstring(static_cast<long>(version->u.integer)) + L"\\" + package;
        std::string bytes;
        if (!ReadBytes(packagePath, bytes, kPackageMaxBytes)) {
            Problem(where, "its package " + ToUtf8(packagePath) + " is missing or unreadable");
            ++problems;
            continue;
        }
        // The launcher's own extraction with the launcher's own rule: the
        // member's file must come out of its package with its listed digest.
        ExtractPackage(scratch.c_str(), bytes.data(), bytes.size(), nullptr, &listed);
        if (GetFileAttributesW((scratch + L"\\" + member).c_str()) == INVALID_FILE_ATTRIBUTES) {
            Problem(where, "its package does not hold the file with the listed digest");
            ++problems;
        }
        DeleteDirectoryTree(scratch.c_str());
        CreateDirectoryW(scratch.c_str(), nullptr);
    }
    DeleteDirectoryTree(scratch.c_str());
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
