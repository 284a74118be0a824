// What the dialogs may ask of the main window: one narrow interface that the
// main window implements and that tests replace with a fake.
#pragma once
#include <string>

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;
  // UTF-16 windows and all five codes are offered.
  virtual bool UnicodeMode() = 0;
  // A path with its UNC prefix and relative parts resolved, for showing.
  virtual std::wstring NormalizePath(const std::wstring& path) = 0;
};
