// The yes/all/no/cancel box under wine: answers by BM_CLICK and WM_CLOSE, the
// check box read back, live setters during the modal run, growth for a long
// message, the label's colour answer, the picture, and an exception path that
// leaves no dialog behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <stdexcept>
#include <string>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/Timer.h"
#include "spare_controls/YesAllNoCancelBox.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// Runs step(box) on timer ticks while Execute's modal loop runs; step returns
// true when it has done its part.
int RunWith(TYesAllNoCancelBox& box, std::function<bool(TYesAllNoCancelDlg*)> step) {
  TTimer t;
  t.SetInterval(5);
  bool done = false;
  t.OnTimer = [&](TTimer*) {
    if (done || !box.Dialog() || !IsWindowVisible(box.Dialog()->Handle())) return;
    done = step(box.Dialog());
  };
  t.SetEnabled(true);
  int r = box.Execute();
  t.SetEnabled(false);
  return r;
}

void Click(TWinControl* b) { PostMessageW(b->Handle(), BM_CLICK, 0, 0); }

class Throwing : public TYesAllNoCancelBox {
 protected:
  void BeforeShow(TYesAllNoCancelDlg&) override { throw std::runtime_error("made to fail"); }
};

bool DialogWindowExists() { return FindWindowW(L"TYesAllNoCancelDlg", nullptr) != nullptr; }

}  // namespace

class SpareYesAllNoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
  void SetUp() override {
    box.Title = "Q";
    box.Msg = L"Replace all?";
    box.OkBtnCaption = Cp932FromUtf8(u8"はい");
    box.NoBtnCaption = Cp932FromUtf8(u8"いいえ");
    box.SetOkBtnEnabled(true);
    box.SetNoBtnEnabled(true);
    box.SetCancelBtnEnabled(true);
  }
  TYesAllNoCancelBox box;
};

TEST_F(SpareYesAllNoTest, AnswersByTheButtonsAndTheCloseBox) {
  EXPECT_EQ(RunWith(box, [](TYesAllNoCancelDlg* d) { Click(d->OKBtn); return true; }), 6);
  EXPECT_EQ(RunWith(box, [](TYesAllNoCancelDlg* d) { Click(d->NoBtn); return true; }), 7);
  EXPECT_EQ(RunWith(box, [](TYesAllNoCancelDlg* d) { Click(d->CancelBtn); return true; }), 2);
  EXPECT_EQ(RunWith(box, [](TYesAllNoCancelDlg* d) { PostMessageW(d->Handle(), WM_CLOSE, 0, 0); return true; }), 2);
  EXPECT_EQ(box.Dialog(), nullptr);
  EXPECT_FALSE(DialogWindowExists());
}

TEST_F(SpareYesAllNoTest, CheckBoxIsShownAndReadBack) {
  box.CheckBoxVisible = true;
  box.CheckBoxCaption = "apply to all";
  std::string caption;
  bool visible = false;
  int r = RunWith(box, [&](TYesAllNoCancelDlg* d) {
    caption = d->CheckBox1->Caption();
    visible = IsWindowVisible(d->CheckBox1->Handle()) != 0;
    d->CheckBox1->SetChecked(true);
    Click(d->NoBtn);
    return true;
  });
  EXPECT_EQ(r, 7);
  EXPECT_TRUE(visible);
  EXPECT_EQ(caption, "apply to all");
  EXPECT_TRUE(box.CheckBoxChecked);
}

TEST_F(SpareYesAllNoTest, ButtonsStartDisabledAndLiveSettersApplyDuringTheQuestion) {
  TYesAllNoCancelBox fresh;
  EXPECT_FALSE(fresh.OkBtnEnabled());
  fresh.Msg = L"x";
  int stage = 0;
  bool okEnabledAtStart = true;
  std::string hintSeen;
  std::string yesCaption = "?";
  int r = RunWith(fresh, [&](TYesAllNoCancelDlg* d) {
    if (stage++ == 0) {
      okEnabledAtStart = IsWindowEnabled(d->OKBtn->Handle()) != 0;
      yesCaption = d->OKBtn->Caption();
      fresh.SetOkBtnEnabled(true);
      fresh.SetOkBtnHint("yes|all of them");
      return false;
    }
    hintSeen = d->OKBtn->Hint;
    if (!IsWindowEnabled(d->OKBtn->Handle())) return false;
    Click(d->OKBtn);
    return true;
  });
  EXPECT_FALSE(okEnabledAtStart);
  EXPECT_EQ(yesCaption, "");
  EXPECT_EQ(hintSeen, "yes|all of them");
  EXPECT_EQ(r, 6);
}

TEST_F(SpareYesAllNoTest, LongMessageGrowsTheDialogAboveItsButtons) {
  std::wstring msg;
  for (int i = 0; i < 30; ++i) msg += L"line & " + std::to_wstring(i) + L"\r\n";
  box.Msg = msg;
  RECT label{}, panel{};
  int clientH = 0;
  std::wstring shown;
  RunWith(box, [&](TYesAllNoCancelDlg* d) {
    GetWindowRect(d->MessageLabel, &label);
    GetWindowRect(d->Panel1->Handle(), &panel);
    clientH = d->ClientHeight();
    wchar_t buf[1024];
    GetWindowTextW(d->MessageLabel, buf, 1024);
    shown = buf;
    Click(d->CancelBtn);
    return true;
  });
  EXPECT_GT(clientH, 164 + 300);
  EXPECT_LE(label.bottom, panel.top);
  EXPECT_GE(label.bottom - label.top, 30 * 12);  // every line measured
  EXPECT_EQ(shown, msg);                           // "&" is text, not a prefix

  // A short message keeps the designed height.
  box.Msg = L"short";
  RunWith(box, [&](TYesAllNoCancelDlg* d) {
    clientH = d->ClientHeight();
    Click(d->CancelBtn);
    return true;
  });
  EXPECT_EQ(clientH, 164);

  // A message far taller than the screen: the dialog stays on the work area.
  msg.clear();
  for (int i = 0; i < 400; ++i) msg += L"line\r\n";
  box.Msg = msg;
  RECT win{};
  RunWith(box, [&](TYesAllNoCancelDlg* d) {
    GetWindowRect(d->Handle(), &win);
    GetWindowRect(d->MessageLabel, &label);
    GetWindowRect(d->Panel1->Handle(), &panel);
    Click(d->CancelBtn);
    return true;
  });
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(win.bottom - win.top, work.bottom - work.top);
  EXPECT_GE(win.top, work.top);
  EXPECT_LE(label.bottom, panel.top);
}

TEST_F(SpareYesAllNoTest, LabelColourAndPicture) {
  HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
  TBitmap red(16, 16);
  red.Canvas().BrushColor = clRed;
  red.Canvas().FillRect(RECT{0, 0, 16, 16});
  HBITMAP hb = CreateCompatibleBitmap(red.Canvas().Handle(), 16, 16);
  HDC mem = CreateCompatibleDC(red.Canvas().Handle());
  HGDIOBJ old = SelectObject(mem, hb);
  BitBlt(mem, 0, 0, 16, 16, red.Canvas().Handle(), 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  ImageList_Add(il, hb, nullptr);
  DeleteObject(hb);
  box.ImageList = il;
  for (int index : {0, 1, -1}) {
    box.ImageIndex = index;
    COLORREF centre = 0;
    LRESULT brush = 0;
    int mode = 0;
    RunWith(box, [&](TYesAllNoCancelDlg* d) {
      TBitmap shot;
      d->PaintBox1->PaintTo(shot);
      centre = shot.PixelRGB(22, 22);
      HDC dc = CreateCompatibleDC(nullptr);
      brush = SendMessageW(d->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(d->MessageLabel));
      mode = GetBkMode(dc);
      DeleteDC(dc);
      Click(d->CancelBtn);
      return true;
    });
    if (index == 0) EXPECT_EQ(centre, 0x0000FFu);
    else EXPECT_NE(centre, 0x0000FFu) << index;
    EXPECT_NE(brush, 0);
    EXPECT_EQ(mode, TRANSPARENT);
  }
  ImageList_Destroy(il);
}

TEST_F(SpareYesAllNoTest, AnExceptionGivesZeroAndLeavesNoDialog) {
  Throwing t;
  t.Msg = L"x";
  EXPECT_EQ(t.Execute(), 0);
  EXPECT_EQ(t.Dialog(), nullptr);
  Pump();
  EXPECT_FALSE(DialogWindowExists());
  // The setters after the failure touch no dialog.
  t.SetOkBtnEnabled(true);
  t.SetCancelBtnHint("c");
}
