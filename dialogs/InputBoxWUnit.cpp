#include "dialogs/InputBoxWUnit.h"

#include <vector>

#include "dialogs/MainWindowServices.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

TInputWideDlg::TInputWideDlg(const std::wstring& prompt, TForm* owner, int mode, const std::wstring& initialText)
    : TForm(owner, L"TInputWideDlg"), PromptText(prompt), InputText(initialText), Mode(mode) {
  BorderStyle = bsSizeable;
  MinimizeBox = false;
  MaximizeBox = false;
  StayOnTop = true;
  KeyPreview = true;
  Position = poScreenCenter;
  MinWidth = 345;
  SetBounds(0, 0, 345, 163);

  images_ = new TImageList();
  MakeProgramImages(*images_);

  CheckBox1 = new TCheckBox(this);
  CheckBox1->Name = "CheckBox1";
  CheckBox1->SetTextW(L"空行、タブ、スペースは除く");
  CheckBox1->SetChecked(true);
  CheckBox1->TabStop = true;
  CheckBox1->SetBounds(14, 58, 300, 18);

  CheckBox2 = new TCheckBox(this);
  CheckBox2->Name = "CheckBox2";
  CheckBox2->SetTextW(L"行番号も変更する");
  CheckBox2->TabStop = true;
  CheckBox2->SetBounds(14, 80, 160, 18);
  CheckBox2->SetVisible(false);
  CheckBox2->OnClick = [this](TWinControl*) { CheckBox2Click(); };

  StaticText1 = new TStaticText(this);
  StaticText1->Name = "StaticText1";
  StaticText1->SetAlignment(taRightJustify);
  StaticText1->SetBorderStyle(sbsSingle);
  StaticText1->SetTextW(L"0");
  StaticText1->Hint = Cp932FromUtf8("行番号");
  StaticText1->ShowHint = true;
  StaticText1->SetBounds(200, 80, 120, 18);
  StaticText1->SetVisible(false);

  Panel1 = new TPanel(this);
  Panel1->Name = "Panel1";
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBounds(0, 0, 345, 35);
  Panel1->SetAlign(alBottom);

  const std::string shortTail = Cp932FromUtf8("文字列を入力する");
  SpeedButton1 = new TSpeedButton(Panel1);
  SpeedButton1->Name = "SpeedButton1";
  SpeedButton1->SetImages(images_);
  SpeedButton1->SetImageIndex(imgPaste);
  SpeedButton1->SetBounds(8, 5, 25, 25);
  SpeedButton1->Hint = Cp932FromUtf8("クリップボード|") + shortTail;
  SpeedButton1->ShowHint = true;
  SpeedButton1->OnClick = [this](TWinControl*) { SpeedButton1Click(); };

  SpeedButton2 = new TSpeedButton(Panel1);
  SpeedButton2->Name = "SpeedButton2";
  SpeedButton2->SetImages(images_);
  SpeedButton2->SetImageIndex(imgTitle);
  SpeedButton2->SetBounds(36, 5, 25, 25);
  SpeedButton2->Hint = Cp932FromUtf8("選択テキスト|") + shortTail;
  SpeedButton2->ShowHint = true;
  SpeedButton2->OnClick = [this](TWinControl*) { SpeedButton2Click(); };

  OKBtn = new TButton(Panel1);
  OKBtn->Name = "OKBtn";
  OKBtn->SetTextW(L"OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(345 / 2 - 66 - 5, 7, 66, 21);
  OKBtn->OnClick = [this](TWinControl*) { OKBtnClick(); };

  CancelBtn = new TButton(Panel1);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(345 / 2 + 5, 7, 66, 21);

  MinHeight = 163;
  MaxHeight = 185;
  if (Mode == ibBookmarkTitle) {
    CheckBox1->SetTextW(L"選択する文字列（位置）も変更する ");
    CheckBox1->SetChecked(false);
    CheckBox2->SetVisible(true);
    StaticText1->SetVisible(true);
    MinHeight = 185;
    MaxHeight = 185;
    SetHeight(185);
  }

  OnCreate = [this](TWinControl*) { FormCreate(); };
  OnShow = [this](TWinControl*) { FormShow(); };
  OnResize = [this](TWinControl*) { FormResize(); };
}

TInputWideDlg::~TInputWideDlg() {
  // The children go with the form's window; the glyphs after them.
  DestroyWnd();
  delete images_;
}

void TInputWideDlg::FormCreate() {
  HWND form = Handle();
  const int w = Width();
  const int x = w / 2 - (w - 30) / 2;
  InputEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", InputText.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, x - 2, 28, w - 30,
                              6 - Font().Height(), form, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(InputEdit, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  PromptLabel = CreateWindowExW(0, L"STATIC", PromptText.c_str(), WS_CHILD | WS_VISIBLE, x, 10, w - 40, 18, form,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(PromptLabel, WM_SETFONT, reinterpret_cast<WPARAM>(CheckBox1->Font().Handle()), TRUE);
}

void TInputWideDlg::FormShow() {
  if (InputEdit) ::SetFocus(InputEdit);
  ShownLineText = StaticText1->Text();
}

void TInputWideDlg::FormResize() {
  const int w = Width();
  if (InputEdit) {
    RECT r;
    GetWindowRect(InputEdit, &r);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(InputEdit, nullptr, 0, 0, w - 40, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (OKBtn) OKBtn->SetLeft(w / 2 - OKBtn->Width() - 5);
  if (CancelBtn) CancelBtn->SetLeft(w / 2 + 5);
}

std::wstring TInputWideDlg::EditText() {
  if (!InputEdit) return InputText;
  int n = GetWindowTextLengthW(InputEdit);
  std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
  int got = GetWindowTextW(InputEdit, buf.data(), n + 1);
  return std::wstring(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::wstring TInputWideDlg::CutToUnits(const std::wstring& text, size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  size_t n = maxUnits;
  // A high surrogate whose low half would fall past the cut goes too.
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF && text[n] >= 0xDC00 && text[n] <= 0xDFFF) --n;
  return text.substr(0, n);
}

void TInputWideDlg::OKBtnClick() { InputText = CutToUnits(EditText(), kMaxUnits); }

void TInputWideDlg::SpeedButton1Click() {
  if (!InputEdit) return;
  SetWindowTextW(InputEdit, CutToUnits(dialogs::MainWindow().ClipboardText(), kMaxUnits).c_str());
}

void TInputWideDlg::SpeedButton2Click() {
  if (!InputEdit) return;
  SetWindowTextW(InputEdit, CutToUnits(dialogs::MainWindow().SelectedText(kMaxUnits), kMaxUnits).c_str());
}

void TInputWideDlg::CheckBox2Click() {
  if (CheckBox2->Checked()) {
    StaticText1->SetText(std::to_string(dialogs::MainWindow().CurrentLine()));
  } else {
    StaticText1->SetText(ShownLineText);
  }
}
