// Following a file that another program writes, with the real watch thread
// in the real main window under wine: growing, shrinking, emptying and
// replacing the file, the guard that holds ticks back, switching the watch,
// the speed bar and the no-delete box.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "controls/MyTrackBar.h"
#include "controls/NewTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/Thread.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "text/WatchTick.h"
#include "viewer/UpdateThreadUnit.h"
#include "viewer/VastrelForm.h"

namespace {

std::string Lines(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) {
    char buf[32];
    snprintf(buf, sizeof buf, "line%03d text\r\n", i);
    s += buf;
  }
  return s;
}

// A writer that keeps the file open as a logging program does.
class Writer {
 public:
  explicit Writer(const std::wstring& path) {
    h_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
  }
  ~Writer() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool Append(const std::string& bytes) {
    if (SetFilePointer(h_, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) return false;
    DWORD n = 0;
    return WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
  }
  bool Truncate(LONG size) {
    return SetFilePointer(h_, size, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(h_);
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

struct Tick {
  bool looked;
  watchtick::Action action;
};

class FileWatch : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"fw");
    SetMessageHandler([this](const MessageRequest& r) {
      messages_.push_back(r.text);
      captions_.push_back(r.caption);
      if (inBox) inBox();
      return IDNO;
    });
    StartForm(40, 40, 640, 420);
    form_->WatchTicked = [this](bool looked, int action) {
      ticks.push_back({looked, static_cast<watchtick::Action>(action)});
    };
  }
  void TearDown() override {
    if (form_) form_->WatchTicked = nullptr;
    EndMainWindow();
  }

  std::wstring OpenLines(int n) {
    const std::wstring p = File(L"log.txt", Lines(1, n));
    EXPECT_TRUE(form_->OpenFile(p));
    return p;
  }
  // Watching on at the fastest interval, as a click on the button does.
  void Watch() {
    form_->NewTrackBar1->SetPosition(100);
    ASSERT_FALSE(form_->ChkSpBtn->Down());
    form_->ChkSpBtn->Click();
    ASSERT_TRUE(form_->ChkSpBtn->Down());
  }
  // Runs messages until the watch has reported `count` more ticks; false
  // when they do not come (the thread would have hung).
  bool AwaitTicks(size_t count) {
    const size_t target = ticks.size() + count;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ticks.size() < target) {
      if (std::chrono::steady_clock::now() > until) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      Application->ProcessMessages();
    }
    return true;
  }
  // Runs ticks until one did `action`; false after 100 ticks without.
  bool AwaitAction(watchtick::Action action) {
    for (int i = 0; i < 100; ++i) {
      if (!AwaitTicks(1)) return false;
      if (ticks.back().action == action) return true;
    }
    return false;
  }
  // Runs ticks until the view shows `text`; false after 100 ticks without.
  bool AwaitView(const std::wstring& text) {
    for (int i = 0; i < 100; ++i) {
      if (ViewText().find(text) != std::wstring::npos) return true;
      if (!AwaitTicks(1)) return false;
    }
    return ViewText().find(text) != std::wstring::npos;
  }
  std::wstring LastViewLine() {
    std::wstring t = ViewText();
    while (!t.empty() && (t.back() == L'\n' || t.back() == L'\r')) t.pop_back();
    const size_t at = t.find_last_of(L"\r\n");
    return at == std::wstring::npos ? t : t.substr(at + 1);
  }
  int Count(const std::wstring& caption) {
    int n = 0;
    for (auto& c : captions_) n += c == caption;
    return n;
  }

  std::vector<Tick> ticks;
  std::vector<std::wstring> captions_;
  std::function<void()> inBox;
};

}  // namespace

TEST_F(FileWatch, StartingShowsTheLastPageAndGrowthIsFollowed) {
  const std::wstring p = OpenLines(300);
  EXPECT_NE(ViewText().find(L"line001"), std::wstring::npos);
  Watch();
  // The last page at once, before any tick.
  EXPECT_EQ(LastViewLine(), L"line300 text");
  EXPECT_TRUE(form_->NewTrackBar1->Visible());
  EXPECT_EQ(form_->WatchThread->IntervalMs.load(), 100u);

  Writer w(p);
  ASSERT_TRUE(w.Append(Lines(301, 305)));
  ASSERT_TRUE(AwaitAction(watchtick::Action::Follow));
  EXPECT_EQ(form_->MyTrackBar1->Max(), 305 * 14);
  ASSERT_TRUE(AwaitView(L"line305 text"));
  // A line shorter than the slider's step, added while the writer holds the
  // file: it shows as well.
  ASSERT_TRUE(w.Append("end\r\n"));
  ASSERT_TRUE(AwaitView(L"end"));
  EXPECT_EQ(form_->MyTrackBar1->Max(), 305 * 14 + 5);
  EXPECT_LE(form_->MyTrackBar1->Position(), form_->MyTrackBar1->Max() - 32);
  EXPECT_TRUE(messages_.empty());

  // Once the follow scroll has reached the end, an unchanged file is looked
  // at and nothing more: no page is read or shown.
  ASSERT_TRUE(AwaitTicks(60));
  fileops::FaultFiles faults;
  fileops::ScopedFiles use(faults);
  const int64_t pages = form_->PagesShown;
  ASSERT_TRUE(AwaitTicks(5));
  EXPECT_TRUE(ticks.back().looked);
  EXPECT_EQ(faults.Calls(fileops::Op::Information), 5);
  EXPECT_EQ(faults.Calls(fileops::Op::Read), 0);
  EXPECT_EQ(form_->PagesShown, pages);
}

// The wide views follow as well: UTF-16 counts two bytes a unit, UTF-8 has
// characters of several bytes.
TEST_F(FileWatch, WideCodesAreFollowed) {
  struct Case {
    const wchar_t* name;
    std::string (*bytes)(const std::wstring&, bool first);
  } cases[] = {
      {L"u16.txt", [](const std::wstring& w, bool first) { return testsupport::Utf16Le(w, first); }},
      {L"u8.txt",
       [](const std::wstring& w, bool first) {
         std::string out(first ? "\xEF\xBB\xBF" : "");
         const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
         std::string u(static_cast<size_t>(n), '\0');
         WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &u[0], n, nullptr, nullptr);
         return out + u;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    std::wstring text;
    for (int i = 1; i <= 120; ++i) text += L"行" + std::to_wstring(i) + L" テキスト\r\n";
    const std::wstring p = File(c.name, c.bytes(text, true));
    ASSERT_TRUE(form_->OpenFile(p));
    ASSERT_TRUE(form_->IsWideView());
    Watch();
    EXPECT_NE(ViewText().find(L"行120 テキスト"), std::wstring::npos);
    {
      Writer w(p);
      ASSERT_TRUE(w.Append(c.bytes(L"追記された行\r\n", false)));
      ASSERT_TRUE(AwaitView(L"追記された行"));
      ASSERT_TRUE(w.Truncate(static_cast<LONG>(c.bytes(text.substr(0, text.find(L"行60 ")), true).size())));
      ASSERT_TRUE(AwaitAction(watchtick::Action::Reshow));
    }
    EXPECT_EQ(LastViewLine(), L"行59 テキスト");
    EXPECT_EQ(ViewText().find(L"追記"), std::wstring::npos);
    form_->ChkSpBtn->Click();
    ASSERT_FALSE(form_->ChkSpBtn->Down());
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FileWatch, ShrinkingEmptyingAndReplacingAreShownAgain) {
  const std::wstring p = OpenLines(300);
  Watch();
  ASSERT_EQ(LastViewLine(), L"line300 text");
  const int64_t changes = form_->LineChangeCount;
  {
    Writer w(p);
    ASSERT_TRUE(w.Truncate(100 * 14));
    ASSERT_TRUE(AwaitAction(watchtick::Action::Reshow));
    EXPECT_EQ(form_->MyTrackBar1->Max(), 100 * 14);
    EXPECT_LE(form_->MyTrackBar1->Position(), 100 * 14 - 32);
    // From a line start, and nothing from past the new end.
    EXPECT_EQ(ViewText().substr(0, 4), L"line");
    EXPECT_EQ(LastViewLine(), L"line100 text");
    EXPECT_EQ(ViewText().find(L"line101"), std::wstring::npos);
    EXPECT_EQ(form_->LineChangeCount, changes + 1);  // the line index hears of it

    ASSERT_TRUE(w.Truncate(0));
    ASSERT_TRUE(AwaitAction(watchtick::Action::Empty));
    EXPECT_EQ(ViewText(), L"");
    EXPECT_EQ(form_->MyTrackBar1->Max(), 0);
    EXPECT_EQ(form_->MyTrackBar1->Position(), 0);

    // Written again from the start: followed from there.
    ASSERT_TRUE(w.Append(Lines(1, 3)));
    ASSERT_TRUE(AwaitView(L"line003 text"));
  }
  // Another file takes the name (as log rotation does): followed, even at
  // the same size.
  const std::wstring other = File(L"other.txt", Lines(1, 2) + "rotated text\r\n");
  ASSERT_TRUE(MoveFileExW(other.c_str(), p.c_str(), MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(AwaitAction(watchtick::Action::Reshow));
  EXPECT_NE(ViewText().find(L"rotated text"), std::wstring::npos);
  // Gone: nothing happens, the watch goes on; back: followed again.
  ASSERT_TRUE(DeleteFileW(p.c_str()));
  ASSERT_TRUE(AwaitTicks(3));
  EXPECT_TRUE(form_->ChkSpBtn->Down());
  EXPECT_NE(ViewText().find(L"rotated text"), std::wstring::npos);
  File(L"log.txt", Lines(1, 50));
  ASSERT_TRUE(AwaitView(L"line050 text"));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FileWatch, NoTickTouchesTheFileWhileWorkBoxesOrALockHoldIt) {
  const std::wstring p = OpenLines(100);
  Watch();
  ASSERT_TRUE(AwaitTicks(1));
  fileops::FaultFiles faults;
  fileops::ScopedFiles use(faults);

  // Long work on the file: ticks come and look at nothing.
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Search));
  const size_t before = ticks.size();
  ASSERT_TRUE(AwaitTicks(3));
  for (size_t i = before; i < ticks.size(); ++i) EXPECT_FALSE(ticks[i].looked);
  EXPECT_EQ(faults.Calls(fileops::Op::Open), 0);
  EXPECT_EQ(faults.Calls(fileops::Op::Information), 0);
  form_->Work.End(vastrel::WorkGuard::Job::Search);
  ASSERT_TRUE(AwaitTicks(1));
  EXPECT_TRUE(ticks.back().looked);

  // A question of ours waits for its answer: ticks served inside its loop
  // look at nothing either.
  const int opens = faults.Calls(fileops::Op::Open);
  bool insideOk = false;
  inBox = [&] {
    inBox = nullptr;
    const size_t from = ticks.size();
    insideOk = AwaitTicks(3);
    for (size_t i = from; i < ticks.size(); ++i) EXPECT_FALSE(ticks[i].looked);
  };
  MessageBoxWide(L"question", L"caption", MB_YESNO, form_->Handle());
  EXPECT_TRUE(insideOk);
  EXPECT_EQ(faults.Calls(fileops::Op::Open), opens);

  // A writer that shares no reading: the file is found but not opened, and
  // no message comes, however many ticks pass.
  {
    HANDLE locked = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    SetFilePointer(locked, 0, nullptr, FILE_END);
    WriteFile(locked, "more\r\n", 6, &n, nullptr);
    ASSERT_TRUE(AwaitTicks(5));
    CloseHandle(locked);
  }
  EXPECT_EQ(captions_.size(), 1u);  // only the test's own question
  ASSERT_TRUE(AwaitView(L"more"));
}

TEST_F(FileWatch, SwitchingOftenNeitherHangsNorTicksWhenOff) {
  OpenLines(100);
  form_->NewTrackBar1->SetPosition(100);
  for (int i = 0; i < 200; ++i) {
    form_->ChkSpBtn->Click();
    Application->ProcessMessages();
  }
  EXPECT_FALSE(form_->ChkSpBtn->Down());
  EXPECT_FALSE(form_->NewTrackBar1->Visible());
  EXPECT_TRUE(form_->WatchThread->Suspended());
  // A tick queued before the switch-off may still arrive: it looks at nothing.
  const size_t from = ticks.size();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  while (std::chrono::steady_clock::now() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  for (size_t i = from; i < ticks.size(); ++i) EXPECT_FALSE(ticks[i].looked);
  // And on again it ticks.
  form_->ChkSpBtn->Click();
  ASSERT_TRUE(AwaitTicks(2));
  EXPECT_TRUE(ticks.back().looked);
}

TEST_F(FileWatch, CloseWhileWatchingEndsAtOnce) {
  OpenLines(100);
  Watch();
  // A long interval: the close must not wait for the thread's sleep. The
  // thread reads it after the tick that it is waiting to have run now.
  form_->WatchThread->IntervalMs = 120000;
  ASSERT_TRUE(AwaitTicks(1));
  const auto t0 = std::chrono::steady_clock::now();
  bool canClose = false;
  form_->FormCloseQuery(form_, canClose);
  EXPECT_TRUE(canClose);
  EXPECT_TRUE(form_->WatchThread->Finished());
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(60));
}

TEST_F(FileWatch, SpeedBarNoDeleteBoxAndOpeningAnotherFile) {
  OpenLines(100);
  EXPECT_TRUE(form_->ChkSpBtn->Enabled());
  Watch();
  // The speed bar sets the interval; a right click puts 1000 ms back.
  form_->NewTrackBar1->SetPosition(250);
  EXPECT_EQ(form_->WatchThread->IntervalMs.load(), 250u);
  SendMessageW(form_->NewTrackBar1->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 10));
  SendMessageW(form_->NewTrackBar1->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(form_->NewTrackBar1->Position(), 1000);
  EXPECT_EQ(form_->WatchThread->IntervalMs.load(), 1000u);

  // Allowing deletions stops the watch and offers the backup.
  form_->CheckBox1->SetChecked(false);
  EXPECT_FALSE(form_->ChkSpBtn->Down());
  EXPECT_FALSE(form_->ChkSpBtn->Enabled());
  EXPECT_FALSE(form_->NewTrackBar1->Visible());
  EXPECT_TRUE(form_->WatchThread->Suspended());
  EXPECT_EQ(Count(L"バックアップの確認"), 1);
  form_->CheckBox1->SetChecked(true);
  EXPECT_TRUE(form_->ChkSpBtn->Enabled());

  // Opening another file stops the watch as well.
  Watch();
  const std::wstring other = File(L"other.txt", Lines(1, 10));
  ASSERT_TRUE(form_->OpenFile(other));
  EXPECT_FALSE(form_->ChkSpBtn->Down());
  EXPECT_FALSE(form_->NewTrackBar1->Visible());
  EXPECT_TRUE(form_->WatchThread->Suspended());

  // And so does opening a file pasted from the clipboard.
  Watch();
  const std::wstring pasted = File(L"pasted.txt", Lines(1, 5));
  ASSERT_TRUE(Clipboard::SetFileList({pasted}, form_->Handle()));
  form_->Paste1Click();
  EXPECT_EQ(form_->Doc.FilePath, pasted);
  EXPECT_FALSE(form_->ChkSpBtn->Down());
  EXPECT_FALSE(form_->NewTrackBar1->Visible());
  EXPECT_TRUE(form_->WatchThread->Suspended());
}

// A log written faster than the watch looks: after every tick the page is the
// file's last page, full, ending with the last line that the tick saw,
// however many lines came since the tick before. Measured tick by tick while
// a writer appends a line every 20 ms and the watch looks every 100 ms; the
// writer waits while a tick runs, so that what the tick saw is known.
TEST_F(FileWatch, FollowingKeepsUpWithAFastWriterTickByTick) {
  const std::wstring p = OpenLines(300);
  Watch();
  ASSERT_EQ(LastViewLine(), L"line300 text");
  struct Seen {
    int64_t lines;  // lines of the file when the tick looked
    int lastShown;  // the number of the last line on screen after it
    int firstShown;
    int rows;       // rows of the view
  };
  std::vector<Seen> seen;
  std::mutex fileLock;  // held by the writer while it appends, by the test while ticks run
  int64_t written = 300;
  form_->WatchTicked = [&](bool looked, int action) {
    ticks.push_back({looked, static_cast<watchtick::Action>(action)});
    if (static_cast<watchtick::Action>(action) != watchtick::Action::Follow) return;
    Seen s{written, 0, 0, form_->GetLineCount()};
    swscanf(LastViewLine().c_str(), L"line%d", &s.lastShown);
    swscanf(ViewText().c_str(), L"line%d", &s.firstShown);
    seen.push_back(s);
  };
  const int rows = form_->LinesPerPage();
  ASSERT_GT(rows, 5);
  std::thread writer([&] {
    Writer w(p);
    for (int i = 301; i <= 450; ++i) {
      {
        std::lock_guard<std::mutex> hold(fileLock);
        if (!w.Append(Lines(i, i))) return;
        written = i;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((seen.empty() || seen.back().lines < 450) && std::chrono::steady_clock::now() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    std::lock_guard<std::mutex> hold(fileLock);
    Application->ProcessMessages();
  }
  writer.join();
  form_->WatchTicked = nullptr;

  ASSERT_GE(seen.size(), 10u);
  EXPECT_EQ(seen.back().lines, 450);
  int64_t most = 0;
  for (size_t i = 0; i < seen.size(); ++i) {
    const Seen& s = seen[i];
    SCOPED_TRACE("tick " + std::to_string(i) + " saw " + std::to_string(s.lines) + " lines");
    // No lag: the last line the tick saw is on screen, at the bottom of a
    // full page (the row after it is the empty one after the last line end).
    EXPECT_EQ(s.lines - s.lastShown, 0);
    EXPECT_EQ(s.rows, rows);
    EXPECT_EQ(s.firstShown, s.lastShown - (rows - 2));
    if (i > 0) most = std::max(most, s.lines - seen[i - 1].lines);
  }
  EXPECT_GE(most, 2);  // ticks that had several new lines to show
  EXPECT_TRUE(messages_.empty());
}

// A page the user moved away from the end is not pulled to the end: each
// tick takes it one line on, as far as the end.
TEST_F(FileWatch, APageAwayFromTheEndGoesOnALineATick) {
  const std::wstring p = OpenLines(300);
  Watch();
  ASSERT_EQ(LastViewLine(), L"line300 text");
  // Back to the top, as the slider dragged there does.
  form_->MovingBack = true;
  form_->MyTrackBar1->SetPosition(0);
  form_->MovingBack = false;
  ASSERT_EQ(ViewText().substr(0, 7), L"line001");
  Writer w(p);
  int first = 1;
  for (int round = 0; round < 4; ++round) {
    const size_t from = ticks.size();
    ASSERT_TRUE(w.Append(Lines(301 + 5 * round, 305 + 5 * round)));
    ASSERT_TRUE(AwaitAction(watchtick::Action::Follow));
    // A busy machine may serve more than one tick at a time.
    int follows = 0;
    for (size_t i = from; i < ticks.size(); ++i) follows += ticks[i].action == watchtick::Action::Follow;
    int now = 0;
    swscanf(ViewText().c_str(), L"line%d", &now);
    EXPECT_GE(now, first);
    EXPECT_LE(now, first + follows) << round;
    EXPECT_EQ(ViewText().find(L"line30"), std::wstring::npos);
    first = now;
  }
  EXPECT_LT(first, 10);
}
