// The one service through which every question and notice reaches the
// user, and the one through which every common file dialog runs. Tests
// replace either with a handler that reads the request and gives the answer,
// so no test waits for a window.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

struct MessageRequest {
  std::wstring text;         // UTF-16 form of the text
  std::string textCp932;     // code page 932 form of the same text
  std::wstring caption;
  std::string captionCp932;
  UINT flags = 0;            // MB_* flags as given
  HWND owner = nullptr;
  bool wide = false;         // asked through a wide entry (text may lack a code page 932 form)
};

using MessageHandler = std::function<int(const MessageRequest&)>;

// Replaces the message boxes by handler (nullptr restores the real ones);
// returns the previous handler. The handler's result is the answer (IDOK,
// IDYES, IDNO, ...).
MessageHandler SetMessageHandler(MessageHandler handler);

// Caption of ShowMessage and of the boxes that use the application title;
// the application sets it with its title. Initially "Vastrel".
void SetMessageTitle(const std::wstring& title);
std::wstring MessageTitle();

// Every box is owned by the program's active form (given owner == nullptr):
// the innermost modal form, else the active form of the GUI thread, else the
// main form; that form is disabled while the box shows. Boxes asked for from
// another thread keep the owner they were given.
HWND DefaultMessageOwner();

// How many boxes, file dialogs and modal forms of the program are open now
// (nested ones counted each); 0 when the program waits for no answer.
int OpenModalCount();
// Counts one open modal thing for its lifetime.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

// Plain notice (OK button) captioned with the application title.
void ShowMessage(const std::string& textCp932);
void ShowMessageWide(const std::wstring& text);
// A message box; returns IDYES, IDNO, IDOK, ... (0 when it could not be shown).
int MessageBoxCp932(const std::string& text, const std::string& caption, UINT flags, HWND owner = nullptr);
int MessageBoxWide(const std::wstring& text, const std::wstring& caption, UINT flags, HWND owner = nullptr);

// The system's message text for an error code (trailing line ends removed);
// "Error <code>" when the system has none.
std::wstring SystemErrorTextWide(DWORD code);

// Installs a handler for the lifetime of the object (tests).
class ScopedMessageHandler {
 public:
  explicit ScopedMessageHandler(MessageHandler handler) : previous_(SetMessageHandler(std::move(handler))) {}
  ~ScopedMessageHandler() { SetMessageHandler(previous_); }
  ScopedMessageHandler(const ScopedMessageHandler&) = delete;
  ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

 private:
  MessageHandler previous_;
};

// ---- file dialogs ----

// What a file dialog was asked with: the fields of the OPENFILENAMEW record.
struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::wstring initialFile;  // buffer content up to its first NUL
  DWORD bufferChars = 0;     // nMaxFile
  std::wstring filter;       // lpstrFilter up to its double NUL (NUL separators kept)
  DWORD filterIndex = 0;
  std::wstring initialDir;
  std::wstring defExt;
  std::wstring title;
  DWORD flags = 0;
  DWORD structSize = 0;
};

// A replacement returns false for a cancelled dialog, or true and the text
// that the dialog would leave in the buffer (several texts separated by NUL
// for a multiple choice; the service adds the ending NULs).
using FileDialogHandler = std::function<bool(const FileDialogRequest&, std::wstring& buffer)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// Runs GetOpenFileNameW or GetSaveFileNameW on ofn, or the replacement, which
// then fills ofn.lpstrFile (cut to nMaxFile - 2 units, ended by two NULs).
bool RunFileDialog(OPENFILENAMEW& ofn, bool save);

class ScopedFileDialogHandler {
 public:
  explicit ScopedFileDialogHandler(FileDialogHandler handler) : previous_(SetFileDialogHandler(std::move(handler))) {}
  ~ScopedFileDialogHandler() { SetFileDialogHandler(previous_); }
  ScopedFileDialogHandler(const ScopedFileDialogHandler&) = delete;
  ScopedFileDialogHandler& operator=(const ScopedFileDialogHandler&) = delete;

 private:
  FileDialogHandler previous_;
};

// ---- folder dialog

// What the folder dialog was asked with (the fields of BROWSEINFOW).
struct FolderDialogRequest {
  HWND owner = nullptr;
  std::wstring title;  // lpszTitle
  UINT flags = 0;      // ulFlags
  bool hasRoot = false;
};
// A replacement returns false for a cancelled dialog, or true and the folder.
using FolderDialogHandler = std::function<bool(const FolderDialogRequest&, std::wstring& folder)>;
FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler);

// Lets the user pick a file-system folder (SHBrowseForFolderW, no root), or
// asks the replacement. False when cancelled or when the choice is no folder
// of the file system.
bool RunFolderDialog(HWND owner, const std::wstring& title, std::wstring& folder);

class ScopedFolderDialogHandler {
 public:
  explicit ScopedFolderDialogHandler(FolderDialogHandler handler)
      : previous_(SetFolderDialogHandler(std::move(handler))) {}
  ~ScopedFolderDialogHandler() { SetFolderDialogHandler(previous_); }
  ScopedFolderDialogHandler(const ScopedFolderDialogHandler&) = delete;
  ScopedFolderDialogHandler& operator=(const ScopedFolderDialogHandler&) = delete;

 private:
  FolderDialogHandler previous_;
};
