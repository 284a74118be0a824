// The stepping unit driven by a simulated clock: timers fire at their due times,
// the slider holds its value and fires its change event like the real one, and
// the view records every page display.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "viewer/Stepper.h"

using vastrel::Stepper;

namespace {

struct Clock {
  int64_t now = 0;
};

// A periodic timer: a changed interval restarts it, an unchanged one does nothing,
// starting a running timer does nothing.
class FakeTimer : public vastrel::IStepTimer {
 public:
  explicit FakeTimer(Clock& c) : clock(c) {}
  int Interval() const override { return interval; }
  void SetInterval(int ms) override {
    if (ms == interval) return;
    interval = ms;
    if (enabled) due = clock.now + interval;
  }
  bool Enabled() const override { return enabled; }
  void Start() override {
    if (enabled) return;
    enabled = true;
    due = clock.now + interval;
  }
  void Stop() override { enabled = false; }
  Clock& clock;
  int interval = 1000;
  bool enabled = false;
  int64_t due = 0;
};

class FakeSlider : public vastrel::ISliderPort {
 public:
  int64_t Max() const override { return max; }
  int64_t Position() const override { return pos; }
  void SetPosition(int64_t p) override {
    pos = std::min(std::max<int64_t>(p, 0), max);
    if (onChange) onChange();
  }
  int64_t max = 100000;
  int64_t pos = 0;
  std::function<void()> onChange;
};

class FakeKeys : public vastrel::IKeyState {
 public:
  bool CtrlDown() const override { return ctrl; }
  bool UpArrowDown() const override { return up; }
  bool DownArrowDown() const override { return down; }
  bool ctrl = false, up = false, down = false;
};

struct Shown {
  int64_t pos;
  bool back, forward;
  int linesPerStep;
  bool exact;  // the page begins at pos itself (a line step)
};

struct Glyph {
  bool forward, latchedImage;
  uint32_t background;
};

class FakeView : public vastrel::IStepView {
 public:
  void ShowPage(int64_t pos) override {
    shown.push_back({pos, stepper->StepBack, stepper->StepForward, stepper->LinesPerStep, stepper->ExactStart});
    if (onShow) onShow(pos);
  }
  // What the page display does with the slider (it sets it to the page's start).
  std::function<void(int64_t)> onShow;
  void RefreshPage(int64_t pos) override { refreshed.push_back(pos); }
  void RedrawTextView() override { ++redraws; }
  bool PageSettingPosition() const override { return pageSetting; }
  bool TextModified() const override { return modified; }
  int TextCode() const override { return code; }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  int64_t LineFileLength(int line) const override { return lines.at(line); }
  bool ShortPage() const override { return shortPage; }
  bool WrapOn() const override { return wrap; }
  int64_t WrappedPageLength() const override { return wrapped; }
  int64_t PageTextLength() const override { return pageText; }
  void LineNumbersAfterPage() override { ++afterPage; }
  void UpdateLineNumbers() override { ++lineNumberUpdates; }
  bool IndexHandOver() const override { return handOver; }
  void FocusTextView() override { ++focus; }
  void DrawStepGlyph(bool forward, bool latched, uint32_t bg) override {
    glyphs.push_back({forward, latched, bg});
  }
  void ShowMultiplier(int m) override { multiplierShown = m; }
  void Pause(int ms) override { pauses.push_back(ms); }
  // Page Down: the start of the last line (the lines' lengths plus CR LF each);
  // Page Up: as set (-1: none).
  int64_t PageDownTarget() override { return slider->Position() + stepper->StepByLines(1, false); }
  int64_t PageUpTarget() override { return upTarget; }

  Stepper* stepper = nullptr;
  const vastrel::ISliderPort* slider = nullptr;
  int64_t upTarget = -1;
  std::vector<Shown> shown;
  std::vector<int64_t> refreshed;
  int redraws = 0, afterPage = 0, lineNumberUpdates = 0, focus = 0;
  bool pageSetting = false, modified = false, shortPage = false, wrap = false, handOver = false;
  int code = 0;
  std::vector<int64_t> lines{10, 20, 30};
  int64_t wrapped = 0, pageText = 500;
  std::vector<Glyph> glyphs;
  int multiplierShown = 0;
  std::vector<int> pauses;
};

struct Tick {
  bool forward;
  int64_t at;
  int64_t pos;
};

class StepperTest : public testing::Test {
 protected:
  StepperTest() : back(clock), fwd(clock), stepper(slider, back, fwd, keys, view) {
    view.stepper = &stepper;
    view.slider = &slider;
    slider.onChange = [this] { stepper.SliderChanged(); };
  }

  // Fires the timers whose due times come up to `until`, in time order.
  void RunUntil(int64_t until) {
    for (;;) {
      FakeTimer* next = nullptr;
      for (FakeTimer* t : {&back, &fwd})
        if (t->enabled && t->due <= until && (!next || t->due < next->due)) next = t;
      if (!next) break;
      clock.now = next->due;
      next->due = clock.now + next->interval;
      if (next == &back) stepper.BackTimerTick();
      else stepper.ForwardTimerTick();
      ticks.push_back({next == &fwd, clock.now, slider.pos});
    }
    clock.now = until;
  }

  // Fires exactly n more ticks of whichever timer runs.
  void RunTicks(size_t n) {
    const size_t target = ticks.size() + n;
    while (ticks.size() < target && (back.enabled || fwd.enabled)) {
      int64_t due = INT64_MAX;
      for (FakeTimer* t : {&back, &fwd})
        if (t->enabled) due = std::min(due, t->due);
      RunUntil(due);
    }
  }

  std::vector<int64_t> Gaps() const {
    std::vector<int64_t> g;
    int64_t last = pressedAt;
    for (const Tick& t : ticks) {
      g.push_back(t.at - last);
      last = t.at;
    }
    return g;
  }

  void Press(bool forward) {
    pressedAt = clock.now;
    stepper.StepButtonDown(forward, false);
  }

  Clock clock;
  FakeTimer back, fwd;
  FakeSlider slider;
  FakeKeys keys;
  FakeView view;
  Stepper stepper;
  std::vector<Tick> ticks;
  int64_t pressedAt = 0;
};

// --- Timing ------------------------------------------------------------------

TEST_F(StepperTest, HeldButtonStepsAfter1Then210Then110ThenEvery10) {
  for (bool forward : {false, true}) {
    SCOPED_TRACE(forward ? "forward" : "back");
    ticks.clear();
    slider.pos = 5000;
    Press(forward);
    RunTicks(7);
    EXPECT_EQ(Gaps(), (std::vector<int64_t>{1, 210, 110, 10, 10, 10, 10}));
    // One byte per tick in byte mode.
    EXPECT_EQ(slider.pos, forward ? 5007 : 4993);
    stepper.StepButtonUp(forward);
    EXPECT_FALSE(back.enabled || fwd.enabled);
  }
}

TEST_F(StepperTest, PageKeyStepsAfter5Then210Then110Then10AndRepeatRestarts) {
  slider.pos = 5000;
  pressedAt = clock.now;
  stepper.PageKeyDown(Stepper::kVkNext);
  EXPECT_TRUE(stepper.LineMode);
  RunTicks(5);
  EXPECT_EQ(Gaps(), (std::vector<int64_t>{5, 210, 110, 10, 10}));
  // A keyboard repeat sets 5 ms again: the next step comes 5 ms after it.
  RunUntil(clock.now + 3);
  const int64_t repeatAt = clock.now;
  stepper.PageKeyDown(Stepper::kVkNext);
  const size_t before = ticks.size();
  RunTicks(1);
  EXPECT_EQ(ticks[before].at - repeatAt, 5);
  stepper.PageKeyUp(Stepper::kVkNext);
  EXPECT_FALSE(fwd.enabled);
  EXPECT_FALSE(stepper.LineMode);
}

TEST_F(StepperTest, PageUpUsesBackTimerAndAnyKeyUpEndsLineMode) {
  stepper.PageKeyDown(Stepper::kVkPrior);
  EXPECT_TRUE(back.enabled);
  EXPECT_FALSE(fwd.enabled);
  EXPECT_EQ(back.interval, 5);
  stepper.PageKeyUp(Stepper::kVkUp);  // another key: line mode ends, timer runs on
  EXPECT_FALSE(stepper.LineMode);
  EXPECT_TRUE(back.enabled);
  stepper.PageKeyDown(0x41);  // not a page key: nothing
  EXPECT_FALSE(stepper.LineMode);
}

// --- Latch -------------------------------------------------------------------

TEST_F(StepperTest, UnlatchedReleaseStopsAtOnceEvenAfter50Ticks) {
  slider.pos = 5000;
  Press(true);
  RunTicks(50);
  EXPECT_EQ(stepper.RepeatTicks, 0);  // latch off: nothing counted
  stepper.StepButtonUp(true);
  EXPECT_FALSE(fwd.enabled);
  const int64_t pos = slider.pos;
  RunUntil(clock.now + 1000);
  EXPECT_EQ(slider.pos, pos);
}

TEST_F(StepperTest, RightClickTogglesLatchColourAndRedrawsBothGlyphs) {
  stepper.StepButtonDown(false, true);
  EXPECT_TRUE(stepper.LatchOn());
  EXPECT_EQ(stepper.LatchColour, Stepper::kLatchOnColour);
  ASSERT_EQ(view.glyphs.size(), 2u);
  EXPECT_FALSE(view.glyphs[0].forward);
  EXPECT_TRUE(view.glyphs[1].forward);
  for (const Glyph& g : view.glyphs) {
    EXPECT_FALSE(g.latchedImage);
    EXPECT_EQ(g.background, Stepper::kLatchOnColour);
  }
  EXPECT_FALSE(back.enabled || fwd.enabled);  // nothing else
  stepper.StepButtonDown(true, true);
  EXPECT_EQ(stepper.LatchColour, Stepper::kLatchOffColour);
}

TEST_F(StepperTest, LatchedForwardRunsOnAfterReleaseToUsableEndWithoutStepOnLatchingTick) {
  slider.max = 1000;  // usable end 968
  slider.pos = 900;
  stepper.StepButtonDown(true, true);  // latch on
  Press(true);
  RunTicks(39);
  EXPECT_EQ(stepper.RepeatTicks, 39);
  EXPECT_EQ(slider.pos, 939);
  view.glyphs.clear();
  RunTicks(1);  // the 40th tick latches and makes no step
  EXPECT_EQ(stepper.RepeatTicks, 40);
  EXPECT_EQ(slider.pos, 939);
  ASSERT_EQ(view.glyphs.size(), 1u);
  EXPECT_TRUE(view.glyphs[0].forward);
  EXPECT_TRUE(view.glyphs[0].latchedImage);
  stepper.StepButtonUp(true);
  EXPECT_TRUE(fwd.enabled);
  RunUntil(clock.now + 10000);
  EXPECT_FALSE(fwd.enabled);
  EXPECT_EQ(slider.pos, 968);
  ASSERT_FALSE(view.glyphs.empty());
  EXPECT_TRUE(view.glyphs.back().forward);
  EXPECT_FALSE(view.glyphs.back().latchedImage);  // normal glyph back
}

TEST_F(StepperTest, LatchedForwardRunStopsAtTheLastPageBeforeTheUsableEnd) {
  // The last page that can be shown begins at 950: every page asked for
  // after it shows that page, which sets the slider back there.
  slider.max = 1000;  // usable end 968
  slider.pos = 900;
  view.onShow = [this](int64_t pos) {
    if (pos > 950) slider.pos = 950;
  };
  stepper.StepButtonDown(true, true);  // latch on
  Press(true);
  RunTicks(40);
  stepper.StepButtonUp(true);
  EXPECT_TRUE(fwd.enabled);
  RunUntil(clock.now + 10000);
  EXPECT_FALSE(fwd.enabled) << "the run ends on the last page";
  EXPECT_EQ(slider.pos, 950);
  EXPECT_FALSE(view.glyphs.back().latchedImage);
}

TEST_F(StepperTest, LatchedBackRunsOnAfterReleaseToStart) {
  slider.pos = 60;
  stepper.StepButtonDown(false, true);
  Press(false);
  RunTicks(40);
  EXPECT_EQ(stepper.RepeatTicks, 40);
  EXPECT_EQ(slider.pos, 20);  // the back tick that latches still steps
  stepper.StepButtonUp(false);
  RunUntil(clock.now + 10000);
  EXPECT_FALSE(back.enabled);
  EXPECT_EQ(slider.pos, 0);
  EXPECT_FALSE(view.glyphs.back().forward);
  EXPECT_FALSE(view.glyphs.back().latchedImage);
}

TEST_F(StepperTest, LatchOnButReleasedBefore40TicksStops) {
  slider.pos = 5000;
  stepper.StepButtonDown(true, true);
  Press(true);
  RunTicks(39);
  stepper.StepButtonUp(true);
  EXPECT_FALSE(fwd.enabled);
}

TEST_F(StepperTest, PressOfOtherButtonStopsLatchedRunAndStartsItsOwn) {
  slider.pos = 5000;
  stepper.StepButtonDown(true, true);
  Press(true);
  RunTicks(45);
  stepper.StepButtonUp(true);
  ASSERT_TRUE(fwd.enabled);
  view.glyphs.clear();
  Press(false);
  EXPECT_FALSE(fwd.enabled);
  EXPECT_TRUE(back.enabled);
  EXPECT_EQ(stepper.RepeatTicks, 0);
  EXPECT_EQ(back.interval, 1);
  // The stopped button gets its normal glyph, then this one.
  ASSERT_EQ(view.glyphs.size(), 2u);
  EXPECT_TRUE(view.glyphs[0].forward);
  EXPECT_FALSE(view.glyphs[1].forward);
  const int64_t pos = slider.pos;
  RunTicks(3);
  EXPECT_EQ(slider.pos, pos - 3);
  stepper.StepButtonUp(false);  // 3 ticks: not latched
  EXPECT_FALSE(back.enabled);
}

TEST_F(StepperTest, LeftPressFocusesViewAndEndsDrag) {
  stepper.SliderDragging = true;
  Press(true);
  EXPECT_EQ(view.focus, 1);
  EXPECT_FALSE(stepper.SliderDragging);
  EXPECT_EQ(fwd.interval, 1);
  EXPECT_TRUE(fwd.enabled);
}

TEST_F(StepperTest, ReleaseUpdatesStaleLineNumbers) {
  Press(true);
  stepper.LineNumbersStale = true;
  stepper.StepButtonUp(true);
  EXPECT_EQ(view.lineNumberUpdates, 1);
  stepper.LineNumbersStale = false;
  Press(true);
  stepper.StepButtonUp(true);
  EXPECT_EQ(view.lineNumberUpdates, 1);
}

// --- Clamps --------------------------------------------------------------------

struct ClampCase {
  int64_t max, start;
  bool forward;
  int64_t expectEnd;
};

TEST_F(StepperTest, SteppingHoldsToZeroAndToUsableMaximum) {
  const ClampCase cases[] = {
      {1000, 960, true, 968},  // 1000 - 32
      {1000, 3, false, 0},
      {32, 20, true, 31},  // file of at most 32 bytes: step 1
      {33, 0, true, 1},    // 33 bytes: step 32
      {5, 2, false, 0},
      {0, 0, true, 0},  // empty file: nothing below 0
      {(int64_t{5} << 32) + 7, (int64_t{5} << 32) - 30, true, (int64_t{5} << 32) + 7 - 32},
  };
  for (const ClampCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "max " << c.max << " start " << c.start);
    ticks.clear();
    slider.max = c.max;
    slider.pos = c.start;
    Press(c.forward);
    RunTicks(100);
    for (const Tick& t : ticks) {
      EXPECT_GE(t.pos, 0);
      EXPECT_LE(t.pos, std::max<int64_t>(c.max - (c.max <= 32 ? 1 : 32), 0));
    }
    EXPECT_EQ(slider.pos, c.expectEnd);
    stepper.StepButtonUp(c.forward);
  }
}

TEST_F(StepperTest, LineModeForwardAndCtrlBackHoldToBounds) {
  slider.max = 200;
  view.lines = {100, 100, 100};
  slider.pos = 10;
  stepper.PageKeyDown(Stepper::kVkNext);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 168);  // 10 + 204 held to 200 - 32
  stepper.PageKeyUp(Stepper::kVkNext);
  view.shortPage = true;
  keys.ctrl = true;
  stepper.StepMultiplier = 2;
  Press(false);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 0);  // 168 - 2 * 204 held to 0
}

// --- Line mode -------------------------------------------------------------------

TEST_F(StepperTest, LineModeForwardMovesByStepByLinesTimesMultiplier) {
  view.lines = {10, 20, 30};  // lines 0..1: 12 + 22
  slider.pos = 1000;
  stepper.StepMultiplier = 10;
  stepper.PageKeyDown(Stepper::kVkNext);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 1000 + 34 * 10);
  EXPECT_TRUE(stepper.LineNumbersStale);
  ASSERT_FALSE(view.shown.empty());
  EXPECT_TRUE(view.shown.back().forward);
  EXPECT_FALSE(view.shown.back().back);
  EXPECT_FALSE(view.shown.back().exact);  // a multiplied step lands inside a line
  stepper.PageKeyUp(Stepper::kVkNext);
  // One screen: the page begins exactly at the start of the last line.
  stepper.StepMultiplier = 1;
  view.shown.clear();
  stepper.PageKeyDown(Stepper::kVkNext);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 1000 + 34 * 11);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_TRUE(view.shown[0].exact);
  EXPECT_FALSE(stepper.ExactStart);
}

TEST_F(StepperTest, LineModeBackGoesToThePageEndingWithTheFirstLine) {
  view.lines = std::vector<int64_t>(25, 8);
  slider.pos = 5000;
  view.upTarget = 4700;
  stepper.PageKeyDown(Stepper::kVkPrior);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 4700);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_TRUE(view.shown[0].exact);
  EXPECT_TRUE(view.shown[0].back);
  stepper.PageKeyUp(Stepper::kVkPrior);
  // At the file's start there is no page before: nothing moves.
  slider.pos = 0;
  view.upTarget = 0;
  view.shown.clear();
  stepper.PageKeyDown(Stepper::kVkPrior);
  RunTicks(1);
  EXPECT_TRUE(view.shown.empty());
  stepper.PageKeyUp(Stepper::kVkPrior);
}

TEST_F(StepperTest, MultipliedLineModeBackScansScreenLinesBackAtSamePosition) {
  view.lines = std::vector<int64_t>(25, 8);
  slider.pos = 5000;
  for (int m : {10, 100}) {
    view.shown.clear();
    stepper.StepMultiplier = m;
    stepper.PageKeyDown(Stepper::kVkPrior);
    RunTicks(1);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].pos, 5000);
    EXPECT_TRUE(view.shown[0].back);
    EXPECT_EQ(view.shown[0].linesPerStep, 24 * m);
    EXPECT_EQ(stepper.LinesPerStep, 1);
    stepper.PageKeyUp(Stepper::kVkPrior);
  }
}

TEST_F(StepperTest, ShortPageBackMovesByLinesButFirstOrByWrappedCapacity) {
  view.shortPage = true;
  view.lines = {10, 20, 30};
  slider.pos = 5000;
  keys.ctrl = true;
  stepper.StepMultiplier = 2;
  Press(false);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 5000 - (22 + 32) * 2);
  stepper.StepButtonUp(false);
  stepper.StepMultiplier = 1;

  view.wrap = true;
  view.wrapped = 300;
  stepper.StepMultiplier = 10;
  slider.pos = 5000;
  Press(false);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 5000 - 3000);
  stepper.StepButtonUp(false);

  view.code = 1;  // UTF-16: characters are two bytes
  stepper.StepMultiplier = 2;
  slider.pos = 5000;
  Press(false);
  RunTicks(1);
  EXPECT_EQ(slider.pos, 5000 - 1200);
  stepper.StepButtonUp(false);
}

struct LinesCase {
  int code;
  int n;
  bool fromN;
  int64_t expect;
};

TEST_F(StepperTest, StepByLinesPerCode) {
  view.lines = {3, 5, 7, 11};
  const LinesCase cases[] = {
      {0, 1, false, (3 + 2) + (5 + 2) + (7 + 2)},
      {0, 1, true, (5 + 2) + (7 + 2) + (11 + 2)},
      {2, 1, false, 21},
      {3, 2, true, (7 + 2) + (11 + 2)},
      {4, 3, false, 5},
      // UTF-16: two bytes per unit, a CR LF of 4 bytes for every line above line 0.
      {1, 1, false, 6 + (10 + 4) + (14 + 4)},
      {1, 1, true, (10 + 4) + (14 + 4) + (22 + 4)},
      {1, 3, false, 6},
      {0, 4, false, 0},  // no lines in the range
      {1, 4, true, 0},
  };
  for (const LinesCase& c : cases) {
    view.code = c.code;
    EXPECT_EQ(stepper.StepByLines(c.n, c.fromN), c.expect)
        << "code " << c.code << " n " << c.n << " fromN " << c.fromN;
  }
}

// --- Multiplier ----------------------------------------------------------------

TEST_F(StepperTest, MultiplierClickCyclesAndRightClickSwaps) {
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    stepper.MultiplierClick();
    seen.push_back(view.multiplierShown);
  }
  EXPECT_EQ(seen, (std::vector<int>{10, 100, 1000, 1, 10}));
  stepper.StepMultiplier = 1;
  stepper.MultiplierRightClick();
  EXPECT_EQ(stepper.StepMultiplier, 1000);
  stepper.MultiplierRightClick();
  EXPECT_EQ(stepper.StepMultiplier, 1);
  stepper.StepMultiplier = 100;
  stepper.MultiplierRightClick();
  EXPECT_EQ(stepper.StepMultiplier, 1);
}

TEST_F(StepperTest, ArrowKeysChangeMultiplierOncePerPressWithinBounds) {
  slider.pos = 50000;
  stepper.StepMultiplier = 10;
  Press(true);
  keys.up = true;
  RunTicks(5);  // held through five ticks: one division
  EXPECT_EQ(stepper.StepMultiplier, 1);
  EXPECT_EQ(view.pauses, (std::vector<int>{300}));
  keys.up = false;
  RunTicks(1);
  keys.up = true;  // pressed again at 1: stays 1, no pause
  RunTicks(2);
  EXPECT_EQ(stepper.StepMultiplier, 1);
  EXPECT_EQ(view.pauses.size(), 1u);
  keys.up = false;
  RunTicks(1);
  for (int press = 0; press < 5; ++press) {
    keys.down = true;
    RunTicks(3);
    keys.down = false;
    RunTicks(1);
  }
  EXPECT_EQ(stepper.StepMultiplier, 1000);  // 10, 100, 1000, then held
  EXPECT_EQ(view.pauses.size(), 4u);
  EXPECT_EQ(view.multiplierShown, 1000);
}

// --- Slider --------------------------------------------------------------------

TEST_F(StepperTest, SliderChangeShowsPageOnceAndHoldsToUsableMaximum) {
  slider.max = 1000;
  stepper.StepForward = true;
  slider.SetPosition(990);
  EXPECT_EQ(slider.pos, 968);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_EQ(view.shown[0].pos, 968);
  EXPECT_EQ(stepper.LastChangePosition, 968);
}

TEST_F(StepperTest, SliderChangeIgnoredWhilePageSetsItOrTextModified) {
  view.pageSetting = true;
  slider.SetPosition(50);
  view.pageSetting = false;
  view.modified = true;
  slider.SetPosition(60);
  EXPECT_TRUE(view.shown.empty());
  EXPECT_EQ(stepper.LastChangePosition, 0);
}

TEST_F(StepperTest, SliderChangeWithoutDirectionAtSamePositionDoesNothing) {
  stepper.LastChangePosition = 70;
  slider.SetPosition(70);
  EXPECT_TRUE(view.shown.empty());
  slider.SetPosition(71);
  EXPECT_EQ(view.shown.size(), 1u);
}

TEST_F(StepperTest, DragSetsDirectionFromLastPosition) {
  slider.pos = 500;
  stepper.LastChangePosition = 500;
  stepper.SliderMouseDown(true);
  EXPECT_TRUE(stepper.SliderDragging);
  EXPECT_TRUE(stepper.LineNumbersStale);  // moved since the last press at 0
  slider.SetPosition(800);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_TRUE(view.shown[0].forward);
  slider.SetPosition(300);
  ASSERT_EQ(view.shown.size(), 2u);
  EXPECT_TRUE(view.shown[1].back);
  slider.SetPosition(300);  // same place while dragging: flags cleared, nothing shown
  EXPECT_EQ(view.shown.size(), 2u);
  stepper.SliderMouseUp(true);
  EXPECT_FALSE(stepper.SliderDragging);
  EXPECT_EQ(view.refreshed, (std::vector<int64_t>{300}));
  EXPECT_EQ(view.redraws, 1);
  EXPECT_EQ(view.lineNumberUpdates, 1);
  view.handOver = true;
  stepper.SliderMouseUp(false);
  EXPECT_EQ(view.lineNumberUpdates, 1);
  EXPECT_EQ(view.refreshed.size(), 1u);
}

TEST_F(StepperTest, SliderKeysStepAndCtrlMovesByPageLength) {
  slider.pos = 1000;
  stepper.SliderKeyDown(Stepper::kVkUp, false);
  EXPECT_EQ(slider.pos, 999);
  EXPECT_TRUE(stepper.StepBack);
  stepper.SliderKeyDown(Stepper::kVkDown, true);
  EXPECT_EQ(slider.pos, 1499);
  EXPECT_TRUE(stepper.StepForward);
  EXPECT_TRUE(stepper.LineNumbersStale);
  view.code = 1;  // UTF-16 page length counts units
  stepper.SliderKeyDown(Stepper::kVkUp, true);
  EXPECT_EQ(slider.pos, 499);
  stepper.SliderKeyDown(Stepper::kVkNext, false);
  EXPECT_TRUE(fwd.enabled);
  stepper.SliderKeyUp(Stepper::kVkNext);
  EXPECT_FALSE(fwd.enabled);
}

// --- Wheel ---------------------------------------------------------------------

TEST_F(StepperTest, WheelSetsDirectionAndHoldsToBounds) {
  slider.max = 1000;
  slider.pos = 500;
  stepper.StepForward = true;  // a forward step before
  stepper.StepPosition(true);
  ASSERT_EQ(view.shown.size(), 1u);
  EXPECT_EQ(view.shown[0].pos, 499);
  EXPECT_TRUE(view.shown[0].back);
  stepper.StepPosition(false);
  EXPECT_EQ(view.shown.back().pos, 500);
  EXPECT_TRUE(view.shown.back().forward);

  slider.pos = 990;  // above the usable end: to it
  stepper.StepPosition(false);
  EXPECT_EQ(slider.pos, 968);
  stepper.WheelScroll(false, true);
  EXPECT_EQ(slider.pos, 968);
  stepper.WheelScroll(true, true);
  EXPECT_EQ(slider.pos, 468);
  stepper.WheelScroll(true, true);
  EXPECT_EQ(slider.pos, 0);
  stepper.WheelScroll(true, false);
  EXPECT_EQ(slider.pos, 0);
}

TEST_F(StepperTest, MovesAbove4GiBKeepFullOffsets) {
  const int64_t big = (int64_t{6} << 32) + 12345;
  slider.max = big;
  slider.pos = (int64_t{5} << 32) + 1;
  stepper.MoveBack(2);
  EXPECT_EQ(slider.pos, (int64_t{5} << 32) - 1);
  stepper.MoveForward(int64_t{1} << 32);
  EXPECT_EQ(slider.pos, (int64_t{6} << 32) - 1);
  stepper.MoveForward(int64_t{1} << 33);
  EXPECT_EQ(slider.pos, big - 32);
  EXPECT_EQ(view.shown.back().pos, big - 32);
}

}  // namespace

namespace {

TEST(StepperShared, StateLivesInTheOwnersFields) {
  Clock clock;
  FakeTimer back(clock), fwd(clock);
  FakeSlider slider;
  FakeKeys keys;
  FakeView view;
  bool movingBack = false, movingForward = true, stale = false;
  int lines = 1, multiplier = 100;
  Stepper::SharedState shared;
  shared.stepBack = &movingBack;
  shared.stepForward = &movingForward;
  shared.lineNumbersStale = &stale;
  shared.linesPerStep = &lines;
  shared.stepMultiplier = &multiplier;
  Stepper stepper(slider, back, fwd, keys, view, shared);
  view.stepper = &stepper;
  slider.onChange = [&] { stepper.SliderChanged(); };
  EXPECT_EQ(stepper.StepMultiplier, 100);
  slider.pos = 500;
  stepper.MoveBack(1);
  EXPECT_TRUE(movingBack);
  EXPECT_FALSE(movingForward);
  stepper.MultiplierClick();
  EXPECT_EQ(multiplier, 1000);
  // The owner sets the direction itself (as the file watch does): the stepper
  // sees it on the next slider change.
  movingBack = false;
  movingForward = true;
  slider.SetPosition(600);
  ASSERT_FALSE(view.shown.empty());
  EXPECT_TRUE(view.shown.back().forward);
}

}  // namespace
