#include "update_test_util.h"

#include "core/file_util.h"
#include "update/file_ops.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "update/md5.h"
#include "update/package.h"
#include "update/update.h"

#include <7zCrc.h>

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

int g_pauses = 0;

std::string UnixPathOf(const std::wstring& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = fn ? fn(path.c_str()) : nullptr;
    std::string out = unix ? unix : "";
    if (unix) HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Starts a Unix program through Wine, which does not wait for it: the
// caller waits for its effect.
void RunUnix(const wchar_t* program, const std::string& args) {
    std::wstring cmd = L"\"" + std::wstring(program) + L"\" " + Widen(args);
    std::wstring app = L"Z:" + std::wstring(program);
    for (wchar_t& c : app)
        if (c == L'/') c = L'\\';
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(app.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

bool WaitForPresence(const std::wstring& path, bool present) {
    for (int i = 0; i < 200; ++i) {
        if (FileExists(path) == present) return true;
        Sleep(25);
    }
    return false;
}

} // namespace

std::string StoredArchive(const std::string& data, const wchar_t* name) {
    const std::string size = Number(data.size());
    std::string h = std::string{1, 4, 6, 0, 1, 9} + size +
                    std::string{0, 7, 0x0B, 1, 0, 1, 1, 0, 0x0C} + size + std::string{0, 0, 5, 1};
    if (name) {
        std::string names(1, '\0'); // not external
        for (const wchar_t* p = name;; ++p) {
            LittleEndian(names, *p, 2);
            if (!*p) break;
        }
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

UnixLink::UnixLink(const std::wstring& target, const std::wstring& linkWindows,
                   std::string linkUnix, const std::wstring& seenAs)
    : link_(linkUnix.empty() ? UnixPathOf(linkWindows) : linkUnix), seenAs_(seenAs) {
    std::string to = UnixPathOf(target);
    if (to.empty() || link_.empty()) return;
    RunUnix(L"/bin/ln", "-sfn \"" + to + "\" \"" + link_ + "\"");
    made_ = WaitForPresence(seenAs_, true);
}

UnixLink::~UnixLink() {
    if (link_.empty()) return;
    RunUnix(L"/bin/rm", "-f \"" + link_ + "\"");
    WaitForPresence(seenAs_, false);
}

CountedPauses::CountedPauses() : saved_(g_retryPause) {
    g_pauses = 0;
    g_retryPause = [](DWORD) { ++g_pauses; };
}
CountedPauses::~CountedPauses() {
    g_retryPause = saved_;
}
int CountedPauses::Count() const {
    return g_pauses;
}

} // namespace update_test

bool RunUpdate(int builtInVersion) {
    return RunUpdate(g_savedState.exeDir, g_savedState.exePath, g_staticConfig.updateUrl,
                     builtInVersion);
}

int ExtractPackage(const void* data, size_t length, bool isLauncher, wchar_t* newLauncherPath) {
    wchar_t root[MAX_PATH] = {};
    if (!JoinPath(root, MAX_PATH, g_savedState.exeDir, isLauncher ? L"update" : L"")) return 0;
    return ExtractPackage(root, data, length, isLauncher ? newLauncherPath : nullptr);
}
