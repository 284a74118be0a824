// Pure path, dialog-text and argument routines.
#include <gtest/gtest.h>

#include <set>

#include "text/PathText.h"

using namespace pathtext;

TEST(PathText, ExtractParts) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* dir;
    const wchar_t* driveDir;
  } cases[] = {
      {L"C:\\a\\b.txt", L"b.txt", L"C:\\a\\", L"C:\\a"},
      {L"C:\\b.txt", L"b.txt", L"C:\\", L"C:\\"},  // a drive's root keeps its backslash
      {L"C:\\a\\", L"", L"C:\\a\\", L"C:\\a"},
      {L"b.txt", L"b.txt", L"", L""},
      {L"", L"", L"", L""},
      {L"\\\\srv\\share\\x.log", L"x.log", L"\\\\srv\\share\\", L"\\\\srv\\share"},
      {L"C:\\日本語\\ファイル.txt", L"ファイル.txt", L"C:\\日本語\\", L"C:\\日本語"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractNameWide(c.path), c.name);
    EXPECT_EQ(ExtractDirWide(c.path), c.dir);
    EXPECT_EQ(ExtractDriveDirWide(c.path), c.driveDir);
  }
}

TEST(PathText, ChangeExtOnlyInTheNamePart) {
  struct Case {
    const wchar_t* path;
    const wchar_t* ext;
    const wchar_t* want;
  } cases[] = {
      {L"C:\\a\\file.txt", L".bak", L"C:\\a\\file.bak"},
      {L"C:\\a\\file.tar.gz", L".bak", L"C:\\a\\file.tar.bak"},
      {L"C:\\a\\file", L".bak", L"C:\\a\\file"},
      // A dot in the folder does not count: the result stays in the folder.
      {L"C:\\my.dir\\file", L".bak", L"C:\\my.dir\\file"},
      {L"C:\\my.dir\\file.txt", L".bak", L"C:\\my.dir\\file.bak"},
      {L"file.txt", L"", L"file"},
      {L"noext", L".txt", L"noext"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ChangeExtWide(c.path, c.ext), c.want);
  }
}

TEST(PathText, NumberedBackupPath) {
  struct Case {
    const wchar_t* chosen;
    std::set<std::wstring> taken;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\b\\name.txt", {}, L"C:\\b\\name.txt"},
      {L"C:\\b\\name.txt", {L"C:\\b\\name.txt"}, L"C:\\b\\name(1).txt"},
      {L"C:\\b\\name.txt", {L"C:\\b\\name.txt", L"C:\\b\\name(1).txt"}, L"C:\\b\\name(2).txt"},
      // typed without extension: the open file's extension goes on the candidate
      {L"C:\\b\\name", {L"C:\\b\\name"}, L"C:\\b\\name(1).log"},
      // a dot in the folder is no extension
      {L"C:\\my.dir\\name", {L"C:\\my.dir\\name"}, L"C:\\my.dir\\name(1).log"},
      {L"C:\\b\\a.tar.gz", {L"C:\\b\\a.tar.gz"}, L"C:\\b\\a.tar(1).gz"},
  };
  for (const auto& c : cases) {
    auto exists = [&](const std::wstring& p) { return c.taken.count(p) > 0; };
    EXPECT_EQ(NumberedBackupPath(c.chosen, L".log", exists), c.expected) << c.chosen;
  }
  // every candidate taken: number 99 is taken anyway
  int asked = 0;
  auto all = [&](const std::wstring&) {
    ++asked;
    return true;
  };
  EXPECT_EQ(NumberedBackupPath(L"C:\\b\\n.txt", L".txt", all), L"C:\\b\\n(99).txt");
  EXPECT_EQ(asked, 100);
  EXPECT_EQ(ExtractExtWide(L"C:\\a.b\\c"), L"");
  EXPECT_EQ(ExtractExtWide(L"C:\\a\\c.TXT"), L".TXT");
}

TEST(PathText, LongPathForm) {
  EXPECT_EQ(LongPathForm(L"C:\\a\\b"), L"\\\\?\\C:\\a\\b");
  EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\a"), L"\\\\?\\C:\\a");
  EXPECT_EQ(LongPathForm(L"\\\\srv\\share\\a"), L"\\\\?\\UNC\\srv\\share\\a");
  EXPECT_EQ(LongPathForm(L"\\\\srv\\Windows\\System32\\x", true), L"\\\\?\\UNC\\srv\\Windows\\Sysnative\\x");
  EXPECT_EQ(LongPathForm(L"\\\\srv\\Windows\\System32\\x", false), L"\\\\?\\UNC\\srv\\Windows\\System32\\x");
  EXPECT_EQ(LongPathForm(L"C:\\Windows\\System32", true), L"\\\\?\\C:\\Windows\\System32");  // only UNC paths
}

TEST(PathText, SplitMultiSelect) {
  using std::wstring;
  struct Case {
    wstring buffer;
    wstring want;
  } cases[] = {
      {wstring(L"C:\\dir\\one.txt"), L"C:\\dir\\one.txt"},  // single choice: as the dialog gave it
      {wstring(L"C:\\dir\0a.txt\0b.txt", 18), L"C:\\dir\\a.txt\r\nC:\\dir\\b.txt"},
      // Root folder: no doubled backslash, so the stores find the same path.
      {wstring(L"C:\\\0a.txt\0b.txt", 15), L"C:\\a.txt\r\nC:\\b.txt"},
      {wstring(L"C:\\dir\0a.txt\0\0junk", 18), L"C:\\dir\\a.txt"},  // the empty text ends the list
      {wstring(), L""},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitMultiSelect(c.buffer), c.want);
}

TEST(PathText, FilterIndexAndNulSeparate) {
  const std::wstring filter =
      L"テキスト(*.txt)\r\n*.txt\r\nその他(.txt.ini.log)\r\n*.txt;*.ini;*.log\r\n全てのファイル(*.*)\r\n*.*";
  EXPECT_EQ(FilterIndexFor(filter, L"txt"), 1);
  EXPECT_EQ(FilterIndexFor(filter, L"log"), 2);  // the description line's "log" does not count
  EXPECT_EQ(FilterIndexFor(filter, L"csv"), 3);  // none: the last pair
  EXPECT_EQ(FilterIndexFor(L"", L"txt"), 1);

  std::wstring nul = NulSeparate(L"A(*.a)\r\n*.a\r\nB\r\n*.*");
  EXPECT_EQ(nul, std::wstring(L"A(*.a)\0*.a\0B\0*.*\0\0", 18));
  EXPECT_EQ(NulSeparate(L""), std::wstring(L"\0\0", 2));
}

TEST(PathText, SplitCrLfAndFirstPath) {
  EXPECT_TRUE(SplitCrLf(L"").empty());
  EXPECT_EQ(SplitCrLf(L"a\r\n\r\nb"), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(SplitCrLf(L"a\r\n"), (std::vector<std::wstring>{L"a", L""}));
  EXPECT_EQ(FirstListedPath(L"C:\\a.txt\r\nC:\\b.txt"), L"C:\\a.txt");
  EXPECT_EQ(FirstListedPath(L"C:\\a.txt"), L"C:\\a.txt");
  EXPECT_EQ(FirstListedPath(L""), L"");
}

namespace {
struct FakeFs {
  std::set<std::wstring> files;
  int calls = 0;
  bool operator()(const std::wstring& p) {
    ++calls;
    return files.count(p) > 0;
  }
};
}  // namespace

TEST(PathText, JoinPathArgs) {
  struct Case {
    std::vector<std::wstring> args;
    std::set<std::wstring> files;
    int start;
    std::wstring want;
    int indexAfter;
  } cases[] = {
      // Folder and file names with blanks, split by the shell into three arguments.
      {{L"prog", L"C:\\My", L"Dir\\a", L"b.txt"}, {L"C:\\My Dir\\a b.txt"}, 1, L"C:\\My Dir\\a b.txt", 3},
      {{L"prog", L"C:\\a.txt", L"C:\\b.txt"}, {L"C:\\a.txt", L"C:\\b.txt"}, 1, L"C:\\a.txt", 1},
      {{L"prog", L"C:\\a.txt", L"C:\\b.txt"}, {L"C:\\a.txt", L"C:\\b.txt"}, 2, L"C:\\b.txt", 2},
      // First argument names no file: every argument from there forms one path.
      {{L"prog", L"x", L"y", L"z"}, {}, 1, L"x y z", 5},
      {{L"prog", L"x", L"C:\\b.txt"}, {L"C:\\b.txt"}, 1, L"x C:\\b.txt", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    FakeFs fs{c.files};
    int index = c.start;
    EXPECT_EQ(JoinPathArgs(c.args, index, std::ref(fs)), c.want);
    EXPECT_EQ(index, c.indexAfter);
    EXPECT_LE(fs.calls, static_cast<int>(c.args.size()));  // at most count + 1 tests
  }
}

TEST(PathText, JoinAllPathArgs) {
  FakeFs fs{{L"C:\\My Dir\\a.txt", L"b.txt"}};
  std::vector<std::wstring> args = {L"prog", L"C:\\My", L"Dir\\a.txt", L"b.txt"};
  EXPECT_EQ(JoinAllPathArgs(args, std::ref(fs)), L"C:\\My Dir\\a.txt\r\nb.txt");
  EXPECT_EQ(JoinAllPathArgs(args, std::ref(fs), [](const std::wstring& p) { return L"Z:\\" + p; }),
            L"Z:\\C:\\My Dir\\a.txt\r\nZ:\\b.txt");
  EXPECT_EQ(JoinAllPathArgs({L"prog"}, std::ref(fs)), L"");
  EXPECT_EQ(JoinAllPathArgs({}, std::ref(fs)), L"");
}

TEST(PathText, SystemLevel) {
  struct Case {
    unsigned platform, major, minor;
    bool qfpin;
    int want;
  } cases[] = {
      {1, 4, 0, false, 0},   {1, 4, 10, false, 0}, {1, 4, 90, false, 1},  // 95, 98, Me
      {2, 5, 0, false, 2},   {2, 5, 1, false, 3},  {2, 5, 2, false, 3},   // 2000, XP, 2003
      {2, 6, 0, false, 4},   {2, 6, 1, false, 5},  {2, 6, 3, false, 5},   // Vista, 7, 8.1
      {2, 10, 0, false, 6},  {2, 4, 0, false, 6},                         // other NT versions
      {2, 6, 0, true, 5},    {2, 5, 1, true, 5},   {2, 10, 0, true, 6},   // the function raises to 5, never lowers
      {1, 4, 90, true, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor << " " << c.qfpin);
    EXPECT_EQ(SystemLevel(c.platform, c.major, c.minor, c.qfpin), c.want);
  }
}
