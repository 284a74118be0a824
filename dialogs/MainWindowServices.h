// What the modal dialogs may ask of the main window. The main window
// implements it and registers itself; dialog tests register a fake (or hand
// one to a dialog's constructor), so that a dialog runs for real without the
// viewer behind it. Keep it narrow: a dialog that needs more of the main
// window adds one method here, with a line saying what it is for, and an
// empty answer in the fallback.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class TImageList;

namespace dialogs {

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;
  // The clipboard's text (empty when there is none).
  virtual std::wstring ClipboardText() = 0;
  // The start of the view's selection read from the file: at most maxUnits
  // UTF-16 units (the read itself is capped to what that many characters
  // take in the file's code).
  virtual std::wstring SelectedText(int maxUnits) = 0;
  // The current line number (-1 when none is known).
  virtual int64_t CurrentLine() = 0;
  // The item picked in the line-number column (code page 932); empty when
  // none is picked.
  virtual std::string PickedLineNumber() = 0;

  // The methods below answer empty unless the implementation says otherwise.
  // Edit dialogs: the "CR/LF" switch (a lone CR or LF counts as a line end).
  virtual bool CrLfSwitch() { return false; }
  // Edit dialogs: whether the main window's tool item is shown (their text
  // tools are enabled only while it is hidden).
  virtual bool ToolMenuShown() { return false; }
  // The images of the menus (may be null).
  virtual TImageList* MenuImages() { return nullptr; }
  // The main window's key routing for native windows: a key-down that it
  // dispatches itself sets handled.
  virtual void RouteKeyMessage(MSG& msg, bool& handled) {}
  // Whether the clipboard holds text (the pop-ups' paste items).
  virtual bool ClipboardHasText() { return false; }
  // Options: opens a help topic ("Vastrel.htm#Option").
  virtual void ShowHelpTopic(const std::string& topic) {}
  // Options: whether the program's shortcut stands in a shell folder (0: the
  // desktop, 9: Send To), and its creation (on) or deletion (off).
  virtual bool ProgramLinkExists(int folder) { return false; }
  virtual void SetProgramLink(int folder, bool on) {}
  // Options: whether the shell's open-with entry names the program, and its
  // registration (on) or removal (off).
  virtual bool OpenWithSet() { return false; }
  virtual void SetOpenWith(bool on) {}
  // UTF-16 windows and all five codes are offered (the code conversion dialog).
  virtual bool UnicodeMode() { return true; }
  // A path with its UNC prefix and relative parts resolved, for showing.
  virtual std::wstring NormalizePath(const std::wstring& path) { return path; }

  // The edit dialogs' replace: the last search and replacement of each
  // variant (code page 932 and UTF-16). Empty at start; not stored in the
  // settings file.
  std::string LastFindText, LastReplaceText;
  std::wstring LastFindTextWide, LastReplaceTextWide;
};

// The registered services; a fallback that answers empty when none is.
MainWindowServices& MainWindow();
// Registers services (nullptr: none); returns the previous registration.
MainWindowServices* SetMainWindowServices(MainWindowServices* services);

}  // namespace dialogs
