// Pure ini pieces: the store section reader, integer reading, one-character test.
#include <gtest/gtest.h>

#include "text/IniText.h"

using namespace initext;

TEST(IniText, SectionLinesFromStoreText) {
  const std::wstring text =
      L"\xFEFF[C:\\a.txt]\r\n10@20#1= leading blank kept\r\nno equals line\r\n\r\n30@40#2=x=y\r\n"
      L"[C:\\b.txt]\r\n1@1#0=b\r\n[c:\\A.TXT]\r\nlater=dup\r\n";
  EXPECT_EQ(SectionLinesFromText(text, L"C:\\a.txt"),
            (std::vector<std::wstring>{L"10@20#1= leading blank kept", L"30@40#2=x=y"}));
  EXPECT_EQ(SectionLinesFromText(text, L"C:\\b.txt"), (std::vector<std::wstring>{L"1@1#0=b"}));
  // Sections are found as the profile functions find them: letters without case, first one wins.
  EXPECT_EQ(SectionLinesFromText(text, L"c:\\A.TXT").size(), 2u);
  EXPECT_TRUE(SectionLinesFromText(text, L"C:\\missing.txt").empty());
  EXPECT_TRUE(SectionLinesFromText(text, L"").empty());
  EXPECT_EQ(SectionHeadersFromText(text), (std::vector<std::wstring>{L"[C:\\a.txt]", L"[C:\\b.txt]", L"[c:\\A.TXT]"}));
}

TEST(IniText, SectionReaderLineEnds) {
  // A last section without a line end after its last line, LF-only lines.
  EXPECT_EQ(SectionLinesFromText(L"[s]\na=1\r\nb=2", L"s"), (std::vector<std::wstring>{L"a=1", L"b=2"}));
  EXPECT_TRUE(SectionLinesFromText(L"[s]\r\n", L"s").empty());
  EXPECT_TRUE(StoreLines(L"\xFEFF").empty());
}

TEST(IniText, ParseIniInteger) {
  struct Case {
    const char* text;
    int want;
  } cases[] = {
      {"12", 12},        {" 12 ", 12},  {"-3", -3},   {"+4", 4},  {"0x10", 16}, {"$ff", 255},
      {"$FFFFFFFF", -1}, {"", 77},      {"abc", 77},  {"12abc", 77}, {"1.5", 77}, {"99999999999", 77},
      {"2147483647", 2147483647},       {"-2147483648", -2147483647 - 1}, {"-", 77}, {"0x", 77},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseIniInteger(std::string(c.text), 77), c.want);
  }
  EXPECT_EQ(ParseIniInteger(std::wstring(L"42"), 0), 42);
}

TEST(IniText, IsOneCp932Char) {
  EXPECT_TRUE(IsOneCp932Char("?"));
  EXPECT_TRUE(IsOneCp932Char("\xB1"));      // half-width katakana
  EXPECT_TRUE(IsOneCp932Char("\x81\x48"));  // full-width question mark
  EXPECT_FALSE(IsOneCp932Char(""));
  EXPECT_FALSE(IsOneCp932Char("ab"));
  EXPECT_FALSE(IsOneCp932Char("\x81"));     // a lone lead byte
  EXPECT_FALSE(IsOneCp932Char("\x81\x20"));  // lead byte with a byte that is no trail byte
  EXPECT_FALSE(IsOneCp932Char("\x81\x48?"));
}

TEST(IniText, StoreLineQuoting) {
  struct Case {
    const wchar_t* line;
    const wchar_t* stored;
  } cases[] = {
      {L"a=plain", L"a=plain"},
      {L"a= lead", L"a=\" lead\""},
      {L"a=trail ", L"a=\"trail \""},
      {L"a=\"q\"", L"a=\"\"q\"\""},
      {L"a='q'", L"a=\"'q'\""},
      {L"a=", L"a="},
      {L"a=\"", L"a=\""},
      {L"no equals ", L"no equals "},
      {L"a=x=\" y \"", L"a=x=\" y \""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(QuoteStoreLine(c.line), c.stored);
    EXPECT_EQ(UnquoteStoreLine(c.stored), c.line);
  }
}

TEST(IniText, Utf16IniUnits) {
  EXPECT_TRUE(HasUtf16IniUnits(std::string("[\0s\0]\0", 6)));
  EXPECT_TRUE(HasUtf16IniUnits(std::string("a\0=\0", 4)));
  EXPECT_FALSE(HasUtf16IniUnits(std::string("[s]\r\na=1\r\n\0rest", 15)));  // NUL after an odd-offset LF
  EXPECT_FALSE(HasUtf16IniUnits("Bush hid the facts"));
  EXPECT_FALSE(HasUtf16IniUnits(""));
}
