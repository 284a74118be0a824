// The line index in the real main window under wine: the build on its thread,
// its end, the stored lists, the jumps, the number column, the jump list and
// the selection's line count.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "controls/NumberEdit.h"
#include "dialogs/InputBoxUnit.h"
#include "engine/LineIndex.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "framework/Thread.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/IniStore.h"
#include "viewer/VastrelForm.h"

namespace {

const wchar_t kBuildCaption[] = L"行番号リスト作成の確認";
const wchar_t kUpdateCaption[] = L"行番号リストの更新";

std::string Lines(int from, int to, const char* end = "\r\n") {
  std::string s;
  for (int i = from; i <= to; ++i) s += "l" + std::to_string(i) + end;
  return s;
}

// The line-number box's answer: typed into it by a timer inside its modal loop.
std::wstring g_typed;
std::wstring g_boxCaption, g_boxLabel;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  auto* box = dynamic_cast<TInputBoxDlg*>(TForm::InnermostModal());
  if (!box) return;
  KillTimer(nullptr, id);
  g_boxCaption = box->TextW();
  g_boxLabel = box->Label1->TextW();
  box->NumberEdit1->SetTextW(g_typed);
  box->OKBtn->Click();
}

void CtrlKey(HWND target, WORD key) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(target, WM_KEYDOWN, key, 0);
  Application->ProcessMessages();
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

// The window as it is on screen, as a BMP file (when VASTREL_LINE_SHOT names one).
void SaveWindowPicture(HWND window) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"VASTREL_LINE_SHOT", path, MAX_PATH)) return;
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  const DWORD stride = (DWORD(w) * 3 + 3) & ~3u, size = stride * DWORD(h);
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
  bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  bytes.append(static_cast<const char*>(bits), size);
  testsupport::WriteBytes(path, bytes);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

class LineIndexWindow : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"lix");
    SetMessageHandler([this](const MessageRequest& r) {
      messages_.push_back(r.text);
      captions_.push_back(r.caption);
      if (onMessage) onMessage(r);
      return answer;
    });
  }
  void TearDown() override { EndMainWindow(); }

  // Serves the build's synchronise calls until it has ended.
  void WaitBuild(TVastrelForm* f) {
    const DWORD start = GetTickCount();
    while (!f->LineThreadIdle && GetTickCount() - start < 60000) {
      CheckSynchronize();
      Application->ProcessMessages();
      if (!f->LineThreadIdle) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    ASSERT_TRUE(f->LineThreadIdle);
  }
  void Build(TVastrelForm* f) {
    f->StartLineCount(f->Doc.FilePath);
    WaitBuild(f);
  }
  static std::vector<std::pair<int64_t, int64_t>> Records(const engine::CheckpointList& l) {
    std::vector<std::pair<int64_t, int64_t>> v;
    for (size_t i = 0; i < l.size(); ++i) v.push_back({l[i].Lines, l[i].Offset});
    return v;
  }
  std::wstring FirstViewLine() {
    const std::wstring t = ViewText();
    return t.substr(0, t.find_first_of(L"\r\n"));
  }
  int Count(const std::wstring& caption) {
    int n = 0;
    for (auto& c : captions_) n += c == caption;
    return n;
  }
  void ClearMessages() {
    messages_.clear();
    captions_.clear();
  }

  int answer = IDOK;
  std::function<void(const MessageRequest&)> onMessage;
  std::vector<std::wstring> captions_;
};

}  // namespace

TEST_F(LineIndexWindow, TheButtonBuildsAfterYesAndTakesTheBuildersRecords) {
  const std::wstring p = File(L"a.txt", Lines(1, 4500));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  f->LineThreadChunk = 4096;
  answer = IDYES;
  f->SpeedButton7->Click();
  EXPECT_EQ(Count(kBuildCaption), 1);
  EXPECT_FALSE(f->LineThreadIdle);
  EXPECT_TRUE(f->SpeedButton7->Down());
  WaitBuild(f);
  EXPECT_FALSE(f->SpeedButton7->Down());
  EXPECT_FALSE(f->ColorProgressBar2->Visible());
  engine::CheckpointList want;
  engine::NullProgress none;
  engine::LineIndexOptions o;
  ASSERT_FALSE(engine::BuildLineIndex(p, o, 1, none, want).cancelled);
  EXPECT_EQ(Records(*f->LineCheckpointList), Records(want));
  EXPECT_EQ(f->LineCheckpointList->size(), 5u);  // start, checkpoints 2000 and 4000, final, trailer
  EXPECT_TRUE(f->Doc.LineListChanged);
  // No: the button comes up and nothing starts.
  answer = IDNO;
  f->SpeedButton7->Click();
  EXPECT_FALSE(f->SpeedButton7->Down());
  EXPECT_TRUE(f->LineThreadIdle);
}

TEST_F(LineIndexWindow, ASecondClickCancelsALongBuild) {
  const std::wstring p = folder_ + L"big.txt";
  {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = 64ll << 20;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
  }
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  ClearMessages();
  f->LineThreadChunk = 512;
  answer = IDYES;
  f->SpeedButton7->Click();
  ASSERT_FALSE(f->LineThreadIdle);
  f->SpeedButton7->Click();  // released: cancel
  WaitBuild(f);
  EXPECT_TRUE(f->LineCheckpointList->empty());
  EXPECT_FALSE(f->Doc.LineListChanged);
  EXPECT_EQ(messages_.size(), 1u);  // the question only
}

TEST_F(LineIndexWindow, ABuildOfTheFileLeftNeverGivesTheNextFileItsRecords) {
  const std::wstring a = File(L"a.txt", Lines(1, 3000));
  // B shows a notice while it opens (a NUL): A's build ends meanwhile.
  const std::wstring b = File(L"b.txt", std::string("x\0y\r\nz", 6));
  TVastrelForm* f = StartForm();
  f->OpenFile(a);
  f->LineThreadChunk = 1024;
  f->StartLineCount(a);
  ASSERT_FALSE(f->LineThreadIdle);
  bool servedEnd = false;
  onMessage = [&](const MessageRequest&) {
    const DWORD start = GetTickCount();
    while (!f->LineThreadIdle && GetTickCount() - start < 30000) {
      CheckSynchronize();
      Sleep(1);
    }
    servedEnd = f->LineThreadIdle;
  };
  f->OpenFile(b);
  onMessage = nullptr;
  EXPECT_TRUE(servedEnd);
  EXPECT_EQ(f->Doc.FilePath, b);
  EXPECT_TRUE(f->LineCheckpointList->empty());
  EXPECT_FALSE(f->Doc.LineListChanged);
  // Nothing is stored for B on the way out.
  f->SaveOrLoadLineList(true, false);
  EXPECT_FALSE(f->HasLineNumberList());
}

TEST_F(LineIndexWindow, ACloseDuringABuildEndsCleanly) {
  const std::wstring p = File(L"a.txt", Lines(1, 20000));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  f->LineThreadChunk = 256;
  f->StartLineCount(p);
  ASSERT_FALSE(f->LineThreadIdle);
  bool canClose = false;
  f->FormCloseQuery(f, canClose);
  EXPECT_TRUE(canClose);
  EndMainWindow();  // waits for the build, serving it
  SUCCEED();
}

TEST_F(LineIndexWindow, JumpsToFirstLastAndMissingLines) {
  // 60 lines; the last after a lone LF, reachable with the CR/LF switch on.
  const std::wstring p = File(L"j.txt", Lines(1, 59) + "end\nx");
  TVastrelForm* f = StartForm(0, 0, 700, 400);
  f->OpenFile(p);
  f->CheckBox6->SetChecked(true);
  Build(f);
  ASSERT_FALSE(f->LineCheckpointList->empty());
  for (bool column : {false, true}) {
    if (f->N26->Checked() != column) f->N26Click();
    f->N31Jump(L"40");
    EXPECT_EQ(FirstViewLine(), L"l40");
    f->N31Jump(L"1");
    EXPECT_EQ(FirstViewLine(), L"l1") << column;
    EXPECT_EQ(f->Doc.FirstLineNumber, 0);
    EXPECT_EQ(f->CurrentLine, 1);
    if (column) {
      EXPECT_EQ(f->ListBox1->Items().Get(0), "1");
    } else {
      EXPECT_EQ(f->Panel3->TextW(), L"1");
    }
  }
  // The last line lies in the slider's last step: the last page that can be shown shows it.
  ClearMessages();
  f->N31Jump(L"61");
  EXPECT_TRUE(messages_.empty());
  const std::wstring shown = ViewText();
  EXPECT_EQ(shown.substr(shown.size() - 6), L"end\r\nx");
  EXPECT_EQ(f->CurrentLine, 61);
  const std::wstring before = ViewText();
  for (const wchar_t* missing : {L"62", L"-5"}) {
    ClearMessages();
    f->N31Jump(missing);
    ASSERT_EQ(messages_.size(), 1u) << missing;
    EXPECT_EQ(messages_[0], L"[ " + std::wstring(missing) + L" ]\nこの行番号は、見つかりませんでした。");
    EXPECT_EQ(ViewText(), before);
  }
}

TEST_F(LineIndexWindow, TheColumnDrawsNumbersAndEstimatesWithWrapOn) {
  const std::wstring p = File(L"c.txt", Lines(1, 200));
  TVastrelForm* f = StartForm(0, 0, 700, 400);
  f->OpenFile(p);
  Build(f);
  std::vector<std::wstring> drawn;
  f->LineNumberDrawn = [&](int, const std::wstring& shown, TColor) { drawn.push_back(shown); };
  f->N26Click();
  ASSERT_TRUE(f->ListBox1->Visible());
  f->N31Jump(L"100");
  Application->ProcessMessages();
  SaveWindowPicture(f->Handle());
  drawn.clear();
  f->ListBox1->Invalidate();
  f->ListBox1->Update();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn[0], L"100");
  EXPECT_EQ(drawn[1], L"101");
  f->CheckBox2->SetChecked(true);  // wrap
  drawn.clear();
  f->ListBox1->Invalidate();
  f->ListBox1->Update();
  ASSERT_FALSE(drawn.empty());
  for (const std::wstring& d : drawn) EXPECT_EQ(d[0], L'?') << d;
}

TEST_F(LineIndexWindow, EveryChangeOfTheCrLfSwitchShowsThePageAgainAndTheUserGetsTheWarning) {
  const std::wstring p = File(L"s.txt", "a\nb\nc\r\nd\r\n");
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  const std::wstring textOff = ViewText();
  f->CheckBox6->SetChecked(true);
  EXPECT_NE(ViewText(), textOff);
  Build(f);
  ClearMessages();
  // The keyboard: space on the focused box.
  f->CheckBox6->SetFocus();
  SendMessageW(f->CheckBox6->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(f->CheckBox6->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  Application->ProcessMessages();
  ASSERT_FALSE(f->CheckBox6->Checked());
  EXPECT_EQ(ViewText(), textOff);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"現在の行番号リストはCR/LFがオンで作成されています。\n行番号を正しく表示するには、CR/LFスイッチをオンにして下さい");
}

TEST_F(LineIndexWindow, TheJumpListKeepsNumbersOnceInNumericOrder) {
  const std::wstring p = File(L"l.txt", Lines(1, 200));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  for (const char* item : {"100", "20", "3", "20", "No"}) {
    f->ListBox1->Items().SetText(item);
    f->ListBox1->SetItemIndex(0);
    f->ListBox1DblClick();
  }
  ASSERT_EQ(f->ListBox2->Count(), 3);
  EXPECT_EQ(f->ListBox2->Items().Get(0), "3");
  EXPECT_EQ(f->ListBox2->Items().Get(1), "20");
  EXPECT_EQ(f->ListBox2->Items().Get(2), "100");
  EXPECT_TRUE(f->SpeedButton5->Enabled());
  // A double-click on an item jumps there.
  Build(f);
  f->ListBox2->SetItemIndex(1);
  f->ListBox2DblClick();
  EXPECT_EQ(FirstViewLine(), L"l20");
}

TEST_F(LineIndexWindow, BookmarksFromTheJumpListInEachCode) {
  struct Case {
    const char* name;
    std::string bytes;
    int code;
    std::wstring want;
  };
  const std::string sjis = "a\r\nbb\r\nc\r\n";
  const Case cases[] = {
      {"Shift_JIS", sjis, 0, L"3@3#1=-----"},
      {"UTF-16", testsupport::Utf16Le(L"a\r\nbb\r\nc\r\n", true), 1, L"8@4#1=-----"},
      {"JIS", "a\r\nb\x1b$B$\"\x1b(B\r\nc\r\n", 4, L"3@3#1=-----@\\@0"},
  };
  TVastrelForm* f = StartForm();
  for (const Case& c : cases) {
    const std::wstring p = File(L"bm.txt", c.bytes);
    f->OpenFile(p);
    if (f->Doc.TextCode != c.code) {
      f->ComboBox1->SetItemIndex(c.code);
      f->ComboBox1Change();
    }
    ASSERT_EQ(f->Doc.TextCode, c.code) << c.name;
    Build(f);
    f->BockListBox1->Items().Clear();
    f->ListBox2->Items().Clear();
    f->ListBox2->Items().Add("2");
    f->ListBox2->Items().Add("9");  // not in the file: skipped
    f->ListBox2->SetSelected(0, true);
    f->ListBox2->SetSelected(1, true);
    f->N30Click();
    ASSERT_EQ(f->BockListBox1->Count(), 1) << c.name;
    EXPECT_EQ(GetItemWide(f->BockListBox1->Items(), 0), c.want) << c.name;
    f->N30Click();  // the same B again: nothing new
    EXPECT_EQ(f->BockListBox1->Count(), 1) << c.name;
    f->Doc.BookmarksChanged = false;
  }
}

TEST_F(LineIndexWindow, TheSelectionsLineCountInABigEndianFile) {
  const std::wstring p = File(L"be.txt", std::string("\xFE\xFF", 2) + testsupport::Utf16Be(u"a\r\nb\r\nc\r\nd"));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  ASSERT_EQ(f->Doc.TextCode, tcUtf16);
  ASSERT_EQ(f->Doc.ByteOrder, boBigEndian);
  f->Doc.SelStart = 1;
  f->Doc.SelLength = 10;
  f->SelectionBytes = 20;
  EXPECT_EQ(f->CountPageLines(), 4);
  f->SelectionBytes = f->EditMaxBytes() + 1;
  EXPECT_EQ(f->CountPageLines(), -1);
}

TEST_F(LineIndexWindow, AnInPlaceChangeMakesJumpsAskAndStopsStoring) {
  const std::wstring p = File(L"e.txt", Lines(1, 100));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  Build(f);
  ASSERT_TRUE(f->SaveLineList(p));
  const std::wstring stored = f->LineListPath(p);
  ASSERT_FALSE(stored.empty());
  f->LineIndexFileChanged(10, 0);  // an equal-size change
  EXPECT_FALSE(f->Doc.LineListChanged);
  ClearMessages();
  answer = IDNO;
  f->N31Jump(L"50");
  EXPECT_EQ(Count(kUpdateCaption), 1);
  EXPECT_NE(FirstViewLine(), L"l50");
  EXPECT_FALSE(f->SaveLineList(p));
  // The stored list no longer passes: loading it asks for a new one.
  f->ClearLineList();
  ClearMessages();
  f->LoadLineListFor(p);
  EXPECT_TRUE(f->LineCheckpointList->empty());
  EXPECT_EQ(Count(kUpdateCaption), 1);
}

TEST_F(LineIndexWindow, StoredListsTakeFreshNumbersAndOnlyListNames) {
  const std::wstring a = File(L"a.txt", Lines(1, 10));
  const std::wstring b = File(L"b.txt", Lines(1, 20));
  const std::wstring c = File(L"c.txt", Lines(1, 30));
  TVastrelForm* f = StartForm();
  const std::wstring data1 = f->Paths.data1Folder;
  f->OpenFile(a);
  Build(f);
  ASSERT_TRUE(f->SaveLineList(a));
  EXPECT_EQ(f->LineListPath(a), data1 + L"list0.txg");
  f->OpenFile(b);
  Build(f);
  ASSERT_TRUE(f->SaveLineList(b));
  EXPECT_EQ(f->LineListPath(b), data1 + L"list1.txg");
  ASSERT_TRUE(f->SaveLineList(b));  // again: its own file
  EXPECT_EQ(f->LineListPath(b), data1 + L"list1.txg");
  EXPECT_EQ(f->LineListCount(b, true), int64_t(f->LineCheckpointList->size()));
  // list0's file removed by hand: its number stays taken by a's section.
  DeleteFileW((data1 + L"list0.txg").c_str());
  f->OpenFile(c);
  Build(f);
  ASSERT_TRUE(f->SaveLineList(c));
  EXPECT_EQ(f->LineListPath(c), data1 + L"list2.txg");
  // A stored value that names another file is neither written nor deleted.
  const std::wstring victim = File(L"victim.txt", "keep");
  TStringList lines;
  AddWithWideCopy(lines, L"path=" + victim);
  ASSERT_TRUE(f->Store().WriteIniSectionOf(f->Paths.lineStore, c, lines));
  EXPECT_TRUE(f->LineListPath(c).empty());
  ASSERT_TRUE(f->SaveLineList(c));
  EXPECT_EQ(testsupport::ReadBytes(victim), "keep");
  // list0 is still named by a's section, list2 is c's old file.
  EXPECT_EQ(f->LineListPath(c), data1 + L"list3.txg");
  lines.Clear();
  AddWithWideCopy(lines, L"path=" + victim);
  ASSERT_TRUE(f->Store().WriteIniSectionOf(f->Paths.lineStore, a, lines));
  EXPECT_TRUE(f->DeleteLineList(a));
  EXPECT_EQ(testsupport::ReadBytes(victim), "keep");
  EXPECT_FALSE(f->Store().IniSectionExists(f->Paths.lineStore, a));
  // A proper one is deleted with its section.
  EXPECT_TRUE(f->DeleteLineList(b));
  bool there = true;
  testsupport::ReadBytes(data1 + L"list1.txg", &there);
  EXPECT_FALSE(there);
}

TEST_F(LineIndexWindow, AFailedListWriteSaysSoOnceAndKeepsTheOldList) {
  const std::wstring a = File(L"a.txt", Lines(1, 10));
  TVastrelForm* f = StartForm();
  f->OpenFile(a);
  Build(f);
  ASSERT_TRUE(f->SaveLineList(a));
  const std::string old = testsupport::ReadBytes(f->LineListPath(a));
  File(L"a.txt", Lines(1, 3000));
  f->OpenFile(a);  // the stored list no longer fits: no loads it, no builds
  answer = IDYES;
  Build(f);
  ASSERT_GT(f->LineCheckpointList->size(), 3u);
  fileops::FaultFiles faults;
  faults.diskSpace = 20;
  ClearMessages();
  {
    fileops::ScopedFiles scope(faults);
    EXPECT_FALSE(f->SaveLineList(a));
  }
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], SystemErrorTextWide(ERROR_DISK_FULL));
  EXPECT_EQ(testsupport::ReadBytes(f->LineListPath(a)), old);
}

TEST_F(LineIndexWindow, OpeningAFileWithAFittingListLoadsItWithoutTheRebuildQuestion) {
  const std::wstring a = File(L"a.txt", Lines(1, 2500));
  TVastrelForm* f = StartForm();
  f->OpenFile(a);
  Build(f);
  const auto built = Records(*f->LineCheckpointList);
  ASSERT_TRUE(f->SaveLineList(a));
  f->ClearLineList();
  ClearMessages();
  answer = IDYES;
  f->OpenFile(a);
  EXPECT_EQ(Count(L"行番号リストの読込確認"), 1);
  EXPECT_EQ(Count(kUpdateCaption), 0);
  EXPECT_EQ(Records(*f->LineCheckpointList), built);
  EXPECT_FALSE(f->Doc.LineListChanged);
}

TEST_F(LineIndexWindow, CtrlJAsksTheLineAndJumpsOrSaysItIsMissing) {
  const std::wstring p = File(L"k.txt", Lines(1, 80));
  TVastrelForm* f = StartForm(0, 0, 700, 400);
  f->OpenFile(p);
  Build(f);
  f->N31Jump(L"50");
  ASSERT_EQ(FirstViewLine(), L"l50");
  for (bool column : {false, true}) {
    if (f->N26->Checked() != column) f->N26Click();
    f->N31Jump(L"50");
    g_typed = L"1";
    SetTimer(nullptr, 0, 10, AnswerBox);
    CtrlKey(f->Memo1->Handle(), 'J');
    EXPECT_EQ(g_boxCaption, L"指定の行へジャンプ");
    EXPECT_EQ(g_boxLabel, L"移動先の行番号を入力して下さい。");
    EXPECT_EQ(FirstViewLine(), L"l1") << column;
    EXPECT_EQ(f->CurrentLine, 1);
  }
  ClearMessages();
  const std::wstring before = ViewText();
  g_typed = L"81";
  SetTimer(nullptr, 0, 10, AnswerBox);
  CtrlKey(f->Memo1->Handle(), 'J');
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"[ 81 ]\nこの行番号は、見つかりませんでした。");
  EXPECT_EQ(ViewText(), before);
}

TEST_F(LineIndexWindow, ABuildOverWhichTheFileChangedGivesNoIndex) {
  const std::wstring p = File(L"w.txt", Lines(1, 20000));
  TVastrelForm* f = StartForm();
  f->OpenFile(p);
  f->LineThreadChunk = 512;
  f->StartLineCount(p);
  ASSERT_FALSE(f->LineThreadIdle);
  f->LineIndexFileChanged(100, 3);
  WaitBuild(f);
  EXPECT_TRUE(f->LineCheckpointList->empty());
  EXPECT_FALSE(f->Doc.LineListChanged);
  EXPECT_TRUE(f->LineIndexStale);
  ClearMessages();
  answer = IDNO;
  f->N31Jump(L"5");
  EXPECT_EQ(Count(kUpdateCaption), 1);
  // During long work the button starts nothing.
  f->WorkIdle = false;
  answer = IDYES;
  ClearMessages();
  f->SpeedButton7->Click();
  f->WorkIdle = true;
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(f->LineThreadIdle);
  EXPECT_FALSE(f->SpeedButton7->Down());
}

// Page Down and Page Up begin pages where no line-start scan counts along:
// with an index, the column and Panel3 show the page's own numbers after
// every move; without one they show estimates, marked.
TEST_F(LineIndexWindow, PageMovesShowTheTrueNumbersOfTheIndex) {
  const std::wstring p = File(L"n.txt", Lines(1, 20000));
  TVastrelForm* f = StartForm(0, 0, 700, 400);
  f->OpenFile(p);
  Build(f);
  ASSERT_GT(f->LineCheckpointList->size(), 10u);
  const HWND view = f->Memo1->Handle();
  auto pageKey = [&](bool forward) {
    const WPARAM key = forward ? VK_NEXT : VK_PRIOR;
    SendMessageW(view, WM_KEYDOWN, key, 1);
    TTimer* t = forward ? f->Timer2 : f->Timer1;
    ASSERT_TRUE(t->Enabled());
    SendMessageW(TTimer::Window(), WM_TIMER, t->Id(), 0);
    SendMessageW(view, WM_KEYUP, key, 0xC0000001);
    Application->ProcessMessages();
  };
  auto firstOnScreen = [&] {
    int n = 0;
    swscanf(FirstViewLine().c_str(), L"l%d", &n);
    return n;
  };
  std::vector<std::wstring> drawn;
  f->LineNumberDrawn = [&](int, const std::wstring& shown, TColor) { drawn.push_back(shown); };
  auto column = [&] {
    drawn.clear();
    f->ListBox1->Invalidate();
    f->ListBox1->Update();
    return drawn;
  };

  f->N31Jump(L"7777");
  ASSERT_EQ(firstOnScreen(), 7777);
  f->N26Click();  // the column
  ASSERT_TRUE(f->ListBox1->Visible());
  const bool moves[] = {true, true, false, true, false, false};
  for (bool forward : moves) {
    const int before = firstOnScreen();
    pageKey(forward);
    const int first = firstOnScreen();
    SCOPED_TRACE("page starting at line " + std::to_string(first));
    EXPECT_NE(first, before);
    const std::vector<std::wstring> shown = column();
    ASSERT_GE(shown.size(), 3u);
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], std::to_wstring(first + static_cast<int>(i)));
  }
  // The column hidden: Panel3 has the number.
  f->N26Click();
  ASSERT_FALSE(f->ListBox1->Visible());
  for (bool forward : moves) {
    pageKey(forward);
    EXPECT_EQ(f->Panel3->TextW(), std::to_wstring(firstOnScreen()));
  }

  // Without an index the numbers are estimates, and say so.
  f->ClearLineList();
  pageKey(true);
  EXPECT_EQ(f->Panel3->TextW().substr(0, 4), L"? > ");
  f->N26Click();
  pageKey(true);
  const std::vector<std::wstring> estimated = column();
  ASSERT_FALSE(estimated.empty());
  for (const std::wstring& d : estimated) EXPECT_EQ(d[0], L'?') << d;
  f->LineNumberDrawn = nullptr;
}
