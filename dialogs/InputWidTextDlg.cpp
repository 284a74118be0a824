#include "dialogs/InputWidTextDlg.h"

#include "controls/ColorButton.h"
#include "controls/ColorProgressBar.h"
#include "dialogs/MainWindowServices.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "text/conv_text.h"

TInputWidTextDlg* InputWidTextDlg = nullptr;

namespace {

std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

TMenuItem* Item(TMenuItem* parent, const char* caption, const char* name, int tag = 0,
                TShortCut shortcut = scNone) {
  TMenuItem* m = new TMenuItem(parent, J(caption), name);
  m->Tag = tag;
  if (shortcut) m->SetShortCut(shortcut);
  return m;
}

void Separator(TMenuItem* parent) { new TMenuItem(parent, "-"); }

std::wstring ReplaceAll(const std::wstring& text, const wchar_t* pattern, const wchar_t* replacement) {
  const std::u16string r =
      conv::ReplaceAllWide(reinterpret_cast<const char16_t*>(text.c_str()),
                           reinterpret_cast<const char16_t*>(pattern), reinterpret_cast<const char16_t*>(replacement));
  return std::wstring(r.begin(), r.end());
}

const wchar_t* kPanelProp = L"VastrelWideEditDialog";

}  // namespace

std::wstring TInputWidTextDlg::NormalizeLineEnds(const std::wstring& text) {
  // A lone CR is one not followed by LF, a lone LF one not after a CR.
  return ReplaceAll(ReplaceAll(text, L"\r", L"\r\n"), L"\n", L"\r\n");
}

TInputWidTextDlg::TInputWidTextDlg(const std::wstring& text, TForm* owner, uint8_t editTextMode,
                                   dialogs::MainWindowServices* services)
    : TForm(owner, L"TInputWidTextDlg"), services_(services ? services : &dialogs::MainWindow()) {
  SetTextW(Cp932ToWide(J("選択テキストの編集(U)")));
  SetBounds(0, 0, 598, 388);
  Position = poScreenCenter;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-13);

  Panel2 = new TPanel(this);
  Panel2->SetAlign(alBottom);
  Panel2->SetHeight(45);
  Panel2->SetBevelOuter(bvNone);
  Label1 = new TLabel(Panel2);
  Label1->SetCaption(J("保存時の改行"));
  Label1->SetBounds(15, 19, 78, 14);
  ComboBox1 = new TComboBox(Panel2);
  ComboBox1->SetBounds(97, 15, 105, 20);
  ComboBox1->Items().Add(J("変更なし"));
  ComboBox1->Items().Add("CR+LF [0D,0A]");
  ComboBox1->Items().Add("CR [0D]");
  ComboBox1->Items().Add("LF [0A]");
  ComboBox1->OnChange = [this](TWinControl*) { ComboBox1Change(); };
  OKBtn = new TColorButton(Panel2);
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = msOk;
  OKBtn->SetBounds(0, 12, 75, 25);
  CancelBtn = new TColorButton(Panel2);
  CancelBtn->SetCaption(J("キャンセル"));
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = msCancel;
  CancelBtn->SetBounds(0, 12, 75, 25);
  CheckBox1 = new TCheckBox(Panel2);
  CheckBox1->SetCaption(J("選択保持"));
  CheckBox1->SetBounds(0, 16, 76, 17);
  ColorProgressBar1 = new TColorProgressBar(Panel2);
  ColorProgressBar1->SetBounds(0, 15, 73, 18);
  ColorProgressBar1->SetMax(100);
  ColorProgressBar1->SetBarColor(clGreen);
  ColorProgressBar1->SetBoxColor(static_cast<TColor>(15790320));
  ColorProgressBar1->SetBarStyle(btWin7);
  Panel3 = new TPanel(this);
  Panel3->SetAlign(alClient);
  Panel3->SetBevelOuter(bvNone);
  Panel3->OnResize = [this](TWinControl*) { Panel3Resize(); };
  BuildMenus();

  // 1. to 4.
  UndoText = (services_ && services_->CrLfSwitch()) ? NormalizeLineEnds(text) : text;
  EditTextMode = editTextMode;
  OKBtn->SetEnabled(false);
  ComboBox1->SetItemIndex(0);
  SetPropW(Panel3->Handle(), kPanelProp, this);
  panelPrevProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Panel3->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PanelProcedure)));
  PlaceButtons();

  OnCreate = [this](TWinControl*) { FormCreate(); };
  OnShow = [this](TWinControl*) { FormShow(); };
  OnClose = [this](TWinControl*, TCloseAction&) { FormClose(); };
}

TInputWidTextDlg::~TInputWidTextDlg() {
  RestoreHook();
  if (InputWidTextDlg == this) InputWidTextDlg = nullptr;
  if (Panel3->HandleAllocated() && panelPrevProc_) {
    SetWindowLongPtrW(Panel3->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(panelPrevProc_));
    RemovePropW(Panel3->Handle(), kPanelProp);
  }
  if (WideTextEdit && IsWindow(WideTextEdit)) DestroyWindow(WideTextEdit);
  WideTextEdit = nullptr;
  if (Menu() == MainMenu1) SetMenu(nullptr);
  delete MainMenu1;
  if (whiteBrush_) DeleteObject(whiteBrush_);
}

void TInputWidTextDlg::BuildMenus() {
  MainMenu1 = new TMainMenu();
  TMenuItem* root = &MainMenu1->Items;
  N1 = Item(root, "文書整形", "N1");
  N2 = Item(N1, "テキストの変換", "N2");
  auto conv = [this](TMenuItem* m) { ABCabc1Click(m); };
  for (TMenuItem* m : {Item(N2, "ABC > abc(&S)", "ABCabc1", 0), Item(N2, "abc > ABC(&B)", "abcABCB1", 1),
                       Item(N2, "単語の先頭大文字", "N3", 2)})
    m->OnClick = conv;
  Separator(N2);
  TMenuItem* toHalf = Item(N2, "全角 > 半角", "N4");
  for (TMenuItem* m : {Item(toHalf, "全て", "N5", 3)}) m->OnClick = conv;
  Separator(toHalf);
  for (TMenuItem* m : {Item(toHalf, "カタカナ", "N7", 4), Item(toHalf, "ＡＢＣ", "N8", 5), Item(toHalf, "数字", "N9", 6),
                       Item(toHalf, "記号", "N10", 7)})
    m->OnClick = conv;
  TMenuItem* toFull = Item(N2, "半角 > 全角", "N11");
  for (TMenuItem* m : {Item(toFull, "全て", "N12", 8)}) m->OnClick = conv;
  Separator(toFull);
  for (TMenuItem* m : {Item(toFull, "カタカナ", "N14", 9), Item(toFull, "ＡＢＣ", "N15", 10),
                       Item(toFull, "数字", "N16", 11), Item(toFull, "記号", "N17", 12)})
    m->OnClick = conv;
  Separator(N2);
  for (TMenuItem* m : {Item(N2, "全角カタカナ > ひらがな", "N19", 13), Item(N2, "ひらがな > 全角カタカナ", "N20", 14)})
    m->OnClick = conv;
  Separator(N2);
  for (TMenuItem* m : {Item(N2, "ひらがな > 半角カタカナ", "N21", 15), Item(N2, "半角カタカナ > ひらがな", "N22", 16)})
    m->OnClick = conv;

  TMenuItem* era = Item(N1, "和暦 > 西暦", "N25");
  N26 = Item(era, "半角", "N26", 0);
  N27 = Item(era, "全角", "N27", 1);
  for (TMenuItem* m : {N26, N27}) m->OnClick = [this](TMenuItem* s) { N26Click(s); };
  TMenuItem* year = Item(N1, "西暦 > 和暦", "N28");
  TMenuItem* yearHalf = Item(year, "半角", "N29");
  TMenuItem* yearFull = Item(year, "全角", "N30");
  for (TMenuItem* m : {Item(yearHalf, "mtshr", "mtshr1", 10), Item(yearHalf, "MTSHR", "MTSHR2", 11),
                       Item(yearHalf, "漢字1文字", "N110", 12), Item(yearHalf, "漢字2文字", "N210", 13),
                       Item(yearFull, "mtshr", "mtshr3", 20), Item(yearFull, "MTSHR", "MTSHR4", 21),
                       Item(yearFull, "漢字1文字", "N111", 22), Item(yearFull, "漢字2文字", "N211", 23)})
    m->OnClick = [this](TMenuItem* s) { mtshr1Click(s); };
  N31 = Item(N1, "テキストのソート", "N31");
  N32 = Item(N31, "昇順", "N32");
  N33 = Item(N31, "降順", "N33");
  for (TMenuItem* m : {N32, N33}) m->OnClick = [this](TMenuItem* s) { N32Click(s); };
  N34 = Item(N1, "行の先頭に番号を挿入", "N34");
  N34->OnClick = [this](TMenuItem* s) { N34Click(s); };
  N36 = Item(N1, "行の先頭に文字を挿入", "N36");
  N37 = Item(N1, "行の先頭から文字を削除", "N37");
  for (TMenuItem* m : {N36, N37}) m->OnClick = [this](TMenuItem* s) { N36Click(s); };
  N38 = Item(N1, "空白行を削除", "N38");
  N38->OnClick = [this](TMenuItem* s) { N38Click(s); };
  N42 = Item(N1, "インデント", "N42");
  N43 = Item(N42, "タブ", "N43", 0);
  N44 = Item(N42, "スペース", "N44", 1);
  N45 = Item(N42, "スペース半角", "N45", 2);
  for (TMenuItem* m : {N43, N44, N45}) m->OnClick = [this](TMenuItem* s) { N43Click(s); };
  N46 = Item(N1, "アウトデント", "N46");
  N47 = Item(N46, "タブ", "N47", 0);
  N48 = Item(N46, "スペース", "N48", 1);
  N49 = Item(N46, "スペース半角", "N49", 2);
  for (TMenuItem* m : {N47, N48, N49}) m->OnClick = [this](TMenuItem* s) { N47Click(s); };
  Separator(N46);
  N50 = Item(N46, "全て除去", "N50");
  N50->OnClick = [this](TMenuItem* s) { N50Click(s); };
  Separator(N1);
  N39 = Item(N1, "元に戻す", "N39");
  N39->OnClick = [this](TMenuItem*) { N39Click(); };

  Edit2 = Item(root, "編集(&E)", "Edit2");
  N52 = Item(Edit2, "全て選択(&A)", "N52", 0, scCtrl | 'A');
  N52->OnClick = [this](TMenuItem*) { N52Click(); };
  Edit1 = Item(root, "検索(&S)", "Edit1");
  Replace1 = Item(Edit1, "置換", "Replace1");
  Replace1->OnClick = [this](TMenuItem* s) { Replace1Click(s); };
}

void TInputWidTextDlg::FormCreate() {
  whiteBrush_ = CreateSolidBrush(RGB(255, 255, 255));
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_NOHIDESEL |
                ES_WANTRETURN;
  if (EditTextMode != 0) style |= ES_READONLY;
  WideTextEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style, 0, 0, 100, 100, Panel3->Handle(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(WideTextEdit, EM_SETLIMITTEXT, 0, 0);
  settingText_ = true;  // the text as received is no change
  SendMessageW(WideTextEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(UndoText.c_str()));
  settingText_ = false;
  Panel3Resize();
  previousHook_ = Application->OnMessage;
  Application->OnMessage = KeyHook{this};
  hookInstalled_ = true;
}

void TInputWidTextDlg::FormShow() {
  SendMessageW(WideTextEdit, WM_SETFONT, reinterpret_cast<WPARAM>(Panel3->Font().Handle()), TRUE);
  const int clear = ComboBox1->Left() + ComboBox1->Width() + 62;
  if (OKBtn->Left() < clear) SetWidth(Width() + clear - OKBtn->Left());
  FormResize();
  SetFocus();
  ::SetFocus(WideTextEdit);
}

void TInputWidTextDlg::FormClose() { RestoreHook(); }

int TInputWidTextDlg::Execute() {
  const int result = ShowModal();
  FormClose();
  return result;
}

void TInputWidTextDlg::RestoreHook() {
  if (!hookInstalled_) return;
  hookInstalled_ = false;
  // Put the previous hook back only while the slot still holds ours: a hook
  // installed after ours stays.
  const KeyHook* current = Application->OnMessage.target<KeyHook>();
  if (current && current->dialog == this) Application->OnMessage = previousHook_;
  previousHook_ = nullptr;
}

void TInputWidTextDlg::KeyHook::operator()(MSG& msg, bool& handled) const {
  if (msg.message != WM_KEYDOWN) return;
  if (msg.hwnd == dialog->WideTextEdit && msg.wParam == 'A' && (GetKeyState(VK_CONTROL) & 0x8000)) {
    dialog->N52Click();
    handled = true;
    return;
  }
  if (dialog->services_) dialog->services_->RouteKeyMessage(msg, handled);
}

void TInputWidTextDlg::PlaceButtons() {
  OKBtn->SetLeft(Width() / 2 - OKBtn->Width() - 3);
  CancelBtn->SetLeft(Width() / 2 + 3);
}

void TInputWidTextDlg::FormResize() {
  PlaceButtons();
  CheckBox1->SetLeft(CancelBtn->Left() + CancelBtn->Width() + 10);
  ColorProgressBar1->SetLeft(CheckBox1->Left() + CheckBox1->Width() + 10);
}

void TInputWidTextDlg::Panel3Resize() {
  if (WideTextEdit)
    SetWindowPos(WideTextEdit, nullptr, 0, 0, Panel3->ClientWidth(), Panel3->ClientHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TInputWidTextDlg::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETMINMAXINFO) {
    auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
    mm->ptMinTrackSize.x = 580;
    mm->ptMinTrackSize.y = 300;
    return 0;
  }
  LRESULT r = TForm::WndProc(msg, wp, lp);
  if (msg == WM_SIZE && OKBtn) FormResize();
  return r;
}

LRESULT CALLBACK TInputWidTextDlg::PanelProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* dlg = static_cast<TInputWidTextDlg*>(GetPropW(h, kPanelProp));
  if (!dlg) return DefWindowProcW(h, msg, wp, lp);
  try {
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == dlg->WideTextEdit && dlg->WideTextEdit)
      return reinterpret_cast<LRESULT>(dlg->whiteBrush_);
    if (msg == WM_COMMAND) {
      if (reinterpret_cast<HWND>(lp) == dlg->WideTextEdit && dlg->WideTextEdit && HIWORD(wp) == EN_CHANGE &&
          !dlg->settingText_)
        dlg->OKBtn->SetEnabled(true);
      return 0;
    }
  } catch (...) {
    TApplication::HandleCallbackException();
    return 0;
  }
  return CallWindowProcW(dlg->panelPrevProc_, h, msg, wp, lp);
}

std::wstring TInputWidTextDlg::GetEditText() {
  if (!WideTextEdit) return UndoText;
  const int n = GetWindowTextLengthW(WideTextEdit);
  std::wstring buf(static_cast<size_t>(n) + 2, L'\0');
  const int got = GetWindowTextW(WideTextEdit, &buf[0], n + 1);
  buf.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return buf;
}

int TInputWidTextDlg::LineEndChoice() const { return ComboBox1->ItemIndex(); }
bool TInputWidTextDlg::KeepSelection() { return CheckBox1->Checked(); }
void TInputWidTextDlg::ComboBox1Change() { OKBtn->SetEnabled(true); }

void TInputWidTextDlg::N52Click() { SendMessageW(WideTextEdit, EM_SETSEL, 0, GetWindowTextLengthW(WideTextEdit)); }

void TInputWidTextDlg::N39Click() {
  if (SendMessageW(WideTextEdit, EM_CANUNDO, 0, 0)) {
    SendMessageW(WideTextEdit, EM_UNDO, 0, 0);
    return;
  }
  SendMessageW(WideTextEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(UndoText.c_str()));
}

int TInputWidTextDlg::BeginSelectionTool() {
  DWORD start = 0, end = 0;
  SendMessageW(WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SelLengthBefore = static_cast<int>(end - start);
  TextLengthBefore = static_cast<int>(SendMessageW(WideTextEdit, WM_GETTEXTLENGTH, 0, 0));
  return static_cast<int>(start);
}

void TInputWidTextDlg::EndSelectionTool(int start, int length) {
  if (!CheckBox1->Checked()) return;
  const int now = static_cast<int>(SendMessageW(WideTextEdit, WM_GETTEXTLENGTH, 0, 0));
  SendMessageW(WideTextEdit, EM_SETSEL, start, start + length + (now - TextLengthBefore));
}
