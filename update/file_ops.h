// The update's file operations: folders, the replacement of one file, the
// removal of a tree, the ending of processes, with their pauses between
// attempts on a held file.
#pragma once

#include <windows.h>

#include <cstddef>

// Whether a failed write, move or delete may pass when tried again: the file
// is held, locked or on its way out. A name the system refuses never does.
bool IsPassingFileError(DWORD error);

// The pause before each renewed attempt on a held file; tests count the
// calls instead of waiting.
extern void (*g_retryPause)(DWORD ms);

// Creates each missing folder below root down to folder, which lies below
// root.
bool CreateFolders(const wchar_t* root, const wchar_t* folder);

// Writes the bytes to a temporary file beside dest and puts it in place with
// one replace, so that a failure at any point leaves dest as it was. A held
// dest is tried ten times. With expectedMd5, the temporary file is put in
// place only when its digest is that one.
bool ReplaceFileWith(const wchar_t* dest, const unsigned char* data, size_t size,
                     const char* expectedMd5 = nullptr);

// Deletes everything below dir, then dir itself. Links (junctions, symbolic
// links) are removed themselves, never followed.
void DeleteDirectoryTree(const wchar_t* dir);

// Ends every other process whose executable file name equals name.
void TerminateProcessesNamed(const wchar_t* name);
