// The journal of in-place edits seen from the real main window under wine:
// the start finishes an edit that a killed program left in its journal, with
// one message naming the file, before anything else; an edit whose journal
// cannot be written is refused with one message, the file untouched.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/StdCtrls.h"
#include "support/journal_support.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/VastrelForm.h"

namespace {

std::vector<std::wstring> Journals(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((folder + L"*.journal*").c_str(), &fd);
  if (s == INVALID_HANDLE_VALUE) return names;
  do names.push_back(fd.cFileName);
  while (FindNextFileW(s, &fd));
  FindClose(s);
  return names;
}

class JournalWindow : public testsupport::MainWindowTest {
 protected:
  void SetUp() override { UseFreshProgramFolder(L"jw"); }
  void TearDown() override { EndMainWindow(); }
};

TEST_F(JournalWindow, StartFinishesAnInterruptedEditAndSaysSoOnce) {
  // A 2-byte insertion at 100 into 1 MiB, ended in the middle of its move.
  const std::string original = testsupport::Pattern(1 << 20, 1);
  const std::wstring file = File(L"f.bin", original);
  CreateDirectoryW((folder_ + L"j").c_str(), nullptr);
  ASSERT_EQ(testsupport::RunVictim(L"run \"" + folder_.substr(0, folder_.size() - 1) + L"\" move 100 0 2 65536 262144 14 before 0"), 77);
  const std::wstring from = folder_ + L"j\\";
  const std::vector<std::wstring> left = Journals(from);
  ASSERT_EQ(left.size(), 1u);
  ASSERT_TRUE(testsupport::ReadBytes(file) != original);  // mixed now
  CreateDirectoryW((folder_ + L"data").c_str(), nullptr);
  ASSERT_TRUE(MoveFileW((from + left[0]).c_str(), (folder_ + L"data\\" + left[0]).c_str()));

  StartForm();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(file), std::wstring::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(L"編集を終えた内容になりました"), std::wstring::npos) << messages_[0];
  EXPECT_TRUE(testsupport::ReadBytes(file) == original.substr(0, 100) + testsupport::Pattern(2, 7) + original.substr(100));
  EXPECT_TRUE(Journals(folder_ + L"data\\").empty());
  EXPECT_EQ(form_->Doc.FileSize, -1);  // no file was opened meanwhile
}

TEST_F(JournalWindow, EnterIsRefusedWhenTheJournalCannotBeWritten) {
  StartForm();
  const std::string original = "line one\r\nline two\r\n";
  const std::wstring file = File(L"t.txt", original);
  form_->OpenFile(file);
  Application->ProcessMessages();
  form_->CheckBox1->SetChecked(false);  // typed edits allowed (the backup question answered OK: none)
  // The data folder gives way to a file of that name: no journal can go there.
  const std::wstring data = folder_ + L"data";
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((data + L"\\*").c_str(), &fd);
  if (s != INVALID_HANDLE_VALUE) {
    do DeleteFileW((data + L"\\" + fd.cFileName).c_str());
    while (FindNextFileW(s, &fd));
    FindClose(s);
  }
  ASSERT_TRUE(RemoveDirectoryW(data.c_str()));
  ASSERT_TRUE(testsupport::WriteBytes(data, "not a folder"));
  messages_.clear();
  HWND view = form_->Memo1->Handle();
  SetFocus(view);
  PostMessageW(view, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(view, WM_KEYUP, VK_RETURN, 0xC0000001);
  Application->ProcessMessages();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].find(L"作業の記録を書き込めないため、ファイルを変更しませんでした。"), 0u) << messages_[0];
  EXPECT_TRUE(testsupport::ReadBytes(file) == original);
  EXPECT_TRUE(form_->WorkIdle);
  DeleteFileW(data.c_str());
}

}  // namespace
