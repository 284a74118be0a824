#include "dialogs/OptionDlg.h"

#include <windows.h>

#include "controls/NumberEdit.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

TOptionDlg* OptionDlg = nullptr;

namespace {
std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

TLabel* AddLabel(TWinControl* parent, const char* name, const char* utf8, int x, int y, int w) {
  TLabel* l = new TLabel(parent);
  l->Name = name;
  l->SetText(J(utf8));
  l->SetBounds(x, y, w, 14);
  return l;
}

TCheckBox* AddCheck(TWinControl* parent, const char* name, const char* utf8, int x, int y, int w) {
  TCheckBox* c = new TCheckBox(parent);
  c->Name = name;
  c->SetText(J(utf8));
  c->TabStop = true;
  c->SetBounds(x, y, w, 18);
  return c;
}

TComboBox* AddSizes(TWinControl* parent, const char* name, std::initializer_list<const char*> items,
                    const char* hint, int x, int y) {
  TComboBox* c = new TComboBox(parent);
  c->Name = name;
  c->SetStyle(csDropDownList);
  for (const char* i : items) c->Items().Add(i);
  c->Hint = J(hint);
  c->ShowHint = true;
  c->TabStop = true;
  c->DropDownCount = 10;
  c->SetBounds(x, y, 46, 20);
  return c;
}

void AddNumber(TWinControl* parent, int n, int lo, int hi, const char* hint, int x, int y,
               TNumberEdit*& edit, TUpDown*& updown) {
  edit = new TNumberEdit(parent);
  edit->Name = "NumberEdit" + std::to_string(n);
  edit->SetNumberOnly(true);
  edit->TabStop = true;
  edit->Hint = J(hint);
  edit->ShowHint = true;
  edit->SetBounds(x, y, 40, 20);
  updown = new TUpDown(parent);
  updown->Name = "UpDown" + std::to_string(n);
  updown->SetMin(lo);
  updown->SetMax(hi);
  updown->Wrap = false;
  updown->TabStop = true;
  updown->SetBounds(x + 40, y, 16, 20);
  updown->SetAssociate(edit);
  updown->SetPosition(lo);
}
}  // namespace

TOptionDlg::TOptionDlg(TForm* owner) : TForm(owner, L"TOptionDlg") {
  SetCaption("Option");
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-12);
  RECT r = {0, 0, 418, 453};
  AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, WS_EX_DLGMODALFRAME);
  SetBounds(0, 0, r.right - r.left, r.bottom - r.top);

  images_ = new TImageList();
  MakeProgramImages(*images_);
  SetIcon(images_->GetIcon(imgOptions));

  Panel1 = new TPanel(this);
  Panel1->Name = "Panel1";
  Panel1->SetBevelInner(bvRaised);
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetColor(TColor(0xF7EFE1));
  Panel1->SetBounds(8, 8, 402, 400);

  TWinControl* p = Panel1;
  AddLabel(p, "Label1", "フォントサイズ", 16, 18, 90);
  ComboBox1 = AddSizes(p, "ComboBox1", {"9", "10", "11", "12", "14", "16", "18", "20", "22", "24"},
                       "テキスト", 110, 14);
  CheckBox1 = AddCheck(p, "CheckBox1", "「送る」メニューに追加", 200, 16, 190);
  CheckBox2 = AddCheck(p, "CheckBox2", "文字コードを自動検出する", 16, 46, 200);
  CheckBox2->OnClick = [this](TWinControl*) { CheckBox2Click(); };
  CheckBox3 = AddCheck(p, "CheckBox3", "テキストの監視は最終行から開始する", 16, 70, 370);
  AddLabel(p, "Label2", "検出サイズ", 36, 98, 70);
  AddNumber(p, 1, 1, 50, "1M～50M", 110, 94, NumberEdit1, UpDown1);
  AddLabel(p, "Label3", "MB", 172, 98, 30);
  CheckBox4 = AddCheck(p, "CheckBox4", "文字コードの変換ができない文字を統合表示する", 16, 124, 370);
  AddLabel(p, "Label4", "ブックマークタイトルの最大文字数", 16, 156, 200);
  AddNumber(p, 2, 23, 92, "23～92", 230, 152, NumberEdit2, UpDown2);
  CheckBox5 = AddCheck(p, "CheckBox5", "不明ファイルのブックマークは削除する", 16, 182, 250);
  AddLabel(p, "Label5", "ブックマーク", 272, 184, 66);
  ComboBox2 = AddSizes(p, "ComboBox2", {"9", "10", "11", "12"}, "ブックマーク", 340, 180);
  CheckBox6 = AddCheck(p, "CheckBox6", "「プログラムから開く」メニューに追加", 16, 212, 370);
  AddLabel(p, "Label6", "開くファイルの拡張子", 16, 242, 150);
  Edit1 = new TEdit(p);
  Edit1->Name = "Edit1";
  Edit1->Font().SetHeight(-16);
  Edit1->Font().SetStyle(fsBold);
  Edit1->TabStop = true;
  Edit1->SetBounds(170, 236, 216, 24);
  CheckBox7 = AddCheck(p, "CheckBox7", "ウインドウのちらつきを軽減する", 16, 272, 370);
  CheckBox8 = AddCheck(p, "CheckBox8", "デスクトップにショートカット作成", 16, 296, 370);
  AddLabel(p, "Label7", "CSVファイルの最大列数", 16, 326, 150);
  AddNumber(p, 3, 10, 50, "10～50", 170, 322, NumberEdit3, UpDown3);
  CheckBox9 = AddCheck(p, "CheckBox9", "行番号リストを自動的に作成する", 16, 350, 370);
  CheckBox10 = AddCheck(p, "CheckBox10", "ブックマーク等の読み込み時には、確認メッセージを表示する", 16, 374, 380);

  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->SetTextW(L"OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(209 - 80, 418, 75, 25);

  CancelBtn = new TButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(209 + 5, 418, 75, 25);

  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->Name = "SpeedButton1";
  SpeedButton1->SetFlat(true);
  SpeedButton1->SetImages(images_);
  SpeedButton1->SetImageIndex(imgHelp);
  SpeedButton1->Hint = "Help";
  SpeedButton1->ShowHint = true;
  SpeedButton1->SetBounds(380, 418, 25, 25);
  SpeedButton1->OnClick = [this](TWinControl*) { SpeedButton1Click(); };

  SetActiveControl(ComboBox1);
}

TOptionDlg::~TOptionDlg() {
  DestroyWnd();
  delete images_;
}

void TOptionDlg::CheckBox2Click() {
  const bool on = CheckBox2->Checked();
  NumberEdit1->SetEnabled(on);
  UpDown1->SetEnabled(on);
}

void TOptionDlg::SpeedButton1Click() { dialogs::MainWindow().ShowHelpTopic("Vastrel.htm#Option"); }
