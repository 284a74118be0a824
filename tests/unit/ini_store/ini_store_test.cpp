// The list-store layer: the UTF-16LE-with-mark rule and whole-section
// reads and writes through both paths.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/IniStore.h"

using testsupport::MakeTempDir;
using testsupport::ReadBytes;
using testsupport::Utf16Le;
using testsupport::WriteBytes;

namespace {
const std::string kMark("\xFF\xFE", 2);

std::vector<std::wstring> Texts(const TStrings& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(ItemTextWide(list, i));
  return out;
}

struct NoMessages {
  std::vector<std::wstring> seen;
  ScopedMessageHandler scope{[this](const MessageRequest& r) {
    seen.push_back(r.text);
    return IDOK;
  }};
  ~NoMessages() { EXPECT_TRUE(seen.empty()) << (seen.empty() ? "" : WideToCp932(seen[0])); }
};
}  // namespace

TEST(IniStore, EnsureIniUnicode) {
  NoMessages quiet;
  const std::wstring storeText = L"[C:\\日本.txt]\r\n1@2#3=テキスト\r\n";
  const std::string cp932 = WideToCp932(storeText);
  std::string be("\xFE\xFF", 2);
  for (wchar_t c : storeText) {
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  struct Case {
    const char* name;
    bool exists;
    std::string before;
    std::string after;
  } cases[] = {
      {"missing file", false, "", kMark},
      {"empty file", true, "", kMark},
      {"code page store", true, cp932, kMark + Utf16Le(storeText)},
      {"big-endian store left alone", true, be, be},
      {"store with its mark left alone", true, kMark + Utf16Le(storeText), kMark + Utf16Le(storeText)},
      {"UTF-16LE without mark gets the mark", true, Utf16Le(storeText), kMark + Utf16Le(storeText)},
      // Converted up to the NUL byte, and the file cut after the converted text.
      {"code page store with a NUL byte", true, "[s]\r\na=1\r\n" + std::string(1, '\0') + "old bytes after the NUL",
       kMark + Utf16Le(L"[s]\r\na=1\r\n")},
      // Narrow text without any NUL byte is converted even where the statistics call it Unicode.
      {"ASCII text of even length", true, "Bush hid the facts", kMark + Utf16Le(L"Bush hid the facts")},
  };
  std::wstring dir = MakeTempDir(L"ensure");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring path = dir + L"\\store" + std::to_wstring(n++) + L".ini";
    if (c.exists) {
      ASSERT_TRUE(WriteBytes(path, c.before));
    }
    IniStore::EnsureIniUnicode(path);
    bool ok = false;
    EXPECT_EQ(ReadBytes(path, &ok), c.after);
    EXPECT_TRUE(ok);
  }
  // MakeFileUnicode says whether it rewrote the file.
  std::wstring path = dir + L"\\again.ini";
  ASSERT_TRUE(WriteBytes(path, cp932));
  EXPECT_TRUE(IniStore::MakeFileUnicode(path));
  EXPECT_FALSE(IniStore::MakeFileUnicode(path));
}

TEST(IniStore, ConvertedStoreReadsTheSameInBothModes) {
  NoMessages quiet;
  std::wstring dir = MakeTempDir(L"conv");
  std::wstring store = dir + L"\\bookdata.ini";
  ASSERT_TRUE(WriteBytes(store, WideToCp932(L"[C:\\日本.txt]\r\n1@2#3=テキスト\r\n10@20#4=二行目\r\n[C:\\b.txt]\r\n5@5#0=b\r\n")));
  TStringList before;
  IniStore(store, false).ReadIniSection(L"C:\\日本.txt", before);
  IniStore::EnsureIniUnicode(store);
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode);
    TStringList list;
    IniStore(store, unicode).ReadIniSection(L"C:\\日本.txt", list);
    EXPECT_EQ(Texts(list), Texts(before));
    EXPECT_EQ(Texts(list), (std::vector<std::wstring>{L"1@2#3=テキスト", L"10@20#4=二行目"}));
  }
}

TEST(IniStore, SectionRoundTrips) {
  NoMessages quiet;
  std::vector<std::wstring> large;
  for (int i = 0; i < 700; ++i)  // well past one 16384-byte block
    large.push_back(std::to_wstring(i * 100) + L"@" + std::to_wstring(i) + L"#" + std::to_wstring(i) +
                    L"=行のテキスト " + std::wstring(20, L'x'));
  struct Case {
    const char* name;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"empty", {}},
      {"one line", {L"100@205#12=  blank before the title\\@\\text"}},
      // Blanks around values and a value's own quotes survive the profile functions.
      {"blanks and quotes", {L"1@1#0= lead", L"2@2#1=trail\t", L"3@3#2=\"quoted\"", L"4@4#3=", L"5@5#4=a \"b\" c"}},
      {"larger than the growth step", large},
  };
  for (bool unicode : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << (unicode ? " wide" : " memory"));
      std::wstring dir = MakeTempDir(L"round");
      std::wstring store = dir + L"\\bookdata.ini";
      IniStore::EnsureIniUnicode(store);
      IniStore s(store, unicode);
      const std::wstring section = L"C:\\フォルダ\\file 1.txt";
      TStringList other;
      AddWithWideCopy(other, L"1@1#0=other");
      ASSERT_TRUE(s.WriteIniSection(L"C:\\other.txt", other));
      TStringList list;
      for (auto& l : c.lines) AddWithWideCopy(list, l);
      ASSERT_TRUE(s.WriteIniSection(section, list));
      // Writing again replaces the section instead of adding to it.
      ASSERT_TRUE(s.WriteIniSection(section, list));
      TStringList back;
      AddWithWideCopy(back, L"stale item");
      s.ReadIniSection(section, back);
      EXPECT_EQ(Texts(back), c.lines);
      EXPECT_EQ(s.IniSectionExists(store, section), !c.lines.empty());
      TStringList o;
      s.ReadIniSection(L"C:\\other.txt", o);
      EXPECT_EQ(Texts(o), (std::vector<std::wstring>{L"1@1#0=other"}));
      EXPECT_EQ(ReadBytes(store).substr(0, 2), kMark);  // still UTF-16LE with mark
      // The other mode reads what this one wrote.
      TStringList cross;
      IniStore(store, !unicode).ReadIniSection(section, cross);
      EXPECT_EQ(Texts(cross), c.lines);
      // Erasing another section makes the profile functions rewrite the whole file.
      ASSERT_TRUE(s.EraseIniSection(L"C:\\other.txt"));
      s.ReadIniSection(section, back);
      EXPECT_EQ(Texts(back), c.lines);
    }
  }
}

TEST(IniStore, WidePathKeepsTextOutsideTheCodePage) {
  NoMessages quiet;
  std::wstring store = MakeTempDir(L"wide") + L"\\bookdata.ini";
  IniStore::EnsureIniUnicode(store);
  IniStore s(store, true);
  TStringList list;
  AddWithWideCopy(list, L"1@2#3=한국어 テキスト");
  ASSERT_TRUE(s.WriteIniSection(L"C:\\한\\a.txt", list));
  TStringList back;
  s.ReadIniSection(L"C:\\한\\a.txt", back);
  EXPECT_EQ(Texts(back), (std::vector<std::wstring>{L"1@2#3=한국어 テキスト"}));
  EXPECT_EQ(back.Get(0), "");  // an empty text with the line as its wide object
  TStringList direct;
  IniStore::ReadSectionFromText(store, L"C:\\한\\a.txt", direct);
  EXPECT_EQ(Texts(direct), Texts(back));
}

TEST(IniStore, NamesEraseAndExistence) {
  NoMessages quiet;
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "wide" : "memory");
    std::wstring dir = MakeTempDir(L"names");
    std::wstring store = dir + L"\\gyolist.ini";
    IniStore::EnsureIniUnicode(store);
    IniStore s(store, unicode);
    TStringList names;
    AddWithWideCopy(names, L"stale");
    s.ReadIniNames(L"", store, names);  // a store of only its mark has no names
    EXPECT_EQ(names.Count(), 0);
    EXPECT_FALSE(s.IniSectionExists(store, L"C:\\a.txt"));
    for (const wchar_t* sec : {L"C:\\a.txt", L"C:\\b 日本.txt", L"C:\\c.txt"}) {
      TStringList l;
      AddWithWideCopy(l, L"path=list0.txg");
      AddWithWideCopy(l, L"other=1");
      ASSERT_TRUE(s.WriteIniSectionOf(store, sec, l));
    }
    s.ReadIniNames(L"", store, names);
    EXPECT_EQ(Texts(names), (std::vector<std::wstring>{L"C:\\a.txt", L"C:\\b 日本.txt", L"C:\\c.txt"}));
    s.ReadIniNames(L"C:\\b 日本.txt", store, names);
    EXPECT_EQ(Texts(names), (std::vector<std::wstring>{L"path", L"other"}));
    EXPECT_TRUE(s.IniSectionExists(store, L"C:\\c.txt"));
    ASSERT_TRUE(s.EraseIniSectionOf(store, L"C:\\b 日本.txt"));
    s.ReadIniNames(L"", store, names);
    EXPECT_EQ(Texts(names), (std::vector<std::wstring>{L"C:\\a.txt", L"C:\\c.txt"}));
    EXPECT_TRUE(s.EraseIniSectionOf(store, L"C:\\never.txt"));
    TStringList headers;
    IniStore::ReadSectionHeaders(store, headers);
    EXPECT_EQ(Texts(headers), (std::vector<std::wstring>{L"[C:\\a.txt]", L"[C:\\c.txt]"}));
    EXPECT_EQ(ReadBytes(store).substr(0, 2), kMark);
  }
  IniStore missing(L"C:\\no\\such\\bookdata.ini", true);
  EXPECT_FALSE(missing.IniSectionExists(missing.BookStore(), L"x"));
  TStringList l;
  missing.ReadIniSection(L"x", l);
  EXPECT_EQ(l.Count(), 0);
}
