// Worker threads under wine: synchronise calls, waits that serve them,
// terminate, cooperative suspend, OnTerminate and FreeOnTerminate, and
// exceptions that must not leave a thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "framework/MessageService.h"
#include "framework/Thread.h"

namespace {

class FuncThread : public TThread {
 public:
  explicit FuncThread(std::function<void(FuncThread&)> body) : body_(std::move(body)) {}
  ~FuncThread() override {
    StopAndWait();
    if (destroyed) destroyed->store(true);
  }
  using TThread::CheckSuspended;
  using TThread::SleepUnlessTerminated;
  using TThread::Synchronize;
  std::atomic<bool>* destroyed = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(FuncThread&)> body_;
};

// Serves synchronise calls on this (GUI) thread until done() holds.
void PumpUntil(const std::function<bool()>& done) {
  while (!done()) {
    CheckSynchronize();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
}

}  // namespace

TEST(Thread, SynchronizeRunsOnTheGuiThreadWhileWaitForServes) {
  ASSERT_TRUE(IsGuiThread());
  const DWORD gui = GetCurrentThreadId();
  std::vector<DWORD> ranOn;
  int counter = 0;
  FuncThread t([&](FuncThread& self) {
    for (int i = 0; i < 50; ++i) self.Synchronize([&] {
        ranOn.push_back(GetCurrentThreadId());
        ++counter;
      });
    self.ReturnValue = 42;
  });
  EXPECT_TRUE(t.Suspended());  // created suspended: nothing runs before Resume
  EXPECT_EQ(counter, 0);
  ASSERT_TRUE(t.Resume());
  EXPECT_EQ(t.WaitFor(), 42);
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(counter, 50);
  for (DWORD id : ranOn) EXPECT_EQ(id, gui);
}

TEST(Thread, AMessageLoopServesRequestsThroughTheWakeUpWindow) {
  // Only GetMessage/DispatchMessage: the posted wake-up reaches the hidden window.
  bool ran = false;
  FuncThread t([&](FuncThread& self) {
    self.Synchronize([&] {
      ran = true;
      PostQuitMessage(0);
    });
  });
  t.Resume();
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  EXPECT_TRUE(ran);
  t.WaitFor();
}

TEST(Thread, TerminateWakesASleepingBody) {
  std::atomic<int> rounds{0};
  FuncThread t([&](FuncThread& self) {
    while (self.SleepUnlessTerminated(60000)) ++rounds;
  });
  t.Resume();
  t.Terminate();
  EXPECT_TRUE(t.Terminated());
  t.WaitFor();  // returns long before the minute
  EXPECT_TRUE(t.Finished());
}

TEST(Thread, CooperativeSuspendAndResume) {
  int round = 0;
  FuncThread* tp = nullptr;
  FuncThread t([&](FuncThread& self) {
    while (self.CheckSuspended()) {
      self.Synchronize([&] {
        ++round;
        if (round == 3) tp->Suspend();  // asked from the GUI thread while the body waits here
        if (round == 6) tp->Terminate();
      });
    }
  });
  tp = &t;
  t.Resume();
  PumpUntil([&] { return round >= 3; });
  EXPECT_TRUE(t.Suspended());
  // The suspended body asks for nothing more.
  DWORD until = GetTickCount() + 150;
  while (GetTickCount() < until) {
    CheckSynchronize();
    Sleep(5);
  }
  EXPECT_EQ(round, 3);
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(round, 6);
}

TEST(Thread, TerminateEndsASuspendedBodyAndNeverStartedThreadsNeedNoWait) {
  bool started = false;
  FuncThread t([&](FuncThread& self) {
    self.Synchronize([&] { started = true; });
    while (self.CheckSuspended()) self.SleepUnlessTerminated(5);
  });
  t.Resume();
  PumpUntil([&] { return started; });
  t.Suspend();
  t.Terminate();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());

  FuncThread never([](FuncThread&) { FAIL() << "must not run"; });
  EXPECT_EQ(never.WaitFor(), 0);
}

TEST(Thread, OnTerminateRunsOnTheGuiThreadThenFreeOnTerminateDeletes) {
  std::atomic<bool> destroyed{false};
  DWORD onTerminateThread = 0;
  auto* t = new FuncThread([](FuncThread&) {});
  t->destroyed = &destroyed;
  t->FreeOnTerminate = true;
  t->OnTerminate = [&](TThread*) { onTerminateThread = GetCurrentThreadId(); };
  t->Resume();
  PumpUntil([&] { return destroyed.load(); });
  EXPECT_EQ(onTerminateThread, GetCurrentThreadId());
}

TEST(Thread, DestroyingARunningThreadTerminatesAndWaits) {
  std::atomic<bool> ended{false};
  {
    FuncThread t([&](FuncThread& self) {
      while (self.SleepUnlessTerminated(60000)) {
      }
      self.Synchronize([] {});  // served by the destructor's wait
      ended = true;
    });
    t.Resume();
  }
  EXPECT_TRUE(ended);
}

TEST(Thread, ExceptionsStayInsideTheThread) {
  std::vector<std::wstring> reported;
  DWORD reportedOn = 0;
  ThreadExceptionHandler old = SetThreadExceptionHandler([&](const std::wstring& text) {
    reported.push_back(text);
    reportedOn = GetCurrentThreadId();
  });
  std::string caughtInWorker;
  {
    FuncThread t([&](FuncThread& self) {
      try {
        self.Synchronize([] { throw std::runtime_error("from the call"); });
      } catch (const std::exception& e) {
        caughtInWorker = e.what();  // thrown again in the worker
      }
      throw std::runtime_error("body failed");
    });
    t.Resume();
    t.WaitFor();
  }
  SetThreadExceptionHandler(old);
  EXPECT_EQ(caughtInWorker, "from the call");
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], L"body failed");
  EXPECT_EQ(reportedOn, GetCurrentThreadId());
}

TEST(Thread, SynchronizeOnTheGuiThreadRunsAtOnce) {
  bool ran = false;
  SynchronizeCall([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(CheckSynchronize());
}
