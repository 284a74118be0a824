#include "text/JisEdit.h"

#include <algorithm>

#include "text/JisWrite.h"

namespace jisedit {

namespace {

std::string Before(const unsigned char* data, size_t at) {
  const size_t keep = std::min<size_t>(at, 5);
  return std::string(reinterpret_cast<const char*>(data) + at - keep, keep);
}

}  // namespace

Point Locate(const unsigned char* data, size_t size, const jisdecode::State& start, int64_t textIndex) {
  Point pt;
  jisdecode::Reader r(data, size, start);
  jisdecode::Step s;
  int64_t text = 0;
  bool haveNext = false;
  while (r.Next(&s)) {
    if (s.control) {
      if (text >= textIndex && pt.singleByte < 0 && r.state().mode == 0) pt.singleByte = static_cast<int64_t>(r.pos());
      continue;
    }
    if (text >= textIndex) {
      pt.nextStart = static_cast<int64_t>(s.start);
      pt.nextLength = static_cast<int64_t>(s.length);
      haveNext = true;
      break;
    }
    pt.prevStart = static_cast<int64_t>(s.start);
    pt.prevLength = static_cast<int64_t>(s.length);
    text += s.sjisLength;
    pt.caret = static_cast<int64_t>(s.start + s.length);
  }
  if (!haveNext) pt.nextStart = static_cast<int64_t>(r.pos());
  return pt;
}

Change Typed(const unsigned char* data, size_t size, const jisdecode::State& start, const Point& p,
             const std::string& sjis, bool kanaByShiftOut) {
  Change c;
  const jisdecode::State at = jisdecode::StateAt(data, size, start, static_cast<size_t>(p.caret), nullptr);
  c.at = at.mode != 0 && p.singleByte >= 0 ? p.singleByte : p.caret;
  c.bytes = jiswrite::Replacement(data, size, start, static_cast<size_t>(c.at), static_cast<size_t>(c.at), sjis,
                                  kanaByShiftOut, "?", nullptr);
  return c;
}

Change Removal(const unsigned char* data, size_t size, const jisdecode::State& start, int64_t fromIndex,
               int64_t toIndex) {
  Change c;
  jisdecode::Reader r(data, size, start);
  jisdecode::Step s;
  int64_t text = 0;
  bool begun = false;
  int64_t begin = 0, end = 0;
  while (text < toIndex && r.Next(&s)) {
    if (s.control) continue;
    if (!begun && text + s.sjisLength > fromIndex) {
      begun = true;
      begin = static_cast<int64_t>(s.start);
    }
    text += s.sjisLength;
    end = static_cast<int64_t>(s.start + s.length);
  }
  if (!begun) return c;
  const jisdecode::State from = jisdecode::StateAt(data, size, start, static_cast<size_t>(begin), nullptr);
  const jisdecode::State to = r.state();
  c.at = begin;
  c.length = end - begin;
  c.bytes = jiswrite::Join(Before(data, static_cast<size_t>(begin)), std::string(), from, to, false, "?", nullptr);
  return c;
}

}  // namespace jisedit
