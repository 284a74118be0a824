// Moving through the file and turning the caret into file offsets: the slider,
// the step buttons with Timer1/Timer2 and their latch, the page keys, the
// wheel, the keys of the panes and the memo at the page's edges, and the
// caret and selection of the text view as SelStart/SelLength. The stepping
// logic itself is vastrel::Stepper; this file connects it to the controls.
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "text/CharLength.h"
#include "text/Selection.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

using vastrel::Stepper;

namespace {

class SliderPort : public vastrel::ISliderPort {
 public:
  explicit SliderPort(TMyTrackBar* s) : s_(s) {}
  int64_t Max() const override { return s_->Max(); }
  int64_t Position() const override { return s_->Position(); }
  void SetPosition(int64_t pos) override { s_->SetPosition(pos); }

 private:
  TMyTrackBar* s_;
};

class TimerPort : public vastrel::IStepTimer {
 public:
  explicit TimerPort(TTimer* t) : t_(t) {}
  int Interval() const override { return static_cast<int>(t_->Interval()); }
  void SetInterval(int ms) override { t_->SetInterval(static_cast<UINT>(ms)); }
  bool Enabled() const override { return t_->Enabled(); }
  void Start() override { t_->SetEnabled(true); }
  void Stop() override { t_->SetEnabled(false); }

 private:
  TTimer* t_;
};

class KeyPort : public vastrel::IKeyState {
 public:
  bool CtrlDown() const override { return GetKeyState(VK_CONTROL) < 0; }
  bool UpArrowDown() const override { return (GetAsyncKeyState(VK_UP) & 0x8000) != 0; }
  bool DownArrowDown() const override { return (GetAsyncKeyState(VK_DOWN) & 0x8000) != 0; }
};

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

// The view of the main window as the stepper sees it.
class TVastrelForm::ScrollView : public vastrel::IStepView {
 public:
  explicit ScrollView(TVastrelForm* f) : f_(f) {}
  void ShowPage(int64_t pos) override { f_->ShowPage(false, false, pos); }
  void RefreshPage(int64_t pos) override { f_->RefreshPage(false, true, pos); }
  void RedrawTextView() override { f_->RedrawTextView(false); }
  bool PageSettingPosition() const override { return false; }  // the page display unhooks OnChange
  bool TextModified() const override { return f_->IsTextModified(); }
  int TextCode() const override { return f_->Doc.TextCode; }
  int LineCount() const override { return f_->GetLineCount(); }
  int64_t LineFileLength(int line) const override {
    switch (f_->Doc.TextCode) {
      case tcUtf16:
        return static_cast<int64_t>(f_->GetLineTextWide(line).size());
      case tcUtf8: {
        const std::wstring t = f_->GetLineTextWide(line);
        return charlen::Utf8LengthOfWide(t.data(), t.size());
      }
      case tcEucJp: {
        const std::string t = f_->Memo1->Line(line);
        return charlen::EucLengthOfSjis(t.data(), t.size());
      }
      case tcJis: {
        const std::string t = f_->Memo1->Line(line);
        return charlen::JisLengthOfSjis(t.data(), t.size(), f_->Conv.KanaByShiftOut);
      }
      default:
        return static_cast<int64_t>(f_->Memo1->Line(line).size());
    }
  }
  bool ShortPage() const override { return f_->ShortPage; }
  bool WrapOn() const override { return f_->CheckBox2->Checked(); }
  int64_t WrappedPageLength() const override {
    return f_->IsWideView() ? f_->CharsPerPageWide() : f_->CharsPerPageNarrow(nullptr);
  }
  int64_t PageTextLength() const override { return f_->GetTextLength(true); }
  void LineNumbersAfterPage() override {
    if (f_->LineNumbersAfterPageHook) f_->LineNumbersAfterPageHook();
  }
  void UpdateLineNumbers() override {
    if (f_->UpdateLineNumbersHook) f_->UpdateLineNumbersHook();
  }
  bool IndexHandOver() const override { return f_->IndexHandOverHook && f_->IndexHandOverHook(); }
  void FocusTextView() override { f_->FocusTextView(); }
  void DrawStepGlyph(bool forward, bool latchedImage, uint32_t background) override {
    f_->DrawStepGlyph(forward, latchedImage, background);
  }
  void ShowMultiplier(int m) override {
    // Shown on every step: set (and painted) only when it changes.
    const std::string shown = std::to_string(m);
    if (f_->StaticText1->Caption() != shown) f_->StaticText1->SetCaption(shown);
  }
  void Pause(int ms) override { Sleep(static_cast<DWORD>(ms)); }
  int64_t PageDownTarget() override { return f_->PageDownTarget(); }
  int64_t PageUpTarget() override { return f_->PageUpTarget(); }

 private:
  TVastrelForm* f_;
};

struct TVastrelForm::ScrollParts {
  explicit ScrollParts(TVastrelForm* f)
      : slider(f->MyTrackBar1),
        back(f->Timer1),
        forward(f->Timer2),
        view(f),
        stepper(slider, back, forward, keys, view, Shared(f)) {}
  static vastrel::StepperSharedState Shared(TVastrelForm* f) {
    vastrel::StepperSharedState s;
    s.stepBack = &f->MovingBack;
    s.stepForward = &f->MovingForward;
    s.lineNumbersStale = &f->LineNumbersStale;
    s.linesPerStep = &f->LinesPerStep;
    s.exactStart = &f->ExactPageStart;
    s.stepMultiplier = &f->StepMultiplier;
    return s;
  }
  SliderPort slider;
  TimerPort back, forward;
  KeyPort keys;
  ScrollView view;
  Stepper stepper;
};

vastrel::Stepper& TVastrelForm::Stepping() {
  if (!scrollParts_) scrollParts_ = std::make_shared<ScrollParts>(this);
  return scrollParts_->stepper;
}

void TVastrelForm::InstallStepping() {
  if (scrollParts_) return;
  Stepper& s = Stepping();
  // The slider moves only through the stepper: its own key handling is off.
  MyTrackBar1->KeyDownEvent = false;
  MyTrackBar1->OnChange = [this](TWinControl*) { Stepping().SliderChanged(); };
  MyTrackBar1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) {
    Stepping().SliderMouseDown(b == mbLeft);
  };
  MyTrackBar1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int, int) {
    Stepping().SliderMouseUp(b == mbLeft);
  };
  MyTrackBar1->OnKeyDown = [this](TWinControl*, WORD& key, TShiftState shift) {
    Stepping().SliderKeyDown(key, (shift & ssCtrl) != 0);
  };
  MyTrackBar1->OnKeyUp = [this](TWinControl*, WORD& key, TShiftState) { Stepping().SliderKeyUp(key); };
  SpeedButton1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) {
    Stepping().StepButtonDown(false, b == mbRight);
  };
  SpeedButton1->OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) {
    Stepping().StepButtonUp(false);
  };
  SpeedButton3->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) {
    Stepping().StepButtonDown(true, b == mbRight);
  };
  SpeedButton3->OnMouseUp = [this](TWinControl*, TMouseButton, TShiftState, int, int) {
    Stepping().StepButtonUp(true);
  };
  Timer1->OnTimer = [this](TTimer*) { Stepping().BackTimerTick(); };
  Timer2->OnTimer = [this](TTimer*) { Stepping().ForwardTimerTick(); };
  Memo1->OnKeyDown = [this](TWinControl*, WORD& key, TShiftState shift) { Memo1KeyDown(key, shift); };
  Memo1->OnKeyUp = [this](TWinControl*, WORD& key, TShiftState shift) { Memo1KeyUp(key, shift); };
  Memo1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState shift, int, int) {
    Memo1MouseDown(b, shift);
  };
  Memo1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState shift, int, int) {
    Memo1MouseUp(b, shift);
  };
  DrawStepGlyph(false, false, s.LatchColour);
  DrawStepGlyph(true, false, s.LatchColour);
}

void TVastrelForm::DrawStepGlyph(bool forward, bool latchedImage, uint32_t background) {
  TSpeedButton* b = forward ? SpeedButton3 : SpeedButton1;
  const int image = forward ? (latchedImage ? 46 : 45) : (latchedImage ? 44 : 43);
  TBitmap& g = b->Glyph();
  if (g.Width() != 17 || g.Height() != 17) g.SetSize(17, 17);
  TCanvas& c = g.Canvas();
  // The bottom-left pixel stays in the button face: the glyph's transparent colour.
  c.BrushColor = clBtnFace;
  c.FillRect(RECT{0, 0, 17, 17});
  c.BrushColor = static_cast<TColor>(background);
  c.FillRect(RECT{1, 1, 16, 16});
  if (ImageList1) ImageList1->Draw(c, 0, 0, image);
  b->SetImageIndex(-1);
  b->GlyphChanged();
}

void TVastrelForm::FocusTextView() {
  if (CheckBox7->Checked() && ListView1->Visible()) {
    if (ListView1->CanFocus()) ListView1->SetFocus();
  } else if (IsWideView()) {
    if (CurrentPane && IsWindowVisible(CurrentPane) && IsWindowEnabled(CurrentPane)) ::SetFocus(CurrentPane);
  } else if (Memo1->CanFocus()) {
    Memo1->SetFocus();
  }
}

bool TVastrelForm::FileCommandsAllowed() { return WorkIdle && !LongWorkRunning && Work.Idle(); }

// ---- wheel

void TVastrelForm::StepPosition(bool back) {
  if (Doc.FileSize < 0) return;
  Stepping().StepPosition(back);
}

void TVastrelForm::WheelScroll(bool awayFromUser, bool ctrl) {
  if (Doc.FileSize < 0) return;
  Stepping().WheelScroll(awayFromUser, ctrl);
}

// ---- caret to file offsets

int64_t TVastrelForm::ViewMeasure(int64_t index) {
  if (index <= 0) return 0;
  switch (Doc.TextCode) {
    case tcUtf16:
      return index;
    case tcUtf8: {
      if (!IsWideView()) return index;
      const std::wstring t = GetTextWide();
      return charlen::Utf8LengthOfWide(t.data(), std::min<size_t>(t.size(), static_cast<size_t>(index)));
    }
    case tcEucJp: {
      const std::string t = GetTextNarrow();
      return charlen::EucLengthOfSjis(t.data(), std::min<size_t>(t.size(), static_cast<size_t>(index)));
    }
    case tcJis: {
      const std::string t = GetTextNarrow();
      return selection::JisCaretMeasure(t, static_cast<size_t>(index), Conv.KanaByShiftOut);
    }
    default:
      return index;
  }
}

int64_t TVastrelForm::ViewMeasureRange(int64_t start, int64_t length) {
  if (length <= 0) return 0;
  switch (Doc.TextCode) {
    case tcUtf8: {
      if (!IsWideView()) return length;
      const std::wstring t = GetTextWide();
      if (start < 0 || static_cast<size_t>(start) >= t.size()) return 0;
      const size_t n = std::min<size_t>(t.size() - static_cast<size_t>(start), static_cast<size_t>(length));
      return charlen::Utf8LengthOfWide(t.data() + start, n);
    }
    case tcEucJp: {
      const std::string t = GetTextNarrow();
      if (start < 0 || static_cast<size_t>(start) >= t.size()) return 0;
      const size_t n = std::min<size_t>(t.size() - static_cast<size_t>(start), static_cast<size_t>(length));
      return charlen::EucLengthOfSjis(t.data() + start, n);
    }
    default:
      return length;
  }
}

int64_t TVastrelForm::LineEndCorrection(bool caretForm) {
  // Lone CR or LF line ends are shown as CR LF only with the CR/LF switch on.
  if (!CheckBox6->Checked()) return 0;
  const int64_t n = CountLinesToCaret(MyTrackBar1->Position(), caretForm);
  return n > 0 ? n : 0;
}

void TVastrelForm::SetCaretOffset(int64_t index, int64_t extra, int64_t length) {
  const int64_t base = selection::PageBase(Doc.TextCode, MyTrackBar1->Position(), Doc.BomLength);
  Doc.SelStart = CaretOffset = ViewMeasure(index) + extra + base;
  Doc.SelLength = length;
}

int64_t TVastrelForm::ViewCaretToFile(int64_t caret) {
  if (Doc.TextCode == tcJis && !IsWideView()) return JisViewToFile(caret);
  return selection::ViewToFileOffset(Doc.TextCode, MyTrackBar1->Position(), Doc.BomLength, ViewMeasure(caret),
                                     LineEndCorrection(true));
}

selection::FileSelection TVastrelForm::ViewRangeToFile(int64_t caret, int64_t viewLength) {
  if (Doc.TextCode == tcJis && !IsWideView()) return JisViewRangeToFile(caret, viewLength);
  const int64_t a = ViewCaretToFile(caret);
  int64_t n = ViewMeasureRange(caret, viewLength) - (viewLength > 0 ? LineEndCorrection(false) : 0);
  if (n < 0) n = 0;
  return {a, n};
}

void TVastrelForm::ExtendFileSelection(const selection::FileSelection& to) {
  const selection::FileSelection s = selection::ExtendSelection({Doc.SelStart, Doc.SelLength}, to.start, to.length);
  Doc.SelStart = s.start;
  Doc.SelLength = s.length;
  ShowPageInPlace();
}

int64_t TVastrelForm::CaretToSelStartWide() {
  Doc.SelStart = ViewCaretToFile(GetSelStart());
  Doc.SelLength = 0;
  CaretOffset = LastSelStart = Doc.SelStart;
  return Doc.SelStart;
}

int64_t TVastrelForm::CaretToSelStartNarrow() { return CaretToSelStartWide(); }

void TVastrelForm::UpdateFileSelection(WPARAM keyFlags) {
  if (Doc.FileSize < 0 || Work.Running(vastrel::WorkGuard::Job::Search) || LongWorkRunning) {
    CaretOffset = GetSelStart();
    return;
  }
  const int64_t caret = GetSelStart();
  const int64_t viewLength = GetSelLength();
  // With the CR/LF switch the pane shows lone line ends as CR LF, as the memo
  // does: both corrections apply here too.
  const selection::FileSelection v = ViewRangeToFile(caret, viewLength);
  if (!(keyFlags & MK_SHIFT)) {
    CaretOffset = LastSelStart = Doc.SelStart = v.start;
    Doc.SelLength = v.length;
  } else {
    ExtendFileSelection(v);
  }
  ShowSelectionStatus();
}

// A selection made by the program in the view (CSV view, line numbers, select
// to the line break) taken into the file as a plain release would be.
void TVastrelForm::HandleEditMouse(WPARAM keyFlags) {
  if (IsWideView()) {
    UpdateFileSelection(keyFlags);
  } else {
    Memo1MouseDown(mbLeft, 0);
    Memo1MouseUp(mbLeft, 0);
  }
}

void TVastrelForm::ShowPageInPlace() {
  // The same page again: no direction, from its own line start.
  MovingBack = MovingForward = false;
  ShowPage(false, true, MyTrackBar1->Position());
}

void TVastrelForm::Memo1MouseDown(TMouseButton button, TShiftState shift) {
  if (button != mbLeft || (shift & ssShift) || Doc.FileSize < 0 || LongWorkRunning) return;
  const int64_t caret = Memo1->SelStart();
  if (Doc.TextCode == tcJis) {
    const selection::JisCaret j = selection::JisCaretState(GetTextNarrow(), static_cast<size_t>(caret), false);
    Doc.JisShiftState = j.shiftState;
    JisRunStart = false;
  }
  Doc.SelStart = CaretOffset = LastSelStart = ViewCaretToFile(caret);
  Doc.SelLength = 0;
}

void TVastrelForm::Memo1MouseUp(TMouseButton button, TShiftState shift) {
  if (button != mbLeft || Doc.FileSize < 0 || LongWorkRunning) {
    CaretOffset = Memo1->SelStart();
    return;
  }
  const int64_t caret = Memo1->SelStart();
  const int64_t viewLength = Memo1->SelLength();
  if (Doc.TextCode == tcJis) {
    const std::string text = GetTextNarrow();
    const selection::JisCaret j = selection::JisCaretState(text, static_cast<size_t>(caret), true);
    Doc.JisShiftState = j.shiftState;
    JisRunStart = j.runStart;
    const size_t from = std::min<size_t>(text.size(), static_cast<size_t>(caret));
    const size_t n = std::min<size_t>(text.size() - from, static_cast<size_t>(viewLength));
    JisRangeLength = charlen::JisLengthOfSjis(text.data() + from, n, Conv.KanaByShiftOut);
  }
  const selection::FileSelection v = ViewRangeToFile(caret, viewLength);
  if (shift & ssShift) {
    ExtendFileSelection(v);
  } else {
    const selection::FileSelection s = selection::MemoSelection({Doc.SelStart, Doc.SelLength}, v.start, v.length);
    Doc.SelStart = LastSelStart = s.start;
    Doc.SelLength = s.length;
  }
  ShowSelectionStatus();
}

// ---- keys

namespace {
bool IsArrow(WORD key) { return key >= VK_LEFT && key <= VK_DOWN; }
}  // namespace

int64_t TVastrelForm::PaneCaretIndex() {
  DWORD s = 0, e = 0;
  SendMessageW(CurrentPane, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  if (s == e) return s;
  // With a selection the caret is at the end the user moves: find which.
  POINT caret = {};
  if (GetFocus() == CurrentPane && GetCaretPos(&caret)) {
    const LRESULT endPos = SendMessageW(CurrentPane, EM_POSFROMCHAR, e, 0);
    if (endPos != -1 && GET_Y_LPARAM(endPos) == caret.y && GET_X_LPARAM(endPos) == caret.x) return e;
    const LRESULT startPos = SendMessageW(CurrentPane, EM_POSFROMCHAR, s, 0);
    if (startPos != -1 && GET_Y_LPARAM(startPos) == caret.y && GET_X_LPARAM(startPos) == caret.x) return s;
  }
  return e;
}

void TVastrelForm::RunViewCommand(const vastrel::KeyDecision& d) {
  using vastrel::ViewCommand;
  switch (d.command) {
    case ViewCommand::None:
      return;
    case ViewCommand::Backspace:
      DeleteOrBackspace(true);
      return;
    case ViewCommand::Delete:
      DeleteOrBackspace(false);
      return;
    case ViewCommand::Enter:
      InsertTypedText(L"\r\n", true);
      return;
    case ViewCommand::Open:
      Open1Click();
      return;
    case ViewCommand::SelectAll:
      AllSelMenuClick();
      return;
    case ViewCommand::SelectToLineBreak:
      N23Click();
      return;
    default:  // F3, Ctrl+F, Ctrl+E: the search and edit roles
      if (ViewCommandHook) ViewCommandHook(d.command);
      return;
  }
}

void TVastrelForm::HandlePaneKeyDown(WORD key) {
  const bool shift = ShiftHeld();
  const vastrel::KeyDecision d = vastrel::DecideViewKeyDown(true, key, CtrlHeld(), shift, Doc.FileSize >= 0,
                                                            CheckBox1->Checked(), FileCommandsAllowed());
  RunViewCommand(d);
  if (!d.navigate || !CurrentPane) return;
  const int64_t c = PaneCaretIndex();
  const int l = static_cast<int>(SendMessageW(CurrentPane, EM_LINEFROMCHAR, static_cast<WPARAM>(c), 0));
  const int last = static_cast<int>(SendMessageW(CurrentPane, EM_GETLINECOUNT, 0, 0)) - 1;
  const int64_t lineStart = SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(l), 0);
  const int64_t column = c - lineStart;
  auto lineIndex = [this](int line) {
    return static_cast<int64_t>(SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  };
  if (key == VK_UP) {
    if (l > 0) {
      if (d.moveSelStart) SetCaretOffset(lineIndex(l - 1), 0, 0);
    } else {
      // The page begins one line earlier; the caret keeps its column there.
      Stepping().MoveBack(1);
      const int64_t len = SendMessageW(CurrentPane, EM_LINELENGTH, 0, 0);
      const int64_t at = std::min(column, len);
      SendMessageW(CurrentPane, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
      if (d.moveSelStart) SetCaretOffset(at, 0, 0);
    }
  } else if (key == VK_DOWN) {
    if (l < last) {
      if (d.moveSelStart) SetCaretOffset(lineIndex(l + 1), 0, 0);
    } else {
      Stepping().MoveForward(1);
      const int newLast = static_cast<int>(SendMessageW(CurrentPane, EM_GETLINECOUNT, 0, 0)) - 1;
      const int64_t start = lineIndex(newLast);
      const int64_t len = SendMessageW(CurrentPane, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
      const int64_t at = start + std::min(column, len);
      SendMessageW(CurrentPane, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
      if (d.moveSelStart) SetCaretOffset(at, 0, 0);
    }
  }
  Stepping().PageKeyDown(key);
}

void TVastrelForm::HandleKeyUp(WORD key) {
  if (Doc.FileSize < 0) return;
  if (IsArrow(key)) {
    // With Shift the view's selection is taken as a Shift release of the
    // mouse: measured in the file's code and made forward, from SelStart.
    if (ShiftHeld()) UpdateFileSelection(MK_SHIFT);
    else CaretToSelStartWide();
  }
  Stepping().PageKeyUp(key);
}

void TVastrelForm::Memo1KeyDown(WORD& key, TShiftState shift) {
  const vastrel::KeyDecision d =
      vastrel::DecideViewKeyDown(false, key, (shift & ssCtrl) != 0, (shift & ssShift) != 0, Doc.FileSize >= 0,
                                 CheckBox1->Checked(), FileCommandsAllowed());
  RunViewCommand(d);
  if (!d.navigate) return;
  const int l = Memo1->LineFromChar(-1);
  const int n = Memo1->LineCount();
  const int64_t a = (shift & ssCtrl) ? static_cast<int64_t>(Memo1->TextLength()) : 1;
  if (key == VK_UP && l == 0) {
    Stepping().MoveBack(a);
    Memo1->SetSelStart(0);
  } else if (key == VK_DOWN && l >= n - 1) {
    Stepping().MoveForward(a);
    const int start = Memo1->LineIndex(Memo1->LineCount() - 1);
    if (start >= 0) Memo1->SetSelStart(start);
  }
  Stepping().PageKeyDown(key);
  // The page keys page through the file; the memo does not scroll its own
  // text as well (a wrapped page may hold more lines than the screen).
  if (key == VK_PRIOR || key == VK_NEXT) key = 0;
}

void TVastrelForm::Memo1KeyUp(WORD& key, TShiftState shift) {
  if (Doc.FileSize < 0) return;
  if (IsArrow(key)) {
    if (shift & ssShift) Memo1MouseUp(mbLeft, ssShift);
    else CaretToSelStartNarrow();
  }
  Stepping().PageKeyUp(key);
}

// ---- typed editing

void TVastrelForm::DeleteOrBackspace(bool backspace) {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  int charLength = 0;
  const int64_t caret = GetSelStart();
  if (IsWideView()) {
    const std::wstring t = GetTextWide();
    charLength = backspace ? charlen::ViewLengthBefore(Doc.TextCode, t, static_cast<size_t>(caret))
                           : charlen::ViewLengthAt(Doc.TextCode, t, static_cast<size_t>(caret));
  } else {
    const std::string t = GetTextNarrow();
    charLength = backspace ? charlen::ViewLengthBefore(Doc.TextCode, t, static_cast<size_t>(caret))
                           : charlen::ViewLengthAt(Doc.TextCode, t, static_cast<size_t>(caret));
  }
  // Before the view's first character lies the line end that ends the
  // previous page's last line: one unit (the deletion takes its CR along).
  if (backspace && caret == 0) charLength = 1;
  // EUC-JP: the memo cannot show the three-byte characters (8F xx xx), nor
  // bytes that form no character, as what they are; the file's bytes decide.
  if (Doc.TextCode == tcEucJp && Doc.SelLength == 0) {
    const int n = EucFileCharLength(backspace);
    if (n > 0) charLength = n;
  }
  selection::DeletePlan plan = selection::PlanDelete(Doc.TextCode, {Doc.SelStart, Doc.SelLength}, Doc.FileSize,
                                                     Doc.BomLength, backspace, charLength);
  if (!plan.act) return;
  // JIS: the characters' own bytes in the file, never an escape sequence;
  // the text around them reads on as before.
  const bool jisChar = Doc.TextCode == tcJis && Doc.SelLength == 0 && !(backspace && caret == 0);
  Doc.SelStart = LastSelStart = plan.selStart;
  if (jisChar) {
    JisRemoveText(caret, charLength, backspace);  // SelStart goes to the place of the removed text
  } else if (Doc.TextCode == tcJis && Doc.SelLength != 0) {
    JisRemoveRange(plan.offset, plan.length);
  } else {
    // The line-end pairing belongs to one character; a selection goes exactly.
    const WORD key = Doc.SelLength != 0 ? 0 : static_cast<WORD>(backspace ? VK_BACK : VK_DELETE);
    DeleteFileRange(plan.length, key, plan.offset);
  }
  Doc.SelLength = 0;
  MovingBack = MovingForward = false;
  ShowPage(false, true,
           selection::PagePositionAfterEdit(Doc.TextCode, MyTrackBar1->Position(), Doc.SelStart));
  SetSelLengthEx(0);
  FocusTextView();
}

int TVastrelForm::EucFileCharLength(bool before) {
  HANDLE h = OpenForReading(Doc.FilePath);
  if (h == INVALID_HANDLE_VALUE) return 0;
  const textio::ReadAt read = FileReader(h);
  int n = 0;
  if (before) {
    // From the page's start (a line start) or at most 4096 bytes back; a window
    // that begins inside a character is set right by its first byte below A1.
    const int64_t from = std::max<int64_t>(std::max<int64_t>(MyTrackBar1->Position(), Doc.SelStart - 4096), 0);
    if (Doc.SelStart > from) {
      std::string buf(static_cast<size_t>(Doc.SelStart - from), '\0');
      const int64_t got = read(from, &buf[0], buf.size());
      if (got == static_cast<int64_t>(buf.size())) {
        n = charlen::EucLengthBefore(reinterpret_cast<const unsigned char*>(buf.data()), buf.size());
      }
    }
  } else {
    unsigned char buf[3] = {};
    const int64_t got = read(Doc.SelStart, buf, sizeof buf);
    if (got > 0) n = charlen::EucLengthAt(buf, static_cast<size_t>(got));
  }
  CloseHandle(h);
  return n;
}

void TVastrelForm::InsertTypedText(const std::wstring& text, bool moveCaret) {
  if (Doc.FileSize < 0 || Doc.SelLength != 0 || !FileCommandsAllowed()) return;
  const int64_t caret = GetSelStart();  // the work frame moves the view's caret
  bool done = false;
  std::string sjis;
  if (Doc.TextCode == tcJis) {
    // A line end typed inside a double-byte run closes it and opens it again
    // on the new line.
    if (Conv.WideToSjis(text.c_str(), CodeConv::ByteOrder::Little, &sjis)) done = JisTypeText(caret, sjis);
  } else {
    done = InsertTextIntoFile(text, Doc.SelStart);
  }
  if (done && moveCaret) Doc.SelStart += static_cast<int64_t>(text.size());
  LastSelStart = Doc.SelStart;
  Doc.SelLength = 0;
  MovingBack = MovingForward = false;
  ShowPage(false, true,
           selection::PagePositionAfterEdit(Doc.TextCode, MyTrackBar1->Position(), Doc.SelStart));
  if (done && moveCaret && Doc.TextCode == tcJis) {
    // The caret goes behind the new line end in the view, and SelStart
    // follows it as a click there would set it.
    SetSelection(caret + static_cast<int64_t>(sjis.size()), caret + static_cast<int64_t>(sjis.size()));
    HandleEditMouse(0);
    LastSelStart = Doc.SelStart;
  }
  FocusTextView();
}
