// The whole-file search over a byte source: finds the first occurrence of a
// text from a byte offset on, in a file of any size in any of the five codes,
// reading it in overlapping chunks through a read callback. Pure: the file
// comes in through textio::ReadAt, case and code page 932 through
// conv::Platform.
//
// What counts as an occurrence is defined on decoded text: the file's bytes
// are decoded character by character as the viewer's conversions decode them
// (Shift_JIS bytes for Shift_JIS, EUC-JP and JIS files; UTF-16 units for
// UTF-16 and UTF-8 files; a NUL byte, or NUL unit, reads as 0x01), each
// character's elements are lower-cased unless case is told apart, and the
// first pattern and the second (kana-swapped) pattern are looked for; the
// earlier of the two wins, the first at the same place. An occurrence begins
// where a character begins (in UTF-16 files, at any unit): character
// boundaries are those of decoding from the search's start, also around
// undecodable bytes, so they do not depend on where a chunk begins.
//
// The search reads the file's own bytes: each pattern character's forms in
// the file's code (every source character that folds to it) give, for a
// prefix of the pattern, the bytes allowed at each offset; a vector scan finds
// the places where two of those offsets fit, and only there is the file
// decoded to confirm the occurrence. What that scan cannot take (JIS, EUC-JP
// chunks with bytes outside its regular forms, patterns with lone lead bytes
// or lone surrogates) is searched by decoding each chunk whole.
//
// Chunks start on character boundaries, and consecutive chunks overlap by
// enough bytes that an occurrence beginning in one chunk ends inside it. The
// hit's place and length come from the source bytes of the matched
// characters, not from the pattern.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/ReadAt.h"
#include "text/conv.h"

namespace textsearch {


// Directions of the kana conversion of a Shift_JIS text.
enum class KanaDirection { KataToHira, HiraToKata };
// Converts a Shift_JIS text's kana; gives the text unchanged when it cannot.
using KanaConverter = std::function<std::string(const std::string& sjis, KanaDirection direction)>;

// Lower case of a Shift_JIS text, character by character through code page
// 932: a character whose lower case has another byte length (or none) stays
// as it is; the second byte of a double-byte character is never looked at
// on its own.
class NarrowLowerCase {
 public:
  explicit NarrowLowerCase(conv::Platform& platform) : platform_(platform) {}
  void Apply(unsigned char* text, size_t length);
  std::string Lower(const std::string& text);
  // Asks the platform about every double-byte character at once (a search
  // that folds case looks at all of them).
  void Prepare();

 private:
  uint16_t Single(unsigned char b);
  uint16_t Pair(unsigned char lead, unsigned char trail);
  conv::Platform& platform_;
  uint32_t single_[256] = {};  // 0: not asked yet, else 0x10000 | result
  std::u16string pairs_;       // per lead<<8|trail: 0 not asked, 1 unchanged, else result
  bool prepared_ = false;
};

// Lower case of UTF-16 units, unit by unit as the locale's lower-casing of a
// whole text does.
class WideLowerCase {
 public:
  explicit WideLowerCase(conv::Platform& platform) : platform_(platform) {}
  void Apply(char16_t* text, size_t length);
  std::u16string Lower(const std::u16string& text);
  // Asks the platform about every unit at once.
  void Prepare();

 private:
  conv::Platform& platform_;
  std::vector<uint32_t> table_;  // per unit: 0 not asked yet, else 0x10000 | the lower-case unit
  bool prepared_ = false;
};

// The patterns of one search.
struct SearchPatterns {
  std::string p1n, p2n;       // Shift_JIS forms (codes 0, 3, 4)
  std::u16string p1w, p2w;    // UTF-16 forms (codes 1, 2)
  bool representable = true;  // code page 932 holds the text (else the narrow forms are empty)
  bool foldCase = false;      // the file's text is lower-cased before comparing
};

// Builds the patterns from the search text: the first pattern as typed (lower
// case unless caseSensitive); unless kanaSensitive, the second with katakana
// made hiragana or, when that changes nothing, hiragana made katakana. A text
// that code page 932 cannot hold gets no narrow forms and no second pattern.
SearchPatterns BuildSearchPatterns(conv::Platform& platform, const std::u16string& text, bool caseSensitive,
                                   bool kanaSensitive, const KanaConverter& kana);

// The file's code (the viewer's TextCode numbers).
enum SearchCode { scSjis = 0, scUtf16 = 1, scUtf8 = 2, scEuc = 3, scJis = 4 };

struct SearchSpec {
  int code = scSjis;
  bool bigEndian = false;   // UTF-16 byte order
  int64_t start = 0;        // byte offset of the first character searched
  int jisMode = 0;          // JIS: shift mode at start (0 single, 1 double-byte, 2 kana by ESC ( I, 3 kana by SO)
  int64_t step = 0x80000;   // bytes between the starts of consecutive chunks (before the boundary adjustment)
  int64_t minOverlap = 512; // the overlap is at least this many bytes
};

enum class SearchOutcome { Found, NotFound, Aborted, ReadError };

struct SearchResult {
  SearchOutcome outcome = SearchOutcome::NotFound;
  int64_t offset = 0;        // Found: byte offset of the first matched character
  int64_t sourceLength = 0;  // Found: bytes of the matched characters in the file
  int64_t matchedUnits = 0;  // Found: length of the match in the comparable form (Shift_JIS bytes or UTF-16 units)
  int64_t firstCharLength = 0;  // Found: bytes of the first matched character (Find Next goes on after it)
  int jisMode = 0;           // Found, JIS: shift mode at the hit
  int64_t reached = 0;       // Aborted: where a later search goes on (everything before it was searched)
  uint32_t error = 0;        // ReadError: the system's error code
};

// Searches fileSize bytes read through read (-1 from it: a read error,
// reported with the error that readError gives). The context gives the
// substitute of undecodable characters (nothing is reported in its
// unconvertible list); its platform is used for case. After each chunk,
// step(reached) is called with the offset reached; true from it ends the
// search as aborted.
SearchResult SearchBytes(const textio::ReadAt& read, int64_t fileSize, const SearchSpec& spec,
                         const SearchPatterns& patterns, conv::Context& context,
                         const std::function<bool(int64_t reached)>& step,
                         const std::function<uint32_t()>& readError);

// The overlap that SearchBytes uses for these patterns.
int64_t SearchOverlap(const SearchSpec& spec, const SearchPatterns& patterns);

}  // namespace textsearch
