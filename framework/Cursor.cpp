#include "framework/Cursor.h"

TScreen* TScreen::Instance() {
  static TScreen screen;
  return &screen;
}

HCURSOR TScreen::CursorHandle(TCursor c) {
  switch (c) {
    case crHourGlass: return LoadCursorW(nullptr, IDC_WAIT);
    case crArrow: return LoadCursorW(nullptr, IDC_ARROW);
    case crHSplit: return LoadCursorW(nullptr, IDC_SIZEWE);
    case crVSplit: return LoadCursorW(nullptr, IDC_SIZENS);
    default: return nullptr;
  }
}

bool TScreen::ShowOwnCursor(LPARAM lp, LPCWSTR own) {
  if (LOWORD(lp) != HTCLIENT || CursorHandle(Instance()->Cursor())) return false;
  ::SetCursor(LoadCursorW(nullptr, own));
  return true;
}

void TScreen::SetCursor(TCursor c) {
  if (c == cursor_) return;
  cursor_ = c;
  // Show it now, not only at the next mouse move: the work that follows may not
  // let a WM_SETCURSOR through for a while.
  if (HCURSOR h = CursorHandle(c)) {
    ::SetCursor(h);
  } else {
    POINT pt;
    GetCursorPos(&pt);
    HWND under = WindowFromPoint(pt);
    if (under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
      SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)), WM_MOUSEMOVE));
    } else {
      ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
  }
}
