// The shell's "open with" entry of the program: one value naming the program
// in each accepted extension's OpenWithList (user part of the registry), and
// the program's open command under Applications (classes part). The roots are
// given, so that tests may point them at scratch keys.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class TRegistry;

namespace openwith {

const wchar_t* const kFileExtsKey = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// For each extension: the program's value of its OpenWithList removed and,
// when on, added again under a fresh letter at the end of "MRUList". False
// (and the loop stopped) when a key cannot be opened or created.
bool UpdateOpenWithList(const std::vector<std::wstring>& extensions, TRegistry& registry, bool on,
                        const std::wstring& programName);
// The whole registration: the lists of the extensions (as in OpenExtensions)
// and, when they succeeded, the Applications entry removed and, when on,
// written with the quoted open command of programFolder + programName.
bool SetOpenWith(HKEY userRoot, HKEY classesRoot, const std::wstring& extensions, const std::wstring& programFolder,
                 const std::wstring& programName, bool on);
// True when ".txt"'s OpenWithList names the program and the Applications
// entry's command names programFolder + programName (quoted or bare; letter
// case aside).
bool IsOpenWithSet(HKEY userRoot, HKEY classesRoot, const std::wstring& programFolder,
                   const std::wstring& programName);

}  // namespace openwith
