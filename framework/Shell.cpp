#include "framework/Shell.h"

#include "text/UpdateText.h"

#include <mutex>

namespace {
std::mutex g_lock;
ShellExecuteHandler g_handler;

const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }
}  // namespace

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
  std::lock_guard<std::mutex> l(g_lock);
  ShellExecuteHandler old = std::move(g_handler);
  g_handler = std::move(handler);
  return old;
}

INT_PTR RunShellExecute(const ShellExecuteRequest& r) {
  ShellExecuteHandler h;
  {
    std::lock_guard<std::mutex> l(g_lock);
    h = g_handler;
  }
  if (h) return h(r);
  return reinterpret_cast<INT_PTR>(
      ShellExecuteW(r.owner, OrNull(r.verb), OrNull(r.file), OrNull(r.parameters), OrNull(r.directory), r.show));
}

INT_PTR OpenUrl(HWND owner, const std::wstring& address) {
  // A settings file naming a program must not make the shell run it.
  if (!updatetext::IsWebAddress(address)) return SE_ERR_ACCESSDENIED;
  ShellExecuteRequest r;
  r.owner = owner;
  r.verb = L"open";
  r.file = address;
  INT_PTR result = RunShellExecute(r);
  if (result != SE_ERR_NOASSOC) return result;
  // No program takes the address: the shell's open-with choice.
  r.verb.clear();
  r.file = L"rundll32.exe";
  r.parameters = L"shell32.dll,OpenAs_RunDLL " + address;
  return RunShellExecute(r);
}
