#include "viewer/PathRoutines.h"

#include "framework/FileOps.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "framework/Cp932.h"
#include "framework/MessageService.h"

bool HasQueryFullProcessImageNameW() {
  HMODULE k = GetModuleHandleW(L"kernel32.dll");
  return k && GetProcAddress(k, "QueryFullProcessImageNameW") != nullptr;
}

bool FindFirstFileAny(const std::wstring& path, WIN32_FIND_DATAW* found) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW fd;
  if (!fileops::Files().FindFirst(path, &fd)) {
    const std::wstring longForm = pathtext::LongPathForm(path);
    if (longForm == path || !fileops::Files().FindFirst(longForm, &fd)) return false;
  }
  if (found) *found = fd;
  return true;
}

namespace {
bool NarrowFileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesA(WideToCp932(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
bool NarrowDirectoryExists(const std::wstring& path) {
  DWORD a = GetFileAttributesA(WideToCp932(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool WideDirectoryExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool FileExistsEx(const std::wstring& path, bool unicodeMode) {
  if (!unicodeMode) return NarrowFileExists(path);
  // A pattern would match other names; only a plain name is an existence test.
  if (path.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW fd;
  return FindFirstFileAny(path, &fd) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExistsEx(const std::wstring& path, bool unicodeMode, bool sysnativeUnc) {
  if (!unicodeMode) return NarrowDirectoryExists(path);
  if (path.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(path.c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  if (path.compare(0, 2, L"\\\\") == 0) return WideDirectoryExists(pathtext::LongPathForm(path, sysnativeUnc));
  return WideDirectoryExists(path);
}

std::wstring LongFileName(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  if (path.find_first_of(L"*?") != std::wstring::npos || !FindFirstFileAny(path, &fd)) return path;
  return pathtext::ExtractDirWide(path) + fd.cFileName;
}

std::wstring FullPathName(const std::wstring& path) {
  if (path.empty()) return path;
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::vector<wchar_t> buf(n + 1);
  DWORD got = GetFullPathNameW(path.c_str(), n + 1, buf.data(), nullptr);
  if (got == 0 || got > n) return path;
  return std::wstring(buf.data(), got);
}

std::wstring FileDialog(HWND owner, const std::wstring& initialName, DWORD addFlags, bool save,
                        const std::wstring& defExt, const std::wstring& filter, const std::wstring& initialDir) {
  const DWORD size = (addFlags & OFN_ALLOWMULTISELECT) ? 49152 : 1024;
  std::vector<wchar_t> buffer(size, L'\0');
  std::wstring name = initialName;
  std::wstring folder = initialDir;
  if (FileExistsEx(initialDir, true)) {
    // A file given as the folder: its name goes into the name box (unless a
    // name is given) and the dialog starts in the file's folder.
    if (name.empty()) name = pathtext::ExtractNameWide(initialDir);
    folder = pathtext::ExtractDriveDirWide(initialDir);
  }
  name.copy(buffer.data(), std::min<size_t>(name.size(), size - 1));

  std::wstring filterNul = pathtext::NulSeparate(filter);
  static_assert(sizeof(OPENFILENAMEW) == 88 || sizeof(void*) != 4, "88-byte dialog record on 32-bit");
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(OPENFILENAMEW);
  ofn.hwndOwner = owner;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = size;
  ofn.lpstrFilter = filterNul.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(pathtext::FilterIndexFor(filter, defExt));
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
  if (save) {
    ofn.Flags = addFlags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    ofn.lpstrTitle = L"ファイルを保存";
  } else {
    ofn.Flags = addFlags | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    ofn.lpstrTitle = L"ファイルを開く";
  }
  if (!RunFileDialog(ofn, save)) return std::wstring();
  buffer[size - 1] = L'\0';
  buffer[size - 2] = L'\0';
  if (save) return std::wstring(buffer.data());
  // The buffer's texts up to the empty one that ends the list.
  size_t end = 0;
  while (end + 1 < size && !(buffer[end] == L'\0' && (end == 0 || buffer[end - 1] == L'\0'))) ++end;
  return pathtext::SplitMultiSelect(std::wstring(buffer.data(), end));
}
