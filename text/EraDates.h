// Era dates and Western years in code page 932 text: "平成12年" to "2000年"
// and "2019年" to "令和1年". Characters are classified by a forward scan from
// the text's start, so a trail byte is never taken for a letter or a digit.
// The width conversion of the text is injected.
#pragma once
#include <functional>
#include <string>

namespace eradates {

// Converts text to half width (toHalf) or full width.
using WidthFn = std::function<std::string(const std::string& text, bool toHalf)>;

// Era dates to Western years: a number with an era mark (a letter of
// "mtshrMTSHR", its full-width form, or 明 大 昭 平 令) at most six bytes
// before it becomes the Western year, in full width when asked.
std::string EraToYear(const std::string& text, bool fullWidth, const WidthFn& width);

// Western years (four digits ended by 年, ／ or /, spaces allowed before the
// end) to era dates. form 0 "r1", 1 "R1", 2 "令1", 3 "令和1"; full width when
// asked. Years before 1868, runs of other than four digits and years already
// led by an era mark stay.
std::string YearToEra(const std::string& text, int form, bool fullWidth, const WidthFn& width);

}  // namespace eradates
