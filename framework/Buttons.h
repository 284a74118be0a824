// The speed button: an own painted button (flat or raised) with a glyph from an
// image list or a bitmap of its own, and an optional caption.
//
// Groups: buttons with the same non-zero GroupIndex under one parent form a
// group; pressing one sets it Down and the others up. With AllowAllUp a down
// button of a group goes up when pressed again. With GroupIndex 0 the button
// never stays down.
//
// Events: a left press fires OnMouseDown, the release fires OnMouseUp, then
// OnClick when released over the button (the step buttons repeat on the press
// and stop on the release). A quick second press counts as a press (two
// clicks), never as a double click. Right presses fire OnMouseDown/OnMouseUp only.
// Click() fires OnClick as a user click (and toggles Down in a group). Writes of
// Down, Glyph, Caption and so on by the program fire nothing.
#pragma once
#include <windows.h>
#include <string>
#include "framework/ComCtrls.h"
#include "framework/Control.h"

class TSpeedButton : public TCustomControl {
 public:
  explicit TSpeedButton(TWinControl* parent);

  std::string Caption() { return Text(); }
  void SetCaption(const std::string& c) { SetText(c); }
  void SetTextW(const std::wstring& t) override;

  // The glyph: an image of Images (when ImageIndex >= 0), else Glyph() when it
  // has a size.
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* list);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int i);
  // A bitmap glyph of the button's own; pixels of its bottom-left colour are
  // transparent. Call GlyphChanged() after drawing on it.
  TBitmap& Glyph() { return glyph_; }
  void GlyphChanged() { Invalidate(); }

  int GroupIndex = 0;
  bool AllowAllUp = false;
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  void SetEnabled(bool v) override;

  void Click() override;
  // Whether the mouse is held down on the button now.
  bool Pressed() const { return pressed_; }

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void UpdateGroup();
  TImageList* images_ = nullptr;
  int imageIndex_ = -1;
  TBitmap glyph_;
  bool down_ = false, flat_ = false, pressed_ = false, hot_ = false, dragging_ = false;
};
