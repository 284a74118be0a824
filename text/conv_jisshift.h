// The JIS shift state around a file offset (`JisShiftAt`), over an
// injected byte source so that it runs without a file on any host.
#pragma once
#include <cstdint>
#include <string>

namespace conv {

// The open file as JisShiftAt sees it.
class JisByteSource {
 public:
  virtual ~JisByteSource() = default;
  // Reads up to count bytes at the absolute offset pos into buf; returns the number
  // read (fewer at the end of the file), or -1 when the file cannot be read there.
  virtual int ReadAt(int64_t pos, unsigned char* buf, int count) = 0;
  // Lets pending messages run (called between steps).
  virtual void Pump() {}
};

// What the backward search found before the offset.
enum class JisRunKind { None = 0, DoubleByte = 1, Kana = 2 };

// Finds whether a range that begins at `offset` of a JIS file begins inside a run
// and counts the escape bytes of the range.
// 1. Backward search from the offset, at most 1025 steps of one byte, stopping at
//    CR LF or at a sequence that ends a run (ESC ( B, ESC ( J, SI). A designation that
//    starts a run (ESC $ @, ESC $ B, ESC $ ( D, ESC ( I or SO) before the offset means
//    the range begins inside that run: when pageBuffer is given, it is replaced by
//    that designation followed by its first *count bytes. The designation found at
//    the offset itself is part of the range and ends the search without a prefix.
// 2. Forward count from offset + 1 while the low 32 bits n of rangeLength (as a signed 32-bit value) are at
//    least 3 (n decreases by one per step): each escape sequence adds its length
//    (ESC ( B, ESC ( J, ESC $ @, ESC $ B, ESC & @ and ESC ( I three, ESC $ ( D four)
//    and SO and SI one each.
// 3. *count grows by 3 for the run start in every case (3 for the designation found,
//    or 3 when none was found: the range read later holds a 3-byte start), plus the
//    forward count.
// A failed read or a move before the file's start ends the step it happens in with
// the count as far as it got.
JisRunKind JisShiftAt(JisByteSource& file, int64_t offset, std::string* pageBuffer, int64_t* count,
                      int64_t rangeLength);

}  // namespace conv
