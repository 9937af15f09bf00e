#include "support/update_server.h"

#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "update/md5.h"

#include <7zCrc.h>
#include <shlobj.h>

#include <algorithm>
#include <sstream>

namespace testing_support {

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
    SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    return WriteFileBytes(path, bytes);
}

std::string PackageBytes(const std::string& name) {
    std::string bytes;
    return ReadFileBytes(RigPath("pkgs/" + name + ".7z"), bytes) ? bytes : "";
}

bool PublishPackage(const std::string& name, const std::string& relative) {
    return Publish(relative, PackageBytes(name));
}

std::vector<Request> RequestsFor(const std::string& needle) {
    std::istringstream lines(FileText(RigPath("requests.log")));
    std::vector<Request> out;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Request r;
        std::getline(fields, r.verb, '\t');
        if (!std::getline(fields, r.target, '\t') || r.target.find(needle) == std::string::npos)
            continue;
        for (std::string f; std::getline(fields, f, '\t');)
            if (f.rfind("User-Agent: ", 0) == 0) r.agent = f.substr(12);
        out.push_back(r);
    }
    return out;
}

int Gets(const std::string& needle) {
    int n = 0;
    for (const Request& r : RequestsFor(needle))
        n += r.verb == "GET";
    return n;
}

std::string Manifest(int version, const std::vector<std::pair<std::string, std::string>>& files) {
    std::string out = "{\"version\": " + std::to_string(version) + ", \"files\": {";
    for (const auto& f : files)
        out += (&f == &files[0] ? "\"" : ", \"") + f.first + "\": \"" + f.second + "\"";
    return out + "}}";
}

std::string Md5Of(const std::string& bytes, size_t step) {
    Md5Context ctx;
    Md5Init(&ctx);
    for (size_t at = 0; at < bytes.size(); at += step)
        Md5Update(&ctx, bytes.data() + at, std::min(step, bytes.size() - at));
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    char text[33];
    Md5ToHex(digest, text);
    return text;
}

namespace {

void LittleEndian(std::string& out, UInt64 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 7z's number: the leading 1 bits of the first byte count the bytes that
// follow (little-endian); its other bits are the value's top.
std::string Number(UInt64 v) {
    int n = 0;
    while (n < 8 && v >= (UInt64(1) << (7 * n + 7)))
        ++n;
    std::string out(1, static_cast<char>((0xFF00 >> n) & 0xFF));
    if (n < 8) out[0] = static_cast<char>(out[0] | (v >> (8 * n)));
    LittleEndian(out, v, n);
    return out;
}

} // namespace

std::string StoredArchive(const std::string& data, const wchar_t* name) {
    const std::string size = Number(data.size());
    std::string h = std::string{1, 4, 6, 0, 1, 9} + size +
                    std::string{0, 7, 0x0B, 1, 0, 1, 1, 0, 0x0C} + size + std::string{0, 0, 5, 1};
    if (name) {
        std::string names(1, '\0'); // not external
        for (const wchar_t* p = name; p <= name + wcslen(name); ++p)
            LittleEndian(names, *p, 2);
        h += '\x11' + Number(names.size()) + names;
    }
    h += std::string(2, '\0');
    CrcGenerateTable();
    std::string tail;
    LittleEndian(tail, data.size(), 8);
    LittleEndian(tail, h.size(), 8);
    LittleEndian(tail, CrcCalc(h.data(), h.size()), 4);
    std::string out("7z\xBC\xAF\x27\x1C\0\4", 8);
    LittleEndian(out, CrcCalc(tail.data(), tail.size()), 4);
    return out + tail + data + h;
}

} // namespace testing_support
