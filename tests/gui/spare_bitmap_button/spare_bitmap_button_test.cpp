// The bitmap button under wine: its hit mask, the toggle-group rules, grouped
// buttons driven by posted mouse messages, and what it paints.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "framework/Application.h"
#include "framework/Form.h"
#include "spare_controls/BitmapButton.h"
#include "spare_controls/SpareCommon.h"

namespace {

void Pump() { Application->ProcessMessages(); }

const COLORREF kClear = 0xFF00FF;  // the transparent colour of the test strips

// A strip of cells of 20 x 20, each filled with its colour, the bottom-left
// pixel (and, in cell 1, the left quarter) transparent; cell 1 also holds a
// black square (the default MaskColor) at 15..17 x 5..7.
void MakeStrip(TBitmap& b, std::initializer_list<COLORREF> colours) {
  int n = static_cast<int>(colours.size());
  b.SetSize(20 * n, 20);
  int i = 0;
  for (COLORREF c : colours) {
    b.Canvas().BrushColor = c;
    b.Canvas().FillRect(RECT{20 * i, 0, 20 * i + 20, 20});
    b.Canvas().SetPixel(20 * i, 19, kClear);
    ++i;
  }
  b.Canvas().BrushColor = kClear;
  b.Canvas().FillRect(RECT{0, 0, 5, 20});
  b.Canvas().BrushColor = clBlack;
  b.Canvas().FillRect(RECT{15, 5, 18, 8});
}

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareBitmapButtonHost") { SetBounds(40, 40, 300, 200); }
};

struct Counts {
  int down = 0, up = 0, click = 0;
};

void Wire(TBitmapButton* b, Counts& c) {
  b->OnMouseDown = [&c](TWinControl*, TMouseButton, TShiftState, int, int) { ++c.down; };
  b->OnMouseUp = [&c](TWinControl*, TMouseButton, TShiftState, int, int) { ++c.up; };
  b->OnClick = [&c](TWinControl*) { ++c.click; };
}

void Post(TBitmapButton* b, UINT msg, int x, int y) {
  WPARAM wp = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
  PostMessageW(b->Handle(), msg, wp, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void ClickAt(TBitmapButton* b, int x, int y, int ux, int uy) {
  Post(b, WM_LBUTTONDOWN, x, y);
  Post(b, WM_LBUTTONUP, ux, uy);
  Pump();
}

}  // namespace

class SpareBitmapButtonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    host = NewForm<Host>();
    host->Show();
  }
  static void TearDownTestSuite() { host->Free(); }
  void TearDown() override {
    while (!host->Controls().empty()) delete host->Controls().back();
    Pump();
  }
  TBitmapButton* Make(int left, std::initializer_list<COLORREF> colours, short cells) {
    auto* b = new TBitmapButton(host);
    b->SetLeft(left);
    b->SetNumGlyphs(cells);
    TBitmap strip;
    MakeStrip(strip, colours);
    b->SetGlyph(&strip);
    b->HandleNeeded();
    b->Loaded();
    return b;
  }
  static Host* host;
};
Host* SpareBitmapButtonTest::host = nullptr;

TEST_F(SpareBitmapButtonTest, HitMaskFollowsThePictureAsItIsDrawn) {
  TBitmapButton* b = Make(0, {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}, 4);
  ASSERT_EQ(b->Width(), 20);
  ASSERT_EQ(b->Height(), 20);
  struct Case {
    int x, y;
    bool on;
  } cases[] = {{2, 5, false}, {16, 6, false}, {12, 12, true}, {-1, 5, true}, {25, 5, true}, {5, 25, true}};
  for (const Case& c : cases) EXPECT_EQ(b->OnButton(c.x, c.y), c.on) << c.x << "," << c.y;

  // Resized: the first cell is stretched over the control.
  b->SetBounds(0, 0, 40, 40);
  EXPECT_FALSE(b->OnButton(5, 10));
  EXPECT_FALSE(b->OnButton(32, 12));
  EXPECT_TRUE(b->OnButton(25, 25));
  EXPECT_TRUE(b->OnButton(39, 39));

  // A MaskColor equal to the picture's colour takes those points off.
  b->SetMaskColor(0x0000FF);
  EXPECT_FALSE(b->OnButton(25, 25));
  EXPECT_TRUE(b->OnButton(32, 12));
  b->SetMaskColor(clBlack);

  // A new picture of the same size, and a new cell count, rebuild the mask.
  TBitmap solid;
  MakeStrip(solid, {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF});
  solid.Canvas().BrushColor = 0x808080;
  solid.Canvas().FillRect(RECT{0, 0, 19, 19});
  b->SetBounds(0, 0, 20, 20);
  b->SetGlyph(&solid);
  EXPECT_TRUE(b->OnButton(2, 5));
  EXPECT_TRUE(b->OnButton(16, 6));
  TBitmap strip;
  MakeStrip(strip, {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF});
  b->SetGlyph(&strip);
  EXPECT_FALSE(b->OnButton(16, 6));
  b->SetNumGlyphs(2);  // the first cell is now 40 wide: point 16 maps to column 32, green
  EXPECT_TRUE(b->OnButton(16, 6));
  EXPECT_FALSE(b->OnButton(1, 5));
  b->SetNumGlyphs(5);
  EXPECT_EQ(b->NumGlyphs(), 2);
  b->SetNumGlyphs(0);
  EXPECT_EQ(b->NumGlyphs(), 2);
}

TEST_F(SpareBitmapButtonTest, GroupRulesTable) {
  using spare::CellState;
  struct Up {
    CellState before;
    int group;
    bool allowAllUp;
    CellState after;
  } ups[] = {
      {{true, true, 3}, 0, false, {false, false, 1}},
      {{false, true, 3}, 1, true, {true, true, 4}},
      {{true, true, 3}, 1, true, {false, false, 1}},
      {{true, true, 3}, 1, false, {true, true, 4}},
      {{false, true, 3}, 1, false, {true, true, 4}},
  };
  for (const Up& u : ups) {
    CellState s = spare::BitmapUpPrg(u.before, u.group, u.allowAllUp, 4);
    EXPECT_EQ(s.down, u.after.down);
    EXPECT_EQ(s.pressed, u.after.pressed);
    EXPECT_EQ(s.cell, u.after.cell);
  }
  struct Set {
    bool downBefore, first, value;
    int group;
    bool allowAllUp;
    bool down, pressed;
    int cell;
  } sets[] = {
      {false, true, true, 1, false, true, true, 2},    // the first set assigns directly
      {false, false, true, 1, false, true, false, 2},  // grouped, up: down
      {true, false, true, 1, false, false, false, 1},  // grouped, down: SetDown(true) raises it
      {true, false, false, 1, true, false, false, 1},  // AllowAllUp takes the value
      {false, false, true, 0, false, false, false, 1}, // no group: nothing
      {true, false, false, 0, true, false, false, 1},  // no group, AllowAllUp: raised whatever the value
      {true, false, true, 0, true, false, false, 1},
  };
  for (const Set& s : sets) {
    CellState st{s.downBefore, false, s.downBefore ? 2 : 1};
    CellState r = spare::BitmapSetDown(st, s.first, s.value, s.group, s.allowAllUp, 2);
    EXPECT_EQ(r.down, s.down) << s.downBefore << s.first << s.value << s.group << s.allowAllUp;
    EXPECT_EQ(r.pressed, s.pressed);
    EXPECT_EQ(r.cell, s.cell);
  }
  // Media-info buttons: Down on the press and by SetDown.
  EXPECT_FALSE(spare::MediaPressDown(true, 0, false));
  EXPECT_TRUE(spare::MediaPressDown(false, 1, true));
  EXPECT_FALSE(spare::MediaPressDown(true, 1, true));
  EXPECT_TRUE(spare::MediaPressDown(true, 1, false));
  EXPECT_TRUE(spare::MediaSetDown(false, false, false, 1, false));  // SetDown(false) in a group makes it down
  EXPECT_FALSE(spare::MediaSetDown(true, false, false, 1, true));
  EXPECT_FALSE(spare::MediaSetDown(false, true, false, 1, false));
  EXPECT_FALSE(spare::MediaSetDown(true, false, true, 0, true));
  EXPECT_TRUE(spare::MediaSetDown(true, false, false, 0, false));
}

TEST_F(SpareBitmapButtonTest, GroupedButtonsDrivenByTheMouse) {
  // Three unnamed buttons of one group: each releases the others.
  TBitmapButton* b[3];
  Counts n[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = Make(30 * i, {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}, 4);
    b[i]->GroupIndex = 1;
    Wire(b[i], n[i]);
  }
  ClickAt(b[0], 12, 12, 12, 12);
  EXPECT_TRUE(b[0]->Down());
  EXPECT_EQ(b[0]->CurrentCell(), 4);
  ClickAt(b[1], 12, 12, 12, 12);
  EXPECT_TRUE(b[1]->Down());
  EXPECT_FALSE(b[0]->Down());
  EXPECT_EQ(b[0]->CurrentCell(), 1);
  EXPECT_EQ(n[1].down, 1);
  EXPECT_EQ(n[1].up, 1);
  EXPECT_EQ(n[1].click, 1);
  // Clicking the down button of a group without AllowAllUp leaves it down.
  ClickAt(b[1], 12, 12, 12, 12);
  EXPECT_TRUE(b[1]->Down());

  // A press on a transparent point is nothing at all.
  ClickAt(b[2], 2, 5, 2, 5);
  EXPECT_FALSE(b[2]->Down());
  EXPECT_EQ(n[2].down + n[2].up + n[2].click, 0);

  // Pressed on the picture, released on a transparent point: the held look and
  // cell 3 go away, no event, no change of Down.
  Post(b[2], WM_LBUTTONDOWN, 12, 12);
  Pump();
  EXPECT_TRUE(b[2]->Pressed());
  EXPECT_EQ(b[2]->CurrentCell(), 3);
  Post(b[2], WM_LBUTTONUP, 2, 5);
  Pump();
  EXPECT_FALSE(b[2]->Pressed());
  EXPECT_EQ(b[2]->CurrentCell(), 1);
  EXPECT_FALSE(b[2]->Down());
  EXPECT_EQ(n[2].down, 1);
  EXPECT_EQ(n[2].up + n[2].click, 0);

  // Released outside the control's rectangle: still a click.
  ClickAt(b[2], 12, 12, -30, 60);
  EXPECT_TRUE(b[2]->Down());
  EXPECT_FALSE(b[1]->Down());
  EXPECT_EQ(n[2].click, 1);

  // A right release fires OnMouseUp and OnClick and leaves Down.
  Post(b[2], WM_RBUTTONDOWN, 12, 12);
  Post(b[2], WM_RBUTTONUP, 12, 12);
  Pump();
  EXPECT_TRUE(b[2]->Down());
  EXPECT_EQ(n[2].up, 2);
  EXPECT_EQ(n[2].click, 2);

  // With AllowAllUp a click raises the down button.
  for (auto* x : b) x->AllowAllUp = true;
  ClickAt(b[2], 12, 12, 12, 12);
  EXPECT_FALSE(b[2]->Down());
  EXPECT_FALSE(b[2]->Pressed());
}

TEST_F(SpareBitmapButtonTest, PaintsTheDownCellAndTheDisabledCaption) {
  // Two cells: a down button shows cell 2 (the last cell).
  TBitmapButton* b = Make(0, {0x0000FF, 0x00FF00}, 2);
  b->SetDown(true);
  TBitmap shot;
  b->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(12, 12), 0x00FF00u);
  EXPECT_EQ(b->CurrentCell(), 2);

  // Cell count lowered below the current cell: the last cell of the strip is drawn.
  TBitmapButton* c = Make(30, {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}, 4);
  c->SetDown(true);
  ASSERT_EQ(c->CurrentCell(), 4);
  c->SetNumGlyphs(2);
  c->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(12, 12), 0x00FFFFu);  // column 64 of the strip: the old cell 4

  // A disabled caption: white one pixel down-right, 0x808080 over it.
  auto* d = new TBitmapButton(host);
  d->SetBounds(0, 40, 80, 30);
  d->SetColor(clBlack);
  d->SetText("HM");
  d->SetEnabled(false);
  d->HandleNeeded();
  d->PaintTo(shot);
  int grey = 0, white = 0, whiteWithoutGrey = 0;
  for (int y = 1; y < shot.Height(); ++y) {
    for (int x = 1; x < shot.Width(); ++x) {
      COLORREF p = shot.PixelRGB(x, y);
      if (p == 0x808080) ++grey;
      if (p == 0xFFFFFF) {
        ++white;
        if (shot.PixelRGB(x - 1, y - 1) != 0x808080) ++whiteWithoutGrey;
      }
    }
  }
  EXPECT_GT(grey, 10);
  EXPECT_GT(white, 5);
  EXPECT_EQ(whiteWithoutGrey, 0);
}
