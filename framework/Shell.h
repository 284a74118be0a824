// The one service through which the program asks the shell to open
// something (ShellExecuteW): a web address in the browser, a folder in the
// file manager. Tests replace it with a handler that records the request and
// gives the result.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

struct ShellExecuteRequest {
  HWND owner = nullptr;
  std::wstring verb;        // empty: the default verb
  std::wstring file;
  std::wstring parameters;  // empty: none
  std::wstring directory;   // empty: none
  int show = SW_SHOW;
};

// The handler's result stands for ShellExecuteW's: above 32 on success,
// otherwise the error value (SE_ERR_NOASSOC, ...).
using ShellExecuteHandler = std::function<INT_PTR(const ShellExecuteRequest&)>;
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);

// ShellExecuteW with the request's fields (empty texts passed as null), or
// the replacement.
INT_PTR RunShellExecute(const ShellExecuteRequest& request);

// Opens a web address in the user's browser; when no program is associated
// with it, offers the shell's open-with choice for it instead. The result of
// the last shell call. Only "http://" and "https://" addresses
// (updatetext::IsWebAddress) reach the shell: anything else gives
// SE_ERR_ACCESSDENIED without a shell call.
INT_PTR OpenUrl(HWND owner, const std::wstring& address);

class ScopedShellExecuteHandler {
 public:
  explicit ScopedShellExecuteHandler(ShellExecuteHandler handler)
      : previous_(SetShellExecuteHandler(std::move(handler))) {}
  ~ScopedShellExecuteHandler() { SetShellExecuteHandler(previous_); }
  ScopedShellExecuteHandler(const ScopedShellExecuteHandler&) = delete;
  ScopedShellExecuteHandler& operator=(const ScopedShellExecuteHandler&) = delete;

 private:
  ShellExecuteHandler previous_;
};
