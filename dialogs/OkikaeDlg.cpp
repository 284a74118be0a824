#include "dialogs/OkikaeDlg.h"

#include <cstdlib>
#include <vector>

#include "controls/ColorButton.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

TOkikaeDlg* OkikaeDlg = nullptr;
TOkikaeWidDlg* OkikaeWidDlg = nullptr;
std::function<void(TOkikaeDlg&)> TOkikaeDlg::OnShowHook;
std::function<void(TOkikaeWidDlg&)> TOkikaeWidDlg::OnShowHook;

namespace {

int FrameWidth() { return GetSystemMetrics(SM_CXSIZEFRAME); }
int FrameHeight() { return GetSystemMetrics(SM_CYSIZEFRAME); }

// OK and Cancel side by side around the middle, near the bottom; the case box
// 30 pixels above them.
template <class Button>
void PlaceButtonRow(TForm& form, Button* ok, Button* cancel, TCheckBox* caseBox) {
  const int top = form.Height() - ok->Height() - 2 * FrameHeight() - 31;
  ok->SetBounds(form.Width() / 2 - ok->Width() - 3, top, ok->Width(), ok->Height());
  cancel->SetBounds(form.Width() / 2 + 3, top, cancel->Width(), cancel->Height());
  caseBox->SetTop(ok->Top() - 30);
}

TLabel* NewLabel(TWinControl* parent, const wchar_t* caption, int left, int top) {
  TLabel* l = new TLabel(parent);
  l->SetTextW(caption);
  l->SetBounds(left, top, 100, 13);
  return l;
}

// What both replace dialogs share: caption, frame, font and least width.
void SetUpReplaceForm(TForm& f) {
  f.SetTextW(L"文字の置換");
  f.BorderStyle = bsSizeable;
  f.MinimizeBox = false;
  f.MaximizeBox = false;
  f.Position = poScreenCenter;
  f.Font().SetName(L"ＭＳ Ｐゴシック");
  f.Font().SetHeight(-12);
  f.MinWidth = 320;
}

// The "match case" box of both replace dialogs, at y top.
TCheckBox* NewCaseBox(TForm* f, int top) {
  auto* box = new TCheckBox(f);
  box->Name = "CheckBox1";
  box->SetTextW(L"大文字と小文字の区別");
  box->TabStop = true;
  box->SetBounds(16, top, 200, 17);
  return box;
}

}  // namespace

// ---- TOkikaeDlg

TOkikaeDlg::TOkikaeDlg(std::string& search, TForm* owner, std::string& replacement)
    : TForm(owner, L"TOkikaeDlg"), search_(search), replacement_(replacement) {
  Name = "OkikaeDlg";
  SetUpReplaceForm(*this);
  MinHeight = 230;
  MaxHeight = 400;
  SetBounds(0, 0, 339, 240);

  Label1 = NewLabel(this, L"検索文字列", 13, 7);
  Edit1 = new TEdit(this);
  Edit1->Name = "Edit1";
  Edit1->TabStop = true;
  Edit1->SetBounds(8, 24, 297, 23);
  Label2 = NewLabel(this, L"置換文字列", 13, 55);
  Memo2 = new TMemo(this);
  Memo2->Name = "Memo2";
  Memo2->TabStop = true;
  Memo2->SetScrollBars(ssBoth);
  Memo2->SetWordWrap(false);
  Memo2->SetBounds(8, 72, 297, 57);
  CheckBox1 = NewCaseBox(this, 140);
  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(79, 172, 75, 25);
  OKBtn->OnClick = [this](TWinControl*) { OKBtnClick(); };
  CancelBtn = new TButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(159, 172, 75, 25);

  Edit1->SetText(search_);
  Memo2->SetText(replacement_);
  const int needed = OKBtn->Top() + OKBtn->Height() + 64;
  if (MaxHeight < needed) {
    MaxHeight = needed;
    SetHeight(needed);
  }
  FormResize();
  OnResize = [this](TWinControl*) { FormResize(); };
  OnShow = [this](TWinControl*) {
    Edit1->SetFocus();
    if (OnShowHook) OnShowHook(*this);
  };
}

void TOkikaeDlg::FormResize() {
  if (!CancelBtn) return;
  // The buttons first, so that the case box and the memo follow the new size.
  PlaceButtonRow(*this, OKBtn, CancelBtn, CheckBox1);
  const int width = Width() - 2 * (FrameWidth() + Edit1->Left());
  Edit1->SetWidth(width);
  Memo2->SetBounds(Memo2->Left(), Memo2->Top(), width, CheckBox1->Top() - Label2->Top() - Label2->Height() - 14);
}

void TOkikaeDlg::OKBtnClick() {
  search_ = Edit1->Text();
  replacement_ = Memo2->Text();
}

// ---- TOkikaeWidDlg

TOkikaeWidDlg::TOkikaeWidDlg(const std::wstring& search, TForm* owner, const std::wstring& replacement)
    : TForm(owner, L"TOkikaeWidDlg") {
  Name = "OkikaeWidDlg";
  SetUpReplaceForm(*this);
  MaxHeight = 400;
  SetBounds(0, 0, 320, 256);

  Label1 = NewLabel(this, L"検索文字列", 13, 7);
  Label2 = NewLabel(this, L"置換文字列", 13, 50);
  CheckBox1 = NewCaseBox(this, 135);
  CheckBox1->SetChecked(true);
  OKBtn = new TColorButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->Font().SetName(L"ＭＳ Ｐゴシック");
  OKBtn->Font().SetHeight(-13);
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = msOk;
  OKBtn->Cursor = IDC_HAND;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(80, 175, 75, 25);
  OKBtn->OnClick = [this](TWinControl*) { OKBtnClick(); };
  CancelBtn = new TColorButton(this);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = msCancel;
  CancelBtn->Cursor = IDC_HAND;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(159, 175, 75, 25);

  FindText = search;
  ReplaceText = replacement;
  MinHeight = 230;
  SetHeight(230);
  previousHook_ = Application->OnMessage;
  Application->OnMessage = KeyHook{this};
  hookInstalled_ = true;

  OnCreate = [this](TWinControl*) { FormCreate(); };
  OnShow = [this](TWinControl*) { FormShow(); };
  OnResize = [this](TWinControl*) { FormResize(); };
  OnClose = [this](TWinControl*, TCloseAction&) { FormClose(); };
}

TOkikaeWidDlg::~TOkikaeWidDlg() {
  RestoreHook();
  if (OkikaeWidDlg == this) OkikaeWidDlg = nullptr;
}

void TOkikaeWidDlg::FormCreate() {
  const DWORD ex = WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE;
  // A search longer than the box scrolls inside it.
  SearchEdit = CreateWindowExW(ex, L"EDIT", FindText.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NOHIDESEL | ES_AUTOHSCROLL, 8,
                               Label1->Top() + Label1->Height() + 6, 297, 20, Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ReplaceEdit = CreateWindowExW(ex, L"EDIT", ReplaceText.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE |
                                    ES_NOHIDESEL | ES_WANTRETURN,
                                8, Label2->Top() + Label2->Height() + 6, 297, 20, Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  FormResize();
}

void TOkikaeWidDlg::FormShow() {
  SendMessageW(SearchEdit, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  SendMessageW(ReplaceEdit, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  ::SetFocus(SearchEdit);
  if (OnShowHook) OnShowHook(*this);
}

void TOkikaeWidDlg::FormResize() {
  if (!CancelBtn) return;
  PlaceButtonRow(*this, OKBtn, CancelBtn, CheckBox1);
  const int width = Width() - 2 * FrameWidth() - 16;
  const int flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  if (SearchEdit) SetWindowPos(SearchEdit, nullptr, 0, 0, width, 6 + std::abs(Label1->Font().Height()), flags);
  if (ReplaceEdit)
    SetWindowPos(ReplaceEdit, nullptr, 0, 0, width, CheckBox1->Top() - Label2->Top() - Label2->Height() - 14, flags);
}

std::wstring TOkikaeWidDlg::EditText(HWND edit) const {
  const int n = GetWindowTextLengthW(edit);
  std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
  const int got = GetWindowTextW(edit, buf.data(), n + 1);
  return std::wstring(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void TOkikaeWidDlg::OKBtnClick() {
  FindText = EditText(SearchEdit);
  ReplaceText = EditText(ReplaceEdit);
}

int TOkikaeWidDlg::Execute() {
  const int result = ShowModal();
  FormClose();
  return result;
}

void TOkikaeWidDlg::FormClose() { RestoreHook(); }

void TOkikaeWidDlg::RestoreHook() {
  if (!hookInstalled_) return;
  hookInstalled_ = false;
  // Only while the slot still holds this dialog's hook: one set after it stays.
  const KeyHook* current = Application->OnMessage.target<KeyHook>();
  if (current && current->dialog == this) Application->OnMessage = previousHook_;
  previousHook_ = nullptr;
}

void TOkikaeWidDlg::ReplaceKeyFilter(MSG& msg, bool& handled) {
  if (msg.message != WM_KEYDOWN) return;
  if (msg.wParam == VK_TAB) {
    ReplaceTabFocus();
    handled = true;
    return;
  }
  HWND focus = GetFocus();
  if (!focus) return;
  wchar_t cls[64] = {};
  GetClassNameW(focus, cls, 64);
  if (cls[0] == L'T') return;  // the framework's own controls route their keys themselves
  const bool singleLineEdit =
      lstrcmpiW(cls, L"Edit") == 0 && !(GetWindowLongW(focus, GWL_STYLE) & ES_MULTILINE);
  if (singleLineEdit && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return;  // OK and Cancel
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  handled = true;
}

void TOkikaeWidDlg::ReplaceTabFocus() {
  const HWND focus = GetFocus();
  HWND next = nullptr;
  if (focus == CancelBtn->Handle())
    next = SearchEdit;
  else if (focus == SearchEdit)
    next = ReplaceEdit;
  else if (focus == ReplaceEdit)
    next = CheckBox1->Handle();
  else if (focus == CheckBox1->Handle())
    next = OKBtn->Handle();
  else if (focus == OKBtn->Handle())
    next = CancelBtn->Handle();
  if (next) ::SetFocus(next);
}
