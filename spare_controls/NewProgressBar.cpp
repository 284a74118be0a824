#include "spare_controls/NewProgressBar.h"
#include <cmath>
#include "framework/Cp932.h"
#include "spare_controls/SpareCommon.h"
#include "text/MulDiv64.h"

void TSubsBitmap::SizeLike(const TBitmap& model) {
  SetSize(model.Width(), model.Height());
  Canvas().BrushStyle = bsSolid;
  Canvas().BrushColor = clSystemColor | COLOR_WINDOWFRAME;
  Canvas().FillRect(RECT{0, 0, Width(), Height()});
}

TNewProgressBar::TNewProgressBar(TWinControl* parent) : TCustomControl(parent) {
  width_ = 150;
  height_ = 32;
}

TNewProgressBar::~TNewProgressBar() = default;

void TNewProgressBar::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TNewProgressBar";
}

// ---- range and position

std::string TNewProgressBar::RangeMessage(const std::string& low, const std::string& high) {
  return low + Cp932FromUtf8(u8" から ") + high + Cp932FromUtf8(u8" の間の値でなければなりません");
}

int TNewProgressBar::GetPercentDone() const {
  return muldiv::CalcPercent64(position_ >= min_ ? position_ - min_ : 0, max_ - min_);
}

int TNewProgressBar::BarPercent() const {
  if (max_ == 0) return 0;
  return static_cast<int>(muldiv::MulDivU64(position_, 100, max_).quotient);
}

void TNewProgressBar::SetMinValue(uint64_t v) {
  if (v == min_) return;
  if (v > max_) throw EProgressRange(RangeMessage("-2147483647", std::to_string(max_ - 1)));
  min_ = v;
  if (position_ < v) position_ = v;
  Repaint();
}

void TNewProgressBar::SetMaxValue(uint64_t v) {
  if (v == 0) return;
  if (v < min_) throw EProgressRange(RangeMessage(std::to_string(min_ + 1), "2147483647"));
  max_ = v;
  if (position_ > v) position_ = v;
  Repaint();
}

void TNewProgressBar::SetProgress(uint64_t v) {
  int before = GetPercentDone();
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  if (v == position_) return;
  position_ = v;
  if (GetPercentDone() != before) Repaint();
}

uint64_t TNewProgressBar::Stepped(uint64_t position, long delta, uint64_t min, uint64_t max) {
  uint64_t v;
  if (delta >= 0) {
    uint64_t d = static_cast<uint64_t>(delta);
    v = position > UINT64_MAX - d ? UINT64_MAX : position + d;
  } else {
    uint64_t d = static_cast<uint64_t>(-static_cast<int64_t>(delta));
    v = position < d ? 0 : position - d;
  }
  if (v < min) v = min;
  if (v > max) v = max;
  return v;
}

void TNewProgressBar::StepBy(long delta) { SetProgress(Stepped(position_, delta, min_, max_)); }

int TNewProgressBar::BlocksShown(int blockCount, int percent) {
  int n = 0;
  for (int i = 1; i <= blockCount; ++i) {
    if (static_cast<int64_t>(i) * 100 <= static_cast<int64_t>(percent) * blockCount) ++n;
  }
  return n;
}

// ---- setters

void TNewProgressBar::SeTCGaugeKind(TProgressKind k) {
  if (k == kind_) return;
  kind_ = k;
  Repaint();
}

void TNewProgressBar::SetShowText(bool v) {
  if (v == showText_) return;
  showText_ = v;
  Repaint();
}

void TNewProgressBar::SetBorderStyle(TBorderStyle b) {
  if (b == borderStyle_) return;
  borderStyle_ = b;
  Repaint();
}

void TNewProgressBar::SetForeColor(TColor c) {
  if (c == foreColor_) return;
  foreColor_ = c;
  Repaint();
}

void TNewProgressBar::SetBackColor(TColor c) {
  if (c == backColor_) return;
  backColor_ = c;
  Repaint();
}

void TNewProgressBar::SetBarStyle(PAINTTYPE s) {
  barStyle_ = s;
  Invalidate();
}

void TNewProgressBar::SetSmooth(bool v) {
  smooth_ = v;
  Invalidate();
}

void TNewProgressBar::SetBlockCount(int v) {
  blockCount_ = (v != 0 && width_ / v > 0) ? v : 1;
  Invalidate();
}

void TNewProgressBar::SetBlockSpace(int v) {
  double block = static_cast<double>(kind_ == iuHorizontalBar ? width_ - 1 : height_ - 1) / blockCount_;
  if (v < block / 2) blockSpace_ = v;
  Invalidate();
}

// ---- painting

void TNewProgressBar::PaintBackground(TBitmap& bmp) {
  HDC dc = bmp.Canvas().Handle();
  BitBlt(dc, 0, 0, bmp.Width(), bmp.Height(), dc, 0, 0, BLACKNESS);
}

void TNewProgressBar::Paint() {
  const int W = width_, H = height_;
  TBitmap image(W, H);
  PaintBackground(image);
  RECT area{0, 0, W, H};
  if (borderStyle_ == bsSingle) InflateRect(&area, -1, -1);
  TSubsBitmap overlay;
  overlay.SizeLike(image);
  PaintBackground(overlay);
  overlay.Canvas().Font = Font();
  switch (kind_) {
    case iuText: PaintAsNothing(overlay, area); break;
    case iuHorizontalBar:
    case iuVerticalBar: BarDraw(overlay); break;
    case iuPie: PaintAsPie(overlay, area); break;
    case iuNeedle: PaintAsNeedle(overlay, area); break;
  }
  BitBlt(image.Canvas().Handle(), 0, 0, W, H, overlay.Canvas().Handle(), 0, 0, SRCINVERT);
  image.Canvas().Font = Font();
  if (showText_) PaintAsText(image, area);
  BitBlt(Canvas().Handle(), 0, 0, W, H, image.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TNewProgressBar::PaintAsNothing(TBitmap& bmp, const RECT& area) {
  TCanvas& c = bmp.Canvas();
  c.BrushStyle = bsSolid;
  c.BrushColor = backColor_;
  c.FillRect(area);
}

void TNewProgressBar::PaintAsText(TBitmap& bmp, const RECT& area) {
  TCanvas& c = bmp.Canvas();
  std::string text = std::to_string(GetPercentDone()) + "%";
  int tw = spare::TextWidth(c, text), th = spare::TextHeight(c, text);
  int x = (area.right - area.left - tw + 1) / 2, y = (area.bottom - area.top - th + 1) / 2;
  c.BrushStyle = bsClear;
  spare::TextAt(c, x + 1, y + 1, text, foreColor_);
  spare::TextAt(c, x, y, text, backColor_);
  c.BrushStyle = bsSolid;
}

void TNewProgressBar::DrawHorizontal(TBitmap& overlay, int blue, int green, int red, int x1, int x2) {
  const int H = height_;
  spare::GradientRamp ramp(ctlpaint::Pack(red, green, blue), {84}, H);
  TCanvas& c = overlay.Canvas();
  int lines = (H - 5 > 1 ? H - 5 : 1) + 1;
  for (int k = 0; k < lines; ++k) {
    c.PenColor = ramp.Color();
    c.MoveTo(x1, H - 4 - k);
    c.LineTo(x2, H - 4 - k);
    ramp.Advance();
  }
}

void TNewProgressBar::DrawVertical(TBitmap& overlay, int blue, int green, int red, int bottom, int top) {
  const int W = width_;
  spare::GradientRamp ramp(ctlpaint::Pack(red, green, blue), {84}, W);
  TCanvas& c = overlay.Canvas();
  int lines = (W - 5 > 1 ? W - 5 : 1) + 1;
  for (int k = 0; k < lines; ++k) {
    c.PenColor = ramp.Color();
    c.MoveTo(W - 4 - k, top);
    c.LineTo(W - 4 - k, bottom);
    ramp.Advance();
  }
}

void TNewProgressBar::BarDraw(TBitmap& overlay) {
  if (max_ == 0) return;
  const int W = width_, H = height_;
  TCanvas& c = overlay.Canvas();
  if (position_ != 0) {
    COLORREF fore = ColorToRGB(foreColor_);
    int r = spare::Lowered(ctlpaint::RedOf(fore), 64), g = spare::Lowered(ctlpaint::GreenOf(fore), 64),
        b = spare::Lowered(ctlpaint::BlueOf(fore), 64);
    double bw = static_cast<double>(W - 1) / blockCount_, bh = static_cast<double>(H - 1) / blockCount_;
    long double ratio = static_cast<long double>(position_) / static_cast<long double>(max_);
    long double fw = (W - 1) * ratio, fh = (H - 1) * ratio;
    int p = BarPercent();
    int shown = BlocksShown(blockCount_, p);
    c.BrushStyle = bsSolid;
    c.BrushColor = foreColor_;
    bool solid = barStyle_ == btSolid;
    if (kind_ == iuHorizontalBar) {
      if (smooth_) {
        double x = 2.0;
        for (int i = 1; i <= blockCount_; ++i) {
          if (i <= shown) {
            int x1 = static_cast<int>(x), x2 = static_cast<int>(x + bw - blockSpace_);
            if (solid) c.FillRect(RECT{x1, 2, x2, H - 2});
            else DrawHorizontal(overlay, b, g, r, x1, x2);
          }
          x += bw;
        }
      } else {
        int x2 = static_cast<int>(fw - 1);
        if (solid) c.FillRect(RECT{2, 2, x2, H - 2});
        else DrawHorizontal(overlay, b, g, r, 2, x2);
      }
    } else if (kind_ == iuVerticalBar) {
      if (smooth_) {
        double y = H - 3;
        for (int j = 1; j <= blockCount_; ++j) {
          if (j <= shown) {
            int y1 = static_cast<int>(y - bh + blockSpace_), y2 = static_cast<int>(y);
            if (solid) c.FillRect(RECT{2, y1, W - 2, y2});
            else DrawVertical(overlay, b, g, r, y2, y1);
          }
          y -= bh;
        }
      } else {
        int y1 = static_cast<int>(H - fh);
        if (solid) c.FillRect(RECT{2, y1, W - 2, H - 2});
        else DrawVertical(overlay, b, g, r, H - 3, y1);
      }
    }
  }
  c.PenWidth = 1;
  c.PenColor = 0x505050;
  c.MoveTo(0, H - 1);
  c.LineTo(0, 0);
  c.LineTo(W - 1, 0);
  c.PenColor = clWhite;
  c.LineTo(W - 1, H - 1);
  c.LineTo(0, H - 1);
  c.PenColor = backColor_;
  if (kind_ == iuHorizontalBar) {
    c.MoveTo(W - 2, 1);
    c.LineTo(W - 2, H - 2);
  } else {
    c.MoveTo(1, 1);
    c.LineTo(W - 2, 1);
  }
}

void TNewProgressBar::PaintAsPie(TBitmap& bmp, const RECT& area) {
  TCanvas& c = bmp.Canvas();
  int k = borderStyle_ == bsSingle ? 1 : 0;
  int w = area.right - area.left + k, h = area.bottom - area.top + k;
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(area);
  c.BrushColor = backColor_;
  c.PenColor = foreColor_;
  c.PenWidth = 1;
  c.Ellipse(area.left, area.top, w, h);
  int p = GetPercentDone();
  if (p > 0) {
    c.BrushColor = foreColor_;
    const double pi = 3.14159265358979323846;
    double a = (p * 0.02 + 0.5) * pi;
    int mx = w / 2, my = h / 2;
    spare::Pie(c, area.left, area.top, w, h, static_cast<int>(std::floor((1 - std::cos(a)) * mx)),
               static_cast<int>(std::floor((1 - std::sin(a)) * my)), mx, 0);
  }
}

void TNewProgressBar::PaintAsNeedle(TBitmap& bmp, const RECT& area) {
  TCanvas& c = bmp.Canvas();
  int k = borderStyle_ == bsSingle ? 1 : 0;
  int w = area.right - area.left + k;
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(area);
  c.BrushColor = backColor_;
  c.PenColor = foreColor_;
  c.PenWidth = 1;
  spare::Pie(c, area.left, area.top, w, 2 * (area.bottom - area.top + k) - 1, area.left + w, area.bottom - 1,
             area.left, area.bottom - 1);
  c.MoveTo(area.left, area.bottom);
  c.LineTo(area.left + w, area.bottom);
  int p = GetPercentDone();
  if (p > 0) {
    const double pi = 3.14159265358979323846;
    int mx = width_ / 2;
    double a = p * 0.01 * pi;
    c.MoveTo(mx, area.bottom - 1);
    c.LineTo(static_cast<int>(std::floor((1 - std::cos(a)) * mx)),
             static_cast<int>(std::floor((1 - std::sin(a)) * (area.bottom - 1))));
  }
}

void TNewProgressBar::PaintAsBar(TBitmap& bmp, const RECT& area) {
  TCanvas& c = bmp.Canvas();
  c.BrushStyle = bsSolid;
  c.BrushColor = backColor_;
  c.FillRect(area);
  c.PenColor = foreColor_;
  c.BrushColor = foreColor_;
  c.PenWidth = 1;
  int W = area.right - area.left + 1, H = area.bottom - area.top + 1;
  double p = GetPercentDone();
  auto len = [p](int n) { return static_cast<int>(std::floor(p * 0.01 * n)); };
  if (kind_ == iuHorizontalBar) {
    int lw = len(W) < W ? len(W) : W;
    if (lw > 0) c.Rectangle(area.left, area.top, lw, H);
  } else if (kind_ == iuVerticalBar) {
    int lh = len(H) < area.bottom - area.top ? len(H) : area.bottom - area.top;
    c.Rectangle(area.left, H - lh, W, H);
  }
}
