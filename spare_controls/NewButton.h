// TNewButton: a focusable push button with an elliptic or rounded face (or
// none, btGraphic), a focus ring and a modal result for its form.
//
// Hit mask: a quarter-size grid of the face, built by Loaded() and again on
// every later resize, style or corner change. Inside the control a point maps
// to the grid (held to its last column and row); outside the control a point
// counts as on, so a release outside after a press is a release on the button.
//
// Events: OnMouseDown on a press on the face; OnMouseUp on a release on the
// button. A left click (press on the face, release inside the control) sets
// the form's ModalResult and then fires OnClick. Enter (Default) or Esc
// (Cancel) while the button has the focus press it on the key-down and fire
// OnClick on the key-up, without touching the form's ModalResult.
#pragma once
#include <string>
#include "controls/ControlTypes.h"
#include "framework/Control.h"
#include "framework/StdCtrls.h"
#include "spare_controls/SpareCommon.h"

class TNewButton : public TCustomControl {
 public:
  explicit TNewButton(TWinControl* parent);
  ~TNewButton() override;

  BTNSTYLE ButtonStyle() const { return buttonStyle_; }
  int RoundSize() const { return roundSize_; }
  TColor ColorButton() const { return colorButton_; }
  std::string Caption() { return Text(); }
  ALIGN CaptionAlign() const { return captionAlign_; }
  int CaptionLeft() const { return captionLeft_; }
  int CaptionTop() const { return captionTop_; }
  MODALRESULT ModalResult = msNone;
  bool Cancel = false, Default = false;
  int HelpContext = 0;
  bool Pressed() const { return pressed_; }

  void SetButtonStyle(BTNSTYLE s);
  void SetRoundSize(int v);
  void SetBtnColor(TColor c);
  void SetCaptionAlign(ALIGN a);
  void SetCaptionLeft(int v);
  void SetCaptionTop(int v);
  void SetText(const std::string& text) override;
  void SetEnabled(bool v) override;

  void Loaded();
  int TextPosition();
  bool OnButton(int x, int y) const { return spare::RoundMaskOn(mask_, width_, height_, x, y); }

  void Click() override;
  bool WantKey(WORD key) override { return (key == VK_RETURN && Default) || (key == VK_ESCAPE && Cancel); }

 protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void BuildMask();
  void UpPrg();
  void Render(bool downLook);
  void EllipseButtonUp(TCanvas& c, int f);
  void EllipseButtonDown(TCanvas& c);
  void RoundButtonUp(TCanvas& c, int f);
  void RoundButtonDown(TCanvas& c);
  void CaptionPaint(TCanvas& c, int dx, int dy);

  BTNSTYLE buttonStyle_ = btRound;
  int roundSize_ = 20;
  TColor colorButton_ = clBtnFace;
  ALIGN captionAlign_ = psCenter;
  int captionLeft_ = -1, captionTop_ = -1;
  bool pressed_ = false;
  bool loaded_ = false;
  bool pressAccepted_ = false;  // the last left press was on the face
  bool clickArmed_ = false;     // the release that ends such a press came
  int lookOverride_ = -1;
  spare::HitGrid mask_;
};

enum TCheckBoxStyle { stCheckBox, stOnOffBox };
// Box side: taRightJustify, box at the left; taLeftJustify, box at the right
// (the framework's alignment names; taCenter acts as taLeftJustify).
typedef TAlignment TLEFTRIGHT;

// TNewCheckBox: a focusable check box drawn as a rounded box with a dot or a
// tick, or as a framed switch, on either side of its caption. It toggles on
// the left press; the left release fires OnClick and then OnMouseUp. There is
// no keyboard toggle. SetChecked fires nothing.
class TNewCheckBox : public TCustomControl {
 public:
  explicit TNewCheckBox(TWinControl* parent);

  bool Checked() const { return checked_; }
  TCheckBoxStyle BoxStyle() const { return boxStyle_; }
  int BoxWidth() const { return boxWidth_; }
  int RoundSize() const { return roundSize_; }
  TLEFTRIGHT Alignment() const { return alignment_; }
  bool Pressed() const { return pressed_; }
  std::string Caption() { return Text(); }
  TColor ColorCheck = clBlack, ColorBox = clWindow, ColorGradetion = clBtnFace;
  PAINTTYPE PaintType = btSolid;
  TColor ChkFontColor = clWindowText;
  int ShadowX = 0, ShadowY = 0;
  TColor ShadowColor = clBlack, ShadowCheckColor = clBlack;
  TColor EnabledLightColor = clWhite, EnabledDarkColor = clGray;
  bool ChkLine = false;
  int HelpContext = 0;

  // Repaints after changing the plain properties above.
  void Changed() { Invalidate(); }
  void SetCaption(const std::string& text) { SetText(text); }
  void SetText(const std::string& text) override;
  void SetEnabled(bool v) override;
  void SetChecked(bool v);
  void SetAlignment(TLEFTRIGHT a);
  void SetBoxStyle(TCheckBoxStyle s);
  void SetBoxWidth(int v);
  void SetRoundSize(int v);
  void Loaded() {}

  void Click() override {}

 protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void CheckBoxPaint(TCanvas& c);
  void OnOffBoxPaint(TCanvas& c);
  void CaptionPaint(TCanvas& c);
  void DrawGradetion(TCanvas& c, int x1, int x2);

  bool checked_ = false;
  TCheckBoxStyle boxStyle_ = stCheckBox;
  int boxWidth_ = 14;
  int roundSize_ = 10;
  TLEFTRIGHT alignment_ = taRightJustify;
  bool pressed_ = false;
};
