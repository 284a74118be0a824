// Starts Vastrel.exe as a process, as a user or the shell would, and talks to
// it as another program does: the second-start question answered in its
// message box, the hand-over received by a stand-in of the running copy.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "support/paths.h"
#include "support/program_process.h"

namespace {

const DWORD kWaitMs = 30000;

// Runs the messages of this thread (the stand-in window must answer the
// child's SendMessage) until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = kWaitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

struct Found {
  DWORD pid;
  std::wstring cls;
  std::wstring text;  // empty: any
  HWND hwnd;
};

BOOL CALLBACK FindProc(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != f->pid) return TRUE;
  wchar_t cls[128] = {}, text[256] = {};
  GetClassNameW(h, cls, 128);
  GetWindowTextW(h, text, 256);
  if (f->cls == cls && (f->text.empty() || f->text == text)) {
    f->hwnd = h;
    return FALSE;
  }
  return TRUE;
}

HWND WindowOf(DWORD pid, const std::wstring& cls, const std::wstring& text = L"") {
  Found f{pid, cls, text, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&f));
  return f.hwnd;
}

std::wstring BoxText(HWND box) {
  // The message text is the box's static control with id 0xFFFF.
  wchar_t t[512] = {};
  GetDlgItemTextW(box, 0xFFFF, t, 512);
  return t;
}

// A program folder of its own for each run: the program file copied there.
std::wstring FreshProgramFolder() {
  std::wstring dir = testsupport::MakeTempDir(L"e2e");
  std::wstring exe = dir + L"\\Vastrel.exe";
  CopyFileW((testsupport::ExeDir() + L"\\Vastrel.exe").c_str(), exe.c_str(), FALSE);
  return dir;
}

using Child = testsupport::ProgramProcess;

// Stand-in of a running copy: the mutex and a window of the main window's
// class and title that records the hand-overs it receives.
struct RunningCopy {
  HANDLE mutex = nullptr;
  HWND hwnd = nullptr;
  static std::vector<std::pair<ULONG_PTR, std::wstring>>* received;
  static std::vector<DWORD>* sizes;
  std::vector<std::pair<ULONG_PTR, std::wstring>> got;
  std::vector<DWORD> gotSizes;

  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COPYDATA) {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(l);
      received->push_back({cds->dwData, std::wstring(static_cast<wchar_t*>(cds->lpData), cds->cbData / 2)});
      sizes->push_back(cds->cbData);
      return 1;
    }
    return DefWindowProcW(h, m, w, l);
  }
  RunningCopy() {
    received = &got;
    sizes = &gotSizes;
    mutex = CreateMutexA(nullptr, TRUE, "Vastrel");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TVastrelForm";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, L"TVastrelForm", L"Vastrel", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  ~RunningCopy() {
    DestroyWindow(hwnd);
    UnregisterClassW(L"TVastrelForm", GetModuleHandleW(nullptr));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
};
std::vector<std::pair<ULONG_PTR, std::wstring>>* RunningCopy::received = nullptr;
std::vector<DWORD>* RunningCopy::sizes = nullptr;

// Waits for the second-start question and answers it.
bool Answer(Child& c, int button, std::wstring* text = nullptr) {
  HWND box = nullptr;
  if (!PumpUntil([&] { return (box = WindowOf(c.pi.dwProcessId, L"#32770", L"多重起動の確認")) != nullptr || c.Exited(); }))
    return false;
  if (!box) return false;
  if (text) *text = BoxText(box);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  return true;
}

// Any message box of the process (an error at its end would show as one).
bool HasBox(Child& c) { return WindowOf(c.pi.dwProcessId, L"#32770") != nullptr; }

}  // namespace

TEST(SingleInstance, SecondStartAnsweredNoHandsBothFilesOverAndEnds) {
  std::wstring dir = FreshProgramFolder();
  ASSERT_TRUE(testsupport::WriteBytes(dir + L"\\a.txt", "a"));
  ASSERT_TRUE(testsupport::WriteBytes(dir + L"\\b b.txt", "b"));
  RunningCopy running;
  Child c;
  // Relative names, the second with a blank and not quoted.
  ASSERT_TRUE(c.Start(dir, L"a.txt b b.txt"));
  std::wstring question;
  ASSERT_TRUE(Answer(c, IDNO, &question));
  EXPECT_EQ(question, L"「Vastrel」を、新たに起動しますか？");
  bool sawWindow = false;
  ASSERT_TRUE(PumpUntil([&] {
    sawWindow = sawWindow || WindowOf(c.pi.dwProcessId, L"TVastrelForm") != nullptr;
    return c.Exited();
  }));
  EXPECT_FALSE(sawWindow);
  EXPECT_EQ(c.ExitCode(), 0u);
  ASSERT_EQ(running.got.size(), 1u);
  EXPECT_EQ(running.got[0].first, 776u);
  // Full paths joined by CR LF, no terminator.
  EXPECT_EQ(running.got[0].second, dir + L"\\a.txt\r\n" + dir + L"\\b b.txt");
  EXPECT_EQ(running.gotSizes[0], running.got[0].second.size() * 2);
}

TEST(SingleInstance, SecondStartAnsweredYesRunsAFurtherCopyWithoutErrors) {
  std::wstring dir = FreshProgramFolder();
  RunningCopy running;
  Child c;
  ASSERT_TRUE(c.Start(dir, L""));
  ASSERT_TRUE(Answer(c, IDYES));
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = WindowOf(c.pi.dwProcessId, L"TVastrelForm")) != nullptr; }));
  PumpUntil([&] { return IsWindowVisible(main) != 0; }, 5000);
  PostMessageW(main, WM_CLOSE, 0, 0);
  bool box = false;
  ASSERT_TRUE(PumpUntil([&] {
    box = box || HasBox(c);
    return c.Exited() || box;
  }));
  EXPECT_FALSE(box) << "a message box appeared at the end";
  EXPECT_TRUE(running.got.empty());
}

TEST(SingleInstance, SecondStartWithoutArgumentsAnsweredNoSendsAnEmptyListAndRuns) {
  std::wstring dir = FreshProgramFolder();
  RunningCopy running;
  Child c;
  ASSERT_TRUE(c.Start(dir, L""));
  ASSERT_TRUE(Answer(c, IDNO));
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = WindowOf(c.pi.dwProcessId, L"TVastrelForm")) != nullptr; }));
  ASSERT_EQ(running.got.size(), 1u);
  EXPECT_EQ(running.got[0].first, 776u);
  EXPECT_EQ(running.gotSizes[0], 0u);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return c.Exited(); }));
}

TEST(SingleInstance, RealFirstCopyOpensTheHandedOverFile) {
  std::wstring dir = FreshProgramFolder();
  std::wstring logs = dir + L"\\logs";
  ASSERT_TRUE(CreateDirectoryW(logs.c_str(), nullptr));
  ASSERT_TRUE(testsupport::WriteBytes(logs + L"\\today.log", "line\r\n"));
  Child first;
  ASSERT_TRUE(first.Start(dir, L""));
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = WindowOf(first.pi.dwProcessId, L"TVastrelForm")) != nullptr; }));
  PumpUntil([&] { return IsWindowVisible(main) != 0; }, 5000);
  {
    Child second;
    ASSERT_TRUE(second.Start(dir, L"logs\\today.log"));
    ASSERT_TRUE(Answer(second, IDNO));
    ASSERT_TRUE(PumpUntil([&] { return second.Exited(); }));
    EXPECT_EQ(second.ExitCode(), 0u);
  }
  // The first copy took the file's folder as its last folder; it writes it at close.
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return first.Exited(); }));
  bool ok = false;
  std::string last = testsupport::ReadBytes(dir + L"\\data\\path.txt", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(last.data()), last.size() / 2), logs);
}
