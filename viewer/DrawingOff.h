// Drawing off on a window and everything in it for a scope. Switching drawing
// off drops what was waiting to be painted in there: those windows are asked
// to paint again when drawing comes back on. What the scope itself changes is
// for the caller to repaint, so that only what shows something new paints. A
// window that is hidden is left alone: switching drawing back on would show it.
//
// With drawing off on its parent, an edit control works as if hidden: it
// takes new text or a new size without laying out and drawing its lines on
// the way, which costs far more than painting it once afterwards.
#pragma once

#include <windows.h>

#include <vector>

namespace vastrel {

class DrawingOff {
 public:
  explicit DrawingOff(HWND h);
  ~DrawingOff();
  DrawingOff(const DrawingOff&) = delete;
  DrawingOff& operator=(const DrawingOff&) = delete;
  // The window drawing is off on (null where it was hidden or none).
  HWND window() const { return h_; }

 private:
  static BOOL CALLBACK Note(HWND w, LPARAM self);
  HWND h_;
  std::vector<HWND> waiting_;
};

}  // namespace vastrel
