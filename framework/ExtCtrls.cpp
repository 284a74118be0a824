#include "framework/ExtCtrls.h"
#include <algorithm>
#include <cstdlib>
#include "framework/Cursor.h"

TSplitter::TSplitter(TWinControl* parent) : TCustomControl(parent) {
  width_ = 3;
  height_ = 100;
  align_ = alLeft;
  if (parent_) parent_->Realign();
}

void TSplitter::CreateParams(TCreateParams& p) {
  p.ClassName = L"TSplitter";
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
}

void TSplitter::Paint() {
  Canvas().BrushStyle = bsSolid;
  Canvas().BrushColor = color_;
  Canvas().FillRect(RECT{0, 0, ClientWidth(), ClientHeight()});
}

TWinControl* TSplitter::FindControl() {
  if (!parent_ || align_ == alNone || align_ == alClient) return nullptr;
  TWinControl* before = nullptr;  // the last aligned sibling of the same side made before the splitter
  TWinControl* nearest = nullptr;
  int best = 1 << 30;
  for (TWinControl* c : parent_->Controls()) {
    if (c == this) {
      if (!nearest) nearest = before;
      continue;
    }
    if (c->Align() != align_ || !c->Visible()) continue;
    int gap;
    switch (align_) {
      case alLeft: gap = left_ - (c->Left() + c->Width()); break;
      case alRight: gap = c->Left() - (left_ + width_); break;
      case alTop: gap = top_ - (c->Top() + c->Height()); break;
      default: gap = c->Top() - (top_ + height_); break;
    }
    if (gap >= 0 && gap < best) {
      best = gap;
      nearest = c;
    }
    before = c;
  }
  if (best == 0 || !before) return nearest;
  return nearest ? nearest : before;
}


void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    target_ = FindControl();
    if (target_) {
      dragging_ = true;
      downPt_ = POINT{left_ + x, top_ + y};
      startSize_ = Horizontal() ? target_->Height() : target_->Width();
      if (hwnd_) SetCapture(hwnd_);
    }
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  if (dragging_ && target_) {
    POINT pt = {left_ + x, top_ + y};  // parent client coordinates
    int delta = Horizontal() ? pt.y - downPt_.y : pt.x - downPt_.x;
    if (align_ == alRight || align_ == alBottom) delta = -delta;
    int size = startSize_ + delta;
    // Room that the client-aligned control can give up.
    int room = 1 << 30;
    for (TWinControl* c : parent_->Controls()) {
      if (c->Align() == alClient && c->Visible()) {
        int current = Horizontal() ? c->Height() : c->Width();
        int targetNow = Horizontal() ? target_->Height() : target_->Width();
        room = targetNow + current - MinSize;
      }
    }
    size = std::min(size, room);
    size = std::max(size, MinSize);
    if (Horizontal()) {
      if (size != target_->Height()) target_->SetHeight(size);
    } else if (size != target_->Width()) {
      target_->SetWidth(size);
    }
  }
  TWinControl::MouseMove(shift, x, y);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  bool moved = false;
  if (button == mbLeft && dragging_) {
    dragging_ = false;
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
    if (target_) moved = (Horizontal() ? target_->Height() : target_->Width()) != startSize_;
  }
  TWinControl::MouseUp(button, shift, x, y);
  if (moved && OnMoved) OnMoved(this);
}

LRESULT TSplitter::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETCURSOR && LOWORD(lp) == HTCLIENT && Screen->Cursor() == crDefault) {
    ::SetCursor(TScreen::CursorHandle(Horizontal() ? crVSplit : crHSplit));
    return TRUE;
  }
  if (msg == WM_CAPTURECHANGED && dragging_ && reinterpret_cast<HWND>(lp) != hwnd_) dragging_ = false;
  return TCustomControl::WndProc(msg, wp, lp);
}
