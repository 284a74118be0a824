#include "viewer/Stepper.h"

#include <algorithm>

namespace vastrel {

Stepper::Stepper(ISliderPort& slider, IStepTimer& backTimer, IStepTimer& forwardTimer,
                 IKeyState& keys, IStepView& view, const SharedState& shared)
    : StepBack(shared.stepBack ? *shared.stepBack : own_.stepBack),
      StepForward(shared.stepForward ? *shared.stepForward : own_.stepForward),
      LineNumbersStale(shared.lineNumbersStale ? *shared.lineNumbersStale : own_.lineNumbersStale),
      LinesPerStep(shared.linesPerStep ? *shared.linesPerStep : own_.linesPerStep),
      StepMultiplier(shared.stepMultiplier ? *shared.stepMultiplier : own_.stepMultiplier),
      ExactStart(shared.exactStart ? *shared.exactStart : own_.exactStart),
      slider_(slider),
      backTimer_(backTimer),
      forwardTimer_(forwardTimer),
      keys_(keys),
      view_(view) {}

int64_t Stepper::SliderStep() const { return slider_.Max() <= 32 ? 1 : 32; }

int64_t Stepper::UsableMax() const { return slider_.Max() - SliderStep(); }

void Stepper::SetDirection(bool back) {
  StepBack = back;
  StepForward = !back;
}

void Stepper::SetPositionClamped(int64_t pos) {
  if (pos > slider_.Max()) pos = slider_.Max();
  if (pos < 0) pos = 0;
  slider_.SetPosition(pos);
}

// Slides the page to the slider's position. The slider fires its change event on
// every SetPosition, also the one made here to hold the position to the usable
// maximum; that nested call is let through once, and this call goes on with the
// held position, so the page is shown once.
void Stepper::SliderChanged() {
  if (view_.PageSettingPosition() || view_.TextModified()) return;
  if (SliderDragging) {
    StepBack = false;
    StepForward = false;
  }
  int64_t pos = slider_.Position();
  const int64_t usable = UsableMax();
  if (usable >= 0 && pos > usable) {
    holdingToUsable_ = true;
    slider_.SetPosition(usable);
    holdingToUsable_ = false;
    pos = usable;
  } else if (holdingToUsable_) {
    return;
  }
  if (!StepBack && !StepForward && pos == LastChangePosition) return;
  if (SliderDragging) SetDirection(!(pos > LastChangePosition));
  LastChangePosition = pos;
  view_.ShowPage(pos);
}

void Stepper::SliderMouseDown(bool leftButton) {
  if (!leftButton) return;
  const int64_t pos = slider_.Position();
  if (pos != MouseDownPosition) LineNumbersStale = true;
  SliderDragging = true;
  MouseDownPosition = pos;
}

void Stepper::SliderMouseUp(bool leftButton) {
  if (leftButton) {
    view_.RefreshPage(slider_.Position());
    SliderDragging = false;
    view_.RedrawTextView();
  }
  if (!view_.IndexHandOver()) view_.UpdateLineNumbers();
}

int64_t Stepper::PageStepBytes() const {
  const int64_t len = view_.PageTextLength();
  // Slider positions are bytes; a UTF-16 page length counts units.
  return view_.TextCode() == 1 ? 2 * len : len;
}

void Stepper::SliderKeyDown(int vk, bool ctrl) {
  int64_t a = 1;
  if (ctrl) {
    a = PageStepBytes();
    LineNumbersStale = true;
  }
  if (vk == kVkUp) MoveBack(a);
  else if (vk == kVkDown) MoveForward(a);
  PageKeyDown(vk);
}

void Stepper::SliderKeyUp(int vk) { PageKeyUp(vk); }

void Stepper::StepButtonDown(bool forward, bool rightButton) {
  if (rightButton) {
    LatchColour = LatchOn() ? kLatchOffColour : kLatchOnColour;
    view_.DrawStepGlyph(false, false, LatchColour);
    view_.DrawStepGlyph(true, false, LatchColour);
    return;
  }
  IStepTimer& mine = forward ? forwardTimer_ : backTimer_;
  IStepTimer& other = forward ? backTimer_ : forwardTimer_;
  if (other.Enabled()) {
    other.Stop();
    view_.DrawStepGlyph(!forward, false, LatchColour);
  }
  view_.FocusTextView();
  RepeatTicks = 0;
  view_.DrawStepGlyph(forward, false, LatchColour);
  SliderDragging = false;
  mine.SetInterval(1);
  mine.Start();
}

void Stepper::StepButtonUp(bool forward) {
  if (RepeatTicks >= kLatchTicks) return;  // latched: goes on stepping
  (forward ? forwardTimer_ : backTimer_).Stop();
  if (LineNumbersStale) view_.UpdateLineNumbers();
}

// The interval runs 1 (or 5 for a Page key), 310 at once lowered to 210 at the
// end of the first tick, then 110, then 10: steps after 1, 210, 110, 10, 10 ms.
void Stepper::BackTimerTick() {
  IStepTimer& t = backTimer_;
  if (t.Interval() < 10) t.SetInterval(310);
  SetDirection(true);
  if (RepeatTicks < kLatchTicks && LatchOn()) {
    ++RepeatTicks;
    if (RepeatTicks == kLatchTicks) view_.DrawStepGlyph(false, true, LatchColour);
  }
  StepMultiplierKeys();
  const int64_t pos = slider_.Position();
  if (LineMode || keys_.CtrlDown()) {
    LineNumbersStale = true;
    if (StepMultiplier <= 1) {
      // One screen back by lines: the page that ends with the shown first line.
      const int64_t target = view_.PageUpTarget();
      if (target >= 0 && target < pos) {
        ExactStart = true;
        SetPositionClamped(target);
        ExactStart = false;
      }
    } else if (view_.ShortPage()) {
      int64_t a;
      if (view_.WrapOn()) {
        a = view_.WrappedPageLength();
        if (view_.TextCode() == 1) a *= 2;  // characters of UTF-16 text to bytes
      } else {
        a = StepByLines(1, true);
      }
      SetPositionClamped(pos - a * StepMultiplier);
    } else {
      // The page display scans this many lines back from the unchanged position:
      // one screen less its overlap line, times the multiplier; at least one line.
      const int lines = std::max(1, view_.LineCount() - 1);
      LinesPerStep = lines * StepMultiplier;
      view_.ShowPage(pos);
      LinesPerStep = 1;
    }
  } else if (pos > 0) {
    slider_.SetPosition(pos - 1);
    view_.LineNumbersAfterPage();
  }
  if (slider_.Position() <= 0 && RepeatTicks >= kLatchTicks) {
    t.Stop();
    view_.DrawStepGlyph(false, false, LatchColour);
  }
  if (t.Interval() > 10) t.SetInterval(t.Interval() - 100);
}

void Stepper::ForwardTimerTick() {
  IStepTimer& t = forwardTimer_;
  if (t.Interval() < 10) t.SetInterval(310);
  SetDirection(false);
  if (RepeatTicks < kLatchTicks && LatchOn()) {
    ++RepeatTicks;
    if (RepeatTicks == kLatchTicks) {
      view_.DrawStepGlyph(true, true, LatchColour);
      return;  // the tick that latches makes no step
    }
  }
  StepMultiplierKeys();
  const int64_t pos = slider_.Position();
  int64_t next;
  bool exact = false;
  if (LineMode || keys_.CtrlDown()) {
    // The next page begins with the last line on screen (one line of overlap);
    // a multiplied step goes that distance as many times.
    const int64_t target = view_.PageDownTarget();
    next = pos + (target - pos) * StepMultiplier;
    exact = StepMultiplier <= 1 && target > pos;
    LineNumbersStale = true;
  } else {
    view_.LineNumbersAfterPage();
    next = pos + 1;
  }
  const int64_t usable = UsableMax();
  if (next > usable) {
    next = usable;
    exact = false;
  }
  if (next < 0) next = 0;
  ExactStart = exact;
  slider_.SetPosition(next);
  ExactStart = false;
  // The end: the usable maximum, or a step that brought no later page (the
  // last page that can be shown begins before the usable maximum).
  const bool atEnd = slider_.Position() >= usable || slider_.Position() <= pos;
  if (atEnd && RepeatTicks >= kLatchTicks) {
    t.Stop();
    view_.DrawStepGlyph(true, false, LatchColour);
  }
  if (t.Interval() > 10) t.SetInterval(t.Interval() - 100);
}

void Stepper::PageKeyDown(int vk) {
  if (vk != kVkPrior && vk != kVkNext) return;
  SliderDragging = false;
  LineMode = true;
  IStepTimer& t = vk == kVkPrior ? backTimer_ : forwardTimer_;
  t.SetInterval(5);
  t.Start();
}

void Stepper::PageKeyUp(int vk) {
  if (vk == kVkPrior) backTimer_.Stop();
  else if (vk == kVkNext) forwardTimer_.Stop();
  LineMode = false;
}

void Stepper::StepPosition(bool back) {
  if (back) MoveBack(1);
  else MoveForward(1);
}

void Stepper::WheelScroll(bool awayFromUser, bool ctrl) {
  const int64_t a = ctrl ? PageStepBytes() : 1;
  if (awayFromUser) MoveBack(a);
  else MoveForward(a);
}

void Stepper::MoveBack(int64_t a) {
  SetDirection(true);
  SetPositionClamped(slider_.Position() - a);
}

void Stepper::MoveForward(int64_t a) {
  SetDirection(false);
  const int64_t pos = slider_.Position();
  const int64_t usable = std::max<int64_t>(UsableMax(), 0);
  SetPositionClamped(pos > usable ? usable : std::min(pos + a, usable));
}

void Stepper::MultiplierClick() {
  StepMultiplier = StepMultiplier >= 1000 ? 1 : StepMultiplier * 10;
  view_.ShowMultiplier(StepMultiplier);
}

void Stepper::MultiplierRightClick() {
  StepMultiplier = StepMultiplier == 1 ? 1000 : 1;
  view_.ShowMultiplier(StepMultiplier);
}

void Stepper::StepMultiplierKeys() {
  const bool up = keys_.UpArrowDown();
  const bool down = keys_.DownArrowDown();
  if (!up && !down) {
    multiplierKeyLatched_ = false;
  } else if (!multiplierKeyLatched_) {
    if (up && StepMultiplier > 1) {
      StepMultiplier /= 10;
      multiplierKeyLatched_ = true;
      view_.Pause(300);
    } else if (down && StepMultiplier < 1000) {
      StepMultiplier *= 10;
      multiplierKeyLatched_ = true;
      view_.Pause(300);
    }
  }
  view_.ShowMultiplier(StepMultiplier);
}

int64_t Stepper::StepByLines(int n, bool fromN) const {
  const int count = view_.LineCount();
  const int first = fromN ? n : 0;
  const int last = fromN ? count - 1 : count - 1 - n;
  const bool wide = view_.TextCode() == 1;
  int64_t sum = 0;
  for (int i = std::max(first, 0); i <= last; ++i) {
    const int64_t len = view_.LineFileLength(i);
    if (wide) sum += 2 * len + (i > 0 ? 4 : 0);
    else sum += len + 2;
  }
  return sum;
}

}  // namespace vastrel
