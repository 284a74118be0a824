// The list-store layer: the UTF-16LE-with-mark rule and whole-section
// reads and writes through both paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "framework/Cp932.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/IniStore.h"

using testsupport::MakeTempDir;
using testsupport::ReadBytes;
using testsupport::Utf16Le;
using testsupport::WriteBytes;
using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;

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

// Every box that the store layer shows, with its text.
struct Notices {
  std::vector<std::wstring> seen;
  ScopedMessageHandler scope{[this](const MessageRequest& r) {
    seen.push_back(r.text);
    return IDOK;
  }};
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(IniStore, EnsureIniUnicode) {
  const std::wstring storeText = L"[C:\\日本.txt]\r\n1@2#3=テキスト\r\n";
  const std::string cp932 = WideToCp932(storeText);
  std::string be("\xFE\xFF", 2);
  for (wchar_t c : storeText) {
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  const std::string withNul = "[s]\r\na=1\r\n" + std::string(1, '\0') + "old bytes after the NUL";
  const std::wstring nulUnit = L"[s]\r\na=1" + std::wstring(1, L'\0') + L"2\r\n";
  enum Kept { None, Bak, Broken };
  struct Case {
    const char* name;
    bool exists;
    std::string before;
    std::string after;
    Kept kept;  // which copy of the old file is left beside the store
  } cases[] = {
      {"missing file", false, "", kMark, None},
      {"empty file", true, "", kMark, None},
      {"code page store", true, cp932, kMark + Utf16Le(storeText), Bak},
      {"big-endian store left alone", true, be, be, None},
      {"store with its mark left alone", true, kMark + Utf16Le(storeText), kMark + Utf16Le(storeText), None},
      {"UTF-16LE without mark gets the mark", true, Utf16Le(storeText), kMark + Utf16Le(storeText), Bak},
      // Narrow text without any NUL byte is converted even where the statistics call it Unicode.
      {"ASCII text of even length", true, "Bush hid the facts", kMark + Utf16Le(L"Bush hid the facts"), Bak},
      // A character of the NEC-selected rows reads as the same character as its IBM twin.
      {"NEC-selected kanji", true, "[s]\r\na=\xED\x40\r\n", kMark + Utf16Le(L"[s]\r\na=\x7E8A\r\n"), Bak},
      // What the profile functions would cut or code page 932 cannot read: kept aside whole.
      {"code page store with a NUL byte", true, withNul, kMark, Broken},
      {"1 MiB of NUL bytes", true, std::string(1 << 20, '\0'), kMark, Broken},
      {"UTF-16LE without mark holding a unit 0", true, Utf16Le(nulUnit), kMark, Broken},
      {"UTF-16LE without mark of odd length", true, Utf16Le(storeText) + "x", kMark, Broken},
      // The profile functions end a text at a unit U+0000, with the mark too.
      {"UTF-16LE with its mark holding a unit 0", true, kMark + Utf16Le(nulUnit), kMark, Broken},
      {"UTF-16LE with its mark of odd length", true, kMark + Utf16Le(storeText) + "x", kMark, Broken},
      {"lead byte before a blank", true, "[s]\r\na=\x81 b\r\n", kMark, Broken},
      {"lead byte at the end", true, "[s]\r\na=b\x82", kMark, Broken},
  };
  std::wstring dir = MakeTempDir(L"ensure");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Notices notices;
    std::wstring path = dir + L"\\store" + std::to_wstring(n++) + L".ini";
    if (c.exists) {
      ASSERT_TRUE(WriteBytes(path, c.before));
    }
    IniStore::EnsureIniUnicode(path);
    bool ok = false;
    EXPECT_EQ(ReadBytes(path, &ok), c.after);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Exists(path + L".bak"), c.kept == Bak);
    EXPECT_EQ(Exists(path + L".broken"), c.kept == Broken);
    EXPECT_FALSE(Exists(path + L".new"));
    if (c.kept == Bak) EXPECT_EQ(ReadBytes(path + L".bak"), c.before);
    if (c.kept == Broken) {
      EXPECT_EQ(ReadBytes(path + L".broken"), c.before);  // every byte of the old store
      ASSERT_EQ(notices.seen.size(), 1u);                   // one notice, naming the kept file
      EXPECT_NE(notices.seen[0].find(path + L".broken"), std::wstring::npos) << WideToCp932(notices.seen[0]);
      // Started again: the fresh store is left alone from now on.
      IniStore::EnsureIniUnicode(path);
      EXPECT_EQ(ReadBytes(path), kMark);
      EXPECT_EQ(notices.seen.size(), 1u);
    } else {
      EXPECT_TRUE(notices.seen.empty()) << WideToCp932(notices.seen[0]);
    }
  }
  // MakeFileUnicode says whether it rewrote the file.
  NoMessages quiet;
  std::wstring path = dir + L"\\again.ini";
  ASSERT_TRUE(WriteBytes(path, cp932));
  EXPECT_TRUE(IniStore::MakeFileUnicode(path));
  EXPECT_FALSE(IniStore::MakeFileUnicode(path));
}

TEST(IniStore, SetAsideNamesAreNumberedWhenTaken) {
  std::wstring store = MakeTempDir(L"aside") + L"\\bookdata.ini";
  Notices notices;
  const std::string olds[] = {std::string("a\0" "1", 3), std::string("b\0" "2", 3), std::string("c\0" "3", 3)};
  for (const auto& old : olds) {
    ASSERT_TRUE(WriteBytes(store, old));
    EXPECT_TRUE(IniStore::MakeFileUnicode(store));
  }
  EXPECT_EQ(ReadBytes(store + L".broken"), olds[0]);
  EXPECT_EQ(ReadBytes(store + L".broken2"), olds[1]);
  EXPECT_EQ(ReadBytes(store + L".broken3"), olds[2]);
  ASSERT_EQ(notices.seen.size(), 3u);
  EXPECT_NE(notices.seen[2].find(L"bookdata.ini.broken3"), std::wstring::npos);
  // A .bak of a later conversion replaces the older one.
  ASSERT_TRUE(WriteBytes(store, "first"));
  EXPECT_TRUE(IniStore::MakeFileUnicode(store));
  ASSERT_TRUE(WriteBytes(store, "second"));
  EXPECT_TRUE(IniStore::MakeFileUnicode(store));
  EXPECT_EQ(ReadBytes(store + L".bak"), "second");
  EXPECT_EQ(ReadBytes(store), kMark + Utf16Le(L"second"));
}

TEST(IniStore, ConversionUnderFileFaults) {
  // The store is either the old file or the finished UTF-16 form, never a
  // mix, and a failure says so once.
  const std::string before = WideToCp932(L"[C:\\日本.txt]\r\n1@2#3=テキスト\r\n") + std::string(3000, 'x');
  const std::string after = kMark + Utf16Le(Cp932ToWide(before));
  struct Fault {
    const char* what;
    std::function<void(FaultFiles&)> set;
    bool done;
  } faults[] = {
      {"short reads", [](FaultFiles& f) { f.maxRead = 7; }, true},
      {"short writes", [](FaultFiles& f) { f.maxWrite = 100; }, true},
      {"read error", [](FaultFiles& f) { f.FailAt(Op::Read, 1, ERROR_READ_FAULT); }, false},
      {"read error at block 2", [](FaultFiles& f) { f.maxRead = 1000; f.FailAt(Op::Read, 2, ERROR_READ_FAULT); }, false},
      {"write error", [](FaultFiles& f) { f.FailAt(Op::Write, 1, ERROR_WRITE_FAULT); }, false},
      {"write error at block 3", [](FaultFiles& f) { f.maxWrite = 1000; f.FailAt(Op::Write, 3, ERROR_WRITE_FAULT); }, false},
      {"disk full", [](FaultFiles& f) { f.diskSpace = 2000; }, false},
      {"copy to .bak failing", [](FaultFiles& f) { f.FailAt(Op::Copy, 1, ERROR_ACCESS_DENIED); }, false},
      {"replace failing", [](FaultFiles& f) { f.FailAt(Op::Replace, 1, ERROR_ACCESS_DENIED); }, false},
      {"closing the new file failing", [](FaultFiles& f) { f.FailAt(Op::Close, 2, ERROR_WRITE_FAULT); }, false},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    std::wstring store = MakeTempDir(L"fault") + L"\\gyolist.ini";
    ASSERT_TRUE(WriteBytes(store, before));
    Notices notices;
    FaultFiles ff;
    fault.set(ff);
    bool rewrote;
    {
      ScopedFiles scope(ff);
      rewrote = IniStore::MakeFileUnicode(store);
    }
    EXPECT_EQ(rewrote, fault.done);
    EXPECT_EQ(ReadBytes(store), fault.done ? after : before);
    EXPECT_EQ(notices.seen.size(), fault.done ? 0u : 1u);
    EXPECT_FALSE(Exists(store + L".new"));
    EXPECT_FALSE(Exists(store + L".broken"));
  }
  // Setting a store aside that cannot be renamed leaves it where it was.
  std::wstring store = MakeTempDir(L"fault") + L"\\bookdata.ini";
  const std::string broken("a\0b", 3);
  ASSERT_TRUE(WriteBytes(store, broken));
  Notices notices;
  FaultFiles ff;
  ff.FailAt(Op::Move, 1, ERROR_ACCESS_DENIED);
  {
    ScopedFiles scope(ff);
    EXPECT_FALSE(IniStore::MakeFileUnicode(store));
  }
  EXPECT_EQ(ReadBytes(store), broken);
  EXPECT_EQ(notices.seen.size(), 1u);
  EXPECT_FALSE(Exists(store + L".broken"));
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

TEST(IniStore, EveryRewriteThatChangesTheStoreKeepsItsOldForm) {
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "wide" : "memory");
    std::wstring store = MakeTempDir(L"bak") + L"\\bookdata.ini";
    NoMessages quiet;
    IniStore::EnsureIniUnicode(store);
    EXPECT_FALSE(Exists(store + L".bak"));
    IniStore s(store, unicode);
    TStringList a, b;
    AddWithWideCopy(a, L"1@1#0=a");
    AddWithWideCopy(b, L"2@2#0=b");
    ASSERT_TRUE(s.WriteIniSection(L"C:\\a.txt", a));
    EXPECT_EQ(ReadBytes(store + L".bak"), kMark);
    const std::string withA = ReadBytes(store);
    // Rewrites that leave the bytes as they were leave the copy alone.
    ASSERT_TRUE(s.WriteIniSection(L"C:\\a.txt", a));
    ASSERT_TRUE(s.EraseIniSection(L"C:\\never.txt"));
    EXPECT_EQ(ReadBytes(store), withA);
    EXPECT_EQ(ReadBytes(store + L".bak"), kMark);
    ASSERT_TRUE(s.WriteIniSectionOf(store, L"C:\\b.txt", b));
    EXPECT_EQ(ReadBytes(store + L".bak"), withA);
    const std::string withAB = ReadBytes(store);
    ASSERT_TRUE(s.EraseIniSection(L"C:\\a.txt"));
    EXPECT_EQ(ReadBytes(store + L".bak"), withAB);
    EXPECT_FALSE(Exists(store + L".bak.new"));
    // No copy, no rewrite: the store keeps its bytes.
    const std::string withB = ReadBytes(store);
    {
      Notices notices;
      FaultFiles ff;
      ff.FailAt(Op::Write, 1, ERROR_DISK_FULL);
      ScopedFiles scope(ff);
      EXPECT_FALSE(s.WriteIniSection(L"C:\\c.txt", a));
      EXPECT_EQ(notices.seen.size(), 1u);
    }
    EXPECT_EQ(ReadBytes(store), withB);
    EXPECT_EQ(ReadBytes(store + L".bak"), withAB);
  }
}

// A store with its mark that a rewrite by the profile functions cannot keep
// whole (a unit 0 ends a text for them, an odd last byte is no unit) is set
// aside at start like any such store; the fresh store then takes writes.
TEST(IniStore, MarkedStoreThatARewriteCannotKeepWholeIsSetAside) {
  const std::string old = kMark + Utf16Le(L"[C:\\a.txt]\r\n1@1#0=A" + std::wstring(1, L'\0') + L"B\r\n") + "x";
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "wide" : "memory");
    Notices notices;
    std::wstring store = MakeTempDir(L"marked") + L"\\bookdata.ini";
    ASSERT_TRUE(WriteBytes(store, old));
    IniStore::EnsureIniUnicode(store);
    EXPECT_EQ(ReadBytes(store), kMark);
    EXPECT_EQ(ReadBytes(store + L".broken"), old);
    EXPECT_EQ(notices.seen.size(), 1u);
    TStringList b;
    AddWithWideCopy(b, L"2@2#0=b");
    IniStore s(store, unicode);
    ASSERT_TRUE(s.WriteIniSection(L"C:\\b.txt", b));
    EXPECT_NE(ReadBytes(store), kMark);
    EXPECT_EQ(ReadBytes(store + L".broken"), old);
  }
}
