#include "framework/Image.h"

#include "framework/Cursor.h"

TImage::TImage(TWinControl* parent) : TCustomControl(parent) {
  width_ = 105;
  height_ = 105;
}

void TImage::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TImage";
}

void TImage::SetStretch(bool v) {
  if (v == stretch_) return;
  stretch_ = v;
  Invalidate();
}

void TImage::Paint() {
  TCanvas& c = Canvas();
  RECT r = ClientRect();
  c.BrushColor = color_;
  c.BrushStyle = bsSolid;
  c.FillRect(r);
  if (picture_.Width() <= 0 || picture_.Height() <= 0) return;
  if (stretch_) {
    SetStretchBltMode(c.Handle(), COLORONCOLOR);
    StretchBlt(c.Handle(), 0, 0, r.right, r.bottom, picture_.Canvas().Handle(), 0, 0, picture_.Width(),
               picture_.Height(), SRCCOPY);
  } else {
    BitBlt(c.Handle(), 0, 0, picture_.Width(), picture_.Height(), picture_.Canvas().Handle(), 0, 0, SRCCOPY);
  }
}

LRESULT TImage::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETCURSOR && Cursor && TScreen::ShowOwnCursor(lp, Cursor)) return TRUE;
  return TCustomControl::WndProc(msg, wp, lp);
}
