// Reading and showing line numbers typed by the user: the text as a signed
// 64-bit number, the number with thousands separators, and the number in
// kanji units (万, 億, 兆, 京).
#pragma once
#include <cstdint>
#include <string>

namespace numbertext {

// The text as a signed 64-bit decimal number: optional blanks, an optional
// sign, then decimal digits only (leading zeros allowed). 0 when the text is
// anything else or the value does not fit.
int64_t ParseInt64(const std::u16string& text);

// The number with sep between groups of three digits ("#,###"); 0 gives the
// empty text, as that picture shows it.
std::u16string GroupThousands(int64_t value, const std::u16string& sep);

// The number in kanji units, from its decimal digits with the sign in front:
// each group of four digits that is not all zeros gives its value followed by
// its unit, so 123456789 reads 1億2345万6789 and 100000000 reads 1億.
std::u16string KanjiUnits(int64_t value);

}  // namespace numbertext
