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

// A 7z archive of one file stored as it is (Copy coder), written by hand;
// name null leaves out the name table, which a valid archive may do.
std::string StoredArchive(const std::string& data, const wchar_t* name);

// A Unix symbolic link to the folder target, made beside Wine, which shows a
// link to a folder as a junction (FILE_ATTRIBUTE_REPARSE_POINT). linkUnix is
// the link's Unix path, or empty with linkWindows a path below a Wine drive;
// seenAs is where Wine shows it. The link goes with the object.
class UnixLink {
  public:
    UnixLink(const std::wstring& target, const std::wstring& linkWindows, std::string linkUnix,
             const std::wstring& seenAs);
    ~UnixLink();
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;
    bool Made() const { return made_; }

  private:
    std::string link_;
    std::wstring seenAs_;
    bool made_ = false;
};

// While it lives, the pauses before renewed attempts on held files take no
// time and are counted.
class CountedPauses {
  public:
    CountedPauses();
    ~CountedPauses();
    CountedPauses(const CountedPauses&) = delete;
    CountedPauses& operator=(const CountedPauses&) = delete;
    int Count() const;

  private:
    void (*saved_)(DWORD);
};

} // namespace update_test

// Transitional: the publishing tests' old forms, which update or extract into
// the directory set with UseLauncherDir.
bool RunUpdate(int builtInVersion);
