// txdata.ini, path.txt and the data folders.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "support/paths.h"
#include "viewer/IniStore.h"
#include "viewer/Settings.h"

using testsupport::MakeTempDir;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {
void ExpectDefaults(const ViewerSettings& s) {
  const ViewerSettings d;
  EXPECT_EQ(s.EditMaxMB, 1);
  EXPECT_EQ(s.PageSizeKB, 1);
  EXPECT_EQ(s.FontSize, 10);
  EXPECT_EQ(s.BookmarkFontSize, 9);
  EXPECT_FALSE(s.AutoDetectCode);
  EXPECT_TRUE(s.WatchFromLastLine);
  EXPECT_FALSE(s.MergeUnconvertible);
  EXPECT_EQ(s.DetectSizeMB, 1);
  EXPECT_EQ(s.CsvColumnMax, 10);
  EXPECT_EQ(s.SubstituteChar, "?");
  EXPECT_FALSE(s.SearchCaseSensitive);
  EXPECT_TRUE(s.SearchKanaSensitive);
  EXPECT_EQ(s.BookmarkTitleMax, 46);
  EXPECT_FALSE(s.DeleteMissingBookmarks);
  EXPECT_FALSE(s.ReduceFlicker);
  EXPECT_FALSE(s.AutoLineList);
  EXPECT_FALSE(s.KeepEditSelection);
  EXPECT_TRUE(s.ConfirmBookmarkLoad);
  EXPECT_EQ(s.OpenExtensions, ".txt.ini.log");
  EXPECT_EQ(s.UpdateSite, "http://update.vastrel.invalid/");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) out.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

// Collects every message instead of showing it.
struct Messages {
  std::vector<MessageRequest> seen;
  ScopedMessageHandler scope{[this](const MessageRequest& r) {
    seen.push_back(r);
    return IDOK;
  }};
};
}  // namespace

TEST(Settings, FirstStartInAnEmptyProgramFolder) {
  Messages messages;
  std::wstring program = MakeTempDir(L"first") + L"\\deep\\prog";  // missing parents as well
  StorePaths p = MakeStorePaths(program);
  EXPECT_EQ(p.programFolder, program + L"\\");
  EXPECT_EQ(p.settingsFile, program + L"\\data\\txdata.ini");
  PrepareDataFolders(p);
  EXPECT_NE(GetFileAttributesW(p.dataFolder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesW(p.data1Folder.c_str()), INVALID_FILE_ATTRIBUTES);
  ExpectDefaults(LoadViewerSettings(p.settingsFile, true));
  EXPECT_EQ(LoadLastFolder(p, true), L"");
  IniStore::EnsureIniUnicode(p.bookStore);
  IniStore::EnsureIniUnicode(p.lineStore);
  EXPECT_EQ(ReadBytes(p.bookStore), "\xFF\xFE");
  EXPECT_EQ(ReadBytes(p.lineStore), "\xFF\xFE");
  EXPECT_TRUE(messages.seen.empty());  // a missing path.txt or settings file is no error
}

TEST(Settings, HandEditedFiles) {
  struct Case {
    const char* name;
    const char* text;
    std::function<void(const ViewerSettings&)> check;
  } cases[] = {
      {"only some keys", "[Orvik]\r\nfontsz=14\r\nextlist=.txt.csv\r\nupdatesite=http://127.0.0.1:8080/\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.FontSize, 14);
         EXPECT_EQ(s.UpdateSite, "http://127.0.0.1:8080/");
         EXPECT_EQ(s.OpenExtensions, ".txt.csv");
         EXPECT_EQ(s.BookmarkFontSize, 9);
         EXPECT_TRUE(s.ConfirmBookmarkLoad);
       }},
      {"non-numeric values take the defaults", "[Orvik]\r\nfontsz=abc\r\nchksize=1x\r\nbomfrg=yes\r\nmax=\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.FontSize, 10);
         EXPECT_EQ(s.DetectSizeMB, 1);
         EXPECT_FALSE(s.AutoDetectCode);
         EXPECT_EQ(s.EditMaxMB, 1);
       }},
      {"values that would break the program are mended",
       "[Orvik]\r\nfontsz=0\r\nfontszbk=-3\r\nchksize=0\r\nchmog=\r\nbooktitlemax=0\r\nclmmax=-1\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.FontSize, 10);
         EXPECT_EQ(s.BookmarkFontSize, 9);
         EXPECT_EQ(s.DetectSizeMB, 1);
         EXPECT_EQ(s.SubstituteChar, "?");
         EXPECT_EQ(s.BookmarkTitleMax, 46);
         EXPECT_EQ(s.CsvColumnMax, 10);
       }},
      {"values above their ranges take the defaults",
       "[Orvik]\r\nchksize=2147483647\r\nbooktitlemax=93\r\nclmmax=51\r\nfontsz=2147483647\r\nfontszbk=73\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.DetectSizeMB, 1);
         EXPECT_EQ(s.BookmarkTitleMax, 46);
         EXPECT_EQ(s.CsvColumnMax, 10);
         EXPECT_EQ(s.FontSize, 10);
         EXPECT_EQ(s.BookmarkFontSize, 9);
       }},
      {"values below their ranges take the defaults",
       "[Orvik]\r\nbooktitlemax=22\r\nclmmax=9\r\nfontsz=5\r\nfontszbk=5\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.BookmarkTitleMax, 46);
         EXPECT_EQ(s.CsvColumnMax, 10);
         EXPECT_EQ(s.FontSize, 10);
         EXPECT_EQ(s.BookmarkFontSize, 9);
       }},
      {"the ends of the ranges are kept, sizes in 64 bits",
       "[Orvik]\r\nchksize=50\r\nbooktitlemax=92\r\nclmmax=50\r\nfontsz=72\r\nfontszbk=6\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.DetectSizeMB, 50);
         EXPECT_EQ(s.DetectSizeBytes(), 50LL * 1048576);
         EXPECT_EQ(s.BookmarkTitleMax, 92);
         EXPECT_EQ(s.CsvColumnMax, 50);
         EXPECT_EQ(s.FontSize, 72);
         EXPECT_EQ(s.BookmarkFontSize, 6);
       }},
      {"the lower ends too", "[Orvik]\r\nchksize=1\r\nbooktitlemax=23\r\nclmmax=10\r\nfontsz=6\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.DetectSizeMB, 1);
         EXPECT_EQ(s.BookmarkTitleMax, 23);
         EXPECT_EQ(s.CsvColumnMax, 10);
         EXPECT_EQ(s.FontSize, 6);
       }},
      {"substitute of two bytes is kept", "[Orvik]\r\nchmog=\x81\x48\r\n",
       [](const ViewerSettings& s) { EXPECT_EQ(s.SubstituteChar, "\x81\x48"); }},
      {"substitute of two characters", "[Orvik]\r\nchmog=ab\r\n",
       [](const ViewerSettings& s) { EXPECT_EQ(s.SubstituteChar, "?"); }},
      {"substitute of a character and a byte", "[Orvik]\r\nchmog=\x81\x48" "a\r\n",
       [](const ViewerSettings& s) { EXPECT_EQ(s.SubstituteChar, "?"); }},
      {"bools read as integers", "[Orvik]\r\nbomfrg=2\r\nendline=0\r\nhirakanamg=0\r\nbookchkfrg=-1\r\n",
       [](const ViewerSettings& s) {
         EXPECT_TRUE(s.AutoDetectCode);
         EXPECT_FALSE(s.WatchFromLastLine);
         EXPECT_FALSE(s.SearchKanaSensitive);
         EXPECT_TRUE(s.ConfirmBookmarkLoad);
       }},
      {"page 1 is read as it stands", "[Orvik]\r\npage=1\r\nmax=30\r\n",
       [](const ViewerSettings& s) {
         EXPECT_EQ(s.PageSizeKB, 1);
         EXPECT_EQ(s.EditMaxMB, 30);
       }},
      {"another section is not read", "[Other]\r\nfontsz=20\r\n", [](const ViewerSettings& s) { ExpectDefaults(s); }},
  };
  std::wstring dir = MakeTempDir(L"edit");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring path = dir + L"\\txdata" + std::to_wstring(n++) + L".ini";
    ASSERT_TRUE(WriteBytes(path, c.text));
    c.check(LoadViewerSettings(path, true));
    c.check(LoadViewerSettings(path, false));  // the narrow profile functions read the same
  }
}

TEST(Settings, SaveWritesEveryKeyInOrder) {
  std::wstring dir = MakeTempDir(L"save");
  std::wstring path = dir + L"\\txdata.ini";
  ViewerSettings s;
  s.SubstituteChar = " ";  // a blank survives the profile functions
  s.OpenExtensions = ".txt.log";
  s.ConfirmBookmarkLoad = false;
  ASSERT_TRUE(SaveViewerSettings(path, s, 1, 8, true));
  bool ok = false;
  std::string text = ReadBytes(path, &ok);
  ASSERT_TRUE(ok);
  std::vector<std::string> want = {"[Orvik]",       "max=1",          "page=8",         "fontsz=10",
                                   "fontszbk=9",    "bomfrg=0",       "endline=1",      "codechgnotinte=0",
                                   "chksize=1",     "clmmax=10",      "chmog=\" \"",    "bigsmlmg=0",
                                   "hirakanamg=1",  "doublebuf=0",    "booktitlemax=46", "gyocreate=0",
                                   "editselectkeep=0", "bookdelfrg=0", "bookchkfrg=0",   "extlist=.txt.log",
                                   "updatesite=http://update.vastrel.invalid/"};
  EXPECT_EQ(Lines(text), want);
  ViewerSettings back = LoadViewerSettings(path, true);
  EXPECT_EQ(back.PageSizeKB, 8);  // the up-down's position, not the 1 that was read
  EXPECT_EQ(back.SubstituteChar, " ");
  EXPECT_FALSE(back.ConfirmBookmarkLoad);
  EXPECT_EQ(back.OpenExtensions, ".txt.log");

  // Saving again replaces the values in place; positions go as 16-bit values.
  s.FontSize = 12;
  ASSERT_TRUE(SaveViewerSettings(path, s, 65536 + 30, 128, true));
  back = LoadViewerSettings(path, true);
  EXPECT_EQ(back.EditMaxMB, 30);
  EXPECT_EQ(back.PageSizeKB, 128);
  EXPECT_EQ(back.FontSize, 12);
  EXPECT_EQ(Lines(ReadBytes(path)).size(), want.size());
}

TEST(Settings, WidePathInAFolderOutsideTheCodePage) {
  std::wstring dir = MakeTempDir(L"wide") + L"\\프로그램";
  StorePaths p = MakeStorePaths(dir);
  PrepareDataFolders(p);
  ViewerSettings s;
  s.FontSize = 16;
  ASSERT_TRUE(SaveViewerSettings(p.settingsFile, s, 2, 16, true));
  EXPECT_EQ(LoadViewerSettings(p.settingsFile, true).FontSize, 16);
}

TEST(Settings, LastFolderFile) {
  Messages messages;
  std::wstring dir = MakeTempDir(L"path");
  StorePaths p = MakeStorePaths(dir);
  PrepareDataFolders(p);
  const std::wstring folder = L"C:\\日本語\\한\\";
  SaveLastFolder(p, folder, true);
  std::string raw;
  for (wchar_t c : folder) {
    raw += static_cast<char>(c & 0xFF);
    raw += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(ReadBytes(p.lastFolderFile), raw);  // no mark, no terminator
  EXPECT_EQ(LoadLastFolder(p, true), folder);
  SaveLastFolder(p, L"", true);  // an empty folder leaves the file
  EXPECT_EQ(LoadLastFolder(p, true), folder);

  // An odd last byte is ignored; the text ends at a NUL unit.
  ASSERT_TRUE(WriteBytes(p.lastFolderFile, std::string("C\0:\0\\\0x", 7)));
  EXPECT_EQ(ReadSmallFile(p.lastFolderFile, true), L"C:\\");
  ASSERT_TRUE(WriteBytes(p.lastFolderFile, std::string("a\0\0\0b\0", 6)));
  EXPECT_EQ(ReadSmallFile(p.lastFolderFile, true), L"a");
  EXPECT_TRUE(messages.seen.empty());
}

TEST(Settings, SmallFileErrorsShowTheSystemText) {
  Messages messages;
  std::wstring dir = MakeTempDir(L"err");
  EXPECT_EQ(ReadSmallFile(dir + L"\\missing.txt", true), L"");
  ASSERT_EQ(messages.seen.size(), 1u);
  EXPECT_EQ(messages.seen[0].text, SystemErrorTextWide(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(messages.seen[0].flags, static_cast<UINT>(MB_OK));
  EXPECT_FALSE(WriteSmallFile(dir + L"\\no\\such\\folder\\x.txt", "ab", 2, true));
  ASSERT_EQ(messages.seen.size(), 2u);
  EXPECT_EQ(messages.seen[1].text, SystemErrorTextWide(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(WriteSmallFile(dir + L"\\x.txt", "ab", 2, false));  // the narrow path as well
  EXPECT_EQ(ReadBytes(dir + L"\\x.txt"), "ab");
}
