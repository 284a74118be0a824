// Writing text into the middle of a JIS (ISO-2022-JP) file. The bytes of a
// JIS file only mean something in the mode that the escape sequences and
// shift bytes before them set, so a range is cut out and replaced only at
// character ends, and the replacement is encoded from the mode in force where
// it starts and ends in the mode that the bytes behind it were read in. The
// reading is the converter's own (text/JisDecode.h), so that the text the user
// edits is the text the file decodes to.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/JisDecode.h"

namespace jiswrite {

// The reading is the one of text/JisDecode.h.
using jisdecode::Reader;
using jisdecode::Same;
using jisdecode::State;
using jisdecode::StateAt;
using jisdecode::StateBefore;
using jisdecode::Step;

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

// The bytes that replace data[begin, end) (both offsets behind characters, or
// 0) so that the data reads as the text before begin, then the Shift_JIS text
// `sjis`, then the text behind end, each as it read before: written from the
// state at begin into the state at end, with a designation in front when the
// bytes before begin would otherwise join the new ones (a double-byte first
// byte left alone, the start of an escape sequence read as text) and behind
// them when the new text itself ends in the start of a sequence.
std::string Replacement(const unsigned char* data, size_t size, const State& start, size_t begin, size_t end,
                        const std::string& sjis, bool kanaByShiftOut, const std::string& substitute,
                        size_t* substituted);

// The same for callers that know the states and the bytes before begin: `from`
// is the state at begin, `to` the state the bytes behind the replaced ones are
// read in, `before` the bytes in front of begin (its last five are enough).
std::string Join(const std::string& before, const std::string& sjis, const State& from, const State& to,
                 bool kanaByShiftOut, const std::string& substitute, size_t* substituted);

}  // namespace jiswrite
