// Path routines on the file system and the UTF-16 file dialog (through the
// file-dialog service).
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/MessageService.h"
#include "support/paths.h"
#include "viewer/PathRoutines.h"

using testsupport::MakeTempDir;
using testsupport::WriteBytes;

TEST(PathRoutines, ExistenceTests) {
  std::wstring dir = MakeTempDir(L"exist");
  ASSERT_TRUE(WriteBytes(dir + L"\\ファイル.txt", "x"));
  ASSERT_TRUE(CreateDirectoryW((dir + L"\\フォルダ").c_str(), nullptr));
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode);
    EXPECT_TRUE(FileExistsEx(dir + L"\\ファイル.txt", unicode));
    EXPECT_FALSE(FileExistsEx(dir + L"\\フォルダ", unicode));
    EXPECT_FALSE(FileExistsEx(dir + L"\\missing.txt", unicode));
    EXPECT_TRUE(DirectoryExistsEx(dir + L"\\フォルダ", unicode, false));
    EXPECT_FALSE(DirectoryExistsEx(dir + L"\\ファイル.txt", unicode, false));
    EXPECT_FALSE(DirectoryExistsEx(dir + L"\\missing", unicode, false));
  }
  EXPECT_FALSE(FileExistsEx(dir + L"\\*.txt", true));  // a pattern is not a file
  EXPECT_FALSE(FileExistsEx(L"", true));
  // Names outside code page 932 exist only for the wide tests.
  ASSERT_TRUE(WriteBytes(dir + L"\\한.txt", "x"));
  EXPECT_TRUE(FileExistsEx(dir + L"\\한.txt", true));
}

TEST(PathRoutines, StoredNameAndFullPath) {
  std::wstring dir = MakeTempDir(L"names");
  ASSERT_TRUE(WriteBytes(dir + L"\\MixedCase.TXT", "x"));
  EXPECT_EQ(LongFileName(dir + L"\\mixedcase.txt"), dir + L"\\MixedCase.TXT");
  EXPECT_EQ(LongFileName(dir + L"\\missing.txt"), dir + L"\\missing.txt");
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  EXPECT_EQ(FullPathName(L"a.txt"), dir + L"\\a.txt");
  EXPECT_EQ(FullPathName(L"sub\\..\\b.txt"), dir + L"\\b.txt");
  EXPECT_EQ(FullPathName(dir + L"\\c.txt"), dir + L"\\c.txt");  // absolute paths stay
  EXPECT_EQ(FullPathName(L""), L"");
}

namespace {
const std::wstring kFilter =
    L"テキスト(*.txt)\r\n*.txt\r\nその他(.txt.ini.log)\r\n*.txt;*.ini;*.log\r\n全てのファイル(*.*)\r\n*.*";
}

TEST(FileDialog, OpenDialogRequestAndResult) {
  FileDialogRequest req;
  std::wstring answer;
  ScopedFileDialogHandler scope([&](const FileDialogRequest& r, std::wstring& buffer) {
    req = r;
    buffer = answer;
    return true;
  });
  answer = L"C:\\dir\\one.txt";
  EXPECT_EQ(FileDialog(nullptr, L"start.txt", 0, false, L"log", kFilter, L"C:\\dir"), L"C:\\dir\\one.txt");
  EXPECT_FALSE(req.save);
  EXPECT_EQ(req.flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER));
  EXPECT_EQ(req.title, L"ファイルを開く");
  EXPECT_EQ(req.bufferChars, 1024u);
  EXPECT_EQ(req.initialFile, L"start.txt");
  EXPECT_EQ(req.filterIndex, 2u);
  EXPECT_EQ(req.filter, std::wstring(L"テキスト(*.txt)\0*.txt\0その他(.txt.ini.log)\0*.txt;*.ini;*.log\0全てのファイル(*.*)\0*.*\0", 71));
  EXPECT_EQ(req.initialDir, L"C:\\dir");
  EXPECT_EQ(req.defExt, L"log");
  EXPECT_EQ(req.structSize, static_cast<DWORD>(sizeof(OPENFILENAMEW)));  // 88 bytes in the 32-bit program

  // Multiple choice: a bigger buffer; folder and names joined, one backslash in a root.
  answer = std::wstring(L"C:\\\0a.txt\0b.txt", 15);
  EXPECT_EQ(FileDialog(nullptr, L"", OFN_ALLOWMULTISELECT, false, L"txt", kFilter, L""), L"C:\\a.txt\r\nC:\\b.txt");
  EXPECT_EQ(req.bufferChars, 49152u);
  EXPECT_EQ(req.flags & OFN_ALLOWMULTISELECT, static_cast<DWORD>(OFN_ALLOWMULTISELECT));
  EXPECT_EQ(req.filterIndex, 1u);
  answer = std::wstring(L"C:\\dir\0a.txt\0b.txt", 18);
  EXPECT_EQ(FileDialog(nullptr, L"", OFN_ALLOWMULTISELECT, false, L"txt", kFilter, L""),
            L"C:\\dir\\a.txt\r\nC:\\dir\\b.txt");
}

TEST(FileDialog, SaveDialogMayNameANewFile) {
  FileDialogRequest req;
  ScopedFileDialogHandler scope([&](const FileDialogRequest& r, std::wstring& buffer) {
    req = r;
    buffer = L"C:\\dir\\new name.txt";
    return true;
  });
  EXPECT_EQ(FileDialog(nullptr, L"old.txt", 0, true, L"txt", kFilter, L"C:\\dir"), L"C:\\dir\\new name.txt");
  EXPECT_TRUE(req.save);
  EXPECT_EQ(req.flags, static_cast<DWORD>(OFN_PATHMUSTEXIST | OFN_HIDEREADONLY));
  EXPECT_EQ(req.title, L"ファイルを保存");
}

TEST(FileDialog, InitialNameFromTheFolderArgumentAndBufferBounds) {
  std::wstring dir = MakeTempDir(L"dlg");
  ASSERT_TRUE(WriteBytes(dir + L"\\given.txt", "x"));
  FileDialogRequest req;
  bool cancel = false;
  ScopedFileDialogHandler scope([&](const FileDialogRequest& r, std::wstring& buffer) {
    req = r;
    buffer = L"x";
    return !cancel;
  });
  FileDialog(nullptr, L"", 0, false, L"txt", kFilter, dir + L"\\given.txt");
  EXPECT_EQ(req.initialFile, L"given.txt");
  EXPECT_EQ(req.initialDir, dir);  // the dialog starts in the file's folder
  FileDialog(nullptr, L"other.txt", 0, false, L"txt", kFilter, dir + L"\\given.txt");
  EXPECT_EQ(req.initialFile, L"other.txt");
  FileDialog(nullptr, L"", 0, false, L"txt", kFilter, dir);  // a folder gives no name
  EXPECT_EQ(req.initialFile, L"");
  // An initial name longer than the buffer is cut, never written past it.
  FileDialog(nullptr, std::wstring(3000, L'n'), 0, false, L"txt", kFilter, L"");
  EXPECT_EQ(req.initialFile, std::wstring(1023, L'n'));
  cancel = true;
  EXPECT_EQ(FileDialog(nullptr, L"a", 0, false, L"txt", kFilter, L""), L"");
}
