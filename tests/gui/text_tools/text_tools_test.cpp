// The line tools of both edit dialogs as real windows under wine: each fired
// as the menu fires it (WM_COMMAND), checked by the text and the selection the
// control then holds, and taken back by the dialog's undo.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Application.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class FakeServices : public dialogs::MainWindowServices {
 public:
  bool CrLfSwitch() override { return false; }
  bool ToolMenuShown() override { return false; }
  TImageList* MenuImages() override { return nullptr; }
  void RouteKeyMessage(MSG&, bool&) override {}
  std::wstring ClipboardText() override { return L""; }
  bool ClipboardHasText() override { return false; }
  std::wstring SelectedText(int) override { return L""; }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return ""; }
};

void Fire(TForm* form, TMenuItem* item) {
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
  Pump();
}

std::wstring WideText(TInputWidTextDlg* d) { return d->GetEditText(); }

void WideSelect(TInputWidTextDlg* d, int start, int end) { SendMessageW(d->WideTextEdit, EM_SETSEL, start, end); }

std::pair<int, int> WideSel(TInputWidTextDlg* d) {
  DWORD s = 0, e = 0;
  SendMessageW(d->WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return {static_cast<int>(s), static_cast<int>(e)};
}

class TextToolsTest : public testing::Test {
 protected:
  FakeServices services;
};

TEST_F(TextToolsTest, NarrowLineToolsRewriteTheTouchedLinesAndUndoTakesThemBack) {
  const std::string text = "a\r\nb\r\n\r\nc";
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  // Indent of the line the selection touches; the changed line stays selected.
  dlg->Memo1->SetSelection(3, 4);
  Fire(dlg, dlg->IndentMenu1);
  EXPECT_EQ(dlg->Memo1->Text(), "a\r\n\tb\r\n\r\nc");
  EXPECT_EQ(dlg->Memo1->SelStart(), 3);
  EXPECT_EQ(dlg->Memo1->SelLength(), 2);
  EXPECT_TRUE(dlg->OKBtn->Enabled());
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  // A full-width space indent is two bytes; outdent takes it off again.
  dlg->Memo1->SetSelection(0, 4);
  Fire(dlg, dlg->IndentMenu2);
  EXPECT_EQ(dlg->Memo1->Text(), "\x81\x40" "a\r\n\x81\x40" "b\r\n\r\nc");
  EXPECT_EQ(dlg->Memo1->SelLength(), 8);
  Fire(dlg, dlg->OutdentMenu2);
  EXPECT_EQ(dlg->Memo1->Text(), text);
  // Descending sort of the whole text keeps the text without a final line end.
  dlg->CheckBox1->SetChecked(true);
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  Fire(dlg, dlg->SortDownMenu);
  EXPECT_EQ(dlg->Memo1->Text(), "c\r\nb\r\na\r\n");
  EXPECT_EQ(dlg->Memo1->SelLength(), static_cast<int>(text.size()));
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  // Empty lines from the start's line up to the end's line.
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  Fire(dlg, dlg->N41);
  EXPECT_EQ(dlg->Memo1->Text(), "a\r\nb\r\nc");
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  dlg->Free();
}

TEST_F(TextToolsTest, WideLineToolsNeedWholeLines) {
  const std::wstring text = L"b\r\n\r\nA\r\n a";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  // Not a selection of whole lines: nothing.
  WideSelect(dlg, 1, 4);
  Fire(dlg, dlg->N43);
  EXPECT_EQ(WideText(dlg), text);
  // Indent of whole lines; the changed lines are selected.
  WideSelect(dlg, 0, 6);
  Fire(dlg, dlg->N44);
  EXPECT_EQ(WideText(dlg), L"\x3000" L"b\r\n\x3000\r\n\x3000" L"A\r\n a");
  EXPECT_EQ(WideSel(dlg), std::make_pair(0, 9));
  dlg->N39Click();
  EXPECT_EQ(WideText(dlg), text);
  // "全て除去" and the empty-line removal over everything.
  WideSelect(dlg, 0, static_cast<int>(text.size()));
  Fire(dlg, dlg->N50);
  EXPECT_EQ(WideText(dlg), L"b\r\n\r\nA\r\na");
  WideSelect(dlg, 0, static_cast<int>(WideText(dlg).size()));
  Fire(dlg, dlg->N38);
  EXPECT_EQ(WideText(dlg), L"b\r\nA\r\na");
  // Ascending sort, stable, without case: "A" before "a" as given.
  WideSelect(dlg, 0, static_cast<int>(WideText(dlg).size()));
  Fire(dlg, dlg->N32);
  EXPECT_EQ(WideText(dlg), L"A\r\na\r\nb");
  dlg->N39Click();
  EXPECT_EQ(WideText(dlg), L"b\r\nA\r\na");
  dlg->Free();
}

TEST_F(TextToolsTest, WideEraToolKeepsWhatCodePage932Lacks) {
  // é and a surrogate pair come back unchanged; the dates around them convert.
  const std::wstring text = L"\x00e9 h1 \xD83D\xDE00 r1";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  WideSelect(dlg, 0, static_cast<int>(text.size()));
  Fire(dlg, dlg->N26);
  EXPECT_EQ(WideText(dlg), L"\x00e9 1989 \xD83D\xDE00 2019");
  dlg->N39Click();
  EXPECT_EQ(WideText(dlg), text);
  // Nothing without a selection.
  WideSelect(dlg, 2, 2);
  Fire(dlg, dlg->N27);
  EXPECT_EQ(WideText(dlg), text);
  dlg->Free();
}

}  // namespace
