// Moving through a file in the real main window under wine: the step buttons
// and their timers and latch, the wheel, the arrow keys at the page's edges,
// Shift selections turned into file offsets, and typed Backspace and Delete
// asking for exactly one character of the file's code.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/VastrelForm.h"

namespace {

// Lines "Line 0000 ...\r\n" of 20 bytes each.
std::string NumberedLines(int n) {
  std::string s;
  char buf[32];
  for (int i = 0; i < n; ++i) {
    wsprintfA(buf, "Line %04d abcdefgh\r\n", i);
    s += buf;
  }
  return s;
}

using testsupport::Utf16Le;

void HoldKey(int vk, bool down) {
  BYTE state[256];
  GetKeyboardState(state);
  state[vk] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

class FormScroll : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"fs");
    StartForm();
  }
  void TearDown() override {
    HoldKey(VK_SHIFT, false);
    HoldKey(VK_CONTROL, false);
    EndMainWindow();
  }
  std::wstring Open(const std::wstring& name, const std::string& bytes) {
    const std::wstring p = File(name, bytes);
    form_->OpenFile(p);
    Application->ProcessMessages();
    return p;
  }
  // Runs messages (and so the timers) one at a time until done() holds, or the
  // stepping `timer` has ticked maxTicks times or stopped (no tick can bring
  // done() then). The bound is counted in the timer's own ticks, never in time:
  // a loaded machine only makes the ticks come later. One message at a time: a
  // tick that takes longer than the 10 ms interval leaves the next one due at
  // once, and a loop that empties the queue would not come back before the run
  // ends.
  template <class F>
  bool PumpTicksUntil(TTimer* timer, int maxTicks, F done) {
    int ticks = 0;
    const auto handler = timer->OnTimer;
    timer->OnTimer = [&ticks, &handler](TTimer* t) {
      ++ticks;
      handler(t);
    };
    bool reached = false;
    for (;;) {
      if (done()) {
        reached = true;
        break;
      }
      if (ticks >= maxTicks || !timer->Enabled()) break;
      MSG m;
      if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      }
    }
    timer->OnTimer = handler;
    return reached;
  }
  // Runs messages for about ms milliseconds (a screenshot's paint, or a check
  // that nothing more happens once a timer is off).
  void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= ms) {
      MSG m;
      if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
      }
    }
  }
  void Mouse(TSpeedButton* b, UINT msg) {
    SendMessageW(b->Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0,
                 MAKELPARAM(5, 5));
  }
  int64_t Pos() { return form_->MyTrackBar1->Position(); }
};

TEST_F(FormScroll, HeldForwardButtonStepsLineByLineAndStopsOnRelease) {
  Open(L"lines.txt", NumberedLines(400));
  ASSERT_EQ(Pos(), 0);
  Mouse(form_->SpeedButton3, WM_LBUTTONDOWN);
  EXPECT_TRUE(form_->Timer2->Enabled());
  // First step after 1 ms, the next after 210 ms, then 110, then every 10 ms.
  ASSERT_TRUE(PumpTicksUntil(form_->Timer2, 5, [&] { return Pos() >= 20 * 5; })) << "a line per tick";
  Mouse(form_->SpeedButton3, WM_LBUTTONUP);
  EXPECT_FALSE(form_->Timer2->Enabled());
  const int64_t stopped = Pos();
  EXPECT_EQ(stopped % 20, 0) << "the page starts at a line start";
  EXPECT_TRUE(form_->MovingForward);
  Pump(150);
  EXPECT_EQ(Pos(), stopped);
  // The back button steps back the same way.
  Mouse(form_->SpeedButton1, WM_LBUTTONDOWN);
  ASSERT_TRUE(PumpTicksUntil(form_->Timer1, 2, [&] { return Pos() <= stopped - 40; }));
  Mouse(form_->SpeedButton1, WM_LBUTTONUP);
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_EQ(Pos() % 20, 0);
  EXPECT_TRUE(form_->MovingBack);
}

TEST_F(FormScroll, LatchedForwardRunRunsOnToTheUsableEndAfterRelease) {
  const std::string text = NumberedLines(60);  // 1200 bytes
  Open(L"short.txt", text);
  Mouse(form_->SpeedButton3, WM_RBUTTONDOWN);
  Mouse(form_->SpeedButton3, WM_RBUTTONUP);
  EXPECT_TRUE(form_->Stepping().LatchOn());
  Mouse(form_->SpeedButton3, WM_LBUTTONDOWN);
  ASSERT_TRUE(PumpTicksUntil(form_->Timer2, 40, [&] { return form_->Stepping().RepeatTicks >= 40; }));
  Mouse(form_->SpeedButton3, WM_LBUTTONUP);
  EXPECT_TRUE(form_->Timer2->Enabled());
  // On to the end at most a line per tick: within the file's 60 lines. The
  // last page begins at the last line start before the usable end (line 58;
  // line 59 begins within the last 32 bytes), and the run stops there.
  ASSERT_TRUE(PumpTicksUntil(form_->Timer2, 60, [&] { return !form_->Timer2->Enabled(); }));
  EXPECT_EQ(Pos(), 58 * 20);
  EXPECT_EQ(form_->Doc.PagePosition, 58 * 20);
}

TEST_F(FormScroll, PageDownStepsByScreensTimesTheMultiplier) {
  Open(L"pages.txt", NumberedLines(2000));
  const int lines = form_->Memo1->LineCount();
  ASSERT_GT(lines, 5);
  WORD key = VK_NEXT;
  form_->Memo1KeyDown(key, 0);
  ASSERT_TRUE(PumpTicksUntil(form_->Timer2, 1, [&] { return Pos() > 0; }));
  key = VK_NEXT;
  form_->Memo1KeyUp(key, 0);
  EXPECT_FALSE(form_->Timer2->Enabled());
  // The next page begins with the last line of this one (one line of overlap).
  EXPECT_EQ(Pos(), 20 * (lines - 1));
  EXPECT_TRUE(form_->LineNumbersStale);
  // Ten screens with the multiplier at 10.
  form_->StepMultiplier = 10;
  const int64_t from = Pos();
  key = VK_NEXT;
  form_->Memo1KeyDown(key, 0);
  ASSERT_TRUE(PumpTicksUntil(form_->Timer2, 1, [&] { return Pos() > from; }));
  key = VK_NEXT;
  form_->Memo1KeyUp(key, 0);
  EXPECT_EQ(Pos(), from + 20 * ((lines - 1) * 10 + 1));
  // Page Up goes back by screens with the same multiplier.
  const int64_t top = Pos();
  key = VK_PRIOR;
  form_->Memo1KeyDown(key, 0);
  ASSERT_TRUE(PumpTicksUntil(form_->Timer1, 1, [&] { return Pos() < top; }));
  key = VK_PRIOR;
  form_->Memo1KeyUp(key, 0);
  EXPECT_EQ(Pos() % 20, 0);
  EXPECT_LT(Pos(), top - 20 * (lines - 1) * 9);
}

TEST_F(FormScroll, MainWindowWheelWithCtrlMovesAPage) {
  Open(L"mainwheel.txt", NumberedLines(300));
  const int64_t page = form_->GetTextLength(true);
  SendMessageW(form_->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), 0);
  Application->ProcessMessages();
  EXPECT_GE(Pos(), page);
  EXPECT_EQ(Pos() % 20, 0);
}

TEST_F(FormScroll, WheelOverTheMemoStepsOneLine) {
  Open(L"wheel.txt", NumberedLines(100));
  SendMessageW(form_->Memo1->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  Application->ProcessMessages();
  EXPECT_EQ(Pos(), 20);
  SendMessageW(form_->Memo1->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(Pos(), 40);
  SendMessageW(form_->Memo1->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  Application->ProcessMessages();
  EXPECT_EQ(Pos(), 20) << "the wheel turned back moves back, whatever the last direction";
}

TEST_F(FormScroll, DownOnLastPaneLineMovesOneLineAndKeepsColumn) {
  std::wstring w;
  wchar_t buf[32];
  for (int i = 0; i < 300; ++i) {
    wsprintfW(buf, L"Line %03d abcdef\r\n", i);  // 17 units
    w += buf;
  }
  Open(L"wide.txt", Utf16Le(w, true));
  ASSERT_TRUE(form_->IsWideView());
  HWND pane = form_->CurrentPane;
  const int last = static_cast<int>(SendMessageW(pane, EM_GETLINECOUNT, 0, 0)) - 1;
  ASSERT_GT(last, 3);
  const int64_t start = SendMessageW(pane, EM_LINEINDEX, last, 0);
  SendMessageW(pane, EM_SETSEL, start + 5, start + 5);
  SetFocus(pane);
  SendMessageW(pane, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(pane, WM_KEYUP, VK_DOWN, 0);
  Application->ProcessMessages();
  // The page now starts at line 1: byte 2 (mark) + 17 units.
  EXPECT_EQ(Pos(), 2 + 34);
  DWORD s = 0, e = 0;
  SendMessageW(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  const int line = static_cast<int>(SendMessageW(pane, EM_LINEFROMCHAR, s, 0));
  EXPECT_EQ(static_cast<int64_t>(s) - SendMessageW(pane, EM_LINEINDEX, line, 0), 5) << "the column is kept";
  // SelStart is the caret in file units: mark, then line (1 + line) of the file.
  EXPECT_EQ(form_->Doc.SelStart, 1 + (1 + line) * 17 + 5);
  EXPECT_EQ(form_->Doc.SelLength, 0);
}

TEST_F(FormScroll, UpOnFirstMemoLineMovesOneLineBack) {
  Open(L"up.txt", NumberedLines(200));
  form_->MyTrackBar1->SetPosition(20 * 50);  // the page at line 50
  Application->ProcessMessages();
  ASSERT_EQ(Pos(), 20 * 50);
  form_->Memo1->SetSelStart(7);
  WORD key = VK_UP;
  form_->Memo1KeyDown(key, 0);
  Application->ProcessMessages();
  EXPECT_EQ(Pos(), 20 * 49);
  EXPECT_TRUE(form_->MovingBack);
  key = VK_UP;
  form_->Memo1KeyUp(key, 0);
  EXPECT_EQ(form_->Doc.SelStart, 20 * 49 + form_->Memo1->SelStart());
}

TEST_F(FormScroll, SelectionOverThreePagesIsCopiedWhole) {
  const std::string text = NumberedLines(400);
  Open(L"copy.txt", text);
  form_->Memo1->SetSelStart(20 * 2 + 3);  // line 2, column 3 of the first page
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  const int64_t start = 20 * 2 + 3;
  ASSERT_EQ(form_->Doc.SelStart, start);
  const int perPage = form_->Memo1->LineCount();
  // Three pages on, a Shift+click at line 1, column 8.
  form_->MyTrackBar1->SetPosition(20 * 3 * perPage);
  Application->ProcessMessages();
  ASSERT_EQ(Pos(), 20 * 3 * perPage);
  form_->Memo1->SetSelStart(20 + 8);
  form_->Memo1MouseUp(mbLeft, ssShift);
  const int64_t end = 20 * 3 * perPage + 20 + 8;
  EXPECT_EQ(form_->Doc.SelStart, start);
  EXPECT_EQ(form_->Doc.SelLength, end - start);
  form_->Copy1Click(true);
  EXPECT_EQ(form_->GetClipboardText(), Cp932ToWide(text.substr(static_cast<size_t>(start),
                                                                 static_cast<size_t>(end - start))));
  // A Shift+click before the selection's start moves the start back and keeps
  // the far end.
  form_->MyTrackBar1->SetPosition(0);
  Application->ProcessMessages();
  form_->Memo1->SetSelStart(1);
  form_->Memo1MouseUp(mbLeft, ssShift);
  EXPECT_EQ(form_->Doc.SelStart, 1);
  EXPECT_EQ(form_->Doc.SelLength, start - 1);
}

TEST_F(FormScroll, ShiftDownSelectsFromTheAnchorInFileUnits) {
  std::wstring w;
  wchar_t buf[32];
  for (int i = 0; i < 50; ++i) {
    wsprintfW(buf, L"L%02d \x65E5\x672C\r\n", i);  // 8 units
    w += buf;
  }
  Open(L"sel16.txt", Utf16Le(w, true));
  HWND pane = form_->CurrentPane;
  const int64_t l2 = SendMessageW(pane, EM_LINEINDEX, 2, 0);
  const int64_t l3 = SendMessageW(pane, EM_LINEINDEX, 3, 0);
  SendMessageW(pane, EM_SETSEL, l2 + 5, l2 + 5);
  form_->UpdateFileSelection(0);  // the click that sets the anchor
  EXPECT_EQ(form_->Doc.SelStart, 1 + 2 * 8 + 5);
  // Shift+Down: the pane extends its selection to line 3 column 5.
  HoldKey(VK_SHIFT, true);
  SendMessageW(pane, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(pane, EM_SETSEL, l2 + 5, l3 + 5);  // what the pane's own handling gives
  SendMessageW(pane, WM_KEYUP, VK_DOWN, 0);
  HoldKey(VK_SHIFT, false);
  EXPECT_EQ(form_->Doc.SelStart, 1 + 2 * 8 + 5) << "Shift leaves SelStart at the anchor";
  EXPECT_EQ(form_->Doc.SelLength, 8);
}

TEST_F(FormScroll, MemoShiftDownSelectsFromTheAnchorInEucBytes) {
  // Lines of "a" + hiragana a, i (Shift_JIS 82 A0 82 A2) in EUC-JP: A4 A2 A4 A4.
  std::string euc;
  for (int i = 0; i < 40; ++i) euc += "a\xA4\xA2\xA4\xA4\r\n";  // 7 bytes
  Open(L"eucsel.txt", euc);
  form_->ComboBox1->SetItemIndex(tcEucJp);
  form_->ComboBox1Change();
  ASSERT_EQ(form_->Doc.TextCode, tcEucJp);
  const int l2 = form_->Memo1->LineIndex(2), l3 = form_->Memo1->LineIndex(3);
  form_->Memo1->SetSelStart(l2 + 3);  // after "a" and the first kana
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  EXPECT_EQ(form_->Doc.SelStart, 2 * 7 + 3);
  form_->Memo1->SetSelection(l2 + 3, l3 + 3);  // the memo's own Shift+Down
  WORD key = VK_DOWN;
  form_->Memo1KeyUp(key, ssShift);
  EXPECT_EQ(form_->Doc.SelStart, 2 * 7 + 3);
  EXPECT_EQ(form_->Doc.SelLength, 7);
}

TEST_F(FormScroll, CaretAndShiftClickAbove4GiBAreExact) {
  // A sparse file: 5 GiB of nothing, then numbered lines.
  const std::wstring path = folder_ + L"big.txt";
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ret = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
  const int64_t base = int64_t{5} << 30;
  LARGE_INTEGER at;
  at.QuadPart = base;
  ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
  const std::string tail = "\r\n" + NumberedLines(300);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
  CloseHandle(h);
  form_->OpenFile(path);
  Application->ProcessMessages();
  messages_.clear();  // the NUL notice of the first page
  form_->MyTrackBar1->SetPosition(base + 2 + 20 * 100 + 7);  // inside line 100
  Application->ProcessMessages();
  ASSERT_EQ(Pos(), base + 2 + 20 * 100) << "the page starts at line 100";
  form_->Memo1->SetSelStart(20 * 3 + 5);
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  const int64_t anchor = base + 2 + 20 * 103 + 5;
  EXPECT_EQ(form_->Doc.SelStart, anchor);
  form_->Stepping().MoveForward(1);
  Application->ProcessMessages();
  ASSERT_EQ(Pos(), base + 2 + 20 * 101);
  form_->Memo1->SetSelStart(20 * 4 + 9);
  form_->Memo1MouseUp(mbLeft, ssShift);
  EXPECT_EQ(form_->Doc.SelStart, anchor);
  EXPECT_EQ(form_->Doc.SelLength, (base + 2 + 20 * 105 + 9) - anchor);
}

TEST_F(FormScroll, LoneLineEndsShownAsCrLfAreCountedOnceInThePane) {
  std::wstring w;
  for (int i = 0; i < 30; ++i) w += L"ab\n";
  Open(L"lf16.txt", Utf16Le(w, true));
  form_->CheckBox6->SetChecked(true);
  form_->ShowPage(false, true, 0);
  Application->ProcessMessages();
  HWND pane = form_->CurrentPane;
  const int64_t l2 = SendMessageW(pane, EM_LINEINDEX, 2, 0);
  ASSERT_EQ(l2, 8) << "the pane shows CR LF";
  SendMessageW(pane, EM_SETSEL, l2 + 1, l2 + 1 + 4);  // "b", CR LF, "a"
  form_->UpdateFileSelection(0);
  EXPECT_EQ(form_->Doc.SelStart, 1 + 2 * 3 + 1);
  EXPECT_EQ(form_->Doc.SelLength, 3) << "b, LF, a";
}

TEST_F(FormScroll, Utf8SelectionIsMeasuredInBytes) {
  // "あい\r\n" = 6 + 2 bytes per line, after a 3-byte mark.
  std::string u8 = "\xEF\xBB\xBF";
  for (int i = 0; i < 20; ++i) u8 += "\xE3\x81\x82\xE3\x81\x84\r\n";
  Open(L"u8.txt", u8);
  ASSERT_TRUE(form_->IsWideView());
  HWND pane = form_->CurrentPane;
  const int64_t l1 = SendMessageW(pane, EM_LINEINDEX, 1, 0);
  SendMessageW(pane, EM_SETSEL, l1 + 1, l1 + 2);  // the second character of line 1
  form_->UpdateFileSelection(0);
  EXPECT_EQ(form_->Doc.SelStart, 3 + 8 + 3);
  EXPECT_EQ(form_->Doc.SelLength, 3);
}

TEST_F(FormScroll, BackspaceAndDeleteTakeOneCharacterOfTheFileCode) {
  form_->CheckBox1->SetChecked(false);  // deleting allowed
  // a, hiragana a (82 A0), b
  const std::string rest = NumberedLines(3);
  const std::wstring p = Open(L"kanji.txt", std::string("a\x82\xA0" "b\r\n") + rest);
  form_->Memo1->SetSelStart(3);  // after the kanji
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  ASSERT_EQ(form_->Doc.SelStart, 3);
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), "ab\r\n" + rest);
  EXPECT_EQ(form_->Doc.SelStart, 1);
  // Delete at "b".
  form_->Memo1->SetSelStart(1);
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  form_->DeleteOrBackspace(false);
  EXPECT_EQ(testsupport::ReadBytes(p), "a\r\n" + rest);
  // Backspace at the file's start changes nothing.
  form_->Memo1->SetSelStart(0);
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), "a\r\n" + rest);
  // While long work runs, the keys change nothing.
  form_->Memo1->SetSelStart(1);
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Insert));
  WORD key = VK_BACK;
  form_->Memo1KeyDown(key, 0);
  form_->Work.End(vastrel::WorkGuard::Job::Insert);
  EXPECT_EQ(testsupport::ReadBytes(p), "a\r\n" + rest);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FormScroll, EucThreeByteCharacterIsDeletedWhole) {
  form_->CheckBox1->SetChecked(false);
  // A, 8F B0 A1 (JIS X 0212), B0 A1, B
  const std::string rest = NumberedLines(3);
  const std::wstring p = Open(L"euc.txt", std::string("A\x8F\xB0\xA1\xB0\xA1" "B\r\n") + rest);
  form_->ComboBox1->SetItemIndex(tcEucJp);  // the code forced: too short to tell
  form_->ComboBox1Change();
  ASSERT_EQ(form_->Doc.TextCode, tcEucJp);
  form_->Doc.SelStart = 4;  // after the three-byte character
  form_->Doc.SelLength = 0;
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), "A\xB0\xA1" "B\r\n" + rest);
  form_->Doc.SelStart = 1;
  form_->Doc.SelLength = 0;
  form_->DeleteOrBackspace(false);
  EXPECT_EQ(testsupport::ReadBytes(p), "AB\r\n" + rest);
  testsupport::WriteBytes(p, std::string("A\x8F\xB0\xA1\xB0\xA1" "B\r\n") + rest);
  form_->Doc.SelStart = 6;  // after B0 A1
  form_->Doc.SelLength = 0;
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), "A\x8F\xB0\xA1" "B\r\n" + rest);
}

TEST_F(FormScroll, DeleteAtTheEndAndSurrogatePairsInUtf16) {
  form_->CheckBox1->SetChecked(false);
  const std::wstring w = std::wstring(L"ab") + wchar_t(0xD83D) + wchar_t(0xDE00) + L"c";
  const std::wstring p = Open(L"pair.txt", Utf16Le(w, true));
  HWND pane = form_->CurrentPane;
  SendMessageW(pane, EM_SETSEL, 4, 4);  // after the pair
  form_->UpdateFileSelection(0);
  ASSERT_EQ(form_->Doc.SelStart, 1 + 4);
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), Utf16Le(L"abc", true));
  // Delete after the last character changes nothing.
  pane = form_->CurrentPane;
  SendMessageW(pane, EM_SETSEL, 3, 3);
  form_->UpdateFileSelection(0);
  ASSERT_EQ(form_->Doc.SelStart, 4);
  form_->DeleteOrBackspace(false);
  EXPECT_EQ(testsupport::ReadBytes(p), Utf16Le(L"abc", true));
  // Backspace before the first character (right after the mark) neither.
  SendMessageW(pane, EM_SETSEL, 0, 0);
  form_->UpdateFileSelection(0);
  form_->DeleteOrBackspace(true);
  EXPECT_EQ(testsupport::ReadBytes(p), Utf16Le(L"abc", true));
}

}  // namespace

namespace {

// Writes the window as it is on the screen to a 24-bit BMP file.
bool SaveWindowBitmap(HWND w, const std::wstring& path) {
  RECT r;
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  std::string out(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  out.append(static_cast<const char*>(bits), size);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return testsupport::WriteBytes(path, out);
}

}  // namespace

// A selection that begins on one page and runs past the view's bottom, with the
// status bar showing size, position and the selection's size. The picture is
// written when VASTREL_SCREENSHOTS names a folder.
TEST_F(FormScroll, SelectionAcrossAPageBorderInTheStatusBar) {
  const std::string sample = testsupport::ReadBytes(testsupport::SourcePath(L"samples\\sjis_crlf.txt"));
  ASSERT_GT(sample.size(), 500u);
  const std::string text = sample + sample + sample + sample;
  Open(L"look.txt", text);
  const int perPage = form_->Memo1->LineCount();
  ASSERT_GT(perPage, 4);
  // Press on the third line from the bottom of the first page.
  const int startLine = perPage - 3;
  form_->Memo1->SetSelStart(form_->Memo1->LineIndex(startLine) + 2);
  form_->Memo1MouseDown(mbLeft, 0);
  form_->Memo1MouseUp(mbLeft, 0);
  // Shift+click on the third line of the next page.
  const int64_t nextPage = form_->MyTrackBar1->Position();
  form_->Stepping().MoveForward(1);
  for (int i = 0; i < perPage - 2; ++i) form_->Stepping().MoveForward(1);
  Application->ProcessMessages();
  ASSERT_GT(form_->MyTrackBar1->Position(), nextPage);
  form_->Memo1->SetSelStart(form_->Memo1->LineIndex(2) + 4);
  form_->Memo1MouseUp(mbLeft, ssShift);
  ASSERT_GT(form_->Doc.SelLength, 0);
  // Back a few lines: the selection now runs across the view's bottom edge.
  for (int i = 0; i < perPage / 2; ++i) form_->Stepping().MoveBack(1);
  Application->ProcessMessages();
  form_->ShowSelectionStatus();
  Application->ProcessMessages();
  EXPECT_FALSE(form_->StatusBar1->Panel(0)->TextW().empty());
  EXPECT_FALSE(form_->StatusBar1->Panel(1)->TextW().empty());
  EXPECT_GT(form_->SelectionBytes, 0);
  RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Pump(200);
  const char* dir = std::getenv("VASTREL_SCREENSHOTS");
  if (dir && *dir) {
    std::wstring path = Cp932ToWide(dir) + L"\\form_scroll_selection.bmp";
    EXPECT_TRUE(SaveWindowBitmap(form_->Handle(), path));
  }
}
