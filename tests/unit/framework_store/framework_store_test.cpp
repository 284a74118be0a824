// Code page conversion, string lists, ini files, registry and the message
// and file-dialog services of the framework layer.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/Cp932.h"
#include "framework/IniFile.h"
#include "framework/MessageService.h"
#include "framework/Registry.h"
#include "framework/StringList.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"

using testsupport::MakeTempDir;
using testsupport::ReadBytes;
using testsupport::Utf16Le;
using testsupport::WriteBytes;

TEST(Cp932, RoundTripAndMissingCharacters) {
  const std::string sjis = "\x93\xfa\x96\x7b abc";  // 日本 abc
  EXPECT_EQ(Cp932ToWide(sjis), L"日本 abc");
  EXPECT_EQ(WideToCp932(L"日本 abc"), sjis);
  EXPECT_EQ(WideToCp932(L"한"), "?");  // not in code page 932
  EXPECT_EQ(Cp932ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Cp932ToWide(""), L"");
}

TEST(StringList, OwnedWideObjects) {
  TStringList list;
  int a = AddWithWideCopy(list, L"first");
  list.Add("narrow");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(a), "");
  EXPECT_EQ(GetItemWide(list, a), L"first");
  EXPECT_EQ(GetItemWide(list, 1), L"");          // no object: empty text
  EXPECT_EQ(ItemTextWide(list, 1), L"narrow");   // the narrow text widened
  SetItemWide(list, a, L"second");               // the old block is freed by the list
  EXPECT_EQ(GetItemWide(list, a), L"second");
  wchar_t* taken = list.TakeObject(a);
  ASSERT_NE(taken, nullptr);
  EXPECT_STREQ(taken, L"second");
  EXPECT_EQ(list.GetObject(a), nullptr);
  FreeWideCopy(taken);
  list.PutObject(1, NewWideCopy(L"x"));
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(GetItemWide(list, 0), L"x");
  EXPECT_EQ(list.GetObject(5), nullptr);  // out of range reads as nothing
}

TEST(StringList, NameValueTextAndSort) {
  TStringList list;
  list.SetText("b=2\r\na=1=x\nno equals\r\n");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Names(1), "a");
  EXPECT_EQ(list.ValueFromIndex(1), "1=x");
  EXPECT_EQ(list.Values("b"), "2");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.IndexOfName("a"), 1);
  EXPECT_EQ(list.IndexOfName("no equals"), -1);
  list.SetValue("b", "3");
  list.SetValue("c", "4");
  EXPECT_EQ(list.Text(), "b=3\r\na=1=x\r\nno equals\r\nc=4\r\n");

  TStringList sorted;
  sorted.AddObject("3", NewWideCopy(L"three"));
  sorted.AddObject("1", NewWideCopy(L"one"));
  sorted.AddObject("2", NewWideCopy(L"two"));
  sorted.CustomSort([](const std::string& a, const wchar_t*, const std::string& b, const wchar_t*) { return a < b; });
  EXPECT_EQ(GetItemWide(sorted, 0), L"one");  // objects move with their texts
  EXPECT_EQ(GetItemWide(sorted, 2), L"three");
}

TEST(IniFile, ValuesComeBackAsWritten) {
  std::wstring dir = MakeTempDir(L"ini");
  TIniFile ini(dir + L"\\a.ini");
  const std::string values[] = {"plain", " leading", "trailing ", "\"quoted\"", "'single'", "", "\x93\xfa\x96\x7b"};
  int i = 0;
  for (const auto& v : values) ASSERT_TRUE(ini.WriteString("S", "k" + std::to_string(i++), v));
  i = 0;
  for (const auto& v : values) EXPECT_EQ(ini.ReadString("S", "k" + std::to_string(i++), "def"), v) << v;
  EXPECT_EQ(ini.ReadString("S", "missing", "def"), "def");
  EXPECT_EQ(ini.ReadString("Nope", "k0", ""), "");
}

TEST(IniFile, IntegersBoolsAndSections) {
  std::wstring dir = MakeTempDir(L"ini");
  std::wstring path = dir + L"\\b.ini";
  ASSERT_TRUE(WriteBytes(path, "[S]\r\nn=12\r\nbad=zz\r\nneg=-5\r\nb=2\r\nz=0\r\n[T]\r\nx=1\r\n"));
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("S", "n", 0), 12);
  EXPECT_EQ(ini.ReadInteger("S", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -5);
  EXPECT_EQ(ini.ReadInteger("S", "none", 9), 9);
  EXPECT_TRUE(ini.ReadBool("S", "b", false));
  EXPECT_FALSE(ini.ReadBool("S", "z", true));
  EXPECT_TRUE(ini.ReadBool("S", "none", true));
  EXPECT_TRUE(ini.ValueExists("S", "bad"));
  EXPECT_FALSE(ini.ValueExists("S", "none"));
  EXPECT_TRUE(ini.SectionExists("T"));
  TStringList keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys.Text(), "n\r\nbad\r\nneg\r\nb\r\nz\r\n");
  ini.ReadSections(keys);
  EXPECT_EQ(keys.Text(), "S\r\nT\r\n");
  ASSERT_TRUE(ini.DeleteKey("S", "bad"));
  ASSERT_TRUE(ini.EraseSection("T"));
  ini.ReadSections(keys);
  EXPECT_EQ(keys.Text(), "S\r\n");
  EXPECT_FALSE(ini.ValueExists("S", "bad"));
}

TEST(IniFile, WideFunctionsKeepACodePageFileInAnyFolder) {
  // A folder name outside code page 932: only the W functions reach it.
  std::wstring dir = MakeTempDir(L"ini") + L"\\設定한";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  std::wstring path = dir + L"\\c.ini";
  TIniFile ini(path, true);
  ASSERT_TRUE(ini.WriteString("Orvik", "chmog", "\x81\x48"));  // full-width "?"
  EXPECT_EQ(ini.ReadString("Orvik", "chmog", ""), "\x81\x48");
  bool ok = false;
  std::string bytes = ReadBytes(path, &ok);
  ASSERT_TRUE(ok);
  // The file itself stays code page 932 text.
  EXPECT_NE(bytes.find("chmog=\x81\x48"), std::string::npos);
  EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xFF);
}

TEST(MemIniFile, RoundTripWritesUtf16WithMark) {
  std::wstring dir = MakeTempDir(L"mem");
  std::wstring path = dir + L"\\m.ini";
  {
    TMemIniFile ini(path);
    EXPECT_FALSE(ini.Loaded());
    ini.WriteString(L"C:\\日本\\a.txt", L"10@20#1", L"  blank kept 한");
    ini.WriteString(L"C:\\日本\\a.txt", L"30@40#2", L"b=c");
    ini.WriteInteger(L"Other", L"n", 5);
    ini.WriteBool(L"Other", L"b", true);
    ASSERT_TRUE(ini.UpdateFile());
  }
  bool ok = false;
  std::string bytes = ReadBytes(path, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes, Utf16Le(L"[C:\\日本\\a.txt]\r\n10@20#1=  blank kept 한\r\n30@40#2=b=c\r\n[Other]\r\nn=5\r\nb=1\r\n", true));

  TMemIniFile back(path);
  EXPECT_TRUE(back.Loaded());
  EXPECT_EQ(back.ReadString(L"c:\\日本\\A.TXT", L"10@20#1", L""), L"  blank kept 한");  // ASCII letters folded
  EXPECT_EQ(back.ReadInteger(L"Other", L"n", 0), 5);
  EXPECT_TRUE(back.ReadBool(L"Other", L"b", false));
  EXPECT_EQ(back.SectionValueLines(L"C:\\日本\\a.txt"),
            (std::vector<std::wstring>{L"10@20#1=  blank kept 한", L"30@40#2=b=c"}));
  TStringList lines;
  back.ReadSectionValues(L"Other", lines);
  EXPECT_EQ(lines.Text(), "n=5\r\nb=1\r\n");
  back.ReadSections(lines);
  EXPECT_EQ(lines.Count(), 2);
  back.EraseSection(L"Other");
  back.DeleteKey(L"C:\\日本\\a.txt", L"30@40#2");
  EXPECT_EQ(back.Text(), L"[C:\\日本\\a.txt]\r\n10@20#1=  blank kept 한\r\n");
}

TEST(MemIniFile, ReadsEveryFileForm) {
  std::wstring dir = MakeTempDir(L"mem");
  const std::wstring text = L"[日本]\r\nk=値\r\n";
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"cp932", "[\x93\xfa\x96\x7b]\r\nk=\x92\x6c\r\n"},
      {"utf16le", Utf16Le(text, true)},
      {"utf8", "\xEF\xBB\xBF" + std::string(u8"[日本]\r\nk=値\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring path = dir + L"\\" + Cp932ToWide(c.name) + L".ini";
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    TMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString(L"日本", L"k", L""), L"値");
  }
  std::string be("\xFE\xFF", 2);
  for (wchar_t ch : text) {
    be += static_cast<char>(ch >> 8);
    be += static_cast<char>(ch & 0xFF);
  }
  ASSERT_TRUE(WriteBytes(dir + L"\\be.ini", be));
  EXPECT_EQ(TMemIniFile(dir + L"\\be.ini").ReadString(L"日本", L"k", L""), L"値");
}

TEST(Registry, KeysAndStringValues) {
  const std::wstring base = L"\\Software\\VastrelTest" + std::to_wstring(GetCurrentProcessId());
  TRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKey(base + L"\\Applications\\Vastrel.exe\\shell\\open\\command", true));
  EXPECT_TRUE(reg.WriteString(L"", L"C:\\prog\\Vastrel.exe %1"));
  EXPECT_TRUE(reg.WriteString(L"a", L"Vastrel.exe"));
  EXPECT_EQ(reg.ReadString(L""), L"C:\\prog\\Vastrel.exe %1");
  bool ok = true;
  EXPECT_EQ(reg.ReadString(L"missing", &ok), L"");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(reg.ValueExists(L"a"));
  EXPECT_EQ(reg.GetValueNames().size(), 2u);
  EXPECT_TRUE(reg.DeleteValue(L"a"));
  EXPECT_FALSE(reg.ValueExists(L"a"));
  reg.CloseKey();
  EXPECT_TRUE(reg.KeyExists(base + L"\\Applications\\Vastrel.exe"));
  ASSERT_TRUE(reg.OpenKey(base + L"\\Applications", false));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::wstring>{L"Vastrel.exe"}));
  EXPECT_TRUE(reg.KeyExists(L"Vastrel.exe"));  // relative to the open key
  EXPECT_TRUE(reg.DeleteKey(L"Vastrel.exe"));  // with everything below it
  EXPECT_FALSE(reg.KeyExists(L"Vastrel.exe"));
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(base));
  EXPECT_FALSE(reg.KeyExists(base));
  EXPECT_FALSE(reg.OpenKey(base, false));
}

TEST(MessageService, HandlerReadsTextAndGivesTheAnswer) {
  std::vector<MessageRequest> seen;
  ScopedMessageHandler scope([&](const MessageRequest& r) {
    seen.push_back(r);
    return IDNO;
  });
  EXPECT_EQ(MessageBoxCp932("\x93\xfa\x96\x7b?", "cap", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBoxWide(L"한 text", L"キャプション", MB_OK), IDNO);
  SetMessageTitle(L"Vastrel");
  ShowMessage("notice");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].text, L"日本?");
  EXPECT_EQ(seen[0].textCp932, "\x93\xfa\x96\x7b?");
  EXPECT_EQ(seen[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_FALSE(seen[0].wide);
  EXPECT_EQ(seen[1].text, L"한 text");
  EXPECT_TRUE(seen[1].wide);
  EXPECT_EQ(seen[1].caption, L"キャプション");
  EXPECT_EQ(seen[2].caption, L"Vastrel");
  EXPECT_EQ(seen[2].flags, static_cast<UINT>(MB_OK));
  EXPECT_FALSE(SystemErrorTextWide(ERROR_FILE_NOT_FOUND).empty());
}

TEST(FileDialogService, ReplacementFillsTheBufferWithinItsSize) {
  FileDialogRequest got;
  std::wstring answer = L"C:\\dir\\long-name.txt";
  ScopedFileDialogHandler scope([&](const FileDialogRequest& r, std::wstring& buffer) {
    got = r;
    buffer = answer;
    return true;
  });
  wchar_t buf[10];
  wmemset(buf, L'#', 10);
  wcscpy(buf, L"init");
  const wchar_t filter[] = L"A\0*.a\0\0";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = buf;
  ofn.nMaxFile = 10;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrTitle = L"t";
  ofn.Flags = OFN_FILEMUSTEXIST;
  ASSERT_TRUE(RunFileDialog(ofn, false));
  EXPECT_FALSE(got.save);
  EXPECT_EQ(got.initialFile, L"init");
  EXPECT_EQ(got.bufferChars, 10u);
  EXPECT_EQ(got.filter, std::wstring(L"A\0*.a\0", 6));
  EXPECT_EQ(got.title, L"t");
  // Cut to the buffer, ended by two NULs.
  EXPECT_EQ(std::wstring(buf, 10), std::wstring(L"C:\\dir\\l\0\0", 10));

  SetFileDialogHandler([](const FileDialogRequest&, std::wstring&) { return false; });
  EXPECT_FALSE(RunFileDialog(ofn, true));
}

TEST(ReplaceFileBytes, ReplacesWholeOrWritesInPlace) {
  std::wstring dir = MakeTempDir(L"replace");
  std::wstring path = dir + L"\\f.ini";
  ASSERT_TRUE(WriteBytes(path, "a long old content"));
  ASSERT_TRUE(ReplaceFileBytes(path, "new"));
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(GetFileAttributesW((path + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(WriteBytes(path, "0123456789"));
  {
    // Held open by someone who does not allow the replacement: written in place, cut after the bytes.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(ReplaceFileBytes(path, "xy"));
    CloseHandle(h);
  }
  EXPECT_EQ(ReadBytes(path), "xy");
  EXPECT_EQ(GetFileAttributesW((path + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(ReplaceFileBytes(dir + L"\\no\\such\\f.ini", "x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
