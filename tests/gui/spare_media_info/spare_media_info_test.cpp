// The media-info button under wine: the shaped hit mask, text lines, the fade,
// the light colour, grouped buttons driven by posted mouse messages, and what
// it paints.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "spare_controls/MediaInfoBtn.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareMediaInfoHost") { SetBounds(40, 40, 400, 200); }
};

void Post(TWinControl* b, UINT msg, int x, int y) {
  WPARAM wp = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
  PostMessageW(b->Handle(), msg, wp, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

struct Counts {
  int down = 0, up = 0, click = 0;
};

void Wire(TMediaInfoBtn* b, Counts& c) {
  b->OnMouseDown = [&c](TWinControl*, TMouseButton, TShiftState, int, int) { ++c.down; };
  b->OnMouseUp = [&c](TWinControl*, TMouseButton, TShiftState, int, int) { ++c.up; };
  b->OnClick = [&c](TWinControl*) { ++c.click; };
}

}  // namespace

class SpareMediaInfoTest : public ::testing::Test {
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
  TMediaInfoBtn* Make(int left, BTNSTYLE style, int w = 80, int h = 40) {
    auto* b = new TMediaInfoBtn(host);
    b->SetBounds(left, 10, w, h);
    b->SetButtonStyle(style);
    b->HandleNeeded();
    b->Loaded();
    return b;
  }
  static Host* host;
};
Host* SpareMediaInfoTest::host = nullptr;

TEST_F(SpareMediaInfoTest, HitMaskFollowsTheShape) {
  TMediaInfoBtn* e = Make(0, btEllipse);
  struct Case {
    int x, y;
    bool on;
  } cases[] = {{1, 1, false}, {40, 20, true}, {-1, 20, false}, {-3, 20, false}, {0, 20, true},
               {85, 20, false}, {40, -2, false}, {78, 2, false}};
  for (const Case& c : cases) EXPECT_EQ(e->OnButton(c.x, c.y), c.on) << c.x << "," << c.y;
  // A square rounded face is on up to its last whole quarter.
  TMediaInfoBtn* r = Make(100, btRound);
  EXPECT_TRUE(r->OnButton(1, 1));
  EXPECT_TRUE(r->OnButton(79, 39));
  // Resized: the mask follows.
  e->SetBounds(0, 10, 160, 40);
  EXPECT_TRUE(e->OnButton(120, 20));
}

TEST_F(SpareMediaInfoTest, TextLinesAreCutAtLineFeedsAndFittedByWholeCharacters) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\nb\n", {"a", "b"}},
      {"", {""}},
      {"x\r\ny", {"x\r", "y"}},
      {"\n\nz", {"", "", "z"}},
      {"\x82\xa0\n\x82\xa2", {"\x82\xa0", "\x82\xa2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(TMediaInfoBtn::CutText(c.text), c.lines) << c.text;

  TBitmap b(10, 10);
  TFont f;
  b.Canvas().Font = f;
  const std::string head = "ab";
  const std::string dbcs = Cp932FromUtf8(u8"あい");
  int w2 = b.Canvas().TextWidth(L"ab");
  int w3 = b.Canvas().TextWidth(Cp932ToWide(head + dbcs.substr(0, 2)));
  ASSERT_GT(w3, w2 + 2);
  // A limit that falls inside the double-byte character: the character goes whole.
  std::string fitted = TMediaInfoBtn::FitLine(b.Canvas(), head + dbcs, w2 + (w3 - w2) / 2);
  EXPECT_EQ(fitted, head);
  EXPECT_EQ(TMediaInfoBtn::FitLine(b.Canvas(), head + dbcs, w3 + 1), head + dbcs.substr(0, 2));
  EXPECT_EQ(TMediaInfoBtn::FitLine(b.Canvas(), head + dbcs, 1000), head + dbcs);
  EXPECT_EQ(TMediaInfoBtn::FitLine(b.Canvas(), head, 0), "");
}

TEST_F(SpareMediaInfoTest, FadeAndLightColour) {
  struct Case {
    int old, c, level, expect;
  } cases[] = {{200, 0, 0, 0},     {200, 0, 128, 100}, {200, 0, 255, 200}, {200, 0, 256, 200},
               {0, 200, 0, 199},   {0, 200, 255, 0},   {255, 255, 400, 255}};
  for (const Case& k : cases) EXPECT_EQ(TMediaInfoBtn::AlfhaChannel(k.old, k.c, k.level), k.expect) << k.level;

  struct Light {
    TColor in, out;
  } lights[] = {{0x00FF00, 0xC8FFC8}, {0x102030, 0x92A2B2}, {29, 0xFFFFFF}, {clBtnFace, 0xFFFFFF},
                {0xFFFFFF, 0xFFFFFF}, {0xFFFF00, 0xFFFFC8}};
  for (const Light& l : lights) EXPECT_EQ(TMediaInfoBtn::GetLightColor(l.in), l.out) << std::hex << l.in;

  TMediaInfoBtn* b = Make(0, btRound);
  EXPECT_EQ(b->ParentBtnCount(), 0);
}

TEST_F(SpareMediaInfoTest, GroupedButtonsGoDownOnThePressAndReleaseOthersOnTheRelease) {
  TMediaInfoBtn* a = Make(0, btEllipse);
  TMediaInfoBtn* b = Make(100, btEllipse);
  Counts na, nb;
  Wire(a, na);
  Wire(b, nb);
  a->GroupIndex = b->GroupIndex = 3;

  Post(a, WM_LBUTTONDOWN, 40, 20);
  Post(a, WM_LBUTTONUP, 40, 20);
  Pump();
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(na.click, 1);

  Post(b, WM_LBUTTONDOWN, 40, 20);
  Pump();
  EXPECT_TRUE(b->Down());  // at once on the press
  EXPECT_TRUE(a->Down());  // the others on the release
  b->DrawFrg = true;
  a->DrawFrg = true;
  Post(b, WM_LBUTTONUP, 40, 20);
  Pump();
  EXPECT_FALSE(a->Down());
  EXPECT_FALSE(a->DrawFrg);
  EXPECT_FALSE(b->Pressed());

  // A release off the face after a press: the press ends, the group settles
  // (never two down), no event.
  Post(a, WM_LBUTTONDOWN, 40, 20);
  Post(a, WM_LBUTTONUP, 1, 1);
  Pump();
  EXPECT_FALSE(a->Pressed());
  EXPECT_TRUE(a->Down());
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(na.click, 1);
  EXPECT_EQ(na.up, 1);

  // Corners and negative points are off: nothing at all.
  Post(b, WM_LBUTTONDOWN, 1, 1);
  Post(b, WM_LBUTTONDOWN, -2, 20);
  Pump();
  EXPECT_EQ(nb.down, 1);
  EXPECT_FALSE(b->Pressed());

  // Without a group: a press sets Down false; a right release fires no OnClick.
  TMediaInfoBtn* c = Make(200, btRound);
  Counts nc;
  Wire(c, nc);
  c->SetDown(true);  // the first set assigns
  Post(c, WM_LBUTTONDOWN, 40, 20);
  Pump();
  EXPECT_FALSE(c->Down());
  Post(c, WM_LBUTTONUP, 40, 20);
  Post(c, WM_RBUTTONDOWN, 40, 20);
  Post(c, WM_RBUTTONUP, 40, 20);
  Pump();
  EXPECT_EQ(nc.click, 1);
  EXPECT_EQ(nc.up, 2);
}

TEST_F(SpareMediaInfoTest, PaintsCornersInColourAndTheDisabledHatch) {
  TMediaInfoBtn* e = Make(0, btEllipse);
  e->SetColor(0x00FF00);
  e->ColorButton = 0x0000C0;
  TBitmap shot;
  e->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(0, 0), 0x00FF00u);
  EXPECT_EQ(shot.PixelRGB(79, 39), 0x00FF00u);
  // The face is a gradient from the face colour lowered by 84 at the bottom
  // row, lighter upward.
  COLORREF low = shot.PixelRGB(40, 35), high = shot.PixelRGB(40, 6);
  EXPECT_EQ(low, 0x00006Cu + 0x0F0F0Fu);  // start 108, 0, 0; two steps of 7.5 up from row 37
  EXPECT_GT(high & 0xFF, low & 0xFF);

  TMediaInfoBtn* g = Make(100, btGraphic, 60, 60);
  g->ColorButton = 0x404040;
  g->SetEnabled(false);
  g->PaintTo(shot);
  int white = 0, face = 0;
  for (int y = 8; y < 52; ++y)
    for (int x = 8; x < 52; ++x) {
      COLORREF p = shot.PixelRGB(x, y);
      if (p == 0xFFFFFF) ++white;
      if (p == 0x404040) ++face;
    }
  EXPECT_GT(white, 100);
  EXPECT_GT(face, 500);
  // A picture is stretched to the face less its frame; a button too small for
  // one keeps no picture.
  TBitmap pic(8, 8);
  pic.Canvas().BrushColor = clRed;
  pic.Canvas().FillRect(RECT{0, 0, 8, 8});
  g->SetGlyph(&pic);
  EXPECT_EQ(g->Glyph().Width(), 47);
  EXPECT_EQ(g->Glyph().Height(), 47);
  TMediaInfoBtn* tiny = Make(200, btGraphic, 12, 12);
  tiny->SetGlyph(&pic);
  EXPECT_EQ(tiny->Glyph().Width(), 0);
  tiny->PaintTo(shot);
  g->SetGlyph(nullptr);
  EXPECT_EQ(g->Glyph().Width(), 0);

  // Enabled, the picture frame is filled with GraphicNotColor.
  g->SetEnabled(true);
  g->GraphicNotColor = 0x00FFFF;
  g->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(30, 30), 0x00FFFFu);
}
