// The colour progress bar under wine: range rules, the repaint rule, and the
// picture (filled part, blocks, styles, frame, marker, text).
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include "controls/ColorProgressBar.h"
#include "framework/Application.h"
#include "framework/Form.h"

namespace {

class HostForm : public TForm {
 public:
  HostForm() : TForm(nullptr, L"TProgressBarTestForm") { SetBounds(0, 0, 400, 300); }
};

void Pump() { Application->ProcessMessages(); }

const COLORREF kBox = RGB(0xF0, 0xF0, 0xF0);
const COLORREF kBar = RGB(0x00, 0x78, 0xD7);  // TColor 0xD77800

}  // namespace

// One host form for the whole suite; each test gets a new bar.
class ColorProgressBarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = NewForm<HostForm>();
    form->Show();
    Pump();
  }
  static void TearDownTestSuite() { form->Free(); }
  void SetUp() override {
    bar = new TColorProgressBar(form);
    bar->SetBounds(10, 10, 150, 16);
    bar->SetBoxColor(0xF0F0F0);
    bar->SetBarColor(0xD77800);
    bar->HandleNeeded();
    Pump();
  }
  void TearDown() override {
    while (!form->Controls().empty()) delete form->Controls().back();
    Pump();
  }
  TBitmap& Picture() {
    bar->PaintTo(bmp);
    return bmp;
  }
  static HostForm* form;
  TColorProgressBar* bar = nullptr;
  TBitmap bmp;
};

HostForm* ColorProgressBarTest::form = nullptr;

TEST_F(ColorProgressBarTest, RangeRules) {
  EXPECT_EQ(bar->Max(), 100u);
  EXPECT_EQ(bar->Step(), 10);
  EXPECT_EQ(bar->BlockCount(), 10);
  bar->SetMax(0);
  EXPECT_EQ(bar->Max(), 1u);
  bar->SetMax(100);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 100u);
  EXPECT_EQ(bar->ParValue(), 100);
  bar->SetMin(50);
  bar->SetMax(150);
  bar->SetPosition(0);
  bar->SetPosition(100);
  EXPECT_EQ(bar->GetPercentDone(), 50);
  EXPECT_EQ(bar->ParValue(), 66);
  bar->SetMin(200);  // above Max: Min = Max
  EXPECT_EQ(bar->Min(), 150u);
  bar->SetMin(0);
  bar->SetMax(100);

  bar->SetStep(500);
  EXPECT_EQ(bar->Step(), 100);
  bar->SetStep(-5);
  EXPECT_EQ(bar->Step(), -5);
  bar->SetWhiteLevel(5);
  EXPECT_EQ(bar->WhiteLevel(), 10);
  bar->SetWhiteLevel(300);
  EXPECT_EQ(bar->WhiteLevel(), 255);
  bar->SetLinePar(150);
  EXPECT_EQ(bar->LinePar(), 100);
  bar->SetBlockCount(0);
  EXPECT_EQ(bar->BlockCount(), 1);
  bar->SetBlockCount(151);
  EXPECT_EQ(bar->BlockCount(), 1);
  bar->SetBlockCount(10);
  bar->SetBlockSpace(6);  // below ((150 - 1) / 10) / 2 = 7
  EXPECT_EQ(bar->BlockSpace(), 6);
  bar->SetBlockSpace(7);
  EXPECT_EQ(bar->BlockSpace(), 6);
}

TEST_F(ColorProgressBarTest, StepsBackStopAtMinAndAPositionBelowMinIsZeroPercent) {
  bar->SetStep(-10);
  bar->SetPosition(25);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 15u);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 5u);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 0u);  // not a wrap to Max
  bar->SetMin(10);
  bar->SetPosition(15);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 10u);
  bar->SetMin(0);
  bar->SetPosition(3);
  bar->SetMin(10);  // the position stays below Min
  EXPECT_EQ(bar->GetPercentDone(), 0);
  bar->SetStep(10);
  bar->SetMin(0);
  bar->SetPosition(95);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 100u);
  bar->StepBy(UINT64_MAX);  // no wrap either way
  EXPECT_EQ(bar->Position(), 100u);
}

TEST_F(ColorProgressBarTest, RepaintsOnlyWhenTheWholePercentChanges) {
  bar->SetMax(1000);
  bar->SetPosition(0);
  Pump();
  int before = bar->PaintCount();
  for (int i = 0; i < 1000; ++i) bar->StepBy(1);
  EXPECT_EQ(bar->Position(), 1000u);
  EXPECT_EQ(bar->PaintCount() - before, 100);
  before = bar->PaintCount();
  bar->SetPosition(1000);  // unchanged: nothing
  Pump();
  EXPECT_EQ(bar->PaintCount(), before);
  // The synchronous repaint is on the screen at once.
  bar->SetPosition(0);
  bar->SetPosition(500);
  HDC dc = GetDC(bar->Handle());
  COLORREF inBar = GetPixel(dc, 40, 8), pastBar = GetPixel(dc, 100, 8);
  ReleaseDC(bar->Handle(), dc);
  EXPECT_EQ(inBar, kBar);
  EXPECT_EQ(pastBar, kBox);
}

TEST_F(ColorProgressBarTest, SolidBarFillsPositionOverMax) {
  bar->SetPosition(40);  // L = 147, f = 58.8: columns 2 .. 57
  TBitmap& b = Picture();
  EXPECT_EQ(b.PixelRGB(2, 8), kBar);
  EXPECT_EQ(b.PixelRGB(57, 8), kBar);
  EXPECT_EQ(b.PixelRGB(58, 8), kBox);
  EXPECT_EQ(b.PixelRGB(30, 2), kBar);
  EXPECT_EQ(b.PixelRGB(30, 13), kBar);
  EXPECT_EQ(b.PixelRGB(30, 1), kBox);
  EXPECT_EQ(b.PixelRGB(30, 14), kBox);
  // Sunken frame.
  EXPECT_EQ(b.PixelRGB(0, 8), RGB(0x50, 0x50, 0x50));
  EXPECT_EQ(b.PixelRGB(30, 0), RGB(0x50, 0x50, 0x50));
  EXPECT_EQ(b.PixelRGB(149, 8), RGB(255, 255, 255));
  EXPECT_EQ(b.PixelRGB(30, 15), RGB(255, 255, 255));
  EXPECT_EQ(b.PixelRGB(148, 8), ColorToRGB(bar->Color()));
  // Flat: one more column and a one-colour frame.
  bar->SetFlat(true);
  bar->SetLineColor(0x0000FF);
  Picture();
  EXPECT_EQ(b.PixelRGB(58, 8), kBar);
  EXPECT_EQ(b.PixelRGB(59, 8), kBox);
  EXPECT_EQ(b.PixelRGB(0, 8), RGB(255, 0, 0));
  EXPECT_EQ(b.PixelRGB(149, 8), RGB(255, 0, 0));
  // Min takes no part in the bar: 100 of 50..150 fills 100 / 150.
  bar->SetFlat(false);
  bar->SetMax(150);
  bar->SetMin(50);
  bar->SetPosition(100);
  Picture();
  EXPECT_EQ(b.PixelRGB(97, 8), kBar);
  EXPECT_EQ(b.PixelRGB(98, 8), kBox);
  // Position 0: track and frame only.
  bar->SetMin(0);
  bar->SetPosition(0);
  Picture();
  EXPECT_EQ(b.PixelRGB(2, 8), kBox);
}

TEST_F(ColorProgressBarTest, LargestFileSizesKeepTheirRatio) {
  const uint64_t max = INT64_MAX;
  bar->SetMax(max);
  bar->SetPosition(max / 10 * 4 + 1000);
  EXPECT_EQ(bar->ParValue(), 40);
  EXPECT_EQ(bar->GetPercentDone(), 40);
  TBitmap& b = Picture();
  EXPECT_EQ(b.PixelRGB(57, 8), kBar);
  EXPECT_EQ(b.PixelRGB(58, 8), kBox);
  bar->SetMax(UINT64_MAX);
  bar->SetPosition(UINT64_MAX - 1);
  EXPECT_EQ(bar->ParValue(), 99);
  EXPECT_EQ(bar->GetPercentDone(), 99);
  Picture();
  EXPECT_EQ(b.PixelRGB(145, 8), kBar);  // 147 * (2^64 - 2) / (2^64 - 1) = 146.99...
  EXPECT_EQ(b.PixelRGB(146, 8), kBox);
}

TEST_F(ColorProgressBarTest, VerticalSolidBarGrowsUpward) {
  bar->SetOrientation(pbVertical);
  bar->SetBounds(10, 10, 16, 150);
  bar->SetPosition(40);  // L = 148, f = 59.2: rows cut(150 - 59.2) = 90 .. 147
  TBitmap& b = Picture();
  EXPECT_EQ(b.PixelRGB(8, 90), kBar);
  EXPECT_EQ(b.PixelRGB(8, 89), kBox);
  EXPECT_EQ(b.PixelRGB(8, 147), kBar);
  EXPECT_EQ(b.PixelRGB(8, 148), kBox);
  EXPECT_EQ(b.PixelRGB(2, 120), kBar);
  EXPECT_EQ(b.PixelRGB(13, 120), kBar);
  EXPECT_EQ(b.PixelRGB(14, 120), kBox);
  EXPECT_EQ(b.PixelRGB(5, 1), ColorToRGB(bar->Color()));  // the Color line of the frame
}

TEST_F(ColorProgressBarTest, VerticalBlocksGrowUpwardInWholeBlocks) {
  bar->SetOrientation(pbVertical);
  bar->SetBounds(10, 10, 16, 150);
  bar->SetSmooth(true);
  bar->SetPosition(40);  // L = 147, pitch 14.7: blocks 1 .. 4 from row 148 up
  TBitmap& b = Picture();
  EXPECT_EQ(b.PixelRGB(8, 147), kBar);  // block 1: rows 134 .. 147
  EXPECT_EQ(b.PixelRGB(8, 134), kBar);
  EXPECT_EQ(b.PixelRGB(8, 133), kBox);  // the gap
  EXPECT_EQ(b.PixelRGB(8, 132), kBar);  // block 2
  EXPECT_EQ(b.PixelRGB(8, 90), kBar);   // block 4: rows 90 .. 102
  EXPECT_EQ(b.PixelRGB(8, 89), kBox);
  EXPECT_EQ(b.PixelRGB(8, 80), kBox);   // block 5 not yet
}

TEST_F(ColorProgressBarTest, EveryStyleInBothOrientationsFillsOnlyTheBar) {
  const PAINTTYPE styles[] = {btSolid, btSolid2, btGradetion, btGradetion2, btWin7};
  for (PAINTTYPE s : styles) {
    bar->SetBarStyle(s);
    bar->SetOrientation(pbHorizontal);
    bar->SetBounds(10, 10, 150, 16);
    bar->SetPosition(50);  // f = 73.5: columns 2 .. 72
    TBitmap& b = Picture();
    for (int y = 3; y <= 12; ++y) {
      EXPECT_NE(b.PixelRGB(40, y), kBox) << "style " << s << " row " << y;
      EXPECT_EQ(b.PixelRGB(100, y), kBox) << "style " << s << " row " << y;
    }
    bar->SetOrientation(pbVertical);
    bar->SetBounds(10, 10, 16, 150);
    Picture();  // L = 148, f = 74: rows 76 .. 147
    for (int x = 3; x <= 12; ++x) {
      EXPECT_NE(b.PixelRGB(x, 120), kBox) << "style " << s << " column " << x;
      EXPECT_EQ(b.PixelRGB(x, 40), kBox) << "style " << s << " column " << x;
    }
    bar->SetPosition(0);
  }
}

TEST_F(ColorProgressBarTest, MainWindowBarInBlocksWithTheWin7Look) {
  // ColorProgressBar1 of the main window at 40 %.
  bar->SetBounds(10, 10, 102, 18);
  bar->SetSmooth(true);
  bar->SetLineColor(0xC8D0D4);
  bar->SetBarStyle(btWin7);
  bar->SetPrsLevel(30);
  bar->SetPosition(40);  // L = 98, pitch 9.8: blocks 1 .. 4 of 10
  TBitmap& b = Picture();
  EXPECT_NE(b.PixelRGB(5, 16), kBox);
  EXPECT_EQ(b.PixelRGB(10, 16), kBox);  // the gap after block 1
  EXPECT_NE(b.PixelRGB(11, 16), kBox);  // block 2 starts at cut(11.8)
  EXPECT_NE(b.PixelRGB(35, 16), kBox);  // block 4
  EXPECT_EQ(b.PixelRGB(45, 16), kBox);  // block 5 not yet
  // The light bands: m = 2, rows 2 .. 3 first light, rows 4 .. 6 second light.
  EXPECT_EQ(b.PixelRGB(5, 2), RGB(195, 223, 245));  // bar blended with white at 60
  EXPECT_EQ(b.PixelRGB(5, 5), RGB(165, 207, 240));  // at 60 + 30
  // The gradient from the band edge (row 7) down, from the lowered bar colour.
  EXPECT_EQ(b.PixelRGB(5, 7), RGB(0, 56, 67));
  EXPECT_EQ(b.PixelRGB(5, 8), RGB(16, 72, 83));
  // The dark edge after each block.
  EXPECT_EQ(b.PixelRGB(10, 5), RGB(140, 140, 140));
  bar->SetPosition(39);  // 39 %: still 3 blocks
  Picture();
  EXPECT_EQ(b.PixelRGB(35, 16), kBox);
  EXPECT_NE(b.PixelRGB(25, 16), kBox);
}

TEST_F(ColorProgressBarTest, MarkerAndPercentageText) {
  bar->SetLineParVisible(true);
  bar->SetLineParColor(0x0000FF);
  TBitmap& b = Picture();
  EXPECT_EQ(b.PixelRGB(74, 2), RGB(255, 0, 0));  // x = 149 * 50 / 100
  EXPECT_EQ(b.PixelRGB(74, 11), RGB(255, 0, 0));
  EXPECT_EQ(b.PixelRGB(74, 7), kBox);
  bar->SetLineParVisible(false);
  // The text shows at 0 % too; with Shadow its shadow is in the bar colour,
  // which nothing else shows at 0 %.
  bar->SetBounds(10, 10, 102, 18);
  bar->SetTextSwitch(true);
  bar->SetShadow(true);
  bar->Font().SetHeight(-13);
  bar->Font().SetColor(clBlack);
  // At 0 % only the text differs from the track inside the frame.
  auto textPixels = [&](int* left, int* right) {
    Picture();
    int n = 0;
    *left = 102;
    *right = 0;
    for (int y = 1; y < 16; ++y) {
      for (int x = 1; x < 100; ++x) {
        if (b.PixelRGB(x, y) == kBox) continue;
        n++;
        if (x < *left) *left = x;
        if (x > *right) *right = x;
      }
    }
    return n;
  };
  int left = 0, right = 0;
  EXPECT_GT(textPixels(&left, &right), 5);
  EXPECT_GT(left, 35);  // "0%" centred
  EXPECT_LT(right, 67);
  // Without TextSwitch nothing of it.
  bar->SetTextSwitch(false);
  EXPECT_EQ(textPixels(&left, &right), 0);
}

// A system colour as bar colour: the top line of the two-tone bar is the
// light form of the colour that the bar shows, as for a plain colour (the
// raw bits of a system colour are no colour to blend).
TEST_F(ColorProgressBarTest, TopLineOfASystemBarColourIsTheLightFormOfTheShownColour) {
  bar->SetBarStyle(btSolid2);
  bar->SetPosition(50);
  for (TColor c : {static_cast<TColor>(clHighlight), static_cast<TColor>(0xD77800)}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    bar->SetBarColor(c);
    const int rgb = static_cast<int>(TColorProgressBar::ChkSysColorToColor(c));
    const COLORREF light = static_cast<COLORREF>(TColorProgressBar::GetAlphaColor(rgb, 0xFFFFFF, 100));
    TBitmap& b = Picture();
    EXPECT_EQ(b.PixelRGB(20, 2), light);  // the top line
    EXPECT_EQ(b.PixelRGB(20, 3), light);  // the light half below it
  }
}
