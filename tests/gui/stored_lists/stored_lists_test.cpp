// The overview of the stored lists under wine: the dialog in real modal runs
// driven from its own loop with a fake main window (drawing, the selection
// commands, deleting, opening, resizing), and the main window's two overviews
// that remove what was deleted after their question.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/BookMarkEditDlg.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StringList.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/IniStore.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const UINT kStep = WM_APP + 523;
std::vector<std::function<void()>> g_steps;

void PostSteps(std::vector<std::function<void()>> steps) {
  g_steps = std::move(steps);
  for (size_t i = 0; i < g_steps.size(); ++i) PostThreadMessageW(GetCurrentThreadId(), kStep, i, 0);
}

void ServeSteps(std::function<void(MSG&, bool&)> own) {
  Application->OnMessage = [own](MSG& m, bool& handled) {
    if (m.hwnd == nullptr && m.message == kStep) {
      handled = true;
      if (m.wParam < g_steps.size()) g_steps[m.wParam]();
      return;
    }
    if (own) own(m, handled);
  };
}

class FakeHost : public dialogs::StoredListsHost {
 public:
  std::map<std::wstring, bool> exists;
  std::map<std::wstring, int64_t> records;
  int existsCalls = 0, countCalls = 0;
  std::vector<std::wstring> opened, drawn;
  TImageList images;
  FakeHost() { MakeProgramImages(images); }
  bool FileExists(const std::wstring& path) override {
    ++existsCalls;
    return exists[path];
  }
  int64_t LineListCount(const std::wstring& path) override {
    ++countCalls;
    return records[path];
  }
  std::wstring StoredListPath(const std::wstring& path) override { return L"D:\\lists\\" + path.substr(3); }
  void OpenFile(const std::wstring& path) override { opened.push_back(path); }
  TImageList* Images() override { return &images; }
  void DrawItemText(HDC dc, const std::wstring& text, UINT format, RECT& rect) override {
    drawn.push_back(text);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  }
};

// Pixels of the item's rectangle on screen with exactly this colour.
int PixelsOf(TListBox* list, int item, COLORREF colour) {
  list->Repaint();
  const RECT r = list->ItemRect(item);
  HDC dc = GetDC(list->Handle());
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == colour;
  ReleaseDC(list->Handle(), dc);
  return n;
}

std::vector<std::wstring> Items(const TStrings& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(ItemTextWide(list, i));
  return out;
}

class StoredListsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    ServeSteps(nullptr);
    previous_ = SetMessageHandler([this](const MessageRequest& r) {
      messages.push_back(r.text);
      return IDOK;
    });
    host.exists = {{L"C:\\a.txt", true}, {L"C:\\gone1.txt", false}, {L"C:\\b.log", true}, {L"C:\\gone2.txt", false}};
    host.records = {{L"C:\\a.txt", 7}, {L"C:\\b.log", 12}};
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    g_steps.clear();
    SetMessageHandler(previous_);
  }
  TBookMarkDlg* Make(int mode) {
    auto* d = NewForm<TBookMarkDlg>(nullptr, mode, &deleted, host);
    for (const wchar_t* p : {L"C:\\a.txt", L"C:\\gone1.txt", L"C:\\b.log", L"C:\\gone2.txt"})
      d->AddHeader(std::wstring(L"[") + p + L"]");
    return d;
  }
  // Runs the dialog with the steps; gives its modal result.
  int Run(TBookMarkDlg* d, std::vector<std::function<void()>> steps) {
    PostSteps(std::move(steps));
    return d->ShowModal();
  }
  std::vector<int> SelectedItems(TBookMarkDlg* d) {
    std::vector<int> out;
    for (int i = 0; i < d->ListBox1->Count(); ++i)
      if (d->ListBox1->Selected(i)) out.push_back(i);
    return out;
  }

  FakeHost host;
  TStringList deleted;
  std::vector<std::wstring> messages;
  MessageHandler previous_;
};

}  // namespace

TEST_F(StoredListsDialog, FormListAndButtonsAsBuilt) {
  TBookMarkDlg* d = Make(0);
  EXPECT_EQ(d->Width(), 465);
  EXPECT_EQ(d->Height(), 352);
  EXPECT_EQ(d->ListBox1->ItemHeight(), 19);  // 6 more than the 13-pixel font
  EXPECT_FALSE(d->OKBtn->Enabled());
  EXPECT_EQ(d->ListBox1->Count(), 4);
  EXPECT_EQ(d->ItemPath(0), L"C:\\a.txt");
  EXPECT_EQ(d->ShownText(0), L"C:\\a.txt");
  const int result = Run(d, {[&] {
                               // The buttons meet 3 pixels either side of the middle, also after a resize.
                               for (int w : {465, 700}) {
                                 d->SetBounds(0, 0, w, 400);
                                 const int middle = d->Panel1->ClientWidth() / 2;
                                 EXPECT_EQ(d->OKBtn->Left() + d->OKBtn->Width(), middle - 3) << w;
                                 EXPECT_EQ(d->CancelBtn->Left(), middle + 3) << w;
                               }
                             },
                             [&] { d->CancelBtn->Click(); }});
  EXPECT_EQ(result, mrCancel);
  d->Free();
}

TEST_F(StoredListsDialog, MissingFilesAreRedOrYellowAndFactsAreTakenOnceNotOnPaint) {
  TBookMarkDlg* d = Make(0);
  EXPECT_EQ(host.existsCalls, 4);
  EXPECT_FALSE(d->Facts(1).exists);
  EXPECT_TRUE(d->Facts(0).exists);
  const COLORREF red = RGB(255, 0, 0), yellow = RGB(255, 255, 0);
  Run(d, {[&] {
            d->Show();
            Application->ProcessMessages();
            EXPECT_EQ(PixelsOf(d->ListBox1, 0, red), 0);
            EXPECT_GT(PixelsOf(d->ListBox1, 1, red), 10);
            EXPECT_EQ(PixelsOf(d->ListBox1, 1, yellow), 0);
            d->ListBox1->SetSelected(1, true);
            EXPECT_GT(PixelsOf(d->ListBox1, 1, yellow), 10);
            EXPECT_EQ(PixelsOf(d->ListBox1, 1, red), 0);
            // The text is drawn from 21 pixels in, the path without brackets.
            EXPECT_NE(std::find(host.drawn.begin(), host.drawn.end(), L"C:\\gone1.txt"), host.drawn.end());
          },
          [&] { d->CancelBtn->Click(); }});
  EXPECT_EQ(host.existsCalls, 4);  // painting asked nothing
  EXPECT_TRUE(messages.empty());
  d->Free();
}

TEST_F(StoredListsDialog, LineListModeShowsEachListsRecordCount) {
  TBookMarkDlg* d = Make(1);
  EXPECT_EQ(host.countCalls, 4);
  Run(d, {[&] {
            d->Show();
            d->ListBox1->Repaint();
            // The hint of the picked item names its list file.
            d->ListBox1->SetItemIndex(2);
            d->ListBox1Click();
            EXPECT_EQ(d->ListBox1->Hint, "D:\\lists\\b.log");
          },
          [&] { d->CancelBtn->Click(); }});
  for (const wchar_t* t : {L"C:\\a.txt (7)", L"C:\\gone1.txt (0)", L"C:\\b.log (12)", L"C:\\gone2.txt (0)"})
    EXPECT_NE(std::find(host.drawn.begin(), host.drawn.end(), t), host.drawn.end()) << t;
  EXPECT_EQ(host.countCalls, 4);
  d->Free();
}

TEST_F(StoredListsDialog, SelectionCommandsPopupAndOpen) {
  TBookMarkDlg* d = Make(0);
  Run(d, {[&] {
            d->PopupMenu1Popup();
            EXPECT_FALSE(d->Delete1->Enabled());
            EXPECT_FALSE(d->Open1->Visible());
            d->N1->OnClick(d->N1);  // the missing files
            EXPECT_EQ(SelectedItems(d), (std::vector<int>{1, 3}));
            d->N4->OnClick(d->N4);  // inverted
            EXPECT_EQ(SelectedItems(d), (std::vector<int>{0, 2}));
            d->PopupMenu1Popup();
            EXPECT_TRUE(d->Delete1->Enabled());
            EXPECT_TRUE(d->Open1->Visible());
            WORD key = 'A';
            d->ListBox1->OnKeyDown(d->ListBox1, key, ssCtrl);  // Ctrl+A
            EXPECT_EQ(SelectedItems(d), (std::vector<int>{0, 1, 2, 3}));
            // A left release below the items drops the selection.
            d->ListBox1->SetBounds(0, 0, 400, 200);
            d->ListBox1Click();
            d->ListBox1MouseUp(mbLeft, 10, 190);
            EXPECT_TRUE(SelectedItems(d).empty());
            // Open: the focused item's file, and its facts taken again.
            host.exists[L"C:\\gone1.txt"] = true;
            d->ListBox1->SetItemIndex(1);
            d->Open1Click();
            EXPECT_EQ(host.opened, (std::vector<std::wstring>{L"C:\\gone1.txt"}));
            EXPECT_TRUE(d->Facts(1).exists);
          },
          [&] { d->CancelBtn->Click(); }});
  d->Free();
  // Every file there: the missing-file selection picks nothing.
  TStringList none;
  FakeHost all;
  all.exists = {{L"C:\\x.txt", true}, {L"C:\\y.txt", true}};
  auto* e = NewForm<TBookMarkDlg>(nullptr, 0, &none, all);
  e->AddHeader(L"[C:\\x.txt]");
  e->AddHeader(L"[C:\\y.txt]");
  e->ListBox1->SetSelected(0, true);
  e->N3Click(2);
  EXPECT_EQ(e->ListBox1->SelCount(), 0);
  e->Free();
}

TEST_F(StoredListsDialog, TwoDeletionsThenOkGiveTwoPathsAndCancelGivesNothing) {
  TBookMarkDlg* d = Make(0);
  const int result = Run(d, {[&] {
                               d->ListBox1->SetSelected(1, true);
                               d->Delete1Click();
                               EXPECT_TRUE(d->OKBtn->Enabled());
                               d->ListBox1->ClearSelection();
                               d->ListBox1->SetSelected(2, true);  // now C:\gone2.txt
                               d->Delete1Click();
                               EXPECT_EQ(d->ListBox1->Count(), 2);
                               // The facts stay with their items.
                               EXPECT_EQ(d->ItemPath(1), L"C:\\b.log");
                               EXPECT_TRUE(d->Facts(1).exists);
                               // Deleting nothing keeps OK as it was.
                               d->ListBox1->ClearSelection();
                               d->Delete1Click();
                               EXPECT_TRUE(d->OKBtn->Enabled());
                             },
                             [&] { d->OKBtn->Click(); }});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(d->DeletedCount, 2);
  EXPECT_EQ(Items(deleted), (std::vector<std::wstring>{L"C:\\gone1.txt", L"C:\\gone2.txt"}));
  d->Free();

  // Cancel after deleting: the caller is told nothing to apply.
  TStringList other;
  auto* e = NewForm<TBookMarkDlg>(nullptr, 0, &other, host);
  e->AddHeader(L"[C:\\a.txt]");
  e->AddHeader(L"[C:\\b.log]");
  const int cancelled = Run(e, {[&] {
                                  e->N3Click(0);
                                  e->Delete1Click();
                                },
                                [&] { e->CancelBtn->Click(); }});
  EXPECT_EQ(cancelled, mrCancel);
  e->Free();
}

// ---- the main window's overviews

namespace {

class StoredListsMain : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"slm");
    SetMessageHandler([this](const MessageRequest& r) {
      messages_.push_back(r.text);
      captions_.push_back(r.caption);
      return answer;
    });
    StartForm(40, 40, 640, 420);
    ServeSteps(nullptr);
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    g_steps.clear();
    EndMainWindow();
  }
  // Inside the dialog's loop: the first three items deleted, then OK.
  void DeleteThreeAndOk(std::function<void(TBookMarkDlg*)> look = nullptr) {
    PostSteps({[look] {
      auto* d = dynamic_cast<TBookMarkDlg*>(TForm::InnermostModal());
      ASSERT_NE(d, nullptr);
      if (look) look(d);
      for (int i : {0, 1, 2}) d->ListBox1->SetSelected(i, true);
      d->Delete1Click();
      d->OKBtn->Click();
    }});
  }

  int answer = IDNO;
  std::vector<std::wstring> captions_;
};

}  // namespace

TEST_F(StoredListsMain, BookmarkOverviewAsksWithTheCountAndRemovesOnYes) {
  const std::wstring a = File(L"a.txt", "a\r\n"), b = File(L"b.txt", "b\r\n"), c = File(L"c.txt", "c\r\n");
  std::wstring text;
  for (const std::wstring& p : {a, folder_ + L"gone.txt", b, c})
    text += L"[" + p + L"]\r\n0@5#0=entry\r\n";
  ASSERT_TRUE(WriteBytes(form_->Paths.bookStore, testsupport::Utf16Le(text, true)));
  const std::string before = ReadBytes(form_->Paths.bookStore);

  answer = IDNO;
  DeleteThreeAndOk([&](TBookMarkDlg* d) {
    EXPECT_EQ(d->TextW(), L"ブックマークリストの一覧");
    EXPECT_EQ(d->Mode, 0);
    EXPECT_EQ(d->ListBox1->Count(), 4);
    EXPECT_FALSE(d->Facts(1).exists);
  });
  form_->N13->OnClick(form_->N13);
  ASSERT_EQ(captions_.size(), 1u);
  EXPECT_EQ(captions_[0], L"ブックマークリストの削除確認");
  EXPECT_EQ(messages_[0], L"ブックマークリストを 3 個、削除します。\nこの変更した内容を適用しますか？");
  EXPECT_EQ(ReadBytes(form_->Paths.bookStore), before);

  answer = IDYES;
  DeleteThreeAndOk();
  form_->N13Click();
  TStringList headers;
  IniStore::ReadSectionHeaders(form_->Paths.bookStore, headers);
  EXPECT_EQ(Items(headers), (std::vector<std::wstring>{L"[" + c + L"]"}));

  // Cancel asks nothing.
  PostSteps({[] { dynamic_cast<TBookMarkDlg*>(TForm::InnermostModal())->CancelBtn->Click(); }});
  form_->N13Click();
  EXPECT_EQ(captions_.size(), 2u);
}

TEST_F(StoredListsMain, LineListOverviewRemovesSectionsAndTheirFiles) {
  const std::wstring a = File(L"a.txt", "a\r\n"), b = File(L"b.txt", "b\r\n"), c = File(L"c.txt", "c\r\n");
  std::wstring text;
  int n = 0;
  for (const std::wstring& p : {a, b, folder_ + L"gone.txt", c}) {
    const std::wstring list = L"list" + std::to_wstring(n) + L".txg";
    text += L"[" + p + L"]\r\npath=" + form_->Paths.data1Folder + list + L"\r\n";
    CreateDirectoryW(form_->Paths.data1Folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(form_->Paths.data1Folder + list, std::string(16 * (n + 2), '\0')));
    ++n;
  }
  ASSERT_TRUE(WriteBytes(form_->Paths.lineStore, testsupport::Utf16Le(text, true)));
  const std::string before = ReadBytes(form_->Paths.lineStore);

  answer = IDNO;
  DeleteThreeAndOk([&](TBookMarkDlg* d) {
    EXPECT_EQ(d->TextW(), L"行番号リストの一覧");
    EXPECT_EQ(d->ShownText(0), a + L" (2)");
    EXPECT_EQ(d->ShownText(1), b + L" (3)");
  });
  form_->N27->OnClick(form_->N27);
  ASSERT_EQ(captions_.size(), 1u);
  EXPECT_EQ(captions_[0], L"行番号リストの削除確認");
  EXPECT_EQ(messages_[0], L"行番号リストを 3 個、削除します。\nこの変更した内容を適用しますか？");
  EXPECT_EQ(ReadBytes(form_->Paths.lineStore), before);
  EXPECT_TRUE(FileExistsEx(form_->Paths.data1Folder + L"list0.txg", true));

  answer = IDYES;
  DeleteThreeAndOk();
  form_->N27Click();
  TStringList headers;
  IniStore::ReadSectionHeaders(form_->Paths.lineStore, headers);
  EXPECT_EQ(Items(headers), (std::vector<std::wstring>{L"[" + c + L"]"}));
  for (int k : {0, 1, 2}) EXPECT_FALSE(FileExistsEx(form_->Paths.data1Folder + L"list" + std::to_wstring(k) + L".txg", true)) << k;
  EXPECT_TRUE(FileExistsEx(form_->Paths.data1Folder + L"list3.txg", true));
}

TEST_F(StoredListsMain, OverviewsWaitForLongWork) {
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Search));
  EXPECT_FALSE(form_->RunStoredListsDialog(0, form_->Paths.bookStore));  // no dialog, no loop
  form_->Work.End(vastrel::WorkGuard::Job::Search);
}
