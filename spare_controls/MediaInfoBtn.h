// TMediaInfoBtn: a self-painted button in three shapes (ellipse, rounded,
// picture) with a vertical gradient face, a caption, an optional second text
// of several lines, an optional picture, an optional fade of the face toward a
// colour, and toggle groups by GroupIndex among the buttons of this window
// class under one parent.
//
// The hit mask is a quarter-size grid of the face's shape: a point is on the
// button where the grid is on; points outside it (negative ones included) are
// off.
//
// Creation: construct with the parent, set the properties, then Loaded().
// Events: OnMouseDown on a press on the face; on a left release on the face
// OnMouseUp then OnClick, on a right release OnMouseUp only; a left release
// off the face after a press only restores the face and the group. Property
// writes fire no events.
#pragma once
#include <string>
#include <vector>
#include "controls/ControlTypes.h"
#include "framework/Control.h"
#include "spare_controls/SpareCommon.h"

class TMediaInfoBtn : public TCustomControl {
 public:
  explicit TMediaInfoBtn(TWinControl* parent);
  ~TMediaInfoBtn() override;

  // Plain properties (setters store and invalidate).
  BTNSTYLE ButtonStyle() const { return buttonStyle_; }
  int RoundSize() const { return roundSize_; }
  TColor ColorButton = clBtnFace, ColorDown = clBtnFace, ColorDownCaption = clWindowText, BtnShadowColor = clBlack;
  ALIGN CaptionAlign = psCenter;
  int CaptionLeft = 0, CaptionTop = 0;
  bool CaptionFrg = false;
  bool TextFrg = false;
  int TextLeft = 0, TextTop = 0;
  TColor TextColor = clBlack, TextDownColor = clBlack, GraphicTextColor = clBlack, GraphicTextDownColor = clBlack;
  int GlyphWidth = 0;
  bool GlyphCenter = true;
  TColor GraphicNotColor = clWhite, GraphicBackColor = clWhite;
  bool DrawFrg = false;
  bool AlfhaFrg = false;
  TColor AlfhaColor = clSystemColor | COLOR_3DDKSHADOW;
  int AlfhaLebel() const { return alfhaLebel_; }
  int ShadowX = 0, ShadowY = 0;
  TColor ShadowColor = clBlack, ShadowDownColor = clBlack;
  bool AllowAllUp = false;
  int GroupIndex = 0;
  bool DownFrg = true;
  bool EnabledFalsePaint = false;
  bool EnabledDiagCrossFrg = true;
  bool Cancel = false, Default = false;  // stored only
  std::string TextBody;                  // the second text (Text), lines split at LF

  bool Down() const { return down_; }
  bool Pressed() const { return pressed_; }
  const TBitmap& Glyph() const { return glyph_; }
  std::string Caption() { return Text(); }

  // Repaints after changing the plain properties above.
  void Changed() { Invalidate(); }
  void SetButtonStyle(BTNSTYLE s);
  void SetRoundSize(int v);
  void SetCaption(const std::string& text) { SetText(text); }
  void SetText(const std::string& text) override;
  void SetDown(bool v);
  void SetEnabled(bool v) override;
  void SetAlfhaLebel(int v);
  // Stretches the picture into Glyph (nullptr or empty releases it).
  void SetGlyph(const TBitmap* picture);
  void FreeImageOrKeepHandle();

  void Loaded();
  void UpPrg();
  int TextPosition();
  int ParentBtnCount();
  int CanvasTextWidth(const std::string& s);
  int CanvasTextHeight(const std::string& s);
  bool OnButton(int x, int y) const { return spare::MediaMaskOn(mask_, x, y); }

  static TColor GetLightColor(TColor c);
  // Lines of a text split at LF (CR kept); an empty text gives one empty line.
  static std::vector<std::string> CutText(const std::string& text);
  // The longest head of line (whole characters) narrower than limit.
  static std::string FitLine(TCanvas& c, const std::string& line, int limit);
  // One channel of the fade: c + ((old - c) * (level + 1)) >> 8, the level held
  // to 0..255 and the result to 0..255.
  static int AlfhaChannel(int old, int c, int level);
  void SetAlfha(TBitmap& bmp);
  void DrowText(TCanvas& c, const std::vector<std::string>& lines, int x, int y);

  void Click() override {}

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void BuildMask();
  void BtnPaint(TBitmap& bmp);
  void EllipseButtonUp(TBitmap& bmp, TColor face);
  void RoundButtonUp(TBitmap& bmp, TColor face);
  void EllipseDraw(TBitmap& bmp, TColor face);
  void RoundDraw(TBitmap& bmp, TColor face);
  void RectDraw(TBitmap& bmp, TColor face);
  void FillRedRows(TBitmap& bmp, TColor face, int firstColumn, int mirror, int top, int bottom);
  void GlyphOn(TBitmap& bmp);
  void CaptionPaint(TCanvas& c, int dx, int dy);
  void TextPaint(TCanvas& c, int dx, int dy);
  void CheckControls();
  TColor FaceColor();
  int Geometry() const;  // 0 pressed, 1 down with DownFrg, 2 normal

  BTNSTYLE buttonStyle_ = btRound;
  int roundSize_ = 0;
  int alfhaLebel_ = 256;
  bool down_ = false;
  bool pressed_ = false;
  bool paintedDown_ = false;
  bool firstSet_ = true;
  TColor lastFace_ = clBtnFace;
  TColor lastCaption_ = clWindowText;
  TBitmap glyph_;
  spare::HitGrid mask_;
};
