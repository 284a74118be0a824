// Character-code detection of a text file: the byte-order marks and the
// UTF-16 line-end pattern at the very start, then (when automatic detection
// is on) JIS escape sequences, UTF-16 line ends anywhere, and counts of
// UTF-8, Shift_JIS and EUC-JP sequences over the first megabytes.
//
// The scans walk the file in chunks. Each chunk is read a few bytes longer
// than the chunk itself so that a sequence that starts inside the chunk can
// take its trail bytes from the overlap; sequences start only inside the
// chunk, except in the last read, which is examined to its end. When a
// counted sequence runs past the chunk's end, the next chunk starts after it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "text/ReadAt.h"

namespace detect {

// Text codes (the order of the code box).
enum TextCode : int { kCodeSjis = 0, kCodeUtf16 = 1, kCodeUtf8 = 2, kCodeEuc = 3, kCodeJis = 4 };
// Byte orders of UTF-16 (the order of the byte-order box).
enum ByteOrder : int { kBigEndian = 0, kLittleEndian = 1 };

// Results of DetectTextCode.
enum DetectResult : int {
  kDetectNothing = 0,    // Shift_JIS, nothing decided
  kDetectSjis = 1,       // Shift_JIS decided by the counts
  kDetectUtf8 = 2,
  kDetectEuc = 3,
  kDetectJis = 4,
  kDetectUtf16 = 5,      // UTF-16 without mark
};

constexpr int64_t kChunk = 1048576;
// How many bytes of the start DecideByStart looks at.
constexpr size_t kHeadBytes = 10;

// Decision from the first bytes of the file (n = bytes actually read, at most
// kHeadBytes are looked at). A pattern counts only when all its bytes were
// read. decided is false for "anything else"; textCode is then 0, byteOrder 1.
struct StartDecision {
  bool decided = false;
  int textCode = kCodeSjis;
  int byteOrder = kLittleEndian;
  int bomLength = 0;
  bool hasBom = false;
};
StartDecision DecideByStart(const uint8_t* head, size_t n);

// Detection counts of the three counting scans.
struct Counts {
  uint32_t utf8 = 0;
  uint32_t sjis = 0;
  uint32_t euc = 0;
};

// Bytes the scans cover: the smaller of the file size and detectSizeMB MiB.
int64_t ScanLimit(int64_t fileSize, int detectSizeMB);

// The single scans over [0, limit) in chunks of `chunk` bytes (tests use
// small chunks to reach the chunk borders). A failed read ends a scan as if
// the data ended there.
bool ScanJis(const textio::ReadAt& read, int64_t limit, int64_t chunk = kChunk);
// Sets *byteOrder to 0 when any chunk holds the big-endian pattern; leaves it
// unchanged otherwise. The chunk is rounded up to an even size.
bool ScanUtf16(const textio::ReadAt& read, int64_t limit, int* byteOrder, int64_t chunk = kChunk);
bool ScanUtf8(const textio::ReadAt& read, int64_t limit, uint32_t* count, int64_t chunk = kChunk);
bool ScanSjis(const textio::ReadAt& read, int64_t limit, uint32_t* count, int64_t chunk = kChunk);
bool ScanEuc(const textio::ReadAt& read, int64_t limit, uint32_t* count, int64_t chunk = kChunk);

// The decision of the counts: U < S and E < S gives 1; S < U and U >= E
// gives 2; S < E and E >= U gives 3; otherwise 0 (also when no scan counted).
int DecideByCounts(const Counts& counts);

// The whole detection: JIS, then UTF-16 without mark, then the three counts.
// busy(true) and busy(false) bracket the counting scans (the caller shows the
// hourglass there). *byteOrder is changed only by a big-endian UTF-16 hit.
int DetectTextCode(const textio::ReadAt& read, int64_t fileSize, int detectSizeMB, int* byteOrder,
                   Counts* counts = nullptr, const std::function<void(bool)>& busy = {},
                   int64_t chunk = kChunk);

// TextCode of a detection result: 2, 3, 4 as they are, 5 gives 1, 0 and 1 give 0.
int TextCodeOfResult(int result);

}  // namespace detect
