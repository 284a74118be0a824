#include "dialogs/NoInpUnit.h"

#include <windows.h>

#include "controls/NumberEdit.h"
#include "framework/Bevel.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

TOKRightDlg* OKRightDlg = nullptr;

TOKRightDlg::TOKRightDlg(TForm* owner) : TForm(owner, L"TOKRightDlg") {
  SetTextW(L"行の先頭に番号を挿入");
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-12);
  // Client area 384 x 123: the frame's size comes from the style.
  RECT r = {0, 0, 384, 123};
  AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, WS_EX_DLGMODALFRAME);
  SetBounds(0, 0, r.right - r.left, r.bottom - r.top);

  Label1 = new TLabel(this);
  Label1->SetTextW(L"開始番号");
  Label1->SetBounds(24, 22, 64, 16);
  NumberEdit1 = new TNumberEdit(this);
  NumberEdit1->Name = "NumberEdit1";
  NumberEdit1->SetNumberOnly(true);
  NumberEdit1->TabStop = true;
  NumberEdit1->SetBounds(96, 18, 64, 21);
  UpDown1 = new TUpDown(this);
  UpDown1->Name = "UpDown1";
  UpDown1->SetMin(0);
  UpDown1->SetMax(30000);
  UpDown1->Wrap = false;
  UpDown1->TabStop = true;
  UpDown1->SetBounds(160, 18, 16, 21);
  UpDown1->SetAssociate(NumberEdit1);
  UpDown1->SetPosition(0);

  CheckBox1 = new TCheckBox(this);
  CheckBox1->Name = "CheckBox1";
  CheckBox1->SetTextW(L"空行等は除く");
  CheckBox1->Hint = Cp932FromUtf8("スペースやタブ");
  CheckBox1->ShowHint = true;
  CheckBox1->TabStop = true;
  CheckBox1->SetChecked(true);
  CheckBox1->SetBounds(188, 20, 90, 17);

  Label2 = new TLabel(this);
  Label2->SetTextW(L"区切り文字");
  Label2->SetBounds(24, 51, 64, 16);
  Edit1 = new TEdit(this);
  Edit1->Name = "Edit1";
  Edit1->TabStop = true;
  Edit1->SetTextW(L"．");
  Edit1->SetBounds(96, 47, 80, 21);

  Label3 = new TLabel(this);
  Label3->SetTextW(L"文字揃え");
  Label3->SetBounds(24, 80, 64, 16);
  ComboBox1 = new TComboBox(this);
  ComboBox1->Name = "ComboBox1";
  ComboBox1->TabStop = true;
  ComboBox1->SetBounds(96, 76, 182, 20);
  for (const char* item : {"左に揃える", "桁を揃える", "桁を揃えて 0で埋める"}) ComboBox1->Items().Add(Cp932FromUtf8(item));

  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->SetTextW(L"OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(300, 12, 75, 25);
  CancelBtn = new TButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(300, 44, 75, 25);

  // The frame around the settings, made last so that it lies below them.
  Bevel1 = new TBevel(this);
  Bevel1->SetShape(bsFrame);
  Bevel1->SetBounds(8, 8, 282, 107);

  ComboBox1->SetItemIndex(0);
  SetActiveControl(NumberEdit1);
}

TOKRightDlg::Params TOKRightDlg::LineNumberParams() {
  Params p;
  p.start = UpDown1->Position();
  p.separator = Edit1->TextW();
  p.align = ComboBox1->ItemIndex();
  if (p.align < 0) p.align = 0;
  p.skipBlankLines = CheckBox1->Checked();
  return p;
}
