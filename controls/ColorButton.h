// TColorButton: a self-painted push button with a modal result, the OK and
// Cancel buttons of the dialogs whose text lives in UTF-16 child windows.
//
// Clicking (left press and release inside, Enter or Esc as below, or Click())
// fires OnClick and then sets the owning form's modal result to ModalResult,
// also when that is msNone, so an OnClick handler cannot keep the dialog open
// by clearing the form's result.
//
// Keys (see framework/Control.h for the routing):
// - Enter while the button has the focus is taken by the button itself
//   (WantKey): KeyDown clicks it once, whether it is Default or not.
// - Enter while the focus is elsewhere and not taken there (a single-line EDIT,
//   a check box, ...) comes as a dialog key: the Default button clicks once.
//   Esc, wherever the focus is, comes as a dialog key: the Cancel button clicks
//   once. A disabled or hidden button ignores both.
// - After Enter/Esc through KeyDown the pressed face stays until the next
//   left-button release (dialogs close on those clicks anyway).
// Events fired by property writes: none. Every setter invalidates.
#pragma once
#include <string>
#include "controls/ControlTypes.h"
#include "framework/Control.h"

class TColorButton : public TCustomControl {
 public:
  explicit TColorButton(TWinControl* parent);
  ~TColorButton() override;

  bool Cancel = false;                // Esc clicks the button
  MODALRESULT ModalResult = msNone;   // copied to the owning form on every click
  LPCWSTR Cursor = IDC_ARROW;         // mouse cursor over the button

  bool Default() const { return default_; }
  ALIGN CaptionAlign() const { return captionAlign_; }
  int CaptionLeft() const { return captionLeft_; }
  int CaptionTop() const { return captionTop_; }
  int LineAlfLevel() const { return lineAlfLevel_; }
  int Indent() const { return indent_; }
  int IconSize() const { return iconSize_; }
  HICON Glyph() const { return glyph_; }
  std::string Caption() { return Text(); }
  bool Pressed() const { return pressed_; }

  // Copies the icon (nullptr clears it).
  void SetGlyph(HICON icon);
  void SetCaptionAlign(ALIGN a);
  void SetCaptionLeft(int v);
  void SetCaptionTop(int v);
  void SetCaption(const std::string& text) { SetText(text); }
  void SetText(const std::string& text) override;
  void SetTextW(const std::wstring& text) override;
  void SetEnabled(bool v) override;
  void SetDefault(bool v);
  void SetLineAlfLevel(int v);
  void SetIndent(int v);
  void SetIconSize(int v);

  // Caption y for the current CaptionAlign.
  int TextPosition();
  // Per channel b + ((a - b) * level) / 256, system colours resolved first.
  static int GetAlphaColor(int a, int b, int level);

  void Click() override;
  bool WantKey(WORD key) override { return key == VK_RETURN; }
  bool DialogKey(WORD key) override;

 protected:
  void Paint() override;
  void CreateParams(TCreateParams& p) override;
  void CreateWnd() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Render(TBitmap& bmp, bool down);
  void PaintNow(bool down);
  void RoundButtonUp(TCanvas& c, int k, int W, int H);
  void RoundButtonDown(TCanvas& c, int W, int H);
  void CaptionPaint(TCanvas& c, int dx, int dy, int W, int H);
  void UpPrg();

  bool default_ = false;
  ALIGN captionAlign_ = psCenter;
  int captionLeft_ = -1, captionTop_ = -1;
  int lineAlfLevel_ = 220;
  int indent_ = 0, iconSize_ = 16;
  HICON glyph_ = nullptr;
  bool pressed_ = false;
  bool leftDownInside_ = false;
};
