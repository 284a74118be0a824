#include "dialogs/InputBoxUnit.h"

#include <windows.h>

#include "controls/NumberEdit.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"
#include "text/NumberText.h"

namespace {
std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring W(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }

// The user's thousands separator ("," when the locale gives none).
std::wstring ThousandsSeparator() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, 8) <= 1) return L",";
  return sep;
}
}  // namespace

TInputBoxDlg::TInputBoxDlg(TForm* owner, int64_t lineNumber)
    : TForm(owner, L"TInputBoxDlg"), InitialLineNumber(lineNumber) {
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  // Client area 336 x 134: the frame's size comes from the style.
  RECT r = {0, 0, 336, 134};
  AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, WS_EX_DLGMODALFRAME);
  SetBounds(0, 0, r.right - r.left, r.bottom - r.top);

  images_ = new TImageList();
  MakeProgramImages(*images_);

  Label1 = new TLabel(this);
  Label1->Name = "Label1";
  Label1->SetBounds(16, 12, 304, 16);

  NumberEdit1 = new TNumberEdit(this);
  NumberEdit1->Name = "NumberEdit1";
  NumberEdit1->SetNumberOnly(true);
  NumberEdit1->TabStop = true;
  NumberEdit1->SetBounds(16, 34, 230, 21);
  NumberEdit1->OnChange = [this](TWinControl*) { NumberEdit1Change(); };

  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->Name = "SpeedButton1";
  SpeedButton1->SetImages(images_);
  SpeedButton1->SetImageIndex(imgLineList);
  SpeedButton1->SetBounds(256, 32, 25, 25);
  SpeedButton1->Hint = Cp932FromUtf8("行番号の取得|選択している行番号を取得");
  SpeedButton1->ShowHint = true;
  SpeedButton1->OnClick = [this](TWinControl*) { SpeedButton1Click(); };

  SpeedButton2 = new TSpeedButton(this);
  SpeedButton2->Name = "SpeedButton2";
  SpeedButton2->SetImages(images_);
  SpeedButton2->SetImageIndex(imgPaste);
  SpeedButton2->SetBounds(286, 32, 25, 25);
  SpeedButton2->Hint = Cp932FromUtf8("クリップボード");
  SpeedButton2->ShowHint = true;
  SpeedButton2->OnClick = [this](TWinControl*) { SpeedButton2Click(); };

  StaticText1 = new TStaticText(this);
  StaticText1->Name = "StaticText1";
  StaticText1->SetAlignment(taRightJustify);
  StaticText1->SetBorderStyle(sbsSunken);
  StaticText1->ShowHint = true;
  StaticText1->SetBounds(16, 64, 230, 20);

  CheckBox1 = new TCheckBox(this);
  CheckBox1->Name = "CheckBox1";
  CheckBox1->SetTextW(L"漢字混じり");
  CheckBox1->Hint = Cp932FromUtf8("漢字混じりの表記");
  CheckBox1->ShowHint = true;
  CheckBox1->TabStop = true;
  CheckBox1->SetBounds(256, 65, 78, 18);
  CheckBox1->OnClick = [this](TWinControl*) { CheckBox1Click(); };

  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->SetTextW(L"OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(336 / 2 - 75 - 3, 100, 75, 25);

  CancelBtn = new TButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(336 / 2 + 3, 100, 75, 25);

  SetActiveControl(NumberEdit1);
}

TInputBoxDlg::~TInputBoxDlg() {
  DestroyWnd();
  delete images_;
}

void TInputBoxDlg::NumberEdit1Change() {
  const std::wstring typed = NumberEdit1->TextW();
  const int64_t v = numbertext::ParseInt64(U16(typed));
  if (v == 0) {
    NumberEdit1->SetTextW(L"");
    StaticText1->SetTextW(typed);
    StaticText1->Hint = Cp932FromUtf8("数値では有りません。");
    return;
  }
  if (CheckBox1->Checked()) {
    StaticText1->SetTextW(W(numbertext::KanjiUnits(v)));
  } else {
    StaticText1->SetTextW(W(numbertext::GroupThousands(v, U16(ThousandsSeparator()))));
  }
  StaticText1->Hint.clear();
}

void TInputBoxDlg::CheckBox1Click() { NumberEdit1Change(); }

void TInputBoxDlg::SpeedButton1Click() {
  std::string picked = dialogs::MainWindow().PickedLineNumber();
  if (picked.empty()) {
    if (InitialLineNumber == -1) return;
    picked = std::to_string(InitialLineNumber);
  }
  NumberEdit1->SetText(picked);
  NumberEdit1Change();
}

void TInputBoxDlg::SpeedButton2Click() {
  std::wstring text = dialogs::MainWindow().ClipboardText();
  if (text.size() > 255) text.resize(255);
  // The edit takes the text as the narrow program would.
  NumberEdit1->SetText(WideToCp932(text));
  NumberEdit1Change();
}
