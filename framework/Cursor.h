// The screen cursor: default (each window's own cursor) or the hourglass while
// long work runs on the GUI thread. While the hourglass is set, every
// WM_SETCURSOR of a framework window shows it.
#pragma once
#include <windows.h>

enum TCursor { crDefault, crHourGlass, crArrow, crHSplit, crVSplit };

class TScreen {
 public:
  static TScreen* Instance();
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  // The cursor handle that a window shows for a cursor kind (nullptr: its own).
  static HCURSOR CursorHandle(TCursor c);
  // WM_SETCURSOR (its lp) of a control with a cursor of its own: over the
  // client area, and unless the screen cursor wins, shows own. True when it did
  // (the control then answers TRUE; otherwise its base class shows the cursor).
  static bool ShowOwnCursor(LPARAM lp, LPCWSTR own);

 private:
  TCursor cursor_ = crDefault;
};

#define Screen (TScreen::Instance())

// Sets the hourglass for its lifetime and puts back the previous cursor.
class TCursorGuard {
 public:
  explicit TCursorGuard(TCursor c = crHourGlass) : previous_(Screen->Cursor()) { Screen->SetCursor(c); }
  ~TCursorGuard() { Screen->SetCursor(previous_); }
  TCursorGuard(const TCursorGuard&) = delete;
  TCursorGuard& operator=(const TCursorGuard&) = delete;

 private:
  TCursor previous_;
};
