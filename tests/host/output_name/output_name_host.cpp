// The conversion's output name, as a table.
#include <gtest/gtest.h>

#include "text/OutputName.h"

using pathtext::BuildOutputName;

TEST(BuildOutputName, Table) {
  struct Case {
    const wchar_t* path;
    bool cut;
    const wchar_t* code;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\d\\abc.txt", false, L"utf8", L"C:\\d\\abc(utf8).txt"},
      {L"C:\\d\\abc.txt", true, L"", L"C:\\d\\abc.txt"},
      {L"C:\\d\\abc(utf8).txt", true, L"euc", L"C:\\d\\abc(euc).txt"},     // the code part replaced
      {L"C:\\d\\abc(utf8).txt", false, L"euc", L"C:\\d\\abc(utf8)(euc).txt"},  // chosen with the folder button
      {L"C:\\d\\a(1)b.txt", true, L"", L"C:\\d\\a.txt"},                   // loses its "(" part even unchecked
      {L"C:\\d\\(memo).txt", true, L"sjis", L"C:\\d\\(memo)(sjis).txt"},   // a leading "(" keeps the base
      {L"C:\\d\\(memo)(utf8).txt", true, L"jis", L"C:\\d\\(memo)(jis).txt"},
      {L"C:\\d\\(memo).txt", true, L"", L"C:\\d\\(memo).txt"},
      {L"C:\\d\\readme", true, L"euc", L"C:\\d\\readme(euc)"},              // no extension, none added
      {L"C:\\d\\a.tar.gz", true, L"utf16", L"C:\\d\\a.tar(utf16).gz"},
      {L"C:\\x.y\\file", true, L"sjis", L"C:\\x.y\\file(sjis)"},            // a dot of the folder is no extension
      {L"file.txt", true, L"utf8", L"file(utf8).txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildOutputName(c.path, c.cut, c.code), c.expected) << c.path;
}
