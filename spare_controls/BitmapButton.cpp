#include "spare_controls/BitmapButton.h"
#include <commctrl.h>
#include "framework/Cp932.h"

namespace {
// Whether a left-button drag currently shows a bitmap button pressed; one flag
// for all bitmap buttons.
bool g_dragLook = false;

COLORREF Px(const TBitmap& b, int x, int y) { return b.PixelRGB(x, y); }

// The cell's pixels stretched (nearest point) over a w x h bitmap.
void StretchCell(const TBitmap& glyph, int cellLeft, int cw, int ch, TBitmap& out, int w, int h) {
  out.SetSize(w, h);
  if (cw <= 0 || ch <= 0 || w <= 0 || h <= 0) return;
  GdiFlush();
  for (int y = 0; y < h; ++y) {
    int sy = static_cast<int>(static_cast<int64_t>(y) * ch / h);
    for (int x = 0; x < w; ++x) {
      int sx = static_cast<int>(static_cast<int64_t>(x) * cw / w);
      ctlpaint::PutPixel(out, x, y, Px(glyph, cellLeft + sx, sy));
    }
  }
}
}  // namespace

TBitmapButton::TBitmapButton(TWinControl* parent) : TCustomControl(parent) {
  width_ = 75;
  height_ = 25;
  BuildMask();
}

TBitmapButton::~TBitmapButton() {
  if (g_dragLook && lookOverride_ >= 0) g_dragLook = false;
}

void TBitmapButton::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ClassName = L"TBitmapButton";
}

// ---- hit mask

spare::HitGrid TBitmapButton::BuildHitMask(const TBitmap& glyph, int numGlyphs, TColor maskColor, int width,
                                           int height) {
  spare::HitGrid g;
  g.Resize(width, height, false);
  if (g.w == 0 || g.h == 0 || glyph.Width() == 0 || glyph.Height() == 0 || numGlyphs < 1) return g;
  int cw = glyph.Width() / numGlyphs, ch = glyph.Height();
  if (cw <= 0) return g;
  GdiFlush();
  COLORREF transparent = glyph.PixelRGB(0, ch - 1);
  COLORREF mask = ColorToRGB(maskColor);
  for (int y = 0; y < g.h; ++y) {
    int sy = static_cast<int>(static_cast<int64_t>(y) * ch / g.h);
    for (int x = 0; x < g.w; ++x) {
      int sx = static_cast<int>(static_cast<int64_t>(x) * cw / g.w);
      COLORREF c = glyph.PixelRGB(sx, sy);
      if (c == transparent) c = mask;
      g.on[static_cast<size_t>(y) * g.w + x] = c != mask ? 1 : 0;
    }
  }
  return g;
}

void TBitmapButton::BuildMask() { mask_ = BuildHitMask(glyph_, numGlyphs_, maskColor_, width_, height_); }

bool TBitmapButton::OnButton(int x, int y) const {
  // Outside the control's rectangle the mask has no point, and the point counts as on.
  if (!mask_.Contains(x, y)) return true;
  return mask_.At(x, y);
}

void TBitmapButton::Resize() {
  firstSet_ = true;
  BuildMask();
  TCustomControl::Resize();
}

void TBitmapButton::Loaded() { Resize(); }

// ---- setters

void TBitmapButton::SetGlyph(const TBitmap* bmp) {
  if (!bmp || bmp->Width() == 0 || bmp->Height() == 0) {
    glyph_.SetSize(0, 0);
  } else {
    glyph_.SetSize(bmp->Width(), bmp->Height());
    BitBlt(glyph_.Canvas().Handle(), 0, 0, bmp->Width(), bmp->Height(),
           const_cast<TBitmap*>(bmp)->Canvas().Handle(), 0, 0, SRCCOPY);
    int w = glyph_.Width() / numGlyphs_, h = glyph_.Height();
    if (w != width_ || h != height_) {
      SetBounds(left_, top_, w, h);
      if (!HandleAllocated()) firstSet_ = true;
    }
  }
  BuildMask();
  Invalidate();
}

void TBitmapButton::SetMaskColor(TColor c) {
  maskColor_ = c;
  Resize();
  Invalidate();
}

void TBitmapButton::SetNumGlyphs(short n) {
  if (n < 1 || n > 4) return;
  numGlyphs_ = n;
  BuildMask();
  if (glyph_.Width() > 0) Invalidate();
}

void TBitmapButton::SetCaptionAlign(ALIGN a) {
  captionAlign_ = a;
  captionTop_ = -1;
  Invalidate();
}

void TBitmapButton::SetCaptionLeft(int v) {
  captionLeft_ = (v > 0 && v < width_) ? v : -1;
  Invalidate();
}

void TBitmapButton::SetCaptionTop(int v) {
  captionTop_ = (v > 0 && v < height_) ? v : -1;
  Invalidate();
}

void TBitmapButton::SetText(const std::string& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TBitmapButton::SetEnabled(bool v) {
  TCustomControl::SetEnabled(v);
  if (Visible()) Invalidate();
}

void TBitmapButton::SetShadowX(int v) {
  shadowX_ = v;
  Invalidate();
}
void TBitmapButton::SetShadowY(int v) {
  shadowY_ = v;
  Invalidate();
}
void TBitmapButton::SetShadowColor(TColor c) {
  shadowColor_ = c;
  Invalidate();
}

void TBitmapButton::SetDown(bool v) {
  state_ = spare::BitmapSetDown(state_, firstSet_, v, GroupIndex, AllowAllUp, numGlyphs_);
  firstSet_ = false;
  CheckControls();
  Repaint();
}

// ---- groups

void TBitmapButton::UpPrg() {
  state_ = spare::BitmapUpPrg(state_, GroupIndex, AllowAllUp, numGlyphs_);
  CheckControls();
  Repaint();
}

void TBitmapButton::CheckControls() {
  if (!state_.down) return;
  auto peers = spare::GroupPeers(this, L"TBitmapButton", GroupIndex, [](TBitmapButton* b) { return b->GroupIndex; });
  for (TBitmapButton* other : peers) {
    if (!other->state_.down) continue;
    other->state_.pressed = false;
    other->state_.down = false;
    other->state_.cell = 1;
    other->Repaint();
  }
}

// ---- mouse

void TBitmapButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!OnButton(x, y)) return;
  if (button == mbLeft) {
    beforePress_ = state_;
    state_.pressed = true;
    state_.cell = numGlyphs_ >= 3 ? 3 : 1;
    pressAccepted_ = true;
    if (HandleAllocated()) SetCapture(Handle());
    Repaint();
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TBitmapButton::RepaintLook(bool downLook) {
  lookOverride_ = downLook ? 1 : 0;
  Repaint();
  lookOverride_ = -1;
}

void TBitmapButton::MouseMove(TShiftState shift, int x, int y) {
  if (shift & ssLeft) {
    bool off = x < 1 || x >= width_ || y < 1 || y >= height_ || !OnButton(x, y) || state_.down;
    if (off && g_dragLook) {
      RepaintLook(false);
      g_dragLook = false;
    } else if (!off && !g_dragLook) {
      RepaintLook(true);
      g_dragLook = true;
    }
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TBitmapButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && GetCapture() == hwnd_ && hwnd_) ReleaseCapture();
  bool accepted = pressAccepted_;
  if (button == mbLeft) pressAccepted_ = false;
  if (!OnButton(x, y)) {
    // A release off the button after a press on it takes the held look back.
    if (button == mbLeft && accepted) {
      state_.pressed = beforePress_.pressed;
      state_.cell = beforePress_.cell;
      Repaint();
    }
    return;
  }
  if (button == mbLeft) UpPrg();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (OnClick) OnClick(this);
}

// ---- painting

int TBitmapButton::TextPosition() { return spare::TextPosition(captionAlign_, height_, Font().Height()); }

void TBitmapButton::Paint() {
  bool downLook = lookOverride_ >= 0 ? lookOverride_ == 1 : state_.pressed;
  Render(downLook);
}

void TBitmapButton::Render(bool downLook) {
  const int W = width_, H = height_;
  if (W <= 0 || H <= 0) return;
  TBitmap bmp(W, H);
  TCanvas& c = bmp.Canvas();
  c.Font = Font();
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, W, H});
  if (glyph_.Width() > 0 && glyph_.Height() > 0) GlyphOn(bmp);
  if (!Text().empty()) CaptionPaint(c, downLook ? 1 : 0, downLook ? 1 : 0);
  BitBlt(Canvas().Handle(), 0, 0, W, H, c.Handle(), 0, 0, SRCCOPY);
}

void TBitmapButton::GlyphOn(TBitmap& target) {
  const int W = width_, H = height_;
  int cw = glyph_.Width() / numGlyphs_, ch = glyph_.Height();
  if (cw <= 0) return;
  bool enabled = Enabled();
  int cell = enabled ? state_.cell : 2;
  bool greyed = !enabled && numGlyphs_ < 3;
  // The drawn cell stays inside the strip.
  if (cell > numGlyphs_) cell = numGlyphs_;
  if (cell < 1) cell = 1;
  GdiFlush();
  COLORREF transparent = glyph_.PixelRGB(cw * (cell - 1), ch - 1);
  TBitmap stretched;
  StretchCell(glyph_, cw * (cell - 1), cw, ch, stretched, W, H);
  if (!greyed) {
    HIMAGELIST il = ImageList_Create(W, H, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (il) {
      TBitmap scratch(W, H);
      BitBlt(scratch.Canvas().Handle(), 0, 0, W, H, stretched.Canvas().Handle(), 0, 0, SRCCOPY);
      // The bitmap must not be selected into a DC while the list takes it.
      HBITMAP hb = CreateCompatibleBitmap(target.Canvas().Handle(), W, H);
      HDC mem = CreateCompatibleDC(target.Canvas().Handle());
      HGDIOBJ old = SelectObject(mem, hb);
      BitBlt(mem, 0, 0, W, H, scratch.Canvas().Handle(), 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      ImageList_AddMasked(il, hb, transparent);
      DeleteObject(hb);
      ImageList_Draw(il, 0, target.Canvas().Handle(), 0, 0, ILD_TRANSPARENT);
      ImageList_Destroy(il);
    }
    return;
  }
  // The greyed form: every non-transparent point that is not white drawn
  // embossed, highlight one pixel down-right and shadow over it.
  GdiFlush();
  COLORREF hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        COLORREF p = stretched.PixelRGB(x, y);
        if (p == transparent || p == 0xFFFFFF) continue;
        if (pass == 0) ctlpaint::PutPixel(target, x + 1, y + 1, hi);
        else ctlpaint::PutPixel(target, x, y, sh);
      }
    }
  }
}

void TBitmapButton::CaptionPaint(TCanvas& c, int dx, int dy) {
  std::string caption = Text();
  c.BrushStyle = bsClear;
  c.Font = Font();
  int x = captionLeft_;
  if (x == -1) x = width_ / 2 - spare::TextWidth(c, caption) / 2;
  int y = captionTop_ == -1 ? TextPosition() : captionTop_;
  TColor color = Font().Color();
  if (Enabled()) {
    if (shadowX_ != 0 || shadowY_ != 0) spare::TextAt(c, x + dx + shadowX_, y + dy + shadowY_, caption, shadowColor_);
  } else {
    spare::TextAt(c, x + dx + 1, y + dy + 1, caption, clWhite);
    color = clGray;
  }
  spare::TextAt(c, x + dx, y + dy, caption, color);
}
