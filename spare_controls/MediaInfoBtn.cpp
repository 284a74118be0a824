#include "spare_controls/MediaInfoBtn.h"
#include "framework/Cp932.h"

namespace {
// Whether a left-button drag currently shows a media-info button pressed; one
// flag for all of them.
bool g_dragLook = false;
const COLORREF kRed = 0x0000FF;  // the marker colour of the face fill
}  // namespace

TMediaInfoBtn::TMediaInfoBtn(TWinControl* parent) : TCustomControl(parent) {
  width_ = 75;
  height_ = 25;
  BuildMask();
}

TMediaInfoBtn::~TMediaInfoBtn() = default;

void TMediaInfoBtn::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TMediaInfoBtn";
}

void TMediaInfoBtn::BuildMask() { mask_ = spare::QuarterMask(buttonStyle_, width_, height_, roundSize_, true); }

void TMediaInfoBtn::Resize() {
  BuildMask();
  TCustomControl::Resize();
}

void TMediaInfoBtn::Loaded() {
  firstSet_ = true;
  Resize();
}

// ---- setters

void TMediaInfoBtn::SetButtonStyle(BTNSTYLE s) {
  buttonStyle_ = s;
  BuildMask();
  Invalidate();
}

void TMediaInfoBtn::SetRoundSize(int v) {
  roundSize_ = v;
  BuildMask();
  Invalidate();
}

void TMediaInfoBtn::SetText(const std::string& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TMediaInfoBtn::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  Invalidate();
}

void TMediaInfoBtn::SetAlfhaLebel(int v) {
  alfhaLebel_ = v;
  if (!AlfhaFrg) return;
  if (v < 256) Repaint();
  else Invalidate();
}

void TMediaInfoBtn::FreeImageOrKeepHandle() { glyph_.SetSize(0, 0); }

void TMediaInfoBtn::SetGlyph(const TBitmap* picture) {
  if (!picture || picture->Width() == 0 || picture->Height() == 0) {
    if (glyph_.Width() > 0) FreeImageOrKeepHandle();
    Invalidate();
    return;
  }
  int w = width_ - 13;
  if (GlyphWidth > 0) {
    int limit = GlyphWidth * (height_ - 10) / 100;
    if (limit < w) w = limit;
  }
  int h = height_ - 13;
  if (w <= 0 || h <= 0) {  // a button too small for a picture holds none
    FreeImageOrKeepHandle();
    return;
  }
  glyph_.SetSize(w, h);
  HDC dst = glyph_.Canvas().Handle();
  SetStretchBltMode(dst, COLORONCOLOR);
  StretchBlt(dst, 0, 0, w, h, const_cast<TBitmap*>(picture)->Canvas().Handle(), 0, 0, picture->Width(),
             picture->Height(), SRCCOPY);
}

void TMediaInfoBtn::SetDown(bool v) {
  bool wasFirst = firstSet_;
  down_ = spare::MediaSetDown(down_, firstSet_, v, GroupIndex, AllowAllUp);
  if (wasFirst) firstSet_ = false;
  else if (GroupIndex != 0) pressed_ = false;
  paintedDown_ = down_;
  CheckControls();
  Invalidate();
}

// ---- helpers for users of the control

TColor TMediaInfoBtn::GetLightColor(TColor c) {
  // A system colour counts as a negative value, below 30.
  if (static_cast<int32_t>(c) < 30) return clWhite;
  int inc = (c == 0x00FF00 || c == 0x00FFFF || c == 0xFFFF00) ? 200 : 130;
  auto up = [inc](int ch) { return ch + inc > 255 ? 255 : ch + inc; };
  return ctlpaint::Pack(up(ctlpaint::RedOf(c)), up(ctlpaint::GreenOf(c)), up(ctlpaint::BlueOf(c)));
}

int TMediaInfoBtn::ParentBtnCount() {
  int n = 0;
  if (!Parent()) return 0;
  for (TWinControl* c : Parent()->Controls())
    if (spare::WindowClassIs(c, L"TSwitchButtonG")) ++n;
  return n;
}

int TMediaInfoBtn::CanvasTextWidth(const std::string& s) {
  TBitmap b(1, 1);
  b.Canvas().Font = Font();
  return spare::TextWidth(b.Canvas(), s);
}

int TMediaInfoBtn::CanvasTextHeight(const std::string& s) {
  TBitmap b(1, 1);
  b.Canvas().Font = Font();
  return spare::TextHeight(b.Canvas(), s);
}

int TMediaInfoBtn::TextPosition() { return spare::TextPositionShift(CaptionAlign, height_, Font().Height()); }

// ---- text lines

std::vector<std::string> TMediaInfoBtn::CutText(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (lead && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    if (b == '\n') {
      out.push_back(text.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  if (start < text.size()) out.push_back(text.substr(start));
  if (out.empty()) out.push_back(std::string());
  return out;
}

std::string TMediaInfoBtn::FitLine(TCanvas& c, const std::string& line, int limit) {
  if (line.empty()) return line;
  std::wstring w = Cp932ToWide(line);
  if (limit <= 0) return std::string();
  // One measurement: how many characters stay below the limit.
  HGDIOBJ old = SelectObject(c.Handle(), c.Font.Handle());
  int fit = 0;
  SIZE sz{};
  GetTextExtentExPointW(c.Handle(), w.c_str(), static_cast<int>(w.size()), limit - 1, &fit, nullptr, &sz);
  SelectObject(c.Handle(), old);
  if (fit >= static_cast<int>(w.size())) return line;
  if (fit < 0) fit = 0;
  // Keep a surrogate pair whole.
  if (fit > 0 && w[fit - 1] >= 0xD800 && w[fit - 1] <= 0xDBFF) --fit;
  return WideToCp932(w.substr(0, fit));
}

void TMediaInfoBtn::DrowText(TCanvas& c, const std::vector<std::string>& lines, int x, int y) {
  int lh = spare::TextHeight(c, "TEXT");
  TColor color = c.Font.Color();
  for (const std::string& line : lines) {
    std::string shown = FitLine(c, line, width_ - TextLeft - 5);
    spare::TextAt(c, x, y, shown, color);
    y += lh + 1;
    if (y >= height_ - lh) break;
  }
}

// ---- fade

int TMediaInfoBtn::AlfhaChannel(int old, int c, int level) {
  if (level > 255) level = 255;
  if (level < 0) level = 0;
  int v = c + (((old - c) * (level + 1)) >> 8);
  return v < 0 ? 0 : v > 255 ? 255 : v;
}

void TMediaInfoBtn::SetAlfha(TBitmap& bmp) {
  GdiFlush();
  DWORD* bits = bmp.Bits();
  if (!bits) return;
  // The fade colour's bytes as stored (red the low byte), without resolving a system colour.
  int cr = static_cast<int>(AlfhaColor & 0xFF), cg = static_cast<int>((AlfhaColor >> 8) & 0xFF),
      cb = static_cast<int>((AlfhaColor >> 16) & 0xFF);
  for (int y = 7; y <= bmp.Height() - 7 && y < bmp.Height(); ++y) {
    for (int x = 7; x <= bmp.Width() - 7 && x < bmp.Width(); ++x) {
      DWORD& p = bits[static_cast<size_t>(y) * bmp.Width() + x];
      int r = AlfhaChannel(static_cast<int>((p >> 16) & 0xFF), cr, alfhaLebel_);
      int g = AlfhaChannel(static_cast<int>((p >> 8) & 0xFF), cg, alfhaLebel_);
      int b = AlfhaChannel(static_cast<int>(p & 0xFF), cb, alfhaLebel_);
      p = static_cast<DWORD>((r << 16) | (g << 8) | b);
    }
  }
}

// ---- groups

void TMediaInfoBtn::CheckControls() {
  if (pressed_ || !down_) return;
  auto peers = spare::GroupPeers(this, L"TMediaInfoBtn", GroupIndex, [](TMediaInfoBtn* b) { return b->GroupIndex; });
  for (TMediaInfoBtn* o : peers) {
    if (!o->down_) continue;
    o->pressed_ = false;
    o->down_ = false;
    o->paintedDown_ = false;
    o->DrawFrg = false;
    o->Repaint();
  }
}

void TMediaInfoBtn::UpPrg() {
  pressed_ = false;
  if (GroupIndex != 0 && down_ == paintedDown_) return;
  paintedDown_ = down_;
  CheckControls();
  Repaint();
}

// ---- mouse

void TMediaInfoBtn::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!OnButton(x, y)) return;
  if (button == mbLeft && !pressed_) {
    down_ = spare::MediaPressDown(down_, GroupIndex, AllowAllUp);
    pressed_ = true;
    if (HandleAllocated()) SetCapture(Handle());
    Repaint();
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TMediaInfoBtn::MouseMove(TShiftState shift, int x, int y) {
  if (shift & ssLeft) {
    bool on = x > 0 && x < width_ && y > 0 && y < height_ && OnButton(x, y) && !down_;
    if (on && !g_dragLook) {
      pressed_ = true;
      g_dragLook = true;
      Repaint();
    } else if (!on && g_dragLook) {
      pressed_ = false;
      Repaint();
      g_dragLook = false;
    }
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TMediaInfoBtn::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
  if (!OnButton(x, y)) {
    // Off the face: the press ends, the group is settled, no event.
    if (button == mbLeft && pressed_) {
      pressed_ = false;
      paintedDown_ = down_;
      CheckControls();
      Repaint();
    }
    return;
  }
  if (button == mbLeft) {
    pressed_ = false;
    CheckControls();
    if (down_ != paintedDown_ || GroupIndex == 0) {
      paintedDown_ = down_;
      Repaint();
    }
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (button == mbLeft && OnClick) OnClick(this);
}

// ---- painting

void TMediaInfoBtn::Paint() {
  if (width_ <= 0 || height_ <= 0) return;
  TBitmap bmp(width_, height_);
  BtnPaint(bmp);
  BitBlt(Canvas().Handle(), 0, 0, width_, height_, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

int TMediaInfoBtn::Geometry() const { return pressed_ ? 0 : (DownFrg && down_) ? 1 : 2; }

TColor TMediaInfoBtn::FaceColor() {
  if (!AllowAllUp) lastFace_ = (pressed_ || down_) ? ColorDown : ColorButton;
  else if (!pressed_) lastFace_ = down_ ? ColorDown : ColorButton;
  return lastFace_;
}

void TMediaInfoBtn::BtnPaint(TBitmap& bmp) {
  TCanvas& c = bmp.Canvas();
  c.Font = Font();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, width_, height_});
  TColor face = FaceColor();
  if (buttonStyle_ == btEllipse) EllipseButtonUp(bmp, face);
  else RoundButtonUp(bmp, face);
  int d = pressed_ ? 2 : (DownFrg && down_) ? 1 : 0;
  if (TextFrg && !DrawFrg) TextPaint(c, d, d);
  if (!(buttonStyle_ == btGraphic && (CaptionFrg || DrawFrg))) CaptionPaint(c, d, d);
  if (AlfhaFrg) SetAlfha(bmp);
}

void TMediaInfoBtn::EllipseButtonUp(TBitmap& bmp, TColor face) {
  TCanvas& c = bmp.Canvas();
  const int W = width_, H = height_;
  c.PenWidth = 1;
  if (!Enabled() || EnabledFalsePaint) {
    c.BrushStyle = bsClear;
    c.PenColor = clBlack;
    c.Ellipse(1, 1, W, H);
    c.PenColor = clGray;
  } else {
    c.BrushStyle = bsSolid;
    c.PenColor = clGray;
    c.BrushColor = clGray;
    c.Ellipse(0, 0, W, H);
    c.PenColor = BtnShadowColor;
    c.BrushColor = BtnShadowColor;
  }
  c.Ellipse(0, 0, W - 1, H - 1);
  EllipseDraw(bmp, face);
}

void TMediaInfoBtn::RoundButtonUp(TBitmap& bmp, TColor face) {
  TCanvas& c = bmp.Canvas();
  const int W = width_, H = height_, R = roundSize_;
  c.PenWidth = 1;
  if (!Enabled() || EnabledFalsePaint) {
    c.PenColor = clBlack;
    c.BrushStyle = bsClear;
    c.RoundRect(1, 1, W, H, R, R);
    c.PenColor = clGray;
    c.RoundRect(0, 0, W - 1, H - 1, R, R);
  } else {
    c.PenColor = BtnShadowColor;
    c.BrushColor = BtnShadowColor;
    c.BrushStyle = bsSolid;
    c.RoundRect(0, 0, W, H, R, R);
  }
  if (buttonStyle_ == btGraphic) GlyphOn(bmp);
  else if (R != 0) RoundDraw(bmp, face);
  else RectDraw(bmp, face);
}

// Rows from bottom up to top + 1: on each, every column from firstColumn on
// that still shows the red marker starts a line to its mirror column.
void TMediaInfoBtn::FillRedRows(TBitmap& bmp, TColor face, int firstColumn, int mirror, int top, int bottom) {
  spare::GradientRamp ramp(face, {84}, height_);
  GdiFlush();
  DWORD* bits = bmp.Bits();
  const int W = bmp.Width(), H = bmp.Height();
  const DWORD red = 0xFF0000;  // pure red in the bitmap's 0x00RRGGBB layout
  int rows = bottom - top;
  if (rows < 1) rows = 1;
  for (int k = 0; k < rows; ++k) {
    int y = bottom - k;
    if (y >= 0 && y < H && bits) {
      COLORREF col = ramp.Color();
      DWORD v = static_cast<DWORD>((ctlpaint::RedOf(col) << 16) | (ctlpaint::GreenOf(col) << 8) | ctlpaint::BlueOf(col));
      DWORD* row = bits + static_cast<size_t>(y) * W;
      for (int x = firstColumn < 0 ? 0 : firstColumn; x < W; ++x) {
        if (row[x] != red) continue;
        int to = mirror - x;
        int a = x < to ? x : to, b = x < to ? to : x;
        if (a == b) b = a + 1;
        for (int i = a < 0 ? 0 : a; i < b && i < W; ++i) row[i] = v;
      }
    }
    ramp.Advance();
  }
}

void TMediaInfoBtn::EllipseDraw(TBitmap& bmp, TColor face) {
  const int W = width_, H = height_;
  static const int geo[3][4] = {{3, 2, -1, -1}, {2, 1, -2, -2}, {1, 0, -3, -3}};
  const int* g = geo[Geometry()];
  int l = g[0], t = g[1], r = W + g[2], b = H + g[3];
  TCanvas& c = bmp.Canvas();
  c.PenColor = kRed;
  c.BrushColor = kRed;
  c.BrushStyle = bsSolid;
  c.Ellipse(l, t + 1, r, b);
  FillRedRows(bmp, face, l, r + l, t, b);
}

void TMediaInfoBtn::RoundDraw(TBitmap& bmp, TColor face) {
  const int W = width_, H = height_, R = roundSize_;
  static const int geo[3][4] = {{2, 2, -1, -2}, {1, 1, -2, -3}, {0, 0, -3, -4}};
  const int* g = geo[Geometry()];
  int t = g[1], r = W + g[2], b = H + g[3];
  TCanvas& c = bmp.Canvas();
  c.PenWidth = 1;
  c.PenColor = clWhite;
  c.BrushStyle = bsClear;
  c.RoundRect(0, 0, W, H, R, R);
  c.BrushStyle = bsSolid;
  c.PenColor = clBlack;
  c.BrushColor = clBlack;
  c.RoundRect(0, 0, W - 1, H - 1, R, R);
  c.PenColor = kRed;
  c.BrushColor = kRed;
  c.RoundRect(t + 1, t + 1, r, b, R, R);
  FillRedRows(bmp, face, t + 1, r + t + 1, t, b);
}

void TMediaInfoBtn::RectDraw(TBitmap& bmp, TColor face) {
  const int W = width_, H = height_;
  static const int geo[3][4] = {{3, 2, -1, -2}, {2, 1, -2, -3}, {1, 0, -3, -4}};
  const int* g = geo[Geometry()];
  int l = g[0], t = g[1], r = W + g[2], b = H + g[3];
  TCanvas& c = bmp.Canvas();
  spare::GradientRamp ramp(face, {84}, H);
  int rows = b - t;
  if (rows < 1) rows = 1;
  c.PenWidth = 1;
  for (int k = 0; k < rows; ++k) {
    c.PenColor = ramp.Color();
    c.MoveTo(l, b - k);
    c.LineTo(r, b - k);
    ramp.Advance();
  }
  c.PenColor = clWhite;
  c.MoveTo(0, H - 1);
  c.LineTo(W - 1, H - 1);
  c.LineTo(W - 1, 0);
}

void TMediaInfoBtn::GlyphOn(TBitmap& bmp) {
  TCanvas& c = bmp.Canvas();
  const int W = width_, H = height_, R = roundSize_;
  int d = pressed_ ? 2 : (DownFrg && down_) ? 1 : 0;
  c.PenWidth = 1;
  c.BrushStyle = bsSolid;
  c.PenColor = down_ ? ColorDown : ColorButton;
  c.BrushColor = c.PenColor;
  c.RoundRect(d + 1, d + 1, d + W - 2, d + H - 2, R, R);
  if (DrawFrg) {
    c.PenColor = color_;
    c.BrushColor = color_;
    c.RoundRect(0, 0, W, H, R, R);
    return;
  }
  bool enabled = Enabled() && !EnabledFalsePaint;
  if (glyph_.Width() == 0 || glyph_.Height() == 0) {
    if (!enabled) {
      if (EnabledDiagCrossFrg) {
        HDC dc = c.Handle();
        HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(255, 255, 255));
        int oldMode = SetBkMode(dc, TRANSPARENT);
        HGDIOBJ oldBrush = SelectObject(dc, hatch);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        RoundRect(dc, d + 6, d + 6, d + W - 6 + 1, d + H - 6 + 1, R, R);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        SetBkMode(dc, oldMode);
        DeleteObject(hatch);
      }
      c.PenColor = clGray;
      c.BrushStyle = bsClear;
      c.RoundRect(d + 5, d + 5, d + W - 7, d + H - 7, R, R);
    } else {
      c.PenColor = clBlack;
      c.BrushColor = GraphicNotColor;
      c.RoundRect(d + 5, d + 5, d + W - 6, d + H - 6, R, R);
    }
    return;
  }
  int pw = glyph_.Width(), ph = glyph_.Height();
  int x = 6, y = 6;
  if (GlyphCenter) {
    if (pw < W) x = (W - pw) >> 1;
    if (ph < H) y = (H - ph) >> 1;
  }
  c.PenColor = 0x505050;
  if (down_) c.BrushStyle = bsClear;
  else c.BrushColor = GraphicBackColor;
  c.RoundRect(d + 5, d + 5, d + W - 6, d + H - 6, R, R);
  c.BrushStyle = bsSolid;
  BitBlt(c.Handle(), d + x, d + y, pw, ph, glyph_.Canvas().Handle(), 0, 0, enabled ? SRCCOPY : NOTSRCCOPY);
}

void TMediaInfoBtn::CaptionPaint(TCanvas& c, int dx, int dy) {
  std::string caption = Text();
  c.BrushStyle = bsClear;
  c.Font = Font();
  int x = CaptionLeft != 0 ? CaptionLeft : (width_ - spare::TextWidth(c, caption)) >> 1;
  int y = CaptionTop != 0 ? CaptionTop : TextPosition();
  TColor color;
  if (!Enabled() || EnabledFalsePaint) {
    spare::TextAt(c, x + dx + 1, y + dy + 1, caption, clWhite);
    color = clGray;
  } else {
    if (!AllowAllUp) {
      lastCaption_ = (pressed_ || down_) ? ColorDownCaption : Font().Color();
    } else if (!pressed_) {
      lastCaption_ = (down_ && ColorDownCaption != clWindowText) ? ColorDownCaption : Font().Color();
    }
    color = lastCaption_;
    if (ShadowX != 0 || ShadowY != 0)
      spare::TextAt(c, x + dx + ShadowX, y + dy + ShadowY, caption, (pressed_ || down_) ? ShadowDownColor : ShadowColor);
  }
  spare::TextAt(c, x + dx, y + dy, caption, color);
}

void TMediaInfoBtn::TextPaint(TCanvas& c, int dx, int dy) {
  c.BrushStyle = bsClear;
  c.Font = Font();
  std::vector<std::string> lines = CutText(TextBody);
  bool picture = glyph_.Width() > 0 && glyph_.Height() > 0;
  if (picture && TextLeft == 0) return;
  int x = TextLeft + dx, y = TextTop + dy;
  if (!Enabled() || EnabledFalsePaint) {
    c.Font.SetColor(clWhite);
    DrowText(c, lines, x + 1, y + 1);
    c.Font.SetColor(clGray);
  } else {
    if (ShadowX != 0 || ShadowY != 0) {
      c.Font.SetColor(down_ ? ShadowDownColor : ShadowColor);
      DrowText(c, lines, x + ShadowX, y + ShadowY);
    }
    if (picture) c.Font.SetColor(down_ ? GraphicTextDownColor : GraphicTextColor);
    else c.Font.SetColor(down_ ? TextDownColor : TextColor);
  }
  DrowText(c, lines, x, y);
}
