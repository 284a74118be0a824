#include "controls/ColorProgressBar.h"

namespace {
int Lowered(int ch, int by) { return ch > by ? ch - by : ch; }
}  // namespace

TColorProgressBar::TColorProgressBar(TWinControl* parent) : TCustomControl(parent) {
  width_ = 150;
  height_ = 16;
  boxColor_ = ColorToRGB(clBtnFace);
  barColor_ = ColorToRGB(clHighlight);
  lineColor_ = ColorToRGB(clBtnFace);
}

TColorProgressBar::~TColorProgressBar() = default;

void TColorProgressBar::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TColorProgressBar";
}

TColor TColorProgressBar::ChkSysColorToColor(TColor c) {
  if (c & clSystemColor) return GetSysColor(static_cast<int>(c & 0xFF));
  return c;
}

int TColorProgressBar::GetAlphaColor(int a, int b, int level) {
  auto blend = [level](int x, int y) {
    int v = y + (((x - y) * level) >> 8);
    return v < 0 ? 0 : v > 255 ? 255 : v;
  };
  COLORREF ca = static_cast<COLORREF>(a), cb = static_cast<COLORREF>(b);
  return static_cast<int>(ctlpaint::Pack(blend(ctlpaint::RedOf(ca), ctlpaint::RedOf(cb)),
                                         blend(ctlpaint::GreenOf(ca), ctlpaint::GreenOf(cb)),
                                         blend(ctlpaint::BlueOf(ca), ctlpaint::BlueOf(cb))));
}

// ---- range and position

void TColorProgressBar::SetMin(uint64_t v) {
  min_ = v;
  if (min_ > max_) min_ = max_;
}

void TColorProgressBar::SetMax(uint64_t v) {
  max_ = v;
  if (max_ < min_) max_ = min_;
  if (max_ == 0) max_ = 1;
}

int TColorProgressBar::GetPercentDone() const { return muldiv::ProgressPercentDone(position_, min_, max_); }

void TColorProgressBar::SetPosition(uint64_t v) {
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  int p0 = GetPercentDone();
  if (v == position_) return;
  position_ = v;
  parValue_ = muldiv::ProgressParValue(v, max_);
  if (GetPercentDone() != p0) Repaint();
}

void TColorProgressBar::StepIt() {
  if (step_ >= 0) {
    StepBy(static_cast<uint64_t>(step_));
    return;
  }
  // Backwards: stop at Min rather than wrap below zero.
  uint64_t back = static_cast<uint64_t>(-static_cast<int64_t>(step_));
  SetPosition(position_ > min_ && position_ - min_ > back ? position_ - back : min_);
}

void TColorProgressBar::StepBy(uint64_t n) {
  uint64_t v = position_ + n;
  if (v < position_) v = UINT64_MAX;  // held to Max by SetPosition
  SetPosition(v);
}

// ---- other properties

void TColorProgressBar::SetStep(int v) {
  if (v >= 0 && static_cast<uint64_t>(v) > max_) v = static_cast<int>(max_);
  step_ = v;
  Invalidate();
}

void TColorProgressBar::SetSmooth(bool v) {
  smooth_ = v;
  Invalidate();
}

void TColorProgressBar::SetOrientation(TProgressBarOrientation o) {
  orientation_ = o;
  Invalidate();
}

void TColorProgressBar::SetBlockCount(int v) {
  blockCount_ = (v >= 1 && v <= width_) ? v : 1;
  Invalidate();
}

void TColorProgressBar::SetWhiteLevel(int v) {
  whiteLevel_ = v < 10 ? 10 : v > 255 ? 255 : v;
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetPrsLevel(int v) {
  prsLevel_ = v;
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetBoxColor(TColor c) {
  boxColor_ = c;
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetBarColor(TColor c) {
  barColor_ = c;
  // A system colour is resolved first, so that the top line is a lighter form
  // of the colour that the bar really shows.
  topLineColor_ = static_cast<TColor>(GetAlphaColor(static_cast<int>(ChkSysColorToColor(c)), 0xFFFFFF, 100));
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetLineColor(TColor c) {
  lineColor_ = c;
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetBarStyle(PAINTTYPE s) {
  barStyle_ = s;
  Invalidate();
}

void TColorProgressBar::SetShadow(bool v) {
  shadow_ = v;
  Invalidate();
}

void TColorProgressBar::SetBlockSpace(int v) {
  int extent = orientation_ == pbHorizontal ? width_ : height_;
  if (v < ((extent - 1) / blockCount_) / 2) blockSpace_ = v;
  Invalidate();
}

void TColorProgressBar::SetTextSwitch(bool v) {
  textSwitch_ = v;
  Invalidate();
}

void TColorProgressBar::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TColorProgressBar::SetLineParVisible(bool v) {
  lineParVisible_ = v;
  Invalidate();
}

void TColorProgressBar::SetLinePar(int v) {
  linePar_ = v > 100 ? 100 : v;
  Invalidate();
}

void TColorProgressBar::SetLineParColor(TColor c) {
  lineParColor_ = c;
  colorsChanged_ = true;
  Invalidate();
}

void TColorProgressBar::SetFont(const TFont& f) {
  Font() = f;
  Invalidate();
}

// ---- painting

void TColorProgressBar::DeriveColors() {
  boxRGB_ = ChkSysColorToColor(boxColor_);
  barRGB_ = ChkSysColorToColor(barColor_);
  lineRGB_ = ChkSysColorToColor(lineColor_);
  markerRGB_ = ChkSysColorToColor(lineParColor_);
  light1_ = static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0xFFFFFF, whiteLevel_));
  light2_ = static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0xFFFFFF, whiteLevel_ + prsLevel_));
  darkEdge_ = static_cast<COLORREF>(GetAlphaColor(static_cast<int>(boxRGB_), 0, 150));
  colorsChanged_ = false;
}

// count lines from index `first`, stepping by dir; a line is a row (from..to
// columns) or, vertical, a column (from..to rows). The colour holds still over
// the first `hold` lines.
void TColorProgressBar::Gradient(bool vertical, int first, int count, int dir, int from, int to, int hold, int W,
                                 int H) {
  int sr = Lowered(Lowered(ctlpaint::RedOf(barRGB_), 64), 84);
  int sg = Lowered(Lowered(ctlpaint::GreenOf(barRGB_), 64), 84);
  int sb = Lowered(Lowered(ctlpaint::BlueOf(barRGB_), 64), 84);
  float d = 150.0f / (static_cast<float>(vertical ? W : H) * 0.5f);
  if (d < 1.0f) d = 1.0f;
  float ar = 0, ag = 0, ab = 0;
  TCanvas& c = bitmap_.Canvas();
  for (int k = 0; k < count; ++k) {
    int at = first + dir * k;
    c.PenColor = ctlpaint::Pack(static_cast<int>(sr + ar), static_cast<int>(sg + ag), static_cast<int>(sb + ab));
    if (vertical) {
      c.MoveTo(at, from);
      c.LineTo(at, to);
    } else {
      c.MoveTo(from, at);
      c.LineTo(to, at);
    }
    if (k < hold) continue;
    if (sr + ar + d < 255) ar += d;
    if (sg + ag + d < 255) ag += d;
    if (sb + ab + d < 255) ab += d;
  }
}

void TColorProgressBar::BarH(int s, int e, int H) {
  TCanvas& c = bitmap_.Canvas();
  auto fillRows = [&](COLORREF col, int r0, int r1) {  // rows r0..r1 inclusive
    if (r1 < r0 || e <= s) return;
    c.BrushStyle = bsSolid;
    c.BrushColor = col;
    c.FillRect(RECT{s, r0, e, r1 + 1});
  };
  auto hline = [&](COLORREF col, int row, int x0, int x1) {
    c.PenColor = col;
    c.MoveTo(x0, row);
    c.LineTo(x1, row);
  };
  auto vline = [&](COLORREF col, int x, int y0, int y1) {
    c.PenColor = col;
    c.MoveTo(x, y0);
    c.LineTo(x, y1);
  };
  switch (barStyle_) {
    case btSolid:
      fillRows(barRGB_, 2, H - 3);
      break;
    case btSolid2: {
      int t = 2, u = H - 2, h = (u - t) / 2, k = (u - t) * 20 / 100;
      fillRows(static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0xFFFFFF, 100)), t, h - 1);
      fillRows(barRGB_, h, u - k - 1);
      fillRows(static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0, 240)), u - k, u - 1);
      hline(topLineColor_, t, s, e);
      break;
    }
    case btGradetion: {
      int n = H - 4;
      if (n < 1) n = 1;
      Gradient(false, H - 3, n, -1, s, e, 0, 0, H);
      break;
    }
    case btGradetion2: {
      int g = (H * 40 - 160) / 100;
      int n = (H - 3) - g + 1;
      if (n < 1) n = 1;
      Gradient(false, H - 3, n, -1, s, e, (H - 4) * 10 / 100, 0, H);
      fillRows(light1_, 2, g - 1);
      hline(0xFFFFFF, 2, s, e);
      vline(darkEdge_, e, 3, H - 3);
      break;
    }
    case btWin7: {
      int g = (H * 40 - 160) / 100 + 2;
      int n = H - g;
      if (n < 1) n = 1;
      Gradient(false, g, n, +1, s, e, 0, 0, H);
      int m = (g - 2) >> 1;
      if (m > 1) {
        fillRows(light1_, 2, m + 1);
        fillRows(light2_, m + 2, g - 1);
      } else {
        fillRows(light1_, 2, g - 1);
      }
      vline(darkEdge_, e, 3, H - 3);
      break;
    }
  }
}

// A vertical bar over rows top..bottom (bottom exclusive).
void TColorProgressBar::BarV(int top, int bottom, int W, int H) {
  if (bottom <= top) return;
  TCanvas& c = bitmap_.Canvas();
  auto fillCols = [&](COLORREF col, int c0, int c1) {  // columns c0..c1 inclusive
    if (c1 < c0) return;
    c.BrushStyle = bsSolid;
    c.BrushColor = col;
    c.FillRect(RECT{c0, top, c1 + 1, bottom});
  };
  auto hline = [&](COLORREF col, int row, int x0, int x1) {
    c.PenColor = col;
    c.MoveTo(x0, row);
    c.LineTo(x1, row);
  };
  auto vline = [&](COLORREF col, int x) {
    c.PenColor = col;
    c.MoveTo(x, top);
    c.LineTo(x, bottom);
  };
  switch (barStyle_) {
    case btSolid:
      fillCols(barRGB_, 2, W - 3);
      break;
    case btSolid2: {
      int s = 2, e = W - 2, h = (e - s) / 2, k = (e - s) * 20 / 100;
      fillCols(static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0xFFFFFF, 100)), s, h - 1);
      fillCols(barRGB_, h, e - k - 1);
      fillCols(static_cast<COLORREF>(GetAlphaColor(static_cast<int>(barRGB_), 0, 240)), e - k, e - 1);
      vline(topLineColor_, s);
      break;
    }
    case btGradetion:
    case btGradetion2: {
      int n = W - 4;
      if (n < 1) n = 1;
      int hold = barStyle_ == btGradetion2 ? (W - 4) * 10 / 100 : 0;
      Gradient(true, W - 3, n, -1, top, bottom, hold, W, H);
      if (barStyle_ == btGradetion2) {
        int g = (W * 40 - 160) / 100;
        fillCols(light1_, 1, g - 1);
        vline(0xFFFFFF, 1);
      }
      hline(light2_, top, 1, W - 2);
      break;
    }
    case btWin7: {
      int g = (W * 40 - 160) / 100 + 2;
      int n = W - g;
      if (n < 1) n = 1;
      Gradient(true, g, n, +1, top, bottom, 0, W, H);
      int m = (g - 2) >> 1;
      if (m > 1) {
        fillCols(light1_, 2, m + 1);
        fillCols(light2_, m + 2, g - 1);
      } else {
        fillCols(light1_, 2, g - 1);
      }
      hline(light2_, top, 2, W - 2);
      break;
    }
  }
}

void TColorProgressBar::Render(int W, int H) {
  if (colorsChanged_) DeriveColors();
  bitmap_.SetSize(W, H);
  if (bitmap_.Width() == 0) return;
  TCanvas& c = bitmap_.Canvas();
  c.PenStyle = psSolid;
  c.PenWidth = 1;
  c.BrushStyle = bsSolid;
  c.BrushColor = boxRGB_;
  c.FillRect(RECT{0, 0, W, H});

  if (position_ != 0 && max_ != 0) {
    if (orientation_ == pbHorizontal) {
      int L = smooth_ ? W - 4 : W - 3;
      if (!smooth_) {
        muldiv::Filled f = muldiv::ProgressFilled(L, position_, max_);
        int64_t e = f.whole + (flat_ ? 1 : 0);
        if (e > 2) BarH(2, static_cast<int>(e), H);
      } else {
        float b = static_cast<float>(L) / static_cast<float>(blockCount_);
        float x = 2.0f;
        for (int i = 1; i <= blockCount_; ++i, x += b) {
          if (!muldiv::ProgressBlockShown(i, blockCount_, position_, max_)) break;
          int s = static_cast<int>(x), e = static_cast<int>(x + b - static_cast<float>(blockSpace_));
          if (e > s) BarH(s, e, H);
        }
      }
    } else {
      int L = smooth_ ? H - 3 : H - 2;
      if (!smooth_) {
        muldiv::Filled f = muldiv::ProgressFilled(L, position_, max_);
        int64_t top = static_cast<int64_t>(H) - f.whole - (f.fraction ? 1 : 0);  // cut(H - f)
        if (top < H - 2) BarV(static_cast<int>(top), H - 2, W, H);
      } else {
        float b = static_cast<float>(L) / static_cast<float>(blockCount_);
        float y = static_cast<float>(H - 2);
        for (int i = 1; i <= blockCount_; ++i, y -= b) {
          if (!muldiv::ProgressBlockShown(i, blockCount_, position_, max_)) break;
          int bottom = static_cast<int>(y), top = static_cast<int>(y - b + static_cast<float>(blockSpace_));
          if (bottom > top) BarV(top, bottom, W, H);
        }
      }
    }
  }

  // Frame.
  auto line = [&](COLORREF col, int x0, int y0, int x1, int y1) {
    c.PenColor = col;
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
  };
  if (flat_) {
    c.BrushColor = lineRGB_;
    c.FrameRect(RECT{0, 0, W, H});
  } else {
    line(0x505050, 0, 0, W, 0);
    line(0x505050, 0, 0, 0, H);
    line(0xFFFFFF, W - 1, 0, W - 1, H);
    line(0xFFFFFF, 0, H - 1, W, H - 1);
    if (orientation_ == pbHorizontal) {
      line(ColorToRGB(Color()), W - 2, 1, W - 2, H - 3);
    } else {
      line(ColorToRGB(Color()), 1, 1, W - 3, 1);
    }
  }

  // Marker ticks.
  if (lineParVisible_) {
    if (orientation_ == pbHorizontal) {
      int x = (W - 1) * linePar_ / 100;
      line(markerRGB_, x, 1, x, 4);
      line(markerRGB_, x, H - 6, x, H - 3);
    } else {
      int y = (H - 1) * linePar_ / 100;
      line(markerRGB_, 1, y, 4, y);
      line(markerRGB_, W - 6, y, W - 3, y);
    }
  }

  // Percentage text.
  if (textSwitch_ && max_ != 0) {
    std::wstring text = std::to_wstring(parValue_) + L"%";
    c.Font = Font();
    int tw = c.TextWidth(text);
    int th = c.TextHeight(L"H") + 2;
    int x = (W >> 1) - (tw >> 1), y = (H >> 1) - (th >> 1);
    c.BrushStyle = bsClear;
    if (shadow_) {
      TColor keep = c.Font.Color();
      c.Font.SetColor(barRGB_);
      c.TextOut(x + 1, y + 1, text);
      c.Font.SetColor(boxRGB_);
      c.TextOut(x, y, text);
      c.Font.SetColor(keep);
      c.BrushStyle = bsSolid;
    } else {
      c.TextOut(x, y, text);
    }
  }
}

void TColorProgressBar::Paint() {
  ++paintCount_;
  const int W = HandleAllocated() ? ClientWidth() : width_;
  const int H = HandleAllocated() ? ClientHeight() : height_;
  Render(W, H);
  if (bitmap_.Width() > 0) Canvas().Draw(0, 0, bitmap_.Canvas().Handle(), bitmap_.Width(), bitmap_.Height());
}

void TColorProgressBar::BarDraw() {
  if (!HandleAllocated()) return;
  ++paintCount_;
  Render(ClientWidth(), ClientHeight());
  if (bitmap_.Width() == 0) return;
  HDC dc = GetDC(hwnd_);
  if (!dc) return;
  BitBlt(dc, 0, 0, bitmap_.Width(), bitmap_.Height(), bitmap_.Canvas().Handle(), 0, 0, SRCCOPY);
  ReleaseDC(hwnd_, dc);
}
