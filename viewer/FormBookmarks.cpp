// Bookmarks of the open file: adding at the caret, retitling, jumping,
// deleting and sorting, the panel and its list, and the store bookdata.ini
// (one section per text file, named by its path).
#include <windows.h>

#include <algorithm>

#include "controls/MyTrackBar.h"
#include "dialogs/InputBoxWUnit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "text/BookmarkEntry.h"
#include "text/PathText.h"
#include "viewer/IniStore.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

namespace {
std::wstring EntryOf(TStrings& items, int i) { return ItemTextWide(items, i); }

std::wstring FileNamePart(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
}  // namespace

// ---- the caret's bookmark text

void TVastrelForm::GetCaretLineInfo(int64_t* caret, int64_t* selLength, std::wstring& text, int64_t* line) {
  const int64_t start = GetSelStart();
  if (caret) *caret = start;
  if (selLength) *selLength = GetSelLength();
  // Lines are counted at CR LF in the view's text: a multi-line edit also
  // breaks at a lone LF, which is no line end of the file.
  std::wstring view;
  size_t at = 0;
  if (IsWideView()) {
    view = GetTextWide();
    at = static_cast<size_t>(std::max<int64_t>(0, start));
    text = GetSelTextWide();
  } else {
    const std::string narrow = GetTextNarrow();
    view = Cp932ToWide(narrow);
    at = Cp932ToWide(narrow.substr(0, static_cast<size_t>(std::clamp<int64_t>(start, 0, narrow.size())))).size();
    text = Cp932ToWide(GetSelTextNarrow());
  }
  int64_t n = 0;
  const std::wstring rest = bookmark::CaretLineText(view, at, &n);
  if (line) *line = n;
  if (text.empty()) text = rest;
}

std::wstring TVastrelForm::GetCaretLineInfo() {
  std::wstring text;
  GetCaretLineInfo(nullptr, nullptr, text, nullptr);
  return text;
}

// ---- adding, retitling, jumping, deleting

void TVastrelForm::N7Click() {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  TStrings& items = BockListBox1->Items();
  if (!Doc.BookmarksChanged && items.Count() == 0 && LoadBookmarkList(true) &&
      MessageBoxWide(L"既存のブックマークリストが存在します。読み込みますか？", L"ブックマークの読込確認",
                     MB_ICONQUESTION | MB_YESNO, Handle()) == IDYES) {
    LoadBookmarkList(false);
  }
  int64_t a = 0, line = 0;
  std::wstring text;
  GetCaretLineInfo(&a, nullptr, text, &line);
  const std::wstring x = bookmark::CutText(text, static_cast<size_t>(std::max(1, Settings.BookmarkTitleMax)));
  const std::wstring value = bookmark::MakeValue(L"", x, Doc.TextCode == tcJis ? Doc.JisShiftState : -1);
  const std::wstring name = bookmark::MakeName(LastPageStart + a, Doc.SelStart, Doc.FirstLineNumber + line);
  if (FindItemWide(items, std::to_wstring(Doc.SelStart)) >= 0) return;
  items.AddObject("new", NewWideCopy(name + L"=" + value));
  if (CheckBox4->Checked()) SortBookmarks();
  Doc.BookmarksChanged = true;
  SpeedButton5->SetEnabled(true);
  BockListBox1->Invalidate();
}

void TVastrelForm::GetBookmarkText(int index, std::wstring& value, std::wstring& name) {
  bookmark::SplitEntry(EntryOf(BockListBox1->Items(), index), name, value);
}

void TVastrelForm::N6Click() {
  if (!FileCommandsAllowed() || BockListBox1->SelCount() != 1) return;
  int index = -1;
  for (int i = 0; i < BockListBox1->Count() && index < 0; ++i)
    if (BockListBox1->Selected(i)) index = i;
  if (index < 0) return;
  std::wstring value, name;
  GetBookmarkText(index, value, name);
  const bookmark::Value parts = bookmark::ParseValue(value);
  std::wstring title = parts.title.empty() ? parts.text : parts.title;
  std::wstring text = parts.text;
  const bookmark::Name numbers = bookmark::ParseName(name);

  auto* dlg = NewForm<TInputWideDlg>(L"新しいタイトルを入力して下さい。", this, ibBookmarkTitle, title);
  dlg->SetIcon(ImageList1->GetIcon(35));
  dlg->SetTextW(L"ブックマークタイトルの編集");
  dlg->CheckBox2->SetEnabled(CurrentLine != -1 && numbers.line != CurrentLine - 1);
  dlg->StaticText1->SetTextW(std::to_wstring(numbers.line + 1));
  if (RetitleBoxShown) RetitleBoxShown(dlg);
  if (dlg->ShowModal() == mrOk) {
    std::wstring newText;
    if (dlg->CheckBox1->Checked()) {
      int64_t a = 0, length = 0, line = 0;
      std::wstring caretText;
      GetCaretLineInfo(&a, &length, caretText, &line);
      if (length >= 1) {
        newText = bookmark::CutText(caretText, 128);
        int64_t l = numbers.line;
        if (dlg->CheckBox2->Checked()) l = CurrentLine - 1;
        name = bookmark::MakeName(LastPageStart + a, Doc.SelStart, l);
      }
    } else if (dlg->CheckBox2->Checked() && name.find(L'#') != std::wstring::npos) {
      name = name.substr(0, name.find(L'#')) + L"#" + std::to_wstring(CurrentLine - 1);
    }
    if (!newText.empty()) text = newText;
    const std::wstring input = dlg->InputText;
    const std::wstring newValue =
        bookmark::MakeValue(input, text, Doc.TextCode == tcJis ? Doc.JisShiftState : -1);
    SetItemWide(BockListBox1->Items(), index, name + L"=" + newValue);
    Doc.BookmarksChanged = true;
    BockListBox1->Invalidate();
  }
  dlg->Free();
}

void TVastrelForm::BockListBox1DblClick() {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  if (BockListBox1->SelCount() < 1) return;
  const int index = BockListBox1->ItemIndex();
  if (index < 0 || index >= BockListBox1->Count()) return;
  std::wstring value, name;
  GetBookmarkText(index, value, name);
  const bookmark::Name numbers = bookmark::ParseName(name);
  const int64_t k = numbers.line;
  if (!CheckBox3->Checked()) {
    JumpToLine(std::to_wstring(k + 1));
    return;
  }
  Doc.SelStart = numbers.b;
  bookmark::Value parts = bookmark::ParseValue(value);
  if (Doc.TextCode == tcJis && parts.jis >= 0) Doc.JisShiftState = parts.jis;
  Doc.SelLength = EncodedLength(parts.text);
  if (Doc.TextCode == tcJis) {
    // The text's bytes in the file, with the sequences between its characters.
    const int64_t n = JisFileLengthOfText(Doc.SelStart, Doc.SelLength);
    if (n >= 0) Doc.SelLength = n;
  }
  MovingBack = true;
  const bool units16 = Doc.TextCode == tcUtf16;
  MyTrackBar1->SetPosition(units16 ? numbers.a * 2 : numbers.a);
  int64_t p = units16 ? numbers.b * 2 : numbers.b;
  const bool wraps = IsWideView() ? CurrentPane == WrappedPane : Memo1->WordWrap();
  if (wraps) p -= 2 * static_cast<int64_t>(CharsPerLine);
  // A bookmark near the file's start must not ask for a page before it.
  p = std::max<int64_t>(0, p);
  ShowPage(false, true, p);
  ScrollToCaret();
  LineNumbersStale = false;
  if (numbers.hasLine) Doc.FirstLineNumber = k;
  if (ListBox1->Visible()) {
    if (IndexHandOver)
      FillLineNumbers();
    else
      UpdateLineNumbers();
    CurrentLine = Doc.FirstLineNumber + 1;
    ListBox1->Invalidate();
  }
  RedrawTextView(true);
  FocusTextView();
  MovingBack = false;
}

void TVastrelForm::Delete2Click() {
  if (!FileCommandsAllowed()) return;
  const int n = BockListBox1->SelCount();
  if (n < 1) return;
  if (MessageBoxWide(L"選択した " + std::to_wstring(n) + L"個のブックマークを削除してもよろしいですか？", L"削除確認",
                     MB_ICONQUESTION | MB_YESNO, Handle()) != IDYES)
    return;
  for (int i = BockListBox1->Count() - 1; i >= 0; --i)
    if (BockListBox1->Selected(i)) BockListBox1->Items().Delete(i);
  Doc.BookmarksChanged = true;
  SpeedButton5->SetEnabled(BockListBox1->Count() > 0);
  if (!SpeedButton5->Enabled()) List1Click(false);
}

void TVastrelForm::SortBookmarks() {
  TStrings& items = BockListBox1->Items();
  std::vector<std::wstring> entries;
  for (int i = 0; i < items.Count(); ++i) entries.push_back(EntryOf(items, i));
  const std::vector<size_t> order = bookmark::SortOrder(entries);
  std::vector<std::string> texts;
  std::vector<wchar_t*> objects;
  for (size_t i : order) texts.push_back(items.Get(static_cast<int>(i)));
  for (size_t i : order) objects.push_back(items.TakeObject(static_cast<int>(i)));
  BockListBox1->BeginUpdate();
  items.Clear();
  for (size_t i = 0; i < texts.size(); ++i) items.AddObject(texts[i], objects[i]);
  BockListBox1->EndUpdate();
}

// ---- the store

bool TVastrelForm::SaveBookmarkList() {
  if (Doc.FilePath.empty()) return false;
  IniStore::EnsureIniUnicode(Paths.bookStore);
  if (!Store().WriteIniSection(Doc.FilePath, BockListBox1->Items())) return false;
  Doc.BookmarksChanged = false;
  return true;
}

bool TVastrelForm::LoadBookmarkList(bool testOnly) {
  if (Doc.FilePath.empty() || !Store().IniSectionExists(Paths.bookStore, Doc.FilePath)) return false;
  if (testOnly) return true;
  TStringList lines;
  Store().ReadIniSection(Doc.FilePath, lines);
  // Every entry is held as the item's wide object; loaded ones have an empty text.
  TStrings& items = BockListBox1->Items();
  BockListBox1->BeginUpdate();
  items.Clear();
  for (int i = 0; i < lines.Count(); ++i) items.AddObject("", NewWideCopy(ItemTextWide(lines, i)));
  BockListBox1->EndUpdate();
  return true;
}

int TVastrelForm::ConfirmBookmarkList(bool save, bool ask) {
  const std::wstring text = L"[ " + FileNamePart(Doc.FilePath) + L" ]\n\n" +
                            (save ? L"このファイルのブックマークは変更されています。\n保存しますか？"
                                  : L"このファイルのブックマークリストが存在します。\n読み込みますか？");
  const std::wstring caption = std::wstring(L"ブックマークの") + (save ? L"保存" : L"読込") + L"確認";
  if (ask && MessageBoxWide(text, caption, MB_ICONQUESTION | MB_YESNO, Handle()) != IDYES) return 0;
  if (save) {
    SaveBookmarkList();
  } else {
    LoadBookmarkList(false);
    SortBookmarks();
  }
  return 1;
}

void TVastrelForm::PurgeBookmarkLists(const std::wstring& store, bool removeMissing) {
  TStringList names;
  Store().ReadIniNames(L"", store, names);
  for (int i = 0; i < names.Count(); ++i) {
    const std::wstring section = ItemTextWide(names, i);
    if (FileExistsEx(section, UnicodeMode)) {
      TStringList keys;
      Store().ReadIniNames(section, store, keys);
      if (keys.Count() == 0) Store().EraseIniSectionOf(store, section);
    } else if (removeMissing) {
      Store().EraseIniSectionOf(store, section);
    }
  }
}

// ---- menus and the panel

void TVastrelForm::N11Click() {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  SpeedButton5->SetEnabled(ConfirmBookmarkList(false, false) == 1);
  BockListBox1->Invalidate();
}

void TVastrelForm::N8Click() {
  for (int i = 0; i < BockListBox1->Count(); ++i) BockListBox1->SetSelected(i, true);
}

void TVastrelForm::PopupMenu2Popup() {
  N6->SetEnabled(BockListBox1->SelCount() == 1);
  Delete2->SetEnabled(BockListBox1->SelCount() >= 1);
}

void TVastrelForm::BookmarkMenuStates() {
  List1->SetEnabled(BockListBox1->Count() > 0 && !Panel2->Visible());
  N11->SetEnabled(BockListBox1->Count() == 0 && !Doc.FilePath.empty() && LoadBookmarkList(true));
}

void TVastrelForm::List1Click(bool withSender) {
  if (!withSender || Panel2->Visible()) {
    if (Settings.ReduceFlicker && IsWideView()) AllowNextErase = true;
    Panel2->SetVisible(false);
  } else {
    Panel2->SetVisible(true);
    RedrawTextView(true);
  }
  SpeedButton5->SetImageIndex(Panel2->Visible() ? 33 : 32);
}

namespace {
// The height a list needs to show one row: the row and the list's frame.
int OneRowHeight(TListBox* list) {
  RECT frame = {0, 0, 0, 0};
  if (list->HandleAllocated()) {
    const HWND h = list->Handle();
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE)));
  }
  return std::max(1, list->ItemHeight()) + (frame.bottom - frame.top);
}
}  // namespace

void TVastrelForm::FitBookmarkPanelLists() {
  // The bookmark list takes what the jump list leaves of the panel: the jump
  // list has the height it was given as far as that leaves one bookmark row,
  // and never less than one row of its own. A panel too low for a row of
  // each shares its room between the two by their row heights.
  const int bookRow = OneRowHeight(BockListBox1);
  const int jumpRow = OneRowHeight(ListBox2);
  const int room = std::max(0, Panel2->ClientHeight() - (Panel4->Visible() ? Panel4->Height() : 0) -
                                    (Splitter1->Visible() ? Splitter1->Height() : 0));
  int jump = JumpListHeight;
  if (room >= bookRow + jumpRow) {
    jump = std::min(std::max(jump, jumpRow), room - bookRow);
  } else {
    jump = static_cast<int>(static_cast<int64_t>(room) * jumpRow / (bookRow + jumpRow));
    if (room >= 2) jump = std::min(std::max(jump, 1), room - 1);
  }
  if (jump != ListBox2->Height()) ListBox2->SetHeight(jump);
}

void TVastrelForm::DrawItemText(HDC dc, const std::wstring& text, UINT format, RECT& rect) {
  if (UnicodeMode) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  } else {
    const std::string narrow = WideToCp932(text);
    DrawTextA(dc, narrow.c_str(), static_cast<int>(narrow.size()), &rect, format);
  }
}

void TVastrelForm::BockListBox1DrawItem(int index, const RECT& r, TOwnerDrawState state) {
  if (index < 0 || index >= BockListBox1->Count()) return;
  TCanvas& c = BockListBox1->Canvas();
  TakeFont(c, BockListBox1->Font());
  const bool selected = (state & odSelected) != 0;
  TColor brush = selected ? clHighlight : BockListBox1->Color();
  c.Font.SetColor(selected ? clHighlightText : BockListBox1->Font().Color());
  if (!BockListBox1->Focused() && selected) {
    brush = TColor(0xC0C0C0);
    c.Font.SetColor(BockListBox1->Font().Color());
  }
  int glyph = 35;
  int weight = 230;
  if (UnicodeMode && BockListBox1->Items().Get(index) == "new") {
    glyph = 49;
    weight = 160;
    if (!selected) brush = TColor(0x6BFEA3);
  }
  c.BrushStyle = bsSolid;
  c.BrushColor = brush;
  c.FillRect(r);
  TColor square = SysColorToRgb(brush) == SysColorToRgb(clWindow) ? TColor(0xEFEFEF) : brush;
  c.BrushColor = BlendColor(SysColorToRgb(square), TColor(0xFFFFFF), weight);
  RECT sq{r.left + 2, r.top + 3, 50, r.bottom - 2};
  c.FillRect(sq);
  ImageList1->Draw(c, r.left + 2, r.top + 2, glyph);

  std::wstring value, name;
  GetBookmarkText(index, value, name);
  const bookmark::Name numbers = bookmark::ParseName(name);
  const std::wstring lineText = std::to_wstring(numbers.line + 1);
  const std::wstring position = std::to_wstring(numbers.a);
  const std::wstring shown = bookmark::ShownText(value);
  c.BrushStyle = bsClear;
  SetBkMode(c.Handle(), TRANSPARENT);
  const UINT fmt = DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS;
  if (CheckBox5->Checked()) {
    const int fontHeight = -BockListBox1->Font().Height();
    RECT row{r.left + 5, r.bottom - fontHeight - 2, r.right - 3, r.bottom};
    DrawItemText(c.Handle(), lineText, fmt | DT_LEFT, row);
    DrawItemText(c.Handle(), position, fmt | DT_RIGHT, row);
  }
  RECT first{r.left + 23, r.top + 3, r.right - 2, r.bottom};
  DrawItemText(c.Handle(), shown, fmt | DT_LEFT, first);
  c.BrushStyle = bsSolid;
}

void TVastrelForm::CheckBox4Click() {
  if (CheckBox4->Checked()) {
    SortBookmarks();
    BockListBox1->Invalidate();
  }
}

void TVastrelForm::CheckBox5Click() {
  const int h = BockListBox1->Font().Height();
  BockListBox1->SetItemHeight(CheckBox5->Checked() ? 8 - 2 * h : (8 - 2 * h) / 2 + 2);
  FitBookmarkPanelLists();
  BockListBox1->Invalidate();
}

void TVastrelForm::BockListBox1MouseDown(TMouseButton button, int x, int y) {
  if (button == mbLeft && x < 50 && BockListBox1->ItemAtPos(POINT{x, y}, true) >= 0) BockListBox1DblClick();
}

void TVastrelForm::BockListBox1MouseUp(TMouseButton button, int x, int y) {
  if (button == mbRight) {
    POINT p{x, y};
    ClientToScreen(BockListBox1->Handle(), &p);
    PopupMenu2->Popup(p.x, p.y, Handle());
    return;
  }
  if (button != mbLeft) return;
  if (!BookListJustLeft && BockListBox1->ItemAtPos(POINT{x, y}, true) < 0) {
    BockListBox1->ClearSelection();
    if (ListView1->Visible()) ListView1->Invalidate();
  }
  if (BockListBox1->SelCount() > 1) BockListBox1->Invalidate();
  BookListJustLeft = false;
}

void TVastrelForm::BockListBox1Exit() {
  BookListJustLeft = true;
  BockListBox1->Invalidate();
}

void TVastrelForm::InstallBookmarkHandlers() {
  N6 = new TMenuItem(&PopupMenu2->Items, Cp932FromUtf8("タイトル名の編集(&E)"), "N6");
  N8 = new TMenuItem(&PopupMenu2->Items, Cp932FromUtf8("全て選択(&A)"), "N8");
  Delete2 = new TMenuItem(&PopupMenu2->Items, Cp932FromUtf8("削除(&D)"), "Delete2");
  Delete2->SetShortCut(VK_DELETE);
  N6->OnClick = [this](TMenuItem*) { N6Click(); };
  N8->OnClick = [this](TMenuItem*) { N8Click(); };
  Delete2->OnClick = [this](TMenuItem*) { Delete2Click(); };
  PopupMenu2->OnPopup = [this](TPopupMenu*) { PopupMenu2Popup(); };
  BockListBox1->Font().SetColor(TColor(0x383838));
  N5->OnClick = [this](TMenuItem*) { N7Click(); };
  PopN5->OnClick = [this](TMenuItem*) { N7Click(); };
  SpeedButton4->OnClick = [this](TWinControl*) { N7Click(); };
  SpeedButton5->OnClick = [this](TWinControl*) { List1Click(true); };
  BookCloseBtn->OnClick = [this](TWinControl*) { List1Click(true); };
  List1->OnClick = [this](TMenuItem*) { List1Click(true); };
  N11->OnClick = [this](TMenuItem*) { N11Click(); };
  BookMenu->OnClick = [this](TMenuItem*) { Tool1Click(); };
  CheckBox4->OnClick = [this](TWinControl*) { CheckBox4Click(); };
  CheckBox5->OnClick = [this](TWinControl*) { CheckBox5Click(); };
  BockListBox1->OnDrawItem = [this](TWinControl*, int i, const RECT& r, TOwnerDrawState s) {
    BockListBox1DrawItem(i, r, s);
  };
  BockListBox1->OnDblClick = [this](TWinControl*) { BockListBox1DblClick(); };
  BockListBox1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    BockListBox1MouseDown(b, x, y);
  };
  BockListBox1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    BockListBox1MouseUp(b, x, y);
  };
  BockListBox1->OnExit = [this](TWinControl*) { BockListBox1Exit(); };
  Panel2->OnResize = [this](TWinControl*) { FitBookmarkPanelLists(); };
  BockListBox1->OnKeyDown = [this](TWinControl*, WORD& key, TShiftState) {
    if (key == VK_DELETE) {
      key = 0;
      Delete2Click();
    }
  };
}
