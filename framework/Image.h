// An image: an own window that shows a picture (an off-screen bitmap that
// the program draws on), at its top-left corner or stretched to the
// control's size. No events of its own beyond the mouse events of every
// control; writes of properties fire nothing.
#pragma once
#include <windows.h>
#include "framework/Control.h"

class TImage : public TCustomControl {
 public:
  explicit TImage(TWinControl* parent);
  // The picture; call PictureChanged() after drawing on it or resizing it.
  TBitmap& Picture() { return picture_; }
  void PictureChanged() { Invalidate(); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  // A cursor of its own over the image (nullptr: the arrow).
  LPCWSTR Cursor = nullptr;

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  TBitmap picture_;
  bool stretch_ = false;
};
