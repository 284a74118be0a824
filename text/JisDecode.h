// How the bytes of a JIS (ISO-2022-JP) file read: the one rule for where its
// characters begin and end and which shift state is in force between them.
// The converter (conv::JisToSjis) reads with it, and so does every path that
// maps the view's text to file offsets, reads a range back, or writes text
// into the middle of a file, so that damaged bytes read the same everywhere.
//
// At each position, in this order: ESC & @ ESC $ B (6 bytes), ESC $ @,
// ESC $ B, ESC $ ( D, ESC ( B, ESC ( J, ESC ( I and SO set their mode in every
// mode; in a shift-out run, SI (taken) or a byte that is no kana (read on as
// single-byte) ends the run; in a double-byte run a byte in 0x21-0x7E pairs
// with the next when that is in 0x21-0x7E too, else it stands alone as a
// broken character (two substitute bytes); every other byte is one
// character, with its top bit set in a kana run when it is above 0x20.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/ReadAt.h"

namespace jisdecode {

// The decoder's state: its mode (0 single-byte, 1 double-byte, 2 kana by
// ESC ( I, 3 kana by SO) and the sequence that set it (empty: single-byte
// since the start, or since the end of a shift-out run).
struct State {
  int mode = 0;
  std::string designation;
  // The last character was a double-byte first byte left alone: a byte in
  // 0x21-0x7E written right behind it would pair with it.
  bool openLead = false;
};
// The same for the decoder and for the character sets the sequences name.
bool Same(const State& a, const State& b);
// The sequence that names the state's character set (ESC ( B for single-byte
// from the start, ESC $ B for a double-byte run without its sequence).
std::string Canonical(const State& s);
// What put in front of bytes makes the converter, which starts single-byte,
// read them in the state: nothing for single-byte, else its designation.
std::string Prefix(const State& s);

// One step of the reading: an escape sequence or shift byte (control), or a
// character with its Shift_JIS bytes.
struct Step {
  size_t start = 0, length = 0;
  bool control = false;
  unsigned char sjis[2] = {0, 0};
  int sjisLength = 0;  // 2 for a double-byte character and for a broken one, else 1
  bool broken = false;  // a double-byte character without its second byte ("??")
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

// How far back the state at an offset is looked for.
constexpr int64_t kStateWindow = int64_t{1} << 20;

// The text of data[0, size) read from `start`, and where it lies in the data:
// ends[k] (k = 0 .. text length) is the offset behind the character that the
// k-th byte of the text closes (0 for k = 0); inside a character's bytes it is
// that character's end. So ends[k] at a character border is the offset behind
// the characters before it, in front of the sequences that follow them.
struct Text {
  std::string sjis;
  std::vector<uint32_t> ends;
  State end;  // the state behind the data
};
Text Read(const unsigned char* data, size_t size, const State& start);

// The text index of a data offset: the bytes of the characters that end at or
// before it.
size_t IndexAt(const Text& t, size_t offset);

}  // namespace jisdecode
