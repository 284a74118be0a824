// Fonts, canvases and off-screen bitmaps over GDI.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// A colour as the program stores it: an RGB value, or a system colour with the
// top bit set and the system colour index in the low byte.
typedef DWORD TColor;
const TColor clSystemColor = 0x80000000u;
const TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
const TColor clWindow = clSystemColor | COLOR_WINDOW;
const TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
const TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
const TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
const TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
const TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
const TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
const TColor clMenu = clSystemColor | COLOR_MENU;
const TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
const TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clBlue = 0xFF0000,
             clGreen = 0x008000, clNavy = 0x800000, clGray = 0x808080, clSilver = 0xC0C0C0,
             clYellow = 0x00FFFF, clLime = 0x00FF00, clMaroon = 0x000080;

// RGB value of a colour: a system colour becomes the current system colour of its low byte.
COLORREF ColorToRGB(TColor c);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font description with a lazily made GDI handle. Size is in points; Height is
// the negative pixel height that goes with it at the screen's resolution.
class TFont {
 public:
  TFont();
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);
  ~TFont();

  const std::wstring& Name() const { return name_; }
  void SetName(const std::wstring& name);
  int Size() const { return size_; }
  void SetSize(int points);
  int Height() const;  // negative pixel height, as for LOGFONT.lfHeight
  void SetHeight(int height);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned style);
  int Charset() const { return charset_; }
  void SetCharset(int cs);

  HFONT Handle() const;  // owned by the font; valid until the next change
  // Called after every change (a control re-applies the font to its window).
  std::function<void()> OnChange;

 private:
  void Changed();
  std::wstring name_;
  int size_;
  TColor color_;
  unsigned style_;
  int charset_;
  mutable HFONT handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psClear };

// Drawing on a device context. The canvas selects its own pen, brush and font
// into the DC while it draws and puts the previous ones back when detached.
class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  void Attach(HDC dc);  // does not take ownership
  HDC Detach();
  HDC Handle() const { return dc_; }

  // Pen, brush and font of the next drawing calls.
  TColor PenColor = clBlack;
  int PenWidth = 1;
  TPenStyle PenStyle = psSolid;
  TColor BrushColor = clWhite;
  TBrushStyle BrushStyle = bsSolid;
  TFont Font;

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void Rectangle(int l, int t, int r, int b);
  void RoundRect(int l, int t, int r, int b, int w, int h);
  void Ellipse(int l, int t, int r, int b);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  COLORREF Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);
  void TextOut(int x, int y, const std::wstring& text);
  void TextRect(const RECT& r, const std::wstring& text, UINT format);
  SIZE TextExtent(const std::wstring& text);
  int TextWidth(const std::wstring& text) { return TextExtent(text).cx; }
  int TextHeight(const std::wstring& text) { return TextExtent(text).cy; }
  void Draw(int x, int y, HDC source, int w, int h);

 private:
  void Prepare(bool usePen, bool useBrush);
  HDC dc_ = nullptr;
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr, oldFont_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
};

// An off-screen 32-bit bitmap with its own canvas.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int w, int h) { SetSize(w, h); }
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void SetSize(int w, int h);
  int Width() const { return w_; }
  int Height() const { return h_; }
  TCanvas& Canvas() { return canvas_; }
  HBITMAP Handle() const { return bmp_; }
  // Direct access to the pixels (0x00RRGGBB, top-down rows).
  DWORD* Bits() const { return bits_; }
  COLORREF PixelRGB(int x, int y) const;  // as a COLORREF (0x00BBGGRR)

 private:
  void Free();
  int w_ = 0, h_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ oldBmp_ = nullptr;
  DWORD* bits_ = nullptr;
  TCanvas canvas_;
};

// Pixels per logical inch of the screen.
int ScreenPixelsPerInch();
