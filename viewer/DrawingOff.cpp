#include "viewer/DrawingOff.h"

namespace vastrel {

DrawingOff::DrawingOff(HWND h) : h_(h && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) ? h : nullptr) {
  if (!h_) return;
  // Nothing of this thread waiting to be painted (the usual case): no window
  // in there needs asking.
  if (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) {
    Note(h_, reinterpret_cast<LPARAM>(this));
    EnumChildWindows(h_, Note, reinterpret_cast<LPARAM>(this));
  }
  SendMessageW(h_, WM_SETREDRAW, FALSE, 0);
}

DrawingOff::~DrawingOff() {
  if (!h_) return;
  SendMessageW(h_, WM_SETREDRAW, TRUE, 0);
  for (HWND w : waiting_) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

BOOL CALLBACK DrawingOff::Note(HWND w, LPARAM self) {
  if ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) && GetUpdateRect(w, nullptr, FALSE)) {
    reinterpret_cast<DrawingOff*>(self)->waiting_.push_back(w);
  }
  return TRUE;
}

}  // namespace vastrel
