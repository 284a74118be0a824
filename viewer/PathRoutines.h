// The viewer's path routines on the file system and its UTF-16 file dialog.
// The pure string routines (ExtractNameWide, ExtractDirWide,
// ExtractDriveDirWide, ChangeExtWide, LongPathForm, SplitMultiSelect, ...)
// are in text/PathText.h.
#pragma once
#include <windows.h>

#include <string>

#include "text/PathText.h"

// Whether kernel32 offers QueryFullProcessImageNameW (a system of NT 6 or later).
bool HasQueryFullProcessImageNameW();

// A directory entry for path: FindFirstFileW on the path, and on its "\\?\"
// form when the plain one finds nothing. False when there is none.
bool FindFirstFileAny(const std::wstring& path, WIN32_FIND_DATAW* found = nullptr);

// Under unicodeMode: an entry exists for the path and is not a folder;
// otherwise the narrow test of the code page 932 path.
bool FileExistsEx(const std::wstring& path, bool unicodeMode);
// Under unicodeMode: the folder attribute of the entry found for the path;
// when none is found, for a path beginning with "\\" the folder attribute of
// GetFileAttributesW on its long form ("Sysnative" for "System32" when
// sysnativeUnc is set; pass HasQueryFullProcessImageNameW()); else the plain
// folder test. Without unicodeMode the narrow folder test.
bool DirectoryExistsEx(const std::wstring& path, bool unicodeMode, bool sysnativeUnc);

// The folder part of path (with its backslash) + the file's name as stored
// on disk; path unchanged when nothing is found.
std::wstring LongFileName(const std::wstring& path);
// The absolute form of a path (GetFullPathNameW); unchanged when the call
// fails or path is empty.
std::wstring FullPathName(const std::wstring& path);

// Open or save dialog in UTF-16, through the file-dialog service.
//  owner, initialName (may be empty), addFlags (0 or OFN_ALLOWMULTISELECT),
//  save, defExt (without dot), filter (description and pattern lines in
//  pairs joined by CR LF), initialDir.
// Buffer of 1024 units (49152 with multiple selection); the initial name is
// cut to fit. An initialDir that names a file gives the initial name (when
// none is given) and the dialog starts in that file's folder. Open: OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
// save: OFN_PATHMUSTEXIST | OFN_HIDEREADONLY (a save may name a new file).
// Returns the chosen path, for several files their full paths joined by
// CR LF, or an empty text when cancelled.
std::wstring FileDialog(HWND owner, const std::wstring& initialName, DWORD addFlags, bool save,
                        const std::wstring& defExt, const std::wstring& filter, const std::wstring& initialDir);
