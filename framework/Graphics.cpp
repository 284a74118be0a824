#include "framework/Graphics.h"
#include <cstring>

COLORREF ColorToRGB(TColor c) {
  if (c & clSystemColor) return GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0xFFFFFF;
}

int ScreenPixelsPerInch() {
  static int ppi = 0;
  if (ppi == 0) {
    HDC dc = GetDC(nullptr);
    ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (ppi <= 0) ppi = 96;
  }
  return ppi;
}

// ---- TFont

TFont::TFont() : name_(L"ＭＳ ゴシック"), size_(9), color_(clWindowText), style_(0), charset_(SHIFTJIS_CHARSET) {}

TFont::TFont(const TFont& o)
    : name_(o.name_), size_(o.size_), color_(o.color_), style_(o.style_), charset_(o.charset_) {}

TFont& TFont::operator=(const TFont& o) {
  if (this != &o) {
    name_ = o.name_;
    size_ = o.size_;
    color_ = o.color_;
    style_ = o.style_;
    charset_ = o.charset_;
    Changed();
  }
  return *this;
}

TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Changed() {
  if (handle_) {
    DeleteObject(handle_);
    handle_ = nullptr;
  }
  if (OnChange) OnChange();
}

void TFont::SetName(const std::wstring& n) {
  if (n != name_) {
    name_ = n;
    Changed();
  }
}
void TFont::SetSize(int s) {
  if (s != size_) {
    size_ = s;
    Changed();
  }
}
int TFont::Height() const { return -MulDiv(size_, ScreenPixelsPerInch(), 72); }
void TFont::SetHeight(int h) { SetSize(-MulDiv(h, 72, ScreenPixelsPerInch())); }
void TFont::SetColor(TColor c) {
  if (c != color_) {
    color_ = c;
    if (OnChange) OnChange();
  }
}
void TFont::SetStyle(unsigned s) {
  if (s != style_) {
    style_ = s;
    Changed();
  }
}
void TFont::SetCharset(int cs) {
  if (cs != charset_) {
    charset_ = cs;
    Changed();
  }
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTW lf = {};
    lf.lfHeight = Height();
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(charset_);
    lf.lfQuality = DEFAULT_QUALITY;
    wcsncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    handle_ = CreateFontIndirectW(&lf);
  }
  return handle_;
}

// ---- TCanvas

TCanvas::TCanvas() {}

TCanvas::~TCanvas() {
  Detach();
}

void TCanvas::Attach(HDC dc) {
  Detach();
  dc_ = dc;
}

HDC TCanvas::Detach() {
  HDC dc = dc_;
  if (dc_) {
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    if (oldFont_) SelectObject(dc_, oldFont_);
  }
  oldPen_ = oldBrush_ = oldFont_ = nullptr;
  if (pen_) DeleteObject(pen_);
  if (brush_) DeleteObject(brush_);
  pen_ = nullptr;
  brush_ = nullptr;
  dc_ = nullptr;
  return dc;
}

void TCanvas::Prepare(bool usePen, bool useBrush) {
  if (!dc_) return;
  if (usePen) {
    HPEN p = PenStyle == psClear ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                                 : CreatePen(PenStyle == psDash ? PS_DASH : PenStyle == psDot ? PS_DOT : PS_SOLID,
                                             PenWidth, ColorToRGB(PenColor));
    HGDIOBJ prev = SelectObject(dc_, p);
    if (!oldPen_) oldPen_ = prev;
    if (pen_) DeleteObject(pen_);
    pen_ = PenStyle == psClear ? nullptr : p;
  }
  if (useBrush) {
    HBRUSH b = BrushStyle == bsClear ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                     : CreateSolidBrush(ColorToRGB(BrushColor));
    HGDIOBJ prev = SelectObject(dc_, b);
    if (!oldBrush_) oldBrush_ = prev;
    if (brush_) DeleteObject(brush_);
    brush_ = BrushStyle == bsClear ? nullptr : b;
  }
}

void TCanvas::FillRect(const RECT& r) {
  if (!dc_ || BrushStyle == bsClear) return;
  HBRUSH b = CreateSolidBrush(ColorToRGB(BrushColor));
  ::FillRect(dc_, &r, b);
  DeleteObject(b);
}

void TCanvas::FrameRect(const RECT& r) {
  if (!dc_) return;
  HBRUSH b = CreateSolidBrush(ColorToRGB(BrushColor));
  ::FrameRect(dc_, &r, b);
  DeleteObject(b);
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  Prepare(true, true);
  ::Rectangle(dc_, l, t, r, b);
}

void TCanvas::RoundRect(int l, int t, int r, int b, int w, int h) {
  Prepare(true, true);
  ::RoundRect(dc_, l, t, r, b, w, h);
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  Prepare(true, true);
  ::Ellipse(dc_, l, t, r, b);
}

void TCanvas::MoveTo(int x, int y) {
  if (dc_) MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Prepare(true, false);
  ::LineTo(dc_, x, y);
}

COLORREF TCanvas::Pixel(int x, int y) const { return dc_ ? GetPixel(dc_, x, y) : CLR_INVALID; }

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (dc_) ::SetPixel(dc_, x, y, ColorToRGB(c));
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  if (!dc_) return;
  HGDIOBJ prev = SelectObject(dc_, Font.Handle());
  if (!oldFont_) oldFont_ = prev;
  ::SetTextColor(dc_, ColorToRGB(Font.Color()));
  if (BrushStyle == bsClear) {
    ::SetBkMode(dc_, TRANSPARENT);
  } else {
    ::SetBkMode(dc_, OPAQUE);
    ::SetBkColor(dc_, ColorToRGB(BrushColor));
  }
  ::TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const RECT& r, const std::wstring& text, UINT format) {
  if (!dc_) return;
  HGDIOBJ prev = SelectObject(dc_, Font.Handle());
  if (!oldFont_) oldFont_ = prev;
  ::SetTextColor(dc_, ColorToRGB(Font.Color()));
  ::SetBkMode(dc_, TRANSPARENT);
  RECT rr = r;
  ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rr, format);
}

SIZE TCanvas::TextExtent(const std::wstring& text) {
  SIZE s = {0, 0};
  if (!dc_) return s;
  HGDIOBJ prev = SelectObject(dc_, Font.Handle());
  if (!oldFont_) oldFont_ = prev;
  GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &s);
  return s;
}

void TCanvas::Draw(int x, int y, HDC source, int w, int h) {
  if (dc_) BitBlt(dc_, x, y, w, h, source, 0, 0, SRCCOPY);
}

// ---- TBitmap

TBitmap::~TBitmap() { Free(); }

void TBitmap::Free() {
  canvas_.Detach();
  if (dc_) {
    if (oldBmp_) SelectObject(dc_, oldBmp_);
    DeleteDC(dc_);
  }
  if (bmp_) DeleteObject(bmp_);
  dc_ = nullptr;
  bmp_ = nullptr;
  oldBmp_ = nullptr;
  bits_ = nullptr;
  w_ = h_ = 0;
}

void TBitmap::SetSize(int w, int h) {
  if (w == w_ && h == h_ && bmp_) return;
  Free();
  if (w <= 0 || h <= 0) return;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  bmp_ = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc_ = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!bmp_ || !dc_) {
    Free();
    return;
  }
  oldBmp_ = SelectObject(dc_, bmp_);
  bits_ = static_cast<DWORD*>(bits);
  w_ = w;
  h_ = h;
  canvas_.Attach(dc_);
}

COLORREF TBitmap::PixelRGB(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= w_ || y >= h_) return CLR_INVALID;
  GdiFlush();
  DWORD v = bits_[static_cast<size_t>(y) * w_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}
