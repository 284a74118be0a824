// Era dates and Western years in code page 932 text, with a width conversion
// for digits, Latin letters and spaces standing in for the library's.
#include <gtest/gtest.h>

#include <string>

#include "text/EraDates.h"

using eradates::EraToYear;
using eradates::YearToEra;

namespace {

std::string Width(const std::string& s, bool toHalf) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < s.size()) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      if (toHalf && c == 0x82 && d >= 0x4F && d <= 0x58) out += char('0' + d - 0x4F);
      else if (toHalf && c == 0x82 && d >= 0x60 && d <= 0x79) out += char('A' + d - 0x60);
      else if (toHalf && c == 0x82 && d >= 0x81 && d <= 0x9A) out += char('a' + d - 0x81);
      else out.append(s, i, 2);
      ++i;
      continue;
    }
    if (!toHalf && c >= '0' && c <= '9') out += std::string("\x82") + char(0x4F + c - '0');
    else if (!toHalf && c >= 'A' && c <= 'Z') out += std::string("\x82") + char(0x60 + c - 'A');
    else if (!toHalf && c >= 'a' && c <= 'z') out += std::string("\x82") + char(0x81 + c - 'a');
    else out += char(c);
  }
  return out;
}

const std::string kNen = "\x94\x4e";         // 年
const std::string kHeisei = "\x95\xbd\x90\xac";  // 平成
const std::string kReiwa = "\x97\xdf\x98\x61";   // 令和
const std::string kRei = "\x97\xdf";           // 令
std::string Full(const std::string& s) { return Width(s, false); }

}  // namespace

TEST(EraDates, EraToYear) {
  struct Case {
    std::string in;
    bool full;
    std::string out;
  } cases[] = {
      {kHeisei + "12" + kNen, false, "2000" + kNen},
      {"r1", false, "2019"},
      {"M45", false, "1912"},
      {"h1", true, Full("1989")},
      {Full("h1"), false, "1989"},                       // full-width mark and digit
      {"H1H2", false, "19891990"},                       // resumes right behind the year
      {"test 5", false, "tes1916"},                       // a t within six bytes is a mark
      {"\x83\x52\x81\x5b\x83\x68" "12", false, "\x83\x52\x81\x5b\x83\x68" "12"},  // コード12: trail bytes are no marks
      {"12 abc", false, "12 abc"},                        // no mark
      {"h       1", false, "h       1"},                  // the mark too far before
      {"", false, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EraToYear(c.in, c.full, Width), c.out) << c.in;
}

TEST(EraDates, YearToEra) {
  struct Case {
    std::string in;
    int form;
    bool full;
    std::string out;
  } cases[] = {
      {"2019" + kNen, 0, false, "r1" + kNen},
      {"2019" + kNen, 1, false, "R1" + kNen},
      {"2019" + kNen, 2, false, kRei + "1" + kNen},
      {"2019" + kNen, 3, false, kReiwa + "1" + kNen},
      {"2019" + kNen, 1, true, Full("R1") + kNen},
      {"2018" + kNen, 3, false, kHeisei + "30" + kNen},
      {"1989" + kNen, 0, false, "h1" + kNen},
      {"1867" + kNen, 0, false, "1867" + kNen},
      {"1999/", 0, false, "h11/"},
      {"1999 /", 0, false, "h11 /"},
      {Full("1999") + kNen, 0, false, "h11" + kNen},
      {"199" + kNen, 0, false, "199" + kNen},
      {"20190" + kNen, 3, false, "20190" + kNen},           // five digits are no year
      {kHeisei + "2019" + kNen, 0, false, kHeisei + "2019" + kNen},
      {"r1" + kNen + "2019" + kNen, 0, false, "r1" + kNen + "r1" + kNen},  // looking back stops at 年
      {"2019x", 0, false, "2019x"},
      {"\x83\x52\x81\x5b\x83\x68" "2019/", 0, false, "\x83\x52\x81\x5b\x83\x68" "r1/"},  // trail 'h' is no mark
  };
  for (const Case& c : cases) EXPECT_EQ(YearToEra(c.in, c.form, c.full, Width), c.out) << c.in;
}

TEST(EraDates, LinearOnALargeText) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "h1 2019/ ";
  const std::string years = EraToYear(text, false, Width);
  EXPECT_EQ(years.substr(0, 18), "1989 2019/ 1989 20");
  EXPECT_EQ(YearToEra("2019/ " + text, 0, false, Width).substr(0, 6), "r1/ h1");
}
