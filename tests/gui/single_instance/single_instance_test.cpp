// The single-instance start and the FileListCopyData hand-over between two
// windows of this process: a stand-in for the running copy's main window
// receives what a second start sends. Questions are answered through the
// message service.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/MessageService.h"
#include "support/paths.h"
#include "viewer/SingleInstance.h"

using testsupport::MakeTempDir;
using testsupport::WriteBytes;

namespace {

const wchar_t kClass[] = L"TVastrelFormStandIn";
const wchar_t kTitle[] = L"VastrelStandIn";

// The running copy: records every FileListCopyData and answers as the main
// window's procedure does.
struct Receiver {
  HWND hwnd = nullptr;
  bool canOpen = true;
  struct Got {
    ULONG_PTR id;
    DWORD cb;
    std::wstring text;
  };
  std::vector<Got> received;
  std::vector<std::wstring> opened;
  bool takes = true;  // what the receiver's path check answers

  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (m == WM_COPYDATA && self) {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
      if (IsFileListCopyData(cds)) {
        self->received.push_back({cds->dwData, cds->cbData, DecodeFileListCopyData(cds)});
        return ReceiveFileListCopyData(
            cds, self->canOpen,
            [self](const std::wstring& p) {
              self->opened.push_back(p);
              return self->takes;
            },
            h);
      }
    }
    return DefWindowProcW(h, m, w, l);
  }

  Receiver() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, wc.hInstance,
                           nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Receiver() { DestroyWindow(hwnd); }
};

struct Answers {
  int answer = IDNO;
  std::vector<MessageRequest> asked;
  ScopedMessageHandler scope{[this](const MessageRequest& r) {
    asked.push_back(r);
    return answer;
  }};
};

}  // namespace

TEST(FileListCopyData, SendAndReceiveBetweenTwoWindows) {
  Receiver running;
  ASSERT_NE(running.hwnd, nullptr);
  const std::wstring list = L"C:\\日本\\a.txt\r\nC:\\b.txt";
  EXPECT_TRUE(SendFilesToRunningCopy(list, true, kClass, kTitle));
  ASSERT_EQ(running.received.size(), 1u);
  EXPECT_EQ(running.received[0].id, 776u);
  EXPECT_EQ(running.received[0].cb, list.size() * 2);  // no terminator
  EXPECT_EQ(running.received[0].text, list);
  EXPECT_EQ(running.opened, (std::vector<std::wstring>{L"C:\\日本\\a.txt"}));  // the first path only

  // A busy receiver (modal dialog open, long work running) opens nothing and says so.
  running.canOpen = false;
  EXPECT_FALSE(SendFilesToRunningCopy(L"C:\\c.txt", true, kClass, kTitle));
  EXPECT_EQ(running.opened.size(), 1u);
  running.canOpen = true;

  // No such window: nothing sent.
  EXPECT_FALSE(SendFilesToRunningCopy(L"C:\\c.txt", true, kClass, L"Vastrel other"));
  EXPECT_EQ(running.received.size(), 2u);

  // A path the receiver does not take (missing, not listed): answered 0, so
  // the sending copy opens it itself.
  running.takes = false;
  EXPECT_FALSE(SendFilesToRunningCopy(L"C:\\missing.txt", true, kClass, kTitle));
  running.takes = true;
  running.opened.pop_back();

  // An empty list: cbData 0, nothing taken, answered 0.
  EXPECT_FALSE(SendFilesToRunningCopy(L"", true, kClass, kTitle));
  EXPECT_EQ(running.received.back().cb, 0u);
  EXPECT_EQ(running.opened.size(), 1u);

  // The narrow form carries code page 932 bytes.
  EXPECT_TRUE(SendFileListTo(running.hwnd, L"C:\\日本.txt", false));
  EXPECT_EQ(running.received.back().cb, 11u);

  // An odd byte count: the last byte is ignored.
  const wchar_t units[] = L"C:\\x";
  COPYDATASTRUCT cds = {776, 7, const_cast<wchar_t*>(units)};
  EXPECT_EQ(SendMessageW(running.hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
  EXPECT_EQ(running.received.back().text, L"C:\\");
  // Another identifier is not FileListCopyData.
  COPYDATASTRUCT other = {0, 0, nullptr};
  EXPECT_FALSE(IsFileListCopyData(&other));
}

TEST(FileListCopyData, ReceiverRestoresAMinimisedWindow) {
  Receiver running;
  ShowWindow(running.hwnd, SW_SHOWMINIMIZED);
  ASSERT_TRUE(IsIconic(running.hwnd));
  EXPECT_TRUE(SendFilesToRunningCopy(L"C:\\a.txt", true, kClass, kTitle));
  EXPECT_FALSE(IsIconic(running.hwnd));
}

TEST(SecondStart, QuestionAndHandOver) {
  Receiver running;
  Answers answers;
  WideApiMode = true;
  std::wstring dir = MakeTempDir(L"second");
  ASSERT_TRUE(CreateDirectoryW((dir + L"\\My Dir").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(dir + L"\\My Dir\\a b.txt", "x"));
  ASSERT_TRUE(WriteBytes(dir + L"\\two.txt", "x"));
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));

  // Yes: a further copy starts; nothing is sent.
  answers.answer = IDYES;
  EXPECT_FALSE(ConfirmSecondStart({L"prog", L"two.txt"}, kClass, kTitle));
  ASSERT_EQ(answers.asked.size(), 1u);
  EXPECT_EQ(answers.asked[0].text, L"「Vastrel」を、新たに起動しますか？");
  EXPECT_EQ(answers.asked[0].caption, L"多重起動の確認");
  EXPECT_EQ(answers.asked[0].flags, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
  EXPECT_EQ(answers.asked[0].owner, nullptr);
  EXPECT_TRUE(running.received.empty());

  // No with two files, one split by the shell at its blanks, one relative:
  // both arrive as absolute paths in one message, and this copy ends.
  answers.answer = IDNO;
  std::vector<std::wstring> args = {L"prog", dir + L"\\My", L"Dir\\a", L"b.txt", L"two.txt"};
  EXPECT_TRUE(ConfirmSecondStart(args, kClass, kTitle));
  ASSERT_EQ(running.received.size(), 1u);
  EXPECT_EQ(running.received[0].text, dir + L"\\My Dir\\a b.txt\r\n" + dir + L"\\two.txt");

  // No without arguments: an empty list is sent, and this copy goes on.
  EXPECT_FALSE(ConfirmSecondStart({L"prog"}, kClass, kTitle));
  ASSERT_EQ(running.received.size(), 2u);
  EXPECT_EQ(running.received[1].cb, 0u);

  // The running copy cannot take the files now: this copy goes on and opens them itself.
  running.canOpen = false;
  EXPECT_FALSE(ConfirmSecondStart({L"prog", L"two.txt"}, kClass, kTitle));
  running.canOpen = true;

  // No running window found (still starting, or another caption): go on as well.
  EXPECT_FALSE(ConfirmSecondStart({L"prog", L"two.txt"}, kClass, L"no such title"));
}

TEST(SecondStart, MutexSteps) {
  Receiver running;
  Answers answers;
  const std::wstring name = L"VastrelTestMutex" + std::to_wstring(GetCurrentProcessId());
  SingleInstanceGuard first;
  ASSERT_EQ(BeginSingleInstance(first, {L"prog"}, name.c_str(), kClass, kTitle), StartDecision::Run);
  EXPECT_TRUE(first.owner);
  EXPECT_NE(first.mutex, nullptr);
  EXPECT_TRUE(answers.asked.empty());  // the first copy asks nothing

  // Second start answered Yes: runs with the mutex only opened; its end shows no error.
  answers.answer = IDYES;
  SingleInstanceGuard second;
  EXPECT_EQ(BeginSingleInstance(second, {L"prog"}, name.c_str(), kClass, kTitle), StartDecision::Run);
  EXPECT_FALSE(second.owner);
  EXPECT_NE(second.mutex, nullptr);
  EXPECT_EQ(answers.asked.size(), 1u);
  EXPECT_TRUE(WideApiMode);
  EndSingleInstance(second);

  // Second start answered No with a file: hands it over and ends at once.
  answers.answer = IDNO;
  std::wstring dir = MakeTempDir(L"mutex");
  ASSERT_TRUE(WriteBytes(dir + L"\\f.txt", "x"));
  SingleInstanceGuard third;
  EXPECT_EQ(BeginSingleInstance(third, {L"prog", dir + L"\\f.txt"}, name.c_str(), kClass, kTitle),
            StartDecision::Exit);
  EXPECT_EQ(third.mutex, nullptr);
  EXPECT_EQ(running.opened, (std::vector<std::wstring>{dir + L"\\f.txt"}));

  EndSingleInstance(first);
  EXPECT_EQ(answers.asked.size(), 2u);  // the two questions, no mutex errors
  // Released and closed: a new start is a first copy again.
  SingleInstanceGuard again;
  EXPECT_EQ(BeginSingleInstance(again, {L"prog"}, name.c_str(), kClass, kTitle), StartDecision::Run);
  EXPECT_TRUE(again.owner);
  EndSingleInstance(again);
  EXPECT_EQ(answers.asked.size(), 2u);
}

TEST(SecondStart, RacingStartAndMissingMutex) {
  Receiver running;
  Answers answers;
  answers.answer = IDYES;
  const std::wstring name = L"VastrelTestMutexC" + std::to_wstring(GetCurrentProcessId());
  HANDLE created = nullptr;
  // Another copy created the mutex between this copy's open and create.
  MutexCalls old = SetMutexCalls({[](const wchar_t*) -> HANDLE { return nullptr; },
                                  [&](const wchar_t* n, DWORD* err) {
                                    created = CreateMutexW(nullptr, FALSE, n);  // an existing, unowned mutex
                                    *err = ERROR_ALREADY_EXISTS;
                                    return created;
                                  }});
  SingleInstanceGuard racing;
  EXPECT_EQ(BeginSingleInstance(racing, {L"prog"}, name.c_str(), kClass, kTitle), StartDecision::Run);
  EXPECT_EQ(answers.asked.size(), 1u);  // asked as a second start
  EXPECT_FALSE(racing.owner);           // so its end does not try to release
  EXPECT_EQ(racing.mutex, created);
  EndSingleInstance(racing);

  // The mutex cannot be created at all: run without single instance, no end errors.
  SetMutexCalls({[](const wchar_t*) -> HANDLE { return nullptr; },
                 [](const wchar_t*, DWORD* err) -> HANDLE {
                   *err = ERROR_ACCESS_DENIED;
                   return nullptr;
                 }});
  SingleInstanceGuard none;
  EXPECT_EQ(BeginSingleInstance(none, {L"prog"}, name.c_str(), kClass, kTitle), StartDecision::Run);
  EXPECT_EQ(none.mutex, nullptr);
  EndSingleInstance(none);
  SetMutexCalls(old);
  EXPECT_EQ(answers.asked.size(), 1u);
}

TEST(SecondStart, EndStepsReportFailures) {
  Answers answers;
  answers.answer = IDOK;
  const std::wstring name = L"VastrelTestMutexB" + std::to_wstring(GetCurrentProcessId());
  HANDLE notOwned = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(notOwned, nullptr);
  SingleInstanceGuard g;
  g.mutex = notOwned;
  g.owner = true;  // release fails: this thread does not own it
  EndSingleInstance(g);
  ASSERT_EQ(answers.asked.size(), 1u);
  EXPECT_EQ(answers.asked[0].text, L"所有権を解除 Error");
  EXPECT_EQ(answers.asked[0].flags, static_cast<UINT>(MB_OK));
  SingleInstanceGuard bad;
  bad.mutex = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FF0));  // no such handle
  EndSingleInstance(bad);
  ASSERT_EQ(answers.asked.size(), 2u);
  EXPECT_EQ(answers.asked[1].text, L"CloseHandle Error");
  answers.asked.pop_back();
  // Running without single instance: no release, no close, no message.
  SingleInstanceGuard none;
  EndSingleInstance(none);
  EXPECT_EQ(answers.asked.size(), 1u);
}

TEST(SecondStart, FirstCopyJoinsItsOwnArguments) {
  std::wstring dir = MakeTempDir(L"param");
  ASSERT_TRUE(WriteBytes(dir + L"\\A B.txt", "x"));
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  // The name as stored on disk, made absolute.
  EXPECT_EQ(JoinParamPathWide({L"prog", L"a b.TXT"}, 1, true), dir + L"\\A B.txt");
  EXPECT_EQ(JoinParamPathWide({L"prog", L"A", L"B.txt", L"more"}, 1, true), dir + L"\\A B.txt");
  EXPECT_EQ(JoinParamPathWide({L"prog"}, 1, true), L"");
  int index = 1;
  EXPECT_EQ(JoinPathArgsWide({L"prog", L"A", L"B.txt", L"x"}, index), L"A B.txt");
  EXPECT_EQ(index, 2);
}

TEST(SecondStart, WideApiSystem) { EXPECT_TRUE(IsWideApiSystem()); }
