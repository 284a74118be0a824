#include "dialogs/MogCordChgUnit.h"

#include <commdlg.h>

#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "framework/RadioGroup.h"
#include "framework/StdCtrls.h"
#include "text/OutputName.h"
#include "text/PathText.h"

std::function<void(TMogCordChgDlg&)> TMogCordChgDlg::OnShowHook;

namespace {
std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }
std::wstring W(const char* utf8) { return Cp932ToWide(Cp932FromUtf8(utf8)); }
}  // namespace

void TFolderStrip::Paint() { dlg_->PaintBox1Paint(Canvas(), Width(), Height()); }

TMogCordChgDlg::TMogCordChgDlg(TForm* owner, dialogs::MainWindowServices& services)
    : TForm(owner, L"TMogCordChgDlg"), services_(services), unicode_(services.UnicodeMode()) {
  Name = "MogCordChgDlg";
  SetText(J("文字コードの変換"));
  BorderStyle = bsSingle;
  Position = poScreenCenter;
  {
    RECT r = {0, 0, 283, 234};
    AdjustWindowRectEx(&r, WS_CAPTION | WS_SYSMENU | WS_BORDER, FALSE, WS_EX_DLGMODALFRAME);
    SetBounds(0, 0, r.right - r.left, r.bottom - r.top);
  }
  PaintBox1 = new TFolderStrip(this, this);
  PaintBox1->Name = "PaintBox1";
  PaintBox1->SetBounds(0, 0, 283, 25);
  PaintBox1->ShowHint = true;

  Label2 = new TLabel(this);
  Label2->SetText(J("保存するファイルの名前"));
  Label2->SetBounds(8, 32, 200, 14);
  Edit1 = new TEdit(this);
  Edit1->Name = "Edit1";
  Edit1->SetBounds(8, 48, 240, 21);
  Edit1->ShowHint = true;
  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->Name = "SpeedButton1";
  SpeedButton1->SetCaption("...");
  SpeedButton1->SetBounds(252, 47, 23, 23);
  SpeedButton1->ShowHint = true;
  CheckBox3 = new TCheckBox(this);
  CheckBox3->Name = "CheckBox3";
  CheckBox3->SetCaption(J("文字コードを加える"));
  CheckBox3->Hint = J("ファイル名に文字コードを加える");
  CheckBox3->ShowHint = true;
  CheckBox3->SetBounds(8, 76, 160, 17);

  RadioGroup1 = new TRadioGroup(this);
  RadioGroup1->Name = "RadioGroup1";
  RadioGroup1->SetCaption(J("変換する文字コード"));
  RadioGroup1->SetBounds(8, 98, 120, 128);
  RadioGroup1->SetItems({"Sjis", "Utf16", "Utf8", "Euc", "Jis"});
  codes_ = {0, 1, 2, 3, 4};
  RadioGroup1->SetItemIndex(0);

  CheckBox1 = new TCheckBox(this);
  CheckBox1->Name = "CheckBox1";
  CheckBox1->SetCaption(J("BOMを挿入する"));
  CheckBox1->Hint = J("文字コードの識別値を挿入");
  CheckBox1->ShowHint = true;
  CheckBox1->SetBounds(140, 104, 136, 17);
  CheckBox1->SetChecked(true);
  CheckBox2 = new TCheckBox(this);
  CheckBox2->Name = "CheckBox2";
  CheckBox2->SetCaption(J("リトルエンディアン"));
  CheckBox2->SetBounds(140, 126, 136, 17);
  CheckBox2->SetChecked(true);
  Label3 = new TLabel(this);
  Label3->SetText(J("代替文字"));
  Label3->SetBounds(140, 154, 60, 14);
  Edit2 = new TEdit(this);
  Edit2->Name = "Edit2";
  Edit2->SetBounds(204, 151, 40, 21);
  Edit2->ShowHint = true;
  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = 1;
  OKBtn->SetBounds(140, 200, 64, 25);
  CancelBtn = new TButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetCaption(J("キャンセル"));
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = 2;
  CancelBtn->SetBounds(210, 200, 64, 25);

  if (!unicode_) {
    RadioGroup1->DeleteItem(2);  // "Utf8"
    RadioGroup1->DeleteItem(1);  // "Utf16"
    codes_ = {0, 3, 4};
    RadioGroup1->SetItemIndex(0);
    CheckBox1->SetVisible(false);
    CheckBox2->SetVisible(false);
    Edit1->SetVisible(true);
  } else {
    // The UTF-16 name field in Edit1's place (FormCreate).
    Edit1->SetVisible(false);
    NameEdit = new TEdit(this);
    NameEdit->Name = "NameEdit";
    NameEdit->SetBounds(Edit1->Left(), Edit1->Top(), Edit1->Width(), Edit1->Height());
    NameEdit->OnChange = [this](TWinControl*) { NameEditChange(); };
  }
  Edit2->Hint = J("変換できない文字をこの一文字で置き換える");
  SpeedButton1->Hint = J("右クリックで変更前に戻る");

  RadioGroup1->OnClick = [this](TWinControl*) { RadioGroup1Click(); };
  CheckBox3->OnClick = [this](TWinControl*) { RadioGroup1Click(); };
  SpeedButton1->OnClick = [this](TWinControl*) { SpeedButton1Click(); };
  SpeedButton1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) { SpeedButton1MouseDown(b); };
  Edit1->OnChange = [this](TWinControl*) { Edit1Change(); };
  OnShow = [this](TWinControl*) { FormShow(); };
  OnCloseQuery = [this](TWinControl*, bool& c) { FormCloseQuery(c); };
}

int TMogCordChgDlg::ChosenCode() {
  const int i = RadioGroup1->ItemIndex();
  return i >= 0 && i < static_cast<int>(codes_.size()) ? codes_[i] : -1;
}

int TMogCordChgDlg::IndexOfCode(int code) {
  for (size_t i = 0; i < codes_.size(); ++i)
    if (codes_[i] == code) return static_cast<int>(i);
  return -1;
}

std::wstring TMogCordChgDlg::CodeName(int code) {
  static const wchar_t* names[] = {L"sjis", L"utf16", L"utf8", L"euc", L"jis"};
  return code >= 0 && code < 5 ? names[code] : L"";
}

void TMogCordChgDlg::SetFileNameEdit(const std::wstring& name) {
  if (NameEdit) NameEdit->SetTextW(name);
}

std::wstring TMogCordChgDlg::GetNameEditText() { return NameEdit ? NameEdit->TextW() : std::wstring(); }

void TMogCordChgDlg::EnableMarkBoxes() {
  const int code = ChosenCode();
  CheckBox1->SetEnabled(code == 1 || code == 2);
  CheckBox2->SetEnabled(code == 1);
}

void TMogCordChgDlg::FormShow() {
  EnableMarkBoxes();
  ShowFolder(OutputFolder);
  if (OnShowHook) OnShowHook(*this);
}

std::wstring TMogCordChgDlg::BuildOutputName(const std::wstring& path, bool cutAtParen) {
  return pathtext::BuildOutputName(path, cutAtParen, CheckBox3->Checked() ? CodeName(ChosenCode()) : L"");
}

void TMogCordChgDlg::ShowTargetPath(const std::wstring& path) {
  const std::wstring folder = pathtext::ExtractDirWide(path);
  const std::wstring name = pathtext::ExtractNameWide(path);
  // The program's own write of the name field: no change handling for it.
  SuppressNameEdit = true;
  if (NameEdit) {
    NameEdit->SetTextW(name);
  } else {
    Edit1->SetTextW(name);
    Edit1->Hint = WideToCp932(folder);
  }
  SuppressNameEdit = false;
  OutputFolder = folder;
  ShowFolder(folder);
}

void TMogCordChgDlg::ShowFolder(const std::wstring& folder) {
  PaintBox1->Hint = J("保存先フォルダ|") + WideToCp932(folder);
  FolderCaption = services_.NormalizePath(folder);
  PaintBox1->Invalidate();
}

void TMogCordChgDlg::PaintBox1Paint(TCanvas& canvas, int width, int height) {
  canvas.BrushColor = clBtnFace;
  canvas.BrushStyle = bsSolid;
  canvas.FillRect(RECT{0, 0, width, height});
  canvas.PenColor = TColor(0x808080);
  canvas.Rectangle(1, 1, width - 1, height - 2);
  canvas.Font = Font();
  RECT r = {5, 1, width - 2, height - 2};
  canvas.TextRect(r, FolderCaption, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS | DT_NOPREFIX);
}

void TMogCordChgDlg::RadioGroup1Click() {
  if (ChosenCode() == CurrentCode) {
    RadioGroup1->SetItemIndex(PreviousIndex);
  } else {
    PreviousIndex = RadioGroup1->ItemIndex();
  }
  TargetPath = BuildOutputName(TargetPath, true);
  ShowTargetPath(TargetPath);
  EnableMarkBoxes();
}

void TMogCordChgDlg::SpeedButton1Click() {
  std::wstring chosen;
  const std::wstring name = NameEdit ? GetNameEditText() : Edit1->TextW();
  std::wstring buffer(MAX_PATH * 2, L'\0');
  std::wstring folder = OutputFolder;
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Handle();
  std::wstring filter;
  if (unicode_) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    const std::wstring initial = folder + name;
    buffer.replace(0, initial.size(), initial);
    filter = W("テキスト(*.txt)") + L'\0' + L"*.txt" + L'\0' + W("全てのファイル(*.*)") + L'\0' + L"*.*" + L'\0';
  } else {
    buffer.replace(0, name.size(), name);
    ofn.lpstrInitialDir = OutputFolder.c_str();
    filter = W("テキスト(*txt)") + L'\0' + L"*.txt" + L'\0' + W("全てのファイル(*.*)") + L'\0' + L"*.*" + L'\0';
    ofn.lpstrDefExt = L"txt";
  }
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = &buffer[0];
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!RunFileDialog(ofn, true)) return;
  chosen = buffer.c_str();
  if (chosen.empty()) return;
  OutputFolder = pathtext::ExtractDirWide(chosen);
  TargetPath = BuildOutputName(chosen, false);
  ShowTargetPath(TargetPath);
}

void TMogCordChgDlg::SpeedButton1MouseDown(TMouseButton button) {
  if (button != mbRight) return;
  CheckBox3->OnClick = nullptr;
  CheckBox3->SetChecked(false);
  CheckBox3->OnClick = [this](TWinControl*) { RadioGroup1Click(); };
  OutputFolder = pathtext::ExtractDirWide(TargetPath);
  TargetPath = OutputFolder + pathtext::ExtractNameWide(SourcePath);
  ShowTargetPath(TargetPath);
}

void TMogCordChgDlg::Edit1Change() {
  if (SuppressNameEdit) return;
  TargetPath = pathtext::ExtractDirWide(TargetPath) + Edit1->TextW();
  OutputFolder = pathtext::ExtractDirWide(TargetPath);
}

void TMogCordChgDlg::NameEditChange() {
  if (SuppressNameEdit) return;
  // What the field shows is what is written: folder + the typed name.
  TargetPath = pathtext::ExtractDirWide(TargetPath) + GetNameEditText();
}

void TMogCordChgDlg::FormCloseQuery(bool& canClose) {
  if (ModalResult() != 1) return;
  if (GetFileAttributesW(TargetPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  const int answer = MessageBoxWide(TargetPath + W(" は、既に存在します。\n上書きしますか？"), W("上書き確認"),
                                    MB_YESNO | MB_ICONWARNING, Handle());
  canClose = answer == IDYES;
}
