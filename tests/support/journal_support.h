// What the journal tests share: the bytes of their files and the program that
// runs one operation and ends itself (tests/unit/journal_recovery).
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/paths.h"

namespace testsupport {

// n bytes that differ at every place; seed picks the run.
inline std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u + seed * 7919u;
  for (auto& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

// Runs journal_victim (beside the test) with args; its exit code, and what it
// printed in *out when out is given. -1 when it could not start.
inline int RunVictim(const std::wstring& args, std::string* out = nullptr) {
  std::wstring cmd = L"\"" + ExeDir() + L"\\journal_victim.exe\" " + args;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE rd = nullptr, wr = nullptr;
  if (!CreatePipe(&rd, &wr, &sa, 0)) return -1;
  SetHandleInformation(rd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = wr;
  si.hStdError = wr;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  // Under wine a start can fail while many processes start at once: try again.
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt) Sleep(200);
    started = CreateProcessW(nullptr, buf.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi) != 0;
  }
  CloseHandle(wr);
  std::string text;
  char chunk[512];
  DWORD n = 0;
  while (started && ReadFile(rd, chunk, sizeof chunk, &n, nullptr) && n) text.append(chunk, n);
  CloseHandle(rd);
  if (out) *out = text;
  if (!started) return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

// The names in folder (no "." and ".."), sorted.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (s == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(s, &fd));
  FindClose(s);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
