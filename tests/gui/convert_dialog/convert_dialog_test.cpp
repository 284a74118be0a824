// The code conversion dialog with fake main-window services: the code list and
// its snap back, the names it builds while the user picks and types, the
// overwrite question, the save dialog, and the folder strip.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/MogCordChgUnit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "framework/RadioGroup.h"
#include "framework/StdCtrls.h"
#include "support/paths.h"
#include "support/screen_shot.h"

namespace {

class FakeServices : public dialogs::MainWindowServices {
 public:
  std::wstring ClipboardText() override { return L""; }
  std::wstring SelectedText(int) override { return L""; }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return ""; }
  bool unicode = true;
  bool UnicodeMode() override { return unicode; }
  std::wstring NormalizePath(const std::wstring& path) override { return L"<" + path + L">"; }
};

std::wstring W(const char* utf8) { return Cp932ToWide(Cp932FromUtf8(utf8)); }

// A click on a button as the system reports it to the dialog, handled in its modal loop.
void PostClick(TMogCordChgDlg& d, TButton* b) {
  PostMessageW(d.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b->Handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(b->Handle()));
}

class ConvertDialog : public testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    dir_ = testsupport::MakeTempDir(L"cd") + L"\\";
  }
  void TearDown() override {
    if (dlg_) dlg_->Free();
    TMogCordChgDlg::OnShowHook = nullptr;
  }
  // The dialog as the main window fills it for a file of code `code`.
  TMogCordChgDlg& Open(bool unicode, int code, const std::wstring& name = L"abc.txt") {
    services_.unicode = unicode;
    dlg_ = NewForm<TMogCordChgDlg>(nullptr, services_);
    if (code == 0) dlg_->RadioGroup1->SetItemIndex(1);
    dlg_->CurrentCode = code;
    dlg_->PreviousIndex = dlg_->RadioGroup1->ItemIndex();
    dlg_->TargetPath = dlg_->SourcePath = dir_ + name;
    dlg_->OutputFolder = dir_;
    if (unicode) dlg_->SetFileNameEdit(name);
    else dlg_->Edit1->SetTextW(name);
    dlg_->Show();
    Application->ProcessMessages();
    return *dlg_;
  }
  // A user's click on item i.
  void Pick(int i) {
    SendMessageW(dlg_->RadioGroup1->Button(i)->Handle(), BM_CLICK, 0, 0);
    Application->ProcessMessages();
  }
  void Type(TEdit* edit, const std::wstring& text) {
    edit->SetFocus();
    for (wchar_t c : text) SendMessageW(edit->Handle(), WM_CHAR, c, 0);
    Application->ProcessMessages();
  }

  FakeServices services_;
  TMogCordChgDlg* dlg_ = nullptr;
  std::wstring dir_;
};

TEST_F(ConvertDialog, TheFilesOwnCodeSnapsBack) {
  TMogCordChgDlg& d = Open(true, 2);  // a UTF-8 file: item 0 proposed
  EXPECT_EQ(d.RadioGroup1->Count(), 5);
  Pick(1);
  EXPECT_EQ(d.ChosenCode(), 1);
  EXPECT_TRUE(d.CheckBox1->Enabled());
  EXPECT_TRUE(d.CheckBox2->Enabled());
  Pick(2);  // its own code
  EXPECT_EQ(d.RadioGroup1->ItemIndex(), 1);
  EXPECT_EQ(d.ChosenCode(), 1);
  Pick(3);
  EXPECT_EQ(d.ChosenCode(), 3);
  EXPECT_FALSE(d.CheckBox1->Enabled());
  EXPECT_FALSE(d.CheckBox2->Enabled());
}

TEST_F(ConvertDialog, WithoutUnicodeModeThreeCodesAndTheNarrowField) {
  TMogCordChgDlg& d = Open(false, 0);
  ASSERT_EQ(d.RadioGroup1->Count(), 3);
  EXPECT_EQ(d.RadioGroup1->ItemText(1), "Euc");
  EXPECT_EQ(d.ChosenCode(), 3);  // item 1 proposed for a Shift_JIS file is "Euc"
  EXPECT_EQ(d.NameEdit, nullptr);
  EXPECT_TRUE(d.Edit1->Visible());
  EXPECT_FALSE(d.CheckBox1->Visible());
  d.CheckBox3->SetChecked(true);
  EXPECT_EQ(d.TargetPath, dir_ + L"abc(euc).txt");
  EXPECT_EQ(d.Edit1->TextW(), L"abc(euc).txt");
  Pick(2);
  EXPECT_EQ(d.ChosenCode(), 4);
  EXPECT_EQ(d.TargetPath, dir_ + L"abc(jis).txt");
  // The first keystroke after the program's own write counts.
  SendMessageW(d.Edit1->Handle(), EM_SETSEL, 0, -1);
  Type(d.Edit1, L"x.txt");
  EXPECT_EQ(d.Edit1->TextW(), L"x.txt");
  EXPECT_EQ(d.TargetPath, dir_ + L"x.txt");
}

TEST_F(ConvertDialog, TypingInTheUtf16FieldWritesWhatItShows) {
  TMogCordChgDlg& d = Open(true, 0);
  d.CheckBox3->SetChecked(true);
  EXPECT_EQ(d.TargetPath, dir_ + L"abc(utf16).txt");
  SendMessageW(d.NameEdit->Handle(), EM_SETSEL, 0, -1);
  Type(d.NameEdit, L"abc(utf8).txt");
  EXPECT_EQ(d.GetNameEditText(), L"abc(utf8).txt");
  EXPECT_EQ(d.TargetPath, dir_ + L"abc(utf8).txt");
  // A right click on the folder button: the source's name, no code part.
  d.SpeedButton1MouseDown(mbRight);
  EXPECT_FALSE(d.CheckBox3->Checked());
  EXPECT_EQ(d.TargetPath, dir_ + L"abc.txt");
  EXPECT_EQ(d.GetNameEditText(), L"abc.txt");
  // A name that begins with "(" keeps its base.
  d.TargetPath = dir_ + L"(memo).txt";
  d.CheckBox3->SetChecked(true);
  EXPECT_EQ(d.TargetPath, dir_ + L"(memo)(utf16).txt");
}

TEST_F(ConvertDialog, TheSaveDialogChoosesFolderAndName) {
  TMogCordChgDlg& d = Open(true, 0);
  std::vector<FileDialogRequest> asked;
  bool answer = false;
  ScopedFileDialogHandler h([&](const FileDialogRequest& r, std::wstring& buffer) {
    asked.push_back(r);
    buffer = L"C:\\other\\new(1).txt";
    return answer;
  });
  d.SpeedButton1Click();  // cancelled
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].save);
  EXPECT_EQ(asked[0].initialFile, dir_ + L"abc.txt");
  EXPECT_EQ(d.TargetPath, dir_ + L"abc.txt");
  answer = true;
  d.CheckBox3->SetChecked(true);
  d.SpeedButton1Click();
  EXPECT_EQ(d.TargetPath, L"C:\\other\\new(1)(utf16).txt");  // the typed "(" kept
  EXPECT_EQ(d.OutputFolder, L"C:\\other\\");
  EXPECT_EQ(d.FolderCaption, L"<C:\\other\\>");
}

// The save dialogs' filters: the UTF-16 one, and the narrow one as the form
// gives it ("*txt" in its first name).
TEST_F(ConvertDialog, TheSaveDialogsFilters) {
  for (bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "UTF-16 dialog" : "narrow dialog");
    if (dlg_) dlg_->Free();
    dlg_ = nullptr;
    TMogCordChgDlg& d = Open(unicode, 0);
    std::wstring filter;
    ScopedFileDialogHandler h([&](const FileDialogRequest& r, std::wstring&) {
      filter = r.filter;
      return false;
    });
    d.SpeedButton1Click();
    EXPECT_EQ(filter, std::wstring(unicode ? L"テキスト(*.txt)" : L"テキスト(*txt)") + L'\0' + L"*.txt" + L'\0' +
                          L"全てのファイル(*.*)" + L'\0' + L"*.*" + L'\0');
  }
}

// The code group looks like the form around it: inside its frame, beside and
// between its buttons, the screen shows the form's colour, and its frame is
// the system's etched line, not a black band.
TEST_F(ConvertDialog, TheCodeGroupIsDrawnInTheFormsColour) {
  TMogCordChgDlg& d = Open(true, 0);
  TBitmap shot;
  ASSERT_TRUE(testsupport::CaptureWindow(d.Handle(), shot));
  testsupport::SaveBmp(shot, "convert_dialog.bmp");
  RECT group, window;
  GetWindowRect(d.RadioGroup1->Handle(), &group);
  GetWindowRect(d.Handle(), &window);
  const int gx = group.left - window.left, gy = group.top - window.top;
  const int w = group.right - group.left, h = group.bottom - group.top;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ASSERT_EQ(ColorToRGB(d.Color()), face);
  // Outside the group, left of it: the form.
  EXPECT_EQ(shot.PixelRGB(gx - 3, gy + h / 2), face);
  int wrong = 0, black = 0;
  auto look = [&](int x, int y) {
    const COLORREF c = shot.PixelRGB(gx + x, gy + y);
    wrong += c != face;
    black += GetRValue(c) < 0x40 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40;
  };
  for (int y = 20; y < h - 4; ++y) {
    for (int x = 3; x < 7; ++x) look(x, y);          // between the frame and the buttons
    for (int x = w - 7; x < w - 3; ++x) look(x, y);  // right of the buttons
  }
  // The rows between the buttons.
  for (int i = 0; i + 1 < d.RadioGroup1->Count(); ++i) {
    RECT a, b;
    GetWindowRect(d.RadioGroup1->Button(i)->Handle(), &a);
    GetWindowRect(d.RadioGroup1->Button(i + 1)->Handle(), &b);
    for (int y = a.bottom; y < b.top; ++y)
      for (int x = 8; x < w - 8; ++x) look(x, y - group.top);
  }
  EXPECT_EQ(wrong, 0);
  // The frame: along its left and bottom edges no black pixel.
  for (int y = 12; y < h; ++y) look(0, y), look(1, y);
  for (int x = 0; x < w; ++x) look(x, h - 1), look(x, h - 2);
  EXPECT_EQ(black, 0);
}

TEST_F(ConvertDialog, AnExistingTargetNeedsYes) {
  testsupport::WriteBytes(dir_ + L"abc.txt", "x");
  services_.unicode = true;
  dlg_ = NewForm<TMogCordChgDlg>(nullptr, services_);
  dlg_->CurrentCode = 0;
  dlg_->RadioGroup1->SetItemIndex(2);
  dlg_->TargetPath = dlg_->SourcePath = dir_ + L"abc.txt";
  std::vector<MessageRequest> asked;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    asked.push_back(r);
    if (asked.size() == 1) {
      PostClick(*dlg_, dlg_->OKBtn);
      return IDNO;  // the dialog stays; the user presses OK again
    }
    return IDYES;
  });
  TMogCordChgDlg::OnShowHook = [](TMogCordChgDlg& d) { PostClick(d, d.OKBtn); };
  EXPECT_EQ(dlg_->ShowModal(), 1);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].text, dir_ + L"abc.txt" + W(" は、既に存在します。\n上書きしますか？"));
  EXPECT_EQ(asked[0].caption, W("上書き確認"));
  EXPECT_EQ(asked[0].flags & MB_YESNO, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(dlg_->ChosenCode(), 2);
  EXPECT_EQ(dlg_->TargetPath, dir_ + L"abc.txt");
}

TEST_F(ConvertDialog, TheFolderStripHasItsGreyFrame) {
  TMogCordChgDlg& d = Open(true, 0);
  d.ShowFolder(L"C:\\folder\\");
  EXPECT_EQ(d.FolderCaption, L"<C:\\folder\\>");
  EXPECT_EQ(d.PaintBox1->Hint, Cp932FromUtf8("保存先フォルダ|") + "C:\\folder\\");
  TBitmap b;
  d.PaintBox1->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(1, 1), RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(b.PixelRGB(1, d.PaintBox1->Height() - 3), RGB(0x80, 0x80, 0x80));
  int dark = 0;  // the caption is drawn
  for (int x = 5; x < 60; ++x)
    for (int y = 3; y < d.PaintBox1->Height() - 3; ++y) dark += GetRValue(b.PixelRGB(x, y)) < 0x60;
  EXPECT_GT(dark, 10);
}

}  // namespace
