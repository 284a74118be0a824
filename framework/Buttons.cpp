#include "framework/Buttons.h"
#include <algorithm>

TSpeedButton::TSpeedButton(TWinControl* parent) : TCustomControl(parent) {
  width_ = 23;
  height_ = 22;
}

void TSpeedButton::CreateParams(TCreateParams& p) {
  p.ClassName = L"TSpeedButton";
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
}

void TSpeedButton::SetTextW(const std::wstring& t) {
  TWinControl::SetTextW(t);
  Invalidate();
}

void TSpeedButton::SetImages(TImageList* list) {
  images_ = list;
  Invalidate();
}

void TSpeedButton::SetImageIndex(int i) {
  if (i == imageIndex_) return;
  imageIndex_ = i;
  Invalidate();
}

void TSpeedButton::SetDown(bool v) {
  if (GroupIndex == 0) v = false;
  if (v == down_) return;
  if (down_ && !AllowAllUp) return;  // a group always keeps one button down
  down_ = v;
  if (down_) UpdateGroup();
  Invalidate();
}

void TSpeedButton::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetEnabled(bool v) {
  TWinControl::SetEnabled(v);
  if (!v) pressed_ = hot_ = false;
  Invalidate();
}

void TSpeedButton::UpdateGroup() {
  if (GroupIndex == 0 || !parent_) return;
  for (TWinControl* c : parent_->Controls()) {
    auto* b = dynamic_cast<TSpeedButton*>(c);
    if (b && b != this && b->GroupIndex == GroupIndex && b->down_) {
      b->down_ = false;
      b->Invalidate();
    }
  }
}

void TSpeedButton::Click() {
  if (GroupIndex != 0) {
    if (!down_) {
      down_ = true;
      UpdateGroup();
    } else if (AllowAllUp) {
      down_ = false;
    }
    Invalidate();
  }
  TWinControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && enabled_) {
    pressed_ = true;
    dragging_ = true;
    if (hwnd_) SetCapture(hwnd_);
    Repaint();
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  if (hwnd_ && !hot_) {
    hot_ = true;
    TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, hwnd_, 0};
    TrackMouseEvent(&t);
    Invalidate();
  }
  if (dragging_) {
    bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
  TWinControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && dragging_) {
    dragging_ = false;
    pressed_ = false;
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
    Invalidate();
  }
  // The base runs Click() after this when the release is over the button.
  TWinControl::MouseUp(button, shift, x, y);
}

LRESULT TSpeedButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // A quick second press is a press like the first (a step button steps on
  // each), not a double click.
  if (msg == WM_LBUTTONDBLCLK) msg = WM_LBUTTONDOWN;
  switch (msg) {
    case WM_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(lp) != hwnd_) {
        dragging_ = false;
        pressed_ = false;
        Invalidate();
      }
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wp, lp);
}

void TSpeedButton::Paint() {
  TCanvas& c = Canvas();
  int w = ClientWidth(), h = ClientHeight();
  RECT r = {0, 0, w, h};
  bool sunken = pressed_ || down_;
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(r);
  if (down_ && !pressed_) {
    // A latched button: a lighter face.
    COLORREF face = ColorToRGB(color_), light = ColorToRGB(clBtnHighlight);
    c.BrushColor = RGB((GetRValue(face) + GetRValue(light)) / 2, (GetGValue(face) + GetGValue(light)) / 2,
                       (GetBValue(face) + GetBValue(light)) / 2);
    c.FillRect(RECT{1, 1, w - 1, h - 1});
  }
  if (sunken || !flat_ || (hot_ && enabled_)) {
    UINT edge = sunken ? (flat_ ? BDR_SUNKENOUTER : EDGE_SUNKEN) : (flat_ ? BDR_RAISEDINNER : EDGE_RAISED);
    DrawEdge(c.Handle(), &r, edge, BF_RECT);
  }
  int off = sunken ? 1 : 0;
  std::wstring caption = TextW();
  int gw = 0, gh = 0;
  bool fromList = images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count();
  if (fromList) {
    gw = images_->Width();
    gh = images_->Height();
  } else if (glyph_.Width() > 0 && glyph_.Height() > 0) {
    gw = glyph_.Width();
    gh = glyph_.Height();
  }
  int tw = 0, th = 0;
  if (!caption.empty()) {
    SIZE s = c.TextExtent(caption);
    tw = s.cx;
    th = s.cy;
  }
  int spacing = gw > 0 && tw > 0 ? 4 : 0;
  int x = (w - gw - spacing - tw) / 2 + off;
  if (gw > 0) {
    int y = (h - gh) / 2 + off;
    if (fromList) {
      images_->Draw(c.Handle(), x, y, imageIndex_, enabled_);
    } else {
      // The bottom-left pixel's colour is transparent.
      COLORREF clear = glyph_.PixelRGB(0, gh - 1);
      for (int py = 0; py < gh; ++py) {
        for (int px = 0; px < gw; ++px) {
          COLORREF v = glyph_.PixelRGB(px, py);
          if (v == clear) continue;
          if (!enabled_) {
            int grey = (GetRValue(v) + GetGValue(v) + GetBValue(v)) / 3;
            grey = 128 + grey / 2;
            v = RGB(grey, grey, grey);
          }
          SetPixelV(c.Handle(), x + px, y + py, v);
        }
      }
    }
    x += gw + spacing;
  }
  if (tw > 0) {
    RECT tr = {x, (h - th) / 2 + off, x + tw, (h - th) / 2 + off + th};
    c.Font.SetColor(enabled_ ? font_.Color() : clGrayText);
    c.TextRect(tr, caption, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
  }
}
