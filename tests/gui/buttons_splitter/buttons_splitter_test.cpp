// Speed buttons (click and mouse events, groups, glyphs) and the splitter's
// drag under wine, driven with mouse messages.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cursor.h"
#include "framework/ExtCtrls.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(nullptr, L"TButtonsTestForm") {}
};

void Down(TWinControl* c, int x, int y, bool right = false) {
  SendMessageW(c->Handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
}
void Move(TWinControl* c, int x, int y) {
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<short>(x), static_cast<short>(y)));
}
void Up(TWinControl* c, int x, int y, bool right = false) {
  SendMessageW(c->Handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(static_cast<short>(x), static_cast<short>(y)));
}

}  // namespace

class ButtonsSplitter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = new TestForm();
    form->SetBounds(10, 10, 500, 300);
    form->Show();
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void TearDown() override {
    std::vector<TWinControl*> made = form->Controls();
    for (TWinControl* c : made) delete c;
    Application->ProcessMessages();
  }
  static TestForm* form;
};
TestForm* ButtonsSplitter::form = nullptr;

TEST_F(ButtonsSplitter, SpeedButtonEventsInOrder) {
  auto* b = new TSpeedButton(form);
  b->SetBounds(10, 10, 23, 22);
  std::vector<std::string> events;
  b->OnMouseDown = [&](TWinControl*, TMouseButton m, TShiftState, int, int) {
    events.push_back(m == mbLeft ? "down" : "rdown");
  };
  b->OnMouseUp = [&](TWinControl*, TMouseButton m, TShiftState, int, int) { events.push_back(m == mbLeft ? "up" : "rup"); };
  b->OnClick = [&](TWinControl*) { events.push_back("click"); };

  Down(b, 5, 5);
  EXPECT_TRUE(b->Pressed());
  EXPECT_EQ(b->Handle(), GetCapture());  // the release reaches it wherever it happens
  Up(b, 5, 5);
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ((std::vector<std::string>{"down", "up", "click"}), events);
  events.clear();

  // A quick second press is a second click.
  Down(b, 5, 5);
  Up(b, 5, 5);
  SendMessageW(b->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  Up(b, 5, 5);
  EXPECT_EQ((std::vector<std::string>{"down", "up", "click", "down", "up", "click"}), events);
  events.clear();

  // Released away from the button: no click.
  Down(b, 5, 5);
  Move(b, 60, 5);
  EXPECT_FALSE(b->Pressed());
  Up(b, 60, 5);
  EXPECT_EQ((std::vector<std::string>{"down", "up"}), events);
  events.clear();

  // The right button: mouse events only.
  Down(b, 5, 5, true);
  Up(b, 5, 5, true);
  EXPECT_EQ((std::vector<std::string>{"rdown", "rup"}), events);
  events.clear();

  // Without a group the button never stays down.
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  b->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(b->Handle()));
  EXPECT_TRUE(events.empty());
}

TEST_F(ButtonsSplitter, SpeedButtonGroups) {
  TSpeedButton* group[3];
  std::vector<int> clicks;
  for (int i = 0; i < 3; ++i) {
    group[i] = new TSpeedButton(form);
    group[i]->SetBounds(10 + 25 * i, 40, 23, 22);
    group[i]->GroupIndex = 1;
    group[i]->OnClick = [&clicks, i](TWinControl*) { clicks.push_back(i); };
  }
  auto* other = new TSpeedButton(form);  // another group under the same parent
  other->GroupIndex = 2;
  other->SetDown(true);

  auto click = [](TSpeedButton* b) {
    Down(b, 3, 3);
    Up(b, 3, 3);
  };
  click(group[1]);
  EXPECT_TRUE(group[1]->Down());
  click(group[2]);
  EXPECT_FALSE(group[1]->Down());
  EXPECT_TRUE(group[2]->Down());
  // Pressing the down button of a group without all-up keeps it down.
  click(group[2]);
  EXPECT_TRUE(group[2]->Down());
  group[2]->SetDown(false);
  EXPECT_TRUE(group[2]->Down());
  EXPECT_TRUE(other->Down());
  EXPECT_EQ((std::vector<int>{1, 2, 2}), clicks);

  // A toggle button: group of one with all-up allowed.
  auto* toggle = new TSpeedButton(form);
  toggle->GroupIndex = 100;
  toggle->AllowAllUp = true;
  int toggles = 0;
  toggle->OnClick = [&](TWinControl*) { ++toggles; };
  click(toggle);
  EXPECT_TRUE(toggle->Down());
  click(toggle);
  EXPECT_FALSE(toggle->Down());
  toggle->SetDown(true);  // a program write: no click
  EXPECT_TRUE(toggle->Down());
  EXPECT_EQ(2, toggles);
  toggle->Click();  // as a user click
  EXPECT_FALSE(toggle->Down());
  EXPECT_EQ(3, toggles);
}

TEST_F(ButtonsSplitter, SpeedButtonDrawsItsGlyph) {
  TImageList images;
  MakeProgramImages(images);
  auto* b = new TSpeedButton(form);
  b->SetBounds(10, 80, 24, 24);
  b->SetFlat(true);
  TBitmap plain, arrow, own;
  b->PaintTo(plain);
  b->SetImages(&images);
  b->SetImageIndex(imgStepForward);
  b->PaintTo(arrow);
  auto differs = [](TBitmap& a, TBitmap& c) {
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (a.PixelRGB(x, y) != c.PixelRGB(x, y)) return true;
    return false;
  };
  EXPECT_TRUE(differs(plain, arrow));
  // A bitmap glyph: its bottom-left colour is transparent.
  b->SetImageIndex(-1);
  b->Glyph().SetSize(16, 16);
  b->Glyph().Canvas().BrushColor = clLime;
  b->Glyph().Canvas().FillRect(RECT{0, 0, 16, 16});
  b->Glyph().Canvas().BrushColor = clRed;
  b->Glyph().Canvas().FillRect(RECT{4, 4, 12, 12});
  b->GlyphChanged();
  b->PaintTo(own);
  EXPECT_EQ(RGB(255, 0, 0), own.PixelRGB(12, 12));
  EXPECT_EQ(plain.PixelRGB(5, 5), own.PixelRGB(5, 5));  // lime was transparent
}

TEST_F(ButtonsSplitter, SplitterDragResizesItsNeighbour) {
  auto* left = new TPanel(form);
  left->SetWidth(100);
  left->SetAlign(alLeft);
  auto* split = new TSplitter(form);  // left-aligned beside the panel
  split->MinSize = 30;
  auto* client = new TPanel(form);
  client->SetAlign(alClient);
  int moved = 0;
  split->OnMoved = [&](TWinControl*) { ++moved; };
  form->Realign();
  ASSERT_EQ(100, split->Left());
  ASSERT_EQ(left, split->FindControl());
  int total = form->ClientWidth();

  struct Case {
    int dx, expect;
  } cases[] = {
      {50, 150},                   // wider
      {-70, 80},                   // narrower
      {-500, 30},                  // not below MinSize
      {1000, total - 3 - 30},      // the client keeps MinSize
  };
  for (const Case& c : cases) {
    int before = left->Width();
    Down(split, 1, 10);
    Move(split, 1 + c.dx / 2, 10);  // coordinates relative to the splitter where it stands now
    int mid = left->Width();
    Move(split, 1 + c.dx - (mid - before), 10);
    Up(split, 1 + c.dx - (left->Width() - before), 10);
    EXPECT_EQ(c.expect, left->Width()) << c.dx;
    EXPECT_EQ(left->Width(), split->Left()) << c.dx;
    EXPECT_EQ(left->Width() + 3, client->Left()) << c.dx;
    EXPECT_EQ(total, client->Left() + client->Width()) << c.dx;
  }
  EXPECT_EQ(4, moved);
  // A click without a move changes nothing and reports nothing.
  Down(split, 1, 10);
  Up(split, 1, 10);
  EXPECT_EQ(4, moved);
}

TEST_F(ButtonsSplitter, HourglassWinsOverEveryWindowsOwnCursor) {
  auto* panel = new TPanel(form);
  panel->SetBounds(0, 0, 100, 50);
  auto* split = new TSplitter(form);
  auto setCursor = [](TWinControl* c) {
    return SendMessageW(c->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(c->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  };
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT), split_cursor = LoadCursorW(nullptr, IDC_SIZEWE);
  EXPECT_EQ(TRUE, setCursor(split));
  EXPECT_EQ(split_cursor, GetCursor());
  {
    TCursorGuard busy;
    EXPECT_EQ(crHourGlass, Screen->Cursor());
    for (TWinControl* c : std::vector<TWinControl*>{panel, split, form}) {
      SetCursor(nullptr);
      EXPECT_EQ(TRUE, setCursor(c));
      EXPECT_EQ(wait, GetCursor());
    }
  }
  EXPECT_EQ(crDefault, Screen->Cursor());
  setCursor(split);
  EXPECT_EQ(split_cursor, GetCursor());
}
