#include "dialogs/BookMarkEditDlg.h"

#include <shellapi.h>

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/StringList.h"

namespace {

const int kImageNoIcon = 40;

}  // namespace

TBookMarkDlg::TBookMarkDlg(TForm* owner, int mode, TStrings* deleted, dialogs::StoredListsHost& host)
    : TForm(owner, L"TBookMarkDlg"), Mode(mode), Deleted(deleted), host_(host) {
  BorderStyle = bsSizeable;
  MinimizeBox = false;
  MaximizeBox = true;
  Position = poScreenCenter;
  MinWidth = 450;
  MinHeight = 300;
  SetBounds(0, 0, 465, 352);

  Panel1 = new TPanel(this);
  Panel1->Name = "Panel1";
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBounds(0, 0, 465, 45);
  Panel1->SetAlign(alBottom);

  OKBtn = new TButton(Panel1);
  OKBtn->Name = "OKBtn";
  OKBtn->SetTextW(L"OK");
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetEnabled(false);  // until something was deleted
  OKBtn->SetBounds(150, 10, 75, 25);

  CancelBtn = new TButton(Panel1);
  CancelBtn->Name = "CancelBtn";
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->Cancel = true;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(235, 10, 75, 25);

  ListBox1 = new TListBox(this);
  ListBox1->Name = "ListBox1";
  ListBox1->SetStyle(lbOwnerDrawFixed);
  ListBox1->SetMultiSelect(true);
  ListBox1->Font().SetHeight(-13);
  // 6 pixels more than the font's height (a negative height in pixels).
  ListBox1->SetItemHeight(6 - ListBox1->Font().Height());
  ListBox1->TabStop = true;
  ListBox1->SetAlign(alClient);
  ListBox1->ShowHint = true;
  ListBox1->OnDrawItem = [this](TWinControl*, int i, const RECT& r, TOwnerDrawState s) { ListBox1DrawItem(i, r, s); };
  ListBox1->OnClick = [this](TWinControl*) { ListBox1Click(); };
  ListBox1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListBox1MouseUp(b, x, y); };
  ListBox1->OnKeyDown = [this](TWinControl*, WORD& key, TShiftState shift) {
    if (ShortCutOf(key, shift) == (scCtrl | 'A')) {
      key = 0;
      N3Click(0);
    }
  };

  PopupMenu1 = new TPopupMenu();
  auto item = [this](const char* caption, const char* name, int image, const char* hint) {
    TMenuItem* m = new TMenuItem(&PopupMenu1->Items, Cp932FromUtf8(caption), name);
    m->SetImageIndex(image);
    if (hint) m->Hint = Cp932FromUtf8(hint);
    return m;
  };
  Open1 = item("開く", "Open1", 6, "選択したテキストファイルを開く");
  N3 = item("全て選択", "N3", 3, nullptr);
  N3->SetShortCut(scCtrl | 'A');
  N3->Tag = 0;
  N4 = item("選択の切換", "N4", 15, nullptr);
  N4->Tag = 1;
  N1 = item("不明ファイルを選択", "N1", 12, nullptr);
  N1->Tag = 2;
  Delete1 = item("削除(&D)", "Delete1", 0, "選択リストを削除する");
  Open1->OnClick = [this](TMenuItem*) { Open1Click(); };
  for (TMenuItem* m : {N3, N4, N1}) m->OnClick = [this](TMenuItem* s) { N3Click(s->Tag); };
  Delete1->OnClick = [this](TMenuItem*) { Delete1Click(); };
  PopupMenu1->OnPopup = [this](TPopupMenu*) { PopupMenu1Popup(); };

  OnResize = [this](TWinControl*) { FormResize(); };
  FormResize();
}

TBookMarkDlg::~TBookMarkDlg() {
  for (ItemFacts& f : facts_) FreeFacts(f);
  facts_.clear();
  delete PopupMenu1;
  PopupMenu1 = nullptr;
}

void TBookMarkDlg::FreeFacts(ItemFacts& f) {
  if (f.icon) DestroyIcon(f.icon);
  f.icon = nullptr;
}

HICON TBookMarkDlg::SmallShellIcon(const std::wstring& path) {
  if (path.empty()) return nullptr;
  SHFILEINFOW info{};
  UINT flags = SHGFI_ICON | SHGFI_SMALLICON;
  std::wstring query = path;
  if (path[0] == L'.') {
    query = L"*" + path;
    flags |= SHGFI_USEFILEATTRIBUTES;
  }
  if (SHGetFileInfoW(query.c_str(), 0, &info, sizeof info, flags) && info.hIcon) return info.hIcon;
  // The file's own icon cannot be had: the one of its kind, by its name alone.
  SHFILEINFOW byName{};
  const std::wstring generic = L"*" + path;
  if (SHGetFileInfoW(generic.c_str(), FILE_ATTRIBUTE_NORMAL, &byName, sizeof byName,
                     SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) &&
      byName.hIcon)
    return byName.hIcon;
  return nullptr;
}

void TBookMarkDlg::AddHeader(const std::wstring& header) {
  const int index = AddWithWideCopy(ListBox1->Items(), header);
  facts_.insert(facts_.begin() + index, ItemFacts());
  TakeFacts(index);
}

void TBookMarkDlg::TakeFacts(int index) {
  ItemFacts& f = facts_[static_cast<size_t>(index)];
  FreeFacts(f);
  const std::wstring path = ItemPath(index);
  f.exists = !path.empty() && host_.FileExists(path);
  f.icon = f.exists ? SmallShellIcon(path) : nullptr;
  f.records = Mode == 1 ? host_.LineListCount(path) : 0;
}

std::wstring TBookMarkDlg::ItemPath(int index) {
  const std::wstring text = ItemTextWide(ListBox1->Items(), index);
  if (text.size() < 2) return std::wstring();
  return text.substr(1, text.size() - 2);
}

std::wstring TBookMarkDlg::ShownText(int index) {
  std::wstring text = ItemPath(index);
  if (Mode == 1) text += L" (" + std::to_wstring(Facts(index).records) + L")";
  return text;
}

void TBookMarkDlg::ListBox1DrawItem(int index, const RECT& r, TOwnerDrawState state) {
  if (index < 0 || index >= ListBox1->Count() || static_cast<size_t>(index) >= facts_.size()) return;
  TCanvas& c = ListBox1->Canvas();
  HDC dc = c.Handle();
  const bool selected = (state & odSelected) != 0;
  const ItemFacts& f = Facts(index);
  TColor ink = selected ? clHighlightText : ListBox1->Font().Color();
  if (!f.exists) ink = selected ? TColor(0xFFFF) : TColor(0xFF);  // yellow, red
  c.BrushStyle = bsSolid;
  c.BrushColor = selected ? clHighlight : ListBox1->Color();
  c.FillRect(r);
  if (!selected) {
    c.PenColor = TColor(0xC0C0C0);
    c.MoveTo(r.left + 20, r.bottom - 1);
    c.LineTo(r.right - 20, r.bottom - 1);
  }
  if (f.exists) {
    if (f.icon) {
      DrawIconEx(dc, r.left + 1, r.top + 1, f.icon, 16, 16, 0, nullptr, DI_NORMAL);
    } else if (TImageList* images = host_.Images()) {
      images->Draw(dc, r.left + 1, r.top + 1, kImageNoIcon);
    }
  }
  RECT text = r;
  text.left += 21;
  HGDIOBJ oldFont = SelectObject(dc, ListBox1->Font().Handle());
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldInk = SetTextColor(dc, ColorToRGB(ink));
  host_.DrawItemText(dc, ShownText(index), DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_WORD_ELLIPSIS, text);
  SetTextColor(dc, oldInk);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

void TBookMarkDlg::N3Click(int tag) {
  for (int i = ListBox1->Count() - 1; i >= 0; --i) {
    switch (tag) {
      case 0: ListBox1->SetSelected(i, true); break;
      case 1: ListBox1->SetSelected(i, !ListBox1->Selected(i)); break;
      case 2: ListBox1->SetSelected(i, !Facts(i).exists); break;
    }
  }
}

void TBookMarkDlg::Delete1Click() {
  int removed = 0;
  for (int i = ListBox1->Count() - 1; i >= 0; --i) {
    if (!ListBox1->Selected(i)) continue;
    if (Deleted) AddWithWideCopy(*Deleted, ItemPath(i));
    FreeFacts(facts_[static_cast<size_t>(i)]);
    facts_.erase(facts_.begin() + i);
    ListBox1->Items().Delete(i);
    ++removed;
  }
  DeletedCount += removed;
  OKBtn->SetEnabled(DeletedCount > 0);
}

void TBookMarkDlg::ListBox1Click() {
  if (Mode != 1) return;
  const int i = ListBox1->ItemIndex();
  if (i < 0 || i >= ListBox1->Count()) return;
  ListBox1->Hint = WideToCp932(host_.StoredListPath(ItemPath(i)));
}

void TBookMarkDlg::ListBox1MouseUp(TMouseButton button, int x, int y) {
  if (button == mbRight) {
    POINT p{x, y};
    ClientToScreen(ListBox1->Handle(), &p);
    PopupMenu1->Popup(p.x, p.y, Handle());
    return;
  }
  if (button != mbLeft) return;
  if (ListBox1->ItemAtPos(POINT{x, y}, true) < 0) {
    ListBox1->ClearSelection();
    ListBox1->Hint.clear();
  }
}

void TBookMarkDlg::PopupMenu1Popup() {
  Delete1->SetEnabled(ListBox1->SelCount() > 0);
  Open1->SetVisible(Delete1->Enabled());
}

void TBookMarkDlg::Open1Click() {
  const int i = ListBox1->ItemIndex();
  if (i < 0 || i >= ListBox1->Count()) return;
  host_.OpenFile(ItemPath(i));
  // What opening did to the files (created, removed, a list stored) shows.
  for (int k = 0; k < ListBox1->Count(); ++k) TakeFacts(k);
  ListBox1->Invalidate();
  if (HandleAllocated()) SetForegroundWindow(Handle());
}

void TBookMarkDlg::FormResize() {
  const int middle = Panel1->ClientWidth() / 2;
  OKBtn->SetBounds(middle - 3 - OKBtn->Width(), OKBtn->Top(), OKBtn->Width(), OKBtn->Height());
  CancelBtn->SetBounds(middle + 3, CancelBtn->Top(), CancelBtn->Width(), CancelBtn->Height());
  ListBox1->Invalidate();
}
