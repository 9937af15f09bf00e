#include "tools/tool_files.h"

#include "tools/tool_text.h"
#include "update/md5.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

std::string Native(const std::wstring& path) {
    return NativePath(path);
}

int Kind(const std::wstring& path) { // 0 missing, 1 file, 2 folder
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 2 : 1;
}

std::wstring ErrorText(int code) {
    return FromUtf8(strerror(code));
}

} // namespace

bool PathExists(const std::wstring& path) {
    struct stat st;
    return lstat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::wstring& path) {
    return Kind(path) == 2;
}

bool IsFile(const std::wstring& path) {
    return Kind(path) == 1;
}

bool ReadWhole(const std::wstring& path, std::string& bytes, size_t maxBytes) {
    int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<unsigned long long>(st.st_size) <= maxBytes;
    if (ok) {
        bytes.assign(static_cast<size_t>(st.st_size), '\0');
        size_t got = 0;
        while (ok && got < bytes.size()) {
            ssize_t n = read(fd, &bytes[got], bytes.size() - got);
            ok = n > 0;
            if (ok) got += static_cast<size_t>(n);
        }
    }
    close(fd);
    return ok;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t put = 0;
    bool ok = true;
    while (ok && put < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + put, bytes.size() - put);
        ok = n > 0;
        if (ok) put += static_cast<size_t>(n);
    }
    return close(fd) == 0 && ok;
}

bool CopyWhole(const std::wstring& from, const std::wstring& to) {
    std::error_code ec;
    return std::filesystem::copy_file(Native(from), Native(to),
                                      std::filesystem::copy_options::overwrite_existing, ec);
}

bool MakeFolders(const std::wstring& dir) {
    std::error_code ec;
    std::filesystem::create_directories(Native(dir), ec);
    return IsDirectory(dir);
}

bool RenamePath(const std::wstring& from, const std::wstring& to, std::wstring& error) {
    // Like the Windows move: an existing target is not replaced.
    if (PathExists(to)) {
        error = ErrorText(EEXIST);
        return false;
    }
    if (rename(Native(from).c_str(), Native(to).c_str()) == 0) return true;
    error = ErrorText(errno);
    return false;
}

void RemoveTree(const std::wstring& path) {
    std::error_code ec;
    std::filesystem::remove_all(Native(path), ec); // links are removed, not followed
}

bool ListFolder(const std::wstring& dir, std::vector<FolderEntry>& out, std::wstring& error) {
    DIR* d = opendir(Native(dir).c_str());
    if (!d) {
        error = ErrorText(errno);
        return false;
    }
    bool ok = true;
    while (dirent* e = readdir(d)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        FolderEntry entry;
        entry.name = FromUtf8(e->d_name);
        // A "\" would split the name into folders on the player's computer.
        if (entry.name.empty() || strchr(e->d_name, '\\')) {
            error = L"the name \"" + FromUtf8(e->d_name) +
                    L"\" is not UTF-8 or holds a \"\\\", which the launcher reads as a folder";
            ok = false;
            break;
        }
        entry.folder = IsDirectory(dir + L"\\" + entry.name);
        out.push_back(entry);
    }
    closedir(d);
    return ok;
}

std::wstring LowerText(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
    return text;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}

bool FindSevenZip(const std::wstring& option, std::wstring& program, std::wstring& error) {
    std::wstring wanted = option;
    if (wanted.empty())
        if (const char* env = getenv("LUMORA_7Z")) wanted = FromUtf8(env);
    if (!wanted.empty()) {
        if (!IsFile(wanted)) {
            error = L"7z program \"" + wanted + L"\" not found";
            return false;
        }
        program = wanted;
        return true;
    }
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/7zz";
        if (end > at && access(candidate.c_str(), X_OK) == 0) {
            program = FromUtf8(candidate.c_str());
            return true;
        }
        at = end + 1;
    }
    error = L"7z program not found: no 7zz on PATH and LUMORA_7Z not set";
    return false;
}

int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               const std::wstring& workDir) {
    std::vector<std::string> text;
    text.push_back(Native(program));
    for (const std::wstring& a : args)
        text.push_back(Native(a));
    std::vector<char*> argv;
    for (std::string& t : text)
        argv.push_back(&t[0]);
    argv.push_back(nullptr);
    const std::string dir = Native(workDir);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        // Quiet, as the Windows tool runs it: the tool says what failed.
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
        }
        if (chdir(dir.c_str()) == 0) execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (!WIFEXITED(status)) return -1;
    // execv failing shows as 127, as a shell reports a program it cannot run.
    return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

// The launcher's digest over a file read the POSIX way.
bool FileMd5Hex(const wchar_t* path, char text[33]) {
    int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const size_t kChunk = 1u << 20;
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[kChunk]);
    Md5Context ctx;
    Md5Init(&ctx);
    ssize_t got = 0;
    while (buf && (got = read(fd, buf.get(), kChunk)) > 0)
        Md5Update(&ctx, buf.get(), static_cast<size_t>(got));
    close(fd);
    if (!buf || got < 0) return false; // a folder reads as an error
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    Md5ToHex(digest, text);
    return true;
}

bool ConfiguredFile(const wchar_t* dir, const std::wstring& name, bool joined, std::wstring& full) {
    // Absolute as Windows sees it ("\x", "C:x") or as Linux does ("/x").
    const bool relative = name.empty() || (name[0] != L'\\' && name[0] != L'/' &&
                                           !(name.size() > 1 && name[1] == L':'));
    full = (joined || relative) ? std::wstring(dir) + L"\\" + name : name;
    return full.size() < 260;
}
