#include "spare_controls/ColorDBNavigator.h"
#include "spare_controls/SpareCommon.h"

TColorDBNavigator::TColorDBNavigator(TWinControl* parent) : TCustomControl(parent) {
  width_ = 240;
  height_ = 25;
}

void TColorDBNavigator::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TColorDBNavigator";
}

void TColorDBNavigator::Paint() {
  const int W = width_, H = height_;
  TCanvas& c = Canvas();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, W, H});
  // Each button: a raised frame and a small mark, on the navigator's colour.
  int bw = W / kButtons;
  if (bw < 4 || H < 4) return;
  for (int i = 0; i < kButtons; ++i) {
    int l = i * bw, r = l + bw - 1;
    c.PenWidth = 1;
    c.PenColor = clBtnHighlight;
    c.MoveTo(l, H - 1);
    c.LineTo(l, 0);
    c.LineTo(r, 0);
    c.PenColor = clBtnShadow;
    c.LineTo(r, H - 1);
    c.LineTo(l, H - 1);
    int cx = l + bw / 2, cy = H / 2;
    c.PenColor = clBlack;
    c.BrushColor = clBlack;
    std::vector<POINT> mark;
    if (i < 2) mark = {{cx + 2, cy - 3}, {cx - 1, cy}, {cx + 2, cy + 3}};
    else if (i < 4) mark = {{cx - 2, cy - 3}, {cx + 1, cy}, {cx - 2, cy + 3}};
    else mark = {{cx - 3, cy}, {cx + 3, cy}};
    spare::Polyline(c, mark);
    c.BrushColor = color_;
  }
}
