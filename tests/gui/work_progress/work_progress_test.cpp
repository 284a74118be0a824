// The one progress path from the engines to the window: the adapter's rules
// (bar, stop question, messages pumped by time; the worker's relay), and every
// long job of the real main window under wine: its bar moves, and the abort
// button or a close request stops it within one block (a close is refused, as
// always, while a tail move or a backup copy runs: those the abort stops).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "controls/ColorProgressBar.h"
#include "engine/LineIndex.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/Thread.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/GyoThreadUnit.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace {

TEST(WorkProgressRules, MessagesRunByTimeNotPerBlock) {
  bool stop = false;
  int pumped = 0;
  DWORD now = 1000;
  const unsigned keep = vastrel::WorkProgress::PumpIntervalMs;
  vastrel::WorkProgress::PumpIntervalMs = 25;
  {
    vastrel::WorkProgress p(nullptr, stop, [&] { ++pumped; });
    p.clock = [&] { return now; };
    p.SetMaximum(1000);
    // Forty blocks of 2 ms each: 80 ms, so three pumps (at 25, 50 and 75 ms), not forty.
    for (int block = 1; block <= 40; ++block) {
      now += 2;
      p.Step(block * 25);
      EXPECT_FALSE(p.ShouldStop());
    }
    EXPECT_EQ(pumped, 3);
    // A block that takes longer than the interval pumps after each block.
    for (int block = 0; block < 4; ++block) {
      now += 30;
      p.Step(1000);
    }
    EXPECT_EQ(pumped, 7);
    stop = true;
    EXPECT_TRUE(p.ShouldStop());
  }
  vastrel::WorkProgress::PumpIntervalMs = keep;
}

// Reads pass through to the system and are counted; read number `armAt` calls onArm.
class CountingFiles : public fileops::FaultFiles {
 public:
  std::atomic<int> reads{0};
  int armAt = -1;
  std::function<void()> onArm;
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override {
    const bool ok = FaultFiles::Read(h, buf, len, done);
    if (++reads == armAt && onArm) onArm();
    return ok;
  }
};

enum class Stop { AbortButton, CloseRequest };

class WorkProgressWindow : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"wpg");
    StartForm(0, 0, 900, 500);
    form_->OnClose = [this](TWinControl*, TCloseAction& action) {
      ++closes_;
      action = caNone;
    };
    keep_ = Application->OnMessage;
  }
  void TearDown() override {
    Application->OnMessage = keep_;
    form_->OnClose = nullptr;
    EndMainWindow();
  }

  // At the job's `block`-th read, the next message pumped on the GUI thread
  // notes the bar and presses the abort button or asks the window to close.
  void StopAt(int block, Stop how) {
    files_.reads = 0;
    files_.armAt = block;
    stoppedAtRead_ = -1;
    barAtStop_ = 0;
    barShown_ = false;
    armed_ = false;
    files_.onArm = [this] {
      armed_ = true;
      PostMessageW(form_->Handle(), WM_NULL, 0, 0);
    };
    Application->OnMessage = [this, how](MSG& m, bool& handled) {
      if (armed_ && m.message == WM_NULL) {
        armed_ = false;
        stoppedAtRead_ = files_.reads;
        barAtStop_ = form_->ColorProgressBar1->Position();
        barShown_ = form_->ColorProgressBar1->Showing();
        if (how == Stop::AbortButton)
          form_->SpeedButton2->Click();
        else
          SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
      }
      if (keep_) keep_(m, handled);
    };
  }
  // The job stopped within one block of the stop, with its bar moving before.
  void ExpectStoppedWithinOneBlock(const char* job) {
    ASSERT_GE(stoppedAtRead_, 0) << job << ": the stop never came";
    EXPECT_LE(files_.reads - stoppedAtRead_, 1) << job;
    EXPECT_TRUE(barShown_) << job;
    EXPECT_GT(barAtStop_, 0u) << job;
    EXPECT_FALSE(form_->ColorProgressBar1->Showing()) << job;
  }
  // A close asked for meanwhile completes once the job has unwound.
  void ExpectCloseAfterwards(const char* job) {
    EXPECT_EQ(closes_, 0) << job << ": closed while the job ran";
    Application->ProcessMessages();
    EXPECT_EQ(closes_, 1) << job;
    closes_ = 0;
  }

  CountingFiles files_;
  std::atomic<bool> armed_{false};
  int stoppedAtRead_ = -1;
  uint64_t barAtStop_ = 0;
  bool barShown_ = false;
  int closes_ = 0;
  std::function<void(MSG&, bool&)> keep_;
};

TEST_F(WorkProgressWindow, TheRelayHoldsWhatTheWorkerReportedUntilTheWindowShowsIt) {
  TColorProgressBar& bar = *form_->ColorProgressBar2;
  bar.SetMax(1000);
  bar.SetPosition(0);
  std::atomic<bool> stop{false};
  vastrel::WorkProgress::Relay relay([&] { return stop.load(); });
  TThread* worker = nullptr;
  struct Worker : TThread {
    vastrel::WorkProgress::Relay& r;
    explicit Worker(vastrel::WorkProgress::Relay& relay) : r(relay) {}
    ~Worker() override { StopAndWait(); }
    void Execute() override {
      r.SetMaximum(500);
      for (int64_t p = 1; p <= 300; ++p) r.Step(p);
    }
  };
  worker = new Worker(relay);
  worker->Resume();
  worker->WaitFor();
  delete worker;
  EXPECT_EQ(bar.Position(), 0u);  // nothing touched the bar from the worker
  relay.ShowOn(&bar);
  EXPECT_EQ(bar.Max(), 500u);
  EXPECT_EQ(bar.Position(), 300u);
  EXPECT_FALSE(relay.ShouldStop());
  stop = true;
  EXPECT_TRUE(relay.ShouldStop());
}

std::string Filler(size_t n) {
  std::string s(n, 'a');
  for (size_t i = 100; i < n; i += 100) s[i] = '\n';
  return s;
}

TEST_F(WorkProgressWindow, SearchAndConversionStopAtTheAbortButtonAndAtACloseRequest) {
  const std::wstring src = File(L"big.txt", Filler(6 * 0x80000));
  form_->OpenFile(src);
  Application->ProcessMessages();
  form_->ConvertBlockSize = 64 * 1024;
  for (Stop how : {Stop::AbortButton, Stop::CloseRequest}) {
    fileops::ScopedFiles use(files_);
    StopAt(2, how);
    messages_.clear();
    EXPECT_EQ(form_->SearchFile(L"nowhere", true), 1);  // stopped: no "not found"
    EXPECT_TRUE(messages_.empty());
    ExpectStoppedWithinOneBlock("search");
    if (how == Stop::CloseRequest) ExpectCloseAfterwards("search");

    StopAt(3, how);
    EXPECT_FALSE(form_->ConvertFileCode(folder_ + L"out.txt", 2, false, 1));
    form_->CloseAfterConvert = false;  // the command's own end would close now
    ExpectStoppedWithinOneBlock("conversion");
    EXPECT_EQ(GetFileAttributesW((folder_ + L"out.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(closes_, 0);
    closes_ = 0;
  }
}

TEST_F(WorkProgressWindow, BackupCopyAndTailMoveStopAtTheAbortButtonAndHoldTheClose) {
  // Larger than one journal segment, so that the tail move reads more than once.
  const std::string text = Filler(20u << 20);
  const std::wstring src = File(L"tail.txt", text);
  form_->OpenFile(src);
  Application->ProcessMessages();
  {
    fileops::ScopedFiles use(files_);
    StopAt(2, Stop::AbortButton);
    DWORD error = 0;
    EXPECT_EQ(form_->CopyFileAsWork(src, folder_ + L"copy.txt", &error), 2);
    ExpectStoppedWithinOneBlock("backup copy");
    EXPECT_EQ(GetFileAttributesW((folder_ + L"copy.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // The close is refused while the copy runs: it goes on to its end.
    StopAt(2, Stop::CloseRequest);
    EXPECT_EQ(form_->CopyFileAsWork(src, folder_ + L"copy.txt", &error), 0);
    EXPECT_EQ(testsupport::ReadBytes(folder_ + L"copy.txt"), text);
    EXPECT_EQ(closes_, 0);
  }
  for (Stop how : {Stop::AbortButton, Stop::CloseRequest}) {
    fileops::File f;
    ASSERT_TRUE(f.Open(src, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
    engine::TailMoveOutcome o;
    {
      fileops::ScopedFiles use(files_);
      StopAt(2, how);
      ScopedMessageHandler yes([](const MessageRequest&) { return IDYES; });  // the abort's question
      o = form_->MoveTail(f.get(), 10, 0, "xyz", vastrel::WorkGuard::Job::Insert);
    }
    f.Close();
    ASSERT_GE(stoppedAtRead_, 0);
    EXPECT_GT(barAtStop_, 0u);
    if (how == Stop::AbortButton) {
      EXPECT_EQ(o.status, engine::TailMoveStatus::Aborted);
      EXPECT_EQ(testsupport::ReadBytes(src), text);  // put back as it was
    } else {
      EXPECT_EQ(o.status, engine::TailMoveStatus::Done);
      EXPECT_EQ(testsupport::ReadBytes(src), text.substr(0, 10) + "xyz" + text.substr(10));
      EXPECT_EQ(closes_, 0);
    }
  }
}

TEST_F(WorkProgressWindow, AJumpThroughALongStretchShowsProgressAndStops) {
  // Three lines, a 200 MiB hole without line ends, three lines; the index is
  // one loaded from a list (no marks), so the jump walks the stretch.
  const std::wstring p = folder_ + L"hole.txt";
  const std::string head = "a\r\nb\r\nc\r\n", tail = "x\r\ny\r\nz\r\n";
  const int64_t tailAt = int64_t(head.size()) + (int64_t(200) << 20);
  {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    WriteFile(h, head.data(), DWORD(head.size()), &done, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = tailAt;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    WriteFile(h, tail.data(), DWORD(tail.size()), &done, nullptr);
    CloseHandle(h);
  }
  form_->OpenFile(p);
  Application->ProcessMessages();
  engine::NullProgress none;
  engine::LineIndexOptions o;
  o.interval = 10;  // no checkpoint but the start below line 5
  ASSERT_FALSE(engine::BuildLineIndex(p, o, 1, none, *form_->LineCheckpointList).cancelled);
  form_->LineWalkMarks.clear();
  for (Stop how : {Stop::AbortButton, Stop::CloseRequest}) {
    fileops::ScopedFiles use(files_);
    StopAt(3, how);
    messages_.clear();
    form_->N31Jump(L"5");  // line 5 ("y") lies past the stretch
    EXPECT_TRUE(messages_.empty());  // stopped: no "not found"
    ExpectStoppedWithinOneBlock("jump");
    EXPECT_FALSE(form_->LineWalkRunning);
    if (how == Stop::CloseRequest) ExpectCloseAfterwards("jump");
  }
  // Unstopped the jump lands on the line, and the marks it took keep the next one short.
  messages_.clear();
  form_->N31Jump(L"5");
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(form_->LineWalkMarks.empty());
  fileops::ScopedFiles use(files_);
  files_.reads = 0;
  EXPECT_EQ(form_->LineToOffset(4), tailAt + 3);
  EXPECT_FALSE(form_->LineWalkRunning);
  EXPECT_LE(files_.reads, 64);  // reads grow to 1 MiB: one mark spacing at most
}

// The build's reads on its own thread: its read number 3 waits for the test.
class HeldFiles : public CountingFiles {
 public:
  HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~HeldFiles() override {
    CloseHandle(reached);
    CloseHandle(go);
  }
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override {
    const bool ok = CountingFiles::Read(h, buf, len, done);
    if (reads == 3) {
      SetEvent(reached);
      WaitForSingleObject(go, 10000);
    }
    return ok;
  }
};

TEST_F(WorkProgressWindow, TheLineIndexBuildReportsWithoutWaitingAndStopsWithinOneBlock) {
  const std::wstring src = File(L"lines.txt", Filler(64 * 1024));
  form_->OpenFile(src);
  Application->ProcessMessages();
  form_->LineThreadChunk = 4096;
  for (Stop how : {Stop::AbortButton, Stop::CloseRequest}) {
    HeldFiles held;
    fileops::ScopedFiles use(held);
    form_->StartLineCount(src);
    ASSERT_FALSE(form_->LineThreadIdle);
    // The thread reaches its third read without the GUI thread serving anything.
    ASSERT_EQ(WaitForSingleObject(held.reached, 10000), WAIT_OBJECT_0);
    form_->LineProgressTimer->Tick();
    EXPECT_GT(form_->ColorProgressBar2->Position(), 0u);  // the bar follows the relay
    EXPECT_TRUE(form_->ColorProgressBar2->Visible());
    const int atStop = held.reads;
    if (how == Stop::AbortButton) {
      form_->SpeedButton7->SetDown(false);
      form_->SpeedButton7Click();
    } else {
      SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
    }
    SetEvent(held.go);
    const DWORD start = GetTickCount();
    while (!form_->LineThreadIdle && GetTickCount() - start < 10000) {
      CheckSynchronize();
      Application->ProcessMessages();
      if (!form_->LineThreadIdle) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    ASSERT_TRUE(form_->LineThreadIdle);
    EXPECT_LE(held.reads - atStop, 1);
    EXPECT_TRUE(form_->LineCheckpointList->empty());  // cancelled: nothing taken
    EXPECT_FALSE(form_->ColorProgressBar2->Visible());
    closes_ = 0;
  }
}

}  // namespace
