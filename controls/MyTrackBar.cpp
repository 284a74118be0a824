#include "controls/MyTrackBar.h"
#include "framework/Cursor.h"
#include "text/MulDiv64.h"

namespace {
const COLORREF kMarker = 0xF1F1F1;  // the thumb face before its gradient
}

TMyTrackBar::TMyTrackBar(TWinControl* parent) : TCustomControl(parent) {
  width_ = 150;
  height_ = 16;
  trackLenH_ = width_ - 30;
  trackLenV_ = height_ - 30;
}

TMyTrackBar::~TMyTrackBar() = default;

void TMyTrackBar::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TMyTrackBar";
}

// ---- properties

void TMyTrackBar::SetMin(int64_t v) {
  min_ = v;
  if (min_ > max_) min_ = max_;
}

void TMyTrackBar::SetMax(int64_t v) {
  max_ = v;
  if (max_ < min_) max_ = min_;
}

void TMyTrackBar::SetPosition(int64_t v) {
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  position_ = v;
  BarDraw();
  if (OnChange) OnChange(this);
}

void TMyTrackBar::SetStep(int v) {
  if (v > max_ || (v < 0 && v < max_)) v = static_cast<int>(max_);
  step_ = v;
}

void TMyTrackBar::SetLineSize(int v) {
  if (v < 1) v = 1;
  if (v > max_) v = static_cast<int>(max_);
  lineSize_ = v;
}

void TMyTrackBar::SetPageSize(int v) {
  if (v < 1) v = 1;
  if (v > max_) v = static_cast<int>(max_);
  pageSize_ = v;
}

void TMyTrackBar::SetOrientation(TProgressBarOrientation o) {
  orientation_ = o;
  Invalidate();
}

void TMyTrackBar::SetBoxColor(TColor c) {
  boxColor_ = c;
  Invalidate();
}

void TMyTrackBar::SetBtnColor(TColor c) {
  btnColor_ = c;
  thumbColor_ = c;
  Invalidate();
}

void TMyTrackBar::SetBtnFocusColor(TColor c) {
  btnFocusColor_ = c;
  Invalidate();
}

void TMyTrackBar::SetFocusColor(TColor c) {
  focusColor_ = c;
  Invalidate();
}

void TMyTrackBar::SetBarPrs(int v) {
  if (v < 10) v = 10;
  if (v > 15) v = 15;
  barPrs_ = v;
  Invalidate();
}

void TMyTrackBar::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  thumbColor_ = btnColor_;
  BarDraw();
}

void TMyTrackBar::SetBounds(int l, int t, int w, int h) {
  TCustomControl::SetBounds(l, t, w, h);
  // Without a window no WM_SIZE comes; keep the track lengths as a resize would.
  if (!HandleAllocated()) RecalcTrack();
}

void TMyTrackBar::RecalcTrack() {
  trackLenH_ = width_ - 2 * barPrs_;
  trackLenV_ = height_ - 2 * barPrs_;
}

void TMyTrackBar::Resize() {
  // Neither repaints nor fires OnResize.
  RecalcTrack();
}

// ---- painting

void TMyTrackBar::Render() {
  const int W = HandleAllocated() ? ClientWidth() : width_;
  const int H = HandleAllocated() ? ClientHeight() : height_;
  bitmap_.SetSize(W, H);
  if (bitmap_.Width() == 0) return;
  TCanvas& c = bitmap_.Canvas();
  c.PenWidth = 1;
  c.PenStyle = psSolid;
  c.BrushStyle = bsSolid;
  c.BrushColor = Color();
  c.FillRect(RECT{0, 0, W, H});

  c.PenColor = boxColor_;
  c.BrushColor = boxColor_;
  const bool horizontal = orientation_ == pbHorizontal;
  if (horizontal) {
    c.Rectangle(H / 2 + 2, 0, W - H / 2 - 2, H);
    c.Ellipse(0, 0, H, H);
    c.Ellipse(W - H, 0, W, H);
  } else {
    c.Rectangle(0, W / 2 + 2, W, H - W / 2 - 2);
    c.Ellipse(0, 0, W, W);
    c.Ellipse(0, H - W, W, H);
  }

  const int P = barPrs_;
  auto line = [&](TColor col, int x0, int y0, int x1, int y1) {
    c.PenColor = col;
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
  };
  if (horizontal) {
    line(clBlack, P, H / 3, W - P, H / 3);
    line(clBlack, P, H / 3 + 1, W - P, H / 3 + 1);
    line(clWhite, P, H / 3 + 2, W - P, H / 3 + 2);
  } else {
    line(clBlack, W / 2, P, W / 2, H - P);
    line(clBlack, W / 2 + 1, P, W / 2 + 1, H - P);
    line(clWhite, W / 2 + 2, P, W / 2 + 2, H - P);
  }

  int p = muldiv::TrackThumbOffset(position_, TrackLength(), max_);
  TColor col = (Focused() && !dragging_) ? focusColor_ : thumbColor_;
  if (Enabled()) {
    if (horizontal) {
      RoundDraw(bitmap_, col, p, 2);
    } else {
      int B = W * 70 / 100;
      RoundDraw(bitmap_, col, W / 2 - B / 2, p);
    }
  }
}

void TMyTrackBar::RoundDraw(TBitmap& bmp, TColor color, int x, int y) {
  const int W = bmp.Width(), H = bmp.Height();
  if (W <= 0 || H <= 0) return;
  // The colour's bytes as they stand: a system colour is deliberately not
  // resolved here (clBtnFace gives a dark grey start), which is the thumb's look.
  int sr = static_cast<int>(color & 0xFF), sg = static_cast<int>((color >> 8) & 0xFF),
      sb = static_cast<int>((color >> 16) & 0xFF);
  if (sr > 84) sr -= 84;
  if (sg > 84) sg -= 84;
  if (sb > 84) sb -= 84;

  const int P = barPrs_;
  int faceL, faceT, faceR, faceB, firstRow, rows, scanFrom;
  float d;
  if (orientation_ == pbHorizontal) {
    thumbStart_ = x + P - 8;
    faceL = thumbStart_;
    faceT = y;
    faceR = thumbStart_ + 17;
    faceB = H - 3;
    d = 150.0f / (static_cast<float>(H - 3) * 0.5f);
    firstRow = H - 3;
    rows = (H - 3) - (y + 1);
    if (rows < 1) rows = 1;
    scanFrom = thumbStart_ + 1;
  } else {
    int B = W * 70 / 100;
    thumbStart_ = y + P - 8;
    faceL = x;
    faceT = thumbStart_;
    faceR = x + B;
    faceB = thumbStart_ + 17;
    d = 16.666666f;
    firstRow = thumbStart_ + 15;
    rows = 14;
    scanFrom = x + 1;
  }
  if (d < 1.0f) d = 1.0f;

  TCanvas& c = bmp.Canvas();
  c.PenStyle = psSolid;
  c.PenWidth = 1;
  c.PenColor = clBlack;
  c.BrushStyle = bsSolid;
  c.BrushColor = kMarker;
  c.RoundRect(faceL, faceT, faceR, faceB, 10, 10);

  // The face's interior, from the same shape drawn into a mask: only those
  // pixels take the gradient, whatever colour the track around them has.
  mask_.SetSize(W, H);
  if (!mask_.Bits()) return;
  TCanvas& m = mask_.Canvas();
  m.BrushStyle = bsSolid;
  m.BrushColor = clBlack;
  m.FillRect(RECT{0, 0, W, H});
  m.PenStyle = psSolid;
  m.PenWidth = 1;
  m.PenColor = clBlack;
  m.BrushColor = clWhite;
  m.RoundRect(faceL, faceT, faceR, faceB, 10, 10);
  GdiFlush();

  float ar = 0, ag = 0, ab = 0;
  for (int k = 0; k < rows; ++k) {
    int row = firstRow - k;
    if (row >= 0 && row < H) {
      COLORREF pix = ctlpaint::Pack(static_cast<int>(sr + ar), static_cast<int>(sg + ag), static_cast<int>(sb + ab));
      const DWORD* mrow = mask_.Bits() + static_cast<size_t>(row) * W;
      for (int col = scanFrom < 0 ? 0 : scanFrom; col < W; ++col) {
        if ((mrow[col] & 0xFFFFFF) == 0xFFFFFF) ctlpaint::PutPixel(bmp, col, row, pix);
      }
    }
    if (sr + ar + d < 255) ar += d;
    if (sg + ag + d < 255) ag += d;
    if (sb + ab + d < 255) ab += d;
  }
}

void TMyTrackBar::Paint() {
  Render();
  if (bitmap_.Width() > 0) Canvas().Draw(0, 0, bitmap_.Canvas().Handle(), bitmap_.Width(), bitmap_.Height());
}

void TMyTrackBar::BarDraw() {
  Render();
  if (!HandleAllocated() || bitmap_.Width() == 0) return;
  HDC dc = GetDC(hwnd_);
  if (!dc) return;
  BitBlt(dc, 0, 0, bitmap_.Width(), bitmap_.Height(), bitmap_.Canvas().Handle(), 0, 0, SRCCOPY);
  ReleaseDC(hwnd_, dc);
}

// ---- mouse and keys

void TMyTrackBar::MouseDown(TMouseButton button, TShiftState shift, int X, int Y) {
  if (CanFocus()) SetFocus();
  TCustomControl::MouseDown(button, shift, X, Y);  // OnMouseDown
  if (button != mbLeft) return;
  if (HandleAllocated()) SetCapture(hwnd_);
  const int W = HandleAllocated() ? ClientWidth() : width_;
  const int H = HandleAllocated() ? ClientHeight() : height_;
  const int T = thumbStart_;
  const int n = (shift & ssShift) ? 30 : 1;
  const int a = step_ / n;
  int along, cross;
  bool crossInside;
  if (orientation_ == pbHorizontal) {
    along = X;
    cross = Y;
    crossInside = cross < H - 4;
  } else {
    int B = W * 70 / 100, X0 = W / 2 - B / 2;
    along = Y;
    cross = X;
    crossInside = X0 < cross && cross < X0 + B;
  }
  if (T <= along && along < T + 18 && crossInside) {
    dragging_ = true;
    thumbColor_ = btnFocusColor_;
  } else {
    thumbColor_ = btnFocusColor_;
    if (along < T) {
      int64_t v = muldiv::SatSub64(position_, a);
      SetPosition(v > 0 ? v : 0);
    } else if (along > T + 18) {
      int64_t v = muldiv::SatAdd64(position_, a);
      SetPosition(v < max_ ? v : max_);
    }
  }
  BarDraw();
}

void TMyTrackBar::MouseMove(TShiftState shift, int X, int Y) {
  const int W = HandleAllocated() ? ClientWidth() : width_;
  const int H = HandleAllocated() ? ClientHeight() : height_;
  const bool horizontal = orientation_ == pbHorizontal;
  if ((shift & ssLeft) && dragging_) {
    int64_t p;
    if (muldiv::TrackDragPosition(max_, horizontal ? X : Y, barPrs_, TrackLength(), &p)) SetPosition(p);
  } else if (!dragging_) {
    const int T = thumbStart_;
    bool over;
    if (horizontal) {
      over = T <= X && X < T + 18 && 4 < Y && Y < H - 4;
    } else {
      int B = W * 70 / 100, X0 = W / 2 - B / 2;
      over = T <= Y && Y < T + 18 && X0 < X && X < X0 + B;
    }
    thumbColor_ = over ? btnFocusColor_ : btnColor_;
    hover_ = over;
    BarDraw();
  }
  TCustomControl::MouseMove(shift, X, Y);  // OnMouseMove
}

void TMyTrackBar::MouseUp(TMouseButton button, TShiftState shift, int X, int Y) {
  if (button == mbLeft) {
    if (HandleAllocated() && GetCapture() == hwnd_) ReleaseCapture();
    dragging_ = false;
    thumbColor_ = btnColor_;
    BarDraw();
  }
  TCustomControl::MouseUp(button, shift, X, Y);  // OnMouseUp
  if (button == mbLeft && OnClick) OnClick(this);
}

void TMyTrackBar::KeyDown(WORD& key, TShiftState shift) {
  if (KeyDownEvent) {
    if (key == VK_LEFT || key == VK_UP) {
      SetPosition(muldiv::SatSub64(position_, lineSize_));
    } else if (key == VK_RIGHT || key == VK_DOWN) {
      SetPosition(muldiv::SatAdd64(position_, lineSize_));
    } else if (key == VK_PRIOR) {
      SetPosition(muldiv::SatSub64(position_, pageSize_));
    } else if (key == VK_NEXT) {
      SetPosition(muldiv::SatAdd64(position_, pageSize_));
    }
  }
  TCustomControl::KeyDown(key, shift);  // OnKeyDown
}

void TMyTrackBar::KeyUp(WORD& key, TShiftState shift) { TCustomControl::KeyUp(key, shift); }

void TMyTrackBar::DoEnter() {
  BarDraw();
  TCustomControl::DoEnter();
}

void TMyTrackBar::DoExit() {
  dragging_ = false;
  BarDraw();
  TCustomControl::DoExit();
}

LRESULT TMyTrackBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETCURSOR:
      // The screen cursor (hourglass during long work) wins; the base shows it.
      if (TScreen::ShowOwnCursor(lp, Cursor)) return TRUE;
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wp, lp);
}
