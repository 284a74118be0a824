// The arithmetic of reading the selected range back from the file: where the
// read starts, how many bytes it takes (never more than one allocation can hold
// in a 32-bit process), and which line end dominates the bytes read.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rangeread {

// Reads without a cap never take more than this.
constexpr int64_t kUncappedCeiling = int64_t{256} << 20;

struct RangeInput {
  int code = 0;  // 0 Shift_JIS, 1 UTF-16, 2 UTF-8, 3 EUC-JP, 4 JIS
  bool narrowReader = false;
  int64_t selStart = 0;  // file units
  int64_t selLength = 0; // file units, negative for a backward selection
  // JIS caret state (narrow reader, code 4): 3 outside a double-byte run.
  int jisShiftState = 3;
  bool jisRunStart = false;
};

// The range in bytes: the JIS adjustment of the narrow reader (start 3 bytes back
// inside a run, or 3 more bytes when the range begins at a run's first
// character), a backward selection made forward, and UTF-16 units doubled to
// bytes in both readers. The escape bytes that the JIS shift search adds come
// after this.
struct ByteRange {
  int64_t start = 0;
  int64_t length = 0;
};
ByteRange RangeBytes(const RangeInput& in);

struct ReadCount {
  bool ok = false;     // false: the range is too large to read at once
  size_t count = 0;    // bytes to allocate and read (plus the reader's spare)
};

// The number of bytes to read for a range of `length` bytes: at most 64 KB on
// Windows 95 and 98, else at most `cap` when cap is above 0; a read without a cap
// may not exceed kUncappedCeiling (nor the cap-free reads go beyond what a 32-bit
// size holds).
ReadCount CountToRead(int64_t length, int64_t cap, bool win9x);

// The dominant line end of raw bytes: 0 CR LF when its pairs are at least as many
// as the lone CRs and lone LFs together, else 1 when lone LFs are fewer than lone
// CRs, else 2. UTF-16 is counted by units in the file's order.
int DominantLineEnd(const unsigned char* bytes, size_t length, bool wide, bool bigEndian);

}  // namespace rangeread
