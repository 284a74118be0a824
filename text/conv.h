// The viewer's in-memory character-code conversions (UTF-16, UTF-8, EUC-JP,
// JIS and Shift_JIS, the pivot), without any platform call. The code page 932
// mapping of single characters and the locale's case functions come in through
// `conv::Platform`; the main window's fields that the conversions read and write
// come in through `conv::Context`. The viewer's Win32 side is viewer/CodeConv.h.
//
// Common rules of every converting routine here:
// - The input is NUL-terminated; nothing at or past the terminator is read except
//   the terminator itself. A null input gives no result (false).
// - The result goes to *out (replaced), its length being out->size() (bytes for the
//   narrow results, units for the UTF-16 results; `SjisToWide`'s length in bytes
//   is 2 x size()). An allocation failure gives no result (false).
// - No conversion emits a NUL that was not in its input: a character that cannot be
//   converted (a UTF-16 unit without a code page 932 form, a Shift_JIS pair that the
//   arithmetic rejects, a lead byte without its trail byte, a double-byte JIS or
//   EUC-JP byte without its partner) becomes the substitute in the target code and is
//   counted in `UnconvertibleCount` and listed in `UnconvertibleList`.
// - The byte order of a UTF-16 side is a parameter of each routine; no routine
//   changes its input.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_set>

#include "text/conv_bytes.h"

namespace conv {

// Platform services, implemented with code page 932 and the user's locale on
// Windows (viewer/CodeConv.cpp) and by tables in the host tests.
class Platform {
 public:
  virtual ~Platform() = default;
  // One character to code page 932: count is 1, or 2 for a surrogate pair. Writes
  // one or two bytes and returns their number; 0 when code page 932 lacks it (no
  // best-fit replacement).
  virtual int WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) = 0;
  // One code page 932 character of count (1 or 2) bytes to UTF-16: writes one or two
  // units and returns their number; 0 when the bytes are no character.
  virtual int SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) = 0;
  // Upper or lower case of count units (the result may differ in length only on a
  // platform that narrows the text first).
  virtual std::u16string UpperCase(const char16_t* text, size_t count) = 0;
  virtual std::u16string LowerCase(const char16_t* text, size_t count) = 0;
  // The locale's three-way compare (flags as the system's, 1 = ignore case): 1 less,
  // 2 equal, 3 greater, 0 failure.
  virtual int CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) = 0;
};

// The fields of the main window that the conversions use.
struct Context {
  Platform* platform = nullptr;        // required by the routines that map or compare
  std::string SubstituteChar = "?";    // key chmog: one or two bytes of code page 932
  bool MergeUnconvertible = false;     // key codechgnotinte
  std::u16string UnconvertibleList;    // "[c]" entries; cleared by the caller
  uint32_t UnconvertibleCount = 0;     // cleared by the caller
  bool KanaByShiftOut = false;         // set by JisToSjis, read by SjisToJis

  // The characters already listed, so that MergeUnconvertible stays linear: read
  // from UnconvertibleList at the first report of each conversion (the caller may
  // have cleared or set the list in between), then kept up to date.
  std::unordered_set<uint32_t> listedChars;
  std::u16string listedSnapshot;  // the list as listedChars knows it
  bool listedChecked = false;     // snapshot compared with the list in this conversion
};

// The two bytes that replace one unconvertible character in Shift_JIS: "??" when
// SubstituteChar is empty; its two bytes when it starts with a lead byte followed
// by a trail byte; otherwise its first byte twice ("??" when that byte is a lone
// lead byte, which would pair with the next character).
void SjisSubstitute(const Context& ctx, unsigned char out[2]);

// Appends one unconvertible character to the list (unless merged) and counts it.
// Every conversion clears listedChecked when it starts, so that a list changed
// in between (cleared by the caller) is read again.
void ReportUnconvertible(Context& ctx, const char16_t* units, int count);

// --- conversions ---

// UTF-16 text in byte order `order` to Shift_JIS. Skips a first mark unit. Each
// unit that code page 932 lacks becomes the two substitute bytes; a valid surrogate
// pair is reported once (one list entry with the pair, count 1) and gives two
// substitutes, so the result stays two bytes per unconvertible unit.
bool WideToSjis(Context& ctx, const char16_t* text, ByteOrder order, std::string* out);
// Shift_JIS to UTF-16 units in byte order `order` (Big: each unit's bytes exchanged).
// A byte sequence that is no code page 932 character becomes the first character of
// SubstituteChar (widened; '?' failing that) and is reported.
bool SjisToWide(Context& ctx, const char* text, ByteOrder order, std::u16string* out);
// UTF-8 (a leading EF BB BF skipped) to Shift_JIS, through native little-endian UTF-16.
bool Utf8ToSjis(Context& ctx, const char* text, std::string* out);
// Shift_JIS to UTF-8, through native little-endian UTF-16.
bool SjisToUtf8(Context& ctx, const char* text, std::string* out);
// UTF-16 in byte order `order` to UTF-8 (no mark written). A valid surrogate pair
// gives one four-byte sequence; a lone U+DC80-U+DCFF its raw byte; another lone
// surrogate its three-byte form.
bool WideToUtf8(const char16_t* text, ByteOrder order, std::string* out);
// UTF-8 to UTF-16 units in byte order `order`; see DecodeUtf8Char. Decoding then
// encoding gives back every input byte for byte.
bool Utf8ToWide(const char* text, ByteOrder order, std::u16string* out);
// Shift_JIS to EUC-JP.
bool SjisToEuc(Context& ctx, const char* text, std::string* out);
// EUC-JP to Shift_JIS.
bool EucToSjis(Context& ctx, const char* text, std::string* out);
// JIS (ISO-2022-JP) to Shift_JIS; sets KanaByShiftOut when a kana run is met.
bool JisToSjis(Context& ctx, const char* text, std::string* out);
// Length of the JIS escape or shift sequence at s (0 when none starts there), with
// the mode it selects in *mode: 0 single-byte, 1 double-byte, 2 kana by ESC ( I,
// 3 kana by SO. Reads up to four bytes at s.
int JisSequenceAt(const unsigned char* s, int* mode);
// Shift_JIS to JIS; kana runs marked with SO/SI when KanaByShiftOut, else ESC ( I.
bool SjisToJis(Context& ctx, const char* text, std::string* out);

// Swaps each byte pair of buf from byte index `start` up to `byteLength` (whole
// pairs only) when `order` is Big or `force` is set.
void SwapUtf16Bytes(void* buf, size_t byteLength, bool force, size_t start, ByteOrder order);

// Length of a NUL-terminated UTF-16 text.
size_t WideLength(const char16_t* text);

}  // namespace conv
