// TBevel: a frame drawn on the parent, for grouping controls. It only paints:
// it lies below its siblings, never takes the mouse or the focus, and fires
// nothing. Make it after the controls it frames (a window made later goes
// below the earlier ones; the bevel also puts itself below all of them as its
// window is made). Shape bsFrame draws an etched rectangle (lowered or raised), bsBox a
// sunken or raised box edge.
#pragma once
#include "framework/Control.h"
#include "framework/StdCtrls.h"

enum TBevelShape { bsBox, bsFrame };

class TBevel : public TCustomControl {
 public:
  explicit TBevel(TWinControl* parent);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s);
  TBevelCut Style() const { return style_; }
  void SetStyle(TBevelCut s);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelCut style_ = bvLowered;
};
