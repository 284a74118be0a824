// The whole-file conversion in the real main window under wine: the command
// with its dialog answered from its show handler, the result opened in its
// code, the abort button, the locked frame meanwhile, a drop kept for the end,
// and a close request during the work.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/ColorProgressBar.h"
#include "dialogs/MogCordChgUnit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "framework/RadioGroup.h"
#include "framework/StdCtrls.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/VastrelForm.h"

namespace {

// Runs an action once the conversion runs: a message that posts itself again
// until then, so that the action comes from inside the conversion's pump.
std::function<bool()> g_during;
UINT g_duringMessage = 0;
HWND g_helper = nullptr;

LRESULT CALLBACK HelperProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == g_duringMessage && g_during) {
    if (!g_during()) PostMessageW(h, g_duringMessage, 0, 0);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

std::wstring W(const char* utf8) { return Cp932ToWide(Cp932FromUtf8(utf8)); }

class FileConvert : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"fcv");
    StartForm(0, 0, 900, 500);
    if (!g_helper) {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = HelperProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"FileConvertTestHelper";
      RegisterClassW(&wc);
      g_helper = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
      g_duringMessage = RegisterWindowMessageW(L"FileConvertTestDuring");
    }
    text_.clear();
    for (int i = 0; i < 4000; ++i) text_ += "\x8A\xBF\x8E\x9A line " + std::to_string(i) + "\r\n";
    for (int i = 0; i < 4000; ++i) utf8_ += u8"漢字 line " + std::to_string(i) + "\r\n";
  }
  void TearDown() override {
    g_during = nullptr;
    TMogCordChgDlg::OnShowHook = nullptr;
    EndMainWindow();
  }
  // The dialog answered: code item, code part in the name, mark, little endian; OK.
  void Answer(int item, bool codePart, bool mark, bool little) {
    TMogCordChgDlg::OnShowHook = [=](TMogCordChgDlg& d) {
      ++shown_;
      if (d.RadioGroup1->ItemIndex() != item) {
        d.RadioGroup1->SetItemIndex(item);
        d.RadioGroup1Click();
      }
      d.CheckBox3->SetChecked(codePart);
      d.CheckBox1->SetChecked(mark);
      d.CheckBox2->SetChecked(little);
      PostMessageW(d.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(d.OKBtn->Handle()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(d.OKBtn->Handle()));
    };
  }
  void During(std::function<void()> action) {
    g_during = [this, action] {
      if (!form_->Work.Running(vastrel::WorkGuard::Job::Convert)) return false;
      action();
      g_during = nullptr;
      return true;
    };
    PostMessageW(g_helper, g_duringMessage, 0, 0);
  }
  bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::vector<std::wstring> Temporaries() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE s = FindFirstFileW((folder_ + L"tmp_dmi*").c_str(), &fd);
    if (s == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileW(s, &fd));
    FindClose(s);
    return names;
  }

  std::string text_, utf8_;
  int shown_ = 0;
};

TEST_F(FileConvert, TheResultOpensInItsCode) {
  const std::wstring src = File(L"a.txt", text_);
  form_->OpenFile(src);
  ASSERT_EQ(form_->Doc.TextCode, 0);
  Answer(2, true, true, true);  // UTF-8 with mark, into "a(utf8).txt"
  form_->N17Click();
  EXPECT_EQ(shown_, 1);
  const std::wstring out = folder_ + L"a(utf8).txt";
  EXPECT_EQ(testsupport::ReadBytes(out), "\xEF\xBB\xBF" + utf8_);
  EXPECT_EQ(testsupport::ReadBytes(src), text_);
  EXPECT_EQ(form_->Doc.FilePath, out);
  EXPECT_EQ(form_->Doc.TextCode, 2);
  EXPECT_EQ(form_->WatchPath, out);
  const std::wstring firstLine = W("漢字 line 0\r\n");
  EXPECT_EQ(ViewText().substr(0, firstLine.size()), firstLine);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(form_->ComboBox2->Visible());
  EXPECT_NE(form_->Menu(), nullptr);

  // UTF-16 with mark in big-endian order.
  form_->OpenFile(src);
  Answer(1, true, true, false);
  form_->N17Click();
  const std::string be = testsupport::ReadBytes(folder_ + L"a(utf16).txt");
  ASSERT_GE(be.size(), 4u);
  EXPECT_EQ(be.substr(0, 4), std::string("\xFE\xFF\x6F\x22", 4));  // the mark, then 漢 (U+6F22)
  EXPECT_EQ(form_->Doc.TextCode, 1);
  EXPECT_EQ(form_->Doc.ByteOrder, 0);
}

TEST_F(FileConvert, AbortLeavesTheFileOpenAndWhole) {
  const std::wstring src = File(L"b.txt", text_);
  form_->OpenFile(src);
  form_->ConvertBlockSize = 1024;
  Answer(2, false, false, true);  // in place: the overwrite question answered Yes
  std::vector<std::wstring> questions;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    questions.push_back(r.text);
    return IDYES;
  });
  bool locked = false;
  int n17Inside = 0;
  During([&] {
    locked = form_->Menu() == nullptr && !form_->ComboBox2->Visible() && !form_->ComboBox1->Enabled() &&
             !form_->FileCommandsAllowed() && form_->ColorProgressBar1->Showing();
    const int before = shown_;
    form_->N17Click();  // refused meanwhile
    n17Inside = shown_ - before;
    form_->ComboBox2Change();
    form_->SpeedButton2->Click();
  });
  form_->N17Click();
  EXPECT_TRUE(locked);
  EXPECT_EQ(n17Inside, 0);
  ASSERT_EQ(questions.size(), 1u);  // the overwrite question only; no failure message
  EXPECT_EQ(testsupport::ReadBytes(src), text_);
  EXPECT_EQ(form_->Doc.FilePath, src);
  EXPECT_EQ(form_->Doc.TextCode, 0);
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_NE(form_->Menu(), nullptr);
  EXPECT_FALSE(form_->WorkPanel->Visible());
}

TEST_F(FileConvert, ADropMeanwhileOpensAfterwards) {
  const std::wstring src = File(L"c.txt", text_);
  const std::wstring other = File(L"d.txt", "other file\r\n");
  form_->OpenFile(src);
  form_->ConvertBlockSize = 1024;
  Answer(3, true, false, true);  // EUC-JP into "c(euc).txt"
  bool kept = false;
  During([&] { kept = !form_->Work.OfferOpen(vastrel::WorkGuard::PendingOpen::Kind::Drop, {other}); });
  form_->N17Click();
  EXPECT_TRUE(kept);
  EXPECT_TRUE(Exists(folder_ + L"c(euc).txt"));
  EXPECT_EQ(form_->Doc.FilePath, other);
}

TEST_F(FileConvert, ACloseRequestStopsTheConversionThenCloses) {
  const std::wstring src = File(L"e.txt", text_);
  form_->OpenFile(src);
  form_->ConvertBlockSize = 1024;
  Answer(2, true, false, true);
  int closes = 0;
  bool closedDuring = true;
  form_->OnClose = [&](TWinControl*, TCloseAction& a) {
    ++closes;
    a = caNone;
  };
  During([&] {
    SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
    closedDuring = closes > 0;
  });
  form_->N17Click();
  EXPECT_FALSE(closedDuring);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(Exists(folder_ + L"e(utf8).txt"));  // ended as aborted
  EXPECT_EQ(form_->Doc.FilePath, src);
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FileConvert, UnconvertibleCharactersAreReportedAndNotReopened) {
  // One U+AC00 in a UTF-16 file converted to EUC-JP.
  const std::wstring src = File(L"f.txt", std::string("\xFF\xFE" "a\0\x00\xAC" "b\0", 8));
  form_->OpenFile(src);
  form_->ComboBox1->SetItemIndex(1);
  form_->ComboBox1Change();
  ASSERT_EQ(form_->Doc.TextCode, 1);
  Answer(3, true, false, true);
  std::vector<MessageRequest> boxes;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    boxes.push_back(r);
    return IDOK;
  });
  form_->N17Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, W("変換エラー [ UTF16 → euc ]"));
  EXPECT_EQ(boxes[0].text, W("新しい文字コードに変換できない文字が 1 個含まれていました。\n") + L"[\uAC00]");
  EXPECT_EQ(testsupport::ReadBytes(folder_ + L"f(euc).txt"), "a??b");
  EXPECT_EQ(form_->Doc.FilePath, src);  // not reopened
}

}  // namespace
