// The splitter: a thin bar of an own class, aligned like the control it sits
// beside. Dragging it resizes that control (the aligned sibling just before it
// on its side), never below MinSize, nor so far that the parent's client area
// left for the alClient control falls below MinSize. OnMoved fires after a drag
// that changed the size; writes by the program fire nothing.
#pragma once
#include <windows.h>
#include "framework/Control.h"

class TSplitter : public TCustomControl {
 public:
  explicit TSplitter(TWinControl* parent);
  int MinSize = 30;
  TNotifyEvent OnMoved;
  // The control the splitter resizes (found at the start of each drag).
  TWinControl* FindControl();

 protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  bool Horizontal() const { return align_ == alTop || align_ == alBottom; }
  TWinControl* target_ = nullptr;
  bool dragging_ = false;
  POINT downPt_ = {0, 0};  // parent client coordinates
  int startSize_ = 0;
};
