// Where a typed edit lands in a JIS (ISO-2022-JP) file. The view shows the
// file's text as the converter reads it (text/JisDecode.h), so a caret (an
// index into that text, from a place whose state is known) is found in the
// file by reading its bytes in step with the text: the characters around the
// caret are then known exactly, and an edit never cuts into an escape
// sequence or a character, nor joins the bytes around it into new ones.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/JisDecode.h"

namespace jisedit {

struct Point {
  int64_t caret = 0;  // offset behind the character before the caret (0: none)
  int64_t prevStart = 0, prevLength = 0;  // the character before the caret (length 0: none)
  int64_t nextStart = 0, nextLength = 0;  // the character at the caret (length 0: none)
  // The place behind the escapes and shift bytes that follow the caret where
  // single-byte mode is in force first (-1: none before the next character).
  int64_t singleByte = -1;
};

// Reads data (the file from a place in state `start`) to the caret that
// follows textIndex bytes of its text; a caret inside a character's text
// (between the two substitute bytes of a broken one) goes behind it.
// Offsets are relative to data.
Point Locate(const unsigned char* data, size_t size, const jisdecode::State& start, int64_t textIndex);

// data[at, at + length) becomes bytes.
struct Change {
  int64_t at = 0, length = 0;
  std::string bytes;
};

// Shift_JIS text (a line end, say) typed at the point. Where the run in force
// at the caret ends before the next character it goes behind that end, in
// single-byte mode; inside a run the run is closed in front of it and opened
// again behind it, so that the text around reads as before.
Change Typed(const unsigned char* data, size_t size, const jisdecode::State& start, const Point& p,
             const std::string& sjis, bool kanaByShiftOut);

// The text [from, to) of data removed: the bytes from the first character's
// own start to the end of the last, replaced by what keeps the text behind
// them in its state and keeps the bytes in front from joining those behind.
// length 0 when there is no character there.
Change Removal(const unsigned char* data, size_t size, const jisdecode::State& start, int64_t fromIndex,
               int64_t toIndex);

}  // namespace jisedit
