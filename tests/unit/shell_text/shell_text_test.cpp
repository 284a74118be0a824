// Text rules of the shell integration: shortcut names, the separator of a
// code page 932 path, the file dialogs' filter, accepted extensions and the
// open-with values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/ShellText.h"

namespace {

using shelltext::OpenWithValue;

TEST(ShellNames, FileMogChkReplacesTheNineCharacters) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"/", "\x81\x5E"},  {"\"", "\x81\x68"}, {":", "\x81\x46"}, {"*", "\x81\x96"}, {"<", "\x81\x83"},
      {">", "\x81\x84"},  {"?", "\x81\x48"},  {"\\", "\x81\x8F"}, {"|", "\x81\x62"},
      {"a/b:c", "a\x81\x5E" "b\x81\x46" "c"},
      {"a//b", "a\x81\x5E\x81\x5E" "b"},  // every occurrence
      {"Vastrel", "Vastrel"},
      // "ソ" (83 5C): its trail byte is no "\", and a "\" after it ends that replacement.
      {"\x83\x5C", "\x83\x5C"},
      {"a\\\x83\x5C", "a\x81\x8F\x83\x5C"},
      {"\x83\x5C\\", "\x83\x5C\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(shelltext::FileMogChk(c.in), c.out) << c.in;
}

TEST(ShellNames, FileMogChkWReplacesTheNineCharacters) {
  EXPECT_EQ(shelltext::FileMogChkW(L"a/b\"c:d*e<f>g?h\\i|j"),
            L"a\xFF0F" L"b\x201D" L"c\xFF1A" L"d\xFF0A" L"e\xFF1C" L"f\xFF1E" L"g\xFF1F" L"h\xFFE5" L"i\xFF5C" L"j");
  EXPECT_EQ(shelltext::FileMogChkW(L"\x30BD\\"), L"\x30BD\xFFE5");  // no byte kinds in UTF-16
}

TEST(ShellNames, MogChangeStopsWhereItsReplacementHoldsTheOldText) {
  std::string s = "aXb";
  shelltext::MogChange(s, "X", "XX");  // found again where it was put: one round only
  EXPECT_EQ(s, "aXXb");
}

TEST(ShellNames, SeparatorAppendedUnlessASingleByteBackslashEnds) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"C:\\Users", "C:\\Users\\"},
      {"C:\\Users\\", "C:\\Users\\"},
      {"C:\\\x83\x5C", "C:\\\x83\x5C\\"},  // ends in "ソ": its 5C is a trail byte
      {"", "\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(shelltext::AppendSeparator(c.in), c.out) << c.in;
}

TEST(FileFilter, BuiltFromTheExtensionList) {
  struct Case {
    std::wstring list, filter;
  };
  const std::wstring head = L"テキスト(*.txt)\r\n*.txt";
  const std::wstring tail = L"\r\n全てのファイル(*.*)\r\n*.*";
  const Case cases[] = {
      {L".txt.ini.log", head + L"\r\nその他(.txt.ini.log)\r\n*.txt;*.ini;*.log" + tail},
      {L"", head + tail},
      {L"txt.log", head + tail},  // does not begin with "."
      {L".md", head + L"\r\nその他(.md)\r\n*.md" + tail},
      {L".c", head + tail},  // not longer than 2 characters
  };
  for (const Case& c : cases) EXPECT_EQ(shelltext::BuildFileFilter(c.list), c.filter) << c.list;
}

TEST(Extensions, AcceptedByTheLowerCasedExtension) {
  struct Case {
    std::wstring path;
    bool accepted;
  };
  const Case cases[] = {
      {L"C:\\a\\b.txt", true},    {L"C:\\a\\README.TXT", true}, {L"C:\\a\\b.lo", true},  // substring rule
      {L"C:\\a\\b.csv", false},   {L"C:\\a\\README", false},    {L"C:\\a.txt\\b", false},  // no extension
      {L"C:\\a\\b.", false},
  };
  for (const Case& c : cases) EXPECT_EQ(shelltext::ExtensionAccepted(c.path, L".txt.ini.log"), c.accepted) << c.path;
  EXPECT_FALSE(shelltext::ExtensionAccepted(L"C:\\a\\b.txt", L""));
}

TEST(Extensions, SplitBeforeEveryDot) {
  EXPECT_EQ(shelltext::SplitExtensions(L".txt.ini.log"), (std::vector<std::wstring>{L".txt", L".ini", L".log"}));
  EXPECT_EQ(shelltext::SplitExtensions(L" .txt "), (std::vector<std::wstring>{L".txt"}));
  EXPECT_TRUE(shelltext::SplitExtensions(L"").empty());
}

TEST(OpenWith, ListEntryTakesTheFirstFreeLetterAtTheEnd) {
  std::vector<OpenWithValue> values = {{L"a", L"notepad.exe"}, {L"c", L"write.exe"}};
  std::wstring mru, letter;
  shelltext::OpenWithListEntry(values, L"Vastrel.exe", mru, letter, true);
  EXPECT_EQ(letter, L"b");
  EXPECT_EQ(mru, L"acb");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values.back(), (OpenWithValue{L"b", L"Vastrel.exe"}));

  std::vector<OpenWithValue> none;
  shelltext::OpenWithListEntry(none, L"Vastrel.exe", mru, letter, false);  // removal: nothing added
  EXPECT_EQ(letter, L"a");
  EXPECT_EQ(mru, L"");
  EXPECT_TRUE(none.empty());
}

TEST(OpenWith, CommandQuotedAndReadBackInEveryForm) {
  EXPECT_EQ(shelltext::OpenWithCommand(L"C:\\Program Files\\V\\Vastrel.exe"),
            L"\"C:\\Program Files\\V\\Vastrel.exe\" \"%1\"");
  struct Case {
    std::wstring command, program;
  };
  const Case cases[] = {
      {L"\"C:\\Program Files\\V\\Vastrel.exe\" \"%1\"", L"C:\\Program Files\\V\\Vastrel.exe"},
      {L"C:\\V\\Vastrel.exe %1", L"C:\\V\\Vastrel.exe"},  // the old unquoted form
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(shelltext::CommandProgram(c.command), c.program) << c.command;
}

}  // namespace
