// The bookmark store on disk (under wine): the section reader against the
// profile functions, and entries with line ends kept one line each.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/MessageService.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/IniStore.h"

using testsupport::MakeTempDir;
using testsupport::ReadBytes;
using testsupport::Utf16Le;
using testsupport::WriteBytes;

namespace {
std::vector<std::wstring> Lines(const TStrings& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(ItemTextWide(list, i));
  return out;
}

std::vector<std::wstring> ReadFromText(const std::wstring& store, const std::wstring& section) {
  TStringList list;
  IniStore::ReadSectionFromText(store, section, list);
  std::vector<std::wstring> out = Lines(list);
  return out;
}

bool ProfileFinds(const std::wstring& store, const std::wstring& section) {
  return IniStore(store, true).IniSectionExists(store, section);
}
}  // namespace

TEST(BookmarkStore, SectionReaderMatchesTheProfileFunctions) {
  const std::wstring dir = MakeTempDir(L"bkstore");
  const std::wstring store = dir + L"\\bookdata.ini";
  const std::wstring text = std::wstring(1, 0xFEFF) +
                            L"[C:\\Logs\\ab.txt]\r\n1@1#0=ascii\r\n"
                            L"[C:\\Logs\\\x00E9t\x00E9.txt]\r\n2@2#0=latin\r\n"
                            L"[C:\\Logs\\\xFF41\xFF42.txt]\r\n3@3#0=wide\r\nno equals here\r\n\r\n4@4#1=wide two\r\n"
                            L"[other]\r\n5@5#0=not this\r\n";
  ASSERT_TRUE(WriteBytes(store, Utf16Le(text)));
  // ascii: the profile functions of wine 8 fold ASCII letters only, so
  // only those cases are compared with them.
  struct Case {
    std::wstring asked;
    std::vector<std::wstring> lines;
    bool ascii;
  } cases[] = {
      {L"C:\\Logs\\ab.txt", {L"1@1#0=ascii"}, true},
      {L"c:\\LOGS\\AB.TXT", {L"1@1#0=ascii"}, true},
      {L"C:\\Logs\\\x00C9T\x00C9.txt", {L"2@2#0=latin"}, false},           // Latin-1 case pair
      {L"C:\\Logs\\\xFF21\xFF22.txt", {L"3@3#0=wide", L"4@4#1=wide two"}, false},  // full-width case pair
      {L"C:\\Logs\\\x00E9t\x00E9.txt", {L"2@2#0=latin"}, true},
      {L"C:\\Logs\\a.txt", {}, true},
      {L"Logs\\ab.txt", {}, true},  // only the whole header line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.asked));
    EXPECT_EQ(ReadFromText(store, c.asked), c.lines);
    if (c.ascii) EXPECT_EQ(ProfileFinds(store, c.asked), !c.lines.empty());
  }
  EXPECT_TRUE(ReadFromText(dir + L"\\missing.ini", L"C:\\Logs\\ab.txt").empty());
  EXPECT_TRUE(ReadFromText(store, L"").empty());
}

TEST(BookmarkStore, EntriesWithLineEndsStayOneLineEach) {
  std::vector<std::wstring> seen;
  ScopedMessageHandler quiet([&](const MessageRequest& r) {
    seen.push_back(r.text);
    return IDOK;
  });
  const std::wstring dir = MakeTempDir(L"bkround");
  const std::wstring store = dir + L"\\bookdata.ini";
  ASSERT_TRUE(WriteBytes(store, std::string("\xFF\xFE", 2)));
  const std::vector<std::wstring> entries = {
      L"10@10#0=one line", L"20@20#1=Title\\@\\two\r\nlines", L"30@30#2= lead\nlone LF",
      L"40@40#3=\x0010" L"escape unit", L"50@50#4=c:\\dir\\\"x\"@\\@1"};
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "profile functions" : "memory ini");
    IniStore s(store, unicode);
    TStringList list;
    for (auto& e : entries) AddWithWideCopy(list, e);
    ASSERT_TRUE(s.WriteIniSection(L"C:\\f.txt", list));
    // One line per entry in the file.
    std::string bytes = ReadBytes(store);
    std::wstring fileText;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      fileText += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    size_t lineEnds = 0;
    for (size_t p = fileText.find(L'\n'); p != std::wstring::npos; p = fileText.find(L'\n', p + 1)) ++lineEnds;
    EXPECT_EQ(lineEnds, entries.size() + 1) << testing::PrintToString(fileText);
    TStringList back;
    s.ReadIniSection(L"C:\\f.txt", back);
    EXPECT_EQ(Lines(back), entries);
    ASSERT_TRUE(s.EraseIniSection(L"C:\\f.txt"));
  }
  EXPECT_TRUE(seen.empty());
}
