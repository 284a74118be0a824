// Exact multiply-divide on 64-bit values and the position and percentage maths
// of the 64-bit slider and the colour progress bar.
//
// The products of a 64-bit position with a track length or with 100 do not fit
// in 64 bits for files near 2^63 bytes, and the 32-bit compiler has no 128-bit
// integer. These routines form the product in 96 bits and divide it exactly.
// Wherever the plain 64-bit product fits, the result is bit for bit the plain
// expression's (a * b / c, truncated toward zero); beyond, it is the true value
// (saturated where the quotient itself leaves the 64-bit range).
//
// Pure code: no <windows.h>.
#pragma once
#include <cstdint>

namespace muldiv {

struct UQuot {
  uint64_t quotient;   // floor(a * b / c); UINT64_MAX when it does not fit
  uint64_t remainder;  // (a * b) mod c; 0 on overflow
  bool overflow;       // the quotient needs more than 64 bits
};

// floor(a * b / c) for unsigned values, the product held in 96 bits. c == 0
// gives an overflowed result (quotient UINT64_MAX).
UQuot MulDivU64(uint64_t a, uint32_t b, uint64_t c);

// a * b / c truncated toward zero, as signed 64-bit division does, with the
// product held in 96 bits; a quotient outside the int64 range saturates to
// INT64_MIN or INT64_MAX. c == 0 gives 0.
int64_t MulDivS64(int64_t a, int32_t b, int64_t c);

// a + b and a - b, saturated at the ends of the int64 range.
int64_t SatAdd64(int64_t a, int64_t b);
int64_t SatSub64(int64_t a, int64_t b);

// ---- 64-bit slider

// Offset of the thumb along the track: position * trackLength / max cut to int
// (the low 32 bits of the quotient, as the plain int cast gives). 0 when max is
// 0 or the track length is not above 0.
int TrackThumbOffset(int64_t position, int trackLength, int64_t max);

// The position a drag asks for: v = pointer - barPrs held to 0..trackLength,
// then max * v / trackLength. False (no position) when the track length is not
// above 0, or when the result lies outside 0..max.
bool TrackDragPosition(int64_t max, int pointer, int barPrs, int trackLength, int64_t* position);

// ---- Percentages of unsigned 64-bit values

// floor(100 * value / range), exact, independent of the floating-point unit's
// precision setting; 0 when range is 0; INT32_MAX when it would not fit an int.
int CalcPercent64(uint64_t value, uint64_t range);

// The progress bar's percentage done: a position below min counts as 0, else
// CalcPercent64(position - min, max - min).
int ProgressPercentDone(uint64_t position, uint64_t min, uint64_t max);

// The progress bar's percentage text value: position * 100 / max (floor);
// 0 when max is 0, INT32_MAX when it would not fit an int.
int ProgressParValue(uint64_t position, uint64_t max);

// The filled length of a bar of length barLength: barLength * position / max as
// a whole part (floor) and whether a fraction remains. A bar length not above
// 0 or a max of 0 gives 0.
struct Filled {
  int64_t whole;
  bool fraction;
};
Filled ProgressFilled(int barLength, uint64_t position, uint64_t max);

// Whether block i (1-based) of blockCount blocks shows: i * 100 / blockCount
// is not above position * 100 / max (both floor).
bool ProgressBlockShown(int i, int blockCount, uint64_t position, uint64_t max);
// Number of blocks that show (blocks show from the first on).
int ProgressBlocksShown(int blockCount, uint64_t position, uint64_t max);

}  // namespace muldiv
