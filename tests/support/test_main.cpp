// Shared main of every test executable. The Japanese behaviour of the program
// depends on code page 932 being the system's ANSI code page; a test run under
// another locale would pass or fail by accident, so it stops here loudly.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cstdlib>

namespace {

// Waits until every other thread of this process has come through its start-up.
// GoogleTest starts a thread of its own at the first assertion (it watches the
// asserting thread's end); a test program that finishes within moments of that
// would end the process while the thread is still being set up, which wine does
// not survive (the process dies by a signal after all tests passed). Stopping a
// thread and reading its registers returns only once it runs its own code.
void WaitForThreadStartUps() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 te;
  te.dwSize = sizeof te;
  for (BOOL more = Thread32First(snap, &te); more; more = Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != GetCurrentProcessId() || te.th32ThreadID == GetCurrentThreadId()) continue;
    HANDLE t = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, te.th32ThreadID);
    if (!t) continue;
    if (SuspendThread(t) != static_cast<DWORD>(-1)) {
      CONTEXT c = {};
      c.ContextFlags = CONTEXT_CONTROL;
      GetThreadContext(t, &c);
      ResumeThread(t);
    }
    CloseHandle(t);
  }
  CloseHandle(snap);
}

}  // namespace

int main(int argc, char** argv) {
  if (GetACP() != 932 && !std::getenv("VASTREL_ALLOW_ANY_CODEPAGE")) {
    std::fprintf(stderr,
                 "FATAL: the ANSI code page is %u, not 932. Run the tests with "
                 "LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 (scripts/test does).\n",
                 GetACP());
    return 2;
  }
  testing::InitGoogleTest(&argc, argv);
  // COM on the test thread, as the program has it from its start.
  const HRESULT com = CoInitialize(nullptr);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  WaitForThreadStartUps();
  return result;
}
