// Writing text into the middle of a JIS (ISO-2022-JP) file. The bytes of a
// JIS file only mean something in the mode that the escape sequences and
// shift bytes before them set, so a range is cut out and replaced only at
// character ends, and the replacement is encoded from the mode in force where
// it starts and ends in the mode that the bytes behind it were read in. The
// reading here follows the converter's JIS decoding (conv::JisToSjis) step for
// step, so that the text the user edits is the text the file decodes to.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/ReadAt.h"

namespace jiswrite {

// The decoder's state: its mode (0 single-byte, 1 double-byte, 2 kana by
// ESC ( I, 3 kana by SO, as conv::JisSequenceAt names them) and the sequence
// that set it (empty: single-byte since the start, or since the end of a
// shift-out).
struct State {
  int mode = 0;
  std::string designation;
};
// The same for the decoder and for the character sets the sequences name.
bool Same(const State& a, const State& b);

// One step of the reading: an escape sequence or shift byte (control), or a
// character with its Shift_JIS bytes.
struct Step {
  size_t start = 0, length = 0;
  bool control = false;
  unsigned char sjis[2] = {0, 0};
  int sjisLength = 0;  // 2 for a double-byte character, else 1
  bool broken = false;  // a double-byte character without its second byte
};

// Reads data[0, size) step by step from a state. Bytes behind size count as 0.
class Reader {
 public:
  Reader(const unsigned char* data, size_t size, const State& state) : data_(data), size_(size), state_(state) {}
  // The next step, or false at the end of the data. The state is the one
  // behind the step.
  bool Next(Step* step);
  const State& state() const { return state_; }
  size_t pos() const { return pos_; }

 private:
  unsigned char At(size_t i) const { return i < size_ ? data_[i] : 0; }
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
  State state_;
};

// The state behind the bytes data[0, offset) read from `start`; *aligned is
// false when offset falls inside a character or a sequence.
State StateAt(const unsigned char* data, size_t size, const State& start, size_t offset, bool* aligned);

// The state in force at `offset` of a file, found from the bytes before it:
// the nearest escape sequence or shift-out before it (within `window` bytes)
// is read on to the offset; without one the file is single-byte there.
// *aligned is false when the offset falls inside a character or a sequence.
// False when a read fails.
bool StateBefore(const textio::ReadAt& read, int64_t offset, int64_t window, State* state, bool* aligned);

// The bytes that replace characters [first, last) of the range data[0, limit)
// read from `start` (data may hold a few bytes behind limit): from the end of
// character first - 1 (0 for the first character) to the start of character
// `last` (when there is none: limit, and over the sequences that follow it in
// data), so that the sequences between the replaced characters go with them;
// `from` is the state at `begin`, `to` the one that character `last` is read
// in (else the state at `end`). ok is false when a character or sequence runs
// over limit.
struct Cut {
  bool ok = false;
  size_t begin = 0, end = 0;
  State from, to;
};
Cut CutAt(const unsigned char* data, size_t size, size_t limit, const State& start, size_t first, size_t last);

// Whether JIS holds the Shift_JIS character (1 or 2 bytes).
bool Encodable(const unsigned char* sjis, int length);

// JIS bytes for Shift_JIS text written where the decoder is in state `from`,
// leaving it in a state the same as `to` (Same) behind them. Kana go in runs
// of SO/SI when kanaByShiftOut, else of ESC ( I. A character JIS cannot hold
// is written as `substitute` (Shift_JIS, itself encodable) and counted in
// *substituted.
std::string Encode(const std::string& sjis, const State& from, const State& to, bool kanaByShiftOut,
                   const std::string& substitute, size_t* substituted);

}  // namespace jiswrite
