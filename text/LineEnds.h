// Counting line ends in a buffer: the one scan of the line index, its
// lookups and the selection's line count.
//
// A line end is CR LF (counted once); with the lone rule a CR or an LF alone
// ends a line too. Wide text is scanned in 16-bit units in the given byte
// order. An LF right after a CR always belongs to that CR's pair.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lineends {

struct Rule {
  bool wide = false;       // 16-bit units (UTF-16) instead of bytes
  bool bigEndian = false;  // wide units high byte first
  bool lone = false;       // a lone CR or LF ends a line too
};

struct Count {
  size_t pos = 0;     // where the scan stopped (see CountLineEnds)
  int64_t ends = 0;   // line ends counted
  bool reached = false;  // stopped after maxEnds line ends; pos is just past the last
  bool held = false;     // stopped at a line end ending past limit; pos is its first byte
};

// Counts the line ends that begin in buf[from, n), in order. buf holds avail
// bytes (avail >= n); the bytes from n on are only looked at to see whether a
// CR at the range's end pairs with an LF. The unit before `from` counts as no
// CR. Stops after maxEnds line ends (maxEnds <= 0: no such stop) or before
// the first line end whose end lies past limit (a byte offset into buf).
// When the range is done, pos is n (its whole units from `from` for wide
// text), or the end of a pair that began on its last unit.
Count CountLineEnds(const uint8_t* buf, size_t from, size_t n, size_t avail, size_t limit, int64_t maxEnds,
                    const Rule& rule);

}  // namespace lineends
