#include "framework/Menus.h"
#include <algorithm>
#include <map>
#include "framework/Application.h"
#include "framework/Cp932.h"

namespace {
std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> m;
  return m;
}
UINT g_nextCommand = 1000;

}  // namespace

TMenuItem::TMenuItem(TMenuItem* parent, const std::string& caption, const std::string& name)
    : Name(name), caption_(caption), parent_(nullptr), command_(g_nextCommand++) {
  Commands()[command_] = this;
  if (parent) parent->Add(this);
}

TMenuItem::~TMenuItem() {
  for (TMenuItem* i : items_) {
    i->parent_ = nullptr;
    delete i;
  }
  items_.clear();
  Commands().erase(command_);
  if (sub_) DestroyMenu(sub_);
  if (parent_) {
    auto& v = parent_->items_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

TMenuItem* TMenuItem::Add(TMenuItem* item) {
  item->parent_ = this;
  items_.push_back(item);
  Changed();
  return item;
}

TMenuItem* TMenuItem::Find(const std::string& name) {
  if (Name == name) return this;
  for (TMenuItem* i : items_) {
    if (TMenuItem* f = i->Find(name)) return f;
  }
  return nullptr;
}

TMenuItem* TMenuItem::Root() {
  TMenuItem* r = this;
  while (r->parent_) r = r->parent_;
  return r;
}

bool TMenuItem::OwnerDrawn() const {
  const TMenuItem* r = this;
  while (r->parent_) r = r->parent_;
  return r->ownerDrawRoot && *r->ownerDrawRoot;
}

void TMenuItem::SetCaption(const std::string& c) {
  if (c != caption_) {
    caption_ = c;
    Changed();
  }
}
void TMenuItem::SetEnabled(bool v) {
  if (v != enabled_) {
    enabled_ = v;
    Changed();
  }
}
void TMenuItem::SetChecked(bool v) {
  if (v != checked_) {
    checked_ = v;
    Changed();
  }
}
void TMenuItem::SetVisible(bool v) {
  if (v != visible_) {
    visible_ = v;
    Changed();
  }
}
void TMenuItem::SetImageIndex(int i) {
  if (i != imageIndex_) {
    imageIndex_ = i;
    Changed();
  }
}

// The menu that holds this item is rebuilt (entries only; sub-menu handles stay).
void TMenuItem::Changed() {
  if (parent_) {
    HMENU h = parent_->parent_ ? parent_->sub_ : parent_->builtIn_;
    if (h) parent_->BuildInto(h);
  } else if (builtIn_) {
    BuildInto(builtIn_);
  }
  TMenuItem* r = Root();
  (void)r;
}

HMENU TMenuItem::SubMenuHandle() {
  if (!sub_) {
    sub_ = CreatePopupMenu();
    BuildInto(sub_);
  }
  return sub_;
}

void TMenuItem::BuildInto(HMENU h) {
  while (GetMenuItemCount(h) > 0) RemoveMenu(h, 0, MF_BYPOSITION);
  bool owner = OwnerDrawn();
  for (TMenuItem* i : items_) {
    if (!i->visible_) continue;
    i->builtIn_ = h;
    if (i->caption_ == "-") {
      AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = (i->enabled_ ? MF_ENABLED : MF_GRAYED) | (i->checked_ ? MF_CHECKED : MF_UNCHECKED);
    std::wstring text = Cp932ToWide(i->caption_);
    if (!i->ShortCutText.empty()) text += L"\t" + Cp932ToWide(i->ShortCutText);
    UINT_PTR id = i->command_;
    if (!i->items_.empty()) {
      flags |= MF_POPUP;
      id = reinterpret_cast<UINT_PTR>(i->SubMenuHandle());
    }
    // An item with its own drawing is drawn by the program whatever the
    // menu's owner drawing says.
    if (owner || i->OnDrawItem) {
      AppendMenuW(h, flags | MF_OWNERDRAW, id, reinterpret_cast<LPCWSTR>(i));
    } else {
      AppendMenuW(h, flags | MF_STRING, id, text.c_str());
    }
  }
  TMenuItem* r = Root();
  (void)r;
}

TShortCut ShortCutOf(WORD key, unsigned shift) {
  if (key == 0 || key > 0xFF) return scNone;
  TShortCut s = key;
  if (shift & 1) s |= scShift;
  if (shift & 2) s |= scAlt;
  if (shift & 4) s |= scCtrl;
  return s;
}

std::string ShortCutToText(TShortCut s) {
  const WORD key = s & 0xFF;
  if (!key) return std::string();
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key <= VK_F24) {
    name = "F" + std::to_string(key - VK_F1 + 1);
  } else {
    switch (key) {
      case VK_TAB: name = "Tab"; break;
      case VK_SPACE: name = "Space"; break;
      case VK_RETURN: name = "Enter"; break;
      case VK_ESCAPE: name = "Esc"; break;
      case VK_DELETE: name = "Del"; break;
      case VK_INSERT: name = "Ins"; break;
      case VK_BACK: name = "BkSp"; break;
      default: name = "#" + std::to_string(key); break;
    }
  }
  std::string text;
  if (s & scCtrl) text += "Ctrl+";
  if (s & scShift) text += "Shift+";
  if (s & scAlt) text += "Alt+";
  return text + name;
}

void TMenuItem::SetShortCut(TShortCut s) {
  shortCut_ = s;
  ShortCutText = ShortCutToText(s);
  Changed();
}

TMenuItem* TMenuItem::FindShortCut(TShortCut s) {
  if (s == scNone) return nullptr;
  for (TMenuItem* i : items_) {
    if (i->shortCut_ == s) return i;
    if (TMenuItem* f = i->FindShortCut(s)) return f;
  }
  return nullptr;
}

bool TMainMenu::IsShortCut(TShortCut s) {
  TMenuItem* item = Items.FindShortCut(s);
  if (!item) return false;
  // The menus above the item, outermost first, as when they open.
  std::vector<TMenuItem*> chain;
  for (TMenuItem* p = item->Parent(); p && p != &Items; p = p->Parent()) chain.insert(chain.begin(), p);
  for (TMenuItem* p : chain) {
    if (!p->Enabled() || !p->Visible()) return false;
    p->Click();
  }
  // The handlers above may have changed the tree: look again.
  if (Items.FindShortCut(s) != item || !item->Enabled() || !item->Visible()) return false;
  item->Click();
  return true;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

bool TMenuItem::DispatchCommand(UINT command) {
  auto it = Commands().find(command);
  if (it == Commands().end()) return false;
  it->second->Click();
  return true;
}

bool TMenuItem::DispatchPopup(HMENU menu) {
  for (auto& kv : Commands()) {
    if (kv.second->sub_ == menu) {
      kv.second->Click();
      return true;
    }
  }
  return false;
}

bool TMenuItem::DispatchMeasure(MEASUREITEMSTRUCT* m) {
  TMenuItem* i = reinterpret_cast<TMenuItem*>(m->itemData);
  if (!i || Commands().find(i->command_) == Commands().end()) return false;
  int w = 0, h = GetSystemMetrics(SM_CYMENU);
  HDC dc = GetDC(nullptr);
  std::wstring text = Cp932ToWide(i->caption_);
  SIZE s = {0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
  w = s.cx + 8;
  if (i->OnMeasureItem) i->OnMeasureItem(i, dc, w, h);
  ReleaseDC(nullptr, dc);
  m->itemWidth = static_cast<UINT>(w);
  m->itemHeight = static_cast<UINT>(h);
  return true;
}

bool TMenuItem::DispatchDraw(DRAWITEMSTRUCT* d) {
  TMenuItem* i = reinterpret_cast<TMenuItem*>(d->itemData);
  if (!i || Commands().find(i->command_) == Commands().end()) return false;
  bool selected = (d->itemState & ODS_SELECTED) != 0;
  if (i->OnDrawItem) {
    i->OnDrawItem(i, d->hDC, d->rcItem, selected);
  } else {
    FillRect(d->hDC, &d->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    SetBkMode(d->hDC, TRANSPARENT);
    SetTextColor(d->hDC, GetSysColor(!i->enabled_ ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    std::wstring text = Cp932ToWide(i->caption_);
    RECT r = d->rcItem;
    r.left += 4;
    DrawTextW(d->hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER);
  }
  return true;
}

// ---- TMainMenu

TMainMenu::TMainMenu() { Items.ownerDrawRoot = &ownerDraw_; }

TMainMenu::~TMainMenu() {
  if (handle_ && !Window) DestroyMenu(handle_);
}

HMENU TMainMenu::Handle() {
  if (!handle_) {
    handle_ = CreateMenu();
    Items.builtIn_ = handle_;
    Items.BuildInto(handle_);
  }
  return handle_;
}

void TMainMenu::SetOwnerDraw(bool v) {
  if (v == ownerDraw_) return;
  ownerDraw_ = v;
  if (handle_) {
    Items.BuildInto(handle_);
    if (Window) DrawMenuBar(Window);
  }
}

// ---- TPopupMenu

std::function<UINT(TPopupMenu*, int, int)> TPopupMenu::Tracker;

TPopupMenu::TPopupMenu() { Items.ownerDrawRoot = &ownerDraw_; }

TPopupMenu::~TPopupMenu() {
  if (handle_) DestroyMenu(handle_);
}

HMENU TPopupMenu::Handle() {
  if (!handle_) {
    handle_ = CreatePopupMenu();
    Items.builtIn_ = handle_;
  }
  Items.BuildInto(handle_);
  return handle_;
}

void TPopupMenu::Popup(int x, int y, HWND owner) {
  if (OnPopup) OnPopup(this);
  UINT cmd = 0;
  if (Tracker) {
    cmd = Tracker(this, x, y);
  } else {
    if (!owner) owner = Application->Handle();
    cmd = static_cast<UINT>(TrackPopupMenu(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
  }
  if (cmd) TMenuItem::DispatchCommand(cmd);
}
