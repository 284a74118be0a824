#include "framework/Bevel.h"

#include "framework/Graphics.h"

TBevel::TBevel(TWinControl* parent) : TCustomControl(parent) {
  width_ = 50;
  height_ = 50;
  TabStop = false;
}

void TBevel::CreateParams(TCreateParams& p) {
  p.ClassName = L"TBevel";
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_DISABLED;
  p.ExStyle |= WS_EX_TRANSPARENT;
}

void TBevel::AfterCreate() {
  // Below every sibling, so that it never paints over the controls it frames.
  SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TBevel::SetShape(TBevelShape s) {
  shape_ = s;
  Invalidate();
}

void TBevel::SetStyle(TBevelCut s) {
  style_ = s;
  Invalidate();
}

LRESULT TBevel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  return TCustomControl::WndProc(msg, wp, lp);
}

void TBevel::Paint() {
  RECT r = {0, 0, ClientWidth(), ClientHeight()};
  Canvas().BrushStyle = bsSolid;
  Canvas().BrushColor = color_;
  Canvas().FillRect(r);
  if (style_ == bvNone) return;
  UINT edge;
  if (shape_ == bsFrame)
    edge = style_ == bvLowered ? EDGE_ETCHED : EDGE_BUMP;
  else
    edge = style_ == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
  DrawEdge(Canvas().Handle(), &r, edge, BF_RECT);
}
