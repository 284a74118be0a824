// The two input boxes run modally under wine with a fake main window: the
// text box's limits, fill buttons, modes and focus; the line-number box's
// read-outs and buttons.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/NumberEdit.h"
#include "dialogs/InputBoxUnit.h"
#include "dialogs/InputBoxWUnit.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

namespace {

class FakeMainWindow : public dialogs::MainWindowServices {
 public:
  std::wstring clipboard;
  std::wstring selection;
  int64_t currentLine = -1;
  std::string picked;
  std::vector<int> selectionCaps;  // maxUnits of every selected-text request
  std::wstring ClipboardText() override { return clipboard; }
  std::wstring SelectedText(int maxUnits) override {
    selectionCaps.push_back(maxUnits);
    return selection.substr(0, static_cast<size_t>(maxUnits));
  }
  int64_t CurrentLine() override { return currentLine; }
  std::string PickedLineNumber() override { return picked; }
};

// Steps run inside the dialog's modal loop, one per posted thread message.
const UINT kStep = WM_APP + 311;
std::vector<std::function<void()>> g_steps;

void PostSteps(std::vector<std::function<void()>> steps) {
  g_steps = std::move(steps);
  for (size_t i = 0; i < g_steps.size(); ++i) PostThreadMessageW(GetCurrentThreadId(), kStep, i, 0);
}

std::wstring WindowText(HWND h) {
  wchar_t buf[1024] = {};
  GetWindowTextW(h, buf, 1024);
  return buf;
}

int WindowHeight(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r.bottom - r.top;
}

class InputBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    previous_ = dialogs::SetMainWindowServices(&fake_);
    Application->OnMessage = [](MSG& m, bool& handled) {
      if (m.hwnd == nullptr && m.message == kStep) {
        handled = true;
        if (m.wParam < g_steps.size()) g_steps[m.wParam]();
      }
    };
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    dialogs::SetMainWindowServices(previous_);
    g_steps.clear();
  }
  FakeMainWindow fake_;
  dialogs::MainWindowServices* previous_ = nullptr;
};

// Runs a text box with the steps, then OK; gives back its text.
std::wstring RunWideBox(int mode, const std::wstring& initial, std::vector<std::function<void()>> steps,
                        TInputWideDlg** seen = nullptr) {
  auto* dlg = NewForm<TInputWideDlg>(L"探す文字列を入力して下さい。", nullptr, mode, initial);
  steps.push_back([dlg] { dlg->OKBtn->Click(); });
  if (seen) *seen = dlg;
  PostSteps(std::move(steps));
  int result = dlg->ShowModal();
  EXPECT_EQ(mrOk, result);
  std::wstring text = dlg->InputText;
  dlg->Free();
  return text;
}

}  // namespace

TEST_F(InputBoxes, TextBoxGivesAtMost255UnitsAndNeverHalfAPair) {
  const std::wstring pair = L"\xD842\xDFB7";  // one character outside the basic plane
  struct Case {
    std::wstring typed;
    std::wstring expected;
  } cases[] = {
      {std::wstring(300, L'あ'), std::wstring(255, L'あ')},
      {std::wstring(254, L'a') + pair + L"b", std::wstring(254, L'a')},  // the pair would straddle 255
      {std::wstring(253, L'a') + pair + L"b", std::wstring(253, L'a') + pair},
      {L"短い", L"短い"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, RunWideBox(ibPlainInput, c.typed, {}));
}

TEST_F(InputBoxes, TextBoxShowsPromptAndTextWithFocusInTheEdit) {
  TInputWideDlg* dlg = nullptr;
  HWND focus = nullptr, edit = nullptr;
  std::wstring prompt, shown;
  RunWideBox(ibPlainInput, L"初めの文字", {[&] {
               focus = GetFocus();
               edit = dlg->InputEdit;
               prompt = WindowText(dlg->PromptLabel);
               shown = WindowText(dlg->InputEdit);
             }},
             &dlg);
  ASSERT_NE(nullptr, edit);
  EXPECT_EQ(edit, focus);
  EXPECT_EQ(L"探す文字列を入力して下さい。", prompt);
  EXPECT_EQ(L"初めの文字", shown);
}

TEST_F(InputBoxes, FillButtonsAreCappedAndTheSelectionReadAsksForACap) {
  fake_.clipboard = std::wstring(400, L'c');
  fake_.selection = std::wstring(1000, L's');
  TInputWideDlg* dlg = nullptr;
  std::wstring afterClipboard;
  std::wstring text = RunWideBox(ibPlainInput, L"", {[&] {
                                   dlg->SpeedButton1->Click();
                                   afterClipboard = WindowText(dlg->InputEdit);
                                   dlg->SpeedButton2->Click();
                                 }},
                                 &dlg);
  EXPECT_EQ(std::wstring(255, L'c'), afterClipboard);
  EXPECT_EQ(std::wstring(255, L's'), text);
  ASSERT_EQ(1u, fake_.selectionCaps.size());
  EXPECT_EQ(255, fake_.selectionCaps[0]);
}

TEST_F(InputBoxes, ModeHeightsAndTheLineNumberCheckBox) {
  // Mode 0: 163 high, may grow to 185 and no further.
  {
    TInputWideDlg* dlg = nullptr;
    int h0 = 0, grown = 0, shrunk = 0, width = 0;
    RunWideBox(ibPlainInput, L"", {[&] {
                 h0 = WindowHeight(dlg->Handle());
                 dlg->SetWidth(100);
                 RECT r;
                 GetWindowRect(dlg->Handle(), &r);
                 width = r.right - r.left;
                 dlg->SetHeight(400);
                 grown = WindowHeight(dlg->Handle());
                 dlg->SetHeight(50);
                 shrunk = WindowHeight(dlg->Handle());
               }},
               &dlg);
    EXPECT_EQ(163, h0);
    EXPECT_EQ(185, grown);
    EXPECT_EQ(163, shrunk);
    EXPECT_EQ(345, width);
  }
  // Mode 1: fixed at 185; CheckBox2 shows the current line, then the shown text again.
  fake_.currentLine = 4321;
  TInputWideDlg* dlg = nullptr;
  int h1 = 0, grown = 0;
  bool check1 = true, check2Visible = false, staticVisible = false;
  std::string withLine, without;
  RunWideBox(ibBookmarkTitle, L"", {[&] {
               h1 = WindowHeight(dlg->Handle());
               dlg->SetHeight(300);
               grown = WindowHeight(dlg->Handle());
               check1 = dlg->CheckBox1->Checked();
               check2Visible = IsWindowVisible(dlg->CheckBox2->Handle()) != 0;
               staticVisible = IsWindowVisible(dlg->StaticText1->Handle()) != 0;
               dlg->CheckBox2->SetChecked(true);
               withLine = dlg->StaticText1->Text();
               dlg->CheckBox2->SetChecked(false);
               without = dlg->StaticText1->Text();
             }},
             &dlg);
  EXPECT_EQ(185, h1);
  EXPECT_EQ(185, grown);
  EXPECT_FALSE(check1);
  EXPECT_TRUE(check2Visible);
  EXPECT_TRUE(staticVisible);
  EXPECT_EQ("4321", withLine);
  EXPECT_EQ("0", without);
}

TEST_F(InputBoxes, TextBoxCancelKeepsTheInitialText) {
  auto* dlg = NewForm<TInputWideDlg>(L"p", nullptr, ibPlainInput, L"元");
  PostSteps({[dlg] {
    SetWindowTextW(dlg->InputEdit, L"変更");
    dlg->CancelBtn->Click();
  }});
  EXPECT_EQ(mrCancel, dlg->ShowModal());
  EXPECT_EQ(L"元", dlg->InputText);
  dlg->Free();
}

// ---- the line-number box

namespace {
struct NumberRun {
  std::wstring edit, readout;
  std::string hint;
};
// Types text into the box (as a paste would), with the kanji box as given.
NumberRun TypeNumber(const std::wstring& text, bool kanji) {
  auto* dlg = NewForm<TInputBoxDlg>(nullptr, -1);
  NumberRun run;
  PostSteps({[&] {
    dlg->CheckBox1->SetChecked(kanji);
    dlg->NumberEdit1->SetTextW(text);
    dlg->NumberEdit1Change();
    run.edit = dlg->NumberEdit1->TextW();
    run.readout = dlg->StaticText1->TextW();
    run.hint = dlg->StaticText1->Hint;
    dlg->CancelBtn->Click();
  }});
  dlg->ShowModal();
  dlg->Free();
  return run;
}
}  // namespace

TEST_F(InputBoxes, NumberBoxReadOuts) {
  struct Case {
    std::wstring typed;
    bool kanji;
    std::wstring readout;
  } cases[] = {
      {L"12345678", false, L"12,345,678"},
      {L"12345678", true, L"1234万5678"},
      {L"123456789", true, L"1億2345万6789"},
      {L"0001234", true, L"1234"},
      {L"-12345678", true, L"-1234万5678"},
      {L"9223372036854775807", true, L"922京3372兆368億5477万5807"},
  };
  for (const Case& c : cases) {
    NumberRun run = TypeNumber(c.typed, c.kanji);
    EXPECT_EQ(c.readout, run.readout) << c.typed.size();
    EXPECT_EQ(c.typed, run.edit);
    EXPECT_EQ("", run.hint);
  }
  NumberRun bad = TypeNumber(L"abc", false);
  EXPECT_EQ(L"", bad.edit);
  EXPECT_EQ(L"abc", bad.readout);
  EXPECT_EQ(Cp932FromUtf8("数値では有りません。"), bad.hint);
}

TEST_F(InputBoxes, NumberBoxButtons) {
  // The clipboard's "abc" is rejected with the hint.
  fake_.clipboard = L"abc";
  auto* dlg = NewForm<TInputBoxDlg>(nullptr, -1);
  std::wstring edit, readout, afterPick;
  std::string hint;
  HWND focus = nullptr;
  PostSteps({[&] {
    focus = GetFocus();
    dlg->SpeedButton2->Click();
    edit = dlg->NumberEdit1->TextW();
    readout = dlg->StaticText1->TextW();
    hint = dlg->StaticText1->Hint;
    // No line picked and no initial line: nothing changes.
    dlg->NumberEdit1->SetTextW(L"77");
    dlg->SpeedButton1->Click();
    afterPick = dlg->NumberEdit1->TextW();
    dlg->CancelBtn->Click();
  }});
  dlg->ShowModal();
  EXPECT_EQ(dlg->NumberEdit1->Handle(), focus);
  dlg->Free();
  EXPECT_EQ(L"", edit);
  EXPECT_EQ(L"abc", readout);
  EXPECT_EQ(Cp932FromUtf8("数値では有りません。"), hint);
  EXPECT_EQ(L"77", afterPick);

  // A picked item wins over the initial line; without one the initial line is taken.
  for (std::string picked : {std::string("15"), std::string()}) {
    fake_.picked = picked;
    auto* box = NewForm<TInputBoxDlg>(nullptr, 250);
    std::wstring got;
    int result = 0;
    PostSteps({[&] {
      box->SpeedButton1->Click();
      got = box->NumberEdit1->TextW();
      box->OKBtn->Click();
    }});
    result = box->ShowModal();
    box->Free();
    EXPECT_EQ(mrOk, result);
    EXPECT_EQ(picked.empty() ? L"250" : L"15", got);
  }
}

TEST_F(InputBoxes, NumberBoxClientArea) {
  auto* dlg = NewForm<TInputBoxDlg>(nullptr, -1);
  RECT r;
  GetClientRect(dlg->Handle(), &r);
  EXPECT_EQ(336, r.right);
  EXPECT_EQ(134, r.bottom);
  dlg->Free();
}
