// The file and process calls of the studio's tools, with one implementation
// for Windows (tool_files_win.cpp) and one for a Linux build server
// (tool_files_posix.cpp). Paths use "\" between folders on both: that is how
// the launcher and its manifest name files; the POSIX side turns it into "/".
#pragma once

#include <string>
#include <vector>

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool IsFile(const std::wstring& path);

// Whole files of up to maxBytes (64 MiB unless given).
bool ReadWhole(const std::wstring& path, std::string& bytes, size_t maxBytes = 64u << 20);
bool WriteWhole(const std::wstring& path, const std::string& bytes);
bool CopyWhole(const std::wstring& from, const std::wstring& to);

// Creates every missing folder on the way to (and including) dir.
bool MakeFolders(const std::wstring& dir);
// Renames a file or folder within one volume; on failure error says why.
bool RenamePath(const std::wstring& from, const std::wstring& to, std::wstring& error);
// Deletes path and everything below it, never following links.
void RemoveTree(const std::wstring& path);

struct FolderEntry {
    std::wstring name;
    bool folder = false;
};
// The entries of dir without "." and "..". False, with error, when it cannot
// be listed or holds a name the launcher could not write.
bool ListFolder(const std::wstring& dir, std::vector<FolderEntry>& out, std::wstring& error);

// Lower case, as the file system compares names.
std::wstring LowerText(std::wstring text);
unsigned long ProcessId();

// The 7z program: the option, then LUMORA_7Z, then the platform's usual name
// on PATH (7z.exe on Windows, 7zz elsewhere). False, with error, when none.
bool FindSevenZip(const std::wstring& option, std::wstring& program, std::wstring& error);
// Runs program with args in workDir and waits; its exit code, or -1 when it
// did not start.
int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               const std::wstring& workDir);

// Where the launcher looks for a file named in "static.json": joined onto the
// launcher directory dir when joined or when name is relative, else name
// itself. False when the result does not fit the launcher's path buffers.
bool ConfiguredFile(const wchar_t* dir, const std::wstring& name, bool joined, std::wstring& full);

// The size of an image file as the skin reads it: GDI+ on Windows; on Linux
// the PNG, JPEG, BMP and GIF readers of stb_image, formats GDI+ reads too.
bool ReadImageSize(const std::wstring& path, int* width, int* height);
