#include "update/signed_update.h"

#include "core/text.h"
#include "update/http_fetch.h"
#include "update/signature.h"

#include <cctype>
#include <cstring>
#include <cwchar>

namespace {

// The comparable form of a relative path; false for anything that could
// reach outside the folder it is relative to.
bool MemberKey(const wchar_t* name, std::wstring& key) {
    key.clear();
    if (!name) return false;
    std::wstring part;
    for (const wchar_t* p = name;; ++p) {
        if (*p && *p != L'\\' && *p != L'/') {
            part += *p;
            continue;
        }
        if (part == L"..") return false;
        if (!part.empty() && part != L".") {
            if (!key.empty()) key += L'\\';
            key += part;
        }
        part.clear();
        if (!*p) break;
    }
    if (key.empty() || key.size() >= MAX_PATH || wcschr(key.c_str(), L':')) return false;
    CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
    return true;
}

bool IsMd5Text(const char* digest) {
    if (!digest || strlen(digest) != 32) return false;
    for (const char* p = digest; *p; ++p)
        if (!isxdigit(static_cast<unsigned char>(*p))) return false;
    return true;
}

} // namespace

bool SignedMembers::Add(const wchar_t* name, const char* digest) {
    std::wstring key;
    if (!MemberKey(name, key) || !IsMd5Text(digest)) return false;
    digests_.emplace(key, digest);
    return true;
}

const char* SignedMembers::DigestFor(const wchar_t* name) const {
    std::wstring key;
    if (!MemberKey(name, key)) return nullptr;
    auto found = digests_.find(key);
    return found == digests_.end() ? nullptr : found->second.c_str();
}

void SignedMembers::AddManifestFiles(const json_value* files) {
    if (!files || files->type != json_object) return;
    for (unsigned i = 0; i < files->u.object.length; ++i) {
        const json_object_entry& m = files->u.object.values[i];
        wchar_t name[MAX_PATH] = {};
        if (m.value->type == json_string && Utf8ToField(m.name, name, MAX_PATH))
            Add(name, m.value->u.string.ptr);
    }
}

bool HasUpdateKey(const char* updateKey) {
    return updateKey && updateKey[0];
}

bool ManifestSignatureValid(HttpSession& session, const wchar_t* manifestUrl, unsigned requestTime,
                            const char* updateKey, const char* manifest, size_t length) {
    wchar_t url[MAX_PATH + 8] = {};
    if (!CopyText(url, manifestUrl) || !AppendText(url, L".sig")) return false;
    DWORD got = 0;
    // Anything longer than a signature is no signature: not even downloaded.
    std::unique_ptr<char[]> signature =
        session.Fetch(url, &got, kSignatureBytes, nullptr, requestTime);
    return signature && VerifySignature(updateKey, manifest, length, signature.get(), got);
}
