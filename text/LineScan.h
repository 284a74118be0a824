// Line-boundary scans over a file: backward to the start of a line at or
// before a position, forward to the start of the next line. Narrow codes step
// by bytes, UTF-16 by 2-byte units in either byte order.
//
// The scans also keep two pieces of line bookkeeping of the page display:
// the number of the page's first line (FirstLineNumber) and the last line
// start found by a forward scan (0 when none).
//
// Two implementations give identical results and side effects: the block
// scans (namespace linescan) read the file through a buffer of 64 KiB that
// grows to 1 MiB, so that a file without line ends costs one read per block,
// and never read at or past realSize (bytes there count as 0); the reference
// scans (namespace linescan::reference) take one small read per step and are
// kept for the tests that compare the two.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/ReadAt.h"

namespace linescan {

struct LineState {
  int64_t firstLineNumber = 0;
  int64_t lastLineStart = 0;
};

struct ScanOptions {
  // The CR/LF switch: a lone CR and a lone LF also end a line. Off: only
  // CR LF ends a line.
  bool loneLineEnds = false;
  // UTF-16 only: 0 big endian, 1 little endian.
  int byteOrder = 1;
  // Buffer of the block scans: first read size and the size it grows to.
  size_t firstBlock = 65536;
  size_t maxBlock = 1048576;
};

// Backward scan from p: the start of the line after the (n+1)-th line end at
// or before p, counting from p downwards; 0 when there are not that many.
// A line end at p itself (n = 0) gives the start of the following line.
// Side effects: at the line end that ends the scan, firstLineNumber is
// lowered by 1 when above 0 and lastLineStart := 0; every other step that
// finds firstLineNumber at 1 sets it and lastLineStart to 0. Returns -1 for a
// negative p or a failed read.
int64_t FindLineStartBack(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t p,
                          const ScanOptions& opt, LineState& state);

// The UTF-16 twin: an odd p is first made even (p - 1; 1 becomes 2); p = 0
// gives 0 at once. An LF unit at offset 0 does not end a line.
// firstLineNumber goes from 1 to 0 only at a line end that does not end the
// scan (and by the lowering at the one that does).
int64_t FindLineStartBackWide(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t p,
                              const ScanOptions& opt, LineState& state);

// Forward scan from p up to limit: the position after the (n+1)-th line end
// at or after p, or the limit when there is none before it (p itself when it
// is not below the limit). p = 0 gives 0. At the line end that ends the scan:
// when the new position differs from lastLineStart and lies below
// pageStartLimit (the slider maximum less one step), firstLineNumber += 1;
// lastLineStart := the new position. The narrow scan looks at the byte at p
// and the one after it only; the wide one also at the unit before p, so an
// LF unit right after a CR unit is not a lone line end.
int64_t FindLineStartForward(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t limit,
                             int64_t pageStartLimit, int64_t p, const ScanOptions& opt, LineState& state);
int64_t FindLineStartForwardWide(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t limit,
                                 int64_t pageStartLimit, int64_t p, const ScanOptions& opt, LineState& state);

// Even position of the wide scans: p - 1 for odd p, except that 1 becomes 2.
int64_t EvenPosition(int64_t p);

namespace reference {
int64_t FindLineStartBack(const textio::ReadAt& read, int64_t n, int64_t p, const ScanOptions& opt,
                          LineState& state);
int64_t FindLineStartBackWide(const textio::ReadAt& read, int64_t n, int64_t p, const ScanOptions& opt,
                              LineState& state);
int64_t FindLineStartForward(const textio::ReadAt& read, int64_t n, int64_t limit, int64_t pageStartLimit,
                             int64_t p, const ScanOptions& opt, LineState& state);
int64_t FindLineStartForwardWide(const textio::ReadAt& read, int64_t n, int64_t limit, int64_t pageStartLimit,
                                 int64_t p, const ScanOptions& opt, LineState& state);
}  // namespace reference

}  // namespace linescan
