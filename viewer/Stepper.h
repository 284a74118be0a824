// Moving through the file: the slider's change handling, the two auto-repeating
// step buttons with their timers and latch, the step multiplier, line mode (Page
// Up / Page Down), the wheel and the slider keys.
//
// The page shown always begins at the slider's position; every move here ends in
// a new slider position, whose change event reaches SliderChanged(), which asks
// the view for a page display. The class holds no window: the main window hands
// it the slider, the two timers, the key state and the view through the small
// interfaces below and forwards the control events to it. Positions are signed
// 64-bit byte offsets (the slider's maximum is the file size).
#pragma once
#include <cstdint>

namespace vastrel {

// The 64-bit position slider.
class ISliderPort {
 public:
  virtual ~ISliderPort() = default;
  virtual int64_t Max() const = 0;
  virtual int64_t Position() const = 0;
  // Holds the value to 0..Max, stores it and fires the slider's change event
  // (on every call, also when the value does not change); the main window's
  // change handler calls Stepper::SliderChanged().
  virtual void SetPosition(int64_t pos) = 0;
};

// A step timer. Setting a different interval restarts a running timer; the same
// value does nothing; setting it on a stopped timer leaves it stopped.
class IStepTimer {
 public:
  virtual ~IStepTimer() = default;
  virtual int Interval() const = 0;
  virtual void SetInterval(int ms) = 0;
  virtual bool Enabled() const = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
};

// Keys read while a timer runs.
class IKeyState {
 public:
  virtual ~IKeyState() = default;
  virtual bool CtrlDown() const = 0;
  virtual bool UpArrowDown() const = 0;    // read asynchronously
  virtual bool DownArrowDown() const = 0;  // read asynchronously
};

// What the stepper needs of the main window and its text view.
class IStepView {
 public:
  virtual ~IStepView() = default;
  // Page display at pos (not from the start, no notice). It reads the direction
  // flags and LinesPerStep of the stepper, and sets the slider to the line start
  // it shows while PageSettingPosition() is true.
  virtual void ShowPage(int64_t pos) = 0;
  // Page display at pos from the start of its line (slider release).
  virtual void RefreshPage(int64_t pos) = 0;
  virtual void RedrawTextView() = 0;
  // The page display is moving the slider itself.
  virtual bool PageSettingPosition() const = 0;
  // The text view's text was changed by typing and is not yet in the file.
  virtual bool TextModified() const = 0;
  // 0 Shift_JIS, 1 UTF-16, 2 UTF-8, 3 EUC-JP, 4 JIS.
  virtual int TextCode() const = 0;
  // Lines of the shown view and the length of one line in the file's code
  // (UTF-16 units for code 1, bytes otherwise), without its line end.
  virtual int LineCount() const = 0;
  virtual int64_t LineFileLength(int line) const = 0;
  // The page holds no more lines than fit in the view (set by the page display).
  virtual bool ShortPage() const = 0;
  // The wrap box is ticked; then WrappedPageLength() is the view's capacity in
  // characters (the pane's for codes 1 and 2, the memo's otherwise).
  virtual bool WrapOn() const = 0;
  virtual int64_t WrappedPageLength() const = 0;
  // The page text's length in the file's code (UTF-16: units).
  virtual int64_t PageTextLength() const = 0;
  virtual void LineNumbersAfterPage() = 0;
  virtual void UpdateLineNumbers() = 0;
  // The line-index records are being taken over; no line-number update then.
  virtual bool IndexHandOver() const = 0;
  virtual void FocusTextView() = 0;
  // Draws a step button's glyph: the back (forward=false) or forward image, its
  // latched form when latchedImage, on the given background colour.
  virtual void DrawStepGlyph(bool forward, bool latchedImage, uint32_t background) = 0;
  // StaticText1 shows the multiplier.
  virtual void ShowMultiplier(int multiplier) = 0;
  // The pause after a multiplier change by the arrow keys.
  virtual void Pause(int ms) = 0;
  // Line steps (byte offsets, each a line start): where the page after the
  // shown one begins (the start of the view's last line on screen), and where
  // the page before it begins (the page whose last line is the shown page's
  // first line).
  virtual int64_t PageDownTarget() = 0;
  virtual int64_t PageUpTarget() = 0;
};

// State that the page display and other parts of the main window read or set
// themselves can live in the main window's own fields: each pointer given here
// replaces the stepper's own storage of that value.
struct StepperSharedState {
  bool* stepBack = nullptr;
  bool* stepForward = nullptr;
  bool* lineNumbersStale = nullptr;
  int* linesPerStep = nullptr;
  int* stepMultiplier = nullptr;
  bool* exactStart = nullptr;
};

class Stepper {
 public:
  // Glyph backgrounds: the system button face (latch off) and the latch colour.
  static constexpr uint32_t kLatchOffColour = 0x8000000Fu;  // clBtnFace
  static constexpr uint32_t kLatchOnColour = 0x0095BAFFu;
  static constexpr int kLatchTicks = 40;
  static constexpr int kVkPrior = 0x21, kVkNext = 0x22, kVkUp = 0x26, kVkDown = 0x28;

  using SharedState = StepperSharedState;

  Stepper(ISliderPort& slider, IStepTimer& backTimer, IStepTimer& forwardTimer,
          IKeyState& keys, IStepView& view, const SharedState& shared = SharedState());

 private:
  struct Own {
    bool stepBack = false, stepForward = false, lineNumbersStale = false;
    int linesPerStep = 1, stepMultiplier = 1;
    bool exactStart = false;
  } own_;

 public:
  // --- State read by the page display and the key paths -------------------
  bool& StepBack;
  bool& StepForward;
  bool& LineNumbersStale;
  int& LinesPerStep;
  int& StepMultiplier;  // 1, 10, 100 or 1000
  // Set while a line step moves the slider: the page display begins the page
  // at the new position itself, which is a line start already.
  bool& ExactStart;
  bool SliderDragging = false;
  bool LineMode = false;
  int64_t LastChangePosition = 0;
  int64_t MouseDownPosition = 0;
  int RepeatTicks = 0;     // 0..40
  uint32_t LatchColour = kLatchOffColour;

  bool LatchOn() const { return LatchColour != kLatchOffColour; }
  // 32, or 1 for a file of at most 32 bytes.
  int64_t SliderStep() const;
  // The slider's maximum less SliderStep(); the last position a page may start at.
  int64_t UsableMax() const;

  // --- Slider ---------------------------------------------------------------
  void SliderChanged();
  void SliderMouseDown(bool leftButton);
  void SliderMouseUp(bool leftButton);
  void SliderKeyDown(int vk, bool ctrl);
  void SliderKeyUp(int vk);

  // --- Step buttons (forward=false: SpeedButton1/Timer1, true: SpeedButton3/Timer2)
  void StepButtonDown(bool forward, bool rightButton);
  void StepButtonUp(bool forward);
  void BackTimerTick();     // Timer1
  void ForwardTimerTick();  // Timer2

  // --- Page keys: called by every key handler with the virtual-key code ------
  void PageKeyDown(int vk);
  void PageKeyUp(int vk);

  // --- Wheel ------------------------------------------------------------------
  // Pane, memo and list-view wheel: one byte back or forward.
  void StepPosition(bool back);
  // Main window wheel: one byte, or with Ctrl the page text's length.
  void WheelScroll(bool awayFromUser, bool ctrl);

  // --- Moves of the key paths at the page's edges -----------------------------
  // Backward direction, slider back by a.
  void MoveBack(int64_t a);
  // Forward direction; to the usable maximum when the position is already above
  // it, else forward by a.
  void MoveForward(int64_t a);

  // --- Multiplier box -----------------------------------------------------------
  void MultiplierClick();       // 1, 10, 100, 1000, 1, ...
  void MultiplierRightClick();  // 1 <-> 1000
  // Up and Down arrows change the multiplier once per press while a timer runs.
  void StepMultiplierKeys();

  // Byte distance of lines of the shown view: from line n to the last (fromN),
  // or from line 0 to the last but n.
  int64_t StepByLines(int n, bool fromN) const;

 private:
  void SetDirection(bool back);
  void SetPositionClamped(int64_t pos);
  // The page text's length as a slider distance (bytes).
  int64_t PageStepBytes() const;

  ISliderPort& slider_;
  IStepTimer& backTimer_;
  IStepTimer& forwardTimer_;
  IKeyState& keys_;
  IStepView& view_;
  bool multiplierKeyLatched_ = false;
  bool holdingToUsable_ = false;
};

}  // namespace vastrel
