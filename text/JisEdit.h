// Where a typed edit lands in a JIS (ISO-2022-JP) file. The view shows the
// text without the escape sequences and shift bytes, so a caret (a count of
// text bytes from a line start, where the file is in single-byte mode) is
// found in the file by walking its bytes from that line start in step with
// the text: the characters around the caret are then known exactly, and an
// edit never cuts into an escape sequence or a double-byte character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace jisedit {

enum class Mode { Single, Double, Kana };

struct Point {
  int64_t caret = 0;       // offset just behind the text byte before the caret
  Mode mode = Mode::Single;  // the mode in force there
  std::string designation;   // the sequence that opened the run in force at the caret
  int64_t prevStart = 0, prevLength = 0;  // the character before the caret (length 0: none)
  int64_t afterControls = 0;  // offset behind the escapes and shift bytes that follow the caret
  Mode modeAfter = Mode::Single;
  int64_t nextStart = 0, nextLength = 0;  // the character at the caret (length 0: none)
};

// Walks data (the file from a line start) to the caret that follows
// textBytes text bytes. Offsets are relative to data.
Point Locate(const unsigned char* data, size_t size, int64_t textBytes);

struct Insertion {
  int64_t at = 0;     // relative to data
  std::string bytes;  // what goes in
};
// A line end typed at the point: inside a run it closes the run, adds the
// line end and opens the run again, so that every line starts in
// single-byte mode; at a run's border it goes on the single-byte side.
Insertion LineEndAt(const Point& p, const std::string& lineEnd);

}  // namespace jisedit
