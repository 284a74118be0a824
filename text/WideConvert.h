// The case, width and kana conversions of the UTF-16 edit dialog, by menu Tag
// 0 to 16. The locale's mappings come in through `wideconv::Mapper`; the
// Win32 side is dialogs/WideMapping.h. The arithmetic conversions (Latin
// letters and digits by 0xFEE0, word-initial capitals) and the choice of the
// runs that are mapped are done here.
#pragma once
#include <string>

namespace wideconv {

// The kinds of a locale mapping.
enum MapKind : unsigned {
  kHalfWidth = 1,
  kFullWidth = 2,
  kHiragana = 4,
  kKatakana = 8,
};

class Mapper {
 public:
  virtual ~Mapper() = default;
  // The locale's upper and lower case of the text in place.
  virtual void Upper(std::wstring& text) = 0;
  virtual void Lower(std::wstring& text) = 0;
  // The locale's mapping of UTF-16 text by kinds (an or of MapKind); false
  // when the mapping fails (text is then unspecified).
  virtual bool Map(std::wstring& text, unsigned kinds) = 0;
  // The same mapping done on the text's code page 932 form, the result read
  // back; false when it fails.
  virtual bool MapCp932(std::wstring& text, unsigned kinds) = 0;
};

// The conversions by Tag:
//  0 lower case, 1 upper case, 2 word-initial capitals;
//  to half width: 3 all, 4 katakana, 5 Latin letters, 6 digits, 7 symbols;
//  to full width: 8 all, 9 katakana, 10 Latin letters, 11 digits, 12 symbols;
//  13 katakana to hiragana, 14 hiragana to katakana, 15 hiragana to half-width
//  katakana, 16 half-width katakana to hiragana.
// Any other Tag, or a failing mapping, gives the text unchanged. Katakana and
// symbol kinds map only their runs; the rest of the text stays in place. The
// half-width katakana runs are U+FF66-U+FF9F, so the prolonged sound mark and
// the voiced marks go with their letters (ｶﾞ becomes ガ).
std::wstring Convert(const std::wstring& text, int tag, Mapper& mapper);

}  // namespace wideconv
