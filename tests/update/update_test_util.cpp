#include "update_test_util.h"

#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "update/md5.h"

#include <sstream>

using namespace testing_support;

namespace update_test {

std::wstring RigPath(const std::string& relative) {
    return BinaryPath("tests/update/rig/" + relative);
}

std::wstring ServerUrl(const std::string& rest) {
    std::string port;
    ReadFileBytes(RigPath("port"), port);
    return Widen("http://127.0.0.1:" + port + "/" + rest);
}

bool Publish(const std::string& relative, const std::string& bytes) {
    std::wstring path = RigPath("www/" + relative);
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i] == L'/') path[i] = L'\\';
    for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    return WriteFileBytes(path, bytes);
}

std::string PackageBytes(const std::string& name) {
    std::string bytes;
    ReadFileBytes(RigPath("pkgs/" + name + ".7z"), bytes);
    return bytes;
}

bool PublishPackage(const std::string& name, const std::string& relative) {
    std::string bytes = PackageBytes(name);
    return !bytes.empty() && Publish(relative, bytes);
}

std::vector<Request> RequestsFor(const std::string& needle) {
    std::string log;
    ReadFileBytes(RigPath("requests.log"), log);
    std::vector<Request> out;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string f;
        while (std::getline(parts, f, '\t'))
            fields.push_back(f);
        if (fields.size() < 2 || fields[1].find(needle) == std::string::npos) continue;
        Request r;
        r.verb = fields[0];
        r.target = fields[1];
        for (size_t i = 2; i < fields.size(); ++i) {
            if (fields[i].rfind("User-Agent: ", 0) == 0) r.agent = fields[i].substr(12);
        }
        out.push_back(r);
    }
    return out;
}

void UseLauncherDir(const std::wstring& dir, const std::wstring& base) {
    RECT work = {0, 0, 1920, 1040};
    g_savedState.InitSavedStateWith((dir + L"\\Lumora2.exe").c_str(), g_staticConfig, work);
    CopyText(g_staticConfig.updateUrl, base.c_str());
}

std::string Md5Of(const std::string& bytes) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, bytes.data(), bytes.size());
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    char text[33];
    Md5ToHex(digest, text);
    return text;
}

} // namespace update_test
