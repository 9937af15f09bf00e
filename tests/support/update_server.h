// The update tests' HTTP server (tests/update/http_server.py): its folder,
// its request log and the packages its fixture built, and the digests and
// hand-made archives the tests compare with.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A path below the fixture's folder (given with "/"), as Wine sees it.
std::wstring RigPath(const std::string& relative);
// "http://127.0.0.1:<port>/" followed by rest.
std::wstring ServerUrl(const std::string& rest);
// Puts bytes under the served folder at relative (given with "/").
bool Publish(const std::string& relative, const std::string& bytes);
// A package the fixture built (pkgs/<name>.7z), and its copy to the served folder.
std::string PackageBytes(const std::string& name);
bool PublishPackage(const std::string& name, const std::string& relative);

struct Request {
    std::string verb, target, agent;
};
// The logged requests whose target contains needle, in order.
std::vector<Request> RequestsFor(const std::string& needle);
// How many of them are GETs.
int Gets(const std::string& needle);

// An update manifest listing (name, digest) pairs, names as JSON writes them.
std::string Manifest(int version, const std::vector<std::pair<std::string, std::string>>& files);

// The digest of bytes, handed to the digest in pieces of step bytes.
std::string Md5Of(const std::string& bytes, size_t step = ~size_t(0));

// A 7z archive of one file stored as it is (Copy coder), written by hand;
// name null leaves out the name table, which a valid archive may do.
std::string StoredArchive(const std::string& data, const wchar_t* name);

} // namespace testing_support
