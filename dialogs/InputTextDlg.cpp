#include "dialogs/InputTextDlg.h"

#include <algorithm>
#include <functional>

#include "controls/ColorProgressBar.h"
#include "dialogs/MainWindowServices.h"
#include <windowsx.h>

#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

TInputTextDlg* InputTextDlg = nullptr;

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

}  // namespace

LRESULT CALLBACK TInputTextDlg::MemoProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* dlg = static_cast<TInputTextDlg*>(GetPropW(h, L"VastrelEditDialog"));
  if (!dlg) return DefWindowProcW(h, msg, wp, lp);
  if (msg == WM_CONTEXTMENU) {
    try {
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (x == -1 && y == -1) {  // from the keyboard: at the caret
        POINT p{0, 0};
        GetCaretPos(&p);
        ClientToScreen(h, &p);
        x = p.x;
        y = p.y;
      }
      dlg->PopupMenu2->Popup(x, y, dlg->Handle());
    } catch (...) {
      TApplication::HandleCallbackException();
    }
    return 0;
  }
  WNDPROC prev = dlg->memoPrevProc_;
  if (msg == WM_NCDESTROY) {
    RemovePropW(h, L"VastrelEditDialog");
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev));
  }
  return CallWindowProcW(prev, h, msg, wp, lp);
}

namespace {

}  // namespace

TInputTextDlg::TInputTextDlg(TForm* owner, dialogs::MainWindowServices* services)
    : TForm(owner, L"TInputTextDlg"), services_(services ? services : &dialogs::MainWindow()) {
  Build(true);
}

TInputTextDlg::TInputTextDlg(const std::string& text, TForm* owner, dialogs::MainWindowServices* services)
    : TForm(owner, L"TInputTextDlg"), services_(services ? services : &dialogs::MainWindow()) {
  TCursorGuard hourglass(crHourGlass);
  Build(false);
  OKBtn->SetEnabled(false);
  ComboBox1->SetItemIndex(0);
  UndoText = text;
  // The memo's context menu is the dialog's pop-up, not the edit window's own.
  SetPropW(Memo1->Handle(), L"VastrelEditDialog", this);
  memoPrevProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Memo1->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MemoProcedure)));
  Memo1->SetText(text);  // one window-text message; fires no change
  PlaceButtons();
  const int clear = ComboBox1->Left() + ComboBox1->Width() + 62;
  if (OKBtn->Left() < clear) SetWidth(Width() + clear - OKBtn->Left());
  FormResize();
}

TInputTextDlg::~TInputTextDlg() {
  Conversion.Free();
  if (InputTextDlg == this) InputTextDlg = nullptr;
  delete PopupMenu2;
  if (Menu() == MainMenu1) SetMenu(nullptr);
  delete MainMenu1;
}

void TInputTextDlg::Build(bool host) {
  SetCaption(J("選択テキストの編集"));
  SetBounds(0, 0, 621, 403);
  Position = poScreenCenter;
  BorderStyle = bsSizeable;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-12);

  Panel2 = new TPanel(this);
  Panel2->SetAlign(alBottom);
  Panel2->SetHeight(44);
  Panel2->SetBevelOuter(bvNone);
  Label1 = new TLabel(Panel2);
  Label1->SetCaption(J("保存時の改行"));
  Label1->SetBounds(15, 15, 78, 14);
  ComboBox1 = new TComboBox(Panel2);
  ComboBox1->SetBounds(96, 11, 105, 20);
  ComboBox1->Items().Add(J("変更なし"));
  ComboBox1->Items().Add("CR+LF [0D,0A]");
  ComboBox1->Items().Add("CR [0D]");
  ComboBox1->Items().Add("LF [0A]");
  ComboBox1->OnChange = [this](TWinControl*) { ComboBox1Change(); };
  OKBtn = new TButton(Panel2);
  OKBtn->SetCaption("OK");
  OKBtn->Hint = J("適用");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->SetBounds(0, 10, 75, 25);
  CancelBtn = new TButton(Panel2);
  CancelBtn->SetCaption(J("キャンセル"));
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->SetBounds(0, 10, 75, 25);
  CheckBox1 = new TCheckBox(Panel2);
  CheckBox1->SetCaption(J("選択保持"));
  CheckBox1->SetBounds(0, 14, 76, 17);
  ColorProgressBar1 = new TColorProgressBar(Panel2);
  ColorProgressBar1->SetBounds(0, 13, 73, 18);
  ColorProgressBar1->SetMax(100);
  ColorProgressBar1->SetBarColor(clGreen);
  ColorProgressBar1->SetBoxColor(static_cast<TColor>(15790320));
  ColorProgressBar1->SetBarStyle(btWin7);

  Memo1 = new TMemo(this);
  Memo1->SetAlign(alClient);
  Memo1->Font().SetName(L"ＭＳ ゴシック");
  Memo1->Font().SetHeight(-12);
  Memo1->SetScrollBars(ssBoth);
  Memo1->SetWordWrap(false);
  Memo1->SetHideSelection(false);
  Memo1->OnChange = [this](TWinControl*) { Memo1Change(); };
  Memo1->OnKeyDown = [this](TWinControl*, WORD& key, TShiftState shift) { Memo1KeyDown(key, shift); };
  BuildMenus();
  if (!host) SetMenu(MainMenu1);
}

void TInputTextDlg::BuildMenus() {
  MainMenu1 = new TMainMenu();
  TMenuItem* root = &MainMenu1->Items;
  N5 = Item(root, "文書整形", "N5");
  N5->OnClick = [this](TMenuItem*) { N5Click(); };

  // Conversions through the conversion library.
  N2 = Item(N5, "テキストの変換", "N2");
  N2->Hint = J("選択したテキストを変換");
  auto conv = [this](TMenuItem* m) { ABCabcS1Click(m); };
  auto half = [this](TMenuItem* m) { N36Click(m); };
  auto full = [this](TMenuItem* m) { N30Click(m); };
  ABCabcS1 = Item(N2, "ABC > abc(&S)", "ABCabcS1", ckLowerCase);
  ABCabcS1->Hint = J("大文字を小文字");
  ABCabcS1->OnClick = conv;
  abcABCB1 = Item(N2, "abc > ABC(&B)", "abcABCB1", ckUpperCase);
  abcABCB1->Hint = J("小文字を大文字");
  abcABCB1->OnClick = conv;
  N38 = Item(N2, "単語の先頭大文字", "N38", ckTopBigABC);
  N38->OnClick = conv;
  Separator(N2);
  N31 = Item(N2, "全角 > 半角", "N31", 2);
  N36 = Item(N31, "全て", "N36", wcAll);
  Separator(N31);
  N33 = Item(N31, "数字", "N33", wcDigit);
  N34 = Item(N31, "カタカナ", "N34", wcKatakana);
  ABCA2 = Item(N31, "ABC(&A)", "ABCA2", wcAlphabet);
  N32 = Item(N31, "記号", "N32", wcSymbol);
  for (TMenuItem* m : {N36, N33, N34, ABCA2, N32}) m->OnClick = half;
  N25 = Item(N2, "半角 > 全角", "N25", 3);
  N30 = Item(N25, "全て", "N30", wcAll);
  Separator(N25);
  N28 = Item(N25, "カタカナ", "N28", wcKatakana);
  ABCA1 = Item(N25, "ABC(&A)", "ABCA1", wcAlphabet);
  N27 = Item(N25, "数字", "N27", wcDigit);
  N26 = Item(N25, "記号", "N26", wcSymbol);
  for (TMenuItem* m : {N30, N28, ABCA1, N27, N26}) m->OnClick = full;
  Separator(N2);
  N23 = Item(N2, "全角カタカナ > ひらがな", "N23", ckKataToHira);
  N20 = Item(N2, "ひらがな > 全角カタカナ", "N20", ckHiraToKata);
  Separator(N2);
  N18 = Item(N2, "ひらがな > 半角カタカナ", "N18", ckHiraToHalfKata);
  N17 = Item(N2, "半角カタカナ > ひらがな", "N17", ckHalfKataToHira);
  for (TMenuItem* m : {N23, N20, N18, N17}) m->OnClick = conv;
  Separator(N2);

  // Era and year conversions, sorting and the line tools.
  TMenuItem* era = Item(N5, "和暦 > 西暦", "N13");
  N15 = Item(era, "半角", "N15", 0);
  N14 = Item(era, "全角", "N14", 1);
  for (TMenuItem* m : {N15, N14}) m->OnClick = [this](TMenuItem* s) { AdMenuClick(s); };
  TMenuItem* year = Item(N5, "西暦 > 和暦", "N10");
  TMenuItem* yearHalf = Item(year, "半角", "N16");
  mtsh4 = Item(yearHalf, "mtsh", "mtsh4", 10);
  MTSH3 = Item(yearHalf, "MTSH", "MTSH3", 11);
  N12 = Item(yearHalf, "漢字1文字", "N12", 12);
  N22 = Item(yearHalf, "漢字2文字", "N22", 13);
  TMenuItem* yearFull = Item(year, "全角", "N19");
  mtsh2 = Item(yearFull, "mtsh", "mtsh2", 20);
  MTSH1 = Item(yearFull, "MTSH", "MTSH1", 21);
  N11 = Item(yearFull, "漢字1文字", "N11", 22);
  N21 = Item(yearFull, "漢字2文字", "N21", 23);
  for (TMenuItem* m : {mtsh4, MTSH3, N12, N22, mtsh2, MTSH1, N11, N21})
    m->OnClick = [this](TMenuItem* s) { mtsh1Click(s); };
  TMenuItem* sort = Item(N5, "テキストのソート", "N6");
  SortUpMenu = Item(sort, "昇順", "SortUpMenu");
  SortDownMenu = Item(sort, "降順", "SortDownMenu");
  for (TMenuItem* m : {SortUpMenu, SortDownMenu}) m->OnClick = [this](TMenuItem* s) { SortUpMenuClick(s); };
  N7 = Item(N5, "行の先頭に番号を挿入", "N7");
  N7->OnClick = [this](TMenuItem* s) { N7Click(s); };
  TopInpMenu = Item(N5, "行の先頭に文字を挿入", "TopInpMenu");
  N40 = Item(N5, "行の先頭から文字を削除", "N40");
  for (TMenuItem* m : {TopInpMenu, N40}) m->OnClick = [this](TMenuItem* s) { TopInpMenuClick(s); };
  N41 = Item(N5, "空白行を削除", "N41");
  N41->Hint = J("選択範囲で実行");
  N41->OnClick = [this](TMenuItem* s) { N41Click(s); };
  TMenuItem* indent = Item(N5, "インデント", "N8");
  IndentMenu1 = Item(indent, "タブ", "IndentMenu1", 0, scCtrl | VK_TAB);
  IndentMenu2 = Item(indent, "スペース", "IndentMenu2", 1, scCtrl | VK_SPACE);
  IndentMenu3 = Item(indent, "スペース半角", "IndentMenu3", 2, scAlt | VK_SPACE);
  for (TMenuItem* m : {IndentMenu1, IndentMenu2, IndentMenu3})
    m->OnClick = [this](TMenuItem* s) { IndentMenu1Click(s); };
  TMenuItem* outdent = Item(N5, "アウトデント", "N9");
  OutdentMenu1 = Item(outdent, "タブ", "OutdentMenu1", 0, scCtrl | scShift | VK_TAB);
  OutdentMenu2 = Item(outdent, "スペース", "OutdentMenu2", 1, scCtrl | scShift | VK_SPACE);
  OutdentMenu3 = Item(outdent, "スペース半角", "OutdentMenu3", 2, scShift | VK_SPACE);
  for (TMenuItem* m : {OutdentMenu1, OutdentMenu2, OutdentMenu3})
    m->OnClick = [this](TMenuItem* s) { OutdentMenu1Click(s); };
  Separator(outdent);
  IndentAllDelMenu = Item(outdent, "全て除去", "IndentAllDelMenu");
  IndentAllDelMenu->OnClick = [this](TMenuItem* s) { IndentAllDelMenuClick(s); };

  Edit1 = Item(root, "編集", "Edit1");
  N42 = Item(Edit1, "全て選択(&A)", "N42", 0, scCtrl | 'A');
  N42->OnClick = [this](TMenuItem*) { N42Click(); };
  Find1 = Item(root, "検索(&S)", "Find1");
  Replace1 = Item(Find1, "置換(&R)", "Replace1", 0, scCtrl | 'R');
  Replace1->OnClick = [this](TMenuItem* s) { Replace1Click(s); };

  PopupMenu2 = new TPopupMenu();
  TMenuItem* pop = &PopupMenu2->Items;
  Undo1 = Item(pop, "元に戻す", "Undo1");
  Undo1->OnClick = [this](TMenuItem*) { Undo1Click(); };
  Separator(pop);
  Cut1 = Item(pop, "切り取り", "Cut1");
  Cut1->OnClick = [this](TMenuItem*) { Cut1Click(); };
  Copy1 = Item(pop, "コピー(&C)", "Copy1");
  Copy1->ShortCutText = "Ctrl+C";
  Copy1->OnClick = [this](TMenuItem*) { Copy1Click(); };
  Paste1 = Item(pop, "貼り付け(&P)", "Paste1");
  Paste1->ShortCutText = "Ctrl+V";
  Paste1->OnClick = [this](TMenuItem*) { Paste1Click(); };
  Delete1 = Item(pop, "削除(&D)", "Delete1");
  Delete1->OnClick = [this](TMenuItem*) { Delete1Click(); };
  Separator(pop);
  AllSelMenu = Item(pop, "全て選択(&A)", "AllSelMenu");
  AllSelMenu->OnClick = [this](TMenuItem*) { AllSelMenuClick(); };
  PopupMenu2->OnPopup = [this](TPopupMenu*) { PopupMenu2Popup(); };
}

void TInputTextDlg::PlaceButtons() {
  OKBtn->SetLeft(Width() / 2 - OKBtn->Width() - 3);
  CancelBtn->SetLeft(Width() / 2 + 3);
}

void TInputTextDlg::FormResize() {
  PlaceButtons();
  CheckBox1->SetLeft(CancelBtn->Left() + CancelBtn->Width() + 10);
  ColorProgressBar1->SetLeft(CheckBox1->Left() + CheckBox1->Width() + 10);
}

LRESULT TInputTextDlg::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETMINMAXINFO) {
    auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
    mm->ptMinTrackSize.x = 600;
    mm->ptMinTrackSize.y = 300;
    return 0;
  }
  LRESULT r = TForm::WndProc(msg, wp, lp);
  if (msg == WM_SIZE && OKBtn) FormResize();
  return r;
}

int TInputTextDlg::LineEndChoice() const { return ComboBox1->ItemIndex(); }
std::string TInputTextDlg::EditedText() { return Memo1->Text(); }
bool TInputTextDlg::KeepSelection() { return CheckBox1->Checked(); }

void TInputTextDlg::Memo1Change() { OKBtn->SetEnabled(true); }
void TInputTextDlg::ComboBox1Change() { OKBtn->SetEnabled(true); }

void TInputTextDlg::Memo1KeyDown(WORD& key, TShiftState shift) {
  if (key == 'A' && (shift & ssCtrl)) {
    Memo1->SelectAll();
    key = 0;
  }
}

void TInputTextDlg::PopupMenu2Popup() {
  Copy1->SetEnabled(Memo1->SelLength() > 0);
  Cut1->SetEnabled(Copy1->Enabled());
  Delete1->SetEnabled(Copy1->Enabled());
  Paste1->SetEnabled(services_ && services_->ClipboardHasText());
  const bool canUndo = SendMessageW(Memo1->Handle(), EM_CANUNDO, 0, 0) != 0;
  Undo1->SetEnabled(canUndo || !UndoText.empty());
  AllSelMenu->SetEnabled(Memo1->LineCount() > 0);
}

void TInputTextDlg::Undo1Click() {
  if (SendMessageW(Memo1->Handle(), EM_CANUNDO, 0, 0)) {
    SendMessageW(Memo1->Handle(), EM_UNDO, 0, 0);
    return;
  }
  const int first = Memo1->GetFirstVisibleLine();
  SendMessageW(Memo1->Handle(), WM_SETREDRAW, FALSE, 0);
  Memo1->SetText(UndoText);
  Memo1->LineScroll(0, first);
  SendMessageW(Memo1->Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Memo1->Handle(), nullptr, TRUE);
  OKBtn->SetEnabled(true);
}

void TInputTextDlg::Cut1Click() { SendMessageW(Memo1->Handle(), WM_CUT, 0, 0); }
void TInputTextDlg::Copy1Click() { SendMessageW(Memo1->Handle(), WM_COPY, 0, 0); }
void TInputTextDlg::Paste1Click() { SendMessageW(Memo1->Handle(), WM_PASTE, 0, 0); }
void TInputTextDlg::Delete1Click() { SendMessageW(Memo1->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"")); }
void TInputTextDlg::AllSelMenuClick() { Memo1->SelectAll(); }
void TInputTextDlg::N42Click() { Memo1->SelectAll(); }

void TInputTextDlg::N5Click() {
  const bool on = Memo1->SelLength() > 0 && !(services_ && services_->ToolMenuShown());
  for (int i = 0; i < N5->Count(); ++i) N5->Item(i)->SetEnabled(on);
}

int TInputTextDlg::BeginSelectionTool() {
  Screen->SetCursor(crHourGlass);
  SelLengthBefore = Memo1->SelLength();
  TextLengthBefore = Memo1->TextLength();
  return Memo1->SelStart();
}

void TInputTextDlg::EndSelectionTool(int start, int length) {
  if (CheckBox1->Checked()) {
    Memo1->SetSelStart(start);
    Memo1->SetSelLength(length + (Memo1->TextLength() - TextLengthBefore));
  }
  Screen->SetCursor(crDefault);
}

void TInputTextDlg::ConvertSelection(const std::function<std::string(const std::string&)>& convert) {
  Conversion.Load();
  UndoText = Memo1->Text();  // the dialog's undo takes the conversion back
  const int start = BeginSelectionTool();
  const std::string selected = Memo1->SelText();
  const std::string converted = convert(selected);
  if (converted != selected) {
    const std::wstring wide = Cp932ToWide(converted);
    SendMessageW(Memo1->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  EndSelectionTool(start, SelLengthBefore);
  Conversion.Free();
}

void TInputTextDlg::ABCabcS1Click(TMenuItem* sender) {
  const int kind = sender ? sender->Tag : ckLowerCase;
  ConvertSelection([&](const std::string& s) { return Conversion.ConvertText(s, kind); });
}

void TInputTextDlg::N36Click(TMenuItem* sender) {
  const int type = sender ? sender->Tag : wcAll;
  ConvertSelection([&](const std::string& s) { return Conversion.ConvertWidth(s, true, type); });
}

void TInputTextDlg::N30Click(TMenuItem* sender) {
  const int type = sender ? sender->Tag : wcAll;
  ConvertSelection([&](const std::string& s) { return Conversion.ConvertWidth(s, false, type); });
}
