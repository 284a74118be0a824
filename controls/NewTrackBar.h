// TNewTrackBar: the system's track bar whose channel is drawn either as the
// selection-range box (styBox) or as a plain line (styLine). The main window's
// watch-speed bar is one.
//
// Events: OnChange fires when the position changes, by the user (dragging,
// clicking, keys) or by SetPosition with a new value; SetMin/SetMax fire it
// when they move the position into the new range. A write of the current
// position fires nothing. OnMouseDown/Move/Up fire after the window's own
// handling of the button message.
// The background around the channel is Color.
// BarStyle is applied when the window is made (also when it is made again) and
// by SetBarStyle, which repaints the channel at once.
#pragma once
#include "framework/Control.h"
#include "framework/StdCtrls.h"

enum TBarStyle { styBox = 0, styLine = 1 };
enum TTrackBarOrientation { trHorizontal, trVertical };

class TNewTrackBar : public TWinControl {
 public:
  explicit TNewTrackBar(TWinControl* parent);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position();
  void SetMin(int v);
  void SetMax(int v);
  void SetPosition(int v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);
  int LineSize() const { return lineSize_; }
  void SetLineSize(int v);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation o);

  TBarStyle BarStyle() const { return barStyle_; }
  void SetBarStyle(TBarStyle s);
  // Puts BarStyle into the window's style (the selection-range flag) and
  // repaints.
  void StyleSet();

  TNotifyEvent OnChange;

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void CreateParams(TCreateParams& p) override;
  void AfterCreate() override;

 private:
  void Changed(int newPosition);
  void ApplyAll();
  int min_ = 0, max_ = 10, position_ = 0;
  int frequency_ = 1, pageSize_ = 2, lineSize_ = 1;
  TTrackBarOrientation orientation_ = trHorizontal;
  TBarStyle barStyle_ = styBox;
  TControlBrush brush_;  // background in Color
};
