// The update tests' access to the fixture's HTTP server, its request log and
// the packages it built, and a launcher directory to update.
#pragma once

#include "support/test_support.h"

#include <string>
#include <vector>

namespace update_test {

// A path below the fixture's folder (given with "/"), as Wine sees it.
std::wstring RigPath(const std::string& relative);
// "http://127.0.0.1:<port>/" followed by rest.
std::wstring ServerUrl(const std::string& rest);
// Puts bytes under the served folder at relative (given with "/").
bool Publish(const std::string& relative, const std::string& bytes);
// Copies a package the fixture built (pkgs/<name>.7z) to the served folder.
bool PublishPackage(const std::string& name, const std::string& relative);
std::string PackageBytes(const std::string& name);

struct Request {
    std::string verb, target, agent;
};
// The logged requests whose target contains needle, in order.
std::vector<Request> RequestsFor(const std::string& needle);

// Points the saved state at dir\Lumora2.exe and the update base URL at base.
void UseLauncherDir(const std::wstring& dir, const std::wstring& base);

std::string Md5Of(const std::string& bytes);

} // namespace update_test
