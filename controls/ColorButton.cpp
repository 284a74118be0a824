#include "controls/ColorButton.h"
#include <windowsx.h>
#include "framework/Cursor.h"
#include "framework/Form.h"

namespace {
// Whether a left-button drag currently shows a button pressed; one flag for all
// colour buttons (only one button can be dragged over at a time).
bool g_dragLook = false;
}  // namespace

TColorButton::TColorButton(TWinControl* parent) : TCustomControl(parent) {
  width_ = 75;
  height_ = 25;
  TabStop = true;
}

TColorButton::~TColorButton() {
  if (glyph_) DestroyIcon(glyph_);
}

void TColorButton::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TColorButton";
}

void TColorButton::CreateWnd() {
  TCustomControl::CreateWnd();
  if (HandleAllocated() && TextW().empty() && !Name.empty()) SetText(Name);
}

// ---- properties

void TColorButton::SetGlyph(HICON icon) {
  if (glyph_) DestroyIcon(glyph_);
  glyph_ = icon ? CopyIcon(icon) : nullptr;
  Invalidate();
}

void TColorButton::SetCaptionAlign(ALIGN a) {
  captionAlign_ = a;
  captionTop_ = -1;
  Invalidate();
}

void TColorButton::SetCaptionLeft(int v) {
  captionLeft_ = (v > 0 && v < width_) ? v : -1;
  Invalidate();
}

void TColorButton::SetCaptionTop(int v) {
  captionTop_ = (v > 0 && v < height_) ? v : -1;
  Invalidate();
}

void TColorButton::SetText(const std::string& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TColorButton::SetTextW(const std::wstring& text) {
  TCustomControl::SetTextW(text);
  Invalidate();
}

void TColorButton::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  Invalidate();
}

void TColorButton::SetDefault(bool v) {
  default_ = v;
  Invalidate();
}

void TColorButton::SetLineAlfLevel(int v) {
  lineAlfLevel_ = v;
  Invalidate();
}

void TColorButton::SetIndent(int v) {
  indent_ = v;
  Invalidate();
}

void TColorButton::SetIconSize(int v) {
  iconSize_ = v;
  Invalidate();
}

int TColorButton::GetAlphaColor(int a, int b, int level) {
  return static_cast<int>(ctlpaint::AlphaColor(static_cast<TColor>(a), static_cast<TColor>(b), level));
}

int TColorButton::TextPosition() {
  const int H = height_;
  int q = H / 4, f = Font().Height() / 2;
  switch (captionAlign_) {
    case psTop: return q + f;
    case psBottom: return 3 * q + f;
    case psCenter:
    default: return H / 2 + f;
  }
}

// ---- clicks and keys

void TColorButton::Click() {
  if (OnClick) OnClick(this);
  if (TForm* f = ParentForm()) f->SetModalResult(ModalResult);
}

bool TColorButton::DialogKey(WORD key) {
  if (!Enabled() || !Visible()) return false;
  if ((key == VK_RETURN && default_) || (key == VK_ESCAPE && Cancel)) {
    Click();
    return true;
  }
  return false;
}

void TColorButton::KeyDown(WORD& key, TShiftState shift) {
  if (((default_ || Focused()) && key == VK_RETURN) || (Cancel && key == VK_ESCAPE)) {
    if (!pressed_) {
      pressed_ = true;
      Invalidate();
    }
    Click();
  }
  TCustomControl::KeyDown(key, shift);  // OnKeyDown
}

void TColorButton::KeyUp(WORD& key, TShiftState shift) { TCustomControl::KeyUp(key, shift); }

void TColorButton::UpPrg() {
  pressed_ = false;
  Invalidate();
}

void TColorButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    leftDownInside_ = true;
    if (HandleAllocated()) SetCapture(hwnd_);
    if (!pressed_) {
      pressed_ = true;
      if (CanFocus()) SetFocus();
      Invalidate();
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);  // OnMouseDown
}

void TColorButton::MouseMove(TShiftState shift, int x, int y) {
  if (shift & ssLeft) {
    bool inside = 0 < x && x < width_ && 0 < y && y < height_;
    if (inside && !g_dragLook) {
      PaintNow(true);
      g_dragLook = true;
    } else if (!inside && g_dragLook) {
      PaintNow(false);
      g_dragLook = false;
    }
  }
  TCustomControl::MouseMove(shift, x, y);  // OnMouseMove
}

void TColorButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) UpPrg();
  TCustomControl::MouseUp(button, shift, x, y);  // OnMouseUp
}

void TColorButton::DoEnter() {
  Invalidate();
  TCustomControl::DoEnter();
}

void TColorButton::DoExit() {
  Invalidate();
  TCustomControl::DoExit();
}

LRESULT TColorButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONUP: {
      // The click of a release inside comes before MouseUp (the pressed face is
      // still set while OnClick runs); a release outside does not click.
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (GetCapture() == hwnd_) ReleaseCapture();
      bool click = leftDownInside_ && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
      leftDownInside_ = false;
      g_dragLook = false;
      if (click) Click();
      if (hwnd_) MouseUp(mbLeft, MouseShiftState(wp), x, y);
      return 0;
    }
    case WM_SETCURSOR:
      // The screen cursor (hourglass during long work) wins; the base shows it.
      if (TScreen::ShowOwnCursor(lp, Cursor)) return TRUE;
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wp, lp);
}

// ---- painting

void TColorButton::RoundButtonUp(TCanvas& c, int k, int W, int H) {
  auto line3 = [&](TColor col, int x0, int y0, int x1, int y1, int x2, int y2) {
    c.PenColor = col;
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    c.LineTo(x2, y2);
  };
  c.PenWidth = 1;
  c.PenStyle = psSolid;
  c.BrushStyle = bsClear;
  c.PenColor = clGray;
  c.Rectangle(k + 2, k + 1, W - k - 1, H - k - 1);
  line3(clBlack, 1, H - 2, W - 2, H - 2, W - 2, 1);
  if (!default_) {
    c.PenColor = clWhite;
    c.Rectangle(k, k, W - k - 2, H - k - 2);
  }
  c.PenColor = Color();
  c.BrushColor = Color();
  c.BrushStyle = bsSolid;
  c.Rectangle(k + 1, k + 1, W - k - 2, H - k - 2);
  TColor shade = static_cast<TColor>(GetAlphaColor(static_cast<int>(Color()), clBlack, 200));
  if (default_) {
    c.BrushColor = clBlack;
    c.FrameRect(RECT{0, 0, W - 1, H - 1});
    line3(shade, 2, H - 3, W - 3, H - 3, W - 3, 2);
    line3(clWhite, W - 3, 1, 1, 1, 1, H - 3);
  } else {
    line3(shade, 2, H - 3, W - 3, H - 3, W - 3, 2);
    TColor light = static_cast<TColor>(GetAlphaColor(static_cast<int>(Color()), clBlack, lineAlfLevel_));
    line3(light, W - k - 3, k + 1, k + 1, k + 1, k + 1, H - k - 3);
  }
  if (default_ || Focused()) {
    c.PenColor = clBlack;
    c.BrushStyle = bsClear;
    c.Rectangle(0, 0, W, H);
  }
}

void TColorButton::RoundButtonDown(TCanvas& c, int W, int H) {
  c.PenStyle = psSolid;
  c.PenWidth = 2;
  c.BrushStyle = bsClear;
  c.PenColor = clBlack;
  c.Rectangle(0, 0, W - 1, H - 1);
  c.PenColor = clGray;
  c.Rectangle(2, 2, W - 2, H - 2);
  c.PenColor = Color();
  c.BrushColor = Color();
  c.BrushStyle = bsSolid;
  c.Rectangle(3, 3, W - 2, H - 2);
  c.PenWidth = 1;
}

void TColorButton::CaptionPaint(TCanvas& c, int dx, int dy, int W, int H) {
  c.BrushStyle = bsClear;
  c.Font = Font();
  std::wstring caption = TextW();
  int w = W, x = 0;
  if (glyph_) {
    x = iconSize_ + indent_ + 3;
    w = W - x;
  }
  if (captionLeft_ == -1) {
    x = x + w / 2 - c.TextWidth(caption) / 2;
  } else {
    x = x + captionLeft_;
  }
  int y = captionTop_ != -1 ? captionTop_ : TextPosition();
  if (!Enabled()) {
    c.Font.SetColor(clWhite);
    c.TextOut(x + dx + 1, y + dy + 1, caption);
    c.Font.SetColor(clGray);
  }
  if (glyph_) {
    int s = H - 8;
    DrawIconEx(c.Handle(), 3, H / 2 - s / 2, glyph_, s, s, 0, nullptr, DI_NORMAL);
  }
  c.TextOut(x + dx, y + dy, caption);
  if (Focused()) {
    for (int px = 3; px < W - 5; px += 2) {
      c.SetPixel(px, 3, clBlack);
      c.SetPixel(px, H - 5, clBlack);
    }
    for (int py = 3; py < H - 5; py += 2) {
      c.SetPixel(3, py, clBlack);
      c.SetPixel(W - 5, py, clBlack);
    }
  }
}

void TColorButton::Render(TBitmap& bmp, bool down) {
  const int W = HandleAllocated() ? ClientWidth() : width_;
  const int H = HandleAllocated() ? ClientHeight() : height_;
  bmp.SetSize(W, H);
  if (bmp.Width() == 0) return;
  TCanvas& c = bmp.Canvas();
  c.BrushStyle = bsSolid;
  c.BrushColor = Color();
  c.FillRect(RECT{0, 0, W, H});
  if (down) {
    RoundButtonDown(c, W, H);
    CaptionPaint(c, 1, 1, W, H);
  } else {
    RoundButtonUp(c, Focused() ? 1 : 0, W, H);
    CaptionPaint(c, 0, 0, W, H);
  }
}

void TColorButton::Paint() {
  TBitmap bmp;
  Render(bmp, pressed_);
  if (bmp.Width() > 0) Canvas().Draw(0, 0, bmp.Canvas().Handle(), bmp.Width(), bmp.Height());
}

void TColorButton::PaintNow(bool down) {
  if (!HandleAllocated()) return;
  TBitmap bmp;
  Render(bmp, down);
  if (bmp.Width() == 0) return;
  HDC dc = GetDC(hwnd_);
  if (!dc) return;
  BitBlt(dc, 0, 0, bmp.Width(), bmp.Height(), bmp.Canvas().Handle(), 0, 0, SRCCOPY);
  ReleaseDC(hwnd_, dc);
}
