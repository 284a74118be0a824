#include "controls/ShellLink.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <vector>

#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Registry.h"
#include "text/ShellText.h"

std::function<std::wstring(int csidl)> TShellLink::SpecialFolderHook;

namespace {
// Room for any path the shell's link object reports.
constexpr int kPathRoom = 32768;

// COM for the life of a scope, released only when this scope took it.
struct ComScope {
  HRESULT hr = CoInitialize(nullptr);
  ~ComScope() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

template <class T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

std::wstring NameWithoutExt(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}
}  // namespace

// ---- names and paths

std::string TShellLink::FileMogChk(const std::string& name) { return shelltext::FileMogChk(name); }
void TShellLink::MogChange(std::string& text, const std::string& o, const std::string& n) {
  shelltext::MogChange(text, o, n);
}
std::wstring TShellLink::FileMogChkW(const std::wstring& name) { return shelltext::FileMogChkW(name); }
void TShellLink::MogChangeW(std::wstring& text, const std::wstring& o, const std::wstring& n) {
  shelltext::MogChangeW(text, o, n);
}

std::string TShellLink::PathToSetKugiriMog(const std::string& path) {
  if (FileExistsWid(Cp932ToWide(path))) return path;
  return shelltext::AppendSeparator(path);
}

bool TShellLink::ItemIdListFree(LPITEMIDLIST items) {
  IMalloc* m = nullptr;
  if (FAILED(SHGetMalloc(&m)) || !m) return false;
  if (items) m->Free(items);
  m->Release();
  return true;
}

bool TShellLink::FileFolderExistsWid(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(path.c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    return true;
  }
  return DirectoryExistsWid(path);
}

bool TShellLink::FileExistsWid(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(path.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool TShellLink::DirectoryExistsWid(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring TShellLink::ExtractFileNameW(const std::wstring& path) {
  const size_t at = path.find_last_of(L"\\:");
  return at == std::wstring::npos ? std::wstring() : path.substr(at + 1);
}

std::wstring TShellLink::ChangeFileExtW(const std::wstring& path, const std::wstring& ext) {
  const size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos ? path : path.substr(0, dot) + ext;
}

std::wstring TShellLink::IncludeTrailingBackslashWid(const std::wstring& path) {
  if (path.empty() || path.back() == L'\\') return path;
  return path + L"\\";
}

bool TShellLink::SamePath(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  // Upper-cased by the system's own table, as the file system compares names.
  std::wstring x = a, y = b;
  if (!x.empty()) CharUpperBuffW(&x[0], static_cast<DWORD>(x.size()));
  if (!y.empty()) CharUpperBuffW(&y[0], static_cast<DWORD>(y.size()));
  return x == y;
}

// ---- special folders

std::wstring TShellLink::GetPath(int csidl) {
  std::wstring path;
  if (SpecialFolderHook) {
    path = SpecialFolderHook(csidl);
  } else {
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items) {
      std::vector<wchar_t> buf(MAX_PATH * 2, L'\0');
      if (SHGetPathFromIDListW(items, buf.data())) path = buf.data();
    }
    if (items) ItemIdListFree(items);
  }
  if (path.empty() && (csidl == 0x24 || csidl == 0x25)) {
    std::vector<wchar_t> buf(MAX_PATH * 2, L'\0');
    const UINT n = csidl == 0x24 ? GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()))
                                 : GetSystemDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
    if (n > 0 && n < buf.size()) path.assign(buf.data(), n);
  }
  return path;
}

LPITEMIDLIST TShellLink::GetCodeToItemIdList(int csidl) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items))) return nullptr;
  return items;
}

std::wstring TShellLink::GetNameOrHandIcon(int csidl, HICON& icon, bool smallIcon) {
  icon = nullptr;
  LPITEMIDLIST items = GetCodeToItemIdList(csidl);
  if (!items) return std::wstring();
  SHFILEINFOW info = {};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(items), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_DISPLAYNAME | (smallIcon ? 1 : 0));
  icon = info.hIcon;
  ItemIdListFree(items);
  return info.szDisplayName;
}

// ---- creation

std::wstring TShellLink::DerivedName(const std::wstring& target, LPCITEMIDLIST items) {
  if (!target.empty()) return NameWithoutExt(ExtractFileNameW(target));
  SHFILEINFOW info = {};
  info.dwAttributes = SFGAO_FOLDER;
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(items), 0, &info, sizeof info,
                      SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES)) {
    return std::wstring();
  }
  const std::wstring name = info.szDisplayName;
  return (info.dwAttributes & SFGAO_FOLDER) ? name : NameWithoutExt(name);
}

std::wstring TShellLink::CreateIn(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& base,
                                  const std::wstring& givenName, const std::wstring& description, bool checkOnly) {
  std::wstring name = givenName;
  if (!target.empty()) {
    if (!FileFolderExistsWid(target)) return std::wstring();
  } else if (!items) {
    return std::wstring();
  }
  if (name.empty()) name = DerivedName(target, items);
  if (!target.empty() && !DirectoryExistsWid(target)) name = NameWithoutExt(name);

  const std::wstring plain = base + name + L".lnk";
  std::wstring path = plain;
  if (!Overwrite || checkOnly) {
    for (int n = 1; GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
      path = base + name + L"(" + std::to_wstring(n) + L").lnk";
    }
  }
  if (checkOnly) return path != plain ? L"1" : L"0";

  std::wstring result;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return result;
  }
  HRESULT hr = target.empty() ? link->SetIDList(items) : link->SetPath(target.c_str());
  if (SUCCEEDED(hr)) hr = link->SetDescription(description.c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(hr) && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Save(path.c_str(), TRUE))) result = path;
  }
  Release(file);
  Release(link);
  return result;
}

std::wstring TShellLink::ShellLinkCreateW(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                                          const std::wstring& description, bool checkOnly) {
  return CreateIn(target, items, IncludeTrailingBackslashWid(folder), FileMogChkW(LinkName), description, checkOnly);
}

std::string TShellLink::ShellLinkCreate(const std::string& target, LPCITEMIDLIST items, const std::string& folder,
                                        const std::string& description, bool checkOnly) {
  // The name and the folder's separator follow the code page 932 rules; the
  // rest works on the UTF-16 forms, converted at their full length.
  const std::string name = FileMogChk(WideToCp932(LinkName));
  const std::string base = PathToSetKugiriMog(folder);
  return WideToCp932(CreateIn(Cp932ToWide(target), items, Cp932ToWide(base), Cp932ToWide(name),
                              Cp932ToWide(description), checkOnly));
}

std::wstring TShellLink::CreateLink(const std::wstring& target, LPCITEMIDLIST items, int csidl,
                                    const std::wstring& linkName, bool overwrite) {
  Overwrite = overwrite;
  LinkName = linkName;
  const std::wstring folder = GetPath(csidl);
  // A folder the shell does not know is not the drive's root.
  if (folder.empty()) return std::wstring();
  return ShellLinkCreateW(target, items, folder, std::wstring(), false);
}

std::wstring TShellLink::CreateLink2(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                                     const std::wstring& linkName, bool overwrite) {
  Overwrite = overwrite;
  LinkName = linkName;
  return Cp932ToWide(ShellLinkCreate(WideToCp932(target), items, WideToCp932(folder), std::string(), false));
}

std::wstring TShellLink::CreateLink2W(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                                      const std::wstring& linkName, bool overwrite) {
  Overwrite = overwrite;
  LinkName = linkName;
  return ShellLinkCreateW(target, items, folder, std::wstring(), false);
}

void TShellLink::CreateDirToLink(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& folder,
                                 const std::wstring& linkName, bool overwrite) {
  CreateLink2(target, items, folder, linkName, overwrite);
}

// ---- checks and deletion

bool TShellLink::ChkLinkPath(const std::wstring& programPath, const std::wstring& linkName, int csidl) {
  const std::wstring folder = GetPath(csidl);
  if (folder.empty()) return false;
  std::wstring target = folder + L"\\" + linkName + L".lnk";
  GetLinkToPathWid(target, target, nullptr, false);
  return SamePath(target, programPath);
}

void TShellLink::DeleteLink(int csidl, const std::wstring& programPath, const std::wstring& linkName) {
  const std::wstring folder = GetPath(csidl);
  if (folder.empty()) return;
  std::vector<std::wstring> tries = {folder + L"\\" + ChangeFileExtW(ExtractFileNameW(programPath), L".lnk"),
                                     folder + L"\\" + programPath + L".lnk"};
  if (!linkName.empty()) tries.push_back(folder + L"\\" + linkName + L".lnk");
  for (const std::wstring& candidate : tries) {
    // Only a shortcut that leads to the program is the program's.
    std::wstring target;
    GetLinkToPathWid(candidate, target, nullptr, false);
    if (!SamePath(target, programPath)) continue;
    if (DeleteFileW(candidate.c_str())) return;
  }
}

bool TShellLink::ChkLink(const std::wstring& target, LPCITEMIDLIST items, const std::wstring& secondName, int csidl) {
  const std::wstring folder = GetPath(csidl);
  LinkName.clear();
  if (ShellLinkCreateW(target, items, folder, std::wstring(), true) == L"1") return true;
  if (secondName.empty()) return false;
  LinkName = secondName;
  return ShellLinkCreateW(target, items, folder, std::wstring(), true) == L"1";
}

bool TShellLink::ChkLinkOrDel(const std::wstring& target, const std::wstring& nameFilter, int csidl,
                              bool deleteMatches) {
  MatchTarget = target;
  const std::wstring folder = GetPath(csidl);
  if (folder.empty()) return false;
  return ChkLinkFileOrDel(folder, nameFilter, deleteMatches);
}

bool TShellLink::ChkLinkFileOrDel(const std::wstring& folderIn, const std::wstring& nameFilter, bool deleteMatches) {
  const std::wstring folder = IncludeTrailingBackslashWid(folderIn);
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool any = false;
  do {
    const std::wstring name = fd.cFileName;
    // Shortcuts only: an ordinary file whose name holds the filter stays.
    const bool isLink = name.size() > 4 && SamePath(name.substr(name.size() - 4), L".lnk");
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isLink) {
      bool match = !nameFilter.empty() && name.find(nameFilter) != std::wstring::npos;
      if (!match && !MatchTarget.empty()) {
        std::wstring target;
        GetLinkToPathWid(folder + name, target, nullptr, true);
        match = SamePath(target, MatchTarget);
      }
      if (match) {
        any = true;
        if (deleteMatches) DeleteFileW((folder + name).c_str());
      }
    }
    Application->ProcessMessages();
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return any;
}

// ---- resolution

HRESULT TShellLink::GetLinkToPathWid(const std::wstring& linkPathIn, std::wstring& target, HWND owner, bool lookup) {
  const std::wstring linkPath = linkPathIn;  // the caller may pass one variable as both
  target = linkPath;
  ComScope com;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  std::wstring path;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
  if (hr == S_OK) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (hr == S_OK) hr = file->Load(linkPath.c_str(), 0);
  if (hr == S_OK) hr = link->Resolve(owner, owner ? SLR_UPDATE : (SLR_NO_UI | SLR_UPDATE | SLR_NOSEARCH));
  if (hr == S_OK) {
    std::vector<wchar_t> buf(kPathRoom, L'\0');
    hr = link->GetPath(buf.data(), kPathRoom, nullptr, 0);
    if (hr == S_OK) path = buf.data();
  }
  if (!path.empty() && FileFolderExistsWid(path)) {
    target = lookup ? Cp932ToWide(GetLinkNameToPath(WideToCp932(path), WideToCp932(linkPath))) : path;
  }
  Release(file);
  Release(link);
  return hr;
}

HRESULT TShellLink::GetLinkToPath(const std::string& linkPath, std::string& target, HWND owner, bool lookup) {
  const std::string input = linkPath;
  target = input;
  std::wstring wide = Cp932ToWide(input);
  if (wide.empty() && !input.empty()) return E_FAIL;  // a path that does not convert
  std::wstring resolved;
  const HRESULT hr = GetLinkToPathWid(wide, resolved, owner, false);
  if (resolved != wide) {
    const std::string narrow = WideToCp932(resolved);
    target = lookup ? GetLinkNameToPath(narrow, input) : narrow;
  }
  return hr;
}

std::string TShellLink::GetLinkNameToPath(const std::string& path, const std::string& linkPath) {
  if (path.find('{') == std::string::npos) return path;
  std::wstring name = ExtractFileNameW(Cp932ToWide(linkPath));
  if (name.empty()) name = Cp932ToWide(linkPath);
  const std::string found = GetReg_AppNameToPath(WideToCp932(NameWithoutExt(name)));
  return found.empty() ? path : found;
}

std::string TShellLink::GetReg_AppNameToPath(const std::string& name) {
  TRegistry reg(AppPathsRoot, KEY_READ);
  if (!reg.OpenKeyReadOnly(AppPathsKey)) return std::string();
  const std::vector<std::wstring> keys = reg.GetKeyNames();
  const std::wstring wanted = Cp932ToWide(name);
  for (const std::wstring& key : keys) {
    TRegistry sub(AppPathsRoot, KEY_READ);
    if (!sub.OpenKeyReadOnly(AppPathsKey + L"\\" + key)) continue;
    const std::wstring v = sub.ReadString(L"");
    // The last folder name of the program's path.
    const size_t slash = v.find_last_of(L'\\');
    const std::wstring dir = slash == std::wstring::npos ? std::wstring() : v.substr(0, slash);
    const size_t s2 = dir.find_last_of(L"\\:");
    const std::wstring folderName = s2 == std::wstring::npos ? dir : dir.substr(s2 + 1);
    if (folderName == wanted) return WideToCp932(v);
  }
  return std::string();
}

LPITEMIDLIST TShellLink::GetWideLinkToItemId(const std::wstring& linkPath, HWND owner) {
  ComScope com;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  LPITEMIDLIST items = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
  if (hr == S_OK) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (hr == S_OK) hr = file->Load(linkPath.c_str(), 0);
  if (hr == S_OK) hr = link->Resolve(owner, owner ? SLR_UPDATE : (SLR_NO_UI | SLR_UPDATE | SLR_NOSEARCH));
  if (hr == S_OK && link->GetIDList(&items) != S_OK) items = nullptr;
  Release(file);
  Release(link);
  return items;
}

LPITEMIDLIST TShellLink::GetLinkToItemId(const std::string& linkPath, HWND owner) {
  return GetWideLinkToItemId(Cp932ToWide(linkPath), owner);
}
