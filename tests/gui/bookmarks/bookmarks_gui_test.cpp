// Bookmarks in the real main window under wine: adding at the caret in every
// code, jumping by position and by line, retitling through the input box,
// deleting, sorting, the save and load questions, and the purge of the store.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "dialogs/InputBoxWUnit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "framework/Thread.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "text/BookmarkEntry.h"
#include "viewer/IniStore.h"
#include "viewer/VastrelForm.h"

namespace {

const UINT kStep = WM_APP + 415;
std::vector<std::function<void()>> g_steps;

std::string Lines(int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) {
    char buf[32];
    snprintf(buf, sizeof buf, "line%03d text\r\n", i);
    s += buf;
  }
  return s;
}

class Bookmarks : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"bkm");
    SetMessageHandler([this](const MessageRequest& r) {
      messages_.push_back(r.text);
      captions_.push_back(r.caption);
      return answer;
    });
  }
  // The window, with the test's steps served before its own message hook.
  TVastrelForm* Start(int l = 40, int t = 40, int w = 640, int h = 420) {
    TVastrelForm* f = StartForm(l, t, w, h);
    auto own = Application->OnMessage;
    Application->OnMessage = [own](MSG& m, bool& handled) {
      if (m.hwnd == nullptr && m.message == kStep) {
        handled = true;
        if (m.wParam < g_steps.size()) g_steps[m.wParam]();
        return;
      }
      if (own) own(m, handled);
    };
    return f;
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    g_steps.clear();
    EndMainWindow();
  }

  std::vector<std::wstring> Entries() {
    std::vector<std::wstring> out;
    for (int i = 0; i < form_->BockListBox1->Count(); ++i) out.push_back(GetItemWide(form_->BockListBox1->Items(), i));
    return out;
  }
  // The caret put at view index i, as a click there does.
  void Caret(int64_t i, int64_t length = 0) {
    form_->SetSelection(i, i + length);
    form_->UpdateFileSelection(0);
  }
  void Select(std::initializer_list<int> items) {
    form_->BockListBox1->ClearSelection();
    for (int i : items) form_->BockListBox1->SetSelected(i, true);
    if (items.size() > 0) form_->BockListBox1->SetItemIndex(*items.begin());
    for (int i : items) form_->BockListBox1->SetSelected(i, true);
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
  std::vector<std::wstring> StoredSection(const std::wstring& path) {
    TStringList list;
    IniStore::ReadSectionFromText(form_->Paths.bookStore, path, list);
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(ItemTextWide(list, i));
    return out;
  }

  int answer = IDYES;
  std::vector<std::wstring> captions_;
};

}  // namespace

TEST_F(Bookmarks, AddAtTheCaretInShiftJisUtf16AndUtf8) {
  TVastrelForm* f = Start();
  // "second " and then Japanese text on the second line, in each code.
  const std::string jp = "\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7\x81\x42\x93\xFA\x96\x7B\x8C\xEA";
  const std::string sjisLine = "second " + jp + jp + jp + jp;
  const std::wstring wideLine = Cp932ToWide(sjisLine);
  const std::string sjis = "first line\r\n" + sjisLine + "\r\nthird\r\n";
  std::string utf8;
  f->Conv.WideToUtf8(Cp932ToWide(sjis).c_str(), CodeConv::ByteOrder::Little, &utf8);
  utf8 = "\xEF\xBB\xBF" + utf8;  // a text this short is told UTF-8 by its mark
  struct Case {
    const wchar_t* name;
    std::string bytes;
    int code;
  } cases[] = {
      {L"sjis.txt", sjis, tcShiftJis},
      {L"utf16.txt", testsupport::Utf16Le(Cp932ToWide(sjis), true), tcUtf16},
      {L"utf8.txt", utf8, tcUtf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    f->OpenFile(File(c.name, c.bytes));
    ASSERT_EQ(f->Doc.TextCode, c.code);
    // The caret on the first Japanese character of the second line.
    const std::wstring view = ViewText();
    const size_t at = view.find(L"second ") + 7;
    Caret(f->IsWideView() ? at : WideToCp932(view.substr(0, at)).size());
    const int64_t b = f->Doc.SelStart;
    f->N7Click();
    ASSERT_EQ(f->BockListBox1->Count(), 1);
    std::wstring name, value;
    bookmark::SplitEntry(Entries()[0], name, value);
    const bookmark::Name n = bookmark::ParseName(name);
    EXPECT_EQ(n.b, b);
    EXPECT_EQ(n.line, 1);
    const bookmark::Value v = bookmark::ParseValue(value);
    EXPECT_EQ(v.text, wideLine.substr(7));
    EXPECT_EQ(v.jis, c.code == tcJis ? f->Doc.JisShiftState : -1);
    EXPECT_EQ(f->BockListBox1->Items().Get(0), "new");
    EXPECT_TRUE(f->Doc.BookmarksChanged);
    EXPECT_TRUE(f->SpeedButton5->Enabled());
    // The same place again adds nothing.
    f->N7Click();
    EXPECT_EQ(f->BockListBox1->Count(), 1);
    f->Doc.BookmarksChanged = false;  // no save question on the next open
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Bookmarks, JumpByPositionAndByLine) {
  TVastrelForm* f = Start(40, 40, 700, 400);
  f->Settings.BookmarkTitleMax = 6;
  f->OpenFile(File(L"long.txt", Lines(0, 299)));
  // The line index, for the line numbers and the jump by line.
  f->StartLineCount(f->Doc.FilePath);
  const DWORD start = GetTickCount();
  while (!f->LineThreadIdle && GetTickCount() - start < 60000) {
    CheckSynchronize();
    Application->ProcessMessages();
    if (!f->LineThreadIdle) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  ASSERT_TRUE(f->LineThreadIdle);
  const int64_t line150 = 150 * 14;
  f->MyTrackBar1->SetPosition(line150);
  ASSERT_EQ(FirstViewLine(), L"line150 text");
  const int64_t first = f->Doc.FirstLineNumber;
  Caret(2, 0);  // "ne150 text": cut to 6 units
  f->N7Click();
  ASSERT_EQ(Entries(), (std::vector<std::wstring>{std::to_wstring(line150 + 2) + L"@" + std::to_wstring(line150 + 2) +
                                                  L"#" + std::to_wstring(first) + L"=ne150 "}));
  f->ShowPage(false, true, 0);
  ASSERT_EQ(FirstViewLine(), L"line000 text");
  Select({0});
  f->BockListBox1DblClick();
  EXPECT_EQ(f->Doc.SelStart, line150 + 2);
  EXPECT_EQ(f->Doc.SelLength, 6);
  EXPECT_EQ(FirstViewLine(), L"line150 text");
  EXPECT_EQ(f->GetSelStart(), 2);
  EXPECT_EQ(f->GetSelLength(), 6);
  EXPECT_EQ(f->Doc.FirstLineNumber, first);

  // By line number: the page of the stored line.
  f->ShowPage(false, true, 0);
  f->CheckBox3->SetChecked(false);
  Select({0});
  f->BockListBox1DblClick();
  char expected[16];
  snprintf(expected, sizeof expected, "line%03d text", static_cast<int>(first));
  EXPECT_EQ(FirstViewLine(), Cp932ToWide(expected));
}

TEST_F(Bookmarks, JumpToTextOnALineInTheLastSliderStepSelectsItOnScreen) {
  // No page begins within the file's last 32 bytes: the last page that can be
  // shown holds the bookmarked text, selected.
  TVastrelForm* f = Start(40, 40, 700, 400);
  std::string text;
  for (int i = 0; i < 3; ++i) text += "head line " + std::to_string(i) + "\r\n";
  const int64_t second = static_cast<int64_t>(text.size()) + 13;
  text += WideToCp932(L"hello world\r\n日本語のテキスト\r\nABC abc\r\n");
  f->OpenFile(File(L"end.txt", text));
  struct Case {
    int64_t at;
    int line;
    std::wstring word;
  } cases[] = {{second, 4, L"日本語"}, {second + 18, 5, L"ABC"}, {second + 22, 5, L"abc"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    f->BockListBox1->Items().Clear();
    const std::wstring n = std::to_wstring(c.at);
    f->BockListBox1->Items().AddObject("", NewWideCopy(n + L"@" + n + L"#" + std::to_wstring(c.line) + L"=" + c.word));
    f->ShowPage(false, true, 0);
    Select({0});
    f->BockListBox1DblClick();
    EXPECT_EQ(f->Doc.SelStart, c.at);
    EXPECT_EQ(Cp932ToWide(f->GetSelTextNarrow()), c.word);
    EXPECT_TRUE(SelectionStartOnScreen(f->Memo1->Handle()));
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Bookmarks, JumpNearTheStartWithWrapOn) {
  TVastrelForm* f = Start(40, 40, 500, 400);
  std::string text = std::string(300, 'w') + "\r\n" + Lines(1, 40);
  f->OpenFile(File(L"wrap.txt", text));
  f->CheckBox2->SetChecked(true);  // wrap
  f->BockListBox1->Items().AddObject("", NewWideCopy(L"5@5#0=wwww"));
  f->ShowPage(false, true, 20 * 14);
  Select({0});
  f->BockListBox1DblClick();
  EXPECT_EQ(f->Doc.SelStart, 5);
  EXPECT_EQ(ViewText().substr(0, 10), std::wstring(10, L'w'));
  EXPECT_EQ(f->GetSelStart(), 5);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Bookmarks, RetitleThroughTheInputBox) {
  TVastrelForm* f = Start();
  f->OpenFile(File(L"t.txt", Lines(0, 20)));
  Caret(14);
  f->N7Click();
  Select({0});
  std::wstring shownTitle, caption;
  f->RetitleBoxShown = [&](TForm* box) {
    auto* dlg = static_cast<TInputWideDlg*>(box);
    g_steps = {[dlg, &shownTitle, &caption] {
      wchar_t buf[256] = {};
      GetWindowTextW(dlg->InputEdit, buf, 256);
      shownTitle = buf;
      GetWindowTextW(dlg->Handle(), buf, 256);
      caption = buf;
      SetWindowTextW(dlg->InputEdit, L"My title");
      dlg->OKBtn->Click();
    }};
    PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
  };
  f->Doc.BookmarksChanged = false;
  f->N6Click();
  EXPECT_EQ(shownTitle, L"line001 text");
  EXPECT_EQ(caption, L"ブックマークタイトルの編集");
  EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"14@14#1=My title\\@\\line001 text"}));
  EXPECT_TRUE(f->Doc.BookmarksChanged);

  // Given the text back as title: the title goes.
  f->RetitleBoxShown = [&](TForm* box) {
    auto* dlg = static_cast<TInputWideDlg*>(box);
    g_steps = {[dlg, &shownTitle] {
      wchar_t buf[256] = {};
      GetWindowTextW(dlg->InputEdit, buf, 256);
      shownTitle = buf;
      SetWindowTextW(dlg->InputEdit, L"line001 text");
      dlg->OKBtn->Click();
    }};
    PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
  };
  f->N6Click();
  EXPECT_EQ(shownTitle, L"My title");
  EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"14@14#1=line001 text"}));
}

TEST_F(Bookmarks, DeleteAfterTheQuestionAndSort) {
  TVastrelForm* f = Start();
  f->OpenFile(File(L"d.txt", Lines(0, 20)));
  for (int64_t at : {45, 15, 30}) {
    Caret(at);
    f->N7Click();
  }
  EXPECT_EQ(Entries()[0].substr(0, 3), L"45@");
  f->CheckBox4->SetChecked(true);  // sorts
  ASSERT_EQ(Entries().size(), 3u);
  EXPECT_EQ(Entries()[0].substr(0, 3), L"15@");
  EXPECT_EQ(Entries()[1].substr(0, 3), L"30@");
  EXPECT_EQ(Entries()[2].substr(0, 3), L"45@");

  Select({0, 2});
  answer = IDNO;
  f->Delete2Click();
  EXPECT_EQ(Entries().size(), 3u);
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back(), L"選択した 2個のブックマークを削除してもよろしいですか？");
  EXPECT_EQ(captions_.back(), L"削除確認");
  answer = IDYES;
  f->Delete2Click();
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_EQ(Entries()[0].substr(0, 3), L"30@");
  Select({0});
  f->Delete2Click();
  EXPECT_TRUE(Entries().empty());
  EXPECT_FALSE(f->SpeedButton5->Enabled());
  EXPECT_FALSE(f->Panel2->Visible());
}

TEST_F(Bookmarks, SavedAtCloseOfTheFileAndOfferedAtReopen) {
  TVastrelForm* f = Start();
  const std::wstring a = File(L"a.txt", Lines(0, 20));
  const std::wstring b = File(L"b.txt", Lines(0, 5));
  f->OpenFile(a);
  Caret(31);
  f->N7Click();
  const std::vector<std::wstring> made = Entries();
  answer = IDNO;
  f->OpenFile(b);  // No: nothing stored
  EXPECT_EQ(Count(L"ブックマークの保存確認"), 1);
  EXPECT_EQ(messages_.back(), L"[ a.txt ]\n\nこのファイルのブックマークは変更されています。\n保存しますか？");
  EXPECT_TRUE(StoredSection(a).empty());
  EXPECT_TRUE(Entries().empty());

  f->OpenFile(a);
  Caret(31);
  f->N7Click();
  answer = IDYES;
  f->OpenFile(b);
  EXPECT_EQ(StoredSection(a), made);

  captions_.clear();
  f->OpenFile(a);
  EXPECT_EQ(Count(L"ブックマークの読込確認"), 1);
  EXPECT_EQ(Entries(), made);
  EXPECT_EQ(f->BockListBox1->Items().Get(0), "");
  EXPECT_TRUE(f->SpeedButton5->Enabled());
  EXPECT_FALSE(f->Doc.BookmarksChanged);

  // The window's close asks too, and stores.
  Select({0});
  f->Delete2Click();
  Caret(46);
  f->N7Click();
  const std::vector<std::wstring> later = Entries();
  captions_.clear();
  bool canClose = false;
  f->FormCloseQuery(f, canClose);
  EXPECT_TRUE(canClose);
  EXPECT_EQ(Count(L"ブックマークの保存確認"), 1);
  EXPECT_EQ(StoredSection(a), later);
}

TEST_F(Bookmarks, PurgeKeepsOrRemovesMissingFiles) {
  TVastrelForm* f = Start();
  const std::wstring kept = File(L"kept.txt", "x");
  const std::wstring emptied = File(L"empty.txt", "x");
  const std::wstring gone = folder_ + L"gone.txt";
  const std::wstring store = folder_ + L"purge.ini";
  ASSERT_TRUE(testsupport::WriteBytes(store, testsupport::Utf16Le(L"[" + kept + L"]\r\n1@1#0=a\r\n[" + emptied +
                                                                    L"]\r\n[" + gone + L"]\r\n2@2#0=b\r\n",
                                                                true)));
  auto names = [&] {
    TStringList list;
    f->Store().ReadIniNames(L"", store, list);
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(ItemTextWide(list, i));
    return out;
  };
  f->PurgeBookmarkLists(store, false);
  EXPECT_EQ(names(), (std::vector<std::wstring>{kept, gone}));
  f->PurgeBookmarkLists(store, true);
  EXPECT_EQ(names(), (std::vector<std::wstring>{kept}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Bookmarks, MenusAndPanel) {
  TVastrelForm* f = Start();
  const std::wstring a = File(L"m.txt", Lines(0, 20));
  f->OpenFile(a);
  f->Tool1Click();
  EXPECT_FALSE(f->List1->Enabled());
  EXPECT_FALSE(f->N11->Enabled());
  Caret(20);
  f->N7Click();
  f->Tool1Click();
  EXPECT_TRUE(f->List1->Enabled());
  f->List1Click(true);
  EXPECT_TRUE(f->Panel2->Visible());
  f->Tool1Click();
  EXPECT_FALSE(f->List1->Enabled());
  f->List1Click(true);
  EXPECT_FALSE(f->Panel2->Visible());
  f->SaveBookmarkList();
  f->BockListBox1->Items().Clear();
  f->Tool1Click();
  EXPECT_TRUE(f->N11->Enabled());
  f->N11Click();
  EXPECT_EQ(Entries().size(), 1u);
  Select({0});
  f->PopupMenu2Popup();
  EXPECT_TRUE(f->N6->Enabled());
  EXPECT_TRUE(f->Delete2->Enabled());
  f->BockListBox1->ClearSelection();
  f->PopupMenu2Popup();
  EXPECT_FALSE(f->N6->Enabled());
  EXPECT_FALSE(f->Delete2->Enabled());
}

// Typed edits move the bookmarks behind them (A with B); Undo puts the names
// of the backup back on the entries that still exist and leaves later ones;
// the shifted list is stored and, reopened, jumps to the same text.
TEST_F(Bookmarks, EditsMoveBookmarksUndoPutsThemBackAndReopenJumpsToTheSameText) {
  TVastrelForm* f = Start();
  const std::wstring a = File(L"a.txt", Lines(0, 20));
  const std::wstring b = File(L"b.txt", Lines(0, 5));
  const std::string original = testsupport::ReadBytes(a);
  answer = IDYES;
  f->OpenFile(a);
  Caret(5 * 14 + 4);  // "005 text" of line 5
  f->N7Click();
  ASSERT_EQ(Entries(), (std::vector<std::wstring>{L"74@74#5=005 text"}));
  ScopedFileDialogHandler dialogs([&](const FileDialogRequest&, std::wstring& path) {
    path = folder_ + L"a_backup.txt";
    return true;
  });
  f->CheckBox1->SetChecked(false);  // edits allowed: the backup is offered
  EXPECT_EQ(Count(L"バックアップの確認"), 1);
  ASSERT_FALSE(f->Doc.BackupPath.empty());

  // Three bytes in at line 1, two out of line 2: the entry moves by one.
  ASSERT_TRUE(f->InsertTextIntoFile(L"XYZ", 14));
  ASSERT_TRUE(f->DeleteFileRange(2, 0, 35));
  EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"75@75#5=005 text"}));
  EXPECT_TRUE(f->Doc.BookmarksChanged);
  // One more, made after the edits.
  f->ShowPage(false, true, 0);
  Caret(10 * 14 + 1 + 4);
  f->N7Click();
  ASSERT_EQ(Entries().size(), 2u);
  const std::wstring later = Entries()[1];
  EXPECT_EQ(later, L"145@145#10=010 text");

  // Undo: the file as it was, the old entry's names back, the later one kept.
  f->Doc.BookmarksChanged = false;
  f->Undo1Click();
  ASSERT_EQ(testsupport::ReadBytes(a), original);
  EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"74@74#5=005 text", later}));
  EXPECT_TRUE(f->Doc.BookmarksChanged);

  // Edited again, stored when another file opens, loaded when it is back.
  ASSERT_TRUE(f->InsertTextIntoFile(L"**", 0));
  ASSERT_EQ(Entries()[0], L"76@76#5=005 text");
  f->OpenFile(b);
  f->OpenFile(a);
  ASSERT_EQ(Entries().size(), 2u);
  EXPECT_EQ(Entries()[0], L"76@76#5=005 text");
  f->CheckBox3->SetChecked(true);
  Select({0});
  f->BockListBox1DblClick();
  EXPECT_EQ(f->Doc.SelStart, 76);
  EXPECT_EQ(f->Doc.SelLength, 8);
  ASSERT_EQ(f->GetSelLength(), 8);
  EXPECT_EQ(ViewText().substr(static_cast<size_t>(f->GetSelStart()), 8), L"005 text");
}

// The bookmark panel at the program's own window size and at others: the
// bookmark list and the jump list below it each show their rows on screen,
// also after the jump list has grown and the window is made lower.
TEST_F(Bookmarks, TheBookmarkListAndTheJumpListShowAtEveryWindowSize) {
  TVastrelForm* f = StartForm();  // the program's own size
  ASSERT_EQ(f->Height(), 660);
  f->OpenFile(File(L"p.txt", Lines(1, 60)));
  Caret(20);
  f->N7Click();
  Caret(40);
  f->N7Click();
  ASSERT_EQ(f->BockListBox1->Count(), 2);
  f->AddToJumpList(L"3");
  f->AddToJumpList(L"20");
  ASSERT_TRUE(f->SpeedButton5->Enabled());
  f->SpeedButton5->Click();
  ASSERT_TRUE(f->Panel2->Visible());

  // Row `item` of the list is on screen: inside the list's client area, the
  // list is the window at its middle, and the row's own colour is there (the
  // fill of a new bookmark, the separator line of a jump list row).
  auto rowShows = [](TListBox* list, int item, int y, COLORREF colour) {
    RECT client, r;
    GetClientRect(list->Handle(), &client);
    SendMessageW(list->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
    if (r.top < 0 || r.bottom > client.bottom || r.right > client.right) return false;
    POINT mid = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list->Handle(), &mid);
    if (WindowFromPoint(mid) != list->Handle()) return false;
    list->Repaint();
    HDC dc = GetDC(list->Handle());
    const COLORREF at = GetPixel(dc, r.right - 3, y < 0 ? r.bottom + y : r.top + y);
    ReleaseDC(list->Handle(), dc);
    return at == colour;
  };
  // The lists' frames, from the program's own size where both are higher than a row.
  const int bookFrame = f->BockListBox1->Height() - f->BockListBox1->ClientHeight();
  const int jumpFrame = f->ListBox2->Height() - f->ListBox2->ClientHeight();
  auto check = [&](int height) {
    SCOPED_TRACE("window height " + std::to_string(height));
    f->SetBounds(0, 0, 1000, height);
    Application->ProcessMessages();
    TListBox* book = f->BockListBox1;
    TListBox* jump = f->ListBox2;
    const int room = f->Panel2->ClientHeight() - f->Panel4->Height() - f->Splitter1->Height();
    ASSERT_GT(room, 2);
    EXPECT_GT(book->Height(), 0);
    EXPECT_GT(jump->Height(), 0);
    EXPECT_EQ(book->Height() + jump->Height(), room);
    // Splitter between the two lists.
    EXPECT_EQ(f->Splitter1->Top(), book->Top() + book->Height());
    EXPECT_EQ(jump->Top(), f->Splitter1->Top() + f->Splitter1->Height());
    if (room < book->ItemHeight() + bookFrame + jump->ItemHeight() + jumpFrame) return;
    EXPECT_GE(book->ClientHeight(), book->ItemHeight());
    EXPECT_GE(jump->ClientHeight(), jump->ItemHeight());
    EXPECT_TRUE(rowShows(book, 0, 1, 0x6BFEA3));
    EXPECT_TRUE(rowShows(jump, 0, -1, 0xC0C0C0));
  };
  check(660);
  EXPECT_GE(f->BockListBox1->Height(), 2 * f->BockListBox1->ItemHeight());  // both bookmarks
  EXPECT_TRUE(rowShows(f->BockListBox1, 1, 1, 0x6BFEA3));
  EXPECT_EQ(f->ListBox2->Height(), 30);
  EXPECT_TRUE(rowShows(f->ListBox2, 1, -1, 0xC0C0C0));
  for (int height : {890, 400, 200, 150}) check(height);

  // A jump list grown to its many rows leaves the bookmark list a row when
  // the window becomes lower.
  check(890);
  for (int n = 100; n < 130; ++n) f->AddToJumpList(std::to_wstring(n));
  EXPECT_GT(f->ListBox2->Height(), 30 * f->ListBox2->ItemHeight());
  for (int height : {660, 400, 200, 150}) check(height);
}
