#include "spare_controls/ComboBox.h"
#include "framework/Cp932.h"
#include "spare_controls/SpareCommon.h"

TNewComboBox::TNewComboBox(TWinControl* parent) : TComboBox(parent) {}

TNewComboBox::~TNewComboBox() {
  if (hwnd_) DestroyWnd();
}

void TNewComboBox::CreateParams(TCreateParams& p) {
  TComboBox::CreateParams(p);
  p.ClassName = spare::NativeCopyClass(L"COMBOBOX", L"TNewComboBox");
  const DWORD kind = CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST;
  const DWORD ownerDraw = CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE;
  DWORD odBit = comboStyle_ == csOwnerDrawVariable ? CBS_OWNERDRAWVARIABLE
                : comboStyle_ == csOwnerDrawFixed  ? CBS_OWNERDRAWFIXED
                                                   : 0;
  p.Style &= ~(kind | ownerDraw);
  if (odBit && ownerDrawEdit_) {
    // An owner-drawn list under an editable field; visibility and the enabled
    // state follow the control as for every window of the framework.
    p.Style |= WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_NOINTEGRALHEIGHT | CBS_HASSTRINGS | CBS_AUTOHSCROLL |
               CBS_DROPDOWN | odBit;
  } else {
    p.Style |= (comboStyle_ == ncsDropDown ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | odBit;
  }
}

void TNewComboBox::BeforeDestroy() {
  // The window's timer goes with the window.
  if (timerRunning_ && hwnd_) KillTimer(hwnd_, runningId_);
  timerRunning_ = false;
  runningId_ = 0;
  focusIn_ = false;
  TComboBox::BeforeDestroy();
}

void TNewComboBox::SetOwnerDrawEdit(bool v) {
  if (v == ownerDrawEdit_) return;
  ownerDrawEdit_ = v;
  int i = ItemIndex();
  RecreateWnd();
  if (i >= 0) SetItemIndex(i);
}

void TNewComboBox::SetComboStyle(TNewComboStyle s) {
  if (s == comboStyle_) return;
  comboStyle_ = s;
  int i = ItemIndex();
  RecreateWnd();
  if (i >= 0) SetItemIndex(i);
}

void TNewComboBox::DropDown() {
  if (OnSelNotify && !timerRunning_ && hwnd_) {
    runningId_ = static_cast<UINT_PTR>(timeNo_);
    if (SetTimer(hwnd_, runningId_, static_cast<UINT>(interval_), nullptr)) timerRunning_ = true;
  }
  if (OnDropDown) OnDropDown(this);
}

void TNewComboBox::MsSelNotify() {
  if (!DroppedDown()) {
    if (timerRunning_ && hwnd_) KillTimer(hwnd_, runningId_);
    timerRunning_ = false;
  }
  if (OnSelNotify) {
    index_ = hwnd_ ? static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)) : -1;
    OnSelNotify(this);
  }
}

void TNewComboBox::FocusNote(bool in) {
  if (in == focusIn_) return;
  focusIn_ = in;
  if (in) {
    if (OnEnter) OnEnter(this);
  } else {
    if (OnExit) OnExit(this);
  }
}

void TNewComboBox::DoEnter() {
  if (EditFocusMode()) return;  // the focus notifications report it
  TComboBox::DoEnter();
}

void TNewComboBox::DoExit() {
  if (EditFocusMode()) return;
  TComboBox::DoExit();
}

LRESULT TNewComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    if (timerRunning_ && wp == runningId_) MsSelNotify();
    return 0;
  }
  if ((msg == WM_COMMAND || msg == CN_BASE + WM_COMMAND) && EditFocusMode()) {
    WORD code = HIWORD(wp);
    if (code == CBN_SETFOCUS || code == EN_SETFOCUS) FocusNote(true);
    else if (code == CBN_KILLFOCUS || code == EN_KILLFOCUS) FocusNote(false);
  }
  if (msg == CN_BASE + WM_COMMAND && HIWORD(wp) == CBN_DROPDOWN) {
    DropDown();
    return 0;
  }
  if (msg == CN_BASE + WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    m->itemHeight = static_cast<UINT>(ItemHeight > 0 ? ItemHeight : 1);
    return TRUE;
  }
  if (msg == CN_BASE + WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    TOwnerDrawState state = 0;
    if (d->itemState & ODS_SELECTED) state |= odSelected;
    if (d->itemState & ODS_FOCUS) state |= odFocused;
    if (d->itemState & ODS_DISABLED) state |= odDisabled;
    canvas_.Attach(d->hDC);
    canvas_.Font = font_;
    canvas_.BrushStyle = bsSolid;
    canvas_.BrushColor = (state & odSelected) ? clHighlight : color_;
    if (state & odSelected) canvas_.Font.SetColor(clHighlightText);
    int index = static_cast<int>(d->itemID);
    if (OnDrawItem && index >= 0) {
      OnDrawItem(this, index, d->rcItem, state);
    } else {
      canvas_.FillRect(d->rcItem);
      if (index >= 0 && index < Items().Count())
        canvas_.TextOut(d->rcItem.left + 2, d->rcItem.top, Cp932ToWide(Items().Get(index)));
    }
    canvas_.Detach();
    return TRUE;
  }
  return TComboBox::WndProc(msg, wp, lp);
}
