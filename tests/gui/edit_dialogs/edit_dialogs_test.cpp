// The two edit dialogs as real windows under wine, driven by messages, with the
// main window's services faked: OK enabling, layout, the keep-selection pair,
// undo, the pop-up's enabling, the read-only background, the key hook and its
// slot, line-end normalisation, and large texts given back unchanged.
#include <gtest/gtest.h>

#include <string>

#include "controls/ColorButton.h"
#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class FakeServices : public dialogs::MainWindowServices {
 public:
  bool crlf = false;
  bool toolShown = false;
  bool hasClip = false;
  int routed = 0;
  bool CrLfSwitch() override { return crlf; }
  bool ToolMenuShown() override { return toolShown; }
  TImageList* MenuImages() override { return nullptr; }
  // As the main window: a native window with the focus gets its keys at once,
  // except Enter and Escape in a single-line edit.
  void RouteKeyMessage(MSG& msg, bool& handled) override {
    if (msg.message != WM_KEYDOWN) return;
    ++routed;
    HWND focus = GetFocus();
    if (!focus) return;
    wchar_t cls[64] = {};
    GetClassNameW(focus, cls, 63);
    if (cls[0] == L'T') return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    handled = true;
  }
  std::wstring ClipboardText() override { return hasClip ? L"clip" : L""; }
  bool ClipboardHasText() override { return hasClip; }
  std::wstring SelectedText(int) override { return L""; }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return ""; }
};

std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

void SelectComboItem(TComboBox* box, int index) {
  SendMessageW(box->Handle(), CB_SETCURSEL, index, 0);
  SendMessageW(GetParent(box->Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box->Handle()));
}

std::string Lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "line " + std::to_string(i) + "\r\n";
  return s;
}

class EditDialogsTest : public testing::Test {
 protected:
  FakeServices services;
};

TEST_F(EditDialogsTest, NarrowOkIsEnabledByAChangeOrALineEndChoiceOnly) {
  for (int way = 0; way < 2; ++way) {
    auto* dlg = NewForm<TInputTextDlg>(J("日本語のテキスト"), nullptr, &services);
    dlg->Show();
    Pump();
    EXPECT_FALSE(dlg->OKBtn->Enabled()) << "the constructor's text and item are no change";
    EXPECT_EQ(dlg->LineEndChoice(), 0);
    if (way == 0) {
      PostMessageW(dlg->Memo1->Handle(), WM_CHAR, L'x', 0);
    } else {
      SelectComboItem(dlg->ComboBox1, 3);
    }
    Pump();
    EXPECT_TRUE(dlg->OKBtn->Enabled()) << way;
    if (way == 1) EXPECT_EQ(dlg->LineEndChoice(), 3);
    dlg->Free();
  }
}

TEST_F(EditDialogsTest, WideOkIsEnabledByAChangeOrALineEndChoiceOnly) {
  for (int way = 0; way < 2; ++way) {
    auto* dlg = NewForm<TInputWidTextDlg>(L"日本語\r\nテキスト", nullptr, 0, &services);
    dlg->Show();
    Pump();
    EXPECT_FALSE(dlg->OKBtn->Enabled());
    if (way == 0)
      PostMessageW(dlg->WideTextEdit, WM_CHAR, L'x', 0);
    else
      SelectComboItem(dlg->ComboBox1, 1);
    Pump();
    EXPECT_TRUE(dlg->OKBtn->Enabled()) << way;
    dlg->Free();
  }
}

TEST_F(EditDialogsTest, LayoutWidensTheFormSoTheButtonsClearTheLineEndBox) {
  auto* narrow = NewForm<TInputTextDlg>(std::string("x"), nullptr, &services);
  EXPECT_EQ(narrow->Width(), 652);
  EXPECT_EQ(narrow->OKBtn->Left(), 248);
  EXPECT_EQ(narrow->CancelBtn->Left(), 329);
  EXPECT_EQ(narrow->CheckBox1->Left(), 329 + 75 + 10);
  EXPECT_EQ(narrow->Menu(), narrow->MainMenu1);
  narrow->Free();
  auto* wide = NewForm<TInputWidTextDlg>(L"x", nullptr, 0, &services);
  EXPECT_EQ(wide->Width(), 598);
  wide->Show();
  Pump();
  EXPECT_EQ(wide->Width(), 641);
  EXPECT_EQ(wide->OKBtn->Left(), 242);
  EXPECT_EQ(wide->CancelBtn->Left(), 323);
  RECT r;
  GetWindowRect(wide->WideTextEdit, &r);
  EXPECT_EQ(r.right - r.left, wide->Panel3->ClientWidth());  // the EDIT fills the panel
  EXPECT_EQ(r.bottom - r.top, wide->Panel3->ClientHeight());
  EXPECT_EQ(wide->Menu(), nullptr) << "the caller attaches the menu";
  EXPECT_EQ(wide->N43->ShortCutText, "") << "no indent shortcuts in this variant";
  wide->Free();
}

TEST_F(EditDialogsTest, TheHiddenHostMakesNoWindow) {
  auto* host = NewForm<TInputTextDlg>(nullptr, &services);
  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_EQ(host->ConvertText("AbC", ckLowerCase), "abc");
  EXPECT_FALSE(host->HandleAllocated());
  host->Free();
}

TEST_F(EditDialogsTest, KeepSelectionCoversTheConvertedTextOnlyWhenChecked) {
  for (bool keep : {true, false}) {
    auto* dlg = NewForm<TInputTextDlg>(std::string("ab cd ef"), nullptr, &services);
    dlg->Conversion.SetSource(L"FakeConv_record");
    dlg->Show();
    dlg->CheckBox1->SetChecked(keep);
    dlg->Memo1->SetSelection(3, 5);
    dlg->N36->Click();  // "cd" becomes "<|7|1|>cd": 7 bytes longer
    EXPECT_EQ(dlg->Memo1->Text(), "ab <|7|1|>cd ef");
    if (keep) {
      EXPECT_EQ(dlg->Memo1->SelStart(), 3);
      EXPECT_EQ(dlg->Memo1->SelLength(), 9);
    } else {
      EXPECT_EQ(dlg->Memo1->SelLength(), 0);
      EXPECT_EQ(dlg->Memo1->SelStart(), 12);
    }
    EXPECT_TRUE(dlg->OKBtn->Enabled());
    // The dialog's undo takes the conversion back.
    dlg->Undo1Click();
    EXPECT_EQ(dlg->Memo1->Text(), "ab cd ef");
    dlg->Free();
  }
}

TEST_F(EditDialogsTest, UndoWithoutTheMemosOwnUndoKeepsTheFirstVisibleLine) {
  const std::string text = Lines(200);
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  dlg->Memo1->SetText(Lines(10));  // as a tool would (no undo of the memo's own)
  dlg->Memo1->SetText(text + "changed");
  dlg->Memo1->LineScroll(0, 50);
  ASSERT_EQ(dlg->Memo1->GetFirstVisibleLine(), 50);
  ASSERT_EQ(SendMessageW(dlg->Memo1->Handle(), EM_CANUNDO, 0, 0), 0);
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  EXPECT_EQ(dlg->Memo1->GetFirstVisibleLine(), 50);
  dlg->Free();
}

TEST_F(EditDialogsTest, PopupItemsFollowTheSelectionAndTheClipboard) {
  auto* dlg = NewForm<TInputTextDlg>(std::string("abc"), nullptr, &services);
  dlg->Show();
  for (bool selection : {false, true}) {
    for (bool clip : {false, true}) {
      services.hasClip = clip;
      dlg->Memo1->SetSelection(0, selection ? 2 : 0);
      dlg->PopupMenu2Popup();
      EXPECT_EQ(dlg->Copy1->Enabled(), selection);
      EXPECT_EQ(dlg->Cut1->Enabled(), selection);
      EXPECT_EQ(dlg->Delete1->Enabled(), selection);
      EXPECT_EQ(dlg->Paste1->Enabled(), clip);
      EXPECT_TRUE(dlg->Undo1->Enabled());  // UndoText holds the text as opened
      EXPECT_TRUE(dlg->AllSelMenu->Enabled());
    }
  }
  // "文書整形" items need a selection and the main window's tool item hidden.
  dlg->Memo1->SetSelection(0, 2);
  dlg->N5Click();
  EXPECT_TRUE(dlg->N7->Enabled());
  services.toolShown = true;
  dlg->N5Click();
  EXPECT_FALSE(dlg->N7->Enabled());
  services.toolShown = false;
  dlg->Memo1->SetSelection(1, 1);
  dlg->N5Click();
  EXPECT_FALSE(dlg->N2->Enabled());
  // Delete removes the selection; Ctrl+A selects everything.
  dlg->Memo1->SetSelection(0, 1);
  dlg->Delete1Click();
  EXPECT_EQ(dlg->Memo1->Text(), "bc");
  WORD key = 'A';
  dlg->Memo1KeyDown(key, ssCtrl);
  EXPECT_EQ(dlg->Memo1->SelLength(), 2);
  dlg->Free();
}

TEST_F(EditDialogsTest, ReadOnlyTextShowsOnWhite) {
  auto* dlg = NewForm<TInputWidTextDlg>(L"read only", nullptr, 1, &services);
  dlg->Show();
  Pump();
  EXPECT_TRUE(GetWindowLongW(dlg->WideTextEdit, GWL_STYLE) & ES_READONLY);
  HDC dc = GetDC(dlg->WideTextEdit);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(SendMessageW(dlg->Panel3->Handle(), WM_CTLCOLORSTATIC,
                                                  reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(dlg->WideTextEdit))),
            dlg->WhiteBrush());
  // On screen: the empty part of the EDIT is white, not the face colour.
  RedrawWindow(dlg->WideTextEdit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT r;
  GetClientRect(dlg->WideTextEdit, &r);
  EXPECT_EQ(GetPixel(dc, r.right / 2, r.bottom - 30) & 0xFFFFFF, 0xFFFFFFu);
  ReleaseDC(dlg->WideTextEdit, dc);
  dlg->Free();
}

struct PreviousHook {
  int id;
  void operator()(MSG&, bool&) const {}
};

TEST_F(EditDialogsTest, TheKeyHookSlotComesBackAfterCloseAndAfterAFreeWithoutClose) {
  Application->OnMessage = PreviousHook{42};
  auto* dlg = NewForm<TInputWidTextDlg>(L"text", nullptr, 0, &services);
  ASSERT_NE(Application->OnMessage.target<TInputWidTextDlg::KeyHook>(), nullptr);
  TTimer t;
  t.SetInterval(1);
  t.OnTimer = [&](TTimer*) { dlg->SetModalResult(mrCancel); };
  t.SetEnabled(true);
  EXPECT_EQ(dlg->Execute(), mrCancel);
  t.SetEnabled(false);
  ASSERT_NE(Application->OnMessage.target<PreviousHook>(), nullptr);
  EXPECT_EQ(Application->OnMessage.target<PreviousHook>()->id, 42);
  dlg->Free();

  Application->OnMessage = PreviousHook{7};
  dlg = NewForm<TInputWidTextDlg>(L"text", nullptr, 0, &services);
  dlg->Free();  // never shown nor closed
  ASSERT_NE(Application->OnMessage.target<PreviousHook>(), nullptr);
  EXPECT_EQ(Application->OnMessage.target<PreviousHook>()->id, 7);

  // A hook installed after the dialog's stays.
  dlg = NewForm<TInputWidTextDlg>(L"text", nullptr, 0, &services);
  Application->OnMessage = PreviousHook{9};
  dlg->Free();
  EXPECT_EQ(Application->OnMessage.target<PreviousHook>()->id, 9);
  Application->OnMessage = nullptr;
}

TEST_F(EditDialogsTest, EnterInTheWideEditAddsALineAndTheDialogStaysOpen) {
  auto* dlg = NewForm<TInputWidTextDlg>(L"ab", nullptr, 0, &services);
  TTimer t;
  t.SetInterval(1);
  int stage = 0;
  t.OnTimer = [&](TTimer*) {
    switch (stage++) {
      case 0:
        ::SetFocus(dlg->WideTextEdit);
        SendMessageW(dlg->WideTextEdit, EM_SETSEL, 1, 1);
        PostMessageW(dlg->WideTextEdit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        break;
      case 1:
        PostMessageW(dlg->WideTextEdit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
      case 5:
        dlg->SetModalResult(mrCancel);
        break;
      default:
        break;
    }
  };
  t.SetEnabled(true);
  EXPECT_EQ(dlg->Execute(), mrCancel) << "neither Enter nor Escape ended the dialog";
  t.SetEnabled(false);
  EXPECT_EQ(dlg->GetEditText(), L"a\r\nb");
  EXPECT_TRUE(dlg->OKBtn->Enabled());
  EXPECT_GE(services.routed, 2);
  dlg->Free();
}

TEST_F(EditDialogsTest, LineEndsAreNormalisedOnlyUnderTheCrLfSwitch) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"a\rb\nc", L"a\r\nb\r\nc"},
      {L"\n\r", L"\r\n\r\n"},
      {L"a\r\n", L"a\r\n"},
      {L"\r", L"\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(TInputWidTextDlg::NormalizeLineEnds(c.in), c.out) << c.in;
  for (bool on : {true, false}) {
    services.crlf = on;
    auto* dlg = NewForm<TInputWidTextDlg>(L"a\rb\nc", nullptr, 0, &services);
    EXPECT_EQ(dlg->GetEditText(), on ? L"a\r\nb\r\nc" : L"a\rb\nc");
    EXPECT_EQ(dlg->UndoText, dlg->GetEditText());
    dlg->Free();
  }
}

TEST_F(EditDialogsTest, EachControlGivesBackALargeMixedTextAsItWasSet) {
  std::wstring wide;
  while (wide.size() < 1000000) wide += L"Line 日本語のテキスト ｶﾀｶﾅ 123\r\nlone LF\nlone CR\r";
  auto* w = NewForm<TInputWidTextDlg>(wide, nullptr, 0, &services);
  EXPECT_EQ(w->GetEditText(), wide);
  w->Free();
  const std::string narrow = WideToCp932(wide);
  auto* n = NewForm<TInputTextDlg>(narrow, nullptr, &services);
  EXPECT_EQ(n->EditedText(), narrow);
  n->Free();
}

}  // namespace
