#include "controls/NewTrackBar.h"
#include <commctrl.h>

namespace {
void InitTrackBarClass() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  done = true;
}
}  // namespace

TNewTrackBar::TNewTrackBar(TWinControl* parent) : TWinControl(parent) {
  width_ = 150;
  height_ = 45;
  TabStop = true;
}

void TNewTrackBar::CreateParams(TCreateParams& p) {
  InitTrackBarClass();
  TWinControl::CreateParams(p);
  p.ClassName = TRACKBAR_CLASSW;
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | TBS_AUTOTICKS | TBS_BOTTOM;
  p.Style |= orientation_ == trHorizontal ? TBS_HORZ : TBS_VERT;
  if (barStyle_ == styBox) p.Style |= TBS_ENABLESELRANGE;
}

void TNewTrackBar::AfterCreate() { ApplyAll(); }

void TNewTrackBar::ApplyAll() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, min_);
  SendMessageW(hwnd_, TBM_SETRANGEMAX, FALSE, max_);
  SendMessageW(hwnd_, TBM_SETTICFREQ, frequency_, 0);
  SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, pageSize_);
  SendMessageW(hwnd_, TBM_SETLINESIZE, 0, lineSize_);
  SendMessageW(hwnd_, TBM_SETPOS, TRUE, position_);
}

int TNewTrackBar::Position() {
  if (hwnd_) position_ = static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0));
  return position_;
}

void TNewTrackBar::Changed(int p) {
  if (p == position_) return;
  position_ = p;
  if (OnChange) OnChange(this);
}

void TNewTrackBar::SetPosition(int v) {
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  if (hwnd_) SendMessageW(hwnd_, TBM_SETPOS, TRUE, v);
  Changed(v);
}

void TNewTrackBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  ApplyAll();
  if (position_ < min_) SetPosition(min_);
}

void TNewTrackBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  ApplyAll();
  if (position_ > max_) SetPosition(max_);
}

void TNewTrackBar::SetFrequency(int v) {
  frequency_ = v;
  if (hwnd_) SendMessageW(hwnd_, TBM_SETTICFREQ, v, 0);
}

void TNewTrackBar::SetPageSize(int v) {
  pageSize_ = v;
  if (hwnd_) SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, v);
}

void TNewTrackBar::SetLineSize(int v) {
  lineSize_ = v;
  if (hwnd_) SendMessageW(hwnd_, TBM_SETLINESIZE, 0, v);
}

void TNewTrackBar::SetOrientation(TTrackBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  RecreateWnd();
}

void TNewTrackBar::SetBarStyle(TBarStyle s) {
  barStyle_ = s;
  StyleSet();
}

void TNewTrackBar::StyleSet() {
  if (!hwnd_) return;  // applied when the window is made
  LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  if (barStyle_ == styBox) {
    style |= TBS_ENABLESELRANGE;
  } else {
    style &= ~static_cast<LONG>(TBS_ENABLESELRANGE);
  }
  SetWindowLongW(hwnd_, GWL_STYLE, style);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT TNewTrackBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_HSCROLL || msg == CN_BASE + WM_VSCROLL) {
    Changed(static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)));
    return 0;
  }
  if (msg == CN_BASE + WM_CTLCOLORSTATIC) {
    SetBkColor(reinterpret_cast<HDC>(wp), ColorToRGB(Color()));
    return reinterpret_cast<LRESULT>(brush_.Get(Color()));
  }
  bool handled = false;
  LRESULT r = MouseAfterNative(msg, wp, lp, true, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}
