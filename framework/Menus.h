// Main and pop-up menus. Items form a tree; each item owns its sub-items. The
// Win32 menus are made on first need and kept in step with the items: changing
// Caption, Enabled, Checked, Visible or ImageIndex updates the menu at once (also
// while it is open, e.g. from a handler of the menu's opening).
//
// Events: OnClick fires when the user picks the item, and for an item with
// sub-items when its sub-menu opens (the program enables items there). Property
// writes fire no events. TPopupMenu::OnPopup fires in Popup() before the menu shows.
//
// Shortcuts: an item's ShortCut is a virtual-key code with the modifier bits
// below. A form offers every key-down that reaches one of its framework
// controls to its main menu first (TMainMenu::IsShortCut): the items above the
// matching one get their OnClick as when their sub-menus open (so that the
// program updates the enabling), then an enabled and visible item runs its
// OnClick and the key is consumed; a disabled one consumes nothing.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

typedef WORD TShortCut;
enum : WORD { scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };
// The shortcut of a key with the shift state's Shift, Ctrl and Alt (ssShift = 1,
// ssAlt = 2, ssCtrl = 4 as in framework/Control.h).
TShortCut ShortCutOf(WORD key, unsigned shift);
// "Ctrl+O", "F3", "Ctrl+Shift+Tab", ...
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem;
typedef std::function<void(TMenuItem* sender)> TMenuEvent;

class TMenuItem {
 public:
  explicit TMenuItem(TMenuItem* parent = nullptr, const std::string& caption = std::string(),
                     const std::string& name = std::string());
  ~TMenuItem();
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;

  std::string Name;
  std::string Hint;
  int Tag = 0;

  const std::string& Caption() const { return caption_; }  // code page 932; "-" is a separator
  void SetCaption(const std::string& c);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int i);
  std::string ShortCutText;  // shown after a tab
  TShortCut ShortCut() const { return shortCut_; }
  // Sets the shortcut and the text shown for it.
  void SetShortCut(TShortCut s);

  TMenuEvent OnClick;
  // Owner drawing: every item when the root menu's OwnerDraw is set (OnDrawItem
  // or the default drawing), and an item with OnDrawItem always (it keeps its
  // own drawing when the menu's owner drawing is switched off).
  std::function<void(TMenuItem* sender, HDC dc, int& width, int& height)> OnMeasureItem;
  std::function<void(TMenuItem* sender, HDC dc, const RECT& rect, bool selected)> OnDrawItem;

  TMenuItem* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Item(int i) const { return items_[static_cast<size_t>(i)]; }
  TMenuItem* Add(TMenuItem* item);  // takes ownership; returns it
  TMenuItem* Find(const std::string& name);
  UINT Command() const { return command_; }

  // Fires OnClick (as a pick by the user).
  void Click();

  // The sub-menu handle of an item with sub-items.
  HMENU SubMenuHandle();
  // Whether owner drawing applies to this item's menu tree.
  bool OwnerDrawn() const;
  bool* ownerDrawRoot = nullptr;

  // Message routing from forms.
  static bool DispatchCommand(UINT command);
  static bool DispatchPopup(HMENU menu);
  static bool DispatchMeasure(MEASUREITEMSTRUCT* m);
  static bool DispatchDraw(DRAWITEMSTRUCT* d);

  // Builds the entries of this item's sub-menu (or of a root's menu) into h.
  void BuildInto(HMENU h);

  // The first item of this tree (depth first) with the shortcut, or nullptr.
  TMenuItem* FindShortCut(TShortCut s);

 private:
  friend class TMainMenu;
  friend class TPopupMenu;
  void Changed();
  TMenuItem* Root();
  std::string caption_;
  bool enabled_ = true, checked_ = false, visible_ = true;
  int imageIndex_ = -1;
  TShortCut shortCut_ = scNone;
  TMenuItem* parent_;
  std::vector<TMenuItem*> items_;
  UINT command_;
  HMENU sub_ = nullptr;
  HMENU builtIn_ = nullptr;  // the menu that holds this item's entry
};

class TMainMenu {
 public:
  TMainMenu();
  ~TMainMenu();
  TMenuItem Items;
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  HMENU Handle();
  bool DispatchCommand(UINT command) { return TMenuItem::DispatchCommand(command); }
  // Runs the item whose shortcut is s (see above); true when the key is consumed.
  bool IsShortCut(TShortCut s);
  // The window whose menu bar this is (redrawn on changes).
  HWND Window = nullptr;

 private:
  bool ownerDraw_ = false;
  HMENU handle_ = nullptr;
};

class TPopupMenu {
 public:
  TPopupMenu();
  ~TPopupMenu();
  TMenuItem Items;
  std::function<void(TPopupMenu* sender)> OnPopup;
  // Fires OnPopup, then shows the menu at the screen point and runs the picked
  // item's OnClick. Tests replace Tracker to pick an item without a menu loop.
  void Popup(int x, int y, HWND owner = nullptr);
  static std::function<UINT(TPopupMenu* menu, int x, int y)> Tracker;
  static bool DispatchAny(UINT command) { return TMenuItem::DispatchCommand(command); }
  HMENU Handle();

 private:
  HMENU handle_ = nullptr;
  bool ownerDraw_ = false;
};
