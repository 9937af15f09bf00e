// What an update key adds to the update: the manifest is used only when its
// signature verifies, and a package may then write only files that the
// signed manifest lists, with the bytes it lists for them.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include <json.h>

class HttpSession;

// The files of a signed manifest by name (ignoring case, "/" and "\" alike,
// "." components dropped), each with its listed digest.
class SignedMembers {
  public:
    // False when the name is no relative path to a file or the digest is no
    // MD5 text; a name listed twice keeps its first digest, as the manifest's
    // own reading does.
    bool Add(const wchar_t* name, const char* digest);
    // The listed digest of a path relative to the launcher directory; null
    // when it is not listed.
    const char* DigestFor(const wchar_t* name) const;
    // Every string member of the manifest's "files", by the manifest's rules.
    void AddManifestFiles(const json_value* files);
    bool Empty() const { return digests_.empty(); }

  private:
    std::map<std::wstring, std::string> digests_;
};

// Whether a key is set: an empty key means that updates are not signed.
bool HasUpdateKey(const char* updateKey);

// Fetches "<manifestUrl>.sig" over session with the manifest's "t"
// (requestTime) and verifies it over the manifest's exact bytes.
bool ManifestSignatureValid(HttpSession& session, const wchar_t* manifestUrl, unsigned requestTime,
                            const char* updateKey, const char* manifest, size_t length);
