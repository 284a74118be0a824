#include "text/JisEdit.h"

#include "text/JisRange.h"

namespace jisedit {

namespace {

// Applies the control of length n at p to the mode; pending keeps an ESC & @
// prefix for the designation that follows it.
void Apply(const unsigned char* p, int n, Mode& mode, std::string& designation, std::string& pending) {
  const std::string seq(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
  if (p[0] == 0x0E) {
    mode = Mode::Kana;
    designation = seq;
  } else if (p[0] == 0x0F) {
    mode = Mode::Single;
    designation.clear();
  } else if (p[1] == '&') {
    pending = seq;
  } else if (p[1] == '$') {
    mode = Mode::Double;
    designation = pending + seq;
    pending.clear();
  } else if (p[2] == 'I') {
    mode = Mode::Kana;
    designation = seq;
  } else {
    mode = Mode::Single;
    designation.clear();
  }
}

int64_t CharLength(const unsigned char* data, size_t size, size_t i, Mode mode) {
  if (i >= size) return 0;
  if (mode == Mode::Double && data[i] >= 0x21 && i + 1 < size) return 2;
  return 1;
}

}  // namespace

Point Locate(const unsigned char* data, size_t size, int64_t textBytes) {
  Point pt;
  Mode mode = Mode::Single;
  std::string designation, pending;
  size_t i = 0;
  int64_t text = 0;
  while (i < size && text < textBytes) {
    const int control = jisrange::ControlLengthAt(data + i, size - i);
    if (control > 0) {
      Apply(data + i, control, mode, designation, pending);
      i += static_cast<size_t>(control);
      continue;
    }
    const int64_t n = CharLength(data, size, i, mode);
    pt.prevStart = static_cast<int64_t>(i);
    pt.prevLength = n;
    i += static_cast<size_t>(n);
    text += n;
  }
  pt.caret = static_cast<int64_t>(i);
  pt.mode = mode;
  pt.designation = designation;
  while (i < size) {
    const int control = jisrange::ControlLengthAt(data + i, size - i);
    if (control <= 0) break;
    Apply(data + i, control, mode, designation, pending);
    i += static_cast<size_t>(control);
  }
  pt.afterControls = static_cast<int64_t>(i);
  pt.modeAfter = mode;
  pt.nextStart = static_cast<int64_t>(i);
  pt.nextLength = CharLength(data, size, i, mode);
  return pt;
}

Insertion LineEndAt(const Point& p, const std::string& lineEnd) {
  Insertion ins;
  if (p.mode == Mode::Single) {
    ins.at = p.caret;
    ins.bytes = lineEnd;
  } else if (p.afterControls > p.caret && p.modeAfter == Mode::Single) {
    ins.at = p.afterControls;  // the run ends here: behind its closing sequence
    ins.bytes = lineEnd;
  } else {
    ins.at = p.caret;
    const std::string close = p.designation == "\x0E" ? "\x0F" : "\x1B(B";
    ins.bytes = close + lineEnd + p.designation;
  }
  return ins;
}

}  // namespace jisedit
