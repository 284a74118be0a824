// Minimal directory and file list boxes for the drive combo box.
//
// TDirectoryListBox lists the components of its Directory (the root first)
// and then the sub-folders of the Directory; ItemPath gives an item's full
// path. TFileListBox lists the files of its Directory. Both fill themselves
// with FindFirstFileW; texts are code page 932. Writes fire no events.
#pragma once
#include <string>
#include "framework/StdCtrls.h"

class TDirectoryListBox : public TListBox {
 public:
  explicit TDirectoryListBox(TWinControl* parent);
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& dir);
  char Drive() const { return directory_.empty() ? 0 : directory_[0]; }
  // The drive's root becomes the directory.
  void SetDrive(char letter);
  std::string ItemPath(int index);
  void UpdateList();
  // Number of items that are components of Directory (the rest are sub-folders).
  int Depth() const { return depth_; }

 private:
  std::string directory_;
  int depth_ = 0;
};

class TFileListBox : public TListBox {
 public:
  explicit TFileListBox(TWinControl* parent);
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& dir);
  void UpdateList();

 private:
  std::string directory_;
};

// Whether a folder or a file exists (code page 932 path).
bool SpareDirectoryExists(const std::string& path);
bool SpareFileExists(const std::string& path);
