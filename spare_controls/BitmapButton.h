// TBitmapButton: a push button drawn from a horizontal strip of glyph cells
// (1 normal, 2 disabled, 3 held, NumGlyphs down), with an optional caption and
// caption shadow. The mouse is ignored over the first cell's transparent parts
// (the hit mask), so an irregular picture makes an irregular button. Buttons of
// this window class under one parent with the same non-zero GroupIndex form a
// toggle group.
//
// Creation: construct with the parent, set the properties, then Loaded().
// The first SetDown after creation or a size change assigns directly.
//
// Events: OnMouseDown on a press on the button; on a release on the button
// OnMouseUp then OnClick (any mouse button); a release off the button after a
// press on it only restores the face. Property writes fire no events.
#pragma once
#include <string>
#include "controls/ControlTypes.h"
#include "framework/Control.h"
#include "spare_controls/SpareCommon.h"

class TBitmapButton : public TCustomControl {
 public:
  explicit TBitmapButton(TWinControl* parent);
  ~TBitmapButton() override;

  const TBitmap& Glyph() const { return glyph_; }
  int NumGlyphs() const { return numGlyphs_; }
  TColor MaskColor() const { return maskColor_; }
  std::string Caption() { return Text(); }
  ALIGN CaptionAlign() const { return captionAlign_; }
  int CaptionLeft() const { return captionLeft_; }
  int CaptionTop() const { return captionTop_; }
  int ShadowX() const { return shadowX_; }
  int ShadowY() const { return shadowY_; }
  TColor ShadowColor() const { return shadowColor_; }
  bool Down() const { return state_.down; }
  bool Pressed() const { return state_.pressed; }
  int CurrentCell() const { return state_.cell; }
  int GroupIndex = 0;
  bool AllowAllUp = false;
  bool Cancel = false, Default = false;  // stored only

  // Copies the picture (nullptr or empty clears it); a non-empty one sizes the
  // button to one cell.
  void SetGlyph(const TBitmap* bmp);
  void SetMaskColor(TColor c);
  void SetNumGlyphs(short n);
  void SetCaptionAlign(ALIGN a);
  void SetCaptionLeft(int v);
  void SetCaptionTop(int v);
  void SetText(const std::string& text) override;
  void SetDown(bool v);
  void SetEnabled(bool v) override;
  void SetShadowX(int v);
  void SetShadowY(int v);
  void SetShadowColor(TColor c);

  void Loaded();
  int TextPosition();
  // Whether a point of the control's client area is on the button.
  bool OnButton(int x, int y) const;
  const spare::HitGrid& HitMask() const { return mask_; }
  // The hit mask of a glyph strip: the first cell with its transparent colour
  // (bottom-left pixel) made maskColor, stretched over width x height; a point
  // is off where that picture shows maskColor.
  static spare::HitGrid BuildHitMask(const TBitmap& glyph, int numGlyphs, TColor maskColor, int width, int height);

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
  void Render(bool downLook);
  void GlyphOn(TBitmap& target);
  void CaptionPaint(TCanvas& c, int dx, int dy);
  void UpPrg();
  void CheckControls();
  void RepaintLook(bool downLook);

  TBitmap glyph_;
  int numGlyphs_ = 4;
  TColor maskColor_ = clBlack;
  ALIGN captionAlign_ = psCenter;
  int captionLeft_ = -1, captionTop_ = -1;
  int shadowX_ = 0, shadowY_ = 0;
  TColor shadowColor_ = clBlack;
  spare::CellState state_;
  spare::CellState beforePress_;  // the look to restore after a release off the button
  bool firstSet_ = true;
  bool pressAccepted_ = false;
  int lookOverride_ = -1;  // -1 none, 0 up, 1 down: a drag's look, drawn only
  spare::HitGrid mask_;
};
