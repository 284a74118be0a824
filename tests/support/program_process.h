// Vastrel.exe started as another process would start it, from a folder of
// its own; ended (killed) with the object when it still runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct ProgramProcess {
  PROCESS_INFORMATION pi = {};
  bool Start(const std::wstring& dir, const std::wstring& args) {
    std::wstring cmd = L"\"" + dir + L"\\Vastrel.exe\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {sizeof si};
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    // Under wine a start can fail now and then while other processes start: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (attempt) Sleep(200);
      if (CreateProcessW(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return true;
    }
    return false;
  }
  bool Exited() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD c = 0;
    GetExitCodeProcess(pi.hProcess, &c);
    return c;
  }
  // Ends the process at once, as a kill from outside would.
  void Kill() {
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
  }
  ~ProgramProcess() {
    if (pi.hProcess) {
      if (!Exited()) Kill();
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  }
};

}  // namespace testsupport
