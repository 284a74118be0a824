#include "spare_controls/NewButton.h"
#include "framework/Form.h"

namespace {
// One drag-look flag for all rounded buttons, one for all check boxes.
bool g_buttonDragLook = false;
bool g_checkDragLook = false;

void Frame(TCanvas& c, int l, int t, int r, int b, TColor color) {
  c.BrushStyle = bsSolid;
  c.BrushColor = color;
  c.FrameRect(RECT{l, t, r, b});
}
}  // namespace

// ---- TNewButton

TNewButton::TNewButton(TWinControl* parent) : TCustomControl(parent) {
  width_ = 75;
  height_ = 25;
  TabStop = true;
}

TNewButton::~TNewButton() {
  if (lookOverride_ >= 0) g_buttonDragLook = false;
}

void TNewButton::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TNewButton";
}

void TNewButton::CreateWnd() {
  TCustomControl::CreateWnd();
  if (HandleAllocated() && TextW().empty() && !Name.empty()) SetText(Name);
}

void TNewButton::BuildMask() { mask_ = spare::QuarterMask(buttonStyle_, width_, height_, roundSize_, false); }

void TNewButton::Loaded() {
  loaded_ = true;
  BuildMask();
}

void TNewButton::Resize() {
  if (loaded_) BuildMask();
  TCustomControl::Resize();
}

void TNewButton::SetButtonStyle(BTNSTYLE s) {
  buttonStyle_ = s;
  if (loaded_) BuildMask();
  Invalidate();
}

void TNewButton::SetRoundSize(int v) {
  roundSize_ = v;
  if (loaded_) BuildMask();
  Invalidate();
}

void TNewButton::SetBtnColor(TColor c) {
  colorButton_ = c;
  Invalidate();
}

void TNewButton::SetCaptionAlign(ALIGN a) {
  captionAlign_ = a;
  captionTop_ = -1;
  Invalidate();
}

void TNewButton::SetCaptionLeft(int v) {
  captionLeft_ = (v > 0 && v < width_) ? v : -1;
  Invalidate();
}

void TNewButton::SetCaptionTop(int v) {
  captionTop_ = (v > 0 && v < height_) ? v : -1;
  Invalidate();
}

void TNewButton::SetText(const std::string& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TNewButton::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  Invalidate();
}

int TNewButton::TextPosition() { return spare::TextPosition(captionAlign_, height_, Font().Height()); }

// ---- input

void TNewButton::UpPrg() {
  pressed_ = false;
  Repaint();
}

void TNewButton::Click() {
  if (!clickArmed_) return;
  clickArmed_ = false;
  if (TForm* f = ParentForm()) f->SetModalResult(ModalResult);
  if (OnClick) OnClick(this);
}

void TNewButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    pressAccepted_ = false;
    clickArmed_ = false;
  }
  if (!OnButton(x, y)) return;
  if (button == mbLeft && !pressed_) {
    pressed_ = true;
    pressAccepted_ = true;
    if (CanFocus()) SetFocus();
    if (HandleAllocated()) SetCapture(Handle());
    Repaint();
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TNewButton::MouseMove(TShiftState shift, int x, int y) {
  if (shift & ssLeft) {
    bool on = x > 0 && x < width_ && y > 0 && y < height_ && OnButton(x, y);
    if (on && !g_buttonDragLook) {
      lookOverride_ = 1;
      Repaint();
      lookOverride_ = -1;
      g_buttonDragLook = true;
    } else if (!on && g_buttonDragLook) {
      lookOverride_ = 0;
      Repaint();
      lookOverride_ = -1;
      g_buttonDragLook = false;
    }
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TNewButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
    clickArmed_ = pressAccepted_;
    pressAccepted_ = false;
  }
  if (!OnButton(x, y)) {
    if (button == mbLeft && pressed_) UpPrg();
    return;
  }
  if (button == mbLeft) UpPrg();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TNewButton::KeyDown(WORD& key, TShiftState shift) {
  if (((key == VK_RETURN && Default) || (key == VK_ESCAPE && Cancel)) && !pressed_) {
    pressed_ = true;
    Repaint();
  }
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TNewButton::KeyUp(WORD& key, TShiftState shift) {
  if ((key == VK_RETURN && Default) || (key == VK_ESCAPE && Cancel)) {
    UpPrg();
    if (OnClick) OnClick(this);
  }
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TNewButton::DoEnter() {
  Invalidate();
  TCustomControl::DoEnter();
}

void TNewButton::DoExit() {
  Invalidate();
  TCustomControl::DoExit();
}

// ---- painting

void TNewButton::Paint() { Render(lookOverride_ >= 0 ? lookOverride_ == 1 : pressed_); }

void TNewButton::Render(bool downLook) {
  const int W = width_, H = height_;
  if (W <= 0 || H <= 0) return;
  TBitmap bmp(W, H);
  TCanvas& c = bmp.Canvas();
  c.Font = Font();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, W, H});
  if (downLook) {
    if (buttonStyle_ == btEllipse) EllipseButtonDown(c);
    else if (buttonStyle_ == btRound) RoundButtonDown(c);
    CaptionPaint(c, 1, 1);
  } else {
    int f = HandleAllocated() && GetFocus() == hwnd_ ? 1 : 0;
    if (buttonStyle_ == btEllipse) EllipseButtonUp(c, f);
    else if (buttonStyle_ == btRound) RoundButtonUp(c, f);
    CaptionPaint(c, 0, 0);
  }
  BitBlt(Canvas().Handle(), 0, 0, W, H, c.Handle(), 0, 0, SRCCOPY);
}

void TNewButton::EllipseButtonUp(TCanvas& c, int f) {
  const int W = width_, H = height_;
  int x3 = W < H ? (H - W) / 3 : 0, y3 = H < W ? H - (W - H) / 5 : H;
  int x4 = W < H ? W - (H - W) / 5 : W, y4 = H < W ? (W - H) / 4 : 0;
  c.BrushStyle = bsClear;
  c.PenColor = clWhite;
  c.PenWidth = 2;
  c.Ellipse(f + 1, f + 1, W - f - 1, H - f - 1);
  c.PenColor = clGray;
  spare::Arc(c, f + 1, f + 1, W - f - 1, H - f - 1, x3, y3, x4, y4);
  c.PenColor = clBlack;
  c.PenWidth = 1;
  spare::Arc(c, f, f, W - f, H - f, x3, y3, x4, y4);
  if (f) {
    spare::Arc(c, 0, 0, W, H - 1, x3, y3, x4, y4);
    spare::Arc(c, 0, 0, W - 1, H, x3, y3, x4, y4);
    c.Ellipse(0, 0, W, H);
  }
  c.BrushStyle = bsSolid;
  c.PenColor = colorButton_;
  c.BrushColor = colorButton_;
  c.Ellipse(f + 2, f + 2, W - f - 2, H - f - 2);
}

void TNewButton::EllipseButtonDown(TCanvas& c) {
  const int W = width_, H = height_;
  c.BrushStyle = bsClear;
  c.PenColor = clGray;
  c.PenWidth = 2;
  c.Ellipse(1, 1, W - 1, H - 1);
  c.PenColor = clBlack;
  c.PenWidth = 1;
  c.Ellipse(0, 0, W, H);
  c.BrushStyle = bsSolid;
  c.PenColor = colorButton_;
  c.BrushColor = colorButton_;
  c.Ellipse(2, 2, W - 2, H - 2);
}

void TNewButton::RoundButtonUp(TCanvas& c, int f) {
  const int W = width_, H = height_, R = roundSize_;
  c.BrushStyle = bsClear;
  c.PenColor = clGray;
  c.PenWidth = 2;
  c.RoundRect(f + 2, f + 1, W - f - 1, H - f - 1, R, R);
  c.PenColor = clBlack;
  c.PenWidth = 1;
  c.RoundRect(1, 1, W - f, H - f, R, R);
  c.PenColor = clWhite;
  c.RoundRect(f, f, W - f - 2, H - f - 2, R, R);
  c.PenWidth = 2;
  c.RoundRect(f + 1, f + 1, W - f - 3, H - f - 3, R, R);
  c.BrushStyle = bsSolid;
  c.PenWidth = 1;
  c.PenColor = colorButton_;
  c.BrushColor = colorButton_;
  c.RoundRect(f + 2, f + 2, W - f - 2, H - f - 2, R, R);
  if (f) {
    c.PenColor = clBlack;
    c.BrushStyle = bsClear;
    c.RoundRect(0, 0, W, H, R + 1, R + 1);
  }
}

void TNewButton::RoundButtonDown(TCanvas& c) {
  const int W = width_, H = height_, R = roundSize_;
  c.BrushStyle = bsClear;
  c.PenColor = clGray;
  c.PenWidth = 2;
  c.RoundRect(1, 1, W - 2, H - 2, R, R);
  c.PenColor = clBlack;
  c.PenWidth = 1;
  c.RoundRect(0, 0, W - 1, H - 1, R + 4, R + 4);
  c.BrushStyle = bsSolid;
  c.PenColor = colorButton_;
  c.BrushColor = colorButton_;
  c.RoundRect(2, 2, W - 3, H - 3, R, R);
}

void TNewButton::CaptionPaint(TCanvas& c, int dx, int dy) {
  std::string caption = Text();
  c.BrushStyle = bsClear;
  c.Font = Font();
  int x = captionLeft_ == -1 ? width_ / 2 - spare::TextWidth(c, caption) / 2 : captionLeft_;
  int y = captionTop_ == -1 ? TextPosition() : captionTop_;
  TColor color = Font().Color();
  if (!Enabled()) {
    spare::TextAt(c, x + dx + 1, y + dy + 1, caption, clWhite);
    color = clGray;
  }
  spare::TextAt(c, x + dx, y + dy, caption, color);
}

// ---- TNewCheckBox

TNewCheckBox::TNewCheckBox(TWinControl* parent) : TCustomControl(parent) {
  width_ = 117;
  height_ = 17;
  TabStop = true;
}

void TNewCheckBox::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TNewCheckBox";
}

void TNewCheckBox::CreateWnd() {
  TCustomControl::CreateWnd();
  if (HandleAllocated() && TextW().empty() && !Name.empty()) SetText(Name);
}

void TNewCheckBox::SetText(const std::string& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TNewCheckBox::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  Repaint();
}

void TNewCheckBox::SetChecked(bool v) {
  checked_ = v;
  Repaint();
}

void TNewCheckBox::SetAlignment(TLEFTRIGHT a) {
  alignment_ = a;
  Repaint();
}

void TNewCheckBox::SetBoxStyle(TCheckBoxStyle s) {
  boxStyle_ = s;
  Repaint();
}

void TNewCheckBox::SetBoxWidth(int v) {
  boxWidth_ = v < 14 ? 14 : v;
  Invalidate();
}

void TNewCheckBox::SetRoundSize(int v) {
  roundSize_ = v > 16 ? 16 : v;
  Invalidate();
}

void TNewCheckBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    pressed_ = true;
    checked_ = !checked_;
    if (CanFocus()) SetFocus();
    Repaint();
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TNewCheckBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    pressed_ = false;
    Repaint();
    if (OnClick) OnClick(this);
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TNewCheckBox::MouseMove(TShiftState shift, int x, int y) {
  if (shift & ssLeft) {
    bool inside = x > 0 && x < width_ && y > 0 && y < height_;
    if (inside && !g_checkDragLook) {
      pressed_ = true;
      Repaint();
      g_checkDragLook = true;
    } else if (!inside && g_checkDragLook) {
      pressed_ = false;
      Repaint();
      g_checkDragLook = false;
    }
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TNewCheckBox::DoEnter() {
  Repaint();
  TCustomControl::DoEnter();
}

void TNewCheckBox::DoExit() {
  Repaint();
  TCustomControl::DoExit();
}

void TNewCheckBox::Paint() {
  const int W = width_, H = height_;
  if (W <= 0 || H <= 0) return;
  TCanvas& c = Canvas();
  c.Font = Font();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, W, H});
  if (PaintType == btGradetion) DrawGradetion(c, 0, W - 1);
  int boxH = H - 3 > 0 ? H - 3 : 0;
  if (boxWidth_ > 0 && boxH > 0) {
    TBitmap box(boxWidth_, boxH);
    box.Canvas().BrushColor = color_;
    box.Canvas().FillRect(RECT{0, 0, boxWidth_, boxH});
    if (boxStyle_ == stCheckBox) CheckBoxPaint(box.Canvas());
    else OnOffBoxPaint(box.Canvas());
    int x = alignment_ == taRightJustify ? 0 : W - boxWidth_;
    int y = (H + 1) / 2 - boxH / 2;
    BitBlt(c.Handle(), x, y, boxWidth_, boxH, box.Canvas().Handle(), 0, 0, SRCCOPY);
  }
  CaptionPaint(c);
}

void TNewCheckBox::CheckBoxPaint(TCanvas& c) {
  const int h = height_, BW = boxWidth_, R = roundSize_;
  c.PenWidth = 1;
  c.PenColor = clWhite;
  c.BrushStyle = bsClear;
  c.RoundRect(0, 0, BW, h - 4, R, R);
  TColor mark;
  if (Enabled()) {
    c.BrushStyle = bsSolid;
    c.PenColor = clGray;
    c.BrushColor = clGray;
    c.RoundRect(0, 0, BW - 1, h - 5, R, R);
    c.PenColor = clBlack;
    c.BrushStyle = bsClear;
    c.RoundRect(1, 1, BW - 2, h - 6, R, R);
    c.BrushStyle = bsSolid;
    c.PenColor = clBtnFace;
    c.BrushColor = clBtnFace;
    c.RoundRect(2, 2, BW - 1, h - 5, R, R);
    c.PenColor = pressed_ ? clBtnFace : ColorBox;
    c.BrushColor = c.PenColor;
    c.RoundRect(2, 2, BW - 2, h - 6, R, R);
    mark = ColorCheck;
  } else {
    c.PenColor = clWhite;
    c.BrushStyle = bsClear;
    c.RoundRect(1, 1, BW, h - 4, R, R);
    c.PenColor = clGray;
    c.RoundRect(0, 0, BW - 1, h - 5, R, R);
    mark = clGray;
  }
  if (!checked_) return;
  int cx = BW / 2, cy = h / 2;
  if (!ChkLine) {
    c.BrushStyle = bsSolid;
    c.PenColor = ColorCheck;
    c.BrushColor = ColorCheck;
    c.RoundRect(cx - 3, cy - 4, cx + 3, cy + 1, 3, 3);
  } else {
    c.PenColor = mark;
    for (int k = 0; k < 3; ++k)
      spare::Polyline(c, {{cx - 4, h - 11 + k}, {cx - 2, h - 9 + k}, {cx + 4, h - 15 + k}});
  }
}

void TNewCheckBox::OnOffBoxPaint(TCanvas& c) {
  const int h = height_, BW = boxWidth_;
  if (Enabled()) {
    bool dark = pressed_ || checked_;
    Frame(c, 0, 0, BW, h - 4, clBlack);
    Frame(c, 1, 1, BW - 1, h - 5, dark ? EnabledDarkColor : EnabledLightColor);
    Frame(c, 2, 2, BW - 1, h - 5, dark ? EnabledLightColor : EnabledDarkColor);
  } else {
    Frame(c, 1, 1, BW, h - 4, EnabledLightColor);
    Frame(c, 0, 0, BW - 1, h - 5, EnabledDarkColor);
  }
  c.BrushStyle = bsSolid;
  c.BrushColor = pressed_ ? ColorBox : checked_ ? ColorCheck : ColorBox;
  c.FillRect(RECT{2, 2, BW - 2, h - 6});
}

void TNewCheckBox::CaptionPaint(TCanvas& c) {
  std::string caption = Text();
  const int H = height_;
  c.Font = Font();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  int fh = Font().Height();
  int x = alignment_ == taRightJustify ? boxWidth_ + 4 : 2;
  int y = H / 2 + fh / 2;
  TColor color;
  if (Enabled()) {
    if (ShadowX != 0 || ShadowY != 0)
      spare::TextAt(c, x + ShadowX, y + ShadowY, caption, checked_ ? ShadowCheckColor : ShadowColor);
    color = checked_ ? ChkFontColor : Font().Color();
  } else {
    spare::TextAt(c, x + 1, y + 1, caption, EnabledLightColor);
    color = EnabledDarkColor;
  }
  c.BrushStyle = bsClear;
  spare::TextAt(c, x, y, caption, color);
  if (HandleAllocated() && GetFocus() == hwnd_) {
    int tw = spare::TextWidth(c, caption);
    int y1 = y - 1 < 0 ? 0 : y - 1;
    int y2 = y - fh > H - 1 ? H - 1 : y - fh;
    for (int i = 0; i <= tw / 2 + 1; ++i) {
      c.SetPixel(x - 2 + 2 * i, y1, clBlack);
      c.SetPixel(x - 2 + 2 * i, y2, clBlack);
    }
    for (int row = y1; row <= y2 + 1; row += 2) {
      c.SetPixel(x - 2, row, clBlack);
      c.SetPixel(x + tw + 1, row, clBlack);
    }
  }
}

void TNewCheckBox::DrawGradetion(TCanvas& c, int x1, int x2) {
  const int H = height_;
  spare::GradientRamp ramp(ColorGradetion, {64}, H);
  int n = H > 1 ? H : 1;
  c.PenWidth = 1;
  for (int i = 0; i < n; ++i) {
    c.PenColor = ramp.Color();
    c.MoveTo(x1, H - i);
    c.LineTo(x2, H - i);
    ramp.Advance();
  }
}
