// Block converters of the whole-file conversion: the results of the routines
// of text/conv.h for one block of text at a time, made for speed. Runs of ASCII
// are copied sixteen bytes at a time; every other character is looked up in a
// table that the platform fills once per character value and converter; the
// output is appended to one buffer sized once per block.
//
// The input is a block of whole characters with no NUL in it (the caller cuts
// the file at NUL units and at character boundaries); bytes past its end are
// never looked at. Unconvertible characters become the substitute and are
// reported to the context exactly as the routines of text/conv.h report them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/conv.h"

namespace conv {

class BlockConverter {
 public:
  // ctx supplies the platform and the substitute, and receives the reports.
  explicit BlockConverter(Context& ctx);

  // Shift_JIS to UTF-8 or to UTF-16 in `order` (bytes appended to *out): each
  // character as SjisToWide maps it alone, through the platform's one-character
  // mapping; a character the platform maps to more than one unit, or to a
  // surrogate, goes through SjisToUtf8 / SjisToWide on its own.
  void SjisToUnicode(const unsigned char* s, size_t n, bool utf8, ByteOrder order, std::string* out);
  // UTF-8 to Shift_JIS as Utf8ToSjis gives it, except that nothing at the
  // block's start is taken for a mark: every character counts.
  void Utf8ToSjis(const unsigned char* s, size_t n, std::string* out);
  // EUC-JP to Shift_JIS as EucToSjis gives it.
  void EucToSjis(const unsigned char* s, size_t n, std::string* out);
  // EUC-JP to UTF-8 or UTF-16 in one step, for text of ASCII, half-width kana
  // and double-byte characters that the platform maps to one unit: what
  // EucToSjis and then SjisToUnicode give. False (nothing appended, nothing
  // reported) when the text holds anything else; the caller then takes the
  // two steps.
  bool EucToUnicode(const unsigned char* s, size_t n, bool utf8, ByteOrder order, std::string* out);

 private:
  // The table entry of the Shift_JIS character c (len bytes) for SjisToUnicode.
  uint32_t SjisEntry(const unsigned char* c, int len, bool utf8, bool big);
  // The entry of the EUC-JP pair b, t for EucToUnicode, through sjisTable:
  // a ready entry, or 2 for a pair that is no plain character.
  uint32_t EucPairEntry(unsigned b, unsigned t, std::vector<uint32_t>& sjisTable, bool utf8, bool big);
  Context& ctx_;
  char16_t subWide_ = u'?';
  unsigned char subSjis_[2] = {'?', '?'};
  bool asciiSjisIdentity_ = false;  // bytes 1-0x7F are U+0001-U+007F and back
  // Shift_JIS character (single byte b: b; pair: 256 + (lead << 8 | trail)) to
  // its output bytes (UTF-8, UTF-16 of either order): 0 not yet asked; 2: the
  // routines' own way; 1: the substitute; else its bytes and their count.
  std::vector<uint32_t> fromSjis_, fromSjisLittle_, fromSjisBig_;
  // EUC-JP pair (lead << 8 | trail) to its output bytes: 0 not yet asked; 2 no
  // plain character; else as above.
  std::vector<uint32_t> fromEuc_, fromEucLittle_, fromEucBig_;
  // UTF-16 unit to Shift_JIS: 0 not yet asked; 1: the substitute; else its bytes.
  std::vector<uint32_t> toSjis_;
};

}  // namespace conv
