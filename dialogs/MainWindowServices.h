// What a dialog may reach of the main window. The main window implements this
// interface and hands it to every dialog it creates; dialog tests hand a fake.
// Keep it narrow: a dialog that needs more of the main window adds one method
// here, with a line saying what it is for.
#pragma once
#include <windows.h>

#include <string>

class TImageList;

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;

  // The "CR/LF" switch: a lone CR or LF counts as a line end.
  virtual bool CrLfSwitch() = 0;
  // Whether the main window's tool item of the edit dialogs' menu is shown
  // (the dialogs enable their text tools only while it is hidden).
  virtual bool ToolMenuShown() = 0;
  // The images of the menus (may be null).
  virtual TImageList* MenuImages() = 0;
  // The main window's key routing for native windows: a key-down that it
  // dispatches itself sets handled.
  virtual void RouteKeyMessage(MSG& msg, bool& handled) = 0;
  // The clipboard's text (empty when it holds none) and whether it holds text.
  virtual std::wstring ClipboardText() = 0;
  virtual bool ClipboardHasText() = 0;
  // The text of the selection in the open file (UTF-16), read from the file.
  virtual std::wstring SelectedText() = 0;
};
