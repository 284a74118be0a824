// Shortcut files through the shell's real link object, and the open-with
// registry entry, in the test run's own prefix (its desktop, its registry).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/ShellLink.h"
#include "framework/Cp932.h"
#include "framework/Registry.h"
#include "support/paths.h"
#include "viewer/OpenWith.h"

using testsupport::MakeTempDir;
using testsupport::WriteBytes;

namespace {

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> Listing(const std::wstring& folder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") out.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}

std::wstring Resolve(const std::wstring& link) {
  TShellLink s;
  std::wstring target;
  s.GetLinkToPathWid(link, target, nullptr, false);
  return target;
}

// Writes a real shortcut at folder\name.lnk leading to target.
std::wstring MakeLink(const std::wstring& target, const std::wstring& folder, const std::wstring& name) {
  TShellLink s;
  s.Overwrite = true;
  s.LinkName = name;
  return s.ShellLinkCreateW(target, nullptr, folder, L"", false);
}

class ShellLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir(L"links");
    desktop_ = dir_ + L"\\desk";
    sendTo_ = dir_ + L"\\sendto";
    CreateDirectoryW(desktop_.c_str(), nullptr);
    CreateDirectoryW(sendTo_.c_str(), nullptr);
    program_ = dir_ + L"\\Vastrel.exe";
    ASSERT_TRUE(WriteBytes(program_, "MZ"));
    TShellLink::SpecialFolderHook = [this](int csidl) {
      if (csidl == 0) return desktop_;
      if (csidl == 9) return sendTo_;
      return std::wstring();
    };
  }
  void TearDown() override { TShellLink::SpecialFolderHook = nullptr; }
  std::wstring dir_, desktop_, sendTo_, program_;
};

TEST_F(ShellLinks, NumberedFreeNamesAndOverwrite) {
  const std::wstring tool = dir_ + L"\\Tool.exe";
  ASSERT_TRUE(WriteBytes(tool, "MZ"));
  ASSERT_TRUE(WriteBytes(desktop_ + L"\\Tool.lnk", "not a link"));
  ASSERT_TRUE(WriteBytes(desktop_ + L"\\Tool(1).lnk", "not a link"));
  TShellLink s;
  s.LinkName = L"Tool";
  s.Overwrite = false;
  EXPECT_EQ(s.ShellLinkCreateW(tool, nullptr, desktop_, L"", false), desktop_ + L"\\Tool(2).lnk");
  EXPECT_TRUE(TShellLink::SamePath(Resolve(desktop_ + L"\\Tool(2).lnk"), tool));

  s.Overwrite = true;
  EXPECT_EQ(s.ShellLinkCreateW(tool, nullptr, desktop_ + L"\\", L"", false), desktop_ + L"\\Tool.lnk");
  EXPECT_TRUE(TShellLink::SamePath(Resolve(desktop_ + L"\\Tool.lnk"), tool));
  EXPECT_EQ(Listing(desktop_), (std::vector<std::wstring>{L"Tool(1).lnk", L"Tool(2).lnk", L"Tool.lnk"}));
}

TEST_F(ShellLinks, CheckOnlyWritesNothing) {
  TShellLink s;
  s.LinkName = L"Vastrel";
  s.Overwrite = true;  // check-only counts names whatever the flag
  EXPECT_EQ(s.ShellLinkCreateW(program_, nullptr, desktop_, L"", true), L"0");
  EXPECT_TRUE(Listing(desktop_).empty());
  ASSERT_FALSE(MakeLink(program_, desktop_, L"Vastrel").empty());
  EXPECT_EQ(s.ShellLinkCreateW(program_, nullptr, desktop_, L"", true), L"1");
  EXPECT_EQ(Listing(desktop_), (std::vector<std::wstring>{L"Vastrel.lnk"}));
}

TEST_F(ShellLinks, NarrowCreationNamesAndMissingTarget) {
  TShellLink s;
  s.Overwrite = true;
  s.LinkName = L"a/b:c";
  const std::string folder = WideToCp932(desktop_);
  const std::string made = s.ShellLinkCreate(WideToCp932(program_), nullptr, folder, "", false);
  EXPECT_EQ(Cp932ToWide(made), desktop_ + L"\\a\xFF0F" L"b\xFF1A" L"c.lnk");
  s.LinkName = L"x.y";  // a file target: the part after the last dot goes
  EXPECT_EQ(Cp932ToWide(s.ShellLinkCreate(WideToCp932(program_), nullptr, folder, "", false)), desktop_ + L"\\x.lnk");
  s.LinkName = L"Gone";
  EXPECT_EQ(s.ShellLinkCreateW(dir_ + L"\\missing.exe", nullptr, desktop_, L"", false), L"");
  EXPECT_EQ(s.ShellLinkCreateW(L"", nullptr, desktop_, L"", false), L"");  // no target, no item list
  EXPECT_FALSE(Exists(desktop_ + L"\\Gone.lnk"));
}

TEST_F(ShellLinks, ResolvingADeadShortcutGivesItsOwnPath) {
  const std::wstring doc = dir_ + L"\\doc.txt";
  ASSERT_TRUE(WriteBytes(doc, "text"));
  const std::wstring link = MakeLink(doc, desktop_, L"doc");
  ASSERT_FALSE(link.empty());
  std::wstring v = link;
  TShellLink s;
  EXPECT_EQ(s.GetLinkToPathWid(v, v, nullptr, false), S_OK);  // one variable as input and output
  EXPECT_TRUE(TShellLink::SamePath(v, doc));
  ASSERT_TRUE(DeleteFileW(doc.c_str()));
  v = link;
  s.GetLinkToPathWid(v, v, nullptr, false);
  EXPECT_EQ(v, link);
  std::wstring plain = doc;  // not a shortcut at all
  EXPECT_NE(s.GetLinkToPathWid(plain, plain, nullptr, false), S_OK);
  EXPECT_EQ(plain, doc);
}

TEST_F(ShellLinks, ChkLinkPathComparesTargetsWithoutCase) {
  TShellLink s;
  EXPECT_FALSE(s.ChkLinkPath(program_, L"Vastrel", 0));  // missing
  ASSERT_FALSE(s.CreateLink(program_, nullptr, 0, L"Vastrel", true).empty());
  EXPECT_TRUE(s.ChkLinkPath(program_, L"Vastrel", 0));
  std::wstring upper = program_;
  CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  EXPECT_TRUE(s.ChkLinkPath(upper, L"Vastrel", 0));
  EXPECT_FALSE(s.ChkLinkPath(program_, L"Vastrel", 9));  // another folder

  const std::wstring other = dir_ + L"\\Other.exe";
  ASSERT_TRUE(WriteBytes(other, "MZ"));
  ASSERT_FALSE(MakeLink(other, sendTo_, L"Vastrel").empty());
  EXPECT_FALSE(s.ChkLinkPath(program_, L"Vastrel", 9));  // foreign
}

TEST_F(ShellLinks, DeleteLinkLeavesAForeignShortcutOfTheProgramsName) {
  // The program runs as "notes.exe"; the user's own notes.lnk leads elsewhere.
  const std::wstring notes = dir_ + L"\\notes.exe";
  const std::wstring mine = dir_ + L"\\my notes.txt";
  ASSERT_TRUE(WriteBytes(notes, "MZ"));
  ASSERT_TRUE(WriteBytes(mine, "x"));
  ASSERT_FALSE(MakeLink(mine, desktop_, L"notes").empty());
  ASSERT_FALSE(MakeLink(notes, desktop_, L"Vastrel").empty());
  TShellLink s;
  s.DeleteLink(0, notes, L"Vastrel");
  EXPECT_EQ(Listing(desktop_), (std::vector<std::wstring>{L"notes.lnk"}));
  EXPECT_TRUE(TShellLink::SamePath(Resolve(desktop_ + L"\\notes.lnk"), mine));

  // Named after the program file and leading to it: the first try takes it.
  ASSERT_FALSE(MakeLink(notes, sendTo_, L"notes").empty());
  ASSERT_FALSE(MakeLink(notes, sendTo_, L"Vastrel").empty());
  s.DeleteLink(9, notes, L"Vastrel");
  EXPECT_EQ(Listing(sendTo_), (std::vector<std::wstring>{L"Vastrel.lnk"}));
}

TEST_F(ShellLinks, SpecialFolderFallbacksAndUnknownFolders) {
  TShellLink s;
  std::vector<wchar_t> buf(MAX_PATH);
  GetWindowsDirectoryW(buf.data(), MAX_PATH);
  EXPECT_EQ(s.GetPath(0x24), std::wstring(buf.data()));  // the hook's shell knows none
  GetSystemDirectoryW(buf.data(), MAX_PATH);
  EXPECT_EQ(s.GetPath(0x25), std::wstring(buf.data()));
  TShellLink::SpecialFolderHook = nullptr;
  EXPECT_FALSE(s.GetPath(0).empty());  // the real shell: the prefix's desktop
  GetWindowsDirectoryW(buf.data(), MAX_PATH);
  EXPECT_TRUE(TShellLink::SamePath(s.GetPath(0x24), buf.data()));
}

TEST_F(ShellLinks, AnUnknownFolderIsNotTheDrivesRoot) {
  TShellLink::SpecialFolderHook = [](int) { return std::wstring(); };
  // A shortcut of the program in the root of the drive and of the working folder.
  const std::wstring root = L"C:\\Vastrel.lnk";
  ASSERT_FALSE(MakeLink(program_, L"C:\\", L"Vastrel").empty());
  TShellLink s;
  EXPECT_EQ(s.CreateLink(program_, nullptr, 0, L"Other", true), L"");
  EXPECT_FALSE(Exists(L"C:\\Other.lnk"));
  EXPECT_FALSE(Exists(L"Other.lnk"));
  EXPECT_FALSE(s.ChkLinkPath(program_, L"Vastrel", 0));
  s.DeleteLink(0, program_, L"Vastrel");
  EXPECT_TRUE(Exists(root));
  DeleteFileW(root.c_str());
}

TEST_F(ShellLinks, AppPathsFoundFromASubkey) {
  const std::wstring key = L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VastrelFakeTool.exe";
  {
    TRegistry reg(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(key, true));
    ASSERT_TRUE(reg.WriteString(L"", L"C:\\Programs\\FakeTool\\VastrelFakeTool.exe"));
  }
  TShellLink s;
  EXPECT_EQ(s.GetReg_AppNameToPath("FakeTool"), "C:\\Programs\\FakeTool\\VastrelFakeTool.exe");
  EXPECT_EQ(s.GetReg_AppNameToPath("faketool"), "");  // letter case counts
  EXPECT_EQ(s.GetLinkNameToPath("C:\\x\\{123}\\a.exe", "C:\\d\\FakeTool.lnk"),
            "C:\\Programs\\FakeTool\\VastrelFakeTool.exe");
  EXPECT_EQ(s.GetLinkNameToPath("C:\\x\\a.exe", "C:\\d\\FakeTool.lnk"), "C:\\x\\a.exe");
  s.AppPathsKey = L"\\SOFTWARE\\VastrelNoSuchKey";
  EXPECT_EQ(s.GetReg_AppNameToPath("FakeTool"), "");
  TRegistry(HKEY_LOCAL_MACHINE).DeleteKey(key);
}

TEST_F(ShellLinks, APathOverFiveHundredTwelveCharactersFailsCleanly) {
  // Folders of 100 characters, six deep: the shortcut's path is over 600.
  std::wstring deep = L"\\\\?\\" + dir_;
  for (int i = 0; i < 6; ++i) {
    deep += L"\\" + std::wstring(100, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring folder = deep.substr(4);
  TShellLink s;
  s.Overwrite = true;
  s.LinkName = L"Vastrel";
  const std::wstring made = s.ShellLinkCreateW(program_, nullptr, folder, L"", false);
  const std::vector<std::wstring> files = Listing(deep);
  if (made.empty()) {
    EXPECT_TRUE(files.empty());
  } else {
    EXPECT_EQ(made, folder + L"\\Vastrel.lnk");  // never a shortened name
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Vastrel.lnk"}));
  }
  const std::string narrow = s.ShellLinkCreate(WideToCp932(program_), nullptr, WideToCp932(folder), "", false);
  EXPECT_TRUE(narrow.empty() || narrow == WideToCp932(folder + L"\\Vastrel.lnk")) << narrow;
}

TEST_F(ShellLinks, FurtherOperations) {
  const std::wstring doc = dir_ + L"\\Vastrel notes.txt";  // an ordinary file holding the name
  ASSERT_TRUE(WriteBytes(doc, "x"));
  TShellLink s;
  // Creation into a folder path, narrow and UTF-16.
  EXPECT_EQ(s.CreateLink2W(program_, nullptr, dir_, L"W", true), dir_ + L"\\W.lnk");
  EXPECT_EQ(s.CreateLink2(program_, nullptr, dir_, L"N", true), dir_ + L"\\N.lnk");
  s.CreateDirToLink(program_, nullptr, dir_, L"D", true);
  EXPECT_TRUE(Exists(dir_ + L"\\D.lnk"));
  // Existence by CSIDL: the second name is tried when the first is free.
  ASSERT_FALSE(s.CreateLink(program_, nullptr, 0, L"Vastrel", true).empty());
  EXPECT_TRUE(s.ChkLink(program_, nullptr, L"", 0));  // named after the target: Vastrel
  EXPECT_FALSE(s.ChkLink(program_, nullptr, L"Nope", 9));
  // Scans: shortcuts only; by name filter or by target.
  EXPECT_TRUE(s.ChkLinkOrDel(program_, L"", 0, false));
  s.MatchTarget.clear();
  EXPECT_FALSE(s.ChkLinkFileOrDel(dir_, L"Vastrel", true));  // only "Vastrel notes.txt" holds the name
  EXPECT_TRUE(Exists(doc));
  EXPECT_TRUE(s.ChkLinkFileOrDel(dir_, L"W", true));
  EXPECT_FALSE(Exists(dir_ + L"\\W.lnk"));
  EXPECT_FALSE(s.ChkLinkFileOrDel(dir_ + L"\\missing", L"W", false));
  // Item lists.
  LPITEMIDLIST desktopItems = s.GetCodeToItemIdList(0);
  EXPECT_NE(desktopItems, nullptr);
  EXPECT_TRUE(TShellLink::ItemIdListFree(desktopItems));
  HICON icon = nullptr;
  EXPECT_FALSE(s.GetNameOrHandIcon(0, icon, true).empty());
  LPITEMIDLIST items = s.GetWideLinkToItemId(dir_ + L"\\N.lnk", nullptr);
  EXPECT_NE(items, nullptr);
  TShellLink::ItemIdListFree(items);
  items = s.GetLinkToItemId(WideToCp932(dir_ + L"\\N.lnk"), nullptr);
  EXPECT_NE(items, nullptr);
  TShellLink::ItemIdListFree(items);
  EXPECT_EQ(s.GetLinkToItemId(WideToCp932(doc), nullptr), nullptr);
  // Narrow resolution.
  std::string target;
  EXPECT_EQ(s.GetLinkToPath(WideToCp932(dir_ + L"\\N.lnk"), target, nullptr, false), S_OK);
  EXPECT_TRUE(TShellLink::SamePath(Cp932ToWide(target), program_));
  // Names and paths.
  struct Case {
    std::wstring got, want;
  };
  const Case cases[] = {
      {TShellLink::ExtractFileNameW(L"C:\\a\\b.txt"), L"b.txt"},
      {TShellLink::ExtractFileNameW(L"C:b.txt"), L"b.txt"},
      {TShellLink::ExtractFileNameW(L"b.txt"), L""},
      {TShellLink::ChangeFileExtW(L"C:\\a\\b.txt", L".lnk"), L"C:\\a\\b.lnk"},
      {TShellLink::ChangeFileExtW(L"C:\\a\\b", L".lnk"), L"C:\\a\\b"},
      {TShellLink::IncludeTrailingBackslashWid(L"C:\\a"), L"C:\\a\\"},
      {TShellLink::IncludeTrailingBackslashWid(L"C:\\a\\"), L"C:\\a\\"},
      {TShellLink::IncludeTrailingBackslashWid(L""), L""},
      {Cp932ToWide(TShellLink::PathToSetKugiriMog(WideToCp932(doc))), doc},  // an existing file
      {Cp932ToWide(TShellLink::PathToSetKugiriMog(WideToCp932(dir_))), dir_ + L"\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_TRUE(TShellLink::FileFolderExistsWid(dir_));
  EXPECT_TRUE(TShellLink::FileFolderExistsWid(doc));
  EXPECT_FALSE(TShellLink::FileExistsWid(dir_));
  EXPECT_TRUE(TShellLink::FileExistsWid(doc));
  EXPECT_TRUE(TShellLink::DirectoryExistsWid(dir_));
  EXPECT_FALSE(TShellLink::DirectoryExistsWid(doc));
  EXPECT_FALSE(TShellLink::FileFolderExistsWid(dir_ + L"\\missing"));
}

// ---- the open-with entry in the prefix's registry

const wchar_t kProgram[] = L"VastrelTest.exe";

std::wstring ListKey(const std::wstring& ext) {
  return std::wstring(openwith::kFileExtsKey) + ext + L"\\OpenWithList";
}

class OpenWithRegistry : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    TRegistry user(HKEY_CURRENT_USER);
    for (const wchar_t* ext : {L".txt", L".ini", L".log", L".md"}) {
      if (user.OpenKey(ListKey(ext), false)) {
        for (const std::wstring& n : user.GetValueNames()) {
          const std::wstring v = user.ReadString(n);
          if (n == L"MRUList" || v == kProgram || v == L"VASTRELTEST.EXE" || v == L"foreign.exe") user.DeleteValue(n);
        }
        user.CloseKey();
      }
    }
    TRegistry(HKEY_CLASSES_ROOT).DeleteKey(std::wstring(L"\\Applications\\") + kProgram);
  }
  static std::vector<std::pair<std::wstring, std::wstring>> Values(const std::wstring& ext) {
    std::vector<std::pair<std::wstring, std::wstring>> out;
    TRegistry user(HKEY_CURRENT_USER, KEY_READ);
    if (!user.OpenKeyReadOnly(ListKey(ext))) return out;
    for (const std::wstring& n : user.GetValueNames()) out.push_back({n, user.ReadString(n)});
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::wstring Command() {
    TRegistry classes(HKEY_CLASSES_ROOT, KEY_READ);
    if (!classes.OpenKeyReadOnly(std::wstring(L"\\Applications\\") + kProgram + L"\\shell\\open\\command")) {
      return L"<none>";
    }
    return classes.ReadString(L"");
  }
  const std::wstring folder_ = L"C:\\Program Files\\Vastrel Test\\";
};

TEST_F(OpenWithRegistry, OnTwiceThenOff) {
  {
    TRegistry user(HKEY_CURRENT_USER);
    ASSERT_TRUE(user.OpenKey(ListKey(L".txt"), true));
    user.WriteString(L"a", L"foreign.exe");
    user.WriteString(L"MRUList", L"a");
  }
  EXPECT_FALSE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, folder_, kProgram));
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(openwith::SetOpenWith(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, L".txt.ini.log", folder_, kProgram, true));
  }
  using V = std::vector<std::pair<std::wstring, std::wstring>>;
  EXPECT_EQ(Values(L".txt"), (V{{L"MRUList", L"ab"}, {L"a", L"foreign.exe"}, {L"b", kProgram}}));
  for (const wchar_t* ext : {L".ini", L".log"}) EXPECT_EQ(Values(ext), (V{{L"MRUList", L"a"}, {L"a", kProgram}}));
  EXPECT_EQ(Command(), L"\"" + folder_ + kProgram + L"\" \"%1\"");
  EXPECT_TRUE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, folder_, kProgram));
  std::wstring upper = folder_;
  CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  EXPECT_TRUE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, upper, kProgram));
  EXPECT_FALSE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, L"C:\\Elsewhere\\", kProgram));

  ASSERT_TRUE(openwith::SetOpenWith(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, L".txt.ini.log", folder_, kProgram, false));
  EXPECT_EQ(Values(L".txt"), (V{{L"MRUList", L"a"}, {L"a", L"foreign.exe"}}));
  EXPECT_EQ(Values(L".ini"), (V{{L"MRUList", L""}}));
  EXPECT_EQ(Command(), L"<none>");
  EXPECT_FALSE(TRegistry(HKEY_CLASSES_ROOT).KeyExists(std::wstring(L"\\Applications\\") + kProgram));
  EXPECT_FALSE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, folder_, kProgram));
}

TEST_F(OpenWithRegistry, OldUnquotedEntryAndOtherCaseRecognised) {
  {
    TRegistry user(HKEY_CURRENT_USER);
    ASSERT_TRUE(user.OpenKey(ListKey(L".txt"), true));
    user.WriteString(L"a", L"VASTRELTEST.EXE");
    TRegistry classes(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(classes.OpenKey(std::wstring(L"\\Applications\\") + kProgram + L"\\shell\\open\\command", true));
    classes.WriteString(L"", folder_ + kProgram + L" %1");
  }
  EXPECT_TRUE(openwith::IsOpenWithSet(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, folder_, kProgram));
  // Registering again replaces the other-case value instead of adding a second one.
  ASSERT_TRUE(openwith::SetOpenWith(HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, L".txt", folder_, kProgram, true));
  using V = std::vector<std::pair<std::wstring, std::wstring>>;
  EXPECT_EQ(Values(L".txt"), (V{{L"MRUList", L"a"}, {L"a", kProgram}}));
}

TEST_F(OpenWithRegistry, AScratchRootTakesTheLists) {
  HKEY scratch = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VastrelScratch", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &scratch, nullptr),
            ERROR_SUCCESS);
  ASSERT_TRUE(openwith::SetOpenWith(scratch, scratch, L".md", folder_, kProgram, true));
  EXPECT_TRUE(openwith::IsOpenWithSet(scratch, scratch, folder_, kProgram) == false);  // ".txt" is not listed
  EXPECT_TRUE(Values(L".md").empty());  // the real user part untouched
  RegCloseKey(scratch);
  TRegistry(HKEY_CURRENT_USER).DeleteKey(L"\\Software\\VastrelScratch");
}

}  // namespace
