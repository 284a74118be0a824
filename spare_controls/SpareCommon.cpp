#include "spare_controls/SpareCommon.h"
#include <cmath>
#include "framework/Cp932.h"

namespace spare {

GradientRamp::GradientRamp(TColor color, std::initializer_list<int> thresholds, int crossSize) {
  COLORREF rgb = ColorToRGB(color);
  int ch[3] = {ctlpaint::RedOf(rgb), ctlpaint::GreenOf(rgb), ctlpaint::BlueOf(rgb)};
  for (int i = 0; i < 3; ++i) {
    int v = ch[i];
    for (int t : thresholds) v = Lowered(v, t);
    start_[i] = v;
  }
  double half = static_cast<double>(crossSize) * 0.5;
  step_ = half > 0 ? 150.0 / half : 150.0;
  if (step_ < 1.0) step_ = 1.0;
}

COLORREF GradientRamp::Color() const {
  return ctlpaint::Pack(static_cast<int>(start_[0] + amount_[0]), static_cast<int>(start_[1] + amount_[1]),
                        static_cast<int>(start_[2] + amount_[2]));
}

void GradientRamp::Advance() {
  for (int i = 0; i < 3; ++i) {
    if (start_[i] + amount_[i] + step_ < 255.0) amount_[i] += step_;
  }
}

int TextPosition(ALIGN align, int height, int fontHeight) {
  int q = height / 4, f = fontHeight / 2;
  switch (align) {
    case psTop: return q + f;
    case psBottom: return 3 * q + f;
    case psCenter:
    default: return height / 2 + f;
  }
}

int TextPositionShift(ALIGN align, int height, int fontHeight) {
  int q = height >> 2, f = fontHeight >> 1;
  switch (align) {
    case psTop: return q + f;
    case psBottom: return 3 * q + f;
    case psCenter:
    default: return (height >> 1) + f;
  }
}

void HitGrid::Resize(int width, int height, bool value) {
  w = width > 0 ? width : 0;
  h = height > 0 ? height : 0;
  on.assign(static_cast<size_t>(w) * h, value ? 1 : 0);
}

HitGrid QuarterMask(BTNSTYLE style, int width, int height, int roundSize, bool graphicFace) {
  HitGrid g;
  g.Resize(width / 4, height / 4, false);
  if (g.w == 0 || g.h == 0) return g;
  if (style == btGraphic && !graphicFace) return g;
  TBitmap bmp(g.w, g.h);
  TCanvas& c = bmp.Canvas();
  c.BrushStyle = bsSolid;
  c.BrushColor = clBlack;
  c.FillRect(RECT{0, 0, g.w, g.h});
  c.PenColor = clWhite;
  c.PenWidth = 1;
  c.BrushColor = clWhite;
  if (style == btEllipse) {
    c.Ellipse(0, 0, g.w, g.h);
  } else {
    c.RoundRect(0, 0, g.w, g.h, roundSize / 4, roundSize / 4);
  }
  GdiFlush();
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) g.on[static_cast<size_t>(y) * g.w + x] = bmp.PixelRGB(x, y) == 0xFFFFFF ? 1 : 0;
  return g;
}

bool MediaMaskOn(const HitGrid& mask, int x, int y) {
  if (x < 0 || y < 0) return false;
  int cx = x / 4, cy = y / 4;
  return mask.Contains(cx, cy) && mask.At(cx, cy);
}

bool RoundMaskOn(const HitGrid& mask, int width, int height, int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return true;
  if (mask.w == 0 || mask.h == 0) return true;
  int cx = x / 4, cy = y / 4;
  if (cx >= mask.w) cx = mask.w - 1;
  if (cy >= mask.h) cy = mask.h - 1;
  return mask.At(cx, cy);
}

CellState BitmapUpPrg(CellState s, int groupIndex, bool allowAllUp, int numGlyphs) {
  if (groupIndex == 0) {
    s.pressed = false;
    s.down = false;
    s.cell = 1;
  } else if (allowAllUp) {
    s.down = !s.down;
    if (!s.down) {
      s.pressed = false;
      s.cell = 1;
    } else {
      s.cell = numGlyphs;
    }
  } else {
    s.down = true;
    s.cell = numGlyphs;
  }
  return s;
}

CellState BitmapSetDown(CellState s, bool firstSet, bool value, int groupIndex, bool allowAllUp, int numGlyphs) {
  if (firstSet) {
    s.pressed = value;
    s.down = value;
  } else if (groupIndex != 0) {
    s.pressed = false;
    s.down = allowAllUp ? value : !s.down;
  } else if (allowAllUp && s.down) {
    s.down = false;
  }
  s.cell = s.down ? numGlyphs : 1;
  return s;
}

bool MediaPressDown(bool down, int groupIndex, bool allowAllUp) {
  if (groupIndex == 0) return false;
  return allowAllUp ? !down : true;
}

bool MediaSetDown(bool down, bool firstSet, bool value, int groupIndex, bool allowAllUp) {
  if (firstSet) return value;
  if (groupIndex != 0) return allowAllUp ? value : true;
  if (allowAllUp && down) return false;
  return down;
}

std::wstring NativeCopyClass(const wchar_t* nativeClass, const wchar_t* className) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) return className;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(nullptr, nativeClass, &wc)) return nativeClass;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  wc.style &= ~CS_GLOBALCLASS;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nativeClass;
  return className;
}

bool WindowClassIs(TWinControl* c, const wchar_t* className) {
  if (!c || !c->HandleAllocated()) return false;
  wchar_t buf[64] = {};
  GetClassNameW(c->Handle(), buf, 64);
  return wcscmp(buf, className) == 0;
}

// ---- drawing

PenBrush::PenBrush(TCanvas& c) : dc(c.Handle()) {
  pen_ = c.PenStyle == psClear ? nullptr
                               : CreatePen(c.PenStyle == psDash ? PS_DASH : c.PenStyle == psDot ? PS_DOT : PS_SOLID,
                                           c.PenWidth, ColorToRGB(c.PenColor));
  brush_ = c.BrushStyle == bsClear ? nullptr : CreateSolidBrush(ColorToRGB(c.BrushColor));
  oldPen_ = SelectObject(dc, pen_ ? static_cast<HGDIOBJ>(pen_) : GetStockObject(NULL_PEN));
  oldBrush_ = SelectObject(dc, brush_ ? static_cast<HGDIOBJ>(brush_) : GetStockObject(NULL_BRUSH));
}

PenBrush::~PenBrush() {
  SelectObject(dc, oldPen_);
  SelectObject(dc, oldBrush_);
  if (pen_) DeleteObject(pen_);
  if (brush_) DeleteObject(brush_);
}

void Pie(TCanvas& c, int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  PenBrush pb(c);
  ::Pie(pb.dc, l, t, r, b, x1, y1, x2, y2);
}

void Arc(TCanvas& c, int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  PenBrush pb(c);
  ::Arc(pb.dc, l, t, r, b, x1, y1, x2, y2);
}

void Polyline(TCanvas& c, const std::vector<POINT>& points) {
  if (points.empty()) return;
  PenBrush pb(c);
  ::Polyline(pb.dc, points.data(), static_cast<int>(points.size()));
}

void TextAt(TCanvas& c, int x, int y, const std::string& text, TColor color) {
  c.Font.SetColor(color);
  c.TextOut(x, y, Cp932ToWide(text));
}

int TextWidth(TCanvas& c, const std::string& text) { return c.TextWidth(Cp932ToWide(text)); }
int TextHeight(TCanvas& c, const std::string& text) { return c.TextHeight(Cp932ToWide(text)); }

}  // namespace spare
