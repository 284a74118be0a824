// The rounded button and the check box under wine: masks, clicks on a modal
// form, the keys, the check box's event order, setters and pixels.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Timer.h"
#include "spare_controls/NewButton.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareNewButtonHost") { SetBounds(40, 40, 300, 200); }
};

void Post(TWinControl* b, UINT msg, int x, int y) {
  WPARAM wp = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
  PostMessageW(b->Handle(), msg, wp, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

}  // namespace

class SpareNewButtonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    host = NewForm<Host>();
    host->Show();
  }
  static void TearDownTestSuite() { host->Free(); }
  void TearDown() override {
    while (!host->Controls().empty()) delete host->Controls().back();
    host->SetModalResult(mrNone);
    Pump();
  }
  TNewButton* Make(BTNSTYLE style, int w = 75, int h = 25) {
    auto* b = new TNewButton(host);
    b->SetBounds(10, 10, w, h);
    b->SetButtonStyle(style);
    b->HandleNeeded();
    b->Loaded();
    return b;
  }
  static Host* host;
};
Host* SpareNewButtonTest::host = nullptr;

TEST_F(SpareNewButtonTest, HitMaskTable) {
  TNewButton* e = Make(btEllipse);
  TNewButton* r = Make(btRound);
  TNewButton* g = Make(btGraphic);
  struct Case {
    TNewButton* b;
    int x, y;
    bool on;
  } cases[] = {
      {e, 1, 1, false},   {e, 37, 12, true},  {e, -5, 12, true},  {e, 80, 30, true},
      {r, 37, 12, true},  {r, 73, 12, true},  {r, 37, 24, true},  // the right strip and last row follow the mask
      {g, 37, 12, false}, {g, 73, 12, false}, {g, 10, 24, false}, {g, 75, 12, true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.b->OnButton(c.x, c.y), c.on) << c.x << "," << c.y;

  // The mask follows later changes of style, corner and size.
  g->SetButtonStyle(btRound);
  EXPECT_TRUE(g->OnButton(37, 12));
  g->SetRoundSize(80);
  EXPECT_FALSE(g->OnButton(1, 1));
  e->SetBounds(10, 10, 150, 50);
  EXPECT_TRUE(e->OnButton(120, 25));
  EXPECT_FALSE(e->OnButton(147, 2));
  // Before Loaded a button has no mask: every point is on.
  auto* fresh = new TNewButton(host);
  fresh->SetButtonStyle(btGraphic);
  EXPECT_TRUE(fresh->OnButton(10, 10));
}

TEST_F(SpareNewButtonTest, ClickOnTheFaceClosesAModalFormWithItsResult) {
  host->Hide();
  Pump();
  TNewButton* b = Make(btEllipse);
  b->ModalResult = msOk;
  int clicks = 0, ups = 0;
  b->OnClick = [&](TWinControl*) { ++clicks; };
  b->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) { ++ups; };
  TTimer t;
  t.SetInterval(1);
  int stage = 0;
  std::vector<int> seen;
  t.OnTimer = [&](TTimer*) {
    switch (stage++) {
      case 0:  // a click in a corner: off the face
        Post(b, WM_LBUTTONDOWN, 1, 1);
        Post(b, WM_LBUTTONUP, 1, 1);
        break;
      case 1:  // pressed off the face, released on it: no click
        seen.push_back(clicks);
        Post(b, WM_LBUTTONDOWN, 1, 1);
        Post(b, WM_LBUTTONUP, 37, 12);
        break;
      case 2:
        seen.push_back(clicks);
        Post(b, WM_LBUTTONDOWN, 37, 12);
        Post(b, WM_LBUTTONUP, 37, 12);
        break;
      default:
        break;
    }
  };
  t.SetEnabled(true);
  int result = host->ShowModal();
  t.SetEnabled(false);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(seen, (std::vector<int>{0, 0}));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(ups, 2);  // the releases on the face
  EXPECT_FALSE(b->Pressed());
  host->Show();
  Pump();

  // Pressed on the face and released on a corner: the face comes up, no
  // OnMouseUp; the release inside the control is still the click.
  host->SetModalResult(mrNone);
  Post(b, WM_LBUTTONDOWN, 37, 12);
  Pump();
  EXPECT_TRUE(b->Pressed());
  Post(b, WM_LBUTTONUP, 1, 23);
  Pump();
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(ups, 2);
  EXPECT_EQ(clicks, 2);
  // The next press works again.
  Post(b, WM_LBUTTONDOWN, 37, 12);
  Pump();
  EXPECT_TRUE(b->Pressed());
  Post(b, WM_LBUTTONUP, -20, -20);  // outside the control: a release on the button, no click
  Pump();
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(ups, 3);
  EXPECT_EQ(clicks, 2);
}

TEST_F(SpareNewButtonTest, EnterOnTheDefaultButtonClicksOnTheKeyUpWithoutAModalResult) {
  TNewButton* b = Make(btRound);
  b->Default = true;
  b->ModalResult = msOk;
  int clicks = 0;
  b->OnClick = [&](TWinControl*) { ++clicks; };
  b->SetFocus();
  Pump();
  ASSERT_TRUE(b->Focused());
  PostMessageW(b->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_TRUE(b->Pressed());
  EXPECT_EQ(clicks, 0);
  PostMessageW(b->Handle(), WM_KEYUP, VK_RETURN, 0xC0000001);
  Pump();
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(host->ModalResult(), mrNone);
  // Esc does nothing on a button that is not Cancel.
  PostMessageW(b->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(b->Handle(), WM_KEYUP, VK_ESCAPE, 0xC0000001);
  Pump();
  EXPECT_EQ(clicks, 1);
}

TEST_F(SpareNewButtonTest, CheckBoxTogglesOnThePressAndIgnoresTheSpaceBar) {
  auto* c = new TNewCheckBox(host);
  c->SetBounds(10, 60, 117, 17);
  c->Name = "CheckBox9";
  c->HandleNeeded();
  EXPECT_EQ(c->Caption(), "CheckBox9");
  std::vector<std::string> log;
  c->OnMouseDown = [&](TWinControl*, TMouseButton, TShiftState, int, int) { log.push_back(c->Checked() ? "down+" : "down-"); };
  c->OnClick = [&](TWinControl*) { log.push_back("click"); };
  c->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
  Post(c, WM_LBUTTONDOWN, 5, 8);
  Pump();
  EXPECT_TRUE(c->Checked());
  EXPECT_TRUE(c->Pressed());
  Post(c, WM_LBUTTONUP, 5, 8);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"down+", "click", "up"}));
  EXPECT_TRUE(c->Focused());
  PostMessageW(c->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(c->Handle(), WM_CHAR, ' ', 0);
  PostMessageW(c->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  Pump();
  EXPECT_TRUE(c->Checked());
  EXPECT_EQ(log.size(), 3u);

  // Setter limits.
  c->SetBoxWidth(10);
  EXPECT_EQ(c->BoxWidth(), 14);
  c->SetBoxWidth(20);
  EXPECT_EQ(c->BoxWidth(), 20);
  c->SetRoundSize(20);
  EXPECT_EQ(c->RoundSize(), 16);
  TNewButton* b = Make(btRound);
  b->SetCaptionLeft(0);
  EXPECT_EQ(b->CaptionLeft(), -1);
  b->SetCaptionLeft(75);
  EXPECT_EQ(b->CaptionLeft(), -1);
  b->SetCaptionLeft(74);
  EXPECT_EQ(b->CaptionLeft(), 74);
}

TEST_F(SpareNewButtonTest, Pixels) {
  // A checked dot in ColorCheck, the box at the left.
  auto* c = new TNewCheckBox(host);
  c->SetBounds(10, 60, 117, 17);
  c->ColorCheck = clRed;
  c->SetChecked(true);
  c->HandleNeeded();
  TBitmap shot;
  c->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(7, 8), 0x0000FFu);
  c->SetChecked(false);
  c->PaintTo(shot);
  EXPECT_NE(shot.PixelRGB(7, 8), 0x0000FFu);
  // A switch filled with ColorCheck when checked.
  c->SetBoxStyle(stOnOffBox);
  c->SetChecked(true);
  c->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(6, 8), 0x0000FFu);
  // Too small for a box: still paints.
  c->SetBounds(10, 60, 117, 2);
  c->PaintTo(shot);
  EXPECT_EQ(shot.Height(), 2);

  // The ellipse's corner keeps Color; its face is ColorButton.
  TNewButton* e = Make(btEllipse);
  e->SetColor(0x00FF00);
  e->SetBtnColor(0xFF0000);
  e->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(0, 0), 0x00FF00u);
  EXPECT_EQ(shot.PixelRGB(10, 12), 0xFF0000u);
  // btGraphic draws no face.
  e->SetButtonStyle(btGraphic);
  e->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(10, 12), 0x00FF00u);
}
