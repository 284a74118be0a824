#include "spare_controls/FileLists.h"
#include <algorithm>
#include <vector>
#include "framework/Cp932.h"

namespace {
std::string WithSlash(std::string p) {
  if (!p.empty() && p.back() != '\\') p += '\\';
  return p;
}

// Names in a folder: sub-folders (dirs) or files.
std::vector<std::string> Names(const std::string& dir, bool dirs) {
  std::vector<std::string> out;
  if (dir.empty()) return out;
  std::wstring pattern = Cp932ToWide(WithSlash(dir)) + L"*";
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring n = fd.cFileName;
    if (n == L"." || n == L"..") continue;
    if (isDir == dirs) out.push_back(WideToCp932(n));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

bool SpareDirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesW(Cp932ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool SpareFileExists(const std::string& path) {
  DWORD a = GetFileAttributesW(Cp932ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

TDirectoryListBox::TDirectoryListBox(TWinControl* parent) : TListBox(parent) {}

void TDirectoryListBox::SetDirectory(const std::string& dir) {
  directory_ = dir;
  while (directory_.size() > 3 && directory_.back() == '\\') directory_.pop_back();
  UpdateList();
}

void TDirectoryListBox::SetDrive(char letter) {
  if (letter == Drive()) return;
  SetDirectory(std::string(1, letter) + ":\\");
}

std::string TDirectoryListBox::ItemPath(int index) {
  if (index < 0 || index >= Count()) return std::string();
  if (index < depth_) {
    // Components: the root, then each folder down to the directory.
    std::string path = Items().Get(0);
    for (int i = 1; i <= index; ++i) path = WithSlash(path) + Items().Get(i);
    return path;
  }
  return WithSlash(directory_) + Items().Get(index);
}

void TDirectoryListBox::UpdateList() {
  BeginUpdate();
  Clear();
  depth_ = 0;
  if (directory_.size() >= 2) {
    std::string root = directory_.substr(0, 2) + "\\";
    Items().Add(root);
    ++depth_;
    size_t start = 3;
    while (start < directory_.size()) {
      size_t end = directory_.find('\\', start);
      if (end == std::string::npos) end = directory_.size();
      if (end > start) {
        Items().Add(directory_.substr(start, end - start));
        ++depth_;
      }
      start = end + 1;
    }
    for (const std::string& n : Names(directory_, true)) Items().Add(n);
  }
  EndUpdate();
}

TFileListBox::TFileListBox(TWinControl* parent) : TListBox(parent) {}

void TFileListBox::SetDirectory(const std::string& dir) {
  directory_ = dir;
  UpdateList();
}

void TFileListBox::UpdateList() {
  BeginUpdate();
  Clear();
  for (const std::string& n : Names(directory_, false)) Items().Add(n);
  EndUpdate();
}
