// The multi-kind progress bar and the colour navigator under wine: the range
// setters and their errors, stepping, blocks, exact percentages, repaints only
// on a new whole percent, and the pie, needle and bar on screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <string>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "spare_controls/ColorDBNavigator.h"
#include "spare_controls/NewProgressBar.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class CountingBar : public TNewProgressBar {
 public:
  using TNewProgressBar::TNewProgressBar;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    TNewProgressBar::Paint();
  }
};

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareProgressHost") { SetBounds(50, 50, 400, 300); }
};

std::string Utf8ToCp(const char* s) { return Cp932FromUtf8(s); }

}  // namespace

class SpareProgressTest : public ::testing::Test {
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
  static Host* host;
};
Host* SpareProgressTest::host = nullptr;

TEST_F(SpareProgressTest, RangeSettersRefuseValuesOutsideTheRangeAndChangeNothing) {
  auto* bar = new TNewProgressBar(host);
  bar->SetMaxValue(0);
  EXPECT_EQ(bar->Max(), 100u);

  bar->SetMinValue(10);
  try {
    bar->SetMaxValue(5);
    ADD_FAILURE() << "no error";
  } catch (const EProgressRange& e) {
    EXPECT_EQ(std::string(e.what()), Utf8ToCp(u8"11 から 2147483647 の間の値でなければなりません"));
  }
  EXPECT_EQ(bar->Max(), 100u);
  bar->SetMinValue(0);
  try {
    bar->SetMinValue(200);
    ADD_FAILURE() << "no error";
  } catch (const EProgressRange& e) {
    EXPECT_EQ(std::string(e.what()), Utf8ToCp(u8"-2147483647 から 99 の間の値でなければなりません"));
  }
  EXPECT_EQ(bar->Min(), 0u);

  // Beyond 32 bits the numbers are unsigned decimals.
  bar->SetMaxValue(UINT64_MAX);
  bar->SetMinValue(5000000000ull);
  try {
    bar->SetMaxValue(7);
    ADD_FAILURE() << "no error";
  } catch (const EProgressRange& e) {
    EXPECT_EQ(std::string(e.what()), Utf8ToCp(u8"5000000001 から 2147483647 の間の値でなければなりません"));
  }

  // The position follows a moved end.
  bar->SetMinValue(0);
  bar->SetMaxValue(100);
  bar->SetProgress(50);
  bar->SetMinValue(60);
  EXPECT_EQ(bar->Position(), 60u);
  bar->SetMaxValue(80);
  bar->SetProgress(80);
  bar->SetMaxValue(70);
  EXPECT_EQ(bar->Position(), 70u);
}

TEST_F(SpareProgressTest, StepBySaturatesAtBothEnds) {
  struct Case {
    uint64_t position;
    long delta;
    uint64_t min, max, expect;
  } cases[] = {
      {3, -5, 0, 100, 0},
      {3, -5, 2, 100, 2},
      {UINT64_MAX - 1, 5, 0, UINT64_MAX, UINT64_MAX},
      {90, 20, 0, 100, 100},
      {40, 7, 0, 100, 47},
      {0, -2147483647L - 1, 0, 100, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TNewProgressBar::Stepped(c.position, c.delta, c.min, c.max), c.expect)
        << c.position << " " << c.delta;
  }
  auto* bar = new TNewProgressBar(host);
  bar->SetProgress(3);
  bar->StepBy(-5);
  EXPECT_EQ(bar->Position(), 0u);
  EXPECT_EQ(bar->GetPercentDone(), 0);
}

TEST_F(SpareProgressTest, BlocksShowWhenTheirShareIsReached) {
  struct Case {
    int count, percent, shown;
  } cases[] = {{10, 9, 0}, {10, 10, 1}, {30, 90, 27}, {150, 1, 1}, {10, 100, 10}, {4, 25, 1}, {3, 66, 1}, {3, 67, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(TNewProgressBar::BlocksShown(c.count, c.percent), c.shown) << c.count << " " << c.percent;
  }
}

TEST_F(SpareProgressTest, PercentagesAreExactOverTheWholeRange) {
  auto* bar = new TNewProgressBar(host);
  bar->SetMaxValue(UINT64_MAX);
  struct Case {
    uint64_t position;
    int percent;
  } cases[] = {{UINT64_MAX, 100}, {UINT64_MAX - 1, 99}, {UINT64_MAX / 2, 49}, {UINT64_MAX / 100 + 1, 1}, {UINT64_MAX / 100, 0}};
  for (const Case& c : cases) {
    bar->SetProgress(c.position);
    EXPECT_EQ(bar->GetPercentDone(), c.percent) << c.position;
  }
  // The text measures from Min; 55 of 10..100 is 50 %.
  bar->SetProgress(0);
  bar->SetMaxValue(100);
  bar->SetMinValue(10);
  bar->SetProgress(55);
  EXPECT_EQ(bar->GetPercentDone(), 50);
}

TEST_F(SpareProgressTest, RepaintsOnlyOnANewWholePercent) {
  auto* bar = new CountingBar(host);
  bar->HandleNeeded();
  Pump();
  bar->SetMaxValue(1000);
  Pump();
  int before = bar->paints;
  bar->SetProgress(5);  // 0 %
  bar->SetProgress(9);
  EXPECT_EQ(bar->paints, before);
  bar->SetProgress(10);  // 1 %
  EXPECT_EQ(bar->paints, before + 1);
  bar->SetProgress(10);
  bar->SetProgress(19);
  EXPECT_EQ(bar->paints, before + 1);
}

TEST_F(SpareProgressTest, KindsPaintTheirShapes) {
  auto* bar = new TNewProgressBar(host);
  bar->SetBounds(0, 0, 150, 32);
  bar->SetForeColor(clRed);
  bar->SetBackColor(clWhite);
  bar->HandleNeeded();

  // The horizontal bar fills Position / Max of its length; the text (50 %) is
  // centred, clear of rows 2 and 3.
  bar->SetMinValue(10);
  bar->SetProgress(55);
  TBitmap shot;
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(10, 3), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(78, 3), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(86, 3), 0x000000u);
  EXPECT_EQ(shot.PixelRGB(0, 10), 0x505050u);
  EXPECT_EQ(shot.PixelRGB(149, 10), 0xFFFFFFu);

  // Pie at 25 %: the upper right quarter is filled, the rest shows BackColor.
  bar->SetMinValue(0);
  bar->SetShowText(false);
  bar->SetBounds(0, 0, 80, 80);
  bar->SeTCGaugeKind(iuPie);
  bar->SetProgress(25);
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(55, 20), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(20, 20), 0xFFFFFFu);
  EXPECT_EQ(shot.PixelRGB(20, 55), 0xFFFFFFu);
  EXPECT_EQ(shot.PixelRGB(55, 55), 0xFFFFFFu);

  // Needle at 50 %: straight up from the middle of the base.
  bar->SeTCGaugeKind(iuNeedle);
  bar->SetProgress(50);
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(40, 40), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(40, 60), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(30, 50), 0xFFFFFFu);
  EXPECT_EQ(shot.PixelRGB(50, 50), 0xFFFFFFu);
}

TEST_F(SpareProgressTest, BlocksAppearAtTheirShare) {
  auto* bar = new TNewProgressBar(host);
  bar->SetBounds(0, 0, 150, 32);
  bar->SetForeColor(clRed);
  bar->SetShowText(false);
  bar->SetSmooth(true);
  bar->HandleNeeded();
  TBitmap shot;
  bar->SetProgress(9);
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(5, 3), 0x000000u);
  bar->SetProgress(10);  // block 1 spans columns 2 .. 2 + 14.9 - 1
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(5, 3), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(14, 3), 0x0000FFu);
  EXPECT_EQ(shot.PixelRGB(16, 3), 0x000000u);  // the gap
  EXPECT_EQ(shot.PixelRGB(20, 3), 0x000000u);  // block 2 not yet
  bar->SetProgress(100);
  bar->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(140, 3), 0x0000FFu);
}

TEST_F(SpareProgressTest, BlockSettersKeepTheirLimits) {
  auto* bar = new TNewProgressBar(host);
  bar->SetBounds(0, 0, 150, 32);
  bar->SetBlockCount(0);
  EXPECT_EQ(bar->BlockCount(), 1);
  bar->SetBlockCount(200);  // 150 / 200 is 0
  EXPECT_EQ(bar->BlockCount(), 1);
  bar->SetBlockCount(10);  // a block of 14.9 pixels
  bar->SetBlockSpace(7);
  EXPECT_EQ(bar->BlockSpace(), 7);
  bar->SetBlockSpace(8);
  EXPECT_EQ(bar->BlockSpace(), 7);
}

TEST_F(SpareProgressTest, NavigatorPaintsItsColour) {
  auto* nav = new TColorDBNavigator(host);
  nav->SetColor(0x00C0FF);
  nav->HandleNeeded();
  TBitmap shot;
  nav->PaintTo(shot);
  EXPECT_EQ(shot.PixelRGB(5, 5), 0x00C0FFu);
  wchar_t cls[64] = {};
  GetClassNameW(nav->Handle(), cls, 64);
  EXPECT_STREQ(cls, L"TColorDBNavigator");
}
