// TShellLink: creates, checks, deletes and resolves shell shortcut files
// (".lnk") through the shell's link object. No window.
//
// The operations the program itself calls (CreateLink, ChkLinkPath,
// DeleteLink, GetPath, GetLinkToPathWid) work on UTF-16 paths end to end and
// compare paths without regard to letter case. The narrow operations take
// code page 932 texts. Creation relies on COM being initialised on the
// calling thread (the program does that at start); resolving brackets its
// work with CoInitialize/CoUninitialize itself. No operation shows a message.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

class TShellLink {
 public:
  TShellLink() = default;

  // ---- fields
  bool Overwrite = false;    // creation replaces a shortcut of the same name
  std::wstring LinkName;     // base name of the shortcut that creation writes
  std::wstring MatchTarget;  // the target that ChkLinkFileOrDel looks for

  // Replaces the shell's answer for a special folder (tests): returns the
  // folder the shell would give ("" for a shell that finds none). Unset: the
  // shell is asked.
  static std::function<std::wstring(int csidl)> SpecialFolderHook;

  // ---- the operations the program calls
  // Writes a shortcut to target into the special folder; its path, or "" when
  // nothing was written (a missing target, a folder the shell does not know).
  std::wstring CreateLink(const std::wstring& target, LPCITEMIDLIST items, int csidl, const std::wstring& linkName,
                          bool overwrite);
  // Whether folder\linkName.lnk resolves to programPath (letter case aside).
  bool ChkLinkPath(const std::wstring& programPath, const std::wstring& linkName, int csidl);
  // Deletes the first of the three candidate shortcuts (named after the
  // program file, after the program path, after linkName) that resolves to
  // programPath; a shortcut that leads elsewhere is left alone.
  void DeleteLink(int csidl, const std::wstring& programPath, const std::wstring& linkName);
  // The special folder's path; the Windows (0x24) and system (0x25) folders
  // fall back to the system's own calls. "" when the shell knows none.
  std::wstring GetPath(int csidl);
  // target := what the shortcut leads to when that exists, else linkPath
  // itself (linkPath may be the same variable as target). The last status of
  // the shell's link object (0: resolved).
  HRESULT GetLinkToPathWid(const std::wstring& linkPath, std::wstring& target, HWND owner, bool lookup);

  // ---- creation and resolution
  // Check-only: "1" when a shortcut of the plain name exists, else "0"
  // (nothing written). Otherwise the written shortcut's path or "".
  std::string ShellLinkCreate(const std::string& target, LPCITEMIDLIST items, const std::string& folder,
                              const std::string& description, bool checkOnly);
  std::wstring ShellLinkCreateW(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                                const std::wstring& description, bool checkOnly);
  HRESULT GetLinkToPath(const std::string& linkPath, std::string& target, HWND owner, bool lookup);
  // A path that leads into an installer store ("{"): the program registered
  // under App Paths whose folder is named like the shortcut; else the path.
  std::string GetLinkNameToPath(const std::string& path, const std::string& linkPath);
  // The default value of the App Paths subkey whose program folder is named
  // `name` (letter case counts); "" when none.
  std::string GetReg_AppNameToPath(const std::string& name);
  // Where GetReg_AppNameToPath looks (tests point it at a scratch key).
  HKEY AppPathsRoot = HKEY_LOCAL_MACHINE;
  std::wstring AppPathsKey = L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

  // ---- names
  static std::string FileMogChk(const std::string& name);
  static void MogChange(std::string& text, const std::string& oldText, const std::string& newText);
  static std::wstring FileMogChkW(const std::wstring& name);
  static void MogChangeW(std::wstring& text, const std::wstring& oldText, const std::wstring& newText);
  // An existing file's path unchanged; otherwise the path with a single-byte
  // "\" at its end.
  static std::string PathToSetKugiriMog(const std::string& path);
  static bool ItemIdListFree(LPITEMIDLIST items);

  // ---- further operations of the class
  std::wstring CreateLink2(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                           const std::wstring& linkName, bool overwrite);
  std::wstring CreateLink2W(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                            const std::wstring& linkName, bool overwrite);
  void CreateDirToLink(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                       const std::wstring& linkName, bool overwrite);
  bool ChkLink(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& secondName, int csidl);
  bool ChkLinkOrDel(const std::wstring& target, const std::wstring& nameFilter, int csidl, bool deleteMatches);
  // Looks at the folder's shortcuts (".lnk" only): a match holds the filter
  // in its name or leads to MatchTarget; matches are deleted with the flag.
  bool ChkLinkFileOrDel(const std::wstring& folder, const std::wstring& nameFilter, bool deleteMatches);
  std::wstring GetNameOrHandIcon(int csidl, HICON& icon, bool smallIcon);
  LPITEMIDLIST GetCodeToItemIdList(int csidl);
  LPITEMIDLIST GetLinkToItemId(const std::string& linkPath, HWND owner);
  LPITEMIDLIST GetWideLinkToItemId(const std::wstring& linkPath, HWND owner);
  static bool FileFolderExistsWid(const std::wstring& path);
  static bool FileExistsWid(const std::wstring& path);
  static bool DirectoryExistsWid(const std::wstring& path);
  static std::wstring ExtractFileNameW(const std::wstring& path);
  static std::wstring ChangeFileExtW(const std::wstring& path, const std::wstring& ext);
  static std::wstring IncludeTrailingBackslashWid(const std::wstring& path);
  // Path equality without regard to letter case.
  static bool SamePath(const std::wstring& a, const std::wstring& b);

 private:
  // Creation into base (ending in "\") under name; see ShellLinkCreateW.
  std::wstring CreateIn(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& base,
                        const std::wstring& name, const std::wstring& description, bool checkOnly);
  // The name creation derives when LinkName is empty (from the target or the item).
  static std::wstring DerivedName(const std::wstring& target, LPCITEMIDLIST items);
};
