// TMyTrackBar: a self-painted slider whose range and position are signed 64-bit
// numbers (the viewer's file-position bar). A rounded track with a groove and a
// round gradient thumb, drawn into an off-screen bitmap and copied to the screen
// in one step.
//
// Events fired by property writes:
// - SetPosition repaints at once and fires OnChange on EVERY call, also when the
//   value did not change (the viewer relies on this to redisplay its page).
// - SetMin, SetMax, SetStep, SetLineSize, SetPageSize: no repaint, no event;
//   SetMax does not move the position (a position above a lowered Max stays
//   until the next SetPosition, and the thumb is then drawn past the track).
// - SetBarPrs, SetOrientation and the colour setters only invalidate.
// - SetEnabled repaints at once; no event.
// User input:
// - Left press beside the thumb pages by Step (Step / 30 with Shift) through
//   SetPosition (so OnChange fires); on the thumb it starts a drag. Every press
//   first takes the focus and fires OnMouseDown; other buttons do nothing else.
// - A drag moves the position through SetPosition on each mouse move (OnChange
//   per move). The pointer at BarPrs gives 0, at BarPrs + track length gives Max.
// - Left release: OnMouseUp, then OnClick (the framework's own click on release
//   is not used by this control, so OnClick fires once).
// - With KeyDownEvent set, Left/Up and Right/Down move by LineSize, Page Up and
//   Page Down by PageSize (through SetPosition); OnKeyDown fires afterwards in
//   every case. The dialog code asks only for the arrow keys.
// Min is ignored by drawing and dragging. Paging and keys saturate at the ends
// of the 64-bit range instead of overflowing; a track not longer than 0 pixels
// draws the thumb at its start and ignores drags.
#pragma once
#include <cstdint>
#include "controls/ControlTypes.h"
#include "framework/Control.h"

class TMyTrackBar : public TCustomControl {
 public:
  explicit TMyTrackBar(TWinControl* parent);
  ~TMyTrackBar() override;

  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }
  int64_t Position() const { return position_; }
  int Step() const { return step_; }
  int LineSize() const { return lineSize_; }
  int PageSize() const { return pageSize_; }
  int BarPrs() const { return barPrs_; }
  TColor BoxColor() const { return boxColor_; }
  TColor BtnColor() const { return btnColor_; }
  TColor BtnFocusColor() const { return btnFocusColor_; }
  TColor FocusColor() const { return focusColor_; }
  TProgressBarOrientation Orientation() const { return orientation_; }
  bool KeyDownEvent = true;
  // Mouse cursor over the control (a system cursor id such as IDC_HAND).
  LPCWSTR Cursor = IDC_ARROW;

  void SetMin(int64_t v);
  void SetMax(int64_t v);
  void SetPosition(int64_t v);
  void SetStep(int v);
  void SetLineSize(int v);
  void SetPageSize(int v);
  void SetOrientation(TProgressBarOrientation o);
  void SetBoxColor(TColor c);
  void SetBtnColor(TColor c);
  void SetBtnFocusColor(TColor c);
  void SetFocusColor(TColor c);
  void SetBarPrs(int v);
  void SetEnabled(bool v) override;
  void SetBounds(int l, int t, int w, int h) override;

  // True while the pointer is over the thumb.
  bool GetNobFocus() const { return hover_; }

  TNotifyEvent OnChange;

  // Paints the whole picture and copies it to the window at once.
  void BarDraw();
  // The thumb, at (x, y) of the bitmap, in the given colour.
  void RoundDraw(TBitmap& bmp, TColor color, int x, int y);

  // State read by the program's tests and by the owner.
  int ThumbStart() const { return thumbStart_; }  // left (horizontal) or top edge of the thumb
  int TrackLength() const { return orientation_ == pbHorizontal ? trackLenH_ : trackLenV_; }
  bool Dragging() const { return dragging_; }
  TColor ThumbColor() const { return thumbColor_; }

  void Click() override {}

 protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void CreateParams(TCreateParams& p) override;

 private:
  void Render();
  void RecalcTrack();
  int64_t min_ = 0, max_ = 100, position_ = 0;
  int step_ = 10, lineSize_ = 1, pageSize_ = 1, barPrs_ = 15;
  TColor boxColor_ = clGray, btnColor_ = clBtnFace, btnFocusColor_ = clYellow, focusColor_ = clBlue;
  TProgressBarOrientation orientation_ = pbHorizontal;
  TBitmap bitmap_;
  TBitmap mask_;
  int trackLenH_ = 0, trackLenV_ = 0;
  int thumbStart_ = 0;
  TColor thumbColor_ = clBlack;
  bool hover_ = false;
  bool dragging_ = false;
};
